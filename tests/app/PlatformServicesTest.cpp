// The platform services the windows are built on: message dialogs and the
// error box, the idle hook, Qt's Chinese button texts, JPEG decoding, image
// lists and opening an address.

#include "AppTest.h"

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Jpeg.h"
#include "platform/Shell.h"
#include "support/DialogAnswers.h"
#include "support/UrlCatcher.h"

#include <QBuffer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <stdexcept>

namespace {

void RunEventLoop(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray JpegOf(const QImage& image, int quality = 95)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "JPG", quality));
    return bytes;
}

bool Near(QRgb a, QRgb b, int tolerance = 12)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

TEST(ErrorBox, PeriodIsAppendedAfterCharactersSortingAboveThePeriodUnderTheApplicationTitle)
{
    EXPECT_EQ(ErrorBoxText(u"Grid index out of range"_qs), u"Grid index out of range."_qs);
    EXPECT_EQ(ErrorBoxText(u"数据库连接失败"_qs), u"数据库连接失败."_qs);
    EXPECT_EQ(ErrorBoxText(u"a/"_qs), u"a/."_qs);
    EXPECT_EQ(ErrorBoxText(u"Done."_qs), u"Done."_qs);
    EXPECT_EQ(ErrorBoxText(u"Stop!"_qs), u"Stop!"_qs);
    EXPECT_EQ(ErrorBoxText(u"[数量]只能填整数，“1-2”不是整数！"_qs), u"[数量]只能填整数，“1-2”不是整数！"_qs);
    EXPECT_EQ(ErrorBoxText(u"已保存。"_qs), u"已保存。"_qs);
    EXPECT_EQ(ErrorBoxText(u"a-"_qs), u"a-"_qs);
    EXPECT_EQ(ErrorBoxText(u"line\r\n"_qs), u"line\r\n"_qs);
    EXPECT_EQ(ErrorBoxText(QString()), QString());

    // Exceptions show their message under the application's title; an
    // abort, whose message was shown before it was raised, shows nothing.
    TDialogAnswers answers;
    ShowException(EDatabaseError(u"连接失败"_qs));
    ShowException(EAbort(u"已经告诉过用户"_qs));
    ShowException(std::runtime_error("plain failure"));
    ASSERT_EQ(answers.Messages.size(), 2u);
    EXPECT_EQ(answers.Messages[0].Caption, QGuiApplication::applicationDisplayName());
    EXPECT_FALSE(answers.Messages[0].Caption.isEmpty());
    EXPECT_EQ(answers.Messages[0].Text, u"连接失败."_qs);
    EXPECT_EQ(answers.Messages[1].Text, u"plain failure."_qs);
}

TEST(MessageDlg, CarriesTypeCaptionButtonsAndReturnsTheAnswerToTheInnermostAnswerer)
{
    TDialogAnswers answers;
    answers.Replies = {TModalResult::mrCancel, TModalResult::mrIgnore};
    EXPECT_EQ(MessageDlg(u"真的要删除本条数据吗?"_qs, TMsgDlgType::mtWarning, TMsgDlgButtons::mbYesCancel), TModalResult::mrCancel);
    EXPECT_EQ(MessageDlg(u"数据有变动,请先保存!"_qs, TMsgDlgType::mtWarning, TMsgDlgButtons::mbOKIgnore), TModalResult::mrIgnore);
    ShowInformation(u"数据保存成功!"_qs);
    ASSERT_EQ(answers.Messages.size(), 3u);
    EXPECT_EQ(answers.Messages[0].Caption, u"警告"_qs);
    EXPECT_EQ(answers.Messages[2].Caption, u"信息"_qs);
    EXPECT_EQ(answers.Messages[2].Type, TMsgDlgType::mtInformation);

    // A nested answerer hands the messages back when its scope ends.
    {
        TDialogAnswers inner;
        ShowError(u"inner"_qs);
        EXPECT_EQ(inner.Texts(), QStringList{u"inner"_qs});
    }
    ShowError(u"outer"_qs);
    EXPECT_EQ(answers.Texts().last(), u"outer"_qs);
    EXPECT_EQ(answers.Messages.size(), 4u);
}

TEST(QtTranslations, StandardButtonsSpeakChinese)
{
    ASSERT_TRUE(LoadQtTranslations());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), u"确定"_qs);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"取消"_qs);
    EXPECT_TRUE(QCoreApplication::translate("QPlatformTheme", "&Yes").startsWith(u"是"_qs));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Ignore"), u"忽略"_qs);
}

TEST(IdleHook, RunsWhenTheLoopRunsOutOfEventsNeverNestsAndOutlivesAFailure)
{
    int runs = 0;
    int depth = 0;
    int deepest = 0;
    SetIdleHandler([&] {
        ++runs;
        deepest = std::max(deepest, ++depth);
        // A handler that waits in a nested loop (as a message box does).
        if (runs == 1)
            RunEventLoop(20);
        --depth;
    });
    RunEventLoop(60);
    SetIdleHandler({});
    EXPECT_GT(runs, 1);
    EXPECT_EQ(deepest, 1);

    const int before = runs;
    RunEventLoop(20);
    EXPECT_EQ(runs, before);

    // A failure shows the error box and the hook goes on.
    TDialogAnswers answers;
    runs = 0;
    SetIdleHandler([&] {
        if (++runs == 1)
            throw EListError(u"队列记录无效"_qs);
    });
    RunEventLoop(40);
    SetIdleHandler({});
    EXPECT_EQ(answers.Texts(), QStringList{u"队列记录无效."_qs});
    EXPECT_GT(runs, 1);
}

TEST(Jpeg, DecodesColoursAndGreyPicturesAndDamagedDataGivesANullOrPartialPicture)
{
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(QColor(200, 30, 40));
    QPainter(&picture).fillRect(QRect(20, 0, 20, 20), QColor(20, 90, 210));
    const QImage decoded = DecodeJpeg(JpegOf(picture));
    ASSERT_EQ(decoded.size(), QSize(40, 20));
    EXPECT_TRUE(Near(decoded.pixel(5, 10), qRgb(200, 30, 40)));
    EXPECT_TRUE(Near(decoded.pixel(35, 10), qRgb(20, 90, 210)));

    QImage grey(16, 8, QImage::Format_Grayscale8);
    grey.fill(QColor(128, 128, 128));
    const QImage decodedGrey = DecodeJpeg(JpegOf(grey));
    ASSERT_EQ(decodedGrey.size(), QSize(16, 8));
    EXPECT_TRUE(Near(decodedGrey.pixel(3, 3), qRgb(128, 128, 128), 4));

    // Damaged data gives a null or a partial picture.
    EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(DecodeJpeg(QByteArray("not a picture at all")).isNull());
    const QByteArray bytes = JpegOf(picture);
    // Cut inside the header: nothing to show.
    EXPECT_TRUE(DecodeJpeg(bytes.left(40)).isNull());
    // Cut inside the scan: the picture keeps its size, the rest is filled in.
    EXPECT_EQ(DecodeJpeg(bytes.left(bytes.size() - 40)).size(), QSize(40, 20));
    EXPECT_TRUE(LoadJpeg(u"/nonexistent/picture.jpg"_qs).isNull());
}

using ProgramPicturesTest = AppTest;

TEST_F(ProgramPicturesTest, PicturesAndGlyphsAreWhereTheWindowsLookForThem)
{
    EXPECT_EQ(LoadJpeg(u":/morvane/banner.jpg"_qs).size(), QSize(227, 69));
    EXPECT_EQ(LoadJpeg(u":/morvane/logo.jpg"_qs).size(), QSize(32, 32));
    EXPECT_FALSE(LoadJpeg(u":/morvane/login.jpg"_qs).isNull());

    // Every picture an action or a tree node names is there; beyond the list, none.
    for (int i : {0, 1, 2, 3})
        EXPECT_FALSE(FDM->ImageListTree.Pixmap(i).isNull() || (i < 3 && FDM->ImageListLarge.Pixmap(i).isNull())) << i;
    for (int i : {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 16, 17, 66})
        EXPECT_FALSE(FDM->ImageListMenu.Icon(i).isNull()) << i;
    EXPECT_TRUE(FDM->ImageListMenu.Icon(FDM->ImageListMenu.Count()).isNull());
    EXPECT_TRUE(FDM->ImageListMenu.Icon(-1).isNull());
    // Running frames differ from each other.
    EXPECT_NE(FDM->ImageListRun.Pixmap(0).toImage(), FDM->ImageListRun.Pixmap(1).toImage());

    TImageList list(16, 16);
    EXPECT_EQ(list.AddStrip(QImage(32, 15, QImage::Format_ARGB32)), 0);
    EXPECT_EQ(list.Count(), 0);
}

TEST(Shell, OpensTheAddressWithTheDesktopsHandler)
{
    TUrlCatcher catcher;
    EXPECT_TRUE(ShellOpen(u"http://127.0.0.1:9/auth/authorize.htm?appkey=123"_qs));
    ASSERT_EQ(catcher.Urls.size(), 1);
    EXPECT_EQ(catcher.Urls[0].toString(), u"http://127.0.0.1:9/auth/authorize.htm?appkey=123"_qs);
}
