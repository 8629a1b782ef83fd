#include "search/main/thread_one_search.h"

namespace cw {

ThreadOneSearch::ThreadOneSearch(const Level& level, SearchPosition& pos, const GoalRooms& rooms,
                                 Trace& trace, RunControl& control, NodeStores& stores)
    : control_(control),
      main_(std::make_unique<MainSearch>(level, pos, rooms, trace, control, stores, meet)) {}

void ThreadOneSearch::resetRun() {
    main_->resetRun();
    meet.resetRun();
    storeTouched_ = false;
    control_.orderNodeCount.store(0, std::memory_order_relaxed);
    control_.placeNodeCount.store(0, std::memory_order_relaxed);
    control_.meetNodeCount.store(0, std::memory_order_relaxed);
}

// The main search passes up its own codes: 8 solved and 10 stopped; 0, 2 and 9 all mean that it
// ended without a solution.
Outcome ThreadOneSearch::mainSearch() {
    const int r = main_->mainSearch();
    // Every stage but a solve without search works in the store.
    storeTouched_ = true;
    if (r == code(Outcome::Solved)) return Outcome::Solved;
    if (r == code(Outcome::Timeout)) return Outcome::Timeout;
    return Outcome::Failed;
}

Outcome ThreadOneSearch::meetContinue() {
    int r = 1;
    while (!control_.stopped()) {
        r = meet.meetExpandBackward();
        if (r == 1) r = meet.meetExpandBackward();
        if (r == 1) r = meet.meetExpandForward();
        if (r != 1) break;
    }
    if (r == 1) return Outcome::Timeout;
    if (r != code(Outcome::Solved)) return Outcome::Failed;
    meet.meetBuildSolution();
    meet.meetState = 2;
    return Outcome::Solved;
}

} // namespace cw
