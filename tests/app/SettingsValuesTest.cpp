// Values the administrator types into "数据字典" and "设置用户", values an
// older version (or a hand) stored there, codes typed at the login and the
// data file of "KivSets.ini": each is refused where it enters or read
// without harm, and a seller who logs in afterwards opens the shop's
// "同步数据" and "监控数据" windows with their figures. Real database,
// real editors and login, the platform stand-in.

#include "AppTest.h"
#include "ItemsTestSupport.h"
#include "ShopEditorSupport.h"

#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "app/KivShop.h"
#include "client/KivLogin.h"
#include "client/KivQuery.h"
#include "platform/Exceptions.h"
#include "platform/IniFile.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QTreeWidget>
#include <cstdlib>

namespace {

const QString ClerkPassword = u"pw"_qs;
const QString MaxPeriod = u"9223372036854775807"_qs;

// The stand-in's shop "S1", synced, with the administrator and the seller
// "clerk" linked to it; SKU A has trade lines and stock-ins. Every login
// reads the stand-in's addresses.
class SettingsValuesTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartSim(Sim, StationeryCatalogue);
        ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(5,"_qs + QuotedStr(Sim.TqlUrl()) + u")"_qs);
        ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(7,"_qs + QuotedStr(Sim.StreamUrl()) + u")"_qs);
        PointAtSim(Sim);
        AddSimShopRows();
        AddUser(u"clerk"_qs, PasswordHash(u"clerk"_qs, ClerkPassword));
        ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('clerk','S1','店员')"_qs);
        FDM->KivHttp->ConnectTimeoutMs = 2000;
        FDM->KivHttp->ReadTimeoutMs = 10000;
        InstallItemsHooks();
        InstallTableEditorHooks();
        TTreeNodeShop shop;
        SetSimShop(shop);
        ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
        // SKU A: 2 paid since the sync, 7 in during the period.
        ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values('S1',"_qs
                + SkuA + u",500000000001,2,'2024-06-01 12:00:00','WAIT_SELLER_SEND_GOODS','TradeBuyerPay')"_qs);
        StockIn(7, SysRec.StockTime, {SkuA});
        Answers.Modal = [this](QDialog& dialog) { return Drive(dialog); };
    }
    void TearDown() override
    {
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        MainKivHooks = {};
        AppTest::TearDown();
    }

    int Drive(QDialog& dialog)
    {
        dialog.show();
        if (auto* login = dynamic_cast<TLoginKiv*>(&dialog)) {
            login->ComboBoxUser->setEditText(User);
            login->EditPassword->setText(Password);
            login->BitBtnLogin->click();
        } else if (auto* editor = dynamic_cast<TFormShop*>(&dialog)) {
            OnEditor(*editor);
            // Whatever was left unsaved is dropped.
            Answers.Replies = {TModalResult::mrIgnore};
            editor->ActionExit->trigger();
            Answers.Replies.clear();
        } else if (auto* items = dynamic_cast<TFormItems*>(&dialog)) {
            Shown << SkuAFigures(*items);
            items->hide();
            return int(QDialog::Rejected);
        }
        return dialog.result();
    }

    // The login dialog as the user fills it in; true when it logged in.
    bool LogIn(const QString& user, const QString& password)
    {
        User = user;
        Password = password;
        return ShowLogin();
    }

    // The administrator logs in and edits the table of the main window's action.
    void AdministratorEdits(QAction* TMainKiv::*action, std::function<void(TFormShop&)> edit)
    {
        ASSERT_TRUE(LogIn(u"admin"_qs, QString()));
        OnEditor = std::move(edit);
        TMainKiv main;
        (main.*action)->trigger();
    }

    // The value typed into the "参数值" cell of the settings code's row and
    // saved: the messages that answered.
    QStringList TypeSetting(TFormShop& form, int code, const QString& value)
    {
        TDataSet& data = *form.ClientDataSetShop;
        // A row refused before is still open: the value is typed over.
        const bool onRow = data.State() != dsBrowse && data.FieldByName(u"Code"_qs)->AsInteger() == code;
        if (!onRow && !data.Locate(u"Code"_qs, Variant(code))) {
            form.ActionAppend->trigger();
            TypeInShopCell(form, u"Code"_qs, QString::number(code));
        }
        // Typed over what the cell holds, selected first.
        EditShopCell(form, u"Value"_qs)->selectAll();
        TypeIntoShopGrid(form, value);
        const size_t before = Answers.Messages.size();
        try {
            form.ActionSave->trigger();
        } catch (const EAbort&) {
            // The row stays open, with what was typed, for correcting.
            EXPECT_TRUE(data.State() == dsEdit || data.State() == dsInsert);
            EXPECT_EQ(data.FieldByName(u"Value"_qs)->AsString(), value);
        }
        return Answers.Texts().mid(qsizetype(before));
    }

    // SKU A's paid, in-stock, balance and to-order figures in an items window.
    static QList<int> SkuAFigures(TFormItems& form)
    {
        QList<int> figures{int(form.ClientDataSetItems->RecordCount())};
        for (const char16_t* field : {u"QtyPay", u"QtyStock", u"QtyBalance", u"QtyOrder"})
            figures << ItemsFigure(*form.ClientDataSetItems, SkuA, QString::fromUtf16(field));
        return figures;
    }

    // The shop's "同步数据" and "监控数据" windows, opened from the tree:
    // SKU A's figures of each in Shown.
    void OpenTheWindows(TMainKiv& main)
    {
        for (int child : {0, 1}) {
            main.tvShops->setCurrentItem(main.tvShops->topLevelItem(0)->child(child));
            main.tvShopsDblClick();
        }
        TFormItems* monitor = MonitorOf(&main);
        ASSERT_TRUE(monitor);
        Shown << SkuAFigures(*monitor);
        monitor->close();
        ASSERT_TRUE(WaitFor([&] { return !MonitorOf(&main); }));
    }
    // Both windows list the three SKUs, SKU A with 2 paid, the stock in, and
    // the threshold's quantity to order.
    static QList<QList<int>> BothWindows(int stock, int threshold)
    {
        const QList<int> figures{3, 2, stock, stock - 2, std::abs(stock - 2 - threshold)};
        return {figures, figures};
    }

    // The seller logs in, is told nothing, and opens the shop's windows.
    void SellerOpensTheWindows(int stock, int threshold)
    {
        Shown.clear();
        Answers.Messages.clear();
        ASSERT_TRUE(LogIn(u"clerk"_qs, ClerkPassword));
        EXPECT_EQ(SysRec.UserCode, u"clerk"_qs);
        TMainKiv main;
        OpenTheWindows(main);
        EXPECT_EQ(Shown, BothWindows(stock, threshold));
        EXPECT_EQ(Answers.Texts(), QStringList());
    }

    // As an older version, or a hand, stored it.
    static void Store(int code, const QString& value)
    {
        ExecSql(u"update or insert into \"SYS_Params\"(\"Code\",\"Value\") values("_qs + QString::number(code) + u","_qs + QuotedStr(value)
                + u") matching (\"Code\")"_qs);
    }
    static QString Stored(int code)
    {
        return Scalar(u"select \"Value\" from \"SYS_Params\" where \"Code\" = "_qs + QString::number(code));
    }

    TPlatformSim Sim;
    TDialogAnswers Answers;
    QString User;
    QString Password;
    std::function<void(TFormShop&)> OnEditor;
    QList<QList<int>> Shown;
};

} // namespace

TEST_F(SettingsValuesTest, TheStockPeriodEditorTakesOnlyPeriodsTheStatementsHold)
{
    const QString period = Stored(1);
    AdministratorEdits(&TMainKiv::ActionParams, [&](TFormShop& form) {
        EXPECT_EQ(form.windowTitle(), u"数据字典"_qs);
        const QString range = u"超出范围，只能在1到9223372036854775807之间！"_qs;
        EXPECT_EQ(TypeSetting(form, 1, u"99999999999999999999"_qs),
                  QStringList{u"库存期间（代码1）：[参数值]的值“99999999999999999999”"_qs + range});
        EXPECT_EQ(TypeSetting(form, 1, u"9223372036854775808"_qs), QStringList{u"库存期间（代码1）：[参数值]的值“9223372036854775808”"_qs + range});
        EXPECT_EQ(TypeSetting(form, 1, u"0"_qs), QStringList{u"库存期间（代码1）：[参数值]的值“0”"_qs + range});
        EXPECT_EQ(TypeSetting(form, 1, u"-3"_qs), QStringList{u"库存期间（代码1）：[参数值]的值“-3”"_qs + range});
        EXPECT_EQ(TypeSetting(form, 1, u"1e3"_qs), QStringList{u"库存期间（代码1）：[参数值]只能填整数，“1e3”不是整数！"_qs});
        Keep(form, u"settings-period-refused.png"_qs);
        EXPECT_EQ(Stored(1), period);
        // The largest period the columns hold is one.
        EXPECT_EQ(TypeSetting(form, 1, MaxPeriod), QStringList{u"数据保存成功!"_qs});
    });
    EXPECT_EQ(Stored(1), MaxPeriod);
    // Nothing in stock in that period yet.
    SellerOpensTheWindows(0, 10);
    EXPECT_EQ(SysRec.StockTime, MaxPeriod);
}

TEST_F(SettingsValuesTest, AStoredStockPeriodNoStatementHoldsStartsANewPeriodAndTheLoginSaysSo)
{
    const QString told = u"“数据字典”中的设置无法使用：\n库存期间（代码1）：[参数值]的值“%1”超出范围，只能在1到9223372036854775807之间！已改用新的库存期间%2。"_qs;
    // Met first by a seller, who passes it on.
    Store(1, u"99999999999999999999"_qs);
    ASSERT_TRUE(LogIn(u"clerk"_qs, ClerkPassword));
    EXPECT_EQ(Answers.Texts(), QStringList{told.arg(u"99999999999999999999"_qs, SysRec.StockTime) + u"\n请告知管理员。"_qs});
    EXPECT_EQ(Stored(1), SysRec.StockTime);
    // Met by the administrator.
    Store(1, u"9223372036854775808"_qs);
    Answers.Messages.clear();
    ASSERT_TRUE(LogIn(u"admin"_qs, QString()));
    EXPECT_EQ(Answers.Texts(), QStringList{told.arg(u"9223372036854775808"_qs, SysRec.StockTime)});
    EXPECT_EQ(Stored(1), SysRec.StockTime);
    // The new period holds its stock-ins; no word at the next login.
    StockIn(3, SysRec.StockTime, {SkuA});
    SellerOpensTheWindows(3, 10);
}

TEST_F(SettingsValuesTest, TheThresholdEditorTakesOnlyWholeNumbersWithinTheBoundAndANegativeOneIsNoComment)
{
    AdministratorEdits(&TMainKiv::ActionParams, [&](TFormShop& form) {
        const QString setting = u"库存预警值（代码10）：[参数值]"_qs;
        EXPECT_EQ(TypeSetting(form, 10, u"2.5"_qs), QStringList{setting + u"只能填整数，“2.5”不是整数！"_qs});
        EXPECT_EQ(TypeSetting(form, 10, u"abc"_qs), QStringList{setting + u"只能填整数，“abc”不是整数！"_qs});
        for (const QString& value : {u"2147483647"_qs, u"1000001"_qs, u"-1000001"_qs})
            EXPECT_EQ(TypeSetting(form, 10, value), QStringList{setting + u"的值“"_qs + value + u"”超出范围，只能在-1000000到1000000之间！"_qs});
        EXPECT_EQ(Stored(10), u"10"_qs);
        EXPECT_EQ(TypeSetting(form, 10, u"-5"_qs), QStringList{u"数据保存成功!"_qs});
    });
    EXPECT_EQ(Stored(10), u"-5"_qs);
    // To order: |7 - 2 - (-5)|.
    SellerOpensTheWindows(7, -5);
}

TEST_F(SettingsValuesTest, AStoredThresholdIsKeptAndAnUnusableOneIsToldToTheAdministratorOnly)
{
    const QString told = u"“数据字典”中的设置无法使用：\n库存预警值（代码10）：[参数值]"_qs;
    const std::vector<std::pair<QString, QString>> unusable{
        {u"2.5"_qs, u"只能填整数，“2.5”不是整数！"_qs},
        {u"2147483647"_qs, u"的值“2147483647”超出范围，只能在-1000000到1000000之间！"_qs}};
    for (const auto& [value, problem] : unusable) {
        Store(10, value);
        Answers.Messages.clear();
        ASSERT_TRUE(LogIn(u"admin"_qs, QString()));
        EXPECT_EQ(Answers.Texts(), QStringList{told + problem + u"本次登录按10计算。"_qs});
        EXPECT_EQ(SysRec.LowStock, u"10"_qs);
        SellerOpensTheWindows(7, 10);
        EXPECT_EQ(Stored(10), value);
    }
    // Blanks around a number are read past; a negative one, as an older
    // version stored it, is no comment in the statement.
    for (const auto& [value, threshold] : {std::pair{u" 5 "_qs, 5}, {u"-5"_qs, -5}}) {
        Store(10, value);
        SellerOpensTheWindows(7, threshold);
        EXPECT_EQ(Stored(10), value);
    }
}

TEST_F(SettingsValuesTest, APasswordLongerThanItsHashIsTakenWholeByTheUserEditor)
{
    QString password;
    for (int i = 0; i < 100; ++i)
        password += QChar(u'a' + i % 26);
    ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('long','S1','长')"_qs);
    AdministratorEdits(&TMainKiv::ActionConfigUsers, [&](TFormShop& form) {
        form.ActionAppend->trigger();
        TypeInShopCell(form, u"Code"_qs, u"long"_qs);
        TypeInShopCell(form, u"Password"_qs, password);
        EXPECT_EQ(form.DBGridShop->CellEditor()->text(), password);
        Keep(form, u"settings-long-password.png"_qs);
        form.ActionSave->trigger();
        EXPECT_EQ(Answers.Texts().last(), u"数据保存成功!"_qs);
    });
    EXPECT_EQ(Scalar(u"select \"Password\" from \"SYS_User\" where \"Code\" = 'long'"_qs), PasswordHash(u"long"_qs, password));
    // Only the whole password logs in.
    Answers.Messages.clear();
    Answers.Modal = [&](QDialog& dialog) {
        auto& login = dynamic_cast<TLoginKiv&>(dialog);
        login.show();
        login.ComboBoxUser->setEditText(u"long"_qs);
        for (const QString& typed : {password.left(64), password}) {
            login.EditPassword->setText(typed);
            login.BitBtnLogin->click();
        }
        return login.result();
    };
    ASSERT_TRUE(ShowLogin());
    EXPECT_EQ(Answers.Texts(), QStringList{u"密码不正确(还有2次重试机会)，请重试！"_qs});
    EXPECT_EQ(SysRec.UserCode, u"long"_qs);
    Answers.Modal = [this](QDialog& dialog) { return Drive(dialog); };
    SellerOpensTheWindows(7, 10);
}

TEST_F(SettingsValuesTest, ACodeTypedWithBlanksAroundLogsInAsTheStoredUser)
{
    // No user stands under "admin ": it is the administrator, with the menus.
    ASSERT_TRUE(LogIn(u"admin "_qs, QString()));
    EXPECT_EQ(SysRec.UserCode, u"admin"_qs);
    {
        TMainKiv main;
        EXPECT_TRUE(main.ActionParams->isVisible());
    }
    // A code stored with blanks around it cannot be typed reliably.
    AdministratorEdits(&TMainKiv::ActionConfigUsers, [&](TFormShop& form) {
        form.ActionAppend->trigger();
        TypeInShopCell(form, u"Code"_qs, u"clerk2 "_qs);
        EXPECT_THROW(form.ActionSave->trigger(), EAbort);
        EXPECT_EQ(Answers.Texts().last(), u"[用户代码]“clerk2 ”前后不能有空格，请删去！"_qs);
        form.ClientDataSetShop->Cancel();
    });
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_User\" where \"Code\" starting with 'clerk2'"_qs), u"0"_qs);
    ASSERT_TRUE(LogIn(u" clerk "_qs, ClerkPassword));
    EXPECT_EQ(SysRec.UserCode, u"clerk"_qs);
    SellerOpensTheWindows(7, 10);
}

TEST_F(SettingsValuesTest, ADataFileThatNamesNothingEndsTheStartWithWordsThatNameIt)
{
    FDM.reset();
    const QString ini = QDir::toNativeSeparators(TempPath(u"KivSets.ini"_qs));
    const std::pair<QString, QString> cases[] = {
        {QString(), u"没有设置数据库文件，请填写“"_qs + ini + u"”中[Data]节的DataFile！"_qs},
        {u"Gone.fdb"_qs, u"找不到数据库文件“"_qs + TempPath(u"Gone.fdb"_qs) + u"”，请检查“"_qs + ini + u"”中[Data]节的DataFile！"_qs},
    };
    for (const auto& [dataFile, told] : cases) {
        TIniFile(TempPath(u"KivSets.ini"_qs)).WriteString(u"Data"_qs, u"DataFile"_qs, dataFile);
        Answers.Messages.clear();
        EXPECT_EQ(RunKiv(TempPath(QString())), 1);
        ASSERT_EQ(Answers.Messages.size(), 1u);
        EXPECT_EQ(Answers.Messages[0].Text, told);
        EXPECT_EQ(Answers.Messages[0].Type, TMsgDlgType::mtError);
    }
    // Set right again, the seller's start reaches the windows.
    TIniFile(TempPath(u"KivSets.ini"_qs)).WriteString(u"Data"_qs, u"DataFile"_qs, u"Kiv.fdb"_qs);
    User = u"clerk"_qs;
    Password = ClerkPassword;
    Answers.Messages.clear();
    QTimer start;
    QObject::connect(&start, &QTimer::timeout, [&] {
        if (!MainKiv || !MainKiv->isVisible())
            return;
        start.stop();
        OpenTheWindows(*MainKiv);
        MainKiv->close();
    });
    start.start(10);
    EXPECT_EQ(RunKiv(TempPath(QString())), 0);
    EXPECT_EQ(Shown, BothWindows(7, 10));
    EXPECT_EQ(Answers.Texts(), QStringList());
}
