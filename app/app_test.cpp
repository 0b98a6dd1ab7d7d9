#include "app/app.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "core/temp_folder_for_test.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

class AppTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    app_.writePdf = false;
  }

  // The file's inode changes with every write, since each write renames a
  // new file over the old one.
  ino_t Inode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
  }

  QueueExecutor executor_;
  App app_{executor_};
};

TEST_F(AppTest, DealingGivesTheSeedsBoardsWithoutAnalysis) {
  app_.SetSetFilePath(folder_ / "club.pbn");
  EXPECT_FALSE(app_.SetReady());
  app_.Set().Board(4).doneMask = {3, 3};
  const DateTime before = DateTimeNow();
  app_.Deal("abc");
  EXPECT_TRUE(app_.SetReady());
  EXPECT_EQ(DealNumberHexText(app_.Set().Board(1).number), "48DB1DE1 5ED13920 FC4FE771");
  EXPECT_EQ(app_.Set().Board(4).doneMask[0], 0);
  EXPECT_GE(app_.Set().header.generationTime, before - 1e-6);
  EXPECT_EQ(app_.Set().header.seed.str(), "abc");
  EXPECT_EQ(app_.PbnPath(), folder_ / "club.pbn");
  EXPECT_EQ(app_.PdfPath(), folder_ / "club.pdf");
}

TEST_F(AppTest, SaveFileWritesOnlyWhenTheSetChanged) {
  const fs::path pbn = folder_ / "club.pbn";
  app_.SetSetFilePath(pbn);
  app_.Deal("abc");
  ASSERT_TRUE(app_.SaveFile().ok());
  const ino_t first = Inode(pbn);
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(app_.SaveFile().ok());
  EXPECT_EQ(Inode(pbn), first) << "nothing changed, nothing written";

  app_.fields.event = "Tuesday Pairs";
  ASSERT_TRUE(app_.SaveFile().ok());
  const ino_t second = Inode(pbn);
  EXPECT_NE(second, first);
  EXPECT_NE(ReadWholeFile(pbn)->find("[Event \"Tuesday Pairs\"]"), std::string::npos);

  app_.Set().Board(3).table[0] = 9;
  app_.Set().Board(3).doneMask[0] = 1;
  ASSERT_TRUE(app_.SaveFile().ok());
  EXPECT_NE(Inode(pbn), second);

  const ino_t third = Inode(pbn);
  ASSERT_TRUE(app_.ForcePbnWrite().ok());
  EXPECT_NE(Inode(pbn), third) << "a forced write always writes";
}

TEST_F(AppTest, AFailedSaveIsReportedAndTriedAgain) {
  // A folder standing where the file should go makes every write fail.
  const fs::path pbn = folder_ / "blocked.pbn";
  fs::create_directories(pbn / "inside");
  app_.SetSetFilePath(pbn);
  app_.Deal("abc");
  const Status failed = app_.SaveFile();
  ASSERT_FALSE(failed.ok());
  EXPECT_NE(failed.message().find("blocked.pbn"), std::string::npos) << failed.message();
  EXPECT_TRUE(SetChangedSinceSave(app_.Set())) << "a failed write does not count as saved";
  fs::remove_all(pbn);
  EXPECT_TRUE(app_.SaveFile().ok());
  EXPECT_TRUE(fs::is_regular_file(pbn));
}

TEST_F(AppTest, RepeatDoubleDummyForgetsEveryDoneMask) {
  app_.Set().Board(7).doneMask = {31, 31};
  app_.Set().Board(36).doneMask = {1, 0};
  app_.RepeatDoubleDummy();
  for (const BoardEntry& entry : app_.Set().boards) {
    EXPECT_EQ(entry.doneMask[0] + entry.doneMask[1], 0);
  }
}

TEST_F(AppTest, DealingAgainStopsTheRunningAnalysisFirst) {
  app_.SetSetFilePath(folder_ / "club.pbn");
  app_.Deal("first set");
  ASSERT_TRUE(app_.StartAnalysis().ok());
  EXPECT_TRUE(app_.AnalysisRunning());
  app_.Deal("second set");
  EXPECT_FALSE(app_.AnalysisRunning());
  EXPECT_FALSE(app_.Runner().AnyWorkerAlive());
  for (const BoardEntry& entry : app_.Set().boards) {
    EXPECT_EQ(entry.doneMask[0] + entry.doneMask[1], 0) << "no result of the old set landed";
  }
}

}  // namespace
}  // namespace tarrow
