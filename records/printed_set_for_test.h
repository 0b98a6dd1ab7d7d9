// For tests only: what the layout tests that print a whole set start from,
// a set generated from a fixed seed and a printer that records its pages,
// and the board titles found on each printed page.
//
//   class TravelerTest : public testing::PrintedSetTest {};
//   for (const auto& page : testing::TitlesByPage(printer, "Board No. ")) ...
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/deal_set.h"
#include "core/generation.h"
#include "records/recording_surface_for_test.h"

namespace tarrow::testing {

class PrintedSetTest : public ::testing::Test {
 protected:
  void SetUp() override { GenerateSet(set, "abc", 46000); }
  DealSet set;
  RecordingPrinter printer;  // 4800 x 6600 upright, 6600 x 4800 across
};

// A board title as drawn: the text and the board number that follows the
// title's words.
struct BoardTitle {
  RecordingSurface::Text text;
  int board = 0;
};

// The titles starting with `words` on every page of the printer's first job,
// page by page, in the order they were drawn.
inline std::vector<std::vector<BoardTitle>> TitlesByPage(RecordingPrinter& printer,
                                                         std::string_view words) {
  std::vector<std::vector<BoardTitle>> pages;
  for (size_t p = 0; p < printer.jobs.at(0).pages.size(); ++p) {
    std::vector<BoardTitle>& titles = pages.emplace_back();
    for (const RecordingSurface::Text& t : printer.Page(0, p).texts) {
      if (t.text.rfind(words, 0) != 0) continue;
      titles.push_back({t, std::stoi(t.text.substr(words.size()))});
    }
  }
  return pages;
}

}  // namespace tarrow::testing
