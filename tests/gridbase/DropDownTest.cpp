// Drop-down placement and its size grip, the drop-down list box, and the
// closing of a drop-down by a click elsewhere.

#include "DropDownTestSupport.h"

#include "platform/ImageList.h"


namespace {

TRect WorkArea()
{
    return DropDownWorkArea(Bounds(10, 10, 10, 10));
}

// A list whose clock the test sets.
class TClockedListbox : public TPopupListboxMv {
public:
    using TPopupListboxMv::TPopupListboxMv;
    qint64 Now = 0;

protected:
    qint64 TickCount() const override { return Now; }
};

// Fills the list and, given rows, sizes it to that many rows of 16 pixels.
void Fill(TPopupListboxMv& list, const QStringList& items, int rows = 0, int width = 120)
{
    for (const QString& item : items)
        list.Items().Add(item);
    list.ItemsChanged();
    if (rows == 0)
        return;
    list.SetItemHeight(16);
    list.SetRowCount(rows);
    list.resize(width, list.height());
}

class DropDownTest : public ::testing::Test {
protected:
    TTestOwner Owner;
    TClockedListbox List{&Owner};
};

} // namespace

TEST_F(DropDownTest, ATallDropDownOpensOnTheSideWithMoreRoomCutToIt)
{
    const TRect work = WorkArea();
    QWidget dropDown;
    dropDown.resize(100, work.Height());

    // More room above: it opens above, as high as the room.
    const TRect high = Bounds(work.Left + 50, work.Top + work.Height() * 2 / 3, 80, 20);
    QPoint at = AlignDropDownWindowRect(high, &dropDown, daLeft);
    EXPECT_EQ(dropDown.height(), high.Top - work.Top);
    EXPECT_EQ(at, QPoint(high.Left, work.Top));

    // Equal room: below.
    dropDown.resize(100, work.Height());
    const int top = work.Top + (work.Height() - 20) / 2;
    const TRect middle = Bounds(work.Left + 50, top, 80, 20);
    ASSERT_EQ(middle.Top - work.Top, work.Bottom - middle.Bottom);
    at = AlignDropDownWindowRect(middle, &dropDown, daLeft);
    EXPECT_EQ(at.y(), middle.Bottom);
    EXPECT_EQ(dropDown.height(), work.Bottom - middle.Bottom);

    // Room below wins, and a drop-down that fits keeps its height.
    dropDown.resize(100, 50);
    at = AlignDropDownWindowRect(Bounds(work.Left, work.Top + 10, 80, 20), &dropDown, daLeft);
    EXPECT_EQ(at, QPoint(work.Left, work.Top + 30));
    EXPECT_EQ(dropDown.height(), 50);
}

TEST_F(DropDownTest, ARightAlignedListKeepsTheOwnersRightEdgeAndTurnsItsGrip)
{
    const TRect work = WorkArea();
    List.SetBounds(0, 0, 200, 100);
    EXPECT_EQ(List.SizeGrip()->Position(), 2);

    const TRect rect = Bounds(work.Left + 300, work.Top + 40, 120, 20);
    QPoint at = AlignDropDownWindowRect(rect, &List, daRight);
    EXPECT_EQ(at, QPoint(rect.Right - 200, rect.Bottom));
    EXPECT_EQ(List.SizeGrip()->Position(), 3) << "the grip goes to the bottom-left corner";

    // Above its owner the grip goes to the top.
    const TRect low = Bounds(work.Left + 300, work.Bottom - 30, 120, 20);
    at = AlignDropDownWindowRect(low, &List, daRight);
    EXPECT_EQ(at.y(), low.Top - List.height());
    EXPECT_EQ(List.SizeGrip()->Position(), 0);

    // Pushed back from the right screen edge it extends to the left.
    const TRect edge = Bounds(work.Right - 50, work.Top + 40, 40, 20);
    at = AlignDropDownWindowRect(edge, &List, daLeft);
    EXPECT_EQ(at.x(), work.Right - 200);
    EXPECT_EQ(List.SizeGrip()->Position(), 3);
    at = AlignDropDownWindowRect(Bounds(work.Left + 10, work.Top + 40, 40, 20), &List, daLeft);
    EXPECT_EQ(List.SizeGrip()->Position(), 2);
    EXPECT_EQ(at.x(), work.Left + 10);
}

TEST_F(DropDownTest, AListSnapsItsHeightToWholeRows)
{
    List.SetItemHeight(16);
    const int border = List.BorderHeight();
    EXPECT_EQ(border, 4);
    List.SetRowCount(3);
    EXPECT_EQ(List.height(), 3 * 16 + border);
    EXPECT_EQ(List.RowCount(), 3);
    List.SetBounds(0, 0, 100, 5 * 16 + border + 10);
    EXPECT_EQ(List.height(), 5 * 16 + border);
    List.SetRowCount(0);
    EXPECT_EQ(List.height(), 16 + border) << "at least one row";
    List.SetBounds(0, 0, 2, 10);
    EXPECT_GE(List.width(), GetSystemMetrics(SM_CXVSCROLL)) << "never narrower than a scroll bar";
    List.SetCtl3D(false);
    EXPECT_EQ(List.BorderHeight(), 2);
}

TEST_F(DropDownTest, TypingSearchesAndAPauseStartsAgain)
{
    Fill(List, {QStringLiteral("Apple"), QStringLiteral("banana"), QStringLiteral("Berry"), QStringLiteral("Cherry")});

    List.Now = 10000;
    TypeInto(&List, QStringLiteral("b"));
    EXPECT_EQ(List.ItemIndex(), 1);
    List.Now += 1500;
    TypeInto(&List, QStringLiteral("E"));
    EXPECT_EQ(List.ItemIndex(), 2) << "b then E within two seconds finds Berry";
    EXPECT_EQ(List.SearchText(), QStringLiteral("bE"));

    List.Now += 2001;
    TypeInto(&List, QStringLiteral("c"));
    EXPECT_EQ(List.SearchText(), QStringLiteral("c"));
    EXPECT_EQ(List.ItemIndex(), 3);

    // No match keeps the selection; Escape forgets what was typed.
    List.Now += 100;
    TypeInto(&List, QStringLiteral("x"));
    EXPECT_EQ(List.ItemIndex(), 3);
    SendKey(&List, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    EXPECT_TRUE(List.SearchText().isEmpty());
}

TEST_F(DropDownTest, ListKeysMoveTheSelectionAndKeepItInView)
{
    QStringList items;
    for (int i = 0; i < 20; ++i)
        items << QStringLiteral("项目 %1").arg(i);
    Fill(List, items, 5, 150);
    EXPECT_EQ(List.VisibleRows(), 5);

    SendKey(&List, Qt::Key_Down);
    EXPECT_EQ(List.ItemIndex(), 0) << "down from no item takes the first";
    SendKey(&List, Qt::Key_Up);
    EXPECT_EQ(List.ItemIndex(), 0);
    SendKey(&List, Qt::Key_PageDown);
    EXPECT_EQ(List.ItemIndex(), 4);
    SendKey(&List, Qt::Key_Down);
    SendKey(&List, Qt::Key_Down);
    EXPECT_EQ(List.ItemIndex(), 6);
    EXPECT_EQ(List.TopIndex(), 2);
    SendKey(&List, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(List.ItemIndex(), 19);
    EXPECT_EQ(List.TopIndex(), 15);

    // The wheel scrolls one row at a time and never past the end.
    ShowDropDownWindow(&List, QPoint(10, 10));
    WheelOn(List.ClientWidget(), QPoint(5, 5), 120);
    EXPECT_EQ(List.TopIndex(), 14);
    WheelOn(List.ClientWidget(), QPoint(5, 5), -240);
    EXPECT_EQ(List.TopIndex(), 15);
    EXPECT_TRUE(List.ScrollBarShowing(sbVertical));
}

TEST_F(DropDownTest, TheListFollowsThePointerAndReportsTheRelease)
{
    Fill(List, {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}, 3);
    std::vector<QPoint> releases;
    List.OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int x, int y) { releases.emplace_back(x, y); };
    ShowDropDownWindow(&List, QPoint(30, 30));
    Hover(List.ClientWidget(), QPoint(10, 20));
    EXPECT_EQ(List.ItemIndex(), 1);
    Hover(List.ClientWidget(), QPoint(10, 40));
    EXPECT_EQ(List.ItemIndex(), 2);
    List.SetItemIndex(0);
    Hover(List.ClientWidget(), QPoint(10, 40));
    EXPECT_EQ(List.ItemIndex(), 0) << "a move to the same point does nothing";
    Click(List.ClientWidget(), QPoint(10, 20));
    EXPECT_EQ(List.ItemIndex(), 1);
    EXPECT_EQ(releases, std::vector<QPoint>{QPoint(10, 20)});
}

TEST_F(DropDownTest, TheGripResizesTheListKeepingItsRowsWhole)
{
    Owner.resize(200, 100);
    Fill(List, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}, 2);
    const TRect work = WorkArea();
    ShowDropDownWindow(&List, QPoint(work.Left + 40, work.Top + 40));
    TSizeGripMv* grip = List.SizeGrip();
    grip->SetVisible(true);
    int resized = 0;
    grip->OnParentResized = [&](QObject*) { ++resized; };
    List.SetSizeGripResized(false);

    QWidget* handle = grip->ClientWidget();
    const QPoint start(grip->width() - 2, grip->height() - 2);
    Press(handle, start);
    Drag(handle, start + QPoint(30, 40));
    Release(handle, start + QPoint(30, 40));
    EXPECT_EQ(List.width(), 150);
    EXPECT_EQ(List.height(), 4 * 16 + List.BorderHeight()) << "2 rows + 40 px = 4 whole rows";
    EXPECT_EQ(List.pos(), QPoint(work.Left + 40, work.Top + 40));
    EXPECT_EQ(resized, 1);
    EXPECT_TRUE(List.SizeGripResized());
    // The grip stays in its corner.
    EXPECT_EQ(grip->pos(), QPoint(List.ClientWidth() - grip->width(), List.ClientHeight() - grip->height()));

    // A grip on the left keeps the right edge in place.
    grip->SetPosition(3);
    const int right = List.x() + List.width();
    Press(handle, QPoint(1, grip->height() - 2));
    Drag(handle, QPoint(1 - 20, grip->height() - 2));
    Release(handle, QPoint(1 - 20, grip->height() - 2));
    EXPECT_EQ(List.width(), 170);
    EXPECT_EQ(List.x() + List.width(), right);
}

TEST_F(DropDownTest, AClickElsewhereClosesTheDropDownWithoutAccepting)
{
    QWidget window;
    window.resize(300, 200);
    auto* owner = new TTestOwner(&window);
    owner->setGeometry(10, 10, 100, 20);
    auto* other = new QWidget(&window);
    other->setGeometry(10, 100, 100, 40);
    window.show();
    TPopupListboxMv list(owner);
    owner->DropDown = &list;
    Fill(list, {QStringLiteral("x")});
    ShowDropDownWindow(&list, AlignDropDownWindow(owner, &list, daLeft));
    ASSERT_TRUE(list.isVisible());

    Click(list.ClientWidget(), QPoint(5, 5));
    Click(owner, QPoint(5, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner->CloseUps.empty()) << "clicks on the list or its owner are theirs";

    Press(other, QPoint(5, 5));
    Release(other, QPoint(5, 5));
    QCoreApplication::processEvents();
    ASSERT_EQ(owner->CloseUps.size(), 1u);
    EXPECT_FALSE(owner->CloseUps[0]);
    EXPECT_FALSE(list.isVisible());

    // Hidden, it no longer listens.
    Click(other, QPoint(5, 5));
    QCoreApplication::processEvents();
    EXPECT_EQ(owner->CloseUps.size(), 1u);
}

TEST_F(DropDownTest, AListWithImagesDrawsThemBesideTheText)
{
    TImageList images(8, 8);
    QImage strip(16, 8, QImage::Format_RGB32);
    strip.fill(QColor(0, 0, 255));
    images.AddStrip(strip);
    List.SetImageList(&images);
    int asked = 0;
    List.OnGetImageIndex = [&](QObject*, int, int& imageIndex) {
        ++asked;
        imageIndex = 1;
    };
    Fill(List, {QStringLiteral("蓝")}, 1, 80);
    ShowDropDownWindow(&List, QPoint(0, 0));
    const QImage image = List.ClientWidget()->grab().toImage();
    EXPECT_GT(asked, 0);
    // The image is centred in the 12-pixel area at the left.
    EXPECT_EQ(image.pixelColor(6, 8), QColor(0, 0, 255));
    EXPECT_NE(image.pixelColor(13, 8), QColor(0, 0, 255));
}
