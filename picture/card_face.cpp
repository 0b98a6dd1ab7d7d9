#include "picture/card_face.h"

#include <cmath>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "picture/card_art.h"

namespace tarrow {
namespace {

// Where the pips of a spot card sit: the centre as fractions of the card's
// width (columns) and height (rows), and whether the pip is turned.  Pips in
// the lower half are turned, as on printed cards.
struct Pip {
  double column, row;
  bool inverted;
};
constexpr double kL = 0.33, kC = 0.5, kR = 0.67;

// The pips of the card with `count` spots, 2..10.
std::vector<Pip> PipsOf(int count) {
  std::vector<Pip> pips;
  const auto both = [&pips](double row, bool inverted) {
    pips.push_back({kL, row, inverted});
    pips.push_back({kR, row, inverted});
  };
  switch (count) {
    case 2:
    case 3:
      pips.push_back({kC, 0.155, false});
      if (count == 3) pips.push_back({kC, 0.5, false});
      pips.push_back({kC, 0.845, true});
      break;
    case 4:
    case 5:
      both(0.155, false);
      both(0.845, true);
      if (count == 5) pips.push_back({kC, 0.5, false});
      break;
    case 6:
    case 7:
    case 8:
      both(0.155, false);
      both(0.5, false);
      both(0.845, true);
      if (count >= 7) pips.push_back({kC, 0.3275, false});
      if (count == 8) pips.push_back({kC, 0.6725, true});
      break;
    case 9:
      both(0.155, false);
      both(0.355, false);
      both(0.645, true);
      both(0.845, true);
      pips.push_back({kC, 0.5, false});
      break;
    case 10:
      both(0.155, false);
      both(0.4, false);
      both(0.6, true);
      both(0.845, true);
      pips.push_back({kC, 0.2775, false});
      pips.push_back({kC, 0.7225, true});
      break;
    default:
      break;
  }
  return pips;
}

// The index letters: "x" stands for the ten, written "10".
constexpr const char* kIndexLetters = "AKQJx98765432";

QFont IndexFont(int letterHeight) {
  QFont font("Arial");
  font.setWeight(QFont::ExtraBold);
  // The height is the text cell's (ascent and descent); Arial's em is about
  // 1/1.15 of it.
  font.setPixelSize(std::max(1, RoundEven(letterHeight / 1.15)));
  return font;
}

QString IndexText(Rank rank) {
  return rank == 4 ? QStringLiteral("10") : QString(QChar(kIndexLetters[rank]));
}

// Half the text's width for centring; the two-character "10" is set a
// little left of centre so that it clears the neighbouring card.
int IndexOffset(Rank rank, int textWidth) {
  return rank == 4 ? RoundEven(0.43 * textWidth) : textWidth / 2;
}

void DrawIndex(QPainter& painter, const CardGeometry& g, int x, int y, Suit suit, Rank rank,
               bool full) {
  QFont font = IndexFont(g.letterHeight);
  // Two figures in the width of one letter: the ten is set narrower so that
  // it keeps clear of the pips beside it.
  if (rank == 4) font.setStretch(80);
  const QFontMetrics metrics(font);
  const QString text = IndexText(rank);
  const int offset = IndexOffset(rank, metrics.horizontalAdvance(text));
  painter.setFont(font);
  painter.setPen(SuitColour(suit));
  const int half = g.symbolSize / 2;
  painter.drawText(x + g.margin - offset, y + g.letterTop + metrics.ascent(), text);
  PaintSuitSymbol(painter, QRectF(x + g.margin - half, y + g.symbolTop, g.symbolSize, g.symbolSize),
                  suit, false);
  if (!full) return;
  // The same index turned by 180 degrees about the bottom-right corner.
  const int xr = x + g.w - g.margin;
  painter.save();
  painter.translate(xr + offset, y + g.h - g.letterTop);
  painter.rotate(180);
  painter.drawText(0, metrics.ascent(), text);
  painter.restore();
  PaintSuitSymbol(
      painter, QRectF(xr - half, y + g.h - g.symbolTop - g.symbolSize, g.symbolSize, g.symbolSize),
      suit, true);
}

void DrawFace(QPainter& painter, const CardGeometry& g, int x, int y, Suit suit, Rank rank) {
  if (rank == 0) {
    const int size = suit == kSpades ? RoundEven(2.5 * g.pipSize) : g.pipSize;
    DrawPip(painter, x + 0.5 * g.w, y + 0.5 * g.h, size, suit, false);
  } else if (rank <= 3) {
    PaintCourtPicture(painter,
                      QRectF(x + g.insetX, y + g.insetY, g.w - 2 * g.insetX, g.h - 2 * g.insetY),
                      suit, rank);
  } else {
    for (const Pip& pip : PipsOf(14 - rank)) {
      DrawPip(painter, x + pip.column * g.w, y + pip.row * g.h, g.pipSize, suit, pip.inverted);
    }
  }
}

}  // namespace

int RoundEven(double value) noexcept {
  return int(std::nearbyint(value));  // the default rounding mode: to nearest, ties to even
}

CardGeometry::CardGeometry(int cardWidth, int step) noexcept
    : w(cardWidth & ~1),
      st(step),
      h(RoundEven(1.555 * w)),
      margin(RoundEven(0.1 * w)),
      symbolSize(RoundEven(0.14 * w)),
      symbolTop(RoundEven(0.25 * w)),
      letterHeight(RoundEven(0.22 * w)),
      letterTop(RoundEven(0.045 * w)),
      pipSize(RoundEven(0.252 * w)),
      insetX(RoundEven(0.19 * w)),
      insetY(RoundEven(0.135 * w)),
      k(RoundEven(0.04 * h)),
      k2(RoundEven(0.13 * 0.04 * h)),
      k3(RoundEven(0.5 * 0.04 * h)) {}

QPolygon CardGeometry::FullOutline(int x, int y) const {
  return QPolygon({QPoint(x, y + k), QPoint(x + k2, y + k3), QPoint(x + k3, y + k2),
                   QPoint(x + k, y), QPoint(x + w - k, y), QPoint(x + w - k3, y + k2),
                   QPoint(x + w - k2, y + k3), QPoint(x + w, y + k), QPoint(x + w, y + h - k),
                   QPoint(x + w - k2, y + h - k3), QPoint(x + w - k3, y + h - k2),
                   QPoint(x + w - k, y + h), QPoint(x + k, y + h), QPoint(x + k3, y + h - k2),
                   QPoint(x + k2, y + h - k3), QPoint(x, y + h - k)});
}

QPolygon CardGeometry::StripOutline(int x, int y) const {
  const int right = x + margin + st;
  return QPolygon({QPoint(x, y + k), QPoint(x + k2, y + k3), QPoint(x + k3, y + k2),
                   QPoint(x + k, y), QPoint(right, y), QPoint(right, y + h), QPoint(x + k, y + h),
                   QPoint(x + k3, y + h - k2), QPoint(x + k2, y + h - k3), QPoint(x, y + h - k)});
}

void DrawCard(QPainter& painter, const CardGeometry& g, int x, int y, Suit suit, Rank rank,
              bool full) {
  painter.save();
  // The outline is drawn without smoothing so that its edges fall on whole
  // pixels: rows of strips then line up exactly.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(Qt::white);
  painter.drawPolygon(full ? g.FullOutline(x, y) : g.StripOutline(x, y));
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  DrawIndex(painter, g, x, y, suit, rank, full);
  if (full) DrawFace(painter, g, x, y, suit, rank);
  painter.restore();
}

void DrawPip(QPainter& painter, double cx, double cy, int size, Suit suit, bool inverted) {
  const double left = RoundEven(cx - size / 2.0), top = RoundEven(cy - size / 2.0);
  PaintSuitSymbol(painter, QRectF(left, top, size, size), suit, inverted);
}

void DrawSuitRow(QPainter& painter, const CardGeometry& g, int& x, int y, Suit suit,
                 const std::vector<Rank>& ranks) {
  for (size_t i = 0; i < ranks.size(); ++i) {
    DrawCard(painter, g, x, y, suit, ranks[i], i + 1 == ranks.size());
    x += g.st;
  }
}

}  // namespace tarrow
