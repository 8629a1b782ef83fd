// The solver driver: prepares a run, starts both solver threads, watches them until both have ended,
// enforces the time limit, decides the outcome and checks the move string by replay.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "search/main/thread_one_search.h"
#include "search/two/two_solver.h"
#include "solver/analysis.h"
#include "solver/engine.h"

namespace cw {

Engine::Engine()
    : threadOne_(std::make_unique<ThreadOneSearch>(level, pos, rooms, trace, control, stores)),
      twoSolver_(std::make_unique<TwoSolver>(level, two, rooms, control, stores)) {}

Engine::~Engine() = default;

void Engine::clearRun() {
    control.threadOneResult.store(0);
    control.threadTwoResult.store(0);
    control.threadOneStage.store(0);
    control.runSeconds.store(0);
    control.solvedBy.store(0);
    control.twoNodeCount.store(0);
    control.orderNodeCount.store(0);
    control.placeNodeCount.store(0);
    control.meetNodeCount.store(0);
    trace.clearText();
}

int Engine::solveLevel() {
    control.solvedBy.store(0);
    control.stopRequest.store(control.cancelHeld.load() ? 1 : 0);
    control.runSeconds.store(0);
    control.twoNodeCount.store(0);
    int result = level.levelStatus;
    if (result == ResReady) result = prepareRun();
    if (result == ResReady) {
        runThreads();
        result = decide();
        control.stopRequest.store(0);
        control.runSeconds.store(nowSeconds() - control.runStartTime.load());
    }
    if (result == ResSolved && !replayCheck(level, trace.text())) result = ResTraceMiss;
    control.runResult.store(result);
    countOutcome(result);
    return result;
}

// Set-up before the threads start. Returns 1 to run the threads, or the final outcome when the
// analysis already decides it (proven impossible, or solved at the start).
int Engine::prepareRun() {
    control.threadOneResult.store(0);
    control.threadTwoResult.store(0);
    const std::int64_t now = nowSeconds();
    control.runStartTime.store(now);
    control.deadline.store(now + control.timeLimitSec);
    fillDeadEnds(level);
    const int prepared = prepareSearch(level, pos, level.baseBoard.data(), level.startPlayer, driverScratch_);
    copyForThreadTwo(pos, two);
    trace.reset(level);
    // A proven-impossible position leaves inconsistent lists behind: no thread may start on them.
    if (prepared == 0) return ResImpossible;
    // Every box already on a goal: the empty move string is the solution.
    if (level.levelStartsSolved == 1 || prepared == ResSolved) return ResSolved;
    scanGoalRooms(level, pos, rooms);
    return ResReady;
}

void copyForThreadTwo(const SearchPosition& pos, ThreadTwoCopies& two) {
    two.threadTwoBoard = pos.searchBoard;
    for (int c = 0; c < MaxCells; c++) {
        two.pullMask32[c] = static_cast<std::uint32_t>(pos.pullMask[c]);
        two.pushMask32[c] = static_cast<std::uint32_t>(pos.pushMask[c]);
    }
    two.threadTwoBoxCount = pos.boxCount;
    two.threadTwoPlayer = pos.searchPlayer;
    two.threadTwoGoalList = pos.goalList;
    two.workBoxList = pos.boxList;
    two.startBoxList = pos.boxList;
}

void Engine::runThreads() {
    std::mutex m;
    std::condition_variable ended;
    auto run = [&](void (Engine::*body)()) {
        (this->*body)();
        std::lock_guard<std::mutex> lock(m);
        ended.notify_all();
    };
    control.threadOneResult.store(ResReady);
    std::thread one(run, &Engine::threadOneBody);
    control.threadTwoResult.store(ResReady);
    std::thread two(run, &Engine::threadTwoBody);

    // Poll every 100 ms; a thread that ends wakes the poll early so a run ends without delay.
    std::unique_lock<std::mutex> lock(m);
    while (control.threadOneResult.load() == ResReady || control.threadTwoResult.load() == ResReady) {
        if (control.threadOneResult.load() == ResSolved || control.threadTwoResult.load() == ResSolved)
            control.stopRequest.store(2);
        if (nowSeconds() >= control.deadline.load()) control.stopRequest.store(2);
        int idle = 0;
        if (control.cancelHeld.load()) control.stopRequest.compare_exchange_strong(idle, 1);
        ended.wait_for(lock, std::chrono::milliseconds(100));
    }
    lock.unlock();
    one.join();
    two.join();
}

int Engine::decide() {
    const int r1 = control.threadOneResult.load();
    const int r2 = control.threadTwoResult.load();
    if (r1 == ResSolved) return ResSolved;
    if (r2 == ResSolved) {
        buildFromHandoff();
        return ResSolved;
    }
    if (r2 == ResImpossible) return ResImpossible;
    if (control.stopRequest.load() == 1) return ResCancel;
    if (r1 == ResTimeout || r2 == ResTimeout) return ResTimeout;
    return ResFailed;
}

void Engine::buildFromHandoff() {
    trace.reset(level);
    const TwoSolver& t = *twoSolver_;
    for (int i = 0; i < t.handoffCount; i++)
        trace.appendBoxMove(level, t.handoffTo[i], t.handoffPlayer[i], t.handoffFrom[i]);
    if (t.handoffOver) trace.traceOver = 1;
}

void Engine::countOutcome(int result) {
    switch (result) {
    case ResSolved:
        control.solvedCount.fetch_add(1);
        break;
    case ResIrregular:
    case ResImpossible:
        control.skippedCount.fetch_add(1);
        break;
    case ResReady:
    case ResSizeOver:
    case ResBoxesOver:
    case ResFailed:
    case ResTimeout:
    case ResTraceMiss:
        control.failedCount.fetch_add(1);
        break;
    default:
        break;
    }
}

void Engine::threadOneBody() {
    if (level.levelStartsSolved == 1 || solverChoice == SolverChoice::Two) {
        control.threadOneResult.store(ResFailed);
        return;
    }
    stores.zeroStoreOne();
    threadOne_->resetRun();
    control.threadOneStage.store(0);
    auto finish = [&](int r) {
        control.runSeconds.store(nowSeconds() - control.runStartTime.load());
        if (r == ResSolved) {
            control.solvedBy.store(1);
            control.threadOneResult.store(ResSolved);
        } else if (r == ResTimeout) {
            // Only the user's cancel is a cancel; the driver's stop is a timeout or a lost race.
            control.threadOneResult.store(control.stopRequest.load() == 1 ? ResCancel : ResTimeout);
        } else {
            // 1 would read as "still running" and 2 is no outcome: both are a failed stage here.
            control.threadOneResult.store(r == ResReady || r == ResInternal || r == 0 ? ResFailed : r);
        }
    };
    int r = threadOne_->mainSearch();
    control.runSeconds.store(nowSeconds() - control.runStartTime.load());
    if (r == ResSolved || r == ResTimeout) return finish(r);
    if (threadOne_->threadOneGiveUp() == 1) return finish(ResFailed);

    control.threadOneStage.store(1);
    MeetingSeam& meet = threadOne_->meet;
    if (meet.meetState == 1) {
        r = 1;
        while (!control.stopped(nowSeconds())) {
            r = meet.meetExpandBackward();
            if (r == 1) r = meet.meetExpandBackward();
            if (r == 1) r = meet.meetExpandForward();
            if (r != 1) break;
        }
        if (r == 1) r = ResTimeout;
        if (r == ResSolved) {
            meet.meetBuildSolution();
            meet.meetState = 2;
        }
        if (r == ResSolved || r == ResTimeout) return finish(r);
    }
    control.runSeconds.store(nowSeconds() - control.runStartTime.load());

    control.threadOneStage.store(2);
    stores.zeroStoreOne();
    control.meetNodeCount.store(0);
    r = threadOne_->fullSearch();
    finish(r);
}

void Engine::threadTwoBody() {
    if (solverChoice == SolverChoice::One) {
        control.threadTwoResult.store(ResFailed);
        return;
    }
    if (two.threadTwoBoxCount > TwoMaxBoxes) {
        control.threadTwoResult.store(ResBoxesOver);
        return;
    }
    stores.zeroStoreTwo();
    const int r = twoSolver_->twoBidirectionalSolve();
    if (r == ResSolved) control.solvedBy.store(3);
    control.threadTwoResult.store(r);
}

const char* stateText(int levelStatus) {
    switch (levelStatus) {
    case ResSizeOver:
        return "Size Over";
    case ResBoxesOver:
        return "Boxes Over";
    case ResIrregular:
        return "Irregular";
    case ResImpossible:
        return "Impossible";
    default:
        return "";
    }
}

const char* warningText(int outcome) {
    switch (outcome) {
    case ResCancel:
        return " Canceled          ";
    case ResImpossible:
        return " Impossible        ";
    case ResFailed:
        return " Failed            ";
    case ResTimeout:
        return " Failed (Timeout)  ";
    case ResTraceMiss:
        return " Failed (TraceMiss)";
    default:
        return " Failed (?)";
    }
}

} // namespace cw
