// For tests only: a print queue of a real local CUPS whose "paper" is a PDF
// file (cups-pdf), so printed pages can be checked like any other output.
// It starts cupsd when none is running (and stops only that one), adds its
// own queue and removes it, with its configuration and files, when it goes.
// Where CUPS cannot run (not root, cups or cups-pdf missing) it says why in
// SkipReason() and the tests are skipped, never passed.
//
//   CupsTestQueue cups;
//   if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
//   ... print to cups.Queue() ...
//   std::vector<fs::path> files = cups.WaitForFiles(2);   // one PDF per job
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "records/pdf_tools_for_test.h"

namespace tarrow::testing {

class CupsTestQueue {
 public:
  CupsTestQueue() {
    namespace fs = std::filesystem;
    if (geteuid() != 0) {
      skip_ = "CUPS test skipped: adding a print queue needs root";
      return;
    }
    for (const char* tool :
         {"/usr/sbin/cupsd", "/usr/sbin/lpadmin", "/usr/lib/cups/backend/cups-pdf",
          "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"}) {
      if (!fs::exists(tool)) {
        skip_ = std::string("CUPS test skipped: ") + tool +
                " is missing (scripts/install-deps.sh installs cups and printer-driver-cups-pdf)";
        return;
      }
    }
    if (!SchedulerRunning()) {
      cupsd_ = fork();
      if (cupsd_ == 0) {
        execl("/usr/sbin/cupsd", "cupsd", "-f", static_cast<char*>(nullptr));
        _exit(127);
      }
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!SchedulerRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!SchedulerRunning()) {
        skip_ = "CUPS test skipped: cupsd did not start within 20 seconds";
        return;
      }
    }
    const std::string id = std::to_string(getpid());
    instance_ = "tarrowtest" + id;
    queue_ = "Tarrow_Test_" + id;
    out_ = fs::temp_directory_path() / ("tarrow-cups-" + id);
    fs::create_directories(out_);
    fs::permissions(out_, fs::perms::all);
    // cups-pdf reads cups-pdf-INSTANCE.conf for the device "cups-pdf:/INSTANCE";
    // Label 2 puts the job number into every file's name.
    config_ = fs::path("/etc/cups") / ("cups-pdf-" + instance_ + ".conf");
    std::ofstream(config_) << "Out " << out_.string() << "\nAnonDirName " << out_.string()
                           << "\nLabel 2\nUserUMask 0000\nAnonUMask 0000\n";
    int status = 0;
    const std::string added =
        CommandOutput("lpadmin -p " + queue_ + " -E -v cups-pdf:/" + instance_ +
                          " -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"
                          // Poppler's cairo renderer keeps the text searchable on
                          // its way through PostScript; Ghostscript's turns it
                          // into pictures of letters.
                          " -o pdftops-renderer-default=pdftocairo",
                      &status);
    if (status != 0) {
      skip_ = "CUPS test skipped: lpadmin could not add a queue: " + added;
      return;
    }
    queueAdded_ = true;
  }

  ~CupsTestQueue() {
    std::error_code ignored;
    if (queueAdded_) CommandOutput("lpadmin -x " + queue_);
    if (!config_.empty()) std::filesystem::remove(config_, ignored);
    if (!out_.empty()) std::filesystem::remove_all(out_, ignored);
    if (cupsd_ > 0) {
      kill(cupsd_, SIGTERM);
      waitpid(cupsd_, nullptr, 0);
    }
  }
  CupsTestQueue(const CupsTestQueue&) = delete;
  CupsTestQueue& operator=(const CupsTestQueue&) = delete;

  const std::string& SkipReason() const noexcept { return skip_; }
  const std::string& Queue() const noexcept { return queue_; }

  // Forgets the files of earlier jobs.
  void Clear() {
    for (const auto& entry : std::filesystem::directory_iterator(out_))
      std::filesystem::remove_all(entry.path());
  }

  // The PDFs the queue wrote, in job order, once `count` have come and no
  // job is pending; gives up after a minute.
  std::vector<std::filesystem::path> WaitForFiles(size_t count) {
    namespace fs = std::filesystem;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::vector<fs::path> files;
    while (std::chrono::steady_clock::now() < deadline) {
      files.clear();
      for (const auto& entry : fs::recursive_directory_iterator(out_))
        if (entry.path().extension() == ".pdf") files.push_back(entry.path());
      if (files.size() >= count && CommandOutput("lpstat -o " + queue_).empty()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    // Each file's name ends in its job number ("...-job_12.pdf").
    const auto job = [](const fs::path& file) {
      const std::string name = file.filename().string();
      const size_t at = name.rfind("job_");
      return at == std::string::npos ? -1 : std::atoi(name.c_str() + at + 4);
    };
    std::sort(files.begin(), files.end(),
              [&](const fs::path& a, const fs::path& b) { return job(a) < job(b); });
    EXPECT_EQ(files.size(), count) << CommandOutput("lpstat -l -o; ls -lR " + out_.string());
    return files;
  }

 private:
  static bool SchedulerRunning() {
    const std::string status = CommandOutput("lpstat -r");
    return status.find("scheduler is running") != std::string::npos &&
           status.find("not running") == std::string::npos;
  }

  std::string skip_, instance_, queue_;
  std::filesystem::path out_, config_;
  pid_t cupsd_ = -1;
  bool queueAdded_ = false;
};

}  // namespace tarrow::testing
