#pragma once
// Whether a value the administrator sets can be used where the program
// reads it: the fields a monitor rule names, and a shop's sync time. The
// table editor refuses what these find wrong (KivTableCheck); the monitor
// and the items window pass over, or say, what was stored before (by hand,
// or by an older version). Plain functions over texts; the messages are
// the user's, in Chinese, naming the column by its caption.

#include <QString>
#include <functional>

class TDataSet;
struct TTreeNodeShop;

// The columns of a "SYS_Monitor" rule that name fields. An update record
// locates the window's row by LocateFields (the values of the trade line's
// fields of those names), adds the trade line's ReturnField to every field
// of UpdateField and OtherUpdateFields (each may start with '+' or '-').
struct TRuleFields {
    QString LocateFields;
    QString ReturnField;
    QString UpdateField;
    QString OtherUpdateFields;
};

// The current row's rule fields.
TRuleFields RuleFieldsOf(const TDataSet& rules);
// The current row's rule as the monitor's log names it: its message kind,
// event and status.
QString RuleTitleOf(const TDataSet& rules);

// The caption a message gives a rule column (by its field name).
using TCaptionOf = std::function<QString(const QString& column)>;
// The captions of the rule editor's stock layout.
QString StockRuleCaption(const QString& column);

// Why the rule cannot be applied to the monitor window's rows; empty when
// it can. Names are split and compared as the update records' producers
// and consumer do.
QString RuleFieldsProblem(const TRuleFields& rule, const TCaptionOf& captionOf = StockRuleCaption);

// A sync time in the program's own form "yyyy-mm-dd hh:nn:ss", naming a
// moment that exists (the platform's clock, which the sync stores).
bool IsSyncTime(const QString& text);
// Why a typed sync time cannot be stored (empty is "never synced"); empty
// when it can.
QString SyncTimeProblem(const QString& caption, const QString& value);
// Why the shop's figures cannot be counted from its stored sync time;
// empty when they can.
QString ShopSyncTimeProblem(const TTreeNodeShop& shop);
