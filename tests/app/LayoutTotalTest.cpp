// "合计" of a layout row: the layout editor offers it on the number columns
// of the layout only and refuses it elsewhere; one stored on a text column
// is left unsummed. The windows' rows hold the fields the layout editor
// and the monitor rules are checked against.

#include "SellerSupport.h"

#include "app/KivItemIn.h"
#include "app/KivLayouts.h"
#include "client/KivFieldKinds.h"
#include "grid/DBGridMvStyle.h"

namespace {

const QString Now1 = u"2024-06-01 12:00:00"_qs;

// The position of the layout row of the field among the editor's rows.
int LayoutRowOf(TDataSet& rows, const QString& field)
{
    int row = 0;
    for (rows.First(); !rows.Eof(); rows.Next(), ++row)
        if (rows.FieldByName(u"FieldName"_qs)->AsString() == field)
            return row;
    ADD_FAILURE() << "no layout row of " << field.toStdString();
    return -1;
}

// Space on the "合计" cell of the field's row, as the administrator ticks a box.
void PressTotal(TFormShop& layouts, const QString& field)
{
    TCustomDBGridMv& grid = *layouts.DBGridShop;
    TDataSet& rows = *layouts.ClientDataSetShop;
    if (rows.FieldByName(u"FieldName"_qs)->AsString() != field) {
        ASSERT_TRUE(rows.Locate(u"FieldName"_qs, Variant(field)));
    }
    grid.setFocus();
    grid.SetSelectedIndex(grid.GetColumnByFieldName(u"Total"_qs)->Index());
    Press(grid.ClientWidget(), Qt::Key_Space, u" "_qs);
}

// The layout's total of the field as stored: "<null>", 0 or 1.
QString StoredTotal(const QString& key, const QString& field)
{
    return Scalar(u"select \"Total\" from \"SYS_Fields\" where \"Code\" = "_qs + QuotedStr(key) + u" and \"FieldName\" = "_qs
                  + QuotedStr(field));
}

// A total stored on the layout's field (by hand, or by an older version).
void StoreTotal(const QString& key, const QString& field, int index)
{
    ExecSql(u"update or insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\",\"Width\",\"Index\","
            "\"Visible\",\"Total\") values("_qs
            + QuotedStr(key) + u',' + QuotedStr(field) + u",'SYS_CODE','SYS_CODE',"_qs + QuotedStr(field) + u",10,"_qs
            + QString::number(index) + u",1,1) matching (\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\")"_qs);
}

// Pixels of the field's "合计" cell that differ from the cell's own background.
int TotalCellMarks(TFormShop& layouts, const QImage& picture, const QString& field)
{
    TCustomDBGridMv& grid = *layouts.DBGridShop;
    const int row = LayoutRowOf(*layouts.ClientDataSetShop, field);
    const TRect r = grid.CellRect(grid.DataToRawColumn(grid.GetColumnByFieldName(u"Total"_qs)->Index()), grid.TitleRowCount() + row);
    const QRect cell = QRect(QPoint(r.Left + 2, r.Top + 2), QPoint(r.Right - 3, r.Bottom - 3)).translated(grid.ClientWidget()->mapTo(&layouts, QPoint(0, 0)));
    const QColor background = picture.pixelColor(cell.topLeft());
    return cell.width() * cell.height() - PixelsLike(picture, cell, background);
}

// The footer text of the field's column in an items window.
QString Footer(const TFormItems& form, const QString& field)
{
    return form.DBGridItems->GetFooterValue(0, form.DBGridItems->GetColumnByFieldName(field));
}

class LayoutTotalTest : public ShopWindowsTest {};

} // namespace

TEST_F(LayoutTotalTest, TheLayoutEditorOffersTheTotalOnTheLayoutsNumberColumnsOnlyAndRefusesItElsewhere)
{
    EXPECT_EQ(LayoutNumberFields(u"SYS_Shop"_qs), QStringList{u"AutoMonitor"_qs}) << "a table's number columns";
    EXPECT_TRUE(LayoutNumberFields(u"NoSuchTable"_qs).isEmpty());
    Sync();
    PaidLine(SkuA, u"500000000001"_qs, 3, Now1);
    StoreTotal(TFormItems::SyncLayoutKey, u"Title"_qs, 0);
    AdministratorsMain();
    QString summed;
    Answers.Modal = [&](QDialog& dialog) {
        if (auto* items = dynamic_cast<TFormItems*>(&dialog)) {
            items->show();
            items->ActionPorp->trigger();
            items->ActionOpen->trigger();
            summed = Footer(*items, u"QtyPay"_qs);
            return int(QDialog::Rejected);
        }
        auto& layouts = dynamic_cast<TFormShop&>(dialog);
        layouts.show();
        TField& total = *layouts.ClientDataSetShop->FieldByName(u"Total"_qs);
        PressTotal(layouts, u"PropNameFormat"_qs);
        EXPECT_NE(total.AsString(), u"1"_qs) << "no total offered on a text";
        PressTotal(layouts, u"QtyPay"_qs);
        EXPECT_EQ(total.AsString(), u"1"_qs);
        const QImage picture = layouts.grab().toImage();
        Keep(picture, u"layout-totals.png"_qs);
        EXPECT_LT(TotalCellMarks(layouts, picture, u"PropNameFormat"_qs), 3) << "no box on a text's row";
        EXPECT_GT(TotalCellMarks(layouts, picture, u"QtyPay"_qs), 20);
        EXPECT_GT(TotalCellMarks(layouts, picture, u"Title"_qs), 20) << "the stored tick shows, to be taken off";

        // The row of the stored tick is refused as it is saved, until the tick is taken off.
        EXPECT_TRUE(layouts.ClientDataSetShop->Locate(u"FieldName"_qs, Variant(u"Title"_qs)));
        TypeOverShopCell(layouts, u"Caption"_qs, u"商品"_qs);
        EXPECT_THROW(layouts.ActionSave->trigger(), EAbort);
        EXPECT_EQ(layouts.ClientDataSetShop->State(), dsEdit);
        EXPECT_EQ(Answers.Texts().last(), u"[合计]只能勾选在数字栏上：“Title”不是“SYS_KivItem”的数字字段，请取消勾选！"_qs);
        EXPECT_NE(StoredTotal(TFormItems::SyncLayoutKey, u"QtyPay"_qs), u"1"_qs) << "nothing is stored";
        PressTotal(layouts, u"Title"_qs);
        layouts.ActionSave->trigger();
        EXPECT_EQ(Answers.Texts().last(), u"数据保存成功!"_qs);
        return int(QDialog::Accepted);
    };
    OpenShopWindow(*Main, 0);
    EXPECT_EQ(StoredTotal(TFormItems::SyncLayoutKey, u"Title"_qs), u"0"_qs);
    EXPECT_EQ(StoredTotal(TFormItems::SyncLayoutKey, u"QtyPay"_qs), u"1"_qs);
    EXPECT_EQ(summed, u"3"_qs);

    // The seller's window sums the paid column.
    SellersMain();
    Answers.Messages.clear();
    Answers.Modal = [&](QDialog& dialog) {
        auto& items = dynamic_cast<TFormItems&>(dialog);
        items.show();
        summed = Footer(items, u"QtyPay"_qs);
        return int(QDialog::Rejected);
    };
    summed.clear();
    OpenShopWindow(*Main, 0);
    EXPECT_EQ(summed, u"3"_qs);
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();
}

TEST_F(LayoutTotalTest, ATotalStoredOnATextColumnIsLeftUnsummedWithNoBoxInTheSellersWindows)
{
    Sync();
    PaidLine(SkuA, u"500000000001"_qs, 3, Now1);
    for (const QString& key : {TFormItems::SyncLayoutKey, TFormItems::MonitorLayoutKey}) {
        StoreTotal(key, u"Title"_qs, 0);
        StoreTotal(key, u"QtyPay"_qs, 1);
    }
    SellersMain();
    Answers.Messages.clear();
    // The windows' rows are the fields the settings are checked against.
    const auto expectFigures = [](TFormItems& form) {
        Keep(form, u"total-on-text.png"_qs);
        EXPECT_EQ(Footer(form, u"Title"_qs), u"3行"_qs) << "the first column counts the rows";
        EXPECT_EQ(Footer(form, u"QtyPay"_qs), u"3"_qs);
        const TDataSet& row = *form.ClientDataSetItems;
        EXPECT_EQ(row.FieldCount(), int(FigureFields().size()));
        for (int i = 0; i < row.FieldCount(); ++i) {
            const TNamedField* known = FindNamedField(FigureFields(), row.Fields(i)->FieldName());
            ASSERT_TRUE(known) << row.Fields(i)->FieldName().toStdString();
            EXPECT_EQ(known->Kind != TNamedFieldKind::Text, IsNumericType(row.Fields(i)->DataType())) << known->Name.toStdString();
        }
    };
    Answers.Modal = [&](QDialog& dialog) {
        auto& items = dynamic_cast<TFormItems&>(dialog);
        items.show();
        expectFigures(items);
        return int(QDialog::Rejected);
    };
    OpenShopWindow(*Main, 0);
    OpenShopWindow(*Main, 1);
    ASSERT_TRUE(Monitor());
    expectFigures(*Monitor());
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Texts().join(u'\n').toStdString();

    TFormItemIn stockIn;
    const auto list = OpenQuery(stockIn.BuildSkuListSql(false));
    EXPECT_EQ(list->FieldCount(), int(StockInListFields().size()));
    for (int i = 0; i < list->FieldCount(); ++i) {
        const TNamedField* known = FindNamedField(StockInListFields(), list->Fields(i)->FieldName());
        ASSERT_TRUE(known) << list->Fields(i)->FieldName().toStdString();
        EXPECT_EQ(known->Kind != TNamedFieldKind::Text, IsNumericType(list->Fields(i)->DataType())) << known->Name.toStdString();
    }
}
