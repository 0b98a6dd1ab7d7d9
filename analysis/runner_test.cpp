#include "analysis/runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <system_error>
#include <thread>

#include "core/deal_number.h"

namespace tarrow {
namespace {

using namespace std::chrono_literals;

// Serves the workers and ticks until the run completes; `afterDrain` may stop it.
template <typename Executor>
AnalysisRunner::TickResult RunToCompletion(AnalysisRunner& runner, Executor& executor,
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

// A set whose 36 boards are all deal 0 (North clubs, East hearts, South
// diamonds, West spades): one-suit hands keep the searches short.
DealSet DealZeroSet() {
  DealSet set;
  for (BoardEntry& entry : set.boards) entry.number = MakeDealNumber(0);
  return set;
}

// Two boards the solver settles in milliseconds; every other board is deal 0.
DealSet SmallSet() {
  DealSet set = DealZeroSet();
  set.Board(1).number = MakeDealNumber(1000);
  set.Board(2).number = MakeDealNumber(1);
  return set;
}

// Twelve different deals that the solver settles in a few milliseconds each,
// the rest of the boards deal 0, so that a result stored under the wrong
// board or strain shows.
DealSet TwelveBoardSet() {
  DealSet set = DealZeroSet();
  for (int board = 1; board <= 12; ++board) {
    set.Board(board).number = MakeDealNumber(uint128(board) * 7919 * 1000000000);
  }
  return set;
}

// The twelve boards and, in the last sixteen slots, which a run of several
// workers surveys, fourteen more deals: board 36's notrump searches some
// eight times as many nodes as any other's, and the other surveyed boards
// take long enough that some are still free when it ends.
DealSet SurveyedSet() {
  DealSet set = TwelveBoardSet();
  for (int board = 21; board <= 33; ++board) {
    set.Board(board).number = MakeDealNumber(uint128(board - 20) * 7919 * 1000000000);
  }
  set.Board(36).number = MakeDealNumber(uint128(19) * 7919 * 1000000000);
  return set;
}

// The set analysed on one worker: the tables every other run must give.
DealSet AnalysedOnOneWorker(DealSet set) {
  {
    QueueExecutor executor;
    AnalysisRunner runner(set, executor);
    EXPECT_TRUE(runner.Start(1).ok());
    RunToCompletion(runner, executor);
  }
  return set;
}

// Serves the workers as QueueExecutor does and, after each hand-off, notes
// the job each worker holds: the jobs each worker took, in order.  The
// first ones are handed out by Start: Watch notes those.
class RecordingExecutor final : public OwnerExecutor {
 public:
  void Watch(const AnalysisRunner& runner) {
    runner_ = &runner;
    Note();
  }
  void RunOnOwner(const std::function<void()>& task) override {
    inner_.RunOnOwner([&] {
      task();
      Note();
    });
  }
  void ProcessPending(std::chrono::milliseconds timeout) override { inner_.DrainFor(timeout); }
  int DrainFor(std::chrono::milliseconds timeout) { return inner_.DrainFor(timeout); }

  std::array<std::vector<int>, kMaxWorkers + 1> taken;  // by worker number 1..8
  std::vector<int> order;  // every worker's jobs, in the order they were taken

 private:
  void Note() {
    for (const auto& worker : runner_->Workers()) {
      if (!worker || worker->CurrentJob() == 0) continue;
      std::vector<int>& jobs = taken[size_t(worker->WorkerNumber())];
      if (jobs.empty() || jobs.back() != worker->CurrentJob()) {
        jobs.push_back(worker->CurrentJob());
        order.push_back(worker->CurrentJob());
      }
    }
  }
  QueueExecutor inner_;
  const AnalysisRunner* runner_ = nullptr;
};

// Starts a run on `workers` workers, the executor recording which jobs they
// take, and runs it to its end.
void RunWatched(AnalysisRunner& runner, RecordingExecutor& executor, int workers) {
  ASSERT_EQ(*runner.Start(workers), workers);
  executor.Watch(runner);
  RunToCompletion(runner, executor);
}

TEST(AnalysisRunnerTest, ThreadSettingsMapToOneToEightWorkers) {
  EXPECT_EQ(AnalysisRunner::WorkersFor(1), 1);
  EXPECT_EQ(AnalysisRunner::WorkersFor(9), 8);
  EXPECT_EQ(AnalysisRunner::WorkersFor(32), 8);
  EXPECT_EQ(AnalysisRunner::WorkersFor(0), 1);
}

TEST(AnalysisRunnerTest, QueuesEveryUnfinishedJobInBoardSideStrainOrder) {
  DealSet set = DealZeroSet();
  JobQueue queue;
  QueueJobs(set, queue);
  ASSERT_EQ(queue.last, 360);
  EXPECT_EQ(queue.next, 1);
  // Job 1: board 1, North-South, notrump; job 6: board 1, East-West, notrump.
  EXPECT_EQ(queue.jobs[1].board, 1);
  EXPECT_EQ(queue.jobs[1].side, kNorthSouth);
  EXPECT_EQ(queue.jobs[1].strain, kNotrump);
  EXPECT_EQ(queue.jobs[5].strain, 4);  // clubs
  EXPECT_EQ(SolverStrain(queue.jobs[1].strain), -1);
  EXPECT_EQ(SolverStrain(queue.jobs[5].strain), 3);
  EXPECT_EQ(queue.jobs[6].side, kEastWest);
  EXPECT_EQ(queue.jobs[360].board, 36);
  for (int j = 1; j <= queue.last; ++j)
    ASSERT_EQ(queue.jobs[size_t(j)].worker, JobWorker::kQueued) << j;

  // East-West's hearts done.
  set.Board(1).doneMask = {kAllStrainsDone, StrainBit(StrainOfSuit(kHearts))};
  set.Board(36).doneMask = {kAllStrainsDone, kAllStrainsDone};
  QueueJobs(set, queue);
  EXPECT_EQ(queue.last, 360 - 5 - 1 - 10);
  EXPECT_EQ(queue.jobs[1].side, kEastWest);
  EXPECT_EQ(queue.jobs[1].strain, kNotrump);
  EXPECT_EQ(queue.jobs[2].strain, 1);  // spades
  EXPECT_EQ(queue.jobs[3].strain, 3);  // hearts skipped

  // An absent board has nothing to analyse, whatever its done bits say.
  set.Board(2).number.valid = false;
  set.Board(3).number = DealNumber{};
  QueueJobs(set, queue);
  EXPECT_EQ(queue.last, 360 - 5 - 1 - 10 - 20);
  for (int j = 1; j <= queue.last; ++j) {
    ASSERT_NE(queue.jobs[size_t(j)].board, 2) << j;
    ASSERT_NE(queue.jobs[size_t(j)].board, 3) << j;
  }
  EXPECT_EQ(queue.jobs[4].board, 1);  // board 1's four East-West jobs, then board 4's
  EXPECT_EQ(queue.jobs[5].board, 4);
  QueueJobs(DealSet{}, queue);
  EXPECT_EQ(queue.last, 0);
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

TEST(AnalysisRunnerTest, ResultsEqualSingleThreadSolves) {
  DealSet set = SmallSet();
  QueueExecutor executor;
  AnalysisRunner runner(set, executor);
  const Result<int> started = runner.Start(2);
  ASSERT_TRUE(started.ok());
  EXPECT_EQ(*started, 2);
  // Start hands out the first jobs itself, one board each, so that the
  // workers search while the owner goes on (the window saves the set).
  ASSERT_TRUE(runner.Workers()[0] && runner.Workers()[1]);
  EXPECT_EQ(runner.Workers()[0]->CurrentJob(), 1);
  EXPECT_EQ(runner.Queue().jobs[size_t(runner.Workers()[1]->CurrentJob())].board, 2);
  const auto before = std::chrono::steady_clock::now();
  const AnalysisRunner::TickResult done = RunToCompletion(runner, executor);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
  EXPECT_TRUE(done.completed);
  EXPECT_EQ(DoneJobs(set), 360);
  EXPECT_FALSE(runner.Running());
  // Every job was taken and its results stored.
  ASSERT_EQ(runner.Queue().last, 360);
  for (int j = 1; j <= 360; ++j) {
    ASSERT_EQ(runner.Queue().jobs[size_t(j)].worker, JobWorker::kStored) << "job " << j;
  }
  // The run's duration is real and stored in days; each job took some time
  // and none longer than the run.
  EXPECT_GT(done.elapsedSeconds, 0.0);
  EXPECT_LE(done.elapsedSeconds, wall + 0.5);
  EXPECT_NEAR(set.header.analysisDuration * 86400.0, done.elapsedSeconds, 0.01);
  for (int board = 1; board <= 36; ++board) {
    for (int side = 0; side < 2; ++side) {
      for (Strain strain : kStrains) {
        const double seconds = set.Board(board).solveTime[side][strain] * 86400.0;
        ASSERT_GT(seconds, 0.0) << "board " << board;
        ASSERT_LE(seconds, done.elapsedSeconds + 0.01) << "board " << board;
      }
    }
  }

  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  ASSERT_TRUE(solver.ok());
  const std::atomic<bool> noStop{false};
  EXPECT_EQ(set.Board(1).table, SolveDeal(**solver, set.Board(1).number, noStop));
  EXPECT_EQ(set.Board(2).table, SolveDeal(**solver, set.Board(2).number, noStop));
  // Deal 0: North clubs, East hearts, South diamonds, West spades.  In notrump
  // the opening leader runs his suit: East leads against North, so NS take 0.
  EXPECT_EQ(set.Board(3).table, SolveDeal(**solver, DealNumber{}, noStop));
  EXPECT_EQ(set.Board(3).table[size_t(DDIndex(kNorth, StrainOfSuit(kClubs)))], 13);
}

TEST(AnalysisRunnerTest, ASetOfFewerBoardsAnalysesOnlyTheBoardsItHas) {
  const DealSet reference = AnalysedOnOneWorker(TwelveBoardSet());
  // 23 boards: board 7 and boards 25..36 absent (a short imported file).
  const auto shortSet = [] {
    DealSet set = TwelveBoardSet();
    set.Board(7).number = DealNumber{};
    for (int board = 25; board <= 36; ++board) set.Board(board).number.valid = false;
    return set;
  };
  for (int workers : {1, 2, 3}) {
    SCOPED_TRACE("workers " + std::to_string(workers));
    DealSet set = shortSet();
    RecordingExecutor executor;
    AnalysisRunner runner(set, executor);
    RunWatched(runner, executor, workers);
    EXPECT_EQ(runner.JobsQueued(), 230);
    EXPECT_EQ(DoneJobs(set), 230);
    size_t taken = 0;
    for (const std::vector<int>& jobs : executor.taken) taken += jobs.size();
    EXPECT_EQ(taken, 230u);
    for (int board = 1; board <= 36; ++board) {
      const BoardEntry& entry = set.Board(board);
      if (entry.number.valid) {
        EXPECT_EQ(entry.table, reference.Board(board).table) << "board " << board;
        EXPECT_EQ(entry.doneMask[0] & entry.doneMask[1], kAllStrainsDone) << "board " << board;
      } else {
        EXPECT_EQ(entry.table, DDTable{}) << "board " << board;
        EXPECT_EQ(entry.doneMask[0] | entry.doneMask[1], 0) << "board " << board;
        EXPECT_EQ(entry.solveTime[0][0] + entry.solveTime[1][4], 0.0f) << "board " << board;
      }
    }
    // Analysing again finds nothing to do, however many boards are absent.
    ASSERT_TRUE(runner.Start(workers).ok());
    EXPECT_EQ(runner.JobsQueued(), 0);
    EXPECT_TRUE(RunToCompletion(runner, executor).completed);
  }
}

TEST(AnalysisRunnerTest, OneWorkerSolvesBothSidesOfAStrainInTurnBoardByBoard) {
  DealSet set = TwelveBoardSet();
  set.Board(2).doneMask = {0, StrainBit(StrainOfSuit(kHearts))};  // East-West hearts done
  RecordingExecutor executor;
  AnalysisRunner runner(set, executor);
  ASSERT_TRUE(runner.Start(1).ok());
  executor.Watch(runner);
  // The hand-off that stores the last result ends the worker, so that the
  // owner can complete the run at once instead of at its next wait.
  while (DoneJobs(set) < 360) executor.DrainFor(5ms);
  EXPECT_FALSE(runner.AnyWorkerAlive());
  RunToCompletion(runner, executor);
  // Queue numbers: board 1 takes jobs 1..10 (North-South NT..C, then
  // East-West), board 2 jobs 11..19 (East-West 16..19: NT, S, D, C).
  const std::vector<int> expected = {1,  6,  2,  7,  3,  8,  4,  9,  5,  10,
                                     11, 16, 12, 17, 13, 14, 18, 15, 19, 20};
  ASSERT_GE(executor.taken[1].size(), expected.size());
  EXPECT_EQ(std::vector<int>(executor.taken[1].begin(), executor.taken[1].begin() + 20), expected);
  EXPECT_EQ(executor.taken[1].size(), 359u);
}

TEST(AnalysisRunnerTest, AnyNumberOfWorkersTakesEachJobOnceAndKeepsAStrainsSidesTogether) {
  // Boards taken whole and, from two workers on, surveyed boards.
  const DealSet reference = AnalysedOnOneWorker(SurveyedSet());
  for (int workers = 1; workers <= kMaxWorkers; ++workers) {
    SCOPED_TRACE("workers " + std::to_string(workers));
    DealSet set = SurveyedSet();
    RecordingExecutor executor;
    AnalysisRunner runner(set, executor);
    RunWatched(runner, executor, workers);
    std::array<int, kMaxJobs + 1> takenBy{};
    for (int w = 1; w <= kMaxWorkers; ++w) {
      for (int job : executor.taken[size_t(w)]) {
        EXPECT_EQ(takenBy[size_t(job)], 0) << "job " << job << " taken twice";
        takenBy[size_t(job)] = w;
      }
    }
    for (int j = 1; j <= 360; ++j) {
      EXPECT_NE(takenBy[size_t(j)], 0) << "job " << j << " never taken";
      EXPECT_EQ(runner.Queue().jobs[size_t(j)].worker, JobWorker::kStored) << "job " << j;
    }
    // A strain's two sides go to different workers only at the end, when an
    // idle worker takes a side whose other side is in work: at most once
    // per other worker.
    int split = 0;
    for (int j = 1; j <= 360; ++j) {
      const AnalysisJob& job = runner.Queue().jobs[size_t(j)];
      split += job.side == kNorthSouth && takenBy[size_t(j)] != takenBy[size_t(j + 5)];
    }
    EXPECT_LE(split, workers - 1);
    EXPECT_EQ(DoneJobs(set), 360);
    for (int board = 1; board <= 36; ++board) {
      EXPECT_EQ(set.Board(board).table, reference.Board(board).table) << "board " << board;
    }
  }
}

// Where job j of the queue stands in the order the jobs were taken.
std::array<int, kMaxJobs + 1> PlaceInOrder(const std::vector<int>& order) {
  std::array<int, kMaxJobs + 1> place{};
  for (size_t i = 0; i < order.size(); ++i) place[size_t(order[i])] = int(i) + 1;
  return place;
}

TEST(AnalysisRunnerTest, SeveralWorkersSurveyTheLastBoardsNotrumpFirstThenTakeTheCostliest) {
  for (int workers : {2, 3}) {
    SCOPED_TRACE("workers " + std::to_string(workers));
    DealSet set = SurveyedSet();
    RecordingExecutor executor;
    AnalysisRunner runner(set, executor);
    RunWatched(runner, executor, workers);
    ASSERT_EQ(DoneJobs(set), 360);
    for (int board = 1; board <= 36; ++board) {
      EXPECT_EQ(runner.Surveyed(board), board > 20) << board;
    }

    // Every surveyed board's notrump was under way before any other strain
    // of a surveyed board was taken.
    const std::array<int, kMaxJobs + 1> place = PlaceInOrder(executor.order);
    int firstSuit = kMaxJobs + 1;
    for (int j = 1; j <= 360; ++j) {
      const AnalysisJob& job = runner.Queue().jobs[size_t(j)];
      if (job.board > 20 && job.strain != kNotrump) {
        firstSuit = std::min(firstSuit, place[size_t(j)]);
      }
    }
    for (int board = 21; board <= 36; ++board) {
      const int notrump = int((board - 1) * 10 + 1);  // North-South's notrump job
      ASSERT_EQ(runner.Queue().jobs[size_t(notrump)].strain, kNotrump);
      EXPECT_LT(place[size_t(notrump)], firstSuit) << "board " << board;
    }
    // Board 36's notrump searches the most: the worker that solved it goes
    // on with another surveyed board's notrump, a whole board still in work
    // or board 36's other strains, not with those of a lighter board.
    const int heaviest = 36 * 10 - 4;  // East-West's notrump of board 36
    for (int w = 1; w <= workers; ++w) {
      const std::vector<int>& jobs = executor.taken[size_t(w)];
      const auto solved = std::find(jobs.begin(), jobs.end(), heaviest);
      if (solved == jobs.end() || solved + 1 == jobs.end()) continue;
      const AnalysisJob& next = runner.Queue().jobs[size_t(*(solved + 1))];
      EXPECT_TRUE(next.strain == kNotrump || next.board == 36 || !runner.Surveyed(next.board))
          << "board " << int(next.board) << " strain " << next.strain;
    }
  }

  // One worker has no end to balance: every board whole, in board order.
  DealSet one = SurveyedSet();
  QueueExecutor plain;
  AnalysisRunner single(one, plain);
  ASSERT_EQ(*single.Start(1), 1);
  RunToCompletion(single, plain);
  for (int board = 1; board <= 36; ++board) EXPECT_FALSE(single.Surveyed(board)) << board;
}

TEST(AnalysisRunnerTest, AResumedRunTakesFirstTheSurveyedBoardsWhoseCostItDoesNotKnow) {
  // Board 28, one of the light boards, had its notrump solved in an earlier
  // run: nothing tells it is light, so its other strains go first.
  const DealSet reference = AnalysedOnOneWorker(SurveyedSet());
  DealSet set = SurveyedSet();
  set.Board(28).doneMask = {StrainBit(kNotrump), StrainBit(kNotrump)};
  set.Board(28).table = reference.Board(28).table;
  RecordingExecutor executor;
  AnalysisRunner runner(set, executor);
  RunWatched(runner, executor, 2);
  ASSERT_EQ(DoneJobs(set), 360);
  EXPECT_TRUE(runner.Surveyed(28));
  int firstSurveyedSuitBoard = 0;
  for (int j : executor.order) {
    const AnalysisJob& job = runner.Queue().jobs[size_t(j)];
    if (runner.Surveyed(job.board) && job.strain != kNotrump) {
      firstSurveyedSuitBoard = job.board;
      break;
    }
  }
  EXPECT_EQ(firstSurveyedSuitBoard, 28);
  for (int board = 1; board <= 36; ++board) {
    EXPECT_EQ(set.Board(board).table, reference.Board(board).table) << "board " << board;
  }
}

TEST(AnalysisRunnerTest, AThreadThatCannotStartIsAnErrorAndNothingWaitsForIt) {
  DealSet set = SmallSet();
  QueueExecutor executor;
  AnalysisRunner runner(set, executor);
  runner.SetThreadStarterForTest([](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  });
  const Result<int> started = runner.Start(2);
  ASSERT_FALSE(started.ok());
  EXPECT_NE(started.message().find("cannot start an analysis thread"), std::string::npos)
      << started.message();
  EXPECT_FALSE(runner.AnyWorkerAlive());
  EXPECT_FALSE(runner.Running());
  EXPECT_FALSE(runner.StopAndWait().completed) << "idle: nothing to wait for";

  // The second thread fails: the run goes on with the first.
  int made = 0;
  runner.SetThreadStarterForTest([&made](std::function<void()> body) -> std::thread {
    if (++made > 1) throw std::system_error(std::make_error_code(std::errc::not_enough_memory));
    return std::thread(std::move(body));
  });
  const Result<int> one = runner.Start(2);
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(*one, 1);
  EXPECT_TRUE(RunToCompletion(runner, executor).completed);
  EXPECT_EQ(DoneJobs(set), 360);
}

TEST(SolveDealsTest, SolvesEveryDealInOrderAcrossBatches) {
  // 38 deals: a full batch of 36 and a second of 2, the same deals repeated
  // so that the answers can be compared with single solves.
  // Deal 0 (one suit per hand) and the same with North's and East's hands
  // swapped: quick to solve, different tables.
  const DealNumber a{};
  Deal swapped = DealFromNumber(a);
  for (Seat& seat : swapped.seatOf) seat = seat == kNorth ? kEast : seat == kEast ? kNorth : seat;
  DeriveCounts(swapped);
  const DealNumber b = NumberFromDeal(swapped);
  std::vector<DealNumber> numbers;
  for (int i = 0; i < 38; ++i) numbers.push_back(i % 2 == 0 ? a : b);
  const Result<std::vector<DDTable>> tables = SolveDeals(numbers, 2);
  ASSERT_TRUE(tables.ok()) << tables.message();
  ASSERT_EQ(tables->size(), 38u);
  Result<std::unique_ptr<Solver>> solver = Solver::Create();
  ASSERT_TRUE(solver.ok());
  const std::atomic<bool> noStop{false};
  const DDTable tableA = SolveDeal(**solver, a, noStop), tableB = SolveDeal(**solver, b, noStop);
  EXPECT_NE(tableA, tableB);
  for (size_t i = 0; i < tables->size(); ++i) {
    EXPECT_EQ((*tables)[i], i % 2 == 0 ? tableA : tableB) << "deal " << i;
  }
  EXPECT_TRUE(SolveDeals({}, 2)->empty());
}

TEST(AnalysisRunnerTest, AStoppedRunResumesWithExactlyTheMissingJobs) {
  const DealSet reference = AnalysedOnOneWorker(SurveyedSet());
  // Stopped among the whole boards, and again among the surveyed ones.
  for (const auto& [workers, stopAt] : std::vector<std::pair<int, int>>{
           {1, 20}, {2, 20}, {3, 20}, {kMaxWorkers, 20}, {2, 205}, {3, 205}}) {
    SCOPED_TRACE("workers " + std::to_string(workers) + ", stopped after " +
                 std::to_string(stopAt) + " jobs");
    DealSet set = SurveyedSet();
    QueueExecutor executor;
    AnalysisRunner runner(set, executor);
    ASSERT_TRUE(runner.Start(workers).ok());
    RunToCompletion(runner, executor, [&] {
      if (DoneJobs(set) >= stopAt) runner.RequestStop();
    });
    const int doneBefore = DoneJobs(set);
    ASSERT_GE(doneBefore, stopAt);
    ASSERT_LT(doneBefore, 360);
    EXPECT_FALSE(runner.StopRequested());  // cleared at completion

    ASSERT_TRUE(runner.Start(workers).ok());
    EXPECT_EQ(runner.JobsQueued(), 360 - doneBefore);
    RunToCompletion(runner, executor);
    EXPECT_EQ(DoneJobs(set), 360);
    for (int board = 1; board <= 36; ++board) {
      EXPECT_EQ(set.Board(board).table, reference.Board(board).table) << "board " << board;
    }
    // A complete set queues nothing; the run still completes.
    ASSERT_TRUE(runner.Start(workers).ok());
    EXPECT_EQ(runner.JobsQueued(), 0);
    EXPECT_TRUE(RunToCompletion(runner, executor).completed);
  }
}

TEST(AnalysisRunnerTest, StopAndWaitEndsARunningAnalysisAtOnce) {
  DealSet set = SmallSet();
  QueueExecutor executor;
  AnalysisRunner runner(set, executor);
  ASSERT_TRUE(runner.Start(2).ok());
  const AnalysisRunner::TickResult result = runner.StopAndWait();
  EXPECT_TRUE(result.completed);
  EXPECT_FALSE(runner.AnyWorkerAlive());
  EXPECT_FALSE(runner.Running());
  EXPECT_LT(DoneJobs(set), 360);
}

}  // namespace
}  // namespace tarrow
