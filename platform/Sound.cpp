#include "platform/Sound.h"

#include <alsa/asoundlib.h>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <memory>

namespace {

quint32 Le32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

quint16 Le16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

// The format tags of uncompressed samples.
constexpr quint16 WaveFormatPcm = 1;
constexpr quint16 WaveFormatFloat = 3;

// The ALSA sample format of a WAV format, or SND_PCM_FORMAT_UNKNOWN:
// compressed formats (ADPCM, A-law, µ-law and the rest) play nothing.
snd_pcm_format_t AlsaFormat(const TWaveImage& wave)
{
    if (wave.FormatTag != WaveFormatPcm && wave.FormatTag != WaveFormatFloat)
        return SND_PCM_FORMAT_UNKNOWN;
    if (wave.FormatTag == WaveFormatFloat)
        return wave.BitsPerSample == 32 ? SND_PCM_FORMAT_FLOAT_LE
               : wave.BitsPerSample == 64 ? SND_PCM_FORMAT_FLOAT64_LE
                                          : SND_PCM_FORMAT_UNKNOWN;
    switch (wave.BitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

// Keeps ALSA's own error printing off stderr: a missing device is not news.
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

} // namespace

std::optional<TWaveImage> ParseWaveImage(const QByteArray& image)
{
    const char* data = image.constData();
    const qsizetype size = image.size();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return std::nullopt;
    TWaveImage wave;
    bool haveFormat = false;
    qsizetype pos = 12;
    while (pos + 8 <= size) {
        const quint32 chunkSize = Le32(data + pos + 4);
        const char* body = data + pos + 8;
        const qsizetype available = size - (pos + 8);
        if (std::memcmp(data + pos, "fmt ", 4) == 0) {
            if (chunkSize < 16 || qsizetype(chunkSize) > available)
                return std::nullopt;
            wave.FormatTag = Le16(body);
            wave.Channels = Le16(body + 2);
            wave.SampleRate = int(Le32(body + 4));
            wave.BlockAlign = Le16(body + 12);
            wave.BitsPerSample = Le16(body + 14);
            // WAVE_FORMAT_EXTENSIBLE names the real format in its sub-format.
            if (wave.FormatTag == 0xFFFE && chunkSize >= 40)
                wave.FormatTag = Le16(body + 24);
            haveFormat = true;
        } else if (std::memcmp(data + pos, "data", 4) == 0) {
            if (!haveFormat)
                return std::nullopt;
            // A data chunk that claims more than the image holds is cut to
            // what is there, as players do with truncated files.
            const qsizetype length = std::min<qsizetype>(chunkSize, available);
            if (wave.Channels < 1 || wave.Channels > 8 || wave.SampleRate < 1000 || wave.SampleRate > 384000
                || wave.BlockAlign != wave.Channels * ((wave.BitsPerSample + 7) / 8) || wave.BlockAlign == 0)
                return std::nullopt;
            if (AlsaFormat(wave) == SND_PCM_FORMAT_UNKNOWN)
                return std::nullopt;
            wave.Samples = QByteArray(body, length - length % wave.BlockAlign);
            return wave;
        }
        pos += 8 + qsizetype(chunkSize) + (chunkSize & 1);
    }
    return std::nullopt;
}

QByteArray AudioDeviceName()
{
    const QByteArray name = qgetenv("MORVANE_AUDIO_DEVICE");
    return name.isEmpty() ? QByteArray("default") : name;
}

long PlayWaveImage(const QByteArray& image, const std::atomic<bool>& stop)
{
    const std::optional<TWaveImage> wave = ParseWaveImage(image);
    if (!wave || wave->Samples.isEmpty())
        return 0;
    snd_lib_error_set_handler(SilentAlsaErrors);
    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, AudioDeviceName().constData(), SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return 0;
    const std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
    if (snd_pcm_set_params(pcm.get(), AlsaFormat(*wave), SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(wave->Channels),
                           unsigned(wave->SampleRate), 1, 200000)
        < 0)
        return 0;
    const snd_pcm_uframes_t total = snd_pcm_uframes_t(wave->Samples.size() / wave->BlockAlign);
    const snd_pcm_uframes_t period = snd_pcm_uframes_t(std::max(1, wave->SampleRate / 20));
    snd_pcm_uframes_t done = 0;
    while (done < total && !stop.load()) {
        const snd_pcm_uframes_t count = std::min(period, total - done);
        const snd_pcm_sframes_t written = snd_pcm_writei(pcm.get(), wave->Samples.constData() + done * wave->BlockAlign, count);
        if (written < 0) {
            if (snd_pcm_recover(pcm.get(), int(written), 1) < 0)
                break;
            continue;
        }
        done += snd_pcm_uframes_t(written);
    }
    if (stop.load())
        snd_pcm_drop(pcm.get());
    else
        snd_pcm_drain(pcm.get());
    return long(done);
}
