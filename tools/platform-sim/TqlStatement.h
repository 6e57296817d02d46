#pragma once
// The platform's query statements as the stand-in reads them:
//   select FIELD,FIELD from OBJECT [where NAME=VALUE and NAME=VALUE ...]
// Values are bare and may hold blanks (time stamps).

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

struct TStatement {
    std::vector<std::string> Fields;
    std::string Object;
    std::vector<std::pair<std::string, std::string>> Where;

    // The value of a condition, or null when the statement has none.
    const std::string* Condition(const std::string& name) const;
};

// The statement, or nothing with the reason in error.
std::optional<TStatement> ParseStatement(const std::string& ql, std::string& error);

} // namespace sim
