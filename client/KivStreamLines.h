#pragma once
// The lines of the notification stream, apart from the connection: the raw
// receive buffer that cuts complete lines at CR LF, and the reading of one
// line into the packet it carries. Nothing here touches a window, the
// database or the network, so it can be fed any bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

// Received bytes, kept raw until a line is complete: a chunk boundary may
// fall inside a line, a UTF-8 character or a %XX escape, and only a complete
// line is decoded. A line that grows beyond MaxLine bytes without its CR LF
// is dropped whole: what has arrived of it is thrown away at once and the
// rest is skipped up to the next CR LF, so the buffer never holds much more
// than MaxLine bytes however long the platform goes without a line end.
// Not locked here: callers guard it (StreamBufferLock).
class TStreamLineBuffer {
public:
    static constexpr qsizetype DefaultMaxLine = 1024 * 1024;

    explicit TStreamLineBuffer(qsizetype maxLine = DefaultMaxLine) : FMaxLine(maxLine) {}

    void Append(QByteArrayView chunk);
    // The next complete line, without its CR LF; empty lines are passed over.
    // False when no complete line waits.
    bool TakeLine(QByteArray& line);

    // Bytes held (complete lines not taken yet and the unfinished line).
    qsizetype Size() const { return FBuffer.size() - FStart; }
    // Lines dropped for their length so far.
    qsizetype DroppedLines() const { return FDropped; }
    qsizetype MaxLine() const { return FMaxLine; }

private:
    void Skip(QByteArrayView& chunk);
    void Compact();

    QByteArray FBuffer;
    qsizetype FStart = 0;     // where the next line begins
    qsizetype FTailStart = 0; // where the unfinished line begins (after the last CR LF)
    qsizetype FMaxLine;
    qsizetype FDropped = 0;
    bool FSkipping = false;   // inside an over-long line: bytes are thrown away up to its CR LF
    bool FSkippedCr = false;  // the last byte thrown away was a CR
};

// A complete line as text: URL-decoded ('+' to blank, %XX to its byte),
// then read as UTF-8 (a byte sequence that is not UTF-8 becomes U+FFFD).
// A line end that arrived encoded (%0D%0A) still ends a line, so the result
// is the non-empty lines of the decoded text.
QStringList DecodeStreamLine(const QByteArray& raw);

enum class TStreamPacketKind {
    NotJson,      // the line does not start with '{': dropped without a trace
    NoPacket,     // not a JSON object holding a "packet" object
    Connected,    // 200
    Heartbeat,    // 201
    Disconnected, // 101 to 106
    Business,     // 202
    StoreOnly,    // 203
    Unknown,      // any other code
    Refused,      // no packet but the platform's error reply: the connection is refused
};

// A trade or refund notification of a business message.
struct TStreamNotify {
    QString Kind;     // "notify_trade" or "notify_refund"
    QString Status;   // the event name
    QString Modified; // time stamp
    QString Tid;      // an integer, digit for digit
    QString Oid;      // an integer, or empty when the message has none
};

struct TStreamPacket {
    TStreamPacketKind Kind = TStreamPacketKind::NotJson;
    qint64 Code = 0;
    // Unknown codes: the "msg" value as text (a string's text, a number's
    // digits, true or false; empty for anything else or none). Refusals: the
    // platform's words (PlatformErrorText).
    QString MsgText;
    // Business messages: the notification, when "msg" is an object holding
    // "notify_trade" (else "notify_refund") as an object with "status",
    // "modified" and an integer "tid". Anything less gives none.
    std::optional<TStreamNotify> Notify;
};

// Reads one decoded line. Never raises.
TStreamPacket ParseStreamLine(const QString& line);
