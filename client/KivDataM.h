#pragma once
// The data module: created first and freed last. It owns the database
// connection (and, with the query layer, the HTTP client for platform
// queries), and its unit holds the program-wide state (the settings record,
// the program folder, the update-record queue and its lock, the stream-buffer
// lock, the registries of open monitor windows) and the small SQL, INI and
// settings helpers that every window uses. Everything here runs on the GUI
// thread unless a comment says otherwise.

#include "platform/ImageList.h"
#include "platform/db/SqlConnection.h"
#include "platform/db/SqlQuery.h"
#include "platform/Variant.h"

#include <QDateTime>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QListWidget;
class QTimer;
class QWidget;
class TClientDataSet;
class THttpClient;
class TServerProbe;

// The settings record: one global instance, SysRec.
struct TSysRec {
    QString Version;
    QString ProxyServer;
    int ProxyPort = 0;
    QString UserCode;
    // The stock period as last read (ReadStockTime); read afresh where used.
    QString StockTime;
    QString LowStock;
    QString Format;
    QString ApiVersion;
    QString SignMethod;
    QString TqlUrl;
    QString RestUrl;
    QString StreamUrl;
    QString DebugEcho;
    QString AuthorizeUrl;
    QString ContainerUrl;
    QString HomeUrl;
};

// One shop the logged-in user may work with, hung on a root node of the
// shops tree. A stream thread takes its own copy of the credentials when it
// is created; StreamHttp is its connection while it runs (published and
// unhooked on the GUI thread; see KivStream.h).
struct TTreeNodeShop {
    QPointer<QWidget> MonitorForm;
    std::atomic<THttpClient*> StreamHttp{nullptr};
    QString SyncDate;
    std::atomic<bool> Stopped{false};
    bool AutoMonitor = false;
    QString Code;
    QString Name;
    QString ShopUserCode;
    QString AppSecret;
    QString AppKey;
    QString Session;
    // Syncs and catch-ups running for the shop (TShopInUse): the record is
    // not freed meanwhile.
    int InUse = 0;
};

// Marks a shop record in use for its lifetime.
class TShopInUse {
public:
    explicit TShopInUse(TTreeNodeShop& shop) : FShop(shop) { ++FShop.InUse; }
    ~TShopInUse() { --FShop.InUse; }
    TShopInUse(const TShopInUse&) = delete;
    TShopInUse& operator=(const TShopInUse&) = delete;

private:
    TTreeNodeShop& FShop;
};

// An update record: a change to the stock figures of a monitor window,
// pushed by a producer and applied by the main window at idle time.
struct TMsgRec {
    QString TimeText;
    QString KeyNames;
    std::vector<Variant> KeyValues;
    QString UpdateFields;
    QString Amount;
    QString SetField;
    QString SetFieldValue;
    QString InsertTable;
    QString InsertColumns;
    QString InsertValues;
    // A trade line's record: the shop, when the trade changed (the
    // notification's time; else the trade's "Date"), and the statement that
    // finds the line stored already (the record is then dropped whole). A
    // line that cannot be stored leaves the shop's trade lines incomplete
    // from that moment (MarkOutGap). Empty for other records.
    QString LineShopCode;
    QString LineDate;
    QString LineStoredSql;
    // The line's trade ("Tid"), order line ("Oid") and quantity ("Qty") as
    // they stand in the INSERT, for what the log says of it.
    QString LineTid;
    QString LineOid;
    QString LineQty;
    // Weak: a record still queued when its monitor window closes names no
    // dataset and no list box any more.
    QPointer<TClientDataSet> DataSet;
    QPointer<QListWidget> LogBox;
};

class TKivDM : public QObject {
    Q_OBJECT
public:
    // appDir is the program folder that holds "KivSets.ini"; empty means the
    // folder of the running program.
    explicit TKivDM(const QString& appDir = QString(), QObject* parent = nullptr);
    ~TKivDM() override;
    TKivDM(const TKivDM&) = delete;
    TKivDM& operator=(const TKivDM&) = delete;

    TSQLConnection* KivConn;
    // The connection of the scoped transactions (TKivTransaction): a second
    // attachment of KivConn's database, opened with the first of them and
    // kept, that no autocommit helper ever uses.
    TSQLConnection* KivTranConn;
    // The HTTP client of every platform query (GUI thread only). Queries
    // get finite time-outs; only the stream threads, with clients of their
    // own, wait without one.
    std::unique_ptr<THttpClient> KivHttp;

    // The database server has gone away: a statement found its connection
    // gone, and none has been made again since. Both connections are closed
    // then (the transactions' one once no work runs in it), and every
    // DatabaseRetryMs the server is probed on a thread of its own
    // (TServerProbe), so that a host that does not answer never holds the
    // windows; once it is reached, the connection is made again.
    bool DatabaseLost() const { return FDatabaseLost; }
    int DatabaseRetryMs = 2000;

    // A database made by an older program gets the tables, columns and
    // indexes this one needs (created empty; nothing else is touched), and
    // the SKUs' running sums built from its history (KivSkuSums.h), before
    // the first statement that OpenQuery or ExecSql runs. Once per run.
    void EnsureSchema();

Q_SIGNALS:
    // Once per outage, when it is found; and when the database answers again.
    void DatabaseConnectionLost();
    void DatabaseConnectionRestored();
    // The shop's trade lines may be incomplete from a new moment (MarkOutGap):
    // since is the shop's moment now.
    void RecordIncomplete(const QString& shopCode, const QString& since);

private:
    friend class TKivTransaction;
    void DataModuleCreate(const QString& appDir);
    void DataModuleDestroy();
    void ConnectionLost();
    // Every DatabaseRetryMs while the database is lost: the probe's turn.
    void RetryDatabase();
    // Connects again; true when the database answers.
    bool Reconnect();
    // How many TKivTransactions are open (the outermost one and those inside it).
    int FTransactionDepth = 0;
    // The attachment that the open transactions began on.
    quint64 FTransactionAttachment = 0;
    bool FDatabaseLost = false;
    bool FSchemaChecked = false;
    QTimer* FDatabaseRetry;
    std::unique_ptr<TServerProbe> FProbe;

public:
    // Glyphs of the windows, from the program's resources (empty lists when
    // the resources are not part of the running program).
    TImageList ImageListTree{16, 16};
    TImageList ImageListMenu{16, 16};
    TImageList ImageListLarge{32, 32};
    TImageList ImageListRun{16, 16};
};

// Work that must be whole runs through one of these: its statements run in a transaction of
// their own connection, which no other writer (the stream thread, the update-record consumer)
// is ever drawn into. Destroyed without Commit(), it rolls back.
// GUI thread only. One made while another is open is part of it (a savepoint
// of the same transaction: its rollback undoes only its own statements, its
// commit leaves them to the enclosing one); a second transaction of the same
// thread would wait for the first on a row both write, forever. They end in
// the reverse order of their making, as scopes do.
class TKivTransaction {
public:
    TKivTransaction();
    ~TKivTransaction();
    TKivTransaction(const TKivTransaction&) = delete;
    TKivTransaction& operator=(const TKivTransaction&) = delete;
    int ExecSql(const QString& sql);                         // affected rows, like ::ExecSql
    std::unique_ptr<TSQLQuery> OpenQuery(const QString& sql);  // like ::OpenQuery, inside the transaction
    void Commit();

private:
    TSQLConnection& Connection() const;
    // The connection still holds the attachment the work began on: one made
    // again since (the server went away) holds none of its statements.
    bool SameAttachment() const;
    TKivDM* FDM;
    int FLevel = 0; // 0: the transaction itself; else the savepoint's depth
    bool FActive = false;
};

// The one data module while it exists.
extern TKivDM* KivDM;

extern TSysRec SysRec;
extern QString AppDir;
extern int LoginFailures;
extern int LoginFailureLimit;
extern QIcon AppIcon;

extern std::deque<std::unique_ptr<TMsgRec>> EventQueue;
extern std::mutex EventQueueLock;
extern std::mutex StreamBufferLock;
// Parallel registries of open monitor windows: same index, same window.
extern QList<TClientDataSet*> MonitorDataSets;
extern QList<QPointer<QListWidget>> MonitorLogBoxes;

// The server password of the connection when the settings file names none.
inline constexpr auto ServerPassword = u"quillrest";

// INI file "KivSets.ini" in AppDir.
QString IniFileName();
void EnsureIniFile();
QString LoadDataFile();
// The database server's user and password: [Data] UserName and Password of
// the settings file, else "sysdba" and the built-in password. The embedded
// engine ignores them.
std::pair<QString, QString> LoadServerLogin();
void LoadProxy();
void SaveProxy();
// Copies SysRec's proxy server and port into KivHttp.
void ApplyProxy();

// SQL helpers. Each takes a complete statement; failures raise EDatabaseError.
std::unique_ptr<TSQLQuery> OpenQuery(const QString& sql);
int ExecSql(const QString& sql);
bool IsEmptyResult(const QString& sql);
int CountRecords(TDataSet& dataSet);
QString NextGen(const QString& generatorName);
QString BoolText(bool flag);
QString NowStamp();
QString DateTimeText(const QDateTime& time);
// The moment of a text as DateTimeText writes it ("yyyy-mm-dd hh:nn:ss");
// invalid for any other text.
QDateTime DateTimeOf(const QString& text);
// The earlier of two such texts (they order as text); an empty one is none.
QString EarlierDateTime(const QString& a, const QString& b);
// A moment of the platform's clock ("yyyy-mm-dd hh:nn:ss") to count seconds
// on: taken as UTC, so that no daylight-saving shift of the local zone moves
// it; invalid for any other text. PlatformText writes it back.
QDateTime PlatformMoment(const QString& text);
QString PlatformText(const QDateTime& moment);
// The platform moment that many seconds later (earlier when negative);
// empty for a text that is no moment.
QString PlatformSecsAfter(const QString& moment, qint64 secs);

// Settings.
QString GetParam(const QString& code, const QString& defaultValue);
void LoadApiSettings();
// The stock period (settings code 1), in digits, made sure of at login. A
// stored value that StockPeriodOf refuses is taken for none: the new period
// drawn is stored, and notice (when given) tells it.
QString LoadStockTime(QString* notice = nullptr);
// The stock period as it is stored now: another seat's sync moves it on at
// any time, so whatever books into it or reads its figures reads it where it
// does so, never a copy kept from earlier. Raises EConvertError when no
// usable period is stored (a login stores one). Both keep what they read in
// SysRec.StockTime, which nothing counts on.
QString ReadStockTime();
// The same, read in the transaction with the period's row locked until it
// ends: a roll-over and the bookings take turns on it, so that a booking
// never lands in a period that has just been left (the one that waited
// meets the other's change: EDatabaseConflict).
QString LockStockTime(TKivTransaction& transaction);
// For reading the period with other values: the column's expression, and
// the period of the text it gave (as ReadStockTime takes it).
QString StockTimeColumnSql();
QString CheckedStockTime(const QString& stored);
QString NextStockTime();
// With a transaction, the setting is written in it.
void SetStockTimeParam(const QString& value, TKivTransaction* transaction = nullptr);
// The low-stock threshold of the session (settings code 10), in digits. A
// stored value that LowStockOf refuses is left as it stands for the
// administrator to mend; the session takes DefaultLowStock, and notice
// (when given) tells it.
QString LoadLowStock(QString* notice = nullptr);
// The low-stock thresholds (settings code 10) the program takes: whole
// numbers no further from zero than this. The stock-ins and trade lines keep
// every stock figure in range for each of them, so no threshold taken can
// carry a figure out of range.
inline constexpr int LowStockBound = 1000000;
inline constexpr int DefaultLowStock = 10;
// The stock periods the program takes: whole numbers from 1 (the generator
// counts up from there) to the largest the BIGINT columns hold. A period is
// thus always bare digits in the statements, never a sign that could meet
// another one. Both readers take blanks around the number; none for any
// other text.
std::optional<qint64> StockPeriodOf(const QString& text);
// The thresholds: within LowStockBound.
std::optional<int> LowStockOf(const QString& text);
// What is wrong with a value of settings code 1 or 10 in the field captioned
// caption, as the user reads it; empty when it is usable or empty (the
// default applies then), and for every other code.
QString SettingValueProblem(int code, const QString& value, const QString& caption);
void LoadStockSound(QByteArray& stream);
void LoadBalanceSound(QByteArray& stream);

// Shops and users.
QString GetShopSyncDate(const QString& shopCode);
// The same, none when the shop has no row.
std::optional<QString> StoredShopSyncDate(const QString& shopCode);
void SetShopSyncDate(const QString& syncDate, const QString& shopCode, TKivTransaction* transaction = nullptr);
QString LastOutDate(const QString& shopCode);

// The record of each shop's trade lines is known complete up to a moment of
// the platform's clock ("yyyy-mm-dd hh:mm:ss"): every trade that changed
// before it has been read. It is kept in "KivOutGap", so that whatever ends
// monitoring (a stop, the program's end, a kill, a power cut, a database or
// platform outage) the next catch-up starts there. It moves forward only
// over what has been read whole (AdvanceOutGap): a catch-up's window, or
// the time a stream has been live without losing anything; what the stream
// stores meanwhile never moves it. Anything that may have been missed (a
// live trade that could not be fetched, a stream outage, a catch-up that
// could not read its whole window, a trade line the database could not
// store) moves it back (MarkOutGap). While the database cannot be reached a
// mark is kept in memory, and stored by StoreOutGaps once it can; the
// stored moment, which nothing moved forward meanwhile, still holds if the
// program ends before that.
//
// Every seat monitoring the shop shares the moment, and the count of its
// marks ("Marks"): a seat moves the moment forward only while the count is
// the one it read before it read what it moves over, so that a mark of any
// seat holds every seat's advance until a catch-up has read past it.
struct TOutGap {
    // The moment, or empty when the shop has none yet (a shop never
    // monitored, a database made before "KivOutGap" existed).
    QString From;
    int Marks = 0;
    // The latest moment any mark was made from, or empty: what a stream
    // carries on may start only after it.
    QString LatestMark;
    // False while the database cannot be read, or a mark of this seat is
    // not stored yet: no advance may count on Marks then.
    bool Known = false;
};
TOutGap ReadOutGap(const QString& shopCode);
QString OutGapFrom(const QString& shopCode);
// The stored count of marks, or -1 when it is not known (ReadOutGap).
int OutGapMarks(const QString& shopCode);
// Stores the moment for a shop that has none (a shop that is not stored
// gets none); the shop's moment. Raises the database's errors.
QString EnsureOutGap(const QString& shopCode, const QString& from);
// Moves the shop's moment back to from unless it lies there already, and
// counts the mark in any case (an empty from only counts it); true when the
// moment moved. Tells the data module's RecordIncomplete. Never raises.
bool MarkOutGap(const QString& shopCode, const QString& from);
// The one statement of a mark, as every seat runs it (of several marks
// from `from` up to `latest`).
QString OutGapMarkSql(const QString& shopCode, const QString& from, const QString& latest = QString());
// Everything that changed from `from` up to (not including) `to` has been
// read and stored, by a reader that found the count of marks at `marks`
// before it read: the shop's moment moves to `to` when it lies within and
// the count is still that. True when it moved. Never raises; a database out
// of reach moves nothing.
bool AdvanceOutGap(const QString& shopCode, const QString& from, const QString& to, int marks);
// Stores the marks kept in memory; those it cannot stay there.
void StoreOutGaps();
// The earliest change ("LineDate") of the shop's trade lines still waiting
// in EventQueue to be stored, or empty.
QString EarliestQueuedLine(const QString& shopCode);
void FillUserList(QStringList& list);
QString GetUserPassword(const QString& userCode);
int SetUserPassword(const QString& userCode, const QString& hash);
