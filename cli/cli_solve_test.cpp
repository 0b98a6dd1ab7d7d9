// tarrow-cli solve, run as a user would.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/run_cli_for_test.h"

namespace tarrow::cli {
namespace {

using testing::RunCli;

// Each hand holds one whole suit, so the tables follow from the rules alone:
// a side takes all 13 tricks with its own suit as trumps and none otherwise,
// and in notrump the opening leader's side runs its suit.
const std::string kSpadesNorth =
    "N:AKQJT98765432... ..AKQJT98765432. .AKQJT98765432.. ...AKQJT98765432";
const std::string kSpadesEast =
    "N:.AKQJT98765432.. AKQJT98765432... ...AKQJT98765432 ..AKQJT98765432.";
const std::string kSpadesNorthTricks = "0 13 13 0 0 0 0 0 13 13 0 13 13 0 0 0 0 0 13 13";
const std::string kSpadesEastTricks = "0 0 13 0 13 0 13 0 13 0 0 0 13 0 13 0 13 0 13 0";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CliSolveTest, PrintsOneLinePerDealInInputOrder) {
  // Arguments and standard input mixed, two threads, blank lines skipped.
  const auto run = RunCli({"solve", "--threads", "2", kSpadesNorth, "-", kSpadesEast},
                          "\n" + kSpadesEast + "\r\n\n  \n" + kSpadesNorth + "\n");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Lines(run.out), (std::vector<std::string>{kSpadesNorthTricks, kSpadesEastTricks,
                                                      kSpadesNorthTricks, kSpadesEastTricks}));
}

TEST(CliSolveTest, PrintsAGridPerDealWithTheTableOption) {
  const auto run = RunCli({"solve", "--table", "--threads=1", kSpadesEast});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "argument 1\n"
            "    NT   S   H   D   C\n"
            "N    0   0  13   0  13\n"
            "E    0  13   0  13   0\n"
            "S    0   0  13   0  13\n"
            "W    0  13   0  13   0\n");
}

TEST(CliSolveTest, ABadDealIsNamedByItsPlaceAndNothingIsSolved) {
  struct Row {
    std::vector<std::string> args;
    std::string input;
    std::vector<std::string> says;
  };
  const std::string twice = kSpadesNorth.substr(0, kSpadesNorth.size() - 1) + "3";
  const Row rows[] = {
      {{"solve", kSpadesNorth, "N:AKQ"}, "", {"argument 2", "holds 3 cards, not 13"}},
      {{"solve", "-"}, kSpadesNorth + "\n\n" + twice + "\n", {"standard input line 3", "twice"}},
      {{"solve", kSpadesEast, "-"}, "X:" + kSpadesNorth.substr(2), {"standard input line 1"}},
  };
  for (const Row& row : rows) {
    const auto run = RunCli(row.args, row.input);
    SCOPED_TRACE(run.err);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty());
    for (const std::string& text : row.says) EXPECT_NE(run.err.find(text), std::string::npos);
  }
}

TEST(CliSolveTest, WrongCommandLinesExitTwo) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"solve"},
                                               {"solve", "--threads", "9", kSpadesNorth},
                                               {"solve", "--threads", "0", kSpadesNorth},
                                               {"solve", "--tables", kSpadesNorth}}) {
    const auto run = RunCli(args);
    EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(run.err.empty());
  }
  const auto help = RunCli({"solve", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Usage: tarrow-cli solve"), std::string::npos);
}

}  // namespace
}  // namespace tarrow::cli
