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
  if (const Status checked = app.CheckDocumentOutput(out, DealFileExtension(format));
      !checked.ok()) {
    return {checked, false};
  }
  std::error_code error;
  if (!replaceAllowed && std::filesystem::exists(out, error)) {
    const Result<std::string> old = ReadWholeFile(out);
    if (!old.ok()) return {old.status(), false};
    if (*old != *bytes) {
      return {Status::Error(out.string() + " already holds other deals or other data"), true};
    }
  }
  return {WriteFileAtomically(out, *bytes), false};
}

Status WriteHandRecordsHtml(const App& app, const std::filesystem::path& out,
                            const HandRecordOptions& options) {
  if (const Status checked = app.CheckDocumentOutput(out, ".html"); !checked.ok()) return checked;
  // The page reads the expanded deals; a copy makes sure they are current.
  DealSet set = app.Set();
  set.RefreshDeals();
  return WriteFileAtomically(
      out, HandRecordsHtml(set, options, app.Fields().club, app.BoardsInPlay()));
}

}  // namespace tarrow
