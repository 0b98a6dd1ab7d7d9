#include "app/companion.h"

#include <string>
#include <vector>

#include "app/app.h"
#include "core/atomic_file.h"
#include "files/deal_files.h"
#include "files/pbn_reader.h"

namespace tarrow {

std::filesystem::path CompanionPath(const std::filesystem::path& foreign, int event) {
  const std::string stem = foreign.stem().string();
  const std::string name =
      stem + (event > 1 ? ".event-" + std::to_string(event) : std::string()) + ".tarrow.pbn";
  return foreign.parent_path() / name;
}

bool HoldsSameDeals(const DealSet& a, const DealSet& b) {
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    const DealNumber& first = a.Board(n).number;
    const DealNumber& second = b.Board(n).number;
    if (first.valid != second.valid) return false;
    if (first.valid && !(first == second)) return false;
  }
  return true;
}

bool IsCompanionOf(const std::filesystem::path& pbnPath, const std::filesystem::path& setFilePath) {
  if (setFilePath.empty() || pbnPath == setFilePath) return false;
  if (DealExtensionKind(setFilePath) != DealFileKind::kPbn) return false;
  const std::string name = pbnPath.filename().string();
  const std::string stem = setFilePath.stem().string();
  return name.rfind(stem + ".", 0) == 0 && name.size() > 11 &&
         name.compare(name.size() - 11, 11, ".tarrow.pbn") == 0;
}

bool HoldsUncheckedTables(const DealSet& set, const std::filesystem::path& pbnPath,
                          const std::filesystem::path& setFilePath) {
  // A file written back in place holds nothing but what this program keeps,
  // and its tables are taken as they are (a partial analysis resumes).
  std::error_code error;
  if (!IsCompanionOf(pbnPath, setFilePath) || std::filesystem::exists(pbnPath, error)) return false;
  for (const BoardEntry& board : set.boards) {
    if (board.number.valid && (board.doneMask[0] != 0 || board.doneMask[1] != 0)) return true;
  }
  return false;
}

std::vector<std::string> TablesUnlikeSolved(const DealSet& file, const DealSet& solved,
                                            const std::filesystem::path& fileName) {
  std::vector<std::string> warnings;
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    const BoardEntry& given = file.Board(n);
    const BoardEntry& found = solved.Board(n);
    if (!given.number.valid || !(given.number == found.number)) continue;
    bool told = false;
    for (Seat seat : kSeats) {
      for (Strain strain : kStrains) {
        if (told || !given.Analysed(SideOf(seat), strain) ||
            !found.Analysed(SideOf(seat), strain)) {
          continue;
        }
        const size_t at = size_t(DDIndex(seat, strain));
        if (given.table[at] == found.table[at]) continue;
        warnings.push_back(fileName.string() + ": board " + std::to_string(n) +
                           ": the file's table says " + std::string(1, kSeatLetters[seat]) + " " +
                           std::string(kStrainLabels[strain]) + " " +
                           std::to_string(given.table[at]) + ", the solver " +
                           std::to_string(found.table[at]) + "; the solver's answer is kept");
        told = true;
      }
    }
  }
  return warnings;
}

// The App's side of it: kept here, apart from the flows in app.cpp.

Status App::AdoptForeignSet(DealSet loaded, const std::filesystem::path& path,
                            const LoadReport& report) {
  std::vector<std::string> warnings = report.warnings;
  const std::filesystem::path companion = CompanionPath(path, report.eventLoaded);
  std::error_code error;
  if (std::filesystem::exists(companion, error)) {
    LoadReport companionReport;
    Result<DealSet> kept = ReadPbnFile(companion, companionReport);
    if (kept.ok() && HoldsSameDeals(*kept, loaded)) {
      // The analysis done before: the companion is this file's set.
      const bool dateKnown = kept->header.eventDate != 0;
      AdoptLoadedSet(std::move(*kept), path);
      pbnPath_ = companion;
      ReleaseStaleLock();
      if (const Result<std::string> bytes = ReadWholeFile(companion); bytes.ok())
        setBytes_ = *bytes;
      if (!dateKnown) KeepDateUnknown();
      warnings.push_back(path.string() + " is read with its analysed set " + companion.string() +
                         " (the same deals), where the set is saved; " + path.string() +
                         " stays as it is");
      loadWarnings_ = warnings;
      return Status();
    }
    warnings.push_back(companion.string() + " does not hold the deals of " + path.string() +
                       (kept.ok() ? " (the file changed since)" : " (" + kept.message() + ")") +
                       ", so it stays as it is");
  }
  const bool dateKnown = loaded.header.eventDate != 0;
  AdoptLoadedSet(std::move(loaded), path);
  if (!dateKnown) KeepDateUnknown();
  pbnPath_ = std::filesystem::exists(companion, error)
                 ? FreeSetPathBeside(report.eventLoaded > 1
                                         ? path.parent_path() /
                                               (path.stem().string() + ".event-" +
                                                std::to_string(report.eventLoaded) + ".pbn")
                                         : path)
                 : companion;
  ReleaseStaleLock();
  std::string why;
  for (const std::string& item : report.notKept) why += (why.empty() ? "" : "; ") + item;
  if (why.empty()) {
    // Nothing would be lost, but the file is not ours to replace.
    const auto& banner = set_->header.banner;
    why = "written by another program: " +
          (banner.empty() ? std::string("no Generator tag") : "Generator " + banner.str());
    warnings.push_back(path.string() + " was " + why + ", so it stays as it is; its analysed " +
                       "set goes to " + pbnPath_.string());
  } else {
    warnings.push_back(path.string() + " holds what a set of this program cannot keep (" + why +
                       "), so it stays as it is; its analysed set goes to " + pbnPath_.string());
  }
  loadWarnings_ = warnings;
  return Status();
}

void App::KeepDateUnknown() noexcept {
  set_->header.eventDate = 0;
  fields_.eventDate = 0;
}

void App::StoreComputerName(std::string_view name) {
  if (IsCompanionOf(pbnPath_, setFilePath_)) return;
  set_->header.computerName = name;
}

}  // namespace tarrow
