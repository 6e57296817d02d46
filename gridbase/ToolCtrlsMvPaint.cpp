// Button faces: the painter, its cache of pre-drawn faces, the width rule,
// the check-box rectangle, images and tree lines.

#include "gridbase/ToolCtrlsMv.h"

#include "platform/Control.h"
#include "platform/FrameControls.h"
#include "platform/ImageList.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <cmath>

bool ButtonBitmapCacheEnabled = true;

// ---------------------------------------------------------------- width rule

int RoundHalfEven(qint64 Numerator, qint64 Denominator)
{
    if (Denominator == 0)
        return 0;
    if (Denominator < 0) {
        Numerator = -Numerator;
        Denominator = -Denominator;
    }
    const bool negative = Numerator < 0;
    const qint64 n = negative ? -Numerator : Numerator;
    qint64 q = n / Denominator;
    const qint64 r2 = 2 * (n % Denominator);
    if (r2 > Denominator || (r2 == Denominator && (q & 1)))
        ++q;
    return int(negative ? -q : q);
}

int GetDefaultFlatButtonWidth()
{
    const int textHeight = QFontMetrics(QApplication::font()).height();
    int width = RoundHalfEven(qint64(textHeight) * 2, 3);
    if (width % 2 == 0)
        ++width;
    return std::min(width, GetSystemMetrics(SM_CXVSCROLL));
}

int FlatButtonWidth()
{
    static const int width = GetDefaultFlatButtonWidth();
    return width;
}

int DefaultEditButtonHeight(int Width, bool Flat)
{
    return Flat ? RoundHalfEven(qint64(Width) * 3, 2) : Width;
}

int EditButtonControlWidth(const TEditButtonMv& Button, bool Flat)
{
    if (!Button.Visible())
        return 0;
    if (Button.Width() >= 1)
        return Button.Width();
    return Flat ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
}

int EditButtonHeight(int Width, bool Flat, int AvailableHeight)
{
    if (AvailableHeight > RoundHalfEven(qint64(Width) * 3, 2))
        return DefaultEditButtonHeight(Width, Flat);
    return AvailableHeight;
}

int CheckBoxGlyphWidth()
{
    return QApplication::style()->pixelMetric(QStyle::PM_IndicatorWidth);
}

int CheckBoxGlyphHeight()
{
    return QApplication::style()->pixelMetric(QStyle::PM_IndicatorHeight);
}

// ---------------------------------------------------------------- faces

namespace {

TThemedState ThemedStateOf(bool Enabled, bool Pressed, bool Active)
{
    if (!Enabled)
        return tsDisabled;
    if (Pressed)
        return tsPressed;
    return Active ? tsHot : tsNormal;
}

// The panel behind dots and bars; returns the area inside its edges.
TRect DrawPlainFace(TCanvas& Canvas, const TRect& Rect, bool Pressed, bool Active, bool Flat, bool Enabled)
{
    if (ThemesEnabled()) {
        DrawThemeElement(Canvas, Flat ? teToolButton : tePushButton, ThemedStateOf(Enabled, Pressed, Active), Rect);
        return Flat ? Rect.Inflate(-1, -1) : Rect.Inflate(-2, -2);
    }
    if (Flat) {
        Canvas.FillRect(Rect, clBtnFace);
        return Rect.Inflate(-1, -1);
    }
    TRect edge = Rect;
    Canvas.DrawEdge(edge, Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
    return Rect.Inflate(-2, -2);
}

// Marks in the button-text colour; disabled ones embossed: highlight one
// pixel right and down, shadow on top.
template <class TDraw>
void DrawMarks(bool Enabled, TDraw draw)
{
    if (Enabled) {
        draw(0, clBtnText);
        return;
    }
    draw(1, clBtnHighlight);
    draw(0, clBtnShadow);
}

void DrawEllipsisDots(TCanvas& Canvas, const TRect& Face, bool Pressed, bool Enabled)
{
    const int dot = Face.Width() < 8 ? 1 : 2;
    const int gap = Face.Width() < 12 ? 1 : 2;
    const int shift = Pressed ? 1 : 0;
    const int x = Face.Left + Face.Width() / 2 - dot / 2 + shift;
    const int y = Face.Top + Face.Height() / 2 - dot / 2 + shift;
    DrawMarks(Enabled, [&](int offset, TColor color) {
        for (int i = -1; i <= 1; ++i) {
            const int left = x + i * (gap + dot) + offset;
            Canvas.FillRect(TRect(left, y + offset, left + dot, y + offset + dot), color);
        }
    });
}

void DrawPlusMinus(TCanvas& Canvas, const TRect& Face, bool Plus, bool Pressed, bool Flat, bool Enabled)
{
    const int w = Face.Width();
    const int h = Face.Height();
    const int s = std::min(w, h);
    int l = std::max(s * 4 / 7, 1);
    const int t = std::max(l / 3, 1);
    if (Flat)
        --l;
    if ((l & 1) != (s & 1))
        ++l;
    if (Plus && (l & 1) != (t & 1))
        l += s < 12 ? 1 : -1;
    const int shift = Pressed ? 1 : 0;
    DrawMarks(Enabled, [&](int offset, TColor color) {
        const int hx = Face.Left + (w - l) / 2 + shift + offset;
        const int hy = Face.Top + (h - t) / 2 + shift + offset;
        Canvas.FillRect(Bounds(hx, hy, l, t), color);
        if (Plus) {
            const int vx = Face.Left + (w - t) / 2 + shift + offset;
            const int vy = Face.Top + (h - l) / 2 + shift + offset;
            Canvas.FillRect(Bounds(vx, vy, t, l), color);
        }
    });
}

TRect SquareIn(const TRect& Rect)
{
    TRect r = Rect;
    const int w = r.Width();
    const int h = r.Height();
    if (w > h) {
        const int cut = w - h;
        r.Left += cut / 2;
        r.Right -= cut - cut / 2;
    } else if (h > w) {
        const int cut = h - w;
        r.Top += cut / 2;
        r.Bottom -= cut - cut / 2;
    }
    return r;
}

// A face from the cache, or drawn directly while the cache is off.
void DrawFace(TCanvas& Canvas, TButtonDrawKindMv Kind, const TRect& Rect, bool LowerHalf, bool Pressed, bool Active,
              bool Flat, bool Enabled, int CheckState)
{
    if (Rect.IsEmpty())
        return;
    if (!ButtonBitmapCacheEnabled) {
        if (Kind == bdkCheckBox)
            DrawCheckBoxFace(Canvas, Rect, CheckState, Active, Pressed, Flat, Enabled);
        else
            DrawEditButtonFace(Canvas, Kind, Rect, LowerHalf, Pressed, Active, Flat, Enabled);
        return;
    }
    TButtonBitmapInfoMv key;
    key.Width = Rect.Width();
    key.Height = Rect.Height();
    key.DrawKind = Kind;
    key.Flat = Flat;
    key.Pressed = Pressed;
    key.Active = Active;
    key.Enabled = Enabled;
    key.LowerHalf = Kind == bdkUpDown && LowerHalf;
    key.CheckState = quint8(Kind == bdkCheckBox ? CheckState : 0);
    const QImage& face = ButtonsBitmapCache().GetButtonBitmap(key, Canvas.Palette());
    if (Canvas.Painter() && !face.isNull())
        Canvas.Painter()->drawImage(Rect.Left, Rect.Top, face);
}

} // namespace

void DrawEditButtonFace(TCanvas& Canvas, TButtonDrawKindMv Kind, const TRect& Rect, bool LowerHalf, bool Pressed,
                        bool Active, bool Flat, bool Enabled)
{
    const bool themed = ThemesEnabled();
    TRect r = Rect;
    bool hotFlat = false;
    if (Flat && !themed) {
        // The face's own edge falls outside; a hot one gets ours.
        if (Active) {
            hotFlat = true;
            Canvas.SaveClip();
            Canvas.IntersectClipRect(Rect.Inflate(-1, -1));
            r = Rect.Inflate(1, 1);
        } else {
            r = Rect.Inflate(2, 2);
        }
    }
    const TThemedState state = ThemedStateOf(Enabled, Pressed, Active);
    const unsigned flags = (Pressed ? DFCS_PUSHED : 0) | (Flat ? DFCS_FLAT : 0) | (Enabled ? 0 : DFCS_INACTIVE);
    switch (Kind) {
    case bdkDropDown:
        if (themed)
            DrawThemeElement(Canvas, teComboDropDown, state, r);
        else
            DrawFrameControl(Canvas, r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | flags);
        break;
    case bdkUpDown:
        if (themed)
            DrawThemeElement(Canvas, LowerHalf ? teSpinDown : teSpinUp, state, r);
        else
            DrawFrameControl(Canvas, r, DFC_SCROLL, (LowerHalf ? DFCS_SCROLLDOWN : DFCS_SCROLLUP) | flags);
        break;
    case bdkEllipsis:
        DrawEllipsisDots(Canvas, DrawPlainFace(Canvas, r, Pressed, Active, Flat, Enabled), Pressed, Enabled);
        break;
    case bdkPlus:
    case bdkMinus:
        DrawPlusMinus(Canvas, DrawPlainFace(Canvas, r, Pressed, Active, Flat, Enabled), Kind == bdkPlus, Pressed,
                      Flat, Enabled);
        break;
    case bdkCheckBox:
        break;
    }
    if (hotFlat) {
        Canvas.RestoreClip();
        TRect edge = Rect;
        Canvas.DrawEdge(edge, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
}

void DrawCheckBoxFace(TCanvas& Canvas, const TRect& Rect, int State, bool Active, bool Pressed, bool Flat,
                      bool Enabled)
{
    const TRect box = SquareIn(Rect);
    if (box.IsEmpty())
        return;
    TRect drawn = box;
    if (Flat) {
        Canvas.SaveClip();
        Canvas.IntersectClipRect(box.Inflate(-1, -1));
        drawn = box.Inflate(1, 1);
    }
    if (ThemesEnabled()) {
        DrawThemeElement(Canvas, teCheckBox, Enabled ? tsNormal : tsDisabled, drawn, State);
    } else {
        unsigned flags = DFCS_BUTTONCHECK;
        if (State == 1)
            flags |= DFCS_CHECKED;
        else if (State == 2)
            flags |= DFCS_CHECKED | DFCS_BUTTON3STATE;
        if (!Enabled)
            flags |= DFCS_INACTIVE;
        if (Pressed)
            flags |= DFCS_PUSHED;
        DrawFrameControl(Canvas, drawn, DFC_BUTTON, flags);
    }
    if (Flat) {
        Canvas.RestoreClip();
        Canvas.Brush = TBrush{Active ? clBtnFace : clBtnShadow, bsSolid};
        Canvas.FrameRect(box);
    }
}

void PaintEditButton(TCanvas& Canvas, const TRect& Rect, TColor ParentColor, int CheckState, bool Enabled,
                     bool Active, bool Flat, int DownButton, TButtonDrawKindMv DrawKind)
{
    if (Rect.IsEmpty())
        return;
    if (DrawKind == bdkCheckBox) {
        TRect box = SquareIn(Rect);
        if (Flat)
            box = box.Inflate(-1, -1);
        DrawFace(Canvas, bdkCheckBox, box, false, DownButton != 0, Active, Flat, Enabled, CheckState);
        if (Flat) {
            box = box.Inflate(1, 1);
            if (Active) {
                Canvas.DrawEdge(box, BDR_SUNKENOUTER, BF_RECT);
            } else {
                Canvas.Brush = TBrush{ParentColor, bsSolid};
                Canvas.FrameRect(box);
            }
        }
        return;
    }

    // A flat button that is not hot shows a frame in the colour it stands on.
    const bool frameMode = Flat && !Active && !ThemesEnabled();
    TRect face = Rect;
    bool clipped = false;
    if (frameMode) {
        face = Rect.Inflate(-1, -1);
        if (!ButtonBitmapCacheEnabled) {
            Canvas.SaveClip();
            Canvas.IntersectClipRect(face);
            clipped = true;
        }
    }
    if (DrawKind == bdkUpDown) {
        const int half = Rect.Height() / 2;
        TRect upper(Rect.Left, Rect.Top, Rect.Right, Rect.Top + half);
        TRect lower(Rect.Left, Rect.Bottom - half, Rect.Right, Rect.Bottom);
        if (frameMode) {
            upper = upper.Inflate(-1, -1);
            lower = lower.Inflate(-1, -1);
        }
        DrawFace(Canvas, bdkUpDown, upper, false, DownButton == 1, Active, Flat, Enabled, 0);
        DrawFace(Canvas, bdkUpDown, lower, true, DownButton == 2, Active, Flat, Enabled, 0);
        if (Rect.Height() % 2 == 1 || frameMode) {
            TRect middle(Rect.Left, Rect.Top + half, Rect.Right, Rect.Bottom - half);
            if (frameMode)
                middle = middle.Inflate(0, 1);
            Canvas.FillRect(middle, ParentColor);
        }
    } else {
        DrawFace(Canvas, DrawKind, face, false, DownButton != 0, Active, Flat, Enabled, 0);
    }
    if (clipped)
        Canvas.RestoreClip();
    if (frameMode) {
        Canvas.Brush = TBrush{ParentColor, bsSolid};
        Canvas.FrameRect(Rect);
    }
}

// ---------------------------------------------------------------- the cache

quint64 ButtonColorsKey(const QPalette& Palette)
{
    static constexpr TColor used[] = {clBtnFace,   clBtnShadow, clBtnHighlight, clBtnText,   cl3DDkShadow, cl3DLight,
                                      clWindow,    clWindowText, clGrayText,     clHighlight, clWindowFrame};
    quint64 hash = 14695981039346656037ull;
    for (TColor color : used) {
        hash ^= ToQColor(color, Palette).rgba();
        hash *= 1099511628211ull;
    }
    return hash;
}

const QImage& TButtonsBitmapCache::GetButtonBitmap(TButtonBitmapInfoMv Key, const QPalette& Palette)
{
    Key.Width = std::max(Key.Width, 0);
    Key.Height = std::max(Key.Height, 0);
    Key.Themed = ThemesEnabled();
    Key.Colors = ButtonColorsKey(Palette);
    for (const auto& item : FItems)
        if (item->Key == Key)
            return item->Bitmap;

    auto item = std::make_unique<TButtonBitmapInfoBitmapMv>();
    item->Key = Key;
    if (Key.Width > 0 && Key.Height > 0) {
        item->Bitmap = QImage(Key.Width, Key.Height, QImage::Format_ARGB32_Premultiplied);
        item->Bitmap.fill(Qt::transparent);
        TCanvas canvas;
        canvas.Begin(&item->Bitmap, QRegion(0, 0, Key.Width, Key.Height), Palette);
        const TRect rect(0, 0, Key.Width, Key.Height);
        if (Key.DrawKind == bdkCheckBox)
            DrawCheckBoxFace(canvas, rect, Key.CheckState, Key.Active, Key.Pressed, Key.Flat, Key.Enabled);
        else if (Key.DrawKind <= bdkMinus)
            DrawEditButtonFace(canvas, Key.DrawKind, rect, Key.LowerHalf, Key.Pressed, Key.Active, Key.Flat,
                               Key.Enabled);
        canvas.End();
    }
    FItems.push_back(std::move(item));
    return FItems.back()->Bitmap;
}

TButtonsBitmapCache& ButtonsBitmapCache()
{
    // Images need no running application, so the cache may outlive it.
    static TButtonsBitmapCache cache;
    return cache;
}

void ClearButtonsBitmapCache()
{
    ButtonsBitmapCache().Clear();
}

// ---------------------------------------------------------------- helpers

TRect AdjustCheckBoxRect(const TRect& ClientRect, TAlignment Alignment, TTextLayout Layout)
{
    const int w = std::min(ClientRect.Width(), CheckBoxGlyphWidth());
    const int h = std::min(ClientRect.Height(), CheckBoxGlyphHeight());
    int left = ClientRect.Left;
    int top = ClientRect.Top;
    if (ClientRect.Width() > w) {
        if (Alignment == taRightJustify)
            left = ClientRect.Right - w;
        else if (Alignment == taCenter)
            left = ClientRect.Left + ClientRect.Width() / 2 - w / 2;
    }
    if (ClientRect.Height() > h) {
        if (Layout == tlCenter)
            top = ClientRect.Top + ClientRect.Height() / 2 - h / 2;
        else if (Layout == tlBottom)
            top = ClientRect.Bottom - h;
    }
    return Bounds(left, top, std::max(w, 0), std::max(h, 0));
}

void DrawClippedImage(TCanvas& Canvas, const TRect& Rect, const TImageList* Images, int ImageIndex, bool Selected)
{
    if (!Images || !Canvas.Painter())
        return;
    QPixmap image = Images->Pixmap(ImageIndex);
    if (image.isNull())
        return;
    if (Selected) {
        // Half of the highlight colour over the image's own pixels.
        QPainter blend(&image);
        blend.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        QColor highlight = Canvas.QtColor(clHighlight);
        highlight.setAlpha(128);
        blend.fillRect(image.rect(), highlight);
    }
    const int x = (Rect.Left + Rect.Right - Images->Width()) / 2;
    const int y = (Rect.Top + Rect.Bottom - Images->Height()) / 2;
    const TRect placed = Bounds(x, y, Images->Width(), Images->Height());
    const bool inside = placed.Left >= Rect.Left && placed.Top >= Rect.Top && placed.Right <= Rect.Right &&
                        placed.Bottom <= Rect.Bottom;
    if (!inside) {
        Canvas.SaveClip();
        Canvas.IntersectClipRect(Rect);
    }
    Canvas.Painter()->drawPixmap(x, y, image);
    if (!inside)
        Canvas.RestoreClip();
}

namespace {

// Dots every two pen widths from 'from' toward 'to' (exclusive), on the
// pixels whose parity matches, so that dotted lines of neighbouring rows
// line up.
void DottedLine(TCanvas& Canvas, QPoint from, QPoint to, int pen, bool dotParity, TColor color)
{
    const bool horizontal = from.y() == to.y();
    const int length = horizontal ? std::abs(to.x() - from.x()) : std::abs(to.y() - from.y());
    const int step = horizontal ? (to.x() >= from.x() ? 1 : -1) : (to.y() >= from.y() ? 1 : -1);
    int start = 0;
    if ((((from.x() + from.y()) & 1) != 0) != dotParity)
        start = 1;
    for (int i = start; i < length; i += 2 * pen) {
        const QPoint p = horizontal ? QPoint(from.x() + step * i, from.y()) : QPoint(from.x(), from.y() + step * i);
        Canvas.FillRect(Bounds(p.x(), p.y(), pen, pen), color);
    }
}

int Scaled(double value)
{
    return int(std::lround(value));
}

} // namespace

void DrawTreeElement(TCanvas& Canvas, const TRect& Rect, int Kind, bool RightToLeft, double ScaleX, double ScaleY,
                     bool DotParity)
{
    if (Kind < 0 || Kind > 9 || Rect.IsEmpty())
        return;
    // A right-to-left grid paints through the canvas' mirrored mapping,
    // which turns the element round exactly; only on a plain canvas is it
    // drawn turned round here.
    if (Canvas.Mirrored())
        RightToLeft = false;
    const int cx = (Rect.Left + Rect.Right) / 2;
    const int cy = (Rect.Top + Rect.Bottom) / 2;
    const int pen = std::max(1, Scaled(std::min(ScaleX, ScaleY)));
    const TColor line = clBtnShadow;
    // The horizontal connector runs from a start point to the far edge on
    // the side the tree grows to.
    const auto connector = [&](int fromX) {
        if (RightToLeft)
            DottedLine(Canvas, QPoint(fromX, cy), QPoint(Rect.Left - 1, cy), pen, DotParity, line);
        else
            DottedLine(Canvas, QPoint(fromX, cy), QPoint(Rect.Right, cy), pen, DotParity, line);
    };

    if (Kind >= 6) {
        if (Kind == 6 || Kind == 9)
            DottedLine(Canvas, QPoint(cx, Rect.Top), QPoint(cx, Rect.Bottom), pen, DotParity, line);
        else if (Kind == 7)
            DottedLine(Canvas, QPoint(cx, Rect.Top), QPoint(cx, cy), pen, DotParity, line);
        else
            DottedLine(Canvas, QPoint(cx, cy), QPoint(cx, Rect.Bottom), pen, DotParity, line);
        if (Kind != 9)
            connector(cx);
        return;
    }

    const int bl = cx - Scaled(4 * ScaleX);
    const int br = cx + Scaled(4 * ScaleX) + 1;
    const int bt = cy - Scaled(4 * ScaleY);
    const int bb = cy + Scaled(4 * ScaleY) + 1;
    if (Kind == 0 || Kind == 1 || Kind == 3 || Kind == 4)
        DottedLine(Canvas, QPoint(cx, Rect.Top), QPoint(cx, bt), pen, DotParity, line);
    if (Kind == 0 || Kind == 2 || Kind == 3 || Kind == 5)
        DottedLine(Canvas, QPoint(cx, bb), QPoint(cx, Rect.Bottom), pen, DotParity, line);
    connector(RightToLeft ? bl - 1 : br);

    const TRect box(bl, bt, br, bb);
    Canvas.FillRect(box, clWindow);
    Canvas.Brush = TBrush{line, bsSolid};
    Canvas.FrameRect(RightToLeft ? box.Offset(-1, 0) : box);
    const int barLeft = bl + Scaled(2 * ScaleX);
    const int barRight = br - Scaled(2 * ScaleX);
    const int thick = std::max(1, Scaled(ScaleY));
    Canvas.FillRect(TRect(barLeft, cy, barRight, cy + thick), clWindowText);
    if (Kind >= 3) {
        const int barTop = bt + Scaled(2 * ScaleY);
        const int barBottom = bb - Scaled(2 * ScaleY);
        Canvas.FillRect(TRect(cx, barTop, cx + std::max(1, Scaled(ScaleX)), barBottom), clWindowText);
    }
}

bool IsDoubleClickMessage(const QPoint& Point1, const QPoint& Point2, qint64 Interval)
{
    return Interval <= GetDoubleClickTime() && std::abs(Point1.x() - Point2.x()) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
           std::abs(Point1.y() - Point2.y()) <= GetSystemMetrics(SM_CYDOUBLECLK);
}
