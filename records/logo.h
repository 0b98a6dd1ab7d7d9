// The program's emblem for the hand-record header: a playing card on green
// baize showing the four suit signs, drawn in code so the program carries no
// picture files.
//
//   RgbImage logo = Logo();   // 128 x 128, square
#pragma once

#include "records/surface.h"

namespace tarrow {

// The emblem at side x side pixels (side >= 16), anti-aliased.
RgbImage Logo(int side = 128);

}  // namespace tarrow
