#pragma once
// Index definitions of a client dataset: a name, the fields (';'-separated)
// and options (ixDescending, ixCaseInsensitive for all fields, or per field
// through DescFields and CaseInsFields).

#include "platform/db/DbTypes.h"

#include <QString>
#include <vector>

struct TIndexDef {
    QString Name;
    QString Fields;
    TIndexOptions Options;
    QString DescFields;
    QString CaseInsFields;
};

class TIndexDefs {
public:
    TIndexDef& Add(const QString& name, const QString& fields, TIndexOptions options = {});
    int Count() const { return int(FItems.size()); }
    const TIndexDef& operator[](int index) const { return FItems.at(size_t(index)); }
    // Case-insensitive; null when missing.
    const TIndexDef* Find(const QString& name) const;
    void Remove(const QString& name);
    void Clear() { FItems.clear(); }
    // The definitions are always current; kept for callers that refresh them.
    void Update() {}

private:
    std::vector<TIndexDef> FItems;
};
