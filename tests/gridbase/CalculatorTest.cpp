// The calculator's engine through its keys and buttons, and the drop-down
// that hands its result to its owner.

#include "DropDownTestSupport.h"

#include "gridbase/CalculatorMv.h"

#include <QClipboard>

namespace {

void Keys(TCalculatorMv& calculator, const QString& keys)
{
    for (QChar key : keys)
        calculator.CalcKey(key);
}

} // namespace

TEST(CalculatorTest, OperatorsAndPercentages)
{
    TCalculatorMv calculator;
    Keys(calculator, QStringLiteral("12+3="));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("15"));
    Keys(calculator, QStringLiteral("C50+10%"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("55"));
    Keys(calculator, QStringLiteral("c50*10%"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("5"));
    Keys(calculator, QStringLiteral("C7-10="));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("-3"));
    // An operator applies the pending one: a chain needs no "=".
    Keys(calculator, QStringLiteral("C2*3+4*"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("10"));
    Keys(calculator, QStringLiteral("C1.5/4="));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0.375"));
    EXPECT_DOUBLE_EQ(calculator.Value(), 0.375);
    Keys(calculator, QStringLiteral("C9sC4i"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("-4"));
    Keys(calculator, QStringLiteral("C4r"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0.25"));
}

TEST(CalculatorTest, ErrorsStayUntilCleared)
{
    TCalculatorMv calculator;
    Keys(calculator, QStringLiteral("1/0="));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("Error"));
    EXPECT_EQ(calculator.Value(), 0);
    Keys(calculator, QStringLiteral("5+2=I\b"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("Error"));
    Keys(calculator, QStringLiteral("C"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));

    // Delete and Esc, as the plain calculator gets them, leave it too.
    calculator.show();
    Keys(calculator, QStringLiteral("0r"));
    EXPECT_EQ(calculator.Status(), TCalculatorMv::csError);
    SendKey(&calculator, Qt::Key_Delete);
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));
    Keys(calculator, QStringLiteral("1-2=s"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("Error"));
    SendKey(&calculator, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));

    // Results beyond the range of numbers are errors, not numbers.
    Keys(calculator, QStringLiteral("C"));
    for (int i = 0; i < 25; ++i)
        Keys(calculator, QStringLiteral("999999999999999*"));
    EXPECT_EQ(calculator.Status(), TCalculatorMv::csError);
}

TEST(CalculatorTest, NumbersAreTypedWithinFifteenDigits)
{
    TCalculatorMv calculator;
    Keys(calculator, QStringLiteral("1234567890123456"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("123456789012345"));
    Keys(calculator, QStringLiteral("C12345678901234I56"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("-123456789012345")) << "a minus takes no digit's place";
    Keys(calculator, QStringLiteral("C5I\b"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));
    // +/- of a small number shows an exponent; Backspace never leaves a text that is no number.
    Keys(calculator, QStringLiteral("C0.00005I"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("-5E-5"));
    Keys(calculator, QStringLiteral("\b"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("-5"));
    EXPECT_EQ(calculator.Value(), -5);
    Keys(calculator, QStringLiteral("C7\b"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));
    Keys(calculator, QStringLiteral("C0.,5.1"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0.51"));
    Keys(calculator, QStringLiteral("C5.+1="));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("6")) << "a number may end in its separator";
    Keys(calculator, QStringLiteral("C.5\b\b"));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("0"));
}

TEST(CalculatorTest, TheEqualButtonReadsEqualsOnlyWhileAnOperationIsPending)
{
    TCalculatorMv calculator;
    EXPECT_TRUE(calculator.OkButtonShown());
    Keys(calculator, QStringLiteral("2+"));
    EXPECT_TRUE(calculator.OkButtonShown()) << "nothing typed after the operator yet";
    Keys(calculator, QStringLiteral("3"));
    EXPECT_EQ(calculator.spEqual->Caption(), QStringLiteral("="));
    Keys(calculator, QStringLiteral("="));
    EXPECT_EQ(calculator.spEqual->Caption(), QStringLiteral("Ok"));
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
    Keys(calculator, QString(QChar(22)));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("2.5"));
    QApplication::clipboard()->setText(QStringLiteral("二"));
    Keys(calculator, QString(QChar(22)));
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("Error"));
}

TEST(CalculatorTest, TheDropDownComputesFirstAndAcceptsOnTheSecondEnter)
{
    TTestOwner owner;
    TPopupCalculatorMv calculator(&owner);
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
}

TEST(CalculatorTest, TheDropDownIsFlatNeverFocusedAndBorderedByItself)
{
    TTestOwner owner;
    TPopupCalculatorMv calculator(&owner);
    EXPECT_TRUE(calculator.GetFlat());
    EXPECT_TRUE(calculator.SpeedButton1->Flat());
    EXPECT_EQ(calculator.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(calculator.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(calculator.size(), calculator.DesignClientSize() + QSize(4, 4));
    calculator.SetFlat(false);
    EXPECT_FALSE(calculator.SpeedButton1->Flat());
}
