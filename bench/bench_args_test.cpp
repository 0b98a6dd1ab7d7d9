#include "bench/bench_args.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tarrow::bench {
namespace {

// argv as main() gets it, the program's name first.
struct CommandLine {
  explicit CommandLine(std::initializer_list<const char*> args) {
    argv.push_back("bench");
    argv.insert(argv.end(), args);
  }
  BenchArgs Args() const { return BenchArgs(int(argv.size()), argv.data()); }
  std::vector<const char*> argv;
};

TEST(BenchArgsTest, GivenOptionsReplaceTheDefaults) {
  BenchArgs args = CommandLine({"--seed", "club night", "--deals", "250", "--log", "-"}).Args();
  int deals = 1000, show = 5;
  uint64_t threads = 1;
  std::string seed = "abc", log;
  args.Read("--deals", deals);
  args.Read("--show", show);
  args.Read("--threads", threads);
  args.Read("--seed", seed);
  args.Read("--log", log);
  EXPECT_TRUE(args.Ok());
  EXPECT_EQ(deals, 250);
  EXPECT_EQ(show, 5);
  EXPECT_EQ(threads, 1u);
  EXPECT_EQ(seed, "club night");
  EXPECT_EQ(log, "-");
}

TEST(BenchArgsTest, TheLastOfARepeatedOptionCounts) {
  BenchArgs args = CommandLine({"--boards", "3", "--boards", "12"}).Args();
  int boards = 36;
  args.Read("--boards", boards);
  EXPECT_TRUE(args.Ok());
  EXPECT_EQ(boards, 12);
}

TEST(BenchArgsTest, BadLinesAreRefusedAndLeaveTheDefaults) {
  const struct {
    CommandLine line;
    const char* why;
  } rows[] = {
      {CommandLine({"--deals"}), "a name without its value"},
      {CommandLine({"--deals", "10", "--seed"}), "the last name without its value"},
      {CommandLine({"--dealz", "10"}), "an unknown name"},
      {CommandLine({"--deals", "10x"}), "a number with more after it"},
      {CommandLine({"--deals", ""}), "an empty number"},
      {CommandLine({"--deals", "ten"}), "no number"},
      {CommandLine({"--deals", "99999999999"}), "a number too large for its type"},
      {CommandLine({"--threads", "-2"}), "a negative count"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    BenchArgs args = row.line.Args();
    int deals = 1000;
    uint64_t threads = 1;
    args.Read("--deals", deals);
    args.Read("--threads", threads);
    args.Value("--seed");
    EXPECT_FALSE(args.Ok());
    if (row.line.argv.size() == 3) {
      EXPECT_EQ(deals, 1000);
      EXPECT_EQ(threads, 1u);
    }
  }
  EXPECT_TRUE(CommandLine({}).Args().Ok());
}

}  // namespace
}  // namespace tarrow::bench
