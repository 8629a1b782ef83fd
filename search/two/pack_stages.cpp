// The packing solver's stage searches: from the start, one short push search per plan entry brings
// the boxes that entry adds onto their cells in the goal room, in the order the plan pulled them
// out; each stage's chain goes to the hand-off and the next stage starts where it ended.
#include "search/two/two_solver.h"

namespace cw {

namespace {

// A stage's score once its target is reached: above every bucket of the queue.
constexpr int StageReached = TwoQueueBuckets;

// Selection by the first smallest later key; equal keys keep their order.
void sortByKeys(int* cells, int* keys, int count) {
    for (int i = 0; i < count; i++) {
        int best = i;
        for (int j = i + 1; j < count; j++)
            if (keys[j] < keys[best]) best = j;
        if (keys[best] < keys[i]) {
            std::swap(keys[i], keys[best]);
            std::swap(cells[i], cells[best]);
        }
    }
}

} // namespace

Outcome TwoSolver::runStages() {
    const int n = two_.threadTwoBoxCount;
    // The prepared player cell: the analysis may have walled the start cell in.
    int u = 0;
    TwoNode* root = packStoreRoot(two_.startBoxList, two_.threadTwoPlayer, u);
    pack_.packPlanIndex = 0;
    pack_.packPhase = 0;

    for (;;) {
        if (!stageTarget()) {
            clearBoxes();
            return Outcome::Failed;
        }
        stageMapFill();
        twoMeetNode_ = nullptr;
        const int v = stagePriority(u);
        if (v >= StageReached) {
            twoMeetNode_ = root; // the stage's start already meets its target
        } else {
            forward_.append(root, v);
            clearBoxes();
            for (;;) {
                if (control_.stopped()) return Outcome::Timeout;
                const Step r = stageExpand();
                if (r == Step::Solved) break;
                if (r != Step::Continue) return Outcome::Failed;
            }
        }
        // The position reached is on the board and in workBoxList.
        recordStageChain(twoMeetNode_);
        const int reached = twoMeetNode_->player;
        if (pack_.packPhase == 2) break;
        twoClearStore();
        packFindNode(reached, n); // the table is empty: the root goes where this find ends
        root = storeNode(reached, n, n, nullptr, false);
        u = reached;
    }
    // The tail starts from the last target; a stage that could not list every box of it ends short.
    const bool whole = reachedEntry(pack_.packPlan[pack_.packPlanIndex - 1]);
    clearBoxes();
    if (!whole) return Outcome::Failed;
    appendTail();
    return Outcome::Solved;
}

bool TwoSolver::reachedEntry(const PlanEntry& entry) const {
    for (int i = 0; i < two_.threadTwoBoxCount; i++)
        if (entry.boxes[i] == 0 || two_.threadTwoBoard[entry.boxes[i]] != BoxOn) return false;
    return true;
}

// Walls with the entry's boxes, into pack_.entryBoard.
void TwoSolver::entryBoard(const PlanEntry& entry) {
    int* l = pack_.entryBoard.data();
    for (int c = 0; c < lv_.cellCount; c++) l[c] = pack_.walls[c];
    for (int i = 0; i < two_.threadTwoBoxCount; i++)
        if (entry.boxes[i] != 0) l[entry.boxes[i]] = BoxOn;
}

// Makes the next plan entry the stage target. False when the plan has no entry left to aim at.
bool TwoSolver::stageTarget() {
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    const int length = pack_.packPlanLength;
    int idx = pack_.packPlanIndex;
    int* done = pack_.doneCell.data();
    if (idx >= length) return false;

    if (pack_.packPhase == 0) {
        for (int c = 0; c < cells; c++) done[c] = 0;
        const PlanEntry* e = &pack_.packPlan[idx];
        bool onStart = e->boxesLeft < n;
        for (int i = 0; i < n && onStart; i++) {
            if (e->boxes[i] == 0) continue;
            bool start = false;
            for (int k = 0; k < n && !start; k++) start = two_.startBoxList[k] == e->boxes[i];
            onStart = start;
        }
        // Boxes the plan leaves on their start cells are placed already: nothing to search for.
        if (onStart && idx + 1 < length) {
            for (int i = 0; i < n; i++)
                if (e->boxes[i] != 0) done[e->boxes[i]] = 1;
            e = &pack_.packPlan[++idx];
        }
        pack_.stageTargetPlayer = e->player;
        stageApproach(*e);
        pack_.packPhase = e->boxesLeft == n ? 2 : 1;
        pack_.packPlanIndex = idx + 1;
        return true;
    }

    for (int k = 0; k < pack_.approachCount; k++) done[pack_.approachCell[k]] = 1;
    int placed = 0;
    for (int c = 0; c < cells; c++) placed += done[c];
    for (; idx < length; idx++) {
        const PlanEntry& e = pack_.packPlan[idx];
        pack_.stageTargetPlayer = e.player;
        if (placed != e.boxesLeft) {
            stageApproach(e);
            pack_.packPhase = e.boxesLeft == n ? 2 : 1;
            pack_.packPlanIndex = idx + 1;
            return true;
        }
        // As many boxes as are placed: the entry moves one placed box from e to d.
        entryBoard(e);
        const int* l = pack_.entryBoard.data();
        int d = -1, from = -1;
        for (int c = 0; c < cells; c++) {
            if (l[c] == BoxOn && done[c] == 0) d = c;
            if (done[c] == 1 && l[c] != BoxOn) from = c;
        }
        // The same boxes as placed (a box pulled away and back, the player on its other side):
        // nothing to move, so the next entry is the target.
        if (d < 0 || from < 0) continue;
        pack_.approachCell[0] = d;
        pack_.approachCount = 1;
        pack_.packPhase = 1;
        done[from] = 0;
        pack_.packPlanIndex = idx + 1;
        return true;
    }
    return false;
}

// Lists the entry's boxes not yet placed in the order the player could pull them out of the room
// one after another; the stage fills them from the last toward the first.
void TwoSolver::stageApproach(const PlanEntry& entry) {
    const int n = two_.threadTwoBoxCount;
    const int* done = pack_.doneCell.data();
    std::array<int, TwoMaxBoxes> listed{};
    std::array<int, TwoMaxBoxes> keys{};
    int count = 0;
    for (int i = 0; i < n; i++) {
        const int c = entry.boxes[i];
        if (c == 0 || done[c] != 0) continue;
        listed[count] = c;
        keys[count] = lv_.goalMap[c] == 1 ? 1 : pack_.packDistance[c] + 1;
        count++;
    }
    sortByKeys(listed.data(), keys.data(), count);

    int* l2 = pack_.entryBoard.data();
    for (int c = 0; c < lv_.cellCount; c++) l2[c] = done[c] != 0 ? BoxOn : pack_.walls[c];
    for (int k = 0; k < count; k++) l2[listed[k]] = BoxOn;
    int appended = 0;
    bool more = true;
    while (more && appended < count) {
        more = false;
        for (int k = 0; k < count && !more; k++) {
            const int b = listed[k];
            if (l2[b] != BoxOn) continue;
            const int h =
                pullRange(lv_, l2, range_, b, entry.player, rangeCells_.data(), rangePlayers_.data());
            bool out = false;
            for (int e = 1; e < h && !out; e++) out = pack_.exitArea[rangeCells_[e]] != 0;
            if (!out) continue;
            pack_.approachCell[appended++] = b;
            l2[b] = Free;
            more = true;
        }
    }
    // Only the cells appended are approach cells: what an earlier stage left beyond them is stale.
    pack_.approachCount = appended;
}

void TwoSolver::stageMapFill() {
    const int cells = lv_.cellCount;
    int* map = pack_.stageMap.data();
    for (int c = 0; c < cells; c++) map[c] = pack_.walls[c] == Blocked ? Blocked : lv_.goalMap[c];
    for (int c = 0; c < cells; c++) mark_[c] = 0;
    reachFill(lv_, map, mark_.data(), pack_.roomCell);
    for (int c = 0; c < cells; c++)
        if (mark_[c] != 0) map[c] += 2;
    for (int k = 0; k < pack_.approachCount; k++) map[pack_.approachCell[k]] = 3;
}

int TwoSolver::stagePriority(int player) {
    for (int c = 0; c < lv_.cellCount; c++) reachMark_[c] = 0;
    reachFill(lv_, two_.threadTwoBoard.data(), reachMark_.data(), player);
    return stagePriority(reachMark_.data(), -1);
}

// The position is on the board, the player's reach marked in `reach`. Counts the approach cells
// settled from the last one down: a box on it and no loose box among its eight neighbours.
int TwoSolver::stagePriority(const int* reach, int knownAreas) {
    const int* board = two_.threadTwoBoard.data();
    const int* done = pack_.doneCell.data();
    const int* map = pack_.stageMap.data();
    int settled = 0;
    for (int k = pack_.approachCount - 1; k >= 0; k--) {
        const int c = pack_.approachCell[k];
        if (board[c] != BoxOn) break;
        bool loose = false;
        for (int r = 0; r < 8 && !loose; r++) {
            const int y = c + lv_.ringOffset[r];
            loose = board[y] == BoxOn && done[y] == 0 && map[y] != 3;
        }
        if (loose) break;
        settled++;
    }
    if (settled == pack_.approachCount && reach[pack_.stageTargetPlayer] != 0) return StageReached;
    return settled + regionBonus(reach, knownAreas);
}

// Orders workBoxList by free-space distance from `cell`, walls only; boxes it cannot reach first.
void TwoSolver::sortByTargetDistance(int cell) {
    const int n = two_.threadTwoBoxCount;
    distanceFill(lv_, pack_.walls.data(), pack_.dist.data(), cell);
    std::array<int, TwoMaxBoxes> keys{};
    for (int i = 0; i < n; i++) keys[i] = pack_.dist[two_.workBoxList[i]];
    sortByKeys(two_.workBoxList.data(), keys.data(), n);
}

TwoSolver::Step TwoSolver::stageExpand() {
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    int* board = two_.threadTwoBoard.data();
    TwoNode* node = forward_.take();
    if (node == nullptr) return Step::Dry;
    loadNode(node);
    const int p = node->player;

    // Boxes already on approach cells stay; the first empty one from the end is the sub-target.
    int* frozen = pack_.stageDone.data();
    for (int c = 0; c < cells; c++) frozen[c] = pack_.doneCell[c];
    int sub = -1;
    for (int k = pack_.approachCount - 1; k >= 0; k--) {
        const int c = pack_.approachCell[k];
        if (board[c] == BoxOn) {
            frozen[c] = 1;
        } else if (sub < 0) {
            sub = c;
        }
    }
    // The moved box is known by its cell: the sort below changes the indices.
    const int moved = node->movedBox < n ? node->boxes[node->movedBox] : -1;
    if (sub >= 0) sortByTargetDistance(sub);
    for (int c = 0; c < cells; c++) mark_[c] = 0;
    reachFill(lv_, board, mark_.data(), p);

    Step result = Step::Continue;
    for (int i = 0; i < n && result == Step::Continue; i++) {
        const int c = two_.workBoxList[i];
        if (c == moved || frozen[c] != 0 || !playerBeside(c)) continue;
        const int h = pushRangeOn(lv_, board, range_, c, p, rangeCells_.data(), rangePlayers_.data());
        board[c] = Free;
        for (int k = 1; k < h && result == Step::Continue; k++) {
            const int f = rangeCells_[k];
            // A box from outside never stops on a goal that is not an approach cell.
            if (pack_.stageMap[c] == 0 && pack_.stageMap[f] == 1) continue;
            two_.workBoxList[i] = f;
            board[f] = BoxOn;
            result = stagePush(node, i, c, f, rangePlayers_[k], sub);
            if (result == Step::Solved) return result; // the reached position stays on the board
            board[f] = Free;
        }
        two_.workBoxList[i] = c;
        board[c] = BoxOn;
    }
    clearBoxes();
    return result;
}

// Box i has been pushed from c to f with the player on g; the position is on the board. Rejects a
// dead or known position, stores a new one, and finishes the stage when it reaches the target.
TwoSolver::Step TwoSolver::stagePush(TwoNode* parent, int i, int c, int f, int g, int subTarget) {
    const int n = two_.threadTwoBoxCount;
    int* board = two_.threadTwoBoard.data();
    // Only the sub-target may take a box that can never move again, even on a goal.
    if (f != subTarget && freezeTest(lv_, board, f) != 0) return Step::Continue;
    if (two_.pushMask32[f] != two_.pushMask32[c] &&
        maskMatchFeasible(lv_, two_.pushMask32.data(), two_.workBoxList.data(), n) == 0)
        return Step::Continue;
    for (int x = 0; x < lv_.cellCount; x++) reachMark_[x] = 0;
    const int player = reachFill(lv_, board, reachMark_.data(), g);
    if (corralDeadlock(f, g, reachMark_.data())) return Step::Continue;
    const int knownAreas = corralAreas;
    if (packFindNode(player, n) != nullptr) return Step::Continue;
    TwoNode* slot = storeNode(player, i, n, parent);
    if (slot == nullptr) return Step::Full;
    const int v = stagePriority(reachMark_.data(), knownAreas);
    if (v >= StageReached) {
        twoMeetNode_ = slot;
        return Step::Solved;
    }
    forward_.append(slot, v);
    return Step::Continue;
}

} // namespace cw
