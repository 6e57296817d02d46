#pragma once
// The dataset grid's kinds and small shared types: the option sets and
// enumerations of the grid and its columns, where a painted cell lies, the
// event signatures of the grid and its columns, the cell parameters that
// painting and the editor read from a column, the plain (non-owning) list of
// columns, and the options of a lookup grid.

#include "gridbase/GridsMv.h"
#include "gridbase/ToolCtrlsMv.h"
#include "platform/Variant.h"
#include "platform/db/DbTypes.h"

#include <QFlags>
#include <QObject>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <vector>

class TColumnMv;
class TField;

// ================================================================ kinds

enum TColumnButtonStyleMv : quint8 { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
enum TSortMarkerMv : quint8 { smNoneMv, smDownMv, smUpMv };
enum TTextOrientationMv : quint8 { tohHorizontal, tohVertical };
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

// ================================================================ lookup grid options

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
