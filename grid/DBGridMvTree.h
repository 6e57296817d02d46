#pragma once
// Tree rows. A dataset that keeps its records as a tree offers IMemTableMv;
// the dataset grid then indents the first visible column by each record's
// level, draws tree lines and expand / collapse boxes in the indent, opens
// and closes nodes on a click or a numeric-pad key, and lets a dragged
// record drop at a chosen level.
//
// The interface itself lives with the other dataset interfaces of the
// grid library (gridbase/ToolCtrlsMv.h).

#include "grid/DBGridMv.h"
#include "gridbase/ToolCtrlsMv.h"
