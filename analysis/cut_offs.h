// The solver's cut-offs: counts of tricks a side surely takes (or surely
// cannot take) from a position, which settle a search's target at a trick
// start without searching (solver.h tells when each applies).  Each fills
// `relevant` with the top cards its count rests on, so that the answer holds
// for the whole class of positions the table files it under.
//
//   Relevant relevant;
//   if (internal::QuickTricks(state, trumps, needed, relevant) >= needed) {
//     ... made, resting on the top cards in `relevant`
//   }
#pragma once

#include "analysis/solver_state.h"
#include "analysis/trans_table.h"

namespace tarrow::internal {

// Tricks the side on lead takes at once by cashing top cards (the leader's,
// or partner's after crossing to it).  Counting stops once `needed` tricks
// are found, so that `relevant` holds no more top cards than those need.
int QuickTricks(const SolverState& state, int trumps, int needed, Relevant& relevant) noexcept;
// Tricks each side surely takes with the trumps its hands hold: a hand's
// trumps less those the opponents' higher trumps can beat one for one.
struct SureTrumpTricks {
  int declarerSide = 0;
  int defenders = 0;
};
// Each count is a lower bound, and reaches what its side wants wherever the
// trumps can tell that; `relevant` then holds the fewest top trumps the
// count rests on (none where the lengths alone decide).
SureTrumpTricks TrumpTricks(const SolverState& state, int trumps, Relevant& relevant,
                            int wantedDeclarerSide, int wantedDefenders) noexcept;
// At a trick start, when the side of `position` needs every trick left:
// true when it surely cannot take them all.  Either it is on lead and,
// whatever suit the leader leads, an opponent holds the top card and the
// leader's partner cannot ruff; or no trumps are left and its two hands
// hold too few cards in the suits whose top card is theirs.
bool CannotTakeEveryTrick(const SolverState& state, int trumps, int position,
                          Relevant& relevant) noexcept;
// Tricks the side not on lead surely takes when no trumps are left and it
// holds the top card of every suit the leader holds: it wins the first
// trick and cashes on from the winning hand.  Counting stops below `needed`
// as soon as a suit falls short, and 0 when the side does not head them all.
int TricksAgainstTheLead(const SolverState& state, int trumps, int needed,
                         Relevant& relevant) noexcept;
// Tricks the second hand's side surely takes from a trick in progress with
// one card played, counting no further than `needed`.
int SecondHandTricks(const SolverState& state, int trumps, int needed, Relevant& relevant) noexcept;

}  // namespace tarrow::internal
