#pragma once
// What a dataset knows of its columns before it makes fields of them: name,
// type, size and, for data read from a table, where each column comes from.

#include "platform/db/DbTypes.h"

#include <QString>
#include <vector>

struct TFieldDef {
    QString Name;
    TFieldType DataType = ftUnknown;
    // Characters of a text column, scale of a numeric one.
    int Size = 0;
    // Digits of a numeric column.
    int Precision = 0;
    bool Required = false;
    // The table and column the values come from (empty for an expression).
    QString OriginTable;
    QString OriginColumn;
};

class TFieldDefs {
public:
    TFieldDef& Add(const QString& name, TFieldType type, int size = 0, bool required = false);
    int Count() const { return int(FItems.size()); }
    const TFieldDef& operator[](int index) const { return FItems.at(size_t(index)); }
    TFieldDef& operator[](int index) { return FItems.at(size_t(index)); }
    // Case-insensitive; -1 when missing.
    int IndexOf(const QString& name) const;
    void Clear() { FItems.clear(); }
    const std::vector<TFieldDef>& Items() const { return FItems; }

private:
    std::vector<TFieldDef> FItems;
};
