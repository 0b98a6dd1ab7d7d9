// Printing through a real print server: the layouts go through Qt to a
// local CUPS queue whose paper is a PDF file, checked page by page.
#include "printing/qt_printer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QPrinter>
#include <fstream>
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
  for (const char* word :
       {"Board No. 1", "Board No. 7", "Contract", "SCORE", "Made", "Down", "17", "Dlr N"})
    EXPECT_NE(travelerText.find(word), std::string::npos) << word << "\n" << travelerText;
  // Landscape pages reach the paper turned, as printers print them.
  EXPECT_NE(CommandOutput("pdfinfo '" + files[2].string() + "'").find("595 x 842"),
            std::string::npos);
}

TEST_F(CupsPrintingTest, FlippedHandRecordsAreTwoJobs) {
  int pauses = 0;
  ASSERT_TRUE(
      PrintHandRecords(*printer, set, HandRecordOptions(), "Club", Logo(), "", 1, true, [&] {
        return ++pauses, true;
      }).ok());
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

// "Print to File" in the print dialog: the jobs go to the PDF it names,
// drawn beside it and renamed over it only when complete.
class PrintToFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<PrintingSession>();
    BuildNumberingTables();
    GenerateSet(set_, "abc", 46000);
    folder_ = fs::temp_directory_path() / ("tarrow-print-to-file-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  QtPrinter& ToFile(QtPrinter& printer, const fs::path& file) {
    printer.Device().setOutputFormat(QPrinter::PdfFormat);
    printer.Device().setOutputFileName(QString::fromStdString(file.string()));
    printer.TakeDevicePrinter();
    return printer;
  }

  std::unique_ptr<PrintingSession> session_;
  DealSet set_;
  fs::path folder_;
};

TEST_F(PrintToFileTest, JobsGoToTheNamedPdfWholeOrNotAtAll) {
  const fs::path file = folder_ / "travelers.pdf";
  QtPrinter printer;
  ToFile(printer, file);
  ASSERT_EQ(printer.OutputFile(), file);
  ASSERT_TRUE(PrintTravelers(printer, set_, 4).ok());
  std::ifstream in(file, std::ios::binary);
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
  EXPECT_FALSE(fs::exists(folder_ / ".travelers.pdf.part")) << "no part file is left";

  // A folder in the file's place: refused before any page, nothing touched.
  const fs::path blocked = folder_ / "blocked.pdf";
  fs::create_directories(blocked / "inside");
  QtPrinter refused;
  ToFile(refused, blocked);
  const Status status = PrintTravelers(refused, set_, 2);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("blocked.pdf"), std::string::npos) << status.message();
  EXPECT_TRUE(fs::is_directory(blocked / "inside"));

  // Choosing a printer again ends the printing to the file.
  printer.SetPrinterIndex(-1);
  EXPECT_TRUE(printer.OutputFile().empty());
}

}  // namespace
}  // namespace tarrow
