#pragma once
// The data service of the dataset grids: the one process-wide object that
// text search, filtering, sorting, record moving and the find dialog go
// through.

#include "grid/DbUtilsMv.h"

#include <QString>
#include <QStringList>
#include <functional>

class TCustomDBGridMv;

// Text search, filtering, sorting and the find dialog, asked through one
// process-wide object. A handler registered for the dataset's class
// (DbUtilsMv.h) takes each call; without one the search is LocateGridText,
// the find dialog the grid's own (DBGridMvFindDlgs.h), and filtering and
// sorting change nothing.
class TDBGridMvDataService {
public:
    virtual ~TDBGridMvDataService() = default;
    std::function<void(TCustomDBGridMv* Grid)> OnApplyFilter;
    virtual bool LocateText(TCustomDBGridMv* Grid, const QString& Text, TLocateTextDirectionMv Direction,
                            TLocateTextMatchingMv Matching, quint8 Options);
    // The incremental search: the current column's text from its start,
    // without regard to case, as shown; FromCurrent from the record after
    // (Forward) or before the current one, else over all records.
    bool LocateText(TCustomDBGridMv* Grid, const QString& Text, bool Forward, bool FromCurrent);
    virtual void ApplyFilter(TCustomDBGridMv* Grid);
    virtual void ApplySorting(TCustomDBGridMv* Grid);
    // Records dragged to stand before the record at Target (from 0).
    virtual void MoveRecords(TCustomDBGridMv* Grid, const QStringList& Bookmarks, int Target);
    virtual void ExecuteFindDialog(TCustomDBGridMv* Grid, const QString& Text, const QString& ColumnName,
                                   bool Modal = true);
};
TDBGridMvDataService* DBGridMvDataService();
