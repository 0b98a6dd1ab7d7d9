// Deal files from dealing machines and other programs: ".bre", ".ber",
// ".bri" and ".dup", read into an import buffer of at most 36 deals and turned into a
// set.  The readers are strict: a byte the format does not allow, or a deal
// that is not 4 x 13 cards, refuses the whole file with a message naming the
// file, the line (.bre) or byte offset (.ber, .bri, counted from 0) and the
// reason, because a board left out would shift the numbers of the boards
// after it.  Deals past the 36th are ignored and fewer than 36 leave the
// rest of the set empty; both are warnings in the LoadReport.
//
//   LoadReport report;
//   Result<ImportBuffer> imported = ReadBerFile(path, report);
//   if (imported.ok()) set = DealSetFromImport(*imported);   // seed "None"
//
// Seats are 1..4 or fields in the order North, East, South, West; a card is
// its index, suit * 13 + rank (spades first, ace first).  A deal is valid
// only when every seat holds 13 cards and no card is named twice.  A Ctrl-Z
// ending the file (old DOS programs) is no part of it.
//
//   | format | layout                                                              |
//   |--------|---------------------------------------------------------------------|
//   | .bre   | lines before the first whose first byte is 06 are skipped; from it  |
//   |        | on every line is one deal (empty lines may only end the file):      |
//   |        | four 17-byte fields N, E, S, W (bytes 1-17, 18-34, 35-51, 52-68,    |
//   |        | the rest ignored; a shorter line is an error); in a field the bytes |
//   |        | 06 03 04 05 switch to spades, hearts, diamonds, clubs, and every    |
//   |        | other byte is an upper-case rank letter "AKQJT98765432" of the      |
//   |        | current suit                                                        |
//   | .ber   | the whole file: seat digits "1".."4" and line ends only (a line    |
//   |        | end may fall anywhere and counts for nothing), in whole groups of  |
//   |        | 52; character i of a group is the seat (N E S W) holding card i - 1 |
//   | .bri   | digits and padding (blanks, tabs, zero bytes) only, line ends      |
//   |        | removed: a stream of two-digit numbers 01..52 (card k - 1), 39 per |
//   |        | deal: 13 North, 13 East, 13 South; West holds the rest.  Padding   |
//   |        | between numbers is stepped over (a dealing program's record is 128 |
//   |        | bytes: 78 digits, 32 blanks, 18 zero bytes); padding inside a      |
//   |        | number, or a deal cut short by the end, is an error.               |
//   | .dup   | 156-byte records, one per board (a line end after a record is      |
//   |        | allowed): 78 digits of the .bri form, 68 bytes of the .bre form,   |
//   |        | which must give the same deal, and 10 bytes of run data: two flag  |
//   |        | letters, the lowest board (3 bytes), the copies (2), the highest   |
//   |        | board (3), numbers padded with blanks.  The first record's run data |
//   |        | numbers the boards: the records are boards lowest..highest.        |
#pragma once

#include <array>
#include <filesystem>
#include <string_view>

#include "core/cards.h"
#include "core/deal_set.h"
#include "core/result.h"
#include "files/load_report.h"

namespace tarrow {

struct ImportBuffer {
  std::array<Deal, kBoardsPerSet> deals;  // boards firstBoard.. at 0..count - 1
  int count = 0;                          // boards taken from the file, 1..36 after a read
  int firstBoard = 1;                     // a .dup file's run data may start later
};

// The memory forms: fileName names the source in messages.  Any bytes give
// 1..36 deals or an error; warnings and what the set cannot keep are added
// to `report` only on success.
Result<ImportBuffer> ParseBreText(std::string_view bytes, LoadReport& report,
                                  std::string_view fileName = "the .bre text");
Result<ImportBuffer> ParseBerText(std::string_view bytes, LoadReport& report,
                                  std::string_view fileName = "the .ber text");
Result<ImportBuffer> ParseBriText(std::string_view bytes, LoadReport& report,
                                  std::string_view fileName = "the .bri text");
Result<ImportBuffer> ParseDupText(std::string_view bytes, LoadReport& report,
                                  std::string_view fileName = "the .dup text");

// The file forms: as above, and an error naming the file when it cannot be
// read.
Result<ImportBuffer> ReadBreFile(const std::filesystem::path& path, LoadReport& report);
Result<ImportBuffer> ReadBerFile(const std::filesystem::path& path, LoadReport& report);
Result<ImportBuffer> ReadBriFile(const std::filesystem::path& path, LoadReport& report);
Result<ImportBuffer> ReadDupFile(const std::filesystem::path& path, LoadReport& report);
// The reader the extension names (.bre, .ber, .bri, .dup, in any case); any
// other extension is an error naming the file.
Result<ImportBuffer> ReadDealFile(const std::filesystem::path& path, LoadReport& report);

// The forms above for a caller that has no use for the report.
Result<ImportBuffer> ParseBreText(std::string_view bytes);
Result<ImportBuffer> ParseBerText(std::string_view bytes);
Result<ImportBuffer> ParseBriText(std::string_view bytes);
Result<ImportBuffer> ParseDupText(std::string_view bytes);
Result<ImportBuffer> ReadBreFile(const std::filesystem::path& path);
Result<ImportBuffer> ReadBerFile(const std::filesystem::path& path);
Result<ImportBuffer> ReadBriFile(const std::filesystem::path& path);

// What a file's extension says it holds.
enum class DealFileKind { kPbn = 0, kBer = 1, kBri = 2, kBre = 3, kDup = 4, kUnknown = -1 };

// The kind by the extension, in any case: ".pbn", ".ber", ".bri", ".bre",
// ".dup", anything else kUnknown.
DealFileKind DealExtensionKind(const std::filesystem::path& path);

// A fresh set of the imported boards (from firstBoard on): each deal numbered and expanded again
// (an invalid deal, which no reader gives, would be an absent board), seed
// "None", every other header field empty, dates and digest zero, so the set
// counts as unsaved.
DealSet DealSetFromImport(const ImportBuffer& imported);

}  // namespace tarrow
