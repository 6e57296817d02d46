#include "app/KivCatchUpBackOff.h"

#include <algorithm>

void TCatchUpBackOff::Failed(int baseMs, int longestMs)
{
    ++FFailures;
    qint64 wait = std::max(0, baseMs);
    for (int i = 1; i < FFailures && wait < longestMs; ++i)
        wait *= 2;
    FWaitMs = int(std::min<qint64>(wait, std::max(baseMs, longestMs)));
    FSince.start();
}

void TCatchUpBackOff::Succeeded()
{
    FFailures = 0;
    FWaitMs = 0;
    FSince.invalidate();
}

int TCatchUpBackOff::MsLeft() const
{
    if (!FSince.isValid())
        return 0;
    return int(std::max<qint64>(0, FWaitMs - FSince.elapsed()));
}
