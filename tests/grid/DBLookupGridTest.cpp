// The lookup grids on their own: keys, type-ahead with its pause, the
// special row, sizing, the auto-scroll interval, closing the drop-down, and
// the column's drop-down box settings that the drop-down grid keeps.

#include "DBGridEditorTestSupport.h"

#include "platform/db/Field.h"

namespace {

// A lookup grid whose clock the test sets.
class TClockedLookupGrid : public TDBLookupGridMv {
public:
    using TDBLookupGridMv::TDBLookupGridMv;
    using TDBLookupGridMv::WMVScroll;
    qint64 Now = 0;

protected:
    qint64 TickCount() const override { return Now; }
};

// The list shows the items' titles and stands for their NumIID.
void ListItemTitles(TDBLookupGridMv& List, TDataSource& Source, TDataSet* Items)
{
    Source.SetDataSet(Items);
    List.setGeometry(0, 0, 200, 120);
    List.SetKeyField(QStringLiteral("NumIID"));
    List.SetListField(QStringLiteral("Title"));
    List.SetListSource(&Source);
}

} // namespace

TEST_F(DBGridEditorTest, LookupGridKeysSearchSpecialRowSizesAndAutoScroll)
{
    OpenSkus();
    TDataSource listSource;
    TClockedLookupGrid list(Window.get());
    ListItemTitles(list, listSource, Items);
    list.SetAutoFitColWidths(true);
    list.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(list.ListActive());
    list.SetKeyValue(Variant(qint64(102)));
    EXPECT_EQ(list.Text(), QStringLiteral("长裤"));

    // Home and End take the ends; Down steps; Left and Right step like them
    // while no horizontal bar shows.
    PressKey(list.ClientWidget(), Qt::Key_End);
    EXPECT_EQ(list.Text(), QStringLiteral("帽子"));
    PressKey(list.ClientWidget(), Qt::Key_Home);
    EXPECT_EQ(list.Text(), QStringLiteral("衬衫"));
    PressKey(list.ClientWidget(), Qt::Key_Right);
    EXPECT_TRUE(VarEqualsMv(list.KeyValue(), Variant(qint64(102))));

    // Two characters within two seconds search for both; after a pause a
    // new search starts. Chinese characters search like any other.
    Items->Append();
    Items->FieldByName(QStringLiteral("NumIID"))->SetAsInteger(104);
    Items->FieldByName(QStringLiteral("Title"))->SetAsString(QStringLiteral("长袜"));
    Items->Post();
    list.Now = 10000;
    Type(list.ClientWidget(), QStringLiteral("长"));
    list.Now += 1500;
    Type(list.ClientWidget(), QStringLiteral("袜"));
    EXPECT_EQ(list.Text(), QStringLiteral("长袜"));
    EXPECT_EQ(list.SearchText(), QStringLiteral("长袜"));
    list.Now += 2500;
    Type(list.ClientWidget(), QStringLiteral("帽"));
    EXPECT_EQ(list.Text(), QStringLiteral("帽子"));
    EXPECT_EQ(list.SearchText(), QStringLiteral("帽"));

    // A key equal to the special row's value selects it; Up from the first
    // record goes there too.
    list.SpecRow().SetCellsText(QStringLiteral("(无)"));
    list.SpecRow().SetValue(Variant(qint64(0)));
    list.SpecRow().SetVisible(true);
    list.SetKeyValue(Variant(qint64(0)));
    EXPECT_TRUE(list.SpecRowSelected());
    EXPECT_EQ(list.Text(), QStringLiteral("(无)"));
    PressKey(list.ClientWidget(), Qt::Key_Down);
    EXPECT_EQ(list.Text(), QStringLiteral("衬衫"));
    PressKey(list.ClientWidget(), Qt::Key_Up);
    PressKey(list.ClientWidget(), Qt::Key_Up);
    EXPECT_TRUE(list.SpecRowSelected());
    EXPECT_TRUE(VarEqualsMv(list.KeyValue(), Variant(qint64(0))));

    // Sized by whole rows, within bounds.
    list.SetRowCount(0);
    EXPECT_EQ(list.RowCountVisible(), 1);
    list.SetRowCount(500);
    EXPECT_EQ(list.RowCountVisible(), 100);
    list.SetRowCount(3);
    const int rowsHeight = list.height();
    list.SetBounds(0, 0, 200, rowsHeight + list.DataRowHeight() / 2);
    EXPECT_EQ(list.height(), rowsHeight);
    EXPECT_EQ(list.RowCountVisible(), 3);

    const QPoint inside = Centre(list.CellRect(0, list.TitleRowCount()));
    // The grid's own press event runs once per press: on a record, with
    // either button, and (through the dataset grid) on the titles.
    std::vector<std::pair<TMouseButton, int>> presses;
    list.OnMouseDown = [&](QObject* Sender, TMouseButton Button, TShiftState, int, int Y) {
        EXPECT_EQ(Sender, &list);
        presses.emplace_back(Button, Y);
    };
    const QPoint onTitle = Centre(list.CellRect(0, 0));
    ClickAt(list, inside, Qt::NoModifier, Qt::RightButton);
    ClickAt(list, onTitle);
    MouseAt(list, QEvent::MouseButtonPress, inside);
    const std::vector<std::pair<TMouseButton, int>> expected{
        {mbRight, inside.y()}, {mbLeft, onTitle.y()}, {mbLeft, inside.y()}};
    EXPECT_EQ(presses, expected);
    // Dragging the pressed mouse 10 pixels above the list scrolls every
    // 50 ms; 14 pixels or more away without pause. While the press tracks,
    // every move and the release fire the grid's events too, after the
    // list's own handling.
    int moves = 0;
    std::vector<TMouseButton> releases;
    list.OnMouseMove = [&](QObject* Sender, TShiftState, int, int) {
        EXPECT_EQ(Sender, &list);
        ++moves;
    };
    list.OnMouseUp = [&](QObject*, TMouseButton Button, TShiftState, int, int) { releases.push_back(Button); };
    for (const auto& [y, interval] : {std::pair{-10, 50}, std::pair{-14, 0}, std::pair{-30, 0}}) {
        MouseAt(list, QEvent::MouseMove, QPoint(20, y));
        EXPECT_EQ(list.AutoScrollInterval(), interval) << y;
    }
    MouseAt(list, QEvent::MouseButtonRelease, inside);
    EXPECT_EQ(list.AutoScrollInterval(), -1);
    EXPECT_EQ(moves, 3);
    EXPECT_EQ(releases, std::vector<TMouseButton>{mbLeft});

    // A page down moves the list by twice the buffered rows less the
    // active row and 2, a page up by one less than both together; the key
    // stays.
    for (int i = 0; i < 100; ++i) {
        Items->Append();
        Items->FieldByName(QStringLiteral("NumIID"))->SetAsInteger(1000 + i);
        Items->FieldByName(QStringLiteral("Title"))->SetAsString(QStringLiteral("T%1").arg(i));
        Items->Post();
    }
    list.SetRowCount(20);
    list.SetKeyValue(Variant(qint64(1030)));
    const Variant key = list.KeyValue();
    const int rows = list.DataLink()->RecordCount();
    int active = list.DataLink()->ActiveRecord();
    int before = Items->RecNo();
    list.WMVScroll(SB_PAGEDOWN, 0);
    EXPECT_EQ(Items->RecNo() - before, 2 * rows - active - 2);
    active = list.DataLink()->ActiveRecord();
    before = Items->RecNo();
    list.WMVScroll(SB_PAGEUP, 0);
    EXPECT_EQ(Items->RecNo() - before, -active - rows + 1);
    EXPECT_TRUE(VarEqualsMv(list.KeyValue(), key));
}

TEST_F(DBGridEditorTest, DropDownClosesWithoutValueOnReleaseOutsideAndKeepsTheBoxSettings)
{
    OpenSkus();
    TColumnMv* item = Grid->GetColumnByFieldName(QStringLiteral("Item"));
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Item"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupDataGridMv* list = editor->DataList();
    ASSERT_TRUE(list && list->isVisible());
    // The press and the drag over the rows choose, each telling the owner;
    // the release outside takes nothing of it.
    std::vector<qint64> selected;
    list->OnRowSelected = [&](QObject*) { selected.push_back(list->KeyValue().AsInteger()); };
    const QPoint inside = Centre(list->CellRect(0, list->TitleRowCount() + 1));
    MouseAt(*list, QEvent::MouseButtonPress, inside);
    MouseAt(*list, QEvent::MouseMove, Centre(list->CellRect(0, list->TitleRowCount() + 2)));
    EXPECT_EQ(selected, (std::vector<qint64>{102, 103}));
    MouseAt(*list, QEvent::MouseButtonRelease, QPoint(inside.x(), -200));
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("衬衫"));
    Data->CheckBrowseMode();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("NumIID"))->AsInteger(), 101);

    // The drop-down box keeps its columns and options in the drop-down
    // grid; copying default columns clears the target's.
    TColumnDropDownBoxMv& box = item->DropDownBox();
    ASSERT_NE(box.Columns(), nullptr);
    box.SetOptions(TDBLookupGridMvOptions(dlgRowLinesMv));
    EXPECT_TRUE(list->Options().testFlag(dgRowLines));
    box.Columns()->Clear();
    box.Columns()->Add()->SetFieldName(QStringLiteral("Title"));
    EXPECT_TRUE(box.IsColumnsStored());
    TColumnMv* other = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    other->DropDownBox().Assign(box);
    ASSERT_NE(other->DataListIfAny(), nullptr);
    EXPECT_TRUE(other->DropDownBox().IsColumnsStored());
    EXPECT_EQ(other->DropDownBox().Columns()->Count(), 1);
    EXPECT_EQ(other->DropDownBox().Options(), TDBLookupGridMvOptions(dlgRowLinesMv));
    TColumnMv* plain = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    plain->DropDownBox().Assign(other->DropDownBox());
    ASSERT_NE(plain->DropDownBox().Columns(), nullptr);
    EXPECT_EQ(plain->DropDownBox().Columns()->Count(), 1);
    // The customized columns and options are stored with the column and
    // read back.
    const QVariantMap stored = other->StoredProperties();
    ASSERT_TRUE(stored.contains(QStringLiteral("DropDownBox")));
    TDBGridMv elsewhere;
    TColumnMv* copy = elsewhere.Columns().Add();
    copy->LoadProperties(stored);
    ASSERT_NE(copy->DataListIfAny(), nullptr);
    EXPECT_TRUE(copy->DropDownBox().IsColumnsStored());
    EXPECT_EQ(copy->DropDownBox().Columns()->Items(0)->FieldName(), QStringLiteral("Title"));
    EXPECT_EQ(copy->DropDownBox().Options(), TDBLookupGridMvOptions(dlgRowLinesMv));
    EXPECT_FALSE(Grid->GetColumnByFieldName(QStringLiteral("SkuID"))->StoredProperties().contains(
        QStringLiteral("DropDownBox")));
    EXPECT_EQ(Grid->GetColumnByFieldName(QStringLiteral("SkuID"))->DataListIfAny(), nullptr);
    // The special rows keep their colour and font only where set; the
    // drop-down columns their special cells.
    TSpecRowMv& specRow = other->DropDownSpecRow();
    specRow.SetCellsText(QStringLiteral("(无)"));
    specRow.SetValue(Variant(qint64(0)));
    specRow.SetVisible(true);
    TFont bold = other->Font();
    bold.setBold(true);
    specRow.SetFont(bold);
    other->DropDownBox().SpecRow().SetColor(clYellow);
    auto* boxColumn = dynamic_cast<TDBLookupGridColumnMv*>(other->DropDownBox().Columns()->Items(0));
    ASSERT_NE(boxColumn, nullptr);
    boxColumn->SpecCell().SetColor(clAqua);
    boxColumn->SpecCell().SetText(QStringLiteral("全部"));
    TColumnMv* reread = elsewhere.Columns().Add();
    reread->LoadProperties(other->StoredProperties());
    const TSpecRowMv& readRow = reread->DropDownSpecRow();
    EXPECT_EQ(readRow.CellsText(), QStringLiteral("(无)"));
    EXPECT_TRUE(VarEqualsMv(readRow.Value(), Variant(qint64(0))));
    EXPECT_TRUE(readRow.Visible() && readRow.FontAssigned() && readRow.Font().bold());
    EXPECT_FALSE(readRow.ColorAssigned());
    EXPECT_EQ(reread->DropDownBox().SpecRow().Color(), clYellow);
    EXPECT_FALSE(reread->DropDownBox().SpecRow().FontAssigned());
    auto* readColumn = dynamic_cast<TDBLookupGridColumnMv*>(reread->DropDownBox().Columns()->Items(0));
    ASSERT_NE(readColumn, nullptr);
    EXPECT_TRUE(readColumn->SpecCell().ColorAssigned() && readColumn->SpecCell().TextAssigned());
    EXPECT_FALSE(readColumn->SpecCell().FontAssigned());
    EXPECT_EQ(readColumn->SpecCell().Color(), clAqua);
    EXPECT_EQ(readColumn->SpecCell().Text(), QStringLiteral("全部"));
    TColumnDropDownBoxMv fresh(nullptr);
    other->DropDownBox().Assign(fresh);
    EXPECT_FALSE(other->DropDownBox().IsColumnsStored());

    // A lookup grid's own columns offer no drop-down grid: their box reads
    // empty and ignores writes.
    TColumnMv* inner = list->Columns()[0];
    EXPECT_EQ(inner->DropDownBox().Columns(), nullptr);
    inner->DropDownBox().SetOptions(TDBLookupGridMvOptions(dlgColumnResizeMv));
    EXPECT_EQ(inner->DropDownBox().Options(), TDBLookupGridMvOptions());
}

TEST_F(DBGridEditorTest, LookupColumnsMovedThereAndBackStayThemselvesAndLeadTheListFields)
{
    OpenSkus();
    TDataSource listSource;
    TDBLookupGridMv list(Window.get());
    ListItemTitles(list, listSource, Items);
    list.SetListField(QStringLiteral("Title;NumIID"));
    list.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(list.ListActive());
    ASSERT_EQ(list.Columns().Count(), 2);
    TColumnMv* numIID = list.Columns()[1];
    numIID->SetWidth(77);
    numIID->SetIndex(0);
    EXPECT_EQ(list.ListField(), QStringLiteral("NumIID;Title"));
    EXPECT_EQ(list.ListFields().front()->FieldName(), QStringLiteral("NumIID"));
    // Back again: no rebuild of the columns frees the one that moves.
    numIID->SetIndex(1);
    EXPECT_EQ(list.ListField(), QStringLiteral("Title;NumIID"));
    ASSERT_EQ(list.Columns().Count(), 2);
    EXPECT_EQ(list.Columns()[1]->FieldName(), QStringLiteral("NumIID"));
    EXPECT_EQ(list.Columns()[1]->Width(), 77);
}
