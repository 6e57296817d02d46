// A barcode longer than its column at the stock-in: the main window's box
// and the dialog's take no more characters than "KivItem"."Barcode" holds;
// a paste that would not fit, or a longer barcode set into the box, is
// refused in Chinese and nothing is stored.

#include "AppTest.h"
#include "ItemsTestSupport.h"

#include "app/KivItemIn.h"
#include "app/KivMain.h"
#include "support/DialogAnswers.h"

#include <QLineEdit>
#include <QToolButton>

namespace {

const QString Sku = u"5000000000011"_qs;
const QString Refused = u"[条形码]最多只能有100个字符，超出的输入没有被接受，请检查条形码！"_qs;

QString Digits(int count)
{
    QString digits;
    for (int i = 0; i < count; ++i)
        digits += QChar(u'0' + i % 10);
    return digits;
}

// Each character typed as a key, as a person or a scanner types them.
void Type(QLineEdit* box, const QString& text)
{
    for (const QChar c : text)
        Press(box, Qt::Key_0 + (c.unicode() - u'0'), QString(c));
}

class LongBarcodeTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SysRec.StockTime = GetParam(u"1"_qs, u"7"_qs);
        ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"Name\",\"AppKey\",\"AppSecret\",\"Session\") values('S1','文具店','k','s','x')"_qs);
        ExecSql(u"insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") values(500000000001,'中性笔','S1','1')"_qs);
        ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"ShopCode\",\"SyncDate\",\"PropNameFormat\") values("_qs + Sku
                + u",500000000001,'S1','1','黑色')"_qs);
        InstallItemInHooks();
    }
    void TearDown() override
    {
        EventQueue.clear();
        MainKivHooks = {};
        AppTest::TearDown();
    }

    // The messages shown since the last call.
    QStringList NewMessages()
    {
        const QStringList texts = Answers.Texts().mid(FSeen);
        FSeen = int(Answers.Messages.size());
        return texts;
    }
    static QString StoredBarcode() { return Scalar(u"select \"Barcode\" from \"KivItem\" where \"SkuID\" = "_qs + Sku); }
    static QString Bookings() { return Scalar(u"select count(*) from \"KivItemIn\""_qs); }

    TDialogAnswers Answers;
    int FSeen = 0;
};

} // namespace

TEST_F(LongBarcodeTest, TheBoxesTakeWhatTheColumnHoldsAndALongerBarcodeIsRefusedInChinese)
{
    TMainKiv main;
    main.tbStock->click();
    int dialogs = 0;
    Answers.Modal = [&](QDialog& dialog) {
        ++dialogs;
        auto& form = dynamic_cast<TFormItemIn&>(dialog);
        form.show();
        // A paste that would not fit is refused whole; typed keys stop at the column's length.
        PasteOver(form.EditInBarcode, Digits(150));
        EXPECT_EQ(form.EditInBarcode->text(), u"6901"_qs);
        QCoreApplication::processEvents();
        EXPECT_EQ(NewMessages(), QStringList{Refused});
        form.EditInBarcode->clear();
        Type(form.EditInBarcode, Digits(150));
        EXPECT_EQ(form.EditInBarcode->text(), Digits(100));
        QCoreApplication::processEvents();
        EXPECT_EQ(NewMessages(), QStringList{Refused});
        TickItemIn(form, Sku);
        // Set into the box from outside: the confirmation refuses it, and nothing is booked.
        form.EditInBarcode->setText(Digits(150));
        QCoreApplication::processEvents();
        form.ActionOK->trigger();
        EXPECT_EQ(NewMessages(), QStringList{u"[条形码]最多只能有100个字符，这个条形码有150个字符，请重新输入！"_qs});
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(Bookings(), u"0"_qs);
        form.EditInBarcode->setText(Digits(100));
        form.ActionOK->trigger();
        return form.result();
    };

    // Scanned: 150 characters and Enter at once. The box holds the first
    // 100, and Enter is refused rather than booking them as the barcode.
    Type(main.leBarcode, Digits(150));
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(main.leBarcode->text(), Digits(100));
    EXPECT_EQ(NewMessages(), QStringList{Refused});
    Keep(main, u"long-barcode.png"_qs);
    QCoreApplication::processEvents();
    EXPECT_TRUE(NewMessages().isEmpty()) << "said once";

    // Set into the box from outside: kept, and refused when it is used.
    main.leBarcode->setText(Digits(150));
    QCoreApplication::processEvents();
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(NewMessages(), QStringList{u"[条形码]最多只能有100个字符，这个条形码有150个字符，请重新输入！"_qs});
    EXPECT_EQ(main.leBarcode->selectedText(), Digits(150));

    // Pasted: refused whole, the box keeps what it had.
    main.leBarcode->setText(u"6901"_qs);
    PasteOver(main.leBarcode, Digits(150));
    EXPECT_EQ(main.leBarcode->text(), u"6901"_qs);
    QCoreApplication::processEvents();
    EXPECT_EQ(NewMessages(), QStringList{Refused});
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(Bookings(), u"0"_qs);
    EXPECT_EQ(StoredBarcode(), u"<null>"_qs);

    // What fits is booked: a barcode of exactly the column's length.
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(NewMessages().isEmpty());
    EXPECT_EQ(Bookings(), u"1"_qs);
    EXPECT_EQ(StoredBarcode(), Digits(100));
    EXPECT_EQ(main.leBarcode->text(), Digits(100));
}

TEST_F(LongBarcodeTest, TheLengthIsTheOneTheDatabaseDeclaresCountedAsItCounts)
{
    ExecSql(u"alter table \"KivItem\" alter column \"Barcode\" type varchar(120)"_qs);
    TMainKiv main;
    Type(main.leBarcode, Digits(150));
    EXPECT_EQ(main.leBarcode->text(), Digits(120));
    QCoreApplication::processEvents();
    EXPECT_EQ(NewMessages(), QStringList{u"[条形码]最多只能有120个字符，超出的输入没有被接受，请检查条形码！"_qs});

    // A character beyond the BMP is one character to the column, though two to Qt.
    const QString barcode = Digits(119) + u"😀"_qs;
    main.leBarcode->clear();
    Type(main.leBarcode, Digits(119));
    Press(main.leBarcode, Qt::Key_unknown, u"😀"_qs);
    EXPECT_EQ(main.leBarcode->text(), barcode);
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormItemIn&>(dialog);
        form.show();
        TickItemIn(form, Sku);
        form.ActionOK->trigger();
        return form.result();
    };
    Press(main.leBarcode, Qt::Key_Return);
    EXPECT_EQ(StoredBarcode(), barcode);
    EXPECT_TRUE(NewMessages().isEmpty()) << NewMessages().join(u'\n').toStdString();
}
