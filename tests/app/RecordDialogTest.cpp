// The record dialog over the table editor's grid: one labelled edit per
// field the grid shows, a combo box where the column offers a pick list.
// (The data-aware edits and the grid library cannot share a translation
// unit, so the pick list comes from the layout here.)

#include "AppTest.h"

#include "app/KivCDEdit.h"
#include "app/KivShop.h"
#include "gridbase/DBCtrlsMv.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"

#include <QAction>

TEST_F(AppTest, RecordDialogLinesUpTheGridsFields)
{
    ExecSql(u"insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\",\"Width\",\"Index\","
            "\"Visible\",\"BinType\") values('SYS_Fields','BinType','SYS_CODE','SYS_CODE','类型',6,9,1,'')"_qs);
    TFormShop form;
    form.SetKeys(u"SYS_Fields"_qs, u"SYS_CODE"_qs, u"SYS_CODE"_qs);
    form.SQLQueryShop->SQL = u"select \"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\",\"Width\",\"Index\",\"Visible\","
                             "\"ReadOnly\",\"BinType\" from \"SYS_Fields\""_qs;
    form.show();
    TDialogAnswers answers;
    int height = 0;
    QStringList items;
    int edits = 0;
    answers.Modal = [&](QDialog& dialog) {
        auto& record = dynamic_cast<TFormCDEdit&>(dialog);
        record.show();
        height = record.height();
        for (const auto* combo : record.findChildren<TDBComboBoxMv*>())
            items << combo->Items().Items();
        edits = int(record.findChildren<TDBEditMv*>().size());
        record.findChildren<TDBEditMv*>().at(4)->setText(u"新标题"_qs);
        record.ActionNo->trigger();
        return record.result();
    };
    form.ActionEdit->trigger();
    EXPECT_EQ(height, 336) << "a 35-pixel toolbar and 10 fields";
    EXPECT_EQ(edits, 9);
    EXPECT_EQ(items, (QStringList{QString(), u"WAV"_qs, u"MP3"_qs, u"EXE"_qs}));
    TField& caption = *form.ClientDataSetShop->FieldByName(u"Caption"_qs);
    EXPECT_EQ(form.ClientDataSetShop->State(), dsBrowse) << "cancelled";
    EXPECT_EQ(caption.AsString(), u"类型"_qs);

    answers.Modal = [](QDialog& dialog) {
        auto& record = dynamic_cast<TFormCDEdit&>(dialog);
        record.show();
        record.findChildren<TDBEditMv*>().at(4)->setText(u"新标题"_qs);
        record.ActionOK->trigger();
        return record.result();
    };
    form.ActionEdit->trigger();
    EXPECT_EQ(form.ClientDataSetShop->State(), dsBrowse);
    EXPECT_EQ(caption.AsString(), u"新标题"_qs);
    EXPECT_EQ(form.ClientDataSetShop->ChangeCount(), 1);
}

// Pictures of the shop editor and of its record dialog (written to
// MORVANE_SCREENSHOT_DIR as table-editor.png and record-dialog.png).
TEST_F(AppTest, TableEditorAndRecordDialogScreenshots)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"AutoMonitor\") values('S1','旗舰店','12345678','secret','6100aaa',1)"_qs);
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\") values('S2','折扣店','23456789')"_qs);
    TFormShop form;
    form.setWindowTitle(u"店铺设置"_qs);
    form.SetKeys(u"SYS_Shop"_qs, u"SYS_CODE"_qs, u"SYS_CODE"_qs);
    form.SQLQueryShop->SQL = u"select * from \"SYS_Shop\""_qs;
    form.show();
    const QImage editor = form.grab().toImage();
    Keep(editor, u"table-editor.png"_qs);
    EXPECT_EQ(editor.size(), QSize(866, 549));

    TDialogAnswers answers;
    QImage record;
    answers.Modal = [&](QDialog& dialog) {
        dialog.show();
        record = dialog.grab().toImage();
        return int(QDialog::Rejected);
    };
    form.ActionEdit->trigger();
    Keep(record, u"record-dialog.png"_qs);
    EXPECT_EQ(record.height(), 35 + 2 + 7 * 24 + 24 + 35) << "seven fields";
}
