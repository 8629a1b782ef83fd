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
    : threadOne_(std::make_unique<ThreadOneSearch>(level_, startPos_, rooms_, trace_, control_, stores_)),
      twoSolver_(std::make_unique<TwoSolver>(level_, two_, control_, stores_)) {}

Engine::~Engine() = default;

// The words a run reports on, as none has been run: who solved, the stages' starts, the seconds,
// thread two's count and the live positions (no position of an earlier run is drawn as this one's).
void Engine::resetRunWords() {
    control_.solvedBy.store(SolvedBy::None);
    control_.solvedStage.store(SolvedStage::None);
    control_.stageOneStartMs.store(-1);
    control_.stageTwoStartMs.store(-1);
    control_.runSeconds.store(0);
    control_.twoNodeCount.store(0);
    control_.threadOneLive.clear();
    control_.threadTwoLive.clear();
}

void Engine::clearRun() {
    resetRunWords();
    control_.threadOneResult.store(Outcome::NoLevel);
    control_.threadTwoResult.store(Outcome::NoLevel);
    control_.threadOneStage.store(0);
    control_.orderNodeCount.store(0);
    control_.placeNodeCount.store(0);
    control_.meetNodeCount.store(0);
    trace_.clearText();
}

Outcome Engine::solveLevel() {
    resetRunWords();
    control_.stopRequest.store(control_.cancelHeld.load() ? StopRequest::Cancel : StopRequest::None);
    Outcome result = level_.levelStatus;
    if (result == Outcome::Ready) result = prepareRun();
    if (result == Outcome::Ready) {
        runThreads();
        result = decide();
        control_.stopRequest.store(StopRequest::None);
        control_.runSeconds.store(control_.elapsedSeconds());
    }
    if (result == Outcome::Solved && !replayCheck(level_, trace_.text())) result = Outcome::TraceMiss;
    control_.runResult.store(result);
    countOutcome(result);
    return result;
}

// Set-up before the threads start. Ready to run the threads, or the final outcome when the analysis
// already decides it (proven impossible, or solved at the start).
Outcome Engine::prepareRun() {
    control_.threadOneResult.store(Outcome::NoLevel);
    control_.threadTwoResult.store(Outcome::NoLevel);
    control_.startClock();
    assert(edgeCellsBlocked(level_));
    fillDeadEnds(level_);
    const Prepared prepared =
        prepareSearch(level_, startPos_, level_.baseBoard.data(), level_.startPlayer, driverScratch_);
    copyForThreadTwo(startPos_, two_);
    trace_.reset(level_);
    // A proven-impossible position leaves inconsistent lists behind: no thread may start on them.
    if (prepared == Prepared::Impossible) return Outcome::Impossible;
    // Every box already on a goal: the empty move string is the solution.
    if (level_.levelStartsSolved == 1 || prepared == Prepared::Solved) return Outcome::Solved;
    scanGoalRooms(level_, startPos_, rooms_);
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
    control_.threadOneResult.store(Outcome::Ready);
    std::thread one(run, &Engine::threadOneBody);
    control_.threadTwoResult.store(Outcome::Ready);
    std::thread two(run, &Engine::threadTwoBody);

    // Poll every 100 ms; a thread that ends wakes the poll early so a run ends without delay.
    std::unique_lock<std::mutex> lock(m);
    auto running = [&](const std::atomic<Outcome>& r) { return r.load() == Outcome::Ready; };
    while (running(control_.threadOneResult) || running(control_.threadTwoResult)) {
        if (control_.threadOneResult.load() == Outcome::Solved ||
            control_.threadTwoResult.load() == Outcome::Solved)
            control_.stopRequest.store(StopRequest::Stop);
        if (control_.pastDeadline()) control_.stopRequest.store(StopRequest::Stop);
        StopRequest idle = StopRequest::None;
        if (control_.cancelHeld.load())
            control_.stopRequest.compare_exchange_strong(idle, StopRequest::Cancel);
        ended.wait_for(lock, std::chrono::milliseconds(100));
    }
    lock.unlock();
    one.join();
    two.join();
}

Outcome Engine::decide() {
    const Outcome r1 = control_.threadOneResult.load();
    const Outcome r2 = control_.threadTwoResult.load();
    // Both threads may have solved before either saw the stop: the outcome is thread one's then, and
    // so is the record of who solved.
    if (r1 == Outcome::Solved) {
        control_.solvedBy.store(SolvedBy::ThreadOne);
        return Outcome::Solved;
    }
    if (r2 == Outcome::Solved) {
        control_.solvedStage.store(SolvedStage::None);
        buildFromHandoff();
        return Outcome::Solved;
    }
    if (r2 == Outcome::Impossible) return Outcome::Impossible;
    if (control_.stopRequest.load() == StopRequest::Cancel) return Outcome::Cancel;
    if (r1 == Outcome::Timeout || r2 == Outcome::Timeout) return Outcome::Timeout;
    return Outcome::Failed;
}

void Engine::buildFromHandoff() {
    trace_.reset(level_);
    const Handoff& h = twoSolver_->handoff();
    for (int i = 0; i < h.count; i++) trace_.appendBoxMove(level_, h.to[i], h.player[i], h.from[i]);
    if (h.over) trace_.traceOver = 1;
}

void Engine::countOutcome(Outcome result) {
    switch (tallyOf(result)) {
    case Tally::Solved:
        control_.solvedCount.fetch_add(1);
        break;
    case Tally::Skipped:
        control_.skippedCount.fetch_add(1);
        break;
    case Tally::Failed:
        control_.failedCount.fetch_add(1);
        break;
    case Tally::None:
        break;
    }
}

} // namespace cw
