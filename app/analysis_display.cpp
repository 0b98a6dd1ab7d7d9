#include "app/analysis_display.h"

#include <bit>
#include <cstdio>
#include <random>

namespace tarrow {

std::string ProgressText(const AnalysisRunner::TickResult& tick) {
  return "Deals " + std::to_string(tick.lowestBoard) + " - " + std::to_string(tick.highestBoard);
}

std::string DoneText(double elapsedSeconds) {
  char text[64];
  std::snprintf(text, sizeof text, "Done in %.2f min", elapsedSeconds / 60);
  return text;
}

std::string MaxThreadsText(int threadsSetting) {
  return std::to_string(AnalysisRunner::WorkersFor(threadsSetting)) + " Threads used.";
}

ProgressGrid::ProgressGrid(uint32_t doneColour, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<uint32_t> light(128, 255);
  for (uint32_t& colour : colours) {
    const uint32_t r = light(random), g = light(random), b = light(random);
    colour = r << 16 | g << 8 | b;
  }
  colours[0] = 0x000000;
  colours[kDoneEntry] = doneColour;
}

ProgressGrid::Rect ProgressGrid::Cell(int board) noexcept {
  const int column = (board - 1) % 6, row = (board - 1) / 6;
  const int left = column * 21 + 1, top = row * 21 + 1;
  return {left, top, left + 19, top + 19};
}

ProgressCounts CountProgress(const DealSet& set) noexcept {
  ProgressCounts counts;
  for (const BoardEntry& entry : set.boards) {
    if (!entry.number.valid) continue;
    counts.jobsInSet += 10;
    ++counts.boardsInSet;
    counts.jobs += std::popcount(unsigned(entry.doneMask[0] & kAllStrainsDone)) +
                   std::popcount(unsigned(entry.doneMask[1] & kAllStrainsDone));
    counts.boards += entry.doneMask[0] == kAllStrainsDone && entry.doneMask[1] == kAllStrainsDone;
  }
  return counts;
}

std::string ClockText(double seconds) {
  const long s = long(seconds + 0.5);
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  }
  return text;
}

std::string ProgressSummary(const ProgressCounts& now, int jobsAtStart, double elapsedSeconds) {
  const int doneThisRun = now.jobs - jobsAtStart;
  const int toDo = now.jobsInSet - now.jobs;
  std::string left = "estimating";
  if (doneThisRun > 0) left = "about " + ClockText(elapsedSeconds * toDo / doneThisRun) + " left";
  char counts[96];
  std::snprintf(counts, sizeof counts, "%3d/%d jobs  %2d/%d boards  %s elapsed  ", now.jobs,
                now.jobsInSet, now.boards, now.boardsInSet, ClockText(elapsedSeconds).c_str());
  return counts + left;
}

bool SetAnalysed(const DealSet& set) noexcept {
  for (const BoardEntry& entry : set.boards) {
    if (entry.number.valid &&
        (entry.doneMask[0] != kAllStrainsDone || entry.doneMask[1] != kAllStrainsDone)) {
      return false;
    }
  }
  return true;
}

}  // namespace tarrow
