// The position the solver searches, the moves it tries, and the steps on a
// position that need no table: set-up, playing a card, the last trick and
// the simple move generator.  The search itself is in solver.h.
//
//   SolverState state;
//   SetUpDeal(state, deal, kSouth);            // West (position 0) to lead
//   MoveList moves = SimpleMoves(state);
//   PlayCard(state, moves.moves[0], trumps);
//
// Seats are relative positions in playing order from the opening leader:
// 0 leader, 1 dummy, 2 declarer's right-hand opponent, 3 declarer.  Odd
// positions are declarer's side; partner of p is p ^ 2.  A card is named by
// its suit and its rank index, its place among the cards of that suit still
// in play (0 = highest).
#pragma once

#include <bit>
#include <cassert>
#include <cstdint>
#include <type_traits>

#include "analysis/trans_table.h"
#include "core/cards.h"

namespace tarrow {

// A move is one byte: bits 4-5 suit, bits 0-3 rank index.
using Move = uint8_t;
constexpr Move MakeMove(int suit, int rankIndex) noexcept {
  return Move(suit << 4 | rankIndex);
}
constexpr int MoveSuit(Move move) noexcept {
  return (move >> 4) & 3;
}
constexpr int MoveRank(Move move) noexcept {
  return move & 0xF;
}

// At most one move per run of touching cards of one hand: 13.
struct MoveList {
  int size = 0;
  Move moves[13];

  void Add(Move move) noexcept {
    assert(size < 13);
    moves[size++] = move;
  }
  const Move* begin() const noexcept { return moves; }
  const Move* end() const noexcept { return moves + size; }
};

// The whole position.  Saved and restored by the search as one block copy,
// so it stays trivially copyable and small (52 bytes).  Cards played to the
// current trick stay in holders/count/remaining until the trick is complete;
// rank indexes therefore never change within a trick, and the tricks left,
// (sum of remaining) / 4, count the current trick as a whole one.
struct SolverState {
  uint32_t holders[4];   // per suit: position of each card in play, 2 bits each,
                         // rank index 0 in bits 0-1; bits above the suit's cards are 0
  uint8_t count[4][4];   // cards held, [position][suit], 0..13
  uint8_t remaining[4];  // cards still in play per suit, 0..13
  uint8_t trickSuit[4];  // per position, suit of its card on the table (valid once played)
  uint8_t trickRank[4];  // per position, rank index of that card
  uint8_t played;        // cards on the table in this trick, 0..3
  uint8_t suitLed;       // suit led to this trick (valid when played > 0)
  uint8_t leader;        // position that led this trick, 0..3
  uint8_t winSuit;       // suit of the card winning the trick so far (at a trick
                         // start: that won the last trick, 0 before the first)
  uint8_t winRank;       // its rank index
  uint8_t winSeat;       // position that played it
};
static_assert(std::is_trivially_copyable_v<SolverState>);
static_assert(sizeof(SolverState) <= 52);

inline constexpr int kNoTrumps = -1;  // the strain value for notrump; suits are 0..3

// True when `position` would ruff a lead of `suit`: a suit contract, a side
// suit, none of that suit in the hand and a trump.
inline bool CanRuff(const SolverState& state, int trumps, int position, int suit) noexcept {
  return trumps != kNoTrumps && suit != trumps && state.count[position][suit] == 0 &&
         state.count[position][trumps] > 0;
}

inline int HolderOf(const SolverState& state, int suit, int rankIndex) noexcept {
  return int(state.holders[suit] >> (2 * rankIndex)) & 3;
}
inline int MoverOf(const SolverState& state) noexcept {
  return (state.leader + state.played) & 3;
}
inline int TricksLeft(const SolverState& state) noexcept {
  return (state.remaining[0] + state.remaining[1] + state.remaining[2] + state.remaining[3]) / 4;
}
// True when `position` has already played to the current trick.
inline bool HasPlayed(const SolverState& state, int position) noexcept {
  return ((position - state.leader) & 3) < state.played;
}
// Sets of cards of one suit are masks with bit 2r set for rank index r (the
// low bit of each 2-bit holder field).
inline constexpr uint32_t kLowFieldBits = 0x5555555u;  // all 13 fields
// The fields of the cards higher than rank index `limit`, 0..13.
constexpr uint32_t CardsAbove(int limit) noexcept {
  return (1u << (2 * limit)) - 1;
}
// The highest / lowest card of a non-empty card mask, as a rank index.
inline int HighestCard(uint32_t cards) noexcept {
  return std::countr_zero(cards) / 2;
}
inline int LowestCard(uint32_t cards) noexcept {
  return (std::bit_width(cards) - 1) / 2;
}
// The cards of one position in one suit: the holder fields equal to
// `position`.
inline uint32_t CardsOf(const SolverState& state, int position, int suit) noexcept {
  const uint32_t x = state.holders[suit] ^ (uint32_t(position) * kLowFieldBits);
  return ~(x | x >> 1) & kLowFieldBits & CardsAbove(state.remaining[suit]);
}

// Fills the state for a deal with `declarer` (a seat) as declarer: position
// (seat + 3 - declarer) mod 4, leader 0, nothing played, no entry.
void SetUpDeal(SolverState& state, const Deal& deal, Seat declarer) noexcept;

// Takes the cards of a full trick out of play and gives the lead to its
// winner; the last step of PlayCard.
void CompleteTrick(SolverState& state) noexcept;

// Plays one move of the position to move; trumps is a suit or kNoTrumps.
// Precondition: the mover holds the card and may play it.  Inline because
// the search plays every move this way; only the fourth card of a trick
// needs more than a few stores.
inline void PlayCard(SolverState& state, Move move, int trumps) noexcept {
  const int s = MoveSuit(move);
  const int r = MoveRank(move);
  if (state.played == 0) {
    state.suitLed = uint8_t(s);
    state.winSeat = state.leader;
    state.winSuit = uint8_t(s);
    state.winRank = uint8_t(r);
    state.trickSuit[state.leader] = uint8_t(s);
    state.trickRank[state.leader] = uint8_t(r);
    state.played = 1;
    return;
  }
  const int q = (state.leader + state.played) & 3;
  if ((s == trumps && state.winSuit != trumps) || (s == state.winSuit && r < state.winRank)) {
    state.winSeat = uint8_t(q);
    state.winSuit = uint8_t(s);
    state.winRank = uint8_t(r);
  }
  state.trickSuit[q] = uint8_t(s);
  state.trickRank[q] = uint8_t(r);
  if (state.played < 3) {
    ++state.played;
    return;
  }
  CompleteTrick(state);
}

// With one trick left: true when declarer's side wins it.  The second form
// also tells which top cards decided it (the winner's suit's top card when
// the winner beat another card of its suit by rank).
bool LastTrickWonByDeclarerSide(const SolverState& state, int trumps) noexcept;
bool LastTrickWonByDeclarerSide(const SolverState& state, int trumps, Relevant& relevant) noexcept;

// The cards the mover may play, one per run of touching cards (the highest),
// suits in order spades first, no high marks.  Empty when the mover has no
// cards (only in the deal of an out-of-range number).
MoveList SimpleMoves(const SolverState& state) noexcept;

}  // namespace tarrow
