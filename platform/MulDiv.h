#pragma once
// Integer scaling a * b / c with a 64-bit intermediate, so that no product
// overflows, and without ever dividing by zero: a zero divisor gives 0 (the
// callers use it for positions, where "no range" means position 0).

#include <QtGlobal>
#include <cstdlib>

// Rounded to the nearest integer, halves away from zero (the platform's MulDiv).
constexpr int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const qint64 product = qint64(a) * qint64(b);
    const qint64 divisor = c;
    const bool negative = (product < 0) != (divisor < 0);
    const qint64 p = product < 0 ? -product : product;
    const qint64 d = divisor < 0 ? -divisor : divisor;
    const qint64 q = (p + d / 2) / d;
    return int(negative ? -q : q);
}

// Truncated toward zero, as plain integer division would be.
constexpr int MulDivTrunc(int a, int b, int c)
{
    if (c == 0)
        return 0;
    return int(qint64(a) * qint64(b) / qint64(c));
}

// Rounded up, toward positive infinity.
constexpr int MulDivCeil(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const qint64 product = qint64(a) * qint64(b);
    const qint64 quotient = product / c;
    const bool above = product % c != 0 && (product < 0) == (c < 0);
    return int(above ? quotient + 1 : quotient);
}
