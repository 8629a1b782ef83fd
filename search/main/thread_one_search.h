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

class ThreadOneSearch {
  public:
    ThreadOneSearch(const Level& level, SearchPosition& pos, const GoalRooms& rooms, Trace& trace,
                    RunControl& control, NodeStores& stores);

    // Per-run state the thread body resets; each table clears itself as its search starts.
    void resetRun();

    // Solved (trace written), Timeout (stopped), otherwise Failed; threadOneGiveUp() after the level
    // proved impossible.
    Outcome mainSearch();
    // The meeting search left running by the main search (meetState 1), stepped until it meets
    // (Solved, solution written), runs dry or fills its table (Failed), or is stopped (Timeout).
    Outcome meetContinue();
    // The full search over the whole store: Solved (solution written), Timeout (stopped), Failed
    // (table full, or a queue ran empty: threadOneGiveUp() is then set). Its tables lie over the
    // earlier stages' bytes, so theirs are cleared whole the next time.
    Outcome fullSearch();
    int threadOneGiveUp() const { return main_->threadOneGiveUp; }

    PathRecord path;
    StageCopies stage;

  private:
    RunControl& control_;
    RangeLists bidirRanges_; // the bidirectional searches' freeze-test flag

  public:
    MeetingSearch meet;
    MainSearch& main() { return *main_; }

  private:
    std::unique_ptr<MainSearch> main_;

  public:
    FullSearch full; // shares threadOneGiveUp with the main search
};

} // namespace cw
