#include "app/app.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "core/temp_folder_for_test.h"
#include "files/settings.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

class AppTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    settingsFile_ = folder_ / "config" / "Tarrow.ini";
    app_ = std::make_unique<App>(executor_, settingsFile_);
    app_->SetWritePdf(false);
  }

  // The file's inode changes with every write, since each write renames a
  // new file over the old one.
  ino_t Inode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
  }

  QueueExecutor executor_;
  fs::path settingsFile_;
  std::unique_ptr<App> app_;
};

TEST_F(AppTest, DealingGivesTheSeedsBoardsWithoutAnalysis) {
  app_->NameSetFile(folder_ / "club.pbn");
  EXPECT_FALSE(app_->HasReadySet());
  app_->MutableSetForTest().Board(4).doneMask = {3, 3};
  const DateTime before = DateTimeNow();
  app_->DealFromSeed("abc");
  EXPECT_TRUE(app_->HasReadySet());
  EXPECT_EQ(DealNumberHexText(app_->Set().Board(1).number), "48DB1DE1 5ED13920 FC4FE771");
  EXPECT_EQ(app_->Set().Board(4).doneMask[0], 0);
  EXPECT_GE(app_->Set().header.generationTime, before - 1e-6);
  EXPECT_EQ(app_->Set().header.seed.str(), "abc");
  EXPECT_EQ(app_->PbnPath(), folder_ / "club.pbn");
  EXPECT_EQ(app_->PdfPath(), folder_ / "club.pdf");
}

TEST_F(AppTest, SaveFileWritesOnlyWhenTheSetChanged) {
  const fs::path pbn = folder_ / "club.pbn";
  app_->NameSetFile(pbn);
  app_->DealFromSeed("abc");
  ASSERT_TRUE(app_->SaveFile().ok());
  const ino_t first = Inode(pbn);
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(app_->SaveFile().ok());
  EXPECT_EQ(Inode(pbn), first) << "nothing changed, nothing written";

  app_->SetEventName("Tuesday Pairs");
  ASSERT_TRUE(app_->SaveFile().ok());
  const ino_t second = Inode(pbn);
  EXPECT_NE(second, first);
  EXPECT_NE(ReadWholeFile(pbn)->find("[Event \"Tuesday Pairs\"]"), std::string::npos);

  app_->MutableSetForTest().Board(3).table[0] = 9;
  app_->MutableSetForTest().Board(3).doneMask[0] = 1;
  ASSERT_TRUE(app_->SaveFile().ok());
  EXPECT_NE(Inode(pbn), second);

  const ino_t third = Inode(pbn);
  ASSERT_TRUE(app_->ForcePbnWrite().ok());
  EXPECT_NE(Inode(pbn), third) << "a forced write always writes";
}

TEST_F(AppTest, AFailedSaveIsReportedAndTriedAgain) {
  // A folder standing where the file should go makes every write fail.
  const fs::path pbn = folder_ / "blocked.pbn";
  fs::create_directories(pbn / "inside");
  app_->NameSetFile(pbn);
  app_->DealFromSeed("abc");
  const Status failed = app_->SaveFile();
  ASSERT_FALSE(failed.ok());
  EXPECT_NE(failed.message().find("blocked.pbn"), std::string::npos) << failed.message();
  EXPECT_TRUE(SetChangedSinceSave(app_->Set())) << "a failed write does not count as saved";
  fs::remove_all(pbn);
  EXPECT_TRUE(app_->SaveFile().ok());
  EXPECT_TRUE(fs::is_regular_file(pbn));
}

TEST_F(AppTest, RepeatDoubleDummyForgetsEveryDoneMask) {
  app_->MutableSetForTest().Board(7).doneMask = {31, 31};
  app_->MutableSetForTest().Board(36).doneMask = {1, 0};
  ASSERT_TRUE(app_->RepeatDoubleDummy().ok());
  for (const BoardEntry& entry : app_->Set().boards) {
    EXPECT_EQ(entry.doneMask[0] + entry.doneMask[1], 0);
  }
}

TEST_F(AppTest, DealingAgainStopsTheRunningAnalysisFirst) {
  app_->NameSetFile(folder_ / "club.pbn");
  app_->DealFromSeed("first set");
  ASSERT_TRUE(app_->StartAnalysis().ok());
  EXPECT_TRUE(app_->AnalysisRunning());
  app_->DealFromSeed("second set");
  EXPECT_FALSE(app_->AnalysisRunning());
  EXPECT_FALSE(app_->Runner().AnyWorkerAlive());
  for (const BoardEntry& entry : app_->Set().boards) {
    EXPECT_EQ(entry.doneMask[0] + entry.doneMask[1], 0) << "no result of the old set landed";
  }
}

TEST_F(AppTest, AFreshStartShowsTheDefaultsAndWritesThem) {
  EXPECT_FALSE(app_->SettingsFromFile());
  EXPECT_TRUE(app_->SettingsProblem().ok()) << app_->SettingsProblem().message();
  ASSERT_TRUE(fs::is_regular_file(settingsFile_)) << "the defaults are written at once";
  const HandRecordOptions o = app_->HandRecordChoices();
  EXPECT_FALSE(o.showDistributions || o.showDealNumbers || o.showLtc || o.showAnalysis ||
               o.allTricks || o.showPar);
  EXPECT_EQ(o.queenMethod, QueenMethod::kUnguardedQueenHalf);
  // With no settings yet, the analysis uses the machine's processors.
  const int processors = int(std::min(std::max(1u, std::thread::hardware_concurrency()), 8u));
  EXPECT_EQ(app_->ThreadsSetting(), processors);
  const SettingsRecord& shown = app_->Settings();
  for (const SwitchField& field : kSwitchFields) EXPECT_FALSE(shown.Get(field.which));
  EXPECT_TRUE(shown.ClubNames().empty());
  EXPECT_EQ(app_->Fields().club, "");
  EXPECT_EQ(app_->Fields().site, "Bridge Club");
  // The hand records' own defaults agree with the record's.
  const HandRecordOptions plain;
  EXPECT_FALSE(plain.showDistributions || plain.showDealNumbers || plain.showLtc ||
               plain.showAnalysis || plain.allTricks || plain.showPar);
}

TEST_F(AppTest, TheControlsCommandsComeBackAtTheNextStart) {
  for (Switch which :
       {Switch::kShowAnalysis, Switch::kAllTricks, Switch::kShowLtc, Switch::kShowPar}) {
    app_->SetSwitch(which, true);
  }
  app_->SetNumber(NumberSetting::kQueenAdjustment, 2);
  app_->SetNumber(NumberSetting::kThreads, 6);
  app_->SetNumber(NumberSetting::kBoardsInPlay, 40);  // cut to the 36 a set has
  app_->SetSite("Main hall");
  EXPECT_EQ(app_->Fields().site, "Main hall") << "the site goes into the event fields at once";
  // The boxes: items as they hold them, then a text typed and one chosen.
  app_->SetListItems(ListSetting::kClubs, {"North Club", "", "South Club", "North Club"});
  app_->SetClub("South Club");
  app_->SetEventName("Pairs");
  app_->SetListItems(ListSetting::kEvents, {"Pairs"});
  ASSERT_TRUE(app_->CloseSession().ok());

  QueueExecutor executor;
  App again(executor, settingsFile_);
  EXPECT_TRUE(again.SettingsFromFile());
  const SettingsRecord& back = again.Settings();
  EXPECT_TRUE(back.ShowAnalysis() && back.AllTricks() && back.ShowLtc() && back.ShowPar());
  EXPECT_FALSE(back.ShowDistributions());
  EXPECT_EQ(back.BoardsInPlay(), 36);
  EXPECT_EQ(back.Site(), "Main hall");
  EXPECT_EQ(back.ClubNames(), (std::vector<std::string>{"North Club", "South Club"}));
  EXPECT_EQ(again.Fields().club, "South Club");
  EXPECT_EQ(again.Fields().event, "Pairs");
  EXPECT_EQ(again.Fields().site, "Main hall");
  EXPECT_EQ(again.HandRecordChoices().queenMethod, QueenMethod::kHalfPerExcess);
  EXPECT_EQ(again.ThreadsSetting(), 6);

  // Read-only use (the command line) never writes the file.
  App reader(executor, settingsFile_, SettingsFileUse::kReadOnly);
  reader.MutableSettingsForTest().SetThreads(2);
  EXPECT_FALSE(reader.SaveSettings().ok());
  EXPECT_EQ(App(executor, settingsFile_).ThreadsSetting(), 6);
}

TEST_F(AppTest, AFailedOpenLeavesTheSetAndBothPathsAsTheyWere) {
  app_->NameSetFile(folder_ / "club.pbn");
  app_->DealFromSeed("abc");
  app_->SetPbnPath(folder_ / "elsewhere.pbn");
  const DealSet before = app_->Set();
  const std::string junk(3000, '\x9C');
  ASSERT_TRUE(testing::WriteTestFile(folder_ / "junk.pbn", junk).ok());
  ASSERT_TRUE(testing::WriteTestFile(folder_ / "note.pbn", "Tuesday: bring the boards\r\n").ok());
  ASSERT_TRUE(testing::WriteTestFile(folder_ / "empty.bri", "\r\n").ok());
  for (const fs::path& bad : {folder_ / "junk.pbn", folder_ / "note.pbn", folder_ / "empty.bri",
                              folder_ / "missing.pbn", folder_ / "set.txt"}) {
    SCOPED_TRACE(bad.string());
    const Status status = app_->OpenFile(bad);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.message().find(bad.filename().string()), std::string::npos)
        << status.message();
    EXPECT_EQ(app_->SetFilePath(), folder_ / "club.pbn");
    EXPECT_EQ(app_->PbnPath(), folder_ / "elsewhere.pbn");
    EXPECT_EQ(SerializeForDigest(app_->Set()), SerializeForDigest(before));
    EXPECT_TRUE(app_->HasReadySet());
  }
}

TEST_F(AppTest, APdfThatFailsIsTriedAgainAtEverySaveUntilWritten) {
  app_->SetWritePdf(true);
  const fs::path pbn = folder_ / "club.pbn";
  const fs::path pdf = folder_ / "club.pdf";
  fs::create_directories(pdf / "inside");  // a folder where the PDF should go
  app_->NameSetFile(pbn);
  app_->DealFromSeed("abc");
  const Status first = app_->SaveFile();
  ASSERT_FALSE(first.ok());
  EXPECT_NE(first.message().find("club.pdf"), std::string::npos) << first.message();
  EXPECT_TRUE(fs::is_regular_file(pbn)) << "the PBN was written";
  const ino_t written = Inode(pbn);
  // Nothing changed in the set: the PBN stays, the PDF is tried and
  // reported again.
  const Status second = app_->SaveFile();
  EXPECT_FALSE(second.ok());
  EXPECT_EQ(Inode(pbn), written);
  fs::remove_all(pdf);
  EXPECT_TRUE(app_->SaveFile().ok());
  EXPECT_TRUE(fs::is_regular_file(pdf));
  EXPECT_EQ(Inode(pbn), written);
  // Once written, an unchanged set writes neither again.
  const ino_t pdfWritten = Inode(pdf);
  EXPECT_TRUE(app_->SaveFile().ok());
  EXPECT_EQ(Inode(pdf), pdfWritten);
}

TEST_F(AppTest, AForeignSetIsNeverWrittenOverWithLessThanItHeld) {
  // Another program's file: a tag the set has no place for, and board 1
  // vulnerable where the board number says it is not.
  const fs::path foreign = folder_ / "theirs.pbn";
  const std::string text =
      "[Board \"1\"]\r\n[Dealer \"N\"]\r\n[Vulnerable \"Both\"]\r\n"
      "[Deal \"N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83\"]\r\n"
      "[Declarer \"S\"]\r\n[Contract \"4H\"]\r\n\r\n";
  ASSERT_TRUE(testing::WriteTestFile(foreign, text).ok());
  ASSERT_TRUE(app_->OpenFile(foreign).ok());
  EXPECT_EQ(app_->PbnPath(), folder_ / "theirs.tarrow.pbn");
  bool said = false;
  for (const std::string& warning : app_->LoadWarnings()) {
    said = said || warning.find("theirs.tarrow.pbn") != std::string::npos;
  }
  EXPECT_TRUE(said) << "the user is told where the set goes";
  app_->MutableSetForTest().Board(1).doneMask = {1, 0};
  ASSERT_TRUE(app_->ClaimSetOutputs(false).ok());
  ASSERT_TRUE(app_->SaveFile().ok());
  EXPECT_EQ(*ReadWholeFile(foreign), text) << "the foreign file is as it was";
  EXPECT_TRUE(fs::is_regular_file(folder_ / "theirs.tarrow.pbn"));

  // Importing beside such a file does not replace it without the word.
  const OutputVerdict over = [&] {
    app_->SetPbnPath(foreign);
    return app_->ClaimSetOutputs(false);
  }();
  EXPECT_TRUE(over.needsWord);
  EXPECT_NE(over.status.message().find("cannot keep"), std::string::npos) << over.status.message();
}

TEST_F(AppTest, AutoFillNamesTheFileOnlyWhereTheSetHasNoDescription) {
  app_->SetSwitch(Switch::kAutoFillDescription, true);
  app_->NameSetFile(folder_ / "final.pbn");
  app_->SetDescription("Club final");
  app_->DealFromSeed("abc");
  ASSERT_TRUE(app_->SaveFile().ok());
  std::string bri;
  for (int card = 1; card <= 39; ++card) bri += (card < 10 ? "0" : "") + std::to_string(card);
  ASSERT_TRUE(testing::WriteTestFile(folder_ / "m.bri", bri).ok());

  ASSERT_TRUE(app_->OpenFile(folder_ / "m.bri").ok());
  EXPECT_EQ(app_->Fields().description, "File: m.bri");
  ASSERT_TRUE(app_->OpenFile(folder_ / "final.pbn").ok());
  EXPECT_EQ(app_->Fields().description, "Club final") << "a description the set has is kept";
}

TEST_F(AppTest, AnImportedSetCarriesTheEventDateNotTheZeroDate) {
  // One deal: North the spades, East the hearts, South the diamonds.
  std::string bri;
  for (int card = 1; card <= 39; ++card) bri += (card < 10 ? "0" : "") + std::to_string(card);
  ASSERT_TRUE(testing::WriteTestFile(folder_ / "m.bri", bri).ok());
  app_->SetEventDate(DateFromCivil(2026, 12, 8));
  ASSERT_TRUE(app_->OpenFile(folder_ / "m.bri").ok());
  // Hand records printed before the first save show this date, not 1899-12-30.
  EXPECT_EQ(app_->Set().header.eventDate, DateFromCivil(2026, 12, 8));
  EXPECT_EQ(app_->Fields().eventDate, DateFromCivil(2026, 12, 8));
}

}  // namespace
}  // namespace tarrow
