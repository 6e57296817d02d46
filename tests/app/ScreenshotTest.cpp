// Renders the main window and the login dialog and checks that their Chinese
// texts come out as glyphs. With MORVANE_SCREENSHOT_DIR set, the pictures
// are also written there for a person to look at.

#include "AppTest.h"

#include "app/KivMain.h"
#include "client/KivLogin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {

class ScreenshotTest : public AppTest {
protected:
    void TearDown() override
    {
        MainKivHooks = {};
        AppTest::TearDown();
    }
};

// Every character of the text has a glyph in the widget's font (no boxes).
void ExpectGlyphs(const QWidget* widget, const QString& text)
{
    const QFontMetrics metrics(widget->font());
    for (const QChar c : text)
        EXPECT_TRUE(metrics.inFont(c)) << "no glyph for U+" << std::hex << int(c.unicode()) << " in " << text.toStdString();
}

// Pixels clearly darker than the area's lightest pixel: drawn text.
int InkPixels(const QImage& image, const QRect& area)
{
    int lightest = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            lightest = std::max(lightest, qGray(image.pixel(x, y)));
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ink += qGray(image.pixel(x, y)) < lightest - 90;
    return ink;
}

QRect AreaOf(const QWidget* widget, const QWidget* window)
{
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

} // namespace

TEST_F(ScreenshotTest, MainWindowShowsItsChineseTexts)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"AutoMonitor\") values('DEMO','演示店铺','k','s','x',0)"_qs);
    ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','DEMO','演示掌柜')"_qs);
    TMainKiv main;
    main.show();
    const QImage shot = main.grab().toImage();
    Keep(shot, u"windows-main.png"_qs);
    ASSERT_EQ(shot.size(), QSize(227, 329));

    const QTreeWidgetItem* root = main.tvShops->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    ExpectGlyphs(main.tvShops, root->text(0) + u"同步数据监控数据"_qs);
    const QRect rootText = main.tvShops->visualItemRect(root).translated(AreaOf(main.tvShops->viewport(), &main).topLeft());
    EXPECT_GT(InkPixels(shot, rootText.adjusted(20, 0, 0, 0)), 40);
    const QRect childText = main.tvShops->visualItemRect(root->child(0)).translated(AreaOf(main.tvShops->viewport(), &main).topLeft());
    EXPECT_GT(InkPixels(shot, childText.adjusted(40, 0, 0, 0)), 40);

    ExpectGlyphs(main.StatusPanels[0], u"用户版本号"_qs);
    EXPECT_GT(InkPixels(shot, AreaOf(main.StatusPanels[0], &main).adjusted(1, 1, -1, -1)), 20);
    EXPECT_GT(InkPixels(shot, AreaOf(main.StatusPanels[2], &main).adjusted(1, 1, -1, -1)), 30);
    ExpectGlyphs(main.cbStayOnTop, main.cbStayOnTop->text());
    EXPECT_GT(InkPixels(shot, AreaOf(main.cbStayOnTop, &main).adjusted(18, 0, 0, 0)), 60);
}

TEST_F(ScreenshotTest, LoginDialogShowsItsChineseTexts)
{
    TLoginKiv login;
    login.ComboBoxUser->addItem(u"张三"_qs);
    login.show();
    const QImage shot = login.grab().toImage();
    Keep(shot, u"windows-login.png"_qs);
    EXPECT_EQ(login.windowTitle(), u"登录"_qs);
    EXPECT_TRUE(login.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(login.ImageLogin->pixmap().isNull());
    EXPECT_EQ(login.LabelVersion->text(), u"Ver: 0.9"_qs);

    ExpectGlyphs(login.BitBtnLogin, u"登录设置用户密码张三"_qs);
    EXPECT_GT(InkPixels(shot, AreaOf(login.BitBtnLogin, &login).adjusted(4, 4, -4, -4)), 30);
    EXPECT_GT(InkPixels(shot, AreaOf(login.BitBtnConfig, &login).adjusted(4, 4, -4, -4)), 30);
    EXPECT_GT(InkPixels(shot, AreaOf(login.ComboBoxUser, &login).adjusted(2, 2, -20, -2)), 30);
    EXPECT_GT(InkPixels(shot, AreaOf(login.LabelVersion, &login)), 20);
}
