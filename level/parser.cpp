#include "level/parser.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <string>

#include "solver/flood.h"

namespace cw {

namespace {

// Cell code of a level character; -1 for a character outside levelCharset.
int charCode(char c) {
    switch (c) {
    case ' ':
    case '-':
    case '_':
        return 0;
    case '.':
        return CellGoal;
    case '$':
        return CellBox;
    case '*':
        return CellBox | CellGoal;
    case '@':
        return CellPlayer;
    case '+':
        return CellPlayer | CellGoal;
    case '#':
        return CellWall;
    default:
        return -1;
    }
}

using Grid = std::array<unsigned char, MaxCells>;

// What one pass over the level's lines found.
struct PassCounts {
    int rows = 0;
    int width = 0;
    int margin = MaxWidth; // smallest column holding a non-floor character, at most 50
    int boxes = 0;
    int goals = 0;
    int players = 0;
    int startsSolved = 1;
};

// Length of the line starting at p: up to CR, LF, vertical tab or the terminator.
int lineLength(const char* p) {
    int n = 0;
    while (p[n] != '\0' && !isLineBreak(p[n])) ++n;
    return n;
}

// Start of the line after the one ending at e. A CR LF pair is one break until a line ended by a
// vertical tab has been met.
const char* afterBreak(const char* e, bool& vtSeen) {
    if (*e == '\0') return e;
    if (*e == '\v') {
        vtSeen = true;
        return e + 1;
    }
    if (*e == '\r' && e[1] == '\n' && !vtSeen) return e + 2;
    return e + 1;
}

// Stores one map line, read from column `skip` on, into grid row `row` and counts its characters.
void readMapLine(const char* line, int len, int skip, int row, Grid& grid, PassCounts& counts) {
    if (row < MaxHeight) std::fill_n(grid.begin() + row * MaxWidth, MaxWidth, 0);
    for (int i = skip; i < len; ++i) {
        const int col = i - skip;
        const int code = charCode(line[i]);
        if (row < MaxHeight && col < MaxWidth) grid[row * MaxWidth + col] = static_cast<unsigned char>(code);
        if (code == 0) continue;
        counts.margin = std::min(counts.margin, col);
        counts.width = std::max(counts.width, col + 1);
        if (code & CellBox) ++counts.boxes;
        if (code & CellGoal) ++counts.goals;
        if (code & CellPlayer) ++counts.players;
        if (code == CellBox || code == CellGoal) counts.startsSolved = 0;
    }
}

// One pass over the level at text: skips leading non-map lines, reads the run of map lines.
PassCounts readPass(const char* text, int skip, Grid& grid) {
    PassCounts counts;
    bool vtSeen = false;
    bool inLevel = false;
    const char* p = text;
    while (*p != '\0') {
        const int len = lineLength(p);
        if (isMapLine(p, len)) {
            inLevel = true;
            readMapLine(p, len, skip, counts.rows, grid, counts);
            ++counts.rows;
        } else if (inLevel) {
            break;
        }
        p = afterBreak(p + len, vtSeen);
    }
    return counts;
}

// Neighbour of cell in direction d (0 up, 1 right, 2 down, 3 left), or -1 off the board.
int neighbour(const Level& level, int cell, int d) {
    const int w = level.boardWidth;
    const int row = cell / w;
    const int col = cell % w;
    switch (d) {
    case 0:
        return row > 0 ? cell - w : -1;
    case 1:
        return col + 1 < w ? cell + 1 : -1;
    case 2:
        return row + 1 < level.boardHeight ? cell + w : -1;
    default:
        return col > 0 ? cell - 1 : -1;
    }
}

// Flood from start over cells for which open(cell) holds; marks reached cells with 1.
// The board is not yet known to be closed here, so every step is tested against its edges.
template <typename Open> void flood(const Level& level, int start, Board& mark, Open open) {
    std::fill_n(mark.begin(), level.cellCount, 0);
    std::array<int, MaxCells> queue;
    mark[start] = 1;
    breadthFirst(
        queue.data(), start,
        [&level](int c, int d, int& n) {
            n = neighbour(level, c, d);
            return n >= 0;
        },
        [&](int n, int) {
            if (mark[n] || !open(n)) return 0;
            mark[n] = 1;
            return 1;
        });
}

// The first reason found stands; the verdict itself is decided by the caller.
void giveReason(Level& level, VerdictReason reason, int cell = -1) {
    level.verdictReason = reason;
    level.reasonCell = cell;
}

// Fixes the box on cell as a wall and clears its goal.
void fixBox(Level& level, int cell) {
    level.baseBoard[cell] = Blocked;
    level.goalMap[cell] = 0;
    --level.movableBoxCount;
}

// Boxes the player can never push: fixed when on a goal, else the level is impossible.
Outcome fixUnpushableBoxes(Level& level) {
    Board copy = level.baseBoard;
    Board reach{};
    bool tookAny = true;
    while (tookAny) {
        tookAny = false;
        flood(level, level.startPlayer, reach, [&](int c) { return copy[c] == Free; });
        for (int cell = 0; cell < level.cellCount; ++cell) {
            if (copy[cell] != BoxOn) continue;
            for (int d = 0; d < 4; ++d) {
                const int behind = neighbour(level, cell, (d + 2) % 4);
                const int ahead = neighbour(level, cell, d);
                if (behind < 0 || ahead < 0 || !reach[behind] || copy[ahead] != Free) continue;
                copy[cell] = Free;
                tookAny = true;
                break;
            }
        }
    }
    Outcome result = Outcome::Ready;
    for (int cell = 0; cell < level.cellCount; ++cell) {
        if (copy[cell] != BoxOn) continue;
        if (level.goalMap[cell]) {
            fixBox(level, cell);
        } else {
            if (result == Outcome::Ready) giveReason(level, VerdictReason::BoxFrozenOffGoal, cell);
            result = Outcome::Impossible;
        }
    }
    return result;
}

// Goals no box can ever be pushed onto: a box standing there is fixed, else the level is impossible.
Outcome fixUnreachableGoals(Level& level) {
    Board grid{};
    for (int cell = 0; cell < level.cellCount; ++cell) {
        grid[cell] = level.baseBoard[cell] == Blocked ? Blocked : level.goalMap[cell];
    }
    bool cleared = true;
    while (cleared) {
        cleared = false;
        for (int cell = 0; cell < level.cellCount; ++cell) {
            if (grid[cell] != CellGoal) continue;
            for (int d = 0; d < 4; ++d) {
                const int one = neighbour(level, cell, d);
                const int two = one < 0 ? -1 : neighbour(level, one, d);
                if (two < 0 || grid[one] != 0 || grid[two] != 0) continue;
                grid[cell] = 0;
                cleared = true;
                break;
            }
        }
    }
    Outcome result = Outcome::Ready;
    for (int cell = 0; cell < level.cellCount; ++cell) {
        if (grid[cell] != CellGoal) continue;
        if (level.baseBoard[cell] == BoxOn) {
            fixBox(level, cell);
        } else {
            if (result == Outcome::Ready && level.verdictReason == VerdictReason::Fine)
                giveReason(level, VerdictReason::GoalOutOfReach, cell);
            result = Outcome::Impossible;
        }
    }
    return result;
}

// Step 9: the board tables from the working grid.
void loadBoard(Level& level, const Grid& grid, int width, int height, int boxes) {
    level.setGeometry(width, height);
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const int cell = row * width + col;
            const int code = grid[row * MaxWidth + col];
            level.levelCells[cell] = code;
            level.baseBoard[cell] = code & (CellWall | CellBox);
            level.goalMap[cell] = code & CellGoal;
            if (code & CellPlayer) {
                level.startPlayer = cell;
                level.levelPlayer = cell;
            }
        }
    }
    level.movableBoxCount = boxes;
}

// Steps 11 and 12: an open level is irregular; cells the player never reaches become outside.
bool closeAndMarkOutside(Level& level) {
    Board reach{};
    // Walls of the level text block; boxes, even fixed ones, do not.
    flood(level, level.startPlayer, reach, [&](int c) { return (level.levelCells[c] & CellWall) == 0; });
    const int w = level.boardWidth;
    const int h = level.boardHeight;
    for (int cell = 0; cell < level.cellCount; ++cell) {
        if (!reach[cell]) continue;
        const int row = cell / w;
        const int col = cell % w;
        if (row == 0 || row == h - 1 || col == 0 || col == w - 1) {
            giveReason(level, VerdictReason::OpenSide, cell);
            return false;
        }
    }
    for (int cell = 0; cell < level.cellCount; ++cell) {
        if (reach[cell] || (level.levelCells[cell] & CellWall)) continue;
        level.levelCells[cell] = CellOutside;
        level.baseBoard[cell] = Blocked;
    }
    return true;
}

} // namespace

bool isLevelChar(char c) {
    return c != '\0' && charCode(c) >= 0;
}

bool isMapLine(const char* line, int len) {
    bool wall = false;
    for (int i = 0; i < len; ++i) {
        if (!isLevelChar(line[i])) return false;
        if (line[i] == '#') wall = true;
    }
    return wall;
}

Outcome fixFrozenBoxes(Level& level) {
    giveReason(level, VerdictReason::Fine);
    const Outcome pushable = fixUnpushableBoxes(level);
    const Outcome reachable = fixUnreachableGoals(level);
    return pushable == Outcome::Ready && reachable == Outcome::Ready ? Outcome::Ready : Outcome::Impossible;
}

Outcome parseLevel(Level& level, char* text, int mode) {
    level.goalRoomPacked = 0;
    Grid grid{};
    PassCounts counts = readPass(text, 0, grid);
    if (counts.margin > 0 && counts.rows > 0) counts = readPass(text, counts.margin, grid);

    level.boardWidth = counts.width;
    level.boardHeight = counts.rows;
    level.levelBoxCount = counts.boxes;
    level.levelStartsSolved = counts.startsSolved;
    level.levelGoalCount = counts.goals;
    giveReason(level, VerdictReason::Fine);

    const VerdictReason notALevel = counts.rows < 3       ? VerdictReason::TooFewRows
                                    : counts.width < 3    ? VerdictReason::TooNarrow
                                    : counts.boxes == 0   ? VerdictReason::NoBox
                                    : counts.goals == 0   ? VerdictReason::NoGoal
                                    : counts.players == 0 ? VerdictReason::NoPlayer
                                    : counts.players > 1  ? VerdictReason::TwoPlayers
                                                          : VerdictReason::Fine;
    if (notALevel != VerdictReason::Fine) {
        giveReason(level, notALevel);
        return Outcome::NoLevel;
    }
    if (mode == ParseCheck) return Outcome::Ready;
    if (counts.rows > MaxHeight || counts.width > MaxWidth) {
        giveReason(level, VerdictReason::TooLarge);
        return Outcome::SizeOver;
    }

    loadBoard(level, grid, counts.width, counts.rows, counts.boxes);
    const Outcome frozen = fixFrozenBoxes(level);
    const VerdictReason frozenReason = level.verdictReason;
    const int frozenCell = level.reasonCell;
    if (!closeAndMarkOutside(level)) return Outcome::Irregular;
    if (counts.goals != counts.boxes) {
        giveReason(level, VerdictReason::CountMismatch);
        return Outcome::Irregular;
    }
    if (frozen != Outcome::Ready) {
        giveReason(level, frozenReason, frozenCell);
        return Outcome::Impossible;
    }
    if (level.movableBoxCount > MaxBoxes) {
        giveReason(level, VerdictReason::TooManyBoxes);
        return Outcome::BoxesOver;
    }
    assert(edgeCellsBlocked(level));
    return Outcome::Ready;
}

BlockSurvey surveyBlocks(std::string_view text) {
    BlockSurvey survey;
    auto level = std::make_unique<Level>();
    // A vertical tab anywhere makes CR and LF each end a line, as for the level finders.
    const bool vt = text.find('\v') != std::string_view::npos;
    std::string block;
    auto endBlock = [&] {
        if (block.empty()) return;
        if (parseLevel(*level, block.data(), ParseCheck) == Outcome::Ready) {
            ++survey.levels;
        } else if (survey.dropped++ == 0) {
            survey.firstReason = level->verdictReason;
        }
        block.clear();
    };
    std::size_t p = 0;
    while (p < text.size()) {
        std::size_t e = p;
        while (e < text.size() && text[e] != '\0' && !isLineBreak(text[e])) ++e;
        const std::string_view line = text.substr(p, e - p);
        if (isMapLine(line.data(), static_cast<int>(line.size()))) {
            block.append(line);
            block += '\n';
        } else {
            endBlock();
        }
        if (e >= text.size() || text[e] == '\0') break;
        p = e + ((!vt && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ? 2 : 1);
    }
    endBlock();
    return survey;
}

} // namespace cw
