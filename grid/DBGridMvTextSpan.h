#pragma once
// Where the first characters of a cell text stand once WriteTextMv has
// written it: the incremental search marks the typed part of the text in
// place, whatever the cell's alignment, layout and word wrap.

#include "grid/DBGridMvTypes.h"
#include "platform/Canvas.h"

#include <vector>

// The rectangles (one per line the part runs over) that the first Count
// characters of Text take when WriteTextMv(Canvas, Rect, ..., DX, DY, Text,
// Alignment, Layout, WordWrap, EndEllipsis, 0, 0, false) writes it in the
// canvas' font; on a single line the band runs the rectangle's height.
// Empty when nothing of them shows.
std::vector<TRect> WrittenTextPartRects(TCanvas& Canvas, const TRect& Rect, int DX, int DY, const QString& Text,
                                        int Count, TAlignment Alignment, TTextLayout Layout, bool WordWrap,
                                        bool EndEllipsis);
