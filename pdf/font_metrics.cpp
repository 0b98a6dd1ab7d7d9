#include "pdf/font_metrics.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cctype>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "core/cp1252.h"

namespace tarrow {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool IsSymbolFamily(std::string_view family) {
  return SameName(family, "Symbol");
}

// Faces with the same advance widths as the family the layouts name; fontconfig
// offers them for the name, but so it does for any unknown name (its default
// face), so only these count as "installed".
std::vector<std::string> AcceptedFamilies(std::string_view family) {
  std::vector<std::string> names = {std::string(family)};
  if (SameName(family, "Arial")) names.insert(names.end(), {"Liberation Sans", "Arimo"});
  if (SameName(family, "Arial Narrow")) names.push_back("Liberation Sans Narrow");
  if (SameName(family, "Times New Roman")) names.insert(names.end(), {"Liberation Serif", "Tinos"});
  if (SameName(family, "Courier New")) names.insert(names.end(), {"Liberation Mono", "Cousine"});
  if (IsSymbolFamily(family))
    names.insert(names.end(), {"Standard Symbols PS", "Standard Symbols L"});
  return names;
}

int Scale(long value, int unitsPerEm) {
  return int(std::lround(double(value) * 1000.0 / unitsPerEm));
}

// The glyph of an 8-bit code, or 0.  Symbol faces are read through their own
// encoding (Type 1 built-in, or the Microsoft symbol range F0xx), text faces
// through Unicode.
FT_UInt GlyphOfCode(FT_Face face, bool symbolic, unsigned char code) {
  if (symbolic) {
    if (FT_Select_Charmap(face, FT_ENCODING_ADOBE_CUSTOM) == 0) {
      if (FT_UInt g = FT_Get_Char_Index(face, code)) return g;
    }
    if (FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0) {
      if (FT_UInt g = FT_Get_Char_Index(face, 0xF000u + code)) return g;
    }
    return 0;
  }
  const char32_t u = WinAnsiToUnicode(code);
  if (u == 0 || FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) return 0;
  return FT_Get_Char_Index(face, u);
}

std::optional<PdfFontMetrics> ReadFace(FT_Library library, const std::string& file, int index,
                                       bool symbolic) {
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &face) != 0) return std::nullopt;
  std::unique_ptr<FT_FaceRec_, decltype(&FT_Done_Face)> owner(face, &FT_Done_Face);
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return std::nullopt;
  // A symbol face must carry the suit signs at A7..AA, or it is not the one meant.
  if (symbolic && GlyphOfCode(face, true, 0xA7) == 0) return std::nullopt;

  const int upem = face->units_per_EM;
  PdfFontMetrics m;
  m.file = file;
  if (face->family_name != nullptr) m.faceFamily = face->family_name;
  m.symbolic = symbolic;
  for (int code = 32; code < 256; ++code) {
    const FT_UInt glyph = GlyphOfCode(face, symbolic, static_cast<unsigned char>(code));
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) == 0)
      m.widths[size_t(code)] = Scale(face->glyph->advance.x, upem);
  }
  if (FT_IS_FIXED_WIDTH(face)) m.widths.fill(m.widths[' ']);
  for (int code = 0; code < 32; ++code) m.widths[size_t(code)] = 0;

  m.ascent = Scale(face->ascender, upem);
  m.descent = Scale(face->descender, upem);
  m.cellAscent = m.ascent;
  m.cellDescent = -m.descent;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      m.cellAscent = Scale(os2->usWinAscent, upem);
      m.cellDescent = Scale(os2->usWinDescent, upem);
    }
    if (os2->sTypoAscender > 0) {
      m.ascent = Scale(os2->sTypoAscender, upem);
      m.descent = Scale(os2->sTypoDescender, upem);
    }
  }
  if (auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST)))
    m.italicAngle = int(post->italicAngle >> 16);
  m.bbox = {Scale(face->bbox.xMin, upem), Scale(face->bbox.yMin, upem),
            Scale(face->bbox.xMax, upem), Scale(face->bbox.yMax, upem)};
  return m;
}

// Walks fontconfig's candidates for the family, best first, and reads the
// first face whose family is one of the accepted names.
std::optional<PdfFontMetrics> LoadFamily(FcConfig* config, FT_Library library,
                                         std::string_view family, bool bold) {
  const std::vector<std::string> accepted = AcceptedFamilies(family);
  const bool symbolic = IsSymbolFamily(family);
  FcPattern* pattern = FcPatternCreate();
  const std::string name(family);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcFontSet* candidates = FcFontSort(config, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  if (candidates == nullptr) return std::nullopt;

  std::optional<PdfFontMetrics> found;
  for (int i = 0; i < candidates->nfont && !found; ++i) {
    FcPattern* font = candidates->fonts[i];
    bool familyOk = false;
    FcChar8* value = nullptr;
    for (int k = 0; FcPatternGetString(font, FC_FAMILY, k, &value) == FcResultMatch; ++k) {
      for (const std::string& a : accepted)
        familyOk = familyOk || SameName(reinterpret_cast<const char*>(value), a);
    }
    if (!familyOk) continue;
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    if (slant != FC_SLANT_ROMAN) continue;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    found = ReadFace(library, reinterpret_cast<const char*>(file), index, symbolic);
  }
  FcFontSetDestroy(candidates);
  if (found) {
    found->family = std::string(family);
    found->bold = bold;
  }
  return found;
}

class MetricsCache {
 public:
  MetricsCache() = default;
  MetricsCache(const MetricsCache&) = delete;
  MetricsCache& operator=(const MetricsCache&) = delete;
  ~MetricsCache() {
    if (config_ != nullptr) FcConfigDestroy(config_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }

  const PdfFontMetrics* Find(std::string_view family, bool bold, std::string* error) {
    std::lock_guard lock(mutex_);
    if (const PdfFontMetrics* m = Load(family, bold)) return m;
    if (const PdfFontMetrics* m = Load("Arial", bold)) return m;
    if (error != nullptr) *error = "SetFont " + std::string(family);
    return nullptr;
  }

 private:
  const PdfFontMetrics* Load(std::string_view family, bool bold) {
    const auto key = std::make_pair(std::string(family), bold);
    auto it = cache_.find(key);
    if (it == cache_.end()) {
      if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) return nullptr;
      // A configuration of our own, so the process-wide one (Qt's) is left alone.
      if (config_ == nullptr && (config_ = FcInitLoadConfigAndFonts()) == nullptr) return nullptr;
      std::optional<PdfFontMetrics> m = LoadFamily(config_, library_, family, bold);
      it = cache_.emplace(key, m ? std::make_unique<PdfFontMetrics>(std::move(*m)) : nullptr).first;
    }
    return it->second.get();
  }

  std::mutex mutex_;
  FT_Library library_ = nullptr;  // kept for the program's lifetime
  FcConfig* config_ = nullptr;
  std::map<std::pair<std::string, bool>, std::unique_ptr<PdfFontMetrics>> cache_;
};

}  // namespace

char32_t WinAnsiToUnicode(unsigned char code) noexcept {
  if (code < 32 || code == 127) return 0;
  return Cp1252CodePoint(code);
}

const PdfFontMetrics* FindFontMetrics(std::string_view family, bool bold, std::string* error) {
  static MetricsCache cache;
  return cache.Find(family, bold, error);
}

}  // namespace tarrow
