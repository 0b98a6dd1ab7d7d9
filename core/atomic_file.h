// Files are never half-written, and never written where they should not be.
// Every file the program writes goes to a temporary file in the same folder,
// is flushed, and is renamed over the target, so a failed write leaves the
// old file as it was.  Before that, a target is refused when it is a folder
// or another non-regular file, when the file itself is write-protected (as
// an editor respects a read-only file, even for a user who could override
// it), or when its name is longer than a folder entry can be.  A lock beside
// a set keeps a second process from writing it at the same time.
//
// No flow calls the write itself: the output gate (app/output_plan.h) checks
// a flow's plan and hands out a WritePermit for each file of a plan that
// passed, and only a permit opens the write:
//
//   Status s = WriteFileAtomically(permit, bytes);   // permit.Path() is replaced
//   if (!s.ok()) Report(s.message());   // "cannot write /x/set.pbn: Permission denied"
//   Result<FileLock> lock = FileLock::Acquire(path);   // refused while another holds it
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "core/result.h"

namespace tarrow {

// The longest name (in bytes) of a file the program writes: a folder entry
// holds 255, and the lock beside a set is named "." + name + ".lock".
inline constexpr size_t kLongestFileName = 249;

class PlanWriter;
struct WritePermitForTest;

// Leave to write or remove one file, given only by the output gate to a
// flow whose plan passed (and, for the tests of the writers themselves,
// by WritePermitForTest).  It names the file as the plan named it.
class WritePermit {
 public:
  const std::filesystem::path& Path() const noexcept { return path_; }

 private:
  explicit WritePermit(std::filesystem::path path) : path_(std::move(path)) {}
  friend class PlanWriter;
  friend struct WritePermitForTest;
  std::filesystem::path path_;
};

// Replaces the permit's file with exactly these bytes, or leaves it
// untouched and says why (the message names the path and the reason).  A
// symbolic link is followed, so the file it names is replaced and the link
// stays; the file keeps its mode.  Refuses what CheckWriteTarget refuses.
Status WriteFileAtomically(const WritePermit& permit, std::string_view bytes);

// A file written in pieces and put in place whole, for output too large to
// hold in memory: the pieces go to a temporary file beside the target, and
// only Commit renames it over the target, so a run stopped or failed half
// way leaves the old file as it was (the temporary file goes with the
// stream).  The same rules as WriteFileAtomically, which is one Append and
// a Commit:
//
//   Result<AtomicFileStream> out = AtomicFileStream::Open(permit);
//   while (...) status = out->Append(piece);
//   status = out->Commit();   // permit.Path() now holds every piece
class AtomicFileStream {
 public:
  static Result<AtomicFileStream> Open(const WritePermit& permit);

  AtomicFileStream(AtomicFileStream&& other) noexcept;
  AtomicFileStream& operator=(AtomicFileStream&& other) noexcept;
  AtomicFileStream(const AtomicFileStream&) = delete;
  AtomicFileStream& operator=(const AtomicFileStream&) = delete;
  ~AtomicFileStream();

  // A failed Append abandons the stream: the target stays as it was.
  Status Append(std::string_view bytes);
  Status Commit();
  // The file Commit replaces (a symbolic link followed).
  const std::filesystem::path& Target() const noexcept { return target_; }

 private:
  AtomicFileStream() = default;
  void Abandon() noexcept;
  int fd_ = -1;
  std::filesystem::path target_;
  std::string temp_;
};

// Removes the permit's file (not a link's target: the link itself).
Status RemoveFile(const WritePermit& permit);

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
Result<std::string> ReadWholeFile(const std::filesystem::path& path, size_t maxBytes = size_t(64)
                                                                                       << 20);

// An advisory lock on a file the program writes, held through a lock file
// beside it (".NAME.lock", removed on release), so that two processes (two
// commands, or two windows, or the window and a command) never write one set
// at once.  The lock file is made new (never opened through a link, never an
// existing file truncated); one left by a process that is gone is taken over.
// The file itself is locked too while it exists, so a hard link to it (the
// same device and inode under another name) is refused as well.  The lock
// goes with the process, so a crash leaves nothing locked.
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
  // When the lock was left by a process that is gone and taken over: the
  // words for the status line ("took over the lock left by process 4711"),
  // else empty.
  const std::string& TakenOver() const noexcept { return takenOver_; }
  void Release() noexcept;

 private:
  int fd_ = -1;
  int fileFd_ = -1;  // the file itself, locked by its identity
  int scratch_ = -1;
  std::string takenOver_;
  std::filesystem::path file_;
  std::filesystem::path lockPath_;
};

// The path where a write of `path` lands: symbolic links followed to the end
// of a chain, "." and ".." resolved, relative paths made absolute.  Two
// outputs are one file exactly when these are equal.
std::filesystem::path ResolvedPath(const std::filesystem::path& path);

// The program's own scratch files (the folder probe, a lock file) are
// removed however the process ends that can still run code: once this is
// called, SIGINT, SIGTERM and SIGHUP remove them before the signal takes
// its usual course.  A flow that handles these signals itself (to save what
// is done) ends normally, which removes them as well.
void RemoveScratchFilesOnSignals();

}  // namespace tarrow
