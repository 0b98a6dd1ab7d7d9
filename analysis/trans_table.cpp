#include "analysis/trans_table.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

uint16_t TopsOf(const Relevant& relevant) noexcept {
  uint16_t tops = 0;
  for (int s = 0; s < 4; ++s) tops |= uint16_t(TopCount(relevant.fields[s]) << (4 * s));
  return tops;
}

uint32_t FieldsOfTop(uint16_t tops, int suit) noexcept {
  return TopFields((tops >> (4 * suit)) & 0xF);
}

// A position's signature in the buckets of one hash depth: a hash of its
// lengths, leader and strain in the high byte (never 0) and, in the low
// byte, the holder of each suit's card of rank index `depth`, suit s in bits
// 2s..2s+1 (0 for a suit without that card).  The bucket's own hash already
// fixes the holders of the cards above it, so it is the first card below
// them whose holder tells the classes of one bucket apart.
uint16_t SignatureOf(const TableKey& key, int depth) noexcept {
  const uint64_t h = (key.lengths + key.leader + 4 * key.strain) * 0xD6E8FEB86659FD93ull;
  uint32_t cards = 0;
  for (int s = 0; s < 4; ++s) cards |= ((key.holders[s] >> (2 * depth)) & 3) << (2 * s);
  return uint16_t(((h >> 56) | 1) << 8 | cards);
}

// The fields of the signature's low byte that a class fixes: those of the
// suits where it fixes the card of rank index `depth`.
uint8_t SignatureMask(const Relevant& relevant, int depth) noexcept {
  uint8_t mask = 0;
  for (int s = 0; s < 4; ++s) {
    if (((relevant.fields[s] >> (2 * depth)) & 3) != 0) mask |= uint8_t(3 << (2 * s));
  }
  return mask;
}

// The slots among the first `inUse` of a bucket whose class may hold a
// position of signature `signature`: the signature, masked by the slot's
// mask, is the slot's tag.  Reads only the tag lines of those slots.
uint64_t SlotsTagged(const TransTable::Bucket& bucket, uint16_t signature, int inUse) noexcept {
  constexpr int kPerLine = TransTable::kSlotsPerLine;
  static_assert(sizeof(TransTable::TagLine::tag) == 42 &&
                offsetof(TransTable::TagLine, mask) == 42);
  uint64_t slots = 0;
#if defined(__SSE2__)
  const __m128i want = _mm_set1_epi16(short(signature));
  const __m128i highByte = _mm_set1_epi8(char(0xFF));
  for (int l = 0; l * kPerLine < inUse; ++l) {
    // 21 slots: tags in three registers (the last holds 5 tags and the
    // first masks), masks widened to 16 bits (the hash byte always
    // compared), packed to one bit a slot.
    const char* line = reinterpret_cast<const char*>(&bucket.lines[l]);
    const __m128i masks = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + 42));
    // Masks 16..20 sit in the line's last 8 bytes, from byte 58.
    const __m128i lastMasks =
        _mm_srli_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(line + 56)), 2);
    const __m128i t0 = _mm_load_si128(reinterpret_cast<const __m128i*>(line));
    const __m128i t1 = _mm_load_si128(reinterpret_cast<const __m128i*>(line + 16));
    const __m128i t2 = _mm_load_si128(reinterpret_cast<const __m128i*>(line + 32));
    const __m128i e0 = _mm_cmpeq_epi16(_mm_and_si128(want, _mm_unpacklo_epi8(masks, highByte)), t0);
    const __m128i e1 = _mm_cmpeq_epi16(_mm_and_si128(want, _mm_unpackhi_epi8(masks, highByte)), t1);
    const __m128i e2 =
        _mm_cmpeq_epi16(_mm_and_si128(want, _mm_unpacklo_epi8(lastMasks, highByte)), t2);
    const uint32_t low = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(e0, e1)));
    const uint32_t high = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(e2, e2))) & 0x1F;
    slots |= uint64_t(low | high << 16) << (kPerLine * l);
  }
#else
  for (int i = 0; i < inUse; ++i) {
    const TransTable::TagLine& line = bucket.lines[i / kPerLine];
    const int j = i % kPerLine;
    slots |= uint64_t((signature & (0xFF00 | line.mask[j])) == line.tag[j]) << i;
  }
#endif
  return slots & ((uint64_t(1) << inUse) - 1);
}

// Which entry of a full bucket gives way: the least informative bounds,
// and among equal bounds the narrowest class (the most top cards fixed),
// which fewer later positions will match.
int Worth(const TransTable::Entry& entry) noexcept {
  int fixed = 0;
  for (int s = 0; s < 4; ++s) fixed += (entry.tops >> (4 * s)) & 0xF;
  return entry.code * 64 - fixed;
}

bool InClass(const TransTable::Entry& entry, const TableKey& key) noexcept {
  if (entry.lengths != key.lengths || entry.leader != key.leader || entry.strain != key.strain) {
    return false;
  }
  for (int s = 0; s < 4; ++s) {
    if ((key.holders[s] & FieldsOfTop(entry.tops, s)) != entry.holders[s]) return false;
  }
  return true;
}

// The deepest hash depth, 0..kHashDepth, that a class's top cards reach in
// every suit that has more cards than the class fixes.
int DepthOf(const TableKey& key, const Relevant& relevant) noexcept {
  int depth = TransTable::kHashDepth;
  // The four hands' counts added, suit by suit: a suit's cards number at
  // most 13, so no nibble carries into the next.
  const uint64_t l = key.lengths;
  const uint64_t suitLengths = (l + (l >> 16) + (l >> 32) + (l >> 48)) & 0xFFFF;
  for (int s = 0; s < 4; ++s) {
    const int length = int((suitLengths >> (4 * s)) & 0xF);
    const int k = TopCount(relevant.fields[s]);
    if (k < length) depth = std::min(depth, k);
  }
  return depth;
}

// Tricks left at a trick start: the cards in play over four.
int TricksLeftOf(const TableKey& key) noexcept {
  // The sixteen counts added: nibble pairs into bytes, then the bytes.
  const uint64_t bytes =
      (key.lengths & 0x0F0F0F0F0F0F0F0Full) + ((key.lengths >> 4) & 0x0F0F0F0F0F0F0F0Full);
  return int((bytes * 0x0101010101010101ull) >> 56) / 4;
}

}  // namespace

BoundCode BoundCodeOf(int lower, int upper) noexcept {
  return kCodeOfPair[size_t(lower)][size_t(upper)];
}

namespace {

// Adds rotation (mod 4) to every 2-bit field of `holders` marked by a low
// bit in `fields`; the others stay 0.  Any number of suits side by side.
uint64_t RotateFields(uint64_t holders, uint64_t fields, int rotation) noexcept {
  const uint64_t low = holders & fields;
  const uint64_t high = (holders >> 1) & fields;
  switch (rotation & 3) {
    case 1:  // +1: the low bit flips, the high bit flips where the low one was set
      return (low ^ fields) | (high ^ low) << 1;
    case 2:  // +2: the high bit flips
      return holders ^ (fields << 1);
    case 3: {  // -1: the low bit flips, the high bit flips where the low one was clear
      const uint64_t newLow = low ^ fields;
      return newLow | (high ^ newLow) << 1;
    }
    default:
      return holders;
  }
}

}  // namespace

uint32_t TransTable::RotateHolders(uint32_t holders, int n, int rotation) noexcept {
  return uint32_t(RotateFields(holders, 0x5555555u & TopFields(n), rotation));
}

TableKey MakeTableKey(const uint32_t holders[4], const uint8_t remaining[4],
                      const uint8_t count[4][4], int leader, int rotation) noexcept {
  TableKey key;
  // Two suits at a time, 32 bits apart.
  for (int s = 0; s < 4; s += 2) {
    const uint64_t pair = holders[s] | uint64_t(holders[s + 1]) << 32;
    const uint64_t fields =
        (TopFields(remaining[s]) | uint64_t(TopFields(remaining[s + 1])) << 32) &
        0x0555555505555555ull;
    const uint64_t rotated = RotateFields(pair, fields, rotation);
    key.holders[s] = uint32_t(rotated);
    key.holders[s + 1] = uint32_t(rotated >> 32);
  }
  // The 16 counts, a byte each, squeezed to a nibble each (position p's in
  // bits 16 p..16 p + 15); filing by seat then turns the four groups round.
  uint64_t bytes[2];
  std::memcpy(bytes, count, sizeof bytes);
  uint64_t nibbles[2];
  for (int half = 0; half < 2; ++half) {
    uint64_t x = bytes[half];
    x = (x | x >> 4) & 0x00FF00FF00FF00FFull;
    x = (x | x >> 8) & 0x0000FFFF0000FFFFull;
    nibbles[half] = (x | x >> 16) & 0xFFFFFFFFull;
  }
  key.lengths = std::rotl(nibbles[0] | nibbles[1] << 32, 16 * (rotation & 3));
  key.leader = uint32_t((leader + rotation) & 3);
  return key;
}

Result<std::unique_ptr<TransTable>> TransTable::Create(size_t mebibytes) {
  if (mebibytes < kMinMiB || mebibytes > kMaxMiB) {
    return Status::Error("a transposition table of " + std::to_string(mebibytes) +
                         " MiB was asked for; it can have 1 to 128 MiB");
  }
  const size_t bytes = mebibytes << 20;
  const size_t bucketCount = BucketsIn(mebibytes);
  // Uninitialised on purpose: the pages are only touched as buckets are used.
  // Probes land anywhere in the block, so with 4 KiB pages nearly every
  // probe also misses the TLB; a block of whole 2 MiB pages is aligned for
  // them and, on Linux, the kernel is asked to back it with them where it can.
  constexpr size_t kHugePage = size_t(2) << 20;
  const size_t alignment = bytes % kHugePage == 0 ? kHugePage : alignof(Bucket);
  auto* buckets = static_cast<Bucket*>(std::aligned_alloc(alignment, bytes));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (buckets != nullptr && alignment == kHugePage) {
    madvise(buckets, bytes, MADV_HUGEPAGE);  // a hint; failure is harmless
  }
#endif
  auto* stamps = static_cast<Stamp*>(std::calloc(bucketCount, sizeof(Stamp)));
  if (buckets == nullptr || stamps == nullptr) {
    std::free(buckets);
    std::free(stamps);
    return Status::Error("cannot allocate the " + std::to_string(mebibytes) +
                         " MiB transposition table of the solver");
  }
  std::memset(static_cast<void*>(buckets + bucketCount), 0, kRecentSlots * sizeof(Recent));
  return std::unique_ptr<TransTable>(new TransTable(buckets, bucketCount, stamps));
}

TransTable::~TransTable() {
  std::free(buckets_);
  std::free(stamps_);
}

void TransTable::Clear() noexcept {
  // A deal that took half the slots in use has lost entries to crowded
  // buckets: the next ones get twice the buckets.
  if (taken_ > activeBuckets_ * kWays / 2) {
    activeBuckets_ = std::min(bucketCount_, 2 * activeBuckets_);
  }
  taken_ = 0;
  if (++generation_ == 0) {
    // The stamps have gone round: make every bucket stale the slow way.
    std::memset(static_cast<void*>(stamps_), 0, bucketCount_ * sizeof(Stamp));
    std::memset(static_cast<void*>(recent_), 0, kRecentSlots * sizeof(Recent));
    generation_ = 1;
  }
}

size_t TransTable::HashBucket(const TableKey& key, int depth) const noexcept {
  // The depth, then the top `depth` fields of each suit, a byte per suit.
  const uint64_t fields = (key.holders[0] & 0xFFu) << 24 | (key.holders[1] & 0xFFu) << 16 |
                          (key.holders[2] & 0xFFu) << 8 | (key.holders[3] & 0xFFu);
  const uint64_t tops = uint64_t(depth) << 32 | (fields & TopFields(depth) * 0x01010101u);
  const uint64_t frame = uint64_t(key.leader + 4 * key.strain) << 58;
  const uint64_t h = ((key.lengths ^ frame) * 0x9E3779B97F4A7C15ull ^ tops) * 0xD6E8FEB86659FD93ull;
  return size_t(((h >> 32) * activeBuckets_) >> 32);
}

TransTable::Recent& TransTable::RecentSlot(const TableKey& key) noexcept {
  return recent_[key.located ? key.recent : HashRecent(key)];
}

size_t TransTable::HashRecent(const TableKey& key) const noexcept {
  uint64_t h = key.lengths * 0x9E3779B97F4A7C15ull;
  h ^= (uint64_t(key.holders[0]) << 32 | key.holders[1]) * 0xD6E8FEB86659FD93ull;
  h ^= (uint64_t(key.holders[2]) << 32 | key.holders[3]) * 0xA0761D6478BD642Full;
  h ^= uint64_t(key.leader + 4 * key.strain) * 0xE7037ED1A0B428DBull;
  h ^= h >> 29;
  return size_t((h * 0xBF58476D1CE4E5B9ull) >> (64 - std::countr_zero(kRecentSlots)));
}

void TransTable::Remember(const TableKey& key, const Entry& entry) noexcept {
  Recent& recent = RecentSlot(key);
  for (int s = 0; s < 4; ++s) recent.holders[s] = key.holders[s];
  recent.entry = entry;
  recent.generation = generation_;
}

void TransTable::Prefetch(TableKey& key) noexcept {
  // Every bucket's count and first tag line, whether or not the bucket is
  // in use: asking the count first would wait for it here, at the cost of
  // a miss on every probe, where a line loaded for nothing costs no wait.
  for (int depth = 0; depth <= kHashDepth; ++depth) {
    key.buckets[depth] = uint32_t(HashBucket(key, depth));
    __builtin_prefetch(&stamps_[key.buckets[depth]]);
    __builtin_prefetch(&buckets_[key.buckets[depth]].lines[0]);
  }
  key.recent = uint32_t(HashRecent(key));
  key.located = true;
  __builtin_prefetch(&recent_[key.recent]);
}

bool TransTable::Decide(const Entry& entry, int target, bool otherSide, TableHit& hit) noexcept {
  const BoundPair bounds = BoundPairs[entry.code];
  if (target > bounds.lower && target < bounds.upper) return false;
  hit.decided = true;
  hit.made = (target <= bounds.lower) != otherSide;
  for (int s = 0; s < 4; ++s) hit.relevant.fields[s] = FieldsOfTop(entry.tops, s);
  return true;
}

TableHit TransTable::ProbeRecent(const TableKey& key, int target, bool otherSide) noexcept {
  // The other side makes `target` exactly when the filed side cannot make
  // the rest of the tricks plus one.
  if (otherSide) target = TricksLeftOf(key) - target + 1;
  TableHit hit;
  const Recent& recent = RecentSlot(key);
  if (recent.generation == generation_ &&
      std::memcmp(recent.holders, key.holders, sizeof key.holders) == 0 &&
      InClass(recent.entry, key)) {
    Decide(recent.entry, target, otherSide, hit);
  }
  return hit;
}

TableHit TransTable::Probe(const TableKey& key, int target, bool otherSide) noexcept {
  // First the very position, probed lately: its class's bounds as they
  // were then.
  const TableHit hit = ProbeRecent(key, target, otherSide);
  if (hit.decided) return hit;
  return ProbeBuckets(key, target, otherSide);
}

TableHit TransTable::ProbeBuckets(const TableKey& key, int target, bool otherSide) noexcept {
  TableHit hit;
  if (otherSide) target = TricksLeftOf(key) - target + 1;
  // The best move of a class of the same lengths and leader, met among the
  // candidates: a hint for a position no known class holds.
  uint8_t similar = 0;
  // A class is filed under the deepest hash depth its top cards allow, so a
  // position may match classes at every depth: look at all of them, the most
  // specific first.
  for (int depth = kHashDepth; depth >= 0; --depth) {
    const size_t index = BucketIndex(key, depth);
    const int inUse = SlotsInUse(index);
    if (inUse == 0) continue;
    const Bucket& bucket = buckets_[index];
    const uint16_t signature = SignatureOf(key, depth);
    for (uint64_t slots = SlotsTagged(bucket, signature, inUse); slots != 0; slots &= slots - 1) {
      const TransTable::Entry& entry = bucket.entries[std::countr_zero(slots)];
      if (!InClass(entry, key)) {
        if (similar == 0 && entry.lengths == key.lengths && entry.leader == key.leader) {
          similar = entry.bestMove;
        }
        continue;
      }
      if (Decide(entry, target, otherSide, hit)) {
        Remember(key, entry);
        return hit;
      }
      if (hit.bestMove == 0) hit.bestMove = entry.bestMove;
    }
  }
  if (hit.bestMove == 0) hit.bestMove = similar;
  return hit;
}

void TransTable::Store(const TableKey& key, const Relevant& relevant, int target, bool made,
                       uint8_t bestMove, bool otherSide) noexcept {
  if (otherSide) {
    target = TricksLeftOf(key) - target + 1;
    made = !made;
  }
  const int depth = DepthOf(key, relevant);
  const size_t index = BucketIndex(key, depth);
  Bucket& bucket = buckets_[index];
  const int inUse = SlotsInUse(index);
  const uint16_t signature = SignatureOf(key, depth);
  const uint8_t mask = SignatureMask(relevant, depth);
  const uint16_t tops = TopsOf(relevant);
  Entry* entry = nullptr;
  for (uint64_t slots = SlotsTagged(bucket, signature, inUse); slots != 0; slots &= slots - 1) {
    Entry& candidate = bucket.entries[std::countr_zero(slots)];
    if (candidate.tops == tops && InClass(candidate, key)) {
      entry = &candidate;
      break;
    }
  }
  BoundPair bounds{0, kNoUpperBound};
  if (entry != nullptr) {
    bounds = BoundPairs[entry->code];
  } else {
    // The next free slot, else the entry worth least, the earliest on ties.
    int slot = inUse;
    if (inUse < kWays) {
      stamps_[index] = {generation_, uint8_t(inUse + 1)};
      ++taken_;
    } else {
      slot = 0;
      for (int i = 1; i < kWays; ++i) {
        if (Worth(bucket.entries[i]) < Worth(bucket.entries[slot])) slot = i;
      }
    }
    TagLine& line = bucket.lines[slot / kSlotsPerLine];
    line.tag[slot % kSlotsPerLine] = uint16_t(signature & (0xFF00 | mask));
    line.mask[slot % kSlotsPerLine] = mask;
    entry = &bucket.entries[slot];
    entry->lengths = key.lengths;
    entry->leader = uint8_t(key.leader);
    entry->strain = uint8_t(key.strain);
    entry->tops = tops;
    for (int s = 0; s < 4; ++s) entry->holders[s] = key.holders[s] & relevant.fields[s];
    entry->bestMove = 0;
  }
  if (made && target > bounds.lower) bounds.lower = uint8_t(target);
  if (!made && target < bounds.upper) bounds.upper = uint8_t(target);
  entry->code = BoundCodeOf(bounds.lower, bounds.upper);
  if (bestMove != 0) entry->bestMove = bestMove;
  Remember(key, *entry);
}

BoundPair TransTable::BoundsOf(const TableKey& key, const Relevant& relevant) noexcept {
  const int depth = DepthOf(key, relevant);
  const size_t index = BucketIndex(key, depth);
  const Bucket& bucket = buckets_[index];
  const uint16_t tops = TopsOf(relevant);
  for (uint64_t slots = SlotsTagged(bucket, SignatureOf(key, depth), SlotsInUse(index)); slots != 0;
       slots &= slots - 1) {
    const Entry& entry = bucket.entries[std::countr_zero(slots)];
    if (entry.tops == tops && InClass(entry, key)) return BoundPairs[entry.code];
  }
  return BoundPairs[0];
}

}  // namespace tarrow
