#include "platform/SqlText.h"

#include "platform/Exceptions.h"
#include "platform/StringList.h"

namespace {

// The engine takes a statement as a C string: a NUL inside a literal would
// end the statement there. No text of ours means anything by one.
QString WithoutNul(const QString& text)
{
    return text.contains(QChar(u'\0')) ? QString(text).remove(QChar(u'\0')) : text;
}

} // namespace

QString QuotedStr(const QString& text)
{
    return QuotedText(WithoutNul(text), u'\'');
}

QString QuotedName(const QString& name)
{
    return QuotedText(WithoutNul(name), u'"');
}

bool IsSqlInteger(const QString& text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    return true;
}

bool IsSqlNumber(const QString& text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto digits = [&] {
        const qsizetype start = i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i > start;
    };
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    if (!digits())
        return false;
    if (i < n && text[i] == u'.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'-' || text[i] == u'+'))
            ++i;
        if (!digits())
            return false;
    }
    return i == n;
}

QString SqlInteger(const QString& text)
{
    if (!IsSqlInteger(text))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return text;
}
