#include "platform/db/FieldDefs.h"

TFieldDef& TFieldDefs::Add(const QString& name, TFieldType type, int size, bool required)
{
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    FItems.push_back(def);
    return FItems.back();
}

int TFieldDefs::IndexOf(const QString& name) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}
