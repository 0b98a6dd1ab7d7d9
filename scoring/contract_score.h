// The duplicate score of a contract, the vulnerability of a board, and the
// contracts a table says a seat makes: what par and the hand records'
// contract lines count with.
//
//   ContractScore(4, StrainOfSuit(kSpades), 10, false, true);   // 620
//   SideVulnerable(BoardVulnerability(2), 0);                  // true: NS on board 2
//   MakeableLevel(entry.table, kNorth, kNotrump);               // 3 when North takes 9
#pragma once

#include <cstdint>

#include "core/cards.h"
#include "core/deal_set.h"

namespace tarrow {

enum class Vulnerability : uint8_t { kNone, kNorthSouth, kEastWest, kBoth };

// The vulnerability of a board by (board - 1) mod 16.
Vulnerability BoardVulnerability(int board) noexcept;
constexpr bool SideVulnerable(Vulnerability vul, int side) noexcept {
  return vul == Vulnerability::kBoth ||
         (side == 0 ? vul == Vulnerability::kNorthSouth : vul == Vulnerability::kEastWest);
}

// Duplicate score of one contract for the declaring side: level 1..7,
// tricks 0..13 taken by declarer; positive when it makes, negative when it
// fails (doubled penalties when doubled).
int ContractScore(int level, Strain strain, int tricks, bool doubled, bool vulnerable) noexcept;

// The highest level a seat makes in a strain, 0 when it takes 6 tricks or
// fewer: what the hand records' contract lines list.
constexpr int MakeableLevel(const DDTable& table, Seat declarer, Strain strain) noexcept {
  const int tricks = table[size_t(DDIndex(declarer, strain))];
  return tricks > 6 ? tricks - 6 : 0;
}

}  // namespace tarrow
