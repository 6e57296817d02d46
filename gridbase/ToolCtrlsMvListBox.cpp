// The drop-down list box and the list box of recent values.

#include "gridbase/ToolCtrlsMv.h"

#include "gridbase/ToolCtrlsMvWatch.h"
#include "gridbase/WinApiMv.h"
#include "platform/ImageList.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

namespace {

constexpr qint64 SearchPause = 2000;
constexpr int SearchTextLimit = 32;

} // namespace

// ---------------------------------------------------------------- TPopupListboxMv

TPopupListboxMv::TPopupListboxMv(QWidget* Owner) : TCustomControl(Owner), FOwner(Owner)
{
    SetDropDownWindowFlags(this, false);
    SetColor(clWindow);
    SetScrollBarsAllowed(false, true);
    FItemHeight = GetTextHeight();
    FSizeGrip = new TSizeGripMv(this);
    FWatch = new TDropDownWatchMv(this, [this] {
        if (!PrivateMessagePending(MV_DROPDOWNCANCEL))
            PostPrivateMessage(MV_DROPDOWNCANCEL);
    });
    RecreateWnd();
    hide();
}

TPopupListboxMv::~TPopupListboxMv()
{
    FWatch->SetWatching(false);
}

TStringList& TPopupListboxMv::Items()
{
    return FItemsSource ? *FItemsSource : FOwnItems;
}

const TStringList& TPopupListboxMv::Items() const
{
    return FItemsSource ? *FItemsSource : FOwnItems;
}

void TPopupListboxMv::SetItems(TStringList* Source)
{
    FItemsSource = Source;
    ItemsChanged();
}

void TPopupListboxMv::SetSorted(bool Value)
{
    FOwnItems.SetSorted(Value);
    ItemsChanged();
}

void TPopupListboxMv::ItemsChanged()
{
    if (FItemIndex >= Count())
        FItemIndex = -1;
    LayoutChanged();
    Invalidate();
}

void TPopupListboxMv::SetItemIndex(int Value)
{
    if (Value < -1 || Value >= Count())
        Value = -1;
    if (Value != FItemIndex) {
        FItemIndex = Value;
        Invalidate();
    }
    MakeVisible(Value);
}

void TPopupListboxMv::MakeVisible(int Index)
{
    if (Index < 0)
        return;
    const int rows = std::max(1, VisibleRows());
    if (Index < FTopIndex)
        SetTopIndex(Index);
    else if (Index >= FTopIndex + rows)
        SetTopIndex(Index - rows + 1);
}

void TPopupListboxMv::SetTopIndex(int Value)
{
    Value = std::clamp(Value, 0, std::max(0, Count() - VisibleRows()));
    if (Value == FTopIndex)
        return;
    FTopIndex = Value;
    LayoutChanged();
    Invalidate();
}

void TPopupListboxMv::SetItemHeight(int Value)
{
    if (Value <= 0 || Value == FItemHeight)
        return;
    FItemHeight = Value;
    LayoutChanged();
    Invalidate();
}

int TPopupListboxMv::VisibleRows() const
{
    return FItemHeight > 0 ? ClientHeight() / FItemHeight : 0;
}

TRect TPopupListboxMv::ItemRect(int Index) const
{
    return Bounds(0, (Index - FTopIndex) * FItemHeight, ClientWidth(), FItemHeight);
}

int TPopupListboxMv::ItemAtPos(const QPoint& Pos, bool Existing) const
{
    if (FItemHeight <= 0 || Count() == 0)
        return -1;
    const bool inside = Pos.x() >= 0 && Pos.x() < ClientWidth() && Pos.y() >= 0 && Pos.y() < ClientHeight();
    const int row = Pos.y() < 0 ? -1 : Pos.y() / FItemHeight;
    const int index = FTopIndex + row;
    if (Existing)
        return inside && index < Count() ? index : -1;
    return std::clamp(index, 0, Count() - 1);
}

void TPopupListboxMv::SetImageList(TImageList* Value)
{
    FImages = Value;
    Invalidate();
}

int TPopupListboxMv::GetTextHeight() const
{
    return QFontMetrics(font()).height();
}

void TPopupListboxMv::SetRowCount(int Rows)
{
    const int itemHeight = FItemHeight > 0 ? FItemHeight : GetTextHeight();
    SetBounds(x(), y(), width(), itemHeight * std::max(1, Rows) + BorderHeight());
}

void TPopupListboxMv::SetBounds(int Left, int Top, int Width, int Height)
{
    const int itemHeight = std::max(1, FItemHeight > 0 ? FItemHeight : GetTextHeight());
    FRowCount = std::max(1, (Height - BorderHeight()) / itemHeight);
    Height = BorderHeight() + FRowCount * itemHeight;
    Width = std::max(Width, GetSystemMetrics(SM_CXVSCROLL));
    Height = std::max(Height, GetSystemMetrics(SM_CYVSCROLL));
    setGeometry(Left, Top, Width, Height);
}

void TPopupListboxMv::LayoutChanged()
{
    const int rows = VisibleRows();
    FTopIndex = std::clamp(FTopIndex, 0, std::max(0, Count() - rows));
    SetScrollInfo(sbVertical, TScrollInfo{0, std::max(0, Count() - 1), rows, FTopIndex});
    FSizeGrip->UpdatePosition();
}

qint64 TPopupListboxMv::TickCount() const
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

qintptr TPopupListboxMv::Perform(quint32 msg, qintptr wParam, qintptr lParam)
{
    if (msg == MV_DROPDOWNPLACED) {
        FSizeGrip->ChangePosition(int(wParam));
        LayoutChanged();
        return 0;
    }
    return TCustomControl::Perform(msg, wParam, lParam);
}

void TPopupListboxMv::PrivateMessage(int msg, qintptr param)
{
    if (msg == MV_DROPDOWNCANCEL) {
        if (isVisible())
            if (IDropDownOwnerMv* owner = DropDownOwnerOf(FOwner.data()))
                owner->CloseUp(false);
        return;
    }
    TCustomControl::PrivateMessage(msg, param);
}

void TPopupListboxMv::resizeEvent(QResizeEvent* event)
{
    TCustomControl::resizeEvent(event);
    FSizeGripResized = true;
    LayoutChanged();
}

void TPopupListboxMv::showEvent(QShowEvent* event)
{
    TCustomControl::showEvent(event);
    FLastMousePoint = QPoint(-1, -1);
    FWatch->SetWatching(true);
    LayoutChanged();
}

void TPopupListboxMv::hideEvent(QHideEvent* event)
{
    TCustomControl::hideEvent(event);
    FWatch->SetWatching(false);
    RemovePrivateMessage(MV_DROPDOWNCANCEL);
}

// ---------------------------------------------------------------- painting

int TPopupListboxMv::BorderWidth() const
{
    return Ctl3D() ? 2 : 1;
}

void TPopupListboxMv::PaintBorder(TCanvas& canvas, const TRect& rect)
{
    if (!Ctl3D()) {
        canvas.Brush = TBrush{clWindowFrame, bsSolid};
        canvas.FrameRect(rect);
        return;
    }
    TRect r = rect;
    canvas.DrawEdge(r, BDR_RAISEDOUTER, BF_RECT);
    r = r.Inflate(-1, -1);
    canvas.DrawEdge(r, BDR_RAISEDINNER, BF_RECT);
}

void TPopupListboxMv::Paint()
{
    TCanvas& canvas = Canvas();
    const TRect client = ClientRect();
    if (FItemHeight <= 0) {
        canvas.FillRect(client, Color());
        return;
    }
    for (int index = FTopIndex, top = 0; top < client.Bottom; ++index, top += FItemHeight) {
        const TRect row = Bounds(0, top, client.Width(), FItemHeight);
        if (index < Count())
            DrawItem(index, row, index == FItemIndex);
        else
            canvas.FillRect(row, Color());
    }
}

void TPopupListboxMv::DrawItem(int Index, const TRect& Rect, bool Selected)
{
    TCanvas& canvas = Canvas();
    canvas.Font = Font();
    canvas.Brush = TBrush{Selected ? clHighlight : Color(), bsSolid};
    canvas.Font.Color = Selected ? clHighlightText : FontColor();
    canvas.FillRect(Rect);
    const bool hasText = Index >= 0 && Index < Count();
    if (FImages) {
        if (Index < 0)
            return;
        // Right to left the picture stands at the right and the text ends
        // short of it.
        const bool rightToLeft = isRightToLeft();
        const int imageArea = FImages->Width() + 4;
        const TRect imageRect = rightToLeft ? TRect(Rect.Right - imageArea, Rect.Top, Rect.Right, Rect.Bottom)
                                            : TRect(Rect.Left, Rect.Top, Rect.Left + imageArea, Rect.Bottom);
        int imageIndex = Index;
        if (OnGetImageIndex)
            OnGetImageIndex(this, Index, imageIndex);
        DrawClippedImage(canvas, imageRect, FImages, imageIndex, Selected);
        const TRect textRect = rightToLeft ? TRect(Rect.Left, Rect.Top, imageRect.Left, Rect.Bottom)
                                           : TRect(imageRect.Right, Rect.Top, Rect.Right, Rect.Bottom);
        if (hasText) {
            const QString& text = Items()[Index];
            const int x = rightToLeft ? textRect.Right - canvas.TextWidth(text) - 2 : Rect.Left + FImages->Width() + 5;
            canvas.TextRect(textRect, x, Rect.Top, text);
        }
        if (Selected)
            canvas.DrawFocusRect(textRect);
        return;
    }
    if (hasText) {
        TRect textRect = Rect;
        textRect.Left += 2;
        canvas.Brush.Style = bsClear;
        canvas.DrawText(Items()[Index], textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        canvas.Brush.Style = bsSolid;
    }
    if (Selected)
        canvas.DrawFocusRect(Rect);
}

// ---------------------------------------------------------------- input

void TPopupListboxMv::KeyDown(quint16& Key, TShiftState)
{
    const int count = Count();
    if (count == 0)
        return;
    const int page = std::max(1, VisibleRows() - 1);
    int index = FItemIndex;
    switch (Key) {
    case VK_UP:
    case VK_LEFT: index = index <= 0 ? 0 : index - 1; break;
    case VK_DOWN:
    case VK_RIGHT: index = std::min(index + 1, count - 1); break;
    case VK_PRIOR: index = std::max(0, index - page); break;
    case VK_NEXT: index = std::min(count - 1, std::max(index, 0) + page); break;
    case VK_HOME: index = 0; break;
    case VK_END: index = count - 1; break;
    default: return;
    }
    SetItemIndex(index);
    Key = 0;
}

void TPopupListboxMv::KeyPress(QChar& Key)
{
    if (Key == QChar(VK_BACK) || Key == QChar(VK_ESCAPE)) {
        FSearchText.clear();
        return;
    }
    // Every printable character counts: a Chinese character is one key here.
    if (Key.unicode() < 32)
        return;
    const qint64 now = TickCount();
    if (now - FSearchTick > SearchPause)
        FSearchText.clear();
    FSearchTick = now;
    if (FSearchText.size() < SearchTextLimit)
        FSearchText += Key;
    SelectString(FSearchText);
    Key = QChar();
}

void TPopupListboxMv::SelectString(const QString& Prefix)
{
    const TStringList& items = Items();
    for (int i = 0; i < items.Count(); ++i) {
        if (AnsiCompareTextMv(items[i].left(Prefix.size()), Prefix) == 0) {
            SetItemIndex(i);
            return;
        }
    }
}

void TPopupListboxMv::MouseDown(TMouseButton Button, TShiftState, int X, int Y)
{
    if (Button != mbLeft)
        return;
    const int index = ItemAtPos(QPoint(X, Y), true);
    if (index >= 0)
        SetItemIndex(index);
}

void TPopupListboxMv::MouseMove(TShiftState Shift, int X, int Y)
{
    const QPoint point(X, Y);
    if (point == FLastMousePoint)
        return;
    FLastMousePoint = point;
    const bool buttons = Shift & (ssLeft | ssRight | ssMiddle);
    // Hot tracking, and a drag with the left button that selects as it goes.
    if (buttons && !(Shift.testFlag(ssLeft) && MouseCapture()))
        return;
    const int index = ItemAtPos(point, true);
    if (index >= 0)
        SetItemIndex(index);
}

void TPopupListboxMv::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

bool TPopupListboxMv::DoMouseWheelDown(TShiftState, const QPoint&)
{
    SetTopIndex(FTopIndex + 1);
    return true;
}

bool TPopupListboxMv::DoMouseWheelUp(TShiftState, const QPoint&)
{
    SetTopIndex(FTopIndex - 1);
    return true;
}

void TPopupListboxMv::WMVScroll(int code, int pos)
{
    const int rows = std::max(1, VisibleRows());
    switch (code) {
    case SB_LINEUP: SetTopIndex(FTopIndex - 1); break;
    case SB_LINEDOWN: SetTopIndex(FTopIndex + 1); break;
    case SB_PAGEUP: SetTopIndex(FTopIndex - rows); break;
    case SB_PAGEDOWN: SetTopIndex(FTopIndex + rows); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: SetTopIndex(pos); break;
    case SB_TOP: SetTopIndex(0); break;
    case SB_BOTTOM: SetTopIndex(Count()); break;
    default: break;
    }
}

// ---------------------------------------------------------------- TMRUListboxMv

TMRUListboxMv::TMRUListboxMv(QWidget* Owner) : TPopupListboxMv(Owner)
{
    FScrollBar = new QScrollBar(Qt::Vertical, ClientWidget());
    FScrollBar->setFocusPolicy(Qt::NoFocus);
    FScrollBar->hide();
    QObject::connect(FScrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (!FInLayout)
            WMVScroll(SB_THUMBPOSITION, value);
    });
    // The recent values are listed alphabetically, in a plain frame.
    SetSorted(true);
    SetCtl3D(false);
    SetScrollBarsAllowed(false, false);
    LayoutChanged();
}

TMRUListboxMv::~TMRUListboxMv() = default;

void TMRUListboxMv::LayoutChanged()
{
    if (FInLayout)
        return;
    FInLayout = true;
    TPopupListboxMv::LayoutChanged();
    TSizeGripMv* grip = SizeGrip();
    const int rows = VisibleRows();
    const int count = Count();
    const bool barShown = count >= 1 && count > rows;
    const bool gripShown = !grip->isHidden();
    const bool gripRight = grip->Position() == 1 || grip->Position() == 2;
    if (barShown) {
        const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
        int top = 0;
        int bottom = ClientHeight();
        if (gripShown && grip->Position() == 2)
            bottom -= grip->height();
        else if (gripShown && grip->Position() == 1)
            top = grip->height();
        const QSignalBlocker blocker(FScrollBar);
        FScrollBar->setGeometry(ClientWidth() - barWidth, top, barWidth, std::max(0, bottom - top));
        FScrollBar->setRange(0, std::max(0, count - rows));
        FScrollBar->setPageStep(std::max(1, rows));
        FScrollBar->setValue(TopIndex());
        FScrollBar->show();
        grip->SetTriangleWindow(!gripRight);
    } else {
        FScrollBar->hide();
        grip->SetTriangleWindow(true);
    }
    FInLayout = false;
}
