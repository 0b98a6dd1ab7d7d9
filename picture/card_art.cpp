#include "picture/card_art.h"

#include <array>

#include <QPainter>
#include <QTransform>

namespace tarrow {
namespace {

QPainterPath MakeSpade() {
  QPainterPath p;
  p.moveTo(50, 0);
  p.cubicTo(62, 20, 100, 38, 100, 63);
  p.cubicTo(100, 79, 88, 88, 75, 88);
  p.cubicTo(65, 88, 58, 83, 54, 77);
  p.cubicTo(55, 88, 60, 95, 70, 100);
  p.lineTo(30, 100);
  p.cubicTo(40, 95, 45, 88, 46, 77);
  p.cubicTo(42, 83, 35, 88, 25, 88);
  p.cubicTo(12, 88, 0, 79, 0, 63);
  p.cubicTo(0, 38, 38, 20, 50, 0);
  p.closeSubpath();
  return p;
}

QPainterPath MakeHeart() {
  QPainterPath p;
  p.moveTo(50, 98);
  p.cubicTo(38, 80, 0, 60, 0, 30);
  p.cubicTo(0, 12, 12, 3, 27, 3);
  p.cubicTo(38, 3, 46, 10, 50, 21);
  p.cubicTo(54, 10, 62, 3, 73, 3);
  p.cubicTo(88, 3, 100, 12, 100, 30);
  p.cubicTo(100, 60, 62, 80, 50, 98);
  p.closeSubpath();
  return p;
}

QPainterPath MakeDiamond() {
  QPainterPath p;
  p.moveTo(50, 0);
  p.quadTo(64, 27, 90, 50);
  p.quadTo(64, 73, 50, 100);
  p.quadTo(36, 73, 10, 50);
  p.quadTo(36, 27, 50, 0);
  p.closeSubpath();
  return p;
}

QPainterPath MakeClub() {
  QPainterPath leaves;
  leaves.setFillRule(Qt::WindingFill);
  leaves.addEllipse(QPointF(50, 25), 23, 23);
  leaves.addEllipse(QPointF(24, 57), 23, 23);
  leaves.addEllipse(QPointF(76, 57), 23, 23);
  leaves.addEllipse(QPointF(50, 52), 14, 14);
  QPainterPath stem;
  stem.moveTo(46, 50);
  stem.cubicTo(46, 78, 40, 92, 29, 100);
  stem.lineTo(71, 100);
  stem.cubicTo(60, 92, 54, 78, 54, 50);
  stem.closeSubpath();
  return leaves.united(stem).simplified();
}

// Colours of the court figures: robe, trim and the gold of crowns and chains.
struct CourtColours {
  QColor robe, trim;
};
const QColor kGold(232, 184, 32);
const QColor kSkin(247, 216, 178);
const QColor kInk(32, 32, 40);
const QColor kRoyalBlue(38, 72, 160);
const QColor kCourtRed(200, 30, 40);

// Each suit dresses its figures in its own pair of colours; queens wear
// them the other way round, so the three cards of a suit look apart.
CourtColours ColoursFor(Suit suit, Rank rank) {
  const CourtColours bySuit[4] = {
      {kRoyalBlue, kGold}, {kCourtRed, kGold}, {kCourtRed, kRoyalBlue}, {kRoyalBlue, kCourtRed}};
  CourtColours c = bySuit[suit];
  if (rank == 2) std::swap(c.robe, c.trim);
  return c;
}

QPen InkPen(double width) {
  QPen pen(kInk, width);
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

// One half of a court picture in the box (0, 0)-(100, 100), y = 100 being
// the card's centre line; the figure is cut off at the chest by the slanted
// line between the halves (kHalfLine).
void PaintCourtHalf(QPainter& p, Suit suit, Rank rank) {
  const CourtColours colours = ColoursFor(suit, rank);
  const bool king = rank == 1, queen = rank == 2;

  // The hand-held item sits behind the shoulder: a sword or sceptre for the
  // king, a flower for the queen, a halberd for the jack.
  p.setPen(InkPen(1.2));
  if (king) {
    p.setBrush(QColor(215, 215, 225));
    p.drawPolygon(QPolygonF({{81, 10}, {85, 4}, {89, 10}, {89, 70}, {81, 70}}));
    p.setBrush(kGold);
    p.drawRect(QRectF(76, 70, 18, 4));
    p.drawRect(QRectF(83, 74, 4, 12));
  } else if (queen) {
    p.setBrush(QColor(60, 140, 60));
    p.drawRect(QRectF(19, 50, 2.5, 40));
    p.setBrush(SuitColour(suit) == Qt::black ? kCourtRed : kGold);
    for (int i = 0; i < 5; ++i) {
      QTransform t;
      t.translate(20, 46);
      t.rotate(i * 72.0);
      p.drawEllipse(t.map(QPointF(0, -6)), 4.5, 4.5);
    }
    p.setBrush(kGold);
    p.drawEllipse(QPointF(20, 46), 3.5, 3.5);
  } else {
    p.setBrush(QColor(150, 100, 50));
    p.drawRect(QRectF(15, 16, 3, 84));
    p.setBrush(QColor(215, 215, 225));
    p.drawPolygon(QPolygonF({{16.5, 2}, {22, 14}, {16.5, 20}, {11, 14}}));
    p.drawPolygon(QPolygonF({{18, 20}, {28, 16}, {28, 28}, {18, 26}}));
  }

  // Robe and shoulders.
  QPainterPath robe;
  robe.moveTo(6, 120);
  robe.cubicTo(6, 76, 24, 62, 50, 60);
  robe.cubicTo(76, 62, 94, 76, 94, 120);
  robe.closeSubpath();
  p.setBrush(colours.robe);
  p.drawPath(robe);
  // A broad band down the front with buttons, and a chain of gold.
  p.setBrush(colours.trim);
  p.drawPolygon(QPolygonF({{42, 62}, {58, 62}, {64, 120}, {36, 120}}));
  p.setBrush(kGold);
  for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(50, 72 + 10 * i), 2.2, 2.2);
  QPainterPath chain;
  chain.moveTo(30, 70);
  chain.quadTo(50, 90, 70, 70);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kGold, 2.2));
  p.drawPath(chain);
  p.setPen(InkPen(1.2));
  // The suit on the robe.
  {
    p.save();
    const QRectF badge(64, 76, 14, 14);
    p.setBrush(Qt::white);
    p.drawEllipse(badge.adjusted(-3, -3, 3, 3));
    p.restore();
    PaintSuitSymbol(p, QRectF(65, 77, 12, 12), suit, false);
  }

  // Collar and neck.
  p.setBrush(kSkin);
  p.drawRect(QRectF(45, 52, 10, 10));
  p.setBrush(queen ? Qt::white : kGold);
  QPainterPath collar;
  collar.moveTo(33, 63);
  collar.quadTo(50, 55, 67, 63);
  collar.quadTo(50, 72, 33, 63);
  p.drawPath(collar);

  // Hair behind the face.
  const QColor hair = king    ? QColor(190, 190, 200)
                      : queen ? QColor(200, 140, 40)
                              : QColor(110, 70, 30);
  p.setBrush(hair);
  if (queen) {
    QPainterPath locks;
    locks.moveTo(36, 30);
    locks.cubicTo(28, 45, 30, 60, 26, 66);
    locks.lineTo(74, 66);
    locks.cubicTo(70, 60, 72, 45, 64, 30);
    locks.closeSubpath();
    p.drawPath(locks);
  } else {
    p.drawEllipse(QPointF(50, 38), 16, 16);
  }

  // Face.
  p.setBrush(kSkin);
  p.drawEllipse(QPointF(50, 40), 12, 15);
  p.setBrush(kInk);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(45.5, 38), 1.5, 1.5);
  p.drawEllipse(QPointF(54.5, 38), 1.5, 1.5);
  p.setPen(InkPen(1.0));
  p.drawLine(QPointF(50, 39), QPointF(48.5, 45));
  p.drawLine(QPointF(48.5, 45), QPointF(50.5, 45.5));
  p.setPen(QPen(QColor(180, 40, 50), 1.3));
  p.drawLine(QPointF(47, 49.5), QPointF(53, 49.5));
  p.setPen(InkPen(1.2));

  if (king) {
    // Beard and moustache.
    QPainterPath beard;
    beard.moveTo(38, 43);
    beard.cubicTo(40, 56, 44, 62, 50, 64);
    beard.cubicTo(56, 62, 60, 56, 62, 43);
    beard.cubicTo(58, 50, 54, 47, 50, 47);
    beard.cubicTo(46, 47, 42, 50, 38, 43);
    p.setBrush(hair);
    p.drawPath(beard);
    // Crown with three points and jewels.
    QPainterPath crown;
    crown.moveTo(36, 28);
    crown.lineTo(34, 10);
    crown.lineTo(42, 18);
    crown.lineTo(50, 6);
    crown.lineTo(58, 18);
    crown.lineTo(66, 10);
    crown.lineTo(64, 28);
    crown.closeSubpath();
    p.setBrush(kGold);
    p.drawPath(crown);
    p.setBrush(colours.trim == kGold ? kCourtRed : colours.trim);
    p.drawEllipse(QPointF(50, 22), 2.5, 2.5);
    p.drawEllipse(QPointF(41, 23.5), 1.8, 1.8);
    p.drawEllipse(QPointF(59, 23.5), 1.8, 1.8);
  } else if (queen) {
    // Tiara with rounded points and a veil behind it.
    QPainterPath tiara;
    tiara.moveTo(37, 28);
    tiara.quadTo(38, 16, 43, 18);
    tiara.quadTo(46, 8, 50, 12);
    tiara.quadTo(54, 8, 57, 18);
    tiara.quadTo(62, 16, 63, 28);
    tiara.closeSubpath();
    p.setBrush(kGold);
    p.drawPath(tiara);
    p.setBrush(colours.trim == kGold ? kRoyalBlue : colours.trim);
    p.drawEllipse(QPointF(50, 20), 2.2, 2.2);
  } else {
    // A beret with a feather.
    QPainterPath cap;
    cap.moveTo(33, 30);
    cap.cubicTo(30, 14, 70, 12, 68, 30);
    cap.closeSubpath();
    p.setBrush(colours.trim == kGold ? kCourtRed : colours.trim);
    p.drawPath(cap);
    p.setBrush(kGold);
    p.drawRect(QRectF(33, 27, 35, 4));
    QPainterPath feather;
    feather.moveTo(62, 22);
    feather.cubicTo(72, 12, 82, 8, 92, 8);
    feather.cubicTo(84, 14, 74, 20, 64, 26);
    feather.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(feather);
  }

  // The suit in the picture's corner, as real court cards carry it.
  PaintSuitSymbol(p, QRectF(4, 4, 13, 13), suit, false);
}

}  // namespace

QColor SuitColour(Suit suit) {
  return suit == kHearts || suit == kDiamonds ? QColor(0xF8, 0x18, 0x18) : QColor(Qt::black);
}

const QPainterPath& SuitSymbolPath(Suit suit) {
  static const std::array<QPainterPath, 4> paths = {MakeSpade(), MakeHeart(), MakeDiamond(),
                                                    MakeClub()};
  return paths.at(size_t(suit));
}

void PaintSuitSymbol(QPainter& painter, const QRectF& box, Suit suit, bool inverted) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  QTransform t;
  t.translate(box.left(), box.top());
  t.scale(box.width() / 100.0, box.height() / 100.0);
  if (inverted) {
    t.translate(100, 100);
    t.rotate(180);
  }
  painter.setTransform(t, true);
  painter.setPen(Qt::NoPen);
  painter.setBrush(SuitColour(suit));
  painter.drawPath(SuitSymbolPath(suit));
  painter.restore();
}

// The upper half of a court picture lies above a slanted line through the
// centre, as on printed cards; the lower half is the same turned about it.
const QPolygonF kHalfLine({{0, 0}, {100, 0}, {100, 88}, {0, 112}});

static void PaintHalfClipped(QPainter& painter, Suit suit, Rank rank) {
  painter.save();
  QPainterPath clip;
  clip.addPolygon(kHalfLine);
  painter.setClipPath(clip, Qt::IntersectClip);
  PaintCourtHalf(painter, suit, rank);
  painter.restore();
}

void PaintCourtPicture(QPainter& painter, const QRectF& box, Suit suit, Rank rank) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setClipRect(box, Qt::IntersectClip);
  painter.translate(box.left(), box.top());
  painter.scale(box.width() / 100.0, box.height() / 200.0);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 250, 235));
  painter.drawRect(QRectF(0, 0, 100, 200));
  PaintHalfClipped(painter, suit, rank);
  painter.save();
  painter.translate(100, 200);
  painter.rotate(180);
  PaintHalfClipped(painter, suit, rank);
  painter.restore();
  // The frame and the line between the two halves, in the suit's colour.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(SuitColour(suit), 1.6));
  painter.drawRect(QRectF(0.8, 0.8, 98.4, 198.4));
  painter.drawLine(QPointF(0, 112), QPointF(100, 88));
  painter.restore();
}

}  // namespace tarrow
