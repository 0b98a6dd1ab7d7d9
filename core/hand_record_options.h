// What the boxes of a hand record show besides hands and points.  The
// layouts (records/) draw by it and the settings record (files/) keeps it,
// so it lives below both.
//
//   HandRecordOptions options = settings.HandRecordChoices();
//   options.showPar = true;
//   HandRecordsHtml(set, options, "My Club");
#pragma once

#include "core/ltc.h"

namespace tarrow {

// All off by default, as on a fresh start; the program takes them from the
// settings record.
struct HandRecordOptions {
  bool showDistributions = false;  // "Show Distributions"
  bool showDealNumbers = false;    // "Show Deal Numbers"
  bool showLtc = false;            // "Show LTC"
  bool showAnalysis = false;       // "Show Analysis"
  bool allTricks = false;          // "All Tricks"; off means contract lines
  bool showPar = false;            // "Show Par": the par line under the vulnerability
  QueenMethod queenMethod = QueenMethod::kUnguardedQueenHalf;  // for the LTC
};

}  // namespace tarrow
