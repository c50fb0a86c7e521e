// Calendar arithmetic (proleptic Gregorian, day 0 = 30 December 1899), DOS
// date-time packing and the date texts of messages and log lines.
#include "util/Dates.h"

#include <cmath>

#include "util/Numbers.h"

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day numbers count from 1 January 1970 internally; day 0 of a date-time is
// 25569 days earlier.
constexpr int64_t kEpochOffset = 25569;
// 1 January 0001 and 31 December 9999 as date-time day counts.
constexpr double kFirstDay = -693593.0;
constexpr double kDayAfterLast = 2958466.0;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2 ? 1 : 0;
    int64_t era = FloorDiv(y, 400);
    int64_t yearOfEra = y - era * 400;
    int64_t monthFromMarch = (m + 9) % 12;
    int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + d - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, CivilTime& t) {
    days += 719468;
    int64_t era = FloorDiv(days, 146097);
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    t.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    t.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    t.year = static_cast<int>(yearOfEra + era * 400 + (t.month <= 2 ? 1 : 0));
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

Text TwoDigits(int value) { return ZeroPad(value, 2); }

Text TimeText(const CivilTime& t, char separator) {
    return TwoDigits(t.hour) + separator + TwoDigits(t.minute) + separator + TwoDigits(t.second);
}

}  // namespace

double DateTimeFromCivil(const CivilTime& t) {
    int64_t days = DaysFromCivil(t.year, t.month, t.day) + kEpochOffset;
    int64_t ms = ((static_cast<int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
    return static_cast<double>(days) + static_cast<double>(ms) / kMsPerDay;
}

CivilTime CivilFromDateTime(double dateTime) {
    // Outside the calendar's years 1 to 9999 (or not a number): day 0.
    if (!(dateTime >= kFirstDay && dateTime < kDayAfterLast)) dateTime = 0;
    int64_t totalMs = std::llround(dateTime * kMsPerDay);
    int64_t days = FloorDiv(totalMs, kMsPerDay);
    int64_t ms = totalMs - days * kMsPerDay;
    CivilTime t;
    CivilFromDays(days - kEpochOffset, t);
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
}

uint32_t DosDateTimeFromCivil(const CivilTime& t) {
    // DOS dates hold the years 1980 to 2107; others take the nearest end.
    if (t.year < 1980) return DosDateTimeFromCivil(CivilTime{});
    if (t.year > 2107) return DosDateTimeFromCivil(CivilTime{2107, 12, 31, 23, 59, 59, 0});
    uint32_t date = (static_cast<uint32_t>(t.year - 1980) << 9) | ((t.month & 0x0F) << 5) | (t.day & 0x1F);
    uint32_t time = ((t.hour & 0x1F) << 11) | ((t.minute & 0x3F) << 5) | ((t.second / 2) & 0x1F);
    return (date << 16) | time;
}

CivilTime CivilFromDosDateTime(uint32_t dosDateTime) {
    uint32_t date = dosDateTime >> 16;
    uint32_t time = dosDateTime & 0xFFFF;
    CivilTime t;
    t.year = 1980 + static_cast<int>(date >> 9);
    t.month = static_cast<int>((date >> 5) & 0x0F);
    t.day = static_cast<int>(date & 0x1F);
    t.hour = static_cast<int>(time >> 11);
    t.minute = static_cast<int>((time >> 5) & 0x3F);
    t.second = static_cast<int>((time & 0x1F) * 2);
    return t;
}

bool IsValidDosDateTime(uint32_t dosDateTime) {
    CivilTime t = CivilFromDosDateTime(dosDateTime);
    if (t.month < 1 || t.month > 12) return false;
    if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
    return t.hour < 24 && t.minute < 60 && t.second < 60;
}

Text DayMonthYearText(double date) {
    static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    CivilTime t = CivilFromDateTime(date);
    return TwoDigits(t.day) + "-" + kMonths[t.month - 1] + "-" + ZeroPad(t.year, 4);
}

Text DayMonthYearTimeText(double dateTime, char timeSeparator) {
    return DayMonthYearText(dateTime) + " " + TimeText(CivilFromDateTime(dateTime), timeSeparator);
}

Text StampText(double dateTime, char dateSeparator, char timeSeparator) {
    CivilTime t = CivilFromDateTime(dateTime);
    return TwoDigits(t.day) + dateSeparator + TwoDigits(t.month) + dateSeparator + TwoDigits(t.year % 100) +
           " " + TimeText(t, timeSeparator);
}
