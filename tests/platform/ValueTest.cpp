#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/Variant.h"

#include "support/TestSupport.h"

TEST(SqlText, QuotingKeepsEveryTextIntact)
{
    EXPECT_EQ(QuotedStr(u"it's"_qs), QStringLiteral("'it''s'"));
    EXPECT_EQ(QuotedStr(QString()), QStringLiteral("''"));
    EXPECT_EQ(QuotedStr(u"a\\b%c'"_qs), QStringLiteral("'a\\b%c'''"));
    EXPECT_EQ(QuotedName(u"Say\"x"_qs), QStringLiteral("\"Say\"\"x\""));
    // A NUL would end the statement inside the literal.
    EXPECT_EQ(QuotedStr(u"a\0' or '1'='1\0"_qs), QStringLiteral("'a'' or ''1''=''1'"));
    EXPECT_EQ(QuotedName(u"N\0x"_qs), QStringLiteral("\"Nx\""));
}

TEST(SqlText, OnlyRealNumbersMayGoBare)
{
    EXPECT_TRUE(IsSqlInteger(u"1234567890123456789"_qs));
    EXPECT_TRUE(IsSqlInteger(u"-5"_qs));
    for (const QString& bad : {u""_qs, u"-"_qs, u"1 "_qs, u"1;drop"_qs, u"0x10"_qs, u"1.5"_qs, u"１"_qs})
        EXPECT_FALSE(IsSqlInteger(bad)) << bad.toStdString();
    EXPECT_TRUE(IsSqlNumber(u"-12.50e+3"_qs));
    EXPECT_TRUE(IsSqlNumber(u"0"_qs));
    for (const QString& bad : {u"1."_qs, u".5"_qs, u"1e"_qs, u"NaN"_qs, u"1,2"_qs, u"1) or (1=1"_qs})
        EXPECT_FALSE(IsSqlNumber(bad)) << bad.toStdString();
    EXPECT_EQ(SqlInteger(u"42"_qs), QStringLiteral("42"));
    EXPECT_THROW(SqlInteger(u"42 or 1=1"_qs), EConvertError);
}

TEST(Variant, NullIsNotUnassignedAndValuesCompareByValue)
{
    const Variant unassigned;
    const Variant null = Variant::Null();
    EXPECT_TRUE(unassigned.IsUnassigned());
    EXPECT_TRUE(null.IsNull());
    EXPECT_FALSE(unassigned == null);
    EXPECT_TRUE(null == Variant::Null());
    EXPECT_FALSE(null == Variant(0));
    EXPECT_FALSE(unassigned == Variant(u""_qs));
    EXPECT_EQ(null.AsString(), QString());
    EXPECT_EQ(null.AsFloat(), 0.0);

    EXPECT_TRUE(Variant(3) == Variant(3.0));
    EXPECT_TRUE(Variant(u"3"_qs) == Variant(3));
    EXPECT_FALSE(Variant(u"'3'"_qs) == Variant(3));
    EXPECT_FALSE(Variant(u"abc"_qs) == Variant(u"ABC"_qs));
    EXPECT_EQ(Variant(qint64(1234567890123456789)).AsString(), QStringLiteral("1234567890123456789"));
    EXPECT_THROW((void)Variant(u"x"_qs).AsFloat(), EConvertError);
}

TEST(Variant, ArraysCompareElementByElementAndQVariantKeepsNull)
{
    const Variant a(std::vector<Variant>{1, 2});
    EXPECT_TRUE(a == Variant(std::vector<Variant>{1, 2}));
    EXPECT_FALSE(a == Variant(std::vector<Variant>{1, 3}));
    EXPECT_FALSE(a == Variant(std::vector<Variant>{1}));
    EXPECT_FALSE(a == Variant(1));
    EXPECT_THROW((void)Variant(1).Elements(), EConvertError);

    EXPECT_TRUE(Variant::FromQVariant(QVariant(QMetaType(QMetaType::QString))).IsNull());
    EXPECT_TRUE(Variant::FromQVariant(Variant::Null().ToQVariant()).IsNull());
    EXPECT_EQ(Variant::FromQVariant(QVariant(qlonglong(7))).AsInteger(), 7);
    EXPECT_EQ(Variant::FromQVariant(QVariant(u"中"_qs)).AsString(), QStringLiteral("中"));
}
