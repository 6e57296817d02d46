// The end of the user's session (SIGTERM as the desktop logs out, SIGINT
// from a terminal) ends the program promptly and cleanly, with status 0:
// the real program at its login, and the program logged in while a monitor
// runs and its catch-up waits for a platform that does not answer.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivMain.h"
#include "client/KivLogin.h"
#include "support/ChildProcess.h"
#include "support/DialogAnswers.h"

#include <QComboBox>
#include <QFile>
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
    answers.Modal = [](QDialog& dialog) {
        auto* login = dynamic_cast<TLoginKiv*>(&dialog);
        if (!login)
            return int(QDialog::Rejected);
        login->show();
        login->ComboBoxUser->setEditText(u"admin"_qs);
        login->BitBtnLogin->click();
        return login->result();
    };
    QStringList shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (const QPointer<QListWidget>& box : MonitorLogBoxes) {
            if (!box || box->property("watched").toBool())
                continue;
            box->setProperty("watched", true);
            for (int row = 0; row < box->count(); ++row)
                shown << box->item(row)->text();
            QObject::connect(box->model(), &QAbstractItemModel::rowsInserted, box, [&shown, list = box.data()](const QModelIndex&, int first, int last) {
                for (int row = first; row <= last; ++row)
                    shown << list->item(row)->text();
            });
        }
    });
    watch.start(5);
    const int code = RunKiv(dir);
    shown << answers.Texts();
    QFile file(dir + u'/' + ShownFile);
    if (!file.open(QIODevice::WriteOnly))
        return 4;
    file.write(shown.join(u'\n').toUtf8());
    return code;
}
const bool LoggedInProgramRegistered = RegisterTestChild("logged-in-program", LoggedInProgram, true);

// The process has its own handler for the signal in force.
bool CatchesSignal(int pid, int signal)
{
    QFile status(u"/proc/%1/status"_qs.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

bool Poll(const std::function<bool()>& condition, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return condition();
}

class EndSignalTest : public AppTest {};

TEST_F(EndSignalTest, TheSessionsEndEndsTheProgramAtTheLoginAndWhileAMonitorCatchesUp)
{
    TPlatformSim sim;
    StartSim(sim, StationeryCatalogue);
    AddSimShopRows();
    ExecSql(u"update \"SYS_Shop\" set \"AutoMonitor\" = 1, \"SyncDate\" = '2024-06-01 11:00:00'"_qs);
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(5,"_qs + QuotedStr(sim.TqlUrl()) + u")"_qs);
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(7,"_qs + QuotedStr(sim.StreamUrl()) + u")"_qs);
    FDM.reset(); // the program has the database to itself
    const QString dir = TempPath(QString());
    // Generous, yet shorter than a platform call's read time-out: a call
    // that the end does not cut shows.
    constexpr int EndWithinMs = 20000;

    // The program file itself, in a folder of its own: its settings and
    // database lie beside it.
    const QString program = TempPath(u"morvane"_qs);
    const QString built = BinaryDir() + u"/app/morvane"_qs;
    ASSERT_TRUE(::link(qPrintable(built), qPrintable(program)) == 0 || QFile::copy(built, program));
    const int atLogin = StartProcess({program});
    ASSERT_GT(atLogin, 0);
    // The database engine takes the signal at the first attach, before the
    // login shows; the program takes it back right after.
    ASSERT_TRUE(Poll([&] { return CatchesSignal(atLogin, SIGINT); }, 60000));
    QThread::msleep(500);
    ::kill(atLogin, SIGINT);
    const TProcessEnd loginEnd = WaitProcess(atLogin, EndWithinMs);
    EXPECT_TRUE(!loginEnd.Signalled && loginEnd.Code == 0) << loginEnd.Signalled << ' ' << loginEnd.Code;

    // The shop monitors from the start; its catch-up waits for the
    // platform's time, which does not come.
    sim.SetFault(u"hold"_qs, 0, -1, u"taobao.time.get"_qs);
    const int loggedIn = StartTestChildProcess("logged-in-program", {EndDirVariable + u'=' + dir});
    ASSERT_GT(loggedIn, 0);
    const bool monitoring = Poll([&] { return sim.StreamOpen() == 1 && sim.Held() > 0; }, 60000);
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
