// Our tables against the peer double-dummy library's, on deals drawn from
// random numbers with a fixed seed, and our tricks against its on random
// endings.  Built twice: with a few deals for every pass (sanitizers
// included) and with many for the Release pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "analysis/solver.h"
#include "analysis/solver_for_test.h"
#include "analysis/solver_peer_for_test.h"
#include "core/deal_number.h"

#ifndef TARROW_PEER_DEALS
#error "TARROW_PEER_DEALS is set by the build"
#endif
#ifndef TARROW_PEER_PREFIX
#error "TARROW_PEER_PREFIX names the instantiation, so the two builds' tests differ"
#endif
#ifndef TARROW_PEER_SIMPLE_DEALS
#define TARROW_PEER_SIMPLE_DEALS 0
#endif

namespace tarrow {
namespace {

const std::atomic<bool> kGo{false};

DealNumber RandomDealNumber(int index) {
  std::mt19937_64 random(20240607);
  random.discard(2 * uint64_t(index));
  const uint128 value = (uint128(random()) << 64) | random();
  return MakeDealNumber(value % kTotalDeals);
}

std::string TableText(const DDTable& table) {
  std::string text;
  for (uint8_t tricks : table) text += std::to_string(tricks) + " ";
  return text;
}

class SolverPeerTest : public ::testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() { testing::PeerSingleThreaded(); }
};

// Every SolveSide call (each declarer pair and strain) against the peer.
TEST_P(SolverPeerTest, AllTwentyEntriesAgreeWithThePeer) {
  const DealNumber number = RandomDealNumber(GetParam());
  const Deal deal = DealFromNumber(number);
  SCOPED_TRACE(PbnDealText(deal, kNorth));
  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  ASSERT_TRUE(solver.ok()) << solver.message();
  const Result<DDTable> theirs = testing::PeerDDTable(deal);
  ASSERT_TRUE(theirs.ok()) << theirs.message();
  const DDTable ours = SolveDeal(**solver, number, kGo);
  EXPECT_EQ(TableText(ours), TableText(*theirs));
}

INSTANTIATE_TEST_SUITE_P(TARROW_PEER_PREFIX, SolverPeerTest,
                         ::testing::Range(0, TARROW_PEER_DEALS));

// Endings of a few cards per hand with any lengths and any leader: the
// cut-offs that reason about whole tricks (quick tricks, top trumps, the
// second hand's sure trick) meet positions there that whole deals reach
// only deep in a search.
TEST(TARROW_PEER_PREFIX, RandomEndingsAgreeWithThePeer) {
  testing::PeerSingleThreaded();
  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  ASSERT_TRUE(solver.ok()) << solver.message();
  std::mt19937 random(4242);
  const int endings = 300 * TARROW_PEER_DEALS;
  for (int ending = 0; ending < endings; ++ending) {
    const int cards = 4 + ending % 5;  // 4..8 per hand
    const int peerTrump = int(random() % 5);
    const Seat leader = Seat(random() % 4);
    int deck[52];
    for (int k = 0; k < 52; ++k) deck[k] = k;
    std::shuffle(deck, deck + 52, random);
    int holder[52];
    std::fill(holder, holder + 52, -1);
    for (int k = 0; k < 4 * cards; ++k) holder[deck[k]] = k % 4;
    // Positions count from the leader; declarer's side is 1 and 3.
    SolverState state{};
    for (int s = 0; s < 4; ++s) {
      for (int k = 13 * s; k < 13 * s + 13; ++k) {
        if (holder[k] < 0) continue;
        const int position = (holder[k] - leader + 4) % 4;
        state.holders[s] |= uint32_t(position) << (2 * state.remaining[s]);
        ++state.remaining[s];
        ++state.count[position][s];
      }
    }
    SolverForTest::ClearTable(**solver);
    SolverForTest::SetSearch(**solver, peerTrump == 4 ? kNoTrumps : peerTrump, false, kGo);
    SolverForTest::SetState(**solver, state);
    int defenders = cards;  // the leader's side: the tricks declarer's side leaves
    for (int t = 1; t <= cards && SolverForTest::CanMake(**solver, t); ++t) --defenders;
    const Result<int> theirs = testing::PeerLeaderSideTricks(holder, peerTrump, leader);
    ASSERT_TRUE(theirs.ok()) << theirs.message();
    ASSERT_EQ(defenders, *theirs) << "ending " << ending << ", " << cards << " cards, trumps "
                                  << peerTrump << ", leader " << leader;
  }
}

#if TARROW_PEER_SIMPLE_DEALS > 0
class SimpleMovesPeerTest : public SolverPeerTest {};

// The simple generator at every node: far slower, the same tables.
TEST_P(SimpleMovesPeerTest, TheSimpleGeneratorEverywhereGivesTheSameTable) {
  const DealNumber number = RandomDealNumber(GetParam());
  const Deal deal = DealFromNumber(number);
  SCOPED_TRACE(PbnDealText(deal, kNorth));
  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  ASSERT_TRUE(solver.ok()) << solver.message();
  SolverForTest::UseSimpleMovesOnly(**solver, true);
  const Result<DDTable> theirs = testing::PeerDDTable(deal);
  ASSERT_TRUE(theirs.ok()) << theirs.message();
  EXPECT_EQ(TableText(SolveDeal(**solver, number, kGo)), TableText(*theirs));
}

INSTANTIATE_TEST_SUITE_P(TARROW_PEER_PREFIX, SimpleMovesPeerTest,
                         ::testing::Range(0, TARROW_PEER_SIMPLE_DEALS));
#endif

}  // namespace
}  // namespace tarrow
