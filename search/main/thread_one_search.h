#pragma once
// Thread one's searches: the goal-by-goal main search, the meeting search fed from it, and the full
// bidirectional search as its last stage. None of these stages is built yet, so each reports that
// the stage failed and thread one never claims a solution.
#include "solver/board.h"
#include "solver/run_control.h"

namespace cw {

class ThreadOneSearch {
  public:
    explicit ThreadOneSearch(RunControl& control) : control_(control) {}

    // Per-run state the thread body resets.
    void resetRun();

    Outcome mainSearch(); // Solved, Timeout (stopped), otherwise failed
    // The meeting search left running by the main search (meetState 1), stepped until it meets
    // (Solved, solution written), runs dry or fills its table (Failed), or is stopped (Timeout).
    Outcome meetContinue();
    Outcome fullSearch();
    // Whether a stage wrote into store one since the run started, so it must be cleared again.
    bool storeTouched() const { return false; }

    int threadOneGiveUp = 0;
    int pathLength = 0;
    int meetState = 0; // 1 a meeting search was left running by the main search

  private:
    RunControl& control_;
};

} // namespace cw
