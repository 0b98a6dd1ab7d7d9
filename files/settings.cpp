#include "files/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/atomic_file.h"
#include "core/sha0.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

constexpr size_t kReservedOffset = 2104, kReservedSize = 32;
constexpr size_t kListEntrySize = SettingsRecord::kNameLimit + 1;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

fs::path HomeFolder() {
  const std::string home = Environment("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return fs::current_path();
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a shell assignment whose value is
// "$HOME/..." or an absolute path.
std::optional<fs::path> XdgDocumentsFolder(const fs::path& home) {
  const std::string configHome = Environment("XDG_CONFIG_HOME");
  const fs::path config = configHome.empty() ? home / ".config" : fs::path(configHome);
  std::ifstream file(config / "user-dirs.dirs");
  std::string line;
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
  while (std::getline(file, line)) {
    if (line.rfind(kKey, 0) != 0) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    constexpr std::string_view kHome = "$HOME";
    if (value.rfind(kHome, 0) == 0) {
      value = home.string() + value.substr(kHome.size());
    }
    if (!value.empty() && value.front() == '/') return fs::path(value);
  }
  return std::nullopt;
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

}  // namespace

SettingsRecord SettingsRecord::Defaults(std::string_view outputDirectory) {
  SettingsRecord record;
  record.SetOutputDirectory(outputDirectory);
  record.SetSite(kDefaultSite);
  record.SetPrinterName("");
  record.SetDealNumberForm(1);
  record.SetInt32(kUnused396, 1);
  record.SetInt32(kVersionOffset, kVersion);
  record.SetQueenAdjustment(0);
  std::fill_n(record.bytes_.begin() + kReservedOffset, kReservedSize, uint8_t(0));
  record.SetThreads(1);
  record.StoreDigest();
  return record;
}

std::optional<SettingsRecord> SettingsRecord::FromBytes(std::string_view bytes) {
  if (bytes.size() < kSize) return std::nullopt;
  SettingsRecord record;
  std::memcpy(record.bytes_.data(), bytes.data(), kSize);
  if (record.Version() != kVersion || !record.DigestMatches()) return std::nullopt;
  return record;
}

void SettingsRecord::StoreDigest() noexcept {
  const std::array<uint8_t, 20> digest = HashBlock(bytes_.data(), kDigestOffset);
  std::copy(digest.begin(), digest.end(), bytes_.begin() + kDigestOffset);
}

bool SettingsRecord::DigestMatches() const noexcept {
  const std::array<uint8_t, 20> digest = HashBlock(bytes_.data(), kDigestOffset);
  return std::equal(digest.begin(), digest.end(), bytes_.begin() + kDigestOffset);
}

std::string SettingsRecord::String(size_t offset, size_t limit) const {
  const size_t length = std::min<size_t>(bytes_[offset], limit);
  return std::string(reinterpret_cast<const char*>(bytes_.data() + offset + 1), length);
}

void SettingsRecord::SetString(size_t offset, size_t limit, std::string_view text) {
  const size_t length = std::min(text.size(), limit);
  bytes_[offset] = uint8_t(length);
  std::fill_n(bytes_.begin() + offset + 1, limit, uint8_t(0));
  std::memcpy(bytes_.data() + offset + 1, text.data(), length);
}

int32_t SettingsRecord::Int32(size_t offset) const noexcept {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t(bytes_[offset + i]) << (8 * i);
  return int32_t(value);
}

void SettingsRecord::SetInt32(size_t offset, int32_t value) noexcept {
  for (size_t i = 0; i < 4; ++i) bytes_[offset + i] = uint8_t(uint32_t(value) >> (8 * i));
}

std::vector<std::string> SettingsRecord::ListItems(size_t offset) const {
  std::vector<std::string> items;
  for (int i = 0; i < kListEntries; ++i) {
    std::string name = String(offset + size_t(i) * kListEntrySize, kNameLimit);
    if (!name.empty() && std::find(items.begin(), items.end(), name) == items.end()) {
      items.push_back(std::move(name));
    }
  }
  return items;
}

std::string SettingsRecord::SelectedItem(size_t listOffset, size_t indexOffset) const {
  const std::vector<std::string> items = ListItems(listOffset);
  const size_t index = bytes_[indexOffset] < kListEntries ? bytes_[indexOffset] : 0;
  return index < items.size() ? items[index] : std::string();
}

void SettingsRecord::SetList(size_t listOffset, size_t indexOffset,
                             const std::vector<std::string>& items, std::string_view current) {
  bytes_[indexOffset] = kNoIndex;
  for (size_t i = 0; i < size_t(kListEntries); ++i) {
    const std::string_view item = i < items.size() ? std::string_view(items[i]) : "";
    SetString(listOffset + i * kListEntrySize, kNameLimit, item);
    // The first match wins: the box cannot hold a name twice anyway.
    if (i < items.size() && item == current && bytes_[indexOffset] == kNoIndex) {
      bytes_[indexOffset] = uint8_t(i);
    }
  }
}

fs::path SettingsPath() {
  const std::string override = Environment("TARROW_CONFIG_DIR");
  if (!override.empty()) return fs::path(override) / "Tarrow.ini";
  const std::string configHome = Environment("XDG_CONFIG_HOME");
  if (!configHome.empty()) return fs::path(configHome) / "tarrow" / "Tarrow.ini";
  return HomeFolder() / ".config" / "tarrow" / "Tarrow.ini";
}

fs::path DefaultOutputDirectory() {
  const fs::path home = HomeFolder();
  if (const std::optional<fs::path> documents = XdgDocumentsFolder(home);
      documents && IsFolder(*documents)) {
    return *documents;
  }
  if (IsFolder(home / "Documents")) return home / "Documents";
  return home;
}

SettingsLoad LoadSettings(const fs::path& file, DefaultsWrite write) {
  SettingsLoad load;
  // Only the record's size is read: a longer file whose start is a valid
  // record is accepted, and a huge file costs nothing.
  std::string bytes(SettingsRecord::kSize, '\0');
  size_t read = 0;
  int error = 0;
  if (std::FILE* stream = std::fopen(file.c_str(), "rb")) {
    read = std::fread(bytes.data(), 1, bytes.size(), stream);
    if (std::ferror(stream) != 0) error = errno != 0 ? errno : EIO;
    std::fclose(stream);
  } else {
    error = errno;
  }
  if (error == 0 && read == SettingsRecord::kSize) {
    if (std::optional<SettingsRecord> record = SettingsRecord::FromBytes(bytes)) {
      load.record = *record;
      return load;
    }
  }
  load.record = SettingsRecord::Defaults(DefaultOutputDirectory().string());
  load.madeDefaults = true;
  if (error != 0 && error != ENOENT) {
    load.problem = Status::Error("cannot read the settings " + file.string() + ": " +
                                 std::strerror(error) + "; running on the defaults");
    return load;
  }
  if (write == DefaultsWrite::kWrite) load.written = SaveSettings(load.record, file);
  return load;
}

SettingsLoad LoadSettings() {
  return LoadSettings(SettingsPath());
}

Status SaveSettings(SettingsRecord& record, const fs::path& file) {
  record.StoreDigest();
  if (file.has_parent_path()) {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error) {
      return Status::Error("cannot create the folder " + file.parent_path().string() + ": " +
                           error.message());
    }
  }
  const std::array<uint8_t, SettingsRecord::kSize>& bytes = record.Bytes();
  return WriteFileAtomically(
      file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Status SaveSettings(SettingsRecord& record) {
  return SaveSettings(record, SettingsPath());
}

}  // namespace tarrow
