#pragma once
// The field list of a dataset, in display order (TField::Index). The
// dataset owns its fields: the ones made from the data go at Close,
// persistent ones stay until the dataset is destroyed.

#include "platform/db/Field.h"

#include <memory>
#include <vector>

class TFields {
public:
    explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    int Count() const { return int(FList.size()); }
    TField* operator[](int index) const;
    // Case-insensitive; FindField gives null for a missing name, FieldByName
    // raises EDatabaseError "Field 'Name' not found".
    TField* FindField(const QString& name) const;
    TField* FieldByName(const QString& name) const;
    int IndexOf(const TField* field) const;
    // Moves the field to the index (clamped to the list).
    void SetFieldIndex(TField* field, int index);

private:
    friend class TDataSet;
    TField* Add(std::unique_ptr<TField> field);
    void RemoveNonPersistent();
    void Changed();

    TDataSet* FDataSet;
    std::vector<std::unique_ptr<TField>> FList;
};
