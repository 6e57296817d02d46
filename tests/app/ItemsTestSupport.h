#pragma once
// Helpers for tests that drive the items window, the monitor and the
// stock-in dialog as a person does: waiting in the program's event loop,
// reading a SKU's figures and its cell on screen, ticking a listed SKU; the
// stand-in's shop, stock-ins of it and monitor rules.

#include "app/KivFigureRange.h"
#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivMain.h"
#include "client/KivDataM.h"
#include "client/KivLogin.h"
#include "client/KivStream.h"
#include "platform/Threads.h"
#include "platform/SqlText.h"
#include "grid/DBGridMv.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"
#include "support/PlatformSim.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

// Runs the event loop as the program does (so that the idle handler applies
// queued update records) until the condition holds; false after timeoutMs.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.start(5);
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// Pixels of a cell whose colour is near the given one.
inline int PixelsLike(const QImage& image, const QRect& cell, QColor colour)
{
    int count = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) < 60 && std::abs(c.green() - colour.green()) < 60
                     && std::abs(c.blue() - colour.blue()) < 60;
        }
    return count;
}

// The figure of the SKU's row of an items data set.
inline int ItemsFigure(TClientDataSet& data, const QString& sku, const QString& field)
{
    EXPECT_TRUE(data.Locate(QStringLiteral("SkuID"), Variant(sku.toLongLong()))) << sku.toStdString();
    return data.FieldByName(field)->AsInteger();
}

// The SKUs in the order the grid shows them.
inline QStringList ItemsRowOrder(TClientDataSet& data)
{
    QStringList skus;
    for (data.First(); !data.Eof(); data.Next())
        skus << data.FieldByName(QStringLiteral("SkuID"))->AsString();
    return skus;
}

// The on-screen cell of the SKU's field in the items window's grid, in the window's pixels.
inline QRect ItemsCell(TFormItems& form, const QString& sku, const QString& field)
{
    TDBGridMv& grid = *form.DBGridItems;
    const int row = int(ItemsRowOrder(*form.ClientDataSetItems).indexOf(sku));
    const TRect r = grid.CellRect(grid.DataToRawColumn(grid.GetColumnByFieldName(field)->Index()), grid.TitleRowCount() + row);
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)).translated(grid.mapTo(&form, QPoint(0, 0)));
}

// The monitor window of the first shop in the main window's tree, if open.
inline TFormItems* MonitorOf(const TMainKiv* main)
{
    const TTreeNodeShop* shop = main && main->tvShops->topLevelItemCount() > 0 ? main->ShopOf(main->tvShops->topLevelItem(0)) : nullptr;
    return shop ? qobject_cast<TFormItems*>(shop->MonitorForm.data()) : nullptr;
}

// The monitor window's stream is open at both ends: the stand-in holds it,
// and the window has had the platform's confirmation of it (the stream is
// live), so whatever the stand-in tells from now on reaches the window. A
// figure or a log line can come first by another road (a catch-up). A
// stream that has just ended still counts until the window has seen it end.
inline bool MonitorStreamOpen(const TPlatformSim& sim, const TFormItems& form)
{
    const QList<TKivStreamThread*> streams = form.findChildren<TKivStreamThread*>(Qt::FindDirectChildrenOnly);
    const bool live = std::any_of(streams.begin(), streams.end(), [](const TKivStreamThread* stream) { return stream->Live(); });
    return live && sim.StreamOpen() == 1;
}

// The monitor window of the main window's first shop, opened as its
// "监控数据" node is double-clicked.
inline TFormItems& OpenMonitorWindow(TMainKiv& main)
{
    main.tvShops->setCurrentItem(main.tvShops->topLevelItem(0)->child(1));
    main.tvShopsDblClick();
    return *MonitorOf(&main);
}

// The monitor's log, a line each.
inline QString MonitorLog(const TFormItems& form)
{
    QStringList lines;
    for (int i = 0; i < form.lbMonitor->count(); ++i)
        lines << form.lbMonitor->item(i)->text();
    return lines.join(u'\n');
}

// The stand-in's shop of app key "k1" (shop "S1" below), at 2024-06-01
// 12:00:00: two items, three SKUs, no trades yet.
inline constexpr const char* StationeryCatalogue = R"({"now":"2024-06-01 12:00:00","shops":[{"app_key":"k1","app_secret":"secret",
    "session":"sess","items":[
    {"num_iid":500000000001,"title":"中性笔","modified":"2024-05-01 10:00:00","property_alias":"","skus":[
      {"sku_id":5000000000011,"price":"2.50","quantity":9,"properties_name":"1:1:颜色:黑色"},
      {"sku_id":5000000000012,"price":"2.50","quantity":9,"properties_name":"1:2:颜色:蓝色"}]},
    {"num_iid":500000000002,"title":"笔记本","modified":"2024-05-01 10:00:00","property_alias":"","skus":[
      {"sku_id":5000000000021,"price":"9.90","quantity":3,"properties_name":"2:1:尺码:A5"}]}],"trades":[]}]})";
inline const QString SkuA = QStringLiteral("5000000000011"); // item 500000000001
inline const QString SkuB = QStringLiteral("5000000000012"); // item 500000000001
inline const QString SkuC = QStringLiteral("5000000000021"); // item 500000000002

// The program's settings pointed at the stand-in, and its shop "S1" linked
// to the administrator.
inline void PointAtSim(const TPlatformSim& sim)
{
    SysRec.UserCode = QStringLiteral("admin");
    SysRec.TqlUrl = sim.TqlUrl();
    SysRec.StreamUrl = sim.StreamUrl();
    SysRec.SignMethod = QStringLiteral("md5");
    SysRec.DebugEcho = QStringLiteral("0");
    SysRec.LowStock = QStringLiteral("10");
    SysRec.StockTime = LoadStockTime();
}
inline void AddSimShopRows()
{
    ExecSql(QStringLiteral("insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\") values('S1','文具店','k1','secret','sess')"));
    ExecSql(QStringLiteral("insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','S1','店长')"));
}

// A monitor test's program against the stand-in's shop "S1" (PointAtSim,
// AddSimShopRows): short time-outs and pauses, and the items windows reached
// from the tree. EndMonitorTestSettings puts the timings and hooks back.
inline void MonitorTestSettings(const TPlatformSim& sim)
{
    PointAtSim(sim);
    AddSimShopRows();
    KivDM->KivHttp->ConnectTimeoutMs = 2000;
    KivDM->KivHttp->ReadTimeoutMs = 10000;
    StreamTimings.ReconnectBaseMs = 50;
    TFormItems::CatchUpRetryMs = 200;
    InstallItemsHooks();
}
inline void EndMonitorTestSettings()
{
    MainKivHooks = {};
    StreamTimings = TStreamTimings{};
    TFormItems::CatchUpRetryMs = 60000;
    TFormItems::LiveAdvanceMs = 30000;
}
// The end of a monitor test: the first shop's monitor stopped, the main
// window gone, every thread ended, and the settings put back.
inline void EndMonitorTest(std::unique_ptr<TMainKiv>& main)
{
    if (TFormItems* form = MonitorOf(main.get()); form && form->Monitoring())
        form->ActionMonitor->trigger();
    main.reset();
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
    EndMonitorTestSettings();
}

// The stand-in's shop "S1" as the main window's tree holds it.
inline void SetSimShop(TTreeNodeShop& shop)
{
    shop.Code = QStringLiteral("S1");
    shop.AppKey = QStringLiteral("k1");
    shop.AppSecret = QStringLiteral("secret");
    shop.Session = QStringLiteral("sess");
}

// A stock-in of the period listing the SKUs of the item, with their running
// sums as a booking keeps them.
inline void StockIn(int qty, const QString& period, const QStringList& skus, const QString& numIid = QStringLiteral("500000000001"))
{
    const QString id = NextGen(QStringLiteral("GEN_KivItemIn_ID"));
    ExecSql(QStringLiteral("insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") values(%1,%2,%3,current_timestamp)")
                .arg(id, QString::number(qty), period));
    for (const QString& sku : skus) {
        ExecSql(QStringLiteral("insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values(%1,%2,%3,%4)")
                    .arg(id, period, sku, numIid));
    }
}

// An active monitor rule: the event of the message kind in the status adjusts
// the field by the order line's quantity, with the sound when one is given.
inline void AddRule(const QString& event, const QString& status, const QString& field, const QByteArray& sound = {},
                    const QString& msgType = QStringLiteral("notify_trade"))
{
    ExecSql(QStringLiteral("insert into \"SYS_Monitor\"(\"MsgType\",\"TradeEvent\",\"Status\",\"LocateFields\",\"ReturnField\",\"UpdateField\","
                           "\"OtherUpdateFields\",\"Active\",\"Sound\") values(%1,%2,%3,'SkuID;NumIID','Qty',%4,'',1,%5)")
                .arg(QuotedStr(msgType), QuotedStr(event), QuotedStr(status), QuotedStr(field),
                     sound.isEmpty() ? QStringLiteral("null") : u'x' + QuotedStr(QString::fromLatin1(sound.toHex()))));
}

// Ticks a SKU listed by the stock-in dialog with Space in the grid's check-box column.
inline void TickItemIn(TFormItemIn& form, const QString& skuId)
{
    ASSERT_TRUE(form.ClientDataSetBarcode->Locate(QStringLiteral("SkuID"), Variant(skuId)));
    TColumnMv* column = form.DBGridBarcode->SelectedColumn();
    ASSERT_EQ(column->FieldName(), QStringLiteral("Selected"));
    ASSERT_EQ(column->GetColumnType(), ctCheckboxes);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(form.DBGridBarcode->ClientWidget(), &press);
    ASSERT_EQ(column->GetCheckboxState(), cbChecked);
}

// Ctrl+V over the whole text of a barcode box, the clipboard holding text.
inline void PasteOver(QLineEdit* box, const QString& text)
{
    QApplication::clipboard()->setText(text);
    box->selectAll();
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QApplication::sendEvent(box, &paste);
}

// For a test child that runs the program: the login is answered as the
// administrator (empty password), every other window is refused.
inline void LogInAsAdministrator(TDialogAnswers& answers)
{
    answers.Modal = [](QDialog& dialog) {
        auto* login = dynamic_cast<TLoginKiv*>(&dialog);
        if (!login)
            return int(QDialog::Rejected);
        login->show();
        login->ComboBoxUser->setEditText(QStringLiteral("admin"));
        login->BitBtnLogin->click();
        return login->result();
    };
}

// Hands every line that a monitor window logs, those it holds already
// first, to onLine while the watch timer runs.
inline void WatchMonitorLogs(QTimer& watch, std::function<void(const QString&)> onLine)
{
    QObject::connect(&watch, &QTimer::timeout, [&watch, onLine = std::move(onLine)] {
        for (const QPointer<QListWidget>& box : MonitorLogBoxes) {
            if (!box || box->property("watched").toBool())
                continue;
            box->setProperty("watched", true);
            for (int row = 0; row < box->count(); ++row)
                onLine(box->item(row)->text());
            QObject::connect(box->model(), &QAbstractItemModel::rowsInserted, &watch,
                             [onLine, list = box.data()](const QModelIndex&, int first, int last) {
                                 for (int row = first; row <= last; ++row)
                                     onLine(list->item(row)->text());
                             });
        }
    });
    watch.start(5);
}
