#include "ClientTestSupport.h"

#include "client/KivQuery.h"

#include <QCryptographicHash>

TEST(Md5Hex, DigestsUtf8BytesInUpperCaseAndAnEmptyPasswordIsAnEmptyHash)
{
    EXPECT_EQ(Md5Hex(QString()), QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_EQ(Md5Hex(u"abc"_qs), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    // "中" is E4 B8 AD in UTF-8; its GBK bytes D6 D0 would give another digest.
    EXPECT_EQ(Md5Hex(u"中"_qs), QString::fromLatin1(QCryptographicHash::hash("\xE4\xB8\xAD", QCryptographicHash::Md5).toHex().toUpper()));
    EXPECT_NE(Md5Hex(u"中"_qs), QString::fromLatin1(QCryptographicHash::hash("\xD6\xD0", QCryptographicHash::Md5).toHex().toUpper()));
    EXPECT_EQ(PasswordHash(u"张三"_qs, QString()), QString());
    EXPECT_EQ(PasswordHash(u"user"_qs, u"pw"_qs), Md5Hex(u"userpw"_qs));
}

TEST(SplitApiMethod, ObjectBetweenFirstAndLastDotVerbAfterLastAndExactVerbsOnly)
{
    const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
        {u"taobao.time.get", u"get", u"time"}, {u"taobao.items.onsale.get", u"get", u"items.onsale"}, {u"taobao.get", u"get", u""},
        // Without two dots the outputs are left as they were.
        {u"nodot", u"v", u"o"}, {u".get", u"v", u"o"}};
    for (const auto& [method, verb, object] : cases) {
        QString v = u"v"_qs, o = u"o"_qs;
        SplitApiMethod(QString::fromUtf16(method), v, o);
        EXPECT_EQ(v + u'|' + o, QString::fromUtf16(verb) + u'|' + QString::fromUtf16(object)) << QString::fromUtf16(method).toStdString();
    }
    const std::pair<const char16_t*, const char16_t*> keywords[] = {{u"get", u"select"}, {u"delete", u"delete"}, {u"set", u"update"},
                                                                    {u"update", u"update"}, {u"add", u"insert"}, {u"upload", u"insert"},
                                                                    {u"publish", u"insert"}, {u"create", u"insert"}, {u"Get", u""}, {u"list", u""}};
    for (const auto& [verb, keyword] : keywords)
        EXPECT_EQ(VerbToTqlKeyword(QString::fromUtf16(verb)), QString::fromUtf16(keyword)) << QString::fromUtf16(verb).toStdString();
}

TEST(ExpandPlaceholders, NickInAnyCaseIsTheUserCode)
{
    SysRec.UserCode = u"张三"_qs;
    EXPECT_EQ(ExpandPlaceholders(u"a[NICK]b[nick][Nick]"_qs), u"a张三b张三张三"_qs);
    EXPECT_EQ(ExpandPlaceholders(u"no placeholder"_qs), u"no placeholder"_qs);
    // Other names, stray brackets and nesting stay as they stand.
    EXPECT_EQ(ExpandPlaceholders(u"[other] ] [ [x[nick]"_qs), u"[other] ] [ [x张三"_qs);
    // The inserted code is not searched again, however it reads.
    SysRec.UserCode = u"[nick][nick]"_qs;
    EXPECT_EQ(ExpandPlaceholders(u"[nick]-[nick]"_qs), u"[nick][nick]-[nick][nick]"_qs);
    SysRec.UserCode.clear();
}

TEST(FillWhereClause, ValuesFillTheMarksInOrder)
{
    SysRec.UserCode = u"seller"_qs;
    EXPECT_EQ(FillWhereClause(u"page_no=? and page_size=?"_qs, u"2,10"_qs), u"page_no=2 and page_size=10"_qs);
    // A third value finds no mark and changes nothing.
    EXPECT_EQ(FillWhereClause(u"a=? and b=?"_qs, u"1,2,3"_qs), u"a=1 and b=2"_qs);
    // A quoted value keeps its blank and loses its quotes; "$" goes everywhere.
    EXPECT_EQ(FillWhereClause(u"$start=? and end=?"_qs, u"\"2024-01-01 00:00:00\",$\"2024-01-02 00:00:00\""_qs),
              u"start=2024-01-01 00:00:00 and end=2024-01-02 00:00:00"_qs);
    EXPECT_EQ(FillWhereClause(u"nick=?"_qs, u"[NICK]"_qs), u"nick=seller"_qs);
    // A mark inside an inserted value is not filled by the next value.
    EXPECT_EQ(FillWhereClause(u"a=? and b=?"_qs, u"\"x?\",2"_qs), u"a=x? and b=2"_qs);
    SysRec.UserCode.clear();
}

TEST(BuildTql, StatementsAndTheSessionFlag)
{
    TTqlStatement s = BuildTql(u"taobao.time.get"_qs, u"time"_qs, QString(), QString(), QString());
    EXPECT_EQ(s.Text, u"select time from time"_qs);
    EXPECT_FALSE(s.SendSession);

    s = BuildTql(u"taobao.trades.sold.get"_qs, u"$tid"_qs, QString(), u"page_size=? and start_created=? and end_created=?"_qs,
                 u"1,\"2024-01-01 00:00:00\",\"2024-01-02 00:00:00\""_qs);
    EXPECT_EQ(s.Text, u"select tid from trades.sold where page_size=1 and start_created=2024-01-01 00:00:00 and end_created=2024-01-02 00:00:00"_qs);
    EXPECT_TRUE(s.SendSession);

    s = BuildTql(u"taobao.item.delete"_qs, u"$x"_qs, QString(), u"num_iid=?$"_qs, u"5"_qs);
    EXPECT_EQ(s.Text, u"delete from item where num_iid=5"_qs);
    EXPECT_TRUE(s.SendSession);

    SysRec.UserCode = u"me"_qs;
    s = BuildTql(u"taobao.item.update"_qs, u"$title=?,num=?"_qs, u"\"a b\",[nick]"_qs, u"num_iid=?"_qs, u"7"_qs);
    EXPECT_EQ(s.Text, u"update item set title=a b,num=me where num_iid=7"_qs);
    EXPECT_TRUE(s.SendSession);

    s = BuildTql(u"taobao.item.add"_qs, u"title,num"_qs, u"x,[NICK]"_qs, u"ignored=?"_qs, u"1"_qs);
    EXPECT_EQ(s.Text, u"insert into item(title,num) values(x,me)"_qs);
    EXPECT_FALSE(s.SendSession);
    SysRec.UserCode.clear();

    // Nothing can be built: no statement, nothing sent.
    EXPECT_TRUE(BuildTql(u"taobao.item.list"_qs, u"$a"_qs, QString(), QString(), QString()).Text.isEmpty());
    EXPECT_TRUE(BuildTql(u"taobao.item.update"_qs, u"a=?,b=?"_qs, u"1"_qs, QString(), QString()).Text.isEmpty());
}

namespace {

class QuerySimTest : public ShopSimTest {
protected:
    void SetUp() override { StartShopSim(u"query-catalogue.json"_qs); }
};

} // namespace

TEST_F(QuerySimTest, FormFieldsAreSignedAndSentInOrder)
{
    // The echo page answers with what it was sent.
    SysRec.TqlUrl = FSim.Url(u"/sim/echo"_qs);
    QString reply = SendTql(u"select time from time"_qs, false, FShop);
    QString body = reply.section(u"\n\n"_qs, 1);
    EXPECT_EQ(body, u"ql=select time from time&sign="_qs + Md5Hex(u"s3cr3t+%&=中app_key12345678qlselect time from timesign_methodmd5s3cr3t+%&=中"_qs) +
                        u"&app_key=12345678&sign_method=md5"_qs);
    EXPECT_TRUE(reply.contains(u"Content-Type: application/x-www-form-urlencoded"_qs));
    EXPECT_TRUE(reply.contains(u"User-Agent: Mozilla/3.0 (compatible; Indy Library)"_qs));

    reply = SendTql(u"select tid from trades.sold where page_size=1"_qs, true, FShop);
    body = reply.section(u"\n\n"_qs, 1);
    EXPECT_EQ(body, u"ql=select tid from trades.sold where page_size=1&sign="_qs +
                        Md5Hex(u"s3cr3t+%&=中app_key12345678qlselect tid from trades.sold where page_size=1sessionsess-1sign_methodmd5s3cr3t+%&=中"_qs) +
                        u"&app_key=12345678&session=sess-1&sign_method=md5"_qs);
}

TEST_F(QuerySimTest, ThePlatformAcceptsTheSignatureAndChecksTheSession)
{
    EXPECT_EQ(BuildAndSendTql(u"taobao.time.get"_qs, u"time"_qs, QString(), QString(), QString(), FShop),
              u"{\"time_get_response\":{\"time\":\"2024-06-01 12:00:00\"}}"_qs);
    const QString count = BuildAndSendTql(u"taobao.items.onsale.get"_qs, u"$num_iid"_qs, QString(), u"page_size=?"_qs, u"1"_qs, FShop);
    EXPECT_TRUE(count.contains(u"\"total_results\":3"_qs)) << count.toStdString();
    // The same statement without "$" carries no session: the platform refuses it.
    const QString refused = BuildAndSendTql(u"taobao.items.onsale.get"_qs, u"num_iid"_qs, QString(), u"page_size=?"_qs, u"1"_qs, FShop);
    EXPECT_TRUE(refused.startsWith(u"{\"error_response\""_qs)) << refused.toStdString();
    EXPECT_EQ(FSim.Count(u"taobao.items.onsale.get"_qs), 2);

    FShop.AppSecret = u"wrong"_qs;
    const QString badSign = BuildAndSendTql(u"taobao.time.get"_qs, u"time"_qs, QString(), QString(), QString(), FShop);
    EXPECT_TRUE(badSign.contains(u"Invalid signature"_qs)) << badSign.toStdString();
    EXPECT_FALSE(badSign.contains(u"time_get_response"_qs));
}

TEST_F(QuerySimTest, APlatformThatFailsGivesAnEmptyReplyAndNoServerTime)
{
    const auto send = [&] { return BuildAndSendTql(u"taobao.time.get"_qs, u"time"_qs, QString(), QString(), QString(), FShop); };
    ASSERT_FALSE(send().isEmpty());
    FSim.SetFault(u"http500"_qs, 0, 1);
    EXPECT_EQ(send(), QString());
    // A page that is not the platform's reply comes back as it is; the
    // callers find none of their members in it.
    FSim.SetFault(u"junk"_qs, 0, 1);
    EXPECT_TRUE(send().startsWith(u"<html>"_qs));

    // The server time comes only from a well-signed reply.
    EXPECT_EQ(GetServerTime(FShop), u"2024-06-01 12:00:00"_qs);
    // A wrong secret gets an error reply, which holds no time.
    FShop.AppSecret = u"s3cr3t"_qs;
    EXPECT_EQ(GetServerTime(FShop), QString());
    FShop.AppSecret = u"s3cr3t+%&=中"_qs;
    FShop.AppKey = u"unknown"_qs;
    EXPECT_EQ(GetServerTime(FShop), QString());
    FShop.AppKey = u"12345678"_qs;
    FSim.SetFault(u"junk"_qs, 0, 1);
    EXPECT_EQ(GetServerTime(FShop), QString());
    FSim.SetFault(u"cut"_qs, 0, 1);
    EXPECT_EQ(GetServerTime(FShop), QString());
    EXPECT_FALSE(GetServerTime(FShop).isEmpty());
    // Down: nothing listens any more.
    FSim.Stop();
    EXPECT_EQ(send(), QString());
}

TEST_F(QuerySimTest, TheAuthorizePageShowsTheShopsCode)
{
    // The container's answer is the session dialog's test.
    const THttpResult result = FDM->KivHttp->Get(FSim.Url(u"/auth/authorize.htm?appkey=12345678"_qs));
    EXPECT_TRUE(QString::fromUtf8(result.Body).contains(u"CODE-1"_qs)) << result.Body.toStdString();
}

TEST_F(QuerySimTest, AReplyReadOnTheCallsOwnThreadIsReadAsItsTextWouldBe)
{
    const auto query = [&] { return QueryTql(u"taobao.time.get"_qs, u"time"_qs, QString(), QString(), QString(), FShop); };
    TTqlReply reply = query();
    EXPECT_TRUE(reply.Answered);
    ASSERT_TRUE(reply.Member(u"time_get_response"));
    EXPECT_EQ(qvJSONcast<TqvJSONstring>(reply.Member(u"time_get_response")->Field(u"time"))->Value(), u"2024-06-01 12:00:00"_qs);
    // An error reply is an answer without the method's member.
    FShop.AppSecret = u"wrong"_qs;
    reply = query();
    EXPECT_TRUE(reply.Answered);
    EXPECT_FALSE(reply.Member(u"time_get_response"));
    EXPECT_TRUE(reply.Member(u"error_response"));
    FShop.AppSecret = u"s3cr3t+%&=中"_qs;
    // A failed call is none; a page that is not JSON is an answer without a tree.
    FSim.SetFault(u"http500"_qs, 0, 1);
    reply = query();
    EXPECT_FALSE(reply.Answered);
    EXPECT_FALSE(reply.Root);
    FSim.SetFault(u"junk"_qs, 0, 1);
    reply = query();
    EXPECT_TRUE(reply.Answered);
    EXPECT_FALSE(reply.Root);

    // Decoded as the text: '+' is a blank, an escape the byte, and bytes
    // that are no UTF-8 the replacement character.
    THttpResult result;
    result.Ok = true;
    result.Body = "%7B%22a%22%3A%22%FF+%E4%B8%AD%25zz%22%7D";
    reply = ParseTqlReply(result);
    const auto* object = qvJSONcast<TqvJSONobject>(reply.Root.get());
    ASSERT_TRUE(object);
    EXPECT_EQ(qvJSONcast<TqvJSONstring>(object->Field(u"a"))->Value(), u"\uFFFD 中%zz"_qs);
    EXPECT_EQ(qvJSONcast<TqvJSONstring>(object->Field(u"a"))->Value(),
              qvJSONcast<TqvJSONstring>(qvJSONcast<TqvJSONobject>(TqvJSON::ParseText(TqlReplyText(result).toUtf8()).get())->Field(u"a"))->Value());
    result.Ok = false;
    EXPECT_FALSE(ParseTqlReply(result).Answered);
}
