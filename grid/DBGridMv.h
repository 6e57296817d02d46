#pragma once
// DBGridMv: the data-aware grid. TCustomDBGridMv shows the records of one
// dataset (through a TDataSource) in columns (TColumnMv), with titles that may
// stand on several levels, footers with sums and counts, an indicator column
// and an in-place editor, on top of the base grid TCustomGridMv.
//
// Numbering. Raw grid columns count the indicator column; data column indexes
// do not: raw = data + IndicatorOffset(). Rows above the data are the title
// row and, while it is shown, the filter row (TitleRowCount()); footers are
// the base grid's contra rows.
//
// The grid never scrolls data rows by itself: it follows the dataset's
// current record when the data link reports a move, and its rows are the
// data link's buffer window. Over an in-memory table (IMemTableMv) every
// record is a row and the grid scrolls them (DBGridMvMemTable.h).
//
// Column properties that keep an assigned flag read their default (from the
// grid, the field or the grid's ColumnDefValues) while the flag is clear and
// are stored only while it is set. Every change of a column reaches the
// column collection's Update, which keeps the base grid's widths in step.
//
// Layout changes are bracketed: BeginLayout / EndLayout nest, and only the
// outermost EndLayout recomputes the projection onto the base grid
// (InternalLayout). LayoutChanged does nothing inside a bracket or while the
// update counter is held. DeferLayout posts one relayout for later.
//
// Operations that later units supply are virtual and named after what they
// do: the selection (TDBGridMvSelection), the data service for sorting,
// filtering and text search (TDBGridMvDataService), the cell editor
// (CreateEditor), the vertical scroll bar (UpdateScrollBar), the filter row
// (DBGridMvFilterRow.h) and the input handlers. Each has a
// plain default here that keeps the grid and its dataset in step.

#include "grid/DBGridMvFilter.h"
#include "gridbase/DBSumLst.h"
#include "gridbase/GridsMv.h"
#include "gridbase/ToolCtrlsMv.h"
#include "platform/ImageList.h"
#include "platform/Variant.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"

#include <QAction>
#include <QFlags>
#include <QScrollBar>
#include <QImage>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

class TCustomDBGridMv;
class TDBGridColumnsMv;
class TColumnMv;
class TColumnTitleMv;
class TColumnFooterMv;
class TColumnFootersMv;
class TColumnDefValuesMv;
class TDBGridMvColumnDefValuesMv;
class TDBGridMvSumList;
class TDBGridMvStyle;
class TDBGridMvSelection;
class TDBGridMvDataService;
class TGridDataLinkMv;
class TBookmarkListMv;
class THeadTreeNode;
class TDBGridInplaceEdit;
class TPopupDataGridMv;
class IMemTableMv;
struct TDBGridMvInputState;
class TDBGridMvFilterRow;

// ================================================================ kinds

enum TColumnButtonStyleMv : quint8 { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
enum TSortMarkerMv : quint8 { smNoneMv, smDownMv, smUpMv };
enum TTextOrientationMv : quint8 { tohHorizontal, tohVertical };
enum TBiDiMode : quint8 { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TImeMode : quint8 {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel
};
using TCheckBoxState = TCheckBoxStateMv;
enum TFooterValueType : quint8 { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };

// The cell kinds of a column (GetColumnType).
enum TColumnTypeMv : quint8 {
    ctCommon = 0,
    ctPickList = 1,
    ctLookupField = 2,
    ctKeyPickList = 3,
    ctKeyImageList = 4,
    ctCheckboxes = 5
};

// Which properties were set on a column (the title's flags included), in
// this order.
enum TColumnMvValue : quint32 {
    cvColor = 1u << 0,
    cvWidth = 1u << 1,
    cvFont = 1u << 2,
    cvAlignment = 1u << 3,
    cvReadOnly = 1u << 4,
    cvTitleColor = 1u << 5,
    cvTitleCaption = 1u << 6,
    cvTitleAlignment = 1u << 7,
    cvTitleFont = 1u << 8,
    cvTitleButton = 1u << 9,
    cvTitleEndEllipsis = 1u << 10,
    cvTitleToolTips = 1u << 11,
    cvTitleOrientation = 1u << 12,
    cvImeMode = 1u << 13,
    cvImeName = 1u << 14,
    cvWordWrap = 1u << 15,
    cvLookupDisplayFields = 1u << 16,
    cvCheckboxes = 1u << 17,
    cvAlwaysShowEditButton = 1u << 18,
    cvEndEllipsis = 1u << 19,
    cvAutoDropDown = 1u << 20,
    cvDblClickNextVal = 1u << 21,
    cvToolTips = 1u << 22,
    cvDropDownSizing = 1u << 23,
    cvDropDownShowTitles = 1u << 24,
    cvLayout = 1u << 25,
    cvHighlightRequired = 1u << 26,
    cvBiDiMode = 1u << 27,
};
Q_DECLARE_FLAGS(TColumnMvValues, TColumnMvValue)
Q_DECLARE_OPERATORS_FOR_FLAGS(TColumnMvValues)
// The eight flags of a title.
constexpr quint32 ColumnTitleValues = cvTitleColor | cvTitleCaption | cvTitleAlignment | cvTitleFont |
                                      cvTitleButton | cvTitleEndEllipsis | cvTitleToolTips | cvTitleOrientation;

enum TDBGridOption : quint16 {
    dgEditing = 1 << 0,
    dgAlwaysShowEditor = 1 << 1,
    dgTitles = 1 << 2,
    dgIndicator = 1 << 3,
    dgColumnResize = 1 << 4,
    dgColLines = 1 << 5,
    dgRowLines = 1 << 6,
    dgTabs = 1 << 7,
    dgRowSelect = 1 << 8,
    dgAlwaysShowSelection = 1 << 9,
    dgConfirmDelete = 1 << 10,
    dgCancelOnExit = 1 << 11,
    dgMultiSelect = 1 << 12,
};
Q_DECLARE_FLAGS(TDBGridOptions, TDBGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridOptions)
constexpr quint16 DefaultDBGridOptions = 3325;

enum TDBGridMvOption : quint32 {
    dghFixed3D = 1u << 0,
    dghFrozen3D = 1u << 1,
    dghFooter3D = 1u << 2,
    dghData3D = 1u << 3,
    dghResizeWholeRightPart = 1u << 4,
    dghHighlightFocus = 1u << 5,
    dghClearSelection = 1u << 6,
    dghFitRowHeightToText = 1u << 7,
    dghAutoSortMarking = 1u << 8,
    dghMultiSortMarking = 1u << 9,
    dghEnterAsTab = 1u << 10,
    dghTraceColSizing = 1u << 11,
    dghIncSearch = 1u << 12,
    dghPreferIncSearch = 1u << 13,
    dghRowHighlight = 1u << 14,
    dghDblClickOptimizeColWidth = 1u << 15,
    dghDialogFind = 1u << 16,
    dghRecordMoving = 1u << 17,
};
Q_DECLARE_FLAGS(TDBGridMvOptions, TDBGridMvOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridMvOptions)
constexpr quint32 DefaultDBGridMvOptions = 65633;

enum TDBGridMvAllowedOperation : quint8 {
    alopInsertMv = 1 << 0,
    alopUpdateMv = 1 << 1,
    alopDeleteMv = 1 << 2,
    alopAppendMv = 1 << 3,
};
Q_DECLARE_FLAGS(TDBGridMvAllowedOperations, TDBGridMvAllowedOperation)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridMvAllowedOperations)

enum TDBGridMvSelectionType : quint8 { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };
enum TDBGridMvAllowedSelection : quint8 {
    asRecordBookmarks = 1 << gstRecordBookmarks,
    asRectangle = 1 << gstRectangle,
    asColumns = 1 << gstColumns,
    asAll = 1 << gstAll,
};
Q_DECLARE_FLAGS(TDBGridMvAllowedSelections, TDBGridMvAllowedSelection)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridMvAllowedSelections)

enum TDBGridMvEditAction : quint8 {
    geaCutMv = 1 << 0,
    geaCopyMv = 1 << 1,
    geaPasteMv = 1 << 2,
    geaDeleteMv = 1 << 3,
    geaSelectAllMv = 1 << 4,
};
Q_DECLARE_FLAGS(TDBGridMvEditActions, TDBGridMvEditAction)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridMvEditActions)

enum TScrollBarVisibleModeMv : quint8 { sbAlwaysShowMv, sbNeverShowMv, sbAutoShowMv };

// Where a painted cell lies: a horizontal kind (0 indicator, 1 data column)
// and a vertical kind (0 title row, 1 filter row, 2 data row, 4 footer rows
// and the rows below the data), with the coordinates inside each kind.
struct TCellAreaMv {
    int HorzType = 0;
    int VertType = 0;
    int HorzIndex = 0;
    int VertIndex = 0;
};

// ================================================================ events

using TGridNotifyEventMv = std::function<void(QObject* Sender)>;
using TDBGridMvClickEvent = std::function<void(TColumnMv* Column)>;
using TCheckTitleMvBtnEvent = std::function<void(QObject* Sender, int ACol, TColumnMv* Column, bool& Enabled)>;
using TMovedEvent = std::function<void(QObject* Sender, int FromIndex, int ToIndex)>;
using TDrawColumnMvCellEvent =
    std::function<void(QObject* Sender, const TRect& Rect, int DataCol, TColumnMv* Column, TGridDrawState State)>;
using TDrawDataCellEvent =
    std::function<void(QObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;
using TDrawFooterCellEvent = std::function<void(QObject* Sender, int DataCol, int Row, TColumnMv* Column,
                                                const TRect& Rect, TGridDrawState State)>;
using TGetBtnMvParamsEvent = std::function<void(QObject* Sender, TColumnMv* Column, TFont& Font,
                                                TColor& Background, TSortMarkerMv& SortMarker, bool IsDown)>;
using TGetCellMvParamsEvent =
    std::function<void(QObject* Sender, TColumnMv* Column, TFont& Font, TColor& Background, TGridDrawState State)>;
using TGetFooterParamsEvent =
    std::function<void(QObject* Sender, int DataCol, int Row, TColumnMv* Column, TFont& Font, TColor& Background,
                       TAlignment& Alignment, TGridDrawState State, QString& Text)>;
using TTitleMvClickEvent = std::function<void(QObject* Sender, int ACol, TColumnMv* Column)>;
using TGridMoveRecordsEventMv =
    std::function<void(QObject* Sender, const QStringList& Bookmarks, int Target, bool CheckOnly, bool& Accepted)>;

// What the cell painting and the editor read from a column for one cell;
// the column's and the grid's OnGetCellParams may change it.
struct TColCellParamsMv {
    TColor Background = clWindow;
    TAlignment Alignment = taLeftJustify;
    TCheckBoxState CheckboxState = cbUnchecked;
    int Col = -1;
    int Row = -1;
    TFont* Font = nullptr;
    int ImageIndex = -1;
    bool ReadOnly = false;
    TGridDrawState State;
    QString Text;
    bool TextEditing = false;
};

using TColCellParamsEventMv = std::function<void(QObject* Sender, bool EditMode, TColCellParamsMv& Params)>;
using TButtonClickColumnEventMv = std::function<void(QObject* Sender, bool& Handled)>;
using TButtonDownColumnEventMv =
    std::function<void(QObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;
using TNotInListEventMv = std::function<void(QObject* Sender, const QString& NewText, bool& RecheckInList)>;
using TUpdateDataEventMv =
    std::function<void(QObject* Sender, QString& Text, Variant& Value, bool& UseText, bool& Handled)>;
using TCheckDrawRequiredStateEventMv = std::function<void(QObject* Sender, const QString& Text, bool& DrawState)>;

// ================================================================ column lists

// Columns that the list does not own (the visible columns, the sort-marked
// ones, the selected ones).
class TColumnsMvList {
public:
    int Count() const { return int(FItems.size()); }
    TColumnMv* Items(int Index) const { return FItems.at(size_t(Index)); }
    void Put(int Index, TColumnMv* Column) { FItems.at(size_t(Index)) = Column; }
    void Add(TColumnMv* Column) { FItems.push_back(Column); }
    void Insert(int Index, TColumnMv* Column) { FItems.insert(FItems.begin() + Index, Column); }
    void Delete(int Index) { FItems.erase(FItems.begin() + Index); }
    int Remove(TColumnMv* Column);
    int IndexOf(const TColumnMv* Column) const;
    void Clear() { FItems.clear(); }
    // Grows with nulls (or cuts) to Count entries.
    void SetCount(int Count) { FItems.resize(size_t(std::max(0, Count)), nullptr); }
    const std::vector<TColumnMv*>& Items() const { return FItems; }

private:
    std::vector<TColumnMv*> FItems;
};

// ================================================================ filter settings

// TSTDBGridMvFilter and TSTColumnFilterMv: grid/DBGridMvFilter.h.

// The options of a lookup grid.
enum TDBLookupGridMvOption : quint8 {
    dlgColumnResizeMv = 1 << 0,
    dlgColLinesMv = 1 << 1,
    dlgRowLinesMv = 1 << 2,
    dlgAutoSortMarkingMv = 1 << 3,
    dlgMultiSortMarkingMv = 1 << 4,
};
Q_DECLARE_FLAGS(TDBLookupGridMvOptions, TDBLookupGridMvOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBLookupGridMvOptions)

// The settings of a lookup column's drop-down grid. Columns, their defaults,
// the options and the list source live in the drop-down grid that the
// owning column supplies; without one they read empty and writes are lost.
class TColumnDropDownBoxMv {
public:
    explicit TColumnDropDownBoxMv(TColumnMv* Owner);
    ~TColumnDropDownBoxMv();
    TColumnMv* Owner() const { return FOwner; }
    bool AutoFitColWidths = true;
    bool UseMultiTitle = false;
    TDataSource* ListSource() const { return FListSource.data(); }
    void SetListSource(TDataSource* Value);
    TSpecRowMv& SpecRow() { return *FSpecRow; }
    const TSpecRowMv& SpecRow() const { return *FSpecRow; }
    // Forwarded to the drop-down grid; null without one.
    TDBGridColumnsMv* Columns() const;
    void SetColumns(const TDBGridColumnsMv& Value);
    TColumnDefValuesMv* ColumnDefValues() const;
    void SetColumnDefValues(const TColumnDefValuesMv& Value);
    TDBLookupGridMvOptions Options() const;
    void SetOptions(TDBLookupGridMvOptions Value);
    // Stored only while the drop-down grid's columns are customized.
    bool IsColumnsStored() const;
    void Assign(const TColumnDropDownBoxMv& Source);
    // Storing: the values that differ from the defaults, the columns while
    // customized.
    QVariantMap StoredProperties() const;
    void LoadProperties(const QVariantMap& Values);

private:
    TPopupDataGridMv* DropDownGrid() const;

    TColumnMv* FOwner;
    QPointer<TDataSource> FListSource;
    std::unique_ptr<TSpecRowMv> FSpecRow;
    // Copied as they stand; the drop-down grid gives them their meaning.
    quint32 FValue1 = 0;
    quint32 FValue2 = 0;
    bool FFlag1 = false;
    bool FFlag2 = false;
};

// ================================================================ column title

class TColumnTitleMv {
public:
    explicit TColumnTitleMv(TColumnMv* Column);
    virtual ~TColumnTitleMv() = default;
    TColumnTitleMv(const TColumnTitleMv&) = delete;
    TColumnTitleMv& operator=(const TColumnTitleMv&) = delete;

    TColumnMv* Column() const { return FColumn; }

    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    QString Caption() const;
    virtual void SetCaption(const QString& Value);
    TColor Color() const;
    void SetColor(TColor Value);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool Value);
    TFont Font() const;
    void SetFont(const TFont& Value);
    QString Hint;
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    TTextOrientationMv Orientation() const;
    void SetOrientation(TTextOrientationMv Value);
    int SortIndex() const { return FSortIndex; }
    void SetSortIndex(int Value);
    TSortMarkerMv SortMarker() const { return FSortMarker; }
    void SetSortMarker(TSortMarkerMv Value);
    bool TitleButton() const;
    void SetTitleButton(bool Value);
    bool ToolTips() const;
    void SetToolTips(bool Value);

    TAlignment DefaultAlignment() const;
    QString DefaultCaption() const;
    TColor DefaultColor() const;
    TFont DefaultFont() const;

    virtual void Assign(const TColumnTitleMv& Source);
    virtual void RestoreDefaults();
    // The click cycle: none, down, up, then none (KeepMulti) or down again.
    void SetNextSortMarkerValue(bool KeepMulti);
    // Pixels the sort marker (and its number) take at the title's right.
    int GetSortMarkingWidth() const;

    // Storing: only assigned values that differ from their defaults.
    QVariantMap StoredProperties() const;
    void LoadProperties(const QVariantMap& Values);

private:
    friend class TColumnMv;
    bool Assigned(TColumnMvValue Flag) const;
    void SetAssigned(TColumnMvValue Flag);
    void Changed(bool AllItems = false);

    TColumnMv* FColumn;
    TAlignment FAlignment = taLeftJustify;
    QString FCaption;
    TColor FColor = clBtnFace;
    bool FEndEllipsis = false;
    TFont FFont;
    int FImageIndex = -1;
    TTextOrientationMv FOrientation = tohHorizontal;
    int FSortIndex = 0;
    bool FToolTips = false;
    TSortMarkerMv FSortMarker = smNoneMv;
    bool FTitleButton = false;
};

// ================================================================ footers

class TColumnFooterMv {
public:
    // A footer of a column's footer collection.
    explicit TColumnFooterMv(TColumnFootersMv* Collection);
    // The column's own footer.
    explicit TColumnFooterMv(TColumnMv* Column);
    virtual ~TColumnFooterMv();
    TColumnFooterMv(const TColumnFooterMv&) = delete;
    TColumnFooterMv& operator=(const TColumnFooterMv&) = delete;

    TColumnMv* Column() const { return FColumn; }

    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    TColor Color() const;
    void SetColor(TColor Value);
    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& Value);
    bool EndEllipsis() const { return FEndEllipsis; }
    void SetEndEllipsis(bool Value);
    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& Value);
    TFont Font() const;
    void SetFont(const TFont& Value);
    bool ToolTips() const;
    void SetToolTips(bool Value);
    const QString& Value() const { return FValue; }
    void SetValue(const QString& Value);
    TFooterValueType ValueType() const { return FValueType; }
    void SetValueType(TFooterValueType Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);

    bool AlignmentAssigned() const { return FAssigned & AssignedAlignment; }
    bool ColorAssigned() const { return FAssigned & AssignedColor; }
    bool FontAssigned() const { return FAssigned & AssignedFont; }
    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    TFont DefaultFont() const;
    bool DefaultToolTips() const;

    // The sum item made for this footer in the grid's sum list, or null.
    TDBSum* SumItem() const { return FDBSum; }
    // Makes, sets up or frees the sum item for ValueType and FieldName.
    void EnsureSumValue();

    void Assign(const TColumnFooterMv& Source);
    void RestoreDefaults();

    QVariantMap StoredProperties() const;
    void LoadProperties(const QVariantMap& Values);

private:
    enum : quint8 { AssignedAlignment = 1, AssignedFont = 2, AssignedColor = 4, AssignedToolTips = 8 };
    void Changed();
    void RepaintFooters();

    TAlignment FAlignment = taLeftJustify;
    quint8 FAssigned = 0;
    TColor FColor = clWindow;
    TColumnMv* FColumn;
    QString FDisplayFormat;
    bool FEndEllipsis = false;
    QString FFieldName;
    TFont FFont;
    bool FToolTips = false;
    QString FValue;
    TFooterValueType FValueType = fvtNon;
    bool FWordWrap = false;
    TDBSum* FDBSum = nullptr;
};

class TColumnFootersMv {
public:
    explicit TColumnFootersMv(TColumnMv* Column) : FColumn(Column) {}
    TColumnFootersMv(const TColumnFootersMv&) = delete;
    TColumnFootersMv& operator=(const TColumnFootersMv&) = delete;

    TColumnMv* Column() const { return FColumn; }
    int Count() const { return int(FItems.size()); }
    TColumnFooterMv* Items(int Index) const { return FItems.at(size_t(Index)).get(); }
    TColumnFooterMv* Add();
    void Delete(int Index);
    void Clear();
    void Assign(const TColumnFootersMv& Source);

private:
    TColumnMv* FColumn;
    std::vector<std::unique_ptr<TColumnFooterMv>> FItems;
};

// The grid's sum list: the footer aggregates, kept up to date from the
// dataset's events. Created inactive.
class TDBGridMvSumList : public TDBSumListProducer {
public:
    explicit TDBGridMvSumList(TCustomDBGridMv* Grid);
    TCustomDBGridMv* Grid() const { return FGrid; }

private:
    TCustomDBGridMv* FGrid;
};

// ================================================================ column defaults

class TColumnTitleDefValuesMv {
public:
    explicit TColumnTitleDefValuesMv(TColumnDefValuesMv* Owner) : FOwner(Owner) {}
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    TColor Color() const;
    void SetColor(TColor Value);
    bool EndEllipsis() const { return FEndEllipsis; }
    void SetEndEllipsis(bool Value);
    TTextOrientationMv Orientation() const { return FOrientation; }
    void SetOrientation(TTextOrientationMv Value);
    bool TitleButton() const { return FTitleButton; }
    void SetTitleButton(bool Value);
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool Value);
    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    bool IsAlignmentStored() const;
    bool IsColorStored() const;
    void Assign(const TColumnTitleDefValuesMv& Source);

private:
    void Repaint();
    void Relayout();

    enum : quint8 { AssignedColor = 1, AssignedAlignment = 2 };
    TAlignment FAlignment = taLeftJustify;
    quint8 FAssigned = 0;
    TColor FColor = clBtnFace;
    TColumnDefValuesMv* FOwner;
    bool FEndEllipsis = false;
    TTextOrientationMv FOrientation = tohHorizontal;
    bool FTitleButton = false;
    bool FToolTips = false;
};

class TColumnFooterDefValuesMv {
public:
    explicit TColumnFooterDefValuesMv(TColumnDefValuesMv* Owner) : FOwner(Owner) {}
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool Value);

private:
    TColumnDefValuesMv* FOwner;
    bool FToolTips = false;
};

class TColumnDefValuesMv {
public:
    explicit TColumnDefValuesMv(TCustomDBGridMv* Grid);
    virtual ~TColumnDefValuesMv();
    TColumnDefValuesMv(const TColumnDefValuesMv&) = delete;
    TColumnDefValuesMv& operator=(const TColumnDefValuesMv&) = delete;

    TCustomDBGridMv* Grid() const { return FGrid; }
    bool AlwaysShowEditButton() const { return FAlwaysShowEditButton; }
    void SetAlwaysShowEditButton(bool Value) { SetBool(FAlwaysShowEditButton, Value); }
    bool AutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(bool Value) { SetBool(FAutoDropDown, Value); }
    bool DblClickNextVal() const { return FDblClickNextVal; }
    void SetDblClickNextVal(bool Value) { SetBool(FDblClickNextVal, Value); }
    bool DropDownShowTitles() const { return FDropDownShowTitles; }
    void SetDropDownShowTitles(bool Value) { SetBool(FDropDownShowTitles, Value); }
    bool DropDownSizing() const { return FDropDownSizing; }
    void SetDropDownSizing(bool Value) { SetBool(FDropDownSizing, Value); }
    bool EndEllipsis() const { return FEndEllipsis; }
    void SetEndEllipsis(bool Value) { SetBool(FEndEllipsis, Value); }
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool HighlightRequired() const { return FHighlightRequired; }
    void SetHighlightRequired(bool Value) { SetBool(FHighlightRequired, Value); }
    TColumnTitleDefValuesMv& Title() { return *FTitle; }
    const TColumnTitleDefValuesMv& Title() const { return *FTitle; }
    TColumnFooterDefValuesMv& Footer() { return *FFooter; }
    const TColumnFooterDefValuesMv& Footer() const { return *FFooter; }
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool Value) { SetBool(FToolTips, Value); }

    virtual void Assign(const TColumnDefValuesMv& Source);
    void Repaint();

private:
    void SetBool(bool& Field, bool Value);

    TCustomDBGridMv* FGrid;
    bool FAlwaysShowEditButton = false;
    bool FAutoDropDown = false;
    bool FDblClickNextVal = false;
    bool FDropDownShowTitles = false;
    bool FDropDownSizing = false;
    bool FEndEllipsis = false;
    TTextLayout FLayout = tlTop;
    bool FHighlightRequired = false;
    std::unique_ptr<TColumnTitleDefValuesMv> FTitle;
    std::unique_ptr<TColumnFooterDefValuesMv> FFooter;
    bool FToolTips = false;
};

class TDBGridMvColumnDefValuesMv : public TColumnDefValuesMv {
public:
    using TColumnDefValuesMv::TColumnDefValuesMv;
};

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

// ================================================================ data link

class TGridDataLinkMv : public TDataLink {
public:
    explicit TGridDataLinkMv(TCustomDBGridMv* Grid) : FGrid(Grid) {}
    ~TGridDataLinkMv() override;

    TCustomDBGridMv* Grid() const { return FGrid; }
    // Appends one entry to the field map; raises past the map's limit, and
    // for an unknown name unless the map is sparse.
    bool AddMapping(const QString& FieldName);
    void ClearMapping();
    int FieldCount() const { return FFieldCount; }
    int MapCapacity() const { return FMapCapacity; }
    // The field of data column Index; null out of range or for a missing one.
    TField* GetMappedField(int Index) const;
    bool FieldIsMapped(const TField* Field) const;
    // The dataset uses default fields and no entry of a sparse map is missing.
    bool DefaultFields() const;
    bool SparseMap() const { return FSparseMap; }
    void SetSparseMap(bool Value) { FSparseMap = Value; }
    bool IsModified() const { return FModified; }
    // The editor holds a change that is not yet written.
    void Modified() { FModified = true; }
    // Reloads the editor when it holds a change, else cancels the record.
    void Reset();
    bool InUpdateData() const { return FInUpdateData; }

protected:
    void ActiveChanged() override;
    void DataEvent(TDataEvent Event, std::intptr_t Info) override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void EditingChanged() override;
    void FocusControl(TField*& Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    int FFieldCount = 0;
    std::vector<int> FFieldMap;
    int FMapCapacity = 0;
    TCustomDBGridMv* FGrid;
    bool FInUpdateData = false;
    bool FModified = false;
    bool FSparseMap = false;
};

// Makes a buffer row of the data link its active record for the life of
// the object (the fields then read that row), and puts the remembered one
// back however the scope ends. The grid paints its rows so.
class TActiveRecordScopeMv {
public:
    TActiveRecordScopeMv(TDataLink& Link, int Row) : FLink(Link), FSaved(Link.ActiveRecord())
    {
        FLink.SetActiveRecord(Row);
    }
    ~TActiveRecordScopeMv() { FLink.SetActiveRecord(FSaved); }
    TActiveRecordScopeMv(const TActiveRecordScopeMv&) = delete;
    TActiveRecordScopeMv& operator=(const TActiveRecordScopeMv&) = delete;

private:
    TDataLink& FLink;
    int FSaved;
};

// ================================================================ selected rows

class TBookmarkListMv : public TBMListMv {
public:
    explicit TBookmarkListMv(TCustomDBGridMv* Grid) : FGrid(Grid) {}
    TCustomDBGridMv* Grid() const { return FGrid; }
    void SetCurrentRowSelected(bool Value) override;
    // Unselects every record outside the span between two bookmarks (in
    // either order): a Shift-extension without KeepSelection replaces what
    // was selected before.
    void KeepOnlySpan(const TBookmark& From, const TBookmark& To);
    // The grid rectangle covering the selected rows on screen; all four -1
    // when none is visible.
    TGridRectMv GetVisibleSelectedRect() const;

protected:
    TDataSet* GetDataSet() const override;
    void Invalidate() override;
    void Changed() override;

private:
    TCustomDBGridMv* FGrid;
};

// ================================================================ selection

// The grid's one multi-cell selection: whole records (the grid's
// SelectedRows), a rectangle of cells, whole columns, or everything. The
// rectangle and the column list are in DBGridMvSelection.h.
class TDBGridMvSelectionRect;
class TDBGridMvSelectionCols;
class TDBGridMvSelection {
public:
    explicit TDBGridMvSelection(TCustomDBGridMv* Grid);
    virtual ~TDBGridMvSelection();
    TDBGridMvSelection(const TDBGridMvSelection&) = delete;
    TDBGridMvSelection& operator=(const TDBGridMvSelection&) = delete;
    TCustomDBGridMv* Grid() const { return FGrid; }
    TDBGridMvSelectionType SelectionType() const { return FSelectionType; }
    virtual void SetSelectionType(TDBGridMvSelectionType Value);
    TDBGridMvSelectionCols& Columns() const { return *FColumns; }
    TDBGridMvSelectionRect& Rect() const { return *FRect; }
    virtual void Clear();
    virtual void SelectAll();
    virtual void LinkActive(bool Value);
    // False for every cell while the data link is inactive.
    virtual bool DataCellSelected(int DataColumn, const TBookmark& Bookmark) const;
    // The selection in raw grid cells; all four -1 when nothing of it is on
    // screen.
    TGridRectMv SelectionToGridRect() const;
    // An emptied record or column selection becomes no selection.
    void UpdateState();
    // Drops columns that left the grid's collection (after every layout).
    virtual void RefreshColumns();
    virtual void SelectionChanged();

private:
    std::unique_ptr<TDBGridMvSelectionCols> FColumns;
    TCustomDBGridMv* FGrid;
    std::unique_ptr<TDBGridMvSelectionRect> FRect;
    TDBGridMvSelectionType FSelectionType = gstNon;
};

// ================================================================ data service

// Text search, filtering, sorting and the find dialog, asked through one
// process-wide object. A handler registered for the dataset's class
// (DbUtilsMv.h) takes each call; without one the search is LocateGridText,
// the find dialog the grid's own (DBGridMvFindDlgs.h), and filtering and
// sorting change nothing.
class TDBGridMvDataService {
public:
    virtual ~TDBGridMvDataService() = default;
    std::function<void(TCustomDBGridMv* Grid)> OnApplyFilter;
    virtual bool LocateText(TCustomDBGridMv* Grid, const QString& Text, TLocateTextDirectionMv Direction,
                            TLocateTextMatchingMv Matching, quint8 Options);
    // The incremental search: the current column's text from its start,
    // without regard to case, as shown; FromCurrent from the record after
    // (Forward) or before the current one, else over all records.
    bool LocateText(TCustomDBGridMv* Grid, const QString& Text, bool Forward, bool FromCurrent);
    virtual void ApplyFilter(TCustomDBGridMv* Grid);
    virtual void ApplySorting(TCustomDBGridMv* Grid);
    // Records dragged to stand before the record at Target (from 0).
    virtual void MoveRecords(TCustomDBGridMv* Grid, const QStringList& Bookmarks, int Target);
    virtual void ExecuteFindDialog(TCustomDBGridMv* Grid, const QString& Text, const QString& ColumnName,
                                   bool Modal = true);
};
TDBGridMvDataService* DBGridMvDataService();

// ================================================================ scroll-bar settings

class TDBGridMvScrollBar {
public:
    TDBGridMvScrollBar(TCustomDBGridMv* Grid, TScrollBarKind Kind) : FGrid(Grid), FKind(Kind) {}
    virtual ~TDBGridMvScrollBar() = default;
    TCustomDBGridMv* Grid() const { return FGrid; }
    TScrollBarKind Kind() const { return FKind; }
    bool Tracking = false;
    TScrollBarVisibleModeMv VisibleMode() const { return FVisibleMode; }
    void SetVisibleMode(TScrollBarVisibleModeMv Value);
    bool Visible() const { return FVisibleMode != sbNeverShowMv; }
    void SetVisible(bool Value) { SetVisibleMode(Value ? sbAutoShowMv : sbNeverShowMv); }
    // An outside bar that replaces the grid's own: its scroll requests reach
    // the grid as the grid's own bar's would. One grid per bar; attaching a
    // bar that another grid holds raises "Possible <name> already attached
    // to the other control." and keeps the old bar.
    QScrollBar* ExtScrollBar() const { return FExtScrollBar.data(); }
    void SetExtScrollBar(QScrollBar* Value);
    bool IsScrollBarShowing() const;
    void Assign(const TDBGridMvScrollBar& Source);

private:
    void AttachExtScrollBar(QScrollBar* Bar);
    void DetachExtScrollBar();

    TCustomDBGridMv* FGrid;
    TScrollBarKind FKind;
    TScrollBarVisibleModeMv FVisibleMode = sbAutoShowMv;
    QPointer<QScrollBar> FExtScrollBar;
    QMetaObject::Connection FExtConnection;
    QMetaObject::Connection FExtDestroyed;
};

// The grid's vertical bar: the same settings, made by the grid's factory.
class TVertDBGridMvScrollBar : public TDBGridMvScrollBar {
public:
    explicit TVertDBGridMvScrollBar(TCustomDBGridMv* Grid) : TDBGridMvScrollBar(Grid, sbVertical) {}
};

// ================================================================ multi-level titles

class THeadTreeNode {
public:
    THeadTreeNode(const QString& Text, int Width, int Height);
    ~THeadTreeNode();
    THeadTreeNode(const THeadTreeNode&) = delete;
    THeadTreeNode& operator=(const THeadTreeNode&) = delete;

    // The first child; the children form a ring through Next.
    THeadTreeNode* Child = nullptr;
    TColumnMv* Column = nullptr;
    bool Drawn = false;
    int Height = 0;
    THeadTreeNode* Host = nullptr;
    THeadTreeNode* Next = this;
    QString Text;
    int LineWidth = 0;
    int Width = 0;
    int MarkerWidth = 0;

    // A new sibling after After; raises "Node not in Tree" when After is not
    // in this tree.
    THeadTreeNode* Add(THeadTreeNode* After, const QString& Text, int Width, int Height);
    // A new last child of Parent; raises "Node not in Tree" likewise.
    THeadTreeNode* AddChild(THeadTreeNode* Parent, const QString& Text, int Width, int Height);
    void FreeAllChild();
    bool Find(const THeadTreeNode* Node) const;
    int GetLevel() const;
    // Puts the siblings From..To under a new node in their place.
    THeadTreeNode* Union(THeadTreeNode* From, THeadTreeNode* To, int Height, const QString& Text);
    // The children in ring order.
    std::vector<THeadTreeNode*> Children() const;

private:
    THeadTreeNode* Adopt(std::unique_ptr<THeadTreeNode> Node);
    std::unique_ptr<THeadTreeNode> Release(THeadTreeNode* Node);

    // The nodes whose Host this node is, owned here.
    std::vector<std::unique_ptr<THeadTreeNode>> FOwned;
};

// Caption words separated by a set of delimiters (1-based positions).
int WordPosition(int N, const QString& Text, const QString& Delimiters);
QString ExtractWord(int N, const QString& Text, const QString& Delimiters);
QString ExtractWordPos(int N, const QString& Text, const QString& Delimiters, int& Pos);

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

// ================================================================ the grid

constexpr int DBGRIDMV_DEFERLAYOUT = 1124;

class TCustomDBGridMv : public TCustomGridMv {
    Q_OBJECT

public:
    explicit TCustomDBGridMv(QWidget* parent = nullptr);
    ~TCustomDBGridMv() override;

    // ---- data
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* Value);
    TGridDataLinkMv* DataLink() const { return FDataLink.get(); }
    TDataSet* DataSet() const;

    // ---- columns
    TDBGridColumnsMv& Columns() const { return *FColumns; }
    void SetColumns(const TDBGridColumnsMv& Value) { FColumns->Assign(Value); }
    TColumnDefValuesMv& ColumnDefValues() const { return *FColumnDefValues; }
    const TColumnsMvList& VisibleColumns() const { return FVisibleColumns; }
    const TColumnsMvList& SortMarkedColumns() const { return FSortMarkedColumns; }
    TColumnsMvList& SortMarkedColumnsList() { return FSortMarkedColumns; }
    // Rebuilds the sort-marked list from the titles' SortIndex values.
    void RebuildSortMarkedColumns();
    TColumnMv* GetColumnByFieldName(const QString& FieldName) const;
    int GetFieldCount() const;
    TField* GetFields(int Index) const;
    int GetSelectedIndex() const;
    void SetSelectedIndex(int Index);
    TField* GetSelectedField() const;
    void SetSelectedField(TField* Field);
    // The current column; null without columns.
    TColumnMv* SelectedColumn() const;
    int RawToDataColumn(int ACol) const { return ACol - FIndicatorOffset; }
    int DataToRawColumn(int ACol) const { return ACol + FIndicatorOffset; }
    int GetCol() const { return Col(); }
    void SetCol(int Value);
    int GetDataRowCount() const { return RowCount() - FTitleOffset; }
    // The record number of a visible data row; 0 without an active link.
    int GetRecNoForDataRow(int DataRow);
    void AllFieldsToList(std::vector<TField*>& List) const;

    // ---- counters and layout brackets
    void BeginUpdate() { ++FUpdateLock; }
    void EndUpdate()
    {
        if (FUpdateLock > 0)
            --FUpdateLock;
    }
    int UpdateLock() const { return FUpdateLock; }
    void BeginLayout();
    void EndLayout();
    void CancelLayout();
    bool AcquireLayoutLock();
    virtual void LayoutChanged();
    void DeferLayout();
    int LayoutLock() const { return FLayoutLock; }
    int LayoutCount() const { return FLayoutCount; }
    bool InsideLayoutRecomputation() const { return FInInternalLayout; }
    void SetInsideLayoutRecomputation(bool Value) { FInInternalLayout = Value; }
    bool Loading() const { return FLoading; }
    void BeginLoading() { FLoading = true; }
    virtual void Loaded();

    // ---- options and properties
    TDBGridOptions Options() const { return FOptions; }
    void SetOptions(TDBGridOptions Value);
    TDBGridMvOptions OptionsMv() const { return FOptionsMv; }
    void SetOptionsMv(TDBGridMvOptions Value);
    TDBGridMvAllowedOperations AllowedOperations() const { return FAllowedOperations; }
    void SetAllowedOperations(TDBGridMvAllowedOperations Value) { FAllowedOperations = Value; }
    TDBGridMvAllowedSelections AllowedSelections() const { return FAllowedSelections; }
    void SetAllowedSelections(TDBGridMvAllowedSelections Value);
    TDBGridMvEditActions EditActions() const { return FEditActions; }
    void SetEditActions(TDBGridMvEditActions Value) { FEditActions = Value; }
    bool AutoFitColWidths() const { return FAutoFitColWidths; }
    void SetAutoFitColWidths(bool Value);
    int MinAutoFitWidth() const { return FMinAutoFitWidth; }
    void SetMinAutoFitWidth(int Value);
    bool DefaultDrawing() const { return FDefaultDrawingMv; }
    void SetDefaultDrawing(bool Value);
    bool DrawMemoText() const { return FDrawMemoText; }
    void SetDrawMemoText(bool Value);
    TColor EvenRowColor() const { return FEvenRowColorAssigned ? FEvenRowColor : Color(); }
    void SetEvenRowColor(TColor Value);
    TColor OddRowColor() const { return FOddRowColorAssigned ? FOddRowColor : Color(); }
    void SetOddRowColor(TColor Value);
    bool EvenRowColorAssigned() const { return FEvenRowColorAssigned; }
    bool OddRowColorAssigned() const { return FOddRowColorAssigned; }
    TColor FooterColor() const { return FFooterColor; }
    void SetFooterColor(TColor Value);
    TFont FooterFont() const { return FFooterFont; }
    void SetFooterFont(const TFont& Value);
    int FooterRowCount() const { return FFooterRowCount; }
    void SetFooterRowCount(int Value);
    int FrozenCols() const { return FFrozenColsMv; }
    void SetFrozenCols(int Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int Value);
    int RowLines() const { return FRowLines; }
    void SetRowLines(int Value);
    bool RowSizingAllowed() const { return FRowSizingAllowed; }
    void SetRowSizingAllowed(bool Value);
    bool SortLocal() const { return FSortLocal; }
    void SetSortLocal(bool Value) { FSortLocal = Value; }
    TFont TitleFont() const { return FTitleFont; }
    void SetTitleFont(const TFont& Value);
    int TitleHeight() const { return FTitleHeight; }
    void SetTitleHeight(int Value);
    int TitleLines() const { return FTitleLines; }
    void SetTitleLines(int Value);
    TImageList* TitleImages() const { return FTitleImages; }
    void SetTitleImages(TImageList* Value);
    bool UseMultiTitle() const { return FUseMultiTitle; }
    void SetUseMultiTitle(bool Value);
    int VTitleMargin() const { return FVTitleMargin; }
    void SetVTitleMargin(int Value);
    void SetContraColCount(int Value);
    void SetFlat(bool Value) { TCustomGridMv::SetFlat(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value) { FParentFont = Value; }
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value) { FParentColor = Value; }
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    TImeMode ImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode Value) { FImeMode = Value; }
    const QString& ImeName() const { return FImeName; }
    void SetImeName(const QString& Value) { FImeName = Value; }
    bool UseRightToLeftAlignment() const;

    // ---- companions
    TDBGridMvSumList& SumList() const { return *FSumList; }
    TSTDBGridMvFilter& STFilter() const { return *FSTFilter; }
    TDBGridMvScrollBar& HorzScrollBar() const { return *FHorzScrollBar; }
    TDBGridMvScrollBar& VertScrollBar() const { return *FVertScrollBar; }
    TBookmarkListMv& SelectedRows() const { return *FBookmarks; }
    TDBGridMvSelection& Selection() const { return *FSelection; }
    TDBGridMvStyle* Style() const { return FStyle; }
    void SetStyle(TDBGridMvStyle* Value);
    THeadTreeNode& HeadTree() const { return *FHeadTree; }
    // The leaf node of a column in the title tree (UseMultiTitle), or null.
    THeadTreeNode* LeafOfColumn(const TColumnMv* Column) const;
    TColCellParamsMv& ColCellParams() { return FColCellParams; }

    // ---- layout state
    int IndicatorOffset() const { return FIndicatorOffset; }
    int TitleRowCount() const { return FTitleOffset; }
    int TextLineMargin() const { return FTextLineMargin; }
    bool MultiLineRows() const { return FMultiLineRows; }
    int InCellButtonWidth() const { return FInCellButtonWidth; }
    int InCellButtonHeight() const { return FInCellButtonHeight; }
    // The indicator's row: the raw row of the active record when last drawn.
    int IndicatorRow() const { return FIndicatorRow; }
    // While it is on (the default), a width given to a default column goes
    // into its field's DisplayWidth, where a stored layout reads it.
    bool FieldWidthUpdate() const { return FFieldWidthUpdate; }
    void SetFieldWidthUpdate(bool Value) { FFieldWidthUpdate = Value; }
    bool PendingWidthChange() const { return FPendingWidthChange; }
    // The incremental search (a later unit runs it); painted when active.
    bool IncSearchActive() const { return FIncSearchActive; }
    const QString& IncSearchText() const { return FIncSearchText; }
    void SetIncSearch(bool Active, const QString& Text);

    // ---- data-driven operations (called by the data link and the columns)
    virtual void LinkActive(bool Value);
    virtual void DataChanged();
    virtual void RecordChanged(TField* Field);
    virtual void EditingChanged();
    virtual void Scroll(int Distance);
    virtual void UpdateActive();
    virtual void UpdateRowCount();
    virtual void UpdateScrollBar();
    virtual void SetColumnAttributes();
    virtual void DefineFieldMap();
    virtual void UpdateData();
    // The current cell's text as the editor would load it now.
    QString CurrentEditText() const;
    // A lookup field's editor text, taken from the column's own list.
    static QString LookupEditText(const TColumnMv* Column, TField* Field);
    // Takes the focus to the column of a field (the data link's focus request).
    bool FocusFieldColumn(TField* Field);
    void UpdateMemTableLink();
    void InvalidateEditor() override;
    void ShowEditor() override;
    // A field removed from the dataset: every column bound to it lets go,
    // and the grid relayouts once (later while the dataset's controls are
    // disabled).
    void FieldRemoved(TField* Field);
    // Width fitting of one column (the column's OptimizeWidth).
    virtual void OptimizeColumnWidth(TColumnMv* Column);
    // The columns' sort markers changed; with dghAutoSortMarking the grid
    // tells OnSortMarkingChanged, else it asks the data service to sort.
    virtual void SortMarkingChanged();
    // Whether the grid allows an edit of the current record (the permission
    // hook of the columns and the editor).
    virtual bool AllowedOperationUpdate();
    void SaveBookmark();
    void RestoreBookmark();

    // ---- painting operations available to event handlers
    void DefaultDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
    void DefaultDrawColumnCell(const TRect& Rect, int DataCol, TColumnMv* Column, TGridDrawState State);
    TCellAreaMv GetCellType(int ACol, int ARow) const;
    // The text of one footer cell.
    virtual QString GetFooterValue(int Row, TColumnMv* Column);
    // Repaints every footer row.
    void InvalidateFooter();
    // Whether the cell is raised by the 3-D options.
    virtual bool CellIs3D(int ACol, int ARow, TGridDrawState AState) const;
    virtual bool CellIsInSelection(int ACol, int ARow, const TBookmark& Bookmark, int DataColumn) const;
    virtual bool IsSTFilterVisible() const;
    virtual int TitlesShown() const;
    // Focus test: the grid or its editor has the focus.
    virtual bool GridHasFocus() const;
    // Draw the grid's 3-D and themed frames.
    bool ThemedHeaders() const;
    // The data rows' area on screen, in client pixels.
    TRect GetDataRect();

    // ---- events
    TGridNotifyEventMv OnApplyFilter;
    TDBGridMvClickEvent OnCellClick;
    TDBGridMvClickEvent OnTitleClick;
    TCheckTitleMvBtnEvent OnCheckButton;
    TGridNotifyEventMv OnColEnter;
    TGridNotifyEventMv OnColExit;
    TGridNotifyEventMv OnColWidthsChanged;
    TGridNotifyEventMv OnSelectionChanged;
    TGridNotifyEventMv OnSortMarkingChanged;
    TGridNotifyEventMv OnSumListRecalcAll;
    TGridNotifyEventMv OnSumListAfterRecalcAll;
    TGridNotifyEventMv OnEditButtonClick;
    TMovedEvent OnColumnMoved;
    TDrawColumnMvCellEvent OnDrawColumnCell;
    TDrawDataCellEvent OnDrawDataCell;
    TDrawFooterCellEvent OnDrawFooterCell;
    TGetBtnMvParamsEvent OnGetBtnParams;
    TGetCellMvParamsEvent OnGetCellParams;
    TGetFooterParamsEvent OnGetFooterParams;
    TGridMoveRecordsEventMv OnMoveRecords;
    TTitleMvClickEvent OnTitleBtnClick;

    // Storing the columns: "Columns" is written when the collection is
    // customized (or differs from the ancestor's); reading it replaces the
    // collection.
    QVariantMap StoredProperties(const TCustomDBGridMv* Ancestor = nullptr) const;
    void LoadProperties(const QVariantMap& Values);

    // ---- filter row and find
    // The filter row's editor and state (grid/DBGridMvFilterRow.h).
    TDBGridMvFilterRow& FilterRow();
    // Opens the filter row's editor on a column's filter cell, moving it
    // there from another cell; nothing without a visible filter cell.
    void StartFilterEdit(TColumnMv* Column);
    // Leaves the filter row (not while a filter is being applied).
    void StopFilterEdit();
    // Ends the filter edit, clears every column's filter and applies.
    void ClearFilters();
    // A press on a filter cell opens its editor (true: the press is
    // taken); a press on the data ends a filter edit.
    bool FilterRowMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    // The column whose filter cell lies under a client point; null for none.
    TColumnMv* FilterCellColumnAt(int X, int Y);
    // Opens the find dialog through the data service, for Text, starting
    // in the column of the field named ColumnName (the current one when
    // empty).
    void ShowFindDialog(const QString& Text, const QString& ColumnName = QString());
    friend class TDBGridMvFilterRow;

    // Exposed for the grid's companions.
    using TCustomGridMv::InvalidateCell;
    using TCustomGridMv::InvalidateCol;
    using TCustomGridMv::InvalidateRow;

    // ---- cell editor
    // The editor as the data-aware one; null before it is first made.
    TDBGridInplaceEdit* CellEditor() const;
    // The text the editor hands over, as the grid keeps it.
    const QString& GridEditText() const { return FEditText; }
    void SetGridEditText(const QString& Value) { FEditText = Value; }
    // The key chosen in the editor of a lookup or key-list column: the
    // record's keys when the editor was loaded, Null once cleared or not
    // found, Unassigned for a plain column.
    const Variant& EditValue() const { return FEditState.Value; }
    void SetEditValue(const Variant& Value) { FEditState.Value = Value; }
    // Whether the current record is still the one the editor was loaded on
    // (a value typed for one record never goes into another).
    bool EditorOnLoadedRecord() const;
    // Pixels of a tree or group indent in front of the first visible
    // column's text; the editor keeps its text clear of them.
    virtual int CellEditorIndent() const;
    void EditButtonClick();

    // ---- keyboard, mouse and selection
    // Whether the record extension keeps what was selected: Ctrl held, or
    // dghClearSelection off. Set at each key and each press that starts
    // selecting records.
    bool KeepSelection() const;
    // The input method of the current column (its own ImeMode, else the
    // grid's) on the grid and its cell editor; called as the current column
    // changes and as the editor shows.
    void UpdateIme();
    // Adds Text to the incremental search and looks for it at the start of
    // the current column's texts; TimeOut ms without a key ends the search
    // (negative: never). An empty search text looks for nothing.
    void ProcessIncSearch(const QString& Text, int TimeOut);
    void StopIncSearch();
    // Moves Distance records (ToEnd: to the first or last record); with
    // Select the selection grows over the rows passed, a rectangle when one
    // may be made, else records.
    void SelectRecords(bool Select, int Distance, bool ToEnd = false);
    // The dataset's tree interface, when it offers one.
    IMemTableMv* MemTableSupport() const { return FMemTable; }
    // The dataset offers the interface and shows its records as a tree.
    bool TreeRows() const;
    // Scrolls the rows of an in-memory table to a first row, kept between
    // the titles and the last first row that fills the grid.
    void SetTopRowInRange(int Value);
    // The tree indent of the dataset's current row, which the first visible
    // column (and the editor standing in it) leaves free; 0 without a tree.
    int TreeIndent() const;
    // The numeric-pad keys' node operations on the current row (the editor's
    // press on its node column too).
    void SetCurrentNodeExpanded(bool Expanded);
    // Lines and boxes of the current node into Rect, as the cells and the
    // editor standing in the first column draw them (RowLines: the grid's
    // row lines give way under the node columns).
    void PaintTreeElements(TCanvas& Canvas, const TRect& Rect, bool RowLines);
    // Fired at the end of the grid's own press, move and release handling.
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseDown;
    std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseUp;

    // ---- actions, tips, scroll bars and buffered painting
    friend class TDBGridMvScrollBar;
    // The program-wide switch that keeps every grid from buffering (off).
    static bool BufferedPaintForbidden();
    static void SetBufferedPaintForbidden(bool Value);
    // A platform edit action (TDBGridMvEditActionMv, told apart by its kind):
    // performed while the grid has the focus and EditActions holds its kind;
    // False leaves the action to the window.
    virtual bool ExecuteAction(QAction* Action);
    // Enables an edit action by whether it can run now; False when the grid
    // does not answer it.
    virtual bool UpdateAction(QAction* Action);
    // Whether the grid paints through its own buffer (set once the buffered
    // look is first seen; it stays set).
    bool PaintBuffered() const { return FPaintBuffered; }
    // The tool tip for a point of the client area: the text of a cut cell
    // (or an image or check-box cell) of a column, title or footer with
    // ToolTips, a title's own Hint; empty when none is wanted.
    struct TCellTipMv {
        QString Text;
        TRect CellRect;
        TRect TextRect;
        TFont Font;
        bool WordWrap = false;
    };
    virtual bool CellTipAt(const QPoint& ClientPos, TCellTipMv& Tip);
    // The pause before a tip shows: 0 over cells with ToolTips, else the
    // application's.
    int HintPauseAt(const QPoint& ClientPos);
    // Scales the sizes that are in pixels (row height, title height, the
    // fonts that are not the parent's, the column widths) by M/D.
    void ChangeScale(int M, int D);

protected:
    // One cell as DrawCell paints it; DrawCell keeps what this raises inside
    // the paint event and leaves the cell empty.
    void DrawCellContents(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    bool event(QEvent* Event) override;
    // Paints through the grid's own bitmap once the buffered look has been
    // seen (unless forbidden program-wide); never while the paint is locked.
    bool PaintsBuffered() override;
    // The wheel goes to the editor's open drop-down first; True when it
    // took it.
    bool WheelToDropDown(int WheelDelta);
    // A typed key is taken by the editor when the field accepts it (any key
    // for a column with a key list).
    bool CanEditAcceptKey(QChar Key) override;
    // The cell editor's drop-down is open; and whether it may be typed into
    // (True while none is open).
    bool EditorListOpen() const;
    bool EditorListTakesTyping() const;
    // Characters too while the incremental search is preferred.
    unsigned DialogCode() override;
    // A thumb track becomes the thumb position while the horizontal bar
    // tracks; the outside bar follows.
    void WMHScroll(int code, int pos) override;
    // Row sizing only over the indicator; no column sizing past the last
    // column's edge.
    void CalcSizingState(int X, int Y, TGridStateMv& State, int& Index, int& SizingPos, int& SizingOfs,
                         TGridDrawInfoMv& FixedInfo) override;
    // The client area's tips and their pause, hooked once when the grid is
    // first polished.
    void InstallTipHandling();
    // A title's tip text, font and text rectangle as its cell draws them;
    // False over the group bands above a multi-title leaf.
    bool TitleTip(TColumnMv* Column, int Y, TCellTipMv& Tip);
    // The width of the sort index written beside a title's marker; 0 when
    // none is written.
    int SortIndexWidth(const TColumnTitleMv& Title) const;
protected:
    // ---- keyboard, mouse and selection
    void KeyUp(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void WMChar(QChar& Key) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void DoExit() override;
    void WMTimer(int id) override;
    void TimedScroll(TGridScrollDirectionMv Direction) override;
    void CancelMode() override;
    QCursor CursorAt(const QPoint& clientPos) override;
    void PaintOverlay() override;
    // The cell editor's open drop-down, else the filter row's editor while
    // it is edited, takes the wheel before the records.
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos) override;
    // A right press on a filter cell, or on a data cell whose column has its
    // own menu, brings no context menu of the grid: true when the event was
    // such a press and is taken.
    bool ContextMenuTakenByCell(QEvent* Event);
    // The own menu of the column under a data cell at the point, if any.
    QMenu* ColumnMenuAt(int X, int Y);
    // An edit action of the clipboard unit when EditActions holds it and it
    // is possible now; True when it was done.
    virtual bool PerformEditAction(TDBGridMvEditAction Action);
    // Takes the focus into the filter row's editor at the current column;
    // False while there is no filter row to enter.
    virtual bool EnterFilterRow();
    // Record moving by the indicator: start on a press (True: the press is
    // taken), the drop at the release.
    virtual bool StartRecordDrag(TShiftState Shift, int X, int Y);
    virtual void EndRecordDrag(int X, int Y);
    // The default move of dropped records: through the tree interface, else
    // through the data service.
    virtual void MoveRecords(const QStringList& Bookmarks, int Target, int Level);
    // A press on a tree node's column: True when the point lies in a tree
    // indent; unless CheckOnly the node under it is expanded or collapsed.
    virtual bool NodeClick(int X, int Y, bool CheckOnly);
    // Opens or closes the node of a record (none below 0: the current
    // record goes back to Token) with the first row shown kept in place.
    void ToggleNode(int RecIndex, bool Expanded, int Token);
    // Where the drop line starts for a drop on Row with the mouse at Mouse,
    // and the tree level the dragged record would take there (-1: none).
    virtual int TreeDropPosition(int Row, const QPoint& Mouse, int& Level);
    // The tree indent of a record cell of the first visible column: its
    // background, lines and boxes.
    virtual void DrawTreeArea(TCanvas& Canvas, const TRect& Rect, int DataCol, int DataRow, bool Raised,
                              TGridDrawState State);
    // ---- factories
    virtual std::unique_ptr<TColumnDefValuesMv> CreateColumnDefValues();
    virtual std::unique_ptr<TDBGridColumnsMv> CreateColumns();
    virtual std::unique_ptr<TDBGridMvScrollBar> CreateScrollBar(bool Vertical);
    virtual std::unique_ptr<TDBGridMvSelection> CreateSelection();

    // ---- base grid overrides
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void Paint() override;
    void CreateParams() override;
    int BorderWidth() const override;
    void PaintBorder(TCanvas& canvas, const TRect& rect) override;
    std::unique_ptr<TInplaceEdit> CreateEditor() override;
    bool CanEditShow() override;
    void FlatChanged() override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void TopLeftChanged() override;
    bool CanEditModify() override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    int GetEditLimit() override;
    QString GetEditMask(int ACol, int ARow) override;
    void EditorTextChanged() override;
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos) override;
    void WMVScroll(int code, int pos) override;
    void Resized() override;
    void ShowingChanged() override;
    void FontChanged() override;
    void PrivateMessage(int msg, qintptr param) override;
    void WMSetFocus(QWidget* from) override;
    void WMKillFocus(QWidget* to) override;

    // The window is made (first shown): button sizes, relayout, scroll bar.
    virtual void CreateWnd();
    // Moves the current cell to a raw column (the minimal column move:
    // column-exit and -enter notices, editor hidden and shown).
    virtual void MoveCol(int RawCol, int Direction, bool Select = false);

    // ---- seams of the input, selection, filter-row, record-moving and
    // data-service units, with the answers the grid gives by itself
    // Whether a record drag from one row to another may start (True).
    virtual bool CanMoveRecords(int FromRow, int ToRow, const QPoint& MousePoint);
    // dgAlwaysShowEditor while the filter row's editor is not active.
    virtual bool CanAlwaysShowEditor();
    // Whether the filter row's editor is open (and no cells are selected).
    virtual bool FilterEditInProgress() const;
    // The themed three-dimensional look that paints through a buffer.
    virtual bool IsBufferedLook() const;
    // Repaints the selection and the current row after a focus change.
    virtual void RepaintSelectionAndCurrentRow();
    // The incremental search through the data service: the current
    // column's text from its start (see TDBGridMvDataService).
    virtual bool LocateText(const QString& Text, bool Forward, bool FromCurrent);
    // The find dialog opens modally.
    virtual bool FindDialogModal() const;
    // Applying the filter row: the editor's text goes into its column (a
    // refused text raises), then OnApplyFilter, else the data service
    // under the paint lock; the editor is placed again. Sorting goes to the
    // data service.
    virtual void ApplyFilter();
    virtual void ApplySorting();
    // The parameters of an outside horizontal scroll bar (none here).
    virtual void UpdateHorzScrollBarParams();
    // Set by the mouse handling when the user has sized a row; the next
    // row-height change then becomes RowHeight.
    void NoteRowSizedByUser() { FRowSizedByUser = true; }

    // ---- painting seams
    // Colours of a cell in the selection; True when it is selected.
    virtual bool GetSelectedCellColors(TFont& AFont, TColor& Background, bool InSelection, TGridDrawState State,
                                       const TCellAreaMv& Area);
    // Whether a data cell is drawn highlighted; may change the colours.
    virtual bool HighlightDataCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State,
                                   TColor& Background, TFont& AFont);
    // A filter-row cell: the column's condition in blue on a lightened
    // fixed colour, with the drop-down button when it has a list.
    virtual void DrawFilterCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    // Row-select drawing: the whole current row looks selected.
    virtual bool IsDrawRowSelect() const;
    // Fires the drawing events.
    virtual void DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
    virtual void DrawColumnCell(const TRect& Rect, int DataCol, TColumnMv* Column, TGridDrawState State);
    virtual void GetFooterParams(int DataCol, int Row, TColumnMv* Column, TFont& AFont, TColor& Background,
                                 TAlignment& Alignment, TGridDrawState State, QString& Text);
    virtual void GetCellParams(TColumnMv* Column, TFont& AFont, TColor& Background, TGridDrawState State);
    virtual void GetBtnParams(TColumnMv* Column, TFont& AFont, TColor& Background, TSortMarkerMv& SortMarker,
                              bool IsDown);
    // The text of a cell painted with the column's right-to-left handling.
    void WriteCellText(TColumnMv* Column, const TRect& ARect, bool FillRect, int DX, int DY, const QString& Text,
                       TAlignment Alignment, TTextLayout Layout, bool WordWrap, bool EndEllipsis, int LeftMargin,
                       int RightMargin);
    // The title column whose button is held down (-1: none) and whether it
    // looks pressed.
    int FPressedCol = -1;
    bool FPressed = false;
    bool FTitleTracking = false;

    // ---- cell editor
    // The indent area of the first visible column, drawn into the editor.
    virtual void DrawCellEditorIndent(TCanvas& Canvas, const TRect& Rect);
    // The factories run in this class's constructor; a descendant whose
    // columns are of another kind (the lookup grids) remakes them in its own.
    void RecreateColumns();

private:
    friend class TDBGridColumnsMv;
    friend class TColumnMv;
    friend class TGridDataLinkMv;
    friend class TColumnFooterMv;
    friend class TDBGridInplaceEdit;

    // ---- cell editor
    struct TEditStateMv {
        Variant Value;
        TBookmark Record;
        bool Inserting = false;
        bool Loaded = false;
    };
    void NoteEditorRecord();
    void WriteEditValue(TColumnMv* Column);
    bool ResolveLookupText(TColumnMv* Column, const QString& Text);
    TEditStateMv FEditState;

    void InternalLayout();
    // ---- an in-memory table: a row per record (DBGridMvMemTable.cpp)
    void UpdateRowCountMemTable();
    void UpdateActiveMemTable();
    TScrollInfo MemTableScrollInfo();
    void ScrollMemTable(int Code, int Pos);
    // Asks the table for the records that the rows on screen still lack.
    void FetchMemTableRecords();
    // Column widths sized in the base grid, within the columns' limits,
    // into the columns (auto-fit shares them out).
    void TakeGridColWidths();
    void DeleteMixedDefaultColumns();
    void BuildDefaultColumns();
    void RebuildVisibleColumns(int& HiddenCount);
    void ComputeRowHeights();
    void AutoFitColumns();
    void ComputeTitleHeights();
    void ApplyOptions(TDBGridOptions Value);
    void DrawIndicatorCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState, bool Raised);
    void DrawTitleCell(TColumnMv* Column, int ACol, int ARow, TRect ARect, TGridDrawState AState, bool Raised);
    void DrawDataCellArea(TColumnMv* Column, int ACol, int ARow, TRect ARect, TGridDrawState AState, bool Raised);
    void DrawEmptyCell(TColumnMv* Column, int ACol, int ARow, const TRect& ARect, TGridDrawState AState, bool Raised,
                       const TCellAreaMv& Area);
    void DrawFooterCell(TColumnMv* Column, int ACol, int ARow, const TRect& ARect, TGridDrawState AState,
                        bool Raised, const TCellAreaMv& Area);
    void DrawCellFrame(const TRect& ARect, TGridDrawState AState, bool Raised, bool Pressed, bool Highlighted);
    void DrawEdges(const TRect& ARect, bool Pressed, bool LeftEdge, bool RightEdge, bool TopEdge, bool BottomEdge);
    void DrawTitleGroups(TColumnMv* Column, int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    void DrawCheckBoxCell(TColumnMv* Column, const TRect& Rect, TCheckBoxState State);
    void DrawEditButtons(TColumnMv* Column, TRect& Rect, bool Raised);
    bool PreviousRowShowsSame(TColumnMv* Column, int DataRow, const QString& Text);
    void CreateHeadTree();
    int MeasureHeadTree(THeadTreeNode* Node);

    std::unique_ptr<TColumnDefValuesMv> FColumnDefValues;
    std::unique_ptr<TDBGridColumnsMv> FColumns;
    std::unique_ptr<TGridDataLinkMv> FDataLink;
    std::unique_ptr<TBookmarkListMv> FBookmarks;
    std::unique_ptr<TDBGridMvScrollBar> FHorzScrollBar;
    std::unique_ptr<TDBGridMvScrollBar> FVertScrollBar;
    std::unique_ptr<TDBGridMvSelection> FSelection;
    std::unique_ptr<TSTDBGridMvFilter> FSTFilter;
    std::unique_ptr<TDBGridMvFilterRow> FFilterRow;
    std::unique_ptr<THeadTreeNode> FHeadTree;
    std::unique_ptr<TDBGridMvSumList> FSumList;
    TColumnsMvList FVisibleColumns;
    TColumnsMvList FSortMarkedColumns;
    std::vector<std::pair<int, TColumnMv*>> FLeafFieldArr;
    std::vector<THeadTreeNode*> FLeafNodes;
    TColCellParamsMv FColCellParams;
    TDBGridMvStyle* FStyle = nullptr;

    int FUpdateLock = 0;
    int FLayoutLock = 0;
    int FLayoutCount = 0;
    bool FInInternalLayout = false;
    bool FLoading = false;
    bool FWndCreated = false;
    bool FSizeChangedInUpdate = false;
    int FIndicatorOffset = 1;
    int FTitleOffset = 1;
    int FIndicatorRow = -1;
    TDBGridOptions FOptions;
    TDBGridMvOptions FOptionsMv;
    TDBGridMvAllowedOperations FAllowedOperations;
    TDBGridMvAllowedSelections FAllowedSelections;
    TDBGridMvEditActions FEditActions;
    bool FPaintBuffered = false;
    // Repaints on a change of TitleImages and forgets them when they go.
    TChangeLink FTitleImagesLink;
    bool FAutoFitColWidths = false;
    int FMinAutoFitWidth = 0;
    bool FDefaultDrawingMv = true;
    bool FDrawMemoText = false;
    TColor FEvenRowColor = clWindow;
    TColor FOddRowColor = clWindow;
    bool FEvenRowColorAssigned = false;
    bool FOddRowColorAssigned = false;
    TColor FFooterColor = clWindow;
    TFont FFooterFont;
    int FFooterRowCount = 0;
    int FFrozenColsMv = 0;
    bool FReadOnly = false;
    int FRowHeight = 0;
    int FRowLines = 0;
    bool FRowSizingAllowed = false;
    bool FRowSizedByUser = false;
    bool FSortLocal = false;
    TFont FTitleFont;
    int FTitleHeight = 0;
    int FTitleLines = 0;
    TImageList* FTitleImages = nullptr;
    bool FUseMultiTitle = false;
    int FVTitleMargin = 10;
    bool FParentFont = true;
    bool FParentColor = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TImeMode FImeMode = imDontCare;
    QString FImeName;
    QString FEditorImeName;
    TImeMode FEditorImeMode = imDontCare;
    int FTextLineMargin = 4;
    bool FMultiLineRows = false;
    int FInCellButtonWidth = 0;
    int FInCellButtonHeight = 0;
    bool FFieldWidthUpdate = true;
    bool FPendingWidthChange = false;
    bool FIncSearchActive = false;
    // A thumb track moved the records; the thumb position after it is void.
    bool FVertThumbTracked = false;
    QString FIncSearchText;
    QString FEditText;
    TBookmark FSavedBookmark;
    int FSavedOffset = 0;
    bool FInColExit = false;

    // ---- keyboard, mouse and selection
    void ClearSelectionOnMove();
    void KeyDownShortcuts(quint16& Key, TShiftState Shift);
    void KeyDownPlain(quint16& Key, TShiftState Shift);
    void KeyDownCtrl(quint16& Key, TShiftState Shift);
    void DeleteRecordsAsked();
    bool IncSearchTakes(QChar Key);
    bool CancelUnchangedInsert(bool AtEndOnly);
    void TabToNextColumn(bool Backward);
    void MouseDownOnCells(TMouseButton Button, TShiftState Shift, int X, int Y, const TGridCoordMv& Hit);
    void MouseDownOnTitle(TMouseButton Button, TShiftState Shift, int X, int Y, const TGridCoordMv& Hit);
    void TraceColSizing(int X);
    void AutoScrollStep();
    void MoveDropLine(int Y);
    bool ColumnSelectZone(int X, int Y);
    void StepCheckBox(TColumnMv* Column, bool Backward);
    std::unique_ptr<TDBGridMvInputState> FInput;
    IMemTableMv* FMemTable = nullptr;
};

class TDBGridMv : public TCustomDBGridMv {
    Q_OBJECT

public:
    explicit TDBGridMv(QWidget* parent = nullptr) : TCustomDBGridMv(parent) {}
};

// The selection's parts complete the types that TDBGridMvSelection hands out.
#include "grid/DBGridMvSelection.h"
