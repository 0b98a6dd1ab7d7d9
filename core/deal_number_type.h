// The DealNumber value type, kept apart from the numbering code so that the
// card model can hold one without pulling in the conversions.
#pragma once

#include <cstdint>

namespace tarrow {

// A deal's index among all 52! / (13!)^4 deals, as three 32-bit words, high
// first.  An invalid number marks an empty board slot; its words carry no
// meaning (conversions that fail set them to FFFFFFFF).
struct DealNumber {
  bool valid = false;
  uint32_t high = 0;
  uint32_t middle = 0;
  uint32_t low = 0;

  friend bool operator==(const DealNumber&, const DealNumber&) = default;
};

}  // namespace tarrow
