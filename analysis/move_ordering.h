// The ordered move generator: the same moves as SimpleMoves (one per run of
// touching cards the mover may play), ordered so that the move most likely
// to refute comes first.  The order changes the running time of the search
// only, never an answer.
//
//   MoveList moves = OrderedMoves(state, trumps);
//
// Following suit, the led suit's runs are split into winners, covers and
// low cards and ordered by a plan that depends on the seat's place in the
// trick and on what partner can do (PartnerStatus).  Leading or discarding,
// the suits are ranked by LeadKey or DiscardKey; the first card of every
// suit comes before the second card of any (leading in notrump, a first
// suit well ahead of the rest offers its second card sooner).
#pragma once

#include "analysis/solver_state.h"

namespace tarrow {

// Ordered moves of the mover; trumps is a suit or kNoTrumps.
MoveList OrderedMoves(const SolverState& state, int trumps) noexcept;

namespace internal {

inline constexpr int kNoCard = -1;  // "none" among rank indexes; every card is lower

// The ordering steps, exposed for tests.  `seat` is a position; cards are
// rank indexes in `suit`.
int SureWinner(const SolverState& state, int trumps, int suit, int seat, bool skipPartner) noexcept;
int CoverCard(const SolverState& state, int trumps, int suit, int seat, bool skipPartner) noexcept;
int PartnerStatus(const SolverState& state, int trumps, int suit) noexcept;
// The mover's moves in one suit, in the order the plan gives, written from
// `out`; returns how many.  OrderedMoves answers a fourth hand following
// suit by a shortcut that must give the same order.
int SuitMoves(const SolverState& state, int trumps, int suit, Move* out) noexcept;

enum class Group : uint8_t { kLow, kCover, kWinner, kNone };
// MovePlan[cards played][PartnerStatus]: the order of the three groups.
extern const Group MovePlan[4][3][3];

}  // namespace internal
}  // namespace tarrow
