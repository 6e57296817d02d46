#include "platform/StringList.h"

#include "platform/Exceptions.h"

#include <algorithm>

namespace {

bool IsBlankOrControl(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= u' ';
}

// Reads a quoted item that starts at text[pos] (the opening quote) and
// returns it with doubled quotes made single; pos ends after the closing
// quote, or at the end when the quote is never closed.
QString ExtractQuoted(const QString& text, qsizetype& pos, QChar quote)
{
    QString result;
    ++pos;
    const qsizetype n = text.size();
    while (pos < n) {
        const QChar c = text[pos];
        if (c == quote) {
            if (pos + 1 < n && text[pos + 1] == quote) {
                result += quote;
                pos += 2;
                continue;
            }
            ++pos;
            return result;
        }
        result += c;
        ++pos;
    }
    return result;
}

void SkipBlanks(const QString& text, qsizetype& pos)
{
    while (pos < text.size() && IsBlankOrControl(text[pos]))
        ++pos;
}

} // namespace

QStringList SplitDelimitedText(const QString& text, QChar delimiter, QChar quote)
{
    QStringList items;
    // A NUL character ends the text, as it ends the class library's C string.
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    const QString src = nul >= 0 ? text.left(nul) : text;
    qsizetype pos = 0;
    const qsizetype n = src.size();
    SkipBlanks(src, pos);
    while (pos < n) {
        if (src[pos] == quote) {
            items << ExtractQuoted(src, pos, quote);
        } else {
            const qsizetype start = pos;
            while (pos < n && src[pos] > u' ' && src[pos] != delimiter)
                ++pos;
            items << src.mid(start, pos - start);
        }
        SkipBlanks(src, pos);
        if (pos < n && src[pos] == delimiter) {
            if (pos + 1 == n)
                items << QString();
            do {
                ++pos;
            } while (pos < n && IsBlankOrControl(src[pos]));
        }
    }
    return items;
}

QStringList SplitCommaText(const QString& text)
{
    return SplitDelimitedText(text, u',', u'"');
}

QString QuotedText(const QString& text, QChar quote)
{
    QString doubled = text;
    doubled.replace(quote, QString(2, quote));
    return quote + doubled + quote;
}

QString JoinDelimitedText(const QStringList& items, QChar delimiter, QChar quote)
{
    if (items.size() == 1 && items.front().isEmpty())
        return QString(2, quote);
    QStringList parts;
    parts.reserve(items.size());
    for (const QString& s : items) {
        bool needsQuotes = false;
        for (const QChar c : s) {
            if (c <= u' ' || c == quote || c == delimiter) {
                needsQuotes = true;
                break;
            }
        }
        parts << (needsQuotes ? QuotedText(s, quote) : s);
    }
    return parts.join(delimiter);
}

QString JoinCommaText(const QStringList& items)
{
    return JoinDelimitedText(items, u',', u'"');
}

const QString& TStringList::operator[](int index) const
{
    CheckIndex(index);
    return FItems[index];
}

void TStringList::Put(int index, const QString& value)
{
    CheckIndex(index);
    if (FSorted)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    FItems[index] = value;
}

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

int TStringList::CompareStrings(const QString& a, const QString& b) const
{
    return a.compare(b, CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

int TStringList::Add(const QString& s)
{
    if (!FSorted) {
        FItems.append(s);
        return Count() - 1;
    }
    int index = 0;
    if (Find(s, index)) {
        switch (Duplicates) {
        case TDuplicates::dupIgnore:
            return index;
        case TDuplicates::dupError:
            throw EListError(QStringLiteral("String list does not allow duplicates"));
        case TDuplicates::dupAccept:
            break;
        }
    }
    FItems.insert(index, s);
    return index;
}

void TStringList::Insert(int index, const QString& s)
{
    if (FSorted)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    if (index < 0 || index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    FItems.insert(index, s);
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    FItems.removeAt(index);
}

int TStringList::IndexOf(const QString& s) const
{
    if (FSorted) {
        int index = 0;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(FItems[i], s) == 0)
            return i;
    return -1;
}

void TStringList::SetSorted(bool value)
{
    if (value == FSorted)
        return;
    FSorted = value;
    if (!FSorted)
        return;
    std::stable_sort(FItems.begin(), FItems.end(),
                     [this](const QString& a, const QString& b) { return CompareStrings(a, b) < 0; });
}

bool TStringList::Find(const QString& s, int& index) const
{
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int c = CompareStrings(FItems[middle], s);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != TDuplicates::dupAccept)
                    low = middle;
            }
        }
    }
    index = low;
    return found;
}

QString TStringList::CommaText() const
{
    return JoinCommaText(FItems);
}

void TStringList::SetCommaText(const QString& text)
{
    Clear();
    for (const QString& s : SplitCommaText(text))
        Add(s);
}

QString TStringList::DelimitedText() const
{
    return JoinDelimitedText(FItems, Delimiter, QuoteChar);
}

void TStringList::SetDelimitedText(const QString& text)
{
    Clear();
    for (const QString& s : SplitDelimitedText(text, Delimiter, QuoteChar))
        Add(s);
}

QString TStringList::Text() const
{
    QString result;
    for (const QString& s : FItems)
        result += s + QStringLiteral("\r\n");
    return result;
}

void TStringList::SetText(const QString& text)
{
    Clear();
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        const qsizetype start = pos;
        while (pos < n && text[pos] != u'\r' && text[pos] != u'\n')
            ++pos;
        Add(text.mid(start, pos - start));
        if (pos < n && text[pos] == u'\r')
            ++pos;
        if (pos < n && text[pos] == u'\n')
            ++pos;
    }
}

int TStringList::IndexOfName(const QString& name) const
{
    for (int i = 0; i < Count(); ++i) {
        const qsizetype eq = FItems[i].indexOf(u'=');
        if (eq >= 0 && QStringView(FItems[i]).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TStringList::Names(int index) const
{
    const QString& s = (*this)[index];
    const qsizetype eq = s.indexOf(u'=');
    return eq >= 0 ? s.left(eq) : QString();
}

QString TStringList::ValueFromIndex(int index) const
{
    const QString& s = (*this)[index];
    const qsizetype eq = s.indexOf(u'=');
    return eq >= 0 ? s.mid(eq + 1) : QString();
}

QString TStringList::Values(const QString& name) const
{
    const int i = IndexOfName(name);
    return i >= 0 ? ValueFromIndex(i) : QString();
}

void TStringList::SetValue(const QString& name, const QString& value)
{
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    if (i >= 0) {
        FItems[i] = name + u'=' + value;
    } else {
        Add(name + u'=' + value);
    }
}
