// Fuzz target: the filter row's expression language. The first byte picks
// the column's value kind and whether a comma is the decimal separator; the
// rest is the typed text (UTF-8). Besides never crashing or hanging, a text
// that parses must print to a text that parses back to the same expression,
// and printing that again must give the same text.

#include "grid/DbUtilsMv.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Puts the program's decimal separator back however the input ends.
class TSeparatorScope {
public:
    explicit TSeparatorScope(QChar separator) : FSaved(FormatSettings.DecimalSeparator)
    {
        FormatSettings.DecimalSeparator = separator;
    }
    ~TSeparatorScope() { FormatSettings.DecimalSeparator = FSaved; }
    TSeparatorScope(const TSeparatorScope&) = delete;
    TSeparatorScope& operator=(const TSeparatorScope&) = delete;

private:
    QChar FSaved;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const TSeparatorScope separator(data[0] & 0x08 ? u',' : u'.');
    TSTFilterExpressionMv parsed;
    parsed.ExpressionType = TSTFilterValueKindMv(data[0] % 5);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        ParseSTFilterText(text, parsed);
    } catch (const Exception&) {
        return 0;
    }
    const QString printed = STFilterExpressionText(parsed);
    TSTFilterExpressionMv again;
    again.ExpressionType = parsed.ExpressionType;
    ParseSTFilterText(printed, again);
    Require(SameSTFilterExpression(parsed, again));
    Require(STFilterExpressionText(again) == printed);
    return 0;
}
