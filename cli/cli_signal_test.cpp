// Stop signals during an analysis, sent to the real tarrow-cli: a service
// stop (SIGTERM), a closed terminal (SIGHUP) and Ctrl-C (SIGINT) each stop
// the run, save what is done and exit with 128 + the signal.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/run_cli_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "files/pbn_reader.h"

namespace tarrow::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::RunCli;
using Clock = std::chrono::steady_clock;

class CliSignalTest : public tarrow::testing::TempFolderTest {
 protected:
  // The strains of a side whose tricks the set on disk holds, 0..360; -1
  // when the file does not read back as a set.
  static int KnownResults(const fs::path& pbn) {
    const Result<DealSet> set = ReadPbnFile(pbn);
    if (!set.ok()) {
      ADD_FAILURE() << set.message();
      return -1;
    }
    int known = 0;
    for (const BoardEntry& entry : set->boards) {
      known += std::popcount(unsigned(entry.doneMask[0] & 31)) +
               std::popcount(unsigned(entry.doneMask[1] & 31));
    }
    return known;
  }

  // Runs the command and sends `signal` once `ready` holds and `after` has
  // passed since then; false in sent when the run ended first.
  static CliRun RunAndSignal(const std::vector<std::string>& args, int signal,
                             const std::function<bool()>& ready, bool& sent,
                             std::chrono::milliseconds after = std::chrono::milliseconds(1500)) {
    sent = false;
    std::optional<Clock::time_point> readyAt;
    return RunCli(args, "", [&](pid_t pid, const CliRun&) {
      if (sent) return;
      if (!readyAt && ready()) readyAt = Clock::now();
      if (readyAt && Clock::now() - *readyAt >= after) {
        ::kill(pid, signal);
        sent = true;
      }
    });
  }
};

TEST_F(CliSignalTest, EachStopSignalSavesWhatIsDoneAndExitsWithItsCode) {
  const fs::path out = folder_ / "club.pbn";
  // deal: the set is written when its analysis starts; a service stop comes
  // while the worker is busy.
  bool sent = false;
  const CliRun term = RunAndSignal(
      {"deal", "--seed", "Stopped politely", "--out", out.string(), "--threads", "1", "--no-pdf"},
      SIGTERM, [&] { return fs::exists(out); }, sent);
  ASSERT_TRUE(sent) << "the analysis ended before the signal: " << term.err;
  EXPECT_EQ(term.exitCode, 143) << term.err;
  EXPECT_NE(term.err.find("Resume with: tarrow-cli analyze"), std::string::npos) << term.err;
  const int afterTerm = KnownResults(out);
  EXPECT_GT(afterTerm, 0) << "the results done before SIGTERM were lost";
  EXPECT_LT(afterTerm, 360);

  // analyze resumes it; the terminal closes.
  struct Row {
    int signal;
    int exitCode;
  };
  int before = afterTerm;
  for (const Row row : {Row{SIGHUP, 129}, Row{SIGINT, 130}}) {
    SCOPED_TRACE(row.signal);
    const CliRun run = RunAndSignal(
        {"analyze", out.string(), "--threads", "1", "--no-pdf"}, row.signal, [] { return true; },
        sent);
    if (!sent) {
      EXPECT_EQ(run.exitCode, 0) << run.err;  // finished first: nothing to check here
      break;
    }
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
    const int now = KnownResults(out);
    EXPECT_GT(now, before) << "the results done before the signal were lost";
    before = now;
  }
}

TEST_F(CliSignalTest, AHangUpIgnoredByTheCallerStaysIgnored) {
  // As under nohup: SIGHUP ignored when the program starts.  The run goes
  // on through it and stops only at the SIGTERM after it.
  const fs::path out = folder_ / "night.pbn";
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGHUP, &ignore, &previous);
  bool hungUp = false, sent = false;
  const CliRun run =
      RunCli({"deal", "--seed", "nohup", "--out", out.string(), "--threads", "1", "--no-pdf"}, "",
             [&](pid_t pid, const CliRun&) {
               if (!hungUp && fs::exists(out)) {
                 ::kill(pid, SIGHUP);
                 hungUp = true;
                 std::this_thread::sleep_for(std::chrono::milliseconds(800));
                 ::kill(pid, SIGTERM);
                 sent = true;
               }
             });
  sigaction(SIGHUP, &previous, nullptr);
  ASSERT_TRUE(sent);
  EXPECT_EQ(run.exitCode, 143) << run.err;
  EXPECT_GT(KnownResults(out), 0);
}

TEST_F(CliSignalTest, OutputNobodyReadsDoesNotEndTheRun) {
  // After a hang-up the output may be a pipe whose reader is gone: the
  // progress lines must not end the run with SIGPIPE before it saves.
  const fs::path out = folder_ / "pipe.pbn";
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    setenv("TARROW_CONFIG_DIR", "/nonexistent/tarrow-test-config", 1);
    ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it; the tests ignore it themselves
    ::dup2(pipeEnds[1], 1);
    ::dup2(pipeEnds[1], 2);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    const std::string program = TARROW_CLI;
    execl(program.c_str(), program.c_str(), "deal", "--seed", "no reader", "--out", out.c_str(),
          "--threads", "1", "--no-pdf", static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(pipeEnds[0]);  // nobody reads: every write into the pipe fails
  ::close(pipeEnds[1]);
  // The first progress line comes after a second; stop a while after it.
  const Clock::time_point start = Clock::now();
  while (!fs::exists(out) && Clock::now() - start < std::chrono::seconds(20)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  ::kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  EXPECT_EQ(exitCode, 143) << "141 is SIGPIPE";
  EXPECT_GT(KnownResults(out), 0);
}

TEST_F(CliSignalTest, SigtermHaltsAMultipleSetRunAndLogsIt) {
  const fs::path first = folder_ / "Club" / "Club1.pbn";
  bool sent = false;
  const CliRun run = RunAndSignal(
      {"multi", "--name", "Club", "--sets", "3", "--dir", folder_.string(), "--threads", "1",
       "--no-pdf"},
      SIGTERM, [&] { return fs::exists(first); }, sent, std::chrono::milliseconds(1000));
  ASSERT_TRUE(sent);
  EXPECT_EQ(run.exitCode, 143) << run.err;
  const Result<std::string> log = ReadWholeFile(folder_ / "Club" / "Club.log");
  ASSERT_TRUE(log.ok());
  EXPECT_NE(log->find("\r\nStopped by Operator\r\nStop: "), std::string::npos) << *log;
  EXPECT_GT(KnownResults(first), 0) << "the halted set lost what was analysed";
  EXPECT_FALSE(fs::exists(folder_ / "Club" / "Club2.pbn"));
}

}  // namespace
}  // namespace tarrow::cli
