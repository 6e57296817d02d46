// The calculator's engine through its keys and buttons, and the drop-down
// that hands its result to its owner.

#include "DropDownTestSupport.h"

#include "gridbase/CalculatorMv.h"

#include <QClipboard>

namespace {

// Types the keys and returns what the display shows then.
QString Keys(TCalculatorMv& calculator, const QString& keys)
{
    for (QChar key : keys)
        calculator.CalcKey(key);
    return calculator.DisplayText();
}

} // namespace

TEST(CalculatorTest, OperatorsPercentagesAndTypedNumbers)
{
    TCalculatorMv calculator;
    const std::pair<const char*, const char*> steps[] = {
        {"12+3=", "15"}, {"C50+10%", "55"}, {"c50*10%", "5"}, {"C7-10=", "-3"},
        {"C2*3+4*", "10"}, // an operator applies the pending one: a chain needs no "="
        {"C1.5/4=", "0.375"}, {"C9sC4i", "-4"}, {"C4r", "0.25"},
        // Fifteen digits at most; a minus takes no digit's place.
        {"C1234567890123456", "123456789012345"}, {"C12345678901234I56", "-123456789012345"}, {"C5I\b", "0"},
        // +/- of a small number shows an exponent; Backspace never leaves a
        // text that is no number.
        {"C0.00005I", "-5E-5"}, {"\b", "-5"}, {"C7\b", "0"}, {"C.5\b\b", "0"}, {"C0.,5.1", "0.51"},
        {"C5.+1=", "6"}, // a number may end in its separator
    };
    for (const auto& [keys, display] : steps)
        EXPECT_EQ(Keys(calculator, QString::fromLatin1(keys)), QString::fromLatin1(display)) << keys;
    Keys(calculator, QStringLiteral("C0.00005I\b"));
    EXPECT_EQ(calculator.Value(), -5);
    Keys(calculator, QStringLiteral("C1.5/4="));
    EXPECT_DOUBLE_EQ(calculator.Value(), 0.375);

    // The equal button reads "=" only while an operation is pending.
    EXPECT_TRUE(calculator.OkButtonShown());
    Keys(calculator, QStringLiteral("2+"));
    EXPECT_TRUE(calculator.OkButtonShown()) << "nothing typed after the operator yet";
    Keys(calculator, QStringLiteral("3"));
    EXPECT_EQ(calculator.spEqual->Caption(), QStringLiteral("="));
    Keys(calculator, QStringLiteral("="));
    EXPECT_EQ(calculator.spEqual->Caption(), QStringLiteral("Ok"));
}

TEST(CalculatorTest, ErrorsStayUntilCleared)
{
    TCalculatorMv calculator;
    EXPECT_EQ(Keys(calculator, QStringLiteral("1/0=")), QStringLiteral("Error"));
    EXPECT_EQ(calculator.Value(), 0);
    EXPECT_EQ(Keys(calculator, QStringLiteral("5+2=I\b")), QStringLiteral("Error"));
    EXPECT_EQ(Keys(calculator, QStringLiteral("C")), QStringLiteral("0"));

    // Delete and Esc, as the plain calculator gets them, leave it too.
    calculator.show();
    Keys(calculator, QStringLiteral("0r"));
    EXPECT_EQ(calculator.Status(), TCalculatorMv::csError);
    SendKey(&calculator, Qt::Key_Delete);
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));
    EXPECT_EQ(Keys(calculator, QStringLiteral("1-2=s")), QStringLiteral("Error"));
    SendKey(&calculator, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));

    // Results beyond the range of numbers are errors, not numbers.
    Keys(calculator, QStringLiteral("C"));
    for (int i = 0; i < 25; ++i)
        Keys(calculator, QStringLiteral("999999999999999*"));
    EXPECT_EQ(calculator.Status(), TCalculatorMv::csError);
}

TEST(CalculatorTest, DeleteClearsWhateverShiftKeysAreHeld)
{
    TCalculatorMv calculator;
    calculator.show();
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
          Qt::KeyboardModifiers(Qt::AltModifier), Qt::ShiftModifier | Qt::ControlModifier}) {
        SCOPED_TRACE(int(modifiers));
        // From the error state, and from a pending sum.
        Keys(calculator, QStringLiteral("0r"));
        ASSERT_EQ(calculator.Status(), TCalculatorMv::csError);
        SendKey(&calculator, Qt::Key_Delete, modifiers);
        EXPECT_EQ(calculator.Status(), TCalculatorMv::csFirst);
        EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));
        Keys(calculator, QStringLiteral("12+3"));
        SendKey(&calculator, Qt::Key_Delete, modifiers);
        EXPECT_EQ(Keys(calculator, QStringLiteral("4=")), QStringLiteral("4"));
    }
    // The drop-down too.
    TTestOwner owner;
    TPopupCalculatorMv popup(&owner);
    Keys(popup, QStringLiteral("1/0="));
    ASSERT_EQ(popup.Status(), TCalculatorMv::csError);
    SendKey(&popup, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(popup.DisplayText(), QStringLiteral("0"));
    EXPECT_TRUE(owner.CloseUps.empty());
}

TEST(CalculatorTest, ButtonsWheelAndClipboard)
{
    TCalculatorMv calculator;
    calculator.show();
    // 1 + 7 = +/-
    for (TSpeedButtonMv* button : {calculator.SpeedButton7, calculator.SpeedButton13, calculator.SpeedButton1,
                                   calculator.spEqual, calculator.SpeedButton3})
        Click(button, QPoint(4, 4));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("-8"));
    WheelOn(calculator.ClientWidget(), QPoint(10, 60), -120);
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("-9"));
    WheelOn(calculator.ClientWidget(), QPoint(10, 60), 240);
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("-7"));

    // The "C" key covers the cancel key and takes its clicks.
    EXPECT_EQ(calculator.ClientWidget()->childAt(calculator.SpeedButton24->geometry().center()),
              calculator.SpeedButton23);

    Keys(calculator, QString(QChar(3)));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("-7"));
    QApplication::clipboard()->setText(QStringLiteral(" 2.5 "));
    EXPECT_EQ(Keys(calculator, QString(QChar(22))), QStringLiteral("2.5"));
    QApplication::clipboard()->setText(QStringLiteral("二"));
    EXPECT_EQ(Keys(calculator, QString(QChar(22))), QStringLiteral("Error"));
}

TEST(CalculatorTest, TheDropDownComputesFirstAndAcceptsOnTheSecondEnter)
{
    TTestOwner owner;
    TPopupCalculatorMv calculator(&owner);
    // Flat, never focused and bordered by itself.
    EXPECT_TRUE(calculator.SpeedButton1->Flat());
    EXPECT_EQ(calculator.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(calculator.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(calculator.size(), calculator.DesignClientSize() + QSize(4, 4));

    IPopupCalculatorMv* value = &calculator;
    value->SetValue(Variant(2));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("2"));
    ShowDropDownWindow(&calculator, QPoint(10, 10));
    TypeInto(&calculator, QStringLiteral("+3"));
    SendKey(&calculator, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("5"));
    EXPECT_TRUE(owner.CloseUps.empty());
    EXPECT_TRUE(value->GetOkButtonShown());
    SendKey(&calculator, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    ASSERT_EQ(owner.CloseUps.size(), 1u);
    EXPECT_TRUE(owner.CloseUps[0]);
    EXPECT_DOUBLE_EQ(value->GetValue().AsFloat(), 5.0);

    // Esc closes without accepting.
    SendKey(&calculator, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    ASSERT_EQ(owner.CloseUps.size(), 2u);
    EXPECT_FALSE(owner.CloseUps.back());
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("5")) << "the swallowed Esc clears nothing";
    // An error closes on Ok too, with no number for the owner to take.
    Keys(calculator, QStringLiteral("0R"));
    EXPECT_FALSE(value->GetValue().IsNumeric());
    Click(calculator.spEqual, QPoint(4, 4));
    ASSERT_EQ(owner.CloseUps.size(), 3u);
    EXPECT_TRUE(owner.CloseUps.back());

    calculator.SetFlat(false);
    EXPECT_FALSE(calculator.SpeedButton1->Flat());
}
