#pragma once
// A seller of the stand-in's shop "S1" (ItemsTestSupport.h), who logs in
// through the program's login dialog after the administrator has set
// things up, and opens the shop's windows from the tree; a fixture with the
// stand-in, the shop and the main window.

#include "AppTest.h"
#include "ItemsTestSupport.h"
#include "ShopEditorSupport.h"

#include "app/KivItemsSync.h"
#include "app/KivShop.h"
#include "client/KivLogin.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"
#include "support/PlatformSim.h"

#include <QFile>
#include <QLineEdit>
#include <functional>

inline const QString Seller = QStringLiteral("boss");
inline const QString SellerPassword = QStringLiteral("boss-密码");

// The seller with a password, linked to "S1", and the settings rows that
// point the program at the stand-in, so that the login finds them.
inline void AddSeller(const TPlatformSim& sim)
{
    ExecSql(QStringLiteral("insert into \"SYS_User\"(\"Code\",\"Password\") values(") + QuotedStr(Seller) + u','
            + QuotedStr(PasswordHash(Seller, SellerPassword)) + u')');
    ExecSql(QStringLiteral("insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values(") + QuotedStr(Seller)
            + QStringLiteral(",'S1','店员')"));
    const std::pair<int, QString> params[] = {{1, SysRec.StockTime}, {5, sim.TqlUrl()}, {7, sim.StreamUrl()}};
    for (const auto& [code, value] : params)
        ExecSql(QStringLiteral("update or insert into \"SYS_Params\"(\"Code\",\"Value\") values(") + QString::number(code) + u','
                + QuotedStr(value) + QStringLiteral(") matching (\"Code\")"));
}

// The login dialog, as the seller fills it in; true when it let them in.
inline bool LogInAsSeller(TDialogAnswers& answers)
{
    const std::function<int(QDialog&)> others = answers.Modal;
    answers.Modal = [&](QDialog& dialog) {
        auto* login = dynamic_cast<TLoginKiv*>(&dialog);
        if (!login)
            return others ? others(dialog) : int(QDialog::Rejected);
        login->show();
        login->ComboBoxUser->setEditText(Seller);
        login->EditPassword->setText(SellerPassword);
        login->BitBtnLogin->click();
        return login->result();
    };
    const bool in = ShowLogin();
    answers.Modal = others;
    return in && SysRec.UserCode == Seller;
}

// Opens the window of a child of the first shop in the tree (0 "同步数据",
// 1 "监控数据") as a double click does.
inline void OpenShopWindow(TMainKiv& main, int child)
{
    main.tvShops->setCurrentItem(main.tvShops->topLevelItem(0)->child(child));
    main.tvShopsDblClick();
}

// The stand-in with the shop "S1" (synced by Sync), the program pointed at
// it, the main window once someone logs in, and what the sounds play.
class ShopWindowsTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartSim(Sim, StationeryCatalogue);
        MonitorTestSettings(Sim);
        InstallTableEditorHooks();
        Tee = TempPath(u"played.raw"_qs);
        qputenv("MORVANE_AUDIO_DEVICE", "tee:null,'" + Tee.toUtf8() + "',raw");
    }
    void TearDown() override
    {
        if (Monitor() && Monitor()->Monitoring())
            Monitor()->ActionMonitor->trigger();
        Main.reset();
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        qputenv("MORVANE_AUDIO_DEVICE", "null");
        EndMonitorTestSettings();
        AppTest::TearDown();
    }

    static void Sync()
    {
        TTreeNodeShop shop;
        SetSimShop(shop);
        ASSERT_EQ(SyncItems(shop, nullptr).Outcome, TSyncOutcome::soCompleted);
    }
    // The main window of the administrator (as the fixture starts).
    void AdministratorsMain() { Main = std::make_unique<TMainKiv>(); }
    // The seller logs in through the dialog; the main window over their shops.
    void SellersMain()
    {
        Main.reset();
        AddSeller(Sim);
        ASSERT_TRUE(LogInAsSeller(Answers)) << Answers.Texts().join(u'\n').toStdString();
        Main = std::make_unique<TMainKiv>();
    }
    TFormItems* Monitor() const { return MonitorOf(Main.get()); }
    // The shop's monitor window, monitoring, its stream open.
    TFormItems& StartMonitor()
    {
        OpenShopWindow(*Main, 1);
        TFormItems& form = *Monitor();
        form.ActionMonitor->trigger();
        EXPECT_TRUE(form.Monitoring());
        EXPECT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form); }));
        return form;
    }
    void StopMonitor(TFormItems& form)
    {
        form.ActionMonitor->trigger();
        ASSERT_TRUE(WaitFor([&] { return MonitorLog(form).endsWith(u"监控停止"_qs) && Sim.StreamOpen() == 0; }));
    }
    // Whether a sound has played since the last call, once it has ended.
    bool PlayedSince() const
    {
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        const bool played = QFile(Tee).size() > 0;
        QFile::remove(Tee);
        return played;
    }
    static void PaidLine(const QString& sku, const QString& numIid, int qty, const QString& date)
    {
        ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values('S1',"_qs + sku
                + u',' + numIid + u',' + QString::number(qty) + u',' + QuotedStr(date) + u",'WAIT_SELLER_SEND_GOODS','TradeBuyerPay')"_qs);
    }

    TPlatformSim Sim;
    TDialogAnswers Answers;
    std::unique_ptr<TMainKiv> Main;
    QString Tee;
};
