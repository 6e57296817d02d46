#pragma once
// Value formatting: the one place where numbers and dates become text and
// text becomes numbers and dates again. The rules follow the class library's
// FormatFloat and FormatDateTime, with the program's own settings: short
// date "yyyy-mm-dd", long time "hh:nn:ss", '.' as the decimal separator.
//
// Number formats (FormatFloat): up to three sections separated by ';' (for
// positive, negative and zero values). In a section '0' is a digit that is
// always written, '#' a digit written only when significant, '.' the decimal
// point, ',' anywhere before it asks for thousands separators, "E+00" /
// "E-00" a scientific exponent; text in single or double quotes and any other
// character are copied as they stand. So "#" writes zero as nothing, "#行"
// writes 5 as "5行", "0.00" always two decimals, "#,##0" groups thousands.
//
// Date formats (FormatDateTime): y, yy, yyyy; m, mm, mmm, mmmm (minutes right
// after an hour); d, dd, ddd, dddd; h, hh; n, nn; s, ss; z, zzz; am/pm; c
// (short date, then the long time unless it is midnight); '/' the date
// separator and ':' the time separator; quoted text is copied.

#include <QChar>
#include <QDateTime>
#include <QString>

struct TFormatSettings {
    QString ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QChar DateSeparator = u'-';
    QChar TimeSeparator = u':';
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
    // Money as the system writes it: the symbol before the amount, a minus
    // between them, two decimals.
    QString CurrencyString = QStringLiteral("¥");
    int CurrencyDecimals = 2;
    // 0 "¥1", 1 "1¥", 2 "¥ 1", 3 "1 ¥".
    int CurrencyFormat = 0;
    // 0 "(¥1)", 1 "-¥1", 2 "¥-1", 3 "¥1-".
    int NegCurrFormat = 2;
};

// The program's settings; the data module sets them once at start.
extern TFormatSettings FormatSettings;

// The general float format: at most 15 significant digits, no trailing
// zeros, scientific ("1.5E20", "1E-5") only for very large or small values.
QString FloatToStr(double value);
// The general format with at most Precision significant digits (1..15).
QString FloatToStrGeneral(double value, int precision);
// The currency format: thousands grouped, Digits decimals, the currency
// symbol placed by the settings.
QString FloatToStrCurrency(double value, int digits);
QString FormatFloat(const QString& format, double value);

QString FormatDateTime(const QString& format, const QDateTime& value);
// Short date, then the long time unless the time is midnight.
QString DateTimeToStr(const QDateTime& value);
QString DateToStr(const QDateTime& value);
QString TimeToStr(const QDateTime& value);

// Parsing; leading and trailing blanks are ignored. The Str* forms raise
// EConvertError naming the text.
bool TryStrToFloat(const QString& text, double& value);
double StrToFloat(const QString& text);
bool TryStrToInt64(const QString& text, qint64& value);
qint64 StrToInt64(const QString& text);
// Dates as "yyyy-m-d" (or with '/'), optionally followed by a time
// "h:n[:s[.zzz]]"; a time alone lies on the null date 1899-12-30.
bool TryStrToDateTime(const QString& text, QDateTime& value);
QDateTime StrToDateTime(const QString& text);
QDateTime StrToDate(const QString& text);
QDateTime StrToTime(const QString& text);

// The day that a time-only value lies on.
QDate NullDate();
