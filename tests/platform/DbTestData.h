#pragma once
// A client dataset over the test's own database: query, provider, client
// dataset, as every window has them.

#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSetProvider.h"
#include "platform/db/SqlConnection.h"
#include "platform/db/SqlQuery.h"
#include "support/TestSupport.h"

#include <functional>
#include <memory>

class DbTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        Conn = std::make_unique<TSQLConnection>();
        Conn->SetParam(QStringLiteral("Database"), DatabasePath());
        Conn->SetParam(QStringLiteral("User_Name"), QStringLiteral("sysdba"));
    }

    void TearDown() override
    {
        Data.reset();
        Provider.reset();
        Query.reset();
        Conn.reset();
    }

    void Exec(const QString& sql) { Conn->ExecuteDirect(sql); }

    // "KivItem" rows 1..count: SkuID = i, NumIID = 100 + i % 3, Qty = i,
    // PropAlias alternating "Red" / "Blue", Price = i / 4.
    void FillItems(int count)
    {
        for (int i = 1; i <= count; ++i)
            Exec(QStringLiteral("insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"PropAlias\",\"Price\",\"Qty\",\"ShopCode\",\"SyncDate\") "
                                "values(%1,%2,'%3',%4,%5,'S1','2024-01-01 00:00:00')")
                     .arg(QString::number(i), QString::number(100 + i % 3), i % 2 ? QStringLiteral("Red") : QStringLiteral("Blue"),
                          QString::number(i / 4.0), QString::number(i)));
    }

    // beforeOpen adds fields of its own to the client dataset before it opens.
    TClientDataSet& OpenClient(const QString& sql, const std::function<void(TClientDataSet&)>& beforeOpen = {})
    {
        Data.reset();
        Provider.reset();
        Query = std::make_unique<TSQLQuery>(Conn.get());
        Query->SQL = sql;
        Provider = std::make_unique<TDataSetProvider>();
        Provider->SetDataSet(Query.get());
        Data = std::make_unique<TClientDataSet>();
        Data->SetProvider(Provider.get());
        if (beforeOpen)
            beforeOpen(*Data);
        Data->Open();
        return *Data;
    }

    QString Scalar(const QString& sql)
    {
        TSQLQuery q(Conn.get());
        q.SQL = sql;
        q.Open();
        return q.IsEmpty() ? QStringLiteral("<none>") : q.Fields(0)->AsString();
    }

    std::unique_ptr<TSQLConnection> Conn;
    std::unique_ptr<TSQLQuery> Query;
    std::unique_ptr<TDataSetProvider> Provider;
    std::unique_ptr<TClientDataSet> Data;
};
