#pragma once
// The dataset grid's rows and the records they show. Over a plain dataset
// the data rows are the data link's buffer window, which follows the current
// record. Over an in-memory table (a dataset that offers IMemTableMv) every
// record is a row of its own: the grid scrolls its rows itself, its vertical
// bar ranges over the rows, and a row is read by making its record the one
// the table's fields answer for.
//
// The helpers below answer for either kind, so that painting, tips, the
// selection and the mouse reach the record of a data row one way.

#include "grid/DBGridMv.h"

#include <optional>

// Makes a data row's record the one the fields read for the life of the
// object: the data link's buffer row, or the table's record of that row.
class TDataRowScopeMv {
public:
    TDataRowScopeMv(const TCustomDBGridMv& Grid, int DataRow);
    ~TDataRowScopeMv();
    TDataRowScopeMv(const TDataRowScopeMv&) = delete;
    TDataRowScopeMv& operator=(const TDataRowScopeMv&) = delete;

private:
    IMemTableMv* FMemTable = nullptr;
    std::optional<TActiveRecordScopeMv> FLinkScope;
};

// The records the data rows show: the data link's buffered ones, or all of
// the table's; 0 while the link is inactive.
int DataRowRecordCount(const TCustomDBGridMv& Grid);
// The data row of the current record.
int ActiveDataRow(const TCustomDBGridMv& Grid);
// The first data row below the titles on screen (the table's rows scroll),
// and how many records stand from it to the bottom of the data area.
int FirstShownDataRow(TCustomDBGridMv& Grid);
int ShownRecordCount(TCustomDBGridMv& Grid);
