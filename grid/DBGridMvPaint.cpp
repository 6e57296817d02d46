// Painting of one cell of the dataset grid: the indicator with its glyphs,
// titles with sort markers and images, record cells (text, images, check
// boxes, always-shown buttons, hidden duplicates, required marks, the
// incremental-search text), the cells below the records, footers, and the
// colours of selected and highlighted cells.

#include "grid/DBGridMv.h"
#include "grid/DBGridMvMemTable.h"
#include "grid/DBGridMvTextSpan.h"

#include "platform/FrameControls.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>


// ---------------------------------------------------------------- areas

TCellAreaMv TCustomDBGridMv::GetCellType(int ACol, int ARow) const
{
    TCellAreaMv area;
    if (ACol < FIndicatorOffset) {
        area.HorzType = 0;
        area.HorzIndex = ACol;
    } else {
        area.HorzType = 1;
        area.HorzIndex = ACol - FIndicatorOffset;
    }
    if (ARow >= RowCount()) {
        area.VertType = 4;
        area.VertIndex = ARow - RowCount();
    } else if (ARow < FTitleOffset) {
        if (FOptions.testFlag(dgTitles) && ARow == 0) {
            area.VertType = 0;
            area.VertIndex = ARow;
        } else {
            area.VertType = 1;
            area.VertIndex = ARow - TitlesShown();
        }
    } else {
        area.VertType = 2;
        area.VertIndex = ARow - FTitleOffset;
    }
    if (area.VertType == 1 && !IsSTFilterVisible())
        throw Exception(QStringLiteral("Algorithm error in TCustomDBGridMv.GetCellType"));
    return area;
}

bool TCustomDBGridMv::ThemedHeaders() const
{
    return !Flat() && ThemesEnabled() && FOptionsMv.testFlag(dghFixed3D) && FOptions.testFlag(dgColLines) &&
           FOptions.testFlag(dgRowLines);
}

void TCustomDBGridMv::InvalidateFooter()
{
    if (!HandleAllocated() || ContraRowCount() == 0)
        return;
    InvalidateGridRect({0, RowCount(), FullColCount() - 1, FullRowCount() - 1});
}

bool TCustomDBGridMv::CellIsInSelection(int ACol, int ARow, const TBookmark& Bookmark, int DataColumn) const
{
    const TDBGridMvSelectionType kind = FSelection->SelectionType();
    if (kind == gstAll)
        return true;
    if (kind == gstNon)
        return false;
    const bool dataCol = ACol >= FIndicatorOffset && ACol < FullColCount();
    const bool dataRow = ARow >= FTitleOffset && ARow < RowCount();
    if (dataCol && dataRow)
        return FSelection->DataCellSelected(DataColumn, Bookmark);
    if (dataCol)
        return kind == gstColumns && DataColumn >= 0 && DataColumn < FColumns->Count() &&
               FSelection->Columns().IndexOf(FColumns->Items(DataColumn)) >= 0;
    if (dataRow)
        return kind == gstRecordBookmarks && FBookmarks->IndexOf(Bookmark) >= 0;
    return false;
}

// ---------------------------------------------------------------- colours

bool TCustomDBGridMv::GetSelectedCellColors(TFont& AFont, TColor& Background, bool InSelection, TGridDrawState,
                                            const TCellAreaMv& Area)
{
    if (FStyle)
        return FStyle->HighlightCellColor(this, AFont, Background, InSelection, Area);
    if (!InSelection)
        return false;
    if (Area.HorzType == 0 || Area.VertType < 2) {
        Background = RGBColor(64, 64, 64);
        AFont.Color = clWhite;
    } else if (GridHasFocus()) {
        Background = clHighlight;
        AFont.Color = clHighlightText;
    } else {
        Background = clBtnFace;
    }
    return true;
}

bool TCustomDBGridMv::HighlightDataCell(int DataCol, int DataRow, const QString&, TGridDrawState State,
                                        TColor& Background, TFont& AFont)
{
    const int rawCol = DataToRawColumn(DataCol);
    const int rawRow = DataRow + FTitleOffset;
    if (FStyle)
        return FStyle->HighlightDataCellColor(this, rawCol, DataCol, rawRow, DataRow, State, AFont, Background);
    if (FDataLink->Active() && FSelection->SelectionType() != gstNon &&
        FSelection->DataCellSelected(DataCol, DataSet()->Bookmark())) {
        if (GridHasFocus()) {
            Background = clHighlight;
            AFont.Color = clHighlightText;
        } else {
            Background = clBtnFace;
        }
        return true;
    }
    bool focusHighlight = GridHasFocus() && FOptionsMv.testFlag(dghHighlightFocus);
    const bool currentRow = rawRow == Row();
    if (FOptionsMv.testFlag(dghRowHighlight) && currentRow && FSelection->SelectionType() == gstNon &&
        rawCol != Col()) {
        focusHighlight = true;
        State |= gdSelected;
    }
    const bool rowSelect = FOptions.testFlag(dgRowSelect);
    const bool highlighted = (State.testFlag(gdSelected) || (currentRow && rowSelect)) &&
                             (FOptions.testFlag(dgAlwaysShowSelection) || focusHighlight) &&
                             (FUpdateLock == 0 || rowSelect);
    if (!highlighted)
        return false;
    if (GridHasFocus()) {
        Background = clHighlight;
        AFont.Color = clHighlightText;
    } else if (currentRow && (rawCol == Col() || rowSelect) &&
               (FOptions.testFlag(dgAlwaysShowSelection) || focusHighlight)) {
        Background = clBtnShadow;
        AFont.Color = clHighlightText;
    } else {
        Background = clBtnFace;
    }
    return true;
}

bool TCustomDBGridMv::IsDrawRowSelect() const
{
    return FOptions.testFlag(dgRowSelect) && FDefaultDrawingMv && GridHasFocus();
}

// ---------------------------------------------------------------- events

void TCustomDBGridMv::DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State)
{
    if (OnDrawDataCell)
        OnDrawDataCell(this, Rect, Field, State);
}

void TCustomDBGridMv::DrawColumnCell(const TRect& Rect, int DataCol, TColumnMv* Column, TGridDrawState State)
{
    if (OnDrawColumnCell)
        OnDrawColumnCell(this, Rect, DataCol, Column, State);
}

void TCustomDBGridMv::GetFooterParams(int DataCol, int Row, TColumnMv* Column, TFont& AFont, TColor& Background,
                                      TAlignment& Alignment, TGridDrawState State, QString& Text)
{
    if (OnGetFooterParams)
        OnGetFooterParams(this, DataCol, Row, Column, AFont, Background, Alignment, State, Text);
}

void TCustomDBGridMv::GetCellParams(TColumnMv* Column, TFont& AFont, TColor& Background, TGridDrawState State)
{
    if (OnGetCellParams)
        OnGetCellParams(this, Column, AFont, Background, State);
}

void TCustomDBGridMv::GetBtnParams(TColumnMv* Column, TFont& AFont, TColor& Background, TSortMarkerMv& SortMarker,
                                   bool IsDown)
{
    if (OnGetBtnParams)
        OnGetBtnParams(this, Column, AFont, Background, SortMarker, IsDown);
}

// ---------------------------------------------------------------- text

void TCustomDBGridMv::WriteCellText(TColumnMv* Column, const TRect& ARect, bool FillRect, int DX, int DY,
                                    const QString& Text, TAlignment Alignment, TTextLayout Layout, bool WordWrap,
                                    bool EndEllipsis, int LeftMargin, int RightMargin)
{
    TCanvas& canvas = Canvas();
    const bool rightToLeft = Column && Column->UseRightToLeftAlignment();
    if (!rightToLeft) {
        WriteTextMv(canvas, ARect, FillRect, DX, DY, Text, Alignment, Layout, WordWrap, EndEllipsis, LeftMargin,
                    RightMargin, Column && Column->UseRightToLeftReading());
        return;
    }
    // Right-to-left text is written on the device rectangle, never through
    // the mirrored mapping: what was left-aligned in the logical cell is
    // right-aligned on the screen.
    const TRect device = canvas.LPtoDP(ARect);
    if (Alignment == taLeftJustify)
        Alignment = taRightJustify;
    else if (Alignment == taRightJustify)
        Alignment = taLeftJustify;
    std::swap(LeftMargin, RightMargin);
    const TNormalMapping normal(canvas);
    WriteTextMv(canvas, device, FillRect, DX, DY, Text, Alignment, Layout, WordWrap, EndEllipsis, LeftMargin,
                RightMargin, Column->UseRightToLeftReading());
}

void TCustomDBGridMv::DefaultDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState)
{
    const TAlignment alignment = Field ? Field->Alignment() : taLeftJustify;
    const QString text = Field ? Field->DisplayText() : QString();
    const int dx = 2 - (Flat() ? 1 : 0);
    WriteTextMv(Canvas(), Rect, true, dx, 2, text, alignment, tlTop, false, false, 0, 0, false);
}

void TCustomDBGridMv::DefaultDrawColumnCell(const TRect& Rect, int, TColumnMv* Column, TGridDrawState)
{
    if (!Column)
        return;
    const int dx = 2 - (Flat() ? 1 : 0);
    WriteCellText(Column, Rect, true, dx, 2, Column->GetDisplayText(), Column->Alignment(), Column->Layout(),
                  Column->WordWrap() && FMultiLineRows, Column->EndEllipsis(), 0, 0);
}

// ---------------------------------------------------------------- frames

void TCustomDBGridMv::DrawCellFrame(const TRect& ARect, TGridDrawState AState, bool Raised, bool Pressed,
                                    bool Highlighted)
{
    TCanvas& canvas = Canvas();
    if (Raised && AState.testFlag(gdFixed) && ThemedHeaders()) {
        TClipSaver clip(canvas);
        canvas.IntersectClipRect(ARect);
        canvas.FillRect(ARect);
        DrawThemeElement(canvas, teHeaderItem, (Pressed || Highlighted) ? tsPressed : tsNormal, ARect.Inflate(2, 2));
        return;
    }
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(ARect);
}

void TCustomDBGridMv::DrawEdges(const TRect& ARect, bool Pressed, bool LeftEdge, bool RightEdge, bool TopEdge,
                                bool BottomEdge)
{
    TCanvas& canvas = Canvas();
    const unsigned edge = Pressed ? BDR_SUNKENINNER : BDR_RAISEDINNER;
    if (Flat()) {
        DrawFixedCellFrame(ARect, Pressed, false, LeftEdge, RightEdge);
        return;
    }
    if (canvas.Mirrored()) {
        // Right to left the light still falls from the upper left: the
        // edges are drawn on the device rectangle, where the cell's logical
        // left side is its right one.
        TRect device = canvas.LPtoDP(ARect);
        const TNormalMapping normal(canvas);
        if (LeftEdge && RightEdge && TopEdge && BottomEdge) {
            canvas.DrawEdge(device, edge, BF_RECT);
            return;
        }
        TRect a = device;
        canvas.DrawEdge(a, edge, (TopEdge ? BF_TOP : 0u) | (LeftEdge ? BF_RIGHT : 0u));
        TRect b = device;
        canvas.DrawEdge(b, edge, (RightEdge ? BF_LEFT : 0u) | (BottomEdge ? BF_BOTTOM : 0u));
        return;
    }
    unsigned sides = 0;
    if (LeftEdge)
        sides |= BF_LEFT;
    if (RightEdge)
        sides |= BF_RIGHT;
    if (TopEdge)
        sides |= BF_TOP;
    if (BottomEdge)
        sides |= BF_BOTTOM;
    if (sides == BF_RECT) {
        TRect r = ARect;
        canvas.DrawEdge(r, edge, BF_RECT);
        return;
    }
    TRect a = ARect;
    canvas.DrawEdge(a, edge, sides & BF_TOPLEFT);
    TRect b = ARect;
    canvas.DrawEdge(b, edge, sides & BF_BOTTOMRIGHT);
}

// ---------------------------------------------------------------- whole paint and one cell

void TCustomDBGridMv::Paint()
{
    if (PaintLocked())
        return;
    std::vector<THeadTreeNode*> pending{FHeadTree.get()};
    while (!pending.empty()) {
        THeadTreeNode* node = pending.back();
        pending.pop_back();
        node->Drawn = false;
        for (THeadTreeNode* child : node->Children())
            pending.push_back(child);
    }
    TCustomGridMv::Paint();
}

void TCustomDBGridMv::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    // Nothing may leave a paint event: a cell whose data cannot be read (a
    // field lookup or a drawing event that raises) stays an empty cell.
    try {
        DrawCellContents(ACol, ARow, ARect, AState);
    } catch (const std::exception&) {
        TCanvas& canvas = Canvas();
        canvas.Brush = TBrush{Color(), bsSolid};
        canvas.FillRect(ARect);
    }
}

void TCustomDBGridMv::DrawCellContents(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    if (ARect.IsEmpty())
        return;
    TCanvas& canvas = Canvas();
    if (FLoading) {
        canvas.FillRect(ARect);
        return;
    }
    const bool raised = CellIs3D(ACol, ARow, AState);
    const TCellAreaMv area = GetCellType(ACol, ARow);
    const TRect rect = raised ? ARect.Inflate(-1, -1) : ARect;
    canvas.Brush.Style = bsSolid;

    if (area.HorzType == 0) {
        DrawIndicatorCell(ACol, ARow, rect, AState, raised);
        if (raised && !(ThemedHeaders() && AState.testFlag(gdFixed)))
            DrawEdges(ARect, false, true, true, true, true);
        return;
    }
    const int dataCol = area.HorzIndex;
    if (dataCol >= FColumns->Count()) {
        canvas.FillRect(ARect, Color());
        return;
    }
    TColumnMv* column = FColumns->Items(dataCol);
    if (ARow < FTitleOffset) {
        canvas.Font = column->Title().Font();
        canvas.Brush.Color = column->Title().Color();
    } else {
        canvas.Font = column->Font();
        canvas.Brush.Color = column->Color();
    }

    bool pressed = false;
    bool highlighted = false;
    switch (area.VertType) {
    case 0:
        pressed = FPressed && FPressedCol == dataCol && column->Title().TitleButton();
        DrawTitleCell(column, ACol, ARow, rect, AState, raised);
        break;
    case 1: {
        TColor background = canvas.Brush.Color;
        GetSelectedCellColors(canvas.Font, background, CellIsInSelection(ACol, ARow, TBookmark(), dataCol), AState,
                              area);
        canvas.Brush.Color = background;
        DrawCellFrame(rect, AState, raised, false, false);
        DrawFilterCell(ACol, ARow, rect, AState);
        break;
    }
    case 2:
        if (area.VertIndex < DataRowRecordCount(*this)) {
            highlighted = DrawDataCellArea(column, ACol, ARow, rect, AState, raised);
        } else {
            DrawEmptyCell(column, ACol, ARow, rect, AState, raised, area);
        }
        break;
    default: DrawFooterCell(column, ACol, ARow, rect, AState, raised, area); break;
    }

    // The focused cell of the focused grid.
    if (FDefaultDrawingMv && AState.testFlag(gdFocused) && GridHasFocus() && IsActiveControl() &&
        !FOptions.testFlag(dgRowSelect) && FUpdateLock == 0 && FStyle && FStyle->DrawFocusFrame())
        canvas.DrawFocusRect(ARect);

    if (raised && !(ThemedHeaders() && AState.testFlag(gdFixed))) {
        const bool multiTitle = area.VertType == 0 && FUseMultiTitle && LeafOfColumn(column);
        if (!multiTitle)
            DrawEdges(ARect, pressed || highlighted, true, true, true, true);
    }
    if (area.VertType == 0 && FUseMultiTitle)
        DrawTitleGroups(column, ACol, ARow, ARect, AState);
}

// ---------------------------------------------------------------- indicator

void TCustomDBGridMv::DrawIndicatorCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState, bool Raised)
{
    TCanvas& canvas = Canvas();
    canvas.Brush.Color = FixedColor();
    canvas.Font = Font();
    if (!FDataLink->Active()) {
        DrawCellFrame(ARect, AState, Raised, false, false);
        return;
    }
    const TCellAreaMv area = GetCellType(ACol, ARow);
    const int dataRow = ARow - FTitleOffset;
    const bool recordRow = area.VertType == 2 && dataRow < DataRowRecordCount(*this);
    bool selected = false;
    TDataSet* dataSet = DataSet();
    if (!recordRow) {
        selected = FSelection->SelectionType() == gstAll;
    } else if (FOptions.testFlag(dgMultiSelect) && FSelection->SelectionType() != gstNon) {
        const TDataRowScopeMv scope(*this, dataRow);
        selected = FSelection->DataCellSelected(-1, dataSet->Bookmark());
    }
    if (selected) {
        TColor background = canvas.Brush.Color;
        GetSelectedCellColors(canvas.Font, background, true, AState, area);
        canvas.Brush.Color = background;
    }
    DrawCellFrame(ARect, AState, Raised, false, false);
    if (!recordRow)
        return;
    // The current record and the selected rows carry the data set's state;
    // in browse state only the current record has a glyph.
    const bool current = dataRow == ActiveDataRow(*this);
    if (!current && !selected)
        return;
    if (current)
        FIndicatorRow = ARow;
    int glyph = 0;
    switch (dataSet->State()) {
    case dsBrowse:
        if (!current)
            return;
        glyph = selected ? 5 : (FIncSearchActive ? 6 : 0);
        break;
    case dsEdit: glyph = 1; break;
    case dsInsert: glyph = 2; break;
    default: glyph = 0; break;
    }
    const TImageList& glyphs = DBGridMvIndicators();
    const int inset = (Raised ? 1 : 2) - (Flat() ? 1 : 0);
    const int x = ARect.Right - inset - glyphs.Width();
    const int y = (ARect.Top + ARect.Bottom - glyphs.Height()) / 2;
    TClipSaver clip(canvas);
    canvas.IntersectClipRect(ARect);
    canvas.Draw(x, y, glyphs.Pixmap(glyph));
}

// ---------------------------------------------------------------- titles

int TCustomDBGridMv::SortIndexWidth(const TColumnTitleMv& Title) const
{
    // The sort index is written beside the marker only when several columns
    // are sort-marked.
    if (FSortMarkedColumns.Count() < 2 || Title.SortIndex() <= 0)
        return 0;
    return QFontMetrics(DBGridMvSortMarkerFont()).horizontalAdvance(QString::number(Title.SortIndex()));
}

void TCustomDBGridMv::DrawTitleCell(TColumnMv* Column, int ACol, int ARow, TRect ARect, TGridDrawState AState,
                                    bool Raised)
{
    TCanvas& canvas = Canvas();
    TColumnTitleMv& title = Column->Title();
    const int dataCol = ACol - FIndicatorOffset;
    const bool pressed = FPressed && FPressedCol == dataCol && title.TitleButton();
    THeadTreeNode* leaf = FUseMultiTitle ? LeafOfColumn(Column) : nullptr;

    TRect textRect = ARect;
    QString caption = title.Caption();
    if (leaf) {
        caption = leaf->Text;
        textRect.Top = std::max(ARect.Top, ARect.Bottom - leaf->Height + 3);
    }
    const bool withImage = FTitleImages && title.ImageIndex() != -1;
    const int imageWidth = withImage ? FTitleImages->Width() : 0;

    TColor background = canvas.Brush.Color;
    TSortMarkerMv marker = title.SortMarker();
    if (Column->Field() && OnGetBtnParams)
        GetBtnParams(Column, canvas.Font, background, marker, pressed);

    const bool plainLine = FTitleHeight == 0 && FTitleLines == 0 && !FUseMultiTitle;
    const int shift = pressed ? (plainLine ? 1 : 2) : 0;

    // Room for the sort marker and its number at the right.
    bool drawMarker = marker != smNoneMv;
    int numberWidth = drawMarker ? SortIndexWidth(title) : 0;
    bool drawNumber = numberWidth > 0;
    const QFont markerFont = DBGridMvSortMarkerFont();
    // The marker and its number share 16 pixels; a rectangle left too
    // narrow (for the title image, if any) drops the marker, then the
    // number, each giving its part back.
    if (drawMarker) {
        textRect.Right -= 16;
        if (textRect.Width() < imageWidth) {
            drawMarker = false;
            textRect.Right += 14 - numberWidth;
            if (textRect.Width() < imageWidth) {
                drawNumber = false;
                textRect.Right += numberWidth + 2;
            }
        }
    }

    const bool selected = GetSelectedCellColors(canvas.Font, background,
                                                CellIsInSelection(ACol, ARow, TBookmark(), dataCol), AState,
                                                GetCellType(ACol, ARow));
    canvas.Brush.Color = background;
    DrawCellFrame(ARect, AState, Raised, pressed, false);

    const bool themed = Raised && ThemedHeaders();
    const int dx = (Raised ? 1 : 2) - (Flat() ? 1 : 0) + shift;
    const int dy = (Raised ? 1 : 2) + shift;
    if (!withImage) {
        canvas.Brush.Style = bsClear;
        if (title.Orientation() == tohVertical) {
            WriteTextVerticalMv(canvas, textRect, false, dx, dy, caption, title.Alignment(), tlCenter,
                                title.EndEllipsis());
        } else if (leaf) {
            WriteCellText(Column, textRect, false, dx, dy, caption, taCenter, tlCenter, true, title.EndEllipsis(), 0,
                          0);
        } else {
            WriteCellText(Column, textRect, false, dx, dy, caption, title.Alignment(), tlTop,
                          FTitleHeight != 0 || FTitleLines != 0, title.EndEllipsis(), 0, 0);
        }
        canvas.Brush.Style = bsSolid;
    } else {
        DrawAlignedImage(canvas, FTitleImages, leaf ? taCenter : title.Alignment(), dx, title.ImageIndex(),
                         textRect.Offset(shift, shift));
    }

    const TImageList& markers = DBGridMvSortMarkers();
    const int glyphTop = (textRect.Top + ARect.Bottom - markers.Height()) / 2 + shift;
    if (drawMarker) {
        const int x = ARect.Right - markers.Width() - 2 - numberWidth + shift;
        TClipSaver clip(canvas);
        canvas.IntersectClipRect(ARect);
        canvas.Draw(x, glyphTop, markers.Pixmap(marker == smDownMv ? 0 : 1));
    }
    if (drawNumber) {
        const TFont saved = canvas.Font;
        const TBrushStyle savedStyle = canvas.Brush.Style;
        canvas.Font = TFont(markerFont, selected ? clWhite : canvas.Font.Color);
        if (themed)
            canvas.Brush.Style = bsClear;
        const int x = ARect.Right - numberWidth - 2 + shift;
        canvas.Brush.Style = bsClear;
        canvas.TextRect(ARect, x, glyphTop - 1, QString::number(title.SortIndex()));
        canvas.Font = saved;
        canvas.Brush.Style = savedStyle;
    }
    if (leaf && Raised && !themed)
        DrawEdges(TRect(ARect.Left - 1, textRect.Top - (Raised ? 1 : 0), ARect.Right + 1, ARect.Bottom + 1),
                  pressed, true, true, true, true);
}

// ---------------------------------------------------------------- records

bool TCustomDBGridMv::PreviousRowShowsSame(TColumnMv* Column, int DataRow, const QString& Text)
{
    // The first row shown always shows its text.
    if (DataRow <= FirstShownDataRow(*this))
        return false;
    QString previous;
    {
        const TDataRowScopeMv scope(*this, DataRow - 1);
        previous = Column->GetDisplayText();
    }
    return previous == Text;
}

int TCustomDBGridMv::InCellButtonsWidth(TColumnMv* Column) const
{
    const int defaultWidth = FInCellButtonWidth + (Flat() ? 1 : 0);
    int width = Column->HasMainEditButton() ? defaultWidth : 0;
    const TEditButtonsMv& extras = Column->EditButtons();
    for (int i = 0; i < extras.Count(); ++i)
        if (const TEditButtonMv* item = extras.Items(i); item->Visible())
            width += item->Width() >= 1 ? item->Width() : defaultWidth;
    return width;
}

void TCustomDBGridMv::DrawEditButtons(TColumnMv* Column, TRect& Rect, bool Raised)
{
    TCanvas& canvas = Canvas();
    const bool flat = Flat();
    const TColor parent = canvas.Brush.Color;
    int right = Rect.Right;
    const int height = std::min(FInCellButtonHeight, Rect.Height());
    const int defaultWidth = FInCellButtonWidth + (flat ? 1 : 0);
    const bool enabled = FDataLink->Active();
    auto place = [&](int width) {
        TRect button(right - width, Rect.Top, right, Rect.Top + height);
        if (Raised)
            button = button.Offset(1, -1);
        right -= width;
        return button;
    };
    TEditButtonsMv& extras = Column->EditButtons();
    for (int i = extras.Count() - 1; i >= 0; --i) {
        const TEditButtonMv* item = extras.Items(i);
        if (!item->Visible())
            continue;
        const TRect button = place(item->Width() >= 1 ? item->Width() : defaultWidth);
        if (item->Style() == ebsGlyphMv) {
            DrawFrameControl(canvas, button, DFC_BUTTON, DFCS_BUTTONPUSH | (flat ? DFCS_FLAT : 0u));
            if (!item->Glyph().isNull()) {
                const QPixmap& glyph = item->Glyph();
                const int w = glyph.width() / std::max(1, item->NumGlyphs());
                TClipSaver clip(canvas);
                canvas.IntersectClipRect(button);
                if (QPainter* painter = canvas.Painter())
                    painter->drawPixmap((button.Left + button.Right - w) / 2,
                                        (button.Top + button.Bottom - glyph.height()) / 2, glyph, 0, 0, w,
                                        glyph.height());
            }
        } else {
            PaintEditButton(canvas, button, parent, 0, enabled, false, flat, 0, EditButtonDrawKind(item->Style()));
        }
    }
    TButtonDrawKindMv kind = bdkDropDown;
    if (Column->HasMainEditButton(&kind))
        PaintEditButton(canvas, place(defaultWidth), parent, 0, enabled, false, flat, 0, kind);
    if (height < Rect.Height())
        canvas.FillRect(TRect(right, Rect.Top + height, Rect.Right, Rect.Bottom), parent);
    Rect.Right = right;
}

void TCustomDBGridMv::DrawCheckBoxCell(TColumnMv*, const TRect& Rect, TCheckBoxState State)
{
    TCanvas& canvas = Canvas();
    canvas.FillRect(Rect);
    // The box is painted on the device rectangle: its tick is never
    // mirrored.
    const TRect box = AdjustCheckBoxRect(canvas.LPtoDP(Rect), taCenter, tlCenter);
    const TNormalMapping normal(canvas);
    PaintEditButton(canvas, box, canvas.Brush.Color, int(State), true, false, Flat(), 0, bdkCheckBox);
}

bool TCustomDBGridMv::DrawDataCellArea(TColumnMv* Column, int ACol, int ARow, TRect ARect, TGridDrawState AState,
                                       bool Raised)
{
    TCanvas& canvas = Canvas();
    const int dataCol = ACol - FIndicatorOffset;
    const int dataRow = ARow - FTitleOffset;
    const TDataRowScopeMv scope(*this, dataRow);
    TDataSet* dataSet = DataSet();

    // Alternating row colours for columns in the grid's own colour.
    TColor background = Column->Color();
    if (background == Color() && (dataSet->IsSequenced() || (FSumList->Active() && FSumList->VirtualRecords()))) {
        const int recNo = dataSet->RecNo();
        background = (recNo % 2 == 1) ? OddRowColor() : EvenRowColor();
    }
    const TRect cellRect = ARect;
    TRect textArea = ARect;
    const bool buttons = Column->AlwaysShowEditButton();

    TColCellParamsMv& params = FColCellParams;
    params.State = AState;
    params.Font = &canvas.Font;
    canvas.Font = Column->Font();
    params.Alignment = Column->Alignment();
    params.Background = background;
    params.Text = Column->GetDisplayText();
    params.ImageIndex = Column->GetImageIndex();
    params.CheckboxState = Column->GetCheckboxState();
    params.ReadOnly = Column->ReadOnly();
    params.Col = -1;
    params.Row = -1;
    params.TextEditing = false;
    GetCellParams(Column, canvas.Font, params.Background, AState);
    Column->GetColCellParams(false, params);
    TGridDrawState state = AState;
    const bool highlighted = HighlightDataCell(dataCol, dataRow, params.Text, state, params.Background, canvas.Font);
    if (highlighted)
        state |= gdSelected;
    canvas.Brush.Color = params.Background;
    canvas.Brush.Style = bsSolid;

    QString text = params.Text;
    bool hidden = false;
    if (Column->HideDuplicates() && PreviousRowShowsSame(Column, dataRow, text)) {
        text.clear();
        hidden = true;
    }

    const int dx = (Raised ? 1 : 2) - (Flat() ? 1 : 0);
    const int dy = Raised ? 1 : 2;
    QString shown = text;
    if (FDefaultDrawingMv)
        DrawCellFrame(cellRect, state, Raised, false, false);
    // The tree indent and the always-shown buttons are the grid's own parts
    // of the cell: they are drawn whoever draws the rest of it.
    if (FVisibleColumns.Count() > 0 && FVisibleColumns.Items(0) == Column) {
        const int indent = std::min(TreeIndent(), textArea.Width());
        if (indent > 0) {
            DrawTreeArea(canvas, TRect(textArea.Left, textArea.Top, textArea.Left + indent, textArea.Bottom),
                         dataCol, dataRow, Raised, state);
            textArea.Left += indent;
        }
    }
    if (buttons)
        DrawEditButtons(Column, textArea, Raised);
    canvas.Brush.Color = params.Background;
    canvas.Brush.Style = bsSolid;
    if (FDefaultDrawingMv) {
        TImageList* images = Column->ImageList();
        if (images && Column->ShowImageAndText()) {
            const TRect imageArea(textArea.Left, textArea.Top, textArea.Left + images->Width() + 4, textArea.Bottom);
            canvas.FillRect(imageArea, Column->Color());
            if (!hidden)
                DrawAlignedImage(canvas, images, taCenter, 0, params.ImageIndex, imageArea);
            textArea.Left = imageArea.Right + 1;
        }
        if (ShowsNumbersMv(*Column))
            shown = FitNumberTextMv(canvas, text, textArea, dx);
        switch (Column->GetColumnType()) {
        case ctKeyImageList:
            canvas.FillRect(textArea);
            if (!hidden)
                DrawAlignedImage(canvas, images, taCenter, 0, params.ImageIndex, textArea,
                                 state.testFlag(gdSelected));
            break;
        case ctCheckboxes: DrawCheckBoxCell(Column, textArea, params.CheckboxState); break;
        default:
            WriteCellText(Column, textArea, true, dx, dy, shown, params.Alignment, Column->Layout(),
                          Column->WordWrap() && FMultiLineRows, Column->EndEllipsis(), 0, 0);
            break;
        }
    }

    // A required field left empty while the record is edited.
    const bool currentRecord = ARow == Row();
    if (Column->HighlightRequired() && currentRecord &&
        (dataSet->State() == dsEdit || dataSet->State() == dsInsert)) {
        TField* field = Column->Field();
        bool due = field && field->Required() && field->IsNull();
        if (Column->OnCheckDrawRequiredState)
            Column->OnCheckDrawRequiredState(this, text, due);
        if (due) {
            canvas.Pen = TPen{clRed, 1, psDot};
            canvas.MoveTo(cellRect.Left + 2, cellRect.Bottom - 1);
            canvas.LineTo(cellRect.Right - 3, cellRect.Bottom - 1);
            canvas.Pen.Style = psSolid;
        }
    }

    if (!FColumns->State())
        DrawDataCell(cellRect, Column->Field(), state);
    DrawColumnCell(cellRect, dataCol, Column, state);

    // The typed prefix of an incremental search over the current cell: the
    // cell's text written again as the cell writes it (alignment, layout,
    // word wrap), in the search colours, over the prefix's place only.
    if (FIncSearchActive && currentRecord && ACol == Col() && shown == text && state.testFlag(gdSelected) &&
        (GridHasFocus() || FOptions.testFlag(dgAlwaysShowSelection)) && IsActiveControl() && FUpdateLock == 0) {
        const bool wordWrap = Column->WordWrap() && FMultiLineRows;
        TAlignment placed = params.Alignment;
        if (Column->UseRightToLeftAlignment() && placed != taCenter)
            placed = placed == taLeftJustify ? taRightJustify : taLeftJustify;
        const std::vector<TRect> parts =
            WrittenTextPartRects(canvas, textArea, dx, dy, text, int(FIncSearchText.size()), placed,
                                 Column->Layout(), wordWrap, Column->EndEllipsis());
        const TFont font = canvas.Font;
        canvas.Brush.Color = DBGridMvIncSearchColor;
        canvas.Font.Color = DBGridMvIncSearchFontColor;
        for (const TRect& part : parts) {
            TClipSaver clip(canvas);
            canvas.IntersectClipRect(part);
            canvas.FillRect(part);
            WriteCellText(Column, textArea, false, dx, dy, text, params.Alignment, Column->Layout(), wordWrap,
                          Column->EndEllipsis(), 0, 0);
        }
        canvas.Font = font;
    }

    // A hidden duplicate merges with the equal cell above it.
    if (hidden && FOptions.testFlag(dgRowLines))
        canvas.FillRect(TRect(cellRect.Left, cellRect.Top - 1, cellRect.Right, cellRect.Top), Column->Color());
    canvas.Brush.Color = params.Background;
    return highlighted;
}

void TCustomDBGridMv::DrawEmptyCell(TColumnMv* Column, int ACol, int ARow, const TRect& ARect, TGridDrawState AState,
                                    bool Raised, const TCellAreaMv& Area)
{
    TCanvas& canvas = Canvas();
    TColor background = Column->Color();
    GetSelectedCellColors(canvas.Font, background, CellIsInSelection(ACol, ARow, TBookmark(), Area.HorzIndex),
                          AState, Area);
    canvas.Brush.Color = background;
    DrawCellFrame(ARect, AState, Raised, false, false);
}

void TCustomDBGridMv::DrawFooterCell(TColumnMv* Column, int ACol, int ARow, const TRect& ARect, TGridDrawState AState,
                                     bool Raised, const TCellAreaMv& Area)
{
    TCanvas& canvas = Canvas();
    const int footerRow = Area.VertIndex;
    TColumnFooterMv& footer = Column->GetFooterForRow(footerRow);
    canvas.Font = footer.Font();
    TColor background = footer.Color();
    if (FDefaultDrawingMv) {
        QString text = GetFooterValue(footerRow, Column);
        TAlignment alignment = footer.Alignment();
        GetFooterParams(Area.HorzIndex, footerRow, Column, canvas.Font, background, alignment, AState, text);
        GetSelectedCellColors(canvas.Font, background, CellIsInSelection(ACol, ARow, TBookmark(), Area.HorzIndex),
                              AState, Area);
        canvas.Brush.Color = background;
        const bool themed = Raised && ThemedHeaders();
        if (themed && ColorToRGB(background, canvas.Palette()) == ColorToRGB(clBtnFace, canvas.Palette())) {
            DrawCellFrame(ARect, AState | gdFixed, Raised, false, false);
        } else {
            canvas.FillRect(ARect);
        }
        const int dx = (Raised ? 1 : 2) - (Flat() ? 1 : 0);
        const int dy = Raised ? 1 : 2;
        if (ShowsNumbersMv(footer))
            text = FitNumberTextMv(canvas, text, ARect, dx);
        WriteCellText(Column, ARect, false, dx, dy, text, alignment, Column->Layout(),
                      footer.WordWrap() && FMultiLineRows, footer.EndEllipsis(), 0, 0);
    } else {
        canvas.Brush.Color = background;
        canvas.FillRect(ARect);
    }
    if (OnDrawFooterCell)
        OnDrawFooterCell(this, Area.HorzIndex, footerRow, Column, ARect, AState);
}
