// tarrow-cli multi run as a user would.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;

using CliMultiTest = tarrow::testing::TempFolderTest;

TEST_F(CliMultiTest, RefusesUnsafeNamesAndBadCountsBeforeMakingAnything) {
  const fs::path out = folder_ / "out";
  fs::create_directory(out);
  for (const std::string name : {"../escape", "a/b", "..", ""}) {
    SCOPED_TRACE(name);
    const CliRun run = RunCli({"multi", "--name", name, "--sets", "2", "--dir", out.string()});
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("name"), std::string::npos) << run.err;
  }
  const CliRun one = RunCli({"multi", "--name", "Club", "--sets", "1", "--dir", out.string()});
  EXPECT_EQ(one.exitCode, 2);
  EXPECT_NE(one.err.find("--sets"), std::string::npos) << one.err;
  EXPECT_TRUE(fs::is_empty(out));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);

  const CliRun missing =
      RunCli({"multi", "--name", "Club", "--sets", "2", "--dir", (folder_ / "nowhere").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find((folder_ / "nowhere" / "Club").string()), std::string::npos)
      << missing.err;
}

TEST_F(CliMultiTest, CtrlCHaltsTheRunAndLogsIt) {
  const fs::path first = folder_ / "Club" / "Club1.pbn";
  bool interrupted = false;
  const CliRun run = RunCli(
      {"multi", "--name", "Club", "--sets", "3", "--dir", folder_.string(), "--threads", "1",
       "--no-pdf", "--event", "Winter League"},
      "", [&](pid_t pid, const CliRun&) {
        // Set 1 is written when it starts; halt while it is analysed.
        if (!interrupted && fs::exists(first)) {
          ::usleep(300000);
          ::kill(pid, SIGINT);
          interrupted = true;
        }
      });
  ASSERT_TRUE(interrupted);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  EXPECT_NE(run.err.find("Stopped by Operator"), std::string::npos) << run.err;
  const Result<std::string> log = ReadWholeFile(folder_ / "Club" / "Club.log");
  ASSERT_TRUE(log.ok());
  EXPECT_EQ(log->rfind("Start: ", 0), 0u) << *log;
  EXPECT_NE(log->find(" Set:Club   3 Deal Sets Requested.\r\n"), std::string::npos) << *log;
  const size_t stopped = log->find("\r\nStopped by Operator\r\nStop: ");
  EXPECT_NE(stopped, std::string::npos) << *log;
  EXPECT_EQ(log->find("Club1.pbn "), std::string::npos) << "the halted set has no finished line";
  const Result<std::string> pbn = ReadWholeFile(first);
  ASSERT_TRUE(pbn.ok());
  EXPECT_NE(pbn->find("[Event \"Winter League\"]"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder_ / "Club" / "Club2.pbn"));
}

}  // namespace
}  // namespace tarrow::cli
