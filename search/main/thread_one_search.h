#pragma once
// Thread one's searches: the goal-by-goal main search first, the meeting search fed from it (a seam
// that stays inert until that search is built), and the full bidirectional search as the last stage
// (not built yet: it reports failure).
#include <memory>

#include "search/main/main_search.h"
#include "search/main/meeting_seam.h"
#include "solver/board.h"
#include "solver/node_stores.h"
#include "solver/run_control.h"
#include "solver/trace.h"

namespace cw {

class ThreadOneSearch {
  public:
    ThreadOneSearch(const Level& level, SearchPosition& pos, const GoalRooms& rooms, Trace& trace,
                    RunControl& control, NodeStores& stores);

    // Per-run state the thread body resets, after it has zeroed the whole store.
    void resetRun();

    // Solved (trace written), Timeout (stopped), otherwise Failed; threadOneGiveUp() after the level
    // proved impossible.
    Outcome mainSearch();
    // The meeting search left running by the main search (meetState 1), stepped until it meets
    // (Solved, solution written), runs dry or fills its table (Failed), or is stopped (Timeout).
    Outcome meetContinue();
    Outcome fullSearch() { return Outcome::Failed; }
    int threadOneGiveUp() const { return main_->threadOneGiveUp; }
    // Whether a stage wrote into store one since the run started, so it must be cleared again.
    bool storeTouched() const { return storeTouched_; }

    MeetingSeam meet;
    MainSearch& main() { return *main_; }

  private:
    RunControl& control_;
    std::unique_ptr<MainSearch> main_;
    bool storeTouched_ = false;
};

} // namespace cw
