// Numbers spelled in English words, as board generation appends them to the
// seed.  The words decide every generated deal, so they are kept letter for
// letter, "eightteen" for 18 included, and 1000..1999 are said in hundreds.
//
//   NumberInWords(21);    // "twenty-one"
//   NumberInWords(1500);  // "fifteen hundred"
#pragma once

#include <cstdint>
#include <string>

namespace tarrow {

// The words for n; 0 gives the empty text.
std::string NumberInWords(uint32_t n);

}  // namespace tarrow
