// The PBN reader: a set file (normally one this program wrote) back into a
// DealSet, with its header, seed and double-dummy tables.
//
//   LoadReport report;
//   Result<DealSet> loaded = ReadPbnFile(path, report);
//   if (!loaded.ok()) return loaded.status();   // "monday.pbn line 12: board 3: ..."
//   std::swap(set, *loaded);                    // the set in memory is replaced only now
//   bool inPlace = report.RewriteLosesNothing(); // else save beside the file
//
// The reader starts from a fresh set (seed "none", event date today), so a
// load gives exactly the file's boards and tables.  It is strict on what
// makes the deals and lenient on the rest: a deal or board number that does
// not read is an error naming the file, the line and the reason, and nothing
// is loaded; metadata that does not read is a warning and the load goes on.
// Everything the set cannot write back (tags it has no place for,
// commentary, auctions, a par unlike its own) is listed in the LoadReport,
// so that the caller does not rewrite the file in place.  Lines may end in
// CR LF, LF or CR; a UTF-8 byte-order mark is skipped, and UTF-16 text is
// refused by name.  A tag line without a quoted value is a warning; a tab
// may follow the tag name.  Each line is, in this order of precedence:
//
//   | line                          | what the reader does                                  |
//   |-------------------------------|-------------------------------------------------------|
//   | "%" first                     | "% PBN 2.1", "% EXPORT", "% IMPORT": format lines;    |
//   |                               |   any other: a remark, not kept                       |
//   | {commentary} (several lines   | removed, not kept; an unclosed "{" that hides a tag   |
//   |   too), ; to the end of line  |   is an error, otherwise a warning                    |
//   | one of up to 20 lines after   | a table row "N NT 13" or "E C ?" (any order, any case) |
//   |   an OptimumResultTable tag   |   ("?" stores nothing); a line that is no row ends the |
//   |                               |   table (fewer than 20 rows: a warning) and is read   |
//   |                               |   as itself                                           |
//   | empty                         | ends a game                                           |
//   | [Name "value"]                | Name compared in lower case; the value "#" alone is   |
//   |                               |   ignored (PBN: as the previous game; "#3 Pairs" is a |
//   |                               |   value); \" and \\ are unescaped; cut to 128         |
//   |   event / site / eventsponsor | event name / site / club (cut to 64)                  |
//   |   date                        | "?" or "????.??.??": not known (zero), printed nowhere |
//   |                               | "YYYY.MM.DD" (a part that is no number: today's),     |
//   |                               |   also DD/MM/YYYY and DD.MM.YYYY; other lengths and   |
//   |                               |   impossible dates: today's (the latter a warning)    |
//   |   board                       | current board: digits only, from 1; anything else is  |
//   |                               |   an error; past 36 the board is ignored (a warning)  |
//   |   deal                        | the deal of the board its game names (the Board tag   |
//   |                               |   may follow it); one that does not read, one in a    |
//   |                               |   game without a Board tag, or a second different     |
//   |                               |   deal of a board is an error (unless its game has an |
//   |                               |   Event tag: the next event); the same deal again is  |
//   |                               |   another game of the board                           |
//   |   doubledummytricks           | 20 hexadecimal digits, declarers N S E W, strains NT  |
//   |                               |   S H D C: the board's table when it has no rows; one |
//   |                               |   unlike its rows: neither is kept (a warning), so the |
//   |                               |   analysis solves the board; not written back         |
//   |   optimumresulttable          | the next 20 lines may be table rows                   |
//   |   generator                   | banner (cut to 32)                                    |
//   |   application                 | by first character: 1 seed (79), 2 description (64), |
//   |                               |   3 generation time (one that does not read: none and |
//   |                               |   a warning), 4 computer name (32); the text after    |
//   |                               |   the digit is kept exactly, blanks included          |
//   |   optimumscore / parcontract  | the file's par of the current board 1..36, kept in    |
//   |                               |   its FilePar; an unreadable value is left out        |
//   |   dealer / vulnerable         | follow from the board number; a value that means      |
//   |                               |   otherwise (None, Love, - / NS / EW / All, Both) is  |
//   |                               |   a warning                                           |
//   |   any other tag               | not kept; lines under it (an auction, the play) too   |
//   | anything else                 | not kept                                              |
//
// A side knows a strain (its DoneMask bit) only when the rows of both its
// seats give a number; a row whose partner's row is missing or "?" is not
// kept.  A table number that is not an integer 0..13 is an error.  A file
// of fewer than 36 boards loads with a warning naming the count.
#pragma once

#include <filesystem>
#include <string_view>

#include "core/deal_set.h"
#include "core/result.h"
#include "core/texts.h"
#include "files/load_report.h"

namespace tarrow {

// A set of 36 boards with tables and commentary stays far below this; a
// larger file is refused before it is read.
inline constexpr size_t kLargestPbnFile = size_t(16) << 20;

// Reads the file at path; an unreadable file, one larger than
// kLargestPbnFile, one in which no board can be read or one whose deals or
// board numbers do not read is an error naming it (and the line).  Warnings
// and what the set cannot keep are added to `report` only when the read
// succeeds.  `today` is the event date of a file that gives none.
Result<DealSet> ReadPbnFile(const std::filesystem::path& path, LoadReport& report,
                            DateTime today = Today());

// The same from bytes in memory; fileNameForMessages names the source in
// messages.  Safe for any bytes; lines are read one at a time.
Result<DealSet> ParsePbnText(std::string_view bytes, std::string_view fileNameForMessages,
                             LoadReport& report, DateTime today = Today());

// A file may hold several events, each numbering its boards from 1 (a
// board given another deal in a game with an Event tag starts the next
// event).  These read one of them: `event` is its number from 1 or its
// Event value (any case), empty for the first.  With several events the
// report lists them (events, eventLoaded), a warning names them, and the
// set counts as not the whole file (notKept).  An event the file does not
// hold is an error naming those it does.
Result<DealSet> ReadPbnEvent(const std::filesystem::path& path, std::string_view event,
                             LoadReport& report, DateTime today = Today());
Result<DealSet> ParsePbnEvent(std::string_view bytes, std::string_view fileNameForMessages,
                              std::string_view event, LoadReport& report, DateTime today = Today());

// The forms above for a caller that has no use for the report.
Result<DealSet> ReadPbnFile(const std::filesystem::path& path, DateTime today = Today());
Result<DealSet> ParsePbnText(std::string_view bytes, std::string_view fileNameForMessages,
                             DateTime today = Today());

}  // namespace tarrow
