#pragma once
// The table editor: one window that edits every configuration table (shops,
// users, user-shop links, monitor rules, the settings table and the grid
// layouts themselves) over an SQL text. Its grid takes the stored layout of
// the table key; edits stay in the client dataset until "保存" writes them
// in one transaction, with what a user's or a shop's code carries along
// (KivCodeMoves), and closing with unsaved edits asks first. A row is
// checked before it is posted and saved (KivTableCheck).

#include "platform/db/Multicast.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

class QAction;
class QToolBar;
class TClientDataSet;
class TDataSetProvider;
class TDataSource;
class TDBGridMv;
class TSQLQuery;
class TTableCheck;

class TFormShop : public QDialog {
    Q_OBJECT
public:
    explicit TFormShop(QWidget* parent = nullptr);
    ~TFormShop() override;

    // The key of the grid's layout (also the table it edits), and its shop
    // and user codes.
    void SetKeys(const QString& tableKey, const QString& shopCode, const QString& userCode);
    const QString& TableKey() const { return FTableKey; }

    TSQLQuery* SQLQueryShop;
    TDataSetProvider* DataSetProviderShop;
    TClientDataSet* ClientDataSetShop;
    TDataSource* DataSourceShop;
    QToolBar* ToolBarShop;
    // First, prior, next, last, insert, delete, edit, post, cancel, refresh.
    QToolBar* DBNavigator1;
    TDBGridMv* DBGridShop;

    QAction* ActionAppend;
    QAction* ActionEdit;
    QAction* ActionDelete;
    QAction* ActionSave;
    QAction* ActionProp;
    QAction* ActionExit;
    QAction* ActionOpen;
    QAction* ActionColumn;

    void ActionAppendExecute();
    void ActionEditExecute();
    void ActionDeleteExecute();
    void ActionSaveExecute();
    // Reads the rows anew; the columns keep their layout.
    void ActionOpenExecute();
    // True when the window may close: a row being edited is posted, and
    // pending changes are kept only when the user goes back to save them.
    bool FormCloseQuery();

    // The close box, Escape and "退出" all ask FormCloseQuery first.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateActions();
    void CreateNavigator();
    void UpdateNavigator();
    void StartYesNoFieldsOff();
    void FormShow();
    void FormClose();

    QString FTableKey;
    QString FShopCode;
    QString FUserCode;
    // What is posted and saved passes its checks first.
    std::unique_ptr<TTableCheck> FCheck;
    bool FShown = false;
    std::vector<TScopedConnection> FConnections;
};

// Runs the table editor modally over the SQL text and frees it.
void ShowTableEditor(const QString& sql, const QString& tableKey, const QString& shopCode, const QString& userCode,
                     const QString& caption);

// The main window's configuration actions open the table editor.
void InstallTableEditorHooks();
