#include "platform/UrlDecode.h"

#include "platform/HexDigit.h"

namespace {

// The length of the tail of bytes that starts a UTF-8 sequence whose other
// bytes have not arrived yet (0 when the bytes end on a character boundary).
qsizetype IncompleteUtf8Tail(const QByteArray& bytes)
{
    const qsizetype n = bytes.size();
    // A sequence is at most four bytes, so its lead byte is among the last three.
    for (qsizetype back = 1; back <= 3 && back <= n; ++back) {
        const auto c = static_cast<unsigned char>(bytes[n - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for the lead
        int length = 1;
        if ((c & 0xE0) == 0xC0)
            length = 2;
        else if ((c & 0xF0) == 0xE0)
            length = 3;
        else if ((c & 0xF8) == 0xF0)
            length = 4;
        return length > back ? back : 0;
    }
    return 0;
}

// The length of an unfinished escape at the end: "%" or "%X".
qsizetype UnfinishedEscape(const QByteArray& bytes)
{
    const qsizetype n = bytes.size();
    if (n >= 1 && bytes[n - 1] == '%')
        return 1;
    if (n >= 2 && bytes[n - 2] == '%' && HexDigitValue(bytes[n - 1]) >= 0)
        return 2;
    return 0;
}

} // namespace

QByteArray UrlDecodeBytes(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < n && HexDigitValue(bytes[i + 1]) >= 0 && HexDigitValue(bytes[i + 2]) >= 0) {
            out += static_cast<char>(HexDigitValue(bytes[i + 1]) * 16 + HexDigitValue(bytes[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

QString UrlDecode(const QByteArray& bytes)
{
    return QString::fromUtf8(UrlDecodeBytes(bytes));
}

QString TUrlChunkDecoder::Feed(const QByteArray& chunk)
{
    QByteArray raw = FPendingRaw + chunk;
    const qsizetype held = UnfinishedEscape(raw);
    FPendingRaw = raw.right(held);
    raw.chop(held);
    QByteArray decoded = FPendingDecoded + UrlDecodeBytes(raw);
    const qsizetype tail = IncompleteUtf8Tail(decoded);
    FPendingDecoded = decoded.right(tail);
    decoded.chop(tail);
    return QString::fromUtf8(decoded);
}

QString TUrlChunkDecoder::Flush()
{
    const QByteArray rest = FPendingDecoded + UrlDecodeBytes(FPendingRaw);
    FPendingRaw.clear();
    FPendingDecoded.clear();
    return QString::fromUtf8(rest);
}
