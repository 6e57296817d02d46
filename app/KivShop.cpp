#include "app/KivShop.h"

#include "app/KivCDEdit.h"
#include "app/KivCodeMoves.h"
#include "app/KivLayouts.h"
#include "app/KivMain.h"
#include "app/KivShopDeletion.h"
#include "app/KivTableCheck.h"
#include "client/KivDataM.h"
#include "grid/DBGridMv.h"
#include "platform/Dialogs.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSetProvider.h"

#include <QAction>
#include <QApplication>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int NavigatorWidth = 240;

QIcon MenuGlyph(int index)
{
    return KivDM ? KivDM->ImageListMenu.Icon(index) : QIcon();
}

bool Editing(const TDataSet& dataSet)
{
    return dataSet.State() == dsEdit || dataSet.State() == dsInsert;
}

// The fields' names and widths, in the order the grid shows them.
std::vector<std::pair<QString, int>> FieldPlaces(const TDataSet& dataSet)
{
    std::vector<std::pair<QString, int>> places;
    if (!dataSet.Active())
        return places;
    for (int i = 0; i < dataSet.Fields().Count(); ++i) {
        const TField* field = dataSet.Fields()[i];
        places.emplace_back(field->FieldName(), field->DisplayWidth());
    }
    return places;
}

// The places onto the fields of the same names, in one layout pass.
void RestoreFieldPlaces(TCustomDBGridMv& grid, const std::vector<std::pair<QString, int>>& places)
{
    TDataSet* dataSet = grid.DataSet();
    if (!dataSet || places.empty())
        return;
    grid.BeginLayout();
    for (int index = 0; index < int(places.size()); ++index) {
        const auto& [name, width] = places[index];
        if (TField* field = dataSet->FindField(name)) {
            field->SetIndex(std::min(index, dataSet->Fields().Count() - 1));
            field->SetDisplayWidth(width);
        }
    }
    grid.EndLayout();
}

} // namespace

TFormShop::TFormShop(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint)
    , SQLQueryShop(new TSQLQuery(KivDM ? KivDM->KivConn : nullptr, this))
    , DataSetProviderShop(new TDataSetProvider(this))
    , ClientDataSetShop(new TClientDataSet(this))
    , DataSourceShop(new TDataSource(this))
    , ToolBarShop(new QToolBar(this))
    , DBNavigator1(new QToolBar(this))
    , DBGridShop(new TDBGridMv(this))
    , FCheck(std::make_unique<TTableCheck>(*ClientDataSetShop))
{
    resize(866, 549);
    DataSetProviderShop->SetDataSet(SQLQueryShop);
    ClientDataSetShop->SetProvider(DataSetProviderShop);
    DataSourceShop->SetDataSet(ClientDataSetShop);

    DBGridShop->SetFlat(true);
    DBGridShop->SetUseMultiTitle(true);
    DBGridShop->SetOptionsMv(DBGridShop->OptionsMv() | dghDialogFind | dghRowHighlight);
    DBGridShop->SetDataSource(DataSourceShop);

    CreateActions();
    CreateNavigator();
    ToolBarShop->setMovable(false);
    ToolBarShop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBarShop->addAction(ActionAppend);
    ToolBarShop->addAction(ActionEdit);
    ToolBarShop->addAction(ActionDelete);
    ToolBarShop->addSeparator();
    ToolBarShop->addAction(ActionSave);
    ToolBarShop->addAction(ActionProp);
    ToolBarShop->addSeparator();
    ToolBarShop->addWidget(DBNavigator1);
    ToolBarShop->addSeparator();
    ToolBarShop->addAction(ActionExit);
    // Without a button: the grid's context menu reaches them.
    DBGridShop->setContextMenuPolicy(Qt::ActionsContextMenu);
    DBGridShop->addAction(ActionOpen);
    DBGridShop->addAction(ActionColumn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBarShop);
    layout->addWidget(DBGridShop, 1);

    ClientDataSetShop->OnNewRecord = [this](TDataSet&) { StartYesNoFieldsOff(); };
    FConnections.emplace_back(DataSourceShop->OnStateChange.Connect(this, [this](TDataSource&) { UpdateNavigator(); }));
    FConnections.emplace_back(
        DataSourceShop->OnDataChange.Connect(this, [this](TDataSource&, TField*) { UpdateNavigator(); }));
    UpdateNavigator();
}

TFormShop::~TFormShop() = default;

void TFormShop::SetKeys(const QString& tableKey, const QString& shopCode, const QString& userCode)
{
    FTableKey = tableKey;
    FShopCode = shopCode;
    FUserCode = userCode;
    FCheck->SetTable(tableKey);
    // A user's or a shop's code takes what is keyed by it along, in the save.
    DataSetProviderShop->AfterKeyMove = CodeCarrier(tableKey);
}

void TFormShop::CreateActions()
{
    const auto action = [this](const QString& caption, int image) { return new QAction(MenuGlyph(image), caption, this); };
    ActionAppend = action(QStringLiteral("新增"), 10);
    ActionEdit = action(QStringLiteral("编辑"), 8);
    ActionEdit->setVisible(false);
    ActionDelete = action(QStringLiteral("删除"), 9);
    ActionSave = action(QStringLiteral("保存"), 13);
    ActionSave->setShortcut(QKeySequence::Save);
    ActionProp = action(QStringLiteral("属性"), 4);
    ActionExit = action(QStringLiteral("退出"), 14);
    ActionOpen = action(QStringLiteral("打开"), 66);
    ActionOpen->setShortcut(QKeySequence::Refresh);
    ActionColumn = action(QStringLiteral("存栏宽"), 3);

    connect(ActionAppend, &QAction::triggered, this, &TFormShop::ActionAppendExecute);
    connect(ActionEdit, &QAction::triggered, this, &TFormShop::ActionEditExecute);
    connect(ActionDelete, &QAction::triggered, this, &TFormShop::ActionDeleteExecute);
    connect(ActionSave, &QAction::triggered, this, &TFormShop::ActionSaveExecute);
    connect(ActionProp, &QAction::triggered, this, [this] { EditFieldLayout(FTableKey, FShopCode, FUserCode); });
    connect(ActionExit, &QAction::triggered, this, &QWidget::close);
    connect(ActionOpen, &QAction::triggered, this, &TFormShop::ActionOpenExecute);
    connect(ActionColumn, &QAction::triggered, this, [this] { SaveFieldLayout(DBGridShop, FTableKey, FShopCode, FUserCode); });
}

void TFormShop::CreateNavigator()
{
    DBNavigator1->setMovable(false);
    DBNavigator1->setIconSize(QSize(16, 16));
    DBNavigator1->setFixedWidth(NavigatorWidth);
    DBNavigator1->setContentsMargins(0, 0, 0, 0);
    DBNavigator1->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: none; }"));
    const auto button = [this](QStyle::StandardPixmap icon, const QString& hint, auto handler) {
        QAction* a = DBNavigator1->addAction(style()->standardIcon(icon), hint);
        a->setToolTip(hint);
        // Ten buttons share the navigator's width evenly.
        DBNavigator1->widgetForAction(a)->setFixedSize(NavigatorWidth / 10, 22);
        connect(a, &QAction::triggered, this, [this, handler] { handler(*ClientDataSetShop); });
        return a;
    };
    button(QStyle::SP_MediaSkipBackward, QStringLiteral("第一条"), [](TDataSet& d) { d.First(); });
    button(QStyle::SP_MediaSeekBackward, QStringLiteral("上一条"), [](TDataSet& d) { d.Prior(); });
    button(QStyle::SP_MediaSeekForward, QStringLiteral("下一条"), [](TDataSet& d) { d.Next(); });
    button(QStyle::SP_MediaSkipForward, QStringLiteral("最后一条"), [](TDataSet& d) { d.Last(); });
    button(QStyle::SP_FileDialogNewFolder, QStringLiteral("插入"), [](TDataSet& d) { d.Insert(); });
    button(QStyle::SP_TrashIcon, QStringLiteral("删除"), [this](TDataSet&) { ActionDeleteExecute(); });
    button(QStyle::SP_FileDialogDetailedView, QStringLiteral("编辑"), [](TDataSet& d) { d.Edit(); });
    button(QStyle::SP_DialogApplyButton, QStringLiteral("确认修改"), [](TDataSet& d) { d.Post(); });
    button(QStyle::SP_DialogCancelButton, QStringLiteral("取消修改"), [](TDataSet& d) { d.Cancel(); });
    button(QStyle::SP_BrowserReload, QStringLiteral("刷新"), [this](TDataSet&) { ActionOpen->trigger(); });
}

// The navigator's buttons as the dataset's state allows them.
void TFormShop::UpdateNavigator()
{
    const QList<QAction*> buttons = DBNavigator1->actions();
    if (buttons.size() != 10)
        return;
    const TDataSet& data = *ClientDataSetShop;
    const bool active = data.Active();
    const bool editing = active && Editing(data);
    const bool browsing = active && !editing;
    const bool canModify = active && data.CanModify();
    buttons[0]->setEnabled(active && !data.Bof());
    buttons[1]->setEnabled(active && !data.Bof());
    buttons[2]->setEnabled(active && !data.Eof());
    buttons[3]->setEnabled(active && !data.Eof());
    buttons[4]->setEnabled(canModify);
    buttons[5]->setEnabled(canModify && !data.IsEmpty());
    buttons[6]->setEnabled(canModify && browsing && !data.IsEmpty());
    buttons[7]->setEnabled(canModify && editing);
    buttons[8]->setEnabled(canModify && editing);
    buttons[9]->setEnabled(active);
}

void TFormShop::showEvent(QShowEvent* event)
{
    if (!FShown) {
        FShown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TFormShop::FormShow()
{
    ActionProp->setVisible(IsAdministrator());
    ActionOpen->trigger();
}

void TFormShop::ActionOpenExecute()
{
    // Reading the rows anew drops the pending edits: the user is asked first.
    if (!FormCloseQuery())
        return;
    // Reopening makes new fields with the database's widths: they take the
    // stored layout (captions, footers, buttons) and then the widths and
    // order the columns showed, so a refresh leaves the grid as it was.
    const auto places = FieldPlaces(*ClientDataSetShop);
    if (ClientDataSetShop->Active())
        ClientDataSetShop->Close();
    ClientDataSetShop->Open();
    EnsureFieldLayout(DBGridShop, FTableKey, FShopCode, FUserCode);
    ApplyFieldLayout(DBGridShop, FTableKey, FShopCode, FUserCode);
    RestoreFieldPlaces(*DBGridShop, places);
}

void TFormShop::ActionAppendExecute()
{
    ClientDataSetShop->Append();
    DBGridShop->setFocus();
}

void TFormShop::StartYesNoFieldsOff()
{
    // A check box without a value shows neither yes nor no, and a row saved
    // so stores neither: a new row's boxes start unticked.
    TDBGridColumnsMv& columns = DBGridShop->Columns();
    for (int i = 0; i < columns.Count(); ++i) {
        TColumnMv* column = columns.Items(i);
        TField* field = column->Field();
        const QStringList keys = column->KeyList().Items();
        if (column->Checkboxes() && keys.size() > 1 && field && field->IsNull() && field->CanModify())
            field->SetAsString(keys[1]);
    }
}

void TFormShop::ActionEditExecute()
{
    ClientDataSetShop->Edit();
    if (!EditRecord(DBGridShop, QString()))
        ClientDataSetShop->Cancel();
}

void TFormShop::ActionDeleteExecute()
{
    if (!ClientDataSetShop->Active() || ClientDataSetShop->IsEmpty())
        return;
    if (MessageDlg(QStringLiteral("真的要删除本条数据吗?"), TMsgDlgType::mtWarning, TMsgDlgButtons::mbYesCancel)
        != TModalResult::mrCancel)
        ClientDataSetShop->Delete();
}

void TFormShop::ActionSaveExecute()
{
    // A row still being typed is checked as it is posted (a refused row
    // stops the save); the database may have changed since the others were.
    ClientDataSetShop->CheckBrowseMode();
    if (const QString problem = FCheck->PendingProblem(); !problem.isEmpty()) {
        ShowError(problem);
        return;
    }
    const bool shops = FTableKey == QStringLiteral("SYS_Shop");
    if (shops && RefuseDeletingOpenShops(*ClientDataSetShop))
        return;
    if (ClientDataSetShop->ApplyUpdates(0) == 0) {
        FCheck->Applied();
        // The tree and the shop records follow at once (those that an open
        // window holds once it closes).
        if ((shops || FTableKey == QStringLiteral("SYS_UserShop")) && MainKiv)
            MainKiv->LoadShops(SysRec.UserCode);
        ShowInformation(QStringLiteral("数据保存成功!"));
        return;
    }
    // Nothing was written: the edits stay pending for the user to mend.
    ShowError(ClientDataSetShop->ApplyErrors().join(u'\n'));
}

bool TFormShop::FormCloseQuery()
{
    if (!ClientDataSetShop->Active())
        return true;
    // A row still being typed joins the changes first; an untouched new
    // row goes away rather than stand as an empty one. A row that cannot be
    // posted keeps the window open, with it and every other edit in place,
    // for the user to mend.
    if (Editing(*ClientDataSetShop)) {
        try {
            ClientDataSetShop->CheckBrowseMode();
        } catch (const std::exception& error) {
            ShowException(error);
            return false;
        }
    }
    if (ClientDataSetShop->ChangeCount() == 0)
        return true;
    if (MessageDlg(QStringLiteral("数据有变动,请先保存!\nOK返回,\n忽略退出!"), TMsgDlgType::mtWarning, TMsgDlgButtons::mbOKIgnore)
        != TModalResult::mrIgnore)
        return false;
    ClientDataSetShop->CancelUpdates();
    return true;
}

void TFormShop::reject()
{
    if (!FormCloseQuery())
        return;
    FormClose();
    QDialog::reject();
}

void TFormShop::FormClose()
{
    SaveGridLayout(DBGridShop);
}

void ShowTableEditor(const QString& sql, const QString& tableKey, const QString& shopCode, const QString& userCode,
                     const QString& caption)
{
    TFormShop form(QApplication::activeWindow());
    form.setWindowTitle(caption);
    form.SetKeys(tableKey, shopCode, userCode);
    form.SQLQueryShop->SQL = sql;
    ExecModal(form);
}

void InstallTableEditorHooks()
{
    MainKivHooks.ShowTableEditor = ShowTableEditor;
}
