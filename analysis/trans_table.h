// The solver's transposition table: trick bounds for whole classes of
// positions at the start of a trick, so that a position met again (by another
// order of the same cards, by another target of the driver, in the partner's
// pass, or as a position that differs only in small cards nobody needed) is
// not searched again.
//
//   Result<std::unique_ptr<TransTable>> table = TransTable::Create();  // 128 MiB
//   (*table)->Clear();                                   // once per deal
//   TableKey key = MakeTableKey(holders, remaining, count, leader, rotation);
//   (*table)->Prefetch(key);                             // optional: loads and locates
//   ... other work ...
//   TableHit hit = (*table)->Probe(key, target);         // hit.decided: hit.made, hit.relevant
//   ... search, learn `relevant` ...
//   (*table)->Store(key, relevant, target, made, bestMove);
//
// What an entry stands for
// ------------------------
// A search result rarely depends on every card.  Along with its answer, the
// search returns for each suit how many of the suit's top cards (counted by
// rank index among the cards still in play) decided it; the cards below that
// line are "small": which hand holds which small card never mattered, only
// how many each hand holds.  An entry therefore describes a class of
// positions:
//
//   the strain and the leader,
//   every hand's length in every suit (16 counts),
//   per suit the number k of top cards that matter, 0..13,
//   the holders of those top cards,
//
// and its bounds (lower, upper) hold for every position of the class: the
// side in filed positions 1 and 3 makes at least `lower` more tricks and
// cannot make `upper`.  A search for the other side's declarer turns its
// targets round: that side makes t of n tricks left when the first cannot
// make n - t + 1.
// A position matches an entry when it has the same strain, leader and
// lengths and, in every suit, the same holders of the top k cards; the small
// cards are not compared.  Why the solver's `relevant` lines make this sound is told
// in solver.h.
//
// Layout: buckets of 58 entries, 2 KiB a bucket, and a small cache of
// recent positions: 65,520 buckets and 128 MiB in all, unless the table is
// made smaller (Create's size, 1..128 MiB: a browser tab may not spare 128
// MiB for each worker; a smaller table loses more classes to full buckets
// and searches longer, never to another answer).  Only the first half of
// the buckets is used until a deal fills half their slots (a long search):
// a deal rarely stores more than half a million classes, and the pages of
// a block are only backed by memory, at a cost, once they are touched
// (bench/results/tuning.md).  Positions
// that share their lengths and leader are many, and a bucket chosen by those
// alone would overflow; so a class is filed by a hash of the leader, the
// lengths and the holders of the top `depth` cards of each suit, where
// `depth` (0, 1 or 2) is the largest that the class's lines reach in every
// suit that has more cards than its line.  A probe looks in the three
// buckets a position can have, the most specific first.  A bucket opens
// with a 16-bit tag and an 8-bit mask per slot, 21 slots to a cache line,
// compared a line at a time: the tag holds a hash of the lengths and leader
// and, in each suit where the class fixes it, the holder of the first card
// the bucket's hash leaves open (the top card at depth 0, the second at
// depth 1, the third at depth 2), so that mostly only entries whose class
// holds the position are read, each in one cache line.  Slots are taken in
// order, and a small array beside the block (two bytes a bucket, in the
// processor's cache) counts those in use, so a probe skips a bucket nothing
// was stored in and reads only the tag lines in use: nearly half the
// buckets probed are empty and nearly all the others hold fewer than 21
// classes, so a probe reads one or two tag lines, not all of them.
// Several classes of one distribution live side by side (they differ in
// their top cards or in their lines); a probe takes the first one that
// matches and decides the target.  Nearly every class a full bucket loses
// is of a distribution that bucket already holds many of (a common one,
// whose shallow classes all land at depth 0), so a bucket is wide.
//
// Half the probes are of a position probed before in the same deal (another
// target, the partner's pass, another declarer).  So each probe that
// decides, and each store, also leaves the whole position with its class's
// entry in a direct-mapped cache of 512 slots (32 KiB), which a probe
// reads first: one line, usually still in the processor's cache, instead
// of up to three buckets in memory.  The cache is small on purpose: most
// repeats come soon after the first probe, and a cache the size of a
// core's second-level cache pushes the buckets' counts and tag lines out
// of it.  The copy may lag behind the bucket entry, whose bounds may have
// narrowed since, but its bounds still hold for its class, and an
// undecided copy only sends the probe on to the buckets.  (What each of
// these choices was measured to be worth: bench/results/tuning.md.)
// The solver computes its cut-offs first, with the cache's line and the
// buckets' first tag lines loading meanwhile (Prefetch), and probes only
// where they settle nothing.
//
// Invariants:
// - An entry's bounds are sound for its whole class; bounds only ever narrow,
//   and only a result found for exactly the entry's class narrows them.
// - No entry's tag is 0.  The slots of a bucket in use are its first ones,
//   as many as its count says.
// - Clearing is lazy: each bucket's count carries the generation it was
//   written in, and a count of an older generation reads as 0.  Zeroing
//   128 MiB for each of the 36 deals of a set would cost more than many of
//   the searches themselves.  A cached position of an older generation is
//   ignored the same way.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/result.h"

namespace tarrow {

// A pair of trick bounds in 0 <= lower < upper <= 14 as one number 0..104;
// 14 means no upper bound, so code 0 = (0, 14) knows nothing.
using BoundCode = uint8_t;
struct BoundPair {
  uint8_t lower;
  uint8_t upper;
};
inline constexpr int kBoundCodes = 105;
inline constexpr int kNoUpperBound = 14;

// The pairs in code order.  The order is part of the replacement rule: the
// entry with the smallest code, the least informative, is evicted first.
inline constexpr std::array<BoundPair, kBoundCodes> BoundPairs = {{
    {0, 14},  {0, 13},  {1, 14},  {0, 12},  {1, 13},  {0, 11},  {2, 14},  {1, 12},  {0, 10},
    {2, 13},  {1, 11},  {0, 9},   {3, 14},  {2, 12},  {1, 10},  {3, 13},  {0, 8},   {2, 11},
    {1, 9},   {4, 14},  {3, 12},  {0, 7},   {2, 10},  {4, 13},  {1, 8},   {3, 11},  {0, 6},
    {2, 9},   {5, 14},  {4, 12},  {1, 7},   {0, 5},   {3, 10},  {5, 13},  {2, 8},   {4, 11},
    {1, 6},   {3, 9},   {0, 4},   {6, 14},  {5, 12},  {2, 7},   {1, 5},   {4, 10},  {3, 8},
    {6, 13},  {0, 3},   {5, 11},  {2, 6},   {4, 9},   {1, 4},   {7, 14},  {3, 7},   {0, 2},
    {6, 12},  {2, 5},   {5, 10},  {4, 8},   {7, 13},  {1, 3},   {6, 11},  {0, 1},   {3, 6},
    {5, 9},   {2, 4},   {8, 14},  {4, 7},   {1, 2},   {7, 12},  {3, 5},   {6, 10},  {5, 8},
    {8, 13},  {2, 3},   {7, 11},  {4, 6},   {6, 9},   {3, 4},   {9, 14},  {8, 12},  {5, 7},
    {4, 5},   {7, 10},  {9, 13},  {6, 8},   {8, 11},  {5, 6},   {7, 9},   {10, 14}, {9, 12},
    {6, 7},   {8, 10},  {10, 13}, {7, 8},   {9, 11},  {8, 9},   {11, 14}, {10, 12}, {9, 10},
    {11, 13}, {10, 11}, {12, 14}, {11, 12}, {12, 13}, {13, 14},
}};

// The code of a pair; any pair with upper <= lower gives code 0.
// Preconditions: 0 <= lower, upper <= 14.
BoundCode BoundCodeOf(int lower, int upper) noexcept;

// MirrorMask[n]: the n low 2-bit fields set to binary 10.  Xor-ing a holder
// string with it maps every position p to p xor 2.
inline constexpr std::array<uint32_t, 14> MirrorMask = [] {
  std::array<uint32_t, 14> masks{};
  for (int n = 1; n < 14; ++n) masks[n] = masks[n - 1] | (2u << (2 * n - 2));
  return masks;
}();

// Per suit, the top cards that decided a result, as a mask of whole 2-bit
// holder fields: the fields of rank indexes 0..k-1 (TopFields(k)).  A union
// of two such sets is their bitwise or.
struct Relevant {
  uint32_t fields[4] = {0, 0, 0, 0};

  void Add(const Relevant& other) noexcept {
    for (int s = 0; s < 4; ++s) fields[s] |= other.fields[s];
  }
  friend bool operator==(const Relevant&, const Relevant&) = default;
};
constexpr uint32_t TopFields(int k) noexcept {
  return (1u << (2 * k)) - 1;
}
// k of a TopFields mask.
constexpr int TopCount(uint32_t fields) noexcept {
  return std::bit_width(fields) / 2;
}

// A position as the table sees it, in one frame for every declarer: each
// relative position p is filed as (p + rotation) mod 4, where rotation is
// the declarer's seat, so that a card's holder is filed by its seat whoever
// declares (the partner's pass rotates by 2, the mirror).
struct TableKey {
  uint64_t lengths = 0;                // 4 bits per hand and suit: bits 16 p + 4 s hold count[p][s]
  uint32_t holders[4] = {0, 0, 0, 0};  // the holder strings, bits above the suit's cards 0
  uint32_t leader = 0;                 // 0..3
  uint32_t strain = 0;                 // the trumps the bounds hold for: 0..4, any code
  // Where the table files the key (its buckets by hash depth, its slot in
  // the cache of recent positions), once TransTable::Prefetch has worked it
  // out; until then the table works it out at each use.
  uint32_t buckets[3] = {0, 0, 0};
  uint32_t recent = 0;
  bool located = false;
};
TableKey MakeTableKey(const uint32_t holders[4], const uint8_t remaining[4],
                      const uint8_t count[4][4], int leader, int rotation) noexcept;

struct TableHit {
  bool decided = false;  // the bounds of a matching entry decide the target
  bool made = false;     // when decided: the target is made
  Relevant relevant;     // when decided: the entry's top cards
  // A move that decided a search of a matching class before; failing that,
  // one that decided a class of the same lengths and leader met among the
  // candidates read (a like position: as good a first move as any rule
  // gives); 0 if none.
  uint8_t bestMove = 0;
};

class TransTable {
 public:
  static constexpr int kWays = 58;
  static constexpr int kHashDepth = 2;

  // One class: 32 bytes, so that checking a candidate reads one cache line.
  struct Entry {
    uint64_t lengths;     // the class's lengths (TableKey::lengths)
    uint32_t holders[4];  // masked to the entry's top cards
    uint16_t tops;        // k per suit, 4 bits each, spades lowest
    uint8_t leader;       // 0..3
    uint8_t strain;       // TableKey::strain
    uint8_t code;         // BoundCode
    uint8_t bestMove;     // a move that ended a search of this class, 0 if none
  };
  static_assert(sizeof(Entry) == 32);
  // One bucket: the slots' tags and masks first, 21 slots to a cache line,
  // then the entries.  A tag is a hash of the class's lengths, leader and
  // strain (high byte) and the holders of the card of rank index `depth`
  // (the bucket's hash depth) of each suit where the class fixes one (low
  // byte, 2 bits per suit); the mask says which of those fields the class
  // fixes.  A position's signature at that depth, masked, equals the tag of
  // every class there that holds it, so most entries read are ones that
  // match.  Slots are taken in order and never freed within a deal,
  // so a probe reads only the lines of the slots in use, and none at all in
  // a bucket nothing was stored in.
  static constexpr int kSlotsPerLine = 21;
  static constexpr int kTagLines = (kWays + kSlotsPerLine - 1) / kSlotsPerLine;
  struct alignas(64) TagLine {
    uint16_t tag[kSlotsPerLine];
    uint8_t mask[kSlotsPerLine];
    uint8_t unused;
  };
  static_assert(sizeof(TagLine) == 64);
  struct Bucket {
    TagLine lines[kTagLines];
    Entry entries[kWays];
  };
  static_assert(sizeof(Bucket) == 2048);
  // A position probed lately: every card of it, and the class that decided
  // it (or was stored for it) last, as that class's entry then read.
  struct alignas(64) Recent {
    uint32_t holders[4];  // the whole holder strings
    Entry entry;
    uint8_t generation;
  };
  static constexpr size_t kRecentSlots = size_t(1) << 9;  // 32 KiB
  static_assert(kHashDepth + 1 == std::size(TableKey{}.buckets));
  // The sizes a table can have, in MiB; the buckets take what the cache of
  // recent positions leaves.
  static constexpr size_t kMaxMiB = 128;
  static constexpr size_t kMinMiB = 1;
  static constexpr size_t BucketsIn(size_t mebibytes) noexcept {
    return ((mebibytes << 20) - kRecentSlots * sizeof(Recent)) / sizeof(Bucket);
  }

  // All the buckets of the block, and those in use: half of them at first,
  // all from the Clear after a deal that filled half their slots.  Half
  // the buckets serve nearly every deal; the rest are used (and their pages
  // touched) only once a deal needs them.
  size_t Buckets() const noexcept { return bucketCount_; }
  size_t ActiveBuckets() const noexcept { return activeBuckets_; }

  // The table in one block of `mebibytes` (kMinMiB..kMaxMiB); an error when
  // the size is out of range or the memory cannot be had.
  static Result<std::unique_ptr<TransTable>> Create(size_t mebibytes = kMaxMiB);

  // Forgets every entry (lazily; see the header comment).
  void Clear() noexcept;

  // Starts loading the cache lines a probe of `key` reads first, so that a
  // probe made after other work finds them in the processor's cache, and
  // notes in the key where they are for the probe and the store.
  void Prefetch(TableKey& key) noexcept;

  // The first entry whose class holds the position and whose bounds decide
  // `target`; otherwise undecided, with the best move of a matching entry
  // or, failing that, of a like class (TableHit::bestMove).  The bounds
  // count the tricks of the side in filed positions 1 and 3 (North-South);
  // with `otherSide` the target and the answer are those of the other side.
  TableHit Probe(const TableKey& key, int target, bool otherSide = false) noexcept;
  // Only the first step of Probe: the class last found for this very
  // position, from the small cache.
  TableHit ProbeRecent(const TableKey& key, int target, bool otherSide = false) noexcept;
  // Only the rest of Probe, the buckets, for a caller that has just read
  // the small cache and stored nothing since.
  TableHit ProbeBuckets(const TableKey& key, int target, bool otherSide = false) noexcept;

  // Records a search result for the class of `key` with the top cards of
  // `relevant`: made (target is a lower bound) or not (an upper bound).
  // Narrows the entry of exactly that class when there is one, else takes
  // an empty slot or evicts the least informative entry of the bucket (of
  // equal bounds, the one with the most top cards fixed).
  void Store(const TableKey& key, const Relevant& relevant, int target, bool made, uint8_t bestMove,
             bool otherSide = false) noexcept;

  // For tests: the bounds of exactly this class, or code 0 when absent.
  BoundPair BoundsOf(const TableKey& key, const Relevant& relevant) noexcept;

  ~TransTable();
  TransTable(const TransTable&) = delete;
  TransTable& operator=(const TransTable&) = delete;

 private:
  friend class SolverForTest;  // solver_for_test.h
  // Every 2-bit field of the n low ones of `holders` plus rotation, mod 4:
  // how MakeTableKey turns the holders into the table's frame.
  static uint32_t RotateHolders(uint32_t holders, int n, int rotation) noexcept;
  // Per bucket, the generation that last wrote it and the slots taken then.
  struct Stamp {
    uint8_t generation;
    uint8_t taken;
  };
  TransTable(Bucket* buckets, size_t bucketCount, Stamp* stamps) noexcept
      : buckets_(buckets),
        recent_(reinterpret_cast<Recent*>(buckets + bucketCount)),
        stamps_(stamps),
        bucketCount_(bucketCount),
        activeBuckets_(bucketCount / 2) {}
  // The bucket of a class whose top cards reach at least `depth` in every
  // suit (or the whole suit).
  size_t BucketIndex(const TableKey& key, int depth) const noexcept {
    return key.located ? key.buckets[depth] : HashBucket(key, depth);
  }
  size_t HashBucket(const TableKey& key, int depth) const noexcept;
  size_t HashRecent(const TableKey& key) const noexcept;
  // The slots of bucket `index` in use in this generation.
  int SlotsInUse(size_t index) const noexcept {
    return stamps_[index].generation == generation_ ? stamps_[index].taken : 0;
  }
  Recent& RecentSlot(const TableKey& key) noexcept;
  // Fills `hit` when the entry's bounds decide `target` (of the filed side).
  static bool Decide(const Entry& entry, int target, bool otherSide, TableHit& hit) noexcept;
  void Remember(const TableKey& key, const Entry& entry) noexcept;

  Bucket* buckets_;         // bucketCount_ buckets, 2 MiB aligned where the size allows
  Recent* recent_;          // kRecentSlots, right after the buckets
  Stamp* stamps_;           // per bucket
  uint8_t generation_ = 1;  // stamps start at 0, so everything starts stale
  size_t bucketCount_;
  // The buckets in use, the first ones of the block, and the entries taken
  // in them since the last Clear (see the header comment).
  size_t activeBuckets_;
  size_t taken_ = 0;
};
static_assert(TransTable::BucketsIn(TransTable::kMaxMiB) == 65'520 &&
              TransTable::BucketsIn(TransTable::kMinMiB) > 0);

}  // namespace tarrow
