#include "client/KivPlayWave.h"
#include "platform/Threads.h"
#include "support/TestSupport.h"
#include "support/Wave.h"


TEST(PlaySound, EmptyStreamStartsNoThread)
{
    ASSERT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    PlaySound(QByteArray());
    EXPECT_EQ(TThreadRegistry::Instance().Running(), 0);
}

TEST(PlaySound, CallerKeepsItsStreamAndTheThreadEndsByItself)
{
    ASSERT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
    QByteArray stream = MakeWave(3000, 44100, 2);
    PlaySound(stream);
    PlaySound(stream); // two alerts overlap
    // The caller may reuse its stream at once.
    stream.fill('\0');
    stream.clear();
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(30000));
}

TEST(PlaySound, InvalidImagePlaysNothingAndEnds)
{
    PlaySound(QByteArray("RIFF....WAVEnothing"));
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(5000));
}
