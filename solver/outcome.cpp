#include "solver/outcome.h"

namespace cw {

namespace {

struct OutcomeRow {
    Tally tally;
    const char* state;
    const char* warning;
    const char* resultLine;
    const char* name;
};

// One row per code; the texts are the system's own, spelling included.
constexpr OutcomeRow rows[] = {
    {Tally::None, "", " Failed (?)", " Failed ?\n", "Failed ?"},                                        // 0
    {Tally::Failed, "", " Failed (?)", " Failed ?\n", "Failed ?"},                                      // 1
    {Tally::None, "", " Failed (?)", " Failed ?\n", "Failed ?"},                                        // 2
    {Tally::None, "", " Canceled          ", " Failed ?\n", "Cancel"},                                  // 3
    {Tally::Failed, "Size Over", " Failed (?)", " Failed SizeOver\n", "Failed SizeOver"},               // 4
    {Tally::Failed, "Boxes Over", " Failed (?)", " Failed BoxesOver\n", "Failed BoxesOver"},            // 5
    {Tally::Skipped, "Irregular", " Failed (?)", " Skiped Strange\n", "Skiped Strange"},                // 6
    {Tally::Skipped, "Impossible", " Impossible        ", " Skiped Impossible\n", "Skiped Impossible"}, // 7
    {Tally::Solved, "", " Failed (?)", " Failed ?\n", "Solved"},                                        // 8
    {Tally::Failed, "", " Failed            ", " Failed\n", "Failed"},                                  // 9
    {Tally::Failed, "", " Failed (Timeout)  ", " Failed\n", "Failed Timeout"},                          // 10
    {Tally::Failed, "", " Failed (TraceMiss)", " Failed TraceMiss\n", "Failed TraceMiss"},              // 11
};

const OutcomeRow& row(Outcome o) {
    const int c = code(o);
    return rows[c >= 0 && c < static_cast<int>(sizeof rows / sizeof rows[0]) ? c : 0];
}

} // namespace

const char* reasonText(VerdictReason reason) {
    switch (reason) {
    case VerdictReason::Fine:
        return "";
    case VerdictReason::TooFewRows:
        return "fewer than 3 rows";
    case VerdictReason::TooNarrow:
        return "narrower than 3 columns";
    case VerdictReason::NoBox:
        return "no box";
    case VerdictReason::NoGoal:
        return "no goal";
    case VerdictReason::NoPlayer:
        return "no player";
    case VerdictReason::TwoPlayers:
        return "two players";
    case VerdictReason::TooLarge:
        return "larger than 50 x 50 cells";
    case VerdictReason::TooManyBoxes:
        return "more than 64 movable boxes";
    case VerdictReason::OpenSide:
        return "an open side: the player can walk to the edge of the map";
    case VerdictReason::CountMismatch:
        return "the numbers of boxes and goals differ";
    case VerdictReason::BoxFrozenOffGoal:
        return "a box that can never be pushed stands off a goal";
    case VerdictReason::GoalOutOfReach:
        return "no box can ever be pushed onto one of the goals";
    }
    return "";
}

Tally tallyOf(Outcome o) {
    return row(o).tally;
}
const char* stateText(Outcome levelStatus) {
    return row(levelStatus).state;
}
const char* warningText(Outcome outcome) {
    return row(outcome).warning;
}
const char* resultLineText(Outcome outcome) {
    return row(outcome).resultLine;
}
const char* outcomeName(Outcome outcome) {
    return row(outcome).name;
}

} // namespace cw
