// Runs tarrow-cli as a user would, for the command-line tests: arguments,
// optional standard input, captured output and exit status.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tarrow::cli::testing {

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the binary with args.  `whileRunning`, when given, is called about
// every 20 ms with the child's pid and the output so far; it may signal it.
inline CliRun RunCli(const std::vector<std::string>& args, const std::string& input = "",
                     const std::function<void(pid_t, const CliRun&)>& whileRunning = nullptr) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    // The settings of whoever runs the tests must not change what the
    // commands do: without a settings file every run sees the defaults.
    setenv("TARROW_CONFIG_DIR", "/nonexistent/tarrow-test-config", 0);
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    std::vector<char*> argv;
    std::string program = TARROW_CLI;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  signal(SIGPIPE, SIG_IGN);
  if (!input.empty()) {
    size_t written = 0;
    while (written < input.size()) {
      const ssize_t n = write(in[1], input.data() + written, input.size() - written);
      if (n <= 0) break;
      written += size_t(n);
    }
  }
  close(in[1]);
  CliRun run;
  bool outOpen = true, errOpen = true;
  while (outOpen || errOpen) {
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    poll(fds, 2, 20);
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? run.out : run.err).append(buffer, size_t(n));
      } else {
        (i == 0 ? outOpen : errOpen) = false;
      }
    }
    if (whileRunning) whileRunning(pid, run);
  }
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace tarrow::cli::testing
