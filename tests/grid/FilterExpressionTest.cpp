// The filter row's expression language: what each text parses into, the
// texts it refuses, and printing that parses back to the same expression.

#include "grid/DbUtilsMv.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/SqlQuery.h"
#include "support/TestSupport.h"

namespace {

Variant Floats(std::initializer_list<double> values)
{
    std::vector<Variant> elements;
    for (double v : values)
        elements.emplace_back(v);
    return Variant(std::move(elements));
}

Variant Texts(std::initializer_list<const char16_t*> values)
{
    std::vector<Variant> elements;
    for (const char16_t* v : values)
        elements.emplace_back(QString::fromUtf16(v));
    return Variant(std::move(elements));
}

TSTFilterExpressionMv Expr(TSTFilterValueKindMv kind, TSTFilterOperatorMv op1, const Variant& operand1,
                           TSTFilterOperatorMv relation = sfoNone, TSTFilterOperatorMv op2 = sfoNone,
                           const Variant& operand2 = Variant::Null())
{
    TSTFilterExpressionMv expr;
    expr.ExpressionType = kind;
    expr.Operator1 = op1;
    expr.Operand1 = operand1;
    expr.Relation = relation;
    expr.Operator2 = op2;
    expr.Operand2 = operand2;
    return expr;
}

TSTFilterExpressionMv Parse(TSTFilterValueKindMv kind, const QString& text)
{
    TSTFilterExpressionMv expr;
    expr.ExpressionType = kind;
    ParseSTFilterText(text, expr);
    return expr;
}

QString ParseError(TSTFilterValueKindMv kind, const QString& text)
{
    try {
        Parse(kind, text);
    } catch (const Exception& error) {
        return error.Message();
    }
    return QStringLiteral("<parsed>");
}

struct TDecimalComma {
    TDecimalComma() { FormatSettings.DecimalSeparator = u','; }
    ~TDecimalComma() { FormatSettings.DecimalSeparator = u'.'; }
};

} // namespace

TEST(FilterExpression, EachOperatorParsesPrintsAndParsesBack)
{
    const QDateTime jan31(QDate(2024, 1, 31), QTime(0, 0));
    const QDateTime jan31Ten(QDate(2024, 1, 31), QTime(10, 20, 30, 500));
    const struct {
        TSTFilterValueKindMv Kind;
        QString Text;
        TSTFilterExpressionMv Expected;
        QString Printed;
    } cases[] = {
        {svkString, u"abc"_qs, Expr(svkString, sfoLike, u"abc"), u"~ 'abc'"_qs},
        {svkString, u"new york"_qs, Expr(svkString, sfoLike, u"new york"), u"~ 'new york'"_qs},
        {svkNumber, u"5"_qs, Expr(svkNumber, sfoEqual, 5.0), u"= 5"_qs},
        {svkNumber, u"1,2,3"_qs, Expr(svkNumber, sfoIn, Floats({1, 2, 3})), u"In (1,2,3)"_qs},
        {svkString, u"1, 2 ,3"_qs, Expr(svkString, sfoIn, Texts({u"1", u"2", u"3"})), u"In ('1','2','3')"_qs},
        {svkNumber, u"<> -2.5"_qs, Expr(svkNumber, sfoNotEqual, -2.5), u"<> -2.5"_qs},
        {svkNumber, u"!= 0.1"_qs, Expr(svkNumber, sfoNotEqual, 0.1), u"<> 0.1"_qs},
        {svkNumber, u">1e20"_qs, Expr(svkNumber, sfoGreater, 1e20), u"> 1e+20"_qs},
        {svkNumber, u"< 1.2345678901234567"_qs, Expr(svkNumber, sfoLess, 1.2345678901234567),
         u"< 1.2345678901234567"_qs},
        {svkDateTime, u">= 2024-01-31"_qs, Expr(svkDateTime, sfoGreaterOrEqual, jan31), u">= 2024-01-31"_qs},
        {svkDateTime, u"<= 2024/1/31 10:20:30.5"_qs, Expr(svkDateTime, sfoLessOrEqual, jan31Ten),
         u"<= 2024-01-31 10:20:30.500"_qs},
        {svkString, u"~ 'it''s'"_qs, Expr(svkString, sfoLike, u"it's"), u"~ 'it''s'"_qs},
        {svkString, u"!~ 中文 商品"_qs, Expr(svkString, sfoNotLike, u"中文 商品"), u"!~ '中文 商品'"_qs},
        {svkString, u"'a,b'"_qs, Expr(svkString, sfoLike, u"a,b"), u"~ 'a,b'"_qs},
        {svkString, u"NOT IN ('a','b''c', 中)"_qs, Expr(svkString, sfoNotIn, Texts({u"a", u"b'c", u"中"})),
         u"!In ('a','b''c','中')"_qs},
        {svkNumber, u"in (7)"_qs, Expr(svkNumber, sfoIn, 7.0), u"In (7)"_qs},
        {svkNumber, u"= NULL"_qs, Expr(svkNumber, sfoNull, Variant::Null()), u"=Null"_qs},
        {svkString, u"<> null"_qs, Expr(svkString, sfoNotNull, Variant::Null()), u"<>Null"_qs},
        {svkNumber, u"> 5 AND < 10"_qs, Expr(svkNumber, sfoGreater, 5.0, sfoAnd, sfoLess, 10.0),
         u"> 5 AND < 10"_qs},
        // A relation at the end is kept without a second condition.
        {svkNumber, u"> 5 AND"_qs, Expr(svkNumber, sfoGreater, 5.0, sfoAnd), u"> 5 AND"_qs},
        {svkString, u"x | "_qs, Expr(svkString, sfoLike, u"x", sfoOr), u"~ 'x' OR"_qs},
        {svkString, u"like x Or ~ y"_qs, Expr(svkString, sfoLike, u"x", sfoOr, sfoLike, u"y"),
         u"~ 'x' OR ~ 'y'"_qs},
        {svkNumber, u"=null | >3"_qs, Expr(svkNumber, sfoNull, Variant::Null(), sfoOr, sfoGreater, 3.0),
         u"=Null OR > 3"_qs},
        {svkBoolean, u"True"_qs, Expr(svkBoolean, sfoEqual, u"True"), u"= 'True'"_qs},
        // Keywords are ASCII words in any letter case; letters that upper-case
        // to I or K in some languages make no keyword and stay values.
        {svkString, u"not LIKE x"_qs, Expr(svkString, sfoNotLike, u"x"), u"!~ 'x'"_qs},
        {svkString, u"nOt In (x)"_qs, Expr(svkString, sfoNotIn, u"x"), u"!In ('x')"_qs},
        {svkString, u"\u0131n"_qs, Expr(svkString, sfoLike, u"\u0131n"), u"~ '\u0131n'"_qs},
        {svkString, u"li\u212Ae"_qs, Expr(svkString, sfoLike, u"li\u212Ae"), u"~ 'li\u212Ae'"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        const TSTFilterExpressionMv parsed = Parse(c.Kind, c.Text);
        EXPECT_TRUE(SameSTFilterExpression(parsed, c.Expected)) << STFilterExpressionText(parsed).toStdString();
        EXPECT_EQ(STFilterExpressionText(parsed), c.Printed);
        EXPECT_TRUE(SameSTFilterExpression(Parse(c.Kind, c.Printed), parsed));
    }
    TSTFilterExpressionMv two;
    two.ExpressionType = svkNumber;
    EXPECT_TRUE(ParseSTFilterText(u"> 5 & < 10"_qs, two));
    EXPECT_FALSE(ParseSTFilterText(u"> 5"_qs, two));
    EXPECT_FALSE(ParseSTFilterText(u"   "_qs, two));
    EXPECT_EQ(two.Operator1, sfoNone);
}

TEST(FilterExpression, CommaDecimalSeparatorReadsOneNumberOutsideLists)
{
    const TDecimalComma comma;
    EXPECT_TRUE(SameSTFilterExpression(Parse(svkNumber, u"1,5"_qs), Expr(svkNumber, sfoEqual, 1.5)));
    const TSTFilterExpressionMv list = Parse(svkNumber, u"in (1,5)"_qs);
    EXPECT_TRUE(SameSTFilterExpression(list, Expr(svkNumber, sfoIn, Floats({1, 5}))));
    // Printed with a decimal point, which reads back under either separator.
    EXPECT_EQ(STFilterExpressionText(Parse(svkNumber, u"> 2,25"_qs)), u"> 2.25"_qs);
    EXPECT_TRUE(SameSTFilterExpression(Parse(svkNumber, u"> 2.25"_qs), Expr(svkNumber, sfoGreater, 2.25)));
}

TEST(FilterExpression, RefusesWhatItCannotReadAndNamesTheText)
{
    const struct {
        TSTFilterValueKindMv Kind;
        QString Text;
        QString Message;
    } cases[] = {
        {svkNumber, u"in 1,2"_qs, u"'(' expected: in 1,2"_qs},
        {svkNumber, u"in (1,2"_qs, u"')' expected: in (1,2"_qs},
        {svkString, u"'abc"_qs, u"Quote is absent: 'abc"_qs},
        {svkString, u"= 'it''s"_qs, u"Quote is absent: = 'it''s"_qs},
        {svkString, u"> 'a' xyz"_qs, u"Unexpected AND or OR: > 'a' xyz"_qs},
        {svkNumber, u"> NULL"_qs, u"Unexpected expression before Null: > NULL"_qs},
        {svkNumber, u"> >"_qs, u"Unexpected expression after operator: > >"_qs},
        {svkNumber, u"> 1,2"_qs, u"Unexpected expression after operator: > 1,2"_qs},
        {svkNumber, u"= 1 or = 2 or = 3"_qs, u"Incorrect expression: = 1 or = 2 or = 3"_qs},
        {svkString, u"a and b c)"_qs, u"Incorrect expression: a and b c)"_qs},
        {svkNumber, u"1,2,"_qs, u"Error in expression: 1,2,"_qs},
        {svkString, u"a,,b"_qs, u"Error in expression: a,,b"_qs},
        // NULL and NOT NULL in front are operators that want a value.
        {svkNumber, u"NULL"_qs, u"Unexpected expression after operator: NULL"_qs},
        {svkString, u"not null"_qs, u"Unexpected expression after operator: not null"_qs},
        {svkNumber, u"NULL NULL"_qs, u"Unexpected expression before Null: NULL NULL"_qs},
        {svkNumber, u"AND 5"_qs, u"Error in expression: AND 5"_qs},
        {svkString, u"(a)"_qs, u"Error in expression: (a)"_qs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseError(c.Kind, c.Text), c.Message);
    // Values that do not convert raise the conversion error.
    EXPECT_THROW(Parse(svkNumber, u"abc"_qs), EConvertError);
    EXPECT_THROW(Parse(svkNumber, u"= inf"_qs), EConvertError);
    EXPECT_THROW(Parse(svkDateTime, u"> 2024-13-01"_qs), EConvertError);
}

namespace {

class TProbeHandler : public TDataSetHandlerMv {
public:
    using TDataSetHandlerMv::TDataSetHandlerMv;
    bool LocateText(TCustomDBGridMv*, const QString&, TLocateTextDirectionMv, TLocateTextMatchingMv, quint8) override
    {
        return true;
    }
    void ApplyFilter(TCustomDBGridMv*, TDataSet*, bool) override {}
    void ApplySorting(TCustomDBGridMv*, TDataSet*, bool) override {}
    void ExecuteFindDialog(TCustomDBGridMv*, const QString&, const QString&) override {}
};

} // namespace

TEST(FilterExpression, HandlerOfTheNearestRegisteredDataSetClassWins)
{
    auto base = std::make_unique<TProbeHandler>(&TDataSet::staticMetaObject);
    auto client = std::make_unique<TProbeHandler>(&TClientDataSet::staticMetaObject);
    TDataSetHandlerMv* baseHandler = base.get();
    TDataSetHandlerMv* clientHandler = client.get();
    RegisterDataSetHandler(std::move(base));
    RegisterDataSetHandler(std::move(client));
    EXPECT_THROW(RegisterDataSetHandler(std::make_unique<TProbeHandler>(&TDataSet::staticMetaObject)), Exception);
    TClientDataSet data;
    TSQLQuery query;
    EXPECT_EQ(FindDataSetHandler(&data), clientHandler);
    EXPECT_EQ(FindDataSetHandler(&query), baseHandler);
    UnregisterDataSetHandler(&TDataSet::staticMetaObject);
    UnregisterDataSetHandler(&TClientDataSet::staticMetaObject);
    EXPECT_EQ(FindDataSetHandler(&data), nullptr);
    EXPECT_EQ(FindDataSetClassHandler(&QObject::staticMetaObject), nullptr);
}
