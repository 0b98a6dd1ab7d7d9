#include "analysis/runner.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <random>

namespace tarrow {
namespace {

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
    for (int side = 0; side < 2; ++side) {
      for (Strain strain = 0; strain < 5; ++strain) {
        if (entry.Analysed(side, strain)) continue;
        queue.jobs[k++] = AnalysisJob{-1, strain - 1, side, 0, 0, uint8_t(board)};
      }
    }
  }
  queue.next = 1;
  queue.last = k - 1;
}

DDummy::DDummy(int workerNumber, std::unique_ptr<Solver> solver)
    : workerNumber_(workerNumber), solver_(std::move(solver)) {}

ProgressGrid::ProgressGrid(uint32_t doneColour, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<uint32_t> light(128, 255);
  for (uint32_t& colour : colours) {
    const uint32_t r = light(random), g = light(random), b = light(random);
    colour = r << 16 | g << 8 | b;
  }
  colours[0] = 0x000000;
  colours[1023] = doneColour;
}

ProgressGrid::Rect ProgressGrid::Cell(int board) noexcept {
  const int column = (board - 1) % 6, row = (board - 1) / 6;
  const int left = column * 21 + 1, top = row * 21 + 1;
  return {left, top, left + 19, top + 19};
}

AnalysisRunner::AnalysisRunner(DealSet& set, OwnerExecutor& executor)
    : set_(set), executor_(executor) {}

AnalysisRunner::~AnalysisRunner() {
  StopAndWait();
}

int AnalysisRunner::WorkersFor(int threadsSetting) noexcept {
  return std::clamp(threadsSetting, 1, kMaxWorkers);
}

std::string AnalysisRunner::MaxThreadsText(int threadsSetting) {
  return std::to_string(WorkersFor(threadsSetting)) + " Threads used.";
}

int AnalysisRunner::Start(int threadsSetting) {
  assert(!running_);
  stopRequested_.store(false, std::memory_order_relaxed);
  tickCounter_ = 0;
  set_.header.analysisDuration = 0;
  QueueJobs(set_, queue_);
  startTime_ = DateTimeNow();
  running_ = true;
  int started = 0;
  for (int i = 1; i <= WorkersFor(threadsSetting); ++i) {
    Result<std::unique_ptr<Solver>> solver = Solver::Create();
    if (!solver.ok()) break;  // the run goes on with the workers it has
    auto& slot = workers_[size_t(i - 1)];
    slot = std::make_unique<DDummy>(i, std::move(*solver));
    slot->thread_ = std::thread(&AnalysisRunner::WorkerBody, this, std::ref(*slot));
    ++started;
  }
  return started;
}

void AnalysisRunner::WorkerBody(DDummy& worker) {
  LowerThreadPriority();
  executor_.RunOnOwner([&] { GetJob(worker); });
  while (worker.hasJob_) {
    const SideTricks tricks = worker.solver_->SolveSide(
        worker.number_, worker.Strain(), worker.Declarer(), stopRequested_, &worker.progress_);
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
  job.worker = worker.workerNumber_;
  worker.currentJob_.store(j, std::memory_order_relaxed);
  worker.strain_.store(job.strain, std::memory_order_relaxed);
  worker.declarer_.store(job.side, std::memory_order_relaxed);
  worker.number_ = set_.Board(job.board).number;
  // The board keeps the latest start of any of its jobs; each job's time is
  // measured from its own start, so that jobs of one board running side by
  // side do not shorten each other's times.
  worker.jobStart_ = DateTimeNow();
  set_.Board(job.board).jobStart = worker.jobStart_;
  worker.hasJob_ = true;
}

void AnalysisRunner::StoreResult(DDummy& worker, SideTricks tricks) {
  AnalysisJob& job = queue_.jobs[size_t(worker.CurrentJob())];
  job.worker = 0;
  job.result1 = uint8_t(tricks.declarer);
  job.result2 = uint8_t(tricks.partner);
  BoardEntry& entry = set_.Board(job.board);
  const Strain strain = job.strain + 1;
  const Seat declarer = job.side;
  entry.table[size_t(DDIndex(declarer, strain))] = job.result1;
  entry.table[size_t(DDIndex(PartnerOf(declarer), strain))] = job.result2;
  if (!StopRequested()) {
    entry.doneMask[size_t(job.side)] |= StrainBit(strain);
    entry.solveTime[job.side][strain] = float(DateTimeNow() - worker.jobStart_);
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
      worker.reset();
    }
  }
}

AnalysisRunner::TickResult AnalysisRunner::Tick() {
  TickResult result;
  if (!running_) return result;
  if (AnyWorkerAlive()) {
    int lowest = kBoardsPerSet, highest = 1;
    for (const auto& worker : workers_) {
      if (!worker || !worker->Alive() || worker->CurrentJob() == 0) continue;
      const int board = queue_.jobs[size_t(worker->CurrentJob())].board;
      lowest = std::min(lowest, board);
      highest = std::max(highest, board);
    }
    result.progressText = "Deals " + std::to_string(lowest) + " - " + std::to_string(highest);
    if (++tickCounter_ > kTicksPerSave) {
      result.saveDue = true;
      tickCounter_ = 0;
    }
    return result;
  }
  JoinEndedWorkers();
  const double elapsed = DateTimeNow() - startTime_;
  set_.header.analysisDuration = float(elapsed);
  char text[64];
  std::snprintf(text, sizeof text, "Done in %.2f min", elapsed * 1440);
  result.progressText = text;
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

}  // namespace tarrow
