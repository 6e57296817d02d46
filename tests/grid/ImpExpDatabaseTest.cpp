// Round trips through the clipboard over a real database: the rows of one
// table copied from a grid, pasted into the rows of another as the binary
// format and as text, written back and read again; the RTF of the same copy
// read back as a word processor shows it.

#include "DBGridEditorTestSupport.h"
#include "RtfTextReader.h"
#include "grid/DBGridMvImpExp.h"
#include "platform/SqlText.h"

#include <QClipboard>
#include <QMimeData>

namespace {

const QString Columns =
    u"(\"ID\" integer not null primary key, \"Txt\" varchar(200), \"Qty\" integer, \"Price\" numeric(18,2), "
    "\"Rate\" double precision, \"Day\" date, \"Stamp\" timestamp, \"Memo\" blob sub_type 1, \"Data\" blob sub_type 0)"_qs;

class ImpExpDatabaseTest : public DBGridDatabaseTest {
protected:
    void SetUp() override
    {
        DBGridDatabaseTest::SetUp();
        for (const char* table : {"ClipCells", "ClipBin", "ClipText"})
            Exec(u"create table "_qs + QuotedName(QString::fromLatin1(table)) + Columns);
        const QString tricky = u"two\r\nlines, \"quoted\"\tand 中文 😀"_qs;
        Exec(u"insert into \"ClipCells\" values(1, 'tab\there', 1, 12.34, 0.1, '2024-02-29', "
             "'2024-02-29 18:30:05', 'memo\r\nline', x'00FF10')"_qs);
        Exec(u"insert into \"ClipCells\" values(2, "_qs + QuotedStr(tricky) +
             u", -5, -0.5, 1e10, '1899-12-30', null, null, null)"_qs);
        Exec(u"insert into \"ClipCells\"(\"ID\") values(3)"_qs);
        for (const char* table : {"ClipBin", "ClipText"})
            for (int id = 1; id <= 3; ++id)
                Exec(QStringLiteral("insert into \"%1\"(\"ID\") values(%2)").arg(QLatin1String(table)).arg(id));
    }

    TClientDataSet& OpenTable(const QString& table)
    {
        return OpenClient(u"select * from "_qs + QuotedName(table) + u" order by \"ID\""_qs);
    }

    // Shows the table in the grid: every column but the key, memos as text.
    TClientDataSet& ShowTable(const QString& table)
    {
        TClientDataSet& data = OpenTable(table);
        Bind(data);
        Grid->SetDrawMemoText(true);
        Grid->GetColumnByFieldName(u"ID"_qs)->SetVisible(false);
        return data;
    }

    // "ID/Txt/Qty" of every row the database holds in "ClipText".
    QStringList StoredRows()
    {
        QStringList rows;
        TClientDataSet& stored = OpenTable(u"ClipText"_qs);
        for (stored.First(); !stored.Eof(); stored.Next())
            rows << stored.FieldByName(u"ID"_qs)->AsString() + u'/' + stored.FieldByName(u"Txt"_qs)->AsString() +
                        u'/' + stored.FieldByName(u"Qty"_qs)->AsString();
        return rows;
    }

    // Every column's text of every record, nulls shown as "<null>".
    static std::vector<QStringList> Texts(TDataSet& data, bool markNulls)
    {
        std::vector<QStringList> rows;
        for (data.First(); !data.Eof(); data.Next()) {
            QStringList row;
            for (int i = 1; i < data.FieldCount(); ++i) {
                const TField* field = data.Fields(i);
                row << (markNulls && field->IsNull() ? u"<null>"_qs
                        : field->IsBlob()           ? QString::fromUtf8(field->AsBytes())
                                                    : field->DisplayText());
            }
            rows.push_back(row);
        }
        return rows;
    }
};

} // namespace

TEST_F(ImpExpDatabaseTest, CopiedRowsPasteBackIntoTheSameCells)
{
    Show(700, 200);
    TClientDataSet& source = ShowTable(u"ClipCells"_qs);
    const std::vector<QStringList> expected = Texts(source, true);
    ASSERT_EQ(expected[1].mid(0, 6), (QStringList{u"two\r\nlines, \"quoted\"\tand 中文 😀"_qs, u"-5"_qs, u"-0.5"_qs,
                                                 u"10000000000"_qs, u"1899-12-30"_qs, u"<null>"_qs}));
    // Titles would come back as a row of data.
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgTitles));
    GridCopyAction(Grid, true);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    const QString text = copied->text();
    const QByteArray rtf = copied->data(DBGridMvClipboardFormats().Rtf);

    // The binary format carries nulls, numbers, dates and the blob's bytes.
    const TZUNDBIFData binary = ReadZUNDBIF(copied->data(DBGridMvClipboardFormats().ZUNDBIF));
    ASSERT_EQ(binary.Rows.size(), 3u);
    EXPECT_EQ(binary.Rows[0][7].AsBytes(), QByteArray("\x00\xff\x10", 3));
    EXPECT_TRUE(binary.Rows[2][0].IsNull());

    TClientDataSet& bin = ShowTable(u"ClipBin"_qs);
    GridPasteAction(Grid, true);
    bin.CheckBrowseMode();
    ASSERT_EQ(bin.ApplyUpdates(0), 0);
    std::vector<QStringList> pasted = Texts(OpenTable(u"ClipBin"_qs), true);
    // Blobs are not edited in the grid's cells, so the pasted table has none.
    std::vector<QStringList> withoutBlob = expected;
    for (QStringList& row : withoutBlob)
        row.last() = u"<null>"_qs;
    EXPECT_EQ(pasted, withoutBlob);

    // Text pasted into the other copy shows the same (a null reads back as
    // an empty text).
    QApplication::clipboard()->setText(text);
    TClientDataSet& plain = ShowTable(u"ClipText"_qs);
    GridPasteAction(Grid, true);
    plain.CheckBrowseMode();
    ASSERT_EQ(plain.ApplyUpdates(0), 0);
    std::vector<QStringList> shown = Texts(OpenTable(u"ClipCells"_qs), false);
    for (QStringList& row : shown)
        row.removeLast();
    std::vector<QStringList> fromText = Texts(OpenTable(u"ClipText"_qs), false);
    for (QStringList& row : fromText)
        row.removeLast();
    EXPECT_EQ(fromText, shown);

    // The RTF reads back as the texts the grid shows.
    const TRtfReadResult read = ReadRtfTable(rtf);
    EXPECT_TRUE(read.Rtf1 && read.Balanced && read.FontSizesPositive);
    ASSERT_EQ(read.Rows.size(), 3u);
    for (size_t r = 0; r < shown.size(); ++r) {
        QStringList row = read.Rows[r];
        row.removeLast(); // the blob column shows its placeholder
        QStringList want = shown[r];
        for (QString& cell : want)
            cell.replace(u"\r\n"_qs, u"\n"_qs);
        EXPECT_EQ(row, want);
    }
}

TEST_F(ImpExpDatabaseTest, APasteWhileInsertingKeepsTheRecordBeingInserted)
{
    Show(500, 200);
    TClientDataSet& data = ShowTable(u"ClipText"_qs);
    for (int i = 0; i < Grid->Columns().Count(); ++i) {
        TColumnMv* column = Grid->Columns().Items(i);
        column->SetVisible(column->FieldName() == u"ID" || column->FieldName() == u"Txt" ||
                           column->FieldName() == u"Qty");
    }
    Grid->SetEditActions(geaPasteMv);
    Focus();
    Grid->SetSelectedIndex(Grid->GetColumnByFieldName(u"ID"_qs)->Index());

    // The user inserts a record and fills it in, then pastes two rows.
    PressKey(Grid->ClientWidget(), Qt::Key_Insert);
    ASSERT_EQ(data.State(), dsInsert);
    data.FieldByName(u"ID"_qs)->SetAsInteger(10);
    data.FieldByName(u"Txt"_qs)->SetAsString(u"NEW"_qs);
    data.FieldByName(u"Qty"_qs)->SetAsInteger(99);
    QApplication::clipboard()->setText(u"11\tn1\t10\r\n\r\n12\tn2\t20"_qs);
    PressKey(Grid->ClientWidget(), Qt::Key_V, Qt::ControlModifier);
    data.CheckBrowseMode();
    ASSERT_EQ(data.ApplyUpdates(0), 0);

    EXPECT_EQ(StoredRows(), (QStringList{u"1//"_qs, u"2//"_qs, u"3//"_qs, u"10/NEW/99"_qs, u"11/n1/10"_qs,
                                        u"12/n2/20"_qs}))
        << "one record per pasted row, the blank line none, and the user's record kept";

    // A record inserted and left blank is dropped, not posted empty (its
    // key would be refused by the database).
    PressKey(Grid->ClientWidget(), Qt::Key_Insert);
    ASSERT_EQ(data.State(), dsInsert);
    QApplication::clipboard()->setText(u"13\tn3\t30"_qs);
    PressKey(Grid->ClientWidget(), Qt::Key_V, Qt::ControlModifier);
    data.CheckBrowseMode();
    ASSERT_EQ(data.ApplyUpdates(0), 0);
    EXPECT_EQ(StoredRows().size(), 7);
    EXPECT_TRUE(StoredRows().contains(u"13/n3/30"_qs));
}

TEST_F(ImpExpDatabaseTest, ExportedCellsTakeThePaintedParametersAndFootersThePlainValues)
{
    Exec(u"update \"ClipCells\" set \"Qty\" = 2000 where \"ID\" = 3"_qs);
    Show(500, 220);
    TClientDataSet& data = ShowTable(u"ClipCells"_qs);
    for (int i = 0; i < Grid->Columns().Count(); ++i) {
        TColumnMv* column = Grid->Columns().Items(i);
        column->SetVisible(column->FieldName() == u"Txt" || column->FieldName() == u"Qty");
    }
    TColumnMv* txt = Grid->GetColumnByFieldName(u"Txt"_qs);
    TColumnMv* qty = Grid->GetColumnByFieldName(u"Qty"_qs);

    // The grid marks the text column red; the column's own hook, which runs
    // after it, turns red into blue. Painted and exported, the cell is blue.
    Grid->OnGetCellParams = [txt](QObject*, TColumnMv* column, TFont&, TColor& background, TGridDrawState) {
        if (column == txt)
            background = clRed;
    };
    txt->SetOnGetCellParams([](QObject*, bool, TColCellParamsMv& params) {
        if (params.Background == clRed)
            params.Background = clBlue;
    });
    const QImage shown = Grab();
    const TRect cell = DataCell(*Grid, txt->Index(), 2);
    EXPECT_EQ(QColor(shown.pixel(cell.Left + 2, cell.Bottom - 2)), QColor(Qt::blue));
    Grid->Selection().SelectAll();
    TMemoryStreamMv rtf;
    RunGridExport(TGridExportKindMv::RTF, Grid, rtf, false);
    const QByteArray bytes = rtf.ToByteArray();
    EXPECT_TRUE(bytes.contains("\\red0\\green0\\blue255;"));
    EXPECT_FALSE(bytes.contains("\\red255\\green0\\blue0;"));

    // The footers show their own formats on screen; exported, a sum is
    // formatted as its field shows numbers and a count is a whole number.
    Grid->SetFooterRowCount(1);
    qty->Footer().SetValueType(fvtSum);
    qty->Footer().SetDisplayFormat(u"合计 #"_qs);
    data.FieldByName(u"Qty"_qs)->SetDisplayFormat(u"#,##0"_qs);
    txt->Footer().SetValueType(fvtCount);
    txt->Footer().SetDisplayFormat(u"0.0 条"_qs);
    Grid->SumList().SetActive(true);
    EXPECT_EQ(Grid->GetFooterValue(0, qty), u"合计 1996"_qs);
    EXPECT_EQ(Grid->GetFooterValue(0, txt), u"3.0 条"_qs);
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgTitles));
    TMemoryStreamMv text;
    RunGridExport(TGridExportKindMv::Text, Grid, text, false);
    EXPECT_EQ(QString::fromUtf8(text.ToByteArray()).section(u"\r\n"_qs, -1), u"3\t1,996"_qs);
    qty->Footer().SetDisplayFormat(QString());
    data.FieldByName(u"Qty"_qs)->SetDisplayFormat(QString());
    text.Clear();
    RunGridExport(TGridExportKindMv::Text, Grid, text, false);
    EXPECT_EQ(QString::fromUtf8(text.ToByteArray()).section(u"\r\n"_qs, -1), u"3\t1996"_qs);
}

TEST_F(ImpExpDatabaseTest, ABinaryBlockOfANewerVersionPastes)
{
    Show(500, 200);
    TClientDataSet& data = ShowTable(u"ClipText"_qs);
    Grid->SetSelectedIndex(Grid->GetColumnByFieldName(u"Txt"_qs)->Index());
    TZUNDBIFWriter writer;
    writer.WriteHeader({{true, {}}, {true, {}}});
    writer.WriteCell(Variant(u"新版"_qs));
    writer.WriteCell(Variant(7));
    writer.WriteEnd();
    QByteArray block = writer.Data();
    block[7] = '\x02';
    auto mime = std::make_unique<QMimeData>();
    mime->setData(DBGridMvClipboardFormats().ZUNDBIF, block);
    QApplication::clipboard()->setMimeData(mime.release());
    GridPasteAction(Grid, false);
    data.CheckBrowseMode();
    ASSERT_EQ(data.ApplyUpdates(0), 0);
    EXPECT_EQ(Scalar(u"select \"Txt\" || '/' || \"Qty\" from \"ClipText\" where \"ID\" = 1"_qs), u"新版/7"_qs);
}
