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

DDummy::DDummy(int workerNumber, std::unique_ptr<Solver> solver)
    : workerNumber_(workerNumber), solver_(std::move(solver)) {}

AnalysisRunner::AnalysisRunner(DealSet& set, OwnerExecutor& executor)
    : set_(set), executor_(executor), startThread_([](std::function<void()> body) {
        return std::thread(std::move(body));
      }) {}

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
  handOffs_.fill({});
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
    slot = std::make_unique<DDummy>(i, std::move(*solver));
    DDummy& worker = *slot;
    // Alive before the thread runs, so that a worker that ends at once is
    // seen to end; cleared again when the thread cannot be made.
    worker.alive_.store(true, std::memory_order_release);
    try {
      worker.thread_ = startThread_([this, &worker] { WorkerBody(worker); });
    } catch (const std::system_error& error) {
      worker.alive_.store(false, std::memory_order_release);
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

void AnalysisRunner::WorkerBody(DDummy& worker) {
  LowerThreadPriority();
  executor_.RunOnOwner([&] { GetJob(worker); });
  while (worker.hasJob_) {
    const SideTricks tricks = worker.solver_->SolveSide(
        worker.number_, worker.CurrentStrain(), worker.CurrentDeclarer(), stopRequested_,
        &worker.progress_, worker.otherSide_, worker.handIn_);
    worker.handIn_.clear();
    if (worker.CurrentDeclarer() == kNorth) worker.handOut_ = worker.solver_->HandOff();
    executor_.RunOnOwner([&] {
      StoreResult(worker, tricks);
      GetJob(worker);
    });
  }
  worker.alive_.store(false, std::memory_order_release);
}

void AnalysisRunner::GetJob(DDummy& worker) {
  if (queue_.next > queue_.last || StopRequested()) {
    worker.hasJob_ = false;
    return;
  }
  const int j = queue_.next++;
  AnalysisJob& job = queue_.jobs[size_t(j)];
  job.worker = TakenBy(worker.workerNumber_);
  worker.currentJob_.store(j, std::memory_order_relaxed);
  worker.strain_.store(job.strain, std::memory_order_relaxed);
  worker.declarer_.store(FirstSeatOf(job.side), std::memory_order_relaxed);
  const BoardEntry& entry = set_.Board(job.board);
  worker.number_ = entry.number;
  HandOff handOff = std::exchange(handOffs_[size_t(j)], {});
  if (handOff.worker != worker.workerNumber_) worker.handIn_ = std::move(handOff.classes);
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

void AnalysisRunner::StoreResult(DDummy& worker, SideTricks tricks) {
  AnalysisJob& job = queue_.jobs[size_t(worker.CurrentJob())];
  job.worker = JobWorker::kStored;
  job.result1 = uint8_t(tricks.declarer);
  job.result2 = uint8_t(tricks.partner);
  BoardEntry& entry = set_.Board(job.board);
  const Strain strain = job.strain;
  const Seat declarer = FirstSeatOf(job.side);
  entry.table[size_t(DDIndex(declarer, strain))] = job.result1;
  entry.table[size_t(DDIndex(PartnerOf(declarer), strain))] = job.result2;
  // A North-South job's classes wait for the East-West job of its board
  // and strain when that is still queued: it has not started elsewhere.
  if (job.side == kNorthSouth && !worker.handOut_.empty()) {
    for (int k = queue_.next; k <= queue_.last; ++k) {
      const AnalysisJob& later = queue_.jobs[size_t(k)];
      if (later.board != job.board) break;
      if (later.side == kEastWest && later.strain == strain) {
        handOffs_[size_t(k)] = {worker.workerNumber_, std::move(worker.handOut_)};
        break;
      }
    }
  }
  worker.handOut_.clear();
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
    // The deals go into board slots; the slots left over count as done, so
    // that no job is queued for them.
    auto batch = std::make_unique<DealSet>();
    const size_t count = std::min(numbers.size() - first, size_t(kBoardsPerSet));
    for (size_t i = 0; i < size_t(kBoardsPerSet); ++i) {
      BoardEntry& entry = batch->boards[i];
      if (i < count) {
        entry.number = numbers[first + i];
      } else {
        entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
      }
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
