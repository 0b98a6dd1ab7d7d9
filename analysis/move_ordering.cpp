#include "analysis/move_ordering.h"

#include <algorithm>
#include <bit>

namespace tarrow {
namespace internal {

using G = Group;
// Rows by PartnerStatus: 0 partner cannot beat the cards still to come, 1 it
// can cover them, 2 it holds a sure winner; for the third hand, 1 and 2 when
// partner is winning the trick and the fourth hand can or cannot beat it;
// for the fourth hand, 2 when partner is winning.  The plans are the ones
// that searched the fewest nodes over whole deals: a hand that can win
// tries its winner first unless partner surely wins the trick.
const Group MovePlan[4][3][3] = {
    // leading
    {{G::kWinner, G::kCover, G::kLow},
     {G::kWinner, G::kLow, G::kCover},
     {G::kLow, G::kCover, G::kWinner}},
    // second hand
    {{G::kWinner, G::kCover, G::kLow},
     {G::kWinner, G::kLow, G::kCover},
     {G::kLow, G::kCover, G::kWinner}},
    // third hand
    {{G::kWinner, G::kCover, G::kLow},
     {G::kWinner, G::kCover, G::kLow},
     {G::kLow, G::kCover, G::kWinner}},
    // fourth hand: it has no cover group, and status 1 does not occur
    {{G::kWinner, G::kLow, G::kNone},
     {G::kWinner, G::kLow, G::kNone},
     {G::kLow, G::kWinner, G::kNone}},
};

namespace {

// One suit of a position as card masks (bit 2r for rank index r), built once
// per suit and node: the generator asks several sure-winner and cover
// questions of the same suit, and each is a scan along the suit that ends at
// the first card of some seat.  Instead of walking the cards one by one,
// every seat's cards that would end another seat's scan are kept as a mask;
// the scan ends at the highest card of the union of the others' masks.
struct SuitView {
  explicit SuitView(const SolverState& state, int trumps, int suit) noexcept;

  // Seat's lowest card among `cards` above the first card of `ends`.
  static int LowestAbove(uint32_t cards, uint32_t ends) noexcept {
    const uint32_t mine = cards & ((ends & (0u - ends)) - 1);
    return mine == 0 ? kNoCard : LowestCard(mine);
  }
  // The masks of the seats other than `seat` (and its partner when skipping).
  static uint32_t Others(const uint32_t (&masks)[4], int seat, bool skipPartner) noexcept {
    return masks[(seat + 1) & 3] | masks[(seat + 3) & 3] | (skipPartner ? 0 : masks[seat ^ 2]);
  }

  int SureWinner(int seat, bool skipPartner) const noexcept {
    if (cannotWin) return kNoCard;
    return LowestAbove(cards[seat], Others(winnerEnds, seat, skipPartner) | scanEnd);
  }
  int CoverCard(int seat, bool skipPartner) const noexcept {
    if (cannotWin) return kNoCard;
    return LowestAbove(cards[seat], Others(coverEnds, seat, skipPartner) | suitEnd);
  }

  bool cannotWin;     // a card of the suit can no longer win the trick in progress
  uint32_t cards[4];  // per position, its cards in the suit
  // Per position, the cards that end another seat's sure-winner scan: its
  // card on the table, or, still to play, all its cards if it may play the
  // suit to this trick.
  uint32_t winnerEnds[4];
  // Per position, the card another seat's cover card must beat: its card on
  // the table, or, still to play, its lowest card unless it would ruff a
  // trick led in another suit.
  uint32_t coverEnds[4];
  uint32_t scanEnd;  // the sure-winner scan stops here at the latest: the
                     // winning card of the led suit, else past the last card
  uint32_t suitEnd;  // the field just past the suit's last card
};

SuitView::SuitView(const SolverState& state, int trumps, int suit) noexcept {
  const bool inProgress = state.played > 0;
  cannotWin = inProgress && suit != trumps && suit != state.winSuit;
  const uint32_t inPlay = CardsAbove(state.remaining[suit]);
  const uint32_t low = state.holders[suit] & kLowFieldBits;
  const uint32_t high = (state.holders[suit] >> 1) & kLowFieldBits;
  cards[0] = ~(low | high) & kLowFieldBits & inPlay;
  cards[1] = low & ~high;
  cards[2] = high & ~low;
  cards[3] = low & high;
  suitEnd = 1u << (2 * state.remaining[suit]);
  if (!inProgress) {  // a lead: every seat is still to play and may play the suit
    scanEnd = suitEnd;
    for (int h = 0; h < 4; ++h) {
      winnerEnds[h] = cards[h];
      coverEnds[h] = std::bit_floor(cards[h]);
    }
    return;
  }
  scanEnd = suit == state.suitLed ? 1u << (2 * state.winRank) : suitEnd;
  const bool ruffedLead = suit == trumps && suit != state.suitLed;
  // The seats in playing order from the leader: first those that have played.
  for (int k = 0; k < 4; ++k) {
    const int h = (state.leader + k) & 3;
    if (k < state.played) {
      const uint32_t onTable = state.trickSuit[h] == suit ? 1u << (2 * state.trickRank[h]) : 0;
      winnerEnds[h] = onTable;
      coverEnds[h] = onTable;
    } else {
      const bool mayPlay = suit == state.suitLed || state.count[h][state.suitLed] == 0;
      winnerEnds[h] = mayPlay ? cards[h] : 0;
      coverEnds[h] = ruffedLead ? 0 : std::bit_floor(cards[h]);
    }
  }
}

int PartnerStatus(const SolverState& state, const SuitView& view) noexcept {
  const int mover = MoverOf(state);
  const int partner = mover ^ 2;
  switch (state.played) {
    case 0:
    case 1:
      if (view.CoverCard(partner, true) == kNoCard) return 0;
      return view.SureWinner(partner, true) == kNoCard ? 1 : 2;
    case 2: {
      if (state.winSeat != partner) return 0;
      const int fourth = (mover + 1) & 3;
      return view.CoverCard(fourth, false) != kNoCard ? 1 : 2;
    }
    default:
      return state.winSeat == partner ? 2 : 0;
  }
}

// Leads.  A suit the opponents hold few cards of goes early: fewer replies
// to search (a void opponent counts as a long one, since it may ruff or
// discard what it likes; in notrump, where it only discards, as a fairly
// long one).  In a suit contract a suit an opponent can ruff goes later and
// one partner can ruff (over the fourth hand's card) earlier.
// Then the holders of the suit's top two cards: a lead into the fourth
// hand's top or second card goes later, one through the second hand's top
// card towards partner's second one earlier, and so do a suit whose top card
// the leader or partner holds (a trick, and the lead where it may be needed)
// and one where partner holds the second card or the leader the top two;
// in notrump a suit partner is void in goes later, with trumps one an
// opponent holds a singleton of (a ruff to come).  How much each counts
// was measured in nodes over whole deals, for notrump and suit contracts
// apart (bench/results/tuning.md): without ruffs a lead into the fourth
// hand's top cards costs more, and so does one into the second hand's top
// card; with trumps the second hand's top card counts against a suit, the
// leader's top two for it, and partner's second card hardly at all.  In
// notrump a lead through the second hand's tenace (its top and third cards
// over partner's second) counts once more.  In notrump a suit where the
// leader's side holds the second and third cards under an opponent's top
// goes early: one lead forces the top card out and sets up the next round
// (KQ73 behind the ace); with trumps that does not pay.  Trumps rank like
// any suit: the sure trump tricks are counted at every trick start, so
// drawing them first gains nothing.
struct LeadWeights {
  int intoFourthHand;     // the fourth hand holds the top or second card (and more than one)
  int throughSecondHand;  // else the second hand the top card, partner the second
  int throughTenace;      // the second hand the top and third cards, partner the second
  int top[4];             // by the holder of the top card, in playing order from the leader
  int ownTopTwo;          // the leader holds the second card too
  int partnerSecond;
  int partnerVoid;
  int opponentSingleton;  // an opponent holds one card of the suit
  // An opponent holds the top card and the leader's side the next two:
  int ownSecondThird;   // the leader holds both
  int sideSecondThird;  // partner holds both, or each one
};
constexpr LeadWeights kNotrumpLeads{-20, 13, 15, {12, -8, 15, -8}, 8, 12, -20, 0, 30, 20};
constexpr LeadWeights kSuitLeads{-12, 25, 0, {2, -8, 15, 0}, 18, 2, 0, -20, 0, 0};

constexpr int kNotrumpVoidLength = 7;
// How far (in LeadKey points, ten to an opponent's card) the first suit of a
// notrump lead must be ahead of the second for its second move to come
// before the other suits' first ones.
constexpr int kClearNotrumpLead = 15;

int LeadKey(const SolverState& state, int trumps, int suit) noexcept {
  const LeadWeights& w = trumps == kNoTrumps ? kNotrumpLeads : kSuitLeads;
  const int mover = MoverOf(state);
  const int partner = mover ^ 2;
  const int lho = (mover + 1) & 3;
  const int rho = (mover + 3) & 3;
  // A void opponent is as long as the tricks left in a suit contract; in
  // notrump, where it only discards, as a seven-card holding (fewer nodes
  // over whole deals than the longer count).
  const int voidLength = trumps == kNoTrumps ? kNotrumpVoidLength : TricksLeft(state) + 1;
  auto replies = [&](int h) {
    return state.count[h][suit] > 0 ? int(state.count[h][suit]) : voidLength;
  };
  int key = 1000 - 10 * (replies(lho) + replies(rho));
  if (CanRuff(state, trumps, lho, suit) || CanRuff(state, trumps, rho, suit)) key -= 12;
  if (CanRuff(state, trumps, partner, suit) && state.count[rho][suit] > 0) key += 8;
  const int top = HolderOf(state, suit, 0);
  const int second = state.remaining[suit] > 1 ? HolderOf(state, suit, 1) : -1;
  if ((top == rho || second == rho) && state.count[rho][suit] != 1) {
    key += w.intoFourthHand;
  } else if (top == lho && second == partner && state.count[partner][suit] != 1) {
    key += w.throughSecondHand;
  }
  if (top == lho && second == partner && state.remaining[suit] > 2 &&
      HolderOf(state, suit, 2) == lho) {
    key += w.throughTenace;
  }
  key += w.top[(top - mover) & 3];
  if (top == mover && second == mover) key += w.ownTopTwo;
  if (second == partner) key += w.partnerSecond;
  if (state.count[partner][suit] == 0) key += w.partnerVoid;
  if (state.count[lho][suit] == 1 || state.count[rho][suit] == 1) key += w.opponentSingleton;
  if ((top == lho || top == rho) && (second == mover || second == partner) &&
      state.remaining[suit] > 2) {
    const int third = HolderOf(state, suit, 2);
    if (second == mover && third == mover) {
      key += w.ownSecondThird;
    } else if (third == mover || third == partner) {
      key += w.sideSecondThird;
    }
  }
  return 4 * key + suit;
}

// Discards: from the suit where the mover holds most cards more than partner
// (partner's long suit needs the mover's cards less, and the mover's own
// long suit has cards to spare).  Trumps: a ruff comes first unless partner
// wins the trick without it or the trick is ruffed already above the mover's
// trumps.  Partner's card winning so far does not count at third hand when
// the fourth hand can beat it in the suit led; at second hand partner wins
// surely when it holds a card above the one led and all the third hand's,
// and the third hand cannot ruff (bench/results/tuning.md).
int DiscardKey(const SolverState& state, int trumps, int suit) noexcept {
  const int mover = MoverOf(state);
  if (suit != trumps) return 60 + 4 * (state.count[mover][suit] - state.count[mover ^ 2][suit]);
  const int next = (mover + 1) & 3;
  if (state.winSeat == (mover ^ 2)) {
    const bool beaten = state.played == 2 && state.winSuit == state.suitLed &&
                        (CardsOf(state, next, state.suitLed) & CardsAbove(state.winRank)) != 0;
    if (!beaten) return suit;
  }
  if (state.played == 1 && !CanRuff(state, trumps, next, state.suitLed) &&
      SuitView(state, trumps, state.suitLed).SureWinner(mover ^ 2, true) != kNoCard) {
    return suit;
  }
  if (state.winSuit != trumps) return 256 + suit;
  // Ruffed already: keep the trumps only when they can overruff.
  const uint32_t cards = CardsOf(state, mover, suit);
  const bool overruff = cards != 0 && HighestCard(cards) < state.winRank;
  return overruff ? 256 + suit : suit;
}

// Appends the cards of a mask, highest first, to `out`; returns the new end.
Move* AddCards(Move* out, int suit, uint32_t cards) noexcept {
  for (; cards != 0; cards &= cards - 1) *out++ = MakeMove(suit, HighestCard(cards));
  return out;
}

}  // namespace

int SuitMoves(const SolverState& state, int trumps, int suit, Move* out) noexcept {
  const int mover = MoverOf(state);
  // The runs of touching cards as the mask of their highest cards.
  const uint32_t cards = CardsOf(state, mover, suit);
  const uint32_t runs = cards & ~(cards << 2);
  if ((runs & (runs - 1)) == 0) {  // one run or none
    if (runs != 0) *out = MakeMove(suit, HighestCard(runs));
    return runs != 0 ? 1 : 0;
  }
  if (state.played > 0 && suit != trumps && suit != state.winSuit) {
    // A discard: no card of the suit can win the trick, so every run is a
    // low one; the lowest goes first, then the others from the highest.
    Move* const start = out;
    *out++ = MakeMove(suit, LowestCard(runs));
    out = AddCards(out, suit, runs & ~std::bit_floor(runs));
    return int(out - start);
  }
  const SuitView view(state, trumps, suit);
  const int winner = view.SureWinner(mover, false);
  const int cover = state.played == 3 ? winner : view.CoverCard(mover, false);
  // Lows are the runs below the cover card (all of them when there is
  // none); of the rest, the winners are those down to the sure winner and
  // the covers those below it.
  const uint32_t lows = cover == kNoCard ? runs : runs & ~CardsAbove(cover + 1);
  const uint32_t rest = runs & ~lows;
  const uint32_t winners = winner == kNoCard ? 0 : rest & CardsAbove(winner + 1);
  const uint32_t covers = rest & ~winners;
  // Leading in notrump, the highest cover run of two or more cards goes
  // first, ahead of the plan: it forces out a higher card and promotes the
  // rest of the run (from KQ73 behind the ace the king, not the 7).
  uint32_t sequence = 0;
  if (state.played == 0 && trumps == kNoTrumps) {
    const uint32_t longRuns = covers & (cards >> 2);
    sequence = longRuns & (0u - longRuns);
  }
  const uint32_t groups[3] = {lows, covers & ~sequence, winners};  // kLow, kCover, kWinner

  static constexpr Group kRuffPlan[3] = {Group::kCover, Group::kWinner, Group::kLow};
  const Group* plan = kRuffPlan;
  const bool ruffing = state.played > 0 && suit == trumps && state.suitLed != trumps;
  if (!ruffing) plan = MovePlan[state.played][PartnerStatus(state, view)];

  // First the lowest card of each group in plan order, then the rest of each
  // group from its highest card: covers, winners, lows.  A fourth player's
  // cover group is empty, so its missing plan entry loses nothing.
  Move* const start = out;
  if (sequence != 0) *out++ = MakeMove(suit, HighestCard(sequence));
  for (int k = 0; k < 3; ++k) {
    const Group g = plan[k];
    if (g == Group::kNone || groups[int(g)] == 0) continue;
    *out++ = MakeMove(suit, LowestCard(groups[int(g)]));
  }
  for (const Group g : {Group::kCover, Group::kWinner, Group::kLow}) {
    const uint32_t group = groups[int(g)];
    out = AddCards(out, suit, group & ~std::bit_floor(group));
  }
  return int(out - start);
}

int SureWinner(const SolverState& state, int trumps, int suit, int seat,
               bool skipPartner) noexcept {
  return SuitView(state, trumps, suit).SureWinner(seat, skipPartner);
}

int CoverCard(const SolverState& state, int trumps, int suit, int seat, bool skipPartner) noexcept {
  return SuitView(state, trumps, suit).CoverCard(seat, skipPartner);
}

int PartnerStatus(const SolverState& state, int trumps, int suit) noexcept {
  return PartnerStatus(state, SuitView(state, trumps, suit));
}

}  // namespace internal

namespace {

// The fourth hand following suit, in the order SuitMoves gives, without its
// general questions: everyone else has played, so the winners are the runs
// above the card winning the trick (none when the trick is ruffed), and the
// hand tries its lowest winner first unless partner is winning, then its
// lowest low card, then the other winners and lows from the highest.
int FourthHandFollows(const SolverState& state, Move* out) noexcept {
  const int led = state.suitLed;
  const uint32_t cards = CardsOf(state, MoverOf(state), led);
  const uint32_t runs = cards & ~(cards << 2);
  const uint32_t winners = state.winSuit == led ? runs & CardsAbove(state.winRank) : 0;
  const uint32_t lows = runs & ~winners;
  const bool partnerWins = state.winSeat == (MoverOf(state) ^ 2);
  const uint32_t first = partnerWins ? lows : winners;
  const uint32_t second = partnerWins ? winners : lows;
  Move* const start = out;
  if (first != 0) *out++ = MakeMove(led, LowestCard(first));
  if (second != 0) *out++ = MakeMove(led, LowestCard(second));
  out = internal::AddCards(out, led, winners & ~std::bit_floor(winners));
  out = internal::AddCards(out, led, lows & ~std::bit_floor(lows));
  return int(out - start);
}

}  // namespace

MoveList OrderedMoves(const SolverState& state, int trumps) noexcept {
  using namespace internal;
  MoveList out;
  const int mover = MoverOf(state);
  if (state.played == 3 && state.count[mover][state.suitLed] > 0) {
    out.size = FourthHandFollows(state, out.moves);
    return out;
  }
  if (state.played > 0 && state.count[mover][state.suitLed] > 0) {
    out.size = SuitMoves(state, trumps, state.suitLed, out.moves);
    return out;
  }
  // Leading or discarding: rank the suits held, highest key first.
  int suits[4];
  int keys[4];
  int held = 0;
  const bool leading = state.played == 0;
  for (int s = 0; s < 4; ++s) {
    if (state.count[mover][s] == 0) continue;
    const int key = leading ? LeadKey(state, trumps, s) : DiscardKey(state, trumps, s);
    int i = held++;
    while (i > 0 && keys[i - 1] < key) {
      keys[i] = keys[i - 1];
      suits[i] = suits[i - 1];
      --i;
    }
    keys[i] = key;
    suits[i] = s;
  }
  // The first move of every suit in suit order, then the other moves of the
  // first suit, of the second, and so on.  Leading in notrump, a first suit
  // well ahead of the second offers its second move before the other suits'
  // first ones.
  if (held == 0) return out;  // no cards: only in the deal of an out-of-range number
  const bool clearFirst =
      leading && trumps == kNoTrumps && held > 1 && keys[0] - keys[1] >= 4 * kClearNotrumpLead;
  Move suitMoves[13];
  int n = SuitMoves(state, trumps, suits[0], suitMoves);
  const int front = std::min(n, clearFirst ? 2 : 1);
  for (int j = 0; j < front; ++j) out.moves[j] = suitMoves[j];
  // The other suits' first moves go between, in the places kept for them.
  out.size = front + held - 1;
  for (int j = front; j < n; ++j) out.moves[out.size++] = suitMoves[j];
  for (int i = 1; i < held; ++i) {
    n = SuitMoves(state, trumps, suits[i], suitMoves);
    out.moves[front + i - 1] = suitMoves[0];
    for (int j = 1; j < n; ++j) out.moves[out.size++] = suitMoves[j];
  }
  return out;
}

}  // namespace tarrow
