#include "records/traveler.h"

#include <gtest/gtest.h>

#include <string>

#include "core/banner.h"
#include "records/output_drivers.h"
#include "records/printed_set_for_test.h"

namespace tarrow {
namespace {

using testing::RecordingPrinter;
using testing::RecordingSurface;

class TravelerTest : public testing::PrintedSetTest {};  // landscape 6600 x 4800

// 6600 x 4800 landscape: TW (6600 - 80) div 3 = 2173, TH round(4740 * 0.7) =
// 3318, RU round(150.8) = 151, CU round(167.2) = 167; the board box: CW 1630,
// GU 67, CH round(4680 * 0.27) = round(1263.6) = 1264, LU 48.
TEST_F(TravelerTest, MetricsFollowThePageSize) {
  const TravelerMetrics m = ComputeTravelerMetrics(6600, 4800);
  EXPECT_EQ(m.tw, 2173);
  EXPECT_EQ(m.th, 3318);
  EXPECT_EQ(m.ru, 151);
  EXPECT_EQ(m.cu, 167);
  EXPECT_EQ(m.box.cellWidth, 1630);
  EXPECT_EQ(m.box.gridUnit, 67);
  EXPECT_EQ(m.box.cellHeight, 1264);
  EXPECT_EQ(m.box.lineUnit, 48);
  EXPECT_FALSE(m.box.pdf);
}

// The boards of each page, left to right (0 for an empty third).
std::vector<std::vector<int>> Columns(RecordingPrinter& printer, const TravelerMetrics& m) {
  std::vector<std::vector<int>> pages;
  for (const std::vector<testing::BoardTitle>& page :
       testing::TitlesByPage(printer, "Board No. ")) {
    std::vector<int> columns(3, 0);
    for (const testing::BoardTitle& title : page) {
      const RecordingSurface::Text& t = title.text;
      EXPECT_EQ(t.y, 60);
      EXPECT_EQ((t.x - 40) % m.tw, 0) << t.x;
      columns.at(size_t((t.x - 40) / m.tw)) = title.board;
    }
    pages.push_back(columns);
  }
  return pages;
}

TEST_F(TravelerTest, ColumnsAreStacksInBoardOrder) {
  const TravelerMetrics m = ComputeTravelerMetrics(6600, 4800);
  using Pages = std::vector<std::vector<int>>;
  {
    ASSERT_TRUE(PrintTravelers(printer, set, 1).ok());
    ASSERT_EQ(printer.jobs.size(), 1u);
    EXPECT_EQ(printer.jobs[0].orientation, PageOrientation::kLandscape);
    EXPECT_EQ(printer.jobs[0].copies, 1);
    EXPECT_EQ(Columns(printer, m), (Pages{{1, 0, 0}}));
    // Both cutting lines, top to bottom of the page, with a 1-pixel pen.
    const RecordingSurface& page = printer.Page(0, 0);
    EXPECT_TRUE(page.HasCall("move 2133 0"));
    EXPECT_TRUE(page.HasCall("line 2133 4800"));
    EXPECT_TRUE(page.HasCall("move 4306 0"));
    EXPECT_TRUE(page.HasCall("line 4306 4800"));
    // The font is upright again before the job ends.
    EXPECT_EQ(page.fonts.back().find("turned"), std::string::npos);
  }
  {
    RecordingPrinter seven;
    ASSERT_TRUE(PrintTravelers(seven, set, 7).ok());
    EXPECT_EQ(Columns(seven, m), (Pages{{1, 4, 7}, {2, 5, 0}, {3, 6, 0}}));
  }
  {
    RecordingPrinter all;
    ASSERT_TRUE(PrintTravelers(all, set, 36).ok());
    Pages expected;
    for (int i = 1; i <= 12; ++i) expected.push_back({i, 12 + i, 24 + i});
    EXPECT_EQ(Columns(all, m), expected);
  }
  for (int bad : {0, 37}) {
    RecordingPrinter none;
    EXPECT_FALSE(PrintTravelers(none, set, bad).ok());
    EXPECT_TRUE(none.jobs.empty());
  }
}

class OneTravelerTest : public TravelerTest {
 protected:
  void Draw(int board) {
    s.expectedUnit = std::nullopt;
    set.RefreshDeals();
    Traveler(s, m, 40 + m.tw, 60, board, 36, set);
  }
  const TravelerMetrics m = ComputeTravelerMetrics(6600, 4800);
  RecordingSurface s;
  // "Board No. n" is 15 high: hy = 60 + round(22.5) = 82 (ties to even).
  static constexpr int kX = 40 + 2173, kHy = 82;
};

TEST_F(OneTravelerTest, ScoreTableHeaderAndSeventeenNumberedLines) {
  Draw(5);
  const RecordingSurface::Text title = s.Find("Board No. 5");
  EXPECT_EQ(title.x, kX);
  EXPECT_EQ(title.face, "Arial");
  EXPECT_EQ(title.size, 15);
  EXPECT_EQ(s.calls.at(0), "pen 6");

  // Captions: height round(size * RU * 0.07) (9 -> 95, 10 -> 106, 11 -> 116),
  // centred on the column's middle, top in the row's middle.
  const auto caption = [&](const std::string& text, int column, int row, int height) {
    int c = kX;
    for (int i = 0; i < column; ++i) c += kTravelerColumnWidths[size_t(i)] * 167;
    const int mid = c + kTravelerColumnWidths[size_t(column)] * 167 / 2;
    const int width = int(text.size()) * height / 2;
    std::vector<RecordingSurface::Text> found;
    for (const RecordingSurface::Text& t : s.texts)
      if (t.text == text && t.x == mid - width / 2) found.push_back(t);
    ASSERT_EQ(found.size(), 1u) << text << " in column " << column;
    EXPECT_EQ(found[0].y, kHy + row * 151 + (151 - height) / 2) << text;
    EXPECT_EQ(found[0].size, height) << text;
    EXPECT_EQ(found[0].rotation, 0) << text;
  };
  caption("N-S", 0, 0, 95);
  caption("Pair", 0, 1, 95);
  caption("No.", 0, 2, 95);
  caption("Contract", 1, 1, 116);
  caption("BY", 2, 1, 116);
  caption("N-S", 5, 2, 106);
  caption("E-W", 6, 2, 106);
  caption("E-W", 7, 0, 95);
  caption("No.", 7, 2, 95);
  EXPECT_NE(std::find(s.fonts.begin(), s.fonts.end(), "Arial 95 weight 100 turned 0"),
            s.fonts.end());

  // "Made" and "Down" read upwards, centred on their column and on the
  // middle of the header: x = m - 53, y = hy + round(0.5 * 212 + 226.5) = hy + 332.
  const RecordingSurface::Text made = s.Find("Made");
  EXPECT_EQ(made.rotation, 900);
  EXPECT_EQ(made.size, 106);
  EXPECT_EQ(made.x, kX + 5 * 167 + 83 - 53);
  EXPECT_EQ(made.y, kHy + 332);
  const RecordingSurface::Text down = s.Find("Down");
  EXPECT_EQ(down.rotation, 900);
  EXPECT_EQ(down.x, kX + 6 * 167 + 83 - 53);
  // "SCORE" over columns 5 and 6, centred on their border.
  const RecordingSurface::Text score = s.Find("SCORE");
  EXPECT_EQ(score.x, kX + 9 * 167 - 5 * 106 / 2 / 2);
  EXPECT_EQ(score.y, kHy + 151 - 106 / 2);
  EXPECT_EQ(score.rotation, 0);

  // The numbers 1..17 in Arial 10, centred on the first column, one a row
  // under the three-row header.
  std::vector<int> numbers;
  for (const RecordingSurface::Text& t : s.texts) {
    if (t.face != "Arial" || t.size != 10 || t.rotation != 0) continue;
    const int n = std::stoi(t.text);
    numbers.push_back(n);
    EXPECT_EQ(t.x, kX + 83 - int(t.text.size()) * 10 / 2 / 2) << n;
    EXPECT_EQ(t.y, kHy + (3 + n - 1) * 151 + (151 - 10) / 2) << n;
  }
  std::vector<int> expected;
  for (int n = 1; n <= 17; ++n) expected.push_back(n);
  EXPECT_EQ(numbers, expected);

  // 19 rules across (the header's top, 17 under it and the bottom), from x to
  // x + TW - CU; the column rules run to the bottom B = hy + 20 RU.
  const int right = kX + 2173 - 167, bottom = kHy + 20 * 151;
  int across = 0;
  for (size_t i = 0; i + 1 < s.calls.size(); ++i) {
    if (s.calls[i].rfind("move " + std::to_string(kX) + " ", 0) == 0 &&
        s.calls[i + 1].rfind("line " + std::to_string(right) + " ", 0) == 0)
      ++across;
  }
  EXPECT_EQ(across, 19);
  EXPECT_TRUE(s.HasCall("line " + std::to_string(right) + " " + std::to_string(bottom)));
  const int c6 = kX + 9 * 167;
  EXPECT_TRUE(s.HasCall("move " + std::to_string(c6) + " " + std::to_string(kHy + 302)));
  EXPECT_TRUE(s.HasCall("move " + std::to_string(c6 - 334) + " " + std::to_string(kHy + 302)));
  EXPECT_TRUE(s.HasCall("line " + std::to_string(c6 + 334) + " " + std::to_string(kHy + 302)));
  EXPECT_TRUE(s.HasCall("line " + std::to_string(kX + 12 * 167) + " " + std::to_string(bottom)));

  // The banner in 5 points, its right end at x + TW - CU, under the table.
  const std::string banner(kProgramBanner);
  const RecordingSurface::Text b = s.Find(banner);
  EXPECT_EQ(b.x + int(banner.size()) * 5 / 2, right);
  EXPECT_EQ(b.y, bottom + 5 / 2);
}

TEST_F(OneTravelerTest, BoardBoxBelowTheTableWithTricksOnceAnalysed) {
  Draw(5);
  // The box's corner: x0 = x + TW - CW, y0 = hy + TH - RU.
  const int x0 = kX + 2173 - 1630, y0 = kHy + 3318 - 151;
  const RecordingSurface::Text box = s.Find("Board 5");
  EXPECT_EQ(box.x, x0 + 67);
  EXPECT_EQ(box.y, y0 + 67);
  EXPECT_EQ(box.size, 9);  // printer points
  s.Find("Dlr N");
  EXPECT_FALSE(s.Has("NT"));        // not analysed: no trick table,
  EXPECT_FALSE(s.Has("Distrb  "));  // and no distributions in its place
  EXPECT_FALSE(s.Has("LTC"));

  const size_t sevens = s.FindAll("7").size();  // a 7 elsewhere, if any
  set.Board(5).doneMask = {kAllStrainsDone, kAllStrainsDone};
  set.Board(5).table.fill(7);
  s = RecordingSurface();
  Draw(5);
  EXPECT_TRUE(s.Has("NT"));
  EXPECT_EQ(s.FindAll("7").size(), sevens + 10);  // both pairs, five strains, once each
}

TEST_F(OneTravelerTest, BoardsBeyondTheLastDrawNothing) {
  s.expectedUnit = std::nullopt;
  Traveler(s, m, 40, 60, 8, 7, set);
  EXPECT_TRUE(s.texts.empty());
  EXPECT_TRUE(s.calls.empty());
}

}  // namespace
}  // namespace tarrow
