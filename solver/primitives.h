#pragma once
// Board routines every search is built from: floods of the player's region, step distances, one-box
// push and pull ranges, frozen-box tests and the box-to-goal assignment test. They work on working
// boards (0 free, 2 box, 8 blocked) of lv.cellCount cells owned by the caller; the list variants
// write into a RangeLists that belongs to the calling thread. Directions are always tried in the
// order up, right, down, left, so every list and queue built here has a fixed order.
#include <array>
#include <cstdint>

#include "solver/board.h"
#include "solver/region_mark.h"

namespace cw {

// Capacity of a one-box range: at most four states per cell.
constexpr int MaxRangeEntries = 10000;

// The range searches' own per-cell tables, kept by the calling thread from call to call. Floods are
// told apart by generation stamps and a call clears only the side-map cells the last one set, so it
// costs what it visits, not the board.
class RangeScratch {
  public:
    // The sides a player may stand on with the box on `cell`, as the last range search found them.
    int sidesAt(int cell) const { return sides_[cell]; }

  private:
    template <bool Push, bool RecordStart, bool Normalised> friend struct RangeSearch;
    // Starts a call: the last call's side map cleared, the flood stamps reset before they could wrap.
    void begin();
    int nextFlood() { return ++floodGen_; }
    void addSides(int cell, int s) {
        if (sides_[cell] == 0) touched_[touchedCount_++] = cell;
        sides_[cell] |= s;
    }

    RegionMark region_; // the player's region at the call's start, with the box on its cell
    std::array<int, MaxCells> floodStamp_{};
    std::array<int, MaxCells> sides_{};
    std::array<int, MaxCells> touched_{}; // the cells of sides_ set since the last begin()
    std::array<int, MaxCells> queue_{};
    int touchedCount_ = 0;
    int floodGen_ = 0;
};

// Per-thread results of the list variants and of freezeTestFlag.
struct RangeLists {
    RangeScratch scratch;
    std::array<int, MaxRangeEntries> rangeCell{};
    std::array<int, MaxRangeEntries> rangeSides{};
    std::array<int, MaxRangeEntries> rangePlayer{};
    int rangeCount = 0;
    int rangePushDirs = 0; // OR of the direction bits of the pushes pushRangeList entered
    int frozenOffGoal = 0; // set by freezeTestFlag, never cleared by it
};

// Floods the player's region from start over the free cells of board, writing 1 into mark for start
// and every entered cell. Cells already marked are skipped and mark is not cleared first, so several
// regions may be collected in one array. Returns the smallest cell index of start and the cells entered.
int reachFill(const Level& lv, const int* board, int* mark, int start);

// Clears dist, sets start to 1 and every reachable free cell to its step distance + 1; unreachable
// cells stay 0. Returns the number of cells reached, start included.
int distanceFill(const Level& lv, const int* board, int* dist, int start);

// Floods over thread two's board, writing value into label for start and every entered cell whose
// label is still 0.
void labelFill(const Level& lv, const int* twoBoard, int* label, int start, int value);

// With a box on cell: 0 if the box can still move along some axis; 1 if it is frozen and some box of
// its frozen group is off a goal; 2 if frozen with every box of the group on a goal. Writes into
// board while it runs and restores it before returning.
int freezeTest(const Level& lv, int* board, int cell);

// With a box on cell: 1 if frozen, else 0. Sets ctx.frozenOffGoal when a frozen box off a goal is met.
int freezeTestFlag(const Level& lv, int* board, int cell, RangeLists& ctx);

// One-box ranges. The box on `box` is lifted for the search and put back afterwards; afterwards
// scratch.sidesAt(c) gives per cell the sides a player may stand on with the box there. cells/players
// (at least MaxRangeEntries entries) get entry 0 = the start, then every state reached as (box cell,
// player cell right after its push or pull). They return the number of entries, 0 if the player
// reaches no side. pushRange leaves the start's sides out of the side map, so a return to the start
// is listed again.
int pushRange(const Level& lv, int* twoBoard, RangeScratch& scratch, int box, int player, int* cells,
              int* players);
int pushRangeOn(const Level& lv, int* board, RangeScratch& scratch, int box, int player, int* cells,
                int* players);
int pullRange(const Level& lv, int* board, RangeScratch& scratch, int box, int player, int* cells,
              int* players);
// pullRange without lists.
int pullRangeCount(const Level& lv, int* board, RangeScratch& scratch, int box, int player);
// Into out.rangeCell/rangeSides/rangePlayer with the normalised player cell; returns out.rangeCount,
// at least 1 (the start alone when the player reaches no side). The side map is out.scratch's.
int pullRangeList(const Level& lv, int* board, int box, int player, RangeLists& out);
// As pullRangeList for pushes; also sets out.rangePushDirs.
int pushRangeList(const Level& lv, int* board, int box, int player, RangeLists& out);

// Row r, column k of the n x n 0/1 matrix is matrix[r * 64 + k]. Returns 0 when closed groups of rows
// or columns prove that no perfect assignment exists, else 1. With prune 1 the entries a closed group
// rules out are cleared in the matrix; with prune 0 the matrix is left as it was.
int matchFeasible(int* matrix, int n, int prune);

// Row i = box i of workBoxList, column k = bit k of masks at that box's cell; matchFeasible without
// pruning. n is at most 32.
int maskMatchFeasible(const Level& lv, const std::uint32_t* masks, const int* workBoxList, int n);

// After a push that brought a box to cell with the player on `player`: non-zero when that push leads
// to a deadlock (a frozen box off a goal, or a frozen group on goals on a corridor cell after which
// the other boxes can no longer be matched to the other goals).
int pushDeadlockTest(const Level& lv, int* stageBoard, const int* stageCorridor, int cell, int player,
                     RangeLists& ctx);

} // namespace cw
