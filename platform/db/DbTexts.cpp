#include "platform/db/DbTexts.h"

#include <QStringList>
#include <utility>

namespace {

QString KindName(TValueKind kind)
{
    switch (kind) {
    case TValueKind::vkInteger: return QStringLiteral("整数");
    case TValueKind::vkNumber: return QStringLiteral("数字");
    case TValueKind::vkDateTime: return QStringLiteral("日期时间（如2024-06-01 12:00:00）");
    case TValueKind::vkDate: return QStringLiteral("日期（如2024-06-01）");
    case TValueKind::vkTime: return QStringLiteral("时间（如12:00:00）");
    case TValueKind::vkBoolean: return QStringLiteral("是或否");
    case TValueKind::vkText: return QStringLiteral("文字");
    case TValueKind::vkBinary: return QStringLiteral("文件内容");
    }
    return QString();
}

QString Field(const QString& field)
{
    return u'[' + field + u']';
}

} // namespace

QString NotAValueText(const QString& field, const QString& typed, TValueKind kind)
{
    const QString name = KindName(kind);
    // The example after a kind's name is not repeated in the second half.
    const QString shortName = name.section(QStringLiteral("（"), 0, 0);
    return Field(field) + QStringLiteral("只能填") + name + QStringLiteral("，“") + typed + QStringLiteral("”不是") + shortName
           + QStringLiteral("！");
}

QString OutOfRangeText(const QString& field, const QString& value, const QString& minimum, const QString& maximum)
{
    return Field(field) + QStringLiteral("的值“") + value + QStringLiteral("”超出范围，只能在") + minimum + QStringLiteral("到") + maximum
           + QStringLiteral("之间！");
}

QString RequiredText(const QString& field)
{
    return Field(field) + QStringLiteral("不能为空，请填写！");
}

QString RecordChangedText()
{
    return QStringLiteral("要保存的记录已被其他用户修改或删除，请刷新后重新修改！");
}

QString RecordNotUniqueText(const QString& table)
{
    return QStringLiteral("表“") + table + QStringLiteral("”中有多条相同的记录，无法确定要保存哪一条！");
}

QString ColumnCannotStoreText(const QString& column, const QString& value)
{
    return Field(column) + QStringLiteral("存不下“") + value + QStringLiteral("”！");
}

QString NoDatabaseText(const QString& setting)
{
    return setting.isEmpty() ? QStringLiteral("没有设置数据库文件！") : QStringLiteral("没有设置数据库文件，请填写") + setting + QStringLiteral("！");
}

QString DatabaseMissingText(const QString& file, const QString& setting)
{
    const QString missing = QStringLiteral("找不到数据库文件“") + file + QStringLiteral("”");
    return setting.isEmpty() ? missing + QStringLiteral("！") : missing + QStringLiteral("，请检查") + setting + QStringLiteral("！");
}

QString RecordNameText(const std::vector<std::pair<QString, QString>>& fieldValues)
{
    QStringList parts;
    for (const auto& [field, value] : fieldValues)
        parts << Field(field) + QStringLiteral("为“") + value + QStringLiteral("”");
    return parts.join(QStringLiteral("、"));
}

QString RecordRefusedText(const QString& record, const QString& reason)
{
    return record + QStringLiteral("的记录无法保存：") + reason + QStringLiteral("，请修改后再保存！");
}

QString DatabaseRefusalText(const QString& databaseText)
{
    static const std::pair<QString, QString> reasons[] = {
        {QStringLiteral("string right truncation"), QStringLiteral("文字超出了字段的长度")},
        {QStringLiteral("numeric value is out of range"), QStringLiteral("数值超出了字段的范围")},
        {QStringLiteral("numeric overflow"), QStringLiteral("数值超出了字段的范围")},
        {QStringLiteral("Integer overflow"), QStringLiteral("数值超出了字段的范围")},
        {QStringLiteral("Malformed string"), QStringLiteral("文字含有数据库不能保存的字符")},
        {QStringLiteral("conversion error from string"), QStringLiteral("值与字段的类型不符")},
        {QStringLiteral("validation error for column"), QStringLiteral("值不符合字段的要求")},
        {QStringLiteral("violation of PRIMARY or UNIQUE KEY"), QStringLiteral("与已有的记录重复")},
    };
    for (const auto& [words, reason] : reasons)
        if (databaseText.contains(words))
            return reason;
    return databaseText;
}
