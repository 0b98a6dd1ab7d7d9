#include "records/setup_sheet.h"

#include <gtest/gtest.h>

#include <string>

#include "core/banner.h"
#include "core/deal_number.h"
#include "records/output_drivers.h"
#include "records/printed_set_for_test.h"

namespace tarrow {
namespace {

using testing::MakeDeal;
using testing::RecordingPrinter;
using testing::RecordingSurface;

class SetupSheetTest : public testing::PrintedSetTest {};  // portrait 4800 x 6600

// 4800 x 6600: margins 240 and 330, width 4320, column unit round(67.5) = 68
// (ties to even), board height 2640, row unit round(155.3) = 155, lower top
// 990 + 2640, cut at 3300,
// arrow round(47.3) = 47 wide each side and round(80.3) = 80 high.
TEST_F(SetupSheetTest, MetricsFollowThePageSize) {
  const SetupSheetMetrics m = ComputeSetupSheetMetrics(4800, 6600);
  EXPECT_EQ(m.leftMargin, 240);
  EXPECT_EQ(m.topMargin, 330);
  EXPECT_EQ(m.width, 4320);
  EXPECT_EQ(m.columnUnit, 68);
  EXPECT_EQ(m.boardHeight, 2640);
  EXPECT_EQ(m.rowUnit, 155);
  EXPECT_EQ(m.upperTop, 330);
  EXPECT_EQ(m.lowerTop, 3630);
  EXPECT_EQ(m.cutY, 3300);
  EXPECT_EQ(m.arrowHalfWidth, 47);
  EXPECT_EQ(m.arrowHeight, 80);
  // Column unit round(4275 / 64) = round(66.8) = 67 on a 4750-wide page.
  EXPECT_EQ(ComputeSetupSheetMetrics(4750, 6600).columnUnit, 67);
}

// Which boards sit on the upper and the lower half of each page.
std::vector<std::pair<int, int>> Halves(RecordingPrinter& printer, const SetupSheetMetrics& m) {
  std::vector<std::pair<int, int>> halves;
  for (const std::vector<testing::BoardTitle>& page : testing::TitlesByPage(printer, "Board  ")) {
    int upper = 0, lower = 0;
    for (const testing::BoardTitle& title : page) {
      const RecordingSurface::Text& t = title.text;
      if (t.x != m.leftMargin + 4 * m.columnUnit) continue;  // the copy on the right
      (t.y == m.upperTop ? upper : lower) = title.board;
      if (t.y != m.upperTop) {
        EXPECT_EQ(t.y, m.lowerTop);
      }
    }
    halves.push_back({upper, lower});
  }
  return halves;
}

TEST_F(SetupSheetTest, UpperHalvesCarryTheFirstBoardsSoTheCutStacksAreInOrder) {
  const SetupSheetMetrics m = ComputeSetupSheetMetrics(4800, 6600);
  using Pages = std::vector<std::pair<int, int>>;
  {
    ASSERT_TRUE(PrintSetupSheets(printer, set, 1, 1, SetupSheetOptions()).ok());
    EXPECT_EQ(Halves(printer, m), (Pages{{1, 0}}));
    // The cutting line is drawn on every page, with a 3-pixel pen.
    const auto& calls = printer.Page(0, 0).calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 3], "pen 3");
    EXPECT_EQ(calls[calls.size() - 2], "move 240 3300");
    EXPECT_EQ(calls[calls.size() - 1], "line 4560 3300");
  }
  {
    RecordingPrinter five;
    ASSERT_TRUE(PrintSetupSheets(five, set, 1, 5, SetupSheetOptions()).ok());
    EXPECT_EQ(Halves(five, m), (Pages{{1, 4}, {2, 5}, {3, 0}}));
  }
  {
    RecordingPrinter all;
    ASSERT_TRUE(PrintSetupSheets(all, set, 1, 36, SetupSheetOptions()).ok());
    ASSERT_EQ(all.jobs.size(), 1u);
    EXPECT_EQ(all.jobs[0].orientation, PageOrientation::kPortrait);
    EXPECT_EQ(all.jobs[0].copies, 1);
    Pages expected;
    for (int k = 1; k <= 18; ++k) expected.push_back({k, k + 18});
    EXPECT_EQ(Halves(all, m), expected);
  }
  {
    RecordingPrinter middle;  // boards 3..6: 3 above 5, 4 above 6
    ASSERT_TRUE(PrintSetupSheets(middle, set, 3, 6, SetupSheetOptions()).ok());
    EXPECT_EQ(Halves(middle, m), (Pages{{3, 5}, {4, 6}}));
  }
}

TEST_F(SetupSheetTest, BadBoardRangesPrintNothing) {
  for (auto [first, last] : {std::pair{1, 0}, {0, 5}, {1, 37}, {7, 6}}) {
    SCOPED_TRACE(std::to_string(first) + ".." + std::to_string(last));
    const Status s = PrintSetupSheets(printer, set, first, last, SetupSheetOptions());
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find("1..36"), std::string::npos) << s.message();
  }
  EXPECT_TRUE(printer.jobs.empty());
}

TEST_F(SetupSheetTest, HalfSheetPositionsFontsAndCompass) {
  // North: a void in hearts and the ten of spades.
  const Deal deal = MakeDeal("AKQT9..AKQJT9.AK", "J8765.AKQJT.8.QJ", "432.98765.765.T9");
  set.Board(2).number = deal.number;
  set.DealOf(2) = deal;
  const SetupSheetMetrics m = ComputeSetupSheetMetrics(4800, 6600);
  RecordingSurface s;
  s.expectedUnit = FontSizeUnit::kPoints;
  const int y = m.lowerTop;
  SetupHalf(s, m, y, 2, set, SetupSheetOptions{true, DealNumberForm::kHex});

  const auto at = [&](const std::string& text, int x, int yy, const char* face, int size,
                      bool bold) {
    const RecordingSurface::Text t = s.Find(text);
    SCOPED_TRACE(text);
    EXPECT_EQ(t.x, x);
    EXPECT_EQ(t.y, yy);
    EXPECT_EQ(t.face, face);
    EXPECT_EQ(t.size, size);
    EXPECT_EQ(t.bold, bold);
    EXPECT_EQ(t.color, kBlack);
  };
  const std::vector<RecordingSurface::Text> titles = s.FindAll("Board  2");
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[0].x, 240 + 4 * 68);
  EXPECT_EQ(titles[1].x, 240 + 50 * 68);
  EXPECT_EQ(titles[1].y, y);
  EXPECT_EQ(titles[1].face, "Times New Roman");
  EXPECT_EQ(titles[1].size, 14);

  // Seat blocks (68 a column, 155 a row): name two columns in; signs at x
  // from y + (sign height) / 2 one row apart; holdings three columns in, one
  // to four rows down.
  const int nx = 240 + 27 * 68, ny = y + 2 * 155;
  at("NORTH", nx + 2 * 68, ny, "Times New Roman", 14, true);
  at("EAST", 240 + 44 * 68 + 2 * 68, y + 7 * 155, "Times New Roman", 14, true);
  at("SOUTH", nx + 2 * 68, y + 12 * 155, "Times New Roman", 14, true);
  at("WEST", 240 + 10 * 68 + 2 * 68, y + 7 * 155, "Times New Roman", 14, true);
  at("A  K  Q  10  9  ", nx + 3 * 68, ny + 155, "Arial", 14, false);  // the ten as 10
  at("A  K  Q  J  10  9  ", nx + 3 * 68, ny + 3 * 155, "Arial", 14, false);
  // The void: an empty holding beside the heart sign.
  bool voidDrawn = false;
  for (const RecordingSurface::Text& t : s.texts)
    voidDrawn |= t.text.empty() && t.x == nx + 3 * 68 && t.y == ny + 2 * 155;
  EXPECT_TRUE(voidDrawn);
  const std::vector<RecordingSurface::Text> hearts = s.FindAll("\xA9");
  ASSERT_EQ(hearts.size(), 4u);
  EXPECT_EQ(hearts[0].x, nx);
  EXPECT_EQ(hearts[0].y, ny + 20 / 2 + 155);
  EXPECT_EQ(hearts[0].face, "Symbol");
  EXPECT_EQ(hearts[0].size, 20);

  at(std::string(kProgramBanner), 240 + 2 * 68, y + 14 * 155 + 4 * 68 + 155, "Arial", 6, false);
  // The deal number goes on the next line, clear of the banner.
  at("Deal # " + DealNumberHexText(deal.number), 240 + 2 * 68, y + 15 * 155 + 4 * 68 + 6, "Arial",
     6, false);
  const RecordingSurface::Text big = s.Find("2");
  EXPECT_EQ(big.x, 240 + 57 * 68);
  EXPECT_EQ(big.y, y + 3 * 155);
  EXPECT_EQ(big.size, 64);
  EXPECT_TRUE(big.bold);
  EXPECT_EQ(big.color, kLightGrey);

  // Compass: L = 240 + 2160 - 136 = 2264, T = y + 1320 - 155; the square is
  // 4 columns by 4 rows with an 8-pixel pen, the cross inset by half a unit, the
  // arrowhead on the top of the vertical arm, filled with a 1-pixel pen.
  const int L = 2264, T = y + 1320 - 155;
  const std::vector<std::string> compass = {
      "pen 8",
      "rectangle " + std::to_string(L) + " " + std::to_string(T) + " " + std::to_string(L + 272) +
          " " + std::to_string(T + 620),
      "move 2400 " + std::to_string(T + 77),
      "line 2400 " + std::to_string(T + 620 - 77),
      "move 2298 " + std::to_string(T + 310),
      "line 2502 " + std::to_string(T + 310),
      "pen 1",
      "brush solid",
      "polygon 2400," + std::to_string(T + 77) + " 2353," + std::to_string(T + 157) + " 2400," +
          std::to_string(T + 77 + 53) + " 2447," + std::to_string(T + 157),
      "brush clear"};
  EXPECT_EQ(s.calls, compass);
}

TEST_F(SetupSheetTest, DealNumberLineFollowsTheSettingsForm) {
  const SetupSheetMetrics m = ComputeSetupSheetMetrics(4800, 6600);
  const DealNumber n = set.Board(1).number;
  const struct {
    SetupSheetOptions options;
    std::string line;
  } rows[] = {{{false, DealNumberForm::kBase64}, ""},
              {{true, DealNumberForm::kDecimal}, "Deal # " + DealNumberDecimalText(n)},
              {{true, DealNumberForm::kBase64}, "Deal # " + DealNumberBase64Text(n)},
              {{true, DealNumberForm::kHex}, "Deal # " + DealNumberHexText(n)}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    RecordingSurface s;
    s.expectedUnit = FontSizeUnit::kPoints;
    SetupHalf(s, m, m.upperTop, 1, set, row.options);
    int lines = 0;
    for (const RecordingSurface::Text& t : s.texts) lines += t.text.rfind("Deal # ", 0) == 0;
    EXPECT_EQ(lines, row.line.empty() ? 0 : 1);
    if (!row.line.empty()) s.Find(row.line);
  }
}

TEST_F(SetupSheetTest, UndealtBoardShowsNoMadeUpHands) {
  set.Board(3).number = DealNumber();
  const SetupSheetMetrics m = ComputeSetupSheetMetrics(4800, 6600);
  RecordingSurface s;
  s.expectedUnit = FontSizeUnit::kPoints;
  SetupHalf(s, m, m.upperTop, 3, set, SetupSheetOptions{true, DealNumberForm::kBase64});
  EXPECT_TRUE(s.Has("Not Generated"));
  EXPECT_FALSE(s.Has("NORTH"));
  EXPECT_EQ(s.FindAll("Board  3").size(), 2u);
  for (const RecordingSurface::Text& t : s.texts) EXPECT_NE(t.text.rfind("Deal # ", 0), 0u);
}

}  // namespace
}  // namespace tarrow
