// The shop records of the main window against what the administrator
// changes: a shop renamed in the editor shows the same SKUs and figures,
// and a shop mended while a monitor window is open is used as mended by the
// windows opened afterwards. The stand-in, a fresh database and real windows.

#include "SellerSupport.h"

namespace {

class ShopRecordTest : public ShopWindowsTest {
protected:
    // The root node of the shop in the main window's tree (null when none).
    QTreeWidgetItem* NodeOf(const QString& code) const
    {
        for (int i = 0; i < Main->tvShops->topLevelItemCount(); ++i)
            if (Main->ShopOf(Main->tvShops->topLevelItem(i))->Code == code)
                return Main->tvShops->topLevelItem(i);
        return nullptr;
    }
    // Opens the window of a child of the shop's node (0 "同步数据", 1 "监控数据").
    void OpenWindowOf(const QString& code, int child)
    {
        QTreeWidgetItem* node = NodeOf(code);
        ASSERT_NE(node, nullptr) << code.toStdString();
        Main->tvShops->setCurrentItem(node->child(child));
        Main->tvShopsDblClick();
    }
    // Every SKU's row of an items window: its id and figures.
    static QString Figures(TClientDataSet& rows)
    {
        QStringList lines;
        for (rows.First(); !rows.Eof(); rows.Next()) {
            QStringList line;
            for (const char16_t* field : {u"SkuID", u"QtyPay", u"QtyStock", u"QtyBalance", u"QtyOrder"})
                line << rows.FieldByName(QString::fromUtf16(field))->AsString();
            lines << line.join(u'/');
        }
        return lines.join(u' ');
    }
    // The figures of the shop's "同步数据" window, as it shows them.
    QString SyncWindowFigures(const QString& code)
    {
        QString figures;
        Answers.Modal = [&](QDialog& dialog) {
            auto& items = dynamic_cast<TFormItems&>(dialog);
            items.show();
            figures = Figures(*items.ClientDataSetItems);
            return int(QDialog::Rejected);
        };
        OpenWindowOf(code, 0);
        return figures;
    }
    // The administrator's change of the shop editor's rows, saved.
    void EditShops(const std::function<void(TFormShop&)>& change)
    {
        Answers.Modal = [&](QDialog& dialog) {
            auto& editor = dynamic_cast<TFormShop&>(dialog);
            editor.show();
            change(editor);
            editor.ClientDataSetShop->CheckBrowseMode();
            editor.ActionSave->trigger();
            editor.ActionExit->trigger();
            return editor.result();
        };
        Main->ActionConfigShops->trigger();
        EXPECT_EQ(Answers.Texts().value(Answers.Messages.size() - 1), u"数据保存成功!"_qs) << Answers.Texts().join(u'\n').toStdString();
    }
    static void TypeOver(TFormShop& editor, const QString& code, const QString& field, const QString& text)
    {
        editor.ClientDataSetShop->CheckBrowseMode();
        ASSERT_TRUE(editor.ClientDataSetShop->Locate(u"Code"_qs, Variant(code)));
        TypeOverShopCell(editor, field, text);
    }
};

} // namespace

TEST_F(ShopRecordTest, AShopRenamedInTheEditorShowsTheSameSkusAndFigures)
{
    Sync();
    PaidLine(SkuA, u"500000000001"_qs, 2, u"2024-06-01 12:30:00"_qs);
    StockIn(5, SysRec.StockTime, {SkuA});
    AdministratorsMain();
    const QString before = SyncWindowFigures(u"S1"_qs);
    EXPECT_TRUE(before.contains(SkuA + u"/2/5/3/7"_qs)) << before.toStdString();
    EditShops([](TFormShop& editor) { TypeOver(editor, u"S1"_qs, u"Code"_qs, u"S9"_qs); });
    EXPECT_EQ(SyncWindowFigures(u"S9"_qs), before);
    EXPECT_EQ(NodeOf(u"S1"_qs), nullptr);
}

TEST_F(ShopRecordTest, AShopMendedWhileAMonitorWindowIsOpenIsUsedAsMendedOnceThatWindowCloses)
{
    ExecSql(u"update \"SYS_Shop\" set \"Session\" = 'wrong' where \"Code\" = 'S1'"_qs);
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"SyncDate\") "
            "values('S2','二店','k1','secret','sess','2024-06-01 12:00:00')"_qs);
    ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','S2','店长')"_qs);
    AdministratorsMain();
    OpenWindowOf(u"S2"_qs, 1);
    TTreeNodeShop* held = Main->ShopOf(NodeOf(u"S2"_qs));
    ASSERT_TRUE(held->MonitorForm);
    EditShops([](TFormShop& editor) {
        TypeOver(editor, u"S1"_qs, u"Session"_qs, u"sess"_qs);
        TypeOver(editor, u"S2"_qs, u"Name"_qs, u"二店新"_qs);
    });
    // The open window keeps the record it holds until it closes.
    EXPECT_EQ(held->Name, u"二店"_qs);
    EXPECT_EQ(NodeOf(u"S2"_qs)->text(0), u"二店 - 店长"_qs);
    held->MonitorForm->close();
    EXPECT_TRUE(WaitFor([&] { return NodeOf(u"S2"_qs)->text(0) == u"二店新 - 店长"_qs; }, 5000));
    EXPECT_EQ(Main->ShopOf(NodeOf(u"S2"_qs))->Name, u"二店新"_qs);
    Keep(*Main, u"main-shop-mended.png"_qs);

    // Never synced, "S1" syncs as it opens, with the mended session.
    Answers.Messages.clear();
    const QString figures = SyncWindowFigures(u"S1"_qs);
    EXPECT_EQ(figures.count(u' '), 2) << figures.toStdString();
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}
