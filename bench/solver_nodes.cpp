// The solver's work on chosen boards of a seeded set: per board the nodes
// searched and the DDTable, one SolveDeal each, one thread.  Used to show
// that a change to the solver's inner loop leaves the search untouched
// (same nodes, same tables) and, under callgrind, what a node costs.
//
//   solver_nodes [--seed abc] [--boards 1,3,5,7] [--declarer N] [--strain NT]
//
// With --declarer and --strain only that one SolveSide call is made.
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/solver.h"
#include "bench/bench_args.h"
#include "bench/solver_bench.h"

namespace {

int Usage() {
  std::cerr << "usage: solver_nodes [--seed TEXT] [--boards B,B,..] [--declarer NESW] "
               "[--strain NT|S|H|D|C]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string seed = "abc";
  std::vector<int> boards = {1, 3, 5, 7};
  // Both or neither: one declarer's side in one strain, else whole deals.
  std::optional<tarrow::Seat> declarer;
  std::optional<tarrow::Strain> strain;
  tarrow::bench::BenchArgs args(argc, argv);
  args.Read("--seed", seed);
  if (const std::optional<std::string> value = args.Value("--boards")) {
    boards.clear();
    std::istringstream in(*value);
    std::string item;
    while (std::getline(in, item, ',')) {
      const int board = std::atoi(item.c_str());
      if (board < 1 || board > tarrow::kBoardsPerSet) return Usage();
      boards.push_back(board);
    }
  }
  if (const std::optional<std::string> value = args.Value("--declarer")) {
    const size_t seat = std::string_view("NESW").find(*value);
    if (value->size() != 1 || seat == std::string::npos) return Usage();
    declarer = tarrow::Seat(seat);
  }
  if (const std::optional<std::string> value = args.Value("--strain")) {
    for (tarrow::Strain s : tarrow::kStrains) {
      if (*value == tarrow::kStrainLabels[size_t(s)]) strain = s;
    }
    if (!strain) return Usage();
  }
  if (!args.Ok() || declarer.has_value() != strain.has_value()) return Usage();

  const tarrow::DealSet set = tarrow::bench::SeededSet(seed);
  const std::unique_ptr<tarrow::Solver> solver = tarrow::bench::NewSolver();
  if (!solver) return 1;
  const std::atomic<bool> stop{false};
  uint64_t total = 0;
  for (const int board : boards) {
    const uint64_t before = solver->Nodes();
    std::cout << "board " << board << ":";
    if (declarer) {
      const tarrow::SideTricks t =
          solver->SolveSide(set.Board(board).number, *strain, *declarer, stop);
      std::cout << " tricks " << t.declarer << " " << t.partner;
    } else {
      const tarrow::DDTable table = tarrow::SolveDeal(*solver, set.Board(board).number, stop);
      std::cout << " table";
      for (const uint8_t tricks : table) std::cout << " " << int(tricks);
    }
    const uint64_t nodes = solver->Nodes() - before;
    total += nodes;
    std::cout << " nodes " << nodes << std::endl;
  }
  std::cout << "total nodes " << total << std::endl;
  return 0;
}
