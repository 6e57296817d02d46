#pragma once
// WAV images made in the test, so that no sound file is needed.

#include <QByteArray>

// A 16-bit PCM sine tone of the given length.
QByteArray MakeWave(int milliseconds, int sampleRate = 8000, int channels = 1);
