#pragma once
// The producers' side of the update-record queue and the two writers of the
// monitor windows' log list boxes. A trade mapped from the platform becomes
// one TMsgRec per qualifying order line, pushed onto EventQueue for the
// main window to apply at idle time. Everything here runs on the GUI thread.

#include "client/KivMapping.h"

#include <QString>
#include <QStringList>

class QListWidget;
class TClientDataSet;

// Pushes one update record per row of the mapped trade whose "TradeEvent"
// line equals eventStatus and whose "Status" line equals status (both in
// single quotes, as the rule gives them). A row whose key columns hold a
// missing value (an order line without a SKU id) queues nothing, and so do
// columns that do not line up with the rows. Each record carries an INSERT
// of every line of its row (key, data, then extra lines) into table, and,
// for the shop, its trade line's date and, when the row has an "Oid" and
// sameLineEvents are given, the test for a stored line of the same order
// line, status and one of those events (TMsgRec).
// Returns the number of records queued.
int QueueTradeEvents(const QString& table, const TJsonColumns& keys, const TJsonColumns& data, const QStringList& extraLines,
                     TClientDataSet* dataSet, QListWidget* logBox, const QString& eventStatus, const QString& status,
                     const QString& locateFields, const QString& returnField, const QString& updateFields,
                     const QString& shopCode = QString(), const QStringList& sameLineEvents = {});

// The same for the batch that TqlToEvents hands over; this is what
// TradeEventProducer is set to while the data module exists.
void QueueTradeEventBatch(const TTradeEventBatch& batch);

// Appends "%3s|" (the 1-based line number) and the text, and selects the new
// line. A box that holds 200 lines or more is emptied first. No box: nothing.
// A text longer than LogLineLimit characters is cut there, between two
// characters as a reader sees them (a stream line may be a megabyte long).
inline constexpr int LogLineLimit = 300;
void LogLine(QListWidget* logBox, const QString& text);

// One stock line for the six stock fields ("QtyBack", "QtyOut", "QtyPay",
// "QtySend", "QtyOver", "QtyStock"): time text, the dataset's current
// "Title" and "PropNameFormat", the amount and the field's label, in the
// columns "%-20s|%-62s|%-60s|%4s件|%6s", widths counted in the columns of
// the log's font of one width (a Chinese character takes two). Any other
// field writes nothing.
void LogStockChange(QListWidget* logBox, const TClientDataSet* dataSet, const QString& timeText, const QString& field,
                    const QString& amount);

