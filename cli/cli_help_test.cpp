// "--help" and "-h" wherever an option may stand give the command's help and
// do nothing else, for every command of tarrow-cli.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "cli/commands.h"
#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;

std::string Text(const fs::path& path) {
  const Result<std::string> text = ReadWholeFile(path);
  return text.ok() ? *text : "(unreadable)";
}

// Every file under folder with its bytes, to see that nothing was written.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    files[name] = entry.is_regular_file() ? Text(entry.path()) : "(folder)";
  }
  return files;
}

// Runs the commands in the test's folder: outputs named relative to it land
// there, where the snapshot sees them.
class CliHelpEverywhereTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    previous_ = fs::current_path();
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    TempFolderTest::TearDown();
  }
  fs::path previous_;
};

TEST_F(CliHelpEverywhereTest, EveryCommandGivesItsHelpAndDoesNothingElse) {
  // A set for the commands that read one.
  const CliRun dealt =
      RunCli({"deal", "--seed", "abc", "--out", "set.pbn", "--no-analysis", "--no-pdf"});
  ASSERT_EQ(dealt.exitCode, 0) << dealt.err;
  // Arguments each command would act on: without the help option every one
  // of them writes a file, prints results or starts a run.
  std::map<std::string, std::vector<std::string>> valid = {
      {"boards", {"--seed", "abc"}},
      {"number", {"1,234"}},
      {"solve",
       {"--threads", "1", "--table",
        "N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83"}},
      {"deal", {"--seed", "abc", "--out", "new.pbn", "--threads", "1", "--no-pdf"}},
      {"analyze", {"set.pbn", "--threads", "1"}},
      {"show", {"set.pbn", "--board", "1"}},
      {"pdf", {"set.pbn", "--out", "records.pdf"}},
      {"html", {"set.pbn", "--out", "records.html"}},
      {"export", {"set.pbn", "--format", "dup", "--out", "machine.dup"}},
      {"par", {"set.pbn", "--board", "2"}},
      {"printers", {}},
      {"print", {"set.pbn", "--what", "travelers", "--printer", "No such printer"}},
      {"multi", {"--name", "Club", "--sets", "2", "--dir", ".", "--threads", "1", "--no-pdf"}},
      {"render", {"set.pbn", "--board", "1", "--out", "board.png"}},
      {"annotate", {"set.pbn", "--out", "annotated.pbn", "--threads", "1", "--tags", "all"}},
  };
  const std::map<std::string, std::string> before = Snapshot(folder_);
  int walked = 0;
  for (const Command* command : AllCommands()) {
    const std::string name(command->name);
    SCOPED_TRACE(name);
    const auto found = valid.find(name);
    ASSERT_NE(found, valid.end()) << "no arguments for this command in the test";
    const std::vector<std::string>& args = found->second;
    // The middle: the first place from the centre that is no option's value.
    size_t middle = args.size() / 2;
    while (middle > 0 && middle < args.size() && command->options.values.count(args[middle - 1])) {
      ++middle;
    }
    struct Placed {
      const char* where;
      size_t at;
      const char* option;
    };
    for (const Placed placed : {Placed{"first", 0, "--help"}, Placed{"middle", middle, "-h"},
                                Placed{"last", args.size(), "--help"},
                                Placed{"after an unknown option", args.size() + 1, "-h"}}) {
      SCOPED_TRACE(placed.where);
      std::vector<std::string> line = {name};
      line.insert(line.end(), args.begin(), args.end());
      if (std::string(placed.where) == "after an unknown option") line.push_back("--colour");
      line.insert(line.begin() + 1 + std::ptrdiff_t(placed.at), placed.option);
      const CliRun run = RunCli(line);
      EXPECT_EQ(run.exitCode, 0) << ::testing::PrintToString(line) << run.err;
      EXPECT_EQ(run.out, std::string(command->help)) << ::testing::PrintToString(line);
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(Snapshot(folder_), before) << ::testing::PrintToString(line);
    }
    ++walked;
  }
  EXPECT_EQ(walked, int(valid.size())) << "a command of the test is not in the program";
}

TEST_F(CliHelpEverywhereTest, AValueThatReadsLikeHelpStaysAValue) {
  // deal --seed -h deals the seed "-h"; after "--" nothing asks for help.
  const CliRun dealt =
      RunCli({"deal", "--seed", "-h", "--out", "h.pbn", "--no-analysis", "--no-pdf"});
  ASSERT_EQ(dealt.exitCode, 0) << dealt.err;
  EXPECT_NE(Text(folder_ / "h.pbn").find("[Application \"1-h\"]"), std::string::npos);
  const CliRun rendered = RunCli({"render", "h.pbn", "--board", "1", "--out", "-h"});
  EXPECT_EQ(rendered.exitCode, 0) << rendered.err;
  EXPECT_TRUE(fs::is_regular_file(folder_ / "-h")) << "the picture goes to the file \"-h\"";
  const CliRun ended = RunCli({"number", "--", "-h"});
  EXPECT_EQ(ended.exitCode, 1);
  EXPECT_EQ(ended.out, "");
}

}  // namespace
}  // namespace tarrow::cli
