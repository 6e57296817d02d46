// Users and shops deleted, renamed or mended in the table editors: what is
// keyed by a code goes or moves in the same save, a code used again starts
// with nothing of the old record, swapped codes are saved, and the windows
// opened afterwards work with the shops as they are stored. The stand-in's
// shop "S1", a fresh database and real windows.

#include "SellerSupport.h"

#include "client/KivQuery.h"

namespace {

class CodeMovesTest : public ShopWindowsTest {
protected:
    static void AddShop(const QString& code, const QString& name)
    {
        ExecSql(u"insert into \"SYS_Shop\" values("_qs + QuotedStr(code) + u','
                + QuotedStr(name) + u",'k1','secret','sess',0,'2024-06-01 12:00:00')"_qs);
    }
    static void Link(const QString& user, const QString& shop)
    {
        ExecSql(u"insert into \"SYS_UserShop\" values("_qs + QuotedStr(user) + u',' + QuotedStr(shop) + u",'店员')"_qs);
    }
    // The shop synced: a snapshot of a SKU, a trade line of it, the monitor's moment.
    static void AddHistory(const QString& shop, const QString& sku)
    {
        ExecSql(u"update \"SYS_Shop\" set \"SyncDate\" = '2024-06-01 12:00:00' where \"Code\" = "_qs + QuotedStr(shop));
        const QString values = QuotedStr(shop) + u",'2024-06-01 12:00:00')"_qs;
        ExecSql(u"insert into \"KivItemOnsale\"(\"NumIID\",\"ShopCode\",\"SyncDate\") values(7,"_qs + values);
        ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"ShopCode\",\"SyncDate\") values("_qs + sku + u",7,"_qs + values);
        ExecSql(u"insert into \"KivItemOut\"(\"SkuID\",\"Qty\",\"ShopCode\",\"Date\") values("_qs + sku + u",1,"_qs + values);
        ExecSql(u"insert into \"KivOutGap\"(\"ShopCode\",\"GapFrom\") values("_qs + values);
    }
    // The rows under a code: of the links and layouts of a user, of the
    // links, snapshots, trade lines and moment of a shop.
    static QString Under(const QString& column, const QString& code)
    {
        QStringList counts;
        for (const QString& table : column == u"UserCode"_qs ? QStringList{u"SYS_UserShop"_qs, u"SYS_Fields"_qs}
                                                              : QStringList{u"SYS_UserShop"_qs, u"KivItemOnsale"_qs, u"KivItem"_qs,
                                                                            u"KivItemOut"_qs, u"KivOutGap"_qs})
            counts << Scalar(u"select count(*) from "_qs + QuotedName(table) + u" where "_qs + QuotedName(column) + u" = "_qs + QuotedStr(code));
        return counts.join(u'/');
    }
    static QString Links() { return Scalar(u"select list(x) from (select \"UserCode\" || '>' || \"ShopCode\" x from \"SYS_UserShop\" order by 1)"_qs); }
    std::unique_ptr<TFormShop> Editor(const QString& table)
    {
        auto form = std::make_unique<TFormShop>();
        form->SetKeys(table, u"SYS_CODE"_qs, u"SYS_CODE"_qs);
        form->SQLQueryShop->SQL = u"select * from "_qs + QuotedName(table) + (table == u"SYS_User"_qs ? u" where \"Code\" <> 'admin'"_qs : QString());
        form->show();
        return form;
    }
    static void TypeOver(TFormShop& form, const QString& code, const QString& field, const QString& text)
    {
        form.ClientDataSetShop->CheckBrowseMode();
        ASSERT_TRUE(form.ClientDataSetShop->Locate(u"Code"_qs, Variant(code)));
        TypeOverShopCell(form, field, text);
    }
    void Save(TFormShop& form)
    {
        form.ClientDataSetShop->CheckBrowseMode();
        form.ActionSave->trigger();
        EXPECT_EQ(Answers.Texts().value(Answers.Messages.size() - 1), u"数据保存成功!"_qs) << Answers.Texts().join(u'\n').toStdString();
    }
    QTreeWidgetItem* NodeOf(const QString& code) const
    {
        for (int i = 0; i < Main->tvShops->topLevelItemCount(); ++i)
            if (Main->ShopOf(Main->tvShops->topLevelItem(i))->Code == code)
                return Main->tvShops->topLevelItem(i);
        return nullptr;
    }
    // Every SKU's figures in the shop's "同步数据" window, as it shows them.
    QString SyncWindowFigures(const QString& code)
    {
        QString figures;
        Answers.Modal = [&](QDialog& dialog) {
            dialog.show();
            TClientDataSet& rows = *dynamic_cast<TFormItems&>(dialog).ClientDataSetItems;
            for (rows.First(); !rows.Eof(); rows.Next())
                for (const char16_t* field : {u"SkuID", u"QtyPay", u"QtyStock", u"QtyBalance", u"QtyOrder"})
                    figures += rows.FieldByName(QString::fromUtf16(field))->AsString() + u' ';
            return int(QDialog::Rejected);
        };
        QTreeWidgetItem* node = NodeOf(code);
        if (!node) {
            ADD_FAILURE() << "no shop " << code.toStdString() << " in the tree";
            return figures;
        }
        Main->tvShops->setCurrentItem(node->child(0));
        Main->tvShopsDblClick();
        return figures;
    }
};

} // namespace

TEST_F(CodeMovesTest, AUsersLinksAndLayoutsMoveWithANewCodeAndGoWithTheUser)
{
    AddUser(u"clerk"_qs, PasswordHash(u"clerk"_qs, u"pw"_qs));
    AddShop(u"S2"_qs, u"二店"_qs);
    Link(u"clerk"_qs, u"S1"_qs);
    Link(u"clerk"_qs, u"S2"_qs);
    ExecSql(u"insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\") values('SYS_KivItem','Title','clerk','SYS_CODE')"_qs);
    const QString shared = Under(u"UserCode"_qs, u"SYS_CODE"_qs);
    const auto users = Editor(u"SYS_User"_qs);
    // Renamed with a new password (the stored hash is made with the code).
    TypeOver(*users, u"clerk"_qs, u"Code"_qs, u"clerk2"_qs);
    TypeOverShopCell(*users, u"Password"_qs, u"pw2"_qs);
    Save(*users);
    EXPECT_EQ(Under(u"UserCode"_qs, u"clerk"_qs), u"0/0"_qs);
    EXPECT_EQ(Under(u"UserCode"_qs, u"clerk2"_qs), u"2/1"_qs);
    // Deleted, and a new user of the code starts with no shop.
    users->ActionDelete->trigger();
    Save(*users);
    users->ActionAppend->trigger();
    TypeInShopCell(*users, u"Code"_qs, u"clerk2"_qs);
    Save(*users);
    EXPECT_EQ(Under(u"UserCode"_qs, u"clerk2"_qs), u"0/0"_qs);
    EXPECT_EQ(Links(), u"admin>S1"_qs);
    EXPECT_EQ(Under(u"UserCode"_qs, u"SYS_CODE"_qs), shared);
}

TEST_F(CodeMovesTest, ADeletedShopLeavesNoLinkAndANewShopOfItsCodeStartsWithNothingOfIt)
{
    AddUser(u"clerk"_qs, QString());
    Link(u"clerk"_qs, u"S1"_qs);
    Link(u"clerk"_qs, u"S7"_qs); // left behind by an older program that deleted "S7"
    AddHistory(u"S1"_qs, u"501"_qs);
    StockIn(5, SysRec.StockTime, {u"501"_qs}, u"7"_qs);
    const auto shops = Editor(u"SYS_Shop"_qs);
    shops->ActionDelete->trigger();
    Save(*shops);
    // Its trade line and its stock-in stay as the history of their SKU.
    EXPECT_EQ(Scalar(u"select count(\"ShopCode\") || '/' || count(*) from \"KivItemOut\" where \"SkuID\" = 501"_qs), u"0/1"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemInList\" where \"SkuID\" = 501"_qs), u"1"_qs);
    for (const QString& code : {u"S1"_qs, u"S7"_qs}) {
        shops->ActionAppend->trigger();
        for (const auto& [field, value] : {std::pair{u"Code"_qs, code}, {u"AppKey"_qs, u"k2"_qs}, {u"AppSecret"_qs, u"s2"_qs}})
            TypeInShopCell(*shops, field, value);
    }
    Save(*shops);
    EXPECT_EQ(Under(u"ShopCode"_qs, u"S1"_qs), u"0/0/0/0/0"_qs);
    EXPECT_EQ(Links(), u"<null>"_qs);
    EXPECT_EQ(LastOutDate(u"S1"_qs), QString()) << "no sync time, no trade line of its own";
}

TEST_F(CodeMovesTest, ShopCodesThatSwapAreSavedWithWhatIsKeyedByThemUnlessAWindowOfOneIsOpen)
{
    AddShop(u"S2"_qs, u"二店"_qs);
    Link(u"admin"_qs, u"S2"_qs);
    AddUser(u"clerk"_qs, QString());
    Link(u"clerk"_qs, u"S2"_qs);
    AddHistory(u"S1"_qs, u"501"_qs);
    AddHistory(u"S2"_qs, u"502"_qs);
    AdministratorsMain();
    const auto shops = Editor(u"SYS_Shop"_qs);
    TypeOver(*shops, u"S1"_qs, u"Code"_qs, u"SX"_qs);
    TypeOver(*shops, u"S2"_qs, u"Code"_qs, u"S1"_qs);
    TypeOver(*shops, u"SX"_qs, u"Code"_qs, u"S2"_qs);
    Main->tvShops->setCurrentItem(NodeOf(u"S1"_qs)->child(1));
    Main->tvShopsDblClick();
    shops->ActionSave->trigger();
    EXPECT_EQ(Answers.Texts().value(0), u"店铺[文具店]的监控数据窗口还开着,请先关闭该窗口,再修改店铺代码!"_qs);
    Main->ShopOf(NodeOf(u"S1"_qs))->MonitorForm->close();
    Save(*shops);
    EXPECT_EQ(Scalar(u"select list(x) from (select \"Code\" || \"Name\" x from \"SYS_Shop\" order by 1)"_qs), u"S1二店,S2文具店"_qs);
    EXPECT_EQ(Links(), u"admin>S1,admin>S2,clerk>S1"_qs);
    for (const QString& table : {u"KivItem"_qs, u"KivItemOut"_qs})
        EXPECT_EQ(Scalar(u"select list(x) from (select \"ShopCode\" || \"SkuID\" x from "_qs + QuotedName(table) + u" order by 1)"_qs),
                  u"S1502,S2501"_qs);
    EXPECT_EQ(Under(u"ShopCode"_qs, u"S2"_qs), u"1/1/1/1/1"_qs);
}

TEST_F(CodeMovesTest, AShopRenamedInTheEditorShowsTheSameSkusAndFigures)
{
    Sync();
    PaidLine(SkuA, u"500000000001"_qs, 2, u"2024-06-01 12:30:00"_qs);
    StockIn(5, SysRec.StockTime, {SkuA});
    AdministratorsMain();
    const QString before = SyncWindowFigures(u"S1"_qs);
    EXPECT_TRUE(before.contains(SkuA + u" 2 5 3 7 "_qs)) << before.toStdString();
    const auto shops = Editor(u"SYS_Shop"_qs);
    TypeOver(*shops, u"S1"_qs, u"Code"_qs, u"S9"_qs);
    Save(*shops);
    EXPECT_EQ(SyncWindowFigures(u"S9"_qs), before);
}

TEST_F(CodeMovesTest, AShopMendedWhileAMonitorWindowIsOpenIsUsedAsMendedOnceThatWindowCloses)
{
    ExecSql(u"update \"SYS_Shop\" set \"Session\" = 'wrong' where \"Code\" = 'S1'"_qs);
    AddShop(u"S2"_qs, u"二店"_qs);
    Link(u"admin"_qs, u"S2"_qs);
    AdministratorsMain();
    Main->tvShops->setCurrentItem(NodeOf(u"S2"_qs)->child(1));
    Main->tvShopsDblClick();
    TTreeNodeShop* held = Main->ShopOf(NodeOf(u"S2"_qs));
    ASSERT_TRUE(held->MonitorForm);
    const auto shops = Editor(u"SYS_Shop"_qs);
    TypeOver(*shops, u"S1"_qs, u"Session"_qs, u"sess"_qs);
    TypeOver(*shops, u"S2"_qs, u"Name"_qs, u"二店新"_qs);
    Save(*shops);
    // The open window keeps the record it holds until it closes.
    EXPECT_EQ(NodeOf(u"S2"_qs)->text(0), u"二店 - 店员"_qs);
    held->MonitorForm->close();
    EXPECT_TRUE(WaitFor([&] { return held->Name == u"二店新"_qs && NodeOf(u"S2"_qs)->text(0) == u"二店新 - 店员"_qs; }, 5000));
    Keep(*Main, u"main-shop-mended.png"_qs);
    // Never synced, "S1" syncs as it opens, with the mended session.
    Answers.Messages.clear();
    EXPECT_EQ(SyncWindowFigures(u"S1"_qs).count(u' '), 15);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}
