#include "printing/qt_surface.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <cmath>
#include <filesystem>

#include "pdf/font_metrics.h"

namespace tarrow {
namespace {

bool IsSymbol(std::string_view face) {
  return face.size() == 6 &&
         QString::fromUtf8(face.data(), 6).compare("Symbol", Qt::CaseInsensitive) == 0;
}

// The suit signs of the Symbol face's own code page, A7 clubs .. AA spades.
constexpr char16_t kSuitSigns[4] = {u'\u2663', u'\u2666', u'\u2665', u'\u2660'};

}  // namespace

QString QtSurface::ResolvedFace(std::string_view face, bool bold) {
  const PdfFontMetrics* m = FindFontMetrics(face, bold, nullptr);
  if (m != nullptr && !m->faceFamily.empty()) return QString::fromStdString(m->faceFamily);
  return QString::fromUtf8(face.data(), qsizetype(face.size()));
}

QString QtSurface::Unicode(std::string_view text, bool symbol) {
  QString out;
  out.reserve(qsizetype(text.size()));
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (symbol && code >= 0xA7 && code <= 0xAA) {
      out += QChar(kSuitSigns[code - 0xA7]);
      continue;
    }
    const char32_t u = WinAnsiToUnicode(code);
    out += QChar(char16_t(u != 0 ? u : code));
  }
  return out;
}

// Qt puts only TrueType outlines into the jobs it sends; the suit glyphs of
// a Type 1 or CFF Symbol face (URW's, on Debian) come out blank on paper.
// Such a face gives way to the "Arial" face, whose TrueType outlines carry
// the four suit signs too.
QString SymbolFace(bool bold) {
  const PdfFontMetrics* m = FindFontMetrics("Symbol", bold, nullptr);
  if (m != nullptr) {
    const std::string ext = std::filesystem::path(m->file).extension().string();
    if (ext == ".ttf" || ext == ".TTF" || ext == ".ttc")
      return QtSurface::ResolvedFace("Symbol", bold);
  }
  return QtSurface::ResolvedFace("Arial", bold);
}

void QtSurface::SelectFont(std::string_view face, bool bold, int weight) {
  symbol_ = IsSymbol(face);
  font_ = QFont(symbol_ ? SymbolFace(bold) : ResolvedFace(face, bold));
  font_.setWeight(QFont::Weight(weight));
  font_.setStyleStrategy(QFont::PreferOutline);
  // Widths add up as the layouts measured them: no kerning, no hinting.
  font_.setKerning(false);
  font_.setHintingPreference(QFont::PreferNoHinting);
}

void QtSurface::SetFont(std::string_view face, int size, FontSizeUnit unit, bool bold) {
  SelectFont(face, bold, bold ? 700 : 400);
  rotation_ = 0;
  if (unit == FontSizeUnit::kPoints) {
    font_.setPointSizeF(size);
    return;
  }
  // A height is the character cell; the em is the cell less the internal
  // leading, in the proportions of the face the PDF writer measures too.
  const PdfFontMetrics* m = FindFontMetrics(face, bold, nullptr);
  const double em = m != nullptr && m->CellHeight() > 0 ? size * 1000.0 / m->CellHeight() : size;
  font_.setPointSizeF(std::max(0.1, em * 72.0 / device_.logicalDpiY()));
}

void QtSurface::SetLogicalFont(std::string_view face, int height, int weight, int rotation) {
  SetFont(face, height, FontSizeUnit::kHeight, weight >= 600);
  font_.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
  rotation_ = rotation;
}

int QtSurface::TextWidth(std::string_view text) {
  return int(std::lround(QFontMetricsF(font_, &device_).horizontalAdvance(Unicode(text, symbol_))));
}

int QtSurface::TextHeight(std::string_view) {
  return int(std::lround(QFontMetricsF(font_, &device_).height()));
}

void QtSurface::TextOut(int x, int y, std::string_view text) {
  painter_.setFont(font_);
  painter_.setPen(QColor(color_.red, color_.green, color_.blue));
  const double ascent = QFontMetricsF(font_, &device_).ascent();
  const QString unicode = Unicode(text, symbol_);
  if (rotation_ == 0) {
    painter_.drawText(QPointF(x, y + ascent), unicode);
    return;
  }
  // Turned about the cell's top-left corner; Qt turns clockwise with y downwards.
  painter_.save();
  painter_.translate(x, y);
  painter_.rotate(-rotation_ / 10.0);
  painter_.drawText(QPointF(0, ascent), unicode);
  painter_.restore();
}

void QtSurface::UsePen() {
  painter_.setPen(QPen(Qt::black, penWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter_.setBrush(brushSolid_ ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
}

void QtSurface::LineTo(int x, int y) {
  UsePen();
  painter_.drawLine(x_, y_, x, y);
  x_ = x;
  y_ = y;
}

void QtSurface::Rectangle(int left, int top, int right, int bottom) {
  UsePen();
  painter_.drawRect(QRectF(left, top, right - left, bottom - top));
}

void QtSurface::Polygon(std::span<const Point> points) {
  UsePen();
  QPolygon polygon;
  for (const Point& p : points) polygon << QPoint(p.x, p.y);
  painter_.drawPolygon(polygon);
}

void QtSurface::StretchDraw(int left, int top, int right, int bottom, const RgbImage& image) {
  if (image.width <= 0 || image.pixels.size() != size_t(image.width) * size_t(image.height) * 3)
    return;
  const QImage picture(image.pixels.data(), image.width, image.height, image.width * 3,
                       QImage::Format_RGB888);
  painter_.drawImage(QRect(left, top, right - left, bottom - top), picture);
}

}  // namespace tarrow
