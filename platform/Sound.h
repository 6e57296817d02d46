#pragma once
// Sound output: a WAV image held in memory is decoded with libsndfile, read
// straight from the image through its virtual I/O, and its samples are
// written to the ALSA device "default", or to the device named by
// MORVANE_AUDIO_DEVICE (tests use "null"). Every encoding that WAV alert
// sounds come in plays: PCM, float, µ-law, A-law, IMA and Microsoft ADPCM
// and the rest that libsndfile reads from a WAV file. Anything that is not
// such an image plays nothing; a machine without a sound device plays
// nothing and says nothing.

#include <QByteArray>
#include <atomic>
#include <memory>
#include <optional>

struct sf_private_tag; // libsndfile's SNDFILE

// The form decoded samples take: integer codes of up to 16 bits become
// 16-bit samples, wider ones 32-bit samples, float and double data floats;
// all in the machine's byte order, channels interleaved.
enum class TWaveSampleKind { Int16, Int32, Float };

// Reads the frames of one WAV image. The image must outlive the decoder.
class TWaveDecoder {
public:
    explicit TWaveDecoder(const QByteArray& image);
    ~TWaveDecoder();
    TWaveDecoder(const TWaveDecoder&) = delete;
    TWaveDecoder& operator=(const TWaveDecoder&) = delete;

    // False when the image is not a WAV image that can be played.
    bool Valid() const { return FFile != nullptr; }
    int Channels() const { return FChannels; }
    int SampleRate() const { return FSampleRate; }
    // The frame count the header gives (a cut image yields fewer).
    qint64 Frames() const { return FFrames; }
    TWaveSampleKind SampleKind() const { return FKind; }
    int BytesPerFrame() const;
    // Decodes up to Count frames into Buffer (room for Count frames) and
    // returns how many it decoded; 0 at the end.
    qint64 Read(char* Buffer, qint64 Count);

private:
    struct TCursor {
        const QByteArray* Image;
        qint64 Position;
    };
    struct TFileCloser {
        void operator()(sf_private_tag* file) const;
    };

    TCursor FCursor;
    std::unique_ptr<sf_private_tag, TFileCloser> FFile;
    int FChannels = 0;
    int FSampleRate = 0;
    qint64 FFrames = 0;
    TWaveSampleKind FKind = TWaveSampleKind::Int16;
};

// A whole image decoded at once.
struct TWaveImage {
    int Channels = 0;
    int SampleRate = 0;
    TWaveSampleKind SampleKind = TWaveSampleKind::Int16;
    int BytesPerFrame = 0;
    QByteArray Samples; // whole frames only
};

// The image's format and decoded samples, or nothing when it is not a WAV
// image that can be played.
std::optional<TWaveImage> DecodeWaveImage(const QByteArray& image);

// The ALSA device sounds go to.
QByteArray AudioDeviceName();

// Plays the image to its end on the calling thread and returns the number
// of frames written (0 when nothing could be played). Stops early, between
// two periods, when stop becomes true.
long PlayWaveImage(const QByteArray& image, const std::atomic<bool>& stop);
