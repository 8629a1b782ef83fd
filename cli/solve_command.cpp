// `cratewise solve`: runs the solver on one level of a set and prints the outcome and the moves.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/load_set.h"
#include "cli/options.h"
#include "cli/usage.h"
#include "engine/engine.h"
#include "level/level_set.h"

namespace cwcli {

namespace {

std::string trimmed(const char* text) {
    std::string s(text);
    const auto first = s.find_first_not_of(' ');
    const auto last = s.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

void printSolution(const cw::Trace& trace) {
    std::printf("%d moves, %d pushes\n", trace.moveCount, trace.pushCount);
    const std::string_view text = trace.text();
    for (std::size_t i = 0; i < text.size(); i += 50)
        std::printf("%.*s\n", static_cast<int>(std::min<std::size_t>(50, text.size() - i)), text.data() + i);
}

struct SolveArgs {
    std::string source = "--sample";
    int levelNumber = 1;
    int seconds = 600;
    cw::SolverChoice solver = cw::SolverChoice::Both;
    bool help = false;
};

bool readArgs(const Args& args, SolveArgs& a) {
    OptionReader opts(args);
    while (opts.more()) {
        if (opts.takeHelp(a.help) || opts.take("-l", a.levelNumber, 1) || opts.take("-t", a.seconds, 1) ||
            opts.take("--solver", a.solver) || opts.takeSource(a.source))
            continue;
        std::fprintf(stderr, "cratewise solve: %s\n%s", opts.error().c_str(), solveUsage());
        return false;
    }
    return true;
}

// The outcome line and, when solved, the solution; the exit status of the run.
int report(const cw::Engine& engine, cw::Outcome outcome) {
    if (outcome == cw::Outcome::Solved) {
        std::printf("Solved\n");
        printSolution(engine.trace());
        return ExitDone;
    }
    std::printf("%s\n", trimmed(cw::warningText(outcome)).c_str());
    return outcome == cw::Outcome::Cancel ? ExitCancelled : ExitNotSolved;
}

} // namespace

int runSolve(const Args& args) {
    SolveArgs a;
    if (!readArgs(args, a)) return ExitBadInput;
    if (a.help) {
        std::fputs(solveUsage(), stdout);
        return finishStdout("cratewise solve") ? ExitDone : ExitOutputLost;
    }
    InterruptWatcher interrupt; // until the run is set up, Ctrl-C ends the program at once
    auto engine = std::make_unique<cw::Engine>();
    cw::LevelSet set(engine->levelToLoad(), "");
    std::string error;
    if (loadSet(set, a.source, error) != LoadOk) {
        std::fprintf(stderr, "cratewise solve: %s\n", error.c_str());
        return ExitBadInput;
    }
    set.goTo(a.levelNumber);
    if (set.levelNumber() != a.levelNumber) {
        // Never solve another level under the number asked for.
        std::fprintf(stderr,
                     "cratewise solve: level %d cannot be reached: the set's levels end at level %d%s%s\n",
                     a.levelNumber, set.levelNumber(), set.sourceFault().empty() ? "" : ": ",
                     set.sourceFault().c_str());
        return ExitBadInput;
    }
    int status = ExitNotSolved;
    if (engine->level().levelStatus != cw::Outcome::Ready) {
        std::printf("%s\n", cw::stateText(engine->level().levelStatus));
    } else if (!engine->storesReady()) {
        std::fprintf(stderr, "cratewise solve: Out of memory.\n");
        status = ExitCannotRun;
    } else {
        engine->setTimeLimit(a.seconds);
        engine->setSolverChoice(a.solver);
        // Held on the engine, so a Ctrl-C that comes just before the run starts still cancels it.
        interrupt.onInterrupt([&engine] { engine->holdCancel(); });
        status = report(*engine, engine->solveLevel());
        interrupt.stop();
    }
    return finishStdout("cratewise solve") ? status : ExitOutputLost;
}

} // namespace cwcli
