#include "AppTest.h"

#include "app/KivMain.h"
#include "support/DialogAnswers.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class MainWindowTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        MainKivHooks = {};
        MainKivHooks.OpenSyncForm = [this](TTreeNodeShop& shop) { Opened << u"sync:"_qs + shop.Code; };
        MainKivHooks.OpenMonitorForm = [this](TTreeNodeShop& shop) { Opened << u"monitor:"_qs + shop.Code; };
    }
    void TearDown() override
    {
        MainKivHooks = {};
        AppTest::TearDown();
    }

    void AddShop(const QString& code, const QString& name, const QString& autoMonitor, const QString& syncDate)
    {
        ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"AutoMonitor\",\"SyncDate\") values("_qs
                + QuotedStr(code) + u","_qs + QuotedStr(name) + u",'key-"_qs + code + u"','secret-"_qs + code + u"','session-"_qs + code
                + u"',"_qs + autoMonitor + u","_qs + (syncDate.isEmpty() ? u"null"_qs : QuotedStr(syncDate)) + u")"_qs);
    }
    void Link(const QString& user, const QString& shop, const QString& shopUser)
    {
        ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values("_qs + QuotedStr(user) + u","_qs
                + QuotedStr(shop) + u","_qs + QuotedStr(shopUser) + u")"_qs);
    }

    QStringList Opened;
};

QStringList Texts(const QTreeWidgetItem* node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

} // namespace

TEST_F(MainWindowTest, TreeHoldsTheUsersShopsWithTheirTwoChildren)
{
    AddShop(u"S1"_qs, u"旗舰店"_qs, u"1"_qs, u"2024-05-01 10:00:00"_qs);
    AddShop(u"S2"_qs, u"折扣店"_qs, u"null"_qs, QString());
    AddShop(u"S3"_qs, u"别人的店"_qs, u"1"_qs, QString());
    Link(u"clerk"_qs, u"S1"_qs, u"tb_clerk"_qs);
    Link(u"clerk"_qs, u"S2"_qs, u"clerk2"_qs);
    Link(u"boss"_qs, u"S3"_qs, u"tb_boss"_qs);
    SysRec.UserCode = u"clerk"_qs;

    TMainKiv main;
    ASSERT_EQ(main.tvShops->topLevelItemCount(), 2);
    QStringList roots;
    for (int i = 0; i < 2; ++i) {
        const QTreeWidgetItem* root = main.tvShops->topLevelItem(i);
        roots << root->text(0);
        EXPECT_TRUE(root->isExpanded());
        EXPECT_EQ(TMainKiv::StateIndex(root), 3);
        EXPECT_EQ(Texts(root), (QStringList{u"同步数据"_qs, u"监控数据"_qs}));
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(TMainKiv::StateIndex(root->child(c)), 1);
            EXPECT_EQ(main.ShopOf(root->child(c)), nullptr);
        }
    }
    roots.sort();
    EXPECT_EQ(roots, (QStringList{u"折扣店 - clerk2"_qs, u"旗舰店 - tb_clerk"_qs}));

    const QTreeWidgetItem* flagship = main.tvShops->findItems(u"旗舰店 - tb_clerk"_qs, Qt::MatchExactly).value(0);
    ASSERT_NE(flagship, nullptr);
    const TTreeNodeShop* shop = main.ShopOf(flagship);
    ASSERT_NE(shop, nullptr);
    EXPECT_EQ(shop->Code, u"S1"_qs);
    EXPECT_TRUE(shop->AutoMonitor);
    EXPECT_EQ(shop->SyncDate, u"2024-05-01 10:00:00"_qs);
    const TTreeNodeShop* discount = main.ShopOf(main.tvShops->findItems(u"折扣店 - clerk2"_qs, Qt::MatchExactly).value(0));
    ASSERT_NE(discount, nullptr);
    EXPECT_FALSE(discount->AutoMonitor);
    EXPECT_EQ(discount->SyncDate, QString());

    // Only the shop marked for monitoring at start got its monitor window.
    EXPECT_EQ(Opened, QStringList{u"monitor:S1"_qs});
}

TEST_F(MainWindowTest, UserWithoutShopsGetsAnEmptyTreeAWorkingStockInPageAndAFixedWindowThatStaysOnTopWhenAsked)
{
    AddShop(u"S1"_qs, u"店"_qs, u"1"_qs, QString());
    Link(u"boss"_qs, u"S1"_qs, u"b"_qs);
    SysRec.UserCode = u"clerk"_qs;
    QStringList scanned;
    MainKivHooks.StockInByBarcode = [&](const QString& barcode) {
        scanned << barcode;
        return u"6901234567892"_qs;
    };

    TMainKiv main;
    main.show();
    QApplication::setActiveWindow(&main);
    EXPECT_EQ(main.tvShops->topLevelItemCount(), 0);
    EXPECT_TRUE(Opened.isEmpty());
    EXPECT_EQ(main.CurrentPageButton(), main.tbShop);
    EXPECT_TRUE(main.tvShops->isVisible());
    EXPECT_FALSE(main.pInStock->isVisible());

    main.tbStock->click();
    Keep(main.grab().toImage(), u"windows-main-stockin.png"_qs);
    EXPECT_EQ(main.CurrentPageButton(), main.tbStock);
    EXPECT_TRUE(main.pInStock->isVisible());
    EXPECT_FALSE(main.tvShops->isVisible());
    ASSERT_EQ(QApplication::focusWidget(), main.leBarcode);

    // Enter in the empty field: the message, and the focus back on the field
    // (a real message box takes it while it is up); the key is swallowed.
    TDialogAnswers answers;
    answers.OnMessage = [&](const TMessageRequest&) { main.cbStayOnTop->setFocus(); };
    Press(main.leBarcode, Qt::Key_Enter);
    ASSERT_EQ(answers.Messages.size(), 1u);
    EXPECT_EQ(answers.Messages[0].Text, u"请先输入条形码，然后回车或点入库图标！"_qs);
    EXPECT_TRUE(scanned.isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), main.leBarcode);
    EXPECT_EQ(main.leBarcode->text(), QString());

    main.leBarcode->setText(u"123"_qs);
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(scanned, QStringList{u"123"_qs});
    EXPECT_EQ(main.leBarcode->text(), u"6901234567892"_qs);
    EXPECT_EQ(main.leBarcode->selectedText(), u"6901234567892"_qs);
    EXPECT_EQ(answers.Messages.size(), 1u);

    // A window of fixed size, whose menu pops up above the panel on the
    // status bar; it stays on top when asked.
    EXPECT_EQ(main.minimumSize(), main.maximumSize());
    EXPECT_EQ(main.PanelMenu->geometry().bottom() + 1, main.StatusBarKiv->geometry().top());
    EXPECT_FALSE(main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    main.cbStayOnTop->click();
    EXPECT_TRUE(main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(main.isVisible());
    main.cbStayOnTop->click();
    EXPECT_FALSE(main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(MainWindowTest, MenuHeightCountsVisibleItemsOnlyAndMatchesTheDrawnMenu)
{
    SysRec.UserCode = u"admin"_qs;
    TMainKiv admin;
    EXPECT_EQ(admin.KivMenu->actions().size(), 12);
    EXPECT_EQ(admin.MenuHeight(), 188);
    EXPECT_TRUE(admin.ActionMonitorSet->isVisible());
    EXPECT_EQ(admin.KivMenu->sizeHint().height(), admin.MenuHeight());
    admin.KivMenu->adjustSize();
    Keep(admin.KivMenu->grab().toImage(), u"windows-menu.png"_qs);

    // Anyone else sees none of the editors, and one separator between the
    // items left: 4 + 3 x 19 + 2 x 8.
    SysRec.UserCode = u"clerk"_qs;
    TMainKiv clerk;
    QStringList shown;
    for (const QAction* item : clerk.KivMenu->actions())
        if (item->isVisible())
            shown << (item->isSeparator() ? u"-"_qs : item->text());
    EXPECT_EQ(shown, (QStringList{u"修改密码"_qs, u"-"_qs, u"网络代理设置"_qs, u"-"_qs, u"关于..."_qs}));
    EXPECT_EQ(clerk.MenuHeight(), 77);
    EXPECT_EQ(clerk.KivMenu->sizeHint().height(), clerk.MenuHeight());
    clerk.KivMenu->adjustSize();
    Keep(clerk.KivMenu->grab().toImage(), u"windows-menu-seller.png"_qs);

    // "Admin" is not the administrator: the code must match exactly.
    SysRec.UserCode = u"Admin"_qs;
    TMainKiv lookalike;
    EXPECT_EQ(lookalike.MenuHeight(), 77);
}

TEST_F(MainWindowTest, ClicksToggleRootsOnlyChildNodesOpenWindowsAndAnOpenMonitorRefusesTheClose)
{
    AddShop(u"S1"_qs, u"店"_qs, u"0"_qs, QString());
    Link(u"admin"_qs, u"S1"_qs, u"me"_qs);
    TMainKiv main;
    main.show();
    QTreeWidgetItem* root = main.tvShops->topLevelItem(0);
    ASSERT_NE(root, nullptr);

    main.tvShopsClick(root);
    EXPECT_FALSE(root->isExpanded());
    EXPECT_EQ(TMainKiv::StateIndex(root), 2);
    main.tvShopsClick(root);
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(TMainKiv::StateIndex(root), 3);
    main.tvShopsClick(root->child(0)); // a leaf: nothing to toggle
    EXPECT_TRUE(root->isExpanded());

    main.tvShops->setCurrentItem(root);
    main.tvShopsDblClick();
    EXPECT_TRUE(Opened.isEmpty());
    main.tvShops->setCurrentItem(root->child(0));
    main.tvShopsDblClick();
    main.tvShops->setCurrentItem(root->child(1));
    main.tvShopsDblClick();
    EXPECT_EQ(Opened, (QStringList{u"sync:S1"_qs, u"monitor:S1"_qs}));

    TTreeNodeShop* shop = main.ShopOf(root);
    ASSERT_NE(shop, nullptr);
    // Stands in for the shop's monitor window: owned by the main window.
    auto* monitor = new QWidget(&main, Qt::Window);
    shop->MonitorForm = monitor;
    TDialogAnswers answers;
    EXPECT_FALSE(main.close());
    EXPECT_TRUE(main.isVisible());
    ASSERT_EQ(answers.Messages.size(), 1u);
    EXPECT_EQ(answers.Messages[0].Text, u"请先关闭监控窗口!"_qs);
    EXPECT_EQ(answers.Messages[0].Type, TMsgDlgType::mtWarning);
    EXPECT_EQ(main.ShopOf(root), shop);

    delete monitor;
    EXPECT_TRUE(main.close());
    EXPECT_EQ(answers.Messages.size(), 1u);
    // The close handler freed the shop records.
    EXPECT_EQ(main.ShopOf(root), nullptr);
}

// An open monitor window keeps the shop record it holds while the tree
// takes the shops as they are stored.
TEST_F(MainWindowTest, ShopEditorsReloadTheTreeAndAnOpenMonitorKeepsItsRecord)
{
    AddShop(u"S1"_qs, u"一店"_qs, u"0"_qs, QString());
    AddShop(u"S2"_qs, u"二店"_qs, u"0"_qs, QString());
    Link(u"admin"_qs, u"S1"_qs, u"me"_qs);
    QStringList editors;
    QString nextLink = u"S2"_qs;
    MainKivHooks.ShowTableEditor = [&](const QString& sql, const QString& key, const QString& shopCode, const QString& userCode,
                                       const QString& caption) {
        editors << caption + u"|"_qs + key + u"|"_qs + sql + u"|"_qs + shopCode + u"|"_qs + userCode;
        if (!nextLink.isEmpty())
            Link(u"admin"_qs, std::exchange(nextLink, QString()), u"me"_qs);
    };
    TMainKiv main;
    ASSERT_EQ(main.tvShops->topLevelItemCount(), 1);
    auto* monitor = new QWidget(&main, Qt::Window);
    TTreeNodeShop* held = main.ShopOf(main.tvShops->topLevelItem(0));
    held->MonitorForm = monitor;

    main.ActionConfigShops->trigger();
    EXPECT_EQ(main.tvShops->topLevelItemCount(), 2);
    EXPECT_EQ(main.ShopOf(main.tvShops->topLevelItem(0)), held);

    delete monitor;
    main.ActionLinkUserShop->trigger();
    EXPECT_EQ(main.tvShops->topLevelItemCount(), 2);

    main.ActionConfigUsers->trigger();
    main.ActionParams->trigger();
    main.ActionMonitorSet->trigger();

    // Hidden from anyone else, and refused when reached all the same.
    SysRec.UserCode = u"clerk"_qs;
    TDialogAnswers answers;
    for (QAction* action : {main.ActionConfigShops, main.ActionConfigUsers, main.ActionLinkUserShop, main.ActionParams, main.ActionMonitorSet})
        action->trigger();
    EXPECT_EQ(answers.Texts().value(0), u"只有管理员(admin)才能打开“店铺设置”，请联系管理员！"_qs);
    EXPECT_EQ(answers.Messages.size(), 5u);
    EXPECT_EQ(editors, (QStringList{
                           u"店铺设置|SYS_Shop|select * from \"SYS_Shop\"|SYS_CODE|SYS_CODE"_qs,
                           u"店铺关联用户|SYS_UserShop|select * from \"SYS_UserShop\" where \"UserCode\" <> 'admin'|SYS_CODE|SYS_CODE"_qs,
                           u"用户设置|SYS_User|select * from \"SYS_User\" where \"Code\" <> 'admin'|SYS_CODE|SYS_CODE"_qs,
                           u"数据字典|SYS_Params|select * from \"SYS_Params\" order by \"Code\"|SYS_CODE|SYS_CODE"_qs,
                           u"监控设置|SYS_Monitor|select * from \"SYS_Monitor\" order by \"MsgType\",\"TradeEvent\"|SYS_CODE|SYS_CODE"_qs,
                       }));
}
