#include "records/hand_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <locale>
#include <optional>
#include <sstream>

#include "core/banner.h"
#include "core/deal_number.h"
#include "scoring/par.h"

namespace tarrow {
namespace {

constexpr std::string_view kArial = "Arial";
constexpr std::string_view kNarrow = "Arial Narrow";
constexpr std::string_view kSymbol = "Symbol";

// A PDF font height given in tenths of the line unit (32 for 3.2 LU), rounded
// half to even, kept in integers so that 3.2 x 25 is exactly 80.
int PdfHeight(int luTenths, int lu) {
  const int tenths = luTenths * lu;
  int q = tenths / 10;
  const int r = tenths % 10;
  if (r > 5 || (r == 5 && q % 2 != 0)) ++q;
  return q;
}

// Each font has its size on the printer in points and on the PDF surface as a
// height in tenths of the line unit (9 pt and H18 are 9, 18).
void Font(Surface& s, const HandRecordMetrics& m, std::string_view face, int points, int luTenths,
          bool bold = false) {
  if (m.pdf)
    s.SetFont(face, PdfHeight(luTenths, m.lineUnit), FontSizeUnit::kHeight, bold);
  else
    s.SetFont(face, points, FontSizeUnit::kPoints, bold);
}

// The pen of the grid and the trick table's frame.
int PenWidth(const HandRecordMetrics& m) {
  return RoundHalfEven(m.cellWidth * 0.003);
}

std::string SuitSign(Suit suit) {
  return std::string(1, kSymbolSuitSigns[suit]);
}

// A losing trick count as the LTC-only lines show it: whole part and "½".
std::string Count(const Deal& deal, Seat seat, QueenMethod method) {
  return LtcText(LosingTrickCount(seat, deal, method));
}

void CentredText(Surface& s, int cx, int y, const std::string& text) {
  s.TextOut(cx - s.TextWidth(text) / 2, y, text);
}

// The double-dummy tricks as a table: a column per strain, a row per seat,
// one number for both seats of a side when they take the same.  A number
// that is not known yet is never printed: "?" stands for the side's strain
// until its job has finished.  Returns the x of the frame's right edge,
// which runs down to the bottom of the cell.
int TrickTable(Surface& s, const HandRecordMetrics& m, int x0, int y0, int h0, int bx,
               const BoardEntry& entry) {
  int ty = m.pdf ? y0 + 18 * m.lineUnit - RoundHalfEven(h0 * 0.05)
                 : y0 + 18 * m.lineUnit + RoundHalfEven(h0 * 0.3);
  Font(s, m, kArial, 7, 14);
  const int h = RoundHalfEven(s.TextHeight("I") * 0.98);
  // Columns are 1.08 times "13" wide, and the frame may not grow (the south
  // hand starts just right of it).  In "Arial" two two-digit counts would
  // still touch ("10111210"), so the counts are set in "Arial Narrow" and
  // centred in their columns: each then stands apart by about half a digit.
  const int w = RoundHalfEven(s.TextWidth("13") * 1.08);
  const int a = RoundHalfEven(h * 0.2);
  const int b = RoundHalfEven(w * 0.05);
  Font(s, m, kNarrow, 6, 12);
  s.TextOut(bx + w, ty + a, "NT");
  Font(s, m, kSymbol, 8, 16);
  for (Suit suit : kSuits) s.TextOut(bx + (suit + 2) * w + b, ty, SuitSign(suit));

  Font(s, m, kArial, 7, 14);
  const double height = s.TextHeight("I") * 1.05;
  const int rowH = RoundHalfEven(height);
  const int h2 = RoundHalfEven(height / 2);
  const int h4 = RoundHalfEven(height / 4);
  const int h8 = RoundHalfEven(height / 8);
  const int xr = m.pdf ? bx + RoundHalfEven(6.1 * w) : bx + 6 * w;
  for (Seat first : {kNorth, kEast}) {
    const Seat partner = PartnerOf(first);
    ty += rowH + h4;
    s.MoveTo(x0, ty - h8);
    s.LineTo(xr, ty - h8);
    if (first == kNorth) s.LineTo(xr, y0 + m.cellHeight);
    Font(s, m, kArial, 7, 14);
    s.TextOut(bx, ty, std::string(1, kSeatLetters[first]));
    Font(s, m, kNarrow, 7, 14);
    const auto count = [&](int x, int y, const std::string& text) {
      s.TextOut(x + (w - s.TextWidth(text)) / 2, y, text);
    };
    for (Strain strain : kStrains) {
      const int x = bx + (strain + 1) * w;
      if (!entry.Analysed(SideOf(first), strain)) {
        count(x, ty + h2, "?");
        continue;
      }
      const int t1 = entry.table[size_t(DDIndex(first, strain))];
      const int t2 = entry.table[size_t(DDIndex(partner, strain))];
      if (t1 == t2) {
        count(x, ty + h2, std::to_string(t1));
      } else {
        count(x, ty, std::to_string(t1));
        count(x, ty + rowH, std::to_string(t2));
      }
    }
    ty += rowH;
    Font(s, m, kArial, 7, 14);
    s.TextOut(bx, ty, std::string(1, kSeatLetters[partner]));
  }
  return xr;
}

void DistributionBlock(Surface& s, const HandRecordMetrics& m, int bx, int hy, int ry,
                       const Deal& deal, const HandRecordOptions& o) {
  const int w = s.TextWidth("W  ");
  s.TextOut(bx + w, hy, o.showLtc ? "Distrb   LTC " : "Distrb  ");
  for (Seat seat : kSeats) {
    s.TextOut(bx, ry + seat * m.lineUnit, std::string(1, kSeatLetters[seat]));
    s.TextOut(bx + w, ry + seat * m.lineUnit,
              DistributionRowText(deal, seat, o.showLtc, o.queenMethod));
  }
}

void LtcBlock(Surface& s, const HandRecordMetrics& m, int x0, int y0, const Deal& deal,
              QueenMethod method) {
  const int cx = x0 + RoundHalfEven(m.gridUnit * 4.5);
  const int step = RoundHalfEven(m.lineUnit * 1.8);
  int y = y0 + 19 * m.lineUnit;
  CentredText(s, cx, y, "LTC");
  y += step;
  CentredText(s, cx, y, Count(deal, kNorth, method));
  y += step;
  CentredText(s, cx, y, Count(deal, kWest, method) + "       " + Count(deal, kEast, method));
  y += step;
  CentredText(s, cx, y, Count(deal, kSouth, method));
}

// The lower left of a box as the results use it: the right edge of what
// they draw and the bottom of their last line.
struct ResultsExtent {
  int right = 0, bottom = 0;
};

ResultsExtent ContractLines(Surface& s, const HandRecordMetrics& m, int y0, int bx,
                            const BoardEntry& entry) {
  Font(s, m, kArial, 7, 14);
  const int rowH = RoundHalfEven(s.TextHeight("I") * 1.05);
  int y = y0 + 19 * m.lineUnit;
  ResultsExtent extent{bx, y};
  for (const std::string& line : ContractLineTexts(entry.table, entry.doneMask)) {
    s.TextOut(bx, y, line);
    extent.right = std::max(extent.right, bx + s.TextWidth(line));
    extent.bottom = std::max(extent.bottom, y + s.TextHeight(line));
    y += rowH;
  }
  return extent;
}

// A list's text: its entries run together, the first character (a blank)
// removed, blanks trimmed.
std::string ListText(const std::vector<std::string>& entries, size_t from, size_t to) {
  std::string text;
  for (size_t i = from; i < to && i < entries.size(); ++i) text += entries[i];
  if (!text.empty()) text.erase(0, 1);
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "NS=" lines: three entries on the first, the rest on a second.
void AddListLines(std::vector<std::string>& lines, const std::string& label,
                  const std::vector<std::string>& entries) {
  if (entries.empty()) return;
  lines.push_back(label + ListText(entries, 0, 3));
  if (entries.size() > 3) lines.push_back(label + ListText(entries, 3, entries.size()));
}

}  // namespace

HandRecordMetrics PdfHandRecordMetrics() {
  HandRecordMetrics m;
  m.pdf = true;
  m.leftMargin = 30;
  m.topMargin = 60;
  m.cellWidth = (2550 - 120) / 4;
  m.gridUnit = m.cellWidth / 24;
  m.cellHeight = (3450 - 120) / 5;
  m.lineUnit = m.cellHeight / 26;
  return m;
}

HandRecordMetrics PrinterHandRecordMetrics(int pageWidth, int pageHeight) {
  HandRecordMetrics m;
  m.pdf = false;
  m.leftMargin = 40;
  m.topMargin = 60;
  m.cellWidth = (pageWidth - 80) / 4;
  m.gridUnit = m.cellWidth / 24;
  m.cellHeight = (pageHeight - 63) / 5;
  m.lineUnit = m.cellHeight / 26;
  return m;
}

int RoundHalfEven(double value) noexcept {
  return int(std::nearbyint(value));  // the default rounding mode rounds ties to even
}

std::string PaddedNumber(int value) {
  return value < 10 ? " " + std::to_string(value) : std::to_string(value);
}

std::string DistributionRowText(const Deal& deal, Seat seat, bool showLtc, QueenMethod method) {
  std::string text;
  for (Suit suit : kSuits) {
    if (suit > 0) text += '-';
    text += std::to_string(deal.suitLength[seat][suit]);
  }
  text += "   ";
  if (showLtc) {
    const int halves = LosingTrickCount(seat, deal, method);
    if (halves < 20) text += "  ";
    text += LtcText(halves);
  }
  return text;
}

std::vector<std::string> ContractLineTexts(const DDTable& table,
                                           const std::array<uint8_t, 2>& doneMask) {
  // Lists per side (NS, EW) and per seat (N, E, S, W).
  std::vector<std::string> sideList[2], seatList[4];
  const auto entry = [&](int level, Strain strain) {
    return " " + std::to_string(level) + kStrainLetters[size_t(strain)];
  };
  for (Strain strain : kStrains) {
    for (Seat first : {kNorth, kEast}) {
      // A side's contracts are known only once all its strains are: until
      // then a missing strain could hide its best contract.
      if (doneMask[size_t(SideOf(first))] != kAllStrainsDone) continue;
      const Seat partner = PartnerOf(first);
      const int l1 = MakeableLevel(table, first, strain);
      const int l2 = MakeableLevel(table, partner, strain);
      if (l1 > 0 && l1 == l2) {
        sideList[SideOf(first)].push_back(entry(l1, strain));
      } else {
        if (l1 > 0) seatList[first].push_back(entry(l1, strain));
        if (l2 > 0) seatList[partner].push_back(entry(l2, strain));
      }
    }
  }
  std::vector<std::string> lines;
  for (Seat first : {kNorth, kEast}) {
    const Seat partner = PartnerOf(first);
    const std::string firstLetter(1, kSeatLetters[first]);
    const std::string partnerLetter(1, kSeatLetters[partner]);
    AddListLines(lines, firstLetter + partnerLetter + "=", sideList[SideOf(first)]);
    const auto& a = seatList[first];
    const auto& b = seatList[partner];
    if (!a.empty() && !b.empty() && a.size() + b.size() <= 3) {
      lines.push_back(firstLetter + "=" + ListText(a, 0, a.size()) + "   " + partnerLetter + "=" +
                      ListText(b, 0, b.size()));
    } else {
      AddListLines(lines, firstLetter + "=", a);
      AddListLines(lines, partnerLetter + "=", b);
    }
  }
  return lines;
}

std::string ParBoxText(const BoardEntry& entry, int board) {
  const BoardParTexts par = ParTextsOfBoard(entry, board);
  if (!par.known) return "";
  const int score = par.northSouthScore;
  std::string text = "Par ";
  text += score == 0 ? "0" : (score > 0 ? "NS +" : "EW +") + std::to_string(std::abs(score));
  if (!par.shortContracts.empty()) text += " " + par.shortContracts;
  return text;
}

namespace {

// True when the environment names no locale for dates (unset, "C", "POSIX"
// or "C.UTF-8"): their short date is the month-first "12/07/26", which a
// reader cannot tell from the seventh of December.
bool NoDateLocale() {
  std::string name;
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

}  // namespace

std::string EventDateText(DateTime date) {
  const CivilDateTime c = CivilFromDateTime(date);
  if (NoDateLocale()) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", c.year, c.month, c.day);
    return text;
  }
  std::tm tm{};
  tm.tm_year = c.year - 1900;
  tm.tm_mon = c.month - 1;
  tm.tm_mday = c.day;
  std::ostringstream out;
  try {
    out.imbue(std::locale(""));
  } catch (const std::exception&) {
    // An unusable LANG setting leaves the classic format.
  }
  out << std::put_time(&tm, "%x");
  return out.str();
}

int HandRecordPageCount(int lastBoard) noexcept {
  return std::clamp(lastBoard, 1, kBoardsPerSet) > 18 ? 2 : 1;
}

void HandRecordPage(Surface& s, const HandRecordMetrics& m, const HandRecordOptions& options,
                    int page, const DealSet& set, std::string_view club, const RgbImage& logo,
                    std::string_view setFilePath, int lastBoard) {
  lastBoard = std::clamp(lastBoard, 1, kBoardsPerSet);
  s.SetPenWidth(PenWidth(m));
  for (int i = 0; i <= 4; ++i) {
    s.MoveTo(m.leftMargin + i * m.cellWidth, i == 1 ? m.topMargin + m.cellHeight : m.topMargin);
    s.LineTo(m.leftMargin + i * m.cellWidth, m.topMargin + 5 * m.cellHeight);
  }
  for (int i = 0; i <= 5; ++i) {
    s.MoveTo(m.leftMargin, m.topMargin + i * m.cellHeight);
    s.LineTo(m.leftMargin + 4 * m.cellWidth, m.topMargin + i * m.cellHeight);
  }
  HandRecordHeader(s, m, set, club, logo, setFilePath);
  for (int b = 1; b <= 18; ++b) {
    const int board = 18 * (page - 1) + b;
    if (board > lastBoard) break;
    const int cell = b + 1;
    const int x0 = m.leftMargin + (cell % 4) * m.cellWidth;
    const int y0 = m.topMargin + (cell / 4) * m.cellHeight;
    BoardBox(s, m, x0, y0, board, set.Board(board), set.DealOf(board), options);
  }
}

void HandRecordHeader(Surface& s, const HandRecordMetrics& m, const DealSet& set,
                      std::string_view club, const RgbImage& logo, std::string_view setFilePath) {
  const SetHeader& header = set.header;
  const int span = 2 * m.cellWidth;
  const auto centred = [&](const std::string& text, int y) {
    s.TextOut(m.leftMargin + (span - s.TextWidth(text)) / 2, y, text);
  };
  const int y1 = m.topMargin + m.cellHeight / 6;
  Font(s, m, kArial, 16, 32);
  centred(std::string(club), y1);

  // The event name alone gives way when it is too wide for the two columns.
  const int y2 = y1 + 4 * m.lineUnit;
  const std::string event = " " + header.event.str() + " ";
  int size = m.pdf ? PdfHeight(32, m.lineUnit) : 16;
  const FontSizeUnit unit = m.pdf ? FontSizeUnit::kHeight : FontSizeUnit::kPoints;
  s.SetFont(kArial, size, unit, true);
  while (s.TextWidth(event) > span && size > 1) s.SetFont(kArial, --size, unit, true);
  centred(event, y2);

  const int y3 = y2 + 4 * m.lineUnit;
  Font(s, m, kArial, 11, 22);
  centred(" " + header.description.str() + " ", y3);

  Font(s, m, kArial, 7, 12);  // the PDF header uses the smaller H12 here
  // An unknown date (zero) prints as no date at all.
  const std::string lines[3] = {
      "Seed=(" + header.seed.str() + ")",
      header.eventDate == 0 ? std::string() : "Event Date: " + EventDateText(header.eventDate),
      "Site: " + header.site.str()};
  const int h = s.TextHeight(lines[0]);
  int widest = 0;
  for (const std::string& line : lines) widest = std::max(widest, s.TextWidth(line));
  const int c = (m.pdf ? m.leftMargin : 0) + 2 * m.cellWidth - widest / 2 - m.gridUnit;
  int y = m.topMargin + m.cellHeight - 4 * h;
  int siteY = y;
  for (const std::string& line : lines) {
    s.TextOut(c - s.TextWidth(line) / 2, y, line);
    siteY = y;
    y += int(h * 1.2);
  }
  const std::string banner(kProgramBanner);
  s.TextOut(m.leftMargin + m.gridUnit, siteY, banner);
  const int bannerWidth = s.TextWidth(banner);

  if (logo.width > 0 && logo.height > 0) {
    if (m.pdf) {
      const int side = RoundHalfEven(0.25 * m.cellWidth);
      const int left = m.leftMargin + (bannerWidth - side) / 2;
      const int top = siteY - side - m.lineUnit;
      s.StretchDraw(left, top, left + side, top + side, logo);
    } else {
      const int side = 4 * m.gridUnit;
      const int left = (bannerWidth - side) / 2 + m.gridUnit + 40;
      const int bottom = m.cellHeight - RoundHalfEven(1.8 * m.lineUnit);
      s.StretchDraw(left, bottom - side, left + side, bottom, logo);
    }
  }

  std::string origin = header.computerName.str();
  if (!setFilePath.empty()) origin += ": " + std::filesystem::path(setFilePath).filename().string();
  Font(s, m, kArial, 6, 12);
  s.TextOut(m.leftMargin + m.gridUnit / 2, m.topMargin + m.lineUnit / 2, origin);
}

namespace {

// The par line sits under the vulnerability, left of North's suit signs and
// above West's: it gets narrower and smaller to fit there, and then gives up
// contracts from the end, never the score.
void ParLine(Surface& s, const HandRecordMetrics& m, int x0, int y0, std::string text) {
  if (text.empty()) return;
  const int room = RoundHalfEven(m.cellWidth * 0.42) - m.gridUnit - m.gridUnit / 2;
  struct Step {
    std::string_view face;
    int points, luTenths;
  };
  constexpr Step kSteps[] = {{kArial, 7, 14}, {kNarrow, 7, 14}, {kNarrow, 6, 12}};
  for (const Step& step : kSteps) {
    Font(s, m, step.face, step.points, step.luTenths);
    if (s.TextWidth(text) <= room) break;
  }
  // "Par NS +620" is three words; contracts follow.
  while (s.TextWidth(text) > room && std::count(text.begin(), text.end(), ' ') > 2) {
    text.erase(text.rfind(' '));
  }
  s.TextOut(x0 + m.gridUnit, y0 + 7 * m.lineUnit, text);
}

// The deal number is the box's last line, between South's clubs and the
// cell's bottom border, where only a small size fits.  It starts four grid
// units in, or right of the results when they reach down into its line: the
// trick table's frame runs to the bottom of the cell, and a long list of
// contracts may come down that far.  Beside the frame the rest of the line is
// too narrow for the number in "Arial": it is set in "Arial Narrow", a size
// smaller, and any number still too wide steps down further.
void DealNumberLine(Surface& s, const HandRecordMetrics& m, int x0, int y0, const BoardEntry& entry,
                    const std::optional<ResultsExtent>& results) {
  const std::string text = "  " + DealNumberHexText(entry.number) + "  ";
  const int y = y0 + 25 * m.lineUnit + m.lineUnit / 2;
  const int pen = PenWidth(m);
  int left = x0 + 4 * m.gridUnit;
  if (results && results->bottom > y) left = std::max(left, results->right + pen);
  const int room = x0 + m.cellWidth - pen - left;
  struct Step {
    std::string_view face;
    int points, luTenths;
  };
  constexpr Step kSteps[] = {{kArial, 6, 12}, {kNarrow, 6, 12}, {kNarrow, 5, 10}, {kNarrow, 4, 8}};
  const bool besideFrame = results && results->bottom >= y0 + m.cellHeight;
  for (size_t i = besideFrame ? 2 : 0; i < std::size(kSteps); ++i) {
    Font(s, m, kSteps[i].face, kSteps[i].points, kSteps[i].luTenths);
    if (s.TextWidth(text) <= room) break;
  }
  s.TextOut(left, y, text);
}

}  // namespace

void BoardBox(Surface& s, const HandRecordMetrics& m, int x0, int y0, int board,
              const BoardEntry& entry, const Deal& deal, const HandRecordOptions& o) {
  Font(s, m, kArial, 9, 18);
  s.TextOut(x0 + m.gridUnit, y0 + m.gridUnit, "Board " + std::to_string(board));
  if (!entry.number.valid) {
    s.TextOut(x0 + m.gridUnit, y0 + 3 * m.lineUnit, "Not Generated");
    return;
  }
  s.TextOut(x0 + m.gridUnit, y0 + 3 * m.lineUnit, "Dlr " + BoardDealerLetter(board));
  s.TextOut(x0 + m.gridUnit, y0 + 5 * m.lineUnit, "Vul " + BoardVulnerabilityText(board));
  if (o.showPar) ParLine(s, m, x0, y0, ParBoxText(entry, board));

  // The points compass, measured first: a long West holding gives way to it.
  Font(s, m, kArial, 7, 14);
  const int cx = x0 + RoundHalfEven(m.cellWidth * (m.pdf ? 0.43 : 0.45));
  const int cy = y0 + m.cellHeight / 2;
  const int w = RoundHalfEven(s.TextWidth("11") * 0.98);
  const int h = RoundHalfEven(s.TextHeight("I") * 0.98);
  const std::string westPoints = PaddedNumber(deal.points[kWest]);
  const int westPointsBottom = cy + s.TextHeight(westPoints);

  // Hands: the suit signs, then each holding beside its sign.
  constexpr double kAnchor[4][2] = {{0.42, 0.04}, {0.58, 0.36}, {0.42, 0.67}, {0.04, 0.36}};
  struct Step {
    std::string_view face;
    int points, luTenths;
  };
  constexpr Step kHoldingSteps[] = {{kArial, 9, 18}, {kNarrow, 9, 18}, {kNarrow, 8, 16}};
  for (Seat seat : kSeats) {
    const int ax = x0 + RoundHalfEven(m.cellWidth * kAnchor[seat][0]);
    const int ay = y0 + RoundHalfEven(m.cellHeight * kAnchor[seat][1]);
    Font(s, m, kSymbol, 11, 22);
    for (Suit k : kSuits) s.TextOut(ax, ay - m.lineUnit / 2 + 2 * m.lineUnit * k, SuitSign(k));
    for (Suit k : kSuits) {
      const std::string holding = HoldingText(deal, seat, k);
      const int hx = ax + (3 * m.gridUnit) / 2;
      const int hy = ay + 2 * m.lineUnit * k;
      // East and West share the cell's width with the compass: long holdings
      // narrow.  North and South always have room.
      const bool side = seat == kEast || seat == kWest;
      size_t step = !side ? 0 : holding.size() > 11 ? 2 : holding.size() > 8 ? 1 : 0;
      const auto font = [&] {
        Font(s, m, kHoldingSteps[step].face, kHoldingSteps[step].points,
             kHoldingSteps[step].luTenths);
      };
      font();
      // Seven or eight broad cards of West's on the compass's line would run
      // into West's points ("AQ10865" and "15" read as one): they narrow too,
      // and keep half a grid unit clear.
      if (seat == kWest && hy < westPointsBottom && cy < hy + s.TextHeight(holding)) {
        const int limit = cx - w - m.gridUnit / 2;
        while (step + 1 < std::size(kHoldingSteps) && hx + s.TextWidth(holding) > limit) {
          ++step;
          font();
        }
      }
      s.TextOut(hx, hy, holding);
    }
  }

  Font(s, m, kArial, 7, 14);
  s.TextOut(cx, cy - h, PaddedNumber(deal.points[kNorth]));
  s.TextOut(cx + w, cy, PaddedNumber(deal.points[kEast]));
  s.TextOut(cx, cy + h, PaddedNumber(deal.points[kSouth]));
  s.TextOut(cx - w, cy, westPoints);

  // The analysis block: results first, else distributions, else the LTC alone.
  std::optional<ResultsExtent> results;
  const int bx = x0 + m.gridUnit / 2;
  const int hy = y0 + 19 * m.lineUnit + m.lineUnit / 2 - (o.showDealNumbers ? m.lineUnit : 0);
  const int ry = hy + m.lineUnit / 2 + m.lineUnit;
  if (o.showAnalysis) {
    if (entry.doneMask[0] != 0 || entry.doneMask[1] != 0) {
      if (o.allTricks)
        results = ResultsExtent{TrickTable(s, m, x0, y0, h, bx, entry), y0 + m.cellHeight};
      else
        results = ContractLines(s, m, y0, bx, entry);
    }
  } else if (o.showDistributions) {
    Font(s, m, kArial, 6, 12);
    DistributionBlock(s, m, bx, hy, ry, deal, o);
  } else if (o.showLtc) {
    Font(s, m, kArial, 6, 12);
    LtcBlock(s, m, x0, y0, deal, o.queenMethod);
  }

  if (o.showDealNumbers) DealNumberLine(s, m, x0, y0, entry, results);
}

}  // namespace tarrow
