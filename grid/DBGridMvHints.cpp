// The dataset grid's tool tips: the whole text of a cell that does not fit
// (data cells, titles and footers whose ToolTips are on), a title's own
// hint, and the pause before they show (none over cells with tips).

#include "grid/DBGridMvHints.h"

#include "grid/DBGridMv.h"
#include "grid/DBGridMvMemTable.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QTextLayout>
#include <QToolTip>
#include <QWindow>
#include <algorithm>

TRect CellTextRectMv(const TRect& Cell, int Leading, int Trailing, bool RightToLeft)
{
    const int leading = std::clamp(Leading, 0, std::max(0, Cell.Width()));
    const int trailing = std::clamp(Trailing, 0, std::max(0, Cell.Width() - leading));
    if (RightToLeft)
        return TRect(Cell.Left + trailing, Cell.Top, Cell.Right - leading, Cell.Bottom);
    return TRect(Cell.Left + leading, Cell.Top, Cell.Right - trailing, Cell.Bottom);
}

QPoint TipWindowPosMv(const TRect& TextRect, const QSize& Size, bool RightToLeft, const QRect& Screen)
{
    const int x = RightToLeft ? TextRect.Right - Size.width() : TextRect.Left;
    const int right = std::max(Screen.left(), Screen.left() + Screen.width() - Size.width());
    const int bottom = std::max(Screen.top(), Screen.top() + Screen.height() - Size.height());
    return QPoint(std::clamp(x, Screen.left(), right), std::clamp(TextRect.Top, Screen.top(), bottom));
}

namespace {

// Shows the tips without the platform's pause while the mouse moves over
// cells with tips.
class TTipPauseFilter : public QObject {
public:
    explicit TTipPauseFilter(TCustomDBGridMv* Grid) : QObject(Grid), FGrid(Grid) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TCustomDBGridMv* FGrid;
};

constexpr char TipFilterProperty[] = "DBGridMvTipFilter";

// Breaks a wrapped cell's text into lines no wider than MaxWidth, as the
// cell wraps it; the tip window itself would not wrap plain text.
QString WrapTipText(const QString& Text, const QFont& Font, int MaxWidth)
{
    if (MaxWidth < 1)
        return Text;
    QStringList lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : Text.split(u'\n')) {
        const qsizetype before = lines.size();
        QTextLayout layout(paragraph, Font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(MaxWidth);
            QString piece = paragraph.mid(line.textStart(), line.textLength());
            while (piece.endsWith(u' '))
                piece.chop(1);
            lines << piece;
        }
        layout.endLayout();
        if (lines.size() == before)
            lines << QString();
    }
    return lines.join(u'\n');
}

// Qt's tip window, while it shows.
QWidget* VisibleTipWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == u"qtooltip_label" && window->isVisible())
            return window;
    return nullptr;
}

// Shows a tip over the cell's text. The tip window takes the cell's font and
// the window text colour; its size follows the font.
void ShowTip(TCustomDBGridMv* Grid, const TCustomDBGridMv::TCellTipMv& Tip, const QPoint& Pointer)
{
    QWidget* client = Grid->ClientWidget();
    const QString text = Tip.WordWrap ? WrapTipText(Tip.Text, Tip.Font, Tip.TextRect.Width() - 4) : Tip.Text;
    // Qt opens a new tip window below the pointer, clear of it.
    QToolTip::showText(client->mapToGlobal(Pointer), text, client, Tip.CellRect.ToQRect());
    QWidget* window = VisibleTipWindow();
    if (!window)
        return;
    window->setFont(Tip.Font);
    QPalette palette = window->palette();
    palette.setColor(QPalette::ToolTipText, palette.color(QPalette::WindowText));
    window->setPalette(palette);
    window->adjustSize();
    // It covers the text it completes, under the pointer: it lets the mouse
    // through to the cell before it moves there. Taking the pointer even for
    // a moment would make the grid's client area lose it, which hides the
    // tip, and a click would miss the cell.
    if (QWindow* handle = window->windowHandle())
        handle->setFlag(Qt::WindowTransparentForInput);
    const QPoint origin = client->mapToGlobal(QPoint(0, 0));
    const TRect textRect = Tip.TextRect.Offset(origin.x(), origin.y());
    const QSize size = window->size();
    window->setGeometry(QRect(
        TipWindowPosMv(textRect, size, Grid->UseRightToLeftAlignment(), client->screen()->geometry()), size));
}

bool TTipPauseFilter::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() == QEvent::MouseMove) {
        const QPoint pos = static_cast<QMouseEvent*>(Event)->position().toPoint();
        TCustomDBGridMv::TCellTipMv tip;
        if (FGrid->HintPauseAt(pos) == 0 && FGrid->CellTipAt(pos, tip)) {
            if (!QToolTip::isVisible() || QToolTip::text() != tip.Text)
                ShowTip(FGrid, tip, pos);
        }
    } else if (Event->type() == QEvent::ToolTip) {
        // A tip asked for over the editor or another child is theirs; a
        // point without a cell tip leaves the platform's hint untouched.
        const QPoint pos = static_cast<QHelpEvent*>(Event)->pos();
        TCustomDBGridMv::TCellTipMv tip;
        if (!FGrid->ClientWidget()->childAt(pos) && FGrid->CellTipAt(pos, tip)) {
            ShowTip(FGrid, tip, pos);
            return true;
        }
    }
    return QObject::eventFilter(Watched, Event);
}

} // namespace

void TCustomDBGridMv::InstallTipHandling()
{
    QWidget* client = ClientWidget();
    if (client->property(TipFilterProperty).toBool())
        return;
    client->setProperty(TipFilterProperty, true);
    client->setMouseTracking(true);
    client->installEventFilter(new TTipPauseFilter(this));
}

bool TCustomDBGridMv::CellTipAt(const QPoint& ClientPos, TCellTipMv& Tip)
{
    if (MouseCapture())
        return false;
    const TGridCoordMv hit = MouseCoord(ClientPos.x(), ClientPos.y());
    if (hit.X < 0 || hit.Y < 0)
        return false;
    const TCellAreaMv area = GetCellType(hit.X, hit.Y);
    if (area.HorzType == 0 || area.HorzIndex >= FColumns->Count())
        return false;
    TColumnMv* column = FColumns->Items(area.HorzIndex);
    Tip.CellRect = CellRect(hit.X, hit.Y);
    Tip.TextRect = Tip.CellRect;
    Tip.WordWrap = false;
    // The cell's own parts beside the text, as painting lays them out: at
    // the side where the text starts and at the other one.
    int leading = 0;
    int trailing = 0;
    TAlignment alignment = taLeftJustify;
    bool always = false;
    bool vertical = false;
    // A number too wide for its cell shows as '#': its tip shows it whole,
    // ToolTips or not.
    bool number = false;
    bool tips = true;

    if (area.VertType == 0) {
        const TColumnTitleMv& title = column->Title();
        if (!title.Hint.isEmpty()) {
            Tip.Text = title.Hint;
            Tip.Font = Font();
            return true;
        }
        if (!title.ToolTips() || !TitleTip(column, ClientPos.y(), Tip))
            return false;
        // The marker and its number take 16 pixels of the painted title.
        if (title.SortMarker() != smNoneMv)
            trailing = 16 - 2;
        alignment = title.Alignment();
        vertical = title.Orientation() == tohVertical;
    } else if (area.VertType == 2) {
        number = ShowsNumbersMv(*column);
        tips = column->ToolTips();
        if (!(tips || number) || area.VertIndex >= DataRowRecordCount(*this))
            return false;
        const TDataRowScopeMv scope(*this, area.VertIndex);
        Tip.Text = column->GetDisplayText();
        TFont font = column->Font();
        TColor background = column->Color();
        GetCellParams(column, font, background, TGridDrawState());
        Tip.Font = font;
        alignment = column->Alignment();
        // Images and check boxes say what they stand for only in the tip.
        const TColumnTypeMv type = column->GetColumnType();
        always = type == ctKeyImageList || type == ctCheckboxes;
        if (always)
            alignment = taLeftJustify;
        if (FVisibleColumns.Count() > 0 && FVisibleColumns.Items(0) == column)
            leading = TreeIndent();
        if (TImageList* images = column->ImageList(); images && column->ShowImageAndText())
            leading += images->Width() + 5;
        // Every always-shown button covers the text.
        if (column->AlwaysShowEditButton())
            trailing = InCellButtonsWidth(column);
        Tip.WordWrap = column->WordWrap() && FMultiLineRows;
    } else if (area.VertType >= 3) {
        TColumnFooterMv& footer = column->GetFooterForRow(area.VertIndex);
        number = ShowsNumbersMv(footer);
        tips = footer.ToolTips();
        if (!(tips || number))
            return false;
        QString text = GetFooterValue(area.VertIndex, column);
        TFont font = footer.Font();
        TColor background = footer.Color();
        alignment = footer.Alignment();
        GetFooterParams(area.HorzIndex, area.VertIndex, column, font, background, alignment, TGridDrawState(), text);
        Tip.Text = text;
        Tip.Font = font;
        Tip.WordWrap = footer.WordWrap() && FMultiLineRows;
    } else {
        return false;
    }
    if (Tip.Text.isEmpty())
        return false;
    Tip.TextRect = CellTextRectMv(Tip.TextRect, leading, trailing, UseRightToLeftAlignment());
    if (always)
        return true;

    TCanvas& canvas = Canvas();
    const TFont savedFont = canvas.Font;
    canvas.Font = Tip.Font;
    if (number) {
        // Measured as the cell is painted: a raised cell one pixel in.
        const bool raised = CellIs3D(hit.X, hit.Y, TGridDrawState());
        const TRect painted = raised ? Tip.TextRect.Inflate(-1, -1) : Tip.TextRect;
        const int dx = (raised ? 1 : 2) - (Flat() ? 1 : 0);
        const bool cut = FitNumberTextMv(canvas, Tip.Text, painted, dx) != Tip.Text;
        if (cut || !tips) {
            canvas.Font = savedFont;
            return cut;
        }
    }
    int width = 0;
    int height = 0;
    // A vertical title runs along the cell's height.
    TRect measured = Tip.TextRect;
    if (vertical)
        SwapRectSize(measured);
    const bool overflows = TextOverflows(canvas, Tip.Text, measured, 0, Tip.WordWrap, 0, 0, width, height);
    canvas.Font = savedFont;
    // A right-aligned text in a cell cut by the client's edge is cut on its
    // visible side.
    const bool cutRight = alignment == taRightJustify && Tip.CellRect.Right < Tip.CellRect.Left + column->Width() - 2;
    return overflows || cutRight;
}

bool TCustomDBGridMv::TitleTip(TColumnMv* Column, int Y, TCellTipMv& Tip)
{
    const TColumnTitleMv& title = Column->Title();
    Tip.Text = title.Caption();
    Tip.Font = title.Font();
    Tip.WordWrap = FUseMultiTitle || FTitleHeight > 0 || FTitleLines > 0;
    if (THeadTreeNode* leaf = FUseMultiTitle ? LeafOfColumn(Column) : nullptr) {
        // The group bands above the leaf are shared by several columns and
        // have no tip of their own.
        Tip.TextRect.Top = std::max(Tip.CellRect.Top, Tip.CellRect.Bottom - leaf->Height + 3);
        if (Y < Tip.TextRect.Top)
            return false;
        Tip.Text = leaf->Text;
    }
    return true;
}

int TCustomDBGridMv::HintPauseAt(const QPoint& ClientPos)
{
    const int platformPause = QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay);
    const TGridCoordMv hit = MouseCoord(ClientPos.x(), ClientPos.y());
    if (hit.X < 0 || hit.Y < 0)
        return platformPause;
    const TCellAreaMv area = GetCellType(hit.X, hit.Y);
    if (area.HorzType == 0 || area.HorzIndex >= FColumns->Count())
        return platformPause;
    TColumnMv* column = FColumns->Items(area.HorzIndex);
    switch (area.VertType) {
    case 0: return column->Title().ToolTips() && column->Title().Hint.isEmpty() ? 0 : platformPause;
    case 1: return platformPause;
    case 2: return column->ToolTips() ? 0 : platformPause;
    default: return column->GetFooterForRow(area.VertIndex).ToolTips() ? 0 : platformPause;
    }
}

bool TCustomDBGridMv::event(QEvent* Event)
{
    if (Event->type() == QEvent::Polish)
        InstallTipHandling();
    // The parent's palette reaches the grid when the parent's colour changes.
    if (Event->type() == QEvent::PaletteChange)
        ParentColorChanged();
    if (ContextMenuTakenByCell(Event))
        return true;
    return TCustomGridMv::event(Event);
}
