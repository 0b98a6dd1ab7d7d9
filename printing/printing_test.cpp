// Printing through a real print server: the layouts go through Qt to a
// local CUPS queue whose paper is a PDF file, checked page by page.
#include "printing/qt_printer.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <memory>

#include "core/deal_number.h"
#include "core/generation.h"
#include "printing/cups_queue_for_test.h"
#include "printing/qt_surface.h"
#include "records/logo.h"
#include "records/output_drivers.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;
using testing::CommandOutput;
using testing::CupsTestQueue;
using testing::PdfPages;
using testing::PdfWords;

class CupsPrintingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    session_ = std::make_unique<PrintingSession>();
    cups_ = std::make_unique<CupsTestQueue>();
  }
  static void TearDownTestSuite() {
    cups_.reset();
    session_.reset();
  }

  void SetUp() override {
    if (!cups_->SkipReason().empty()) GTEST_SKIP() << cups_->SkipReason();
    BuildNumberingTables();
    GenerateSet(set, "abc", 46000);
    for (int b = 1; b <= 36; ++b) {
      set.Board(b).doneMask = {kAllStrainsDone, kAllStrainsDone};
      set.Board(b).table.fill(uint8_t(b % 14));
    }
    printer = std::make_unique<QtPrinter>();
    ASSERT_EQ(SelectStoredPrinter(*printer, cups_->Queue()), cups_->Queue());
    cups_->Clear();
  }

  static inline std::unique_ptr<PrintingSession> session_;
  static inline std::unique_ptr<CupsTestQueue> cups_;
  DealSet set;
  std::unique_ptr<QtPrinter> printer;
};

TEST_F(CupsPrintingTest, HandRecordsSetupSheetsAndTravelersComeOutOfTheQueue) {
  ASSERT_TRUE(PrintHandRecords(*printer, set, HandRecordOptions(), "Tarrow Bridge Club", Logo(), "",
                               2, false, nullptr)
                  .ok());
  const SetupSheetOptions setupOptions{true, DealNumberForm::kBase64};
  ASSERT_TRUE(PrintSetupSheets(*printer, set, 1, 5, setupOptions).ok());
  const Status travelers = PrintTravelers(*printer, set, 7);
  ASSERT_TRUE(travelers.ok()) << travelers.message();

  const std::vector<fs::path> files = cups_->WaitForFiles(3);
  ASSERT_EQ(files.size(), 3u);
  // Two copies of the two hand-record pages.
  EXPECT_EQ(PdfPages(files[0]), 4);
  const std::string records = PdfWords(files[0]);
  EXPECT_NE(records.find("Tarrow Bridge Club"), std::string::npos) << records;
  EXPECT_NE(records.find("Board 36"), std::string::npos);

  EXPECT_EQ(PdfPages(files[1]), 3);
  const std::string setups = PdfWords(files[1]);
  for (const char* word : {"NORTH", "WEST", "Board 5", "Deal # "})
    EXPECT_NE(setups.find(word), std::string::npos) << word << "\n" << setups;

  EXPECT_EQ(PdfPages(files[2]), 3);
  const std::string travelerText = PdfWords(files[2]);
  for (const char* word : {"Board No. 1", "Board No. 7", "Contract", "SCORE", "Made", "Down", "17",
                           "Dlr N"})
    EXPECT_NE(travelerText.find(word), std::string::npos) << word << "\n" << travelerText;
  // Landscape pages reach the paper turned, as printers print them.
  EXPECT_NE(CommandOutput("pdfinfo '" + files[2].string() + "'").find("595 x 842"), std::string::npos);
}

TEST_F(CupsPrintingTest, FlippedHandRecordsAreTwoJobs) {
  int pauses = 0;
  ASSERT_TRUE(PrintHandRecords(*printer, set, HandRecordOptions(), "Club", Logo(), "", 1, true,
                               [&] { return ++pauses, true; })
                  .ok());
  EXPECT_EQ(pauses, 1);
  const std::vector<fs::path> files = cups_->WaitForFiles(2);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(PdfPages(files[0]), 1);
  EXPECT_EQ(PdfPages(files[1]), 1);
  EXPECT_NE(PdfWords(files[0]).find("Board 18"), std::string::npos);
  EXPECT_NE(PdfWords(files[1]).find("Board 19"), std::string::npos);
}

TEST_F(CupsPrintingTest, ARefusingQueueEndsTheCommandWithTheServersMessage) {
  CommandOutput("cupsreject -r 'out of paper' " + cups_->Queue());
  const Status s = PrintTravelers(*printer, set, 3);
  CommandOutput("cupsaccept " + cups_->Queue());
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("not accepting jobs"), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("out of paper"), std::string::npos) << s.message();
}

TEST_F(CupsPrintingTest, PrinterListAndFallback) {
  const std::vector<std::string> names = printer->Printers();
  EXPECT_NE(std::find(names.begin(), names.end(), cups_->Queue()), names.end());
  EXPECT_EQ(CurrentPrinterName(*printer), cups_->Queue());
  EXPECT_EQ(SelectStoredPrinter(*printer, "No Such Printer"), "Default Printer");
  EXPECT_EQ(printer->PrinterIndex(), -1);
  // The print dialog sets the Qt printer; the choice is then found in the list.
  printer->Device().setPrinterName(QString::fromStdString(cups_->Queue()));
  printer->TakeDevicePrinter();
  EXPECT_EQ(CurrentPrinterName(*printer), cups_->Queue());
}

TEST(QtSurfaceTest, FacesResolveAsForThePdfAndSuitsAreUnicode) {
  PrintingSession session;
  EXPECT_EQ(QtSurface::ResolvedFace("Arial", false), "Liberation Sans");
  EXPECT_EQ(QtSurface::ResolvedFace("Times New Roman", true), "Liberation Serif");
  EXPECT_EQ(QtSurface::ResolvedFace("Arial Narrow", false), "Liberation Sans Narrow");
  EXPECT_EQ(QtSurface::Unicode("\xAA\xA9\xA8\xA7", true), QString::fromUtf8("♠♥♦♣"));
  EXPECT_EQ(QtSurface::Unicode("Caf\xE9 \x80", false), QString::fromUtf8("Café €"));
}

}  // namespace
}  // namespace tarrow
