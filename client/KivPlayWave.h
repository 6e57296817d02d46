#pragma once
// Alert sounds: each one plays on a short-lived thread of its own that holds
// its own copy of the WAV image, so the window never waits for a sound and
// two alerts close together overlap.

#include <QByteArray>
#include <atomic>

class TPlayWave {
public:
    // Copies the image and starts playing it at once; the thread ends by
    // itself when the sound has finished.
    static void Create(const QByteArray& stream);

private:
    explicit TPlayWave(QByteArray memory) : Memory(std::move(memory)) {}
    void Execute(const std::atomic<bool>& stopping) const;

    QByteArray Memory;
};

// Plays the image when it holds anything; an empty one starts no thread.
// The caller may change or free its copy as soon as this returns.
void PlaySound(const QByteArray& stream);
