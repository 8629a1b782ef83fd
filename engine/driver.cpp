// The solver driver: prepares a run, starts both solver threads, watches them until both have ended,
// enforces the time limit, decides the outcome and checks the move string by replay.
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/engine.h"
#include "search/main/thread_one_search.h"
#include "search/two/two_solver.h"
#include "solver/analysis.h"

namespace cw {

Engine::Engine()
    : threadOne_(std::make_unique<ThreadOneSearch>(level, startPos_, rooms_, trace, control, stores_)),
      twoSolver_(std::make_unique<TwoSolver>(level, two_, control, stores_)) {}

Engine::~Engine() = default;

void Engine::clearRun() {
    control.threadOneResult.store(Outcome::NoLevel);
    control.threadTwoResult.store(Outcome::NoLevel);
    control.threadOneStage.store(0);
    control.stageOneStartMs.store(-1);
    control.stageTwoStartMs.store(-1);
    control.runSeconds.store(0);
    control.solvedBy.store(SolvedBy::None);
    control.solvedStage.store(SolvedStage::None);
    control.twoNodeCount.store(0);
    control.orderNodeCount.store(0);
    control.placeNodeCount.store(0);
    control.meetNodeCount.store(0);
    control.threadOneLive.clear();
    control.threadTwoLive.clear();
    trace.clearText();
}

Outcome Engine::solveLevel() {
    control.solvedBy.store(SolvedBy::None);
    control.solvedStage.store(SolvedStage::None);
    control.stageOneStartMs.store(-1);
    control.stageTwoStartMs.store(-1);
    control.stopRequest.store(control.cancelHeld.load() ? StopRequest::Cancel : StopRequest::None);
    control.runSeconds.store(0);
    control.twoNodeCount.store(0);
    control.threadOneLive.clear(); // no position of an earlier run is drawn as this one's
    control.threadTwoLive.clear();
    Outcome result = level.levelStatus;
    if (result == Outcome::Ready) result = prepareRun();
    if (result == Outcome::Ready) {
        runThreads();
        result = decide();
        control.stopRequest.store(StopRequest::None);
        control.runSeconds.store(control.elapsedSeconds());
    }
    if (result == Outcome::Solved && !replayCheck(level, trace.text())) result = Outcome::TraceMiss;
    control.runResult.store(result);
    countOutcome(result);
    return result;
}

// Set-up before the threads start. Ready to run the threads, or the final outcome when the analysis
// already decides it (proven impossible, or solved at the start).
Outcome Engine::prepareRun() {
    control.threadOneResult.store(Outcome::NoLevel);
    control.threadTwoResult.store(Outcome::NoLevel);
    control.startClock();
    assert(edgeCellsBlocked(level));
    fillDeadEnds(level);
    const Prepared prepared =
        prepareSearch(level, startPos_, level.baseBoard.data(), level.startPlayer, driverScratch_);
    copyForThreadTwo(startPos_, two_);
    trace.reset(level);
    // A proven-impossible position leaves inconsistent lists behind: no thread may start on them.
    if (prepared == Prepared::Impossible) return Outcome::Impossible;
    // Every box already on a goal: the empty move string is the solution.
    if (level.levelStartsSolved == 1 || prepared == Prepared::Solved) return Outcome::Solved;
    scanGoalRooms(level, startPos_, rooms_);
    return Outcome::Ready;
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
    control.threadOneResult.store(Outcome::Ready);
    std::thread one(run, &Engine::threadOneBody);
    control.threadTwoResult.store(Outcome::Ready);
    std::thread two(run, &Engine::threadTwoBody);

    // Poll every 100 ms; a thread that ends wakes the poll early so a run ends without delay.
    std::unique_lock<std::mutex> lock(m);
    auto running = [&](const std::atomic<Outcome>& r) { return r.load() == Outcome::Ready; };
    while (running(control.threadOneResult) || running(control.threadTwoResult)) {
        if (control.threadOneResult.load() == Outcome::Solved ||
            control.threadTwoResult.load() == Outcome::Solved)
            control.stopRequest.store(StopRequest::Stop);
        if (control.pastDeadline()) control.stopRequest.store(StopRequest::Stop);
        StopRequest idle = StopRequest::None;
        if (control.cancelHeld.load()) control.stopRequest.compare_exchange_strong(idle, StopRequest::Cancel);
        ended.wait_for(lock, std::chrono::milliseconds(100));
    }
    lock.unlock();
    one.join();
    two.join();
}

Outcome Engine::decide() {
    const Outcome r1 = control.threadOneResult.load();
    const Outcome r2 = control.threadTwoResult.load();
    // Both threads may have solved before either saw the stop: the outcome is thread one's then, and
    // so is the record of who solved.
    if (r1 == Outcome::Solved) {
        control.solvedBy.store(SolvedBy::ThreadOne);
        return Outcome::Solved;
    }
    if (r2 == Outcome::Solved) {
        control.solvedStage.store(SolvedStage::None);
        buildFromHandoff();
        return Outcome::Solved;
    }
    if (r2 == Outcome::Impossible) return Outcome::Impossible;
    if (control.stopRequest.load() == StopRequest::Cancel) return Outcome::Cancel;
    if (r1 == Outcome::Timeout || r2 == Outcome::Timeout) return Outcome::Timeout;
    return Outcome::Failed;
}

void Engine::buildFromHandoff() {
    trace.reset(level);
    const Handoff& h = twoSolver_->handoff();
    for (int i = 0; i < h.count; i++) trace.appendBoxMove(level, h.to[i], h.player[i], h.from[i]);
    if (h.over) trace.traceOver = 1;
}

void Engine::countOutcome(Outcome result) {
    switch (tallyOf(result)) {
    case Tally::Solved:
        control.solvedCount.fetch_add(1);
        break;
    case Tally::Skipped:
        control.skippedCount.fetch_add(1);
        break;
    case Tally::Failed:
        control.failedCount.fetch_add(1);
        break;
    case Tally::None:
        break;
    }
}

} // namespace cw
