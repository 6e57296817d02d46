// Fuzz target: bytes as a WAV image through the sound decoder (libsndfile
// reading from memory), as a blob from the database reaches it. Besides
// never crashing or hanging, a decoded image must have a sane format and
// whole frames, and decoding in small pieces must give the same samples.

#include "platform/Sound.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray image = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<TWaveImage> wave = DecodeWaveImage(image);
    if (!wave)
        return 0;
    Require(wave->Channels >= 1 && wave->Channels <= 8);
    Require(wave->SampleRate >= 1000 && wave->SampleRate <= 384000);
    Require(wave->BytesPerFrame == wave->Channels * (wave->SampleKind == TWaveSampleKind::Int16 ? 2 : 4));
    Require(wave->Samples.size() % wave->BytesPerFrame == 0);

    TWaveDecoder decoder(image);
    Require(decoder.Valid());
    QByteArray pieces;
    QByteArray buffer(7 * decoder.BytesPerFrame(), '\0');
    while (const qint64 frames = decoder.Read(buffer.data(), 7)) {
        Require(frames > 0 && frames <= 7);
        pieces.append(buffer.constData(), frames * decoder.BytesPerFrame());
    }
    Require(pieces == wave->Samples);
    return 0;
}
