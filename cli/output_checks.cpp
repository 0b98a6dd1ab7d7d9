#include "cli/output_checks.h"

#include "cli/cli_args.h"
#include "files/deal_files.h"

namespace tarrow::cli {

Result<std::filesystem::path> SetFileName(const std::string& text, std::string_view option) {
  std::filesystem::path path = text;
  if (text.empty() || !path.has_filename() || path.filename() == "." || path.filename() == "..") {
    return Status::Error(std::string(option) +
                         " names a folder; give the set's file name, such as " +
                         (path / "club.pbn").string());
  }
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    return Status::Error(std::string(option) + " names the folder " + text +
                         "; give the set's file name, such as " + (path / "club.pbn").string());
  }
  if (!path.has_extension()) path += ".pbn";
  if (DealExtensionKind(path) != DealFileKind::kPbn) {
    return Status::Error(std::string(option) +
                         " names a set file, whose name ends in .pbn, not \"" +
                         path.extension().string() + "\"");
  }
  return path;
}

int RefusedOutputs(const OutputVerdict& verdict, std::string_view wordFlag) {
  if (verdict.ok()) return 0;
  if (verdict.needsWord) {
    return Failure(verdict.status.message() + ": add " + std::string(wordFlag) +
                   " to replace it, or choose another file");
  }
  return Failure(verdict.status.message());
}

int Refused(const Verdict& verdict, std::string_view wordFlag) {
  if (verdict.done()) return 0;
  if (verdict.needsWord()) {
    return Failure(verdict.message + ": add " + std::string(wordFlag) +
                   " to replace it, or choose another file");
  }
  return Failure(verdict.message);
}

}  // namespace tarrow::cli
