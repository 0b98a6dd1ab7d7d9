// Any bytes as a .dup file: an error naming the file, or 1..36 deals, each
// a whole deal whose number gives it back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/deal_files.h"
#include "files/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarrow::LoadReport report;
  const tarrow::Result<tarrow::ImportBuffer> imported = tarrow::ParseDupText(
      std::string_view(reinterpret_cast<const char*>(data), size), report, "fuzz.dup");
  CheckImport(imported, report, "fuzz.dup");
  return 0;
}
