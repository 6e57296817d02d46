#include "gridbase/DBSumLst.h"
#include "platform/DbTestData.h"
#include "platform/Exceptions.h"
#include "platform/db/DataSource.h"

#include <cmath>
#include <random>

namespace {

class DBSumLstTest : public DbTest {
protected:
    // An in-memory table of one numeric column "V" with the given values.
    TClientDataSet& Table(const std::vector<Variant>& values)
    {
        Data = std::make_unique<TClientDataSet>();
        Data->FieldDefs().Add(u"V"_qs, ftFloat);
        Data->FieldDefs().Add(u"N"_qs, ftString, 10);
        Data->CreateDataSet();
        for (const Variant& v : values) {
            Data->Append();
            Data->FieldByName(u"V"_qs)->SetValue(v);
            Data->FieldByName(u"N"_qs)->SetAsString(u"x"_qs);
            Data->Post();
        }
        Data->First();
        return *Data;
    }

    TDBSum* AddSum(TDBSumListProducer& sums, TGroupOperation operation, const QString& field)
    {
        TDBSum* sum = sums.SumCollection().Add();
        sum->SetGroupOperation(operation);
        sum->SetFieldName(field);
        return sum;
    }
};

} // namespace

TEST_F(DBSumLstTest, SumsAveragesAndCounts)
{
    TClientDataSet& ds = Table({Variant(1.23456), Variant(2.0), Variant::Null(), Variant(4.0)});
    TDBSumListProducer sums;
    int changes = 0;
    sums.SumListChanged = [&](TDBSumListProducer&) { ++changes; };
    sums.SetDataSet(&ds);
    TDBSum* sum = AddSum(sums, goSum, u"V"_qs);
    TDBSum* avg = AddSum(sums, goAvg, u"v"_qs);
    TDBSum* all = AddSum(sums, goCount, QString());
    TDBSum* filled = AddSum(sums, goCount, u"V"_qs);
    EXPECT_EQ(sum->RawValue(), 72346); // 1.2346 + 2 + 4, rounded per record
    EXPECT_EQ(avg->RawValue(), 24115); // (1.2346 + 2 + 4) / 3: the null is not counted
    EXPECT_EQ(all->SumValue(), 4);
    EXPECT_EQ(filled->SumValue(), 3);
    EXPECT_EQ(sums.SumCollection().FindSumByOperation(goAvg, u"V"_qs), avg);
    EXPECT_GT(changes, 0);

    // Edit 2 -> 7 adds 5 without a walk; null -> 1 is counted by the average.
    ds.SetRecNo(2);
    ds.Edit();
    ds.FieldByName(u"V"_qs)->SetAsFloat(7);
    ds.Post();
    EXPECT_EQ(sum->RawValue(), 122346);
    ds.Next();
    ds.Edit();
    ds.FieldByName(u"V"_qs)->SetAsFloat(1);
    ds.Post();
    EXPECT_EQ(avg->RawValue(), 33087); // 13.2346 / 4
    EXPECT_EQ(filled->SumValue(), 4);
    ds.Edit();
    ds.FieldByName(u"V"_qs)->Clear();
    ds.Post();
    EXPECT_EQ(avg->RawValue(), 40782); // 12.2346 / 3
    EXPECT_EQ(filled->SumValue(), 3);

    // Deleting 7 takes it away, also when it was being edited.
    ds.SetRecNo(2);
    ds.Edit();
    ds.FieldByName(u"V"_qs)->SetAsFloat(1000);
    ds.Delete();
    EXPECT_EQ(sum->RawValue(), 52346);
    EXPECT_EQ(all->SumValue(), 3);

    // A record appended with a default counts once; an insert given up
    // changes nothing.
    ds.OnNewRecord = [](TDataSet& d) { d.FieldByName(u"V"_qs)->SetAsFloat(6); };
    ds.Append();
    ds.Post();
    EXPECT_EQ(sum->RawValue(), 112346);
    EXPECT_EQ(filled->SumValue(), 3);
    ds.Insert();
    ds.Cancel();
    EXPECT_EQ(all->SumValue(), 4);
    EXPECT_EQ(filled->SumValue(), 3);
}

TEST_F(DBSumLstTest, FilterChangeRecalculatesAtTheNextScroll)
{
    TClientDataSet& ds = Table({Variant(1.0), Variant(2.0), Variant(3.0)});
    TDBSumListProducer sums;
    sums.SetDataSet(&ds);
    TDBSum* sum = AddSum(sums, goSum, u"V"_qs);
    int recalcs = 0;
    sums.OnRecalcAll = [&](TDBSumListProducer&) { ++recalcs; };
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName(u"V"_qs)->AsFloat() > 1; });
    ds.SetFiltered(true);
    EXPECT_EQ(sum->SumValue(), 5);
    EXPECT_EQ(recalcs, 1);
    ds.Next();
    EXPECT_EQ(recalcs, 1);
    ds.SetFiltered(false);
    EXPECT_EQ(sum->SumValue(), 6);

    // With ExternalRecalc the values are the handler's: 0 unless it sets
    // them, rounded to four decimals; a value past the fixed-point range
    // is refused.
    sums.SetExternalRecalc(true);
    EXPECT_EQ(sum->SumValue(), 0);
    sums.OnRecalcAll = [&](TDBSumListProducer& producer) {
        producer.SumCollection().Items(0)->SetSumValue(42.123456);
    };
    sums.RecalcAll();
    EXPECT_EQ(sum->RawValue(), 421235);
    EXPECT_THROW(sum->SetSumValue(1e15), EConvertError);
    EXPECT_THROW(sum->SetSumValue(std::nan("")), EConvertError);
    sums.OnRecalcAll = nullptr;
    sums.SetActive(false);
    EXPECT_EQ(sums.GetRecordCount(), 3);
    ds.Close();
    sums.SetActive(true);
    EXPECT_EQ(sum->SumValue(), 0);
}

TEST_F(DBSumLstTest, DetailFollowsItsMasterAndAFilteredDatasetIsNumberedByBookmarks)
{
    TClientDataSet master;
    master.FieldDefs().Add(u"K"_qs, ftInteger);
    master.CreateDataSet();
    for (int k : {1, 2}) {
        master.Append();
        master.FieldByName(u"K"_qs)->SetAsInteger(k);
        master.Post();
    }
    TDataSource masterSource;
    masterSource.SetDataSet(&master);
    TClientDataSet& ds = Table({Variant(1.0), Variant(2.0), Variant(3.0)});
    ds.SetMasterSource(&masterSource);
    TDBSumListProducer sums;
    int recalcs = 0;
    sums.OnRecalcAll = [&](TDBSumListProducer&) { ++recalcs; };
    sums.SetDataSet(&ds);
    TDBSum* sum = AddSum(sums, goSum, u"V"_qs);
    const int before = recalcs;
    master.First();
    EXPECT_EQ(recalcs, before + 1) << "a move of the master is a full recalculation";

    // A record filter leaves no stable record numbers: the bookmark list numbers them.
    ds.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName(u"V"_qs)->AsFloat() != 2; });
    ds.SetFiltered(true);
    EXPECT_FALSE(ds.IsSequenced());
    sums.SetVirtualRecords(true);
    EXPECT_EQ(sums.VirtualBookmarks().size(), 2);
    EXPECT_TRUE(sums.IsSequenced());
    ds.Last();
    EXPECT_EQ(sums.GetRecNo(), 2);
    sums.SetRecNo(1);
    EXPECT_EQ(ds.FieldByName(u"V"_qs)->AsFloat(), 1);
    ds.Append();
    ds.FieldByName(u"V"_qs)->SetAsFloat(5);
    ds.Post();
    EXPECT_EQ(sums.GetRecordCount(), 3);
    EXPECT_EQ(sums.GetRecNo(), 3);
    ds.First();
    ds.Delete();
    EXPECT_EQ(sums.GetRecordCount(), 2);
    EXPECT_EQ(sum->SumValue(), 8);
}

TEST_F(DBSumLstTest, RandomEditsKeepTheSumsOfAFullRecalculation)
{
    FillItems(40);
    TClientDataSet& ds = OpenClient(u"select * from \"KivItem\""_qs);
    ds.SetIndexFieldNames(u"Qty"_qs); // rows move as they are edited
    TDBSumListProducer kept;
    kept.SetDataSet(&ds);
    for (const auto& [operation, field] :
         {std::pair{goSum, u"Price"_qs}, {goAvg, u"Qty"_qs}, {goCount, u"PropAlias"_qs}, {goCount, QString()}})
        AddSum(kept, operation, field);

    std::mt19937 random(20240601);
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    for (int step = 0; step < 400; ++step) {
        if (ds.IsEmpty() || pick(5) == 0) {
            ds.Append();
            ds.FieldByName(u"SkuID"_qs)->SetAsInteger(1000 + step);
            ds.FieldByName(u"ShopCode"_qs)->SetAsString(u"S"_qs);
            ds.FieldByName(u"SyncDate"_qs)->SetAsString(u"d"_qs);
            if (pick(2))
                ds.FieldByName(u"Qty"_qs)->SetAsInteger(pick(50));
            if (pick(3) == 0)
                ds.Cancel();
            else
                ds.Post();
            continue;
        }
        ds.SetRecNo(1 + pick(ds.RecordCount()));
        switch (pick(4)) {
        case 0:
            ds.Delete();
            break;
        case 1:
            ds.Edit();
            ds.FieldByName(u"Price"_qs)->SetAsFloat(pick(1000) / 7.0);
            ds.Cancel();
            break;
        default: {
            ds.Edit();
            TField* qty = ds.FieldByName(u"Qty"_qs);
            qty->IsNull() ? qty->SetAsInteger(pick(50)) : qty->Clear();
            if (pick(2))
                ds.FieldByName(u"PropAlias"_qs)->Clear();
            ds.FieldByName(u"Price"_qs)->SetAsFloat(pick(1000) / 7.0);
            ds.Next(); // posted by the move
        }
        }
        if (step % 50 == 49 || step == 399) {
            const TBookmark current = ds.Bookmark();
            TDBSumListProducer fresh;
            fresh.SumCollection().Assign(kept.SumCollection());
            fresh.SetDataSet(&ds);
            for (int i = 0; i < kept.SumCollection().Count(); ++i)
                EXPECT_EQ(kept.SumCollection().Items(i)->RawValue(), fresh.SumCollection().Items(i)->RawValue())
                    << "step " << step << " item " << i;
            kept.RecalcAll();
            EXPECT_EQ(ds.Bookmark(), current); // a full recalculation leaves the record
        }
    }
}
