// The lookup grids: the list of a lookup's records, its key, keys, mouse,
// type-ahead and sizing, and the drop-down form the cell editor opens.

#include "grid/DBLookupGridsMv.h"

#include "grid/DBGridMvMemTable.h"
#include "gridbase/ToolCtrlsMvWatch.h"
#include "platform/Exceptions.h"
#include "platform/db/Field.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QShowEvent>

namespace {

bool IsSearchableField(const TField* Field)
{
    if (!Field || (Field->FieldKind() != fkData && Field->FieldKind() != fkInternalCalc))
        return false;
    const TFieldType type = Field->DataType();
    return type == ftString || type == ftWideString || type == ftFixedChar;
}

} // namespace

// ---------------------------------------------------------------- data link

void TLookupGridDataLinkMv::ActiveChanged()
{
    FGrid->RefreshDataFields();
}

void TLookupGridDataLinkMv::RecordChanged(TField*)
{
    FGrid->RefreshDataFields();
}

void TLookupGridDataLinkMv::LayoutChanged()
{
    FGrid->RefreshDataFields();
}

// ---------------------------------------------------------------- special cells

const TSpecRowMv* TGridColumnSpecCellMv::SpecRow() const
{
    auto* grid = dynamic_cast<TDBLookupGridMv*>(FColumn->Grid());
    return grid ? &grid->SpecRow() : nullptr;
}

void TGridColumnSpecCellMv::Changed()
{
    if (TCustomDBGridMv* grid = FColumn->Grid())
        grid->Invalidate();
}

TColor TGridColumnSpecCellMv::Color() const
{
    if (FColorAssigned || !SpecRow())
        return FColor;
    return SpecRow()->Color();
}

void TGridColumnSpecCellMv::SetColor(TColor Value)
{
    FColor = Value;
    FColorAssigned = true;
    Changed();
}

TFont TGridColumnSpecCellMv::Font() const
{
    if (FFontAssigned || !SpecRow())
        return FFont;
    return SpecRow()->Font();
}

void TGridColumnSpecCellMv::SetFont(const TFont& Value)
{
    FFont = Value;
    FFontAssigned = true;
    Changed();
}

QString TGridColumnSpecCellMv::Text() const
{
    if (FTextAssigned || !SpecRow())
        return FText;
    // The special row's cells follow the visible columns in order.
    TCustomDBGridMv* grid = FColumn->Grid();
    const int index = grid ? grid->VisibleColumns().IndexOf(FColumn) : -1;
    return SpecRow()->GetCellText(std::max(0, index));
}

void TGridColumnSpecCellMv::SetText(const QString& Value)
{
    FText = Value;
    FTextAssigned = true;
    Changed();
}

void TGridColumnSpecCellMv::Assign(const TGridColumnSpecCellMv& Source)
{
    FColor = Source.FColor;
    FColorAssigned = Source.FColorAssigned;
    FFont = Source.FFont;
    FFontAssigned = Source.FFontAssigned;
    FText = Source.FText;
    FTextAssigned = Source.FTextAssigned;
    Changed();
}

QVariantMap TGridColumnSpecCellMv::StoredProperties() const
{
    QVariantMap map;
    if (FColorAssigned)
        map.insert(QStringLiteral("Color"), FColor);
    if (FFontAssigned)
        map.insert(QStringLiteral("Font"), FontToStoredText(FFont));
    if (FTextAssigned)
        map.insert(QStringLiteral("Text"), FText);
    return map;
}

void TGridColumnSpecCellMv::LoadProperties(const QVariantMap& Values)
{
    if (Values.contains(QStringLiteral("Color")))
        SetColor(TColor(Values.value(QStringLiteral("Color")).toInt()));
    if (Values.contains(QStringLiteral("Font")))
        SetFont(FontFromStoredText(Values.value(QStringLiteral("Font")).toString()));
    if (Values.contains(QStringLiteral("Text")))
        SetText(Values.value(QStringLiteral("Text")).toString());
}

QVariantMap SpecRowStoredProperties(const TSpecRowMv& SpecRow)
{
    const TSpecRowMv fresh;
    QVariantMap map;
    if (!SpecRow.CellsText().isEmpty())
        map.insert(QStringLiteral("CellsText"), SpecRow.CellsText());
    if (SpecRow.ColorAssigned())
        map.insert(QStringLiteral("Color"), SpecRow.Color());
    if (SpecRow.FontAssigned())
        map.insert(QStringLiteral("Font"), FontToStoredText(SpecRow.Font()));
    if (SpecRow.ShortCut() != fresh.ShortCut())
        map.insert(QStringLiteral("ShortCut"), int(SpecRow.ShortCut()));
    if (SpecRow.ShowIfNotInKeyList() != fresh.ShowIfNotInKeyList())
        map.insert(QStringLiteral("ShowIfNotInKeyList"), SpecRow.ShowIfNotInKeyList());
    if (!SpecRow.Value().IsNull())
        map.insert(QStringLiteral("Value"), SpecRow.Value().ToQVariant());
    if (SpecRow.Visible())
        map.insert(QStringLiteral("Visible"), true);
    return map;
}

void LoadSpecRowProperties(TSpecRowMv& SpecRow, const QVariantMap& Values)
{
    SpecRow.BeginUpdate();
    for (auto it = Values.begin(); it != Values.end(); ++it) {
        const QString& name = it.key();
        const QVariant& value = it.value();
        if (name == u"CellsText")
            SpecRow.SetCellsText(value.toString());
        else if (name == u"Color")
            SpecRow.SetColor(TColor(value.toInt()));
        else if (name == u"Font")
            SpecRow.SetFont(FontFromStoredText(value.toString()));
        else if (name == u"ShortCut")
            SpecRow.SetShortCut(TShortCut(value.toInt()));
        else if (name == u"ShowIfNotInKeyList")
            SpecRow.SetShowIfNotInKeyList(value.toBool());
        else if (name == u"Value")
            SpecRow.SetValue(Variant::FromQVariant(value));
        else if (name == u"Visible")
            SpecRow.SetVisible(value.toBool());
    }
    SpecRow.EndUpdate();
}

TDBLookupGridColumnMv::TDBLookupGridColumnMv(TDBGridColumnsMv* Collection)
    : TColumnMv(Collection), FSpecCell(this)
{
    // The row under the titles is the special row here, never a filter.
    STFilter().SetVisible(false);
}

void TDBLookupGridColumnMv::SetIndex(int Value)
{
    // Moving relayouts the grid, which may make its columns anew: nothing
    // of this column is touched once it has moved.
    const QPointer<TDBLookupGridMv> grid = dynamic_cast<TDBLookupGridMv*>(Grid());
    TColumnMv::SetIndex(Value);
    if (grid && grid->ListActive())
        grid->ListFieldsFollowColumns();
}

void TDBLookupGridColumnMv::Assign(const TColumnMv& Source)
{
    TColumnMv::Assign(Source);
    if (const auto* source = dynamic_cast<const TDBLookupGridColumnMv*>(&Source))
        FSpecCell.Assign(source->FSpecCell);
}

QVariantMap TDBLookupGridColumnMv::StoredProperties() const
{
    QVariantMap map = TColumnMv::StoredProperties();
    const QVariantMap specCell = FSpecCell.StoredProperties();
    if (!specCell.isEmpty())
        map.insert(QStringLiteral("SpecCell"), specCell);
    return map;
}

void TDBLookupGridColumnMv::LoadProperties(const QVariantMap& Values)
{
    TColumnMv::LoadProperties(Values);
    FSpecCell.LoadProperties(Values.value(QStringLiteral("SpecCell")).toMap());
}

// ---------------------------------------------------------------- creation

TDBLookupGridMv::TDBLookupGridMv(QWidget* parent)
    : TCustomDBGridMv(parent),
      FDataLink(std::make_unique<TLookupGridDataLinkMv>(this)),
      FOwnListSource(std::make_unique<TDataSource>()),
      FSpecRow(std::make_unique<TSpecRowMv>([this] { return Color(); }, [this] { return Font(); }))
{
    FClock.start();
    RecreateColumns();
    SetParentColor(false);
    setFocusPolicy(Qt::ClickFocus);
    SetDataSource(FOwnListSource.get());
    SetOptions(TDBGridOptions(dgColLines | dgRowSelect));
    SetOptionsMv(OptionsMv() | dghTraceColSizing);
    SetFlat(true);
    SetDrawMemoText(true);
    SetVTitleMargin(5);
    FSpecRow->OnChange = [this](TSpecRowMv*) {
        LayoutChanged();
        ReselectKey();
    };
}

TDBLookupGridMv::~TDBLookupGridMv()
{
    FSpecRow->OnChange = nullptr;
    FDataLink->SetDataSource(nullptr);
    SetDataSource(nullptr);
}

std::unique_ptr<TDBGridColumnsMv> TDBLookupGridMv::CreateColumns()
{
    return std::make_unique<TDBGridColumnsMv>(
        this, [](TDBGridColumnsMv* Collection) { return std::make_unique<TDBLookupGridColumnMv>(Collection); });
}

qint64 TDBLookupGridMv::TickCount() const
{
    return FClock.elapsed();
}

// ---------------------------------------------------------------- the list

TDataSet* TDBLookupGridMv::ListDataSet() const
{
    return FOwnListSource->DataSet();
}

void TDBLookupGridMv::SetListSource(TDataSource* Value)
{
    if (FDataField && FDataField->FieldKind() == fkLookup)
        DatabaseError(QStringLiteral("Property already defined by lookup field"));
    FListSource = Value;
    TDataSet* dataSet = Value ? Value->DataSet() : nullptr;
    if (dataSet != FOwnListSource->DataSet())
        FOwnListSource->SetDataSet(dataSet);
    else
        RebuildListFields();
}

void TDBLookupGridMv::SetKeyField(const QString& Value)
{
    if (FDataField && FDataField->FieldKind() == fkLookup)
        DatabaseError(QStringLiteral("Property already defined by lookup field"));
    if (Value == FKeyFieldNames)
        return;
    FKeyFieldNames = Value;
    RebuildListFields();
}

void TDBLookupGridMv::SetListField(const QString& Value)
{
    if (Value == FListFieldNames)
        return;
    FListFieldNames = Value;
    RebuildListFields();
}

void TDBLookupGridMv::ListFieldsFollowColumns()
{
    QStringList names;
    for (int i = 0; i < Columns().Count(); ++i)
        names.append(Columns()[i]->FieldName());
    // Columns that were made from the list stay the list's in their new
    // order, so that the list fields' rebuild keeps them as they stand.
    QStringList made = FListColumnNames;
    QStringList moved = names;
    made.sort();
    moved.sort();
    if (!made.isEmpty() && made == moved)
        FListColumnNames = names;
    names.removeAll(QString());
    SetListField(names.join(u';'));
}

void TDBLookupGridMv::SetListFieldIndex(int Value)
{
    if (Value == FListFieldIndex)
        return;
    FListFieldIndex = Value;
    ReselectKey();
}

TField* TDBLookupGridMv::ShownListField() const
{
    if (FListFields.empty())
        return nullptr;
    const bool inRange = FListFieldIndex >= 0 && FListFieldIndex < int(FListFields.size());
    return FListFields[inRange ? size_t(FListFieldIndex) : 0];
}

void TDBLookupGridMv::LinkActive(bool Value)
{
    TCustomDBGridMv::LinkActive(Value);
    RebuildListFields();
}

void TDBLookupGridMv::DataChanged()
{
    TCustomDBGridMv::DataChanged();
    if (FListActive && !FTracking)
        UpdateActive();
}

void TDBLookupGridMv::RebuildListFields()
{
    FListFields.clear();
    FKeyFields.clear();
    FListActive = false;
    TDataSet* dataSet = ListDataSet();
    if (dataSet && dataSet->Active() && DataLink()->Active()) {
        for (const QString& name : SplitFieldNames(FKeyFieldNames))
            if (TField* field = dataSet->FindField(name))
                FKeyFields.push_back(field);
        const QString listNames = FListFieldNames.isEmpty() ? FKeyFieldNames : FListFieldNames;
        for (const QString& name : SplitFieldNames(listNames))
            if (TField* field = dataSet->FindField(name))
                FListFields.push_back(field);
        if (FDataField && FDataField->FieldKind() == fkLookup) {
            // A bound lookup field shows its result field first.
            TField* result = dataSet->FindField(FDataField->LookupResultField);
            if (result && std::find(FListFields.begin(), FListFields.end(), result) == FListFields.end())
                FListFields.insert(FListFields.begin(), result);
        }
        FListActive = !FKeyFields.empty() && FKeyFields.size() == size_t(SplitFieldNames(FKeyFieldNames).size()) &&
                      !FListFields.empty();
        // Columns made from the list are made again only when the list
        // fields changed: a rebuild would free a column that moved itself.
        QStringList shownNames;
        for (const TField* field : FListFields)
            shownNames.append(field->FieldName());
        if (FListActive && ((ColumnsFromList() && shownNames != FListColumnNames) || !Columns().State())) {
            // Without columns of its own the grid shows the list fields.
            BeginLayout();
            try {
                Columns().Clear();
                FListColumnNames.clear();
                for (TField* field : FListFields) {
                    Columns().Add()->SetFieldName(field->FieldName());
                    FListColumnNames.append(field->FieldName());
                }
            } catch (...) {
                EndLayout();
                throw;
            }
            EndLayout();
        }
    }
    if (FListActive) {
        RefitWidths();
        ReselectKey();
    } else {
        FText.clear();
        FSpecRowSelected = false;
        FRowSelected = false;
        RepaintList();
    }
}

bool TDBLookupGridMv::ColumnsFromList() const
{
    // Columns the program gave (or changed) are kept.
    if (FListColumnNames.isEmpty() || Columns().Count() != FListColumnNames.size())
        return false;
    for (int i = 0; i < Columns().Count(); ++i)
        if (Columns()[i]->FieldName() != FListColumnNames[i])
            return false;
    return true;
}

// ---------------------------------------------------------------- the key

void TDBLookupGridMv::SetKeyValue(const Variant& Value)
{
    if (VarEqualsMv(Value, FKeyValue) && !FText.isEmpty())
        return;
    FKeyValue = Value;
    ReselectKey();
}

QString TDBLookupGridMv::TextOfCurrent() const
{
    TField* field = ShownListField();
    return field ? field->DisplayText() : QString();
}

bool TDBLookupGridMv::FindKeyRecord()
{
    TDataSet* dataSet = ListDataSet();
    if (!dataSet || !LocateKeyAllowed() || FKeyValue.IsClear() || !dataSet->Active())
        return false;
    if (!dataSet->Locate(FKeyFieldNames, FKeyValue))
        return false;
    if (!FTracking) {
        // The found record stands in the middle of the visible rows: a
        // table's rows scroll there, the buffer of other lists follows a
        // move half a page on and back.
        const int half = std::max(1, VisibleRowCount()) / 2;
        if (MemTableSupport()) {
            SetTopRowInRange(TitleRowCount() + BufferActive() - half);
        } else {
            const int moved = dataSet->MoveBy(half);
            dataSet->MoveBy(-moved);
        }
    }
    return true;
}

void TDBLookupGridMv::ReselectKey()
{
    FSpecRowSelected = false;
    if (!FListActive) {
        FText.clear();
        RepaintList();
        return;
    }
    if (FSpecRow->Visible() && VarEqualsMv(FKeyValue, FSpecRow->Value())) {
        FSpecRowSelected = true;
        FText = FSpecRow->GetCellText(0);
    } else if (FindKeyRecord()) {
        FText = TextOfCurrent();
    } else if (FSpecRow->Visible() && FSpecRow->ShowIfNotInKeyList()) {
        FSpecRowSelected = true;
        FText = FSpecRow->GetCellText(0);
    } else {
        FText.clear();
    }
    UpdateActive();
    RepaintList();
}

void TDBLookupGridMv::ChooseKeyValue(const Variant& Value)
{
    if (FDataField && CanModifyKey()) {
        TDataSet* dataSet = FDataField->DataSet();
        if (dataSet && FDataLink->Edit()) {
            if (FDataField->FieldKind() == fkLookup)
                DataSetSetFieldValues(*dataSet, FDataField->KeyFields, Value);
            else
                FDataField->SetValue(Value);
        }
    }
    const bool changed = !VarEqualsMv(Value, FKeyValue);
    FKeyValue = Value;
    ReselectKey();
    if (changed)
        KeyValueChanged();
}

void TDBLookupGridMv::RepaintList()
{
    if (!Loading())
        Invalidate();
}

void TDBLookupGridMv::UpdateActive()
{
    if (IncSearchActive())
        SetIncSearch(false, QString());
    FRowSelected = false;
    TCustomDBGridMv::UpdateActive();
    TDataSet* dataSet = ListDataSet();
    if (!FListActive || !HandleAllocated() || Loading() || !dataSet || FSpecRowSelected)
        return;
    // The key's record among the rows: an in-memory table keeps it current;
    // otherwise it is looked for among the buffered records, which the
    // list may have scrolled away from the current one.
    int row = -1;
    if (MemTableSupport())
        row = dataSet->IsEmpty() ? -1 : BufferActive();
    else
        row = BufferRowOfKey();
    const int target = row + TitleRowCount();
    if (row < 0 || target >= RowCount())
        return;
    if (target != Row()) {
        if (!Options().testFlag(dgAlwaysShowEditor))
            HideEditor();
        MoveColRow(Col(), target, true, false);
        InvalidateEditor();
    }
    FRowSelected = true;
}

int TDBLookupGridMv::BufferActive() const
{
    return FListActive && DataLink()->Active() ? std::max(0, ActiveDataRow(*this)) : 0;
}

int TDBLookupGridMv::BufferCount() const
{
    return FListActive ? DataRowRecordCount(*this) : 0;
}

int TDBLookupGridMv::BufferRowOfKey() const
{
    TDataSet* dataSet = ListDataSet();
    TGridDataLinkMv* link = DataLink();
    if (!dataSet || !link->Active() || FKeyValue.IsClear())
        return -1;
    for (int row = 0; row < link->RecordCount(); ++row) {
        TActiveRecordScopeMv scope(*link, row);
        if (VarEqualsMv(dataSet->GetFieldValue(FKeyFieldNames), FKeyValue))
            return row;
    }
    return -1;
}

// ---------------------------------------------------------------- the bound field

void TDBLookupGridMv::SetDataFieldSource(TDataSource* Value)
{
    FDataLink->SetDataSource(Value);
    RefreshDataFields();
}

void TDBLookupGridMv::SetDataField(const QString& Value)
{
    FDataFieldName = Value;
    RefreshDataFields();
}

void TDBLookupGridMv::RefreshDataFields()
{
    TDataSet* dataSet = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    FDataField = dataSet && !FDataFieldName.isEmpty() ? dataSet->FindField(FDataFieldName) : nullptr;
    if (!FDataField)
        return;
    if (FDataField->FieldKind() == fkLookup) {
        // A lookup field brings its own list and keys.
        if (FKeyFieldNames != FDataField->LookupKeyFields || ListDataSet() != FDataField->LookupDataSet) {
            FKeyFieldNames = FDataField->LookupKeyFields;
            if (ListDataSet() != FDataField->LookupDataSet)
                FOwnListSource->SetDataSet(FDataField->LookupDataSet);
            RebuildListFields();
        }
        SetKeyValue(FDataField->KeyFields.isEmpty() ? Variant::Null() : dataSet->GetFieldValue(FDataField->KeyFields));
    } else {
        SetKeyValue(FDataField->Value());
    }
}

bool TDBLookupGridMv::CanModifyKey() const
{
    if (!FListActive || ReadOnly())
        return false;
    if (!FDataField)
        return true;
    if (FDataField->FieldKind() != fkLookup)
        return FDataField->CanModify();
    TDataSet* dataSet = FDataField->DataSet();
    return dataSet && !FDataField->KeyFields.isEmpty() && FieldsCanModify(dataSet->GetFieldList(FDataField->KeyFields));
}

// ---------------------------------------------------------------- sizing

int TDBLookupGridMv::GridLinePixels() const
{
    return GridLineWidth();
}

int TDBLookupGridMv::TitleHeightPixels() const
{
    if (!ShowTitles())
        return 0;
    return RowHeights(0) + (Options().testFlag(dgRowLines) ? GridLinePixels() : 0);
}

int TDBLookupGridMv::BorderHeight() const
{
    return HandleAllocated() ? height() - ClientHeight() : 0;
}

int TDBLookupGridMv::DataRowHeight() const
{
    return DefaultRowHeight() + (Options().testFlag(dgRowLines) ? GridLinePixels() : 0);
}

int TDBLookupGridMv::SpecRowHeight() const
{
    return FSpecRow->Visible() ? DataRowHeight() : 0;
}

void TDBLookupGridMv::SetRowCount(int Value)
{
    FRowCount = std::clamp(Value, 1, 100);
    const int h = BorderHeight() + TitleHeightPixels() + FRowCount * DataRowHeight() + SpecRowHeight() +
                  (Options().testFlag(dgRowLines) ? GridLinePixels() : 0);
    if (h != height())
        resize(width(), h);
}

void TDBLookupGridMv::SetBounds(int Left, int Top, int Width, int Height)
{
    const int fixed = BorderHeight() + TitleHeightPixels() + SpecRowHeight();
    FRowCount = std::clamp((Height - fixed) / std::max(1, DataRowHeight()), 1, 100);
    const int h = fixed + FRowCount * DataRowHeight() + (Options().testFlag(dgRowLines) ? GridLinePixels() : 0);
    setGeometry(Left, Top, Width, h);
}

void TDBLookupGridMv::Resized()
{
    TCustomDBGridMv::Resized();
    RefitWidths();
}

void TDBLookupGridMv::SetShowTitles(bool Value)
{
    if (Value == ShowTitles())
        return;
    SetOptions(Value ? Options() | dgTitles : Options() & ~TDBGridOptions(dgTitles));
    SetRowCount(FRowCount);
}

void TDBLookupGridMv::SetAutoFitColWidths(bool Value)
{
    FLookupAutoFit = Value;
    HorzScrollBar().SetVisible(!Value);
    RefitWidths();
}

void TDBLookupGridMv::SetSpecRow(const TSpecRowMv& Value)
{
    FSpecRow->Assign(Value);
}

void TDBLookupGridMv::SetLookupOptions(TDBLookupGridMvOptions Value)
{
    FLookupOptions = Value;
    ApplyLookupOptions();
}

void TDBLookupGridMv::ApplyLookupOptions()
{
    TDBGridOptions options = Options() & ~TDBGridOptions(dgColumnResize | dgColLines | dgRowLines);
    if (FLookupOptions.testFlag(dlgColumnResizeMv))
        options |= dgColumnResize;
    if (FLookupOptions.testFlag(dlgColLinesMv))
        options |= dgColLines;
    if (FLookupOptions.testFlag(dlgRowLinesMv))
        options |= dgRowLines;
    SetOptions(options);
    TDBGridMvOptions optionsMv = OptionsMv() & ~TDBGridMvOptions(dghAutoSortMarking | dghMultiSortMarking);
    if (FLookupOptions.testFlag(dlgAutoSortMarkingMv))
        optionsMv |= dghAutoSortMarking;
    if (FLookupOptions.testFlag(dlgMultiSortMarkingMv))
        optionsMv |= dghMultiSortMarking;
    SetOptionsMv(optionsMv);
}

int TDBLookupGridMv::GetColumnsWidth() const
{
    const int line = Options().testFlag(dgColLines) ? GridLinePixels() : 0;
    int total = 0;
    for (TColumnMv* column : VisibleColumns().Items())
        total += (FLookupAutoFit ? column->InitWidth() : column->Width()) + line;
    return total;
}

void TDBLookupGridMv::RefitWidths()
{
    if (FInRefit)
        return;
    FInRefit = true;
    try {
        if (FLookupAutoFit && VisibleColumns().Count() > 0) {
            // Fit once to the client width, keep the widths, fit no more.
            TCustomDBGridMv::SetAutoFitColWidths(true);
            std::vector<int> widths;
            for (int i = 0; i < VisibleColumns().Count(); ++i)
                widths.push_back(ColWidths(DataToRawColumn(Columns().IndexOf(VisibleColumns().Items(i)))));
            TCustomDBGridMv::SetAutoFitColWidths(false);
            for (int i = 0; i < VisibleColumns().Count(); ++i)
                VisibleColumns().Items(i)->SetWidth(widths[size_t(i)]);
        }
    } catch (...) {
        FInRefit = false;
        throw;
    }
    FInRefit = false;
}

// ---------------------------------------------------------------- keys

void TDBLookupGridMv::KeyDown(quint16& Key, TShiftState Shift)
{
    if (!CanModifyKey()) {
        TCustomDBGridMv::KeyDown(Key, Shift);
        return;
    }
    const int visible = std::max(1, VisibleRowCount());
    const bool barShown = ScrollBarShowing(sbHorizontal);
    int step = 0;
    bool home = false;
    bool end = false;
    switch (Key) {
    case VK_PRIOR: step = 1 - visible; break;
    case VK_NEXT: step = visible - 1; break;
    case VK_HOME: home = true; break;
    case VK_END: end = true; break;
    case VK_UP: step = -1; break;
    case VK_DOWN: step = 1; break;
    case VK_LEFT: step = barShown ? 0 : -1; break;
    case VK_RIGHT: step = barShown ? 0 : 1; break;
    default: break;
    }
    if (step == 0 && !home && !end) {
        TCustomDBGridMv::KeyDown(Key, Shift);
        return;
    }
    FSearchText.clear();
    StepList(step, home, end);
    Key = 0;
}

void TDBLookupGridMv::StepList(int Step, bool Home, bool End)
{
    TDataSet* dataSet = ListDataSet();
    if (!dataSet || !dataSet->Active())
        return;
    const bool up = Step < 0 || Home;
    if (up && FSpecRow->Visible() && (dataSet->Bof() || FSpecRowSelected)) {
        ChooseSpecRow();
        dataSet->First();
        return;
    }
    if (Home) {
        dataSet->First();
    } else if (End) {
        dataSet->Last();
    } else if (FSpecRowSelected) {
        // Leaving the special row downwards lands on the first record.
        dataSet->First();
    } else if (MemTableSupport()) {
        // The rows scroll on their own, never the current record: the step
        // goes from the current record as it stands.
        dataSet->MoveBy(Step);
    } else {
        const int row = BufferRowOfKey();
        if (row >= 0) {
            dataSet->MoveBy(row - BufferActive());
            dataSet->MoveBy(Step);
        } else {
            ReselectKey();
        }
    }
    ChooseCurrentRecord();
}

void TDBLookupGridMv::ChooseCurrentRecord()
{
    TDataSet* dataSet = ListDataSet();
    if (!dataSet || dataSet->IsEmpty())
        return;
    const Variant value = dataSet->GetFieldValue(FKeyFieldNames);
    if (!VarEqualsMv(value, FKeyValue) || FSpecRowSelected)
        ChooseKeyValue(value);
}

void TDBLookupGridMv::ChooseSpecRow()
{
    if (!VarEqualsMv(FSpecRow->Value(), FKeyValue)) {
        ChooseKeyValue(FSpecRow->Value());
        return;
    }
    FSpecRowSelected = true;
    FText = FSpecRow->GetCellText(0);
    RepaintList();
}

void TDBLookupGridMv::KeyPress(QChar& Key)
{
    if (CanModifyKey() && !Key.isNull()) {
        HandleSearchKey(Key);
        Key = QChar();
        return;
    }
    TCustomDBGridMv::KeyPress(Key);
}

void TDBLookupGridMv::HandleSearchKey(QChar Key)
{
    TField* field = ShownListField();
    TDataSet* dataSet = ListDataSet();
    if (!IsSearchableField(field) || !dataSet)
        return;
    const char16_t c = Key.unicode();
    if (c == 8 || c == 27) {
        FSearchText.clear();
        return;
    }
    // Every printable character searches, whatever its script.
    if (c < 32 || c == 127 || !CanModifyKey())
        return;
    const qint64 now = TickCount();
    if (now - FSearchTick > 2000)
        FSearchText.clear();
    FSearchTick = now;
    if (FSearchText.size() >= 32)
        return;
    const QString candidate = FSearchText + Key;
    if (Key.isHighSurrogate()) {
        FSearchText = candidate;
        return;
    }
    if (dataSet->Locate(field->FieldName(), Variant(candidate), loCaseInsensitive | loPartialKey)) {
        FSearchText = candidate;
        ChooseKeyValue(dataSet->GetFieldValue(FKeyFieldNames));
    }
}

// ---------------------------------------------------------------- mouse

void TDBLookupGridMv::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool onSpecialRow =
        FSpecRow->Visible() && Y >= TitleHeightPixels() && Y < TitleHeightPixels() + SpecRowHeight();
    // A tree's expand box stays the dataset grid's business.
    const bool onDataCell = GetDataRect().Contains(X, Y) && !NodeClick(X, Y, true);
    if (!onDataCell && !onSpecialRow) {
        TCustomDBGridMv::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    FSearchText.clear();
    if (!FIsDropDown) {
        SetFocus();
        if (!Focused())
            return;
    }
    if (!CanModifyKey())
        return;
    if (Shift.testFlag(ssDouble)) {
        const int row =
            (Y - TitleHeightPixels() - SpecRowHeight()) / std::max(1, DataRowHeight()) + FirstShownDataRow(*this);
        if (row == BufferActive())
            DblClick();
        return;
    }
    SetMouseCapture(true);
    FPressedInside = true;
    FTracking = true;
    SelectAt(X, Y);
}

void TDBLookupGridMv::SelectAt(int X, int Y)
{
    const int specialTop = TitleHeightPixels();
    if (FSpecRow->Visible() && Y >= specialTop && Y < specialTop + SpecRowHeight()) {
        ChooseSpecRow();
        return;
    }
    if (Y < specialTop)
        return;
    Y = std::min(Y, ClientHeight() - 1);
    const TGridCoordMv cell = MouseCoord(X, Y);
    TDataSet* dataSet = ListDataSet();
    if (!dataSet || cell.Y < TitleRowCount() || cell.Y >= RowCount())
        return;
    const int row = cell.Y - TitleRowCount();
    if (row >= BufferCount())
        return;
    dataSet->MoveBy(row - BufferActive());
    ChooseCurrentRecord();
}

void TDBLookupGridMv::MouseMove(TShiftState Shift, int X, int Y)
{
    if (!FTracking || !FPressedInside) {
        TCustomDBGridMv::MouseMove(Shift, X, Y);
        return;
    }
    SelectAt(X, Y);
    FAutoScrollY = Y;
    AutoScrollStep(Y);
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TDBLookupGridMv::AutoScrollStep(int Y)
{
    int step = 0;
    int distance = 0;
    if (Y < 0) {
        step = -1;
        distance = -Y;
    } else if (Y >= ClientHeight()) {
        step = 1;
        distance = Y - ClientHeight() + 1;
    }
    if (step == 0) {
        KillTimer(1);
        FAutoScrollInterval = -1;
        return;
    }
    TDataSet* dataSet = ListDataSet();
    if (step < 0 && FSpecRow->Visible() && dataSet && dataSet->Bof())
        ChooseSpecRow();
    else if (dataSet && dataSet->MoveBy(step) != 0)
        ChooseCurrentRecord();
    FAutoScrollInterval = std::max(0, 200 - 15 * distance);
    SetTimer(1, FAutoScrollInterval);
}

void TDBLookupGridMv::WMTimer(int id)
{
    if (id == 1 && FTracking) {
        AutoScrollStep(FAutoScrollY);
        return;
    }
    TCustomDBGridMv::WMTimer(id);
}

void TDBLookupGridMv::StopTracking()
{
    FTracking = false;
    FPressedInside = false;
    KillTimer(1);
    FAutoScrollInterval = -1;
    SetMouseCapture(false);
}

void TDBLookupGridMv::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (!FTracking || !FPressedInside) {
        TCustomDBGridMv::MouseUp(Button, Shift, X, Y);
        return;
    }
    StopTracking();
    if (Y >= TitleHeightPixels() && Y < ClientHeight())
        SelectAt(X, Y);
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

// ---------------------------------------------------------------- scrolling

void TDBLookupGridMv::UpdateScrollBar()
{
    if (MemTableSupport()) {
        TCustomDBGridMv::UpdateScrollBar();
        return;
    }
    if (!HandleAllocated())
        return;
    TDataSet* dataSet = ListDataSet();
    TGridDataLinkMv* link = DataLink();
    TScrollInfo info{0, 2, 0, 0};
    if (FListActive && dataSet && link->Active()) {
        if (dataSet->IsSequenced()) {
            // The bar's position is the first visible row's record.
            info.Min = 0;
            info.Max = std::max(0, dataSet->RecordCount() - 1);
            info.Page = std::max(1, VisibleRowCount());
            info.Pos = dataSet->State() == dsBrowse || dataSet->State() == dsEdit
                           ? std::max(0, dataSet->RecNo() - BufferActive() - 1)
                           : 0;
        } else if (BufferCount() >= VisibleRowCount()) {
            info = TScrollInfo{0, 4, 0, dataSet->Bof() ? 0 : dataSet->Eof() ? 4 : 2};
        } else {
            info = TScrollInfo{0, 0, 0, 0};
        }
    }
    const TScrollInfo old = GetScrollInfo(sbVertical);
    if (old.Min != 0 || old.Max != info.Max || old.Page != info.Page || old.Pos != info.Pos)
        SetScrollInfo(sbVertical, info, true);
}

void TDBLookupGridMv::WMVScroll(int code, int pos)
{
    FSearchText.clear();
    TDataSet* dataSet = ListDataSet();
    TGridDataLinkMv* link = DataLink();
    if (!FListActive || !dataSet || !link->Active())
        return;
    // An in-memory table's rows scroll as the dataset grid's do.
    if (MemTableSupport()) {
        TCustomDBGridMv::WMVScroll(code, pos);
        return;
    }
    // The list moves; the current record is not chosen by scrolling.
    const int buffered = BufferCount();
    const int active = BufferActive();
    switch (code) {
    case SB_LINEUP: dataSet->MoveBy(-active - 1); break;
    case SB_LINEDOWN: dataSet->MoveBy(buffered - active); break;
    case SB_PAGEUP: dataSet->MoveBy(-active - buffered + 1); break;
    case SB_PAGEDOWN: dataSet->MoveBy(2 * buffered - active - 2); break;
    case SB_TOP: dataSet->First(); break;
    case SB_BOTTOM: dataSet->Last(); break;
    case SB_THUMBPOSITION:
        switch (pos) {
        case 0: dataSet->First(); break;
        case 1: dataSet->MoveBy(-active - buffered + 1); break;
        case 3: dataSet->MoveBy(2 * buffered - active - 2); break;
        case 4: dataSet->Last(); break;
        default: break;
        }
        break;
    case SB_THUMBTRACK:
        if (dataSet->IsSequenced()) {
            const int first = dataSet->RecNo() - active;
            if (first - 1 > pos)
                dataSet->MoveBy(pos + 1 - first - active);
            else if (first - 1 < pos)
                dataSet->MoveBy(buffered + (pos + 1 - first) - 1 - active);
        }
        break;
    default: break;
    }
}

void TDBLookupGridMv::Scroll(int Distance)
{
    TCustomDBGridMv::Scroll(Distance);
    if (HandleAllocated())
        UpdateScrollBar();
}

// ---------------------------------------------------------------- drawing

bool TDBLookupGridMv::IsSTFilterVisible() const
{
    // The special row takes the row under the titles.
    return FSpecRow->Visible();
}

void TDBLookupGridMv::DrawFilterCell(int ACol, int, const TRect& ARect, TGridDrawState)
{
    const int dataCol = RawToDataColumn(ACol);
    if (dataCol < 0 || dataCol >= Columns().Count())
        return;
    auto* column = dynamic_cast<TDBLookupGridColumnMv*>(Columns()[dataCol]);
    TCanvas& canvas = Canvas();
    TColor background = column ? column->SpecCell().Color() : FSpecRow->Color();
    TFont font = column ? column->SpecCell().Font() : FSpecRow->Font();
    if (FSpecRowSelected) {
        background = clHighlight;
        font.Color = clHighlightText;
    }
    canvas.Font = font;
    const QString text = column ? column->SpecCell().Text() : FSpecRow->GetCellText(dataCol);
    const TAlignment alignment = column ? column->Alignment() : taLeftJustify;
    canvas.Brush.Color = background;
    WriteTextMv(canvas, ARect, true, 2, 2, text, alignment, tlTop, false, false, 0, 0, false);
}

bool TDBLookupGridMv::HighlightDataCell(int, int, const QString&, TGridDrawState, TColor& Background, TFont& AFont)
{
    TDataSet* dataSet = ListDataSet();
    if (FKeyValue.IsClear() || !FListActive || UpdateLock() > 0 || !dataSet)
        return false;
    if (!VarEqualsMv(dataSet->GetFieldValue(FKeyFieldNames), FKeyValue))
        return false;
    Background = clHighlight;
    AFont.Color = clHighlightText;
    return true;
}

bool TDBLookupGridMv::IsDrawRowSelect() const
{
    return FRowSelected && TCustomDBGridMv::IsDrawRowSelect();
}

// ---------------------------------------------------------------- the drop-down

TPopupDataGridMv::TPopupDataGridMv(QWidget* parent) : TDBLookupGridMv(parent)
{
    FIsDropDown = true;
    SetDropDownWindowFlags(this, false);
    // The drop-down is never the active window; its hints show all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    setMinimumSize(GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
    FSizeGrip = new TSizeGripMv(this);
    FSizeGrip->SetVisible(true);
    FWatch = new TDropDownWatchMv(this, [this] {
        if (!PrivateMessagePending(MV_DROPDOWNCANCEL))
            PostPrivateMessage(MV_DROPDOWNCANCEL);
    });
    hide();
}

TPopupDataGridMv::~TPopupDataGridMv()
{
    FWatch->SetWatching(false);
    OnCloseUp = nullptr;
}

void TPopupDataGridMv::CloseUp(bool Accept)
{
    if (OnCloseUp) {
        OnCloseUp(Accept);
        return;
    }
    if (IDropDownOwnerMv* owner = DropDownOwnerOf(FOwner.data()))
        owner->CloseUp(Accept);
}

void TPopupDataGridMv::KeyValueChanged()
{
    if (FUserChanging && OnRowSelected)
        OnRowSelected(this);
}

void TPopupDataGridMv::KeyDown(quint16& Key, TShiftState Shift)
{
    const QScopedValueRollback<bool> changing(FUserChanging, true);
    TDBLookupGridMv::KeyDown(Key, Shift);
}

void TPopupDataGridMv::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FMousePressedInside = Button == mbLeft && ClientRect().Contains(X, Y);
    const QScopedValueRollback<bool> changing(FUserChanging, true);
    TDBLookupGridMv::MouseDown(Button, Shift, X, Y);
}

void TPopupDataGridMv::MouseMove(TShiftState Shift, int X, int Y)
{
    // Dragging over the rows chooses as the press does.
    const QScopedValueRollback<bool> changing(FUserChanging, true);
    TDBLookupGridMv::MouseMove(Shift, X, Y);
}

void TPopupDataGridMv::WMTimer(int id)
{
    // The auto-scroll of a drag outside the rows.
    const QScopedValueRollback<bool> changing(FUserChanging, true);
    TDBLookupGridMv::WMTimer(id);
}

void TPopupDataGridMv::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool pressedInside = FMousePressedInside;
    FMousePressedInside = false;
    {
        const QScopedValueRollback<bool> changing(FUserChanging, true);
        TDBLookupGridMv::MouseUp(Button, Shift, X, Y);
    }
    if (!pressedInside || Button != mbLeft)
        return;
    const bool onSpecialRow =
        SpecRow().Visible() && Y >= TitleHeightPixels() && Y < TitleHeightPixels() + SpecRowHeight();
    const QPoint global = ClientWidget()->mapToGlobal(QPoint(X, Y));
    if (ClientRect().Contains(X, Y) && (GetDataRect().Contains(X, Y) || onSpecialRow))
        CloseUp(true);
    else if (!geometry().contains(global))
        CloseUp(false);
}

void TPopupDataGridMv::Resized()
{
    TDBLookupGridMv::Resized();
    FSizeGripResized = true;
    FSizeGrip->raise();
    FSizeGrip->UpdatePosition();
}

int TPopupDataGridMv::BorderWidth() const
{
    return Ctl3D() ? 2 : 1;
}

void TPopupDataGridMv::PaintBorder(TCanvas& canvas, const TRect& rect)
{
    TRect r = rect;
    if (Ctl3D()) {
        canvas.DrawEdge(r, EDGE_RAISED, BF_RECT);
        return;
    }
    canvas.Brush = TBrush{clWindowFrame, bsSolid};
    canvas.FrameRect(r);
}

qintptr TPopupDataGridMv::Perform(quint32 msg, qintptr wParam, qintptr lParam)
{
    if (msg == MV_DROPDOWNPLACED) {
        FSizeGrip->ChangePosition(int(wParam));
        FSizeGrip->UpdatePosition();
        return 0;
    }
    return TDBLookupGridMv::Perform(msg, wParam, lParam);
}

void TPopupDataGridMv::PrivateMessage(int msg, qintptr param)
{
    if (msg == MV_DROPDOWNCANCEL) {
        if (isVisible())
            CloseUp(false);
        return;
    }
    TDBLookupGridMv::PrivateMessage(msg, param);
}

void TPopupDataGridMv::showEvent(QShowEvent* event)
{
    TDBLookupGridMv::showEvent(event);
    FWatch->SetWatching(true);
    FSizeGrip->raise();
    FSizeGrip->UpdatePosition();
}

void TPopupDataGridMv::hideEvent(QHideEvent* event)
{
    TDBLookupGridMv::hideEvent(event);
    FWatch->SetWatching(false);
    RemovePrivateMessage(MV_DROPDOWNCANCEL);
}
