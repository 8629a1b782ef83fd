// Tunnel marks and the steering of thread two's queues.
#include "search/two/two_solver.h"

namespace cw {

namespace {

// Marks one run of tunnel cells given as `len` cells from `start` with step `step`: every cell but
// one resting place. A run holding a box or a goal keeps exactly those cells as resting places.
void markRun(int* noRest, const int* board, const int* goals, int start, int len, int step, int keep) {
    if (len >= 2)
        for (int i = 0; i < len; i++) noRest[start + i * step] = 1;
    bool boxOrGoal = false;
    for (int i = 0; i < len; i++) {
        const int c = start + i * step;
        if (board[c] == BoxOn || goals[c] == 1) boxOrGoal = true;
    }
    if (boxOrGoal) {
        for (int i = 0; i < len; i++) {
            const int c = start + i * step;
            if (board[c] == BoxOn || goals[c] == 1) noRest[c] = 0;
        }
    } else {
        noRest[keep] = 0;
    }
}

} // namespace

void TwoSolver::markTunnels() {
    for (int c = 0; c < lv_.cellCount; c++) {
        noRest[c] = 0;
        tunnelExit[c] = 0;
    }
    markRowTunnels();
    markColumnTunnels();
    markTunnelMouths();
}

// Rows: a cell with walls above and below. A run still open at the row's end keeps its marks.
void TwoSolver::markRowTunnels() {
    const int w = lv_.boardWidth, h = lv_.boardHeight;
    const int* board = two_.threadTwoBoard.data();
    const int* goals = lv_.goalMap.data();
    auto wall = [&](int c) { return board[c] == Blocked; };
    for (int r = 1; r < h - 1; r++) {
        int start = -1;
        for (int col = 0; col < w; col++) {
            const int c = r * w + col;
            const bool tunnel = !wall(c) && wall(c - w) && wall(c + w);
            if (tunnel) {
                if (start < 0) start = c;
                continue;
            }
            if (start >= 0) markRun(noRest.data(), board, goals, start, c - start, 1, (start + c) / 2);
            start = -1;
        }
        if (start >= 0 && r * w + w - 1 > start)
            for (int c = start; c < r * w + w; c++) noRest[c] = 1;
    }
}

// Columns: a cell with walls left and right.
void TwoSolver::markColumnTunnels() {
    const int w = lv_.boardWidth, h = lv_.boardHeight, cells = lv_.cellCount;
    const int* board = two_.threadTwoBoard.data();
    const int* goals = lv_.goalMap.data();
    auto wall = [&](int c) { return board[c] == Blocked; };
    for (int col = 1; col < w - 1; col++) {
        int start = -1;
        for (int r = 0; r < h; r++) {
            const int c = r * w + col;
            const bool tunnel = !wall(c) && wall(c - 1) && wall(c + 1);
            if (tunnel) {
                if (start < 0) start = c;
                continue;
            }
            if (start >= 0) {
                const int len = (c - start) / w;
                markRun(noRest.data(), board, goals, start, len, w, start + w * ((c - start) / w / 2));
            }
            start = -1;
        }
        if (start >= 0 && (h - 1) * w + col > start)
            for (int c = start; c < cells; c += w) noRest[c] = 1;
    }
}

// Mouths: a cell beside exactly one wall, in front of a tunnel entrance, learns where a box carried
// into that tunnel comes to rest.
void TwoSolver::markTunnelMouths() {
    const int w = lv_.boardWidth, h = lv_.boardHeight;
    const int* board = two_.threadTwoBoard.data();
    const int* goals = lv_.goalMap.data();
    auto wall = [&](int c) { return board[c] == Blocked; };
    for (int r = 1; r < h - 1; r++)
        for (int col = 1; col < w - 1; col++) {
            const int x = r * w + col;
            // A goal is a resting place in its own right: a box that stops there must never be
            // skipped in favour of a tunnel end that may be dead.
            if (wall(x) || goals[x] == 1) continue;
            int walls = 0, wallDir = -1;
            for (int d = 0; d < 4; d++)
                if (wall(x + lv_.dirOffset[d])) {
                    walls++;
                    wallDir = d;
                }
            if (walls != 1) continue;
            int found = 0, step = 0;
            const int across =
                (wallDir == 1 || wallDir == 3) ? 0 : 1; // candidate axis: 0 vertical, 1 horizontal
            const int side = across == 0 ? 1 : w;
            for (int k = 0; k < 2; k++) {
                const int d = across == 0 ? (k == 0 ? -w : w) : (k == 0 ? 1 : -1);
                const int y = x + d;
                if (wall(y - side) && wall(y + side)) {
                    found++;
                    step = d;
                }
            }
            if (found != 1) continue;
            int y = x + step;
            if (two_.pullMask32[y] == 0) continue;
            while (noRest[y] == 1) y += step;
            tunnelExit[x] = y;
        }
}

int TwoSolver::regionBonus(int player) {
    const int cells = lv_.cellCount;
    for (int c = 0; c < cells; c++) label_[c] = 0;
    labelFill(lv_, two_.threadTwoBoard.data(), label_.data(), player, 1);
    return bonusForOtherAreas();
}

int TwoSolver::regionBonus(const int* reach, int knownAreas) {
    if (knownAreas >= 0) return knownAreas >= 4 ? 0 : 4 - knownAreas;
    for (int c = 0; c < lv_.cellCount; c++) label_[c] = reach[c] != 0 ? 1 : 0;
    return bonusForOtherAreas();
}

// With the player's area labelled 1 in label_, counts the other free areas, up to four.
int TwoSolver::bonusForOtherAreas() {
    const int cells = lv_.cellCount;
    const int* board = two_.threadTwoBoard.data();
    int areas = 0;
    for (int c = 0; c < cells && areas < 4; c++)
        if (board[c] == Free && label_[c] == 0) labelFill(lv_, board, label_.data(), c, 2 + areas++);
    return areas >= 4 ? 0 : 4 - areas;
}

int TwoSolver::backwardPriority(int player) {
    for (int c = 0; c < lv_.cellCount; c++) label_[c] = 0;
    labelFill(lv_, two_.threadTwoBoard.data(), label_.data(), player, 1);
    return tallyPriority() + bonusForOtherAreas();
}

int TwoSolver::backwardPriority(const int* reach) {
    return tallyPriority() + regionBonus(reach, -1);
}

int TwoSolver::tallyPriority() const {
    std::int32_t sum = 0;
    for (int i = 0; i < two_.threadTwoBoxCount; i++) sum += twoBoxTally[two_.workBoxList[i]];
    int v = static_cast<int>(sum * twoTallyScale + 0.5);
    if (v >= TallyBuckets) v = TallyBuckets - 1;
    return v;
}

} // namespace cw
