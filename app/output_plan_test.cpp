// The director's slips the output check must catch before any work starts.
#include "app/output_plan.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "app/app.h"
#include "app/multi_run.h"
#include "core/atomic_file.h"
#include "core/generation.h"
#include "core/temp_folder_for_test.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"
#include "files/settings.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

DealSet Dealt(std::string_view seed) {
  DealSet set;
  GenerateSet(set, seed, 0);
  return set;
}

class OutputPlanTest : public testing::TempFolderTest {
 protected:
  fs::path WriteSet(const fs::path& path, std::string_view seed) {
    DealSet set = Dealt(seed);
    EXPECT_TRUE(WritePbnFile(set, testing::PermitFor(path), "pc").ok());
    return path;
  }
};

TEST_F(OutputPlanTest, RefusesOutputsThatLandOnTheUsersOwnFiles) {
  const fs::path set = WriteSet(folder_ / "s.pbn", "a");
  fs::create_symlink("s.pbn", folder_ / "link.pbn");
  fs::create_directories(folder_ / "sub");
  fs::create_directories(folder_ / "folder.pdf");
  ASSERT_EQ(::mkfifo((folder_ / "fifo.pdf").c_str(), 0644), 0);
  const DealSet dealt = Dealt("a");
  struct Row {
    const char* slip;
    OutputPlan plan;
    const char* says;
  };
  const std::vector<Row> rows = {
      {"pdf over its own set", {{{set}}, {{set, OutputKind::kDocument}}}, "being read"},
      {"through a link", {{{set}}, {{folder_ / "link.pbn", OutputKind::kDocument}}}, "being read"},
      {"through ..",
       {{{set}}, {{folder_ / "sub" / ".." / "s.pbn", OutputKind::kDocument}}},
       "being read"},
      {"set and PDF on one path",
       {{},
        {{folder_ / "x.pdf", OutputKind::kSet}, {folder_ / "x.pdf", OutputKind::kDocument}},
        &dealt},
       "both go there"},
      {"a folder", {{}, {{folder_ / "folder.pdf", OutputKind::kDocument}}}, "names a folder"},
      {"a FIFO", {{}, {{folder_ / "fifo.pdf", OutputKind::kDocument}}}, "not a regular file"},
      {"a document over another set", {{}, {{set, OutputKind::kDocument}}}, "holds a set"},
      {"a missing folder",
       {{}, {{folder_ / "no" / "x.pdf", OutputKind::kDocument}}},
       "does not exist"},
      {"a name too long",
       {{}, {{folder_ / (std::string(250, 'n') + ".pdf"), OutputKind::kDocument}}},
       "too long"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.slip);
    const OutputVerdict verdict = CheckOutputs(row.plan);
    ASSERT_FALSE(verdict.ok());
    EXPECT_FALSE(verdict.needsWord);
    EXPECT_NE(verdict.status.message().find(row.says), std::string::npos)
        << verdict.status.message();
  }
  EXPECT_EQ(*ReadWholeFile(set), PbnText(Dealt("a"), "pc")) << "nothing was written";
}

TEST_F(OutputPlanTest, AnotherSetOrLostResultsNeedTheUsersWordTheSameSetDoesNot) {
  const fs::path path = WriteSet(folder_ / "s.pbn", "a");
  const auto check = [&](const DealSet& set, bool word) {
    OutputPlan plan;
    plan.inputs = {{path, InputRole::kSetSource}};
    plan.outputs = {{path, OutputKind::kSet}};
    plan.newSet = &set;
    plan.replaceAllowed = word;
    return CheckOutputs(plan);
  };
  DealSet same = Dealt("a");
  EXPECT_TRUE(check(same, false).ok()) << "saving the same set again is what saving is";
  const OutputVerdict other = check(Dealt("b"), false);
  EXPECT_TRUE(other.needsWord);
  EXPECT_NE(other.status.message().find("another set (seed \"a\")"), std::string::npos)
      << other.status.message();
  EXPECT_TRUE(check(Dealt("b"), true).ok());

  // Results on disk that the new set lacks (the same seed dealt afresh).
  same.Board(3).doneMask = {kAllStrainsDone, 0};
  ASSERT_TRUE(WritePbnFile(same, testing::PermitFor(path), "pc").ok());
  const OutputVerdict fresh = check(Dealt("a"), false);
  EXPECT_TRUE(fresh.needsWord);
  EXPECT_NE(fresh.status.message().find("results"), std::string::npos);
  same.Board(4).doneMask = {1, 0};
  EXPECT_TRUE(check(same, false).ok()) << "more results than the file is no loss";

  std::ofstream(folder_ / "notes.pbn") << "my own notes, not a set\n";
  const DealSet any = Dealt("a");
  OutputPlan plan;
  plan.outputs = {{folder_ / "notes.pbn", OutputKind::kSet}};
  plan.newSet = &any;
  EXPECT_TRUE(CheckOutputs(plan).needsWord);
}

TEST_F(OutputPlanTest, AWriteProtectedSetIsRespectedEvenByRoot) {
  const fs::path path = WriteSet(folder_ / "s.pbn", "a");
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  DealSet same = Dealt("a");
  const Status written = WritePbnFile(same, testing::PermitFor(path), "pc");
  ASSERT_FALSE(written.ok());
  EXPECT_NE(written.message().find("write-protected"), std::string::npos) << written.message();
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(OutputPlanTest, ALockBesideASetRefusesASecondWriter) {
  const fs::path path = folder_ / "s.pbn";
  Result<FileLock> first = FileLock::Acquire(path);
  ASSERT_TRUE(first.ok()) << first.message();
  const Result<FileLock> second = FileLock::Acquire(folder_ / "." / "s.pbn");
  ASSERT_FALSE(second.ok());
  EXPECT_NE(second.message().find("another Tarrow"), std::string::npos) << second.message();
  first->Release();
  EXPECT_TRUE(FileLock::Acquire(path).ok()) << "free again once let go";
  EXPECT_FALSE(fs::exists(folder_ / ".s.pbn.lock")) << "the lock file goes with the lock";

  // Two apps on one set file: the second cannot save over the first.
  QueueExecutor executor;
  App one(executor, folder_ / "config" / "Tarrow.ini");
  App two(executor, folder_ / "config" / "Tarrow.ini");
  for (App* app : {&one, &two}) {
    app->SetWritePdf(false);
    app->NameSetFile(path);
  }
  one.DealFromSeed("a");
  ASSERT_TRUE(one.ClaimSetOutputs(false).ok());
  two.DealFromSeed("b");
  const OutputVerdict refused = two.ClaimSetOutputs(true);
  EXPECT_FALSE(refused.ok());
  EXPECT_FALSE(two.SaveFile().ok());
  EXPECT_TRUE(one.SaveFile().ok());
  EXPECT_EQ(ReadPbnFile(path)->header.seed.str(), "a");
}

TEST_F(OutputPlanTest, ALongNameGetsATemporaryFileThatFits) {
  // 249 bytes: the longest name a set may have; its temporary name is cut.
  const fs::path path = folder_ / (std::string(245, 'n') + ".pbn");
  ASSERT_TRUE(testing::WriteTestFile(path, "x").ok());
  ASSERT_TRUE(testing::WriteTestFile(path, "y").ok());
  EXPECT_EQ(*ReadWholeFile(path), "y");
  EXPECT_TRUE(FileLock::Acquire(path).ok());
}

// Every writer on a full and on a read-only file system: the earlier file
// stays whole and the message names it.  Needs the right to mount a tmpfs.
class FullDiskTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    disk_ = folder_ / "disk";
    fs::create_directories(disk_);
    if (::mount("tarrow", disk_.c_str(), "tmpfs", 0, "size=4m") != 0) {
      GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno)
                   << "); the full-disk cases need root in a machine that allows mounts";
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) ::umount2(disk_.c_str(), MNT_DETACH);
    TempFolderTest::TearDown();
  }
  void Fill() {
    std::ofstream filler(disk_ / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), block.size())) {
    }
  }
  void MakeReadOnly() {
    ASSERT_EQ(::mount(nullptr, disk_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
        << std::strerror(errno);
  }
  fs::path disk_;
  bool mounted_ = false;
};

TEST_F(FullDiskTest, EveryWriterKeepsTheEarlierFileAndNamesIt) {
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "full");
    if (readOnly) {
      ::umount2(disk_.c_str(), MNT_DETACH);
      ASSERT_EQ(::mount("tarrow", disk_.c_str(), "tmpfs", 0, "size=4m"), 0);
    }
    const fs::path pbn = disk_ / "s.pbn";
    QueueExecutor executor;
    {
      App writer(executor, disk_ / "Tarrow.ini");
      writer.NameSetFile(pbn);
      writer.DealFromSeed("a");
      ASSERT_TRUE(writer.ClaimSetOutputs(false).ok());
      ASSERT_TRUE(writer.SaveFile().ok());
    }  // lets go of the set's lock, so the file system can turn read-only
    const std::string pbnBefore = *ReadWholeFile(pbn);
    const std::string pdfBefore = *ReadWholeFile(disk_ / "s.pdf");
    const std::string iniBefore = *ReadWholeFile(disk_ / "Tarrow.ini");
    if (readOnly) {
      MakeReadOnly();
    } else {
      Fill();
    }
    App app(executor, disk_ / "Tarrow.ini");
    ASSERT_TRUE(app.OpenFile(pbn).ok());
    app.MutableSetForTest().Board(1).doneMask = {1, 1};
    EXPECT_FALSE(app.ClaimSetOutputs(false).ok()) << "found before the work starts";
    const Status saved = app.SaveFile();
    ASSERT_FALSE(saved.ok());
    EXPECT_NE(saved.message().find("s.pbn"), std::string::npos) << saved.message();
    const Status pdf = app.WriteHandRecords().status;
    EXPECT_NE(pdf.message().find("s.pdf"), std::string::npos) << pdf.message();
    const Status ini = app.SaveSettings();
    EXPECT_NE(ini.message().find("Tarrow.ini"), std::string::npos) << ini.message();
    const Status png = app.WriteDocument(disk_ / "b.png", std::string(8192, 'p'), ".png").status;
    EXPECT_NE(png.message().find("b.png"), std::string::npos) << png.message();
    EXPECT_FALSE(MultiSetRun::CheckRun("Club", 2, disk_).ok());
    EXPECT_EQ(*ReadWholeFile(pbn), pbnBefore);
    EXPECT_EQ(*ReadWholeFile(disk_ / "s.pdf"), pdfBefore);
    EXPECT_EQ(*ReadWholeFile(disk_ / "Tarrow.ini"), iniBefore);
    EXPECT_FALSE(fs::exists(disk_ / "b.png"));
  }
}

}  // namespace
}  // namespace tarrow
