#include "grid/DBGridMvImpExpCodecs.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"

#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

// ================================================================ text and CSV

QString GridTextCell(const QString& Text)
{
    for (const QChar c : Text)
        if (c == u'\t' || c == u'\r' || c == u'\n' || c == u'"' || c == QChar(0))
            return GridCsvCell(Text);
    return Text;
}

QString GridTextRow(const QStringList& Cells)
{
    if (Cells.size() == 1 && Cells.front().isEmpty())
        return QStringLiteral("\"\"");
    QString row;
    for (qsizetype i = 0; i < Cells.size(); ++i) {
        if (i > 0)
            row += u'\t';
        row += GridTextCell(Cells[i]);
    }
    return row;
}

QString GridCsvCell(const QString& Text)
{
    QString quoted = Text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

namespace {

[[noreturn]] void TextFormatError()
{
    throw Exception(QStringLiteral("TDBGridMvImportAsText.CheckState: ") + QStringLiteral("无效的文本格式"));
}

bool EndsCell(QChar c)
{
    return c == u'\t' || c == u'\r' || c == u'\n';
}

// A quoted cell from Pos (at the opening quote) to its closing quote; any
// text after the closing quote up to the cell's end belongs to the cell as it
// stands. False (Pos unchanged) when no closing quote follows: the cell is
// then plain text that happens to start with a quote.
bool ReadQuotedCell(const QString& Text, qsizetype& Pos, QString& Cell)
{
    QString value;
    qsizetype i = Pos + 1;
    const qsizetype n = Text.size();
    for (;;) {
        if (i >= n)
            return false;
        if (Text[i] == u'"') {
            if (i + 1 < n && Text[i + 1] == u'"') {
                value += u'"';
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        value += Text[i++];
    }
    while (i < n && !EndsCell(Text[i]))
        value += Text[i++];
    Cell = value;
    Pos = i;
    return true;
}

} // namespace

std::vector<QStringList> ParseGridText(const QString& Text)
{
    qsizetype n = Text.size();
    while (n > 0 && Text[n - 1] == QChar(0))
        --n;
    std::vector<QStringList> rows;
    if (n == 0)
        return rows;
    const QString text = Text.left(n);
    qsizetype pos = 0;
    QStringList row;
    // Every pass reads one cell and the character that ends it, so the
    // position always moves on.
    for (;;) {
        QString cell;
        const bool quoted = pos < n && text[pos] == u'"' && ReadQuotedCell(text, pos, cell);
        if (!quoted) {
            const qsizetype start = pos;
            while (pos < n && !EndsCell(text[pos]))
                ++pos;
            cell = text.mid(start, pos - start);
        }
        // A blank line is a row without cells; a single empty cell is
        // written quoted.
        const bool blankLine = !quoted && cell.isEmpty() && row.isEmpty() && (pos >= n || text[pos] != u'\t');
        if (!blankLine)
            row.append(cell);
        if (pos >= n) {
            rows.push_back(row);
            break;
        }
        const QChar end = text[pos++];
        if (end == u'\t')
            continue;
        if (end == u'\r') {
            if (pos >= n || text[pos] != u'\n')
                TextFormatError();
            ++pos;
        }
        rows.push_back(row);
        row.clear();
        if (pos >= n)
            break;
    }
    // Blank lines at the end are no rows: they would change nothing, and
    // text written from rows cannot end in one.
    while (!rows.empty() && rows.back().isEmpty())
        rows.pop_back();
    return rows;
}

// ================================================================ RTF

namespace {

void AppendNumber(QByteArray& Out, long long Value)
{
    Out += QByteArray::number(Value);
}

QByteArray Word(const char* Name, long long Value)
{
    return QByteArray(Name) + QByteArray::number(Value);
}

} // namespace

QByteArray RtfEscaped(const QString& Text)
{
    QByteArray out;
    out.reserve(Text.size());
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = Text[i].unicode();
        switch (c) {
        case u'\\': out += "\\\\"; break;
        case u'{': out += "\\{"; break;
        case u'}': out += "\\}"; break;
        case u'\t': out += "\\tab "; break;
        case u'\r':
            if (i + 1 < n && Text[i + 1] == u'\n')
                break;
            out += "\\line ";
            break;
        case u'\n': out += "\\line "; break;
        default:
            if (c < 0x20) {
                // Other control characters have no place in a cell's text.
            } else if (c < 0x80) {
                out += char(c);
            } else {
                // A signed 16-bit UTF-16 unit; characters beyond the basic
                // plane go as their two surrogates. Readers without Unicode
                // show the '?' after each.
                out += "\\u";
                AppendNumber(out, qint16(c));
                out += '?';
            }
        }
    }
    return out;
}

int PixelsToTwips(int Pixels, int Dpi)
{
    if (Dpi <= 0)
        Dpi = 96;
    return int(std::lround(double(Pixels) / Dpi * 1440.0));
}

TRtfTableWriter::TRtfTableWriter(bool Flat, QRgb ButtonFace) : FFlat(Flat)
{
    FColors = {qRgb(0, 0, 0), qRgb(255, 255, 255), ButtonFace | 0xFF000000u};
}

int TRtfTableWriter::ColorIndex(QRgb Color)
{
    Color |= 0xFF000000u;
    const qsizetype i = FColors.indexOf(Color);
    if (i >= 0)
        return int(i);
    FColors.append(Color);
    return int(FColors.size() - 1);
}

int TRtfTableWriter::FontIndex(const QString& Name)
{
    const qsizetype i = FFonts.indexOf(Name);
    if (i >= 0)
        return int(i);
    FFonts.append(Name);
    return int(FFonts.size() - 1);
}

void TRtfTableWriter::WriteRow(const std::vector<TRtfCell>& Cells)
{
    QByteArray& b = FBody;
    b += "\\trowd\\trgaph40\r\n";
    for (const TRtfCell& cell : Cells) {
        const std::pair<const char*, bool> borders[] = {
            {"\\clbrdrl", cell.NoLeft}, {"\\clbrdrt", cell.NoTop}, {"\\clbrdrb", cell.NoBottom}, {"\\clbrdrr", cell.NoRight}};
        for (const auto& [word, omitted] : borders)
            if (!omitted)
                b += QByteArray(word) + "\\brdrs\\brdrcf0\r\n";
        b += Word("\\clshdng10000\\clcfpat", ColorIndex(cell.Background));
        b += Word("\\cellx", cell.RightEdge) + "\r\n";
    }
    b += "{\\trrh0\r\n";
    const char* spacing = FFlat ? "12" : "24";
    for (const TRtfCell& cell : Cells) {
        const char* align = cell.Alignment == taRightJustify ? "\\qr" : cell.Alignment == taCenter ? "\\qc" : "\\ql";
        b += QByteArray("\\pard\\intbl{") + align + "\\sb" + spacing + "\\sa" + spacing;
        const TRtfFont& font = cell.Font;
        b += Word("\\fs", std::max(1L, std::lround(font.PointSize * 2)));
        if (font.Bold)
            b += "\\b";
        if (font.Italic)
            b += "\\i";
        if (font.StrikeOut)
            b += "\\strike";
        if (font.Underline)
            b += "\\ul";
        b += Word("\\f", FontIndex(font.Name));
        b += Word("\\cf", ColorIndex(font.Color));
        b += Word("\\cb", ColorIndex(cell.Background));
        b += ' ';
        b += RtfEscaped(cell.Text);
        b += "\\cell}\r\n";
    }
    b += "\\pard\\intbl\\row}\r\n";
}

QByteArray TRtfTableWriter::Document() const
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n";
    out += "{\\fonttbl";
    for (qsizetype i = 0; i < FFonts.size(); ++i)
        out += Word("{\\f", i) + "\\fnil " + RtfEscaped(FFonts[i]) + ";}";
    out += "}\r\n{\\colortbl";
    for (const QRgb color : FColors)
        out += Word("\\red", qRed(color)) + Word("\\green", qGreen(color)) + Word("\\blue", qBlue(color)) + ';';
    out += "}\r\n";
    out += FBody;
    out += '}';
    return out;
}

// ================================================================ ZUNDBIF

namespace {

QByteArray LittleEndian32(qint32 Value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(Value, bytes.data());
    return bytes;
}

[[noreturn]] void ZUNDBIFError()
{
    throw Exception(QStringLiteral("TDBGridMvImportAsZUNDBIF.ReadPrefix: ") + QStringLiteral("无效的 ZUNDBIF 格式"));
}

// Reads the block front to back; every read checks what is left first.
class TZUNDBIFReader {
public:
    explicit TZUNDBIFReader(const QByteArray& Data) : FData(Data) {}

    qsizetype Left() const { return FData.size() - FPos; }
    const char* Take(qsizetype Count)
    {
        if (Count < 0 || Count > Left())
            ZUNDBIFError();
        const char* p = FData.constData() + FPos;
        FPos += Count;
        return p;
    }
    quint8 Byte() { return quint8(*Take(1)); }
    qint32 Int32() { return qFromLittleEndian<qint32>(Take(4)); }
    QByteArray Bytes(qsizetype Count)
    {
        const char* p = Take(Count);
        return QByteArray(p, Count);
    }
    QByteArray NameUntilZero()
    {
        const qsizetype end = FData.indexOf('\0', FPos);
        if (end < 0)
            ZUNDBIFError();
        QByteArray name = FData.mid(FPos, end - FPos);
        FPos = end + 1;
        return name;
    }

private:
    const QByteArray& FData;
    qsizetype FPos = 0;
};

// One cell; the end tag gives false.
bool ReadCell(TZUNDBIFReader& In, Variant& Value)
{
    switch (In.Byte()) {
    case ztEnd: return false;
    case ztNoValue: Value = Variant(); break;
    case ztNull: Value = Variant::Null(); break;
    case ztInteger: Value = Variant(int(In.Int32())); break;
    case ztFloat: {
        const quint64 bits = qFromLittleEndian<quint64>(In.Take(8));
        double d = 0;
        static_assert(sizeof d == sizeof bits);
        std::memcpy(&d, &bits, sizeof d);
        Value = Variant(d);
        break;
    }
    case ztString: Value = Variant(QString::fromUtf8(In.Bytes(In.Int32()))); break;
    case ztBinary: Value = Variant(In.Bytes(In.Int32())); break;
    default: ZUNDBIFError();
    }
    return true;
}

} // namespace

void TZUNDBIFWriter::WriteHeader(const std::vector<TZUNDBIFColumn>& Columns)
{
    FData.append(ZUNDBIFSignature, 7);
    FData.append(char(ZUNDBIFVersion));
    FData += LittleEndian32(qint32(Columns.size()));
    for (const TZUNDBIFColumn& column : Columns) {
        FData.append(char(column.Visible ? 1 : 0));
        // A name ends at its first 0 byte, as readers take it.
        const qsizetype end = column.Name.indexOf('\0');
        FData += end >= 0 ? column.Name.left(end) : column.Name;
        FData.append('\0');
    }
}

void TZUNDBIFWriter::WriteTagged(quint8 Tag, const QByteArray& Payload)
{
    FData.append(char(Tag));
    FData += LittleEndian32(qint32(Payload.size()));
    FData += Payload;
}

void TZUNDBIFWriter::WriteCell(const Variant& Value)
{
    switch (Value.GetKind()) {
    case Variant::Kind::Unassigned: FData.append(char(ztNoValue)); return;
    case Variant::Kind::Null: FData.append(char(ztNull)); return;
    case Variant::Kind::Boolean:
    case Variant::Kind::Integer: {
        const qint64 v = Value.AsInteger();
        if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) {
            WriteTagged(ztString, QByteArray::number(v));
            return;
        }
        FData.append(char(ztInteger));
        FData += LittleEndian32(qint32(v));
        return;
    }
    case Variant::Kind::DateTime:
    case Variant::Kind::Float: {
        const double d = Value.GetKind() == Variant::Kind::Float ? Value.AsFloat()
                                                                  : DateTimeToDayNumber(Value.AsDateTime());
        quint64 bits = 0;
        std::memcpy(&bits, &d, sizeof d);
        QByteArray bytes(8, '\0');
        qToLittleEndian(bits, bytes.data());
        FData.append(char(ztFloat));
        FData += bytes;
        return;
    }
    case Variant::Kind::Bytes: WriteTagged(ztBinary, Value.AsBytes()); return;
    case Variant::Kind::String:
    case Variant::Kind::Array: WriteTagged(ztString, Value.AsString().toUtf8()); return;
    }
}

void TZUNDBIFWriter::WriteEnd()
{
    FData.append(char(ztEnd));
}

TZUNDBIFData ReadZUNDBIF(const QByteArray& Data)
{
    TZUNDBIFReader in(Data);
    TZUNDBIFData result;
    if (in.Left() < 12 || std::memcmp(in.Take(7), ZUNDBIFSignature, 7) != 0)
        ZUNDBIFError();
    // The version byte is not checked: a block that a newer peer wrote is
    // read as far as its cells are ones this reader knows.
    (void)in.Byte();
    const qint32 count = in.Int32();
    // Each column entry takes at least its flag and its terminator.
    if (count < 0 || count > in.Left() / 2)
        ZUNDBIFError();
    result.Columns.reserve(size_t(count));
    for (qint32 i = 0; i < count; ++i) {
        TZUNDBIFColumn column;
        column.Visible = in.Byte() != 0;
        column.Name = in.NameUntilZero();
        result.NamesPresent = result.NamesPresent || !column.Name.isEmpty();
        result.Columns.push_back(std::move(column));
    }
    // Every cell takes at least its tag byte, so each row moves on through
    // the data; the end tag may only stand where a row begins.
    for (;;) {
        std::vector<Variant> row;
        row.reserve(size_t(count));
        Variant value;
        if (!ReadCell(in, value))
            break;
        if (count == 0)
            ZUNDBIFError();
        row.push_back(value);
        for (qint32 i = 1; i < count; ++i) {
            if (!ReadCell(in, value))
                ZUNDBIFError();
            row.push_back(value);
        }
        result.Rows.push_back(std::move(row));
    }
    return result;
}

double DateTimeToDayNumber(const QDateTime& Value)
{
    if (!Value.isValid())
        return 0;
    const qint64 days = NullDate().daysTo(Value.date());
    const double fraction = Value.time().msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime DayNumberToDateTime(double Value)
{
    // Far outside any calendar a database keeps: no date.
    if (!std::isfinite(Value) || std::fabs(Value) > 3.0e6)
        return {};
    const double whole = std::trunc(Value);
    const qint64 ms = std::min<qint64>(std::llround(std::fabs(Value - whole) * 86400000.0), 86399999);
    return QDateTime(NullDate().addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}
