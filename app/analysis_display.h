// What the window and the command line show of a running analysis, made
// from the numbers the runner offers: the progress line, the completion
// line, the label under the Threads setting, and the 6 x 6 progress grid
// whose cells take a colour from each board's two DoneMasks.
//
//   AnalysisRunner::TickResult t = runner.Tick();
//   label = t.completed ? DoneText(t.elapsedSeconds) : ProgressText(t);   // "Deals 7 - 9"
//   ProgressGrid grid(0x80FF80, seed);  QRect cell = grid.Cell(7);
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "analysis/runner.h"
#include "core/deal_set.h"

namespace tarrow {

// "Deals 7 - 9": the lowest and highest board the live workers hold.
std::string ProgressText(const AnalysisRunner::TickResult& tick);
// "Done in 1.50 min": the run's duration in minutes with two decimals.
std::string DoneText(double elapsedSeconds);
// True when every present board has all ten results: an analysis that ends
// short of that was stopped, not done.
bool SetAnalysed(const DealSet& set) noexcept;

// How far the analysis of a set has come.
// Only present boards count: an absent board has no jobs.
struct ProgressCounts {
  int jobs = 0;         // strains of a side whose tricks are known, 0..360
  int boards = 0;       // boards with all ten known, 0..36
  int jobsInSet = 0;    // ten for each present board, 0..360
  int boardsInSet = 0;  // present boards, 0..36
};
ProgressCounts CountProgress(const DealSet& set) noexcept;
// "0:45", "1:02:03": a duration as a clock shows it.
std::string ClockText(double seconds);
// What the window and the command line show of a running analysis:
// "123/360 jobs  12/36 boards  0:45 elapsed  about 1:30 left" (a set of 24
// boards: "123/240 jobs  12/24 boards ...").  The
// estimate goes by the pace of this run (jobs done since it started with
// jobsAtStart known); before the first job it reads "estimating".
std::string ProgressSummary(const ProgressCounts& now, int jobsAtStart, double elapsedSeconds);
// The label under the setting, with the workers it gives: "3 Threads used.",
// "8 Threads used." for 9..32.
std::string MaxThreadsText(int threadsSetting);

// The colours and cells of the 127 x 127 pixel progress grid, one 19 x 19
// cell per board at 21-pixel steps, its colour chosen by the board's two
// DoneMasks: 32 x NS + EW indexes a table of 1024 colours.
struct ProgressGrid {
  static constexpr int kImageSize = 127;
  static constexpr int kDoneEntry = 1023;  // the colour of all ten results, and the background
  struct Rect {
    int left, top, right, bottom;
  };
  // Entry 0 black (nothing done), 1023 `doneColour` (all ten jobs), the rest
  // light colours (each channel 128..255) from a generator seeded with
  // `seed`, so that every partial state of a board has its own colour.
  // Colours are 0xRRGGBB.
  ProgressGrid(uint32_t doneColour, uint32_t seed);
  static Rect Cell(int board) noexcept;  // board 1..36
  uint32_t CellColour(const BoardEntry& entry) const noexcept {
    return colours[(entry.doneMask[0] & 31) * 32 + (entry.doneMask[1] & 31)];
  }
  std::array<uint32_t, 1024> colours;
};

}  // namespace tarrow
