// tarrow-cli deal run as a user would.
#include <gtest/gtest.h>
#include <unistd.h>
#include "core/write_permit_for_test.h"

#include <cstdlib>
#include <filesystem>

#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;

class CliDealTest : public tarrow::testing::TempFolderTest {
 protected:
  std::string Read(const fs::path& path) {
    const Result<std::string> text = ReadWholeFile(path);
    return text.ok() ? *text : "";
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
};

TEST_F(CliDealTest, DealsWithoutAnalysisAndCarriesTheEventFields) {
  const fs::path out = folder_ / "club.pbn";
  const CliRun run =
      RunCli({"deal", "--seed", "abc", "--out", out.string(), "--no-analysis", "--no-pdf",
              "--event", "Tuesday Pairs", "--site", "Hall", "--club", "Caf\xC3\xA9 Club", "--date",
              "2026-12-08", "--description", "Set one"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string pbn = Read(out);
  EXPECT_EQ(Count(pbn, "[Board \""), 36);
  EXPECT_EQ(Count(pbn, "OptimumResultTable"), 0);
  EXPECT_NE(pbn.find("[Event \"Tuesday Pairs\"]\r\n[Site \"Hall\"]\r\n[Date \"2026.12.08\"]"),
            std::string::npos);
  EXPECT_NE(pbn.find("[Application \"1abc\"]"), std::string::npos);
  EXPECT_NE(pbn.find("[Application \"2Set one\"]"), std::string::npos);
  EXPECT_NE(pbn.find("[Eventsponsor \"Caf\xE9 Club\"]"), std::string::npos);  // Windows-1252
  EXPECT_NE(pbn.find("[Deal \"N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 "
                     "A432.QT94.83.T83\"]"),
            std::string::npos);
}

TEST_F(CliDealTest, WrongArgumentsExitTwoAndWriteNothing) {
  const std::string out = (folder_ / "x.pbn").string();
  const std::vector<std::vector<std::string>> cases = {
      {"deal", "--out", out},
      {"deal", "--seed", "abc"},
      {"deal", "--seed", "", "--out", out},
      {"deal", "--seed", "abc", "--out", out, "--date", "2026-13-01"},
      {"deal", "--seed", "abc", "--out", out, "--date", "tomorrow"},
      {"deal", "--seed", "abc", "--out", out, "--threads", "9"},
      {"deal", "--seed", "abc", "--out", out, "--threads", "two"},
      {"deal", "--seed", "abc", "--out", out, "--colour", "red"},
  };
  for (const auto& args : cases) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args) << run.err;
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliDealTest, SettingsThatCannotBeReadAreNamedAndLeftAlone) {
  // A folder where Tarrow.ini should be cannot be read, even by root.
  const fs::path config = folder_ / "config";
  fs::create_directories(config / "Tarrow.ini" / "inside");
  setenv("TARROW_CONFIG_DIR", config.c_str(), 1);
  const CliRun run = RunCli({"boards", "--seed", "abc"});
  const CliRun dealt =
      RunCli({"deal", "--seed", "abc", "--out", (folder_ / "x.pbn").string(), "--no-analysis"});
  unsetenv("TARROW_CONFIG_DIR");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(dealt.exitCode, 0) << dealt.err;
  EXPECT_NE(dealt.err.find("warning: cannot read the settings"), std::string::npos) << dealt.err;
  EXPECT_TRUE(fs::is_directory(config / "Tarrow.ini" / "inside"));
  EXPECT_TRUE(fs::is_regular_file(folder_ / "x.pbn"));
}

TEST_F(CliDealTest, AFailedWriteNamesTheFileAndExitsOne) {
  const fs::path out = folder_ / "missing" / "club.pbn";
  const CliRun run =
      RunCli({"deal", "--seed", "abc", "--out", out.string(), "--no-pdf", "--threads", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(out.string()), std::string::npos) << run.err;
}

TEST_F(CliDealTest, AnalyzeCompletesAFileAndWritesThePbnAndPdfBesideIt) {
  // Two boards the solver settles at once (deal numbers 1000 and 1); board 2
  // comes with a North-South notrump result that is wrong.
  const char* deal1 = "N:...AKQJT98765432 87.KQJT8765432.. ..AKQJT98765432. AKQJT965432.A9..";
  const char* deal2 = "E:2.KQJT98765432.. ..AKQJT98765432. AKQJT9876543.A.. ...AKQJT98765432";
  const fs::path in = folder_ / "machine.pbn";
  const std::string text = std::string("[Event \"Test\"]\r\n[Board \"1\"]\r\n[Deal \"") + deal1 +
                           "\"]\r\n\r\n[Board \"2\"]\r\n[Deal \"" + deal2 +
                           "\"]\r\n[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]"
                           "\r\nN NT 7\r\nS NT 7\r\n\r\n";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(in, text).ok());
  const CliRun run = RunCli({"analyze", in.string(), "--threads", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Done in ", 0), 0u) << run.out;
  // Another program's file (no Generator of ours) stays as it is; the set
  // and its analysis go beside it.
  EXPECT_EQ(Read(in), text);
  EXPECT_NE(run.err.find("machine.tarrow.pbn"), std::string::npos) << run.err;
  const std::string pbn = Read(folder_ / "machine.tarrow.pbn");
  EXPECT_EQ(Count(pbn, "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]"), 2);
  EXPECT_EQ(Count(pbn, " ?\r\n"), 0);
  // Another program's table is checked, not trusted: board 2's made-up
  // notrump result is solved again and named.
  EXPECT_NE(pbn.find("N NT 0\r\n"), std::string::npos);
  EXPECT_NE(run.err.find("board 2: the file's table says N NT 7, the solver 0"), std::string::npos)
      << run.err;
  EXPECT_NE(pbn.find("N C 13\r\n"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(folder_ / "machine.tarrow.pdf"));
  EXPECT_FALSE(fs::exists(folder_ / "machine.pdf"));

  // A complete file needs no work and comes out the same.
  const CliRun again = RunCli({"analyze", (folder_ / "machine.tarrow.pbn").string(), "--no-pdf",
                               "--out", (folder_ / "copy.pbn").string()});
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(Count(Read(folder_ / "copy.pbn"), "OptimumResultTable"), 2);
}

TEST_F(CliDealTest, AnalyzeRefusesWhatItCannotRead) {
  const fs::path odd = folder_ / "set.txt";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(odd, "hello").ok());
  const CliRun unknown = RunCli({"analyze", odd.string()});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("set.txt"), std::string::npos) << unknown.err;
  const CliRun missing = RunCli({"analyze", (folder_ / "none.pbn").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("none.pbn"), std::string::npos) << missing.err;
  const fs::path bad = folder_ / "bad.pbn";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(bad, "[Board \"1\"]\r\n[Deal \"N:AKQ\"]\r\n").ok());
  const CliRun badDate = RunCli({"analyze", bad.string()});
  EXPECT_EQ(badDate.exitCode, 1);
  EXPECT_NE(badDate.err.find("line 2"), std::string::npos) << badDate.err;
  EXPECT_EQ(Read(bad), "[Board \"1\"]\r\n[Deal \"N:AKQ\"]\r\n") << "nothing is written";
}

TEST_F(CliDealTest, CtrlCSavesWhatIsDoneAndExits130) {
  const fs::path out = folder_ / "club.pbn";
  bool interrupted = false;
  const CliRun run =
      RunCli({"deal", "--seed", "Interrupted", "--out", out.string(), "--threads", "2", "--no-pdf"},
             "", [&](pid_t pid, const CliRun&) {
               // The set is written at the start of the analysis; stop soon after.
               if (!interrupted && fs::exists(out)) {
                 ::usleep(300000);
                 ::kill(pid, SIGINT);
                 interrupted = true;
               }
             });
  ASSERT_TRUE(interrupted);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  EXPECT_NE(run.err.find("Resume with: tarrow-cli analyze"), std::string::npos) << run.err;
  const std::string pbn = Read(out);
  EXPECT_EQ(Count(pbn, "[Board \""), 36);
  // Boards stopped part-way have no table or show "?" where a result is missing.
  EXPECT_LT(Count(pbn, "OptimumResultTable"), 36);
}

}  // namespace
}  // namespace tarrow::cli
