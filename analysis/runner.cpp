#include "analysis/runner.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <system_error>
#include <utility>

namespace tarrow {
namespace {

constexpr double kSecondsPerDay = 86400;

// Workers run below normal priority so that the window stays responsive.
void LowerThreadPriority() {
  const id_t thread = id_t(::syscall(SYS_gettid));
  errno = 0;
  const int current = ::getpriority(PRIO_PROCESS, thread);
  if (errno == 0) ::setpriority(PRIO_PROCESS, thread, current + 5);
}

}  // namespace

void QueueJobs(const DealSet& set, JobQueue& queue) {
  int k = 1;
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    const BoardEntry& entry = set.Board(board);
    if (!entry.number.valid) continue;  // an absent board has nothing to analyse
    for (Side side : kSides) {
      for (Strain strain : kStrains) {
        if (entry.Analysed(side, strain)) continue;
        queue.jobs[k++] = AnalysisJob{JobWorker::kQueued, strain, side, 0, 0, uint8_t(board)};
      }
    }
  }
  queue.next = 1;
  queue.last = k - 1;
}

AnalysisWorker::AnalysisWorker(int workerNumber, std::unique_ptr<Solver> solver)
    : workerNumber_(workerNumber), solver_(std::move(solver)) {}

AnalysisRunner::AnalysisRunner(DealSet& set, OwnerExecutor& executor)
    : set_(set),
      executor_(executor),
      startThread_([](std::function<void()> body) { return std::thread(std::move(body)); }) {}

AnalysisRunner::~AnalysisRunner() {
  StopAndWait();
}

int AnalysisRunner::WorkersFor(int threadsSetting) noexcept {
  return std::clamp(threadsSetting, 1, kMaxWorkers);
}

Result<int> AnalysisRunner::Start(int threadsSetting) {
  assert(!running_);
  stopRequested_.store(false, std::memory_order_relaxed);
  tickCounter_ = 0;
  set_.header.analysisDuration = 0;
  QueueJobs(set_, queue_);
  jobOf_ = {};
  for (int j = 1; j <= queue_.last; ++j) {
    const AnalysisJob& job = queue_.jobs[size_t(j)];
    jobOf_[job.board][size_t(job.strain)][size_t(job.side)] = int16_t(j);
  }
  surveyed_ = {};
  notrumpNodes_ = {};
  if (WorkersFor(threadsSetting) > 1) {
    int surveyed = 0;
    for (int board = kBoardsPerSet; board >= 1 && surveyed < kSurveyedBoards; --board) {
      if (FreeStrainJob(board) != 0) {
        surveyed_[size_t(board)] = true;
        ++surveyed;
      }
    }
  }
  nodesSearched_ = 0;
  runStart_ = std::chrono::steady_clock::now();
  running_ = true;
  int started = 0;
  std::string failure;
  for (int i = 1; i <= WorkersFor(threadsSetting); ++i) {
    Result<std::unique_ptr<Solver>> solver = Solver::Create();
    if (!solver.ok()) {
      failure = solver.message();
      break;  // the run goes on with the workers it has
    }
    auto& slot = workers_[size_t(i - 1)];
    slot = std::make_unique<AnalysisWorker>(i, std::move(*solver));
    AnalysisWorker& worker = *slot;
    // Alive before the thread runs, so that a worker that ends at once is
    // seen to end; cleared again when the thread cannot be made.  Its first
    // job is handed out here, on the owner thread, so that it starts
    // searching at once, even while the owner goes on to save the set.
    worker.alive_.store(true, std::memory_order_release);
    GetJob(worker);
    try {
      worker.thread_ = startThread_([this, &worker] { WorkerBody(worker); });
    } catch (const std::system_error& error) {
      worker.alive_.store(false, std::memory_order_release);
      if (worker.hasJob_) ReturnJob(worker.CurrentJob());
      slot.reset();
      failure = std::string("cannot start an analysis thread: ") + error.what();
      break;
    }
    ++started;
  }
  if (started == 0) {
    running_ = false;
    return Status::Error(failure.empty() ? "no analysis worker could be started" : failure);
  }
  return started;
}

void AnalysisRunner::WorkerBody(AnalysisWorker& worker) {
  LowerThreadPriority();
  while (worker.hasJob_) {
    const uint64_t nodesBefore = worker.solver_->Nodes();
    const SideTricks tricks =
        worker.solver_->SolveSide(worker.number_, worker.CurrentStrain(), worker.CurrentDeclarer(),
                                  stopRequested_, &worker.progress_, worker.otherSide_);
    worker.jobNodes_ = worker.solver_->Nodes() - nodesBefore;
    executor_.RunOnOwner([&] {
      StoreResult(worker, tricks);
      GetJob(worker);
    });
  }
  // GetJob, finding no job, has cleared alive_: the owner may join us now.
}

bool AnalysisRunner::InWork(int job) const {
  if (job == 0) return false;
  const JobWorker worker = queue_.jobs[size_t(job)].worker;
  return worker != JobWorker::kQueued && worker != JobWorker::kStored;
}

int AnalysisRunner::FreeStrainJob(int board) const {
  for (Strain strain : kStrains) {
    const int first = JobOf(board, strain, kNorthSouth), second = JobOf(board, strain, kEastWest);
    if (InWork(first) || InWork(second)) continue;
    if (Queued(first)) return first;
    if (Queued(second)) return second;
  }
  return 0;
}

int AnalysisRunner::FreeStrains(int board) const {
  int free = 0;
  for (Strain strain : kStrains) {
    const int first = JobOf(board, strain, kNorthSouth), second = JobOf(board, strain, kEastWest);
    free += !InWork(first) && !InWork(second) && (Queued(first) || Queued(second));
  }
  return free;
}

bool AnalysisRunner::BoardInWork(int board) const {
  for (Strain strain : kStrains) {
    if (InWork(JobOf(board, strain, kNorthSouth)) || InWork(JobOf(board, strain, kEastWest))) {
      return true;
    }
  }
  return false;
}

int AnalysisRunner::CostliestSurveyedBoard(bool shared) const {
  // A board whose notrump was solved in an earlier run has told nothing;
  // it counts as the heaviest, since a heavy board left to the end costs
  // far more than a light one taken early.
  constexpr uint64_t kUnknown = UINT64_MAX;
  int costliest = 0;
  uint64_t most = 0;
  int mostStrains = 0;
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    if (!surveyed_[size_t(board)] || BoardInWork(board) != shared) continue;
    const int strains = FreeStrains(board);
    if (strains == 0) continue;
    const bool measured =
        JobOf(board, kNotrump, kNorthSouth) != 0 || JobOf(board, kNotrump, kEastWest) != 0;
    // What is left of the board: its notrump's nodes for each free strain.
    const uint64_t left = measured ? notrumpNodes_[size_t(board)] * uint64_t(strains) : kUnknown;
    if (costliest == 0 || left > most || (left == most && strains > mostStrains)) {
      costliest = board;
      most = left;
      mostStrains = strains;
    }
  }
  return costliest;
}

// What a worker's table holds decides the order: a strain's second side
// costs far less on the table its first side filled, while a board's other
// strains gain little from it (bench/results/tuning.md).  Hence
// both sides of a strain on one worker, a board's strains on one worker
// while there are other boards for the others, and a side whose other side
// is in work elsewhere only when nothing else is left: running it beside
// the other still ends sooner than leaving the worker idle.  The surveyed
// boards trade their notrump's help to their suits for a known cost.
int AnalysisRunner::ChooseJob(const AnalysisWorker& worker) const {
  if (const int previous = worker.CurrentJob(); previous != 0) {
    const AnalysisJob& done = queue_.jobs[size_t(previous)];
    if (const int other = JobOf(done.board, done.strain, OtherSide(done.side)); Queued(other)) {
      return other;
    }
    // A surveyed board's notrump done, the worker goes on surveying.
    if (!surveyed_[size_t(done.board)] || done.strain != kNotrump) {
      if (const int j = FreeStrainJob(done.board)) return j;
    }
  }
  // The lowest board no worker is on, so that boards finish roughly in order.
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    if (surveyed_[size_t(board)] || BoardInWork(board)) continue;
    if (const int j = FreeStrainJob(board)) return j;
  }
  // The surveyed boards' notrump, in board order.
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    if (!surveyed_[size_t(board)]) continue;
    const int first = JobOf(board, kNotrump, kNorthSouth);
    const int second = JobOf(board, kNotrump, kEastWest);
    if (InWork(first) || InWork(second)) continue;
    if (Queued(first)) return first;
    if (Queued(second)) return second;
  }
  // A whole board still in work when the survey is under way has run long:
  // it is likely the heaviest work left, so it is shared (the one with the
  // most free strains) before the surveyed boards' other strains.
  int busiest = 0, most = 0;
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    if (surveyed_[size_t(board)]) continue;
    if (const int free = FreeStrains(board); free > most) {
      busiest = board;
      most = free;
    }
  }
  if (busiest != 0) return FreeStrainJob(busiest);
  if (const int board = CostliestSurveyedBoard(false)) return FreeStrainJob(board);
  // Every board with work left has a worker: share the surveyed one with
  // the most work left.
  if (const int board = CostliestSurveyedBoard(true)) return FreeStrainJob(board);
  for (int j = queue_.next; j <= queue_.last; ++j) {
    if (Queued(j)) return j;
  }
  return 0;
}

void AnalysisRunner::GetJob(AnalysisWorker& worker) {
  const int j = StopRequested() ? 0 : ChooseJob(worker);
  if (j == 0) {
    worker.hasJob_ = false;
    worker.alive_.store(false, std::memory_order_release);
    return;
  }
  AnalysisJob& job = queue_.jobs[size_t(j)];
  job.worker = TakenBy(worker.workerNumber_);
  while (queue_.next <= queue_.last && !Queued(queue_.next)) ++queue_.next;
  worker.currentJob_.store(j, std::memory_order_relaxed);
  worker.strain_.store(job.strain, std::memory_order_relaxed);
  worker.declarer_.store(FirstSeatOf(job.side), std::memory_order_relaxed);
  const BoardEntry& entry = set_.Board(job.board);
  worker.number_ = entry.number;
  const Side otherSide = OtherSide(job.side);
  const Seat other = FirstSeatOf(otherSide);
  worker.otherSide_.reset();
  if (entry.Analysed(otherSide, job.strain)) {
    worker.otherSide_ = SideTricks{entry.table[size_t(DDIndex(other, job.strain))],
                                   entry.table[size_t(DDIndex(PartnerOf(other), job.strain))]};
  }
  // The board keeps the latest start of any of its jobs (a time of day);
  // each job's duration is measured from its own start on a steady clock,
  // so that jobs of one board side by side do not shorten each other's
  // times and a change of the system clock cannot make one negative.
  worker.jobStart_ = std::chrono::steady_clock::now();
  set_.Board(job.board).jobStart = DateTimeNow();
  worker.hasJob_ = true;
}

void AnalysisRunner::ReturnJob(int j) {
  queue_.jobs[size_t(j)].worker = JobWorker::kQueued;
  queue_.next = std::min(queue_.next, j);
}

void AnalysisRunner::StoreResult(AnalysisWorker& worker, SideTricks tricks) {
  AnalysisJob& job = queue_.jobs[size_t(worker.CurrentJob())];
  job.worker = JobWorker::kStored;
  if (job.strain == kNotrump) notrumpNodes_[size_t(job.board)] += worker.jobNodes_;
  job.result1 = uint8_t(tricks.declarer);
  job.result2 = uint8_t(tricks.partner);
  BoardEntry& entry = set_.Board(job.board);
  const Strain strain = job.strain;
  const Seat declarer = FirstSeatOf(job.side);
  entry.table[size_t(DDIndex(declarer, strain))] = job.result1;
  entry.table[size_t(DDIndex(PartnerOf(declarer), strain))] = job.result2;
  if (!StopRequested()) {
    entry.doneMask[size_t(job.side)] |= StrainBit(strain);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - worker.jobStart_;
    entry.solveTime[job.side][strain] = float(took.count() / kSecondsPerDay);
  }
}

bool AnalysisRunner::AnyWorkerAlive() const noexcept {
  for (const auto& worker : workers_) {
    if (worker && worker->Alive()) return true;
  }
  return false;
}

void AnalysisRunner::JoinEndedWorkers() {
  for (auto& worker : workers_) {
    if (worker && !worker->Alive()) {
      worker->thread_.join();
      nodesSearched_ += worker->solver_->Nodes();
      worker.reset();
    }
  }
}

AnalysisRunner::TickResult AnalysisRunner::Tick() {
  TickResult result;
  if (!running_) return result;
  if (AnyWorkerAlive()) {
    for (const auto& worker : workers_) {
      if (!worker || !worker->Alive() || worker->CurrentJob() == 0) continue;
      const int board = queue_.jobs[size_t(worker->CurrentJob())].board;
      result.lowestBoard = std::min(result.lowestBoard, board);
      result.highestBoard = std::max(result.highestBoard, board);
    }
    if (++tickCounter_ >= kTicksBetweenSaves) {
      result.saveDue = true;
      tickCounter_ = 0;
    }
    return result;
  }
  JoinEndedWorkers();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - runStart_;
  result.elapsedSeconds = elapsed.count();
  set_.header.analysisDuration = float(elapsed.count() / kSecondsPerDay);
  result.completed = true;
  stopRequested_.store(false, std::memory_order_relaxed);
  running_ = false;
  return result;
}

AnalysisRunner::TickResult AnalysisRunner::StopAndWait() {
  if (!running_) return {};
  RequestStop();
  while (AnyWorkerAlive()) executor_.ProcessPending(std::chrono::milliseconds(10));
  return Tick();
}

Result<std::vector<DDTable>> SolveDeals(const std::vector<DealNumber>& numbers, int threads) {
  std::vector<DDTable> tables;
  tables.reserve(numbers.size());
  QueueExecutor executor;
  for (size_t first = 0; first < numbers.size(); first += kBoardsPerSet) {
    // The deals go into board slots; the slots left over stay absent, so
    // that no job is queued for them.
    auto batch = std::make_unique<DealSet>();
    const size_t count = std::min(numbers.size() - first, size_t(kBoardsPerSet));
    for (size_t i = 0; i < count; ++i) {
      batch->boards[i].number = numbers[first + i];
      batch->boards[i].number.valid = true;
    }
    AnalysisRunner runner(*batch, executor);
    const Result<int> started = runner.Start(threads);
    if (!started.ok()) return started.status();
    while (!runner.Tick().completed) executor.DrainFor(std::chrono::milliseconds(20));
    for (size_t i = 0; i < count; ++i) tables.push_back(batch->boards[i].table);
  }
  return tables;
}

}  // namespace tarrow
