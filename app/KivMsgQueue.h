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
// failure (a database error of the INSERT, a field the dataset lacks) ends
// this round and reaches the error box; the records behind it stay queued.
void ProcessMsgQueue();

// Applies one record and disposes of it. A record whose dataset is gone
// (its monitor window closed) is dropped without running its INSERT. Key
// values travel as the producers render them for SQL (a text in single
// quotes, a number bare); the row is located by the values they stand for,
// and the optional parameters named after the key fields receive those
// values too.
void ApplyMsgRec(std::unique_ptr<TMsgRec> record);
