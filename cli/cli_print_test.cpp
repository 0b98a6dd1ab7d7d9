// tarrow-cli printers, print and pdf --what: through a real local print
// server where one can run, and the PDF pages everywhere.
#include <gtest/gtest.h>
#include "core/write_permit_for_test.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "cli/run_cli_for_test.h"
#include "core/temp_folder_for_test.h"
#include "files/settings.h"
#include "printing/cups_queue_for_test.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using tarrow::testing::CommandOutput;
using tarrow::testing::CupsTestQueue;
using tarrow::testing::PdfPages;
using tarrow::testing::PdfWords;
using testing::CliRun;
using testing::RunCli;

class CliPrintTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    set_ = folder_ / "club.pbn";
    const CliRun dealt = RunCli({"deal", "--seed", "abc", "--out", set_.string(), "--no-analysis"});
    ASSERT_EQ(dealt.exitCode, 0) << dealt.err;
  }
  fs::path set_;
};

TEST_F(CliPrintTest, SetupSheetsAndTravelersAsPdf) {
  const CliRun setups =
      RunCli({"pdf", set_.string(), "--what", "setup-sheets", "--last-board", "5"});
  ASSERT_EQ(setups.exitCode, 0) << setups.err;
  const fs::path setupFile = folder_ / "club-setup-sheets.pdf";
  EXPECT_NE(setups.out.find(setupFile.string()), std::string::npos) << setups.out;
  EXPECT_EQ(PdfPages(setupFile), 3);
  EXPECT_EQ(std::system(("qpdf --check '" + setupFile.string() + "' >/dev/null 2>&1").c_str()), 0);
  const std::string setupText = PdfWords(setupFile);
  for (const char* word : {"Board 1", "Board 5", "NORTH", "EAST", "SOUTH", "WEST"})
    EXPECT_NE(setupText.find(word), std::string::npos) << word;
  EXPECT_EQ(setupText.find("Board 6"), std::string::npos);

  const fs::path travelers = folder_ / "out" / "t.pdf";
  fs::create_directories(travelers.parent_path());
  const CliRun written =
      RunCli({"pdf", set_.string(), "--what", "travelers", "--out", travelers.string()});
  ASSERT_EQ(written.exitCode, 0) << written.err;
  EXPECT_EQ(PdfPages(travelers), 12);
  EXPECT_EQ(std::system(("qpdf --check '" + travelers.string() + "' >/dev/null 2>&1").c_str()), 0);
  const std::string text = PdfWords(travelers);
  for (const char* word : {"Board No. 1", "Board No. 36", "Made", "Down", "Contract", "SCORE"})
    EXPECT_NE(text.find(word), std::string::npos) << word;
  EXPECT_NE(CommandOutput("pdfinfo '" + travelers.string() + "'").find("842 x 595"),
            std::string::npos);
}

TEST_F(CliPrintTest, BadValuesNameTheOptionAndItsRange) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } rows[] = {
      {{"print", "X", "--copies", "201"}, "--copies takes a number from 1 to 200"},
      {{"print", "X", "--copies", "two"}, "--copies takes a number from 1 to 200"},
      {{"print", "X", "--what", "travelers", "--last-board", "0"},
       "--last-board takes a number from 1 to 36"},
      {{"print", "X", "--what", "menus"}, "--what takes hand-records, setup-sheets or travelers"},
      {{"print", "X", "--what", "travelers", "--copies", "2"}, "for hand records only"},
      {{"print", "X", "--what", "setup-sheets", "--flip"}, "for hand records only"},
      {{"print", "X", "--last-board", "x"}, "--last-board takes a number from 1 to 36"},
      {{"html", "X", "--last-board", "37"}, "--last-board takes a number from 1 to 36"},
      {{"pdf", "X", "--last-board", "0"}, "--last-board takes a number from 1 to 36"},
      {{"pdf", "X", "--what", "setup-sheets", "--last-board", "37"},
       "--last-board takes a number from 1 to 36"},
      {{"pdf", "X", "--what", "travelers", "--show", "ltc"}, "--show is for hand records only"},
      {{"printers", "extra"}, "takes no arguments"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = row.args;
    for (std::string& a : args)
      if (a == "X") a = set_.string();
    std::string line;
    for (const std::string& a : row.args) line += a + " ";
    SCOPED_TRACE(line);
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(folder_ / "club-setup-sheets.pdf"));
}

// "Board n" as a whole title in the words of a page ("Board 2" is not in
// "Board 24").
bool HasBoard(const std::string& words, int board) {
  const std::string title = "Board " + std::to_string(board);
  for (size_t at = words.find(title); at != std::string::npos; at = words.find(title, at + 1)) {
    const size_t after = at + title.size();
    if (after == words.size() || !std::isdigit(static_cast<unsigned char>(words[after])))
      return true;
  }
  return false;
}

TEST_F(CliPrintTest, LastBoardEndsTheHandRecordsTheWebPageAndTheExport) {
  const fs::path pdf = folder_ / "records.pdf";
  const CliRun records =
      RunCli({"pdf", set_.string(), "--last-board", "24", "--out", pdf.string()});
  ASSERT_EQ(records.exitCode, 0) << records.err;
  EXPECT_EQ(PdfPages(pdf), 2);
  EXPECT_TRUE(HasBoard(PdfWords(pdf), 24));
  EXPECT_FALSE(HasBoard(PdfWords(pdf), 25));
  const CliRun one = RunCli({"pdf", set_.string(), "--last-board", "18", "--out", pdf.string()});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(PdfPages(pdf), 1);
  EXPECT_FALSE(HasBoard(PdfWords(pdf), 19));

  const fs::path page = folder_ / "club.html";
  const CliRun html = RunCli({"html", set_.string(), "--last-board", "24"});
  ASSERT_EQ(html.exitCode, 0) << html.err;
  const std::string text = CommandOutput("cat '" + page.string() + "'");
  EXPECT_NE(text.find("id=\"board-24\""), std::string::npos);
  EXPECT_EQ(text.find("id=\"board-25\""), std::string::npos);

  for (const char* option : {"--last-board", "--boards"}) {
    SCOPED_TRACE(option);
    const fs::path dup = folder_ / (std::string(option + 2) + ".dup");
    const CliRun exported =
        RunCli({"export", set_.string(), "--format", "dup", option, "24", "--out", dup.string()});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(fs::file_size(dup), 24u * 156u);
  }
  const CliRun both =
      RunCli({"export", set_.string(), "--format", "dup", "--last-board", "24", "--boards", "20"});
  EXPECT_EQ(both.exitCode, 2);
  EXPECT_NE(both.err.find("disagree"), std::string::npos) << both.err;
  EXPECT_FALSE(fs::exists(folder_ / "club.dup"));
}

// Without the option the window program's boards in play decide, and the
// command line only reads the settings file.
TEST_F(CliPrintTest, TheSettingsBoardsInPlayAreTheDefault) {
  const fs::path config = folder_ / "config";
  SettingsRecord settings = SettingsRecord::Defaults(folder_.string());
  settings.SetBoardsInPlay(20);
  ASSERT_TRUE(SaveSettings(settings, tarrow::testing::PermitFor(config / "Tarrow.ini")).ok());
  const std::string before = CommandOutput("cat '" + (config / "Tarrow.ini").string() + "'");
  setenv("TARROW_CONFIG_DIR", config.c_str(), 1);
  const CliRun records = RunCli({"pdf", set_.string()});
  const CliRun travelers = RunCli({"pdf", set_.string(), "--what", "travelers"});
  const CliRun html = RunCli({"html", set_.string()});
  const CliRun exported = RunCli({"export", set_.string(), "--format", "dup"});
  const CliRun wider = RunCli(
      {"pdf", set_.string(), "--last-board", "30", "--out", (folder_ / "wider.pdf").string()});
  unsetenv("TARROW_CONFIG_DIR");
  for (const CliRun* run : {&records, &travelers, &html, &exported, &wider})
    ASSERT_EQ(run->exitCode, 0) << run->err;

  const std::string words = PdfWords(folder_ / "club.pdf");
  EXPECT_TRUE(HasBoard(words, 20));
  EXPECT_FALSE(HasBoard(words, 21));
  EXPECT_EQ(PdfPages(folder_ / "club.pdf"), 2);
  const std::string travelerWords = PdfWords(folder_ / "club-travelers.pdf");
  EXPECT_NE(travelerWords.find("Board No. 20"), std::string::npos);
  EXPECT_EQ(travelerWords.find("Board No. 21"), std::string::npos);
  const std::string text = CommandOutput("cat '" + (folder_ / "club.html").string() + "'");
  EXPECT_NE(text.find("id=\"board-20\""), std::string::npos);
  EXPECT_EQ(text.find("id=\"board-21\""), std::string::npos);
  EXPECT_NE(exported.out.find("Wrote boards 1-20"), std::string::npos) << exported.out;
  EXPECT_TRUE(HasBoard(PdfWords(folder_ / "wider.pdf"), 30));  // the option wins, for this run
  EXPECT_EQ(CommandOutput("cat '" + (config / "Tarrow.ini").string() + "'"), before);
}

// The print server is started once for all the tests that print.
class CliCupsTest : public CliPrintTest {
 protected:
  static void SetUpTestSuite() { cups_ = std::make_unique<CupsTestQueue>(); }
  static void TearDownTestSuite() { cups_.reset(); }
  void SetUp() override {
    if (!cups_->SkipReason().empty()) GTEST_SKIP() << cups_->SkipReason();
    CliPrintTest::SetUp();
    cups_->Clear();
  }
  CliRun Print(std::vector<std::string> options, const std::string& input = "") {
    std::vector<std::string> args = {"print", set_.string(), "--printer", cups_->Queue()};
    args.insert(args.end(), options.begin(), options.end());
    return RunCli(args, input);
  }
  static inline std::unique_ptr<CupsTestQueue> cups_;
};

TEST_F(CliCupsTest, PrintersListsTheInstalledQueues) {
  const CliRun run = RunCli({"printers"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find(cups_->Queue() + "\n"), std::string::npos) << run.out;
}

TEST_F(CliCupsTest, PrintsEachOutputOnTheNamedPrinter) {
  const CliRun records = Print({"--copies", "2"});
  ASSERT_EQ(records.exitCode, 0) << records.err;
  EXPECT_NE(records.out.find("Printed the hand records on " + cups_->Queue()), std::string::npos);
  const CliRun travelers = Print({"--what", "travelers", "--last-board", "4"});
  ASSERT_EQ(travelers.exitCode, 0) << travelers.err;
  const CliRun setups = Print({"--what", "setup-sheets", "--last-board", "3"});
  ASSERT_EQ(setups.exitCode, 0) << setups.err;

  const std::vector<fs::path> files = cups_->WaitForFiles(3);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(PdfPages(files[0]), 4);  // two copies of two pages
  EXPECT_NE(PdfWords(files[0]).find("Board 36"), std::string::npos);
  EXPECT_EQ(PdfPages(files[1]), 2);  // boards 1 and 3, then 2 and 4
  const std::string travelerText = PdfWords(files[1]);
  EXPECT_NE(travelerText.find("Board No. 4"), std::string::npos) << travelerText;
  EXPECT_EQ(travelerText.find("Board No. 5"), std::string::npos);
  EXPECT_EQ(PdfPages(files[2]), 2);
  EXPECT_NE(PdfWords(files[2]).find("SOUTH"), std::string::npos);
}

TEST_F(CliCupsTest, FlipWaitsForEnterBetweenTheSides) {
  const CliRun both = Print({"--flip"}, "\n");
  ASSERT_EQ(both.exitCode, 0) << both.err;
  EXPECT_NE(both.err.find("Then flip Hand Records and press Enter"), std::string::npos);
  EXPECT_EQ(cups_->WaitForFiles(2).size(), 2u);

  // Nobody at the terminal: the first side is printed, the second is not.
  cups_->Clear();
  const CliRun alone = Print({"--flip"});
  EXPECT_EQ(alone.exitCode, 1);
  EXPECT_NE(alone.err.find("19 to 36"), std::string::npos) << alone.err;
  const std::vector<fs::path> files = cups_->WaitForFiles(1);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(PdfWords(files[0]).find("Board 18"), std::string::npos);
}

TEST_F(CliCupsTest, LastBoardEndsThePrintedHandRecords) {
  // Up to board 18 one side only: flip has no second side to wait for.
  const CliRun one = Print({"--flip", "--last-board", "18"});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(one.err.find("flip Hand Records"), std::string::npos) << one.err;
  std::vector<fs::path> files = cups_->WaitForFiles(1);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(PdfPages(files[0]), 1);
  EXPECT_FALSE(HasBoard(PdfWords(files[0]), 19));

  cups_->Clear();
  const CliRun two = Print({"--last-board", "24"});
  ASSERT_EQ(two.exitCode, 0) << two.err;
  files = cups_->WaitForFiles(1);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(PdfPages(files[0]), 2);
  EXPECT_TRUE(HasBoard(PdfWords(files[0]), 24));
  EXPECT_FALSE(HasBoard(PdfWords(files[0]), 25));
}

TEST_F(CliCupsTest, MissingOrRefusingPrintersExitOne) {
  const CliRun missing = RunCli({"print", set_.string(), "--printer", "No Such Printer"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("no printer named \"No Such Printer\""), std::string::npos)
      << missing.err;
  EXPECT_NE(missing.err.find(cups_->Queue()), std::string::npos) << missing.err;

  CommandOutput("cupsreject -r 'paper jam' " + cups_->Queue());
  const CliRun refused = Print({"--what", "travelers"});
  CommandOutput("cupsaccept " + cups_->Queue());
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("paper jam"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace tarrow::cli
