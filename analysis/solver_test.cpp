// The search and the position steps: set-up, playing cards, the last trick,
// the driver, and the positions the search must get right by construction.
#include "analysis/solver.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "analysis/solver_for_test.h"
#include "analysis/test_support.h"
#include "core/deal_number.h"

namespace tarrow {
namespace {

using testing::EndingOf;
using testing::ExpectEveryHandHolds;
using testing::kGo;
using testing::MakeSolver;
using testing::NumberOf;

// Every spade with North, hearts with South, diamonds with East, clubs with
// West: each side can only ever win with its own long suits.
constexpr const char* kFourSuitsDeal =
    "N:AKQJT98765432... ..AKQJT98765432. .AKQJT98765432.. ...AKQJT98765432";

// Field by field: the record has padding that a byte comparison would read.
bool SameState(const SolverState& a, const SolverState& b) {
  return std::memcmp(a.holders, b.holders, sizeof a.holders) == 0 &&
         std::memcmp(a.count, b.count, sizeof a.count) == 0 &&
         std::memcmp(a.remaining, b.remaining, sizeof a.remaining) == 0 &&
         std::memcmp(a.trickSuit, b.trickSuit, sizeof a.trickSuit) == 0 &&
         std::memcmp(a.trickRank, b.trickRank, sizeof a.trickRank) == 0 && a.played == b.played &&
         a.suitLed == b.suitLed && a.leader == b.leader && a.winSuit == b.winSuit &&
         a.winRank == b.winRank && a.winSeat == b.winSeat;
}

// A hand-made position of one suit per position (one trick left):
// cards[p] = {suit, rank index}.
SolverState LastTrick(const int cards[4][2], int leader) {
  SolverState state{};
  for (int p = 0; p < 4; ++p) ++state.remaining[cards[p][0]];
  // Rank indexes within each suit must be 0..remaining-1, as the cards given.
  for (int p = 0; p < 4; ++p) {
    state.holders[cards[p][0]] |= uint32_t(p) << (2 * cards[p][1]);
    state.count[p][cards[p][0]] = 1;
  }
  state.leader = uint8_t(leader);
  return state;
}

TEST(SolverStateTest, SetUpPlacesCardsByRelativePosition) {
  const Result<Deal> deal = ParsePbnDeal(kFourSuitsDeal);
  ASSERT_TRUE(deal.ok());
  SolverState state;
  SetUpDeal(state, *deal, kSouth);                  // West leads: West 0, North 1, East 2, South 3
  EXPECT_EQ(state.holders[kSpades], 0x1555555u);    // every spade at North, position 1
  EXPECT_EQ(state.holders[kHearts], 0x3FFFFFFu);    // South, position 3
  EXPECT_EQ(state.holders[kDiamonds], 0x2AAAAAAu);  // East, position 2
  EXPECT_EQ(state.holders[kClubs], 0u);             // West, position 0
  EXPECT_EQ(state.count[1][kSpades], 13);
  EXPECT_EQ(state.count[0][kClubs], 13);
  EXPECT_EQ(state.count[0][kSpades], 0);
  EXPECT_EQ(state.remaining[kHearts], 13);
  EXPECT_EQ(state.leader, 0);
  EXPECT_EQ(state.played, 0);
}

TEST(SolverStateTest, ACompleteTrickLeavesPlayAndTheRanksBelowMoveUp) {
  const Result<Deal> deal =
      ParsePbnDeal("N:A76.AKQ.AKQ.AKQJ K54.JT9.JT9.T987 QJ3.876.876.6543 T982.5432.5432.2");
  ASSERT_TRUE(deal.ok()) << deal.message();
  SolverState state;
  SetUpDeal(state, *deal, kSouth);  // positions: W 0, N 1, E 2, S 3
  // Spades by rank index: A(N) K(E) Q(S) J(S) T(W) 9(W) 8(W) 7(N) 6(N) 5(E) 4(E) 3(S) 2(W).
  PlayCard(state, MakeMove(kSpades, 4), kNoTrumps);  // West: ten
  EXPECT_EQ(state.played, 1);
  PlayCard(state, MakeMove(kSpades, 0), kNoTrumps);  // North: ace
  PlayCard(state, MakeMove(kSpades, 1), kNoTrumps);  // East: king
  EXPECT_EQ(state.winSeat, 1);
  EXPECT_EQ(state.remaining[kSpades], 13);  // still in play until the trick is complete
  EXPECT_EQ(TricksLeft(state), 13);
  PlayCard(state, MakeMove(kSpades, 2), kNoTrumps);  // South: queen
  EXPECT_EQ(state.played, 0);
  EXPECT_EQ(state.leader, 1);  // North won with the ace
  EXPECT_EQ(state.remaining[kSpades], 9);
  EXPECT_EQ(state.count[0][kSpades], 3);
  EXPECT_EQ(state.count[2][kSpades], 2);
  EXPECT_EQ(TricksLeft(state), 12);
  // Left in play: J(S) 9 8(W) 7 6(N) 5 4(E) 3(S) 2(W) -> rank indexes 0..8.
  const int expected[9] = {3, 0, 0, 1, 1, 2, 2, 3, 0};
  for (int r = 0; r < 9; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(HolderOf(state, kSpades, r), expected[r]);
  }
  EXPECT_EQ(state.holders[kSpades] >> 18, 0u);  // nothing above the cards in play
}

TEST(SolverStateTest, TheLastTrickFollowsTheRulesOfPlay) {
  struct Row {
    const char* what;
    int cards[4][2];  // per position {suit, rank index}
    int leader;
    int trumps;
    bool declarerSide;
  };
  const Row rows[] = {
      // A discard never wins, however high.
      {"discard", {{kHearts, 1}, {kSpades, 0}, {kHearts, 0}, {kClubs, 0}}, 0, kNoTrumps, false},
      {"led suit", {{kHearts, 1}, {kHearts, 0}, {kHearts, 2}, {kHearts, 3}}, 0, kNoTrumps, true},
      // A trump beats any card of another suit, even the ace led.
      {"ruff", {{kHearts, 0}, {kHearts, 1}, {kClubs, 0}, {kSpades, 0}}, 0, kClubs, false},
      {"ruff by declarer",
       {{kHearts, 0}, {kHearts, 1}, {kClubs, 0}, {kSpades, 0}},
       0,
       kSpades,
       true},
      {"no trump played",
       {{kHearts, 0}, {kHearts, 1}, {kClubs, 0}, {kSpades, 0}},
       0,
       kDiamonds,
       false},
      // Among trumps the smaller rank index wins.
      {"overruff", {{kHearts, 0}, {kClubs, 1}, {kClubs, 0}, {kClubs, 2}}, 0, kClubs, false},
      {"trump lead", {{kClubs, 2}, {kClubs, 0}, {kClubs, 1}, {kHearts, 0}}, 0, kClubs, true},
      {"the leader's suit",
       {{kDiamonds, 0}, {kHearts, 0}, {kSpades, 0}, {kClubs, 0}},
       3,
       kNoTrumps,
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const SolverState state = LastTrick(row.cards, row.leader);
    EXPECT_EQ(LastTrickWonByDeclarerSide(state, row.trumps), row.declarerSide);
  }
}

TEST(SolverTest, TargetZeroIsAlwaysMadeAndAStopMakesEveryOtherTargetFail) {
  auto solver = MakeSolver();
  const std::atomic<bool> stopped{true};
  SolverForTest::SetSearch(*solver, kHearts, false, stopped);
  SolverForTest::SetUpDeal(*solver, NumberOf(kFourSuitsDeal), kSouth);
  EXPECT_TRUE(SolverForTest::CanMake(*solver, 0));
  EXPECT_TRUE(SolverForTest::CanMake(*solver, -3));
  EXPECT_FALSE(SolverForTest::CanMake(*solver, 1));  // South makes 13 here when not stopped
  SolverForTest::SetSearch(*solver, kHearts, false, kGo);
  EXPECT_TRUE(SolverForTest::CanMake(*solver, 13));
  const SideTricks stoppedTricks =
      solver->SolveSide(NumberOf(kFourSuitsDeal), StrainOfSuit(kHearts), kSouth, stopped);
  EXPECT_EQ(stoppedTricks.declarer, 0);
  EXPECT_EQ(stoppedTricks.partner, 0);
}

TEST(SolverTest, TargetsAboveTheTricksLeftFailWithoutASearch) {
  auto solver = MakeSolver();
  SolverForTest::SetSearch(*solver, kSpades, false, kGo);
  SolverForTest::SetUpDeal(*solver, NumberOf(kFourSuitsDeal), kNorth);
  const uint64_t before = solver->Nodes();
  EXPECT_FALSE(SolverForTest::CanMake(*solver, 14));
  EXPECT_EQ(solver->Nodes() - before, 1u);
  EXPECT_TRUE(SolverForTest::CanMake(*solver, 13));
}

TEST(SolverTest, ATrickInProgressStillCountsAsOneTrick) {
  // One trick left, three cards already on the table: the cards stay in the
  // holdings, so the position still has one trick to play.
  const int cards[4][2] = {{kHearts, 1}, {kHearts, 3}, {kHearts, 2}, {kHearts, 0}};
  SolverState state = LastTrick(cards, 0);
  PlayCard(state, MakeMove(kHearts, 1), kNoTrumps);
  PlayCard(state, MakeMove(kHearts, 3), kNoTrumps);
  PlayCard(state, MakeMove(kHearts, 2), kNoTrumps);
  EXPECT_EQ(TricksLeft(state), 1);
  auto solver = MakeSolver();
  SolverForTest::SetSearch(*solver, kNoTrumps, false, kGo);
  SolverForTest::SetState(*solver, state);
  EXPECT_TRUE(SolverForTest::CanMake(*solver, 1));  // declarer (position 3) still holds the ace
  EXPECT_FALSE(SolverForTest::CanMake(*solver, 2));
  EXPECT_TRUE(SameState(SolverForTest::State(*solver), state)) << "the search changed the position";
}

TEST(SolverTest, SidesThatHoldEveryOrNoTrickGetThirteenOrZeroInBothPasses) {
  auto solver = MakeSolver();
  const DealNumber number = NumberOf(kFourSuitsDeal);
  struct Row {
    Strain strain;
    Seat declarer;
    int tricks;
  };
  // North's spades and South's hearts take every trick as trumps; in notrump
  // the opening leader runs his suit.
  const Row rows[] = {{StrainOfSuit(kSpades), kNorth, 13},
                      {StrainOfSuit(kHearts), kSouth, 13},
                      {kNotrump, kNorth, 0},
                      {StrainOfSuit(kDiamonds), kWest, 13},
                      {StrainOfSuit(kClubs), kEast, 13},
                      {kNotrump, kEast, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "strain " << row.strain << " declarer " << row.declarer);
    const SideTricks tricks = solver->SolveSide(number, row.strain, row.declarer, kGo);
    EXPECT_EQ(tricks.declarer, row.tricks);
    EXPECT_EQ(tricks.partner, row.tricks);
  }
}

TEST(SolverTest, TheTableIndexesNotrumpFirstAndClubsLast) {
  auto solver = MakeSolver();
  const DDTable table = SolveDeal(*solver, NumberOf(kFourSuitsDeal), kGo);
  // Rows N E S W, columns NT S H D C.  North-South win every trick with
  // spades or hearts as trumps; East-West with diamonds or clubs; in notrump
  // the leader's side runs its suit (E leads for N/S, S or N for E/W).
  const DDTable expected = {0, 13, 13, 0,  0,   //
                            0, 0,  0,  13, 13,  //
                            0, 13, 13, 0,  0,   //
                            0, 0,  0,  13, 13};
  EXPECT_EQ(table, expected);
}

TEST(SolverTest, AMoverWithoutCardsGetsNoMovesAndTheNodeKeepsItsStartingValue) {
  // An out-of-range number gives the deal with every card at North.
  const DealNumber outOfRange = MakeDealNumber(kTotalDeals);
  auto solver = MakeSolver();
  SolverForTest::SetSearch(*solver, kNoTrumps, false, kGo);
  // Declarer North: East leads and holds nothing, so the defenders cannot
  // refute anything.
  SolverForTest::SetUpDeal(*solver, outOfRange, kNorth);
  EXPECT_EQ(SolverForTest::GenerateMoves(*solver).size, 0);
  EXPECT_TRUE(SolverForTest::CanMake(*solver, 7));
  // Declarer West: North leads; then dummy (East) has nothing, so declarer's
  // side never achieves anything.
  SolverForTest::SetUpDeal(*solver, outOfRange, kWest);
  EXPECT_GT(SolverForTest::GenerateMoves(*solver).size, 0);
  EXPECT_FALSE(SolverForTest::CanMake(*solver, 1));
  const SideTricks tricks = solver->SolveSide(outOfRange, StrainOfSuit(kClubs), kWest, kGo);
  EXPECT_EQ(tricks.declarer, 0);
  EXPECT_EQ(tricks.partner, 13);  // East declares: South leads and holds nothing
}

// The position of `state` as the partner's pass describes it: every position
// p becomes p ^ 2.
SolverState Mirrored(const SolverState& state) {
  SolverState m = state;
  for (int s = 0; s < 4; ++s) m.holders[s] = state.holders[s] ^ MirrorMask[state.remaining[s]];
  for (int p = 0; p < 4; ++p) {
    for (int s = 0; s < 4; ++s) m.count[p ^ 2][s] = state.count[p][s];
  }
  m.leader = uint8_t(state.leader ^ 2);
  return m;
}

TEST(SolverTest, ThePartnersPassReadsTheBoundsOfTheFirstPass) {
  const DealNumber number =
      NumberOf("N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83");
  auto solver = MakeSolver();
  SolverForTest::ClearTable(*solver);
  SolverForTest::SetSearch(*solver, kHearts, false, kGo);
  SolverForTest::SetUpDeal(*solver, number, kNorth);
  // Play the first trick the way the search would try it first.
  for (int i = 0; i < 4; ++i) {
    SolverForTest::PlayCard(*solver, SolverForTest::GenerateMoves(*solver).moves[0]);
  }
  const SolverState pass1 = SolverForTest::State(*solver);
  ASSERT_EQ(pass1.played, 0);
  const bool made = SolverForTest::CanMake(*solver, 7);

  // The partner's set-up is the mirror image of the declarer's, apart from
  // the opening leader (East for North, West for South).
  SolverState north, south;
  SetUpDeal(north, DealFromNumber(number), kNorth);
  SetUpDeal(south, DealFromNumber(number), kSouth);
  south.leader = 2;
  EXPECT_TRUE(SameState(Mirrored(north), south));

  // The same cards with South as declarer: the same key through the mirror.
  const SolverState pass2 = Mirrored(pass1);
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(pass2.remaining[s], pass1.remaining[s]);
  }
  const TableKey key1 = MakeTableKey(pass1.holders, pass1.remaining, pass1.count, pass1.leader, 0);
  const TableKey key2 = MakeTableKey(pass2.holders, pass2.remaining, pass2.count, pass2.leader, 2);
  EXPECT_EQ(key1.lengths, key2.lengths);
  EXPECT_EQ(key1.leader, key2.leader);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(key1.holders[s], key2.holders[s]);
  const TableKey plain2 =
      MakeTableKey(pass2.holders, pass2.remaining, pass2.count, pass2.leader, 0);
  EXPECT_NE(key1.leader, plain2.leader);

  // Mirror on: the stored bound answers at once (one node, no search).
  SolverForTest::SetSearch(*solver, kHearts, true, kGo);
  SolverForTest::SetState(*solver, pass2);
  const uint64_t before = solver->Nodes();
  EXPECT_EQ(SolverForTest::CanMake(*solver, 7), made);
  EXPECT_EQ(solver->Nodes() - before, 1u);
  // Mirror off, the key is another one and the search starts from scratch.
  SolverForTest::SetSearch(*solver, kHearts, false, kGo);
  const uint64_t before2 = solver->Nodes();
  SolverForTest::CanMake(*solver, 7);
  EXPECT_GT(solver->Nodes() - before2, 1u);
}

TEST(SolverTest, AClearedTableGivesTheSameAnswersAsAFreshOne) {
  // Lazy clearing must behave like zeroing, also after more than 255 clears
  // (the generation stamps wrap).
  const DealNumber number =
      NumberOf("N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83");
  auto solver = MakeSolver();
  SolverForTest::SetSearch(*solver, kSpades, false, kGo);
  SolverForTest::SetUpDeal(*solver, number, kNorth);
  SolverForTest::ClearTable(*solver);
  const uint64_t n0 = solver->Nodes();
  const bool first = SolverForTest::CanMake(*solver, 6);
  const uint64_t fresh = solver->Nodes() - n0;
  const uint64_t n1 = solver->Nodes();
  EXPECT_EQ(SolverForTest::CanMake(*solver, 6), first);
  EXPECT_EQ(solver->Nodes() - n1, 1u);  // answered from the table
  for (int i = 0; i < 300; ++i) SolverForTest::ClearTable(*solver);
  const uint64_t n2 = solver->Nodes();
  EXPECT_EQ(SolverForTest::CanMake(*solver, 6), first);
  EXPECT_EQ(solver->Nodes() - n2, fresh);  // cleared: the very same search again
}

TEST(SolverTest, SimpleMovesEverywhereGiveTheSameAnswers) {
  // Positions after a few random tricks keep the check fast: every target,
  // both generators.
  std::mt19937_64 random(17);
  auto ordered = MakeSolver();
  auto simple = MakeSolver();
  SolverForTest::UseSimpleMovesOnly(*simple, true);
  for (int round = 0; round < 12; ++round) {
    const uint128 value = ((uint128(random()) << 64) | random()) % kTotalDeals;
    const DealNumber number = MakeDealNumber(value);
    const int strain = int(random() % 5) - 1;
    const Seat declarer = Seat(random() % 4);
    SolverForTest::SetSearch(*ordered, strain, round % 2 == 1, kGo);
    SolverForTest::SetUpDeal(*ordered, number, declarer);
    const int tricks = 6 + int(random() % 2);
    for (int i = 0; i < 4 * tricks + int(random() % 3); ++i) {
      const MoveList moves = SimpleMoves(SolverForTest::State(*ordered));
      SolverForTest::PlayCard(*ordered, moves.moves[random() % size_t(moves.size)]);
    }
    const SolverState position = SolverForTest::State(*ordered);
    SolverForTest::SetSearch(*simple, strain, round % 2 == 1, kGo);
    SolverForTest::SetState(*simple, position);
    SolverForTest::ClearTable(*ordered);
    SolverForTest::ClearTable(*simple);
    for (int target = 0; target <= TricksLeft(position) + 1; ++target) {
      SCOPED_TRACE(::testing::Message() << "round " << round << " target " << target);
      EXPECT_EQ(SolverForTest::CanMake(*ordered, target), SolverForTest::CanMake(*simple, target));
    }
  }
}

TEST(SolverTest, EveryDeclarerOfAStrainReadsTheEntriesOfTheOthers) {
  // East after North in the same strain finds North's entries (filed by
  // seat, counted for North-South) and needs fewer nodes over a few deals
  // (one deal may be an exception where the best moves lead astray), with the
  // same tricks as on a fresh table.
  const char* const deals[] = {
      "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83",
      "N:93.72.962.QJT964 J7642.965.K85.52 AT.KQT843.AQJT.3 KQ85.AJ.743.AK87",
      "E:J9753.9873.4.A92 KT2.J4.T9732.863 A64.AKQ65.KJ85.T Q8.T2.AQ6.KQJ754",
  };
  const Strain hearts = StrainOfSuit(kHearts), spades = StrainOfSuit(kSpades);
  for (const Strain strain : {kNotrump, hearts}) {
    SCOPED_TRACE(strain);
    uint64_t sharedNodes = 0;
    uint64_t freshNodes = 0;
    for (const char* deal : deals) {
      SCOPED_TRACE(deal);
      const DealNumber number = NumberOf(deal);
      auto shared = MakeSolver();
      auto fresh = MakeSolver();
      shared->SolveSide(number, strain, kNorth, kGo);
      const uint64_t before = shared->Nodes();
      const SideTricks east = shared->SolveSide(number, strain, kEast, kGo);
      sharedNodes += shared->Nodes() - before;
      const SideTricks alone = fresh->SolveSide(number, strain, kEast, kGo);
      freshNodes += fresh->Nodes();
      EXPECT_EQ(east.declarer, alone.declarer);
      EXPECT_EQ(east.partner, alone.partner);
      // Another strain keeps apart from this one's bounds, which would be
      // wrong there.
      const Strain other = strain == hearts ? spades : hearts;
      const SideTricks afterShared = shared->SolveSide(number, other, kEast, kGo);
      const SideTricks afterFresh = MakeSolver()->SolveSide(number, other, kEast, kGo);
      EXPECT_EQ(afterShared.declarer, afterFresh.declarer);
      EXPECT_EQ(afterShared.partner, afterFresh.partner);
    }
    EXPECT_LT(sharedNodes, freshNodes);
  }
}

TEST(SolverTest, AHintOfTheOtherSidesTricksChangesTheTimeNeverTheAnswer) {
  // A caller that saw the other side's results passes them on as a first
  // guess; right, wrong or absurd, the tricks stay those of a fresh solver.
  const DealNumber number =
      NumberOf("E:J9753.9873.4.A92 KT2.J4.T9732.863 A64.AKQ65.KJ85.T Q8.T2.AQ6.KQJ754");
  for (const Strain strain : {kNotrump, StrainOfSuit(kDiamonds)}) {
    SCOPED_TRACE(strain);
    const SideTricks north = MakeSolver()->SolveSide(number, strain, kNorth, kGo);
    const SideTricks east = MakeSolver()->SolveSide(number, strain, kEast, kGo);
    for (const SideTricks hint : {north, SideTricks{0, 0}, SideTricks{13, 13}, SideTricks{2, 11}}) {
      const SideTricks guessed = MakeSolver()->SolveSide(number, strain, kEast, kGo, nullptr, hint);
      EXPECT_EQ(guessed.declarer, east.declarer);
      EXPECT_EQ(guessed.partner, east.partner);
    }
  }
}

TEST(SolverTest, OnceTheTrumpsAreGoneASuitContractReadsWhatNotrumpFound) {
  // Four tricks left in hearts, diamonds and clubs, no spade anywhere: in
  // spades the position is the notrump one, and the table says so at once;
  // in hearts it is another game (declarer's side ruffs its trick in) and is
  // searched.  Holders by rank index, the leader at position 0.
  const SolverState ending = EndingOf({{}, {2, 3, 1, 0, 2, 1}, {1, 0, 1, 3, 3}, {2, 0, 3, 2, 0}});
  auto solver = MakeSolver();
  SolverForTest::ClearTable(*solver);
  SolverForTest::SetSearch(*solver, kNoTrumps, false, kGo);
  SolverForTest::SetState(*solver, ending);
  uint64_t before = solver->Nodes();
  EXPECT_FALSE(SolverForTest::CanMake(*solver, 1));
  EXPECT_GT(solver->Nodes() - before, 1u);

  SolverForTest::SetSearch(*solver, kSpades, false, kGo);
  SolverForTest::SetState(*solver, ending);
  before = solver->Nodes();
  EXPECT_FALSE(SolverForTest::CanMake(*solver, 1));
  EXPECT_EQ(solver->Nodes() - before, 1u);

  SolverForTest::SetSearch(*solver, kHearts, false, kGo);
  SolverForTest::SetState(*solver, ending);
  before = solver->Nodes();
  EXPECT_TRUE(SolverForTest::CanMake(*solver, 1));
  EXPECT_GT(solver->Nodes() - before, 1u);
}

TEST(SolverTest, ADealIsSearchedAlikeWhateverDealCameBefore) {
  // Nothing learnt on another deal (bounds, best moves) carries
  // over: the same nodes as on a fresh solver.
  const DealNumber before =
      NumberOf("N:93.72.962.QJT964 J7642.965.K85.52 AT.KQT843.AQJT.3 KQ85.AJ.743.AK87");
  const DealNumber number =
      NumberOf("N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83");
  const Strain hearts = StrainOfSuit(kHearts);
  auto used = MakeSolver();
  for (const Seat declarer : {kNorth, kEast}) used->SolveSide(before, hearts, declarer, kGo);
  const uint64_t start = used->Nodes();
  const SideTricks afterOther = used->SolveSide(number, hearts, kNorth, kGo);
  auto fresh = MakeSolver();
  const SideTricks alone = fresh->SolveSide(number, hearts, kNorth, kGo);
  EXPECT_EQ(afterOther.declarer, alone.declarer);
  EXPECT_EQ(afterOther.partner, alone.partner);
  EXPECT_EQ(used->Nodes() - start, fresh->Nodes());
}

TEST(SolverTest, ASmallerTableSearchesLongerToTheSameTables) {
  // A table of 1 MiB loses most of what a deal's search stores; the answers
  // must not change, only the work.
  Result<std::unique_ptr<Solver>> small = Solver::Create(1);
  ASSERT_TRUE(small.ok()) << small.message();
  auto large = MakeSolver();
  std::mt19937_64 random(4242);
  for (int i = 0; i < 2; ++i) {
    const uint128 value = (uint128(random()) << 64) | random();
    const DealNumber number = MakeDealNumber(value % kTotalDeals);
    SCOPED_TRACE(i);
    EXPECT_EQ(SolveDeal(**small, number, kGo), SolveDeal(*large, number, kGo));
  }
  EXPECT_GT((*small)->Nodes(), large->Nodes());
  for (const size_t outOfRange : {size_t(0), size_t(129)}) {
    const Result<std::unique_ptr<Solver>> none = Solver::Create(outOfRange);
    ASSERT_FALSE(none.ok());
    EXPECT_NE(none.message().find("1 to 128 MiB"), std::string::npos) << none.message();
  }
}

// A position of the class of `position` for `relevant`: in every suit the
// cards below the line change hands at random, each hand keeping its length.
SolverState SameClassOtherSmallCards(const SolverState& position, const Relevant& relevant,
                                     std::mt19937_64& random) {
  SolverState other = position;
  for (int s = 0; s < 4; ++s) {
    const int k = TopCount(relevant.fields[s]);
    std::vector<int> holders;
    for (int r = k; r < position.remaining[s]; ++r) holders.push_back(HolderOf(position, s, r));
    std::shuffle(holders.begin(), holders.end(), random);
    other.holders[s] &= relevant.fields[s];
    for (size_t i = 0; i < holders.size(); ++i) {
      other.holders[s] |= uint32_t(holders[i]) << (2 * (k + int(i)));
    }
  }
  return other;
}

TEST(SolverTest, EveryPositionOfAResultsClassHasTheSameAnswer) {
  // The table trusts a result for every position that agrees on the top
  // cards the search reported; so must the truth.  Trick starts after a few
  // random tricks, every target, fresh tables on both sides.
  std::mt19937_64 random(2027);
  // The deal where a crossing once forgot the card it crosses to.
  {
    auto solver = MakeSolver();
    const SideTricks tricks = solver->SolveSide(
        NumberOf("N:92.A54.KQ87.A762 8643.JT86.A5.K54 QJT75.Q92.J63.93 AK.K73.T942.QJT8"),
        StrainOfSuit(kDiamonds), kNorth, kGo);
    EXPECT_EQ(tricks.declarer, 6);
    EXPECT_EQ(tricks.partner, 6);
  }
  auto solver = MakeSolver();
  auto check = MakeSolver();
  int compared = 0;
  int smallCardsMoved = 0;
  for (int round = 0; round < 40; ++round) {
    const uint128 value = ((uint128(random()) << 64) | random()) % kTotalDeals;
    const int strain = int(random() % 5) - 1;
    SolverForTest::SetSearch(*solver, strain, false, kGo);
    SolverForTest::SetSearch(*check, strain, false, kGo);
    SolverForTest::SetUpDeal(*solver, MakeDealNumber(value), Seat(random() % 4));
    const int tricks = 5 + int(random() % 4);
    for (int i = 0; i < 4 * tricks; ++i) {
      const MoveList moves = SimpleMoves(SolverForTest::State(*solver));
      SolverForTest::PlayCard(*solver, moves.moves[random() % size_t(moves.size)]);
    }
    const SolverState position = SolverForTest::State(*solver);
    for (int target = 1; target <= TricksLeft(position); ++target) {
      SCOPED_TRACE(::testing::Message() << "round " << round << " target " << target);
      SolverForTest::ClearTable(*solver);
      SolverForTest::SetState(*solver, position);
      Relevant relevant;
      const bool made = SolverForTest::CanMake(*solver, target, relevant);
      for (int variant = 0; variant < 3; ++variant) {
        const SolverState other = SameClassOtherSmallCards(position, relevant, random);
        smallCardsMoved += SameState(other, position) ? 0 : 1;
        SolverForTest::ClearTable(*check);
        SolverForTest::SetState(*check, other);
        ASSERT_EQ(SolverForTest::CanMake(*check, target), made);
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 300);
  EXPECT_GT(smallCardsMoved, compared / 4);  // the check must see other positions
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(SolverTest, ATableThatCannotBeHadIsAnErrorValue) {
  // In a child with its address space capped well below 128 MiB.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const rlimit limit{64u << 20, 64u << 20};
    setrlimit(RLIMIT_AS, &limit);
    const Result<std::unique_ptr<Solver>> solver = Solver::Create();
    _exit(!solver.ok() && solver.message().find("128 MiB") != std::string::npos ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif

}  // namespace
}  // namespace tarrow
