// cratewise list: one line per level of a set with its size, box count and state.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/load_set.h"
#include "level/settings_folder.h"
#include "solver/board.h"

namespace cwcli {

namespace {

const char* stateText(int status) {
    switch (status) {
    case cw::ResReady:
        return "Ready";
    case cw::ResSizeOver:
        return "Size Over";
    case cw::ResBoxesOver:
        return "Boxes Over";
    case cw::ResIrregular:
        return "Irregular";
    case cw::ResImpossible:
        return "Impossible";
    default:
        return "";
    }
}

void printLevel(const cw::LevelSet& set, const cw::Level& level) {
    std::printf("%4d [%2d*%2d(%3d)] %s\n", set.levelNumber(), level.boardWidth, level.boardHeight,
                level.levelBoxCount, stateText(level.levelStatus));
}

} // namespace

int runList(const Args& args) {
    if (args.size() > 1) {
        std::fputs("usage: cratewise list [PATH | - | --sample]\n", stderr);
        return 2;
    }
    cw::Level level;
    cw::LevelSet set(level, cw::pasteFilePath());
    std::string error;
    const int loaded = loadSet(set, args.empty() ? std::string() : args[0], error);
    if (loaded != LoadOk) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return loaded;
    }
    printLevel(set, level);
    while (set.hasNext()) {
        set.nextLevel();
        printLevel(set, level);
    }
    // Long pasted text lives in a scratch file only while the program runs.
    if (set.levelSource() == cw::SourcePaste) std::remove(set.pasteFile().c_str());
    return 0;
}

} // namespace cwcli
