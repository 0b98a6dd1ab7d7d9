// Dates, times and the small texts that files, printouts and the run log share.
//
// A DateTime is a count of days since 1899-12-30 00:00 in local time, the
// fraction being the time of day, so that a difference of two is a duration
// in days (analysis times are kept that way).
//
//   DateText(DateFromCivil(2013, 5, 7));           // "2013.05.07"
//   FormatDateTime(DateTimeNow());                 // "2026-12-07 08:15:00"
//   MinutesText(1.0 / 48);                         // "30.00 m"
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarrow {

using DateTime = double;

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

DateTime DateFromCivil(int year, int month, int day) noexcept;
DateTime DateTimeFromCivil(const CivilDateTime& civil) noexcept;
// Rounds to the nearest second.
CivilDateTime CivilFromDateTime(DateTime value) noexcept;
bool IsValidCivilDate(int year, int month, int day) noexcept;
DateTime DateTimeNow();
DateTime Today();

// The PBN date: "2013.05.07" (year without leading zeros).
std::string DateText(DateTime date);
// The fixed form written into files and logs: "YYYY-MM-DD HH:MM:SS", the
// time left out when it is exactly midnight.
std::string FormatDateTime(DateTime value);
// Reads the fixed form above, and the day-first forms DD/MM/YYYY[ HH:MM[:SS]]
// and DD.MM.YYYY.  Nothing for any other text or an impossible date or time.
std::optional<DateTime> ParseDateTime(std::string_view text);

// The machine's network name, cut to 256 characters; empty when unknown.
std::string ComputerNameText();

// A duration in days shown in hours or minutes with two decimals: "0.50 h",
// "30.00 m".
std::string HoursText(double days);
std::string MinutesText(double days);

}  // namespace tarrow
