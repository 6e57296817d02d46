#pragma once
// The dataset grid over SKUs of a fresh embedded Firebird database, for the
// filter row and the find dialog. The grid's OnApplyFilter turns the
// columns' filters into the query's WHERE, as a data-set handler would.

#include "DBGridEditorTestSupport.h"

#include "grid/DBGridMvFilterRow.h"
#include "grid/DbUtilsMv.h"
#include "platform/SqlText.h"

class DBGridDbTest : public DBGridDatabaseTest {
protected:
    // The sample SKUs (InsertSampleSkus).
    void SetUp() override
    {
        DBGridDatabaseTest::SetUp();
        InsertSampleSkus();
        Query = std::make_unique<TSQLQuery>(Conn.get());
        Reopen(QString());
        Source->SetDataSet(Query.get());
        Grid->SetDataSource(Source.get());
        // Stored columns, as every window has them: they and their filters
        // outlive a reopened query.
        Grid->Columns().BeginUpdate();
        Grid->Columns().Clear();
        for (const char* name : {"SkuID", "PropAlias", "Price", "Qty"})
            Grid->Columns().Add()->SetFieldName(QString::fromLatin1(name));
        Grid->Columns().EndUpdate();
        Column("PropAlias")->SetWidth(120);
        Grid->OnApplyFilter = [this](QObject*) {
            ++Applied;
            Reopen(WhereOfFilters());
        };
    }

    void TearDown() override
    {
        Grid->SetDataSource(nullptr);
        DBGridDatabaseTest::TearDown();
    }

    // The distinct aliases, as a filter cell's drop-down lists them.
    TDataSource* AliasValues()
    {
        if (!Values) {
            Values = std::make_unique<TSQLQuery>(Conn.get());
            Values->SQL = QStringLiteral("select distinct \"PropAlias\" from \"KivItem\" where \"PropAlias\" is not null");
            Values->Open();
            ValueSource = std::make_unique<TDataSource>();
            ValueSource->SetDataSet(Values.get());
        }
        return ValueSource.get();
    }

    // The alias column's filter cell lists the distinct aliases.
    void ListAliasValues()
    {
        TSTColumnFilterMv& filter = Column("PropAlias")->STFilter();
        filter.SetListSource(AliasValues());
        filter.ListField = QStringLiteral("PropAlias");
    }

    void Reopen(const QString& where)
    {
        Query->Close();
        Query->SQL = QStringLiteral("select \"SkuID\", \"PropAlias\", \"Price\", \"Qty\" from \"KivItem\"") + where +
                     QStringLiteral(" order by \"SkuID\"");
        Query->Open();
    }

    static QString SqlValue(const Variant& value)
    {
        return value.IsNumeric() ? STFilterValueText(value) : QuotedStr(value.AsString());
    }

    static QString Condition(const QString& field, TSTFilterOperatorMv op, const Variant& operand)
    {
        const QString name = u'"' + field + u'"';
        const QString word = STFilterOperatorsSQLStrMap[op].toString();
        switch (op) {
        case sfoNull:
        case sfoNotNull: return name + u' ' + word;
        case sfoLike:
        case sfoNotLike: return name + u' ' + word + u' ' + QuotedStr(u'%' + operand.AsString() + u'%');
        case sfoIn:
        case sfoNotIn: {
            QStringList values;
            for (const Variant& v : operand.IsArray() ? operand.Elements() : std::vector<Variant>{operand})
                values << SqlValue(v);
            return name + u' ' + word + QStringLiteral(" (") + values.join(u',') + u')';
        }
        default: return name + u' ' + word + u' ' + SqlValue(operand);
        }
    }

    QString WhereOfFilters() const
    {
        QStringList conditions;
        for (int i = 0; i < Grid->Columns().Count(); ++i) {
            TColumnMv* column = Grid->Columns().Items(i);
            const TSTFilterExpressionMv e = column->STFilter().GetExpression();
            if (e.Operator1 == sfoNone)
                continue;
            QString c = Condition(column->FieldName(), e.Operator1, e.Operand1);
            if (e.Operator2 != sfoNone)
                c = u'(' + c + u' ' + STFilterOperatorsSQLStrMap[e.Relation].toString() + u' ' +
                    Condition(column->FieldName(), e.Operator2, e.Operand2) + u')';
            conditions << c;
        }
        return conditions.isEmpty() ? QString() : QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
    }

    TColumnMv* Column(const char* name) const { return Grid->GetColumnByFieldName(QString::fromLatin1(name)); }

    // The centre of a column's filter cell, in the grid's client area.
    QPoint FilterCell(TColumnMv* column)
    {
        return Centre(Grid->CellRect(Grid->DataToRawColumn(column->Index()), Grid->TitleRowCount() - 1));
    }

    TInplaceFilterEditMv* Editor() const { return Grid->FilterRow().Editor(); }

    std::unique_ptr<TSQLQuery> Query;
    std::unique_ptr<TSQLQuery> Values;
    std::unique_ptr<TDataSource> ValueSource;
    int Applied = 0;
};
