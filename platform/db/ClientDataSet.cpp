#include "platform/db/ClientDataSet.h"

#include "platform/Exceptions.h"
#include "platform/db/DataSetProvider.h"

TClientDataSet::TClientDataSet(QObject* parent) : TDataSet(parent) {}

TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::SetProvider(TDataSetProvider* provider)
{
    if (Active())
        DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), this);
    FProvider = provider;
}

void TClientDataSet::CreateDataSet()
{
    if (FieldDefs().Count() == 0)
        DatabaseError(QStringLiteral("Missing data provider or data packet"), this);
    FCreating = true;
    try {
        Open();
    } catch (...) {
        FCreating = false;
        throw;
    }
    FCreating = false;
}

void TClientDataSet::InternalOpen()
{
    if (FCreating || !FProvider) {
        if (FieldDefs().Count() == 0)
            DatabaseError(QStringLiteral("Missing data provider or data packet"), this);
        SetStore(TRecordStore(FieldDefs().Count()));
        return;
    }
    TRecordStore store;
    FProvider->GetRecords(FieldDefs(), store);
    SetStore(std::move(store));
}

void TClientDataSet::EmptyDataSet()
{
    ClearRecords();
}

int TClientDataSet::ChangeCount() const
{
    return Active() ? int(PendingRows().size()) : 0;
}

void TClientDataSet::CancelUpdates()
{
    CancelChangeLog();
}

void TClientDataSet::MergeChangeLog()
{
    CheckActive();
    CommitRows(PendingRows());
}

int TClientDataSet::ApplyUpdates(int maxErrors)
{
    CheckActive();
    CheckBrowseMode();
    FApplyErrors.clear();
    if (!FProvider)
        DatabaseError(QStringLiteral("Missing data provider"), this);
    return FProvider->ApplyUpdates(*this, maxErrors, FApplyErrors);
}

TUpdateStatus TClientDataSet::UpdateStatus() const
{
    if (State() == dsInsert)
        return usInserted;
    const int row = CurrentRow();
    return row < 0 ? usUnmodified : Store().Info(row).Status;
}

// ---- indexes ------------------------------------------------------------

void TClientDataSet::AddIndex(const QString& name, const QString& fields, TIndexOptions options,
                              const QString& descFields, const QString& caseInsFields)
{
    TIndexDef& def = FIndexDefs.Add(name, fields, options);
    def.DescFields = descFields;
    def.CaseInsFields = caseInsFields;
    if (Active() && FIndexName.compare(name, Qt::CaseInsensitive) == 0)
        ApplySortOrder();
}

void TClientDataSet::DeleteIndex(const QString& name)
{
    FIndexDefs.Remove(name);
    if (FIndexName.compare(name, Qt::CaseInsensitive) == 0) {
        FIndexName.clear();
        if (Active())
            ApplySortOrder();
    }
}

void TClientDataSet::SetIndexName(const QString& name)
{
    if (!name.isEmpty() && !FIndexDefs.Find(name))
        DatabaseError(QStringLiteral("Index '%1' not found").arg(name), this);
    FIndexName = name;
    FIndexFieldNames.clear();
    if (Active())
        ApplySortOrder();
}

void TClientDataSet::SetIndexFieldNames(const QString& fieldNames)
{
    FIndexFieldNames = fieldNames;
    FIndexName.clear();
    if (Active())
        ApplySortOrder();
}

std::vector<TDataSet::TSortField> TClientDataSet::ResolveSortOrder() const
{
    QString fields = FIndexFieldNames;
    TIndexOptions options;
    QStringList desc;
    QStringList caseIns;
    if (!FIndexName.isEmpty()) {
        const TIndexDef* def = FIndexDefs.Find(FIndexName);
        if (!def)
            return {};
        fields = def->Fields;
        options = def->Options;
        desc = SplitFieldNames(def->DescFields);
        caseIns = SplitFieldNames(def->CaseInsFields);
    }
    std::vector<TSortField> order;
    for (const TField* field : GetFieldList(fields)) {
        if (field->FieldKind() != fkData)
            DatabaseError(QStringLiteral("Field '%1' cannot be indexed").arg(field->FieldName()), this);
        TSortField s;
        s.Column = field->FieldNo() - 1;
        s.Descending = options.testFlag(ixDescending) || desc.contains(field->FieldName(), Qt::CaseInsensitive);
        s.CaseInsensitive = options.testFlag(ixCaseInsensitive) || caseIns.contains(field->FieldName(), Qt::CaseInsensitive);
        order.push_back(s);
    }
    return order;
}

void TClientDataSet::ApplySortOrder()
{
    SetSortOrder(ResolveSortOrder());
}

// ---- optional parameters ------------------------------------------------

void TClientDataSet::SetOptionalParam(const QString& name, const Variant& value, bool includeInDelta)
{
    FParams[name] = TOptionalParam{value, includeInDelta};
}

Variant TClientDataSet::GetOptionalParam(const QString& name) const
{
    const auto it = FParams.find(name);
    return it == FParams.end() ? Variant() : it->second.Value;
}
