// Outside scroll bars worked with the mouse where the style draws their
// arrows, groove and thumb. Whichever way the grid reads and the horizontal
// bar is laid out, the bar's side of the far columns goes to them, the thumb
// shows where the grid is, and a dropped thumb stays with the grid there.

#include "DBGridTestSupport.h"

#include <QScrollBar>
#include <QStyleOptionSlider>

namespace {

class TOutsideBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;
    // As drawn (mirrored when the bar is laid out right to left).
    QRect Part(QStyle::SubControl part) const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, part, this);
    }
};

// The application's direction, the grid's reading, the bar's layout.
using Directions = std::tuple<Qt::LayoutDirection, TBiDiMode, Qt::LayoutDirection>;

std::string DirectionsName(const ::testing::TestParamInfo<Directions>& info)
{
    const auto [app, grid, bar] = info.param;
    return std::string(app == Qt::RightToLeft ? "RtlApp" : "LtrApp") + (grid == bdRightToLeft ? "RtlGrid" : "LtrGrid") +
           (bar == Qt::RightToLeft ? "RtlBar" : "LtrBar");
}

class DBGridExtScrollBarTest : public DBGridTest, public ::testing::WithParamInterface<Directions> {
protected:
    void SetUp() override
    {
        DBGridTest::SetUp();
        const auto [app, grid, bar] = GetParam();
        QGuiApplication::setLayoutDirection(app);
        Data = MakeItems(40);
        Bind(*Data);
        Grid->SetBiDiMode(grid);
        Bar = new TOutsideBar(Qt::Horizontal, Window.get());
        Bar->setLayoutDirection(bar);
        Grid->HorzScrollBar().SetExtScrollBar(Bar);
        Show(260, 120);
        Window->resize(260, 160);
        Bar->setGeometry(0, 140, 260, 16);
        for (int i = 0; i < Grid->Columns().Count(); ++i)
            Grid->Columns().Items(i)->SetWidth(90);
        QCoreApplication::processEvents();
    }

    void TearDown() override
    {
        DBGridTest::TearDown();
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    }

    // The arrow, or the groove beyond the thumb, on the side of the far
    // columns or of the first ones.
    QPoint At(bool far, bool arrow) const
    {
        const QRect thumb = Bar->Part(QStyle::SC_ScrollBarSlider);
        const QRect groove = Bar->Part(QStyle::SC_ScrollBarGroove);
        const int x = far == Grid->UseRightToLeftAlignment()
                          ? (arrow ? 2 : (groove.left() + thumb.left()) / 2)
                          : (arrow ? Bar->width() - 3 : (thumb.right() + groove.right()) / 2);
        return {x, Bar->height() / 2};
    }
    // The thumb's distance from the end of the first columns.
    int ThumbFromStart() const
    {
        const QRect thumb = Bar->Part(QStyle::SC_ScrollBarSlider);
        const QRect groove = Bar->Part(QStyle::SC_ScrollBarGroove);
        return Grid->UseRightToLeftAlignment() ? groove.right() - thumb.right() : thumb.left() - groove.left();
    }
    int ThumbAtFarEnd() const
    {
        return Bar->Part(QStyle::SC_ScrollBarGroove).width() - Bar->Part(QStyle::SC_ScrollBarSlider).width();
    }
    // Drags the thumb dx pixels toward the far columns and drops it there.
    void Drag(int dx)
    {
        const QPoint from = Bar->Part(QStyle::SC_ScrollBarSlider).center();
        const QPoint to = from + QPoint(Grid->UseRightToLeftAlignment() ? -dx : dx, 0);
        const int before = ThumbFromStart();
        MouseOn(Bar, QEvent::MouseButtonPress, from);
        MouseOn(Bar, QEvent::MouseMove, to);
        EXPECT_EQ(ThumbFromStart(), std::clamp(before + dx, 0, ThumbAtFarEnd())) << "held under the mouse";
        MouseOn(Bar, QEvent::MouseButtonRelease, to);
    }

    std::unique_ptr<TClientDataSet> Data;
    TOutsideBar* Bar = nullptr;
};

TEST_P(DBGridExtScrollBarTest, StepsPagesAndDragsGoWhereTheUserPoints)
{
    ASSERT_EQ(Grid->LeftCol(), 1);
    EXPECT_EQ(ThumbFromStart(), 0);
    ClickOn(Bar, At(true, true));
    EXPECT_EQ(Grid->LeftCol(), 2) << "a step away from the thumb's end";
    const int stepped = ThumbFromStart();
    EXPECT_GT(stepped, 0);
    ClickOn(Bar, At(true, true));
    EXPECT_EQ(Grid->LeftCol(), 3) << "the next step goes on from there";
    EXPECT_GT(ThumbFromStart(), stepped);
    ClickOn(Bar, At(false, true));
    EXPECT_EQ(ThumbFromStart(), stepped);
    ClickOn(Bar, At(true, false));
    const int paged = Grid->LeftCol();
    EXPECT_GT(paged, 2) << "a page toward the far columns";
    ClickOn(Bar, At(false, false));
    EXPECT_LT(Grid->LeftCol(), paged) << "and a page back";

    Drag(Bar->width());
    EXPECT_EQ(Grid->LeftCol() + Grid->VisibleColCount(), Grid->ColCount()) << "the far end shows the last column";
    EXPECT_EQ(ThumbFromStart(), ThumbAtFarEnd());
    Drag(-Bar->width() / 3);
    const int dropped = ThumbFromStart();
    EXPECT_EQ(Grid->LeftCol(), 3);
    Drag(0);
    EXPECT_EQ(ThumbFromStart(), dropped) << "a click on the thumb leaves it and the grid";
    EXPECT_EQ(Grid->LeftCol(), 3);
    Drag(-Bar->width());
    EXPECT_EQ(Grid->LeftCol(), 1);
    EXPECT_EQ(ThumbFromStart(), 0);
}

TEST_P(DBGridExtScrollBarTest, OneColumnScrollsByPixelsOverTheBarsRange)
{
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgIndicator));
    Grid->Columns().Clear();
    Grid->Columns().Add()->SetFieldName(u"Title"_qs);
    Grid->Columns().Items(0)->SetWidth(700);
    ASSERT_EQ(Grid->ColCount(), 1);
    const int range = 700 - Grid->ClientWidth();
    EXPECT_EQ(Bar->maximum() - Bar->minimum(), range);
    ClickOn(Bar, At(true, true));
    EXPECT_GT(Grid->ColOffset(), 0);
    EXPECT_GT(ThumbFromStart(), 0);
    Drag(Bar->width());
    EXPECT_EQ(Grid->ColOffset(), range);
    Drag(-Bar->width());
    EXPECT_EQ(Grid->ColOffset(), 0);
}

INSTANTIATE_TEST_SUITE_P(Directions, DBGridExtScrollBarTest,
                         ::testing::Values(Directions{Qt::LeftToRight, bdLeftToRight, Qt::LeftToRight},
                                           Directions{Qt::RightToLeft, bdRightToLeft, Qt::RightToLeft},
                                           Directions{Qt::RightToLeft, bdRightToLeft, Qt::LeftToRight},
                                           Directions{Qt::RightToLeft, bdLeftToRight, Qt::RightToLeft}),
                         DirectionsName);

TEST_F(DBGridTest, TheOutsideVerticalThumbDroppedAtTheEndTakesTheLastRecord)
{
    auto data = MakeItems(40);
    Bind(*data);
    auto* bar = new TOutsideBar(Qt::Vertical, Window.get());
    Grid->VertScrollBar().SetExtScrollBar(bar);
    Show(260, 120);
    Window->resize(280, 140);
    bar->setGeometry(260, 0, 16, 120);
    const QPoint thumb = bar->Part(QStyle::SC_ScrollBarSlider).center();
    MouseOn(bar, QEvent::MouseButtonPress, thumb);
    MouseOn(bar, QEvent::MouseMove, {thumb.x(), 200});
    MouseOn(bar, QEvent::MouseButtonRelease, {thumb.x(), 200});
    EXPECT_EQ(data->RecNo(), 40);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(DBGridTest, AGridGoingLetsItsOutsideBarsGo)
{
    QScrollBar bar(Qt::Horizontal);
    {
        TTestDBGrid first;
        first.HorzScrollBar().SetExtScrollBar(&bar);
        first.VertScrollBar().SetExtScrollBar(new QScrollBar(&first));
    }
    EXPECT_NO_THROW(Grid->HorzScrollBar().SetExtScrollBar(&bar)) << "another grid may take it";
}

} // namespace
