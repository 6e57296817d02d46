#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "support/TestSupport.h"

#include <cmath>
#include <limits>

TEST(FormatFloat, DisplayFormatsOfTheGrids)
{
    EXPECT_EQ(FormatFloat(u"#"_qs, 0), QString());
    EXPECT_EQ(FormatFloat(u"#"_qs, 12), u"12"_qs);
    EXPECT_EQ(FormatFloat(u"#"_qs, -3), u"-3"_qs);
    EXPECT_EQ(FormatFloat(u"#行"_qs, 5), u"5行"_qs);
    EXPECT_EQ(FormatFloat(u"#行"_qs, 0), u"行"_qs);
    EXPECT_EQ(FormatFloat(u"0.00"_qs, 2.675), u"2.68"_qs);
    EXPECT_EQ(FormatFloat(u"0.00"_qs, -0.001), u"0.00"_qs);
    EXPECT_EQ(FormatFloat(u"0.##"_qs, 1.5), u"1.5"_qs);
    EXPECT_EQ(FormatFloat(u"#,##0"_qs, 1234567.8), u"1,234,568"_qs);
    EXPECT_EQ(FormatFloat(u"#,##0.00"_qs, -1234.5), u"-1,234.50"_qs);
    EXPECT_EQ(FormatFloat(u"#,##0"_qs, 999.5), u"1,000"_qs);
    EXPECT_EQ(FormatFloat(u"000"_qs, 7), u"007"_qs);
    EXPECT_EQ(FormatFloat(u"'¥'0.00\" 元\""_qs, 3), u"¥3.00 元"_qs);
    EXPECT_EQ(FormatFloat(u"0;(0);零"_qs, -4), u"(4)"_qs);
    EXPECT_EQ(FormatFloat(u"0;(0);零"_qs, 0), u"零"_qs);
    EXPECT_EQ(FormatFloat(u"0.00E+00"_qs, 12345), u"1.23E+04"_qs);
    EXPECT_EQ(FormatFloat(u"0.0E-0"_qs, 0.00012), u"1.2E-4"_qs);
    EXPECT_EQ(FormatFloat(QString(), 0.5), u"0.5"_qs);
}

TEST(FloatToStr, FifteenSignificantDigitsCurrencyAndPrecision)
{
    EXPECT_EQ(FloatToStr(0.1 + 0.2), u"0.3"_qs);
    EXPECT_EQ(FloatToStr(100), u"100"_qs);
    EXPECT_EQ(FloatToStr(-123.456), u"-123.456"_qs);
    EXPECT_EQ(FloatToStr(1e20), u"1E20"_qs);
    EXPECT_EQ(FloatToStr(1.5e-7), u"1.5E-7"_qs);
    EXPECT_EQ(FloatToStr(123456789012345), u"123456789012345"_qs);
    // The extremes read back: rounding up would overflow.
    for (const double extreme : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min()}) {
        const double back = StrToFloat(FloatToStr(extreme));
        EXPECT_TRUE(std::isfinite(back) && std::abs(back - extreme) <= std::abs(extreme) * 1e-14) << FloatToStr(extreme).toStdString();
    }
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::max()), u"1.79769313486231E308"_qs);
    EXPECT_EQ(FloatToStrCurrency(1234567.891, 2), u"¥1,234,567.89"_qs);
    EXPECT_EQ(FloatToStrCurrency(-5.5, 2), u"¥-5.50"_qs);
    EXPECT_EQ(FloatToStrCurrency(-0.001, 2), u"¥0.00"_qs) << "no sign on a value that rounds to zero";
    EXPECT_EQ(FloatToStrGeneral(3.14159265, 4), u"3.142"_qs);
}

TEST(FormatDateTime, ProgramFormats)
{
    const QDateTime t(QDate(2024, 3, 5), QTime(7, 8, 9, 45));
    EXPECT_EQ(FormatDateTime(u"yyyy-mm-dd hh:nn:ss"_qs, t), u"2024-03-05 07:08:09"_qs);
    EXPECT_EQ(FormatDateTime(u"hh:mm"_qs, t), u"07:08"_qs);
    EXPECT_EQ(FormatDateTime(u"yy/m/d zzz"_qs, t), u"24-3-5 045"_qs);
    EXPECT_EQ(FormatDateTime(u"'d' d \"日\""_qs, t), u"d 5 日"_qs);
    EXPECT_EQ(DateTimeToStr(t), u"2024-03-05 07:08:09"_qs);
    EXPECT_EQ(DateTimeToStr(QDateTime(QDate(2024, 3, 5), QTime(0, 0))), u"2024-03-05"_qs);
    EXPECT_EQ(TimeToStr(t), u"07:08:09"_qs);
    // An invalid date names no month or day.
    EXPECT_EQ(FormatDateTime(u"[mmm|mmmm|ddd|dddd]"_qs, QDateTime(QDate(2024, 2, 30), QTime(1, 2))), u"[|||]"_qs);
    EXPECT_EQ(FormatDateTime(u"mmmm dddd"_qs, t), u"March Tuesday"_qs);
}

TEST(StrToValues, ParsesOrRaises)
{
    EXPECT_EQ(StrToFloat(u" 1.25 "_qs), 1.25);
    EXPECT_THROW(StrToFloat(u"1,25"_qs), EConvertError);
    EXPECT_EQ(StrToInt64(u"-42"_qs), -42);
    EXPECT_THROW(StrToInt64(u"4.2"_qs), EConvertError);
    EXPECT_EQ(StrToDateTime(u"2024-1-2 3:04"_qs), QDateTime(QDate(2024, 1, 2), QTime(3, 4)));
    EXPECT_EQ(StrToDateTime(u"10:11:12"_qs), QDateTime(NullDate(), QTime(10, 11, 12)));
    EXPECT_EQ(StrToDate(u"2024/02/29"_qs), QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    EXPECT_THROW(StrToDate(u"2023-02-29"_qs), EConvertError);
    EXPECT_THROW(StrToTime(u"25:00"_qs), EConvertError);
}
