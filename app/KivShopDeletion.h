#pragma once
// A shop whose items window is open is neither deleted nor given another
// code: the window works with the shop's record, a monitor window with its
// stream as well. The shop editor refuses to save such a change; once a
// change is saved, the main window's tree takes the shops as they are now
// (TMainKiv::LoadShops).

class TClientDataSet;

// True, after a warning that names the window, when saving the shops'
// pending changes would delete a shop, or change the code of one, whose
// sync or monitor window is open.
bool RefuseDeletingOpenShops(TClientDataSet& shops);
