#include "platform/Sound.h"
#include "platform/Threads.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QFile>
#include <QTemporaryDir>
#include <sndfile.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The decoded samples of one channel as 16-bit values, whatever their kind.
std::vector<int> Channel(const TWaveImage& wave, int channel)
{
    std::vector<int> samples;
    const qsizetype frames = wave.Samples.size() / wave.BytesPerFrame;
    for (qsizetype i = 0; i < frames; ++i) {
        const char* frame = wave.Samples.constData() + i * wave.BytesPerFrame;
        switch (wave.SampleKind) {
        case TWaveSampleKind::Int16: {
            qint16 v;
            std::memcpy(&v, frame + 2 * channel, 2);
            samples.push_back(v);
            break;
        }
        case TWaveSampleKind::Int32: {
            qint32 v;
            std::memcpy(&v, frame + 4 * channel, 4);
            samples.push_back(v >> 16);
            break;
        }
        case TWaveSampleKind::Float: {
            float v;
            std::memcpy(&v, frame + 4 * channel, 4);
            samples.push_back(int(std::lround(v * 32768)));
            break;
        }
        }
    }
    return samples;
}

// The root-mean-square distance of the samples from the tone.
double ToneError(const std::vector<int>& samples, int sampleRate)
{
    double sum = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double d = samples[i] - ToneSample(int(i), sampleRate);
        sum += d * d;
    }
    return samples.empty() ? 1e9 : std::sqrt(sum / double(samples.size()));
}

// Sounds go to the null device through ALSA's tee plugin, which also
// writes every sample it is given into the file.
class TTeeDevice {
public:
    explicit TTeeDevice(const QString& path) { qputenv("MORVANE_AUDIO_DEVICE", "tee:null,'" + path.toUtf8() + "',raw"); }
    ~TTeeDevice() { qputenv("MORVANE_AUDIO_DEVICE", "null"); }
    TTeeDevice(const TTeeDevice&) = delete;
    TTeeDevice& operator=(const TTeeDevice&) = delete;
};

} // namespace

TEST(WaveImage, ValidImagesDecodeAndOthersDoNot)
{
    const QByteArray wave = MakeWave(100, 8000, 2);
    const auto decoded = DecodeWaveImage(wave);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->Channels, 2);
    EXPECT_EQ(decoded->SampleRate, 8000);
    EXPECT_EQ(decoded->SampleKind, TWaveSampleKind::Int16);
    // 16-bit samples come out as they stand in the image.
    EXPECT_EQ(decoded->Samples, wave.mid(44));

    EXPECT_FALSE(DecodeWaveImage(QByteArray()).has_value());
    EXPECT_FALSE(DecodeWaveImage(QByteArray("RIFF\x10\0\0\0WAVEjunk", 16)).has_value());
    EXPECT_FALSE(DecodeWaveImage(QByteArray(1000, 'x')).has_value());
    // No "data" chunk, or no "fmt " chunk.
    EXPECT_FALSE(DecodeWaveImage(wave.left(36)).has_value());
    QByteArray noFormat = wave;
    noFormat.replace(12, 4, "data");
    EXPECT_FALSE(DecodeWaveImage(noFormat).has_value());
    // A chunk size that points far past the end must not be followed.
    QByteArray huge = wave;
    huge.replace(16, 4, "\xff\xff\xff\x7f");
    EXPECT_FALSE(DecodeWaveImage(huge).has_value());
    // Nonsense in the header: no channels, a rate of 1 Hz, an unknown format.
    for (const auto& [offset, bytes] : {std::pair{22, QByteArray("\0\0", 2)}, std::pair{24, QByteArray("\1\0\0\0", 4)},
                                        std::pair{20, QByteArray("\x34\x12", 2)}}) {
        QByteArray damaged = wave;
        damaged.replace(offset, bytes.size(), bytes);
        EXPECT_FALSE(DecodeWaveImage(damaged).has_value()) << offset;
    }
    // A sound that is not a WAV image plays nothing, as with the system's
    // own call: an AIFF file holds the same tone.
    const QByteArray aiff = MakeEncodedWave(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 100);
    ASSERT_FALSE(aiff.isEmpty());
    EXPECT_FALSE(DecodeWaveImage(aiff).has_value());
    // Nor does a big-endian RIFX image, which the system's call never took.
    const QByteArray rifx = MakeEncodedWave(SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG, 100);
    ASSERT_TRUE(rifx.startsWith("RIFX"));
    EXPECT_FALSE(DecodeWaveImage(rifx).has_value());
    // A truncated data chunk plays what is there, in whole frames.
    const auto cut = DecodeWaveImage(wave.left(wave.size() - 3));
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->Samples, wave.mid(44, cut->Samples.size()));
    EXPECT_EQ(cut->Samples.size(), 799 * 4);
}

TEST(WaveImage, EveryWaveEncodingDecodesToItsTone)
{
    // The encodings WAV alert sounds come in, with how far each may stray
    // from the tone (root mean square, of a peak of 8000; a wrong decoding
    // strays by thousands).
    const struct {
        int format;
        TWaveSampleKind kind;
        double error;
    } encodings[] = {
        {SF_FORMAT_PCM_U8, TWaveSampleKind::Int16, 200},    {SF_FORMAT_PCM_16, TWaveSampleKind::Int16, 0},
        {SF_FORMAT_PCM_24, TWaveSampleKind::Int32, 0},      {SF_FORMAT_PCM_32, TWaveSampleKind::Int32, 0},
        {SF_FORMAT_FLOAT, TWaveSampleKind::Float, 0},       {SF_FORMAT_DOUBLE, TWaveSampleKind::Float, 0},
        {SF_FORMAT_ULAW, TWaveSampleKind::Int16, 100},      {SF_FORMAT_ALAW, TWaveSampleKind::Int16, 100},
        {SF_FORMAT_IMA_ADPCM, TWaveSampleKind::Int16, 500}, {SF_FORMAT_MS_ADPCM, TWaveSampleKind::Int16, 250},
    };
    for (const auto& encoding : encodings)
        for (const int channels : {1, 2})
            for (const bool extensible : {false, true}) {
                SCOPED_TRACE(testing::Message() << "format " << std::hex << encoding.format << std::dec << ", "
                                                << channels << " channels" << (extensible ? ", extensible" : ""));
                const QByteArray image =
                    MakeEncodedWave((extensible ? SF_FORMAT_WAVEX : SF_FORMAT_WAV) | encoding.format, 300, 8000, channels);
                if (image.isEmpty()) {
                    // libsndfile writes ADPCM only in the plain WAV form.
                    EXPECT_TRUE(extensible);
                    continue;
                }
                const auto wave = DecodeWaveImage(image);
                ASSERT_TRUE(wave.has_value());
                EXPECT_EQ(wave->Channels, channels);
                EXPECT_EQ(wave->SampleRate, 8000);
                EXPECT_EQ(wave->SampleKind, encoding.kind);
                // Block codes may pad the last block.
                const qsizetype frames = wave->Samples.size() / wave->BytesPerFrame;
                EXPECT_GE(frames, 2400);
                EXPECT_LT(frames, 2400 + 1024);
                for (int c = 0; c < channels; ++c) {
                    std::vector<int> samples = Channel(*wave, c);
                    samples.resize(2400);
                    EXPECT_LE(ToneError(samples, 8000), encoding.error) << "channel " << c;
                }
            }
    // GSM 6.10 is a speech code: it keeps the tone's loudness, not its
    // samples.
    const auto gsm = DecodeWaveImage(MakeEncodedWave(SF_FORMAT_GSM610, 300));
    ASSERT_TRUE(gsm.has_value());
    const std::vector<int> samples = Channel(*gsm, 0);
    ASSERT_GE(samples.size(), 2400u);
    EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 2000);
}

TEST(WaveImage, HandWrittenMuLawAndALawDecodeToTheStandardLevels)
{
    // µ-law: 0xFF and 0x7F are silence, 0x80 and 0x00 the loudest levels.
    const auto mu = DecodeWaveImage(MakeRawWave(7, 1, 8000, 8, QByteArray("\xff\x7f\x80\x00\xf0", 5)));
    ASSERT_TRUE(mu.has_value());
    EXPECT_EQ(Channel(*mu, 0), (std::vector<int>{0, 0, 32124, -32124, 120}));
    // A-law: 0xD5 and 0x55 the smallest levels, 0xAA and 0x2A the loudest.
    const auto a = DecodeWaveImage(MakeRawWave(6, 2, 8000, 8, QByteArray("\xd5\x55\xaa\x2a", 4)));
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->Channels, 2);
    EXPECT_EQ(Channel(*a, 0), (std::vector<int>{8, 32256}));
    EXPECT_EQ(Channel(*a, 1), (std::vector<int>{-8, -32256}));
    // A µ-law image without samples plays nothing.
    EXPECT_FALSE(DecodeWaveImage(MakeRawWave(7, 1, 8000, 8, QByteArray())).has_value());
}

TEST(WaveImage, PlaysToTheEndOnTheConfiguredDeviceAndAMissingDeviceIsSilent)
{
    ASSERT_EQ(AudioDeviceName(), QByteArray("null"));
    const std::atomic<bool> keepGoing{false};
    EXPECT_EQ(PlayWaveImage(MakeWave(250), keepGoing), 2000);
    EXPECT_EQ(PlayWaveImage(QByteArray("not a wave"), keepGoing), 0);
    const std::atomic<bool> stop{true};
    EXPECT_EQ(PlayWaveImage(MakeWave(250), stop), 0);
    qputenv("MORVANE_AUDIO_DEVICE", "no_such_device_here");
    EXPECT_EQ(PlayWaveImage(MakeWave(50), keepGoing), 0);
    qputenv("MORVANE_AUDIO_DEVICE", "null");
}

TEST(WaveImage, CompressedImagesReachTheDeviceDecoded)
{
    QTemporaryDir dir;
    const std::atomic<bool> keepGoing{false};
    for (const int format : {SF_FORMAT_ULAW, SF_FORMAT_ALAW, SF_FORMAT_IMA_ADPCM, SF_FORMAT_MS_ADPCM, SF_FORMAT_PCM_24,
                             SF_FORMAT_FLOAT}) {
        SCOPED_TRACE(format);
        const QByteArray image = MakeEncodedWave(format, 400, 11025, 2);
        const auto wave = DecodeWaveImage(image);
        ASSERT_TRUE(wave.has_value());
        const QString file = dir.filePath(QString::number(format));
        {
            const TTeeDevice device(file);
            EXPECT_EQ(PlayWaveImage(image, keepGoing), wave->Samples.size() / wave->BytesPerFrame);
        }
        QFile played(file);
        ASSERT_TRUE(played.open(QIODevice::ReadOnly));
        EXPECT_EQ(played.readAll(), wave->Samples);
    }
}

TEST(ThreadRegistry, FinishedThreadsAreJoinedAndShutdownStopsTheRest)
{
    TThreadRegistry registry;
    std::atomic<int> ran{0};
    for (int i = 0; i < 5; ++i)
        registry.Start([&](const std::atomic<bool>&) { ++ran; });
    EXPECT_TRUE(registry.WaitIdle(5000));
    EXPECT_EQ(ran.load(), 5);
    EXPECT_EQ(registry.Running(), 0);

    std::atomic<bool> sawStop{false};
    registry.Start([&](const std::atomic<bool>& stopping) {
        while (!stopping.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sawStop = true;
    });
    EXPECT_FALSE(registry.WaitIdle(20));
    EXPECT_EQ(registry.Running(), 1);
    registry.Shutdown();
    EXPECT_TRUE(sawStop.load());
    EXPECT_EQ(registry.Running(), 0);
}
