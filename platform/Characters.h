#pragma once
// Characters as a database's UTF8 text column counts them: one per Unicode
// code point, so a character beyond the BMP (two QChars) is one. Every
// length limit of a text column is counted so (the column's declared
// length, the field's size, what an edit takes).

#include <QString>
#include <QStringView>

// The characters of a text as a UTF8 column counts them.
int CharacterCount(QStringView text);

// The text cut to at most length characters, between two characters as a
// reader sees them: never inside a surrogate pair, nor between a letter and
// its combining marks or the halves of a flag. A text that fits is returned
// as it is.
QString CutToCharacters(const QString& text, int length);
