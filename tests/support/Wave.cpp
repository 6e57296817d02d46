#include "support/Wave.h"

#include <QtEndian>
#include <cmath>

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

} // namespace

QByteArray MakeWave(int milliseconds, int sampleRate, int channels)
{
    const int frames = sampleRate * milliseconds / 1000;
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const auto value = qint16(8000 * std::sin(2 * M_PI * 440 * i / sampleRate));
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
