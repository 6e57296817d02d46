#pragma once
// DBLookupGridsMv: the lookup grids. TDBLookupGridMv is a dataset grid that
// works as a list: it shows the records of a list dataset (ListSource),
// marks the record whose key fields (KeyField) equal KeyValue, and, bound
// to a field of another dataset (DataFieldSource / DataField), writes the
// chosen key into that field. TPopupDataGridMv is the same grid as a
// drop-down window with a size grip; the cell editor drops it down for
// lookup columns.
//
// A special row (TSpecRowMv) can stand above the data rows, in the row
// under the titles: it is chosen like a record and stands for its Value.
// The highlight follows the key, not the grid's current row.

#include "grid/DBGridMv.h"

#include <QElapsedTimer>

class TDBLookupGridMv;
class TDropDownWatchMv;

// The bound field's dataset, as the lookup grid hears it.
class TLookupGridDataLinkMv : public TDataLink {
public:
    explicit TLookupGridDataLinkMv(TDBLookupGridMv* Grid) : FGrid(Grid) {}
    TDBLookupGridMv* Grid() const { return FGrid; }

protected:
    void ActiveChanged() override;
    void RecordChanged(TField* Field) override;
    void LayoutChanged() override;

private:
    TDBLookupGridMv* FGrid;
};

// The special row's cell of one column: colour, font and text fall back to
// the special row's while they are not set.
class TGridColumnSpecCellMv {
public:
    explicit TGridColumnSpecCellMv(TColumnMv* Column) : FColumn(Column) {}
    TColor Color() const;
    void SetColor(TColor Value);
    TFont Font() const;
    void SetFont(const TFont& Value);
    QString Text() const;
    void SetText(const QString& Value);
    bool ColorAssigned() const { return FColorAssigned; }
    bool FontAssigned() const { return FFontAssigned; }
    bool TextAssigned() const { return FTextAssigned; }
    void Assign(const TGridColumnSpecCellMv& Source);
    // Storing: only the values that are set.
    QVariantMap StoredProperties() const;
    void LoadProperties(const QVariantMap& Values);

private:
    const TSpecRowMv* SpecRow() const;
    void Changed();

    TColumnMv* FColumn;
    TColor FColor = clWindow;
    TFont FFont;
    QString FText;
    bool FColorAssigned = false;
    bool FFontAssigned = false;
    bool FTextAssigned = false;
};

// Storing a special row: what differs from a fresh one, its colour and
// font only while they are set (otherwise they follow the owner).
QVariantMap SpecRowStoredProperties(const TSpecRowMv& SpecRow);
void LoadSpecRowProperties(TSpecRowMv& SpecRow, const QVariantMap& Values);

// A column of a lookup grid. It offers no drop-down grid of its own.
class TDBLookupGridColumnMv : public TColumnMv {
    Q_OBJECT

public:
    explicit TDBLookupGridColumnMv(TDBGridColumnsMv* Collection);
    TGridColumnSpecCellMv& SpecCell() { return FSpecCell; }
    const TGridColumnSpecCellMv& SpecCell() const { return FSpecCell; }
    TPopupDataGridMv* DataList() override { return nullptr; }
    // Moving a column keeps the list field order in step.
    void SetIndex(int Value) override;
    void Assign(const TColumnMv& Source) override;
    QVariantMap StoredProperties() const override;
    void LoadProperties(const QVariantMap& Values) override;

private:
    TGridColumnSpecCellMv FSpecCell;
};

class TDBLookupGridMv : public TCustomDBGridMv {
    Q_OBJECT

public:
    explicit TDBLookupGridMv(QWidget* parent = nullptr);
    ~TDBLookupGridMv() override;

    // ---- the list
    TDataSource* ListSource() const { return FListSource.data(); }
    void SetListSource(TDataSource* Value);
    TDataSet* ListDataSet() const;
    const QString& KeyField() const { return FKeyFieldNames; }
    void SetKeyField(const QString& Value);
    const QString& ListField() const { return FListFieldNames; }
    void SetListField(const QString& Value);
    int ListFieldIndex() const { return FListFieldIndex; }
    void SetListFieldIndex(int Value);
    bool ListActive() const { return FListActive; }
    const std::vector<TField*>& ListFields() const { return FListFields; }
    // The list fields take the order of the columns (after a column moved).
    void ListFieldsFollowColumns();
    // The list field shown as the selection's text.
    TField* ShownListField() const;

    // ---- the key
    const Variant& KeyValue() const { return FKeyValue; }
    void SetKeyValue(const Variant& Value);
    // The selection's text: the shown list field's, or the special row's.
    const QString& Text() const { return FText; }
    // Whether the special row holds the selection.
    bool SpecRowSelected() const { return FSpecRowSelected; }

    // ---- the bound field
    TDataSource* DataFieldSource() const { return FDataLink->DataSource(); }
    void SetDataFieldSource(TDataSource* Value);
    const QString& DataField() const { return FDataFieldName; }
    void SetDataField(const QString& Value);
    TField* Field() const { return FDataField; }

    // ---- look
    TSpecRowMv& SpecRow() { return *FSpecRow; }
    const TSpecRowMv& SpecRow() const { return *FSpecRow; }
    void SetSpecRow(const TSpecRowMv& Value);
    // Visible data rows; SetRowCount clamps to 1..100 and sets the height.
    int RowCountVisible() const { return FRowCount; }
    void SetRowCount(int Value);
    bool ShowTitles() const { return Options().testFlag(dgTitles); }
    void SetShowTitles(bool Value);
    void SetAutoFitColWidths(bool Value);
    TDBLookupGridMvOptions LookupOptions() const { return FLookupOptions; }
    void SetLookupOptions(TDBLookupGridMvOptions Value);
    // The visible columns' widths with their lines.
    int GetColumnsWidth() const;
    // Geometry with the height snapped to whole rows.
    void SetBounds(int Left, int Top, int Width, int Height);
    const QString& SearchText() const { return FSearchText; }
    // The auto-scroll timer's interval while the mouse drags outside; -1
    // while it is not running.
    int AutoScrollInterval() const { return FAutoScrollInterval; }

    // ---- virtual operations
    // The list is active, the grid not read-only, and unbound or its bound
    // key fields can all be modified.
    virtual bool CanModifyKey() const;
    virtual bool LocateKeyAllowed() const { return true; }
    virtual int BorderHeight() const;
    virtual int SpecRowHeight() const;
    virtual int DataRowHeight() const;
    virtual void ReselectKey();
    virtual void HandleSearchKey(QChar Key);
    virtual void ChooseKeyValue(const Variant& Value);
    virtual void RepaintList();
    virtual void RefitWidths();
    virtual void RefreshDataFields();
    virtual void RebuildListFields();
    virtual bool FindKeyRecord();

    // The row of the key's record becomes the grid's current row.
    void UpdateActive() override;
    // Over an in-memory table the bar is the dataset grid's own, over its
    // rows; otherwise it stands for the list's records.
    void UpdateScrollBar() override;
    // After the dataset grid's scrolling, the bar follows the list.
    void Scroll(int Distance) override;
    void LinkActive(bool Value) override;
    void DataChanged() override;

protected:
    std::unique_ptr<TDBGridColumnsMv> CreateColumns() override;
    // Milliseconds of a steady clock (the search's pause).
    virtual qint64 TickCount() const;
    // Whether the user is choosing now (the drop-down fires its event).
    virtual void KeyValueChanged() {}
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMTimer(int id) override;
    void WMVScroll(int code, int pos) override;
    bool IsSTFilterVisible() const override;
    void DrawFilterCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    bool HighlightDataCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State,
                           TColor& Background, TFont& AFont) override;
    bool IsDrawRowSelect() const override;
    void Resized() override;
    // Selects the record or special row at a client point.
    void SelectAt(int X, int Y);
    // Moves the list by Step records (or to its ends) and chooses the
    // current record; the keyboard's and the auto-scroll's step.
    void StepList(int Step, bool Home, bool End);
    void ChooseCurrentRecord();
    void ChooseSpecRow();
    bool Tracking() const { return FTracking; }
    void StopTracking();
    // The auto-scroll step for a mouse Y outside the client area.
    void AutoScrollStep(int Y);
    // The title row's height with its line; 0 without titles.
    int TitleHeightPixels() const;
    // Set by the drop-down form: it never takes the focus.
    bool FIsDropDown = false;

private:
    friend class TLookupGridDataLinkMv;
    void ApplyLookupOptions();
    bool ColumnsFromList() const;
    QString TextOfCurrent() const;
    int BufferRowOfKey() const;
    // Where the keys, the mouse and the bar work from: the current record's
    // row among the records the data rows show, and how many those are (an
    // in-memory table shows all of its records); 0 and 0 while the list is
    // closed.
    int BufferActive() const;
    int BufferCount() const;
    int GridLinePixels() const;

    std::unique_ptr<TLookupGridDataLinkMv> FDataLink;
    std::unique_ptr<TDataSource> FOwnListSource;
    QPointer<TDataSource> FListSource;
    QString FKeyFieldNames;
    QString FListFieldNames;
    int FListFieldIndex = 0;
    std::vector<TField*> FListFields;
    std::vector<TField*> FKeyFields;
    Variant FKeyValue = Variant::Null();
    QString FText;
    QString FDataFieldName;
    TField* FDataField = nullptr;
    std::unique_ptr<TSpecRowMv> FSpecRow;
    QString FSearchText;
    qint64 FSearchTick = 0;
    int FRowCount = 7;
    bool FListActive = false;
    TDBLookupGridMvOptions FLookupOptions = dlgColLinesMv;
    bool FSpecRowSelected = false;
    bool FRowSelected = false;
    bool FTracking = false;
    bool FPressedInside = false;
    bool FInRefit = false;
    bool FLookupAutoFit = false;
    // The names of the columns made from the list fields.
    QStringList FListColumnNames;
    int FAutoScrollY = 0;
    int FAutoScrollInterval = -1;
    QElapsedTimer FClock;
};

// The lookup grid as a drop-down window with a size grip. Releasing the
// mouse after a press inside accepts over a record or the special row and
// cancels outside the window; a press outside the window and its owner
// cancels.
class TPopupDataGridMv : public TDBLookupGridMv {
    Q_OBJECT

public:
    explicit TPopupDataGridMv(QWidget* parent = nullptr);
    ~TPopupDataGridMv() override;

    // The control that dropped the grid down (its drop-down owner).
    QWidget* OwnerWidget() const { return FOwner.data(); }
    void SetOwnerWidget(QWidget* Value) { FOwner = Value; }
    TSizeGripMv* SizeGrip() const { return FSizeGrip; }
    // Set by every size change the user makes; cleared before showing.
    bool SizeGripResized() const { return FSizeGripResized; }
    void SetSizeGripResized(bool Value) { FSizeGripResized = Value; }
    // Called with Accept when the user chose or left the list.
    std::function<void(bool Accept)> OnCloseUp;
    TGridNotifyEventMv OnRowSelected;

protected:
    void KeyValueChanged() override;
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMTimer(int id) override;
    void Resized() override;
    // A raised edge in the 3-D look, a plain frame otherwise.
    int BorderWidth() const override;
    void PaintBorder(TCanvas& canvas, const TRect& rect) override;
    qintptr Perform(quint32 msg, qintptr wParam, qintptr lParam) override;
    void PrivateMessage(int msg, qintptr param) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CloseUp(bool Accept);

    QPointer<QWidget> FOwner;
    TSizeGripMv* FSizeGrip = nullptr;
    bool FSizeGripResized = false;
    bool FUserChanging = false;
    bool FMousePressedInside = false;
    TDropDownWatchMv* FWatch = nullptr;
};
