#include "json/uQvJSON.h"

#include "support/TestSupport.h"

#include <QLocale>

namespace {

std::unique_ptr<TqvJSONbase> Parse(const char* text)
{
    return TqvJSON::ParseText(QByteArrayView(text));
}

const TqvJSONlist* AsList(const std::unique_ptr<TqvJSONbase>& value)
{
    return qvJSONcast<TqvJSONlist>(value.get());
}

const TqvJSONobject* AsObject(const std::unique_ptr<TqvJSONbase>& value)
{
    return qvJSONcast<TqvJSONobject>(value.get());
}

// The text of a parsed one-string list, or "<none>" when it did not parse.
QString StringOf(const char* text)
{
    const auto root = Parse(text);
    const TqvJSONlist* list = AsList(root);
    if (!list || list->GetCount() != 1)
        return QStringLiteral("<none>");
    return list->GetString(0);
}

QString Nested(int depth, const QString& open, const QString& close)
{
    return open.repeated(depth) + close.repeated(depth);
}

} // namespace

TEST(ParseText, LenientSeparatorsLeftoverTextAndKeywords)
{
    // Blanks separate like commas, one trailing comma is taken, text after
    // the first value is ignored and a byte-order mark before it skipped.
    const std::pair<const char*, int> counts[] = {{"[1 2]", 2}, {"[ 1 , ]", 1}, {" [ ] ", 0}, {"{\"a\":1 \"b\":\"x\",}", 2}, {"{\t}", 0},
                                                  {"{\"a\":1} and then {\"b\":2}", 1}, {"\xEF\xBB\xBF{}", 0}};
    for (const auto& [text, count] : counts) {
        const auto root = Parse(text);
        ASSERT_TRUE(root) << text;
        EXPECT_EQ(root->GetCount(), count) << text;
    }
    EXPECT_EQ(AsList(Parse("[1 2]"))->GetInt(1), 2);
    EXPECT_EQ(AsObject(Parse("{\"a\":1 \"b\":\"x\",}"))->GetString(1), u"x"_qs);
    const auto flag = Parse("trueX");
    const auto number = Parse("12abc");
    ASSERT_TRUE(flag && number);
    EXPECT_EQ(flag->ValueKind(), jsBoolean);
    EXPECT_TRUE(flag->GetValue().AsBoolean());
    EXPECT_EQ(number->GetValue().AsFloat(), 12.0);

    // Keywords are case-sensitive; inside a list a leftover letter fails the element.
    const auto keywords = Parse("[false,null,true]");
    ASSERT_TRUE(AsList(keywords));
    EXPECT_EQ(AsList(keywords)->GetChild(0)->ValueKind(), jsBoolean);
    EXPECT_EQ(AsList(keywords)->GetChild(1)->ValueKind(), jsNull);
    EXPECT_TRUE(AsList(keywords)->GetBoolean(2));
    for (const char* bad : {"[,1]", "[1,,2]", "{,}", "[1", "[1}", "{\"a\" 1}", "{a:1}", "{\"a\":}", "{\"a\":1,,}", "", "\xEF\xBB\xBF", " \r\n\t",
                            "True", "nul", "fals", "[truex]"})
        EXPECT_FALSE(Parse(bad)) << bad;
    EXPECT_FALSE(TqvJSON::ParseText(QByteArrayView()));
}

TEST(ParseText, NumberGrammar)
{
    for (const char* bad : {"[1.]", "[1e]", "[1E+]", "[.5]", "[-]", "[+]", "[- 1]", "[1.e5]"})
        EXPECT_FALSE(Parse(bad)) << bad;

    const auto root = Parse("[-0.5E+2, +7, 007, 1e3, -0]");
    const TqvJSONlist* list = AsList(root);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->GetDouble(0), -50.0);
    EXPECT_EQ(list->GetDouble(1), 7.0);
    EXPECT_EQ(list->GetInt(2), 7);
    EXPECT_EQ(list->GetInt(3), 1000);
    EXPECT_TRUE(std::signbit(list->GetDouble(4)));
    EXPECT_EQ(qvJSONcast<TqvJSONnumber>(list->GetChild(0))->LiteralText(), u"-0.5E+2"_qs);
    EXPECT_EQ(qvJSONcast<TqvJSONnumber>(list->GetChild(1))->LiteralText(), u"+7"_qs);
}

TEST(ParseText, NumbersKeepTheirDigits)
{
    const auto root = Parse(R"({"tid":1234567890123456789,"min":-9223372036854775808,"over":9223372036854775808,)"
                            R"("long":12345678901234567890123456789.5,"tiny":1e-400,"neg":-2.9})");
    const TqvJSONobject* trade = AsObject(root);
    ASSERT_TRUE(trade);
    const auto* tid = qvJSONcast<TqvJSONnumber>(trade->Field(u"tid"));
    ASSERT_TRUE(tid);
    EXPECT_EQ(tid->LiteralText(), u"1234567890123456789"_qs);
    EXPECT_EQ(trade->GetInt(0), Q_INT64_C(1234567890123456789));
    EXPECT_EQ(tid->Value(), 1234567890123456789.0); // the double itself rounds
    EXPECT_EQ(trade->GetInt(1), std::numeric_limits<qint64>::min());
    EXPECT_EQ(trade->GetInt(2), std::numeric_limits<qint64>::max());
    EXPECT_EQ(qvJSONcast<TqvJSONnumber>(trade->Field(u"long"))->LiteralText(),
              u"12345678901234567890123456789.5"_qs);
    EXPECT_EQ(trade->GetDouble(4), 0.0);
    EXPECT_EQ(trade->GetInt(5), -2);

    // A number beyond the double range fails the parse rather than becoming infinity.
    EXPECT_FALSE(Parse("[1e400]"));
    EXPECT_FALSE(Parse("[-1e99999999999999999999]"));
}

TEST(ParseText, DecimalPointIgnoresTheUserLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto root = Parse("[1.25]");
    QLocale::setDefault(saved);
    ASSERT_TRUE(AsList(root));
    EXPECT_EQ(AsList(root)->GetDouble(0), 1.25);
}

TEST(ParseText, EscapesResolve)
{
    EXPECT_EQ(StringOf(R"(["a\qb"])"), u"ab"_qs);
    EXPECT_EQ(StringOf("[\"a\\\xC3\xA9" "b\"]"), u"ab"_qs); // the whole escaped character goes
    EXPECT_EQ(StringOf(R"(["\n\r\t\b\f\\\"\'\/"])"), u"\n\r\t\b\f\\\"'/"_qs);
    EXPECT_EQ(StringOf(R"(["\u0041"])"), u"A"_qs);
    EXPECT_EQ(StringOf(R"(["\u00e9\u4E2D"])"), u"é中"_qs);
    EXPECT_EQ(StringOf(R"(["x\u0000y"])"), QString::fromUtf16(u"x\0y", 3));
    EXPECT_EQ(StringOf(R"(["\ud83d\ude00"])"), u"😀"_qs);
    EXPECT_EQ(StringOf(R"(["\ud83dx"])"), u"\uFFFDx"_qs);
    EXPECT_EQ(StringOf(R"(["\ude00\ud83d"])"), u"\uFFFD\uFFFD"_qs);
    EXPECT_EQ(StringOf(R"(["\ud83d\ud83d\ude00"])"), u"\uFFFD😀"_qs);
    EXPECT_EQ(StringOf(R"(["\ud83d\u0041"])"), u"\uFFFDA"_qs);
    for (const char* bad : {R"(["\uZZZZ"])", R"(["\u12"])", R"(["\u12G4"])", R"(["\ud83d\uZZZZ"])"})
        EXPECT_FALSE(Parse(bad)) << bad;
}

TEST(ParseText, StringContentAndQuotes)
{
    EXPECT_EQ(StringOf("[\"\xE5\x95\x86\xE5\x93\x81 \\\"x\\\\\"]"), u"商品 \"x\\"_qs);
    EXPECT_EQ(StringOf("[\"tab\there\x01\"]"), u"tab\there\x01"_qs); // raw control characters stay
    EXPECT_EQ(StringOf("[\"bad \xFF byte\"]"), u"bad \uFFFD byte"_qs);
    EXPECT_EQ(StringOf(R"(["\\"])"), u"\\"_qs);
    // A byte-order mark inside a string is a character like any other.
    EXPECT_EQ(StringOf("\xEF\xBB\xBF[\"\xEF\xBB\xBFx\"]"), u"\uFEFFx"_qs);
    const auto root = Parse("{\"\xEF\xBB\xBF\":1}");
    ASSERT_TRUE(AsObject(root));
    EXPECT_EQ(AsObject(root)->NameOf(0), u"\uFEFF"_qs);
    for (const char* bad : {"[\"open]", "[\"ends in backslash\\\"]", "\"\\", "[\"\\\\\\\"]"})
        EXPECT_FALSE(Parse(bad)) << bad;
}

TEST(ParseText, NestingIsLimited)
{
    const int limit = TqvJSON::MaxDepth;
    EXPECT_TRUE(TqvJSON::ParseText(Nested(limit, u"["_qs, u"]"_qs).toUtf8()));
    EXPECT_FALSE(TqvJSON::ParseText(Nested(limit + 1, u"["_qs, u"]"_qs).toUtf8()));
    // A failure at the bottom of a deep tree frees everything read so far.
    EXPECT_FALSE(TqvJSON::ParseText(Nested(limit - 1, u"[1,"_qs, u"]"_qs).replace(u",]"_qs, u",x]"_qs).toUtf8()));
    EXPECT_TRUE(TqvJSON::ParseText((u"{\"a\":"_qs.repeated(limit) + u"1"_qs + u"}"_qs.repeated(limit)).toUtf8()));
    EXPECT_FALSE(TqvJSON::ParseText((u"{\"a\":"_qs.repeated(limit + 1) + u"1"_qs + u"}"_qs.repeated(limit + 1)).toUtf8()));
    // Far deeper than any stack would take.
    EXPECT_FALSE(TqvJSON::ParseText(QByteArray(1000000, '[')));
}

TEST(ParseText, DuplicateMemberNames)
{
    const auto root = Parse(R"({"a":1,"b":true,"a":2})");
    const TqvJSONobject* object = AsObject(root);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->GetCount(), 3);
    EXPECT_EQ(object->IndexOfName(u"a"), 0);
    EXPECT_EQ(object->GetInt(object->IndexOfName(u"a")), 1);
    // The second "a" is a member of its own, reached by index only as the first one's value.
    EXPECT_EQ(object->NameOf(2), u"a"_qs);
    EXPECT_EQ(object->GetInt(2), 1);
    const auto* pair = dynamic_cast<const TqvJSONobjectmethod*>(object->GetChild(2));
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->Value()->GetValue().AsFloat(), 2.0);
}
