#pragma once
// Outcomes: the parser's verdicts, the searches' and threads' results and the final result of a
// run share one set of codes. The values are the codes of the result file's statistics and of the
// `--stats` CSV, so they never change.
namespace cw {

enum class Outcome : int {
    NoLevel = 0,    // the text at the selected place is no level
    Ready = 1,      // parser: ready to solve; thread results: still running
    Searching = 2,  // searches: no result yet, go on
    Cancel = 3,     // cancelled by the user
    SizeOver = 4,   // more than 50 rows or columns
    BoxesOver = 5,  // more than 64 movable boxes; thread two's refusal of more than 26
    Irregular = 6,  // an open level, or boxes and goals do not match
    Impossible = 7, // proven unsolvable
    Solved = 8,
    Failed = 9,     // searched without a solution (or a table was full)
    Timeout = 10,   // stopped by the time limit (or, inside a search, by any stop)
    TraceMiss = 11, // the move string did not pass the replay check
};

// Why the parser gave its verdict, for the front ends to say in plain words. It never changes a
// verdict; Fine for a level that is ready.
enum class VerdictReason : int {
    Fine = 0,
    TooFewRows,       // not a level: fewer than 3 map lines
    TooNarrow,        // not a level: narrower than 3 columns
    NoBox,            // not a level
    NoGoal,           // not a level
    NoPlayer,         // not a level
    TwoPlayers,       // not a level: more than one player
    TooLarge,         // size over
    TooManyBoxes,     // boxes over
    OpenSide,         // irregular: the player reaches the board's edge
    CountMismatch,    // irregular: boxes and goals differ in number
    BoxFrozenOffGoal, // impossible: a box that can never be pushed stands off a goal
    GoalOutOfReach,   // impossible: no box can ever be pushed onto a goal
};

// The reason in plain words, e.g. "no goal" or "a box that can never move stands off a goal".
const char* reasonText(VerdictReason reason);

constexpr int code(Outcome o) {
    return static_cast<int>(o);
}

// What batch statistics count an outcome as.
enum class Tally { None, Solved, Failed, Skipped };
Tally tallyOf(Outcome o);

// The verdict shown beside a level: "Size Over", "Boxes Over", "Irregular", "Impossible", else "".
const char* stateText(Outcome levelStatus);
// The window's warning for a run that did not solve (" Canceled          " ..., padded as shown).
const char* warningText(Outcome outcome);
// The end of a result-file line for an outcome other than Solved (" Skiped Strange\n" ...).
const char* resultLineText(Outcome outcome);
// Short name for machine-readable output ("Solved", "Failed Timeout", ...).
const char* outcomeName(Outcome outcome);

} // namespace cw
