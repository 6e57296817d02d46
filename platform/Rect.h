#pragma once
// A rectangle with the class library's semantics: Right and Bottom are
// exclusive, so a cell that starts at x and is w pixels wide has Right = x + w
// and its neighbour starts at that same Right. All grid and drawing code works
// in these rectangles; QRect (whose right() is inclusive) appears only at the
// Qt boundary, through ToQRect and FromQRect.

#include <QPoint>
#include <QRect>

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int left, int top, int right, int bottom) : Left(left), Top(top), Right(right), Bottom(bottom) {}

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    // No pixel inside: a rect whose right is not beyond its left, or whose
    // bottom is not below its top.
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(const QPoint& p) const
    {
        return p.x() >= Left && p.x() < Right && p.y() >= Top && p.y() < Bottom;
    }
    constexpr bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }

    constexpr TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
    constexpr TRect Inflate(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }

    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// The overlap of two rects; the empty rect (0, 0, 0, 0) when they do not overlap.
TRect IntersectRect(const TRect& a, const TRect& b);
// The smallest rect holding both; an empty operand does not count.
TRect UnionRect(const TRect& a, const TRect& b);
bool RectsOverlap(const TRect& a, const TRect& b);
