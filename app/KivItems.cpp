#include "app/KivItems.h"

#include "app/KivItemsSync.h"
#include "app/KivLayouts.h"
#include "app/KivMain.h"
#include "app/KivMsgQueue.h"
#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "client/KivStream.h"
#include "client/KivValueCheck.h"
#include "grid/DBGridMv.h"
#include "platform/Dialogs.h"
#include "platform/SqlText.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSetProvider.h"
#include "platform/db/DataSource.h"
#include "platform/db/SqlQuery.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPersistentModelIndex>
#include <QShowEvent>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QScopeGuard>
#include <QScreen>
#include <algorithm>

int TFormItems::CatchUpRetryMs = 60000;
int TFormItems::LiveAdvanceMs = 30000;
int TFormItems::ListingLagSecs = DefaultListingLagSecs;
const QString TFormItems::SyncLayoutKey = QStringLiteral("SYS_KivItem");
const QString TFormItems::MonitorLayoutKey = QStringLiteral("SYS_KivMonitor");

namespace {

QIcon MenuGlyph(int index)
{
    return KivDM ? KivDM->ImageListMenu.Icon(index) : QIcon();
}

// Sizes the rows of a log list box laid out in uniform rows. Such a box
// takes its one row size from its last line; given that line's own size, a
// longer line before it would be cut off with an ellipsis and the horizontal
// scroll bar would not reach it. So the size given is the widest line's,
// which is found as lines come (one measure per line) and found again when
// lines go or change. It reads the lines from the box's model only: the
// model tells that it empties while the box itself is being destroyed.
class TLogLineDelegate final : public QStyledItemDelegate {
public:
    explicit TLogLineDelegate(QListWidget& box)
        : QStyledItemDelegate(&box)
        , FModel(*box.model())
        , FFont(box.font())
    {
        connect(&FModel, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) { Measure(first, last); });
        connect(&FModel, &QAbstractItemModel::rowsRemoved, this, &TLogLineDelegate::MeasureAll);
        connect(&FModel, &QAbstractItemModel::modelReset, this, &TLogLineDelegate::MeasureAll);
        connect(&FModel, &QAbstractItemModel::dataChanged, this, &TLogLineDelegate::MeasureAll);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (FWidest.isValid() && FWidest != index)
            size.setWidth(std::max(size.width(), QStyledItemDelegate::sizeHint(option, FWidest).width()));
        return size;
    }

private:
    void Measure(int first, int last)
    {
        const QFontMetrics metrics(FFont);
        for (int row = first; row <= last; ++row) {
            const QModelIndex line = FModel.index(row, 0);
            const int width = metrics.horizontalAdvance(line.data().toString());
            if (width > FWidestWidth) {
                FWidestWidth = width;
                FWidest = line;
            }
        }
    }

    void MeasureAll()
    {
        FWidest = QPersistentModelIndex();
        FWidestWidth = -1;
        Measure(0, FModel.rowCount() - 1);
    }

    const QAbstractItemModel& FModel;
    // The box's font of one width, set before the delegate.
    const QFont FFont;
    QPersistentModelIndex FWidest;
    int FWidestWidth = -1;
};

// Every items window shares one stored layout per mode.
const QString SysCode = QStringLiteral("SYS_CODE");

// One column of the figures: the sum of the SKU's trade lines since the
// sync with the status and event. Lines that the catch-up of missed trades
// recorded ('OfflineReload') count under their status as well, as they
// changed the figures in place when they were recorded.
QString TradeSum(const QString& since, const QString& status, const QString& event, bool withCatchUp, const QString& name)
{
    const QString events = withCatchUp ? QStringLiteral("\"TradeEvent\" in (") + QuotedStr(event) + QStringLiteral(",'OfflineReload')")
                                       : QStringLiteral("\"TradeEvent\"=") + QuotedStr(event);
    return QStringLiteral("cast(coalesce((select sum(\"Qty\") from \"KivItemOut\" where \"SkuID\"=a.\"SkuID\" and \"NumIID\"=a.\"NumIID\" "
                          "and \"Date\" >= ")
           + since + QStringLiteral(" and \"Status\" = ") + QuotedStr(status) + QStringLiteral(" and ") + events
           + QStringLiteral("),0) as Integer) ") + QuotedName(name) + u',';
}

// The statement of the figures of a shop; w is the low-stock threshold.
// The numbers stand in parentheses: a negative one after a minus sign
// would otherwise begin a comment ("--5") and cut the statement short.
QString ItemsFiguresSql(const TTreeNodeShop& shop, const QString& stockTime, const QString& w)
{
    const QString since = QuotedStr(shop.SyncDate);
    const QString bareW = u'(' + SqlInteger(w) + u')';
    QString sql = QStringLiteral("select zz.*,cast(zz.\"QtyStock\"-zz.\"QtyPay\" as Integer) \"QtyBalance\",cast(abs(\"QtyStock\"-\"QtyPay\"-")
                  + bareW
                  + QStringLiteral(") as Integer) \"QtyOrder\" from ( select (select \"Name\" from \"SYS_Shop\" where \"Code\"=a.\"ShopCode\") "
                                   "\"ShopName\",a.\"Barcode\",b.\"Title\",a.\"PropNameFormat\",a.\"Qty\",");
    sql += TradeSum(since, QStringLiteral("WAIT_BUYER_PAY"), QStringLiteral("TradeAlipayCreate"), true, QStringLiteral("QtyOut"));
    sql += TradeSum(since, QStringLiteral("WAIT_SELLER_SEND_GOODS"), QStringLiteral("TradeBuyerPay"), true, QStringLiteral("QtyPay"));
    sql += TradeSum(since, QStringLiteral("WAIT_BUYER_CONFIRM_GOODS"), QStringLiteral("TradeSellerShip"), true, QStringLiteral("QtySend"));
    sql += TradeSum(since, QStringLiteral("TRADE_FINISHED"), QStringLiteral("TradeSuccess"), true, QStringLiteral("QtyOver"));
    // A refund is caught up under its own event, as its order line's refund
    // status tells it: only the event's own lines count.
    sql += TradeSum(since, QStringLiteral("WAIT_BUYER_CONFIRM_GOODS"), QStringLiteral("RefundSuccess"), false, QStringLiteral("QtyBack"));
    sql += QStringLiteral("cast(coalesce((select sum(x.\"Qty\") from \"KivItemIn\" x inner join \"KivItemInList\" y on x.\"AutoCode\"=y.\"PCode\" "
                          "where y.\"SkuID\"=a.\"SkuID\" and y.\"NumIID\"=a.\"NumIID\" and x.\"StockTime\" = (")
           + SqlInteger(stockTime)
           + QStringLiteral(")),0) as Integer) \"QtyStock\",a.\"SkuID\",a.\"NumIID\" from \"KivItem\" a inner join \"KivItemOnsale\" b on "
                            "a.\"NumIID\" = b.\"NumIID\" and a.\"ShopCode\" = b.\"ShopCode\" and a.\"SyncDate\" = b.\"SyncDate\" where a.\"ShopCode\" = ")
           + QuotedStr(shop.Code)
           + QStringLiteral(" and b.\"SyncDate\" = (select max(\"SyncDate\") from \"KivItemOnsale\" where \"NumIID\" = a.\"NumIID\" and "
                            "\"ShopCode\"= a.\"ShopCode\")) zz order by abs(\"QtyStock\"-\"QtyPay\"-")
           + bareW + u')';
    return sql;
}

} // namespace

TFormItems::TFormItems(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint)
{
    resize(1024, 768);
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
    SQLQueryItems = std::make_unique<TSQLQuery>(KivDM ? KivDM->KivConn : nullptr);
    DataSetProviderItems = new TDataSetProvider(this);
    DataSetProviderItems->SetDataSet(SQLQueryItems.get());
    ClientDataSetItems = new TClientDataSet(this);
    ClientDataSetItems->SetProvider(DataSetProviderItems);
    DataSourceItems = new TDataSource(this);
    DataSourceItems->SetDataSet(ClientDataSetItems);
    CreateActions();
    CreateControls();
    SetMonitorMode(false);
    FCatchUpTimer = new QTimer(this);
    FCatchUpTimer->setSingleShot(true);
    connect(FCatchUpTimer, &QTimer::timeout, this, &TFormItems::CatchUpTimerTimeout);
    // Every change to a row (the update records' among them) keeps the
    // balance and the quantity to order true to their definitions.
    ClientDataSetItems->BeforePost.Connect(this, [this](TDataSet&) { RecomputeBalance(); });
    ClientDataSetItems->AfterPost.Connect(this, [this](TDataSet&) { FSounded.clear(); });
    ClientDataSetItems->AfterCancel.Connect(this, [this](TDataSet&) { FSounded.clear(); });
    // The grid takes Escape for itself; with nothing of its own to revert it
    // passes it to the window, as the log does.
    DBGridItems->installEventFilter(this);
    DBGridItems->ClientWidget()->installEventFilter(this);
}

bool TFormItems::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == DBGridItems || watched == DBGridItems->ClientWidget())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const TInplaceEdit* editor = DBGridItems->InplaceEditor();
        const bool gridReverts = (editor && editor->Visible()) || ClientDataSetItems->State() == dsEdit
                                 || ClientDataSetItems->State() == dsInsert;
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && !gridReverts) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

TFormItems::~TFormItems()
{
    // The stream goes with the window (a child): nothing reaches the log or
    // the dataset afterwards.
    delete FStream.data();
    Unregister();
}

void TFormItems::CreateActions()
{
    const auto action = [this](const QString& caption, int image) {
        auto* a = new QAction(caption, this);
        if (image >= 0)
            a->setIcon(MenuGlyph(image));
        return a;
    };
    ActionSync = action(QStringLiteral("同步销售商品"), 17);
    ActionPorp = action(QStringLiteral("属性"), 4);
    ActionClose = action(QStringLiteral("退出"), 14);
    ActionOpen = action(QStringLiteral("打开数据"), -1);
    ActionSaveColumn = action(QStringLiteral("存栏宽"), -1);
    ActionMonitor = action(QStringLiteral("监控中"), -1);
    ActionMonitor->setCheckable(true);
    ActionShowMain = action(QStringLiteral("主界面"), 16);
    ActionClearMsg = action(QStringLiteral("清除消息"), -1);

    connect(ActionSync, &QAction::triggered, this, &TFormItems::ActionSyncExecute);
    connect(ActionPorp, &QAction::triggered, this, [this] { EditFieldLayout(FLayoutKey, SysCode, SysCode); });
    connect(ActionClose, &QAction::triggered, this, &QWidget::close);
    connect(ActionOpen, &QAction::triggered, this, &TFormItems::ActionOpenExecute);
    connect(ActionSaveColumn, &QAction::triggered, this, [this] { SaveFieldLayout(DBGridItems, FLayoutKey, SysCode, SysCode); });
    connect(ActionMonitor, &QAction::triggered, this, &TFormItems::ActionMonitorExecute);
    connect(ActionShowMain, &QAction::triggered, this, &TFormItems::ActionShowMainExecute);
    connect(ActionClearMsg, &QAction::triggered, this, &TFormItems::ActionClearMsgExecute);
}

void TFormItems::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBarItems = new QToolBar(this);
    ToolBarItems->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBarItems->setIconSize(QSize(16, 16));
    ToolBarItems->setMovable(false);
    ToolBarItems->addAction(ActionMonitor);
    tbMonitor = qobject_cast<QToolButton*>(ToolBarItems->widgetForAction(ActionMonitor));
    ToolBarItems->addAction(ActionSync);
    ToolBarItems->addAction(ActionShowMain);
    ToolBarItems->addAction(ActionPorp);
    ToolBarItems->addAction(ActionClose);
    layout->addWidget(ToolBarItems);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setChildrenCollapsible(false);
    DBGridItems = new TDBGridMv(Splitter1);
    DBGridItems->SetDataSource(DataSourceItems);
    DBGridItems->SetUseMultiTitle(true);
    DBGridItems->SetFlat(true);
    // The figures come from the database and change only by the update
    // records: a typed value or a new row would be shown but never stored.
    DBGridItems->SetReadOnly(true);
    // "打开数据" and "存栏宽" have no button: they are on the grid's context menu.
    DBGridItems->setContextMenuPolicy(Qt::ActionsContextMenu);
    DBGridItems->addAction(ActionOpen);
    DBGridItems->addAction(ActionSaveColumn);
    DBGridItems->OnDrawColumnCell = [this](QObject*, const TRect& rect, int dataCol, TColumnMv* column, TGridDrawState) {
        DBGridItemsDrawDataCell(rect, dataCol, column);
    };
    lbMonitor = new QListWidget(Splitter1);
    // The log's columns line up only in a font of one width.
    QFont fixed(QStringLiteral("WenQuanYi Micro Hei Mono"));
    fixed.setPixelSize(12);
    fixed.setStyleHint(QFont::Monospace);
    lbMonitor->setFont(fixed);
    // Every line is one row of one size: a new line does not measure all
    // the others. That size is the widest line's, so each line shows whole.
    lbMonitor->setUniformItemSizes(true);
    lbMonitor->setItemDelegate(new TLogLineDelegate(*lbMonitor));
    PopupMenuMsg = new QMenu(this);
    PopupMenuMsg->addAction(ActionClearMsg);
    lbMonitor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lbMonitor, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenuMsg->popup(lbMonitor->viewport()->mapToGlobal(at)); });
    Splitter1->setStretchFactor(0, 3);
    Splitter1->setStretchFactor(1, 1);
    layout->addWidget(Splitter1, 1);

    TimerMonitor = new QTimer(this);
    TimerMonitor->setInterval(1000);
    connect(TimerMonitor, &QTimer::timeout, this, &TFormItems::TimerMonitorTimer);
    SetMonitorImage(0);
}

void TFormItems::SetMonitorMode(bool monitor)
{
    FMonitorMode = monitor;
    ActionSync->setVisible(!monitor);
    ActionMonitor->setVisible(monitor);
    ActionShowMain->setVisible(monitor);
    lbMonitor->setVisible(monitor);
}

int TFormItems::LowStock()
{
    return LowStockOf(SysRec.LowStock).value_or(DefaultLowStock);
}

void TFormItems::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored by the window system is shown again, not opened.
    if (!event->spontaneous())
        FormShow();
}

void TFormItems::FormShow()
{
    ActionPorp->setVisible(IsAdministrator());
    if (FShop)
        setWindowTitle(FShop->Name);
    ActionOpen->trigger();
    if (!FMonitorMode)
        return;
    AttachSounds();
    if (FShop && FShop->AutoMonitor && !FMonitoring)
        StartMonitoring(true);
}

void TFormItems::ActionOpenExecute()
{
    if (!FShop || FSyncing)
        return;
    if (FShop->SyncDate.isEmpty() && !SyncShop())
        return;
    LoadItems();
}

void TFormItems::ActionSyncExecute()
{
    if (FSyncing)
        return;
    ActionSync->setEnabled(false);
    const QPointer<TFormItems> self(this);
    const auto enable = qScopeGuard([self] {
        if (self)
            self->ActionSync->setEnabled(true);
    });
    if (!FShop || !CheckShop(*FShop))
        return;
    // The sync reads what changed since the sync time: one that is no time
    // is mended by the administrator first.
    if (const QString problem = ShopSyncTimeProblem(*FShop); !problem.isEmpty()) {
        ShowError(problem);
        return;
    }
    if (SyncShop())
        LoadItems();
}

bool TFormItems::SyncShop()
{
    const QPointer<TFormItems> self(this);
    FSyncing = true;
    const auto idle = qScopeGuard([self] {
        if (self)
            self->FSyncing = false;
    });
    SyncItems(*FShop, this);
    return self;
}

void TFormItems::LoadItems()
{
    if (!FShop)
        return;
    // Another seat's sync may have moved the shop's sync time and the stock
    // period on since they were last read: the figures count from both as
    // they are stored now (a shop whose row has gone keeps the time it had).
    if (const std::optional<QString> stored = StoredShopSyncDate(FShop->Code))
        FShop->SyncDate = *stored;
    // Counted from a sync time that is no time, every figure would be 0:
    // the window says so and shows none.
    if (const QString problem = ShopSyncTimeProblem(*FShop); !problem.isEmpty()) {
        if (ClientDataSetItems->Active())
            ClientDataSetItems->Close();
        if (FMonitorMode)
            LogLine(lbMonitor, problem);
        ShowError(problem);
        return;
    }
    SQLQueryItems->SQL = ItemsFiguresSql(*FShop, ReadStockTime(), QString::number(LowStock()));
    // The rows on screen stay until the new ones are read: a database out of
    // reach leaves them as they were.
    SQLQueryItems->Open();
    if (ClientDataSetItems->Active())
        ClientDataSetItems->Close();
    ClientDataSetItems->Open();
    // Rows stay ordered by the quantity to order, also after changes in place.
    ClientDataSetItems->AddIndex(QStringLiteral("SortIndexMv"), QStringLiteral("QtyOrder"));
    ClientDataSetItems->IndexDefs().Update();
    ClientDataSetItems->SetIndexName(QStringLiteral("SortIndexMv"));
    ApplyFieldLayout(DBGridItems, FLayoutKey, SysCode, SysCode);
    // Reopening made new fields: a shown monitor window hangs its sounds on
    // them again ("打开数据" reloads while the window is open).
    if (FMonitorMode && isVisible())
        AttachSounds();
}

void TFormItems::ActionShowMainExecute()
{
    if (!MainKiv)
        return;
    if (MainKiv->isMinimized())
        MainKiv->showNormal();
    MainKiv->show();
    MainKiv->raise();
    MainKiv->activateWindow();
}

void TFormItems::ActionClearMsgExecute()
{
    lbMonitor->clear();
}

void TFormItems::closeEvent(QCloseEvent* event)
{
    // A sync runs: the window goes with it.
    if (FSyncing) {
        event->ignore();
        return;
    }
    if (FMonitoring) {
        ShowWarning(QStringLiteral("正在监控,请先停止!"));
        event->ignore();
        return;
    }
    SaveGridLayout(DBGridItems);
    if (FMonitorMode) {
        Unregister();
        FRuleQuery.reset();
        DetachSounds();
    }
    event->accept();
}

void TFormItems::reject()
{
    close();
}

void TFormItems::OpenRuleQuery()
{
    auto rules = std::make_unique<TSQLQuery>(KivDM->KivConn);
    rules->SQL = QStringLiteral("select * from \"SYS_Monitor\" where \"Active\"=1");
    rules->Open();
    FRuleQuery = std::move(rules);
}

void TFormItems::Register()
{
    if (FRegistered)
        return;
    MonitorDataSets << ClientDataSetItems;
    MonitorLogBoxes << lbMonitor;
    FRegistered = true;
    // A monitor says once when the database goes away, and catches up what
    // it could not store once it is back.
    connect(
        KivDM, &TKivDM::DatabaseConnectionLost, this,
        [this] { LogLine(lbMonitor, QStringLiteral("数据库连接已断开：恢复后将自动重新连接，其间未能保存的交易届时补录")); },
        Qt::QueuedConnection);
    connect(
        KivDM, &TKivDM::DatabaseConnectionRestored, this,
        [this] {
            LogLine(lbMonitor, QStringLiteral("数据库已重新连接"));
            RequestCatchUp(0);
        },
        Qt::QueuedConnection);
    // A trade the stream could not fetch, a line the database refused: the
    // gap is caught up while the stream carries on (a stream back after an
    // outage has its own catch-up).
    connect(
        KivDM, &TKivDM::RecordIncomplete, this,
        [this](const QString& shopCode, const QString& since) {
            if (!FShop || shopCode != FShop->Code)
                return;
            FGapSaid = EarlierDateTime(FGapSaid, since);
            if (StreamRunning() && FStream->Live())
                RequestCatchUp(CatchUpRetryMs);
        },
        Qt::QueuedConnection);
}

void TFormItems::Unregister()
{
    // A closed monitor window lets go of its shop record at once: the main
    // window may free the records before the window itself is gone.
    if (FShop && FShop->MonitorForm == this) {
        FShop->MonitorForm = nullptr;
        FShop = nullptr;
    }
    if (!FRegistered)
        return;
    FRegistered = false;
    const qsizetype index = MonitorDataSets.indexOf(ClientDataSetItems);
    if (index >= 0) {
        MonitorDataSets.removeAt(index);
        if (index < MonitorLogBoxes.size())
            MonitorLogBoxes.removeAt(index);
    }
}

void OpenSyncForm(TTreeNodeShop& shop)
{
    if (!CheckShop(shop))
        return;
    TFormItems form;
    form.SetShop(&shop);
    form.SetMonitorMode(false);
    form.SetLayoutKey(TFormItems::SyncLayoutKey);
    ExecModal(form);
}

void OpenMonitorForm(TTreeNodeShop& shop)
{
    if (!CheckShop(shop))
        return;
    auto* form = qobject_cast<TFormItems*>(shop.MonitorForm.data());
    if (!form) {
        form = new TFormItems(MainKiv);
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->SetShop(&shop);
        shop.MonitorForm = form;
        form->OpenRuleQuery();
        form->Register();
    }
    form->SetLayoutKey(TFormItems::MonitorLayoutKey);
    form->SetMonitorMode(true);
    form->show();
    if (form->isMinimized())
        form->showNormal();
    form->raise();
    form->activateWindow();
}

void InstallItemsHooks()
{
    MainKivHooks.OpenSyncForm = OpenSyncForm;
    MainKivHooks.OpenMonitorForm = OpenMonitorForm;
}
