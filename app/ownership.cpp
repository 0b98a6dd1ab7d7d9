#include "app/ownership.h"

#include <cstdint>

#include "core/atomic_file.h"
#include "core/cp1252.h"
#include "core/generation.h"
#include "core/texts.h"
#include "files/pbn_reader.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

// The head of a file is enough to know whose it is; no test reads more.
constexpr size_t kMostBytesRead = size_t(8) << 20;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& ch : lower) {
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  }
  return lower;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsOurPdf(const std::string& bytes) {
  return StartsWith(bytes, "%PDF-") &&
         bytes.find("/Producer (Tarrow PDF writer") != std::string::npos;
}

bool IsOurPage(const std::string& bytes) {
  const std::string head = Lower(std::string_view(bytes).substr(0, 4096));
  return head.find("<meta name=\"generator\" content=\"" + Lower(kOurGeneratorPrefix)) !=
         std::string::npos;
}

uint32_t BigEndian(const std::string& bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
         uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]));
}

// A PNG whose tEXt chunk "Software" names this program.
bool IsOurPicture(const std::string& bytes) {
  constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";
  if (!StartsWith(bytes, kSignature)) return false;
  for (size_t at = kSignature.size(); at + 8 <= bytes.size();) {
    const size_t length = BigEndian(bytes, at);
    const std::string type = bytes.substr(at + 4, 4);
    if (length > bytes.size() - at - 8) return false;
    if (type == "tEXt") {
      const std::string text = bytes.substr(at + 8, length);
      const std::string key = std::string("Software") + '\0';
      if (StartsWith(text, key) &&
          StartsWith(std::string_view(text).substr(key.size()), kOurGeneratorPrefix)) {
        return true;
      }
    }
    if (type == "IEND") return false;
    at += 12 + length;
  }
  return false;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

bool IsOurSetHeader(const SetHeader& header) {
  return StartsWith(header.banner.str(), kOurGeneratorPrefix);
}

bool IsOurSet(const fs::path& path) {
  const Result<DealSet> set = ReadPbnFile(path);
  return set.ok() && IsOurSetHeader(set->header);
}

bool IsOurDocument(const fs::path& path, std::string_view extension) {
  const Result<std::string> bytes = ReadWholeFile(path, kMostBytesRead);
  if (!bytes.ok()) return false;
  const std::string kind = Lower(extension);
  if (kind == ".pdf") return IsOurPdf(*bytes);
  if (kind == ".html") return IsOurPage(*bytes);
  if (kind == ".png") return IsOurPicture(*bytes);
  return false;
}

bool IsOurRunLog(const fs::path& path, std::string_view runName) {
  const Result<std::string> bytes = ReadWholeFile(path, kMostBytesRead);
  if (!bytes.ok()) return false;
  const std::vector<std::string> lines = Lines(*bytes);
  return lines.size() >= 3 && StartsWith(lines[0], "Start: ") &&
         StartsWith(lines[1], " Set:" + std::string(runName) + "   ") &&
         StartsWith(lines[2], "Saved in: ");
}

std::map<std::string, std::string> FilesNamedInRunLog(const fs::path& log,
                                                      std::string_view runName) {
  std::map<std::string, std::string> named;
  if (!IsOurRunLog(log, runName)) return named;
  const std::vector<std::string> lines = Lines(*ReadWholeFile(log, kMostBytesRead));
  const std::string name(runName);
  const Result<std::string> nameText = Utf8ToCp1252(runName);  // as the seed holds it
  for (const std::string& line : lines) {
    // "Set #3 Started at: 2026-12-07 18:00:01": the set was written as it
    // began, from the seed of that time and the run name.
    const std::string started = "Set #";
    const size_t at = line.find(" Started at: ");
    if (StartsWith(line, started) && at != std::string::npos) {
      const std::string number = line.substr(started.size(), at - started.size());
      if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string seed =
          (line.substr(at + 13) + " " + (nameText.ok() ? *nameText : name)).substr(0, kSeedLimit);
      named[name + number + ".pbn"] = seed;
      named[name + number + ".pdf"] = "";
    }
  }
  return named;
}

bool IsRunFile(const fs::path& path, const std::map<std::string, std::string>& named) {
  const auto entry = named.find(path.filename().string());
  if (entry == named.end()) return false;
  if (Lower(path.extension().string()) == ".pdf") return IsOurDocument(path, ".pdf");
  const Result<DealSet> set = ReadPbnFile(path);
  return set.ok() && IsOurSetHeader(set->header) && set->header.seed.str() == entry->second;
}

}  // namespace tarrow
