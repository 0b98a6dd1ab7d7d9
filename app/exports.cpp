#include "app/exports.h"

#include <algorithm>
#include <system_error>

#include "files/deal_files.h"
#include "records/hand_record_html.h"

namespace tarrow {
std::filesystem::path ExportPath(const App& app, std::string_view extension) {
  if (app.PbnPath().empty()) return {};
  std::filesystem::path path = app.PbnPath();
  return path.replace_extension(std::string(extension));
}

int ExportLastBoard(const App& app) {
  return std::min(app.BoardsInPlay(), LastPresentBoard(app.Set()));
}

OutputVerdict ExportDealFile(const App& app, DealFileFormat format,
                             const std::filesystem::path& out, int lastBoard, bool replaceAllowed) {
  const Result<std::string> bytes = DealFileBytes(app.Set(), format, lastBoard);
  if (!bytes.ok()) return {bytes.status(), false};
  // A .dup under a .bri name (or any deal under a .pbn name) would be read
  // back, by this program or a machine, as something it is not.
  OutputPlan plan = app.DocumentPlan(out, DealFileExtension(format), replaceAllowed);
  // An export of this same set (of any of its ranges of boards) is ours.
  plan.outputs.front().knownBytes = *bytes;
  if (const Result<std::string> old = ReadWholeFile(out); old.ok()) {
    for (int last = 1; last <= LastPresentBoard(app.Set()); ++last) {
      const Result<std::string> range = DealFileBytes(app.Set(), format, last);
      if (range.ok() && *range == *old) plan.outputs.front().knownBytes = *old;
    }
  }
  const GateResult gate = PassGate(plan);
  if (!gate.writer) {
    if (gate.verdict.needsWord) {
      return {Status::Error(out.string() + " already holds other deals or other data"), true};
    }
    return gate.verdict;
  }
  return {gate.writer->Write(out, *bytes), false};
}

OutputVerdict WriteHandRecordsHtml(const App& app, const std::filesystem::path& out,
                                   const HandRecordOptions& options, bool replaceAllowed) {
  // The page reads the expanded deals; a copy makes sure they are current.
  DealSet set = app.Set();
  set.RefreshDeals();
  return app.WriteDocument(out,
                           HandRecordsHtml(set, options, app.Fields().club, app.BoardsInPlay()),
                           ".html", replaceAllowed);
}

}  // namespace tarrow
