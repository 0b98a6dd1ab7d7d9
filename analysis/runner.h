// Analysing a whole set double dummy on worker threads.
//
// The work is cut into jobs of one board, one side and one strain: at most
// 36 x 2 x 5 = 360, numbered from 1, queued board by board, side North-South
// before East-West, strains NT S H D C, skipping every strain whose DoneMask
// bit is already set (so a stopped run resumes where it stopped) and every
// absent board (a slot whose number is not valid): a set of fewer than 36
// boards costs the jobs of its boards only, and its absent slots keep no
// tricks and no DoneMask bits.
//
// Up to eight AnalysisWorkers, each owning a Solver and its 128 MiB table,
// take jobs and hand results back through the owner thread (OwnerExecutor):
// GetJob and StoreResult run there, so the set, the queue and the DoneMasks
// are only ever written by the owner and need no lock.  With a job come
// the other side's results in its strain when known, a first guess that
// only speeds the search.  The owner calls Tick() once a second for
// progress, periodic saves and completion.
//
// Workers do not take the jobs in queue order but those that share their
// table (ChooseJob): the second side of a strain, searched on the table the
// first side filled, costs less than half as much as on a fresh one.  So
// a worker takes the other side of the strain it has just solved, then the
// next strain of its board, then the lowest board no worker is on; only
// when none is left does it take strains of a board another worker is on,
// and last the jobs whose other side is in work elsewhere.  Jobs keep their
// numbers, and each result is stored as its job ends, whatever the order.
//
// On several workers the run must not end with one worker idle while
// another solves a heavy board it started last.  A board's cost is not
// known before it is searched, but its notrump tells a good deal of it.
// So the last boards of a run (kSurveyedBoards of those with work left)
// are surveyed: their notrump, both sides on one worker, comes before any
// of their other strains; then a board taken whole that is still in work
// (one that has run long) is shared, and then the surveyed boards' other
// strains go board by board, the board whose notrump searched the most
// nodes first, so that the last jobs of the run are light ones.  One
// worker keeps plain board order.
//
//   AnalysisRunner runner(set, executor);
//   Result<int> started = runner.Start(threads);  // queue and start workers
//   while (true) {                             // owner loop
//     executor.DrainFor(100ms);
//     if (second passed) { TickResult t = runner.Tick(); if (t.completed) break; }
//   }
//
// Stopping sets StopRequested: searches return at once, their meaningless
// results are stored without their DoneMask bits, and no worker finds
// another job.  The next Start queues exactly the jobs still missing.
//
// The runner offers numbers (boards in work, elapsed time); the texts and
// pictures made of them belong to the layer that shows them (app/).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/owner_executor.h"
#include "analysis/solver.h"
#include "core/deal_set.h"

namespace tarrow {

inline constexpr int kMaxJobs = 360;
inline constexpr int kMaxWorkers = 8;
// How many of the last boards with work left a run of several workers
// surveys (see above): with fewer, a heavy board still comes last now and
// then; with more, more boards lose what their notrump left in the table
// for their suits (bench/results/tuning.md).
inline constexpr int kSurveyedBoards = 16;
// A periodic save comes on every 61st tick (about a minute of analysis):
// the tick counter runs 1..61 and starts again.
inline constexpr int kTicksBetweenSaves = 61;

// Who holds a job: nobody while it is queued, then the number (1..8) of the
// worker that took it, until its results are stored.
enum class JobWorker : int32_t { kQueued = -1, kStored = 0 };
constexpr JobWorker TakenBy(int workerNumber) noexcept {
  return JobWorker(workerNumber);
}

struct AnalysisJob {
  JobWorker worker = JobWorker::kQueued;
  Strain strain = kNotrump;  // 0 notrump, 1..4 spades..clubs
  Side side = kNorthSouth;   // the side's first seat declares result1, its partner result2
  uint8_t result1 = 0;
  uint8_t result2 = 0;
  uint8_t board = 0;  // 1..36
};

struct JobQueue {
  std::array<AnalysisJob, kMaxJobs + 1> jobs;  // jobs[1..last]
  int next = 1;  // the lowest job not yet handed out (last + 1 when none is left)
  int last = 0;  // jobs queued
};

// Fills the queue with the unfinished jobs of the set.
void QueueJobs(const DealSet& set, JobQueue& queue);

// One analysis worker.  Its live fields are atomics so that the owner can
// show them while the search runs.
class AnalysisWorker {
 public:
  AnalysisWorker(int workerNumber, std::unique_ptr<Solver> solver);
  AnalysisWorker(const AnalysisWorker&) = delete;
  AnalysisWorker& operator=(const AnalysisWorker&) = delete;

  int WorkerNumber() const noexcept { return workerNumber_; }
  int CurrentJob() const noexcept { return currentJob_.load(std::memory_order_relaxed); }
  // The strain (0 notrump, 1..4) and declarer of the job in hand.
  Strain CurrentStrain() const noexcept { return strain_.load(std::memory_order_relaxed); }
  Seat CurrentDeclarer() const noexcept { return declarer_.load(std::memory_order_relaxed); }
  int Target(int pass) const noexcept {
    return progress_.target[pass].load(std::memory_order_relaxed);
  }
  // True while it works: set as the thread is made (cleared again when it
  // cannot be), cleared by GetJob when it finds no further job (the thread
  // then only returns), so that the owner sees the last worker end at once.
  bool Alive() const noexcept { return alive_.load(std::memory_order_acquire); }

 private:
  friend class AnalysisRunner;
  using SteadyTime = std::chrono::steady_clock::time_point;
  const int workerNumber_;  // 1..8
  std::unique_ptr<Solver> solver_;
  std::atomic<int> currentJob_{0};
  std::atomic<Strain> strain_{kNotrump};
  std::atomic<Seat> declarer_{kNorth};
  SolveProgress progress_;
  bool hasJob_ = false;  // written by GetJob on the owner thread
  DealNumber number_;    // the job's deal, copied by GetJob
  // The other side's results in the job's strain when its job has finished,
  // copied by GetJob as a first guess for the search.
  std::optional<SideTricks> otherSide_;
  SteadyTime jobStart_;    // when this worker's job started, for its duration
  uint64_t jobNodes_ = 0;  // the nodes its last job searched, set before StoreResult
  std::atomic<bool> alive_{false};
  std::thread thread_;
};

class AnalysisRunner {
 public:
  AnalysisRunner(DealSet& set, OwnerExecutor& executor);
  ~AnalysisRunner();  // stops and joins any workers left
  AnalysisRunner(const AnalysisRunner&) = delete;
  AnalysisRunner& operator=(const AnalysisRunner&) = delete;

  struct TickResult {
    // While running: the lowest and highest board among the jobs the live
    // workers hold (36 and 1 when none holds one).
    int lowestBoard = kBoardsPerSet;
    int highestBoard = 1;
    bool saveDue = false;       // a periodic save is due (every 61st tick)
    bool completed = false;     // the run has ended; the set's elapsed time is stored
    double elapsedSeconds = 0;  // at completion: the run's duration (a steady clock's)
  };

  // Workers for a Threads-to-Use setting of 1..32: at least 1, at most 8.
  static int WorkersFor(int threadsSetting) noexcept;

  // Owner thread, when idle: clears the stop request, queues the unfinished
  // jobs and starts the workers.  Returns the number of workers started;
  // fewer than asked when a solver's table cannot be allocated or a thread
  // cannot be made (the run goes on with those it has), and an error naming
  // the reason when not one could start (the run is then over at once).
  Result<int> Start(int threadsSetting);
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
  const std::array<std::unique_ptr<AnalysisWorker>, kMaxWorkers>& Workers() const noexcept {
    return workers_;
  }
  int JobsQueued() const noexcept { return queue_.last; }
  // Whether the run surveys a board (see above): its notrump before the
  // other strains of any surveyed board.
  bool Surveyed(int board) const noexcept { return surveyed_[size_t(board)]; }
  // The search nodes of the last run, summed over its workers as they
  // end: on several workers, what they searched twice shows here.
  uint64_t NodesSearched() const noexcept { return nodesSearched_; }

  // How worker threads are made; tests put in one that fails.  The default
  // makes a std::thread, which throws std::system_error when it cannot.
  using ThreadStarter = std::function<std::thread(std::function<void()>)>;
  void SetThreadStarterForTest(ThreadStarter starter) { startThread_ = std::move(starter); }

 private:
  void WorkerBody(AnalysisWorker& worker);
  void GetJob(AnalysisWorker& worker);  // owner thread
  void ReturnJob(int job);              // owner thread: back to the queue, never started
  void StoreResult(AnalysisWorker& worker, SideTricks tricks);  // owner thread
  // The job the worker takes next, 0 when none is queued (owner thread).
  int ChooseJob(const AnalysisWorker& worker) const;
  // The number of a board's job in a side and strain, 0 when not queued.
  int JobOf(int board, Strain strain, Side side) const {
    return jobOf_[size_t(board)][size_t(strain)][size_t(side)];
  }
  bool Queued(int job) const {
    return job != 0 && queue_.jobs[size_t(job)].worker == JobWorker::kQueued;
  }
  bool InWork(int job) const;
  // The strains of a board with a job queued and neither side in work: the
  // first one's first queued job (0 when there is none), and how many.
  int FreeStrainJob(int board) const;
  int FreeStrains(int board) const;
  bool BoardInWork(int board) const;
  // The surveyed board whose other strains go next, among those no worker
  // is on (or, with `shared`, those some worker is on): 0 when none.
  int CostliestSurveyedBoard(bool shared) const;
  void JoinEndedWorkers();

  DealSet& set_;
  OwnerExecutor& executor_;
  JobQueue queue_;
  // Per board 1..36, strain and side, the job queued for it (0 for none).
  std::array<std::array<std::array<int16_t, 2>, 5>, kBoardsPerSet + 1> jobOf_{};
  // Per board 1..36: surveyed in this run (see above), and the nodes its
  // notrump jobs searched in this run, both sides together.
  std::array<bool, kBoardsPerSet + 1> surveyed_{};
  std::array<uint64_t, kBoardsPerSet + 1> notrumpNodes_{};
  std::array<std::unique_ptr<AnalysisWorker>, kMaxWorkers> workers_;
  std::atomic<bool> stopRequested_{false};
  bool running_ = false;
  int tickCounter_ = 0;
  uint64_t nodesSearched_ = 0;
  std::chrono::steady_clock::time_point runStart_;
  ThreadStarter startThread_;
};

// Solves whole deals on up to `threads` workers (1..8) of the kind the
// runner uses, 36 deals at a time, each deal cut into its ten side-and-
// strain jobs.  Tables in the order of the numbers; an error when no worker
// could be started.
Result<std::vector<DDTable>> SolveDeals(const std::vector<DealNumber>& numbers, int threads);

}  // namespace tarrow
