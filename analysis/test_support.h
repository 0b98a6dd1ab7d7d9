// Shared by the solver's tests: deals from PBN text, solvers, and hand-made
// endings.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/solver.h"
#include "analysis/solver_state.h"
#include "core/deal_number.h"
#include "core/pbn_deal.h"

namespace tarrow::testing {

inline DealNumber NumberOf(const char* pbn) {
  const Result<Deal> deal = ParsePbnDeal(pbn);
  EXPECT_TRUE(deal.ok()) << pbn << ": " << deal.message();
  return deal->number;
}

// A solver with the analysis workers' table.
inline std::unique_ptr<Solver> MakeSolver() {
  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  EXPECT_TRUE(solver.ok()) << solver.message();
  return std::move(*solver);
}

// A stop flag that is never set.
inline const std::atomic<bool> kGo{false};

// A hand-made ending: per suit, the position holding each card by rank
// index (the highest first); the leader at position 0.
inline SolverState EndingOf(const std::vector<int> (&holders)[4]) {
  SolverState state{};
  for (int s = 0; s < 4; ++s) {
    state.remaining[s] = uint8_t(holders[s].size());
    for (size_t r = 0; r < holders[s].size(); ++r) {
      state.holders[s] |= uint32_t(holders[s][r]) << (2 * r);
      ++state.count[holders[s][r]][s];
    }
  }
  return state;
}

// Every hand of a hand-made ending holds `cards` cards, as in a real deal.
inline void ExpectEveryHandHolds(const SolverState& state, int cards) {
  for (int p = 0; p < 4; ++p) {
    int held = 0;
    for (int s = 0; s < 4; ++s) held += state.count[p][s];
    ASSERT_EQ(held, cards) << "position " << p;
  }
}

}  // namespace tarrow::testing
