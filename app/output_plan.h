// The one check of everything a flow is about to write, made before any
// work starts, so that a director's files never end up under another file.
// Every flow that writes (a dealt or loaded set and its hand records, a
// PDF or picture on request, a multiple-set run) lists its inputs and
// planned outputs here, and writes only when the check passes:
//
//   OutputPlan plan;
//   plan.inputs = {{"club.pbn", InputRole::kSetSource}};
//   plan.outputs = {{"club.pbn", OutputKind::kSet}, {"club.pdf", OutputKind::kDocument}};
//   plan.newSet = &set;
//   OutputVerdict verdict = CheckOutputs(plan);
//   if (verdict.needsWord) ...ask, or tell about --force...;
//   else if (!verdict.ok()) ...refuse with verdict.status.message()...;
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
//   | a set output holds another set, results the new   | needs the user's word          |
//   |   set lacks, or anything that is no set           |   (--force, a question)        |
//   | a folder cannot take the files (missing,          | refused                        |
//   |   read-only, full)                                |                                |
//
// Replacing the same set (the same deals, no result lost) needs no word:
// that is what saving is.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/deal_set.h"
#include "core/result.h"

namespace tarrow {

enum class OutputKind {
  kSet,       // a PBN set file
  kDocument,  // hand records, sheets, a picture: made from a set, never over one
  kLog,       // a run log
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
};

struct OutputPlan {
  std::vector<PlannedInput> inputs;
  std::vector<PlannedOutput> outputs;
  const DealSet* newSet = nullptr;  // what the set outputs will hold; null: no set output
  bool replaceAllowed = false;      // the user's word to replace another set
};

struct OutputVerdict {
  Status status;           // ok, or why not, naming the path
  bool needsWord = false;  // refused only for want of the user's word
  bool ok() const noexcept { return status.ok(); }
};

OutputVerdict CheckOutputs(const OutputPlan& plan);

// True when writing `newSet` over a file holding `onDisk` loses nothing:
// the same deals on the same boards, and every result the file has known
// also to the new set.
bool ReplacingLosesNothing(const DealSet& onDisk, const DealSet& newSet);

}  // namespace tarrow
