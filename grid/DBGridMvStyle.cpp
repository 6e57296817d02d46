// The process-wide style of the dataset grids (which cells are drawn
// highlighted, in which colours), the grid unit's small routines and text
// writers, the shared glyphs, the data service and the scroll-bar settings.

#include "grid/DBGridMv.h"
#include "platform/db/FieldKinds.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTransform>
#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- style instance

namespace {

std::unique_ptr<TDBGridMvStyle>& StyleInstance()
{
    static std::unique_ptr<TDBGridMvStyle> instance;
    return instance;
}

bool StyleGone = false;

void DestroyDefaultStyle()
{
    StyleGone = true;
    StyleInstance().reset();
}

} // namespace

TDBGridMvStyle* DBGridMvDefaultStyle()
{
    if (StyleGone)
        return nullptr;
    auto& instance = StyleInstance();
    if (!instance && QCoreApplication::instance()) {
        instance = std::make_unique<TDBGridMvStyle>();
        qAddPostRoutine(DestroyDefaultStyle);
    }
    return instance.get();
}

TDBGridMvStyle::TDBGridMvStyle()
{
    UpdateScreenColors();
    // A change of the display is the moment the colour depth can change.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::primaryScreenChanged, this, [this] { UpdateScreenColors(); });
}

TDBGridMvStyle::~TDBGridMvStyle()
{
    if (StyleInstance().get() == this)
        StyleGone = true;
    const std::vector<TCustomDBGridMv*> grids = FGrids;
    for (auto it = grids.rbegin(); it != grids.rend(); ++it)
        (*it)->SetStyle(nullptr);
    FGrids.clear();
}

void TDBGridMvStyle::AddGrid(TCustomDBGridMv* Grid)
{
    if (!HasGrid(Grid))
        FGrids.push_back(Grid);
}

void TDBGridMvStyle::RemoveGrid(TCustomDBGridMv* Grid)
{
    std::erase(FGrids, Grid);
}

bool TDBGridMvStyle::HasGrid(const TCustomDBGridMv* Grid) const
{
    return std::find(FGrids.begin(), FGrids.end(), Grid) != FGrids.end();
}

void TDBGridMvStyle::UpdateScreenColors()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = screen ? screen->depth() : 32;
    FScreenNumColors = depth > 8 ? -1 : (1 << depth);
}

TColor Blend(TColor Color, TColor Highlight, bool Darker)
{
    const TColor c = ColorToRGB(Color);
    const TColor h = ColorToRGB(Highlight);
    auto channel = [Darker](int cv, int hv) {
        const double m = cv + (hv - cv) * 0.5;
        double v = m + (225 - m) * 0.6;
        if (Darker)
            v = v - (122 - v) * 0.25;
        return std::clamp(int(std::lround(v)), 0, 255);
    };
    return RGBColor(channel(GetRValue(c), GetRValue(h)), channel(GetGValue(c), GetGValue(h)),
                    channel(GetBValue(c), GetBValue(h)));
}

bool TDBGridMvStyle::HighlightDataCellColor(TCustomDBGridMv* Grid, int ACol, int DataCol, int ARow, int,
                                            TGridDrawState State, TFont& AFont, TColor& Background)
{
    bool selected = false;
    const TDBGridMvSelection& selection = Grid->Selection();
    if (Grid->DataLink()->Active() && selection.SelectionType() != gstNon)
        selected = selection.DataCellSelected(DataCol, Grid->DataSet()->Bookmark());
    const TDBGridOptions options = Grid->Options();
    const bool hasFocus = Grid->GridHasFocus();
    const bool currentRow = ARow == Grid->Row();
    bool focusHighlight = false;
    if (!selected) {
        focusHighlight = hasFocus && Grid->OptionsMv().testFlag(dghHighlightFocus);
        if (Grid->OptionsMv().testFlag(dghRowHighlight) && currentRow && selection.SelectionType() == gstNon &&
            ACol != Grid->Col()) {
            focusHighlight = true;
            State |= gdSelected;
        }
        TInplaceEdit* editor = Grid->InplaceEditor();
        const bool editorActive = Grid->EditorMode() && editor && editor->Visible();
        selected = (State.testFlag(gdSelected) || (currentRow && options.testFlag(dgRowSelect))) &&
                   (options.testFlag(dgAlwaysShowSelection) || focusHighlight) &&
                   (!editorActive || options.testFlag(dgRowSelect));
    }
    if (!selected)
        return false;
    const bool currentCell = currentRow && (ACol == Grid->Col() || options.testFlag(dgRowSelect));
    if (hasFocus) {
        if (FLuminateSelection && IsTrueColor() && !currentCell) {
            Background = Blend(Background, clHighlight, true);
        } else {
            Background = clHighlight;
            AFont.Color = clHighlightText;
        }
    } else if (currentCell && (options.testFlag(dgAlwaysShowSelection) || focusHighlight)) {
        Background = clBtnShadow;
        AFont.Color = clHighlightText;
    } else if (IsTrueColor()) {
        Background = Blend(Background, clBtnShadow, false);
    } else {
        Background = clBtnFace;
    }
    return true;
}

bool TDBGridMvStyle::HighlightCellColor(TCustomDBGridMv* Grid, TFont& AFont, TColor& Background, bool Selected,
                                        const TCellAreaMv& Area)
{
    if (!Selected)
        return false;
    if (Area.HorzType == 0 || (Area.HorzType == 1 && Area.VertType < 2)) {
        Background = RGBColor(64, 64, 64);
        AFont.Color = clWhite;
        return true;
    }
    if (!Grid->GridHasFocus()) {
        Background = IsTrueColor() ? Blend(Background, clBtnShadow, false) : clBtnFace;
    } else if (FLuminateSelection && IsTrueColor()) {
        Background = Blend(Background, clHighlight, true);
    } else {
        Background = clHighlight;
        AFont.Color = clHighlightText;
    }
    return true;
}

// ---------------------------------------------------------------- unit routines

int GetFieldValueAsInteger(const TField* Field, int Default)
{
    if (!Field)
        return Default;
    // Large integers, floats and currency are read by their value, which is
    // 0 for a Null; the smaller integers and the BCD kinds need a value.
    double value = 0;
    switch (Field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        if (Field->IsNull())
            return Default;
        value = double(Field->AsLargeInt());
        break;
    case ftLargeint: value = double(Field->AsLargeInt()); break;
    case ftFloat:
    case ftCurrency: value = std::nearbyint(Field->AsFloat()); break;
    case ftBCD:
    case ftFMTBcd:
        if (Field->IsNull())
            return Default;
        value = std::nearbyint(Field->AsFloat());
        break;
    default: return Default;
    }
    if (value < -2147483648.0 || value > 2147483647.0)
        return Default;
    return int(value);
}

bool FieldsCanModify(const std::vector<TField*>& List)
{
    return std::all_of(List.begin(), List.end(), [](const TField* field) { return field && field->CanModify(); });
}

void RaiseGridError(const QString& Message)
{
    throw EInvalidGridOperationMv(Message);
}

void KillMessage(TCustomControl* Wnd, int Msg)
{
    if (Wnd)
        Wnd->RemovePrivateMessage(Msg);
}

void InvalidateRowCells(TCustomGridMv* Grid, int Row)
{
    if (Grid && Row >= 0 && Row < Grid->FullRowCount())
        Grid->InvalidateRow(Row);
}

void SwapRectSize(TRect& Rect)
{
    const int width = Rect.Width();
    const int height = Rect.Height();
    Rect.Right = Rect.Left + height;
    Rect.Bottom = Rect.Top + width;
}

bool TextOverflows(TCanvas& Canvas, const QString& Text, const TRect& Rect, int RightMargin, bool WordWrap,
                   int BottomMargin, unsigned Flags, int& Width, int& Height)
{
    TRect measure(0, 0, std::max(1, Rect.Width() - 2 - RightMargin), 0);
    unsigned flags = Flags | DT_CALCRECT | DT_NOPREFIX;
    if (WordWrap)
        flags |= DT_WORDBREAK;
    Canvas.DrawText(Text, measure, flags);
    Width = measure.Width();
    Height = measure.Height();
    return Width > Rect.Width() - 2 - RightMargin || Height > Rect.Height() - BottomMargin + 1;
}

int TextHeight(TCanvas& Canvas, const QString& Text)
{
    TRect measure(0, 0, 1, 0);
    Canvas.DrawText(Text, measure, DT_CALCRECT | DT_NOPREFIX);
    return measure.Height();
}

void MirrorCanvas(TCanvas& Canvas, bool RightToLeft, int Width, int)
{
    Canvas.SetMirrored(RightToLeft, Width);
}

// ---------------------------------------------------------------- text writers

QString ShortenTextMv(TCanvas& Canvas, const QString& Text, int MaxWidth)
{
    if (Canvas.TextWidth(Text) <= MaxWidth)
        return Text;
    for (qsizetype n = Text.size() - 1; n > 0; --n) {
        const QString shortened = Text.left(n) + QStringLiteral("...");
        if (Canvas.TextWidth(shortened) <= MaxWidth)
            return shortened;
    }
    return QStringLiteral("...");
}

QString FitNumberTextMv(TCanvas& Canvas, const QString& Text, const TRect& Rect, int DX)
{
    // The room that right-aligned text keeps: in from the left by DX, 3
    // pixels from the right.
    const int room = Rect.Width() - DX - 3;
    if (PlacedTextWidth(Canvas, Text) <= room)
        return Text;
    const int hash = std::max(1, Canvas.TextWidth(QStringLiteral("#")));
    return QString(std::max(1, room / hash), u'#');
}

bool ShowsNumbersMv(const TColumnMv& Column)
{
    return Column.GetColumnType() == ctCommon && dynamic_cast<const TNumericField*>(Column.Field());
}

bool ShowsNumbersMv(const TColumnFooterMv& Footer)
{
    const TFooterValueType type = Footer.ValueType();
    return type == fvtSum || type == fvtAvg || type == fvtCount;
}

void DrawTextMv(TCanvas& Canvas, const QString& Text, const TRect& Rect, int DX, int DY, TAlignment Alignment,
                TTextLayout Layout, bool WordWrap, bool EndEllipsis, int LeftMargin, int RightMargin,
                bool RightToLeft)
{
    unsigned flags = DT_NOPREFIX | DT_EXPANDTABS;
    if (WordWrap)
        flags |= DT_WORDBREAK;
    if (EndEllipsis)
        flags |= DT_END_ELLIPSIS;
    if (Alignment == taRightJustify)
        flags |= DT_RIGHT;
    else if (Alignment == taCenter)
        flags |= DT_CENTER;
    if (RightToLeft)
        flags |= DT_RTLREADING;
    TDrawTextParams params;
    params.iLeftMargin = LeftMargin;
    params.iRightMargin = RightMargin;
    TRect rect = Rect.Inflate(-DX, -DY);
    if (Layout != tlTop) {
        TRect measure = rect;
        Canvas.DrawTextEx(Text, measure, flags | DT_CALCRECT, &params);
        const int height = measure.Height();
        if (Layout == tlCenter)
            rect.Top += std::max(0, (rect.Height() - height) / 2);
        else
            rect.Top = std::max(rect.Top, rect.Bottom - height);
    }
    if (DX > 0)
        ++rect.Bottom;
    Canvas.DrawTextEx(Text, rect, flags, &params);
}

int PlacedTextWidth(TCanvas& Canvas, const QString& Text)
{
    const int advance = Canvas.TextWidth(Text);
    if (!Canvas.Font.bold() && !Canvas.Font.italic())
        return advance;
    // A heavy or slanted face reaches past its advance: right-aligned and
    // centred text are placed by the ink's extent, so its last glyph stays
    // inside the cell.
    const QRect ink = Canvas.FontMetrics().boundingRect(Text);
    return std::max(advance, ink.right() + 1);
}

void WriteTextMv(TCanvas& Canvas, const TRect& Rect, bool FillRect, int DX, int DY, const QString& Text,
                 TAlignment Alignment, TTextLayout Layout, bool WordWrap, bool EndEllipsis, int LeftMargin,
                 int RightMargin, bool RightToLeft)
{
    const TBrushStyle savedStyle = Canvas.Brush.Style;
    if (WordWrap) {
        if (FillRect) {
            Canvas.Brush.Style = bsSolid;
            Canvas.FillRect(Rect);
        }
        Canvas.Brush.Style = bsClear;
        DrawTextMv(Canvas, Text, Rect, DX, DY, Alignment, Layout, true, EndEllipsis, LeftMargin, RightMargin,
                   RightToLeft);
        Canvas.Brush.Style = savedStyle;
        return;
    }
    const QString text = EndEllipsis ? ShortenTextMv(Canvas, Text, Rect.Width() - DX) : Text;
    const int textWidth = Alignment == taLeftJustify ? Canvas.TextWidth(text) : PlacedTextWidth(Canvas, text);
    int x = Rect.Left + DX + LeftMargin;
    if (Alignment == taRightJustify)
        x = Rect.Right - textWidth - 3 - RightMargin;
    else if (Alignment == taCenter)
        x = Rect.Width() > 0 ? Rect.Left + Rect.Width() / 2 - textWidth / 2 : 0;
    int y = Rect.Top + DY;
    const int textHeight = Canvas.TextHeight(text);
    if (textHeight < Rect.Height() - DY) {
        if (Layout == tlCenter)
            y = (Rect.Top + Rect.Bottom - textHeight) / 2;
        else if (Layout == tlBottom)
            y = Rect.Bottom - textHeight;
    }
    Canvas.Brush.Style = FillRect ? bsSolid : bsClear;
    Canvas.TextRect(Rect, x, y, text);
    Canvas.Brush.Style = savedStyle;
}

void WriteTextVerticalMv(TCanvas& Canvas, const TRect& Logical, bool FillRect, int DX, int DY, const QString& Text,
                         TAlignment Alignment, TTextLayout Layout, bool EndEllipsis)
{
    // Turned text is written on the device rectangle: never mirrored.
    const TRect Rect = Canvas.LPtoDP(Logical);
    const TNormalMapping normal(Canvas);
    QPainter* painter = Canvas.Painter();
    if (FillRect) {
        Canvas.Brush.Style = bsSolid;
        Canvas.FillRect(Rect);
    }
    if (!painter || Text.isEmpty())
        return;
    // Text reads from bottom to top; the cell's height is the line's length.
    const int length = Rect.Height() - 2 * DY;
    const QString text = EndEllipsis ? ShortenTextMv(Canvas, Text, length) : Text;
    const int textWidth = Canvas.TextWidth(text);
    const int textHeight = Canvas.TextHeight(text);
    int along = DY;
    if (Alignment == taRightJustify)
        along = Rect.Height() - DY - textWidth;
    else if (Alignment == taCenter)
        along = (Rect.Height() - textWidth) / 2;
    int across = DX;
    if (Layout == tlCenter)
        across = (Rect.Width() - textHeight) / 2;
    else if (Layout == tlBottom)
        across = Rect.Width() - textHeight - DX;
    painter->save();
    painter->setClipRect(Rect.ToQRect(), Qt::IntersectClip);
    painter->translate(Rect.Left + across, Rect.Bottom - along);
    painter->rotate(-90);
    painter->setFont(Canvas.Font);
    painter->setPen(Canvas.QtColor(Canvas.Font.Color));
    painter->drawText(QRect(0, 0, std::max(0, textWidth), textHeight), Qt::AlignLeft | Qt::AlignTop, text);
    painter->restore();
}

void DrawAlignedImage(TCanvas& Canvas, const TImageList* Images, TAlignment Alignment, int DX, int ImageIndex,
                      const TRect& Rect, bool Selected)
{
    if (!Images || ImageIndex < 0 || Rect.IsEmpty())
        return;
    const int width = Images->Width();
    int x = Rect.Left + DX;
    if (Alignment == taRightJustify)
        x = Rect.Right - width;
    else if (Alignment == taCenter)
        x = (Rect.Left + Rect.Right - width) / 2;
    TClipSaver clip(Canvas);
    Canvas.IntersectClipRect(Rect);
    DrawClippedImage(Canvas, TRect(x, Rect.Top, x + width, Rect.Bottom), Images, ImageIndex, Selected);
}

// ---------------------------------------------------------------- glyphs

TColor DBGridMvIncSearchColor = clYellow;
TColor DBGridMvIncSearchFontColor = clBlack;

namespace {

constexpr int IndicatorWidth = 8;
constexpr int IndicatorHeight = 11;
constexpr int MarkerWidth = 12;
constexpr int MarkerHeight = 12;

void DrawArrow(QPainter& p, int left, const QColor& fill, const QColor& edge)
{
    const QPolygon arrow({QPoint(left + 2, 1), QPoint(left + 6, 5), QPoint(left + 2, 9)});
    p.setPen(edge);
    p.setBrush(fill);
    p.drawPolygon(arrow);
}

QImage IndicatorStrip()
{
    QImage strip(IndicatorWidth * 7, IndicatorHeight, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor black(Qt::black);
    // 0 the current record.
    DrawArrow(p, 0, black, black);
    // 1 edit: a pencil from bottom left to top right.
    {
        const int l = IndicatorWidth;
        p.setPen(black);
        p.setBrush(Qt::NoBrush);
        p.drawLine(l + 1, 9, l + 6, 4);
        p.drawLine(l + 2, 9, l + 7, 4);
        p.drawLine(l + 6, 3, l + 7, 3);
        p.drawPoint(l + 1, 10);
    }
    // 2 insert: an asterisk.
    {
        const int l = IndicatorWidth * 2;
        p.setPen(black);
        p.drawLine(l + 4, 2, l + 4, 8);
        p.drawLine(l + 1, 5, l + 7, 5);
        p.drawLine(l + 2, 3, l + 6, 7);
        p.drawLine(l + 2, 7, l + 6, 3);
    }
    // 3 a selected row: a dot; 4 the current selected row: arrow and dot.
    p.setBrush(black);
    p.setPen(black);
    p.drawEllipse(QRect(IndicatorWidth * 3 + 2, 3, 4, 4));
    DrawArrow(p, IndicatorWidth * 4, black, black);
    p.drawEllipse(QRect(IndicatorWidth * 4 + 5, 7, 2, 2));
    // 5 the current record on a selected (dark) row; 6 during a search.
    DrawArrow(p, IndicatorWidth * 5, Qt::white, Qt::white);
    p.fillRect(QRect(IndicatorWidth * 6, 0, IndicatorWidth, IndicatorHeight),
               ToQColor(DBGridMvIncSearchColor));
    DrawArrow(p, IndicatorWidth * 6, black, black);
    return strip;
}

QImage MarkerStrip()
{
    QImage strip(MarkerWidth * 2, MarkerHeight, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor shade(96, 96, 96);
    p.setPen(shade);
    p.setBrush(shade);
    // Down: the point at the bottom; up: at the top.
    p.drawPolygon(QPolygon({QPoint(2, 4), QPoint(9, 4), QPoint(5, 8)}));
    p.drawPolygon(QPolygon({QPoint(MarkerWidth + 2, 8), QPoint(MarkerWidth + 9, 8), QPoint(MarkerWidth + 5, 4)}));
    return strip;
}

} // namespace

const TImageList& DBGridMvIndicators()
{
    static TImageList list(IndicatorWidth, IndicatorHeight);
    if (list.Count() == 0)
        list.AddStrip(IndicatorStrip());
    return list;
}

const TImageList& DBGridMvSortMarkers()
{
    static TImageList list(MarkerWidth, MarkerHeight);
    if (list.Count() == 0)
        list.AddStrip(MarkerStrip());
    return list;
}

QFont DBGridMvSortMarkerFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(MarkerHeight - 1);
    return font;
}

namespace {

struct TSharedBitmapState {
    int Grids = 0;
    std::unique_ptr<QImage> Bitmap;
};

TSharedBitmapState& SharedBitmap()
{
    static TSharedBitmapState state;
    return state;
}

} // namespace

QImage& TDBGridMvSharedBitmap::Acquire()
{
    TSharedBitmapState& state = SharedBitmap();
    if (!state.Bitmap)
        state.Bitmap = std::make_unique<QImage>();
    ++state.Grids;
    return *state.Bitmap;
}

void TDBGridMvSharedBitmap::Release()
{
    TSharedBitmapState& state = SharedBitmap();
    if (state.Grids == 0)
        return;
    if (--state.Grids == 0)
        state.Bitmap.reset();
}

bool TDBGridMvSharedBitmap::Exists()
{
    return SharedBitmap().Bitmap != nullptr;
}

int TDBGridMvSharedBitmap::GridCount()
{
    return SharedBitmap().Grids;
}

// ---------------------------------------------------------------- data service

TDBGridMvDataService* DBGridMvDataService()
{
    static TDBGridMvDataService service;
    return &service;
}

// ---------------------------------------------------------------- scroll-bar settings

void TDBGridMvScrollBar::SetVisibleMode(TScrollBarVisibleModeMv Value)
{
    if (Value == FVisibleMode)
        return;
    FVisibleMode = Value;
    if (FExtScrollBar)
        FExtScrollBar->setVisible(Visible());
    if (!FGrid)
        return;
    if (FKind == sbVertical)
        FGrid->UpdateScrollBar();
    FGrid->LayoutChanged();
}

bool TDBGridMvScrollBar::IsScrollBarShowing() const
{
    if (FExtScrollBar)
        return FExtScrollBar->isVisible();
    return Visible() && FGrid && FGrid->ScrollBarShowing(FKind);
}

void TDBGridMvScrollBar::Assign(const TDBGridMvScrollBar& Source)
{
    SetVisible(Source.Visible());
    Tracking = Source.Tracking;
    SetExtScrollBar(Source.ExtScrollBar());
}
