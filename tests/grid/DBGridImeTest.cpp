// Typing through an input method into the grid: the composition opens the
// cell editor and shows there while it goes on; what it commits is written
// into the record. A cell that cannot change shows nothing of it.

#include "DBGridEditorTestSupport.h"

#include "platform/SqlText.h"

#include <QInputMethodEvent>

namespace {

// One step of an input method on the focused widget: the text being
// composed (its caret at the end) and what it commits.
void Compose(const QString& Preedit, const QString& Commit = QString())
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    const QList<QInputMethodEvent::Attribute> attributes{
        {QInputMethodEvent::Cursor, int(Preedit.size()), 1, QVariant()}};
    QInputMethodEvent event(Preedit, attributes);
    if (!Commit.isEmpty())
        event.setCommitString(Commit);
    QApplication::sendEvent(target, &event);
    QCoreApplication::processEvents();
}

// Whether the editor's text area shows anything right of its left edge.
bool EditorShowsText(TDBGridInplaceEdit* Editor)
{
    const QImage image = GrabWidget(Editor);
    const TRect r = Editor->EditRect();
    return HasInk(image, TRect(r.Left, 0, r.Right, image.height()));
}

} // namespace

class DBGridImeTest : public DBGridDatabaseTest {
protected:
    void SetUp() override
    {
        DBGridDatabaseTest::SetUp();
        Exec(QStringLiteral("insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") "
                            "values(101,%1,'S1','2024-01-01 00:00:00')")
                 .arg(QuotedStr(QStringLiteral("长裤"))));
        Data = &OpenClient(QStringLiteral("select \"NumIID\", \"Title\" from \"KivItemOnsale\""));
        Bind(*Data);
        Show(360, 120);
        Grid->SetSelectedIndex(1);
        Focus();
    }
    TDBGridInplaceEdit* Editor() const { return dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor()); }

    TClientDataSet* Data = nullptr;
};

TEST_F(DBGridImeTest, ACompositionOnTheGridOpensTheEditorShowsThereAndCommitsIntoTheRecord)
{
    ASSERT_FALSE(Grid->EditorMode());
    Compose(QStringLiteral("chen"));
    TDBGridInplaceEdit* editor = Editor();
    ASSERT_NE(editor, nullptr) << "the composition's start opens the editor";
    EXPECT_TRUE(Grid->EditorMode());
    EXPECT_TRUE(editor->Visible());
    EXPECT_TRUE(editor->hasFocus()) << "what the input method sends next goes to the editor";
    // The cell's old text was selected and gives way to the composition,
    // which the editor shows before anything is committed.
    EXPECT_EQ(editor->text(), QString());
    EXPECT_TRUE(EditorShowsText(editor));
    EXPECT_TRUE(SaveScreenshot(Window->grab().toImage(), QStringLiteral("dbgrid-ime-composing.png")));

    Compose(QStringLiteral("chenshan"));
    Compose(QString(), QStringLiteral("衬衫"));
    EXPECT_EQ(editor->text(), QStringLiteral("衬衫"));
    PressKey(editor, Qt::Key_Return);
    Data->Post();
    Data->ApplyUpdates(0);
    EXPECT_EQ(Scalar(QStringLiteral("select \"Title\" from \"KivItemOnsale\" where \"NumIID\" = 101")),
              QStringLiteral("衬衫"));
}

TEST_F(DBGridImeTest, CommittedTextAloneIsTypedAndACompositionCancelledLeavesTheRecord)
{
    // An input method that commits without composing types as keys do.
    Compose(QString(), QStringLiteral("外套"));
    TDBGridInplaceEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("外套"));
    PressKey(editor, Qt::Key_Escape);
    PressKey(Grid->ClientWidget(), Qt::Key_Escape);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("长裤"));
    EXPECT_FALSE(Grid->EditorMode());

    // Composing and giving up commits nothing; Esc restores the record.
    Compose(QStringLiteral("wai"));
    ASSERT_TRUE(Grid->EditorMode());
    Compose(QString());
    EXPECT_EQ(Editor()->text(), QString());
    PressKey(Editor(), Qt::Key_Escape);
    PressKey(Grid->ClientWidget(), Qt::Key_Escape);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("长裤"));
    EXPECT_EQ(Data->State(), dsBrowse);
}

TEST_F(DBGridImeTest, ACellThatCannotChangeShowsNoCompositionAndKeepsItsText)
{
    // A record that cannot be edited: the composition changes nothing,
    // neither the editor's text nor the record.
    Data->ReadOnly = true;
    Compose(QStringLiteral("chen"));
    TDBGridInplaceEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->Visible()) << "the editor shows a cell it cannot change";
    EXPECT_EQ(editor->text(), QStringLiteral("长裤"));
    EXPECT_FALSE(editor->isModified());
    Compose(QString(), QStringLiteral("衬衫"));
    EXPECT_EQ(editor->text(), QStringLiteral("长裤"));
    PressKey(editor, Qt::Key_Escape);
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("长裤"));
    EXPECT_EQ(Data->State(), dsBrowse);
}

TEST_F(DBGridImeTest, AGridThatSearchesAsTypedSearchesWithTheCommittedText)
{
    Grid->SetReadOnly(true);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghIncSearch);
    Compose(QStringLiteral("chang"));
    EXPECT_FALSE(Grid->EditorMode());
    Compose(QString(), QStringLiteral("长"));
    EXPECT_TRUE(Grid->IncSearchActive());
    EXPECT_EQ(Grid->IncSearchText(), QStringLiteral("长"));
}
