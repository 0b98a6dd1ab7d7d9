// tarrow-cli pdf, and the hand records that deal and analyze leave beside a set.
#include <gtest/gtest.h>
#include <unistd.h>
#include "core/write_permit_for_test.h"

#include <cstdio>
#include <filesystem>

#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;

class CliPdfTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    set_ = folder_ / "abc.pbn";
    const CliRun dealt = RunCli({"deal", "--seed", "abc", "--out", set_.string(), "--no-analysis",
                                 "--club", "Tarrow Bridge Club"});
    ASSERT_EQ(dealt.exitCode, 0) << dealt.err;
  }
  // qpdf's verdict on a file: its exit status, 0 when the PDF is sound.
  static int QpdfCheck(const fs::path& pdf) {
    const std::string command = "qpdf --check '" + pdf.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str());
  }
  static std::string PdfText(const fs::path& pdf) {
    const std::string command = "pdftotext -layout '" + pdf.string() + "' -";
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      char buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
      ::pclose(pipe);
    }
    return text;
  }

  fs::path set_;
};

TEST_F(CliPdfTest, DealLeavesTheHandRecordsBesideTheSet) {
  const fs::path pdf = folder_ / "abc.pdf";
  ASSERT_TRUE(fs::is_regular_file(pdf));
  EXPECT_EQ(QpdfCheck(pdf), 0);
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("Tarrow Bridge Club"), std::string::npos);
  EXPECT_NE(text.find("Board 36"), std::string::npos);
}

TEST_F(CliPdfTest, WritesEveryCombinationOfOptions) {
  const std::vector<std::vector<std::string>> choices = {
      {},
      {"--show", "none"},
      {"--show", "distributions,numbers,ltc,analysis", "--all-tricks"},
      {"--show", "ltc", "--ltc-method", "3"},
      {"--show", "numbers,distributions", "--ltc-method", "2", "--club", "Caf\xC3\xA9"},
  };
  int i = 0;
  for (const auto& choice : choices) {
    const fs::path out = folder_ / ("records" + std::to_string(i++) + ".pdf");
    std::vector<std::string> args = {"pdf", set_.string(), "--out", out.string()};
    args.insert(args.end(), choice.begin(), choice.end());
    const CliRun run = RunCli(args);
    ASSERT_EQ(run.exitCode, 0) << ::testing::PrintToString(args) << run.err;
    EXPECT_EQ(QpdfCheck(out), 0) << out;
  }
  EXPECT_NE(PdfText(folder_ / "records2.pdf").find("48DB1DE1 5ED13920 FC4FE771"), std::string::npos)
      << "deal numbers are shown with numbers";
}

TEST_F(CliPdfTest, ShowParPrintsTheParOfAnalysedBoardsOnly) {
  // Board 1 completely analysed (North-South take every trick), board 2 not.
  std::string text =
      "[Board \"1\"]\n[Deal \"N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 "
      "6543.876.876.876 2.5432.5432.5432\"]\n"
      "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]\n";
  for (const char* declarer : {"N", "E", "S", "W"}) {
    for (const char* strain : {"C", "D", "H", "S", "NT"}) {
      const bool ns = declarer[0] == 'N' || declarer[0] == 'S';
      text += std::string(declarer) + " " + strain + (ns ? " 13\n" : " 0\n");
    }
  }
  text +=
      "\n[Board \"2\"]\n[Deal \"N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 "
      "2.5432.5432.5432\"]\n";
  const fs::path analysed = folder_ / "analysed.pbn";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(analysed, text).ok());
  const fs::path withPar = folder_ / "par.pdf", without = folder_ / "nopar.pdf";
  const CliRun run =
      RunCli({"pdf", analysed.string(), "--out", withPar.string(), "--show", "analysis,par"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(QpdfCheck(withPar), 0);
  const std::string shown = PdfText(withPar);
  EXPECT_NE(shown.find("Par NS +1520 7NT"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("Par "), shown.rfind("Par ")) << "board 2 has no table, so no par";
  ASSERT_EQ(RunCli({"pdf", analysed.string(), "--out", without.string()}).exitCode, 0);
  EXPECT_EQ(PdfText(without).find("Par "), std::string::npos) << "par is off by default";
}

TEST_F(CliPdfTest, BadOptionsExitTwoAndAFailedWriteExitsOne) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"pdf", set_.string(), "--show", "everything"},
        {"pdf", set_.string(), "--show", "analysis,pars"},
        {"pdf", set_.string(), "--ltc-method", "4"},
        {"pdf"},
        {"pdf", set_.string(), "--landscape"}}) {
    EXPECT_EQ(RunCli(args).exitCode, 2) << ::testing::PrintToString(args);
  }
  const fs::path unwritable = folder_ / "missing" / "records.pdf";
  const CliRun run = RunCli({"pdf", set_.string(), "--out", unwritable.string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(unwritable.string()), std::string::npos) << run.err;
}

TEST_F(CliPdfTest, ImportedDealFilesLoadBackExactly) {
  // A .ber line: card by card, who holds it (1 North .. 4 West).  Board 1 is
  // deal number 1000 and board 2 deal number 1, both quick to analyse.
  const std::string deal1 = "N:...AKQJT98765432 87.KQJT8765432.. ..AKQJT98765432. AKQJT965432.A9..";
  const std::string deal2 = "N:...AKQJT98765432 2.KQJT98765432.. ..AKQJT98765432. AKQJT9876543.A..";
  auto berGroup = [](const std::string& pbn) {
    std::string group(52, '?');
    int seat = 0, suit = 0;
    for (size_t i = 2; i < pbn.size(); ++i) {
      const char c = pbn[i];
      if (c == ' ') {
        ++seat;
        suit = 0;
      } else if (c == '.') {
        ++suit;
      } else {
        group[size_t(suit * 13 + int(std::string("AKQJT98765432").find(c)))] = char('1' + seat);
      }
    }
    return group;
  };
  const fs::path ber = folder_ / "machine.ber";
  ASSERT_TRUE(tarrow::testing::WriteTestFile(ber, berGroup(deal1) + berGroup(deal2) + "\r\n").ok());
  const CliRun run = RunCli({"analyze", ber.string(), "--threads", "2", "--no-pdf"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const CliRun shown = RunCli({"show", (folder_ / "machine.pbn").string(), "--board", "2"});
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_NE(shown.out.find("Double dummy"), std::string::npos) << shown.out;
  for (const char* board : {"0", "37", "2x"}) {
    EXPECT_EQ(RunCli({"show", (folder_ / "machine.pbn").string(), "--board", board}).exitCode, 2)
        << board;
  }
  const Result<std::string> pbn = ReadWholeFile(folder_ / "machine.pbn");
  ASSERT_TRUE(pbn.ok());
  EXPECT_NE(pbn->find("[Application \"1None\"]"), std::string::npos);
  EXPECT_NE(pbn->find("[Deal \"E:2.KQJT98765432.. ..AKQJT98765432. AKQJT9876543.A.. "
                      "...AKQJT98765432\"]"),
            std::string::npos);
  EXPECT_EQ(pbn->find("[Board \"3\"]"), std::string::npos) << "only the file's deals";
}

}  // namespace
}  // namespace tarrow::cli
