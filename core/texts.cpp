#include "core/texts.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace tarrow {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long DaysFromCivil(long y, unsigned m, unsigned d) noexcept {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + long(doe) - 719468;
}

void CivilFromDays(long z, int& year, int& month, int& day) noexcept {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long y = long(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(y + (month <= 2));
}

const long kEpochOffset = DaysFromCivil(1899, 12, 30);

// Reads exactly `count` digits at text[pos]; -1 when they are not all digits.
int Digits(std::string_view text, size_t pos, size_t count) {
  if (pos + count > text.size()) return -1;
  int value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

std::optional<DateTime> Checked(const CivilDateTime& c) {
  if (!IsValidCivilDate(c.year, c.month, c.day) || c.hour > 23 || c.minute > 59 || c.second > 59 ||
      c.hour < 0 || c.minute < 0 || c.second < 0) {
    return std::nullopt;
  }
  return DateTimeFromCivil(c);
}

// "HH:MM" or "HH:MM:SS" at text[pos], to the end of the text.
bool ReadTime(std::string_view text, size_t pos, CivilDateTime& c) {
  const size_t rest = text.size() - pos;
  if (rest != 5 && rest != 8) return false;
  c.hour = Digits(text, pos, 2);
  c.minute = Digits(text, pos + 3, 2);
  if (text[pos + 2] != ':' || c.hour < 0 || c.minute < 0) return false;
  c.second = 0;
  if (rest == 8) {
    c.second = Digits(text, pos + 6, 2);
    if (text[pos + 5] != ':' || c.second < 0) return false;
  }
  return true;
}

// Two decimals after rounding to five significant digits: 1234.567 ->
// "1234.60".  Durations in the run log are read side by side, so they all
// carry five significant digits, whatever their size.
std::string Fixed2(double value, const char* unit) {
  char rounded[48];
  std::snprintf(rounded, sizeof rounded, "%.5g", value);
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %s", std::strtod(rounded, nullptr), unit);
  return text;
}

}  // namespace

bool IsValidCivilDate(int year, int month, int day) noexcept {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

DateTime DateFromCivil(int year, int month, int day) noexcept {
  return double(DaysFromCivil(year, unsigned(month), unsigned(day)) - kEpochOffset);
}

DateTime DateTimeFromCivil(const CivilDateTime& c) noexcept {
  return DateFromCivil(c.year, c.month, c.day) +
         (c.hour * 3600.0 + c.minute * 60.0 + c.second) / 86400.0;
}

CivilDateTime CivilFromDateTime(DateTime value) noexcept {
  const long long seconds = std::llround(value * 86400.0);
  long long days = seconds / 86400;
  long long secondOfDay = seconds % 86400;
  if (secondOfDay < 0) {
    secondOfDay += 86400;
    --days;
  }
  CivilDateTime c;
  CivilFromDays(long(days) + kEpochOffset, c.year, c.month, c.day);
  c.hour = int(secondOfDay / 3600);
  c.minute = int(secondOfDay / 60 % 60);
  c.second = int(secondOfDay % 60);
  return c;
}

DateTime DateTimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  const CivilDateTime c{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour,        local.tm_min,     local.tm_sec};
  return DateTimeFromCivil(c) + now.tv_nsec / 1e9 / 86400.0;
}

DateTime Today() {
  return std::floor(DateTimeNow());
}

std::string DateText(DateTime date) {
  const CivilDateTime c = CivilFromDateTime(date);
  char text[32];
  std::snprintf(text, sizeof text, "%d.%02d.%02d", c.year, c.month, c.day);
  return text;
}

std::string FormatDateTime(DateTime value) {
  const CivilDateTime c = CivilFromDateTime(value);
  char text[48];
  if (c.hour == 0 && c.minute == 0 && c.second == 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", c.year, c.month, c.day);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day,
                  c.hour, c.minute, c.second);
  }
  return text;
}

std::optional<DateTime> ParseDateTime(std::string_view text) {
  CivilDateTime c;
  c.hour = c.minute = c.second = 0;
  if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {  // YYYY-MM-DD[ HH:MM:SS]
    c.year = Digits(text, 0, 4);
    c.month = Digits(text, 5, 2);
    c.day = Digits(text, 8, 2);
  } else if (text.size() >= 10 && ((text[2] == '/' && text[5] == '/') ||
                                   (text[2] == '.' && text[5] == '.'))) {  // DD/MM/YYYY
    c.day = Digits(text, 0, 2);
    c.month = Digits(text, 3, 2);
    c.year = Digits(text, 6, 4);
  } else {
    return std::nullopt;
  }
  if (c.year < 0 || c.month < 0 || c.day < 0) return std::nullopt;
  if (text.size() > 10) {
    if (text[10] != ' ' || !ReadTime(text, 11, c)) return std::nullopt;
  }
  return Checked(c);
}

std::string ComputerNameText() {
  char name[257] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

std::string HoursText(double days) {
  return Fixed2(days * 24, "h");
}
std::string MinutesText(double days) {
  return Fixed2(days * 24 * 60, "m");
}

}  // namespace tarrow
