// Whatever the operator shows on the hand records, nothing on a page may be
// drawn over anything else: every text keeps clear of every other text, of
// every line (the grid, the trick table's frame) and of the logo, and stays
// on the page.  The pages are drawn on the recording surface with the real
// font metrics of the PDF writer, at the PDF's geometry and at a printer's.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/generation.h"
#include "pdf/pdf_document.h"
#include "records/hand_record.h"
#include "records/hand_record_pdf.h"
#include "records/logo.h"
#include "records/recording_surface_for_test.h"

namespace tarrow {
namespace {

using testing::RecordingSurface;

struct Rect {
  int left, top, right, bottom;
};

// Where a text's letters stand: as wide as measured, and in height the
// part of its cell from the top of the capitals, an eighth down, to a little
// below the baseline, five sixths down.  The rest of the cell is blank but
// for the descenders of a few letters, and lines of text are set closer than
// their cells (the suit signs two line units apart in a cell of 2.2, the
// distribution rows one apart in a cell of 1.2).
Rect BoxOf(const RecordingSurface::Text& t) {
  return {t.x, t.y + t.height / 8, t.x + t.width, t.y + t.height * 5 / 6};
}

// Open interiors meet: boxes that only touch along an edge do not.
bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Whether the line, as wide as its pen, covers part of the box: a line
// along a text's edge leaves it clear, one through it crosses it.
bool Crosses(const RecordingSurface::Segment& s, const Rect& box) {
  const int half = s.width / 2;
  const Rect r{box.left - half, box.top - half, box.right + half, box.bottom + half};
  double lo = 0, hi = 1;  // the part of the segment strictly inside, as fractions
  const auto clip = [&](double from, double delta, double min, double max) {
    if (delta == 0) {
      if (from <= min || from >= max) hi = -1;
      return;
    }
    double a = (min - from) / delta, b = (max - from) / delta;
    if (a > b) std::swap(a, b);
    lo = std::max(lo, a);
    hi = std::min(hi, b);
  };
  clip(s.x1, s.x2 - s.x1, r.left, r.right);
  clip(s.y1, s.y2 - s.y1, r.top, r.bottom);
  return lo < hi;
}

std::string Describe(const RecordingSurface::Text& t) {
  return "'" + t.text + "' (" + t.face + " " + std::to_string(t.size) + ") at " +
         std::to_string(t.x) + "," + std::to_string(t.y) + " size " + std::to_string(t.width) +
         "x" + std::to_string(t.height);
}

// Everything drawn over something else, or off the page, one line each.
std::vector<std::string> Collisions(const RecordingSurface& page, int pageWidth, int pageHeight) {
  std::vector<std::string> found;
  const Rect sheet{0, 0, pageWidth, pageHeight};
  for (const auto& line : page.lines) {
    for (int x : {line.x1, line.x2})
      if (x < 0 || x > pageWidth)
        found.push_back("a line leaves the page at x " + std::to_string(x));
    for (int y : {line.y1, line.y2})
      if (y < 0 || y > pageHeight)
        found.push_back("a line leaves the page at y " + std::to_string(y));
  }
  const auto& texts = page.texts;
  for (size_t i = 0; i < texts.size(); ++i) {
    const Rect box = BoxOf(texts[i]);
    if (texts[i].width == 0) continue;  // a void's empty holding
    if (texts[i].rotation != 0) found.push_back(Describe(texts[i]) + " is turned");
    if (box.left < sheet.left || box.top < sheet.top || box.right > sheet.right ||
        box.bottom > sheet.bottom)
      found.push_back(Describe(texts[i]) + " leaves the page");
    for (size_t j = i + 1; j < texts.size(); ++j) {
      if (texts[j].width > 0 && Overlap(box, BoxOf(texts[j])))
        found.push_back(Describe(texts[i]) + " overlaps " + Describe(texts[j]));
    }
    for (const auto& line : page.lines) {
      if (Crosses(line, box))
        found.push_back(Describe(texts[i]) + " is crossed by the line " + std::to_string(line.x1) +
                        "," + std::to_string(line.y1) + " - " + std::to_string(line.x2) + "," +
                        std::to_string(line.y2));
    }
    for (const auto& image : page.images) {
      if (Overlap(box, {image.left, image.top, image.right, image.bottom}))
        found.push_back(Describe(texts[i]) + " overlaps the logo");
    }
  }
  return found;
}

HandRecordOptions OptionsOf(int bits) {
  HandRecordOptions o;
  o.showDistributions = bits & 1;
  o.showDealNumbers = bits & 2;
  o.showLtc = bits & 4;
  o.showAnalysis = bits & 8;
  o.showPar = bits & 16;
  o.allTricks = bits & 32;
  return o;
}

std::string NameOf(const HandRecordOptions& o) {
  std::string name;
  if (o.showDistributions) name += "distributions ";
  if (o.showDealNumbers) name += "numbers ";
  if (o.showLtc) name += "LTC ";
  if (o.showAnalysis) name += "analysis ";
  if (o.showPar) name += "par ";
  return name + (o.allTricks ? "all tricks" : "contracts");
}

// Tricks as a solver might give them: a side takes more the more points and
// trumps it holds, the opponents about the rest; now and then the two seats of
// a side differ by one, and some strains are made by both sides.
DDTable PlausibleTable(const Deal& deal, int board) {
  DDTable table{};
  const int nsPoints = deal.points[kNorth] + deal.points[kSouth];
  for (Strain strain : kStrains) {
    int fit = 0;
    if (strain != kNotrump) {
      const Suit suit = SuitOfStrain(strain);
      fit = deal.suitLength[kNorth][suit] + deal.suitLength[kSouth][suit] - 7;
    }
    const int ns = std::clamp(7 + (nsPoints - 20) / 3 + fit, 0, 13);
    const int ew = std::clamp(13 - ns + (board + strain) % 2, 0, 13);
    const int split = (board + strain) % 3 == 0 ? 1 : 0;
    table[size_t(DDIndex(kNorth, strain))] = uint8_t(ns);
    table[size_t(DDIndex(kSouth, strain))] = uint8_t(std::max(0, ns - split));
    table[size_t(DDIndex(kEast, strain))] = uint8_t(ew);
    table[size_t(DDIndex(kWest, strain))] = uint8_t(std::min(13, ew + split));
  }
  return table;
}

DealSet AnalysedSet(const char* seed) {
  DealSet set;
  GenerateSet(set, seed, 46000);
  set.header.event = "Tuesday Pairs, Swiss movement: an event name of 64 characters...";
  set.header.description = "Second round of the club championship, all 36 boards";
  set.header.site = "Club house, main hall";
  set.header.computerName = "clubpc";
  for (int b = 1; b <= kBoardsPerSet; ++b) {
    BoardEntry& entry = set.Board(b);
    entry.table = PlausibleTable(set.DealOf(b), b);
    entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  }
  return set;
}

struct Geometry {
  const char* name;
  HandRecordMetrics metrics;
  int resolution;             // the measuring document's units per inch
  int pageWidth, pageHeight;  // what the page offers, in those units
};

const Geometry kGeometries[] = {
    {"PDF", PdfHandRecordMetrics(), 300, 2479, 3508},
    {"printer, A4 at 600 dpi", PrinterHandRecordMetrics(4760, 6812), 600, 4760, 6812},
    {"printer, letter at 300 dpi", PrinterHandRecordMetrics(2400, 3300), 300, 2400, 3300},
};

// Draws both pages of the set with every combination of options and
// reports the first pages where something collides.
void ExpectNothingCollides(const DealSet& set) {
  const RgbImage logo = Logo(32);
  for (const Geometry& g : kGeometries) {
    TPdfDocumentGDI document;
    document.SetResolution(g.resolution);
    PdfSurface measure(document);
    for (int bits = 0; bits < 64; ++bits) {
      const HandRecordOptions options = OptionsOf(bits);
      for (int page = 1; page <= 2; ++page) {
        SCOPED_TRACE(std::string(g.name) + ", " + NameOf(options) + ", page " +
                     std::to_string(page));
        RecordingSurface surface;
        surface.expectedUnit = std::nullopt;
        surface.measure = &measure;
        HandRecordPage(surface, g.metrics, options, page, set, "Tarrow Bridge Club", logo,
                       "/club/sets/tuesday.pbn");
        ASSERT_EQ(measure.Error(), "") << "no usable font: the metrics would be empty";
        ASSERT_GT(surface.texts.size(), 18u * 30u);
        const std::vector<std::string> found = Collisions(surface, g.pageWidth, g.pageHeight);
        std::string list;
        for (size_t i = 0; i < std::min<size_t>(found.size(), 8); ++i) list += found[i] + "\n";
        ASSERT_TRUE(found.empty()) << found.size() << " collisions, the first:\n" << list;
      }
    }
  }
}

TEST(HandRecordOverlapTest, CollisionCheckSeesOverlapsAndCrossingsButNotTouching) {
  // The check itself, on hand-made drawings: a check that never complains
  // would pass every layout.
  TPdfDocumentGDI document;
  document.SetResolution(300);
  PdfSurface measure(document);
  RecordingSurface one;  // a single text at (100, 100)
  one.measure = &measure;
  one.SetFont("Arial", 40, FontSizeUnit::kHeight, false);
  one.TextOut(100, 100, "3FD12BCA");
  const int width = one.texts[0].width, height = one.texts[0].height;
  ASSERT_GT(width, 100);
  ASSERT_EQ(height, 40);

  // A text whose capitals start where the first one's baseline area ends, one
  // right beside it, a thin line along its cap line and down its right edge.
  RecordingSurface touching = one;
  touching.TextOut(100 + width, 100, "right beside");
  touching.TextOut(100, 100 + height * 5 / 6 - height / 8, "just below");
  touching.MoveTo(90, 100 + height / 8);
  touching.LineTo(100 + width, 100 + height / 8);
  touching.LineTo(100 + width, 100 + height);
  EXPECT_TRUE(Collisions(touching, 2479, 3508).empty());

  const struct {
    const char* name;
    void (*draw)(RecordingSurface&, int width, int height);
  } faults[] = {
      {"a text over a corner",
       [](RecordingSurface& s, int w, int h) { s.TextOut(100 + w - 1, 100 + h / 2, "over"); }},
      {"a wide pen along the cap line",
       [](RecordingSurface& s, int w, int h) {
         s.SetPenWidth(4);
         s.MoveTo(100, 100 + h / 8 - 1);
         s.LineTo(100 + w, 100 + h / 8 - 1);
       }},
      {"a line through a text",
       [](RecordingSurface& s, int w, int) {
         s.MoveTo(100 + w / 2, 0);
         s.LineTo(100 + w / 2, 1000);
       }},
      {"a line ending inside a text",
       [](RecordingSurface& s, int, int) {
         s.MoveTo(0, 120);
         s.LineTo(101, 120);
       }},
      {"a slanting line across a corner",
       [](RecordingSurface& s, int, int) {
         s.MoveTo(90, 125);
         s.LineTo(125, 90);
       }},
      {"a text under the logo",
       [](RecordingSurface& s, int, int) { s.StretchDraw(120, 130, 200, 210, RgbImage{}); }},
      {"a text off the page", [](RecordingSurface& s, int, int) { s.TextOut(2470, 3000, "edge"); }},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.name);
    RecordingSurface faulty = one;
    fault.draw(faulty, width, height);
    EXPECT_EQ(Collisions(faulty, 2479, 3508).size(), 1u);
  }
}

TEST(HandRecordOverlapTest, NothingIsDrawnOverAnythingElseWithAnyOptions) {
  for (const char* seed : {"Tuesday club 2026-12-08", "abc"}) {
    SCOPED_TRACE(seed);
    ExpectNothingCollides(AnalysedSet(seed));
  }
}

TEST(HandRecordOverlapTest, LongWestHoldingsKeepClearOfThePoints) {
  // West's broad diamonds on the compass's line: six cards (AQ10865) and
  // seven (AKQJ1098, AQJ10832), board after board.
  const Deal deals[] = {
      testing::MakeDeal("AKQJ.AKQ.KJ9.AKQ", "T987.JT98.74.JT9", "654.7654.32.8765"),
      testing::MakeDeal("AKQJ.AKQJ.765.AK", "T987.T987.432.QJ", "6543.6543..T9876"),
      testing::MakeDeal("AKQ.AKQJ.K9.AKQJ", "JT98.T987.76.T98", "7654.6543.54.765"),
  };
  DealSet set = AnalysedSet("abc");
  for (int b = 1; b <= kBoardsPerSet; ++b) {
    const Deal& deal = deals[size_t(b) % std::size(deals)];
    ASSERT_TRUE(deal.number.valid);
    set.Board(b).number = deal.number;
  }
  set.RefreshDeals();
  for (int b = 1; b <= kBoardsPerSet; ++b) set.Board(b).table = PlausibleTable(set.DealOf(b), b);
  ExpectNothingCollides(set);
}

}  // namespace
}  // namespace tarrow
