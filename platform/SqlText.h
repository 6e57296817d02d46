#pragma once
// The one place where values and names enter SQL text. Every statement of the
// program is composed as text; every text value passes through QuotedStr, and
// a number is written bare only after IsSqlInteger or IsSqlNumber said it is one.

#include <QString>

// 'text' with every single quote doubled: safe for any text, Firebird gives
// the backslash no meaning. NUL characters are left out (the engine would
// end the statement at one).
QString QuotedStr(const QString& text);

// "Name" with every double quote doubled: a mixed-case identifier.
QString QuotedName(const QString& name);

// An optional sign and decimal digits only, nothing else (no blanks).
bool IsSqlInteger(const QString& text);
// An integer, optionally with a fraction and a decimal exponent, as JSON
// writes numbers: safe to write bare.
bool IsSqlNumber(const QString& text);

// The text when it is an integer; else raises EConvertError naming it.
QString SqlInteger(const QString& text);
