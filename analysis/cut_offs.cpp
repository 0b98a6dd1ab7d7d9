#include "analysis/cut_offs.h"

#include <algorithm>
#include <bit>

namespace tarrow {
namespace {

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

}  // namespace tarrow
