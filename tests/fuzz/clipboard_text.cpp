// Fuzz target: the grid's text clipboard format. Any bytes either parse into
// rows of cells or raise the format error; never a crash or a hang. What
// parses must write back (GridTextRow, CR LF between rows) into text that
// parses into the very same cells. A row without cells (a blank line) never
// comes last.

#include "grid/DBGridMvImpExpCodecs.h"
#include "platform/Exceptions.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<QStringList> rows;
    try {
        rows = ParseGridText(text);
    } catch (const Exception&) {
        return 0;
    }
    Require(rows.empty() || !rows.back().isEmpty());
    QStringList lines;
    for (const QStringList& row : rows)
        lines << GridTextRow(row);
    Require(ParseGridText(lines.join(QStringLiteral("\r\n"))) == rows);
    return 0;
}
