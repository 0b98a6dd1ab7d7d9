#include "app/analysis_display.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

TEST(AnalysisDisplayTest, TextsShowTheRunnersNumbers) {
  AnalysisRunner::TickResult tick;
  tick.lowestBoard = 7;
  tick.highestBoard = 9;
  EXPECT_EQ(ProgressText(tick), "Deals 7 - 9");
  EXPECT_EQ(DoneText(90), "Done in 1.50 min");
  EXPECT_EQ(DoneText(0.3), "Done in 0.01 min");
  EXPECT_EQ(MaxThreadsText(1), "1 Threads used.");
  EXPECT_EQ(MaxThreadsText(9), "8 Threads used.");
  EXPECT_EQ(MaxThreadsText(32), "8 Threads used.");
}

TEST(AnalysisDisplayTest, GridCellsAndColoursFollowTheDoneMasks) {
  const ProgressGrid grid(0x123456, 99);
  EXPECT_EQ(grid.colours[0], 0x000000u);
  EXPECT_EQ(grid.colours[1023], 0x123456u);
  for (int i = 1; i < 1023; ++i) {
    for (int shift : {0, 8, 16}) ASSERT_GE((grid.colours[size_t(i)] >> shift) & 0xFF, 128u);
  }
  const ProgressGrid::Rect first = ProgressGrid::Cell(1), last = ProgressGrid::Cell(36);
  EXPECT_EQ(first.left, 1);
  EXPECT_EQ(first.bottom, 20);
  EXPECT_EQ(ProgressGrid::Cell(8).left, 22);  // column 1, row 1
  EXPECT_EQ(ProgressGrid::Cell(8).top, 22);
  EXPECT_EQ(last.right, 5 * 21 + 1 + 19);
  BoardEntry entry;
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  EXPECT_EQ(grid.CellColour(entry), 0x123456u);
  entry.doneMask = {1, 2};
  EXPECT_EQ(grid.CellColour(entry), grid.colours[34]);
}

TEST(AnalysisDisplayTest, ASetIsAnalysedOnlyWhenEveryPresentBoardIsComplete) {
  DealSet set;
  EXPECT_TRUE(SetAnalysed(set)) << "no board, nothing to do";
  set.Board(4).number = DealNumber{true, 0, 0, 5};
  EXPECT_FALSE(SetAnalysed(set)) << "a halted run reads Stopped, not Done";
  set.Board(4).doneMask = {kAllStrainsDone, kAllStrainsDone - 1};
  EXPECT_FALSE(SetAnalysed(set));
  set.Board(4).doneMask = {kAllStrainsDone, kAllStrainsDone};
  EXPECT_TRUE(SetAnalysed(set)) << "absent boards need nothing";
}

TEST(AnalysisDisplayTest, ProgressCountsTheJobsOfThePresentBoardsOnly) {
  // 24 boards, as from a short imported file: board 7 complete, board 8
  // half done; the absent slots count for nothing.
  DealSet set;
  for (int board = 1; board <= 24; ++board) set.Board(board).number = DealNumber{true, 0, 0, 5};
  set.Board(7).doneMask = {kAllStrainsDone, kAllStrainsDone};
  set.Board(8).doneMask = {kAllStrainsDone, 0};
  set.Board(30).doneMask = {kAllStrainsDone, kAllStrainsDone};  // absent: ignored
  const ProgressCounts counts = CountProgress(set);
  EXPECT_EQ(counts.jobs, 15);
  EXPECT_EQ(counts.boards, 1);
  EXPECT_EQ(counts.jobsInSet, 240);
  EXPECT_EQ(counts.boardsInSet, 24);
  // Ten jobs done this run in 20 seconds: 225 to go at that pace.
  EXPECT_EQ(ProgressSummary(counts, 5, 20),
            " 15/240 jobs   1/24 boards  0:20 elapsed  about 7:30 left");
  EXPECT_EQ(ProgressSummary(counts, 15, 20),
            " 15/240 jobs   1/24 boards  0:20 elapsed  estimating");
}

}  // namespace
}  // namespace tarrow
