#include "client/KivStreamLines.h"

#include "client/KivPlatformTexts.h"
#include "json/uQvJSON.h"
#include "platform/SqlText.h"
#include "platform/UrlDecode.h"

namespace {

constexpr QByteArrayView LineEnd("\r\n");

// A member's value as text: a string's text, a number's literal digits,
// true or false. Null, lists, objects and missing members give none.
std::optional<QString> ScalarText(const TqvJSONbase* value)
{
    if (const auto* string = qvJSONcast<TqvJSONstring>(value))
        return string->Value();
    if (const auto* number = qvJSONcast<TqvJSONnumber>(value))
        return number->LiteralText();
    if (const auto* boolean = qvJSONcast<TqvJSONboolean>(value))
        return boolean->Value() ? QStringLiteral("true") : QStringLiteral("false");
    return std::nullopt;
}

// An id that goes into SQL bare and into the query's where clause: digits
// only (a sign would be refused by the platform anyway).
bool IsId(const QString& text)
{
    return IsSqlInteger(text) && text.front().isDigit();
}

std::optional<TStreamNotify> ReadNotify(const TqvJSONbase* msg)
{
    const auto* message = qvJSONcast<TqvJSONobject>(msg);
    if (!message)
        return std::nullopt;
    TStreamNotify notify;
    const TqvJSONbase* member = nullptr;
    for (const QString& kind : {QStringLiteral("notify_trade"), QStringLiteral("notify_refund")}) {
        member = message->Field(kind);
        if (member) {
            notify.Kind = kind;
            break;
        }
    }
    const auto* body = qvJSONcast<TqvJSONobject>(member);
    if (!body)
        return std::nullopt;
    const auto status = ScalarText(body->Field(u"status"));
    const auto modified = ScalarText(body->Field(u"modified"));
    const auto tid = ScalarText(body->Field(u"tid"));
    if (!status || !modified || !tid || !IsId(*tid))
        return std::nullopt;
    notify.Status = *status;
    notify.Modified = *modified;
    notify.Tid = *tid;
    // The order id goes into the trade line as it stands; one that is not an
    // id is left out rather than written into SQL.
    const auto oid = ScalarText(body->Field(u"oid"));
    if (oid && IsId(*oid))
        notify.Oid = *oid;
    return notify;
}

TStreamPacketKind KindOfCode(qint64 code)
{
    if (code == 200)
        return TStreamPacketKind::Connected;
    if (code == 201)
        return TStreamPacketKind::Heartbeat;
    if (code >= 101 && code <= 106)
        return TStreamPacketKind::Disconnected;
    if (code == 202)
        return TStreamPacketKind::Business;
    if (code == 203)
        return TStreamPacketKind::StoreOnly;
    return TStreamPacketKind::Unknown;
}

} // namespace

void TStreamLineBuffer::Append(QByteArrayView chunk)
{
    if (FSkipping)
        Skip(chunk);
    if (chunk.isEmpty())
        return;
    const qsizetype oldSize = FBuffer.size();
    FBuffer.append(chunk);
    // The last line end can only be new if it lies in the new bytes (or
    // starts with a CR that ended the old ones).
    const qsizetype from = std::max(FTailStart, oldSize - 1);
    const qsizetype lastEnd = QByteArrayView(FBuffer).sliced(from).lastIndexOf(LineEnd);
    if (lastEnd >= 0)
        FTailStart = from + lastEnd + 2;
    // One byte of slack for a CR whose LF has not come yet: the decision on a
    // line of exactly MaxLine bytes is the same however it was cut.
    if (FBuffer.size() - FTailStart > FMaxLine + 1) {
        FSkippedCr = FBuffer.endsWith('\r');
        FBuffer.truncate(FTailStart);
        FSkipping = true;
        ++FDropped;
        Compact();
    }
}

// Throws away the front of the chunk up to the end of the over-long line.
void TStreamLineBuffer::Skip(QByteArrayView& chunk)
{
    if (FSkippedCr && chunk.startsWith('\n')) {
        chunk = chunk.sliced(1);
        FSkipping = false;
        FSkippedCr = false;
        return;
    }
    const qsizetype end = chunk.indexOf(LineEnd);
    if (end >= 0) {
        chunk = chunk.sliced(end + 2);
        FSkipping = false;
        FSkippedCr = false;
        return;
    }
    FSkippedCr = chunk.endsWith('\r') || (chunk.isEmpty() && FSkippedCr);
    chunk = QByteArrayView();
}

bool TStreamLineBuffer::TakeLine(QByteArray& line)
{
    for (;;) {
        const qsizetype end = QByteArrayView(FBuffer).indexOf(LineEnd, FStart);
        if (end < 0) {
            Compact();
            return false;
        }
        const qsizetype start = FStart;
        FStart = end + 2;
        if (end == start)
            continue;
        if (end - start > FMaxLine) {
            ++FDropped;
            continue;
        }
        line = FBuffer.mid(start, end - start);
        Compact();
        return true;
    }
}

void TStreamLineBuffer::Compact()
{
    if (FStart == 0)
        return;
    if (FStart >= FBuffer.size()) {
        FBuffer.clear();
        FStart = 0;
        FTailStart = 0;
    } else if (FStart > 64 * 1024 && FStart > FBuffer.size() / 2) {
        FBuffer.remove(0, FStart);
        FTailStart -= FStart;
        FStart = 0;
    }
}

QStringList DecodeStreamLine(const QByteArray& raw)
{
    return UrlDecode(raw).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

TStreamPacket ParseStreamLine(const QString& line)
{
    TStreamPacket packet;
    if (!line.startsWith(u'{'))
        return packet;
    packet.Kind = TStreamPacketKind::NoPacket;
    const std::unique_ptr<TqvJSONbase> root = TqvJSON::ParseText(line.toUtf8());
    const auto* object = qvJSONcast<TqvJSONobject>(root.get());
    const auto* body = object ? qvJSONcast<TqvJSONobject>(object->Field(u"packet")) : nullptr;
    if (!body) {
        if (const QString words = PlatformErrorText(object); !words.isEmpty()) {
            packet.Kind = TStreamPacketKind::Refused;
            packet.MsgText = words;
        }
        return packet;
    }
    // A code that is not a number is no known code.
    const auto* code = qvJSONcast<TqvJSONnumber>(body->Field(u"code"));
    packet.Code = code ? code->IntValue() : 0;
    packet.Kind = KindOfCode(packet.Code);
    const TqvJSONbase* msg = body->Field(u"msg");
    if (packet.Kind == TStreamPacketKind::Unknown)
        packet.MsgText = ScalarText(msg).value_or(QString());
    else if (packet.Kind == TStreamPacketKind::Business)
        packet.Notify = ReadNotify(msg);
    return packet;
}
