// Text columns as the database declares them, and what UpsertRows writes
// into them: a text longer than its column is cut at a character boundary,
// a number never is.

#include "ClientTestSupport.h"

#include "client/KivColumns.h"
#include "client/KivMapping.h"
#include "platform/Exceptions.h"

namespace {

class ColumnsTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
    }
    void TearDown() override { FDM.reset(); }

    // One column of the given values, each of the kind.
    static TJsonValueList Column(const QString& name, const QStringList& values, TqvJSONkind kind)
    {
        TJsonValueList column;
        column.FieldName = name;
        for (const QString& value : values)
            column.Values.push_back({kind, value, false});
        return column;
    }

    std::unique_ptr<TKivDM> FDM;
};

} // namespace

TEST(CutToCharacters, CutsBetweenCharactersAsAReaderSeesThem)
{
    EXPECT_EQ(CutToCharacters(u"abc"_qs, 3), u"abc"_qs);
    // A character beyond the BMP is one, though two QChars.
    EXPECT_EQ(CharacterCount(u"ab😀c"_qs), 4);
    EXPECT_EQ(CutToCharacters(u"ab😀c"_qs, 3), u"ab😀"_qs);
    EXPECT_EQ(CutToCharacters(u"ab😀c"_qs, 2), u"ab"_qs);
    // A letter goes with its combining mark, a flag's halves together.
    EXPECT_EQ(CutToCharacters(u"cafe\u0301s"_qs, 4), u"caf"_qs);
    EXPECT_EQ(CutToCharacters(u"a🇨🇳b"_qs, 2), u"a"_qs);
    EXPECT_EQ(CutToCharacters(u"a🇨🇳b"_qs, 3), u"a🇨🇳"_qs);
    EXPECT_EQ(CutToCharacters(u"abc"_qs, 0), QString());
}

TEST_F(ColumnsTest, LengthsAreTheDatabasesReadOncePerDataModule)
{
    EXPECT_EQ(TextColumnLength(u"KivItem"_qs, u"Barcode"_qs), 100);
    EXPECT_EQ(TextColumnLength(u"KivItemOnsale"_qs, u"Title"_qs), 4000);
    EXPECT_EQ(TextColumnLength(u"KivItem"_qs, u"Qty"_qs), 0);
    EXPECT_EQ(TextColumnLength(u"NoSuchTable"_qs, u"Title"_qs), 0);
    ExecSql(u"alter table \"KivItem\" alter column \"Barcode\" type varchar(120)"_qs);
    EXPECT_EQ(TextColumnLength(u"KivItem"_qs, u"Barcode"_qs), 100);
    FDM.reset();
    FDM = std::make_unique<TKivDM>(TempPath(QString()));
    EXPECT_EQ(TextColumnLength(u"KivItem"_qs, u"Barcode"_qs), 120);
}

TEST_F(ColumnsTest, UpsertRowsCutsTextsToTheirColumnsAndNeverANumber)
{
    const QString longText = QString(3999, u'x') + u"😀😀"_qs;
    const QStringList extra{u"\"ShopCode\"=S1"_qs, u"\"SyncDate\"=2024-06-01 12:00:00"_qs};
    const TJsonColumns keys{Column(u"SkuID"_qs, {u"1"_qs, u"2"_qs}, jsNumber)};
    EXPECT_EQ(UpsertRows(u"KivItem"_qs, keys, {Column(u"PropAlias"_qs, {longText, u"短"_qs}, jsString)}, extra), 2);
    EXPECT_EQ(Scalar(u"select list(\"SkuID\" || ':' || char_length(\"PropAlias\") || ':' || right(\"PropAlias\", 2), '|') from \"KivItem\""_qs),
              u"1:4000:x😀|2:1:短"_qs);
    // Written again, the cut text finds its row: no second row.
    EXPECT_EQ(UpsertRows(u"KivItem"_qs, keys, {Column(u"PropAlias"_qs, {longText, u"短"_qs}, jsString)}, extra), 2);
    EXPECT_EQ(Scalar(u"select count(*) from \"KivItem\""_qs), u"2"_qs);

    // A number too long for its text column is refused, not cut.
    const QString digits = QString(150, u'7');
    EXPECT_THROW(UpsertRows(u"KivItem"_qs, keys, {Column(u"Barcode"_qs, {digits, digits}, jsNumber)}, extra), EDatabaseValueError);
    EXPECT_EQ(Scalar(u"select count(\"Barcode\") from \"KivItem\""_qs), u"0"_qs);
}
