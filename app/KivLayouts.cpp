#include "app/KivLayouts.h"

#include "app/KivShop.h"
#include "client/KivDataM.h"
#include "client/KivFieldKinds.h"
#include "platform/Exceptions.h"
#include "client/KivGetSessiion.h"
#include "client/KivPlayWave.h"
#include "grid/DBGridMv.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "platform/SqlText.h"
#include "platform/db/ClientDataSet.h"

#include <QFile>
#include <QFileDialog>
#include <QThread>
#include <map>
#include <memory>
#include <vector>

namespace {

// Default widths in characters, until a stored layout gives the columns
// theirs: a text column as wide as its database column would push every
// other column out of sight.
constexpr int MaxTextWidth = 10;
constexpr int MaxIdWidth = 13;
constexpr int MaxFigureWidth = 7;

void LimitDefaultWidths(TDataSet& DataSet)
{
    for (int i = 0; i < DataSet.Fields().Count(); ++i) {
        TField* field = DataSet.Fields()[i];
        const TFieldType type = field->DataType();
        const int most = type == ftString || type == ftWideString ? MaxTextWidth
                         : type == ftLargeint                     ? MaxIdWidth
                                                                  : MaxFigureWidth;
        field->SetDisplayWidth(std::min(field->DisplayWidth(), most));
    }
}

const QString TableNameParam = QStringLiteral("SYS_TABLE_NAME");
const QString ShopCodeParam = QStringLiteral("SYS_SHOP_CODE");
const QString UserCodeParam = QStringLiteral("SYS_USER_CODE");
const QString FieldsKey = QStringLiteral("SYS_Fields");

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The part of every layout statement that names one layout.
QString LayoutKeyCondition(const QString& TableKey, const QString& ShopCode, const QString& UserCode)
{
    return QStringLiteral("\"Code\" = ") + QuotedStr(TableKey) + QStringLiteral(" and \"UserCode\" = ") + QuotedStr(UserCode)
           + QStringLiteral(" and \"ShopCode\" = ") + QuotedStr(ShopCode);
}

QString LayoutSql(const QString& TableKey, const QString& ShopCode, const QString& UserCode)
{
    return QStringLiteral("select * from \"SYS_Fields\" where ") + LayoutKeyCondition(TableKey, ShopCode, UserCode)
           + QStringLiteral(" order by \"Index\"");
}

// The column bound to a field name; null when the grid shows none.
TColumnMv* ColumnOf(const TCustomDBGridMv& Grid, const QString& FieldName)
{
    for (int i = 0; i < Grid.Columns().Count(); ++i)
        if (SameName(Grid.Columns().Items(i)->FieldName(), FieldName))
            return Grid.Columns().Items(i);
    return nullptr;
}

// What one applied layout row asks of its column once the grid has its
// columns again.
struct TLayoutRow {
    QString FieldName;
    bool CountFooter = false;
    bool Visible = false;
    bool Total = false;
    bool Boolean = false;
    QString BinType;
};

int IntOf(const TSQLQuery& Query, const QString& Name)
{
    const TField* field = Query.FieldByName(Name);
    return field->IsNull() ? 0 : field->AsInteger();
}

// The field values of a layout row onto the dataset's field.
void ApplyFieldProperties(TField& Field, const TSQLQuery& Layout)
{
    // A cleared width or index in the layout editor leaves the field's own.
    if (!Layout.FieldByName(QStringLiteral("Index"))->IsNull())
        Field.SetIndex(IntOf(Layout, QStringLiteral("Index")));
    Field.SetDisplayLabel(Layout.FieldByName(QStringLiteral("Caption"))->AsString());
    if (!Layout.FieldByName(QStringLiteral("Width"))->IsNull())
        Field.SetDisplayWidth(IntOf(Layout, QStringLiteral("Width")));
    Field.SetReadOnly(IntOf(Layout, QStringLiteral("ReadOnly")) == 1);
}

void DecorateColumn(TColumnMv& Column, TField& Field, const TLayoutRow& Row, const QString& TableKey)
{
    TColumnFooterMv& footer = Column.Footer();
    if (Row.CountFooter) {
        footer.SetValueType(fvtCount);
        // "0行", not "#行": an empty table's footer says "0行", not a bare "行".
        footer.SetDisplayFormat(QStringLiteral("0行"));
    }
    // A total stored on a text column (by hand, or by an older version)
    // is left unsummed: its values are no numbers.
    if (Row.Total && IsNumericType(Field.DataType())) {
        footer.SetValueType(fvtSum);
        // A sum is not a row count: the count's "行" would label it as one.
        if (Row.CountFooter)
            footer.SetDisplayFormat(QString());
    }
    const bool layoutOfLayouts = SameName(TableKey, FieldsKey);
    if (layoutOfLayouts && SameName(Row.FieldName, QStringLiteral("BinType")))
        SetBinTypePickList(&Column);
    if (Field.IsBlob() && !Row.BinType.isEmpty())
        AddBlobButtons(&Column, Row.BinType);
    if ((layoutOfLayouts && SameName(Row.FieldName, QStringLiteral("Boolean"))) || Row.Boolean)
        SetCheckBoxColumn(&Column);
    if (layoutOfLayouts && SameName(Row.FieldName, QStringLiteral("Total")))
        OfferTotalOnNumbersOnly(&Column);
    if (SameName(TableKey, QStringLiteral("SYS_UserShop"))) {
        if (SameName(Row.FieldName, QStringLiteral("UserCode")))
            FillUserPickList(&Column);
        else if (SameName(Row.FieldName, QStringLiteral("ShopCode")))
            FillShopPickList(&Column);
    }
    if (SameName(TableKey, QStringLiteral("SYS_Shop"))) {
        // The home page, where the seller finds the key and the secret, opens
        // from either cell.
        if (SameName(Row.FieldName, QStringLiteral("AppKey")) || SameName(Row.FieldName, QStringLiteral("AppSecret")))
            SetHomePageButton(&Column);
        else if (SameName(Row.FieldName, QStringLiteral("Session")))
            SetSessionButton(&Column);
    }
    // Numbers show zero as empty; a check box keeps its "1"/"0".
    const TStringList* keys = Column.KeyListIfAny();
    if ((!keys || keys->IsEmpty()) && IsStepNumericType(Field.DataType()))
        Field.SetDisplayFormat(QStringLiteral("#"));
}

class TPaintLockScope {
public:
    explicit TPaintLockScope(TCustomDBGridMv& Grid) : FGrid(Grid) { FGrid.LockPaint(); }
    ~TPaintLockScope()
    {
        FGrid.UnlockPaint();
        FGrid.Invalidate();
    }
    TPaintLockScope(const TPaintLockScope&) = delete;
    TPaintLockScope& operator=(const TPaintLockScope&) = delete;

private:
    TCustomDBGridMv& FGrid;
};

// The field properties of every layout row, in the layout's order; returns
// what the columns still need. Each row before the first visible one is
// marked for the count footer, so that the first visible column shows it.
std::vector<TLayoutRow> ApplyFieldRows(TDataSet& DataSet, TSQLQuery& Layout)
{
    std::vector<TLayoutRow> rows;
    int n = 1;
    for (; !Layout.Eof(); Layout.Next()) {
        TLayoutRow row;
        row.FieldName = Layout.FieldByName(QStringLiteral("FieldName"))->AsString();
        TField* field = DataSet.FindField(row.FieldName);
        if (!field)
            continue;
        row.CountFooter = n == 1;
        row.Visible = IntOf(Layout, QStringLiteral("Visible")) == 1;
        field->SetVisible(row.Visible);
        if (row.Visible) {
            ApplyFieldProperties(*field, Layout);
            row.Total = IntOf(Layout, QStringLiteral("Total")) == 1;
            row.Boolean = IntOf(Layout, QStringLiteral("Boolean")) == 1;
            row.BinType = Layout.FieldByName(QStringLiteral("BinType"))->AsString();
            ++n;
        }
        rows.push_back(row);
    }
    return rows;
}

void SetPickList(TColumnMv* Column, const QStringList& Items)
{
    Column->SetButtonStyle(cbsAuto);
    const TStringList list(Items);
    Column->SetPickList(&list);
}

QStringList Codes(const QString& Sql)
{
    QStringList codes;
    const auto query = OpenQuery(Sql);
    for (; !query->Eof(); query->Next())
        codes << query->FieldByName(QStringLiteral("Code"))->AsString();
    return codes;
}

// An ellipsis button on the column whose click runs the handler with the
// column's grid.
void SetEllipsisButton(TColumnMv* Column, std::function<void(TCustomDBGridMv*)> Handler)
{
    Column->SetButtonStyle(cbsEllipsis);
    Column->OnEditButtonClick = [Column, Handler = std::move(Handler)](QObject*, bool& Handled) {
        Handler(Column->Grid());
        Handled = true;
    };
}

TClientDataSet* ClientDataSetOf(const TCustomDBGridMv* Grid)
{
    return qobject_cast<TClientDataSet*>(Grid->DataSet());
}

} // namespace

void ApplyFieldLayout(TCustomDBGridMv* Grid, const QString& TableKey, const QString& ShopCode, const QString& UserCode)
{
    TDataSet* dataSet = Grid->DataSet();
    if (TClientDataSet* client = ClientDataSetOf(Grid)) {
        client->SetOptionalParam(TableNameParam, Variant(TableKey));
        client->SetOptionalParam(ShopCodeParam, Variant(ShopCode));
        client->SetOptionalParam(UserCodeParam, Variant(UserCode));
    }
    Grid->SetFooterRowCount(1);
    Grid->SumList().SetActive(true);
    Grid->SetFooterColor(Grid->Color());
    const auto layout = OpenQuery(LayoutSql(TableKey, ShopCode, UserCode));
    if (!dataSet)
        return;
    LimitDefaultWidths(*dataSet);
    const TPaintLockScope paintLock(*Grid);
    // The columns follow the fields once, at the end of the bracket.
    std::vector<TLayoutRow> rows;
    Grid->BeginLayout();
    try {
        rows = ApplyFieldRows(*dataSet, *layout);
    } catch (...) {
        // The error box tells what went wrong; the grid shows the fields as they are.
        Grid->CancelLayout();
        Grid->LayoutChanged();
        throw;
    }
    Grid->EndLayout();
    for (const TLayoutRow& row : rows) {
        TColumnMv* column = row.Visible ? ColumnOf(*Grid, row.FieldName) : nullptr;
        TField* field = dataSet->FindField(row.FieldName);
        if (column && field)
            DecorateColumn(*column, *field, row, TableKey);
    }
}

namespace {

// How often a layout row that another seat writes at the same moment is
// written again, and the pause before each new try (times the try's number).
constexpr int LayoutSaveTries = 5;
constexpr int LayoutRetryPauseMs = 50;

void SaveFieldRow(const TField& field, const QString& TableKey, const QString& ShopCode, const QString& UserCode)
{
    const QString key = QStringLiteral(" where ") + LayoutKeyCondition(TableKey, ShopCode, UserCode)
                        + QStringLiteral(" and \"FieldName\" = ") + QuotedStr(field.FieldName());
    const QString width = QString::number(field.DisplayWidth());
    const QString index = QString::number(field.Index());
    if (IsEmptyResult(QStringLiteral("select 1 from \"SYS_Fields\"") + key)) {
        ExecSql(QStringLiteral("insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\","
                               "\"Width\",\"Index\",\"Visible\",\"ReadOnly\",\"Boolean\") values(")
                + QuotedStr(TableKey) + u',' + QuotedStr(field.FieldName()) + u',' + QuotedStr(UserCode) + u','
                + QuotedStr(ShopCode) + u',' + QuotedStr(field.DisplayLabel()) + u',' + width + u',' + index + u','
                + BoolText(field.Visible()) + u',' + BoolText(field.ReadOnly()) + QStringLiteral(",0)"));
    } else {
        ExecSql(QStringLiteral("update \"SYS_Fields\" set \"Width\" = ") + width + QStringLiteral(", \"Index\" = ") + index + key);
    }
}

} // namespace

void SaveFieldLayout(TCustomDBGridMv* Grid, const QString& TableKey, const QString& ShopCode, const QString& UserCode)
{
    const TDataSet* dataSet = Grid->DataSet();
    if (!dataSet || !dataSet->Active())
        return;
    for (int i = 0; i < Grid->GetFieldCount(); ++i) {
        const TField* field = Grid->GetFields(i);
        if (!field)
            continue;
        // Two seats of one user that close the same window at the same
        // moment write the same rows: the row is written again once the
        // other seat's write is done, so the later one wins; a seat that
        // holds it longer keeps its own.
        for (int attempt = 1;; ++attempt) {
            try {
                SaveFieldRow(*field, TableKey, ShopCode, UserCode);
                break;
            } catch (const EDatabaseConflict&) {
                if (attempt == LayoutSaveTries)
                    break;
                QThread::msleep(LayoutRetryPauseMs * attempt);
            }
        }
    }
}

void SaveGridLayout(TCustomDBGridMv* Grid)
{
    const TClientDataSet* client = ClientDataSetOf(Grid);
    const auto param = [client](const QString& name) { return client ? client->GetOptionalParam(name).AsString() : QString(); };
    try {
        SaveFieldLayout(Grid, param(TableNameParam), param(ShopCodeParam), param(UserCodeParam));
    } catch (const EDatabaseConnectionLost&) {
        // The window closes all the same; its stored layout stays as it was.
    }
}

void EnsureFieldLayout(TCustomDBGridMv* Grid, const QString& TableKey, const QString& ShopCode, const QString& UserCode)
{
    if (!IsEmptyResult(LayoutSql(TableKey, ShopCode, UserCode)))
        return;
    // The first layout is stored with the widths a fresh window shows.
    if (TDataSet* dataSet = Grid->DataSet())
        LimitDefaultWidths(*dataSet);
    SaveFieldLayout(Grid, TableKey, ShopCode, UserCode);
}

QStringList LayoutNumberFields(const QString& TableKey)
{
    QStringList numbers;
    if (const TFieldList* fields = WindowLayoutFields(TableKey)) {
        for (const TNamedField& field : *fields)
            if (field.Kind != TNamedFieldKind::Text)
                numbers << field.Name;
        return numbers;
    }
    if (IsEmptyResult(QStringLiteral("select 1 from rdb$relations where rdb$relation_name = ") + QuotedStr(TableKey)))
        return numbers;
    const auto columns = OpenQuery(QStringLiteral("select * from ") + QuotedName(TableKey) + QStringLiteral(" where 1 = 0"));
    for (int i = 0; i < columns->FieldCount(); ++i)
        if (IsNumericType(columns->Fields(i)->DataType()))
            numbers << columns->Fields(i)->FieldName();
    return numbers;
}

QString LayoutTotalProblem(const QString& TableKey, const QString& FieldName, const QString& TotalCaption)
{
    if (LayoutNumberFields(TableKey).contains(FieldName, Qt::CaseInsensitive))
        return QString();
    return TotalCaption + QStringLiteral("只能勾选在数字栏上：“") + FieldName + QStringLiteral("”不是“") + TableKey
           + QStringLiteral("”的数字字段，请取消勾选！");
}

void EditFieldLayout(const QString& TableKey, const QString& ShopCode, const QString& UserCode)
{
    ShowTableEditor(LayoutSql(TableKey, ShopCode, UserCode), FieldsKey, ShopCode, UserCode, QStringLiteral("属性设置"));
}

// ---------------------------------------------------------------- decorations

void SetBinTypePickList(TColumnMv* Column)
{
    SetPickList(Column, {QString(), QStringLiteral("WAV"), QStringLiteral("MP3"), QStringLiteral("EXE")});
}

void SetCheckBoxColumn(TColumnMv* Column)
{
    const TStringList keys(QStringList{QStringLiteral("1"), QStringLiteral("0")});
    Column->SetKeyList(&keys);
    Column->SetCheckboxes(true);
}

void FillUserPickList(TColumnMv* Column)
{
    SetPickList(Column, Codes(QStringLiteral("select \"Code\" from \"SYS_User\" where \"Code\" <> 'admin'")));
}

void FillShopPickList(TColumnMv* Column)
{
    SetPickList(Column, Codes(QStringLiteral("select \"Code\" from \"SYS_Shop\"")));
}

void OfferTotalOnNumbersOnly(TColumnMv* Column)
{
    // The number columns of each layout the rows name, read once.
    auto numbers = std::make_shared<std::map<QString, QStringList>>();
    const auto offered = [numbers](const TDataSet& Rows) {
        const QString key = Rows.FieldByName(QStringLiteral("Code"))->AsString();
        auto known = numbers->find(key);
        if (known == numbers->end())
            known = numbers->emplace(key, LayoutNumberFields(key)).first;
        return known->second.contains(Rows.FieldByName(QStringLiteral("FieldName"))->AsString(), Qt::CaseInsensitive);
    };
    const auto ticked = [](const TField& Total) { return !Total.IsNull() && Total.AsString() == u"1"; };
    Column->OnUpdateData = [Column, offered](QObject*, QString& Text, Variant& Value, bool& UseText, bool& Handled) {
        const TField* total = Column->Field();
        if (total && (UseText ? Text : Value.AsString()) == u"1" && !offered(*total->DataSet()))
            Handled = true;
    };
    // The layout editor's grid draws nothing else of its own.
    TCustomDBGridMv* grid = Column->Grid();
    grid->OnDrawColumnCell = [grid, offered, ticked](QObject*, const TRect& Rect, int, TColumnMv* Drawn, TGridDrawState) {
        const TField* total = Drawn ? Drawn->Field() : nullptr;
        if (total && SameName(total->FieldName(), QStringLiteral("Total")) && !ticked(*total) && !offered(*total->DataSet()))
            grid->Canvas().FillRect(Rect, grid->ColCellParams().Background);
    };
}

void SetHomePageButton(TColumnMv* Column)
{
    SetEllipsisButton(Column, [](TCustomDBGridMv*) { OpenHomePage(); });
}

void SetSessionButton(TColumnMv* Column)
{
    SetEllipsisButton(Column, [](TCustomDBGridMv* Grid) { GetSessionForRow(Grid); });
}

void AddBlobButtons(TColumnMv* Column, const QString& BinType)
{
    // The cell says whether it holds a sound (or a file), never its bytes.
    if (TField* field = Column->Field()) {
        const bool sound = BinType == QStringLiteral("WAV");
        field->OnGetText = [sound](TField& Field, QString& Text, bool) {
            const bool held = !Field.IsNull() && !Field.AsBytes().isEmpty();
            Text = sound ? (held ? QStringLiteral("有声音") : QStringLiteral("无声音"))
                         : (held ? QStringLiteral("有文件") : QStringLiteral("无文件"));
        };
    }
    Column->SetAlwaysShowEditButton(true);
    // The layout owns these buttons: applying it again does not add more.
    Column->EditButtons().Clear();
    TEditButtonMv* load = Column->EditButtons().Add();
    load->SetStyle(ebsPlusMv);
    load->SetHint(BinType);
    load->SetVisible(true);
    // The button lives with its column, so the column outlives every click.
    load->OnClick = [Column, BinType](QObject*, bool& Handled) {
        LoadFileIntoBlob(Column->Grid(), BinType);
        Handled = true;
    };
    if (BinType != QStringLiteral("WAV"))
        return;
    TEditButtonMv* play = Column->EditButtons().Add();
    play->SetStyle(ebsGlyphMv);
    if (KivDM)
        play->SetGlyph(KivDM->ImageListTree.Pixmap(0));
    play->SetHint(Column->FieldName());
    play->SetVisible(true);
    play->OnClick = [Column](QObject*, bool& Handled) {
        PlayBlobField(Column->Grid());
        Handled = true;
    };
}

// ---------------------------------------------------------------- handlers

void LoadFileIntoBlob(TCustomDBGridMv* Grid, const QString& BinType)
{
    TField* field = Grid ? Grid->GetSelectedField() : nullptr;
    if (!field)
        return;
    QFileDialog dialog(Grid->window());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(BinType);
    // File names on this system keep their letter case: both cases match.
    dialog.setNameFilter(QStringLiteral("Any %1 file(*.%1 *.%2)").arg(BinType, BinType.toLower()));
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QFile file(dialog.selectedFiles().constFirst());
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(file.errorString());
        return;
    }
    const QByteArray contents = file.readAll();
    field->DataSet()->Edit();
    field->SetAsBytes(contents);
    field->DataSet()->Post();
}

void PlayBlobField(TCustomDBGridMv* Grid)
{
    if (const TField* field = Grid ? Grid->GetSelectedField() : nullptr)
        PlaySound(field->AsBytes());
}

void OpenHomePage()
{
    // Without a browser the seller opens the page by hand: the message gives
    // its address, on a line of its own.
    if (!ShellOpen(SysRec.HomeUrl))
        ShowInformation(QStringLiteral("无法打开浏览器，请在浏览器中打开平台首页：\n")
                        + SysRec.HomeUrl);
}

void GetSessionForRow(TCustomDBGridMv* Grid)
{
    TDataSet* dataSet = Grid ? Grid->DataSet() : nullptr;
    TField* field = Grid ? Grid->GetSelectedField() : nullptr;
    if (!dataSet || !field)
        return;
    const TField* appKey = dataSet->FindField(QStringLiteral("AppKey"));
    const QString address = SysRec.AuthorizeUrl + (appKey ? appKey->AsString() : QString());
    // Without a browser the seller opens the page by hand: the dialog shows its address.
    const QString session = GetSession(ShellOpen(address) ? QString() : address);
    if (session.isEmpty())
        return;
    dataSet->Edit();
    field->SetAsString(session);
    dataSet->Post();
}
