// The clipboard formats alone: text, CSV, RTF and ZUNDBIF over plain cells.

#include "RtfTextReader.h"
#include "grid/DBGridMvImpExpCodecs.h"
#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <QtEndian>

namespace {

// The message an expression raises, or "" when it raises nothing.
template <typename F>
QString MessageOf(F&& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

const QString TextError = QStringLiteral("TDBGridMvImportAsText.CheckState: 无效的文本格式");
const QString BinaryError = QStringLiteral("TDBGridMvImportAsZUNDBIF.ReadPrefix: 无效的 ZUNDBIF 格式");

QByteArray Header(qint32 Count)
{
    QByteArray b("ZUNDBIF\x01", 8);
    QByteArray n(4, '\0');
    qToLittleEndian(Count, n.data());
    b += n;
    for (qint32 i = 0; i < Count; ++i)
        b += QByteArray("\x01\x00", 2);
    return b;
}

QByteArray Len(qint32 Value)
{
    QByteArray n(4, '\0');
    qToLittleEndian(Value, n.data());
    return n;
}

} // namespace

TEST(ImpExpCodecs, TextAndCsvCellsAreQuotedToReadBackAsWritten)
{
    const std::vector<QStringList> rows = {
        {u"tab\there"_qs, u"two\r\nlines"_qs, u"say \"hi\""_qs},
        {u"lf\nonly"_qs, QString(), u"中文 😀"_qs},
        {u"\"lead"_qs, u"nul\u0000"_qs, u"plain"_qs},
    };
    QStringList lines;
    for (const QStringList& row : rows)
        lines << GridTextRow(row);
    const QString text = lines.join(u"\r\n"_qs);
    EXPECT_EQ(ParseGridText(text), rows);
    EXPECT_EQ(GridTextRow({u"a"_qs, u"b"_qs}), u"a\tb"_qs); // plain cells stay plain
    EXPECT_EQ(GridCsvCell(u"5\" screen; big"_qs), u"\"5\"\" screen; big\""_qs); // CSV quotes every cell
    EXPECT_EQ(GridCsvCell(QString()), u"\"\""_qs);
    // A lone empty cell is still a row.
    EXPECT_EQ(ParseGridText(GridTextRow({u"x"_qs}) + u"\r\n"_qs + GridTextRow({QString()})),
              (std::vector<QStringList>{{u"x"_qs}, {QString()}}));
}

TEST(ImpExpCodecs, TextReaderTakesBothLineEndsAndTheWholeText)
{
    const std::vector<QStringList> expected = {{u"a"_qs, u"b"_qs}, {u"c"_qs}};
    EXPECT_EQ(ParseGridText(u"a\tb\r\nc"_qs), expected);
    EXPECT_EQ(ParseGridText(u"a\tb\nc\n"_qs), expected);
    // A terminating NUL is not text; a NUL inside is, and what follows it is read.
    EXPECT_EQ(ParseGridText(QStringLiteral("a\tb\r\nc") + QChar(0)), expected);
    EXPECT_EQ(ParseGridText(QString(u"a\u0000b\tc"_qs)).front().front(), QString(u"a\u0000b"_qs));
    EXPECT_TRUE(ParseGridText(QString()).empty());
    EXPECT_TRUE(ParseGridText(QString(QChar(0))).empty());
    EXPECT_EQ(ParseGridText(u"\t\n"_qs), (std::vector<QStringList>{{QString(), QString()}}));
    // A blank line is a row without cells, none at the end.
    EXPECT_EQ(ParseGridText(u"a\r\n\r\nb\n\n\n"_qs), (std::vector<QStringList>{{u"a"_qs}, {}, {u"b"_qs}}));
    // An opening quote without its closing one is plain text.
    EXPECT_EQ(ParseGridText(u"\"open\tx"_qs), (std::vector<QStringList>{{u"\"open"_qs, u"x"_qs}}));
    EXPECT_EQ(MessageOf([] { ParseGridText(u"a\rb"_qs); }), TextError);
    EXPECT_EQ(MessageOf([] { ParseGridText(u"a\r"_qs); }), TextError);
    EXPECT_EQ(ParseGridText(u"\"a\rb\""_qs).front().front(), u"a\rb"_qs); // inside quotes a CR is text
}

TEST(ImpExpCodecs, RtfEscapesAndReadsBack)
{
    TRtfTableWriter writer(false, qRgb(240, 240, 240));
    TRtfCell a;
    a.Text = u"C:\\dir {x}\tend\r\nnext"_qs;
    a.RightEdge = PixelsToTwips(96, 96);
    a.Font.Name = u"文泉驿微米黑"_qs;
    a.Font.PointSize = -3; // a font given in pixels has no point size
    TRtfCell b = a;
    b.Text = u"中文 😀 ü"_qs;
    b.RightEdge = a.RightEdge + PixelsToTwips(50, 96);
    b.Alignment = taRightJustify;
    b.Font.PointSize = 10.5;
    b.Font.Bold = true;
    b.Background = qRgb(1, 2, 3);
    writer.WriteRow({a, b});
    const QByteArray rtf = writer.Document();

    EXPECT_TRUE(rtf.contains("\\cellx1440\r\n"));
    EXPECT_TRUE(rtf.contains("\\qr\\sb24\\sa24\\fs21\\b\\f0\\cf0\\cb3 "));
    EXPECT_TRUE(rtf.contains("\\red1\\green2\\blue3;"));
    EXPECT_TRUE(rtf.contains("\\u20013?\\u25991?")); // 中文
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?")); // 😀 as its two surrogates
    for (const char c : rtf)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);

    const TRtfReadResult read = ReadRtfTable(rtf);
    EXPECT_TRUE(read.Rtf1 && read.Balanced && read.FontSizesPositive);
    ASSERT_EQ(read.Rows.size(), 1u);
    EXPECT_EQ(read.Rows[0], (QStringList{u"C:\\dir {x}\tend\nnext"_qs, b.Text}));
}

TEST(ImpExpCodecs, ZUNDBIFLayout)
{
    TZUNDBIFWriter writer;
    writer.WriteHeader({{true, {}}, {false, {}}});
    writer.WriteCell(Variant(7));
    writer.WriteCell(Variant::Null());
    writer.WriteCell(Variant(u"文"_qs));
    writer.WriteCell(Variant(QByteArray("\x00\x01", 2)));
    writer.WriteEnd();
    const QByteArray expected = QByteArray("ZUNDBIF\x01\x02\x00\x00\x00\x01\x00\x00\x00", 16) +
                                QByteArray("\x03\x07\x00\x00\x00\x02", 6) + QByteArray("\x05\x03\x00\x00\x00", 5) +
                                QByteArray("文") + QByteArray("\x06\x02\x00\x00\x00\x00\x01\x00", 8);
    EXPECT_EQ(writer.Data(), expected); // 12 + 2 x 2 header bytes, tagged cells, one 0

    const TZUNDBIFData read = ReadZUNDBIF(writer.Data() + QByteArray(5, '\0')); // padding after the end
    ASSERT_EQ(read.Columns.size(), 2u);
    EXPECT_FALSE(read.Columns[1].Visible);
    EXPECT_FALSE(read.NamesPresent);
    ASSERT_EQ(read.Rows.size(), 2u);
    EXPECT_EQ(read.Rows[0][0], Variant(7));
    EXPECT_TRUE(read.Rows[0][1].IsNull());
    EXPECT_EQ(read.Rows[1][0], Variant(u"文"_qs));
    EXPECT_EQ(read.Rows[1][1].AsBytes(), QByteArray("\x00\x01", 2));

    // Wider integers, dates and floats.
    TZUNDBIFWriter more;
    more.WriteHeader({{true, "Name"}});
    more.WriteCell(Variant(qint64(1) << 40));
    more.WriteCell(Variant(QDateTime(QDate(2024, 2, 29), QTime(18, 0))));
    more.WriteCell(Variant());
    more.WriteEnd();
    const TZUNDBIFData wide = ReadZUNDBIF(more.Data());
    EXPECT_TRUE(wide.NamesPresent);
    EXPECT_EQ(wide.Rows[0][0], Variant(u"1099511627776"_qs));
    EXPECT_EQ(DayNumberToDateTime(wide.Rows[1][0].AsFloat()), QDateTime(QDate(2024, 2, 29), QTime(18, 0)));
    EXPECT_TRUE(wide.Rows[2][0].IsUnassigned());
    EXPECT_DOUBLE_EQ(DateTimeToDayNumber(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(DayNumberToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
}

TEST(ImpExpCodecs, ZUNDBIFReaderRefusesBadBlocks)
{
    const QByteArray one = Header(1);
    const QByteArray bad[] = {
        QByteArray("ZUNDBIF\x01\x00\x00\x00", 11),           // shorter than the header
        QByteArray("XUNDBIF\x01\x00\x00\x00\x00\x00", 13),   // other letters
        Header(0) + QByteArray("\x02", 1),                   // a cell without columns
        one.left(12) + QByteArray("\x01x", 2),                 // name without terminator
        one + QByteArray("\x07", 1),                         // unknown tag
        one + QByteArray("\x05", 1) + Len(-1),               // negative length
        one + QByteArray("\x06", 1) + Len(100) + "abc",      // longer than the data left
        one + QByteArray("\x03\x01\x00", 3),                 // short integer
        one + QByteArray("\x02", 1),                         // no end tag
        Header(2) + QByteArray("\x02\x00", 2),               // end inside a row
    };
    for (const QByteArray& block : bad)
        EXPECT_EQ(MessageOf([&] { ReadZUNDBIF(block); }), BinaryError) << block.toHex().toStdString();
    QByteArray huge = Header(0);
    qToLittleEndian(qint32(0x7fffffff), huge.data() + 8);
    EXPECT_EQ(MessageOf([&] { ReadZUNDBIF(huge + QByteArray(16, '\x01')); }), BinaryError);
    EXPECT_TRUE(ReadZUNDBIF(Header(0) + QByteArray(1, '\0')).Rows.empty());

    // A newer peer's version byte is no reason to refuse its cells.
    QByteArray newer = one + QByteArray("\x03\x2a\x00\x00\x00\x00", 6);
    newer[7] = '\x02';
    const TZUNDBIFData read = ReadZUNDBIF(newer);
    ASSERT_EQ(read.Rows.size(), 1u);
    EXPECT_EQ(read.Rows[0][0], Variant(42));
}
