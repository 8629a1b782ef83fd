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

    // Runs one solving attempt on the loaded level with control.timeLimitSec; both solver threads have
    // ended on return. For 8 the trace holds the replay-checked move string. Also left in runResult.
    int solveLevel();

    // The set-up of a run before the threads start: dead ends, search position, thread two's copies,
    // trace reset, goal rooms. Returns 1 when the threads must run, else the run's outcome.
    int prepareRun();

    // Forgets the last run: no thread results, no progress, no solution (a level was just shown).
    void clearRun();

    // Asks a running solveLevel to stop as the user's cancel (outcome 3).
    void cancel() { control.stopRequest.store(1, std::memory_order_relaxed); }
    // A cancel that every later run also sees at once, until releaseCancel(); a batch uses it so a
    // cancel cannot slip in between two runs.
    void holdCancel() {
        control.cancelHeld.store(true);
        cancel();
    }
    void releaseCancel() { control.cancelHeld.store(false); }

    // Result of the last run of thread two, for tests and statistics.
    const TwoSolver& twoSolver() const { return *twoSolver_; }
    // Thread one's searches, for tests.
    ThreadOneSearch& threadOne() { return *threadOne_; }

    // A run option: which threads search (both unless set).
    SolverChoice solverChoice = SolverChoice::Both;

    Level level;
    SearchPosition pos;
    ThreadTwoCopies two;
    GoalRooms rooms;
    Trace trace;
    RunControl control;
    NodeStores stores;

  private:
    void runThreads();
    int decide();
    void buildFromHandoff();
    void countOutcome(int result);
    void threadOneBody();
    void threadTwoBody();

    RangeLists driverScratch_;
    std::unique_ptr<ThreadOneSearch> threadOne_;
    std::unique_ptr<TwoSolver> twoSolver_;
};

// Thread two's copies of the search position, taken before the threads start.
void copyForThreadTwo(const SearchPosition& pos, ThreadTwoCopies& two);

// Texts for outcomes and verdicts shown to the user.
const char* stateText(int levelStatus); // "Size Over", "Boxes Over", "Irregular", "Impossible", ""
const char* warningText(int outcome);   // " Canceled          " ... with trailing spaces

} // namespace cw
