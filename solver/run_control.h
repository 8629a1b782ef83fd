#pragma once
// Control and progress words shared by the driver, the two solver threads and the front ends.
// Each word has one writer at a time; readers may see a slightly stale value.
#include <atomic>
#include <cstdint>

#include "solver/live_position.h"
#include "solver/outcome.h"

namespace cw {

// What a search is asked to do at its next poll.
enum class StopRequest : int {
    None = 0,   // run on
    Cancel = 1, // the user's cancel
    Stop = 2,   // the driver's stop: a thread has solved, or the time is up
};

// Which of thread one's stages found the solution of a run, for the statistics.
enum class SolvedStage : int {
    None = 0,           // not solved by thread one
    Main = 1,           // the main search's placements
    MeetDuringMain = 2, // the meeting search, stepped by the main search
    Meet = 3,           // the meeting search run on alone (stage 1)
    Full = 4,           // the full bidirectional search (stage 2)
};
// Which solver found the solution of a run; the values are the statistics' solved_by column.
enum class SolvedBy : int {
    None = 0,
    ThreadOne = 1,     // thread one, whichever stage
    Packing = 2,       // thread two's packing-order solver
    Bidirectional = 3, // thread two's bidirectional solver
};

// "main", "meet-in-main", "meet", "full", or "" for None.
const char* stageName(SolvedStage stage);

// Milliseconds of a monotonic clock: a change of the wall clock never moves a deadline.
std::int64_t nowMs();

// The words are grouped by their writer, each group on cache lines of its own, so that a solver
// thread publishing its progress never slows the other's polls of the stop word.
struct RunControl {
    // Written by the driver and the front ends, read by every search at its polls.
    alignas(64) std::atomic<StopRequest> stopRequest{StopRequest::None};
    std::atomic<bool> cancelHeld{false}; // a cancel that outlasts runs (a cancelled batch) until released
    std::atomic<std::int64_t> runStartMs{0};
    std::atomic<std::int64_t> deadlineMs{0}; // runStartMs + timeLimitSec seconds
    int timeLimitSec = 600;

    // Written by thread one. NoLevel before a run, Ready while the thread runs, then its result.
    alignas(64) std::atomic<Outcome> threadOneResult{Outcome::NoLevel};
    std::atomic<int> threadOneStage{0}; // 0 main search, 1 meeting search alone, 2 full search
    // Milliseconds from the run's start at which thread one began stage 1 and stage 2; -1 not begun.
    std::atomic<std::int64_t> stageOneStartMs{-1};
    std::atomic<std::int64_t> stageTwoStartMs{-1};
    std::atomic<SolvedStage> solvedStage{SolvedStage::None};
    std::atomic<int> orderNodeCount{0}; // progress counters, published every few thousand nodes
    std::atomic<int> placeNodeCount{0};
    std::atomic<int> meetNodeCount{0};

    // Written by thread two.
    alignas(64) std::atomic<Outcome> threadTwoResult{Outcome::NoLevel};
    std::atomic<int> twoNodeCount{0};

    // Written once per run or per stage.
    alignas(64) std::atomic<std::int64_t> runSeconds{0}; // whole seconds of the current or last run
    std::atomic<Outcome> runResult{Outcome::NoLevel};
    std::atomic<SolvedBy> solvedBy{SolvedBy::None};
    // Batch counters, bumped by the driver after each run.
    std::atomic<int> solvedCount{0};
    std::atomic<int> failedCount{0};
    std::atomic<int> skippedCount{0};

    // The positions the two threads are expanding, copied only when a front end asks (its progress
    // timer). Thread one's placement search publishes once per expanded node, thread two's
    // bidirectional solver once per expansion; each checks its request with one relaxed load.
    LivePosition threadOneLive;
    LivePosition threadTwoLive;
    // Asks both threads for their next position; newestLive() gives the newer of the two published.
    void requestLive() {
        threadOneLive.request();
        threadTwoLive.request();
    }
    LiveSnapshot newestLive() const { return newest(threadOneLive.read(), threadTwoLive.read()); }

    // Starts the run's clock: the deadline lies timeLimitSec seconds ahead.
    void startClock() {
        const std::int64_t now = nowMs();
        runStartMs.store(now);
        deadlineMs.store(now + std::int64_t{timeLimitSec} * 1000);
    }
    // Whole seconds since startClock, as result files and the window show them.
    std::int64_t elapsedSeconds() const {
        return (nowMs() - runStartMs.load(std::memory_order_relaxed)) / 1000;
    }
    std::int64_t elapsedMs() const { return nowMs() - runStartMs.load(std::memory_order_relaxed); }
    bool pastDeadline() const { return nowMs() >= deadlineMs.load(std::memory_order_relaxed); }
    // What every search polls: a cancel, a stop from the driver, or the time is up.
    bool stopped() const { return stopRequested() || pastDeadline(); }
    bool stopRequested() const { return stopRequest.load(std::memory_order_relaxed) != StopRequest::None; }
};

} // namespace cw
