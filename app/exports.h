// What a club does with a set once it is dealt: sends it to a dealing
// machine as a deal file, and puts its hand records on the web as one page.
// Both are documents made from the set in memory, checked as every
// document is (never over the set's own file or another set, a folder that
// takes them) and written atomically, so a failed export leaves the old
// file as it was.
//
//   Status s = ExportDealFile(app, DealFileFormat::kDup, ExportPath(app, ".dup"),
//                             ExportLastBoard(app)).status;
//   Status page = WriteHandRecordsHtml(app, ExportPath(app, ".html"), app.HandRecordChoices());
#pragma once

#include <filesystem>
#include <string_view>

#include "app/app.h"
#include "app/output_plan.h"
#include "files/deal_file_writer.h"
#include "records/hand_record.h"

namespace tarrow {

// Where an export goes by default: beside the set's PBN, with `extension`
// (".dup", ".html"), as the hand-record PDF does; empty while the set has
// no file name.
std::filesystem::path ExportPath(const App& app, std::string_view extension);

// The last board an export takes unless told otherwise: the boards in play,
// or the set's last board with a deal when that comes first; 0 for a set
// with no deal at all.
int ExportLastBoard(const App& app);

// Writes boards 1..lastBoard of the set to `out` in `format`.  Refused,
// with nothing written, when a board in that range has no deal (naming
// it), when lastBoard is outside 1..36, when out's name ends in the
// extension of another deal or set file (".pbn", or ".bri" for a .dup),
// and where the gate refuses a document.  A file at `out` that is no export
// of this set (other deals, or anything else) is replaced only with
// replaceAllowed; without it the verdict says needsWord.  Writing the set
// again (any range of its boards) needs no word.
OutputVerdict ExportDealFile(const App& app, DealFileFormat format,
                             const std::filesystem::path& out, int lastBoard,
                             bool replaceAllowed = false);

// Writes the hand records of boards 1..BoardsInPlay as one web page to
// `out` with these options and the club of the app's fields, through the
// gate: a page this program did not write is replaced only with
// replaceAllowed (else the verdict says needsWord).  A name ending in the
// extension of a deal or set file is refused.
OutputVerdict WriteHandRecordsHtml(const App& app, const std::filesystem::path& out,
                                   const HandRecordOptions& options, bool replaceAllowed = false);

}  // namespace tarrow
