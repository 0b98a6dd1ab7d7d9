#include "core/generation.h"

#include <gtest/gtest.h>

#include "core/deal_number.h"

namespace tarrow {
namespace {

TEST(GenerationTest, SeedAbcGivesTheKnownBoards) {
  struct Row {
    int board;
    const char* hex;
    const char* decimal;
    const char* deal;
  };
  const Row rows[] = {
      {1, "48DB1DE1 5ED13920 FC4FE771", " 22,547,816,567,610,173,465,337,784,177",
       "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83"},
      {2, "30271108 6F4049B5 EA4646A8", " 14,902,509,014,210,183,592,635,942,568",
       "E:KJ63.KT52.T93.86 7542.AQ764.KQ76. AQT9.98.A54.AQT4 8.J3.J82.KJ97532"},
      {18, "5388B169 7104BDEE 4788E433", " 25,852,507,530,558,668,795,915,330,611",
       "E:T8.AK75.AQ7.AJ74 763.Q6.T9853.953 .JT98432.K642.Q2 AKQJ9542..J.KT86"},
      {36, "5976AAAD AF4E9410 CE8C3BF3", " 27,687,625,127,035,246,755,286,105,075",
       "W:AK5.QT986.AT4.KT QT6.AKJ52.K98.A2 743.74.J76.J9753 J982.3.Q532.Q864"},
  };
  DealSet set;
  GenerateSet(set, "abc", 46000.5);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.board);
    const DealNumber n = set.Board(row.board).number;
    ASSERT_TRUE(n.valid);
    EXPECT_EQ(DealNumberHexText(n), row.hex);
    EXPECT_EQ(DealNumberDecimalText(n), row.decimal);
    EXPECT_EQ(PbnDealText(set.DealOf(row.board), BoardDealer(row.board)), row.deal);
  }
}

TEST(GenerationTest, BoardTextsSpellTheBoardNumber) {
  EXPECT_EQ(BoardHashText("abc", 1), "abcone");
  EXPECT_EQ(BoardHashText("abc", 18), "abceightteen");
  EXPECT_EQ(BoardHashText("abc", 21), "abctwenty-one");
  EXPECT_EQ(BoardHashText("abc", 36), "abcthirty-six");
}

TEST(GenerationTest, OnlyTheFirst79CharactersOfTheSeedCount) {
  const std::string seed79(79, 's');
  DealSet a, b;
  GenerateSet(a, seed79, 0);
  GenerateSet(b, seed79 + "and more", 0);
  EXPECT_EQ(b.header.seed.str(), seed79);
  for (int board = 1; board <= 36; ++board) EXPECT_EQ(a.Board(board).number, b.Board(board).number);
}

TEST(GenerationTest, CaseAndTrailingBlanksGiveUnrelatedSets) {
  const DealNumber base = SeededDealNumber("Club", 1);
  EXPECT_NE(SeededDealNumber("club", 1), base);
  EXPECT_NE(SeededDealNumber("Club ", 1), base);
}

TEST(GenerationTest, GeneratingClearsAnalysisAndSetsTheTime) {
  DealSet set;
  set.Board(5).table.fill(7);
  set.Board(5).doneMask = {31, 31};
  set.Board(5).solveTime[1][2] = 0.5f;
  GenerateSet(set, "x", 45000.25);
  EXPECT_EQ(set.header.generationTime, 45000.25);
  EXPECT_EQ(set.Board(5).doneMask[0] + set.Board(5).doneMask[1], 0);
  EXPECT_EQ(set.Board(5).table[3], 0);
  EXPECT_EQ(set.Board(5).solveTime[1][2], 0.0f);
  EXPECT_EQ(set.PresentBoards(), 36);
}

TEST(GenerationTest, ReduceDigestIsTheDigestModuloTotalDeals) {
  // Remainders worked out with arbitrary-precision integers.
  struct Row {
    Digest digest;
    uint128 remainder;
  };
  auto value = [](uint32_t h, uint32_t m, uint32_t l) {
    return (uint128(h) << 64) | (uint128(m) << 32) | l;
  };
  const Row rows[] = {
      {HashText("abc"), value(0x5544B0DAu, 0x70DDD2DEu, 0x96990080u)},
      {HashText(std::string(55, 'a')), value(0x5B99D215u, 0xFB5F1BEBu, 0x0643954Fu)},
      {HashText(std::string(119, 'x')), value(0x566EA9E7u, 0x1592BDC8u, 0xFD7661BBu)},
      {{0, 0, 0, 0, 0}, 0},
      {{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu},
       value(0x4B349A33u, 0x7164E64Au, 0x0DD8C5FFu)},
  };
  for (const Row& row : rows) {
    const DealNumber n = ReduceDigest(row.digest);
    EXPECT_TRUE(n.valid);
    EXPECT_EQ(NumberValue(n), row.remainder) << DealNumberHexText(n);
  }
}

TEST(GenerationTest, SeedsWithControlCharactersOrNothingAreRefused) {
  struct Row {
    std::string seed;
    const char* says;  // empty: accepted
  };
  const Row rows[] = {
      {"abc", ""},
      {"Club night 2026-12-08", ""},
      {"caf\xE9 \x80 ~", ""},  // Windows-1252 letters and signs are text
      {std::string(200, 'x'), ""},
      {"", "the seed is empty"},
      {"a\nb", "a line break at character 2"},
      {"a\r\nb", "a line break at character 2"},
      {"\tabc", "a tab at character 1"},
      {"abc\x7F", "the control character 0x7F at character 4"},
      {"ab\x1B[31m", "the control character 0x1B at character 3"},
      {std::string("a\0b", 3), "the control character 0x00 at character 2"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.seed));
    const Status checked = CheckSeedText(row.seed);
    if (*row.says == '\0') {
      EXPECT_TRUE(checked.ok()) << checked.message();
    } else {
      ASSERT_FALSE(checked.ok());
      EXPECT_NE(checked.message().find(row.says), std::string::npos) << checked.message();
    }
  }
  // Every byte below a blank, and DEL, is refused wherever it stands.
  for (int ch = 0; ch < 256; ++ch) {
    const std::string seed = std::string("seed") + char(ch) + "x";
    EXPECT_EQ(CheckSeedText(seed).ok(), ch >= 0x20 && ch != 0x7F) << "byte " << ch;
  }
}

}  // namespace
}  // namespace tarrow
