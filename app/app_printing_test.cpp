// App's printing: the stored printer, and the three outputs with the
// window's choices as they stand.
#include <gtest/gtest.h>

#include "app/app.h"
#include "core/deal_number.h"
#include "core/temp_folder_for_test.h"
#include "records/recording_surface_for_test.h"

namespace tarrow {
namespace {

using testing::RecordingPrinter;

class AppPrintingTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    app_ = std::make_unique<App>(executor_, folder_ / "Tarrow.ini");
    app_->SetWritePdf(false);
    app_->DealFromSeed("abc");
  }
  QueueExecutor executor_;
  std::unique_ptr<App> app_;
  RecordingPrinter printer_;  // "Office", "Hall"
};

TEST_F(AppPrintingTest, StoredPrinterIsFoundOrFallsBackToTheDefault) {
  app_->MutableSettingsForTest().SetPrinterName("Hall");
  EXPECT_EQ(app_->SelectStoredPrinter(printer_), "Hall");
  EXPECT_EQ(printer_.index, 1);

  app_->MutableSettingsForTest().SetPrinterName("Basement");  // no longer installed
  EXPECT_EQ(app_->SelectStoredPrinter(printer_), "Default Printer");
  EXPECT_EQ(printer_.index, -1);
  EXPECT_EQ(app_->Settings().PrinterName(), "Default Printer");

  // A printer chosen afterwards (the dialog, --printer) is what is stored,
  // and survives a save and a new start.
  printer_.SetPrinterIndex(0);
  EXPECT_EQ(app_->TakePrinterChoice(printer_), "Office");
  ASSERT_TRUE(app_->SaveSettings().ok());
  App again(executor_, folder_ / "Tarrow.ini");
  EXPECT_EQ(again.Settings().PrinterName(), "Office");
}

TEST_F(AppPrintingTest, SetupSheetsFollowTheSettingsDealNumberLine) {
  app_->MutableSettingsForTest().SetShowDealNumbers(true);
  app_->MutableSettingsForTest().SetDealNumberForm(DealNumberForm::kDecimal);
  ASSERT_TRUE(app_->PrintSetupSheets(printer_, 2).ok());
  ASSERT_EQ(printer_.PageCount(), 1u);
  EXPECT_TRUE(
      printer_.Page(0, 0).Has("Deal # " + DealNumberDecimalText(app_->Set().Board(2).number)));
  EXPECT_FALSE(app_->PrintSetupSheets(printer_, 37).ok());
}

TEST_F(AppPrintingTest, HandRecordsAndTravelersUseTheWindowsChoices) {
  app_->SetClub("Tarrow Bridge Club");
  int pauses = 0;
  ASSERT_TRUE(app_->PrintHandRecords(printer_, 3, true, [&] { return ++pauses, true; }).ok());
  EXPECT_EQ(pauses, 1);
  ASSERT_EQ(printer_.jobs.size(), 2u);
  EXPECT_EQ(printer_.jobs[1].copies, 3);
  EXPECT_TRUE(printer_.Page(0, 0).Has("Tarrow Bridge Club"));

  RecordingPrinter travelers;
  ASSERT_TRUE(app_->PrintTravelers(travelers, 36).ok());
  EXPECT_EQ(travelers.PageCount(), 12u);
  EXPECT_EQ(travelers.jobs[0].orientation, PageOrientation::kLandscape);
}

}  // namespace
}  // namespace tarrow
