#include "scoring/contract_score.h"

#include <algorithm>

namespace tarrow {

Vulnerability BoardVulnerability(int board) noexcept {
  // The sixteen-board cycle: None NS EW Both, NS EW Both None,
  // EW Both None NS, Both None NS EW.
  constexpr Vulnerability kCycle[16] = {
      Vulnerability::kNone,    Vulnerability::kNorthSouth, Vulnerability::kEastWest,
      Vulnerability::kBoth,    Vulnerability::kNorthSouth, Vulnerability::kEastWest,
      Vulnerability::kBoth,    Vulnerability::kNone,       Vulnerability::kEastWest,
      Vulnerability::kBoth,    Vulnerability::kNone,       Vulnerability::kNorthSouth,
      Vulnerability::kBoth,    Vulnerability::kNone,       Vulnerability::kNorthSouth,
      Vulnerability::kEastWest};
  int i = (board - 1) % 16;
  if (i < 0) i += 16;
  return kCycle[i];
}

int ContractScore(int level, Strain strain, int tricks, bool doubled, bool vulnerable) noexcept {
  const int needed = level + 6;
  if (tricks < needed) {
    const int down = needed - tricks;
    if (!doubled) return -(vulnerable ? 100 : 50) * down;
    // Doubled: 100, 300, 500 then 300 a trick not vulnerable; 200, 500,
    // 800 then 300 a trick vulnerable.
    int penalty = vulnerable ? 200 + 300 * (down - 1)
                             : 100 + 200 * std::min(down - 1, 2) + 300 * std::max(down - 3, 0);
    return -penalty;
  }
  const int perTrick = strain == kNotrump ? 30 : (strain <= 2 ? 30 : 20);
  int contractPoints = perTrick * level + (strain == kNotrump ? 10 : 0);
  if (doubled) contractPoints *= 2;
  int score = contractPoints;
  score += contractPoints >= 100 ? (vulnerable ? 500 : 300) : 50;
  if (level == 6) score += vulnerable ? 750 : 500;
  if (level == 7) score += vulnerable ? 1500 : 1000;
  const int over = tricks - needed;
  if (doubled) {
    score += 50 + over * (vulnerable ? 200 : 100);
  } else {
    score += over * perTrick;
  }
  return score;
}

}  // namespace tarrow
