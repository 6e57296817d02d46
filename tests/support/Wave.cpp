#include "support/Wave.h"

#include <QtEndian>
#include <sndfile.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

void Put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void Put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

// libsndfile writes the image into memory through these.
struct TWriteCursor {
    QByteArray Image;
    qint64 Position = 0;
};

SF_VIRTUAL_IO WriteIo()
{
    return {
        [](void* user) -> sf_count_t { return static_cast<TWriteCursor*>(user)->Image.size(); },
        [](sf_count_t offset, int whence, void* user) -> sf_count_t {
            auto* cursor = static_cast<TWriteCursor*>(user);
            const qint64 base = whence == SEEK_CUR ? cursor->Position : whence == SEEK_END ? cursor->Image.size() : 0;
            cursor->Position = std::max<qint64>(0, base + offset);
            return cursor->Position;
        },
        [](void* ptr, sf_count_t count, void* user) -> sf_count_t {
            auto* cursor = static_cast<TWriteCursor*>(user);
            const qint64 n = std::clamp<qint64>(cursor->Image.size() - cursor->Position, 0, count);
            std::memcpy(ptr, cursor->Image.constData() + cursor->Position, size_t(n));
            cursor->Position += n;
            return n;
        },
        [](const void* ptr, sf_count_t count, void* user) -> sf_count_t {
            auto* cursor = static_cast<TWriteCursor*>(user);
            if (cursor->Image.size() < cursor->Position + count)
                cursor->Image.resize(cursor->Position + count, '\0');
            std::memcpy(cursor->Image.data() + cursor->Position, ptr, size_t(count));
            cursor->Position += count;
            return count;
        },
        [](void* user) -> sf_count_t { return static_cast<TWriteCursor*>(user)->Position; },
    };
}

} // namespace

qint16 ToneSample(int Index, int sampleRate)
{
    return qint16(8000 * std::sin(2 * M_PI * 440 * Index / sampleRate));
}

QByteArray MakeWave(int milliseconds, int sampleRate, int channels)
{
    const int frames = sampleRate * milliseconds / 1000;
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const qint16 value = ToneSample(i, sampleRate);
        for (int c = 0; c < channels; ++c)
            Put16(samples, quint16(value));
    }
    QByteArray wave("RIFF");
    Put32(wave, quint32(36 + samples.size()));
    wave.append("WAVEfmt ");
    Put32(wave, 16);
    Put16(wave, 1);
    Put16(wave, quint16(channels));
    Put32(wave, quint32(sampleRate));
    Put32(wave, quint32(sampleRate * channels * 2));
    Put16(wave, quint16(channels * 2));
    Put16(wave, 16);
    wave.append("data");
    Put32(wave, quint32(samples.size()));
    wave.append(samples);
    return wave;
}

QByteArray MakeEncodedWave(int format, int milliseconds, int sampleRate, int channels)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = (format & SF_FORMAT_TYPEMASK) ? format : SF_FORMAT_WAV | format;
    TWriteCursor cursor;
    SF_VIRTUAL_IO io = WriteIo();
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &cursor);
    if (!file)
        return {};
    // Float files hold samples between -1 and 1, as real ones do.
    sf_command(file, SFC_SET_SCALE_INT_FLOAT_WRITE, nullptr, SF_TRUE);
    const int frames = sampleRate * milliseconds / 1000;
    std::vector<short> samples;
    for (int i = 0; i < frames; ++i)
        samples.insert(samples.end(), size_t(channels), ToneSample(i, sampleRate));
    const sf_count_t written = sf_writef_short(file, samples.data(), frames);
    sf_close(file);
    return written == frames ? cursor.Image : QByteArray();
}

QByteArray MakeRawWave(quint16 formatTag, int channels, int sampleRate, int bitsPerSample, const QByteArray& data)
{
    const int blockAlign = channels * std::max(1, bitsPerSample / 8);
    QByteArray wave("RIFF");
    Put32(wave, quint32(4 + 8 + 18 + 8 + data.size() + (data.size() & 1)));
    wave.append("WAVEfmt ");
    Put32(wave, 18);
    Put16(wave, formatTag);
    Put16(wave, quint16(channels));
    Put32(wave, quint32(sampleRate));
    Put32(wave, quint32(sampleRate * blockAlign));
    Put16(wave, quint16(blockAlign));
    Put16(wave, quint16(bitsPerSample));
    Put16(wave, 0);
    wave.append("data");
    Put32(wave, quint32(data.size()));
    wave.append(data);
    if (data.size() & 1)
        wave.append('\0');
    return wave;
}
