#pragma once
// DBGridMvImpExp: copying a dataset grid's selection out as text, CSV, RTF
// and the binary interchange format, pasting text and that format back into
// the selected cells, deleting or clearing a selection, and the edit-action
// driver (cut, copy, paste, delete, select all) that the grid's keys and edit
// actions call. The formats themselves are in DBGridMvImpExpCodecs.
//
// What a selection covers (by its kind): records, the listed bookmarks over
// the visible columns; a rectangle, its records from top to bottom over the
// visible columns between its left and right; columns, every record over
// the selected columns; all, every record over the visible columns.

#include "grid/DBGridMv.h"
#include "grid/DBGridMvImpExpCodecs.h"
#include "gridbase/WinApiMv.h"

#include <memory>
#include <vector>

class QMimeData;
class TRtfTableWriter;
struct TSelectionRectBoundsMv;

// ================================================================ clipboard formats

// The grid's formats on the clipboard, one MIME type each; made once, on
// first use, for the whole program.
struct TDBGridMvClipboardFormats {
    QString Text;    // "text/plain", UTF-8
    QString Csv;     // "text/csv"
    QString Rtf;     // "text/rtf"
    QString ZUNDBIF; // "application/x-zundbif", the binary interchange format
};
const TDBGridMvClipboardFormats& DBGridMvClipboardFormats();

// Puts the whole stream under the format into the data that a copy then
// sets on the clipboard at once.
void PutStreamToClipboard(QMimeData& Data, const QString& Format, const TMemoryStreamMv& Stream);
// Appends what the clipboard holds under the format to the stream.
void GetClipboardToStream(const QString& Format, TMemoryStreamMv& Stream);

// ================================================================ export

class TDBGridMvExport {
public:
    explicit TDBGridMvExport(TCustomDBGridMv* Grid);
    virtual ~TDBGridMvExport();
    TDBGridMvExport(const TDBGridMvExport&) = delete;
    TDBGridMvExport& operator=(const TDBGridMvExport&) = delete;

    TCustomDBGridMv* Grid() const { return FGrid; }
    // Writes the selection (everything with IsExportAll) to the stream.
    virtual void ExportToStream(TMemoryStreamMv& Stream, bool IsExportAll);
    // The same into a file, which is made anew.
    void ExportToFile(const QString& FileName, bool IsExportAll);

protected:
    virtual void WritePrefix() {}
    virtual void WriteSuffix() {}
    virtual void WriteTitle(const TColumnsMvList& Columns);
    // Fills the cell parameters of each column as painting does and calls
    // WriteDataCell.
    virtual void WriteRecord(const TColumnsMvList& Columns);
    virtual void WriteDataCell(TColumnMv* Column, const TColCellParamsMv& Params);
    // Footer texts (sums and counts over the exported rows only) to
    // WriteFooterCell.
    virtual void WriteFooter(const TColumnsMvList& Columns, int FooterNo);
    virtual void WriteFooterCell(int DataCol, int Row, const QString& Text, TAlignment Alignment, const TFont& Font,
                                 TColor Background);
    void Write(const QByteArray& Bytes);
    TMemoryStreamMv& Stream() const { return *FStream; }
    const TColumnsMvList& ExportedColumns() const { return FColumns; }

private:
    void AccumulateFooterValues();
    QString FooterValueText(TColumnMv* Column, int FooterNo) const;

    TCustomDBGridMv* FGrid;
    TMemoryStreamMv* FStream = nullptr;
    TColumnsMvList FColumns;
    // Per footer row and exported column: sums in ten-thousandths (the
    // currency scale) and counts.
    std::vector<qint64> FFooterValues;
    TColCellParamsMv FCellParams;
    TFont FCellFont;
};

class TDBGridMvExportAsText : public TDBGridMvExport {
public:
    using TDBGridMvExport::TDBGridMvExport;
    void ExportToStream(TMemoryStreamMv& Stream, bool IsExportAll) override;

protected:
    void WriteTitle(const TColumnsMvList& Columns) override;
    void WriteRecord(const TColumnsMvList& Columns) override;
    void WriteDataCell(TColumnMv* Column, const TColCellParamsMv& Params) override;
    void WriteFooter(const TColumnsMvList& Columns, int FooterNo) override;
    void WriteFooterCell(int DataCol, int Row, const QString& Text, TAlignment Alignment, const TFont& Font,
                         TColor Background) override;
    // Rows are separated, not ended, by CR LF.
    void WriteRowBreak();
    // The cells of one row, quoted and joined as the format writes them.
    virtual QString RowText(const QStringList& Cells) const;
    // The row being written.
    QStringList FCells;

private:
    void FlushRow();
    bool FFirstRow = true;
};

class TDBGridMvExportAsCSV : public TDBGridMvExportAsText {
public:
    explicit TDBGridMvExportAsCSV(TCustomDBGridMv* Grid) : TDBGridMvExportAsText(Grid) {}
    QChar Separator() const { return FSeparator; }

protected:
    QString RowText(const QStringList& Cells) const override;

private:
    QChar FSeparator = GridCsvSeparator;
};

class TDBGridMvExportAsRTF : public TDBGridMvExport {
public:
    explicit TDBGridMvExportAsRTF(TCustomDBGridMv* Grid);
    ~TDBGridMvExportAsRTF() override;

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(const TColumnsMvList& Columns) override;
    void WriteRecord(const TColumnsMvList& Columns) override;
    void WriteDataCell(TColumnMv* Column, const TColCellParamsMv& Params) override;
    void WriteFooter(const TColumnsMvList& Columns, int FooterNo) override;
    void WriteFooterCell(int DataCol, int Row, const QString& Text, TAlignment Alignment, const TFont& Font,
                         TColor Background) override;

private:
    TRtfCell Cell(int DataCol, const QString& Text, TAlignment Alignment, const TFont& Font, TColor Background) const;
    void WriteMultiTitle(const TColumnsMvList& Columns);

    std::unique_ptr<TRtfTableWriter> FWriter;
    std::vector<TRtfCell> FRow;
};

class TDBGridMvExportAsZUNDBIF : public TDBGridMvExport {
public:
    using TDBGridMvExport::TDBGridMvExport;

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(const TColumnsMvList&) override {}
    void WriteDataCell(TColumnMv* Column, const TColCellParamsMv& Params) override;
    void WriteFooter(const TColumnsMvList&, int) override {}

private:
    TZUNDBIFWriter FWriter;
};

// The value the binary format carries for a column of the current record:
// the field's value by its kind (a lookup field gives its key field's).
Variant ZUNDBIFValueOf(const TColumnMv* Column);

enum class TGridExportKindMv { Text, CSV, RTF, ZUNDBIF };
void RunGridExport(TGridExportKindMv Kind, TCustomDBGridMv* Grid, TMemoryStreamMv& Stream, bool IsExportAll);

// ================================================================ import

class TDBGridMvImport {
public:
    explicit TDBGridMvImport(TCustomDBGridMv* Grid);
    virtual ~TDBGridMvImport();
    TDBGridMvImport(const TDBGridMvImport&) = delete;
    TDBGridMvImport& operator=(const TDBGridMvImport&) = delete;

    TCustomDBGridMv* Grid() const { return FGrid; }
    // Reads and checks the whole stream first; only then writes its rows
    // into the selection (from the first record with IsImportAll).
    virtual void ImportFromStream(TMemoryStreamMv& Stream, bool IsImportAll);
    void ImportFromFile(const QString& FileName, bool IsImportAll);

protected:
    // Parses the whole data; a format error raises before anything changes.
    virtual void ReadPrefix(const QByteArray& Data) = 0;
    virtual void ReadSuffix() {}
    // Writes the next imported row into the current record; surplus cells
    // are dropped, missing ones leave their columns alone.
    virtual void ReadRecord(const TColumnsMvList& Columns);
    // Writes the current cell into the column's field.
    virtual void ImportCell(TColumnMv* Column) = 0;
    virtual int RowCount() const = 0;
    virtual int CellCount(int Row) const = 0;
    virtual void SelectCell(int Row, int Cell) = 0;
    bool Eof() const { return FRow >= RowCount(); }
    // The field a column's value goes into (a lookup field's key field), or
    // null when there is none; the dataset is put into edit state first.
    TField* TargetField(TColumnMv* Column) const;

private:
    void ImportRows(const TColumnsMvList& Columns, TDBGridMvSelectionType Kind, const TSelectionRectBoundsMv& Rect,
                    bool Inserting);

    TCustomDBGridMv* FGrid;
    int FRow = 0;
};

class TDBGridMvImportAsText : public TDBGridMvImport {
public:
    using TDBGridMvImport::TDBGridMvImport;

protected:
    void ReadPrefix(const QByteArray& Data) override;
    void ImportCell(TColumnMv* Column) override;
    int RowCount() const override { return int(FRows.size()); }
    int CellCount(int Row) const override { return int(FRows[size_t(Row)].size()); }
    void SelectCell(int Row, int Cell) override { FText = FRows[size_t(Row)][Cell]; }

private:
    std::vector<QStringList> FRows;
    QString FText;
};

class TDBGridMvImportAsZUNDBIF : public TDBGridMvImport {
public:
    using TDBGridMvImport::TDBGridMvImport;
    // The header as read (nothing else reads it).
    const TZUNDBIFData& Data() const { return FData; }

protected:
    void ReadPrefix(const QByteArray& Data) override;
    void ImportCell(TColumnMv* Column) override;
    int RowCount() const override { return int(FData.Rows.size()); }
    int CellCount(int Row) const override { return int(FData.Rows[size_t(Row)].size()); }
    void SelectCell(int Row, int Cell) override { FValue = FData.Rows[size_t(Row)][size_t(Cell)]; }

private:
    TZUNDBIFData FData;
    Variant FValue;
};

enum class TGridImportKindMv { Text, ZUNDBIF };
void RunGridImport(TGridImportKindMv Kind, TCustomDBGridMv* Grid, TMemoryStreamMv& Stream, bool IsImportAll);

// ================================================================ edit actions

// ForWholeGrid treats the selection as everything.
void GridCopyAction(TCustomDBGridMv* Grid, bool ForWholeGrid);
void GridPasteAction(TCustomDBGridMv* Grid, bool ForWholeGrid);
void GridDeleteAction(TCustomDBGridMv* Grid, bool ForWholeGrid);
// Copy, then delete with the same flag.
void GridCutAction(TCustomDBGridMv* Grid, bool ForWholeGrid);
// Asks "Delete record?" and its kin under dgConfirmDelete; False stops.
bool ConfirmGridDelete(TCustomDBGridMv* Grid, TDBGridMvSelectionType Kind);
// Clears the listed columns' fields in the current record.
void ClearSelectedCells(TCustomDBGridMv* Grid, const TColumnsMvList& Columns);
// Writes the selected column's value of the record above into the current
// record and shows the editor.
void GridCopyFromRecordAbove(TCustomDBGridMv* Grid);

// Whether each edit action can run now (the answers the grid's action
// updates and its keys go by).
bool GridCanCopy(const TCustomDBGridMv* Grid);
bool GridCanCut(const TCustomDBGridMv* Grid);
bool GridCanPaste(const TCustomDBGridMv* Grid);
bool GridCanDelete(const TCustomDBGridMv* Grid);
bool GridCanSelectAll(const TCustomDBGridMv* Grid);

// Runs one edit action when the grid's EditActions include it and it can
// run now; True when it ran.
bool GridExecuteEditAction(TCustomDBGridMv* Grid, TDBGridMvEditAction Action);
