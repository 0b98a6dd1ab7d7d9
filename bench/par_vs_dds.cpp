// Our par against the peer library's (DealerPar for every dealer, SidesPar
// for each side bidding first), each under all four vulnerabilities, on
// random deals whose tables the peer solves (CalcDDtable is fast and the
// tables are not what is being compared).
//
//   build/bench/par_vs_dds [--deals 1000] [--seed 16] [--show 5]
//
// Deal numbers are drawn uniformly from a 64-bit Mersenne Twister with the
// given seed, so a run repeats exactly.  Prints every difference (up to
// --show of them with the table) and one summary line; exits 1 when any
// score or set of contracts differs.
#include <iostream>
#include <random>
#include <string>

#include "analysis/par_peer_for_test.h"
#include "analysis/solver_peer_for_test.h"
#include "bench/bench_args.h"
#include "core/deal_number.h"

namespace {

std::string TableText(const tarrow::DDTable& table) {
  std::string text;
  for (const uint8_t tricks : table) text += " " + std::to_string(tricks);
  return text;
}

constexpr tarrow::Vulnerability kAllVulnerabilities[4] = {
    tarrow::Vulnerability::kNone, tarrow::Vulnerability::kNorthSouth,
    tarrow::Vulnerability::kEastWest, tarrow::Vulnerability::kBoth};
constexpr const char* kVulnerabilityNames[4] = {"None", "NS", "EW", "All"};

}  // namespace

int main(int argc, char** argv) {
  int deals = 1000, seed = 16, show = 5;
  tarrow::bench::BenchArgs args(argc, argv);
  args.Read("--deals", deals);
  args.Read("--seed", seed);
  args.Read("--show", show);
  if (!args.Ok() || deals < 0 || seed < 0 || show < 0) {
    std::cerr << "usage: par_vs_dds [--deals N] [--seed N] [--show N]\n";
    return 2;
  }
  tarrow::testing::PeerSingleThreaded();
  std::mt19937_64 random{uint64_t(seed)};
  long compared = 0, differences = 0;
  for (int d = 0; d < deals; ++d) {
    const tarrow::Deal deal = tarrow::DealFromNumber(tarrow::testing::RandomParDealNumber(random));
    const tarrow::Result<tarrow::DDTable> table = tarrow::testing::PeerDDTable(deal);
    if (!table.ok()) {
      std::cerr << "deal " << d << ": " << table.message() << "\n";
      return 2;
    }
    auto report = [&](const std::string& what, const tarrow::testing::ParComparison& c) {
      ++compared;
      if (c.same) return;
      ++differences;
      std::cout << "deal " << d << " " << what << ": ours " << c.ours << " | peer " << c.peer
                << "\n";
      if (differences <= show) std::cout << "  table" << TableText(*table) << "\n";
    };
    for (int v = 0; v < 4; ++v) {
      for (tarrow::Seat dealer : tarrow::kSeats) {
        report(std::string("dealer ") + tarrow::kSeatLetters[size_t(dealer)] + " vul " +
                   kVulnerabilityNames[v],
               tarrow::testing::CompareDealerPar(*table, dealer, kAllVulnerabilities[v]));
      }
      for (int side = 0; side < 2; ++side) {
        report(std::string(side == 0 ? "NS" : "EW") + " first vul " + kVulnerabilityNames[v],
               tarrow::testing::CompareSidesPar(*table, side, kAllVulnerabilities[v]));
      }
    }
  }
  std::cout << "par_vs_dds: " << deals << " deals (seed " << seed << "), " << compared
            << " comparisons (4 dealers + 2 first sides, x 4 vulnerabilities), " << differences
            << " differences in score or contracts\n";
  return differences == 0 ? 0 : 1;
}
