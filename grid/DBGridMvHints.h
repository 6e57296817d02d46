#pragma once
// Where the text of a cell's tool tip stands, and where the tip window opens
// over it: plain geometry, the same for either reading order.

#include "platform/Rect.h"

#include <QPoint>
#include <QRect>
#include <QSize>

// The room of a cell's text as the cell is laid out on screen: Leading
// pixels go to the parts on the side where the text starts (the tree indent,
// an image), then Trailing pixels to those on the other side (always-shown
// edit buttons, a sort marker), each no more than what is left. Right to
// left the text starts at the cell's right, so the sides swap.
TRect CellTextRectMv(const TRect& Cell, int Leading, int Trailing, bool RightToLeft);

// The top-left corner of a tip window of the given size that covers the text
// at TextRect: its corner at the text's top-left, or right to left its right
// edge at the text's right, so that it grows the way the text reads; moved
// inside the screen's rectangle where it would leave it.
QPoint TipWindowPosMv(const TRect& TextRect, const QSize& Size, bool RightToLeft, const QRect& Screen);
