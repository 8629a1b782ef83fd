#include "search/main/thread_one_search.h"

namespace cw {

ThreadOneSearch::ThreadOneSearch(const Level& level, const SearchPosition& start, const GoalRooms& rooms,
                                 Trace& trace, RunControl& control, NodeStores& stores)
    : control_(control), start_(start), meet(level, pos_, stage, path, trace, control, stores, bidirRanges_),
      main_(std::make_unique<MainSearch>(level, pos_, rooms, trace, control, stores, meet, path)),
      full(level, start, pos_, stage, path, trace, control, stores, bidirRanges_) {}

void ThreadOneSearch::resetRun() {
    pos_ = start_;
    main_->resetRun();
    meet.resetRun();
    control_.orderNodeCount.store(0, std::memory_order_relaxed);
    control_.placeNodeCount.store(0, std::memory_order_relaxed);
    control_.meetNodeCount.store(0, std::memory_order_relaxed);
}

ThreadOneEnd ThreadOneSearch::run() {
    control_.threadOneStage.store(0);
    Outcome r = mainSearch();
    noteStageEnd();
    if (r == Outcome::Solved) return {r, meet.solved() ? SolvedStage::MeetDuringMain : SolvedStage::Main};
    if (r == Outcome::Timeout) return {r, SolvedStage::None};

    control_.threadOneStage.store(1);
    if (meet.state() == MeetState::Running) {
        control_.stageOneStartMs.store(control_.elapsedMs());
        r = meetContinue();
        if (r == Outcome::Solved) return {r, SolvedStage::Meet};
        if (r == Outcome::Timeout) return {r, SolvedStage::None};
    }
    noteStageEnd();

    control_.threadOneStage.store(2);
    control_.stageTwoStartMs.store(control_.elapsedMs());
    control_.meetNodeCount.store(0);
    r = fullSearch();
    noteStageEnd();
    return {r, r == Outcome::Solved ? SolvedStage::Full : SolvedStage::None};
}

namespace {

// A stage's last step as the thread reports it: every end but a solution or a stop means that the
// stage ended without a solution.
Outcome stageOutcome(Step last) {
    switch (last) {
    case Step::Solved:
        return Outcome::Solved;
    case Step::Stopped:
        return Outcome::Timeout;
    default:
        return Outcome::Failed;
    }
}

} // namespace

Outcome ThreadOneSearch::mainSearch() {
    return stageOutcome(main_->mainSearch());
}

Outcome ThreadOneSearch::meetContinue() {
    return stageOutcome(meet.runAlone());
}

Outcome ThreadOneSearch::fullSearch() {
    main_->tablesOverwritten();
    meet.corral().overwritten();
    return stageOutcome(full.fullSearch());
}

} // namespace cw
