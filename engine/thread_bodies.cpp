// The two solver threads: which searches each runs, in which order, and what each reports.
#include "engine/engine.h"
#include "search/main/thread_one_search.h"
#include "search/two/two_solver.h"

namespace cw {

void Engine::threadOneBody() {
    if (level.levelStartsSolved == 1 || solverChoice == SolverChoice::Two) {
        control.threadOneResult.store(Outcome::Failed);
        return;
    }
    threadOne_->resetRun();
    control.threadOneStage.store(0);
    // The stage that was running when thread one solved; in the main search, the meeting search
    // may have met first.
    auto solvedStage = [&] {
        const int stage = control.threadOneStage.load();
        if (stage == 0)
            return threadOne_->meet.meetState == 2 ? SolvedStage::MeetDuringMain : SolvedStage::Main;
        return stage == 1 ? SolvedStage::Meet : SolvedStage::Full;
    };
    auto finish = [&](Outcome r) {
        control.runSeconds.store(control.elapsedSeconds());
        if (r == Outcome::Solved) {
            control.solvedBy.store(1);
            control.solvedStage.store(solvedStage());
        } else if (r == Outcome::Timeout) {
            // Only the user's cancel is a cancel; the driver's stop is a timeout or a lost race.
            r = control.stopRequest.load() == StopRequest::Cancel ? Outcome::Cancel : Outcome::Timeout;
        } else if (r == Outcome::Ready) {
            r = Outcome::Failed; // Ready would read as "still running" to the driver
        }
        control.threadOneResult.store(r);
    };
    Outcome r = threadOne_->mainSearch();
    control.runSeconds.store(control.elapsedSeconds());
    if (r == Outcome::Solved || r == Outcome::Timeout) return finish(r);
    if (threadOne_->threadOneGiveUp() == 1) return finish(Outcome::Failed);

    control.threadOneStage.store(1);
    if (threadOne_->meet.meetState == 1) {
        control.stageOneStartMs.store(control.elapsedMs());
        r = threadOne_->meetContinue();
        if (r == Outcome::Solved || r == Outcome::Timeout) return finish(r);
    }
    control.runSeconds.store(control.elapsedSeconds());

    control.threadOneStage.store(2);
    control.stageTwoStartMs.store(control.elapsedMs());
    control.meetNodeCount.store(0);
    finish(threadOne_->fullSearch());
}

// Goals forming one packed room that the boxes must enter from outside in the right order get the
// packing-order solver.
bool Engine::packingPathChosen() const {
    return two_.threadTwoBoxCount <= TwoMaxBoxes && level.levelStartsSolved == 0 &&
           level.goalRoomPacked == 1 && rooms_.goalRoomCount == 1;
}

void Engine::threadTwoBody() {
    if (solverChoice == SolverChoice::One) {
        control.threadTwoResult.store(Outcome::Failed);
        return;
    }
    if (two_.threadTwoBoxCount > TwoMaxBoxes) {
        control.threadTwoResult.store(Outcome::BoxesOver);
        return;
    }
    // Each solver clears its store itself, as each of its searches starts.
    Outcome r = Outcome::Failed;
    if (packingPathChosen()) {
        const ThreadTwoCopies start = two_; // the packing solver works on these tables in place
        twoSolver_->packingMode = 1;
        r = twoSolver_->packSolve(rooms_);
        if (r == Outcome::Solved) control.solvedBy.store(2);
        // A plan that cannot start or a stage that runs dry proves nothing: the bidirectional
        // solver gets the time that is left.
        if (r != Outcome::Failed || control.stopped()) return control.threadTwoResult.store(r);
        two_ = start;
    }
    twoSolver_->packingMode = 0;
    r = twoSolver_->twoBidirectionalSolve();
    if (r == Outcome::Solved) control.solvedBy.store(3);
    control.threadTwoResult.store(r);
}

} // namespace cw
