// Losing Trick Count, in half losers, under the three queen adjustments the
// operator can choose.
//
//   int halves = LosingTrickCount(kNorth, deal, QueenMethod::kUnguardedQueenHalf);
//   LtcText(15);   // "7\xBD": seven and a half losers (Windows-1252 one-half sign)
#pragma once

#include <string>

#include "core/cards.h"

namespace tarrow {

// The item index of the queen-adjustment choice; stored values outside 0..2
// act as 2 (QueenMethodFromIndex).
enum class QueenMethod : int {
  kUnguardedQueenHalf = 0,  // Q-x-x without the jack or ten counts half a loser
  kQueensAgainstAces = 1,   // one loser more or less by the excess of queens or aces
  kHalfPerExcess = 2,       // half a loser per excess queen, minus half per excess ace
};
QueenMethod QueenMethodFromIndex(int index) noexcept;

// Half losers of the seat's hand (2 = one loser).  Methods 1 and 2 can go
// below zero for hands with many aces and no queens.
int LosingTrickCount(Seat seat, const Deal& deal, QueenMethod method) noexcept;

// Whole losers in decimal, then the one-half sign (byte 0xBD) when the count
// of half losers is odd: 15 -> "7\xBD", 20 -> "10".  A negative count keeps
// its sign: -1 -> "-0\xBD", -2 -> "-1".
std::string LtcText(int halfLosers);

}  // namespace tarrow
