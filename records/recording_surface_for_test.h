// For tests only: a Surface that logs every call, and a Printer whose pages
// are such surfaces, so layouts and drivers can be checked against the
// positions worked out by hand.  Text is measured as half the font size per
// character and as tall as the size, whatever the unit, unless a measuring
// surface is given: then fonts go to it as well and it measures the texts,
// so that a layout can be checked with real font metrics.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/deal_number.h"
#include "records/printer.h"
#include "records/surface.h"

namespace tarrow::testing {

// A deal from the cards of three seats given as PBN hands ("AKQ32.Q43.432.32");
// the fourth seat gets the rest.
inline Deal MakeDeal(const char* north, const char* east, const char* south) {
  Deal deal;
  deal.seatOf.fill(kWest);
  const char* hands[3] = {north, east, south};
  for (Seat seat : {kNorth, kEast, kSouth}) {
    int suit = 0;
    for (const char* p = hands[seat]; *p; ++p) {
      if (*p == '.') {
        ++suit;
        continue;
      }
      deal.seatOf[size_t(CardIndex(Suit(suit), *RankOfLetter(*p)))] = seat;
    }
  }
  deal.valid = true;
  DeriveCounts(deal);
  deal.number = NumberFromDeal(deal);
  return deal;
}

class RecordingSurface : public Surface {
 public:
  struct Text {
    int x, y;
    std::string text, face;
    int size;
    bool bold;
    int rotation = 0;
    Rgb color = kBlack;
    int width = 0, height = 0;  // measured in the font in force when drawn
  };
  // A line drawn with LineTo, from the pen's position to (x2, y2).
  struct Segment {
    int x1, y1, x2, y2;
    int width;  // the pen's
  };
  // An image's rectangle (right and bottom exclusive).
  struct Box {
    int left, top, right, bottom;
  };
  // Set to check every SetFont's unit; nullopt accepts any.
  std::optional<FontSizeUnit> expectedUnit = FontSizeUnit::kHeight;
  // When set, measures the texts (it gets every font change); not owned.
  Surface* measure = nullptr;

  void SetFont(std::string_view face, int size, FontSizeUnit unit, bool bold) override {
    if (expectedUnit) {
      EXPECT_EQ(unit, *expectedUnit);
    }
    face_ = face;
    size_ = size;
    bold_ = bold;
    rotation_ = 0;
    if (measure != nullptr) measure->SetFont(face, size, unit, bold);
    fonts.push_back(std::string(face) + " " + std::to_string(size) + (bold ? " bold" : ""));
  }
  void SetLogicalFont(std::string_view face, int height, int weight, int rotation) override {
    face_ = face;
    size_ = height;
    bold_ = weight >= 600;
    rotation_ = rotation;
    if (measure != nullptr) measure->SetLogicalFont(face, height, weight, rotation);
    fonts.push_back(std::string(face) + " " + std::to_string(height) + " weight " +
                    std::to_string(weight) + " turned " + std::to_string(rotation));
  }
  void SetFontColor(Rgb color) override { color_ = color; }
  int TextWidth(std::string_view text) override {
    return measure != nullptr ? measure->TextWidth(text) : int(text.size()) * size_ / 2;
  }
  int TextHeight(std::string_view text) override {
    return measure != nullptr ? measure->TextHeight(text) : size_;
  }
  void TextOut(int x, int y, std::string_view text) override {
    texts.push_back({x, y, std::string(text), face_, size_, bold_, rotation_, color_,
                     TextWidth(text), TextHeight(text)});
  }
  void SetPenWidth(int width) override {
    calls.push_back("pen " + std::to_string(width));
    penWidth_ = width;
  }
  void MoveTo(int x, int y) override {
    calls.push_back(Point("move", x, y));
    penX_ = x;
    penY_ = y;
  }
  void LineTo(int x, int y) override {
    calls.push_back(Point("line", x, y));
    lines.push_back({penX_, penY_, x, y, penWidth_});
    penX_ = x;
    penY_ = y;
  }
  void SetBrush(bool solid) override { calls.push_back(solid ? "brush solid" : "brush clear"); }
  void Rectangle(int l, int t, int r, int b) override {
    calls.push_back("rectangle " + std::to_string(l) + " " + std::to_string(t) + " " +
                    std::to_string(r) + " " + std::to_string(b));
  }
  void Polygon(std::span<const tarrow::Point> points) override {
    std::string call = "polygon";
    for (const tarrow::Point& p : points)
      call += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    calls.push_back(call);
  }
  void StretchDraw(int l, int t, int r, int b, const RgbImage&) override {
    images.push_back({l, t, r, b});
    calls.push_back("image " + std::to_string(l) + " " + std::to_string(t) + " " +
                    std::to_string(r) + " " + std::to_string(b));
  }

  // The one text with these contents; fails the test when there is not exactly one.
  Text Find(const std::string& text) const {
    std::vector<Text> found = FindAll(text);
    EXPECT_EQ(found.size(), 1u) << "'" << text << "'";
    return found.empty() ? Text{-1, -1, "", "", 0, false} : found[0];
  }
  std::vector<Text> FindAll(const std::string& text) const {
    std::vector<Text> found;
    for (size_t i = start; i < texts.size(); ++i)
      if (texts[i].text == text) found.push_back(texts[i]);
    return found;
  }
  bool Has(const std::string& text) const {
    for (const Text& t : texts)
      if (t.text == text) return true;
    return false;
  }
  bool HasCall(const std::string& call) const {
    for (const std::string& c : calls)
      if (c == call) return true;
    return false;
  }

  std::vector<Text> texts;
  std::vector<Segment> lines;
  std::vector<Box> images;
  std::vector<std::string> fonts, calls;
  size_t start = 0;  // Find looks at texts from here on

 private:
  static std::string Point(const char* op, int x, int y) {
    return std::string(op) + " " + std::to_string(x) + " " + std::to_string(y);
  }
  std::string face_;
  int size_ = 0;
  bool bold_ = false;
  int rotation_ = 0;
  Rgb color_ = kBlack;
  int penX_ = 0, penY_ = 0;
  int penWidth_ = 1;
};

// Pages in points, jobs as lists of pages.
class RecordingPrinter : public Printer {
 public:
  struct Job {
    PageOrientation orientation;
    int copies;
    std::vector<std::unique_ptr<RecordingSurface>> pages;
    bool ended = false;
  };
  int portraitWidth = 4800, portraitHeight = 6600;  // a 600-dpi letter page's printable area
  std::vector<std::string> names = {"Office", "Hall"};
  int index = -1;
  std::string failBegin;  // a BeginDoc failure to report, when set

  void SetOrientation(PageOrientation o) override { orientation_ = o; }
  void SetCopies(int copies) override { copies_ = copies; }
  int PageWidth() override {
    return orientation_ == PageOrientation::kPortrait ? portraitWidth : portraitHeight;
  }
  int PageHeight() override {
    return orientation_ == PageOrientation::kPortrait ? portraitHeight : portraitWidth;
  }
  Status BeginDoc() override {
    if (!failBegin.empty()) return Status::Error(failBegin);
    EXPECT_TRUE(jobs.empty() || jobs.back().ended) << "a job is still open";
    jobs.push_back({orientation_, copies_, {}, false});
    events.push_back("begin");
    AddPage();
    return Status();
  }
  Status NewPage() override {
    EXPECT_FALSE(jobs.empty() || jobs.back().ended);
    AddPage();
    return Status();
  }
  Status EndDoc() override {
    EXPECT_FALSE(jobs.empty() || jobs.back().ended);
    jobs.back().ended = true;
    events.push_back("end");
    return Status();
  }
  std::vector<std::string> Printers() override { return names; }
  int PrinterIndex() override { return index; }
  void SetPrinterIndex(int i) override { index = i >= 0 && size_t(i) < names.size() ? i : -1; }
  Surface& Canvas() override { return *jobs.back().pages.back(); }

  RecordingSurface& Page(size_t job, size_t page) { return *jobs.at(job).pages.at(page); }
  size_t PageCount() const {
    size_t n = 0;
    for (const Job& j : jobs) n += j.pages.size();
    return n;
  }

  std::vector<Job> jobs;
  std::vector<std::string> events;  // "begin", "page", "end", and what the test adds

 private:
  void AddPage() {
    auto page = std::make_unique<RecordingSurface>();
    page->expectedUnit = std::nullopt;
    jobs.back().pages.push_back(std::move(page));
    events.push_back("page");
  }
  PageOrientation orientation_ = PageOrientation::kPortrait;
  int copies_ = 1;
};

}  // namespace tarrow::testing
