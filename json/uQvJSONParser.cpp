// The JSON text parser: recursive descent over the UTF-8 bytes in place.
//
// It is lenient in a few fixed ways that the platform's replies and older
// callers rely on: elements and members need no separating comma, a trailing
// comma before ']' or '}' is accepted, and whatever follows the first complete
// value is ignored. Anything else that does not fit fails the whole parse:
// a failed element can never be followed by the closing bracket, so there is
// no partial tree to hand back.

#include "json/uQvJSON.h"
#include "platform/HexDigit.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>

namespace {

// Every byte below 33 (blank, tab, CR, LF and the other control characters)
// separates tokens.
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) < 33;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

static_assert(std::endian::native == std::endian::little, "the byte scan reads words little-endian");

// The first '"' or '\\' from p on, or end. Eight bytes at a time: a byte of
// the word equals c where (x - 0x01..) & ~x & 0x80.. has its lowest set bit,
// x being the word exclusive-or c in every byte.
const char* FindQuoteOrBackslash(const char* p, const char* end)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t quotes = word ^ (ones * '"');
        const std::uint64_t backslashes = word ^ (ones * '\\');
        const std::uint64_t found = (((quotes - ones) & ~quotes) | ((backslashes - ones) & ~backslashes)) & highs;
        if (found)
            return p + (std::countr_zero(found) >> 3);
        p += 8;
    }
    while (p != end && *p != '"' && *p != '\\')
        ++p;
    return p;
}

// Four hexadecimal digits at text, or -1.
int ReadHex4(const char* text)
{
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

void EncodeUtf8(char32_t code, std::string& out)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// A number whose digits do not fit a double: strtod in the C locale tells an
// overflow (infinity) from an underflow (zero or a denormal); the user's
// decimal separator never matters.
bool ReadOutOfRange(const char* first, const char* last, double& value)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    if (!cLocale)
        return false;
    const std::string text(first, last);
    value = strtod_l(text.c_str(), nullptr, cLocale);
    return std::isfinite(value);
}

// UTF-8 to text. An invalid sequence becomes U+FFFD; a byte-order mark at the
// start of a string stays the character U+FEFF (QString::fromUtf8 drops it).
QString DecodeUtf8(const char* text, qsizetype size)
{
    const bool ascii = std::all_of(text, text + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return QString::fromLatin1(text, size);
    QString decoded = QString::fromUtf8(text, size);
    if (size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        decoded.prepend(QChar(0xFEFF));
    return decoded;
}

// Member names repeat from element to element of a reply ("num_iid",
// "title", ...), and so do short values ("normal", "0.00", status words):
// the last text seen per slot is shared instead of decoded and allocated
// again. A slot remembers where in the parsed text its bytes stood.
class TTextCache {
public:
    QString Text(const char* text, qsizetype size, qsizetype limit)
    {
        if (size > limit)
            return DecodeUtf8(text, size);
        quint32 hash = 2166136261u;
        for (qsizetype i = 0; i < size; ++i)
            hash = (hash ^ static_cast<unsigned char>(text[i])) * 16777619u;
        TSlot& slot = FSlots[hash % FSlots.size()];
        if (slot.Bytes && slot.Size == size && std::memcmp(slot.Bytes, text, size_t(size)) == 0)
            return slot.Text;
        slot.Bytes = text;
        slot.Size = size;
        slot.Text = DecodeUtf8(text, size);
        return slot.Text;
    }

private:
    struct TSlot {
        const char* Bytes = nullptr;
        qsizetype Size = 0;
        QString Text;
    };
    std::array<TSlot, 128> FSlots;
};

class TqvJSONparser {
public:
    explicit TqvJSONparser(QByteArrayView text) : FPos(text.data()), FEnd(text.data() + text.size()) {}

    std::unique_ptr<TqvJSONbase> ParseRoot()
    {
        static constexpr char bom[] = "\xEF\xBB\xBF";
        if (FEnd - FPos >= 3 && std::memcmp(FPos, bom, 3) == 0)
            FPos += 3;
        return ParseValue();
    }

private:
    using TValue = std::unique_ptr<TqvJSONbase>;

    void SkipBlanks()
    {
        while (FPos != FEnd && IsBlank(*FPos))
            ++FPos;
    }

    bool At(char c) const { return FPos != FEnd && *FPos == c; }

    bool Match(const char* word, size_t size)
    {
        if (size_t(FEnd - FPos) < size || std::memcmp(FPos, word, size) != 0)
            return false;
        FPos += size;
        return true;
    }

    // Dispatches on the first byte: each kind of value has its own, so this
    // takes the same reader as trying boolean, null, number, string, list
    // and object in turn.
    TValue ParseValue()
    {
        SkipBlanks();
        if (FPos == FEnd)
            return nullptr;
        switch (*FPos) {
        case 't':
            return Match("true", 4) ? std::make_unique<TqvJSONboolean>(true) : nullptr;
        case 'f':
            return Match("false", 5) ? std::make_unique<TqvJSONboolean>(false) : nullptr;
        case 'n':
            return Match("null", 4) ? std::make_unique<TqvJSONnull>() : nullptr;
        case '"': {
            QString text;
            if (!ParseString(text, false))
                return nullptr;
            return std::make_unique<TqvJSONstring>(std::move(text));
        }
        case '[':
            return ParseList();
        case '{':
            return ParseObject();
        default:
            return ParseNumber();
        }
    }

    // An optional sign, digits, optionally '.' and digits, optionally 'e' or
    // 'E', an optional sign and digits. Leading zeros are accepted.
    TValue ParseNumber()
    {
        const char* first = FPos;
        const char* p = FPos;
        auto digits = [&] {
            const char* start = p;
            while (p != FEnd && IsDigit(*p))
                ++p;
            return p != start;
        };
        if (p != FEnd && (*p == '+' || *p == '-'))
            ++p;
        if (!digits())
            return nullptr;
        if (p != FEnd && *p == '.') {
            ++p;
            if (!digits())
                return nullptr;
        }
        if (p != FEnd && (*p == 'e' || *p == 'E')) {
            ++p;
            if (p != FEnd && (*p == '+' || *p == '-'))
                ++p;
            if (!digits())
                return nullptr;
        }
        // from_chars reads the '.' form whatever the locale, but takes no '+'.
        const char* fromChars = *first == '+' ? first + 1 : first;
        double value = 0;
        const auto [end, error] = std::from_chars(fromChars, p, value);
        if (error == std::errc::result_out_of_range) {
            if (!ReadOutOfRange(first, p, value))
                return nullptr;
        } else if (error != std::errc() || end != p) {
            return nullptr;
        }
        FPos = p;
        return std::make_unique<TqvJSONnumber>(value, std::string(first, p));
    }

    // A quoted text; the closing quote is the first one not preceded by a
    // backslash that is itself unescaped. Control characters inside are kept.
    bool ParseString(QString& text, bool isName)
    {
        if (!At('"'))
            return false;
        const char* content = FPos + 1;
        const char* quote = content;
        bool escaped = false;
        for (;;) {
            quote = FindQuoteOrBackslash(quote, FEnd);
            if (quote == FEnd)
                return false;
            if (*quote == '"')
                break;
            if (FEnd - quote < 2)
                return false;
            escaped = true;
            quote += 2; // the escaped character is skipped, a quote too
        }
        const qsizetype size = quote - content;
        if (escaped) {
            if (!UnescapeString(content, quote, text))
                return false;
        } else {
            text = FTexts.Text(content, size, isName ? MaxCachedName : MaxCachedValue);
        }
        FPos = quote + 1;
        return true;
    }

    // Resolves the escapes of a string's content. \uXXXX gives the real
    // character: a surrogate pair one character, a lone surrogate U+FFFD. A
    // \u without four hexadecimal digits fails the parse; a backslash before
    // any other character drops both.
    bool UnescapeString(const char* p, const char* end, QString& text)
    {
        FScratch.clear();
        while (p != end) {
            auto* backslash = static_cast<const char*>(std::memchr(p, '\\', size_t(end - p)));
            if (!backslash) {
                FScratch.append(p, end);
                break;
            }
            FScratch.append(p, backslash);
            p = backslash + 1; // the closing-quote scan guarantees a character here
            const char c = *p++;
            switch (c) {
            case 'n':
                FScratch += '\n';
                break;
            case 'r':
                FScratch += '\r';
                break;
            case 't':
                FScratch += '\t';
                break;
            case 'b':
                FScratch += '\b';
                break;
            case 'f':
                FScratch += '\f';
                break;
            case '\\':
            case '"':
            case '\'':
            case '/':
                FScratch += c;
                break;
            case 'u':
                if (!UnescapeUnicode(p, end))
                    return false;
                break;
            default:
                // The whole character goes, not just its first UTF-8 byte.
                while (p != end && (static_cast<unsigned char>(*p) & 0xC0) == 0x80)
                    ++p;
                break;
            }
        }
        text = DecodeUtf8(FScratch.data(), qsizetype(FScratch.size()));
        return true;
    }

    // p stands after "\u"; moves it past the escape (or the pair of them).
    bool UnescapeUnicode(const char*& p, const char* end)
    {
        if (end - p < 4)
            return false;
        const int code = ReadHex4(p);
        if (code < 0)
            return false;
        p += 4;
        constexpr char32_t replacement = 0xFFFD;
        if (code >= 0xDC00 && code <= 0xDFFF) {
            EncodeUtf8(replacement, FScratch);
        } else if (code >= 0xD800 && code <= 0xDBFF) {
            const int low = end - p >= 6 && p[0] == '\\' && p[1] == 'u' ? ReadHex4(p + 2) : -1;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                EncodeUtf8(0x10000 + ((char32_t(code) - 0xD800) << 10) + (char32_t(low) - 0xDC00), FScratch);
                p += 6;
            } else {
                EncodeUtf8(replacement, FScratch); // what follows is read on its own
            }
        } else {
            EncodeUtf8(char32_t(code), FScratch);
        }
        return true;
    }

    bool Enter() { return ++FDepth <= TqvJSON::MaxDepth; }

    // '[' then values; a ',' between them is optional, one before ']' is
    // accepted, one right after '[' is not.
    TValue ParseList()
    {
        const size_t mark = FValues.size();
        if (!Enter())
            return nullptr;
        ++FPos; // '['
        SkipBlanks();
        while (!At(']')) {
            TValue value = ParseValue();
            if (!value)
                return nullptr;
            FValues.push_back(std::move(value));
            SkipBlanks();
            if (At(',')) {
                ++FPos;
                SkipBlanks();
            }
        }
        ++FPos; // ']'
        --FDepth;
        std::vector<TValue> elements(std::make_move_iterator(FValues.begin() + ptrdiff_t(mark)),
                                     std::make_move_iterator(FValues.end()));
        FValues.resize(mark);
        return std::make_unique<TqvJSONlist>(std::move(elements));
    }

    // '{' then members as in ParseList; each member is a quoted name, ':' and
    // a value.
    TValue ParseObject()
    {
        const size_t mark = FMembers.size();
        if (!Enter())
            return nullptr;
        ++FPos; // '{'
        SkipBlanks();
        while (!At('}')) {
            if (!ParsePair())
                return nullptr;
            SkipBlanks();
            if (At(',')) {
                ++FPos;
                SkipBlanks();
            }
        }
        ++FPos; // '}'
        --FDepth;
        std::vector<TqvJSONobjectmethod> members(std::make_move_iterator(FMembers.begin() + ptrdiff_t(mark)),
                                                 std::make_move_iterator(FMembers.end()));
        FMembers.erase(FMembers.begin() + ptrdiff_t(mark), FMembers.end());
        return std::make_unique<TqvJSONobject>(std::move(members), true);
    }

    bool ParsePair()
    {
        QString name;
        if (!ParseString(name, true))
            return false;
        SkipBlanks();
        if (!At(':'))
            return false;
        ++FPos;
        TValue value = ParseValue();
        if (!value)
            return false;
        FMembers.emplace_back(std::move(name), std::move(value));
        return true;
    }

    const char* FPos;
    const char* const FEnd;
    int FDepth = 0;
    // Elements and members of the lists and objects still open, innermost
    // last: each container takes exactly its own when it closes.
    std::vector<TValue> FValues;
    std::vector<TqvJSONobjectmethod> FMembers;
    std::string FScratch;
    static constexpr qsizetype MaxCachedName = 64;
    static constexpr qsizetype MaxCachedValue = 24;
    TTextCache FTexts;
};

} // namespace

std::unique_ptr<TqvJSONbase> TqvJSON::ParseText(QByteArrayView text) noexcept
{
    try {
        // Counts and indexes are ints: a text beyond 2 GB is refused whole.
        if (text.isEmpty() || text.size() > std::numeric_limits<int>::max())
            return nullptr;
        TqvJSONparser parser(text);
        return parser.ParseRoot();
    } catch (...) {
        // Out of memory (or anything else) is a failed parse, never a crash.
        return nullptr;
    }
}
