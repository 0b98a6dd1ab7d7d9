// Any bytes as a .ber file: at most 36 deals, and every deal marked valid
// is a whole deal whose number gives it back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/deal_files.h"
#include "files/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckImport(tarrow::ParseBerText(std::string_view(reinterpret_cast<const char*>(data), size)));
  return 0;
}
