// The change log kept in the record store: which rows changed, undoing the
// changes and taking written changes out of the log.

#include "platform/db/DataSet.h"

#include <algorithm>

std::vector<int> TDataSet::PendingRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < FStore.RowCount(); ++row) {
        const TRowInfo& info = FStore.Info(row);
        if (!info.Removed && info.Status != usUnmodified)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end(), [this](int a, int b) { return FStore.Info(a).ChangeSeq < FStore.Info(b).ChangeSeq; });
    return rows;
}

void TDataSet::CancelChangeLog()
{
    CheckActive();
    Cancel();
    for (int row = 0; row < FStore.RowCount(); ++row) {
        TRowInfo& info = FStore.Info(row);
        if (info.Removed || info.Status == usUnmodified)
            continue;
        if (info.Status == usInserted) {
            info.Removed = true;
            std::erase(FNatural, row);
        } else if (const auto* original = FStore.Original(row)) {
            Variant* data = FStore.RowData(row);
            for (int i = 0; i < FStore.FieldCount(); ++i)
                data[i] = (*original)[size_t(i)];
        }
        FStore.DropOriginal(row);
        info.Status = usUnmodified;
        info.ChangeSeq = 0;
    }
    FNaturalPosValid = false;
    RowsChanged();
}

void TDataSet::CommitRows(const std::vector<int>& rows)
{
    for (const int row : rows) {
        TRowInfo& info = FStore.Info(row);
        if (info.Status == usDeleted) {
            info.Removed = true;
            std::erase(FNatural, row);
            FNaturalPosValid = false;
        }
        FStore.DropOriginal(row);
        info.Status = usUnmodified;
        info.ChangeSeq = 0;
    }
}

void TDataSet::ClearRecords()
{
    CheckActive();
    Cancel();
    for (int row = 0; row < FStore.RowCount(); ++row) {
        FStore.Info(row).Removed = true;
        FStore.DropOriginal(row);
    }
    FNatural.clear();
    FNaturalPosValid = false;
    RowsChanged();
}
