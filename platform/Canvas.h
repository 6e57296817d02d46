#pragma once
// TCanvas: the drawing surface of our controls, over QPainter. It keeps a
// brush, a pen and a font as plain values that the caller sets before each
// call (Canvas.Brush.Color = ...), and offers the drawing calls that the grid
// library is written against: fills and frames, poly-lines with the
// platform's end-point rule (the last point of a line is not painted), text
// with the draw-text flags, 3-D edges from the palette, the focus rectangle,
// and a clip region that can be saved, narrowed and restored.
//
// A canvas measures text at any time; it draws only between Begin and End
// (a control's paint event binds it to the widget being painted).
//
// Mirrored mapping: a control that lays itself out from the right draws in
// left-to-right (logical) coordinates while the canvas maps every x to
// MirrorWidth - x on the device. A logical rectangle [L, R) covers the device
// pixels [W - R, W - L) and a logical pixel column p the device column
// W - 1 - p, so fills, frames, lines, points and pictures come out as the
// exact mirror image. Text is never mirrored: its box is, and the glyphs are
// drawn upright in it, reading as the draw-text flags say. Clip rectangles
// and visibility tests take logical rectangles too.

#include "platform/Colors.h"
#include "platform/Rect.h"

#include <QFont>
#include <QFontMetrics>
#include <QPalette>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QVector>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;
class QPixmap;

enum TBrushStyle { bsSolid, bsClear };
struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psClear };
struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
};

// A font with its colour, as the class library's font carries both.
class TFont : public QFont {
public:
    TFont() = default;
    TFont(const QFont& font, TColor color = clWindowText) : QFont(font), Color(color) {}
    TFont& operator=(const QFont& font)
    {
        QFont::operator=(font);
        return *this;
    }
    TColor Color = clWindowText;
};

// Text metrics in the platform's terms (pixels).
struct TTextMetric {
    int tmHeight = 0;          // ascent + descent
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0; // room for accents inside tmHeight
    int tmExternalLeading = 0; // extra room between lines
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
};

// Draw-text flags.
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_EDITCONTROL = 0x2000;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_RTLREADING = 0x20000;

// Margins of the extended draw-text call.
struct TDrawTextParams {
    int iTabLength = 8;
    int iLeftMargin = 0;
    int iRightMargin = 0;
    int uiLengthDrawn = 0; // out: characters drawn
};

// Edge kinds and sides of DrawEdge.
constexpr unsigned BDR_RAISEDOUTER = 0x1;
constexpr unsigned BDR_SUNKENOUTER = 0x2;
constexpr unsigned BDR_RAISEDINNER = 0x4;
constexpr unsigned BDR_SUNKENINNER = 0x8;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 0x1;
constexpr unsigned BF_TOP = 0x2;
constexpr unsigned BF_RIGHT = 0x4;
constexpr unsigned BF_BOTTOM = 0x8;
constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_MIDDLE = 0x800;
constexpr unsigned BF_ADJUST = 0x2000;
constexpr unsigned BF_FLAT = 0x4000;
constexpr unsigned BF_MONO = 0x8000;

class TCanvas {
public:
    TCanvas();
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // Binds a painter to device for drawing; clip is the area to be painted
    // (a paint event's region), palette resolves the system colours.
    void Begin(QPaintDevice* device, const QRegion& clip, const QPalette& palette);
    void End();
    bool Painting() const { return FPainter != nullptr; }
    // For drawing that only Qt offers (styles, images); null outside Begin/End.
    QPainter* Painter() const { return FPainter.get(); }
    const QPalette& Palette() const { return FPalette; }
    void SetPalette(const QPalette& palette) { FPalette = palette; }
    QColor QtColor(TColor color) const { return ToQColor(color, FPalette); }

    // The mirrored mapping over a client of the given width; off at Begin.
    void SetMirrored(bool mirrored, int width);
    bool Mirrored() const { return FMirrored; }
    int MirrorWidth() const { return FMirrorWidth; }
    // A logical rectangle in device coordinates (normalised, Left <= Right);
    // the mapping is its own inverse, so this also maps device to logical.
    TRect LPtoDP(const TRect& rect) const;

    TBrush Brush;
    TPen Pen;
    TFont Font;

    // Filling and framing with the brush.
    void FillRect(const TRect& rect);
    void FillRect(const TRect& rect, TColor color);
    void FrameRect(const TRect& rect);
    // Outline with the pen, inside filled with the brush.
    void Rectangle(const TRect& rect);

    // Lines with the pen. The end point of each line is not painted, so lines
    // that meet do not paint their joint twice and a line from x to x + w
    // covers w pixels. Axis-parallel lines with a 1-pixel pen are exact.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    QPoint PenPos() const { return FPenPos; }
    void Polyline(const QVector<QPoint>& points);
    // Pairs of points, each pair one line.
    void PolyPolyline(const QVector<QPoint>& pairs);

    // Text; the font's colour draws it, a solid brush fills behind it.
    void TextOut(int x, int y, const QString& text);
    // Text at (x, y) clipped to rect; a solid brush fills the whole rect.
    void TextRect(const TRect& rect, int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    QSize TextExtent(const QString& text) const;
    TTextMetric TextMetrics() const;
    const QFontMetrics& FontMetrics() const;
    // The platform's DrawText: formats text in rect by the DT_ flags. With
    // DT_CALCRECT nothing is drawn and rect's right and bottom are set to what
    // the text needs. Returns the height of the text.
    int DrawText(const QString& text, TRect& rect, unsigned format);
    int DrawTextEx(const QString& text, TRect& rect, unsigned format, TDrawTextParams* params);

    // The dotted focus rectangle, in the inverse of the brush colour.
    void DrawFocusRect(const TRect& rect);
    // 3-D edges from the palette's light-to-dark colours. With BF_ADJUST, rect
    // is moved inside the drawn edges.
    void DrawEdge(TRect& rect, unsigned edge, unsigned flags);

    void Draw(int x, int y, const QPixmap& pixmap);
    void StretchDraw(const TRect& rect, const QPixmap& pixmap);

    // Clipping. The clip starts as the area given to Begin.
    TRect ClipRect() const;
    const QRegion& ClipRegion() const { return FClip; }
    bool RectVisible(const TRect& rect) const;
    void IntersectClipRect(const TRect& rect);
    void ExcludeClipRect(const TRect& rect);
    void SaveClip();
    void RestoreClip();

private:
    void ApplyTextState();
    void ApplyPen();
    // Pixels given in logical coordinates, one pixel each.
    void DrawPixels(const QVector<QPoint>& pixels, const QColor& color);
    void ApplyUserClip();
    void DrawSegment(const QPoint& from, const QPoint& to);
    QRect TextBounds(const QRect& rect, int flags, const QString& text) const;

    std::unique_ptr<QPainter> FPainter;
    QPalette FPalette;
    QRegion FBaseClip;
    QRegion FClip;
    std::optional<QRegion> FUserClip;
    std::vector<std::optional<QRegion>> FClipStack;
    QPoint FPenPos;
    mutable std::optional<QFontMetrics> FMetrics;
    mutable QFont FMetricsFont;
    QFont FAppliedFont;
    bool FFontApplied = false;
    bool FMirrored = false;
    int FMirrorWidth = 0;
};

// Switches a canvas to the normal (device) mapping for its life and back to
// the mirrored one afterwards; for drawing that must not be mirrored.
class TNormalMapping {
public:
    explicit TNormalMapping(TCanvas& canvas)
        : FCanvas(canvas), FWasMirrored(canvas.Mirrored()), FWidth(canvas.MirrorWidth())
    {
        FCanvas.SetMirrored(false, FWidth);
    }
    ~TNormalMapping() { FCanvas.SetMirrored(FWasMirrored, FWidth); }
    TNormalMapping(const TNormalMapping&) = delete;
    TNormalMapping& operator=(const TNormalMapping&) = delete;

private:
    TCanvas& FCanvas;
    bool FWasMirrored;
    int FWidth;
};

// Saves the canvas' clip on construction and restores it on destruction.
class TClipSaver {
public:
    explicit TClipSaver(TCanvas& canvas) : FCanvas(canvas) { FCanvas.SaveClip(); }
    ~TClipSaver() { FCanvas.RestoreClip(); }
    TClipSaver(const TClipSaver&) = delete;
    TClipSaver& operator=(const TClipSaver&) = delete;

private:
    TCanvas& FCanvas;
};
