// The date drop-down: what closes it (a day, Enter, Escape, the focus
// leaving) and what keeps it open (the month buttons, the day names).

#include "DropDownTestSupport.h"

#include <QTableView>
#include <QToolButton>

namespace {

QTableView* DayTable(TPopupMonthCalendarMv& calendar)
{
    return calendar.findChild<QTableView*>();
}

// The cell of a day of the shown month.
QPoint DayCell(TPopupMonthCalendarMv& calendar, int day)
{
    QTableView* table = DayTable(calendar);
    const QAbstractItemModel* model = table->model();
    for (int row = 1; row < model->rowCount(); ++row)
        for (int col = 0; col < model->columnCount(); ++col) {
            const QModelIndex index = model->index(row, col);
            // Days 8 to 20 appear once, in the shown month.
            if (model->data(index).toInt() == day)
                return table->visualRect(index).center();
        }
    return {};
}

struct TCalendarFixture : ButtonsTest {
    void SetUp() override
    {
        ButtonsTest::SetUp();
        window.resize(300, 200);
        owner = new TTestOwner(&window);
        owner->setGeometry(10, 10, 120, 20);
        window.show();
        calendar = new TPopupMonthCalendarMv(owner);
        owner->DropDown = calendar;
        calendar->SetDate(QDate(2024, 5, 3));
        ShowDropDownWindow(calendar, AlignDropDownWindow(owner, calendar, daLeft));
        QCoreApplication::processEvents();
    }
    QWidget window;
    TTestOwner* owner = nullptr;
    TPopupMonthCalendarMv* calendar = nullptr;
};

} // namespace

TEST_F(TCalendarFixture, TheMonthButtonsAndTheDayNamesKeepItOpenAndADayClosesItAccepting)
{
    auto* next = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth"));
    ASSERT_TRUE(next);
    Click(next, QPoint(3, 3));
    EXPECT_EQ(calendar->monthShown(), 6);
    QTableView* table = DayTable(*calendar);
    Click(table->viewport(), table->visualRect(table->model()->index(0, 2)).center());
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner->CloseUps.empty());
    EXPECT_TRUE(calendar->isVisible());

    const QPoint cell = DayCell(*calendar, 17);
    ASSERT_FALSE(cell.isNull());
    Click(table->viewport(), cell);
    EXPECT_EQ(calendar->Date(), QDate(2024, 6, 17));
    EXPECT_EQ(owner->CloseUps, std::vector<bool>{true});
}

TEST_F(TCalendarFixture, AReleaseOnTheMonthsNameClosesItAcceptingAndTheYearKeepsItOpen)
{
    auto* month = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    auto* year = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"));
    ASSERT_TRUE(month && year);
    Click(year, QPoint(3, 3));
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner->CloseUps.empty());
    // A release that a press elsewhere began ends on the month's name.
    Release(month, QPoint(3, 3));
    ASSERT_EQ(owner->CloseUps, std::vector<bool>{true});
    EXPECT_EQ(calendar->Date(), QDate(2024, 5, 3));
    // A whole click opens no month menu on the way.
    Click(month, QPoint(3, 3));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(owner->CloseUps, (std::vector<bool>{true, true}));
    // A release beside it is not on it.
    Release(month, QPoint(-3, 3));
    EXPECT_EQ(owner->CloseUps.size(), 2u);
}

TEST_F(TCalendarFixture, EnterAcceptsEscapeCancelsAndTheWheelStepsDays)
{
    WheelOn(DayTable(*calendar)->viewport(), QPoint(20, 40), -120);
    EXPECT_EQ(calendar->Date(), QDate(2024, 5, 4));
    WheelOn(DayTable(*calendar)->viewport(), QPoint(20, 40), 120);
    WheelOn(DayTable(*calendar)->viewport(), QPoint(20, 40), 120);
    EXPECT_EQ(calendar->Date(), QDate(2024, 5, 2));

    // Keys that the owner passes on, and keys that reach the day table.
    SendKey(calendar, Qt::Key_Right);
    EXPECT_EQ(calendar->Date(), QDate(2024, 5, 3));
    SendKey(calendar, Qt::Key_Return);
    SendKey(DayTable(*calendar), Qt::Key_Escape);
    EXPECT_EQ(owner->CloseUps, (std::vector<bool>{true, false}));

    // It is at least as large as a month and its border, and keeps to its
    // date range.
    EXPECT_EQ(calendar->size(), calendar->MinReqRect() + QSize(4, 4));
    calendar->setMinimumDate(QDate(2000, 1, 1));
    EXPECT_TRUE(calendar->SetDate(QDate(1999, 5, 5)));
    EXPECT_EQ(calendar->Date(), QDate(2000, 1, 1));
}

TEST_F(TCalendarFixture, LosingTheFocusElsewhereClosesIt)
{
    auto* edit = new QWidget(&window);
    edit->setFocusPolicy(Qt::StrongFocus);
    edit->setGeometry(10, 100, 50, 20);
    edit->show();
    QApplication::setActiveWindow(calendar);
    DayTable(*calendar)->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(WidgetWithin(QApplication::focusWidget(), calendar));
    EXPECT_TRUE(owner->CloseUps.empty());
    QApplication::setActiveWindow(&window);
    edit->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(owner->CloseUps.size(), 1u);
    EXPECT_FALSE(owner->CloseUps[0]);
}
