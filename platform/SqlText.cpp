#include "platform/SqlText.h"

#include "platform/Exceptions.h"
#include "platform/StringList.h"

QString QuotedStr(const QString& text)
{
    return QuotedText(text, u'\'');
}

QString QuotedName(const QString& name)
{
    return QuotedText(name, u'"');
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
