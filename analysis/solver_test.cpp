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
#include "core/deal_number.h"
#include "core/pbn_deal.h"

namespace tarrow {
namespace {

// Every spade with North, hearts with South, diamonds with East, clubs with
// West: each side can only ever win with its own long suits.
constexpr const char* kFourSuitsDeal =
    "N:AKQJT98765432... ..AKQJT98765432. .AKQJT98765432.. ...AKQJT98765432";

DealNumber NumberOf(const char* pbn) {
  const Result<Deal> deal = ParsePbnDeal(pbn);
  EXPECT_TRUE(deal.ok()) << deal.message();
  return deal->number;
}

std::unique_ptr<Solver> MakeSolver() {
  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  EXPECT_TRUE(solver.ok()) << solver.message();
  return std::move(*solver);
}

const std::atomic<bool> kGo{false};

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

// A hand-made ending: per suit, the position holding each card by rank
// index (the highest first); the leader at position 0.
SolverState EndingOf(const std::vector<int> (&holders)[4]) {
  SolverState state{};
  for (int s = 0; s < 4; ++s) {
    state.remaining[s] = uint8_t(holders[s].size());
    for (size_t r = 0; r < holders[s].size(); ++r) {
      state.holders[s] |= uint32_t(holders[s][r]) << (2 * r);
      ++state.count[holders[s][r]][s];
    }
  }
  return state;
}

// Every hand of a hand-made ending holds `cards` cards, as in a real deal.
void ExpectEveryHandHolds(const SolverState& state, int cards) {
  for (int p = 0; p < 4; ++p) {
    int held = 0;
    for (int s = 0; s < 4; ++s) held += state.count[p][s];
    ASSERT_EQ(held, cards) << "position " << p;
  }
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

// A deal for the cut-offs at the opening lead with South as declarer: West
// (position 0) leads, East is its partner.
//   West  AKQ2 AK 5432 432      North JT9 QJT9 AKQ AKQ
//   East  876 8765 JT9 JT9      South 543 432 876 8765
constexpr const char* kCashingDeal =
    "W:AKQ2.AK.5432.432 JT9.QJT9.AKQ.AKQ 876.8765.JT9.JT9 543.432.876.8765";

// The opening position of a PBN deal with `declarer` (position 0 is the
// seat after declarer).
SolverState OpeningOf(const char* pbn, Seat declarer = kSouth) {
  SolverState state;
  SetUpDeal(state, DealFromNumber(NumberOf(pbn)), declarer);
  return state;
}

TEST(CutOffTest, QuickTricksCountTheLeadersTopCardsAndTheLengthTheyDraw) {
  const SolverState state = OpeningOf(kCashingDeal);
  ASSERT_EQ(state.leader, 0);
  struct Row {
    int trumps;
    int tricks;
  };
  // Notrump: four spades (AKQ draw everyone's spades) and two hearts.
  // Spades trumps: the same, trumps drawn first.  Hearts trumps: AK of
  // trumps, then spades only while North and South, who keep trumps, can
  // follow: three rounds.
  for (const Row& row : {Row{kNoTrumps, 6}, Row{kSpades, 6}, Row{kHearts, 5}, Row{kClubs, 5}}) {
    SCOPED_TRACE(row.trumps);
    Relevant relevant;
    EXPECT_EQ(internal::QuickTricks(state, row.trumps, 13, relevant), row.tricks);
    if (row.trumps != kHearts) {
      EXPECT_EQ(relevant.fields[kSpades], TopFields(3));
    }
    EXPECT_EQ(relevant.fields[kHearts], TopFields(2));
    EXPECT_EQ(relevant.fields[kDiamonds], 0u);  // North's diamonds: nothing to cash
  }
  // Needing only three tricks, the spades suffice and the hearts stay free;
  // needing one, the ace of spades alone decides.
  Relevant relevant;
  EXPECT_GE(internal::QuickTricks(state, kNoTrumps, 3, relevant), 3);
  EXPECT_EQ(relevant.fields[kSpades], TopFields(3));
  EXPECT_EQ(relevant.fields[kHearts], 0u);
  EXPECT_GE(internal::QuickTricks(state, kNoTrumps, 1, relevant), 1);
  EXPECT_EQ(relevant.fields[kSpades], TopFields(1));
  EXPECT_GE(internal::QuickTricks(state, kSpades, 2, relevant), 2);
  EXPECT_EQ(relevant.fields[kSpades], TopFields(2));
}

TEST(CutOffTest, CrossingToPartnerRestsOnPartnersTopCardOfTheCrossingSuit) {
  // West leads with no top card of its own; East holds the ace of hearts
  // and AKQJ of clubs.  In clubs West crosses with a heart and East draws
  // trumps: four tricks, which rest on East's heart ace as much as on its
  // trumps, even though the trumps alone reach the count.
  //   West 432 32 5432 5432      North AKQ KQJT AKQ T98
  //   East JT A987 JT9 AKQJ      South 98765 654 876 76
  const char* deal = "W:432.32.5432.5432 AKQ.KQJT.AKQ.T98 JT.A987.JT9.AKQJ 98765.654.876.76";
  const SolverState state = OpeningOf(deal);
  Relevant relevant;
  EXPECT_GE(internal::QuickTricks(state, kClubs, 4, relevant), 4);
  EXPECT_EQ(relevant.fields[kClubs], TopFields(4));
  EXPECT_EQ(relevant.fields[kHearts] & TopFields(1), TopFields(1));
  // In notrump East's clubs are all winners after the crossing as well.
  EXPECT_GE(internal::QuickTricks(state, kNoTrumps, 5, relevant), 5);
  EXPECT_EQ(relevant.fields[kHearts] & TopFields(1), TopFields(1));
}

TEST(CutOffTest, WithoutRuffsTheLeaderCashesThenCrossesAndPartnerCashes) {
  // West cashes AK of spades, crosses with a heart to East's ace and East
  // cashes AKQ of hearts: five tricks, where either hand alone has three.
  //   West AK32 32 5432 432      North QJT9 JT98 AKQ AK
  //   East 54 AKQ4 876 8765      South 876 765 JT9 QJT9
  const char* deal = "W:AK32.32.5432.432 QJT9.JT98.AKQ.AK 54.AKQ4.876.8765 876.765.JT9.QJT9";
  const SolverState state = OpeningOf(deal);
  Relevant relevant;
  EXPECT_EQ(internal::QuickTricks(state, kNoTrumps, 13, relevant), 5);
  EXPECT_EQ(relevant.fields[kSpades], TopFields(2));
  EXPECT_EQ(relevant.fields[kHearts], TopFields(3));
  EXPECT_EQ(relevant.fields[kDiamonds] | relevant.fields[kClubs], 0u);
  // With spades trumps North and South could ruff the hearts: East's three
  // after the crossing are all.
  EXPECT_EQ(internal::QuickTricks(state, kSpades, 13, relevant), 3);
}

TEST(CutOffTest, PartnersCardsBelowACashedRunAreACrossing) {
  // West cashes the ace of spades (East follows with the four), leads a
  // small one to East's king and East cashes the queen and jack: four
  // tricks, on the top four spades.
  //   West A32 432 5432 432      North T98 AKQJ AKQ AKQ
  //   East KQJ4 765 876 765      South 765 T98 JT9 JT98
  const char* deal = "W:A32.432.5432.432 T98.AKQJ.AKQ.AKQ KQJ4.765.876.765 765.T98.JT9.JT98";
  const SolverState state = OpeningOf(deal);
  Relevant relevant;
  EXPECT_EQ(internal::QuickTricks(state, kNoTrumps, 13, relevant), 4);
  EXPECT_EQ(relevant.fields[kSpades], TopFields(4));
}

TEST(CutOffTest, PartnersLongCardsBelowACrossingWinOnceTheRoundsDrawTheSuit) {
  // Six tricks, notrump, position 0 to lead; holders by rank index.
  // Hearts: 0 holds the ace and small ones, 2 the king and queen below it
  // and small ones, 1 and 3 a few.  The leader cashes the ace, leads to the
  // king and queen, and once three rounds have drawn every other heart
  // partner's small hearts win as well.
  struct Row {
    const char* name;
    std::vector<int> holders[4];
    int tricks;
  };
  const Row rows[] = {
      // Hearts A 0, K Q 2, J T 3, 9 1, 8 7 6 2, 5 0, 4 3 1, 2 2: nobody but
      // partner has more than three hearts -> the ace, the king and queen,
      // and three long hearts.
      {"drawn in three rounds",
       {{1, 3, 0, 0, 0, 0}, {0, 2, 2, 3, 3, 1, 2, 2, 2, 0, 1, 1, 2}, {1, 1, 3, 3, 3}, {}},
       6},
      // Position 1 keeps a fourth heart (the nine beats partner's eight after
      // three rounds): only the ace, the king and the queen.
      {"an opponent keeps a heart",
       {{1, 3, 0, 0, 0, 0}, {0, 2, 2, 3, 3, 1, 2, 2, 2, 0, 1, 1, 1}, {1, 2, 3, 3, 3}, {}},
       3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const SolverState state = EndingOf(row.holders);
    ExpectEveryHandHolds(state, 6);
    if (::testing::Test::HasFatalFailure()) return;
    Relevant relevant;
    EXPECT_EQ(internal::QuickTricks(state, kNoTrumps, 6, relevant), row.tricks);
    EXPECT_EQ(relevant.fields[kHearts], TopFields(3));
    // The search agrees that the leader's side takes at least that many:
    // declarer's side (1 and 3) cannot make the rest plus one.
    auto solver = MakeSolver();
    SolverForTest::SetSearch(*solver, kNoTrumps, false, kGo);
    SolverForTest::SetState(*solver, state);
    EXPECT_FALSE(SolverForTest::CanMake(*solver, 6 - row.tricks + 1));
  }
}

TEST(CutOffTest, ASuitOnlyTheSideHoldsGivesTheShorterHandsRounds) {
  // Nobody but West and East holds spades: six rounds at least, whoever
  // holds which spade, so no card decides.  With hearts trumps North and
  // South would ruff them.
  //   West AT8642 43 65 654      North - AKQJT AKQJ AKQJ
  //   East KQJ9753 2 432 32      South - 98765 T987 T987
  const char* deal = "W:AT8642.43.65.654 .AKQJT.AKQJ.AKQJ KQJ9753.2.432.32 .98765.T987.T987";
  const SolverState state = OpeningOf(deal);
  Relevant relevant;
  EXPECT_GE(internal::QuickTricks(state, kNoTrumps, 6, relevant), 6);
  EXPECT_EQ(relevant, Relevant{});
  EXPECT_LT(internal::QuickTricks(state, kHearts, 6, relevant), 6);
}

TEST(CutOffTest, TrumpsAreSureTricksUnlessAnOpponentsHigherTrumpBeatsThem) {
  SolverState state = OpeningOf(kCashingDeal);
  Relevant relevant;
  // Hearts: West's AK are two sure tricks for the defenders.
  internal::SureTrumpTricks sure = internal::TrumpTricks(state, kHearts, relevant, 13, 2);
  EXPECT_EQ(sure.defenders, 2);
  EXPECT_EQ(relevant.fields[kHearts], TopFields(2));
  // North's QJT9 lose two to the AK, and East's 8765 beat none of them: two
  // tricks for declarer's side, resting on every heart down to North's nine.
  relevant = {};
  sure = internal::TrumpTricks(state, kHearts, relevant, 2, 13);
  EXPECT_EQ(sure.declarerSide, 2);
  EXPECT_EQ(relevant.fields[kHearts], TopFields(6));
  // Diamonds: North's AKQ; wanting one trick, the ace alone decides.
  sure = internal::TrumpTricks(state, kDiamonds, relevant, 3, 13);
  EXPECT_EQ(sure.declarerSide, 3);
  EXPECT_EQ(relevant.fields[kDiamonds], TopFields(3));
  sure = internal::TrumpTricks(state, kDiamonds, relevant, 1, 13);
  EXPECT_EQ(sure.declarerSide, 1);
  EXPECT_EQ(relevant.fields[kDiamonds], TopFields(1));

  // North's ace and South's king of spades, South with small ones beside:
  // two tricks, the king played when North's ace is not.
  //   West QJT9 AK 5432 432      North A QJT9 AKQJ AKQJ
  //   East 876 8765 T98 T98      South K5432 432 76 765
  state = OpeningOf("W:QJT9.AK.5432.432 A.QJT9.AKQJ.AKQJ 876.8765.T98.T98 K5432.432.76.765");
  sure = internal::TrumpTricks(state, kSpades, relevant, 2, 13);
  EXPECT_EQ(sure.declarerSide, 2);
  EXPECT_EQ(relevant.fields[kSpades], TopFields(2));

  // South's six spades against West's two: four tricks whoever holds which
  // spade, so no spade decides; five are more than the spades can tell.
  //   West AK AKQJ AKQJ AKQ      North QJT98 T98 T98 JT
  //   East - 765 7654 987654     South 765432 432 32 32
  state = OpeningOf("W:AK.AKQJ.AKQJ.AKQ QJT98.T98.T98.JT .765.7654.987654 765432.432.32.32");
  relevant = {};
  sure = internal::TrumpTricks(state, kSpades, relevant, 4, 13);
  EXPECT_EQ(sure.declarerSide, 4);
  EXPECT_EQ(relevant.fields[kSpades], 0u);
  sure = internal::TrumpTricks(state, kSpades, relevant, 5, 13);
  EXPECT_LT(sure.declarerSide, 5);
}

TEST(CutOffTest, TheLeaderCashesItsSideSuitsAndPartnersTrumpsMakeTheirTricksAfter) {
  // Hearts trumps.  West cashes three spades while North and South, who hold
  // trumps, still follow; East discards and then makes its five top trumps:
  // eight tricks, on West's top three spades and East's five hearts.
  //   West AKQJ - 5432 65432      North T98 9876 AKQJT9 -
  //   East 432 AKQJT 6 T987       South 765 5432 87 AKQJ
  const char* deal = "W:AKQJ..5432.65432 T98.9876.AKQJT9. 432.AKQJT.6.T987 765.5432.87.AKQJ";
  const SolverState state = OpeningOf(deal);
  Relevant relevant;
  EXPECT_EQ(internal::QuickTricks(state, kHearts, 8, relevant), 8);
  EXPECT_EQ(relevant, (Relevant{{TopFields(3), TopFields(5), 0, 0}}));
  EXPECT_LT(internal::QuickTricks(state, kHearts, 9, relevant), 9);
  // In notrump the spades are all West has.
  EXPECT_LT(internal::QuickTricks(state, kNoTrumps, 5, relevant), 5);
}

TEST(CutOffTest, CrossingInTrumpsLeavesOneTrumpTrickFewer) {
  // Hearts trumps, three tricks, the leader (position 0) to lead.
  //   leader  S 6 2   H J          partner  H Q 6   C 6
  //   next    D 7     C 4 3        fourth   H 9 2   C 2
  // Leading the jack to partner's queen crosses, and partner cashes the
  // club; the jack and the queen, two sure trump tricks before, fell on
  // one trick, and the fourth hand ruffs the last spade: two tricks.
  const SolverState ending = EndingOf({{0, 0}, {2, 0, 3, 2, 3}, {1}, {2, 1, 1, 3}});
  Relevant relevant;
  EXPECT_EQ(internal::QuickTricks(ending, kHearts, 2, relevant), 2);
  EXPECT_LT(internal::QuickTricks(ending, kHearts, 3, relevant), 3);
  auto solver = MakeSolver();
  SolverForTest::ClearTable(*solver);
  SolverForTest::SetSearch(*solver, kHearts, false, kGo);
  SolverForTest::SetState(*solver, ending);
  EXPECT_TRUE(SolverForTest::CanMake(*solver, 1));  // the other side's one trick
  SolverForTest::SetState(*solver, ending);
  EXPECT_FALSE(SolverForTest::CanMake(*solver, 2));
}

TEST(CutOffTest, WithoutTopCardsTheLeaderStillHasPartnersRuff) {
  // South leads a diamond and North, void, ruffs: West and East both follow.
  //   West AKQJ AKQ AKQ AKQ      North 5432 65432 - 5432
  //   East 76 JT987 432 J76      South T98 - JT98765 T98
  const char* deal = "W:AKQJ.AKQ.AKQ.AKQ 5432.65432..5432 76.JT987.432.J76 T98..JT98765.T98";
  const SolverState state = OpeningOf(deal, kEast);
  ASSERT_EQ(state.leader, 0);  // South
  Relevant relevant;
  EXPECT_EQ(internal::QuickTricks(state, kHearts, 13, relevant), 1);
  EXPECT_EQ(internal::QuickTricks(state, kNoTrumps, 13, relevant), 0);
  // With clubs trumps the same: any trump ruffs when both opponents follow.
  EXPECT_EQ(internal::QuickTricks(state, kClubs, 13, relevant), 1);
}

TEST(CutOffTest, TheSecondHandsSideWinsTheTrickWithItsBestCardOrARuff) {
  // West leads a small spade.  North's king beats everything still to come
  // (West's ace stays in West's hand), so North wins and in notrump cashes
  // its ace of hearts and its top four clubs (East's fifth club stays out);
  // its queen of spades is no winner, West's ace being above it.  East has
  // no spade: in any suit contract it ruffs.
  //   West A5432 32 5432 32      North KQ A54 KQJ AKQJ4
  //   East - KQJT9 A98 T9876     South JT9876 876 T76 5
  const char* deal = "W:A5432.32.5432.32 KQ.A54.KQJ.AKQJ4 .KQJT9.A98.T9876 JT9876.876.T76.5";
  SolverState start = OpeningOf(deal);
  ASSERT_EQ(start.leader, 0);  // West 0, North 1, East 2, South 3
  SolverState state = start;
  PlayCard(state, MakeMove(kSpades, 9), kNoTrumps);  // the five
  Relevant relevant;
  EXPECT_EQ(internal::SecondHandTricks(state, kNoTrumps, 13, relevant), 6);
  EXPECT_EQ(relevant.fields[kSpades], TopFields(2));
  EXPECT_EQ(relevant.fields[kHearts], TopFields(1));
  EXPECT_EQ(relevant.fields[kClubs], TopFields(4));
  // Needing three, the ace of clubs is all of the clubs that counts.
  EXPECT_EQ(internal::SecondHandTricks(state, kNoTrumps, 3, relevant), 3);
  EXPECT_EQ(relevant.fields[kClubs], TopFields(1));
  EXPECT_EQ(internal::SecondHandTricks(state, kNoTrumps, 1, relevant), 1);
  EXPECT_EQ(relevant.fields[kHearts], 0u);
  for (const int trumps : {int(kHearts), int(kDiamonds), int(kClubs)}) {
    state = start;
    PlayCard(state, MakeMove(kSpades, 9), trumps);
    EXPECT_EQ(internal::SecondHandTricks(state, trumps, 13, relevant), 0) << trumps;
  }

  // Three tricks, no clubs left; position 0 leads a small spade and
  // position 1 wins with the ace, then cashes the aces of hearts and
  // diamonds.  With clubs trumps, all gone, that holds as in notrump; with
  // hearts trumps a heart may yet ruff, and only this trick counts.
  //   spades A 1, 0 0, 2     hearts A 1, 3, 2     diamonds A 1, 3 3, 0, 2
  {
    const SolverState ending = EndingOf({{1, 0, 0, 2}, {1, 3, 2}, {1, 3, 3, 0, 2}, {}});
    struct Row {
      int trumps;
      int tricks;
    };
    for (const Row& row : {Row{kNoTrumps, 3}, Row{kClubs, 3}, Row{kHearts, 1}}) {
      SCOPED_TRACE(row.trumps);
      SolverState led = ending;
      PlayCard(led, MakeMove(kSpades, 2), row.trumps);
      EXPECT_EQ(internal::SecondHandTricks(led, row.trumps, 3, relevant), row.tricks);
    }
  }

  // West leads the ace of diamonds: in notrump nothing beats it, with
  // hearts trumps North ruffs.
  //   West 32 432 AKQJ 5432      North AKQJ AKQJT - AKQJ
  //   East T98 98 T9876 T98      South 7654 765 5432 76
  const char* ruffs = "W:32.432.AKQJ.5432 AKQJ.AKQJT..AKQJ T98.98.T9876.T98 7654.765.5432.76";
  start = OpeningOf(ruffs);
  state = start;
  PlayCard(state, MakeMove(kDiamonds, 0), kNoTrumps);
  EXPECT_EQ(internal::SecondHandTricks(state, kNoTrumps, 13, relevant), 0);
  state = start;
  PlayCard(state, MakeMove(kDiamonds, 0), kHearts);
  EXPECT_EQ(internal::SecondHandTricks(state, kHearts, 13, relevant), 1);
}

TEST(CutOffTest, WithoutTrumpsASideTakesNoMoreRoundsThanItsLongerHoldingsOfItsTopSuits) {
  // West heads three suits with four cards each, East is shorter, and North
  // holds the ace of clubs: in notrump West and East cannot take all 13
  // tricks, whichever side leads, and only that ace says so.  North and
  // South head only clubs, four rounds at most.
  //   West AKQJ AKQJ AKQJ 2      North T98 T98 T98 AKQJ
  //   East 765 765 765 T987      South 432 432 432 6543
  const char* deal = "W:AKQJ.AKQJ.AKQJ.2 T98.T98.T98.AKQJ 765.765.765.T987 432.432.432.6543";
  const SolverState state = OpeningOf(deal);
  Relevant relevant;
  EXPECT_TRUE(internal::CannotTakeEveryTrick(state, kNoTrumps, 0, relevant));
  EXPECT_EQ(relevant, (Relevant{{0, 0, 0, TopFields(1)}}));
  EXPECT_TRUE(internal::CannotTakeEveryTrick(state, kNoTrumps, 1, relevant));
  EXPECT_EQ(relevant, (Relevant{{TopFields(1), TopFields(1), TopFields(1), 0}}));
  // While trumps are out the count says nothing: a ruff is a trick too.
  EXPECT_FALSE(internal::CannotTakeEveryTrick(state, kClubs, 0, relevant));

  // With a fifth diamond instead of the club West heads 4 + 4 + 5 rounds,
  // all 13: no cut.
  const char* enough = "W:AKQJ.AKQJ.AKQJT. T98.T98.98.AKQJ2 765.765.765.T987 432.432.432.6543";
  EXPECT_FALSE(internal::CannotTakeEveryTrick(OpeningOf(enough), kNoTrumps, 0, relevant));
}

TEST(CutOffTest, TheOpponentsTakeTheTrickWhenTheyHeadEverySuitTheLeaderHolds) {
  // West holds only spades and hearts, North both aces, and East follows to
  // both: whatever West leads, North wins the trick, in any strain.
  //   West KQJT98 KQJT987 - -    North A A AKQJT9876 AK
  //   East 76543 65432 - QJT     South 2 - 5432 98765432
  const char* deal = "W:KQJT98.KQJT987.. A.A.AKQJT9876.AK 76543.65432..QJT 2..5432.98765432";
  Relevant relevant;
  for (const int trumps : {int(kNoTrumps), int(kClubs)}) {
    EXPECT_TRUE(internal::CannotTakeEveryTrick(OpeningOf(deal), trumps, 0, relevant)) << trumps;
    EXPECT_EQ(relevant, (Relevant{{TopFields(1), TopFields(1), 0, 0}}));
  }
  // East without hearts ruffs a heart lead with clubs trumps; in notrump the
  // trick is still North's.
  const char* ruff = "W:KQJT98.KQJT987.. A.A.AKQJT9876.AK 76543...QJT98765 2.65432.5432.432";
  EXPECT_FALSE(internal::CannotTakeEveryTrick(OpeningOf(ruff), kClubs, 0, relevant));
  EXPECT_TRUE(internal::CannotTakeEveryTrick(OpeningOf(ruff), kNoTrumps, 0, relevant));
}

TEST(CutOffTest, WithoutTrumpsTheSideNotOnLeadWinsTheFirstTrickAndCashesOn) {
  // Three tricks, position 0 to lead; holders by rank index, highest first.
  //   0: S 3 small               1: S A, H A K
  //   2: S 1 small, H 1, x       3: H 1, D 2 (or D 1 and x)
  // Whatever 0 leads (a spade), 1 wins with the ace and cashes two hearts:
  // its ace of hearts draws the others' hearts, whoever holds the king.
  struct Row {
    const char* name;
    std::vector<int> holders[4];
    int trumps;
    int needed;
    int tricks;  // at least this many; below `needed` means no cut
    Relevant relevant;
  };
  const Relevant bothAces{{TopFields(1), TopFields(1), 0, 0}};
  const Row rows[] = {
      // Notrump: the aces of spades and hearts.
      {"notrump", {{1, 0, 0, 0, 2}, {1, 1, 2, 3}, {3, 3}, {2}}, kNoTrumps, 3, 3,
       bothAces},
      // Needing one trick the ace of spades alone says so.
      {"one trick", {{1, 0, 0, 0, 2}, {1, 1, 2, 3}, {3, 3}, {2}}, kNoTrumps, 1, 1,
       Relevant{{TopFields(1), 0, 0, 0}}},
      // Clubs trumps with no club left plays as notrump.
      {"trumps gone", {{1, 0, 0, 0, 2}, {1, 1, 2, 3}, {3, 3, 2}, {}}, kClubs, 3, 3,
       bothAces},
      // A club still out: position 2's club could be a trump, no count.
      {"trumps out", {{1, 0, 0, 0, 2}, {1, 1, 2, 3}, {3, 3}, {2}}, kClubs, 1, 0, Relevant{}},
      // The leader heads diamonds and may lead one: no count.
      {"leader heads a suit", {{1, 0, 0, 2, 3}, {1, 1, 2, 3}, {0, 3}, {2}}, kNoTrumps, 1, 0,
       Relevant{}},
      // Position 0 also holds a heart, headed by position 1; a spade lead
      // gives 1 the ace and the hearts, a heart lead the top hearts and the
      // ace of spades: three either way.
      {"two suits", {{1, 0, 0, 2, 3}, {1, 1, 0, 3}, {3, 2}, {2}}, kNoTrumps, 3, 3,
       bothAces},
      // Hearts are headed by position 2 (which then cashes its club too), but
      // a spade lead gives position 1 its ace and nothing more: one trick.
      {"the weaker winner decides", {{1, 0, 0, 2, 3}, {2, 0, 1, 3}, {3, 1}, {2}}, kNoTrumps, 2,
       1, Relevant{}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const SolverState state = EndingOf(row.holders);
    ExpectEveryHandHolds(state, 3);
    if (::testing::Test::HasFatalFailure()) return;
    Relevant relevant;
    const int tricks = internal::TricksAgainstTheLead(state, row.trumps, row.needed, relevant);
    if (row.tricks >= row.needed) {
      EXPECT_GE(tricks, row.needed);
      EXPECT_EQ(relevant, row.relevant);
    } else {
      EXPECT_LT(tricks, row.needed);
    }
    // The search agrees: the side of position 1 (declarer's) takes what the
    // count says whenever the count reaches what it needs.
    auto solver = MakeSolver();
    SolverForTest::SetSearch(*solver, row.trumps, false, kGo);
    SolverForTest::SetState(*solver, state);
    if (tricks >= row.needed) {
      EXPECT_TRUE(SolverForTest::CanMake(*solver, row.needed));
    }
  }
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
