#pragma once
// What a dataset grid column owns beside its own properties, and the
// defaults it reads: the settings of a lookup column's drop-down grid, the
// title with its sort marker, the footers with their sum items, the grid's
// sum list that keeps those sums, and the grid-wide column defaults
// (ColumnDefValues) with their title and footer parts.

#include "grid/DBGridMvTypes.h"
#include "gridbase/DBSumLst.h"
#include "gridbase/GridsMv.h"
#include "gridbase/ToolCtrlsMv.h"
#include "platform/db/DataSource.h"

#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <vector>

class TCustomDBGridMv;
class TColumnMv;
class TDBGridColumnsMv;
class TColumnDefValuesMv;
class TColumnFootersMv;
class TPopupDataGridMv;

// ================================================================ lookup drop-down box

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
    bool DefaultEndEllipsis() const;
    TTextOrientationMv DefaultOrientation() const;
    bool DefaultTitleButton() const;
    bool DefaultToolTips() const;

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
