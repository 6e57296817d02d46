// The clipboard glue and the edit-action driver of the dataset grid: copy,
// cut, paste, delete and select all, their availability and their keys.

#include "grid/DBGridMvImpExp.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

// ================================================================ clipboard

const TDBGridMvClipboardFormats& DBGridMvClipboardFormats()
{
    static const TDBGridMvClipboardFormats formats{
        QStringLiteral("text/plain"),
        QStringLiteral("text/csv"),
        QStringLiteral("text/rtf"),
        QStringLiteral("application/x-zundbif"),
    };
    return formats;
}

void PutStreamToClipboard(QMimeData& Data, const QString& Format, const TMemoryStreamMv& Stream)
{
    if (Format == DBGridMvClipboardFormats().Text)
        Data.setText(QString::fromUtf8(Stream.ToByteArray()));
    else
        Data.setData(Format, Stream.ToByteArray());
}

void GetClipboardToStream(const QString& Format, TMemoryStreamMv& Stream)
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return;
    const QByteArray bytes = Format == DBGridMvClipboardFormats().Text ? data->text().toUtf8() : data->data(Format);
    Stream.Write(bytes.constData(), bytes.size());
}

namespace {

bool ClipboardHas(const QString& Format)
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return false;
    return Format == DBGridMvClipboardFormats().Text ? data->hasText() : data->hasFormat(Format);
}

} // namespace

// ================================================================ actions

void GridCopyAction(TCustomDBGridMv* Grid, bool ForWholeGrid)
{
    TDataSet* dataSet = Grid->DataSet();
    if (!dataSet || !dataSet->Active())
        return;
    const TDBGridMvClipboardFormats& formats = DBGridMvClipboardFormats();
    // All four formats go onto the clipboard at once.
    auto data = std::make_unique<QMimeData>();
    TMemoryStreamMv stream;
    stream.SetGrowthStep(65536);
    {
        const TDisableControlsGuard disabled(*dataSet);
        const std::pair<TGridExportKindMv, QString> kinds[] = {{TGridExportKindMv::Text, formats.Text},
                                                               {TGridExportKindMv::CSV, formats.Csv},
                                                               {TGridExportKindMv::RTF, formats.Rtf},
                                                               {TGridExportKindMv::ZUNDBIF, formats.ZUNDBIF}};
        for (const auto& [kind, format] : kinds) {
            stream.Clear();
            RunGridExport(kind, Grid, stream, ForWholeGrid);
            PutStreamToClipboard(*data, format, stream);
        }
    }
    QApplication::clipboard()->setMimeData(data.release());
}

void GridPasteAction(TCustomDBGridMv* Grid, bool ForWholeGrid)
{
    const TDBGridMvClipboardFormats& formats = DBGridMvClipboardFormats();
    TMemoryStreamMv stream;
    if (ClipboardHas(formats.ZUNDBIF)) {
        GetClipboardToStream(formats.ZUNDBIF, stream);
        stream.SetPosition(0);
        RunGridImport(TGridImportKindMv::ZUNDBIF, Grid, stream, ForWholeGrid);
    } else if (ClipboardHas(formats.Text)) {
        GetClipboardToStream(formats.Text, stream);
        stream.SetPosition(0);
        RunGridImport(TGridImportKindMv::Text, Grid, stream, ForWholeGrid);
    }
}

void GridCutAction(TCustomDBGridMv* Grid, bool ForWholeGrid)
{
    GridCopyAction(Grid, ForWholeGrid);
    GridDeleteAction(Grid, ForWholeGrid);
}

// ================================================================ availability

namespace {

bool LinkActive(const TCustomDBGridMv* Grid)
{
    return Grid->DataLink()->Active() && Grid->DataSet();
}

bool HasSelection(const TCustomDBGridMv* Grid)
{
    return Grid->Selection().SelectionType() != gstNon;
}

} // namespace

bool GridCanCopy(const TCustomDBGridMv* Grid)
{
    return LinkActive(Grid) && HasSelection(Grid);
}

bool GridCanCut(const TCustomDBGridMv* Grid)
{
    return GridCanCopy(Grid) && GridCanDelete(Grid);
}

bool GridCanPaste(const TCustomDBGridMv* Grid)
{
    if (!LinkActive(Grid) || Grid->ReadOnly() || !Grid->DataSet()->CanModify())
        return false;
    if (!ClipboardHas(DBGridMvClipboardFormats().ZUNDBIF) && !ClipboardHas(DBGridMvClipboardFormats().Text))
        return false;
    return Grid->DataSet()->State() == dsInsert || Grid->AllowedOperations().testFlag(alopUpdateMv);
}

bool GridCanSelectAll(const TCustomDBGridMv* Grid)
{
    return LinkActive(Grid) && !Grid->DataSet()->IsEmpty() && Grid->AllowedSelections().testFlag(asAll);
}

bool GridCanDelete(const TCustomDBGridMv* Grid)
{
    if (!LinkActive(Grid) || Grid->ReadOnly() || Grid->DataSet()->IsEmpty() || !Grid->DataSet()->CanModify())
        return false;
    switch (Grid->Selection().SelectionType()) {
    case gstRecordBookmarks:
    case gstAll: return Grid->AllowedOperations().testFlag(alopDeleteMv);
    case gstRectangle:
    case gstColumns: return Grid->AllowedOperations().testFlag(alopUpdateMv);
    case gstNon: break;
    }
    return false;
}

bool GridExecuteEditAction(TCustomDBGridMv* Grid, TDBGridMvEditAction Action)
{
    if (!Grid->EditActions().testFlag(Action))
        return false;
    switch (Action) {
    case geaCopyMv:
        if (!GridCanCopy(Grid))
            return false;
        GridCopyAction(Grid, false);
        return true;
    case geaPasteMv:
        if (!GridCanPaste(Grid))
            return false;
        GridPasteAction(Grid, false);
        return true;
    case geaCutMv:
        if (!GridCanCut(Grid))
            return false;
        GridCutAction(Grid, false);
        return true;
    case geaSelectAllMv:
        if (!GridCanSelectAll(Grid))
            return false;
        Grid->Selection().SelectAll();
        return true;
    case geaDeleteMv:
        if (!GridCanDelete(Grid))
            return false;
        GridDeleteAction(Grid, false);
        return true;
    }
    return false;
}
