#include "records/hand_record.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/deal_number.h"
#include "core/generation.h"
#include "pdf/pdf_document.h"
#include "records/hand_record_pdf.h"
#include "records/recording_surface_for_test.h"

namespace tarrow {
namespace {

using testing::RecordingSurface;

void ExpectAt(const RecordingSurface::Text& t, int x, int y, const char* face, int size) {
  SCOPED_TRACE(t.text);
  EXPECT_EQ(t.x, x);
  EXPECT_EQ(t.y, y);
  EXPECT_EQ(t.face, face);
  EXPECT_EQ(t.size, size);
}

using testing::MakeDeal;

HandRecordOptions Options(bool distributions, bool numbers, bool ltc, bool analysis,
                          bool allTricks) {
  HandRecordOptions o;
  o.showDistributions = distributions;
  o.showDealNumbers = numbers;
  o.showLtc = ltc;
  o.showAnalysis = analysis;
  o.allTricks = allTricks;
  return o;
}

constexpr int kX0 = 1000, kY0 = 2000;

TEST(HandRecordTextTest, HoldingsPaddedNumbersAndRounding) {
  const Deal deal = MakeDeal("AT2.KQJ98765432..", "KQJ98765.A.AK.AK", "43.....");
  EXPECT_EQ(HoldingText(deal, kNorth, kSpades), "A102");
  EXPECT_EQ(HoldingText(deal, kNorth, kSpades, 2), "A  10  2  ");
  EXPECT_EQ(HoldingText(deal, kNorth, kDiamonds), "");
  EXPECT_EQ(PaddedNumber(7), " 7");
  EXPECT_EQ(PaddedNumber(0), " 0");
  EXPECT_EQ(PaddedNumber(12), "12");
  EXPECT_EQ(RoundHalfEven(112.5), 112);
  EXPECT_EQ(RoundHalfEven(113.5), 114);
  EXPECT_EQ(RoundHalfEven(254.94), 255);
}

TEST(HandRecordTextTest, DistributionRowsShowTheLosingTrickCount) {
  // North: 5-3-3-2 with an unguarded queen, 7 1/2 losers; East: 4-4-3-2 with
  // one ace, 10 losers.
  const Deal deal = MakeDeal("AKQ32.Q43.432.32", "5.AKJ.AKJ.AKQJT4", "T9876.T98.T98.98");
  ASSERT_EQ(LosingTrickCount(kNorth, deal, QueenMethod::kUnguardedQueenHalf), 15);
  EXPECT_EQ(DistributionRowText(deal, kNorth, true, QueenMethod::kUnguardedQueenHalf),
            "5-3-3-2     7\xBD");
  EXPECT_EQ(DistributionRowText(deal, kNorth, false, QueenMethod::kUnguardedQueenHalf),
            "5-3-3-2   ");
  const Deal ten = MakeDeal("A432.5432.432.32", "", "");
  ASSERT_EQ(LosingTrickCount(kNorth, ten, QueenMethod::kUnguardedQueenHalf), 20);
  EXPECT_EQ(DistributionRowText(ten, kNorth, true, QueenMethod::kUnguardedQueenHalf),
            "4-4-3-2   10");
}

constexpr Strain kNT = kNotrump, kS = StrainOfSuit(kSpades), kH = StrainOfSuit(kHearts),
                 kD = StrainOfSuit(kDiamonds), kC = StrainOfSuit(kClubs);

DDTable TableOf(std::initializer_list<std::tuple<Seat, Strain, int>> entries) {
  DDTable table{};
  for (auto [seat, strain, tricks] : entries)
    table[size_t(DDIndex(seat, strain))] = uint8_t(tricks);
  return table;
}

TEST(HandRecordTextTest, ContractLinesGroupMakeableContractsBySide) {
  const struct {
    const char* name;
    DDTable table;
    std::vector<std::string> lines;
  } rows[] = {
      {"both make 4S and 3N",
       TableOf({{kNorth, kS, 10}, {kSouth, kS, 10}, {kNorth, kNT, 9}, {kSouth, kNT, 9}}),
       {"NS=3N 4S"}},
      {"North 2H, South 1C", TableOf({{kNorth, kH, 8}, {kSouth, kC, 7}}), {"N=2H   S=1C"}},
      {"four equal strains",
       TableOf({{kEast, kNT, 7},
                {kWest, kNT, 7},
                {kEast, kS, 8},
                {kWest, kS, 8},
                {kEast, kH, 9},
                {kWest, kH, 9},
                {kEast, kC, 13},
                {kWest, kC, 13}}),
       {"EW=1N 2S 3H", "EW=7C"}},
      {"six tricks make nothing",
       TableOf({{kNorth, kNT, 6}, {kSouth, kNT, 6}, {kWest, kD, 6}}),
       {}},
      {"seat lists too long for one line",
       TableOf({{kNorth, kNT, 8},
                {kNorth, kS, 9},
                {kSouth, kH, 7},
                {kSouth, kD, 8},
                {kSouth, kC, 8},
                {kEast, kC, 7}}),
       {"N=2N 3S", "S=1H 2D 2C", "E=1C"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ContractLineTexts(row.table), row.lines);
  }
}

// Sets an environment variable for the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(HandRecordTextTest, WithoutALocaleTheEventDateIsYearMonthDay) {
  const DateTime date = DateFromCivil(2026, 12, 7);
  ScopedVariable time("LC_TIME", nullptr);
  ScopedVariable lang("LANG", nullptr);
  for (const char* locale : {"", "C", "POSIX", "C.UTF-8"}) {
    SCOPED_TRACE(locale);
    ScopedVariable all("LC_ALL", locale);
    EXPECT_EQ(EventDateText(date), "2026-12-07");
  }
  {
    ScopedVariable all("LC_ALL", nullptr);
    EXPECT_EQ(EventDateText(date), "2026-12-07");
  }
  // With a locale the date follows it (when the machine has that locale).
  ScopedVariable all("LC_ALL", "en_GB.UTF-8");
  const std::string british = EventDateText(date);
  EXPECT_TRUE(british == "07/12/26" || british == "07/12/2026" || british == "12/07/26")
      << british;  // the last when en_GB is not installed and C applies
}

class BoardBoxTest : public ::testing::Test {
 protected:
  BoardBoxTest() {
    deal = MakeDeal("AKQ32.Q43.432.32", "5.AKJ.AKJ.AKQJT4", "T9876.T98.T98.98");
    entry.number = deal.number;
  }
  void Draw(const HandRecordOptions& o, int board = 1) {
    BoardBox(surface, PdfHandRecordMetrics(), kX0, kY0, board, entry, deal, o);
  }
  Deal deal;
  BoardEntry entry;
  RecordingSurface surface;
};

TEST_F(BoardBoxTest, HandsAndPointsStandAtTheirSeats) {
  Draw(Options(false, false, false, false, false), 6);
  const auto& t = surface.texts;
  ASSERT_EQ(t.size(), 3u + 32u + 4u) << "board, dealer, vulnerability, hands, points";
  EXPECT_EQ(t[0].text, "Board 6");
  EXPECT_EQ(t[1].text, "Dlr E");
  EXPECT_EQ(t[2].text, "Vul E-W");
  EXPECT_TRUE(t[0].x == t[1].x && t[1].x == t[2].x && t[0].y < t[1].y && t[1].y < t[2].y);
  // Each seat: its suit signs in a column, spades on top, each holding on its
  // sign's line to the right of it.
  int column[4], top[4];
  for (Seat seat : kSeats) {
    SCOPED_TRACE(kSeatLetters[seat]);
    const size_t first = 3 + 8 * size_t(seat);
    column[seat] = t[first].x;
    top[seat] = t[first].y;
    for (Suit suit : kSuits) {
      const auto& sign = t[first + suit];
      const auto& holding = t[first + 4 + suit];
      EXPECT_EQ(sign.text, std::string(1, "\xAA\xA9\xA8\xA7"[suit]));
      EXPECT_EQ(sign.face, "Symbol");
      EXPECT_EQ(holding.text, HoldingText(deal, seat, suit));
      EXPECT_EQ(sign.x, column[seat]);
      if (suit > 0) {
        EXPECT_GT(sign.y, t[first + suit - 1].y);
      }
      EXPECT_GT(holding.x, sign.x);
      EXPECT_TRUE(holding.y > sign.y && holding.y < sign.y + sign.size / 2) << holding.y;
    }
  }
  EXPECT_EQ(column[kNorth], column[kSouth]);
  EXPECT_EQ(top[kWest], top[kEast]);
  EXPECT_TRUE(column[kWest] < column[kNorth] && column[kNorth] < column[kEast]);
  EXPECT_TRUE(top[kNorth] < top[kWest] && top[kWest] < top[kSouth]);
  // The points as a compass: North's above, South's below, West's left and
  // East's right, between the West and East hands.
  const auto& n = t[35];
  const auto& e = t[36];
  const auto& s = t[37];
  const auto& w = t[38];
  EXPECT_EQ(n.text, "11");
  EXPECT_EQ(e.text, "26");
  EXPECT_EQ(s.text, " 0");
  EXPECT_EQ(w.text, " 3");
  EXPECT_TRUE(n.y < e.y && e.y == w.y && w.y < s.y);
  EXPECT_TRUE(w.x < n.x && n.x == s.x && s.x < e.x);
  EXPECT_TRUE(w.x > column[kWest] && e.x < column[kEast]);
  EXPECT_TRUE(surface.calls.empty());
}

TEST_F(BoardBoxTest, UnusedBoardShowsNotGenerated) {
  entry.number.valid = false;
  Draw(Options(true, true, true, true, false), 9);
  ASSERT_EQ(surface.texts.size(), 2u);
  ExpectAt(surface.texts[0], 1025, 2025, "Arial", 45);
  EXPECT_EQ(surface.texts[0].text, "Board 9");
  ExpectAt(surface.texts[1], 1025, 2075, "Arial", 45);
  EXPECT_EQ(surface.texts[1].text, "Not Generated");
}

TEST_F(BoardBoxTest, TrickTableShowsEachSidesTricksInAFrame) {
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  entry.table = TableOf({{kNorth, kNT, 9},
                         {kSouth, kNT, 9},
                         {kNorth, kS, 10},
                         {kSouth, kS, 11},
                         {kEast, kNT, 4},
                         {kWest, kNT, 3},
                         {kEast, kC, 12},
                         {kWest, kC, 12}});
  Draw(Options(true, false, true, true, true));
  surface.start = 39;  // after the hands and the compass
  EXPECT_FALSE(surface.Has("Distrb   LTC ")) << "the results take the block";
  // Headings: "NT", then the suit signs left to right, above the rows.
  const auto nt = surface.Find("NT");
  int x = nt.x;
  for (const char* sign : {"\xAA", "\xA9", "\xA8", "\xA7"}) {
    const auto heading = surface.Find(sign);
    EXPECT_GT(heading.x, x) << "suit signs in order";
    x = heading.x;
  }
  // A row per seat, North to West, the letters in one column.
  const auto n = surface.Find("N"), s = surface.Find("S"), e = surface.Find("E"),
             w = surface.Find("W");
  EXPECT_TRUE(n.x == s.x && s.x == e.x && e.x == w.x && n.x < nt.x);
  EXPECT_TRUE(nt.y < n.y && n.y < s.y && s.y < e.y && e.y < w.y);
  // A count both seats share stands once between their rows; counts that
  // differ stand on their seats' rows.  Columns: notrump, then the suits.
  const auto nine = surface.Find("9"), ten = surface.Find("10"), eleven = surface.Find("11");
  const auto four = surface.Find("4"), three = surface.Find("3"), twelve = surface.Find("12");
  EXPECT_TRUE(n.y < nine.y && nine.y < s.y);
  EXPECT_TRUE(ten.y == n.y && eleven.y == s.y);
  EXPECT_TRUE(four.y == e.y && three.y == w.y);
  EXPECT_TRUE(e.y < twelve.y && twelve.y < w.y);
  EXPECT_TRUE(nine.x == four.x && nine.x < ten.x && ten.x == eleven.x && eleven.x < twelve.x);
  // The frame: a rule over North's row and one between the sides, from the
  // cell's left edge to the right edge, which runs down to the cell's bottom.
  ASSERT_EQ(surface.lines.size(), 3u);
  const auto& top = surface.lines[0];
  const auto& edge = surface.lines[1];
  const auto& middle = surface.lines[2];
  EXPECT_TRUE(top.x1 == kX0 && top.y1 == top.y2 && top.y1 < n.y && top.y1 > nt.y);
  EXPECT_TRUE(middle.x1 == kX0 && middle.y1 == middle.y2 && middle.y1 > s.y && middle.y1 < e.y);
  EXPECT_TRUE(edge.x1 == edge.x2 && edge.y1 == top.y1 && edge.y2 == kY0 + 666);
  EXPECT_EQ(top.x2, edge.x1);
  EXPECT_EQ(middle.x2, edge.x1);
  for (const auto& count : {nine, ten, eleven, four, three, twelve})
    EXPECT_LE(count.x + count.width, edge.x1) << count.text << " inside the frame";
}

TEST_F(BoardBoxTest, OnThePrinterFontsAreGivenInPoints) {
  // A 600 dpi printable A4 page.  A height in units taken for points would
  // print letters a few times too large (or a point size taken for a height
  // too small to read).
  const HandRecordMetrics m = PrinterHandRecordMetrics(4760, 6812);
  surface.expectedUnit = FontSizeUnit::kPoints;  // checked at every font change
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  entry.table = TableOf({{kNorth, kNT, 9}, {kSouth, kNT, 9}, {kNorth, kS, 10}, {kSouth, kS, 12}});
  BoardBox(surface, m, kX0, kY0, 1, entry, deal, Options(false, true, false, true, true));
  const struct {
    std::string text;
    const char* face;
    int points;
  } rows[] = {
      {"Board 1", "Arial", 9},
      {HoldingText(deal, kEast, kClubs), "Arial", 9},
      {std::to_string(deal.points[kNorth]), "Arial", 7},
      {"NT", "Arial Narrow", 6},
      {"  " + DealNumberHexText(entry.number) + "  ", "Arial Narrow", 5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const RecordingSurface::Text t = surface.Find(row.text);
    EXPECT_EQ(t.face, row.face);
    EXPECT_EQ(t.size, row.points);
  }
  // The frame's right edge stays left of South's suit signs.
  ASSERT_GE(surface.lines.size(), 2u);
  const int south = surface.Find(HoldingText(deal, kSouth, kSpades)).x;
  EXPECT_LT(surface.lines[1].x1, south - 3 * m.gridUnit / 2);
}

TEST_F(BoardBoxTest, AStrainNotYetKnownShowsAQuestionMarkNeverANumber) {
  // North-South know notrump and spades; East-West nothing yet.  The
  // unknown tricks stand at 0 in the table and must not be shown as 0.
  entry.doneMask = {StrainBit(kNT) | StrainBit(kS), 0};
  entry.table = TableOf({{kNorth, kNT, 9}, {kSouth, kNT, 9}, {kNorth, kS, 10}, {kSouth, kS, 11}});
  Draw(Options(false, false, false, true, true));
  surface.start = 39;
  int questions = 0;
  for (size_t i = surface.start; i < surface.texts.size(); ++i) {
    const std::string& t = surface.texts[i].text;
    EXPECT_NE(t, "0") << "an unknown count printed as 0";
    questions += t == "?";
  }
  EXPECT_EQ(questions, 3 + 5);  // NS hearts, diamonds, clubs; all five of EW
  EXPECT_TRUE(surface.Has("9"));
  EXPECT_TRUE(surface.Has("10"));

  // Contract lines appear for a side only once all its strains are known.
  surface = RecordingSurface();
  entry.doneMask = {StrainBit(kNT) | StrainBit(kS), 0};
  Draw(Options(false, false, false, true, false));
  EXPECT_EQ(surface.texts.size(), 39u) << "no line from a partial side";
  surface = RecordingSurface();
  entry.doneMask = {kAllStrainsDone, StrainBit(kD)};
  entry.table[size_t(DDIndex(kEast, kD))] = 8;
  Draw(Options(false, false, false, true, false));
  EXPECT_TRUE(surface.Has("NS=3N"));
  EXPECT_TRUE(surface.Has("N=4S   S=5S"));
  for (const auto& t : surface.texts) EXPECT_EQ(t.text.find("E="), std::string::npos) << t.text;
  EXPECT_EQ(ContractLineTexts(entry.table, {kAllStrainsDone, StrainBit(kD)}),
            (std::vector<std::string>{"NS=3N", "N=4S   S=5S"}));
}

TEST_F(BoardBoxTest, ContractLinesAndDealNumber) {
  entry.doneMask = {kAllStrainsDone, 0};
  entry.table = TableOf({{kNorth, kH, 8}, {kSouth, kC, 7}, {kNorth, kS, 10}, {kSouth, kS, 10}});
  Draw(Options(true, true, true, true, false));
  surface.start = 39;
  ExpectAt(surface.Find("NS=4S"), 1012, 2475, "Arial", 35);
  ExpectAt(surface.Find("N=2H   S=1C"), 1012, 2512, "Arial", 35);
  // The two lines end well above the deal number, which keeps its place.
  ExpectAt(surface.Find("  " + DealNumberHexText(entry.number) + "  "), 1100, 2637, "Arial", 30);
}

TEST_F(BoardBoxTest, DealNumberStartsRightOfResultsThatReachItsLine) {
  // Five lines of contracts come down to the last line of the box.
  const DDTable fiveLines = TableOf({{kNorth, kNT, 7},
                                     {kNorth, kS, 8},
                                     {kNorth, kH, 9},
                                     {kNorth, kD, 7},
                                     {kSouth, kNT, 8},
                                     {kSouth, kS, 9},
                                     {kSouth, kH, 8},
                                     {kSouth, kD, 8},
                                     {kEast, kC, 7}});
  ASSERT_EQ(ContractLineTexts(fiveLines).size(), 5u);
  const std::string number = "  " + DealNumberHexText(entry.number) + "  ";
  const struct {
    const char* name;
    bool allTricks;
    DDTable table;
  } rows[] = {{"trick table", true, fiveLines}, {"five contract lines", false, fiveLines}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    surface = RecordingSurface();
    entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
    entry.table = row.table;
    Draw(Options(false, true, false, true, row.allTricks));
    const auto text = surface.Find(number);
    // Clear of the results to its left, inside the cell's right border (pen 2).
    int resultsRight = 0;
    for (const auto& line : surface.lines)
      resultsRight = std::max({resultsRight, line.x1, line.x2});
    for (size_t i = 39; i + 1 < surface.texts.size(); ++i) {
      const auto& t = surface.texts[i];
      if (t.x < kX0 + 250) resultsRight = std::max(resultsRight, t.x + t.width);
    }
    EXPECT_GT(text.x, resultsRight);
    EXPECT_LE(text.x + text.width, kX0 + 607 - 2);
    // Below South's clubs, the box's lowest holding.
    EXPECT_GT(text.y, surface.Find(HoldingText(deal, kSouth, kClubs)).y);
    EXPECT_EQ(text.face, "Arial Narrow") << "the full face is too wide for the rest of the line";
  }
}

TEST_F(BoardBoxTest, ParLineSitsUnderTheVulnerabilityWhenAsked) {
  // North-South make 4S; East-West take nothing anywhere.
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  entry.table = TableOf({{kNorth, kS, 10}, {kSouth, kS, 10}});
  Draw(Options(false, false, false, false, false));
  for (const auto& t : surface.texts) EXPECT_NE(t.text.rfind("Par", 0), 0u) << "off by default";
  HandRecordOptions o = Options(false, false, false, false, false);
  o.showPar = true;
  Draw(o);
  // "Par NS +420 4S" is 245 wide in Arial and in Arial Narrow at 35, 210
  // in Arial Narrow at 30: the room left of North's signs is 255 - 37 = 218.
  ExpectAt(surface.Find("Par NS +420 4S"), 1025, 2175, "Arial Narrow", 30);
}

TEST_F(BoardBoxTest, ParLineGivesUpContractsBeforeTheScore) {
  // 3NT and 5C both score 400 for East-West; North-South take nothing.
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  entry.table = TableOf({{kEast, kNT, 9}, {kWest, kNT, 9}, {kEast, kC, 11}, {kWest, kC, 11}});
  EXPECT_EQ(ParBoxText(entry, 1), "Par EW +400 3NT 5C");
  HandRecordOptions o = Options(true, false, true, true, false);
  o.showPar = true;
  Draw(o);
  // Too wide at every size: the contracts go, the score stays.
  ExpectAt(surface.Find("Par EW +400"), 1025, 2175, "Arial Narrow", 30);
}

TEST_F(BoardBoxTest, ParLineNeedsACompleteTableOrTheFilesPar) {
  HandRecordOptions o = Options(false, false, false, true, false);
  o.showPar = true;
  entry.doneMask = {kAllStrainsDone, 0};
  EXPECT_EQ(ParBoxText(entry, 1), "");
  Draw(o);
  for (const auto& t : surface.texts) EXPECT_NE(t.text.rfind("Par", 0), 0u) << t.text;
  entry.filePar = {true, -500, "EW 4S"};
  EXPECT_EQ(ParBoxText(entry, 1), "Par EW +500 4S");
  entry.filePar = {true, 0, "Pass"};
  EXPECT_EQ(ParBoxText(entry, 1), "Par 0 Pass");
  // A complete table of nothing made: passed out.
  entry.filePar = FilePar{};
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  entry.table = TableOf({});
  EXPECT_EQ(ParBoxText(entry, 1), "Par 0 Pass");
}

TEST_F(BoardBoxTest, AnalysisOnButNotDoneLeavesTheBlockEmpty) {
  Draw(Options(true, false, true, true, false));
  EXPECT_EQ(surface.texts.size(), 39u);
}

TEST_F(BoardBoxTest, DistributionsWithLtcMoveUpForDealNumbers) {
  for (bool numbers : {false, true}) {
    SCOPED_TRACE(numbers);
    surface = RecordingSurface();
    Draw(Options(true, numbers, true, false, false));
    surface.start = 39;
    const int hy = 2487 - (numbers ? 25 : 0);
    ExpectAt(surface.Find("Distrb   LTC "), 1012 + 45, hy, "Arial", 30);
    ExpectAt(surface.Find("N"), 1012, hy + 37, "Arial", 30);
    ExpectAt(surface.Find("5-3-3-2     7\xBD"), 1057, hy + 37, "Arial", 30);
    ExpectAt(surface.Find("W"), 1012, hy + 37 + 75, "Arial", 30);
    if (numbers)
      ExpectAt(surface.Find("  " + DealNumberHexText(entry.number) + "  "), 1100, 2637, "Arial",
               30);
  }
}

TEST_F(BoardBoxTest, LtcAloneIsCentredUnderTheHands) {
  Draw(Options(false, true, true, false, false));
  surface.start = 39;
  // Centre 1000 + round(112.5) = 1112, lines 45 apart from 2475; 15 units per character.
  ExpectAt(surface.Find("LTC"), 1112 - 22, 2475, "Arial", 30);
  const std::string north =
      LtcText(LosingTrickCount(kNorth, deal, QueenMethod::kUnguardedQueenHalf));
  ASSERT_EQ(north, "7\xBD");
  ExpectAt(surface.Find(north), 1112 - 15, 2520, "Arial", 30);
  const std::string middle =
      LtcText(LosingTrickCount(kWest, deal, QueenMethod::kUnguardedQueenHalf)) + "       " +
      LtcText(LosingTrickCount(kEast, deal, QueenMethod::kUnguardedQueenHalf));
  ExpectAt(surface.Find(middle), 1112 - int(middle.size()) * 15 / 2, 2565, "Arial", 30);
  EXPECT_FALSE(surface.Has("Distrb  "));
}

TEST_F(BoardBoxTest, LongEastWestHoldingsUseTheNarrowFace) {
  const struct {
    const char* name;
    Deal deal;
    Seat seat;
    const char* face;
    int size;
  } rows[] = {
      {"East 11 characters", MakeDeal("2.AKQJ.AKQJ.AKQJ", "AKQJT98765.2.2.", "4.3.3.2"), kEast,
       "Arial Narrow", 45},
      {"East 12 characters", MakeDeal("3.AKQJ.AKQJ.AKQJ", "AKQJT987654.2.2.", "2.3.3.2"), kEast,
       "Arial Narrow", 40},
      {"North 12 characters", MakeDeal("AKQJT987654.2.2.", "3.AKQJ.AKQJ.AKQJ", "2.3.3.2"), kNorth,
       "Arial", 45},
      {"East 8 characters", MakeDeal("2.AKQJ.AKQJ.AKQJ", "AKQJT9.2.2.2", "4.3.3.2"), kEast, "Arial",
       45},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    surface = RecordingSurface();
    deal = row.deal;
    Draw(Options(false, false, false, false, false));
    const std::string spades = HoldingText(deal, row.seat, kSpades);
    const RecordingSurface::Text t = surface.Find(spades);
    EXPECT_EQ(t.face, row.face);
    EXPECT_EQ(t.size, row.size);
  }
}

TEST_F(BoardBoxTest, ALongWestHoldingGivesWayToTheCompass) {
  // Measured in the real faces: "AQ10865" in "Arial" would end against
  // West's points, on the compass's line only.
  TPdfDocumentGDI document;
  document.SetResolution(300);
  PdfSurface measure(document);
  const struct {
    const char* name;
    Deal deal;
    Suit suit;
    const char* face;
  } rows[] = {
      {"diamonds, on the compass's line",
       MakeDeal("AKQJ.AKQ.KJ9.AKQ", "T987.JT98.74.JT9", "654.7654.32.8765"), kDiamonds,
       "Arial Narrow"},
      {"clubs, below it", MakeDeal("AKQJ.AKQ.AKQ.KJ9", "T987.JT98.JT9.74", "654.7654.8765.32"),
       kClubs, "Arial"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    surface = RecordingSurface();
    surface.measure = &measure;
    deal = row.deal;
    ASSERT_EQ(HoldingText(deal, kWest, row.suit), "AQ10865");
    Draw(Options(false, false, false, false, false));
    ASSERT_EQ(measure.Error(), "");
    const RecordingSurface::Text holding = surface.Find("AQ10865");
    EXPECT_EQ(holding.face, row.face);
    EXPECT_EQ(holding.size, 45);
    const RecordingSurface::Text points = surface.Find(PaddedNumber(deal.points[kWest]));
    if (row.suit == kDiamonds) {
      EXPECT_LE(holding.x + holding.width + 12, points.x) << "half a grid unit between them";
    }
  }
}

TEST(HandRecordPageTest, GridHeaderAndShrunkEvent) {
  DealSet set;
  GenerateSet(set, "abc", 46000);
  set.header.event = std::string(64, 'E');
  set.header.description = "Pairs";
  set.header.site = "Hall";
  set.header.computerName = "clubpc";
  RecordingSurface surface;
  RgbImage logo{2, 2, std::vector<uint8_t>(12, 0)};
  const HandRecordMetrics m = PdfHandRecordMetrics();
  HandRecordPage(surface, m, Options(true, false, true, true, false), 1, set, std::string(80, 'C'),
                 logo, "/some/folder/abc.pbn");
  const int left = m.leftMargin, top = m.topMargin, cw = m.cellWidth, ch = m.cellHeight;
  // Grid: five verticals and six horizontals; the one between the header's two
  // cells starts a row lower, so that they make one.
  ASSERT_GE(surface.lines.size(), 11u);
  EXPECT_EQ(surface.calls[0], "pen 2");
  for (int i = 0; i <= 4; ++i) {
    const auto& v = surface.lines[size_t(i)];
    EXPECT_TRUE(v.x1 == left + i * cw && v.x2 == v.x1 && v.y2 == top + 5 * ch) << i;
    EXPECT_EQ(v.y1, i == 1 ? top + ch : top) << i;
  }
  // The club line keeps its size even when too wide; the event shrinks one
  // step at a time until it fits the two columns, and no further.
  const RecordingSurface::Text club = surface.Find(std::string(80, 'C'));
  EXPECT_EQ(club.size, 80);
  const RecordingSurface::Text event = surface.Find(" " + std::string(64, 'E') + " ");
  EXPECT_TRUE(event.bold);
  EXPECT_LE(event.width, 2 * cw);
  surface.SetFont("Arial", event.size + 1, FontSizeUnit::kHeight, true);
  EXPECT_GT(surface.TextWidth(event.text), 2 * cw);
  std::vector<std::string> steps;  // the layout's bold fonts, then this test's
  for (const std::string& f : surface.fonts)
    if (f.find("bold") != std::string::npos) steps.push_back(f);
  steps.pop_back();
  ASSERT_EQ(steps.size(), size_t(80 - event.size + 1));
  for (size_t i = 0; i < steps.size(); ++i)
    EXPECT_EQ(steps[i], "Arial " + std::to_string(80 - int(i)) + " bold");
  // Club, event and description one under the other, centred on the header.
  const RecordingSurface::Text description = surface.Find(" Pairs ");
  EXPECT_TRUE(club.y < event.y && event.y < description.y);
  for (const auto& t : {club, event, description})
    EXPECT_NEAR(t.x + t.width / 2, left + cw, 1) << t.text;
  // The seed block in the header's lower part, the banner on the site line
  // at the left, the logo above the banner, the origin at the top left.
  const RecordingSurface::Text seed = surface.Find("Seed=(abc)");
  const RecordingSurface::Text site = surface.Find("Site: Hall");
  const RecordingSurface::Text banner = surface.Find("Tarrow " TARROW_VERSION);
  EXPECT_TRUE(seed.y > description.y && seed.y < site.y && site.y + site.height <= top + ch);
  EXPECT_TRUE(banner.y == site.y && banner.x + banner.width < seed.x);
  ASSERT_EQ(surface.images.size(), 1u);
  const auto& image = surface.images[0];
  EXPECT_EQ(image.right - image.left, image.bottom - image.top) << "square";
  EXPECT_TRUE(image.bottom <= banner.y && image.top > description.y && image.left >= left);
  const RecordingSurface::Text origin = surface.Find("clubpc: abc.pbn");
  EXPECT_TRUE(origin.x > left && origin.y > top && origin.y + origin.height < club.y);
  // Board 1 in the third cell of the first row, board 18 in the last cell.
  const RecordingSurface::Text first = surface.Find("Board 1");
  const RecordingSurface::Text last = surface.Find("Board 18");
  EXPECT_TRUE(first.x > left + 2 * cw && first.x < left + 3 * cw && first.y < top + ch);
  EXPECT_TRUE(last.x > left + 3 * cw && last.y > top + 4 * ch);
}

TEST(HandRecordPageTest, ShortSetShowsNotGeneratedOnPageTwo) {
  DealSet set;
  GenerateSet(set, "abc", 46000);
  for (int b = 19; b <= 36; ++b) set.Board(b).number.valid = false;
  set.RefreshDeals();
  RecordingSurface surface;
  HandRecordPage(surface, PdfHandRecordMetrics(), Options(true, true, true, true, false), 2, set,
                 "Club", RgbImage{}, "");
  int notGenerated = 0;
  for (const auto& t : surface.texts) notGenerated += t.text == "Not Generated";
  EXPECT_EQ(notGenerated, 18);
  for (int b = 19; b <= 36; ++b) EXPECT_TRUE(surface.Has("Board " + std::to_string(b))) << b;
  EXPECT_FALSE(surface.Has("Dlr N"));
  EXPECT_TRUE(std::none_of(surface.calls.begin(), surface.calls.end(),
                           [](const std::string& c) { return c.rfind("image", 0) == 0; }));
}

}  // namespace
}  // namespace tarrow
