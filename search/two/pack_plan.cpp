// The packing solver's plan search: pulls from the solved position, taking off every box that can be
// pulled out of the goal room into the area outside, until only boxes that can never leave their
// start cells are left. Read from its end, the chain is the order in which the boxes enter the room.
#include "search/two/two_solver.h"

namespace cw {

namespace {

// Plan positions that still hold every box are ordered by how far they pulled the boxes into the
// room, in buckets 0..30; positions with boxes taken off come first, fewer boxes first.
constexpr int PlanDistanceCap = 26;

int takenOffBucket(int left) {
    return TwoQueueBuckets - 1 - left;
}

} // namespace

Outcome TwoSolver::packSolve(const GoalRooms& rooms) {
    const Outcome r = packRun(rooms);
    publishNodeCount(); // the count is exact once the search has ended
    return r;
}

Outcome TwoSolver::packRun(const GoalRooms& rooms) {
    if (!stores_.storesReady() || rooms.goalRoomCount < 1) return Outcome::Failed;
    if (!packPrepare(rooms)) return Outcome::Failed;
    const Outcome plan = packPlanSearch();
    if (plan != Outcome::Solved) return plan;
    if (!extractPlan()) return Outcome::Failed;
    return runStages();
}

// The plan's tables: walls, hand-off, locked start cells, outside area and distances. False when
// there is no outside area: then no box is ever taken off and no plan can complete, so the search
// would only run to the time limit.
bool TwoSolver::packPrepare(const GoalRooms& rooms) {
    const int cells = lv_.cellCount;
    const int* board = two_.threadTwoBoard.data();
    pack_.roomCell = rooms.goalRoomCell[0];
    for (int c = 0; c < cells; c++) {
        pack_.walls[c] = board[c] == Blocked ? Blocked : Free;
        corralBoard_[c] = pack_.walls[c];
    }
    // The board still holds the start boxes; boxes fixed on goals are walls there, as in the chain.
    resetHandoff();
    markLockedStart();
    markExitArea();
    bool anyExit = false;
    for (int c = 0; c < cells && !anyExit; c++) anyExit = pack_.exitArea[c] != 0;
    if (!anyExit) return false;
    packDistanceFill();
    return true;
}

TwoNode* TwoSolver::packStoreRoot(const std::array<int, MaxBoxes>& boxes, int player, int& rootPlayer) {
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    int* board = two_.threadTwoBoard.data();
    twoClearStore();
    for (int c = 0; c < cells; c++) board[c] = pack_.walls[c];
    for (int i = 0; i < n; i++) {
        two_.workBoxList[i] = boxes[i];
        board[two_.workBoxList[i]] = BoxOn;
    }
    for (int c = 0; c < cells; c++) mark_[c] = 0;
    rootPlayer = reachFill(lv_, board, mark_.data(), player);
    packFindNode(rootPlayer, n); // the table is empty: the root goes where this find ends
    return storeNode(rootPlayer, n, n, nullptr, false);
}

// Pulls from the solved position until the plan is complete (Solved, twoMeetNode_ its last node).
Outcome TwoSolver::packPlanSearch() {
    // Root: every box on its goal, the player in the goal room; the start boxes leave the board.
    int p = 0;
    TwoNode* root = packStoreRoot(two_.threadTwoGoalList, pack_.roomCell, p);
    forward_.append(root, packPriority(mark_.data()));
    clearBoxes();

    twoMeetNode_ = nullptr;
    if (control_.stopRequested()) return Outcome::Timeout;
    for (;;) {
        if (control_.pastDeadline()) return Outcome::Timeout;
        TwoNode* node = forward_.take();
        if (node == nullptr) return Outcome::Failed; // the plan search is pruned: dry proves nothing
        const Step r = packExpand(node);
        if (r == Step::Solved) return Outcome::Solved;
        if (r != Step::Continue) return Outcome::Failed;
        if (control_.stopRequested()) return Outcome::Timeout;
    }
}

// A start box with no side to pull it from (walls only count) can never leave its cell.
void TwoSolver::markLockedStart() {
    const int n = two_.threadTwoBoxCount;
    const int* walls = pack_.walls.data();
    for (int c = 0; c < lv_.cellCount; c++) pack_.lockedStart[c] = 0;
    for (int i = 0; i < n; i++) {
        const int b = two_.startBoxList[i];
        bool open = false;
        for (int d = 0; d < 4 && !open; d++) {
            const int y = b + lv_.dirOffset[d];
            open = walls[y] != Blocked && two_.pullMask32[y] != 0 && walls[y + lv_.dirOffset[d]] != Blocked;
        }
        if (!open) pack_.lockedStart[b] = 1;
    }
}

// The outside area: where a goal box pulled out of the room through a neighbour outside it can go,
// when that is more than a few cells and holds a start box.
void TwoSolver::markExitArea() {
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    const int* start = two_.threadTwoBoard.data();
    int* x = pack_.entryBoard.data();
    int* visit = pack_.visit.data();
    for (int c = 0; c < cells; c++)
        x[c] = pack_.walls[c] == Blocked ? Blocked : lv_.goalMap[c] == 1 ? BoxOn : Free;
    // The room's own floor blocks too, so pulled boxes and the player stay outside it.
    for (int c = 0; c < cells; c++) mark_[c] = 0;
    reachFill(lv_, x, mark_.data(), pack_.roomCell);
    for (int c = 0; c < cells; c++)
        if (mark_[c] != 0) x[c] += 1;
    for (int c = 0; c < cells; c++) pack_.exitArea[c] = 0;

    for (int i = 0; i < n; i++) {
        const int g = two_.threadTwoGoalList[i];
        for (int d = 0; d < 4; d++) {
            const int y = g + lv_.dirOffset[d];
            if (x[y] != Free || pack_.exitArea[y] != 0) continue;
            const int h = pullRange(lv_, x, range_, g, y, rangeCells_.data(), rangePlayers_.data());
            for (int c = 0; c < cells; c++) visit[c] = 0;
            int visited = 0;
            for (int l = 0; l < h; l++)
                if (visit[rangeCells_[l]] == 0) {
                    visit[rangeCells_[l]] = 1;
                    visited++;
                }
            if (visited <= 4) continue;
            visit[g] = 0;
            bool holdsStartBox = false;
            for (int c = 0; c < cells && !holdsStartBox; c++)
                holdsStartBox = visit[c] != 0 && start[c] == BoxOn;
            if (!holdsStartBox) continue;
            for (int c = 0; c < cells; c++)
                if (visit[c] != 0) pack_.exitArea[c] = 1;
        }
    }
}

// Steps inside the goal room from the cells next to goals. Cells that are walls stay walls even
// under a goal: a box fixed there for good is no floor a flood may pass.
void TwoSolver::packDistanceFill() {
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    int* room = pack_.entryBoard.data();
    int* inside = pack_.visit.data();
    for (int c = 0; c < cells; c++)
        room[c] = pack_.walls[c] == Blocked ? Blocked : lv_.goalMap[c] == 1 ? 1 : Free;
    for (int c = 0; c < cells; c++) inside[c] = 0;
    // A room cell on a wall has no room to flood (and a flood from the board's edge would step off it).
    if (room[pack_.roomCell] != Blocked) reachFill(lv_, room, inside, pack_.roomCell);
    for (int c = 0; c < cells; c++)
        if (two_.pullMask32[c] == 0) inside[c] = 0;

    int* dist = pack_.packDistance.data();
    for (int c = 0; c < cells; c++) dist[c] = 0;
    std::array<int, MaxCells> queue;
    int tail = 0;
    for (int i = 0; i < n; i++)
        for (int d = 0; d < 4; d++) {
            const int y = two_.threadTwoGoalList[i] + lv_.dirOffset[d];
            if (inside[y] != 0 && dist[y] == 0) {
                dist[y] = 1;
                queue[tail++] = y;
            }
        }
    int largest = 0;
    for (int head = 0; head < tail; head++) {
        const int c = queue[head];
        if (dist[c] > largest) largest = dist[c];
        for (int d = 0; d < 4; d++) {
            const int y = c + lv_.dirOffset[d];
            if (inside[y] != 0 && dist[y] == 0) {
                dist[y] = dist[c] + 1;
                queue[tail++] = y;
            }
        }
    }
    // Without a cell next to a goal inside the room every distance is 0, and so is the scale.
    pack_.packDistScale = largest > 0 && n > 0 ? 44.0 / largest / n : 0.0;
}

bool TwoSolver::playerBeside(int cell) const {
    for (int d = 0; d < 4; d++)
        if (mark_[cell + lv_.dirOffset[d]] != 0) return true;
    return false;
}

// With the player's reach marked in `reach`.
int TwoSolver::packPriority(const int* reach) {
    int sum = 0;
    for (int i = 0; i < two_.threadTwoBoxCount; i++) sum += pack_.packDistance[two_.workBoxList[i]];
    int v = static_cast<int>(sum * pack_.packDistScale + 0.5);
    if (v > PlanDistanceCap) v = PlanDistanceCap;
    return v + regionBonus(reach, -1);
}

// Takes off every box the player can pull into the outside area, pass after pass while the last
// pass took one off. Returns the boxes left on the board.
int TwoSolver::packRemove(int player, int left) {
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    int* board = two_.threadTwoBoard.data();
    for (int c = 0; c < cells; c++) mark_[c] = 0;
    int a = reachFill(lv_, board, mark_.data(), player);
    bool removed = true;
    while (left != 0 && removed) {
        removed = false;
        for (int i = 0; i < n; i++) {
            const int b = two_.workBoxList[i];
            if (b == 0 || !playerBeside(b)) continue;
            const int h = pullRange(lv_, board, range_, b, a, rangeCells_.data(), rangePlayers_.data());
            bool out = false;
            for (int l = 0; l < h && !out; l++) out = pack_.exitArea[rangeCells_[l]] != 0;
            if (!out) continue;
            board[b] = Free;
            two_.workBoxList[i] = 0;
            for (int c = 0; c < cells; c++) mark_[c] = 0;
            a = reachFill(lv_, board, mark_.data(), a);
            left--;
            removed = true;
        }
    }
    return left;
}

TwoSolver::Step TwoSolver::packExpand(TwoNode* node) {
    const int n = two_.threadTwoBoxCount;
    int* board = two_.threadTwoBoard.data();
    loadNode(node);
    const int k = node->boxesLeft();
    const int left = packRemove(node->player, k);

    if (left < k) {
        for (int c = 0; c < lv_.cellCount; c++) reachMark_[c] = 0;
        const int p = reachFill(lv_, board, reachMark_.data(), node->player);
        TwoNode* slot = packFindNode(p, left);
        Step result = Step::Continue;
        if (slot == nullptr) {
            slot = storeNode(p, n, left, node);
            if (slot == nullptr) {
                result = Step::Full;
            } else {
                int locked = 0;
                for (int i = 0; i < n; i++)
                    if (two_.workBoxList[i] != 0 && pack_.lockedStart[two_.workBoxList[i]] != 0) locked++;
                if (locked == left) {
                    twoMeetNode_ = slot; // every box left can never move: the plan is complete
                    result = Step::Solved;
                } else {
                    forward_.append(slot, takenOffBucket(left));
                }
            }
        }
        clearBoxes();
        return result;
    }

    // Nothing was taken off, so mark_ holds the player's reach from the node's cell.
    Step result = Step::Continue;
    for (int j = 0; j < n && result == Step::Continue; j++) {
        const int b = two_.workBoxList[j];
        if (j == node->movedBox || b == 0 || !playerBeside(b)) continue;
        const int h =
            pullRange(lv_, board, range_, b, node->player, rangeCells_.data(), rangePlayers_.data());
        board[b] = Free;
        for (int l = 1; l < h && result == Step::Continue; l++) {
            const int u = rangeCells_[l];
            if (two_.pullMask32[u] == 0) continue;
            two_.workBoxList[j] = u;
            if (k == n && two_.pullMask32[u] != two_.pullMask32[b] &&
                maskMatchFeasible(lv_, two_.pullMask32.data(), two_.workBoxList.data(), n) == 0)
                continue;
            board[u] = BoxOn;
            result = packPull(node, j, rangePlayers_[l]);
            board[u] = Free;
        }
        two_.workBoxList[j] = b;
        board[b] = BoxOn;
    }
    clearBoxes();
    return result;
}

// Box j has been pulled, the position is on the board and the player stands on t; stores the
// position when it is new.
TwoSolver::Step TwoSolver::packPull(TwoNode* node, int j, int t) {
    const int k = node->boxesLeft();
    for (int c = 0; c < lv_.cellCount; c++) reachMark_[c] = 0;
    const int p = reachFill(lv_, two_.threadTwoBoard.data(), reachMark_.data(), t);
    if (packFindNode(p, k) != nullptr) return Step::Continue;
    TwoNode* slot = storeNode(p, j, k, node);
    if (slot == nullptr) return Step::Full;
    forward_.append(slot, k == two_.threadTwoBoxCount ? packPriority(reachMark_.data()) : takenOffBucket(k));
    return Step::Continue;
}

// Copies the chain from the plan's end up to the solved position into the plan; false when it does
// not fit. A final position with no box left is read from its parent.
bool TwoSolver::extractPlan() {
    const int n = two_.threadTwoBoxCount;
    TwoNode* node = twoMeetNode_;
    bool empty = true;
    for (int i = 0; i < n && empty; i++) empty = node->boxes[i] == 0;
    if (empty) node = node->parent;
    int length = 0;
    for (; node != nullptr; node = node->parent) {
        if (length == MaxPlan) return false;
        PlanEntry& e = pack_.packPlan[length++];
        e.boxes.fill(0);
        for (int i = 0; i < n; i++) e.boxes[i] = node->boxes[i];
        e.player = node->player;
        e.boxesLeft = static_cast<std::int8_t>(node->boxesLeft());
    }
    pack_.packPlanLength = length;
    return true;
}

} // namespace cw
