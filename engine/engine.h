#pragma once
// One solver engine owns every table of one level and run: the level tables, the search position,
// the copies for thread two, the trace, the run control words and the two node stores. Engines are
// independent of each other, so several may run side by side.
#include <memory>

#include "solver/board.h"
#include "solver/node_stores.h"
#include "solver/primitives.h"
#include "solver/run_control.h"
#include "solver/trace.h"

namespace cw {

class ThreadOneSearch;
class TwoSolver;

// Which solver threads search in a run. With One thread two ends at once without searching, with
// Two thread one does; the outcome is then the searching thread's. Meant for measuring each thread.
enum class SolverChoice { Both, One, Two };

class Engine {
  public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The front ends' verbs: load a level (through a LevelSet on levelToLoad()), set the run, solve,
    // read the outcome, the trace and the run words, cancel. Tests reach the rest through probes.

    // Runs one solving attempt on the loaded level within the time limit; both solver threads have
    // ended on return. For Solved the trace holds the replay-checked move string. Also left in
    // control().runResult.
    Outcome solveLevel();

    // Forgets the last run: no thread results, no progress, no solution (a level was just shown).
    void clearRun();

    // Asks a running solveLevel to stop as the user's cancel (outcome Cancel).
    void cancel() { control_.stopRequest.store(StopRequest::Cancel, std::memory_order_relaxed); }
    // A cancel that every later run also sees at once, until releaseCancel(); a batch uses it so a
    // cancel cannot slip in between two runs.
    void holdCancel() {
        control_.cancelHeld.store(true);
        cancel();
    }
    void releaseCancel() { control_.cancelHeld.store(false); }

    // Whether both node stores could be mapped; without them no search may run ("Out of memory.").
    bool storesReady() const { return stores_.storesReady(); }

    // The level a LevelSet parses into (it keeps the reference), and the level loaded.
    Level& levelToLoad() { return level_; }
    const Level& level() const { return level_; }
    // A run's settings: the time limit, and which threads search (both unless set).
    void setTimeLimit(int seconds) { control_.timeLimitSec = seconds; }
    void setSolverChoice(SolverChoice choice) { solverChoice_ = choice; }
    // The last run's solution (replay-checked when it ended Solved), and forgetting it.
    const Trace& trace() const { return trace_; }
    void dropSolution() { trace_.clearText(); }
    // The run words: results, progress counters, seconds, the batch counts.
    const RunControl& control() const { return control_; }
    // Asks both threads for the position each is expanding (a progress display's timer).
    void requestLive() { control_.requestLive(); }
    // Starts the run clock ahead of a run, so a progress display counts from the press of Solve.
    void startClock() { control_.startClock(); }
    // Zeroes the batch counts of solved, failed and skipped levels.
    void resetBatchCounts() {
        control_.solvedCount.store(0);
        control_.failedCount.store(0);
        control_.skippedCount.store(0);
    }

  private:
    friend class EngineProbe; // the window of tests and benches (probes/engine_probe.h)

    void resetRunWords();
    Outcome prepareRun();
    void runThreads();
    Outcome decide();
    void buildFromHandoff();
    void countOutcome(Outcome result);
    void threadOneBody();
    void threadTwoBody();
    // Whether thread two gives the prepared run's level to the packing-order solver: a level it
    // searches at all, not solved at its start, whose goals form one packed room.
    bool packingPathChosen() const;

    Level level_;
    Trace trace_;
    RunControl control_;
    SolverChoice solverChoice_ = SolverChoice::Both;
    SearchPosition startPos_; // the run's start, prepared once by the driver; each thread copies it
    ThreadTwoCopies two_;
    GoalRooms rooms_;
    NodeStores stores_;
    RangeLists driverScratch_;
    std::unique_ptr<ThreadOneSearch> threadOne_;
    std::unique_ptr<TwoSolver> twoSolver_;
};

// Thread two's copies of the search position, taken before the threads start.
void copyForThreadTwo(const SearchPosition& pos, ThreadTwoCopies& two);

} // namespace cw
