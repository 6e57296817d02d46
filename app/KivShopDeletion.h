#pragma once
// A shop whose items window is open is not deleted: the window works with
// the shop's record, a monitor window with its stream as well. The shop
// editor refuses to save such a deletion; once a deletion is saved, the
// main window's tree lets go of the shops that are gone
// (TMainKiv::DropDeletedShops).

class TDataSet;

// True, after a warning that names the window, when saving the shops'
// pending changes would delete a shop whose sync or monitor window is open.
bool RefuseDeletingOpenShops(TDataSet& shops);
