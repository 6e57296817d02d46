#include "client/KivPlayWave.h"
#include "platform/Threads.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sndfile.h>
#include <QThread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sounds go to the null device through ALSA's tee plugin, which also writes
// every sample it is given into a file (here a pipe the test reads).
class TTeeDevice {
public:
    explicit TTeeDevice(const QString& path)
    {
        qputenv("MORVANE_AUDIO_DEVICE", "tee:null,'" + path.toUtf8() + "',raw");
    }
    ~TTeeDevice() { qputenv("MORVANE_AUDIO_DEVICE", "null"); }
    TTeeDevice(const TTeeDevice&) = delete;
    TTeeDevice& operator=(const TTeeDevice&) = delete;
};

} // namespace

TEST(PlaySound, EmptyStreamStartsNoThreadAndTheCallerKeepsItsStream)
{
    ASSERT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    PlaySound(QByteArray());
    EXPECT_EQ(TThreadRegistry::Instance().Running(), 0);
    QByteArray stream = MakeWave(3000, 44100, 2);
    PlaySound(stream);
    PlaySound(stream); // two alerts overlap
    // The caller may reuse its stream at once; the threads end by themselves.
    stream.fill('\0');
    stream.clear();
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(30000));
}

TEST(PlaySound, PlaysToTheEndOnItsOwnThreadWhileTheCallerGoesOn)
{
    ASSERT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    QTemporaryDir dir;
    const QByteArray pipe = dir.filePath(u"samples"_qs).toLocal8Bit();
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    // Opened first without waiting, so the player's side opens at once; the
    // pipe holds 64 KB, less than the sound's 176 KB.
    const int reader = ::open(pipe.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const QByteArray wave = MakeWave(1000, 44100, 2);
    {
        const TTeeDevice device(QString::fromLocal8Bit(pipe));
        // Had PlaySound played on the caller's thread, it would wait here
        // for ever on the full pipe that only this thread empties.
        PlaySound(wave);
        // The player waits on the full pipe while this thread, which has
        // come back from PlaySound, empties it.
        QByteArray played;
        QElapsedTimer timer;
        timer.start();
        char buffer[8192];
        while (played.size() < wave.size() - 44 && timer.elapsed() < 20000) {
            const ssize_t n = ::read(reader, buffer, sizeof buffer);
            if (n > 0)
                played.append(buffer, n);
            else
                QThread::msleep(5);
        }
        ::close(reader);
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(30000));
        // Every sample reached the device: the data chunk follows the 44-byte header.
        EXPECT_EQ(played.size(), wave.size() - 44);
        EXPECT_EQ(played, wave.mid(44));
    }
}

TEST(PlaySound, AnInvalidImageReachesNoDevice)
{
    ASSERT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    QTemporaryDir dir;
    const QString file = dir.filePath(u"samples"_qs);
    const TTeeDevice device(file);
    PlaySound(QByteArray("RIFF....WAVEnothing"));
    PlaySound(QByteArray("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0", 20));
    PlaySound(MakeWave(100).left(40));
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    EXPECT_FALSE(QFile::exists(file));
    // The same device takes a valid image.
    PlaySound(MakeWave(100));
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    EXPECT_EQ(QFileInfo(file).size(), 800 * 2);
}

TEST(PlaySound, CompressedImagesPlayToTheEnd)
{
    ASSERT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    QTemporaryDir dir;
    // µ-law and A-law are eight bits a sample, IMA ADPCM four: each is
    // played as 16-bit samples, two bytes a sample.
    for (const int format : {SF_FORMAT_ULAW, SF_FORMAT_ALAW, SF_FORMAT_IMA_ADPCM, SF_FORMAT_MS_ADPCM}) {
        SCOPED_TRACE(format);
        const QString file = dir.filePath(QString::number(format));
        const TTeeDevice device(file);
        PlaySound(MakeEncodedWave(format, 200, 8000, 1));
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
        // Block codes pad the last block with silence.
        const qint64 played = QFileInfo(file).size();
        EXPECT_GE(played, 1600 * 2);
        EXPECT_LT(played, (1600 + 1024) * 2);
    }
}
