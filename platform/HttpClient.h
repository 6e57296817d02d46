#pragma once
// The HTTP client of the platform calls, on libcurl's easy interface.
//
// One client serves one thread at a time: its owner sets the fields below
// between requests and runs Post or Get, which block until the reply has
// arrived, failed or been aborted. Abort may be called from any other thread
// at any moment (while resolving, connecting, sending or receiving): the
// running request ends at once. An abort is sticky, so a thread that checks
// its stop flag and then starts a request cannot miss one made in between;
// ResetAbort makes the client usable again.
//
// Failures never raise: they come back in the result, for callers that
// swallow them.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// Form fields in the order they are sent.
using THttpFormFields = std::vector<std::pair<QString, QString>>;

struct THttpResult {
    // True only for a complete reply with a 2xx status.
    bool Ok = false;
    // The request ended because Abort was called.
    bool Aborted = false;
    // The HTTP status of the reply; 0 when none came.
    long StatusCode = 0;
    // The body (empty when a chunk callback took it).
    QByteArray Body;
    // Why the request failed; empty when Ok.
    QString Error;
};

class THttpClient {
public:
    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    QString UserAgent;
    // The request's content type. A form post sends its fields form-encoded,
    // so it announces them as such unless another type than text/html is set.
    QString ContentType;
    QString Accept;
    // Empty: a direct connection (proxy variables of the environment are ignored).
    QString ProxyServer;
    int ProxyPort = 0;
    // Longest wait for the connection; never unbounded.
    int ConnectTimeoutMs = 5000;
    // Longest wait for the whole reply once connected; 0 waits for ever
    // (a held-open stream).
    int ReadTimeoutMs = 0;
    // Called on the requesting thread with every piece of the body as it
    // arrives. While set, the body is not collected in the result, so a
    // stream that never ends does not grow without bound.
    std::function<void(const QByteArray&)> OnChunk;
    // Called on the requesting thread at least once a second while a request
    // runs (connecting, waiting or receiving); returning false ends the
    // request, as a failure. Lets a held-open stream give up on a silent
    // connection without another thread's help.
    std::function<bool()> OnProgress;

    // POST of the fields, each name and value UTF-8 and percent-encoded.
    THttpResult Post(const QString& url, const THttpFormFields& fields);
    THttpResult Get(const QString& url);

    // From any thread: ends the running request and any started later.
    void Abort();
    void ResetAbort();
    bool AbortRequested() const { return FAbort.load(); }
    // A request is running.
    bool Connected() const { return FRunning.load(); }

private:
    struct TCurl;
    bool EnsureHandle();
    THttpResult Perform(const QString& url, const QByteArray* formBody);

    std::unique_ptr<TCurl> FCurl;
    std::atomic<bool> FAbort{false};
    std::atomic<bool> FRunning{false};
    // The sockets of the running request, so that Abort can wake a blocked
    // wait by shutting them down; guarded so that a socket is never shut
    // down after libcurl closed it (and its number was reused).
    std::mutex FSocketLock;
    std::vector<int> FSockets;
    THttpResult* FResult = nullptr;
};
