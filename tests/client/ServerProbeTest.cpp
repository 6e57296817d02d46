// The probe of a database server: where a database name says the server is,
// and whether its host takes a connection, found out off the caller's thread.

#include "client/KivServerProbe.h"
#include "platform/Threads.h"
#include "support/TestSupport.h"

#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Waits for the probe's end, at most 20 s.
bool Ends(const TServerProbe& probe)
{
    for (int waited = 0; waited < 20000 && !probe.Done(); waited += 5)
        QThread::msleep(5);
    return probe.Done();
}

// A listening port of 127.0.0.1, or the port of one that was closed again.
int ListeningPort(int& fd)
{
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

} // namespace

TEST(DatabaseServerAddress, ServerNamesGiveHostAndPortAndLocalFilesNone)
{
    using TAddress = std::pair<QString, QString>;
    EXPECT_EQ(DatabaseServerAddress(u"127.0.0.1/3051:/data/kiv.fdb"_qs), TAddress(u"127.0.0.1"_qs, u"3051"_qs));
    EXPECT_EQ(DatabaseServerAddress(u"db.shop.lan:kiv"_qs), TAddress(u"db.shop.lan"_qs, u"3050"_qs));
    EXPECT_EQ(DatabaseServerAddress(u"server/gds_db:C:/kiv.fdb"_qs), TAddress(u"server"_qs, u"gds_db"_qs));
    EXPECT_FALSE(DatabaseServerAddress(u"/home/seller/Kiv.fdb"_qs));
    EXPECT_FALSE(DatabaseServerAddress(u"Kiv.fdb"_qs));
    EXPECT_FALSE(DatabaseServerAddress(QString()));
}

TEST(ServerProbe, AListeningPortIsReachedAndARefusingOneIsNot)
{
    int listener = -1;
    const int port = ListeningPort(listener);
    ASSERT_GT(port, 0);
    const TServerProbe reached(u"127.0.0.1"_qs, QString::number(port), 5000);
    ASSERT_TRUE(Ends(reached));
    EXPECT_TRUE(reached.Reachable());
    ::close(listener);
    const TServerProbe refused(u"127.0.0.1"_qs, QString::number(port), 5000);
    ASSERT_TRUE(Ends(refused));
    EXPECT_FALSE(refused.Reachable());
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(20000));
}
