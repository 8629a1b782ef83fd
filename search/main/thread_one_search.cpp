#include "search/main/thread_one_search.h"

namespace cw {

void ThreadOneSearch::resetRun() {
    threadOneGiveUp = 0;
    pathLength = 0;
    meetState = 0;
    control_.orderNodeCount.store(0, std::memory_order_relaxed);
    control_.placeNodeCount.store(0, std::memory_order_relaxed);
    control_.meetNodeCount.store(0, std::memory_order_relaxed);
}

// Not built yet: the stage reports failure, never a solution.
int ThreadOneSearch::mainSearch() {
    return ResFailed;
}
int ThreadOneSearch::meetExpandBackward() {
    return ResFailed;
}
int ThreadOneSearch::meetExpandForward() {
    return ResFailed;
}
void ThreadOneSearch::meetBuildSolution() {}
int ThreadOneSearch::fullSearch() {
    return ResFailed;
}

} // namespace cw
