#include "app/output_plan.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <system_error>

#include "app/ownership.h"
#include "core/atomic_file.h"
#include "files/pbn_reader.h"
#include "files/settings.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

// What each kind of file may need on disk, so that a full disk is found
// before the work rather than after it.
size_t RoomFor(OutputKind kind) {
  switch (kind) {
    case OutputKind::kSet:
      return size_t(128) << 10;
    case OutputKind::kDocument:
      return size_t(256) << 10;  // hand records with the logo: about 20 KiB
    case OutputKind::kLog:
    case OutputKind::kSettings:
      return size_t(64) << 10;
    case OutputKind::kRemoved:
      return 0;
  }
  return 0;
}

const char* KindName(OutputKind kind) {
  switch (kind) {
    case OutputKind::kSet:
      return "the set";
    case OutputKind::kDocument:
      return "a document";
    case OutputKind::kLog:
      return "the log";
    case OutputKind::kSettings:
      return "the settings";
    case OutputKind::kRemoved:
      return "a removal";
  }
  return "";
}

// The extensions of the files this program writes, in lower case.
constexpr std::string_view kOwnExtensions[] = {".pbn", ".pdf", ".html", ".png", ".dup",
                                               ".bri", ".bre", ".ber",  ".log"};

std::string LowerExtension(const fs::path& path) {
  std::string extension = path.extension().string();
  for (char& ch : extension) {
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  }
  return extension;
}

OutputVerdict Refused(const fs::path& path, const std::string& why) {
  return {Status::Error("cannot write " + path.string() + ": " + why), false};
}

bool ExistsWithBytes(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && fs::file_size(path, error) > 0 && !error;
}

bool SameDeals(const DealSet& a, const DealSet& b) {
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    if (a.Board(n).number != b.Board(n).number) return false;
  }
  return true;
}

// The check of a set output against what its file holds now.
OutputVerdict CheckSetTarget(const fs::path& path, const DealSet& newSet, bool replaceAllowed) {
  if (replaceAllowed || !ExistsWithBytes(path)) return {};
  LoadReport report;
  const Result<DealSet> onDisk = ReadPbnFile(path, report);
  std::string holds;
  if (!onDisk.ok()) {
    holds = "a file that is not a set this program can read";
  } else if (!report.RewriteLosesNothing()) {
    holds = "what a set of this program cannot keep (" + report.notKept.front() + ")";
  } else if (!IsOurSetHeader(onDisk->header)) {
    holds = "a set that this program did not write (" +
            (onDisk->header.banner.empty() ? std::string("no Generator tag")
                                           : "Generator \"" + onDisk->header.banner.str() + "\"") +
            ")";
  } else if (ReplacingLosesNothing(*onDisk, newSet)) {
    return {};
  } else if (!SameDeals(*onDisk, newSet)) {
    holds = "another set (seed \"" + onDisk->header.seed.str() + "\")";
  } else {
    holds = "results of the double-dummy analysis that this set does not have";
  }
  return {Status::Error(path.string() + " holds " + holds), true};
}

bool HoldsExactly(const fs::path& path, const std::optional<std::string>& bytes) {
  if (!bytes) return false;
  const Result<std::string> onDisk = ReadWholeFile(path, bytes->size() + 1);
  return onDisk.ok() && *onDisk == *bytes;
}

// A file other than a set in the way of an output: ours by its kind, or it
// needs the word.
OutputVerdict CheckOtherTarget(const PlannedOutput& output, bool replaceAllowed) {
  bool ours = false;
  switch (output.kind) {
    case OutputKind::kDocument:
      ours = IsOurDocument(output.path, output.extension);
      break;
    case OutputKind::kSettings:
      ours = ReadWholeFile(output.path).ok() &&
             SettingsRecord::FromBytes(*ReadWholeFile(output.path)).has_value();
      break;
    case OutputKind::kLog:
    case OutputKind::kRemoved:
    case OutputKind::kSet:
      break;
  }
  if (ours || replaceAllowed) return {};
  return {Status::Error(output.path.string() + " holds a file that this program did not write"),
          true};
}

// In a run, a file in the way must be one the earlier run wrote.
OutputVerdict CheckRunTarget(const PlannedOutput& output, const OutputPlan& plan,
                             const std::map<std::string, std::string>& named) {
  const bool ours = output.path == plan.runLog ? IsOurRunLog(output.path, plan.runName)
                                               : IsRunFile(output.path, named);
  if (!ours) {
    return Refused(output.path, "it is not a file an earlier run named " + plan.runName +
                                    " wrote (" + plan.runLog.filename().string() +
                                    " does not name it, or it has changed since); it is kept: "
                                    "move it, or choose another name for the run");
  }
  if (plan.replaceAllowed) return {};
  return {
      Status::Error(output.path.string() + " is a file of an earlier run named " + plan.runName),
      true};
}

}  // namespace

bool ReplacingLosesNothing(const DealSet& onDisk, const DealSet& newSet) {
  if (!SameDeals(onDisk, newSet)) return false;
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    const BoardEntry& old = onDisk.Board(n);
    const BoardEntry& now = newSet.Board(n);
    for (int side = 0; side < 2; ++side) {
      if ((old.doneMask[size_t(side)] & ~now.doneMask[size_t(side)]) != 0) return false;
    }
  }
  return true;
}

OutputVerdict CheckOutputs(const OutputPlan& plan) {
  std::vector<fs::path> outputs;
  for (const PlannedOutput& output : plan.outputs) {
    if (const Status target = CheckWriteTarget(output.path); !target.ok()) return {target, false};
    outputs.push_back(ResolvedPath(output.path));
  }
  std::vector<fs::path> inputs;
  for (const PlannedInput& input : plan.inputs) inputs.push_back(ResolvedPath(input.path));
  for (size_t i = 0; i < plan.outputs.size(); ++i) {
    const PlannedOutput& output = plan.outputs[i];
    for (size_t k = 0; k < plan.inputs.size(); ++k) {
      const PlannedInput& input = plan.inputs[k];
      if (inputs[k] != outputs[i]) continue;
      if (output.kind == OutputKind::kSet && input.role == InputRole::kSetSource) continue;
      return Refused(output.path, "it is the file being read (" + input.path.string() +
                                      "); choose another name for " + KindName(output.kind));
    }
    for (size_t j = 0; j < i; ++j) {
      if (outputs[j] != outputs[i]) continue;
      return Refused(output.path, std::string(KindName(output.kind)) + " and " +
                                      KindName(plan.outputs[j].kind) +
                                      " would both go there; choose another name");
    }
  }
  for (const PlannedOutput& output : plan.outputs) {
    const std::string named = LowerExtension(output.path);
    if (!output.extension.empty() && named != output.extension &&
        std::find(std::begin(kOwnExtensions), std::end(kOwnExtensions), named) !=
            std::end(kOwnExtensions)) {
      return Refused(output.path,
                     "it is named as a " + named + " file, but it is a " + output.extension +
                         " file; name it " +
                         fs::path(output.path).replace_extension(output.extension).string());
    }
  }
  for (const PlannedOutput& output : plan.outputs) {
    if (output.kind == OutputKind::kSet || output.kind == OutputKind::kRemoved) continue;
    if (ExistsWithBytes(output.path) && ReadPbnFile(output.path).ok()) {
      return Refused(output.path, "it holds a set of boards, which " +
                                      std::string(KindName(output.kind)) +
                                      " never replaces; choose another name");
    }
  }
  // What is in the way: the flow's own bytes, a file of an earlier run, a
  // set, or another file.  A refusal outranks a want of the word.
  const std::map<std::string, std::string> named =
      plan.runLog.empty() ? std::map<std::string, std::string>()
                          : FilesNamedInRunLog(plan.runLog, plan.runName);
  OutputVerdict wanting;
  for (const PlannedOutput& output : plan.outputs) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(output.path, error)) && !fs::exists(output.path, error)) {
      continue;
    }
    if (HoldsExactly(output.path, output.knownBytes)) continue;
    OutputVerdict verdict;
    if (!plan.runLog.empty()) {
      verdict = CheckRunTarget(output, plan, named);
    } else if (output.kind == OutputKind::kSet) {
      if (plan.newSet == nullptr) {
        // A PBN file that is no set of ours (annotate's output): whatever
        // holds the name, a set of ours too, is replaced only with the word.
        if (ExistsWithBytes(output.path) && !plan.replaceAllowed) {
          verdict = {Status::Error(output.path.string() +
                                   (IsOurSet(output.path)
                                        ? " holds a set of boards, which this file would replace"
                                        : " holds a file that this program did not write")),
                     true};
        }
      } else {
        verdict = CheckSetTarget(output.path, *plan.newSet, plan.replaceAllowed);
      }
    } else if (ExistsWithBytes(output.path)) {
      verdict = CheckOtherTarget(output, plan.replaceAllowed);
    }
    if (!verdict.ok() && !verdict.needsWord) return verdict;
    if (!verdict.ok() && wanting.ok()) wanting = verdict;
  }
  if (!wanting.ok()) return wanting;
  // Each folder once, with the room all its files need; a refusal names the
  // first file meant for it.
  std::map<fs::path, std::pair<size_t, fs::path>> folders;
  for (size_t i = 0; i < plan.outputs.size(); ++i) {
    if (plan.outputs[i].kind == OutputKind::kRemoved) continue;
    auto& [bytes, first] = folders[outputs[i].parent_path()];
    if (first.empty()) first = plan.outputs[i].path;
    bytes += RoomFor(plan.outputs[i].kind);
  }
  for (const auto& [folder, need] : folders) {
    if (const Status probed = ProbeFolder(folder, need.first); !probed.ok()) {
      return Refused(need.second, probed.message());
    }
  }
  return {};
}

GateResult PassGate(const OutputPlan& plan) {
  GateResult result;
  result.verdict = CheckOutputs(plan);
  if (!result.verdict.ok()) return result;
  std::vector<fs::path> outputs;
  for (const PlannedOutput& output : plan.outputs) outputs.push_back(output.path);
  result.writer = PlanWriter(std::move(outputs));
  return result;
}

bool PlanWriter::Plans(const fs::path& output) const {
  return std::find(outputs_.begin(), outputs_.end(), output) != outputs_.end();
}

WritePermit PlanWriter::Permit(const fs::path& output) const {
  // A flow asking for a file its plan did not name is a fault of the
  // program, never the user's: it stops rather than write round the gate.
  if (!Plans(output)) std::abort();
  return WritePermit(output);
}

}  // namespace tarrow
