#include "platform/Exceptions.h"
#include "platform/StringList.h"

#include "support/TestSupport.h"

TEST(CommaText, ReadingSplitsAtBlanksCommasAndControlsAndDropsQuotes)
{
    const std::pair<QString, QStringList> cases[] = {
        {u"$num_iid,title,num,price"_qs, {u"$num_iid"_qs, u"title"_qs, u"num"_qs, u"price"_qs}},
        {u"a b,c"_qs, {u"a"_qs, u"b"_qs, u"c"_qs}},
        {u"  a ,  b  "_qs, {u"a"_qs, u"b"_qs}},
        {u""_qs, {}},
        {u"   "_qs, {}},
        // Where values as the items sync passes them: 1, then two quoted times.
        {u"1,\"2026-01-02 03:04:05\",\"2026-01-03 00:00:00\""_qs, {u"1"_qs, u"2026-01-02 03:04:05"_qs, u"2026-01-03 00:00:00"_qs}},
        {u"\"a, b\" c"_qs, {u"a, b"_qs, u"c"_qs}},
        {u"\"say \"\"hi\"\"\""_qs, {u"say \"hi\""_qs}},
        // Text right after a closing quote starts a new item; an unclosed quote takes the rest.
        {u"\"ab\"cd"_qs, {u"ab"_qs, u"cd"_qs}},
        {u"x,\"open end"_qs, {u"x"_qs, u"open end"_qs}},
        // Empty items, and a trailing delimiter.
        {u"a,,b"_qs, {u"a"_qs, u""_qs, u"b"_qs}},
        {u"a,"_qs, {u"a"_qs, u""_qs}},
        {u"a, "_qs, {u"a"_qs}},
        {u","_qs, {u""_qs, u""_qs}},
        {u"\"\""_qs, {u""_qs}},
        // Control characters end items, a NUL ends the text; CJK and emoji are ordinary.
        {u"a\tb\r\nc"_qs, {u"a"_qs, u"b"_qs, u"c"_qs}},
        {QStringLiteral("a,b") + QChar(u'\0') + QStringLiteral(",c"), {u"a"_qs, u"b"_qs}},
        {u"颜色,尺码😀"_qs, {u"颜色"_qs, u"尺码😀"_qs}},
    };
    for (const auto& [text, items] : cases)
        EXPECT_EQ(SplitCommaText(text), items) << text.toStdString();
}

TEST(CommaText, WritingQuotesWhatWouldNotReadBack)
{
    EXPECT_EQ(JoinCommaText(QStringList({u"a"_qs, u"b c"_qs, u"d,e"_qs, u"say \"x\""_qs, u""_qs})),
              u"a,\"b c\",\"d,e\",\"say \"\"x\"\"\","_qs);
    EXPECT_EQ(JoinCommaText(QStringList({u""_qs})), QStringLiteral("\"\""));
    EXPECT_EQ(JoinCommaText({}), QString());
    const QStringList tricky = QStringList({u"it's"_qs, u"100%"_qs, u"a\\b"_qs, u" lead"_qs, u"x=\"1\""_qs, u"中 文"_qs});
    EXPECT_EQ(SplitCommaText(JoinCommaText(tricky)), tricky);
}

TEST(DelimitedText, SemicolonListsAlsoSplitAtBlanks)
{
    // A properties text: a value holding a blank splits into two entries.
    EXPECT_EQ(SplitDelimitedText(u"1:2:颜色:黑色;3:4:尺码:XL"_qs, u';'), QStringList({u"1:2:颜色:黑色"_qs, u"3:4:尺码:XL"_qs}));
    EXPECT_EQ(SplitDelimitedText(u"1:2:颜色:深 蓝;3:4:尺码:XL"_qs, u';'), QStringList({u"1:2:颜色:深"_qs, u"蓝"_qs, u"3:4:尺码:XL"_qs}));
    EXPECT_EQ(SplitDelimitedText(u"SkuID;NumIID"_qs, u';'), QStringList({u"SkuID"_qs, u"NumIID"_qs}));
    // A comma is an ordinary character in a semicolon list.
    EXPECT_EQ(SplitDelimitedText(u"a,b;c"_qs, u';'), QStringList({u"a,b"_qs, u"c"_qs}));
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
    EXPECT_EQ(list.Items(), QStringList({u"a"_qs, u"b"_qs, u"c"_qs}));
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
    EXPECT_EQ(list.Items(), QStringList({u"a=1"_qs, u"b=2"_qs, u"c"_qs}));
    EXPECT_EQ(list.Names(0), QStringLiteral("a"));
    EXPECT_EQ(list.ValueFromIndex(1), QStringLiteral("2"));
    EXPECT_EQ(list.Names(2), QString());
    list.SetValue(u"b"_qs, u"3=4"_qs);
    EXPECT_EQ(list.Values(u"b"_qs), QStringLiteral("3=4"));
    list.SetValue(u"a"_qs, QString());
    EXPECT_EQ(list.IndexOfName(u"a"_qs), -1);
    EXPECT_EQ(list.Text(), QStringLiteral("b=3=4\r\nc\r\n"));
}
