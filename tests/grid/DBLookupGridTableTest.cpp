// The lookup grid over an in-memory table, whose every record is a row the
// grid scrolls itself: its bar and scroll requests are the dataset grid's,
// and the keys, clicks and the current row work from the table's current
// record. Over a plain dataset the current row follows the key's record
// among the buffered ones.

#include "DBGridTestSupport.h"
#include "TreeDataSet.h"
#include "grid/DBGridMvMemTable.h"
#include "grid/DBLookupGridsMv.h"

namespace {

class TTableLookupGrid : public TDBLookupGridMv {
public:
    using TDBLookupGridMv::TDBLookupGridMv;
    using TDBLookupGridMv::WMVScroll;
    int DoubleClicks = 0;

protected:
    void DblClick() override
    {
        ++DoubleClicks;
        TDBLookupGridMv::DblClick();
    }
};

// A flat table of Count records named R0, R1, ... with Id 0, 1, ...
std::unique_ptr<TTreeDataSet> MakeTable(int Count)
{
    std::vector<std::pair<int, QString>> nodes;
    for (int i = 0; i < Count; ++i)
        nodes.push_back({-1, QStringLiteral("R%1").arg(i)});
    auto table = std::make_unique<TTreeDataSet>(nodes);
    table->TreeOn = false;
    return table;
}

} // namespace

class DBLookupGridTableTest : public DBGridTest {
protected:
    // A list of 7 rows over the data set, keyed by KeyField.
    void ShowList(TDataSet& Data, const QString& KeyField, const QString& ListField)
    {
        Show(360, 260);
        ListSource.SetDataSet(&Data);
        List = new TTableLookupGrid(Window.get());
        List->setGeometry(0, 0, 200, 120);
        List->SetKeyField(KeyField);
        List->SetListField(ListField);
        List->SetListSource(&ListSource);
        List->SetRowCount(7);
        List->show();
        List->SetFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(List->ListActive());
    }
    QWidget* Client() const { return List->ClientWidget(); }
    int Title() const { return List->TitleRowCount(); }
    // The table's name of a data row.
    QString NameAt(int DataRow)
    {
        const TDataRowScopeMv scope(*List, DataRow);
        return Table->FieldByName(QStringLiteral("Name"))->AsString();
    }

    TDataSource ListSource;
    std::unique_ptr<TTreeDataSet> Table;
    TTableLookupGrid* List = nullptr;
};

TEST_F(DBLookupGridTableTest, TheBarAndItsRequestsScrollTheTablesRowsNeverItsRecord)
{
    Table = MakeTable(30);
    ShowList(*Table, QStringLiteral("Id"), QStringLiteral("Name"));
    ASSERT_NE(List->MemTableSupport(), nullptr);
    List->SetKeyValue(Variant(3));
    EXPECT_EQ(List->Text(), QStringLiteral("R3"));
    EXPECT_EQ(List->RowCount(), Title() + 30) << "every record is a row";
    const int page = List->VisibleRowCount();
    ASSERT_GE(page, 5);
    ASSERT_LT(page, 30);
    EXPECT_EQ(List->GetScrollInfo(sbVertical), (TScrollInfo{1, 30, page, 1})) << "one position per row";

    const int recNo = Table->RecNo();
    List->WMVScroll(SB_LINEDOWN, 0);
    EXPECT_EQ(List->TopRow(), Title() + 1);
    EXPECT_EQ(List->GetScrollInfo(sbVertical).Pos, 2);
    List->WMVScroll(SB_PAGEDOWN, 0);
    EXPECT_EQ(List->TopRow(), Title() + 1 + page);
    List->WMVScroll(SB_BOTTOM, 0);
    EXPECT_EQ(List->TopRow(), Title() + 30 - page);
    EXPECT_EQ(NameAt(List->TopRow() - Title() + page - 1), QStringLiteral("R29"));
    List->WMVScroll(SB_THUMBPOSITION, 5);
    EXPECT_EQ(List->TopRow(), Title() + 4);
    EXPECT_EQ(List->GetScrollInfo(sbVertical).Pos, 5);
    List->WMVScroll(SB_TOP, 0);
    EXPECT_EQ(List->TopRow(), Title());
    // The list's record and its key stayed where they were.
    EXPECT_EQ(Table->RecNo(), recNo);
    EXPECT_TRUE(VarEqualsMv(List->KeyValue(), Variant(3)));
    EXPECT_EQ(List->Text(), QStringLiteral("R3"));
    // A key set from outside stands in the middle of the rows.
    List->SetKeyValue(Variant(20));
    EXPECT_EQ(List->Row(), Title() + 20);
    EXPECT_EQ(List->TopRow(), Title() + 20 - page / 2);
    EXPECT_EQ(List->GetScrollInfo(sbVertical).Pos, 21 - page / 2);
}

TEST_F(DBLookupGridTableTest, KeysAndClicksGoFromTheTablesCurrentRecordAndItsRowFollows)
{
    Table = MakeTable(30);
    ShowList(*Table, QStringLiteral("Id"), QStringLiteral("Name"));
    const int page = List->VisibleRowCount();
    List->SetKeyValue(Variant(2));
    // A click on a row of rows scrolled by ten chooses that row's record.
    List->WMVScroll(SB_THUMBPOSITION, 11);
    ASSERT_EQ(List->TopRow(), Title() + 10);
    ClickAt(*List, Centre(DataCell(*List, 0, List->TopRow() - Title() + 4)));
    EXPECT_EQ(List->Text(), QStringLiteral("R14"));
    EXPECT_TRUE(VarEqualsMv(List->KeyValue(), Variant(14)));
    EXPECT_EQ(List->Row(), Title() + 14) << "the current row is the key's";
    EXPECT_EQ(List->TopRow(), Title() + 10) << "the rows stay";

    PressKey(Client(), Qt::Key_Down);
    EXPECT_EQ(List->Text(), QStringLiteral("R15"));
    PressKey(Client(), Qt::Key_PageDown);
    EXPECT_EQ(List->Text(), QStringLiteral("R%1").arg(15 + page - 1));
    EXPECT_EQ(List->Row(), Title() + 15 + page - 1);
    EXPECT_LE(List->TopRow(), List->Row()) << "the rows scroll to the current record";
    EXPECT_LT(List->Row(), List->TopRow() + page);
    PressKey(Client(), Qt::Key_End);
    EXPECT_EQ(List->Text(), QStringLiteral("R29"));
    PressKey(Client(), Qt::Key_Home);
    EXPECT_EQ(List->Text(), QStringLiteral("R0"));
    EXPECT_EQ(List->TopRow(), Title());

    // A key that no record holds: the step goes from the current record.
    List->SetKeyValue(Variant(999));
    EXPECT_EQ(List->Text(), QString());
    PressKey(Client(), Qt::Key_Down);
    EXPECT_EQ(List->Text(), QStringLiteral("R1"));
    EXPECT_TRUE(VarEqualsMv(List->KeyValue(), Variant(1)));
    PressKey(Client(), Qt::Key_Up);
    EXPECT_EQ(List->Text(), QStringLiteral("R0"));

    // A double click on the current record's row, rows scrolled or not.
    List->SetKeyValue(Variant(20));
    List->WMVScroll(SB_THUMBPOSITION, 18);
    const QPoint onKey = Centre(DataCell(*List, 0, 20));
    MouseAt(*List, QEvent::MouseButtonDblClick, onKey);
    MouseAt(*List, QEvent::MouseButtonRelease, onKey);
    EXPECT_EQ(List->DoubleClicks, 1);
    EXPECT_EQ(List->Text(), QStringLiteral("R20"));
}

TEST_F(DBLookupGridTableTest, OverAPlainDatasetTheCurrentRowIsTheKeysBufferedRecord)
{
    std::unique_ptr<TClientDataSet> items = MakeItems(40);
    ShowList(*items, QStringLiteral("Code"), QStringLiteral("Title"));
    ASSERT_EQ(List->MemTableSupport(), nullptr);
    List->SetKeyValue(Variant(QStringLiteral("C003")));
    EXPECT_EQ(List->Text(), QStringLiteral("Item 3"));
    const auto keyAtRow = [&] {
        const TDataRowScopeMv scope(*List, List->Row() - Title());
        return items->FieldByName(QStringLiteral("Code"))->AsString();
    };
    EXPECT_EQ(keyAtRow(), QStringLiteral("C003"));
    // The list scrolls by a record: its current record is the one that came
    // into view, while the key's record is still shown and keeps the row.
    List->WMVScroll(SB_LINEDOWN, 0);
    EXPECT_NE(items->FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("C003"));
    EXPECT_EQ(keyAtRow(), QStringLiteral("C003"));
    EXPECT_EQ(List->Text(), QStringLiteral("Item 3"));
    // Scrolled out of the buffer, the key's record holds no row; a step
    // brings the list back to it first, the next one steps on.
    List->WMVScroll(SB_PAGEDOWN, 0);
    List->WMVScroll(SB_PAGEDOWN, 0);
    EXPECT_NE(keyAtRow(), QStringLiteral("C003"));
    PressKey(Client(), Qt::Key_Down);
    EXPECT_EQ(List->Text(), QStringLiteral("Item 3"));
    EXPECT_EQ(keyAtRow(), QStringLiteral("C003"));
    PressKey(Client(), Qt::Key_Down);
    EXPECT_EQ(List->Text(), QStringLiteral("Item 4"));
    EXPECT_EQ(keyAtRow(), QStringLiteral("C004"));
}
