// App's flow commands as both front ends call them: the verdict (done,
// needs the word, refused), what the set in hand is after each, and the
// files on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/app.h"
#include "app/exports.h"
#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "core/temp_folder_for_test.h"
#include "core/write_permit_for_test.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

class AppFlowTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    app_ = std::make_unique<App>(executor_, folder_ / "config" / "Tarrow.ini");
    app_->SetWritePdf(false);
  }

  // A set of ours at `path`, dealt from `seed` and saved by another App.
  void SaveSetOfSeed(const fs::path& path, std::string_view seed) {
    QueueExecutor executor;
    App other(executor, folder_ / "config" / "Tarrow.ini");
    other.SetWritePdf(false);
    ASSERT_TRUE(other.Deal(seed, path, Word::kGiven).done());
    ASSERT_TRUE(other.SaveFile().ok());
  }

  QueueExecutor executor_;
  std::unique_ptr<App> app_;
};

TEST_F(AppFlowTest, ADealOverAFileOfAnotherProgramNeedsTheWord) {
  const fs::path pbn = folder_ / "club.pbn";
  const std::string theirs = "% written by hand\r\n[Board \"1\"]\r\n";
  ASSERT_TRUE(testing::WriteTestFile(pbn, theirs).ok());

  const std::uint64_t before = app_->SetIdentity();
  const Verdict asked = app_->Deal("abc", pbn, Word::kNotGiven);
  ASSERT_TRUE(asked.needsWord()) << asked.message;
  EXPECT_NE(asked.message.find("club.pbn"), std::string::npos) << asked.message;
  EXPECT_EQ(asked.question, "Replace it with the set of this seed?");
  EXPECT_FALSE(app_->HasReadySet()) << "nothing is dealt without the word";
  EXPECT_EQ(app_->SetIdentity(), before);
  EXPECT_EQ(*ReadWholeFile(pbn), theirs);

  const Verdict given = app_->Deal("abc", pbn, Word::kGiven);
  ASSERT_TRUE(given.done()) << given.message;
  EXPECT_TRUE(app_->HasReadySet());
  EXPECT_NE(app_->SetIdentity(), before);
  EXPECT_EQ(app_->Set().header.seed.str(), "abc");
  ASSERT_TRUE(app_->SaveFile().ok()) << "the word holds for the set's first write";
  EXPECT_NE(*ReadWholeFile(pbn), theirs);
}

TEST_F(AppFlowTest, TheWordOfTheDialogThatNamedTheFileHoldsForTheNextDeal) {
  const fs::path pbn = folder_ / "club.pbn";
  SaveSetOfSeed(pbn, "Monday");
  app_->NameSetFile(pbn);
  EXPECT_TRUE(app_->Deal("Tuesday", pbn, Word::kNotGiven).needsWord())
      << "another set is in the way";

  app_->NameSetFile(pbn, Word::kGiven);
  EXPECT_TRUE(app_->Deal("Tuesday", pbn, Word::kNotGiven).done());
  // The word was used up by that deal.
  EXPECT_TRUE(app_->Deal("Wednesday", pbn, Word::kNotGiven).needsWord());

  // Naming another file forgets it.
  app_->NameSetFile(pbn, Word::kGiven);
  app_->NameSetFile(folder_ / "other.pbn");
  EXPECT_TRUE(app_->Deal("Thursday", pbn, Word::kNotGiven).needsWord());
}

TEST_F(AppFlowTest, ARefusedPathLeavesTheSetAndTheFileAsTheyWere) {
  const fs::path pbn = folder_ / "club.pbn";
  ASSERT_TRUE(app_->Deal("abc", pbn, Word::kNotGiven).done());
  const DealSet before = app_->Set();
  const std::uint64_t identity = app_->SetIdentity();

  fs::create_directories(folder_ / "a folder.pbn");
  for (const fs::path& refused : {folder_ / "a folder.pbn", folder_ / "missing" / "club.pbn"}) {
    SCOPED_TRACE(refused.string());
    const Verdict verdict = app_->Deal("xyz", refused, Word::kGiven);
    ASSERT_TRUE(verdict.refused());
    EXPECT_NE(verdict.message.find(refused.parent_path().filename().string()), std::string::npos)
        << verdict.message;
    EXPECT_EQ(SerializeForDigest(app_->Set()), SerializeForDigest(before));
    EXPECT_EQ(app_->SetIdentity(), identity);
  }
  // A seed that cannot be used is refused before anything is looked at.
  const Verdict badSeed = app_->Deal("a\tb", pbn, Word::kGiven);
  EXPECT_TRUE(badSeed.refused());
  EXPECT_FALSE(badSeed.message.empty());
  EXPECT_EQ(SerializeForDigest(app_->Set()), SerializeForDigest(before));
}

TEST_F(AppFlowTest, ALoadOfADamagedFileLeavesTheSetInMemoryAsItWas) {
  const fs::path pbn = folder_ / "club.pbn";
  ASSERT_TRUE(app_->Deal("abc", pbn, Word::kNotGiven).done());
  ASSERT_TRUE(app_->SaveFile().ok());
  const DealSet before = app_->Set();
  const std::uint64_t identity = app_->SetIdentity();
  const std::string junk(3000, '\x9C');
  ASSERT_TRUE(testing::WriteTestFile(folder_ / "junk.pbn", junk).ok());

  const Verdict verdict = app_->Load(folder_ / "junk.pbn", "", Word::kGiven);
  ASSERT_TRUE(verdict.refused());
  EXPECT_NE(verdict.message.find("junk.pbn"), std::string::npos) << verdict.message;
  EXPECT_EQ(SerializeForDigest(app_->Set()), SerializeForDigest(before));
  EXPECT_EQ(app_->SetIdentity(), identity);
  EXPECT_EQ(app_->PbnPath(), pbn);
  EXPECT_TRUE(app_->HasReadySet());
  EXPECT_EQ(*ReadWholeFile(folder_ / "junk.pbn"), junk);

  // A file of another kind sets the set in hand aside, and keeps it too.
  ASSERT_TRUE(testing::WriteTestFile(folder_ / "set.txt", "abc\r\n").ok());
  EXPECT_TRUE(app_->Load(folder_ / "set.txt", "", Word::kGiven).refused());
  EXPECT_FALSE(app_->HasReadySet());
  EXPECT_EQ(SerializeForDigest(app_->Set()), SerializeForDigest(before));
}

TEST_F(AppFlowTest, AnImportWhosePbnIsAnotherSetAsksThenReplacesOrGoesBeside) {
  // Machine.bri's set goes to Machine.pbn, which holds another set.
  const fs::path bri = folder_ / "Machine.bri";
  ASSERT_TRUE(app_->Deal("abc", folder_ / "first.pbn", Word::kNotGiven).done());
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kBri, bri, 36).ok());
  SaveSetOfSeed(folder_ / "Machine.pbn", "Monday");
  const std::string monday = *ReadWholeFile(folder_ / "Machine.pbn");

  const std::uint64_t before = app_->SetIdentity();
  Verdict verdict = app_->Load(bri, "", Word::kNotGiven);
  ASSERT_TRUE(verdict.needsWord()) << verdict.message;
  EXPECT_EQ(verdict.question, "Replace it with the set just loaded?");
  EXPECT_NE(app_->SetIdentity(), before) << "the set is loaded while the question is asked";

  // No: the set goes beside, and the user is told where.
  verdict = app_->KeepLoadedSetBeside();
  ASSERT_TRUE(verdict.done()) << verdict.message;
  EXPECT_EQ(app_->PbnPath(), folder_ / "Machine.tarrow.pbn");
  ASSERT_FALSE(app_->LoadWarnings().empty());
  EXPECT_EQ(app_->LoadWarnings().back(),
            "The set will be saved as " + (folder_ / "Machine.tarrow.pbn").string() + ".");
  ASSERT_TRUE(app_->SaveFile().ok());
  EXPECT_EQ(*ReadWholeFile(folder_ / "Machine.pbn"), monday);

  // Yes: the set replaces it.
  verdict = app_->Load(bri, "", Word::kGiven);
  ASSERT_TRUE(verdict.done()) << verdict.message;
  EXPECT_EQ(app_->PbnPath(), folder_ / "Machine.pbn");
  ASSERT_TRUE(app_->SaveFile().ok());
  EXPECT_NE(*ReadWholeFile(folder_ / "Machine.pbn"), monday);
}

TEST_F(AppFlowTest, SheetsAsPdfGoBesideTheSetAndAskBeforeAFileOfAnotherProgram) {
  ASSERT_TRUE(app_->Deal("abc", folder_ / "club.pbn", Word::kNotGiven).done());
  const fs::path travelers = app_->SheetsPdfPath(SheetKind::kTravelers);
  EXPECT_EQ(travelers, folder_ / "club-travelers.pdf");
  EXPECT_EQ(app_->SheetsPdfPath(SheetKind::kSetupSheets), folder_ / "club-setup-sheets.pdf");
  const std::string theirs = "%PDF-1.4 someone else's\n";
  ASSERT_TRUE(testing::WriteTestFile(travelers, theirs).ok());

  const Verdict asked = app_->WriteSheetsPdf(SheetKind::kTravelers, {}, 4, Word::kNotGiven);
  ASSERT_TRUE(asked.needsWord()) << asked.message;
  EXPECT_EQ(asked.question, "Replace it?");
  EXPECT_EQ(*ReadWholeFile(travelers), theirs);
  EXPECT_TRUE(app_->CheckDocument(travelers, ".pdf").needsWord()) << "the same verdict before";

  ASSERT_TRUE(app_->WriteSheetsPdf(SheetKind::kTravelers, {}, 4, Word::kGiven).done());
  EXPECT_EQ(ReadWholeFile(travelers)->rfind("%PDF-", 0), 0u);
  EXPECT_NE(*ReadWholeFile(travelers), theirs);
  // Now it is ours: written again without a word.
  EXPECT_TRUE(app_->WriteSheetsPdf(SheetKind::kTravelers, {}, 4, Word::kNotGiven).done());

  // Never over the set itself, with the word or without.
  ASSERT_TRUE(app_->SaveFile().ok());
  const std::string set = *ReadWholeFile(folder_ / "club.pbn");
  const Verdict overSet =
      app_->WriteSheetsPdf(SheetKind::kSetupSheets, folder_ / "club.pbn", 4, Word::kGiven);
  EXPECT_TRUE(overSet.refused());
  EXPECT_EQ(*ReadWholeFile(folder_ / "club.pbn"), set);
  EXPECT_TRUE(app_->CheckDocument(folder_ / "club.pbn", ".png", Word::kGiven).refused());
}

// Load asks which event when a file holds several; these are the names
// offered, and only then.
TEST_F(AppFlowTest, EventsInNamesTheEventsOfAFileOfSeveralOnly) {
  const fs::path week = folder_ / "week.pbn";
  // Board 1 of each event, dealt differently.
  const auto event = [](std::string name, std::string deal) {
    return "[Event \"" + name + "\"]\r\n[Board \"1\"]\r\n[Dealer \"N\"]\r\n" +
           "[Vulnerable \"None\"]\r\n[Deal \"N:" + deal + "\"]\r\n\r\n";
  };
  const std::string hands = "KQT2.AT.K53.9765 87.95.QJ8764.KQ4 A965.Q764.A9.AJ8 J43.KJ832.T2.T32";
  const std::string turned =
      hands.substr(hands.find(' ') + 1) + " " + hands.substr(0, hands.find(' '));
  ASSERT_TRUE(testing::WriteTestFile(week, event("Monday", hands) + event("Tuesday", turned)).ok());
  EXPECT_EQ(app_->EventsIn(week), (std::vector<std::string>{"Monday", "Tuesday"}));
  ASSERT_TRUE(app_->Load(week, "2", Word::kGiven).done());
  EXPECT_EQ(app_->Set().header.event.str(), "Tuesday");

  // One event, another kind of file, a damaged or missing file: nothing to choose.
  const fs::path club = folder_ / "club.pbn";
  SaveSetOfSeed(club, "Monday");
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kBri, folder_ / "week.bri", 1).ok());
  ASSERT_TRUE(testing::WriteTestFile(folder_ / "junk.pbn", std::string(3000, '\x9C')).ok());
  for (const fs::path& file :
       {club, folder_ / "week.bri", folder_ / "junk.pbn", folder_ / "missing.pbn"}) {
    EXPECT_TRUE(app_->EventsIn(file).empty()) << file;
  }
}

// The file the program was started with, read again on coming back to the
// window: only when another program changed it, and never over a set the
// operator has moved on to.
TEST_F(AppFlowTest, ReloadIfChangedReadsOnlyAChangeFromOutsideAndKeepsTheSetOnFailure) {
  const fs::path pbn = folder_ / "club.pbn";
  SaveSetOfSeed(pbn, "Monday");
  EXPECT_FALSE(*app_->ReloadIfChanged(folder_ / "missing.pbn"));
  Result<bool> reloaded = app_->ReloadIfChanged(pbn);
  ASSERT_TRUE(reloaded.ok()) << reloaded.status().message();
  EXPECT_TRUE(*reloaded) << "no set in hand: the file is read";
  EXPECT_EQ(app_->Set().header.seed.str(), "Monday");

  // Unchanged, or changed only by this session's own save: what was typed stays.
  app_->SetDescription("typed");
  EXPECT_FALSE(*app_->ReloadIfChanged(pbn));
  ASSERT_TRUE(app_->SaveFile().ok());
  fs::last_write_time(pbn, fs::last_write_time(pbn) + std::chrono::seconds(5));
  app_->SetDescription("typed since the save");
  EXPECT_FALSE(*app_->ReloadIfChanged(pbn));
  EXPECT_EQ(app_->Fields().description, "typed since the save");

  // Another program writes another set there: it is read.
  const fs::path elsewhere = folder_ / "elsewhere.pbn";
  SaveSetOfSeed(elsewhere, "Tuesday");
  ASSERT_TRUE(testing::WriteTestFile(pbn, *ReadWholeFile(elsewhere)).ok());
  fs::last_write_time(pbn, fs::last_write_time(pbn) + std::chrono::seconds(10));
  reloaded = app_->ReloadIfChanged(pbn);
  ASSERT_TRUE(reloaded.ok()) << reloaded.status().message();
  EXPECT_TRUE(*reloaded);
  EXPECT_EQ(app_->Set().header.seed.str(), "Tuesday");
  EXPECT_EQ(app_->PbnPath(), pbn);

  // A damaged file: an error naming it, the set in hand as it was, the file untouched.
  const DealSet before = app_->Set();
  const std::string junk(3000, '\x9C');
  ASSERT_TRUE(testing::WriteTestFile(pbn, junk).ok());
  fs::last_write_time(pbn, fs::last_write_time(pbn) + std::chrono::seconds(15));
  reloaded = app_->ReloadIfChanged(pbn);
  ASSERT_FALSE(reloaded.ok());
  EXPECT_NE(reloaded.status().message().find("club.pbn"), std::string::npos)
      << reloaded.status().message();
  EXPECT_EQ(SerializeForDigest(app_->Set()), SerializeForDigest(before));
  EXPECT_TRUE(app_->HasReadySet());
  EXPECT_EQ(*ReadWholeFile(pbn), junk);

  // The operator moved on to another set: a change to the file is left alone.
  ASSERT_TRUE(app_->Deal("Wednesday", folder_ / "next.pbn", Word::kNotGiven).done());
  ASSERT_TRUE(testing::WriteTestFile(pbn, *ReadWholeFile(elsewhere)).ok());
  fs::last_write_time(pbn, fs::last_write_time(pbn) + std::chrono::seconds(20));
  EXPECT_FALSE(*app_->ReloadIfChanged(pbn));
  EXPECT_EQ(app_->Set().header.seed.str(), "Wednesday");
}

}  // namespace
}  // namespace tarrow
