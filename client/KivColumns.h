#pragma once
// The text columns as the database declares them: how many characters each
// holds, and texts cut to fit one. A UTF8 column counts Unicode code points,
// so a character beyond the BMP (two QChars) is one character there.

#include <QString>
#include <QStringView>

// The characters of a text as a UTF8 column counts them.
int CharacterCount(QStringView text);

// The text cut to at most length characters, between two characters as a
// reader sees them: never inside a surrogate pair, nor between a letter and
// its combining marks or the halves of a flag. A text that fits is returned
// as it is.
QString CutToCharacters(const QString& text, int length);

// The declared length in characters of a text column (CHAR or VARCHAR) of a
// table; 0 when the table has no such text column. Each table's columns are
// read from the database's catalogue once while the data module lives.
// Raises the database's errors.
int TextColumnLength(const QString& table, const QString& column);
