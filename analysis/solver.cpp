#include "analysis/solver.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "analysis/cut_offs.h"
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
  Relevant relevant;
  return LastTrickWonByDeclarerSide(state, trumps, relevant);
}

bool LastTrickWonByDeclarerSide(const SolverState& state, int trumps, Relevant& relevant) noexcept {
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
  relevant = {};
  if (best < 0) return false;
  // The winner beat another card of its suit only by rank: the top card of
  // that suit matters.  A lone trump or a lone card of the suit led wins
  // whatever its rank.
  if (state.remaining[suitOf[best]] >= 2) relevant.fields[suitOf[best]] = TopFields(1);
  return (best & 1) != 0;
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

Result<std::unique_ptr<Solver>> Solver::Create(size_t tableMiB) {
  Result<std::unique_ptr<TransTable>> table = TransTable::Create(tableMiB);
  if (!table.ok()) return table.status();
  return std::unique_ptr<Solver>(new Solver(std::move(*table)));
}

void Solver::SetFrame(int strain, int declarer, const std::atomic<bool>& stopRequested) noexcept {
  assert(strain >= kNoTrumps && strain < 4);
  trumps_ = strain < 0 ? kNoTrumps : strain;
  rotation_ = declarer & 3;
  stopRequested_ = &stopRequested;
}

MoveList Solver::GenerateMoves() const noexcept {
  if (TricksLeft(state_) > 2 && !simpleOnly_) return OrderedMoves(state_, trumps_);
  return SimpleMoves(state_);
}

bool Solver::CanMake(int target) noexcept {
  Relevant relevant;
  return Search(target, relevant);
}

namespace {

// The top cards that decided a trick start, from those that decided the
// position after its trick: `saved` is the position before the trick's
// fourth card `last`, `after` the child's top cards in the child's rank
// indexes.  The cards of the trick leave play, so a child's top k cards of
// a suit are the parent's top cards down to the k-th one not in the trick.
// The trick's winner matters too when it beat another card of its suit.
Relevant ThroughTrick(const SolverState& saved, Move last, int trumps,
                      const Relevant& after) noexcept {
  uint32_t played[4] = {0, 0, 0, 0};  // per suit, the trick's cards as low field bits
  int winSuit = saved.winSuit;
  int winRank = saved.winRank;
  for (int k = 0; k < 3; ++k) {
    const int p = (saved.leader + k) & 3;
    played[saved.trickSuit[p]] |= 1u << (2 * saved.trickRank[p]);
  }
  const int s4 = MoveSuit(last);
  const int r4 = MoveRank(last);
  played[s4] |= 1u << (2 * r4);
  if ((s4 == trumps && winSuit != trumps) || (s4 == winSuit && r4 < winRank)) {
    winSuit = s4;
    winRank = r4;
  }
  Relevant before;
  for (int s = 0; s < 4; ++s) {
    int k = TopCount(after.fields[s]);
    for (uint32_t cards = played[s]; cards != 0; cards &= cards - 1) {
      if (std::countr_zero(cards) / 2 < k) ++k;
    }
    if (s == winSuit && (played[s] & (played[s] - 1)) != 0) k = std::max(k, winRank + 1);
    before.fields[s] = TopFields(k);
  }
  return before;
}

// After a node tried every move: only the highest card of each run of
// touching cards was tried, which speaks for the whole run only where the
// whole run is among the top cards or none of it is.  A line through a run
// moves below the run's last card.
void CoverRuns(const SolverState& state, const MoveList& moves, Relevant& relevant) noexcept {
  const int mover = MoverOf(state);
  for (const Move move : moves) {
    const int s = MoveSuit(move);
    const int r = MoveRank(move);
    const uint32_t fields = relevant.fields[s];
    if (((fields >> (2 * r)) & 1) == 0) continue;  // the run starts below the line
    const uint32_t rest = CardsOf(state, mover, s) >> (2 * r);
    const int end = r + std::countr_zero(~rest & kLowFieldBits) / 2;  // one past the run
    if (((fields >> (2 * end - 2)) & 1) == 0) relevant.fields[s] = TopFields(end);
  }
}

// Brings `move` (as the table stores it: its top bit is ignored) to the
// front of the list, the others keeping their order; nothing when the list
// does not hold it.
void MoveToFront(MoveList& moves, uint8_t move) noexcept {
  for (int i = 0; i < moves.size; ++i) {
    if (((moves.moves[i] ^ move) & 0x3F) == 0) {
      const Move m = moves.moves[i];
      for (int j = i; j > 0; --j) moves.moves[j] = moves.moves[j - 1];
      moves.moves[0] = m;
      return;
    }
  }
}

// A move as the table keeps it: suit and rank, with bit 7 set so that the
// ace of spades is not mistaken for "none".
constexpr uint8_t kStoredMove = 0x80;

// No line: every card is tried.
constexpr int kLines = 13;

}  // namespace

void Solver::NoteDealShape() noexcept {
  int held[4] = {0, 0, 0, 0};
  // Cards on the table still count as held until their trick is complete.
  for (int p = 0; p < 4; ++p) {
    for (int s = 0; s < 4; ++s) held[p] += state_.count[p][s];
  }
  cutOffs_ = held[0] == held[1] && held[1] == held[2] && held[2] == held[3];
}

bool Solver::Search(int target, Relevant& relevant) noexcept {
  ++nodes_;
  trickStarts_ += state_.played == 0;
  relevant = {};
  if (target <= 0) return true;
  if (stopRequested_->load(std::memory_order_relaxed)) return false;
  const int tricksLeft = TricksLeft(state_);
  if (tricksLeft < target) return false;
  if (tricksLeft == 1) return LastTrickWonByDeclarerSide(state_, trumps_, relevant);

  if (state_.played == 1 && cutOffs_) {
    // Second hand: its side may need no more than it surely takes now.
    const bool declarerSide = (MoverOf(state_) & 1) != 0;
    const int needed = declarerSide ? target : tricksLeft - target + 1;
    if (internal::SecondHandTricks(state_, trumps_, needed, relevant) >= needed) {
      return declarerSide;
    }
  }
  const bool trickStart = state_.played == 0;
  TableKey key;
  uint8_t bestMove = 0;
  if (trickStart) {
    // The table's lines for this position load while the cut-offs below
    // are computed; its buckets are read only where those settle nothing.
    key = MakeTableKey(state_.holders, state_.remaining, state_.count, state_.leader, rotation_);
    // Once the last trump has gone, a suit contract plays on as notrump: its
    // positions are filed with notrump's, so that every strain of the deal
    // reads what the others found there.
    key.strain = trumps_ != kNoTrumps && state_.remaining[trumps_] > 0 ? uint32_t(trumps_ + 1) : 0;
    table_->Prefetch(key);
    // The very position met lately: its class settles the target without
    // the cut-offs' counting.
    const TableHit recent = table_->ProbeRecent(key, target, (rotation_ & 1) != 0);
    if (recent.decided) {
      relevant = recent.relevant;
      return recent.made;
    }
  }
  if (trickStart && cutOffs_) {
    // Sure trump tricks, and the leader's side cashing its top cards, settle
    // many positions at once.
    if (trumps_ != kNoTrumps) {
      const internal::SureTrumpTricks sure =
          internal::TrumpTricks(state_, trumps_, relevant, target, tricksLeft - target + 1);
      if (sure.declarerSide >= target) return true;
      if (tricksLeft - sure.defenders < target) return false;
    }
    const bool declarerSideLeads = (state_.leader & 1) != 0;
    const int needed = declarerSideLeads ? target : tricksLeft - target + 1;
    if (internal::QuickTricks(state_, trumps_, needed, relevant) >= needed) {
      return declarerSideLeads;
    }
    // The other side may win the first trick whatever is led, and cash on.
    if (internal::TricksAgainstTheLead(state_, trumps_, tricksLeft - needed + 1, relevant) >=
        tricksLeft - needed + 1) {
      return !declarerSideLeads;
    }
    // A side that needs every trick left may be seen to fall short.
    if (needed == tricksLeft &&
        internal::CannotTakeEveryTrick(state_, trumps_, state_.leader, relevant)) {
      return !declarerSideLeads;
    }
    if (needed == 1 &&
        internal::CannotTakeEveryTrick(state_, trumps_, state_.leader ^ 1, relevant)) {
      return declarerSideLeads;
    }
  }
  if (trickStart) {
    // The small cache was read above, and nothing has been stored since.
    const TableHit hit = table_->ProbeBuckets(key, target, (rotation_ & 1) != 0);
    if (hit.decided) {
      relevant = hit.relevant;
      return hit.made;
    }
    bestMove = hit.bestMove;
  }

  MoveList moves = GenerateMoves();
  if (trickStart) {
    // The move that decided this class of positions, or a like one, before
    // goes first.
    if (bestMove != 0) MoveToFront(moves, bestMove);
  }
  // A defender to move: made unless some move refutes; declarer's side: not
  // made unless some move makes it.
  bool result = (MoverOf(state_) & 1) == 0;
  const SolverState saved = state_;
  Relevant all;
  Move cutMove = 0;
  bool cut = false;
  // Per suit, a line at or below which a small card was already tried
  // without deciding the node: every other card that low in that suit leads
  // to a position of the same class, so it need not be tried.
  int smallLine[4] = {kLines, kLines, kLines, kLines};
  for (int i = 0; i < moves.size; ++i) {
    const Move move = moves.moves[i];
    if (MoveRank(move) >= smallLine[MoveSuit(move)]) continue;
    tarrow::PlayCard(state_, move, trumps_);
    Relevant child;
    bool r;
    if (state_.played == 0) {
      const bool wonByDeclarerSide = (state_.leader & 1) != 0;
      r = Search(wonByDeclarerSide ? target - 1 : target, child);
      child = ThroughTrick(saved, move, trumps_, child);
    } else {
      r = Search(target, child);
    }
    state_ = saved;
    if (r != result) {
      result = r;
      relevant = child;
      cutMove = move;
      cut = true;
      break;
    }
    all.Add(child);
    const int line = TopCount(child.fields[MoveSuit(move)]);
    int& small = smallLine[MoveSuit(move)];
    if (MoveRank(move) >= line) small = std::min(small, line);
  }
  if (!cut) {
    relevant = all;
    CoverRuns(state_, moves, relevant);
  }
  if (trickStart && !stopRequested_->load(std::memory_order_relaxed)) {
    table_->Store(key, relevant, target, result, cut ? uint8_t(cutMove | kStoredMove) : 0,
                  (rotation_ & 1) != 0);
  }
  return result;
}

namespace {

// Tricks for declarer's side, fitted to the side's high-card points and, in
// a suit, its trump length over 144 deals, and rounded so as to need the
// fewest searches: the driver pays nothing for a guess one above the
// answer (one search fails, the next makes) and one search for each trick
// further off.  In notrump a search above the answer fails so much faster
// than one below it makes that the guess is two tricks higher than the fit
// (bench/results/tuning.md).
int FirstGuess(const Deal& deal, int strain, int declarer) noexcept {
  const int points = deal.points[declarer] + deal.points[declarer ^ 2];
  if (strain == kNoTrumps) return (46 * points - 40) / 100;
  const int trumps = deal.suitLength[declarer][strain] + deal.suitLength[declarer ^ 2][strain];
  return (37 * points + 110 * trumps - 740) / 100;
}

}  // namespace

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

SideTricks Solver::SolveSide(const DealNumber& number, Strain tableStrain, Seat declarer,
                             const std::atomic<bool>& stopRequested, SolveProgress* progress,
                             std::optional<SideTricks> otherSide) {
  const int strain = SolverStrain(tableStrain);
  assert(declarer >= 0 && declarer < 4);
  // The entries of earlier calls for this deal stay useful: the table files
  // positions by seat, tells strains apart and counts tricks for one side,
  // so another declarer of a strain reads what the first one left; those of
  // another deal only mislead.
  if (!tableValid_ || !(tableDeal_ == number)) ClearTable();
  tableValid_ = false;
  // The first target: where the other side has declared this strain, the
  // tricks that side left; else a guess from the side's points and, in a
  // suit, its trumps.  A good first target saves the cheap searches around
  // the answer.
  const Deal deal = DealFromNumber(number);
  const int start = std::clamp(otherSide ? 13 - std::min(otherSide->declarer, otherSide->partner)
                                         : FirstGuess(deal, strain, declarer),
                               1, 13);
  SideTricks tricks;

  SetFrame(strain, declarer, stopRequested);
  tarrow::SetUpDeal(state_, deal, declarer);
  NoteDealShape();
  tricks.declarer = SolvePass(start, progress != nullptr ? &progress->target[0] : nullptr);

  SetFrame(strain, declarer ^ 2, stopRequested);
  tarrow::SetUpDeal(state_, deal, PartnerOf(declarer));
  NoteDealShape();
  // Partner nearly always takes what declarer took.  Starting one above
  // settles that in the same two searches as starting at it, and covers
  // partner's taking one more (a little more common than one fewer).
  tricks.partner = SolvePass(std::min(tricks.declarer + 1, 13),
                             progress != nullptr ? &progress->target[1] : nullptr);

  if (!stopRequested.load(std::memory_order_relaxed)) {
    tableDeal_ = number;
    tableValid_ = true;
  }
  return tricks;
}

DDTable SolveDeal(Solver& solver, const DealNumber& number,
                  const std::atomic<bool>& stopRequested) {
  DDTable table{};
  // Strain by strain, so that East's passes read the entries North's left
  // and start from North's result.
  for (Strain strain : kStrains) {
    std::optional<SideTricks> north;
    for (Seat declarer : {kNorth, kEast}) {
      const SideTricks tricks =
          solver.SolveSide(number, strain, declarer, stopRequested, nullptr, north);
      table[size_t(DDIndex(declarer, strain))] = uint8_t(tricks.declarer);
      table[size_t(DDIndex(PartnerOf(declarer), strain))] = uint8_t(tricks.partner);
      north = tricks;
    }
  }
  return table;
}

}  // namespace tarrow
