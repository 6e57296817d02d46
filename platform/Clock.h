#pragma once
// The computer's wall clock, as the program reads it wherever it needs the
// local date and time (time stamps of requests, dates of stock-ins). It may
// be set while the program runs (by the user, by a time service): nothing
// that measures how much time has passed reads it; that is what the steady
// clock is for. Tests set it to play such a step.

#include <QDateTime>
#include <optional>

QDateTime LocalNow();

// Any thread. From now on LocalNow() gives the moment, standing still, until
// it is set again; none gives the computer's clock again.
void SetLocalNow(const std::optional<QDateTime>& moment);
