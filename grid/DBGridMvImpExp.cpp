// The clipboard export of the dataset grid: one driver that walks the
// selection, and a writer per format.

#include "grid/DBGridMvImpExp.h"

#include "grid/DBGridMvImpExpWalk.h"
#include "platform/Colors.h"
#include "platform/Exceptions.h"

#include <QFile>
#include <cmath>

// ================================================================ driver

TDBGridMvExport::TDBGridMvExport(TCustomDBGridMv* Grid) : FGrid(Grid)
{
    FCellParams.Font = &FCellFont;
}

TDBGridMvExport::~TDBGridMvExport() = default;

void TDBGridMvExport::Write(const QByteArray& Bytes)
{
    FStream->Write(Bytes.constData(), Bytes.size());
}

void TDBGridMvExport::ExportToStream(TMemoryStreamMv& Stream, bool IsExportAll)
{
    FStream = &Stream;
    const TDBGridMvSelectionType kind = IsExportAll ? gstAll : FGrid->Selection().SelectionType();
    TDataSet* dataSet = FGrid->DataSet();
    if (kind == gstNon || !dataSet || !dataSet->Active())
        return;
    TSelectionWalkMv walk(*FGrid, true);
    const TSelectionRectBoundsMv rect = kind == gstRectangle ? SelectionRectBounds(*FGrid) : TSelectionRectBoundsMv();
    FColumns = SelectionColumns(*FGrid, kind, rect);
    FFooterValues.assign(size_t(std::max(0, FGrid->FooterRowCount()) * FColumns.Count()), 0);
    WritePrefix();
    if (FGrid->Options().testFlag(dgTitles))
        WriteTitle(FColumns);
    ForEachSelectedRecord(*FGrid, kind, rect, [this] {
        WriteRecord(FColumns);
        AccumulateFooterValues();
    });
    for (int i = 0; i < FGrid->FooterRowCount(); ++i)
        WriteFooter(FColumns, i);
    WriteSuffix();
    walk.Restore();
}

void TDBGridMvExport::ExportToFile(const QString& FileName, bool IsExportAll)
{
    TMemoryStreamMv stream;
    ExportToStream(stream, IsExportAll);
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(stream.ToByteArray()) != stream.Size())
        throw EInOutError(QStringLiteral("Cannot create file \"%1\". %2").arg(FileName, file.errorString()));
}

void TDBGridMvExport::WriteTitle(const TColumnsMvList&) {}

void TDBGridMvExport::WriteRecord(const TColumnsMvList& Columns)
{
    // As a painted cell: the column's values, then the grid's cell
    // parameters, then the column's own hook, which sees what the grid set.
    for (TColumnMv* column : Columns.Items()) {
        FCellFont = column->Font();
        FCellParams.Background = column->Color();
        FCellParams.Alignment = column->Alignment();
        FCellParams.ImageIndex = column->GetImageIndex();
        FCellParams.Text = column->GetDisplayText();
        FCellParams.CheckboxState = column->GetCheckboxState();
        FCellParams.ReadOnly = column->ReadOnly();
        FCellParams.State = TGridDrawState();
        FCellParams.Col = -1;
        FCellParams.Row = -1;
        FCellParams.TextEditing = false;
        FGrid->GetCellParams(column, FCellFont, FCellParams.Background, FCellParams.State);
        column->GetColCellParams(false, FCellParams);
        WriteDataCell(column, FCellParams);
    }
}

void TDBGridMvExport::WriteDataCell(TColumnMv*, const TColCellParamsMv&) {}

void TDBGridMvExport::AccumulateFooterValues()
{
    TDataSet* dataSet = FGrid->DataSet();
    for (int row = 0; row < FGrid->FooterRowCount(); ++row)
        for (int i = 0; i < FColumns.Count(); ++i) {
            TColumnMv* column = FColumns.Items(i);
            const TColumnFooterMv& footer = column->GetFooterForRow(row);
            qint64& value = FFooterValues[size_t(row * FColumns.Count() + i)];
            if (footer.ValueType() == fvtCount) {
                ++value;
            } else if (footer.ValueType() == fvtSum) {
                const QString name = footer.FieldName().isEmpty() ? column->FieldName() : footer.FieldName();
                const TField* field = dataSet->FindField(name);
                if (field && !field->IsNull())
                    value += std::llround(field->AsFloat() * 10000.0);
            }
        }
}

QString TDBGridMvExport::FooterValueText(TColumnMv* Column, int FooterNo) const
{
    const TColumnFooterMv& footer = Column->GetFooterForRow(FooterNo);
    const qint64 value = FFooterValues[size_t(FooterNo * FColumns.Count() + FColumns.IndexOf(Column))];
    // An exported sum or count is a plain value, formatted by the field's
    // kind and display format: the footer's own display format (which may
    // carry captions such as "合计 #") stays with the grid.
    if (footer.ValueType() == fvtCount)
        return QString::number(value);
    if (footer.ValueType() == fvtSum) {
        const QString name = footer.FieldName().isEmpty() ? Column->FieldName() : footer.FieldName();
        const TField* field = FGrid->DataSet()->FindField(name);
        return field ? FormatFieldSum(field->DisplayFormat(), *field, double(value) / 10000.0) : QString();
    }
    return FGrid->GetFooterValue(FooterNo, Column);
}

void TDBGridMvExport::WriteFooter(const TColumnsMvList& Columns, int FooterNo)
{
    for (TColumnMv* column : Columns.Items()) {
        const TColumnFooterMv& footer = column->GetFooterForRow(FooterNo);
        WriteFooterCell(column->Index(), FooterNo, FooterValueText(column, FooterNo), footer.Alignment(),
                        footer.Font(), footer.Color());
    }
}

void TDBGridMvExport::WriteFooterCell(int, int, const QString&, TAlignment, const TFont&, TColor) {}

// ================================================================ text and CSV

void TDBGridMvExportAsText::ExportToStream(TMemoryStreamMv& Stream, bool IsExportAll)
{
    FFirstRow = true;
    TDBGridMvExport::ExportToStream(Stream, IsExportAll);
}

void TDBGridMvExportAsText::WriteRowBreak()
{
    if (!FFirstRow)
        Write("\r\n");
    FFirstRow = false;
}

QString TDBGridMvExportAsText::RowText(const QStringList& Cells) const
{
    return GridTextRow(Cells);
}

void TDBGridMvExportAsText::FlushRow()
{
    WriteRowBreak();
    Write(RowText(FCells).toUtf8());
    FCells.clear();
}

void TDBGridMvExportAsText::WriteTitle(const TColumnsMvList& Columns)
{
    for (const TColumnMv* column : Columns.Items())
        FCells << column->Title().Caption();
    FlushRow();
}

void TDBGridMvExportAsText::WriteRecord(const TColumnsMvList& Columns)
{
    TDBGridMvExport::WriteRecord(Columns);
    FlushRow();
}

void TDBGridMvExportAsText::WriteDataCell(TColumnMv*, const TColCellParamsMv& Params)
{
    FCells << Params.Text;
}

void TDBGridMvExportAsText::WriteFooter(const TColumnsMvList& Columns, int FooterNo)
{
    TDBGridMvExport::WriteFooter(Columns, FooterNo);
    FlushRow();
}

void TDBGridMvExportAsText::WriteFooterCell(int, int, const QString& Text, TAlignment, const TFont&, TColor)
{
    FCells << Text;
}

QString TDBGridMvExportAsCSV::RowText(const QStringList& Cells) const
{
    QString row;
    for (qsizetype i = 0; i < Cells.size(); ++i) {
        if (i > 0)
            row += FSeparator;
        row += GridCsvCell(Cells[i]);
    }
    return row;
}

// ================================================================ RTF

namespace {

QRgb Rgb(TColor Color, const QPalette& Palette)
{
    const TColor plain = ColorToRGB(Color, Palette);
    if (plain == clNone || plain == clDefault)
        return qRgb(255, 255, 255);
    return qRgb(GetRValue(plain), GetGValue(plain), GetBValue(plain));
}

} // namespace

TDBGridMvExportAsRTF::TDBGridMvExportAsRTF(TCustomDBGridMv* Grid) : TDBGridMvExport(Grid) {}

TDBGridMvExportAsRTF::~TDBGridMvExportAsRTF() = default;

TRtfCell TDBGridMvExportAsRTF::Cell(int DataCol, const QString& Text, TAlignment Alignment, const TFont& Font,
                                    TColor Background) const
{
    const QPalette& palette = Grid()->palette();
    const int dpi = Grid()->logicalDpiX();
    TRtfCell cell;
    cell.Text = Text;
    cell.Alignment = Alignment;
    cell.Background = Rgb(Background, palette);
    cell.Font.Name = Font.family();
    // A font given in pixels has no point size; its pixels tell it.
    cell.Font.PointSize = Font.pointSizeF() > 0 ? Font.pointSizeF() : Font.pixelSize() * 72.0 / std::max(1, dpi);
    cell.Font.Bold = Font.bold();
    cell.Font.Italic = Font.italic();
    cell.Font.StrikeOut = Font.strikeOut();
    cell.Font.Underline = Font.underline();
    cell.Font.Color = Rgb(Font.Color, palette);
    // The right edge runs on over the row's columns, each rounded first.
    const int width = PixelsToTwips(Grid()->Columns().Items(DataCol)->Width(), dpi);
    cell.RightEdge = (FRow.empty() ? 0 : FRow.back().RightEdge) + width;
    return cell;
}

void TDBGridMvExportAsRTF::WritePrefix()
{
    FWriter = std::make_unique<TRtfTableWriter>(Grid()->Flat(), Rgb(clBtnFace, Grid()->palette()));
}

void TDBGridMvExportAsRTF::WriteSuffix()
{
    Write(FWriter->Document());
}

void TDBGridMvExportAsRTF::WriteTitle(const TColumnsMvList& Columns)
{
    if (Grid()->UseMultiTitle()) {
        WriteMultiTitle(Columns);
        return;
    }
    FRow.clear();
    for (const TColumnMv* column : Columns.Items()) {
        const TColumnTitleMv& title = column->Title();
        FRow.push_back(Cell(column->Index(), title.Caption(), title.Alignment(), title.Font(), title.Color()));
    }
    FWriter->WriteRow(FRow);
}

// The title levels as a matrix, one column per exported column: the bottom
// row holds the leaves, and each row above lifts the columns whose nodes
// are lowest so far to their parents. A node that spans neighbouring cells
// keeps its first cell; the others are left empty and lose the borders
// between them, so that the block reads as one cell.
void TDBGridMvExportAsRTF::WriteMultiTitle(const TColumnsMvList& Columns)
{
    const int count = Columns.Count();
    std::vector<THeadTreeNode*> nodes(size_t(count), nullptr);
    std::vector<int> heights(size_t(count), 0);
    for (int i = 0; i < count; ++i) {
        nodes[size_t(i)] = Grid()->LeafOfColumn(Columns.Items(i));
        heights[size_t(i)] = nodes[size_t(i)] ? nodes[size_t(i)]->Height : 0;
    }
    const THeadTreeNode* root = &Grid()->HeadTree();
    auto canLift = [&](int i) {
        const THeadTreeNode* node = nodes[size_t(i)];
        return node && node->Host && node->Host != root;
    };
    std::vector<std::vector<THeadTreeNode*>> levels{nodes};
    for (;;) {
        int lowest = -1;
        for (int i = 0; i < count; ++i)
            if (canLift(i) && (lowest < 0 || heights[size_t(i)] < lowest))
                lowest = heights[size_t(i)];
        if (lowest < 0)
            break;
        for (int i = 0; i < count; ++i)
            if (canLift(i) && heights[size_t(i)] == lowest) {
                nodes[size_t(i)] = nodes[size_t(i)]->Host;
                heights[size_t(i)] += nodes[size_t(i)]->Height;
            }
        levels.push_back(nodes);
    }
    std::reverse(levels.begin(), levels.end());
    for (size_t r = 0; r < levels.size(); ++r) {
        FRow.clear();
        for (int i = 0; i < count; ++i) {
            const TColumnMv* column = Columns.Items(i);
            const TColumnTitleMv& title = column->Title();
            const THeadTreeNode* node = levels[r][size_t(i)];
            const bool sameLeft = i > 0 && levels[r][size_t(i - 1)] == node;
            const bool sameRight = i + 1 < count && levels[r][size_t(i + 1)] == node;
            const bool sameAbove = r > 0 && levels[r - 1][size_t(i)] == node;
            const bool sameBelow = r + 1 < levels.size() && levels[r + 1][size_t(i)] == node;
            const bool kept = !sameLeft && !sameAbove;
            TRtfCell cell = Cell(column->Index(), kept && node ? node->Text : QString(), title.Alignment(),
                                 title.Font(), title.Color());
            cell.NoLeft = sameLeft;
            cell.NoRight = sameRight;
            cell.NoTop = sameAbove;
            cell.NoBottom = sameBelow;
            FRow.push_back(cell);
        }
        FWriter->WriteRow(FRow);
    }
}

void TDBGridMvExportAsRTF::WriteRecord(const TColumnsMvList& Columns)
{
    FRow.clear();
    TDBGridMvExport::WriteRecord(Columns);
    FWriter->WriteRow(FRow);
}

void TDBGridMvExportAsRTF::WriteDataCell(TColumnMv* Column, const TColCellParamsMv& Params)
{
    FRow.push_back(Cell(Column->Index(), Params.Text, Params.Alignment, *Params.Font, Params.Background));
}

void TDBGridMvExportAsRTF::WriteFooter(const TColumnsMvList& Columns, int FooterNo)
{
    FRow.clear();
    TDBGridMvExport::WriteFooter(Columns, FooterNo);
    FWriter->WriteRow(FRow);
}

void TDBGridMvExportAsRTF::WriteFooterCell(int DataCol, int, const QString& Text, TAlignment Alignment,
                                           const TFont& Font, TColor Background)
{
    FRow.push_back(Cell(DataCol, Text, Alignment, Font, Background));
}

// ================================================================ ZUNDBIF

Variant ZUNDBIFValueOf(const TColumnMv* Column)
{
    const TField* field = Column->Field();
    if (!field)
        return Variant();
    if (field->FieldKind() == fkLookup) {
        TDataSet* dataSet = Column->Grid() ? Column->Grid()->DataSet() : nullptr;
        if (!dataSet || field->KeyFields.isEmpty())
            return Variant();
        const Variant keys = dataSet->GetFieldValue(field->KeyFields);
        if (!keys.IsArray())
            return keys;
        // Several key fields go as one text, their values separated as the
        // field names are; none of them set is a null.
        QStringList texts;
        bool anySet = false;
        for (const Variant& key : keys.Elements()) {
            anySet = anySet || !key.IsClear();
            texts << key.AsString();
        }
        return anySet ? Variant(texts.join(u';')) : Variant::Null();
    }
    if (field->IsNull())
        return Variant::Null();
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return Variant(field->AsInteger());
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: return Variant(field->AsFloat());
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp: return Variant(DateTimeToDayNumber(field->AsDateTime()));
    case ftString:
    case ftBoolean:
    case ftMemo:
    case ftFixedChar:
    case ftLargeint:
    case ftOraClob:
    case ftGuid: return Variant(field->AsString());
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftWideString:
    case ftOraBlob: return Variant(field->AsBytes());
    default: return Variant();
    }
}

void TDBGridMvExportAsZUNDBIF::WritePrefix()
{
    std::vector<TZUNDBIFColumn> columns;
    for (const TColumnMv* column : ExportedColumns().Items())
        columns.push_back({column->Visible(), {}});
    FWriter = TZUNDBIFWriter();
    FWriter.WriteHeader(columns);
}

void TDBGridMvExportAsZUNDBIF::WriteDataCell(TColumnMv* Column, const TColCellParamsMv&)
{
    FWriter.WriteCell(ZUNDBIFValueOf(Column));
}

void TDBGridMvExportAsZUNDBIF::WriteSuffix()
{
    FWriter.WriteEnd();
    Write(FWriter.Data());
}

void RunGridExport(TGridExportKindMv Kind, TCustomDBGridMv* Grid, TMemoryStreamMv& Stream, bool IsExportAll)
{
    std::unique_ptr<TDBGridMvExport> exporter;
    switch (Kind) {
    case TGridExportKindMv::Text: exporter = std::make_unique<TDBGridMvExportAsText>(Grid); break;
    case TGridExportKindMv::CSV: exporter = std::make_unique<TDBGridMvExportAsCSV>(Grid); break;
    case TGridExportKindMv::RTF: exporter = std::make_unique<TDBGridMvExportAsRTF>(Grid); break;
    case TGridExportKindMv::ZUNDBIF: exporter = std::make_unique<TDBGridMvExportAsZUNDBIF>(Grid); break;
    }
    exporter->ExportToStream(Stream, IsExportAll);
}
