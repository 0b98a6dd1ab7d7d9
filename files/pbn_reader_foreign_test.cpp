// PBN files as other programs write them: byte-order marks, deals before
// their Board tags, tables in two forms, several events in one file, and the
// messages for what cannot be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/deal_number.h"
#include "core/pbn_deal.h"
#include "files/deal_files.h"
#include "files/pbn_reader.h"
#include "files/test_support.h"

namespace tarrow {
namespace {

using testing::kBoard1Deal;
using testing::kBoard2Deal;
using testing::NumberOf;

const DateTime kToday = DateFromCivil(2031, 6, 15);

constexpr const char* kOtherDeal =
    "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83";

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string Game(const std::string& event, int board, const char* deal) {
  return Lines({"[Event \"" + event + "\"]", "[Board \"" + std::to_string(board) + "\"]",
                "[Deal \"" + std::string(deal) + "\"]", ""});
}

Result<DealSet> Read(const std::string& text, LoadReport& report, std::string_view event = "") {
  return ParsePbnEvent(text, "club.pbn", event, report, kToday);
}

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& text : texts) {
    if (text.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(PbnForeignTest, AByteOrderMarkIsNoPartOfTheFirstLine) {
  LoadReport report;
  const Result<DealSet> set = Read("\xEF\xBB\xBF" + Game("Club night", 1, kBoard1Deal), report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->header.event.str(), "Club night");
  EXPECT_EQ(set->Board(1).number, NumberOf(kBoard1Deal));
}

TEST(PbnForeignTest, ADealBeforeItsBoardTagBelongsToItsOwnGame) {
  // Board 4's deal comes first in its game; it is board 4's, not board 3's.
  const std::string text = Game("Pairs", 3, kBoard1Deal) +
                           Lines({"[Event \"Pairs\"]", "[Deal \"" + std::string(kOtherDeal) + "\"]",
                                  "[Board \"4\"]", ""}) +
                           Game("Pairs", 5, kBoard2Deal);
  LoadReport report;
  const Result<DealSet> set = Read(text, report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->Board(3).number, NumberOf(kBoard1Deal));
  EXPECT_EQ(set->Board(4).number, NumberOf(kOtherDeal));
  EXPECT_EQ(set->Board(5).number, NumberOf(kBoard2Deal));
  // Games with no empty line between them are told apart too.
  const std::string packed = Lines({"[Board \"1\"]", "[Deal \"" + std::string(kBoard1Deal) + "\"]",
                                    "[Deal \"" + std::string(kOtherDeal) + "\"]", "[Board \"2\"]"});
  const Result<DealSet> close = Read(packed, report);
  ASSERT_TRUE(close.ok()) << close.message();
  EXPECT_EQ(close->Board(1).number, NumberOf(kBoard1Deal));
  EXPECT_EQ(close->Board(2).number, NumberOf(kOtherDeal));
}

TEST(PbnForeignTest, ATagLineWithoutAQuotedValueIsAWarningWithItsLine) {
  const std::string text = Lines(
      {"[Event Random Deal #]", "[Board \"1\"]", "[Deal\t\"" + std::string(kBoard1Deal) + "\"]"});
  LoadReport report;
  const Result<DealSet> set = Read(text, report);
  ASSERT_TRUE(set.ok()) << set.message();
  // The tab after "Deal" is read as the blank it stands for.
  EXPECT_EQ(set->Board(1).number, NumberOf(kBoard1Deal));
  EXPECT_TRUE(Contains(report.warnings,
                       "club.pbn line 1: the tag line \"[Event Random Deal #]\" "
                       "gives no value in double quotes; it is ignored"))
      << ::testing::PrintToString(report.warnings);
  EXPECT_FALSE(report.RewriteLosesNothing());
}

TEST(PbnForeignTest, AnUnknownDateStaysUnknown) {
  for (const char* date : {"?", "????.??.??"}) {
    SCOPED_TRACE(date);
    LoadReport report;
    const Result<DealSet> set = Read(
        Lines({"[Date \"" + std::string(date) + "\"]"}) + Game("Pairs", 1, kBoard1Deal), report);
    ASSERT_TRUE(set.ok()) << set.message();
    EXPECT_EQ(set->header.eventDate, 0);
  }
  // A file that gives no date at all still has today's.
  LoadReport report;
  EXPECT_EQ(Read(Game("Pairs", 1, kBoard1Deal), report)->header.eventDate, kToday);
}

// North and South take all 13 tricks of board 1 in every strain.
const std::vector<std::string> kBoard1Rows = {"N C 13", "N D 13", "N H 13", "N S 13", "N NT 13",
                                              "E C 0",  "E D 0",  "E H 0",  "E S 0",  "E NT 0",
                                              "S C 13", "S D 13", "S H 13", "S S 13", "S NT 13",
                                              "W C 0",  "W D 0",  "W H 0",  "W S 0",  "W NT 0"};

std::string Board1With(const std::string& doubleDummy, std::vector<std::string> rows) {
  std::vector<std::string> lines = {"[Board \"1\"]", "[Deal \"" + std::string(kBoard1Deal) + "\"]"};
  if (!doubleDummy.empty()) lines.push_back("[DoubleDummyTricks \"" + doubleDummy + "\"]");
  if (!rows.empty()) {
    lines.push_back("[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]");
    lines.insert(lines.end(), rows.begin(), rows.end());
  }
  return Lines(lines);
}

TEST(PbnForeignTest, DoubleDummyTricksAreReadAndCheckedAgainstTheTable) {
  // Declarers N, S, E, W; strains NT, S, H, D, C; hexadecimal tricks.
  const std::string tricks = "dddddddddd0000000000";
  LoadReport alone;
  const Result<DealSet> only = Read(Board1With(tricks, {}), alone);
  ASSERT_TRUE(only.ok()) << only.message();
  EXPECT_EQ(only->Board(1).table[size_t(DDIndex(kSouth, StrainOfSuit(kHearts)))], 13);
  EXPECT_EQ(only->Board(1).table[size_t(DDIndex(kWest, kNotrump))], 0);
  EXPECT_EQ(only->Board(1).doneMask[0], 31);
  EXPECT_EQ(only->Board(1).doneMask[1], 31);

  LoadReport agree;
  const Result<DealSet> both = Read(Board1With(tricks, kBoard1Rows), agree);
  ASSERT_TRUE(both.ok());
  EXPECT_EQ(both->Board(1).doneMask[0], 31);
  EXPECT_FALSE(Contains(agree.warnings, "DoubleDummyTricks"));

  // The table edited to 9 where the tricks say 13: neither is trusted.
  std::vector<std::string> edited = kBoard1Rows;
  edited[4] = "N NT 9";
  LoadReport report;
  const Result<DealSet> disagree = Read(Board1With(tricks, edited), report);
  ASSERT_TRUE(disagree.ok()) << disagree.message();
  EXPECT_EQ(disagree->Board(1).doneMask[0], 0);
  EXPECT_EQ(disagree->Board(1).doneMask[1], 0);
  EXPECT_TRUE(Contains(report.warnings,
                       "club.pbn line 9: board 1: the trick table says N NT 9, its "
                       "DoubleDummyTricks (line 3) 13; neither is used: analysing the set solves "
                       "the board"))
      << ::testing::PrintToString(report.warnings);
  EXPECT_FALSE(report.RewriteLosesNothing());

  LoadReport bad;
  ASSERT_TRUE(Read(Board1With("dddd", kBoard1Rows), bad).ok());
  EXPECT_TRUE(Contains(bad.warnings,
                       "board 1: the DoubleDummyTricks value \"dddd\" is not 20 "
                       "hexadecimal digits 0..d; it is left out"));
}

TEST(PbnForeignTest, SeveralEventsOpenTheFirstAndLetTheUserChoose) {
  const std::string text = Game("Monday", 1, kBoard1Deal) + Game("Monday", 2, kBoard2Deal) +
                           Game("Tuesday", 1, kOtherDeal) + Game("Tuesday", 2, kBoard1Deal);
  LoadReport report;
  const Result<DealSet> first = Read(text, report);
  ASSERT_TRUE(first.ok()) << first.message();
  EXPECT_EQ(first->header.event.str(), "Monday");
  EXPECT_EQ(first->Board(1).number, NumberOf(kBoard1Deal));
  EXPECT_EQ(report.events, (std::vector<std::string>{"Monday", "Tuesday"}));
  EXPECT_EQ(report.eventLoaded, 1);
  EXPECT_TRUE(Contains(report.warnings,
                       "club.pbn holds 2 events: 1 \"Monday\" (boards 1-2, from line 1), "
                       "2 \"Tuesday\" (boards 1-2, from line 9); event 1 is loaded"))
      << ::testing::PrintToString(report.warnings);
  EXPECT_FALSE(report.RewriteLosesNothing());

  for (const char* choice : {"2", "Tuesday", "tuesday"}) {
    SCOPED_TRACE(choice);
    LoadReport second;
    const Result<DealSet> set = Read(text, second, choice);
    ASSERT_TRUE(set.ok()) << set.message();
    EXPECT_EQ(set->header.event.str(), "Tuesday");
    EXPECT_EQ(set->Board(1).number, NumberOf(kOtherDeal));
    EXPECT_EQ(set->Board(2).number, NumberOf(kBoard1Deal));
    EXPECT_EQ(second.eventLoaded, 2);
  }
  LoadReport none;
  const Result<DealSet> missing = Read(text, none, "3");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.message(),
            "cannot load club.pbn: it holds no event \"3\"; its events are 1 \"Monday\" "
            "(boards 1-2, from line 1), 2 \"Tuesday\" (boards 1-2, from line 9)");
  // A second deal of a board without an Event tag in its game is still an error.
  const std::string damaged =
      Game("Monday", 1, kBoard1Deal) +
      Lines({"[Board \"1\"]", "[Deal \"" + std::string(kOtherDeal) + "\"]"});
  EXPECT_FALSE(Read(damaged, none).ok());
}

TEST(PbnForeignTest, WhatCannotBeReadIsNamedByItsCause) {
  struct Row {
    const char* name;
    std::string text;
    std::string message;
  };
  std::string utf16 = "\xFF\xFE";
  for (char ch : Game("Pairs", 1, kBoard1Deal)) utf16 += std::string(1, ch) + '\0';
  std::string later;
  for (int n = 37; n <= 72; ++n) later += Game("Pairs", n, kBoard1Deal);
  const Row rows[] = {
      {"UTF-16", utf16,
       "cannot load club.pbn: it is UTF-16 text; save it as UTF-8 or ANSI (Windows-1252) text, as "
       "most editors offer under Save As, and load it again"},
      {"UTF-16 without a mark", utf16.substr(2),
       "cannot load club.pbn: it is UTF-16 text; save it as UTF-8 or ANSI (Windows-1252) text, as "
       "most editors offer under Save As, and load it again"},
      {"boards 37-72", later,
       "cannot load club.pbn: its boards are numbered 37-72, and a set holds boards 1 to 36; "
       "number them from 1 (a file of several events numbered on from each other: save each "
       "event as a file of its own)"},
      {"a '-' void",
       Game("Pairs", 1, "N:AKQJ.-.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432"),
       "club.pbn line 3: board 1: '-' at position 8 of the deal is not understood: a void is "
       "written as nothing between the dots, as in \"AKQ..AKQ32.AK543\" (no hearts)"},
      {"three hands", Game("Pairs", 1, "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 -"),
       "club.pbn line 3: board 1: the deal gives three hands, and a set needs all four: write "
       "West's as well, the cards not named (2.5432.5432.5432), in its place among the four "
       "hands"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LoadReport report;
    const Result<DealSet> set = Read(row.text, report);
    ASSERT_FALSE(set.ok());
    EXPECT_EQ(set.message(), row.message);
  }
}

}  // namespace
}  // namespace tarrow

namespace tarrow {
namespace {

// The files of testdata/foreign, laid out as machines and other programs
// write them (scripts/make-foreign-testdata.sh made them from one set).
std::string Corpus(const char* name) {
  return std::string(TARROW_FILES_TESTDATA) + "/foreign/" + name;
}

TEST(ForeignCorpusTest, EveryDealFileGivesTheSameBoardsAsThePbnFile) {
  LoadReport report;
  const Result<DealSet> pbn = ReadPbnFile(Corpus("bom.pbn"), report, kToday);
  ASSERT_TRUE(pbn.ok()) << pbn.message();
  EXPECT_EQ(pbn->header.event.str(), "Monday");  // the mark is no part of line 1
  const Result<DealSet> moved = ReadPbnFile(Corpus("deal_before_board.pbn"), report, kToday);
  ASSERT_TRUE(moved.ok()) << moved.message();
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(moved->Board(n).number, pbn->Board(n).number) << n;

  const struct {
    const char* file;
    int boards;
  } kFiles[] = {{"record128.bri", 24}, {"run1-24.dup", 24}, {"linebreaks.ber", 36}};
  for (const auto& [file, boards] : kFiles) {
    SCOPED_TRACE(file);
    LoadReport read;
    const Result<ImportBuffer> deals = ReadDealFile(Corpus(file), read);
    ASSERT_TRUE(deals.ok()) << deals.message();
    ASSERT_EQ(deals->count, boards);
    const DealSet set = DealSetFromImport(*deals);
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(set.Board(n).number, pbn->Board(n).number) << n;
  }
}

TEST(ForeignCorpusTest, TwoEventsAndATableUnlikeItsTricksAreToldAndChosen) {
  LoadReport report;
  const Result<DealSet> monday = ReadPbnEvent(Corpus("two_events.pbn"), "", report, kToday);
  ASSERT_TRUE(monday.ok()) << monday.message();
  EXPECT_EQ(report.events, (std::vector<std::string>{"Monday", "Tuesday"}));
  LoadReport other;
  const Result<DealSet> tuesday = ReadPbnEvent(Corpus("two_events.pbn"), "Tuesday", other, kToday);
  ASSERT_TRUE(tuesday.ok()) << tuesday.message();
  EXPECT_EQ(tuesday->header.eventDate, DateFromCivil(2026, 12, 10));
  EXPECT_FALSE(tuesday->Board(1).number == monday->Board(1).number);

  LoadReport checked;
  const Result<DealSet> tables = ReadPbnFile(Corpus("table_vs_ddt.pbn"), checked, kToday);
  ASSERT_TRUE(tables.ok()) << tables.message();
  EXPECT_EQ(tables->Board(1).doneMask[0], 31);  // its table and its tricks agree
  EXPECT_EQ(tables->Board(2).doneMask[0], 0);   // they do not: the solver decides
  EXPECT_TRUE(Contains(checked.warnings, "board 2: the trick table says N NT"))
      << ::testing::PrintToString(checked.warnings);
}

TEST(ForeignCorpusTest, AResultsFileLoadsItsDealsAndKeepsNothingItCannotWriteBack) {
  LoadReport report;
  const Result<DealSet> set = ReadPbnFile(Corpus("results.pbn"), report, kToday);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->PresentBoards(), 2);
  EXPECT_EQ(set->header.event.str(), "Monday Pairs");
  EXPECT_FALSE(report.RewriteLosesNothing());
}

}  // namespace
}  // namespace tarrow
