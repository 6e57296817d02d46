#pragma once
// The text columns as the database declares them: how many characters each
// holds (counted as platform/Characters counts them: a UTF8 column counts
// Unicode code points, so a character beyond the BMP is one there).

#include "platform/Characters.h"

#include <QString>

// The declared length in characters of a text column (CHAR or VARCHAR) of a
// table; 0 when the table has no such text column. Each table's columns are
// read from the database's catalogue once while the data module lives.
// Raises the database's errors.
int TextColumnLength(const QString& table, const QString& column);
