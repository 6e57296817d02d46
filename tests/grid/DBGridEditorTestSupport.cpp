#include "DBGridEditorTestSupport.h"

#include "platform/SqlText.h"
#include "platform/db/Field.h"
#include "platform/db/FieldKinds.h"

void DBGridDatabaseTest::SetUp()
{
    DBGridTest::SetUp();
    ASSERT_TRUE(Dir.isValid());
    const QString path = Dir.filePath(QStringLiteral("Kiv.fdb"));
    CreateTestDatabase(path);
    Conn = std::make_unique<TSQLConnection>();
    Conn->SetParam(QStringLiteral("Database"), path);
    Conn->SetParam(QStringLiteral("User_Name"), QStringLiteral("sysdba"));
}

void DBGridDatabaseTest::TearDown()
{
    DBGridTest::TearDown();
    Sets.clear();
    Providers.clear();
    Queries.clear();
}

TClientDataSet& DBGridDatabaseTest::OpenClient(const QString& sql, std::unique_ptr<TField> extra)
{
    auto query = std::make_unique<TSQLQuery>(Conn.get());
    query->SQL = sql;
    auto provider = std::make_unique<TDataSetProvider>();
    provider->SetDataSet(query.get());
    auto data = std::make_unique<TClientDataSet>();
    data->SetProvider(provider.get());
    if (extra)
        data->AddField(std::move(extra));
    data->Open();
    Queries.push_back(std::move(query));
    Providers.push_back(std::move(provider));
    Sets.push_back(std::move(data));
    return *Sets.back();
}

void DBGridEditorTest::OpenSkus()
{
    const char* titles[] = {"衬衫", "长裤", "帽子"};
    for (int i = 0; i < 3; ++i)
        Exec(QStringLiteral("insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") "
                            "values(%1,'%2','S1','d')")
                 .arg(101 + i)
                 .arg(QString::fromUtf8(titles[i])));
    const int items[] = {101, 102, 103, 101};
    for (int i = 1; i <= 4; ++i)
        Exec(QStringLiteral("insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"PropAlias\",\"Price\",\"Qty\","
                            "\"ShopCode\",\"SyncDate\") values(%1,%2,'Red',%3,%4,'S1','d')")
                 .arg(i)
                 .arg(items[i - 1])
                 .arg(i * 1.5)
                 .arg(i));
    Items = &OpenClient(QStringLiteral("select \"NumIID\", \"Title\" from \"KivItemOnsale\" order by \"NumIID\""));
    auto item = std::make_unique<TStringField>(QStringLiteral("Item"), 100);
    item->SetFieldKind(fkLookup);
    item->KeyFields = QStringLiteral("NumIID");
    item->LookupDataSet = Items;
    item->LookupKeyFields = QStringLiteral("NumIID");
    item->LookupResultField = QStringLiteral("Title");
    Data = &OpenClient(
        QStringLiteral("select \"SkuID\", \"NumIID\", \"PropAlias\", \"Price\", \"Qty\" from \"KivItem\" "
                       "order by \"SkuID\""),
        std::move(item));
    Bind(*Data);
    Show(520, 220);
    Focus();
}

void DBGridEditorTest::OpenStockIns()
{
    for (int i = 1; i <= 3; ++i)
        Exec(QStringLiteral("insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") "
                            "values(%1,%2,1,'2024-03-0%1 10:00:00')")
                 .arg(i)
                 .arg(i * 10));
    Data = &OpenClient(
        QStringLiteral("select \"AutoCode\", \"Qty\", \"Date\" from \"KivItemIn\" order by \"AutoCode\""));
    Bind(*Data);
    Show(420, 200);
    Focus();
}

TDBGridInplaceEdit* DBGridEditorTest::EditColumn(const QString& fieldName)
{
    Grid->SetSelectedIndex(Grid->GetColumnByFieldName(fieldName)->Index());
    PressKey(Grid->ClientWidget(), Qt::Key_F2);
    return Grid->CellEditor();
}

QString DBGridDatabaseTest::Scalar(const QString& sql)
{
    TSQLQuery q(Conn.get());
    q.SQL = sql;
    q.Open();
    return q.IsEmpty() ? QStringLiteral("<none>") : q.Fields(0)->AsString();
}

void DBGridDatabaseTest::InsertSampleSkus()
{
    const QStringList aliases = {QStringLiteral("红色 大号"), QStringLiteral("蓝色"), QStringLiteral("O'Brien"),
                                 QStringLiteral("中文商品"), QString(), QStringLiteral("蓝色")};
    for (int i = 1; i <= aliases.size(); ++i)
        Exec(QStringLiteral("insert into \"KivItem\"(\"SkuID\",\"PropAlias\",\"Price\",\"Qty\",\"ShopCode\",\"SyncDate\") "
                            "values(%1,%2,%3,%4,'S1','2024-01-01 00:00:00')")
                 .arg(i)
                 .arg(aliases[i - 1].isNull() ? QStringLiteral("null") : QuotedStr(aliases[i - 1]))
                 .arg(QString::number(i * 1.5), QString::number(i)));
}

QImage GrabWidget(QWidget* widget)
{
    QCoreApplication::processEvents();
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
