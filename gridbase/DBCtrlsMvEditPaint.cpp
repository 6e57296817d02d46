// The data-aware edit: layout of its buttons, image and text, its height,
// its painting and its list of recent values.

#include "gridbase/DBCtrlsMv.h"

#include "platform/ImageList.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <climits>

// ---------------------------------------------------------------- layout

int TCustomDBEditMv::BorderWidth() const
{
    if (FBorderStyle == bsNone)
        return 0;
    return FCtl3D ? 2 : 1;
}

TRect TCustomDBEditMv::ClientRect() const
{
    const int border = BorderWidth();
    return TRect(border, border, std::max(border, width() - border), std::max(border, height() - border));
}

int TCustomDBEditMv::ImageWidth() const
{
    if (!FEditImage->Visible() || !FEditImage->Images())
        return 0;
    return (FEditImage->Width() >= 1 ? FEditImage->Width() : FEditImage->Images()->Width()) + 4;
}

TRect TCustomDBEditMv::ImageRect() const
{
    const TRect client = ClientRect();
    const int w = ImageWidth();
    if (w == 0)
        return TRect();
    if (isRightToLeft())
        return TRect(client.Right - w, client.Top, client.Right, client.Bottom);
    return TRect(client.Left, client.Top, client.Left + w, client.Bottom);
}

TRect TCustomDBEditMv::CalcEditRect() const
{
    TRect r = ClientRect();
    if (isRightToLeft()) {
        r.Left += FButtonWidth;
        r.Right -= ImageWidth();
    } else {
        r.Right -= FButtonWidth;
        r.Left += ImageWidth();
    }
    r.Right = std::max(r.Left, r.Right);
    return r;
}

TRect TCustomDBEditMv::EditRect() const
{
    return CalcEditRect();
}

void TCustomDBEditMv::ApplyEditRect()
{
    const TRect r = CalcEditRect();
    setTextMargins(r.Left, r.Top, width() - r.Right, height() - r.Bottom);
}

TEditButtonControlMv* TCustomDBEditMv::CreateEditButtonControl()
{
    auto* control = new TEditButtonControlMv(this);
    control->setFocusPolicy(Qt::NoFocus);
    control->setCursor(Qt::ArrowCursor);
    WireButtonControl(control);
    return control;
}

void TCustomDBEditMv::UpdateEditButtonControlsState()
{
    // One control per button: the EditButton's, then one per entry.
    const size_t count = size_t(1 + FEditButtons->Count());
    while (FButtonControls.size() < count)
        FButtonControls.push_back({CreateEditButtonControl(), TRect()});
    while (FButtonControls.size() > count) {
        // A button's own handler may have removed it: it goes once its
        // event is over.
        TEditButtonControlMv* control = FButtonControls.back().Control;
        FButtonControls.pop_back();
        control->hide();
        control->OnDown = nullptr;
        control->OnClick = nullptr;
        control->OnMouseMove = nullptr;
        control->OnMouseUp = nullptr;
        control->deleteLater();
    }

    const TRect client = ClientRect();
    const int inset = FBorderStyle == bsSingle && !FCtl3D ? 1 : 0;
    const int top = client.Top + inset;
    const int available = std::max(0, client.Height() - 2 * inset);
    std::vector<int> widths(count);
    int height = INT_MAX;
    bool anyVisible = false;
    for (size_t i = 0; i < count; ++i) {
        const TEditButtonMv* button = ButtonOfControl(FButtonControls[i].Control);
        TEditButtonControlMv* control = FButtonControls[i].Control;
        control->SetStyle(button->Style());
        if (control->Glyph().cacheKey() != button->Glyph().cacheKey())
            control->SetGlyph(button->Glyph());
        control->SetNumGlyphs(button->NumGlyphs());
        control->setToolTip(button->Hint());
        control->SetFlat(FFlat);
        control->SetActive(FHot);
        control->setEnabled(button->Enabled() && isEnabled());
        control->SetTag(int(i));
        widths[i] = EditButtonControlWidth(*button, FFlat);
        if (button->Visible()) {
            anyVisible = true;
            height = std::min(height, EditButtonHeight(widths[i], FFlat, available));
        }
    }
    if (!anyVisible)
        height = 0;

    // From the far edge inwards, the last entry first; each button has its
    // separator on its inner side.
    const bool rtl = isRightToLeft();
    const int edge = rtl ? client.Left + inset : client.Right - inset;
    int x = edge;
    for (size_t n = count; n-- > 0;) {
        TButtonEntry& entry = FButtonControls[n];
        const TEditButtonMv* button = ButtonOfControl(entry.Control);
        entry.Separator = TRect();
        if (!button->Visible()) {
            entry.Control->hide();
            continue;
        }
        const int w = widths[n];
        if (rtl) {
            entry.Control->setGeometry(x, top, w, height);
            x += w;
            if (FFlat) {
                entry.Separator = Bounds(x, top, 1, height);
                x += 1;
            }
        } else {
            x -= w;
            entry.Control->setGeometry(x, top, w, height);
            if (FFlat) {
                x -= 1;
                entry.Separator = Bounds(x, top, 1, height);
            }
        }
        entry.Control->show();
    }
    FButtonWidth = anyVisible ? std::abs(edge - x) + inset : 0;
    FButtonHeight = height;
}

TRect TCustomDBEditMv::SeparatorRect(int Index) const
{
    return Index >= 0 && Index < ButtonControlCount() ? FButtonControls[size_t(Index)].Separator : TRect();
}

void TCustomDBEditMv::EditButtonChanged()
{
    UpdateEditButtonControlsState();
    ApplyEditRect();
    update();
}

void TCustomDBEditMv::AdjustHeight()
{
    if (!FAutoSize)
        return;
    // The border's share, less in the flat look, and the font's (or the
    // image's) height.
    const int margin = (FCtl3D ? 8 : 6) - (FFlat ? 2 : 0);
    int contentHeight = QFontMetrics(font()).height();
    if (FEditImage->Visible() && FEditImage->Images() && FEditImage->UseImageHeight())
        contentHeight = std::max(contentHeight, FEditImage->Images()->Height());
    const int h = margin + contentHeight;
    if (h != height())
        resize(width(), h);
}

void TCustomDBEditMv::RecreateWnd()
{
    UpdateEditButtonControlsState();
    ApplyEditRect();
    AdjustHeight();
    update();
}

void TCustomDBEditMv::resizeEvent(QResizeEvent* Event)
{
    QLineEdit::resizeEvent(Event);
    UpdateEditButtonControlsState();
    ApplyEditRect();
}

void TCustomDBEditMv::changeEvent(QEvent* Event)
{
    QLineEdit::changeEvent(Event);
    switch (Event->type()) {
    case QEvent::EnabledChange: UpdateEditButtonControlsState(); break;
    case QEvent::FontChange:
    case QEvent::LayoutDirectionChange: RecreateWnd(); break;
    default: break;
    }
}

// ---------------------------------------------------------------- painting

void TCustomDBEditMv::paintEvent(QPaintEvent* Event)
{
    {
        // The line edit leaves corners of its own panel unpainted.
        QPainter painter(this);
        painter.fillRect(rect(), ToQColor(FColor, palette()));
    }
    QLineEdit::paintEvent(Event);
    TCanvas canvas;
    canvas.Begin(this, QRegion(rect()), palette());
    PaintBorder(canvas);
    PaintImage(canvas);
    for (const TButtonEntry& entry : FButtonControls)
        if (!entry.Separator.IsEmpty())
            canvas.FillRect(entry.Separator, FHot ? clBtnFace : FColor);
    PaintRequiredState(canvas);
    canvas.End();
}

void TCustomDBEditMv::PaintBorder(TCanvas& Canvas)
{
    if (FBorderStyle == bsNone)
        return;
    TRect r(0, 0, width(), height());
    if (!FCtl3D) {
        Canvas.Brush = TBrush{clWindowFrame, bsSolid};
        Canvas.FrameRect(r);
        return;
    }
    if (!FFlat) {
        Canvas.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
        return;
    }
    // The flat look: a thin sunken edge only while hot, then a ring in the
    // button face.
    if (FHot) {
        Canvas.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT);
    } else {
        Canvas.Brush = TBrush{clBtnFace, bsSolid};
        Canvas.FrameRect(r);
    }
    Canvas.Brush = TBrush{clBtnFace, bsSolid};
    Canvas.FrameRect(r.Inflate(-1, -1));
}

void TCustomDBEditMv::PaintImage(TCanvas& Canvas)
{
    if (!FEditImage->Visible() || !FEditImage->Images() || FEditImage->ImageIndex() < 0)
        return;
    const TRect r = ImageRect();
    if (r.IsEmpty())
        return;
    DrawClippedImage(Canvas, r.Inflate(-2, -1), FEditImage->Images(), FEditImage->ImageIndex(), false);
}

bool TCustomDBEditMv::DrawRequiredState() const
{
    if (DataIndependent()) {
        const Variant value = FDataLink.Value();
        return FDataLink.CanModify() && !FReadOnly && (value.IsNull() || TextEmpty());
    }
    const TDataSource* source = DataSource();
    const TField* field = Field();
    if (!source || !field)
        return false;
    const TDataSetState state = source->State();
    return (state == dsEdit || state == dsInsert) && field->Required() && field->IsNull();
}

void TCustomDBEditMv::PaintRequiredState(TCanvas& Canvas)
{
    if (!FHighlightRequired)
        return;
    bool draw = DrawRequiredState();
    if (OnCheckDrawRequiredState)
        OnCheckDrawRequiredState(this, draw);
    if (!draw)
        return;
    const TRect text = CalcEditRect();
    const int y = ClientRect().Bottom - 2;
    Canvas.Pen = TPen{clRed, 1, psDot};
    Canvas.MoveTo(text.Left + 2, y);
    Canvas.LineTo(text.Right - 3, y);
}

QString TCustomDBEditMv::TooltipText() const
{
    if (echoMode() != QLineEdit::Normal)
        return QString();
    // The text the edit shows: while it has no focus, the field's display
    // text (in key mode the item's text).
    const QString whole = hasFocus() ? text() : GetDisplayText();
    if (whole.isEmpty())
        return QString();
    // The line edit keeps two pixels on each side of its text.
    const TRect r = CalcEditRect();
    const QFontMetrics metrics(font());
    bool fits;
    if (FWordWrap) {
        const QRect needed = metrics.boundingRect(QRect(0, 0, std::max(1, r.Width() - 4), INT_MAX / 4),
                                                  Qt::TextWordWrap, whole);
        fits = needed.height() <= r.Height();
    } else {
        fits = metrics.horizontalAdvance(whole) <= r.Width() - 4;
    }
    return fits ? QString() : whole;
}

// ---------------------------------------------------------------- recent values

TMRUListboxMv* TCustomDBEditMv::CreateMRUListBox()
{
    auto* list = new TMRUListboxMv(this);
    list->OnMouseUp = [this, list](QObject*, TMouseButton Button, TShiftState, int X, int Y) {
        if (Button == mbLeft)
            UserAction([&] { CloseUp(list->ClientRect().Contains(X, Y)); });
    };
    list->SizeGrip()->OnParentResized = [this](QObject*) { MRUListResized(); };
    return list;
}

void TCustomDBEditMv::MRUListDropDown()
{
    if (!FMRUListBox)
        FMRUListBox = CreateMRUListBox();
    TStringList& items = FMRUListBox->Items();
    const bool wasShown = MRUListShown();
    const bool complete = FMRUList->FilterItemsTo(items, EnteredText());
    FMRUListBox->ItemsChanged();
    // The walk let the waiting events run: a list that one of them closed
    // (the focus went elsewhere) stays closed.
    if (wasShown && !MRUListShown())
        return;
    if (!complete) {
        // The user typed on: the list would be out of date by the time it
        // shows, and the next text drops it down again.
        if (MRUListShown())
            CloseUp(false);
        return;
    }
    const int rows = std::min(items.Count(), FMRUList->Rows());
    if (MRUListShown()) {
        if (items.Count() == 0)
            CloseUp(false);
        else
            PlaceMRUListBox();
        return;
    }
    if (items.Count() == 0)
        return;
    FMRUListBox->SetColor(FColor);
    FMRUListBox->setFont(font());
    FMRUListBox->SetFontColor(FFontColor);
    FMRUListBox->SetItemHeight(FMRUListBox->GetTextHeight());
    FMRUListBox->SetItemIndex(-1);
    FMRUListBox->SetRowCount(rows);
    PlaceMRUListBox();
    FMRUListBox->SizeGrip()->SetVisible(true);
    FMRUList->SetDroppedDown(true);
}

void TCustomDBEditMv::PlaceMRUListBox()
{
    // Under the text, as wide as the text rectangle.
    const TRect text = CalcEditRect();
    const QPoint origin = mapToGlobal(QPoint(text.Left, 0));
    const int rows = std::max(1, std::min(FMRUListBox->Count(), FMRUList->Rows()));
    FMRUListBox->SetBounds(FMRUListBox->x(), FMRUListBox->y(), text.Width(),
                           FMRUListBox->ItemHeight() * rows + FMRUListBox->BorderHeight());
    const QPoint at =
        AlignDropDownWindowRect(Bounds(origin.x(), origin.y(), text.Width(), height()), FMRUListBox, daLeft);
    ShowDropDownWindow(FMRUListBox, at);
}

void TCustomDBEditMv::MRUListCloseUp(bool Accept)
{
    if (!MRUListShown())
        return;
    FMRUListBox->SetMouseCapture(false);
    // A drop-down that a window manager had made active gives the
    // activation back to the edit's window when it goes.
    const bool wasActive = FMRUListBox->isActiveWindow();
    HideDropDownWindow(FMRUListBox);
    if (wasActive)
        ReclaimActivation();
    FMRUList->SetDroppedDown(false);
    if (Accept && !FReadOnly && FDataLink.Edit()) {
        const int index = FMRUListBox->ItemIndex();
        if (index >= 0 && index < FMRUListBox->Count()) {
            InternalSetText(FMRUListBox->Items()[index]);
            if (hasFocus())
                selectAll();
        }
    }
}

void TCustomDBEditMv::MRUListResized()
{
    if (!FMRUListBox)
        return;
    FMRUList->SetRows(FMRUListBox->RowCount());
    FMRUList->SetWidth(FMRUListBox->width());
}
