#include "files/deal_file_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "core/generation.h"
#include "core/pbn_deal.h"
#include "files/deal_files.h"

namespace tarrow {
namespace {

// Every suit split AKQJ / T98 / 765 / 432 among the seats, a different seat
// taking the top of each suit, so that every seat, suit and rank position
// shows in the bytes.
constexpr const char* kPatternDeal =
    "N:AKQJ.T98.765.432 T98.765.432.AKQJ 765.432.AKQJ.T98 432.AKQJ.T98.765";

DealSet SetOf(const char* pbnDeal) {
  DealSet set;
  const Result<Deal> deal = ParsePbnDeal(pbnDeal);
  EXPECT_TRUE(deal.ok()) << deal.message();
  if (deal.ok()) set.Board(1).number = deal->number;
  set.RefreshDeals();
  return set;
}

DealSet SeededSet(std::string_view seed) {
  DealSet set;
  GenerateSet(set, seed, 0);
  return set;
}

void ExpectSameDeal(const Deal& read, const Deal& written, int board) {
  SCOPED_TRACE("board " + std::to_string(board));
  ASSERT_TRUE(read.valid);
  EXPECT_EQ(read.seatOf, written.seatOf);
}

// Reads a .dup file back through the two readers whose forms it joins.
struct DupRecords {
  ImportBuffer bri, bre;
  std::vector<std::string> runData;
};
DupRecords ReadDup(const std::string& bytes) {
  DupRecords records;
  EXPECT_EQ(bytes.size() % 156, 0u);
  std::string bri, bre;
  for (size_t at = 0; at + 156 <= bytes.size(); at += 156) {
    bri += bytes.substr(at, 78);
    bre += bytes.substr(at + 78, 68) + "\r\n";
    records.runData.push_back(bytes.substr(at + 146, 10));
  }
  const Result<ImportBuffer> fromBri = ParseBriText(bri);
  const Result<ImportBuffer> fromBre = ParseBreText(bre);
  EXPECT_TRUE(fromBri.ok()) << fromBri.message();
  EXPECT_TRUE(fromBre.ok()) << fromBre.message();
  if (fromBri.ok()) records.bri = *fromBri;
  if (fromBre.ok()) records.bre = *fromBre;
  return records;
}

TEST(DealFileWriterTest, EveryFormatReadsBackBoardForBoard) {
  for (const char* seed : {"Tuesday pairs", "x", "Club night 2026-12-08", "\xC9t\xE9"}) {
    const DealSet set = SeededSet(seed);
    for (int lastBoard : {36, 17, 1}) {
      SCOPED_TRACE(std::string("seed ") + seed + ", boards 1.." + std::to_string(lastBoard));
      const struct {
        DealFileFormat format;
        Result<ImportBuffer> (*read)(std::string_view);
      } kReaders[] = {{DealFileFormat::kBri, ParseBriText},
                      {DealFileFormat::kBre, ParseBreText},
                      {DealFileFormat::kBer, ParseBerText},
                      {DealFileFormat::kDup, ParseDupText}};
      for (const auto& [format, read] : kReaders) {
        SCOPED_TRACE(std::string(DealFileFormatName(format)));
        const Result<std::string> bytes = DealFileBytes(set, format, lastBoard);
        ASSERT_TRUE(bytes.ok()) << bytes.message();
        const Result<ImportBuffer> back = read(*bytes);
        ASSERT_TRUE(back.ok()) << back.message();
        ASSERT_EQ(back->count, lastBoard);
        for (int board = 1; board <= lastBoard; ++board) {
          ExpectSameDeal(back->deals[size_t(board - 1)], set.DealOf(board), board);
        }
      }

      SCOPED_TRACE("dup");
      const Result<std::string> dup = DealFileBytes(set, DealFileFormat::kDup, lastBoard);
      ASSERT_TRUE(dup.ok()) << dup.message();
      ASSERT_EQ(dup->size(), size_t(156 * lastBoard));
      const DupRecords records = ReadDup(*dup);
      ASSERT_EQ(records.bri.count, lastBoard);
      ASSERT_EQ(records.bre.count, lastBoard);
      for (int board = 1; board <= lastBoard; ++board) {
        ExpectSameDeal(records.bri.deals[size_t(board - 1)], set.DealOf(board), board);
        ExpectSameDeal(records.bre.deals[size_t(board - 1)], set.DealOf(board), board);
        EXPECT_EQ(records.runData[size_t(board - 1)], DupRunData(1, 1, lastBoard));
      }
    }
  }
}

TEST(DealFileWriterTest, OneBoardHasTheLayoutByteForByte) {
  const DealSet set = SetOf(kPatternDeal);
  // North: spades AKQJ 01-04, hearts T98 18-20, diamonds 765 34-36, clubs 432 50-52.
  const std::string bri =
      "01020304181920343536505152"
      "05060721222337383940414243"
      "08091024252627282930444546";
  // The seat of the ace of spades first, the deuce of clubs last.
  const std::string ber =
      "1111222333444"
      "4444111222333"
      "3333444111222"
      "2222333444111";
  // A seat's field: the spade mark 06 and its ranks, hearts 03, diamonds 04, clubs 05.
  const auto field = [](std::string spades, std::string hearts, std::string diamonds,
                        std::string clubs) {
    return '\x06' + spades + '\x03' + hearts + '\x04' + diamonds + '\x05' + clubs;
  };
  const std::string bre = field("AKQJ", "T98", "765", "432") + field("T98", "765", "432", "AKQJ") +
                          field("765", "432", "AKQJ", "T98") + field("432", "AKQJ", "T98", "765");
  ASSERT_EQ(bre.size(), 68u);
  const struct {
    DealFileFormat format;
    std::string expected;
  } kCases[] = {
      {DealFileFormat::kBri, bri + std::string(32, ' ') + std::string(18, '\0')},
      {DealFileFormat::kBer, ber + "\r\n"},
      {DealFileFormat::kBre, bre + "\r\n"},
      {DealFileFormat::kDup, bri + bre + "YN1  1 1  "},
  };
  for (const auto& [format, expected] : kCases) {
    SCOPED_TRACE(std::string(DealFileFormatName(format)));
    const Result<std::string> bytes = DealFileBytes(set, format, 1);
    ASSERT_TRUE(bytes.ok()) << bytes.message();
    EXPECT_EQ(*bytes, expected);
  }
}

TEST(DealFileWriterTest, RunDataIsLeftAlignedAndPadded) {
  const struct {
    int lowest, copies, highest;
    const char* expected;
  } kCases[] = {
      {1, 1, 32, "YN1  1 32 "},  // the usual set of 32
      {1, 1, 36, "YN1  1 36 "},
      {1, 1, 9, "YN1  1 9  "},
      {10, 12, 999, "YN10 12999"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(DupRunData(c.lowest, c.copies, c.highest), c.expected);
  }
}

TEST(DealFileWriterTest, TheLastBoardLimitsEveryFormat) {
  const DealSet set = SeededSet("limits");
  for (DealFileFormat format :
       {DealFileFormat::kDup, DealFileFormat::kBri, DealFileFormat::kBre, DealFileFormat::kBer}) {
    SCOPED_TRACE(std::string(DealFileFormatName(format)));
    const Result<std::string> all = DealFileBytes(set, format, 36);
    const Result<std::string> some = DealFileBytes(set, format, 24);
    ASSERT_TRUE(all.ok() && some.ok());
    EXPECT_LT(some->size(), all->size());
    // 24 boards are not a prefix of 36 in .dup (the run data names the
    // highest board); in the others they are, line ends aside.
    if (format == DealFileFormat::kDup) {
      EXPECT_EQ(some->size(), 24u * 156u);
      EXPECT_EQ(some->substr(some->size() - 10), "YN1  1 24 ");
    } else if (format == DealFileFormat::kBer) {
      EXPECT_EQ(some->size(), 24u * 52u + 2u);
      EXPECT_EQ(some->substr(0, 24 * 52), all->substr(0, 24 * 52));
    } else {
      EXPECT_EQ(*some, all->substr(0, some->size()));
    }
  }
}

TEST(DealFileWriterTest, AnAbsentBoardOrABadRangeIsRefusedByName) {
  DealSet set = SeededSet("gaps");
  set.Board(7).number = DealNumber{};
  set.RefreshDeals();
  for (DealFileFormat format :
       {DealFileFormat::kDup, DealFileFormat::kBri, DealFileFormat::kBre, DealFileFormat::kBer}) {
    SCOPED_TRACE(std::string(DealFileFormatName(format)));
    const Result<std::string> refused = DealFileBytes(set, format, 36);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.message().find("board 7 "), std::string::npos) << refused.message();
    EXPECT_TRUE(DealFileBytes(set, format, 6).ok()) << "boards before the gap may go";
    for (int bad : {0, -1, 37}) {
      const Result<std::string> outside = DealFileBytes(set, format, bad);
      ASSERT_FALSE(outside.ok());
      EXPECT_NE(outside.message().find(std::to_string(bad)), std::string::npos);
    }
  }
}

TEST(DealFileWriterTest, LastPresentBoardIsTheHighestKnownDeal) {
  DealSet set;
  EXPECT_EQ(LastPresentBoard(set), 0);
  set = SeededSet("last");
  EXPECT_EQ(LastPresentBoard(set), 36);
  for (int board = 21; board <= 36; ++board) set.Board(board).number = DealNumber{};
  EXPECT_EQ(LastPresentBoard(set), 20);
  set.Board(5).number = DealNumber{};  // a gap below does not change it
  EXPECT_EQ(LastPresentBoard(set), 20);
}

TEST(DealFileWriterTest, FormatNamesAreReadInAnyCase) {
  const struct {
    const char* name;
    std::optional<DealFileFormat> format;
  } kCases[] = {
      {"dup", DealFileFormat::kDup},  {"BRI", DealFileFormat::kBri}, {".bre", DealFileFormat::kBre},
      {".Ber", DealFileFormat::kBer}, {"pbn", std::nullopt},         {"", std::nullopt},
      {"dupe", std::nullopt},         {"..dup", std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DealFileFormatFromName(c.name), c.format);
    if (c.format) {
      EXPECT_EQ(DealFileExtension(*c.format), "." + std::string(DealFileFormatName(*c.format)));
    }
  }
}

}  // namespace
}  // namespace tarrow
