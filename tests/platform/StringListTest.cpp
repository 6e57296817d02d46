#include "platform/Exceptions.h"
#include "platform/StringList.h"

#include "support/TestSupport.h"

namespace {

QStringList L(std::initializer_list<QString> items)
{
    return QStringList(items);
}

} // namespace

TEST(CommaText, BlanksAndCommasBothSeparate)
{
    EXPECT_EQ(SplitCommaText(u"$num_iid,title,num,price"_qs), L({u"$num_iid"_qs, u"title"_qs, u"num"_qs, u"price"_qs}));
    EXPECT_EQ(SplitCommaText(u"a b,c"_qs), L({u"a"_qs, u"b"_qs, u"c"_qs}));
    EXPECT_EQ(SplitCommaText(u"  a ,  b  "_qs), L({u"a"_qs, u"b"_qs}));
    EXPECT_EQ(SplitCommaText(u""_qs), QStringList());
    EXPECT_EQ(SplitCommaText(u"   "_qs), QStringList());
}

TEST(CommaText, QuotesGroupAnItemAndAreRemoved)
{
    // Where values as the items sync passes them: 1, then two quoted times.
    EXPECT_EQ(SplitCommaText(u"1,\"2026-01-02 03:04:05\",\"2026-01-03 00:00:00\""_qs),
              L({u"1"_qs, u"2026-01-02 03:04:05"_qs, u"2026-01-03 00:00:00"_qs}));
    EXPECT_EQ(SplitCommaText(u"\"a, b\" c"_qs), L({u"a, b"_qs, u"c"_qs}));
    EXPECT_EQ(SplitCommaText(u"\"say \"\"hi\"\"\""_qs), L({u"say \"hi\""_qs}));
    // Text right after a closing quote starts a new item.
    EXPECT_EQ(SplitCommaText(u"\"ab\"cd"_qs), L({u"ab"_qs, u"cd"_qs}));
    // An unclosed quote takes the rest of the text.
    EXPECT_EQ(SplitCommaText(u"x,\"open end"_qs), L({u"x"_qs, u"open end"_qs}));
}

TEST(CommaText, EmptyItemsAndTrailingDelimiter)
{
    EXPECT_EQ(SplitCommaText(u"a,,b"_qs), L({u"a"_qs, u""_qs, u"b"_qs}));
    EXPECT_EQ(SplitCommaText(u"a,"_qs), L({u"a"_qs, u""_qs}));
    EXPECT_EQ(SplitCommaText(u"a, "_qs), L({u"a"_qs}));
    EXPECT_EQ(SplitCommaText(u","_qs), L({u""_qs, u""_qs}));
    EXPECT_EQ(SplitCommaText(u"\"\""_qs), L({u""_qs}));
}

TEST(CommaText, ControlCharactersEndItemsAndNulEndsText)
{
    EXPECT_EQ(SplitCommaText(u"a\tb\r\nc"_qs), L({u"a"_qs, u"b"_qs, u"c"_qs}));
    EXPECT_EQ(SplitCommaText(QStringLiteral("a,b") + QChar(u'\0') + QStringLiteral(",c")), L({u"a"_qs, u"b"_qs}));
    // CJK and emoji are ordinary characters.
    EXPECT_EQ(SplitCommaText(u"颜色,尺码😀"_qs), L({u"颜色"_qs, u"尺码😀"_qs}));
}

TEST(CommaText, WritingQuotesWhatWouldNotReadBack)
{
    EXPECT_EQ(JoinCommaText(L({u"a"_qs, u"b c"_qs, u"d,e"_qs, u"say \"x\""_qs, u""_qs})),
              u"a,\"b c\",\"d,e\",\"say \"\"x\"\"\","_qs);
    EXPECT_EQ(JoinCommaText(L({u""_qs})), QStringLiteral("\"\""));
    EXPECT_EQ(JoinCommaText({}), QString());
    const QStringList tricky = L({u"it's"_qs, u"100%"_qs, u"a\\b"_qs, u" lead"_qs, u"x=\"1\""_qs, u"中 文"_qs});
    EXPECT_EQ(SplitCommaText(JoinCommaText(tricky)), tricky);
}

TEST(DelimitedText, SemicolonListsAlsoSplitAtBlanks)
{
    // A properties text: a value holding a blank splits into two entries.
    EXPECT_EQ(SplitDelimitedText(u"1:2:颜色:黑色;3:4:尺码:XL"_qs, u';'), L({u"1:2:颜色:黑色"_qs, u"3:4:尺码:XL"_qs}));
    EXPECT_EQ(SplitDelimitedText(u"1:2:颜色:深 蓝;3:4:尺码:XL"_qs, u';'), L({u"1:2:颜色:深"_qs, u"蓝"_qs, u"3:4:尺码:XL"_qs}));
    EXPECT_EQ(SplitDelimitedText(u"SkuID;NumIID"_qs, u';'), L({u"SkuID"_qs, u"NumIID"_qs}));
    // A comma is an ordinary character in a semicolon list.
    EXPECT_EQ(SplitDelimitedText(u"a,b;c"_qs, u';'), L({u"a,b"_qs, u"c"_qs}));
}

TEST(DelimitedText, AmpersandReply)
{
    TStringList list;
    list.Delimiter = u'&';
    list.SetDelimitedText(u"top_appkey=12&kiv_session=6101a2b&top_sign=xx=="_qs);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Values(u"kiv_session"_qs), QStringLiteral("6101a2b"));
    EXPECT_EQ(list.Values(u"KIV_SESSION"_qs), QStringLiteral("6101a2b"));
    EXPECT_EQ(list.Values(u"top_sign"_qs), QStringLiteral("xx=="));
    EXPECT_EQ(list.Values(u"missing"_qs), QString());
}

TEST(StringList, SortedListIgnoresDuplicatesCaseInsensitively)
{
    TStringList list;
    list.SetSorted(true);
    list.Add(u"b"_qs);
    list.Add(u"a"_qs);
    list.Add(u"B"_qs);
    list.Add(u"c"_qs);
    EXPECT_EQ(list.Items(), L({u"a"_qs, u"b"_qs, u"c"_qs}));
    int index = -1;
    EXPECT_FALSE(list.Find(u"bb"_qs, index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list.IndexOf(u"C"_qs), 2);
    EXPECT_THROW(list.Insert(0, u"x"_qs), EListError);
}

TEST(StringList, IndexErrorsRaise)
{
    TStringList list;
    list.Add(u"a"_qs);
    EXPECT_THROW(list[1], EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_NO_THROW(list.Delete(0));
    EXPECT_TRUE(list.IsEmpty());
}

TEST(StringList, TextAndValues)
{
    TStringList list;
    list.SetText(u"a=1\r\nb=2\nc\r"_qs);
    EXPECT_EQ(list.Items(), L({u"a=1"_qs, u"b=2"_qs, u"c"_qs}));
    EXPECT_EQ(list.Names(0), QStringLiteral("a"));
    EXPECT_EQ(list.ValueFromIndex(1), QStringLiteral("2"));
    EXPECT_EQ(list.Names(2), QString());
    list.SetValue(u"b"_qs, u"3=4"_qs);
    EXPECT_EQ(list.Values(u"b"_qs), QStringLiteral("3=4"));
    list.SetValue(u"a"_qs, QString());
    EXPECT_EQ(list.IndexOfName(u"a"_qs), -1);
    EXPECT_EQ(list.Text(), QStringLiteral("b=3=4\r\nc\r\n"));
}
