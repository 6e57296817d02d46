#include "client/KivQuery.h"

#include <QCryptographicHash>

QString Md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

QString PasswordHash(const QString& userCode, const QString& password)
{
    return password.isEmpty() ? QString() : Md5Hex(userCode + password);
}
