// The transposition table: bound codes, keys, buckets, probe, store and the
// replacement rule.
#include "analysis/trans_table.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace tarrow {
namespace {

TEST(BoundCodeTest, EveryPairHasOneCodeAndTheInverseFindsIt) {
  std::set<std::pair<int, int>> seen;
  for (int code = 0; code < kBoundCodes; ++code) {
    const BoundPair pair = BoundPairs[size_t(code)];
    SCOPED_TRACE(code);
    EXPECT_LT(pair.lower, pair.upper);
    EXPECT_LE(pair.upper, 14);
    EXPECT_TRUE(seen.insert({pair.lower, pair.upper}).second) << "pair listed twice";
    EXPECT_EQ(BoundCodeOf(pair.lower, pair.upper), code);
  }
  EXPECT_EQ(seen.size(), 105u);  // every 0 <= lower < upper <= 14
  EXPECT_EQ(BoundPairs[0].lower, 0);
  EXPECT_EQ(BoundPairs[0].upper, 14);
  // Spot checks of the order the replacement rule depends on.
  EXPECT_EQ(BoundCodeOf(0, 13), 1);
  EXPECT_EQ(BoundCodeOf(6, 14), 39);
  EXPECT_EQ(BoundCodeOf(13, 14), 104);
  EXPECT_EQ(BoundCodeOf(7, 7), 0);
  EXPECT_EQ(BoundCodeOf(9, 3), 0);
}

TEST(PositionKeyTest, BucketsOfTheDocumentedKeys) {
  EXPECT_EQ(BucketOf({0, 0, 0, 0}), 637490u);
  EXPECT_EQ(BucketOf({1, 2, 3, 0x80}), 63263u);
  EXPECT_EQ(BucketOf({1, 2, 3, 0xFF}), 63263u);  // the code bits do not count
}

TEST(PositionKeyTest, MirrorMasksSetEveryFieldToBinaryTen) {
  EXPECT_EQ(MirrorMask[0], 0u);
  EXPECT_EQ(MirrorMask[1], 0x2u);
  EXPECT_EQ(MirrorMask[2], 0xAu);
  EXPECT_EQ(MirrorMask[3], 0x2Au);
  EXPECT_EQ(MirrorMask[13], 0x2AAAAAAu);
}

TEST(PositionKeyTest, WordsFollowTheLayout) {
  const uint8_t remaining[4] = {13, 12, 11, 13};
  const uint32_t d = ((13u * 13 + 12) * 13 + 11) * 13 + 13;
  const uint32_t holders[4] = {0x3FFFFFFu, 0x0123456u, 0x0AB0CDu, 0x2000001u};
  const PositionKey key = MakePositionKey(holders, remaining, 2, false);
  EXPECT_EQ(key.key0, (0x3FFFFFFu << 6) | 2u << 4 | ((d >> 11) & 0xF));
  EXPECT_EQ(key.key1, (0x0123456u << 6) | ((d >> 5) & 0x3F));
  EXPECT_EQ(key.key2, (0x0AB0CDu << 6) | (d & 0x1F) << 1 | 1u);  // clubs bit 25
  EXPECT_EQ(key.key3, 0x80u);                                    // clubs bits 24..0 = 1
  const PositionKey mirrored = MakePositionKey(holders, remaining, 2, true);
  EXPECT_EQ(mirrored.key0 >> 6, 0x3FFFFFFu ^ MirrorMask[13]);
  EXPECT_EQ((mirrored.key0 >> 4) & 3, 0u);  // leader 2 -> 0
  EXPECT_EQ(mirrored.key3, ((0x2000001u ^ MirrorMask[13]) << 7) & kKey3Mask);
}

class TransTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Result<std::unique_ptr<TransTable>> made = TransTable::Create();
    ASSERT_TRUE(made.ok()) << made.message();
    table = std::move(*made);
    table->Clear();
  }
  // Nine distinct keys that share one bucket.
  static std::vector<PositionKey> CollidingKeys() {
    std::vector<PositionKey> keys;
    const uint32_t bucket = BucketOf({0x40, 1, 2, 0});
    for (uint32_t k = 0x40; keys.size() < 9; k += 0x40) {
      const PositionKey key{k, 1, 2, 0};
      if (BucketOf(key) == bucket) keys.push_back(key);
    }
    return keys;
  }
  std::unique_ptr<TransTable> table;
};

TEST_F(TransTableTest, StoredBoundsDecideLaterProbes) {
  const PositionKey key{0x1234, 0x5678, 0x9ABC, 0xDEF00};
  TTEntry* entry = nullptr;
  ASSERT_EQ(table->Probe(key, 5, entry), ProbeAnswer::kSearch);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->key3 & kCodeMask, 0u);   // claimed with nothing known
  TransTable::Store(entry, key, 5, true);   // made 5: lower bound 5
  TransTable::Store(entry, key, 9, false);  // not 9: upper bound 9
  EXPECT_EQ(entry->key3 & kCodeMask, BoundCodeOf(5, 9));
  EXPECT_EQ(entry->key3 & kKey3Mask, key.key3);  // the key bits stay
  struct Row {
    int target;
    ProbeAnswer answer;
  };
  for (const Row row :
       {Row{1, ProbeAnswer::kTrue}, Row{5, ProbeAnswer::kTrue}, Row{6, ProbeAnswer::kSearch},
        Row{8, ProbeAnswer::kSearch}, Row{9, ProbeAnswer::kFalse}, Row{13, ProbeAnswer::kFalse}}) {
    SCOPED_TRACE(row.target);
    TTEntry* found = nullptr;
    EXPECT_EQ(table->Probe(key, row.target, found), row.answer);
    if (row.answer == ProbeAnswer::kSearch) {
      EXPECT_EQ(found, entry);
    }
  }
  // A result that tells nothing new changes nothing.
  TransTable::Store(entry, key, 3, true);
  TransTable::Store(entry, key, 11, false);
  EXPECT_EQ(entry->key3 & kCodeMask, BoundCodeOf(5, 9));
}

TEST_F(TransTableTest, TheEntryWithTheSmallestCodeIsEvictedEarliestFirst) {
  const std::vector<PositionKey> keys = CollidingKeys();
  std::vector<TTEntry*> entries;
  // Eight keys fill the bucket; give them codes, two of them the smallest.
  const int lowers[8] = {6, 2, 9, 1, 4, 1, 7, 3};
  for (int i = 0; i < 8; ++i) {
    TTEntry* entry = nullptr;
    ASSERT_EQ(table->Probe(keys[size_t(i)], 1, entry), ProbeAnswer::kSearch);
    TransTable::Store(entry, keys[size_t(i)], lowers[i], true);
    entries.push_back(entry);
  }
  EXPECT_EQ(std::set<TTEntry*>(entries.begin(), entries.end()).size(), 8u);
  TTEntry* victim = nullptr;
  ASSERT_EQ(table->Probe(keys[8], 1, victim), ProbeAnswer::kSearch);
  EXPECT_EQ(victim, entries[3]);  // (1, 14), the first of the two smallest codes
  EXPECT_EQ(table->Find(keys[3]), nullptr);
  EXPECT_NE(table->Find(keys[5]), nullptr);
  EXPECT_EQ(victim->key3 & kCodeMask, 0u);
}

TEST_F(TransTableTest, AStoreIntoAnEntryClaimedByAnotherKeyIsDropped) {
  const std::vector<PositionKey> keys = CollidingKeys();
  TTEntry* outer = nullptr;
  ASSERT_EQ(table->Probe(keys[0], 3, outer), ProbeAnswer::kSearch);
  // A deeper position of the same bucket evicts the outer node's entry while
  // it still has code 0 (the earliest of the smallest codes).
  TTEntry* inner = nullptr;
  ASSERT_EQ(table->Probe(keys[1], 3, inner), ProbeAnswer::kSearch);
  ASSERT_EQ(inner, outer);
  TransTable::Store(inner, keys[1], 2, true);
  TransTable::Store(outer, keys[0], 3, true);
  EXPECT_EQ(outer->key3 & kCodeMask, BoundCodeOf(2, 14));  // the deeper key keeps its bounds
  EXPECT_EQ(outer->key0, keys[1].key0);
  EXPECT_EQ(table->Find(keys[0]), nullptr);
  TransTable::Store(nullptr, keys[0], 3, true);  // no entry: nothing to do
}

TEST_F(TransTableTest, ClearingForgetsEverythingEvenAfterTheStampsWrap) {
  const PositionKey key{0x4321, 0x8765, 0xCBA9, 0xFED00};
  for (int round = 0; round < 600; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(table->Find(key), nullptr);
    TTEntry* entry = nullptr;
    ASSERT_EQ(table->Probe(key, 4, entry), ProbeAnswer::kSearch);
    TransTable::Store(entry, key, 4, true);
    ASSERT_NE(table->Find(key), nullptr);
    table->Clear();
  }
}

}  // namespace
}  // namespace tarrow
