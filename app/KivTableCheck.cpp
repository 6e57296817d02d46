#include "app/KivTableCheck.h"

#include "app/KivLayouts.h"
#include "client/KivDataM.h"
#include "client/KivQuery.h"
#include "client/KivValueCheck.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/db/DbTexts.h"
#include "platform/db/ClientDataSet.h"

#include <QSqlIndex>

namespace {

const QString UserTable = QStringLiteral("SYS_User");
const QString ShopTable = QStringLiteral("SYS_Shop");
const QString LinkTable = QStringLiteral("SYS_UserShop");
const QString MonitorTable = QStringLiteral("SYS_Monitor");
const QString LayoutTable = QStringLiteral("SYS_Fields");
const QString ParamsTable = QStringLiteral("SYS_Params");
const QString PasswordField = QStringLiteral("Password");
const QString CodeField = QStringLiteral("Code");
const QString AdminCode = QStringLiteral("admin");
// Between the values of a key of several columns.
const QChar KeySeparator(0x1f);
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

// The codes a table holds, as keys compare them.
QSet<QString> CodesOf(const QString& table)
{
    QSet<QString> codes;
    for (const auto query = OpenQuery(QStringLiteral("select \"Code\" from ") + QuotedName(table)); !query->Eof(); query->Next())
        codes.insert(KeyValueText(*query->Fields(0)));
    return codes;
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
        password->OnChange = [this](TField& field) {
            FPasswordTyped = true;
            FTypedPassword = field.AsString();
        };
        // The field holds no more than its column (the hash's length); the
        // hash is made of the whole password as typed.
        password->OnSetText = [this](TField& field, const QString& text) {
            field.SetAsString(text);
            FTypedPassword = text;
        };
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
    return values.join(KeySeparator);
}

bool TTableCheck::RequiredByTable(const TField& field) const
{
    // A shop cannot be used without them (the shop check refuses it).
    return IsTable(ShopTable)
           && (field.FieldName() == QStringLiteral("AppKey") || field.FieldName() == QStringLiteral("AppSecret"));
}

QString TTableCheck::KeyCondition() const
{
    QString where;
    for (qsizetype i = 0; i < FKeyFields.size(); ++i) {
        const TField& field = *FData.FieldByName(FKeyFields[i]);
        where += (where.isEmpty() ? QStringLiteral(" where ") : QStringLiteral(" and ")) + QuotedName(FKeyColumns[i])
                 + QStringLiteral(" = ") + (IsInteger(field) ? SqlInteger(field.AsString()) : QuotedStr(field.AsString()));
    }
    return where;
}

bool TTableCheck::KeyAskedOfDatabase(const TFacts& facts) const
{
    // A blank key is refused as such; a key another record holds is taken
    // whatever the database says; one the rows held when read is free once
    // its row moved away.
    for (const QString& name : FKeyFields)
        if (IsBlank(*FData.FieldByName(name)))
            return false;
    const QString key = KeyText();
    return facts.Holders.value(key) <= 1 && !FStoredKeys.contains(key);
}

TTableCheck::TFacts TTableCheck::ReadFacts(bool pendingRows)
{
    TFacts facts;
    if (!FKeyFields.isEmpty()) {
        FData.ForEachRecord([&] { ++facts.Holders[KeyText()]; });
        bool ask = false;
        if (pendingRows)
            FData.ForEachRecord([&] { ask = ask || (RecordChanged(FData) && KeyAskedOfDatabase(facts)); });
        else
            ask = KeyAskedOfDatabase(facts);
        // A row the editor does not list (or one stored since it read them)
        // holds the key in the database only. The row being posted asks for
        // its own key; the rows being saved read the table's keys once.
        if (ask) {
            QStringList columns;
            for (const QString& column : FKeyColumns)
                columns << QuotedName(column);
            const auto query = OpenQuery(QStringLiteral("select ") + columns.join(u',') + QStringLiteral(" from ")
                                         + QuotedName(FOriginTable) + (pendingRows ? QString() : KeyCondition()));
            for (; !query->Eof(); query->Next()) {
                QStringList values;
                for (int i = 0; i < columns.size(); ++i)
                    values << KeyValueText(*query->Fields(i));
                facts.KeysInDatabase.insert(values.join(KeySeparator));
            }
        }
    }
    // The links' users and shops: two short lists, read once.
    if (IsTable(LinkTable)) {
        facts.Users = CodesOf(UserTable);
        facts.Shops = CodesOf(ShopTable);
    }
    return facts;
}

QString TTableCheck::RowProblem(const TFacts& facts) const
{
    for (int i = 0; i < FData.FieldCount(); ++i) {
        const TField& field = *FData.Fields(i);
        if (field.FieldKind() != fkData)
            continue;
        if ((field.Required() || RequiredByTable(field)) && IsBlank(field))
            return RequiredText(field.DisplayLabel());
    }
    if (QString problem = DuplicateProblem(facts); !problem.isEmpty())
        return problem;
    if (QString problem = LinkProblem(facts); !problem.isEmpty())
        return problem;
    // What each table's values must be for the program to use them.
    for (const auto valueProblem : {&TTableCheck::SettingProblem, &TTableCheck::UserCodeProblem, &TTableCheck::MonitorRuleProblem,
                                    &TTableCheck::TotalProblem, &TTableCheck::ShopSyncProblem})
        if (QString problem = (this->*valueProblem)(); !problem.isEmpty())
            return problem;
    return QString();
}

QString TTableCheck::SettingProblem() const
{
    if (!IsTable(ParamsTable))
        return QString();
    const TField* code = FData.FindField(CodeField);
    const TField* value = FData.FindField(QStringLiteral("Value"));
    if (!code || !value || code->IsNull())
        return QString();
    return SettingValueProblem(code->AsInteger(), value->AsString(), value->DisplayLabel());
}

QString TTableCheck::UserCodeProblem() const
{
    // The login names a user by the code typed with no blanks around it.
    const TField* code = IsTable(UserTable) ? FData.FindField(CodeField) : nullptr;
    if (!code || code->AsString() == code->AsString().trimmed())
        return QString();
    return Caption(*code) + QStringLiteral("“") + code->AsString() + QStringLiteral("”前后不能有空格，请删去！");
}

QString TTableCheck::DuplicateProblem(const TFacts& facts) const
{
    if (FKeyFields.isEmpty())
        return QString();
    // The record itself is among the records that hold its key.
    const QString key = KeyText();
    const bool taken = facts.Holders.value(key) > 1 || (KeyAskedOfDatabase(facts) && facts.KeysInDatabase.contains(key));
    if (!taken)
        return QString();
    std::vector<std::pair<QString, QString>> named;
    for (const QString& name : FKeyFields) {
        const TField& field = *FData.FieldByName(name);
        named.emplace_back(field.DisplayLabel(), field.AsString());
    }
    return RecordNameText(named) + QStringLiteral("的记录已经存在，请修改！");
}

QString TTableCheck::LinkProblem(const TFacts& facts) const
{
    if (!IsTable(LinkTable))
        return QString();
    struct TLink {
        QString Field;
        const QSet<QString>& Codes;
        QString Missing;
    };
    const TLink links[] = {
        {QStringLiteral("UserCode"), facts.Users, QStringLiteral("不是已有的用户，请先在“设置用户”中添加！")},
        {QStringLiteral("ShopCode"), facts.Shops, QStringLiteral("不是已有的店铺，请先在“设置店铺”中添加！")},
    };
    // The editor lists no link of the administrator: one stored here could
    // never be changed or removed again.
    if (const TField* user = FData.FindField(links[0].Field); user && KeyValueText(*user) == AdminCode)
        return Caption(*user) + QStringLiteral("“") + user->AsString()
               + QStringLiteral("”是管理员，这里不能为管理员关联店铺（保存后这里既看不到也无法修改或删除），请填写其他用户！");
    for (const TLink& link : links) {
        const TField* field = FData.FindField(link.Field);
        if (!field || field->IsNull())
            continue;
        if (!link.Codes.contains(KeyValueText(*field)))
            return Caption(*field) + QStringLiteral("“") + field->AsString() + QStringLiteral("”") + link.Missing;
    }
    return QString();
}

QString TTableCheck::MonitorRuleProblem() const
{
    if (!IsTable(MonitorTable))
        return QString();
    return RuleFieldsProblem(RuleFieldsOf(FData), [this](const QString& column) {
        const TField* field = FData.FindField(column);
        return field ? Caption(*field) : StockRuleCaption(column);
    });
}

QString TTableCheck::TotalProblem() const
{
    const TField* total = IsTable(LayoutTable) ? FData.FindField(QStringLiteral("Total")) : nullptr;
    if (!total || total->IsNull() || total->AsInteger() != 1)
        return QString();
    return LayoutTotalProblem(FData.FieldByName(CodeField)->AsString(), FData.FieldByName(QStringLiteral("FieldName"))->AsString(),
                              Caption(*total));
}

QString TTableCheck::ShopSyncProblem() const
{
    const TField* syncTime = IsTable(ShopTable) ? FData.FindField(QStringLiteral("SyncDate")) : nullptr;
    return syncTime ? SyncTimeProblem(Caption(*syncTime), syncTime->AsString()) : QString();
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
    QString problem = RowProblem(ReadFacts(false));
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
    password.SetAsString(PasswordHash(FData.FieldByName(CodeField)->AsString(), FTypedPassword));
    // Storing the hash is no typing.
    FPasswordTyped = false;
}

QString TTableCheck::PendingProblem()
{
    const TFacts facts = ReadFacts(true);
    QString problem;
    FData.ForEachRecord([&] {
        if (problem.isEmpty() && RecordChanged(FData))
            problem = RowProblem(facts);
    });
    return problem;
}
