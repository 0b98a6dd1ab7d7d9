#include "app/analysis_display.h"

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
  colours[1023] = doneColour;
}

ProgressGrid::Rect ProgressGrid::Cell(int board) noexcept {
  const int column = (board - 1) % 6, row = (board - 1) / 6;
  const int left = column * 21 + 1, top = row * 21 + 1;
  return {left, top, left + 19, top + 19};
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
