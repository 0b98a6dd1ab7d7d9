// For tests only: the permits the output gate gives a flow, made directly,
// so that the tests of the writers themselves (and the files a test sets
// up) need no plan.  Program code never includes this header; the test of
// the gate checks that.
#pragma once

#include <filesystem>
#include <string_view>
#include <utility>

#include "core/atomic_file.h"

namespace tarrow {

struct WritePermitForTest {
  static WritePermit For(std::filesystem::path path) { return WritePermit(std::move(path)); }
};

namespace testing {

inline WritePermit PermitFor(std::filesystem::path path) {
  return WritePermitForTest::For(std::move(path));
}

// Puts a file in place for a test, as the program would write it.
inline Status WriteTestFile(const std::filesystem::path& path, std::string_view bytes) {
  return WriteFileAtomically(PermitFor(path), bytes);
}

}  // namespace testing
}  // namespace tarrow
