#include "analysis/move_ordering.h"

#include <algorithm>
#include <bit>

namespace tarrow {
namespace internal {

using G = Group;
const Group MovePlan[4][3][3] = {
    // leading
    {{G::kWinner, G::kCover, G::kLow},
     {G::kCover, G::kLow, G::kWinner},
     {G::kLow, G::kWinner, G::kCover}},
    // second hand
    {{G::kWinner, G::kCover, G::kLow},
     {G::kCover, G::kLow, G::kWinner},
     {G::kLow, G::kWinner, G::kCover}},
    // third hand
    {{G::kWinner, G::kCover, G::kLow},
     {G::kCover, G::kWinner, G::kLow},
     {G::kLow, G::kCover, G::kWinner}},
    // fourth hand: it has no cover group, and status 1 does not occur
    {{G::kWinner, G::kLow, G::kNone},
     {G::kWinner, G::kLow, G::kNone},
     {G::kLow, G::kWinner, G::kNone}},
};

namespace {

// Seat's "lower" in rank-index terms; every card is lower than none.
inline bool IsLower(int card, int than) noexcept {
  return than == kNoCard || card > than;
}

// True when a card of `suit` can no longer win the trick in progress.
inline bool CannotWinTrick(const SolverState& state, int trumps, int suit) noexcept {
  return state.played > 0 && suit != trumps && suit != state.winSuit;
}

int Length2(const SolverState& state, int mover, int suit) noexcept {
  return state.count[mover][suit] + state.count[mover ^ 2][suit];
}

int LeadKey(const SolverState& state, int trumps, int suit, bool quick) noexcept {
  const int mover = MoverOf(state);
  if (suit == trumps && (mover & 1) != 0 && state.count[0][trumps] + state.count[2][trumps] > 0) {
    return 0x2000 + suit;
  }
  int key = 4 * Length2(state, mover, suit) + suit;
  if (quick) key += 64 * EstTricks(state, trumps, suit);
  return key;
}

int DiscardKey(const SolverState& state, int trumps, int suit) noexcept {
  const int mover = MoverOf(state);
  if (suit != trumps) return 4 * Length2(state, mover, suit) + suit;
  if (state.winSeat == (mover ^ 2)) return suit;
  if (state.winSuit != trumps) return 64 + suit;
  // Ruffed already: keep the trumps only when they can overruff.
  const uint32_t cards = CardsOf(state, mover, suit);
  const bool overruff = cards != 0 && std::countr_zero(cards) / 2 < state.winRank;
  return overruff ? 64 + suit : suit;
}

// Runs of touching cards of `seat` in `suit`: the highest card of each,
// highest first.  Returns their number.
int Runs(const SolverState& state, int seat, int suit, int runs[13]) noexcept {
  const uint32_t cards = CardsOf(state, seat, suit);
  uint32_t starts = cards & ~(cards << 2);
  int n = 0;
  while (starts != 0) {
    runs[n++] = std::countr_zero(starts) / 2;
    starts &= starts - 1;
  }
  return n;
}

// The moves of one suit, in the order the plan gives.
void SuitMoves(const SolverState& state, int trumps, int suit, MoveList& out) noexcept {
  const int mover = MoverOf(state);
  int runs[13];
  const int n = Runs(state, mover, suit, runs);
  if (n <= 1) {
    for (int i = 0; i < n; ++i) out.Add(MakeMove(suit, runs[i]));
    return;
  }
  const int winner = SureWinner(state, trumps, suit, mover, false);
  const int cover = state.played == 3 ? winner : CoverCard(state, trumps, suit, mover, false);
  int iLow = n;
  for (int i = 0; i < n; ++i) {
    if (IsLower(runs[i], cover)) {
      iLow = i;
      break;
    }
  }
  int iWin = iLow;
  for (int i = 0; i < iLow; ++i) {
    if (IsLower(runs[i], winner)) {
      iWin = i;
      break;
    }
  }
  // Groups as index ranges [first, last) of runs.
  const int first[3] = {iLow, iWin, 0};  // kLow, kCover, kWinner
  const int last[3] = {n, iLow, iWin};

  static constexpr Group kRuffPlan[3] = {Group::kCover, Group::kWinner, Group::kLow};
  const Group* plan = kRuffPlan;
  const bool ruffing = state.played > 0 && suit == trumps && state.suitLed != trumps;
  if (!ruffing) plan = MovePlan[state.played][PartnerStatus(state, trumps, suit)];

  for (int k = 0; k < 3; ++k) {
    const Group g = plan[k];
    if (g == Group::kNone) continue;
    const int gi = int(g);
    if (first[gi] == last[gi]) continue;
    out.Add(MakeMove(suit, runs[last[gi] - 1], g != Group::kLow));
  }
  // Then the rest of each group from its highest card: covers, winners, lows.
  for (const Group g : {Group::kCover, Group::kWinner, Group::kLow}) {
    const int gi = int(g);
    for (int i = first[gi]; i < last[gi] - 1; ++i) {
      out.Add(MakeMove(suit, runs[i], g != Group::kLow));
    }
  }
}

}  // namespace

int SureWinner(const SolverState& state, int trumps, int suit, int seat,
               bool skipPartner) noexcept {
  if (CannotWinTrick(state, trumps, suit)) return kNoCard;
  const bool inProgress = state.played > 0;
  const int end = inProgress && suit == state.suitLed ? state.winRank : state.remaining[suit];
  int remembered = kNoCard;
  for (int r = 0; r < end; ++r) {
    const int h = HolderOf(state, suit, r);
    if (h == seat) {
      remembered = r;
      continue;
    }
    if (skipPartner && h == (seat ^ 2)) continue;
    if (!HasPlayed(state, h)) {
      if (!inProgress || suit == state.suitLed || state.count[h][state.suitLed] == 0) break;
      continue;
    }
    if (state.trickSuit[h] == suit && state.trickRank[h] == r) break;
  }
  return remembered;
}

int CoverCard(const SolverState& state, int trumps, int suit, int seat, bool skipPartner) noexcept {
  if (CannotWinTrick(state, trumps, suit)) return kNoCard;
  const bool inProgress = state.played > 0;
  bool done[4] = {};  // out or met
  done[seat] = true;
  for (int h = 0; h < 4; ++h) {
    if (h == seat) continue;
    const bool played = HasPlayed(state, h);
    const bool out = (played && state.trickSuit[h] != suit) ||
                     (!played && state.count[h][suit] == 0) ||
                     (!played && inProgress && suit == trumps && suit != state.suitLed) ||
                     (skipPartner && h == (seat ^ 2));
    done[h] = out;
  }
  for (int r = state.remaining[suit] - 1; r >= 0; --r) {
    const int h = HolderOf(state, suit, r);
    if (h != seat) {
      // Seats already out or met stay so; a played seat is met only by its
      // card on the table.
      if (!done[h] && (!HasPlayed(state, h) || state.trickRank[h] == r)) done[h] = true;
    } else if (done[0] && done[1] && done[2] && done[3]) {
      return r;
    }
  }
  return kNoCard;
}

int PartnerStatus(const SolverState& state, int trumps, int suit) noexcept {
  const int mover = MoverOf(state);
  const int partner = mover ^ 2;
  switch (state.played) {
    case 0:
    case 1:
      if (CoverCard(state, trumps, suit, partner, true) == kNoCard) return 0;
      return SureWinner(state, trumps, suit, partner, true) == kNoCard ? 1 : 2;
    case 2: {
      if (state.winSeat != partner || state.highLead == 0) return 0;
      const int fourth = (mover + 1) & 3;
      return CoverCard(state, trumps, suit, fourth, false) != kNoCard ? 1 : 2;
    }
    default:
      return state.winSeat == partner ? 2 : 0;
  }
}

int EstTricks(const SolverState& state, int trumps, int suit) noexcept {
  const int mover = MoverOf(state);
  const int partner = mover ^ 2;
  int w = 0;
  for (int r = 0; r < state.remaining[suit]; ++r) {
    const int h = HolderOf(state, suit, r);
    if (h != mover && h != partner) break;
    ++w;
  }
  const int moverLength = state.count[mover][suit];
  const int partnerLength = state.count[partner][suit];
  const int longest = std::max(moverLength, partnerLength);
  if (w >= longest) return longest;
  if (trumps == kNoTrumps) return w;
  const int longHand = moverLength >= partnerLength ? moverLength : partnerLength;
  const int shortHand = moverLength >= partnerLength ? partnerLength : moverLength;
  if (longHand > w && shortHand <= w) return w + shortHand;
  return w;
}

}  // namespace internal

MoveList OrderedMoves(const SolverState& state, int trumps, int target) noexcept {
  using namespace internal;
  MoveList out;
  const int mover = MoverOf(state);
  if (state.played > 0 && state.count[mover][state.suitLed] > 0) {
    SuitMoves(state, trumps, state.suitLed, out);
    return out;
  }
  // Leading or discarding: rank the suits held, highest key first.
  int suits[4];
  int keys[4];
  int held = 0;
  const bool leading = state.played == 0;
  bool quick = false;
  if (leading) {
    const int k = TricksLeft(state);
    const int budget = (mover & 1) != 0 ? std::min(3, k - target) : std::min(3, target - 1);
    if (budget >= 1) {
      int sum = 0;
      for (int s = 0; s < 4; ++s) sum += EstTricks(state, trumps, s);
      quick = sum >= target;
    }
  }
  for (int s = 0; s < 4; ++s) {
    if (state.count[mover][s] == 0) continue;
    const int key = leading ? LeadKey(state, trumps, s, quick) : DiscardKey(state, trumps, s);
    int i = held++;
    while (i > 0 && keys[i - 1] < key) {
      keys[i] = keys[i - 1];
      suits[i] = suits[i - 1];
      --i;
    }
    keys[i] = key;
    suits[i] = s;
  }
  if (held == 1) {
    SuitMoves(state, trumps, suits[0], out);
    return out;
  }
  MoveList perSuit[4];
  for (int i = 0; i < held; ++i) SuitMoves(state, trumps, suits[i], perSuit[i]);
  for (int i = 0; i < held; ++i) out.Add(perSuit[i].moves[0]);
  for (int i = 0; i < held; ++i) {
    for (int j = 1; j < perSuit[i].size; ++j) out.Add(perSuit[i].moves[j]);
  }
  return out;
}

}  // namespace tarrow
