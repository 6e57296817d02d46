#pragma once
// The stand-in's shop "S1" linked to the administrator and to a seller
// ("clerk"), and the main window of whoever is logged in, from whose tree
// the shop's items windows open.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItems.h"
#include "app/KivMain.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"

#include <QTreeWidget>
#include <functional>

class SellerShopTest : public AppTest {
protected:
    // Call from SetUp: the stand-in serves the catalogue to the shop.
    void ServeShop(const QByteArray& catalogue)
    {
        StartSim(Sim, catalogue);
        PointAtSim(Sim);
        AddSimShopRows();
        AddUser(Seller, QString());
        ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values("_qs + QuotedStr(Seller) + u",'S1','店员')"_qs);
        FDM->KivHttp->ConnectTimeoutMs = 2000;
        FDM->KivHttp->ReadTimeoutMs = 10000;
        InstallItemsHooks();
    }
    void TearDown() override
    {
        Main.reset();
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        MainKivHooks = {};
        AppTest::TearDown();
    }

    // The items window of the tree's node ("同步数据" 0, modal; "监控数据" 1)
    // of a main window made for the logged-in user; read sees it shown.
    void OpenItems(int node, const std::function<void(TFormItems&)>& read)
    {
        Main.reset(); // its end would take the new one's idle handler
        Main = std::make_unique<TMainKiv>();
        Answers.Modal = [&](QDialog& dialog) {
            auto& form = dynamic_cast<TFormItems&>(dialog);
            form.show();
            read(form);
            return int(QDialog::Rejected);
        };
        Main->tvShops->setCurrentItem(Main->tvShops->topLevelItem(0)->child(node));
        Main->tvShopsDblClick();
        if (node == 1) {
            TFormItems* monitor = MonitorOf(Main.get());
            ASSERT_NE(monitor, nullptr);
            read(*monitor);
            monitor->close();
        }
    }

    const QString Seller = QStringLiteral("clerk");
    TDialogAnswers Answers;
    TPlatformSim Sim;
    std::unique_ptr<TMainKiv> Main;
};
