// For tests only: the real set flow of a multiple-set run with the analysis
// replaced by one that finishes at once with every table filled (a real one
// takes minutes per set), unless the test keeps it running.
#pragma once

#include "app/app.h"
#include "app/multi_run.h"

namespace tarrow::testing {

class QuickAnalysisHost : public AppRunHost {
 public:
  using AppRunHost::AppRunHost;
  Status StartAnalysis() override {
    running_ = keepRunning;
    if (running_) return Status();
    for (BoardEntry& entry : app_.MutableSetForTest().boards) {
      entry.table.fill(7);
      entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
    }
    return Status();
  }
  void StopAnalysis() override { running_ = false; }
  bool AnalysisRunning() const override { return running_; }
  bool keepRunning = false;

 private:
  bool running_ = false;
};

}  // namespace tarrow::testing
