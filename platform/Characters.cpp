#include "platform/Characters.h"

#include <QTextBoundaryFinder>
#include <algorithm>

int CharacterCount(QStringView text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count)
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    return count;
}

QString CutToCharacters(const QString& text, int length)
{
    // The QChar position after `length` code points.
    qsizetype end = 0;
    for (int count = 0; end < text.size() && count < std::max(0, length); ++count)
        end += text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate() ? 2 : 1;
    if (end >= text.size())
        return text;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    characters.setPosition(end);
    if (!characters.isAtBoundary())
        end = std::max<qsizetype>(0, characters.toPreviousBoundary());
    return text.left(end);
}
