#include "app/KivTableCheck.h"

#include "client/KivDataM.h"
#include "client/KivQuery.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/db/ClientDataSet.h"

#include <QSqlIndex>

namespace {

const QString UserTable = QStringLiteral("SYS_User");
const QString PasswordField = QStringLiteral("Password");
const QString CodeField = QStringLiteral("Code");
// However long the password, the grid shows the same mask.
const QString PasswordMask = QStringLiteral("******");

// The field as the user knows it: by the caption of its column.
QString Caption(const TField& field)
{
    return u'[' + field.DisplayLabel() + u']';
}

bool IsText(const TField& field)
{
    const TFieldType type = field.DataType();
    return type == ftString || type == ftWideString || type == ftFixedChar;
}

bool IsInteger(const TField& field)
{
    const TFieldType type = field.DataType();
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftLargeint;
}

// No value, or a text of blanks only.
bool IsBlank(const TField& field)
{
    return field.IsNull() || (IsText(field) && field.AsString().trimmed().isEmpty());
}

// A key value as the database compares it: text without its trailing blanks.
QString KeyValueText(const TField& field)
{
    QString text = field.AsString();
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

bool RecordChanged(const TDataSet& data)
{
    for (int i = 0; i < data.FieldCount(); ++i) {
        const TField& field = *data.Fields(i);
        if (field.FieldKind() == fkData && !(field.Value() == field.OldValue()))
            return true;
    }
    return false;
}

} // namespace

TTableCheck::TTableCheck(TClientDataSet& data) : FData(data)
{
    FConnections.emplace_back(FData.AfterOpen.Connect([this](TDataSet&) { Opened(); }));
    FConnections.emplace_back(FData.BeforePost.Connect([this](TDataSet&) { BeforePost(); }));
    const auto editBegins = [this](TDataSet&) {
        FPasswordTyped = false;
        const TField* code = IsTable(UserTable) ? FData.FindField(CodeField) : nullptr;
        FCodeBeforeEdit = code ? code->AsString() : QString();
    };
    FConnections.emplace_back(FData.AfterEdit.Connect(editBegins));
    FConnections.emplace_back(FData.AfterInsert.Connect(editBegins));
    FConnections.emplace_back(FData.AfterCancel.Connect([this](TDataSet&) { FPasswordTyped = false; }));
}

bool TTableCheck::IsTable(const QString& table) const
{
    return FTable.compare(table, Qt::CaseInsensitive) == 0;
}

void TTableCheck::Opened()
{
    // The key columns of the table the rows come from, as the dataset names them.
    FKeyFields.clear();
    FKeyColumns.clear();
    FOriginTable.clear();
    const TFieldDefs& defs = FData.FieldDefs();
    for (int i = 0; FOriginTable.isEmpty() && i < defs.Count(); ++i)
        FOriginTable = defs[i].OriginTable;
    if (KivDM && !FOriginTable.isEmpty()) {
        const QSqlIndex primary = KivDM->KivConn->Database().primaryIndex(QuotedName(FOriginTable));
        for (int j = 0; j < primary.count(); ++j) {
            for (int i = 0; i < defs.Count(); ++i) {
                if (defs[i].OriginTable == FOriginTable && defs[i].OriginColumn == primary.fieldName(j)) {
                    FKeyFields << defs[i].Name;
                    FKeyColumns << defs[i].OriginColumn;
                    break;
                }
            }
        }
        // A key the rows do not carry whole cannot be told by them.
        if (FKeyFields.size() != primary.count()) {
            FKeyFields.clear();
            FKeyColumns.clear();
        }
    }
    NoteStoredKeys();

    if (TField* password = IsTable(UserTable) ? FData.FindField(PasswordField) : nullptr) {
        password->OnGetText = [](TField& field, QString& text, bool displayText) {
            text = displayText && !field.AsString().isEmpty() ? PasswordMask : QString();
        };
        password->OnChange = [this](TField&) { FPasswordTyped = true; };
    }
}

void TTableCheck::NoteStoredKeys()
{
    FStoredKeys.clear();
    if (!FKeyFields.isEmpty())
        FData.ForEachRecord([this] { FStoredKeys.insert(KeyText()); });
}

void TTableCheck::Applied()
{
    NoteStoredKeys();
}

QString TTableCheck::KeyText() const
{
    QStringList values;
    for (const QString& name : FKeyFields)
        values << KeyValueText(*FData.FieldByName(name));
    return values.join(QChar(0x1f));
}

bool TTableCheck::RequiredByTable(const TField& field) const
{
    // A shop cannot be used without them (the shop check refuses it).
    return IsTable(QStringLiteral("SYS_Shop"))
           && (field.FieldName() == QStringLiteral("AppKey") || field.FieldName() == QStringLiteral("AppSecret"));
}

QString TTableCheck::RowProblem()
{
    for (int i = 0; i < FData.FieldCount(); ++i) {
        const TField& field = *FData.Fields(i);
        if (field.FieldKind() != fkData)
            continue;
        if ((field.Required() || RequiredByTable(field)) && IsBlank(field))
            return Caption(field) + QStringLiteral("不能为空，请填写！");
    }
    if (QString problem = DuplicateProblem(); !problem.isEmpty())
        return problem;
    return LinkProblem();
}

QString TTableCheck::DuplicateProblem()
{
    if (FKeyFields.isEmpty())
        return QString();
    const QString key = KeyText();
    // The record itself is among the records that hold its key.
    int holders = 0;
    FData.ForEachRecord([&] { holders += KeyText() == key ? 1 : 0; });
    bool taken = holders > 1;
    // A row the editor does not list (or one stored since it read them)
    // holds the key in the database only.
    if (!taken && !FStoredKeys.contains(key)) {
        QString where;
        for (qsizetype i = 0; i < FKeyFields.size(); ++i) {
            const TField& field = *FData.FieldByName(FKeyFields[i]);
            where += (where.isEmpty() ? QStringLiteral(" where ") : QStringLiteral(" and ")) + QuotedName(FKeyColumns[i])
                     + QStringLiteral(" = ") + (IsInteger(field) ? SqlInteger(field.AsString()) : QuotedStr(field.AsString()));
        }
        taken = !IsEmptyResult(QStringLiteral("select 1 from ") + QuotedName(FOriginTable) + where);
    }
    if (!taken)
        return QString();
    QStringList parts;
    for (const QString& name : FKeyFields) {
        const TField& field = *FData.FieldByName(name);
        parts << Caption(field) + QStringLiteral("为“") + field.AsString() + QStringLiteral("”");
    }
    return parts.join(QStringLiteral("、")) + QStringLiteral("的记录已经存在，请修改！");
}

QString TTableCheck::LinkProblem() const
{
    if (!IsTable(QStringLiteral("SYS_UserShop")))
        return QString();
    struct TLink {
        QString Field;
        QString Table;
        QString Missing;
    };
    const TLink links[] = {
        {QStringLiteral("UserCode"), UserTable, QStringLiteral("不是已有的用户，请先在“设置用户”中添加！")},
        {QStringLiteral("ShopCode"), QStringLiteral("SYS_Shop"), QStringLiteral("不是已有的店铺，请先在“设置店铺”中添加！")},
    };
    for (const TLink& link : links) {
        const TField* field = FData.FindField(link.Field);
        if (!field || field->IsNull())
            continue;
        if (IsEmptyResult(QStringLiteral("select 1 from ") + QuotedName(link.Table) + QStringLiteral(" where \"Code\" = ")
                          + QuotedStr(field->AsString())))
            return Caption(*field) + QStringLiteral("“") + field->AsString() + QStringLiteral("”") + link.Missing;
    }
    return QString();
}

QString TTableCheck::PasswordProblem() const
{
    // The stored hash is made with the code: a user renamed without a new
    // password could never log in again.
    if (!IsTable(UserTable) || FPasswordTyped || FData.State() != dsEdit)
        return QString();
    const TField* code = FData.FindField(CodeField);
    const TField* password = FData.FindField(PasswordField);
    if (!code || !password || code->AsString() == FCodeBeforeEdit || password->AsString().isEmpty())
        return QString();
    return QStringLiteral("改了") + Caption(*code) + QStringLiteral("，请重新输入") + Caption(*password) + QStringLiteral("！");
}

void TTableCheck::BeforePost()
{
    QString problem = RowProblem();
    if (problem.isEmpty())
        problem = PasswordProblem();
    if (!problem.isEmpty()) {
        ShowError(problem);
        throw EAbort(problem);
    }
    if (!FPasswordTyped)
        return;
    // Stored as the password dialog and the login make it (an empty
    // password stays empty).
    TField& password = *FData.FieldByName(PasswordField);
    password.SetAsString(PasswordHash(FData.FieldByName(CodeField)->AsString(), password.AsString()));
    // Storing the hash is no typing.
    FPasswordTyped = false;
}

QString TTableCheck::PendingProblem()
{
    QString problem;
    FData.ForEachRecord([&] {
        if (problem.isEmpty() && RecordChanged(FData))
            problem = RowProblem();
    });
    return problem;
}
