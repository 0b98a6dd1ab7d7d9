#include "app/multi_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "app/app.h"
#include "core/cp1252.h"
#include "core/generation.h"

namespace tarrow {

namespace fs = std::filesystem;

Status AppRunHost::BeginSet(std::string_view seed, const fs::path& file) {
  app_.SetSetFilePath(file);
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
  app_.Set().header.analysisDuration = float(duration);
  return WriteSet();
}

Status AppRunHost::WriteSet() {
  const Status pbn = app_.ForcePbnWrite();
  if (!pbn.ok() || !app_.writePdf) return pbn;
  return app_.WriteHandRecords();
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
      return Status::Error("the set name holds a control character; it becomes a folder and "
                           "file names, so use letters, digits and blanks");
    }
  }
  const Result<std::string> text = Utf8ToCp1252(name);
  if (!text.ok()) return Status::Error("the set name cannot be used: " + text.message());
  return Status();
}

Status MultiSetRun::Start(std::string_view name, int sets, const fs::path& outputDirectory) {
  if (Busy()) return Status::Error("a run is already going; halt it first");
  if (const Status check = CheckRunName(name); !check.ok()) return check;
  if (sets < kFewestSets || sets > kMostSets) {
    return Status::Error("the number of sets must be " + std::to_string(kFewestSets) + " to " +
                         std::to_string(kMostSets) + ", not " + std::to_string(sets));
  }
  const fs::path directory = outputDirectory / fs::path(std::string(name));
  std::error_code error;
  if (!fs::is_directory(directory, error)) {
    fs::create_directory(directory, error);
    if (error) {
      return Status::Error("cannot create the run folder " + directory.string() + ": " +
                           error.message());
    }
  }
  const fs::path log = directory / fs::path(std::string(name) + ".log");
  // The log of an earlier run of the same name is replaced.
  std::FILE* file = std::fopen(log.c_str(), "wb");
  if (file == nullptr) {
    return Status::Error("cannot write the run log " + log.string() + ": " +
                         std::strerror(errno));
  }
  std::fclose(file);

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
    case State::kStopping:
      EndRun();
      return AppendToLog("Stop: " + FormatDateTime(clock()) + "  Elapsed= " +
                         ElapsedText(runStart_, clock()));
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
}

Status MultiSetRun::Abort(Status failure) {
  host_.StopAnalysis();
  stopRequested_ = true;
  EndRun();
  return failure;
}

Status MultiSetRun::AppendToLog(std::string_view line) {
  std::FILE* file = std::fopen(logPath_.c_str(), "ab");
  bool written = file != nullptr;
  if (written) {
    written = std::fwrite(line.data(), 1, line.size(), file) == line.size() &&
              std::fwrite("\r\n", 1, 2, file) == 2;
    written = (std::fclose(file) == 0) && written;
  }
  if (!written) {
    return Status::Error("cannot write the run log " + logPath_.string() + ": " +
                         std::strerror(errno));
  }
  return Status();
}

}  // namespace tarrow
