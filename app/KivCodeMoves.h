#pragma once
// What goes or moves with a user's or a shop's code when the table editor
// deletes the record or changes its code: run inside the editor's save
// (TDataSetProvider::AfterKeyMove), so that it is one unit of work with it.
//
// - A user: their links to shops, and the layouts stored under their code
//   (never the shared ones of "SYS_CODE"), go with a deleted user and move
//   to a changed code. Login failures are counted per run and kept nowhere.
// - A shop: its links, its snapshots of items and SKUs ("KivItemOnsale",
//   "KivItem") and the monitor's moment ("KivOutGap") go with a deleted shop
//   and move to a changed code, and so does the shop of its trade lines
//   ("KivItemOut"); its sync time is a column of its own row. A deleted
//   shop's trade lines stay, under no shop, as the history of their SKUs,
//   and so does every stock-in (stock-ins name SKUs, not shops): neither
//   is deleted nor changed in quantity.
//
// A code that comes into being (a new record, or a code changed to it)
// first loses whatever an older program left under it, so that a new user
// or shop of a code used before starts with nothing of the old one.

#include <QString>
#include <functional>

class TSQLConnection;
struct TKeyMove;

using TCodeCarrier = std::function<void(TSQLConnection& connection, const TKeyMove& move)>;

// The carrier of the table the editor saves ("SYS_User", "SYS_Shop"); none
// for the other tables.
TCodeCarrier CodeCarrier(const QString& table);
