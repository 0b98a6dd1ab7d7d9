// What the solver benchmarks start from: the set a seed deals, and a solver
// with its table; a whole set timed through the analysis runner and, where
// the peer library is installed, through the peer on the same threads.
//
//   tarrow::DealSet set = tarrow::bench::SeededSet("abc");
//   std::unique_ptr<tarrow::Solver> solver = tarrow::bench::NewSolver();
//   if (!solver) return 1;
//   double ours = tarrow::bench::RunnerSeconds(set, 2);   // tables left in set
//   double peer = tarrow::bench::PeerSetSeconds(set, 36, 2, peerTables);
#pragma once

#if __has_include(<dds/dll.h>)
#include <dds/dll.h>
#define TARROW_BENCH_HAS_PEER 1
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "analysis/runner.h"
#include "analysis/solver.h"
#include "core/deal_number.h"
#include "core/deal_set.h"
#include "core/generation.h"

namespace tarrow::bench {

// The 36 boards the seed deals (the numbering tables built first).
inline DealSet SeededSet(const std::string& seed) {
  BuildNumberingTables();
  DealSet set;
  GenerateSet(set, seed, 0);
  return set;
}

// A solver, or null after telling on standard error why there is none.
inline std::unique_ptr<Solver> NewSolver(size_t tableMiB = TransTable::kMaxMiB) {
  Result<std::unique_ptr<Solver>> solver = Solver::Create(tableMiB);
  if (!solver.ok()) {
    std::cerr << solver.message() << "\n";
    return nullptr;
  }
  return std::move(*solver);
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Analyses `set` in place on `threads` workers: the wall-clock seconds from
// the start to the run's completion, or -1 if it did not start.  `nodes`,
// when given, receives the search nodes of all the workers together.
inline double RunnerSeconds(DealSet& set, int threads, uint64_t* nodes = nullptr) {
  using Clock = std::chrono::steady_clock;
  QueueExecutor executor;
  AnalysisRunner runner(set, executor);
  const auto start = Clock::now();
  if (!runner.Start(threads).ok()) return -1;
  // The window ticks once a second; here every few milliseconds, so that
  // the end of the run is seen as it happens.
  do {
    executor.DrainFor(std::chrono::milliseconds(5));
  } while (!runner.Tick().completed);
  if (nodes != nullptr) *nodes = runner.NodesSearched();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

#ifdef TARROW_BENCH_HAS_PEER
// The peer's tables of the first `boards` boards of `set`, solved in one
// CalcAllTablesPBN call on `threads` threads, left in `tables` (our order);
// the seconds that call took.
inline double PeerSetSeconds(const DealSet& set, int boards, int threads,
                             std::vector<DDTable>& tables) {
  using Clock = std::chrono::steady_clock;
  SetMaxThreads(threads);
  ddTableDealsPBN deals{};
  deals.noOfTables = boards;
  for (int b = 0; b < boards; ++b) {
    const std::string text = PbnDealText(set.DealOf(b + 1), kNorth);
    std::strncpy(deals.deals[b].cards, text.c_str(), sizeof deals.deals[b].cards - 1);
  }
  int filter[5] = {0, 0, 0, 0, 0};
  auto results = std::make_unique<ddTablesRes>();
  auto par = std::make_unique<allParResults>();
  const auto start = Clock::now();
  const int code = CalcAllTablesPBN(&deals, -1, filter, results.get(), par.get());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (code != RETURN_NO_FAULT) std::cerr << "peer library error " << code << "\n";
  tables.assign(size_t(boards), DDTable{});
  for (int b = 0; b < boards; ++b) {
    for (Seat seat : kSeats) {
      // The peer counts strains spades..clubs then notrump.
      tables[size_t(b)][size_t(DDIndex(seat, kNotrump))] =
          uint8_t(results->results[b].resTable[4][seat]);
      for (Suit suit : kSuits) {
        tables[size_t(b)][size_t(DDIndex(seat, StrainOfSuit(suit)))] =
            uint8_t(results->results[b].resTable[suit][seat]);
      }
    }
  }
  return seconds;
}
#endif

}  // namespace tarrow::bench
