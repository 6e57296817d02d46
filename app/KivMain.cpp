#include "app/KivMain.h"

#include "app/KivProgress.h"

#include "app/KivAbout.h"
#include "app/KivBarcode.h"
#include "app/KivChangePass.h"
#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivMsgQueue.h"
#include "app/KivShop.h"
#include "app/KivShopGone.h"
#include "client/KivConf.h"
#include "client/KivDataM.h"
#include "client/KivLogin.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Jpeg.h"
#include "platform/SessionEnd.h"
#include "platform/SqlText.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <optional>

TMainKivHooks MainKivHooks;
TMainKiv* MainKiv = nullptr;

namespace {

constexpr int ClientWidth = 227;
constexpr int ClientHeight = 329;
constexpr int BannerHeight = 69;
constexpr int PanelMenuHeight = 41;
constexpr int StatusBarHeight = 19;
constexpr int PageBarWidth = 41;

// Menu metrics: the popup is placed from the item count, so the menu is
// drawn with exactly these heights.
constexpr int MenuFrame = 4;
constexpr int MenuItemHeight = 19;
constexpr int MenuSeparatorHeight = 8;

constexpr int StateRole = Qt::UserRole + 1;
constexpr int ShopRole = Qt::UserRole + 2;

const QString SyncNodeText = QStringLiteral("同步数据");
const QString MonitorNodeText = QStringLiteral("监控数据");
const QString SysCode = QStringLiteral("SYS_CODE");

const TImageList* ImageList(TImageList TKivDM::*list)
{
    return KivDM ? &(KivDM->*list) : nullptr;
}

QIcon Glyph(TImageList TKivDM::*list, int index)
{
    const TImageList* images = ImageList(list);
    return images ? images->Icon(index) : QIcon();
}

QString FieldText(const TSQLQuery& query, const QString& name)
{
    return query.FieldByName(name)->AsString();
}

// A record that an open monitor window, a sync or a catch-up works with.
bool ShopHeld(const TTreeNodeShop& shop)
{
    return shop.MonitorForm || shop.InUse > 0;
}

// How long the end of the program waits for the stream threads to end.
constexpr int StreamEndWaitMs = 5000;

// The user's session ends: the program ends as when the system ends a
// session, and nobody is there to answer. Terminate makes every running
// event loop return, which cuts the platform call under way and stops its
// work (a sync, a catch-up); the monitors stop now, so that their
// connections close at once. The rest follows once the message loop has
// returned (EndSession).
void SessionEnding()
{
    Terminate();
    if (MainKiv)
        MainKiv->StopMonitors();
}

} // namespace

TMainKiv::TMainKiv(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Morvane"));
    setFixedSize(ClientWidth, ClientHeight);
    CreateActions();
    CreateMenu();
    CreateTopAndBottom();
    CreatePages();
    MainKiv = this;
    FormCreate();
}

TMainKiv::~TMainKiv()
{
    SetIdleHandler({});
    // Monitor windows hold their shop records: they go first.
    for (const auto& shop : FShops)
        delete shop->MonitorForm.data();
    FreeShopNodes();
    if (MainKiv == this)
        MainKiv = nullptr;
}

void TMainKiv::CreateActions()
{
    const auto action = [this](const QString& caption, int image) {
        auto* a = new QAction(caption, this);
        if (image >= 0)
            a->setIcon(Glyph(&TKivDM::ImageListMenu, image));
        return a;
    };
    ActionChangePassword = action(QStringLiteral("修改密码"), 1);
    ActionConfigShops = action(QStringLiteral("设置店铺"), 2);
    ActionConfigUsers = action(QStringLiteral("设置用户"), 0);
    ActionLinkUserShop = action(QStringLiteral("关联用户店铺"), 4);
    ActionParams = action(QStringLiteral("数据字典"), 12);
    ActionMonitorSet = action(QStringLiteral("监控消息设置"), 6);
    ActionProxySet = action(QStringLiteral("网络代理设置"), 3);
    ActionInStock = action(QStringLiteral("入库"), 5);
    ActionAbout = action(QStringLiteral("关于..."), -1);

    connect(ActionChangePassword, &QAction::triggered, this, [] { ShowChangePassword(SysRec.UserCode); });
    connect(ActionConfigShops, &QAction::triggered, this, [this] {
        OpenTableEditor(QStringLiteral("select * from \"SYS_Shop\""), QStringLiteral("SYS_Shop"), QStringLiteral("店铺设置"), true);
    });
    connect(ActionConfigUsers, &QAction::triggered, this, [this] {
        OpenTableEditor(QStringLiteral("select * from \"SYS_User\" where \"Code\" <> 'admin'"), QStringLiteral("SYS_User"),
                        QStringLiteral("用户设置"), false);
    });
    connect(ActionLinkUserShop, &QAction::triggered, this, [this] {
        OpenTableEditor(QStringLiteral("select * from \"SYS_UserShop\" where \"UserCode\" <> 'admin'"), QStringLiteral("SYS_UserShop"),
                        QStringLiteral("店铺关联用户"), true);
    });
    connect(ActionParams, &QAction::triggered, this, [this] {
        OpenTableEditor(QStringLiteral("select * from \"SYS_Params\" order by \"Code\""), QStringLiteral("SYS_Params"),
                        QStringLiteral("数据字典"), false);
    });
    connect(ActionMonitorSet, &QAction::triggered, this, [this] {
        OpenTableEditor(QStringLiteral("select * from \"SYS_Monitor\" order by \"MsgType\",\"TradeEvent\""), QStringLiteral("SYS_Monitor"),
                        QStringLiteral("监控设置"), false);
    });
    connect(ActionProxySet, &QAction::triggered, this, [] { ShowProxyDialog(); });
    connect(ActionInStock, &QAction::triggered, this, &TMainKiv::ActionInStockExecute);
    connect(ActionAbout, &QAction::triggered, this, [] { ShowAbout(); });
}

void TMainKiv::CreateMenu()
{
    KivMenu = new QMenu(this);
    KivMenu->setSeparatorsCollapsible(false);
    KivMenu->setStyleSheet(QStringLiteral("QMenu { border: 1px solid palette(mid); padding: 1px 0px; }"
                                          "QMenu::item { height: %1px; padding: 0px 18px 0px 26px; }"
                                          "QMenu::item:selected { background: palette(highlight); color: palette(highlighted-text); }"
                                          "QMenu::icon { padding-left: 4px; }"
                                          "QMenu::separator { height: 1px; margin: %2px 4px %3px 4px; background: palette(mid); }")
                               .arg(MenuItemHeight)
                               .arg((MenuSeparatorHeight - 1) / 2)
                               .arg(MenuSeparatorHeight - 1 - (MenuSeparatorHeight - 1) / 2));
    KivMenu->addAction(ActionChangePassword);
    KivMenu->addSeparator();
    KivMenu->addAction(ActionConfigShops);
    KivMenu->addAction(ActionConfigUsers);
    KivMenu->addAction(ActionLinkUserShop);
    KivMenu->addSeparator();
    KivMenu->addAction(ActionParams);
    KivMenu->addAction(ActionMonitorSet);
    KivMenu->addSeparator();
    KivMenu->addAction(ActionProxySet);
    KivMenu->addSeparator();
    KivMenu->addAction(ActionAbout);
}

void TMainKiv::CreateTopAndBottom()
{
    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, ClientWidth, BannerHeight);
    Image1->setPixmap(QPixmap::fromImage(LoadJpeg(QStringLiteral(":/morvane/banner.jpg"))));
    Image3 = new QLabel(this);
    Image3->setGeometry(186, 3, 32, 32);
    Image3->setPixmap(QPixmap::fromImage(LoadJpeg(QStringLiteral(":/morvane/logo.jpg"))));

    StatusBarKiv = new QStatusBar(this);
    StatusBarKiv->setGeometry(0, ClientHeight - StatusBarHeight, ClientWidth, StatusBarHeight);
    StatusBarKiv->setSizeGripEnabled(false);
    StatusBarKiv->setContentsMargins(0, 0, 0, 0);
    StatusBarKiv->setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"
                                               "QLabel { border: 1px solid palette(mid); padding: 0px; }"));
    for (const auto& [text, width] : {std::pair{QStringLiteral("用户"), 26}, std::pair{QString(), 80},
                                      std::pair{QStringLiteral("版本号"), 40}, std::pair{QString(), 50}}) {
        auto* panel = new QLabel(text, StatusBarKiv);
        panel->setFixedWidth(width);
        // The fixed captions fill their narrow panels; the values start at a small indent.
        panel->setAlignment(text.isEmpty() ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        panel->setIndent(text.isEmpty() ? 3 : 0);
        panel->setFixedHeight(StatusBarHeight - 2);
        StatusBarKiv->addWidget(panel);
        StatusPanels.push_back(panel);
    }

    PanelMenu = new QWidget(this);
    PanelMenu->setGeometry(0, ClientHeight - StatusBarHeight - PanelMenuHeight, ClientWidth, PanelMenuHeight);
    ToolBarMain = new QToolBar(PanelMenu);
    ToolBarMain->setGeometry(2, 1, 46, PanelMenuHeight - 2);
    ToolBarMain->setIconSize(QSize(32, 32));
    ToolBarMain->setMovable(false);
    ToolButton1 = new QToolButton(ToolBarMain);
    ToolButton1->setIcon(Glyph(&TKivDM::ImageListLarge, 0));
    ToolButton1->setIconSize(QSize(32, 32));
    ToolButton1->setAutoRaise(true);
    ToolBarMain->addWidget(ToolButton1);
    connect(ToolButton1, &QToolButton::clicked, this, &TMainKiv::PopupAbove);

    cbStayOnTop = new QCheckBox(QStringLiteral("始终在最上层"), PanelMenu);
    cbStayOnTop->setGeometry(120, 18, ClientWidth - 120 - 2, 17);
    connect(cbStayOnTop, &QCheckBox::clicked, this, &TMainKiv::cbStayOnTopClick);
}

void TMainKiv::CreatePages()
{
    Panel2 = new QWidget(this);
    Panel2->setGeometry(0, BannerHeight, ClientWidth, ClientHeight - BannerHeight - PanelMenuHeight - StatusBarHeight);

    ToolBar2 = new QToolBar(Panel2);
    ToolBar2->setOrientation(Qt::Vertical);
    ToolBar2->setGeometry(0, 0, PageBarWidth, Panel2->height());
    ToolBar2->setIconSize(QSize(32, 32));
    ToolBar2->setMovable(false);
    const auto pageButton = [this](const QString& hint, int image) {
        auto* button = new QToolButton(ToolBar2);
        button->setToolTip(hint);
        button->setIcon(Glyph(&TKivDM::ImageListLarge, image));
        button->setIconSize(QSize(32, 32));
        button->setAutoRaise(true);
        ToolBar2->addWidget(button);
        return button;
    };
    tbShop = pageButton(QStringLiteral("店铺管理"), 2);
    tbStock = pageButton(QStringLiteral("商品入库"), 1);
    connect(tbShop, &QToolButton::clicked, this, [this] { SelectPage(tbShop, 0); });
    connect(tbStock, &QToolButton::clicked, this, [this] { SelectPage(tbStock, 1); });

    const QRect page(PageBarWidth, 0, ClientWidth - PageBarWidth, Panel2->height());
    tvShops = new QTreeWidget(Panel2);
    tvShops->setGeometry(page);
    tvShops->setHeaderHidden(true);
    tvShops->setRootIsDecorated(false);
    tvShops->setIndentation(19);
    tvShops->setExpandsOnDoubleClick(false);
    tvShops->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvShops->setIconSize(QSize(16, 16));
    // A long shop text scrolls sideways instead of being cut short.
    tvShops->header()->setStretchLastSection(false);
    tvShops->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tvShops->setTextElideMode(Qt::ElideNone);
    connect(tvShops, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { tvShopsClick(node); });
    connect(tvShops, &QTreeWidget::itemDoubleClicked, this, [this] { tvShopsDblClick(); });
    connect(tvShops, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* node) { SetStateIndex(node, 3); });
    connect(tvShops, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* node) { SetStateIndex(node, 2); });

    pInStock = new QWidget(Panel2);
    pInStock->setGeometry(page);
    QFont bold = font();
    bold.setPixelSize(20);
    bold.setBold(true);
    leBarcodeLabel = new QLabel(QStringLiteral("请输入条形码入库："), pInStock);
    leBarcodeLabel->setFont(bold);
    leBarcodeLabel->setGeometry(2, 24, page.width() - 4, 28);
    leBarcode = new QLineEdit(pInStock);
    leBarcode->setFont(bold);
    leBarcode->setGeometry(4, 56, page.width() - 8, 34);
    leBarcodeLabel->setBuddy(leBarcode);
    leBarcode->installEventFilter(this);
    LimitBarcodeEdit(*leBarcode);
    ToolBarInStock = new QToolBar(pInStock);
    ToolBarInStock->setGeometry(4, 100, page.width() - 8, 28);
    ToolBarInStock->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBarInStock->setMovable(false);
    ToolBarInStock->addAction(ActionInStock);
}

void TMainKiv::FormCreate()
{
    SetIdleHandler(ProcessMsgQueueWhenIdle);
    StatusPanels[1]->setText(SysRec.UserCode);
    StatusPanels[3]->setText(SysRec.Version);
    LoadShops(SysRec.UserCode);
    SelectPage(tbShop, 0);
    HideAdminActions();
    StartAutoMonitors();
}

void TMainKiv::SetStateIndex(QTreeWidgetItem* node, int index)
{
    node->setData(0, StateRole, index);
    node->setIcon(0, Glyph(&TKivDM::ImageListTree, index));
}

int TMainKiv::StateIndex(const QTreeWidgetItem* node)
{
    return node->data(0, StateRole).toInt();
}

TTreeNodeShop* TMainKiv::ShopOf(const QTreeWidgetItem* node) const
{
    return node ? reinterpret_cast<TTreeNodeShop*>(node->data(0, ShopRole).value<quintptr>()) : nullptr;
}

std::vector<TMainKiv::TShopValues> TMainKiv::ReadShops(const QString& userCode)
{
    std::vector<TShopValues> rows;
    const auto query = OpenQuery(
        QStringLiteral("select a.\"ShopUserCode\",b.\"AutoMonitor\",b.\"SyncDate\",b.\"Code\",b.\"Name\",b.\"AppKey\",b.\"AppSecret\","
                       "b.\"Session\" from \"SYS_UserShop\" a inner join \"SYS_Shop\" b on a.\"ShopCode\" = b.\"Code\" "
                       "where a.\"UserCode\" = ")
        + QuotedStr(userCode));
    for (; !query->Eof(); query->Next()) {
        const TField* autoMonitor = query->FieldByName(QStringLiteral("AutoMonitor"));
        rows.push_back({FieldText(*query, QStringLiteral("Code")), !autoMonitor->IsNull() && autoMonitor->AsLargeInt() == 1,
                        FieldText(*query, QStringLiteral("SyncDate")), FieldText(*query, QStringLiteral("Name")),
                        FieldText(*query, QStringLiteral("ShopUserCode")), FieldText(*query, QStringLiteral("AppSecret")),
                        FieldText(*query, QStringLiteral("AppKey")), FieldText(*query, QStringLiteral("Session"))});
    }
    return rows;
}

void TMainKiv::LoadShops(const QString& userCode)
{
    // Read whole first: a database that fails leaves the tree as it was.
    const std::vector<TShopValues> rows = ReadShops(userCode);
    // The windows, syncs and catch-ups that hold a record keep it, with the
    // values it has, until they let it go.
    std::map<TTreeNodeShop*, std::optional<TShopValues>> mended;
    std::vector<std::unique_ptr<TTreeNodeShop>> shops;
    for (const TShopValues& row : rows) {
        std::unique_ptr<TTreeNodeShop> shop = TakeShop(row.Code);
        if (!shop)
            shop = std::make_unique<TTreeNodeShop>();
        if (ShopHeld(*shop))
            mended[shop.get()] = row;
        else
            AssignShop(*shop, row);
        shops.push_back(std::move(shop));
    }
    for (std::unique_ptr<TTreeNodeShop>& shop : FShops) {
        if (!shop || !ShopHeld(*shop))
            continue;
        mended[shop.get()] = std::nullopt;
        shops.push_back(std::move(shop));
    }
    // The records neither read again nor held go with the old nodes.
    ClearShopTree();
    FShops = std::move(shops);
    FMended = std::move(mended);
    for (const auto& [shop, values] : FMended)
        if (shop->MonitorForm)
            connect(shop->MonitorForm.data(), &QObject::destroyed, this, &TMainKiv::TakeMendedShops, Qt::QueuedConnection);
    for (const auto& shop : FShops)
        AddShopNode(*shop);
    for (int i = 0; i < tvShops->topLevelItemCount(); ++i)
        tvShops->topLevelItem(i)->setExpanded(true);
}

void TMainKiv::AssignShop(TTreeNodeShop& shop, const TShopValues& values)
{
    shop.Code = values.Code;
    shop.AutoMonitor = values.AutoMonitor;
    shop.SyncDate = values.SyncDate;
    shop.Name = values.Name;
    shop.ShopUserCode = values.ShopUserCode;
    shop.AppSecret = values.AppSecret;
    shop.AppKey = values.AppKey;
    shop.Session = values.Session;
}

void TMainKiv::AddShopNode(TTreeNodeShop& shop)
{
    auto* root = new QTreeWidgetItem(tvShops, {shop.Name + QStringLiteral(" - ") + shop.ShopUserCode});
    SetStateIndex(root, 2);
    for (const QString& text : {SyncNodeText, MonitorNodeText})
        SetStateIndex(new QTreeWidgetItem(root, {text}), 1);
    root->setData(0, ShopRole, QVariant::fromValue(reinterpret_cast<quintptr>(&shop)));
}

QTreeWidgetItem* TMainKiv::NodeOf(const TTreeNodeShop* shop) const
{
    for (int i = 0; i < tvShops->topLevelItemCount(); ++i)
        if (ShopOf(tvShops->topLevelItem(i)) == shop)
            return tvShops->topLevelItem(i);
    return nullptr;
}

std::unique_ptr<TTreeNodeShop> TMainKiv::TakeShop(const QString& code)
{
    const auto found = std::find_if(FShops.begin(), FShops.end(), [&](const auto& shop) { return shop && shop->Code == code; });
    return found == FShops.end() ? nullptr : std::move(*found);
}

void TMainKiv::TakeMendedShops()
{
    for (auto mended = FMended.begin(); mended != FMended.end();) {
        TTreeNodeShop* shop = mended->first;
        if (ShopHeld(*shop)) {
            ++mended;
            continue;
        }
        QTreeWidgetItem* node = NodeOf(shop);
        if (mended->second) {
            AssignShop(*shop, *mended->second);
            if (node)
                node->setText(0, shop->Name + QStringLiteral(" - ") + shop->ShopUserCode);
        } else {
            delete node;
            std::erase_if(FShops, [shop](const std::unique_ptr<TTreeNodeShop>& own) { return own.get() == shop; });
        }
        mended = FMended.erase(mended);
    }
}

void TMainKiv::ClearShopTree()
{
    FreeShopNodes();
    tvShops->clear();
}

void TMainKiv::FreeShopNodes()
{
    for (int i = 0; i < tvShops->topLevelItemCount(); ++i)
        tvShops->topLevelItem(i)->setData(0, ShopRole, QVariant());
    FMended.clear();
    FShops.clear();
}

void TMainKiv::StartAutoMonitors()
{
    for (int i = 0; i < tvShops->topLevelItemCount(); ++i) {
        TTreeNodeShop* shop = ShopOf(tvShops->topLevelItem(i));
        if (shop && shop->AutoMonitor && MainKivHooks.OpenMonitorForm)
            MainKivHooks.OpenMonitorForm(*shop);
    }
}

bool TMainKiv::AnyMonitorOpen() const
{
    for (const auto& shop : FShops)
        if (shop->MonitorForm)
            return true;
    return false;
}

void TMainKiv::StopMonitors()
{
    for (const auto& shop : FShops)
        if (auto* form = qobject_cast<TFormItems*>(shop->MonitorForm.data()))
            form->StopMonitoring();
}

void TMainKiv::EndSession()
{
    StopMonitors();
    QList<QPointer<TFormItems>> forms;
    for (const auto& shop : FShops)
        if (auto* form = qobject_cast<TFormItems*>(shop->MonitorForm.data()))
            forms << form;
    const auto streamsEnded = [&] {
        return std::none_of(forms.begin(), forms.end(), [](const auto& form) { return form && form->StreamRunning(); });
    };
    // The event loops have been told to end, and one started before the
    // message loop runs again returns at once: the ends of the threads are
    // taken from the queue here, the tick bounding each wait for them.
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;
    tick.start(20);
    while (!streamsEnded() && elapsed.elapsed() < StreamEndWaitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (const auto& form : forms)
        if (form)
            form->close();
    close();
}

void TMainKiv::HideAdminActions()
{
    // The configuration editors are the administrator's.
    const bool admin = IsAdministrator();
    for (QAction* action : {ActionConfigShops, ActionConfigUsers, ActionLinkUserShop, ActionParams, ActionMonitorSet})
        action->setVisible(admin);
    // Of a run of separators only the first stays, and none before the
    // first shown item or after the last.
    bool itemShown = false;
    QAction* separator = nullptr;
    for (QAction* item : KivMenu->actions()) {
        if (item->isSeparator()) {
            item->setVisible(false);
            if (itemShown && !separator)
                separator = item;
        } else if (item->isVisible()) {
            if (separator)
                separator->setVisible(true);
            separator = nullptr;
            itemShown = true;
        }
    }
}

void TMainKiv::SelectPage(QToolButton* button, int page)
{
    if (FCurrentPageButton)
        FCurrentPageButton->setDown(false);
    button->setDown(true);
    FCurrentPageButton = button;
    tvShops->setVisible(page == 0);
    pInStock->setVisible(page == 1);
    if (page == 1) {
        leBarcode->setFocus();
        leBarcode->selectAll();
    }
}

int TMainKiv::MenuHeight() const
{
    int height = MenuFrame;
    for (const QAction* item : KivMenu->actions()) {
        if (!item->isVisible())
            continue;
        height += item->isSeparator() ? MenuSeparatorHeight : MenuItemHeight;
    }
    return height;
}

void TMainKiv::PopupAbove()
{
    KivMenu->popup(mapToGlobal(QPoint(PanelMenu->x(), PanelMenu->y() - MenuHeight())));
}

void TMainKiv::tvShopsClick(QTreeWidgetItem* node)
{
    if (node && node->childCount() > 0)
        node->setExpanded(!node->isExpanded());
}

void TMainKiv::tvShopsDblClick()
{
    // A record let go since the shops were read works with their values.
    TakeMendedShops();
    const QTreeWidgetItem* node = tvShops->currentItem();
    if (!node || !node->parent())
        return;
    TTreeNodeShop* shop = ShopOf(node->parent());
    if (!shop || RefuseGoneShop(*shop))
        return;
    if (node->text(0) == SyncNodeText) {
        if (MainKivHooks.OpenSyncForm)
            MainKivHooks.OpenSyncForm(*shop);
    } else if (node->text(0) == MonitorNodeText) {
        if (MainKivHooks.OpenMonitorForm)
            MainKivHooks.OpenMonitorForm(*shop);
    }
}

bool TMainKiv::RefuseGoneShop(const TTreeNodeShop& shop)
{
    // An open monitor window still shows its log.
    if (shop.MonitorForm || !ShopGone(shop.Code))
        return false;
    const QString name = shop.Name.isEmpty() ? shop.Code : shop.Name;
    ShowError(QStringLiteral("店铺[%1]已被删除或已改了店铺代码！").arg(name));
    LoadShops(SysRec.UserCode);
    return true;
}

void TMainKiv::cbStayOnTopClick(bool checked)
{
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, checked);
    // Changing the flags hides a shown window.
    if (visible)
        show();
}

void TMainKiv::ActionInStockExecute()
{
    if (TellBarcodeRefusal(*leBarcode))
        return;
    const QString barcode = TakeBarcode(*leBarcode);
    if (barcode.isEmpty()) {
        ShowInformation(QStringLiteral("请先输入条形码，然后回车或点入库图标！"));
        leBarcode->setFocus();
        return;
    }
    if (const QString problem = BarcodeProblem(barcode); !problem.isEmpty()) {
        ShowError(problem);
        leBarcode->setFocus();
        leBarcode->selectAll();
        return;
    }
    if (MainKivHooks.StockInByBarcode) {
        const QString next = MainKivHooks.StockInByBarcode(barcode);
        if (!next.isEmpty())
            leBarcode->setText(next);
    }
    leBarcode->selectAll();
}

void TMainKiv::OpenTableEditor(const QString& sql, const QString& tableKey, const QString& caption, bool reloadShops)
{
    // Hidden from everyone else, and refused however it is reached.
    if (!IsAdministrator()) {
        ShowError(QStringLiteral("只有管理员(admin)才能打开“") + caption + QStringLiteral("”，请联系管理员！"));
        return;
    }
    if (MainKivHooks.ShowTableEditor)
        MainKivHooks.ShowTableEditor(sql, tableKey, SysCode, SysCode, caption);
    if (reloadShops)
        LoadShops(SysRec.UserCode);
}

bool TMainKiv::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == leBarcode && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ActionInStock->trigger();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TMainKiv::closeEvent(QCloseEvent* event)
{
    if (AnyMonitorOpen()) {
        ShowWarning(QStringLiteral("请先关闭监控窗口!"));
        event->ignore();
        return;
    }
    FreeShopNodes();
    event->accept();
}

bool IsAdministrator()
{
    return SysRec.UserCode == QStringLiteral("admin");
}

int RunKiv(const QString& appDir)
{
    // The database engine takes SIGTERM and SIGINT for itself at the first
    // attach, whether it succeeds or not (it shuts itself down on them and
    // the program carries on over a dead connection); later attachments
    // leave the handlers alone. So the database is attached first, and the
    // session's end watched after that, or after the failure that came
    // first: an error box shown while the end is not watched could not be
    // ended by it. It outlives the data module, whose end still runs
    // statements.
    std::optional<TSessionEnd> sessionEnd;
    const auto watchSessionEnd = [&sessionEnd] {
        if (!sessionEnd)
            sessionEnd.emplace(SessionEnding);
    };
    // Outside the message loop nobody else shows what went wrong.
    try {
        TKivDM dataModule(appDir);
        InstallUpgradeProgress();
        KivDM->KivConn->Open();
        watchSessionEnd();
        if (!ShowLogin())
            return 0;
        InstallItemsHooks();
        InstallTableEditorHooks();
        InstallItemInHooks();
        TMainKiv mainWindow;
        // The end may come while the window is made (its monitors catch up).
        int result = 0;
        if (!Terminated()) {
            mainWindow.show();
            result = QApplication::exec();
        }
        if (Terminated()) {
            mainWindow.EndSession();
            return 0;
        }
        return result;
    } catch (const std::exception& error) {
        watchSessionEnd();
        ShowException(error);
        return 1;
    }
}
