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

    // 8 solved (trace written), 10 stopped, 0 / 2 / 9 failed; threadOneGiveUp() after an impossible one.
    int mainSearch() { return main_->mainSearch(); }
    int fullSearch() { return ResFailed; }
    int threadOneGiveUp() const { return main_->threadOneGiveUp; }

    MeetingSeam meet;
    MainSearch& main() { return *main_; }

  private:
    RunControl& control_;
    std::unique_ptr<MainSearch> main_;
};

} // namespace cw
