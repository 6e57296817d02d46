#pragma once
// The session dialog: turns the authorization code that the seller copies
// from the platform's authorize page into the shop's session key, through
// the platform's container.

#include <QDialog>

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class TFormGetSession : public QDialog {
    Q_OBJECT
public:
    explicit TFormGetSession(QWidget* parent = nullptr);

    QLineEdit* leAuthcode;
    QLineEdit* leSession;
    QPlainTextEdit* MemoLog;
    QAction* ActionGetSession;
    QToolButton* ButtonGetSession;
    QPushButton* BitBtnOK;

    void ActionGetSessionExecute();
    void BitBtnOKClick();
    // The authorize page's address, for the seller to open by hand when no
    // browser could be opened: shown where it can be copied.
    void ShowAuthorizeUrl(const QString& url);
};

// Runs the session dialog modally; the session when it closed with OK,
// else empty. The caller stores it into the shop's row. A non-empty
// authorizeUrl is shown for copying (no browser opened it).
QString GetSession(const QString& authorizeUrl = QString());
