// Drop-down placement and its size grip, the drop-down list box, and the
// closing of a drop-down by a click elsewhere.

#include "DropDownTestSupport.h"

#include "platform/ImageList.h"

#include <QScrollBar>

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

void Fill(TPopupListboxMv& list, const QStringList& items)
{
    for (const QString& item : items)
        list.Items().Add(item);
    list.ItemsChanged();
}

} // namespace

TEST(DropDownTest, ATallDropDownOpensOnTheSideWithMoreRoomCutToIt)
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

TEST(DropDownTest, ARightAlignedListKeepsTheOwnersRightEdgeAndTurnsItsGrip)
{
    const TRect work = WorkArea();
    TTestOwner owner;
    TPopupListboxMv list(&owner);
    list.SetBounds(0, 0, 200, 100);
    EXPECT_EQ(list.SizeGrip()->Position(), 2);

    const TRect rect = Bounds(work.Left + 300, work.Top + 40, 120, 20);
    QPoint at = AlignDropDownWindowRect(rect, &list, daRight);
    EXPECT_EQ(at, QPoint(rect.Right - 200, rect.Bottom));
    EXPECT_EQ(list.SizeGrip()->Position(), 3) << "the grip goes to the bottom-left corner";

    // Above its owner the grip goes to the top.
    const TRect low = Bounds(work.Left + 300, work.Bottom - 30, 120, 20);
    at = AlignDropDownWindowRect(low, &list, daRight);
    EXPECT_EQ(at.y(), low.Top - list.height());
    EXPECT_EQ(list.SizeGrip()->Position(), 0);

    // Pushed back from the right screen edge it extends to the left.
    const TRect edge = Bounds(work.Right - 50, work.Top + 40, 40, 20);
    at = AlignDropDownWindowRect(edge, &list, daLeft);
    EXPECT_EQ(at.x(), work.Right - 200);
    EXPECT_EQ(list.SizeGrip()->Position(), 3);
    at = AlignDropDownWindowRect(Bounds(work.Left + 10, work.Top + 40, 40, 20), &list, daLeft);
    EXPECT_EQ(list.SizeGrip()->Position(), 2);
    EXPECT_EQ(at.x(), work.Left + 10);
}

TEST(DropDownTest, AListSnapsItsHeightToWholeRows)
{
    TTestOwner owner;
    TPopupListboxMv list(&owner);
    list.SetItemHeight(16);
    const int border = list.BorderHeight();
    EXPECT_EQ(border, 4);
    list.SetRowCount(3);
    EXPECT_EQ(list.height(), 3 * 16 + border);
    EXPECT_EQ(list.RowCount(), 3);
    list.SetBounds(0, 0, 100, 5 * 16 + border + 10);
    EXPECT_EQ(list.height(), 5 * 16 + border);
    list.SetRowCount(0);
    EXPECT_EQ(list.height(), 16 + border) << "at least one row";
    list.SetBounds(0, 0, 2, 10);
    EXPECT_GE(list.width(), GetSystemMetrics(SM_CXVSCROLL)) << "never narrower than a scroll bar";
    list.SetCtl3D(false);
    EXPECT_EQ(list.BorderHeight(), 2);
}

TEST(DropDownTest, TypingSearchesAndAPauseStartsAgain)
{
    TTestOwner owner;
    TClockedListbox list(&owner);
    Fill(list, {QStringLiteral("Apple"), QStringLiteral("banana"), QStringLiteral("Berry"), QStringLiteral("Cherry")});

    list.Now = 10000;
    TypeInto(&list, QStringLiteral("b"));
    EXPECT_EQ(list.ItemIndex(), 1);
    list.Now += 1500;
    TypeInto(&list, QStringLiteral("E"));
    EXPECT_EQ(list.ItemIndex(), 2) << "b then E within two seconds finds Berry";
    EXPECT_EQ(list.SearchText(), QStringLiteral("bE"));

    list.Now += 2001;
    TypeInto(&list, QStringLiteral("c"));
    EXPECT_EQ(list.SearchText(), QStringLiteral("c"));
    EXPECT_EQ(list.ItemIndex(), 3);

    // No match keeps the selection; Escape forgets what was typed.
    list.Now += 100;
    TypeInto(&list, QStringLiteral("x"));
    EXPECT_EQ(list.ItemIndex(), 3);
    SendKey(&list, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    EXPECT_TRUE(list.SearchText().isEmpty());
}

TEST(DropDownTest, ListKeysMoveTheSelectionAndKeepItInView)
{
    TTestOwner owner;
    TPopupListboxMv list(&owner);
    QStringList items;
    for (int i = 0; i < 20; ++i)
        items << QStringLiteral("项目 %1").arg(i);
    Fill(list, items);
    list.SetItemHeight(16);
    list.SetRowCount(5);
    list.resize(150, list.height());
    EXPECT_EQ(list.VisibleRows(), 5);

    SendKey(&list, Qt::Key_Down);
    EXPECT_EQ(list.ItemIndex(), 0) << "down from no item takes the first";
    SendKey(&list, Qt::Key_Up);
    EXPECT_EQ(list.ItemIndex(), 0);
    SendKey(&list, Qt::Key_PageDown);
    EXPECT_EQ(list.ItemIndex(), 4);
    SendKey(&list, Qt::Key_Down);
    SendKey(&list, Qt::Key_Down);
    EXPECT_EQ(list.ItemIndex(), 6);
    EXPECT_EQ(list.TopIndex(), 2);
    SendKey(&list, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(list.ItemIndex(), 19);
    EXPECT_EQ(list.TopIndex(), 15);

    // The wheel scrolls one row at a time and never past the end.
    ShowDropDownWindow(&list, QPoint(10, 10));
    WheelOn(list.ClientWidget(), QPoint(5, 5), 120);
    EXPECT_EQ(list.TopIndex(), 14);
    WheelOn(list.ClientWidget(), QPoint(5, 5), -240);
    EXPECT_EQ(list.TopIndex(), 15);
    EXPECT_TRUE(list.ScrollBarShowing(sbVertical));
}

TEST(DropDownTest, TheListFollowsThePointerAndReportsTheRelease)
{
    TTestOwner owner;
    TPopupListboxMv list(&owner);
    Fill(list, {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")});
    list.SetItemHeight(16);
    list.SetRowCount(3);
    list.resize(120, list.height());
    int releases = 0;
    QPoint releasedAt;
    list.OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int x, int y) {
        ++releases;
        releasedAt = QPoint(x, y);
    };
    ShowDropDownWindow(&list, QPoint(30, 30));
    Hover(list.ClientWidget(), QPoint(10, 20));
    EXPECT_EQ(list.ItemIndex(), 1);
    Hover(list.ClientWidget(), QPoint(10, 40));
    EXPECT_EQ(list.ItemIndex(), 2);
    list.SetItemIndex(0);
    Hover(list.ClientWidget(), QPoint(10, 40));
    EXPECT_EQ(list.ItemIndex(), 0) << "a move to the same point does nothing";
    Click(list.ClientWidget(), QPoint(10, 20));
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(releasedAt, QPoint(10, 20));
}

TEST(DropDownTest, TheGripResizesTheListKeepingItsRowsWhole)
{
    TTestOwner owner;
    owner.resize(200, 100);
    TPopupListboxMv list(&owner);
    Fill(list, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    list.SetItemHeight(16);
    list.SetBounds(0, 0, 120, 2 * 16 + list.BorderHeight());
    const TRect work = WorkArea();
    ShowDropDownWindow(&list, QPoint(work.Left + 40, work.Top + 40));
    TSizeGripMv* grip = list.SizeGrip();
    grip->SetVisible(true);
    int resized = 0;
    grip->OnParentResized = [&](QObject*) { ++resized; };
    list.SetSizeGripResized(false);

    QWidget* handle = grip->ClientWidget();
    const QPoint start(grip->width() - 2, grip->height() - 2);
    Press(handle, start);
    Drag(handle, start + QPoint(30, 40));
    Release(handle, start + QPoint(30, 40));
    EXPECT_EQ(list.width(), 150);
    EXPECT_EQ(list.height(), 4 * 16 + list.BorderHeight()) << "2 rows + 40 px = 4 whole rows";
    EXPECT_EQ(list.pos(), QPoint(work.Left + 40, work.Top + 40));
    EXPECT_EQ(resized, 1);
    EXPECT_TRUE(list.SizeGripResized());
    // The grip stays in its corner.
    EXPECT_EQ(grip->pos(), QPoint(list.ClientWidth() - grip->width(), list.ClientHeight() - grip->height()));

    // A grip on the left keeps the right edge in place.
    grip->SetPosition(3);
    const int right = list.x() + list.width();
    Press(handle, QPoint(1, grip->height() - 2));
    Drag(handle, QPoint(1 - 20, grip->height() - 2));
    Release(handle, QPoint(1 - 20, grip->height() - 2));
    EXPECT_EQ(list.width(), 170);
    EXPECT_EQ(list.x() + list.width(), right);
}

TEST(DropDownTest, AClickElsewhereClosesTheDropDownWithoutAccepting)
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

TEST(DropDownTest, AListWithImagesDrawsThemBesideTheText)
{
    TTestOwner owner;
    TPopupListboxMv list(&owner);
    TImageList images(8, 8);
    QImage strip(16, 8, QImage::Format_RGB32);
    strip.fill(QColor(0, 0, 255));
    images.AddStrip(strip);
    list.SetImageList(&images);
    int asked = 0;
    list.OnGetImageIndex = [&](QObject*, int, int& imageIndex) {
        ++asked;
        imageIndex = 1;
    };
    Fill(list, {QStringLiteral("蓝")});
    list.SetItemHeight(16);
    list.SetRowCount(1);
    list.resize(80, list.height());
    ShowDropDownWindow(&list, QPoint(0, 0));
    const QImage image = list.ClientWidget()->grab().toImage();
    EXPECT_GT(asked, 0);
    // The image is centred in the 12-pixel area at the left.
    EXPECT_EQ(image.pixelColor(6, 8), QColor(0, 0, 255));
    EXPECT_NE(image.pixelColor(13, 8), QColor(0, 0, 255));
}
