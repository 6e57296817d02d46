#pragma once
// The mapping of platform replies onto table rows. For each target column a
// map item names the dotted JSON path of its values ("path=Column"); the
// reply is parsed, one column of values is extracted per path, and the rows
// are then upserted into a table (TqlToRows, the items sync) or handed to
// the trade-event producer (TqlToEvents, live notifications and the
// catch-up of missed trades). Everything here runs on the GUI thread.

#include "json/uQvJSON.h"
#include "platform/Exceptions.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QListWidget;
class TClientDataSet;
class TKivTransaction;
struct TTqlReply;
struct TTreeNodeShop;

// One collected value with its own JSON kind. Each value is rendered for
// SQL by its own kind, never by that of its neighbours in the column.
struct TJsonValue {
    // The JSON kind; jsString for a missing member.
    TqvJSONkind ValueType = jsString;
    // A string's text, a number's literal digits as the reply wrote them,
    // "true" or "false"; empty for null, a list or an object.
    QString Text;
    // The member was not there at all: the only value that is SQL null.
    bool Missing = false;

    static TJsonValue Absent() { return {jsString, QString(), true}; }
};

// The SQL form of a value: null for a missing member; a number bare from
// its literal digits; everything else through the one quoting function
// (a member holding null, a list or an object is the empty text '').
QString SqlValue(const TJsonValue& value);

// One mapped column: its values, one per row, and the target column.
// The values are kept as a list, so no text inside them (quotes, commas,
// blanks) can split or join rows.
class TJsonValueList {
public:
    QString FieldName;
    std::vector<TJsonValue> Values;

    int Count() const { return int(Values.size()); }
    // The kind of the last value collected (jsString when it was missing).
    TqvJSONkind ValueType() const { return Values.empty() ? jsString : Values.back().ValueType; }
    const TJsonValue& operator[](int row) const { return Values.at(size_t(row)); }
};
using TJsonColumns = std::vector<TJsonValueList>;
// Whether every column of both lists holds exactly rows values.
bool ColumnsLineUp(const TJsonColumns& keys, const TJsonColumns& data, int rows);

// A reply lacks a member on the way to a path, or a list holds something
// other than objects: the mapping of the whole reply is abandoned.
class EJsonPathError : public Exception {
public:
    using Exception::Exception;
};

// Collects every value at the dotted path below the object: a list on the
// way is walked element by element; a missing last member gives a missing
// value, a missing member on the way raises EJsonPathError.
void ExtractJsonPath(const TqvJSONbase& object, const QString& path, TJsonValueList& column);

// Collects one value per row of the row path (the first key column's path),
// in step with it: a value that lies above the row list is repeated on every
// row below it, a value at the row level is taken from each row. carried is
// the value found above the rows; start each column with it empty.
void ExtractJsonPathPair(const TqvJSONbase& object, const QString& rowPath, const QString& path, TJsonValueList& column,
                         std::optional<TJsonValue>& carried);

struct TMappedReply {
    TJsonColumns Keys;
    TJsonColumns Data;
};

// The columns of the key map and the data map (comma texts of "path=Column"
// items; the first key item's path is the row path); simple paths collect
// each path flat (ExtractJsonPath), otherwise aligned on the rows
// (ExtractJsonPathPair). Raises EJsonPathError.
TMappedReply MapTqlRows(const TqvJSONobject& root, const QString& keyMap, const QString& dataMap, bool simplePaths);

// Inserts every row whose key (and extra lines) is not in the table yet,
// with its key columns and extra lines, then updates it with the data
// columns. A text longer than its text column is written cut to the
// column's length (TextColumnLength), at a character boundary; numbers are
// never cut. Extra lines are "Name"=value lines whose name carries its own
// double quotes; the value is quoted here. Columns that do not all hold the
// same number of rows write nothing (EJsonPathError). Returns the rows
// written; a database error raises after the rows before it were written.
// With a transaction, every statement runs in it.
int UpsertRows(const QString& table, const TJsonColumns& keys, const TJsonColumns& data, const QStringList& extraLines,
               TKivTransaction* transaction = nullptr);

// The path without upsert: each row is inserted as it stands when one of the
// rule conditions (comma texts of name=value items, an empty one matching
// every row) holds for it, and then the row of the client dataset located by
// the row's values of the locate fields gets the amounts of the matching
// rule action (a comma text of Field=Source items: Field grows by the row's
// value of Source). Extra lines are name=value lines whose value carries its
// own SQL quoting. Returns the rows inserted. A database error, or an action
// amount that is not a number, raises after the rows before it were written.
int ImportItemRows(const QString& table, const TJsonColumns& keys, const TJsonColumns& data, const QStringList& ruleActions,
                   const QStringList& ruleConditions, const QStringList& locateFields, TClientDataSet* dataSet,
                   const QStringList& extraLines);

// Queries the platform (BuildAndSendTql) and maps the reply. Nothing when the
// call failed: no reply, or a reply without the method's own reply member (an
// error reply, or no JSON object at all). A reply of the method that holds no
// rows (an empty page, an item without SKUs) maps to no columns.
std::optional<TMappedReply> FetchTqlRows(const QString& method, const QString& fields, const QString& values, const QString& whereTemplate,
                                         const QString& whereValues, const QString& keyMap, const QString& dataMap, bool simplePaths,
                                         const TTreeNodeShop& shop);

// Queries the platform and writes the mapped rows into the table: upserted
// (UpsertRows), or without upsert through ImportItemRows with the rule
// actions, rule conditions, locate fields and client dataset. An empty
// reply, empty maps, an empty table name, a reply without the expected
// members (an error reply) or any failure while writing end the call
// quietly. Returns the rows written, or 0 when the call failed (rows written
// before a database error stay).
int TqlToRows(const QString& method, const QString& fields, const QString& values, const QString& whereTemplate,
              const QString& whereValues, const QString& keyMap, const QString& dataMap, const QString& table,
              bool simplePaths, bool upsert, const QStringList& extraLines, const TTreeNodeShop& shop,
              const QStringList& ruleActions = {}, const QStringList& ruleConditions = {}, const QStringList& locateFields = {},
              TClientDataSet* dataSet = nullptr);

// Where the trade-event producer sends the records of one mapped trade.
struct TTradeEventTarget {
    QString ShopCode;
    QPointer<TClientDataSet> DataSet;
    QPointer<QListWidget> LogBox;
    QString EventStatus;  // in single quotes
    QString Status;       // in single quotes
    QString LocateFields; // ';'-separated
    QString ReturnField;
    QString UpdateFields; // ','-separated
    // The events (in single quotes) under which a stored line of the same
    // order line and status records the same thing: such a line is not
    // recorded again. Empty: every line is recorded.
    QStringList SameLineEvents;
};

// Everything the trade-event producer gets for one reply.
struct TTradeEventBatch {
    QString Table;
    const TJsonColumns& Keys;
    const TJsonColumns& Data;
    // "Name=value" lines whose value carries its own SQL quoting.
    const QStringList& ExtraLines;
    const TTradeEventTarget& Target;
};

// The trade-event producer that TqlToEvents feeds (QueueTradeEvents, set
// when the update-record queue is set up); while empty, nothing is queued.
using TTradeEventProducer = std::function<void(const TTradeEventBatch&)>;
extern TTradeEventProducer TradeEventProducer;

// Queries the platform and hands the columns, aligned on the rows of the
// first key path, to TradeEventProducer. Failures end the call quietly, as
// for TqlToRows; false when the platform gave no reply of the method (no
// reply at all, or an error reply), so that nothing could be mapped.
bool TqlToEvents(const QString& method, const QString& fields, const QString& values, const QString& whereTemplate,
                 const QString& whereValues, const QString& keyMap, const QString& dataMap, const QString& table,
                 const QStringList& extraLines, const TTreeNodeShop& shop, const TTradeEventTarget& target);
// The mapping half of TqlToEvents, for a reply fetched (and parsed) elsewhere.
bool MapTradeEvents(const TTqlReply& reply, const QString& keyMap, const QString& dataMap, const QString& table,
                    const QStringList& extraLines, const TTradeEventTarget& target);
