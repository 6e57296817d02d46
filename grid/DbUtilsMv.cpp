// The filter expression language: lexemes, the grammar of one or two
// conditions, operand conversion and printing.

#include "grid/DbUtilsMv.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/StringList.h"

#include <QLocale>
#include <cmath>

const std::array<QStringView, 16> STFilterOperatorsStrMap = {
    u"", u"=", u"<>", u">", u"<", u">=", u"<=", u"~", u"!~", u"In", u"!In", u"Null", u"Null", u"AND", u"OR", u""};

const std::array<QStringView, 16> STFilterOperatorsSQLStrMap = {
    u"",     u"=",      u"<>", u">",       u"<",           u">=", u"<=", u"LIKE", u"NOT LIKE", u"IN", u"NOT IN",
    u"IS NULL", u"IS NOT NULL", u"AND", u"OR", u""};

TSTFilterValueKindMv STFilterValueKind(TFieldType DataType)
{
    switch (DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftGuid: return svkString;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
    case ftFMTBcd: return svkNumber;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp: return svkDateTime;
    case ftBoolean: return svkBoolean;
    default: return svkNone;
    }
}

void InitSTFilterExpression(TSTFilterExpressionMv& Expr)
{
    Expr.Operator1 = sfoNone;
    Expr.Operand1 = Variant::Null();
    Expr.Relation = sfoNone;
    Expr.Operator2 = sfoNone;
    Expr.Operand2 = Variant::Null();
}

namespace {

// Lexemes are the operator codes, plus NOT, which only ever precedes LIKE,
// IN or NULL.
constexpr int LexNot = 16;

bool IsBlank(QChar c)
{
    return c.unicode() <= u' ';
}

bool IsDelimiter(QChar c)
{
    switch (c.unicode()) {
    case u' ':
    case u'!':
    case u'"':
    case u'&':
    case u'\'':
    case u'(':
    case u')':
    case u'+':
    case u',':
    case u'-':
    case u'.':
    case u'<':
    case u'=':
    case u'>':
    case u'|':
    case u'~': return true;
    default: return c.unicode() < 32;
    }
}

bool IsOperatorChar(QChar c)
{
    switch (c.unicode()) {
    case u'<':
    case u'>':
    case u'=':
    case u'!':
    case u'~':
    case u'&':
    case u'|': return true;
    default: return false;
    }
}

// Keywords are plain ASCII; comparing them letter by letter keeps the
// result independent of the system's language (no Turkish dotless i, no
// Kelvin sign standing in for K).
bool SameKeyword(QStringView Word, QStringView Keyword)
{
    if (Word.size() != Keyword.size())
        return false;
    for (qsizetype i = 0; i < Word.size(); ++i) {
        char16_t c = Word[i].unicode();
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
        if (c != Keyword[i].unicode())
            return false;
    }
    return true;
}

int STFilterKeyword(QStringView Word)
{
    if (SameKeyword(Word, u"NOT"))
        return LexNot;
    if (SameKeyword(Word, u"AND"))
        return sfoAnd;
    if (SameKeyword(Word, u"OR"))
        return sfoOr;
    if (SameKeyword(Word, u"LIKE"))
        return sfoLike;
    if (SameKeyword(Word, u"IN"))
        return sfoIn;
    if (SameKeyword(Word, u"NULL"))
        return sfoNull;
    return sfoNone;
}

class TSTFilterParser {
public:
    TSTFilterParser(const QString& Text, TSTFilterExpressionMv& Expr)
        : FText(Text.trimmed()), FExpr(Expr), FListMode(DefaultListMode())
    {
    }

    bool Parse()
    {
        InitSTFilterExpression(FExpr);
        if (FText.isEmpty())
            return false;
        Variant value;
        SkipBlanks();
        int lexeme = GetLexeme(value, true);
        ReadCondition(lexeme, value, FExpr.Operator1, FExpr.Operand1);
        SkipBlanks();
        if (AtEnd()) {
            ConvertOperands();
            return false;
        }
        lexeme = GetLexeme(value, true);
        if (lexeme == sfoNone)
            Fail(u"Incorrect expression: ");
        if (lexeme != sfoAnd && lexeme != sfoOr)
            Fail(u"Unexpected AND or OR: ");
        FExpr.Relation = TSTFilterOperatorMv(lexeme);
        // A relation at the end is kept without a second condition (the
        // user is still typing it); after a second condition nothing may
        // follow.
        SkipBlanks();
        if (AtEnd()) {
            ConvertOperands();
            return false;
        }
        lexeme = GetLexeme(value, true);
        if (lexeme == sfoNone)
            Fail(u"Incorrect expression: ");
        ReadCondition(lexeme, value, FExpr.Operator2, FExpr.Operand2);
        SkipBlanks();
        if (!AtEnd())
            Fail(u"Incorrect expression: ");
        ConvertOperands();
        return true;
    }

private:
    // A comma separates list values unless it is the decimal separator of
    // a number column.
    bool DefaultListMode() const
    {
        return FExpr.ExpressionType != svkNumber || FormatSettings.DecimalSeparator != u',';
    }

    [[noreturn]] void Fail(QStringView Message) const { throw Exception(Message.toString() + FText); }

    bool AtEnd() const { return FPos >= FText.size(); }

    QChar CharAt(qsizetype Pos) const { return Pos < FText.size() ? FText[Pos] : QChar(); }

    void SkipBlanks()
    {
        FPos = BlanksEnd(FPos);
    }

    qsizetype BlanksEnd(qsizetype Pos) const
    {
        while (Pos < FText.size() && IsBlank(FText[Pos]))
            ++Pos;
        return Pos;
    }

    qsizetype WordEnd(qsizetype Pos) const
    {
        while (Pos < FText.size() && !IsDelimiter(FText[Pos]))
            ++Pos;
        return Pos;
    }

    // Whether an operator or a keyword starts at Pos (a bare value ends
    // before the blanks in front of one).
    bool BeginsLexeme(qsizetype Pos) const
    {
        if (Pos >= FText.size())
            return false;
        if (IsOperatorChar(FText[Pos]))
            return true;
        return STFilterKeyword(QStringView(FText).sliced(Pos, WordEnd(Pos) - Pos)) != sfoNone;
    }

    // One lexeme at FPos; Value is set for a value lexeme. NOT takes the
    // lexeme after it (AllowNot keeps "NOT NOT ..." from nesting).
    int GetLexeme(Variant& Value, bool AllowNot)
    {
        Value = Variant(QString());
        if (AtEnd())
            return sfoNone;
        const QChar c = FText[FPos];
        const QChar next = CharAt(FPos + 1);
        int lexeme = sfoNone;
        switch (c.unicode()) {
        case u'\'': return ReadValueLexeme(Value);
        case u'>':
            lexeme = next == u'=' ? sfoGreaterOrEqual : sfoGreater;
            FPos += next == u'=' ? 2 : 1;
            break;
        case u'<':
            lexeme = next == u'=' ? sfoLessOrEqual : next == u'>' ? sfoNotEqual : sfoLess;
            FPos += (next == u'=' || next == u'>') ? 2 : 1;
            break;
        case u'=':
            lexeme = sfoEqual;
            ++FPos;
            break;
        case u'!':
            lexeme = next == u'=' ? sfoNotEqual : LexNot;
            FPos += next == u'=' ? 2 : 1;
            break;
        case u'~':
            lexeme = sfoLike;
            ++FPos;
            break;
        case u'&':
            lexeme = sfoAnd;
            ++FPos;
            break;
        case u'|':
            lexeme = sfoOr;
            ++FPos;
            break;
        case u'(': ++FPos; return sfoNone;
        default: {
            const qsizetype end = WordEnd(FPos);
            lexeme = STFilterKeyword(QStringView(FText).sliced(FPos, end - FPos));
            if (lexeme == sfoNone)
                return ReadValueLexeme(Value);
            FPos = end;
        }
        }
        SkipBlanks();
        switch (lexeme) {
        case LexNot: {
            if (!AllowNot)
                return sfoNone;
            Variant ignored;
            switch (GetLexeme(ignored, false)) {
            case sfoLike: return sfoNotLike;
            case sfoIn: return sfoNotIn;
            case sfoNull: return sfoNotNull;
            default: return sfoNone;
            }
        }
        case sfoIn:
            if (CharAt(FPos) != u'(')
                Fail(u"'(' expected: ");
            ++FPos;
            return sfoIn;
        default: return lexeme;
        }
    }

    int ReadValueLexeme(Variant& Value)
    {
        Value = ReadValueList();
        return Value.IsNull() ? sfoNone : sfoValue;
    }

    // One quoted or bare value; Null when there is none.
    Variant ReadValue()
    {
        if (AtEnd())
            return Variant::Null();
        if (FText[FPos] == u'\'')
            return ReadQuotedValue();
        const qsizetype start = FPos;
        qsizetype pos = FPos;
        while (pos < FText.size()) {
            const QChar c = FText[pos];
            if (c == u'(' || c == u')' || (FListMode && c == u','))
                break;
            if (IsBlank(c)) {
                const qsizetype after = BlanksEnd(pos);
                if (BeginsLexeme(after))
                    break;
                pos = after;
                continue;
            }
            ++pos;
        }
        FPos = pos;
        while (pos > start && IsBlank(FText[pos - 1]))
            --pos;
        if (pos == start)
            return Variant::Null();
        return Variant(FText.sliced(start, pos - start));
    }

    // Quotes inside a quoted value are doubled.
    Variant ReadQuotedValue()
    {
        QString value;
        qsizetype pos = FPos + 1;
        for (;;) {
            const qsizetype quote = FText.indexOf(u'\'', pos);
            if (quote < 0)
                Fail(u"Quote is absent: ");
            value += QStringView(FText).sliced(pos, quote - pos);
            if (CharAt(quote + 1) == u'\'') {
                value += u'\'';
                pos = quote + 2;
                continue;
            }
            FPos = quote + 1;
            return Variant(value);
        }
    }

    // Values separated by commas (in list mode); one value stays plain.
    Variant ReadValueList()
    {
        const Variant first = ReadValue();
        if (first.IsNull())
            return first;
        std::vector<Variant> values{first};
        while (FListMode) {
            const qsizetype comma = BlanksEnd(FPos);
            if (CharAt(comma) != u',')
                break;
            FPos = BlanksEnd(comma + 1);
            Variant value = ReadValue();
            if (value.IsNull())
                Fail(u"Error in expression: ");
            values.push_back(std::move(value));
        }
        return values.size() == 1 ? first : Variant(std::move(values));
    }

    void ReadCondition(int Lexeme, const Variant& Value, TSTFilterOperatorMv& Operator, Variant& Operand)
    {
        if (Lexeme == sfoValue) {
            Operator = Value.IsArray() ? sfoIn : FExpr.ExpressionType == svkString ? sfoLike : sfoEqual;
            Operand = Value;
            return;
        }
        // NULL and NOT NULL in front stand as operators: what follows them
        // must be a value (so either alone is refused). AND and OR cannot
        // begin a condition.
        if (Lexeme < sfoEqual || Lexeme > sfoNotNull)
            Fail(u"Error in expression: ");
        const bool list = Lexeme == sfoIn || Lexeme == sfoNotIn;
        if (list)
            FListMode = true;
        SkipBlanks();
        Variant next;
        const int lexeme = GetLexeme(next, true);
        Operator = TSTFilterOperatorMv(Lexeme);
        if (lexeme == sfoNull) {
            if (Lexeme == sfoEqual)
                Operator = sfoNull;
            else if (Lexeme == sfoNotEqual)
                Operator = sfoNotNull;
            else
                Fail(u"Unexpected expression before Null: ");
            Operand = Variant::Null();
        } else if (lexeme != sfoValue || (!list && next.IsArray())) {
            // A list means something only after IN.
            Fail(u"Unexpected expression after operator: ");
        } else {
            Operand = next;
        }
        if (list) {
            SkipBlanks();
            if (CharAt(FPos) != u')')
                Fail(u"')' expected: ");
            ++FPos;
        }
        FListMode = DefaultListMode();
    }

    void ConvertOperands()
    {
        Convert(FExpr.Operator1, FExpr.Operand1);
        Convert(FExpr.Operator2, FExpr.Operand2);
    }

    void Convert(TSTFilterOperatorMv Operator, Variant& Operand) const
    {
        if (Operator >= sfoEqual && Operator <= sfoNotIn)
            Operand = ConvertSTFilterOperand(Operand, FExpr.ExpressionType);
        else
            Operand = Variant::Null();
    }

    const QString FText;
    TSTFilterExpressionMv& FExpr;
    qsizetype FPos = 0;
    bool FListMode;
};

bool SameValue(const Variant& A, const Variant& B)
{
    if (A.GetKind() != B.GetKind())
        return false;
    switch (A.GetKind()) {
    case Variant::Kind::Array: {
        const auto& a = A.Elements();
        const auto& b = B.Elements();
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (!SameValue(a[i], b[i]))
                return false;
        return true;
    }
    case Variant::Kind::Float: return A.AsFloat() == B.AsFloat();
    case Variant::Kind::String: return A.AsString() == B.AsString();
    default: return A == B;
    }
}

} // namespace

bool ParseSTFilterText(const QString& Text, TSTFilterExpressionMv& Expr)
{
    return TSTFilterParser(Text, Expr).Parse();
}

Variant ConvertSTFilterOperand(const Variant& Value, TSTFilterValueKindMv Kind)
{
    if (Value.IsArray()) {
        std::vector<Variant> converted;
        converted.reserve(Value.Elements().size());
        for (const Variant& element : Value.Elements())
            converted.push_back(ConvertSTFilterOperand(element, Kind));
        return Variant(std::move(converted));
    }
    if (Value.IsClear())
        return Value;
    switch (Kind) {
    case svkNumber: {
        if (Value.IsNumeric())
            return Variant(Value.AsFloat());
        const double number = StrToFloat(Value.AsString());
        // A filter on "nan" or "inf" compares with nothing.
        if (!std::isfinite(number))
            throw EConvertError(u'\'' + Value.AsString() + QStringLiteral("' is not a valid floating point value"));
        return Variant(number);
    }
    case svkDateTime:
        if (Value.GetKind() == Variant::Kind::DateTime)
            return Value;
        return Variant(StrToDateTime(Value.AsString()));
    default: return Variant(Value.AsString());
    }
}

QString STFilterValueText(const Variant& Value)
{
    switch (Value.GetKind()) {
    case Variant::Kind::Unassigned:
    case Variant::Kind::Null: return QString();
    case Variant::Kind::Integer: return QString::number(Value.AsInteger());
    // The shortest text that reads back as the same number, always with a
    // decimal point.
    case Variant::Kind::Float: return QString::number(Value.AsFloat(), 'g', QLocale::FloatingPointShortest);
    case Variant::Kind::DateTime: {
        const QDateTime value = Value.AsDateTime();
        QString text = value.date().toString(QStringLiteral("yyyy-MM-dd"));
        const QTime time = value.time();
        if (time != QTime(0, 0))
            text += time.toString(time.msec() ? QStringLiteral(" HH:mm:ss.zzz") : QStringLiteral(" HH:mm:ss"));
        return text;
    }
    case Variant::Kind::Array: {
        QStringList elements;
        for (const Variant& element : Value.Elements())
            elements << STFilterValueText(element);
        return elements.join(u',');
    }
    default: return QuotedText(Value.AsString(), u'\'');
    }
}

QString STFilterConditionText(TSTFilterOperatorMv Operator, const Variant& Operand)
{
    switch (Operator) {
    case sfoNone: return QString();
    case sfoNull: return u'=' + STFilterOperatorsStrMap[sfoNull].toString();
    case sfoNotNull: return QStringLiteral("<>") + STFilterOperatorsStrMap[sfoNotNull].toString();
    case sfoIn:
    case sfoNotIn: return STFilterOperatorsStrMap[Operator].toString() + QStringLiteral(" (") + STFilterValueText(Operand) + u')';
    default: return STFilterOperatorsStrMap[Operator].toString() + u' ' + STFilterValueText(Operand);
    }
}

QString STFilterExpressionText(const TSTFilterExpressionMv& Expr)
{
    if (Expr.Operator1 == sfoNone)
        return QString();
    QString text = STFilterConditionText(Expr.Operator1, Expr.Operand1);
    if (Expr.Relation != sfoNone)
        text += u' ' + STFilterOperatorsStrMap[Expr.Relation].toString();
    if (Expr.Relation != sfoNone && Expr.Operator2 != sfoNone)
        text += u' ' + STFilterConditionText(Expr.Operator2, Expr.Operand2);
    return text;
}

bool SameSTFilterExpression(const TSTFilterExpressionMv& A, const TSTFilterExpressionMv& B)
{
    return A.ExpressionType == B.ExpressionType && A.Operator1 == B.Operator1 && A.Relation == B.Relation &&
           A.Operator2 == B.Operator2 && SameValue(A.Operand1, B.Operand1) && SameValue(A.Operand2, B.Operand2);
}
