#include "platform/HttpClient.h"

#include <QUrl>
#include <algorithm>
#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QByteArray Escaped(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    // The handle argument is not used by libcurl any more.
    char* escaped = curl_easy_escape(nullptr, utf8.constData(), int(utf8.size()));
    QByteArray result(escaped);
    curl_free(escaped);
    return result;
}

// A form body cannot be HTML: the class library's client announced form
// posts as form-encoded whenever its content type was unset or text/html.
QByteArray FormContentType(const QString& configured)
{
    const QString type = configured.trimmed();
    if (type.isEmpty() || type.startsWith(QLatin1String("text/html"), Qt::CaseInsensitive))
        return QByteArrayLiteral("application/x-www-form-urlencoded");
    return type.toUtf8();
}

} // namespace

// The easy handle and libcurl's callbacks (a nested type: it reaches the
// client's private state).
struct THttpClient::TCurl {
    CURL* Handle = nullptr;

    static size_t WriteBody(char* data, size_t size, size_t count, void* userData)
    {
        auto* client = static_cast<THttpClient*>(userData);
        if (client->FAbort.load())
            return 0; // ends the transfer
        const size_t length = size * count;
        QByteArray chunk(data, qsizetype(length));
        if (client->OnChunk)
            client->OnChunk(chunk);
        else
            client->FResult->Body += chunk;
        return length;
    }

    // Runs at least once a second while a request waits, also while
    // connecting: the latest moment an abort is seen when no socket could
    // be shut down.
    static int Progress(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        auto* client = static_cast<THttpClient*>(userData);
        if (client->FAbort.load())
            return 1;
        return client->OnProgress && !client->OnProgress() ? 1 : 0;
    }

    static curl_socket_t OpenSocket(void* userData, curlsocktype, curl_sockaddr* address)
    {
        auto* client = static_cast<THttpClient*>(userData);
        const std::lock_guard lock(client->FSocketLock);
        if (client->FAbort.load())
            return CURL_SOCKET_BAD;
        const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (fd >= 0)
            client->FSockets.push_back(fd);
        return fd >= 0 ? fd : CURL_SOCKET_BAD;
    }

    static int CloseSocket(void* userData, curl_socket_t fd)
    {
        auto* client = static_cast<THttpClient*>(userData);
        const std::lock_guard lock(client->FSocketLock);
        std::erase(client->FSockets, fd);
        return ::close(fd);
    }
};

THttpClient::THttpClient()
    : FCurl(std::make_unique<TCurl>())
{
}

// The easy handle is made with the first request: a client that never
// sends (the data module of a run without platform calls) costs nothing.
bool THttpClient::EnsureHandle()
{
    if (FCurl->Handle)
        return true;
    GlobalInit();
    CURL* curl = curl_easy_init();
    if (!curl)
        return false;
    FCurl->Handle = curl;
    // Cookies are kept for the life of the client, as a browser would.
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &TCurl::WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TCurl::Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &TCurl::OpenSocket);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, &TCurl::CloseSocket);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, this);
    return true;
}

THttpClient::~THttpClient()
{
    // Closes the pooled connection through CloseSocket, which needs the lock.
    if (FCurl->Handle)
        curl_easy_cleanup(FCurl->Handle);
}

THttpResult THttpClient::Post(const QString& url, const THttpFormFields& fields)
{
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += Escaped(name) + '=' + Escaped(value);
    }
    return Perform(url, &body);
}

THttpResult THttpClient::Get(const QString& url)
{
    return Perform(url, nullptr);
}

void THttpClient::Abort()
{
    FAbort.store(true);
    const std::lock_guard lock(FSocketLock);
    // Wakes a wait on the socket at once, connecting or receiving.
    for (const int fd : FSockets)
        ::shutdown(fd, SHUT_RDWR);
}

void THttpClient::ResetAbort()
{
    FAbort.store(false);
}

THttpResult THttpClient::Perform(const QString& url, const QByteArray* formBody)
{
    THttpResult result;
    if (!EnsureHandle()) {
        result.Error = QStringLiteral("The HTTP client could not be initialised");
        return result;
    }
    if (FAbort.load()) {
        result.Aborted = true;
        result.Error = QStringLiteral("Aborted");
        return result;
    }
    // Every option that differs between requests is set anew below, so
    // nothing of the previous request carries over but its pooled
    // connection and the cookies.
    CURL* curl = FCurl->Handle;
    FResult = &result;
    FRunning.store(true);

    // A tolerant parse percent-encodes blanks and other characters that an
    // address may carry (an authorization code appended to a URL).
    const QByteArray address = QUrl(url, QUrl::TolerantMode).toEncoded();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    const QByteArray agent = UserAgent.toUtf8();
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.isEmpty() ? static_cast<const char*>(nullptr) : agent.constData());
    const QByteArray proxy = ProxyServer.trimmed().toUtf8();
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.constData());
    curl_easy_setopt(curl, CURLOPT_PROXYPORT, !proxy.isEmpty() && ProxyPort > 0 ? long(ProxyPort) : 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(1, ConnectTimeoutMs)));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, ReadTimeoutMs > 0 ? long(ConnectTimeoutMs) + ReadTimeoutMs : 0L);

    curl_slist* headers = nullptr;
    if (!Accept.isEmpty())
        headers = curl_slist_append(headers, ("Accept: " + Accept.toUtf8()).constData());
    // No waiting for a "100 Continue" that a server may never send.
    headers = curl_slist_append(headers, "Expect:");
    if (formBody) {
        headers = curl_slist_append(headers, ("Content-Type: " + FormContentType(ContentType)).constData());
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, long(formBody->size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, formBody->constData());
    } else {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, static_cast<const char*>(nullptr));
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);

    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.StatusCode);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
    curl_slist_free_all(headers);
    FRunning.store(false);
    FResult = nullptr;

    if (FAbort.load()) {
        result.Aborted = true;
        result.Error = QStringLiteral("Aborted");
    } else if (code != CURLE_OK) {
        result.Error = QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(code));
    } else if (result.StatusCode < 200 || result.StatusCode > 299) {
        result.Error = QStringLiteral("HTTP status %1").arg(result.StatusCode);
    } else {
        result.Ok = true;
    }
    return result;
}
