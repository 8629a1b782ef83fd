#include "tests/fuzz/fuzz_targets.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "engine/engine.h"
#include "level/level_set.h"
#include "level/parser.h"
#include "tests/test_levels.h"

namespace cwfuzz {

namespace {

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

// The level's tables as a ready verdict promises them.
void checkReady(const cw::Level& level) {
    require(level.boardWidth >= 3 && level.boardWidth <= cw::MaxWidth, "width in range");
    require(level.boardHeight >= 3 && level.boardHeight <= cw::MaxHeight, "height in range");
    require(cw::edgeCellsBlocked(level), "edge cells blocked");
    require(level.movableBoxCount <= cw::MaxBoxes, "movable boxes in range");
    require(level.baseBoard[level.startPlayer] == cw::Free, "player on a free cell");
}

// The parsed level as text again, for a replay apart from the engine.
std::string levelText(const cw::Level& level) {
    std::string text;
    for (int y = 0; y < level.boardHeight; ++y) {
        for (int x = 0; x < level.boardWidth; ++x) {
            const int code = level.levelCells[y * level.boardWidth + x];
            const char* chars = " .$*@+";
            text += (code & (cw::CellWall | cw::CellOutside)) != 0 ? '#' : chars[code & 7];
        }
        text += '\n';
    }
    return text;
}

} // namespace

void parseInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    cw::Level level;
    std::string copy = text;
    const cw::Outcome check = cw::parseLevel(level, copy.data(), cw::ParseCheck);
    require(check == cw::Outcome::NoLevel || check == cw::Outcome::Ready, "check mode gives 0 or 1");
    require(copy == text, "the parse leaves the text as it was");

    cw::LevelSet set(level, "");
    if (!set.loadPasted(text)) return;
    const int total = set.levelTotal();
    require(total >= 1 && set.levelNumber() == 1, "a loaded set starts at level 1");
    for (int n = 1;; ++n) {
        require(set.levelNumber() == n, "stepping counts one by one");
        if (level.levelStatus == cw::Outcome::Ready) checkReady(level);
        if (!set.hasNext()) break;
        set.nextLevel();
    }
    require(set.levelNumber() == total, "stepping forward reaches the counted total");
    while (set.hasPrev()) set.prevLevel();
    require(set.levelNumber() >= 1, "stepping back stays in the set");
}

void solveInput(const std::uint8_t* data, std::size_t size) {
    static auto engine = std::make_unique<cw::Engine>();
    if (!engine->storesReady()) return;
    std::string text(reinterpret_cast<const char*>(data), size);
    cw::LevelSet set(engine->levelToLoad(), "");
    if (!set.loadPasted(text) || engine->level().levelStatus != cw::Outcome::Ready) return;
    if (engine->level().movableBoxCount > 12) return; // keep each input short
    const std::string parsed = levelText(engine->level());
    engine->setTimeLimit(1);
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        engine->cancel();
    });
    const cw::Outcome outcome = engine->solveLevel();
    stopper.join();
    require(outcome != cw::Outcome::TraceMiss, "a found solution passes the engine's replay");
    if (outcome == cw::Outcome::Solved)
        require(cwtest::replayFault(parsed, engine->trace().text()).empty(),
                "a solution replays on the level text");
}

} // namespace cwfuzz
