#pragma once
// The batch run: solves a range of levels of the loaded set one after another with the normal
// solver run, writes the result file and can hand each solution to a player between levels. The
// command line and the window drive the same loop; the window adds its redraws, its progress timer
// and its play-after step through hooks.
#include <atomic>
#include <cstdint>
#include <functional>

#include "batch/result_file.h"
#include "solver/run_control.h"

namespace cw {

class Engine;
class LevelSet;

struct BatchOptions {
    int first = 1;                // first level of the range
    int last = 0;                 // last level of the range; 0 for the last level of the set
    bool playAfter = false;       // hand each solved level to the play-after hook
    bool wTrace = false;          // write the move string of each solved level
    int timeLimitSec = 600;       // for every level
    int shardIndex = 1;           // run only the levels whose position in the range is shardIndex
    int shardCount = 1;           // modulo shardCount (positions counted from 1)
    ResultFile* output = nullptr; // null: no result file; else already opened, header not yet written
    // Local time for the start and finish stamps; localStampNow when empty.
    std::function<LocalStamp()> clock;
};

// What one level's run gave, as the hooks and the statistics see it.
struct LevelReport {
    int number = 0;
    int width = 0;
    int height = 0;
    int boxes = 0;
    Outcome outcome = Outcome::NoLevel;
    std::int64_t seconds = 0;   // 0 for a level that was not run
    std::int64_t elapsedMs = 0; // wall time of the solver call
    int moveCount = 0;
    int pushCount = 0;
    int traceOver = 0;
    SolvedBy solvedBy = SolvedBy::None;
    SolvedStage solvedStage = SolvedStage::None; // which of thread one's stages solved
    std::int64_t stageOneMs = -1; // when thread one began stage 1 and stage 2; -1 when it did not
    std::int64_t stageTwoMs = -1;
    std::int64_t threadOneNodes = 0;
    std::int64_t threadTwoNodes = 0;
    int solvedCount = 0; // batch counters after this level
    int failedCount = 0;
    int skippedCount = 0;
};

// All optional. They run on the batch's own thread.
struct BatchHooks {
    std::function<void(int levelNumber)> levelShown;   // a level became current, its run is next
    std::function<void(const LevelReport&)> levelDone; // after the run; counters and line are final
    std::function<void()> progressStart;               // a run is about to go on (after play-after)
    std::function<void()> progressStop;                // before play-after and when the batch is cancelled
    // With playAfter: plays the solution of the current level and returns when playing is done or
    // the batch was cancelled (the hook should watch BatchRun::cancelRequested()).
    std::function<void()> playAfter;
};

struct BatchSummary {
    LocalStamp start;
    LocalStamp finish;
    int levelsRun = 0;
    int lastLevel = 0; // number of the last level run (or cancelled); below the range's end when
                       // stepping could not go on
    Outcome lastOutcome = Outcome::NoLevel;
    bool cancelled = false;
    int solvedCount = 0;
    int failedCount = 0;
    int skippedCount = 0;
    int linesLost = 0; // texts of the result file that could not be written
};

class BatchRun {
  public:
    BatchRun(Engine& engine, LevelSet& set) : engine_(engine), set_(set) {}
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // Runs the batch to its end or to a cancel. Call from one thread; cancel() from any other.
    BatchSummary run(const BatchOptions& options, const BatchHooks& hooks = {});

    // Ends the batch: the running level stops as cancelled, and no later level starts. Works at any
    // moment, also between two runs and while a run is ending. Safe from any thread; lock-free.
    void cancel();
    bool cancelRequested() const { return cancelRequest_.load(std::memory_order_relaxed); }

  private:
    Outcome runOne(const BatchOptions& options, const BatchHooks& hooks);
    Outcome runLevel(LevelReport& report);
    void fillReport(LevelReport& report) const;
    bool atRangeEnd(int last) const;

    Engine& engine_;
    LevelSet& set_;
    std::atomic<bool> cancelRequest_{false};
};

} // namespace cw
