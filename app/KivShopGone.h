#pragma once
// A shop deleted at another seat, or given another code there, is gone
// under the code that this seat's records hold. Its monitor stops at the
// latest when the next trade line of it comes to be stored (and whenever a
// catch-up of it would start), says so in its log, naming the shop, and
// nothing more is stored for it: none of its lines, and no moment of its
// record (a moment is kept only for a shop that is stored).

#include <QString>

class TFormItems;
struct TMsgRec;

// True when no shop of the code is stored. A database that cannot be read
// tells nothing: false.
bool ShopGone(const QString& code);

// When the window's shop is gone: a monitoring window stops, and its log
// says why; true.
bool StopMonitorOfGoneShop(TFormItems& form);

// The monitor window of a trade line whose shop is gone (the line was not
// stored, KivMsgQueue): it stops, and its log says why.
void StopMonitorOfLine(const TMsgRec& record);
