// The double-dummy solver: how many tricks a declarer and his partner take in
// one strain when all four hands are visible and both sides play perfectly.
//
//   Result<std::unique_ptr<Solver>> solver = Solver::Create();  // 128 MiB table
//   (Solver::Create(32) for a 32 MiB one, where memory is scarce)
//   std::atomic<bool> stop{false};
//   SideTricks t = (*solver)->SolveSide(number, StrainOfSuit(kHearts), kSouth, stop);
//   DDTable table = SolveDeal(**solver, number, stop);          // all 20 entries
//
// How it works
// ------------
// The search answers yes/no questions: can declarer's side still take
// `target` more tricks from this position against best defence (CanMake)?
// It is a depth-first AND/OR search over single cards: at a node where a
// defender is to move the answer is yes unless some move refutes it, where
// declarer's side is to move it is no unless some move achieves it; the
// first move that flips the answer ends the node.  The driver (SolveSide)
// asks for rising or falling targets until the answer flips, starting where
// the caller knows what the other side took declaring the same deal and
// strain from the tricks that side left, else from a guess made of the
// side's points and trumps; the partner's pass starts one above the first's
// result.
//
// Positions (SolverState, solver_state.h) name seats by relative position
// (0 opening leader, 1 dummy, 2 right-hand opponent, 3 declarer) and cards by
// rank index among the cards of their suit still in play, so a position does
// not remember which low cards have gone, and only the highest card of each
// run of touching cards is ever tried.
//
// What a node does
// ----------------
// 1. Target 0 or less: made.  Fewer tricks left than the target: not made.
//    One trick left: played out directly.
// 2. At a trick start the table's lines for the position start loading.
//    The position itself, if it was met lately, is read first (its line is
//    nearly always in the processor's cache already) and its class may
//    settle the target before any counting.  Meanwhile, in a real deal
//    (every hand as long as the tricks left), the cut-offs (cut_offs.h):
//    - trumps: every trump a hand holds is played to a trick of its own,
//      which only a higher trump of an opponent can take from its side, so
//      a hand's trumps less those the opponents' higher trumps can beat one
//      for one are sure tricks (and two for the top two split between the
//      side's hands beside a third trump); where the lengths alone tell,
//      no card decides;
//    - quick tricks: the side on lead cashes top cards (the leader's own, or
//      partner's after crossing to partner's top card of a suit, or, where
//      no opponent can ruff, the leader's and then partner's, crossing also
//      to partner's cards just below a run the leader has cashed), drawing
//      trumps first in a suit contract and counting side suits only while no
//      opponent can ruff; where no opponent can ruff, a suit only the side
//      holds gives as many rounds as its shorter hand holds cards; failing
//      those, one trick where partner can ruff a suit the leader holds and
//      neither opponent can;
//    - the other side's first trick: with no trumps left, a side not on
//      lead that heads every suit the leader holds wins the first trick
//      whatever is led, and the winning hand cashes on (the least count
//      over the suits the leader may lead);
//    - every trick: a side that needs every trick left falls short when it
//      is on lead and the opponents head every suit its leader holds (and
//      the leader's partner cannot ruff), or, with no trumps left, when its
//      longer holdings in the suits it heads add up to fewer rounds than
//      tricks (a suit headed by the opponents yields nothing while they keep
//      that card);
//    any of them may settle the target for one side or the other at once.
//    Each count stops at the tricks its side needs and names only the top
//    cards those rest on (for the rounds, only the opponents' top cards),
//    so that the result holds for as wide a class as it can.
//    Then the transposition table's buckets of the classes that may hold
//    the position are probed.
//    With one card played, the second hand's side may need no more tricks
//    than it surely takes: this trick, when one of its hands holds the best
//    card of the suit still to come or can ruff where the leader's partner
//    cannot, and in notrump (or once the trumps are gone) the top runs the
//    winning hand cashes after it.
// 3. Otherwise the moves are generated (ordered, move_ordering.h) and tried
//    until one flips the answer.  At a trick start the move that decided
//    this class of positions before goes first, or, where the table knows
//    none, the move that decided a class of the same lengths and leader
//    (TableHit::bestMove).  A small card that did not
//    flip the answer speaks for every other card of that suit at least as
//    small (see below), so those are skipped.
// 4. At a trick start the result is stored in the table.
//
// Which cards decided a result
// ----------------------------
// Along with its answer every node reports, per suit, how many of the suit's
// top cards (by rank index) decided it: `Relevant`, a line in each suit.
// The claim, kept by every rule below, is that every position with the same
// leader, the same hand lengths, the same cards on the table and the same
// holders of the cards above the lines has the same answer; the cards below
// a line are "small" and only their number in each hand counts.
// - Leaves decided by counting tricks need no card.  The last trick needs
//   the top card of the winning suit when the winner beat another card of
//   it.  The cut-offs of step 2 need the top cards they counted.
// - A node that flipped its answer needs what its deciding child needed; a
//   node that tried every move needs what all its children needed, and
//   where a line cuts through a run of touching cards of the mover, of
//   which only the highest was tried, the line moves below the run.
// - Completing a trick: the child's lines are in the child's rank indexes;
//   the trick's four cards leave play, so a child's top k cards of a suit
//   are the parent's top cards down to the k-th one not in the trick.  The
//   winner of the trick counts too when it beat another card of its suit.
// A position in such a class can make the same plays as the one searched
// (the same top cards, as many small cards in each hand and suit), every
// trick goes to the same side, and the positions reached stay in the
// children's classes, so the answer carries over.
//
// The table (trans_table.h) stores bounds (lower, upper) on the tricks
// declarer's side takes, for such a class: bounds rather than values, so
// that one entry serves every target of the driver.  The partner's pass
// (declarer ^ 2 as declarer) describes every position through the mirror
// (each position p as p ^ 2), so both passes read and write the same
// entries, whose bounds count tricks for the same side.  Entries are filed
// by seat and strain and kept while the deal stays the same, so every
// declarer of a strain, in whatever order the calls come, reads what the
// others left.  A suit contract whose last trump has gone plays on as
// notrump, so such positions are filed as notrump ones and every strain of
// the deal shares them.
//
// Invariants
// - CanMake leaves the position as it found it: every move is undone by
//   copying back the whole SolverState saved before the move loop.
// - Cards played to a trick stay in the holder strings until the trick is
//   complete, so rank indexes and the lines are stable within a trick.
// - The table is probed and written only at trick starts; a search that was
//   stopped writes nothing more.
// - The move order and the cut-offs change the running time, never an
//   answer; SolveSide gives the same tricks with the simple generator
//   everywhere.
// - A stop request makes every CanMake with a positive target false at once;
//   the results of a stopped call are meaningless and must be discarded.
#pragma once

#include <atomic>
#include <memory>
#include <optional>

#include "analysis/solver_state.h"
#include "analysis/trans_table.h"
#include "core/deal_number.h"
#include "core/deal_set.h"
#include "core/result.h"

namespace tarrow {

// Inside the solver a strain is its trump suit: -1 (kNoTrumps) for notrump,
// 0..3 spades..clubs, so that it compares with card suits directly; the rest
// of the program counts strains 0 notrump, 1..4.  SolveSide's first line is
// the one place the two meet.
constexpr int SolverStrain(Strain strain) noexcept {
  return strain - 1;
}

// The targets the driver is trying, for displays on other threads: index 0
// the declarer's pass, 1 the partner's.
struct SolveProgress {
  std::atomic<int> target[2]{};
};

struct SideTricks {
  int declarer = 0;  // tricks 0..13 of the declarer seat
  int partner = 0;   // tricks 0..13 of its partner, declarer ^ 2
};

class Solver {
 public:
  // Allocates the transposition table once, of tableMiB (1..128; the
  // analysis workers keep the largest); an error value when the size is out
  // of range or the memory cannot be had.  A smaller table searches longer,
  // never to another answer.
  static Result<std::unique_ptr<Solver>> Create(size_t tableMiB = TransTable::kMaxMiB);

  // Tricks for declarer and partner (seat ^ 2) in one of the table's strains.
  // Reads stopRequested (relaxed) at every node; when it is set the results
  // are meaningless.  progress, when given, receives the target each pass is
  // trying.  otherSide, when known, is what the other side took declaring
  // this deal and strain (solved here before or by another worker): a hint
  // for the first target, which changes the time, never the answer.
  SideTricks SolveSide(const DealNumber& number, Strain tableStrain, Seat declarer,
                       const std::atomic<bool>& stopRequested, SolveProgress* progress = nullptr,
                       std::optional<SideTricks> otherSide = std::nullopt);

  // Nodes visited since the solver was made (CanMake calls), for benchmarks.
  uint64_t Nodes() const noexcept { return nodes_; }
  // Of those, the trick starts: the nodes a search by whole tricks would
  // count, the peer library's measure of work.
  uint64_t TrickStarts() const noexcept { return trickStarts_; }

 private:
  // The steps SolveSide is made of; tests walk positions with them through
  // SolverForTest (solver_for_test.h).
  friend class SolverForTest;
  // Chooses the strain, the table's frame of a declarer seat and the stop
  // flag (which must outlive the search): positions are filed by seat, so
  // every declarer of a strain reads the others' entries.
  void SetFrame(int strain, int declarer, const std::atomic<bool>& stopRequested) noexcept;
  // Forgets every bound and best move, so that the next search runs as on a
  // new solver.
  void ClearTable() noexcept {
    table_->Clear();
    tableValid_ = false;
  }
  // True when declarer's side can take at least `target` more tricks from
  // the current position; leaves the position unchanged.
  bool CanMake(int target) noexcept;
  // The same, also telling which top cards of each suit decided the answer:
  // every position with the same leader, the same lengths and the same
  // holders of those cards has the same answer.
  bool Search(int target, Relevant& relevant) noexcept;
  // The list CanMake tries at this position.
  MoveList GenerateMoves() const noexcept;
  // The cut-offs at trick starts reason about real deals, where every hand
  // holds as many cards as there are tricks left; the deal of an
  // out-of-range number (every card at North) is searched without them.
  void NoteDealShape() noexcept;
  explicit Solver(std::unique_ptr<TransTable> table) noexcept : table_(std::move(table)) {}
  // The iterative driver of one pass: rising or falling targets from `start`.
  int SolvePass(int start, std::atomic<int>* progressTarget) noexcept;

  SolverState state_{};
  std::unique_ptr<TransTable> table_;
  int trumps_ = kNoTrumps;
  int rotation_ = 0;  // the table's frame: relative position p is filed as p + rotation_
  // What the table holds: the deal of the last SolveSide that ran to its
  // end, whose entries the next one of the same deal may use.
  DealNumber tableDeal_{};
  bool tableValid_ = false;
  bool simpleOnly_ = false;
  bool cutOffs_ = true;  // every hand holds the same number of cards
  const std::atomic<bool>* stopRequested_ = &neverStop_;
  std::atomic<bool> neverStop_{false};
  uint64_t nodes_ = 0;
  uint64_t trickStarts_ = 0;
};

// All 20 entries of a deal's DDTable: 10 SolveSide calls (North and East as
// declarers, each with partner, in every strain).  Meaningless when stopped.
DDTable SolveDeal(Solver& solver, const DealNumber& number, const std::atomic<bool>& stopRequested);

}  // namespace tarrow
