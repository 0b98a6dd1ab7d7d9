#include "records/traveler.h"

#include <string>

#include "core/banner.h"

namespace tarrow {
namespace {

constexpr std::string_view kArial = "Arial";

struct Column {
  int captionPoints;        // caption size in points
  const char* captions[3];  // header rows 0, 1, 2; null for none
};
// "Made" and "Down" (columns 3 and 4) and "SCORE" (over columns 5 and 6) are
// placed by hand.
constexpr Column kColumns[9] = {
    {9, {"N-S", "Pair", "No."}},       {11, {nullptr, "Contract", nullptr}},
    {11, {nullptr, "BY", nullptr}},    {10, {nullptr, nullptr, nullptr}},
    {10, {nullptr, nullptr, nullptr}}, {10, {nullptr, nullptr, "N-S"}},
    {10, {nullptr, nullptr, "E-W"}},   {9, {"E-W", "Pair", "No."}},
    {10, {nullptr, nullptr, nullptr}}};

void CentredText(Surface& s, int cx, int y, const std::string& text) {
  s.TextOut(cx - s.TextWidth(text) / 2, y, text);
}

// The score table: column rules and captions, then the numbered lines.
void ScoreTable(Surface& s, const TravelerMetrics& m, int x, int hy) {
  const int ru = m.ru, cu = m.cu;
  const int bottom = hy + 20 * ru;
  int c = x;
  for (int i = 0; i < 9; ++i) {
    const int width = kTravelerColumnWidths[size_t(i)];
    if (i == 6) {
      s.MoveTo(c, hy + 2 * ru);
      s.LineTo(c, bottom);
      s.MoveTo(c - 2 * cu, hy + 2 * ru);  // under "SCORE"
      s.LineTo(c + 2 * cu, hy + 2 * ru);
    } else {
      s.MoveTo(c, hy);
      s.LineTo(c, bottom);
    }
    const int mid = c + (width * cu) / 2;
    const bool upwards = i == 3 || i == 4;
    s.SetLogicalFont(kArial, RoundHalfEven(kColumns[i].captionPoints * ru * 0.07), 100,
                     upwards ? 900 : 0);
    const int textHeight = s.TextHeight("I");
    for (int row = 0; row < 3; ++row) {
      if (kColumns[i].captions[row] == nullptr) continue;
      CentredText(s, mid, hy + row * ru + (ru - textHeight) / 2, kColumns[i].captions[row]);
    }
    if (upwards) {
      // Centred on the column and on the middle of the three header rows.
      const std::string caption = i == 3 ? "Made" : "Down";
      s.TextOut(mid - textHeight / 2, hy + RoundHalfEven(0.5 * s.TextWidth(caption) + 1.5 * ru),
                caption);
    }
    if (i == 5) CentredText(s, c + 2 * cu, hy + ru - textHeight / 2, "SCORE");
    c += width * cu;
  }

  const int right = x + m.tw - cu;
  const int numberX = x + cu / 2;
  int y = hy;
  for (int r = 0; r <= 17; ++r) {
    s.MoveTo(x, y);
    s.LineTo(right, y);
    s.SetFont(kArial, 10, FontSizeUnit::kPoints, false);
    if (r == 0) {
      y += 3 * ru;  // the header
      continue;
    }
    CentredText(s, numberX, y + (ru - s.TextHeight("I")) / 2, std::to_string(r));
    y += ru;
  }
  s.MoveTo(x, y);
  s.LineTo(right, y);
}

}  // namespace

TravelerMetrics ComputeTravelerMetrics(int pw, int ph) {
  TravelerMetrics m;
  m.pageHeight = ph;
  m.tw = (pw - 80) / 3;
  m.th = RoundHalfEven((ph - 60) * 0.7);
  m.ru = RoundHalfEven(m.th / 22.0);
  m.cu = RoundHalfEven(m.tw / 13.0);
  m.box.pdf = false;
  m.box.leftMargin = 0;  // the traveler places the box itself
  m.box.topMargin = 0;
  m.box.cellWidth = (pw - 80) / 4;
  m.box.gridUnit = m.box.cellWidth / 24;
  m.box.cellHeight = RoundHalfEven((ph - 120) * 0.27);
  m.box.lineUnit = m.box.cellHeight / 26;
  return m;
}

void Traveler(Surface& s, const TravelerMetrics& m, int x, int y, int board, int lastBoard,
              const DealSet& set) {
  if (board > lastBoard) return;
  s.SetFont(kArial, 15, FontSizeUnit::kPoints, false);
  s.SetPenWidth(6);
  const std::string title = "Board No. " + std::to_string(board);
  s.TextOut(x, y, title);
  const int hy = y + RoundHalfEven(1.5 * s.TextHeight(title));

  HandRecordOptions box;
  box.showDistributions = box.showLtc = box.showAnalysis = box.allTricks = true;
  box.showDealNumbers = false;
  BoardBox(s, m.box, x + m.tw - m.box.cellWidth, hy + m.th - m.ru, board, set.Board(board),
           set.DealOf(board), box);

  ScoreTable(s, m, x, hy);
  s.SetFont(kArial, 5, FontSizeUnit::kPoints, false);
  const int bottom = hy + 20 * m.ru;
  s.TextOut(x + m.tw - m.cu - s.TextWidth(kProgramBanner),
            bottom + s.TextHeight(kProgramBanner) / 2, kProgramBanner);
}

void TravelerPage(Surface& s, const TravelerMetrics& m, const std::array<int, 3>& boards,
                  int lastBoard, const DealSet& set) {
  for (int i = 0; i < 3; ++i) Traveler(s, m, i * m.tw + 40, 60, boards[size_t(i)], lastBoard, set);
  s.SetPenWidth(1);
  for (int i = 1; i <= 2; ++i) {
    s.MoveTo(i * m.tw - 40, 0);
    s.LineTo(i * m.tw - 40, m.pageHeight);
  }
}

}  // namespace tarrow
