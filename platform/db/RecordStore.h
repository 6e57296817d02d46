#pragma once
// The records of a dataset in memory: values row by row in blocks, a small
// status per row and, for rows changed since the last apply, the values as
// they were. A row keeps its number (its identity) for the life of the
// store; a removed row keeps its slot.

#include "platform/Variant.h"
#include "platform/db/DbTypes.h"

#include <memory>
#include <unordered_map>
#include <vector>

struct TRowInfo {
    TUpdateStatus Status = usUnmodified;
    // An inserted row that was cancelled or deleted again: not data at all.
    bool Removed = false;
    // The order of the row's first change since the last apply.
    quint32 ChangeSeq = 0;
};

class TRecordStore {
public:
    explicit TRecordStore(int fieldCount = 0) : FFieldCount(fieldCount) {}
    TRecordStore(TRecordStore&&) noexcept = default;
    TRecordStore& operator=(TRecordStore&&) noexcept = default;

    int FieldCount() const { return FFieldCount; }
    int RowCount() const { return FRowCount; }

    // A new row of Nulls; returns its number.
    int AddRow();
    Variant* RowData(int row) { return &FBlocks[size_t(row >> BlockShift)][size_t(row & BlockMask) * size_t(FFieldCount)]; }
    const Variant* RowData(int row) const
    {
        return &FBlocks[size_t(row >> BlockShift)][size_t(row & BlockMask) * size_t(FFieldCount)];
    }
    const Variant& Value(int row, int field) const { return RowData(row)[field]; }
    TRowInfo& Info(int row) { return FInfo[size_t(row)]; }
    const TRowInfo& Info(int row) const { return FInfo[size_t(row)]; }
    std::vector<Variant> RowValues(int row) const;

    // The values before the pending changes; null when the row has none kept.
    const std::vector<Variant>* Original(int row) const;
    void SetOriginal(int row, std::vector<Variant> values) { FOriginals[row] = std::move(values); }
    void DropOriginal(int row) { FOriginals.erase(row); }

private:
    static constexpr int BlockShift = 10;
    static constexpr int BlockMask = (1 << BlockShift) - 1;

    int FFieldCount = 0;
    int FRowCount = 0;
    std::vector<std::unique_ptr<Variant[]>> FBlocks;
    std::vector<TRowInfo> FInfo;
    std::unordered_map<int, std::vector<Variant>> FOriginals;
};
