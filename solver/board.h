#pragma once
// The board model every search works on: a flat row-major array of cells without a border,
// directions always in the order up, right, down, left.
#include <array>
#include <cstdint>

#include "solver/outcome.h"

namespace cw {

constexpr int MaxWidth = 50;
constexpr int MaxHeight = 50;
constexpr int MaxCells = MaxWidth * MaxHeight;
constexpr int MaxBoxes = 64;

// Level cell flags.
constexpr int CellGoal = 1;
constexpr int CellBox = 2;
constexpr int CellPlayer = 4;
constexpr int CellWall = 8;
constexpr int CellOutside = 16;

// Working boards hold only these three values.
constexpr int Free = 0;
constexpr int BoxOn = 2;
constexpr int Blocked = 8;

using Board = std::array<int, MaxCells>;

// Tables of the loaded level, written by the parser when a level is selected.
struct Level {
    int boardWidth = 0;
    int boardHeight = 0;
    int cellCount = 0;
    std::array<int, 4> dirOffset{};    // up, right, down, left
    std::array<int, 9> dirBitOffset{}; // indexed by direction bit 1, 2, 4, 8
    std::array<int, 8> ringOffset{};   // eight neighbours clockwise from north

    Board levelCells{}; // cell flags, 16 for outside cells
    Board baseBoard{};  // 8 wall or outside, 2 box, 0 free
    Board goalMap{};    // 1 at a goal
    int startPlayer = 0;
    int levelPlayer = 0;
    int levelBoxCount = 0;
    int movableBoxCount = 0;
    int levelStartsSolved = 0;
    Outcome levelStatus = Outcome::NoLevel;
    // Why the last parse gave its verdict, with the cell it concerns (-1 for none) and the counts it
    // read; written by every parse, in either mode.
    VerdictReason verdictReason = VerdictReason::Fine;
    int reasonCell = -1;
    int levelGoalCount = 0;

    // Cleared by every parse, only ever set by the goal-room scan.
    int goalRoomPacked = 0;

    // Sets the width-dependent direction tables.
    void setGeometry(int width, int height);
};

// Whether every cell of the first and last row and column is blocked (8) on baseBoard. The floods
// and range searches step by raw cell offsets without an edge test, which is safe only because of
// this: the parser turns an open level into "Irregular" and every cell the player cannot reach into
// an outside wall, so no reachable cell lies on the edge. Debug builds check it wherever a board is
// handed to the searches.
bool edgeCellsBlocked(const Level& level);

// The search position, rebuilt by the analysis for every start position.
// Corridor codes of a cell: a gate or a corridor cell a box may rest on, and a corridor cell a box
// only passes through (it is never left standing there).
constexpr int CorridorRest = 1;
constexpr int CorridorPassThrough = 2;

struct SearchPosition {
    Board searchBoard{};
    std::array<int, MaxBoxes> boxList{};
    std::array<int, MaxBoxes> goalList{};
    int boxCount = 0;
    int searchPlayer = 0;
    std::array<std::uint64_t, MaxCells> pushMask{}; // goal i of goalList is bit boxCount-1-i
    std::array<std::uint64_t, MaxCells> pullMask{}; // box i of boxList is bit boxCount-1-i
    Board corridorCode{};                           // 0 ordinary, CorridorRest, or CorridorPassThrough
};

// Copies taken by the driver for thread two, so thread one may rebuild the search position.
struct ThreadTwoCopies {
    Board threadTwoBoard{};
    std::array<std::uint32_t, MaxCells> pushMask32{};
    std::array<std::uint32_t, MaxCells> pullMask32{};
    int threadTwoBoxCount = 0;
    // The prepared player cell: the analysis may have walled the start cell in and moved the player
    // out of a dead end, so thread two floods its start area from here, never from startPlayer.
    int threadTwoPlayer = 0;
    std::array<int, MaxBoxes> threadTwoGoalList{};
    std::array<int, MaxBoxes> workBoxList{};
    std::array<int, MaxBoxes> startBoxList{};
};

// A region counts as a goal room candidate from 5 cells on, so a 50 x 50 board holds at most 500.
constexpr int MaxGoalRooms = MaxCells / 5;

struct GoalRooms {
    int goalRoomCount = 0;
    std::array<int, MaxGoalRooms> goalRoomCell{}; // largest room first
};

} // namespace cw
