// Recent values: the list that remembers them, the walk that stops when the
// user types on, the list box that shows them with its own scroll bar, the
// data-aware edit's list, and the cells of a special first row.

#include "DBCtrlsTestSupport.h"

#include <QDialog>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>

namespace {

QStringList ItemsOf(const TMRUListMv& list)
{
    return list.Items().Items();
}

// A key pressed and released, as the user's keys wait in the queue.
void PostKey(QObject* receiver, int key, const QString& text)
{
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

// Records the text of the keys that reach it.
class TKeyLog : public QWidget {
public:
    using QWidget::QWidget;
    QString Typed;

protected:
    void keyPressEvent(QKeyEvent* Event) override { Typed += Event->text(); }
};

// The data-aware edit's list, on a shown form.
class DropDownMRUEditTest : public TFormFixture {};

} // namespace

TEST(DropDownMRUTest, AddMovesAKnownTextToTheEndKeepingItsCaseAndTheLimitDropsTheOldest)
{
    TMRUListMv list;
    list.Add(QStringLiteral("Apple"));
    list.Add(QStringLiteral("宝贝"));
    list.Add(QStringLiteral("   "));
    EXPECT_EQ(ItemsOf(list), (QStringList{QStringLiteral("Apple"), QStringLiteral("宝贝")}));

    list.Add(QStringLiteral("apple"));
    EXPECT_EQ(ItemsOf(list), (QStringList{QStringLiteral("宝贝"), QStringLiteral("Apple")}));

    list.SetCaseSensitive(true);
    list.Add(QStringLiteral("apple"));
    EXPECT_EQ(ItemsOf(list), (QStringList{QStringLiteral("宝贝"), QStringLiteral("Apple"), QStringLiteral("apple")}));

    // Blanks around a text belong to it.
    list.Add(QStringLiteral(" apple"));
    EXPECT_EQ(list.Items().Count(), 4);

    // The limit drops the oldest items.
    list.SetLimit(3);
    EXPECT_EQ(ItemsOf(list), (QStringList{QStringLiteral("Apple"), QStringLiteral("apple"), QStringLiteral(" apple")}));
    list.SetLimit(1);
    EXPECT_EQ(ItemsOf(list), QStringList{QStringLiteral(" apple")});
}

TEST(DropDownMRUTest, FilteringKeepsTheItemsThatBeginWithTheText)
{
    TMRUListMv list;
    for (const char* text : {"Shanghai", "beijing", "shenzhen", "Hangzhou"})
        list.Add(QString::fromLatin1(text));
    TStringList found;
    found.Add(QStringLiteral("old"));
    EXPECT_TRUE(list.FilterItemsTo(found, QStringLiteral("SH")));
    EXPECT_EQ(found.Items(), (QStringList{QStringLiteral("Shanghai"), QStringLiteral("shenzhen")}));

    list.SetCaseSensitive(true);
    list.FilterItemsTo(found, QStringLiteral("sh"));
    EXPECT_EQ(found.Items(), QStringList{QStringLiteral("shenzhen")});

    // The handler has the last word on each item.
    list.SetCaseSensitive(false);
    list.OnFilterItem = [](TMRUListMv*, const QString& item, bool& accept) {
        accept = accept && !item.endsWith(QStringLiteral("zhen"));
    };
    list.FilterItemsTo(found, QString());
    EXPECT_EQ(found.Items(),
              (QStringList{QStringLiteral("Shanghai"), QStringLiteral("beijing"), QStringLiteral("Hangzhou")}));

    // A waiting key stops the walk.
    QObject receiver;
    PostKey(&receiver, Qt::Key_A, QStringLiteral("a"));
    EXPECT_FALSE(list.FilterItemsTo(found, QString()));
    EXPECT_EQ(found.Count(), 0);
    list.SetCancelOnKey(false);
    EXPECT_TRUE(list.FilterItemsTo(found, QString()));
    EXPECT_EQ(found.Count(), 3);
}

TEST(DropDownMRUTest, AKeyTypedOnStopsTheWalkAtTheNextHundredthItemAndReachesItsWidgetOnceAfterIt)
{
    TMRUListMv list;
    list.SetLimit(250);
    for (int i = 0; i < 250; ++i)
        list.Add(QString::number(i));
    TKeyLog log;
    auto gone = std::make_unique<TKeyLog>();
    int walked = 0;
    list.OnFilterItem = [&](TMRUListMv*, const QString&, bool&) {
        if (walked++ != 50)
            return;
        PostKey(&log, Qt::Key_A, QStringLiteral("a"));
        // A receiver destroyed meanwhile is left out.
        PostKey(gone.get(), Qt::Key_Y, QStringLiteral("y"));
        QMetaObject::invokeMethod(&log, [&] { gone.reset(); }, Qt::QueuedConnection);
        PostKey(&log, Qt::Key_B, QStringLiteral("b"));
    };
    TStringList found;
    EXPECT_FALSE(list.FilterItemsTo(found, QString()));
    EXPECT_EQ(walked, 100);
    EXPECT_EQ(found.Count(), 100);
    EXPECT_EQ(log.Typed, QString()) << "held while the walk runs";
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Typed, QStringLiteral("ab"));

    // What is to be destroyed later outlives the walk.
    list.OnFilterItem = nullptr;
    auto* later = new QObject;
    const QPointer<QObject> laterAlive(later);
    QMetaObject::invokeMethod(later, [later] { later->deleteLater(); }, Qt::QueuedConnection);
    EXPECT_TRUE(list.FilterItemsTo(found, QString()));
    EXPECT_TRUE(laterAlive);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(laterAlive);
}

TEST(DropDownMRUTest, AShortCutTypedOnFiresAfterTheWalkAndAModalWindowRaisedMeanwhileGetsItsKeys)
{
    QWidget window;
    auto* log = new TKeyLog(&window);
    int fired = 0;
    QShortcut shortCut(QKeySequence(Qt::Key_F5), &window);
    QObject::connect(&shortCut, &QShortcut::activated, [&] { ++fired; });
    FocusOn(log);
    TMRUListMv list;
    list.Add(QStringLiteral("a"));
    TStringList found;

    PostKey(log, Qt::Key_F5, QString());
    EXPECT_FALSE(list.FilterItemsTo(found, QString()));
    EXPECT_EQ(fired, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, 1);

    // A message box raised by an event that the walk runs gets its keys.
    QDialog box(&window);
    auto* answer = new TKeyLog(&box);
    QMetaObject::invokeMethod(
        &box,
        [&] {
            PostKey(answer, Qt::Key_Y, QStringLiteral("y"));
            QMetaObject::invokeMethod(&box, &QDialog::accept, Qt::QueuedConnection);
            box.exec();
        },
        Qt::QueuedConnection);
    EXPECT_TRUE(list.FilterItemsTo(found, QString())) << "the dialog's keys are not the walk's";
    EXPECT_EQ(answer->Typed, QStringLiteral("y"));
    EXPECT_EQ(log->Typed, QString());
}

TEST(DropDownMRUTest, AssignAndTheOwnersNotices)
{
    TMRUListMv source;
    source.SetActive(true);
    source.SetAutoAdd(false);
    source.SetLimit(5);
    source.SetRows(3);
    source.Add(QStringLiteral("x"));
    TMRUListMv copy;
    int changes = 0;
    copy.OnActiveChanged = [&](TMRUListMv*) { ++changes; };
    copy.Assign(source);
    EXPECT_TRUE(copy.Active());
    EXPECT_TRUE(copy.AutoAdd()) << "AutoAdd is not copied";
    EXPECT_EQ(copy.Limit(), 5);
    EXPECT_EQ(copy.Rows(), 3);
    EXPECT_EQ(ItemsOf(copy), QStringList{QStringLiteral("x")});
    EXPECT_EQ(changes, 1);
}

TEST(DropDownMRUTest, TheRecentValuesBoxShowsItsBarOnlyWhenItemsOverflow)
{
    TTestOwner owner;
    TMRUListboxMv box(&owner);
    EXPECT_FALSE(box.Ctl3D());
    box.SetItemHeight(16);
    TMRUListMv list;
    for (const char* text : {"delta", "alpha", "charlie"})
        list.Add(QString::fromLatin1(text));
    list.FilterItemsTo(box.Items(), QString());
    box.ItemsChanged();
    EXPECT_EQ(box.Items().Items(),
              (QStringList{QStringLiteral("alpha"), QStringLiteral("charlie"), QStringLiteral("delta")}));
    box.SetRowCount(3);
    box.resize(140, box.height());
    box.SizeGrip()->SetVisible(true);
    ShowDropDownWindow(&box, QPoint(20, 20));
    EXPECT_TRUE(box.ScrollBar()->isHidden());
    EXPECT_TRUE(box.SizeGrip()->TriangleWindow());

    box.SetRowCount(2);
    EXPECT_FALSE(box.ScrollBar()->isHidden());
    EXPECT_FALSE(box.SizeGrip()->TriangleWindow()) << "beside the bar the grip is square";
    EXPECT_EQ(box.ScrollBar()->maximum(), 1);

    box.ScrollBar()->setValue(1);
    EXPECT_EQ(box.TopIndex(), 1);
    WheelOn(box.ClientWidget(), QPoint(5, 5), 120);
    EXPECT_EQ(box.TopIndex(), 0);
    EXPECT_EQ(box.ScrollBar()->value(), 0);

    // Above the owner the grip moves to the top, and the bar below it.
    box.Perform(MV_DROPDOWNPLACED, 2, 0);
    EXPECT_EQ(box.SizeGrip()->Position(), 1);
    EXPECT_EQ(box.ScrollBar()->geometry().top(), box.SizeGrip()->height());
    // On the left the grip is a triangle again.
    box.Perform(MV_DROPDOWNPLACED, 0, 0);
    EXPECT_EQ(box.SizeGrip()->Position(), 0);
    EXPECT_TRUE(box.SizeGrip()->TriangleWindow());
    EXPECT_EQ(box.ScrollBar()->geometry().top(), 0);
}

TEST(DropDownMRUTest, ASpecialRowSplitsItsCellsAtSemicolonsAndFollowsItsOwnerUntilSet)
{
    EXPECT_EQ(SplitSpecRowCells(QStringLiteral("全部;\"a;b\";\"say \"\"hi\"\"\"; x ")),
              (QStringList{QStringLiteral("全部"), QStringLiteral("a;b"), QStringLiteral("say \"hi\""),
                           QStringLiteral(" x ")}));
    EXPECT_EQ(SplitSpecRowCells(QStringLiteral("\t\na;;b;")),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_TRUE(SplitSpecRowCells(QString()).isEmpty());
    // A NUL ends the text instead of stopping the split for ever.
    QString withNul = QStringLiteral("a;b");
    withNul.insert(1, QChar(0));
    EXPECT_EQ(SplitSpecRowCells(withNul), QStringList{QStringLiteral("a")});

    // The row follows its owner until set, and reports its changes.
    TColor ownerColor = clYellow;
    TFont ownerFont(QApplication::font(), clBlue);
    TSpecRowMv row([&] { return ownerColor; }, [&] { return ownerFont; });
    int changes = 0;
    row.OnChange = [&](TSpecRowMv*) { ++changes; };
    EXPECT_EQ(row.Color(), clYellow);
    ownerColor = clAqua;
    EXPECT_EQ(row.Color(), clAqua);
    ownerFont.Color = clGreen;
    EXPECT_EQ(row.Font().Color, clGreen);
    EXPECT_EQ(changes, 0) << "following the owner is no change";

    row.SetCellsText(QStringLiteral("(无);0"));
    EXPECT_EQ(row.GetCellText(0), QStringLiteral("(无)"));
    EXPECT_EQ(row.GetCellText(2), QString());
    row.SetColor(clRed);
    ownerColor = clWhite;
    EXPECT_EQ(row.Color(), clRed);
    EXPECT_EQ(changes, 2);

    TSpecRowMv copy;
    int copyChanges = 0;
    copy.OnChange = [&](TSpecRowMv*) { ++copyChanges; };
    copy.Assign(row);
    EXPECT_EQ(copyChanges, 1) << "one notice for the whole copy";
    EXPECT_EQ(copy.GetCellText(1), QStringLiteral("0"));
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_FALSE(copy.FontAssigned());
}

TEST_F(DropDownMRUEditTest, TheRecentValuesCloseWhenTheUserTypesOnWhileTheyAreRefiltered)
{
    auto* edit = new TDBEditMv(Form.get());
    edit->setGeometry(10, 10, 200, edit->height());
    TMRUListMv& recent = edit->MRUList();
    recent.SetActive(true);
    for (const char* text : {"Shanghai", "Shenzhen", "Suzhou"})
        recent.Add(QString::fromLatin1(text));
    FocusOn(edit);
    TypeText(QStringLiteral("S"));
    ASSERT_TRUE(recent.DroppedDown());

    // The shown list closes; the key, once handled, refines it.
    PostKey(edit, Qt::Key_H, QStringLiteral("h"));
    edit->DropDown();
    EXPECT_FALSE(edit->MRUListBox()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->Text(), QStringLiteral("Sh"));
    ASSERT_TRUE(recent.DroppedDown());
    EXPECT_EQ(edit->MRUListBox()->Items().Items(), (QStringList{QStringLiteral("Shanghai"), QStringLiteral("Shenzhen")}));

    // A list that was not shown does not show half filled.
    TypeText(QStringLiteral("\x1b"));
    ASSERT_FALSE(recent.DroppedDown());
    PostKey(edit, Qt::Key_A, QStringLiteral("a"));
    edit->DropDown();
    EXPECT_FALSE(edit->MRUListBox()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->Text(), QStringLiteral("Sha"));
    EXPECT_TRUE(recent.DroppedDown());

    // A list that an event of the walk closed (the focus went elsewhere)
    // stays closed.
    QMetaObject::invokeMethod(Other, [this] { Other->setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
    edit->DropDown();
    EXPECT_FALSE(edit->MRUListBox()->isVisible());
}
