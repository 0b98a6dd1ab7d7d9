// How the commands that write files meet the output checks: a set file's
// name, and a refusal turned into the command's message and exit status.
//
//   Result<std::filesystem::path> out = SetFileName(args->Value("--out"));
//   if (int refused = Refused(app.Deal(seed, *out, ForceWord(args)), "--force")) return refused;
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/app.h"
#include "app/output_plan.h"
#include "core/result.h"

namespace tarrow::cli {

// A set file named on the command line: ".pbn" added to a name without an
// extension (so that the file reads back as a set), any other extension
// refused with a message naming it.
Result<std::filesystem::path> SetFileName(const std::string& text, std::string_view option);

// 0 when the outputs may be written; otherwise prints why on stderr, with
// the hint that `wordFlag` gives the user's word where that is all that
// is missing, and returns the exit status 1.
int RefusedOutputs(const OutputVerdict& verdict, std::string_view wordFlag);
// The same for the verdict of one of App's commands.
int Refused(const Verdict& verdict, std::string_view wordFlag);

}  // namespace tarrow::cli
