// tarrow-cli annotate as a director runs it: a file beside the input, a
// pipe, a stop signal half way and the run that goes on, and the exit status
// that counts the games left as they were.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>

#include "app/annotate_corpus_for_test.h"
#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "core/temp_folder_for_test.h"
#include "core/write_permit_for_test.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;
using Clock = std::chrono::steady_clock;

std::string Read(const fs::path& path) {
  const Result<std::string> text = ReadWholeFile(path);
  return text.ok() ? *text : "(unreadable)";
}

class CliAnnotateTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    BuildNumberingTables();
  }
  fs::path WriteCorpus(const std::string& name, int deals, int tables) {
    const fs::path path = folder_ / name;
    EXPECT_TRUE(tarrow::testing::WriteTestFile(
                    path, tarrow::testing::ResultsCorpus("cli annotate", deals, tables))
                    .ok());
    return path;
  }
};

TEST_F(CliAnnotateTest, WritesBesideTheInputOrThroughAPipe) {
  const fs::path input = WriteCorpus("club.pbn", 2, 3);
  const CliRun run = RunCli({"annotate", input.string(), "--threads", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "Annotated 6 of 6 games into " + (folder_ / "club.dd.pbn").string() +
                         " (2 deals solved).\n");
  EXPECT_EQ(run.err, "") << "no progress line on a pipe";
  const std::string annotated = Read(folder_ / "club.dd.pbn");
  EXPECT_NE(annotated.find("[DoubleDummyTricks \""), std::string::npos);

  // The same through standard input and output; the summary goes to standard error.
  const CliRun piped = RunCli({"annotate", "-", "--threads", "1"}, Read(input));
  ASSERT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_EQ(piped.out, annotated);
  EXPECT_NE(piped.err.find("Annotated 6 of 6 games into standard output"), std::string::npos);

  // A second run does not replace the first one's file without the word.
  const CliRun again = RunCli({"annotate", input.string()});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("add --force"), std::string::npos) << again.err;
  const CliRun usage = RunCli({"annotate", input.string(), "--part", "4/3"});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("--part takes K/N"), std::string::npos) << usage.err;
}

TEST_F(CliAnnotateTest, GamesLeftAsTheyWereMakeTheExitStatusOne) {
  const std::string text =
      "[Board \"1\"]\n[Deal \"N:AKQ.AKQ.AKQ.AKQJ - - -\"]\n\n"
      "[Board \"2\"]\n[Deal \"E:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 "
      "2.5432.5432.5432\"]\n";
  const fs::path input = folder_ / "partial.pbn";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(input, text).ok());
  const CliRun run = RunCli({"annotate", input.string(), "--out", "-", "--threads", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("warning: " + input.string() + " line 2: the deal does not read"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("1 game was left as it was"), std::string::npos) << run.err;
  EXPECT_EQ(run.out.substr(0, text.find("[Board \"2\"]")),
            text.substr(0, text.find("[Board \"2\"]")));
}

TEST_F(CliAnnotateTest, SigtermHalfWaySavesAndTheSameCommandGoesOnToTheWholeResult) {
  const fs::path input = WriteCorpus("corpus.pbn", 12, 1);
  const fs::path whole = folder_ / "whole.pbn";
  const CliRun uninterrupted =
      RunCli({"annotate", input.string(), "--out", whole.string(), "--threads", "1"});
  ASSERT_EQ(uninterrupted.exitCode, 0) << uninterrupted.err;

  const fs::path output = folder_ / "corpus.dd.pbn";
  const std::vector<std::string> command = {"annotate", input.string(), "--threads", "1"};
  const Clock::time_point start = Clock::now();
  bool sent = false;
  const CliRun stopped = RunCli(command, "", [&](pid_t pid, const CliRun&) {
    if (!sent && Clock::now() - start >= std::chrono::milliseconds(1200)) {
      ::kill(pid, SIGTERM);
      sent = true;
    }
  });
  ASSERT_TRUE(sent) << "the run ended before the signal";
  ASSERT_EQ(stopped.exitCode, 143) << stopped.err;
  EXPECT_NE(stopped.err.find("Run the same command again"), std::string::npos) << stopped.err;
  const std::string partial = Read(output);
  EXPECT_NE(partial, Read(whole));
  EXPECT_NE(partial.find("[Deal \""), std::string::npos);

  const CliRun resumed = RunCli(command);
  ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
  EXPECT_NE(resumed.out.find("going on from the stopped run"), std::string::npos) << resumed.out;
  EXPECT_EQ(Read(output), Read(whole));
}

TEST_F(CliAnnotateTest, PartsPutTogetherWithCatAreTheWholeFile) {
  const fs::path input = WriteCorpus("corpus.pbn", 3, 2);
  const CliRun whole = RunCli({"annotate", input.string(), "--out", "-", "--threads", "1"});
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  std::string joined;
  for (const char* part : {"1/4", "2/4", "3/4", "4/4"}) {
    const CliRun run =
        RunCli({"annotate", input.string(), "--part", part, "--out", "-", "--threads", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    joined += run.out;
  }
  EXPECT_EQ(joined, whole.out);
}

}  // namespace
}  // namespace tarrow::cli
