// Our tables against the peer double-dummy library's, on deals drawn from
// random numbers with a fixed seed.  Built twice: with a few deals for every
// pass (sanitizers included) and with many for the Release pass.
#include <gtest/gtest.h>

#include <random>

#include "analysis/solver.h"
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

#if TARROW_PEER_SIMPLE_DEALS > 0
class SimpleMovesPeerTest : public SolverPeerTest {};

// The simple generator at every node: far slower, the same tables.
TEST_P(SimpleMovesPeerTest, TheSimpleGeneratorEverywhereGivesTheSameTable) {
  const DealNumber number = RandomDealNumber(GetParam());
  const Deal deal = DealFromNumber(number);
  SCOPED_TRACE(PbnDealText(deal, kNorth));
  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  ASSERT_TRUE(solver.ok()) << solver.message();
  (*solver)->UseSimpleMovesOnly(true);
  const Result<DDTable> theirs = testing::PeerDDTable(deal);
  ASSERT_TRUE(theirs.ok()) << theirs.message();
  EXPECT_EQ(TableText(SolveDeal(**solver, number, kGo)), TableText(*theirs));
}

INSTANTIATE_TEST_SUITE_P(TARROW_PEER_PREFIX, SimpleMovesPeerTest,
                         ::testing::Range(0, TARROW_PEER_SIMPLE_DEALS));
#endif

}  // namespace
}  // namespace tarrow
