#include "platform/db/RecordStore.h"

int TRecordStore::AddRow()
{
    const int row = FRowCount;
    if ((row & BlockMask) == 0)
        FBlocks.push_back(std::make_unique<Variant[]>(size_t(BlockMask + 1) * size_t(FFieldCount)));
    Variant* data = RowData(row);
    for (int i = 0; i < FFieldCount; ++i)
        data[i] = Variant::Null();
    FInfo.emplace_back();
    ++FRowCount;
    return row;
}

std::vector<Variant> TRecordStore::RowValues(int row) const
{
    const Variant* data = RowData(row);
    return std::vector<Variant>(data, data + FFieldCount);
}

const std::vector<Variant>* TRecordStore::Original(int row) const
{
    const auto it = FOriginals.find(row);
    return it == FOriginals.end() ? nullptr : &it->second;
}
