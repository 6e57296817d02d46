// The table editor reached from the main window's actions, and the grid
// layouts of "SYS_Fields" that shape its grid: the editors' pick lists and
// platform buttons; stored layouts, saving them, the layout editor and the
// blob buttons; failed saves and the close question.

#include "AppTest.h"
#include "ShopEditorSupport.h"

#include "app/KivItems.h"
#include "app/KivLayouts.h"
#include "app/KivMain.h"
#include "app/KivShop.h"
#include "client/KivGetSessiion.h"
#include "client/KivLogin.h"
#include "client/KivQuery.h"
#include "grid/DBGridMvInplaceEdit.h"
#include "platform/Exceptions.h"
#include "platform/Threads.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"
#include "support/UrlCatcher.h"
#include "support/Wave.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QTreeWidget>

namespace {

const QString SysCode = u"SYS_CODE"_qs;

class TableEditorTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        MainKivHooks = {};
        InstallTableEditorHooks();
        FAnswers.Modal = [this](QDialog& dialog) {
            auto* form = dynamic_cast<TFormShop*>(&dialog);
            if (!form)
                return OnDialog ? OnDialog(dialog) : int(QDialog::Rejected);
            form->show();
            Captions << form->windowTitle();
            if (OnEditor)
                OnEditor(*form);
            if (form->isVisible())
                form->ActionExit->trigger();
            return form->result();
        };
    }
    void TearDown() override
    {
        MainKivHooks = {};
        AppTest::TearDown();
    }

    static void Type(TFormShop& form, const QString& field, const QString& text) { TypeInShopCell(form, field, text); }
    static void Click(TFormShop& form, const QString& field, int button) { ClickShopCellButton(form, field, button); }
    static TField& Field(TFormShop& form, const QString& name) { return *form.ClientDataSetShop->FieldByName(name); }
    static TColumnMv* Column(TFormShop& form, const QString& name) { return form.DBGridShop->GetColumnByFieldName(name); }
    // A layout row captioned after its field, 8 wide; the row at index 4 is read-only.
    static void AddLayout(const QString& key, const QString& field, int index, int visible = 1, int total = 0, int boolean = 0,
                          const QString& binType = {})
    {
        ExecSql(u"insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\",\"Width\",\"Index\","
                "\"Visible\",\"ReadOnly\",\"Total\",\"Boolean\",\"BinType\") values("_qs
                + QStringList{QuotedStr(key), QuotedStr(field), QuotedStr(SysCode), QuotedStr(SysCode), QuotedStr(field + u"列"_qs),
                              u"8"_qs, QString::number(index), QString::number(visible), QString::number(index == 4),
                              QString::number(total), QString::number(boolean), QuotedStr(binType)}
                      .join(u',')
                + u")"_qs);
    }
    static std::unique_ptr<TFormShop> Editor(const QString& sql, const QString& key) { return OpenShopEditor(sql, key); }

    TDialogAnswers FAnswers;
    std::function<void(TFormShop&)> OnEditor;
    std::function<int(QDialog&)> OnDialog;
    QStringList Captions;
};

} // namespace

TEST_F(TableEditorTest, TheMainWindowsEditorsOfferTheirPickListsAndPlatformButtons)
{
    // Typing a shop in and fetching its session is the road test's.
    SysRec.HomeUrl = u"http://127.0.0.1:9/"_qs;
    SysRec.AuthorizeUrl = u"http://127.0.0.1:9/auth/authorize.htm?appkey="_qs;
    TUrlCatcher browser;
    AddUser(u"boss"_qs, QString());
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\") values('S1','旗舰店','k1','x')"_qs);
    ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','S1','店主')"_qs);
    TMainKiv main;
    QString shownAddress;
    OnDialog = [&](QDialog& dialog) {
        shownAddress = dynamic_cast<TFormGetSession&>(dialog).MemoLog->toPlainText();
        return int(QDialog::Rejected);
    };
    OnEditor = [&](TFormShop& form) {
        EXPECT_TRUE(form.ActionProp->isVisible()) << "the administrator edits layouts";
        Click(form, u"AppKey"_qs, 0);
        // The secret is found on the home page too.
        Click(form, u"AppSecret"_qs, 0);
        // No browser takes the authorize page: the session dialog shows its address to copy.
        QDesktopServices::setUrlHandler(u"http"_qs, &browser, "NoSuchBrowser");
        Click(form, u"Session"_qs, 0);
    };
    main.ActionConfigShops->trigger();
    EXPECT_EQ(browser.Urls, QList<QUrl>(2, QUrl(SysRec.HomeUrl)));
    EXPECT_TRUE(shownAddress.endsWith(u"\n"_qs + SysRec.AuthorizeUrl + u"k1"_qs)) << shownAddress.toStdString();
    OnDialog = {};

    // The link editor offers the users but the administrator, and the
    // shops; neither it nor the user editor lists the administrator.
    OnEditor = [](TFormShop& form) {
        EXPECT_EQ(form.ClientDataSetShop->RecordCount(), 0);
        EXPECT_EQ(Column(form, u"UserCode"_qs)->PickList().Items(), QStringList{u"boss"_qs});
        EXPECT_EQ(Column(form, u"ShopCode"_qs)->PickList().Items(), QStringList{u"S1"_qs});
    };
    main.ActionLinkUserShop->trigger();
    OnEditor = [](TFormShop& form) { EXPECT_EQ(form.ClientDataSetShop->RecordCount(), 1); };
    main.ActionConfigUsers->trigger();
}

TEST_F(TableEditorTest, StoredLayoutShapesTheGridAndItsFooters)
{
    for (int sku : {1, 2})
        ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"Price\",\"Qty\",\"ShopCode\",\"SyncDate\") values("_qs
                + QString::number(sku) + u",7,10.5,"_qs + QString::number(sku + 2) + u",'S1','2024-01-01 00:00:00')"_qs);
    // The hidden first row also gets the count; only the first visible column shows it.
    AddLayout(u"Items"_qs, u"SkuID"_qs, 0, 0);
    AddLayout(u"Items"_qs, u"Qty"_qs, 1);
    AddLayout(u"Items"_qs, u"Price"_qs, 2, 1, 1);
    AddLayout(u"Items"_qs, u"NumIID"_qs, 3);
    AddLayout(u"Items"_qs, u"Barcode"_qs, 4);
    AddLayout(u"Items"_qs, u"NoSuchField"_qs, 5);
    const auto form = Editor(u"select * from \"KivItem\""_qs, u"Items"_qs);
    TDataSet& data = *form->ClientDataSetShop;
    EXPECT_FALSE(data.FieldByName(u"SkuID"_qs)->Visible());
    EXPECT_EQ(form->DBGridShop->GetFields(0), data.FieldByName(u"Qty"_qs));
    EXPECT_EQ(data.FieldByName(u"Qty"_qs)->Index(), 1);
    EXPECT_EQ(data.FieldByName(u"Qty"_qs)->DisplayLabel(), u"Qty列"_qs);
    EXPECT_EQ(data.FieldByName(u"Qty"_qs)->DisplayWidth(), 8);
    EXPECT_TRUE(data.FieldByName(u"Barcode"_qs)->ReadOnly());
    EXPECT_EQ(form->DBGridShop->GetFooterValue(0, Column(*form, u"Qty"_qs)), u"2行"_qs);
    // An empty table's count says 0.
    const auto empty = Editor(u"select * from \"KivItem\" where 1 = 0"_qs, u"Items"_qs);
    EXPECT_EQ(empty->DBGridShop->GetFooterValue(0, Column(*empty, u"Qty"_qs)), u"0行"_qs);
    EXPECT_EQ(Column(*form, u"Price"_qs)->Footer().ValueType(), fvtSum);
    // Numbers show zero as empty, but a large integer keeps its digits.
    EXPECT_EQ(data.FieldByName(u"Qty"_qs)->DisplayFormat(), u"#"_qs);
    EXPECT_EQ(data.FieldByName(u"NumIID"_qs)->DisplayFormat(), QString());
    EXPECT_EQ(form->ClientDataSetShop->GetOptionalParam(u"SYS_TABLE_NAME"_qs).AsString(), u"Items"_qs);

    // A first visible column that sums shows the sum, not labelled as rows;
    // a check-box column keeps its numbers unformatted.
    AddLayout(u"Sums"_qs, u"Qty"_qs, 0, 1, 1);
    AddLayout(u"Sums"_qs, u"Price"_qs, 1, 1, 0, 1);
    const auto sums = Editor(u"select * from \"KivItem\""_qs, u"Sums"_qs);
    EXPECT_EQ(sums->DBGridShop->GetFooterValue(0, Column(*sums, u"Qty"_qs)), u"7"_qs);
    EXPECT_TRUE(Column(*sums, u"Price"_qs)->Checkboxes());
    EXPECT_EQ(Column(*sums, u"Price"_qs)->KeyList().Items(), (QStringList{u"1"_qs, u"0"_qs}));
    EXPECT_EQ(sums->ClientDataSetShop->FieldByName(u"Price"_qs)->DisplayFormat(), QString());
}

TEST_F(TableEditorTest, SavingInsertsMissingRowsOnceAndThenOnlyMovesWidthAndOrderAndTheLayoutEditorShowsThem)
{
    const QString key = u"O'Brien"_qs; // a quote in every statement's text values
    const auto form = Editor(u"select * from \"SYS_Shop\""_qs, key);
    const QString rows = u"select count(*) from \"SYS_Fields\" where \"Code\" = "_qs + QuotedStr(key);
    const QString name = u" from \"SYS_Fields\" where \"Code\" = "_qs + QuotedStr(key) + u" and \"FieldName\" = 'Name'"_qs;
    EXPECT_EQ(Scalar(rows), u"7"_qs) << "stored at the first opening";
    ExecSql(u"update \"SYS_Fields\" set \"Total\" = 1, \"Caption\" = '名称' where \"Code\" = "_qs + QuotedStr(key));
    TField& field = Field(*form, u"Name"_qs);
    field.SetDisplayLabel(u"店's名"_qs);
    field.SetDisplayWidth(33);
    field.SetIndex(0);
    SaveGridLayout(form->DBGridShop);
    SaveGridLayout(form->DBGridShop);
    EXPECT_EQ(Scalar(rows), u"7"_qs);
    EXPECT_EQ(Scalar(u"select \"Width\" || ',' || \"Index\" || \"Caption\" || \"Total\""_qs + name), u"33,0名称1"_qs);
    ExecSql(u"delete"_qs + name);
    SaveFieldLayout(form->DBGridShop, key, SysCode, SysCode);
    EXPECT_EQ(Scalar(u"select \"Caption\" || \"Visible\" || \"ReadOnly\" || \"Boolean\""_qs + name), u"店's名100"_qs);

    // The layout editor lists this layout's rows and offers the file kinds
    // and check boxes; its own row of "Boolean" asks for no check boxes, and
    // "Visible" is an ordinary column.
    ExecSql(u"update \"SYS_Fields\" set \"Boolean\" = 0 where \"Code\" = 'SYS_Fields'"_qs);
    OnEditor = [](TFormShop& layouts) {
        EXPECT_EQ(layouts.ClientDataSetShop->RecordCount(), 7);
        EXPECT_EQ(Column(layouts, u"BinType"_qs)->PickList().Items(), (QStringList{QString(), u"WAV"_qs, u"MP3"_qs, u"EXE"_qs}));
        EXPECT_TRUE(Column(layouts, u"Boolean"_qs)->Checkboxes());
        EXPECT_FALSE(Column(layouts, u"Visible"_qs)->Checkboxes());
    };
    form->ActionProp->trigger();
    EXPECT_EQ(Captions, QStringList{u"属性设置"_qs});
    form->ClientDataSetShop->Close();
    SaveFieldLayout(form->DBGridShop, u"Closed"_qs, SysCode, SysCode);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Fields\" where \"Code\" = 'Closed'"_qs), u"0"_qs);
}

TEST_F(TableEditorTest, WaveBlobLoadsFromAFileAndPlays)
{
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(8,'库存提示音')"_qs);
    AddLayout(u"Programs"_qs, u"BlobValue"_qs, 2, 1, 0, 0, u"EXE"_qs);
    AddLayout(u"Sounds"_qs, u"BlobValue"_qs, 2, 1, 0, 0, u"WAV"_qs);
    EXPECT_EQ(Column(*Editor(u"select * from \"SYS_Params\""_qs, u"Programs"_qs), u"BlobValue"_qs)->EditButtons().Count(), 1);
    const auto form = Editor(u"select * from \"SYS_Params\""_qs, u"Sounds"_qs);
    TEditButtonsMv& buttons = Column(*form, u"BlobValue"_qs)->EditButtons();
    ASSERT_EQ(buttons.Count(), 2);
    EXPECT_EQ(buttons.Items(0)->Style(), ebsPlusMv);
    EXPECT_EQ(buttons.Items(1)->Style(), ebsGlyphMv);
    EXPECT_EQ(buttons.Items(1)->Hint(), u"BlobValue"_qs);

    const QByteArray wave = MakeWave(50);
    QFile file(TempPath(u"alert.wav"_qs));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wave);
    file.close();
    OnDialog = [&](QDialog& dialog) {
        auto& open = dynamic_cast<QFileDialog&>(dialog);
        EXPECT_EQ(open.nameFilters(), QStringList{u"Any WAV file(*.WAV *.wav)"_qs});
        open.selectFile(file.fileName());
        static_cast<QDialog&>(open).accept();
        return open.result();
    };
    EXPECT_EQ(Field(*form, u"BlobValue"_qs).DisplayText(), u"无声音"_qs);
    Click(*form, u"BlobValue"_qs, 1);
    EXPECT_EQ(Field(*form, u"BlobValue"_qs).AsBytes(), wave);
    // The cell says it holds a sound; opened, it is no text to type into,
    // and its buttons keep the height the closed cell paints them with.
    EXPECT_EQ(Field(*form, u"BlobValue"_qs).DisplayText(), u"有声音"_qs);
    TDBGridInplaceEdit* editor = EditShopCell(*form, u"BlobValue"_qs);
    EXPECT_TRUE(editor->isReadOnly());
    EXPECT_EQ(editor->text(), u"有声音"_qs);
    for (const QChar ch : u"xyz"_qs) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(editor, &press);
    }
    form->ClientDataSetShop->CheckBrowseMode();
    EXPECT_EQ(Field(*form, u"BlobValue"_qs).AsBytes(), wave);
    for (int i = 1; i <= 2; ++i)
        EXPECT_GT(editor->ButtonControl(i)->height(), editor->ButtonControl(i)->width()) << i;

    // The null device, with a copy of every sample it is given in a file.
    const QString played = TempPath(u"played.raw"_qs);
    qputenv("MORVANE_AUDIO_DEVICE", "tee:null,'" + played.toUtf8() + "',raw");
    Click(*form, u"BlobValue"_qs, 2);
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(10000));
    qputenv("MORVANE_AUDIO_DEVICE", "null");
    QFile samples(played);
    ASSERT_TRUE(samples.open(QIODevice::ReadOnly));
    EXPECT_EQ(samples.readAll(), wave.mid(44));
}

TEST_F(TableEditorTest, FailedSaveKeepsTheEditsAndClosingAsksFirst)
{
    AddUser(u"clerk"_qs, QString());
    OnEditor = [this](TFormShop& form) {
        // Another seat removes the user meanwhile: the database refuses the change.
        ExecSql(u"delete from \"SYS_User\" where \"Code\" = 'clerk'"_qs);
        form.ClientDataSetShop->Edit();
        Field(form, u"Code"_qs).SetAsString(u"clerk2"_qs);
        form.ActionSave->trigger();
        ASSERT_EQ(FAnswers.Messages.size(), 1u);
        EXPECT_EQ(FAnswers.Messages[0].Text, u"要保存的记录已被其他用户修改或删除，请刷新后重新修改！"_qs);
        EXPECT_EQ(form.ClientDataSetShop->ChangeCount(), 1);

        // Deleting asks; Cancel keeps the row.
        FAnswers.Replies = {TModalResult::mrCancel};
        form.ActionDelete->trigger();
        EXPECT_EQ(form.ClientDataSetShop->RecordCount(), 1);
        EXPECT_EQ(FAnswers.Messages.back().Text, u"真的要删除本条数据吗?"_qs);

        // A row still being typed is posted before the question; OK goes
        // back to the editor, Ignore closes without writing.
        form.ClientDataSetShop->Edit();
        Field(form, u"Code"_qs).SetAsString(u"o'neil"_qs);
        FAnswers.Replies = {TModalResult::mrOk};
        form.ActionExit->trigger();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(FAnswers.Messages.back().Text, u"数据有变动,请先保存!\nOK返回,\n忽略退出!"_qs);
        EXPECT_EQ(form.ClientDataSetShop->State(), dsBrowse);
        FAnswers.Replies = {TModalResult::mrIgnore};
        form.ActionExit->trigger();
        EXPECT_FALSE(form.isVisible());
    };
    TMainKiv main;
    main.ActionConfigUsers->trigger();
    EXPECT_EQ(FAnswers.Messages.size(), 4u);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_User\""_qs), u"1"_qs);
}

TEST_F(TableEditorTest, BadInputIsToldByTheColumnsCaptionAndNothingIsStored)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"AppKey\",\"AppSecret\") values('S1','k1','x1')"_qs);
    // The messages name the fields by the captions of these layouts.
    ExecSql(u"delete from \"SYS_Fields\" where \"Code\" in ('SYS_Shop','SYS_User','SYS_UserShop')"_qs);
    for (const auto& [key, fields] : {std::pair{u"SYS_Shop"_qs, QStringList{u"Code"_qs, u"AppKey"_qs, u"AppSecret"_qs}},
                                      {u"SYS_User"_qs, QStringList{u"Code"_qs, u"Password"_qs}},
                                      {u"SYS_UserShop"_qs, QStringList{u"UserCode"_qs, u"ShopCode"_qs}}})
        for (int i = 0; i < fields.size(); ++i)
            AddLayout(key, fields[i], i);
    // Each row is refused as it is posted, with the field's caption.
    const auto refused = [this](TFormShop& form, const std::vector<std::pair<QString, QString>>& values) {
        form.ActionAppend->trigger();
        for (const auto& [name, value] : values)
            Field(form, name).SetAsString(value);
        EXPECT_THROW(form.ActionSave->trigger(), EAbort);
        EXPECT_EQ(form.ClientDataSetShop->State(), dsInsert);
        form.ClientDataSetShop->Cancel();
        return FAnswers.Messages.empty() ? QString() : FAnswers.Messages.back().Text;
    };
    const auto shops = Editor(u"select * from \"SYS_Shop\""_qs, u"SYS_Shop"_qs);
    EXPECT_EQ(refused(*shops, {{u"Code"_qs, u"  "_qs}, {u"AppKey"_qs, u"k"_qs}}), u"[Code列]不能为空，请填写！"_qs);
    EXPECT_EQ(refused(*shops, {{u"Code"_qs, u"S2"_qs}, {u"AppKey"_qs, u"k"_qs}}), u"[AppSecret列]不能为空，请填写！"_qs);
    EXPECT_EQ(refused(*shops, {{u"Code"_qs, u"S1 "_qs}, {u"AppKey"_qs, u"k"_qs}, {u"AppSecret"_qs, u"x"_qs}}),
              u"[Code列]为“S1 ”的记录已经存在，请修改！"_qs);
    EXPECT_EQ(FAnswers.Messages.size(), 3u);
    EXPECT_EQ(FAnswers.Messages.back().Type, TMsgDlgType::mtError);
    // A code set free by a deletion may be used again.
    shops->ActionDelete->trigger();
    shops->ActionAppend->trigger();
    for (const auto& [name, value] : {std::pair{u"Code"_qs, u"S1"_qs}, {u"AppKey"_qs, u"k2"_qs}, {u"AppSecret"_qs, u"x2"_qs}})
        Field(*shops, name).SetAsString(value);
    shops->ActionSave->trigger();
    EXPECT_EQ(FAnswers.Texts().last(), u"数据保存成功!"_qs);
    EXPECT_EQ(Scalar(u"select list(\"Code\" || \"AppKey\") from \"SYS_Shop\""_qs), u"S1k2"_qs);
    // A code another seat stored after the row was posted is refused at the save.
    shops->ActionAppend->trigger();
    for (const auto& [name, value] : {std::pair{u"Code"_qs, u"S2"_qs}, {u"AppKey"_qs, u"k3"_qs}, {u"AppSecret"_qs, u"x3"_qs}})
        Field(*shops, name).SetAsString(value);
    shops->ClientDataSetShop->Post();
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"AppKey\",\"AppSecret\") values('S2 ','k9','x9')"_qs);
    shops->ActionSave->trigger();
    EXPECT_EQ(FAnswers.Texts().last(), u"[Code列]为“S2”的记录已经存在，请修改！"_qs);
    EXPECT_EQ(shops->ClientDataSetShop->ChangeCount(), 1);

    // The administrator, whom the user editor does not list, holds "admin".
    const auto users = Editor(u"select * from \"SYS_User\" where \"Code\" <> 'admin'"_qs, u"SYS_User"_qs);
    EXPECT_EQ(refused(*users, {{u"Code"_qs, u"admin"_qs}}), u"[Code列]为“admin”的记录已经存在，请修改！"_qs);

    // A link names a user and a shop that exist, also when it is saved.
    AddUser(u"boss"_qs, QString());
    const auto links = Editor(u"select * from \"SYS_UserShop\""_qs, u"SYS_UserShop"_qs);
    EXPECT_EQ(refused(*links, {{u"UserCode"_qs, u"ghost"_qs}, {u"ShopCode"_qs, u"S1"_qs}}),
              u"[UserCode列]“ghost”不是已有的用户，请先在“设置用户”中添加！"_qs);
    EXPECT_EQ(refused(*links, {{u"UserCode"_qs, u"boss"_qs}, {u"ShopCode"_qs, u"S9"_qs}}),
              u"[ShopCode列]“S9”不是已有的店铺，请先在“设置店铺”中添加！"_qs);
    links->ActionAppend->trigger();
    Field(*links, u"UserCode"_qs).SetAsString(u"boss"_qs);
    Field(*links, u"ShopCode"_qs).SetAsString(u"S1"_qs);
    links->ClientDataSetShop->Post();
    ExecSql(u"delete from \"SYS_User\" where \"Code\" = 'boss'"_qs);
    links->ActionSave->trigger();
    EXPECT_EQ(FAnswers.Texts().last(), u"[UserCode列]“boss”不是已有的用户，请先在“设置用户”中添加！"_qs);
    EXPECT_EQ(links->ClientDataSetShop->ChangeCount(), 1);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_UserShop\""_qs), u"0"_qs);
}

TEST_F(TableEditorTest, TypedPasswordsAreStoredHashedAndNoneIsShown)
{
    AddUser(u"clerk"_qs, PasswordHash(u"clerk"_qs, u"old"_qs));
    AddUser(u"temp"_qs, PasswordHash(u"temp"_qs, u"t"_qs));
    ExecSql(u"delete from \"SYS_Fields\" where \"Code\" = 'SYS_User'"_qs);
    AddLayout(u"SYS_User"_qs, u"Code"_qs, 0);
    AddLayout(u"SYS_User"_qs, u"Password"_qs, 1);
    const auto form = Editor(u"select * from \"SYS_User\" where \"Code\" <> 'admin'"_qs, u"SYS_User"_qs);
    TDataSet& data = *form->ClientDataSetShop;
    ASSERT_TRUE(data.Locate(u"Code"_qs, Variant(u"clerk"_qs)));
    EXPECT_EQ(Field(*form, u"Password"_qs).DisplayText(), u"******"_qs);
    // The cell's editor starts empty; leaving it untouched changes nothing.
    EXPECT_EQ(EditShopCell(*form, u"Password"_qs)->text(), QString());
    data.CheckBrowseMode();

    // A new seller's password, and a new one for a user renamed.
    form->ActionAppend->trigger();
    Type(*form, u"Code"_qs, u"seller"_qs);
    Type(*form, u"Password"_qs, u"pw1"_qs);
    data.Post();
    EXPECT_EQ(Field(*form, u"Password"_qs).DisplayText(), u"******"_qs);
    ASSERT_TRUE(data.Locate(u"Code"_qs, Variant(u"temp"_qs)));
    data.Edit();
    Field(*form, u"Code"_qs).SetAsString(u"temp2"_qs);
    // Renamed without a new password, the stored one could never match again.
    EXPECT_THROW(data.Post(), EAbort);
    EXPECT_EQ(FAnswers.Texts(), QStringList{u"改了[Code列]，请重新输入[Password列]！"_qs});
    Field(*form, u"Password"_qs).SetAsString(QString());
    data.Post();
    form->ActionSave->trigger();
    EXPECT_EQ(FAnswers.Texts().last(), u"数据保存成功!"_qs);
    EXPECT_EQ(Scalar(u"select \"Password\" from \"SYS_User\" where \"Code\" = 'seller'"_qs), PasswordHash(u"seller"_qs, u"pw1"_qs));
    EXPECT_TRUE(PasswordMatches(u"seller"_qs, u"pw1"_qs));
    EXPECT_TRUE(PasswordMatches(u"temp2"_qs, QString())) << "an emptied password is the empty one of the login";
    EXPECT_TRUE(PasswordMatches(u"clerk"_qs, u"old"_qs)) << "an untouched row keeps its password";
}

TEST_F(TableEditorTest, RefreshKeepsTheColumnsAsTheyStandAndAsksBeforeDroppingEdits)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\") values('S1','旗舰店','k1','x1')"_qs);
    const auto form = Editor(u"select * from \"SYS_Shop\""_qs, u"SYS_Shop"_qs);
    // As the user drags the name's column wider and to the front.
    Field(*form, u"Name"_qs).SetDisplayWidth(30);
    Field(*form, u"Name"_qs).SetIndex(0);
    const auto refresh = [&] { form->DBNavigator1->actions().at(9)->trigger(); };
    refresh();
    EXPECT_EQ(Field(*form, u"Name"_qs).DisplayWidth(), 30);
    EXPECT_EQ(form->DBGridShop->GetFields(0), &Field(*form, u"Name"_qs));
    EXPECT_EQ(Field(*form, u"SyncDate"_qs).DisplayWidth(), 17) << "the layout's, not the database's";
    EXPECT_EQ(Field(*form, u"Code"_qs).DisplayLabel(), u"店铺代码"_qs);
    EXPECT_EQ(form->DBGridShop->GetFooterValue(0, Column(*form, u"Code"_qs)), u"1行"_qs);
    EXPECT_EQ(Column(*form, u"Session"_qs)->ButtonStyle(), cbsEllipsis);

    // An edit not yet saved is dropped only when the user says so.
    form->ClientDataSetShop->Edit();
    Field(*form, u"Name"_qs).SetAsString(u"改名"_qs);
    FAnswers.Replies = {TModalResult::mrOk};
    refresh();
    EXPECT_EQ(form->ClientDataSetShop->ChangeCount(), 1);
    FAnswers.Replies = {TModalResult::mrIgnore};
    refresh();
    EXPECT_EQ(FAnswers.Texts(), QStringList(2, u"数据有变动,请先保存!\nOK返回,\n忽略退出!"_qs));
    EXPECT_EQ(Field(*form, u"Name"_qs).AsString(), u"旗舰店"_qs);
    form->ActionExit->trigger();
    EXPECT_EQ(Scalar(u"select \"Width\" from \"SYS_Fields\" where \"Code\" = 'SYS_Shop' and \"FieldName\" = 'Name'"_qs), u"30"_qs);
}

TEST_F(TableEditorTest, AShopWhoseWindowIsOpenIsNotDeletedAndADeletedShopLeavesTheTree)
{
    for (const QString& code : {u"S1"_qs, u"S2"_qs, u"S3"_qs}) {
        ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\",\"SyncDate\") values("_qs + QuotedStr(code)
                + u",'店"_qs + code + u"','k','s','x','2024-06-01 12:00:00')"_qs);
        ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin',"_qs + QuotedStr(code) + u",'me')"_qs);
    }
    SysRec.StockTime = LoadStockTime();
    TMainKiv main;
    const auto tree = [&] {
        QStringList shops;
        for (int i = 0; i < main.tvShops->topLevelItemCount(); ++i)
            shops << main.ShopOf(main.tvShops->topLevelItem(i))->Code;
        return shops;
    };
    QStringList shown;
    const auto deleteShop = [&](const QString& code) {
        OnEditor = [&, code](TFormShop& form) {
            ASSERT_TRUE(form.ClientDataSetShop->Locate(u"Code"_qs, Variant(code)));
            form.ActionDelete->trigger();
            form.ActionSave->trigger();
            shown = tree();
            FAnswers.Replies = {TModalResult::mrIgnore};
        };
        FAnswers.Messages.clear();
        main.ActionConfigShops->trigger();
    };
    OpenMonitorForm(*main.ShopOf(main.tvShops->topLevelItem(0)));
    TFormItems sync;
    sync.SetShop(main.ShopOf(main.tvShops->topLevelItem(1)));
    sync.show();

    deleteShop(u"S1"_qs);
    EXPECT_EQ(FAnswers.Texts().value(1), u"店铺[店S1]的监控数据窗口还开着,请先关闭该窗口,再删除店铺!"_qs);
    deleteShop(u"S2"_qs);
    EXPECT_EQ(FAnswers.Texts().value(1), u"店铺[店S2]的同步数据窗口还开着,请先关闭该窗口,再删除店铺!"_qs);
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Shop\""_qs), u"3"_qs);
    // Saved while the monitor window is open, the deletion leaves the tree at once.
    deleteShop(u"S3"_qs);
    EXPECT_EQ(FAnswers.Texts().value(1), u"数据保存成功!"_qs);
    EXPECT_EQ(shown, (QStringList{u"S1"_qs, u"S2"_qs}));
    EXPECT_EQ(tree(), shown);
    ASSERT_TRUE(main.ShopOf(main.tvShops->topLevelItem(0))->MonitorForm);
    main.ShopOf(main.tvShops->topLevelItem(0))->MonitorForm->close();
}

TEST_F(TableEditorTest, LettersInANumberColumnAreRefusedInWordsThatSayWhy)
{
    const auto form = Editor(u"select * from \"SYS_Params\" order by \"Code\""_qs, u"SYS_Params"_qs);
    form->resize(866, 549);
    form->ActionAppend->trigger();
    ClickShopGridCell(*form, u"Code"_qs, 0);
    ClickShopGridCell(*form, u"Code"_qs, 0);
    // Letters are kept out as they are typed; signs in the wrong place come in.
    TypeIntoShopGrid(*form, u"ab1-2"_qs);
    EXPECT_EQ(form->DBGridShop->CellEditor()->text(), u"1-2"_qs);
    QString message;
    try {
        ClickShopGridCell(*form, u"Value"_qs, 0);
    } catch (const EConvertError& error) {
        message = error.Message();
    }
    EXPECT_EQ(message, u"["_qs + Field(*form, u"Code"_qs).DisplayLabel() + u"]只能填整数，“1-2”不是整数！"_qs);
    EXPECT_EQ(form->ClientDataSetShop->State(), dsInsert);
}
