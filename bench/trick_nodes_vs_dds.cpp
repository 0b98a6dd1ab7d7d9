// How much searching our solver does against the peer library, counted the
// way the peer counts: in tricks completed during the search (our trick
// starts), which does not depend on how either program cuts a trick into
// nodes.  Per strain, over the deals of a seeded set, each deal solved
// whole: ours by SolveDeal (its table kept across the passes of a deal),
// the peer's by SolveBoard for each leader of a strain (its table kept
// across the four leaders).  A ratio above 1 is searching we do that the
// peer does not; time per trick is the other half of the speed.
//
//   trick_nodes_vs_dds [--seed abc] [--boards 12] [--per-board 1] [--table-mib 128]
//
// --per-board 1 also prints each board's tricks per strain, ours and the
// peer's, to find the deals where the excess lies.  --table-mib gives our
// solver a smaller transposition table (1..128 MiB), to see what a build
// short of memory pays for it.
#include <dds/dll.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "analysis/solver.h"
#include "analysis/solver_peer_for_test.h"
#include "bench/bench_args.h"
#include "bench/solver_bench.h"

int main(int argc, char** argv) {
  std::string seed = "abc";
  int boards = 12;
  tarrow::bench::BenchArgs args(argc, argv);
  args.Read("--seed", seed);
  args.Read("--boards", boards);
  int perBoard = 0;
  args.Read("--per-board", perBoard);
  int tableMiB = int(tarrow::TransTable::kMaxMiB);
  args.Read("--table-mib", tableMiB);
  if (!args.Ok() || boards < 1 || boards > tarrow::kBoardsPerSet || tableMiB < 1 ||
      tableMiB > int(tarrow::TransTable::kMaxMiB)) {
    std::cerr << "usage: trick_nodes_vs_dds [--seed TEXT] [--boards 1..36] [--per-board 0|1]"
                 " [--table-mib 1..128]\n";
    return 2;
  }
  tarrow::testing::PeerSingleThreaded();
  const tarrow::DealSet set = tarrow::bench::SeededSet(seed);
  const std::unique_ptr<tarrow::Solver> solver = tarrow::bench::NewSolver(size_t(tableMiB));
  if (!solver) return 1;
  const std::atomic<bool> stop{false};
  // By our strain numbers: 0 notrump, 1..4 spades..clubs.
  uint64_t ours[5] = {};
  uint64_t peers[5] = {};
  for (int board = 1; board <= boards; ++board) {
    const tarrow::Deal deal = set.DealOf(board);
    dealPBN pbn{};
    const std::string text = tarrow::PbnDealText(deal, tarrow::kNorth);
    std::strncpy(pbn.remainCards, text.c_str(), sizeof pbn.remainCards - 1);
    for (tarrow::Strain strain : tarrow::kStrains) {
      const uint64_t peerBefore = peers[strain];
      const uint64_t ourBefore = ours[strain];
      pbn.trump = strain == tarrow::kNotrump ? 4 : strain - 1;
      for (int leader = 0; leader < 4; ++leader) {
        pbn.first = leader;
        futureTricks result{};
        // Mode 1 for a new strain (a fresh table), 2 to keep it.
        const int code = SolveBoardPBN(pbn, -1, 1, leader == 0 ? 1 : 2, &result, 0);
        if (code != RETURN_NO_FAULT) {
          std::cerr << "the peer library failed on board " << board << "\n";
          return 1;
        }
        peers[strain] += uint64_t(result.nodes);
      }
      std::optional<tarrow::SideTricks> north;  // East's first guess, as SolveDeal gives it
      for (tarrow::Seat declarer : {tarrow::kNorth, tarrow::kEast}) {
        const uint64_t before = solver->TrickStarts();
        north = solver->SolveSide(set.Board(board).number, strain, declarer, stop, nullptr, north);
        ours[strain] += solver->TrickStarts() - before;
      }
      if (perBoard != 0) {
        std::printf("board %2d %-3s %9llu %9llu  %.2f\n", board,
                    tarrow::kStrainLabels[size_t(strain)].data(),
                    static_cast<unsigned long long>(ours[strain] - ourBefore),
                    static_cast<unsigned long long>(peers[strain] - peerBefore),
                    double(ours[strain] - ourBefore) / double(peers[strain] - peerBefore));
      }
    }
  }
  std::printf("seed \"%s\", boards 1-%d, our table %d MiB: tricks searched, ours / peer\n",
              seed.c_str(), boards, tableMiB);
  uint64_t ourTotal = 0;
  uint64_t peerTotal = 0;
  for (tarrow::Strain strain : tarrow::kStrains) {
    std::printf("%-3s %10llu %10llu  %.2f\n", tarrow::kStrainLabels[size_t(strain)].data(),
                static_cast<unsigned long long>(ours[strain]),
                static_cast<unsigned long long>(peers[strain]),
                double(ours[strain]) / double(peers[strain]));
    ourTotal += ours[strain];
    peerTotal += peers[strain];
  }
  std::printf("all %10llu %10llu  %.2f\n", static_cast<unsigned long long>(ourTotal),
              static_cast<unsigned long long>(peerTotal), double(ourTotal) / double(peerTotal));
  return 0;
}
