// Deal files from dealing machines and other programs: ".bre", ".ber" and
// ".bri", read into an import buffer of at most 36 deals and turned into a
// set.  A deal that does not parse keeps its place, marked invalid, so the
// board numbers follow the file.
//
//   Result<ImportBuffer> imported = ReadBerFile(path);
//   if (imported.ok()) set = DealSetFromImport(*imported);   // seed "None"
//
// Seats are 1..4 or fields in the order North, East, South, West; a card is
// its index, suit * 13 + rank (spades first, ace first).  A deal is valid
// only when every seat holds 13 cards and no card is named twice.
//
//   | format | layout                                                              |
//   |--------|---------------------------------------------------------------------|
//   | .bre   | lines before the first whose first byte is 06 are skipped; from it  |
//   |        | on every line is one deal (an empty or short line: invalid deal):   |
//   |        | four 17-byte fields N, E, S, W (bytes 1-17, 18-34, 35-51, 52-68,    |
//   |        | the rest ignored); in a field the bytes 06 03 04 05 switch to       |
//   |        | spades, hearts, diamonds, clubs, and every other byte is an upper-  |
//   |        | case rank letter "AKQJT98765432" of the current suit                |
//   | .ber   | the first line only, in groups of 52 characters (a shorter rest is  |
//   |        | ignored); character i of a group is "1".."4", the seat (N E S W)    |
//   |        | holding card i - 1                                                  |
//   | .bri   | all lines joined, blanks trimmed at both ends: a stream of two-     |
//   |        | digit numbers 01..52 (card k - 1), 39 per deal: 13 North, 13 East, |
//   |        | 13 South; West holds the rest.  A pair that is not two digits is    |
//   |        | skipped (pairs are not re-aligned); past the end a number reads as  |
//   |        | 01 and the deal is invalid.  Deals are read while text is left.     |
#pragma once

#include <array>
#include <filesystem>
#include <string_view>

#include "core/cards.h"
#include "core/deal_set.h"
#include "core/result.h"

namespace tarrow {

struct ImportBuffer {
  std::array<Deal, kBoardsPerSet> deals;  // boards 1..count at 0..count - 1
  int count = 0;                          // boards taken from the file, 0..36
};

// The memory forms never fail: any bytes give 0..36 deals.
ImportBuffer ParseBreText(std::string_view bytes);
ImportBuffer ParseBerText(std::string_view bytes);
ImportBuffer ParseBriText(std::string_view bytes);

// The file forms fail only when the file cannot be read (message names it).
Result<ImportBuffer> ReadBreFile(const std::filesystem::path& path);
Result<ImportBuffer> ReadBerFile(const std::filesystem::path& path);
Result<ImportBuffer> ReadBriFile(const std::filesystem::path& path);

// What a file's extension says it holds.
enum class DealFileKind { kPbn = 0, kBer = 1, kBri = 2, kBre = 3, kUnknown = -1 };

// The kind by the extension, in any case: ".pbn", ".ber", ".bri", ".bre",
// anything else kUnknown.
DealFileKind DealExtensionKind(const std::filesystem::path& path);

// A fresh set of the imported boards: each deal numbered and expanded again
// (an invalid deal gives an absent board), seed "None", every other header
// field empty, dates and digest zero, so the set counts as unsaved.
DealSet DealSetFromImport(const ImportBuffer& imported);

}  // namespace tarrow
