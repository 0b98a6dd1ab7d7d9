// Solves random deals with our solver and with the peer library and counts
// the table entries where they disagree.
//
//   solver_crosscheck --deals 1000 --seed 7 [--threads 2]
//
// Deal numbers are drawn uniformly below the number of deals from a 64-bit
// Mersenne Twister with the given seed, so a run can be repeated exactly; the
// threads (one solver each) only share out the deals.  Prints every
// mismatching deal, progress on stderr, and finally
// "deals D, entries E, mismatches M"; exits 1 when M > 0.
#include <atomic>
#include <charconv>
#include <cstring>
#include <iostream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "analysis/solver.h"
#include "analysis/solver_peer_for_test.h"
#include "core/deal_number.h"

namespace {

bool ReadNumber(const char* text, uint64_t& value) {
  const char* end = text + std::strlen(text);
  const auto [ptr, error] = std::from_chars(text, end, value);
  return error == std::errc() && ptr == end;
}

tarrow::DealNumber RandomDealNumber(std::mt19937_64& random) {
  const tarrow::uint128 value = (tarrow::uint128(random()) << 64) | random();
  return tarrow::MakeDealNumber(value % tarrow::kTotalDeals);
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t deals = 100;
  uint64_t seed = 1;
  uint64_t threads = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    uint64_t* target = arg == "--deals"     ? &deals
                       : arg == "--seed"    ? &seed
                       : arg == "--threads" ? &threads
                                            : nullptr;
    if (target == nullptr || i + 1 >= argc || !ReadNumber(argv[++i], *target) || threads < 1) {
      std::cerr << "usage: solver_crosscheck [--deals N] [--seed S] [--threads T]\n";
      return 2;
    }
  }
  tarrow::BuildNumberingTables();
  tarrow::testing::PeerSingleThreaded();
  std::mt19937_64 random(seed);
  std::vector<tarrow::DealNumber> numbers;
  for (uint64_t d = 0; d < deals; ++d) numbers.push_back(RandomDealNumber(random));

  const std::atomic<bool> stop{false};
  std::atomic<uint64_t> next{0}, done{0}, mismatches{0};
  std::atomic<bool> failed{false};
  std::mutex outputLock;
  auto work = [&] {
    auto solver = tarrow::Solver::Create();
    if (!solver.ok()) {
      std::lock_guard lock(outputLock);
      std::cerr << solver.message() << "\n";
      failed = true;
      return;
    }
    for (uint64_t d; (d = next++) < deals && !failed;) {
      const tarrow::Deal deal = tarrow::DealFromNumber(numbers[d]);
      const tarrow::DDTable ours = tarrow::SolveDeal(**solver, numbers[d], stop);
      std::lock_guard lock(outputLock);  // the peer keeps global state: one call at a time
      const auto theirs = tarrow::testing::PeerDDTable(deal);
      if (!theirs.ok()) {
        std::cerr << theirs.message() << "\n";
        failed = true;
        return;
      }
      int bad = 0;
      for (size_t i = 0; i < ours.size(); ++i) bad += ours[i] != (*theirs)[i];
      mismatches += uint64_t(bad);
      if (bad > 0) {
        std::cout << "deal " << d << " " << tarrow::PbnDealText(deal, tarrow::kNorth) << ":";
        for (size_t i = 0; i < ours.size(); ++i) {
          std::cout << " " << int(ours[i]) << "/" << int((*theirs)[i]);
        }
        std::cout << std::endl;
      }
      const uint64_t n = ++done;
      if (n % 10 == 0) std::cerr << n << " deals, " << mismatches << " mismatches" << std::endl;
    }
  };
  std::vector<std::thread> pool;
  for (uint64_t t = 0; t < threads; ++t) pool.emplace_back(work);
  for (std::thread& thread : pool) thread.join();
  if (failed) return 1;
  std::cout << "deals " << deals << ", entries " << deals * 20 << ", mismatches " << mismatches
            << std::endl;
  return mismatches == 0 ? 0 : 1;
}
