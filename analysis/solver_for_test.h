// The steps a search is made of, for tests that walk positions by hand; the
// program only calls Solver::SolveSide.
//
//   SolverForTest::SetSearch(*solver, kSpades, false, stop);
//   SolverForTest::SetUpDeal(*solver, number, kNorth);
//   bool made = SolverForTest::CanMake(*solver, 6);
//   SolverForTest::PlayCard(*solver, SolverForTest::GenerateMoves(*solver).moves[0]);
#pragma once

#include <atomic>
#include <cstdint>

#include "analysis/solver.h"
#include "analysis/trans_table.h"
#include "core/deal_number.h"

namespace tarrow {

class SolverForTest {
 public:
  // The strain, the mirror (the partner's pass) and the stop flag, which
  // must outlive the search.
  static void SetSearch(Solver& solver, int strain, bool mirror,
                        const std::atomic<bool>& stopRequested) noexcept {
    solver.SetFrame(strain, mirror ? 2 : 0, stopRequested);
  }
  // Forgets every bound and best move: the next search runs as on a new
  // solver.
  static void ClearTable(Solver& solver) noexcept { solver.ClearTable(); }
  // The position of a deal's number (an out-of-range number gives every
  // card to North).
  static void SetUpDeal(Solver& solver, const DealNumber& number, Seat declarer) {
    tarrow::SetUpDeal(solver.state_, DealFromNumber(number), declarer);
    solver.NoteDealShape();
  }
  static void SetState(Solver& solver, const SolverState& state) noexcept {
    solver.state_ = state;
    solver.NoteDealShape();
  }
  static const SolverState& State(const Solver& solver) noexcept { return solver.state_; }
  static void PlayCard(Solver& solver, Move move) noexcept {
    tarrow::PlayCard(solver.state_, move, solver.trumps_);
  }
  // True when declarer's side can take `target` more tricks from the
  // position; with `relevant`, also the top cards that decided it.
  static bool CanMake(Solver& solver, int target) noexcept { return solver.CanMake(target); }
  static bool CanMake(Solver& solver, int target, Relevant& relevant) noexcept {
    return solver.Search(target, relevant);
  }
  // The moves CanMake tries at the position, in its order.
  static MoveList GenerateMoves(const Solver& solver) noexcept { return solver.GenerateMoves(); }
  // The simple generator at every node instead of the ordered one: the
  // answers stay the same, the search gets far slower.
  static void UseSimpleMovesOnly(Solver& solver, bool on) noexcept { solver.simpleOnly_ = on; }

  // TransTable's rotation of holder fields into the table's frame.
  static uint32_t RotateHolders(uint32_t holders, int n, int rotation) noexcept {
    return TransTable::RotateHolders(holders, n, rotation);
  }
};

}  // namespace tarrow
