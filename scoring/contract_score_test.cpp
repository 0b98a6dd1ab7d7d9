// The duplicate score of made, doubled and failing contracts, the sixteen
// board vulnerability cycle, and the levels a table makes.
#include "scoring/contract_score.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrow {
namespace {

constexpr Strain kS = StrainOfSuit(kSpades), kH = StrainOfSuit(kHearts),
                 kD = StrainOfSuit(kDiamonds), kC = StrainOfSuit(kClubs);

TEST(ContractScoreTest, ScoresMadeContractsAsDuplicate) {
  struct Case {
    int level;
    Strain strain;
    int tricks;
    bool doubled, vulnerable;
    int score;
  };
  const Case cases[] = {
      {1, kNotrump, 7, false, false, 90},
      {1, kNotrump, 8, false, true, 120},
      {2, kS, 9, false, false, 140},
      {3, kC, 9, false, true, 110},
      {3, kNotrump, 9, false, false, 400},
      {3, kNotrump, 9, false, true, 600},
      {4, kH, 10, false, false, 420},
      {4, kS, 11, false, true, 650},
      {5, kD, 11, false, false, 400},
      {4, kC, 10, false, true, 130},
      {6, kS, 12, false, false, 980},
      {6, kS, 12, false, true, 1430},
      {6, kNotrump, 12, false, true, 1440},
      {7, kNotrump, 13, false, false, 1520},
      {7, kNotrump, 13, false, true, 2220},
      {7, kC, 13, false, true, 2140},
      // Doubled into game, the insult, doubled overtricks.
      {1, kS, 7, true, false, 160},
      {2, kH, 8, true, false, 470},
      {2, kH, 9, true, true, 870},
      {4, kS, 11, true, true, 990},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.level) + std::string(kStrainLabels[size_t(c.strain)]) + " " +
                 std::to_string(c.tricks));
    EXPECT_EQ(ContractScore(c.level, c.strain, c.tricks, c.doubled, c.vulnerable), c.score);
  }
}

TEST(ContractScoreTest, PenaltiesGrowByVulnerabilityAndDouble) {
  // Undoubled: 50 or 100 a trick.
  EXPECT_EQ(ContractScore(4, kS, 8, false, false), -100);
  EXPECT_EQ(ContractScore(4, kS, 8, false, true), -200);
  // Doubled, not vulnerable: 100, 300, 500, then 300 more a trick.
  const int notVulnerable[] = {100, 300, 500, 800, 1100, 1400, 1700};
  // Doubled, vulnerable: 200, 500, 800, then 300 more a trick.
  const int vulnerable[] = {200, 500, 800, 1100, 1400, 1700, 2000};
  for (int down = 1; down <= 7; ++down) {
    SCOPED_TRACE(down);
    EXPECT_EQ(ContractScore(7, kC, 13 - down, true, false), -notVulnerable[down - 1]);
    EXPECT_EQ(ContractScore(7, kC, 13 - down, true, true), -vulnerable[down - 1]);
  }
  EXPECT_EQ(ContractScore(7, kNotrump, 0, true, true), -3800);  // thirteen down
}

TEST(VulnerabilityTest, BoardVulnerabilityFollowsTheSixteenBoardCycle) {
  for (int board = 1; board <= 36; ++board) {
    SCOPED_TRACE(board);
    const std::string pbn = BoardVulnerabilityShortText(board);
    const Vulnerability vul = BoardVulnerability(board);
    EXPECT_EQ(SideVulnerable(vul, 0), pbn == "NS" || pbn == "All");
    EXPECT_EQ(SideVulnerable(vul, 1), pbn == "EW" || pbn == "All");
  }
}

TEST(MakeableLevelTest, LevelsAboveSixTricksAndNothingBelow) {
  DDTable table{};
  table.fill(6);
  table[size_t(DDIndex(kNorth, kNotrump))] = 9;
  table[size_t(DDIndex(kSouth, kH))] = 13;
  table[size_t(DDIndex(kWest, kD))] = 7;
  table[size_t(DDIndex(kEast, kC))] = 2;
  EXPECT_EQ(MakeableLevel(table, kNorth, kNotrump), 3);
  EXPECT_EQ(MakeableLevel(table, kSouth, kNotrump), 0);
  EXPECT_EQ(MakeableLevel(table, kSouth, kH), 7);
  EXPECT_EQ(MakeableLevel(table, kNorth, kH), 0);
  EXPECT_EQ(MakeableLevel(table, kWest, kD), 1);
  EXPECT_EQ(MakeableLevel(table, kEast, kC), 0);
  EXPECT_EQ(MakeableLevel(table, kEast, kS), 0);
}

}  // namespace
}  // namespace tarrow
