#pragma once
// What the dataset framework tells the user, in one place: a value typed
// into a field that the field cannot take, a required field left empty, a
// change the database no longer finds, a database that cannot be opened.
// Each text names the field by its display label and says what is wrong
// with what was typed.

#include <QString>
#include <utility>
#include <vector>

// The kinds of value a field takes, as the texts name them.
enum class TValueKind { vkInteger, vkNumber, vkDateTime, vkDate, vkTime, vkBoolean, vkText, vkBinary };

// "[数量]只能填整数，“abc”不是整数！"
QString NotAValueText(const QString& field, const QString& typed, TValueKind kind);
// "[数量]的值“99999999999”超出范围，只能在-2147483648到2147483647之间！"
QString OutOfRangeText(const QString& field, const QString& value, const QString& minimum, const QString& maximum);
// "[店铺代码]不能为空，请填写！"
QString RequiredText(const QString& field);
// A changed or deleted record that the database no longer holds as it was read.
QString RecordChangedText();
// A record whose old values match more than one row of the table.
QString RecordNotUniqueText(const QString& table);
// A number the column of the table cannot store.
QString ColumnCannotStoreText(const QString& column, const QString& value);
// A connection that names no database, or a local database file that is not
// there; setting says where the name is set ("“KivSets.ini”中[Data]节的
// DataFile"), or is empty.
QString NoDatabaseText(const QString& setting);
QString DatabaseMissingText(const QString& file, const QString& setting);
// A record named by the values of its fields, "[店铺代码]为“S1”" (several
// joined by "、"): fieldValues holds each field's display label and value.
QString RecordNameText(const std::vector<std::pair<QString, QString>>& fieldValues);
// A record the database refused to write, named as RecordNameText names it,
// with the reason (DatabaseRefusalText): "[店铺代码]为“S1”的记录无法保存：与
// 已有的记录重复，请修改后再保存！"
QString RecordRefusedText(const QString& record, const QString& reason);
// Why the database refused to store a value, as the seller reads it: the
// reason in Chinese where the engine's words are known ("数值超出了字段的
// 范围"), else the engine's own words.
QString DatabaseRefusalText(const QString& databaseText);
