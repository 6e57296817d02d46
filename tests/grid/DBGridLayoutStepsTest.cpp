// Layout and property steps over real data: the vertical bar's mode, the
// parent's colour, the incremental search's marked prefix in a wrapped cell,
// column widths changed outside a layout, scaling a pixel-sized font, and a
// filter list that follows its data set without disturbing it.

#include "GridDbTestSupport.h"

#include "grid/DBGridMvScrollBars.h"
#include "support/DialogAnswers.h"

#include <QLineEdit>

namespace {

bool IsSearchColour(QRgb pixel)
{
    return QColor(pixel) == QColor(Qt::yellow);
}

// The box around the pixels of a colour inside a rectangle (empty when none).
QRect BoxOf(const QImage& image, const TRect& rect, const std::function<bool(QRgb)>& wanted)
{
    QRect box;
    for (int y = rect.Top; y < rect.Bottom; ++y)
        for (int x = rect.Left; x < rect.Right; ++x)
            if (wanted(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST_F(DBGridDbTest, AChangedBarModeIsAppliedAlsoWhenTheRangeStays)
{
    Reopen(QStringLiteral(" where \"SkuID\" = 1"));
    Show(520, 300);
    ASSERT_FALSE(Grid->ScrollBarShowing(sbVertical)) << "one record";
    const TScrollInfo range = Grid->GetScrollInfo(sbVertical);
    Grid->VertScrollBar().SetVisibleMode(sbAlwaysShowMv);
    EXPECT_EQ(Grid->GetScrollInfo(sbVertical), range);
    EXPECT_TRUE(Grid->ScrollBarShowing(sbVertical)) << "shown, disabled";
    Grid->VertScrollBar().SetVisibleMode(sbAutoShowMv);
    EXPECT_FALSE(Grid->ScrollBarShowing(sbVertical));
}

TEST_F(DBGridDbTest, WithParentColorTheFootersTakeTheParentsNewColour)
{
    Grid->SetFooterRowCount(1);
    Column("Qty")->Footer().SetValueType(fvtSum);
    Show(520, 240);
    Grid->SetParentColor(true);
    QPalette palette = Window->palette();
    palette.setColor(QPalette::Window, QColor(200, 230, 200));
    Window->setPalette(palette);
    QCoreApplication::processEvents();
    EXPECT_EQ(Resolved(*Grid, Grid->FooterColor()), QColor(200, 230, 200));
    EXPECT_TRUE(Grid->ParentColor());
    const TRect footer = Grid->CellRect(Grid->DataToRawColumn(Column("PropAlias")->Index()), Grid->RowCount());
    EXPECT_EQ(QColor(Grab().pixel(footer.Left + 3, footer.Bottom - 3)), QColor(200, 230, 200));

    // Without it the footers keep their colour.
    Grid->SetFooterColor(clWindow);
    EXPECT_FALSE(Grid->ParentColor());
    palette.setColor(QPalette::Window, QColor(230, 200, 200));
    Window->setPalette(palette);
    QCoreApplication::processEvents();
    EXPECT_EQ(Grid->FooterColor(), clWindow);
}

TEST_F(DBGridDbTest, TheSearchedPrefixIsMarkedWhereTheWrappedCentredTextStands)
{
    Exec(QStringLiteral("update \"KivItem\" set \"PropAlias\" = 'Red large' where \"SkuID\" = 1"));
    Reopen(QString());
    TColumnMv* alias = Column("PropAlias");
    alias->SetWordWrap(true);
    alias->SetAlignment(taCenter);
    Grid->SetRowLines(2);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghIncSearch);
    Grid->SetReadOnly(true);
    // "Red large" breaks after "Red" in a column this wide.
    const QFontMetrics metrics(alias->Font());
    alias->SetWidth(metrics.horizontalAdvance(QStringLiteral("Red large")) - 4);
    Show(520, 300);
    Focus();
    Grid->SetSelectedIndex(alias->Index());
    Query->Last();
    TypeText(Grid->ClientWidget(), QStringLiteral("R"));
    ASSERT_TRUE(Grid->IncSearchActive());
    ASSERT_EQ(Query->RecNo(), 1);
    const QImage image = Grab();
    const TRect cell = DataCell(*Grid, alias->Index(), 0);
    const QRect marked = BoxOf(image, cell, IsSearchColour);
    ASSERT_FALSE(marked.isEmpty());
    // The "R" that starts the first line, centred in the cell; the whole
    // text on one line would start further left.
    const int lineStart = cell.Left + (cell.Width() - metrics.horizontalAdvance(QStringLiteral("Red"))) / 2;
    EXPECT_NEAR(marked.left(), lineStart, 3);
    EXPECT_LE(marked.width(), metrics.horizontalAdvance(QStringLiteral("R")) + 2);
    EXPECT_LE(marked.top(), cell.Top + 3) << "on the first line";
    EXPECT_LE(marked.height(), metrics.height() + 1);
    EXPECT_FALSE(BoxOf(image, TRect(marked.left(), marked.top(), marked.right() + 1, marked.bottom() + 1),
                       [](QRgb p) { return qGray(p) < 128; })
                     .isEmpty())
        << "the letter is written over the mark";
}

TEST_F(DBGridDbTest, WidthsChangedInsideAnUpdateRefreshTheEditorAndTellButNotInsideALayout)
{
    Grid->SetOptions(Grid->Options() | dgEditing | dgAlwaysShowEditor);
    Show(520, 240);
    Focus();
    TColumnMv* alias = Column("PropAlias");
    Grid->SetSelectedIndex(alias->Index());
    QWidget* editor = Grid->InplaceEditor();
    ASSERT_TRUE(editor && editor->isVisible());
    int told = 0;
    Grid->OnColWidthsChanged = [&told](QObject*) { ++told; };
    const int raw = Grid->DataToRawColumn(alias->Index());

    // An update bracket keeps the layout lock: the base grid's width
    // changes, the editor is loaded again (what was typed is in the field
    // already, and comes back selected) and the change is told.
    auto* edit = static_cast<QLineEdit*>(editor);
    Type(editor, QStringLiteral("zz"));
    const QString typed = edit->text();
    edit->deselect();
    Grid->BeginUpdate();
    Grid->SetColWidths(raw, 200);
    EXPECT_EQ(edit->text(), typed);
    EXPECT_EQ(edit->selectedText(), typed);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(editor->geometry().right() + 1, Grid->CellRect(raw, Grid->Row()).Right);
    Grid->EndUpdate();

    // Within a layout the widths are the layout's: nothing is told until it
    // ends.
    told = 0;
    Grid->BeginLayout();
    Grid->SetColWidths(raw, 150);
    EXPECT_EQ(told, 0);
    Grid->EndLayout();
    EXPECT_EQ(told, 0);
}

TEST_F(DBGridDbTest, ScalingGivesTheTitlesThePixelSizeOfTheGridsFont)
{
    Show(520, 240);
    QFont font = Grid->font();
    font.setPixelSize(12);
    Grid->setFont(font);
    Grid->SetParentFont(false);
    QFont title = Grid->TitleFont();
    title.setPixelSize(12);
    Grid->SetTitleFont(TFont(title, Grid->TitleFont().Color));
    Grid->ChangeScale(3, 2);
    EXPECT_EQ(Grid->font().pixelSize(), 18);
    EXPECT_EQ(Grid->TitleFont().pixelSize(), 18);
}

TEST_F(DBGridDbTest, AFilterListFollowsItsDataSetWithoutUndoingAnAppend)
{
    TClientDataSet& list = OpenClient(
        QStringLiteral("select \"SkuID\", \"PropAlias\" from \"KivItem\" where \"PropAlias\" is not null "
                       "order by \"SkuID\""));
    TDataSource listSource;
    listSource.SetDataSet(&list);
    TSTColumnFilterMv& filter = Column("SkuID")->STFilter();
    filter.KeyField = QStringLiteral("SkuID");
    filter.ListField = QStringLiteral("PropAlias");
    filter.SetListSource(&listSource);
    ASSERT_EQ(filter.ListValues().Count(), 5);

    list.SetRecNo(3);
    list.Append();
    EXPECT_EQ(list.State(), dsInsert) << "the append stands";
    list.FieldByName(QStringLiteral("SkuID"))->SetAsInteger(7);
    list.FieldByName(QStringLiteral("PropAlias"))->SetAsString(QStringLiteral("绿色"));
    list.Post();
    EXPECT_EQ(filter.ListValues().Count(), 6);
    EXPECT_EQ(filter.KeyValues()[5], QStringLiteral("7"));
    EXPECT_EQ(list.FieldByName(QStringLiteral("SkuID"))->AsInteger(), 7) << "the list stays on its record";

    // An edit in the list stands too; its post reloads.
    list.SetRecNo(2);
    list.Edit();
    list.FieldByName(QStringLiteral("PropAlias"))->SetAsString(QStringLiteral("深蓝"));
    EXPECT_EQ(list.State(), dsEdit);
    list.Post();
    EXPECT_EQ(filter.ListValues()[1], QStringLiteral("深蓝"));
    EXPECT_EQ(list.RecNo(), 2);
    filter.SetListSource(nullptr);
}
