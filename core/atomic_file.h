// Files are never half-written: every file the program writes goes to a
// temporary file in the same folder, is flushed, and is renamed over the
// target.  A failed write leaves the old file as it was.
//
//   Status s = WriteFileAtomically(path, bytes);
//   if (!s.ok()) Report(s.message());   // "cannot write /x/set.pbn: Permission denied"
#pragma once

#include <filesystem>
#include <string_view>

#include "core/result.h"

namespace tarrow {

// Replaces the file at path with exactly these bytes, or leaves it untouched
// and says why (the message names the path and the system's reason).
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Reads a whole file; the message names the path and the reason on failure.
// Files larger than maxBytes are refused, so a hostile file cannot exhaust memory.
Result<std::string> ReadWholeFile(const std::filesystem::path& path, size_t maxBytes = size_t(64)
                                                                                       << 20);

}  // namespace tarrow
