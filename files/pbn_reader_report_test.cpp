// What the PBN reader tells the user and what it says the set cannot keep:
// strict on deals and board numbers, lenient on the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "core/deal_number.h"
#include "core/pbn_deal.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"
#include "files/test_support.h"
#include "scoring/par.h"

namespace tarrow {
namespace {

using testing::kBoard1Deal;
using testing::NumberOf;

const DateTime kToday = DateFromCivil(2031, 6, 15);

constexpr const char* kOtherDeal =
    "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83";

std::string Lines(const std::vector<std::string>& lines, const char* end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

std::string DealTag(const char* deal) {
  return "[Deal \"" + std::string(deal) + "\"]";
}

// A deal of its own for every board, so that sets differ board by board.
DealNumber NumberForBoard(int n) {
  Deal deal;
  for (int c = 0; c < kCards; ++c) deal.seatOf[size_t(c)] = Seat((c + n * (c % 5 + 1)) % 4);
  // Even out the hands: move surplus cards to the seats that are short.
  int held[4] = {0, 0, 0, 0};
  for (const Seat seat : deal.seatOf) ++held[seat];
  for (int c = 0; c < kCards; ++c) {
    const Seat from = deal.seatOf[size_t(c)];
    if (held[from] <= 13) continue;
    for (Seat to : kSeats) {
      if (held[to] < 13) {
        deal.seatOf[size_t(c)] = to;
        --held[from];
        ++held[to];
        break;
      }
    }
  }
  deal.valid = true;
  return NumberFromDeal(deal);
}

// All 36 boards; `analysed` says per board which strains each side knows.
DealSet FullSet(uint8_t (*analysed)(int board, int side)) {
  DealSet set = testing::ExampleSet();
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    BoardEntry& board = set.Board(n);
    board.number = NumberForBoard(n);
    for (int side = 0; side < 2; ++side) board.doneMask[size_t(side)] = analysed(n, side);
    for (Seat declarer : kSeats) {
      for (Strain strain : kStrains) {
        board.table[size_t(DDIndex(declarer, strain))] =
            board.Analysed(SideOf(declarer), strain) ? uint8_t((n + declarer * 3 + strain) % 14)
                                                     : 0;
      }
    }
  }
  set.RefreshDeals();
  return set;
}

Result<DealSet> Read(const std::string& text, LoadReport& report) {
  return ParsePbnText(text, "club.pbn", report, kToday);
}

std::string Lowered(std::string text) {
  for (char& ch : text) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
  return std::any_of(texts.begin(), texts.end(),
                     [&](const std::string& text) { return text.find(part) != std::string::npos; });
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& text : texts) all += text + "\n";
  return all;
}

TEST(PbnReportTest, WhatTheProgramWroteLoadsWithNothingToSayAndNothingLost) {
  struct Row {
    const char* name;
    uint8_t (*analysed)(int board, int side);
  };
  const Row rows[] = {
      {"fully analysed", [](int, int) -> uint8_t { return kAllStrainsDone; }},
      {"partly analysed",
       [](int n, int side) -> uint8_t {
         return n % 3 == 0 ? 0 : uint8_t((n * 7 + side * 11) % 32);
       }},
      {"not analysed", [](int, int) -> uint8_t { return 0; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const DealSet set = FullSet(row.analysed);
    LoadReport report;
    const Result<DealSet> back = Read(PbnText(set, "PC1"), report);
    ASSERT_TRUE(back.ok()) << back.message();
    EXPECT_TRUE(report.warnings.empty()) << Joined(report.warnings);
    EXPECT_TRUE(report.RewriteLosesNothing()) << Joined(report.notKept);
    for (int n = 1; n <= kBoardsPerSet; ++n) {
      EXPECT_EQ(back->Board(n).doneMask, set.Board(n).doneMask) << n;
      EXPECT_EQ(back->Board(n).table, set.Board(n).table) << n;
    }
  }
}

TEST(PbnReportTest, BoardTagsThatDoNotReadAreErrors) {
  // Read leniently, board 7's deal would overwrite board 6.
  for (const char* value : {"7 ", " 7", "x", "", "7a", "-7", "+7", "0", "007b"}) {
    SCOPED_TRACE(value);
    const std::string text = Lines({"[Board \"6\"]", DealTag(kBoard1Deal), "",
                                    "[Board \"" + std::string(value) + "\"]", DealTag(kOtherDeal)});
    LoadReport report;
    const Result<DealSet> set = Read(text, report);
    ASSERT_FALSE(set.ok());
    EXPECT_EQ(
        set.message().rfind("club.pbn line 4: the Board value \"" + std::string(value) + "\"", 0),
        0u)
        << set.message();
  }
  // Leading zeros are still a number.
  LoadReport report;
  const Result<DealSet> set = Read(Lines({"[Board \"007\"]", DealTag(kBoard1Deal)}), report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->Board(7).number, NumberOf(kBoard1Deal));
}

TEST(PbnReportTest, ADealInAGameWithoutABoardOrATableBeforeAnyBoardIsAnError) {
  struct Row {
    std::vector<std::string> lines;
    const char* message;
  };
  const Row rows[] = {
      {{"[Event \"Pairs\"]", DealTag(kBoard1Deal), "", "[Board \"1\"]", DealTag(kBoard1Deal)},
       "club.pbn line 2: a Deal tag in a game without a Board tag"},
      {{"[Board \"1\"]", DealTag(kBoard1Deal), "", "[Event \"Pairs\"]", DealTag(kOtherDeal)},
       "club.pbn line 5: a Deal tag in a game without a Board tag"},
      {{"[OptimumResultTable \"x\"]", "N C 3", "[Board \"1\"]", DealTag(kBoard1Deal)},
       "club.pbn line 1: a trick table before any Board tag"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    LoadReport report;
    const Result<DealSet> set = Read(Lines(row.lines), report);
    ASSERT_FALSE(set.ok());
    EXPECT_EQ(set.message(), row.message);
  }
}

// Debian's `dealer` with "produce 40" and "action printpbn": boards 1-40 with
// the players, contract and result left open, and its statistics at the end.
TEST(PbnReportTest, AFortyBoardFileFromDealerLoadsItsFirstThirtySix) {
  const std::string path = std::string(TARROW_FILES_TESTDATA) + "/dealer_40.pbn";
  LoadReport report;
  const Result<DealSet> set = ReadPbnFile(path, report, kToday);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->PresentBoards(), 36);
  EXPECT_EQ(set->Board(1).number,
            NumberOf("N:JT52.A3.KQJT83.T K93.K764.A76.762 8764.952.54.AQ84 AQ.QJT8.92.KJ953"));
  EXPECT_EQ(set->header.eventDate, DateFromCivil(2026, 12, 8));
  EXPECT_EQ(report.warnings,
            std::vector<std::string>{path + ": boards 37-40 ignored: a set holds 36"});
  EXPECT_EQ(report.notKept,
            (std::vector<std::string>{
                "tags the set has no place for: West, North, East, South, Declarer, Contract, ... "
                "(first on line 5, 280 in all)",
                "boards past the 36 a set holds: boards 37-40 (line 544)",
                "lines that are neither tag nor table row (first on line 601, 4 in all)",
            }));
  EXPECT_FALSE(report.RewriteLosesNothing());
}

TEST(PbnReportTest, EverythingTheSetCannotKeepIsListedOncePerKind) {
  const std::string text = Lines({
      "% PBN 2.1",
      "% EXPORT",
      "%Content-type: text/x-pbn; charset=ISO-8859-1",
      "[Event \"Pairs\"] ; the club night",
      "{ A commentary over",
      "  two lines [Board \"9\"] }",
      "[Board \"1\"]",
      "[Deal \"" + std::string(kBoard1Deal) + "\"]",
      "[Declarer \"S\"]",
      "[Contract \"7NT\"]",
      "[Auction \"N\"]",
      "2C Pass 2D Pass",
      "7NT AP",
      "[Play \"W\"]",
      "C2 C3 CA C4",
      "[Note \"1:strong\"]",
      "{end}",
      "",
      "[Board \"2\"]",
      "[Deal \"" + std::string(kOtherDeal) + "\"]",
      "[Auction \"E\"]",
      "Pass Pass Pass Pass",
  });
  LoadReport report;
  const Result<DealSet> set = Read(text, report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_FALSE(set->Board(9).number.valid) << "a tag inside commentary is no tag";
  EXPECT_EQ(set->header.event.str(), "Pairs");
  EXPECT_EQ(report.notKept,
            (std::vector<std::string>{
                "remarks starting with % (line 3)",
                "commentary (first on line 4, 4 in all)",
                "tags the set has no place for: Declarer, Contract, Auction, Play, Note "
                "(first on line 9, 6 in all)",
                "the Auction sections (first on line 12, 3 in all)",
                "the Play sections (line 15)",
            }));
}

TEST(PbnReportTest, MetadataThatDoesNotReadIsAWarningAndTheLoadGoesOn) {
  struct Row {
    const char* line;
    const char* warning;
  };
  const Row rows[] = {
      {"[Date \"0000.00.00\"]",
       "club.pbn line 3: the date \"0000.00.00\" is not a possible date; the event date is "
       "today's"},
      {"[Date \"2013.13.07\"]",
       "club.pbn line 3: the date \"2013.13.07\" is not a possible date; the event date is "
       "today's"},
      {"[Date \"32/01/2013\"]",
       "club.pbn line 3: the date \"32/01/2013\" is not a possible date; the event date is "
       "today's"},
      {"[Application \"3yesterday\"]",
       "club.pbn line 3: the generation time \"yesterday\" is not a date and time; it is left "
       "empty"},
      {"[Application \"32013-10-07 25:00:00\"]",
       "club.pbn line 3: the generation time \"2013-10-07 25:00:00\" is not a date and time; it is "
       "left empty"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::string text = Lines({"[Board \"1\"]", DealTag(kBoard1Deal), row.line,
                                    "[Application \"32013-10-07 18:30:00\"]", "[Event \"after\"]"});
    LoadReport report;
    const Result<DealSet> set = Read(text, report);
    ASSERT_TRUE(set.ok()) << set.message();
    ASSERT_FALSE(report.warnings.empty());
    EXPECT_EQ(report.warnings.front(), row.warning);
    EXPECT_EQ(set->header.event.str(), "after") << "lines after it are read";
    EXPECT_EQ(set->header.eventDate, kToday);
    EXPECT_EQ(set->Board(1).number, NumberOf(kBoard1Deal));
    EXPECT_FALSE(report.RewriteLosesNothing()) << "a rewrite would not say the same";
  }
  LoadReport report;
  const Result<DealSet> set =
      Read(Lines({"[Board \"1\"]", DealTag(kBoard1Deal), "[Application \"3never\"]"}), report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->header.generationTime, 0);
}

TEST(PbnReportTest, DealerAndVulnerableAreComparedByMeaning) {
  struct Row {
    int board;
    const char* dealer;
    const char* vulnerable;
    const char* warning;  // "" when they agree with the board number
  };
  const Row rows[] = {
      {1, "N", "None", ""},
      {1, "n", "Love", ""},
      {1, "N", "-", ""},
      {4, "W", "Both", ""},
      {4, "W", "all", ""},
      {2, "E", "ns", ""},
      {1, "N", "Both",
       "club.pbn line 4: board 1: the file says Vulnerable \"Both\", but board 1 is \"None\"; the "
       "board number decides"},
      {1, "E", "None",
       "club.pbn line 3: board 1: the file says Dealer \"E\", but board 1 is \"N\"; the board "
       "number decides"},
      {3, "S", "NS",
       "club.pbn line 4: board 3: the file says Vulnerable \"NS\", but board 3 is \"EW\"; the "
       "board "
       "number decides"},
      {1, "N", "yes",
       "club.pbn line 4: board 1: the file says Vulnerable \"yes\", but board 1 is \"None\"; the "
       "board number decides"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.board) + " " + row.dealer + " " + row.vulnerable);
    const std::string text =
        Lines({"[Board \"" + std::to_string(row.board) + "\"]", DealTag(kBoard1Deal),
               "[Dealer \"" + std::string(row.dealer) + "\"]",
               "[Vulnerable \"" + std::string(row.vulnerable) + "\"]"});
    LoadReport report;
    const Result<DealSet> set = Read(text, report);
    ASSERT_TRUE(set.ok()) << set.message();
    const std::string expected = row.warning;
    EXPECT_EQ(Contains(report.warnings, "the file says"), !expected.empty())
        << Joined(report.warnings);
    if (!expected.empty()) {
      EXPECT_TRUE(Contains(report.warnings, expected)) << Joined(report.warnings);
      EXPECT_TRUE(Contains(report.notKept, "Dealer or Vulnerable values that differ"));
    } else {
      EXPECT_TRUE(report.RewriteLosesNothing()) << Joined(report.notKept);
    }
  }
}

TEST(PbnReportTest, DealerAndVulnerableBeforeTheirBoardTagAreCheckedAgainstIt) {
  // The second game names its vulnerability before its board number.
  const std::string text = Lines({"[Board \"1\"]", DealTag(kBoard1Deal), "", "[Vulnerable \"NS\"]",
                                  "[Board \"2\"]", DealTag(kOtherDeal)});
  LoadReport report;
  const Result<DealSet> set = Read(text, report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_FALSE(Contains(report.warnings, "the file says")) << Joined(report.warnings);
}

TEST(PbnReportTest, AShortTableKnowsOnlyStrainsBothSeatsGiveAndTheTagAfterItIsRead) {
  // Board 1's table has North's and East's rows only; board 2 follows at once.
  std::vector<std::string> lines = {"[Board \"1\"]", DealTag(kBoard1Deal),
                                    "[OptimumResultTable \"x\"]"};
  for (const char* declarer : {"N", "E"}) {
    for (const char* strain : {"C", "D", "H", "S", "NT"})
      lines.push_back(std::string(declarer) + " " + strain + " 7");
  }
  lines.push_back("[Board \"2\"]");
  lines.push_back(DealTag(kOtherDeal));
  lines.push_back("[OptimumResultTable \"x\"]");
  lines.push_back("N NT 9");
  lines.push_back("S NT 9");  // the file ends in the table
  LoadReport report;
  const Result<DealSet> set = Read(Lines(lines), report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->Board(1).doneMask, (std::array<uint8_t, 2>{0, 0}));
  EXPECT_EQ(set->Board(1).table, DDTable{}) << "South and West are not known to take 0 tricks";
  EXPECT_EQ(set->Board(2).number, NumberOf(kOtherDeal)) << "the Board tag ending the table is read";
  EXPECT_EQ(set->Board(2).doneMask, (std::array<uint8_t, 2>{StrainBit(kNotrump), 0}));
  EXPECT_EQ(set->Board(2).table[size_t(DDIndex(kSouth, kNotrump))], 9);
  EXPECT_TRUE(Contains(report.warnings,
                       "club.pbn line 14: board 1: the trick table holds 10 of its 20 rows"))
      << Joined(report.warnings);
  EXPECT_TRUE(Contains(report.warnings, "board 2: the trick table holds 2 of its 20 rows"))
      << Joined(report.warnings);
  EXPECT_TRUE(Contains(
      report.notKept,
      "table rows whose partner's row gives no number: board 1 (first on line 4, 10 in all)"))
      << Joined(report.notKept);
}

TEST(PbnReportTest, ContradictingRowsKeepTheFirstAndSaySo) {
  const std::string text =
      Lines({"[Board \"1\"]", DealTag(kBoard1Deal), "[OptimumResultTable \"x\"]", "N S 10",
             "S S 10", "", "[Board \"1\"]", "[OptimumResultTable \"x\"]", "N S 9", "S S 10"});
  LoadReport report;
  const Result<DealSet> set = Read(text, report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->Board(1).table[size_t(DDIndex(kNorth, StrainOfSuit(kSpades)))], 10);
  EXPECT_TRUE(Contains(report.warnings,
                       "club.pbn line 9: board 1: the table row \"N S 9\" differs from line 4"))
      << Joined(report.warnings);
  EXPECT_TRUE(Contains(report.notKept, "table rows that contradict an earlier row"));
}

TEST(PbnReportTest, AParUnlikeTheTablesIsNotKeptButTheProgramsOwnIs) {
  DealSet set = FullSet([](int, int) -> uint8_t { return kAllStrainsDone; });
  const std::string own = PbnText(set, "PC1");
  const ParResult par = Par(set.Board(1).table, BoardDealer(1), BoardVulnerability(1));
  const std::string ownScore = "[OptimumScore \"" + OptimumScoreTagValue(par) + "\"]";
  const std::string ownContracts = "[ParContract \"" + ParContractsText(par) + "\"]";
  ASSERT_NE(own.find(ownScore), std::string::npos);
  struct Row {
    std::string from, to;
    bool kept;
  };
  const Row rows[] = {
      {ownScore, ownScore, true},
      // The same par in another program's words.
      {ownContracts, "[ParContract \"" + Lowered(ParContractsText(par)) + "\"]", true},
      {ownScore, par.score == 100 ? "[OptimumScore \"NS 110\"]" : "[OptimumScore \"NS 100\"]",
       false},
      {ownContracts, "[ParContract \"4 spades by North\"]", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.to);
    std::string text = own;
    text.replace(text.find(row.from), row.from.size(), row.to);
    LoadReport report;
    const Result<DealSet> back = Read(text, report);
    ASSERT_TRUE(back.ok()) << back.message();
    EXPECT_EQ(report.RewriteLosesNothing(), row.kept) << Joined(report.notKept);
  }
  // A par under a table the writer would not complete is lost in a rewrite.
  const std::string partial =
      Lines({"[Board \"1\"]", DealTag(kBoard1Deal), "[OptimumScore \"NS 1520\"]",
             "[OptimumResultTable \"x\"]", "N NT 13", "S NT 13"});
  LoadReport report;
  ASSERT_TRUE(Read(partial, report).ok());
  EXPECT_TRUE(Contains(
      report.notKept,
      "OptimumScore or ParContract values unlike the par the table gives: board 1 (line 3)"))
      << Joined(report.notKept);
}

TEST(PbnReportTest, FewerThanThirtySixBoardsIsAWarningNamingTheCount) {
  std::vector<std::string> lines;
  for (int n : {1, 2, 3, 4, 5, 6, 9}) {
    lines.push_back("[Board \"" + std::to_string(n) + "\"]");
    lines.push_back(DealTag(kBoard1Deal));
  }
  LoadReport report;
  const Result<DealSet> set = Read(Lines(lines), report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(report.warnings, std::vector<std::string>{"club.pbn: 7 of 36 boards (1-6, 9)"});
  EXPECT_TRUE(report.RewriteLosesNothing()) << "absent boards are nothing lost";
}

TEST(PbnReportTest, ReadsOldMacLineEndsAsTheOthers) {
  const DealSet set = FullSet([](int n, int) -> uint8_t { return n % 2 ? kAllStrainsDone : 0; });
  std::string crOnly = PbnText(set, "PC1");
  crOnly.erase(std::remove(crOnly.begin(), crOnly.end(), '\n'), crOnly.end());
  std::string lfOnly = PbnText(set, "PC1");
  lfOnly.erase(std::remove(lfOnly.begin(), lfOnly.end(), '\r'), lfOnly.end());
  for (const std::string& text : {crOnly, lfOnly}) {
    LoadReport report;
    const Result<DealSet> back = Read(text, report);
    ASSERT_TRUE(back.ok()) << back.message();
    for (int n = 1; n <= kBoardsPerSet; ++n) {
      EXPECT_EQ(back->Board(n).number, set.Board(n).number) << n;
      EXPECT_EQ(back->Board(n).table, set.Board(n).table) << n;
      EXPECT_EQ(back->Board(n).doneMask, set.Board(n).doneMask) << n;
    }
    EXPECT_TRUE(report.warnings.empty() && report.notKept.empty()) << Joined(report.notKept);
  }
}

TEST(PbnReportTest, AnOpenCommentaryHidingTagsIsAnErrorOtherwiseAWarning) {
  LoadReport report;
  const Result<DealSet> hiding =
      Read(Lines({"[Board \"1\"]", DealTag(kBoard1Deal), "{ never closed", "[Board \"2\"]",
                  DealTag(kOtherDeal)}),
           report);
  ASSERT_FALSE(hiding.ok());
  EXPECT_EQ(
      hiding.message(),
      "club.pbn line 3: the commentary \"{\" opened here is never closed, and tags follow it");
  const Result<DealSet> trailing =
      Read(Lines({"[Board \"1\"]", DealTag(kBoard1Deal), "{ never closed", "just words"}), report);
  ASSERT_TRUE(trailing.ok()) << trailing.message();
  EXPECT_TRUE(Contains(report.warnings,
                       "club.pbn line 3: the commentary \"{\" opened here is never closed"));
  EXPECT_TRUE(Contains(report.notKept, "commentary"));
}

TEST(PbnReportTest, HeaderValuesThatChangeOrAreCutAreNotKept) {
  const std::string text =
      Lines({"[Event \"Monday\"]", "[Board \"1\"]", DealTag(kBoard1Deal), "", "[Event \"Tuesday\"]",
             "[Site \"" + std::string(70, 's') + "\"]", "[Board \"2\"]", DealTag(kOtherDeal)});
  LoadReport report;
  const Result<DealSet> set = Read(text, report);
  ASSERT_TRUE(set.ok()) << set.message();
  EXPECT_EQ(set->header.site.str(), std::string(64, 's'));
  EXPECT_TRUE(Contains(report.notKept, "header values that change between games: Event (line 5)"))
      << Joined(report.notKept);
  EXPECT_TRUE(Contains(report.notKept, "values cut to fit: Site (line 6)"))
      << Joined(report.notKept);
}

TEST(PbnReportTest, AFailedReadLeavesTheReportAsItWas) {
  LoadReport report;
  report.warnings.push_back("from before");
  const Result<DealSet> set = Read(
      Lines({"[Unknown \"x\"]", "[Board \"1\"]", DealTag(kBoard1Deal), "[Board \"x\"]"}), report);
  ASSERT_FALSE(set.ok());
  EXPECT_EQ(report.warnings, std::vector<std::string>{"from before"});
  EXPECT_TRUE(report.notKept.empty());
}

}  // namespace
}  // namespace tarrow
