// Files are never half-written, and never written where they should not be.
// Every file the program writes goes to a temporary file in the same folder,
// is flushed, and is renamed over the target, so a failed write leaves the
// old file as it was.  Before that, a target is refused when it is a folder
// or another non-regular file, when the file itself is write-protected (as
// an editor respects a read-only file, even for a user who could override
// it), or when its name is longer than a folder entry can be.  A lock beside
// a set keeps a second process from writing it at the same time.
//
//   Status s = WriteFileAtomically(path, bytes);
//   if (!s.ok()) Report(s.message());   // "cannot write /x/set.pbn: Permission denied"
//   Result<FileLock> lock = FileLock::Acquire(path);   // refused while another holds it
#pragma once

#include <filesystem>
#include <string_view>

#include "core/result.h"

namespace tarrow {

// The longest name (in bytes) of a file the program writes: a folder entry
// holds 255, and the lock beside a set is named "." + name + ".lock".
inline constexpr size_t kLongestFileName = 249;

// Replaces the file at path with exactly these bytes, or leaves it untouched
// and says why (the message names the path and the reason).  A symbolic link
// is followed, so the file it names is replaced and the link stays; the file
// keeps its mode.  Refuses what CheckWriteTarget refuses.
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Ok when path may be replaced by a write: it does not exist, or it is a
// regular file with a write permission bit set; and its name is at most
// kLongestFileName bytes.  Otherwise the message names the path and why:
// "names a folder", "is not a regular file", "is write-protected", "the name
// is too long".  Symbolic links are followed.
Status CheckWriteTarget(const std::filesystem::path& path);

// Writes `bytes` bytes to a scratch file in folder, syncs and removes it:
// finds a missing or read-only folder, a read-only file system or a full
// disk before long work starts, for root too.  The message names the folder
// and the reason ("the folder /x does not exist", "the folder /x cannot take
// the files: No space left on device"), for the caller to put after the name
// of the file it meant to write.
Status ProbeFolder(const std::filesystem::path& folder, size_t bytes);

// Reads a whole file; the message names the path and the reason on failure.
// Only regular files are read (a FIFO or a device would block or never
// end).  Files larger than maxBytes are refused, so a hostile file cannot
// exhaust memory.
Result<std::string> ReadWholeFile(const std::filesystem::path& path,
                                  size_t maxBytes = size_t(64) << 20);

// An advisory lock on a file the program writes, held through a lock file
// beside it (".NAME.lock", removed on release), so that two processes (two
// commands, or the window and a command) never write one set at once.  The
// lock goes with the process, so a crash leaves nothing locked.
class FileLock {
 public:
  // Takes the lock of `file` (which need not exist), or says that another
  // process holds it (naming its process id) or why the lock file cannot be
  // made.  Within one process a second Acquire of the same file is refused
  // as well.
  static Result<FileLock> Acquire(const std::filesystem::path& file);

  FileLock() = default;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  bool Held() const noexcept { return fd_ >= 0; }
  // The file the lock guards, as resolved when it was taken.
  const std::filesystem::path& File() const noexcept { return file_; }
  void Release() noexcept;

 private:
  int fd_ = -1;
  std::filesystem::path file_;
  std::filesystem::path lockPath_;
};

// The path where a write of `path` lands: symbolic links followed to the end
// of a chain, "." and ".." resolved, relative paths made absolute.  Two
// outputs are one file exactly when these are equal.
std::filesystem::path ResolvedPath(const std::filesystem::path& path);

}  // namespace tarrow
