#pragma once
// What one step of a search (an insert, an expansion, a pass, a whole stage) ended with: the one
// result convention of every search. The outcomes a run reports (solver/outcome.h) are made from
// these where a thread ends.
namespace cw {

enum class Step {
    Continue,  // nothing decided: go on
    Solved,    // the search reached what it looks for: the sides met, a plan or a placement was found
    Dry,       // nothing is left to expand
    NodeLimit, // the search stored as many nodes as it may before it restarts
    Full,      // the node table is full
    Stopped,   // the run was stopped: a cancel, the driver's stop or the deadline
};

} // namespace cw
