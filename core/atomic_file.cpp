#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace tarrow {
namespace {

namespace fs = std::filesystem;

// "cannot write /x/set.pbn: fsync: Input/output error": the call that failed
// and its own error, taken right after the call.
Status Failure(const fs::path& path, const char* call, int error) {
  return Status::Error("cannot write " + path.string() + ": " + call + ": " +
                       std::strerror(error));
}

// The file a write should replace: a symbolic link is followed (to the end
// of a chain), so the file it names is replaced and the link stays a link.
fs::path FinalTarget(const fs::path& path) {
  fs::path target = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(target, error))) break;
    const fs::path link = fs::read_symlink(target, error);
    if (error) break;
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return target;
}

// The mode a newly created file gets: 0666 less the process's umask.  The
// umask can only be read by setting it, so it is set back at once, under a
// lock against a second writer doing the same.
mode_t NewFileMode() {
  static std::mutex lock;
  std::lock_guard guard(lock);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

Status WriteFileAtomically(const fs::path& requested, std::string_view bytes) {
  const fs::path path = FinalTarget(requested);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Failure(path, "mkstemp", errno);
  const auto abandon = [&](const char* call, int error) {
    ::close(fd);
    ::unlink(temp.c_str());
    return Failure(path, call, error);
  };
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon("write", errno);
    }
    written += size_t(n);
  }
  // mkstemp makes the file private: a replaced file keeps its mode, a new
  // one gets the mode the user's umask gives any new file.
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
  if (::fchmod(fd, mode) != 0) return abandon("fchmod", errno);
  if (::fsync(fd) != 0) return abandon("fsync", errno);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return Failure(path, "close", error);
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return Failure(path, "rename", error);
  }
  // The rename is durable only once the folder's entry is on disk.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir < 0) return Failure(path, "open folder", errno);
  const int synced = ::fsync(dir);
  const int error = errno;
  ::close(dir);
  if (synced != 0 && error != EINVAL) return Failure(path, "fsync folder", error);
  return Status();
}

Result<std::string> ReadWholeFile(const std::filesystem::path& path, size_t maxBytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return Status::Error("cannot open " + path.string() + ": " + std::strerror(errno));
  }
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (bytes.size() + n > maxBytes) {
      std::fclose(file);
      return Status::Error("cannot read " + path.string() + ": the file is larger than " +
                           std::to_string(maxBytes >> 20) + " MiB");
    }
    bytes.append(buffer, n);
  }
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) return Status::Error("cannot read " + path.string() + ": " + std::strerror(error));
  return bytes;
}

}  // namespace tarrow
