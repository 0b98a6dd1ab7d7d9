#include "pdf/pdf_document.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <numbers>

#include <sys/stat.h>
#include <unistd.h>

namespace tarrow {
namespace {

constexpr const char* kProducer = "Tarrow PDF writer 1.0";

std::string TwoDigits(int v) {
  return std::string(1, char('0' + v / 10 % 10)) + char('0' + v % 10);
}

}  // namespace

// ---- cross-reference table and trailer ----

TPdfObject* TPdfXref::Register(std::unique_ptr<TPdfObject> object) {
  object->SetObjectNumber(int(entries_.size()) + 1);
  entries_.push_back({0, std::move(object)});
  return entries_.back().object.get();
}

void TPdfXref::Write(std::string& out) const {
  out += "xref\n0 " + std::to_string(entries_.size() + 1) + "\n";
  out += "0000000000 65535 f \n";
  char line[32];
  for (const TPdfXrefEntry& e : entries_) {
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", e.offset);
    out += line;
  }
}

void TPdfTrailer::Write(std::string& out) const {
  out += "trailer\n";
  dictionary_.Write(out);
  out += "\nstartxref\n" + std::to_string(xrefOffset_) + "\n%%EOF\n";
}

// ---- dictionary wrappers ----

void TPdfInfo::SetProducer(std::string text) {
  dictionary_->Set("Producer", std::make_unique<TPdfText>(std::move(text)));
}
void TPdfInfo::SetCreationDate(std::string pdfDate) {
  dictionary_->Set("CreationDate", std::make_unique<TPdfText>(std::move(pdfDate)));
}
void TPdfInfo::SetModDate(std::string pdfDate) {
  dictionary_->Set("ModDate", std::make_unique<TPdfText>(std::move(pdfDate)));
}

std::string PdfDateNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return "D:" + std::to_string(local.tm_year + 1900) + TwoDigits(local.tm_mon + 1) +
         TwoDigits(local.tm_mday) + TwoDigits(local.tm_hour) + TwoDigits(local.tm_min) +
         TwoDigits(local.tm_sec);
}

// ---- fonts ----

std::string PdfBaseFontName(std::string_view family, bool bold) {
  std::string name;
  for (char c : family) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 33 && u <= 126) name += c;
  }
  if (bold) name += ",Bold";
  return name;
}

TPdfFont::TPdfFont(const PdfFontMetrics& metrics, std::string resourceName)
    : metrics_(metrics), resourceName_(std::move(resourceName)) {
  auto font = std::make_unique<TPdfDictionary>();
  font_ = font.get();
  pending_.push_back(std::move(font));
}

void TPdfFont::MarkUsed(std::string_view text) {
  for (char c : text) {
    const int code = static_cast<unsigned char>(c);
    firstChar_ = std::min(firstChar_, code);
    lastChar_ = std::max(lastChar_, code);
  }
}

void TPdfFont::Register(TPdfXref& xref) {
  for (auto& object : pending_) xref.Register(std::move(object));
  pending_.clear();
}

void TPdfFont::CompleteWidths() {
  if (lastChar_ < firstChar_) firstChar_ = lastChar_ = 32;  // used for empty texts only
  font_->SetNumber("FirstChar", firstChar_);
  font_->SetNumber("LastChar", lastChar_);
  auto widths = std::make_unique<TPdfArray>();
  for (int code = firstChar_; code <= lastChar_; ++code)
    widths->AddNumber(metrics_.widths[size_t(code)]);
  font_->Set("Widths", std::move(widths));
}

TPdfFontTrueType::TPdfFontTrueType(const PdfFontMetrics& m, std::string resourceName)
    : TPdfFont(m, std::move(resourceName)) {
  const std::string baseName = PdfBaseFontName(m.family, m.bold);
  auto descriptor = std::make_unique<TPdfDictionary>();
  descriptor->SetName("Type", "FontDescriptor");
  descriptor->SetName("FontName", baseName);
  descriptor->SetNumber("Ascent", m.ascent);
  descriptor->SetNumber("Descent", m.descent);
  descriptor->SetNumber("CapHeight", 666);
  descriptor->SetNumber("ItalicAngle", m.italicAngle);
  descriptor->SetNumber("StemV", 87);
  descriptor->SetNumber("Flags", 32);
  auto bbox = std::make_unique<TPdfArray>();
  for (int v : m.bbox) bbox->AddNumber(v);
  descriptor->Set("FontBBox", std::move(bbox));

  font_->SetName("Type", "Font");
  font_->SetName("BaseFont", baseName);
  font_->SetName("Subtype", "TrueType");
  font_->SetName("Encoding", "WinAnsiEncoding");
  font_->SetReference("FontDescriptor", descriptor.get());
  font_->SetName("Name", ResourceName());
  pending_.push_back(std::move(descriptor));
}

TPdfFontSymbol::TPdfFontSymbol(const PdfFontMetrics& m, std::string resourceName)
    : TPdfFont(m, std::move(resourceName)) {
  // No /Encoding: the font's built-in one is what puts the suit signs at A7..AA.
  font_->SetName("Type", "Font");
  font_->SetName("BaseFont", "Symbol");
  font_->SetName("Subtype", "Type1");
  font_->SetName("Name", ResourceName());
}

// ---- pages and the document ----

TPdfPage::TPdfPage(const TPdfObject* parent, int widthPt, int heightPt) {
  auto box = std::make_unique<TPdfArray>();
  for (int v : {0, 0, widthPt, heightPt}) box->AddNumber(v);
  Set("MediaBox", std::move(box));
  SetName("Type", "Page");
  SetReference("Parent", parent);
  auto resources = std::make_unique<TPdfDictionary>();
  fonts_ = static_cast<TPdfDictionary*>(resources->Set("Font", std::make_unique<TPdfDictionary>()));
  xobjects_ =
      static_cast<TPdfDictionary*>(resources->Set("XObject", std::make_unique<TPdfDictionary>()));
  auto procSet = std::make_unique<TPdfArray>();
  for (const char* p : {"PDF", "Text", "ImageC"}) procSet->AddName(p);
  resources->Set("ProcSet", std::move(procSet));
  Set("Resources", std::move(resources));
}

void TPdfPage::SetContents(TPdfStream* contents) {
  contents_ = contents;
  SetReference("Contents", contents);
}

TPdfDocument::TPdfDocument() {
  catalog_ = static_cast<TPdfDictionary*>(xref_.Register(std::make_unique<TPdfDictionary>()));
  info_ = static_cast<TPdfDictionary*>(xref_.Register(std::make_unique<TPdfDictionary>()));
  pageTree_ = static_cast<TPdfDictionary*>(xref_.Register(std::make_unique<TPdfDictionary>()));
  catalog_->SetName("Type", "Catalog");
  catalog_->SetName("PageLayout", "SinglePage");
  catalog_->SetReference("Pages", pageTree_);
  Info().SetProducer(kProducer);
  Info().SetCreationDate(PdfDateNow());
  pageTree_->SetName("Type", "Pages");
  pageTree_->Set("Kids", std::make_unique<TPdfArray>());
  pageTree_->SetNumber("Count", 0);
  trailer_.Dictionary().SetNumber("Size", 0);
  trailer_.Dictionary().SetReference("Root", catalog_);
  trailer_.Dictionary().SetReference("Info", info_);
}

TPdfPage* TPdfDocument::AddPage() {
  auto* page = static_cast<TPdfPage*>(
      xref_.Register(std::make_unique<TPdfPage>(pageTree_, pageWidthPt_, pageHeightPt_)));
  auto* contents = static_cast<TPdfStream*>(xref_.Register(std::make_unique<TPdfStream>(true)));
  page->SetContents(contents);
  static_cast<TPdfArray*>(pageTree_->Find("Kids"))->Add(std::make_unique<TPdfReference>(page));
  pages_.push_back(page);
  pageTree_->SetNumber("Count", int32_t(pages_.size()));
  return page;
}

bool TPdfDocument::Render(std::string& out, std::string* error) {
  if (pages_.empty()) {
    if (error != nullptr) *error = "the document has no page";
    return false;
  }
  Info().SetModDate(PdfDateNow());
  FinishPages();
  // Fonts, their descriptors and images join the table in the order of first use.
  for (const TPdfObject* resource : resourceOrder_) {
    for (auto& font : fonts_) {
      if (font->FontDictionary() == resource) {
        font->CompleteWidths();
        font->Register(xref_);
      }
    }
    for (auto& image : images_) {
      if (image && image.get() == resource) xref_.Register(std::move(image));
    }
  }
  std::erase(images_, nullptr);
  trailer_.Dictionary().SetNumber("Size", int32_t(xref_.Count() + 1));

  out = "%PDF-1.3\n";
  for (size_t i = 0; i < xref_.Count(); ++i) {
    TPdfXref::TPdfXrefEntry& entry = xref_.Entry(i);
    entry.object->Prepare();
    entry.offset = out.size();
    out += std::to_string(i + 1) + " 0 obj\n";
    entry.object->Write(out);
    out += "\nendobj\n";
  }
  trailer_.SetXrefOffset(out.size());
  xref_.Write(out);
  trailer_.Write(out);
  return true;
}

// ---- the drawing surface ----

TPdfPage* TPdfDocumentGDI::AddPage() {
  TPdfPage* page = TPdfDocument::AddPage();
  canvases_.emplace_back();
  canvases_.back().heightPt = pageHeightPt_;
  return page;
}

TPdfDocumentGDI::Canvas& TPdfDocumentGDI::Current() {
  assert(!canvases_.empty() && "AddPage comes before drawing");
  return canvases_.back();
}

void TPdfDocumentGDI::Number(double value) {
  std::string& out = Current().content;
  AppendPdfReal(out, value);
  out += ' ';
}

void TPdfDocumentGDI::Operator(const char* op) {
  std::string& out = Current().content;
  out += op;
  out += '\n';
}

void TPdfDocumentGDI::EndPath(Canvas& c) {
  if (!c.pathOpen) return;
  c.content += "S\n";
  c.pathOpen = false;
}

void TPdfDocumentGDI::MoveTo(int x, int y) {
  Canvas& c = Current();
  EndPath(c);
  c.moveX = x;
  c.moveY = y;
  c.moveWritten = false;
}

void TPdfDocumentGDI::StrokeSettings(Canvas& c) {
  if (!c.strokeSet) {
    Operator("0 0 0 RG");
    Operator("[] 0 d");
    c.strokeSet = true;
  }
  if (c.lineWidth != penWidth_) {
    EndPath(c);
    Number(penWidth_ * Scale());
    Operator("w");
    c.lineWidth = penWidth_;
  }
}

void TPdfDocumentGDI::FillColor(Canvas& c, int rgb) {
  if (c.fillColor == rgb) return;
  Number(((rgb >> 16) & 255) / 255.0);
  Number(((rgb >> 8) & 255) / 255.0);
  Number((rgb & 255) / 255.0);
  Operator("rg");
  c.fillColor = rgb;
}

void TPdfDocumentGDI::LineTo(int x, int y) {
  Canvas& c = Current();
  const double s = Scale();
  StrokeSettings(c);
  if (!c.moveWritten) {
    Number(c.moveX * s);
    Number(c.heightPt - c.moveY * s);
    Operator("m");
    c.moveWritten = true;
  }
  Number(x * s);
  Number(c.heightPt - y * s);
  Operator("l");
  c.pathOpen = true;
  c.moveX = x;
  c.moveY = y;
}

bool TPdfDocumentGDI::SetFont(std::string_view family, int height, bool bold, std::string* error) {
  const PdfFontMetrics* m = FindFontMetrics(family, bold, error);
  if (m == nullptr) return false;
  metrics_ = m;
  height_ = height;
  return true;
}

double TPdfDocumentGDI::EmSize() const noexcept {
  if (metrics_ == nullptr) return 0;
  // A positive height is the cell; the em is the cell less the internal leading.
  return height_ >= 0 ? height_ * 1000.0 / metrics_->CellHeight() : -height_;
}

int TPdfDocumentGDI::TextWidth(std::string_view text) const {
  if (metrics_ == nullptr) return 0;
  long sum = 0;
  for (char ch : text) sum += metrics_->widths[static_cast<unsigned char>(ch)];
  return int(std::lround(sum * EmSize() / 1000));
}

int TPdfDocumentGDI::TextHeight(std::string_view) const {
  if (metrics_ == nullptr) return 0;
  return int(std::lround(metrics_->CellHeight() * EmSize() / 1000));
}

TPdfFont* TPdfDocumentGDI::UseFont() {
  for (auto& font : fonts_) {
    if (&font->Metrics() == metrics_) return font.get();
  }
  std::string name = "F" + std::to_string(fonts_.size());
  std::unique_ptr<TPdfFont> font;
  if (metrics_->symbolic)
    font = std::make_unique<TPdfFontSymbol>(*metrics_, std::move(name));
  else
    font = std::make_unique<TPdfFontTrueType>(*metrics_, std::move(name));
  resourceOrder_.push_back(font->FontDictionary());
  fonts_.push_back(std::move(font));
  return fonts_.back().get();
}

void TPdfDocumentGDI::TextOut(int x, int y, std::string_view text) {
  if (metrics_ == nullptr) return;
  long sum = 0;
  for (char ch : text) sum += metrics_->widths[static_cast<unsigned char>(ch)];
  // Measured with the PDF font's own metrics: the widths agree, no correction.
  TextOut(x, y, text, int(std::lround(sum * EmSize() / 1000)));
}

void TPdfDocumentGDI::TextOut(int x, int y, std::string_view text, int layoutWidth) {
  if (metrics_ == nullptr) return;
  Canvas& c = Current();
  EndPath(c);
  TPdfFont* font = UseFont();
  font->MarkUsed(text);
  const double s = Scale();
  const double em = EmSize();
  const double size = em * s;
  if (c.font != font || std::fabs(c.fontSize - size) > 1e-9) {
    c.content += '/' + font->ResourceName() + ' ';
    Number(size);
    Operator("Tf");
    c.font = font;
    c.fontSize = size;
    TPdfPage* page = pages_.back();
    if (page->FontResources().Find(font->ResourceName()) == nullptr)
      page->FontResources().SetReference(font->ResourceName(), font->FontDictionary());
  }
  FillColor(c, textColor_);

  long sum = 0;
  int blanks = 0;
  for (char ch : text) {
    sum += metrics_->widths[static_cast<unsigned char>(ch)];
    blanks += ch == ' ';
  }
  const double pdfWidth = sum * em / 1000;  // units
  const char* reset = nullptr;
  if (pdfWidth != 0) {
    const double gap = layoutWidth - pdfWidth;
    if (blanks > 0 && 2.0 * blanks < gap) {
      Number(gap * s / blanks);
      Operator("Tw");
      reset = "0 Tw";
    } else {
      const double ratio = 100.0 * layoutWidth / pdfWidth;
      if (ratio < 99 || ratio > 101) {
        Number(ratio);
        Operator("Tz");
        reset = "100 Tz";
      }
    }
  }
  const double ascent = metrics_->cellAscent * em / 1000;
  Operator("BT");
  if (rotation_ == 0) {
    Number(x * s);
    Number(c.heightPt - (y + 0.95 * ascent) * s);
    Operator("Td");
  } else {
    // The baseline lies 0.95 ascent "below" the cell's top in the text's own
    // frame, which on the page (y downwards) is the direction (sin, cos).
    const double angle = rotation_ * std::numbers::pi / 1800;
    const double cosine = std::cos(angle), sine = std::sin(angle);
    Number(cosine);
    Number(sine);
    Number(-sine);
    Number(cosine);
    Number((x + 0.95 * ascent * sine) * s);
    Number(c.heightPt - (y + 0.95 * ascent * cosine) * s);
    Operator("Tm");
  }
  TPdfText(std::string(text)).Write(c.content);
  c.content += ' ';
  Operator("Tj");
  Operator("ET");
  if (reset != nullptr) Operator(reset);
}

void TPdfDocumentGDI::StretchDraw(int left, int top, int right, int bottom, int width, int height,
                                  std::string_view rgb) {
  assert(rgb.size() == size_t(width) * size_t(height) * 3);
  Canvas& c = Current();
  EndPath(c);
  // One image object serves every page that draws the same picture.
  const TPdfImage* image = nullptr;
  std::string name;
  int index = 0;
  for (const TPdfObject* resource : resourceOrder_) {
    const auto* candidate = dynamic_cast<const TPdfImage*>(resource);
    if (candidate == nullptr) continue;
    if (candidate->Width() == width && candidate->Height() == height && candidate->Data() == rgb) {
      image = candidate;
      name = "Im" + std::to_string(index);
    }
    ++index;
  }
  if (image == nullptr) {
    auto created = std::make_unique<TPdfImage>(width, height, rgb);
    image = created.get();
    name = "Im" + std::to_string(index);
    resourceOrder_.push_back(image);
    images_.push_back(std::move(created));
  }
  TPdfPage* page = pages_.back();
  if (page->XObjectResources().Find(name) == nullptr)
    page->XObjectResources().SetReference(name, image);
  const double s = Scale();
  Operator("q");
  Number((right - left) * s);
  Number(0);
  Number(0);
  Number((bottom - top) * s);
  Number(left * s);
  Number(c.heightPt - bottom * s);
  Operator("cm");
  c.content += '/' + name + ' ';
  Operator("Do");
  Operator("Q");
}

void TPdfDocumentGDI::PaintShape(bool closed) {
  if (brushSolid_)
    Operator(closed ? "B" : "b");
  else
    Operator(closed ? "S" : "s");
}

void TPdfDocumentGDI::Rectangle(int left, int top, int right, int bottom) {
  Canvas& c = Current();
  EndPath(c);
  StrokeSettings(c);
  if (brushSolid_) FillColor(c, 0);
  const double s = Scale();
  Number(left * s);
  Number(c.heightPt - bottom * s);
  Number((right - left) * s);
  Number((bottom - top) * s);
  Operator("re");
  PaintShape(true);
}

void TPdfDocumentGDI::Polygon(std::span<const std::pair<int, int>> points) {
  if (points.size() < 2) return;
  Canvas& c = Current();
  EndPath(c);
  StrokeSettings(c);
  if (brushSolid_) FillColor(c, 0);
  const double s = Scale();
  for (size_t i = 0; i < points.size(); ++i) {
    Number(points[i].first * s);
    Number(c.heightPt - points[i].second * s);
    Operator(i == 0 ? "m" : "l");
  }
  PaintShape(false);
}

void TPdfDocumentGDI::FinishPages() {
  for (size_t i = 0; i < canvases_.size(); ++i) {
    Canvas& c = canvases_[i];
    if (!c.finished) {
      EndPath(c);
      c.content += "Q\n";
      c.finished = true;
    }
    pages_[i]->Contents()->Data() = c.content;
  }
}

}  // namespace tarrow
