#include "files/pbn_reader.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>

#include <fstream>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/banner.h"
#include "core/deal_number.h"
#include "core/pbn_deal.h"
#include "files/pbn_writer.h"
#include "files/test_support.h"

namespace tarrow {
namespace {

using testing::kBoard1Deal;
using testing::kBoard2Deal;
using testing::NumberOf;

// The reader's today: fixed, so that no test depends on the hour it runs.
const DateTime kToday = DateFromCivil(2031, 6, 15);

constexpr const char* kOtherDeal =
    "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83";

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The lines read after a first board 36, since a file without any readable
// board is refused.
DealSet Parse(const std::vector<std::string>& lines) {
  const std::vector<std::string> withBoard =
      Join({"[Board \"36\"]", std::string("[Deal \"") + kOtherDeal + "\"]"}, lines);
  Result<DealSet> set = ParsePbnText(Lines(withBoard), "test.pbn", kToday);
  EXPECT_TRUE(set.ok()) << set.message();
  return set.ok() ? *set : DealSet{};
}

std::vector<std::string> TwentyRows(const char* tricks) {
  std::vector<std::string> rows;
  for (const char* declarer : {"N", "E", "S", "W"}) {
    for (const char* strain : {"C", "D", "H", "S", "NT"}) {
      rows.push_back(std::string(declarer) + " " + strain + " " + tricks);
    }
  }
  return rows;
}

class PbnRoundTripTest : public testing::TempFolderTest {};

TEST_F(PbnRoundTripTest, RestoresBoardsHeaderTablesAndDigest) {
  DealSet set;
  SetHeader& h = set.header;
  h.event = "Monday \"pairs\"";
  h.site = "Hall\\2";
  h.eventDate = DateFromCivil(2024, 2, 29);
  h.seed = "Caf\xE9 seed";
  h.description = "Set one";
  h.generationTime = DateTimeFromCivil({2024, 2, 28, 21, 5, 9});
  h.club = "Club";
  std::mt19937 random(7);
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    if (n % 5 == 3) continue;  // a few absent boards
    std::array<Seat, 52> seats;
    for (int c = 0; c < 52; ++c) seats[size_t(c)] = Seat(c / 13);
    std::shuffle(seats.begin(), seats.end(), random);
    Deal deal;
    deal.valid = true;
    deal.seatOf = seats;
    BoardEntry& board = set.Board(n);
    board.number = NumberFromDeal(deal);
    board.doneMask = {uint8_t(random() % 32), uint8_t(n % 4 == 0 ? 0 : random() % 32)};
    for (Seat declarer : kSeats) {
      for (Strain strain : kStrains) {
        if (board.Analysed(SideOf(declarer), strain)) {
          board.table[size_t(DDIndex(declarer, strain))] = uint8_t(random() % 14);
        }
      }
    }
  }
  set.RefreshDeals();
  const std::filesystem::path file = folder_ / "round.pbn";
  ASSERT_TRUE(WritePbnFile(set, testing::PermitFor(file), "PC1").ok());

  const Result<DealSet> back = ReadPbnFile(file);
  ASSERT_TRUE(back.ok()) << back.message();
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(back->Board(n).number, set.Board(n).number);
    EXPECT_EQ(back->Board(n).table, set.Board(n).table);
    EXPECT_EQ(back->Board(n).doneMask, set.Board(n).doneMask);
    if (set.Board(n).number.valid) {
      EXPECT_EQ(back->DealOf(n).seatOf, set.DealOf(n).seatOf);
    }
  }
  const SetHeader& b = back->header;
  EXPECT_EQ(b.event, h.event);
  EXPECT_EQ(b.site, h.site);
  EXPECT_EQ(b.eventDate, h.eventDate);
  EXPECT_EQ(b.seed, h.seed);
  EXPECT_EQ(b.description, h.description);
  EXPECT_EQ(b.generationTime, h.generationTime);
  EXPECT_EQ(b.club, h.club);
  EXPECT_EQ(b.computerName.str(), "PC1");
  EXPECT_EQ(b.banner.str(), kProgramBanner);
  EXPECT_EQ(back->setDigest, ComputeSetDigest(*back));
}

TEST_F(PbnRoundTripTest, EveryHeaderFieldComesBackExactly) {
  // Values a careless reader would change: a leading "#", blanks at either
  // end, quotes and backslashes, letters beyond ASCII.
  DealSet set;
  set.Board(2).number = NumberOf(kOtherDeal);
  SetHeader& h = set.header;
  h.event = "#3 Pairs";
  h.site = " Hall \"B\" ";
  h.eventDate = DateFromCivil(2026, 12, 7);
  h.seed = " abc";
  h.description = "Set one  ";
  h.generationTime = DateTimeFromCivil({2026, 12, 7, 19, 30, 1});
  h.club = "Caf\xE9 \\ club";
  const std::filesystem::path file = folder_ / "header.pbn";
  ASSERT_TRUE(WritePbnFile(set, testing::PermitFor(file), " PC 7").ok());
  const Result<DealSet> back = ReadPbnFile(file, kToday);
  ASSERT_TRUE(back.ok()) << back.message();
  const SetHeader& b = back->header;
  EXPECT_EQ(b.event.str(), "#3 Pairs");
  EXPECT_EQ(b.site.str(), " Hall \"B\" ");
  EXPECT_EQ(b.eventDate, h.eventDate);
  EXPECT_EQ(b.seed.str(), " abc");
  EXPECT_EQ(b.description.str(), "Set one  ");
  EXPECT_EQ(b.generationTime, h.generationTime);
  EXPECT_EQ(b.club.str(), "Caf\xE9 \\ club");
  EXPECT_EQ(b.computerName.str(), " PC 7");
  EXPECT_EQ(b.banner.str(), kProgramBanner);
  EXPECT_EQ(back->Board(2).number, set.Board(2).number);
}

TEST(PbnReaderTest, AFileWithoutAReadableBoardIsNoSet) {
  std::mt19937 random(12);
  std::string noise(3000, '\0');
  for (char& ch : noise) ch = char(random());
  const std::string texts[] = {
      noise,
      "Tuesday: bring the boards\r\nand the travelers\r\n",
      "[Event \"Pairs\"]\r\n[Board \"1\"]\r\n",
      "",
      std::string(1 << 20, '\n'),
  };
  for (const std::string& text : texts) {
    const Result<DealSet> set = ParsePbnText(text, "notes.pbn", kToday);
    ASSERT_FALSE(set.ok());
    EXPECT_EQ(set.message(),
              "cannot load notes.pbn: no board in it could be read; it is not a PBN set");
  }
}

TEST_F(PbnRoundTripTest, AFileLargerThanAnySetIsRefusedUnread) {
  const std::filesystem::path file = folder_ / "huge.pbn";
  {
    std::ofstream out(file, std::ios::binary);
    out << "[Board \"1\"]\r\n[Deal \"" << kOtherDeal << "\"]\r\n";
    out << std::string(kLargestPbnFile, '\n');
  }
  const Result<DealSet> set = ReadPbnFile(file, kToday);
  ASSERT_FALSE(set.ok());
  EXPECT_NE(set.message().find("huge.pbn"), std::string::npos) << set.message();
  EXPECT_NE(set.message().find("larger than"), std::string::npos) << set.message();
}

TEST(PbnReaderTest, StartsFromAFreshSet) {
  const DealSet set = Parse({});
  EXPECT_EQ(set.PresentBoards(), 1);
  EXPECT_EQ(set.header.seed.str(), "none");
  EXPECT_EQ(set.header.eventDate, kToday);
  EXPECT_EQ(set.setDigest, ComputeSetDigest(set));
}

TEST(PbnReaderTest, ReadsTagsInAnyCaseAndSkipsCommentsAndRepeats) {
  const DealSet set = Parse({
      "% a comment [Event \"not this\"]",
      "",
      "[EVENT \"Pairs\"]",
      "[site \"Hall\"]",
      "[Event \"#\"]",
      "[Application \"9ignored\"]",
      "[Application \"1  padded seed  \"]",
      "[Application \"2#3 Pairs \"]",
      "[Unknown \"x\"]",
      "[Board \"3\"]\r",
      "[Dealer \"N\"]",
      "[Deal \"" + std::string(kBoard1Deal) + "\"]",
  });
  EXPECT_EQ(set.header.event.str(), "Pairs");
  EXPECT_EQ(set.header.site.str(), "Hall");
  EXPECT_EQ(set.header.seed.str(), "  padded seed  ") << "values come back exactly";
  EXPECT_EQ(set.header.description.str(), "#3 Pairs ") << "only \"#\" alone repeats";
  EXPECT_EQ(set.PresentBoards(), 2);
  EXPECT_EQ(set.Board(3).number, NumberOf(kBoard1Deal));
  EXPECT_EQ(set.DealOf(3).seatOf, DealFromNumber(NumberOf(kBoard1Deal)).seatOf);
}

TEST(PbnReaderTest, UnescapesAndCutsValues) {
  const std::string longText(200, 'x');
  const DealSet set = Parse({
      "[Event \"a \\\"b\\\" \\\\c \\n\"]",
      "[Site \"" + longText + "\"]",
      "[Application \"1" + longText + "\"]",
      "[Application \"4" + longText + "\"]",
      "[Generator \"" + longText + "\"]",
      "[Eventsponsor \"unclosed value]",
  });
  EXPECT_EQ(set.header.event.str(), "a \"b\" \\c \\n");
  EXPECT_EQ(set.header.site.str(), std::string(64, 'x'));
  EXPECT_EQ(set.header.seed.str(), std::string(79, 'x'));
  EXPECT_EQ(set.header.computerName.str(), std::string(32, 'x'));
  EXPECT_EQ(set.header.banner.str(), std::string(32, 'x'));
  EXPECT_EQ(set.header.club.str(), "unclosed value");
}

TEST(PbnReaderTest, ReadsDatesInEveryForm) {
  const CivilDateTime today = CivilFromDateTime(kToday);
  struct Row {
    const char* value;
    DateTime expected;
  };
  const Row rows[] = {
      {"2013.10.07", DateFromCivil(2013, 10, 7)},
      {"2013-10-07", DateFromCivil(2013, 10, 7)},
      {"07/10/2013", DateFromCivil(2013, 10, 7)},
      {"07.10.2013", DateFromCivil(2013, 10, 7)},
      {"????.10.07", DateFromCivil(today.year, 10, 7)},
      {"2013.??.01", DateFromCivil(2013, today.month, 1)},
      {"2013.10", kToday},
      {"", kToday},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    const DealSet set = Parse({"[Date \"" + std::string(row.value) + "\"]"});
    EXPECT_EQ(set.header.eventDate, row.expected);
  }
}

TEST(PbnReaderTest, ABadTableNumberStopsTheLoadNamingFileLineAndValue) {
  for (const char* row : {"N C x", "N C 14", "e nt -1", "S NT"}) {
    SCOPED_TRACE(row);
    const std::vector<std::string> lines = {
        "[Board \"1\"]", "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]", row,
        "[Event \"after\"]"};
    LoadReport report;
    const Result<DealSet> set = ParsePbnText(Lines(lines), "club.pbn", report, kToday);
    ASSERT_FALSE(set.ok());
    EXPECT_NE(set.message().find("club.pbn line 3"), std::string::npos) << set.message();
    EXPECT_NE(set.message().find("\"" + std::string(row) + "\""), std::string::npos)
        << set.message();
    EXPECT_TRUE(report.warnings.empty() && report.notKept.empty());
  }
}

TEST(PbnReaderTest, ADealThatDoesNotReadIsAnErrorNamingLineBoardAndReason) {
  const char* bad[] = {
      "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.543k",   // lower case
      "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.543",    // 12 cards
      "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.8765 2.5432.5432.543",   // 14 cards
      "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5433",   // card twice
      "X:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432",   // no seat
      "N:AKQJ.AKQ.AKQ.AKQ - T987.JT9.JT9.JT9 6543.876.876.876",                  // "-" hand
      "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.543.2",  // fifth suit
      "NAKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432",    // no ":"
      "",
  };
  for (const char* deal : bad) {
    SCOPED_TRACE(deal);
    // Board 6 is whole; board 7's deal does not read.  Left absent, board 7
    // would silently go missing from the set and from every rewrite.
    const std::vector<std::string> lines = {
        "[Board \"6\"]", "[Deal \"" + std::string(kOtherDeal) + "\"]", "", "[Board \"7\"]",
        "[Deal \"" + std::string(deal) + "\"]"};
    LoadReport report;
    const Result<DealSet> set = ParsePbnText(Lines(lines), "club.pbn", report, kToday);
    ASSERT_FALSE(set.ok());
    EXPECT_EQ(set.message(), "club.pbn line 5: board 7: " + ParsePbnDeal(deal).message());
    EXPECT_TRUE(report.warnings.empty());
  }
}

TEST(PbnReaderTest, TheSameDealAgainIsAnotherGameButADifferentOneIsAnError) {
  // A results file plays board 2 at two tables.
  const DealSet set =
      Parse({"[Board \"2\"]", "[Deal \"" + std::string(kBoard1Deal) + "\"]", "[Contract \"4S\"]",
             "", "[Board \"2\"]", "[Deal \" " + std::string(kBoard1Deal) + " \"]"});
  EXPECT_EQ(set.Board(2).number, NumberOf(kBoard1Deal));

  const std::vector<std::string> lines = {
      "[Board \"2\"]", "[Deal \"" + std::string(kBoard1Deal) + "\"]", "[Board \"2\"]",
      "[Deal \"" + std::string(kOtherDeal) + "\"]"};
  const Result<DealSet> twice = ParsePbnText(Lines(lines), "club.pbn", kToday);
  ASSERT_FALSE(twice.ok());
  EXPECT_EQ(twice.message(),
            "club.pbn line 4: board 2 is given a second, different deal (the first on line 2)");
}

TEST(PbnReaderTest, ReadsDealsAsTheDealParserDoes) {
  // The reader and the command line's deal parser are one: blanks between
  // hands, a lower-case seat letter and blanks around the value are read
  // alike.
  const std::string spaced =
      "n:KQ.KJ765.T5.KQ76  T865.2.AKJ642.95 J97.A83.Q97.AJ42   A432.QT94.83.T83";
  const Result<Deal> parsed = ParsePbnDeal(spaced);
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  const DealSet set = Parse({"[Board \"5\"]", "[Deal \" " + spaced + " \"]"});
  EXPECT_EQ(set.Board(5).number, parsed->number);
  EXPECT_EQ(set.Board(5).number, NumberOf(kOtherDeal));
}

TEST(PbnReaderTest, ReadsRowsInAnyOrderAndASideKnowsAStrainOnlyFromBothSeats) {
  const DealSet set = Parse({
      "[Board \"4\"]",
      "[Deal \"" + std::string(kBoard1Deal) + "\"]",
      "[OptimumResultTable \"x\"]",
      "  w   nt   12 ",
      "S c 3 ; commentary after a row",
      "{ commentary between rows }",
      "E nT 1",
      "n h ?",
      "s h 9",
      "[Event \"read\"]",  // ends the table after five rows and is read
      "[OptimumResultTable \"again\"]",
      "N C 4",
  });
  const BoardEntry& board = set.Board(4);
  EXPECT_EQ(board.table[size_t(DDIndex(kWest, kNotrump))], 12);
  EXPECT_EQ(board.table[size_t(DDIndex(kEast, kNotrump))], 1);
  EXPECT_EQ(board.table[size_t(DDIndex(kSouth, StrainOfSuit(kClubs)))], 3);
  EXPECT_EQ(board.table[size_t(DDIndex(kNorth, StrainOfSuit(kClubs)))], 4);
  // Hearts: South's 9 without North's number is no known strain.
  EXPECT_EQ(board.doneMask[0], StrainBit(StrainOfSuit(kClubs)));
  EXPECT_EQ(board.doneMask[1], StrainBit(kNotrump));
  EXPECT_EQ(board.table[size_t(DDIndex(kSouth, StrainOfSuit(kHearts)))], 0);
  EXPECT_EQ(set.header.event.str(), "read");
}

TEST(PbnReaderTest, QuestionMarkTablesSetNothing) {
  std::vector<std::string> lines = {"[Board \"1\"]", "[Deal \"" + std::string(kBoard1Deal) + "\"]",
                                    "[OptimumResultTable \"x\"]"};
  lines = Join(lines, TwentyRows("?"));
  lines.push_back("[Event \"after twenty rows\"]");
  const DealSet set = Parse(lines);
  EXPECT_EQ(set.Board(1).doneMask, (std::array<uint8_t, 2>{0, 0}));
  EXPECT_EQ(set.header.event.str(), "after twenty rows");
}

TEST(PbnReaderTest, BoardsPastTheSetChangeNothingAndReadingGoesOn) {
  std::vector<std::string> lines = {"[Board \"1\"]", "[Deal \"" + std::string(kBoard1Deal) + "\"]",
                                    "[Board \"37\"]", "[Deal \"" + std::string(kOtherDeal) + "\"]",
                                    "[OptimumResultTable \"x\"]"};
  lines = Join(lines, TwentyRows("5"));
  lines = Join(lines,
               {"[Board \"99999999999999999999999\"]", "[Deal \"" + std::string(kOtherDeal) + "\"]",
                "[Board \"2\"]", "[Deal \"" + std::string(kBoard2Deal) + "\"]"});
  const DealSet set = Parse(lines);
  EXPECT_EQ(set.PresentBoards(), 3);  // 1, 2 and the 36 every parse starts with
  EXPECT_EQ(set.Board(1).number, NumberOf(kBoard1Deal));
  EXPECT_EQ(set.Board(1).doneMask, (std::array<uint8_t, 2>{0, 0}));
  EXPECT_EQ(set.Board(2).number, NumberOf(kBoard2Deal));
}

TEST_F(PbnRoundTripTest, ReadsBackTheParItWrote) {
  DealSet set = testing::ExampleSet();
  const std::filesystem::path file = folder_ / "par.pbn";
  ASSERT_TRUE(WritePbnFile(set, testing::PermitFor(file), "PC1").ok());
  const Result<DealSet> back = ReadPbnFile(file);
  ASSERT_TRUE(back.ok()) << back.message();
  EXPECT_TRUE(back->Board(1).filePar.hasScore);
  EXPECT_EQ(back->Board(1).filePar.score, 1520);
  EXPECT_EQ(back->Board(1).filePar.contracts, "NS 7NT");
  EXPECT_FALSE(back->Board(2).filePar.hasScore);  // no table, no par
  EXPECT_EQ(back->Board(2).filePar.contracts, "");
}

TEST(PbnReaderTest, ReadsOtherProgramsParAndLeavesOutWhatItCannotRead) {
  const DealSet set = Parse({
      "[Board \"1\"]",
      "[Deal \"" + std::string(kBoard1Deal) + "\"]",
      "[OptimumScore \"EW 500\"]",
      "[ParContract \"ew 5dx-2; EW 5HX-2\"]",
      "[Board \"2\"]",
      "[Deal \"" + std::string(kBoard2Deal) + "\"]",
      "[OptimumScore \"NS 7N; +1520\"]",
      "[ParContract \"4 spades by North\"]",
      "[Board \"37\"]",
      "[OptimumScore \"NS 620\"]",
  });
  EXPECT_EQ(set.PresentBoards(), 3);  // with the helper's board 36
  EXPECT_TRUE(set.Board(1).filePar.hasScore);
  EXPECT_EQ(set.Board(1).filePar.score, -500);
  EXPECT_EQ(set.Board(1).filePar.contracts, "EW 5DX-2, EW 5HX-2");
  // Unreadable par tags cost nothing else: the board and its deal stay.
  EXPECT_FALSE(set.Board(2).filePar.hasScore);
  EXPECT_EQ(set.Board(2).filePar.contracts, "");
  EXPECT_EQ(set.Board(2).number, NumberOf(kBoard2Deal));
}

TEST(PbnReaderTest, AnUnreadableFileIsAnErrorNamingIt) {
  const Result<DealSet> set = ReadPbnFile("/nonexistent/tarrow/set.pbn");
  ASSERT_FALSE(set.ok());
  EXPECT_NE(set.message().find("/nonexistent/tarrow/set.pbn"), std::string::npos);
}

}  // namespace
}  // namespace tarrow
