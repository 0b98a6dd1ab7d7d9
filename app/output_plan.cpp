#include "app/output_plan.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "core/atomic_file.h"
#include "files/pbn_reader.h"

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
      return size_t(64) << 10;
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
  }
  return "";
}

// The extensions of the files this program writes, in lower case.
constexpr std::string_view kOwnExtensions[] = {".pbn", ".pdf", ".html", ".png", ".dup",
                                               ".bri",  ".bre", ".ber",  ".log"};

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
  } else if (ReplacingLosesNothing(*onDisk, newSet)) {
    return {};
  } else if (!SameDeals(*onDisk, newSet)) {
    holds = "another set (seed \"" + onDisk->header.seed.str() + "\")";
  } else {
    holds = "results of the double-dummy analysis that this set does not have";
  }
  return {Status::Error(path.string() + " holds " + holds),
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
      return Refused(output.path, "it is named as a " + named + " file, but it is a " +
                                      output.extension + " file; name it " +
                                      fs::path(output.path).replace_extension(output.extension).string());
    }
  }
  for (const PlannedOutput& output : plan.outputs) {
    if (output.kind == OutputKind::kSet) continue;
    if (ExistsWithBytes(output.path) && ReadPbnFile(output.path).ok()) {
      return Refused(output.path, "it holds a set of boards, which " +
                                      std::string(KindName(output.kind)) +
                                      " never replaces; choose another name");
    }
  }
  for (const PlannedOutput& output : plan.outputs) {
    if (output.kind != OutputKind::kSet || plan.newSet == nullptr) continue;
    const OutputVerdict set = CheckSetTarget(output.path, *plan.newSet, plan.replaceAllowed);
    if (!set.ok()) return set;
  }
  // Each folder once, with the room all its files need; a refusal names the
  // first file meant for it.
  std::map<fs::path, std::pair<size_t, fs::path>> folders;
  for (size_t i = 0; i < plan.outputs.size(); ++i) {
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

}  // namespace tarrow
