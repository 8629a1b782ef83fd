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

// Not built yet: each stage reports failure, never a solution.
Outcome ThreadOneSearch::mainSearch() {
    return Outcome::Failed;
}
Outcome ThreadOneSearch::meetContinue() {
    return Outcome::Failed;
}
Outcome ThreadOneSearch::fullSearch() {
    return Outcome::Failed;
}

} // namespace cw
