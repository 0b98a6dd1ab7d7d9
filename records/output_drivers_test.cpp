#include "records/output_drivers.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/generation.h"
#include "core/temp_folder_for_test.h"
#include "records/logo.h"
#include "records/pdf_printer.h"
#include "records/pdf_tools_for_test.h"
#include "records/printed_set_for_test.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;
using testing::CommandOutput;
using testing::PdfPages;
using testing::RecordingPrinter;

class PrintHandRecordsTest : public testing::PrintedSetTest {
 protected:
  Status Print(int copies, bool flip, const FlipPause& pause) {
    HandRecordOptions options;
    options.showAnalysis = true;  // contract lines
    return PrintHandRecords(printer, set, options, "Club", Logo(32), "", copies, flip, pause);
  }
};

TEST_F(PrintHandRecordsTest, WithoutFlipOneJobOfTwoPages) {
  int pauses = 0;
  ASSERT_TRUE(Print(1, false, [&] { return ++pauses, true; }).ok());
  EXPECT_EQ(pauses, 0);
  ASSERT_EQ(printer.jobs.size(), 1u);
  EXPECT_EQ(printer.jobs[0].pages.size(), 2u);
  EXPECT_EQ(printer.jobs[0].copies, 1);
  EXPECT_EQ(printer.jobs[0].orientation, PageOrientation::kPortrait);
  EXPECT_TRUE(printer.Page(0, 0).Has("Board 18"));
  EXPECT_TRUE(printer.Page(0, 1).Has("Board 19"));
  // The printer column of the metrics: sizes in points, cells from the page size.
  const HandRecordMetrics m = PrinterHandRecordMetrics(4800, 6600);
  EXPECT_TRUE(printer.Page(0, 0).HasCall("move 40 60"));
  EXPECT_TRUE(printer.Page(0, 0).HasCall("line " + std::to_string(40 + 4 * m.cellWidth) + " 60"));
}

TEST_F(PrintHandRecordsTest, FlipPrintsTwoJobsWithThePauseBetween) {
  ASSERT_TRUE(Print(3, true, [&] {
                printer.events.push_back("pause");
                // A result that comes in while the operator turns the stack.
                set.Board(20).doneMask = {kAllStrainsDone, kAllStrainsDone};
                set.Board(20).table.fill(8);
                return true;
              }).ok());
  EXPECT_EQ(printer.events,
            (std::vector<std::string>{"begin", "page", "end", "pause", "begin", "page", "end"}));
  ASSERT_EQ(printer.jobs.size(), 2u);
  for (const auto& job : printer.jobs) {
    EXPECT_EQ(job.copies, 3);
    EXPECT_EQ(job.pages.size(), 1u);
  }
  EXPECT_TRUE(printer.Page(0, 0).Has("Board 1"));
  EXPECT_TRUE(printer.Page(1, 0).Has("Board 36"));
  EXPECT_TRUE(printer.Page(1, 0).Has("NS=2N 2S 2H"));  // board 20's new result
}

TEST_F(PrintHandRecordsTest, DeclinedSecondSideAndBadCopiesAreReported) {
  const Status declined = Print(2, true, [] { return false; });
  EXPECT_FALSE(declined.ok());
  EXPECT_NE(declined.message().find("19 to 36"), std::string::npos) << declined.message();
  EXPECT_EQ(printer.jobs.size(), 1u);

  for (int copies : {0, 201}) {
    RecordingPrinter other;
    const Status s = PrintHandRecords(other, set, HandRecordOptions(), "", RgbImage(), "", copies,
                                      false, nullptr);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find("1 to 200"), std::string::npos) << s.message();
    EXPECT_TRUE(other.jobs.empty());
  }
  EXPECT_TRUE(
      PrintHandRecords(printer, set, HandRecordOptions(), "", RgbImage(), "", 200, false, nullptr)
          .ok());
}

TEST(PrinterFailureTest, TheSystemsMessageEndsTheCommand) {
  DealSet set;
  GenerateSet(set, "abc", 46000);
  RecordingPrinter printer;
  printer.failBegin = "Hall: printer is not accepting jobs";
  for (const Status& s : {PrintTravelers(printer, set, 36),
                          PrintSetupSheets(printer, set, 1, 36, SetupSheetOptions()),
                          PrintHandRecords(printer, set, HandRecordOptions(), "", RgbImage(), "", 1,
                                           true, [] { return true; })}) {
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.message(), "Hall: printer is not accepting jobs");
  }
  EXPECT_TRUE(printer.jobs.empty());
}

TEST(PrinterChoiceTest, StoredNameFallsBackToTheDefaultPrinter) {
  RecordingPrinter printer;
  printer.names = {"Office", "Hall", std::string(70, 'L')};
  EXPECT_EQ(SelectStoredPrinter(printer, "Hall"), "Hall");
  EXPECT_EQ(printer.index, 1);
  EXPECT_EQ(CurrentPrinterName(printer), "Hall");

  EXPECT_EQ(SelectStoredPrinter(printer, "Gone"), "Default Printer");
  EXPECT_EQ(printer.index, -1);
  EXPECT_EQ(CurrentPrinterName(printer), "Default Printer");

  // A long name is stored cut to 64 characters and found again by its cut.
  EXPECT_EQ(SelectStoredPrinter(printer, std::string(64, 'L')), std::string(64, 'L'));
  EXPECT_EQ(printer.index, 2);
  EXPECT_EQ(CurrentPrinterName(printer), std::string(64, 'L'));

  for (const char* stored : {"", "Default Printer"}) {
    printer.index = 0;
    EXPECT_EQ(SelectStoredPrinter(printer, stored), "Default Printer");
    EXPECT_EQ(printer.index, -1);
  }
  printer.names.clear();
  EXPECT_EQ(SelectStoredPrinter(printer, "Office"), "Default Printer");
}

class PdfPrinterTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    GenerateSet(set, "abc", 46000);
    for (int b = 1; b <= 36; ++b) {
      set.Board(b).doneMask = {kAllStrainsDone, kAllStrainsDone};
      set.Board(b).table.fill(uint8_t(b % 14));
    }
  }
  // Writes the printer's pages and checks them with qpdf, the page count and
  // size with pdfinfo; keeps the text.
  void Check(PdfPrinter& pdf, const std::string& name, int pages, const char* size) {
    file = folder_ / name;
    const Status saved = pdf.Save(testing::PermitFor(file));
    ASSERT_TRUE(saved.ok()) << saved.message();
    EXPECT_EQ(std::system(("qpdf --check '" + file.string() + "' >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(PdfPages(file), pages);
    EXPECT_NE(CommandOutput("pdfinfo '" + file.string() + "'").find(size), std::string::npos);
    text = CommandOutput("pdftotext -raw '" + file.string() + "' -");
  }
  DealSet set;
  fs::path file;
  std::string text;
};

TEST_F(PdfPrinterTest, SetupSheetsPageForPage) {
  PdfPrinter pdf;
  ASSERT_TRUE(
      PrintSetupSheets(pdf, set, 1, 36, SetupSheetOptions{true, DealNumberForm::kDecimal}).ok());
  Check(pdf, "setups.pdf", 18, "595 x 842 pts (A4)");
  for (const char* word : {"NORTH", "EAST", "SOUTH", "WEST", "Board 1", "Board 36", "Deal # "})
    EXPECT_NE(text.find(word), std::string::npos) << word;
  const std::string fonts = CommandOutput("pdffonts '" + file.string() + "'");
  EXPECT_NE(fonts.find("TimesNewRoman,Bold"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("Symbol"), std::string::npos) << fonts;
}

TEST_F(PdfPrinterTest, TravelersOnLandscapePages) {
  PdfPrinter pdf;
  set.Board(7).ClearAnalysis();
  ASSERT_TRUE(PrintTravelers(pdf, set, 7).ok());
  Check(pdf, "travelers.pdf", 3, "842 x 595 pts (A4)");
  for (const char* word :
       {"Board No. 1", "Board No. 7", "Contract", "SCORE", "Made", "Down", "Pair", "17", "Dlr N"})
    EXPECT_NE(text.find(word), std::string::npos) << word;
  EXPECT_EQ(text.find("Board No. 8"), std::string::npos);
}

TEST_F(PdfPrinterTest, FlippedHandRecordsKeepBothJobsInOneFile) {
  PdfPrinter pdf;
  int pauses = 0;
  ASSERT_TRUE(PrintHandRecords(pdf, set, HandRecordOptions(), "Tarrow Bridge Club", Logo(), "", 2,
                               true, [&] { return ++pauses, true; })
                  .ok());
  EXPECT_EQ(pauses, 1);
  EXPECT_EQ(pdf.Jobs(), 2);
  Check(pdf, "records.pdf", 2, "595 x 842 pts (A4)");
  EXPECT_NE(text.find("Tarrow Bridge Club"), std::string::npos);
  EXPECT_NE(text.find("Board 36"), std::string::npos);
}

TEST_F(PdfPrinterTest, NothingPrintedOrNoFolderIsAnError) {
  PdfPrinter empty;
  EXPECT_FALSE(empty.Save(testing::PermitFor(folder_ / "empty.pdf")).ok());
  EXPECT_FALSE(fs::exists(folder_ / "empty.pdf"));
  PdfPrinter pdf;
  ASSERT_TRUE(PrintTravelers(pdf, set, 1).ok());
  const Status s = pdf.Save(testing::PermitFor(folder_ / "missing" / "t.pdf"));
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("missing"), std::string::npos) << s.message();
}

TEST_F(PrintHandRecordsTest, BoardsInPlayEndTheRecordsAndAnEmptyPageIsNotPrinted) {
  const struct {
    int last;
    bool flip;
    std::vector<size_t> pagesPerJob;
    int pauses;
  } rows[] = {
      {24, false, {2}, 0}, {24, true, {1, 1}, 1}, {18, false, {1}, 0},
      {18, true, {1}, 0},  {1, true, {1}, 0},     {36, false, {2}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.last) + (row.flip ? " flipped" : ""));
    RecordingPrinter out;
    int pauses = 0;
    ASSERT_TRUE(PrintHandRecords(
                    out, set, HandRecordOptions(), "Club", RgbImage(), "", 1, row.flip,
                    [&] { return ++pauses, true; }, row.last)
                    .ok());
    EXPECT_EQ(pauses, row.pauses);
    std::vector<size_t> pages;
    std::vector<const testing::RecordingSurface*> all;
    for (const auto& job : out.jobs) {
      pages.push_back(job.pages.size());
      for (const auto& page : job.pages) all.push_back(page.get());
    }
    EXPECT_EQ(pages, row.pagesPerJob);
    for (int board = 1; board <= 36; ++board) {
      const std::string title = "Board " + std::to_string(board);
      // Page 1 holds boards 1..18, page 2 19..36, as far as they are played.
      const size_t page = board <= 18 ? 0 : 1;
      const bool shown = page < all.size() && all[page]->Has(title);
      EXPECT_EQ(shown, board <= row.last) << title;
    }
  }
  for (int last : {0, 37}) {
    RecordingPrinter other;
    const Status s = PrintHandRecords(other, set, HandRecordOptions(), "", RgbImage(), "", 1, false,
                                      nullptr, last);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find(std::to_string(last)), std::string::npos) << s.message();
    EXPECT_TRUE(other.jobs.empty());
  }
}

}  // namespace
}  // namespace tarrow
