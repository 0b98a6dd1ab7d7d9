// tarrow-cli render, run as a user would: the PNG it writes, and what it
// says about bad arguments and files it cannot read or write.
#include <gtest/gtest.h>
#include <QImage>

#include <fstream>

#include "cli/run_cli_for_test.h"
#include "core/temp_folder_for_test.h"

namespace tarrow::cli {
namespace {

using tarrow::cli::testing::RunCli;

class CliRenderTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    set_ = (folder_ / "club.pbn").string();
    std::ofstream pbn(set_);
    pbn << "[Event \"Club night\"]\r\n[Board \"1\"]\r\n[Dealer \"N\"]\r\n[Vulnerable \"None\"]\r\n"
           "[Deal \"N:AKQJ.T98.765.432 T98.AKQJ.432.765 765.432.AKQJ.T98 432.765.T98.AKQJ\"]\r\n";
  }
  std::string set_;
};

TEST_F(CliRenderTest, WritesTheBoardPictureAtTheSizeAsked) {
  const std::string out = (folder_ / "board1.png").string();
  const auto run = RunCli({"render", set_, "--board", "1", "--size", "800x600", "--out", out});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QImage image(QString::fromStdString(out));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(800, 600));
  // The shown board's button is red, the empty board 2's black, the table green.
  // P = 120: buttons round(120 / 13.2) = 9 wide, 11 apart, rows from x
  // round((120 - 99 - 9 - 4) / 2) = 4 and y round(4.5) = 4.
  EXPECT_EQ(image.pixel(4 + 4, 4 + 4), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(4 + 11 + 4, 4 + 4), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(790, 590), qRgb(0x10, 0x40, 0x10));
}

TEST_F(CliRenderTest, BadArgumentsAreNamedAndWriteNothing) {
  const std::string out = (folder_ / "board.png").string();
  struct Row {
    std::vector<std::string> args;
    int exitCode;
    std::string says;
  };
  const Row rows[] = {
      {{"render", set_, "--board", "1", "--size", "10x10", "--out", out}, 2, "--size"},
      {{"render", set_, "--board", "1", "--size", "800", "--out", out}, 2, "\"800\""},
      {{"render", set_, "--board", "37", "--out", out}, 2, "--board"},
      {{"render", set_, "--out", out}, 2, "--board"},
      {{"render", set_, "--board", "1"}, 2, "--out"},
      {{"render", set_, "--board", "1", "--number", "oct", "--out", out}, 2, "oct"},
      {{"render", (folder_ / "missing.pbn").string(), "--board", "1", "--out", out},
       1,
       "missing.pbn"},
      {{"render", set_, "--board", "1", "--out", (folder_ / "no" / "b.png").string()}, 1, "b.png"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[row.args.size() - 1]);
    const auto run = RunCli(row.args);
    EXPECT_EQ(run.exitCode, row.exitCode);
    EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace tarrow::cli
