#pragma once
// DBGridMvInplaceEdit: the dataset grid's cell editor. It stands over the
// current cell and, per column, picks an edit style with its main button
// and drop-down (a pick list, the lookup data list, a calendar, a
// calculator, an up-down pair or an ellipsis), shows the column's extra
// edit buttons and recent values, and hands what the user chose to the
// grid: the text (GridEditText) and, for lookup and key-list columns, the
// key (EditValue). The grid writes both into the field (UpdateData).
//
// The drop-downs never take the focus (the calendar does when clicked);
// the editor passes them the list keys. A drop-down closes through
// CloseUp: accepting takes its value, otherwise the editor shows the
// grid's text again. A reload of the editor while a drop-down is open
// (the record moved or was refreshed under it) closes it taking nothing.

#include "grid/DBGridMv.h"
#include "grid/DBGridMvWrappedText.h"
#include "grid/DBLookupGridsMv.h"

#include <QPointer>
#include <vector>

class TPopupCalculatorMv;

// Edit styles, in this order.
enum TEditStyleMv : quint8 {
    esSimpleMv,
    esEllipsisMv,
    esPickListMv,
    esDataListMv,
    esDateMv,
    esUpDownMv,
    esDropDownMv,
};

class TDBGridInplaceEdit : public TInplaceEdit, public IDropDownOwnerMv {
    Q_OBJECT

public:
    explicit TDBGridInplaceEdit(QWidget* parent = nullptr);
    ~TDBGridInplaceEdit() override;

    TCustomDBGridMv* DBGrid() const;
    // The grid's current column; null without columns.
    TColumnMv* GetEditColumn() const;
    // The style a column gets (its main button and drop-down).
    static TEditStyleMv GetColumnEditStyle(const TColumnMv* Column);
    TEditStyleMv EditStyle() const { return FEditStyle; }
    void SetEditStyle(TEditStyleMv Value);

    // ---- drop-downs
    // The drop-down of the current style; null for none.
    QWidget* ActiveList() const { return FActiveList.data(); }
    TPopupListboxMv* PickList() const { return FPickList; }
    TPopupMonthCalendarMv* Calendar() const { return FCalendar; }
    TPopupCalculatorMv* Calculator() const { return FCalculator; }
    TPopupDataGridMv* DataList() const { return FDataList.data(); }
    TMRUListboxMv* MRUListBox() const { return FMRUListBox; }
    bool ListVisible() const { return FListVisible; }
    // Whether the open drop-down may be typed into: a pick or data list
    // whose value type-ahead may change, or the calculator.
    bool ListTakesTyping() const;
    bool Dropping() const { return FDropping; }
    bool MRUListVisible() const;
    void DropDown();
    void CloseUp(bool Accept) override;
    // The reload of the grid's InvalidateEditor sets it meanwhile.
    bool Closing() const { return FClosing; }
    void SetClosing(bool Value) { FClosing = Value; }

    // ---- buttons and layout
    // The space the buttons with their separators take.
    int ButtonWidth() const { return FButtonWidth; }
    int ButtonHeight() const { return FButtonHeight; }
    // Pair 0 is the main button, then one per extra button.
    int ButtonCount() const { return int(FButtons.size()); }
    TEditButtonControlMv* ButtonControl(int Index) const;
    TRect SeparatorRect(int Index) const;
    // The text rectangle inside the editor.
    TRect EditRect() const;
    int ImageIndex() const { return FImageIndex; }
    // A wrapping column in rows of several lines edits its text on several
    // lines: Up and Down move between them (DBGridMvInplaceEditWrap.cpp).
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    // The lines of the text as the editor shows them now.
    const TWrappedTextMv& WrappedText();
    // One step of the up-down button (Down: the lower half).
    void DoNextValue(bool Down);

    void UpdateContents() override;
    // Not while the cell parameters made the editor read-only.
    bool EditCanModify() override;
    void BoundsChanged() override;
    void KeyPress(QChar& Key) override;
    void DblClick() override;
    void Change() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos) override;

protected:
    // A data list or a key-to-pick list searches with the pasted text.
    void PasteText(const QString& Text) override;
    // A text refused for the limit is said naming the column's field.
    QString LimitCaption() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // A composition only where a typed character could go.
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct TButtonPair {
        TEditButtonControlMv* Control = nullptr;
        TRect Separator;
    };

    // ---- drop-downs (DBGridMvInplaceEditDropDown.cpp)
    TPopupListboxMv* EnsurePickList();
    void PrepareDataList(TColumnMv* Column);
    bool DropDownDataList(TColumnMv* Column);
    void DropDownDate(TColumnMv* Column);
    void DropDownCalculator();
    void DropDownPickList(TColumnMv* Column);
    void AcceptValue(TColumnMv* Column, const Variant& Value, const QString& ListText);
    void HideActiveList();
    bool DropDownKeyDown(quint16 Key, TShiftState Shift);
    void FollowList();
    void SendKeyToList(quint16 Key, TShiftState Shift);
    bool HasDropDown() const;
    // Recent values.
    void MRUListChanged();
    void MRUListDropDown(bool WholeList);
    void MRUListCloseUp(bool Accept);

    // ---- typing (DBGridMvInplaceEditKeys.cpp)
    bool EditKeyDown(quint16& Key, TShiftState Shift);
    bool DeleteKey(quint16& Key, TColumnMv* Column);
    bool BackspaceKey(quint16& Key, TColumnMv* Column);
    void HandOver(TColumnMv* Column);
    bool ProcessTypedText(const QString& Typed);
    // Type-ahead may change the column's value (a data list also needs its
    // lookup data set).
    bool TypeAheadAllowed(TColumnMv* Column) const;
    bool TypeAheadDataList(TColumnMv* Column, const QString& Candidate);
    bool TypeAheadPickList(TColumnMv* Column, const QString& Candidate);
    void ShowFound(const QString& Found, int Typed);
    bool SpecRowShortCut(TColumnMv* Column, TShortCut Key);
    bool ExtraButtonShortCut(TColumnMv* Column, TShortCut Key);

    // The column's cell parameters in edit mode: font, colour, alignment
    // and read-only state of the editor.
    void ApplyCellParams(TColumnMv* Column);
    // Colour and font of a drop-down follow the editor's.
    void FollowEditorLook(QWidget* List);
    // The caret of a line edit shows only while it may be typed into: it is
    // hidden by making the edit read-only meanwhile, and shown by giving
    // the edit its own state back.
    void HideCaret();
    void ShowCaret();

    // ---- several lines and the tree node (DBGridMvInplaceEditWrap.cpp)
    // Up or Down in a wrapping editor; True when the editor keeps the key.
    bool WrapKeyDown(quint16 Key, TShiftState Shift);
    void MoveCaretLine(int Step, bool Extend);
    void PaintWrapped(QPainter& Painter);
    int WrappedPositionAt(const QPointF& Point);
    // The caret's line kept in view.
    void ScrollToCaret();
    // A press on the node column of a tree row's indent opens or closes it.
    bool NodePress(const QPoint& Point);

    // ---- buttons (DBGridMvInplaceEdit.cpp)
    void LayoutButtons();
    TEditButtonControlMv* MakeButtonControl();
    void EditButtonDown(TEditButtonControlMv* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
    void EditButtonClick(TEditButtonControlMv* Sender);
    void EditButtonMouseMove(TEditButtonControlMv* Sender, TShiftState Shift, int X, int Y);
    void EditButtonMouseUp(TEditButtonControlMv* Sender, TMouseButton Button, int X, int Y);
    int IndexOfControl(const TEditButtonControlMv* Control) const;
    void ShowButtonMenu(TEditButtonControlMv* Control, QMenu* Menu);
    bool DrawRequiredState() const;
    TEditButtonControlMv* MainButton() const { return FButtons.empty() ? nullptr : FButtons.front().Control; }

    QPointer<QWidget> FActiveList;
    int FButtonHeight = 0;
    int FButtonWidth = 0;
    QPointer<TPopupDataGridMv> FDataList;
    bool FDropping = false;
    std::vector<TButtonPair> FButtons;
    TEditStyleMv FEditStyle = esSimpleMv;
    bool FColumnsMoved = false;
    bool FListVisible = false;
    bool FClosing = false;
    TDataSource FLookupSource;
    TMRUListMv* FMRUList = nullptr;
    TMRUListboxMv* FMRUListBox = nullptr;
    bool FOpenedByButton = false;
    TPopupListboxMv* FPickList = nullptr;
    TPopupCalculatorMv* FCalculator = nullptr;
    TPopupMonthCalendarMv* FCalendar = nullptr;
    bool FWordWrap = false;
    TWrappedTextMv FWrapped;
    // The first line shown, and where a press began a selection.
    int FFirstLine = 0;
    int FPressAnchor = -1;
    int FImageIndex = -1;
    // The cell's colour and font colour as the editor shows them (after
    // the column's OnGetCellParams); its drop-downs take them over.
    TColor FColor = clWindow;
    TColor FFontColor = clWindowText;
    bool FCaretHidden = false;
    bool FReadOnlyBeforeHiding = false;
    // The tag of a button whose menu just closed (the press that closed it
    // does nothing more); -1 for none.
    int FMenuClosedTag = -1;
    bool FListHasMouse = false;
    QString FPendingHigh;
};
