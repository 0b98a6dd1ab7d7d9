// What a page layout draws on: a printer page or a PDF page, in the device's
// own integer units (origin top left, y downwards).  Lines and text are black.
//
//   surface.SetFont("Arial", 18, FontSizeUnit::kHeight, false);
//   surface.TextOut(x, y, "Board " + std::to_string(board));   // top-left of the text
//   surface.SetPenWidth(2); surface.MoveTo(30, 60); surface.LineTo(2458, 60);
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tarrow {

// An 8-bit RGB picture: rows top to bottom, 3 bytes (red, green, blue) per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes
};

// Font sizes come in points (printer) or as the height of the character cell
// in device units (PDF).
enum class FontSizeUnit { kPoints, kHeight };

class Surface {
 public:
  virtual ~Surface() = default;

  // face is "Arial", "Arial Narrow" or "Symbol" (whose A7..AA are the suit signs).
  virtual void SetFont(std::string_view face, int size, FontSizeUnit unit, bool bold) = 0;
  // Width of Windows-1252 text in the current font, in units.
  virtual int TextWidth(std::string_view text) = 0;
  // Height of the current font's character cell, in units.
  virtual int TextHeight(std::string_view text) = 0;
  // Draws the text with the top-left corner of its cell at (x, y).
  virtual void TextOut(int x, int y, std::string_view text) = 0;

  virtual void SetPenWidth(int width) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  // Draws the image scaled to fill the rectangle (right and bottom exclusive).
  virtual void StretchDraw(int left, int top, int right, int bottom, const RgbImage& image) = 0;
};

}  // namespace tarrow
