// What the table editors refuse as the user types, pastes or saves: a text
// longer than its column is refused whole with a message naming the field
// (typing just stops at the limit), the limit counts characters as the
// column does, and a link for the administrator is never stored.

#include "AppTest.h"
#include "ShopEditorSupport.h"

#include "platform/Exceptions.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"

#include <QAction>
#include <QInputMethodEvent>

namespace {

const QString ShopsSql = u"select * from \"SYS_Shop\""_qs;

// A character beyond the BMP (a CJK ideograph of extension B) times count.
QString Wide(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::fromUcs4(U"\U00020000");
    return text;
}

QString TooLong(const QString& caption, int limit, int length)
{
    return u"["_qs + caption + u"]最多只能有%1个字符，放入这段文字后将有%2个字符，这段文字没有被接受！"_qs.arg(limit).arg(length);
}

// Text an input method commits to the widget.
void Commit(QWidget* widget, const QString& text)
{
    QInputMethodEvent committed;
    committed.setCommitString(text);
    QApplication::sendEvent(widget, &committed);
}

class EditorRefusalsTest : public AppTest {
protected:
    // Pastes into the field of a new row of the editor; what the cell holds then.
    static QString PasteNew(TFormShop& form, const QString& field, const QString& text)
    {
        form.ActionAppend->trigger();
        return PasteIntoShopCell(form, field, text)->text();
    }

    TDialogAnswers Answers;
};

} // namespace

TEST_F(EditorRefusalsTest, APasteLongerThanItsColumnIsRefusedWholeInEveryEditorAndTypingStopsAtTheLimit)
{
    const auto shops = OpenShopEditor(ShopsSql, u"SYS_Shop"_qs);
    EXPECT_EQ(PasteNew(*shops, u"Code"_qs, QString(60, u'S')), QString());
    EXPECT_EQ(PasteIntoShopCell(*shops, u"Name"_qs, QString(250, u'店'))->text(), QString());
    const auto settings = OpenShopEditor(u"select * from \"SYS_Params\" order by \"Code\""_qs, u"SYS_Params"_qs);
    EXPECT_EQ(PasteNew(*settings, u"Value"_qs, QString(1100, u'1')), QString());
    // An input method's text goes the same way, also as it opens the cell.
    const auto rules = OpenShopEditor(u"select * from \"SYS_Monitor\" order by \"MsgType\",\"TradeEvent\""_qs, u"SYS_Monitor"_qs);
    rules->ActionAppend->trigger();
    rules->DBGridShop->SetSelectedIndex(rules->DBGridShop->GetColumnByFieldName(u"TradeEvent"_qs)->Index());
    Commit(rules->DBGridShop, QString(150, u'事'));
    ASSERT_TRUE(rules->DBGridShop->CellEditor());
    EXPECT_EQ(rules->DBGridShop->CellEditor()->text(), QString());
    EXPECT_EQ(Answers.Texts(), (QStringList{TooLong(u"店铺代码"_qs, 50, 60), TooLong(u"店铺名称"_qs, 200, 250),
                                            TooLong(u"参数值"_qs, 1000, 1100), TooLong(u"交易事件"_qs, 100, 150)}));

    // What fits is taken; a key beyond the limit just stops.
    TDBGridInplaceEdit* code = PasteIntoShopCell(*shops, u"Code"_qs, QString(50, u'S'));
    Press(code, Qt::Key_T, u"T"_qs);
    Commit(code, u"店铺"_qs);
    EXPECT_EQ(code->text(), QString(50, u'S'));
    EXPECT_EQ(Answers.Texts().mid(4), QStringList{TooLong(u"店铺代码"_qs, 50, 52)});
}

TEST_F(EditorRefusalsTest, ACodeOfCharactersBeyondTheBmpIsTakenAndStoredWholeTypedOrPasted)
{
    const auto shops = OpenShopEditor(ShopsSql, u"SYS_Shop"_qs);
    const auto newRow = [&] {
        shops->ActionAppend->trigger();
        for (const char* field : {"AppKey", "AppSecret"})
            shops->ClientDataSetShop->FieldByName(QLatin1String(field))->SetAsString(u"k"_qs);
    };
    newRow();
    TDBGridInplaceEdit* typed = EditShopCell(*shops, u"Code"_qs);
    for (int i = 0; i < 51; ++i)
        Press(typed, Qt::Key_unknown, Wide(1));
    EXPECT_EQ(typed->text(), Wide(50));
    newRow();
    EXPECT_EQ(PasteIntoShopCell(*shops, u"Code"_qs, Wide(50) + u'x')->text(), QString());
    EXPECT_EQ(Answers.Texts(), QStringList{TooLong(u"店铺代码"_qs, 50, 51)});
    PasteIntoShopCell(*shops, u"Code"_qs, Wide(49) + u'x');
    shops->ActionSave->trigger();
    for (const QString& code : {Wide(50), Wide(49) + u'x'})
        EXPECT_EQ(Scalar(u"select char_length(\"Code\") from \"SYS_Shop\" where \"Code\" = "_qs + QuotedStr(code)), u"50"_qs);
}

TEST_F(EditorRefusalsTest, ALinkForTheAdministratorIsRefusedAsTheEditorCouldNeverShowIt)
{
    ExecSql(u"insert into \"SYS_Shop\"(\"Code\",\"AppKey\",\"AppSecret\") values('S1','k','s')"_qs);
    const auto links = OpenShopEditor(u"select * from \"SYS_UserShop\" where \"UserCode\" <> 'admin'"_qs, u"SYS_UserShop"_qs);
    for (const QString& admin : {u"admin"_qs, u"admin "_qs}) {
        links->ActionAppend->trigger();
        links->ClientDataSetShop->FieldByName(u"ShopCode"_qs)->SetAsString(u"S1"_qs);
        TypeInShopCell(*links, u"UserCode"_qs, admin);
        EXPECT_THROW(links->ActionSave->trigger(), EAbort);
        EXPECT_EQ(links->ClientDataSetShop->State(), dsInsert) << "left open for mending";
        EXPECT_EQ(Answers.Texts().last(), u"[用户代码]“"_qs + admin
                                              + u"”是管理员，这里不能为管理员关联店铺（保存后这里既看不到也无法修改或删除），请填写其他用户！"_qs);
        links->ClientDataSetShop->Cancel();
    }
    EXPECT_EQ(Scalar(u"select count(*) from \"SYS_UserShop\""_qs), u"0"_qs);
}
