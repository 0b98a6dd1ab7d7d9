// What a page layout draws on: a printer page or a PDF page, in the device's
// own integer units (origin top left, y downwards).  Lines are black; text is
// black unless a font colour says otherwise.
//
//   surface.SetFont("Arial", 18, FontSizeUnit::kHeight, false);
//   surface.TextOut(x, y, "Board " + std::to_string(board));   // top-left of the text
//   surface.SetPenWidth(2); surface.MoveTo(30, 60); surface.LineTo(2458, 60);
//   surface.SetLogicalFont("Arial", 42, 100, 900);            // reads upwards
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tarrow {

// An 8-bit RGB picture: rows top to bottom, 3 bytes (red, green, blue) per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes
};

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kLightGrey{160, 160, 164};  // the big board number of a setup sheet

struct Point {
  int x = 0, y = 0;
};

// Font sizes come in points (printer) or as the height of the character cell
// in device units (PDF).
enum class FontSizeUnit { kPoints, kHeight };

// The suit signs of the "Symbol" face, by suit: spades AA, hearts A9,
// diamonds A8, clubs A7.
inline constexpr char kSymbolSuitSigns[4] = {'\xAA', '\xA9', '\xA8', '\xA7'};

class Surface {
 public:
  virtual ~Surface() = default;

  // face is "Arial", "Arial Narrow", "Times New Roman" or "Symbol" (whose
  // A7..AA are the suit signs).  The font is upright.
  virtual void SetFont(std::string_view face, int size, FontSizeUnit unit, bool bold) = 0;
  // A font from a logical description: face, cell height in units, weight
  // (100 thin .. 400 regular .. 700 bold .. 900), and rotation in tenths of a
  // degree counter-clockwise; at 900 the text reads upwards, its cell to the
  // right of the point given to TextOut.  Width and height are measured along
  // the text, as for upright text.
  virtual void SetLogicalFont(std::string_view face, int height, int weight, int rotation) = 0;
  // Colour of later text; black until set.
  virtual void SetFontColor(Rgb color) = 0;
  // Width of Windows-1252 text in the current font, in units.
  virtual int TextWidth(std::string_view text) = 0;
  // Height of the current font's character cell, in units.
  virtual int TextHeight(std::string_view text) = 0;
  // Draws the text with the top-left corner of its cell at (x, y).
  virtual void TextOut(int x, int y, std::string_view text) = 0;

  virtual void SetPenWidth(int width) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  // Solid: later rectangles and polygons are filled black; clear (the
  // start): only outlined.
  virtual void SetBrush(bool solid) = 0;
  // Outlines the rectangle with the pen (right and bottom are its last
  // pixels' far edges), filled as the brush says.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  // The closed polygon through the points, outlined with the pen and filled
  // as the brush says.
  virtual void Polygon(std::span<const Point> points) = 0;
  // Draws the image scaled to fill the rectangle (right and bottom exclusive).
  virtual void StretchDraw(int left, int top, int right, int bottom, const RgbImage& image) = 0;
};

}  // namespace tarrow
