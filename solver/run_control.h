#pragma once
// Control and progress words shared by the driver, the two solver threads and the front ends.
// Each word has one writer at a time; readers may see a slightly stale value.
#include <atomic>
#include <cstdint>

namespace cw {

// Milliseconds of a monotonic clock: a change of the wall clock never moves a deadline.
std::int64_t nowMs();

struct RunControl {
    std::atomic<int> threadOneResult{0}; // 0 before a run, 1 running, then its result code
    std::atomic<int> threadTwoResult{0};
    std::atomic<int> stopRequest{0};     // 1 user cancel, 2 stop from the driver
    std::atomic<bool> cancelHeld{false}; // a cancel that outlasts runs (a cancelled batch) until released
    std::atomic<std::int64_t> runStartMs{0};
    std::atomic<std::int64_t> deadlineMs{0}; // runStartMs + timeLimitSec seconds
    int timeLimitSec = 600;
    std::atomic<std::int64_t> runSeconds{0}; // whole seconds of the current or last run
    std::atomic<int> runResult{0};
    std::atomic<int> solvedBy{0}; // 1 thread one, 2 packing-order solver, 3 thread two's bidirectional solver
    std::atomic<int> threadOneStage{0};

    // Batch counters, bumped by the driver after each run.
    std::atomic<int> solvedCount{0};
    std::atomic<int> failedCount{0};
    std::atomic<int> skippedCount{0};

    // Progress counters read by the progress display.
    std::atomic<int> twoNodeCount{0};
    std::atomic<int> orderNodeCount{0};
    std::atomic<int> placeNodeCount{0};
    std::atomic<int> meetNodeCount{0};

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
    bool pastDeadline() const { return nowMs() >= deadlineMs.load(std::memory_order_relaxed); }
    // What every search polls: a cancel, a stop from the driver, or the time is up.
    bool stopped() const { return stopRequest.load(std::memory_order_relaxed) != 0 || pastDeadline(); }
};

} // namespace cw
