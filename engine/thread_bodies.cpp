// The two solver threads: which searches each runs, in which order, and what each reports.
#include "engine/engine.h"
#include "search/main/thread_one_search.h"
#include "search/two/two_solver.h"

namespace cw {

void Engine::threadOneBody() {
    if (level_.levelStartsSolved == 1 || solverChoice_ == SolverChoice::Two) {
        control_.threadOneResult.store(Outcome::Failed);
        return;
    }
    threadOne_->resetRun();
    const ThreadOneEnd end = threadOne_->run();
    Outcome r = end.outcome;
    if (r == Outcome::Solved) {
        control_.solvedStage.store(end.stage);
    } else if (r == Outcome::Timeout) {
        // Only the user's cancel is a cancel; the driver's stop is a timeout or a lost race.
        r = control_.stopRequest.load() == StopRequest::Cancel ? Outcome::Cancel : Outcome::Timeout;
    }
    control_.threadOneResult.store(r);
}

// Goals forming one packed room that the boxes must enter from outside in the right order get the
// packing-order solver.
bool Engine::packingPathChosen() const {
    return two_.threadTwoBoxCount <= TwoMaxBoxes && level_.levelStartsSolved == 0 &&
           level_.goalRoomPacked == 1 && rooms_.goalRoomCount == 1;
}

void Engine::threadTwoBody() {
    if (solverChoice_ == SolverChoice::One) {
        control_.threadTwoResult.store(Outcome::Failed);
        return;
    }
    if (two_.threadTwoBoxCount > TwoMaxBoxes) {
        control_.threadTwoResult.store(Outcome::BoxesOver);
        return;
    }
    // Each solver clears its store itself, as each of its searches starts.
    Outcome r = Outcome::Failed;
    if (packingPathChosen()) {
        const ThreadTwoCopies start = two_; // the packing solver works on these tables in place
        twoSolver_->packingMode = true;
        r = twoSolver_->packSolve(rooms_);
        if (r == Outcome::Solved) control_.solvedBy.store(SolvedBy::Packing);
        // A plan that cannot start or a stage that runs dry proves nothing: the bidirectional
        // solver gets the time that is left.
        if (r != Outcome::Failed || control_.stopped()) return control_.threadTwoResult.store(r);
        two_ = start;
    }
    twoSolver_->packingMode = false;
    r = twoSolver_->twoBidirectionalSolve();
    if (r == Outcome::Solved) control_.solvedBy.store(SolvedBy::Bidirectional);
    control_.threadTwoResult.store(r);
}

} // namespace cw
