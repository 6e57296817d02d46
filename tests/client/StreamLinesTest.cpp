#include "client/KivStreamLines.h"
#include "support/TestSupport.h"

namespace {

// Every line the buffer gives for the chunks, decoded.
QStringList Feed(TStreamLineBuffer& buffer, const QList<QByteArray>& chunks)
{
    QStringList lines;
    for (const QByteArray& chunk : chunks) {
        buffer.Append(chunk);
        QByteArray raw;
        while (buffer.TakeLine(raw))
            lines << DecodeStreamLine(raw);
    }
    return lines;
}

QStringList FeedWhole(const QByteArray& bytes, qsizetype maxLine = TStreamLineBuffer::DefaultMaxLine)
{
    TStreamLineBuffer buffer(maxLine);
    return Feed(buffer, {bytes});
}

} // namespace

TEST(StreamLineBuffer, EveryCutGivesTheSameLines)
{
    // Encoded and raw UTF-8, a '+', an empty line, CR LF between packets and
    // at the end; a lone CR or LF belongs to its line.
    const QByteArray bytes = "{\"packet\":{\"code\":999,\"msg\":\"%E4%B8%AD\xE6\x96\x87+x\"}}\r\n"
                             "\r\n{\"packet\":{\"code\":201}}\r\na\nb\rc\r\n";
    const QStringList expected = {u"{\"packet\":{\"code\":999,\"msg\":\"中文 x\"}}"_qs, u"{\"packet\":{\"code\":201}}"_qs,
                                  u"a\nb\rc"_qs};
    ASSERT_EQ(FeedWhole(bytes), expected);
    // Cut once anywhere: inside the %XX escape, inside the UTF-8 character,
    // between CR and LF, between the two packets.
    for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
        TStreamLineBuffer buffer;
        EXPECT_EQ(Feed(buffer, {bytes.left(cut), bytes.mid(cut)}), expected) << "cut at " << cut;
    }
    // And byte by byte.
    TStreamLineBuffer buffer;
    QList<QByteArray> bytewise;
    for (const char c : bytes)
        bytewise << QByteArray(1, c);
    EXPECT_EQ(Feed(buffer, bytewise), expected);
    EXPECT_EQ(buffer.Size(), 0);
}

TEST(StreamLineBuffer, OverlongLinesAreDroppedWholeAndMemoryStaysBounded)
{
    // At the limit a line is kept, one byte over it is dropped, however it was cut.
    const QByteArray atLimit(16, 'a');
    const QByteArray overLimit(17, 'b');
    const QByteArray bytes = atLimit + "\r\n" + overLimit + "\r\n" + "ok\r\n";
    for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
        TStreamLineBuffer buffer(16);
        EXPECT_EQ(Feed(buffer, {bytes.left(cut), bytes.mid(cut)}), QStringList({QString::fromLatin1(atLimit), u"ok"_qs}))
            << "cut at " << cut;
        EXPECT_EQ(buffer.DroppedLines(), 1);
    }

    // 10 MB without a line end, in chunks of 64 KB: the buffer never holds
    // more than the limit, and the line after it is read as usual.
    TStreamLineBuffer buffer;
    const QByteArray chunk(64 * 1024, 'x');
    qsizetype largest = 0;
    for (int i = 0; i < 160; ++i) {
        EXPECT_TRUE(Feed(buffer, {chunk}).isEmpty());
        largest = std::max(largest, buffer.Size());
    }
    EXPECT_LE(largest, TStreamLineBuffer::DefaultMaxLine + 1);
    EXPECT_EQ(Feed(buffer, {"tail of the long line\r", "\n{\"packet\":{\"code\":201}}\r\n"}),
              QStringList{u"{\"packet\":{\"code\":201}}"_qs});
    EXPECT_EQ(buffer.DroppedLines(), 1);
    EXPECT_EQ(buffer.Size(), 0);
}

TEST(StreamLineBuffer, DecodingOfOneLine)
{
    // An encoded line end still ends a line; invalid UTF-8 becomes U+FFFD;
    // an invalid escape stays as it is.
    EXPECT_EQ(DecodeStreamLine("a%0D%0Ab%0D%0A"), QStringList({u"a"_qs, u"b"_qs}));
    EXPECT_EQ(DecodeStreamLine("{\"msg\":\"\xff%FE%zz\"}"), QStringList{u"{\"msg\":\"\uFFFD\uFFFD%zz\"}"_qs});
}

TEST(ParseStreamLine, PacketKinds)
{
    const struct {
        const char16_t* Line;
        TStreamPacketKind Kind;
        qint64 Code;
        const char16_t* MsgText;
    } cases[] = {
        {u"", TStreamPacketKind::NotJson, 0, u""},
        {u" {\"packet\":{\"code\":200}}", TStreamPacketKind::NotJson, 0, u""},
        {u"[1]", TStreamPacketKind::NotJson, 0, u""},
        {u"{not json", TStreamPacketKind::NoPacket, 0, u""},
        {u"{\"code\":200}", TStreamPacketKind::NoPacket, 0, u""},
        {u"{\"packet\":200}", TStreamPacketKind::NoPacket, 0, u""},
        {u"{\"packet\":{\"code\":200}}", TStreamPacketKind::Connected, 200, u""},
        {u"{\"packet\":{\"code\":201,\"msg\":\"x\"}}", TStreamPacketKind::Heartbeat, 201, u""},
        {u"{\"packet\":{\"code\":101}}", TStreamPacketKind::Disconnected, 101, u""},
        {u"{\"packet\":{\"code\":106}}", TStreamPacketKind::Disconnected, 106, u""},
        {u"{\"packet\":{\"code\":203,\"msg\":{}}}", TStreamPacketKind::StoreOnly, 203, u""},
        {u"{\"packet\":{\"code\":107,\"msg\":\"新消息\"}}", TStreamPacketKind::Unknown, 107, u"新消息"},
        {u"{\"packet\":{\"code\":100,\"msg\":12.50}}", TStreamPacketKind::Unknown, 100, u"12.50"},
        {u"{\"packet\":{\"code\":300,\"msg\":{\"a\":1}}}", TStreamPacketKind::Unknown, 300, u""},
        // A code written as text is no known code.
        {u"{\"packet\":{\"code\":\"200\"}}", TStreamPacketKind::Unknown, 0, u""},
        {u"{\"packet\":{}}", TStreamPacketKind::Unknown, 0, u""},
        // The platform's error reply refuses the connection, in its words.
        {u"{\"error_response\":{\"code\":27,\"msg\":\"invalid session\"}}", TStreamPacketKind::Refused, 0, u"invalid session [27]"},
        {u"{\"error_response\":{}}", TStreamPacketKind::NoPacket, 0, u""},
    };
    for (const auto& c : cases) {
        const QString line = QString::fromUtf16(c.Line);
        const TStreamPacket packet = ParseStreamLine(line);
        EXPECT_EQ(packet.Kind, c.Kind) << line.toStdString();
        EXPECT_EQ(packet.Code, c.Code) << line.toStdString();
        EXPECT_EQ(packet.MsgText, QString::fromUtf16(c.MsgText)) << line.toStdString();
        EXPECT_FALSE(packet.Notify.has_value());
    }
}

TEST(ParseStreamLine, NotificationsNeedStatusModifiedAndAnIntegerTid)
{
    const auto notify = [](const QString& msg) { return ParseStreamLine(u"{\"packet\":{\"code\":202,\"msg\":"_qs + msg + u"}}"_qs); };
    TStreamPacket packet = notify(
        uR"({"notify_trade":{"status":"TradeBuyerPay","modified":"2024-06-01 12:00:00","tid":7000000000000000001,"oid":"7100000000000000011"}})"_qs);
    EXPECT_EQ(packet.Kind, TStreamPacketKind::Business);
    ASSERT_TRUE(packet.Notify.has_value());
    EXPECT_EQ(packet.Notify->Kind, u"notify_trade"_qs);
    EXPECT_EQ(packet.Notify->Status, u"TradeBuyerPay"_qs);
    EXPECT_EQ(packet.Notify->Modified, u"2024-06-01 12:00:00"_qs);
    EXPECT_EQ(packet.Notify->Tid, u"7000000000000000001"_qs);
    EXPECT_EQ(packet.Notify->Oid, u"7100000000000000011"_qs);

    // A trade notification wins over a refund one; an oid that is no id is left out.
    packet = notify(uR"({"notify_refund":{"status":"RefundSuccess","modified":"m","tid":1},"notify_trade":{"status":"S","modified":"m","tid":"2","oid":"3);drop"}})"_qs);
    ASSERT_TRUE(packet.Notify.has_value());
    EXPECT_EQ(packet.Notify->Kind, u"notify_trade"_qs);
    EXPECT_EQ(packet.Notify->Tid, u"2"_qs);
    EXPECT_EQ(packet.Notify->Oid, QString());
    packet = notify(uR"({"notify_refund":{"status":"RefundSuccess","modified":"m","tid":1}})"_qs);
    ASSERT_TRUE(packet.Notify.has_value());
    EXPECT_EQ(packet.Notify->Kind, u"notify_refund"_qs);

    for (const QString& msg : {u"\"text\""_qs, u"[1]"_qs, u"{}"_qs, uR"({"notify_trade":"x"})"_qs,
                              uR"({"notify_trade":{"modified":"m","tid":1}})"_qs, uR"({"notify_trade":{"status":"S","tid":1}})"_qs,
                              uR"({"notify_trade":{"status":"S","modified":"m"}})"_qs, uR"({"notify_trade":{"status":null,"modified":"m","tid":1}})"_qs,
                              uR"({"notify_trade":{"status":"S","modified":"m","tid":"1 or 1=1"}})"_qs,
                              uR"({"notify_trade":{"status":"S","modified":"m","tid":-1}})"_qs}) {
        packet = notify(msg);
        EXPECT_EQ(packet.Kind, TStreamPacketKind::Business);
        EXPECT_FALSE(packet.Notify.has_value()) << msg.toStdString();
    }
}
