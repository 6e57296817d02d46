// The end of the user's session (SIGTERM as the desktop logs out, SIGINT
// from a terminal) ends the program promptly and cleanly, with status 0:
// the real program at any moment of its start and at its login, and the
// program logged in while a monitor runs and its catch-up waits for a
// platform that does not answer.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivMain.h"
#include "client/KivLogin.h"
#include "support/ChildProcess.h"
#include "support/DialogAnswers.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace {

const QString EndDirVariable = u"MORVANE_END_DIR"_qs;
const QString ShownFile = u"shown.txt"_qs;

// The program as main() runs it, in the program folder MORVANE_END_DIR,
// where the administrator logs in. Nobody answers anything else: every
// message shown is recorded, and so is every line of the monitor logs, in
// the folder's "shown.txt" once the run is over.
int LoggedInProgram()
{
    const QString dir = qEnvironmentVariable(qPrintable(EndDirVariable));
    InitKivResources();
    TDialogAnswers answers;
    LogInAsAdministrator(answers);
    QStringList shown;
    QTimer watch;
    WatchMonitorLogs(watch, [&shown](const QString& line) { shown << line; });
    const int code = RunKiv(dir);
    shown << answers.Texts();
    QFile file(dir + u'/' + ShownFile);
    if (!file.open(QIODevice::WriteOnly))
        return 4;
    file.write(shown.join(u'\n').toUtf8());
    return code;
}
const bool LoggedInProgramRegistered = RegisterTestChild("logged-in-program", LoggedInProgram, true);

// One line of the process's status in /proc (of its first thread), as the
// signal set it shows.
quint64 SignalSet(int pid, const QByteArray& name)
{
    QFile status(u"/proc/%1/status"_qs.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().toULongLong(nullptr, 16);
    return 0;
}

bool Has(quint64 set, int signal)
{
    return (set >> (signal - 1)) & 1;
}

// The process holds the file open: the database engine has attached it.
bool HasOpen(int pid, const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(u"/proc/%1/fd"_qs.arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == target)
            return true;
    return false;
}

bool Poll(const std::function<bool()>& condition, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (condition())
            return true;
        QThread::msleep(5);
    }
    return condition();
}

// Generous, yet shorter than a platform call's read time-out: a call that
// the end does not cut shows.
constexpr int EndWithinMs = 20000;
// Generous: the program's start under the sanitizers.
constexpr int StartWithinMs = 60000;

class EndSignalTest : public AppTest {
protected:
    // The program file itself, in the test's folder: its settings and
    // database lie beside it. The program has the database to itself.
    QString Program()
    {
        FDM.reset();
        const QString program = TempPath(u"morvane"_qs);
        const QString built = BinaryDir() + u"/app/morvane"_qs;
        if (!QFile::exists(program) && ::link(qPrintable(built), qPrintable(program)) != 0)
            QFile::copy(built, program);
        return program;
    }
};

bool EndsCleanly(int pid)
{
    const TProcessEnd end = WaitProcess(pid, EndWithinMs);
    return !end.Signalled && end.Code == 0;
}

TEST_F(EndSignalTest, ASignalAtAnyMomentOfTheStartEndsTheProgram)
{
    const QString program = Program();

    // At once after the start: the program may not have begun yet, and then
    // the signal's own action ends it; whatever it was doing, it ends.
    const int atOnce = StartProcess({program});
    ASSERT_GT(atOnce, 0);
    ::kill(atOnce, SIGTERM);
    const TProcessEnd atOnceEnd = WaitProcess(atOnce, EndWithinMs);
    EXPECT_TRUE(atOnceEnd.Signalled ? atOnceEnd.Code == SIGTERM : atOnceEnd.Code == 0) << atOnceEnd.Signalled << ' ' << atOnceEnd.Code;

    // As the database engine attaches the database, the moment it takes the
    // signals for itself.
    const int atAttach = StartProcess({program});
    ASSERT_GT(atAttach, 0);
    ASSERT_TRUE(Poll([&] { return HasOpen(atAttach, DatabasePath()); }, StartWithinMs));
    ::kill(atAttach, SIGINT);
    EXPECT_TRUE(EndsCleanly(atAttach));

    // At the login: the database is attached and the program lets the
    // signals in again, with its own handler in place.
    const int atLogin = StartProcess({program});
    ASSERT_GT(atLogin, 0);
    ASSERT_TRUE(Poll([&] {
        return HasOpen(atLogin, DatabasePath()) && Has(SignalSet(atLogin, "SigCgt"), SIGINT)
               && !Has(SignalSet(atLogin, "SigBlk"), SIGINT);
    }, StartWithinMs));
    QThread::msleep(500);
    ::kill(atLogin, SIGINT);
    EXPECT_TRUE(EndsCleanly(atLogin));

    // None of the ends harmed the database.
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_User\" where \"Code\" = 'admin'"_qs), u"1"_qs);
}

TEST_F(EndSignalTest, TheSessionsEndEndsTheProgramWhileAMonitorCatchesUp)
{
    TPlatformSim sim;
    StartSim(sim, StationeryCatalogue);
    AddSimShopRows();
    ExecSql(u"update \"SYS_Shop\" set \"AutoMonitor\" = 1, \"SyncDate\" = '2024-06-01 11:00:00'"_qs);
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(5,"_qs + QuotedStr(sim.TqlUrl()) + u")"_qs);
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(7,"_qs + QuotedStr(sim.StreamUrl()) + u")"_qs);
    FDM.reset(); // the program has the database to itself
    const QString dir = TempPath(QString());

    // The shop monitors from the start; its catch-up waits for the
    // platform's time, which does not come.
    sim.SetFault(u"hold"_qs, 0, -1, u"taobao.time.get"_qs);
    const int loggedIn = StartTestChildProcess("logged-in-program", {EndDirVariable + u'=' + dir});
    ASSERT_GT(loggedIn, 0);
    const bool monitoring = Poll([&] { return sim.StreamOpen() == 1 && sim.Held() > 0; }, StartWithinMs);
    ::kill(loggedIn, SIGTERM);
    const TProcessEnd end = WaitProcess(loggedIn, EndWithinMs);
    sim.Release();
    ASSERT_TRUE(monitoring);
    EXPECT_TRUE(!end.Signalled && end.Code == 0) << end.Signalled << ' ' << end.Code;
    QFile shown(TempPath(ShownFile));
    ASSERT_TRUE(shown.open(QIODevice::ReadOnly));
    // The catch-up stopped and left its window to the next one, the monitor
    // stopped as its stop does, and nobody was asked anything.
    EXPECT_EQ(QString::fromUtf8(shown.readAll()),
              u"  1|监控开始\n  2|连接成功\n  3|中断交易数据同步已停止，自2024-06-01 11:00:01起的交易待补录\n  4|监控停止"_qs);

    // Both ends left a database that opens.
    FDM = std::make_unique<TKivDM>(dir);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Shop\" where \"AutoMonitor\" = 1"_qs), u"1"_qs);
}

} // namespace
