#pragma once
// Request signing and the platform query layer of the data module: a
// platform method name with its fields, values and where template becomes
// one statement of the platform's query language, which is signed with the
// shop's secret, posted with KivHttp to SysRec.TqlUrl, and answered with the
// decoded reply. Also the MD5 digests of signatures and stored password
// hashes. Everything here runs on the GUI thread.

#include <QString>

struct TTreeNodeShop;

// MD5 of the UTF-8 form of the text, as 32 upper-case hexadecimal digits.
QString Md5Hex(const QString& text);

// The stored form of a password: empty for an empty password, else
// Md5Hex of the user code followed directly by the password.
QString PasswordHash(const QString& userCode, const QString& password);

// "taobao.items.onsale.get" gives the verb "get" and the object
// "items.onsale". A single dot gives the tail as the verb and an empty
// object; without a dot (or with a dot only in front) both stay as they were.
void SplitApiMethod(const QString& method, QString& verb, QString& object);

// "get" -> "select", "delete" -> "delete", "update"/"set" -> "update",
// "add"/"upload"/"publish"/"create" -> "insert"; any other verb -> empty.
QString VerbToTqlKeyword(const QString& verb);

// Replaces every "[nick]" (in any case) by the logged-in user's code.
// Other bracketed names stay as they stand, and inserted text is not
// searched again.
QString ExpandPlaceholders(const QString& text);

// The items of a comma text, each expanded, joined with ",".
QString ExpandList(const QString& commaText);

// The template without "$", with the i-th item of the comma text of values
// (expanded, bare) in place of the i-th "?"; surplus values are ignored,
// and a "?" inside an inserted value is never taken for a placeholder.
QString FillWhereClause(const QString& whereTemplate, const QString& values);

// A statement and whether the shop's session goes with it. An empty text
// means that no statement could be built (an unknown verb, or an update
// with fewer values than fields).
struct TTqlStatement {
    QString Text;
    bool SendSession = false;
};
// A "$" in the field list (or, for a delete, in the where template) asks for
// the session; every "$" is removed from the statement.
TTqlStatement BuildTql(const QString& method, const QString& fields, const QString& values,
                       const QString& whereTemplate, const QString& whereValues);

// Builds the statement and sends it; the reply, or empty.
QString BuildAndSendTql(const QString& method, const QString& fields, const QString& values,
                        const QString& whereTemplate, const QString& whereValues, const TTreeNodeShop& shop);

// Signs and posts the statement. Network and HTTP failures give an empty
// reply (never an exception); a reply of the platform, an error reply
// included, comes back URL-decoded and read as UTF-8.
QString SendTql(const QString& statement, bool sendSession, const TTreeNodeShop& shop);

// The text that SendTql signs.
QString TqlSignText(const QString& statement, bool sendSession, const TTreeNodeShop& shop);

// The platform's time ("yyyy-mm-dd hh:mm:ss"), or empty when there is none
// (no reply, an error reply, or a reply that does not parse).
QString GetServerTime(const TTreeNodeShop& shop);
