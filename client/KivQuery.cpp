#include "client/KivQuery.h"

#include "client/KivDataM.h"
#include "json/uQvJSON.h"
#include "platform/HttpClient.h"
#include "platform/StringList.h"
#include "platform/UrlDecode.h"

#include <QCryptographicHash>

namespace {

QString WithoutDollars(QString text)
{
    return text.remove(u'$');
}

} // namespace

QString Md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

QString PasswordHash(const QString& userCode, const QString& password)
{
    return password.isEmpty() ? QString() : Md5Hex(userCode + password);
}

void SplitApiMethod(const QString& method, QString& verb, QString& object)
{
    const qsizetype first = method.indexOf(u'.');
    // The search for the last dot stops at the second character.
    const qsizetype last = method.lastIndexOf(u'.');
    if (first < 0 || last < 1)
        return;
    verb = method.mid(last + 1);
    object = last > first ? method.mid(first + 1, last - first - 1) : QString();
}

QString VerbToTqlKeyword(const QString& verb)
{
    if (verb == u"get")
        return QStringLiteral("select");
    if (verb == u"delete")
        return QStringLiteral("delete");
    if (verb == u"update" || verb == u"set")
        return QStringLiteral("update");
    if (verb == u"add" || verb == u"upload" || verb == u"publish" || verb == u"create")
        return QStringLiteral("insert");
    return QString();
}

QString ExpandPlaceholders(const QString& text)
{
    QString result;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype close = text.indexOf(u']', pos);
        if (close < 0)
            break;
        // The name runs from the nearest "[" before the "]".
        const qsizetype open = text.lastIndexOf(u'[', close);
        if (open < pos) {
            result += text.mid(pos, close + 1 - pos);
        } else {
            result += text.mid(pos, open - pos);
            const QString name = text.mid(open + 1, close - open - 1);
            result += name.compare(u"nick", Qt::CaseInsensitive) == 0 ? SysRec.UserCode : text.mid(open, close + 1 - open);
        }
        pos = close + 1;
    }
    return result + text.mid(pos);
}

QString ExpandList(const QString& commaText)
{
    QStringList items = SplitCommaText(commaText);
    for (QString& item : items)
        item = ExpandPlaceholders(item);
    return items.join(u',');
}

QString FillWhereClause(const QString& whereTemplate, const QString& values)
{
    QString where = WithoutDollars(whereTemplate);
    qsizetype pos = 0;
    for (const QString& item : SplitCommaText(WithoutDollars(values))) {
        const qsizetype mark = where.indexOf(u'?', pos);
        if (mark < 0)
            break;
        const QString value = ExpandPlaceholders(item);
        where.replace(mark, 1, value);
        pos = mark + value.size();
    }
    return where;
}

TTqlStatement BuildTql(const QString& method, const QString& fields, const QString& values,
                       const QString& whereTemplate, const QString& whereValues)
{
    QString verb;
    QString object;
    SplitApiMethod(method, verb, object);
    const QString keyword = VerbToTqlKeyword(verb);
    const bool fieldsAskSession = fields.contains(u'$');
    TTqlStatement statement;
    if (keyword == u"select") {
        statement = {keyword + u' ' + WithoutDollars(fields) + QStringLiteral(" from ") + object, fieldsAskSession};
    } else if (keyword == u"delete") {
        statement = {keyword + QStringLiteral(" from ") + object, whereTemplate.contains(u'$')};
    } else if (keyword == u"update") {
        const QStringList names = SplitCommaText(WithoutDollars(fields));
        const QStringList items = SplitCommaText(WithoutDollars(values));
        if (items.size() < names.size())
            return {};
        QStringList pieces;
        for (qsizetype i = 0; i < names.size(); ++i)
            pieces << QString(names[i]).replace(u'?', ExpandPlaceholders(items[i]));
        statement = {keyword + u' ' + object + QStringLiteral(" set ") + pieces.join(u','), fieldsAskSession};
    } else if (keyword == u"insert") {
        // An insert takes no where clause.
        return {keyword + QStringLiteral(" into ") + object + u'(' + WithoutDollars(fields) + QStringLiteral(") values(") +
                    ExpandList(values) + u')',
                fieldsAskSession};
    } else {
        return {};
    }
    if (!whereTemplate.isEmpty())
        statement.Text += QStringLiteral(" where ") + FillWhereClause(whereTemplate, whereValues);
    return statement;
}

QString BuildAndSendTql(const QString& method, const QString& fields, const QString& values,
                        const QString& whereTemplate, const QString& whereValues, const TTreeNodeShop& shop)
{
    const TTqlStatement statement = BuildTql(method, fields, values, whereTemplate, whereValues);
    // Nothing is posted for a statement that could not be built.
    if (statement.Text.isEmpty())
        return QString();
    return SendTql(statement.Text, statement.SendSession, shop);
}

QString TqlSignText(const QString& statement, bool sendSession, const TTreeNodeShop& shop)
{
    QString text = shop.AppSecret + QStringLiteral("app_key") + shop.AppKey + QStringLiteral("ql") + statement;
    if (sendSession)
        text += QStringLiteral("session") + shop.Session;
    return text + QStringLiteral("sign_method") + SysRec.SignMethod + shop.AppSecret;
}

QString SendTql(const QString& statement, bool sendSession, const TTreeNodeShop& shop)
{
    if (!KivDM)
        return QString();
    THttpFormFields fields{{QStringLiteral("ql"), statement},
                           {QStringLiteral("sign"), Md5Hex(TqlSignText(statement, sendSession, shop))},
                           {QStringLiteral("app_key"), shop.AppKey}};
    if (sendSession)
        fields.emplace_back(QStringLiteral("session"), shop.Session);
    fields.emplace_back(QStringLiteral("sign_method"), SysRec.SignMethod);
    const THttpResult result = KivDM->KivHttp->Post(SysRec.TqlUrl, fields);
    // Failures of the platform call are silent: the caller gets no reply.
    if (!result.Ok)
        return QString();
    return UrlDecode(result.Body);
}

QString GetServerTime(const TTreeNodeShop& shop)
{
    const QString reply = BuildAndSendTql(QStringLiteral("taobao.time.get"), QStringLiteral("time"), QString(), QString(),
                                          QString(), shop);
    if (reply.isEmpty())
        return QString();
    const std::unique_ptr<TqvJSONbase> root = TqvJSON::ParseText(reply.toUtf8());
    const auto* object = qvJSONcast<TqvJSONobject>(root.get());
    const auto* response = object ? qvJSONcast<TqvJSONobject>(object->Field(u"time_get_response")) : nullptr;
    const TqvJSONbase* time = response ? response->Field(u"time") : nullptr;
    if (const auto* text = qvJSONcast<TqvJSONstring>(time))
        return text->Value();
    if (const auto* number = qvJSONcast<TqvJSONnumber>(time))
        return number->LiteralText();
    return QString();
}
