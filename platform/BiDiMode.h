#pragma once
// Reading order of a control. A control lays itself out from the right (its
// first column at the right edge, its buttons at the left) only when the
// system reads right to left and the control asks for bdRightToLeft; it
// reads its text right to left under such a system for every mode but
// bdLeftToRight. The application's layout direction stands in for the
// system's locale.

#include <QGuiApplication>

enum TBiDiMode : quint8 { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

inline bool SysLocaleRightToLeft()
{
    return QGuiApplication::isRightToLeft();
}

inline bool UseRightToLeftAlignmentFor(TBiDiMode Mode)
{
    return SysLocaleRightToLeft() && Mode == bdRightToLeft;
}

inline bool UseRightToLeftReadingFor(TBiDiMode Mode)
{
    return SysLocaleRightToLeft() && Mode != bdLeftToRight;
}
