#pragma once
// Small helpers for tests: level texts written row by row.
#include <initializer_list>
#include <string>

#include "solver/board.h"

namespace cwtest {

// Joins rows with LF, each row ended by LF.
std::string rows(std::initializer_list<const char*> lines);

// Parses the text in full into the level and returns the verdict.
int load(cw::Level& level, std::string text);

// Cell index of (row, column) on the loaded level.
inline int cell(const cw::Level& level, int row, int column) {
    return row * level.boardWidth + column;
}

} // namespace cwtest
