// The one gate every write into a user's folder goes through.  A flow lists
// its inputs and planned outputs (what kind each is, and the user's word);
// PassGate checks the plan and only when it passes hands back a PlanWriter,
// which alone can write (or remove) the files the plan named.  The writers
// of the modules below (the PBN writer, the PDF writers, the settings file)
// take a WritePermit that only a PlanWriter gives, so no flow can write
// round the gate:
//
//   OutputPlan plan;
//   plan.inputs = {{"club.pbn", InputRole::kSetSource}};
//   plan.outputs = {{"club.pbn", OutputKind::kSet}, {"club.pdf", OutputKind::kDocument, ".pdf"}};
//   plan.newSet = &set;
//   GateResult gate = PassGate(plan);
//   if (gate.verdict.needsWord) ...ask (default No), or tell about --force...;
//   else if (!gate.verdict.ok()) ...refuse with gate.verdict.status.message()...;
//   else status = WritePbnFile(set, gate.writer->Permit("club.pbn"), computer);
//
// The rules, in the order they are checked (the first that fails decides):
//
//   | rule                                              | verdict                        |
//   |---------------------------------------------------|--------------------------------|
//   | the target is a folder, not a regular file,       | refused                        |
//   |   write-protected, or its name is too long        |                                |
//   | its name ends in another kind of the program's    | refused                        |
//   |   files than it is (a page named .pdf)            |                                |
//   | an output is an input (real paths: links and ".." | refused, unless it is the set  |
//   |   resolved), or two outputs are one file          |   written back to its source   |
//   | a document or log would land on a PBN set         | refused                        |
//   | a run's file in the way that the run's log does   | refused (named, kept)          |
//   |   not name, or that is no longer what it wrote    |                                |
//   | a file in the way that this program did not write | needs the user's word          |
//   |   (see ownership.h), or a set output that holds   |   (--force, a question whose   |
//   |   another set or results the new set lacks        |   default is No)               |
//   | a folder cannot take the files (missing,          | refused                        |
//   |   read-only, full)                                |                                |
//
// A file holding exactly the bytes the flow last wrote or read there
// (PlannedOutput::knownBytes) is the flow's own and needs no word, and
// replacing the same set (the same deals, no result lost) needs none
// either: that is what saving is.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/atomic_file.h"
#include "core/deal_set.h"
#include "core/result.h"

namespace tarrow {

enum class OutputKind {
  kSet,       // a PBN set file
  kDocument,  // hand records, sheets, a page, a picture, an export: never over a set
  kLog,       // a run log
  kSettings,  // the settings file: replaced only when it holds settings
  kRemoved,   // a file the flow removes (an earlier run's): only one of ours
};

enum class InputRole {
  kReadOnly,   // read and never written
  kSetSource,  // the set's own file, which the set may be written back to
};

struct PlannedInput {
  std::filesystem::path path;
  InputRole role = InputRole::kReadOnly;
};

struct PlannedOutput {
  PlannedOutput(std::filesystem::path path, OutputKind kind, std::string extension = {})
      : path(std::move(path)), kind(kind), extension(std::move(extension)) {}

  std::filesystem::path path;
  OutputKind kind = OutputKind::kDocument;
  // What the file is (".pdf", ".html", ".png", ".dup"), "" for any name: a
  // name ending in another of the program's file kinds is refused, so a
  // page never lands on the set's hand records, nor a picture on a set.
  std::string extension;
  // What the flow last wrote or read at this path, or the bytes it is about
  // to write (an export): a file holding exactly these is its own.
  std::optional<std::string> knownBytes;
};

struct OutputPlan {
  std::vector<PlannedInput> inputs;
  std::vector<PlannedOutput> outputs;
  const DealSet* newSet =
      nullptr;                  // what the set outputs will hold; null: a PBN file of another kind
  bool replaceAllowed = false;  // the user's word to replace what is in the way
  // A multiple-set run's log: files in the way of the run must be the ones
  // an earlier run of `runName` wrote, as its log names them.
  std::filesystem::path runLog;
  std::string runName;
};

struct OutputVerdict {
  Status status;           // ok, or why not, naming the path
  bool needsWord = false;  // refused only for want of the user's word
  bool ok() const noexcept { return status.ok(); }
};

struct GateResult;

// The writer of a plan that passed the gate: gives the permits of the
// files the plan named, and of no other.
class PlanWriter {
 public:
  // The permit of a planned output (as the plan named it); asking for a
  // path the plan did not name is a fault of the program and aborts.
  WritePermit Permit(const std::filesystem::path& output) const;
  bool Plans(const std::filesystem::path& output) const;
  // Writes a planned output whole, atomically.
  Status Write(const std::filesystem::path& output, std::string_view bytes) const {
    return WriteFileAtomically(Permit(output), bytes);
  }
  // Removes a planned output (kRemoved).
  Status Remove(const std::filesystem::path& output) const { return RemoveFile(Permit(output)); }

 private:
  explicit PlanWriter(std::vector<std::filesystem::path> outputs) : outputs_(std::move(outputs)) {}
  friend GateResult PassGate(const OutputPlan& plan);
  std::vector<std::filesystem::path> outputs_;
};

struct GateResult {
  OutputVerdict verdict;
  std::optional<PlanWriter> writer;  // present exactly when the verdict is ok
};

// The gate: the verdict on the plan, and its writer when it passes.
GateResult PassGate(const OutputPlan& plan);
// The verdict alone, for a flow that asks before it has the bytes (or
// whose file another part of the system writes, as a printer's file).
OutputVerdict CheckOutputs(const OutputPlan& plan);

// True when writing `newSet` over a file holding `onDisk` loses nothing:
// the same deals on the same boards, and every result the file has known
// also to the new set.
bool ReplacingLosesNothing(const DealSet& onDisk, const DealSet& newSet);

}  // namespace tarrow
