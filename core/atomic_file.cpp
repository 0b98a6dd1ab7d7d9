#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace tarrow {
namespace {

Status Failure(const std::filesystem::path& path, const char* action, int error) {
  return Status::Error("cannot " + std::string(action) + " " + path.string() + ": " +
                       std::strerror(error));
}

}  // namespace

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) return Failure(path, "write", errno);
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      return Failure(path, "write", error);
    }
    written += size_t(n);
  }
  // mkstemp makes the file private; keep the mode of the file replaced, and
  // give a new file the usual mode of a document.
  struct stat old {};
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return Failure(path, "write", error);
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return Failure(path, "replace", error);
  }
  return Status();
}

Result<std::string> ReadWholeFile(const std::filesystem::path& path, size_t maxBytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return Failure(path, "open", errno);
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
  if (failed) return Failure(path, "read", error);
  return bytes;
}

}  // namespace tarrow
