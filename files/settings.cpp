#include "files/settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
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

struct FileRead {
  std::string bytes;   // at most the record's size
  int error = 0;       // errno of the failure, 0 when read
  std::string reason;  // what is wrong, when error is set
};

// Reads the start of the settings file.  Only the record's size is read: a
// longer file whose start is a valid record is accepted, and a huge file
// costs nothing.  Anything but a regular file is refused unread: opening a
// FIFO for reading would wait for a writer forever, so the open does not
// block and the kind is checked before any read.
FileRead ReadSettingsFile(const fs::path& file) {
  FileRead read;
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    read.error = errno;
    read.reason = std::strerror(read.error);
    return read;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    read.error = errno;
    read.reason = std::strerror(read.error);
  } else if (!S_ISREG(info.st_mode)) {
    read.error = EINVAL;
    read.reason = std::string("it is ") +
                  (S_ISDIR(info.st_mode)                            ? "a folder"
                   : S_ISFIFO(info.st_mode)                         ? "a named pipe"
                   : S_ISSOCK(info.st_mode)                         ? "a socket"
                   : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                                                                    : "no regular file") +
                  ", not a file";
  } else {
    read.bytes.resize(SettingsRecord::kSize);
    size_t got = 0;
    while (got < read.bytes.size()) {
      const ssize_t n = ::read(fd, read.bytes.data() + got, read.bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        read.error = errno;
        read.reason = std::strerror(read.error);
        break;
      }
      if (n == 0) break;
      got += size_t(n);
    }
    read.bytes.resize(got);
  }
  ::close(fd);
  return read;
}

// Why bytes read from a settings file are no record, in a few words.
std::string Damage(const std::string& bytes) {
  if (bytes.empty()) return "the file is empty";
  if (bytes.size() < SettingsRecord::kSize) {
    return std::to_string(bytes.size()) + " bytes where " + std::to_string(SettingsRecord::kSize) +
           " belong";
  }
  uint32_t version = 0;
  for (size_t i = 0; i < 4; ++i) version |= uint32_t(uint8_t(bytes[400 + i])) << (8 * i);
  if (int32_t(version) != SettingsRecord::kVersion) {
    return "format version " + std::to_string(int32_t(version)) + ", not " +
           std::to_string(SettingsRecord::kVersion);
  }
  return "the digest does not match the contents";
}

// Renames a damaged settings file to the first free name of file.bad,
// file.bad.2, file.bad.3, ...  An older copy is never replaced: the new name
// is made as a hard link, which fails when the name is taken.  Gives the
// new name.
Result<fs::path> KeepAside(const fs::path& file) {
  constexpr int kMostCopies = 1000;
  for (int copy = 1; copy <= kMostCopies; ++copy) {
    fs::path aside = file;
    aside += copy == 1 ? std::string(".bad") : ".bad." + std::to_string(copy);
    if (::link(file.c_str(), aside.c_str()) == 0) {
      if (::unlink(file.c_str()) != 0) {
        const int error = errno;
        ::unlink(aside.c_str());
        return Status::Error("cannot remove " + file.string() + ": " + std::strerror(error));
      }
      return aside;
    }
    int error = errno;
    if (error == EEXIST) continue;
    // A file system without hard links: rename, having looked first.
    if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP) {
      std::error_code ignored;
      if (fs::exists(fs::symlink_status(aside, ignored))) continue;
      if (std::rename(file.c_str(), aside.c_str()) == 0) return aside;
      error = errno;
    }
    return Status::Error("cannot rename it to " + aside.string() + ": " + std::strerror(error));
  }
  return Status::Error("there are already " + std::to_string(kMostCopies) +
                       " damaged copies beside it");
}

}  // namespace

SettingsRecord SettingsRecord::Defaults(std::string_view outputDirectory) {
  SettingsRecord record;  // every switch off, the lists empty, index 0
  for (const TextField& field : kTextFields) record.Set(field.which, field.byDefault);
  record.SetOutputDirectory(outputDirectory);
  for (const NumberField& field : kNumberFields) record.Set(field.which, field.byDefault);
  record.SetDealNumberForm(tarrow::DealNumberForm::kBase64);
  record.SetInt32(kUnused396, 1);
  record.SetInt32(kVersionOffset, kVersion);
  std::fill_n(record.bytes_.begin() + kReservedOffset, kReservedSize, uint8_t(0));
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

std::string SettingsRecord::Get(TextSetting which) const {
  const TextField& field = FieldOf(which);
  return String(field.offset, field.limit);
}

void SettingsRecord::Set(TextSetting which, std::string_view text) {
  const TextField& field = FieldOf(which);
  SetString(field.offset, field.limit, text);
}

int SettingsRecord::Get(NumberSetting which) const noexcept {
  const NumberField& field = FieldOf(which);
  const int stored = bytes_[field.offset];
  return stored >= field.lowest && stored <= field.highest ? stored : field.outside;
}

void SettingsRecord::Set(NumberSetting which, int value) noexcept {
  const NumberField& field = FieldOf(which);
  bytes_[field.offset] = uint8_t(std::clamp(value, field.lowest, field.highest));
}

HandRecordOptions SettingsRecord::HandRecordChoices() const noexcept {
  HandRecordOptions choices;
  for (const SwitchField& field : kSwitchFields) {
    if (field.handRecord != kNotOnHandRecords) choices.*field.handRecord = Get(field.which);
  }
  choices.queenMethod = QueenAdjustment();
  return choices;
}

void SettingsRecord::SetHandRecordChoices(const HandRecordOptions& choices) noexcept {
  for (const SwitchField& field : kSwitchFields) {
    if (field.handRecord != kNotOnHandRecords) Set(field.which, choices.*field.handRecord);
  }
  SetQueenAdjustment(choices.queenMethod);
}

std::vector<std::string> SettingsRecord::Items(ListSetting which) const {
  const size_t offset = FieldOf(which).offset;
  std::vector<std::string> items;
  for (int i = 0; i < kListEntries; ++i) {
    std::string name = String(offset + size_t(i) * kListEntrySize, kNameLimit);
    if (!name.empty() && std::find(items.begin(), items.end(), name) == items.end()) {
      items.push_back(std::move(name));
    }
  }
  return items;
}

std::string SettingsRecord::Selected(ListSetting which) const {
  const std::vector<std::string> items = Items(which);
  const uint8_t stored = bytes_[FieldOf(which).indexOffset];
  const size_t index = stored < kListEntries ? stored : 0;
  return index < items.size() ? items[index] : std::string();
}

void SettingsRecord::SetList(ListSetting which, const std::vector<std::string>& items,
                             std::string_view current) {
  const ListField& field = FieldOf(which);
  uint8_t& index = bytes_[field.indexOffset];
  index = kNoIndex;
  for (size_t i = 0; i < size_t(kListEntries); ++i) {
    const std::string_view item = i < items.size() ? std::string_view(items[i]) : "";
    SetString(field.offset + i * kListEntrySize, kNameLimit, item);
    // The first match wins: the box cannot hold a name twice anyway.
    if (i < items.size() && item == current && index == kNoIndex) index = uint8_t(i);
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

SettingsLoad LoadSettings(const fs::path& file) {
  SettingsLoad load;
  const FileRead read = ReadSettingsFile(file);
  if (read.error == 0) {
    if (std::optional<SettingsRecord> record = SettingsRecord::FromBytes(read.bytes)) {
      load.record = *record;
      return load;
    }
  }
  load.record = SettingsRecord::Defaults(DefaultOutputDirectory().string());
  load.madeDefaults = true;
  if (read.error != 0 && read.error != ENOENT) {
    load.problem = Status::Error("cannot read the settings " + file.string() + ": " + read.reason +
                                 "; running on the defaults");
    return load;
  }
  load.defaultsWanted = true;
  if (read.error == 0) {
    load.problem =
        Status::Error("the settings " + file.string() + " are damaged (" + Damage(read.bytes) +
                      "); running on the defaults, the file is left as it is");
  }
  return load;
}

void WriteDefaultSettings(SettingsLoad& load, const WritePermit& permit) {
  if (!load.defaultsWanted) return;
  const fs::path& file = permit.Path();
  if (!load.problem.ok()) {
    // A damaged record: the club and event lists, the site and the output
    // folder in it may still be worth having, so the file is kept aside,
    // never written over.
    const FileRead read = ReadSettingsFile(file);
    const std::string why = read.error == 0 ? " (" + Damage(read.bytes) + ")" : std::string();
    const Result<fs::path> kept = KeepAside(file);
    if (!kept.ok()) {
      load.problem = Status::Error("the settings " + file.string() + " are damaged" + why +
                                   " and could not be kept aside: " + kept.message() +
                                   "; running on the defaults, the file is left as it is");
      return;
    }
    load.problem =
        Status::Error("the settings " + file.string() + " were damaged" + why +
                      "; the old file is now " + kept->string() + " and the defaults are used");
  }
  load.written = SaveSettings(load.record, permit);
  if (!load.problem.ok() && !load.written.ok()) {
    load.problem = Status::Error(load.problem.message() + "; " + load.written.message());
  }
}

SettingsLoad LoadSettings() {
  return LoadSettings(SettingsPath());
}

Status SaveSettings(SettingsRecord& record, const WritePermit& permit) {
  const fs::path& file = permit.Path();
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
      permit, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace tarrow
