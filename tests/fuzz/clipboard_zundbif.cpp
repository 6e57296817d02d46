// Fuzz target: the grid's binary clipboard format "ZUNDBIF". Any bytes
// either read as a whole block or raise the format error; never a crash, a
// hang or an allocation beyond what the data can hold. What reads must write
// back into a block that reads the same and writes the same bytes again.

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

QByteArray Write(const TZUNDBIFData& data)
{
    TZUNDBIFWriter writer;
    writer.WriteHeader(data.Columns);
    for (const std::vector<Variant>& row : data.Rows) {
        Require(row.size() == data.Columns.size());
        for (const Variant& cell : row)
            writer.WriteCell(cell);
    }
    writer.WriteEnd();
    return writer.Data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray block(reinterpret_cast<const char*>(data), qsizetype(size));
    TZUNDBIFData read;
    try {
        read = ReadZUNDBIF(block);
    } catch (const Exception&) {
        return 0;
    }
    const QByteArray once = Write(read);
    const TZUNDBIFData again = ReadZUNDBIF(once);
    Require(again.Rows.size() == read.Rows.size() && again.Columns.size() == read.Columns.size());
    Require(Write(again) == once);
    return 0;
}
