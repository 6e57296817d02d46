// The find dialog and the grid's text search over a real database: forward
// and backward, whole cell and part, one column and all, Chinese text, the
// not-found message, and an empty text that moves nothing.

#include "GridDbTestSupport.h"

#include "grid/DBGridMvFindDlgs.h"
#include "support/DialogAnswers.h"

#include <QPainter>
#include <QPushButton>

namespace {

enum { Up, Down, All };

int Sku(TDataSet& data)
{
    return int(data.FieldByName(QStringLiteral("SkuID"))->AsInteger());
}

} // namespace

class FindDialogTest : public DBGridDbTest {
protected:
    // Opens the dialog with Ctrl+F on the grid and runs Drive while it is
    // up, as the user would.
    void WithDialog(const std::function<void(TDBGridMvFindDlg&)>& Drive)
    {
        Answers.Modal = [&](QDialog& dialog) {
            Drive(static_cast<TDBGridMvFindDlg&>(dialog));
            return int(QDialog::Rejected);
        };
        Focus();
        PressKey(Grid->ClientWidget(), Qt::Key_F, Qt::ControlModifier);
        Answers.Modal = nullptr;
    }

    static void Set(TDBGridMvFindDlg& d, const QString& text, int range, int direction, int matching = 0)
    {
        d.cbText->setText(text);
        d.cbFindIn->SetItemIndex(range);
        d.cbFindDirection->SetItemIndex(direction);
        d.cbMatchinType->SetItemIndex(matching);
    }

    TDialogAnswers Answers;
};

TEST_F(FindDialogTest, FindsForwardBackwardByPartOrWholeCellInOneColumnOrAllAndTheGridsSearchWalksEachRecordsColumns)
{
    Column("Price")->SetDisplayFormat(QStringLiteral("0.00"));
    Show(520, 240);
    bool opened = false;
    WithDialog([&](TDBGridMvFindDlg& d) {
        opened = true;
        const int all = d.cbFindIn->Items().Count() - 1;
        EXPECT_EQ(d.cbFindIn->Items()[all], QStringLiteral("<全部>"));

        // All columns, all records: the hit's column becomes current.
        Set(d, QStringLiteral("蓝"), all, All);
        d.bFind->click();
        EXPECT_EQ(Sku(*Query), 2);
        EXPECT_EQ(Grid->SelectedColumn(), Column("PropAlias"));
        // Again: on after the hit, not the same one.
        d.bFind->click();
        EXPECT_EQ(Sku(*Query), 6);
        // Backward from there, after a fresh start.
        d.cbFindDirection->SetItemIndex(Up);
        Query->Last();
        Query->Prior();
        d.cbText->setText(QStringLiteral("色"));
        d.bFind->click();
        EXPECT_EQ(Sku(*Query), 2);

        // Whole cell against part, in one column.
        const int alias = d.cbFindIn->Items().IndexOf(Column("PropAlias")->Title().Caption());
        Set(d, QStringLiteral("中文"), alias, All, ltmWholeCellMv);
        d.bFind->click();
        ASSERT_EQ(Answers.Messages.size(), 1u);
        EXPECT_EQ(Answers.Messages[0].Caption, QStringLiteral("查找文本"));
        EXPECT_EQ(Answers.Messages[0].Text, QStringLiteral("字符串 \"中文\" 没有找到."));
        EXPECT_EQ(Sku(*Query), 2);
        Set(d, QStringLiteral("中文"), alias, All, ltmFromBeginningMv);
        d.bFind->click();
        EXPECT_EQ(Sku(*Query), 4);
        // The Qty column does not hold the text: not found, position kept.
        Set(d, QStringLiteral("中文"), d.cbFindIn->Items().IndexOf(Column("Qty")->Title().Caption()), All);
        d.bFind->click();
        EXPECT_EQ(Answers.Messages.size(), 2u);
        EXPECT_EQ(Sku(*Query), 4);
        // Letter case counts only when asked.
        Set(d, QStringLiteral("o'brien"), all, All);
        d.bFind->click();
        EXPECT_EQ(Sku(*Query), 3);
        d.cbCharCase->SetChecked(true);
        d.cbTextChange();
        d.bFind->click();
        EXPECT_EQ(Answers.Messages.size(), 3u);
        // Displayed text against the stored one.
        Set(d, QStringLiteral("7.50"), all, All, ltmWholeCellMv);
        d.bFind->click();
        EXPECT_EQ(Answers.Messages.size(), 3u);
        EXPECT_EQ(Sku(*Query), 5);
        d.cbUseFormat->SetChecked(false);
        d.bFind->click();
        EXPECT_EQ(Answers.Messages.size(), 4u);
        // An empty text finds nothing, says nothing and moves nothing.
        Set(d, QString(), all, All);
        d.bFind->click();
        EXPECT_EQ(Answers.Messages.size(), 4u);
        EXPECT_EQ(Sku(*Query), 5);
        // Upwards from the first record: at once not found.
        Query->First();
        Set(d, QStringLiteral("蓝"), all, Up);
        d.bFind->click();
        EXPECT_EQ(Answers.Messages.size(), 5u);
        EXPECT_EQ(Sku(*Query), 1);

        // The dialog over the grid, for a person to look at.
        d.show();
        QCoreApplication::processEvents();
        QImage image = Window->grab().toImage();
        QPainter(&image).drawPixmap(QPoint(40, 40), d.grab());
        EXPECT_TRUE(SaveScreenshot(image, QStringLiteral("dbgrid-find-dialog.png")));
    });
    EXPECT_TRUE(opened);

    // The grid's own search walks every column of a record and never moves
    // on an empty text.
    Query->First();
    EXPECT_FALSE(LocateGridText(Grid, QString(), ltdAllMv, ltmAnyPartMv, ltoAllFieldsMv));
    EXPECT_EQ(Sku(*Query), 1);
    // "3" is first the Qty of SKU 3 going down from SKU 1 one column at a
    // time: SKU 2's Price "3.00" comes before it with the displayed text.
    EXPECT_TRUE(LocateGridText(Grid, QStringLiteral("3"), ltdDownMv, ltmAnyPartMv, ltoAllFieldsMv | ltoMatchFormatMv));
    EXPECT_EQ(Sku(*Query), 2);
    EXPECT_EQ(Grid->SelectedColumn(), Column("Price"));
    EXPECT_TRUE(LocateGridText(Grid, QStringLiteral("3"), ltdAllMv, ltmWholeCellMv, ltoAllFieldsMv));
    EXPECT_EQ(Sku(*Query), 2);
    EXPECT_EQ(Grid->SelectedColumn(), Column("Price"));
    EXPECT_FALSE(LocateGridText(Grid, QStringLiteral("没有"), ltdAllMv, ltmAnyPartMv, ltoAllFieldsMv));
    EXPECT_EQ(Sku(*Query), 2);
    // The incremental search's way in: the current column from the
    // beginning of its text, any case.
    Grid->SetSelectedIndex(Column("PropAlias")->Index());
    EXPECT_TRUE(DBGridMvDataService()->LocateText(Grid, QStringLiteral("o'b"), true, false));
    EXPECT_EQ(Sku(*Query), 3);
}
