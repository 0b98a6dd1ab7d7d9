#include "records/hand_record_pdf.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "core/generation.h"
#include "records/logo.h"
#include "records/pdf_tools_for_test.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

std::string CommandOutput(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

class HandRecordPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarrow_records_test_" + std::to_string(getpid()));
    fs::create_directories(dir);
    GenerateSet(set, "abc", 46000);
    set.header.event = "Tuesday Pairs";
    set.header.computerName = "clubpc";
    for (int b = 1; b <= 36; ++b) {
      BoardEntry& e = set.Board(b);
      e.doneMask = {kAllStrainsDone, kAllStrainsDone};
      for (size_t i = 0; i < e.table.size(); ++i) e.table[i] = uint8_t((b + i * 3) % 14);
    }
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  DealSet set;
};

TEST_F(HandRecordPdfTest, FullSetShowsEveryBoardAndPassesQpdf) {
  const fs::path file = dir / "abc.pdf";
  HandRecordOptions options;
  options.showDealNumbers = true;
  // The writer rebuilds the deals on its own copy: stale deals here must not matter.
  const std::array<Deal, kBoardsPerSet> before = set.deals;
  for (Deal& d : set.deals) d = Deal();
  const std::array<Deal, kBoardsPerSet> cleared = set.deals;
  const Status status =
      WriteHandRecordPdf(testing::PermitFor(file), set, options, "Tarrow Bridge Club", Logo(),
                         (dir / "abc.pbn").string());
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(set.deals[0].seatOf, cleared[0].seatOf);

  EXPECT_EQ(std::system(("qpdf --check '" + file.string() + "' > /dev/null").c_str()), 0);
  const std::string text = CommandOutput("pdftotext -layout '" + file.string() + "' -");
  EXPECT_NE(text.find("Tarrow Bridge Club"), std::string::npos);
  EXPECT_NE(text.find("clubpc: abc.pbn"), std::string::npos);
  for (int b = 1; b <= 36; ++b) {
    SCOPED_TRACE(b);
    EXPECT_NE(text.find("Board " + std::to_string(b) + " "), std::string::npos);
    for (Seat seat : kSeats) {
      for (Suit suit : kSuits) {
        std::string holding;
        for (Rank r : kRanks)
          if (before[size_t(b - 1)].seatOf[size_t(CardIndex(suit, r))] == seat)
            holding += kPrintedRankNames[size_t(r)];
        if (holding.size() >= 4) {
          EXPECT_NE(text.find(holding), std::string::npos) << holding;
        }
      }
    }
  }
  const std::string fonts = CommandOutput("pdffonts '" + file.string() + "'");
  for (const char* name : {"Arial ", "Arial,Bold", "ArialNarrow", "Symbol"})
    EXPECT_NE(fonts.find(name), std::string::npos) << name << "\n" << fonts;
}

TEST_F(HandRecordPdfTest, EveryOptionCombinationWritesAValidFile) {
  for (int bits = 0; bits < 32; ++bits) {
    SCOPED_TRACE(bits);
    HandRecordOptions o;
    o.showDistributions = bits & 1;
    o.showDealNumbers = bits & 2;
    o.showLtc = bits & 4;
    o.showAnalysis = bits & 8;
    o.allTricks = bits & 16;
    const fs::path file = dir / ("set" + std::to_string(bits) + ".pdf");
    ASSERT_TRUE(WriteHandRecordPdf(testing::PermitFor(file), set, o, "Club", Logo(32), "").ok());
    EXPECT_EQ(std::system(("qpdf --check '" + file.string() + "' > /dev/null").c_str()), 0);
  }
}

TEST_F(HandRecordPdfTest, FailedWriteNamesThePathAndKeepsTheOldFile) {
  const fs::path missing = dir / "no such folder" / "x.pdf";
  const Status status =
      WriteHandRecordPdf(testing::PermitFor(missing), set, HandRecordOptions(), "", Logo(32), "");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find(missing.string()), std::string::npos) << status.message();

  // A read-only folder refuses the temporary file; the file already there stays.
  const fs::path locked = dir / "locked";
  fs::create_directories(locked);
  const fs::path file = locked / "x.pdf";
  ASSERT_TRUE(
      WriteHandRecordPdf(testing::PermitFor(file), set, HandRecordOptions(), "", Logo(32), "")
          .ok());
  const auto size = fs::file_size(file);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(locked.c_str(), W_OK) != 0) {  // root writes anyway
    EXPECT_FALSE(WriteHandRecordPdf(testing::PermitFor(file), set, HandRecordOptions(), "Other",
                                    Logo(32), "")
                     .ok());
    EXPECT_EQ(fs::file_size(file), size);
  }
  fs::permissions(locked, fs::perms::owner_all);
}

// Forwards to a real PDF surface and notes where each text stands and how
// wide it is in the real font, so that gaps can be measured.
class MeasuringSurface : public Surface {
 public:
  struct Text {
    int x, y, width;
    std::string text, face;
  };
  explicit MeasuringSurface(TPdfDocumentGDI& document) : pdf_(document) {}
  void SetFont(std::string_view face, int size, FontSizeUnit unit, bool bold) override {
    face_ = face;
    pdf_.SetFont(face, size, unit, bold);
  }
  int TextWidth(std::string_view text) override { return pdf_.TextWidth(text); }
  int TextHeight(std::string_view text) override { return pdf_.TextHeight(text); }
  void TextOut(int x, int y, std::string_view text) override {
    texts.push_back({x, y, pdf_.TextWidth(text), std::string(text), face_});
    pdf_.TextOut(x, y, text);
  }
  void SetPenWidth(int width) override { pdf_.SetPenWidth(width); }
  void MoveTo(int x, int y) override { pdf_.MoveTo(x, y); }
  void LineTo(int x, int y) override { pdf_.LineTo(x, y); }
  void StretchDraw(int l, int t, int r, int b, const RgbImage& image) override {
    pdf_.StretchDraw(l, t, r, b, image);
  }
  void SetLogicalFont(std::string_view face, int height, int weight, int rotation) override {
    face_ = face;
    pdf_.SetLogicalFont(face, height, weight, rotation);
  }
  void SetFontColor(Rgb color) override { pdf_.SetFontColor(color); }
  void SetBrush(bool solid) override { pdf_.SetBrush(solid); }
  void Rectangle(int l, int t, int r, int b) override { pdf_.Rectangle(l, t, r, b); }
  void Polygon(std::span<const Point> points) override { pdf_.Polygon(points); }
  std::vector<Text> texts;

 private:
  PdfSurface pdf_;
  std::string face_;
};

// Two-digit counts side by side in every column: 10 11 12 13 10 for North,
// 13 12 11 10 13 for South, and the same for East and West.
BoardEntry CrowdedEntry(const Deal& deal) {
  BoardEntry entry;
  entry.number = deal.number;
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  constexpr int kFirst[5] = {10, 11, 12, 13, 10};
  for (Seat seat : kSeats) {
    for (Strain strain : kStrains) {
      const int t = seat < 2 ? kFirst[strain] : 23 - kFirst[strain];
      entry.table[size_t(DDIndex(seat, strain))] = uint8_t(t);
    }
  }
  return entry;
}

// Every count of the trick table stands apart from its neighbours on the
// same line by at least a third of a digit, and inside the table's frame.
void ExpectCountsApart(const HandRecordMetrics& metrics, int resolution) {
  TPdfDocumentGDI document;
  document.SetResolution(resolution);
  document.AddPage();
  MeasuringSurface surface(document);
  DealSet set;
  GenerateSet(set, "abc", 46000);
  set.RefreshDeals();
  const BoardEntry entry = CrowdedEntry(set.DealOf(1));
  HandRecordOptions options;
  options.showAnalysis = options.allTricks = true;
  BoardBox(surface, metrics, 0, 0, 1, entry, set.DealOf(1), options);
  surface.SetFont("Arial Narrow", 7, FontSizeUnit::kPoints, false);
  const int digit = surface.TextWidth("0");
  std::map<int, std::vector<MeasuringSurface::Text>> lines;  // counts by their line
  bool inTable = false;  // the table starts with its "NT" heading
  for (const auto& t : surface.texts) {
    inTable = inTable || t.text == "NT";
    if (inTable && t.text.size() == 2 && t.text[0] == '1') lines[t.y].push_back(t);
  }
  ASSERT_EQ(lines.size(), 4u) << "a line per seat";
  for (auto& [y, counts] : lines) {
    ASSERT_EQ(counts.size(), 5u);
    std::sort(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.x < b.x; });
    for (size_t i = 0; i + 1 < counts.size(); ++i) {
      const int gap = counts[i + 1].x - (counts[i].x + counts[i].width);
      EXPECT_GE(3 * gap, digit) << counts[i].text << " and " << counts[i + 1].text << " at y " << y
                                << ": gap " << gap << ", digit " << digit;
    }
  }
  // The frame's right edge stays where it was: the south hand starts after it.
  const int south = RoundHalfEven(metrics.cellWidth * 0.42);
  for (const auto& [y, counts] : lines) EXPECT_LT(counts.back().x + counts.back().width, south);
}

TEST(TrickTableTest, TwoDigitCountsStandApartOnThePdfAndOnThePrinter) {
  {
    SCOPED_TRACE("PDF");
    ExpectCountsApart(PdfHandRecordMetrics(), 300);
  }
  // A 600 dpi printer's printable A4 page, sizes given in points.
  for (const auto& [width, height, dpi] :
       {std::tuple{4760, 6812, 600}, std::tuple{2380, 3406, 300}}) {
    SCOPED_TRACE("printer at " + std::to_string(dpi) + " dpi");
    ExpectCountsApart(PrinterHandRecordMetrics(width, height), dpi);
  }
}

// A session of fewer boards: no boxes after its last board, and no page
// without a board.
TEST_F(HandRecordPdfTest, BoardsInPlayEndTheRecordsAndAnEmptyPageIsLeftOut) {
  const struct {
    int last;
    int pages;
  } rows[] = {{24, 2}, {19, 2}, {18, 1}, {1, 1}, {36, 2}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.last);
    const fs::path file = dir / ("played-" + std::to_string(row.last) + ".pdf");
    ASSERT_TRUE(WriteHandRecordPdf(testing::PermitFor(file), set, HandRecordOptions(), "Club",
                                   Logo(), "", row.last)
                    .ok());
    EXPECT_EQ(testing::PdfPages(file), row.pages);
    const std::string words = testing::PdfWords(file);
    for (int board = 1; board <= 36; ++board) {
      // "Board 2" must not be found in "Board 24".
      const std::string title = "Board " + std::to_string(board);
      bool shown = false;
      for (size_t at = words.find(title); at != std::string::npos && !shown;
           at = words.find(title, at + 1)) {
        const size_t after = at + title.size();
        shown = after == words.size() || !std::isdigit(static_cast<unsigned char>(words[after]));
      }
      EXPECT_EQ(shown, board <= row.last) << "board " << board;
    }
  }
}

}  // namespace
}  // namespace tarrow
