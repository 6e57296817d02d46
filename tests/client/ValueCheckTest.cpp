// What a monitor rule may name and what a sync time must be, as the
// producers and the consumer of the update records split and find the
// names.

#include "client/KivValueCheck.h"

#include <gtest/gtest.h>

namespace {

QString Problem(const QString& locate, const QString& returned, const QString& update, const QString& other = {})
{
    return RuleFieldsProblem({locate, returned, update, other});
}

} // namespace

TEST(ValueCheckTest, ARuleMayNameOnlyWhatTheRecordsFindAndAddTo)
{
    // Names compare as the datasets find fields; blanks after a separator are skipped.
    EXPECT_EQ(Problem(u"SkuID;NumIID"_qs, u"Qty"_qs, u"QtyPay"_qs, u"-QtyBalance, +QtyOrder"_qs), QString());
    EXPECT_EQ(Problem(u"skuid; numiid"_qs, u"qty"_qs, u"+qtypay"_qs), QString());
    EXPECT_EQ(Problem(u"SkuID"_qs, u"Qty"_qs, u"QtyStock"_qs), QString());
    // A key value per blank-separated name, but one name to locate by.
    EXPECT_FALSE(Problem(u"SkuID NumIID"_qs, u"Qty"_qs, u"QtyPay"_qs).isEmpty());
    // The item alone would add to the first of its SKUs; an empty name is looked for too.
    EXPECT_FALSE(Problem(u"NumIID"_qs, u"Qty"_qs, u"QtyPay"_qs).isEmpty());
    EXPECT_FALSE(Problem(u"SkuID;"_qs, u"Qty"_qs, u"QtyPay"_qs).isEmpty());
    // The window's quantity is no field of the trade line's to locate by.
    EXPECT_FALSE(Problem(u"SkuID;Qty"_qs, u"Qty"_qs, u"QtyPay"_qs).isEmpty());
    // A price comes as text; an id added to a figure would overflow it; a name is not trimmed.
    for (const QString& returned : {u"Price"_qs, u"Oid"_qs, u"Qty "_qs, QString()})
        EXPECT_FALSE(Problem(u"SkuID"_qs, returned, u"QtyPay"_qs).isEmpty()) << returned.toStdString();
    // Every update field gets the amount, signed or not: numbers of the window only, no ids.
    for (const QString& update : {u"+Title"_qs, u"SkuID"_qs, u"QtyPay,"_qs, u"+"_qs, u"++QtyPay"_qs, QString()})
        EXPECT_FALSE(Problem(u"SkuID"_qs, u"Qty"_qs, update).isEmpty()) << update.toStdString();
    // A quote left open runs on into the other fields when the two are joined.
    EXPECT_EQ(Problem(u"SkuID"_qs, u"Qty"_qs, u"\"QtyPay"_qs), QString());
    EXPECT_FALSE(Problem(u"SkuID"_qs, u"Qty"_qs, u"\"QtyPay"_qs, u"QtyBack"_qs).isEmpty());
}

TEST(ValueCheckTest, ASyncTimeIsAMomentInTheProgramsFormOrNothing)
{
    EXPECT_TRUE(IsSyncTime(u"2024-06-01 12:00:00"_qs));
    // A moment the local clock skips for daylight saving is still the platform's.
    EXPECT_TRUE(IsSyncTime(u"2024-03-31 02:30:00"_qs));
    for (const QString& text : {u"abc"_qs, u"2024-02-30 12:00:00"_qs, u"2024-06-01 24:00:00"_qs, u"2024-6-1 12:00:00"_qs,
                                u"2024-06-01T12:00:00"_qs, u" 2024-06-01 12:00:00"_qs, u"2024-06-01 12:00:00.000"_qs})
        EXPECT_FALSE(IsSyncTime(text)) << text.toStdString();
    EXPECT_EQ(SyncTimeProblem(u"[同步时间]"_qs, QString()), QString());
    EXPECT_TRUE(SyncTimeProblem(u"[同步时间]"_qs, u"abc"_qs).startsWith(u"[同步时间]“abc”不是时间"_qs));
}
