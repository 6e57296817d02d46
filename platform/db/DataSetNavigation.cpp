// The buffer window, moving the current record and bookmarks.

#include "platform/db/DataSet.h"

#include <algorithm>

void TDataSet::SetWindow(int position, int activeIndex)
{
    const int n = int(FView.size());
    if (n == 0 || position < 0) {
        FWinTop = 0;
        FRecordCount = 0;
        FActiveRecord = 0;
        return;
    }
    position = std::min(position, n - 1);
    const int active = std::clamp(activeIndex, 0, FBufferCount - 1);
    int top = position - active;
    if (top + FBufferCount > n)
        top = n - FBufferCount;
    top = std::max(top, 0);
    FWinTop = top;
    FRecordCount = std::min(FBufferCount, n - top);
    FActiveRecord = position - top;
}

void TDataSet::Resync(bool center)
{
    const int position = FView.empty() ? -1 : std::clamp(FWinTop + FActiveRecord, 0, int(FView.size()) - 1);
    SetWindow(position, center ? (FBufferCount - 1) / 2 : FActiveRecord);
    if (FView.empty())
        FBof = FEof = true;
    DataEvent(deDataSetChange, 0);
}

void TDataSet::MoveTo(int position, bool center, bool scrollEvents)
{
    if (scrollEvents)
        BeforeScroll(*this);
    SetWindow(position, center ? (FBufferCount - 1) / 2 : FActiveRecord);
    FBof = FEof = false;
    DataEvent(deDataSetChange, 0);
    if (scrollEvents)
        AfterScroll(*this);
}

int TDataSet::CurrentRow() const
{
    if (FRecordCount == 0 || FActiveRecord < 0 || FActiveRecord >= FRecordCount)
        return -1;
    const int position = FWinTop + FActiveRecord;
    return position < int(FView.size()) ? FView[size_t(position)] : -1;
}

void TDataSet::First()
{
    CheckBrowseMode();
    BeforeScroll(*this);
    SetWindow(0, 0);
    FBof = true;
    FEof = FView.empty();
    DataEvent(deDataSetChange, 0);
    AfterScroll(*this);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    BeforeScroll(*this);
    SetWindow(int(FView.size()) - 1, FBufferCount - 1);
    FEof = true;
    FBof = FView.empty();
    DataEvent(deDataSetChange, 0);
    AfterScroll(*this);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    if (distance == 0 || (distance > 0 && FEof) || (distance < 0 && FBof))
        return 0;
    BeforeScroll(*this);
    FBof = FEof = false;
    const int n = int(FView.size());
    const int current = FWinTop + FActiveRecord;
    qint64 target = qint64(current) + distance;
    if (target >= n) {
        target = n - 1;
        FEof = true;
    }
    if (target < 0) {
        target = 0;
        FBof = true;
    }
    const int position = int(target);
    const int oldTop = FWinTop;
    if (n == 0) {
        SetWindow(-1, 0);
    } else if (position >= FWinTop && position < FWinTop + FRecordCount) {
        FActiveRecord = position - FWinTop;
    } else if (position >= FWinTop + FRecordCount) {
        SetWindow(position, FBufferCount - 1);
    } else {
        SetWindow(position, 0);
    }
    DataEvent(deDataSetScroll, oldTop - FWinTop);
    AfterScroll(*this);
    return n == 0 ? 0 : position - current;
}

int TDataSet::RecNo() const
{
    const int row = FReadRow >= 0 ? FReadRow : CurrentRow();
    if (row < 0)
        return 0;
    return FReadRow >= 0 ? ViewPosOf(row) + 1 : FWinTop + FActiveRecord + 1;
}

void TDataSet::SetRecNo(int recNo)
{
    CheckBrowseMode();
    if (FView.empty())
        return;
    const int position = std::clamp(recNo, 1, int(FView.size())) - 1;
    if (position == FWinTop + FActiveRecord)
        return;
    MoveTo(position, true, true);
}

int TDataSet::RecordCount() const
{
    if (!Active())
        return 0;
    return int(FView.size()) - (FState == dsInsert ? 1 : 0);
}

// ---- bookmarks ----------------------------------------------------------

TBookmark TDataSet::MakeBookmark(int row) const
{
    return QString::number(FGeneration) + u':' + QString::number(row);
}

int TDataSet::RowOfBookmark(const TBookmark& bookmark) const
{
    const qsizetype colon = bookmark.indexOf(u':');
    if (colon <= 0)
        return -1;
    bool okGeneration = false;
    bool okRow = false;
    const int generation = bookmark.left(colon).toInt(&okGeneration);
    const int row = bookmark.mid(colon + 1).toInt(&okRow);
    if (!okGeneration || !okRow || generation != FGeneration || !Active() || row < 0 || row >= FStore.RowCount())
        return -1;
    if (FStore.Info(row).Removed || (FState == dsInsert && row == FEditRow))
        return -1;
    return row;
}

TBookmark TDataSet::Bookmark() const
{
    const int row = FReadRow >= 0 ? FReadRow : CurrentRow();
    if (row < 0 || (FState == dsInsert && row == FEditRow))
        return {};
    return MakeBookmark(row);
}

int TDataSet::ViewPosOf(int row) const
{
    const auto it = std::find(FView.begin(), FView.end(), row);
    return it == FView.end() ? -1 : int(it - FView.begin());
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const
{
    const int row = RowOfBookmark(bookmark);
    return row >= 0 && FStore.Info(row).Status != usDeleted && ViewPosOf(row) >= 0;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    CheckBrowseMode();
    const int row = RowOfBookmark(bookmark);
    const int position = row >= 0 && FStore.Info(row).Status != usDeleted ? ViewPosOf(row) : -1;
    if (position < 0)
        DatabaseError(QStringLiteral("Record not found"), this);
    MoveTo(position, true, true);
}

int TDataSet::NaturalPos(int row) const
{
    if (!FNaturalPosValid) {
        FNaturalPos.assign(size_t(FStore.RowCount()), -1);
        for (size_t i = 0; i < FNatural.size(); ++i)
            FNaturalPos[size_t(FNatural[i])] = int(i);
        FNaturalPosValid = true;
    }
    return row < int(FNaturalPos.size()) ? FNaturalPos[size_t(row)] : -1;
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() == b.isEmpty() ? 0 : (a.isEmpty() ? -1 : 1);
    const int ra = RowOfBookmark(a);
    const int rb = RowOfBookmark(b);
    if (ra < 0 || rb < 0) {
        if (ra >= 0)
            return -1;
        if (rb >= 0)
            return 1;
        const int c = a.compare(b);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (ra == rb)
        return 0;
    if (!FSort.empty()) {
        const int c = CompareRows(ra, rb);
        if (c != 0)
            return c < 0 ? -1 : 1;
        return ra < rb ? -1 : 1;
    }
    const int pa = NaturalPos(ra);
    const int pb = NaturalPos(rb);
    if (pa != pb)
        return pa < pb ? -1 : 1;
    return ra < rb ? -1 : 1;
}
