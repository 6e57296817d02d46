#include "platform/Sound.h"
#include "platform/Threads.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

TEST(WaveImage, ValidImagesParseAndOthersDoNot)
{
    const QByteArray wave = MakeWave(100, 8000, 2);
    const auto parsed = ParseWaveImage(wave);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->Channels, 2);
    EXPECT_EQ(parsed->SampleRate, 8000);
    EXPECT_EQ(parsed->Samples.size(), 800 * 4);

    EXPECT_FALSE(ParseWaveImage(QByteArray()).has_value());
    EXPECT_FALSE(ParseWaveImage(QByteArray("RIFF\x10\0\0\0WAVEjunk", 16)).has_value());
    EXPECT_FALSE(ParseWaveImage(QByteArray(1000, 'x')).has_value());
    // No "data" chunk, or "data" before "fmt ".
    EXPECT_FALSE(ParseWaveImage(wave.left(36)).has_value());
    QByteArray dataFirst = wave;
    dataFirst.replace(12, 4, "data");
    EXPECT_FALSE(ParseWaveImage(dataFirst).has_value());
    // A chunk size that points far past the end must not be followed.
    QByteArray huge = wave;
    huge.replace(16, 4, "\xff\xff\xff\x7f");
    EXPECT_FALSE(ParseWaveImage(huge).has_value());
    // Compressed formats (ADPCM 2, A-law 6, µ-law 7) are not PCM.
    for (const quint16 tag : {2, 6, 7}) {
        QByteArray compressed = wave;
        compressed[20] = char(tag);
        EXPECT_FALSE(ParseWaveImage(compressed).has_value()) << tag;
    }
    // A truncated data chunk plays what is there, in whole frames.
    const auto cut = ParseWaveImage(wave.left(wave.size() - 3));
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->Samples.size() % 4, 0);
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
