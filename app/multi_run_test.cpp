#include "app/multi_run.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "app/app.h"
#include "app/quick_analysis_host_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "files/pbn_reader.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

constexpr double kMinute = 1.0 / (24 * 60);

using testing::QuickAnalysisHost;

std::vector<std::string> LogLines(const fs::path& log) {
  const Result<std::string> text = ReadWholeFile(log);
  EXPECT_TRUE(text.ok()) << text.message();
  std::vector<std::string> lines;
  if (!text.ok()) return lines;
  std::istringstream in(*text);
  for (std::string line; std::getline(in, line);) {
    EXPECT_FALSE(line.empty() || line.back() != '\r') << "lines end with CR LF: " << line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class MultiSetRunTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    app_.SetWritePdf(false);
    run_.clock = [this] { return now_; };
  }

  // Steps until the run is idle again; returns the number of steps.
  int StepToIdle() {
    int steps = 0;
    while (run_.Busy() && steps < 1000) {
      now_ += kMinute;
      const Status s = run_.Step();
      EXPECT_TRUE(s.ok()) << s.message();
      ++steps;
    }
    return steps;
  }

  QueueExecutor executor_;
  // Settings of its own, only read: the defaults.
  App app_{executor_, fs::temp_directory_path() / "tarrow-multi-run-test-none" / "Tarrow.ini",
           SettingsFileUse::kReadOnly};
  QuickAnalysisHost host_{app_};
  MultiSetRun run_{host_};
  DateTime now_ = DateTimeFromCivil({2026, 12, 7, 18, 0, 0});
};

TEST_F(MultiSetRunTest, TwoSetsNamedClubWriteClub1AndClub2AndTheLogInOrder) {
  app_.SetWritePdf(true);
  app_.SetEventName("Tuesday Pairs");
  app_.MutableSetForTest().header.generationTime = 1234.5;
  ASSERT_TRUE(run_.Start("Club", 2, folder_).ok());
  EXPECT_EQ(run_.state(), MultiSetRun::State::kNextSet);
  // Start, finish, start, finish, stop, and the one that finds all done.
  EXPECT_EQ(StepToIdle(), 6);
  EXPECT_FALSE(run_.Busy());
  EXPECT_EQ(run_.SetCounter(), 2);

  const fs::path dir = folder_ / "Club";
  for (const char* name : {"Club1.pbn", "Club2.pbn", "Club1.pdf", "Club2.pdf"}) {
    EXPECT_TRUE(fs::is_regular_file(dir / name)) << name;
  }
  EXPECT_FALSE(fs::exists(dir / "Club3.pbn"));
  const Result<DealSet> second = ReadPbnFile(dir / "Club2.pbn");
  ASSERT_TRUE(second.ok()) << second.message();
  EXPECT_EQ(second->header.seed.str(), "2026-12-07 18:03:00 Club");
  EXPECT_EQ(second->header.event.str(), "Tuesday Pairs");
  EXPECT_EQ(second->Board(36).doneMask[1], kAllStrainsDone) << "written again with the results";
  EXPECT_DOUBLE_EQ(app_.Set().header.generationTime, 1234.5) << "a run keeps the generation time";

  const std::vector<std::string> lines = LogLines(dir / "Club.log");
  const std::vector<std::string> expected = {
      "Start: 2026-12-07 18:00:00",
      " Set:Club   2 Deal Sets Requested.",
      "Saved in: " + dir.string(),
      "Set #1 Started at: 2026-12-07 18:01:00",
      "Club1.pbn 1.00 m Seed:2026-12-07 18:01:00 Club",
      "Set #2 Started at: 2026-12-07 18:03:00",
      "Club2.pbn 1.00 m Seed:2026-12-07 18:03:00 Club",
      "Stop: 2026-12-07 18:06:00  Elapsed= 6.00 m",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(MultiSetRunTest, AHaltedRunLogsTheStopAndNoFinishedLineForTheSetInHand) {
  host_.keepRunning = true;
  ASSERT_TRUE(run_.Start("Club", 3, folder_).ok());
  now_ += kMinute;
  ASSERT_TRUE(run_.Step().ok());
  EXPECT_EQ(run_.state(), MultiSetRun::State::kWaiting);
  now_ += 44 * kMinute;
  ASSERT_TRUE(run_.Step().ok());
  EXPECT_EQ(run_.SetTimeText(), "44.00 m");
  EXPECT_EQ(run_.RunTimeText(), "45.00 m");
  ASSERT_TRUE(run_.Halt().ok());
  EXPECT_EQ(run_.state(), MultiSetRun::State::kStopping);
  EXPECT_FALSE(host_.AnalysisRunning()) << "the halt stops the analysis";
  now_ += 45 * kMinute;
  ASSERT_TRUE(run_.Step().ok());
  EXPECT_FALSE(run_.Busy());

  const std::vector<std::string> lines = LogLines(folder_ / "Club" / "Club.log");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[3], "Set #1 Started at: 2026-12-07 18:01:00");
  EXPECT_EQ(lines[4], "Stopped by Operator");
  EXPECT_EQ(lines[5], "Stop: 2026-12-07 19:30:00  Elapsed= 1.50 h");
  EXPECT_TRUE(fs::is_regular_file(folder_ / "Club" / "Club1.pbn"))
      << "the set in hand keeps the file written when it started";
}

TEST_F(MultiSetRunTest, ASecondRunOfTheSameNameNeedsTheWordAndLeavesNoSetOfTheFirst) {
  ASSERT_TRUE(run_.Start("Club", 3, folder_).ok());
  StepToIdle();
  const fs::path dir = folder_ / "Club";
  ASSERT_TRUE(fs::exists(dir / "Club3.pbn"));
  const std::string firstSet = *ReadWholeFile(dir / "Club1.pbn");

  const Status refused = run_.Start("Club", 2, folder_);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("earlier run"), std::string::npos) << refused.message();
  EXPECT_TRUE(MultiSetRun::CheckRun("Club", 2, folder_).needsWord);
  EXPECT_EQ(*ReadWholeFile(dir / "Club1.pbn"), firstSet) << "a refused run touches nothing";

  ASSERT_TRUE(run_.Start("Club", 2, folder_, true).ok());
  EXPECT_FALSE(fs::exists(dir / "Club3.pbn")) << "no set of the earlier run is left beside the new";
  StepToIdle();
  const std::vector<std::string> lines = LogLines(dir / "Club.log");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[1], " Set:Club   2 Deal Sets Requested.");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("Start: ", 0) == 0; }),
            1)
      << "the log starts afresh";
  EXPECT_NE(*ReadWholeFile(dir / "Club1.pbn"), firstSet)
      << "the new run's set 1 has a seed of its own time";
}

TEST_F(MultiSetRunTest, EachSetsSeedStartsWithItsOwnStartTimeAndIsCutTo79) {
  const std::string name(90, 'x');
  ASSERT_TRUE(run_.Start(name, 2, folder_).ok());
  now_ += kMinute;
  ASSERT_TRUE(run_.Step().ok());
  EXPECT_EQ(run_.Seed(), ("2026-12-07 18:01:00 " + name).substr(0, 79));
  EXPECT_EQ(app_.Set().header.seed.str(), run_.Seed());
  EXPECT_EQ(app_.SetFilePath(), folder_ / name / (name + "1.pbn"));
  EXPECT_EQ(app_.PbnPath(), app_.SetFilePath());
}

TEST_F(MultiSetRunTest, UnsafeRunNamesAreRefusedBeforeAnythingIsCreated) {
  const fs::path output = folder_ / "out";
  fs::create_directory(output);
  const std::vector<std::string> names = {"",
                                          ".",
                                          "..",
                                          "a/b",
                                          "../escape",
                                          "/tmp/abs",
                                          "back\\slash",
                                          "tab\there",
                                          "line\nbreak",
                                          "bell\x07",
                                          "\xE6\x97\xA5" /* a CJK letter the seed cannot hold */};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const Status refused = run_.Start(name, 2, output);
    EXPECT_FALSE(refused.ok());
    EXPECT_FALSE(refused.message().empty());
    EXPECT_FALSE(run_.Busy());
  }
  EXPECT_TRUE(fs::is_empty(output));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
      << "nothing beside the output folder either";
  EXPECT_TRUE(run_.LogPath().empty()) << "no run, no log to view";
  EXPECT_TRUE(run_.Start("Café night", 2, output).ok()) << "accented letters are fine";
}

TEST_F(MultiSetRunTest, AFolderOrLogThatCannotBeWrittenStopsTheRunNamingThePath) {
  const Status noFolder = run_.Start("Club", 2, folder_ / "missing");
  ASSERT_FALSE(noFolder.ok());
  EXPECT_NE(noFolder.message().find((folder_ / "missing" / "Club").string()), std::string::npos)
      << noFolder.message();
  EXPECT_FALSE(run_.Busy());

  // A folder standing where the log goes.
  fs::create_directories(folder_ / "Club" / "Club.log");
  const Status noLog = run_.Start("Club", 2, folder_);
  ASSERT_FALSE(noLog.ok());
  EXPECT_NE(noLog.message().find("Club.log"), std::string::npos) << noLog.message();
  EXPECT_FALSE(run_.Busy());

  // The log disappears in the middle of a run.
  fs::remove_all(folder_ / "Club");
  ASSERT_TRUE(run_.Start("Club", 2, folder_).ok());
  host_.keepRunning = true;
  ASSERT_TRUE(run_.Step().ok());
  fs::remove(folder_ / "Club" / "Club.log");
  fs::create_directory(folder_ / "Club" / "Club.log");
  host_.keepRunning = false;
  host_.StopAnalysis();
  const Status failed = run_.Step();
  EXPECT_FALSE(failed.ok());
  EXPECT_NE(failed.message().find("Club.log"), std::string::npos) << failed.message();
  EXPECT_FALSE(run_.Busy());
}

TEST_F(MultiSetRunTest, ASetThatCannotBeWrittenStopsTheRun) {
  // In the way from the start: refused before anything is written.
  fs::create_directories(folder_ / "Club" / "Club1.pbn" / "inside");
  const Status refused = run_.Start("Club", 2, folder_);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("Club1.pbn"), std::string::npos) << refused.message();
  EXPECT_FALSE(fs::exists(folder_ / "Club" / "Club.log"));
  // In the way only once the run goes: the run stops.
  fs::remove_all(folder_ / "Club" / "Club1.pbn");
  ASSERT_TRUE(run_.Start("Club", 2, folder_).ok());
  fs::create_directories(folder_ / "Club" / "Club1.pbn" / "inside");
  const Status failed = run_.Step();
  EXPECT_FALSE(failed.ok());
  EXPECT_NE(failed.message().find("Club1.pbn"), std::string::npos) << failed.message();
  EXPECT_FALSE(run_.Busy());
  EXPECT_FALSE(host_.AnalysisRunning());
}

TEST(ElapsedTextTest, MinutesUpToAnHourThenHours) {
  EXPECT_EQ(ElapsedText(10, 10 + 45 * kMinute), "45.00 m");
  EXPECT_EQ(ElapsedText(10, 10 + 60 * kMinute), "60.00 m");
  EXPECT_EQ(ElapsedText(10, 10 + 90 * kMinute), "1.50 h");
}

// The real analysis, halted: the workers stop and the set keeps its file.
TEST_F(MultiSetRunTest, HaltingStopsTheRealAnalysis) {
  app_.MutableSettingsForTest().SetThreads(2);
  AppRunHost realHost(app_);
  MultiSetRun run(realHost);
  ASSERT_TRUE(run.Start("Real", 2, folder_).ok());
  ASSERT_TRUE(run.Step().ok());
  EXPECT_TRUE(app_.AnalysisRunning());
  ASSERT_TRUE(run.Halt().ok());
  app_.StopAndWait();
  EXPECT_FALSE(app_.Runner().AnyWorkerAlive());
  ASSERT_TRUE(run.Step().ok());
  EXPECT_FALSE(run.Busy());
  const Result<DealSet> written = ReadPbnFile(folder_ / "Real" / "Real1.pbn");
  ASSERT_TRUE(written.ok()) << written.message();
  EXPECT_EQ(written->PresentBoards(), 36);
}

}  // namespace
}  // namespace tarrow
