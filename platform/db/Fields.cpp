#include "platform/db/Fields.h"

#include "platform/Exceptions.h"
#include "platform/db/DataSet.h"

#include <algorithm>

TField* TFields::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("Field index out of range (%1)").arg(index));
    return FList[size_t(index)].get();
}

TField* TFields::FindField(const QString& name) const
{
    for (const auto& field : FList)
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

TField* TFields::FieldByName(const QString& name) const
{
    TField* field = FindField(name);
    if (!field)
        DatabaseError(QStringLiteral("Field '%1' not found").arg(name), FDataSet);
    return field;
}

int TFields::IndexOf(const TField* field) const
{
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i].get() == field)
            return int(i);
    return -1;
}

void TFields::SetFieldIndex(TField* field, int index)
{
    const int from = IndexOf(field);
    if (from < 0)
        return;
    index = std::clamp(index, 0, Count() - 1);
    if (index == from)
        return;
    auto owned = std::move(FList[size_t(from)]);
    FList.erase(FList.begin() + from);
    FList.insert(FList.begin() + index, std::move(owned));
    Changed();
    if (FDataSet && FDataSet->Active())
        FDataSet->DataEvent(deLayoutChange, 0);
}

TField* TFields::Add(std::unique_ptr<TField> field)
{
    field->FDataSet = FDataSet;
    FList.push_back(std::move(field));
    return FList.back().get();
}

void TFields::RemoveNonPersistent()
{
    std::erase_if(FList, [](const auto& field) { return !field->Persistent(); });
}

void TFields::Changed()
{
    if (FDataSet)
        FDataSet->DataEvent(deFieldListChange, 0);
}
