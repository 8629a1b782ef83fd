#pragma once
// Thread one's searches: the goal-by-goal main search first, the meeting search fed from it and
// run on alone as stage 1, and the full bidirectional search as the last stage. The object owns
// their scratch tables; the engine owns the store.
#include <memory>

#include "search/bidir/full_search.h"
#include "search/bidir/meeting_search.h"
#include "search/bidir/path_record.h"
#include "search/bidir/stage.h"
#include "search/main/main_search.h"
#include "solver/board.h"
#include "solver/node_stores.h"
#include "solver/primitives.h"
#include "solver/run_control.h"
#include "solver/trace.h"

namespace cw {

// How thread one's run ended: Solved (trace written; `stage` says which stage solved), Timeout
// (stopped), or Failed.
struct ThreadOneEnd {
    Outcome outcome = Outcome::Failed;
    SolvedStage stage = SolvedStage::None;
};

class ThreadOneSearch {
  public:
    // `start` is the run's start position as the driver prepared it.
    ThreadOneSearch(const Level& level, const SearchPosition& start, const GoalRooms& rooms, Trace& trace,
                    RunControl& control, NodeStores& stores);

    // Per-run state the thread body resets, and the search position taken from the start; each
    // table clears itself as its search starts.
    void resetRun();

    // The stages in their order: the main search; the meeting search it left running, alone; the
    // full search. A later stage runs only when the earlier neither solved nor was stopped.
    // Publishes the stage, the stages' start times and the run's seconds after each stage.
    ThreadOneEnd run();

    // The stages one by one, for run() and the tests.
    // Solved (trace written), Timeout (stopped), otherwise Failed.
    Outcome mainSearch();
    // The meeting search left running by the main search, stepped until it meets (Solved,
    // solution written), runs dry or fills its table (Failed), or is stopped (Timeout).
    Outcome meetContinue();
    // The full search over the whole store: Solved (solution written), Timeout (stopped), Failed
    // (table full, or nothing left to search). Its tables lie over the earlier stages' bytes, so
    // theirs are cleared whole the next time.
    Outcome fullSearch();
    // The position thread one's searches work on: the start, then each smaller level.
    SearchPosition& position() { return pos_; }

    PathRecord path;
    StageCopies stage;

  private:
    void noteStageEnd() { control_.runSeconds.store(control_.elapsedSeconds()); }

    RunControl& control_;
    RangeLists bidirRanges_; // the bidirectional searches' freeze-test flag
    const SearchPosition& start_;
    SearchPosition pos_;

  public:
    MeetingSearch meet;
    MainSearch& main() { return *main_; }

  private:
    std::unique_ptr<MainSearch> main_;

  public:
    FullSearch full;
};

} // namespace cw
