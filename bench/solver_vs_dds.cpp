// Our solver against the peer double-dummy library on the 36 boards of the
// seed "abc": every board analysed completely (all 20 entries; for us 10
// SolveSide calls), one thread each, alternating the two several times in one
// process.  Prints each one's median seconds per set, the ratio ours / peer,
// and the peak resident memory of the process.
//
//   solver_vs_dds [--rounds 3] [--boards 36] [--seed abc]
//
// Fewer boards give a quick look; the figures to quote are for all 36.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "analysis/solver.h"
#include "analysis/solver_peer_for_test.h"
#include "bench/bench_args.h"
#include "bench/solver_bench.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  int boards = tarrow::kBoardsPerSet;
  std::string seed = "abc";
  tarrow::bench::BenchArgs args(argc, argv);
  args.Read("--rounds", rounds);
  args.Read("--boards", boards);
  args.Read("--seed", seed);
  if (!args.Ok()) {
    std::cerr << "usage: solver_vs_dds [--rounds R] [--boards B] [--seed TEXT]\n";
    return 2;
  }
  rounds = std::max(1, rounds);
  boards = std::clamp(boards, 1, tarrow::kBoardsPerSet);
  tarrow::testing::PeerSingleThreaded();
  const tarrow::DealSet set = tarrow::bench::SeededSet(seed);
  const std::unique_ptr<tarrow::Solver> solver = tarrow::bench::NewSolver();
  if (!solver) return 1;
  const std::atomic<bool> stop{false};
  std::vector<double> ours, peers;
  int mismatches = 0;
  std::cout << std::fixed << std::setprecision(3);
  for (int round = 1; round <= rounds; ++round) {
    std::vector<tarrow::DDTable> ourTables;
    const uint64_t nodes0 = solver->Nodes();
    const Clock::time_point start = Clock::now();
    for (int board = 1; board <= boards; ++board) {
      const Clock::time_point t = Clock::now();
      ourTables.push_back(tarrow::SolveDeal(*solver, set.Board(board).number, stop));
      if (round == 1) std::cerr << "  board " << board << ": " << Seconds(t) << " s\n";
    }
    ours.push_back(Seconds(start));
    const uint64_t nodes = solver->Nodes() - nodes0;

    const Clock::time_point peerStart = Clock::now();
    for (int board = 1; board <= boards; ++board) {
      const auto theirs = tarrow::testing::PeerDDTable(set.DealOf(board));
      if (!theirs.ok()) {
        std::cerr << theirs.message() << "\n";
        return 1;
      }
      mismatches += *theirs != ourTables[size_t(board - 1)];
    }
    peers.push_back(Seconds(peerStart));
    std::cout << "round " << round << ": ours " << ours.back() << " s (" << nodes << " nodes, "
              << double(nodes) / ours.back() / 1e6 << " M nodes/s), peer " << peers.back() << " s"
              << std::endl;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double ourMedian = tarrow::bench::Median(ours), peerMedian = tarrow::bench::Median(peers);
  std::cout << "boards " << boards << " of seed \"" << seed << "\", " << rounds << " rounds\n"
            << "ours: median " << ourMedian << " s per set\n"
            << "peer: median " << peerMedian << " s per set\n"
            << "ratio ours/peer: " << std::setprecision(2) << ourMedian / peerMedian << "\n"
            << "peak memory (ru_maxrss): " << usage.ru_maxrss / 1024 << " MiB\n"
            << "boards whose tables differ: " << mismatches << std::endl;
  return mismatches == 0 ? 0 : 1;
}
