#include "picture/board_picture.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "analysis/runner.h"
#include "core/deal_number.h"

namespace tarrow {
namespace {

QColor Rgb(unsigned rgb) {
  return QColor::fromRgb(QRgb(0xFF000000u | rgb));
}

QFont TableFont(int points) {
  QFont font("Arial");
  font.setBold(true);
  font.setPixelSize(std::max(1, PointsToPixels(points)));
  return font;
}

// Text on the table: light, bold, on an opaque cell of the table's colour so
// that it covers whatever was drawn there before.  (left, top) is the cell's
// top-left corner.
void TableText(QPainter& painter, const QFont& font, int left, int top, const std::string& text) {
  const QString q = QString::fromLatin1(text.data(), qsizetype(text.size()));
  const QFontMetrics metrics(font);
  painter.fillRect(QRect(left, top, metrics.horizontalAdvance(q), metrics.height()),
                   Rgb(kTableColour));
  painter.setFont(font);
  painter.setPen(Rgb(kTableTextColour));
  painter.drawText(left, top + metrics.ascent(), q);
}

void CentredTableText(QPainter& painter, const QFont& font, int centreX, int top,
                      const std::string& text) {
  const int width = QFontMetrics(font).horizontalAdvance(
      QString::fromLatin1(text.data(), qsizetype(text.size())));
  TableText(painter, font, centreX - width / 2, top, text);
}

std::vector<Rank> RanksOf(const Deal& deal, Seat seat, Suit suit) {
  std::vector<Rank> ranks;
  for (Rank r : kRanks) {
    if (deal.seatOf[size_t(CardIndex(suit, r))] == seat) ranks.push_back(r);
  }
  return ranks;
}

void PaintPanel(QPainter& painter, const BoardLayout& layout, const BoardView& view) {
  painter.fillRect(QRect(0, 0, layout.panelWidth, layout.client.height()), Rgb(kPanelColour));
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::NoPen);
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    unsigned colour = kBoardButtonColour;
    if (board == view.board) {
      colour = kCurrentButtonColour;
    } else if (!view.set->Board(board).number.valid) {
      colour = kInvalidButtonColour;
    }
    painter.setBrush(Rgb(colour));
    painter.drawEllipse(layout.boardButtons[size_t(board - 1)]);
  }
  painter.restore();
}

void PaintHands(QPainter& painter, const BoardLayout& layout, const Deal& deal) {
  const CardGeometry& g = layout.cards;
  for (Seat seat : kSeats) {
    for (Suit suit : kSuits) {
      const QPoint start = layout.RowStart(deal, seat, suit);
      int x = start.x();
      DrawSuitRow(painter, g, x, start.y(), suit, RanksOf(deal, seat, suit));
    }
  }
}

void PaintBoardTexts(QPainter& painter, const BoardLayout& layout, int board) {
  const QFont font = TableFont(RoundEven(0.02 * layout.table.height()));
  const int left = layout.table.left(), top = layout.table.top();
  TableText(painter, font, left, top, "Dlr " + BoardDealerLetter(board));
  TableText(painter, font, left, top + RoundEven(0.25 * layout.rowPitch),
            "Vul " + BoardVulnerabilityText(board));
  TableText(painter, font, left, top + RoundEven(0.5 * layout.rowPitch),
            "# " + std::to_string(board));
}

// Points and double-dummy results of the four seats around the table's
// centre, then the workers' lines at the top right.
void PaintAnalysis(QPainter& painter, const BoardLayout& layout, const BoardView& view,
                   const Deal& deal) {
  const int h = layout.table.height(), w = layout.table.width();
  const int cx = layout.table.left() + w / 2;
  const int base = layout.table.top() + RoundEven(0.45 * h);
  const int e = RoundEven(0.1 * h), dx = RoundEven(0.15 * w);
  const QFont pointsFont = TableFont(RoundEven(0.025 * h));
  const QFont resultFont = TableFont(RoundEven(0.015 * h));
  const BoardEntry& entry = view.set->Board(view.board);
  const QPoint centres[4] = {{cx, base - e}, {cx + dx, base}, {cx, base + e}, {cx - dx, base}};
  for (Seat seat : kSeats) {
    const QPoint at = centres[seat];
    if (deal.valid) {
      CentredTableText(painter, pointsFont, at.x(), at.y(),
                       " " + std::to_string(deal.points[seat]) + " ");
    }
    if (!deal.valid) continue;  // no deal, so no results to show
    // The whole picture is drawn afresh each time, so the band under the
    // text only needs to be the text's own cell.
    CentredTableText(painter, resultFont, at.x(), at.y() + RoundEven(0.05 * h),
                     " " + SeatResultText(entry, seat, view.allTricks) + " ");
  }

  const int x0 = layout.client.width() -
                 RoundEven(1.1 * QFontMetrics(resultFont).horizontalAdvance("P11 NS NT 11/11"));
  const QFont lineFont = TableFont(RoundEven(0.009 * h));
  const int lineHeight = RoundEven(1.04 * QFontMetrics(lineFont).height());
  painter.fillRect(QRect(x0, 20, layout.client.width() - x0, view.workerCount * lineHeight),
                   Rgb(kTableColour));
  int y = 20;
  for (const std::string& line : view.workerLines) {
    TableText(painter, lineFont, x0, y, line);
    y += lineHeight;
  }
}

void PaintDealNumber(QPainter& painter, const BoardLayout& layout, const BoardView& view) {
  if (view.numberMode == NumberMode::kHidden) return;
  const DealNumber& number = view.set->Board(view.board).number;
  const std::string text = view.numberMode == NumberMode::kHex ? DealNumberHexText(number)
                                                               : DealNumberDecimalText(number);
  CentredTableText(painter, TableFont(RoundEven(0.013 * layout.table.height())),
                   layout.table.left() + layout.table.width() / 2,
                   layout.table.bottom() + 1 - 2 * layout.unit, text);
}

}  // namespace

int PointsToPixels(int points) noexcept {
  return RoundEven(points * 96.0 / 72.0);
}

BoardLayout::BoardLayout(QSize clientSize)
    : client(clientSize),
      panelWidth(RoundEven(0.15 * clientSize.width())),
      table(panelWidth + 20, 20, clientSize.width() - panelWidth - 40, clientSize.height() - 40),
      unit(std::max(0, std::min(table.width(), table.height()) / 7)),
      rowPitch(RoundEven(1.2 * unit)),
      cards(RoundEven(0.6667 * unit), RoundEven(0.6667 * unit) * 25 / 100) {
  const int ch = client.height(), p = panelWidth;
  const auto top = [ch](int percent) { return RoundEven(ch * percent / 100.0); };

  // Panel controls: one to a row, centred, except Previous and Next.
  const int width = RoundEven(0.85 * p), height = RoundEven(0.14 * width);
  controlFontPoints = RoundEven(width / 18.0);
  const auto single = [&](int percent, int rows) {
    return QRect((p - width) / 2, top(percent), width, height * rows);
  };
  showNumber = single(25, 1);
  edit = single(30, 1);
  showAs = single(40, 3);
  quit = single(85, 1);
  const int halfWidth = RoundEven(0.45 * p);
  const int left = RoundEven((p - 2 * halfWidth) / 3.0);
  previous = QRect(left, top(15), halfWidth, height);
  next = QRect(2 * left + halfWidth, top(15), halfWidth, height);

  // Board buttons: ten to a row, a wider gap after the fifth.
  const int s = std::min(RoundEven(p / 13.2), RoundEven(0.16 * previous.top()));
  const int pitch = RoundEven(1.2 * s), gap = RoundEven(0.4 * s);
  const int rowStart = RoundEven((p - 9 * pitch - s - gap) / 2.0);
  for (int i = 0; i < kBoardsPerSet; ++i) {
    const int column = i % 10, row = i / 10;
    const int x = rowStart + column * pitch + (column >= 5 ? gap : 0);
    const int y = RoundEven(s / 2.0) + row * RoundEven(1.4 * s);
    boardButtons[size_t(i)] = QRect(x, y, s, s);
  }
}

int BoardLayout::BoardAt(QPoint point) const {
  for (int i = 0; i < kBoardsPerSet; ++i) {
    const QRect& r = boardButtons[size_t(i)];
    const double rx = r.width() / 2.0, ry = r.height() / 2.0;
    if (rx <= 0 || ry <= 0) continue;
    const double dx = (point.x() - (r.left() + rx)) / rx, dy = (point.y() - (r.top() + ry)) / ry;
    if (dx * dx + dy * dy <= 1.0) return i + 1;
  }
  return 0;
}

QPoint BoardLayout::RowStart(const Deal& deal, Seat seat, Suit suit) const {
  const int st = cards.st, cw = RoundEven(0.6667 * unit);
  const int tl = table.left(), tt = table.top();
  if (seat == kNorth || seat == kSouth) {
    // Suits left to right, each taking its cards' steps and one card width.
    int x = ((client.width() - panelWidth - 14 * st - 4 * cw) >> 1) + tl;
    for (Suit s : kSuits) {
      if (s < suit) x += deal.suitLength[seat][s] * st + cw;
    }
    const int y = seat == kNorth ? tt : tt + table.height() - unit - 20;
    return {x, y};
  }
  const int y = tt + rowPitch * (suit + 1);
  if (seat == kWest) return {tl, y};
  return {tl + table.width() + st - cw - deal.suitLength[seat][suit] * st, y};
}

std::string SeatResultText(const BoardEntry& entry, Seat seat, bool allTricks) {
  const int side = SideOf(seat);
  if (entry.doneMask[side] == 0) return "";
  std::string text;
  for (Strain strain : kStrains) {
    // A strain still waiting for its job has no tricks yet; its zero in the
    // table is no result.
    if (!entry.Analysed(side, strain)) continue;
    const int tricks = entry.table[size_t(DDIndex(seat, strain))];
    if (allTricks) {
      text += std::to_string(tricks) + std::string(kStrainLabels[size_t(strain)]) + "  ";
    } else if (tricks > 6) {
      text += std::to_string(tricks - 6) + std::string(kStrainLabels[size_t(strain)]) + "  ";
    }
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty() && (entry.doneMask[side] & kAllStrainsDone) == kAllStrainsDone) return "none";
  return text;
}

std::vector<std::string> WorkerLines(const AnalysisRunner& runner, int board) {
  std::vector<std::string> lines;
  const JobQueue& queue = runner.Queue();
  for (const auto& worker : runner.Workers()) {
    if (!worker || !worker->Alive()) continue;
    const int job = worker->CurrentJob();
    if (job < 1 || job > queue.last || queue.jobs[size_t(job)].board != board) continue;
    const Strain strain = std::clamp(worker->CurrentStrain(), kNotrump, kStrains.back());
    const int side = queue.jobs[size_t(job)].side;
    lines.push_back("T" + std::to_string(worker->WorkerNumber()) + " " +
                    std::string(kStrainLabels[size_t(strain)]) + " " + (side == 0 ? "NS" : "EW") +
                    " " + std::to_string(worker->Target(0)) + "/" +
                    std::to_string(worker->Target(1)));
  }
  return lines;
}

void PaintBoardPicture(QPainter& painter, QSize size, const BoardView& view) {
  const BoardLayout layout(size);
  painter.save();
  painter.fillRect(QRect(QPoint(0, 0), size), Rgb(kTableColour));
  PaintPanel(painter, layout, view);
  // An absent board has no deal: its words would expand to a made-up one
  // (each seat a whole suit), so nothing is drawn for it.
  const DealNumber& number = view.set->Board(view.board).number;
  const Deal deal = number.valid ? DealFromNumber(number) : Deal{};
  if (deal.valid && layout.unit > 0) PaintHands(painter, layout, deal);
  PaintBoardTexts(painter, layout, view.board);
  PaintAnalysis(painter, layout, view, deal);
  PaintDealNumber(painter, layout, view);
  painter.restore();
}

QImage RenderBoardPicture(const BoardView& view, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.setDotsPerMeterX(3780);  // 96 dots per inch
  image.setDotsPerMeterY(3780);
  QPainter painter(&image);
  PaintBoardPicture(painter, size, view);
  painter.end();
  return image;
}

}  // namespace tarrow
