// Our par against the peer library's DealerPar (every dealer) and SidesPar
// (each side first), under all four vulnerabilities, on random deals whose
// tables the peer solves: the same score and the same set of contracts.
// bench/par_vs_dds runs the same comparison on as many deals as asked.
#include <gtest/gtest.h>

#include <random>

#include "analysis/par_peer_for_test.h"
#include "analysis/solver_peer_for_test.h"
#include "core/deal_number.h"

namespace tarrow {
namespace {

constexpr int kDeals = 100;

TEST(ParPeerTest, ScoreAndContractsAgreeWithThePeerOnRandomDeals) {
  testing::PeerSingleThreaded();
  std::mt19937_64 random(20261207);
  constexpr Vulnerability kVulnerabilities[4] = {Vulnerability::kNone, Vulnerability::kNorthSouth,
                                                 Vulnerability::kEastWest, Vulnerability::kBoth};
  int compared = 0;
  for (int d = 0; d < kDeals; ++d) {
    const Deal deal = DealFromNumber(testing::RandomParDealNumber(random));
    SCOPED_TRACE(PbnDealText(deal, kNorth));
    const Result<DDTable> table = testing::PeerDDTable(deal);
    ASSERT_TRUE(table.ok()) << table.message();
    for (const Vulnerability vul : kVulnerabilities) {
      SCOPED_TRACE(int(vul));
      for (Seat dealer : kSeats) {
        const testing::ParComparison c = testing::CompareDealerPar(*table, dealer, vul);
        EXPECT_EQ(c.ours, c.peer) << "dealer " << kSeatLetters[size_t(dealer)];
        ++compared;
      }
      for (int side = 0; side < 2; ++side) {
        const testing::ParComparison c = testing::CompareSidesPar(*table, side, vul);
        EXPECT_EQ(c.ours, c.peer) << "side " << side << " first";
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, kDeals * 4 * 6);
}

}  // namespace
}  // namespace tarrow
