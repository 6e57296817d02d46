#pragma once
// WAV images made in the test, so that no sound file is needed.

#include <QByteArray>

// A 16-bit PCM sine tone of the given length.
QByteArray MakeWave(int milliseconds, int sampleRate = 8000, int channels = 1);

// Sample Index of the tone that MakeWave writes (every channel the same).
qint16 ToneSample(int Index, int sampleRate);

// The same tone written by libsndfile in the given format: an encoding
// (SF_FORMAT_ULAW, SF_FORMAT_IMA_ADPCM, SF_FORMAT_FLOAT, ...) makes a WAV
// image; with a file type (SF_FORMAT_WAVEX, SF_FORMAT_AIFF, ...) added, a
// file of that type. Empty when libsndfile cannot write it.
QByteArray MakeEncodedWave(int format, int milliseconds, int sampleRate = 8000, int channels = 1);

// A WAV image written byte by byte: a "fmt " chunk of 18 bytes (the given
// format tag, no extra bytes) and a "data" chunk holding data.
QByteArray MakeRawWave(quint16 formatTag, int channels, int sampleRate, int bitsPerSample, const QByteArray& data);
