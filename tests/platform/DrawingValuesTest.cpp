// Rectangles, colours, mul-div and key translation.

#include "platform/Colors.h"
#include "platform/Keys.h"
#include "platform/MulDiv.h"
#include "platform/Rect.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QKeyEvent>

TEST(TRect, RightAndBottomAreExclusive)
{
    const TRect r = Bounds(10, 20, 5, 3);
    EXPECT_EQ(r, TRect(10, 20, 15, 23));
    EXPECT_TRUE(r.Contains(14, 22));
    EXPECT_FALSE(r.Contains(15, 22));
    EXPECT_FALSE(r.Contains(14, 23));
    EXPECT_EQ(r.ToQRect(), QRect(10, 20, 5, 3));
    EXPECT_EQ(TRect::FromQRect(r.ToQRect()), r);
    EXPECT_TRUE(TRect(5, 5, 5, 9).IsEmpty());
    EXPECT_EQ(IntersectRect(r, TRect(15, 20, 30, 30)), TRect());
    EXPECT_EQ(IntersectRect(r, TRect(12, 0, 30, 21)), TRect(12, 20, 15, 21));
    EXPECT_EQ(UnionRect(r, TRect()), r);
    EXPECT_EQ(UnionRect(r, TRect(0, 0, 1, 1)), TRect(0, 0, 15, 23));
}

TEST(MulDiv, RoundsHalvesAwayFromZeroWithoutOverflowOrDivisionByZero)
{
    EXPECT_EQ(MulDiv(7, 3, 2), 11);
    EXPECT_EQ(MulDiv(-7, 3, 2), -11);
    EXPECT_EQ(MulDiv(7, 3, -2), -11);
    EXPECT_EQ(MulDiv(2000000000, 3, 3), 2000000000);
    EXPECT_EQ(MulDiv(5, 5, 0), 0);
    EXPECT_EQ(MulDivTrunc(7, 3, 2), 10);
    EXPECT_EQ(MulDivTrunc(1000000, 127, 0), 0);
    EXPECT_EQ(MulDivTrunc(999999, 127, 1000000), 126);
}

TEST(Colors, ValuesAreBlueGreenRedAndSystemColoursComeFromThePalette)
{
    EXPECT_EQ(RGBColor(255, 255, 0), 65535) << "yellow";
    EXPECT_EQ(ToQColor(clTeal), QColor(0, 0x80, 0x80));
    const QPalette palette = QApplication::palette();
    EXPECT_TRUE(IsSystemColor(clBtnFace));
    EXPECT_EQ(ColorToRGB(clBtnFace, palette), FromQColor(palette.color(QPalette::Button)));
    EXPECT_EQ(ColorToRGB(clHighlight, palette), FromQColor(palette.color(QPalette::Highlight)));
    EXPECT_EQ(ColorToRGB(clSilver), clSilver);
    EXPECT_EQ(ColorToRGB(clDefault), clDefault) << "not set stays not set";
    EXPECT_EQ(ToQColor(clDefault).alpha(), 0);
    EXPECT_EQ(ToQColor(clNone).alpha(), 0);
}

TEST(Keys, QtKeysBecomeVirtualKeysAndCharacters)
{
    auto code = [](int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        return VirtualKeyOf(QKeyEvent(QEvent::KeyPress, key, mods));
    };
    auto chars = [](int key, Qt::KeyboardModifiers mods, const QString& text) {
        return KeyEventChars(QKeyEvent(QEvent::KeyPress, key, mods, text));
    };
    EXPECT_EQ(code(Qt::Key_Backtab, Qt::ShiftModifier), VK_TAB);
    EXPECT_EQ(code(Qt::Key_PageUp), VK_PRIOR);
    EXPECT_EQ(code(Qt::Key_Apostrophe), 222);
    EXPECT_EQ(code(Qt::Key_Asterisk, Qt::KeypadModifier), VK_MULTIPLY);
    EXPECT_EQ(code(Qt::Key_F2), VK_F2);
    EXPECT_EQ(code(Qt::Key_Q), 'Q');
    EXPECT_EQ(chars(Qt::Key_V, Qt::ControlModifier, QString()), QString(QChar(22)));
    EXPECT_EQ(chars(Qt::Key_Return, Qt::NoModifier, u"\r"_qs), QString(QChar(13)));
    EXPECT_EQ(chars(Qt::Key_Escape, Qt::NoModifier, QString()), QString(QChar(27)));
    EXPECT_EQ(chars(Qt::Key_X, Qt::AltModifier, u"x"_qs), QString());
    EXPECT_EQ(chars(Qt::Key_Left, Qt::NoModifier, QString()), QString());
    EXPECT_EQ(chars(Qt::Key_unknown, Qt::NoModifier, u"库"_qs), u"库"_qs);
    EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton), TShiftState(ssShift | ssCtrl | ssLeft));
    EXPECT_EQ(ShortCut(VK_DOWN, ssAlt), 32808);
    quint16 key = 0;
    TShiftState shift;
    ShortCutToKey(32814, key, shift);
    EXPECT_EQ(key, VK_DELETE);
    EXPECT_EQ(shift, TShiftState(ssAlt));
}
