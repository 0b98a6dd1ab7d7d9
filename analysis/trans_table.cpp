#include "analysis/trans_table.h"

#include <bit>
#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tarrow {
namespace {

// Inverse of BoundPairs; pairs with upper <= lower stay at code 0.
constexpr auto kCodeOfPair = [] {
  std::array<std::array<BoundCode, 15>, 15> codes{};
  for (int code = 0; code < kBoundCodes; ++code) {
    codes[BoundPairs[code].lower][BoundPairs[code].upper] = BoundCode(code);
  }
  return codes;
}();

constexpr uint32_t kGolden = 0x9E3779B9u;

// Nine mixing steps over three words (a rotating variant of Bob Jenkins'
// lookup2 mix).
// clang-format off
inline void Mix(uint32_t& a, uint32_t& b, uint32_t& c) noexcept {
  a -= b; a -= c; a ^= std::rotr(c, 13);
  b -= c; b -= a; b ^= std::rotl(a, 8);
  c -= a; c -= b; c ^= std::rotr(b, 13);
  a -= b; a -= c; a ^= std::rotr(c, 12);
  b -= c; b -= a; b ^= std::rotl(a, 16);
  c -= a; c -= b; c ^= std::rotr(b, 5);
  a -= b; a -= c; a ^= std::rotr(c, 3);
  b -= c; b -= a; b ^= std::rotl(a, 10);
  c -= a; c -= b; c ^= std::rotr(b, 15);
}
// clang-format on

inline bool Holds(const TTEntry& entry, const PositionKey& key) noexcept {
  return entry.key0 == key.key0 && entry.key1 == key.key1 && entry.key2 == key.key2 &&
         (entry.key3 & kKey3Mask) == key.key3;
}

}  // namespace

BoundCode BoundCodeOf(int lower, int upper) noexcept {
  return kCodeOfPair[size_t(lower)][size_t(upper)];
}

PositionKey MakePositionKey(const uint32_t holders[4], const uint8_t remaining[4], int leader,
                            bool mirror) noexcept {
  uint32_t h[4];
  for (int s = 0; s < 4; ++s) h[s] = mirror ? holders[s] ^ MirrorMask[remaining[s]] : holders[s];
  const uint32_t ldr = uint32_t(mirror ? leader ^ 2 : leader);
  const uint32_t d =
      ((uint32_t(remaining[0]) * 13 + remaining[1]) * 13 + remaining[2]) * 13 + remaining[3];
  PositionKey key;
  key.key0 = h[0] << 6 | ldr << 4 | ((d >> 11) & 0xF);
  key.key1 = h[1] << 6 | ((d >> 5) & 0x3F);
  key.key2 = h[2] << 6 | (d & 0x1F) << 1 | ((h[3] >> 25) & 1);
  key.key3 = (h[3] << 7) & kKey3Mask;
  return key;
}

uint32_t BucketOf(const PositionKey& key) noexcept {
  uint32_t a = key.key0 + kGolden;
  uint32_t b = key.key1 + kGolden;
  uint32_t c = key.key2;
  Mix(a, b, c);
  a += key.key3 & kKey3Mask;
  Mix(a, b, c);
  return c & uint32_t(TransTable::kBuckets - 1);
}

Result<std::unique_ptr<TransTable>> TransTable::Create() {
  // Uninitialised on purpose: the pages are only touched as buckets are used.
  // Probes land anywhere in the 128 MiB, so with 4 KiB pages nearly every
  // probe also misses the TLB; the block is aligned for 2 MiB pages and, on
  // Linux, the kernel is asked to back it with them where it can.
  constexpr size_t kHugePage = size_t(2) << 20;
  static_assert(kBytes % kHugePage == 0);
  auto* entries = static_cast<TTEntry*>(std::aligned_alloc(kHugePage, kBytes));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (entries != nullptr) madvise(entries, kBytes, MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
  auto* stamps = static_cast<uint8_t*>(std::calloc(kBuckets, 1));
  if (entries == nullptr || stamps == nullptr) {
    std::free(entries);
    std::free(stamps);
    return Status::Error("cannot allocate the 128 MiB transposition table of the solver");
  }
  return std::unique_ptr<TransTable>(new TransTable(entries, stamps));
}

TransTable::~TransTable() {
  std::free(entries_);
  std::free(stamps_);
}

void TransTable::Clear() noexcept {
  if (++generation_ == 0) {
    // The stamps have gone round: make every bucket stale the slow way.
    std::memset(stamps_, 0, kBuckets);
    generation_ = 1;
  }
}

TTEntry* TransTable::Bucket(uint32_t bucket) noexcept {
  TTEntry* first = entries_ + size_t(bucket) * kWays;
  // The stamp and the bucket's two cache lines are usually all misses: let
  // them load side by side rather than one after the other.
  __builtin_prefetch(first);
  __builtin_prefetch(first + kWays / 2);
  if (stamps_[bucket] != generation_) {
    std::memset(static_cast<void*>(first), 0, kWays * sizeof(TTEntry));
    stamps_[bucket] = generation_;
  }
  return first;
}

ProbeAnswer TransTable::Probe(const PositionKey& key, int target, TTEntry*& entry) noexcept {
  TTEntry* bucket = Bucket(BucketOf(key));
  for (int i = 0; i < kWays; ++i) {
    if (!Holds(bucket[i], key)) continue;
    const BoundPair bounds = BoundPairs[bucket[i].key3 & kCodeMask];
    if (target <= bounds.lower) return ProbeAnswer::kTrue;
    if (target >= bounds.upper) return ProbeAnswer::kFalse;
    entry = &bucket[i];
    return ProbeAnswer::kSearch;
  }
  TTEntry* victim = &bucket[0];
  for (int i = 1; i < kWays; ++i) {
    if ((bucket[i].key3 & kCodeMask) < (victim->key3 & kCodeMask)) victim = &bucket[i];
  }
  *victim = {key.key0, key.key1, key.key2, key.key3};
  entry = victim;
  return ProbeAnswer::kSearch;
}

void TransTable::Store(TTEntry* entry, const PositionKey& key, int target, bool made) noexcept {
  if (entry == nullptr || !Holds(*entry, key)) return;
  const BoundPair bounds = BoundPairs[entry->key3 & kCodeMask];
  BoundCode code;
  if (made && target > bounds.lower) {
    code = BoundCodeOf(target, bounds.upper);
  } else if (!made && target < bounds.upper) {
    code = BoundCodeOf(bounds.lower, target);
  } else {
    return;
  }
  entry->key3 = (entry->key3 & kKey3Mask) | code;
}

const TTEntry* TransTable::Find(const PositionKey& key) noexcept {
  TTEntry* bucket = Bucket(BucketOf(key));
  for (int i = 0; i < kWays; ++i) {
    if (Holds(bucket[i], key)) return &bucket[i];
  }
  return nullptr;
}

}  // namespace tarrow
