// A whole set analysed on two worker threads by the analysis runner, against
// the peer library on two threads (CalcAllTablesPBN), in one process.
//
//   build/bin/runner_vs_dds [--boards B] [--seed TEXT] [--threads N]
//
// Boards after B are left empty: the runner still queues them (as every run
// does) and solves them as deal 0, which takes no time; the peer gets only
// the B real deals.  Prints both wall-clock times and the ratio ours / peer,
// and how many boards' tables differ from the peer's (exit status 1 if any).
#include <dds/dll.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "analysis/runner.h"
#include "analysis/solver_peer_for_test.h"
#include "bench/bench_args.h"
#include "bench/solver_bench.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs the analysis of `set` in place.
double OursSeconds(tarrow::DealSet& set, int threads) {
  tarrow::QueueExecutor executor;
  tarrow::AnalysisRunner runner(set, executor);
  const auto start = Clock::now();
  if (!runner.Start(threads).ok()) return -1;
  // The window ticks once a second; here every few milliseconds, so that
  // the end of the run is seen as it happens.
  do {
    executor.DrainFor(std::chrono::milliseconds(5));
  } while (!runner.Tick().completed);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Leaves the peer's tables of the first `boards` boards in `tables`.
double PeerSeconds(const tarrow::DealSet& set, int boards, int threads,
                   std::vector<tarrow::DDTable>& tables) {
  SetMaxThreads(threads);
  ddTableDealsPBN deals{};
  deals.noOfTables = boards;
  for (int b = 0; b < boards; ++b) {
    const std::string text = tarrow::PbnDealText(set.DealOf(b + 1), tarrow::kNorth);
    std::strncpy(deals.deals[b].cards, text.c_str(), sizeof deals.deals[b].cards - 1);
  }
  int filter[5] = {0, 0, 0, 0, 0};
  auto results = std::make_unique<ddTablesRes>();
  auto par = std::make_unique<allParResults>();
  const auto start = Clock::now();
  const int code = CalcAllTablesPBN(&deals, -1, filter, results.get(), par.get());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (code != RETURN_NO_FAULT) std::cerr << "peer library error " << code << "\n";
  tables.assign(size_t(boards), tarrow::DDTable{});
  for (int b = 0; b < boards; ++b) {
    for (tarrow::Seat seat : tarrow::kSeats) {
      // The peer counts strains spades..clubs then notrump.
      tables[size_t(b)][size_t(tarrow::DDIndex(seat, tarrow::kNotrump))] =
          uint8_t(results->results[b].resTable[4][seat]);
      for (tarrow::Suit suit : tarrow::kSuits) {
        tables[size_t(b)][size_t(tarrow::DDIndex(seat, tarrow::StrainOfSuit(suit)))] =
            uint8_t(results->results[b].resTable[suit][seat]);
      }
    }
  }
  return seconds;
}

}  // namespace

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
  const double peer = PeerSeconds(set, boards, threads, peerTables);
  std::cout << "peer: " << peer << " s" << std::endl;
  const double ours = OursSeconds(set, threads);
  int differ = 0;
  for (int b = 1; b <= boards; ++b) differ += set.Board(b).table != peerTables[size_t(b - 1)];
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::cout << "ours: " << ours << " s   ratio ours/peer: " << ours / peer
            << "\npeak memory: " << usage.ru_maxrss / 1024 << " MiB"
            << "\nboards whose tables differ from the peer's: " << differ << "\n";
  return differ == 0 ? 0 : 1;
}
