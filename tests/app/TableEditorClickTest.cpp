// Clicks into the table editor's grid as a person makes them, over the
// shops table: a click on the row being typed moves the column only, a
// click on another row takes that record (posting or dropping the one being
// typed), a click below the rows changes nothing, and closing with a row
// that cannot be posted keeps every edit. Each case is saved and the table
// read back: only the rows the user edited have changed. The home-page
// button answers the first click, with or without a browser.

#include "AppTest.h"
#include "ShopEditorSupport.h"

#include "app/KivShop.h"
#include "client/KivDataM.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"
#include "support/UrlCatcher.h"
#include "support/WindowClick.h"

#include <QAction>
#include <QToolBar>

namespace {

const QString SysCode = u"SYS_CODE"_qs;

class TableEditorClickTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        for (const QString& code : {u"DEMO1"_qs, u"DEMO2"_qs, u"DEMO3"_qs, u"DEMO4"_qs})
            ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\") values("_qs + QuotedStr(code) + u",'店"_qs
                    + code + u"','k"_qs + code + u"','s"_qs + code + u"')"_qs);
        FForm = std::make_unique<TFormShop>();
        FForm->SetKeys(u"SYS_Shop"_qs, SysCode, SysCode);
        FForm->SQLQueryShop->SQL = u"select * from \"SYS_Shop\" order by \"Code\""_qs;
        FForm->resize(866, 549);
        FForm->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        FForm.reset();
        AppTest::TearDown();
    }

    TClientDataSet& Data() { return *FForm->ClientDataSetShop; }
    QString Current(const QString& field) { return Data().FieldByName(field)->AsString(); }
    void Click(const QString& field, int dataRow) { ClickShopGridCell(*FForm, field, dataRow); }
    // Keys typed where the focus would be: the open cell editor, else the grid.
    void Keys(const QString& text) { TypeIntoShopGrid(*FForm, text); }
    // Saves and reads the table back, one "code|name|key|secret" per row.
    QStringList SavedRows()
    {
        FForm->ActionSave->trigger();
        QStringList rows;
        for (const auto q = OpenQuery(u"select \"Code\",\"Name\",\"AppKey\",\"AppSecret\" from \"SYS_Shop\" order by \"Code\""_qs);
             !q->Eof(); q->Next())
            rows << QStringList{q->Fields(0)->AsString(), q->Fields(1)->AsString(), q->Fields(2)->AsString(),
                                q->Fields(3)->AsString()}
                        .join(u'|');
        return rows;
    }
    static QStringList Stored(const QStringList& codes)
    {
        QStringList rows;
        for (const QString& code : codes)
            rows << code + u"|店"_qs + code + u"|k"_qs + code + u"|s"_qs + code;
        return rows;
    }

    TDialogAnswers FAnswers;
    std::unique_ptr<TFormShop> FForm;
};

} // namespace

TEST_F(TableEditorClickTest, AClickIntoTheNewRowTypesIntoItAndItsOtherCellsDoNotPostIt)
{
    FForm->ActionAppend->trigger();
    // The first cell of the new, still empty row: the row stays and is the one typed into.
    Click(u"Code"_qs, 4);
    EXPECT_EQ(Data().State(), dsInsert);
    EXPECT_EQ(Current(u"Code"_qs), QString());
    Keys(u"DEMO5"_qs);
    // The row's other cells, one click each, without posting it half filled.
    Click(u"Name"_qs, 4);
    EXPECT_EQ(Data().State(), dsInsert);
    Keys(u"五店"_qs);
    Click(u"AppKey"_qs, 4);
    Keys(u"k5"_qs);
    Click(u"AppSecret"_qs, 4);
    Keys(u"s5"_qs);
    EXPECT_EQ(Data().State(), dsInsert);
    EXPECT_TRUE(FAnswers.Messages.empty()) << FAnswers.Texts().join(u'\n').toStdString();
    // Another row posts it and takes that record.
    Click(u"Name"_qs, 1);
    EXPECT_EQ(Data().State(), dsBrowse);
    EXPECT_EQ(Current(u"Code"_qs), u"DEMO2"_qs);
    EXPECT_EQ(SavedRows(), Stored({u"DEMO1"_qs, u"DEMO2"_qs, u"DEMO3"_qs, u"DEMO4"_qs}) << u"DEMO5|五店|k5|s5"_qs);
    EXPECT_EQ(FAnswers.Texts(), QStringList{u"数据保存成功!"_qs});
}

TEST_F(TableEditorClickTest, AnotherRowIsTakenByItsRecordWhenTheNewRowAboveItIsDropped)
{
    // A row inserted above the third shop, left untouched.
    ASSERT_TRUE(Data().Locate(u"Code"_qs, Variant(u"DEMO2"_qs)));
    Data().Insert();
    QCoreApplication::processEvents();
    // The rows: DEMO1, the new row, DEMO2, DEMO3, DEMO4. Dropping the new
    // row moves the others up, but the click still means DEMO3.
    Click(u"Name"_qs, 3);
    EXPECT_EQ(Data().State(), dsBrowse);
    EXPECT_EQ(Data().RecordCount(), 4);
    EXPECT_EQ(Current(u"Code"_qs), u"DEMO3"_qs);
    Keys(u"改名"_qs);
    Click(u"Name"_qs, 0);
    EXPECT_EQ(Current(u"Code"_qs), u"DEMO1"_qs);
    QStringList rows = Stored({u"DEMO1"_qs, u"DEMO2"_qs, u"DEMO3"_qs, u"DEMO4"_qs});
    rows[2] = u"DEMO3|改名|kDEMO3|sDEMO3"_qs;
    EXPECT_EQ(SavedRows(), rows);
}

TEST_F(TableEditorClickTest, AClickBelowTheRowsChangesNothing)
{
    FForm->ActionAppend->trigger();
    Click(u"Code"_qs, 4);
    Keys(u"DEMO5"_qs);
    const TRect last = FForm->DBGridShop->CellRect(1, FForm->DBGridShop->TitleRowCount() + 4);
    ClickShopGridAt(*FForm, QPoint(last.Left + 5, last.Bottom + 40));
    EXPECT_EQ(Data().State(), dsInsert);
    EXPECT_EQ(Data().ChangeCount(), 0);
    // Typing goes on in the new row, and only there.
    Click(u"Name"_qs, 4);
    Keys(u"五店"_qs);
    Click(u"Code"_qs, 4);
    EXPECT_EQ(Data().State(), dsInsert);
    EXPECT_EQ(Current(u"Code"_qs), u"DEMO5"_qs);
    EXPECT_EQ(Current(u"Name"_qs), u"五店"_qs);
    Data().Cancel();
    EXPECT_EQ(SavedRows(), Stored({u"DEMO1"_qs, u"DEMO2"_qs, u"DEMO3"_qs, u"DEMO4"_qs}));

    // Over a single shop, a click below it and typing leave it alone too.
    ExecSql(u"delete from \"SYS_Shop\" where \"Code\" <> 'DEMO1'"_qs);
    FForm->ActionOpen->trigger();
    ClickShopGridAt(*FForm, QPoint(last.Left + 5, last.Bottom + 40));
    EXPECT_EQ(Data().State(), dsBrowse);
    EXPECT_EQ(SavedRows(), Stored({u"DEMO1"_qs}));
}

TEST_F(TableEditorClickTest, ClosingWithARowThatCannotBePostedKeepsTheEditorAndEveryEdit)
{
    // A shop renamed, not saved; then a new row with one cell typed.
    Click(u"Name"_qs, 0);
    Click(u"Name"_qs, 0);
    Keys(u"旗舰店"_qs);
    FForm->ActionAppend->trigger();
    Click(u"Name"_qs, 4);
    Click(u"Name"_qs, 4);
    Keys(u"五店"_qs);
    FForm->ActionExit->trigger();
    EXPECT_TRUE(FForm->isVisible());
    EXPECT_EQ(FAnswers.Texts(), QStringList{u"[店铺代码]不能为空，请填写！"_qs});
    EXPECT_EQ(Data().State(), dsInsert);
    EXPECT_EQ(Current(u"Name"_qs), u"五店"_qs);
    EXPECT_EQ(Data().ChangeCount(), 1) << "the rename is still pending";

    // Filled in, the row is posted and then the question comes; OK goes back.
    for (const auto& [field, text] : {std::pair{u"Code"_qs, u"DEMO5"_qs}, {u"AppKey"_qs, u"k5"_qs}, {u"AppSecret"_qs, u"s5"_qs}}) {
        Click(field, 4);
        Keys(text);
    }
    FAnswers.Replies = {TModalResult::mrOk};
    FForm->ActionExit->trigger();
    EXPECT_TRUE(FForm->isVisible());
    EXPECT_EQ(FAnswers.Texts().last(), u"数据有变动,请先保存!\nOK返回,\n忽略退出!"_qs);
    QStringList rows = Stored({u"DEMO1"_qs, u"DEMO2"_qs, u"DEMO3"_qs, u"DEMO4"_qs}) << u"DEMO5|五店|k5|s5"_qs;
    rows[0] = u"DEMO1|旗舰店|kDEMO1|sDEMO1"_qs;
    EXPECT_EQ(SavedRows(), rows);
    FForm->ActionExit->trigger();
    EXPECT_FALSE(FForm->isVisible());
}

TEST_F(TableEditorClickTest, ANewRowsYesNoBoxesStartUntickedAndAnUntouchedRowStillGoes)
{
    FForm->ActionAppend->trigger();
    EXPECT_EQ(Current(u"AutoMonitor"_qs), u"0"_qs);
    // Nothing typed: the row is not kept for its default.
    Click(u"Name"_qs, 0);
    EXPECT_EQ(Data().State(), dsBrowse);
    EXPECT_EQ(Data().RecordCount(), 4);

    FForm->ActionAppend->trigger();
    for (const auto& [field, text] : {std::pair{u"Code"_qs, u"DEMO5"_qs}, {u"AppKey"_qs, u"k5"_qs}, {u"AppSecret"_qs, u"s5"_qs}}) {
        Click(field, 4);
        Keys(text);
    }
    Click(u"Name"_qs, 0);
    FForm->ActionSave->trigger();
    EXPECT_EQ(Scalar(u"select \"AutoMonitor\" from \"SYS_Shop\" where \"Code\" = 'DEMO5'"_qs), u"0"_qs);
}

TEST_F(TableEditorClickTest, TheHomePageButtonTakesTheFirstClickAndShowsTheAddressWhenNoBrowserOpens)
{
    SysRec.HomeUrl = u"http://127.0.0.1:9/"_qs;
    TUrlCatcher browser;
    TCustomDBGridMv& grid = *FForm->DBGridShop;
    // Where the button stands once the cell's editor is open: at its right.
    const auto clickButton = [&](const QString& field, int dataRow) {
        const TRect cell = grid.CellRect(grid.DataToRawColumn(grid.GetColumnByFieldName(field)->Index()),
                                         grid.TitleRowCount() + dataRow);
        ClickThroughWindow(grid.ClientWidget(), QPoint(cell.Right - FlatButtonWidth() / 2 - 1, cell.Top + 3));
    };
    clickButton(u"AppKey"_qs, 2);
    TDBGridInplaceEdit* editor = grid.CellEditor();
    ASSERT_TRUE(editor && editor->isVisible());
    EXPECT_EQ(Current(u"Code"_qs), u"DEMO3"_qs);
    // The flat grid's button: at the top right of the editor, as high as the
    // editor up to one and a half of its width.
    const QWidget* button = editor->ButtonControl(0);
    EXPECT_TRUE(button->isVisible());
    const int w = FlatButtonWidth();
    EXPECT_EQ(button->geometry(),
              QRect(editor->width() - w, 0, w, std::min(editor->height(), DefaultEditButtonHeight(w, true))));
    EXPECT_EQ(browser.Urls, QList<QUrl>{QUrl(SysRec.HomeUrl)});
    EXPECT_TRUE(FAnswers.Messages.empty());

    // No browser takes the address: the seller is told it, to open by hand.
    QDesktopServices::setUrlHandler(u"http"_qs, &browser, "NoSuchBrowser");
    clickButton(u"AppSecret"_qs, 0);
    EXPECT_EQ(Current(u"Code"_qs), u"DEMO1"_qs);
    ASSERT_EQ(FAnswers.Messages.size(), 1u);
    const QString shown = FAnswers.Messages[0].Text;
    EXPECT_TRUE(shown.contains(u"无法打开浏览器"_qs)) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(u"\n"_qs + SysRec.HomeUrl)) << shown.toStdString();
    EXPECT_EQ(Data().State(), dsBrowse);
}
