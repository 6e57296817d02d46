// Renders a dataset grid with an open pick-list drop-down and one with an
// open lookup grid to PNGs for a person to look at: the drop-down windows
// are drawn over the grid's window where they stand on screen.

#include "DBGridEditorTestSupport.h"

TEST_F(DBGridEditorTest, RendersOpenPickListAndLookupGridToPng)
{
    OpenSkus();
    TColumnMv* color = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    const TStringList picks(QStringList{u"红色"_qs, u"蓝色"_qs, u"绿色"_qs, u"黄色"_qs, u"黑色"_qs});
    const TStringList keys(QStringList{u"Red"_qs, u"Blue"_qs, u"Green"_qs, u"Yellow"_qs, u"Black"_qs});
    color->SetPickList(&picks);
    color->SetKeyList(&keys);
    color->Title().SetCaption(QStringLiteral("颜色"));
    color->SetWidth(110);
    Grid->GetColumnByFieldName(QStringLiteral("SkuID"))->SetWidth(60);
    Grid->GetColumnByFieldName(QStringLiteral("NumIID"))->SetWidth(70);
    TColumnMv* item = Grid->GetColumnByFieldName(QStringLiteral("Item"));
    item->Title().SetCaption(QStringLiteral("商品"));
    item->SetWidth(120);
    item->DropDownSpecRow().SetCellsText(QStringLiteral("(无)"));
    item->DropDownSpecRow().SetValue(Variant::Null());
    item->DropDownSpecRow().SetVisible(true);
    item->SetDropDownSizing(true);

    TDBGridInplaceEdit* editor = EditColumn(QStringLiteral("PropAlias"));
    ASSERT_NE(editor, nullptr);
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    PressKey(editor, Qt::Key_Down);
    ASSERT_TRUE(editor->PickList()->isVisible());
    EXPECT_TRUE(SaveScreenshot(WithPopup(Window.get(), editor->PickList()), QStringLiteral("dbgrid-picklist.png")));
    PressKey(editor, Qt::Key_Escape);

    editor = EditColumn(QStringLiteral("Item"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->DataList()->isVisible());
    EXPECT_TRUE(SaveScreenshot(WithPopup(Window.get(), editor->DataList()), QStringLiteral("dbgrid-lookup.png")));
    PressKey(editor, Qt::Key_Escape);
}
