// Analysing a whole set double dummy on worker threads.
//
// The work is cut into jobs of one board, one side and one strain: at most
// 36 x 2 x 5 = 360, numbered from 1, queued board by board, side North-South
// before East-West, strains NT S H D C, skipping every strain whose DoneMask
// bit is already set (so a stopped run resumes where it stopped).  Empty
// board slots are queued too and solved as the deal their words give.
//
// Up to eight DDummy workers, each owning a Solver and its 128 MiB table,
// take jobs and hand results back through the owner thread (OwnerExecutor):
// GetJob and StoreResult run there, so the set, the queue and the DoneMasks
// are only ever written by the owner and need no lock.  The owner calls
// Tick() once a second for progress, periodic saves and completion.
//
//   AnalysisRunner runner(set, executor);
//   runner.Start(settings.threads);            // queue and start workers
//   while (true) {                             // owner loop
//     executor.DrainFor(100ms);
//     if (second passed) { TickResult t = runner.Tick(); if (t.completed) break; }
//   }
//
// Stopping sets StopRequested: searches return at once, their meaningless
// results are stored without their DoneMask bits, and no worker finds
// another job.  The next Start queues exactly the jobs still missing.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "analysis/owner_executor.h"
#include "analysis/solver.h"
#include "core/deal_set.h"

namespace tarrow {

inline constexpr int kMaxJobs = 360;
inline constexpr int kMaxWorkers = 8;
// Periodic saves come after this many ticks (about a minute of analysis).
inline constexpr int kTicksPerSave = 60;

struct AnalysisJob {
  int worker = -1;  // -1 queued; the worker number once taken; 0 once stored
  int strain = -1;  // -1 notrump, 0..3 spades..clubs
  int side = 0;     // 0: North declares (result1) and South (result2); 1: East and West
  uint8_t result1 = 0;
  uint8_t result2 = 0;
  uint8_t board = 0;  // 1..36
};

struct JobQueue {
  std::array<AnalysisJob, kMaxJobs + 1> jobs;  // jobs[1..last]
  int next = 1;                                // next job to hand out
  int last = 0;                                // jobs queued
};

// Fills the queue with the unfinished jobs of the set.
void QueueJobs(const DealSet& set, JobQueue& queue);

// One analysis worker.  Its live fields are atomics so that the owner can
// show them while the search runs.
class DDummy {
 public:
  DDummy(int workerNumber, std::unique_ptr<Solver> solver);
  DDummy(const DDummy&) = delete;
  DDummy& operator=(const DDummy&) = delete;

  int WorkerNumber() const noexcept { return workerNumber_; }
  int CurrentJob() const noexcept { return currentJob_.load(std::memory_order_relaxed); }
  int Strain() const noexcept { return strain_.load(std::memory_order_relaxed); }
  int Declarer() const noexcept { return declarer_.load(std::memory_order_relaxed); }
  int Target(int pass) const noexcept {
    return progress_.target[pass].load(std::memory_order_relaxed);
  }
  bool Alive() const noexcept { return alive_.load(std::memory_order_acquire); }

 private:
  friend class AnalysisRunner;
  const int workerNumber_;  // 1..8
  std::unique_ptr<Solver> solver_;
  std::atomic<int> currentJob_{0};
  std::atomic<int> strain_{-1};
  std::atomic<int> declarer_{0};
  SolveProgress progress_;
  bool hasJob_ = false;    // written by GetJob on the owner thread
  DealNumber number_;      // the job's deal, copied by GetJob
  DateTime jobStart_ = 0;  // when this worker's job started
  std::atomic<bool> alive_{true};
  std::thread thread_;
};

// The colours and cells of the 6 x 6 progress grid, one cell per board, its
// colour chosen by the board's two DoneMasks.
struct ProgressGrid {
  static constexpr int kImageSize = 127;
  struct Rect {
    int left, top, right, bottom;
  };
  // Entry 0 black (nothing done), 1023 `doneColour` (all ten jobs), the rest
  // random light colours from a generator seeded with `seed`.  Colours are
  // 0xRRGGBB.
  ProgressGrid(uint32_t doneColour, uint32_t seed);
  static Rect Cell(int board) noexcept;  // board 1..36
  uint32_t CellColour(const BoardEntry& entry) const noexcept {
    return colours[(entry.doneMask[0] & 31) * 32 + (entry.doneMask[1] & 31)];
  }
  std::array<uint32_t, 1024> colours;
};

class AnalysisRunner {
 public:
  AnalysisRunner(DealSet& set, OwnerExecutor& executor);
  ~AnalysisRunner();  // stops and joins any workers left
  AnalysisRunner(const AnalysisRunner&) = delete;
  AnalysisRunner& operator=(const AnalysisRunner&) = delete;

  struct TickResult {
    std::string progressText;  // "Deals 7 - 9" while running; "Done in 1.50 min" at the end
    bool saveDue = false;      // a periodic save is due (every 61st tick)
    bool completed = false;    // the run has ended; the set's elapsed time is stored
  };

  // Workers for a Threads-to-Use setting of 1..32: at least 1, at most 8.
  static int WorkersFor(int threadsSetting) noexcept;
  // The label under the setting: "3 Threads used.".
  static std::string MaxThreadsText(int threadsSetting);

  // Owner thread, when idle: clears the stop request, queues the unfinished
  // jobs and starts the workers.  Returns the number of workers started
  // (fewer than asked when a solver's table cannot be allocated).
  int Start(int threadsSetting);
  // Owner thread: asks the workers to stop; Tick reports the completion
  // once they have all ended.
  void RequestStop() noexcept { stopRequested_.store(true, std::memory_order_relaxed); }
  bool StopRequested() const noexcept { return stopRequested_.load(std::memory_order_relaxed); }
  // Owner thread: asks the workers to stop, serves them until they have all
  // ended, and completes the run (as a Tick would).  Nothing when idle.
  TickResult StopAndWait();
  bool Running() const noexcept { return running_; }
  bool AnyWorkerAlive() const noexcept;

  // Owner thread, once a second while Running().
  TickResult Tick();

  // Live view for displays.
  const JobQueue& Queue() const noexcept { return queue_; }
  const std::array<std::unique_ptr<DDummy>, kMaxWorkers>& Workers() const noexcept {
    return workers_;
  }
  int JobsQueued() const noexcept { return queue_.last; }
  DateTime StartTime() const noexcept { return startTime_; }

 private:
  void WorkerBody(DDummy& worker);
  void GetJob(DDummy& worker);                          // owner thread
  void StoreResult(DDummy& worker, SideTricks tricks);  // owner thread
  void JoinEndedWorkers();

  DealSet& set_;
  OwnerExecutor& executor_;
  JobQueue queue_;
  std::array<std::unique_ptr<DDummy>, kMaxWorkers> workers_;
  std::atomic<bool> stopRequested_{false};
  bool running_ = false;
  int tickCounter_ = 0;
  DateTime startTime_ = 0;
};

}  // namespace tarrow
