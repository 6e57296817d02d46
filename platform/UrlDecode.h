#pragma once
// URL decoding of platform replies and stream chunks: '+' becomes a blank,
// %XX the byte it encodes, and an escape that is not two hexadecimal digits
// is left as it stands. Decoding works on bytes; the text is then read as
// UTF-8, so nothing passes through a narrower code page.

#include <QByteArray>
#include <QString>

QByteArray UrlDecodeBytes(const QByteArray& bytes);

// UrlDecodeBytes, then UTF-8 to text.
QString UrlDecode(const QByteArray& bytes);

// Decodes a body that arrives in pieces (a held-open stream): an escape or
// a UTF-8 sequence cut by a chunk boundary is kept back until the next
// chunk completes it, so no character is lost or mangled at the seams.
class TUrlChunkDecoder {
public:
    // The text of the chunk, less what waits for the next one.
    QString Feed(const QByteArray& chunk);
    // Whatever was held back, decoded as it stands (the body has ended).
    QString Flush();

private:
    QByteArray FPendingRaw;      // an unfinished "%" or "%X" at the end of the last chunk
    QByteArray FPendingDecoded;  // the first bytes of an unfinished UTF-8 sequence
};
