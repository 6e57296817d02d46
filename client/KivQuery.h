#pragma once
// Request signing and the platform query layer of the data module: a
// platform method name with its fields, values and where template becomes
// one statement of the platform's query language, which is signed with the
// shop's secret, posted with KivHttp to SysRec.TqlUrl, and answered with the
// decoded reply. Also the MD5 digests of signatures and stored password
// hashes. Everything here runs on the GUI thread unless a comment says
// otherwise.
//
// A platform call never freezes the windows: its request runs on a thread of
// its own while the GUI thread goes on with its events, so windows repaint
// and take input meanwhile. Whoever calls must therefore expect anything to
// have happened when the call returns; long work the seller started holds
// its windows behind the modal progress window, and all long work can be
// stopped through a TPlatformCallStop.

#include "client/KivPlatformTexts.h"
#include "json/uQvJSON.h"
#include "platform/HttpClient.h"

#include <QDateTime>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

struct TTreeNodeShop;
struct TPlatformCallState;

// Stops the platform calls of one piece of work (a sync, a catch-up): a call
// under way ends at once, later ones fail without being made.
class TPlatformCallStop {
public:
    TPlatformCallStop();
    void Stop();
    bool Stopped() const;

private:
    friend class TPlatformCallScope;
    std::shared_ptr<TPlatformCallState> FState;
};

// While it lives, the platform calls of the GUI thread belong to the work of
// the stop (the innermost scope). A call whose wait the program cuts short
// (it is ending) stops that work too.
class TPlatformCallScope {
public:
    explicit TPlatformCallScope(TPlatformCallStop& stop);
    ~TPlatformCallScope();
    TPlatformCallScope(const TPlatformCallScope&) = delete;
    TPlatformCallScope& operator=(const TPlatformCallScope&) = delete;
};

// A new HTTP client set up as the data module's KivHttp (agent, types,
// proxy, time-outs), for a thread of its own.
std::unique_ptr<THttpClient> NewPlatformClient();

// Runs the request on a client set up as KivHttp, on a thread of its own,
// and returns its result when it is in; the GUI thread's events run
// meanwhile. Off the GUI thread it runs in place. On the GUI thread of a
// program that is ending (Terminated) nothing is sent: the result is
// aborted, and the work of the call stops.
THttpResult RunPlatformRequest(const std::function<THttpResult(THttpClient& client)>& request);

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

// Everything one query needs, taken on the GUI thread, so that it can be
// posted from any thread.
struct TTqlRequest {
    QString Url;
    QString SignMethod;
    QString AppKey;
    QString AppSecret;
    QString Session;
    QString Statement;
    bool SendSession = false;
};
TTqlRequest MakeTqlRequest(const QString& statement, bool sendSession, const TTreeNodeShop& shop);
// Any thread: signs and posts the request with the client.
THttpResult PostTql(THttpClient& client, const TTqlRequest& request);
// The reply's text: URL-decoded and read as UTF-8; empty for a failed call.
QString TqlReplyText(const THttpResult& result);


// A reply as the callers read it: whether the platform answered at all (a
// reply came back, an error reply included), and its JSON tree (none for a
// reply that is no JSON).
struct TTqlReply {
    bool Answered = false;
    std::unique_ptr<TqvJSONbase> Root;
    // The root object's member of that name, when it is an object.
    const TqvJSONobject* Member(QStringView name) const;
};
// Any thread: decodes the reply (as TqlReplyText does) and parses it.
TTqlReply ParseTqlReply(const THttpResult& result);
// BuildAndSendTql, the reply decoded and parsed on the call's own thread: a
// reply of many megabytes holds up no window while it is read.
TTqlReply QueryTql(const QString& method, const QString& fields, const QString& values, const QString& whereTemplate,
                   const QString& whereValues, const TTreeNodeShop& shop);

// One reading of the platform's clock: the second it said, and when, on
// this computer's steady clock, the call that asked was sent and answered.
// Time since a reading is counted on the steady clock only: the wall clock
// may be set meanwhile. The platform's clock had surely reached the second
// it said when the call was answered, and goes on from there.
struct TPlatformReading {
    using TInstant = std::chrono::steady_clock::time_point;
    QString Said;
    TInstant Sent;
    TInstant Answered;
    // How the call failed when there is no reading.
    TPlatformFailure Failure;

    bool IsValid() const { return !Said.isEmpty(); }
    // The latest second that the platform's clock had surely reached at the
    // instant, moved by shiftSecs; empty for no reading.
    QString SurelyReachedAt(TInstant at, qint64 shiftSecs = 0) const;
    // The instant by which the platform's clock has surely reached the
    // moment (the answer's instant for a moment it had reached then).
    TInstant WhenSurelyReached(const QString& moment) const;
};

// Reads the platform's clock for the shop ("taobao.time.get"); an invalid
// reading, with how the call failed, when there is none (no reply, an error
// reply, or a reply that does not parse).
TPlatformReading ReadPlatformClock(const TTreeNodeShop& shop);
// The platform's time ("yyyy-mm-dd hh:mm:ss") as ReadPlatformClock reads it,
// or empty.
QString GetServerTime(const TTreeNodeShop& shop);
// The last valid reading taken in this run (by either), or an invalid one.
TPlatformReading LastPlatformReading();
