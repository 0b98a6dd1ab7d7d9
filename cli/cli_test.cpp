// The command line run as a user would: spawn tarrow-cli, check what it
// prints and how it exits.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_args.h"
#include "cli/run_cli_for_test.h"

namespace tarrow::cli {
namespace {

using testing::RunCli;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CliBoardsTest, PrintsTheThirtySixBoardsOfASeed) {
  const auto run = RunCli({"boards", "--seed", "abc"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 36u);
  EXPECT_EQ(lines[0],
            "1\t48DB1DE1 5ED13920 FC4FE771\t"
            "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83");
  EXPECT_EQ(lines[1],
            "2\t30271108 6F4049B5 EA4646A8\t"
            "E:KJ63.KT52.T93.86 7542.AQ764.KQ76. AQT9.98.A54.AQT4 8.J3.J82.KJ97532");
  EXPECT_EQ(lines[17],
            "18\t5388B169 7104BDEE 4788E433\t"
            "E:T8.AK75.AQ7.AJ74 763.Q6.T9853.953 .JT98432.K642.Q2 AKQJ9542..J.KT86");
  EXPECT_EQ(lines[35],
            "36\t5976AAAD AF4E9410 CE8C3BF3\t"
            "W:AK5.QT986.AT4.KT QT6.AKJ52.K98.A2 743.74.J76.J9753 J982.3.Q532.Q864");
}

TEST(CliBoardsTest, SeedsAreConvertedToWindows1252) {
  // "é" is one byte in the set's character set, so "caf\xE9" hashes alike on
  // every platform; a character outside that set is refused by name.
  const auto accented = RunCli({"boards", "--seed=caf\xC3\xA9"});
  ASSERT_EQ(accented.exitCode, 0) << accented.err;
  const auto plain = RunCli({"boards", "--seed", "cafe"});
  EXPECT_NE(Lines(accented.out)[0], Lines(plain.out)[0]);
  // A seed outside that set and an empty seed are refused alike by every
  // command that deals.
  for (const std::vector<std::string>& tail :
       {std::vector<std::string>{"boards"}, {"deal", "--out", "/nonexistent/x.pbn"}}) {
    SCOPED_TRACE(tail[0]);
    auto with = [&](const std::string& seed) {
      std::vector<std::string> args = tail;
      args.insert(args.end(), {"--seed", seed});
      return RunCli(args);
    };
    const auto snowman = with("\xE2\x98\x83");
    EXPECT_EQ(snowman.exitCode, 2);
    EXPECT_NE(snowman.err.find("U+2603"), std::string::npos) << snowman.err;
    const auto empty = with("");
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_NE(empty.err.find("the seed is empty"), std::string::npos) << empty.err;
    // A line break would be written into the PBN as a blank ("a b"), which
    // deals another set; control characters are refused by name.
    struct Row {
      std::string seed;
      const char* says;
    };
    for (const Row& row :
         {Row{"a\nb", "a line break at character 2"}, Row{"a\r\n", "a line break at character 2"},
          Row{"\tclub", "a tab at character 1"},
          Row{"bell\x07", "the control character 0x07 at character 5"},
          Row{"del\x7F", "the control character 0x7F at character 4"}}) {
      SCOPED_TRACE(::testing::PrintToString(row.seed));
      const auto refused = with(row.seed);
      EXPECT_EQ(refused.exitCode, 2);
      EXPECT_NE(refused.err.find(row.says), std::string::npos) << refused.err;
      EXPECT_TRUE(refused.out.empty());
    }
  }
}

TEST(CliArgsTest, EchoedInputIsCutAfterFortyCharacters) {
  const std::string huge = "1" + std::string(100000, '7') + "#";
  const std::string shown = "\"" + huge.substr(0, 40) + "...\"";
  struct Row {
    std::vector<std::string> args;
    int exitCode;
    std::string shown;  // how the message quotes the long text
  };
  const Row rows[] = {
      {{"number", huge}, 1, shown},
      {{"number", "--deal", "N:" + huge}, 1, "\"N:" + huge.substr(0, 38) + "...\""},
      {{"boards", "--seed", "abc", huge}, 2, shown},
      {{"solve", "--threads", huge, "-"}, 2, shown},
      {{"print", "x.pbn", "--what", huge}, 2, shown},
      {{"boards", "--" + huge}, 2, "\"--" + huge.substr(0, 38) + "...\""},
      {{huge}, 2, shown},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.size() > 1 ? row.args[0] + " " + row.args[1].substr(0, 12) : "command");
    const auto run = RunCli(row.args);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err.substr(0, 300);
    EXPECT_LT(run.err.size(), 2000u) << run.err.substr(0, 300);
    EXPECT_NE(run.err.find(row.shown), std::string::npos) << run.err.substr(0, 300);
  }
}

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

TEST(CliArgsTest, QuotedShowsControlCharactersAndWholeCharacters) {
  struct Row {
    std::string text;
    std::string shown;
  };
  const Row rows[] = {
      {"abc", "\"abc\""},
      {"", "\"\""},
      {"a\nb\tc\x1B", "\"a\\nb\\tc\\x1B\""},
      {std::string(40, 'x'), "\"" + std::string(40, 'x') + "\""},
      {std::string(41, 'x'), "\"" + std::string(40, 'x') + "...\""},
      // 40 characters of two bytes each are shown whole: "é" is C3 A9.
      {Repeated("\xC3\xA9", 41), "\"" + Repeated("\xC3\xA9", 40) + "...\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.shown);
    EXPECT_EQ(Quoted(row.text), row.shown);
  }
}

TEST(CliArgsTest, OnlyAnOptionPositionAsksForHelp) {
  // "-h" as the seed is a seed: the boards of the text "-h".
  const auto seed = RunCli({"boards", "--seed", "-h"});
  ASSERT_EQ(seed.exitCode, 0) << seed.err;
  EXPECT_EQ(Lines(seed.out).size(), 36u);
  EXPECT_EQ(seed.out.find("Usage"), std::string::npos);
  const auto equals = RunCli({"boards", "--seed=--help"});
  EXPECT_EQ(equals.exitCode, 0);
  EXPECT_EQ(Lines(equals.out).size(), 36u);
  // Where an option may stand, -h and --help give the command's help.
  for (const std::vector<std::string>& args : {std::vector<std::string>{"boards", "-h"},
                                               {"boards", "--seed", "x", "--help"},
                                               {"solve", "--table", "-h"},
                                               {"deal", "--help", "--seed"}}) {
    const auto run = RunCli(args);
    EXPECT_EQ(run.exitCode, 0) << ::testing::PrintToString(args);
    EXPECT_NE(run.out.find("Usage: tarrow-cli " + args[0]), std::string::npos) << run.out;
  }
  // After "--" nothing is an option: the deal "-h" is no deal.
  EXPECT_EQ(RunCli({"solve", "--", "-h"}).exitCode, 1);
}

TEST(CliArgsTest, ParsesValuesFlagsAndPositionals) {
  const OptionSpec known{.values = {"--seed", "--out"}, .flags = {"--table"}};
  const Result<ParsedArgs> a =
      ParseArgs({"x", "--seed", "-h", "--out=a=b", "--table", "-", "--", "--seed"}, known);
  ASSERT_TRUE(a.ok()) << a.message();
  EXPECT_EQ(a->Value("--seed"), "-h");
  EXPECT_EQ(a->Value("--out"), "a=b");
  EXPECT_TRUE(a->Has("--table"));
  EXPECT_FALSE(a->Has("--help"));
  EXPECT_EQ(a->positional, (std::vector<std::string>{"x", "-", "--seed"}));
  EXPECT_TRUE(ParseArgs({"-h"}, known)->Has("--help"));
  struct Bad {
    std::vector<std::string> args;
    const char* message;
  };
  const Bad bad[] = {
      {{"--seed"}, "option --seed needs a value"},
      {{"--seed", "a", "--seed=b"}, "option --seed is given twice"},
      {{"--table=yes"}, "option --table takes no value"},
      {{"--colour", "red"}, "unknown option \"--colour\""},
      {{"-x"}, "unknown option \"-x\""},
  };
  for (const Bad& row : bad) {
    SCOPED_TRACE(row.message);
    const Result<ParsedArgs> parsed = ParseArgs(row.args, known);
    ASSERT_FALSE(parsed.ok());
    EXPECT_EQ(parsed.message(), row.message);
  }
  ParsedArgs threads;
  threads.values["--threads"] = "09";
  EXPECT_EQ(*IntegerOption(threads, "--threads", 1, 9), 9);
  threads.values["--threads"] = "9 ";
  EXPECT_FALSE(IntegerOption(threads, "--threads", 1, 9).ok());
  threads.values["--threads"] = "0";
  EXPECT_EQ(IntegerOption(threads, "--threads", 1, 9).message(),
            "--threads takes a number from 1 to 9, not \"0\"");
}

TEST(CliBoardsTest, WrongCommandLinesExitTwo) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"boards"},
                                               {"boards", "--seed"},
                                               {"boards", "--seeds", "x"},
                                               {"boards", "--seed", "a", "extra"},
                                               {"deals"},
                                               {}}) {
    const auto run = RunCli(args);
    EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(run.err.empty());
  }
}

TEST(CliHelpTest, TheProgramAndEveryCommandHaveHelp) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"boards", "--help"}, {"number", "--help"}}) {
    const auto run = RunCli(args);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Usage: tarrow-cli"), std::string::npos) << run.out;
  }
}

TEST(CliNumberTest, ConvertsNumbersInEveryFormAndDealsBack) {
  const std::string expected =
      "48DB1DE1 5ED13920 FC4FE771\n"
      " 22,547,816,567,610,173,465,337,784,177\n"
      "SNsd4V7ROSD8T+dx\n"
      "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"number", "48DB1DE1 5ED13920 FC4FE771"},
        {"number", "22547816567610173465337784177"},
        {"number", " 22,547,816,567,610,173,465,337,784,177"},
        {"number", "--deal",
         "S:J97.A83.Q97.AJ42 A432.QT94.83.T83 KQ.KJ765.T5.KQ76 T865.2.AKJ642.95"}}) {
    const auto run = RunCli(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, expected) << ::testing::PrintToString(args);
  }
  const auto last = RunCli({"number", "53,644,737,765,488,792,839,237,439,999"});
  EXPECT_EQ(Lines(last.out)[0], "AD55E315 634DDA65 8BF491FF");
  EXPECT_EQ(Lines(last.out)[3],
            "N:AKQJT98765432... ..AKQJT98765432. .AKQJT98765432.. ...AKQJT98765432");
}

TEST(CliNumberTest, BadInputIsNamedAndExitsOne) {
  struct Row {
    std::vector<std::string> args;
    const char* says;
  };
  const Row rows[] = {
      {{"number", "53644737765488792839237440000"}, "out of range"},
      {{"number", "12#4"}, "'#'"},
      {{"number", "--deal", "N:AKQ"}, "holds 3 cards, not 13"},
      {{"number", "--deal",
        "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T87"},
       "the 7 of clubs appears twice"},
      {{"number", "--deal",
        "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T8x"},
       "'x' at position"},
  };
  for (const Row& row : rows) {
    const auto run = RunCli(row.args);
    EXPECT_EQ(run.exitCode, 1) << ::testing::PrintToString(row.args);
    EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  EXPECT_EQ(RunCli({"number"}).exitCode, 2);
  EXPECT_EQ(RunCli({"number", "1", "2"}).exitCode, 2);
}

}  // namespace
}  // namespace tarrow::cli
