#include "table/DbfDate.h"

#include <cstdio>

#include "table/DbfFormat.h"

bool DbfLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0) && year % 4000 != 0;
}

bool DbfValidDate(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1) return false;
    if (year == 0 && month < 3) return false;
    int length = 31;
    if (month == 4 || month == 6 || month == 9 || month == 11) length = 30;
    if (month == 2) length = DbfLeapYear(year) ? 29 : 28;
    return day <= length;
}

namespace {
int64_t RawJulianDay(int64_t year, int64_t month, int64_t day) {
    const int64_t a = month < 3 ? year - 1 : year;
    return (a / 4000) * 1460969 + ((a % 4000) / 100 * 146097) / 4 + ((a % 4000 % 100) * 1461) / 4 +
           (153 * month - 457 + (month < 3 ? 1836 : 0)) / 5 + day + 1721119;
}
}  // namespace

int32_t DbfJulianDay(int year, int month, int day) {
    if (!DbfValidDate(year, month, day)) return -1;
    const int64_t jd = RawJulianDay(year, month, day);
    if (jd < dbf::kMinJulianDay || jd > dbf::kMaxJulianDay) return -1;
    return static_cast<int32_t>(jd);
}

int32_t DbfDateTextToJulian(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return -1;
    size_t last = text.find_last_not_of(' ');
    text = text.substr(first, last - first + 1);
    if (text.size() != 8) return -1;
    int parts[3] = {0, 0, 0};
    const size_t starts[3] = {0, 4, 6};
    const size_t lengths[3] = {4, 2, 2};
    for (int i = 0; i < 3; ++i) {
        for (size_t k = 0; k < lengths[i]; ++k) {
            char c = text[starts[i] + k];
            if (c < '0' || c > '9') return -1;
            parts[i] = parts[i] * 10 + (c - '0');
        }
    }
    return DbfJulianDay(parts[0], parts[1], parts[2]);
}

void DbfJulianToDate(int32_t julianDay, int* year, int* month, int* day) {
    // Years run from March 1 in the day count, so find the year whose March 1 is the last
    // one not after the day, then the month within it.
    int64_t y = (static_cast<int64_t>(julianDay) - 1721120) * 400 / 146097;
    while (RawJulianDay(y, 3, 1) > julianDay) --y;
    while (RawJulianDay(y + 1, 3, 1) <= julianDay) ++y;
    int64_t n = julianDay - RawJulianDay(y, 3, 1);  // days since March 1
    int64_t m = (5 * n + 2) / 153;                  // 0 = March
    int64_t d = n - (153 * m + 2) / 5 + 1;
    m += 3;
    if (m > 12) {
        m -= 12;
        ++y;
    }
    *year = static_cast<int>(y);
    *month = static_cast<int>(m);
    *day = static_cast<int>(d);
}

std::string DbfJulianToText(int32_t julianDay) {
    if (julianDay < dbf::kMinJulianDay) return std::string(8, ' ');
    int y, m, d;
    DbfJulianToDate(julianDay, &y, &m, &d);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", y % 10000, m, d);
    return text;
}
