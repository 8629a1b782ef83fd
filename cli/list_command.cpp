// cratewise list: one line per level of a set with its size, box count and state.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/load_set.h"
#include "cli/options.h"
#include "cli/usage.h"
#include "solver/board.h"

namespace cwcli {

namespace {

// The verdict beside a level; a level ready to solve says so, where the window shows nothing.
const char* listedState(cw::Outcome status) {
    return status == cw::Outcome::Ready ? "Ready" : cw::stateText(status);
}

void printLevel(const cw::LevelSet& set, const cw::Level& level) {
    std::printf("%4d [%2d*%2d(%3d)] %s\n", set.levelNumber(), level.boardWidth, level.boardHeight,
                level.levelBoxCount, listedState(level.levelStatus));
}

} // namespace

int runList(const Args& args) {
    std::string source = "--sample";
    bool help = false;
    OptionReader opts(args);
    while (opts.more()) {
        if (opts.takeHelp(help) || opts.takeSource(source)) continue;
        std::fprintf(stderr, "cratewise list: %s\n%s", opts.error().c_str(), listUsage());
        return ExitBadInput;
    }
    if (help) {
        std::fputs(listUsage(), stdout);
        return finishStdout("cratewise list") ? ExitDone : ExitOutputLost;
    }
    InterruptWatcher interrupt; // Ctrl-C ends the listing at once
    cw::Level level;
    cw::LevelSet set(level, "");
    std::string error;
    const int loaded = loadSet(set, source, error);
    if (loaded != LoadOk) {
        std::fprintf(stderr, "cratewise list: %s\n", error.c_str());
        return ExitBadInput;
    }
    printLevel(set, level);
    while (set.hasNext()) {
        set.nextLevel();
        printLevel(set, level);
    }
    int status = ExitDone;
    if (!set.sourceFault().empty()) {
        std::fprintf(stderr, "cratewise list: %s\n", set.sourceFault().c_str());
        status = ExitBadInput;
    }
    return finishStdout("cratewise list") ? status : ExitOutputLost;
}

} // namespace cwcli
