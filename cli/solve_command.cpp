// `cratewise solve`: runs the solver on one level of a set and prints the outcome and the moves.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/load_set.h"
#include "cli/options.h"
#include "level/level_set.h"
#include "level/settings_folder.h"
#include "solver/engine.h"

namespace cwcli {

namespace {

std::atomic<cw::RunControl*> interruptTarget{nullptr};

// Ctrl-C becomes the user's cancel, so the run ends cleanly instead of dying mid-write.
extern "C" void onInterrupt(int) {
    if (cw::RunControl* c = interruptTarget.load()) c->stopRequest.store(1, std::memory_order_relaxed);
}

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

} // namespace

int runSolve(const Args& args) {
    std::string source = "--sample";
    int levelNumber = 1;
    int seconds = 600;
    cw::SolverChoice solver = cw::SolverChoice::Both;
    OptionReader opts(args);
    while (opts.more()) {
        if (opts.take("-l", levelNumber, 1) || opts.take("-t", seconds, 1) || opts.take("--solver", solver) ||
            opts.takeSource(source))
            continue;
        std::fprintf(stderr, "cratewise solve: %s\n", opts.error().c_str());
        return 2;
    }
    auto engine = std::make_unique<cw::Engine>();
    cw::LevelSet set(engine->level, cw::pasteFilePath());
    std::string error;
    const int loaded = loadSet(set, source, error);
    if (loaded != 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (levelNumber > set.levelTotal()) {
        std::fprintf(stderr, "cratewise solve: level %d is beyond the last level (%d)\n", levelNumber,
                     set.levelTotal());
        return 2;
    }
    set.goTo(levelNumber);
    if (engine->level.levelStatus != cw::ResReady) {
        std::printf("%s\n", cw::stateText(engine->level.levelStatus));
        return 1;
    }
    if (!engine->stores.storesReady()) {
        std::fprintf(stderr, "cratewise solve: Out of memory.\n");
        return 1;
    }
    engine->control.timeLimitSec = seconds;
    engine->solverChoice = solver;
    interruptTarget.store(&engine->control);
    std::signal(SIGINT, onInterrupt);
    const int outcome = engine->solveLevel();
    std::signal(SIGINT, SIG_DFL);
    interruptTarget.store(nullptr);
    if (outcome == cw::ResSolved) {
        std::printf("Solved\n");
        printSolution(engine->trace);
        return 0;
    }
    std::printf("%s\n", trimmed(cw::warningText(outcome)).c_str());
    return 1;
}

} // namespace cwcli
