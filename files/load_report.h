// What reading a file told the user and what the set could not keep of it.
// The readers fill it; the caller shows the warnings and, when anything was
// not kept, writes the set to a new file instead of over the one it came
// from, so that nothing the file held is lost.
//
//   LoadReport report;
//   Result<DealSet> set = ReadPbnFile(path, report);
//   for (const std::string& w : report.warnings) ShowWarning(w);
//   if (set.ok() && !report.RewriteLosesNothing()) SaveBesideInstead();
#pragma once

#include <string>
#include <vector>

namespace tarrow {

// What a read told the user and what the set could not keep.
struct LoadReport {
  std::vector<std::string>
      warnings;  // said to the user; the load went on (UTF-8 or cp1252 text, as other messages)
  std::vector<std::string>
      notKept;  // what the file holds that writing the set back would drop or change
  std::vector<std::string> events;  // a PBN file's events when it holds several, in file order
  int eventLoaded = 0;              // which of them was read, from 1 (0: the file has one)
  bool RewriteLosesNothing() const noexcept { return notKept.empty(); }
};

}  // namespace tarrow
