#pragma once
// Sound output: a WAV image held in memory is checked (RIFF/WAVE with a "fmt "
// and a "data" chunk, PCM or float samples) and its samples are written to
// the ALSA device "default", or to the device named by MORVANE_AUDIO_DEVICE
// (tests use "null"). Anything that is not such an image plays nothing; a
// machine without a sound device plays nothing and says nothing.

#include <QByteArray>
#include <atomic>
#include <optional>

struct TWaveImage {
    int FormatTag = 0;      // 1 PCM, 3 IEEE float
    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0;
    int BlockAlign = 0;
    QByteArray Samples;     // whole frames only
};

// The image's format and samples, or nothing when it is not a WAV image
// that can be played.
std::optional<TWaveImage> ParseWaveImage(const QByteArray& image);

// The ALSA device sounds go to.
QByteArray AudioDeviceName();

// Plays the image to its end on the calling thread and returns the number
// of frames written (0 when nothing could be played). Stops early, between
// two periods, when stop becomes true.
long PlayWaveImage(const QByteArray& image, const std::atomic<bool>& stop);
