// The one write gate: every writer refuses a plan that does not pass (a
// file in the way the program did not write, a set under a document's
// name), whose files then stay byte for byte; what the program wrote is
// known by its content, not its name; and no program code writes round
// the gate.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "app/app.h"
#include "app/exports.h"
#include "app/output_plan.h"
#include "app/ownership.h"
#include "app/quick_analysis_host_for_test.h"
#include "core/generation.h"
#include "core/temp_folder_for_test.h"
#include "core/write_permit_for_test.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"
#include "records/pdf_printer.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

constexpr double kMinute = 1.0 / (24 * 60);

std::string Bytes(const fs::path& path) {
  const Result<std::string> bytes = ReadWholeFile(path);
  return bytes.ok() ? *bytes : std::string("<missing>");
}

class WriteGateTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    app_ = std::make_unique<App>(executor_, folder_ / "cfg" / "Tarrow.ini");
  }
  // A set of ours at `path`, dealt from `seed`, and its hand records.
  void Deal(const fs::path& path, const std::string& seed) {
    app_->NameSetFile(path);
    app_->DealFromSeed(seed);
    ASSERT_TRUE(app_->ClaimSetOutputs(false).ok());
    ASSERT_TRUE(app_->SaveFile().ok());
  }
  void Put(const fs::path& path, const std::string& bytes) {
    ASSERT_TRUE(testing::WriteTestFile(path, bytes).ok());
  }

  QueueExecutor executor_;
  std::unique_ptr<App> app_;
};

// Every entry point that writes into a user's folder, each given a file in
// its way that the program did not write: each refuses for want of the
// word, and the file keeps every byte.
TEST_F(WriteGateTest, EveryWriterRefusesAPlanThatDoesNotPass) {
  Deal(folder_ / "s.pbn", "walk");
  const std::string hand = "<html><body>the club's own page</body></html>\n";
  struct Entry {
    const char* name;
    fs::path target;
    std::function<OutputVerdict()> write;
  };
  const std::vector<Entry> entries = {
      {"the set (ClaimSetOutputs and SaveFile)", folder_ / "t.pbn",
       [&] {
         app_->NameSetFile(folder_ / "t.pbn");
         app_->DealFromSeed("other");
         OutputVerdict verdict = app_->ClaimSetOutputs(false);
         const Status saved = app_->SaveFile();
         if (verdict.ok()) verdict.status = saved;
         return verdict;
       }},
      {"hand records beside the set", folder_ / "t.pdf",
       [&] {
         app_->NameSetFile(folder_ / "t2.pbn");
         app_->DealFromSeed("t2");
         std::error_code error;
         fs::copy_file(folder_ / "t.pdf.keep", folder_ / "t2.pdf",
                       fs::copy_options::overwrite_existing, error);
         const OutputVerdict verdict = app_->WriteHandRecords();
         return verdict.ok() || Bytes(folder_ / "t2.pdf") != hand
                    ? OutputVerdict{Status::Error("written"), false}
                    : verdict;
       }},
      {"hand records elsewhere", folder_ / "contract.pdf",
       [&] { return app_->WriteHandRecordsTo(folder_ / "contract.pdf"); }},
      {"a picture", folder_ / "photo.png",
       [&] { return app_->WriteDocument(folder_ / "photo.png", "png", ".png"); }},
      {"a web page", folder_ / "index.html",
       [&] { return WriteHandRecordsHtml(*app_, folder_ / "index.html", HandRecordOptions()); }},
      {"a web page under another name", folder_ / "notes.txt",
       [&] { return WriteHandRecordsHtml(*app_, folder_ / "notes.txt", HandRecordOptions()); }},
      {"an export", folder_ / "s.dup",
       [&] { return ExportDealFile(*app_, DealFileFormat::kDup, folder_ / "s.dup", 36); }},
      {"setup sheets (a printer's PDF)", folder_ / "sheets.pdf",
       [&] { return PassGate(app_->DocumentPlan(folder_ / "sheets.pdf", ".pdf")).verdict; }},
      {"a run", folder_ / "Club" / "Club1.pbn",
       [&] { return MultiSetRun::CheckRun("Club", 2, folder_); }},
  };
  Put(folder_ / "t.pdf.keep", hand);
  fs::create_directories(folder_ / "Club");
  for (const Entry& entry : entries) Put(entry.target, hand);
  for (const Entry& entry : entries) {
    SCOPED_TRACE(entry.name);
    const OutputVerdict verdict = entry.write();
    EXPECT_FALSE(verdict.ok());
    EXPECT_EQ(Bytes(entry.target), hand);
  }

  // The settings file is replaced only while it holds settings.
  Put(folder_ / "cfg" / "Tarrow.ini", hand);
  EXPECT_FALSE(app_->SaveSettings().ok());
  EXPECT_EQ(Bytes(folder_ / "cfg" / "Tarrow.ini"), hand);

  // The word lets each through.
  EXPECT_TRUE(app_->WriteHandRecordsTo(folder_ / "contract.pdf", true).ok());
  EXPECT_TRUE(IsOurDocument(folder_ / "contract.pdf", ".pdf"));
  EXPECT_TRUE(WriteHandRecordsHtml(*app_, folder_ / "index.html", HandRecordOptions(), true).ok());
  EXPECT_TRUE(IsOurDocument(folder_ / "index.html", ".html"));
}

TEST_F(WriteGateTest, AWriterGivesPermitsOnlyForItsPlan) {
  OutputPlan plan;
  plan.outputs.push_back({folder_ / "a.html", OutputKind::kDocument, ".html"});
  const GateResult gate = PassGate(plan);
  ASSERT_TRUE(gate.writer.has_value());
  EXPECT_TRUE(gate.writer->Plans(folder_ / "a.html"));
  EXPECT_FALSE(gate.writer->Plans(folder_ / "b.html"));
  EXPECT_DEATH((void)gate.writer->Permit(folder_ / "b.html"), "");
  Put(folder_ / "b.html", "mine");
  plan.outputs.front().path = folder_ / "b.html";
  EXPECT_FALSE(PassGate(plan).writer.has_value()) << "a refused plan gives no writer";
}

// Finding 11: the hand records' name standing for a set (a link to one, or
// a copy) is refused; the set survives.
TEST_F(WriteGateTest, HandRecordsNeverLandOnASet) {
  Deal(folder_ / "s2.pbn", "second");
  const std::string s2 = Bytes(folder_ / "s2.pbn");
  Deal(folder_ / "s1.pbn", "first");
  fs::remove(folder_ / "s1.pdf");
  fs::create_symlink(folder_ / "s2.pbn", folder_ / "s1.pdf");
  const OutputVerdict linked = app_->WriteHandRecords();
  EXPECT_FALSE(linked.ok());
  EXPECT_FALSE(app_->WriteHandRecords(true).ok()) << "not even with the word";
  EXPECT_EQ(Bytes(folder_ / "s2.pbn"), s2);
  fs::remove(folder_ / "s1.pdf");
  Put(folder_ / "s1.pdf", s2);
  EXPECT_FALSE(app_->WriteHandRecords().ok());
  EXPECT_EQ(Bytes(folder_ / "s1.pdf"), s2);
}

// Findings 3 and 5: an unrelated PDF beside a new set needs the word; a
// PDF of ours there without hand records written is said to be stale.
TEST_F(WriteGateTest, APdfBesideANewSetIsOursOrNeedsTheWord) {
  Put(folder_ / "tuesday.pdf", "%PDF-1.4 the club's minutes");
  app_->NameSetFile(folder_ / "tuesday.pbn");
  app_->DealFromSeed("a");
  const OutputVerdict verdict = app_->ClaimSetOutputs(false);
  EXPECT_TRUE(verdict.needsWord) << verdict.status.message();
  EXPECT_NE(verdict.status.message().find("tuesday.pdf"), std::string::npos);

  Deal(folder_ / "t.pbn", "old");
  const std::string oldPdf = Bytes(folder_ / "t.pdf");
  app_->SetWritePdf(false);
  app_->DealFromSeed("new");
  ASSERT_TRUE(app_->ClaimSetOutputs(true).ok());
  ASSERT_TRUE(app_->SaveFile().ok());
  const std::vector<std::string> notes = app_->TakeNotes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("t.pdf is out of date"), std::string::npos) << notes[0];
}

// Finding 4: another program's set is never rewritten in place, even with
// only the tags this program knows.
TEST_F(WriteGateTest, AnotherProgramsSetStaysAsItIs) {
  DealSet set;
  GenerateSet(set, "theirs", DateTimeFromCivil({2026, 1, 2, 3, 4, 5}));
  ASSERT_TRUE(WritePbnFile(set, testing::PermitFor(folder_ / "x.pbn"), "pc").ok());
  std::string text = Bytes(folder_ / "x.pbn");
  const size_t at = text.find("Tarrow ");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, text.find('"', at) - at, "OtherDealer 2.0 seed 8823492");
  Put(folder_ / "x.pbn", text);
  EXPECT_FALSE(IsOurSet(folder_ / "x.pbn"));
  ASSERT_TRUE(app_->OpenFile(folder_ / "x.pbn").ok());
  EXPECT_EQ(app_->PbnPath(), folder_ / "x.tarrow.pbn");
  ASSERT_TRUE(app_->ClaimSetOutputs(false).ok());
  ASSERT_TRUE(app_->ForcePbnWrite().ok());
  EXPECT_EQ(Bytes(folder_ / "x.pbn"), text);
  EXPECT_TRUE(IsOurSet(folder_ / "x.tarrow.pbn"));
  // Pointed back at it, the set still needs the word.
  app_->SetPbnPath(folder_ / "x.pbn");
  const OutputVerdict over = app_->ClaimSetOutputs(false);
  EXPECT_TRUE(over.needsWord);
  EXPECT_NE(over.status.message().find("OtherDealer"), std::string::npos) << over.status.message();
}

TEST_F(WriteGateTest, OwnershipIsReadFromTheContentNeverTheName) {
  Deal(folder_ / "s.pbn", "own");
  EXPECT_TRUE(IsOurSet(folder_ / "s.pbn"));
  EXPECT_TRUE(IsOurDocument(folder_ / "s.pdf", ".pdf"));
  ASSERT_TRUE(WriteHandRecordsHtml(*app_, folder_ / "s.html", HandRecordOptions()).ok());
  EXPECT_TRUE(IsOurDocument(folder_ / "s.html", ".html"));
  EXPECT_FALSE(IsOurDocument(folder_ / "s.html", ".pdf"));
  EXPECT_FALSE(IsOurDocument(folder_ / "s.pdf", ".html"));
  Put(folder_ / "other.pdf", "%PDF-1.4\n/Producer (Some Other Writer)\n");
  EXPECT_FALSE(IsOurDocument(folder_ / "other.pdf", ".pdf"));
  Put(folder_ / "hand.html", "<meta name=\"generator\" content=\"Frontpage\">");
  EXPECT_FALSE(IsOurDocument(folder_ / "hand.html", ".html"));
  Put(folder_ / "photo.png", std::string("\x89PNG\r\n\x1a\n", 8) + "camera");
  EXPECT_FALSE(IsOurDocument(folder_ / "photo.png", ".png"));

  // An export of the same set, of any range, is ours; other deals are not.
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kBri, folder_ / "s.bri", 24).ok());
  EXPECT_TRUE(ExportDealFile(*app_, DealFileFormat::kBri, folder_ / "s.bri", 36).ok());
  app_->DealFromSeed("another");
  EXPECT_TRUE(ExportDealFile(*app_, DealFileFormat::kBri, folder_ / "s.bri", 36).needsWord);
}

// Finding 1: a run replaces only what an earlier run's log names and is
// still what it wrote; every other file is kept.
TEST_F(WriteGateTest, ARunReplacesOnlyTheFilesItsLogNames) {
  App app(executor_, folder_ / "none" / "Tarrow.ini", SettingsFileUse::kReadOnly);
  app.SetWritePdf(false);
  testing::QuickAnalysisHost host(app);
  MultiSetRun run(host);
  DateTime now = DateTimeFromCivil({2026, 12, 7, 18, 0, 0});
  run.clock = [&] { return now; };
  const auto finish = [&] {
    while (run.Busy()) {
      now += kMinute;
      ASSERT_TRUE(run.Step().ok());
    }
  };
  ASSERT_TRUE(run.Start("Club", 3, folder_).ok());
  finish();
  const fs::path dir = folder_ / "Club";
  ASSERT_TRUE(IsRunFile(dir / "Club3.pbn", FilesNamedInRunLog(dir / "Club.log", "Club")));

  // Files no run of this name wrote, beside it: by hand, write-protected,
  // names no run makes.
  DealSet hand;
  GenerateSet(hand, "by hand", 1.0);
  for (const char* name : {"Club7.pbn", "Club0.pbn", "Club01.pbn", "Club101.pbn", "Club5.pbn"}) {
    ASSERT_TRUE(WritePbnFile(hand, testing::PermitFor(dir / name), "pc").ok());
  }
  ::chmod((dir / "Club5.pbn").c_str(), 0444);
  std::map<std::string, std::string> before;
  for (const char* name : {"Club7.pbn", "Club0.pbn", "Club01.pbn", "Club101.pbn", "Club5.pbn"}) {
    before[name] = Bytes(dir / name);
  }
  bool needsWord = false;
  EXPECT_FALSE(run.Start("Club", 2, folder_, false, &needsWord).ok());
  EXPECT_TRUE(needsWord);
  ASSERT_TRUE(run.Start("Club", 2, folder_, true).ok());
  finish();
  EXPECT_FALSE(fs::exists(dir / "Club3.pbn")) << "the earlier run's third set is gone";
  for (const auto& [name, bytes] : before) EXPECT_EQ(Bytes(dir / name), bytes) << name;
  EXPECT_EQ(run.KeptFiles().size(), before.size());

  // A file the log names that has changed since is kept, and stops the run.
  const std::string changed = "[Event \"edited by hand\"]\r\n";
  Put(dir / "Club2.pbn", changed);
  EXPECT_FALSE(run.Start("Club", 2, folder_, true).ok());
  EXPECT_EQ(Bytes(dir / "Club2.pbn"), changed);
  EXPECT_TRUE(fs::exists(dir / "Club1.pbn"));
}

// No program code writes round the gate: the calls that make, replace or
// remove files appear only where the gate and its permits are.
TEST(WriteGateSourceTest, NoProgramCodeWritesRoundTheGate) {
  const fs::path root = TARROW_SOURCE_DIR;
  const std::regex writes(
      R"(std::ofstream|fopen\(|O_WRONLY|O_CREAT|rename\(|filesystem::remove|fs::remove|::unlink|::link\(|\.save\([^)&]|WritePermitForTest|QFile::remove|QFile::rename)");
  // Where such calls belong: the atomic write, the lock and the probe; the
  // settings' keeping a damaged file aside (with a permit); the print
  // system's file (judged by the gate before printing); two build tools
  // writing into the folder named on their command line.
  const std::vector<std::string> allowed = {"core/atomic_file.cpp", "core/atomic_file.h",
                                            "files/settings.cpp",   "printing/qt_printer.cpp",
                                            "ui/make_icon.cpp",     "ui/screenshots.cpp"};
  std::vector<std::string> found;
  for (const char* module : {"analysis", "app", "cli", "core", "files", "pdf", "picture",
                             "printing", "records", "scoring", "ui", "web"}) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / module)) {
      const std::string name = fs::relative(entry.path(), root).string();
      const std::string ext = entry.path().extension().string();
      if ((ext != ".cpp" && ext != ".h") || name.find("_test.cpp") != std::string::npos ||
          name.find("for_test.h") != std::string::npos ||
          name.find("test_support.h") != std::string::npos ||
          name.find("/fuzz/") != std::string::npos ||
          std::find(allowed.begin(), allowed.end(), name) != allowed.end()) {
        continue;
      }
      std::istringstream lines(Bytes(entry.path()));
      int number = 0;
      for (std::string line; std::getline(lines, line);) {
        ++number;
        const size_t code = line.find_first_not_of(' ');
        if (code != std::string::npos && line.compare(code, 2, "//") == 0) continue;
        if (std::regex_search(line, writes)) found.push_back(name + ":" + std::to_string(number));
      }
    }
  }
  EXPECT_TRUE(found.empty()) << "writes round the gate: " << ::testing::PrintToString(found);
}

}  // namespace
}  // namespace tarrow
