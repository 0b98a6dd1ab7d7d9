#include "analysis/solver.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "analysis/move_ordering.h"

namespace tarrow {
namespace {

// Removes the 2-bit field of rank index r: the fields below stay, those
// above move down by one place, and zeros come in at the top.
inline uint32_t DeleteField(uint32_t holders, int r) noexcept {
  const uint32_t below = holders & ((1u << (2 * r)) - 1);
  return below | ((holders >> (2 * r + 2)) << (2 * r));
}

}  // namespace

void SetUpDeal(SolverState& state, const Deal& deal, Seat declarer) noexcept {
  std::memset(static_cast<void*>(&state), 0, sizeof state);
  state.leader = 0;
  state.entry = nullptr;
  for (int s = 0; s < 4; ++s) state.remaining[s] = 13;
  for (int k = 0; k < kCards; ++k) {
    const int suit = SuitOfCard(k);
    const int rank = RankOfCard(k);
    const int position = (deal.seatOf[k] + 3 - declarer) & 3;
    state.holders[suit] |= uint32_t(position) << (2 * rank);
    ++state.count[position][suit];
  }
}

void CompleteTrick(SolverState& state) noexcept {
  // Take the trick's four cards out of play.  Their rank indexes were
  // recorded before any of them left, so a card's index now is the
  // recorded one less the cards of its suit above it removed before it.
  for (int i = 0; i < 4; ++i) {
    const int si = state.trickSuit[i];
    int ri = state.trickRank[i];
    for (int j = 0; j < i; ++j) {
      if (state.trickSuit[j] == si && state.trickRank[j] < state.trickRank[i]) --ri;
    }
    --state.count[i][si];
    --state.remaining[si];
    state.holders[si] = DeleteField(state.holders[si], ri);
  }
  state.leader = state.winSeat;
  state.played = 0;
}

bool LastTrickWonByDeclarerSide(const SolverState& state, int trumps) noexcept {
  int suitOf[4] = {-1, -1, -1, -1};
  int rankOf[4] = {0, 0, 0, 0};
  for (int s = 0; s < 4; ++s) {
    for (int r = 0; r < state.remaining[s]; ++r) {
      const int h = HolderOf(state, s, r);
      suitOf[h] = s;
      rankOf[h] = r;
    }
  }
  int best = -1;
  for (int i = 0; i < 4; ++i) {
    const int p = (state.leader + i) & 3;
    if (suitOf[p] < 0) continue;
    if (best < 0 || (suitOf[p] == trumps && suitOf[best] != trumps) ||
        (suitOf[p] == suitOf[best] && rankOf[p] < rankOf[best])) {
      best = p;
    }
  }
  return best >= 0 && (best & 1) != 0;
}

MoveList SimpleMoves(const SolverState& state) noexcept {
  MoveList list;
  const int mover = MoverOf(state);
  const bool follows = state.played > 0 && state.count[mover][state.suitLed] > 0;
  for (int s = 0; s < 4; ++s) {
    if (follows && s != state.suitLed) continue;
    const uint32_t cards = CardsOf(state, mover, s);
    uint32_t starts = cards & ~(cards << 2);
    while (starts != 0) {
      list.Add(MakeMove(s, std::countr_zero(starts) / 2));
      starts &= starts - 1;
    }
  }
  return list;
}

Result<std::unique_ptr<Solver>> Solver::Create() {
  Result<std::unique_ptr<TransTable>> table = TransTable::Create();
  if (!table.ok()) return table.status();
  return std::unique_ptr<Solver>(new Solver(std::move(*table)));
}

void Solver::SetSearch(int strain, bool mirror, const std::atomic<bool>& stopRequested) noexcept {
  assert(strain >= kNoTrumps && strain < 4);
  trumps_ = strain < 0 ? kNoTrumps : strain;
  mirror_ = mirror;
  stopRequested_ = &stopRequested;
}

void Solver::SetUpDeal(const DealNumber& number, Seat declarer) {
  tarrow::SetUpDeal(state_, DealFromNumber(number), declarer);
}

MoveList Solver::GenerateMoves(int target) const noexcept {
  if (TricksLeft(state_) > 2 && !simpleOnly_) return OrderedMoves(state_, trumps_, target);
  return SimpleMoves(state_);
}

bool Solver::CanMake(int target) noexcept {
  ++nodes_;
  if (target <= 0) return true;
  if (stopRequested_->load(std::memory_order_relaxed)) return false;
  const int tricksLeft = TricksLeft(state_);
  if (tricksLeft < target) return false;
  if (tricksLeft == 1) return LastTrickWonByDeclarerSide(state_, trumps_);

  const bool trickStart = state_.played == 0;
  PositionKey key;
  if (trickStart) {
    key = MakePositionKey(state_.holders, state_.remaining, state_.leader, mirror_);
    switch (table_->Probe(key, target, state_.entry)) {
      case ProbeAnswer::kTrue:
        return true;
      case ProbeAnswer::kFalse:
        return false;
      case ProbeAnswer::kSearch:
        break;
    }
  }

  const MoveList moves = GenerateMoves(target);
  // A defender to move: made unless some move refutes; declarer's side: not
  // made unless some move makes it.
  bool result = (MoverOf(state_) & 1) == 0;
  const SolverState saved = state_;
  for (const Move move : moves) {
    tarrow::PlayCard(state_, move, trumps_);
    const bool wonByDeclarerSide = state_.played == 0 && (state_.leader & 1) != 0;
    const bool r = CanMake(wonByDeclarerSide ? target - 1 : target);
    state_ = saved;
    if (r != result) {
      result = r;
      break;
    }
  }
  if (trickStart) TransTable::Store(state_.entry, key, target, result);
  return result;
}

int Solver::SolvePass(int start, std::atomic<int>* progressTarget) noexcept {
  int t = start;
  auto publish = [&] {
    if (progressTarget != nullptr) progressTarget->store(t, std::memory_order_relaxed);
  };
  publish();
  if (CanMake(t)) {
    do {
      ++t;
      publish();
    } while (CanMake(t));
    return t - 1;
  }
  do {
    --t;
    publish();
  } while (!CanMake(t));
  return t;
}

SideTricks Solver::SolveSide(const DealNumber& number, int strain, Seat declarer,
                             const std::atomic<bool>& stopRequested, SolveProgress* progress) {
  assert(declarer >= 0 && declarer < 4);
  table_->Clear();
  const Deal deal = DealFromNumber(number);
  SideTricks tricks;

  SetSearch(strain, false, stopRequested);
  tarrow::SetUpDeal(state_, deal, declarer);
  tricks.declarer = SolvePass(5, progress != nullptr ? &progress->target[0] : nullptr);

  SetSearch(strain, true, stopRequested);
  tarrow::SetUpDeal(state_, deal, declarer ^ 2);
  tricks.partner =
      SolvePass(std::max(tricks.declarer, 3), progress != nullptr ? &progress->target[1] : nullptr);
  return tricks;
}

DDTable SolveDeal(Solver& solver, const DealNumber& number,
                  const std::atomic<bool>& stopRequested) {
  DDTable table{};
  for (Seat declarer : {kNorth, kEast}) {
    for (int strain = kNoTrumps; strain < 4; ++strain) {
      const SideTricks tricks = solver.SolveSide(number, strain, declarer, stopRequested);
      const Strain column = strain + 1;  // table strains: 0 notrump, 1..4 spades..clubs
      table[size_t(DDIndex(declarer, column))] = uint8_t(tricks.declarer);
      table[size_t(DDIndex(declarer ^ 2, column))] = uint8_t(tricks.partner);
    }
  }
  return table;
}

}  // namespace tarrow
