// The Surface of a QPainter: the page canvas of the Qt printer.  Sizes in
// points follow the device's resolution; heights are device pixels.  Texts
// come as Windows-1252 bytes; in the "Symbol" face the bytes A7..AA are the
// club, diamond, heart and spade signs.
#pragma once

#include <QFont>
#include <QString>

#include "records/surface.h"

class QPainter;
class QPaintDevice;

namespace tarrow {

class QtSurface : public Surface {
 public:
  QtSurface(QPainter& painter, QPaintDevice& device) : painter_(painter), device_(device) {}

  void SetFont(std::string_view face, int size, FontSizeUnit unit, bool bold) override;
  void SetLogicalFont(std::string_view face, int height, int weight, int rotation) override;
  void SetFontColor(Rgb color) override { color_ = color; }
  int TextWidth(std::string_view text) override;
  int TextHeight(std::string_view text) override;
  void TextOut(int x, int y, std::string_view text) override;
  void SetPenWidth(int width) override { penWidth_ = width; }
  void MoveTo(int x, int y) override {
    x_ = x;
    y_ = y;
  }
  void LineTo(int x, int y) override;
  void SetBrush(bool solid) override { brushSolid_ = solid; }
  void Rectangle(int left, int top, int right, int bottom) override;
  void Polygon(std::span<const Point> points) override;
  void StretchDraw(int left, int top, int right, int bottom, const RgbImage& image) override;

  // The face name fontconfig gives for a name the layouts use: "Liberation
  // Sans" for "Arial", the name itself when the PDF writer knows no face.
  static QString ResolvedFace(std::string_view face, bool bold);
  // The Unicode text of Windows-1252 bytes in the face.
  static QString Unicode(std::string_view text, bool symbol);

 private:
  void SelectFont(std::string_view face, bool bold, int weight);
  void UsePen();

  QPainter& painter_;
  QPaintDevice& device_;
  QFont font_;
  bool symbol_ = false;
  int rotation_ = 0;  // tenths of a degree, counter-clockwise
  Rgb color_ = kBlack;
  int penWidth_ = 1;
  bool brushSolid_ = false;
  int x_ = 0, y_ = 0;
};

}  // namespace tarrow
