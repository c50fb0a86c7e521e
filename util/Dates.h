// Calendar arithmetic and date texts. A date-time is a local-time day count
// with fraction since 30 December 1899 (day 0); DOS date-times pack date and
// time into 32 bits (date in the high half).
#pragma once

#include <cstdint>

#include "util/Text.h"

struct CivilTime {
    int year = 1980, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

double DateTimeFromCivil(const CivilTime& t);
CivilTime CivilFromDateTime(double dateTime);

uint32_t DosDateTimeFromCivil(const CivilTime& t);   // seconds are halved
CivilTime CivilFromDosDateTime(uint32_t dosDateTime);
// A DOS date-time whose fields form a real calendar date and time.
bool IsValidDosDateTime(uint32_t dosDateTime);

// 05-JUN-2012
Text DayMonthYearText(double date);
// 05-JUN-2012 16:43:52, the colons written as timeSeparator.
Text DayMonthYearTimeText(double dateTime, char timeSeparator);
// dd/mm/yy HH:NN:SS with the given separators.
Text StampText(double dateTime, char dateSeparator, char timeSeparator);
