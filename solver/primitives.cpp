#include "solver/primitives.h"

#include "solver/flood.h"

namespace cw {

namespace {

using CellArray = std::array<int, MaxCells>;

// A flood over the free cells of a working board, stepping by raw offsets: every board handed to
// the searches keeps its edge cells blocked, so no step leaves it.
template <typename Enter>
inline int flood(const int* board, const int* off, int* queue, int start, Enter&& enter) {
    return breadthFirst(
        queue, start,
        [board, off](int c, int d, int& n) {
            n = c + off[d];
            return board[n] == 0;
        },
        enter);
}

// Floods the cells that do not carry `gen` in stamp yet. Stamps make a fresh region per state without
// clearing the mark array. Returns the smallest cell entered.
inline int floodStamp(const int* board, int* stamp, int gen, int start, const int* off, int* queue) {
    stamp[start] = gen;
    int lowest = start;
    flood(board, off, queue, start, [&](int n, int) {
        if (stamp[n] == gen) return 0;
        stamp[n] = gen;
        if (n < lowest) lowest = n;
        return 1;
    });
    return lowest;
}

// As floodStamp, but stops as soon as every free neighbour of the box cell `box` is in the region:
// the sides are all a range search without normalised players needs. `start` is itself a neighbour.
inline void floodSides(const int* board, int* stamp, int gen, int start, int box, const int* off,
                       int* queue) {
    int needed = 0;
    for (int d = 0; d < 4; ++d) needed += board[box + off[d]] == 0 ? 1 : 0;
    int found = 1;
    stamp[start] = gen;
    if (found >= needed) return;
    const int width = off[2];
    flood(board, off, queue, start, [&](int n, int) {
        if (stamp[n] == gen) return 0;
        stamp[n] = gen;
        const int delta = n - box;
        const bool side = delta == 1 || delta == -1 || delta == width || delta == -width;
        return side && ++found >= needed ? 2 : 1;
    });
}

inline int sidesInRegion(const Level& lv, const int* stamp, int gen, int box) {
    int s = 0;
    if (stamp[box + lv.dirBitOffset[1]] == gen) s |= 1;
    if (stamp[box + lv.dirBitOffset[2]] == gen) s |= 2;
    if (stamp[box + lv.dirBitOffset[4]] == gen) s |= 4;
    if (stamp[box + lv.dirBitOffset[8]] == gen) s |= 8;
    return s;
}

} // namespace

void RangeScratch::begin() {
    for (int i = 0; i < touchedCount_; ++i) sides_[touched_[i]] = 0;
    touchedCount_ = 0;
    // A call uses at most one flood generation per entry, MaxRangeEntries in all.
    if (floodGen_ > (1 << 30)) {
        floodStamp_.fill(0);
        floodGen_ = 0;
    }
}

// The one breadth-first search behind all six range routines, over states (box cell, side set).
// cells and sideSets are the state queue; players (may be null) receives the player cell per entry.
template <bool Push, bool RecordStart, bool Normalised> struct RangeSearch {
    static int run(const Level& lv, int* board, RangeScratch& scratch, int box, int player, int* cells,
                   int* sideSets, int* players, int* pushDirs) {
        const int* off = lv.dirOffset.data();
        int* stamp = scratch.floodStamp_.data();
        int* queue = scratch.queue_.data();
        scratch.begin();
        if (pushDirs != nullptr) *pushDirs = 0;

        RegionMark& region = scratch.region_;
        const int startPlayer = region.fill(lv, board, player);
        int s0 = 0;
        for (int b = 1; b <= 8; b <<= 1)
            if (region[box + lv.dirBitOffset[b]] != 0) s0 |= b;
        if (s0 == 0) {
            if constexpr (!Normalised) {
                return 0;
            } else {
                cells[0] = box;
                sideSets[0] = 0;
                players[0] = startPlayer;
                return 1;
            }
        }

        board[box] = 0;
        cells[0] = box;
        sideSets[0] = s0;
        if (players != nullptr) players[0] = Normalised ? startPlayer : player;
        if constexpr (RecordStart) scratch.addSides(box, s0);
        int entries = 1;

        for (int h = 0; h < entries; ++h) {
            const int c = cells[h];
            const int s = sideSets[h];
            for (int b = 1; b <= 8; b <<= 1) {
                if ((s & b) == 0) continue;
                const int step = lv.dirBitOffset[b];
                int t;
                int standOn;
                if constexpr (Push) {
                    t = c - step;
                    if (board[t] != 0) continue;
                    standOn = c;
                } else {
                    t = c + step;
                    standOn = c + 2 * step;
                    if (board[standOn] != 0) continue;
                }
                if ((scratch.sidesAt(t) & b) != 0 || entries >= MaxRangeEntries) continue;
                board[t] = 2; // the box stands on t for this state
                int reached = 0;
                // The start's region shifted by the box's two cells, where nothing else changes;
                // else a flood.
                int lowest = region.shift(lv, board, box, t, startPlayer);
                if (lowest >= 0) {
                    for (int e = 1; e <= 8; e <<= 1)
                        if (region[t + lv.dirBitOffset[e]] != 0) reached |= e;
                    region.unshift(box, t);
                    if constexpr (!Normalised) lowest = standOn;
                } else {
                    const int gen = scratch.nextFlood();
                    stamp[t] = gen;
                    lowest = standOn;
                    if constexpr (Normalised) {
                        lowest = floodStamp(board, stamp, gen, standOn, off, queue);
                    } else {
                        floodSides(board, stamp, gen, standOn, t, off, queue);
                    }
                    reached = sidesInRegion(lv, stamp, gen, t);
                }
                board[t] = 0;
                scratch.addSides(t, reached);
                cells[entries] = t;
                sideSets[entries] = reached;
                if (players != nullptr) players[entries] = lowest;
                ++entries;
                if constexpr (Push) {
                    if (pushDirs != nullptr) *pushDirs |= b;
                }
            }
        }
        board[box] = 2;
        return entries;
    }
};

namespace {

inline int freezeAxis(const Level& lv, int axis) {
    return axis == 0 ? lv.dirOffset[2] : lv.dirOffset[1];
}

} // namespace

int reachFill(const Level& lv, const int* board, int* mark, int start) {
    CellArray queue;
    mark[start] = 1;
    int lowest = start;
    flood(board, lv.dirOffset.data(), queue.data(), start, [&](int n, int) {
        if (mark[n] != 0) return 0;
        mark[n] = 1;
        if (n < lowest) lowest = n;
        return 1;
    });
    return lowest;
}

int distanceFill(const Level& lv, const int* board, int* dist, int start) {
    for (int i = 0; i < lv.cellCount; ++i) dist[i] = 0;
    CellArray queue;
    dist[start] = 1;
    return flood(board, lv.dirOffset.data(), queue.data(), start, [&](int n, int from) {
        if (dist[n] != 0) return 0;
        dist[n] = dist[from] + 1;
        return 1;
    });
}

void labelFill(const Level& lv, const int* twoBoard, int* label, int start, int value) {
    CellArray queue;
    label[start] = value;
    flood(twoBoard, lv.dirOffset.data(), queue.data(), start, [&](int n, int) {
        if (label[n] != 0) return 0;
        label[n] = value;
        return 1;
    });
}

int freezeTest(const Level& lv, int* board, int cell) {
    for (int axis = 0; axis < 2; ++axis) {
        const int step = freezeAxis(lv, axis);
        if (board[cell - step] == 0 && board[cell + step] == 0) return 0;
    }
    int result = lv.goalMap[cell] != 0 ? 2 : 1;
    board[cell] = 8; // recursive calls see this box as a wall
    for (int axis = 0; axis < 2; ++axis) {
        const int step = freezeAxis(lv, axis);
        const int p = cell - step;
        const int q = cell + step;
        if (board[p] == 8 || board[q] == 8) continue;
        int d = 0;
        if (board[p] == 2) {
            d = freezeTest(lv, board, p);
            if (d == 1) result = 1;
        }
        int e = 0;
        if (board[q] == 2) {
            e = freezeTest(lv, board, q);
            if (e == 1) result = 1;
        }
        if (d == 0 && e == 0) {
            board[cell] = 2;
            return 0;
        }
    }
    board[cell] = 2;
    return result;
}

int freezeTestFlag(const Level& lv, int* board, int cell, RangeLists& ctx) {
    for (int axis = 0; axis < 2; ++axis) {
        const int step = freezeAxis(lv, axis);
        const int p = cell - step;
        const int q = cell + step;
        if (board[p] == 8 || board[q] == 8) continue;
        if (board[p] == 0 && board[q] == 0) return 0;
        board[cell] = 8;
        const bool blocked = (board[p] == 2 && freezeTestFlag(lv, board, p, ctx) == 1) ||
                             (board[q] == 2 && freezeTestFlag(lv, board, q, ctx) == 1);
        board[cell] = 2;
        if (!blocked) return 0;
    }
    if (lv.goalMap[cell] == 0) ctx.frozenOffGoal = 1;
    return 1;
}

int pushRange(const Level& lv, int* twoBoard, RangeScratch& scratch, int box, int player, int* cells,
              int* players) {
    std::array<int, MaxRangeEntries> sideSets;
    return RangeSearch<true, false, false>::run(lv, twoBoard, scratch, box, player, cells, sideSets.data(),
                                                players, nullptr);
}

int pushRangeOn(const Level& lv, int* board, RangeScratch& scratch, int box, int player, int* cells,
                int* players) {
    std::array<int, MaxRangeEntries> sideSets;
    return RangeSearch<true, true, false>::run(lv, board, scratch, box, player, cells, sideSets.data(),
                                               players, nullptr);
}

int pullRange(const Level& lv, int* board, RangeScratch& scratch, int box, int player, int* cells,
              int* players) {
    std::array<int, MaxRangeEntries> sideSets;
    return RangeSearch<false, true, false>::run(lv, board, scratch, box, player, cells, sideSets.data(),
                                                players, nullptr);
}

int pullRangeCount(const Level& lv, int* board, RangeScratch& scratch, int box, int player) {
    std::array<int, MaxRangeEntries> cells;
    std::array<int, MaxRangeEntries> sideSets;
    return RangeSearch<false, true, false>::run(lv, board, scratch, box, player, cells.data(),
                                                sideSets.data(), nullptr, nullptr);
}

int pullRangeList(const Level& lv, int* board, int box, int player, RangeLists& out) {
    out.rangeCount =
        RangeSearch<false, true, true>::run(lv, board, out.scratch, box, player, out.rangeCell.data(),
                                            out.rangeSides.data(), out.rangePlayer.data(), nullptr);
    return out.rangeCount;
}

int pushRangeList(const Level& lv, int* board, int box, int player, RangeLists& out) {
    out.rangeCount =
        RangeSearch<true, true, true>::run(lv, board, out.scratch, box, player, out.rangeCell.data(),
                                           out.rangeSides.data(), out.rangePlayer.data(), &out.rangePushDirs);
    return out.rangeCount;
}

int matchFeasible(int* matrix, int n, int prune) {
    std::array<bool, MaxBoxes> rowGone{};
    std::array<bool, MaxBoxes> colGone{};
    std::array<bool, MaxBoxes> marked{};
    int remaining = n;
    int half = remaining / 2;

    // One pass over the lines (rows, or columns when `byRows` is false) against the crosses: l lines
    // sharing the same l crosses close a group; more lines than crosses cannot match. Returns -1 when
    // no assignment exists, else whether a group was removed.
    auto pass = [&](bool byRows) -> int {
        std::array<bool, MaxBoxes>& lineGone = byRows ? rowGone : colGone;
        std::array<bool, MaxBoxes>& crossGone = byRows ? colGone : rowGone;
        auto at = [matrix, byRows](int line, int cross) -> int& {
            return byRows ? matrix[line * MaxBoxes + cross] : matrix[cross * MaxBoxes + line];
        };
        bool removed = false;
        for (int i = 0; i < n; ++i) {
            if (lineGone[i]) continue;
            int l = 0;
            for (int j = 0; j < n; ++j) l += (!crossGone[j] && at(i, j) != 0) ? 1 : 0;
            if (l == 0) return -1;
            if (l > half) continue;
            marked.fill(false);
            marked[i] = true;
            int m = 1;
            for (int i2 = i + 1; i2 < n; ++i2) {
                if (lineGone[i2]) continue;
                bool same = true;
                for (int j = 0; j < n && same; ++j) same = crossGone[j] || at(i2, j) == at(i, j);
                if (same) {
                    marked[i2] = true;
                    ++m;
                }
            }
            if (l < m) return -1;
            if (l > m) continue;
            for (int j = 0; j < n; ++j) {
                if (crossGone[j] || at(i, j) == 0) continue;
                if (prune != 0) {
                    for (int x = 0; x < n; ++x)
                        if (!marked[x]) at(x, j) = 0;
                }
                crossGone[j] = true;
            }
            for (int x = 0; x < n; ++x)
                if (marked[x]) lineGone[x] = true;
            remaining -= l;
            half = remaining / 2;
            removed = true;
        }
        return removed ? 1 : 0;
    };

    for (;;) {
        const int rows = pass(true);
        if (rows < 0) return 0;
        const int cols = pass(false);
        if (cols < 0) return 0;
        if (rows == 0 && cols == 0) return 1;
    }
}

int maskMatchFeasible(const Level& lv, const std::uint32_t* masks, const int* workBoxList, int n) {
    (void)lv;
    std::array<int, MaxBoxes * MaxBoxes> matrix;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t mask = masks[workBoxList[i]];
        for (int k = 0; k < n; ++k) matrix[i * MaxBoxes + k] = static_cast<int>((mask >> k) & 1u);
    }
    return matchFeasible(matrix.data(), n, 0);
}

int pushDeadlockTest(const Level& lv, int* stageBoard, const int* stageCorridor, int cell, int player,
                     RangeLists& ctx) {
    const int frozen = freezeTest(lv, stageBoard, cell);
    if (frozen == 0) return 0;
    if (frozen == 1) return 1;
    // A group frozen on goals only hurts where it closes a corridor for the other boxes.
    if (stageCorridor[cell] == 0) return 0;

    CellArray board;
    std::array<int, MaxBoxes> boxes;
    std::array<int, MaxBoxes> goals;
    int boxCount = 0;
    int goalCount = 0;
    for (int c = 0; c < lv.cellCount; ++c) {
        const bool blocked = stageBoard[c] == 8 || c == cell;
        board[c] = blocked ? 8 : 0;
        if (blocked) continue;
        if (stageBoard[c] == 2 && boxCount < MaxBoxes) boxes[boxCount++] = c;
        if (lv.goalMap[c] != 0 && goalCount < MaxBoxes) goals[goalCount++] = c;
    }
    std::array<int, MaxBoxes * MaxBoxes> matrix;
    for (int j = 0; j < boxCount; ++j) {
        const int box = boxes[j];
        board[box] = 2;
        pushRangeList(lv, board.data(), box, player, ctx);
        board[box] = 0;
        // A box standing on a goal reaches it.
        auto reaches = [&](int goal) { return goal == box || ctx.scratch.sidesAt(goal) != 0; };
        for (int i = 0; i < boxCount; ++i)
            matrix[i * MaxBoxes + j] = (i < goalCount && reaches(goals[i])) ? 1 : 0;
    }
    return matchFeasible(matrix.data(), boxCount, 0) == 0 ? 1 : 0;
}

} // namespace cw
