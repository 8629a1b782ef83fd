#include "solver/analysis.h"

namespace cw {

namespace {

using CellArray = std::array<int, MaxCells>;
using MatchMatrix = std::array<int, MaxBoxes * MaxBoxes>;

void clearCells(int* cells, int count) {
    for (int i = 0; i < count; ++i) cells[i] = 0;
}

// Ascending by key at each listed cell; adjacent swaps only, so equal keys keep their order.
void bubbleSort(int* list, int n, const int* key) {
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 0; i + 1 < n; ++i) {
            if (key[list[i]] > key[list[i + 1]]) {
                const int t = list[i];
                list[i] = list[i + 1];
                list[i + 1] = t;
                swapped = true;
            }
        }
    }
}

// Lists boxes and goals of the non-blocked cells in cell order. Returns false when either exceeds
// the box limit; `paired` tells whether every box stands on a goal and every goal holds a box.
bool listBoxesAndGoals(const Level& lv, SearchPosition& pos, int& goalCount, bool& paired) {
    const int* sb = pos.searchBoard.data();
    int boxes = 0;
    int goals = 0;
    paired = true;
    for (int c = 0; c < lv.cellCount; ++c) {
        if (sb[c] == 8) continue;
        if (sb[c] == 2) {
            if (boxes >= MaxBoxes) return false;
            pos.boxList[boxes++] = c;
        }
        if (lv.goalMap[c] != 0) {
            if (goals >= MaxBoxes) return false;
            pos.goalList[goals++] = c;
        }
        if (boxes != goals) paired = false;
    }
    pos.boxCount = boxes;
    goalCount = goals;
    return true;
}

// Takes off every box the player can push away, flooding afresh before each sweep.
void liftPushableBoxes(const Level& lv, SearchPosition& pos, int player, int* mark) {
    int* sb = pos.searchBoard.data();
    const int* off = lv.dirOffset.data();
    bool tookOff = true;
    while (tookOff) {
        tookOff = false;
        clearCells(mark, lv.cellCount);
        reachFill(lv, sb, mark, player);
        for (int i = 0; i < pos.boxCount; ++i) {
            const int box = pos.boxList[i];
            if (sb[box] != 2) continue;
            for (int d = 0; d < 4; ++d) {
                if (mark[box - off[d]] != 0 && sb[box + off[d]] == 0) {
                    sb[box] = 0;
                    tookOff = true;
                    break;
                }
            }
        }
    }
}

// Takes off every goal box that could be pulled away, ignoring where the player can walk.
void liftPullableGoalBoxes(const Level& lv, SearchPosition& pos, int goalCount) {
    int* sb = pos.searchBoard.data();
    const int* off = lv.dirOffset.data();
    bool tookOff = true;
    while (tookOff) {
        tookOff = false;
        for (int i = 0; i < goalCount; ++i) {
            const int goal = pos.goalList[i];
            if (sb[goal] != 2) continue;
            for (int d = 0; d < 4; ++d) {
                if (sb[goal - off[d]] == 0 && sb[goal - 2 * off[d]] == 0) {
                    sb[goal] = 0;
                    tookOff = true;
                    break;
                }
            }
        }
    }
}

// Walls dead-end cells; the player steps out of one onto a free cell, but not onto a box.
int fillSearchDeadEnds(const Level& lv, int* sb, int player) {
    const int* off = lv.dirOffset.data();
    bool changed = true;
    while (changed) {
        changed = false;
        for (int c = 0; c < lv.cellCount; ++c) {
            if (sb[c] != 0 || lv.goalMap[c] != 0) continue;
            int open = 0;
            int lastOpen = 0;
            for (int d = 0; d < 4; ++d) {
                if (sb[c + off[d]] != 8) {
                    ++open;
                    lastOpen = c + off[d];
                }
            }
            if (open != 1) continue;
            if (c == player) {
                if (sb[lastOpen] != 0) continue;
                player = lastOpen;
            }
            sb[c] = 8;
            changed = true;
        }
    }
    return player;
}

// Boxes first whose cells are near the goals, weighting goals with walls around them more.
void orderBoxes(const Level& lv, SearchPosition& pos, int* sum, int* dist) {
    const int* sb = pos.searchBoard.data();
    const int count = lv.cellCount;
    clearCells(sum, count);
    for (int i = 0; i < pos.boxCount; ++i) {
        const int goal = pos.goalList[i];
        int weight = 1;
        for (int d = 0; d < 4; ++d) weight += sb[goal + lv.dirOffset[d]] == 8 ? 1 : 0;
        distanceFill(lv, sb, dist, goal);
        for (int c = 0; c < count; ++c) sum[c] += weight * dist[c];
    }
    bubbleSort(pos.boxList.data(), pos.boxCount, sum);
}

void orderGoals(const Level& lv, SearchPosition& pos, int* sum, int* dist) {
    const int count = lv.cellCount;
    clearCells(sum, count);
    for (int i = 0; i < pos.boxCount; ++i) {
        distanceFill(lv, pos.searchBoard.data(), dist, pos.boxList[i]);
        for (int c = 0; c < count; ++c) sum[c] += dist[c];
    }
    bubbleSort(pos.goalList.data(), pos.boxCount, sum);
}

// Per cell, the goals a lone box there can be pushed to: pull each goal's box everywhere it goes.
void buildPushMask(const Level& lv, SearchPosition& pos, RangeLists& scratch, int* mark) {
    int* sb = pos.searchBoard.data();
    const int count = lv.cellCount;
    CellArray sideAll;
    for (int c = 0; c < count; ++c) pos.pushMask[c] = 0;
    for (int i = 0; i < pos.boxCount; ++i) {
        const int goal = pos.goalList[i];
        sb[goal] = 2;
        clearCells(mark, count);
        clearCells(sideAll.data(), count);
        for (int d = 0; d < 4; ++d) {
            const int stand = goal + lv.dirOffset[d];
            if (sb[stand] != 0 || mark[stand] != 0) continue;
            reachFill(lv, sb, mark, stand);
            const int entries = pullRangeList(lv, sb, goal, stand, scratch);
            // The side map is non-zero only on the range's cells.
            for (int e = 0; e < entries; ++e) {
                const int c = scratch.rangeCell[e];
                sideAll[c] |= scratch.scratch.sidesAt(c);
            }
        }
        sb[goal] = 0;
        for (int c = 0; c < count; ++c)
            pos.pushMask[c] = (pos.pushMask[c] << 1) | (sideAll[c] != 0 ? 1u : 0u);
    }
}

// Per cell, the boxes that can be pushed there from their start cells.
void buildPullMask(const Level& lv, SearchPosition& pos, RangeLists& scratch) {
    int* sb = pos.searchBoard.data();
    const int count = lv.cellCount;
    for (int c = 0; c < count; ++c) pos.pullMask[c] = 0;
    for (int i = 0; i < pos.boxCount; ++i) {
        const int box = pos.boxList[i];
        sb[box] = 2;
        pushRangeList(lv, sb, box, pos.searchPlayer, scratch);
        sb[box] = 0;
        const RangeScratch& range = scratch.scratch;
        for (int c = 0; c < count; ++c)
            pos.pullMask[c] = (pos.pullMask[c] << 1) | (range.sidesAt(c) != 0 ? 1u : 0u);
    }
}

// Rows are goals; columns are boxes for the push masks (at the boxes' cells) and for the pull masks
// (at the goals' cells).
int assignmentsFeasible(SearchPosition& pos) {
    const int n = pos.boxCount;
    MatchMatrix matrix;
    for (int r = 0; r < n; ++r) {
        const int shift = n - 1 - r;
        for (int j = 0; j < n; ++j)
            matrix[r * MaxBoxes + j] = static_cast<int>((pos.pushMask[pos.boxList[j]] >> shift) & 1u);
    }
    if (matchFeasible(matrix.data(), n, 1) == 0) return 0;
    for (int j = 0; j < n; ++j) {
        const std::uint64_t mask = pos.pullMask[pos.goalList[j]];
        for (int i = 0; i < n; ++i) matrix[j * MaxBoxes + i] = static_cast<int>((mask >> (n - 1 - i)) & 1u);
    }
    return matchFeasible(matrix.data(), n, 1);
}

// A free cell whose ring of neighbours, diagonals closed off by two walls beside them, is split into
// two or more open stretches is a gate (code 1).
void markGates(const Level& lv, SearchPosition& pos) {
    const int* sb = pos.searchBoard.data();
    for (int c = 0; c < lv.cellCount; ++c) {
        int code = 0;
        if (sb[c] == 0) {
            std::array<bool, 8> wall;
            for (int k = 0; k < 8; ++k) wall[k] = sb[c + lv.ringOffset[k]] == 8;
            for (int k = 1; k < 8; k += 2)
                if (wall[k - 1] && wall[(k + 1) % 8]) wall[k] = true;
            int openings = 0;
            for (int k = 0; k < 8; ++k) openings += (wall[k] && !wall[(k + 1) % 8]) ? 1 : 0;
            if (openings >= 2) code = CorridorRest;
        }
        pos.corridorCode[c] = code;
    }
}

// Codes one closed corridor run: cells a box may rest on get 1, the others 2.
void codeCorridorRun(const Level& lv, SearchPosition& pos, int first, int step, int length) {
    const int* sb = pos.searchBoard.data();
    bool hasGoal = false;
    int lastBox = -1;
    for (int i = 0; i < length; ++i) {
        const int c = first + i * step;
        if (lv.goalMap[c] != 0) hasGoal = true;
        if (sb[c] == 2) lastBox = i;
    }
    const int chosen = lastBox >= 0 ? lastBox : length / 2;
    for (int i = 0; i < length; ++i) {
        const int c = first + i * step;
        const bool box = sb[c] == 2;
        const bool rest = hasGoal ? (box || lv.goalMap[c] != 0) : (box || i == chosen);
        pos.corridorCode[c] = rest ? CorridorRest : CorridorPassThrough;
    }
}

// Walks `lines` lines of `along` cells each; a cell inside a run is open with both cross neighbours
// blocked. A run still open at the end of a line is left as it is.
void codeCorridors(const Level& lv, SearchPosition& pos, bool vertical) {
    const int* sb = pos.searchBoard.data();
    const int w = lv.boardWidth;
    const int lineCount = vertical ? w : lv.boardHeight;
    const int along = vertical ? lv.boardHeight : w;
    const int step = vertical ? w : 1;
    const int cross = vertical ? 1 : w;
    for (int line = 1; line <= lineCount - 2; ++line) {
        int first = 0;
        int length = 0;
        for (int pos2 = 1; pos2 <= along - 2; ++pos2) {
            const int c = vertical ? pos2 * w + line : line * w + pos2;
            if (sb[c] != 8 && sb[c - cross] == 8 && sb[c + cross] == 8) {
                if (length == 0) first = c;
                ++length;
                continue;
            }
            if (length >= 2) codeCorridorRun(lv, pos, first, step, length);
            length = 0;
        }
    }
}

} // namespace

void fillDeadEnds(Level& lv) {
    const int w = lv.boardWidth;
    const int h = lv.boardHeight;
    int* base = lv.baseBoard.data();
    bool changed = true;
    while (changed) {
        changed = false;
        for (int c = 0; c < lv.cellCount; ++c) {
            if (base[c] != 0 || lv.goalMap[c] != 0 || c == lv.startPlayer) continue;
            const int x = c % w;
            const int y = c / w;
            int open = 0;
            if (y > 0 && base[c - w] != 8) ++open;
            if (x + 1 < w && base[c + 1] != 8) ++open;
            if (y + 1 < h && base[c + w] != 8) ++open;
            if (x > 0 && base[c - 1] != 8) ++open;
            if (open <= 1) {
                base[c] = 8;
                changed = true;
            }
        }
    }
}

Prepared prepareSearch(const Level& lv, SearchPosition& pos, const int* board, int player,
                       RangeLists& scratch) {
    const int count = lv.cellCount;
    int* sb = pos.searchBoard.data();
    CellArray mark;

    for (int c = 0; c < count; ++c) sb[c] = board[c];
    int goalCount = 0;
    bool paired = false;
    if (!listBoxesAndGoals(lv, pos, goalCount, paired)) return Prepared::Impossible;
    if (paired && lv.levelStartsSolved == 0) {
        pos.boxCount = 0;
        return Prepared::Solved;
    }

    // Fix the boxes that can never move: off a goal that is fatal, on a goal they become walls.
    liftPushableBoxes(lv, pos, player, mark.data());
    for (int i = 0; i < pos.boxCount; ++i) {
        const int box = pos.boxList[i];
        if (sb[box] != 2) continue;
        if (lv.goalMap[box] == 0) return Prepared::Impossible;
        sb[box] = 8;
    }
    // Goals no box can ever leave can never be filled from elsewhere either.
    for (int i = 0; i < goalCount; ++i)
        if (sb[pos.goalList[i]] != 8) sb[pos.goalList[i]] = 2;
    liftPullableGoalBoxes(lv, pos, goalCount);
    for (int i = 0; i < goalCount; ++i) {
        const int goal = pos.goalList[i];
        if (sb[goal] != 2) continue;
        if (board[goal] != 2) return Prepared::Impossible;
        sb[goal] = 8;
    }

    clearCells(mark.data(), count);
    reachFill(lv, sb, mark.data(), player);
    for (int c = 0; c < count; ++c)
        if (mark[c] == 0) sb[c] = 8;
    for (int i = 0; i < pos.boxCount; ++i)
        if (sb[pos.boxList[i]] != 8) sb[pos.boxList[i]] = 2;

    player = fillSearchDeadEnds(lv, sb, player);
    clearCells(mark.data(), count);
    pos.searchPlayer = reachFill(lv, sb, mark.data(), player);

    // Rebuild the lists from what is left; the board keeps the walls only.
    int boxes = 0;
    int goals = 0;
    for (int c = 0; c < count; ++c) {
        if (sb[c] == 8) continue;
        if (sb[c] == 2 && boxes < MaxBoxes) pos.boxList[boxes++] = c;
        if (lv.goalMap[c] != 0 && goals < MaxBoxes) pos.goalList[goals++] = c;
        sb[c] = 0;
    }
    pos.boxCount = boxes;
    if (goals != boxes) return Prepared::Impossible;

    CellArray sum;
    CellArray dist;
    orderBoxes(lv, pos, sum.data(), dist.data());
    orderGoals(lv, pos, sum.data(), dist.data());

    buildPushMask(lv, pos, scratch, mark.data());
    buildPullMask(lv, pos, scratch);
    for (int c = 0; c < count; ++c) {
        if (pos.pushMask[c] == 0 || pos.pullMask[c] == 0) {
            pos.pushMask[c] = 0;
            pos.pullMask[c] = 0;
        }
    }
    if (assignmentsFeasible(pos) == 0) return Prepared::Impossible;

    markGates(lv, pos);
    for (int i = 0; i < pos.boxCount; ++i) sb[pos.boxList[i]] = 2;
    codeCorridors(lv, pos, true);
    codeCorridors(lv, pos, false);
    return Prepared::Ready;
}

void scanGoalRooms(Level& lv, const SearchPosition& pos, GoalRooms& rooms) {
    scanGoalRooms(lv, pos, rooms, lv.goalRoomPacked);
}

void scanGoalRooms(const Level& lv, const SearchPosition& pos, GoalRooms& rooms, int& packed) {
    const int count = lv.cellCount;
    const int* off = lv.dirOffset.data();
    const int goals = pos.boxCount;
    rooms.goalRoomCount = 0;

    CellArray board;
    CellArray mark;
    CellArray dist;
    for (int c = 0; c < count; ++c) board[c] = pos.searchBoard[c] & 8;
    for (int i = 0; i < goals; ++i) board[pos.goalList[i]] = 2;

    // Free regions of the solved position; 5 cells or more make a candidate.
    std::array<int, MaxGoalRooms> candidate;
    std::array<int, MaxGoalRooms> candidateSize;
    int candidates = 0;
    clearCells(mark.data(), count);
    for (int c = 0; c < count; ++c) {
        if (board[c] != 0 || mark[c] != 0) continue;
        reachFill(lv, board.data(), mark.data(), c);
        const int size = distanceFill(lv, board.data(), dist.data(), c);
        if (size >= 5 && candidates < MaxGoalRooms) {
            candidate[candidates] = c;
            candidateSize[candidates] = size;
            ++candidates;
        }
    }
    if (candidates == 1) {
        rooms.goalRoomCount = 1;
        rooms.goalRoomCell[0] = candidate[0];
        return;
    }

    // A candidate is a goal room when a player starting in it could pull every goal box away.
    std::array<int, MaxGoalRooms> roomSize;
    for (int k = 0; k < candidates; ++k) {
        const int start = candidate[k];
        clearCells(mark.data(), count);
        reachFill(lv, board.data(), mark.data(), start);
        int lifted = 0;
        bool tookOff = true;
        while (tookOff && lifted < goals) {
            tookOff = false;
            for (int i = 0; i < goals; ++i) {
                const int goal = pos.goalList[i];
                if (board[goal] != 2) continue;
                for (int d = 0; d < 4; ++d) {
                    if (mark[goal + off[d]] != 0 && board[goal + 2 * off[d]] == 0) {
                        board[goal] = 0;
                        ++lifted;
                        tookOff = true;
                        clearCells(mark.data(), count);
                        reachFill(lv, board.data(), mark.data(), start);
                        break;
                    }
                }
            }
        }
        if (lifted == goals) {
            const int r = rooms.goalRoomCount++;
            rooms.goalRoomCell[r] = start;
            roomSize[r] = candidateSize[k];
        } else {
            int startBoxes = 0;
            for (int c = 0; c < count; ++c)
                if (mark[c] != 0 && lv.baseBoard[c] == 2) ++startBoxes;
            if (startBoxes > lifted + 3) packed = 1;
        }
        for (int i = 0; i < goals; ++i) board[pos.goalList[i]] = 2;
    }

    // Largest first; a room moves ahead only of strictly smaller ones, so equal sizes keep their order.
    for (int i = 1; i < rooms.goalRoomCount; ++i) {
        const int cell = rooms.goalRoomCell[i];
        const int size = roomSize[i];
        int j = i;
        while (j > 0 && roomSize[j - 1] < size) {
            rooms.goalRoomCell[j] = rooms.goalRoomCell[j - 1];
            roomSize[j] = roomSize[j - 1];
            --j;
        }
        rooms.goalRoomCell[j] = cell;
        roomSize[j] = size;
    }
}

} // namespace cw
