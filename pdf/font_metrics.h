// Metrics of the system fonts the PDF pages name, in thousandths of the em.
// fontconfig finds the face of a family ("Arial" resolves to a metric-identical
// face such as Liberation Sans) and FreeType reads it.  Faces are read once
// per process and kept: the cache only grows and its entries never change,
// so a returned pointer stays valid until the program ends.
//
//   std::string error;
//   const PdfFontMetrics* arial = FindFontMetrics("Arial", false, &error);
//   int blank = arial->widths[' '];           // 278
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarrow {

struct PdfFontMetrics {
  std::string family;  // the family used, after any fall-back to "Arial"
  bool bold = false;
  bool symbolic = false;          // "Symbol": codes follow the font's own encoding
  std::string file;               // the face read
  std::string faceFamily;         // its own family name ("Liberation Sans" for "Arial")
  std::array<int, 256> widths{};  // advance per 8-bit code, 1000ths of the em; 0 below 32
  int cellAscent = 0;             // above the baseline, the em's part included (Windows' ascent)
  int cellDescent = 0;            // below the baseline, positive
  int ascent = 0;                 // outline (typographic) ascender
  int descent = 0;                // outline descender, negative
  std::array<int, 4> bbox{};      // left bottom right top
  int italicAngle = 0;            // degrees, negative leaning right
  int CellHeight() const noexcept { return cellAscent + cellDescent; }
};

// The metrics of family in the requested weight.  A family that is not
// installed (no face of that name or of a metric-identical substitute) falls
// back to "Arial"; when that is missing too, returns null and sets *error to
// "SetFont " + family.  Safe to call from any thread.
const PdfFontMetrics* FindFontMetrics(std::string_view family, bool bold, std::string* error);

// The Unicode character of a Windows-1252 byte; 0 for the five undefined
// bytes (81 8D 8F 90 9D) and for control characters.
char32_t WinAnsiToUnicode(unsigned char code) noexcept;

}  // namespace tarrow
