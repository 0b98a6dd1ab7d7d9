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

// How many of the top cards of a suit `position` holds in a row, from the
// suit's highest card still in play.
inline int TopRun(const SolverState& state, int position, int suit) noexcept {
  const uint32_t others = state.holders[suit] ^ (uint32_t(position) * kLowFieldBits);
  const uint32_t stops =
      ((others | others >> 1) & kLowFieldBits) | (1u << (2 * state.remaining[suit]));
  return std::countr_zero(stops) / 2;
}

// The tricks `cashier` takes with its top run of `run` cards of a suit,
// keeping the lead: the run, or all its cards of the suit when the run
// draws the suit (nobody else holds more cards of it).
inline int RunTricks(const SolverState& state, int cashier, int suit, int run) noexcept {
  if (run == 0) return 0;
  for (const int other : {cashier ^ 1, cashier ^ 2, cashier ^ 3}) {
    if (state.count[other][suit] > run) return run;
  }
  return state.count[cashier][suit];
}

// The tricks `cashier` takes with `cards` top cards of a side suit before an
// opponent can ruff: each opponent who still holds trumps after `drawn`
// rounds of trumps follows for as many rounds as it holds cards of the suit.
inline int RoundsBeforeARuff(const SolverState& state, int trumps, int cashier, int suit, int cards,
                             int drawn) noexcept {
  int tricks = cards;
  for (const int opponent : {cashier ^ 1, cashier ^ 3}) {
    if (state.count[opponent][trumps] > drawn) {
      tricks = std::min<int>(tricks, state.count[opponent][suit]);
    }
  }
  return tricks;
}

// The fewest of a run's top cards, 1..run, whose tricks (tricksOf(cards))
// reach `wanted`; the whole run when no fewer do.  A count that names fewer
// cards holds for a wider class of positions.
template <typename TricksOf>
int FewestCards(int run, int wanted, TricksOf tricksOf) noexcept {
  int used = 1;
  while (used < run && tricksOf(used) < wanted) ++used;
  return used;
}

}  // namespace

// Trick starts in a suit contract.  Every trump a hand holds is played to a
// trick of its own, and that trick goes to the hand's side unless an
// opponent plays a higher trump to it; each of the opponents' trumps goes
// to one trick.  So a hand's trumps, less as many as the opponents' trumps
// can beat one for one, are tricks for its side.  And when a side holds the
// top two trumps one in each hand and either hand a third, each of the two
// takes a trick: the hand with the third trump plays it beside its
// partner's top trump.
// For a line (the holders of the trumps above it fixed, the lengths fixed),
// the opponents' trumps above the line beat what they can of the hand's
// trumps above it, taken from the top, and the rest may beat any of the
// hand's trumps below it.  The count stops at the shortest line that gives
// a side the tricks it wants, so that the result holds for as wide a class
// as it can; with no line at all it rests on the lengths alone.
namespace internal {

SureTrumpTricks TrumpTricks(const SolverState& state, int trumps, Relevant& relevant,
                            int wantedDeclarerSide, int wantedDefenders) noexcept {
  SureTrumpTricks sure;
  const uint32_t holders = state.holders[trumps];
  const int n = state.remaining[trumps];
  const int sideTrumps[2] = {state.count[0][trumps] + state.count[2][trumps],
                             state.count[1][trumps] + state.count[3][trumps]};
  // No hand takes more tricks than it holds trumps.
  if (std::max(state.count[1][trumps], state.count[3][trumps]) < wantedDeclarerSide &&
      std::max(state.count[0][trumps], state.count[2][trumps]) < wantedDefenders) {
    return sure;
  }
  // The opponents' trumps at or above the line beat a hand's trumps one for
  // one from the top, as the trumps join from the top.
  struct Matching {
    int beaten[4] = {0, 0, 0, 0};     // per hand, its trumps beaten by a higher opponent's
    int unmatched[4] = {0, 0, 0, 0};  // opponents' trumps above the line not yet matched
    void Add(int holder) noexcept {
      if (unmatched[holder] > 0) {
        --unmatched[holder];
        ++beaten[holder];
      }
      ++unmatched[holder ^ 1];
      ++unmatched[holder ^ 3];
    }
  };
  // The side that holds the top two trumps one in each hand beside a third
  // trump takes two tricks; -1 when no side does.
  int splitTopTwo = -1;
  if (n >= 2) {
    const int top = int(holders & 3);
    const int second = int((holders >> 2) & 3);
    if (second == (top ^ 2) && (state.count[top][trumps] > 1 || state.count[second][trumps] > 1)) {
      splitTopTwo = top & 1;
    }
  }
  // Mostly neither side gets what it wants even with every trump's holder
  // known (the last line), and only when one side does is the shortest line
  // that gives it worth looking for.
  {
    Matching all;
    for (int k = 0; k < n; ++k) all.Add(int((holders >> (2 * k)) & 3));
    int most[2] = {0, 0};
    for (int h = 0; h < 4; ++h) {
      most[h & 1] = std::max(most[h & 1], state.count[h][trumps] - all.beaten[h]);
    }
    if (splitTopTwo >= 0) most[splitTopTwo] = std::max(most[splitTopTwo], 2);
    if (most[1] < wantedDeclarerSide && most[0] < wantedDefenders) {
      relevant.fields[trumps] = TopFields(n);
      sure.declarerSide = most[1];
      sure.defenders = most[0];
      return sure;
    }
  }
  int best[2] = {0, 0};            // by side: 0 the defenders, 1 declarer's side
  int above[4] = {0, 0, 0, 0};     // per hand, its trumps above the line
  int opponentsAbove[2] = {0, 0};  // by side, the opponents' trumps above the line
  Matching matching;
  for (int line = 0; line <= n; ++line) {
    for (int h = 0; h < 4; ++h) {
      const int count = state.count[h][trumps];
      if (count == 0) continue;
      const int side = h & 1;
      const int below = count - above[h];
      const int opponentsBelow = sideTrumps[side ^ 1] - opponentsAbove[side];
      const int tricks =
          count - matching.beaten[h] - std::min(below, matching.unmatched[h] + opponentsBelow);
      best[side] = std::max(best[side], tricks);
    }
    if (line == 2 && splitTopTwo >= 0) best[splitTopTwo] = std::max(best[splitTopTwo], 2);
    if (best[1] >= wantedDeclarerSide || best[0] >= wantedDefenders || line == n) {
      relevant.fields[trumps] = TopFields(line);
      break;
    }
    // The trump at index `line` joins those above the line.
    const int holder = int((holders >> (2 * line)) & 3);
    ++above[holder];
    ++opponentsAbove[(holder & 1) ^ 1];
    matching.Add(holder);
  }
  sure.declarerSide = best[1];
  sure.defenders = best[0];
  return sure;
}

// Tricks a hand on lead (`cashier`, the leader or, after an entry, its
// partner) takes at once with its own top cards, keeping the lead all the
// while: in each suit the cards it holds from the top down, each the highest
// card left when it is led; and all its cards of a suit once those top cards
// have drawn every opponent's card of the suit and partner's too.  With
// trumps it first draws trumps with its top trumps; a side suit then counts
// only as many rounds as every opponent who may still hold a trump can
// follow, and no more side-suit rounds than partner can follow or discard
// without being forced to ruff.  `relevant` receives the top cards counted.
int CashingTricks(const SolverState& state, int trumps, int cashier, int needed,
                  Relevant& relevant) noexcept {
  const int partner = cashier ^ 2;
  const int lho = (cashier + 1) & 3;
  const int rho = (cashier + 3) & 3;
  auto cashes = [&](int s, int run) { return RunTricks(state, cashier, s, run); };
  relevant = {};
  int trumpTricks = 0;
  bool opponentsMayRuff = false;
  int partnerSpare = kCards;  // side-suit rounds partner can survive without ruffing
  if (trumps != kNoTrumps) {
    const int run = TopRun(state, cashier, trumps);
    trumpTricks = cashes(trumps, run);
    if (trumpTricks >= needed) {
      const int used = FewestCards(run, needed, [&](int cards) { return cashes(trumps, cards); });
      relevant.fields[trumps] = TopFields(used);
      return cashes(trumps, used);
    }
    relevant.fields[trumps] = TopFields(run);
    opponentsMayRuff = state.count[lho][trumps] > run || state.count[rho][trumps] > run;
    if (state.count[partner][trumps] > trumpTricks) {
      int partnerOthers = 0;
      for (int s = 0; s < 4; ++s) {
        if (s != trumps) partnerOthers += state.count[partner][s];
      }
      partnerSpare = partnerOthers;
    }
  }
  int sideTricks = 0;
  for (int s = 0; s < 4; ++s) {
    // Suits beyond the tricks needed would only make the result less general.
    if (trumpTricks + std::min(sideTricks, partnerSpare) >= needed) break;
    if (s == trumps) continue;
    const int run = TopRun(state, cashier, s);
    if (run == 0) continue;
    // The tricks of the run's top `cards` cards.
    auto tricksOf = [&](int cards) {
      if (!opponentsMayRuff) return cashes(s, cards);
      return RoundsBeforeARuff(state, trumps, cashier, s, cards, trumpTricks);
    };
    const int used = FewestCards(run, needed - trumpTricks - sideTricks, tricksOf);
    relevant.fields[s] = TopFields(used);
    sideTricks += tricksOf(used);
  }
  return trumpTricks + std::min(sideTricks, partnerSpare);
}

// Where no opponent can ruff: the leader cashes every suit it holds the top
// of, then crosses to partner's top card in a suit it still holds (or to
// partner's cards just below a run it has cashed), and partner cashes the
// suits it holds the top of.  Partner follows the leader's suits while it
// can and discards after.  Its cards outside the leader's suits that it
// does not cash are spare; each discard beyond them costs it at most one
// trick of those suits (the lowest card of a suit it would cash), and
// where more are needed than those suits' tricks nothing of partner's is
// counted, since the crossing might go too.  Partner's cards of a suit it
// crosses in are all kept: it follows the leader's run with the lowest and
// wins with the rest.  Nothing is counted without a crossing.  `relevant`
// receives the top runs counted.
int CashingBothHands(const SolverState& state, Relevant& relevant) noexcept {
  const int leader = state.leader;
  const int partner = leader ^ 2;
  auto cashes = [&](int cashier, int s, int run) { return RunTricks(state, cashier, s, run); };
  relevant = {};
  int leaderTricks = 0;
  int crossingTricks = 0;  // partner's, in the suits the leader cashes
  int otherTricks = 0;     // partner's, in the other suits
  int discards = 0;        // partner's, while the leader cashes
  int spare = 0;           // partner's cards in the other suits that it does not cash
  bool crossing = false;
  for (int s = 0; s < 4; ++s) {
    const int run = TopRun(state, leader, s);
    if (run > 0) {
      const int tricks = cashes(leader, s, run);
      leaderTricks += tricks;
      discards += std::max(0, tricks - int(state.count[partner][s]));
      relevant.fields[s] = TopFields(run);
      // Partner's cards next below the run become its top cards once the
      // run is cashed: a crossing when the leader has a card left to lead
      // to them and partner has followed with others.
      int next = 0;
      while (run + next < state.remaining[s] && HolderOf(state, s, run + next) == partner) ++next;
      if (next > 0 && tricks == run && state.count[leader][s] > run &&
          state.count[partner][s] >= run + next) {
        crossing = true;
        crossingTricks += next;
        relevant.fields[s] = TopFields(run + next);
        // Where nobody else, the leader included, holds more cards of the
        // suit than those run + next rounds, they draw every other card of
        // it, and partner's cards left in it are winners too.
        const int rounds = run + next;
        if (state.count[leader][s] <= rounds && state.count[leader ^ 1][s] <= rounds &&
            state.count[leader ^ 3][s] <= rounds) {
          crossingTricks += state.count[partner][s] - rounds;
        }
      }
      continue;
    }
    const int partnerRun = TopRun(state, partner, s);
    const int tricks = partnerRun > 0 ? cashes(partner, s, partnerRun) : 0;
    spare += state.count[partner][s] - tricks;
    if (partnerRun == 0) continue;
    if (state.count[leader][s] > 0) crossing = true;
    otherTricks += tricks;
    relevant.fields[s] = TopFields(partnerRun);
  }
  if (!crossing) return 0;
  const int lost = std::max(0, discards - spare);
  if (lost > otherTricks) return leaderTricks;
  return leaderTricks + crossingTricks + otherTricks - lost;
}

// In a suit contract: the cashier (the leader, or partner after a crossing)
// cashes its top cards of side suits while every opponent who holds trumps
// still follows, and its side's trumps make their sure tricks after
// (TrumpTricks): the opponents have spent no trump on the cashing, and
// neither hand of the side has had to, the cashier's partner having other
// cards to play to those tricks.  `relevant` receives the top cards counted.
int CashingThenTrumps(const SolverState& state, int trumps, int cashier, int needed,
                      Relevant& relevant) noexcept {
  relevant = {};
  int cashed = 0;
  for (int s = 0; s < 4 && cashed < needed; ++s) {
    if (s == trumps) continue;
    const int run = TopRun(state, cashier, s);
    if (run == 0) continue;
    auto tricksOf = [&](int cards) {
      return RoundsBeforeARuff(state, trumps, cashier, s, cards, 0);
    };
    const int most = tricksOf(run);
    if (most == 0) continue;
    relevant.fields[s] = TopFields(FewestCards(run, most, tricksOf));
    cashed += most;
  }
  if (cashed == 0) return 0;
  int partnerOthers = 0;
  for (int s = 0; s < 4; ++s) {
    if (s != trumps) partnerOthers += state.count[cashier ^ 2][s];
  }
  // After a crossing the leader has played one card more than the cashing counts.
  if (partnerOthers < cashed + (cashier != state.leader ? 1 : 0)) return 0;
  const bool declarerSide = (cashier & 1) != 0;
  const int wanted = std::max(needed - cashed, 1);
  Relevant trumpCards;
  const SureTrumpTricks sure = TrumpTricks(
      state, trumps, trumpCards, declarerSide ? wanted : kCards, declarerSide ? kCards : wanted);
  relevant.fields[trumps] = trumpCards.fields[trumps];
  return cashed + (declarerSide ? sure.declarerSide : sure.defenders);
}

// The tricks the side on lead at a trick start takes at once: the leader
// cashing its own top cards, or the leader crossing to partner's top card
// in a suit it holds and partner cashing (in a suit contract, either of
// them also followed by the side's sure trump tricks, unless the crossing
// was in trumps and spent a trump of each hand on one trick), or, where no
// opponent can ruff, both in turn; failing all, one trick where partner can
// ruff a suit the leader leads and neither opponent can.  Crossing in a
// side suit of a suit contract is safe only when no opponent can ruff that
// first round.
int QuickTricks(const SolverState& state, int trumps, int needed, Relevant& relevant) noexcept {
  const int leader = state.leader;
  const int partner = leader ^ 2;
  int best = CashingTricks(state, trumps, leader, needed, relevant);
  if (best >= needed) return best;
  // Whether an opponent would ruff the leader's lead of a suit.
  auto opponentRuffs = [&](int s) {
    return CanRuff(state, trumps, leader ^ 1, s) || CanRuff(state, trumps, leader ^ 3, s);
  };
  for (int e = 0; e < 4; ++e) {
    if (state.count[leader][e] == 0 || HolderOf(state, e, 0) != partner) continue;
    if (opponentRuffs(e)) continue;
    Relevant crossing;
    int tricks = CashingTricks(state, trumps, partner, needed, crossing);
    // Crossing in trumps spends a trump of each hand on one trick, so the
    // side's sure trump tricks, counted before it, no longer hold after it.
    if (trumps != kNoTrumps && e != trumps && tricks < needed) {
      Relevant withTrumps;
      const int more = CashingThenTrumps(state, trumps, partner, needed, withTrumps);
      if (more > tricks) {
        tricks = more;
        crossing = withTrumps;
      }
    }
    // The crossing rests on partner's top card of the suit, whether or not
    // the cashing counted that suit.
    crossing.fields[e] |= TopFields(1);
    if (tricks > best) {
      best = tricks;
      relevant = crossing;
    }
    break;  // every crossing suit leads to the same cashing
  }
  if (best >= needed) return best;
  if (trumps != kNoTrumps) {
    Relevant withTrumps;
    const int tricks = CashingThenTrumps(state, trumps, leader, needed, withTrumps);
    if (tricks > best) {
      best = tricks;
      relevant = withTrumps;
    }
    if (best >= needed) return best;
  }
  const bool opponentsHoldTrumps = trumps != kNoTrumps && (state.count[leader ^ 1][trumps] > 0 ||
                                                           state.count[leader ^ 3][trumps] > 0);
  if (!opponentsHoldTrumps) {
    Relevant both;
    const int tricks = CashingBothHands(state, both);
    if (tricks > best) {
      best = tricks;
      relevant = both;
    }
    if (best >= needed) return best;
    // A suit only the side holds wins every round while both hands have
    // cards of it, whoever leads it, and the leader can start it.
    for (int s = 0; s < 4; ++s) {
      if (s == trumps || state.count[leader ^ 1][s] != 0 || state.count[leader ^ 3][s] != 0)
        continue;
      const int rounds = std::min(state.count[leader][s], state.count[partner][s]);
      if (rounds > best) {
        best = rounds;
        relevant = {};
      }
    }
    if (best >= needed) return best;
  }
  if (best == 0) {
    // Partner ruffs a suit of the leader's where neither opponent can ruff.
    for (int s = 0; s < 4; ++s) {
      if (state.count[leader][s] > 0 && CanRuff(state, trumps, partner, s) && !opponentRuffs(s)) {
        relevant = {};
        return 1;
      }
    }
  }
  return best;
}

bool CannotTakeEveryTrick(const SolverState& state, int trumps, int position,
                          Relevant& relevant) noexcept {
  const int side = position & 1;
  const int leader = state.leader;
  relevant = {};
  if ((leader & 1) == side) {
    // The opponents take this trick: every suit the leader can lead is
    // headed by one of them, and partner cannot ruff it.
    bool theirs = true;
    for (int s = 0; s < 4 && theirs; ++s) {
      if (state.count[leader][s] == 0) continue;
      theirs = (HolderOf(state, s, 0) & 1) != side && !CanRuff(state, trumps, leader ^ 2, s);
      relevant.fields[s] = TopFields(1);
    }
    if (theirs) return true;
    relevant = {};
  }
  if (trumps != kNoTrumps && state.remaining[trumps] > 0) return false;
  // Without trumps a trick goes to the top card of the suit led.  A suit
  // headed by the opponents yields no trick while they keep that card, and
  // each round of a suit headed by the side takes a card from each of its
  // hands that still holds one, so the side's tricks stay within the longer
  // of its holdings in the suits it heads.  Only the opponents' top cards
  // matter: a suit headed by the side in one position of the class and by
  // the opponents in another only lowers the count.
  int rounds = 0;
  for (int s = 0; s < 4; ++s) {
    if (state.remaining[s] == 0) continue;
    if ((HolderOf(state, s, 0) & 1) == side) {
      rounds += std::max(state.count[position][s], state.count[position ^ 2][s]);
    } else {
      relevant.fields[s] = TopFields(1);
    }
  }
  return rounds < TricksLeft(state);
}

// The side not on lead, when it heads every suit the leader holds and no
// trumps are left: whatever the leader leads, the hand of that side holding
// the suit's top card wins the trick with it and is on lead, and from there
// cashes what CashingTricks counts for it.  That count holds after the first
// trick as before it: the winner's top cards of the suit led lose only the
// card it won with, the others' cards of that suit one each, and a discard
// only shortens another hand.  The least over the suits the leader holds is
// sure.  `relevant` receives the top card of each of those suits and the top
// cards counted.
int TricksAgainstTheLead(const SolverState& state, int trumps, int needed,
                         Relevant& relevant) noexcept {
  const int leader = state.leader;
  relevant = {};
  if (trumps != kNoTrumps && state.remaining[trumps] > 0) return 0;
  int least = kCards;
  for (int s = 0; s < 4; ++s) {
    if (state.count[leader][s] == 0) continue;
    const int winner = HolderOf(state, s, 0);
    if (((winner ^ leader) & 1) == 0) return 0;
    Relevant cashed;
    least = std::min(least, CashingTricks(state, trumps, winner, needed, cashed));
    if (least < needed) return least;
    relevant.Add(cashed);
    relevant.fields[s] |= TopFields(1);
  }
  return least;
}

// Second hand to play: the tricks its side surely takes from here when it
// can win this trick: a hand of the side holds the best card of the suit
// led that is still to play (above the card led and every card the leader's
// partner holds in the suit, where that partner cannot ruff), or, in a suit
// contract, one of its hands can ruff where the leader's partner cannot.  In
// notrump, or once no trumps are left, the hand that wins then cashes on:
// its next card of the suit when that is the best left, and in every other
// suit its top run, or all its cards of the suit where nobody else holds
// more than the run (RunTricks: the trick in progress takes no card of
// those suits but discards, which only shorten the others).  `relevant`
// receives the top cards counted.
int SecondHandTricks(const SolverState& state, int trumps, int needed,
                     Relevant& relevant) noexcept {
  const int leader = state.leader;
  const int third = leader ^ 2;
  const int mover = (leader + 1) & 3;
  const int led = state.suitLed;
  relevant = {};
  if (CanRuff(state, trumps, third, led)) return 0;
  if (CanRuff(state, trumps, mover, led) || CanRuff(state, trumps, mover ^ 2, led)) return 1;
  // The first card from the top that is still to play to this trick, or
  // the card led: the leader's other cards do not take part.
  const int ledRank = state.trickRank[leader];
  int top = 0;
  while (top < ledRank && HolderOf(state, led, top) == leader) ++top;
  const int winner = HolderOf(state, led, top);
  if (top == ledRank || winner == third) return 0;
  int tricks = 1;
  relevant.fields[led] = TopFields(top + 1);
  // With trumps left, a ruff may take any of the later tricks.
  if (tricks >= needed || (trumps != kNoTrumps && state.remaining[trumps] > 0)) return tricks;
  // The winner's next card of the suit is the best left when the only card
  // above it but the winner's own is the card led.
  int next = 0;
  for (int seen = 0; next < state.remaining[led]; ++next) {
    if (next != ledRank && ++seen == 2) break;
  }
  if (next < state.remaining[led] && top < next && HolderOf(state, led, next) == winner) {
    ++tricks;
    relevant.fields[led] = TopFields(next + 1);
  }
  for (int s = 0; s < 4 && tricks < needed; ++s) {
    if (s == led || state.count[winner][s] == 0) continue;
    if (state.count[winner][s] == state.remaining[s]) {
      tricks += state.count[winner][s];
      continue;
    }
    if (HolderOf(state, s, 0) != winner) continue;
    const int run = TopRun(state, winner, s);
    auto cashes = [&](int cards) { return RunTricks(state, winner, s, cards); };
    // The fewest top cards that reach what is needed, looked for only when
    // the whole run does.
    const int most = cashes(run);
    const int used = tricks + most < needed ? run : FewestCards(run, needed - tricks, cashes);
    tricks += used == run ? most : cashes(used);
    relevant.fields[s] = TopFields(used);
  }
  return tricks;
}

}  // namespace internal

namespace {

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
// than one below it makes that a guess two tricks higher than the fit
// searched 1.7% fewer tricks over eight sets of 36 deals.
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
