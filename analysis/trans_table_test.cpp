// The transposition table: bound codes, keys, classes of positions, probe,
// store and the replacement rule.
#include "analysis/trans_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "analysis/solver_for_test.h"

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

TEST(TableKeyTest, MirrorMasksSetEveryFieldToBinaryTen) {
  EXPECT_EQ(MirrorMask[0], 0u);
  EXPECT_EQ(MirrorMask[1], 0x2u);
  EXPECT_EQ(MirrorMask[2], 0xAu);
  EXPECT_EQ(MirrorMask[3], 0x2Au);
  EXPECT_EQ(MirrorMask[13], 0x2AAAAAAu);
}

TEST(TableKeyTest, TheMirrorSwapsPartnersLengthsHoldersAndLeader) {
  const uint32_t holders[4] = {0x1B, 0x0, 0x39, 0x2};
  const uint8_t remaining[4] = {3, 0, 3, 1};
  const uint8_t count[4][4] = {{1, 0, 1, 0}, {1, 0, 0, 0}, {0, 0, 1, 1}, {1, 0, 1, 0}};
  const TableKey plain = MakeTableKey(holders, remaining, count, 1, 0);
  EXPECT_EQ(plain.leader, 1u);
  EXPECT_EQ((plain.lengths >> (16 * 2 + 4 * 3)) & 0xF, 1u);  // position 2 holds one club
  const TableKey mirrored = MakeTableKey(holders, remaining, count, 1, 2);
  EXPECT_EQ(mirrored.leader, 3u);
  EXPECT_EQ((mirrored.lengths >> (16 * 0 + 4 * 3)) & 0xF, 1u);  // ... and shows as position 0
  EXPECT_EQ(mirrored.holders[0], 0x1Bu ^ MirrorMask[3]);
  EXPECT_EQ(mirrored.holders[1], 0u);
  // Mirroring twice gives the plain key back.
  const uint32_t back[4] = {mirrored.holders[0], mirrored.holders[1], mirrored.holders[2],
                            mirrored.holders[3]};
  uint8_t swapped[4][4];
  for (int p = 0; p < 4; ++p) {
    for (int s = 0; s < 4; ++s) swapped[p ^ 2][s] = count[p][s];
  }
  const TableKey twice = MakeTableKey(back, remaining, swapped, 3, 2);
  EXPECT_EQ(twice.lengths, plain.lengths);
  EXPECT_EQ(twice.leader, plain.leader);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(twice.holders[s], plain.holders[s]);
}

TEST(TableKeyTest, RotatingHoldersAddsToEveryFieldAndLeavesTheRestZero) {
  // Fields 0..3 hold positions 0, 1, 2, 3; the fifth field is not in play.
  const uint32_t holders = 0 | 1 << 2 | 2 << 4 | 3 << 6;
  for (int rotation = 0; rotation < 4; ++rotation) {
    SCOPED_TRACE(rotation);
    const uint32_t rotated = SolverForTest::RotateHolders(holders, 4, rotation);
    for (int r = 0; r < 4; ++r) EXPECT_EQ((rotated >> (2 * r)) & 3, uint32_t((r + rotation) & 3));
    EXPECT_EQ(rotated >> 8, 0u);
    // Four quarter turns come back to the start.
    uint32_t round = holders;
    for (int i = 0; i < 4; ++i) round = SolverForTest::RotateHolders(round, 4, rotation);
    EXPECT_EQ(round, holders);
  }
  EXPECT_EQ(SolverForTest::RotateHolders(0x1B, 3, 2), 0x1Bu ^ MirrorMask[3]);
}

TEST(RelevantTest, TopFieldsCountAndUnite) {
  EXPECT_EQ(TopFields(0), 0u);
  EXPECT_EQ(TopFields(1), 0x3u);
  EXPECT_EQ(TopFields(13), 0x3FFFFFFu);
  for (int k = 0; k <= 13; ++k) EXPECT_EQ(TopCount(TopFields(k)), k);
  Relevant a, b;
  a.fields[0] = TopFields(2);
  b.fields[0] = TopFields(5);
  b.fields[3] = TopFields(1);
  a.Add(b);
  EXPECT_EQ(a.fields[0], TopFields(5));
  EXPECT_EQ(a.fields[3], TopFields(1));
}

class TransTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Result<std::unique_ptr<TransTable>> made = TransTable::Create();
    ASSERT_TRUE(made.ok()) << made.message();
    table = std::move(*made);
    table->Clear();
  }
  // Four tricks left, every hand with one card in each suit; spades held
  // in the order given (rank index 0 first), the other suits by position.
  static TableKey Key(const int (&spades)[4], int leader = 0) {
    uint32_t holders[4] = {0, 0x1B, 0x1B, 0x1B};  // positions 3, 2, 1, 0 from the top
    for (int r = 0; r < 4; ++r) holders[0] |= uint32_t(spades[r]) << (2 * r);
    const uint8_t remaining[4] = {4, 4, 4, 4};
    uint8_t count[4][4];
    for (auto& hand : count) {
      for (auto& n : hand) n = 1;
    }
    return MakeTableKey(holders, remaining, count, leader, 0);
  }
  static Relevant TopSpades(int k) {
    Relevant relevant;
    relevant.fields[0] = TopFields(k);
    return relevant;
  }
  // Classes of one distribution and leader, so of one bucket: the top 1..3
  // spades in every order, first with the top heart fixed too, then
  // without; more classes than a bucket has slots.
  static std::vector<std::pair<TableKey, Relevant>> ClassesOfOneBucket() {
    std::vector<std::pair<TableKey, Relevant>> classes;
    for (const bool topHeart : {true, false}) {
      std::set<std::vector<int>> seen;
      int order[4] = {0, 1, 2, 3};
      for (int k = 1; k <= 3; ++k) {
        do {
          if (!seen.insert(std::vector<int>(order, order + k)).second) continue;
          Relevant relevant = TopSpades(k);
          if (topHeart) relevant.fields[1] = TopFields(1);
          classes.push_back({Key(order), relevant});
        } while (std::next_permutation(order, order + 4));
      }
    }
    return classes;
  }
  std::unique_ptr<TransTable> table;
};

TEST_F(TransTableTest, StoredBoundsDecideLaterProbes) {
  const TableKey key = Key({0, 1, 2, 3});
  EXPECT_FALSE(table->Probe(key, 2).decided);
  table->Store(key, TopSpades(2), 2, true, 0);   // made 2: lower bound 2
  table->Store(key, TopSpades(2), 4, false, 0);  // not 4: upper bound 4
  struct Row {
    int target;
    bool decided;
    bool made;
  };
  for (const Row& row : {Row{1, true, true}, Row{2, true, true}, Row{3, false, false},
                         Row{4, true, false}, Row{5, true, false}}) {
    SCOPED_TRACE(row.target);
    const TableHit hit = table->Probe(key, row.target);
    EXPECT_EQ(hit.decided, row.decided);
    if (row.decided) {
      EXPECT_EQ(hit.made, row.made);
      EXPECT_EQ(hit.relevant, TopSpades(2));
    }
  }
  EXPECT_EQ(table->BoundsOf(key, TopSpades(2)).lower, 2);
  EXPECT_EQ(table->BoundsOf(key, TopSpades(2)).upper, 4);
  // Bounds only narrow: weaker results change nothing.
  table->Store(key, TopSpades(2), 1, true, 0);
  table->Store(key, TopSpades(2), 5, false, 0);
  EXPECT_EQ(table->BoundsOf(key, TopSpades(2)).lower, 2);
  EXPECT_EQ(table->BoundsOf(key, TopSpades(2)).upper, 4);
}

TEST_F(TransTableTest, EachStrainKeepsItsOwnBounds) {
  // The same cards with other trumps are another position: a deal's strains
  // share the table without reading each other's bounds.
  TableKey hearts = Key({0, 1, 2, 3});
  hearts.strain = 2;
  TableKey clubs = hearts;
  clubs.strain = 4;
  table->Store(hearts, TopSpades(1), 3, true, 0);
  table->Store(clubs, TopSpades(1), 2, false, 0);
  EXPECT_EQ(table->BoundsOf(hearts, TopSpades(1)).lower, 3);
  EXPECT_EQ(table->BoundsOf(hearts, TopSpades(1)).upper, kNoUpperBound);
  EXPECT_EQ(table->BoundsOf(clubs, TopSpades(1)).lower, 0);
  EXPECT_EQ(table->BoundsOf(clubs, TopSpades(1)).upper, 2);
  EXPECT_TRUE(table->Probe(hearts, 2).made);
  EXPECT_FALSE(table->Probe(clubs, 2).made);
  TableKey notrump = hearts;
  notrump.strain = 0;
  EXPECT_FALSE(table->Probe(notrump, 2).decided);
}

TEST_F(TransTableTest, AClassMatchesEveryPositionThatAgreesOnItsTopCards) {
  table->Store(Key({0, 1, 2, 3}), TopSpades(2), 3, true, 0);
  // The third and fourth spades are small cards: who holds which does not count.
  EXPECT_TRUE(table->Probe(Key({0, 1, 3, 2}), 3).decided);
  // Another holder of a top card, another leader: another class.
  EXPECT_FALSE(table->Probe(Key({1, 0, 2, 3}), 3).decided);
  EXPECT_FALSE(table->Probe(Key({0, 1, 2, 3}, 2), 3).decided);
  // Other lengths: another class, even with the same top cards.
  TableKey longer = Key({0, 1, 2, 3});
  longer.lengths += 1;
  EXPECT_FALSE(table->Probe(longer, 3).decided);
}

TEST_F(TransTableTest, AProbeFindsClassesFiledAtEveryDepth) {
  // Fixing no card, one card, or all: each class is filed in its own bucket.
  Relevant none;
  Relevant all;
  for (auto& fields : all.fields) fields = TopFields(4);
  table->Store(Key({0, 1, 2, 3}), none, 1, true, 0);
  table->Store(Key({0, 1, 2, 3}), TopSpades(1), 2, true, 0);
  table->Store(Key({0, 1, 2, 3}), all, 3, true, 0);
  EXPECT_TRUE(table->Probe(Key({3, 2, 1, 0}), 1).decided);  // any spades
  EXPECT_FALSE(table->Probe(Key({3, 2, 1, 0}), 2).decided);
  EXPECT_TRUE(table->Probe(Key({0, 2, 1, 3}), 2).decided);  // top spade at 0
  EXPECT_FALSE(table->Probe(Key({0, 2, 1, 3}), 3).decided);
  EXPECT_TRUE(table->Probe(Key({0, 1, 2, 3}), 3).decided);  // the very position
}

TEST_F(TransTableTest, AtEveryDepthAClassHoldsExactlyThePositionsThatAgreeOnItsTopCards) {
  // Classes filed deeper than depth 0 are told apart in their bucket by the
  // holder of the first card the bucket's hash leaves open: a position must
  // agree on it where the class fixes it, and need not where it does not.
  struct Row {
    int heartLine;  // the other suits' lines (each suit has one card a hand)
    int spadeLine;
    int spades[4];  // the probed position's spades, from the top
    bool inClass;
  };
  const Row rows[] = {
      {1, 2, {0, 1, 2, 3}, true},   // depth 1: the very position
      {1, 2, {0, 1, 3, 2}, true},   // the third and fourth spades are small
      {1, 2, {0, 2, 1, 3}, false},  // the second spade, the first open card, differs
      {2, 2, {0, 1, 3, 2}, true},   // depth 2: the third spade is open in spades
      {2, 3, {0, 1, 3, 2}, false},  // ... and fixed here
      {2, 3, {0, 1, 2, 3}, true},  {2, 3, {1, 0, 2, 3}, false},  // the top spade differs
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << "lines " << row.heartLine << "/" << row.spadeLine << ", spades "
                 << row.spades[0] << row.spades[1] << row.spades[2] << row.spades[3]);
    table->Clear();
    Relevant relevant = TopSpades(row.spadeLine);
    for (int s = 1; s < 4; ++s) relevant.fields[s] = TopFields(row.heartLine);
    table->Store(Key({0, 1, 2, 3}), relevant, 3, true, 0);
    EXPECT_EQ(table->ProbeBuckets(Key(row.spades), 3).decided, row.inClass);
  }
}

TEST_F(TransTableTest, TheRecentCacheAloneKnowsOnlyPositionsMetBefore) {
  table->Store(Key({0, 1, 2, 3}), TopSpades(1), 3, true, 0);
  // A key the table has located reads the same places as one it has not.
  TableKey located = Key({0, 3, 2, 1});
  table->Prefetch(located);
  // The stored position itself is in the cache, with its class's bounds.
  const TableHit same = table->ProbeRecent(Key({0, 1, 2, 3}), 3);
  EXPECT_TRUE(same.decided);
  EXPECT_TRUE(same.made);
  EXPECT_EQ(same.relevant, TopSpades(1));
  EXPECT_FALSE(table->ProbeRecent(Key({0, 1, 2, 3}), 4).decided);
  // Another position of the class is only in the buckets, until a probe
  // has found it there.
  EXPECT_FALSE(table->ProbeRecent(Key({0, 3, 2, 1}), 3).decided);
  EXPECT_TRUE(table->Probe(located, 3).made);
  EXPECT_TRUE(table->ProbeRecent(Key({0, 3, 2, 1}), 3).made);
  // The other side's target turns round as in Probe: 4 tricks left, the
  // filed side makes 3, so the other side cannot make 2.
  EXPECT_TRUE(table->ProbeRecent(Key({0, 1, 2, 3}), 2, true).decided);
  EXPECT_FALSE(table->ProbeRecent(Key({0, 1, 2, 3}), 2, true).made);
}

TEST_F(TransTableTest, TheBucketsAloneKnowEveryPositionOfAStoredClass) {
  // What Probe finds past the cache: a position of the class never met, and
  // the other side's target turned round.
  table->Store(Key({0, 1, 2, 3}), TopSpades(1), 3, true, 0);
  const TableHit other = table->ProbeBuckets(Key({0, 3, 2, 1}), 3);
  EXPECT_TRUE(other.decided);
  EXPECT_TRUE(other.made);
  EXPECT_EQ(other.relevant, TopSpades(1));
  EXPECT_FALSE(table->ProbeBuckets(Key({0, 3, 2, 1}), 4).decided);
  EXPECT_TRUE(table->ProbeBuckets(Key({0, 3, 2, 1}), 2, true).decided);
  EXPECT_FALSE(table->ProbeBuckets(Key({0, 3, 2, 1}), 2, true).made);
  // Another holder of the top spade: no class holds it.
  EXPECT_FALSE(table->ProbeBuckets(Key({1, 0, 2, 3}), 1).decided);
}

TEST_F(TransTableTest, TheLeastInformativeEntryIsEvictedThenTheNarrowestClass) {
  const std::vector<std::pair<TableKey, Relevant>> classes = ClassesOfOneBucket();
  ASSERT_GT(classes.size(), size_t(TransTable::kWays) + 1);
  auto lowerOf = [&](size_t i) {
    return table->BoundsOf(classes[i].first, classes[i].second).lower;
  };
  // The first class gets bounds (1, 14), the others the more informative
  // (3, 14).
  for (int i = 0; i < TransTable::kWays; ++i) {
    table->Store(classes[size_t(i)].first, classes[size_t(i)].second, i == 0 ? 1 : 3, true, 0);
  }
  // One more class takes the slot of the least informative entry.
  const size_t extra = size_t(TransTable::kWays);
  table->Store(classes[extra].first, classes[extra].second, 3, true, 0);
  EXPECT_EQ(lowerOf(0), 0);  // evicted
  for (size_t i = 1; i <= extra; ++i) EXPECT_EQ(lowerOf(i), 3) << i;
  // With equal bounds everywhere, the next one replaces the first of the
  // classes that fix the most cards: three spades and the top heart.
  size_t narrowest = 1;
  while (classes[narrowest].second.fields[0] != TopFields(3) ||
         classes[narrowest].second.fields[1] == 0) {
    ++narrowest;
  }
  table->Store(classes[extra + 1].first, classes[extra + 1].second, 3, true, 0);
  EXPECT_EQ(lowerOf(narrowest), 0);
  for (size_t i = 1; i <= extra + 1; ++i) {
    if (i != narrowest) {
      EXPECT_EQ(lowerOf(i), 3) << i;
    }
  }
}

TEST_F(TransTableTest, APositionStoredLatelyKeepsItsBoundsWhenItsClassIsEvicted) {
  // The class of the top two spades at positions 0 and 1, stored from one
  // of its two positions.
  const TableKey stored = Key({0, 1, 2, 3});
  const TableKey other = Key({0, 1, 3, 2});  // the small spades the other way
  table->Store(stored, TopSpades(2), 3, true, 0);
  // Classes of the same distribution and leader with bounds (2, 12), more
  // informative than (3, 14) but deciding no target 3, push it out of its
  // bucket.
  int pushed = 0;
  for (const auto& [key, relevant] : ClassesOfOneBucket()) {
    if (key.holders[0] == stored.holders[0]) continue;  // the stored position itself
    table->Store(key, relevant, 2, true, 0);
    table->Store(key, relevant, 12, false, 0);
    ++pushed;
  }
  ASSERT_GT(pushed, TransTable::kWays);
  EXPECT_EQ(table->BoundsOf(stored, TopSpades(2)).lower, 0);
  // The position stored last still finds the bounds it left; the other
  // position of the class, never probed, does not.
  EXPECT_TRUE(table->Probe(stored, 3).decided);
  EXPECT_FALSE(table->Probe(other, 3).decided);
  // A new deal forgets it.
  table->Clear();
  EXPECT_FALSE(table->Probe(stored, 3).decided);
}

TEST_F(TransTableTest, TheOtherSideReadsTheBoundsTurnedRound) {
  // Four tricks left.  The filed side makes at least 1 and not 3, so the
  // other side makes at least 4 - 3 + 1 = 2 and not 4 - 1 + 1 = 4.
  const TableKey key = Key({0, 1, 2, 3});
  table->Store(key, TopSpades(1), 1, true, 0);
  table->Store(key, TopSpades(1), 3, false, 0);
  struct Row {
    int target;
    bool decided;
    bool made;
  };
  for (const Row& row :
       {Row{1, true, true}, Row{2, true, true}, Row{3, false, false}, Row{4, true, false}}) {
    SCOPED_TRACE(row.target);
    const TableHit hit = table->Probe(key, row.target, true);
    EXPECT_EQ(hit.decided, row.decided);
    if (row.decided) {
      EXPECT_EQ(hit.made, row.made);
    }
  }
  // A result of the other side narrows the same entry: it makes 3, so the
  // filed side cannot make 2.
  table->Store(key, TopSpades(1), 3, true, 0, true);
  EXPECT_EQ(table->BoundsOf(key, TopSpades(1)).upper, 2);
  EXPECT_EQ(table->BoundsOf(key, TopSpades(1)).lower, 1);
}

TEST_F(TransTableTest, TheBestMoveOfAClassComesBackWithAnUndecidedProbe) {
  const TableKey key = Key({0, 1, 2, 3});
  table->Store(key, TopSpades(1), 3, true, 0x80 | 0x12);
  const TableHit hit = table->Probe(key, 4);
  EXPECT_FALSE(hit.decided);
  EXPECT_EQ(hit.bestMove, 0x92);
  // A position no class holds gets the best move of a like class (the same
  // lengths and leader, read among the candidates) as a hint, and only as
  // a hint: it decides nothing.
  table->Clear();
  table->Store(key, TopSpades(2), 3, true, 0x80 | 0x21);
  const TableHit like = table->Probe(Key({0, 2, 1, 3}), 1);
  EXPECT_FALSE(like.decided);
  EXPECT_EQ(like.bestMove, 0xA1);
  // The class's own best move comes first where the class holds the position.
  table->Store(Key({0, 2, 1, 3}), TopSpades(2), 3, true, 0x80 | 0x05);
  EXPECT_EQ(table->Probe(Key({0, 2, 1, 3}), 4).bestMove, 0x85);
  // Another leader is no like position.
  EXPECT_EQ(table->Probe(Key({0, 3, 1, 2}, 2), 1).bestMove, 0);
}

TEST(TransTableSizeTest, HalfTheBucketsServeUntilADealFillsHalfTheirSlots) {
  for (const size_t mebibytes : {TransTable::kMaxMiB, size_t(16), TransTable::kMinMiB}) {
    SCOPED_TRACE(mebibytes);
    Result<std::unique_ptr<TransTable>> made = TransTable::Create(mebibytes);
    ASSERT_TRUE(made.ok()) << made.message();
    TransTable& table = **made;
    table.Clear();
    // Distinct classes by their lengths alone (no top card fixed).
    auto storeClasses = [&](size_t n, uint64_t first) {
      for (size_t i = 0; i < n; ++i) {
        TableKey key;
        key.lengths = first + i;
        table.Store(key, Relevant{}, 1, true, 0);
      }
    };
    EXPECT_EQ(table.Buckets(), TransTable::BucketsIn(mebibytes));
    EXPECT_EQ(table.Buckets() * sizeof(TransTable::Bucket) +
                  TransTable::kRecentSlots * sizeof(TransTable::Recent),
              mebibytes << 20);
    const size_t first = table.Buckets() / 2;
    const size_t half = first * TransTable::kWays / 2;
    EXPECT_EQ(table.ActiveBuckets(), first);
    storeClasses(half, 1);
    table.Clear();
    EXPECT_EQ(table.ActiveBuckets(), first);
    storeClasses(half + 1, 1);
    table.Clear();
    EXPECT_EQ(table.ActiveBuckets(), table.Buckets());
    // Every bucket now takes entries, and a class stored is found again.
    storeClasses(1000, 1u << 30);
    for (uint64_t lengths : {uint64_t(1) << 30, (uint64_t(1) << 30) + 999}) {
      TableKey key;
      key.lengths = lengths;
      EXPECT_TRUE(table.Probe(key, 1).decided);
    }
    // No more buckets than the block holds, however full a deal gets.
    if (mebibytes <= 16) {
      storeClasses(table.Buckets() * TransTable::kWays, 1u << 31);
      table.Clear();
      EXPECT_EQ(table.ActiveBuckets(), table.Buckets());
    }
  }
}

TEST(TransTableSizeTest, ASizeOutOfRangeIsAnErrorNamingTheRange) {
  for (const size_t mebibytes : {size_t(0), TransTable::kMaxMiB + 1, size_t(1) << 20}) {
    const Result<std::unique_ptr<TransTable>> made = TransTable::Create(mebibytes);
    ASSERT_FALSE(made.ok());
    EXPECT_NE(made.message().find("1 to 128 MiB"), std::string::npos) << made.message();
  }
}

TEST_F(TransTableTest, ClearingForgetsEverythingEvenAfterTheStampsWrap) {
  const TableKey key = Key({0, 1, 2, 3});
  for (int round = 0; round < 600; ++round) {
    SCOPED_TRACE(round);
    ASSERT_FALSE(table->Probe(key, 1).decided);
    table->Store(key, TopSpades(1), 1, true, 0);
    ASSERT_TRUE(table->Probe(key, 1).decided);
    table->Clear();
  }
}

}  // namespace
}  // namespace tarrow
