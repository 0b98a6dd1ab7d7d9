// A PDF document of A4 pages drawn in device units, written as a PDF 1.3
// file with fonts referenced by name (none embedded).
//
//   TPdfDocumentGDI doc;                       // catalog 1, info 2, page tree 3
//   doc.SetResolution(300);                    // the page is 2479 x 3508 units
//   doc.AddPage();                             // page 4, its contents 5
//   doc.SetPen(2);
//   doc.MoveTo(30, 60); doc.LineTo(2458, 60);  // "7.2 827.6 m" "589.92 827.6 l" "S"
//   if (!doc.SetFont("Arial", 55, true)) ...;  // only when no Arial face exists
//   doc.TextOut(100, 200, "Board 1");
//   std::string bytes, why;
//   if (!doc.Render(bytes, &why)) Report(why);   // the caller writes the bytes
//
// The writer makes bytes only: files are written by the program's one
// atomic writer (core/atomic_file), never here.
//
// File layout: "%PDF-1.3", the registered objects in number order
// ("N 0 obj" LF value LF "endobj" LF), the cross-reference table of 20-byte
// lines, the trailer, "startxref" and its offset, "%%EOF".  Objects are
// numbered as they are registered: 1 catalog, 2 information dictionary,
// 3 page tree, then each page followed by its contents stream; the fonts
// (with their descriptors) and images are registered when the document is
// saved, in the order the pages first used them, so that pages keep their
// numbers however much is drawn.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/font_metrics.h"
#include "pdf/pdf_objects.h"

namespace tarrow {
namespace testing {
struct PdfDocumentPeer;  // pdf/pdf_document_peer_for_test.h
}

// The cross-reference table; it owns the registered (indirect) objects.
class TPdfXref {
 public:
  struct TPdfXrefEntry {
    size_t offset = 0;  // of the first digit of "N 0 obj"
    std::unique_ptr<TPdfObject> object;
  };
  // Numbers the object (1, 2, ...) and takes it over; returns it.
  TPdfObject* Register(std::unique_ptr<TPdfObject> object);
  size_t Count() const noexcept { return entries_.size(); }
  TPdfXrefEntry& Entry(size_t i) { return entries_[i]; }
  // "xref" LF "0 n" LF and one 20-byte line per entry, object 0 first.
  void Write(std::string& out) const;

 private:
  std::vector<TPdfXrefEntry> entries_;  // object i + 1 at index i
};

class TPdfTrailer {
 public:
  TPdfDictionary& Dictionary() noexcept { return dictionary_; }
  void SetXrefOffset(size_t offset) noexcept { xrefOffset_ = offset; }
  // "trailer" LF dictionary LF "startxref" LF offset LF "%%EOF" LF.
  void Write(std::string& out) const;

 private:
  TPdfDictionary dictionary_;
  size_t xrefOffset_ = 0;
};

// A dictionary seen through typed accessors.
class TPdfDictionaryWrapper {
 public:
  explicit TPdfDictionaryWrapper(TPdfDictionary* dictionary) : dictionary_(dictionary) {}
  TPdfDictionary& Dictionary() const noexcept { return *dictionary_; }

 protected:
  TPdfDictionary* dictionary_;
};

class TPdfInfo : public TPdfDictionaryWrapper {
 public:
  using TPdfDictionaryWrapper::TPdfDictionaryWrapper;
  void SetProducer(std::string text);
  void SetCreationDate(std::string pdfDate);  // "D:YYYYMMDDHHmmSS"
  void SetModDate(std::string pdfDate);
};

// "D:YYYYMMDDHHmmSS" of the current local time.
std::string PdfDateNow();

// A font of the document: one per family, weight and character set, with the
// codes it was used for, so that /FirstChar, /LastChar and /Widths cover
// exactly those.  The font owns its dictionaries until the document
// registers them.
class TPdfFont {
 public:
  TPdfFont(const PdfFontMetrics& metrics, std::string resourceName);
  virtual ~TPdfFont() = default;
  const PdfFontMetrics& Metrics() const noexcept { return metrics_; }
  const std::string& ResourceName() const noexcept { return resourceName_; }
  TPdfDictionary* FontDictionary() const noexcept { return font_; }
  void MarkUsed(std::string_view text);
  // Registers the dictionaries with the document's table (once).
  void Register(TPdfXref& xref);
  // Writes /FirstChar, /LastChar and /Widths for the codes used.
  void CompleteWidths();

 protected:
  TPdfDictionary* font_;
  std::vector<std::unique_ptr<TPdfObject>> pending_;  // ours until registered

 private:
  const PdfFontMetrics& metrics_;
  std::string resourceName_;
  int firstChar_ = 256, lastChar_ = -1;
};

// A TrueType face by name in WinAnsiEncoding, with a descriptor.
class TPdfFontTrueType : public TPdfFont {
 public:
  TPdfFontTrueType(const PdfFontMetrics& metrics, std::string resourceName);
};

// The standard Symbol font in its built-in encoding, where A7..AA are the
// club, diamond, heart and spade signs; every viewer has it.
class TPdfFontSymbol : public TPdfFont {
 public:
  TPdfFontSymbol(const PdfFontMetrics& metrics, std::string resourceName);
};

// "ArialNarrow,Bold": the family without blanks and non-ASCII, and the style.
std::string PdfBaseFontName(std::string_view family, bool bold);

class TPdfPage : public TPdfDictionary {
 public:
  TPdfPage(const TPdfObject* parent, int widthPt, int heightPt);
  TPdfDictionary& FontResources() noexcept { return *fonts_; }
  TPdfDictionary& XObjectResources() noexcept { return *xobjects_; }
  TPdfStream* Contents() const noexcept { return contents_; }
  void SetContents(TPdfStream* contents);

 private:
  TPdfDictionary* fonts_;
  TPdfDictionary* xobjects_;
  TPdfStream* contents_ = nullptr;
};

class TPdfDocument {
 public:
  TPdfDocument();
  virtual ~TPdfDocument() = default;
  TPdfDocument(const TPdfDocument&) = delete;
  TPdfDocument& operator=(const TPdfDocument&) = delete;

  // Drawing units per inch (the screen's 96 until set; the hand records use 300).
  void SetResolution(int unitsPerInch) noexcept { resolution_ = unitsPerInch; }
  int Resolution() const noexcept { return resolution_; }

  // The size in points of the pages added from now on; A4 portrait (595 x
  // 842) until set, 842 x 595 for A4 landscape.
  void SetPageSize(int widthPt, int heightPt) noexcept {
    pageWidthPt_ = widthPt;
    pageHeightPt_ = heightPt;
  }
  // Appends a page of the current size, registered with its contents stream,
  // and makes it the current page.
  virtual TPdfPage* AddPage();
  size_t PageCount() const noexcept { return pages_.size(); }
  TPdfInfo Info() const noexcept { return TPdfInfo(info_); }

  // The whole file.  Returns false (and why) when the document has no page.
  [[nodiscard]] bool Render(std::string& out, std::string* error = nullptr);

 protected:
  // Brings each page's contents stream up to date before the file is written.
  virtual void FinishPages() {}

  TPdfXref xref_;
  TPdfTrailer trailer_;
  TPdfDictionary* catalog_;
  TPdfDictionary* info_;
  TPdfDictionary* pageTree_;
  std::vector<TPdfPage*> pages_;
  std::vector<std::unique_ptr<TPdfFont>> fonts_;     // in order of first use
  std::vector<std::unique_ptr<TPdfObject>> images_;  // not yet registered, first use order
  std::vector<const TPdfObject*> resourceOrder_;     // fonts' dictionaries and images, first use
  int resolution_ = 96;
  int pageWidthPt_ = 595, pageHeightPt_ = 842;

 private:
  friend struct testing::PdfDocumentPeer;
};

// The document with a drawing surface on its current page: raster-style
// operations in device units (origin top left, y downwards) that become PDF
// operators directly.  All lines and text are black.
class TPdfDocumentGDI : public TPdfDocument {
 public:
  TPdfPage* AddPage() override;

  // Solid black pen, width in units.
  void SetPen(int widthUnits) noexcept { penWidth_ = widthUnits; }
  void MoveTo(int x, int y);
  // Segments drawn one after another form one open polyline, stroked when any
  // other operation comes or the page ends.
  void LineTo(int x, int y);

  // A positive height is the character cell (ascent plus descent), a negative
  // one the em size.  Returns false, keeping the font in force, when neither
  // the family nor the "Arial" fall-back is installed; *error says
  // "SetFont " + family.
  [[nodiscard]] bool SetFont(std::string_view family, int height, bool bold,
                             std::string* error = nullptr);
  // Width of Windows-1252 text in the current font, rounded to a unit.
  int TextWidth(std::string_view text) const;
  // The current font's cell height in units.
  int TextHeight(std::string_view text) const;
  // Draws the text with the top-left corner of its cell at (x, y).
  void TextOut(int x, int y, std::string_view text);
  // The same for text that another device measured as layoutWidth units wide:
  // word spacing or horizontal scaling makes the PDF text as wide.
  void TextOut(int x, int y, std::string_view text, int layoutWidth);
  // Colour of later text (0..255 each); black until set.
  void SetTextColor(int red, int green, int blue) noexcept { textColor_ = Rgb(red, green, blue); }
  // Later text is turned counter-clockwise by tenths of a degree about the
  // top-left corner of its cell (900 reads upwards); 0 until set.
  void SetTextRotation(int tenths) noexcept { rotation_ = tenths; }
  // Solid: later rectangles and polygons are filled black; clear: outlined only.
  void SetBrush(bool solid) noexcept { brushSolid_ = solid; }
  // Outlines the rectangle with the pen, filled as the brush says.
  void Rectangle(int left, int top, int right, int bottom);
  // The closed polygon through the points (x, y), outlined with the pen and
  // filled as the brush says.
  void Polygon(std::span<const std::pair<int, int>> points);
  // Draws an 8-bit RGB image (rows top to bottom) scaled into the rectangle.
  void StretchDraw(int left, int top, int right, int bottom, int width, int height,
                   std::string_view rgb);

  // Points per unit; 0.24 at 300 units per inch.
  double Scale() const noexcept { return 72.0 / resolution_; }

 protected:
  void FinishPages() override;

 private:
  struct Canvas {
    std::string content = "q\n";
    bool pathOpen = false;
    bool moveWritten = true;
    int moveX = 0, moveY = 0;
    int lineWidth = -1;              // last written, -1 unset
    bool strokeSet = false;          // colour and dash written
    int fillColor = -1;              // last written as 0xRRGGBB, -1 unset
    int heightPt = 842;              // of this page, for turning y upwards
    const TPdfFont* font = nullptr;  // last written with its size
    double fontSize = -1;
    bool finished = false;
  };
  Canvas& Current();
  void EndPath(Canvas& c);
  // Writes the stroke colour, dash and line width where they differ from the
  // last written; ends an open path before a width change.
  void StrokeSettings(Canvas& c);
  void FillColor(Canvas& c, int rgb);
  // Paints the path as the brush says: filled and stroked, or stroked only;
  // closed tells whether the path is closed already ("re") or still open.
  void PaintShape(bool closed);
  static constexpr int Rgb(int r, int g, int b) noexcept { return (r << 16) | (g << 8) | b; }
  void Number(double value);
  void Operator(const char* op);
  TPdfFont* UseFont();
  double EmSize() const noexcept;

  std::vector<Canvas> canvases_;  // one per page
  int penWidth_ = 1;
  const PdfFontMetrics* metrics_ = nullptr;  // current font
  int height_ = 0;
  std::string family_;
  int textColor_ = 0;  // 0xRRGGBB
  int rotation_ = 0;   // tenths of a degree, counter-clockwise
  bool brushSolid_ = false;
};

}  // namespace tarrow
