#include "search/main/thread_one_search.h"

namespace cw {

ThreadOneSearch::ThreadOneSearch(const Level& level, SearchPosition& pos, const GoalRooms& rooms,
                                 Trace& trace, RunControl& control, NodeStores& stores)
    : control_(control),
      main_(std::make_unique<MainSearch>(level, pos, rooms, trace, control, stores, meet)) {}

void ThreadOneSearch::resetRun() {
    main_->resetRun();
    meet.resetRun();
    control_.orderNodeCount.store(0, std::memory_order_relaxed);
    control_.placeNodeCount.store(0, std::memory_order_relaxed);
    control_.meetNodeCount.store(0, std::memory_order_relaxed);
}

} // namespace cw
