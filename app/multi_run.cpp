#include "app/multi_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "app/app.h"
#include "app/ownership.h"
#include "core/cp1252.h"
#include "core/generation.h"

namespace tarrow {

namespace fs = std::filesystem;

Status AppRunHost::BeginSet(std::string_view seed, const fs::path& file) {
  app_.NameSetFile(file);
  app_.DealFromSeed(seed, app_.Set().header.generationTime);
  return WriteSet();
}

Status AppRunHost::StartAnalysis() {
  // The set was written just before, so the save that comes with the start
  // finds nothing to write; a failure here is one of the workers.
  return app_.StartAnalysis();
}

void AppRunHost::StopAnalysis() {
  app_.StopAnalysis();
}

bool AppRunHost::AnalysisRunning() const {
  return app_.AnalysisRunning();
}

Status AppRunHost::FinishSet(double duration) {
  app_.SetAnalysisDuration(duration);
  return WriteSet();
}

Status AppRunHost::WriteSet() {
  const Status pbn = app_.ForcePbnWrite();
  if (!pbn.ok() || !app_.WritesPdf()) return pbn;
  return app_.WriteHandRecords().status;
}

std::string ElapsedText(DateTime start, DateTime now) {
  const double days = now - start;
  return days * 24 * 60 > 60 ? HoursText(days) : MinutesText(days);
}

Status MultiSetRun::CheckRunName(std::string_view name) {
  if (name.empty()) return Status::Error("the set name is empty; type the name of the run");
  if (name == "." || name == "..") {
    return Status::Error("the set name \"" + std::string(name) +
                         "\" cannot name a folder; choose another name");
  }
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || c == fs::path::preferred_separator) {
      return Status::Error("the set name \"" + std::string(name) +
                           "\" holds a path separator; it becomes a folder and file names, "
                           "so use letters, digits and blanks");
    }
    if (byte < 0x20 || byte == 0x7F) {
      return Status::Error(
          "the set name holds a control character; it becomes a folder and "
          "file names, so use letters, digits and blanks");
    }
  }
  const Result<std::string> text = Utf8ToCp1252(name);
  if (!text.ok()) return Status::Error("the set name cannot be used: " + text.message());
  return Status();
}

namespace {

// The files an earlier run of this name left in the run folder: its log and
// its sets' PBN and PDF files (NAME, digits, the extension).
std::vector<fs::path> EarlierRunFiles(const fs::path& directory, const std::string& name) {
  std::vector<fs::path> found;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
    if (!entry.is_regular_file(error)) continue;
    const std::string file = entry.path().filename().string();
    if (file == name + ".log") {
      found.push_back(entry.path());
      continue;
    }
    const std::string extension = entry.path().extension().string();
    if (file.size() <= name.size() || file.compare(0, name.size(), name) != 0 ||
        (extension != ".pbn" && extension != ".pdf")) {
      continue;
    }
    const std::string number = file.substr(name.size(), file.size() - name.size() - 4);
    if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
      found.push_back(entry.path());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

namespace {

// What a run writes and what is in its way, for the output gate: its log,
// every set's PBN and PDF, and the other files its earlier run's log names.
OutputPlan RunPlan(const std::string& runName, int sets, const fs::path& directory) {
  OutputPlan plan;
  plan.runLog = directory / (runName + ".log");
  plan.runName = runName;
  plan.outputs.push_back({plan.runLog, OutputKind::kLog, ".log"});
  for (int n = 1; n <= sets; ++n) {
    const std::string stem = runName + std::to_string(n);
    plan.outputs.push_back({directory / (stem + ".pbn"), OutputKind::kSet, ".pbn"});
    plan.outputs.push_back({directory / (stem + ".pdf"), OutputKind::kDocument, ".pdf"});
  }
  for (const auto& [file, seed] : FilesNamedInRunLog(plan.runLog, runName)) {
    const fs::path path = directory / file;
    std::error_code error;
    const bool planned =
        std::any_of(plan.outputs.begin(), plan.outputs.end(),
                    [&](const PlannedOutput& output) { return output.path == path; });
    if (!planned && fs::exists(fs::symlink_status(path, error))) {
      plan.outputs.push_back({path, OutputKind::kRemoved});
    }
  }
  return plan;
}

}  // namespace

OutputVerdict MultiSetRun::CheckRun(std::string_view name, int sets,
                                    const fs::path& outputDirectory) {
  if (const Status check = CheckRunName(name); !check.ok()) return {check, false};
  if (sets < kFewestSets || sets > kMostSets) {
    return {Status::Error("the number of sets must be " + std::to_string(kFewestSets) + " to " +
                          std::to_string(kMostSets) + ", not " + std::to_string(sets)),
            false};
  }
  const std::string runName(name);
  const fs::path directory = outputDirectory / fs::path(runName);
  // The longest names the run makes: the last set's, and the log's.
  for (const fs::path& file :
       {directory / (runName + std::to_string(sets) + ".pbn"), directory / (runName + ".log")}) {
    if (const Status target = CheckWriteTarget(file); !target.ok()) return {target, false};
  }
  std::error_code error;
  const bool exists = fs::is_directory(directory, error);
  if (!exists && fs::exists(directory, error)) {
    return {Status::Error("cannot make the run folder " + directory.string() +
                          ": a file of that name is in the way"),
            false};
  }
  // Room for every set's PBN and PDF (about 60 KiB together; four times
  // that to spare) and the log.
  const size_t room = size_t(sets) * (size_t(256) << 10) + (size_t(64) << 10);
  if (const Status probed = ProbeFolder(exists ? directory : outputDirectory, room); !probed.ok()) {
    return {Status::Error("cannot make the run " + directory.string() + ": " + probed.message()),
            false};
  }
  if (!exists) return {};
  OutputVerdict verdict = CheckOutputs(RunPlan(runName, sets, directory));
  if (verdict.needsWord) {
    verdict.status =
        Status::Error("the folder " + directory.string() + " holds an earlier run named " +
                      runName + " (" + verdict.status.message() + ")");
  }
  return verdict;
}

Status MultiSetRun::Start(std::string_view name, int sets, const fs::path& outputDirectory,
                          bool replaceEarlierRun, bool* needsWord) {
  if (needsWord != nullptr) *needsWord = false;
  if (Busy()) return Status::Error("a run is already going; halt it first");
  const OutputVerdict verdict = CheckRun(name, sets, outputDirectory);
  if (needsWord != nullptr) *needsWord = verdict.needsWord && !replaceEarlierRun;
  if (!verdict.ok() && !(verdict.needsWord && replaceEarlierRun)) return verdict.status;
  const fs::path directory = outputDirectory / fs::path(std::string(name));
  const fs::path log = directory / fs::path(std::string(name) + ".log");
  std::error_code error;
  if (!fs::is_directory(directory, error)) {
    fs::create_directory(directory, error);
    if (error) {
      return Status::Error("cannot create the run folder " + directory.string() + ": " +
                           error.message());
    }
  }
  // One run at a time in a run folder: the second is refused here, before
  // it has removed or written anything.
  Result<FileLock> lock = FileLock::Acquire(log);
  if (!lock.ok()) return lock.status();
  OutputPlan plan = RunPlan(std::string(name), sets, directory);
  plan.replaceAllowed = replaceEarlierRun;
  GateResult gate = PassGate(plan);
  if (!gate.writer) return gate.verdict.status;
  // The earlier run's files go (the gate has found each one still what
  // that run wrote), so none is left beside the new sets.
  for (const PlannedOutput& output : plan.outputs) {
    if (output.path == plan.runLog || !fs::exists(fs::symlink_status(output.path, error))) continue;
    if (const Status removed = gate.writer->Remove(output.path); !removed.ok()) {
      return Status::Error(removed.message() + " of the earlier run");
    }
  }
  kept_.clear();
  for (const fs::path& file : EarlierRunFiles(directory, std::string(name))) {
    if (file != log) kept_.push_back(file);
  }
  writer_ = std::move(gate.writer);
  logText_.clear();
  if (const Status written = writer_->Write(log, logText_); !written.ok()) {
    writer_.reset();
    return Status::Error("cannot write the run log " + log.string() + ": " + written.message());
  }

  runLock_ = std::move(*lock);
  runName_ = std::string(name);
  runNameText_ = *Utf8ToCp1252(name);
  runDirectory_ = directory;
  logPath_ = log;
  setsRequested_ = sets;
  runStart_ = clock();
  setCounter_ = 0;
  currentFile_.clear();
  seed_.clear();
  setTimeText_.clear();
  runTimeText_.clear();
  stopRequested_ = false;
  for (const std::string& line :
       {"Start: " + FormatDateTime(runStart_),
        " Set:" + runName_ + "   " + std::to_string(sets) + " Deal Sets Requested.",
        "Saved in: " + runDirectory_.string()}) {
    if (const Status s = AppendToLog(line); !s.ok()) return s;
  }
  state_ = State::kNextSet;
  return Status();
}

Status MultiSetRun::Halt() {
  if (!Busy()) return Status();
  stopRequested_ = true;
  host_.StopAnalysis();
  state_ = State::kStopping;
  return AppendToLog(kStoppedText);
}

Status MultiSetRun::Step() {
  switch (state_) {
    case State::kIdle:
      return Status();
    case State::kNextSet:
      if (setCounter_ >= setsRequested_ || stopRequested_) {
        state_ = State::kStopping;
        return Status();
      }
      return StartNextSet();
    case State::kWaiting: {
      const DateTime now = clock();
      setTimeText_ = ElapsedText(setStart_, now);
      runTimeText_ = ElapsedText(runStart_, now);
      if (host_.AnalysisRunning()) return Status();
      return FinishSet();
    }
    case State::kStopping: {
      const Status logged = AppendToLog("Stop: " + FormatDateTime(clock()) +
                                        "  Elapsed= " + ElapsedText(runStart_, clock()));
      EndRun();
      return logged;
    }
  }
  return Status();
}

Status MultiSetRun::StartNextSet() {
  setCounter_ += 1;
  setStart_ = clock();
  seed_ = (FormatDateTime(setStart_) + " " + runNameText_).substr(0, kSeedLimit);
  if (const Status s = AppendToLog("Set #" + std::to_string(setCounter_) +
                                   " Started at: " + FormatDateTime(setStart_));
      !s.ok()) {
    return Abort(s);
  }
  currentFile_ = runDirectory_ / fs::path(runName_ + std::to_string(setCounter_) + ".pbn");
  if (const Status s = host_.BeginSet(seed_, currentFile_); !s.ok()) return Abort(s);
  if (const Status s = host_.StartAnalysis(); !s.ok()) return Abort(s);
  state_ = State::kWaiting;
  return Status();
}

Status MultiSetRun::FinishSet() {
  const DateTime setEnd = clock();
  stopRequested_ = false;
  if (const Status s = host_.FinishSet(setEnd - setStart_); !s.ok()) return Abort(s);
  state_ = State::kNextSet;
  const Status logged = AppendToLog(currentFile_.filename().string() + " " + setTimeText_ +
                                    " Seed:" + Cp1252ToUtf8(seed_));
  return logged.ok() ? logged : Abort(logged);
}

void MultiSetRun::EndRun() {
  state_ = State::kIdle;
  writer_.reset();
  runLock_.Release();
}

Status MultiSetRun::Abort(Status failure) {
  host_.StopAnalysis();
  stopRequested_ = true;
  EndRun();
  return failure;
}

Status MultiSetRun::AppendToLog(std::string_view line) {
  if (!writer_) return Status::Error("no run log is open");
  // The log is small: written whole each time, so a reader never finds
  // half a line and a failed write leaves the lines before.
  std::string text = logText_;
  text.append(line).append("\r\n");
  const Status written = writer_->Write(logPath_, text);
  if (!written.ok()) {
    return Status::Error("cannot write the run log " + logPath_.string() + ": " +
                         written.message());
  }
  logText_ = std::move(text);
  return Status();
}

}  // namespace tarrow
