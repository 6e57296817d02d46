#pragma once
// Column width fitting: a column becomes as wide as the widest of its
// title, every record's cell and its footers.

#include "grid/DBGridMv.h"

// The double click on Column's sizing edge: the selected columns (or all of
// them) with Column among them, else Column alone.
void FitColumnsForSizingEdge(TCustomDBGridMv& Grid, TColumnMv* Column);
// Measures and sets the widths; nothing changes while the dataset is closed.
void FitColumnWidths(TCustomDBGridMv& Grid, const TColumnsMvList& Columns);
