#include "platform/UrlDecode.h"
#include "support/TestSupport.h"

TEST(UrlDecode, PlusIsBlankEscapesAreBytesAndInvalidEscapesStand)
{
    EXPECT_EQ(UrlDecodeBytes("a+b%20c"), QByteArray("a b c"));
    EXPECT_EQ(UrlDecodeBytes("%2B%25%2b"), QByteArray("+%+"));
    EXPECT_EQ(UrlDecodeBytes("%00x"), QByteArray("\0x", 2));
    EXPECT_EQ(UrlDecode("%E4%B8%AD%F0%9F%98%80"), u"中😀"_qs);
    // Raw UTF-8 passes through unchanged.
    EXPECT_EQ(UrlDecode("\xE4\xB8\xAD+x"), u"中 x"_qs);
    EXPECT_EQ(UrlDecodeBytes("100%"), QByteArray("100%"));
    EXPECT_EQ(UrlDecodeBytes("%4"), QByteArray("%4"));
    EXPECT_EQ(UrlDecodeBytes("%G1%zz%%41"), QByteArray("%G1%zz%A"));
    EXPECT_EQ(UrlDecodeBytes(""), QByteArray());
}

TEST(UrlChunkDecoder, EveryCutGivesTheSameText)
{
    const QByteArray body = "{\"t\":\"%E4%B8%AD+%25+%F0%9F%98%80\xE6\x96\x87\"}%";
    const QString whole = UrlDecode(body);
    ASSERT_EQ(whole, u"{\"t\":\"中 % 😀文\"}%"_qs);
    for (qsizetype cut1 = 0; cut1 <= body.size(); ++cut1) {
        for (qsizetype cut2 = cut1; cut2 <= body.size(); ++cut2) {
            TUrlChunkDecoder decoder;
            QString text = decoder.Feed(body.left(cut1));
            text += decoder.Feed(body.mid(cut1, cut2 - cut1));
            text += decoder.Feed(body.mid(cut2));
            text += decoder.Flush();
            ASSERT_EQ(text, whole) << cut1 << "," << cut2;
        }
    }
}

TEST(UrlChunkDecoder, NothingIsHeldBackAtACharacterBoundary)
{
    TUrlChunkDecoder decoder;
    EXPECT_EQ(decoder.Feed("ab%E4%B8"), u"ab"_qs);
    EXPECT_EQ(decoder.Feed("%AD%4"), u"中"_qs);
    EXPECT_EQ(decoder.Feed("1"), u"A"_qs);
    EXPECT_EQ(decoder.Flush(), QString());
    // A broken sequence at the end is decoded as it stands when the body ends.
    EXPECT_EQ(decoder.Feed("x%E4"), u"x"_qs);
    EXPECT_EQ(decoder.Flush(), QString::fromUtf8("\xE4"));
}
