#pragma once
// Reads the cell texts back out of an RTF table, as a word processor would
// show them: control words interpreted, escapes and \uN decoded (skipping
// the fallback), the font and colour tables left out. Qt has no RTF reader of
// its own, so the tests check the grid's RTF through this one. It also
// checks that the braces balance and that no font size is below one.

#include <QByteArray>
#include <QStringList>
#include <vector>

struct TRtfReadResult {
    bool Balanced = false;
    bool Rtf1 = false;
    bool FontSizesPositive = true;
    std::vector<QStringList> Rows;
};

TRtfReadResult ReadRtfTable(const QByteArray& Rtf);
