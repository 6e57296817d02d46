#include "platform/Sound.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>
#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// Channel counts and rates beyond these are not alert sounds but damaged
// headers; such an image plays nothing.
constexpr int MaxChannels = 8;
constexpr int MinSampleRate = 1000;
constexpr int MaxSampleRate = 384000;

// Only WAV images play, as with the system call that alert sounds were
// made for: libsndfile would also read AIFF, FLAC and the rest.
bool HasWaveMagic(const QByteArray& image)
{
    return image.size() >= 12 && std::memcmp(image.constData(), "RIFF", 4) == 0
           && std::memcmp(image.constData() + 8, "WAVE", 4) == 0;
}

bool IsWaveType(int format)
{
    const int type = format & SF_FORMAT_TYPEMASK;
    return type == SF_FORMAT_WAV || type == SF_FORMAT_WAVEX;
}

TWaveSampleKind KindOf(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32: return TWaveSampleKind::Int32;
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE: return TWaveSampleKind::Float;
    // 8- and 16-bit PCM and the compressed codes (µ-law, A-law, ADPCM,
    // GSM) all decode to no more than 16 bits.
    default: return TWaveSampleKind::Int16;
    }
}

snd_pcm_format_t AlsaFormat(TWaveSampleKind kind)
{
    switch (kind) {
    case TWaveSampleKind::Int32: return SND_PCM_FORMAT_S32;
    case TWaveSampleKind::Float: return SND_PCM_FORMAT_FLOAT;
    default: return SND_PCM_FORMAT_S16;
    }
}

// Keeps ALSA's own error printing off stderr: a missing device is not news.
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

} // namespace

// ---------------------------------------------------------------- reading from memory

void TWaveDecoder::TFileCloser::operator()(sf_private_tag* file) const
{
    sf_close(file);
}

TWaveDecoder::TWaveDecoder(const QByteArray& image) : FCursor{&image, 0}
{
    if (!HasWaveMagic(image))
        return;
    // libsndfile reads the image through these, never from a file.
    static SF_VIRTUAL_IO io = {
        [](void* user) -> sf_count_t { return static_cast<TCursor*>(user)->Image->size(); },
        [](sf_count_t offset, int whence, void* user) -> sf_count_t {
            auto* cursor = static_cast<TCursor*>(user);
            const qint64 size = cursor->Image->size();
            qint64 base = 0;
            if (whence == SEEK_CUR)
                base = cursor->Position;
            else if (whence == SEEK_END)
                base = size;
            // A position outside the image is kept inside it (offsets come
            // from the image's own chunk sizes); reads at the end find nothing.
            cursor->Position = std::clamp<qint64>(base + std::clamp<qint64>(offset, -size, size), 0, size);
            return cursor->Position;
        },
        [](void* ptr, sf_count_t count, void* user) -> sf_count_t {
            auto* cursor = static_cast<TCursor*>(user);
            const qint64 n = std::clamp<qint64>(cursor->Image->size() - cursor->Position, 0, std::max<sf_count_t>(count, 0));
            if (n > 0)
                std::memcpy(ptr, cursor->Image->constData() + cursor->Position, size_t(n));
            cursor->Position += n;
            return n;
        },
        [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
        [](void* user) -> sf_count_t { return static_cast<TCursor*>(user)->Position; },
    };
    SF_INFO info{};
    std::unique_ptr<sf_private_tag, TFileCloser> file;
    {
        // libsndfile writes the reason of a failed open into buffers of its
        // own that every thread shares: two sounds open one at a time.
        static std::mutex opening;
        const std::lock_guard<std::mutex> lock(opening);
        file.reset(sf_open_virtual(&io, SFM_READ, &info, &FCursor));
    }
    if (!file || !IsWaveType(info.format) || info.channels < 1 || info.channels > MaxChannels
        || info.samplerate < MinSampleRate || info.samplerate > MaxSampleRate || info.frames <= 0)
        return;
    FChannels = info.channels;
    FSampleRate = info.samplerate;
    FFrames = info.frames;
    FKind = KindOf(info.format);
    FFile = std::move(file);
}

TWaveDecoder::~TWaveDecoder() = default;

int TWaveDecoder::BytesPerFrame() const
{
    return FChannels * (FKind == TWaveSampleKind::Int16 ? 2 : 4);
}

qint64 TWaveDecoder::Read(char* Buffer, qint64 Count)
{
    if (!FFile || Count <= 0)
        return 0;
    switch (FKind) {
    case TWaveSampleKind::Int32: return sf_readf_int(FFile.get(), reinterpret_cast<int*>(Buffer), Count);
    case TWaveSampleKind::Float: return sf_readf_float(FFile.get(), reinterpret_cast<float*>(Buffer), Count);
    default: return sf_readf_short(FFile.get(), reinterpret_cast<short*>(Buffer), Count);
    }
}

std::optional<TWaveImage> DecodeWaveImage(const QByteArray& image)
{
    TWaveDecoder decoder(image);
    if (!decoder.Valid())
        return std::nullopt;
    TWaveImage wave;
    wave.Channels = decoder.Channels();
    wave.SampleRate = decoder.SampleRate();
    wave.SampleKind = decoder.SampleKind();
    wave.BytesPerFrame = decoder.BytesPerFrame();
    constexpr qint64 chunk = 4096;
    QByteArray buffer(chunk * wave.BytesPerFrame, Qt::Uninitialized);
    while (const qint64 frames = decoder.Read(buffer.data(), chunk))
        wave.Samples.append(buffer.constData(), frames * wave.BytesPerFrame);
    return wave;
}

// ---------------------------------------------------------------- playing

QByteArray AudioDeviceName()
{
    const QByteArray name = qgetenv("MORVANE_AUDIO_DEVICE");
    return name.isEmpty() ? QByteArray("default") : name;
}

long PlayWaveImage(const QByteArray& image, const std::atomic<bool>& stop)
{
    TWaveDecoder decoder(image);
    if (!decoder.Valid())
        return 0;
    // A twentieth of a second per write, so that a stop is heard soon.
    const qint64 period = std::max(1, decoder.SampleRate() / 20);
    const int frameBytes = decoder.BytesPerFrame();
    QByteArray buffer(period * frameBytes, Qt::Uninitialized);
    // The first period is decoded before the device opens: an image whose
    // samples do not decode at all plays nothing.
    qint64 decoded = decoder.Read(buffer.data(), period);
    if (decoded <= 0)
        return 0;
    snd_lib_error_set_handler(SilentAlsaErrors);
    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, AudioDeviceName().constData(), SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return 0;
    const std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
    if (snd_pcm_set_params(pcm.get(), AlsaFormat(decoder.SampleKind()), SND_PCM_ACCESS_RW_INTERLEAVED,
                           unsigned(decoder.Channels()), unsigned(decoder.SampleRate()), 1, 200000)
        < 0)
        return 0;
    long done = 0;
    while (decoded > 0 && !stop.load()) {
        qint64 written = 0;
        while (written < decoded && !stop.load()) {
            const snd_pcm_sframes_t n = snd_pcm_writei(pcm.get(), buffer.constData() + written * frameBytes,
                                                       snd_pcm_uframes_t(decoded - written));
            if (n < 0) {
                if (snd_pcm_recover(pcm.get(), int(n), 1) < 0)
                    return done;
                continue;
            }
            written += n;
        }
        done += long(written);
        decoded = decoder.Read(buffer.data(), period);
    }
    if (stop.load())
        snd_pcm_drop(pcm.get());
    else
        snd_pcm_drain(pcm.get());
    return done;
}
