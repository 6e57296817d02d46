#include "ClientTestSupport.h"

#include "platform/Exceptions.h"
#include "platform/IniFile.h"
#include "platform/SqlText.h"

#include <QFile>

namespace {

// A data module in the test's own folder, whose database is the fresh file.
class DataModuleTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
    }
    void TearDown() override { FDM.reset(); }


    std::unique_ptr<TKivDM> FDM;
};

using DataModuleFolderTest = TempDirTest;

} // namespace

TEST_F(DataModuleFolderTest, FreshFolderGetsDefaultIniNothingOpensAndOneModuleAtATime)
{
    TKivDM dm(TempPath(QString()));
    QFile ini(TempPath(u"KivSets.ini"_qs));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(ini.readAll()), QStringLiteral("[Proxy]\nProxyServer=\nProxyPort=0\n[Data]\nDataFile=Kiv.fdb\n"));
    EXPECT_EQ(dm.KivConn->Param(u"Database"_qs), QStringLiteral("Kiv.fdb"));
    EXPECT_EQ(dm.KivConn->ResolvedDatabaseName(), TempPath(u"Kiv.fdb"_qs));
    EXPECT_EQ(dm.KivConn->Param(u"User_Name"_qs), QStringLiteral("sysdba"));
    EXPECT_EQ(dm.KivConn->Param(u"Password"_qs), QStringLiteral("quillrest"));
    EXPECT_FALSE(dm.KivConn->Connected());
    EXPECT_EQ(AppDir, TempPath(QString()) + u'/');
    EXPECT_THROW(TKivDM second(TempPath(QString())), EInvalidOperation);
    EXPECT_EQ(KivDM, &dm);
}

TEST_F(DataModuleFolderTest, MissingDatabaseRaisesAtFirstStatementAndWritesNothing)
{
    TKivDM dm(TempPath(QString()));
    try {
        FillUserList(*std::make_unique<QStringList>());
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(u"Kiv.fdb"_qs)) << e.what();
    }
    EXPECT_FALSE(QFile::exists(TempPath(u"Kiv.fdb"_qs)));
}

TEST_F(DataModuleFolderTest, ServerLoginComesFromTheIniFileAndAnUnreachableServerRaises)
{
    TIniFile ini(TempPath(u"KivSets.ini"_qs));
    ini.WriteString(u"Data"_qs, u"DataFile"_qs, u"127.0.0.1/1:/nowhere/x.fdb"_qs);
    ini.WriteString(u"Data"_qs, u"UserName"_qs, u"seat2"_qs);
    ini.WriteString(u"Data"_qs, u"Password"_qs, u"s3cret"_qs);
    TKivDM dm(TempPath(QString()));
    EXPECT_EQ(dm.KivConn->ResolvedDatabaseName(), QStringLiteral("127.0.0.1/1:/nowhere/x.fdb"));
    EXPECT_EQ(dm.KivConn->Param(u"User_Name"_qs), QStringLiteral("seat2"));
    EXPECT_EQ(dm.KivConn->Param(u"Password"_qs), QStringLiteral("s3cret"));
    try {
        (void)GetUserPassword(u"admin"_qs);
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_FALSE(e.Message().isEmpty());
    }
}

TEST_F(DataModuleTest, FirstLoginInsertsDefaultsInOrderAndSecondInsertsNothing)
{
    const QString stock = LoadStockTime();
    (void)LoadLowStock();
    LoadApiSettings();
    const auto rows = OpenQuery(u"select \"Code\", \"Value\" from \"SYS_Params\" order by \"Code\""_qs);
    QStringList codes;
    for (; !rows->Eof(); rows->Next())
        codes << rows->FieldByName(u"Code"_qs)->AsString();
    EXPECT_EQ(codes.join(u','), QStringLiteral("0,1,2,3,4,5,6,7,10,11,12,13"));
    EXPECT_EQ(stock, QStringLiteral("1"));
    EXPECT_EQ(SysRec.SignMethod, QStringLiteral("md5"));

    // Second login: the stored period wins, but the generator still advances.
    EXPECT_EQ(LoadStockTime(), QStringLiteral("1"));
    LoadApiSettings();
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Params\""_qs), QStringLiteral("12"));
    EXPECT_EQ(NextStockTime(), QStringLiteral("3"));
}

TEST_F(DataModuleTest, GetParamFillsAnEmptyRowAndNonIntegerStockSettingsAreReplaced)
{
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(4,'')"_qs);
    EXPECT_EQ(GetParam(u"4"_qs, u"md5"_qs), QStringLiteral("md5"));
    EXPECT_EQ(Scalar(u"select count(*) || ':' || max(\"Value\") from \"SYS_Params\" where \"Code\" = 4"_qs), QStringLiteral("1:md5"));
    ExecSql(u"update \"SYS_Params\" set \"Value\"='sha' where \"Code\" = 4"_qs);
    EXPECT_EQ(GetParam(u"4"_qs, u"md5"_qs), QStringLiteral("sha"));
    EXPECT_THROW(GetParam(u"4 or 1=1"_qs, u"x"_qs), EConvertError);

    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(1,'5; delete from x')"_qs);
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(10,'ten')"_qs);
    EXPECT_EQ(LoadStockTime(), QStringLiteral("1"));
    EXPECT_EQ(LoadLowStock(), QStringLiteral("10"));
    // The stock period starts anew; the threshold is kept for the administrator to mend.
    EXPECT_EQ(Scalar(u"select list(\"Value\") from (select \"Value\" from \"SYS_Params\" where \"Code\" in (1, 10) order by \"Code\")"_qs), QStringLiteral("1,ten"));
    SetStockTimeParam(u"17"_qs);
    EXPECT_EQ(LoadStockTime(), QStringLiteral("17"));
}

TEST_F(DataModuleTest, SoundsAreCopiedOnlyWhenStored)
{
    QByteArray stream;
    LoadStockSound(stream);
    EXPECT_TRUE(stream.isEmpty());
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(9,'')"_qs);
    LoadBalanceSound(stream);
    EXPECT_TRUE(stream.isEmpty());
    // A binary blob can only be written from hex text here.
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"BlobValue\") values(8, x'52494646000100FF')"_qs);
    LoadStockSound(stream);
    EXPECT_EQ(stream, QByteArray::fromHex("52494646000100FF"));
}

TEST_F(DataModuleTest, UsersAndPasswords)
{
    ExecSql(u"insert into \"SYS_User\"(\"Code\",\"Password\") values('张三','ABC')"_qs);
    ExecSql(u"insert into \"SYS_User\"(\"Code\",\"Password\") values('o''brien',null)"_qs);
    QStringList users;
    FillUserList(users);
    users.sort();
    EXPECT_EQ(users, (QStringList{u"o'brien"_qs, u"张三"_qs}));
    EXPECT_EQ(GetUserPassword(u"张三"_qs), QStringLiteral("ABC"));
    EXPECT_EQ(GetUserPassword(u"o'brien"_qs), QString());
    EXPECT_EQ(GetUserPassword(u"nobody"_qs), QString());
    EXPECT_EQ(SetUserPassword(u"o'brien"_qs, u"H"_qs), 1);
    EXPECT_EQ(SetUserPassword(u"nobody"_qs, u"H"_qs), 0);
    EXPECT_EQ(GetUserPassword(u"o'brien"_qs), QStringLiteral("H"));
}

TEST_F(DataModuleTest, HostileTextsRoundTripUnchanged)
{
    const QStringList texts{u"O'Reilly \"quoted\""_qs, u"back\\slash %d %1 _"_qs, u"中文店铺😀"_qs, u"'); drop table \"SYS_Shop\"; --"_qs};
    int i = 0;
    for (const QString& text : texts) {
        const QString code = u"s"_qs + QString::number(i++);
        ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\") values("_qs + QuotedStr(code) + u',' + QuotedStr(text) + u')');
        SetShopSyncDate(text, code);
        EXPECT_EQ(GetShopSyncDate(code), text);
        EXPECT_EQ(Scalar(u"select \"Name\" from \"SYS_Shop\" where \"Code\" = "_qs + QuotedStr(code)), text);
    }
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Shop\""_qs), QStringLiteral("4"));
}

TEST_F(DataModuleTest, LastOutDateFallsBackToSyncDate)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"SyncDate\") values('S1','2026-01-01 00:00:00')"_qs);
    EXPECT_EQ(LastOutDate(u"S1"_qs), QStringLiteral("2026-01-01 00:00:00"));
    ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"Date\") values('S1','2026-02-03 04:05:06')"_qs);
    ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"Date\") values('S1','2026-02-01 00:00:00')"_qs);
    ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"Date\") values('S2','2027-01-01 00:00:00')"_qs);
    EXPECT_EQ(LastOutDate(u"S1"_qs), QStringLiteral("2026-02-03 04:05:06"));
    EXPECT_EQ(LastOutDate(u"none"_qs), QString());
}

TEST_F(DataModuleTest, HelpersReportRowsAndGenerators)
{
    EXPECT_TRUE(IsEmptyResult(u"select 1 from \"SYS_Shop\""_qs));
    EXPECT_FALSE(IsEmptyResult(u"select 1 from \"SYS_User\""_qs));
    EXPECT_EQ(ExecSql(u"update \"SYS_Shop\" set \"Name\" = 'x'"_qs), 0);
    EXPECT_EQ(NextGen(u"GEN_KivItemIn_ID"_qs), QStringLiteral("1"));
    EXPECT_EQ(NextGen(u"GEN_KivItemIn_ID"_qs), QStringLiteral("2"));
    const auto q = OpenQuery(u"select \"Code\" from \"SYS_User\""_qs);
    EXPECT_EQ(CountRecords(*q), 1);
    EXPECT_FALSE(q->Eof());
    EXPECT_THROW(OpenQuery(u"select nonsense from nowhere"_qs), EDatabaseError);
    EXPECT_EQ(DateTimeText(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))), QStringLiteral("2026-01-02 03:04:05"));
    // Read back only in that very form: anything else would not order as text.
    EXPECT_EQ(DateTimeOf(u"2026-01-02 03:04:05"_qs), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    for (const QString& other : {u"2026-1-2 03:04:05"_qs, u"2026-01-02 03:04:05.000"_qs, u"2026-02-30 03:04:05"_qs, u"1717214400"_qs})
        EXPECT_FALSE(DateTimeOf(other).isValid()) << other.toStdString();
    EXPECT_EQ(EarlierDateTime(u"2026-01-02 03:04:05"_qs, u"2025-12-31 23:59:59"_qs), u"2025-12-31 23:59:59"_qs);
    EXPECT_EQ(EarlierDateTime(QString(), u"2026-01-02 03:04:05"_qs), u"2026-01-02 03:04:05"_qs);
}

TEST_F(DataModuleTest, TransactionKeepsToItselfAndRollsBackUnlessCommitted)
{
    const auto codes = [this] { return Scalar(u"select list(\"Code\", ',') from (select \"Code\" from \"SYS_Shop\" order by 1)"_qs); };
    const auto insert = [](TKivTransaction& tran, const char* code) {
        return tran.ExecSql(u"insert into \"SYS_Shop\"(\"Code\") values("_qs + QuotedStr(QString::fromLatin1(code)) + u')');
    };
    try {
        TKivTransaction tran;
        EXPECT_EQ(insert(tran, "A"), 1);
        // An autocommit write meanwhile is the main connection's own.
        EXPECT_EQ(ExecSql(u"insert into \"SYS_Shop\"(\"Code\") values('B')"_qs), 1);
        EXPECT_EQ(tran.OpenQuery(u"select count(*) from \"SYS_Shop\" where \"Code\" = 'A'"_qs)->Fields(0)->AsString(), QStringLiteral("1"));
        EXPECT_EQ(codes(), QStringLiteral("B"));
        {
            // Work inside it undoes only its own statements.
            TKivTransaction inner;
            EXPECT_THROW(insert(tran, "X"), EInvalidOperation);
            insert(inner, "C");
        }
        {
            TKivTransaction inner;
            insert(inner, "D");
            inner.Commit();
        }
        EXPECT_EQ(tran.OpenQuery(u"select list(\"Code\") from \"SYS_Shop\" where \"Code\" <> 'B'"_qs)->Fields(0)->AsString(), QStringLiteral("A,D"));
        throw EConvertError(u"bad value"_qs);
    } catch (const EConvertError&) {
    }
    EXPECT_EQ(codes(), QStringLiteral("B"));

    TKivTransaction tran;
    EXPECT_EQ(tran.ExecSql(u"update \"SYS_Shop\" set \"Name\" = 'b' where \"Code\" = 'B'"_qs), 1);
    EXPECT_THROW(insert(tran, "B"), EDatabaseError);
    insert(tran, "E");
    tran.Commit();
    EXPECT_EQ(codes(), QStringLiteral("B,E"));
    EXPECT_EQ(Scalar(u"select \"Name\" from \"SYS_Shop\" where \"Code\" = 'B'"_qs), QStringLiteral("b"));
    EXPECT_THROW(tran.ExecSql(u"delete from \"SYS_Shop\""_qs), EInvalidOperation);
}

TEST_F(DataModuleTest, TheRecordsMomentMovesBackAtOnceAndForwardOnlyOverWhatWasReadFromIt)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\") values('S1')"_qs);
    EXPECT_EQ(OutGapFrom(u"S1"_qs), QString());
    EXPECT_EQ(EnsureOutGap(u"S1"_qs, u"2024-06-01 12:00:00"_qs), u"2024-06-01 12:00:00"_qs);
    // A shop that has a moment keeps it.
    EXPECT_EQ(EnsureOutGap(u"S1"_qs, u"2024-05-01 00:00:00"_qs), u"2024-06-01 12:00:00"_qs);
    // Forward only from within: a window that starts after the moment, or
    // ends before it, moves nothing.
    const int unmarked = OutGapMarks(u"S1"_qs);
    EXPECT_EQ(unmarked, 0);
    EXPECT_FALSE(AdvanceOutGap(u"S1"_qs, u"2024-06-01 12:00:01"_qs, u"2024-06-01 13:00:00"_qs, unmarked));
    EXPECT_FALSE(AdvanceOutGap(u"S1"_qs, u"2024-06-01 11:00:00"_qs, u"2024-06-01 12:00:00"_qs, unmarked));
    EXPECT_TRUE(AdvanceOutGap(u"S1"_qs, u"2024-06-01 11:00:00"_qs, u"2024-06-01 12:30:00"_qs, unmarked));
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:30:00"_qs);
    // Back at once; a later moment changes nothing but is counted.
    EXPECT_TRUE(MarkOutGap(u"S1"_qs, u"2024-06-01 12:10:00"_qs));
    EXPECT_FALSE(MarkOutGap(u"S1"_qs, u"2024-06-01 12:20:00"_qs));
    EXPECT_EQ(OutGapMarks(u"S1"_qs), unmarked + 2);
    EXPECT_EQ(Scalar(u"select \"GapFrom\" from \"KivOutGap\" where \"ShopCode\" = 'S1'"_qs), u"2024-06-01 12:10:00"_qs);
    // Whoever read the count before a mark moves nothing; who read it after does.
    EXPECT_FALSE(AdvanceOutGap(u"S1"_qs, u"2024-06-01 12:00:00"_qs, u"2024-06-01 12:40:00"_qs, unmarked));
    EXPECT_TRUE(AdvanceOutGap(u"S1"_qs, u"2024-06-01 12:10:00"_qs, u"2024-06-01 12:20:00"_qs, unmarked + 2));
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:20:00"_qs);
    // Other shops are apart; one that is not stored (deleted at another
    // seat) gets no moment, marked or not.
    EXPECT_EQ(OutGapFrom(u"S2"_qs), QString());
    EXPECT_EQ(EnsureOutGap(u"S2"_qs, u"2024-06-01 12:00:00"_qs), QString());
    MarkOutGap(u"S2"_qs, u"2024-06-01 12:00:00"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivOutGap\" where \"ShopCode\" = 'S2'"_qs), u"0"_qs);

    // The trade lines still queued hold it back too.
    auto record = std::make_unique<TMsgRec>();
    record->LineShopCode = u"S1"_qs;
    record->LineDate = u"2024-06-01 12:15:00"_qs;
    EventQueue.push_back(std::move(record));
    EXPECT_EQ(EarliestQueuedLine(u"S1"_qs), u"2024-06-01 12:15:00"_qs);
    EXPECT_EQ(EarliestQueuedLine(u"S2"_qs), QString());
    EventQueue.clear();

    // It outlives the program.
    FDM.reset();
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:20:00"_qs);
    EXPECT_EQ(OutGapMarks(u"S1"_qs), unmarked + 2);
}

TEST_F(DataModuleTest, ADatabaseMadeBeforeTheGapRecordGetsItWhenOpenedAndLosesNoRow)
{
    // A database of an older program: no "KivOutGap", rows of its own.
    ExecSql(u"drop table \"KivOutGap\""_qs);
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"SyncDate\") values('S1','店','2024-06-01 12:00:00')"_qs);
    const QString users = Scalar(u"select count(*) from \"SYS_User\""_qs);
    const QString layouts = Scalar(u"select count(*) from \"SYS_Fields\""_qs);
    ASSERT_EQ(Scalar(u"select 1 from rdb$relations where rdb$relation_name = 'KivOutGap'"_qs), u"<none>"_qs);
    FDM.reset();

    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    EXPECT_EQ(Scalar(u"select \"Name\" || '/' || \"SyncDate\" from \"SYS_Shop\""_qs), u"店/2024-06-01 12:00:00"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_User\""_qs), users);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Fields\""_qs), layouts);
    EXPECT_TRUE(MarkOutGap(u"S1"_qs, u"2024-06-01 12:00:01"_qs));
    FDM.reset();
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:00:01"_qs);

    // The table as the full schema makes it.
    const QString columns = u"select list(trim(f.rdb$field_name) || ':' || t.rdb$field_type || ':' || coalesce(t.rdb$field_length, 0) || ':' "
                            "|| coalesce(f.rdb$null_flag, 0), ',') from (select * from rdb$relation_fields where rdb$relation_name = "
                            "'KivOutGap' order by rdb$field_position) f join rdb$fields t on t.rdb$field_name = f.rdb$field_source"_qs;
    const QString upgraded = Scalar(columns);
    FDM.reset();
    CreateTestDatabase(DatabasePath());
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    EXPECT_EQ(upgraded, Scalar(columns));
    EXPECT_FALSE(upgraded.isEmpty());

    // A database whose record of the moments counts no marks yet: it gets
    // the count, and keeps its moments.
    ExecSql(u"alter table \"KivOutGap\" drop \"Marks\", drop \"LatestMark\""_qs);
    ExecSql(u"insert into \"KivOutGap\"(\"ShopCode\",\"GapFrom\") values('S1','2024-06-01 12:00:01')"_qs);
    FDM.reset();
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    EXPECT_EQ(OutGapFrom(u"S1"_qs), u"2024-06-01 12:00:01"_qs);
    EXPECT_EQ(OutGapMarks(u"S1"_qs), 0);
    EXPECT_EQ(Scalar(columns), upgraded);
}
