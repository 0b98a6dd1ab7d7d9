// The "--show" words of the commands that write hand records (pdf, html):
// what each board shows besides the hands and points.
//
//   Status s = ReadShowList("analysis,par", options);   // the other flags cleared
#pragma once

#include <string>

#include "cli/cli_args.h"
#include "core/result.h"
#include "records/hand_record.h"

namespace tarrow::cli {

// "distributions,ltc,analysis" -> the show flags; "none" clears them all.
// Any other word is refused, the message naming it and the words known.
Status ReadShowList(const std::string& list, HandRecordOptions& options);

// What the hand records show for one run of pdf or html: the window's
// choices (`fromSettings`) changed by --show, --all-tricks and
// --ltc-method; the message names the option that is wrong.
Result<HandRecordOptions> HandRecordOptionsArgument(const ParsedArgs& args,
                                                    HandRecordOptions fromSettings);

}  // namespace tarrow::cli
