// A seller's whole road through the program as it starts (RunKiv), on a
// fresh database whose settings point at the platform stand-in: the
// administrator adds a shop with its session, a user and the user's link;
// the user syncs the shop, monitors it through a paid order, a refund and a
// stock-in by barcode, stops, misses two orders and catches them up. Once
// on the embedded engine and once on a Firebird server of the test's own.

#include "AppTest.h"
#include "ItemsTestSupport.h"
#include "ShopEditorSupport.h"

#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivMain.h"
#include "app/KivResources.h"
#include "client/KivDataM.h"
#include "client/KivGetSessiion.h"
#include "client/KivLogin.h"
#include "client/KivQuery.h"
#include "platform/Application.h"
#include "platform/SqlText.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"
#include "support/FirebirdServer.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"
#include "support/UrlCatcher.h"
#include "support/Wave.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const QString AppKey = u"21000001"_qs;
const QString Barcode = u"6901234567892"_qs;
// The password the administrator gives the seller.
const QString SellerPassword = u"boss-密码"_qs;

// The shop of the stand-in: two items, three SKUs, no trades yet; the
// authorization code "CODE-1" gives the session.
constexpr const char* Catalogue = R"({"now":"2024-06-01 12:00:00","shops":[{"nick":"晨光","app_key":"21000001",
    "app_secret":"road-secret","session":"6100road","authcode":"CODE-1","items":[
    {"num_iid":500000000001,"title":"中性笔","modified":"2024-05-01 10:00:00","property_alias":"","skus":[
      {"sku_id":5000000000011,"price":"2.50","quantity":9,"properties_name":"1:1:颜色:黑色"},
      {"sku_id":5000000000012,"price":"2.50","quantity":9,"properties_name":"1:2:颜色:蓝色"}]},
    {"num_iid":500000000002,"title":"笔记本","modified":"2024-05-01 10:00:00","property_alias":"","skus":[
      {"sku_id":5000000000021,"price":"9.90","quantity":3,"properties_name":"2:1:尺码:A5"}]}],"trades":[]}]})";

int OutLines(const QString& event)
{
    return Scalar(u"select count(*) from \"KivItemOut\" where \"TradeEvent\" = "_qs + QuotedStr(event)).toInt();
}

class RoadTest : public DatabaseTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (GetParam()) {
#if defined(__SANITIZE_THREAD__)
            // QProcess's child start is opaque to ThreadSanitizer (see PlatformSim).
            GTEST_SKIP() << "the server is started through QProcess";
#endif
            QString error;
            ASSERT_TRUE(FServer.Start(TempPath(QString()), &error)) << error.toStdString();
            FServer.WriteSettings(TempPath(QString()), DatabasePath());
        }
        InitKivResources();
        ResetTerminated();
        QFile file(TempPath(u"catalogue.json"_qs));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Catalogue);
        file.close();
        QString error;
        ASSERT_TRUE(FSim.Start(file.fileName(), &error)) << error.toStdString();
        PrepareSellersDatabase();
        FTee = TempPath(u"played.raw"_qs);
        qputenv("MORVANE_AUDIO_DEVICE", "tee:null,'" + FTee.toUtf8() + "',raw");
        FAnswers.Modal = [this](QDialog& dialog) { return Drive(dialog); };
    }
    void TearDown() override
    {
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        qputenv("MORVANE_AUDIO_DEVICE", "null");
        MainKivHooks = {};
        ResetTerminated();
    }

    // The settings rows and monitor rules a seller's database holds, as the
    // demo script writes them, with the stand-in's address.
    void PrepareSellersDatabase()
    {
        TKivDM dataModule(TempPath(QString()));
        const QString address = FSim.Url();
        const std::pair<int, QString> params[] = {{5, u"/tql/2.0/json"_qs},  {6, u"/router/rest"_qs},
                                                  {7, u"/stream"_qs},        {11, u"/auth/authorize.htm?appkey="_qs},
                                                  {12, u"/container?authcode="_qs}, {13, u"/"_qs}};
        for (const auto& [code, path] : params)
            ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values("_qs + QString::number(code) + u","_qs + QuotedStr(address + path)
                    + u")"_qs);
        AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs, MakeWave(60));
        AddRule(u"TradeSellerShip"_qs, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"QtySend"_qs);
        AddRule(u"RefundSuccess"_qs, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"QtyBack"_qs, {}, u"notify_refund"_qs);
    }

    // Plays the user at each modal window of the program.
    int Drive(QDialog& dialog)
    {
        if (auto* login = dynamic_cast<TLoginKiv*>(&dialog)) {
            login->show();
            login->ComboBoxUser->setEditText(FUser);
            if (FUser == u"admin"_qs)
                Keep(*login, u"road-login.png"_qs);
            login->EditPassword->setText(FUser == u"admin"_qs ? QString() : SellerPassword);
            login->BitBtnLogin->click();
            return login->result();
        }
        if (auto* editor = dynamic_cast<TFormShop*>(&dialog)) {
            editor->show();
            FCaptions << editor->windowTitle();
            if (FOnEditor)
                FOnEditor(*editor);
            if (editor->isVisible())
                editor->ActionExit->trigger();
            return editor->result();
        }
        if (auto* session = dynamic_cast<TFormGetSession*>(&dialog)) {
            session->show();
            session->leAuthcode->setText(u"CODE-1"_qs);
            session->ActionGetSession->trigger();
            EXPECT_EQ(session->leSession->text(), u"6100road"_qs);
            session->BitBtnOK->click();
            return session->result();
        }
        if (auto* items = dynamic_cast<TFormItems*>(&dialog)) {
            items->show();
            if (FOnItems)
                FOnItems(*items);
            items->hide();
            return int(QDialog::Rejected);
        }
        if (auto* itemIn = dynamic_cast<TFormItemIn*>(&dialog)) {
            itemIn->show();
            if (FOnItemIn)
                FOnItemIn(*itemIn);
            const int result = itemIn->isVisible() ? int(QDialog::Rejected) : itemIn->result();
            itemIn->hide();
            return result;
        }
        ADD_FAILURE() << "an unexpected window: " << dialog.windowTitle().toStdString();
        return int(QDialog::Rejected);
    }

    // Runs the program as main() does, logged in as user; road runs in its
    // message loop once the main window is up, then the program is closed
    // (whatever road left open, so that a failed step ends the run too).
    int RunProgram(const QString& user, const std::function<void(TMainKiv&)>& road)
    {
        FUser = user;
        bool reached = false;
        QTimer start;
        QObject::connect(&start, &QTimer::timeout, [&] {
            if (!MainKiv || !MainKiv->isVisible())
                return;
            start.stop();
            reached = true;
            road(*MainKiv);
            CloseProgram();
        });
        start.start(10);
        const int result = RunKiv(TempPath(QString()));
        EXPECT_TRUE(reached) << user.toStdString() << " never reached the main window: " << FAnswers.Texts().join(u'\n').toStdString();
        return result;
    }

    static void CloseProgram()
    {
        if (TFormItems* form = Monitor()) {
            if (form->Monitoring())
                form->ActionMonitor->trigger();
            form->close();
            WaitFor([] { return !Monitor(); });
        }
        if (MainKiv && !MainKiv->close())
            QCoreApplication::exit(1);
    }

    static TFormItems* Monitor() { return MonitorOf(MainKiv); }
    static void Open(TMainKiv& main, int child)
    {
        main.tvShops->setCurrentItem(main.tvShops->topLevelItem(0)->child(child));
        main.tvShopsDblClick();
    }
    static QString LastLogLine(const TFormItems& form) { return MonitorLog(form).section(u'\n', -1); }
    bool Played() const { return QFile(FTee).size() > 0; }

    void AdministratorSetsTheShopUp(TMainKiv& main);
    void SellerWorksTheShop(TMainKiv& main);

    TFirebirdServer FServer;
    TPlatformSim FSim;
    TDialogAnswers FAnswers;
    TUrlCatcher FBrowser;
    QString FUser;
    QString FTee;
    QStringList FCaptions;
    std::function<void(TFormShop&)> FOnEditor;
    std::function<void(TFormItems&)> FOnItems;
    std::function<void(TFormItemIn&)> FOnItemIn;
};

void RoadTest::AdministratorSetsTheShopUp(TMainKiv& main)
{
    EXPECT_EQ(main.StatusPanels[1]->text(), u"admin"_qs);
    EXPECT_EQ(main.tvShops->topLevelItemCount(), 0);
    EXPECT_TRUE(main.ActionParams->isVisible());

    // The shop with its keys; its session fetched through the session dialog.
    FOnEditor = [](TFormShop& form) {
        form.ActionAppend->trigger();
        for (const auto& [name, value] : {std::pair{u"Code"_qs, u"S1"_qs}, {u"Name"_qs, u"晨光文具旗舰店"_qs}, {u"AppKey"_qs, AppKey},
                                          {u"AppSecret"_qs, u"road-secret"_qs}})
            TypeInShopCell(form, name, value);
        ClickShopCellButton(form, u"Session"_qs, 0);
        form.ActionSave->trigger();
        form.DBGridShop->SetSelectedIndex(0);
        Keep(form, u"road-shops.png"_qs);
    };
    main.ActionConfigShops->trigger();
    EXPECT_EQ(Scalar(u"select \"Name\" || '/' || \"AppKey\" || '/' || \"AppSecret\" || '/' || \"Session\" from \"SYS_Shop\""_qs),
              u"晨光文具旗舰店/21000001/road-secret/6100road"_qs);
    EXPECT_EQ(FBrowser.Urls, QList<QUrl>{QUrl(FSim.Url(u"/auth/authorize.htm?appkey=21000001"_qs))});

    // The user with a password, then the user's link to the shop.
    FOnEditor = [](TFormShop& form) {
        form.ActionAppend->trigger();
        TypeInShopCell(form, u"Code"_qs, u"boss"_qs);
        TypeInShopCell(form, u"Password"_qs, SellerPassword);
        form.ActionSave->trigger();
    };
    main.ActionConfigUsers->trigger();
    FOnEditor = [](TFormShop& form) {
        form.ActionAppend->trigger();
        for (const auto& [name, value] : {std::pair{u"UserCode"_qs, u"boss"_qs}, {u"ShopCode"_qs, u"S1"_qs}, {u"ShopUserCode"_qs, u"老板"_qs}})
            TypeInShopCell(form, name, value);
        form.ActionSave->trigger();
    };
    main.ActionLinkUserShop->trigger();
    FOnEditor = {};
    EXPECT_EQ(Scalar(u"select \"Password\" from \"SYS_User\" where \"Code\" = 'boss'"_qs), PasswordHash(u"boss"_qs, SellerPassword));
    EXPECT_EQ(Scalar(u"select \"UserCode\" || '/' || \"ShopCode\" || '/' || \"ShopUserCode\" from \"SYS_UserShop\""_qs), u"boss/S1/老板"_qs);
    EXPECT_EQ(FCaptions, (QStringList{u"店铺设置"_qs, u"用户设置"_qs, u"店铺关联用户"_qs}));
    EXPECT_EQ(FAnswers.Texts(), (QStringList{u"数据保存成功!"_qs, u"数据保存成功!"_qs, u"数据保存成功!"_qs}));
}

void RoadTest::SellerWorksTheShop(TMainKiv& main)
{
    FAnswers.Messages.clear();
    if (GetParam()) {
        EXPECT_EQ(Scalar(u"select mon$remote_protocol from mon$attachments where mon$attachment_id = current_connection"_qs).trimmed(),
                  u"TCPv4"_qs);
    }
    EXPECT_EQ(main.StatusPanels[1]->text(), u"boss"_qs);
    // The seller logged in with the password the administrator gave; none
    // of the administrator's editors is on the menu.
    for (const QAction* action : {main.ActionConfigShops, main.ActionConfigUsers, main.ActionLinkUserShop, main.ActionParams})
        EXPECT_FALSE(action->isVisible()) << action->text().toStdString();
    main.KivMenu->adjustSize();
    Keep(main.KivMenu->grab().toImage(), u"road-seller-menu.png"_qs);
    ASSERT_EQ(main.tvShops->topLevelItemCount(), 1);
    EXPECT_EQ(main.tvShops->topLevelItem(0)->text(0), u"晨光文具旗舰店 - 老板"_qs);

    // Sync: the snapshot in the database, its rows in the window.
    QStringList synced;
    FOnItems = [&](TFormItems& form) {
        Keep(form, u"road-items.png"_qs);
        synced = ItemsRowOrder(*form.ClientDataSetItems);
        EXPECT_EQ(ItemsFigure(*form.ClientDataSetItems, SkuC, u"QtyPay"_qs), 0);
    };
    Open(main, 0);
    synced.sort();
    EXPECT_EQ(synced, (QStringList{SkuA, SkuB, SkuC}));
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItem\" where \"ShopCode\" = 'S1'"_qs), u"3"_qs);
    EXPECT_EQ(Scalar(u"select \"SyncDate\" from \"SYS_Shop\""_qs).left(19), u"2024-06-01 12:00:00"_qs);

    // The monitor, started.
    Open(main, 1);
    TFormItems* form = Monitor();
    ASSERT_TRUE(form);
    TClientDataSet& data = *form->ClientDataSetItems;
    const auto figure = [&](const QString& field) { return ItemsFigure(data, SkuA, field); };
    form->ActionMonitor->trigger();
    ASSERT_TRUE(form->Monitoring());
    ASSERT_TRUE(WaitFor([&] { return FSim.StreamOpen() == 1; }));

    // A paid order of two: in place, marked, heard, recorded.
    ASSERT_FALSE(Played());
    ASSERT_EQ(FSim.PlaceOrder(AppKey, SkuA, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return figure(u"QtyPay"_qs) == 2; })) << LastLogLine(*form).toStdString();
    EXPECT_EQ(figure(u"QtyBalance"_qs), -2);
    EXPECT_GT(PixelsLike(form->grab().toImage(), ItemsCell(*form, SkuA, u"QtyPay"_qs), Qt::yellow), 20);
    EXPECT_TRUE(WaitFor([&] { return Played(); })) << "the rule's sound";
    EXPECT_EQ(OutLines(u"TradeBuyerPay"_qs), 1);

    // A refund of one, told as the platform tells refunds.
    const TPlatformSim::TOrder shipped = FSim.PlaceOrder(AppKey, SkuA, 1, u"WAIT_BUYER_CONFIRM_GOODS"_qs, u"RefundCreated"_qs);
    ASSERT_EQ(FSim.StreamNotify(u"notify_refund"_qs, u"RefundSuccess"_qs, shipped.Tid, shipped.Oid, u"2024-06-01 12:00:00"_qs), 1);
    ASSERT_TRUE(WaitFor([&] { return figure(u"QtyBack"_qs) == 1; })) << LastLogLine(*form).toStdString();
    EXPECT_EQ(figure(u"QtyPay"_qs), 2);
    const QImage refunded = form->grab().toImage();
    EXPECT_GT(PixelsLike(refunded, ItemsCell(*form, SkuA, u"QtyBack"_qs), Qt::yellow), 20);
    EXPECT_EQ(PixelsLike(refunded, ItemsCell(*form, SkuA, u"QtyPay"_qs), Qt::yellow), 0) << "the mark moved on";
    EXPECT_EQ(OutLines(u"RefundSuccess"_qs), 1);
    Keep(*form, u"road-monitor.png"_qs);

    // Ten pieces booked in by barcode on the main window's stock-in page.
    QStringList listed;
    FOnItemIn = [&](TFormItemIn& itemIn) {
        listed = ItemsRowOrder(*itemIn.ClientDataSetBarcode);
        TickItemIn(itemIn, SkuA);
        itemIn.SpinEditQty->setValue(10);
        Keep(itemIn, u"road-stockin.png"_qs);
        itemIn.ActionOK->trigger();
    };
    main.tbStock->click();
    main.leBarcode->setText(Barcode);
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(listed.size(), 3) << "an unknown barcode lists every SKU";
    ASSERT_TRUE(WaitFor([&] { return figure(u"QtyStock"_qs) == 10; }));
    EXPECT_EQ(figure(u"QtyBalance"_qs), 8);
    EXPECT_EQ(Scalar(u"select sum(\"Qty\") from \"KivItemIn\""_qs), u"10"_qs);
    EXPECT_EQ(Scalar(u"select \"Barcode\" from \"KivItem\" where \"SkuID\" = "_qs + SkuA), Barcode);

    // Stopped, two orders are missed; started again, exactly those two are caught up.
    form->ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return FSim.StreamOpen() == 0 && LastLogLine(*form).endsWith(u"监控停止"_qs); }));
    EXPECT_FALSE(form->Monitoring());
    FSim.SetNow(u"2024-06-01 12:10:00"_qs);
    EXPECT_EQ(FSim.PlaceOrder(AppKey, SkuA, 1, u"WAIT_SELLER_SEND_GOODS"_qs, u"TradeBuyerPay"_qs, 2).Streams, 0);
    FSim.SetNow(u"2024-06-01 12:20:00"_qs);
    form->ActionMonitor->trigger();
    ASSERT_TRUE(form->Monitoring());
    ASSERT_TRUE(WaitFor([&] { return figure(u"QtyPay"_qs) == 4; }));
    EXPECT_EQ(OutLines(u"OfflineReload"_qs), 2);
    EXPECT_EQ(figure(u"QtyBalance"_qs), 6);
    EXPECT_TRUE(FAnswers.Messages.empty()) << FAnswers.Texts().join(u'\n').toStdString();

    // The monitor stopped and closed; the program closes after it.
    form->ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return FSim.StreamOpen() == 0; }));
    form->close();
    EXPECT_TRUE(WaitFor([] { return !Monitor(); }));
    EXPECT_TRUE(main.close());
}

} // namespace

TEST_P(RoadTest, TheAdministratorSetsAShopUpAndItsSellerSyncsMonitorsAndBooksStockIn)
{
    EXPECT_EQ(RunProgram(u"admin"_qs, [this](TMainKiv& main) { AdministratorSetsTheShopUp(main); }), 0);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(RunProgram(u"boss"_qs, [this](TMainKiv& main) { SellerWorksTheShop(main); }), 0);
    EXPECT_EQ(MainKiv, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Database, RoadTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "OnAServer" : "Embedded"; });
