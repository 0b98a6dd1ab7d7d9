#include "files/pbn_writer.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/banner.h"
#include "files/test_support.h"

namespace tarrow {
namespace {

using testing::ExampleSet;
using testing::NumberOf;

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The lines of the board block (between empty lines) that holds `from`.
std::vector<std::string> BoardLines(const std::string& text, const std::string& from) {
  std::vector<std::string> lines;
  size_t at = text.find(from);
  if (at == std::string::npos) return lines;
  const size_t gap = text.rfind("\r\n\r\n", at);
  at = gap == std::string::npos ? 0 : gap + 4;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    if (end == at || end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

TEST(PbnTextTest, WritesTheExampleLineByLine) {
  const std::string expected = Lines({
      "[Event \"Pairs\"]",
      "[Site \"Hall\"]",
      "[Date \"2013.10.07\"]",
      "[Generator \"" + std::string(kProgramBanner) + "\"]",
      "[Application \"1abc\"]",
      "[Application \"2Set one\"]",
      "[Application \"32013-10-07 18:30:00\"]",
      "[Application \"4PC1\"]",
      "[Eventsponsor \"Club\"]",
      "[Board \"1\"]",
      "[Dealer \"N\"]",
      "[Vulnerable \"None\"]",
      "[Deal \"N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432\"]",
      "[OptimumScore \"NS 1520\"]",
      "[ParContract \"NS 7NT\"]",
      "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]",
      "N C 13",
      "N D 13",
      "N H 13",
      "N S 13",
      "N NT 13",
      "E C 0",
      "E D 0",
      "E H 0",
      "E S 0",
      "E NT 0",
      "S C 13",
      "S D 13",
      "S H 13",
      "S S 13",
      "S NT 13",
      "W C 0",
      "W D 0",
      "W H 0",
      "W S 0",
      "W NT 0",
      "",
      "[Event \"#\"]",
      "[Site \"#\"]",
      "[Date \"#\"]",
      "[Board \"2\"]",
      "[Dealer \"E\"]",
      "[Vulnerable \"NS\"]",
      "[Deal \"E:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432\"]",
      "",
  });
  EXPECT_EQ(PbnText(ExampleSet(), "PC1"), expected);
}

TEST(PbnTextTest, ShowsAQuestionMarkWhereTheSideWasNotAnalysed) {
  DealSet set = ExampleSet();
  BoardEntry& two = set.Board(2);
  two.table[size_t(DDIndex(kNorth, kNotrump))] = 9;
  two.table[size_t(DDIndex(kSouth, kNotrump))] = 8;
  two.table[size_t(DDIndex(kEast, kNotrump))] = 4;  // EW not analysed: must not show
  two.doneMask = {StrainBit(kNotrump), 0};
  const std::vector<std::string> lines = BoardLines(PbnText(set, ""), "[Board \"2\"]");
  ASSERT_EQ(lines.size(), 7u + 1 + 20);  // "#" lines, Board .. Deal, table, rows
  EXPECT_EQ(lines[7], "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]");
  int numeric = 0;
  for (size_t i = 8; i < lines.size(); ++i) numeric += lines[i].back() != '?';
  EXPECT_EQ(numeric, 2);
  EXPECT_EQ(lines[8], "N C ?");
  EXPECT_EQ(lines[12], "N NT 9");
  EXPECT_EQ(lines[13], "E C ?");
  EXPECT_EQ(lines[17], "E NT ?");
  EXPECT_EQ(lines[22], "S NT 8");
  EXPECT_EQ(Count(PbnText(set, ""), "OptimumScore"), 1u);  // board 1's only
}

TEST(PbnTextTest, WritesParOnlyForCompleteTablesFromTheBoardsDealerAndVulnerability) {
  DealSet set = ExampleSet();
  // Board 3 (South deals, East-West vulnerable): East-West make 4S, North-
  // South take nine tricks in hearts and save in 5H doubled for 300.
  BoardEntry& three = set.Board(3);
  three.number = set.Board(2).number;
  three.table.fill(6);
  const Strain spades = StrainOfSuit(kSpades), hearts = StrainOfSuit(kHearts);
  for (const Seat seat : {kEast, kWest}) three.table[size_t(DDIndex(seat, spades))] = 10;
  for (const Seat seat : {kNorth, kSouth}) three.table[size_t(DDIndex(seat, hearts))] = 9;
  three.doneMask = {kAllStrainsDone, kAllStrainsDone};
  std::vector<std::string> lines = BoardLines(PbnText(set, ""), "[Board \"3\"]");
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[7], "[OptimumScore \"NS -300\"]");
  EXPECT_EQ(lines[8], "[ParContract \"NS 5HX-2\"]");
  EXPECT_EQ(lines[9], "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]");
  // One strain short of complete: the table is written, the par is not.
  three.doneMask[1] = kAllStrainsDone & ~StrainBit(kNotrump);
  lines = BoardLines(PbnText(set, ""), "[Board \"3\"]");
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[7], "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]");
  EXPECT_EQ(Count(PbnText(set, ""), "ParContract"), 1u);  // board 1's only
}

TEST(PbnTextTest, WritesTricksWithoutPadding) {
  DealSet set = ExampleSet();
  BoardEntry& one = set.Board(1);
  const uint8_t westTricks[5] = {10, 11, 12, 13, 0};  // NT S H D C
  for (Strain strain : kStrains) {
    one.table[size_t(DDIndex(kWest, strain))] = westTricks[strain];
  }
  const std::vector<std::string> lines = BoardLines(PbnText(set, ""), "[Board \"1\"]");
  ASSERT_GE(lines.size(), 25u);
  const std::vector<std::string> west(lines.end() - 5, lines.end());
  EXPECT_EQ(west, (std::vector<std::string>{"W C 0", "W D 13", "W H 12", "W S 11", "W NT 10"}));
}

TEST(PbnTextTest, TheFirstPresentBoardCarriesTheHeader) {
  DealSet set;
  set.header.event = "Teams";
  set.Board(5).number = NumberOf(testing::kBoard1Deal);
  set.Board(7).number = NumberOf(testing::kBoard2Deal);
  const std::string text = PbnText(set, "host");
  EXPECT_EQ(text.rfind("[Event \"Teams\"]\r\n", 0), 0u);
  EXPECT_EQ(Count(text, "[Event "), 2u);
  EXPECT_EQ(Count(text, "[Application "), 4u);
  EXPECT_EQ(Count(text, "[Event \"#\"]"), 1u);
  const std::vector<std::string> five = BoardLines(text, "[Board \"5\"]");
  ASSERT_EQ(five.size(), 13u);
  EXPECT_EQ(five[10], "[Dealer \"N\"]");
  EXPECT_EQ(five[11], "[Vulnerable \"NS\"]");
  const std::vector<std::string> seven = BoardLines(text, "[Board \"7\"]");
  ASSERT_EQ(seven.size(), 7u);
  EXPECT_EQ(seven[0], "[Event \"#\"]");
  EXPECT_EQ(seven[4], "[Dealer \"S\"]");
  EXPECT_EQ(seven[5], "[Vulnerable \"All\"]");
  // The deal starts with the dealer, whatever the first seat of the source.
  EXPECT_EQ(seven[6].substr(0, 9), "[Deal \"S:");
  EXPECT_EQ(text.find("[Board \"1\"]"), std::string::npos);
}

TEST(PbnTextTest, AbsentBoardsLeaveNoTrace) {
  EXPECT_EQ(PbnText(DealSet{}, "host"), "");
  DealSet set;
  for (int n = 1; n <= 24; ++n) set.Board(n).number = NumberOf(testing::kBoard1Deal);
  const std::string text = PbnText(set, "host");
  EXPECT_EQ(Count(text, "[Board "), 24u);
  EXPECT_EQ(Count(text, "[Deal "), 24u);
  EXPECT_NE(text.find("[Board \"24\"]"), std::string::npos);
  EXPECT_EQ(text.find("[Board \"25\"]"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 5), "]\r\n\r\n");
}

TEST(PbnTextTest, EmptyHeaderFieldsGiveEmptyValues) {
  DealSet set;
  set.Board(1).number = NumberOf(testing::kBoard1Deal);
  const std::string text = PbnText(set, "");
  for (const char* line :
       {"[Event \"\"]\r\n", "[Site \"\"]\r\n", "[Application \"1\"]\r\n", "[Application \"2\"]\r\n",
        "[Application \"4\"]\r\n", "[Eventsponsor \"\"]\r\n"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(text.find(line), std::string::npos);
  }
}

TEST(PbnTextTest, EscapesQuotesAndBackslashesAndKeepsLinesWhole) {
  DealSet set = ExampleSet();
  set.header.event = "Say \"hi\" C:\\club";
  set.header.seed = "two\r\nlines";
  set.header.club = "Caf\xE9";  // Windows-1252 bytes go out as they are
  const std::string text = PbnText(set, "pc\"1");
  EXPECT_NE(text.find("[Event \"Say \\\"hi\\\" C:\\\\club\"]\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Application \"1two  lines\"]\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Application \"4pc\\\"1\"]\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Eventsponsor \"Caf\xE9\"]\r\n"), std::string::npos);
}

class WritePbnFileTest : public testing::TempFolderTest {};

TEST_F(WritePbnFileTest, WritesTheTextAndStoresTheDigest) {
  DealSet set = ExampleSet();
  const std::filesystem::path file = folder_ / "set.pbn";
  ASSERT_TRUE(WritePbnFile(set, testing::PermitFor(file), "PC1").ok());
  EXPECT_EQ(*ReadWholeFile(file), PbnText(set, "PC1"));
  EXPECT_EQ(set.setDigest, ComputeSetDigest(set));
  EXPECT_FALSE(SetChangedSinceSave(set));
}

TEST_F(WritePbnFileTest, AFailedWriteKeepsTheOldFileAndTheSetUnsaved) {
  DealSet set = ExampleSet();
  const std::filesystem::path file = folder_ / "set.pbn";
  ASSERT_TRUE(WritePbnFile(set, testing::PermitFor(file), "PC1").ok());
  const std::string old = *ReadWholeFile(file);
  set.header.event = "Changed";
  const SetDigest before = set.setDigest;

  // A file size limit makes the write fail even for root.
  const Status status = [&] {
    const testing::FileSizeLimit limit(64);
    return WritePbnFile(set, testing::PermitFor(file), "PC1");
  }();

  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find(file.string()), std::string::npos) << status.message();
  EXPECT_EQ(*ReadWholeFile(file), old);
  EXPECT_EQ(set.setDigest, before);
  EXPECT_TRUE(SetChangedSinceSave(set));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
}

TEST_F(WritePbnFileTest, AFolderInTheWayIsAnErrorNamingThePath) {
  DealSet set = ExampleSet();
  const std::filesystem::path blocked = folder_ / "blocked.pbn";
  std::filesystem::create_directories(blocked / "inside");
  const Status status = WritePbnFile(set, testing::PermitFor(blocked), "PC1");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("blocked.pbn"), std::string::npos);
  EXPECT_EQ(set.setDigest, SetDigest{});
  EXPECT_TRUE(std::filesystem::is_directory(blocked / "inside"));
}

}  // namespace
}  // namespace tarrow
