#include "analysis/runner.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/deal_number.h"

namespace tarrow {
namespace {

using namespace std::chrono_literals;

// Serves the workers and ticks until the run completes; `afterTick` may stop it.
AnalysisRunner::TickResult RunToCompletion(AnalysisRunner& runner, QueueExecutor& executor,
                                           const std::function<void()>& afterDrain = nullptr) {
  while (true) {
    executor.DrainFor(5ms);
    if (afterDrain) afterDrain();
    if (!runner.AnyWorkerAlive()) {
      const AnalysisRunner::TickResult result = runner.Tick();
      if (result.completed) return result;
    }
  }
}

int DoneJobs(const DealSet& set) {
  int n = 0;
  for (const BoardEntry& e : set.boards)
    n += std::popcount(unsigned(e.doneMask[0])) + std::popcount(unsigned(e.doneMask[1]));
  return n;
}

// Two boards the solver settles in milliseconds; every other slot is empty
// and is solved as deal 0, whose one-suit hands keep the searches short.
DealSet SmallSet() {
  DealSet set;
  set.Board(1).number = MakeDealNumber(1000);
  set.Board(2).number = MakeDealNumber(1);
  return set;
}

TEST(AnalysisRunnerTest, ThreadSettingsMapToOneToEightWorkers) {
  EXPECT_EQ(AnalysisRunner::WorkersFor(1), 1);
  EXPECT_EQ(AnalysisRunner::WorkersFor(9), 8);
  EXPECT_EQ(AnalysisRunner::WorkersFor(32), 8);
  EXPECT_EQ(AnalysisRunner::WorkersFor(0), 1);
  EXPECT_EQ(AnalysisRunner::MaxThreadsText(1), "1 Threads used.");
  EXPECT_EQ(AnalysisRunner::MaxThreadsText(9), "8 Threads used.");
}

TEST(AnalysisRunnerTest, QueuesEveryUnfinishedJobInBoardSideStrainOrder) {
  DealSet set;
  JobQueue queue;
  QueueJobs(set, queue);
  ASSERT_EQ(queue.last, 360);
  EXPECT_EQ(queue.next, 1);
  // Job 1: board 1, North-South, notrump; job 6: board 1, East-West, notrump.
  EXPECT_EQ(queue.jobs[1].board, 1);
  EXPECT_EQ(queue.jobs[1].side, 0);
  EXPECT_EQ(queue.jobs[1].strain, -1);
  EXPECT_EQ(queue.jobs[5].strain, 3);
  EXPECT_EQ(queue.jobs[6].side, 1);
  EXPECT_EQ(queue.jobs[360].board, 36);
  EXPECT_EQ(queue.jobs[360].worker, -1);

  set.Board(1).doneMask = {kAllStrainsDone, StrainBit(2)};  // hearts of East-West done
  set.Board(36).doneMask = {kAllStrainsDone, kAllStrainsDone};
  QueueJobs(set, queue);
  EXPECT_EQ(queue.last, 360 - 5 - 1 - 10);
  EXPECT_EQ(queue.jobs[1].side, 1);
  EXPECT_EQ(queue.jobs[1].strain, -1);
  EXPECT_EQ(queue.jobs[2].strain, 0);
  EXPECT_EQ(queue.jobs[3].strain, 2);  // hearts skipped
}

TEST(AnalysisRunnerTest, GridCellsAndColoursFollowTheDoneMasks) {
  const ProgressGrid grid(0x123456, 99);
  EXPECT_EQ(grid.colours[0], 0x000000u);
  EXPECT_EQ(grid.colours[1023], 0x123456u);
  for (int i = 1; i < 1023; ++i) {
    for (int shift : {0, 8, 16}) ASSERT_GE((grid.colours[size_t(i)] >> shift) & 0xFF, 128u);
  }
  const ProgressGrid::Rect first = ProgressGrid::Cell(1), last = ProgressGrid::Cell(36);
  EXPECT_EQ(first.left, 1);
  EXPECT_EQ(first.bottom, 20);
  EXPECT_EQ(ProgressGrid::Cell(8).left, 22);  // column 1, row 1
  EXPECT_EQ(ProgressGrid::Cell(8).top, 22);
  EXPECT_EQ(last.right, 5 * 21 + 1 + 19);
  BoardEntry entry;
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  EXPECT_EQ(grid.CellColour(entry), 0x123456u);
  entry.doneMask = {1, 2};
  EXPECT_EQ(grid.CellColour(entry), grid.colours[34]);
}

TEST(OwnerExecutorTest, RunsEveryTaskOnTheOwnerThreadAndWaitsForIt) {
  QueueExecutor executor;
  const std::thread::id owner = std::this_thread::get_id();
  std::atomic<int> ranElsewhere{0};
  int counter = 0;  // only touched on the owner thread
  std::vector<std::thread> workers;
  std::atomic<int> finished{0};
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&] {
      for (int i = 0; i < 50; ++i) {
        int seen = -1;
        executor.RunOnOwner([&] {
          if (std::this_thread::get_id() != owner) ++ranElsewhere;
          seen = ++counter;
        });
        EXPECT_GT(seen, 0);  // the task had run when RunOnOwner returned
      }
      ++finished;
    });
  }
  while (finished < 4) executor.DrainFor(1ms);
  for (std::thread& t : workers) t.join();
  EXPECT_EQ(counter, 200);
  EXPECT_EQ(ranElsewhere, 0);
}

TEST(AnalysisRunnerTest, ResultsEqualSingleThreadSolvesAndEmptySlotsAreDealZero) {
  DealSet set = SmallSet();
  QueueExecutor executor;
  AnalysisRunner runner(set, executor);
  ASSERT_EQ(runner.Start(2), 2);
  const AnalysisRunner::TickResult done = RunToCompletion(runner, executor);
  EXPECT_EQ(done.progressText.rfind("Done in ", 0), 0u) << done.progressText;
  EXPECT_EQ(done.progressText.substr(done.progressText.size() - 4), " min");
  EXPECT_EQ(DoneJobs(set), 360);
  EXPECT_FALSE(runner.Running());
  EXPECT_GE(set.header.analysisDuration, 0.0f);

  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  ASSERT_TRUE(solver.ok());
  const std::atomic<bool> noStop{false};
  EXPECT_EQ(set.Board(1).table, SolveDeal(**solver, set.Board(1).number, noStop));
  EXPECT_EQ(set.Board(2).table, SolveDeal(**solver, set.Board(2).number, noStop));
  // Deal 0: North clubs, East hearts, South diamonds, West spades.  In notrump
  // the opening leader runs his suit: East leads against North, so NS take 0.
  EXPECT_EQ(set.Board(3).table, SolveDeal(**solver, DealNumber{}, noStop));
  EXPECT_EQ(set.Board(3).table[size_t(DDIndex(kNorth, kClubs + 1))], 13);
  EXPECT_GT(set.Board(3).solveTime[0][0] + set.Board(3).solveTime[1][0], -1.0f);
}

TEST(AnalysisRunnerTest, AStoppedRunResumesWithExactlyTheMissingJobs) {
  DealSet reference = SmallSet();
  {
    QueueExecutor executor;
    AnalysisRunner runner(reference, executor);
    runner.Start(1);
    RunToCompletion(runner, executor);
  }
  DealSet set = SmallSet();
  QueueExecutor executor;
  AnalysisRunner runner(set, executor);
  runner.Start(2);
  RunToCompletion(runner, executor, [&] {
    if (DoneJobs(set) >= 20) runner.RequestStop();
  });
  const int doneBefore = DoneJobs(set);
  ASSERT_GE(doneBefore, 20);
  ASSERT_LT(doneBefore, 360);
  EXPECT_FALSE(runner.StopRequested());  // cleared at completion

  runner.Start(2);
  EXPECT_EQ(runner.JobsQueued(), 360 - doneBefore);
  RunToCompletion(runner, executor);
  EXPECT_EQ(DoneJobs(set), 360);
  for (int board = 1; board <= 36; ++board) {
    EXPECT_EQ(set.Board(board).table, reference.Board(board).table) << "board " << board;
  }
  // A complete set queues nothing; the run still completes.
  runner.Start(3);
  EXPECT_EQ(runner.JobsQueued(), 0);
  EXPECT_TRUE(RunToCompletion(runner, executor).completed);
}

TEST(AnalysisRunnerTest, StopAndWaitEndsARunningAnalysisAtOnce) {
  DealSet set = SmallSet();
  QueueExecutor executor;
  AnalysisRunner runner(set, executor);
  runner.Start(2);
  const AnalysisRunner::TickResult result = runner.StopAndWait();
  EXPECT_TRUE(result.completed);
  EXPECT_FALSE(runner.AnyWorkerAlive());
  EXPECT_FALSE(runner.Running());
  EXPECT_LT(DoneJobs(set), 360);
}

}  // namespace
}  // namespace tarrow
