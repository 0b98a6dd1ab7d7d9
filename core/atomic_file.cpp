#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

namespace tarrow {
namespace {

namespace fs = std::filesystem;

// "cannot write /x/set.pbn: fsync: Input/output error": the call that failed
// and its own error, taken right after the call.
Status Failure(const fs::path& path, const char* call, int error) {
  return Status::Error("cannot write " + path.string() + ": " + call + ": " + std::strerror(error));
}

Status Refusal(const fs::path& path, const std::string& why) {
  return Status::Error("cannot write " + path.string() + ": " + why);
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

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
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

// A temporary name in the target's folder that fits in a folder entry
// however long the target's name is: ".NAME.XXXXXX", with NAME cut short.
std::string TemporaryName(const fs::path& folder, const fs::path& target) {
  constexpr size_t kRoom = 255 - 8;  // the leading dot and ".XXXXXX"
  std::string name = target.filename().string();
  if (name.size() > kRoom) name.resize(kRoom);
  return (folder / ("." + name + ".XXXXXX")).string();
}

Status WriteAll(int fd, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::Error(std::strerror(errno));
    }
    written += size_t(n);
  }
  return Status();
}

// The scratch files to remove when a signal ends the process: slots a
// signal handler can read without a lock (a slot is filled before it is
// marked ready, and emptied after it is unmarked).
constexpr int kScratchSlots = 32;
constexpr size_t kScratchPathBytes = 4096;
char scratchPaths[kScratchSlots][kScratchPathBytes];
std::atomic<int> scratchState[kScratchSlots];  // 0 free, 1 being filled, 2 ready

int RegisterScratch(const std::string& path) {
  if (path.size() >= kScratchPathBytes) return -1;
  for (int slot = 0; slot < kScratchSlots; ++slot) {
    int free = 0;
    if (!scratchState[slot].compare_exchange_strong(free, 1)) continue;
    std::memcpy(scratchPaths[slot], path.c_str(), path.size() + 1);
    scratchState[slot].store(2);
    return slot;
  }
  return -1;
}

void UnregisterScratch(int slot) {
  if (slot >= 0) scratchState[slot].store(0);
}

extern "C" void RemoveScratchAndResignal(int signal) {
  for (int slot = 0; slot < kScratchSlots; ++slot) {
    if (scratchState[slot].load() == 2) ::unlink(scratchPaths[slot]);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Why a file found where a lock file belongs is left alone.
Status NotALock(const fs::path& file, const fs::path& lockPath, const std::string& why) {
  return Status::Error("cannot lock " + file.string() + ": " + lockPath.string() + " " + why +
                       ", not a lock of this program; it is left as it is (remove it to go on)");
}

bool HoldsAProcessId(const std::string& text) {
  return text.size() <= 24 && text.find_first_not_of("0123456789\r\n") == std::string::npos;
}

}  // namespace

void RemoveScratchFilesOnSignals() {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    sigaction(signal, nullptr, &previous);
    // A signal the caller ignores (nohup) stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemoveScratchAndResignal;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

fs::path ResolvedPath(const fs::path& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  fs::path resolved = fs::weakly_canonical(absolute, error);
  if (error) return absolute.lexically_normal();
  // A dangling link names the file a write would create.
  const fs::path target = FinalTarget(resolved);
  return target == resolved ? resolved : ResolvedPath(target);
}

Status CheckWriteTarget(const fs::path& requested) {
  if (requested.empty()) return Status::Error("cannot write a file without a name");
  if (!requested.has_filename()) return Refusal(requested, "it names a folder, not a file");
  const std::string name = requested.filename().string();
  if (name.size() > kLongestFileName) {
    return Refusal(requested, "the name is too long (" + std::to_string(name.size()) +
                                  " bytes; at most " + std::to_string(kLongestFileName) + ")");
  }
  const fs::path path = FinalTarget(requested);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return Status();
    return Refusal(requested, std::strerror(errno));
  }
  if (S_ISDIR(info.st_mode)) return Refusal(requested, "it names a folder, not a file");
  if (!S_ISREG(info.st_mode)) return Refusal(requested, "it is not a regular file");
  // Root may write anything; a file without write bits is still meant to
  // stay as it is, as an editor treats it.
  if ((info.st_mode & 0222) == 0) {
    return Refusal(requested, "the file is write-protected (make it writable to replace it)");
  }
  if (::access(path.c_str(), W_OK) != 0) return Refusal(requested, std::strerror(errno));
  return Status();
}

Status ProbeFolder(const fs::path& folderGiven, size_t bytes) {
  const fs::path folder = folderGiven.empty() ? fs::path(".") : folderGiven;
  const auto refused = [&](const std::string& why) {
    return Status::Error("the folder " + folder.string() + " cannot take the files: " + why);
  };
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) {
    if (errno == ENOENT) return Status::Error("the folder " + folder.string() + " does not exist");
    return refused(std::strerror(errno));
  }
  if (!S_ISDIR(info.st_mode)) return Status::Error(folder.string() + " is not a folder");
  std::string scratch = (folder / ".tarrow-probe.XXXXXX").string();
  const int fd = ::mkstemp(scratch.data());
  if (fd < 0) return refused(std::strerror(errno));
  const int slot = RegisterScratch(scratch);
  const std::string block(std::min<size_t>(bytes, size_t(64) << 10), '\0');
  Status status;
  for (size_t left = bytes; left > 0 && status.ok();) {
    const size_t n = std::min(left, block.size());
    status = WriteAll(fd, std::string_view(block).substr(0, n));
    left -= n;
  }
  if (status.ok() && ::fsync(fd) != 0) status = Status::Error(std::strerror(errno));
  ::close(fd);
  ::unlink(scratch.c_str());
  UnregisterScratch(slot);
  return status.ok() ? status : refused(status.message());
}

Result<AtomicFileStream> AtomicFileStream::Open(const WritePermit& permit) {
  const fs::path& requested = permit.Path();
  if (const Status target = CheckWriteTarget(requested); !target.ok()) return target;
  AtomicFileStream stream;
  stream.target_ = FinalTarget(requested);
  stream.temp_ = TemporaryName(FolderOf(stream.target_), stream.target_);
  stream.fd_ = ::mkstemp(stream.temp_.data());
  if (stream.fd_ < 0) return Failure(stream.target_, "mkstemp", errno);
  return stream;
}

AtomicFileStream::AtomicFileStream(AtomicFileStream&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      target_(std::move(other.target_)),
      temp_(std::move(other.temp_)) {}

AtomicFileStream& AtomicFileStream::operator=(AtomicFileStream&& other) noexcept {
  if (this != &other) {
    Abandon();
    fd_ = std::exchange(other.fd_, -1);
    target_ = std::move(other.target_);
    temp_ = std::move(other.temp_);
  }
  return *this;
}

AtomicFileStream::~AtomicFileStream() {
  Abandon();
}

void AtomicFileStream::Abandon() noexcept {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(temp_.c_str());
  fd_ = -1;
}

Status AtomicFileStream::Append(std::string_view bytes) {
  if (fd_ < 0) return Refusal(target_, "the file is already closed");
  if (const Status written = WriteAll(fd_, bytes); !written.ok()) {
    Abandon();
    return Refusal(target_, "write: " + written.message());
  }
  return Status();
}

Status AtomicFileStream::Commit() {
  if (fd_ < 0) return Refusal(target_, "the file is already closed");
  const auto abandon = [&](const char* call, int error) {
    Abandon();
    return Failure(target_, call, error);
  };
  // mkstemp makes the file private: a replaced file keeps its mode, a new
  // one gets the mode the user's umask gives any new file.
  struct stat old {};
  const mode_t mode = ::stat(target_.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
  if (::fchmod(fd_, mode) != 0) return abandon("fchmod", errno);
  if (::fsync(fd_) != 0) return abandon("fsync", errno);
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp_.c_str());
    return Failure(target_, "close", error);
  }
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp_.c_str());
    return Failure(target_, "rename", error);
  }
  // The rename is durable only once the folder's entry is on disk.
  const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir < 0) return Failure(target_, "open folder", errno);
  const int synced = ::fsync(dir);
  const int error = errno;
  ::close(dir);
  if (synced != 0 && error != EINVAL) return Failure(target_, "fsync folder", error);
  return Status();
}

Status WriteFileAtomically(const WritePermit& permit, std::string_view bytes) {
  Result<AtomicFileStream> stream = AtomicFileStream::Open(permit);
  if (!stream.ok()) return stream.status();
  if (const Status appended = stream->Append(bytes); !appended.ok()) return appended;
  return stream->Commit();
}

Status RemoveFile(const WritePermit& permit) {
  if (::unlink(permit.Path().c_str()) != 0 && errno != ENOENT) {
    return Status::Error("cannot remove " + permit.Path().string() + ": " + std::strerror(errno));
  }
  return Status();
}

Result<std::string> ReadWholeFile(const fs::path& path, size_t maxBytes) {
  const auto cannot = [&](const std::string& verb, const std::string& why) {
    return Status::Error("cannot " + verb + " " + path.string() + ": " + why);
  };
  // O_NONBLOCK so that opening a FIFO with no writer returns at once.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return cannot("open", std::strerror(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const bool folder = S_ISDIR(info.st_mode);
    ::close(fd);
    return cannot("read", folder ? "it is a folder, not a file" : "it is not a regular file");
  }
  std::string bytes;
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      return cannot("read", std::strerror(error));
    }
    if (n == 0) break;
    if (bytes.size() + size_t(n) > maxBytes) {
      ::close(fd);
      return cannot("read", "the file is larger than " + std::to_string(maxBytes >> 20) + " MiB");
    }
    bytes.append(buffer, size_t(n));
  }
  ::close(fd);
  return bytes;
}

Result<FileLock> FileLock::Acquire(const fs::path& file) {
  const fs::path resolved = ResolvedPath(file);
  const fs::path lockPath = FolderOf(resolved) / ("." + resolved.filename().string() + ".lock");
  const auto cannot = [&](const std::string& why) {
    return Status::Error("cannot lock " + file.string() + ": " + lockPath.filename().string() +
                         ": " + why);
  };
  // A holder removes the lock file as it lets go; a file taken just then is
  // no longer the one at the path, so the lock is taken again on the new one.
  for (int attempt = 0; attempt < 10; ++attempt) {
    // Made new, never through a link: a link or a file put where the lock
    // goes is never opened for writing, let alone truncated.
    int fd =
        ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, NewFileMode());
    const bool fresh = fd >= 0;
    if (!fresh) {
      if (errno != EEXIST) return cannot(std::strerror(errno));
      fd = ::open(lockPath.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) {
        if (errno == ENOENT) continue;
        if (errno == ELOOP) return NotALock(file, lockPath, "is a symbolic link");
        return cannot(std::strerror(errno));
      }
      struct stat info {};
      if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 ||
          info.st_size > 24) {
        ::close(fd);
        return NotALock(file, lockPath,
                        S_ISREG(info.st_mode) && info.st_nlink != 1
                            ? "is a second name of another file"
                            : "holds something else");
      }
    }
    const int scratch = fresh ? RegisterScratch(lockPath.string()) : -1;
    char pid[32] = {};
    const ssize_t n = ::pread(fd, pid, sizeof pid - 1, 0);
    std::string holder = n > 0 ? std::string(pid, size_t(n)) : std::string();
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\r')) holder.pop_back();
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      UnregisterScratch(scratch);
      if (error != EWOULDBLOCK) return cannot(std::strerror(error));
      return Status::Error(file.string() + " is being written by another Tarrow" +
                           (holder.empty() ? std::string() : " (process " + holder + ")") +
                           "; wait until it is done, or choose another file");
    }
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) != 0 || ::lstat(lockPath.c_str(), &named) != 0 ||
        held.st_ino != named.st_ino || held.st_dev != named.st_dev) {
      ::close(fd);
      UnregisterScratch(scratch);
      continue;
    }
    if (!fresh && !HoldsAProcessId(holder)) {
      ::close(fd);
      return NotALock(file, lockPath, "holds something else");
    }
    FileLock lock;
    if (!fresh) {
      lock.takenOver_ = "took over the lock of " + file.filename().string() +
                        (holder.empty() ? std::string(" left by a Tarrow that is gone")
                                        : " left by process " + holder + ", which is gone");
      lock.scratch_ = RegisterScratch(lockPath.string());
    } else {
      lock.scratch_ = scratch;
    }
    // The file itself, by its identity: a second name of it (a hard link)
    // is then refused too.
    const int fileFd = ::open(resolved.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fileFd >= 0) {
      struct stat info {};
      if (::fstat(fileFd, &info) == 0 && S_ISREG(info.st_mode) &&
          ::flock(fileFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fileFd);
        lock.fd_ = fd;
        lock.lockPath_ = lockPath;
        lock.Release();
        return Status::Error(file.string() +
                             " is another name of a file being written by "
                             "another Tarrow; wait until it is done, or choose another file");
      }
      lock.fileFd_ = fileFd;
    }
    const std::string own = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
      [[maybe_unused]] const ssize_t written = ::pwrite(fd, own.data(), own.size(), 0);
    }
    lock.fd_ = fd;
    lock.file_ = resolved;
    lock.lockPath_ = lockPath;
    return lock;
  }
  return cannot("its lock file keeps changing");
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(other.fd_),
      fileFd_(other.fileFd_),
      scratch_(other.scratch_),
      takenOver_(std::move(other.takenOver_)),
      file_(std::move(other.file_)),
      lockPath_(std::move(other.lockPath_)) {
  other.fd_ = -1;
  other.fileFd_ = -1;
  other.scratch_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    fileFd_ = other.fileFd_;
    scratch_ = other.scratch_;
    takenOver_ = std::move(other.takenOver_);
    file_ = std::move(other.file_);
    lockPath_ = std::move(other.lockPath_);
    other.fd_ = -1;
    other.fileFd_ = -1;
    other.scratch_ = -1;
  }
  return *this;
}

FileLock::~FileLock() {
  Release();
}

void FileLock::Release() noexcept {
  if (fileFd_ >= 0) ::close(fileFd_);
  fileFd_ = -1;
  if (fd_ < 0) return;
  ::unlink(lockPath_.c_str());
  UnregisterScratch(scratch_);
  scratch_ = -1;
  ::close(fd_);
  fd_ = -1;
}

}  // namespace tarrow
