// Deal files for dealing machines: boards 1..N of a set written as ".dup",
// ".bri", ".bre" or ".ber", so that a club's machine deals the boards the
// program made.  The ".bri", ".bre" and ".ber" forms are exact inverses of
// the readers in deal_files.h (each deal reads back to the same deal, board
// for board); ".dup" is the ".bri" form and the ".bre" form of a board side
// by side with the machine's run data after them.
//
//   Result<std::string> bytes = DealFileBytes(set, DealFileFormat::kDup, 32);
//   if (bytes.ok()) status = gate.writer->Write("club.dup", *bytes);   // through the output gate
//
// A card's number is its index + 1 (01 the ace of spades, 52 the deuce of
// clubs); the suit marks are the bytes 06 03 04 05 for spades, hearts,
// diamonds, clubs.  Text lines end with CR LF, as every text file the
// program writes; the readers take either line end.  ".bri" and ".dup" are
// fixed records without line ends.
//
//   | format | per board                                                       |
//   |--------|-----------------------------------------------------------------|
//   | .bri   | a 128-byte record per board, no line ends: 78 digits, North's,  |
//   |        | East's and South's 13 card numbers as two digits each, in        |
//   |        | increasing order, then 32 blanks and 18 zero bytes (the record   |
//   |        | dealing programs read)                                           |
//   | .ber   | 52 seat digits "1".."4" (N E S W), the seat of card 1 first;    |
//   |        | every board on the one line                                      |
//   | .bre   | 68 bytes, four 17-byte fields N, E, S, W: each suit mark        |
//   |        | followed by that suit's rank letters "AKQJT98765432", spades to |
//   |        | clubs; a line per board                                          |
//   | .dup   | 156 bytes and no separator: bytes 1-78 the .bri form, 79-146    |
//   |        | the .bre form, 147-156 the run data (below)                      |
//
// The run data of a .dup board: "Y" (random hands) and "N" (no backwards
// counting), then the lowest board number (3 bytes), the copies of each
// board (2 bytes) and the highest board number (3 bytes), each left-aligned
// and padded with blanks.  Boards 1-32, one copy: "YN1  1 32 ".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/cards.h"
#include "core/deal_set.h"
#include "core/result.h"

namespace tarrow {

enum class DealFileFormat { kDup, kBri, kBre, kBer };

// The format a name on the command line or in a menu gives: "dup", "bri",
// "bre" or "ber", in any case, with or without the leading dot; nothing for
// any other name.
std::optional<DealFileFormat> DealFileFormatFromName(std::string_view name);
// The name of a format without the dot, "dup", and its extension, ".dup".
std::string_view DealFileFormatName(DealFileFormat format);
std::string DealFileExtension(DealFileFormat format);

// The highest board of the set whose deal is known, 0 for an empty set; an
// export writes no further by default (nor past the boards in play).
int LastPresentBoard(const DealSet& set) noexcept;

// The whole file for boards 1..lastBoard of the set.  Refused (nothing made)
// when lastBoard is outside 1..36, or when a board in that range is absent:
// the message names the board, because a machine cannot deal a board
// nobody knows, and leaving it out would shift every later board.
Result<std::string> DealFileBytes(const DealSet& set, DealFileFormat format, int lastBoard);

// One board in each form, for the file above and for its tests.  The deal
// must be valid (13 cards a seat).
std::string BriDealText(const Deal& deal);  // 78 digits
std::string BriRecord(const Deal& deal);    // 128 bytes: the 78 digits and the padding
std::string BerDealText(const Deal& deal);  // 52 seat digits
std::string BreDealText(const Deal& deal);  // 68 bytes
// The ten bytes of .dup run data for boards lowest..highest (1..999), with
// `copies` copies of each (1..99).
std::string DupRunData(int lowest, int copies, int highest);

}  // namespace tarrow
