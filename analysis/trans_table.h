// The solver's transposition table: trick bounds for positions at the start
// of a trick, so that a position met again (by another order of the same
// cards, by another target of the iterative driver, or in the partner's pass)
// is not searched again.
//
//   Result<std::unique_ptr<TransTable>> table = TransTable::Create();
//   (*table)->Clear();                                   // once per SolveSide call
//   TTEntry* entry = nullptr;
//   ProbeAnswer a = (*table)->Probe(key, target, entry); // kSearch claims `entry`
//   ... search ...
//   (*table)->Store(entry, key, target, result);
//
// Layout: 2^20 buckets of 8 entries of 16 bytes, 128 MiB in one block.  The
// key layout is drawn in solver.h.
//
// The key describes a position completely: the 2-bit holder of every card
// still in play per suit, the lengths (which tell where each suit's holder
// string ends) and the leader.  An all-zero entry is empty: no key can be
// zero, since a probed position has at least 8 cards, so D is never 0.
//
// Invariants:
// - An entry's bounds are sound for its key: declarer's side makes at least
//   `lower` more tricks and cannot make `upper`.  Bounds only ever narrow.
// - Clearing is lazy: each bucket carries the generation it was last written
//   in, and a bucket of an older generation reads as eight empty entries (it
//   is zeroed on first touch).  Zeroing 128 MiB on each of the 360 calls of a
//   set would cost more than many of the searches themselves; the answers are
//   the same as with an eager clear.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/result.h"

namespace tarrow {

// One table entry.  No member initialisers: the block is allocated
// uninitialised and each bucket is zeroed when its generation is stale.
struct TTEntry {
  uint32_t key0;
  uint32_t key1;
  uint32_t key2;
  uint32_t key3;  // bits 7..31 key, bits 0..6 BoundCode
};
static_assert(sizeof(TTEntry) == 16);

inline constexpr uint32_t kKey3Mask = 0xFFFFFF80u;
inline constexpr uint32_t kCodeMask = 0x7Fu;

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

// A position's key as the four table words; key3's low 7 bits are zero.
struct PositionKey {
  uint32_t key0 = 0;
  uint32_t key1 = 0;
  uint32_t key2 = 0;
  uint32_t key3 = 0;
  friend bool operator==(const PositionKey&, const PositionKey&) = default;
};

// MirrorMask[n]: the n low 2-bit fields set to binary 10.  Xor-ing a holder
// string with it maps every position p to p xor 2.
inline constexpr std::array<uint32_t, 14> MirrorMask = [] {
  std::array<uint32_t, 14> masks{};
  for (int n = 1; n < 14; ++n) masks[n] = masks[n - 1] | (2u << (2 * (n - 1)));
  return masks;
}();

// Builds the key from the four holder strings, the suit lengths and the
// leader; with `mirror` every position p is described as p xor 2.
PositionKey MakePositionKey(const uint32_t holders[4], const uint8_t remaining[4], int leader,
                            bool mirror) noexcept;

// The bucket of a key, 0 .. 2^20 - 1 (the low 7 bits of key3 do not count).
uint32_t BucketOf(const PositionKey& key) noexcept;

enum class ProbeAnswer {
  kTrue,    // the bounds show that the target is made
  kFalse,   // the bounds show that it is not
  kSearch,  // unknown: the caller searches and stores into the claimed entry
};

class TransTable {
 public:
  static constexpr int kBucketBits = 20;
  static constexpr size_t kBuckets = size_t(1) << kBucketBits;
  static constexpr int kWays = 8;
  static constexpr size_t kBytes = kBuckets * kWays * sizeof(TTEntry);  // 128 MiB

  // The table in one block; an error when the memory cannot be had.
  static Result<std::unique_ptr<TransTable>> Create();

  // Forgets every entry (lazily; see the header comment).
  void Clear() noexcept;

  // Looks the key up in its bucket.  When the key is there and its bounds
  // decide the target, says so.  Otherwise `entry` becomes the key's entry,
  // or, when the key is absent, the bucket's entry with the smallest code
  // (earliest on ties), overwritten with the key and code 0.
  ProbeAnswer Probe(const PositionKey& key, int target, TTEntry*& entry) noexcept;

  // Narrows the bounds of `entry` by one search result: made (target is a
  // lower bound) or not made (target is an upper bound).  Stores nothing
  // when entry is null, or when a deeper position has claimed the entry
  // since the probe (its key is no longer `key`).
  static void Store(TTEntry* entry, const PositionKey& key, int target, bool made) noexcept;

  // For tests: the entry of a key, or null, without claiming anything.
  const TTEntry* Find(const PositionKey& key) noexcept;

  ~TransTable();
  TransTable(const TransTable&) = delete;
  TransTable& operator=(const TransTable&) = delete;

 private:
  TransTable(TTEntry* entries, uint8_t* stamps) noexcept : entries_(entries), stamps_(stamps) {}
  TTEntry* Bucket(uint32_t bucket) noexcept;

  TTEntry* entries_;        // kBuckets * kWays entries, 64-byte aligned
  uint8_t* stamps_;         // per bucket, the generation that last wrote it
  uint8_t generation_ = 1;  // stamps start at 0, so everything starts stale
};

}  // namespace tarrow
