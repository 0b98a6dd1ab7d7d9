// The PBN reader: a set file (normally one this program wrote) back into a
// DealSet, with its header, seed and double-dummy tables.
//
//   Result<DealSet> loaded = ReadPbnFile(path);
//   if (!loaded.ok()) return loaded.status();   // "monday.pbn line 12: ..."
//   std::swap(set, *loaded);                    // the set in memory is replaced only now
//
// The reader starts from a fresh set (seed "none", event date today), so a
// load gives exactly the file's boards and tables.  Lines may end in CR LF or
// LF.  Each line is, in this order of precedence:
//
//   | line                          | what the reader does                                  |
//   |-------------------------------|-------------------------------------------------------|
//   | one of up to 20 lines after   | a table row "N NT 13" or "E C ?" (any order, any case) |
//   |   an OptimumResultTable tag   |   stores the tricks and adds the strain's DoneMask bit |
//   |                               |   ("?" stores nothing); a line that is no row ends the |
//   |                               |   table and is dropped                                |
//   | empty, or "%" first           | ignored (comment)                                     |
//   | [Name "value"]                | Name compared in lower case; the value "#" alone is   |
//   |                               |   ignored (PBN: as the previous game; "#3 Pairs" is a |
//   |                               |   value); \" and \\ are unescaped; cut to 128         |
//   |   event / site / eventsponsor | event name / site / club (cut to 64)                  |
//   |   date                        | "YYYY.MM.DD" (a part that is no number: today's),     |
//   |                               |   also DD/MM/YYYY and DD.MM.YYYY; other lengths: today |
//   |   board                       | current board, when the value is an integer          |
//   |   deal                        | the current board's deal, when the board is 1..36     |
//   |   optimumresulttable          | the next 20 lines may be table rows                   |
//   |   generator                   | banner (cut to 32)                                    |
//   |   application                 | by first character: 1 seed (79), 2 description (64), |
//   |                               |   3 generation time, 4 computer name (32); the text   |
//   |                               |   after the digit is kept exactly, blanks included    |
//   |   dealer / vulnerable         | ignored: both follow from the board number            |
//   | anything else                 | ignored                                               |
//
// A Deal value whose second character is not ":" leaves the board as it
// was; any other bad deal (lower-case rank, a card twice, a hand without 13
// cards) leaves the board absent but keeps its table.  An impossible date, a
// generation time that is no date and time, or a table number that is not an
// integer 0..13 stops the load with an error naming the value, the file and
// the line.
#pragma once

#include <filesystem>
#include <string_view>

#include "core/deal_set.h"
#include "core/result.h"
#include "core/texts.h"

namespace tarrow {

// A set of 36 boards with tables and commentary stays far below this; a
// larger file is refused before it is read.
inline constexpr size_t kLargestPbnFile = size_t(16) << 20;

// Reads the file at path; an unreadable file, one larger than
// kLargestPbnFile or one in which no board can be read is an error naming
// it.  `today` is the event date of a file that gives none.
Result<DealSet> ReadPbnFile(const std::filesystem::path& path, DateTime today = Today());

// The same from bytes in memory; fileNameForMessages names the source in
// error messages.  Safe for any bytes; lines are read one at a time.
Result<DealSet> ParsePbnText(std::string_view bytes, std::string_view fileNameForMessages,
                             DateTime today = Today());

}  // namespace tarrow
