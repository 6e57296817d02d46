// The barcode stock-in over a real database: the list, the ticks, the
// booking, the barcode stored, and the update records that the monitor
// windows' datasets receive at the next idle moment.

#include "AppTest.h"

#include "app/KivItemIn.h"
#include "app/KivMain.h"
#include "app/KivMsgQueue.h"
#include "grid/DBGridMv.h"
#include "platform/Exceptions.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSetProvider.h"
#include "platform/db/SqlQuery.h"
#include "support/DialogAnswers.h"

#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTimer>

namespace {

// Two shops. Shop S1 has an old and a latest snapshot of its item; the
// barcode "6901" is on one SKU of each shop's latest snapshot, "OLD" only on
// an old snapshot.
class ItemInTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SysRec.StockTime = u"7"_qs;
        for (const char* shop : {"'S1','店铺一'", "'S2','店铺二'"})
            ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\") values("_qs + QLatin1String(shop) + u')');
        AddItem(u"100"_qs, u"S1"_qs, Old, u"T恤"_qs);
        AddItem(u"100"_qs, u"S1"_qs, Latest, u"T恤"_qs);
        AddItem(u"200"_qs, u"S2"_qs, Latest, u"帆布鞋"_qs);
        AddSku(Sku11, u"100"_qs, u"S1"_qs, Old, u"黑色，XL"_qs, u"6901"_qs);
        AddSku(Sku12, u"100"_qs, u"S1"_qs, Old, u"白色，M"_qs, u"OLD"_qs);
        AddSku(Sku11, u"100"_qs, u"S1"_qs, Latest, u"黑色，XL"_qs, u"6901"_qs);
        AddSku(Sku12, u"100"_qs, u"S1"_qs, Latest, u"白色，M"_qs, QString());
        AddSku(Sku21, u"200"_qs, u"S2"_qs, Latest, u"40码"_qs, u"6901"_qs);
        AddSku(Sku22, u"200"_qs, u"S2"_qs, Latest, u"41码"_qs, QString());
    }
    void TearDown() override
    {
        EventQueue.clear();
        MonitorDataSets.clear();
        MonitorLogBoxes.clear();
        MainKivHooks = {};
        SetIdleHandler({});
        AppTest::TearDown();
    }

    void AddItem(const QString& numIid, const QString& shop, const QString& syncDate, const QString& title)
    {
        ExecSql(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values("_qs + numIid + u','
                + QuotedStr(title) + u',' + QuotedStr(shop) + u',' + QuotedStr(syncDate) + u')');
    }
    void AddSku(const QString& skuId, const QString& numIid, const QString& shop, const QString& syncDate,
                const QString& props, const QString& barcode)
    {
        ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"ShopCode\",\"SyncDate\",\"PropNameFormat\",\"Barcode\") values("_qs
                + skuId + u',' + numIid + u',' + QuotedStr(shop) + u',' + QuotedStr(syncDate) + u',' + QuotedStr(props) + u','
                + (barcode.isNull() ? u"null"_qs : QuotedStr(barcode)) + u')');
    }

    static QString Scalar(const QString& sql)
    {
        const auto query = OpenQuery(sql);
        return query->Fields(0)->AsString();
    }
    // "SkuID:Barcode" of every snapshot row, in a fixed order.
    static QStringList Barcodes()
    {
        QStringList rows;
        const auto query = OpenQuery(u"select \"SkuID\",\"SyncDate\",\"Barcode\" from \"KivItem\" order by 1,2"_qs);
        for (; !query->Eof(); query->Next())
            rows << query->Fields(0)->AsString().right(2) + u':' + query->Fields(2)->AsString();
        return rows;
    }
    // "Qty/StockTime" of every stock-in, and the SKU ids each one lists.
    static QString Bookings()
    {
        QStringList parts;
        const auto in = OpenQuery(u"select \"Qty\",\"StockTime\",\"AutoCode\" from \"KivItemIn\" order by 3"_qs);
        for (; !in->Eof(); in->Next()) {
            QStringList skus;
            const auto list = OpenQuery(u"select \"SkuID\",\"NumIID\",\"StockTime\" from \"KivItemInList\" where \"PCode\" = "_qs
                                        + in->Fields(2)->AsString() + u" order by 1"_qs);
            for (; !list->Eof(); list->Next())
                skus << list->Fields(0)->AsString().right(2) + u'/' + list->Fields(1)->AsString() + u'/'
                            + list->Fields(2)->AsString();
            parts << in->Fields(0)->AsString() + u'/' + in->Fields(1)->AsString() + u'[' + skus.join(u' ') + u']';
        }
        return parts.join(u';');
    }

    // Each listed row as "SkuID:Selected", in the list's order.
    static QStringList Listed(TFormItemIn& form)
    {
        QStringList rows;
        TClientDataSet& data = *form.ClientDataSetBarcode;
        for (data.First(); !data.Eof(); data.Next())
            rows << data.FieldByName(u"SkuID"_qs)->AsString().right(2) + u':' + data.FieldByName(u"Selected"_qs)->AsString();
        data.First();
        return rows;
    }

    // Ticks a listed SKU through the grid's check-box column.
    static void Tick(TFormItemIn& form, const QString& skuId)
    {
        ASSERT_TRUE(form.ClientDataSetBarcode->Locate(u"SkuID"_qs, Variant(skuId)));
        TColumnMv* column = form.DBGridBarcode->GetColumnByFieldName(u"Selected"_qs);
        ASSERT_NE(column, nullptr);
        ASSERT_EQ(column->GetColumnType(), ctCheckboxes);
        ASSERT_NE(column->GetCheckboxState(), cbChecked);
        column->SetNextFieldValue(1);
    }

    static void Press(QWidget* target, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    // Runs the stock-in; drive gets the shown dialog and returns its result.
    QString Run(const QString& barcode, std::function<void(TFormItemIn&)> drive)
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

    static inline const QString Old = u"2026-01-01 08:00:00"_qs;
    static inline const QString Latest = u"2026-02-01 08:00:00"_qs;
    static inline const QString Sku11 = u"9000000000000000011"_qs;
    static inline const QString Sku12 = u"9000000000000000012"_qs;
    static inline const QString Sku21 = u"9000000000000000021"_qs;
    static inline const QString Sku22 = u"9000000000000000022"_qs;
    TDialogAnswers Answers;
};

// A monitor window's dataset over the real database: one shop's SKUs with
// their stock figures, registered as an open monitor window.
struct TMonitorData {
    TMonitorData(const QString& shop)
    {
        Query.SQL = u"select a.\"SkuID\",a.\"NumIID\",a.\"Barcode\",b.\"Title\",a.\"PropNameFormat\",0 \"QtyStock\",0 \"QtyBalance\","
                    "10 \"QtyOrder\" from \"KivItem\" a inner join \"KivItemOnsale\" b on a.\"NumIID\" = b.\"NumIID\" and "
                    "a.\"ShopCode\" = b.\"ShopCode\" and a.\"SyncDate\" = b.\"SyncDate\" where a.\"ShopCode\" = "_qs
                    + QuotedStr(shop) + u" and a.\"SyncDate\" = '2026-02-01 08:00:00'"_qs;
        Provider.SetDataSet(&Query);
        Data.SetProvider(&Provider);
        Data.Open();
        MonitorDataSets << &Data;
        MonitorLogBoxes << &Log;
    }
    QString Row(const QString& skuId)
    {
        if (!Data.Locate(u"SkuID"_qs, Variant(skuId)))
            return u"-"_qs;
        QStringList values;
        for (const char16_t* name : {u"QtyStock", u"QtyBalance", u"QtyOrder", u"Barcode"})
            values << Data.FieldByName(QString::fromUtf16(name))->AsString();
        return values.join(u'/');
    }
    TSQLQuery Query{KivDM->KivConn};
    TDataSetProvider Provider;
    TClientDataSet Data;
    QListWidget Log;
};

// The idle moment: the loop runs out of events while it waits for its timer.
void RunUntilIdle()
{
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

TEST_F(ItemInTest, AKnownBarcodeListsItsSkusOfEveryShopTickedAndBooksOneStockIn)
{
    EXPECT_EQ(CountBarcode(u"6901"_qs), 2);
    EXPECT_EQ(CountBarcode(u"OLD"_qs), 0); // carried by an old snapshot only
    QStringList listed;
    const QString result = Run(u"6901"_qs, [&](TFormItemIn& form) {
        EXPECT_EQ(form.windowTitle(), u"条码入库"_qs);
        EXPECT_EQ(form.EditInBarcode->text(), u"6901"_qs);
        EXPECT_EQ(form.SpinEditQty->value(), 1);
        EXPECT_TRUE(form.ActionProp->isVisible()); // the administrator's
        // The ids and the shop that the booking takes from a row cannot be typed over.
        EXPECT_FALSE(form.DBGridBarcode->GetColumnByFieldName(u"SkuID"_qs)->CanModify(false));
        EXPECT_FALSE(form.DBGridBarcode->GetColumnByFieldName(u"ShopCode"_qs)->CanModify(false));
        EXPECT_EQ(QApplication::focusWidget(), form.SpinEditQty);
        listed = Listed(form);
        // Enter in the barcode goes on to the quantity; Enter there confirms.
        form.EditInBarcode->setFocus();
        Press(form.EditInBarcode, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), form.SpinEditQty);
        // The typed quantity counts though Enter comes before the box reads it.
        QKeyEvent three(QEvent::KeyPress, Qt::Key_3, Qt::NoModifier, u"3"_qs);
        QApplication::sendEvent(form.SpinEditQty, &three);
        Press(form.SpinEditQty, Qt::Key_Enter);
    });
    EXPECT_EQ(listed, (QStringList{u"11:1"_qs, u"21:1"_qs}));
    EXPECT_EQ(result, u"6901"_qs);
    EXPECT_TRUE(Answers.Messages.empty());
    EXPECT_EQ(Bookings(), u"3/7[11/100/7 21/200/7]"_qs);

    // The list shows the period's stock-in total of each SKU.
    Run(u"6901"_qs, [&](TFormItemIn& form) {
        EXPECT_EQ(form.ClientDataSetBarcode->FieldByName(u"Qty"_qs)->AsInteger(), 3);
        form.ActionClose->trigger();
    });
    EXPECT_EQ(Bookings(), u"3/7[11/100/7 21/200/7]"_qs); // leaving books nothing
}

TEST_F(ItemInTest, AnUnknownBarcodeListsEverySkuUntickedAndTheEditedBarcodeIsStoredAsText)
{
    InstallItemInHooks();
    TMainKiv main;
    main.SelectPage(main.tbStock, 1);
    main.leBarcode->setText(u"NEW"_qs);
    const QString edited = u"abc'; drop"_qs;
    QStringList listed;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormItemIn&>(dialog);
        form.show();
        listed = Listed(form);
        // Nothing ticked: the warning, and the dialog stays.
        form.ActionOK->trigger();
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
    EXPECT_EQ(Barcodes(), (QStringList{u"11:6901"_qs, u"11:6901"_qs, u"12:"_qs + edited, u"12:"_qs + edited, u"21:6901"_qs,
                                       u"22:"_qs}));
    EXPECT_EQ(Bookings(), u"1/7[12/100/7]"_qs);
    EXPECT_EQ(CountBarcode(edited), 1);
}

TEST_F(ItemInTest, TheFilterIsTrimmedAndTicksHiddenByItAreBooked)
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
        Tick(form, Sku22);
        form.ActionOK->trigger();
        form.EditFilter->clear();
        shown << Listed(form).join(u',');
    });
    EXPECT_EQ(shown, (QStringList{u"4"_qs, u"11:0"_qs, u"21:0,22:0"_qs, u"12:0,11:1,21:0,22:1"_qs}));
    EXPECT_EQ(Bookings(), u"1/7[11/100/7 22/200/7]"_qs);
}

TEST_F(ItemInTest, EveryOpenMonitorGetsARecordPerTickedSkuAndChangesAtTheNextIdleMoment)
{
    TMonitorData shopOne(u"S1"_qs);
    TMonitorData shopTwo(u"S2"_qs);
    Run(u"6901"_qs, [&](TFormItemIn& form) {
        form.SpinEditQty->setValue(3);
        form.ActionOK->trigger();
    });
    ASSERT_EQ(EventQueue.size(), 4u);
    // The SKU id travels in quotes, the item id bare.
    EXPECT_EQ(EventQueue.front()->KeyValues.front().AsString(), u"'"_qs + Sku11 + u"'"_qs);
    EXPECT_EQ(EventQueue.front()->KeyValues.back().AsString(), u"100"_qs);
    EXPECT_EQ(shopOne.Row(Sku11), u"0/0/10/6901"_qs);

    SetIdleHandler(ProcessMsgQueue);
    RunUntilIdle();
    EXPECT_TRUE(EventQueue.empty());
    EXPECT_EQ(shopOne.Row(Sku11), u"3/3/13/6901"_qs);
    EXPECT_EQ(shopOne.Row(Sku12), u"0/0/10/"_qs);
    EXPECT_EQ(shopTwo.Row(Sku21), u"3/3/13/6901"_qs);
    EXPECT_EQ(shopOne.Data.GetOptionalParam(u"SkuID"_qs).AsString(), Sku11);
    EXPECT_EQ(shopOne.Log.count(), 1); // the stock line of "QtyStock"
    EXPECT_EQ(shopTwo.Log.count(), 1);
}

TEST_F(ItemInTest, DialogScreenshot)
{
    Run(u"NEW"_qs, [&](TFormItemIn& form) {
        Tick(form, Sku21);
        form.SpinEditQty->setValue(5);
        const QImage shot = form.grab().toImage();
        const QString dir = BinaryDir() + u"/screenshots"_qs;
        QDir().mkpath(dir);
        EXPECT_TRUE(shot.save(dir + u"/stock-in.png"_qs));
        EXPECT_EQ(shot.size(), QSize(958, 637));
        form.reject();
    });
}
