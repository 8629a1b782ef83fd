#pragma once
// Builds the board tables of a level straight from rows of level characters, without the parser:
// # wall, $ box, . goal, * box on goal, @ player, + player on goal, space floor. Short rows are
// padded with walls, so fixtures keep every cell the player cannot reach a wall.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <stdexcept>

#include "solver/board.h"

namespace cwtest {

inline int cellCode(char ch) {
    switch (ch) {
    case '#':
        return cw::CellWall;
    case '$':
        return cw::CellBox;
    case '.':
        return cw::CellGoal;
    case '*':
        return cw::CellBox | cw::CellGoal;
    case '@':
        return cw::CellPlayer;
    case '+':
        return cw::CellPlayer | cw::CellGoal;
    default:
        return 0;
    }
}

inline std::unique_ptr<cw::Level> levelFromRows(std::initializer_list<const char*> rows) {
    auto lv = std::make_unique<cw::Level>();
    int width = 0;
    for (const char* row : rows) width = std::max(width, static_cast<int>(std::strlen(row)));
    lv->setGeometry(width, static_cast<int>(rows.size()));
    int y = 0;
    for (const char* row : rows) {
        const int length = static_cast<int>(std::strlen(row));
        for (int x = 0; x < width; ++x) {
            const int c = y * width + x;
            const int code = x < length ? cellCode(row[x]) : cw::CellWall;
            lv->levelCells[c] = code;
            lv->baseBoard[c] = code & (cw::CellWall | cw::CellBox);
            lv->goalMap[c] = code & cw::CellGoal;
            if ((code & cw::CellPlayer) != 0) {
                lv->startPlayer = c;
                lv->levelPlayer = c;
            }
        }
        ++y;
    }
    // Fixtures must keep what the parser guarantees, or the floods would step off the board.
    if (!cw::edgeCellsBlocked(*lv)) throw std::logic_error("fixture leaves an edge cell open");
    return lv;
}

// Cell index of column x in row y.
inline int at(const cw::Level& lv, int y, int x) {
    return y * lv.boardWidth + x;
}

} // namespace cwtest
