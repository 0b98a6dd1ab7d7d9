#include "files/deal_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/deal_number.h"
#include "files/test_support.h"

namespace tarrow {
namespace {

std::vector<Deal> RandomDeals(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Deal> deals;
  for (int i = 0; i < count; ++i) {
    Deal deal;
    for (int c = 0; c < 52; ++c) deal.seatOf[size_t(c)] = Seat(c / 13);
    std::shuffle(deal.seatOf.begin(), deal.seatOf.end(), random);
    deal.valid = true;
    DeriveCounts(deal);
    deal.number = NumberFromDeal(deal);
    deals.push_back(deal);
  }
  return deals;
}

// Four 17-byte fields: suit byte, then the suit's rank letters.
std::string BreLine(const Deal& deal) {
  static constexpr char kSuitBytes[4] = {'\x06', '\x03', '\x04', '\x05'};
  std::string line;
  for (Seat seat : kSeats) {
    for (Suit suit : kSuits) {
      line += kSuitBytes[suit];
      line += HandSuitText(deal, seat, suit);
    }
  }
  return line;
}

std::string BerGroup(const Deal& deal) {
  std::string group;
  for (int c = 0; c < 52; ++c) group += char('1' + deal.seatOf[size_t(c)]);
  return group;
}

std::string BriDeal(const Deal& deal) {
  std::string text;
  for (Seat seat : {kNorth, kEast, kSouth}) {
    for (int c = 0; c < 52; ++c) {
      if (deal.seatOf[size_t(c)] != seat) continue;
      text += char('0' + (c + 1) / 10);
      text += char('0' + (c + 1) % 10);
    }
  }
  return text;
}

void ExpectDeals(const ImportBuffer& imported, const std::vector<Deal>& deals) {
  for (size_t i = 0; i < deals.size(); ++i) {
    SCOPED_TRACE(i + 1);
    ASSERT_TRUE(imported.deals[i].valid);
    EXPECT_EQ(imported.deals[i].seatOf, deals[i].seatOf);
    EXPECT_EQ(imported.deals[i].number, deals[i].number);
  }
}

TEST(BreTest, ReadsFromTheFirstSuitLineAndKeepsAnEmptyLastLine) {
  const std::vector<Deal> deals = RandomDeals(24, 1);
  std::string text = "Dealing machine export\r\n\r\n";
  for (const Deal& deal : deals) text += BreLine(deal) + "\r\n";
  text += "\r\n";
  const ImportBuffer imported = ParseBreText(text);
  ASSERT_EQ(imported.count, 25);
  ExpectDeals(imported, deals);
  EXPECT_FALSE(imported.deals[24].valid);
}

TEST(BreTest, JudgesEachLineOnItsOwn) {
  const std::vector<Deal> deals = RandomDeals(3, 2);
  std::string bad = BreLine(deals[1]);
  bad[20] = 'x';
  const std::string text = BreLine(deals[0]) + " trailing text is ignored\n" + bad + "\n" +
                           BreLine(deals[2]).substr(0, 67) + "\n" + BreLine(deals[2]) + "\n";
  const ImportBuffer imported = ParseBreText(text);
  ASSERT_EQ(imported.count, 4);
  EXPECT_EQ(imported.deals[0].seatOf, deals[0].seatOf);
  EXPECT_FALSE(imported.deals[1].valid);
  EXPECT_FALSE(imported.deals[2].valid);  // one byte short
  EXPECT_EQ(imported.deals[3].seatOf, deals[2].seatOf);
}

TEST(BreTest, TakesAtMostThirtySixDealsAndNoneWithoutAStartLine) {
  const std::vector<Deal> deals = RandomDeals(40, 3);
  std::string text;
  for (const Deal& deal : deals) text += BreLine(deal) + "\n";
  const ImportBuffer imported = ParseBreText(text);
  EXPECT_EQ(imported.count, 36);
  ExpectDeals(imported, std::vector<Deal>(deals.begin(), deals.begin() + 36));
  EXPECT_EQ(ParseBreText("no deals here\n\n" + BreLine(deals[0]).substr(1)).count, 0);
  EXPECT_EQ(ParseBreText("").count, 0);
}

TEST(BerTest, CutsTheFirstLineIntoGroupsOfFiftyTwo) {
  const std::vector<Deal> deals = RandomDeals(40, 4);
  std::string line;
  for (const Deal& deal : deals) line += BerGroup(deal);
  struct Row {
    size_t length;
    int count;
  };
  for (const Row row : {Row{1300, 25}, Row{1299, 24}, Row{1872, 36}, Row{2080, 36}, Row{51, 0}}) {
    SCOPED_TRACE(row.length);
    const ImportBuffer imported = ParseBerText(line.substr(0, row.length) + "\r\n" + line);
    EXPECT_EQ(imported.count, row.count);
    ExpectDeals(imported, std::vector<Deal>(deals.begin(), deals.begin() + row.count));
  }
}

TEST(BerTest, AWrongCharacterOrCountSpoilsOnlyItsDeal) {
  const std::vector<Deal> deals = RandomDeals(3, 5);
  std::string line = BerGroup(deals[0]) + BerGroup(deals[1]) + BerGroup(deals[2]);
  line[52 + 7] = '5';
  std::string uneven = BerGroup(deals[2]);
  uneven[uneven.find('1')] = '2';  // East 14 cards, North 12
  const ImportBuffer imported = ParseBerText(line + uneven);
  ASSERT_EQ(imported.count, 4);
  EXPECT_TRUE(imported.deals[0].valid);
  EXPECT_FALSE(imported.deals[1].valid);
  EXPECT_TRUE(imported.deals[2].valid);
  EXPECT_FALSE(imported.deals[3].valid);
}

TEST(BriTest, ReadsTwoDigitNumbersAndGivesWestTheRest) {
  const std::vector<Deal> deals = RandomDeals(24, 6);
  std::string text;
  for (const Deal& deal : deals) text += BriDeal(deal);
  ASSERT_EQ(text.size(), 78u * 24);
  // Line breaks anywhere and blanks at both ends do not count.
  std::string wrapped = "  ";
  for (size_t i = 0; i < text.size(); i += 100) wrapped += text.substr(i, 100) + "\r\n";
  wrapped += "   ";
  const ImportBuffer imported = ParseBriText(wrapped);
  ASSERT_EQ(imported.count, 24);
  ExpectDeals(imported, deals);
}

TEST(BriTest, StepsOverPairsThatAreNotTwoDigits) {
  const std::vector<Deal> deals = RandomDeals(2, 7);
  const std::string one = BriDeal(deals[0]);
  // "x " and "- " are skipped whole; the pairs stay aligned.
  const std::string text = one.substr(0, 10) + "x - " + one.substr(10) + BriDeal(deals[1]);
  const ImportBuffer imported = ParseBriText(text);
  ASSERT_EQ(imported.count, 2);
  ExpectDeals(imported, deals);
}

TEST(BriTest, BadNumbersAndShortTextsGiveInvalidDeals) {
  const std::vector<Deal> deals = RandomDeals(4, 8);
  std::string twice = BriDeal(deals[0]);
  twice.replace(2, 2, twice.substr(0, 2));
  std::string outside = BriDeal(deals[1]);
  outside.replace(4, 2, "53");
  std::string zero = BriDeal(deals[2]);
  zero.replace(6, 2, "00");
  const std::string cut = BriDeal(deals[3]).substr(0, 76);  // the last number missing
  const ImportBuffer imported = ParseBriText(twice + outside + zero + cut);
  ASSERT_EQ(imported.count, 4);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(imported.deals[size_t(i)].valid) << i;
  // A text that ends part way through a deal still counts that deal.
  EXPECT_EQ(ParseBriText(BriDeal(deals[0]) + "0102").count, 2);
  EXPECT_EQ(ParseBriText("   ").count, 0);
}

TEST(BriTest, TakesAtMostThirtySixDeals) {
  std::string text;
  for (const Deal& deal : RandomDeals(37, 9)) text += BriDeal(deal);
  EXPECT_EQ(ParseBriText(text).count, 36);
}

TEST(DealExtensionKindTest, KnowsTheFourExtensionsInAnyCase) {
  struct Row {
    const char* path;
    DealFileKind kind;
  };
  using enum DealFileKind;
  const Row rows[] = {{"a/set.pbn", kPbn}, {"SET.PBN", kPbn},     {"x.Ber", kBer},
                      {"x.bri", kBri},     {"x.BRE", kBre},       {"x.txt", kUnknown},
                      {"pbn", kUnknown},   {"x.pbn.bak", kUnknown}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(DealExtensionKind(row.path), row.kind);
  }
}

TEST(DealSetFromImportTest, MakesAnUnsavedSetOfTheImportedBoards) {
  const std::vector<Deal> deals = RandomDeals(3, 10);
  ImportBuffer imported;
  imported.deals[0] = deals[0];
  imported.deals[2] = deals[2];  // board 2 did not parse
  imported.count = 3;
  const DealSet set = DealSetFromImport(imported);
  EXPECT_EQ(set.PresentBoards(), 2);
  EXPECT_EQ(set.Board(1).number, deals[0].number);
  EXPECT_FALSE(set.Board(2).number.valid);
  EXPECT_EQ(set.DealOf(3).seatOf, deals[2].seatOf);
  EXPECT_EQ(set.DealOf(3).points[kNorth], deals[2].points[kNorth]);
  EXPECT_EQ(set.header.seed.str(), "None");
  EXPECT_EQ(set.setDigest, SetDigest{});
  EXPECT_TRUE(SetChangedSinceSave(set));
}

class DealFileTest : public testing::TempFolderTest {};

TEST_F(DealFileTest, ReadsFilesAndNamesOneThatCannotBeRead) {
  const std::vector<Deal> deals = RandomDeals(2, 11);
  const std::filesystem::path file = folder_ / "set.ber";
  { std::ofstream(file) << BerGroup(deals[0]) << BerGroup(deals[1]) << "\n"; }
  const Result<ImportBuffer> imported = ReadBerFile(file);
  ASSERT_TRUE(imported.ok()) << imported.message();
  ExpectDeals(*imported, deals);
  for (const auto reader : {ReadBreFile, ReadBerFile, ReadBriFile}) {
    const Result<ImportBuffer> missing = reader(folder_ / "missing.bre");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.message().find("missing.bre"), std::string::npos);
  }
}

}  // namespace
}  // namespace tarrow
