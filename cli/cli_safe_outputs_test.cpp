// The slips a director makes on the command line, and that no file is lost
// by any of them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "files/pbn_reader.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;

class CliSafeOutputsTest : public tarrow::testing::TempFolderTest {
 protected:
  std::string Read(const fs::path& path) {
    const Result<std::string> text = ReadWholeFile(path);
    return text.ok() ? *text : "";
  }
  fs::path Deal(const std::string& seed, const fs::path& out) {
    const CliRun run = RunCli({"deal", "--seed", seed, "--out", out.string(), "--no-analysis"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return out;
  }
};

TEST_F(CliSafeOutputsTest, NoOutputLandsOnTheSetOrOnAnotherOutput) {
  const fs::path set = Deal("a", folder_ / "s.pbn");
  const std::string before = Read(set);
  const std::string records = Read(folder_ / "s.pdf");
  fs::create_directories(folder_ / "sub");
  struct Row {
    std::vector<std::string> args;
    int exitCode;
    const char* says;
  };
  const std::vector<Row> rows = {
      {{"deal", "--seed", "a", "--out", (folder_ / "x.pdf").string()}, 2, ".pbn"},
      {{"pdf", set.string(), "--out", set.string()}, 1, "being read"},
      {{"pdf", set.string(), "--out", (folder_ / "sub" / ".." / "s.pbn").string()},
       1,
       "being read"},
      {{"render", set.string(), "--board", "1", "--out", set.string()}, 1, "being read"},
      {{"analyze", set.string(), "--out", (folder_ / "s.pdf").string()}, 2, ".pbn"},
      {{"deal", "--seed", "a", "--out", folder_.string()}, 2, "folder"},
      {{"deal", "--seed", "b", "--out", set.string(), "--no-analysis"}, 1, "--force"},
      // A page or a picture named as the set's hand records.
      {{"html", set.string(), "--out", (folder_ / "s.pdf").string()}, 1, "named as a .pdf"},
      {{"render", set.string(), "--board", "1", "--out", (folder_ / "s.pdf").string()},
       1,
       "named as a .pdf"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const CliRun run = RunCli(row.args);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
    EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
    EXPECT_EQ(Read(set), before);
    EXPECT_EQ(Read(folder_ / "s.pdf"), records) << "the set's hand records stay";
  }
  EXPECT_FALSE(fs::exists(folder_ / "x.pdf"));

  // A bare name becomes a set file that reads back.
  Deal("a", folder_ / "bare");
  EXPECT_TRUE(ReadPbnFile(folder_ / "bare.pbn").ok());
  // The user's word replaces another set.
  const CliRun forced =
      RunCli({"deal", "--seed", "b", "--out", set.string(), "--no-analysis", "--force"});
  EXPECT_EQ(forced.exitCode, 0) << forced.err;
  EXPECT_EQ(ReadPbnFile(set)->header.seed.str(), "b");
}

TEST_F(CliSafeOutputsTest, AnImportNeverReplacesADifferentSetBesideIt) {
  const fs::path beside = Deal("analysed elsewhere", folder_ / "m.pbn");
  const std::string before = Read(beside);
  // One deal: North 01-13 (spades), East 14-26, South 27-39, West the rest.
  std::string bri;
  for (int card = 1; card <= 39; ++card) bri += (card < 10 ? "0" : "") + std::to_string(card);
  std::ofstream(folder_ / "m.bri") << bri << "\n";
  const CliRun refused = RunCli({"analyze", (folder_ / "m.bri").string(), "--threads", "1"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
  EXPECT_EQ(Read(beside), before);
}

TEST_F(CliSafeOutputsTest, TwoRunsOnOneSetNeverWriteItAtOnce) {
  const fs::path set = folder_ / "s.pbn";
  // The first run holds the set's lock while it analyses.
  const pid_t first = ::fork();
  ASSERT_GE(first, 0);
  if (first == 0) {
    ::execl(TARROW_CLI, TARROW_CLI, "deal", "--seed", "first", "--out", set.c_str(), "--threads",
            "1", "--no-pdf", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  bool locked = false;
  for (int i = 0; i < 500 && !locked; ++i) {
    locked = fs::exists(folder_ / ".s.pbn.lock");
    if (!locked) ::usleep(10000);
  }
  ASSERT_TRUE(locked);
  const CliRun second =
      RunCli({"deal", "--seed", "second", "--out", set.string(), "--force", "--no-analysis"});
  ::kill(first, SIGINT);
  int status = 0;
  ::waitpid(first, &status, 0);
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("another Tarrow"), std::string::npos) << second.err;
  EXPECT_EQ(ReadPbnFile(set)->header.seed.str(), "first");
}

TEST_F(CliSafeOutputsTest, ARunIntoAnEarlierRunsFolderNeedsReplace) {
  const auto multi = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"multi", "--name",         "Club",      "--sets", "2",
                                     "--dir", folder_.string(), "--threads", "1",      "--no-pdf"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunCli(args);
  };
  // An earlier run: its log, and the first set it wrote (dealt from the
  // seed its log names), beside a file no run wrote.
  fs::create_directories(folder_ / "Club");
  const std::string log =
      "Start: 2026-12-07 18:00:00\r\n Set:Club   2 Deal Sets Requested.\r\n"
      "Saved in: " +
      (folder_ / "Club").string() + "\r\nSet #1 Started at: 2026-12-07 18:00:01\r\n";
  std::ofstream(folder_ / "Club" / "Club.log", std::ios::binary) << log;
  ASSERT_EQ(RunCli({"deal", "--seed", "2026-12-07 18:00:01 Club", "--out",
                    (folder_ / "Club" / "Club1.pbn").string(), "--no-analysis", "--no-pdf"})
                .exitCode,
            0);
  const std::string set = Read(folder_ / "Club" / "Club1.pbn");
  std::ofstream(folder_ / "Club" / "Club3.pbn") << "dealt by hand\n";
  const CliRun refused = multi({});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("--replace"), std::string::npos) << refused.err;
  EXPECT_EQ(Read(folder_ / "Club" / "Club1.pbn"), set);
  EXPECT_EQ(Read(folder_ / "Club" / "Club.log"), log);
  EXPECT_EQ(Read(folder_ / "Club" / "Club3.pbn"), "dealt by hand\n");

  // A file in the run's way that no run wrote is refused even with
  // --replace, and nothing at all is removed.
  std::ofstream(folder_ / "Club" / "Club2.pbn") << "dealt by hand too\n";
  const CliRun kept = multi({"--replace"});
  EXPECT_EQ(kept.exitCode, 1);
  EXPECT_NE(kept.err.find("Club2.pbn"), std::string::npos) << kept.err;
  EXPECT_EQ(Read(folder_ / "Club" / "Club1.pbn"), set);
  EXPECT_EQ(Read(folder_ / "Club" / "Club2.pbn"), "dealt by hand too\n");
  EXPECT_EQ(Read(folder_ / "Club" / "Club.log"), log);
}

TEST_F(CliSafeOutputsTest, LongNamesAreRefusedBeforeAnythingIsMade) {
  const CliRun run = RunCli({"multi", "--name", std::string(250, 'n'), "--sets", "2", "--dir",
                             folder_.string(), "--no-pdf"});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.find("too long"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_empty(folder_)) << "no folder left behind";
}

// What the program did not write needs --force, for every command that
// writes a document; what it wrote itself is replaced without it.
TEST_F(CliSafeOutputsTest, DocumentsReplaceOnlyWhatTheProgramWrote) {
  const fs::path set = Deal("a", folder_ / "a.pbn");
  fs::create_directories(folder_ / "cfg");
  struct Row {
    std::vector<std::string> args;
    fs::path target;
    std::string bytes;
  };
  const std::vector<Row> rows = {
      {{"html", set.string(), "--out", (folder_ / "index.html").string()},
       folder_ / "index.html",
       "<html><body>our club</body></html>\n"},
      {{"html", set.string(), "--out", (folder_ / "notes.txt").string()},
       folder_ / "notes.txt",
       "bring the boards\n"},
      {{"html", set.string(), "--out", (folder_ / "cfg" / "Tarrow.ini").string()},
       folder_ / "cfg" / "Tarrow.ini",
       std::string(100, '\0')},
      {{"pdf", set.string(), "--out", (folder_ / "contract.pdf").string()},
       folder_ / "contract.pdf",
       "%PDF-1.4 the club's contract\n"},
      {{"pdf", set.string(), "--what", "travelers", "--out", (folder_ / "t.pdf").string()},
       folder_ / "t.pdf",
       "%PDF-1.4 minutes\n"},
      {{"render", set.string(), "--board", "1", "--out", (folder_ / "photo.png").string()},
       folder_ / "photo.png",
       std::string("\x89PNG\r\n\x1a\n", 8) + "holiday"},
      {{"deal", "--seed", "a", "--out", (folder_ / "tuesday.pbn").string(), "--no-analysis"},
       folder_ / "tuesday.pdf",
       "%PDF-1.4 last week's results\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    std::ofstream(row.target, std::ios::binary) << row.bytes;
    const CliRun refused = RunCli(row.args);
    EXPECT_EQ(refused.exitCode, 1) << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(Read(row.target), row.bytes);
  }
  // Its own are replaced freely, again and again.
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(RunCli({"html", set.string()}).exitCode, 0);
    EXPECT_EQ(RunCli({"pdf", set.string()}).exitCode, 0);
    EXPECT_EQ(
        RunCli({"render", set.string(), "--board", "2", "--out", (folder_ / "b.png").string()})
            .exitCode,
        0);
  }
  // With the word the file is replaced.
  std::vector<std::string> forced = rows[0].args;
  forced.push_back("--force");
  EXPECT_EQ(RunCli(forced).exitCode, 0);
  EXPECT_NE(Read(rows[0].target).find("generator"), std::string::npos);
}

TEST_F(CliSafeOutputsTest, AStalePdfBesideANewSetIsNamed) {
  Deal("old", folder_ / "t.pbn");
  const std::string old = Read(folder_ / "t.pdf");
  const CliRun run = RunCli({"deal", "--seed", "new", "--out", (folder_ / "t.pbn").string(),
                             "--force", "--no-pdf", "--no-analysis"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("t.pdf is out of date"), std::string::npos) << run.err;
  EXPECT_EQ(Read(folder_ / "t.pdf"), old) << "kept, and named";
}

TEST_F(CliSafeOutputsTest, EventFieldsAndDatesTheSetCannotHoldAreRefused) {
  for (const char* option : {"--club", "--event", "--site", "--description"}) {
    const CliRun run = RunCli({"deal", "--seed", "a", "--out", (folder_ / "c.pbn").string(),
                               "--no-analysis", option, "c\x01lub"});
    EXPECT_EQ(run.exitCode, 2) << option;
    EXPECT_NE(run.err.find("control character"), std::string::npos) << run.err;
  }
  for (const char* date : {"12/08/2026", "08.12.2026", "12/25/2026", "0999-01-01", "2026-02-30"}) {
    const CliRun run = RunCli({"deal", "--seed", "a", "--out", (folder_ / "c.pbn").string(),
                               "--no-analysis", "--date", date});
    EXPECT_EQ(run.exitCode, 2) << date;
    EXPECT_NE(run.err.find("YYYY-MM-DD"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(folder_ / "c.pbn"));
  ASSERT_EQ(RunCli({"deal", "--seed", "a", "--out", (folder_ / "c.pbn").string(), "--no-analysis",
                    "--date", "2026-08-12"})
                .exitCode,
            0);
  EXPECT_EQ(ReadPbnFile(folder_ / "c.pbn")->header.eventDate, DateFromCivil(2026, 8, 12));
}

TEST_F(CliSafeOutputsTest, TheBoardsInPlayAreNamedWhereTheyCutThePages) {
  const fs::path set = Deal("a", folder_ / "s.pbn");
  const CliRun cut = RunCli({"pdf", set.string(), "--last-board", "5"});
  EXPECT_EQ(cut.exitCode, 0) << cut.err;
  EXPECT_NE(cut.out.find("boards 1-5 (Last Board 5)"), std::string::npos) << cut.out;
  const CliRun whole = RunCli({"pdf", set.string()});
  EXPECT_EQ(whole.out.find("Last Board"), std::string::npos) << whole.out;
}

}  // namespace
}  // namespace tarrow::cli
