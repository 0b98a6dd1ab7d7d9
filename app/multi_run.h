// Multiple-set runs: a number of complete sets dealt, analysed and written one
// after another without the operator, each with its own seed (the date and
// time it started and the run name), its own PBN file and PDF, all in one run
// folder, with a plain-text run log beside them.
//
//   AppRunHost host(app);
//   MultiSetRun run(host);
//   Status s = run.Start("Club", 2, outputDirectory);   // refuses unsafe names
//   while (run.Busy()) { wait a second; app.Tick(); s = run.Step(); }
//   // Club/Club1.pbn, Club/Club2.pbn, their PDFs and Club/Club.log
//
// The run is a state machine stepped once a second (the window's timer, the
// command line's loop):
//
//   | state       | event                                  | next     |
//   |-------------|----------------------------------------|----------|
//   | kIdle       | Start                                  | kNextSet |
//   | kNextSet    | step, sets remaining, no stop request  | kWaiting |
//   | kNextSet    | step, all sets done or stop requested  | kStopping|
//   | kWaiting    | step, analysis still running           | kWaiting |
//   | kWaiting    | step, analysis finished                | kNextSet |
//   | any but idle| Halt                                   | kStopping|
//   | kStopping   | step                                   | kIdle    |
//
// Run log, one entry per line (CR LF), appended and closed after each entry so
// that it can be read while the run goes on:
//
//   Start: 2026-12-07 18:00:00
//    Set:Club   2 Deal Sets Requested.
//   Saved in: /home/club/Documents/Club
//   Set #1 Started at: 2026-12-07 18:00:01
//   Club1.pbn 12.50 m Seed:2026-12-07 18:00:01 Club
//   ...
//   Stopped by Operator                       (a halted run only)
//   Stop: 2026-12-07 18:25:03  Elapsed= 25.03 m
//
// The run name becomes a folder and file names, so Start refuses a name that
// could leave the output folder or make an unusable file name; a folder or log
// that cannot be written stops the run with a message naming the path.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/output_plan.h"
#include "core/atomic_file.h"
#include "core/result.h"
#include "core/texts.h"

namespace tarrow {

class App;

// What a run needs from the set flow; AppRunHost gives it over the App, tests
// may replace the analysis.
class MultiRunHost {
 public:
  virtual ~MultiRunHost() = default;
  // Deals the 36 boards of the seed (Windows-1252) into a set named `file`,
  // keeping the set's generation time, copies the event fields into the
  // header and writes the PBN and the PDF, whether or not anything changed.
  virtual Status BeginSet(std::string_view seed, const std::filesystem::path& file) = 0;
  // Starts the analysis of the set; an error when it cannot run at all.
  virtual Status StartAnalysis() = 0;
  virtual void StopAnalysis() = 0;
  virtual bool AnalysisRunning() const = 0;
  // Stores the set's analysis duration (days) and writes the PBN and the PDF
  // again, now with the results.
  virtual Status FinishSet(double duration) = 0;
};

class AppRunHost : public MultiRunHost {
 public:
  explicit AppRunHost(App& app) : app_(app) {}
  Status BeginSet(std::string_view seed, const std::filesystem::path& file) override;
  Status StartAnalysis() override;
  void StopAnalysis() override;
  bool AnalysisRunning() const override;
  Status FinishSet(double duration) override;

 protected:
  Status WriteSet();
  App& app_;
};

// The elapsed time from start to now: hours with two decimals above an hour
// ("1.50 h"), minutes otherwise ("45.00 m").
std::string ElapsedText(DateTime start, DateTime now);

class MultiSetRun {
 public:
  enum class State { kIdle = 0, kNextSet = 1, kWaiting = 2, kStopping = 3 };
  static constexpr int kFewestSets = 2;
  static constexpr int kMostSets = 100;
  static constexpr std::string_view kStoppedText = "Stopped by Operator";

  explicit MultiSetRun(MultiRunHost& host) : host_(host) {}

  // Fails, saying why, for a name that is empty, is "." or "..", holds a path
  // separator or a control character, or has a character the seed cannot
  // hold (Windows-1252).  The name is UTF-8, as the operator typed it.
  static Status CheckRunName(std::string_view name);

  // Everything a run checks before it creates anything: the name, the
  // number of sets, the length of every file name the run will make, that
  // the folder can take the files, and what is in the way at the output
  // gate.  Files of an earlier run of this name (the ones its log names,
  // still as it wrote them) make the verdict need the user's word; any
  // other file in the way of the run is refused, naming it.
  static OutputVerdict CheckRun(std::string_view name, int sets,
                                const std::filesystem::path& outputDirectory);

  // When idle: CheckRun, then makes the run folder (one level, inside
  // outputDirectory), writes the log afresh with its three start lines and
  // gets ready for the first set.  With replaceEarlierRun the files the
  // earlier run's log names (and that are still what it wrote) are removed
  // first, so none of them is left beside the new sets; any other file
  // stays as it is (KeptFiles names those of the run's pattern).  On failure
  // nothing is left running and the message names the name or the path;
  // *needsWord (when given) tells a refusal for want of the user's word to
  // replace an earlier run, so the caller can ask and start again.
  Status Start(std::string_view name, int sets, const std::filesystem::path& outputDirectory,
               bool replaceEarlierRun = false, bool* needsWord = nullptr);
  // When not idle: stops the analysis, logs "Stopped by Operator" and lets the
  // next step end the run.  A log that cannot be written is reported.
  Status Halt();
  // One tick of the run (see the table above).  A failed write of the log or
  // of a set stops the run; the message names the path.
  Status Step();

  State state() const noexcept { return state_; }
  bool Busy() const noexcept { return state_ != State::kIdle; }
  bool StopRequested() const noexcept { return stopRequested_; }
  int SetCounter() const noexcept { return setCounter_; }
  const std::filesystem::path& RunDirectory() const noexcept { return runDirectory_; }
  // The log of the latest run; empty before any run.
  const std::filesystem::path& LogPath() const noexcept { return logPath_; }
  const std::filesystem::path& CurrentFile() const noexcept { return currentFile_; }
  // Files in the run folder named like the run's (NAME, digits, .pbn or
  // .pdf) that no earlier run of it wrote, left as they were at Start.
  const std::vector<std::filesystem::path>& KeptFiles() const noexcept { return kept_; }
  // The seed of the current set, Windows-1252.
  const std::string& Seed() const noexcept { return seed_; }
  // Elapsed texts of the current set and of the whole run, refreshed while
  // the run waits for an analysis.
  const std::string& SetTimeText() const noexcept { return setTimeText_; }
  const std::string& RunTimeText() const noexcept { return runTimeText_; }

  // The clock; tests set their own.
  std::function<DateTime()> clock = DateTimeNow;

 private:
  Status AppendToLog(std::string_view line);
  Status StartNextSet();
  Status FinishSet();
  void EndRun();
  // Stops the analysis and the run at once after a failure.
  Status Abort(Status failure);

  MultiRunHost& host_;
  State state_ = State::kIdle;
  bool stopRequested_ = false;
  int setsRequested_ = 0;
  int setCounter_ = 0;
  DateTime runStart_ = 0;
  DateTime setStart_ = 0;
  std::string runName_;
  std::string runNameText_;  // Windows-1252, for the seed
  std::filesystem::path runDirectory_;
  std::filesystem::path logPath_;
  std::filesystem::path currentFile_;
  std::string seed_;
  std::string setTimeText_;
  std::string runTimeText_;
  FileLock runLock_;                  // beside the log, for the whole run
  std::optional<PlanWriter> writer_;  // the run's log, from the gate at Start
  std::string logText_;
  std::vector<std::filesystem::path> kept_;
};

}  // namespace tarrow
