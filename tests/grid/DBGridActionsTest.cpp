// The dataset grid's edit actions, tool tips, outside scroll bars, column
// layout interceptors and the layout and paint guards, on a shown grid over
// a client dataset.

#include "DBGridTestSupport.h"
#include "grid/DBGridMvActions.h"
#include "grid/DBGridMvScrollBars.h"
#include "platform/Exceptions.h"
#include "platform/FrameControls.h"

#include <QClipboard>
#include <QHelpEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QToolTip>

namespace {

class DBGridActionsTest : public DBGridTest {
protected:
    void Open(int count, int width = 400)
    {
        Data = MakeItems(count);
        Bind(*Data);
        Show(width, 200);
    }

    void ShowOnly(std::initializer_list<const char16_t*> names)
    {
        for (int i = 0; i < Grid->Columns().Count(); ++i) {
            TColumnMv* column = Grid->Columns().Items(i);
            bool shown = false;
            for (const char16_t* name : names)
                shown = shown || column->FieldName() == QStringView(name);
            column->SetVisible(shown);
        }
    }

    TColumnMv* Column(const char16_t* name) const
    {
        for (int i = 0; i < Grid->Columns().Count(); ++i)
            if (Grid->Columns().Items(i)->FieldName() == QStringView(name))
                return Grid->Columns().Items(i);
        return nullptr;
    }

    QStringList FieldOrder() const
    {
        QStringList names;
        for (int i = 0; i < Grid->Columns().Count(); ++i)
            names.append(Grid->Columns().Items(i)->FieldName());
        return names;
    }

    std::unique_ptr<TClientDataSet> Data;
};

TEST_F(DBGridActionsTest, EditActionsRunByTheirOwnKind)
{
    Open(3);
    ShowOnly({u"Code", u"Qty"});
    Focus();
    TDBGridMvEditActionMv copy(geaCopyMv, u"Copy"_qs);
    TDBGridMvEditActionMv paste(geaPasteMv, u"Paste"_qs);
    TDBGridMvEditActionMv selectAll(geaSelectAllMv, u"Select all"_qs);
    TDBGridMvEditActionMv remove(geaDeleteMv, u"Delete"_qs);

    // Nothing switched on: the grid neither answers nor performs.
    EXPECT_FALSE(Grid->UpdateAction(&copy));
    EXPECT_TRUE(copy.isEnabled());
    EXPECT_FALSE(Grid->ExecuteAction(&selectAll));
    EXPECT_EQ(Grid->Selection().SelectionType(), gstNon);

    Grid->SetEditActions(geaCutMv | geaCopyMv | geaPasteMv | geaDeleteMv | geaSelectAllMv);
    Grid->SetAllowedOperations(alopUpdateMv | alopDeleteMv);
    EXPECT_TRUE(Grid->UpdateAction(&copy));
    EXPECT_FALSE(copy.isEnabled()) << "nothing selected to copy";
    EXPECT_TRUE(Grid->UpdateAction(&remove));
    EXPECT_FALSE(remove.isEnabled());
    selectAll.trigger();
    EXPECT_EQ(Grid->Selection().SelectionType(), gstAll);
    copy.UpdateFromFocus();
    EXPECT_TRUE(copy.isEnabled());

    // Paste pastes: the clipboard's text lands in the records and stays on
    // the clipboard (a copy would have replaced it).
    QApplication::clipboard()->setText(u"x\t5\n"_qs);
    paste.UpdateFromFocus();
    EXPECT_TRUE(paste.isEnabled());
    EXPECT_TRUE(Grid->ExecuteAction(&paste));
    Data->CheckBrowseMode();
    Data->First();
    EXPECT_EQ(Data->FieldByName(u"Code"_qs)->AsString(), u"x"_qs);
    EXPECT_EQ(QApplication::clipboard()->text(), u"x\t5\n"_qs);
    EXPECT_TRUE(Grid->ExecuteAction(&copy));
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(u"Code\tQty\r\nx\t5"_qs));

    auto image = std::make_unique<QMimeData>();
    image->setImageData(QImage(2, 2, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(image.release());
    paste.UpdateFromFocus();
    EXPECT_FALSE(paste.isEnabled()) << "neither the grid's format nor text";

    Other->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    EXPECT_FALSE(Grid->ExecuteAction(&copy)) << "only the focused grid performs";
}

TEST_F(DBGridActionsTest, TipsShowCutTextsOnly)
{
    Open(3);
    Data->First();
    Data->Edit();
    Data->FieldByName(u"Title"_qs)->SetAsString(u"A title far too long for its narrow column"_qs);
    Data->Post();
    ShowOnly({u"Code", u"Title", u"Active"});
    TColumnMv* title = Column(u"Title");
    title->SetWidth(60);
    title->SetToolTips(true);
    Column(u"Active")->SetToolTips(true);
    Column(u"Active")->SetCheckboxes(true);
    Column(u"Code")->Title().Hint = u"The item's code"_qs;
    QCoreApplication::processEvents();

    const int titleCol = Grid->IndicatorOffset() + 1;
    const int firstRow = Grid->TitleRowCount();
    TCustomDBGridMv::TCellTipMv tip;
    const QPoint cut = Centre(Grid->CellRect(titleCol, firstRow));
    ASSERT_TRUE(Grid->CellTipAt(cut, tip));
    EXPECT_EQ(tip.Text, u"A title far too long"_qs);
    EXPECT_EQ(Grid->HintPauseAt(cut), 0);
    EXPECT_FALSE(Grid->CellTipAt(Centre(Grid->CellRect(titleCol, firstRow + 1)), tip)) << "Item 2 fits";
    const int activeCol = Grid->DataToRawColumn(Grid->Columns().IndexOf(Column(u"Active")));
    EXPECT_TRUE(Grid->CellTipAt(Centre(Grid->CellRect(activeCol, firstRow + 1)), tip)) << "check box";
    ASSERT_TRUE(Grid->CellTipAt(Centre(Grid->CellRect(titleCol - 1, 0)), tip));
    EXPECT_EQ(tip.Text, u"The item's code"_qs);
    EXPECT_NE(Grid->HintPauseAt(Centre(Grid->CellRect(titleCol - 1, 0))), 0);

    // A title that fits beside no marker is cut once the sort marker takes
    // its room.
    TColumnTitleMv& caption = title->Title();
    caption.SetToolTips(true);
    QString text = u"T"_qs;
    while (QFontMetrics(caption.Font()).horizontalAdvance(text) <= title->Width() - 12)
        text += u'i';
    caption.SetCaption(text);
    const QPoint titleCell = Centre(Grid->CellRect(titleCol, 0));
    EXPECT_FALSE(Grid->CellTipAt(titleCell, tip));
    caption.SetSortMarker(smDownMv);
    ASSERT_TRUE(Grid->CellTipAt(titleCell, tip));
    EXPECT_EQ(tip.Text, text);

    // Over a multi-title, the leaf band has the tip, the group band above it
    // none.
    caption.SetCaption(u"Group|"_qs + text);
    Grid->SetUseMultiTitle(true);
    QCoreApplication::processEvents();
    const TRect band = Grid->CellRect(titleCol, 0);
    ASSERT_TRUE(Grid->CellTipAt(QPoint(band.Left + 5, band.Bottom - 3), tip));
    EXPECT_EQ(tip.Text, text);
    EXPECT_FALSE(Grid->CellTipAt(QPoint(band.Left + 5, band.Top + 2), tip));
    Grid->SetUseMultiTitle(false);
    caption.SetSortMarker(smNoneMv);

    TFont big = title->Font();
    big.setPixelSize(big.pixelSize() + 7);
    title->SetFont(big);
    // The platform's help event shows the tip over the cell.
    QHelpEvent help(QEvent::ToolTip, cut, Grid->ClientWidget()->mapToGlobal(cut));
    QApplication::sendEvent(Grid->ClientWidget(), &help);
    EXPECT_EQ(QToolTip::text(), u"A title far too long"_qs);
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto window = std::find_if(windows.begin(), windows.end(),
                                     [](QWidget* w) { return w->isVisible() && w->windowType() == Qt::ToolTip; });
    ASSERT_NE(window, windows.end());
    EXPECT_EQ((*window)->font().pixelSize(), big.pixelSize()) << "in the cell's font";
    QToolTip::hideText();
}

TEST_F(DBGridActionsTest, OutsideBarsFollowTheGrid)
{
    Open(30, 200);
    QScrollBar horz(Qt::Horizontal);
    horz.setObjectName(u"HorzBar"_qs);
    Grid->HorzScrollBar().SetExtScrollBar(&horz);
    QCoreApplication::processEvents();
    EXPECT_EQ(horz.value(), 0) << "LeftCol at the fixed columns";
    EXPECT_GT(horz.maximum(), 0);
    Grid->SetLeftCol(Grid->ColCount() - 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(horz.value(), 127);

    QScrollBar vert(Qt::Vertical);
    Grid->VertScrollBar().SetExtScrollBar(&vert);
    Data->Last();
    QCoreApplication::processEvents();
    EXPECT_EQ(vert.value(), 30);
    EXPECT_EQ(vert.minimum(), 1);
    vert.triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(Data->RecNo(), 1) << "the bar's request moves the dataset";

    // A tracked drag moves the records; the thumb position its release
    // reports is passed over, a later one is not.
    Grid->VertScrollBar().Tracking = true;
    Grid->WMVScroll(SB_THUMBTRACK, 12);
    EXPECT_EQ(Data->RecNo(), 12);
    Grid->WMVScroll(SB_THUMBPOSITION, 3);
    EXPECT_EQ(Data->RecNo(), 12);
    Grid->WMVScroll(SB_THUMBPOSITION, 3);
    EXPECT_EQ(Data->RecNo(), 3);
    Grid->VertScrollBar().Tracking = false;

    // A record filter takes the record numbers away: the bar has five steps,
    // the ends and a page either way.
    Data->SetOnFilterRecord([](TDataSet&, bool& Accept) { Accept = true; });
    Data->SetFiltered(true);
    Data->First();
    QCoreApplication::processEvents();
    EXPECT_EQ(vert.maximum(), 4);
    EXPECT_EQ(vert.value(), 0);
    const int page = Grid->DataLink()->RecordCount();
    Grid->WMVScroll(SB_THUMBPOSITION, 3);
    EXPECT_EQ(Data->RecNo(), 1 + page);
    EXPECT_EQ(vert.value(), 2);
    Grid->WMVScroll(SB_THUMBPOSITION, 4);
    EXPECT_TRUE(Data->Eof());
    Grid->WMVScroll(SB_THUMBPOSITION, 1);
    EXPECT_EQ(Data->RecNo(), 30 - page);
    Grid->WMVScroll(SB_THUMBPOSITION, 0);
    EXPECT_TRUE(Data->Bof());
    Data->SetFiltered(false);

    // One bar serves one grid.
    TTestDBGrid second;
    EXPECT_THROW(second.HorzScrollBar().SetExtScrollBar(&horz), EInvalidOperation);
    EXPECT_EQ(second.HorzScrollBar().ExtScrollBar(), nullptr);

    // Every column fits: no range, and nothing divides by the empty span.
    EXPECT_EQ(HorzExtScrollInfo(1, 1, 1, 5, 6).Max, 0);
    EXPECT_EQ(HorzExtScrollInfo(1, 1, 1, 2, 6).Pos, 0);
    Grid->HorzScrollBar().SetExtScrollBar(nullptr);
    Grid->VertScrollBar().SetExtScrollBar(nullptr);
}

TEST_F(DBGridActionsTest, ColumnInterceptorsStoreOrderAndWidth)
{
    Open(2);
    // A stored layout orders the program's own columns.
    const QStringList fields = FieldOrder();
    Grid->Columns().Clear();
    for (const QString& name : fields)
        Grid->Columns().Add()->SetFieldName(name);
    int found = 0;
    for (const auto& pair : RegisteredPropertyInterceptors())
        found += (pair.first == &TColumnMv::staticMetaObject &&
                  pair.second == &TColumnMvPropertyInterceptor::staticMetaObject) ||
                 (pair.first == &TDBGridColumnsMv::staticMetaObject &&
                  pair.second == &TColumnsMvPropertyInterceptor::staticMetaObject);
    EXPECT_EQ(found, 2);

    TColumnsMvPropertyInterceptor order(&Grid->Columns());
    EXPECT_EQ(order.property("ColumnsIndex").toString(),
              u"\"Code\",\"Title\",\"Qty\",\"Price\",\"Active\",\"Flag\""_qs);
    // Unknown and repeated names move only the known columns, once.
    order.setProperty("ColumnsIndex", u"\"Qty\",\"Nope\",\"Qty\",\"Code\",\"Nope\",\"Flag\",\"Gone\",\"X\""_qs);
    EXPECT_EQ(FieldOrder(), (QStringList{u"Qty"_qs, u"Code"_qs, u"Flag"_qs, u"Title"_qs, u"Price"_qs, u"Active"_qs}));

    // A name with quotes and commas reads back as written.
    Column(u"Flag")->SetFieldName(u"Fl\"a,g"_qs);
    const QString text = order.ColumnsIndex();
    order.SetColumnsIndex(u"\"Code\""_qs);
    order.SetColumnsIndex(text);
    EXPECT_EQ(order.ColumnsIndex(), text);
    EXPECT_EQ(FieldOrder().at(2), u"Fl\"a,g"_qs);

    TColumnMvPropertyInterceptor width(Column(u"Code"));
    width.setProperty("Width", 77);
    EXPECT_EQ(Column(u"Code")->Width(), 77);
    Grid->SetAutoFitColWidths(true);
    const int shown = Column(u"Code")->Width();
    width.setProperty("Width", 120);
    EXPECT_EQ(Column(u"Code")->AutoFitBaseWidth(), 120);
    EXPECT_EQ(Column(u"Code")->Width(), shown);
}

TEST_F(DBGridActionsTest, LayoutAndPaintNeverRaise)
{
    Open(3);
    EXPECT_NO_THROW(Grid->SetFrozenCols(50));
    EXPECT_NO_THROW(Grid->SetContraColCount(-3));
    QCoreApplication::processEvents();
    EXPECT_EQ(Grid->ContraColCount(), 0);
    EXPECT_LT(Grid->FixedCols(), Grid->ColCount());

    Grid->SetFrozenCols(0);
    Grid->SetLeftCol(Grid->FixedCols());

    // Title and cell images that go away are forgotten, not drawn from.
    auto images = std::make_unique<TImageList>(16, 16);
    auto cellImages = std::make_unique<TImageList>(16, 16);
    Grid->SetTitleImages(images.get());
    Grid->Columns().Items(0)->Title().SetImageIndex(0);
    Grid->Columns().Items(0)->SetImageList(cellImages.get());
    images.reset();
    cellImages.reset();
    EXPECT_EQ(Grid->TitleImages(), nullptr);
    EXPECT_EQ(Grid->Columns().Items(0)->ImageList(), nullptr);
    Grid->OnDrawColumnCell = [](QObject*, const TRect&, int DataCol, TColumnMv*, TGridDrawState) {
        if (DataCol == 1)
            throw EInvalidOperation(u"unreadable"_qs);
    };
    QImage image;
    EXPECT_NO_THROW(image = Grab());
    const TRect broken = Grid->CellRect(Grid->IndicatorOffset() + 1, Grid->TitleRowCount());
    EXPECT_FALSE(HasInk(image, broken)) << "the failed cell is left empty";
    EXPECT_TRUE(HasInk(image, Grid->CellRect(Grid->IndicatorOffset(), Grid->TitleRowCount())));
}

TEST_F(DBGridActionsTest, ScalingByTwoDoublesWidthsAndGrowsRows)
{
    Open(3, 600);
    Grid->setFont([] { QFont f = QApplication::font(); f.setPointSize(9); return f; }());
    QCoreApplication::processEvents();
    std::vector<int> widths;
    for (int i = 0; i < Grid->Columns().Count(); ++i)
        widths.push_back(Grid->Columns().Items(i)->Width());
    const int row = Grid->RowHeights(Grid->TitleRowCount());
    const int title = Grid->RowHeights(0);
    Grid->ChangeScale(2, 1);
    QCoreApplication::processEvents();
    for (int i = 0; i < Grid->Columns().Count(); ++i)
        EXPECT_EQ(Grid->Columns().Items(i)->Width(), 2 * widths[size_t(i)]) << i;
    EXPECT_EQ(Grid->font().pointSize(), 18);
    // Rows follow the font's line height, which does not scale exactly.
    EXPECT_GE(Grid->RowHeights(Grid->TitleRowCount()) * 4, row * 7);
    EXPECT_GE(Grid->RowHeights(0) * 4, title * 7);
}

TEST_F(DBGridActionsTest, ThemedLookPaintsThroughTheBufferForGood)
{
    Open(3);
    const TDBGridMvOptions classic = Grid->OptionsMv();
    const QImage direct = Grab();
    EXPECT_FALSE(Grid->PaintBuffered()) << "classic look";

    SetThemesEnabled(true);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghFixed3D);
    Grid->SetFlat(true);
    Grab();
    EXPECT_FALSE(Grid->PaintBuffered()) << "a flat grid never buffers";
    TCustomDBGridMv::SetBufferedPaintForbidden(true);
    Grid->SetFlat(false);
    Grab();
    EXPECT_FALSE(Grid->PaintBuffered()) << "forbidden program-wide";
    TCustomDBGridMv::SetBufferedPaintForbidden(false);
    const QImage themedBuffered = Grab();
    EXPECT_TRUE(Grid->PaintBuffered());

    SetThemesEnabled(false);
    Grid->SetOptionsMv(classic);
    const QImage classicBuffered = Grab();
    EXPECT_TRUE(Grid->PaintBuffered()) << "the flag stays set";
    EXPECT_EQ(classicBuffered.convertToFormat(QImage::Format_RGB32), direct.convertToFormat(QImage::Format_RGB32))
        << "the buffer shows what a direct paint shows";
    EXPECT_NE(themedBuffered, direct);
}

} // namespace
