#pragma once
// Static analysis before a search: walls dead ends, fixes boxes that can never move, orders boxes and
// goals, fills the push and pull masks and corridor codes, and finds the rooms the goals form.
#include "solver/board.h"
#include "solver/primitives.h"

namespace cw {

// Turns every free non-goal cell other than startPlayer with at most one open neighbour into a wall,
// sweeping in cell order until nothing changes. Boxes count as open. Rewrites lv.baseBoard only.
void fillDeadEnds(Level& lv);

// What preparing a search position found; the values are the outcome codes they stand for.
enum class Prepared : int {
    Impossible = 0, // the position is proven impossible
    Ready = 1,      // the search position is built
    Solved = 8,     // every box already stands on a goal and the level did not start solved
};

// Builds the search position in pos from a working board (0 free, 2 box, 8 blocked; not aliasing
// pos.searchBoard) and the player's cell. With Solved pos.boxCount is 0. scratch receives the range
// lists of the mask construction.
Prepared prepareSearch(const Level& lv, SearchPosition& pos, const int* board, int player,
                       RangeLists& scratch);

// Finds the free regions of the solved position (boxes on every goal of pos.goalList) and keeps those
// of 5 or more cells the player could empty by pulling: rooms.goalRoomCell, largest first. May set
// lv.goalRoomPacked, never clears it.
void scanGoalRooms(Level& lv, const SearchPosition& pos, GoalRooms& rooms);
// The same scan for a position of a later stage: `packed` is set where lv.goalRoomPacked would be.
void scanGoalRooms(const Level& lv, const SearchPosition& pos, GoalRooms& rooms, int& packed);

} // namespace cw
