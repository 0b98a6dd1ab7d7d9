// The cut-offs: the tricks each count finds, the top cards it rests on, and
// the search agreeing wherever a count settles a target.
#include "analysis/cut_offs.h"

#include <gtest/gtest.h>

#include <vector>

#include "analysis/solver.h"
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
      {"notrump", {{1, 0, 0, 0, 2}, {1, 1, 2, 3}, {3, 3}, {2}}, kNoTrumps, 3, 3, bothAces},
      // Needing one trick the ace of spades alone says so.
      {"one trick",
       {{1, 0, 0, 0, 2}, {1, 1, 2, 3}, {3, 3}, {2}},
       kNoTrumps,
       1,
       1,
       Relevant{{TopFields(1), 0, 0, 0}}},
      // Clubs trumps with no club left plays as notrump.
      {"trumps gone", {{1, 0, 0, 0, 2}, {1, 1, 2, 3}, {3, 3, 2}, {}}, kClubs, 3, 3, bothAces},
      // A club still out: position 2's club could be a trump, no count.
      {"trumps out", {{1, 0, 0, 0, 2}, {1, 1, 2, 3}, {3, 3}, {2}}, kClubs, 1, 0, Relevant{}},
      // The leader heads diamonds and may lead one: no count.
      {"leader heads a suit",
       {{1, 0, 0, 2, 3}, {1, 1, 2, 3}, {0, 3}, {2}},
       kNoTrumps,
       1,
       0,
       Relevant{}},
      // Position 0 also holds a heart, headed by position 1; a spade lead
      // gives 1 the ace and the hearts, a heart lead the top hearts and the
      // ace of spades: three either way.
      {"two suits", {{1, 0, 0, 2, 3}, {1, 1, 0, 3}, {3, 2}, {2}}, kNoTrumps, 3, 3, bothAces},
      // Hearts are headed by position 2 (which then cashes its club too), but
      // a spade lead gives position 1 its ace and nothing more: one trick.
      {"the weaker winner decides",
       {{1, 0, 0, 2, 3}, {2, 0, 1, 3}, {3, 1}, {2}},
       kNoTrumps,
       2,
       1,
       Relevant{}},
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

}  // namespace
}  // namespace tarrow
