// Whether a file in the way is one this program wrote.  The output gate
// replaces a file without the user's word only when one of these says so;
// anything else (a hand-written page, a club's PDF, a photo, notes, a set
// from another program) needs the word.  Each test reads the file itself,
// never its name:
//
//   | file            | ours when                                             |
//   |-----------------|-------------------------------------------------------|
//   | a set (.pbn)    | it reads as a set and its Generator tag names Tarrow  |
//   | a PDF           | its Producer is Tarrow's PDF writer                   |
//   | a web page      | it has Tarrow's generator meta tag                    |
//   | a picture (PNG) | its Software text names Tarrow                        |
//   | an export       | its bytes are an export of the set being exported     |
//   | a run log       | it is a run log of this program for that run's name   |
//   | a run's file    | the run's log names it, and it is still what the run  |
//   |                 | wrote (a set of ours with the logged seed, our PDF)   |
//
//   if (!IsOurDocument(path, ".pdf")) ...ask before replacing it...
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "core/deal_set.h"

namespace tarrow {

// The Generator value of every set this program writes begins with this.
inline constexpr std::string_view kOurGeneratorPrefix = "Tarrow ";

// A set's header names this program as the one that wrote it.
bool IsOurSetHeader(const SetHeader& header);
// The file reads as a set this program wrote.
bool IsOurSet(const std::filesystem::path& path);
// A document of this program of the kind `extension` names (".pdf",
// ".html", ".png"); false for any other extension.
bool IsOurDocument(const std::filesystem::path& path, std::string_view extension);
// A run log of this program, for a run named `runName`.
bool IsOurRunLog(const std::filesystem::path& path, std::string_view runName);

// The files an earlier run's log names (file name in the run folder), each
// with the seed its set was dealt from.  Empty when the log is not ours.
std::map<std::string, std::string> FilesNamedInRunLog(const std::filesystem::path& log,
                                                      std::string_view runName);
// A file an earlier run wrote: named in `named` (from its log) and still
// what the run wrote there.
bool IsRunFile(const std::filesystem::path& path, const std::map<std::string, std::string>& named);

}  // namespace tarrow
