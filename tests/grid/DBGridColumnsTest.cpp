// Columns and titles: defaults taken from the grid and the field, the
// assigned flags, widths and their limits, key and pick lists, check boxes,
// stepping values, sort markers, and the column collection with its field map.

#include "DBGridTestSupport.h"

namespace {

// A column made by the program, bound to a field of the grid's dataset.
TColumnMv* AddColumn(TCustomDBGridMv& grid, const QString& fieldName)
{
    TColumnMv* column = grid.Columns().Add();
    column->SetFieldName(fieldName);
    return column;
}

} // namespace

TEST(DBGridColumnStandalone, ReadsAndWritesNothingOutsideAGrid)
{
    TDBGridColumnsMv columns(nullptr, nullptr);
    TColumnMv* column = columns.Add();
    EXPECT_EQ(column->Grid(), nullptr);
    EXPECT_EQ(column->GetDisplayText(), QString());
    EXPECT_EQ(column->GetCheckboxState(), cbUnchecked);
    column->UpdateDataValues(QStringLiteral("x"), Variant(), true);
    EXPECT_FALSE(column->CanModify(true));
}

TEST_F(DBGridTest, WidthKeepsItsFlagAndLimits)
{
    auto data = MakeItems(3);
    TColumnMv* column = AddColumn(*Grid, QStringLiteral("Title"));
    Bind(*data);
    const int byField = column->Width();
    EXPECT_GT(byField, 64) << "twenty characters of the field";

    column->SetWidth(byField);
    EXPECT_FALSE(column->AssignedValues().testFlag(cvWidth));
    column->SetWidth(-1);
    EXPECT_FALSE(column->AssignedValues().testFlag(cvWidth));
    EXPECT_EQ(column->Width(), byField);

    column->SetWidth(80);
    EXPECT_TRUE(column->AssignedValues().testFlag(cvWidth));
    column->SetMaxWidth(50);
    EXPECT_EQ(column->Width(), 50);
    column->SetMinWidth(100);
    EXPECT_EQ(column->Width(), 100);
    // The base grid follows the column.
    EXPECT_EQ(Grid->ColWidths(Grid->DataToRawColumn(column->Index())), 100);
}

TEST_F(DBGridTest, UnsetFontsFollowTheGrid)
{
    TColumnMv* plain = Grid->Columns().Add();
    TColumnMv* own = Grid->Columns().Add();
    TFont mine = own->Font();
    mine.setPixelSize(20);
    own->SetFont(mine);

    QFont bigger = Grid->font();
    bigger.setPixelSize(17);
    Grid->setFont(bigger);
    EXPECT_EQ(plain->Font().pixelSize(), 17);
    EXPECT_EQ(own->Font().pixelSize(), 20);
    EXPECT_EQ(plain->Title().Font().pixelSize(), 17) << "the title font follows the grid's font while it is its parent";
}

TEST_F(DBGridTest, CheckBoxesOverTextReadAndWriteTheKeyListValues)
{
    auto data = MakeItems(3);
    TColumnMv* column = AddColumn(*Grid, QStringLiteral("Flag"));
    const TStringList keys(QStringList{u"Y;y"_qs, u"N;n"_qs});
    column->SetKeyList(&keys);
    column->SetCheckboxes(true);
    Bind(*data);
    EXPECT_EQ(column->GetColumnType(), ctCheckboxes);

    auto stateOf = [&](const QString& value) {
        data->Edit();
        data->FieldByName(QStringLiteral("Flag"))->SetAsString(value);
        data->Post();
        return column->GetCheckboxState();
    };
    EXPECT_EQ(stateOf(QStringLiteral("y")), cbChecked);
    EXPECT_EQ(stateOf(QStringLiteral("n")), cbUnchecked);
    EXPECT_EQ(stateOf(QStringLiteral("x")), cbGrayed);

    data->Edit();
    column->SetCheckboxState(cbChecked);
    EXPECT_EQ(data->FieldByName(QStringLiteral("Flag"))->AsString(), QStringLiteral("Y"));
    column->SetCheckboxState(cbGrayed);
    EXPECT_TRUE(data->FieldByName(QStringLiteral("Flag"))->IsNull());
    data->Cancel();
}

TEST_F(DBGridTest, SteppingWalksAroundPickListsAndNumbers)
{
    auto data = MakeItems(2);
    TColumnMv* title = AddColumn(*Grid, QStringLiteral("Title"));
    const TStringList picks(QStringList{u"Item 1"_qs, u"Middle"_qs, u"Last"_qs});
    title->SetPickList(&picks);
    TColumnMv* qty = AddColumn(*Grid, QStringLiteral("Qty"));
    Bind(*data);
    TField* titleField = data->FieldByName(QStringLiteral("Title"));

    data->Edit();
    titleField->SetAsString(QStringLiteral("Last"));
    title->SetNextFieldValue(1);
    EXPECT_EQ(titleField->AsString(), QStringLiteral("Item 1")) << "past the last item comes the first";
    title->SetNextFieldValue(-1);
    EXPECT_EQ(titleField->AsString(), QStringLiteral("Last")) << "before the first item comes the last";
    titleField->SetAsString(QStringLiteral("not listed"));
    title->SetNextFieldValue(-1);
    EXPECT_EQ(titleField->AsString(), QStringLiteral("Last"));

    qty->SetNextFieldValue(1);
    EXPECT_EQ(data->FieldByName(QStringLiteral("Qty"))->AsInteger(), 2);
    data->FieldByName(QStringLiteral("Qty"))->Clear();
    qty->SetNextFieldValue(1);
    EXPECT_EQ(data->FieldByName(QStringLiteral("Qty"))->AsInteger(), 0) << "a null number starts at 0";
    data->Cancel();

    // A read-only grid changes nothing.
    Grid->SetReadOnly(true);
    qty->SetNextFieldValue(1);
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_EQ(data->FieldByName(QStringLiteral("Qty"))->AsInteger(), 1);
}

TEST_F(DBGridTest, SortMarkersCycleOnTitleClicksAndNumberTheMarkedColumns)
{
    TColumnMv* a = Grid->Columns().Add();
    TColumnMv* b = Grid->Columns().Add();
    TColumnMv* c = Grid->Columns().Add();
    a->Title().SetNextSortMarkerValue(false);
    EXPECT_EQ(a->Title().SortMarker(), smDownMv);
    a->Title().SetNextSortMarkerValue(false);
    EXPECT_EQ(a->Title().SortMarker(), smUpMv);
    a->Title().SetNextSortMarkerValue(false);
    EXPECT_EQ(a->Title().SortMarker(), smDownMv) << "without KeepMulti the cycle never ends unmarked";
    b->Title().SetNextSortMarkerValue(false);
    EXPECT_EQ(a->Title().SortMarker(), smNoneMv) << "marking one column clears the others";
    EXPECT_EQ(b->Title().SortIndex(), 1);
    b->Title().SetNextSortMarkerValue(true);
    b->Title().SetNextSortMarkerValue(true);
    EXPECT_EQ(b->Title().SortMarker(), smNoneMv);
    EXPECT_EQ(Grid->SortMarkedColumns().Count(), 0);

    Grid->SetOptionsMv(Grid->OptionsMv() | dghMultiSortMarking);
    a->Title().SetSortMarker(smDownMv);
    b->Title().SetSortMarker(smUpMv);
    c->Title().SetSortMarker(smDownMv);
    EXPECT_EQ(a->Title().SortIndex(), 1);
    EXPECT_EQ(b->Title().SortIndex(), 2);
    EXPECT_EQ(c->Title().SortIndex(), 3);
    ASSERT_EQ(Grid->SortMarkedColumns().Count(), 3);
    a->Title().SetSortMarker(smNoneMv);
    EXPECT_EQ(a->Title().SortIndex(), 0);
    EXPECT_EQ(b->Title().SortIndex(), 1);
    EXPECT_EQ(c->Title().SortIndex(), 2);
    EXPECT_EQ(Grid->SortMarkedColumns().Items(0), b);

    // SortIndex changes only by exchange with the column that holds it.
    c->Title().SetSortIndex(1);
    EXPECT_EQ(c->Title().SortIndex(), 1);
    EXPECT_EQ(b->Title().SortIndex(), 2);
    EXPECT_EQ(Grid->SortMarkedColumns().Items(0), c);
    c->Title().SetSortIndex(5);
    EXPECT_EQ(c->Title().SortIndex(), 1);

    // Dropping multi-sort keeps the first marked column only.
    Grid->SetOptionsMv(Grid->OptionsMv() & ~TDBGridMvOptions(dghMultiSortMarking));
    EXPECT_EQ(c->Title().SortMarker(), smDownMv);
    EXPECT_EQ(b->Title().SortMarker(), smNoneMv);
    EXPECT_EQ(Grid->SortMarkedColumns().Count(), 1);

    // A change of the markers goes to the grid's event only with automatic
    // sort marking; without a handler the data service leaves the data alone.
    auto data = MakeItems(3);
    Bind(*data);
    int told = 0;
    Grid->OnSortMarkingChanged = [&](QObject*) { ++told; };
    Grid->SortMarkingChanged();
    EXPECT_EQ(told, 0);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghAutoSortMarking);
    Grid->SortMarkingChanged();
    EXPECT_EQ(told, 1);
    Grid->OnSortMarkingChanged = nullptr;
    Grid->SortMarkingChanged();
    EXPECT_EQ(data->RecNo(), 1);
}

TEST_F(DBGridTest, DefaultColumnsWriteThroughToTheirFieldsProgramMadeOnesDoNot)
{
    auto data = MakeItems(3);
    Bind(*data);
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("qty"));
    EXPECT_EQ(qty->FieldName(), QStringLiteral("Qty"));
    EXPECT_FALSE(qty->Stored());
    EXPECT_EQ(qty->Alignment(), taRightJustify) << "numbers stand right by their field";

    qty->Title().SetCaption(QStringLiteral("数量"));
    EXPECT_EQ(data->FieldByName(QStringLiteral("Qty"))->DisplayLabel(), QStringLiteral("数量"));
    qty->SetReadOnly(true);
    EXPECT_TRUE(data->FieldByName(QStringLiteral("Qty"))->ReadOnly());
    qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    EXPECT_TRUE(qty->ReadOnly());
    EXPECT_EQ(qty->Title().Caption(), QStringLiteral("数量"));

    // Moving a default column moves its field.
    qty->SetIndex(0);
    EXPECT_EQ(data->FieldByName(QStringLiteral("Qty"))->Index(), 0);
    EXPECT_EQ(Grid->Columns().Items(0)->FieldName(), QStringLiteral("Qty"));

    // A program-made column takes the field's label, else the field name,
    // and keeps a caption of its own to itself.
    TField* priceField = data->FieldByName(QStringLiteral("Price"));
    priceField->SetDisplayLabel(QStringLiteral("单价"));
    TColumnMv* price = AddColumn(*Grid, QStringLiteral("Price"));
    EXPECT_EQ(AddColumn(*Grid, QStringLiteral("Missing"))->Title().Caption(), QStringLiteral("Missing"));
    EXPECT_EQ(price->Title().Caption(), QStringLiteral("单价"));
    price->Title().SetCaption(QStringLiteral("价格"));
    EXPECT_EQ(price->Title().Caption(), QStringLiteral("价格"));
    EXPECT_EQ(priceField->DisplayLabel(), QStringLiteral("单价"));
    price->Title().RestoreDefaults();
    EXPECT_EQ(price->Title().Caption(), QStringLiteral("单价"));

    try {
        Grid->GetColumnByFieldName(QStringLiteral("Nope"));
        ADD_FAILURE() << "an unknown field name was found";
    } catch (const EInvalidGridOperationMv& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("字段名称 'Nope' 没有找到"));
    }
}

TEST_F(DBGridTest, AssignAndStoringKeepOnlyWhatWasSet)
{
    TColumnMv* source = Grid->Columns().Add();
    source->SetFieldName(QStringLiteral("Qty"));
    source->SetColor(clYellow);
    source->Title().SetCaption(QStringLiteral("数量"));
    source->Footer().SetValueType(fvtSum);
    source->SetIncrement(2.5);
    const TStringList picks(QStringList{u"a"_qs, u"b"_qs});
    source->SetPickList(&picks);

    TColumnMv* copy = Grid->Columns().Add();
    copy->Assign(*source);
    EXPECT_EQ(copy->FieldName(), QStringLiteral("Qty"));
    EXPECT_EQ(copy->Color(), clYellow);
    EXPECT_EQ(copy->Title().Caption(), QStringLiteral("数量"));
    EXPECT_EQ(copy->Footer().ValueType(), fvtSum);
    EXPECT_EQ(copy->Increment(), 2.5);
    ASSERT_NE(copy->PickListIfAny(), nullptr);
    EXPECT_EQ(copy->PickListIfAny()->Count(), 2);
    EXPECT_FALSE(copy->AssignedValues().testFlag(cvWidth));

    const QVariantMap stored = copy->StoredProperties();
    EXPECT_TRUE(stored.contains(QStringLiteral("Color")));
    EXPECT_TRUE(stored.contains(QStringLiteral("Increment")));
    EXPECT_FALSE(stored.contains(QStringLiteral("Width")));
    EXPECT_FALSE(stored.contains(QStringLiteral("Alignment")));

    copy->RestoreDefaults();
    EXPECT_EQ(copy->AssignedValues(), TColumnMvValues());
    EXPECT_EQ(copy->Color(), Grid->Color());
    EXPECT_EQ(copy->PickListIfAny(), nullptr);
}

// ---------------------------------------------------------------- collection and field map

TEST_F(DBGridTest, FieldMapGrowsByDoublingAndSparseMapsKeepMissingFields)
{
    auto data = std::make_unique<TClientDataSet>();
    for (int i = 0; i < 9; ++i)
        data->FieldDefs().Add(QStringLiteral("F%1").arg(i), ftInteger);
    data->CreateDataSet();
    Bind(*data);
    EXPECT_EQ(Grid->DataLink()->FieldCount(), 9);
    EXPECT_EQ(Grid->DataLink()->MapCapacity(), 16);
    EXPECT_TRUE(Grid->DataLink()->DefaultFields());

    TColumnMv* known = Grid->Columns().Add();
    known->SetFieldName(QStringLiteral("F3"));
    TColumnMv* unknown = Grid->Columns().Add();
    unknown->SetFieldName(QStringLiteral("Missing"));
    EXPECT_TRUE(Grid->DataLink()->SparseMap());
    EXPECT_EQ(Grid->Columns().Count(), 2) << "the default columns went";
    EXPECT_EQ(Grid->GetFields(0), data->FieldByName(QStringLiteral("F3")));
    EXPECT_EQ(Grid->GetFields(1), nullptr);
    EXPECT_EQ(unknown->Field(), nullptr);
    EXPECT_FALSE(Grid->DataLink()->DefaultFields());
    EXPECT_EQ(Grid->GetFields(7), nullptr);
}

TEST_F(DBGridTest, AutoFitResizeMovesWidthToTheRightNeighbour)
{
    for (int i = 0; i < 3; ++i)
        Grid->Columns().Add()->SetWidth(100);
    Grid->SetAutoFitColWidths(true);
    Show(400, 200);
    TDBGridColumnsMv& columns = Grid->Columns();
    const int first = columns[0]->InitWidth();
    const int second = columns[1]->InitWidth();
    const int total = first + second + columns[2]->InitWidth();

    // The user widens the first column by 20 pixels.
    Grid->SetColWidths(Grid->DataToRawColumn(0), columns[0]->Width() + 20);
    EXPECT_GT(columns[0]->InitWidth(), first);
    EXPECT_EQ(columns[1]->InitWidth(), second - (columns[0]->InitWidth() - first));
    EXPECT_EQ(columns[0]->InitWidth() + columns[1]->InitWidth() + columns[2]->InitWidth(), total);

    // The last column has no neighbour to take from.
    const int before = columns[1]->InitWidth();
    Grid->SetColWidths(Grid->DataToRawColumn(2), columns[2]->Width() + 20);
    EXPECT_EQ(columns[1]->InitWidth(), before);
}

TEST_F(DBGridTest, HidingTheCurrentColumnMovesToTheFirstVisible)
{
    auto data = MakeItems(3);
    Bind(*data);
    Show();
    Grid->SetSelectedIndex(2);
    Grid->Columns()[0]->SetVisible(false);
    EXPECT_EQ(Grid->GetSelectedIndex(), 2);
    Grid->Columns()[2]->SetVisible(false);
    EXPECT_EQ(Grid->GetSelectedIndex(), 1) << "column 0 is hidden too";
}

TEST_F(DBGridTest, KeyListsMapTheValueToAPickEntryOrAnImage)
{
    auto data = MakeItems(3);
    TColumnMv* picked = AddColumn(*Grid, QStringLiteral("Qty"));
    const TStringList pickKeys(QStringList{u"1"_qs, u"2"_qs});
    const TStringList picks(QStringList{u"Yes"_qs, u"No"_qs});
    picked->SetKeyList(&pickKeys);
    picked->SetPickList(&picks);
    TImageList images(8, 8);
    TColumnMv* qty = AddColumn(*Grid, QStringLiteral("Qty"));
    qty->SetImageList(&images);
    TColumnMv* price = AddColumn(*Grid, QStringLiteral("Price"));
    price->SetImageList(&images);
    Bind(*data);
    EXPECT_EQ(picked->GetColumnType(), ctKeyPickList);
    data->SetRecNo(2);
    EXPECT_EQ(picked->GetDisplayText(), QStringLiteral("No"));
    data->SetRecNo(3);
    EXPECT_EQ(picked->GetDisplayText(), QString());
    picked->SetNotInKeyListIndex(0);
    EXPECT_EQ(picked->GetDisplayText(), QStringLiteral("Yes"));

    EXPECT_EQ(qty->GetColumnType(), ctKeyImageList);
    EXPECT_EQ(qty->GetDisplayText(), QString()) << "an image column shows no text";
    EXPECT_EQ(qty->GetImageIndex(), 3) << "an integer field is its own image index";
    EXPECT_EQ(price->GetImageIndex(), 4) << "3.75 rounds to the nearest index";
    data->Edit();
    data->FieldByName(QStringLiteral("Qty"))->Clear();
    qty->SetNotInKeyListIndex(1);
    EXPECT_EQ(qty->GetImageIndex(), 1);
    data->FieldByName(QStringLiteral("Price"))->SetAsFloat(5e12);
    EXPECT_EQ(price->GetImageIndex(), -1) << "beyond 32 bits there is no index";
    data->Cancel();
    const TStringList keys(QStringList{u"3"_qs, u"2"_qs, u"1"_qs});
    qty->SetKeyList(&keys);
    EXPECT_EQ(qty->GetImageIndex(), 0) << "with keys, the position of the value among them";
    qty->SetShowImageAndText(true);
    EXPECT_EQ(qty->GetColumnType(), ctCommon);
}

TEST(DBGridTextWriters, ShortenWithAnEllipsisUntilItFits)
{
    TCanvas canvas;
    canvas.Font = QApplication::font();
    const QString text = QStringLiteral("A fairly long caption");
    EXPECT_EQ(ShortenTextMv(canvas, text, 1000), text);
    const int room = canvas.TextWidth(QStringLiteral("A fairly..."));
    const QString shortened = ShortenTextMv(canvas, text, room);
    EXPECT_TRUE(shortened.endsWith(QStringLiteral("...")));
    EXPECT_LE(canvas.TextWidth(shortened), room);
    EXPECT_TRUE(text.startsWith(shortened.chopped(3)));
    EXPECT_EQ(ShortenTextMv(canvas, text, 1), QStringLiteral("..."));
}
