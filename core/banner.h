// The program's name and version as every output carries it ("Tarrow 1.0.0"):
// the PBN Generator tag, the set header and the printed pages.  The version
// is defined once, by the build.
#pragma once

#include <string_view>

namespace tarrow {

#ifndef TARROW_VERSION
#error "TARROW_VERSION is defined by the build"
#endif

inline constexpr std::string_view kProgramVersion = TARROW_VERSION;
inline constexpr std::string_view kProgramBanner = "Tarrow " TARROW_VERSION;

}  // namespace tarrow
