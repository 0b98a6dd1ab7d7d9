// Files nobody on this team wrote, through the commands: Debian's dealer
// output and a scoring program's results file analysed into one companion
// that every later command uses, a file of several events, an upper-case
// extension, an unknown date and a dealing machine's .dup file.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "core/write_permit_for_test.h"
#include "files/pbn_reader.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;

std::string Corpus(const char* name) {
  return std::string(TARROW_FILES_TESTDATA) + "/foreign/" + name;
}

class CliForeignTest : public tarrow::testing::TempFolderTest {
 protected:
  static std::string Bytes(const fs::path& path) {
    const Result<std::string> bytes = ReadWholeFile(path);
    return bytes.ok() ? *bytes : "";
  }
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
      if (entry.path().filename().string().rfind(".", 0) != 0) {
        names.insert(entry.path().filename().string());
      }
    }
    return names;
  }
  // Runs a shell command line (dealer) in the folder; its output.
  std::string Shell(const std::string& command) const {
    const std::string line = "cd '" + folder_.string() + "' && " + command;
    FILE* pipe = popen(line.c_str(), "r");
    std::string out;
    if (pipe == nullptr) return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    return out;
  }
};

// Each foreign file is analysed once into NAME.tarrow.pbn; pdf, html and
// export of the same file use that analysed set, a second analyze finds it
// done, no "-2" copy appears, and the file itself is never written.
TEST_F(CliForeignTest, DealerOutputAndAResultsFileGoThroughEveryCommandWithOneCompanion) {
  ASSERT_TRUE(
      tarrow::testing::WriteTestFile(folder_ / "three.dl", "produce 3\naction printpbn\n").ok());
  const std::string dealt = Shell("/usr/games/dealer -s 1209 three.dl");
  ASSERT_NE(dealt.find("[Deal \"N:"), std::string::npos) << "dealer gave: " << dealt;
  ASSERT_TRUE(tarrow::testing::WriteTestFile(folder_ / "dealer.pbn", dealt).ok());
  ASSERT_TRUE(
      tarrow::testing::WriteTestFile(folder_ / "results.pbn", Bytes(Corpus("results.pbn"))).ok());

  for (const std::string name : {"dealer", "results"}) {
    SCOPED_TRACE(name);
    const fs::path file = folder_ / (name + ".pbn");
    const fs::path companion = folder_ / (name + ".tarrow.pbn");
    const std::string original = Bytes(file);

    const CliRun analysed = RunCli({"analyze", file.string(), "--threads", "2"});
    ASSERT_EQ(analysed.exitCode, 0) << analysed.err;
    EXPECT_NE(
        analysed.err.find("so it stays as it is; its analysed set goes to " + companion.string()),
        std::string::npos)
        << analysed.err;
    LoadReport report;
    const Result<DealSet> kept = ReadPbnFile(companion, report);
    ASSERT_TRUE(kept.ok()) << kept.message();
    for (int n = 1; n <= kBoardsPerSet; ++n) {
      if (!kept->Board(n).number.valid) continue;
      EXPECT_EQ(kept->Board(n).doneMask[0], 31) << "board " << n;
      EXPECT_EQ(kept->Board(n).doneMask[1], 31) << "board " << n;
    }
    // The companion keeps the file's origin, not this computer's name.
    EXPECT_NE(Bytes(companion).find("[Application \"4\"]"), std::string::npos);

    const std::string using_ = file.string() + " is read with its analysed set " +
                               companion.string() + " (the same deals)";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"pdf", file.string(), "--show", "analysis,par"},
          std::vector<std::string>{"html", file.string(), "--show", "analysis,par"},
          std::vector<std::string>{"export", file.string(), "--format", "dup"},
          std::vector<std::string>{"analyze", file.string(), "--no-pdf"}}) {
      SCOPED_TRACE(command[0]);
      const CliRun run = RunCli(command);
      ASSERT_EQ(run.exitCode, 0) << run.err;
      EXPECT_NE(run.err.find(using_), std::string::npos) << run.err;
    }
    EXPECT_NE(Bytes(folder_ / (name + ".tarrow.html")).find(">Par "), std::string::npos);
    EXPECT_EQ(Bytes(file), original);
  }
  EXPECT_EQ(Files(),
            (std::set<std::string>{"three.dl", "dealer.pbn", "dealer.tarrow.pbn",
                                   "dealer.tarrow.pdf", "dealer.tarrow.html", "dealer.tarrow.dup",
                                   "results.pbn", "results.tarrow.pbn", "results.tarrow.pdf",
                                   "results.tarrow.html", "results.tarrow.dup"}));
}

// A table another program wrote is solved again by analyze: where it is
// wrong the user is told, and the companion keeps the solver's tricks.
TEST_F(CliForeignTest, AnalyzeChecksAForeignTableAndKeepsTheSolversAnswer) {
  // Board 2's table gives North one notrump trick too many; without the
  // DoubleDummyTricks lines nothing in the file shows it.
  std::string text = Bytes(Corpus("table_vs_ddt.pbn"));
  for (size_t at; (at = text.find("[DoubleDummyTricks")) != std::string::npos;) {
    text.erase(at, text.find('\n', at) + 1 - at);
  }
  // The players' names, as a scoring program writes them, make it a file
  // this program does not write back.
  for (size_t at = 0; (at = text.find("[Dealer ", at)) != std::string::npos; at += 30) {
    text.insert(at, "[North \"Bob\"]\r\n");
  }
  const fs::path file = folder_ / "other.pbn";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(file, text).ok());
  LoadReport report;
  const Result<DealSet> asGiven = ReadPbnFile(file, report);
  ASSERT_TRUE(asGiven.ok()) << asGiven.message();
  ASSERT_EQ(asGiven->Board(2).doneMask[0], 31);

  const CliRun run = RunCli({"analyze", file.string(), "--threads", "1", "--no-pdf"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const size_t north = size_t(DDIndex(kNorth, kNotrump));
  const std::string told = file.string() + ": board 2: the file's table says N NT " +
                           std::to_string(asGiven->Board(2).table[north]) + ", the solver " +
                           std::to_string(asGiven->Board(2).table[north] - 1) +
                           "; the solver's answer is kept";
  EXPECT_NE(run.err.find(told), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("board 1: the file's table"), std::string::npos) << run.err;
  // The companion holds the solver's tricks; a second analyze uses it and
  // has nothing to say.
  const Result<DealSet> kept = ReadPbnFile(folder_ / "other.tarrow.pbn", report);
  ASSERT_TRUE(kept.ok()) << kept.message();
  EXPECT_EQ(kept->Board(2).table[north], asGiven->Board(2).table[north] - 1);
  const CliRun again = RunCli({"analyze", file.string(), "--threads", "1", "--no-pdf"});
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(again.err.find("the file's table"), std::string::npos) << again.err;
  EXPECT_EQ(Bytes(file), text);
}

TEST_F(CliForeignTest, AFileOfSeveralEventsOpensTheFirstAndEventChoosesAnother) {
  const std::string file = Corpus("two_events.pbn");
  const CliRun first = RunCli({"show", file, "--board", "1"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_NE(first.err.find("holds 2 events: 1 \"Monday\" (boards 1-4, from line 1), 2 "
                           "\"Tuesday\" (boards 1-4, from line 125); event 1 is loaded"),
            std::string::npos)
      << first.err;
  EXPECT_NE(first.err.find("--event N (or --event NAME) loads another of them"), std::string::npos);
  const CliRun second = RunCli({"show", file, "--board", "1", "--event", "Tuesday"});
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_NE(first.out, second.out);
  EXPECT_EQ(RunCli({"show", file, "--board", "1", "--event", "2"}).out, second.out);
  const CliRun none = RunCli({"show", file, "--event", "Friday"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("holds no event \"Friday\""), std::string::npos) << none.err;
}

TEST_F(CliForeignTest, ASetGoesBackToTheUpperCaseNameItWasReadFromAndAnUnknownDateStays) {
  const std::string deal = "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432";
  // A set of ours, its name in capitals as an old copy program leaves it.
  const std::string text =
      "[Event \"Pairs\"]\r\n[Site \"Hall\"]\r\n[Date \"?\"]\r\n"
      "[Generator \"Tarrow 1.0\"]\r\n"
      "[Board \"1\"]\r\n[Deal \"" +
      deal + "\"]\r\n\r\n";
  const fs::path upper = folder_ / "UP.PBN";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(upper, text).ok());
  const CliRun run = RunCli({"analyze", upper.string(), "--threads", "1", "--no-pdf"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Files(), std::set<std::string>{"UP.PBN"});
  const std::string written = Bytes(upper);
  EXPECT_NE(written.find("[OptimumResultTable"), std::string::npos) << written;
  EXPECT_NE(written.find("[Date \"?\"]"), std::string::npos) << written;
  const CliRun shown = RunCli({"show", upper.string()});
  EXPECT_NE(shown.out.find("Date: ?\n"), std::string::npos) << shown.out;
}

TEST_F(CliForeignTest, ADupFileIsImportedAndEveryExportReadsBackTheSameBoards) {
  const CliRun dup = RunCli({"show", Corpus("run1-24.dup")});
  ASSERT_EQ(dup.exitCode, 0) << dup.err;
  EXPECT_NE(dup.err.find("24 of 36 boards (1-24)"), std::string::npos) << dup.err;
  const std::string boards = dup.out.substr(dup.out.find("Board 1 "));
  // Every export of the imported set, read back by its reader, shows the same boards.
  const fs::path set = folder_ / "machine.dup";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(set, Bytes(Corpus("run1-24.dup"))).ok());
  for (const char* format : {"dup", "bri", "bre", "ber"}) {
    SCOPED_TRACE(format);
    const fs::path out = folder_ / (std::string("back.") + format);
    const CliRun exported =
        RunCli({"export", set.string(), "--format", format, "--out", out.string()});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const CliRun back = RunCli({"show", out.string()});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(back.out.substr(back.out.find("Board 1 ")), boards);
  }
}

TEST_F(CliForeignTest, TheBritishSpellingOfACommandIsAnsweredWithOurs) {
  const CliRun run = RunCli({"analyse", "club.pbn"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
            "tarrow-cli: unknown command \"analyse\"; did you mean \"analyze\"?");
}

}  // namespace
}  // namespace tarrow::cli
