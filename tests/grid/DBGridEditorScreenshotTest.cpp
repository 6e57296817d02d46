// Renders a dataset grid with an open pick-list drop-down and one with an
// open lookup grid to PNGs for a person to look at: the drop-down windows
// are drawn over the grid's window where they stand on screen.

#include "DBGridEditorTestSupport.h"

#include <QDir>
#include <QPainter>

namespace {

QString SaveWithDropDown(QWidget* window, QWidget* dropDown, const QString& name)
{
    QCoreApplication::processEvents();
    const QPoint at = window->mapFromGlobal(dropDown->mapToGlobal(QPoint(0, 0)));
    QImage image(std::max(window->width(), at.x() + dropDown->width()),
                 std::max(window->height(), at.y() + dropDown->height()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, window->grab());
    painter.drawPixmap(at, dropDown->grab());
    painter.end();
    const QString dir = BinaryDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + name;
    return image.save(path) ? path : QString();
}

} // namespace

TEST_F(DBGridEditorTest, RendersOpenPickListAndLookupGridToPng)
{
    OpenSkus();
    TColumnMv* color = Grid->GetColumnByFieldName(QStringLiteral("PropAlias"));
    TStringList picks;
    for (const char* text : {"红色", "蓝色", "绿色", "黄色", "黑色"})
        picks.Add(QString::fromUtf8(text));
    TStringList keys;
    for (const char* text : {"Red", "Blue", "Green", "Yellow", "Black"})
        keys.Add(QString::fromUtf8(text));
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
    EXPECT_EQ(editor->text(), QStringLiteral("蓝色"));
    EXPECT_FALSE(SaveWithDropDown(Window.get(), editor->PickList(), QStringLiteral("dbgrid-picklist.png")).isEmpty());
    PressKey(editor, Qt::Key_Escape);

    editor = EditColumn(QStringLiteral("Item"));
    PressKey(editor, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->DataList()->isVisible());
    EXPECT_EQ(editor->DataList()->Text(), QStringLiteral("衬衫"));
    EXPECT_FALSE(SaveWithDropDown(Window.get(), editor->DataList(), QStringLiteral("dbgrid-lookup.png")).isEmpty());
    PressKey(editor, Qt::Key_Escape);
}
