// The clipboard import of the dataset grid (text and ZUNDBIF), deleting or
// clearing a selection, and copying a value from the record above.

#include "grid/DBGridMvImpExp.h"

#include "grid/DBGridMvImpExpWalk.h"
#include "grid/DBGridMvMemTable.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/db/FieldKinds.h"

#include <QFile>
#include <cmath>

// ================================================================ import driver

TDBGridMvImport::TDBGridMvImport(TCustomDBGridMv* Grid) : FGrid(Grid) {}

TDBGridMvImport::~TDBGridMvImport() = default;

void TDBGridMvImport::ImportFromFile(const QString& FileName, bool IsImportAll)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, file.errorString()));
    TMemoryStreamMv stream;
    const QByteArray data = file.readAll();
    stream.Write(data.constData(), data.size());
    stream.SetPosition(0);
    ImportFromStream(stream, IsImportAll);
}

void TDBGridMvImport::ImportFromStream(TMemoryStreamMv& Stream, bool IsImportAll)
{
    // Everything is read and checked before the grid or its data change, so
    // that a bad block is refused whole.
    const QByteArray all = Stream.ToByteArray();
    ReadPrefix(all.mid(Stream.Position()));
    Stream.Seek(0, TMemoryStreamMv::soEnd);
    FRow = 0;
    TDataSet* dataSet = FGrid->DataSet();
    if (!dataSet || !dataSet->Active() || Eof())
        return;
    if (IsImportAll) {
        FGrid->Selection().Clear();
        dataSet->First();
        if (!FGrid->VisibleColumns().Items().empty())
            FGrid->SetSelectedIndex(FGrid->VisibleColumns().Items(0)->Index());
    }
    const bool inserting = dataSet->State() == dsInsert;
    const TDBGridMvSelectionType kind = IsImportAll ? gstAll : FGrid->Selection().SelectionType();
    TSelectionWalkMv walk(*FGrid, !inserting);
    const TSelectionRectBoundsMv rect = kind == gstRectangle ? SelectionRectBounds(*FGrid) : TSelectionRectBoundsMv();
    TColumnsMvList columns;
    if (kind == gstNon) {
        const TColumnMv* selected = FGrid->SelectedColumn();
        columns = VisibleColumnsBetween(*FGrid, selected ? selected->Index() : 0, FGrid->Columns().Count());
    } else {
        columns = SelectionColumns(*FGrid, kind, rect);
    }
    ImportRows(columns, kind, rect, inserting);
    ReadSuffix();
    walk.Restore();
}

void TDBGridMvImport::ImportRows(const TColumnsMvList& Columns, TDBGridMvSelectionType Kind,
                                 const TSelectionRectBoundsMv& Rect, bool Inserting)
{
    TDataSet& dataSet = *FGrid->DataSet();
    if (Inserting) {
        // Every row is a record of its own. The record the user is
        // inserting is never written over: the first Insert posts it when
        // it holds something (and drops it when it is still blank).
        while (!Eof()) {
            if (CellCount(FRow) == 0) {
                ReadRecord(Columns); // a blank line inserts nothing
                continue;
            }
            dataSet.Insert();
            ReadRecord(Columns);
            dataSet.Post();
            dataSet.Next();
        }
        return;
    }
    switch (Kind) {
    case gstNon:
        // From the current record down, then new records for what is left.
        while (!Eof() && !dataSet.Eof()) {
            ReadRecord(Columns);
            dataSet.Next();
        }
        if (FGrid->AllowedOperations().testFlag(alopAppendMv))
            while (!Eof()) {
                if (CellCount(FRow) == 0) {
                    ReadRecord(Columns); // a blank line appends nothing
                    continue;
                }
                dataSet.Append();
                ReadRecord(Columns);
                dataSet.Post();
            }
        break;
    default:
        ForEachSelectedRecord(*FGrid, Kind, Rect, [&] {
            if (!Eof())
                ReadRecord(Columns);
        });
    }
}

void TDBGridMvImport::ReadRecord(const TColumnsMvList& Columns)
{
    if (Eof())
        return;
    const int cells = std::min(CellCount(FRow), Columns.Count());
    for (int i = 0; i < cells; ++i) {
        SelectCell(FRow, i);
        ImportCell(Columns.Items(i));
    }
    ++FRow;
}

TField* TDBGridMvImport::TargetField(TColumnMv* Column) const
{
    if (!Column->CanModify(false))
        return nullptr;
    TField* field = Column->Field();
    TDataSet* dataSet = FGrid->DataSet();
    if (!field || !dataSet)
        return nullptr;
    if (field->FieldKind() == fkLookup) {
        if (field->KeyFields.isEmpty())
            return nullptr;
        field = dataSet->FindField(field->KeyFields);
        if (!field)
            return nullptr;
    }
    if (dataSet->CanModify() && dataSet->State() != dsEdit && dataSet->State() != dsInsert)
        dataSet->Edit();
    if (dataSet->State() != dsEdit && dataSet->State() != dsInsert)
        return nullptr;
    return field;
}

namespace {

// NaN and the infinities are no values of a numeric field; they are refused
// as any other text that is not a number (the filter row refuses them too).
void RefuseNonFiniteNumber(const TField& Field, const Variant& Value)
{
    if (!dynamic_cast<const TNumericField*>(&Field))
        return;
    double number = 0;
    if (Value.GetKind() == Variant::Kind::Float)
        number = Value.AsFloat();
    else if (Value.GetKind() != Variant::Kind::String || !TryStrToFloat(Value.AsString(), number))
        return;
    if (!std::isfinite(number))
        throw EConvertError(u'\'' + Value.AsString() + QStringLiteral("' is not a valid floating point value"));
}

} // namespace

// ================================================================ text

void TDBGridMvImportAsText::ReadPrefix(const QByteArray& Data)
{
    FRows = ParseGridText(QString::fromUtf8(Data));
}

void TDBGridMvImportAsText::ImportCell(TColumnMv* Column)
{
    TField* lookup = Column->Field();
    if (lookup && lookup->FieldKind() == fkLookup) {
        TField* key = TargetField(Column);
        TDataSet* list = lookup->LookupDataSet.data();
        if (!key || !list)
            return;
        if (list->Locate(lookup->LookupResultField, Variant(FText), TLocateOptions(loCaseInsensitive | loPartialKey)))
            key->SetValue(list->GetFieldValue(lookup->LookupKeyFields));
        return;
    }
    TField* field = TargetField(Column);
    if (!field)
        return;
    if (Column->GetColumnType() == ctKeyPickList) {
        const int i = Column->PickList().IndexOf(FText);
        if (i < 0 || i >= Column->KeyList().Count())
            field->Clear();
        else
            field->SetEditText(Column->KeyList()[i]);
        return;
    }
    RefuseNonFiniteNumber(*field, Variant(FText));
    field->SetEditText(FText);
}

// ================================================================ ZUNDBIF

void TDBGridMvImportAsZUNDBIF::ReadPrefix(const QByteArray& Data)
{
    FData = ReadZUNDBIF(Data);
}

void TDBGridMvImportAsZUNDBIF::ImportCell(TColumnMv* Column)
{
    if (FValue.IsUnassigned())
        return;
    TField* field = TargetField(Column);
    if (!field)
        return;
    // Dates travel as day numbers.
    switch (field->DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
        if (FValue.GetKind() == Variant::Kind::Float || FValue.GetKind() == Variant::Kind::Integer) {
            field->SetValue(Variant(DayNumberToDateTime(FValue.AsFloat())));
            return;
        }
        break;
    default: break;
    }
    RefuseNonFiniteNumber(*field, FValue);
    field->SetValue(FValue);
}

void RunGridImport(TGridImportKindMv Kind, TCustomDBGridMv* Grid, TMemoryStreamMv& Stream, bool IsImportAll)
{
    std::unique_ptr<TDBGridMvImport> importer;
    if (Kind == TGridImportKindMv::Text)
        importer = std::make_unique<TDBGridMvImportAsText>(Grid);
    else
        importer = std::make_unique<TDBGridMvImportAsZUNDBIF>(Grid);
    importer->ImportFromStream(Stream, IsImportAll);
}

// ================================================================ delete

bool ConfirmGridDelete(TCustomDBGridMv* Grid, TDBGridMvSelectionType Kind)
{
    if (!Grid->Options().testFlag(dgConfirmDelete))
        return true;
    QString text;
    switch (Kind) {
    case gstRecordBookmarks:
        text = Grid->SelectedRows().Count() < 2 ? QStringLiteral("Delete record?")
                                                : QStringLiteral("Delete all selected records?");
        break;
    case gstRectangle: text = QStringLiteral("是否清除选定的单元格?"); break;
    default: return true;
    }
    return MessageDlg(text, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbOKCancel) == TModalResult::mrOk;
}

void ClearSelectedCells(TCustomDBGridMv* Grid, const TColumnsMvList& Columns)
{
    TDataSet* dataSet = Grid->DataSet();
    for (TColumnMv* column : Columns.Items()) {
        if (!column->CanModify(false))
            continue;
        TField* field = column->Field();
        if (field && field->FieldKind() == fkLookup)
            field = field->KeyFields.isEmpty() ? nullptr : dataSet->FindField(field->KeyFields);
        if (!field)
            continue;
        if (dataSet->CanModify() && dataSet->State() != dsEdit && dataSet->State() != dsInsert)
            dataSet->Edit();
        if (dataSet->State() == dsEdit || dataSet->State() == dsInsert)
            field->Clear();
    }
}

void GridDeleteAction(TCustomDBGridMv* Grid, bool ForWholeGrid)
{
    const TDBGridMvSelectionType kind = ForWholeGrid ? gstAll : Grid->Selection().SelectionType();
    TDataSet* dataSet = Grid->DataSet();
    if (kind == gstNon || !dataSet || !dataSet->Active() || !ConfirmGridDelete(Grid, kind))
        return;
    TSelectionWalkMv walk(*Grid, kind != gstAll);
    switch (kind) {
    case gstRecordBookmarks:
        // Records that went away since they were selected are passed over.
        ForEachSelectedRecord(*Grid, kind, {}, [dataSet] { dataSet->Delete(); });
        Grid->SelectedRows().Clear();
        break;
    case gstRectangle: {
        const TSelectionRectBoundsMv rect = SelectionRectBounds(*Grid);
        const TColumnsMvList columns = SelectionColumns(*Grid, kind, rect);
        ForEachSelectedRecord(*Grid, kind, rect, [&] { ClearSelectedCells(Grid, columns); });
        break;
    }
    case gstColumns: {
        const TColumnsMvList columns = Grid->Selection().Columns();
        ForEachSelectedRecord(*Grid, kind, {}, [&] { ClearSelectedCells(Grid, columns); });
        break;
    }
    case gstAll:
        dataSet->First();
        while (!dataSet->IsEmpty() && !dataSet->Eof())
            dataSet->Delete();
        break;
    case gstNon: break;
    }
    if (dataSet->State() == dsEdit)
        dataSet->Post();
    walk.Restore();
}

// ================================================================ the record above

void GridCopyFromRecordAbove(TCustomDBGridMv* Grid)
{
    TGridDataLinkMv* link = Grid->DataLink();
    TColumnMv* column = Grid->SelectedColumn();
    if (!link->Active() || !column || ActiveDataRow(*Grid) < 1 || !column->CanModify(true))
        return;
    TField* field = column->Field();
    TDataSet* dataSet = Grid->DataSet();
    if (!field || !dataSet)
        return;
    const bool lookup = field->FieldKind() == fkLookup;
    if (lookup && field->KeyFields.isEmpty())
        return;
    Variant value;
    {
        const TDataRowScopeMv above(*Grid, ActiveDataRow(*Grid) - 1);
        value = lookup ? dataSet->GetFieldValue(field->KeyFields) : field->Value();
    }
    Grid->SelectedRows().Clear();
    if (lookup)
        dataSet->SetFieldValue(field->KeyFields, value);
    else
        field->SetValue(value);
    Grid->ShowEditor();
    if (TInplaceEdit* editor = Grid->InplaceEditor(); editor && editor->Visible())
        editor->selectAll();
}
