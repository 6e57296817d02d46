// The edit-mask language as plain functions: parsing the mask and its
// fields, the edit text and the value text, typing, pasting, Backspace and
// Delete over literals, and the check for required positions. That any
// edit text comes back from its value text is the fuzz target's check.

#include "platform/Format.h"
#include "platform/MaskEditCodec.h"

#include <gtest/gtest.h>

namespace {

const QString Phone = QStringLiteral("!\\(999\\)0000-0000;1;_");
const QString Full = QStringLiteral("(010)1234-5678");

QString Empty(const QString& mask)
{
    return MaskEmptyEditText(ParseEditMask(mask));
}

QString Typed(const QString& mask, const QString& keys, int from = 0)
{
    const TEditMaskMv parsed = ParseEditMask(mask);
    const TMaskEditResultMv result = MaskInsertText(parsed, MaskEmptyEditText(parsed), from, 0, keys);
    return result.Accepted ? result.EditText : QStringLiteral("<refused>");
}

} // namespace

TEST(MaskEditCodecTest, ParsesFieldsCaseShiftsAndEscapes)
{
    EXPECT_EQ(Empty(Phone), QStringLiteral("(___)____-____"));
    // The third field names the blank; a missing or empty field keeps the
    // default, and an escaped ';' is a literal.
    EXPECT_EQ(Empty(QStringLiteral("000-00;0;*")), QStringLiteral("***-**"));
    EXPECT_TRUE(ParseEditMask(QStringLiteral("0\\;0;;")).SaveLiterals);
    EXPECT_EQ(Empty(QStringLiteral("0\\;0;;")), QStringLiteral("_;_"));
    // '_' is a blank literal, ':' and '/' the program's separators.
    EXPECT_EQ(Empty(QStringLiteral("99:99_99/99")), QStringLiteral("__") + FormatSettings.TimeSeparator +
                                                        QStringLiteral("__ __") + FormatSettings.DateSeparator +
                                                        QStringLiteral("__"));
    // Case shifts last until the next; "<>" ends them.
    EXPECT_EQ(Typed(QStringLiteral(">LL<ll<>l"), QStringLiteral("abCDE")), QStringLiteral("ABcdE"));
    // An empty mask, or one with fields only, masks nothing.
    EXPECT_TRUE(ParseEditMask(QString()).IsEmpty());
    EXPECT_TRUE(ParseEditMask(QStringLiteral(";1;_")).IsEmpty());
}

TEST(MaskEditCodecTest, EachMaskCharacterTakesItsOwnKindOfCharacter)
{
    const auto fits = [](const char* mask, QChar ch) {
        return !MaskFitChar(ParseEditMask(QString::fromLatin1(mask)).Positions.front(), ch).isNull();
    };
    EXPECT_FALSE(fits("0", u'a'));
    EXPECT_FALSE(fits("9", u'+'));
    EXPECT_TRUE(fits("#", u'-'));
    EXPECT_TRUE(fits("L", u'中'));
    EXPECT_FALSE(fits("l", u'5'));
    EXPECT_TRUE(fits("A", u'5'));
    EXPECT_FALSE(fits("a", u'-'));
    EXPECT_TRUE(fits("C", u'-'));
    // Control characters, halves of a pair and the space never fill one.
    EXPECT_FALSE(fits("c", QChar(9)));
    EXPECT_FALSE(fits("c", QChar(0xD83D)));
    EXPECT_FALSE(fits("c", u' '));
}

TEST(MaskEditCodecTest, TheTextKeepsLiteralsAsTheMaskSays)
{
    const TEditMaskMv saved = ParseEditMask(Phone);
    const TEditMaskMv bare = ParseEditMask(QStringLiteral("!\\(999\\)0000-0000;0;_"));
    EXPECT_EQ(MaskEditTextToText(saved, Full), Full);
    EXPECT_EQ(MaskEditTextToText(bare, Full), QStringLiteral("01012345678"));
    // Unfilled positions are blanks within the value, dropped at its start
    // with '!' (at its end without), and nothing typed is no value at all.
    EXPECT_EQ(MaskEditTextToText(saved, QStringLiteral("(_10)1234-5678")), QStringLiteral("( 10)1234-5678"));
    EXPECT_EQ(MaskEditTextToText(bare, QStringLiteral("(_10)1234-5678")), QStringLiteral("1012345678"));
    EXPECT_EQ(MaskEditTextToText(ParseEditMask(QStringLiteral("0000;0")), QStringLiteral("12__")),
              QStringLiteral("12"));
    EXPECT_EQ(MaskEditTextToText(saved, MaskEmptyEditText(saved)), QString());
    // Loading takes either form, aligned to the end with '!'; what fits no
    // position leaves it unfilled, what is too long is cut.
    EXPECT_EQ(MaskTextToEditText(bare, QStringLiteral("1012345678")), QStringLiteral("(_10)1234-5678"));
    EXPECT_EQ(MaskTextToEditText(bare, Full), Full);
    EXPECT_EQ(MaskTextToEditText(ParseEditMask(QStringLiteral("000;0")), QStringLiteral("1x34")),
              QStringLiteral("1_3"));
    // The mask applied to an empty text, and the typed start of a text.
    EXPECT_EQ(FormatMaskText(Phone, QString()), QString());
    EXPECT_EQ(FormatMaskText(QStringLiteral(">LLL;0"), QStringLiteral("abc")), QStringLiteral("ABC"));
    EXPECT_EQ(MaskTypedText(saved, QStringLiteral("(01_)____-____")), QStringLiteral("(01"));
    EXPECT_EQ(MaskTypedText(saved, MaskEmptyEditText(saved)), QString());
}

TEST(MaskEditCodecTest, TypingFillsPositionsSkipsLiteralsAndRefusesAWholePasteForOneCharacter)
{
    EXPECT_EQ(Typed(Phone, QStringLiteral("01012345678")), Full);
    EXPECT_EQ(Typed(Phone, Full), Full) << "literals typed where they stand are stepped over";
    EXPECT_EQ(Typed(Phone, QStringLiteral("x")), QStringLiteral("<refused>"));
    EXPECT_EQ(Typed(Phone, QStringLiteral("0101234x678")), QStringLiteral("<refused>"));
    EXPECT_EQ(Typed(Phone, QStringLiteral("010123456789")), QStringLiteral("<refused>")) << "past the last";
    // A blank leaves an optional position unfilled, not a required one.
    EXPECT_EQ(Typed(Phone, QStringLiteral(" 10")), QStringLiteral("(_10)____-____"));
    EXPECT_EQ(Typed(Phone, QStringLiteral(" "), 5), QStringLiteral("<refused>"));
    // The field's rule is asked about characters that fill positions only.
    const TEditMaskMv mask = ParseEditMask(Phone);
    const auto accepts = [&](const QString& keys, const std::function<bool(QChar)>& rule) {
        return MaskInsertText(mask, MaskEmptyEditText(mask), 0, 0, keys, rule).Accepted;
    };
    EXPECT_TRUE(accepts(QStringLiteral("(010)"), [](QChar ch) { return ch.isDigit(); }));
    EXPECT_FALSE(accepts(QStringLiteral("01"), [](QChar ch) { return ch != u'1'; }));
    // Typing over a selection empties it first and overwrites, never shifts.
    const TMaskEditResultMv result = MaskInsertText(mask, Full, 5, 6, QStringLiteral("9"));
    EXPECT_EQ(result.EditText, QStringLiteral("(010)9___-_678"));
    EXPECT_EQ(result.Caret, 6);
}

TEST(MaskEditCodecTest, BackspaceAndDeleteEmptyPositionsOverLiterals)
{
    const TEditMaskMv mask = ParseEditMask(Phone);
    // Delete on '-' empties the digit after it; again, the next one.
    TMaskEditResultMv result = MaskDeleteForward(mask, Full, 9, 0);
    result = MaskDeleteForward(mask, result.EditText, result.Caret, 0);
    EXPECT_EQ(result.EditText, QStringLiteral("(010)1234-__78"));
    // Nothing before the first position, nothing after the last.
    EXPECT_EQ(MaskDeleteBackward(mask, Full, 1, 0).EditText, Full);
    EXPECT_EQ(MaskDeleteForward(mask, Full, 14, 0).EditText, Full);
    // A selection is emptied, literals kept.
    EXPECT_EQ(MaskDeleteBackward(mask, Full, 2, 6).EditText, QStringLiteral("(0__)___4-5678"));
    // Typing goes on after the last filled position, first at the first.
    EXPECT_EQ(MaskCaretLimit(mask, MaskEmptyEditText(mask)), 1);
    EXPECT_EQ(MaskCaretLimit(mask, QStringLiteral("(010)1234-____")), 10);
    EXPECT_EQ(MaskCaretLimit(mask, Full), 14);
}

TEST(MaskEditCodecTest, OnlyAStartedTextWithARequiredGapIsIncomplete)
{
    const TEditMaskMv mask = ParseEditMask(Phone);
    EXPECT_EQ(MaskFirstIncomplete(mask, QStringLiteral("(010)1234-56__")), 12);
    // Optional positions may stay empty; a text with nothing in it is no
    // value rather than an incomplete one.
    EXPECT_EQ(MaskFirstIncomplete(mask, QStringLiteral("(___)1234-5678")), -1);
    EXPECT_EQ(MaskFirstIncomplete(mask, MaskEmptyEditText(mask)), -1);
    EXPECT_EQ(MaskFirstIncomplete(ParseEditMask(QStringLiteral("LL0")), QStringLiteral("a__")), 1);
}
