// Reading the rows of a statement: an error the database reports while the
// rows are read raises as one at the opening does, and the rows before it
// are never handed on as if they were the whole result.

#include "DbTestData.h"

#include "platform/Exceptions.h"

namespace {

using ReaderErrorTest = DbTest;

// Rows 1 to 4 of n * factor as an INTEGER, in this order.
QString Figures(int factor)
{
    return u"with recursive r(n) as (select 1 from rdb$database union all select n + 1 from r where n < 4) "
           "select n, cast(n * "_qs
           + QString::number(factor) + u" as integer) \"Figure\" from r"_qs;
}

} // namespace

TEST_F(ReaderErrorTest, AFigurePastItsRangeOnTheThirdRowRaisesTheDatabasesError)
{
    // 3,000,000,000 does not fit an INTEGER: the first two rows come, the third fails.
    TSQLQuery query(Conn.get());
    query.SQL = Figures(1000000000);
    try {
        query.Open();
        ADD_FAILURE() << query.RecordCount() << " rows were handed on as the whole result";
    } catch (const EDatabaseValueError& error) {
        EXPECT_TRUE(error.Message().contains(u"numeric value is out of range"_qs)) << error.what();
    }
    EXPECT_FALSE(query.Active());

    // Read through a provider, as every window reads: the client dataset stays closed.
    EXPECT_THROW(OpenClient(Figures(1000000000)), EDatabaseValueError);
    EXPECT_FALSE(Data->Active());

    // The connection goes on serving; the same rows that fit are read whole.
    TClientDataSet& whole = OpenClient(Figures(1000));
    EXPECT_EQ(whole.RecordCount(), 4);
    whole.Last();
    EXPECT_EQ(whole.FieldByName(u"Figure"_qs)->AsInteger(), 4000);
}
