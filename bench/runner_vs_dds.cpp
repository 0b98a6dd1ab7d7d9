// A whole set analysed on two worker threads by the analysis runner, against
// the peer library on two threads (CalcAllTablesPBN), in one process.
//
//   build/bin/runner_vs_dds [--boards B] [--seed TEXT] [--threads N]
//
// Boards after B are left empty: the runner still queues them (as every run
// does) and solves them as deal 0, which takes no time; the peer gets only
// the B real deals.  Prints both wall-clock times and the ratio ours / peer,
// and how many boards' tables differ from the peer's (exit status 1 if any).
#include <sys/resource.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_args.h"
#include "bench/solver_bench.h"

int main(int argc, char** argv) {
  int boards = tarrow::kBoardsPerSet;
  int threads = 2;
  std::string seed = "abc";
  tarrow::bench::BenchArgs args(argc, argv);
  args.Read("--boards", boards);
  args.Read("--threads", threads);
  args.Read("--seed", seed);
  if (!args.Ok()) {
    std::cerr << "usage: runner_vs_dds [--boards B] [--seed TEXT] [--threads N]\n";
    return 2;
  }
  boards = std::clamp(boards, 1, tarrow::kBoardsPerSet);
  threads = std::clamp(threads, 1, 8);
  tarrow::DealSet set = tarrow::bench::SeededSet(seed);
  for (int b = boards + 1; b <= tarrow::kBoardsPerSet; ++b) set.Board(b).number = {};
  set.RefreshDeals();

  std::cout << "seed \"" << seed << "\", " << boards << " boards, " << threads << " threads\n";
  std::vector<tarrow::DDTable> peerTables;
  const double peer = tarrow::bench::PeerSetSeconds(set, boards, threads, peerTables);
  std::cout << "peer: " << peer << " s" << std::endl;
  const double ours = tarrow::bench::RunnerSeconds(set, threads);
  int differ = 0;
  for (int b = 1; b <= boards; ++b) differ += set.Board(b).table != peerTables[size_t(b - 1)];
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::cout << "ours: " << ours << " s   ratio ours/peer: " << ours / peer
            << "\npeak memory: " << usage.ru_maxrss / 1024 << " MiB"
            << "\nboards whose tables differ from the peer's: " << differ << "\n";
  return differ == 0 ? 0 : 1;
}
