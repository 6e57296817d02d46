#pragma once
// The main window "Morvane": the shops of the logged-in user in a tree (from
// which a shop's items window opens in sync or monitor mode), the barcode
// stock-in page, and the configuration menu. It owns the shop records hung
// on its tree and the monitor windows, and installs the idle handler that
// applies queued update records.

#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
struct TTreeNodeShop;

// The windows that open from the main window but live in other units plug
// in here; an unset hook does nothing.
struct TMainKivHooks {
    // The items window of a shop in sync mode, modal (runs the shop check first).
    std::function<void(TTreeNodeShop& shop)> OpenSyncForm;
    // The monitor window of a shop, modeless, created with the main window
    // (MainKiv) as its owner (runs the shop check first).
    std::function<void(TTreeNodeShop& shop)> OpenMonitorForm;
    // The table editor over an SQL text, modal.
    std::function<void(const QString& sql, const QString& tableKey, const QString& shopCode, const QString& userCode,
                       const QString& caption)>
        ShowTableEditor;
    // The barcode stock-in; returns the barcode to show next, or empty.
    std::function<QString(const QString& barcode)> StockInByBarcode;
};

extern TMainKivHooks MainKivHooks;

class TMainKiv : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs its creation handler (FormCreate) for the
    // logged-in user of SysRec.
    explicit TMainKiv(QWidget* parent = nullptr);
    ~TMainKiv() override;

    QLabel* Image1;
    QLabel* Image3;
    QStatusBar* StatusBarKiv;
    std::vector<QLabel*> StatusPanels;
    QWidget* PanelMenu;
    QToolBar* ToolBarMain;
    QToolButton* ToolButton1;
    QCheckBox* cbStayOnTop;
    QWidget* Panel2;
    QToolBar* ToolBar2;
    QToolButton* tbShop;
    QToolButton* tbStock;
    QTreeWidget* tvShops;
    QWidget* pInStock;
    QLabel* leBarcodeLabel;
    QLineEdit* leBarcode;
    QToolBar* ToolBarInStock;
    QMenu* KivMenu;

    QAction* ActionChangePassword;
    QAction* ActionConfigShops;
    QAction* ActionConfigUsers;
    QAction* ActionLinkUserShop;
    QAction* ActionParams;
    QAction* ActionMonitorSet;
    QAction* ActionProxySet;
    QAction* ActionInStock;
    QAction* ActionAbout;

    // Refills the tree with the user's shops as they are stored now. A shop
    // keeps its record; one that an open monitor window, a sync or a
    // catch-up holds keeps the values it holds until it is let go, and then
    // takes the stored ones (TakeMendedShops), or leaves the tree when the
    // shop is gone from the user's list.
    void LoadShops(const QString& userCode);
    void ClearShopTree();
    void FreeShopNodes();
    void StartAutoMonitors();
    bool AnyMonitorOpen() const;
    // Every monitor window that monitors stops, as its stop action does.
    void StopMonitors();
    // The end of the program once it was asked to end (the session's end, a
    // third wrong password) and the message loop has returned: the monitors
    // stop, their stream threads are given a few seconds to end (and log
    // it), and every window closes without asking.
    void EndSession();
    // The records that were held when the shops were last read, and are let
    // go now, take what was read for them then.
    void TakeMendedShops();
    void HideAdminActions();
    void SelectPage(QToolButton* button, int page);
    int MenuHeight() const;
    void PopupAbove();

    // The shop record hung on a root node; null for a child node.
    TTreeNodeShop* ShopOf(const QTreeWidgetItem* node) const;
    // The state image index of a node in the tree image list.
    static int StateIndex(const QTreeWidgetItem* node);
    // The page button that is down.
    QToolButton* CurrentPageButton() const { return FCurrentPageButton; }

    void tvShopsClick(QTreeWidgetItem* node);
    void tvShopsDblClick();
    void cbStayOnTopClick(bool checked);
    void ActionInStockExecute();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenu();
    void CreateTopAndBottom();
    void CreatePages();
    void FormCreate();
    // The table editors are the administrator's: anyone else is told so.
    void OpenTableEditor(const QString& sql, const QString& tableKey, const QString& caption, bool reloadShops);
    static void SetStateIndex(QTreeWidgetItem* node, int index);
    // A shop's values as the tree reads them.
    struct TShopValues {
        QString Code;
        bool AutoMonitor = false;
        QString SyncDate;
        QString Name;
        QString ShopUserCode;
        QString AppSecret;
        QString AppKey;
        QString Session;
    };
    // The user's shops as they are stored, in the order the database gives them.
    static std::vector<TShopValues> ReadShops(const QString& userCode);
    static void AssignShop(TTreeNodeShop& shop, const TShopValues& values);
    void AddShopNode(TTreeNodeShop& shop);
    QTreeWidgetItem* NodeOf(const TTreeNodeShop* shop) const;
    // A shop deleted, or given another code, at another seat opens no
    // window: the user is told, and the tree takes the shops as they are
    // now. True when it is gone.
    bool RefuseGoneShop(const TTreeNodeShop& shop);
    // Takes the record of the code out of FShops; null when there is none.
    std::unique_ptr<TTreeNodeShop> TakeShop(const QString& code);

    QToolButton* FCurrentPageButton = nullptr;
    std::vector<std::unique_ptr<TTreeNodeShop>> FShops;
    // Held records with what was read for them (none: the shop is gone).
    std::map<TTreeNodeShop*, std::optional<TShopValues>> FMended;
};

// The main window while it exists.
extern TMainKiv* MainKiv;

// The logged-in user is the administrator (the code is exactly "admin"), who
// alone sets up shops, users, their links, the settings and the rules.
bool IsAdministrator();

// The program's run in the application made by main(): the data module over
// the settings and database of appDir (empty: the program's folder), the
// login, the hooks of the windows of other units, then the main window and
// the message loop until it closes. The exit code. The end of the user's
// session (SIGTERM, SIGINT) ends the run at once, with 0: the work under
// way stops, no question is asked and every window closes.
int RunKiv(const QString& appDir);
