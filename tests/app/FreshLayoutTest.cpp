// The layouts a fresh database starts with, seen in every window that shows
// a grid: the items window in both modes, the stock-in list, the table
// editor of each key and the layout editor. With MORVANE_SCREENSHOT_DIR set,
// each window is written there as fresh-<key>.png.

#include "AppTest.h"

#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivShop.h"
#include "grid/DBGridMv.h"
#include "platform/db/ClientDataSet.h"

#include <QFontMetrics>
#include <map>

TEST_F(AppTest, AFreshDatabaseTitlesEveryGridInChineseWithinItsColumns)
{
    SysRec.StockTime = LoadStockTime();
    TTreeNodeShop shop;
    shop.Code = u"S1"_qs;
    shop.Name = u"文具店"_qs;
    shop.SyncDate = u"2024-06-01 12:00:00"_qs;
    std::map<QString, std::pair<QWidget*, TDBGridMv*>> windows;

    TFormItems sync;
    sync.SetShop(&shop);
    sync.show();
    windows[TFormItems::SyncLayoutKey] = {&sync, sync.DBGridItems};
    TFormItems monitor;
    monitor.SetShop(&shop);
    monitor.SetLayoutKey(TFormItems::MonitorLayoutKey);
    monitor.SetMonitorMode(true);
    monitor.show();
    windows[TFormItems::MonitorLayoutKey] = {&monitor, monitor.DBGridItems};
    TFormItemIn itemIn;
    itemIn.SetBarcode(u"6901234567892"_qs);
    itemIn.show();
    windows[u"SYS_Barcode"_qs] = {&itemIn, itemIn.DBGridBarcode};
    std::vector<std::unique_ptr<TFormShop>> editors;
    for (const QString& key : {u"SYS_Shop"_qs, u"SYS_User"_qs, u"SYS_UserShop"_qs, u"SYS_Monitor"_qs, u"SYS_Params"_qs, u"SYS_Fields"_qs}) {
        auto& editor = editors.emplace_back(std::make_unique<TFormShop>());
        editor->SetKeys(key, u"SYS_CODE"_qs, u"SYS_CODE"_qs);
        editor->SQLQueryShop->SQL = u"select * from "_qs + QuotedName(key);
        editor->show();
        windows[key] = {editor.get(), editor->DBGridShop};
    }

    QStringList keys;
    for (const auto query = OpenQuery(u"select distinct \"Code\" from \"SYS_Fields\""_qs); !query->Eof(); query->Next())
        keys << query->Fields(0)->AsString();
    EXPECT_EQ(keys.size(), int(windows.size())) << keys.join(u',').toStdString();
    for (const auto& [key, window] : windows) {
        Keep(*window.first, u"fresh-"_qs + key + u".png"_qs);
        const TDBGridMv& grid = *window.second;
        // Every stored row names a field of the window, and every column is titled by one.
        const auto rows = OpenQuery(u"select \"FieldName\" from \"SYS_Fields\" where \"Code\" = "_qs + QuotedStr(key));
        int count = 0;
        for (; !rows->Eof(); rows->Next(), ++count)
            EXPECT_TRUE(grid.DataSet()->FindField(rows->Fields(0)->AsString())) << key.toStdString();
        ASSERT_EQ(grid.Columns().Count(), count) << key.toStdString();
        const QFontMetrics metrics(grid.TitleFont());
        for (int i = 0; i < count; ++i) {
            const TColumnMv& column = *grid.Columns().Items(i);
            const QString caption = column.Title().Caption();
            const std::string where = key.toStdString() + "." + column.FieldName().toStdString();
            EXPECT_TRUE(std::any_of(caption.begin(), caption.end(), [](QChar c) { return c.unicode() >= 0x4E00; })) << where;
            EXPECT_LE(metrics.horizontalAdvance(caption) + 6, column.Width()) << where << " " << caption.toStdString();
        }
    }
    const auto column = [&](const QString& key, const QString& field) { return windows[key].second->GetColumnByFieldName(field); };
    for (const auto& [key, field] : {std::pair{u"SYS_Shop"_qs, u"AutoMonitor"_qs}, {u"SYS_Monitor"_qs, u"Active"_qs},
                                     {u"SYS_Barcode"_qs, u"Selected"_qs}, {u"SYS_Fields"_qs, u"Visible"_qs}})
        EXPECT_TRUE(column(key, field)->Checkboxes()) << field.toStdString();
    // The sounds can be loaded and played.
    EXPECT_EQ(column(u"SYS_Monitor"_qs, u"Sound"_qs)->EditButtons().Count(), 2);
    EXPECT_EQ(column(u"SYS_Params"_qs, u"BlobValue"_qs)->EditButtons().Count(), 2);
}
