// tarrow-cli par, and the par line of show, on a set file written by hand:
// complete tables, a board whose par only its file gives, and a board
// without analysis.
#include <gtest/gtest.h>
#include "core/write_permit_for_test.h"

#include <filesystem>
#include <sstream>

#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;

constexpr const char* kDeal =
    "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432";

// The 20 rows of a table; tricks(declarer, strain label) gives each entry.
template <typename Tricks>
std::string Table(Tricks tricks) {
  std::string text = "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]\n";
  for (const char* declarer : {"N", "E", "S", "W"}) {
    for (const char* strain : {"C", "D", "H", "S", "NT"}) {
      text += std::string(declarer) + " " + strain + " " +
              std::to_string(tricks(std::string(declarer), std::string(strain))) + "\n";
    }
  }
  return text;
}

std::string Board(int n) {
  return "[Board \"" + std::to_string(n) + "\"]\n[Deal \"" + kDeal + "\"]\n";
}

class CliParTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    set_ = folder_ / "par.pbn";
    std::string text = "[Event \"Par\"]\n";
    // Board 1: North-South take every trick.
    text += Board(1) + Table([](const std::string& d, const std::string&) {
              return d == "N" || d == "S" ? 13 : 0;
            });
    // Board 2: no table, but the file says what par is.
    text += Board(2) + "[OptimumScore \"EW 500\"]\n[ParContract \"EW 4S\"]\n";
    // Board 3 (South deals, East-West vulnerable): East-West make 4S,
    // North-South save in 5H doubled, two down.
    text += Board(3) + Table([](const std::string& d, const std::string& s) {
              const bool ns = d == "N" || d == "S";
              return (!ns && s == "S") ? 10 : (ns && s == "H") ? 9 : 6;
            });
    // Board 5: dealt, never analysed.
    text += Board(5);
    ASSERT_TRUE(tarrow::testing::WriteTestFile(set_, text).ok());
  }
  fs::path set_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(CliParTest, PrintsOneLinePerBoard) {
  const CliRun run = RunCli({"par", set_.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> expected = {
      "Board  1  NS 1520    NS 7NT",
      "Board  2  EW 500     EW 4S  (from the file)",
      "Board  3  EW 300     NS 5HX-2",
      "Board  5  -          not completely analysed",
  };
  EXPECT_EQ(Lines(run.out), expected);
  const CliRun one = RunCli({"par", set_.string(), "--board", "3"});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(Lines(one.out), std::vector<std::string>{expected[2]});
}

TEST_F(CliParTest, ShowPrintsTheParUnderEachBoardThatHasOne) {
  const CliRun three = RunCli({"show", set_.string(), "--board", "3"});
  ASSERT_EQ(three.exitCode, 0) << three.err;
  EXPECT_NE(three.out.find("\nPar: EW 300  NS 5HX-2\n"), std::string::npos) << three.out;
  const CliRun two = RunCli({"show", set_.string(), "--board", "2"});
  EXPECT_NE(two.out.find("\nPar (from the file): EW 500  EW 4S\n"), std::string::npos) << two.out;
  const CliRun five = RunCli({"show", set_.string(), "--board", "5"});
  EXPECT_EQ(five.out.find("Par"), std::string::npos) << five.out;
}

TEST_F(CliParTest, WrongArgumentsExitTwoAndBadFilesOne) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"par"},
                                               {"par", set_.string(), "--board", "37"},
                                               {"par", set_.string(), "--board"},
                                               {"par", set_.string(), set_.string()}}) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(run.err.empty());
  }
  const CliRun missing = RunCli({"par", (folder_ / "none.pbn").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("none.pbn"), std::string::npos) << missing.err;
  ASSERT_TRUE(tarrow::testing::WriteTestFile(folder_ / "bad.pbn",
                                             Board(1) + Table([](auto, auto) { return 14; }))
                  .ok());
  const CliRun bad = RunCli({"par", (folder_ / "bad.pbn").string()});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("bad.pbn"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace tarrow::cli
