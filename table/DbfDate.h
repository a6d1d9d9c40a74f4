// Calendar dates of table fields: Julian day numbers and the YYYYMMDD text of D fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True for a leap year: divisible by 4 and (not by 100, or by 400), and not by 4000.
bool DbfLeapYear(int year);
// True when (year, month, day) is a calendar date: month 1..12, day 1..month length, and
// year 0 only from March on.
bool DbfValidDate(int year, int month, int day);
// Julian day number of a valid date, or -1 when the date is invalid or its number lies
// outside 1721120..25657575.
int32_t DbfJulianDay(int year, int month, int day);
// Julian day of a D field's text "YYYYMMDD" (blanks around it are ignored), or -1 when the
// text is not such a date.
int32_t DbfDateTextToJulian(std::string_view text);
// The calendar date of a Julian day number (inverse of DbfJulianDay for valid dates).
void DbfJulianToDate(int32_t julianDay, int* year, int* month, int* day);
// "YYYYMMDD" of a Julian day number; eight blanks for a day below 1721120.
std::string DbfJulianToText(int32_t julianDay);
