#pragma once
// The grid's clipboard formats as plain functions over cells and bytes, apart
// from any grid or window, so that they can be tested and fuzzed alone:
// tab-separated text, CSV, an RTF table and the binary interchange format
// "ZUNDBIF". DBGridMvImpExp walks a grid's selection and feeds these.
//
// Text: cells are separated by TAB, rows by CR LF. A cell that holds a TAB,
// a line break or a double quote is written in double quotes with each quote
// doubled, so that reading the text back gives the same cells; the reader
// takes LF as well as CR LF and parses the whole text before anything uses it.
//
// ZUNDBIF, little-endian: "ZUNDBIF", version byte 1, a signed 32-bit column
// count N, per column a visible flag byte and a 0-terminated name, then N
// tagged cells per row and a 0 tag after the last row. Tags: 1 no value,
// 2 Null, 3 32-bit integer, 4 IEEE double, 5 text (32-bit length, UTF-8
// bytes), 6 binary (32-bit length, bytes). Other programs read this layout,
// so it never changes.

#include "platform/Variant.h"
#include "platform/db/DbTypes.h"

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

// ---- text and CSV

// The cell as the text format writes it (quoted only when it must be).
QString GridTextCell(const QString& Text);
// One row of the text format, without the line break. A row of one empty
// cell is written as "" so that it is not taken for no row at all.
QString GridTextRow(const QStringList& Cells);
// The cell as CSV writes it: always in double quotes, quotes doubled.
QString GridCsvCell(const QString& Text);
// The CSV separator.
constexpr QChar GridCsvSeparator = u';';

// Rows of cells from text; trailing NUL characters (a terminator) are
// ignored, a line break at the very end does not start a row, and empty text
// gives no rows. A blank line is a row without cells (it changes nothing
// where it is pasted); blank lines at the end give no rows. A CR that is not followed by LF outside quotes raises
// Exception "TDBGridMvImportAsText.CheckState: 无效的文本格式".
std::vector<QStringList> ParseGridText(const QString& Text);

// ---- RTF

struct TRtfFont {
    QString Name;
    double PointSize = 9; // never written below half a point
    bool Bold = false;
    bool Italic = false;
    bool StrikeOut = false;
    bool Underline = false;
    QRgb Color = 0;
};

struct TRtfCell {
    QString Text;
    TAlignment Alignment = taLeftJustify;
    TRtfFont Font;
    QRgb Background = 0xFFFFFFFF;
    // Right edge of the cell from the row's left, in twips.
    int RightEdge = 0;
    // Borders left out so that neighbouring cells look like one.
    bool NoLeft = false;
    bool NoTop = false;
    bool NoBottom = false;
    bool NoRight = false;
};

// A table written row by row; Document() gives the whole file.
class TRtfTableWriter {
public:
    // Flat grids space the paragraphs more tightly. The colour table starts
    // with black, white and the button face.
    TRtfTableWriter(bool Flat, QRgb ButtonFace);
    void WriteRow(const std::vector<TRtfCell>& Cells);
    QByteArray Document() const;

private:
    int ColorIndex(QRgb Color);
    int FontIndex(const QString& Name);

    bool FFlat;
    QList<QRgb> FColors;
    QStringList FFonts;
    QByteArray FBody;
};

// Text for an RTF body: backslash and braces escaped, TAB and line breaks as
// control words, every character outside ASCII as \uN with a '?' fallback.
QByteArray RtfEscaped(const QString& Text);
// Pixels on a canvas of Dpi dots per inch as twips, rounded.
int PixelsToTwips(int Pixels, int Dpi);

// ---- ZUNDBIF

constexpr char ZUNDBIFSignature[] = "ZUNDBIF";
constexpr quint8 ZUNDBIFVersion = 1;

enum TZUNDBIFTag : quint8 {
    ztEnd = 0,
    ztNoValue = 1,
    ztNull = 2,
    ztInteger = 3,
    ztFloat = 4,
    ztString = 5,
    ztBinary = 6
};

struct TZUNDBIFColumn {
    bool Visible = true;
    QByteArray Name;
};

class TZUNDBIFWriter {
public:
    void WriteHeader(const std::vector<TZUNDBIFColumn>& Columns);
    // Unassigned: no value; Null; Integer (32-bit; wider ones go as text);
    // Float; String as UTF-8 text; Bytes as binary; Boolean as an integer;
    // DateTime as its day number.
    void WriteCell(const Variant& Value);
    void WriteEnd();
    const QByteArray& Data() const { return FData; }

private:
    void WriteTagged(quint8 Tag, const QByteArray& Payload);
    QByteArray FData;
};

struct TZUNDBIFData {
    std::vector<TZUNDBIFColumn> Columns;
    bool NamesPresent = false;
    // Cells as read: Unassigned (no value), Null, Integer, Float, String,
    // Bytes.
    std::vector<std::vector<Variant>> Rows;
};

// Reads and checks the whole block: signature (any version), a count and lengths
// that fit in the data, known tags, whole rows and the end tag (bytes after
// it are padding). Anything else raises Exception
// "TDBGridMvImportAsZUNDBIF.ReadPrefix: 无效的 ZUNDBIF 格式".
TZUNDBIFData ReadZUNDBIF(const QByteArray& Data);

// Date and time as the day number the format carries (days since
// 1899-12-30, the time of day as the fraction) and back.
double DateTimeToDayNumber(const QDateTime& Value);
QDateTime DayNumberToDateTime(double Value);
