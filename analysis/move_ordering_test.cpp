// The ordered generator: the same moves as the simple one, in the order the
// plans give.
#include "analysis/move_ordering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <vector>

#include "core/deal_number.h"
#include "core/pbn_deal.h"

namespace tarrow {
namespace {

using internal::kNoCard;

std::vector<Move> Sorted(const MoveList& list) {
  std::vector<Move> moves(list.begin(), list.end());
  std::sort(moves.begin(), moves.end());
  return moves;
}

// Also: a fourth hand following suit is ordered by a shortcut, which must
// give the order of the general per-suit plan.
TEST(OrderedMovesTest, YieldsExactlyTheSimpleMovesInEveryPosition) {
  std::mt19937_64 random(4711);
  int positions = 0, midTrick = 0, fourthHands = 0;
  for (int deal = 0; deal < 300; ++deal) {
    const uint128 value = ((uint128(random()) << 64) | random()) % kTotalDeals;
    const Deal cards = DealFromNumber(MakeDealNumber(value));
    const int trumps = int(random() % 5) - 1;
    SolverState state;
    SetUpDeal(state, cards, Seat(random() % 4));
    // Walk down one random line of play; check every position with more than
    // two tricks left, which is where the search uses the ordered generator.
    while (TricksLeft(state) > 2) {
      const MoveList simple = SimpleMoves(state);
      ASSERT_GT(simple.size, 0);
      const MoveList ordered = OrderedMoves(state, trumps);
      SCOPED_TRACE(::testing::Message() << "deal " << deal << " tricks " << TricksLeft(state)
                                        << " played " << int(state.played));
      ASSERT_EQ(Sorted(ordered), Sorted(simple));
      if (state.played == 3 && state.count[MoverOf(state)][state.suitLed] > 0) {
        Move planned[13];
        const int n = internal::SuitMoves(state, trumps, state.suitLed, planned);
        ASSERT_EQ(std::vector<Move>(ordered.begin(), ordered.end()),
                  std::vector<Move>(planned, planned + n));
        ++fourthHands;
      }
      ++positions;
      midTrick += state.played > 0;
      PlayCard(state, simple.moves[random() % size_t(simple.size)], trumps);
    }
  }
  EXPECT_GT(positions, 10000);
  EXPECT_GT(midTrick, 3000);
  EXPECT_GT(fourthHands, 1000);
}

// The card-by-card scans that SureWinner and CoverCard once were,
// kept here as the plain statement of their rules: the generator answers
// them with a few mask operations per seat instead, and must agree exactly.
namespace scan {

bool CannotWinTrick(const SolverState& state, int trumps, int suit) {
  return state.played > 0 && suit != trumps && suit != state.winSuit;
}

int SureWinner(const SolverState& state, int trumps, int suit, int seat, bool skipPartner) {
  if (CannotWinTrick(state, trumps, suit)) return kNoCard;
  const bool inProgress = state.played > 0;
  const int end = inProgress && suit == state.suitLed ? state.winRank : state.remaining[suit];
  int remembered = kNoCard;
  for (int r = 0; r < end; ++r) {
    const int h = HolderOf(state, suit, r);
    if (h == seat) {
      remembered = r;
      continue;
    }
    if (skipPartner && h == (seat ^ 2)) continue;
    if (!HasPlayed(state, h)) {
      if (!inProgress || suit == state.suitLed || state.count[h][state.suitLed] == 0) break;
      continue;
    }
    if (state.trickSuit[h] == suit && state.trickRank[h] == r) break;
  }
  return remembered;
}

int CoverCard(const SolverState& state, int trumps, int suit, int seat, bool skipPartner) {
  if (CannotWinTrick(state, trumps, suit)) return kNoCard;
  const bool inProgress = state.played > 0;
  bool done[4] = {};  // out or met
  done[seat] = true;
  for (int h = 0; h < 4; ++h) {
    if (h == seat) continue;
    const bool played = HasPlayed(state, h);
    done[h] = (played && state.trickSuit[h] != suit) || (!played && state.count[h][suit] == 0) ||
              (!played && inProgress && suit == trumps && suit != state.suitLed) ||
              (skipPartner && h == (seat ^ 2));
  }
  for (int r = state.remaining[suit] - 1; r >= 0; --r) {
    const int h = HolderOf(state, suit, r);
    if (h != seat) {
      if (!done[h] && (!HasPlayed(state, h) || state.trickRank[h] == r)) done[h] = true;
    } else if (done[0] && done[1] && done[2] && done[3]) {
      return r;
    }
  }
  return kNoCard;
}

}  // namespace scan

TEST(OrderedMovesTest, DecisiveCardsAgreeWithACardByCardScan) {
  std::mt19937_64 random(2718);
  int checks = 0, found = 0;
  for (int deal = 0; deal < 200; ++deal) {
    const uint128 value = ((uint128(random()) << 64) | random()) % kTotalDeals;
    const Deal cards = DealFromNumber(MakeDealNumber(value));
    const int trumps = int(random() % 5) - 1;
    SolverState state;
    SetUpDeal(state, cards, Seat(random() % 4));
    while (TricksLeft(state) > 1) {
      for (int suit = 0; suit < 4; ++suit) {
        SCOPED_TRACE(::testing::Message() << "deal " << deal << " tricks " << TricksLeft(state)
                                          << " played " << int(state.played) << " suit " << suit);
        for (int seat = 0; seat < 4; ++seat) {
          for (const bool skip : {false, true}) {
            const int winner = internal::SureWinner(state, trumps, suit, seat, skip);
            const int cover = internal::CoverCard(state, trumps, suit, seat, skip);
            ASSERT_EQ(winner, scan::SureWinner(state, trumps, suit, seat, skip)) << seat << skip;
            ASSERT_EQ(cover, scan::CoverCard(state, trumps, suit, seat, skip)) << seat << skip;
            found += winner != kNoCard && cover != kNoCard;
            ++checks;
          }
        }
      }
      const MoveList moves = SimpleMoves(state);
      PlayCard(state, moves.moves[random() % size_t(moves.size)], trumps);
    }
  }
  EXPECT_GT(checks, 100000);
  EXPECT_GT(found, checks / 10);
}

TEST(OrderedMovesTest, AFourthPlayerHasNoCoverGroup) {
  using internal::Group;
  for (int status = 0; status < 3; ++status) {
    for (int k = 0; k < 3; ++k) EXPECT_NE(internal::MovePlan[3][status][k], Group::kCover);
  }
}

// Declarer South: West 0, North 1, East 2, South 3.  Spades by rank index:
// A(N) K(E) Q(S) J(S) T(W) 9(W) 8(W) 7(N) 6(N) 5(E) 4(E) 3(S) 2(W).
constexpr const char* kDeal =
    "N:A76.AKQ.AKQ.AKQJ K54.JT9.JT9.T987 QJ3.876.876.6543 T982.5432.5432.2";

SolverState AfterSpades(std::initializer_list<int> ranks) {
  const Result<Deal> deal = ParsePbnDeal(kDeal);
  EXPECT_TRUE(deal.ok()) << deal.message();
  SolverState state;
  SetUpDeal(state, *deal, kSouth);
  for (int r : ranks) PlayCard(state, MakeMove(kSpades, r), kNoTrumps);
  return state;
}

TEST(OrderedMovesTest, TheFourthHandPlansByWhoIsWinning) {
  struct Row {
    const char* what;
    std::initializer_list<int> played;  // West, North, East
    std::vector<Move> expected;
  };
  const Row rows[] = {
      // Partner's 7 holds the trick: the low card first, then the winner.
      {"partner wins", {12, 7, 9}, {MakeMove(kSpades, 11), MakeMove(kSpades, 2)}},
      // West's ten wins; the queen-jack beat it: the lowest winner first.
      {"opponent wins", {4, 7, 9}, {MakeMove(kSpades, 2), MakeMove(kSpades, 11)}},
      // East's king cannot be beaten: only low cards, lowest first.
      {"cannot win", {12, 7, 1}, {MakeMove(kSpades, 11), MakeMove(kSpades, 2)}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const SolverState state = AfterSpades(row.played);
    ASSERT_EQ(MoverOf(state), 3);
    const MoveList moves = OrderedMoves(state, kNoTrumps);
    EXPECT_EQ(std::vector<Move>(moves.begin(), moves.end()), row.expected);
  }
}

TEST(OrderedMovesTest, SureWinnersAndCoverCards) {
  // West led the ten, North played the 7: East to play second to last.
  const SolverState state = AfterSpades({4, 7});
  ASSERT_EQ(MoverOf(state), 2);
  // East's king is a sure winner over the ten: South's queen-jack sit below.
  EXPECT_EQ(internal::SureWinner(state, kNoTrumps, kSpades, 2, false), 1);
  // Its cover card: the lowest card above one card of each seat still in it.
  EXPECT_EQ(internal::CoverCard(state, kNoTrumps, kSpades, 2, false), 1);
  // Nothing in another suit can win this trick in notrump.
  EXPECT_EQ(internal::SureWinner(state, kNoTrumps, kHearts, 2, false), kNoCard);
  EXPECT_EQ(internal::CoverCard(state, kNoTrumps, kHearts, 2, false), kNoCard);
}

// West to lead (declarer South) with the top cards of spades and hearts.
// In spades North is void and South holds two, in hearts each holds five.
constexpr const char* kLeadDeal =
    "N:.QJT98.AKQJT987. 5432.2.6.8765432 76.76543..AKQJT9 AKQJT98.AK.5432.";

// The first spade and the first heart among West's leads: which comes first.
TEST(OrderedMovesTest, AVoidOpponentCountsAsLongerWithTrumps) {
  struct Row {
    const char* what;
    int trumps;
    int firstSuit;
  };
  const Row rows[] = {
      // North only discards: seven spade replies against ten hearts.
      {"notrump", kNoTrumps, kSpades},
      // North void counts as long as the tricks left, though it cannot ruff.
      {"clubs", kClubs, kHearts},
  };
  const Result<Deal> deal = ParsePbnDeal(kLeadDeal);
  ASSERT_TRUE(deal.ok()) << deal.message();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SolverState state;
    SetUpDeal(state, *deal, kSouth);
    ASSERT_EQ(MoverOf(state), 0);
    const MoveList moves = OrderedMoves(state, row.trumps);
    const auto first = std::find_if(moves.begin(), moves.end(), [](Move m) {
      return MoveSuit(m) == kSpades || MoveSuit(m) == kHearts;
    });
    ASSERT_NE(first, moves.end());
    EXPECT_EQ(MoveSuit(*first), row.firstSuit);
  }
}

// West to lead (declarer South).  Clubs: North holds the ace, West the king
// and queen in the first deal, the king and jack in the second; the other
// suits give West three low cards under the opponents' top ones.
constexpr const char* kSequenceDeal =
    "N:AK5.AK5.AK5.AJ54 QJT9.QJT.QJT.T98 876.9876.9876.62 432.432.432.KQ73";
constexpr const char* kBrokenDeal =
    "N:AK5.AK5.AK5.AQ54 QJT9.QJT.QJT.T98 876.9876.9876.62 432.432.432.KJ73";

TEST(OrderedMovesTest, ANotrumpLeadForcesOutTheTopCardWithASequence) {
  auto club = [](int r) { return MakeMove(kClubs, r); };
  const Move lowSpade = MakeMove(kSpades, 10);
  const Move lowHeart = MakeMove(kHearts, 10);
  const Move lowDiamond = MakeMove(kDiamonds, 10);
  struct Row {
    const char* what;
    const char* deal;
    int trumps;
    std::vector<Move> expected;
  };
  const Row rows[] = {
      // The king from king-queen behind the ace, not the 7 or the 3; clubs
      // rank well ahead, so the 3 comes before the other suits too.
      {"notrump, king-queen",
       kSequenceDeal,
       kNoTrumps,
       {club(1), club(11), lowSpade, lowDiamond, lowHeart, club(7)}},
      // With trumps the plan stands: the low club first, the king later.
      {"hearts, king-queen",
       kSequenceDeal,
       kHearts,
       {club(11), lowSpade, lowDiamond, lowHeart, club(1), club(7)}},
      // King-jack is no sequence: the plan's low club, and no suit is ahead.
      {"notrump, king-jack",
       kBrokenDeal,
       kNoTrumps,
       {club(11), lowSpade, lowDiamond, lowHeart, club(3), club(1), club(7)}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Result<Deal> deal = ParsePbnDeal(row.deal);
    ASSERT_TRUE(deal.ok()) << deal.message();
    SolverState state;
    SetUpDeal(state, *deal, kSouth);
    ASSERT_EQ(MoverOf(state), 0);
    const MoveList moves = OrderedMoves(state, row.trumps);
    EXPECT_EQ(std::vector<Move>(moves.begin(), moves.end()), row.expected);
  }
}

TEST(OrderedMovesTest, ANotrumpLeadGoesThroughTheSecondHandsTenace) {
  // West leads (South declares).  Spades and hearts have the same lengths,
  // North the ace and East the king of both; in the first deal North also
  // holds the spade queen over East's king (a tenace to lead through), in
  // the second South holds it, as it holds the heart queen.
  const char* const tenace =
      "N:AQ2.A42..AKQJT98 K43.K53.AKQJT98. JT9.QT9.765.7654 8765.J876.432.32";
  const char* const none = "N:AJ2.A42..AKQJT98 K43.K53.AKQJT98. QT9.QT9.765.7654 8765.J876.432.32";
  for (const auto& [deal, first] : {std::pair{tenace, kSpades}, std::pair{none, kHearts}}) {
    SCOPED_TRACE(deal);
    const Result<Deal> parsed = ParsePbnDeal(deal);
    ASSERT_TRUE(parsed.ok()) << parsed.message();
    SolverState state;
    SetUpDeal(state, *parsed, kSouth);
    ASSERT_EQ(MoverOf(state), 0);
    EXPECT_EQ(MoveSuit(OrderedMoves(state, kNoTrumps).moves[0]), first);
    // With trumps the tenace does not count: the tie goes as before.
    EXPECT_EQ(MoveSuit(OrderedMoves(state, kClubs).moves[0]), kHearts);
  }
}

// Hearts trumps, East void in spades with nine trumps.  In the first deal
// West holds the spade ace and five, South the king down to the six; in the
// second West and South have swapped the ace and the king.
constexpr const char* kRuffDeal =
    "N:432.543.9876.987 .AKQJT9876.5432. KQJT9876...65432 A5.2.AKQJT.AKQJT";
constexpr const char* kRuffDealSwapped =
    "N:432.543.9876.987 .AKQJT9876.5432. AQJT9876...65432 K5.2.AKQJT.AKQJT";

// East cannot follow to a spade: whether its first move is a ruff depends
// on whether its partner's side surely wins the trick without it.
TEST(OrderedMovesTest, AVoidHandRuffsFirstUnlessPartnerSurelyWins) {
  struct Row {
    const char* what;
    const char* deal;
    Seat declarer;
    std::vector<int> spades;  // rank indexes played before East
    bool ruffFirst;
  };
  const Row rows[] = {
      // North leads the 4: West's ace beats it and every spade of South's.
      {"second hand, partner holds the top", kRuffDeal, kWest, {10}, false},
      // South's ace is still to come: West's king wins nothing for sure.
      {"second hand, the third hand holds the top", kRuffDealSwapped, kWest, {10}, true},
      // West's ace wins the trick.
      {"third hand, partner's ace", kRuffDeal, kSouth, {0, 12}, false},
      // West's 5 wins so far, but South has the king down to the six.
      {"third hand, partner's card can be beaten", kRuffDeal, kSouth, {9, 12}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Result<Deal> deal = ParsePbnDeal(row.deal);
    ASSERT_TRUE(deal.ok()) << deal.message();
    SolverState state;
    SetUpDeal(state, *deal, row.declarer);
    for (int r : row.spades) PlayCard(state, MakeMove(kSpades, r), kHearts);
    ASSERT_EQ((MoverOf(state) + row.declarer + 1) & 3, kEast);
    const MoveList moves = OrderedMoves(state, kHearts);
    ASSERT_GT(moves.size, 1);
    EXPECT_EQ(MoveSuit(moves.moves[0]) == kHearts, row.ruffFirst);
  }
}

}  // namespace
}  // namespace tarrow
