// Edit button items, their collection and action, and the button control:
// which half is pressed, auto-repeat, the click that a drag off the pressed
// half must not fire, and the button held down while a list is open.

#include "DropDownTestSupport.h"

#include "platform/Exceptions.h"

#include <QAction>
#include <QTimer>

namespace {

// A button control 15 wide and 20 high that logs presses (which half) and
// clicks; decide may switch the auto-repeat of each press.
class TTestButtonControl : public TEditButtonControlMv {
public:
    using TEditButtonControlMv::ButtonTimerExpired;
    explicit TTestButtonControl(TEditButtonStyleMv style, std::function<void(int call, bool& autoRepeat)> decide = {})
    {
        SetStyle(style);
        resize(15, 20);
        OnDown = [this, decide](QObject*, bool top, bool& autoRepeat, bool&) {
            TopButtons.push_back(top);
            if (decide)
                decide(int(TopButtons.size()), autoRepeat);
        };
        OnClick = [this](QObject*) { ++Clicks; };
    }
    std::vector<bool> TopButtons;
    int Clicks = 0;
};

} // namespace

TEST(EditButtonTest, NumGlyphsIsClampedAndTheControlIsMadeOnTheEdit)
{
    QWidget edit;
    auto button = TEditButtonMv::CreateEditButton(&edit);
    button->SetNumGlyphs(0);
    EXPECT_EQ(button->NumGlyphs(), 1);
    button->SetNumGlyphs(9);
    EXPECT_EQ(button->NumGlyphs(), 4);
    TEditButtonControlMv* control = button->CreateEditButtonControl();
    EXPECT_EQ(control->parentWidget(), &edit);
    EXPECT_EQ(control->size(), QSize(10, 17));
    EXPECT_FALSE(control->isHidden());
}

TEST(EditButtonTest, ItemChangesReachTheCollectionOwnerOnceOutsideAnUpdate)
{
    TEditButtonsMv buttons(nullptr, VisibleEditButtonFactory);
    std::vector<TEditButtonMv*> notices;
    buttons.OnChange = [&](TEditButtonMv* item) { notices.push_back(item); };

    TEditButtonMv* first = buttons.Add();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices.back(), nullptr);
    EXPECT_TRUE(first->Visible());

    first->SetStyle(ebsEllipsisMv);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices.back(), first);
    first->SetStyle(ebsEllipsisMv);
    first->SetShortCut(0);
    EXPECT_EQ(notices.size(), 2u) << "an unchanged value and a short-cut report nothing";

    buttons.BeginUpdate();
    first->SetWidth(20);
    first->SetHint(QStringLiteral("选择"));
    buttons.EndUpdate();
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices.back(), nullptr);

    // The owner's own notice wins over the collection's.
    int own = 0;
    first->OnChange = [&](TEditButtonMv*) { ++own; };
    first->SetEnabled(false);
    EXPECT_EQ(own, 1);
    EXPECT_EQ(notices.size(), 3u);

    TEditButtonsMv copy(nullptr);
    copy.Assign(buttons);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Items(0)->Style(), ebsEllipsisMv);
    EXPECT_EQ(copy.Items(0)->Width(), 20);
    EXPECT_FALSE(copy.Items(0)->Enabled());
    EXPECT_THROW(copy.Items(1), EListError);
}

TEST(EditButtonTest, AnActionDrivesTheButtonAndItsClick)
{
    QAction action(QStringLiteral("Find"));
    action.setToolTip(QStringLiteral("查找"));
    action.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });

    auto button = TEditButtonMv::CreateEditButton(nullptr);
    button->SetVisible(true);
    button->SetAction(&action);
    EXPECT_EQ(button->Hint(), QStringLiteral("查找"));
    EXPECT_EQ(button->ShortCut(), TShortCut(scCtrl | 'F'));
    EXPECT_FALSE(button->IsHintStored()) << "a linked property is the action's to store";

    action.setEnabled(false);
    EXPECT_FALSE(button->Enabled());
    action.setVisible(false);
    EXPECT_FALSE(button->Visible());

    bool handled = false;
    button->Click(nullptr, handled);
    EXPECT_TRUE(handled);
    action.setEnabled(true);
    handled = false;
    button->Click(nullptr, handled);
    EXPECT_EQ(triggered, 1) << "a disabled action does not run";

    // OnClick comes first and decides alone.
    button->OnClick = [](QObject*, bool&) {};
    handled = false;
    button->Click(nullptr, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(triggered, 1);

    button->SetAction(nullptr);
    action.setToolTip(QStringLiteral("别的"));
    EXPECT_EQ(button->Hint(), QStringLiteral("查找"));
}

TEST_F(ButtonsTest, AnUpDownButtonReportsThePressedHalfAndClicksOnlyOnAReleaseOverIt)
{
    TTestButtonControl control(ebsUpDownMv);
    Press(&control, QPoint(7, 15));
    EXPECT_EQ(control.DownButton(), 2);
    ASSERT_EQ(control.TopButtons.size(), 1u);
    EXPECT_FALSE(control.TopButtons[0]);
    Release(&control, QPoint(7, 15));
    EXPECT_EQ(control.Clicks, 1);
    EXPECT_EQ(control.DownButton(), 0);

    Press(&control, QPoint(7, 2));
    EXPECT_TRUE(control.TopButtons.back());
    Release(&control, QPoint(7, 2));
    EXPECT_EQ(control.Clicks, 2);

    // Dragged off the pressed half, it releases without a click.
    Press(&control, QPoint(7, 15));
    Drag(&control, QPoint(7, 3));
    EXPECT_EQ(control.State(), bsUp);
    Release(&control, QPoint(7, 3));
    EXPECT_EQ(control.Clicks, 2);
    ASSERT_TRUE(control.ButtonTimer());
    EXPECT_FALSE(control.ButtonTimer()->isActive());

    // Any other style clicks on a release inside.
    TTestButtonControl ellipsis(ebsEllipsisMv);
    Press(&ellipsis, QPoint(7, 15));
    Drag(&ellipsis, QPoint(7, 3));
    Release(&ellipsis, QPoint(7, 3));
    EXPECT_EQ(ellipsis.Clicks, 1);
}

TEST_F(ButtonsTest, AHeldUpDownButtonRepeatsAfter400MsThenEvery100Ms)
{
    TTestButtonControl control(ebsUpDownMv, [](int call, bool& autoRepeat) {
        if (call == 4)
            autoRepeat = false;
    });
    Press(&control, QPoint(7, 2));
    ASSERT_EQ(control.TopButtons.size(), 1u);
    ASSERT_TRUE(control.ButtonTimer());
    EXPECT_TRUE(control.ButtonTimer()->isActive());
    EXPECT_EQ(control.ButtonTimer()->interval(), 400);

    control.ButtonTimerExpired();
    EXPECT_EQ(control.TopButtons.size(), 2u);
    EXPECT_EQ(control.ButtonTimer()->interval(), 100);
    control.ButtonTimerExpired();
    EXPECT_EQ(control.TopButtons.size(), 3u);
    EXPECT_TRUE(control.ButtonTimer()->isActive());
    control.ButtonTimerExpired();
    EXPECT_EQ(control.TopButtons.size(), 4u);
    EXPECT_FALSE(control.ButtonTimer()->isActive()) << "the handler stopped the repeat";
    EXPECT_TRUE(control.TopButtons.back());
    Release(&control, QPoint(7, 2));

    // The release stops a running repeat.
    TTestButtonControl held(ebsUpDownMv);
    Press(&held, QPoint(7, 15));
    held.ButtonTimerExpired();
    Release(&held, QPoint(7, 15));
    EXPECT_FALSE(held.ButtonTimer()->isActive());
    held.ButtonTimerExpired();
    EXPECT_EQ(held.TopButtons.size(), 2u) << "a tick after the release does nothing";
}

TEST_F(ButtonsTest, ADropDownButtonRepeatsOnlyWhenItsHandlerAsks)
{
    TTestButtonControl plain(ebsDropDownMv);
    Press(&plain, QPoint(7, 10));
    EXPECT_EQ(plain.TopButtons.size(), 1u);
    EXPECT_TRUE(!plain.ButtonTimer() || !plain.ButtonTimer()->isActive());
    Release(&plain, QPoint(7, 10));

    TTestButtonControl asking(ebsDropDownMv, [](int call, bool& autoRepeat) { autoRepeat = call == 1; });
    Press(&asking, QPoint(7, 10));
    ASSERT_TRUE(asking.ButtonTimer());
    EXPECT_EQ(asking.ButtonTimer()->interval(), 400);
    asking.ButtonTimerExpired();
    EXPECT_EQ(asking.TopButtons.size(), 2u);
    EXPECT_FALSE(asking.ButtonTimer()->isActive()) << "each tick starts with no repeat for this style";
}

TEST_F(ButtonsTest, AButtonHeldDownForAnOpenListStaysDownUntilReleased)
{
    TTestButtonControl control(ebsDropDownMv);
    control.OnDown = [&](QObject*, bool, bool&, bool&) { control.SetAlwaysDown(true); };
    Press(&control, QPoint(7, 10));
    Release(&control, QPoint(7, 10));
    EXPECT_EQ(control.Clicks, 1);
    EXPECT_EQ(control.State(), bsExclusive);
    EXPECT_EQ(control.DownButton(), 1);

    // A second click while the list is open still reaches the owner.
    control.OnDown = nullptr;
    Click(&control, QPoint(7, 10));
    EXPECT_EQ(control.Clicks, 2);
    EXPECT_EQ(control.State(), bsExclusive);

    control.SetAlwaysDown(false);
    EXPECT_EQ(control.State(), bsUp);
    EXPECT_EQ(control.DownButton(), 0);
}
