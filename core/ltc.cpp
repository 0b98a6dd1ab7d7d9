#include "core/ltc.h"

#include <cstdlib>

namespace tarrow {

QueenMethod QueenMethodFromIndex(int index) noexcept {
  if (index == 0) return QueenMethod::kUnguardedQueenHalf;
  if (index == 1) return QueenMethod::kQueensAgainstAces;
  return QueenMethod::kHalfPerExcess;
}

int LosingTrickCount(Seat seat, const Deal& deal, QueenMethod method) noexcept {
  int total = 0;
  int aces = 0;
  int queens = 0;
  for (Suit s : kSuits) {
    const auto holds = [&](Rank r) { return deal.seatOf[CardIndex(s, r)] == seat; };
    const bool ace = holds(kAce), king = holds(kKing), queen = holds(kQueen), jack = holds(kJack),
               ten = holds(kTen);
    aces += ace;
    queens += queen;
    const int length = deal.suitLength[seat][s];
    int halves;
    if (length == 0) {
      halves = 0;
    } else if (length == 1) {
      halves = ace ? 0 : 2;
    } else if (length == 2) {
      halves = 4 - 2 * (ace + king);
    } else {
      halves = 6 - 2 * ace - 2 * king;
      if (queen) {
        const bool guarded = jack || ten || ace || king;
        if (method != QueenMethod::kUnguardedQueenHalf || guarded) {
          halves -= 2;
        } else {
          halves -= 1;
        }
      }
    }
    total += halves;
  }
  switch (method) {
    case QueenMethod::kUnguardedQueenHalf:
      break;
    case QueenMethod::kQueensAgainstAces:
      if (aces > queens) total -= 2;
      if (queens > aces) total += 2;
      break;
    case QueenMethod::kHalfPerExcess:
      total += queens - aces;
      break;
  }
  return total;
}

std::string LtcText(int halfLosers) {
  const int magnitude = std::abs(halfLosers);
  std::string text = halfLosers < 0 ? "-" : "";
  text += std::to_string(magnitude / 2);
  if (magnitude % 2 != 0) text += '\xBD';
  return text;
}

}  // namespace tarrow
