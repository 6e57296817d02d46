#include "client/KivQuery.h"

#include "client/KivDataM.h"
#include "json/uQvJSON.h"
#include "platform/Application.h"
#include "platform/HttpClient.h"
#include "platform/StringList.h"
#include "platform/UrlDecode.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QThread>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

// The work a call belongs to: stopped or not, and the client of its call
// under way, which a stop aborts.
struct TPlatformCallState {
    std::atomic<bool> Stopped{false};
    std::mutex Lock;
    THttpClient* InFlight = nullptr;
};

namespace {

QString WithoutDollars(QString text)
{
    return text.remove(u'$');
}

// GUI thread: the scopes of the work under way, innermost last.
std::vector<std::shared_ptr<TPlatformCallState>>& CallScopes()
{
    static std::vector<std::shared_ptr<TPlatformCallState>> scopes;
    return scopes;
}

// GUI thread: clients between calls. A call made while another waits (an
// event of its wait started it) takes a client of its own.
std::vector<std::unique_ptr<THttpClient>>& IdleClients()
{
    static std::vector<std::unique_ptr<THttpClient>> clients;
    return clients;
}

// GUI thread: the last valid reading of the platform's clock.
TPlatformReading LastReading;

bool OnGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Runs the request on a thread of its own; the GUI thread's events run until
// it is in. False when the wait was cut short (the program is ending): the
// request was aborted then.
bool RunBesideEvents(THttpClient& client, const std::function<THttpResult(THttpClient&)>& request, THttpResult& result)
{
    QEventLoop loop;
    QObject receiver;
    bool done = false;
    std::thread worker([&] {
        result = request(client);
        QMetaObject::invokeMethod(
            &receiver,
            [&] {
                done = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    loop.exec();
    if (!done)
        client.Abort();
    worker.join();
    return done;
}

} // namespace

TPlatformCallStop::TPlatformCallStop() : FState(std::make_shared<TPlatformCallState>()) {}

void TPlatformCallStop::Stop()
{
    FState->Stopped = true;
    const std::lock_guard lock(FState->Lock);
    if (FState->InFlight)
        FState->InFlight->Abort();
}

bool TPlatformCallStop::Stopped() const
{
    return FState->Stopped.load();
}

TPlatformCallScope::TPlatformCallScope(TPlatformCallStop& stop)
{
    CallScopes().push_back(stop.FState);
}

TPlatformCallScope::~TPlatformCallScope()
{
    CallScopes().pop_back();
}

namespace {

// The settings of KivHttp as they are now (the proxy dialog may have changed them).
void SetUpLikeKivHttp(THttpClient& client)
{
    if (!KivDM)
        return;
    const THttpClient& model = *KivDM->KivHttp;
    client.UserAgent = model.UserAgent;
    client.ContentType = model.ContentType;
    client.Accept = model.Accept;
    client.ProxyServer = model.ProxyServer;
    client.ProxyPort = model.ProxyPort;
    client.ConnectTimeoutMs = model.ConnectTimeoutMs;
    client.ReadTimeoutMs = model.ReadTimeoutMs;
}

} // namespace

std::unique_ptr<THttpClient> NewPlatformClient()
{
    auto client = std::make_unique<THttpClient>();
    SetUpLikeKivHttp(*client);
    return client;
}

THttpResult RunPlatformRequest(const std::function<THttpResult(THttpClient& client)>& request)
{
    THttpResult result;
    const bool onGuiThread = OnGuiThread();
    const std::shared_ptr<TPlatformCallState> work = onGuiThread && !CallScopes().empty() ? CallScopes().back() : nullptr;
    // A program that is ending makes no call: its work ends as at a stop.
    const bool ending = onGuiThread && Terminated();
    if (work && ending)
        work->Stopped = true;
    if (ending || (work && work->Stopped)) {
        result.Aborted = true;
        result.Error = QStringLiteral("Aborted");
        return result;
    }
    if (!onGuiThread)
        return request(*NewPlatformClient());
    std::unique_ptr<THttpClient> client;
    if (IdleClients().empty()) {
        client = std::make_unique<THttpClient>();
    } else {
        client = std::move(IdleClients().back());
        IdleClients().pop_back();
    }
    SetUpLikeKivHttp(*client);

    // A call started by an event of another call's wait hands the stop back
    // to the outer call when it is done.
    THttpClient* outer = nullptr;
    if (work) {
        const std::lock_guard lock(work->Lock);
        outer = std::exchange(work->InFlight, client.get());
    }
    const bool waited = RunBesideEvents(*client, request, result);
    if (work) {
        const std::lock_guard lock(work->Lock);
        work->InFlight = outer;
        if (!waited)
            work->Stopped = true;
    }
    client->ResetAbort();
    IdleClients().push_back(std::move(client));
    return result;
}

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


TTqlRequest MakeTqlRequest(const QString& statement, bool sendSession, const TTreeNodeShop& shop)
{
    return {SysRec.TqlUrl, SysRec.SignMethod, shop.AppKey, shop.AppSecret, shop.Session, statement, sendSession};
}

THttpResult PostTql(THttpClient& client, const TTqlRequest& request)
{
    QString signText = request.AppSecret + QStringLiteral("app_key") + request.AppKey + QStringLiteral("ql") + request.Statement;
    if (request.SendSession)
        signText += QStringLiteral("session") + request.Session;
    signText += QStringLiteral("sign_method") + request.SignMethod + request.AppSecret;
    THttpFormFields fields{{QStringLiteral("ql"), request.Statement},
                           {QStringLiteral("sign"), Md5Hex(signText)},
                           {QStringLiteral("app_key"), request.AppKey}};
    if (request.SendSession)
        fields.emplace_back(QStringLiteral("session"), request.Session);
    fields.emplace_back(QStringLiteral("sign_method"), request.SignMethod);
    return client.Post(request.Url, fields);
}

QString TqlReplyText(const THttpResult& result)
{
    // Failures of the platform call are silent: the caller gets no reply.
    return result.Ok ? UrlDecode(result.Body) : QString();
}

QString SendTql(const QString& statement, bool sendSession, const TTreeNodeShop& shop)
{
    if (!KivDM)
        return QString();
    const TTqlRequest request = MakeTqlRequest(statement, sendSession, shop);
    return TqlReplyText(RunPlatformRequest([&request](THttpClient& client) { return PostTql(client, request); }));
}

const TqvJSONobject* TTqlReply::Member(QStringView name) const
{
    const auto* object = qvJSONcast<TqvJSONobject>(Root.get());
    return object ? qvJSONcast<TqvJSONobject>(object->Field(name)) : nullptr;
}

TTqlReply ParseTqlReply(const THttpResult& result)
{
    TTqlReply reply;
    if (!result.Ok)
        return reply;
    QByteArray text = UrlDecodeBytes(result.Body);
    reply.Answered = !text.isEmpty();
    // Read as the text TqlReplyText gives: what is no UTF-8 becomes the
    // replacement character. Sound UTF-8 is parsed as it stands.
    if (!text.isValidUtf8())
        text = QString::fromUtf8(text).toUtf8();
    reply.Root = TqvJSON::ParseText(text);
    return reply;
}

TTqlReply QueryTql(const QString& method, const QString& fields, const QString& values, const QString& whereTemplate,
                   const QString& whereValues, const TTreeNodeShop& shop)
{
    const TTqlStatement statement = BuildTql(method, fields, values, whereTemplate, whereValues);
    TTqlReply reply;
    if (statement.Text.isEmpty() || !KivDM)
        return reply;
    const TTqlRequest request = MakeTqlRequest(statement.Text, statement.SendSession, shop);
    RunPlatformRequest([&request, &reply](THttpClient& client) {
        THttpResult result = PostTql(client, request);
        reply = ParseTqlReply(result);
        // The tree is all the caller reads.
        result.Body = QByteArray();
        return result;
    });
    return reply;
}

QString TPlatformReading::SurelyReachedAt(TInstant at, qint64 shiftSecs) const
{
    const QDateTime said = PlatformMoment(Said);
    if (!said.isValid())
        return QString();
    const qint64 sinceMs = std::chrono::duration_cast<std::chrono::milliseconds>(at - Answered).count();
    // Whole seconds only, rounded towards the past: before the answer the
    // platform's clock is known no better than at it.
    const qint64 sinceSecs = sinceMs >= 0 ? sinceMs / 1000 : -((-sinceMs + 999) / 1000);
    return PlatformText(said.addSecs(sinceSecs + shiftSecs));
}

TPlatformReading::TInstant TPlatformReading::WhenSurelyReached(const QString& moment) const
{
    const QDateTime said = PlatformMoment(Said);
    const QDateTime target = PlatformMoment(moment);
    if (!said.isValid() || !target.isValid())
        return Answered;
    return Answered + std::chrono::seconds(std::max<qint64>(0, said.secsTo(target)));
}

TPlatformReading ReadPlatformClock(const TTreeNodeShop& shop)
{
    TPlatformReading reading;
    reading.Sent = std::chrono::steady_clock::now();
    const TTqlReply reply = QueryTql(QStringLiteral("taobao.time.get"), QStringLiteral("time"), QString(), QString(), QString(), shop);
    reading.Answered = std::chrono::steady_clock::now();
    const TqvJSONobject* response = reply.Member(u"time_get_response");
    const TqvJSONbase* member = response ? response->Field(u"time") : nullptr;
    if (const auto* text = qvJSONcast<TqvJSONstring>(member))
        reading.Said = text->Value();
    else if (const auto* number = qvJSONcast<TqvJSONnumber>(member))
        reading.Said = number->LiteralText();
    if (!PlatformMoment(reading.Said).isValid()) {
        reading.Said.clear();
        reading.Failure = FailureOf(reply);
    } else {
        LastReading = reading;
    }
    return reading;
}

QString GetServerTime(const TTreeNodeShop& shop)
{
    return ReadPlatformClock(shop).Said;
}

TPlatformReading LastPlatformReading()
{
    return LastReading;
}
