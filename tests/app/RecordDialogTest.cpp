// The record dialog over the table editor's grid: one labelled edit per
// field the grid shows, a combo box where the column offers a pick list
// (here from the layout: the data-aware edits and the grid library cannot
// share a translation unit). With MORVANE_SCREENSHOT_DIR set, the shop
// editor, a layout editor and the dialog are written there as
// table-editor.png, layout-editor.png and record-dialog.png.

#include "AppTest.h"

#include "app/KivCDEdit.h"
#include "app/KivShop.h"
#include "gridbase/DBCtrlsMv.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"

#include <QAction>

TEST_F(AppTest, RecordDialogLinesUpTheGridsFields)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"AutoMonitor\") values('S1','旗舰店','12345678','secret','6100aaa',1)"_qs);
    // Narrower than the fields' own widths, as an administrator sets them in the layout editor.
    ExecSql(u"update \"SYS_Fields\" set \"Width\" = 14 where \"Code\" = 'SYS_Shop'"_qs);
    TFormShop shops;
    shops.setWindowTitle(u"店铺设置"_qs);
    shops.SetKeys(u"SYS_Shop"_qs, u"SYS_CODE"_qs, u"SYS_CODE"_qs);
    shops.SQLQueryShop->SQL = u"select * from \"SYS_Shop\""_qs;
    shops.show();
    Keep(shops.grab().toImage(), u"table-editor.png"_qs);

    // Ten fields of the layouts, "BinType" with its pick list.
    TFormShop form;
    form.SetKeys(u"SYS_Fields"_qs, u"SYS_CODE"_qs, u"SYS_CODE"_qs);
    form.SQLQueryShop->SQL = u"select \"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\",\"Width\",\"Index\",\"Visible\","
                             "\"ReadOnly\",\"BinType\" from \"SYS_Fields\""_qs;
    form.show();
    Keep(form.grab().toImage(), u"layout-editor.png"_qs);
    TField& caption = *form.ClientDataSetShop->FieldByName(u"Caption"_qs);
    const QString stored = caption.AsString();
    TDialogAnswers answers;
    int height = 0;
    bool confirm = false;
    QStringList items;
    answers.Modal = [&](QDialog& dialog) {
        auto& record = dynamic_cast<TFormCDEdit&>(dialog);
        record.show();
        height = record.height();
        for (const auto* combo : record.findChildren<TDBComboBoxMv*>())
            items << combo->Items().Items();
        Keep(record.grab().toImage(), u"record-dialog.png"_qs);
        const auto edits = record.findChildren<TDBEditMv*>();
        EXPECT_EQ(edits.size(), 9);
        edits.at(4)->setText(u"新标题"_qs);
        (confirm ? record.ActionOK : record.ActionNo)->trigger();
        return record.result();
    };
    form.ActionEdit->trigger();
    EXPECT_EQ(height, 336) << "a 35-pixel toolbar and 10 fields";
    EXPECT_EQ(items, (QStringList{QString(), u"WAV"_qs, u"MP3"_qs, u"EXE"_qs}));
    EXPECT_EQ(form.ClientDataSetShop->State(), dsBrowse) << "cancelled";
    EXPECT_EQ(caption.AsString(), stored);

    confirm = true;
    form.ActionEdit->trigger();
    EXPECT_EQ(form.ClientDataSetShop->State(), dsBrowse);
    EXPECT_EQ(caption.AsString(), u"新标题"_qs);
    EXPECT_EQ(form.ClientDataSetShop->ChangeCount(), 1);
}
