#include "client/KivPlatformTexts.h"

#include "client/KivQuery.h"
#include "json/uQvJSON.h"

TPlatformFailure FailureOf(const TTqlReply& reply)
{
    return {reply.Answered, PlatformErrorText(qvJSONcast<TqvJSONobject>(reply.Root.get()))};
}

QString PlatformErrorText(const TqvJSONobject* root)
{
    const auto* error = root ? qvJSONcast<TqvJSONobject>(root->Field(u"error_response")) : nullptr;
    if (!error)
        return QString();
    const auto text = [&](QStringView name) {
        const TqvJSONbase* member = error->Field(name);
        if (const auto* string = qvJSONcast<TqvJSONstring>(member))
            return string->Value();
        if (const auto* number = qvJSONcast<TqvJSONnumber>(member))
            return number->LiteralText();
        return QString();
    };
    QString message = text(u"msg");
    if (const QString sub = text(u"sub_msg"); !sub.isEmpty())
        message += QStringLiteral("（") + sub + QStringLiteral("）");
    if (const QString code = text(u"code"); !code.isEmpty())
        message += QStringLiteral(" [") + code + u']';
    return message;
}

QString PlatformRefusal(const QString& words)
{
    return QStringLiteral("淘宝平台拒绝了请求（") + words + QStringLiteral("）");
}

QString PlatformFailureReason(const TPlatformFailure& failure)
{
    if (!failure.Answered)
        return QStringLiteral("无法连接淘宝平台，请检查网络和系统参数后重试");
    if (failure.Words.isEmpty())
        return QStringLiteral("淘宝平台的应答无法识别");
    return PlatformRefusal(failure.Words) + QStringLiteral("，请检查“设置店铺”中店铺的AppKey、AppSecret和Session后重试");
}

QString PlatformFailedText(const QString& what, const TPlatformFailure& failure)
{
    return what + QStringLiteral("失败：") + PlatformFailureReason(failure) + QStringLiteral("！");
}

QString PlatformUnreachableText(const QString& what)
{
    return PlatformFailedText(what, TPlatformFailure{});
}
