#pragma once
// The consumer of the update-record queue: the main window's idle handler
// applies every queued record, oldest first, to the client dataset of the
// monitor window it names, writes a stock line into that window's log, and
// runs the record's INSERT of a trade line. Producers never change a grid
// themselves. GUI thread only.

#include "platform/db/Field.h"

#include <memory>

struct TMsgRec;

// Runs change() on the field with its read-only flag lifted for the moment:
// the figures that a layout shows read-only still follow the updates.
template <class Change>
void WithWritableField(TField& field, Change change)
{
    const bool readOnly = field.ReadOnly();
    if (readOnly)
        field.SetReadOnly(false);
    try {
        change(field);
    } catch (...) {
        if (readOnly)
            field.SetReadOnly(true);
        throw;
    }
    if (readOnly)
        field.SetReadOnly(true);
}

// Drains EventQueue: pops under EventQueueLock, applies outside it. A
// failure of a record that is no trade line (a database error, a field the
// dataset lacks) ends this round and reaches the error box; the records
// behind it stay queued. A trade line the database does not store never
// does, and never holds back the lines behind it:
// - the database out of reach, or refusing it this time (another seat's
//   transaction held what it writes, a time-out): the shop's trade lines
//   are incomplete from its date (MarkOutGap; the log says so unless the
//   database is away, which the log says once), and a catch-up brings it;
// - its values never fitting their columns (a quantity beyond INTEGER, a
//   text longer than its column), or its quantity carrying one of its SKU's
//   stock figures past their range (KivFigureRange.h; the database checks
//   it in the statement that stores it, and refuses it): the log says so
//   once in the run, with its trade, order line and why, and it is passed
//   over;
// - its shop stored no more (deleted, or given another code, at another
//   seat; KivShopGone.h): its monitor stops and says so.
// Trade lines queued together are stored in one transaction per batch.
void ProcessMsgQueue();

// The main window's idle handler: ProcessMsgQueue, but while a stream is
// fetching the trade of a notification (a rush of orders) the queued records
// wait for its lines, up to LineBatchWaitMs, so that they are stored together:
// every commit waits for the disk. A lone order is applied at once.
inline constexpr int LineBatchWaitMs = 20;
void ProcessMsgQueueWhenIdle();

// Applies one record and disposes of it. A record whose dataset is gone
// (its monitor window closed) is dropped without running its INSERT, and so
// is a trade line that is stored already (TMsgRec::LineStoredSql) or whose
// shop is stored no more. The
// INSERT runs first: the figures change only with a line that is stored.
// Key values travel as the producers render them for SQL (a text in single
// quotes, a number bare); the row is located by the values they stand for,
// and the optional parameters named after the key fields receive those
// values too. A change the row's fields cannot hold (a figure beyond its
// field's range) is not applied: the log says so, and no error is raised.
void ApplyMsgRec(std::unique_ptr<TMsgRec> record);
