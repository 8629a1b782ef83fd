#include "search/main/thread_one_search.h"

namespace cw {

ThreadOneSearch::ThreadOneSearch(const Level& level, SearchPosition& pos, const GoalRooms& rooms,
                                 Trace& trace, RunControl& control, NodeStores& stores)
    : control_(control), meet(level, pos, stage, path, trace, control, stores, bidirRanges_),
      main_(std::make_unique<MainSearch>(level, pos, rooms, trace, control, stores, meet, path)),
      full(level, pos, stage, path, trace, control, stores, bidirRanges_, main_->threadOneGiveUp) {}

void ThreadOneSearch::resetRun() {
    main_->resetRun();
    meet.resetRun();
    control_.orderNodeCount.store(0, std::memory_order_relaxed);
    control_.placeNodeCount.store(0, std::memory_order_relaxed);
    control_.meetNodeCount.store(0, std::memory_order_relaxed);
}

// The main search passes up its own codes: 8 solved and 10 stopped; 0, 2 and 9 all mean that it
// ended without a solution.
Outcome ThreadOneSearch::mainSearch() {
    const int r = main_->mainSearch();
    if (r == code(Outcome::Solved)) return Outcome::Solved;
    if (r == code(Outcome::Timeout)) return Outcome::Timeout;
    return Outcome::Failed;
}

Outcome ThreadOneSearch::meetContinue() {
    for (;;) {
        if (control_.stopped()) return Outcome::Timeout;
        int r = meet.meetExpandBackward();
        if (r == StepDone) r = meet.meetExpandBackward();
        if (r == StepDone) r = meet.meetExpandForward();
        if (r == StepDone) continue;
        if (r == StepStopped) return Outcome::Timeout;
        if (r != StepMet) {
            control_.meetNodeCount.store(meet.nodeCount(), std::memory_order_relaxed);
            return Outcome::Failed; // a side ran dry or the table is full: the full search goes next
        }
        meet.meetBuildSolution();
        meet.meetState = 2;
        return Outcome::Solved;
    }
}

Outcome ThreadOneSearch::fullSearch() {
    main_->tablesOverwritten();
    meet.corral().overwritten();
    const int r = full.fullSearch();
    if (r == StepMet) return Outcome::Solved;
    if (r == StepStopped) return Outcome::Timeout;
    return Outcome::Failed;
}

} // namespace cw
