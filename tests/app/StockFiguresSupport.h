#pragma once
// The stock figures' tests: the program's main window over a fresh database
// (or one served by a Firebird server of the test's own, for two seats),
// the stand-in's shop "S1" with monitor rules for bought and paid lines, and
// the windows and the stock-in dialog driven as a person drives them.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "platform/Threads.h"
#include "support/DialogAnswers.h"
#include "support/FirebirdServer.h"

#include <QAction>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

inline const QString Paid = QStringLiteral("WAIT_SELLER_SEND_GOODS");
inline const QString Bought = QStringLiteral("WAIT_BUYER_PAY");

class StockFiguresTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        if (Served) {
#if defined(__SANITIZE_THREAD__)
            // QProcess's child start is opaque to ThreadSanitizer (see PlatformSim).
            GTEST_SKIP() << "the server is started through QProcess";
#endif
            FDM.reset();
            QString error;
            ASSERT_TRUE(Server.Start(TempPath(QString()), &error)) << error.toStdString();
            Server.WriteSettings(TempPath(QString()), DatabasePath());
            FDM = std::make_unique<TKivDM>(TempPath(QString()));
        }
        InstallItemsHooks();
        InstallItemInHooks();
        StartSim(Sim, StationeryCatalogue);
        PointAtSim(Sim);
        AddSimShopRows();
        AddRule(u"TradeAlipayCreate"_qs, Bought, u"QtyOut"_qs);
        AddRule(u"TradeBuyerPay"_qs, Paid, u"QtyPay"_qs);
        Main = std::make_unique<TMainKiv>();
    }
    void TearDown() override
    {
        if (Form() && Form()->Monitoring())
            Stop(*Form());
        Main.reset();
        EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
        MainKivHooks = {};
        AppTest::TearDown();
    }

    // The shop's node in the main window's tree (the tree lists the shops
    // in no set order).
    QTreeWidgetItem* ShopNode(const QString& code) const
    {
        for (int i = 0; i < Main->tvShops->topLevelItemCount(); ++i)
            if (Main->ShopOf(Main->tvShops->topLevelItem(i))->Code == code)
                return Main->tvShops->topLevelItem(i);
        return nullptr;
    }
    TTreeNodeShop& Shop(const QString& code = u"S1"_qs) const { return *Main->ShopOf(ShopNode(code)); }
    // The shop synced, as "同步销售商品" does.
    void Sync() { ASSERT_EQ(SyncItems(Shop(), nullptr).Outcome, TSyncOutcome::soCompleted); }
    // "同步数据" (0) or "监控数据" (1) of the shop double-clicked in the tree.
    void Open(int child, const QString& shop = u"S1"_qs)
    {
        Main->tvShops->setCurrentItem(ShopNode(shop)->child(child));
        Main->tvShopsDblClick();
    }
    TFormItems* Form(const QString& shop = u"S1"_qs) const
    {
        return Main && ShopNode(shop) ? qobject_cast<TFormItems*>(Shop(shop).MonitorForm.data()) : nullptr;
    }
    int Figure(const QString& sku, const QString& field) const { return ItemsFigure(*Form()->ClientDataSetItems, sku, field); }
    TFormItems& Monitoring()
    {
        Open(1);
        TFormItems& form = *Form();
        form.ActionMonitor->trigger();
        EXPECT_TRUE(WaitFor([&] { return MonitorStreamOpen(Sim, form); }));
        return form;
    }
    void Stop(TFormItems& form)
    {
        form.ActionMonitor->trigger();
        ASSERT_TRUE(WaitFor([&] { return Sim.StreamOpen() == 0 && MonitorLog(form).endsWith(u"监控停止"_qs); }));
    }

    // Books qty by barcode on the main window's stock-in page (an unknown
    // barcode: the SKUs ticked, SKU A when none are given), the dialog's
    // barcode changed to storedAs when given. Whether the dialog stayed
    // open, and its quantity's selection.
    QString BookIn(qint64 qty, const QString& barcode = u"6901"_qs, const QString& storedAs = QString(), const QStringList& ticked = {SkuA})
    {
        QString left;
        Answers.Modal = [&](QDialog& dialog) {
            auto& form = dynamic_cast<TFormItemIn&>(dialog);
            form.show();
            if (CountBarcode(barcode) == 0)
                for (const QString& sku : ticked)
                    TickItemIn(form, sku);
            if (!storedAs.isEmpty())
                form.EditInBarcode->setText(storedAs);
            form.SpinEditQty->setValue(int(qty));
            form.ActionOK->trigger();
            left = form.isVisible() ? u"open:"_qs + form.SpinEditQty->findChild<QLineEdit*>()->selectedText() : u"closed"_qs;
            if (form.isVisible())
                Keep(form, u"stock-in-refused.png"_qs);
            const int result = form.isVisible() ? int(QDialog::Rejected) : form.result();
            form.hide();
            return result;
        };
        Main->tbStock->click();
        Main->leBarcode->setText(barcode);
        Press(Main->leBarcode, Qt::Key_Return);
        Answers.Modal = nullptr;
        return left;
    }

    // Set in a test's constructor: the database goes through a server.
    bool Served = false;
    TFirebirdServer Server;
    TPlatformSim Sim;
    TDialogAnswers Answers;
    std::unique_ptr<TMainKiv> Main;
};
