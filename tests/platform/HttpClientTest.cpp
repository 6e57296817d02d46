#include "platform/HttpClient.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(FSim.Start(SourceDir() + QStringLiteral("/tools/platform-sim/demo-catalogue.json"), &error)) << error.toStdString();
    }

    TPlatformSim FSim;
};

// A listening socket on 127.0.0.1 whose accept queue is full: a connection
// attempt to it stays in the connecting state.
class TStuckListener {
public:
    TStuckListener()
    {
        FListener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(FListener, 0);
        ::getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length);
        Port = ntohs(address.sin_port);
        // Fill the queue; the listener never accepts.
        for (int& filler : FFillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~TStuckListener()
    {
        for (const int filler : FFillers)
            ::close(filler);
        ::close(FListener);
    }
    int Port = 0;

private:
    int FListener = -1;
    int FFillers[3] = {-1, -1, -1};
};

} // namespace

TEST_F(HttpClientTest, PostSendsFieldsInOrderEncodedWithTheSettings)
{
    THttpClient http;
    http.UserAgent = u"Mozilla/3.0 (compatible; Indy Library)"_qs;
    http.ContentType = u"text/html"_qs;
    http.Accept = u"text/html, */*"_qs;
    const THttpResult result = http.Post(FSim.Url(u"/sim/echo"_qs), {{u"ql"_qs, u"select a,b from c where d=1 and e=2024-01-02 03:04:05"_qs},
                                                                    {u"z"_qs, u"a&b=c+d%e 中"_qs},
                                                                    {u"a"_qs, QString()}});
    ASSERT_TRUE(result.Ok) << result.Error.toStdString();
    EXPECT_EQ(result.StatusCode, 200);
    EXPECT_EQ(QString::fromUtf8(result.Body),
              u"User-Agent: Mozilla/3.0 (compatible; Indy Library)\nAccept: text/html, */*\n"
              "Content-Type: application/x-www-form-urlencoded\n\n"
              "ql=select%20a%2Cb%20from%20c%20where%20d%3D1%20and%20e%3D2024-01-02%2003%3A04%3A05"
              "&z=a%26b%3Dc%2Bd%25e%20%E4%B8%AD&a="_qs);
}

TEST_F(HttpClientTest, GetReturnsTheBodyAndChunksGoToTheCallback)
{
    THttpClient http;
    const THttpResult page = http.Get(FSim.Url(u"/"_qs));
    ASSERT_TRUE(page.Ok) << page.Error.toStdString();
    EXPECT_TRUE(QString::fromUtf8(page.Body).contains(u"卖家中心"_qs));

    QByteArray chunks;
    int calls = 0;
    http.OnChunk = [&](const QByteArray& chunk) {
        chunks += chunk;
        ++calls;
    };
    const THttpResult streamed = http.Get(FSim.Url(u"/"_qs));
    EXPECT_TRUE(streamed.Ok);
    EXPECT_TRUE(streamed.Body.isEmpty());
    EXPECT_GE(calls, 1);
    EXPECT_EQ(chunks, page.Body);
    // A code with blanks and CJK is encoded into the address, not refused.
    http.OnChunk = nullptr;
    EXPECT_TRUE(http.Get(FSim.ContainerUrl() + u"坏 code"_qs).Ok);
}

TEST_F(HttpClientTest, FailuresComeBackAsValues)
{
    THttpClient http;
    http.ConnectTimeoutMs = 2000;
    http.ReadTimeoutMs = 5000;

    FSim.SetFault(u"http500"_qs, 0, 1);
    THttpResult result = http.Post(FSim.TqlUrl(), {});
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.StatusCode, 500);
    EXPECT_FALSE(result.Error.isEmpty());

    FSim.SetFault(u"cut"_qs, 0, 1);
    result = http.Post(FSim.TqlUrl(), {});
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Aborted);

    result = http.Get(u"http://127.0.0.1:%1/"_qs.arg(FSim.GarbagePort()));
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Error.isEmpty());

    EXPECT_FALSE(http.Get(FSim.Url(u"/no/such/page"_qs)).Ok);
    EXPECT_FALSE(http.Get(u"file:///etc/passwd"_qs).Ok);
    EXPECT_FALSE(http.Get(u"not a url"_qs).Ok);

    // A platform that is down: nothing listens on the port any more.
    const QString url = FSim.Url(u"/"_qs);
    FSim.Stop();
    result = http.Get(url);
    EXPECT_FALSE(result.Ok);
}

TEST_F(HttpClientTest, TimeOutsBoundConnectingAndReading)
{
    THttpClient http;
    http.ConnectTimeoutMs = 300;
    http.ReadTimeoutMs = 500;
    FSim.SetFault(u"slow"_qs, 4000, 1);
    THttpResult result = http.Get(FSim.Url(u"/"_qs)); // the fault plays on queries only
    EXPECT_TRUE(result.Ok);
    result = http.Post(FSim.TqlUrl(), {});
    EXPECT_FALSE(result.Ok);

    TStuckListener stuck;
    result = http.Get(u"http://127.0.0.1:%1/"_qs.arg(stuck.Port));
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Aborted);
}

TEST_F(HttpClientTest, AbortFromAnotherThreadWhileReceivingOrConnecting)
{
    THttpClient http;
    http.ConnectTimeoutMs = 20000;
    http.ReadTimeoutMs = 0; // as the stream: no read time-out
    FSim.SetFault(u"slow"_qs, 8000, 1);
    std::thread stopper([&] {
        while (!http.Connected())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        http.Abort();
    });
    THttpResult result = http.Post(FSim.TqlUrl(), {});
    stopper.join();
    EXPECT_TRUE(result.Aborted);
    EXPECT_FALSE(result.Ok);

    // The abort is sticky until reset: a request started after it fails at once.
    EXPECT_TRUE(http.Post(FSim.TqlUrl(), {}).Aborted);
    http.ResetAbort();
    EXPECT_TRUE(http.Get(FSim.Url(u"/"_qs)).Ok);

    TStuckListener stuck;
    std::thread connectStopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        http.Abort();
    });
    result = http.Get(u"http://127.0.0.1:%1/"_qs.arg(stuck.Port));
    connectStopper.join();
    EXPECT_TRUE(result.Aborted);
}

TEST_F(HttpClientTest, ProxyIsUsedOnlyWhenSet)
{
    // The environment's proxy must not take over a direct connection.
    qputenv("http_proxy", "http://127.0.0.1:1");
    THttpClient http;
    http.ConnectTimeoutMs = 2000;
    EXPECT_TRUE(http.Get(FSim.Url(u"/"_qs)).Ok);
    qunsetenv("http_proxy");

    // Through the stand-in as proxy: the request reaches it (and is refused
    // with 404 there) although the host name itself does not resolve.
    http.ProxyServer = u"127.0.0.1"_qs;
    http.ProxyPort = FSim.Port();
    const THttpResult result = http.Get(u"http://platform.invalid/"_qs);
    EXPECT_EQ(result.StatusCode, 404);
    EXPECT_FALSE(result.Ok);
}
