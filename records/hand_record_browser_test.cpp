// The web page of hand records as a reader sees it: rendered by a real
// browser (headless Chromium) at a phone's width and at a desktop's.  A
// probe page holds the hand records in a frame of the chosen width and, once
// it has loaded, writes what it measured into itself; --dump-dom gives that
// text back.  (A frame, because a headless window is never narrower than
// 500 px.)  --screenshot shows the pixels: the red suits must be red there.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/generation.h"
#include "core/pbn_deal.h"
#include "core/temp_folder_for_test.h"
#include "records/hand_record_html.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

// The output of a shell command; its exit status in `status`.
std::string Shell(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return out;
  }
  char buffer[8192];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  status = ::pclose(pipe);
  return out;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return quoted + "'";
}

// Chromium on PATH (Debian's "chromium"), or nothing.
std::optional<std::string> FindBrowser() {
  for (const char* name : {"chromium", "chromium-browser"}) {
    int status = 0;
    const std::string path = Shell(std::string("command -v ") + name + " 2>/dev/null", status);
    if (status == 0 && !path.empty()) return path.substr(0, path.find('\n'));
  }
  return std::nullopt;
}

// One headless run; each takes well under a few seconds, the time limit is
// for a browser that hangs.
std::string Browse(const std::string& browser, const std::string& arguments, int& status) {
  return Shell("timeout 60 " + Quote(browser) +
                   " --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run"
                   " --disable-extensions --mute-audio " +
                   arguments + " 2>/dev/null",
               status);
}

// Every suit to one seat on board 2, so that the longest holdings must fit
// a phone's width too.
constexpr const char* kLongSuits =
    "N:.AKQJT98765432.. ...AKQJT98765432 ..AKQJT98765432. AKQJT98765432...";

// The probe: the page in a frame `width` pixels wide, and what a reader
// would check, measured once it has loaded.
constexpr const char* kProbeScript = R"(<script>
const frame = document.getElementById('page');
frame.addEventListener('load', () => {
  const d = frame.contentDocument, w = frame.contentWindow, r = {};
  r.boards = d.querySelectorAll('article.board[data-deal]').length;
  r.viewport = d.documentElement.clientWidth;
  r.scrollWidth = d.documentElement.scrollWidth;
  let right = 0;
  for (const e of d.body.querySelectorAll('*')) {
    const b = e.getBoundingClientRect();
    if (b.width > 0) right = Math.max(right, b.right);
  }
  r.right = Math.ceil(right);
  for (const suit of ['spades', 'hearts', 'diamonds', 'clubs'])
    r[suit] = w.getComputedStyle(d.querySelector('#board-1 .north .suit.' + suit)).color;
  r.northLines = [...d.querySelectorAll('#board-1 .north li')].map(li => li.textContent).join('|');
  r.northDeal = d.querySelector('#board-1').dataset.deal;
  const box = s => d.querySelector('#board-1 ' + s).getBoundingClientRect();
  const n = box('.north'), s = box('.south'), we = box('.west'), e = box('.east'),
        p = box('.points'), b = d.querySelector('#board-1').getBoundingClientRect();
  r.northAbove = n.bottom <= p.top && n.bottom <= we.top + 1 && n.bottom <= e.top + 1;
  r.southBelow = s.top >= p.bottom && s.top >= we.bottom - 1;
  r.northBetween = n.left > we.left && n.left < e.left;
  r.northInside = n.left >= b.left && n.right <= b.right && n.top >= b.top;
  const first = d.querySelector('article.board').getBoundingClientRect().top;
  r.firstRow = [...d.querySelectorAll('article.board')]
                   .filter(a => Math.abs(a.getBoundingClientRect().top - first) < 1).length;
  document.getElementById('out').textContent =
      Object.entries(r).map(([k, v]) => k + '=' + v).join('\n') + '\nend=1';
});
</script>)";

std::string AttributeEscaped(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '&')
      out += "&amp;";
    else if (ch == '"')
      out += "&quot;";
    else
      out += ch;
  }
  return out;
}

// "key=value" lines of the probe's output in the dumped DOM.
std::map<std::string, std::string> ProbeResults(const std::string& dom) {
  std::map<std::string, std::string> results;
  const size_t from = dom.find("<pre id=\"out\">");
  if (from == std::string::npos) return results;
  const size_t start = from + 14;
  std::istringstream lines(dom.substr(start, dom.find("</pre>", start) - start));
  for (std::string line; std::getline(lines, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) results[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return results;
}

// "rgb(200, 16, 46)" -> its three channels; nothing for another form.
std::optional<std::array<int, 3>> Rgb(const std::string& css) {
  std::array<int, 3> c{};
  if (std::sscanf(css.c_str(), "rgb(%d, %d, %d)", &c[0], &c[1], &c[2]) != 3) return std::nullopt;
  return c;
}
bool Reddish(const std::array<int, 3>& c) {
  return c[0] >= 150 && c[1] <= 90 && c[2] <= 90;
}

// A PNG's pixels as RGB rows: 8-bit RGB or RGBA, not interlaced, which is
// what the browser's screenshots are.  Empty when the file is anything else.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::array<uint8_t, 3>> pixels;
};
uint32_t Big32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
         uint32_t(uint8_t(s[at + 2])) << 8 | uint32_t(uint8_t(s[at + 3]));
}
Picture ReadPng(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Picture picture;
  if (png.size() < 33 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return picture;
  const int width = int(Big32(png, 16)), height = int(Big32(png, 20));
  const int depth = uint8_t(png[24]), type = uint8_t(png[25]), interlace = uint8_t(png[28]);
  if (depth != 8 || (type != 2 && type != 6) || interlace != 0) return picture;
  const int channels = type == 6 ? 4 : 3;
  std::string data;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = Big32(png, at);
    if (png.compare(at + 4, 4, "IDAT") == 0) data += png.substr(at + 8, length);
    at += 12 + length;
  }
  const size_t stride = size_t(width) * size_t(channels);
  std::vector<uint8_t> raw((stride + 1) * size_t(height));
  uLongf rawSize = raw.size();
  if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(data.data()), data.size()) !=
          Z_OK ||
      rawSize != raw.size()) {
    return picture;
  }
  std::vector<uint8_t> previous(stride, 0), row(stride);
  for (int y = 0; y < height; ++y) {
    const uint8_t filter = raw[size_t(y) * (stride + 1)];
    const uint8_t* line = &raw[size_t(y) * (stride + 1) + 1];
    for (size_t i = 0; i < stride; ++i) {
      const int a = i >= size_t(channels) ? row[i - size_t(channels)] : 0;
      const int b = previous[i];
      const int c = i >= size_t(channels) ? previous[i - size_t(channels)] : 0;
      int predicted = 0;
      switch (filter) {
        case 1:
          predicted = a;
          break;
        case 2:
          predicted = b;
          break;
        case 3:
          predicted = (a + b) / 2;
          break;
        case 4: {
          const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          predicted = pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
          break;
        }
        default:
          break;
      }
      row[i] = uint8_t(line[i] + predicted);
    }
    for (int x = 0; x < width; ++x) {
      const uint8_t* px = &row[size_t(x) * size_t(channels)];
      picture.pixels.push_back({px[0], px[1], px[2]});
    }
    previous = row;
  }
  picture.width = width;
  picture.height = height;
  return picture;
}

class HandRecordBrowserTest : public testing::TempFolderTest {
 protected:
  static void SetUpTestSuite() {
    browser_ = FindBrowser();
    if (!browser_) {
      whyNot_ = "no chromium on PATH (scripts/install-deps.sh installs Debian's chromium)";
      return;
    }
    // A browser that cannot start here (no shared memory, a container
    // that forbids it) says so on a page of one word.
    const fs::path probe =
        fs::temp_directory_path() / ("tarrow-browser-" + std::to_string(::getpid()) + ".html");
    std::ofstream(probe) << "<!DOCTYPE html><p id=\"word\">ready</p>";
    int status = 0;
    const std::string dom =
        Browse(*browser_, "--dump-dom " + Quote("file://" + probe.string()), status);
    fs::remove(probe);
    if (status != 0 || dom.find("ready") == std::string::npos) {
      whyNot_ =
          *browser_ + " cannot render a page here (exit status " + std::to_string(status) + ")";
    }
  }

  void SetUp() override {
    TempFolderTest::SetUp();
    if (!whyNot_.empty()) GTEST_SKIP() << whyNot_;
    GenerateSet(set_, "Browser test", 0);
    set_.header.event = "Winter Pairs";
    const Result<Deal> longSuits = ParsePbnDeal(kLongSuits);
    ASSERT_TRUE(longSuits.ok());
    set_.Board(2).number = longSuits->number;
    set_.RefreshDeals();
    options_.showDistributions = options_.showLtc = options_.showDealNumbers = true;
    page_ = folder_ / "records.html";
    std::ofstream(page_, std::ios::binary) << HandRecordsHtml(set_, options_, "Riverside BC");
  }

  // The probe's measurements of the page in a frame `width` pixels wide.
  std::map<std::string, std::string> Measure(int width) {
    std::ifstream in(page_, std::ios::binary);
    const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const fs::path probe = folder_ / ("probe-" + std::to_string(width) + ".html");
    std::ofstream(probe, std::ios::binary)
        << "<!DOCTYPE html><html><body style=\"margin:0\"><iframe id=\"page\" "
           "style=\"border:0;width:"
        << width << "px;height:1200px\" srcdoc=\"" << AttributeEscaped(html)
        << "\"></iframe><pre id=\"out\"></pre>" << kProbeScript << "</body></html>";
    int status = 0;
    const std::string dom =
        Browse(*browser_, "--window-size=1300,1300 --dump-dom " + Quote("file://" + probe.string()),
               status);
    EXPECT_EQ(status, 0);
    std::map<std::string, std::string> results = ProbeResults(dom);
    EXPECT_EQ(results["end"], "1") << "the probe did not finish: " << dom.substr(0, 300);
    return results;
  }

  Picture Screenshot(int width, int height) {
    const fs::path png = folder_ / ("shot-" + std::to_string(width) + ".png");
    int status = 0;
    Browse(*browser_,
           "--window-size=" + std::to_string(width) + "," + std::to_string(height) +
               " --screenshot=" + Quote(png.string()) + " " + Quote("file://" + page_.string()),
           status);
    EXPECT_EQ(status, 0);
    return ReadPng(png);
  }

  static inline std::optional<std::string> browser_;
  static inline std::string whyNot_;
  DealSet set_;
  HandRecordOptions options_;
  fs::path page_;
};

TEST_F(HandRecordBrowserTest, OnAPhoneEveryBoardFitsTheWidth) {
  std::map<std::string, std::string> r = Measure(360);
  EXPECT_EQ(r["boards"], "36");
  EXPECT_EQ(r["viewport"], "360");
  EXPECT_EQ(r["scrollWidth"], "360") << "the page scrolls sideways";
  ASSERT_FALSE(r["right"].empty());
  EXPECT_LE(std::stoi(r["right"]), 360) << "something sticks out on the right";
  EXPECT_EQ(r["firstRow"], "1") << "one board per row";
}

TEST_F(HandRecordBrowserTest, BoardOnesNorthHandIsAtTheTopOfItsCompass) {
  std::map<std::string, std::string> r = Measure(360);
  EXPECT_EQ(r["northDeal"], PbnDealText(set_.DealOf(1), kNorth));
  // Each line: the suit symbol (and its text selector), then the holding.
  std::vector<std::string> lines;
  std::istringstream split(r["northLines"]);
  for (std::string line; std::getline(split, line, '|');) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u) << r["northLines"];
  const char* kSymbols[4] = {"\xE2\x99\xA0", "\xE2\x99\xA5", "\xE2\x99\xA6", "\xE2\x99\xA3"};
  for (Suit suit : kSuits) {
    SCOPED_TRACE(lines[size_t(suit)]);
    const std::string holding = HoldingText(set_.DealOf(1), kNorth, suit);
    EXPECT_EQ(lines[size_t(suit)].rfind(kSymbols[suit], 0), 0u);
    const std::string shown = holding.empty() ? "\xE2\x80\x94void" : holding;
    EXPECT_EQ(lines[size_t(suit)].substr(lines[size_t(suit)].size() - shown.size()), shown);
  }
  EXPECT_EQ(r["northAbove"], "true");
  EXPECT_EQ(r["southBelow"], "true");
  EXPECT_EQ(r["northBetween"], "true");
  EXPECT_EQ(r["northInside"], "true");
}

TEST_F(HandRecordBrowserTest, HeartsAndDiamondsAreRedSpadesAndClubsAreNot) {
  std::map<std::string, std::string> r = Measure(360);
  for (const char* suit : {"hearts", "diamonds", "spades", "clubs"}) {
    SCOPED_TRACE(std::string(suit) + " " + r[suit]);
    const std::optional<std::array<int, 3>> colour = Rgb(r[suit]);
    ASSERT_TRUE(colour.has_value());
    const bool red = std::string(suit) == "hearts" || std::string(suit) == "diamonds";
    EXPECT_EQ(Reddish(*colour), red);
  }
}

TEST_F(HandRecordBrowserTest, OnADesktopTheBoardsFormAGrid) {
  std::map<std::string, std::string> r = Measure(1280);
  EXPECT_EQ(r["boards"], "36");
  EXPECT_EQ(r["scrollWidth"], r["viewport"]);
  ASSERT_FALSE(r["firstRow"].empty());
  EXPECT_GE(std::stoi(r["firstRow"]), 3) << "boards side by side";
}

TEST_F(HandRecordBrowserTest, ScreenshotsShowRedSuitsAtBothWidths) {
  for (const auto& [width, height] : {std::pair{360, 800}, std::pair{1280, 900}}) {
    SCOPED_TRACE("width " + std::to_string(width));
    const Picture picture = Screenshot(width, height);
    ASSERT_EQ(picture.width, width);
    ASSERT_EQ(picture.height, height);
    size_t red = 0, dark = 0;
    for (const auto& px : picture.pixels) {
      if (Reddish({px[0], px[1], px[2]})) ++red;
      if (px[0] < 60 && px[1] < 60 && px[2] < 60) ++dark;
    }
    // Symbols of many hands in red, and text in black: a blank or an
    // unstyled page has neither so many red nor so many dark pixels.
    EXPECT_GT(red, 500u);
    EXPECT_GT(dark, 2000u);
  }
}

TEST_F(HandRecordBrowserTest, OnPaperFourBoardsToARowAndNoneSplit) {
  int status = 0;
  Shell("command -v pdftotext >/dev/null 2>&1", status);
  if (status != 0) GTEST_SKIP() << "no pdftotext (poppler-utils) to read the printed page";
  const fs::path pdf = folder_ / "printed.pdf";
  Browse(*browser_,
         "--no-pdf-header-footer --print-to-pdf=" + Quote(pdf.string()) + " " +
             Quote("file://" + page_.string()),
         status);
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(fs::exists(pdf));
  const std::string pages =
      Shell("pdfinfo " + Quote(pdf.string()) + " | sed -n 's/^Pages: *//p'", status);
  const int count = std::atoi(pages.c_str());
  ASSERT_GE(count, 2);
  // Every board ends with its deal number: a board split across pages
  // would leave its heading and its number on different pages.
  int boards = 0;
  for (int page = 1; page <= count; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const std::string text = Shell("pdftotext -f " + std::to_string(page) + " -l " +
                                       std::to_string(page) + " " + Quote(pdf.string()) + " -",
                                   status);
    int headings = 0, numbers = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("Board ", 0) == 0) ++headings;
      if (line.rfind("Deal # ", 0) == 0) ++numbers;
    }
    EXPECT_EQ(headings, numbers);
    boards += headings;
  }
  EXPECT_EQ(boards, 36);
  // The first row holds boards 1 to 4 side by side.
  const std::string layout =
      Shell("pdftotext -layout -f 1 -l 1 " + Quote(pdf.string()) + " -", status);
  std::istringstream rows(layout);
  bool fourInARow = false;
  for (std::string row; std::getline(rows, row);) {
    const size_t one = row.find("Board 1 "), four = row.find("Board 4");
    if (one != std::string::npos && four != std::string::npos && row.find("Board 2") < four &&
        row.find("Board 3") < four) {
      fourInARow = true;
    }
  }
  EXPECT_TRUE(fourInARow) << layout.substr(0, 2000);
}

}  // namespace
}  // namespace tarrow
