#include "platform/Clock.h"

#include <atomic>
#include <limits>

namespace {

constexpr qint64 ComputerClock = std::numeric_limits<qint64>::min();

// Milliseconds since the epoch of the moment set, or ComputerClock.
std::atomic<qint64>& SetMoment()
{
    static std::atomic<qint64> moment{ComputerClock};
    return moment;
}

} // namespace

QDateTime LocalNow()
{
    const qint64 moment = SetMoment().load();
    return moment == ComputerClock ? QDateTime::currentDateTime() : QDateTime::fromMSecsSinceEpoch(moment);
}

void SetLocalNow(const std::optional<QDateTime>& moment)
{
    SetMoment() = moment && moment->isValid() ? moment->toMSecsSinceEpoch() : ComputerClock;
}
