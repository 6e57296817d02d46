#include "TqlStatement.h"

namespace sim {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + separator.size();
    }
}

} // namespace

const std::string* TStatement::Condition(const std::string& name) const
{
    for (const auto& [key, value] : Where)
        if (key == name)
            return &value;
    return nullptr;
}

std::optional<TStatement> ParseStatement(const std::string& ql, std::string& error)
{
    static const std::string select = "select ";
    static const std::string from = " from ";
    static const std::string where = " where ";
    if (ql.rfind(select, 0) != 0) {
        error = "only select statements are supported";
        return std::nullopt;
    }
    const size_t fromAt = ql.find(from, select.size());
    if (fromAt == std::string::npos) {
        error = "no from clause";
        return std::nullopt;
    }
    TStatement statement;
    for (const std::string& field : Split(ql.substr(select.size(), fromAt - select.size()), ",")) {
        const std::string name = Trimmed(field);
        if (name.empty() || name.find(' ') != std::string::npos) {
            error = "bad field list";
            return std::nullopt;
        }
        statement.Fields.push_back(name);
    }
    const size_t objectAt = fromAt + from.size();
    const size_t whereAt = ql.find(where, objectAt);
    statement.Object = Trimmed(ql.substr(objectAt, whereAt == std::string::npos ? std::string::npos : whereAt - objectAt));
    if (statement.Object.empty() || statement.Object.find(' ') != std::string::npos) {
        error = "bad object";
        return std::nullopt;
    }
    if (whereAt != std::string::npos) {
        for (const std::string& condition : Split(ql.substr(whereAt + where.size()), " and ")) {
            const size_t eq = condition.find('=');
            if (eq == std::string::npos) {
                error = "bad condition: " + condition;
                return std::nullopt;
            }
            const std::string name = Trimmed(condition.substr(0, eq));
            if (name.empty() || name.find(' ') != std::string::npos || statement.Condition(name)) {
                error = "bad condition: " + condition;
                return std::nullopt;
            }
            statement.Where.emplace_back(name, Trimmed(condition.substr(eq + 1)));
        }
    }
    return statement;
}

} // namespace sim
