#include "RtfTextReader.h"

#include <QChar>

TRtfReadResult ReadRtfTable(const QByteArray& Rtf)
{
    TRtfReadResult result;
    result.Rtf1 = Rtf.startsWith("{\\rtf1");
    std::vector<bool> skipped{false}; // per open group: inside a table of fonts or colours
    std::vector<int> skipCounts{1};   // \ucN per group
    QStringList row;
    QString cell;
    std::u16string units;
    int pendingSkip = 0;
    int depth = 0;
    auto flush = [&] {
        cell += QString::fromStdU16String(units);
        units.clear();
    };
    const qsizetype n = Rtf.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = Rtf[i];
        if (c == '{') {
            ++depth;
            skipped.push_back(skipped.back());
            skipCounts.push_back(skipCounts.back());
            continue;
        }
        if (c == '}') {
            if (--depth < 0 || skipped.size() < 2)
                return result;
            skipped.pop_back();
            skipCounts.pop_back();
            continue;
        }
        if (c == '\r' || c == '\n')
            continue;
        const bool inTable = skipped.back();
        if (c != '\\') {
            if (pendingSkip > 0) {
                --pendingSkip;
            } else if (!inTable) {
                flush();
                cell += QChar::fromLatin1(c);
            }
            continue;
        }
        if (++i >= n)
            return result;
        const char e = Rtf[i];
        if (e == '\\' || e == '{' || e == '}') {
            if (!inTable) {
                flush();
                cell += QChar::fromLatin1(e);
            }
            continue;
        }
        if (e == '\'') {
            const int code = Rtf.mid(i + 1, 2).toInt(nullptr, 16);
            i += 2;
            if (pendingSkip > 0)
                --pendingSkip;
            else if (!inTable)
                cell += QChar(code);
            continue;
        }
        qsizetype j = i;
        while (j < n && std::isalpha(static_cast<unsigned char>(Rtf[j])))
            ++j;
        const QByteArray word = Rtf.mid(i, j - i);
        qsizetype k = j;
        if (k < n && (Rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(Rtf[k]))))
            ++k;
        while (k < n && std::isdigit(static_cast<unsigned char>(Rtf[k])))
            ++k;
        const bool hasNumber = k > j;
        const int number = Rtf.mid(j, k - j).toInt();
        i = (k < n && Rtf[k] == ' ') ? k : k - 1;
        pendingSkip = 0;
        if (word == "fonttbl" || word == "colortbl")
            skipped.back() = true;
        else if (word == "fs" && (!hasNumber || number < 1))
            result.FontSizesPositive = false;
        else if (word == "uc")
            skipCounts.back() = number;
        else if (inTable)
            continue;
        else if (word == "u") {
            units.push_back(char16_t(qint16(number)));
            pendingSkip = skipCounts.back();
        } else if (word == "line") {
            flush();
            cell += u'\n';
        } else if (word == "tab") {
            flush();
            cell += u'\t';
        } else if (word == "cell") {
            flush();
            row << cell;
            cell.clear();
        } else if (word == "row") {
            result.Rows.push_back(row);
            row.clear();
        }
    }
    result.Balanced = depth == 0;
    return result;
}
