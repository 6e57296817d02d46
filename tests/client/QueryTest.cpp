#include "client/KivQuery.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>

TEST(Md5Hex, DigestsUtf8BytesInUpperCase)
{
    EXPECT_EQ(Md5Hex(QString()), QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_EQ(Md5Hex(u"abc"_qs), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    // "中" is E4 B8 AD in UTF-8; its GBK bytes D6 D0 would give another digest.
    EXPECT_EQ(Md5Hex(u"中"_qs), QString::fromLatin1(QCryptographicHash::hash("\xE4\xB8\xAD", QCryptographicHash::Md5).toHex().toUpper()));
    EXPECT_NE(Md5Hex(u"中"_qs), QString::fromLatin1(QCryptographicHash::hash("\xD6\xD0", QCryptographicHash::Md5).toHex().toUpper()));
}

TEST(PasswordHash, EmptyPasswordIsEmptyHash)
{
    EXPECT_EQ(PasswordHash(u"admin"_qs, QString()), QString());
    EXPECT_EQ(PasswordHash(u"张三"_qs, QString()), QString());
    EXPECT_EQ(PasswordHash(u"user"_qs, u"pw"_qs), Md5Hex(u"userpw"_qs));
}
