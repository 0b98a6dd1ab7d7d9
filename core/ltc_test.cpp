#include "core/ltc.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

constexpr QueenMethod kAllMethods[] = {
    QueenMethod::kUnguardedQueenHalf, QueenMethod::kQueensAgainstAces, QueenMethod::kHalfPerExcess};

// North holds the hand; East, South and West take the other cards in turn.
Deal WithNorth(const char* northHand) {
  Deal deal;
  deal.seatOf.fill(kEast);
  int suit = 0;
  for (const char* p = northHand; *p != '\0'; ++p) {
    if (*p == '.') {
      ++suit;
      continue;
    }
    deal.seatOf[CardIndex(Suit(suit), *RankOfLetter(*p))] = kNorth;
  }
  int next = 0;
  for (int c = 0; c < 52; ++c) {
    if (deal.seatOf[c] != kNorth) deal.seatOf[c] = NextSeat(kNorth, 1 + next++ % 3);
  }
  deal.valid = true;
  DeriveCounts(deal);
  return deal;
}

int Halves(const char* hand, QueenMethod method) {
  return LosingTrickCount(kNorth, WithNorth(hand), method);
}

TEST(LosingTrickCountTest, VoidSingletonAceAndAceKingCountNothing) {
  // A void in spades, the singleton heart ace, ace-king of diamonds, and a
  // club suit of nine whose score is 6 - (A, K, Q) under every method.
  for (QueenMethod m : kAllMethods) {
    EXPECT_EQ(LosingTrickCount(kNorth, WithNorth(".A.AK.AKQJT9876"), m),
              m == QueenMethod::kUnguardedQueenHalf  ? 0
              : m == QueenMethod::kQueensAgainstAces ? -2  // 3 aces, 1 queen
                                                     : -2);
  }
}

TEST(LosingTrickCountTest, QueenRulesDifferByMethod) {
  // Spade suits scored alone; the other suits are 4-3-3 of small cards
  // (3 + 3 + 3 losers = 18 halves) with no aces or queens.
  struct Row {
    const char* hand;
    int method0, method1, method2;
  };
  const Row rows[] = {
      {"Q32.5432.432.432", 18 + 5, 18 + 4 + 2, 18 + 4 + 1},  // Q-x-x: unguarded
      {"QJ2.5432.432.432", 18 + 4, 18 + 4 + 2, 18 + 4 + 1},  // Q-J-x
      {"AQ2.5432.432.432", 18 + 2, 18 + 2, 18 + 2},          // A-Q-x: queen guarded by the ace
      {"K2.65432.432.432", 18 + 2, 18 + 2, 18 + 2},          // K-x doubleton
      {"Q2.65432.432.432", 18 + 4, 18 + 4 + 2, 18 + 4 + 1},  // Q-x: the queen still counts
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.hand);
    EXPECT_EQ(Halves(row.hand, QueenMethod::kUnguardedQueenHalf), row.method0);
    EXPECT_EQ(Halves(row.hand, QueenMethod::kQueensAgainstAces), row.method1);
    EXPECT_EQ(Halves(row.hand, QueenMethod::kHalfPerExcess), row.method2);
  }
}

TEST(LosingTrickCountTest, FourAcesWithoutQueensLowerTheCountByMethod) {
  // A432 A32 A32 A32: suit sum 4 + 4 + 4 + 4 halves.
  const char* hand = "A432.A32.A32.A32";
  EXPECT_EQ(Halves(hand, QueenMethod::kUnguardedQueenHalf), 16);
  EXPECT_EQ(Halves(hand, QueenMethod::kQueensAgainstAces), 14);
  EXPECT_EQ(Halves(hand, QueenMethod::kHalfPerExcess), 12);
}

TEST(LosingTrickCountTest, TextShowsWholeLosersAndTheHalfSign) {
  EXPECT_EQ(LtcText(13), "6\xBD");
  EXPECT_EQ(LtcText(15), "7\xBD");
  EXPECT_EQ(LtcText(20), "10");
  EXPECT_EQ(LtcText(0), "0");
  EXPECT_EQ(LtcText(-3), "-1\xBD");
}

TEST(LosingTrickCountTest, StoredIndexesOutsideTheChoiceActAsTheThird) {
  EXPECT_EQ(QueenMethodFromIndex(0), QueenMethod::kUnguardedQueenHalf);
  EXPECT_EQ(QueenMethodFromIndex(1), QueenMethod::kQueensAgainstAces);
  EXPECT_EQ(QueenMethodFromIndex(2), QueenMethod::kHalfPerExcess);
  EXPECT_EQ(QueenMethodFromIndex(7), QueenMethod::kHalfPerExcess);
}

}  // namespace
}  // namespace tarrow
