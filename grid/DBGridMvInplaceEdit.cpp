// The dataset grid's cell editor: its edit style per column, the buttons
// inside the cell, the text rectangle, painting and focus.

#include "grid/DBGridMvInplaceEdit.h"

#include "grid/DBLookupGridsMv.h"
#include "gridbase/CalculatorMv.h"
#include "platform/Dialogs.h"
#include "platform/ImageList.h"
#include "platform/db/Field.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

TDBGridInplaceEdit::TDBGridInplaceEdit(QWidget* parent) : TInplaceEdit(parent)
{
    FButtonWidth = GetSystemMetrics(SM_CXVSCROLL);
    // The line edit repaints only its own one-line caret area; the lines
    // of a wrapping editor are painted whole.
    const auto repaintLines = [this] {
        if (FWordWrap)
            update();
    };
    connect(this, &QLineEdit::cursorPositionChanged, this, repaintLines);
    connect(this, &QLineEdit::selectionChanged, this, repaintLines);
}

TDBGridInplaceEdit::~TDBGridInplaceEdit()
{
    // The data list belongs to its column; it must not call back into a
    // gone editor.
    if (FDataList) {
        FDataList->OnCloseUp = nullptr;
        FDataList->OnColumnMoved = nullptr;
        if (FDataList->isVisible())
            HideDropDownWindow(FDataList);
        FDataList->SetOwnerWidget(nullptr);
        FDataList->SetListSource(nullptr);
    }
}

TCustomDBGridMv* TDBGridInplaceEdit::DBGrid() const
{
    return static_cast<TCustomDBGridMv*>(Grid());
}

TColumnMv* TDBGridInplaceEdit::GetEditColumn() const
{
    TCustomDBGridMv* grid = DBGrid();
    if (!grid || grid->Columns().Count() == 0)
        return nullptr;
    const int index = grid->GetSelectedIndex();
    return index >= 0 && index < grid->Columns().Count() ? grid->Columns()[index] : nullptr;
}

// ---------------------------------------------------------------- edit style

TEditStyleMv TDBGridInplaceEdit::GetColumnEditStyle(const TColumnMv* Column)
{
    if (!Column)
        return esSimpleMv;
    switch (Column->ButtonStyle()) {
    case cbsEllipsis: return esEllipsisMv;
    case cbsNone: return esSimpleMv;
    case cbsUpDown: return esUpDownMv;
    case cbsDropDown: return esDropDownMv;
    case cbsAuto: break;
    }
    TField* field = Column->Field();
    if (!field)
        return esSimpleMv;
    if (field->FieldKind() == fkLookup) {
        TDataSet* dataSet = field->DataSet();
        if (field->KeyFields.isEmpty() || !dataSet)
            return esSimpleMv;
        std::vector<TField*> keys;
        for (const QString& name : SplitFieldNames(field->KeyFields))
            keys.push_back(dataSet->FindField(name));
        if (std::find(keys.begin(), keys.end(), nullptr) != keys.end() || !FieldsCanModify(keys))
            return esSimpleMv;
        if (Column->AssignedValues().testFlag(cvReadOnly) && Column->ReadOnly())
            return esSimpleMv;
        const TCustomDBGridMv* grid = Column->Grid();
        if (grid && !grid->ReadOnly() && grid->DataLink()->Active() && !grid->DataLink()->ReadOnly())
            return esDataListMv;
        return esSimpleMv;
    }
    if (Column->PickListIfAny() && !Column->PickListIfAny()->IsEmpty() && !Column->ReadOnly())
        return esPickListMv;
    const TFieldType type = field->DataType();
    if ((type == ftDate || type == ftDateTime || type == ftTimeStamp) && !Column->ReadOnly())
        return esDateMv;
    return esSimpleMv;
}

void TDBGridInplaceEdit::SetEditStyle(TEditStyleMv Value)
{
    FEditStyle = Value;
    TColumnMv* column = GetEditColumn();
    switch (Value) {
    case esPickListMv: FActiveList = EnsurePickList(); break;
    case esDataListMv: PrepareDataList(column); break;
    case esDateMv:
        if (!FCalendar) {
            FCalendar = new TPopupMonthCalendarMv(this);
            FCalendar->hide();
        }
        FActiveList = FCalendar;
        break;
    case esDropDownMv:
        if (column && column->Field() && IsNumericType(column->Field()->DataType())) {
            if (!FCalculator) {
                FCalculator = new TPopupCalculatorMv(this);
                FCalculator->hide();
            }
            FActiveList = FCalculator;
        } else {
            FActiveList = nullptr;
        }
        break;
    default: FActiveList = nullptr; break;
    }
    // A binary field (a sound, a picture) is never typed as text: its edit
    // buttons change it.
    const TField* field = column ? column->Field() : nullptr;
    const bool binary = field && field->IsBlob() && field->DataType() != ftMemo && field->DataType() != ftFmtMemo;
    setReadOnly(column && (column->ReadOnly() || binary));
}

void TDBGridInplaceEdit::PrepareDataList(TColumnMv* Column)
{
    TPopupDataGridMv* list = Column ? Column->DataList() : nullptr;
    if (list != FDataList) {
        if (FDataList) {
            FDataList->OnCloseUp = nullptr;
            FDataList->OnColumnMoved = nullptr;
            FDataList->SetOwnerWidget(nullptr);
        }
        FDataList = list;
        if (list) {
            list->hide();
            list->SetCtl3D(true);
            list->SetOwnerWidget(this);
            list->OnCloseUp = [this](bool Accept) { UserAction([&] { CloseUp(Accept); }); };
        }
    }
    FActiveList = list;
}

void TDBGridInplaceEdit::SetWordWrap(bool Value)
{
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    FFirstLine = 0;
    update();
}

void TDBGridInplaceEdit::UpdateContents()
{
    // A reload closes an open drop-down without taking anything from it.
    if (FListVisible) {
        const bool closing = FClosing;
        FClosing = true;
        CloseUp(false);
        FClosing = closing;
    }
    if (MRUListVisible())
        MRUListCloseUp(false);
    TColumnMv* column = GetEditColumn();
    SetEditStyle(GetColumnEditStyle(column));
    FMRUList = column ? &column->MRUList() : nullptr;
    // Only rows of several lines give a wrapping column a multi-line editor.
    SetWordWrap(column && column->WordWrap() && DBGrid()->MultiLineRows());
    FImageIndex = -1;
    if (column && column->ImageList() && column->ShowImageAndText())
        FImageIndex = column->GetImageIndex();
    TInplaceEdit::UpdateContents();
    FFirstLine = 0;
    if (column)
        ApplyCellParams(column);
    for (TButtonPair& pair : FButtons) {
        pair.Control->setEnabled(true);
        pair.Control->SetActive(true);
    }
    LayoutButtons();
}

void TDBGridInplaceEdit::ApplyCellParams(TColumnMv* Column)
{
    // The column's cell parameters for edit mode, which its OnGetCellParams
    // may change as it does for the painted cells.
    TFont font = Column->Font();
    TColCellParamsMv params;
    params.Font = &font;
    params.State = gdFocused | gdSelected;
    Column->FillColCellParams(true, params);
    setFont(font);
    FColor = params.Background;
    FFontColor = font.Color;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(params.Background, palette()));
    pal.setColor(QPalette::Text, ToQColor(font.Color, palette()));
    setPalette(pal);
    const Qt::Alignment vertical = FWordWrap ? Qt::AlignTop : Qt::AlignVCenter;
    setAlignment((params.Alignment == taRightJustify ? Qt::AlignRight
                  : params.Alignment == taCenter     ? Qt::AlignHCenter
                                                     : Qt::AlignLeft) |
                 vertical);
    // The handler may make the cell read-only; it cannot make a read-only
    // column writable.
    if (params.ReadOnly)
        setReadOnly(true);
}

bool TDBGridInplaceEdit::EditCanModify()
{
    return !isReadOnly() && TInplaceEdit::EditCanModify();
}

// ---------------------------------------------------------------- layout

TEditButtonControlMv* TDBGridInplaceEdit::ButtonControl(int Index) const
{
    return Index >= 0 && Index < ButtonCount() ? FButtons[size_t(Index)].Control : nullptr;
}

TRect TDBGridInplaceEdit::SeparatorRect(int Index) const
{
    return Index >= 0 && Index < ButtonCount() ? FButtons[size_t(Index)].Separator : TRect();
}

TEditButtonControlMv* TDBGridInplaceEdit::MakeButtonControl()
{
    auto* control = new TEditButtonControlMv(this);
    control->setGeometry(0, 0, 10, 17);
    control->setAttribute(Qt::WA_OpaquePaintEvent);
    control->setCursor(Qt::ArrowCursor);
    control->show();
    control->OnDown = [this, control](QObject*, bool TopButton, bool& AutoRepeat, bool& Handled) {
        UserAction([&] { EditButtonDown(control, TopButton, AutoRepeat, Handled); });
    };
    control->OnClick = [this, control](QObject*) { UserAction([&] { EditButtonClick(control); }); };
    control->OnMouseMove = [this, control](QObject*, TShiftState Shift, int X, int Y) {
        UserAction([&] { EditButtonMouseMove(control, Shift, X, Y); });
    };
    control->OnMouseUp = [this, control](QObject*, TMouseButton Button, TShiftState, int X, int Y) {
        UserAction([&] { EditButtonMouseUp(control, Button, X, Y); });
    };
    control->SetTag(0);
    return control;
}

void TDBGridInplaceEdit::LayoutButtons()
{
    TCustomDBGridMv* grid = DBGrid();
    TColumnMv* column = GetEditColumn();
    const bool flat = grid && grid->Flat();
    const int extras = column ? column->EditButtons().Count() : 0;
    // One pair for the main button, one per extra button.
    while (int(FButtons.size()) > extras + 1) {
        delete FButtons.back().Control;
        FButtons.pop_back();
    }
    while (int(FButtons.size()) < extras + 1)
        FButtons.push_back(TButtonPair{MakeButtonControl(), TRect()});

    const int defaultWidth = flat ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
    const int clientHeight = height();
    std::vector<int> widths(FButtons.size(), 0);
    int buttonHeight = clientHeight;
    auto heightCandidate = [&](int Width, int Candidate) {
        if (clientHeight > RoundHalfEven(qint64(Width) * 3, 2))
            buttonHeight = std::min(buttonHeight, Candidate);
    };

    TEditButtonControlMv* main = FButtons.front().Control;
    const bool mainShown = FEditStyle != esSimpleMv;
    main->setVisible(mainShown);
    if (mainShown) {
        main->SetStyle(FEditStyle == esEllipsisMv ? ebsEllipsisMv
                       : FEditStyle == esUpDownMv ? ebsUpDownMv
                                                  : ebsDropDownMv);
        main->SetGlyph(QPixmap());
        main->setToolTip(QString());
        main->SetFlat(flat);
        widths[0] = defaultWidth;
        heightCandidate(defaultWidth, DefaultEditButtonHeight(defaultWidth, flat));
    }
    for (int i = 0; i < extras; ++i) {
        const TEditButtonMv* item = column->EditButtons().Items(i);
        TEditButtonControlMv* control = FButtons[size_t(i) + 1].Control;
        control->setVisible(item->Visible());
        control->setEnabled(item->Enabled());
        control->SetStyle(item->Style());
        control->SetGlyph(item->Glyph());
        control->SetNumGlyphs(item->NumGlyphs());
        control->setToolTip(item->Hint());
        control->SetFlat(flat);
        const int w = item->Visible() ? (item->Width() >= 1 ? item->Width() : defaultWidth) : 0;
        widths[size_t(i) + 1] = w;
        // As tall as the cell paints it when the editor is closed: a button
        // keeps its size when the cell opens.
        if (item->Visible())
            heightCandidate(w, DefaultEditButtonHeight(w, flat));
    }
    FButtonHeight = buttonHeight;

    const bool rightToLeft = column && column->UseRightToLeftAlignment();
    int x = rightToLeft ? 0 : width();
    for (int i = int(FButtons.size()) - 1; i >= 0; --i) {
        TButtonPair& pair = FButtons[size_t(i)];
        const int w = widths[size_t(i)];
        const int separator = flat && w > 0 ? 1 : 0;
        if (rightToLeft) {
            pair.Control->setGeometry(x, 0, w, buttonHeight);
            x += w;
            pair.Separator = TRect(x, 0, x + separator, buttonHeight);
            x += separator;
        } else {
            x -= w;
            pair.Control->setGeometry(x, 0, w, buttonHeight);
            x -= separator;
            pair.Separator = TRect(x, 0, x + separator, buttonHeight);
        }
        pair.Control->SetTag(0);
    }
    FButtonWidth = rightToLeft ? FButtons.front().Separator.Right : width() - FButtons.front().Separator.Left;
}

TRect TDBGridInplaceEdit::EditRect() const
{
    TCustomDBGridMv* grid = DBGrid();
    const bool flat = grid && grid->Flat();
    const int w = width();
    const int h = height();
    TRect r = flat ? TRect(2, 1, w - 2, h - 1) : TRect(2, 2, w - 2, h);
    if (QFontMetrics(font()).height() > r.Height())
        r.Bottom = std::min(h, r.Bottom + 1);
    TColumnMv* column = GetEditColumn();
    const bool rightToLeft = column && column->UseRightToLeftAlignment();
    if (rightToLeft)
        r.Left += FButtonWidth;
    else
        r.Right -= FButtonWidth;
    if (column && column->ImageList() && column->ShowImageAndText()) {
        const int room = column->ImageList()->Width() + 5;
        if (rightToLeft)
            r.Right -= room;
        else
            r.Left += room;
    }
    // The tree rows indent the first visible column.
    if (grid && column && grid->VisibleColumns().Count() > 0 && grid->VisibleColumns().Items(0) == column) {
        const int indent = grid->CellEditorIndent();
        if (indent > 0 && grid->UseRightToLeftAlignment())
            r.Right -= indent + 1;
        else if (indent > 0)
            r.Left += indent + 1;
    }
    return r;
}

void TDBGridInplaceEdit::BoundsChanged()
{
    // A menu closed by this placement's press is forgotten.
    FMenuClosedTag = -1;
    LayoutButtons();
    const TRect r = EditRect();
    // The line edit keeps two pixels of its own on each side.
    setTextMargins(std::max(0, r.Left - 2), std::max(0, r.Top - 1), std::max(0, width() - r.Right - 2),
                   std::max(0, height() - r.Bottom));
    update();
}

// ---------------------------------------------------------------- buttons

int TDBGridInplaceEdit::IndexOfControl(const TEditButtonControlMv* Control) const
{
    for (size_t i = 0; i < FButtons.size(); ++i)
        if (FButtons[i].Control == Control)
            return int(i);
    return -1;
}

void TDBGridInplaceEdit::EditButtonDown(TEditButtonControlMv* Sender, bool TopButton, bool& AutoRepeat,
                                        bool& Handled)
{
    Handled = false;
    if (FMenuClosedTag >= 0 && FMenuClosedTag == Sender->Tag()) {
        // The press only closed this button's menu.
        FMenuClosedTag = -1;
        return;
    }
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    TColumnMv* column = GetEditColumn();
    const int index = IndexOfControl(Sender);
    if (!column || index < 0)
        return;
    if (index == 0) {
        if (column->OnEditButtonDown)
            column->OnEditButtonDown(Sender, TopButton, AutoRepeat, Handled);
        if (Handled)
            return;
        if (FEditStyle == esUpDownMv) {
            DoNextValue(!TopButton);
        } else if (!FDropping) {
            DropDown();
            FOpenedByButton = FListVisible;
        }
        return;
    }
    TEditButtonMv* item = column->EditButtons().Items(index - 1);
    if (item->OnDown)
        item->OnDown(Sender, TopButton, AutoRepeat, Handled);
    if (!Handled && item->DropdownMenu())
        ShowButtonMenu(Sender, item->DropdownMenu());
}

void TDBGridInplaceEdit::ShowButtonMenu(TEditButtonControlMv* Control, QMenu* Menu)
{
    // While the menu's closing is being handled, a press on its own button
    // (the press that closed it) does nothing more.
    const int tag = Control->Tag();
    QPointer<TDBGridInplaceEdit> self(this);
    connect(
        Menu, &QMenu::aboutToHide, this,
        [self, tag] {
            if (!self)
                return;
            self->FMenuClosedTag = tag;
            QMetaObject::invokeMethod(
                self, [self] { self->FMenuClosedTag = -1; }, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    Control->PopupMenu(Menu);
}

void TDBGridInplaceEdit::EditButtonClick(TEditButtonControlMv* Sender)
{
    bool handled = false;
    TColumnMv* column = GetEditColumn();
    const int index = IndexOfControl(Sender);
    if (index == 0 && (FEditStyle == esEllipsisMv || FEditStyle == esDropDownMv) && DBGrid())
        DBGrid()->EditButtonClick();
    if (column && index == 0 && column->OnEditButtonClick)
        column->OnEditButtonClick(Sender, handled);
    else if (column && index > 0 && index - 1 < column->EditButtons().Count())
        column->EditButtons().Items(index - 1)->Click(Sender, handled);
    if (!handled && index == 0 && FDropping && !FOpenedByButton)
        CloseUp(false);
    FOpenedByButton = false;
}

void TDBGridInplaceEdit::EditButtonMouseMove(TEditButtonControlMv* Sender, TShiftState Shift, int X, int Y)
{
    // Pressing the main button and dragging into the open list hands the
    // press to the list: releasing over an item chooses it.
    auto* list = dynamic_cast<TCustomControl*>(FActiveList.data());
    if (!FListVisible || FListHasMouse || !list || !Shift.testFlag(ssLeft) || Sender != MainButton())
        return;
    // Marked first: the hand-over's own release comes back through here.
    FListHasMouse = true;
    FListHasMouse = HandPressToList(Sender, QPoint(X, Y), list->ClientWidget());
}

void TDBGridInplaceEdit::EditButtonMouseUp(TEditButtonControlMv* Sender, TMouseButton, int X, int Y)
{
    if (!QRect(0, 0, Sender->width(), Sender->height()).contains(X, Y))
        FOpenedByButton = false;
}

void TDBGridInplaceEdit::DoNextValue(bool Down)
{
    TCustomDBGridMv* grid = DBGrid();
    TColumnMv* column = GetEditColumn();
    if (!grid || !column || !column->CanModify(true))
        return;
    if (Text() != grid->GridEditText()) {
        grid->SetGridEditText(Text());
        grid->DataLink()->UpdateRecord();
    }
    const double step = column->Increment();
    const bool plain = column->GetColumnType() == ctCommon;
    column->SetNextFieldValue(plain == Down ? -step : step);
}

void TDBGridInplaceEdit::DblClick()
{
    TInplaceEdit::DblClick();
    TColumnMv* column = GetEditColumn();
    if (column && column->DblClickNextVal())
        UserAction([&] {
            column->SetNextFieldValue(QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier) ? -1 : 1);
        });
}

bool TDBGridInplaceEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos)
{
    if (FListVisible)
        return true;
    return TInplaceEdit::DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TDBGridInplaceEdit::Change()
{
    TInplaceEdit::Change();
    MRUListChanged();
}

// ---------------------------------------------------------------- painting

bool TDBGridInplaceEdit::DrawRequiredState() const
{
    TCustomDBGridMv* grid = DBGrid();
    TColumnMv* column = GetEditColumn();
    if (!grid || !column || !column->HighlightRequired() || !grid->DataLink()->Active())
        return false;
    TDataSet* dataSet = grid->DataSet();
    TField* field = column->Field();
    bool draw = dataSet && (dataSet->State() == dsEdit || dataSet->State() == dsInsert) && field &&
                field->Required() && field->IsNull();
    if (column->OnCheckDrawRequiredState)
        column->OnCheckDrawRequiredState(const_cast<TDBGridInplaceEdit*>(this), text(), draw);
    return draw;
}

void TDBGridInplaceEdit::paintEvent(QPaintEvent* event)
{
    if (FWordWrap) {
        QPainter painter(this);
        PaintWrapped(painter);
    } else {
        TInplaceEdit::paintEvent(event);
    }
    TCustomDBGridMv* grid = DBGrid();
    TColumnMv* column = GetEditColumn();
    TCanvas canvas;
    canvas.Begin(this, QRegion(rect()), palette());
    for (const TButtonPair& pair : FButtons)
        if (!pair.Separator.IsEmpty())
            canvas.FillRect(pair.Separator, clBtnFace);
    int indent = 0;
    if (grid && column && grid->VisibleColumns().Count() > 0 && grid->VisibleColumns().Items(0) == column) {
        indent = grid->CellEditorIndent();
        // The indent stands where the grid paints it: right to left at the
        // right, through the mirrored mapping.
        if (indent > 0) {
            MirrorCanvas(canvas, grid->UseRightToLeftAlignment(), width(), height());
            grid->DrawCellEditorIndent(canvas, TRect(0, 0, indent, height()));
            MirrorCanvas(canvas, false, width(), height());
        }
    }
    if (DrawRequiredState()) {
        const TRect r = EditRect();
        const int y = height() - 1;
        canvas.Pen = TPen{clRed, 1, psDot};
        canvas.MoveTo(r.Left + 2, y);
        canvas.LineTo(r.Right - 3, y);
    }
    if (column && column->ImageList() && column->ShowImageAndText() && FImageIndex >= 0) {
        // Right to left the picture stands at the right, as in the cell.
        const int left = indent > 0 ? indent + 2 : 2;
        MirrorCanvas(canvas, column->UseRightToLeftAlignment(), width(), height());
        DrawClippedImage(canvas, TRect(left, 0, left + column->ImageList()->Width(), height()), column->ImageList(),
                         FImageIndex, false);
        MirrorCanvas(canvas, false, width(), height());
    }
    canvas.End();
}

void TDBGridInplaceEdit::mouseMoveEvent(QMouseEvent* event)
{
    // The text cursor only over the text; the arrow over buttons and image.
    const TRect r = EditRect();
    const int x = int(event->position().x());
    setCursor(x >= r.Left && x < r.Right ? Qt::IBeamCursor : Qt::ArrowCursor);
    if (FWordWrap && FPressAnchor >= 0 && event->buttons().testFlag(Qt::LeftButton)) {
        // Selecting by dragging over the lines.
        const int position = WrappedPositionAt(event->position());
        setSelection(FPressAnchor, position - FPressAnchor);
        return;
    }
    TInplaceEdit::mouseMoveEvent(event);
}

// ---------------------------------------------------------------- focus

void TDBGridInplaceEdit::focusInEvent(QFocusEvent* event)
{
    TInplaceEdit::focusInEvent(event);
    if (TCustomDBGridMv* grid = DBGrid())
        grid->RepaintSelectionAndCurrentRow();
}

void TDBGridInplaceEdit::focusOutEvent(QFocusEvent* event)
{
    TInplaceEdit::focusOutEvent(event);
    QWidget* active = QApplication::activeWindow();
    if (event->reason() == Qt::ActiveWindowFocusReason &&
        (WidgetWithin(active, this) || WidgetWithin(active, FActiveList) || WidgetWithin(active, FMRUListBox))) {
        // A window manager made one of the editor's drop-downs the active
        // window: the keys belong to the editor, whose window takes the
        // activation back while the drop-down stays.
        QPointer<TDBGridInplaceEdit> self(this);
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self && self->isVisible())
                    self->window()->activateWindow();
            },
            Qt::QueuedConnection);
        return;
    }
    QWidget* to = QApplication::focusWidget();
    if (FListVisible && !WidgetWithin(to, FActiveList))
        UserAction([&] { CloseUp(false); });
    if (MRUListVisible() && !WidgetWithin(to, FMRUListBox))
        MRUListCloseUp(false);
    if (TCustomDBGridMv* grid = DBGrid())
        grid->RepaintSelectionAndCurrentRow();
}
