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

    int mainSearch();         // 8 solved, 10 stopped, otherwise failed
    int meetExpandBackward(); // 1 go on, 8 met, 0 dry, 9 full
    int meetExpandForward();
    void meetBuildSolution();
    int fullSearch();

    int threadOneGiveUp = 0;
    int pathLength = 0;
    int meetState = 0; // 1 a meeting search was left running by the main search

  private:
    RunControl& control_;
};

} // namespace cw
