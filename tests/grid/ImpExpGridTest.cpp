// Copying, pasting and deleting a dataset grid's selection, and the keys
// and edit actions that run them, on a shown grid over a client dataset.

#include "DBGridTestSupport.h"
#include "RtfTextReader.h"
#include "grid/DBGridMvImpExp.h"
#include "platform/Exceptions.h"
#include "platform/db/FieldKinds.h"
#include "support/DialogAnswers.h"

#include <QClipboard>
#include <QMimeData>
#include <QTemporaryDir>
#include <cmath>

namespace {

class ImpExpTest : public DBGridTest {
protected:
    // Items 1..count with only Code and Qty visible.
    void Open(int count, TDBGridOptions extra = {})
    {
        Data = MakeItems(count);
        Bind(*Data);
        Show(400, 200);
        for (int i = 0; i < Grid->Columns().Count(); ++i) {
            TColumnMv* column = Grid->Columns().Items(i);
            column->SetVisible(column->FieldName() == u"Code" || column->FieldName() == u"Qty");
        }
        Grid->SetOptions(Grid->Options() | extra);
    }

    QByteArray Export(TGridExportKindMv kind, bool all = false)
    {
        TMemoryStreamMv stream;
        RunGridExport(kind, Grid, stream, all);
        return stream.ToByteArray();
    }

    void Import(TGridImportKindMv kind, const QByteArray& bytes, bool all = false)
    {
        TMemoryStreamMv stream;
        stream.Write(bytes.constData(), bytes.size());
        stream.SetPosition(0);
        RunGridImport(kind, Grid, stream, all);
    }

    QString Field(const char* name) const { return Data->FieldByName(QString::fromLatin1(name))->AsString(); }

    void SelectRecords(std::initializer_list<int> recNos)
    {
        for (const int recNo : recNos) {
            Data->SetRecNo(recNo);
            Grid->SelectedRows().SetCurrentRowSelected(true);
        }
    }

    // Code and Qty of every record, "C001/1" and so on.
    QStringList Cells()
    {
        QStringList cells;
        for (Data->First(); !Data->Eof(); Data->Next())
            cells << Field("Code") + u'/' + Field("Qty");
        return cells;
    }

    std::unique_ptr<TClientDataSet> Data;
};

QString TextOf(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes);
}

} // namespace

TEST_F(ImpExpTest, ExportFormatsOfEachSelectionKind)
{
    Open(3);
    EXPECT_TRUE(Export(TGridExportKindMv::Text).isEmpty()) << "nothing selected";
    Grid->Selection().SelectAll();
    EXPECT_EQ(TextOf(Export(TGridExportKindMv::Text)), u"Code\tQty\r\nC001\t1\r\nC002\t2\r\nC003\t3"_qs);
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgTitles));
    EXPECT_EQ(TextOf(Export(TGridExportKindMv::Text)), u"C001\t1\r\nC002\t2\r\nC003\t3"_qs);

    // Records in their list order, the current record kept.
    Grid->Selection().Clear();
    SelectRecords({3, 1});
    Data->SetRecNo(2);
    EXPECT_EQ(TextOf(Export(TGridExportKindMv::Text)), u"C001\t1\r\nC003\t3"_qs);
    EXPECT_EQ(Data->RecNo(), 2);

    // Columns: every record over the selected columns only.
    Grid->Selection().Clear();
    Grid->Selection().Columns().Add(Grid->GetColumnByFieldName(u"Qty"_qs));
    Grid->Selection().SetSelectionType(gstColumns);
    EXPECT_EQ(TextOf(Export(TGridExportKindMv::Text)), u"1\r\n2\r\n3"_qs);
}

TEST_F(ImpExpTest, RectangleCoversItsVisibleColumnsAndItsRecords)
{
    Open(4, dgConfirmDelete);
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgTitles));
    Grid->GetColumnByFieldName(u"Price"_qs)->SetVisible(true);
    // From (Code, record 3) up to (Qty, record 2); Title between is hidden.
    Data->SetRecNo(3);
    Grid->Selection().Rect().Select(0, Data->Bookmark(), false);
    Data->SetRecNo(2);
    Grid->Selection().Rect().Select(2, Data->Bookmark(), true);
    ASSERT_EQ(Grid->Selection().SelectionType(), gstRectangle);
    Data->Last();
    EXPECT_EQ(TextOf(Export(TGridExportKindMv::Text)), u"C002\t2\r\nC003\t3"_qs);
    EXPECT_EQ(Data->RecNo(), 4);

    // Pasted rows go into the rectangle's records; a short row leaves the
    // rest of its record alone, surplus rows are dropped.
    Import(TGridImportKindMv::Text, "a\t7\r\nc\r\nsurplus");
    EXPECT_EQ(Cells(), (QStringList{u"C001/1"_qs, u"a/7"_qs, u"c/3"_qs, u"C004/4"_qs}));

    TDialogAnswers answers;
    answers.Replies = {TModalResult::mrCancel};
    GridDeleteAction(Grid, false);
    EXPECT_EQ(answers.Texts(), QStringList{u"是否清除选定的单元格?"_qs});
    GridDeleteAction(Grid, false);
    EXPECT_EQ(Cells(), (QStringList{u"C001/1"_qs, u"/"_qs, u"/"_qs, u"C004/4"_qs}));
    EXPECT_EQ(Data->RecordCount(), 4);
}

TEST_F(ImpExpTest, RtfShowsTheCellTextsWithFootersOverTheExportedRows)
{
    Open(3);
    Grid->SetFooterRowCount(1);
    TColumnMv* qty = Grid->GetColumnByFieldName(u"Qty"_qs);
    qty->Footer().SetValueType(fvtSum);
    Grid->GetColumnByFieldName(u"Code"_qs)->Footer().SetValueType(fvtCount);
    Data->First();
    Data->Edit();
    Data->FieldByName(u"Code"_qs)->SetAsString(u"{中}\\😀"_qs);
    Data->Post();
    SelectRecords({1, 3});
    const QByteArray rtf = Export(TGridExportKindMv::RTF);
    const TRtfReadResult read = ReadRtfTable(rtf);
    EXPECT_TRUE(read.Rtf1 && read.Balanced && read.FontSizesPositive);
    const std::vector<QStringList> expected = {
        {u"Code"_qs, u"Qty"_qs}, {u"{中}\\😀"_qs, u"1"_qs}, {u"C003"_qs, u"3"_qs}, {u"2"_qs, u"4"_qs}};
    EXPECT_EQ(read.Rows, expected);
    const int right = PixelsToTwips(Grid->GetColumnByFieldName(u"Code"_qs)->Width(), Grid->logicalDpiX()) +
                      PixelsToTwips(qty->Width(), Grid->logicalDpiX());
    EXPECT_TRUE(rtf.contains("\\cellx" + QByteArray::number(right) + "\r\n"));
    EXPECT_EQ(TextOf(Export(TGridExportKindMv::Text)).section(u"\r\n"_qs, 3), u"2\t4"_qs);
}

TEST_F(ImpExpTest, RtfTitlesOnSeveralLevelsMergeTheirBlocks)
{
    Open(1);
    Grid->SetUseMultiTitle(true);
    Grid->GetColumnByFieldName(u"Qty"_qs)->SetVisible(false);
    Grid->GetColumnByFieldName(u"Title"_qs)->SetVisible(true);
    Grid->GetColumnByFieldName(u"Code"_qs)->Title().SetCaption(u"Group|Code"_qs);
    Grid->GetColumnByFieldName(u"Title"_qs)->Title().SetCaption(u"Group|Qty"_qs);
    const QByteArray rtf = Export(TGridExportKindMv::RTF, true);
    const TRtfReadResult read = ReadRtfTable(rtf);
    ASSERT_EQ(read.Rows.size(), 3u);
    EXPECT_EQ(read.Rows[0], (QStringList{u"Group"_qs, QString()}));
    EXPECT_EQ(read.Rows[1], (QStringList{u"Code"_qs, u"Qty"_qs}));
    // The group's two cells lose the border between them: three left and
    // right borders in the top row instead of four.
    const QByteArray top = rtf.mid(rtf.indexOf("\\trowd"), rtf.indexOf("{\\trrh0") - rtf.indexOf("\\trowd"));
    EXPECT_EQ(top.count("\\clbrdrl") + top.count("\\clbrdrr"), 2);
    EXPECT_EQ(top.count("\\clbrdrt"), 2);
}

TEST_F(ImpExpTest, TextPasteFillsFromTheCurrentCell)
{
    Open(3);
    Data->First();
    Grid->SetSelectedIndex(Grid->GetColumnByFieldName(u"Code"_qs)->Index());
    // Surplus cells are dropped; a short row leaves the rest alone, and a
    // blank line, a row without cells, all of its record.
    Import(TGridImportKindMv::Text, "a\t7\tsurplus\r\n\r\nd\n");
    Data->CheckBrowseMode();
    EXPECT_EQ(Cells(), (QStringList{u"a/7"_qs, u"C002/2"_qs, u"d/3"_qs}));

    // A bare CR is refused before anything is written.
    Data->First();
    const QStringList before = Cells();
    Data->First();
    try {
        Import(TGridImportKindMv::Text, "x\t1\r\ny\t2\rz");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"TDBGridMvImportAsText.CheckState: 无效的文本格式"_qs);
    }
    EXPECT_EQ(Data->State(), dsBrowse);
    EXPECT_EQ(Cells(), before);
    Import(TGridImportKindMv::Text, QByteArray());
    EXPECT_EQ(Cells(), before) << "empty text does nothing";

    // A column that shows a pick list for its keys takes the key of the
    // text; a text not in the list clears the field.
    TColumnMv* flag = Grid->GetColumnByFieldName(u"Flag"_qs);
    flag->SetVisible(true);
    flag->KeyList().SetText(u"1\n0"_qs);
    flag->PickList().SetText(u"Yes\nNo"_qs);
    Data->First();
    Grid->SetSelectedIndex(flag->Index());
    Import(TGridImportKindMv::Text, "No\nMaybe");
    Data->CheckBrowseMode();
    Data->First();
    EXPECT_EQ(Field("Flag"), u"0"_qs);
    Data->Next();
    EXPECT_TRUE(Data->FieldByName(u"Flag"_qs)->IsNull());
    flag->SetVisible(false);

    // Rows beyond the last record are appended when the grid allows it.
    Data->Last();
    Grid->SetAllowedOperations(alopUpdateMv | alopAppendMv);
    Import(TGridImportKindMv::Text, "last\t1\n\nnew\t5");
    EXPECT_EQ(Data->RecordCount(), 4) << "a blank line appends no record";
    EXPECT_EQ(Cells().mid(2), (QStringList{u"last/1"_qs, u"new/5"_qs}));

    // Pasted while inserting, every row is a record of its own.
    Data->First();
    Data->Insert();
    Grid->SetSelectedIndex(Grid->GetColumnByFieldName(u"Code"_qs)->Index());
    Import(TGridImportKindMv::Text, "n1\t10\r\nn2\t20");
    EXPECT_EQ(Data->RecordCount(), 6);
    EXPECT_EQ(Cells().mid(0, 3), (QStringList{u"n1/10"_qs, u"n2/20"_qs, u"a/7"_qs}));
}

TEST_F(ImpExpTest, BinaryPasteKeepsUntaggedCellsAndRefusesBadBlocks)
{
    Open(2);
    TZUNDBIFWriter writer;
    writer.WriteHeader({{true, {}}, {true, {}}});
    writer.WriteCell(Variant());       // no value: Code stays
    writer.WriteCell(Variant::Null()); // Qty becomes Null
    writer.WriteCell(Variant(u"新"_qs));
    writer.WriteCell(Variant(42));
    writer.WriteEnd();
    Grid->Selection().SelectAll();
    Import(TGridImportKindMv::ZUNDBIF, writer.Data());
    Data->CheckBrowseMode();
    EXPECT_EQ(Cells(), (QStringList{u"C001/"_qs, u"新/42"_qs}));
    Data->First();
    EXPECT_TRUE(Data->FieldByName(u"Qty"_qs)->IsNull());

    // A block cut short is refused whole with the format's message.
    const QStringList before = Cells();
    QByteArray cut = writer.Data();
    cut.chop(3);
    try {
        Import(TGridImportKindMv::ZUNDBIF, cut);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"TDBGridMvImportAsZUNDBIF.ReadPrefix: 无效的 ZUNDBIF 格式"_qs);
    }
    EXPECT_EQ(Cells(), before);

    // Through a file, the same.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"cells.zundbif"_qs);
    TDBGridMvExportAsZUNDBIF(Grid).ExportToFile(path, true);
    Data->First();
    Data->Edit();
    Data->FieldByName(u"Code"_qs)->SetAsString(u"changed"_qs);
    Data->Post();
    TDBGridMvImportAsZUNDBIF(Grid).ImportFromFile(path, true);
    Data->CheckBrowseMode();
    EXPECT_EQ(Cells(), before);

    // NaN and the infinities are no numbers, from either format.
    TColumnMv* price = Grid->GetColumnByFieldName(u"Price"_qs);
    price->SetVisible(true);
    Grid->Selection().Clear();
    Data->First();
    Grid->SetSelectedIndex(price->Index());
    TZUNDBIFWriter notANumber;
    notANumber.WriteHeader({{true, {}}});
    notANumber.WriteCell(Variant(std::nan("")));
    notANumber.WriteEnd();
    EXPECT_THROW(Import(TGridImportKindMv::ZUNDBIF, notANumber.Data()), EConvertError);
    for (const char* text : {"inf", "-inf", "NaN"})
        EXPECT_THROW(Import(TGridImportKindMv::Text, text), EConvertError) << text;
    Data->Cancel();
    EXPECT_EQ(Data->FieldByName(u"Price"_qs)->AsFloat(), 1.25);
}

TEST_F(ImpExpTest, DeleteAsksAndSkipsRecordsThatWentAway)
{
    Open(5, dgConfirmDelete);
    TDialogAnswers answers;
    SelectRecords({2});
    answers.Replies = {TModalResult::mrCancel};
    GridDeleteAction(Grid, false);
    EXPECT_EQ(answers.Texts(), QStringList{u"Delete record?"_qs});
    EXPECT_EQ(Data->RecordCount(), 5);

    SelectRecords({3, 4});
    Data->SetRecNo(3);
    Data->Delete(); // gone before the grid's delete runs
    Data->First();
    GridDeleteAction(Grid, false);
    EXPECT_EQ(answers.Texts().last(), u"Delete all selected records?"_qs);
    EXPECT_EQ(Cells(), (QStringList{u"C001/1"_qs, u"C005/5"_qs}));
    EXPECT_EQ(Grid->SelectedRows().Count(), 0);

    // Columns are cleared, not deleted, and not asked about.
    Grid->Selection().Columns().Add(Grid->GetColumnByFieldName(u"Qty"_qs));
    Grid->Selection().SetSelectionType(gstColumns);
    GridDeleteAction(Grid, false);
    EXPECT_EQ(Cells(), (QStringList{u"C001/"_qs, u"C005/"_qs}));
    EXPECT_EQ(answers.Messages.size(), 2u);

    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgConfirmDelete));
    GridDeleteAction(Grid, true);
    EXPECT_TRUE(Data->IsEmpty());
    EXPECT_EQ(answers.Messages.size(), 2u);
}

TEST_F(ImpExpTest, KeysRunTheEditActionsTheGridAllows)
{
    Open(3);
    Focus();
    QApplication::clipboard()->setText(u"untouched"_qs);
    PressKey(Grid->ClientWidget(), Qt::Key_A, Qt::ControlModifier);
    PressKey(Grid->ClientWidget(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Grid->Selection().SelectionType(), gstNon);
    EXPECT_EQ(QApplication::clipboard()->text(), u"untouched"_qs) << "no edit actions switched on";

    Grid->SetEditActions(geaCutMv | geaCopyMv | geaPasteMv | geaDeleteMv | geaSelectAllMv);
    Grid->SetAllowedOperations(alopUpdateMv | alopDeleteMv);
    PressKey(Grid->ClientWidget(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Grid->Selection().SelectionType(), gstAll);
    PressKey(Grid->ClientWidget(), Qt::Key_Insert, Qt::ControlModifier);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    const TDBGridMvClipboardFormats& formats = DBGridMvClipboardFormats();
    EXPECT_EQ(copied->text(), u"Code\tQty\r\nC001\t1\r\nC002\t2\r\nC003\t3"_qs);
    EXPECT_TRUE(copied->data(formats.Csv).startsWith("\"Code\";\"Qty\""));
    EXPECT_TRUE(copied->data(formats.Rtf).startsWith("{\\rtf1"));
    EXPECT_EQ(ReadZUNDBIF(copied->data(formats.ZUNDBIF)).Rows.size(), 3u);

    // The binary format wins over the text when both are there.
    Data->First();
    Data->Edit();
    Data->FieldByName(u"Qty"_qs)->SetAsInteger(100);
    Data->Post();
    PressKey(Grid->ClientWidget(), Qt::Key_V, Qt::ControlModifier);
    Data->CheckBrowseMode();
    EXPECT_EQ(Cells(), (QStringList{u"C001/1"_qs, u"C002/2"_qs, u"C003/3"_qs}));

    // Text from elsewhere, pasted with Shift+Insert into everything.
    QApplication::clipboard()->setText(u"x\t5\ny\t6\n"_qs);
    EXPECT_TRUE(GridCanPaste(Grid));
    PressKey(Grid->ClientWidget(), Qt::Key_Insert, Qt::ShiftModifier);
    Data->CheckBrowseMode();
    EXPECT_EQ(Cells(), (QStringList{u"x/5"_qs, u"y/6"_qs, u"C003/3"_qs}));

    // Cut: copied, then every record deleted.
    PressKey(Grid->ClientWidget(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_TRUE(Data->IsEmpty());
    EXPECT_EQ(QApplication::clipboard()->text(), u"Code\tQty\r\nx\t5\r\ny\t6\r\nC003\t3"_qs);
}

TEST_F(ImpExpTest, CtrlQuoteCopiesTheValueOfTheRecordAbove)
{
    Open(3);
    Focus();
    Grid->SetOptions(Grid->Options() | dgEditing);
    Data->SetRecNo(2);
    Grid->SetSelectedIndex(Grid->GetColumnByFieldName(u"Qty"_qs)->Index());
    PressKey(Grid->ClientWidget(), Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(Data->State(), dsEdit);
    EXPECT_EQ(Field("Qty"), u"1"_qs);
    ASSERT_NE(Grid->InplaceEditor(), nullptr);
    EXPECT_TRUE(Grid->InplaceEditor()->Visible());
    EXPECT_EQ(Grid->InplaceEditor()->selectedText(), u"1"_qs);
}

TEST_F(ImpExpTest, ALookupOnSeveralKeyFieldsCopiesItsKeysAsText)
{
    TClientDataSet shops;
    shops.FieldDefs().Add(u"Shop"_qs, ftString, 4);
    shops.FieldDefs().Add(u"No"_qs, ftInteger);
    shops.FieldDefs().Add(u"Name"_qs, ftString, 20);
    shops.CreateDataSet();
    shops.Append();
    shops.FieldByName(u"Shop"_qs)->SetAsString(u"S1"_qs);
    shops.FieldByName(u"No"_qs)->SetAsInteger(7);
    shops.FieldByName(u"Name"_qs)->SetAsString(u"东店"_qs);
    shops.Post();

    Data = std::make_unique<TClientDataSet>();
    Data->FieldDefs().Add(u"Shop"_qs, ftString, 4);
    Data->FieldDefs().Add(u"No"_qs, ftInteger);
    auto name = std::make_unique<TStringField>(u"Name"_qs, 20);
    name->SetFieldKind(fkLookup);
    name->KeyFields = u"Shop;No"_qs;
    name->LookupDataSet = &shops;
    name->LookupKeyFields = u"Shop;No"_qs;
    name->LookupResultField = u"Name"_qs;
    Data->AddField(std::move(name));
    Data->CreateDataSet();
    Data->Append();
    Data->FieldByName(u"Shop"_qs)->SetAsString(u"S1"_qs);
    Data->FieldByName(u"No"_qs)->SetAsInteger(7);
    Data->Post();
    Data->Append(); // its keys null
    Data->Post();
    Data->First();
    Bind(*Data);
    Show(400, 200);
    Grid->SetEditActions(geaCopyMv | geaSelectAllMv);

    Grid->Selection().SelectAll();
    GridCopyAction(Grid, false);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    EXPECT_EQ(copied->text(), u"Shop\tNo\tName\r\nS1\t7\t东店\r\n\t\t"_qs);
    const TZUNDBIFData binary = ReadZUNDBIF(copied->data(DBGridMvClipboardFormats().ZUNDBIF));
    ASSERT_EQ(binary.Rows.size(), 2u);
    EXPECT_EQ(binary.Rows[0][2], Variant(u"S1;7"_qs));
    EXPECT_TRUE(binary.Rows[1][2].IsNull());
}
