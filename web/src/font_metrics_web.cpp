// The font metrics of the browser build: the faces' figures are compiled in
// (font_table.inc, written by font_table_gen at build time from the faces
// the building machine resolves the families to), since a page has neither
// fontconfig nor the fonts.  Same answers as pdf/font_metrics.cpp gives on
// that machine, fall-back to "Arial" included.
#include <string>
#include <string_view>

#include "core/cp1252.h"
#include "pdf/font_metrics.h"

namespace tarrow {
namespace {

struct FontEntry {
  const char* family;
  PdfFontMetrics metrics;
};

const FontEntry kFonts[] = {
#include "font_table.inc"
};

const PdfFontMetrics* Lookup(std::string_view family, bool bold) {
  for (const FontEntry& entry : kFonts) {
    if (entry.family == family && entry.metrics.bold == bold) return &entry.metrics;
  }
  return nullptr;
}

}  // namespace

char32_t WinAnsiToUnicode(unsigned char code) noexcept {
  if (code < 32 || code == 127) return 0;
  return Cp1252CodePoint(code);
}

const PdfFontMetrics* FindFontMetrics(std::string_view family, bool bold, std::string* error) {
  if (const PdfFontMetrics* m = Lookup(family, bold)) return m;
  if (const PdfFontMetrics* arial = Lookup("Arial", bold)) return arial;
  if (error != nullptr) *error = "SetFont " + std::string(family);
  return nullptr;
}

}  // namespace tarrow
