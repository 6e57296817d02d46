#pragma once
// The dataset grid's columns: TColumnMv (the field a column shows, its
// properties with their assigned flags and defaults, the parts it owns, its
// events and operations on the current record), the dataset grid's own
// column class, and the column collection that keeps the base grid's widths
// in step with the columns.

#include "grid/DBGridMvColumnParts.h"
#include "grid/DBGridMvFilter.h"
#include "grid/DBGridMvTypes.h"
#include "gridbase/GridsMv.h"
#include "gridbase/ToolCtrlsMv.h"
#include "platform/ImageList.h"
#include "platform/StringList.h"
#include "platform/Variant.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

class TCustomDBGridMv;
class TDBGridColumnsMv;
class TPopupDataGridMv;
class TDataSet;
class TField;

// ================================================================ columns

class TColumnMv : public QObject {
    Q_OBJECT

public:
    explicit TColumnMv(TDBGridColumnsMv* Collection);
    ~TColumnMv() override;

    TDBGridColumnsMv* Collection() const { return FCollection; }
    // The grid of the owning collection; null outside a grid.
    TCustomDBGridMv* Grid() const;
    int Index() const;
    virtual void SetIndex(int Value);
    virtual QString GetDisplayName() const;
    TColumnMvValues AssignedValues() const { return FAssignedValues; }

    // ---- the field
    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& Value);
    // The bound field, looked up on first need; null when there is none.
    TField* Field() const;
    virtual void SetField(TField* Value);
    // Forgets the cached field (and its cached value) so that it is looked
    // up again.
    void ClearCachedField();
    bool Stored() const { return FStored; }
    void SetStored(bool Value) { FStored = Value; }
    virtual bool IsDefaultColumn() const { return !FStored; }

    // ---- properties with an assigned flag
    TAlignment Alignment() const;
    virtual void SetAlignment(TAlignment Value);
    bool AlwaysShowEditButton() const;
    void SetAlwaysShowEditButton(bool Value);
    bool AutoDropDown() const;
    void SetAutoDropDown(bool Value);
    TBiDiMode BiDiMode() const;
    void SetBiDiMode(TBiDiMode Value);
    bool Checkboxes() const;
    void SetCheckboxes(bool Value);
    TColor Color() const;
    void SetColor(TColor Value);
    bool DblClickNextVal() const;
    void SetDblClickNextVal(bool Value);
    bool DropDownShowTitles() const;
    void SetDropDownShowTitles(bool Value);
    bool DropDownSizing() const;
    void SetDropDownSizing(bool Value);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool Value);
    TFont Font() const;
    void SetFont(const TFont& Value);
    bool HighlightRequired() const;
    virtual void SetHighlightRequired(bool Value);
    TImeMode ImeMode() const;
    virtual void SetImeMode(TImeMode Value);
    QString ImeName() const;
    virtual void SetImeName(const QString& Value);
    TTextLayout Layout() const;
    void SetLayout(TTextLayout Value);
    QString LookupDisplayFields() const;
    virtual void SetLookupDisplayFields(const QString& Value);
    bool ReadOnly() const;
    virtual void SetReadOnly(bool Value);
    bool ToolTips() const;
    void SetToolTips(bool Value);
    int Width() const;
    virtual void SetWidth(int Value);
    bool WordWrap() const;
    virtual void SetWordWrap(bool Value);

    // ---- defaults of those properties
    TAlignment DefaultAlignment() const;
    bool DefaultAlwaysShowEditButton() const;
    bool DefaultAutoDropDown() const;
    TBiDiMode DefaultBiDiMode() const;
    bool DefaultCheckboxes() const;
    TColor DefaultColor() const;
    bool DefaultDblClickNextVal() const;
    bool DefaultDropDownShowTitles() const;
    bool DefaultDropDownSizing() const;
    bool DefaultEndEllipsis() const;
    TFont DefaultFont() const;
    bool DefaultHighlightRequired() const;
    TImeMode DefaultImeMode() const;
    QString DefaultImeName() const;
    TTextLayout DefaultLayout() const;
    QString DefaultLookupDisplayFields() const;
    bool DefaultReadOnly() const;
    bool DefaultToolTips() const;
    int DefaultWidth() const;
    bool DefaultWordWrap() const;

    // ---- plain properties
    bool AutoFitColWidth() const { return FAutoFitColWidth; }
    virtual void SetAutoFitColWidth(bool Value);
    TColumnButtonStyleMv ButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TColumnButtonStyleMv Value);
    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& Value);
    int DropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(int Value) { FDropDownRows = Value; }
    int DropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int Value);
    const QString& EditMask() const { return FEditMask; }
    void SetEditMask(const QString& Value);
    bool HideDuplicates() const { return FHideDuplicates; }
    virtual void SetHideDuplicates(bool Value);
    TImageList* ImageList() const { return FImageList; }
    void SetImageList(TImageList* Value);
    double Increment() const { return FIncrement; }
    void SetIncrement(double Value) { FIncrement = Value; }
    // Made on first read.
    TStringList& KeyList();
    const TStringList* KeyListIfAny() const { return FKeyList.get(); }
    void SetKeyList(const TStringList* Value);
    TStringList& PickList();
    const TStringList* PickListIfAny() const { return FPickList.get(); }
    void SetPickList(const TStringList* Value);
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int Value);
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int Value);
    int NotInKeyListIndex() const { return FNotInKeyListIndex; }
    void SetNotInKeyListIndex(int Value);
    QMenu* PopupMenu() const { return FPopupMenu.data(); }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }
    bool ShowImageAndText() const { return FShowImageAndText; }
    void SetShowImageAndText(bool Value);
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    int InitWidth() const { return FInitWidth; }
    void SetInitWidth(int Value) { FInitWidth = Value; }
    // The width that auto-fit shares out in proportion (InitWidth).
    int AutoFitBaseWidth() const { return FInitWidth; }
    void SetAutoFitBaseWidth(int Value) { FInitWidth = Value; }

    // ---- owned objects
    TColumnTitleMv& Title() const { return *FTitle; }
    TColumnFooterMv& Footer() const { return *FFooter; }
    TColumnFootersMv& Footers() const { return *FFooters; }
    TEditButtonsMv& EditButtons() const { return *FEditButtons; }
    TColumnDropDownBoxMv& DropDownBox() const { return *FDropDownBox; }
    // The lookup drop-down grid ("DataList"), made on first use; null for a
    // column that offers none (the columns of a lookup grid).
    virtual TPopupDataGridMv* DataList();
    TPopupDataGridMv* DataListIfAny() const { return FDataList.get(); }
    TSpecRowMv& DropDownSpecRow() const { return *FDropDownSpecRow; }
    TMRUListMv& MRUList() const { return *FMRUList; }
    TSTColumnFilterMv& STFilter() const { return *FSTFilter; }

    // ---- events
    TButtonClickColumnEventMv OnEditButtonClick;
    TButtonDownColumnEventMv OnEditButtonDown;
    TColCellParamsEventMv OnGetCellParams() const { return FOnGetCellParams; }
    void SetOnGetCellParams(TColCellParamsEventMv Value);
    TNotInListEventMv OnNotInList;
    TUpdateDataEventMv OnUpdateData;
    TCheckDrawRequiredStateEventMv OnCheckDrawRequiredState;
    // Kept in the data list (its grid events).
    TCheckTitleMvBtnEvent OnDropDownBoxCheckButton() const;
    void SetOnDropDownBoxCheckButton(TCheckTitleMvBtnEvent Value);
    TDrawColumnMvCellEvent OnDropDownBoxDrawColumnCell() const;
    void SetOnDropDownBoxDrawColumnCell(TDrawColumnMvCellEvent Value);
    TGetCellMvParamsEvent OnDropDownBoxGetCellParams() const;
    void SetOnDropDownBoxGetCellParams(TGetCellMvParamsEvent Value);
    TGridNotifyEventMv OnDropDownBoxSortMarkingChanged() const;
    void SetOnDropDownBoxSortMarkingChanged(TGridNotifyEventMv Value);
    TTitleMvClickEvent OnDropDownBoxTitleBtnClick() const;
    void SetOnDropDownBoxTitleBtnClick(TTitleMvClickEvent Value);

    // ---- operations
    TColumnTypeMv GetColumnType() const;
    QString GetDisplayText() const;
    TCheckBoxState GetCheckboxState() const;
    void SetCheckboxState(TCheckBoxState Value);
    int GetImageIndex() const;
    void UpdateDataValues(const QString& Text, const Variant& Value, bool UseText);
    void SetNextFieldValue(double Increment);
    bool CanModify(bool TryEdit);
    virtual void GetColCellParams(bool EditMode, TColCellParamsMv& Params);
    // Fills Params from the column for the current record, then asks
    // GetColCellParams.
    void FillColCellParams(bool EditMode, TColCellParamsMv& Params);
    TColumnFooterMv& GetFooterForRow(int Index) const;
    // Whether the cell editor shows its main button for this column, and
    // with which face.
    bool HasMainEditButton(TButtonDrawKindMv* Kind = nullptr) const;
    int EditButtonsWidth() const;
    virtual void OptimizeWidth();
    virtual void SpecRowChanged();
    virtual bool UseRightToLeftAlignment() const;
    bool UseRightToLeftReading() const;
    TDataSet* GetLookupDataSet() const;
    // Every footer refreshes its sum item.
    void EnsureSumValues();

    virtual void Assign(const TColumnMv& Source);
    virtual void RestoreDefaults();

    // The collection item's change notice: Changed(false) for this column,
    // Changed(true) for the whole collection.
    void Changed(bool AllItems);

    // Storing: the properties whose stored test holds.
    virtual QVariantMap StoredProperties() const;
    virtual void LoadProperties(const QVariantMap& Values);

protected:
    virtual std::unique_ptr<TColumnTitleMv> CreateTitle();
    virtual std::unique_ptr<TColumnFooterMv> CreateFooter();
    virtual std::unique_ptr<TColumnFootersMv> CreateFooters();
    virtual std::unique_ptr<TEditButtonsMv> CreateEditButtons();
    virtual std::unique_ptr<TSTColumnFilterMv> CreateSTFilter();
    // The factories run in the constructor of this class; a descendant that
    // makes other kinds calls this from its own constructor.
    void CreateOwnedObjects();

private:
    friend class TColumnTitleMv;
    friend class TDBGridColumnsMv;
    friend class TCustomDBGridMv;
    bool IsAssigned(TColumnMvValue Flag) const { return FAssignedValues.testFlag(Flag); }
    void SetAssignedFlag(TColumnMvValue Flag) { FAssignedValues |= Flag; }
    template <typename T>
    void SetAssignedValue(T& Field, const T& Value, TColumnMvValue Flag);
    TField* FindFieldNow() const;
    int MeasureDefaultWidth() const;

    TDBGridColumnsMv* FCollection;
    TAlignment FAlignment = taLeftJustify;
    TColumnMvValues FAssignedValues;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TColumnButtonStyleMv FButtonStyle = cbsAuto;
    bool FCheckboxes = false;
    TColor FColor = clWindow;
    bool FDblClickNextVal = false;
    QString FDisplayFormat;
    std::unique_ptr<TColumnDropDownBoxMv> FDropDownBox;
    std::unique_ptr<TPopupDataGridMv> FDataList;
    int FDropDownRows = 7;
    bool FDropDownShowTitles = false;
    bool FDropDownSizing = false;
    std::unique_ptr<TSpecRowMv> FDropDownSpecRow;
    std::unique_ptr<TEditButtonsMv> FEditButtons;
    QString FEditMask;
    mutable TField* FField = nullptr;
    QString FFieldName;
    TFont FFont;
    std::unique_ptr<TColumnFooterMv> FFooter;
    std::unique_ptr<TColumnFootersMv> FFooters;
    bool FHideDuplicates = false;
    bool FHighlightRequired = false;
    TImageList* FImageList = nullptr;
    TChangeLink FImageListLink;
    TImeMode FImeMode = imDontCare;
    QString FImeName;
    double FIncrement = 1.0;
    TTextLayout FLayout = tlTop;
    std::unique_ptr<TStringList> FKeyList;
    int FMaxWidth = 0;
    int FMinWidth = 0;
    std::unique_ptr<TMRUListMv> FMRUList;
    int FNotInKeyListIndex = -1;
    std::unique_ptr<TStringList> FPickList;
    QPointer<QMenu> FPopupMenu;
    bool FReadOnly = false;
    bool FStored = true;
    bool FShowImageAndText = false;
    int FTag = 0;
    std::unique_ptr<TColumnTitleMv> FTitle;
    bool FToolTips = false;
    bool FVisible = true;
    int FWidth = 0;
    std::unique_ptr<TSTColumnFilterMv> FSTFilter;
    mutable Variant FCachedValue;
    bool FAlwaysShowEditButton = false;
    bool FAutoDropDown = false;
    bool FAutoFitColWidth = true;
    int FDropDownWidth = 0;
    bool FEndEllipsis = false;
    int FInitWidth = 0;
    QString FLookupDisplayFields;
    bool FWordWrap = false;
    TColCellParamsEventMv FOnGetCellParams;
};

// The column of the dataset grid.
class TDBGridColumnMv : public TColumnMv {
    Q_OBJECT

public:
    explicit TDBGridColumnMv(TDBGridColumnsMv* Collection) : TColumnMv(Collection) {}
};

// ================================================================ column collection

class TDBGridColumnsMv : public QObject {
    Q_OBJECT

public:
    using TColumnFactory = std::function<std::unique_ptr<TColumnMv>(TDBGridColumnsMv* Collection)>;
    TDBGridColumnsMv(TCustomDBGridMv* Grid, TColumnFactory ColumnFactory);
    ~TDBGridColumnsMv() override;

    TCustomDBGridMv* Grid() const { return FGrid; }
    int Count() const { return int(FItems.size()); }
    TColumnMv* Items(int Index) const;
    TColumnMv* operator[](int Index) const { return Items(Index); }
    int IndexOf(const TColumnMv* Column) const;
    // A new column made by the program (Stored).
    TColumnMv* Add();
    // A column the grid makes from a field (not Stored).
    TColumnMv* AddDefault();
    void Delete(int Index);
    void Clear();
    // Customized: there is a column and the first one is Stored.
    bool State() const;
    // Makes this collection a copy of Source, column by column.
    void Assign(const TDBGridColumnsMv& Source);
    // Whether the two collections hold equal stored properties, in order.
    bool Equals(const TDBGridColumnsMv& Other) const;

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // The collection's change notice (Update with null) outside an update.
    void Changed();
    // The width synchronisation with the base grid; Item null for the whole
    // collection.
    virtual void Update(TColumnMv* Item);
    // Every column forgets its cached field and value.
    void DropCachedFields();
    // Moves a column within the collection (the column's Index setter).
    void Move(int FromIndex, int ToIndex);

private:
    friend class TColumnMv;
    TColumnMv* AddItem(bool Stored);

    TCustomDBGridMv* FGrid;
    TColumnFactory FColumnFactory;
    std::vector<std::unique_ptr<TColumnMv>> FItems;
    int FUpdateCount = 0;
};
