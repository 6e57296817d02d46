#pragma once
// The dataset grid over a fresh embedded database, and the cell editor over
// its SKUs ("KivItem") with a lookup field naming their item
// ("KivItemOnsale"), and over stock-ins ("KivItemIn") with a time stamp.

#include "DBGridTestSupport.h"
#include "grid/DBGridMvInplaceEdit.h"
#include "platform/db/DataSetProvider.h"
#include "platform/db/SqlConnection.h"
#include "platform/db/SqlQuery.h"

#include <QTemporaryDir>

class DBGridDatabaseTest : public DBGridTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void Exec(const QString& sql) { Conn->ExecuteDirect(sql); }
    // A client dataset over one statement (kept alive by the fixture).
    TClientDataSet& OpenClient(const QString& sql, std::unique_ptr<TField> extra = nullptr);
    // The value the database holds for the first row of a query.
    QString Scalar(const QString& sql);
    // SKUs 1..6 of shop S1: "SkuID", "PropAlias" (Chinese and quoted texts,
    // one null), "Price" (i * 1.5), "Qty" (i).
    void InsertSampleSkus();

    QTemporaryDir Dir;
    // Left to the destructor, so that a derived fixture's queries go first.
    std::unique_ptr<TSQLConnection> Conn;
    std::vector<std::unique_ptr<TSQLQuery>> Queries;
    std::vector<std::unique_ptr<TDataSetProvider>> Providers;
    std::vector<std::unique_ptr<TClientDataSet>> Sets;
};

class DBGridEditorTest : public DBGridDatabaseTest {
protected:
    // SKUs 1..4 of items 101, 102, 103, 101, and the three items with
    // Chinese titles; the grid shows the SKUs with the lookup field "Item".
    void OpenSkus();
    // Stock-ins 1..3 with a Qty and a Date.
    void OpenStockIns();
    // Moves to a column and turns the editor on (F2).
    TDBGridInplaceEdit* EditColumn(const QString& fieldName);

    TClientDataSet* Items = nullptr; // the lookup list
    TClientDataSet* Data = nullptr;  // the grid's dataset
};

// The pixels of a widget as they are on screen.
QImage GrabWidget(QWidget* widget);
