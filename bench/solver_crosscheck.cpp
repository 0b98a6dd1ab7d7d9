// Solves random deals with our solver and with the peer library and counts
// the table entries where they disagree.
//
//   solver_crosscheck --deals 1000 --seed 7 [--threads 2] [--log FILE]
//
// Deal numbers are drawn uniformly below the number of deals from a 64-bit
// Mersenne Twister with the given seed, so a run can be repeated exactly; the
// threads (one solver each) only share out the deals.  Prints every
// mismatching deal, progress on stderr, and finally
// "deals D, entries E, mismatches M"; exits 1 when M > 0.
//
// A long run can be stopped and resumed: with --log every finished deal is
// appended to FILE as one line
//
//   deal 17 3A0F...C2 ours 9 4 ... 7 peer 9 4 ... 7 ok
//
// (its index, its number in hexadecimal, both tables, "ok" or "MISMATCH"),
// and a later run with the same seed and log solves only the deals the log
// does not hold.  The logged lines count in the final tally; a logged number
// that is not the one the seed draws for that index stops the run, since the
// log then belongs to another seed.  An incomplete last line (from a killed
// run) is ignored, and its deal solved again.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <iostream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/solver.h"
#include "analysis/solver_peer_for_test.h"
#include "bench/bench_args.h"
#include "core/deal_number.h"

namespace {

tarrow::DealNumber RandomDealNumber(std::mt19937_64& random) {
  const tarrow::uint128 value = (tarrow::uint128(random()) << 64) | random();
  return tarrow::MakeDealNumber(value % tarrow::kTotalDeals);
}

std::string TableText(const tarrow::DDTable& table) {
  std::string text;
  for (const uint8_t tricks : table) text += " " + std::to_string(tricks);
  return text;
}

struct Logged {
  std::vector<bool> done;  // per deal index
  uint64_t mismatches = 0;
};

// Marks the deals of an earlier run's log as done.  False (with a message)
// when a line names a deal this seed does not draw.
bool ReadLog(const std::string& path, const std::vector<tarrow::DealNumber>& numbers,
             Logged& logged) {
  std::ifstream in(path);
  std::string line;
  for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
    std::istringstream fields(line);
    std::string word;
    uint64_t index = 0;
    if (!(fields >> word >> index) || word != "deal") continue;
    const bool ok = line.ends_with(" ok");
    if (!ok && !line.ends_with(" MISMATCH")) continue;  // cut short by a kill
    const size_t ours = line.find(" ours ");
    const size_t peer = line.find(" peer ");
    const size_t hexStart = line.find(' ', 5) + 1;  // the hexadecimal words have blanks
    if (ours == std::string::npos || peer == std::string::npos || ours < hexStart) continue;
    const std::string hex = line.substr(hexStart, ours - hexStart);
    if (index >= numbers.size()) continue;  // a longer run's deal: not part of this one
    if (hex != tarrow::DealNumberHexText(numbers[index])) {
      std::cerr << path << " line " << lineNumber << ": deal " << index
                << " is not the deal this seed draws; use another log\n";
      return false;
    }
    if (logged.done[index]) continue;
    logged.done[index] = true;
    if (!ok) {
      // The entries are counted again from the two tables on the line.
      std::istringstream a(line.substr(ours + 6, peer - ours - 6));
      std::istringstream b(line.substr(peer + 6));
      int x = 0, y = 0;
      while (a >> x && b >> y) logged.mismatches += x != y ? 1 : 0;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t deals = 100;
  uint64_t seed = 1;
  uint64_t threads = 1;
  std::string logPath;
  tarrow::bench::BenchArgs args(argc, argv);
  args.Read("--deals", deals);
  args.Read("--seed", seed);
  args.Read("--threads", threads);
  args.Read("--log", logPath);
  if (!args.Ok() || threads < 1) {
    std::cerr << "usage: solver_crosscheck [--deals N] [--seed S] [--threads T] [--log FILE]\n";
    return 2;
  }
  tarrow::BuildNumberingTables();
  tarrow::testing::PeerSingleThreaded();
  std::mt19937_64 random(seed);
  std::vector<tarrow::DealNumber> numbers;
  for (uint64_t d = 0; d < deals; ++d) numbers.push_back(RandomDealNumber(random));

  Logged logged;
  logged.done.assign(deals, false);
  uint64_t loggedCount = 0;
  std::ofstream log;
  if (!logPath.empty()) {
    if (!ReadLog(logPath, numbers, logged)) return 2;
    log.open(logPath, std::ios::app);
    if (!log) {
      std::cerr << "cannot append to " << logPath << "\n";
      return 2;
    }
    loggedCount = uint64_t(std::ranges::count(logged.done, true));
    if (loggedCount > 0) {
      std::cerr << loggedCount << " deals from " << logPath << ", " << logged.mismatches
                << " mismatches" << std::endl;
    }
  }

  const std::atomic<bool> stop{false};
  std::atomic<uint64_t> next{0}, done{loggedCount}, mismatches{logged.mismatches};
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
      if (logged.done[d]) continue;
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
      if (log.is_open()) {
        log << "deal " << d << " " << tarrow::DealNumberHexText(numbers[d]) << " ours"
            << TableText(ours) << " peer" << TableText(*theirs) << (bad > 0 ? " MISMATCH" : " ok")
            << std::endl;
        if (!log) {
          std::cerr << "cannot write to " << logPath << "\n";
          failed = true;
          return;
        }
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
