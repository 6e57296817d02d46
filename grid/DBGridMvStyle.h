#pragma once
// The process-wide style of the dataset grids (which cells are drawn
// highlighted, in which colours), the grid unit's small routines, the text
// writers of the cells, and the glyphs, fonts and drawing bitmap that every
// grid shares.

#include "grid/DBGridMvFilter.h"
#include "grid/DBGridMvTypes.h"
#include "gridbase/GridsMv.h"
#include "gridbase/ToolCtrlsMv.h"
#include "platform/ImageList.h"
#include "platform/db/DbTypes.h"

#include <QFont>
#include <QImage>
#include <QObject>
#include <QString>
#include <vector>

class TCustomDBGridMv;
class TColumnMv;
class TColumnFooterMv;
class TField;

// ================================================================ style

// The one process-wide decision on highlighted and selected cells, shared by
// every dataset grid.
class TDBGridMvStyle : public QObject {
    Q_OBJECT

public:
    TDBGridMvStyle();
    ~TDBGridMvStyle() override;

    void AddGrid(TCustomDBGridMv* Grid);
    void RemoveGrid(TCustomDBGridMv* Grid);
    bool HasGrid(const TCustomDBGridMv* Grid) const;
    int GridCount() const { return int(FGrids.size()); }
    bool LuminateSelection() const { return FLuminateSelection; }
    void SetLuminateSelection(bool Value) { FLuminateSelection = Value; }
    // -1 on displays with more than 256 colours.
    int ScreenNumColors() const { return FScreenNumColors; }
    bool IsTrueColor() const { return FScreenNumColors == -1 || FScreenNumColors > 256; }
    // While it is set, the focused cell of a focused grid gets a focus frame.
    bool DrawFocusFrame() const { return FDrawFocusFrame; }
    void SetDrawFocusFrame(bool Value) { FDrawFocusFrame = Value; }
    // When the filter row applies by itself on closing its drop-down.
    TSTFilterApplyFlagsMv FilterApplyFlags() const { return FFilterApplyFlags; }
    void SetFilterApplyFlags(TSTFilterApplyFlagsMv Value) { FFilterApplyFlags = Value; }

    virtual bool HighlightDataCellColor(TCustomDBGridMv* Grid, int ACol, int DataCol, int ARow, int DataRow,
                                        TGridDrawState State, TFont& AFont, TColor& Background);
    virtual bool HighlightCellColor(TCustomDBGridMv* Grid, TFont& AFont, TColor& Background, bool Selected,
                                    const TCellAreaMv& Area);
    virtual void UpdateScreenColors();

protected:
    void SetScreenNumColors(int Value) { FScreenNumColors = Value; }

private:
    std::vector<TCustomDBGridMv*> FGrids;
    bool FLuminateSelection = true;
    int FScreenNumColors = -1;
    bool FDrawFocusFrame = true;
    TSTFilterApplyFlagsMv FFilterApplyFlags;
};

// The instance every new grid registers with; null once it is being destroyed.
TDBGridMvStyle* DBGridMvDefaultStyle();

// Half-way between a colour and the highlight, lifted toward light gray, and
// darkened a little with Darker.
TColor Blend(TColor Color, TColor Highlight, bool Darker);

// ================================================================ unit routines

int GetFieldValueAsInteger(const TField* Field, int Default);
// Field kinds of numbers (the calculator, footers) and of dates (the calendar).
bool IsNumericType(TFieldType type);
// The numbers but large integers (ids): the kinds that step by a value and
// that a stored layout shows with the plain "#" format.
bool IsStepNumericType(TFieldType type);
bool IsDateTimeType(TFieldType type);
// A footer's sum of a field, and a count, as the footer shows them.
QString FormatFooterSum(const TColumnFooterMv& Footer, const TField& Field, double Value);
// A sum of a field by the field's kind, with Format (none: the kind's own).
QString FormatFieldSum(const QString& Format, const TField& Field, double Value);
QString FormatFooterCount(const TColumnFooterMv& Footer, double Count);
bool FieldsCanModify(const std::vector<TField*>& List);
[[noreturn]] void RaiseGridError(const QString& Message);
// Removes one pending private message of the control (a deferred relayout).
void KillMessage(TCustomControl* Wnd, int Msg);
void InvalidateRowCells(TCustomGridMv* Grid, int Row);
void SwapRectSize(TRect& Rect);
// The width by which right-aligned and centred text is placed: the advance,
// or for a bold or italic face its ink's extent when that is wider.
int PlacedTextWidth(TCanvas& Canvas, const QString& Text);
bool TextOverflows(TCanvas& Canvas, const QString& Text, const TRect& Rect, int RightMargin, bool WordWrap,
                   int BottomMargin, unsigned Flags, int& Width, int& Height);
int TextHeight(TCanvas& Canvas, const QString& Text);
// The stored form of a font (its description and colour) and back.
QString FontToStoredText(const TFont& Font);
TFont FontFromStoredText(const QString& Text);
// Right-to-left mapping of the whole canvas (Width wide), or back to normal.
void MirrorCanvas(TCanvas& Canvas, bool RightToLeft, int Width, int Height);

// ---- text writers of the cells
void WriteTextMv(TCanvas& Canvas, const TRect& Rect, bool FillRect, int DX, int DY, const QString& Text,
                 TAlignment Alignment, TTextLayout Layout, bool WordWrap, bool EndEllipsis, int LeftMargin,
                 int RightMargin, bool RightToLeft);
void DrawTextMv(TCanvas& Canvas, const QString& Text, const TRect& Rect, int DX, int DY, TAlignment Alignment,
                TTextLayout Layout, bool WordWrap, bool EndEllipsis, int LeftMargin, int RightMargin,
                bool RightToLeft);
QString ShortenTextMv(TCanvas& Canvas, const QString& Text, int MaxWidth);
// A number too wide for its text rectangle (DX in from its side) would be cut
// and read as another number: it shows as a row of '#' as wide as fits.
QString FitNumberTextMv(TCanvas& Canvas, const QString& Text, const TRect& Rect, int DX);
// Whether a column's cells, or a footer, show numbers.
bool ShowsNumbersMv(const TColumnMv& Column);
bool ShowsNumbersMv(const TColumnFooterMv& Footer);
// Text turned to read from bottom to top (the painter turns; the font stays).
void WriteTextVerticalMv(TCanvas& Canvas, const TRect& Rect, bool FillRect, int DX, int DY, const QString& Text,
                         TAlignment Alignment, TTextLayout Layout, bool EndEllipsis);
// An image of the list placed in Rect by the alignment (centred vertically),
// clipped to Rect.
void DrawAlignedImage(TCanvas& Canvas, const TImageList* Images, TAlignment Alignment, int DX, int ImageIndex,
                      const TRect& Rect, bool Selected = false);

// ---- shared glyphs and fonts
// The indicator glyphs: 0 arrow, 1 edit, 2 insert, 3 multi-dot, 4 multi-arrow,
// 5 arrow on a selected row, 6 arrow during an incremental search.
const TImageList& DBGridMvIndicators();
// The sort markers: 0 down, 1 up.
const TImageList& DBGridMvSortMarkers();
// The font of sort-marker numbers.
QFont DBGridMvSortMarkerFont();
extern TColor DBGridMvIncSearchColor;
extern TColor DBGridMvIncSearchFontColor;

// The drawing bitmap shared by every grid of the process: made by the first
// grid, freed with the last one.
class TDBGridMvSharedBitmap {
public:
    static QImage& Acquire();
    static void Release();
    static bool Exists();
    static int GridCount();
};
