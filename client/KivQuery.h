#pragma once
// Request signing and the platform query layer of the data module: MD5
// digests for signatures and stored password hashes.

#include <QString>

// MD5 of the UTF-8 form of the text, as 32 upper-case hexadecimal digits.
QString Md5Hex(const QString& text);

// The stored form of a password: empty for an empty password, else
// Md5Hex of the user code followed directly by the password.
QString PasswordHash(const QString& userCode, const QString& password);
