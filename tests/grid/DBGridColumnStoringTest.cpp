// What a column keeps and gives: title settings stored only where they
// differ from the grid's defaults, a drop-down box copied from a column
// that never made its drop-down grid, and the image of a record whose
// number is Null.

#include "DBGridEditorTestSupport.h"

#include "grid/DBGridMvStyle.h"
#include "platform/Colors.h"
#include "platform/ImageList.h"
#include "platform/db/Field.h"

#include <QPainter>

namespace {

QVariantMap TitleStored(const TColumnMv* Column)
{
    return Column->StoredProperties().value(QStringLiteral("Title")).toMap();
}

// A strip of solid squares, one per colour.
QImage Strip(const std::vector<QColor>& Colours, int Size)
{
    QImage strip(Size * int(Colours.size()), Size, QImage::Format_RGB32);
    QPainter painter(&strip);
    for (size_t i = 0; i < Colours.size(); ++i)
        painter.fillRect(int(i) * Size, 0, Size, Size, Colours[i]);
    return strip;
}

} // namespace

TEST_F(DBGridTest, TitleSettingsAreStoredOnlyWhereTheyDifferFromTheGridsDefaults)
{
    auto data = MakeItems(3);
    Bind(*data);
    Show();
    Grid->ColumnDefValues().Title().SetTitleButton(true);
    TColumnMv* qty = Grid->Columns().Add();
    qty->SetFieldName(QStringLiteral("Qty"));
    TColumnMv* code = Grid->Columns().Add();
    code->SetFieldName(QStringLiteral("Code"));

    // Set to what they read anyway: flagged, yet nothing to store.
    qty->Title().SetTitleButton(true);
    qty->Title().SetEndEllipsis(false);
    qty->Title().SetToolTips(false);
    qty->Title().SetOrientation(tohHorizontal);
    EXPECT_TRUE(qty->AssignedValues().testFlag(cvTitleButton));
    EXPECT_TRUE(qty->AssignedValues().testFlag(cvTitleOrientation));
    const QVariantMap same = TitleStored(qty);
    for (const char* name : {"TitleButton", "EndEllipsis", "ToolTips", "Orientation"})
        EXPECT_FALSE(same.contains(QString::fromLatin1(name))) << name;

    // A grid with the same columns that never set them stores the same.
    TDBGridMv twin;
    twin.ColumnDefValues().Title().SetTitleButton(true);
    twin.Columns().Add()->SetFieldName(QStringLiteral("Qty"));
    twin.Columns().Add()->SetFieldName(QStringLiteral("Code"));
    EXPECT_TRUE(Grid->Columns().Equals(twin.Columns()));
    EXPECT_FALSE(Grid->StoredProperties(&twin).contains(QStringLiteral("Columns")));

    // Values that differ are stored and read back.
    code->Title().SetTitleButton(false);
    code->Title().SetEndEllipsis(true);
    code->Title().SetToolTips(true);
    code->Title().SetOrientation(tohVertical);
    const QVariantMap differ = TitleStored(code);
    EXPECT_EQ(differ.value(QStringLiteral("TitleButton")), QVariant(false));
    EXPECT_EQ(differ.value(QStringLiteral("EndEllipsis")), QVariant(true));
    EXPECT_EQ(differ.value(QStringLiteral("ToolTips")), QVariant(true));
    EXPECT_EQ(differ.value(QStringLiteral("Orientation")), QVariant(int(tohVertical)));
    EXPECT_FALSE(Grid->Columns().Equals(twin.Columns()));
    twin.LoadProperties(Grid->StoredProperties());
    ASSERT_EQ(twin.Columns().Count(), 2);
    const TColumnTitleMv& read = twin.Columns()[1]->Title();
    EXPECT_FALSE(read.TitleButton());
    EXPECT_TRUE(read.EndEllipsis());
    EXPECT_TRUE(read.ToolTips());
    EXPECT_EQ(read.Orientation(), tohVertical);
    // What was stored as the default follows the grid's defaults after.
    EXPECT_TRUE(twin.Columns()[0]->Title().TitleButton());
    twin.ColumnDefValues().Title().SetTitleButton(false);
    EXPECT_FALSE(twin.Columns()[0]->Title().TitleButton());
}

TEST_F(DBGridEditorTest, ADropDownBoxCopiedFromAColumnThatNeverMadeItsDropDownGridTakesFreshDefaults)
{
    OpenSkus();
    TColumnDropDownBoxMv& box = Grid->GetColumnByFieldName(QStringLiteral("Item"))->DropDownBox();
    ASSERT_NE(box.ColumnDefValues(), nullptr);
    box.ColumnDefValues()->SetToolTips(true);
    box.ColumnDefValues()->SetAutoDropDown(true);
    box.ColumnDefValues()->Title().SetTitleButton(true);
    box.ColumnDefValues()->Title().SetToolTips(true);
    box.Columns()->Clear();
    box.Columns()->Add()->SetFieldName(QStringLiteral("Title"));
    box.SetOptions(TDBLookupGridMvOptions(dlgRowLinesMv));

    TColumnMv* sku = Grid->GetColumnByFieldName(QStringLiteral("SkuID"));
    ASSERT_EQ(sku->DataListIfAny(), nullptr);
    box.Assign(sku->DropDownBox());
    EXPECT_EQ(sku->DataListIfAny(), nullptr) << "copying made no drop-down grid there";
    EXPECT_FALSE(box.IsColumnsStored()) << "only the grid's default column is left";
    EXPECT_EQ(box.Options(), TDBLookupGridMvOptions(dlgColLinesMv));
    const TColumnDefValuesMv& defaults = *box.ColumnDefValues();
    EXPECT_FALSE(defaults.ToolTips());
    EXPECT_FALSE(defaults.AutoDropDown());
    EXPECT_FALSE(defaults.Title().TitleButton());
    EXPECT_FALSE(defaults.Title().ToolTips());

    // The drop-down grid shows the list with those defaults.
    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("Item"));
    ASSERT_NE(editor, nullptr);
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    TPopupDataGridMv* list = editor->DataList();
    ASSERT_TRUE(list->isVisible());
    ASSERT_GE(list->Columns().Count(), 1);
    EXPECT_FALSE(list->Columns()[0]->ToolTips());
    EXPECT_FALSE(list->Columns()[0]->Title().TitleButton());
    PressKey(editor, Qt::Key_Escape);
}

TEST_F(DBGridDatabaseTest, ANullFloatShowsImageZeroWhileANullIntegerOrDecimalIsNotInTheList)
{
    Exec(QStringLiteral("insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"Price\",\"Qty\",\"ShopCode\",\"SyncDate\") "
                        "values(1,null,null,null,'S1','d')"));
    Exec(QStringLiteral("insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"Price\",\"Qty\",\"ShopCode\",\"SyncDate\") "
                        "values(2,2,1,1,'S1','d')"));
    TClientDataSet& data = OpenClient(
        QStringLiteral("select \"SkuID\", cast(\"Qty\" as double precision) as \"Rate\", \"Qty\", \"Price\", "
                       "\"NumIID\" from \"KivItem\" order by \"SkuID\""));
    TField* rate = data.FieldByName(QStringLiteral("Rate"));
    TField* qty = data.FieldByName(QStringLiteral("Qty"));
    TField* price = data.FieldByName(QStringLiteral("Price"));
    TField* numIid = data.FieldByName(QStringLiteral("NumIID"));
    ASSERT_EQ(rate->DataType(), ftFloat);
    ASSERT_EQ(qty->DataType(), ftInteger);
    ASSERT_EQ(numIid->DataType(), ftLargeint);
    ASSERT_TRUE(price->DataType() == ftBCD || price->DataType() == ftFMTBcd);
    ASSERT_TRUE(rate->IsNull());

    // Read by value, a Null float, currency or large integer is 0; the
    // smaller integers and the decimals have no value to read.
    EXPECT_EQ(GetFieldValueAsInteger(rate, -1), 0);
    EXPECT_EQ(GetFieldValueAsInteger(numIid, -1), 0);
    EXPECT_EQ(GetFieldValueAsInteger(qty, -1), -1);
    EXPECT_EQ(GetFieldValueAsInteger(price, -1), -1);

    // On screen: image 0 (red) for the Null float, the not-in-list image
    // (blue) for the Null integer; the second record shows image 1 (green).
    Bind(data);
    TImageList images(12, 12);
    images.AddStrip(Strip({Qt::red, Qt::green, Qt::blue}, 12));
    TColumnMv* rateColumn = Grid->Columns().Add();
    rateColumn->SetFieldName(QStringLiteral("Rate"));
    rateColumn->SetImageList(&images);
    rateColumn->SetNotInKeyListIndex(2);
    TColumnMv* qtyColumn = Grid->Columns().Add();
    qtyColumn->SetFieldName(QStringLiteral("Qty"));
    qtyColumn->SetImageList(&images);
    qtyColumn->SetNotInKeyListIndex(2);
    Show(300, 120);
    EXPECT_EQ(rateColumn->GetImageIndex(), 0);
    EXPECT_EQ(qtyColumn->GetImageIndex(), 2);
    // (Each checked away from the current row, whose images are drawn
    // selected.)
    data.Last();
    const QImage shot = Grab();
    EXPECT_EQ(shot.pixelColor(Centre(DataCell(*Grid, 0, 0))), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(Centre(DataCell(*Grid, 1, 0))), QColor(Qt::blue));
    EXPECT_TRUE(SaveScreenshot(shot, QStringLiteral("dbgrid-null-image.png")));
    data.First();
    EXPECT_EQ(Grab().pixelColor(Centre(DataCell(*Grid, 0, 1))), QColor(Qt::green));
}
