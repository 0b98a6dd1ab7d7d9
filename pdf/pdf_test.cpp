#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "pdf/font_metrics.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_document_peer_for_test.h"
#include "pdf/pdf_objects.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;
using testing::PdfDocumentPeer;
using testing::PdfRealText;

std::string Rendered(TPdfDocument& doc) {
  std::string out;
  EXPECT_TRUE(doc.Render(out));
  return out;
}

// The value between "N 0 obj\n" and "\nendobj".
std::string ObjectText(const std::string& file, int number) {
  const std::string head = "\n" + std::to_string(number) + " 0 obj\n";
  const size_t start = file.find(head);
  if (start == std::string::npos) return "";
  const size_t end = file.find("\nendobj\n", start);
  return file.substr(start + head.size(), end - start - head.size());
}

std::string Inflate(const std::string& data) {
  std::string out(data.size() * 20 + 1024, '\0');
  uLongf size = uLongf(out.size());
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(data.data()), uLong(data.size())),
            Z_OK);
  out.resize(size);
  return out;
}

// The decoded contents of a stream object.
std::string StreamData(const std::string& file, int number) {
  const std::string object = ObjectText(file, number);
  const size_t start = object.find("stream\n") + 7;
  const size_t end = object.rfind("\nendstream");
  const std::string raw = object.substr(start, end - start);
  return object.find("/FlateDecode") == std::string::npos ? raw : Inflate(raw);
}

fs::path TempDir() {
  fs::path dir = fs::temp_directory_path() / ("tarrow_pdf_test_" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir;
}

void ExpectQpdfAccepts(const fs::path& file) {
  const std::string command = "qpdf --check '" + file.string() + "' > /dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << file;
}

// A first page at 300 dpi with 45-unit Arial chosen: the font size in
// points and Arial's ascent at that size.
struct ArialPage {
  double em = 0;
  double ascent = 0;
};
bool StartArialPage(TPdfDocumentGDI& doc, ArialPage& page) {
  doc.SetResolution(300);
  doc.AddPage();
  const PdfFontMetrics* arial = FindFontMetrics("Arial", false, nullptr);
  if (!doc.SetFont("Arial", 45, false) || arial == nullptr) {
    ADD_FAILURE() << "no Arial face";
    return false;
  }
  page.em = 45.0 * 1000 / arial->CellHeight();
  page.ascent = arial->cellAscent * page.em / 1000;
  return true;
}

TEST(PdfRealTest, WritesAtMostTwoDecimals) {
  const struct {
    double value;
    const char* text;
  } rows[] = {
      {1.5, "1.5"},        {2, "2"},     {0, "0"},         {-3.25, "-3.25"},   {0.004, "0"},
      {-0.004, "0"},       {1.005, "1"}, {827.6, "827.6"}, {589.92, "589.92"}, {0.48, "0.48"},
      {1234567, "1234567"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(PdfRealText(row.value), row.text);
  }
}

TEST(PdfTextTest, EscapesParenthesesBackslashAndControls) {
  std::string out;
  TPdfText("a(b)c\\d\be\tf\ng\fh\ri").Write(out);
  EXPECT_EQ(out, "(a\\(b\\)c\\\\d\\be\\tf\\ng\\fhi)");
}

TEST(PdfDocumentTest, TwoPagesAreObjectsFourToSeven) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  doc.AddPage();
  doc.AddPage();
  const std::string file = Rendered(doc);
  EXPECT_EQ(file.rfind("%PDF-1.3\n", 0), 0u);
  EXPECT_NE(ObjectText(file, 1).find("/Type /Catalog\n/PageLayout /SinglePage\n/Pages 3 0 R"),
            std::string::npos);
  EXPECT_NE(ObjectText(file, 3).find("/Kids [4 0 R 6 0 R ]\n/Count 2"), std::string::npos);
  for (int page : {4, 6}) {
    SCOPED_TRACE(page);
    const std::string text = ObjectText(file, page);
    EXPECT_NE(text.find("/MediaBox [0 0 595 842 ]\n/Type /Page\n/Parent 3 0 R"), std::string::npos);
    EXPECT_NE(text.find("/Contents " + std::to_string(page + 1) + " 0 R"), std::string::npos);
  }
  EXPECT_EQ(ObjectText(file, 8), "");  // nothing drawn: no fonts, no images
  EXPECT_NE(file.find("trailer\n<<\n/Size 8\n/Root 1 0 R\n/Info 2 0 R\n>>"), std::string::npos);
  EXPECT_EQ(PdfDocumentPeer::PageWidthUnits(doc), 2479);
  EXPECT_EQ(PdfDocumentPeer::PageHeightUnits(doc), 3508);
}

TEST(PdfDocumentTest, EveryXrefOffsetPointsAtItsObject) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  for (int p = 0; p < 2; ++p) {
    doc.AddPage();
    ASSERT_TRUE(doc.SetFont("Arial", 45, p == 1));
    for (int i = 0; i < 30; ++i) doc.TextOut(100, 100 + 50 * i, "Board " + std::to_string(i));
  }
  const std::string file = Rendered(doc);
  const size_t startxref = file.rfind("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  const size_t xref = std::stoul(file.substr(startxref + 10));
  ASSERT_EQ(file.compare(xref, 5, "xref\n"), 0);
  std::istringstream in(file.substr(xref + 5));
  int first = -1, count = 0;
  in >> first >> count;
  ASSERT_EQ(first, 0);
  ASSERT_GT(count, 8);
  in.get();
  std::string line(20, '\0');
  in.read(line.data(), 20);
  EXPECT_EQ(line, "0000000000 65535 f \n");
  for (int n = 1; n < count; ++n) {
    SCOPED_TRACE(n);
    in.read(line.data(), 20);
    ASSERT_EQ(line.substr(10), " 00000 n \n");
    const size_t offset = std::stoul(line.substr(0, 10));
    EXPECT_EQ(file.compare(offset, std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"), 0);
  }
  EXPECT_NE(file.find("/Size " + std::to_string(count)), std::string::npos);
}

TEST(PdfDocumentTest, ShortContentIsRawAndLongContentIsCompressed) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  doc.AddPage();
  doc.SetPen(2);
  doc.MoveTo(30, 60);
  doc.LineTo(2458, 60);
  doc.AddPage();
  doc.SetPen(2);
  for (int i = 0; i < 20; ++i) {
    doc.MoveTo(30, 60 + i);
    doc.LineTo(2458, 60 + i);
  }
  const std::string file = Rendered(doc);
  const std::string shortStream = ObjectText(file, 5);
  EXPECT_EQ(shortStream.find("/Filter"), std::string::npos);
  EXPECT_EQ(StreamData(file, 5),
            "q\n0 0 0 RG\n[] 0 d\n0.48 w\n7.2 827.6 m\n589.92 827.6 l\nS\nQ\n");
  EXPECT_NE(shortStream.find("/Length 56\n"), std::string::npos);
  EXPECT_NE(ObjectText(file, 7).find("/Filter [/FlateDecode ]"), std::string::npos);
  const std::string longData = StreamData(file, 7);
  EXPECT_NE(longData.find("7.2 823.04 m\n589.92 823.04 l\nS\n"), std::string::npos);
}

TEST(PdfDocumentTest, ConsecutiveLinesFormOnePolyline) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  doc.AddPage();
  doc.SetPen(2);
  doc.MoveTo(0, 100);
  doc.LineTo(100, 100);
  doc.LineTo(100, 200);
  doc.MoveTo(200, 200);
  doc.LineTo(300, 200);
  const std::string data = StreamData(Rendered(doc), 5);
  EXPECT_NE(data.find("0 818 m\n24 818 l\n24 794 l\nS\n48 794 m\n72 794 l\nS\nQ\n"),
            std::string::npos)
      << data;
  EXPECT_EQ(data.find("RG"), data.rfind("RG"));  // pen settings written once
}

TEST(PdfDocumentTest, TextBaselineLiesAtNinetyFivePercentOfTheAscent) {
  TPdfDocumentGDI doc;
  ArialPage page;
  ASSERT_TRUE(StartArialPage(doc, page));
  const double em = page.em, ascent = page.ascent;
  doc.TextOut(100, 200, "Dlr N");
  const std::string data = StreamData(Rendered(doc), 5);
  const std::string expected = "/F0 " + PdfRealText(em * 0.24) + " Tf\n0 0 0 rg\nBT\n24 " +
                               PdfRealText(842 - 0.24 * (200 + 0.95 * ascent)) +
                               " Td\n(Dlr N) Tj\nET\n";
  EXPECT_NE(data.find(expected), std::string::npos) << data;
  EXPECT_EQ(doc.TextHeight("I"), 45);
  // With an ascent of 40 units the baseline is at 238, 784.88 points.
  EXPECT_EQ(PdfRealText(842 - 0.24 * (200 + 0.95 * 40)), "784.88");
}

TEST(PdfDocumentTest, TurnedTextReadsUpwardsFromItsCellCorner) {
  TPdfDocumentGDI doc;
  ArialPage page;
  ASSERT_TRUE(StartArialPage(doc, page));
  const double ascent = page.ascent;
  doc.SetTextRotation(900);
  doc.TextOut(100, 200, "Made");
  doc.SetTextRotation(0);
  doc.TextOut(100, 200, "Down");
  const std::string data = StreamData(Rendered(doc), 5);
  // Turned a quarter left the cell lies to the right of the point, so the
  // baseline runs upwards at x + 0.95 ascent.
  const std::string turned = "BT\n0 1 -1 0 " + PdfRealText(0.24 * (100 + 0.95 * ascent)) + " " +
                             PdfRealText(842 - 0.24 * 200) + " Tm\n(Made) Tj\nET\n";
  EXPECT_NE(data.find(turned), std::string::npos) << data;
  EXPECT_NE(data.find("(Down) Tj"), std::string::npos);
  EXPECT_NE(data.find(" Td\n(Down) Tj"), std::string::npos) << data;
}

TEST(PdfDocumentTest, ShapesTextColourAndLandscapePages) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  doc.SetPageSize(842, 595);
  doc.AddPage();
  EXPECT_EQ(PdfDocumentPeer::PageWidthUnits(doc), 3508);
  EXPECT_EQ(PdfDocumentPeer::PageHeightUnits(doc), 2479);
  doc.SetPen(8);
  doc.Rectangle(100, 100, 200, 300);
  doc.SetPen(1);
  doc.SetBrush(true);
  const std::pair<int, int> arrow[4] = {{150, 100}, {140, 120}, {150, 115}, {160, 120}};
  doc.Polygon(arrow);
  doc.SetBrush(false);
  ASSERT_TRUE(doc.SetFont("Arial", 45, true));
  doc.SetTextColor(160, 160, 164);
  doc.TextOut(100, 200, "7");
  doc.SetTextColor(0, 0, 0);
  doc.TextOut(100, 300, "8");
  const std::string file = Rendered(doc);
  EXPECT_NE(ObjectText(file, 4).find("/MediaBox [0 0 842 595 ]"), std::string::npos)
      << ObjectText(file, 4);
  const std::string data = StreamData(file, 5);
  // y is turned upwards from the landscape page's 595 points.
  EXPECT_NE(data.find("1.92 w\n24 523 24 48 re\nS\n"), std::string::npos) << data;
  EXPECT_NE(data.find("0.24 w\n0 0 0 rg\n36 571 m\n33.6 566.2 l\n36 567.4 l\n38.4 566.2 l\nb\n"),
            std::string::npos)
      << data;
  // The grey text, then black again for the next.
  const size_t grey = data.find("0.63 0.63 0.64 rg\n");
  ASSERT_NE(grey, std::string::npos) << data;
  EXPECT_LT(grey, data.find("(7) Tj"));
  EXPECT_LT(data.find("(7) Tj"), data.rfind("0 0 0 rg\n"));
  EXPECT_LT(data.rfind("0 0 0 rg\n"), data.find("(8) Tj"));
}

TEST(PdfDocumentTest, RegularAndBoldArialAreFontsF0AndF1) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  doc.AddPage();
  ASSERT_TRUE(doc.SetFont("Arial", 45, false));
  doc.TextOut(100, 100, "AB");
  ASSERT_TRUE(doc.SetFont("Arial", 80, true));
  doc.TextOut(100, 300, "Z");
  ASSERT_TRUE(doc.SetFont("Arial", 30, false));
  doc.TextOut(100, 500, " ");
  const std::string file = Rendered(doc);
  // Fonts follow the page's objects, each with its descriptor.
  const std::string f0 = ObjectText(file, 6), f1 = ObjectText(file, 8);
  EXPECT_NE(f0.find("/Type /Font\n/BaseFont /Arial\n/Subtype /TrueType\n/Encoding "
                    "/WinAnsiEncoding\n/FontDescriptor 7 0 R\n/Name /F0\n/FirstChar 32\n"
                    "/LastChar 66\n/Widths [278 "),
            std::string::npos)
      << f0;
  EXPECT_NE(f1.find("/BaseFont /Arial,Bold\n"), std::string::npos);
  EXPECT_NE(f1.find("/FirstChar 90\n/LastChar 90\n/Widths [611 ]"), std::string::npos) << f1;
  const std::string descriptor = ObjectText(file, 7);
  EXPECT_NE(descriptor.find("/FontName /Arial\n/Ascent 728\n/Descent -210\n/CapHeight 666\n"
                            "/ItalicAngle 0\n/StemV 87\n/Flags 32\n/FontBBox ["),
            std::string::npos)
      << descriptor;
  EXPECT_NE(ObjectText(file, 4).find("/Font <<\n/F0 6 0 R\n/F1 8 0 R\n>>"), std::string::npos);
}

TEST(PdfDocumentTest, SuitSignsUseTheStandardSymbolFont) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  doc.AddPage();
  ASSERT_TRUE(doc.SetFont("Symbol", 55, false));
  doc.TextOut(100, 100, "\xA7\xA8\xA9\xAA");
  const std::string font = ObjectText(Rendered(doc), 6);
  EXPECT_NE(font.find("/Type /Font\n/BaseFont /Symbol\n/Subtype /Type1\n/Name /F0\n"
                      "/FirstChar 167\n/LastChar 170\n/Widths [753 753 753 753 ]"),
            std::string::npos)
      << font;
  EXPECT_EQ(font.find("/Encoding"), std::string::npos);
}

TEST(PdfFontTest, WindowsBytesReadAsTheirUnicodeCharacters) {
  struct Case {
    unsigned char code;
    char32_t character;
  };
  // Controls and the five undefined bytes have no glyph.
  const Case cases[] = {{0x00, 0}, {0x1F, 0},      {0x20, 0x20}, {0x7E, 0x7E},
                        {0x7F, 0}, {0x80, 0x20AC}, {0x81, 0},    {0x85, 0x2026},
                        {0x9D, 0}, {0x9F, 0x0178}, {0xA0, 0xA0}, {0xFF, 0xFF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.code));
    EXPECT_EQ(WinAnsiToUnicode(c.code), c.character);
  }
}

TEST(PdfFontTest, FamiliesResolveToMetricIdenticalFaces) {
  std::string error;
  const PdfFontMetrics* arial = FindFontMetrics("Arial", false, &error);
  ASSERT_NE(arial, nullptr) << error;
  EXPECT_EQ(arial->widths['W'], 944);  // Arial's widths, whatever face provides them
  EXPECT_EQ(arial->widths['1'], 556);
  const PdfFontMetrics* narrow = FindFontMetrics("Arial Narrow", false, &error);
  ASSERT_NE(narrow, nullptr);
  EXPECT_EQ(narrow->family, "Arial Narrow");
  EXPECT_LT(narrow->widths['W'], arial->widths['W']);
  const PdfFontMetrics* times = FindFontMetrics("Times New Roman", false, &error);
  ASSERT_NE(times, nullptr);
  EXPECT_EQ(times->family, "Times New Roman");
  // A family nobody has installed falls back to Arial.
  const PdfFontMetrics* unknown = FindFontMetrics("No Such Family Here", true, &error);
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(unknown->family, "Arial");
  EXPECT_TRUE(unknown->bold);
}

TEST(PdfDocumentTest, TextMeasuredElsewhereIsStretchedToItsWidth) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  doc.AddPage();
  ASSERT_TRUE(doc.SetFont("Arial", 45, false));
  const int width = doc.TextWidth("N S");
  doc.TextOut(0, 100, "N S", width + 20);               // one blank, 20 units short: word spacing
  doc.TextOut(0, 200, "NS", doc.TextWidth("NS") + 20);  // no blank: horizontal scaling
  doc.TextOut(0, 300, "NS", doc.TextWidth("NS"));       // same width: neither
  const std::string data = StreamData(Rendered(doc), 5);
  // 20 units over one blank is 4.8 points, less the rounding of the measured width.
  EXPECT_NE(data.find("4.76 Tw\nBT\n"), std::string::npos) << data;
  EXPECT_NE(data.find("ET\n0 Tw\n"), std::string::npos);
  EXPECT_NE(data.find(" Tz\nBT\n"), std::string::npos);
  EXPECT_EQ(std::count(data.begin(), data.end(), 'z'), 2);  // one Tz and its reset
}

TEST(PdfDocumentTest, ImagesAreSharedAndDrawnIntoTheirRectangle) {
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  std::string rgb(2 * 2 * 3, '\0');
  rgb[0] = char(255);
  for (int p = 0; p < 2; ++p) {
    doc.AddPage();
    doc.StretchDraw(100, 100, 200, 300, 2, 2, rgb);
  }
  const std::string file = Rendered(doc);
  const std::string image = ObjectText(file, 8);
  EXPECT_NE(image.find("/Type /XObject\n/Subtype /Image\n/Width 2\n/Height 2\n/ColorSpace "
                       "/DeviceRGB\n/BitsPerComponent 8"),
            std::string::npos)
      << image;
  EXPECT_EQ(ObjectText(file, 9), "");  // one image object for both pages
  EXPECT_NE(StreamData(file, 5).find("q\n24 0 0 48 24 770 cm\n/Im0 Do\nQ\n"), std::string::npos);
  EXPECT_NE(ObjectText(file, 6).find("/XObject <<\n/Im0 8 0 R\n>>"), std::string::npos);
}

TEST(PdfDocumentTest, SavedFilesPassQpdfAndFailuresAreReported) {
  const fs::path dir = TempDir();
  TPdfDocumentGDI doc;
  doc.SetResolution(300);
  for (int p = 0; p < 2; ++p) {
    doc.AddPage();
    doc.SetPen(2);
    doc.MoveTo(30, 60);
    doc.LineTo(2458, 60);
    doc.LineTo(2458, 3390);
    ASSERT_TRUE(doc.SetFont("Arial", 80, p == 0));
    doc.TextOut(100, 100, "Caf\xE9 (x) \\ \x80");
    ASSERT_TRUE(doc.SetFont("Symbol", 55, false));
    doc.TextOut(100, 300, "\xAA\xA9\xA8\xA7");
    doc.StretchDraw(100, 400, 250, 550, 1, 1, "\x10\x20\x30");
  }
  const fs::path file = dir / "two pages.pdf";
  std::string bytes, error;
  ASSERT_TRUE(doc.Render(bytes, &error)) << error;
  std::ofstream(file, std::ios::binary) << bytes;
  ExpectQpdfAccepts(file);
  // Rendering again gives the same bytes: nothing is used up by a render. Only
  // the modification date may differ, when the second render crosses a second.
  std::string again;
  ASSERT_TRUE(doc.Render(again, &error)) << error;
  const auto withoutModDate = [](std::string file) {
    const size_t at = file.find("/ModDate (D:");
    if (at != std::string::npos) file.replace(at + 12, 14, 14, '0');
    return file;
  };
  EXPECT_NE(bytes.find("/ModDate (D:"), std::string::npos);
  EXPECT_EQ(withoutModDate(again), withoutModDate(bytes));

  TPdfDocumentGDI empty;
  std::string none;
  EXPECT_FALSE(empty.Render(none, &error));
  EXPECT_FALSE(error.empty());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tarrow
