// Values the administrator sets that the monitor and the items window
// read: the fields a monitor rule names, and a shop's sync time. Typed
// into their editors they are refused when the windows could not use
// them; stored before (by hand, by an older version) they are passed over
// or said, and the seller's windows go on with their figures.

#include "SellerSupport.h"

#include "support/Wave.h"

namespace {

const QString Now1 = u"2024-06-01 12:00:00"_qs;
const QString Skipped = u"无法使用，已略过"_qs;

int Count(const QString& text, const QString& part)
{
    return int(text.count(part));
}

// A rule stored as it stands; Active.
void StoredRule(const QString& locate, const QString& returned, const QString& update, const QString& other = {},
                const QByteArray& sound = {})
{
    ExecSql(u"insert into \"SYS_Monitor\"(\"MsgType\",\"TradeEvent\",\"Status\",\"LocateFields\",\"ReturnField\",\"UpdateField\","
            "\"OtherUpdateFields\",\"Active\",\"Sound\") values('notify_trade','TradeBuyerPay','WAIT_SELLER_SEND_GOODS',"_qs
            + QStringList{QuotedStr(locate), QuotedStr(returned), QuotedStr(update), QuotedStr(other)}.join(u',') + u",1,"_qs
            + (sound.isEmpty() ? u"null"_qs : u'x' + QuotedStr(QString::fromLatin1(sound.toHex()))) + u')');
}

class RuleValuesTest : public ShopWindowsTest {};

} // namespace

TEST_F(RuleValuesTest, TheRuleEditorRefusesFieldsTheMonitorCannotUseAndTheSellersMonitorCountsTheRuleItTook)
{
    Sync();
    AdministratorsMain();
    QStringList refusals;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormShop&>(dialog);
        form.show();
        // Each time the row is refused as it is saved: it stays open, and nothing is stored.
        const auto refusedWith = [&](const std::vector<std::pair<QString, QString>>& typed) {
            for (const auto& [name, value] : typed)
                TypeOverShopCell(form, name, value);
            EXPECT_THROW(form.ActionSave->trigger(), EAbort);
            EXPECT_EQ(form.ClientDataSetShop->State(), dsInsert);
            EXPECT_EQ(Scalar(u"select count(*) from \"SYS_Monitor\""_qs), u"0"_qs);
            return Answers.Texts().value(int(Answers.Messages.size()) - 1);
        };
        form.ActionAppend->trigger();
        refusals << refusedWith({{u"MsgType"_qs, u"notify_trade"_qs}, {u"TradeEvent"_qs, u"TradeBuyerPay"_qs},
                                 {u"Status"_qs, u"WAIT_SELLER_SEND_GOODS"_qs}, {u"LocateFields"_qs, u"SkuID;NumIID"_qs},
                                 {u"ReturnField"_qs, u"Bogus"_qs}, {u"UpdateField"_qs, u"QtyPay"_qs}})
                 << refusedWith({{u"ReturnField"_qs, u"Qty"_qs}, {u"UpdateField"_qs, u"+Title"_qs}})
                 << refusedWith({{u"UpdateField"_qs, u"QtyPay"_qs}, {u"OtherUpdateFields"_qs, u"-QtyBalance,Price"_qs}})
                 << refusedWith({{u"OtherUpdateFields"_qs, u"-QtyBalance"_qs}, {u"LocateFields"_qs, u"NumIID"_qs}})
                 << refusedWith({{u"LocateFields"_qs, u"SkuID NumIID"_qs}});
        TypeOverShopCell(form, u"LocateFields"_qs, u"SkuID;NumIID"_qs);
        // A new rule starts inactive.
        form.DBGridShop->SetSelectedIndex(form.DBGridShop->GetColumnByFieldName(u"Active"_qs)->Index());
        Press(form.DBGridShop->ClientWidget(), Qt::Key_Space, u" "_qs);
        form.ActionSave->trigger();
        return int(QDialog::Accepted);
    };
    Main->ActionMonitorSet->trigger();
    const QString quantities = u"请填Qty、QtyOut、QtyPay、QtySend、QtyOver、QtyBack、QtyStock、QtyBalance、QtyOrder（前面可加+或-，以逗号分隔）！"_qs;
    const QString locate = u"找不到监控窗口中的商品行，请填SkuID或SkuID;NumIID！"_qs;
    EXPECT_EQ(refusals, (QStringList{u"[返回字段]“Bogus”不是交易行的数量字段，请填Qty！"_qs,
                                     u"[更新字段]中的“+Title”不是监控窗口的数量字段，"_qs + quantities,
                                     u"[其他更新字段]中的“Price”不是监控窗口的数量字段，"_qs + quantities,
                                     u"[定位字段]“NumIID”"_qs + locate, u"[定位字段]“SkuID NumIID”"_qs + locate}));
    EXPECT_EQ(Answers.Texts().last(), u"数据保存成功!"_qs);
    EXPECT_EQ(Scalar(u"select \"LocateFields\" || '|' || \"ReturnField\" || '|' || \"UpdateField\" || '|' || \"OtherUpdateFields\" "
                     "|| '|' || \"Active\" from \"SYS_Monitor\""_qs),
              u"SkuID;NumIID|Qty|QtyPay|-QtyBalance|1"_qs);

    // The seller's monitor counts a paid order by the rule.
    Answers.Modal = {};
    SellersMain();
    Answers.Messages.clear();
    TFormItems& form = StartMonitor();
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return ItemsFigure(*form.ClientDataSetItems, SkuA, u"QtyPay"_qs) == 2; })) << MonitorLog(form).toStdString();
    EXPECT_EQ(ItemsFigure(*form.ClientDataSetItems, SkuA, u"QtyBalance"_qs), -2);
    EXPECT_EQ(Count(MonitorLog(form), Skipped), 0);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(RuleValuesTest, StoredRulesThatCannotBeAppliedAreNamedAtEachStartAndPassedOverByTheStreamTheCatchUpAndTheSounds)
{
    // Found first for the paid event, each would be the stream's rule; the
    // catch-up applies them all; the first one's sound is hung on QtyPay.
    StoredRule(u"SkuID;NumIID"_qs, u"Bogus"_qs, u"QtyPay"_qs, {}, MakeWave(60));
    StoredRule(u"SkuID;NumIID"_qs, u"Qty"_qs, u"+Title"_qs);
    StoredRule(u"Bogus"_qs, u"Qty"_qs, u"QtyPay"_qs);
    AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
    Sync();
    SellersMain();
    Answers.Messages.clear();
    TFormItems& form = StartMonitor();
    const auto paid = [&] { return ItemsFigure(*form.ClientDataSetItems, SkuA, u"QtyPay"_qs); };
    const QString rule = u"监控规则“notify_trade TradeBuyerPay WAIT_SELLER_SEND_GOODS”无法使用，已略过："_qs;
    const QString started = MonitorLog(form);
    Keep(form, u"monitor-rules-passed-over.png"_qs);
    EXPECT_EQ(Count(started, Skipped), 3) << started.toStdString();
    EXPECT_TRUE(started.contains(rule + u"[返回字段]“Bogus”不是交易行的数量字段，请填Qty！"_qs)) << started.toStdString();
    EXPECT_TRUE(started.contains(rule + u"[更新字段]中的“+Title”不是监控窗口的数量字段"_qs));
    EXPECT_TRUE(started.contains(rule + u"[定位字段]“Bogus”找不到监控窗口中的商品行"_qs));

    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([&] { return paid() == 2; })) << MonitorLog(form).toStdString();

    // Missed while stopped, caught up at the next start, which names the rules again.
    StopMonitor(form);
    EXPECT_FALSE(PlayedSince()) << "the sound of a rule passed over";
    Sim.SetNow(u"2024-06-01 12:10:00"_qs);
    EXPECT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 1).Streams, 0);
    Sim.SetNow(u"2024-06-01 12:20:00"_qs);
    form.ActionMonitor->trigger();
    ASSERT_TRUE(WaitFor([&] { return paid() == 3; })) << MonitorLog(form).toStdString();
    EXPECT_EQ(Count(MonitorLog(form), Skipped), 6);
    EXPECT_EQ(Scalar(u"select sum(\"Qty\") from \"KivItemOut\""_qs), u"3"_qs);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(RuleValuesTest, TheShopEditorTakesASyncTimeInTheProgramsFormOrNoneAndTheSellerCountsFromIt)
{
    Sync();
    PaidLine(SkuA, u"500000000001"_qs, 3, u"2024-06-01 12:30:00"_qs);
    const QString synced = Scalar(u"select \"SyncDate\" from \"SYS_Shop\""_qs);
    AdministratorsMain();
    QStringList refusals;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormShop&>(dialog);
        form.show();
        for (const QString& value : {u"abc"_qs, u"2024-02-30 12:00:00"_qs, u"2024-06-01 12:00"_qs, u"2024/06/01 12:00:00"_qs,
                                     u"2024-06-01 12:00:00 "_qs}) {
            TypeOverShopCell(form, u"SyncDate"_qs, value);
            EXPECT_THROW(form.ActionSave->trigger(), EAbort);
            EXPECT_EQ(form.ClientDataSetShop->State(), dsEdit);
            refusals << Answers.Texts().last();
        }
        EXPECT_EQ(Scalar(u"select \"SyncDate\" from \"SYS_Shop\""_qs), synced);
        TypeOverShopCell(form, u"SyncDate"_qs, u"2024-06-01 12:20:00"_qs);
        form.ActionSave->trigger();
        return int(QDialog::Accepted);
    };
    Main->ActionConfigShops->trigger();
    EXPECT_EQ(refusals.value(0), u"[同步时间]“abc”不是时间，请按yyyy-mm-dd hh:nn:ss填写（如2024-06-01 12:00:00），或清空！"_qs);
    EXPECT_EQ(refusals.size(), 5);
    EXPECT_TRUE(refusals.value(4).startsWith(u"[同步时间]“2024-06-01 12:00:00 ”不是时间"_qs));
    EXPECT_EQ(Answers.Texts().last(), u"数据保存成功!"_qs);

    SellersMain();
    Answers.Messages.clear();
    int paid = -1;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormItems&>(dialog);
        form.show();
        paid = ItemsFigure(*form.ClientDataSetItems, SkuA, u"QtyPay"_qs);
        return int(QDialog::Rejected);
    };
    OpenShopWindow(*Main, 0);
    EXPECT_EQ(paid, 3);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(RuleValuesTest, AStoredSyncTimeThatIsNoTimeIsSaidByTheShopsWindowsWhichShowNoZerosAndTheMonitorStillRecords)
{
    AddRule(u"TradeBuyerPay"_qs, u"WAIT_SELLER_SEND_GOODS"_qs, u"QtyPay"_qs);
    Sync();
    PaidLine(SkuA, u"500000000001"_qs, 3, Now1);
    ExecSql(u"update \"SYS_Shop\" set \"SyncDate\" = 'abc'"_qs);
    SellersMain();
    Answers.Messages.clear();
    const QString said = u"店铺“文具店”的[同步时间]“abc”不是时间，无法统计数量。请管理员在“设置店铺”中改正或清空！"_qs;
    bool figures = true;
    Answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormItems&>(dialog);
        form.show();
        figures = form.ClientDataSetItems->Active();
        // Asked to sync from it, the window says the same.
        form.ActionSync->trigger();
        return int(QDialog::Rejected);
    };
    OpenShopWindow(*Main, 0);
    EXPECT_FALSE(figures);
    EXPECT_EQ(Answers.Texts(), QStringList(2, said));

    // The monitor says it too, and records what the stream and the catch-up bring.
    Answers.Messages.clear();
    TFormItems& form = StartMonitor();
    EXPECT_FALSE(form.ClientDataSetItems->Active());
    EXPECT_TRUE(MonitorLog(form).contains(said));
    Keep(form, u"monitor-sync-time.png"_qs);
    ASSERT_EQ(Sim.PlaceOrder(u"k1"_qs, SkuA, 2).Streams, 1);
    ASSERT_TRUE(WaitFor([] { return Scalar(u"select sum(\"Qty\") from \"KivItemOut\""_qs) == u"5"_qs; }));
    StopMonitor(form);
    EXPECT_EQ(Answers.Texts(), QStringList{said});
}
