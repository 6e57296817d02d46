#include "platform/Format.h"

#include "platform/Exceptions.h"

#include <QRegularExpression>
#include <algorithm>
#include <QStringList>
#include <cmath>
#include <vector>

TFormatSettings FormatSettings;

namespace {

// A non-negative number as decimal digits: value = 0.Digits x 10^Exp10.
// Made from 15 significant digits, the precision a double really carries, so
// that 2.675 rounds to 2.68 as the user reads it and not as the binary holds it.
struct TDecimal {
    QString Digits;
    int Exp10 = 0;

    static TDecimal FromDouble(double value)
    {
        TDecimal d;
        if (value == 0)
            return d;
        const QString s = QString::number(std::fabs(value), 'e', 14);
        const qsizetype e = s.indexOf(u'e');
        d.Digits = s.left(e).remove(u'.');
        d.Exp10 = s.mid(e + 1).toInt() + 1;
        d.Trim();
        return d;
    }

    bool IsZero() const { return Digits.isEmpty(); }

    void Trim()
    {
        while (!Digits.isEmpty() && Digits.back() == u'0')
            Digits.chop(1);
        if (Digits.isEmpty())
            Exp10 = 0;
    }

    void RoundTo(int decimals)
    {
        const int keep = Exp10 + decimals;
        if (keep >= Digits.size())
            return;
        if (keep < 0) {
            Digits.clear();
            Exp10 = 0;
            return;
        }
        const bool up = Digits[keep] >= u'5';
        Digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && Digits[i] == u'9') {
                Digits[i] = u'0';
                --i;
            }
            if (i >= 0) {
                Digits[i] = QChar(Digits[i].unicode() + 1);
            } else {
                Digits.prepend(u'1');
                ++Exp10;
            }
        }
        Trim();
    }

    QString IntegerDigits() const
    {
        if (Exp10 <= 0)
            return {};
        return Digits.left(Exp10).leftJustified(Exp10, u'0');
    }

    QString FractionDigits(int count) const
    {
        QString out;
        for (int i = 0; i < count; ++i) {
            const int pos = Exp10 + i;
            out += pos >= 0 && pos < Digits.size() ? Digits[pos] : u'0';
        }
        return out;
    }
};

// One section of a number format, taken apart.
struct TNumberSection {
    QString Prefix;      // text before the first digit
    QString IntLiteral;  // text between the integer digits
    QString FracLiteral; // text between the fraction digits
    QString Suffix;      // text after the last digit
    int IntDigits = 0;   // digit places before the point
    int MinIntDigits = 0;
    int MinDecimals = 0;
    int MaxDecimals = 0;
    bool Thousands = false;
    bool Scientific = false;
    bool ExpAlwaysSigned = false;
    QChar ExpChar = u'E';
    int ExpDigits = 0;
    bool HasDigits = false;
};

QStringList SplitSections(const QString& format)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (const QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

TNumberSection ParseSection(const QString& text)
{
    // First the literal runs and digit places in order, then the literal
    // runs are sorted into prefix, inner and suffix text.
    struct TPiece {
        QString Literal;
        bool Digit = false;
        bool AfterPoint = false;
    };
    TNumberSection s;
    std::vector<TPiece> pieces;
    bool afterPoint = false;
    int fracPlaces = 0;
    bool firstZeroSeen = false;
    auto literal = [&](const QString& t) {
        if (pieces.empty() || pieces.back().Digit || pieces.back().AfterPoint != afterPoint)
            pieces.push_back({QString(), false, afterPoint});
        pieces.back().Literal += t;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype end = text.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? text.size() : end;
            literal(text.mid(i + 1, stop - i - 1));
            i = stop;
        } else if ((c == u'0' || c == u'#') && !s.Scientific) {
            s.HasDigits = true;
            pieces.push_back({QString(), true, afterPoint});
            if (afterPoint) {
                ++fracPlaces;
                if (c == u'0')
                    s.MinDecimals = fracPlaces;
            } else {
                ++s.IntDigits;
                firstZeroSeen = firstZeroSeen || c == u'0';
                if (firstZeroSeen)
                    ++s.MinIntDigits;
            }
        } else if (c == u'.' && !afterPoint && !s.Scientific) {
            afterPoint = true;
        } else if (c == u',' && !afterPoint && !s.Scientific) {
            s.Thousands = true;
        } else if ((c == u'E' || c == u'e') && s.HasDigits && !s.Scientific && i + 1 < text.size()
                   && (text[i + 1] == u'+' || text[i + 1] == u'-')) {
            s.Scientific = true;
            s.ExpChar = c;
            s.ExpAlwaysSigned = text[i + 1] == u'+';
            i += 2;
            while (i < text.size() && text[i] == u'0') {
                ++s.ExpDigits;
                ++i;
            }
            --i;
            pieces.push_back({QString(), true, afterPoint});
        } else {
            literal(QString(c));
        }
    }
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < qsizetype(pieces.size()); ++i) {
        if (pieces[size_t(i)].Digit) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    for (qsizetype i = 0; i < qsizetype(pieces.size()); ++i) {
        const TPiece& p = pieces[size_t(i)];
        if (p.Digit)
            continue;
        if (first < 0 || i < first)
            s.Prefix += p.Literal;
        else if (i > last)
            s.Suffix += p.Literal;
        else if (p.AfterPoint)
            s.FracLiteral += p.Literal;
        else
            s.IntLiteral += p.Literal;
    }
    s.MaxDecimals = fracPlaces;
    return s;
}

QString GroupThousands(const QString& digits)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += FormatSettings.ThousandSeparator;
        out += digits[i];
    }
    return out;
}

QString FormatFixed(const TNumberSection& s, TDecimal d)
{
    d.RoundTo(s.MaxDecimals);
    QString intPart = d.IntegerDigits();
    if (intPart.size() < s.MinIntDigits)
        intPart = QString(s.MinIntDigits - intPart.size(), u'0') + intPart;
    if (s.Thousands)
        intPart = GroupThousands(intPart);
    QString frac = d.FractionDigits(s.MaxDecimals);
    while (frac.size() > s.MinDecimals && frac.endsWith(u'0'))
        frac.chop(1);
    QString out = intPart + s.IntLiteral;
    if (!frac.isEmpty())
        out += FormatSettings.DecimalSeparator + frac;
    return out + s.FracLiteral;
}

QString FormatScientific(const TNumberSection& s, const TDecimal& value)
{
    const int intPlaces = std::max(1, s.IntDigits);
    int exponent = 0;
    TDecimal mantissa = value;
    if (!value.IsZero()) {
        exponent = value.Exp10 - intPlaces;
        mantissa.Exp10 = intPlaces;
        mantissa.RoundTo(s.MaxDecimals);
        if (mantissa.Exp10 > intPlaces) {
            ++exponent;
            mantissa.Exp10 = intPlaces;
        }
    }
    TNumberSection fixed = s;
    fixed.MinIntDigits = std::max(1, s.MinIntDigits);
    QString out = FormatFixed(fixed, mantissa) + s.ExpChar;
    if (exponent < 0)
        out += u'-';
    else if (s.ExpAlwaysSigned)
        out += u'+';
    return out + QString::number(std::abs(exponent)).rightJustified(s.ExpDigits, u'0');
}

bool RoundsToZero(const TNumberSection& s, double value)
{
    if (s.Scientific)
        return value == 0;
    TDecimal d = TDecimal::FromDouble(value);
    d.RoundTo(s.MaxDecimals);
    return d.IsZero();
}

// "1.79769313486232e+308" -> "1.79769313486231e+308": the mantissa one unit
// of its last digit nearer to zero.
QString DecrementedLastDigit(QString text)
{
    qsizetype i = text.indexOf(u'e');
    while (--i >= 0) {
        const QChar c = text[i];
        if (c == u'.')
            continue;
        if (c < u'0' || c > u'9')
            break;
        if (c != u'0') {
            text[i] = QChar(c.unicode() - 1);
            break;
        }
        text[i] = u'9';
    }
    return text;
}

} // namespace

QString FloatToStr(double value)
{
    return FloatToStrGeneral(value, 15);
}

QString FloatToStrCurrency(double value, int digits)
{
    if (std::isnan(value) || std::isinf(value))
        return FloatToStr(value);
    const int decimals = std::clamp(digits, 0, 18);
    const QString amount = FormatFloat(
        decimals > 0 ? QStringLiteral("#,##0.") + QString(decimals, u'0') : QStringLiteral("#,##0"), std::fabs(value));
    const QString& symbol = FormatSettings.CurrencyString;
    // A value that rounds to zero is written without a sign.
    if (value >= 0 || std::round(std::fabs(value) * std::pow(10.0, decimals)) == 0) {
        switch (FormatSettings.CurrencyFormat) {
        case 1: return amount + symbol;
        case 2: return symbol + u' ' + amount;
        case 3: return amount + u' ' + symbol;
        default: return symbol + amount;
        }
    }
    switch (FormatSettings.NegCurrFormat) {
    case 0: return u'(' + symbol + amount + u')';
    case 1: return u'-' + symbol + amount;
    case 3: return symbol + amount + u'-';
    default: return symbol + u'-' + amount;
    }
}

QString FloatToStrGeneral(double value, int precision)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    QString s = QString::number(value, 'g', std::clamp(precision, 1, 15));
    // Rounded up past the largest double, the text would read back as an
    // overflow: such a value is written rounded toward zero instead.
    if (!std::isfinite(s.toDouble()))
        s = DecrementedLastDigit(s);
    const qsizetype e = s.indexOf(u'e');
    if (e < 0)
        return s;
    // "1.5e+20" -> "1.5E20", "1e-05" -> "1E-5"
    QString exponent = s.mid(e + 1);
    const bool negative = exponent.startsWith(u'-');
    exponent.remove(0, 1);
    while (exponent.size() > 1 && exponent.startsWith(u'0'))
        exponent.remove(0, 1);
    return s.left(e) + u'E' + (negative ? QStringLiteral("-") : QString()) + exponent;
}

QString FormatFloat(const QString& format, double value)
{
    if (std::isnan(value) || std::isinf(value) || format.isEmpty())
        return FloatToStr(value);
    const QStringList sections = SplitSections(format);
    const TNumberSection positive = ParseSection(sections[0]);
    const TNumberSection* section = &positive;
    TNumberSection negative;
    TNumberSection zero;
    bool writeMinus = value < 0;
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty()) {
        negative = ParseSection(sections[1]);
        section = &negative;
        writeMinus = false;
    }
    if (RoundsToZero(*section, value)) {
        writeMinus = false;
        if (sections.size() > 2 && !sections[2].isEmpty()) {
            zero = ParseSection(sections[2]);
            section = &zero;
        }
    }
    if (!section->HasDigits)
        return section->Prefix + section->Suffix;
    const TDecimal d = TDecimal::FromDouble(value);
    const QString number = section->Scientific ? FormatScientific(*section, d) : FormatFixed(*section, d);
    return (writeMinus ? QStringLiteral("-") : QString()) + section->Prefix + number + section->Suffix;
}

namespace {

const char* const ShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonthNames[] = {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November", "December"};
const char* const ShortDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const LongDayNames[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

int RunLength(const QString& format, qsizetype i)
{
    const QChar c = format[i].toLower();
    int n = 1;
    while (i + n < format.size() && format[i + n].toLower() == c)
        ++n;
    return n;
}

QString Padded(int value, int width)
{
    return QString::number(value).rightJustified(width, u'0');
}

void AppendDateTime(QString& out, const QString& format, const QDateTime& value, int depth)
{
    const QDate date = value.date();
    const QTime time = value.time();
    bool afterHour = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        const QChar lc = c.toLower();
        if (c == u'"' || c == u'\'') {
            const qsizetype end = format.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            out += format.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (format.mid(i, 5).compare(u"am/pm", Qt::CaseInsensitive) == 0) {
            out += time.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            i += 5;
            continue;
        }
        const int n = RunLength(format, i);
        switch (lc.unicode()) {
        case u'y':
            out += n <= 2 ? Padded(date.year() % 100, 2) : Padded(date.year(), 4);
            break;
        case u'm':
            if (afterHour && n <= 2) {
                out += Padded(time.minute(), n);
            } else if (n <= 2) {
                out += Padded(date.month(), n);
            } else {
                // An invalid date has no month to name.
                if (date.isValid())
                    out += QString::fromLatin1(n == 3 ? ShortMonthNames[date.month() - 1] : LongMonthNames[date.month() - 1]);
            }
            break;
        case u'd':
            if (n <= 2)
                out += Padded(date.day(), n);
            else if (n <= 4)
                out += date.isValid() ? QString::fromLatin1(n == 3 ? ShortDayNames[date.dayOfWeek() - 1] : LongDayNames[date.dayOfWeek() - 1])
                                      : QString();
            else if (depth == 0)
                AppendDateTime(out, FormatSettings.ShortDateFormat, value, depth + 1);
            break;
        case u'h':
            out += Padded(time.hour(), std::min(n, 2));
            break;
        case u'n':
            out += Padded(time.minute(), std::min(n, 2));
            break;
        case u's':
            out += Padded(time.second(), std::min(n, 2));
            break;
        case u'z':
            out += Padded(time.msec(), n >= 3 ? 3 : 1);
            break;
        case u'c':
            if (depth == 0) {
                AppendDateTime(out, FormatSettings.ShortDateFormat, value, depth + 1);
                if (time != QTime(0, 0)) {
                    out += u' ';
                    AppendDateTime(out, FormatSettings.LongTimeFormat, value, depth + 1);
                }
            }
            break;
        case u't':
            if (depth == 0)
                AppendDateTime(out, FormatSettings.LongTimeFormat, value, depth + 1);
            break;
        case u'/':
            out += QString(n, FormatSettings.DateSeparator);
            break;
        case u':':
            out += QString(n, FormatSettings.TimeSeparator);
            break;
        default:
            out += format.mid(i, n);
            break;
        }
        // "m" right after an hour (separators between them allowed) is minutes.
        if (lc.isLetter())
            afterHour = lc == u'h';
        i += n;
    }
}

} // namespace

QString FormatDateTime(const QString& format, const QDateTime& value)
{
    QString out;
    AppendDateTime(out, format.isEmpty() ? QStringLiteral("c") : format, value, 0);
    return out;
}

QString DateTimeToStr(const QDateTime& value)
{
    return FormatDateTime(QStringLiteral("c"), value);
}

QString DateToStr(const QDateTime& value)
{
    return FormatDateTime(FormatSettings.ShortDateFormat, value);
}

QString TimeToStr(const QDateTime& value)
{
    return FormatDateTime(FormatSettings.LongTimeFormat, value);
}

QDate NullDate()
{
    return QDate(1899, 12, 30);
}

bool TryStrToFloat(const QString& text, double& value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    QString normal = t;
    if (FormatSettings.DecimalSeparator != u'.')
        normal.replace(FormatSettings.DecimalSeparator, u'.');
    value = normal.toDouble(&ok);
    return ok;
}

double StrToFloat(const QString& text)
{
    double value = 0;
    if (!TryStrToFloat(text, value))
        throw EConvertError(u'\'' + text + QStringLiteral("' is not a valid floating point value"));
    return value;
}

bool TryStrToInt64(const QString& text, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    return ok;
}

qint64 StrToInt64(const QString& text)
{
    qint64 value = 0;
    if (!TryStrToInt64(text, value))
        throw EConvertError(u'\'' + text + QStringLiteral("' is not a valid integer value"));
    return value;
}

namespace {

bool ParseTime(const QString& text, QTime& time)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2})(?:\\.(\\d{1,3}))?)?$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const int ms = m.captured(4).isEmpty() ? 0 : m.captured(4).leftJustified(3, u'0').toInt();
    time = QTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), ms);
    return time.isValid();
}

bool ParseDate(const QString& text, QDate& date)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return date.isValid();
}

} // namespace

bool TryStrToDateTime(const QString& text, QDateTime& value)
{
    const QStringList parts = text.trimmed().split(u' ', Qt::SkipEmptyParts);
    QDate date;
    QTime time(0, 0);
    if (parts.size() == 1) {
        if (ParseDate(parts[0], date)) {
            value = QDateTime(date, time);
            return true;
        }
        if (ParseTime(parts[0], time)) {
            value = QDateTime(NullDate(), time);
            return true;
        }
        return false;
    }
    if (parts.size() == 2 && ParseDate(parts[0], date) && ParseTime(parts[1], time)) {
        value = QDateTime(date, time);
        return true;
    }
    return false;
}

QDateTime StrToDateTime(const QString& text)
{
    QDateTime value;
    if (!TryStrToDateTime(text, value))
        throw EConvertError(u'\'' + text + QStringLiteral("' is not a valid date and time"));
    return value;
}

QDateTime StrToDate(const QString& text)
{
    QDate date;
    if (!ParseDate(text.trimmed(), date))
        throw EConvertError(u'\'' + text + QStringLiteral("' is not a valid date"));
    return QDateTime(date, QTime(0, 0));
}

QDateTime StrToTime(const QString& text)
{
    QTime time;
    if (!ParseTime(text.trimmed(), time))
        throw EConvertError(u'\'' + text + QStringLiteral("' is not a valid time"));
    return QDateTime(NullDate(), time);
}
