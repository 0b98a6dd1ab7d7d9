#include "app/exports.h"

#include <algorithm>
#include <system_error>

#include "files/deal_files.h"
#include "records/hand_record_html.h"

namespace tarrow {
namespace {

// A deal or set file's extension in lower case, "" for any other.
std::string DealOrSetExtension(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  for (char& ch : extension) {
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  }
  if (DealExtensionKind(path) != DealFileKind::kUnknown || DealFileFormatFromName(extension)) {
    return extension;
  }
  return "";
}

}  // namespace

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
  const std::string extension = DealOrSetExtension(out);
  if (!extension.empty() && extension != DealFileExtension(format)) {
    return {Status::Error(
                out.string() + " is named as a " + extension + " file, but the export is " +
                DealFileExtension(format) + "; name it " +
                std::filesystem::path(out).replace_extension(DealFileExtension(format)).string()),
            false};
  }
  if (const Status checked = app.CheckDocumentOutput(out); !checked.ok()) return {checked, false};
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
  const std::string extension = DealOrSetExtension(out);
  if (!extension.empty()) {
    return Status::Error(out.string() + " is named as a " + extension +
                         " file; give the web page a name ending in .html");
  }
  if (const Status checked = app.CheckDocumentOutput(out); !checked.ok()) return checked;
  // The page reads the expanded deals; a copy makes sure they are current.
  DealSet set = app.Set();
  set.RefreshDeals();
  return WriteFileAtomically(
      out, HandRecordsHtml(set, options, app.Fields().club, app.BoardsInPlay()));
}

}  // namespace tarrow
