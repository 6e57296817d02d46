// Users and shops deleted, or given another code, in the table editors:
// what is keyed by the code goes or moves in the same save, a code used
// again starts with nothing of the old record, and codes that swap places
// are saved. A fresh database and real editor windows.

#include "AppTest.h"
#include "ItemsTestSupport.h"
#include "ShopEditorSupport.h"

#include "app/KivMain.h"
#include "app/KivShop.h"
#include "client/KivQuery.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"

#include <QAction>
#include <QTreeWidget>

namespace {

class CodeMovesTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        MainKivHooks = {};
        SysRec.StockTime = LoadStockTime();
    }
    void TearDown() override
    {
        MainKivHooks = {};
        AppTest::TearDown();
    }

    static void AddShop(const QString& code, const QString& name)
    {
        ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"SyncDate\") values("_qs + QuotedStr(code)
                + u","_qs + QuotedStr(name) + u",'k','s','x','2024-06-01 12:00:00')"_qs);
    }
    static void Link(const QString& user, const QString& shop)
    {
        ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values("_qs + QuotedStr(user) + u","_qs
                + QuotedStr(shop) + u",'店员')"_qs);
    }
    // A snapshot of one item of one SKU, a trade line of it, the monitor's moment.
    static void AddHistory(const QString& shop, const QString& sku)
    {
        ExecSql(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values(7,'笔',"_qs + QuotedStr(shop)
                + u",'2024-06-01 12:00:00')"_qs);
        ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"Qty\",\"ShopCode\",\"SyncDate\") values("_qs + sku + u",7,1,"_qs
                + QuotedStr(shop) + u",'2024-06-01 12:00:00')"_qs);
        ExecSql(u"insert into \"KivItemOut\"(\"ShopCode\",\"SkuID\",\"NumIID\",\"Qty\",\"Date\",\"Status\",\"TradeEvent\") values("_qs
                + QuotedStr(shop) + u',' + sku + u",7,1,'2024-06-01 12:30:00','WAIT_SELLER_SEND_GOODS','TradeBuyerPay')"_qs);
        ExecSql(u"insert into \"KivOutGap\"(\"ShopCode\",\"GapFrom\") values("_qs + QuotedStr(shop) + u",'2024-06-01 12:40:00')"_qs);
    }
    // What is stored under a code: its links, snapshot rows, trade lines and moment.
    static QString Under(const QString& column, const QString& code)
    {
        QStringList counts;
        const QStringList tables = column == u"UserCode"_qs ? QStringList{u"SYS_UserShop"_qs, u"SYS_Fields"_qs}
                                                             : QStringList{u"SYS_UserShop"_qs, u"KivItemOnsale"_qs, u"KivItem"_qs,
                                                                           u"KivItemOut"_qs, u"KivOutGap"_qs};
        for (const QString& table : tables)
            counts << Scalar(u"select count(*) from "_qs + QuotedName(table) + u" where "_qs + QuotedName(column) + u" = "_qs + QuotedStr(code));
        return counts.join(u'/');
    }
    // The shops in the tree of a user's main window.
    static QStringList TreeOf(const QString& user)
    {
        SysRec.UserCode = user;
        TMainKiv main;
        QStringList shops;
        for (int i = 0; i < main.tvShops->topLevelItemCount(); ++i)
            shops << main.ShopOf(main.tvShops->topLevelItem(i))->Code;
        SysRec.UserCode = u"admin"_qs;
        return shops;
    }
    std::unique_ptr<TFormShop> Editor(const QString& sql, const QString& key)
    {
        auto form = std::make_unique<TFormShop>();
        form->SetKeys(key, u"SYS_CODE"_qs, u"SYS_CODE"_qs);
        form->SQLQueryShop->SQL = sql;
        form->show();
        return form;
    }
    static void SetCode(TFormShop& form, const QString& from, const QString& to)
    {
        ASSERT_TRUE(form.ClientDataSetShop->Locate(u"Code"_qs, Variant(from)));
        TypeOverShopCell(form, u"Code"_qs, to);
        form.ClientDataSetShop->Post();
    }
    void Save(TFormShop& form)
    {
        form.ActionSave->trigger();
        EXPECT_EQ(Answers.Texts().value(Answers.Messages.size() - 1), u"数据保存成功!"_qs) << Answers.Texts().join(u'\n').toStdString();
    }

    TDialogAnswers Answers;
};

} // namespace

TEST_F(CodeMovesTest, AUsersLinksAndLayoutsMoveWithANewCodeAndGoWithTheUser)
{
    AddShop(u"S1"_qs, u"一店"_qs);
    AddShop(u"S2"_qs, u"二店"_qs);
    AddUser(u"clerk"_qs, PasswordHash(u"clerk"_qs, u"pw"_qs));
    AddUser(u"boss"_qs, QString());
    Link(u"clerk"_qs, u"S1"_qs);
    Link(u"clerk"_qs, u"S2"_qs);
    Link(u"boss"_qs, u"S1"_qs);
    ExecSql(u"insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\") values('SYS_KivItem','Title','clerk','SYS_CODE')"_qs);
    const QString shared = Scalar(u"select count(*) from \"SYS_Fields\" where \"UserCode\" = 'SYS_CODE'"_qs);
    const auto users = Editor(u"select * from \"SYS_User\" where \"Code\" <> 'admin'"_qs, u"SYS_User"_qs);

    // Renamed (with a new password, as the hash is made with the code).
    ASSERT_TRUE(users->ClientDataSetShop->Locate(u"Code"_qs, Variant(u"clerk"_qs)));
    TypeOverShopCell(*users, u"Code"_qs, u"clerk2"_qs);
    TypeOverShopCell(*users, u"Password"_qs, u"pw2"_qs);
    users->ClientDataSetShop->Post();
    Save(*users);
    EXPECT_EQ(Under(u"UserCode"_qs, u"clerk"_qs), u"0/0"_qs);
    EXPECT_EQ(Under(u"UserCode"_qs, u"clerk2"_qs), u"2/1"_qs);
    EXPECT_EQ(TreeOf(u"clerk2"_qs), (QStringList{u"S1"_qs, u"S2"_qs}));

    // Deleted: nothing of theirs stays; a new user of the code starts with no shop.
    users->ActionDelete->trigger();
    Save(*users);
    users->ActionAppend->trigger();
    TypeInShopCell(*users, u"Code"_qs, u"clerk2"_qs);
    users->ClientDataSetShop->Post();
    Save(*users);
    EXPECT_EQ(Under(u"UserCode"_qs, u"clerk2"_qs), u"0/0"_qs);
    EXPECT_EQ(TreeOf(u"clerk2"_qs), QStringList());
    EXPECT_EQ(TreeOf(u"boss"_qs), QStringList{u"S1"_qs});
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Fields\" where \"UserCode\" = 'SYS_CODE'"_qs), shared);
}

TEST_F(CodeMovesTest, ADeletedShopLeavesNoLinkAndANewShopOfItsCodeStartsWithNothingOfIt)
{
    AddShop(u"S1"_qs, u"一店"_qs);
    AddUser(u"clerk"_qs, QString());
    Link(u"admin"_qs, u"S1"_qs);
    Link(u"clerk"_qs, u"S1"_qs);
    AddHistory(u"S1"_qs, u"501"_qs);
    StockIn(5, SysRec.StockTime, {u"501"_qs}, u"7"_qs);
    // A link an older program left behind when it deleted shop "S7".
    Link(u"clerk"_qs, u"S7"_qs);
    const auto shops = Editor(u"select * from \"SYS_Shop\""_qs, u"SYS_Shop"_qs);
    shops->ActionDelete->trigger();
    Save(*shops);
    EXPECT_EQ(Under(u"ShopCode"_qs, u"S1"_qs), u"0/0/0/0/0"_qs);
    // Its trade line and its stock-in stay, as the history of their SKU.
    EXPECT_EQ(Scalar(u"select count(*) || '/' || sum(\"Qty\") from \"KivItemOut\" where \"SkuID\" = 501"_qs), u"1/1"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItemInList\" where \"SkuID\" = 501"_qs), u"1"_qs);

    for (const QString& code : {u"S1"_qs, u"S7"_qs}) {
        shops->ActionAppend->trigger();
        for (const auto& [field, value] : {std::pair{u"Code"_qs, code}, {u"AppKey"_qs, u"k2"_qs}, {u"AppSecret"_qs, u"s2"_qs}})
            TypeInShopCell(*shops, field, value);
        shops->ClientDataSetShop->Post();
    }
    Save(*shops);
    EXPECT_EQ(TreeOf(u"clerk"_qs), QStringList());
    EXPECT_EQ(TreeOf(u"admin"_qs), QStringList());
    EXPECT_EQ(Under(u"ShopCode"_qs, u"S1"_qs), u"0/0/0/0/0"_qs);
    EXPECT_EQ(LastOutDate(u"S1"_qs), QString()) << "no sync time, no trade line of its own";
}

TEST_F(CodeMovesTest, ShopCodesThatSwapAreSavedWithEverythingKeyedByThemUnlessAWindowOfOneIsOpen)
{
    AddShop(u"S1"_qs, u"一店"_qs);
    AddShop(u"S2"_qs, u"二店"_qs);
    AddUser(u"clerk"_qs, QString());
    Link(u"admin"_qs, u"S1"_qs);
    Link(u"clerk"_qs, u"S1"_qs);
    Link(u"clerk"_qs, u"S2"_qs);
    AddHistory(u"S1"_qs, u"501"_qs);
    AddHistory(u"S2"_qs, u"502"_qs);
    const auto shops = Editor(u"select * from \"SYS_Shop\""_qs, u"SYS_Shop"_qs);
    const auto swap = [&] {
        SetCode(*shops, u"S1"_qs, u"SX"_qs);
        SetCode(*shops, u"S2"_qs, u"S1"_qs);
        SetCode(*shops, u"SX"_qs, u"S2"_qs);
    };

    // Refused while a window of either shop is open.
    SysRec.UserCode = u"clerk"_qs;
    TMainKiv main;
    TFormItems sync;
    sync.SetShop(main.ShopOf(main.tvShops->topLevelItem(1)));
    sync.show();
    swap();
    shops->ActionSave->trigger();
    EXPECT_EQ(Answers.Texts().value(0), u"店铺[二店]的同步数据窗口还开着,请先关闭该窗口,再修改店铺代码!"_qs);
    EXPECT_EQ(Scalar(u"select \"Name\" from \"SYS_Shop\" where \"Code\" = 'S1'"_qs), u"一店"_qs);
    sync.close();
    sync.SetShop(nullptr);

    Save(*shops);
    EXPECT_EQ(Scalar(u"select list(\"Code\" || \"Name\") from (select * from \"SYS_Shop\" order by \"Code\")"_qs), u"S1二店,S2一店"_qs);
    // Links, snapshots, trade lines and moments went with their shops.
    EXPECT_EQ(Scalar(u"select list(\"UserCode\" || '>' || \"ShopCode\") from (select * from \"SYS_UserShop\" order by 1, 2)"_qs),
              u"admin>S2,clerk>S1,clerk>S2"_qs);
    for (const QString& table : {u"KivItem"_qs, u"KivItemOut"_qs})
        EXPECT_EQ(Scalar(u"select list(x) from (select \"ShopCode\" || \"SkuID\" x from "_qs + QuotedName(table) + u" order by 1)"_qs),
                  u"S1502,S2501"_qs);
    EXPECT_EQ(Under(u"ShopCode"_qs, u"S2"_qs), u"2/1/1/1/1"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_UserShop\" where \"ShopCode\" not in ('S1','S2')"_qs), u"0"_qs);
}
