#include "platform/Exceptions.h"
#include "platform/db/Multicast.h"
#include "support/TestSupport.h"

#include <QObject>
#include <QStringList>

TEST(Multicast, ListenersAttachAndDetachInAnyOrder)
{
    TMulticastEvent<int> event;
    QStringList calls;
    TScopedConnection a = event.Connect([&](int v) { calls << u"a%1"_qs.arg(v); });
    TEventConnection b;
    b = event.Connect([&](int v) {
        calls << u"b%1"_qs.arg(v);
        b.Disconnect(); // detaches itself while being called
    });
    {
        TScopedConnection c = event.Connect([&](int v) { calls << u"c%1"_qs.arg(v); });
        event(1);
    }
    event(2);
    a.Disconnect();
    event(3);
    EXPECT_EQ(calls, (QStringList{u"a1"_qs, u"b1"_qs, u"c1"_qs, u"a2"_qs}));
    EXPECT_TRUE(event.Empty());

    // A listener whose context object is gone is skipped; a connection that
    // outlives its event is harmless.
    auto context = std::make_unique<QObject>();
    TScopedConnection d;
    {
        TMulticastEvent<int> shortLived;
        d = shortLived.Connect(context.get(), [&](int) { calls << u"d"_qs; });
        context.reset();
        shortLived(4);
    }
    d.Disconnect();
    EXPECT_EQ(calls.size(), 4);

    // An exception of a listener reaches the caller.
    TMulticastEvent<> before;
    TScopedConnection e = before.Connect([] { throw EDatabaseError(u"stop"_qs); });
    EXPECT_THROW(before(), EDatabaseError);
}
