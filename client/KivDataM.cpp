#include "client/KivDataM.h"

#include "client/KivEvents.h"
#include "client/KivServerProbe.h"
#include "client/KivSkuSums.h"
#include "platform/Clock.h"
#include "platform/Exceptions.h"
#include "platform/HttpClient.h"
#include "platform/IniFile.h"
#include "platform/SqlText.h"
#include "platform/db/DbTexts.h"

#include <QGuiApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <array>
#include <limits>
#include <map>

TKivDM* KivDM = nullptr;
TSysRec SysRec;
QString AppDir;
int LoginFailures = 0;
int LoginFailureLimit = 3;
QIcon AppIcon;
std::deque<std::unique_ptr<TMsgRec>> EventQueue;
std::mutex EventQueueLock;
std::mutex StreamBufferLock;
QList<TClientDataSet*> MonitorDataSets;
QList<QPointer<QListWidget>> MonitorLogBoxes;

namespace {

const QString SectionProxy = QStringLiteral("Proxy");
const QString SectionData = QStringLiteral("Data");
const QString DefaultDataFile = QStringLiteral("Kiv.fdb");
const QString DateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
// How long a probe of the database server waits for its host, and how long
// work that the user starts asks it.
constexpr int ServerProbeTimeoutMs = 10000;
constexpr int ServerAskMs = 250;

// Marks not stored yet, by shop code: the earliest and the latest moment
// of them (empty when none of them knew one).
struct TPendingMarks {
    QString Earliest;
    QString Latest;
};
std::map<QString, TPendingMarks>& PendingOutGaps()
{
    static std::map<QString, TPendingMarks> gaps;
    return gaps;
}

TKivDM& DataModule()
{
    if (!KivDM)
        throw EInvalidOperation(QStringLiteral("The data module has not been created"));
    return *KivDM;
}

// The settings whose values statements write bare, and the whole numbers
// each takes.
struct TSettingRange {
    int Code;
    const char16_t* Name;
    qint64 Minimum;
    qint64 Maximum;
};
constexpr TSettingRange SettingRanges[] = {
    {1, u"库存期间", 1, std::numeric_limits<qint64>::max()},
    {10, u"库存预警值", -LowStockBound, LowStockBound},
};
// The column of the settings' values, as the login's notices name it.
constexpr auto SettingValueCaption = u"参数值";

// None for a code whose value is not checked.
const TSettingRange* RangeOf(int code)
{
    for (const TSettingRange& range : SettingRanges)
        if (range.Code == code)
            return &range;
    return nullptr;
}

// Blanks around the number are allowed; digits are ASCII.
std::optional<qint64> SettingNumberOf(const TSettingRange& range, const QString& text)
{
    const QString number = text.trimmed();
    bool ok = false;
    const qint64 value = IsSqlInteger(number) ? number.toLongLong(&ok, 10) : 0;
    if (!ok || value < range.Minimum || value > range.Maximum)
        return std::nullopt;
    return value;
}

// The glyph strips are drawn once and kept as resources of the program.
void LoadImageLists(TKivDM& dm)
{
    dm.ImageListTree.AddStrip(QImage(QStringLiteral(":/morvane/tree16.png")));
    dm.ImageListMenu.AddStrip(QImage(QStringLiteral(":/morvane/menu16.png")));
    dm.ImageListLarge.AddStrip(QImage(QStringLiteral(":/morvane/large32.png")));
    dm.ImageListRun.AddStrip(QImage(QStringLiteral(":/morvane/run16.png")));
}

// The tables and columns that a database made by an older program may
// lack, as db/schema.sql makes them (a test holds the two to the same
// columns).
struct TNewerTable {
    const char16_t* Name;
    const char16_t* Create;
};
constexpr TNewerTable NewerTables[] = {
    {u"KivOutGap", u"CREATE TABLE \"KivOutGap\" (\"ShopCode\" VARCHAR(50) NOT NULL PRIMARY KEY, \"GapFrom\" VARCHAR(32) NOT NULL, "
                   u"\"Marks\" INTEGER DEFAULT 0 NOT NULL, \"LatestMark\" VARCHAR(32))"},
    {u"KivSkuSums", u"CREATE TABLE \"KivSkuSums\" (\"SkuID\" BIGINT NOT NULL, \"NumIID\" BIGINT NOT NULL, "
                    u"\"Up0\" BIGINT DEFAULT 0 NOT NULL, \"Up1\" BIGINT DEFAULT 0 NOT NULL, \"Up2\" BIGINT DEFAULT 0 NOT NULL, "
                    u"\"Up3\" BIGINT DEFAULT 0 NOT NULL, \"Up4\" BIGINT DEFAULT 0 NOT NULL, \"Down0\" BIGINT DEFAULT 0 NOT NULL, "
                    u"\"Down1\" BIGINT DEFAULT 0 NOT NULL, \"Down2\" BIGINT DEFAULT 0 NOT NULL, \"Down3\" BIGINT DEFAULT 0 NOT NULL, "
                    u"\"Down4\" BIGINT DEFAULT 0 NOT NULL, PRIMARY KEY (\"SkuID\", \"NumIID\"))"},
    {u"KivSkuStock", u"CREATE TABLE \"KivSkuStock\" (\"SkuID\" BIGINT NOT NULL, \"NumIID\" BIGINT NOT NULL, \"StockTime\" BIGINT NOT NULL, "
                     u"\"Stock\" BIGINT DEFAULT 0 NOT NULL, PRIMARY KEY (\"StockTime\", \"SkuID\", \"NumIID\"))"},
};
// Indexes that a database made by an older program may lack, and the ones
// each replaces (dropped once it is made: every index of the trade lines
// costs each line stored a page written, and a commit waits for each).
struct TNewerIndex {
    const char16_t* Name;
    const char16_t* Create;
    std::array<const char16_t*, 2> Replaces; // nullptr: none
};
constexpr TNewerIndex NewerIndexes[] = {
    {u"IX_KivItemOut_SkuDate", u"CREATE INDEX \"IX_KivItemOut_SkuDate\" ON \"KivItemOut\" (\"SkuID\", \"NumIID\", \"Date\")",
     {u"IX_KivItemOut_Sku", nullptr}},
    // A shop's lines, and a line of it by its order line.
    {u"IX_KivItemOut_ShopOid", u"CREATE INDEX \"IX_KivItemOut_ShopOid\" ON \"KivItemOut\" (\"ShopCode\", \"Oid\")",
     {u"IX_KivItemOut_Shop", u"IX_KivItemOut_Oid"}},
    {u"IX_KivItem_Shop", u"CREATE INDEX \"IX_KivItem_Shop\" ON \"KivItem\" (\"ShopCode\", \"SyncDate\")", {}},
    {u"IX_KivItemOnsale_Shop", u"CREATE INDEX \"IX_KivItemOnsale_Shop\" ON \"KivItemOnsale\" (\"ShopCode\", \"SyncDate\")", {}},
};
struct TNewerColumn {
    const char16_t* Table;
    const char16_t* Name;
    const char16_t* Add;
};
constexpr TNewerColumn NewerColumns[] = {
    {u"KivOutGap", u"Marks", u"ALTER TABLE \"KivOutGap\" ADD \"Marks\" INTEGER DEFAULT 0 NOT NULL"},
    {u"KivOutGap", u"LatestMark", u"ALTER TABLE \"KivOutGap\" ADD \"LatestMark\" VARCHAR(32)"},
};

// The indexes that a database made by an older program may lack.

void LoadBlobParam(int code, QByteArray& stream)
{
    const auto query = OpenQuery(QStringLiteral("select \"BlobValue\" from \"SYS_Params\" where \"Code\" = %1").arg(code));
    if (!query->IsEmpty())
        stream.append(query->FieldByName(QStringLiteral("BlobValue"))->AsBytes());
}

} // namespace

TKivDM::TKivDM(const QString& appDir, QObject* parent)
    : QObject(parent), KivConn(new TSQLConnection(this)), KivTranConn(new TSQLConnection(this)), KivHttp(std::make_unique<THttpClient>())
{
    KivHttp->UserAgent = QStringLiteral("Mozilla/3.0 (compatible; Indy Library)");
    KivHttp->ContentType = QStringLiteral("text/html");
    KivHttp->Accept = QStringLiteral("text/html, */*");
    KivHttp->ProxyPort = 0;
    KivHttp->ConnectTimeoutMs = 5000;
    KivHttp->ReadTimeoutMs = 30000;
    FDatabaseRetry = new QTimer(this);
    connect(FDatabaseRetry, &QTimer::timeout, this, &TKivDM::RetryDatabase);
    for (TSQLConnection* conn : {KivConn, KivTranConn})
        connect(conn, &TSQLConnection::ConnectionLost, this, &TKivDM::ConnectionLost);
    DataModuleCreate(appDir);
}

TKivDM::~TKivDM()
{
    DataModuleDestroy();
}

void TKivDM::DataModuleCreate(const QString& appDir)
{
    if (KivDM)
        throw EInvalidOperation(QStringLiteral("The data module exists already"));
    SysRec = TSysRec{};
    SysRec.Version = QStringLiteral("0.9");
    LoginFailures = 0;
    LoginFailureLimit = 3;
    const QString dir = appDir.isEmpty() ? QCoreApplication::applicationDirPath() : appDir;
    AppDir = QDir(dir).absolutePath() + u'/';
    EnsureIniFile();
    KivConn->BaseDir = AppDir;
    KivConn->DatabaseSetting = QStringLiteral("“%1”中[Data]节的DataFile").arg(QDir::toNativeSeparators(IniFileName()));
    KivConn->SetParam(QStringLiteral("Database"), LoadDataFile());
    const auto [userName, password] = LoadServerLogin();
    KivConn->SetParam(QStringLiteral("User_Name"), userName);
    KivConn->SetParam(QStringLiteral("Password"), password);
    EventQueue.clear();
    PendingOutGaps().clear();
    // Mapped trades become update records from now on.
    TradeEventProducer = QueueTradeEventBatch;
    MonitorDataSets.clear();
    MonitorLogBoxes.clear();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        AppIcon = QGuiApplication::windowIcon();
        LoadImageLists(*this);
    }
    // Published last: a creation that raised leaves no data module behind.
    KivDM = this;
}

// Runs inside the statement that found the connection gone: it only closes
// connections and tells; the listeners act later.
void TKivDM::ConnectionLost()
{
    // Both connections go to the same server.
    KivConn->Close();
    if (FTransactionDepth == 0)
        KivTranConn->Close();
    if (FDatabaseLost)
        return;
    FDatabaseLost = true;
    FDatabaseRetry->start(DatabaseRetryMs);
    Q_EMIT DatabaseConnectionLost();
}

void TKivDM::RetryDatabase()
{
    if (FProbe && !FProbe->Done())
        return;
    const bool reached = FProbe && FProbe->Reachable();
    FProbe.reset();
    // A server is reached on the probe's thread first; a local file needs no network.
    const auto server = DatabaseServerAddress(KivConn->ResolvedDatabaseName());
    if (server && !reached) {
        FProbe = std::make_unique<TServerProbe>(server->first, server->second, ServerProbeTimeoutMs);
        return;
    }
    Reconnect();
}

bool TKivDM::Reconnect()
{
    try {
        KivConn->Open();
    } catch (const EDatabaseError&) {
        return false;
    }
    FProbe.reset();
    FDatabaseRetry->stop();
    FDatabaseLost = false;
    // The transactions' connection may still hold the attachment of before.
    if (FTransactionDepth == 0)
        KivTranConn->Close();
    StoreOutGaps();
    Q_EMIT DatabaseConnectionRestored();
    return true;
}

void TKivDM::EnsureSchema()
{
    if (FSchemaChecked)
        return;
    // First: the statements below run through the connection itself.
    FSchemaChecked = true;
    QString keeperFailure;
    try {
        const auto missing = [this](const QString& sql) {
            TSQLQuery query(KivConn);
            query.SQL = sql;
            query.Open();
            return query.IsEmpty();
        };
        for (const TNewerTable& table : NewerTables)
            if (missing(QStringLiteral("select 1 from rdb$relations where rdb$relation_name = ") + QuotedStr(QString::fromUtf16(table.Name))))
                KivConn->ExecuteDirect(QString::fromUtf16(table.Create));
        for (const TNewerColumn& column : NewerColumns)
            if (missing(QStringLiteral("select 1 from rdb$relation_fields where rdb$relation_name = ") + QuotedStr(QString::fromUtf16(column.Table))
                        + QStringLiteral(" and rdb$field_name = ") + QuotedStr(QString::fromUtf16(column.Name))))
                KivConn->ExecuteDirect(QString::fromUtf16(column.Add));
        const auto indexMissing = [&missing](const char16_t* name) {
            return missing(QStringLiteral("select 1 from rdb$indices where rdb$index_name = ") + QuotedStr(QString::fromUtf16(name)));
        };
        for (const TNewerIndex& index : NewerIndexes) {
            if (indexMissing(index.Name))
                KivConn->ExecuteDirect(QString::fromUtf16(index.Create));
            for (const char16_t* replaced : index.Replaces) {
                if (!replaced || indexMissing(replaced))
                    continue;
                try {
                    KivConn->ExecuteDirect(QStringLiteral("DROP INDEX ") + QuotedName(QString::fromUtf16(replaced)));
                } catch (const EDatabaseConnectionLost&) {
                    throw;
                } catch (const EDatabaseError&) {
                    // Another seat has the table in use: a later start drops it.
                }
            }
        }
        // The sums' keepers first: a line another seat stores while the sums
        // are made counts in them.
        bool keepersMade = false;
        for (const TSumsKeeper& keeper : SumsKeepers()) {
            if (!missing(keeper.ExistsSql))
                continue;
            try {
                KivConn->ExecuteDefinition(keeper.CreateSql);
                keepersMade = true;
            } catch (const EDatabaseConnectionLost&) {
                throw;
            } catch (const EDatabaseError& error) {
                // Another seat made it meanwhile; anything else is said.
                if (missing(keeper.ExistsSql))
                    keeperFailure = keeper.Name + QStringLiteral("：") + error.Message();
            }
        }
        // Made from the whole history before any line or stock-in is checked
        // against them: once, and again when their keepers are new (what an
        // older program kept by itself is not trusted).
        if (keepersMade || SkuSumsMissing(*KivConn))
            BuildSkuSums(*KivConn);
    } catch (const EDatabaseConnectionLost&) {
        // Tried again with the next statement, once the server answers.
        FSchemaChecked = false;
        throw;
    } catch (const EDatabaseError&) {
        // Another seat made it at the same moment, or the server's user may
        // not create tables: the program works on, its gaps kept only while
        // it runs.
    }
    // Without its keepers no stock figure could be trusted: said once, at
    // the statement that found them missing.
    if (!keeperFailure.isEmpty())
        throw EDatabaseError(QStringLiteral("数据库中无法建立维护库存统计的对象，库存数字将不可靠，请用数据库的所有者运行一次本程序（")
                             + keeperFailure + QStringLiteral("）！"));
}

void TKivDM::DataModuleDestroy()
{
    {
        // Records left in the queue at exit belong to nobody now.
        const std::lock_guard lock(EventQueueLock);
        EventQueue.clear();
    }
    TradeEventProducer = nullptr;
    MonitorDataSets.clear();
    MonitorLogBoxes.clear();
    AppIcon = QIcon();
    // A probe still waiting for its host ends by itself.
    FProbe.reset();
    KivTranConn->Close();
    KivConn->Close();
    if (KivDM == this)
        KivDM = nullptr;
}

QString IniFileName()
{
    return AppDir + QStringLiteral("KivSets.ini");
}

void EnsureIniFile()
{
    if (QFileInfo::exists(IniFileName()))
        return;
    TIniFile ini(IniFileName());
    ini.WriteString(SectionProxy, QStringLiteral("ProxyServer"), QString());
    ini.WriteString(SectionProxy, QStringLiteral("ProxyPort"), QStringLiteral("0"));
    ini.WriteString(SectionData, QStringLiteral("DataFile"), DefaultDataFile);
}

QString LoadDataFile()
{
    return TIniFile(IniFileName()).ReadString(SectionData, QStringLiteral("DataFile"), DefaultDataFile);
}

std::pair<QString, QString> LoadServerLogin()
{
    const TIniFile ini(IniFileName());
    return {ini.ReadString(SectionData, QStringLiteral("UserName"), QStringLiteral("sysdba")),
            ini.ReadString(SectionData, QStringLiteral("Password"), QString::fromUtf16(ServerPassword))};
}

void LoadProxy()
{
    const TIniFile ini(IniFileName());
    SysRec.ProxyServer = ini.ReadString(SectionProxy, QStringLiteral("ProxyServer"), QString());
    SysRec.ProxyPort = ini.ReadInteger(SectionProxy, QStringLiteral("ProxyPort"), 0);
}

void SaveProxy()
{
    TIniFile ini(IniFileName());
    ini.WriteString(SectionProxy, QStringLiteral("ProxyServer"), SysRec.ProxyServer);
    ini.WriteInteger(SectionProxy, QStringLiteral("ProxyPort"), SysRec.ProxyPort);
}

void ApplyProxy()
{
    DataModule().KivHttp->ProxyServer = SysRec.ProxyServer;
    DataModule().KivHttp->ProxyPort = SysRec.ProxyPort;
}

std::unique_ptr<TSQLQuery> OpenQuery(const QString& sql)
{
    DataModule().EnsureSchema();
    auto query = std::make_unique<TSQLQuery>(DataModule().KivConn);
    query->SQL = sql;
    query->Open();
    return query;
}

int ExecSql(const QString& sql)
{
    DataModule().EnsureSchema();
    return DataModule().KivConn->ExecuteDirect(sql);
}

namespace {

QString SavepointName(int level)
{
    return QStringLiteral("MORVANE_WORK_%1").arg(level);
}

// Savepoint statements change no rows; the driver has no count to ask for.
void ExecSavepoint(TSQLConnection& conn, const QString& sql)
{
    QSqlQuery query(conn.Database());
    if (!query.exec(sql))
        conn.RaiseError(query, sql);
}

} // namespace

TKivTransaction::TKivTransaction() : FDM(&DataModule())
{
    if (QThread::currentThread() != FDM->thread())
        throw EInvalidOperation(QStringLiteral("A transaction runs on the thread of the data module only"));
    TSQLConnection& conn = *FDM->KivTranConn;
    FLevel = FDM->FTransactionDepth;
    // Work does not start on a server known to be away, unless it is back:
    // its host is asked for a moment only, so that the windows wait no
    // longer than that for one that does not answer.
    if (FDM->FDatabaseLost) {
        const auto server = DatabaseServerAddress(FDM->KivConn->ResolvedDatabaseName());
        if (!server || ServerAnswersNow(server->first, server->second, ServerAskMs))
            FDM->Reconnect();
    }
    if (FDM->FDatabaseLost)
        throw EDatabaseConnectionLost(TSQLConnection::ConnectionLostText());
    if (FLevel > 0) {
        if (!SameAttachment())
            throw EDatabaseConnectionLost(TSQLConnection::ConnectionLostText());
        ExecSavepoint(conn, QStringLiteral("savepoint ") + SavepointName(FLevel));
    } else {
        // The settings of the main connection may have changed since the
        // last transaction; a connection that is open keeps its database.
        if (!conn.Connected()) {
            conn.BaseDir = FDM->KivConn->BaseDir;
            conn.DatabaseSetting = FDM->KivConn->DatabaseSetting;
            for (const char* name : {"Database", "User_Name", "Password"})
                conn.SetParam(QString::fromLatin1(name), FDM->KivConn->Param(QString::fromLatin1(name)));
        }
        QSqlDatabase db = conn.Database();
        if (!db.transaction())
            conn.RaiseError(db.lastError());
        FDM->FTransactionAttachment = conn.Attachments();
    }
    ++FDM->FTransactionDepth;
    FActive = true;
}

TKivTransaction::~TKivTransaction()
{
    if (!FActive)
        return;
    FDM->FTransactionDepth = FLevel;
    TSQLConnection& conn = *FDM->KivTranConn;
    // A connection that dropped took its transaction with it.
    if (!SameAttachment())
        return;
    if (FLevel > 0) {
        try {
            ExecSavepoint(conn, QStringLiteral("rollback to savepoint ") + SavepointName(FLevel));
            ExecSavepoint(conn, QStringLiteral("release savepoint ") + SavepointName(FLevel));
        } catch (const EDatabaseError&) {
            // The enclosing work can no longer be whole: end it all.
            conn.Close();
        }
    } else if (!conn.Database().rollback()) {
        // The transaction is lost to the driver: dropping the attachment
        // rolls it back in the engine.
        conn.Close();
    }
}

TSQLConnection& TKivTransaction::Connection() const
{
    if (!FActive)
        throw EInvalidOperation(QStringLiteral("The transaction has ended"));
    // Work inside this one is still open: its statements would land there.
    if (FDM->FTransactionDepth != FLevel + 1)
        throw EInvalidOperation(QStringLiteral("A transaction inside this one is still open"));
    if (!SameAttachment())
        throw EDatabaseConnectionLost(TSQLConnection::ConnectionLostText());
    return *FDM->KivTranConn;
}

bool TKivTransaction::SameAttachment() const
{
    const TSQLConnection& conn = *FDM->KivTranConn;
    return conn.Connected() && conn.Attachments() == FDM->FTransactionAttachment;
}

int TKivTransaction::ExecSql(const QString& sql)
{
    return Connection().ExecuteDirect(sql);
}

std::unique_ptr<TSQLQuery> TKivTransaction::OpenQuery(const QString& sql)
{
    auto query = std::make_unique<TSQLQuery>(&Connection());
    query->SQL = sql;
    query->Open();
    return query;
}

void TKivTransaction::Commit()
{
    TSQLConnection& conn = Connection();
    if (FLevel > 0) {
        // Kept as part of the enclosing work, which commits or rolls back.
        ExecSavepoint(conn, QStringLiteral("release savepoint ") + SavepointName(FLevel));
        FActive = false;
        FDM->FTransactionDepth = FLevel;
        return;
    }
    QSqlDatabase db = conn.Database();
    FActive = false;
    FDM->FTransactionDepth = 0;
    if (!db.commit()) {
        // A commit the engine refused leaves its transaction open, beyond the
        // driver's reach: closing the attachment rolls it back.
        const auto close = qScopeGuard([&conn] { conn.Close(); });
        conn.RaiseError(db.lastError());
    }
}

bool IsEmptyResult(const QString& sql)
{
    return OpenQuery(sql)->IsEmpty();
}

int CountRecords(TDataSet& dataSet)
{
    int count = 0;
    dataSet.First();
    while (!dataSet.Eof()) {
        ++count;
        dataSet.Next();
    }
    dataSet.First();
    return count;
}

QString NextGen(const QString& generatorName)
{
    const auto query = OpenQuery(QStringLiteral("select GEN_ID(%1,1) \"Code\" from RDB$DATABASE").arg(QuotedName(generatorName)));
    return query->FieldByName(QStringLiteral("Code"))->AsString();
}

QString BoolText(bool flag)
{
    return flag ? QStringLiteral("1") : QStringLiteral("0");
}

QString NowStamp()
{
    return LocalNow().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
}

QString DateTimeText(const QDateTime& time)
{
    return time.toString(DateTimeFormat);
}

QDateTime DateTimeOf(const QString& text)
{
    return text.size() == 19 ? QDateTime::fromString(text, DateTimeFormat) : QDateTime();
}

QString EarlierDateTime(const QString& a, const QString& b)
{
    return a.isEmpty() ? b : b.isEmpty() ? a : std::min(a, b);
}

QDateTime PlatformMoment(const QString& text)
{
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"));
    return text.size() == 19 && text[10] == u' ' && date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

QString PlatformText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(DateTimeFormat) : QString();
}

QString PlatformSecsAfter(const QString& moment, qint64 secs)
{
    return PlatformText(PlatformMoment(moment).addSecs(secs));
}

QString GetParam(const QString& code, const QString& defaultValue)
{
    const QString bareCode = SqlInteger(code);
    const auto query = OpenQuery(QStringLiteral("select \"Value\" from \"SYS_Params\" where \"Code\" = %1").arg(bareCode));
    QString value = query->IsEmpty() ? QString() : query->FieldByName(QStringLiteral("Value"))->AsString();
    if (!value.isEmpty())
        return value;
    value = defaultValue;
    // A row whose value is empty is filled in; a second row for the code
    // would break the key of the table.
    if (query->IsEmpty())
        ExecSql(QStringLiteral("insert into \"SYS_Params\"(\"Code\",\"Value\") Values(%1,%2)").arg(bareCode, QuotedStr(defaultValue)));
    else
        ExecSql(QStringLiteral("update \"SYS_Params\" set \"Value\"=%1 where \"Code\" = %2").arg(QuotedStr(defaultValue), bareCode));
    return value;
}

void LoadApiSettings()
{
    SysRec.DebugEcho = GetParam(QStringLiteral("0"), QStringLiteral("0"));
    SysRec.Format = GetParam(QStringLiteral("2"), QStringLiteral("json"));
    SysRec.ApiVersion = GetParam(QStringLiteral("3"), QStringLiteral("2.0"));
    SysRec.SignMethod = GetParam(QStringLiteral("4"), QStringLiteral("md5"));
    SysRec.TqlUrl = GetParam(QStringLiteral("5"), QStringLiteral("http://gw.api.taobao.com/tql/2.0/json"));
    SysRec.RestUrl = GetParam(QStringLiteral("6"), QStringLiteral("http://gw.api.taobao.com/router/rest"));
    SysRec.StreamUrl = GetParam(QStringLiteral("7"), QStringLiteral("http://stream.api.taobao.com/stream"));
    SysRec.AuthorizeUrl = GetParam(QStringLiteral("11"), QStringLiteral("http://my.open.taobao.com/auth/authorize.htm?appkey="));
    SysRec.ContainerUrl = GetParam(QStringLiteral("12"), QStringLiteral("http://container.api.taobao.com/container?authcode="));
    SysRec.HomeUrl = GetParam(QStringLiteral("13"), QStringLiteral("http://my.open.taobao.com/"));
}

QString NextStockTime()
{
    return NextGen(QStringLiteral("GEN_StockTime"));
}

QString LoadStockTime(QString* notice)
{
    const QString next = NextStockTime();
    const QString stored = GetParam(QStringLiteral("1"), next);
    if (const auto period = StockPeriodOf(stored))
        return QString::number(*period);
    // No statement could use it: a new period begins, as without one.
    SetStockTimeParam(next);
    if (notice)
        *notice = SettingValueProblem(1, stored, QString::fromUtf16(SettingValueCaption)) + QStringLiteral("已改用新的库存期间%1。").arg(next);
    return next;
}

namespace {

const QString StockTimeSql = QStringLiteral("select ") + StockTimeColumnSql() + QStringLiteral(" \"Value\" from rdb$database");

QString StockTimeOf(const TSQLQuery& query)
{
    return CheckedStockTime(query.IsEmpty() || query.Fields(0)->IsNull() ? QString() : query.Fields(0)->AsString());
}

} // namespace

QString StockTimeColumnSql()
{
    return QStringLiteral("(select \"Value\" from \"SYS_Params\" where \"Code\" = 1)");
}

QString CheckedStockTime(const QString& stored)
{
    const auto period = StockPeriodOf(stored);
    if (!period)
        throw EConvertError(QStringLiteral("库存期间（代码1）无法使用，请重新登录！"));
    SysRec.StockTime = QString::number(*period);
    return SysRec.StockTime;
}

QString ReadStockTime()
{
    return StockTimeOf(*OpenQuery(StockTimeSql));
}

QString LockStockTime(TKivTransaction& transaction)
{
    transaction.ExecSql(QStringLiteral("update \"SYS_Params\" set \"Value\" = \"Value\" where \"Code\" = 1"));
    return StockTimeOf(*transaction.OpenQuery(StockTimeSql));
}

void SetStockTimeParam(const QString& value, TKivTransaction* transaction)
{
    const QString sql = QStringLiteral("update \"SYS_Params\" set \"Value\"=%1 where \"Code\" = 1").arg(QuotedStr(value));
    transaction ? transaction->ExecSql(sql) : ExecSql(sql);
}

QString LoadLowStock(QString* notice)
{
    const QString stored = GetParam(QStringLiteral("10"), QString::number(DefaultLowStock));
    if (const auto threshold = LowStockOf(stored))
        return QString::number(*threshold);
    // Kept as typed: the administrator is told, and mends it.
    if (notice)
        *notice = SettingValueProblem(10, stored, QString::fromUtf16(SettingValueCaption))
                  + QStringLiteral("本次登录按%1计算。").arg(DefaultLowStock);
    return QString::number(DefaultLowStock);
}

std::optional<qint64> StockPeriodOf(const QString& text)
{
    return SettingNumberOf(*RangeOf(1), text);
}

std::optional<int> LowStockOf(const QString& text)
{
    const auto threshold = SettingNumberOf(*RangeOf(10), text);
    return threshold ? std::optional<int>(int(*threshold)) : std::nullopt;
}

QString SettingValueProblem(int code, const QString& value, const QString& caption)
{
    const TSettingRange* range = RangeOf(code);
    if (!range || value.isEmpty() || SettingNumberOf(*range, value))
        return QString();
    const QString setting = QString::fromUtf16(range->Name) + QStringLiteral("（代码%1）：").arg(code);
    if (!IsSqlInteger(value.trimmed()))
        return setting + NotAValueText(caption, value, TValueKind::vkInteger);
    return setting + OutOfRangeText(caption, value, QString::number(range->Minimum), QString::number(range->Maximum));
}

void LoadStockSound(QByteArray& stream)
{
    LoadBlobParam(8, stream);
}

void LoadBalanceSound(QByteArray& stream)
{
    LoadBlobParam(9, stream);
}

QString GetShopSyncDate(const QString& shopCode)
{
    return StoredShopSyncDate(shopCode).value_or(QString());
}

std::optional<QString> StoredShopSyncDate(const QString& shopCode)
{
    const auto query = OpenQuery(QStringLiteral("select \"SyncDate\" from \"SYS_Shop\" where \"Code\" = %1").arg(QuotedStr(shopCode)));
    return query->IsEmpty() ? std::nullopt : std::optional<QString>(query->FieldByName(QStringLiteral("SyncDate"))->AsString());
}

void SetShopSyncDate(const QString& syncDate, const QString& shopCode, TKivTransaction* transaction)
{
    const QString sql =
        QStringLiteral("update \"SYS_Shop\" set \"SyncDate\" = %1 where \"Code\" = %2").arg(QuotedStr(syncDate), QuotedStr(shopCode));
    transaction ? transaction->ExecSql(sql) : ExecSql(sql);
}

QString LastOutDate(const QString& shopCode)
{
    const auto query = OpenQuery(QStringLiteral("select max(\"Date\") \"Date\" from \"KivItemOut\" where \"ShopCode\" = %1").arg(QuotedStr(shopCode)));
    const TField* date = query->FieldByName(QStringLiteral("Date"));
    return date->IsNull() ? GetShopSyncDate(shopCode) : date->AsString();
}

namespace {

// Whether statements may be tried now: while the server is away, every
// try would wait for a connection first.
bool DatabaseAnswers()
{
    return KivDM && !KivDM->DatabaseLost();
}

TOutGap StoredOutGap(const QString& shopCode)
{
    if (!DatabaseAnswers())
        return {};
    try {
        const auto query =
            OpenQuery(QStringLiteral("select \"GapFrom\", \"Marks\", \"LatestMark\" from \"KivOutGap\" where \"ShopCode\" = ")
                      + QuotedStr(shopCode));
        if (query->IsEmpty())
            return {QString(), 0, QString(), true};
        return {query->FieldByName(QStringLiteral("GapFrom"))->AsString(), query->FieldByName(QStringLiteral("Marks"))->AsInteger(),
                query->FieldByName(QStringLiteral("LatestMark"))->AsString(), true};
    } catch (const EDatabaseError&) {
        return {};
    }
}

// Gives the shop a row with the moment, unless it has one; a shop that is
// not stored (deleted at another seat meanwhile) gets none.
void InsertOutGapIfNone(const QString& shopCode, const QString& from, int marks, const QString& latestMark)
{
    const QString shop = QuotedStr(shopCode);
    ExecSql(QStringLiteral("insert into \"KivOutGap\"(\"ShopCode\",\"GapFrom\",\"Marks\",\"LatestMark\") select ") + shop + u','
            + QuotedStr(from) + u',' + QString::number(marks) + u',' + (latestMark.isEmpty() ? QStringLiteral("null") : QuotedStr(latestMark))
            + QStringLiteral(" from \"SYS_Shop\" where \"Code\" = ") + shop
            + QStringLiteral(" and not exists (select 1 from \"KivOutGap\" where \"ShopCode\" = ") + shop + u')');
}

} // namespace

TOutGap ReadOutGap(const QString& shopCode)
{
    TOutGap gap = StoredOutGap(shopCode);
    const auto pending = PendingOutGaps().find(shopCode);
    if (pending != PendingOutGaps().end()) {
        // A mark not stored yet: no advance can be sound until it is.
        gap.From = EarlierDateTime(gap.From, pending->second.Earliest);
        gap.LatestMark = std::max(gap.LatestMark, pending->second.Latest);
        gap.Known = false;
    }
    return gap;
}

QString OutGapFrom(const QString& shopCode)
{
    return ReadOutGap(shopCode).From;
}

int OutGapMarks(const QString& shopCode)
{
    const TOutGap gap = ReadOutGap(shopCode);
    return gap.Known ? gap.Marks : -1;
}

QString EnsureOutGap(const QString& shopCode, const QString& from)
{
    if (!from.isEmpty())
        InsertOutGapIfNone(shopCode, from, 0, QString());
    return OutGapFrom(shopCode);
}

QString OutGapMarkSql(const QString& shopCode, const QString& from, const QString& latest)
{
    QString moved;
    if (!from.isEmpty()) {
        const QString last = QuotedStr(latest.isEmpty() ? from : latest);
        moved = QStringLiteral("\"GapFrom\" = case when \"GapFrom\" > %1 then %1 else \"GapFrom\" end, ").arg(QuotedStr(from))
                + QStringLiteral("\"LatestMark\" = case when \"LatestMark\" >= %1 then \"LatestMark\" else %1 end, ").arg(last);
    }
    return QStringLiteral("update \"KivOutGap\" set ") + moved + QStringLiteral("\"Marks\" = \"Marks\" + 1 where \"ShopCode\" = ")
           + QuotedStr(shopCode);
}

bool MarkOutGap(const QString& shopCode, const QString& from)
{
    const QString current = OutGapFrom(shopCode);
    auto& pending = PendingOutGaps();
    const auto held = pending.find(shopCode);
    if (held == pending.end())
        pending[shopCode] = {from, from};
    else
        held->second = {EarlierDateTime(held->second.Earliest, from), std::max(held->second.Latest, from)};
    StoreOutGaps();
    if (KivDM)
        Q_EMIT KivDM->RecordIncomplete(shopCode, EarlierDateTime(current, from));
    return !from.isEmpty() && (current.isEmpty() || from < current);
}

bool AdvanceOutGap(const QString& shopCode, const QString& from, const QString& to, int marks)
{
    // A mark not stored yet lies before the stored moment.
    StoreOutGaps();
    if (from.isEmpty() || to <= from || marks < 0 || PendingOutGaps().count(shopCode) > 0 || !DatabaseAnswers())
        return false;
    try {
        return ExecSql(QStringLiteral("update \"KivOutGap\" set \"GapFrom\" = ") + QuotedStr(to) + QStringLiteral(" where \"ShopCode\" = ")
                       + QuotedStr(shopCode) + QStringLiteral(" and \"GapFrom\" >= ") + QuotedStr(from)
                       + QStringLiteral(" and \"GapFrom\" < ") + QuotedStr(to) + QStringLiteral(" and \"Marks\" = ") + QString::number(marks))
               > 0;
    } catch (const EDatabaseError&) {
        // The moment stays; what was read is read again next time.
        return false;
    }
}

void StoreOutGaps()
{
    auto& pending = PendingOutGaps();
    if (!DatabaseAnswers())
        return;
    for (auto gap = pending.begin(); gap != pending.end();) {
        try {
            const auto& [shopCode, marks] = *gap;
            // A shop without a row yet gets one that counts the mark.
            if (ExecSql(OutGapMarkSql(shopCode, marks.Earliest, marks.Latest)) == 0 && !marks.Earliest.isEmpty())
                InsertOutGapIfNone(shopCode, marks.Earliest, 1, marks.Latest);
            gap = pending.erase(gap);
        } catch (const EDatabaseError&) {
            ++gap;
        }
    }
}

QString EarliestQueuedLine(const QString& shopCode)
{
    QString earliest;
    const std::lock_guard lock(EventQueueLock);
    for (const std::unique_ptr<TMsgRec>& record : EventQueue)
        if (record->LineShopCode == shopCode)
            earliest = EarlierDateTime(earliest, record->LineDate);
    return earliest;
}

void FillUserList(QStringList& list)
{
    const auto query = OpenQuery(QStringLiteral("select \"Code\" from \"SYS_User\" where \"Code\" <> %1").arg(QuotedStr(QStringLiteral("admin"))));
    for (; !query->Eof(); query->Next())
        list << query->FieldByName(QStringLiteral("Code"))->AsString();
}

QString GetUserPassword(const QString& userCode)
{
    const auto query = OpenQuery(QStringLiteral("select \"Password\" from \"SYS_User\" where \"Code\" = %1").arg(QuotedStr(userCode)));
    return query->IsEmpty() ? QString() : query->FieldByName(QStringLiteral("Password"))->AsString();
}

int SetUserPassword(const QString& userCode, const QString& hash)
{
    return ExecSql(QStringLiteral("update \"SYS_User\" set \"Password\" = %1 where \"Code\" = %2").arg(QuotedStr(hash), QuotedStr(userCode)));
}
