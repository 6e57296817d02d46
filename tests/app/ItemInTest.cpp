// The barcode stock-in over a real database: the list, the ticks, the
// booking, the barcode stored, and the update records that open monitor
// windows receive at the next idle moment.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivMain.h"
#include "app/KivMsgQueue.h"
#include "grid/DBGridMv.h"
#include "platform/Exceptions.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const QString Sku11 = u"9000000000000000011"_qs;
const QString Sku12 = u"9000000000000000012"_qs;
const QString Sku21 = u"9000000000000000021"_qs;
const QString Sku22 = u"9000000000000000022"_qs;

// Two shops; S1 has an old and a latest snapshot. "6901" is on one SKU of
// each shop's latest snapshot, "OLD" only on an old one.
class ItemInTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SysRec.StockTime = GetParam(u"1"_qs, u"7"_qs);
        SysRec.LowStock = u"10"_qs;
        for (const char* shop : {"S1", "S2"}) {
            const QString code = QString::fromLatin1(shop);
            ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\") values('"_qs + code
                    + u"','店铺"_qs + code + u"','k','s','x')"_qs);
            ExecSql(u"insert into \"SYS_UserShop\"(\"UserCode\",\"ShopCode\",\"ShopUserCode\") values('admin','"_qs + code + u"','店长')"_qs);
        }
        for (const char* row : {"100,'T恤','S1','1'", "100,'T恤','S1','2'", "200,'帆布鞋','S2','2'"})
            ExecSql(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values("_qs + QString::fromUtf8(row) + u')');
        for (const char* row : {"11,100,'S1','1','黑色，XL','6901'", "12,100,'S1','1','白色，M','OLD'", "11,100,'S1','2','黑色，XL','6901'",
                                "12,100,'S1','2','白色，M',null", "21,200,'S2','2','40码','6901'", "22,200,'S2','2','41码',null"})
            ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"ShopCode\",\"SyncDate\",\"PropNameFormat\",\"Barcode\") values(90000000000000000"_qs
                    + QString::fromUtf8(row) + u')');
    }
    void TearDown() override
    {
        Main.reset(); // its monitor windows go with it
        EventQueue.clear();
        MonitorDataSets.clear();
        MonitorLogBoxes.clear();
        MainKivHooks = {};
        SetIdleHandler({});
        AppTest::TearDown();
    }

    // Each row of a statement as its values joined by '/'.
    static QStringList Rows(const QString& sql)
    {
        QStringList rows;
        for (const auto query = OpenQuery(sql); !query->Eof(); query->Next()) {
            QStringList values;
            for (int i = 0; i < query->FieldCount(); ++i)
                values << query->Fields(i)->AsString();
            rows << values.join(u'/');
        }
        return rows;
    }
    static QStringList Barcodes() { return Rows(u"select \"SkuID\" - 9000000000000000000,\"Barcode\" from \"KivItem\" order by 1,\"SyncDate\""_qs); }
    // Each stock-in with the SKUs it lists.
    static QStringList Bookings()
    {
        return Rows(u"select x.\"Qty\",x.\"StockTime\",y.\"SkuID\" - 9000000000000000000,y.\"NumIID\",y.\"StockTime\" \"ListTime\" from \"KivItemIn\" x "
                    "left join \"KivItemInList\" y on x.\"AutoCode\" = y.\"PCode\" order by x.\"AutoCode\",3"_qs);
    }
    // The listed rows as "SkuID:Selected", in the list's order.
    static QStringList Listed(TFormItemIn& form)
    {
        QStringList rows;
        TClientDataSet& data = *form.ClientDataSetBarcode;
        for (data.First(); !data.Eof(); data.Next())
            rows << data.FieldByName(u"SkuID"_qs)->AsString().right(2) + u':' + data.FieldByName(u"Selected"_qs)->AsString();
        data.First();
        return rows;
    }
    static void Tick(TFormItemIn& form, const QString& skuId) { TickItemIn(form, skuId); }
    // Runs the stock-in; drive acts on the shown dialog.
    QString Run(const QString& barcode, const std::function<void(TFormItemIn&)>& drive)
    {
        Answers.Modal = [&](QDialog& dialog) {
            auto& form = dynamic_cast<TFormItemIn&>(dialog);
            form.show();
            QApplication::setActiveWindow(&form);
            drive(form);
            const int result = form.isVisible() ? int(QDialog::Rejected) : form.result();
            form.hide();
            return result;
        };
        return StockInByBarcode(barcode);
    }

    // The main window with the monitor window of every shop open.
    void OpenMonitors()
    {
        InstallItemsHooks();
        Main = std::make_unique<TMainKiv>();
        for (int i = 0; i < Main->tvShops->topLevelItemCount(); ++i) {
            Main->tvShops->setCurrentItem(Main->tvShops->topLevelItem(i)->child(1));
            Main->tvShopsDblClick();
        }
        ASSERT_EQ(MonitorDataSets.size(), 2);
    }
    // "QtyStock/QtyBalance/QtyOrder/Barcode" of a SKU in monitor window i.
    static QString Figures(int i, const QString& skuId)
    {
        TClientDataSet& data = *MonitorDataSets[i];
        QStringList values;
        if (data.Locate(u"SkuID"_qs, Variant(skuId)))
            for (const char* name : {"QtyStock", "QtyBalance", "QtyOrder", "Barcode"})
                values << data.FieldByName(QLatin1String(name))->AsString();
        return values.join(u'/');
    }

    TDialogAnswers Answers;
    std::unique_ptr<TMainKiv> Main;
};

} // namespace

TEST_F(ItemInTest, AKnownBarcodeListsItsSkusOfEveryShopTickedAndEveryMonitorHearsOfTheBooking)
{
    EXPECT_EQ(CountBarcode(u"6901"_qs), 2);
    EXPECT_EQ(CountBarcode(u"OLD"_qs), 0); // carried by an old snapshot only
    OpenMonitors();
    QStringList listed;
    const QString result = Run(u"6901"_qs, [&](TFormItemIn& form) {
        EXPECT_EQ(form.EditInBarcode->text(), u"6901"_qs);
        EXPECT_TRUE(form.ActionProp->isVisible()); // the administrator's
        EXPECT_EQ(QApplication::focusWidget(), form.SpinEditQty);
        // The tick is all the user changes: no other column is typed over
        // (the ids and the shop that the booking takes among them), no row is added.
        TDBGridMv& grid = *form.DBGridBarcode;
        for (int i = 0; i < grid.Columns().Count(); ++i)
            EXPECT_EQ(grid.Columns().Items(i)->CanModify(false), grid.Columns().Items(i)->FieldName() == u"Selected"_qs);
        form.ClientDataSetBarcode->Last();
        for (const int key : {Qt::Key_Down, Qt::Key_Insert})
            Press(grid.ClientWidget(), key);
        EXPECT_EQ(form.ClientDataSetBarcode->State(), dsBrowse);
        listed = Listed(form);
        // Enter in the barcode goes on to the quantity, Enter there confirms.
        form.EditInBarcode->setFocus();
        Press(form.EditInBarcode, Qt::Key_Return);
        // A quantity too large for the column stays as typed, and confirming
        // it says what is wrong and books nothing; a letter is refused as typed.
        for (const QChar digit : u"99999999999"_qs)
            Press(QApplication::focusWidget(), Qt::Key_9, digit);
        Press(QApplication::focusWidget(), Qt::Key_A, u"a"_qs);
        EXPECT_EQ(form.SpinEditQty->text(), u"99999999999"_qs);
        Press(form.SpinEditQty, Qt::Key_Enter);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(Answers.Texts().mid(Answers.Texts().size() - 2), (QStringList{u"[入库数量]只能填整数，不能有字母、小数点或其他符号！"_qs,
                                                u"[入库数量]“99999999999”太大，不能大于2147483647，请重新填写！"_qs}));
        EXPECT_EQ(form.SpinEditQty->findChild<QLineEdit*>()->selectedText(), u"99999999999"_qs);
        Press(QApplication::focusWidget(), Qt::Key_3, u"3"_qs);
        Press(form.SpinEditQty, Qt::Key_Enter);
    });
    EXPECT_EQ(listed, (QStringList{u"11:1"_qs, u"21:1"_qs}));
    EXPECT_EQ(result, u"6901"_qs);
    EXPECT_EQ(Bookings(), (QStringList{u"3/7/11/100/7"_qs, u"3/7/21/200/7"_qs}));

    // Two records per ticked SKU, the SKU id in quotes; each monitor finds
    // the SKU it shows at the next idle moment.
    ASSERT_EQ(EventQueue.size(), 4u);
    EXPECT_EQ(EventQueue.front()->KeyValues.front().AsString(), u"'"_qs + Sku11 + u"'"_qs);
    EXPECT_EQ(Figures(0, Sku11), u"0/0/10/6901"_qs);
    SetIdleHandler(ProcessMsgQueue);
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(EventQueue.empty());
    EXPECT_EQ(Figures(0, Sku11), u"3/3/7/6901"_qs);
    EXPECT_EQ(Figures(0, Sku12), u"0/0/10/"_qs);
    EXPECT_EQ(Figures(1, Sku21), u"3/3/7/6901"_qs);
    EXPECT_EQ(MonitorLogBoxes[1]->count(), 1); // the stock line of "QtyStock"
}

TEST_F(ItemInTest, AnUnknownBarcodeListsEverySkuUntickedAndTheEditedBarcodeIsStoredAsText)
{
    InstallItemInHooks();
    TMainKiv main;
    main.leBarcode->setText(u"NEW"_qs);
    const QString edited = u"abc'; drop"_qs;
    QStringList listed;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormItemIn&>(dialog);
        form.show();
        listed = Listed(form);
        form.ActionOK->trigger(); // nothing ticked: the warning, and the dialog stays
        EXPECT_TRUE(form.isVisible());
        Tick(form, Sku12);
        form.EditInBarcode->setText(edited);
        form.ActionOK->trigger();
        return form.result();
    };
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(listed, (QStringList{u"12:0"_qs, u"11:0"_qs, u"21:0"_qs, u"22:0"_qs}));
    EXPECT_EQ(Answers.Texts(), QStringList{u"没有选中对应的商品!"_qs});
    EXPECT_EQ(main.leBarcode->text(), edited);
    EXPECT_EQ(main.leBarcode->selectedText(), edited);
    // Every snapshot of the ticked SKU carries the barcode now.
    EXPECT_EQ(Barcodes(), (QStringList{u"11/6901"_qs, u"11/6901"_qs, u"12/"_qs + edited, u"12/"_qs + edited, u"21/6901"_qs, u"22/"_qs}));
    EXPECT_EQ(Bookings(), QStringList{u"1/7/12/100/7"_qs});
}

TEST_F(ItemInTest, TheFilterIsTrimmedAndOnlyTheTickedRowsItShowsAreBooked)
{
    SysRec.UserCode = u"clerk"_qs;
    QStringList shown;
    Run(u"NEW"_qs, [&](TFormItemIn& form) {
        EXPECT_FALSE(form.ActionProp->isVisible());
        form.EditFilter->setText(u"   "_qs);
        shown << QString::number(form.ClientDataSetBarcode->RecordCount());
        form.EditFilter->setText(u" 黑色 "_qs); // a property text
        shown << Listed(form).join(u',');
        Tick(form, Sku11);
        form.EditFilter->setText(u"帆布"_qs); // a title
        shown << Listed(form).join(u',');
        // The only tick is hidden: nothing shown is ticked.
        form.ActionOK->trigger();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(Answers.Texts(), QStringList{u"没有选中对应的商品!"_qs});
        Tick(form, Sku22);
        // "存栏宽" keeps a width; the first layout made "Selected" the check-box column.
        form.ClientDataSetBarcode->FieldByName(u"Title"_qs)->SetDisplayWidth(33);
        form.ActionColumn->trigger();
        shown << Rows(u"select \"Boolean\",iif(\"FieldName\" = 'Title',\"Width\",0) from \"SYS_Fields\" where \"Code\" = 'SYS_Barcode' "
                      "and \"FieldName\" in ('Selected','Title') order by \"FieldName\""_qs);
        QApplication::processEvents(); // the toolbar lays its buttons out
        Keep(form.grab().toImage(), u"stock-in.png"_qs);
        form.ActionOK->trigger();
    });
    EXPECT_EQ(shown, (QStringList{u"4"_qs, u"11:0"_qs, u"21:0,22:0"_qs, u"1/0"_qs, u"0/33"_qs}));
    EXPECT_EQ(Bookings(), (QStringList{u"1/7/22/200/7"_qs}));
}

TEST_F(ItemInTest, AFailureInTheMiddleOfABookingLeavesTheDatabaseAsItWas)
{
    OpenMonitors();
    ExecSql(u"create exception \"StockInRefused\" 'the second SKU is refused'"_qs);
    ExecSql(u"create trigger \"RefuseSecond\" for \"KivItemInList\" before insert as begin if (new.\"SkuID\" = "_qs + Sku21
            + u") then exception \"StockInRefused\"; end"_qs);
    const QStringList before = Barcodes();
    try {
        Run(u"6901"_qs, [&](TFormItemIn& form) {
            form.EditInBarcode->setText(u"6902"_qs);
            form.ActionOK->trigger();
        });
        ADD_FAILURE() << "the refused booking reported success";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(u"the second SKU is refused"_qs)) << error.what();
    }
    EXPECT_EQ(Rows(u"select count(*) from \"KivItemIn\" union all select count(*) from \"KivItemInList\""_qs), (QStringList{u"0"_qs, u"0"_qs}));
    EXPECT_EQ(Barcodes(), before);
    EXPECT_TRUE(EventQueue.empty());
}

TEST_F(ItemInTest, WhatIsAroundABarcodeIsDroppedBeforeItIsLookedUpOrStoredAndAControlCharacterInsideIsRefused)
{
    const QString inside = u"[条形码]中间有控制字符（如换行符、制表符），不能入库，请重新扫描或输入！"_qs;
    InstallItemInHooks();
    TMainKiv main;
    main.tbStock->click();
    PasteOver(main.leBarcode, u"69\t01\n"_qs);
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(Answers.Texts(), QStringList{inside});
    QStringList listed;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormItemIn&>(dialog);
        form.show();
        listed = Listed(form);
        PasteOver(form.EditInBarcode, u"6905\r\n7"_qs);
        form.ActionOK->trigger();
        EXPECT_TRUE(form.isVisible()) << "nothing booked";
        PasteOver(form.EditInBarcode, u"\t6905 \r\n"_qs);
        form.ActionOK->trigger();
        return form.result();
    };
    // As a spreadsheet's cell is copied: the barcode with its line end.
    PasteOver(main.leBarcode, u" 6901\r\n"_qs);
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(listed, (QStringList{u"11:1"_qs, u"21:1"_qs}));
    EXPECT_EQ(Answers.Texts(), (QStringList{inside, inside}));
    EXPECT_EQ(Barcodes(), (QStringList{u"11/6905"_qs, u"11/6905"_qs, u"12/OLD"_qs, u"12/"_qs, u"21/6905"_qs, u"22/"_qs}));
    EXPECT_EQ(main.leBarcode->text(), u"6905"_qs);
}

TEST_F(ItemInTest, AQuantityOfZeroIsRefusedAndTheDialogStaysWithItSelected)
{
    Run(u"6901"_qs, [&](TFormItemIn& form) {
        form.SpinEditQty->setValue(0);
        Press(form.SpinEditQty, Qt::Key_Enter);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(Answers.Texts(), QStringList{u"[入库数量]不能为0，请填写入库的件数（更正时填负数）！"_qs});
        EXPECT_EQ(form.SpinEditQty->findChild<QLineEdit*>()->selectedText(), u"0"_qs);
    });
    EXPECT_TRUE(Bookings().isEmpty());
}
