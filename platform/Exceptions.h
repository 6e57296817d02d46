#pragma once
// The exception class tree of the program. Every failure that a component
// raises carries a message text; the error box shows it (see Dialogs.h).

#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// A database statement or connection failed; the message is the driver's.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// The connection to the database is gone (its server stopped or cannot be
// reached): the statement did not run. The connection is closed and made
// again by the next statement.
class EDatabaseConnectionLost : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The statement met another transaction's write of the same row: the row is
// held or was changed by it (an update conflict, a deadlock), or the key it
// inserts was stored meanwhile. Written again once the other is done, it
// may go through.
class EDatabaseConflict : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The statement's values do not fit their columns (a number out of range, a
// text longer than its column, a value that is not of the column's kind):
// written again as they are, they are refused again.
class EDatabaseValueError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// A text could not be converted to the type asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A list was indexed out of range or asked for something it cannot do.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// A file could not be read or written.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// An operation was called in a state that does not allow it.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// An operation stopped on purpose once the user was told why (a refused
// input, for example): it unwinds like any failure, but the error box shows
// nothing more for it.
class EAbort : public Exception {
public:
    using Exception::Exception;
};
