// Number formatting and parsing, calendar arithmetic, DOS date-times and the
// date texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "util/Dates.h"
#include "util/Numbers.h"

namespace {

TEST(NumbersLimits, MinMaxClamp) {
    EXPECT_EQ(Min64(-5, 3), -5);
    EXPECT_EQ(Max64(-5, 3), 3);
    EXPECT_EQ(Clamp64(5, 1, 3), 3);
    EXPECT_EQ(Clamp64(-5, 1, 3), 1);
    EXPECT_EQ(Clamp64(2, 1, 3), 2);
    EXPECT_EQ(Clamp64(INT64_MIN, INT64_MIN, INT64_MAX), INT64_MIN);
}

TEST(NumbersRandom, StaysInRangeAndCoversIt) {
    bool seen[6] = {};
    for (int i = 0; i < 2000; ++i) {
        int64_t value = RandomInRange(-2, 3);
        ASSERT_GE(value, -2);
        ASSERT_LE(value, 3);
        seen[value + 2] = true;
    }
    for (bool s : seen) EXPECT_TRUE(s);
    EXPECT_EQ(RandomInRange(7, 7), 7);
    EXPECT_EQ(RandomInRange(9, 2), 9);
    int64_t wide = RandomInRange(INT64_MIN, INT64_MAX);
    (void)wide;  // the full range must not overflow
    int64_t fromText = ParseInt64Or(RandomText(10, 12), -1);
    EXPECT_GE(fromText, 10);
    EXPECT_LE(fromText, 12);
}

struct ParseCase {
    const char* text;
    bool ok;
    int64_t value;
};

TEST(NumbersParse, TryParseInt64Table) {
    const ParseCase cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"  -17\t", true, -17},
        {"+8", true, 8},
        {"9223372036854775807", true, INT64_MAX},
        {"-9223372036854775808", true, INT64_MIN},
        {"9223372036854775808", false, 0},
        {"-9223372036854775809", false, 0},
        {"99999999999999999999999", false, 0},
        {"12abc", false, 0},
        {"1 2", false, 0},
        {"0x10", false, 0},
        {"1.5", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"+-1", false, 0},
        {" ", false, 0},
    };
    for (const auto& c : cases) {
        int64_t value = 12345;
        EXPECT_EQ(TryParseInt64(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_EQ(ParseInt64Or("12abc", -1), -1);
    EXPECT_EQ(ParseInt64Or(" 12 ", -1), 12);
}

TEST(NumbersText, IntAndBool) {
    EXPECT_EQ(IntText(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntText(0), "0");
    EXPECT_EQ(BoolText(true), "TRUE");
    EXPECT_EQ(BoolText(false), "FALSE");
}

TEST(NumbersText, ThousandsTable) {
    const char* const cases[][2] = {
        {"9876543.2", "9,876,543.2"}, {"456.7", "456.7"},   {"4567.5", "4,567.5"},
        {"1000", "1,000"},            {"100", "100"},       {"123456", "123,456"},
        {"1234567", "1,234,567"},     {"-1234", "-1,234"},  {"-123", "-123"},
        {"-123456.75", "-123,456.75"}, {"", ""},            {"-", "-"},
        {".5", ".5"},                 {"12345.6789", "12,345.6789"},
    };
    for (const auto& c : cases) EXPECT_EQ(ThousandsText(c[0]), c[1]) << c[0];
}

TEST(NumbersText, UnitsAndSizes) {
    EXPECT_EQ(KBText(0, 1, false), "0.0");
    EXPECT_EQ(KBText(1536, 0, false), "2");
    EXPECT_EQ(KBText(1024, 0, false), "1");
    EXPECT_EQ(KBText(1, 0, false), "1");
    EXPECT_EQ(KBText(0, 0, false), "0");
    EXPECT_EQ(KBText(1536, 1, false), "1.5");
    EXPECT_EQ(KBText(1536, 3, false), "1.5");
    EXPECT_EQ(MBText(5 * 1048576.0 + 1, 0, false), "6");
    EXPECT_EQ(MBText(2500.0 * 1048576.0, 1, true), "2,500.0");
    EXPECT_EQ(KBText(1024.0 * 1234567, 0, true), "1,234,567");
    EXPECT_EQ(UnitText(-0.5, 1, 0, false), "0");
    EXPECT_EQ(UnitText(7, 0, 0, false), "7");
}

TEST(NumbersText, PadLeftAndZeroPad) {
    EXPECT_EQ(PadLeft("4567", 5, ' '), " 4567");
    EXPECT_EQ(PadLeft("456789", 5, ' '), "456789");
    EXPECT_EQ(PadLeft("abcdef", -4, ' '), "abc.");
    EXPECT_EQ(PadLeft("ab", -4, '*'), "**ab");
    EXPECT_EQ(PadLeft("abcd", -4, ' '), "abcd");
    EXPECT_EQ(PadLeft("abcdef", -2, ' '), "abcdef");
    EXPECT_EQ(PadLeft("abcdef", -1, ' '), "abcdef");
    EXPECT_EQ(PadLeft("abc", 0, ' '), "abc");
    EXPECT_EQ(ZeroPad("7", 3), "007");
    EXPECT_EQ(ZeroPad("1234", 3), "1234");
    EXPECT_EQ(ZeroPad(5, 2), "05");
    EXPECT_EQ(ZeroPad(2012, 4), "2012");
    EXPECT_EQ(ZeroPad(-5, 3), "-05");
}

TEST(NumbersHex, HexTextLayouts) {
    EXPECT_EQ(HexText(Text("\x00\x0f\xab\xff", 4), false, false), "000FABFF");
    EXPECT_EQ(HexText("\x01\x02", false, true), "0x010x02");
    EXPECT_EQ(HexText("\x01\x02", true, false), "01 02 ");
    EXPECT_EQ(HexText("123456789", true, false), "31 32 33 34 35 36 37 38  39 ");
    EXPECT_EQ(HexText("", true, true), "");
}

TEST(NumbersHex, ParseNumberAndHex) {
    EXPECT_EQ(ParseNumber("101", 2), 5);
    EXPECT_EQ(ParseNumber(" 777 ", 8), 511);
    EXPECT_EQ(ParseNumber("ff", 16), 255);
    EXPECT_EQ(ParseNumber("", 10), 0);
    EXPECT_EQ(ParseNumber("1G", 16), 15);  // an unknown character counts as -1
    EXPECT_EQ(ParseHex("0x1F"), 31);
    EXPECT_EQ(ParseHex("0X1f"), 31);
    EXPECT_EQ(ParseHex(" 40CD857A "), 0x40CD857A);
    EXPECT_EQ(ParseHex("FFFFFFFFFFFFFFFF"), -1);
    // Overlong texts wrap instead of overflowing.
    ParseHex(Text(100, 'F'));
    ParseNumber(Text(100, '9'), 10);
}

struct CivilCase {
    double dateTime;
    CivilTime civil;
};

TEST(DatesCivil, KnownDayCounts) {
    const CivilCase cases[] = {
        {0.0, {1899, 12, 30, 0, 0, 0, 0}},
        {1.0, {1899, 12, 31, 0, 0, 0, 0}},
        {2.0, {1900, 1, 1, 0, 0, 0, 0}},
        {60.0, {1900, 2, 28, 0, 0, 0, 0}},
        {61.0, {1900, 3, 1, 0, 0, 0, 0}},
        {29221.0, {1980, 1, 1, 0, 0, 0, 0}},
        {36526.0, {2000, 1, 1, 0, 0, 0, 0}},
        {36585.0, {2000, 2, 29, 0, 0, 0, 0}},
        {41065.0, {2012, 6, 5, 0, 0, 0, 0}},
        {41065.5, {2012, 6, 5, 12, 0, 0, 0}},
        {41073.0 + (16 * 3600 + 43 * 60 + 52) / 86400.0, {2012, 6, 13, 16, 43, 52, 0}},
        {-1.0, {1899, 12, 29, 0, 0, 0, 0}},
        {2958465.0, {9999, 12, 31, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        CivilTime t = CivilFromDateTime(c.dateTime);
        EXPECT_EQ(t.year, c.civil.year) << c.dateTime;
        EXPECT_EQ(t.month, c.civil.month) << c.dateTime;
        EXPECT_EQ(t.day, c.civil.day) << c.dateTime;
        EXPECT_EQ(t.hour, c.civil.hour) << c.dateTime;
        EXPECT_EQ(t.minute, c.civil.minute) << c.dateTime;
        EXPECT_EQ(t.second, c.civil.second) << c.dateTime;
        EXPECT_NEAR(DateTimeFromCivil(c.civil), c.dateTime, 1e-9) << c.dateTime;
    }
}

TEST(DatesCivil, EveryDayOfFourCenturiesRoundTrips) {
    for (int day = 0; day < 146097; ++day) {
        CivilTime t = CivilFromDateTime(day + 0.75);
        ASSERT_EQ(DateTimeFromCivil(t), day + 0.75) << day;
        ASSERT_EQ(t.hour, 18);
    }
}

TEST(DatesCivil, MillisecondsRoundToTheNearest) {
    CivilTime t = CivilFromDateTime(41065.0 + 0.9999999999);
    EXPECT_EQ(t.day, 6);
    EXPECT_EQ(t.hour, 0);
    CivilTime ms{2012, 6, 5, 1, 2, 3, 456};
    EXPECT_EQ(CivilFromDateTime(DateTimeFromCivil(ms)).millisecond, 456);
}

TEST(DatesCivil, ValuesOutsideTheCalendarGiveDayZero) {
    const double hostile[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), 1e300, -1e300};
    for (double value : hostile) {
        CivilTime t = CivilFromDateTime(value);
        EXPECT_EQ(t.year, 1899);
        EXPECT_EQ(t.month, 12);
        EXPECT_EQ(t.day, 30);
    }
}

TEST(DatesDos, PackAndUnpack) {
    CivilTime t = CivilFromDosDateTime(1087210874u);
    EXPECT_EQ(1087210874u, 0x40CD857Au);
    EXPECT_EQ(t.year, 2012);
    EXPECT_EQ(t.month, 6);
    EXPECT_EQ(t.day, 13);
    EXPECT_EQ(t.hour, 16);
    EXPECT_EQ(t.minute, 43);
    EXPECT_EQ(t.second, 52);
    EXPECT_EQ(DosDateTimeFromCivil(t), 1087210874u);
    // Seconds are kept in two-second steps.
    EXPECT_EQ(DosDateTimeFromCivil(CivilTime{2012, 6, 13, 16, 43, 53, 0}), 1087210874u);
    EXPECT_EQ(DosDateTimeFromCivil(CivilTime{1980, 1, 1, 0, 0, 0, 0}), 0x00210000u);
}

TEST(DatesDos, YearsOutsideTheDosRangeTakeTheNearestEnd) {
    EXPECT_EQ(DosDateTimeFromCivil(CivilTime{1970, 5, 5, 5, 5, 5, 0}), 0x00210000u);
    CivilTime last = CivilFromDosDateTime(DosDateTimeFromCivil(CivilTime{2200, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(last.year, 2107);
    EXPECT_EQ(last.month, 12);
    EXPECT_EQ(last.day, 31);
    EXPECT_EQ(last.second, 58);
}

TEST(DatesDos, Validity) {
    EXPECT_TRUE(IsValidDosDateTime(1087210874u));
    EXPECT_TRUE(IsValidDosDateTime(DosDateTimeFromCivil(CivilTime{2012, 2, 29, 23, 59, 58, 0})));
    EXPECT_FALSE(IsValidDosDateTime(DosDateTimeFromCivil(CivilTime{2013, 2, 29, 0, 0, 0, 0})));
    EXPECT_FALSE(IsValidDosDateTime(0));                          // month 0, day 0
    EXPECT_FALSE(IsValidDosDateTime(0x00210000u | (24u << 11)));  // hour 24
    EXPECT_FALSE(IsValidDosDateTime(0x00210000u | (60u << 5)));   // minute 60
    EXPECT_FALSE(IsValidDosDateTime(0x00210000u | 30u));          // second 60
    EXPECT_FALSE(IsValidDosDateTime(0x01A10000u));                // month 13
    for (uint32_t value : {0xFFFFFFFFu, 0x12345678u, 0x80000000u}) {
        IsValidDosDateTime(value);  // any bits are safe to test
    }
}

TEST(DatesText, DayMonthYearAndStamps) {
    double june5 = DateTimeFromCivil(CivilTime{2012, 6, 5, 0, 0, 0, 0});
    EXPECT_EQ(DayMonthYearText(june5), "05-JUN-2012");
    EXPECT_EQ(DayMonthYearText(DateTimeFromCivil(CivilTime{1999, 12, 31, 23, 0, 0, 0})), "31-DEC-1999");
    EXPECT_EQ(DayMonthYearText(DateTimeFromCivil(CivilTime{2001, 1, 9, 0, 0, 0, 0})), "09-JAN-2001");
    double moment = DateTimeFromCivil(CivilFromDosDateTime(1087210874u));
    EXPECT_EQ(DayMonthYearTimeText(moment, ':'), "13-JUN-2012 16:43:52");
    EXPECT_EQ(DayMonthYearTimeText(moment, '.'), "13-JUN-2012 16.43.52");
    EXPECT_EQ(StampText(moment, '/', ':'), "13/06/12 16:43:52");
    EXPECT_EQ(StampText(DateTimeFromCivil(CivilTime{2005, 1, 2, 3, 4, 5, 0}), '-', '.'), "02-01-05 03.04.05");
}

}  // namespace
