#include "platform/db/SqlQuery.h"

#include "platform/Exceptions.h"
#include "platform/db/SqlConnection.h"

#include <QSqlQuery>
#include <QSqlRecord>

void TSQLQuery::Open()
{
    Close();
    if (!SQLConnection)
        throw EDatabaseError(QStringLiteral("Missing SQL connection"));
    QSqlQuery query(SQLConnection->Database());
    query.setForwardOnly(true);
    if (!query.exec(SQL))
        TSQLConnection::RaiseError(query, SQL);
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        FFields.push_back(std::make_unique<TField>(record.fieldName(i)));
    while (query.next()) {
        std::vector<Variant> row;
        row.reserve(FFields.size());
        for (int i = 0; i < record.count(); ++i)
            row.push_back(Variant::FromQVariant(query.value(i)));
        FRows.push_back(std::move(row));
    }
    FActive = true;
    First();
}

void TSQLQuery::Close()
{
    FActive = false;
    FFields.clear();
    FRows.clear();
    FRecNo = 0;
}

void TSQLQuery::First()
{
    FRecNo = 0;
    LoadRow();
}

void TSQLQuery::Next()
{
    if (FRecNo < FRows.size())
        ++FRecNo;
    LoadRow();
}

bool TSQLQuery::Eof() const
{
    return FRecNo >= FRows.size();
}

void TSQLQuery::LoadRow()
{
    for (size_t i = 0; i < FFields.size(); ++i)
        FFields[i]->SetValue(FRecNo < FRows.size() ? FRows[FRecNo][i] : Variant());
}

TField* TSQLQuery::FindField(const QString& name) const
{
    for (const auto& field : FFields)
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

TField* TSQLQuery::FieldByName(const QString& name) const
{
    TField* field = FindField(name);
    if (!field)
        throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    return field;
}
