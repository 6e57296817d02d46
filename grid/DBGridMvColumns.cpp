// Columns of the dataset grid: the field a column shows, its properties with
// their grid-wide and field defaults, its text, check boxes and images for the
// current record, the one way it writes into its field, and its title with the
// sort markers.

#include "grid/DBGridMv.h"
#include "grid/DBLookupGridsMv.h"

#include "platform/Format.h"
#include "platform/db/Field.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <cmath>

bool IsNumericType(TFieldType type)
{
    return IsStepNumericType(type) || type == ftLargeint || type == ftAutoInc;
}

bool IsStepNumericType(TFieldType type)
{
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: return true;
    default: return false;
    }
}

bool IsDateTimeType(TFieldType type)
{
    return type == ftDate || type == ftTime || type == ftDateTime || type == ftTimeStamp;
}

namespace {

// Whether Text equals one of the ';'-separated values of Line (without regard
// to case).
bool InValueLine(const QString& Line, const QString& Text)
{
    const QStringList values = Line.split(u';');
    for (const QString& value : values)
        if (value.compare(Text, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString FirstValueOf(const TStringList* List, int Line)
{
    if (!List || Line >= List->Count())
        return QString();
    return (*List)[Line].section(u';', 0, 0);
}

} // namespace

QString FontToStoredText(const TFont& Font)
{
    return Font.toString() + u'|' + QString::number(Font.Color);
}

TFont FontFromStoredText(const QString& Text)
{
    TFont font;
    const qsizetype bar = Text.lastIndexOf(u'|');
    font.fromString(Text.left(bar));
    font.Color = TColor(Text.mid(bar + 1).toInt());
    return font;
}

// ---------------------------------------------------------------- column lists

int TColumnsMvList::Remove(TColumnMv* Column)
{
    const int index = IndexOf(Column);
    if (index >= 0)
        Delete(index);
    return index;
}

int TColumnsMvList::IndexOf(const TColumnMv* Column) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), Column);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

// ---------------------------------------------------------------- drop-down settings

TColumnDropDownBoxMv::TColumnDropDownBoxMv(TColumnMv* Owner)
    : FOwner(Owner), FSpecRow(std::make_unique<TSpecRowMv>())
{
}

TColumnDropDownBoxMv::~TColumnDropDownBoxMv() = default;

TPopupDataGridMv* TColumnDropDownBoxMv::DropDownGrid() const
{
    return FOwner ? FOwner->DataList() : nullptr;
}

void TColumnDropDownBoxMv::SetListSource(TDataSource* Value)
{
    if (Value == FListSource)
        return;
    FListSource = Value;
    if (TPopupDataGridMv* grid = DropDownGrid())
        grid->SetListSource(Value);
}

TDBGridColumnsMv* TColumnDropDownBoxMv::Columns() const
{
    TPopupDataGridMv* grid = DropDownGrid();
    return grid ? &grid->Columns() : nullptr;
}

void TColumnDropDownBoxMv::SetColumns(const TDBGridColumnsMv& Value)
{
    if (TPopupDataGridMv* grid = DropDownGrid())
        grid->SetColumns(Value);
}

TColumnDefValuesMv* TColumnDropDownBoxMv::ColumnDefValues() const
{
    TPopupDataGridMv* grid = DropDownGrid();
    return grid ? &grid->ColumnDefValues() : nullptr;
}

void TColumnDropDownBoxMv::SetColumnDefValues(const TColumnDefValuesMv& Value)
{
    if (TPopupDataGridMv* grid = DropDownGrid())
        grid->ColumnDefValues().Assign(Value);
}

TDBLookupGridMvOptions TColumnDropDownBoxMv::Options() const
{
    TPopupDataGridMv* grid = DropDownGrid();
    return grid ? grid->LookupOptions() : TDBLookupGridMvOptions();
}

void TColumnDropDownBoxMv::SetOptions(TDBLookupGridMvOptions Value)
{
    if (TPopupDataGridMv* grid = DropDownGrid())
        grid->SetLookupOptions(Value);
}

bool TColumnDropDownBoxMv::IsColumnsStored() const
{
    // Read without making a drop-down grid: a column that never made one
    // has no customized columns.
    const TPopupDataGridMv* grid = FOwner ? FOwner->DataListIfAny() : nullptr;
    return grid && grid->Columns().State();
}

void TColumnDropDownBoxMv::Assign(const TColumnDropDownBoxMv& Source)
{
    if (&Source == this)
        return;
    FFlag1 = Source.FFlag1;
    FFlag2 = Source.FFlag2;
    AutoFitColWidths = Source.AutoFitColWidths;
    // The drop-down grids are made only when there is something to copy.
    const TPopupDataGridMv* source = Source.FOwner ? Source.FOwner->DataListIfAny() : nullptr;
    if (source) {
        SetColumnDefValues(source->ColumnDefValues());
        if (Source.IsColumnsStored())
            SetColumns(source->Columns());
        else if (TDBGridColumnsMv* columns = Columns())
            columns->Clear();
        SetOptions(source->LookupOptions());
    } else if (FOwner && FOwner->DataListIfAny()) {
        // What the source's drop-down grid would hold: it was never made.
        FOwner->DataListIfAny()->Columns().Clear();
        SetOptions(dlgColLinesMv);
        SetColumnDefValues(TColumnDefValuesMv(nullptr));
    }
    FValue1 = Source.FValue1;
    FValue2 = Source.FValue2;
    UseMultiTitle = Source.UseMultiTitle;
    FSpecRow->Assign(*Source.FSpecRow);
    SetListSource(Source.FListSource);
}

QVariantMap TColumnDropDownBoxMv::StoredProperties() const
{
    QVariantMap map;
    if (!AutoFitColWidths)
        map.insert(QStringLiteral("AutoFitColWidths"), false);
    if (UseMultiTitle)
        map.insert(QStringLiteral("UseMultiTitle"), true);
    const QVariantMap specRow = SpecRowStoredProperties(*FSpecRow);
    if (!specRow.isEmpty())
        map.insert(QStringLiteral("SpecRow"), specRow);
    // Read without making a drop-down grid.
    if (const TPopupDataGridMv* grid = FOwner ? FOwner->DataListIfAny() : nullptr) {
        if (grid->LookupOptions() != TDBLookupGridMvOptions(dlgColLinesMv))
            map.insert(QStringLiteral("Options"), int(grid->LookupOptions().toInt()));
        if (IsColumnsStored())
            map.insert(grid->StoredProperties());
    }
    return map;
}

void TColumnDropDownBoxMv::LoadProperties(const QVariantMap& Values)
{
    AutoFitColWidths = Values.value(QStringLiteral("AutoFitColWidths"), true).toBool();
    UseMultiTitle = Values.value(QStringLiteral("UseMultiTitle"), false).toBool();
    LoadSpecRowProperties(*FSpecRow, Values.value(QStringLiteral("SpecRow")).toMap());
    if (Values.contains(QStringLiteral("Options")))
        SetOptions(TDBLookupGridMvOptions::fromInt(Values.value(QStringLiteral("Options")).toInt()));
    if (Values.contains(QStringLiteral("Columns")))
        if (TPopupDataGridMv* grid = DropDownGrid())
            grid->LoadProperties(Values);
}

// ---------------------------------------------------------------- title

TColumnTitleMv::TColumnTitleMv(TColumnMv* Column) : FColumn(Column)
{
    FFont = DefaultFont();
}

bool TColumnTitleMv::Assigned(TColumnMvValue Flag) const
{
    return FColumn->IsAssigned(Flag);
}

void TColumnTitleMv::SetAssigned(TColumnMvValue Flag)
{
    FColumn->SetAssignedFlag(Flag);
}

void TColumnTitleMv::Changed(bool AllItems)
{
    FColumn->Changed(AllItems);
}

TAlignment TColumnTitleMv::DefaultAlignment() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid ? grid->ColumnDefValues().Title().Alignment() : taLeftJustify;
}

QString TColumnTitleMv::DefaultCaption() const
{
    if (TField* field = FColumn->Field())
        return field->DisplayName();
    return FColumn->FieldName();
}

TColor TColumnTitleMv::DefaultColor() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid ? grid->ColumnDefValues().Title().Color() : clBtnFace;
}

TFont TColumnTitleMv::DefaultFont() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid ? grid->TitleFont() : FColumn->Font();
}

TAlignment TColumnTitleMv::Alignment() const
{
    return Assigned(cvTitleAlignment) ? FAlignment : DefaultAlignment();
}

void TColumnTitleMv::SetAlignment(TAlignment Value)
{
    if (Assigned(cvTitleAlignment) && Value == FAlignment)
        return;
    FAlignment = Value;
    SetAssigned(cvTitleAlignment);
    Changed();
}

QString TColumnTitleMv::Caption() const
{
    return Assigned(cvTitleCaption) ? FCaption : DefaultCaption();
}

void TColumnTitleMv::SetCaption(const QString& Value)
{
    TCustomDBGridMv* grid = FColumn->Grid();
    if (FColumn->IsDefaultColumn() && grid && grid->DataLink()->Active()) {
        if (TField* field = FColumn->Field())
            field->SetDisplayLabel(Value);
        return;
    }
    if (Assigned(cvTitleCaption) && Value == FCaption)
        return;
    FCaption = Value;
    SetAssigned(cvTitleCaption);
    Changed();
}

TColor TColumnTitleMv::Color() const
{
    return Assigned(cvTitleColor) ? FColor : DefaultColor();
}

void TColumnTitleMv::SetColor(TColor Value)
{
    if (Assigned(cvTitleColor) && Value == FColor)
        return;
    FColor = Value;
    SetAssigned(cvTitleColor);
    Changed();
}

bool TColumnTitleMv::EndEllipsis() const
{
    return Assigned(cvTitleEndEllipsis) ? FEndEllipsis : DefaultEndEllipsis();
}

bool TColumnTitleMv::DefaultEndEllipsis() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid && grid->ColumnDefValues().Title().EndEllipsis();
}

void TColumnTitleMv::SetEndEllipsis(bool Value)
{
    if (Assigned(cvTitleEndEllipsis) && Value == FEndEllipsis)
        return;
    FEndEllipsis = Value;
    SetAssigned(cvTitleEndEllipsis);
    Changed();
}

TFont TColumnTitleMv::Font() const
{
    return Assigned(cvTitleFont) ? FFont : DefaultFont();
}

void TColumnTitleMv::SetFont(const TFont& Value)
{
    FFont = Value;
    SetAssigned(cvTitleFont);
    Changed();
}

void TColumnTitleMv::SetImageIndex(int Value)
{
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    if (TCustomDBGridMv* grid = FColumn->Grid())
        grid->LayoutChanged();
}

TTextOrientationMv TColumnTitleMv::Orientation() const
{
    return Assigned(cvTitleOrientation) ? FOrientation : DefaultOrientation();
}

TTextOrientationMv TColumnTitleMv::DefaultOrientation() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid ? grid->ColumnDefValues().Title().Orientation() : tohHorizontal;
}

void TColumnTitleMv::SetOrientation(TTextOrientationMv Value)
{
    if (Assigned(cvTitleOrientation) && Value == FOrientation)
        return;
    FOrientation = Value;
    SetAssigned(cvTitleOrientation);
    Changed();
}

bool TColumnTitleMv::TitleButton() const
{
    return Assigned(cvTitleButton) ? FTitleButton : DefaultTitleButton();
}

bool TColumnTitleMv::DefaultTitleButton() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid && grid->ColumnDefValues().Title().TitleButton();
}

void TColumnTitleMv::SetTitleButton(bool Value)
{
    if (Assigned(cvTitleButton) && Value == FTitleButton)
        return;
    FTitleButton = Value;
    SetAssigned(cvTitleButton);
    Changed();
}

bool TColumnTitleMv::ToolTips() const
{
    return Assigned(cvTitleToolTips) ? FToolTips : DefaultToolTips();
}

bool TColumnTitleMv::DefaultToolTips() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid && grid->ColumnDefValues().Title().ToolTips();
}

void TColumnTitleMv::SetToolTips(bool Value)
{
    if (Assigned(cvTitleToolTips) && Value == FToolTips)
        return;
    FToolTips = Value;
    SetAssigned(cvTitleToolTips);
    Changed();
}

void TColumnTitleMv::SetSortMarker(TSortMarkerMv Value)
{
    if (Value == FSortMarker)
        return;
    FSortMarker = Value;
    TCustomDBGridMv* grid = FColumn->Grid();
    TDBGridColumnsMv* columns = FColumn->Collection();
    if (!grid || !columns || columns->UpdateCount() > 0)
        return;
    TColumnsMvList& marked = grid->SortMarkedColumnsList();
    if (!grid->OptionsMv().testFlag(dghMultiSortMarking)) {
        if (Value != smNoneMv) {
            for (int i = 0; i < columns->Count(); ++i) {
                TColumnMv* other = columns->Items(i);
                if (other != FColumn) {
                    other->Title().FSortMarker = smNoneMv;
                    other->Title().FSortIndex = 0;
                }
            }
            FSortIndex = 1;
            marked.Clear();
            marked.Add(FColumn);
        } else {
            FSortIndex = 0;
            marked.Clear();
        }
    } else if (Value != smNoneMv) {
        if (FSortIndex == 0) {
            int count = 0;
            for (int i = 0; i < columns->Count(); ++i)
                if (columns->Items(i)->Title().FSortIndex != 0)
                    ++count;
            FSortIndex = count + 1;
            marked.Add(FColumn);
        }
    } else if (FSortIndex != 0) {
        for (int i = 0; i < columns->Count(); ++i) {
            TColumnTitleMv& title = columns->Items(i)->Title();
            if (title.FSortIndex > FSortIndex)
                --title.FSortIndex;
        }
        marked.Remove(FColumn);
        FSortIndex = 0;
    }
    Changed();
}

void TColumnTitleMv::SetSortIndex(int Value)
{
    Value = std::max(0, Value);
    if (Value == FSortIndex)
        return;
    TCustomDBGridMv* grid = FColumn->Grid();
    TDBGridColumnsMv* columns = FColumn->Collection();
    if (!grid || !columns || columns->UpdateCount() > 0) {
        FSortIndex = Value;
        return;
    }
    if (FSortMarker == smNoneMv)
        return;
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnMv* other = columns->Items(i);
        if (other == FColumn || other->Title().FSortIndex != Value)
            continue;
        other->Title().FSortIndex = FSortIndex;
        FSortIndex = Value;
        TColumnsMvList& marked = grid->SortMarkedColumnsList();
        const int mine = marked.IndexOf(FColumn);
        const int theirs = marked.IndexOf(other);
        if (mine >= 0 && theirs >= 0) {
            marked.Put(mine, other);
            marked.Put(theirs, FColumn);
        }
        Changed();
        return;
    }
}

void TColumnTitleMv::SetNextSortMarkerValue(bool KeepMulti)
{
    if (!KeepMulti) {
        if (TDBGridColumnsMv* columns = FColumn->Collection())
            for (int i = 0; i < columns->Count(); ++i)
                if (columns->Items(i) != FColumn)
                    columns->Items(i)->Title().SetSortMarker(smNoneMv);
    }
    switch (FSortMarker) {
    case smNoneMv: SetSortMarker(smDownMv); break;
    case smDownMv: SetSortMarker(smUpMv); break;
    case smUpMv: SetSortMarker(KeepMulti ? smNoneMv : smDownMv); break;
    }
}

int TColumnTitleMv::GetSortMarkingWidth() const
{
    if (FSortIndex == 0)
        return 0;
    int result = 16;
    int numberWidth = 0;
    TCustomDBGridMv* grid = FColumn->Grid();
    if (grid && grid->SortMarkedColumns().Count() >= 2) {
        numberWidth = QFontMetrics(DBGridMvSortMarkerFont()).horizontalAdvance(QString::number(FSortIndex));
        result += numberWidth;
    }
    const int room = FColumn->Width() - 4;
    if (result > room) {
        result -= 14;
        if (result > room)
            result -= numberWidth + 2;
    }
    return result;
}

void TColumnTitleMv::Assign(const TColumnTitleMv& Source)
{
    if (Source.Assigned(cvTitleAlignment))
        SetAlignment(Source.Alignment());
    if (Source.Assigned(cvTitleColor))
        SetColor(Source.Color());
    if (Source.Assigned(cvTitleCaption))
        SetCaption(Source.Caption());
    if (Source.Assigned(cvTitleFont))
        SetFont(Source.Font());
    Hint = Source.Hint;
    SetImageIndex(Source.ImageIndex());
    SetOrientation(Source.Orientation());
    SetSortIndex(Source.SortIndex());
    SetSortMarker(Source.SortMarker());
    SetTitleButton(Source.TitleButton());
    SetEndEllipsis(Source.EndEllipsis());
    SetToolTips(Source.ToolTips());
}

void TColumnTitleMv::RestoreDefaults()
{
    const bool fontAssigned = Assigned(cvTitleFont);
    FColumn->FAssignedValues &= ~TColumnMvValues::fromInt(int(ColumnTitleValues));
    FCaption.clear();
    FFont = DefaultFont();
    Changed(fontAssigned);
}

QVariantMap TColumnTitleMv::StoredProperties() const
{
    QVariantMap map;
    if (Assigned(cvTitleAlignment) && FAlignment != DefaultAlignment())
        map.insert(QStringLiteral("Alignment"), int(FAlignment));
    if (Assigned(cvTitleCaption) && FCaption != DefaultCaption())
        map.insert(QStringLiteral("Caption"), FCaption);
    if (Assigned(cvTitleColor) && FColor != DefaultColor())
        map.insert(QStringLiteral("Color"), FColor);
    if (Assigned(cvTitleFont))
        map.insert(QStringLiteral("Font"), FontToStoredText(FFont));
    if (Assigned(cvTitleButton) && FTitleButton != DefaultTitleButton())
        map.insert(QStringLiteral("TitleButton"), FTitleButton);
    if (Assigned(cvTitleEndEllipsis) && FEndEllipsis != DefaultEndEllipsis())
        map.insert(QStringLiteral("EndEllipsis"), FEndEllipsis);
    if (Assigned(cvTitleToolTips) && FToolTips != DefaultToolTips())
        map.insert(QStringLiteral("ToolTips"), FToolTips);
    if (Assigned(cvTitleOrientation) && FOrientation != DefaultOrientation())
        map.insert(QStringLiteral("Orientation"), int(FOrientation));
    if (!Hint.isEmpty())
        map.insert(QStringLiteral("Hint"), Hint);
    if (FImageIndex != -1)
        map.insert(QStringLiteral("ImageIndex"), FImageIndex);
    if (FSortIndex != 0)
        map.insert(QStringLiteral("SortIndex"), FSortIndex);
    if (FSortMarker != smNoneMv)
        map.insert(QStringLiteral("SortMarker"), int(FSortMarker));
    return map;
}

void TColumnTitleMv::LoadProperties(const QVariantMap& Values)
{
    for (auto it = Values.begin(); it != Values.end(); ++it) {
        const QString& name = it.key();
        const QVariant& value = it.value();
        if (name == u"Alignment")
            SetAlignment(TAlignment(value.toInt()));
        else if (name == u"Caption")
            SetCaption(value.toString());
        else if (name == u"Color")
            SetColor(TColor(value.toInt()));
        else if (name == u"Font")
            SetFont(FontFromStoredText(value.toString()));
        else if (name == u"TitleButton")
            SetTitleButton(value.toBool());
        else if (name == u"EndEllipsis")
            SetEndEllipsis(value.toBool());
        else if (name == u"ToolTips")
            SetToolTips(value.toBool());
        else if (name == u"Orientation")
            SetOrientation(TTextOrientationMv(value.toInt()));
        else if (name == u"Hint")
            Hint = value.toString();
        else if (name == u"ImageIndex")
            SetImageIndex(value.toInt());
        else if (name == u"SortIndex")
            FSortIndex = value.toInt();
        else if (name == u"SortMarker")
            FSortMarker = TSortMarkerMv(value.toInt());
    }
}

// ---------------------------------------------------------------- column: life

TColumnMv::TColumnMv(TDBGridColumnsMv* Collection) : FCollection(Collection)
{
    CreateOwnedObjects();
    FFont = DefaultFont();
}

TColumnMv::~TColumnMv()
{
    if (FImageList)
        FImageList->UnRegisterChanges(&FImageListLink);
    if (TCustomDBGridMv* grid = Grid()) {
        grid->SortMarkedColumnsList().Remove(this);
        grid->Selection().Columns().Remove(this);
    }
}

void TColumnMv::CreateOwnedObjects()
{
    FTitle = CreateTitle();
    FFooter = CreateFooter();
    FFooters = CreateFooters();
    FEditButtons = CreateEditButtons();
    FSTFilter = CreateSTFilter();
    FDropDownBox = std::make_unique<TColumnDropDownBoxMv>(this);
    FDropDownSpecRow = std::make_unique<TSpecRowMv>([this] { return Color(); }, [this] { return Font(); });
    FDropDownSpecRow->OnChange = [this](TSpecRowMv*) { SpecRowChanged(); };
    FMRUList = std::make_unique<TMRUListMv>(this);
}

std::unique_ptr<TColumnTitleMv> TColumnMv::CreateTitle()
{
    return std::make_unique<TColumnTitleMv>(this);
}

std::unique_ptr<TColumnFooterMv> TColumnMv::CreateFooter()
{
    return std::make_unique<TColumnFooterMv>(this);
}

std::unique_ptr<TColumnFootersMv> TColumnMv::CreateFooters()
{
    return std::make_unique<TColumnFootersMv>(this);
}

std::unique_ptr<TEditButtonsMv> TColumnMv::CreateEditButtons()
{
    auto buttons = std::make_unique<TEditButtonsMv>(this, VisibleEditButtonFactory);
    // Any change of the extra buttons is a change of the column.
    buttons->OnChange = [this](TEditButtonMv*) { Changed(false); };
    return buttons;
}

std::unique_ptr<TSTColumnFilterMv> TColumnMv::CreateSTFilter()
{
    return std::make_unique<TSTColumnFilterMv>(this);
}

TCustomDBGridMv* TColumnMv::Grid() const
{
    return FCollection ? FCollection->Grid() : nullptr;
}

int TColumnMv::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

QString TColumnMv::GetDisplayName() const
{
    return FFieldName.isEmpty() ? QStringLiteral("TColumnMv") : FFieldName;
}

void TColumnMv::Changed(bool AllItems)
{
    if (FCollection && FCollection->UpdateCount() == 0)
        FCollection->Update(AllItems ? nullptr : this);
}

template <typename T>
void TColumnMv::SetAssignedValue(T& Field, const T& Value, TColumnMvValue Flag)
{
    if (IsAssigned(Flag) && Field == Value)
        return;
    Field = Value;
    SetAssignedFlag(Flag);
    Changed(false);
}

// ---------------------------------------------------------------- column: field

TField* TColumnMv::FindFieldNow() const
{
    TCustomDBGridMv* grid = Grid();
    if (!grid || FFieldName.isEmpty())
        return nullptr;
    TDataSet* dataSet = grid->DataLink()->DataSet();
    if (!dataSet || (!dataSet->Active() && dataSet->DefaultFields()))
        return nullptr;
    return dataSet->FindField(FFieldName);
}

TField* TColumnMv::Field() const
{
    if (FField) {
        // Fields made from the data go when the dataset closes; a cached one
        // that its dataset no longer lists is looked up again.
        TCustomDBGridMv* grid = Grid();
        TDataSet* dataSet = grid ? grid->DataLink()->DataSet() : nullptr;
        if (dataSet && dataSet->Fields().IndexOf(FField) >= 0)
            return FField;
        FField = nullptr;
        FCachedValue = Variant();
    }
    TField* found = FindFieldNow();
    if (found) {
        FField = found;
        auto* self = const_cast<TColumnMv*>(this);
        self->FFieldName = found->FieldName();
        self->EnsureSumValues();
    }
    return FField;
}

void TColumnMv::ClearCachedField()
{
    FField = nullptr;
    FCachedValue = Variant();
}

void TColumnMv::SetFieldName(const QString& Value)
{
    TField* field = nullptr;
    TCustomDBGridMv* grid = Grid();
    if (grid && grid->DataLink()->DataSet() && !grid->Loading() && !Value.isEmpty())
        field = grid->DataLink()->DataSet()->FindField(Value);
    FFieldName = Value;
    SetField(field);
    FInitWidth = Width();
    Changed(false);
}

void TColumnMv::SetField(TField* Value)
{
    if (FField == Value)
        return;
    FField = Value;
    FCachedValue = Variant();
    if (Value)
        FFieldName = Value->FieldName();
    if (IsDefaultColumn()) {
        if (!Value)
            FFieldName.clear();
        RestoreDefaults();
        FInitWidth = Width();
    }
    EnsureSumValues();
    Changed(false);
}

void TColumnMv::EnsureSumValues()
{
    FFooter->EnsureSumValue();
    for (int i = 0; i < FFooters->Count(); ++i)
        FFooters->Items(i)->EnsureSumValue();
}

void TColumnMv::SetIndex(int Value)
{
    if (!FCollection)
        return;
    TCustomDBGridMv* grid = Grid();
    if (IsDefaultColumn() && grid && grid->DataLink()->Active()) {
        TField* own = Field();
        TField* target = grid->DataLink()->GetMappedField(Value);
        if (own && target && own != target)
            own->SetIndex(target->Index());
    }
    const int current = Index();
    if (current >= 0 && current != Value)
        FCollection->Move(current, Value);
}

// ---------------------------------------------------------------- column: defaults

TAlignment TColumnMv::DefaultAlignment() const
{
    TField* field = Field();
    return field ? field->Alignment() : taLeftJustify;
}

bool TColumnMv::DefaultAlwaysShowEditButton() const
{
    TCustomDBGridMv* grid = Grid();
    return grid && grid->ColumnDefValues().AlwaysShowEditButton();
}

bool TColumnMv::DefaultAutoDropDown() const
{
    TCustomDBGridMv* grid = Grid();
    return grid && grid->ColumnDefValues().AutoDropDown();
}

TBiDiMode TColumnMv::DefaultBiDiMode() const
{
    TCustomDBGridMv* grid = Grid();
    return grid ? grid->BiDiMode() : FBiDiMode;
}

bool TColumnMv::DefaultCheckboxes() const
{
    TField* field = Field();
    return field && field->DataType() == ftBoolean;
}

TColor TColumnMv::DefaultColor() const
{
    TCustomDBGridMv* grid = Grid();
    return grid ? grid->Color() : clWindow;
}

bool TColumnMv::DefaultDblClickNextVal() const
{
    TCustomDBGridMv* grid = Grid();
    return grid && grid->ColumnDefValues().DblClickNextVal();
}

bool TColumnMv::DefaultDropDownShowTitles() const
{
    TCustomDBGridMv* grid = Grid();
    return grid && grid->ColumnDefValues().DropDownShowTitles();
}

bool TColumnMv::DefaultDropDownSizing() const
{
    TCustomDBGridMv* grid = Grid();
    return grid && grid->ColumnDefValues().DropDownSizing();
}

bool TColumnMv::DefaultEndEllipsis() const
{
    TCustomDBGridMv* grid = Grid();
    return grid && grid->ColumnDefValues().EndEllipsis();
}

TFont TColumnMv::DefaultFont() const
{
    TCustomDBGridMv* grid = Grid();
    return grid ? grid->Font() : FFont;
}

bool TColumnMv::DefaultHighlightRequired() const
{
    TCustomDBGridMv* grid = Grid();
    return grid && grid->ColumnDefValues().HighlightRequired();
}

TImeMode TColumnMv::DefaultImeMode() const
{
    TCustomDBGridMv* grid = Grid();
    return grid ? grid->ImeMode() : FImeMode;
}

QString TColumnMv::DefaultImeName() const
{
    TCustomDBGridMv* grid = Grid();
    return grid ? grid->ImeName() : FImeName;
}

TTextLayout TColumnMv::DefaultLayout() const
{
    TCustomDBGridMv* grid = Grid();
    return grid ? grid->ColumnDefValues().Layout() : tlTop;
}

QString TColumnMv::DefaultLookupDisplayFields() const
{
    TField* field = Field();
    return field ? field->LookupResultField : QString();
}

bool TColumnMv::DefaultReadOnly() const
{
    TCustomDBGridMv* grid = Grid();
    if (grid && grid->ReadOnly())
        return true;
    TField* field = Field();
    return field && field->ReadOnly();
}

bool TColumnMv::DefaultToolTips() const
{
    TCustomDBGridMv* grid = Grid();
    return grid && grid->ColumnDefValues().ToolTips();
}

int TColumnMv::MeasureDefaultWidth() const
{
    TCustomDBGridMv* grid = Grid();
    if (!grid)
        return 64;
    TField* field = Field();
    if (!field)
        return grid->DefaultColWidth();
    // Qt fonts have no overhang: the platform's formula without it.
    const QFontMetrics metrics(Font());
    return metrics.horizontalAdvance(u'0') * field->DisplayWidth() + 4;
}

int TColumnMv::DefaultWidth() const
{
    return MeasureDefaultWidth();
}

bool TColumnMv::DefaultWordWrap() const
{
    if (!Grid())
        return false;
    TField* field = Field();
    if (!field)
        return false;
    const TFieldType type = field->DataType();
    return type == ftString || type == ftMemo || type == ftFmtMemo || type == ftWideString;
}

// ---------------------------------------------------------------- column: properties

TAlignment TColumnMv::Alignment() const
{
    return IsAssigned(cvAlignment) ? FAlignment : DefaultAlignment();
}

void TColumnMv::SetAlignment(TAlignment Value)
{
    TCustomDBGridMv* grid = Grid();
    if (IsDefaultColumn() && grid && grid->DataLink()->Active()) {
        if (TField* field = Field())
            field->SetAlignment(Value);
        return;
    }
    SetAssignedValue(FAlignment, Value, cvAlignment);
}

bool TColumnMv::AlwaysShowEditButton() const
{
    return IsAssigned(cvAlwaysShowEditButton) ? FAlwaysShowEditButton : DefaultAlwaysShowEditButton();
}

void TColumnMv::SetAlwaysShowEditButton(bool Value)
{
    SetAssignedValue(FAlwaysShowEditButton, Value, cvAlwaysShowEditButton);
}

bool TColumnMv::AutoDropDown() const
{
    return IsAssigned(cvAutoDropDown) ? FAutoDropDown : DefaultAutoDropDown();
}

void TColumnMv::SetAutoDropDown(bool Value)
{
    SetAssignedValue(FAutoDropDown, Value, cvAutoDropDown);
}

TBiDiMode TColumnMv::BiDiMode() const
{
    return IsAssigned(cvBiDiMode) ? FBiDiMode : DefaultBiDiMode();
}

void TColumnMv::SetBiDiMode(TBiDiMode Value)
{
    SetAssignedValue(FBiDiMode, Value, cvBiDiMode);
}

bool TColumnMv::Checkboxes() const
{
    return IsAssigned(cvCheckboxes) ? FCheckboxes : DefaultCheckboxes();
}

void TColumnMv::SetCheckboxes(bool Value)
{
    SetAssignedValue(FCheckboxes, Value, cvCheckboxes);
}

TColor TColumnMv::Color() const
{
    return IsAssigned(cvColor) ? FColor : DefaultColor();
}

void TColumnMv::SetColor(TColor Value)
{
    SetAssignedValue(FColor, Value, cvColor);
}

bool TColumnMv::DblClickNextVal() const
{
    return IsAssigned(cvDblClickNextVal) ? FDblClickNextVal : DefaultDblClickNextVal();
}

void TColumnMv::SetDblClickNextVal(bool Value)
{
    SetAssignedValue(FDblClickNextVal, Value, cvDblClickNextVal);
}

bool TColumnMv::DropDownShowTitles() const
{
    return IsAssigned(cvDropDownShowTitles) ? FDropDownShowTitles : DefaultDropDownShowTitles();
}

void TColumnMv::SetDropDownShowTitles(bool Value)
{
    SetAssignedValue(FDropDownShowTitles, Value, cvDropDownShowTitles);
}

bool TColumnMv::DropDownSizing() const
{
    return IsAssigned(cvDropDownSizing) ? FDropDownSizing : DefaultDropDownSizing();
}

void TColumnMv::SetDropDownSizing(bool Value)
{
    SetAssignedValue(FDropDownSizing, Value, cvDropDownSizing);
}

bool TColumnMv::EndEllipsis() const
{
    return IsAssigned(cvEndEllipsis) ? FEndEllipsis : DefaultEndEllipsis();
}

void TColumnMv::SetEndEllipsis(bool Value)
{
    SetAssignedValue(FEndEllipsis, Value, cvEndEllipsis);
}

TFont TColumnMv::Font() const
{
    return IsAssigned(cvFont) ? FFont : DefaultFont();
}

void TColumnMv::SetFont(const TFont& Value)
{
    FFont = Value;
    SetAssignedFlag(cvFont);
    // The title follows the column's font while it has none of its own and
    // the column is outside a grid.
    if (!FTitle->Assigned(cvTitleFont))
        FTitle->FFont = FTitle->DefaultFont();
    Changed(false);
}

bool TColumnMv::HighlightRequired() const
{
    return IsAssigned(cvHighlightRequired) ? FHighlightRequired : DefaultHighlightRequired();
}

void TColumnMv::SetHighlightRequired(bool Value)
{
    SetAssignedValue(FHighlightRequired, Value, cvHighlightRequired);
}

TImeMode TColumnMv::ImeMode() const
{
    return IsAssigned(cvImeMode) ? FImeMode : DefaultImeMode();
}

void TColumnMv::SetImeMode(TImeMode Value)
{
    if (!IsAssigned(cvImeMode) && Value == DefaultImeMode()) {
        Changed(false);
        return;
    }
    SetAssignedValue(FImeMode, Value, cvImeMode);
}

QString TColumnMv::ImeName() const
{
    return IsAssigned(cvImeName) ? FImeName : DefaultImeName();
}

void TColumnMv::SetImeName(const QString& Value)
{
    if (!IsAssigned(cvImeName) && Value == DefaultImeName()) {
        Changed(false);
        return;
    }
    SetAssignedValue(FImeName, Value, cvImeName);
}

TTextLayout TColumnMv::Layout() const
{
    return IsAssigned(cvLayout) ? FLayout : DefaultLayout();
}

void TColumnMv::SetLayout(TTextLayout Value)
{
    SetAssignedValue(FLayout, Value, cvLayout);
}

QString TColumnMv::LookupDisplayFields() const
{
    return IsAssigned(cvLookupDisplayFields) ? FLookupDisplayFields : DefaultLookupDisplayFields();
}

void TColumnMv::SetLookupDisplayFields(const QString& Value)
{
    // The drop-down grid takes the new fields at once, open or not.
    if (FDataList)
        FDataList->SetListField(Value);
    if (!IsAssigned(cvLookupDisplayFields) && Value == DefaultLookupDisplayFields()) {
        Changed(false);
        return;
    }
    SetAssignedValue(FLookupDisplayFields, Value, cvLookupDisplayFields);
}

bool TColumnMv::ReadOnly() const
{
    return IsAssigned(cvReadOnly) ? FReadOnly : DefaultReadOnly();
}

void TColumnMv::SetReadOnly(bool Value)
{
    TCustomDBGridMv* grid = Grid();
    if (IsDefaultColumn() && grid && grid->DataLink()->Active()) {
        if (TField* field = Field())
            field->SetReadOnly(Value);
        return;
    }
    SetAssignedValue(FReadOnly, Value, cvReadOnly);
}

bool TColumnMv::ToolTips() const
{
    return IsAssigned(cvToolTips) ? FToolTips : DefaultToolTips();
}

void TColumnMv::SetToolTips(bool Value)
{
    SetAssignedValue(FToolTips, Value, cvToolTips);
}

int TColumnMv::Width() const
{
    return IsAssigned(cvWidth) ? FWidth : DefaultWidth();
}

void TColumnMv::SetWidth(int Value)
{
    TCustomDBGridMv* grid = Grid();
    if (IsDefaultColumn() && grid) {
        TField* field = Field();
        if (grid->HandleAllocated() && field && grid->FieldWidthUpdate()) {
            const QFontMetrics metrics(Font());
            const int zero = std::max(1, metrics.horizontalAdvance(u'0'));
            field->SetDisplayWidth((Value + metrics.averageCharWidth() / 2 - 3) / zero);
        }
        if (grid->InsideLayoutRecomputation() && !IsAssigned(cvWidth))
            return;
    }
    if (!IsAssigned(cvWidth) && Value == DefaultWidth()) {
        Changed(false);
        return;
    }
    if (Value == -1)
        return;
    FWidth = Value;
    SetAssignedFlag(cvWidth);
    if (FMaxWidth >= 1 && FMaxWidth < FWidth)
        FWidth = FMaxWidth;
    if (FMinWidth > FWidth)
        FWidth = FMinWidth;
    Changed(false);
}

bool TColumnMv::WordWrap() const
{
    return IsAssigned(cvWordWrap) ? FWordWrap : DefaultWordWrap();
}

void TColumnMv::SetWordWrap(bool Value)
{
    TCustomDBGridMv* grid = Grid();
    if (!IsAssigned(cvWordWrap) && Value == DefaultWordWrap() && !(grid && grid->Loading())) {
        Changed(false);
        return;
    }
    SetAssignedValue(FWordWrap, Value, cvWordWrap);
}

void TColumnMv::SetAutoFitColWidth(bool Value)
{
    if (Value == FAutoFitColWidth)
        return;
    FAutoFitColWidth = Value;
    TCustomDBGridMv* grid = Grid();
    if (grid && grid->AutoFitColWidths() && !grid->Loading())
        SetWidth(FInitWidth);
    Changed(false);
}

void TColumnMv::SetButtonStyle(TColumnButtonStyleMv Value)
{
    if (Value == FButtonStyle)
        return;
    FButtonStyle = Value;
    Changed(false);
}

void TColumnMv::SetDisplayFormat(const QString& Value)
{
    if (Value == FDisplayFormat)
        return;
    FDisplayFormat = Value;
    Changed(false);
}

void TColumnMv::SetDropDownWidth(int Value)
{
    if (Value == FDropDownWidth)
        return;
    FDropDownWidth = Value;
    Changed(false);
}

void TColumnMv::SetEditMask(const QString& Value)
{
    if (Value == FEditMask)
        return;
    FEditMask = Value;
    Changed(false);
}

void TColumnMv::SetHideDuplicates(bool Value)
{
    if (Value == FHideDuplicates)
        return;
    FHideDuplicates = Value;
    Changed(false);
}

void TColumnMv::SetImageList(TImageList* Value)
{
    if (Value == FImageList)
        return;
    if (FImageList)
        FImageList->UnRegisterChanges(&FImageListLink);
    FImageList = Value;
    if (FImageList) {
        // A list that goes away leaves the column without images rather
        // than with a dangling list.
        FImageListLink.OnChange = [this] {
            if (TCustomDBGridMv* grid = Grid())
                grid->Invalidate();
        };
        FImageListLink.OnDestroyed = [this] {
            FImageList = nullptr;
            if (TCustomDBGridMv* grid = Grid())
                grid->Invalidate();
        };
        FImageList->RegisterChanges(&FImageListLink);
    }
    if (TCustomDBGridMv* grid = Grid())
        grid->Invalidate();
}

TStringList& TColumnMv::KeyList()
{
    if (!FKeyList)
        FKeyList = std::make_unique<TStringList>();
    return *FKeyList;
}

void TColumnMv::SetKeyList(const TStringList* Value)
{
    if (!Value)
        FKeyList.reset();
    else
        KeyList() = *Value;
    if (TCustomDBGridMv* grid = Grid())
        grid->Invalidate();
}

TStringList& TColumnMv::PickList()
{
    if (!FPickList)
        FPickList = std::make_unique<TStringList>();
    return *FPickList;
}

void TColumnMv::SetPickList(const TStringList* Value)
{
    if (!Value)
        FPickList.reset();
    else
        PickList() = *Value;
}

void TColumnMv::SetMaxWidth(int Value)
{
    FMaxWidth = Value;
    if (Value > 0 && Width() > Value)
        SetWidth(Value);
}

void TColumnMv::SetMinWidth(int Value)
{
    FMinWidth = Value;
    if (Value > 0 && Width() < Value)
        SetWidth(Value);
}

void TColumnMv::SetNotInKeyListIndex(int Value)
{
    if (Value == FNotInKeyListIndex)
        return;
    FNotInKeyListIndex = Value;
    if (TCustomDBGridMv* grid = Grid())
        grid->Invalidate();
}

void TColumnMv::SetShowImageAndText(bool Value)
{
    if (Value == FShowImageAndText)
        return;
    FShowImageAndText = Value;
    Changed(false);
}

void TColumnMv::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    Changed(true);
}

void TColumnMv::SetOnGetCellParams(TColCellParamsEventMv Value)
{
    FOnGetCellParams = std::move(Value);
    if (TCustomDBGridMv* grid = Grid())
        grid->Invalidate();
}

// ---------------------------------------------------------------- column: cell content

TColumnTypeMv TColumnMv::GetColumnType() const
{
    if (Checkboxes())
        return ctCheckboxes;
    TField* field = Field();
    if (field && field->FieldKind() == fkLookup)
        return ctLookupField;
    const bool picks = FPickList && !FPickList->IsEmpty();
    const bool keys = FKeyList && !FKeyList->IsEmpty();
    if (picks && !keys)
        return ctPickList;
    if (FImageList && !FShowImageAndText)
        return ctKeyImageList;
    if (picks && keys)
        return ctKeyPickList;
    return ctCommon;
}

QString TColumnMv::GetDisplayText() const
{
    TField* field = Field();
    if (!field || GetColumnType() == ctKeyImageList)
        return QString();
    if (FKeyList && !FKeyList->IsEmpty()) {
        const int count = FPickList ? FPickList->Count() : 0;
        const int i = FKeyList->IndexOf(field->GetEditText());
        if (i >= 0 && i < count)
            return (*FPickList)[i];
        if (FNotInKeyListIndex >= 0 && FNotInKeyListIndex < count)
            return (*FPickList)[FNotInKeyListIndex];
        return QString();
    }
    TCustomDBGridMv* grid = Grid();
    if (grid && grid->DrawMemoText() && field->DataType() == ftMemo)
        return field->AsString();
    if (field->FieldKind() == fkLookup && FDropDownSpecRow->Visible()) {
        TDataSet* dataSet = field->DataSet();
        const Variant keys =
            (dataSet && !field->KeyFields.isEmpty()) ? dataSet->GetFieldValue(field->KeyFields) : Variant();
        if ((!field->KeyFields.isEmpty() && VarEqualsMv(keys, FDropDownSpecRow->Value())) ||
            (FDropDownSpecRow->ShowIfNotInKeyList() && field->IsNull()))
            return FDropDownSpecRow->GetCellText(0);
    }
    if (FDisplayFormat.isEmpty())
        return field->DisplayText();
    if (field->IsNull())
        return QString();
    if (IsNumericType(field->DataType()))
        return FormatFloat(FDisplayFormat, field->AsFloat());
    if (IsDateTimeType(field->DataType()))
        return FormatDateTime(FDisplayFormat, field->AsDateTime());
    return QString();
}

TCheckBoxState TColumnMv::GetCheckboxState() const
{
    TField* field = Field();
    if (!field)
        return cbUnchecked;
    if (field->IsNull())
        return cbGrayed;
    if (field->DataType() == ftBoolean)
        return field->AsBoolean() ? cbChecked : cbUnchecked;
    const QString text = field->GetEditText();
    const TStringList* keys = FKeyList.get();
    if (keys && keys->Count() > 0 && InValueLine((*keys)[0], text))
        return cbChecked;
    if (!keys || keys->Count() < 2)
        return cbGrayed;
    if (InValueLine((*keys)[1], text))
        return cbUnchecked;
    return cbGrayed;
}

void TColumnMv::SetCheckboxState(TCheckBoxState Value)
{
    TField* field = Field();
    if (!field)
        return;
    if (Value == cbGrayed)
        UpdateDataValues(QString(), Variant::Null(), false);
    else if (field->DataType() == ftBoolean)
        UpdateDataValues(QString(), Variant(Value == cbChecked), false);
    else
        UpdateDataValues(FirstValueOf(FKeyList.get(), Value == cbChecked ? 0 : 1), Variant(), true);
}

int TColumnMv::GetImageIndex() const
{
    TField* field = Field();
    if (!field)
        return FNotInKeyListIndex;
    int result = -1;
    if (FKeyList && !FKeyList->IsEmpty())
        result = FKeyList->IndexOf(field->GetEditText());
    else if (FPickList && !FPickList->IsEmpty())
        result = FPickList->IndexOf(field->GetEditText());
    else if (IsStepNumericType(field->DataType()))
        result = GetFieldValueAsInteger(field, -1);
    return result == -1 ? FNotInKeyListIndex : result;
}

void TColumnMv::UpdateDataValues(const QString& Text, const Variant& Value, bool UseText)
{
    TCustomDBGridMv* grid = Grid();
    if (!grid)
        return;
    QString text = Text;
    Variant value = Value;
    bool useText = UseText;
    if (OnUpdateData) {
        bool handled = false;
        OnUpdateData(this, text, value, useText, handled);
        if (handled)
            return;
    }
    TField* field = Field();
    if (!field)
        return;
    if (useText) {
        if (grid->DrawMemoText() && field->DataType() == ftMemo)
            field->SetAsString(text);
        else
            field->SetEditText(text);
    } else if (field->FieldKind() != fkLookup) {
        field->SetValue(value);
    } else if (!field->KeyFields.isEmpty() && field->DataSet()) {
        DataSetSetFieldValues(*field->DataSet(), field->KeyFields, value);
    } else {
        field->SetValue(value);
    }
    TInplaceEdit* editor = grid->InplaceEditor();
    if (FMRUList->Active() && FMRUList->AutoAdd() && editor && editor->Visible() && editor->isModified())
        FMRUList->Add(text);
}

bool TColumnMv::CanModify(bool TryEdit)
{
    TCustomDBGridMv* grid = Grid();
    if (!grid || grid->ReadOnly() || !grid->DataLink()->Active() || grid->DataLink()->ReadOnly() || ReadOnly())
        return false;
    TField* field = Field();
    if (!field)
        return false;
    TField* tested = field;
    if (field->FieldKind() == fkLookup) {
        if (field->KeyFields.isEmpty() || !field->DataSet())
            return false;
        std::vector<TField*> keys;
        try {
            keys = field->DataSet()->GetFieldList(field->KeyFields);
        } catch (const EDatabaseError&) {
            return false;
        }
        if (keys.empty() || !FieldsCanModify(keys))
            return false;
        tested = keys.front();
    } else if (!field->CanModify()) {
        return false;
    }
    if (tested->IsBlob() && !tested->OnSetText && !(tested->DataType() == ftMemo && grid->DrawMemoText()))
        return false;
    if (!grid->AllowedOperationUpdate())
        return false;
    if (!TryEdit)
        return true;
    grid->DataLink()->Edit();
    const bool editing = grid->DataLink()->Editing();
    if (editing)
        grid->DataLink()->Modified();
    return editing;
}

void TColumnMv::SetNextFieldValue(double Increment)
{
    TCustomDBGridMv* grid = Grid();
    TField* field = Field();
    if (!grid || !field)
        return;
    // The conditions of CanModify, without the memo exception.
    if (field->IsBlob() && !field->OnSetText)
        return;
    if (!CanModify(false))
        return;
    grid->DataLink()->Edit();
    if (!grid->DataLink()->Editing())
        return;
    grid->DataLink()->Modified();
    field = Field();
    if (!field)
        return;
    const bool next = Increment == 1;
    auto walk = [next](const TStringList& list, const QString& current) {
        const int last = list.Count() - 1;
        const int i = list.IndexOf(current);
        if (next)
            return (i == -1 || i == last) ? 0 : i + 1;
        return (i == -1 || i == 0) ? last : i - 1;
    };
    switch (GetColumnType()) {
    case ctCheckboxes:
        SetCheckboxState(GetCheckboxState() == cbChecked ? cbUnchecked : cbChecked);
        return;
    case ctKeyPickList:
    case ctKeyImageList:
        if (FKeyList && !FKeyList->IsEmpty()) {
            const int i = walk(*FKeyList, field->GetEditText());
            UpdateDataValues(QString(), Variant((*FKeyList)[i]), false);
        }
        return;
    case ctPickList:
        if (FPickList && !FPickList->IsEmpty()) {
            const int i = walk(*FPickList, field->GetEditText());
            UpdateDataValues((*FPickList)[i], Variant(), true);
        }
        return;
    case ctLookupField: {
        TDataSet* lookup = GetLookupDataSet();
        TDataSet* dataSet = field->DataSet();
        if (!lookup || !dataSet || field->LookupKeyFields.isEmpty() || field->KeyFields.isEmpty())
            return;
        if (field->IsNull()) {
            lookup->First();
        } else if (lookup->Locate(field->LookupKeyFields, dataSet->GetFieldValue(field->KeyFields))) {
            if (next) {
                lookup->Next();
                if (lookup->Eof())
                    lookup->First();
            } else {
                lookup->Prior();
                if (lookup->Bof())
                    lookup->Last();
            }
        } else {
            lookup->First();
        }
        // The lookup field follows its keys.
        UpdateDataValues(QString(), lookup->GetFieldValue(field->LookupKeyFields), false);
        return;
    }
    default: break;
    }
    if (IsStepNumericType(field->DataType())) {
        const double base = field->IsNull() ? -Increment : field->AsFloat();
        UpdateDataValues(QString(), Variant(base + Increment), false);
    }
}

void TColumnMv::GetColCellParams(bool EditMode, TColCellParamsMv& Params)
{
    if (FOnGetCellParams)
        FOnGetCellParams(this, EditMode, Params);
}

void TColumnMv::FillColCellParams(bool EditMode, TColCellParamsMv& Params)
{
    if (Params.Font)
        *Params.Font = Font();
    Params.Background = Color();
    Params.Alignment = Alignment();
    Params.ImageIndex = GetImageIndex();
    Params.Text = GetDisplayText();
    Params.CheckboxState = GetCheckboxState();
    Params.ReadOnly = ReadOnly();
    Params.Col = -1;
    Params.Row = -1;
    Params.TextEditing = false;
    GetColCellParams(EditMode, Params);
}

TColumnFooterMv& TColumnMv::GetFooterForRow(int Index) const
{
    if (Index >= 0 && FFooters->Count() > Index)
        return *FFooters->Items(Index);
    return *FFooter;
}

bool TColumnMv::HasMainEditButton(TButtonDrawKindMv* Kind) const
{
    TButtonDrawKindMv kind = bdkDropDown;
    bool shown = false;
    switch (FButtonStyle) {
    case cbsEllipsis:
        shown = true;
        kind = bdkEllipsis;
        break;
    case cbsUpDown:
        shown = true;
        kind = bdkUpDown;
        break;
    case cbsDropDown: shown = true; break;
    case cbsNone: break;
    case cbsAuto: {
        TField* field = Field();
        TCustomDBGridMv* grid = Grid();
        if (!field)
            break;
        if (field->FieldKind() == fkLookup) {
            bool keysWritable = !field->KeyFields.isEmpty() && field->DataSet();
            if (keysWritable)
                for (const QString& name : SplitFieldNames(field->KeyFields)) {
                    TField* key = field->DataSet()->FindField(name);
                    keysWritable = keysWritable && key && key->CanModify();
                }
            shown = keysWritable && !(IsAssigned(cvReadOnly) && FReadOnly) && grid && !grid->ReadOnly() &&
                    grid->DataLink()->Active() && !grid->DataLink()->ReadOnly();
        } else if (!ReadOnly()) {
            const TFieldType type = field->DataType();
            shown = (FPickList && !FPickList->IsEmpty()) || type == ftDate || type == ftDateTime ||
                    type == ftTimeStamp;
        }
        break;
    }
    }
    if (Kind)
        *Kind = kind;
    return shown;
}

int TColumnMv::EditButtonsWidth() const
{
    TCustomDBGridMv* grid = Grid();
    const bool flat = grid && grid->Flat();
    const int defaultWidth = flat ? FlatButtonWidth() + 1 : GetSystemMetrics(SM_CXVSCROLL);
    int result = HasMainEditButton() ? defaultWidth : 0;
    for (int i = 0; i < FEditButtons->Count(); ++i) {
        const TEditButtonMv* button = FEditButtons->Items(i);
        if (!button->Visible())
            continue;
        result += button->Width() > 0 ? button->Width() : defaultWidth;
        if (flat)
            ++result;
    }
    return result;
}

void TColumnMv::OptimizeWidth()
{
    if (TCustomDBGridMv* grid = Grid())
        grid->OptimizeColumnWidth(this);
}

void TColumnMv::SpecRowChanged()
{
    Changed(false);
    if (FDataList)
        FDataList->SpecRow().Assign(*FDropDownSpecRow);
}

bool TColumnMv::UseRightToLeftAlignment() const
{
    return UseRightToLeftAlignmentFor(BiDiMode());
}

bool TColumnMv::UseRightToLeftReading() const
{
    return UseRightToLeftReadingFor(BiDiMode());
}

TDataSet* TColumnMv::GetLookupDataSet() const
{
    if (TDataSource* source = FDropDownBox->ListSource())
        return source->DataSet();
    TField* field = Field();
    return field ? field->LookupDataSet.data() : nullptr;
}

// ---------------------------------------------------------------- column: the data list

TPopupDataGridMv* TColumnMv::DataList()
{
    if (!FDataList) {
        FDataList = std::make_unique<TPopupDataGridMv>();
        FDataList->setObjectName(QStringLiteral("DataList"));
        if (FDropDownBox->ListSource())
            FDataList->SetListSource(FDropDownBox->ListSource());
    }
    return FDataList.get();
}

TCheckTitleMvBtnEvent TColumnMv::OnDropDownBoxCheckButton() const
{
    return FDataList ? FDataList->OnCheckButton : TCheckTitleMvBtnEvent();
}

void TColumnMv::SetOnDropDownBoxCheckButton(TCheckTitleMvBtnEvent Value)
{
    if (TPopupDataGridMv* list = DataList())
        list->OnCheckButton = std::move(Value);
}

TDrawColumnMvCellEvent TColumnMv::OnDropDownBoxDrawColumnCell() const
{
    return FDataList ? FDataList->OnDrawColumnCell : TDrawColumnMvCellEvent();
}

void TColumnMv::SetOnDropDownBoxDrawColumnCell(TDrawColumnMvCellEvent Value)
{
    if (TPopupDataGridMv* list = DataList())
        list->OnDrawColumnCell = std::move(Value);
}

TGetCellMvParamsEvent TColumnMv::OnDropDownBoxGetCellParams() const
{
    return FDataList ? FDataList->OnGetCellParams : TGetCellMvParamsEvent();
}

void TColumnMv::SetOnDropDownBoxGetCellParams(TGetCellMvParamsEvent Value)
{
    if (TPopupDataGridMv* list = DataList())
        list->OnGetCellParams = std::move(Value);
}

TGridNotifyEventMv TColumnMv::OnDropDownBoxSortMarkingChanged() const
{
    return FDataList ? FDataList->OnSortMarkingChanged : TGridNotifyEventMv();
}

void TColumnMv::SetOnDropDownBoxSortMarkingChanged(TGridNotifyEventMv Value)
{
    if (TPopupDataGridMv* list = DataList())
        list->OnSortMarkingChanged = std::move(Value);
}

TTitleMvClickEvent TColumnMv::OnDropDownBoxTitleBtnClick() const
{
    return FDataList ? FDataList->OnTitleBtnClick : TTitleMvClickEvent();
}

void TColumnMv::SetOnDropDownBoxTitleBtnClick(TTitleMvClickEvent Value)
{
    if (TPopupDataGridMv* list = DataList())
        list->OnTitleBtnClick = std::move(Value);
}

// ---------------------------------------------------------------- column: assign, defaults, storing

void TColumnMv::RestoreDefaults()
{
    const bool fontAssigned = IsAssigned(cvFont);
    FTitle->RestoreDefaults();
    FAssignedValues = {};
    FFont = DefaultFont();
    FPickList.reset();
    FButtonStyle = cbsAuto;
    Changed(fontAssigned);
    FKeyList.reset();
}

void TColumnMv::Assign(const TColumnMv& Source)
{
    if (&Source == this)
        return;
    if (FCollection)
        FCollection->BeginUpdate();
    try {
        RestoreDefaults();
        SetFieldName(Source.FieldName());
        if (Source.IsAssigned(cvColor))
            SetColor(Source.Color());
        if (Source.IsAssigned(cvWidth))
            SetWidth(Source.Width());
        if (Source.IsAssigned(cvFont))
            SetFont(Source.Font());
        if (Source.IsAssigned(cvImeMode))
            SetImeMode(Source.ImeMode());
        if (Source.IsAssigned(cvImeName))
            SetImeName(Source.ImeName());
        if (Source.IsAssigned(cvAlignment))
            SetAlignment(Source.Alignment());
        if (Source.IsAssigned(cvReadOnly))
            SetReadOnly(Source.ReadOnly());
        FTitle->Assign(Source.Title());
        SetDropDownRows(Source.DropDownRows());
        SetButtonStyle(Source.ButtonStyle());
        SetPickList(Source.FPickList.get());
        SetPopupMenu(Source.PopupMenu());
        FInitWidth = Source.FInitWidth;
        SetAutoFitColWidth(Source.AutoFitColWidth());
        if (Source.IsAssigned(cvWordWrap))
            SetWordWrap(Source.WordWrap());
        SetEndEllipsis(Source.EndEllipsis());
        SetDropDownWidth(Source.DropDownWidth());
        if (Source.IsAssigned(cvLookupDisplayFields))
            SetLookupDisplayFields(Source.LookupDisplayFields());
        SetAutoDropDown(Source.AutoDropDown());
        SetAlwaysShowEditButton(Source.AlwaysShowEditButton());
        SetWordWrap(Source.WordWrap());
        FFooter->Assign(Source.Footer());
        SetKeyList(Source.FKeyList.get());
        if (Source.IsAssigned(cvCheckboxes))
            SetCheckboxes(Source.Checkboxes());
        SetIncrement(Source.Increment());
        SetToolTips(Source.ToolTips());
        FFooters->Assign(Source.Footers());
        SetTag(Source.Tag());
        SetVisible(Source.Visible());
        SetImageList(Source.ImageList());
        SetNotInKeyListIndex(Source.NotInKeyListIndex());
        SetMinWidth(Source.MinWidth());
        SetMaxWidth(Source.MaxWidth());
        SetDblClickNextVal(Source.DblClickNextVal());
        SetDropDownSizing(Source.DropDownSizing());
        SetDropDownShowTitles(Source.DropDownShowTitles());
        SetOnGetCellParams(Source.OnGetCellParams());
        OnNotInList = Source.OnNotInList;
        OnUpdateData = Source.OnUpdateData;
        OnEditButtonClick = Source.OnEditButtonClick;
        OnEditButtonDown = Source.OnEditButtonDown;
        FEditButtons->Assign(Source.EditButtons());
        FDropDownBox->Assign(Source.DropDownBox());
        FMRUList->Assign(Source.MRUList());
        SetDisplayFormat(Source.DisplayFormat());
        SetEditMask(Source.EditMask());
        SetShowImageAndText(Source.ShowImageAndText());
        SetHideDuplicates(Source.HideDuplicates());
        SetLayout(Source.Layout());
    } catch (...) {
        if (FCollection)
            FCollection->EndUpdate();
        throw;
    }
    if (FCollection)
        FCollection->EndUpdate();
}

QVariantMap TColumnMv::StoredProperties() const
{
    QVariantMap map;
    auto flagged = [&](TColumnMvValue flag, const char* name, const QVariant& value, bool differs) {
        if (IsAssigned(flag) && differs)
            map.insert(QLatin1String(name), value);
    };
    flagged(cvColor, "Color", FColor, FColor != DefaultColor());
    flagged(cvWidth, "Width", FWidth, FWidth != DefaultWidth());
    flagged(cvAlignment, "Alignment", int(FAlignment), FAlignment != DefaultAlignment());
    flagged(cvReadOnly, "ReadOnly", FReadOnly, FReadOnly != DefaultReadOnly());
    flagged(cvImeMode, "ImeMode", int(FImeMode), FImeMode != DefaultImeMode());
    flagged(cvImeName, "ImeName", FImeName, FImeName != DefaultImeName());
    flagged(cvWordWrap, "WordWrap", FWordWrap, FWordWrap != DefaultWordWrap());
    flagged(cvLookupDisplayFields, "LookupDisplayFields", FLookupDisplayFields,
            FLookupDisplayFields != DefaultLookupDisplayFields());
    flagged(cvCheckboxes, "Checkboxes", FCheckboxes, FCheckboxes != DefaultCheckboxes());
    flagged(cvAlwaysShowEditButton, "AlwaysShowEditButton", FAlwaysShowEditButton,
            FAlwaysShowEditButton != DefaultAlwaysShowEditButton());
    flagged(cvEndEllipsis, "EndEllipsis", FEndEllipsis, FEndEllipsis != DefaultEndEllipsis());
    flagged(cvAutoDropDown, "AutoDropDown", FAutoDropDown, FAutoDropDown != DefaultAutoDropDown());
    flagged(cvDblClickNextVal, "DblClickNextVal", FDblClickNextVal, FDblClickNextVal != DefaultDblClickNextVal());
    flagged(cvToolTips, "ToolTips", FToolTips, FToolTips != DefaultToolTips());
    flagged(cvDropDownSizing, "DropDownSizing", FDropDownSizing, FDropDownSizing != DefaultDropDownSizing());
    flagged(cvDropDownShowTitles, "DropDownShowTitles", FDropDownShowTitles,
            FDropDownShowTitles != DefaultDropDownShowTitles());
    flagged(cvLayout, "Layout", int(FLayout), FLayout != DefaultLayout());
    flagged(cvHighlightRequired, "HighlightRequired", FHighlightRequired,
            FHighlightRequired != DefaultHighlightRequired());
    flagged(cvBiDiMode, "BiDiMode", int(FBiDiMode), FBiDiMode != DefaultBiDiMode());
    if (IsAssigned(cvFont))
        map.insert(QStringLiteral("Font"), FontToStoredText(FFont));
    if (!FFieldName.isEmpty())
        map.insert(QStringLiteral("FieldName"), FFieldName);
    if (FButtonStyle != cbsAuto)
        map.insert(QStringLiteral("ButtonStyle"), int(FButtonStyle));
    if (!FDisplayFormat.isEmpty())
        map.insert(QStringLiteral("DisplayFormat"), FDisplayFormat);
    if (!FEditMask.isEmpty())
        map.insert(QStringLiteral("EditMask"), FEditMask);
    if (FDropDownRows != 7)
        map.insert(QStringLiteral("DropDownRows"), FDropDownRows);
    if (FDropDownWidth != 0)
        map.insert(QStringLiteral("DropDownWidth"), FDropDownWidth);
    if (FHideDuplicates)
        map.insert(QStringLiteral("HideDuplicates"), true);
    if (FIncrement != 1.0)
        map.insert(QStringLiteral("Increment"), FIncrement);
    if (FMaxWidth != 0)
        map.insert(QStringLiteral("MaxWidth"), FMaxWidth);
    if (FMinWidth != 0)
        map.insert(QStringLiteral("MinWidth"), FMinWidth);
    if (FNotInKeyListIndex != -1)
        map.insert(QStringLiteral("NotInKeyListIndex"), FNotInKeyListIndex);
    if (FShowImageAndText)
        map.insert(QStringLiteral("ShowImageAndText"), true);
    if (FTag != 0)
        map.insert(QStringLiteral("Tag"), FTag);
    if (!FVisible)
        map.insert(QStringLiteral("Visible"), false);
    if (!FAutoFitColWidth)
        map.insert(QStringLiteral("AutoFitColWidth"), false);
    if (FPickList && !FPickList->IsEmpty())
        map.insert(QStringLiteral("PickList"), FPickList->Items());
    if (FKeyList && !FKeyList->IsEmpty())
        map.insert(QStringLiteral("KeyList"), FKeyList->Items());
    const QVariantMap title = FTitle->StoredProperties();
    if (!title.isEmpty())
        map.insert(QStringLiteral("Title"), title);
    const QVariantMap footer = FFooter->StoredProperties();
    if (!footer.isEmpty())
        map.insert(QStringLiteral("Footer"), footer);
    if (FFooters->Count() > 0) {
        QVariantList footers;
        for (int i = 0; i < FFooters->Count(); ++i)
            footers.append(FFooters->Items(i)->StoredProperties());
        map.insert(QStringLiteral("Footers"), footers);
    }
    const QVariantMap dropDownBox = FDropDownBox->StoredProperties();
    if (!dropDownBox.isEmpty())
        map.insert(QStringLiteral("DropDownBox"), dropDownBox);
    const QVariantMap specRow = SpecRowStoredProperties(*FDropDownSpecRow);
    if (!specRow.isEmpty())
        map.insert(QStringLiteral("DropDownSpecRow"), specRow);
    return map;
}

void TColumnMv::LoadProperties(const QVariantMap& Values)
{
    for (auto it = Values.begin(); it != Values.end(); ++it) {
        const QString& name = it.key();
        const QVariant& v = it.value();
        if (name == u"Color")
            SetColor(TColor(v.toInt()));
        else if (name == u"Width")
            SetWidth(v.toInt());
        else if (name == u"Alignment")
            SetAssignedValue(FAlignment, TAlignment(v.toInt()), cvAlignment);
        else if (name == u"ReadOnly")
            SetAssignedValue(FReadOnly, v.toBool(), cvReadOnly);
        else if (name == u"ImeMode")
            SetAssignedValue(FImeMode, TImeMode(v.toInt()), cvImeMode);
        else if (name == u"ImeName")
            SetAssignedValue(FImeName, v.toString(), cvImeName);
        else if (name == u"WordWrap")
            SetAssignedValue(FWordWrap, v.toBool(), cvWordWrap);
        else if (name == u"LookupDisplayFields")
            SetAssignedValue(FLookupDisplayFields, v.toString(), cvLookupDisplayFields);
        else if (name == u"Checkboxes")
            SetCheckboxes(v.toBool());
        else if (name == u"AlwaysShowEditButton")
            SetAlwaysShowEditButton(v.toBool());
        else if (name == u"EndEllipsis")
            SetEndEllipsis(v.toBool());
        else if (name == u"AutoDropDown")
            SetAutoDropDown(v.toBool());
        else if (name == u"DblClickNextVal")
            SetDblClickNextVal(v.toBool());
        else if (name == u"ToolTips")
            SetToolTips(v.toBool());
        else if (name == u"DropDownSizing")
            SetDropDownSizing(v.toBool());
        else if (name == u"DropDownShowTitles")
            SetDropDownShowTitles(v.toBool());
        else if (name == u"Layout")
            SetLayout(TTextLayout(v.toInt()));
        else if (name == u"HighlightRequired")
            SetHighlightRequired(v.toBool());
        else if (name == u"BiDiMode")
            SetBiDiMode(TBiDiMode(v.toInt()));
        else if (name == u"Font")
            SetFont(FontFromStoredText(v.toString()));
        else if (name == u"FieldName")
            SetFieldName(v.toString());
        else if (name == u"ButtonStyle")
            SetButtonStyle(TColumnButtonStyleMv(v.toInt()));
        else if (name == u"DisplayFormat")
            SetDisplayFormat(v.toString());
        else if (name == u"EditMask")
            SetEditMask(v.toString());
        else if (name == u"DropDownRows")
            SetDropDownRows(v.toInt());
        else if (name == u"DropDownWidth")
            SetDropDownWidth(v.toInt());
        else if (name == u"HideDuplicates")
            SetHideDuplicates(v.toBool());
        else if (name == u"Increment")
            SetIncrement(v.toDouble());
        else if (name == u"MaxWidth")
            SetMaxWidth(v.toInt());
        else if (name == u"MinWidth")
            SetMinWidth(v.toInt());
        else if (name == u"NotInKeyListIndex")
            SetNotInKeyListIndex(v.toInt());
        else if (name == u"ShowImageAndText")
            SetShowImageAndText(v.toBool());
        else if (name == u"Tag")
            SetTag(v.toInt());
        else if (name == u"Visible")
            SetVisible(v.toBool());
        else if (name == u"AutoFitColWidth")
            SetAutoFitColWidth(v.toBool());
        else if (name == u"PickList") {
            const TStringList list(v.toStringList());
            SetPickList(&list);
        } else if (name == u"KeyList") {
            const TStringList list(v.toStringList());
            SetKeyList(&list);
        } else if (name == u"Title")
            FTitle->LoadProperties(v.toMap());
        else if (name == u"Footer")
            FFooter->LoadProperties(v.toMap());
        else if (name == u"DropDownBox")
            FDropDownBox->LoadProperties(v.toMap());
        else if (name == u"DropDownSpecRow")
            LoadSpecRowProperties(*FDropDownSpecRow, v.toMap());
        else if (name == u"Footers") {
            FFooters->Clear();
            const QVariantList list = v.toList();
            for (const QVariant& item : list)
                FFooters->Add()->LoadProperties(item.toMap());
        }
    }
    FInitWidth = Width();
}
