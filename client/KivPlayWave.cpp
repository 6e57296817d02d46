#include "client/KivPlayWave.h"

#include "platform/Sound.h"
#include "platform/Threads.h"

void TPlayWave::Create(const QByteArray& stream)
{
    // A deep copy: the caller's array may be written to while we play.
    TPlayWave wave(QByteArray(stream.constData(), stream.size()));
    TThreadRegistry::Instance().Start([wave = std::move(wave)](const std::atomic<bool>& stopping) { wave.Execute(stopping); });
}

void TPlayWave::Execute(const std::atomic<bool>& stopping) const
{
    PlayWaveImage(Memory, stopping);
}

void PlaySound(const QByteArray& stream)
{
    if (stream.size() > 0)
        TPlayWave::Create(stream);
}
