// Fuzz target: bytes of the notification stream through the receive buffer,
// the line decoding and the packet reading, without a connection. The first
// byte sets the line limit (small, so that over-long lines happen), the
// second the way the rest is cut into chunks. Besides never crashing, the
// lines must not depend on where the chunks were cut, and the buffer must
// never hold more than the limit once its complete lines are taken.

#include "client/KivStreamLines.h"
#include "platform/SqlText.h"

#include <QStringList>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void Check(const TStreamPacket& packet)
{
    if (packet.Notify) {
        Require(packet.Kind == TStreamPacketKind::Business);
        Require(IsSqlInteger(packet.Notify->Tid));
        Require(packet.Notify->Oid.isEmpty() || IsSqlInteger(packet.Notify->Oid));
        Require(packet.Notify->Kind == u"notify_trade" || packet.Notify->Kind == u"notify_refund");
    }
    if (packet.Kind == TStreamPacketKind::Refused)
        Require(!packet.MsgText.isEmpty());
    else if (packet.Kind != TStreamPacketKind::Unknown)
        Require(packet.MsgText.isEmpty());
}

// Takes every complete line, decodes and reads it.
void Drain(TStreamLineBuffer& buffer, QStringList& lines)
{
    QByteArray raw;
    while (buffer.TakeLine(raw))
        for (const QString& line : DecodeStreamLine(raw)) {
            Check(ParseStreamLine(line));
            lines << line;
        }
    Require(buffer.Size() <= buffer.MaxLine() + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const qsizetype maxLine = 1 + data[0] % 256;
    unsigned cutter = data[1];
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    TStreamLineBuffer whole(maxLine);
    QStringList wholeLines;
    whole.Append(bytes);
    Drain(whole, wholeLines);

    TStreamLineBuffer cut(maxLine);
    QStringList cutLines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        cutter = cutter * 1103515245u + 12345u;
        const qsizetype length = std::min<qsizetype>(1 + (cutter >> 16) % 97, bytes.size() - pos);
        cut.Append(bytes.sliced(pos, length));
        Drain(cut, cutLines);
        pos += length;
    }
    Require(cutLines == wholeLines);
    Require(cut.DroppedLines() == whole.DroppedLines());
    Require(cut.Size() == whole.Size());
    return 0;
}
