// tarrow-cli export and html: a set's boards for a dealing machine, and its
// hand records as a web page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "files/deal_files.h"
#include "files/pbn_reader.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;

class CliExportTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    set_ = folder_ / "club.pbn";
    const CliRun dealt = RunCli({"deal", "--seed", "export test", "--out", set_.string(),
                                 "--no-analysis", "--no-pdf", "--club", "Riverside BC"});
    ASSERT_EQ(dealt.exitCode, 0) << dealt.err;
  }
  static std::string Bytes(const fs::path& path) {
    const Result<std::string> bytes = ReadWholeFile(path);
    return bytes.ok() ? *bytes : "";
  }
  // The deals of the set file, through the program's own import of a
  // machine file (which reads a .pbn as a set).
  std::array<Deal, 36> SetDeals() {
    std::array<Deal, 36> deals;
    const CliRun exported = RunCli({"export", set_.string(), "--format", "ber", "--out",
                                    (folder_ / "reference.ber").string()});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    const Result<ImportBuffer> read = ReadBerFile(folder_ / "reference.ber");
    EXPECT_TRUE(read.ok());
    if (read.ok()) deals = read->deals;
    return deals;
  }

  fs::path set_;
};

TEST_F(CliExportTest, WritesBesideTheSetOrWhereAsked) {
  const std::array<Deal, 36> deals = SetDeals();
  const CliRun run = RunCli({"export", set_.string(), "--format", "BRI"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const fs::path bri = folder_ / "club.bri";
  EXPECT_EQ(run.out, "Wrote boards 1-36 to " + bri.string() + "\n");
  const Result<ImportBuffer> back = ReadBriFile(bri);
  ASSERT_TRUE(back.ok()) << back.message();
  ASSERT_EQ(back->count, 36);
  for (int board = 0; board < 36; ++board) {
    EXPECT_EQ(back->deals[size_t(board)].seatOf, deals[size_t(board)].seatOf) << board + 1;
  }
  const fs::path dup = folder_ / "machine" / "tuesday.dup";
  fs::create_directory(folder_ / "machine");
  const CliRun limited =
      RunCli({"export", set_.string(), "--format", "dup", "--boards", "24", "--out", dup.string()});
  ASSERT_EQ(limited.exitCode, 0) << limited.err;
  const std::string bytes = Bytes(dup);
  ASSERT_EQ(bytes.size(), 24u * 156u);
  EXPECT_EQ(bytes.substr(bytes.size() - 10), "YN1  1 24 ");
  EXPECT_EQ(bytes.substr(0, 78), Bytes(bri).substr(0, 78));
}

TEST_F(CliExportTest, WrongCommandLinesAreRefusedBeforeAnythingIsWritten) {
  const struct {
    std::vector<std::string> args;
    int exit;
    const char* message;
  } kCases[] = {
      {{"export", "SET"}, 2, "--format"},
      {{"export", "SET", "--format", "pdf"}, 2, "\"pdf\""},
      {{"export", "SET", "--format", "dup", "--boards", "0"}, 2, "--boards"},
      {{"export", "SET", "--format", "dup", "--boards", "37"}, 2, "37"},
      {{"export", "SET", "--format", "dup", "--out", "OUT.bri"}, 1, ".bri"},
      {{"export", "SET", "--format", "bri", "--out", "SET"}, 1, "club.pbn"},
      {{"export", "SET", "SET", "--format", "bri"}, 2, "one set file"},
      {{"html", "SET", "--show", "hands"}, 2, "\"hands\""},
      {{"html", "SET", "--out", "SET"}, 1, "club.pbn"},
      {{"html", "SET", "--out", "OUT.bri"}, 1, ".html"},
      {{"html", "SET", "--ltc-method", "4"}, 2, "--ltc-method"},
  };
  const std::string set = Bytes(set_);
  for (const auto& c : kCases) {
    std::vector<std::string> args;
    for (const std::string& arg : c.args) {
      args.push_back(arg == "SET"       ? set_.string()
                     : arg == "OUT.bri" ? (folder_ / "out.bri").string()
                                        : arg);
    }
    SCOPED_TRACE(args[0] + " " + args.back());
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, c.exit) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_EQ(Bytes(set_), set);
  for (const char* name : {"club.dup", "club.bri", "club.html", "out.bri"}) {
    EXPECT_FALSE(fs::exists(folder_ / name)) << name;
  }
}

TEST_F(CliExportTest, AMachineFileWithFewerBoardsIsExportedUpToItsLast) {
  const fs::path bri = folder_ / "twenty.bri";
  ASSERT_EQ(
      RunCli({"export", set_.string(), "--format", "bri", "--boards", "20", "--out", bri.string()})
          .exitCode,
      0);
  const CliRun whole = RunCli({"export", bri.string(), "--format", "dup"});
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  EXPECT_NE(whole.out.find("boards 1-20"), std::string::npos);
  EXPECT_EQ(Bytes(folder_ / "twenty.dup").size(), 20u * 156u);
  const CliRun past = RunCli({"export", bri.string(), "--format", "ber", "--boards", "30"});
  EXPECT_EQ(past.exitCode, 1);
  EXPECT_NE(past.err.find("board 21 "), std::string::npos) << past.err;
  EXPECT_FALSE(fs::exists(folder_ / "twenty.ber"));
}

TEST_F(CliExportTest, OtherDealsAreReplacedOnlyWithForce) {
  const fs::path out = folder_ / "club.dup";
  std::ofstream(out, std::ios::binary) << "deals of another evening";
  const CliRun asked = RunCli({"export", set_.string(), "--format", "dup"});
  EXPECT_EQ(asked.exitCode, 1);
  EXPECT_NE(asked.err.find("--force"), std::string::npos) << asked.err;
  EXPECT_EQ(Bytes(out), "deals of another evening");
  const CliRun forced = RunCli({"export", set_.string(), "--format", "dup", "--force"});
  ASSERT_EQ(forced.exitCode, 0) << forced.err;
  EXPECT_EQ(Bytes(out).size(), 36u * 156u);
  // The same deals again need no word.
  EXPECT_EQ(RunCli({"export", set_.string(), "--format", "dup"}).exitCode, 0);
}

TEST_F(CliExportTest, HtmlWritesTheWebPageWithTheChosenExtras) {
  const std::array<Deal, 36> deals = SetDeals();
  const CliRun run = RunCli({"html", set_.string(), "--show", "numbers,distributions"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const fs::path page = folder_ / "club.html";
  EXPECT_EQ(run.out, "Wrote " + page.string() + "\n");
  const std::string html = Bytes(page);
  EXPECT_NE(html.find("Riverside BC"), std::string::npos);
  EXPECT_NE(html.find("Deal # "), std::string::npos);
  EXPECT_NE(html.find(">Distrb<"), std::string::npos);
  EXPECT_EQ(html.find(">LTC<"), std::string::npos);
  for (int board = 1; board <= 36; ++board) {
    EXPECT_NE(html.find("data-deal=\"" + PbnDealText(deals[size_t(board - 1)], kNorth) + "\""),
              std::string::npos)
        << board;
  }

  const fs::path other = folder_ / "web" / "tuesday.html";
  fs::create_directory(folder_ / "web");
  const CliRun elsewhere =
      RunCli({"html", set_.string(), "--out", other.string(), "--club", "Caf\xC3\xA9 club"});
  ASSERT_EQ(elsewhere.exitCode, 0) << elsewhere.err;
  EXPECT_NE(Bytes(other).find("Caf\xC3\xA9 club"), std::string::npos);
}

}  // namespace
}  // namespace tarrow::cli
