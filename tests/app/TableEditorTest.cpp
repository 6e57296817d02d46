// The table editor reached from the main window's configuration actions:
// adding a shop with its session from the platform stand-in, a user and
// their link; saving that fails; the close question; the record dialog.

#include "AppTest.h"

#include "app/KivItemsSync.h"
#include "app/KivMain.h"
#include "app/KivShop.h"
#include "client/KivGetSessiion.h"
#include "grid/DBGridMv.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"
#include "support/PlatformSim.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public Q_SLOTS:
    void Open(const QUrl& url) { Urls << url; }
};

class TableEditorTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        MainKivHooks = {};
        InstallTableEditorHooks();
        FAnswers.Modal = [this](QDialog& dialog) { return Drive(dialog); };
    }
    void TearDown() override
    {
        MainKivHooks = {};
        AppTest::TearDown();
    }

    // Shows the editor, lets the test act in it, and closes it as the user would.
    int Drive(QDialog& dialog)
    {
        if (auto* form = dynamic_cast<TFormShop*>(&dialog)) {
            form->show();
            Captions << form->windowTitle();
            if (OnEditor)
                OnEditor(*form);
            if (form->isVisible())
                form->ActionExit->trigger();
            return form->result();
        }
        return OnDialog ? OnDialog(dialog) : int(QDialog::Rejected);
    }

    static TField& Field(TFormShop& form, const QString& name) { return *form.ClientDataSetShop->FieldByName(name); }
    static QStringList Column(TFormShop& form, const QString& name)
    {
        QStringList values;
        TDataSet& data = *form.ClientDataSetShop;
        data.ForEachRecord([&] { values << data.FieldByName(name)->AsString(); });
        return values;
    }
    static QString Value(const QString& sql)
    {
        const auto query = OpenQuery(sql);
        return query->Eof() ? u"<none>"_qs : query->Fields(0)->AsString();
    }

    TDialogAnswers FAnswers;
    std::function<void(TFormShop&)> OnEditor;
    std::function<int(QDialog&)> OnDialog;
    QStringList Captions;
};

} // namespace

TEST_F(TableEditorTest, ShopWithItsSessionUserAndLinkAddedThroughTheMainWindow)
{
    QFile catalogue(TempPath(u"catalogue.json"_qs));
    ASSERT_TRUE(catalogue.open(QIODevice::WriteOnly));
    catalogue.write(R"({"now": "", "shops": [{"nick": "店一", "app_key": "k1", "app_secret": "s1", "session": "6100aaa",
        "authcode": "CODE-1", "items": [], "trades": []}]})");
    catalogue.close();
    TPlatformSim sim;
    QString error;
    ASSERT_TRUE(sim.Start(catalogue.fileName(), &error)) << error.toStdString();
    SysRec.ContainerUrl = sim.ContainerUrl();
    SysRec.AuthorizeUrl = sim.Url(u"/auth/authorize.htm?appkey="_qs);
    SysRec.HomeUrl = sim.Url(u"/"_qs);
    UrlCatcher browser;
    QDesktopServices::setUrlHandler(u"http"_qs, &browser, "Open");
    AddUser(u"boss"_qs, QString());
    // The administrator's own link, made beforehand: the tree shows the shop once it exists.
    ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','S1','店主')"_qs);
    TMainKiv main;
    ASSERT_EQ(main.tvShops->topLevelItemCount(), 0);

    OnEditor = [](TFormShop& form) {
        EXPECT_TRUE(form.ActionProp->isVisible()) << "the administrator edits layouts";
        form.ActionAppend->trigger();
        Field(form, u"Code"_qs).SetAsString(u"S1"_qs);
        Field(form, u"Name"_qs).SetAsString(u"旗舰店"_qs);
        Field(form, u"AppKey"_qs).SetAsString(u"k1"_qs);
        Field(form, u"AppSecret"_qs).SetAsString(u"s1"_qs);
        form.ClientDataSetShop->Post();
        // The session column's button, as its click runs it.
        TColumnMv* session = form.DBGridShop->GetColumnByFieldName(u"Session"_qs);
        form.DBGridShop->SetSelectedField(&Field(form, u"Session"_qs));
        EXPECT_EQ(session->ButtonStyle(), cbsEllipsis);
        TColumnMv* appKey = form.DBGridShop->GetColumnByFieldName(u"AppKey"_qs);
        EXPECT_EQ(appKey->ButtonStyle(), cbsEllipsis);
        bool handled = false;
        appKey->OnEditButtonClick(nullptr, handled);
        session->OnEditButtonClick(nullptr, handled);
        form.ActionSave->trigger();
    };
    OnDialog = [](QDialog& dialog) {
        auto& session = dynamic_cast<TFormGetSession&>(dialog);
        session.leAuthcode->setText(u"CODE-1"_qs);
        session.ActionGetSession->trigger();
        session.BitBtnOK->click();
        return session.result();
    };
    main.ActionConfigShops->trigger();
    QDesktopServices::unsetUrlHandler(u"http"_qs);
    ASSERT_EQ(browser.Urls.size(), 2);
    EXPECT_EQ(browser.Urls[0].toString(), SysRec.HomeUrl);
    EXPECT_EQ(browser.Urls[1].toString(), sim.Url(u"/auth/authorize.htm?appkey=k1"_qs));
    EXPECT_EQ(Value(u"select \"Session\" from \"SYS_Shop\" where \"Code\" = 'S1'"_qs), u"6100aaa"_qs);
    EXPECT_EQ(FAnswers.Texts(), QStringList{u"数据保存成功!"_qs});
    ASSERT_EQ(main.tvShops->topLevelItemCount(), 1) << "the tree is loaded again after the shop editor";
    EXPECT_EQ(main.tvShops->topLevelItem(0)->text(0), u"旗舰店 - 店主"_qs);

    // The link editor offers users but the administrator, and the shops;
    // it never lists the administrator's links.
    FAnswers.Messages.clear();
    OnEditor = [](TFormShop& form) {
        EXPECT_EQ(form.ClientDataSetShop->RecordCount(), 0);
        form.ActionAppend->trigger();
        Field(form, u"UserCode"_qs).SetAsString(u"boss"_qs);
        Field(form, u"ShopCode"_qs).SetAsString(u"S1"_qs);
        Field(form, u"ShopUserCode"_qs).SetAsString(u"老板"_qs);
        form.ActionSave->trigger();
        EXPECT_EQ(form.DBGridShop->GetColumnByFieldName(u"UserCode"_qs)->PickList().Items(), QStringList{u"boss"_qs});
        EXPECT_EQ(form.DBGridShop->GetColumnByFieldName(u"ShopCode"_qs)->PickList().Items(), QStringList{u"S1"_qs});
    };
    main.ActionLinkUserShop->trigger();
    EXPECT_EQ(FAnswers.Texts(), QStringList{u"数据保存成功!"_qs});
    OnEditor = [](TFormShop& form) { EXPECT_EQ(Column(form, u"Code"_qs), QStringList{u"boss"_qs}); };
    main.ActionConfigUsers->trigger();
    OnEditor = {};
    main.ActionParams->trigger();
    main.ActionMonitorSet->trigger();
    EXPECT_EQ(Captions, (QStringList{u"店铺设置"_qs, u"店铺关联用户"_qs, u"用户设置"_qs, u"数据字典"_qs, u"监控设置"_qs}));

    SysRec.UserCode = u"boss"_qs;
    TMainKiv bossMain;
    ASSERT_EQ(bossMain.tvShops->topLevelItemCount(), 1);
    EXPECT_EQ(bossMain.tvShops->topLevelItem(0)->text(0), u"旗舰店 - 老板"_qs);
}

TEST_F(TableEditorTest, ShopCheckOpensTheMatchingEditor)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\") values('S2','店二','k','s')"_qs);
    ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','S2','店主')"_qs);
    TMainKiv main;
    TTreeNodeShop shop;
    shop.Code = u"S2"_qs;
    shop.AppKey = u"k"_qs;
    shop.AppSecret = u"s"_qs;
    EXPECT_FALSE(CheckShop(shop));
    EXPECT_EQ(Captions, QStringList{u"店铺设置"_qs});
}

TEST_F(TableEditorTest, FailedSaveShowsTheDatabasesMessageAndKeepsTheEdits)
{
    AddUser(u"clerk"_qs, QString());
    SysRec.UserCode = u"clerk"_qs;
    OnEditor = [this](TFormShop& form) {
        EXPECT_FALSE(form.ActionProp->isVisible()) << "layouts are the administrator's";
        form.ActionAppend->trigger();
        Field(form, u"Code"_qs).SetAsString(u"clerk"_qs);
        form.ClientDataSetShop->Post();
        form.ActionSave->trigger();
        ASSERT_EQ(FAnswers.Messages.size(), 1u);
        EXPECT_EQ(FAnswers.Messages[0].Type, TMsgDlgType::mtError);
        EXPECT_TRUE(FAnswers.Messages[0].Text.contains(u"PRIMARY"_qs, Qt::CaseInsensitive)) << FAnswers.Messages[0].Text.toStdString();
        EXPECT_EQ(form.ClientDataSetShop->ChangeCount(), 1);

        // A code with a quote goes into the statement quoted.
        Field(form, u"Code"_qs).DataSet()->Edit();
        Field(form, u"Code"_qs).SetAsString(u"o'neil"_qs);
        form.ActionSave->trigger();
        EXPECT_EQ(FAnswers.Messages.back().Text, u"数据保存成功!"_qs);
        EXPECT_EQ(form.ClientDataSetShop->ChangeCount(), 0);

        // Deleting asks; Cancel keeps the row.
        FAnswers.Replies = {TModalResult::mrCancel, TModalResult::mrYes};
        form.ActionDelete->trigger();
        EXPECT_EQ(form.ClientDataSetShop->RecordCount(), 2);
        form.ActionDelete->trigger();
        EXPECT_EQ(form.ClientDataSetShop->RecordCount(), 1);
        EXPECT_EQ(FAnswers.Messages.back().Text, u"真的要删除本条数据吗?"_qs);
        form.ClientDataSetShop->CancelUpdates();
    };
    ShowTableEditor(u"select * from \"SYS_User\" where \"Code\" <> 'admin'"_qs, u"SYS_User"_qs, u"SYS_CODE"_qs, u"SYS_CODE"_qs,
                    u"用户设置"_qs);
    EXPECT_EQ(Value(u"select count(*) from \"SYS_User\" where \"Code\" = 'o''neil'"_qs), u"1"_qs);
}

TEST_F(TableEditorTest, ClosingWithPendingEditsAsksFirst)
{
    const QString question = u"数据有变动,请先保存!\nOK返回,\n忽略退出!"_qs;
    OnEditor = [&](TFormShop& form) {
        // A new row still being typed is posted before the question.
        form.ActionAppend->trigger();
        Field(form, u"Code"_qs).SetAsString(u"S9"_qs);
        FAnswers.Replies = {TModalResult::mrOk};
        form.ActionExit->trigger();
        EXPECT_TRUE(form.isVisible()) << "OK goes back to the editor";
        EXPECT_EQ(form.ClientDataSetShop->State(), dsBrowse);
        EXPECT_EQ(form.ClientDataSetShop->ChangeCount(), 1);
        ASSERT_EQ(FAnswers.Messages.size(), 1u);
        EXPECT_EQ(FAnswers.Messages[0].Text, question);
        EXPECT_EQ(FAnswers.Messages[0].Buttons, TMsgDlgButtons::mbOKIgnore);

        FAnswers.Replies = {TModalResult::mrIgnore};
        form.ActionExit->trigger();
        EXPECT_FALSE(form.isVisible());
    };
    ShowTableEditor(u"select * from \"SYS_Shop\""_qs, u"SYS_Shop"_qs, u"SYS_CODE"_qs, u"SYS_CODE"_qs, u"店铺设置"_qs);
    EXPECT_EQ(Value(u"select count(*) from \"SYS_Shop\""_qs), u"0"_qs);
    EXPECT_EQ(FAnswers.Messages.size(), 2u);
}

#include "TableEditorTest.moc"
