// What the solver benchmarks start from: the set a seed deals, and a solver
// with its table.
//
//   tarrow::DealSet set = tarrow::bench::SeededSet("abc");
//   std::unique_ptr<tarrow::Solver> solver = tarrow::bench::NewSolver();
//   if (!solver) return 1;
#pragma once

#include <iostream>
#include <memory>
#include <string>

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
inline std::unique_ptr<Solver> NewSolver() {
  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  if (!solver.ok()) {
    std::cerr << solver.message() << "\n";
    return nullptr;
  }
  return std::move(*solver);
}

}  // namespace tarrow::bench
