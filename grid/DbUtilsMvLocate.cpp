// The grid's text search and the registry of data-set handlers.

#include "grid/DBGridMv.h"
#include "grid/DbUtilsMv.h"

#include "platform/Exceptions.h"

#include <QMetaObject>
#include <map>

bool TextMatchesMv(const QString& CellText, const QString& Text, TLocateTextMatchingMv Matching,
                   bool CaseInsensitive)
{
    if (Text.isEmpty())
        return false;
    const QString cell = CaseInsensitive ? CellText.toUpper() : CellText;
    const QString text = CaseInsensitive ? Text.toUpper() : Text;
    switch (Matching) {
    case ltmWholeCellMv: return cell == text;
    case ltmFromBeginningMv: return cell.startsWith(text);
    default: return cell.contains(text);
    }
}

namespace {

QString CellSearchText(TColumnMv* Column, bool Displayed)
{
    if (Displayed)
        return Column->GetDisplayText();
    TField* field = Column->Field();
    return field ? field->AsString() : QString();
}

} // namespace

bool LocateGridText(TCustomDBGridMv* Grid, const QString& Text, TLocateTextDirectionMv Direction,
                    TLocateTextMatchingMv Matching, quint8 Options)
{
    TDataSet* dataSet = Grid && Grid->DataSource() ? Grid->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active() || Text.isEmpty())
        return false;
    const TColumnsMvList& visible = Grid->VisibleColumns();
    TColumnMv* current = Grid->SelectedColumn();
    if (visible.Count() == 0 || !current)
        return false;

    const bool allColumns = Options & ltoAllFieldsMv;
    const bool down = Direction != ltdUpMv;
    int columnIndex = std::max(0, visible.IndexOf(current));
    if (allColumns && Direction == ltdAllMv)
        columnIndex = 0;
    TColumnMv* hit = nullptr;
    {
        TDisableControlsGuard guard(*dataSet);
        const TBookmark bookmark = dataSet->Bookmark();
        const auto step = [&] {
            if (!allColumns) {
                down ? dataSet->Next() : dataSet->Prior();
            } else if (down && ++columnIndex >= visible.Count()) {
                columnIndex = 0;
                dataSet->Next();
            } else if (!down && --columnIndex < 0) {
                columnIndex = visible.Count() - 1;
                dataSet->Prior();
            }
        };
        if (Direction == ltdAllMv)
            dataSet->First();
        else
            step();
        while (!(down ? dataSet->Eof() : dataSet->Bof())) {
            TColumnMv* column = allColumns ? visible.Items(columnIndex) : current;
            if (TextMatchesMv(CellSearchText(column, Options & ltoMatchFormatMv), Text, Matching,
                              Options & ltoCaseInsensitiveMv)) {
                hit = column;
                break;
            }
            step();
        }
        if (!hit)
            dataSet->GotoBookmark(bookmark);
    }
    if (hit)
        Grid->SetSelectedIndex(hit->Index());
    return hit != nullptr;
}

// ---------------------------------------------------------------- registry

namespace {

// Keyed by the upper-cased class name, so that the list stays sorted and
// one class has one handler.
std::map<QString, std::unique_ptr<TDataSetHandlerMv>>& Handlers()
{
    static std::map<QString, std::unique_ptr<TDataSetHandlerMv>> handlers;
    return handlers;
}

QString HandlerKey(const QMetaObject* Class)
{
    return QString::fromLatin1(Class->className()).toUpper();
}

} // namespace

void RegisterDataSetHandler(std::unique_ptr<TDataSetHandlerMv> Handler)
{
    if (!Handler || !Handler->DataSetClass())
        return;
    const QString key = HandlerKey(Handler->DataSetClass());
    if (Handlers().count(key))
        throw EListError(QStringLiteral("A handler for %1 is registered already").arg(key));
    Handlers().emplace(key, std::move(Handler));
}

void UnregisterDataSetHandler(const QMetaObject* DataSetClass)
{
    if (DataSetClass)
        Handlers().erase(HandlerKey(DataSetClass));
}

TDataSetHandlerMv* FindDataSetClassHandler(const QMetaObject* DataSetClass)
{
    // The first class up the parent chain that has a handler is the nearest.
    for (const QMetaObject* c = DataSetClass; c; c = c->superClass())
        if (auto it = Handlers().find(HandlerKey(c)); it != Handlers().end())
            return it->second.get();
    return nullptr;
}

TDataSetHandlerMv* FindDataSetHandler(const TDataSet* DataSet)
{
    return DataSet ? FindDataSetClassHandler(DataSet->metaObject()) : nullptr;
}
