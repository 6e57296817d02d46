// The edit-mask language as plain functions: parsing the mask and its
// fields, the edit text and the value text, typing, pasting, Backspace and
// Delete over literals, and the check for required positions. That any
// edit text comes back from its value text is the fuzz target's check.

#include "platform/Format.h"
#include "platform/MaskEditCodec.h"

#include <gtest/gtest.h>

namespace {

const QString Phone = QStringLiteral("!\\(999\\)0000-0000;1;_");

QString Typed(const QString& mask, const QString& keys, int from = 0)
{
    const TEditMaskMv parsed = ParseEditMask(mask);
    const TMaskEditResultMv result = MaskInsertText(parsed, MaskEmptyEditText(parsed), from, 0, keys);
    return result.Accepted ? result.EditText : QStringLiteral("<refused>");
}

} // namespace

TEST(MaskEditCodecTest, ParsesPositionsFieldsCaseShiftsAndEscapes)
{
    TEditMaskMv mask = ParseEditMask(Phone);
    EXPECT_EQ(mask.Size(), 14);
    EXPECT_TRUE(mask.LeadingBlanks);
    EXPECT_TRUE(mask.SaveLiterals);
    EXPECT_EQ(mask.Blank, u'_');
    EXPECT_EQ(MaskEmptyEditText(mask), QStringLiteral("(___)____-____"));
    EXPECT_FALSE(mask.Positions[1].Required);
    EXPECT_TRUE(mask.Positions[5].Required);

    // "0" saves no literals; the third field names the blank.
    mask = ParseEditMask(QStringLiteral("000-00;0;*"));
    EXPECT_FALSE(mask.SaveLiterals);
    EXPECT_EQ(MaskEmptyEditText(mask), QStringLiteral("***-**"));
    // A missing or empty field keeps the default; an escaped ';' is a literal.
    mask = ParseEditMask(QStringLiteral("0\\;0;;"));
    EXPECT_TRUE(mask.SaveLiterals);
    EXPECT_EQ(MaskEmptyEditText(mask), QStringLiteral("_;_"));
    // '_' is a blank literal, ':' and '/' the program's separators.
    EXPECT_EQ(MaskEmptyEditText(ParseEditMask(QStringLiteral("99:99_99/99"))),
              QStringLiteral("__") + FormatSettings.TimeSeparator + QStringLiteral("__ __") +
                  FormatSettings.DateSeparator + QStringLiteral("__"));

    // Case shifts last until the next; "<>" ends them.
    mask = ParseEditMask(QStringLiteral(">LL<ll<>l"));
    EXPECT_EQ(Typed(QStringLiteral(">LL<ll<>l"), QStringLiteral("abCDe")), QStringLiteral("ABcde"));
    EXPECT_EQ(mask.Positions[4].Case, TMaskCase::AsTyped);
    // An empty mask, or one with fields only, masks nothing.
    EXPECT_TRUE(ParseEditMask(QString()).IsEmpty());
    EXPECT_TRUE(ParseEditMask(QStringLiteral(";1;_")).IsEmpty());
}

TEST(MaskEditCodecTest, EachMaskCharacterTakesItsOwnKindOfCharacter)
{
    const auto fits = [](const QString& mask, QChar ch) {
        return !MaskFitChar(ParseEditMask(mask).Positions.front(), ch).isNull();
    };
    EXPECT_TRUE(fits(QStringLiteral("0"), u'7'));
    EXPECT_FALSE(fits(QStringLiteral("0"), u'a'));
    EXPECT_FALSE(fits(QStringLiteral("9"), u'+'));
    EXPECT_TRUE(fits(QStringLiteral("#"), u'-'));
    EXPECT_TRUE(fits(QStringLiteral("L"), u'中'));
    EXPECT_FALSE(fits(QStringLiteral("l"), u'5'));
    EXPECT_TRUE(fits(QStringLiteral("A"), u'5'));
    EXPECT_FALSE(fits(QStringLiteral("a"), u'-'));
    EXPECT_TRUE(fits(QStringLiteral("C"), u'-'));
    // Control characters, halves of a pair and the space never fill one.
    EXPECT_FALSE(fits(QStringLiteral("c"), QChar(9)));
    EXPECT_FALSE(fits(QStringLiteral("c"), QChar(0xD83D)));
    EXPECT_FALSE(fits(QStringLiteral("c"), u' '));
}

TEST(MaskEditCodecTest, TheTextKeepsLiteralsAsTheMaskSays)
{
    const TEditMaskMv saved = ParseEditMask(Phone);
    const TEditMaskMv bare = ParseEditMask(QStringLiteral("!\\(999\\)0000-0000;0;_"));
    const QString full = QStringLiteral("(010)1234-5678");
    EXPECT_EQ(MaskEditTextToText(saved, full), full);
    EXPECT_EQ(MaskEditTextToText(bare, full), QStringLiteral("01012345678"));
    // Unfilled positions are blanks within the value, dropped at its start
    // with '!' (at its end without), and nothing typed is no value at all.
    EXPECT_EQ(MaskEditTextToText(saved, QStringLiteral("(_10)1234-5678")), QStringLiteral("( 10)1234-5678"));
    EXPECT_EQ(MaskEditTextToText(bare, QStringLiteral("(_10)1234-5678")), QStringLiteral("1012345678"));
    EXPECT_EQ(MaskEditTextToText(ParseEditMask(QStringLiteral("0000;0")), QStringLiteral("12__")),
              QStringLiteral("12"));
    EXPECT_EQ(MaskEditTextToText(saved, MaskEmptyEditText(saved)), QString());

    // Loading takes either form, aligned to the end with '!'.
    EXPECT_EQ(MaskTextToEditText(bare, QStringLiteral("1012345678")), QStringLiteral("(_10)1234-5678"));
    EXPECT_EQ(MaskTextToEditText(saved, full), full);
    EXPECT_EQ(MaskTextToEditText(bare, full), full);
    EXPECT_EQ(MaskTextToEditText(ParseEditMask(QStringLiteral("0000-00-00;1;_")), QStringLiteral("2024-05-01")),
              QStringLiteral("2024-05-01"));
    // What fits no position leaves it unfilled; what is too long is cut.
    EXPECT_EQ(MaskTextToEditText(ParseEditMask(QStringLiteral("000;0")), QStringLiteral("1x34")),
              QStringLiteral("1_3"));

    // The mask applied to an empty text, and the typed start of a text.
    EXPECT_EQ(FormatMaskText(Phone, QString()), QString());
    EXPECT_EQ(FormatMaskText(QStringLiteral(">LLL;0"), QStringLiteral("abc")), QStringLiteral("ABC"));
    EXPECT_EQ(MaskTypedText(saved, QStringLiteral("(01_)____-____")), QStringLiteral("(01"));
    EXPECT_EQ(MaskTypedText(saved, MaskEmptyEditText(saved)), QString());
}

TEST(MaskEditCodecTest, TypingFillsPositionsAndSkipsLiterals)
{
    EXPECT_EQ(Typed(Phone, QStringLiteral("01012345678")), QStringLiteral("(010)1234-5678"));
    // Literals typed where they stand are stepped over.
    EXPECT_EQ(Typed(Phone, QStringLiteral("(010)1234-5678")), QStringLiteral("(010)1234-5678"));
    const TEditMaskMv mask = ParseEditMask(Phone);
    TMaskEditResultMv result = MaskInsertText(mask, MaskEmptyEditText(mask), 0, 0, QStringLiteral("010"));
    // The caret waits after the literal for the next character.
    EXPECT_EQ(result.Caret, 5);
    // A character that does not fit is refused, and one that does not fit
    // refuses a whole paste; past the last position nothing fits.
    EXPECT_EQ(Typed(Phone, QStringLiteral("x")), QStringLiteral("<refused>"));
    EXPECT_EQ(Typed(Phone, QStringLiteral("0101234x678")), QStringLiteral("<refused>"));
    EXPECT_EQ(Typed(Phone, QStringLiteral("010123456789")), QStringLiteral("<refused>"));
    // A blank leaves an optional position unfilled, not a required one.
    EXPECT_EQ(Typed(Phone, QStringLiteral(" 10")), QStringLiteral("(_10)____-____"));
    EXPECT_EQ(Typed(Phone, QStringLiteral(" "), 5), QStringLiteral("<refused>"));
    // The field's rule is asked about characters that fill positions only.
    result = MaskInsertText(mask, MaskEmptyEditText(mask), 0, 0, QStringLiteral("(010)"),
                            [](QChar ch) { return ch.isDigit(); });
    EXPECT_TRUE(result.Accepted);
    result = MaskInsertText(mask, MaskEmptyEditText(mask), 0, 0, QStringLiteral("01"),
                            [](QChar ch) { return ch != u'1'; });
    EXPECT_FALSE(result.Accepted);

    // Typing over a selection empties it first and overwrites, never shifts.
    result = MaskInsertText(mask, QStringLiteral("(010)1234-5678"), 5, 6, QStringLiteral("9"));
    EXPECT_EQ(result.EditText, QStringLiteral("(010)9___-_678"));
    EXPECT_EQ(result.Caret, 6);
}

TEST(MaskEditCodecTest, BackspaceAndDeleteEmptyPositionsOverLiterals)
{
    const TEditMaskMv mask = ParseEditMask(Phone);
    const QString full = QStringLiteral("(010)1234-5678");
    // Delete on '-' empties the digit after it; again, the next one.
    TMaskEditResultMv result = MaskDeleteForward(mask, full, 9, 0);
    result = MaskDeleteForward(mask, result.EditText, result.Caret, 0);
    EXPECT_EQ(result.EditText, QStringLiteral("(010)1234-__78"));
    // Nothing before the first position, nothing after the last.
    EXPECT_EQ(MaskDeleteBackward(mask, full, 1, 0).EditText, full);
    EXPECT_EQ(MaskDeleteForward(mask, full, 14, 0).EditText, full);
    // Typing goes on after the last filled position, first at the first.
    EXPECT_EQ(MaskCaretLimit(mask, MaskEmptyEditText(mask)), 1);
    EXPECT_EQ(MaskCaretLimit(mask, QStringLiteral("(010)1234-____")), 10);
    EXPECT_EQ(MaskCaretLimit(mask, full), 14);
    // A selection is emptied, literals kept.
    EXPECT_EQ(MaskDeleteBackward(mask, full, 2, 6).EditText, QStringLiteral("(0__)___4-5678"));
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
