#include "gridbase/WinApiMv.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSource.h"
#include "support/TestSupport.h"

namespace {

// A component with a data source property and one of another class.
class Holder : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* DataSource MEMBER FSource)
    Q_PROPERTY(QObject* Other MEMBER FOther)
    Q_PROPERTY(int Count MEMBER FCount)
public:
    QObject* FSource = nullptr;
    QObject* FOther = nullptr;
    int FCount = 3;
};

void FillNumbers(TClientDataSet& ds, std::initializer_list<int> values)
{
    ds.FieldDefs().Add(u"N"_qs, ftInteger);
    ds.CreateDataSet();
    for (const int v : values) {
        ds.Append();
        ds.FieldByName(u"N"_qs)->SetAsInteger(v);
        ds.Post();
    }
}

} // namespace

TEST(WinApiMvData, BookmarkOrderFollowsTheDatasetsOrder)
{
    TClientDataSet ds;
    FillNumbers(ds, {30, 10, 20});
    ds.First();
    const QString first = ds.Bookmark();
    ds.Last();
    const QString last = ds.Bookmark();
    EXPECT_LT(DataSetCompareBookmarks(&ds, first, last), 0);
    EXPECT_GT(DataSetCompareBookmarks(&ds, last, first), 0);
    EXPECT_EQ(DataSetCompareBookmarks(&ds, last, last), 0);
    // Sorted by N, the row of 30 comes last and the row of 20 before it.
    ds.SetIndexFieldNames(u"N"_qs);
    EXPECT_GT(DataSetCompareBookmarks(&ds, first, last), 0);
}

TEST(WinApiMvData, DataSourcePropertyGivesItsDataset)
{
    TClientDataSet ds;
    TDataSource source;
    source.SetDataSet(&ds);
    QObject plain;
    Holder holder;
    holder.FSource = &source;
    holder.FOther = &plain;
    EXPECT_EQ(GetDataSourcePropDataSet(&holder, "DataSource"), &ds);
    EXPECT_EQ(GetDataSourcePropDataSet(&holder, "Other"), nullptr);
    EXPECT_EQ(GetDataSourcePropDataSet(&holder, "Count"), nullptr);
    EXPECT_EQ(GetDataSourcePropDataSet(&holder, "Missing"), nullptr);
    EXPECT_EQ(GetDataSourcePropDataSet(&holder, nullptr), nullptr);
    EXPECT_EQ(GetDataSourcePropDataSet(nullptr, "DataSource"), nullptr);
}

#include "WinApiMvDataTest.moc"
