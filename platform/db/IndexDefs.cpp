#include "platform/db/IndexDefs.h"

#include <algorithm>

TIndexDef& TIndexDefs::Add(const QString& name, const QString& fields, TIndexOptions options)
{
    Remove(name);
    FItems.push_back({name, fields, options, QString(), QString()});
    return FItems.back();
}

const TIndexDef* TIndexDefs::Find(const QString& name) const
{
    for (const TIndexDef& def : FItems)
        if (def.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &def;
    return nullptr;
}

void TIndexDefs::Remove(const QString& name)
{
    std::erase_if(FItems, [&](const TIndexDef& def) { return def.Name.compare(name, Qt::CaseInsensitive) == 0; });
}
