// Thread two's bidirectional solver: forward by whole box pushes from the start until the forward
// phase is spent, then backward by whole box pulls from the solved position until the two meet.
#include "search/two/two_solver.h"

namespace cw {

namespace {

bool pastDeadline(const RunControl& control) {
    return nowSeconds() > control.deadline.load(std::memory_order_relaxed);
}

bool stopRequested(const RunControl& control) {
    return control.stopRequest.load(std::memory_order_relaxed) != 0;
}

} // namespace

int TwoSolver::twoBidirectionalSolve() {
    if (!stores_.storesReady()) return ResFailed;
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    int* board = two_.threadTwoBoard.data();

    markTunnels();
    resetHandoff();
    twoClearStore();
    forward_.clear();
    backward_.clear();

    int roomy = 0;
    for (int c = 0; c < cells; c++) {
        twoBoxTally[c] = board[c] != Free ? 90000 : 0;
        if (two_.pullMask32[c] != 0 && noRest[c] == 0) roomy++;
    }
    twoTallyScale = n > 0 ? roomy * 54.0 * 3.0 / n / n / 19'700'000.0 : 0.0;

    clearBoxes();
    for (int i = 0; i < n; i++) {
        two_.workBoxList[i] = two_.threadTwoGoalList[i];
        board[two_.workBoxList[i]] = BoxOn;
    }
    addRoots();
    clearBoxes();
    for (int i = 0; i < n; i++) {
        two_.workBoxList[i] = two_.startBoxList[i];
        board[two_.workBoxList[i]] = BoxOn;
    }
    for (int c = 0; c < cells; c++) mark_[c] = 0;
    const int f = reachFill(lv_, board, mark_.data(), lv_.startPlayer);
    int r = expandStart(f);
    clearBoxes();
    if (r == ResSolved) return ResSolved;

    if (stopRequested(control_)) return ResTimeout;
    for (;;) {
        if (pastDeadline(control_)) return ResTimeout;
        r = twoExpandForward();
        if (r == ResSolved) return ResSolved;
        if (r != ResInternal) break;
        if (nodeCount_ > ForwardPhaseNodes) break;
        if (stopRequested(control_)) return ResTimeout;
    }
    for (;;) {
        if (stopRequested(control_) || pastDeadline(control_)) return ResTimeout;
        r = twoExpandBackward();
        if (r == ResInternal) continue;
        if (r == ResSolved) recordBackwardChain();
        return r;
    }
}

// One root for every free area of the solved position: each is a place the player may finish in,
// so a backward search that runs dry has covered every way to the goal.
void TwoSolver::addRoots() {
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    const int* board = two_.threadTwoBoard.data();
    for (int c = 0; c < cells; c++) mark_[c] = 0;
    for (int c = 0; c < cells; c++) {
        if (board[c] != Free || mark_[c] != 0) continue;
        const int p = reachFill(lv_, board, mark_.data(), c);
        TwoNode* slot = twoFindNode(p);
        if (slot->player != 0) continue;
        // Roots are stored whatever the node limit.
        nodeCount_++;
        control_.twoNodeCount.store(nodeCount_, std::memory_order_relaxed);
        for (int i = 0; i < n; i++) slot->boxes[i] = static_cast<std::int16_t>(two_.workBoxList[i]);
        slot->player = static_cast<std::int16_t>(p);
        slot->movedBox = static_cast<std::int8_t>(n);
        slot->side = 1;
        slot->parent = nullptr;
        slot->next = nullptr;
        backward_.append(slot, 0);
    }
}

void TwoSolver::loadNode(const TwoNode* node) {
    for (int i = 0; i < two_.threadTwoBoxCount; i++) {
        two_.workBoxList[i] = node->boxes[i];
        two_.threadTwoBoard[node->boxes[i]] = BoxOn;
    }
}

void TwoSolver::clearBoxes() {
    for (int i = 0; i < two_.threadTwoBoxCount; i++) two_.threadTwoBoard[two_.workBoxList[i]] = Free;
}

bool TwoSolver::tunnelExitListed(int exit, int h) const {
    for (int l = 1; l < h; l++)
        if (rangeCells_[l] == exit) return true;
    return false;
}

// Candidate moves of the start position; a move that reaches a root solves the level at once.
int TwoSolver::expandStart(int player) {
    const int n = two_.threadTwoBoxCount;
    int* board = two_.threadTwoBoard.data();
    const auto* pushMask = two_.pushMask32.data();
    for (int j = 0; j < n; j++) {
        const int b = two_.workBoxList[j];
        bool reachable = false;
        for (int d = 0; d < 4 && !reachable; d++) reachable = mark_[b + lv_.dirOffset[d]] != 0;
        if (!reachable) continue;
        const int h =
            pushRange(lv_, board, sides_.data(), b, player, rangeCells_.data(), rangePlayers_.data());
        board[b] = Free;
        for (int l = 1; l < h; l++) {
            const int u = rangeCells_[l], t = rangePlayers_[l];
            if (pushMask[u] == 0 || noRest[u] == 1) continue;
            if (tunnelExit[u] != 0 && tunnelExitListed(tunnelExit[u], h)) continue;
            two_.workBoxList[j] = u;
            board[u] = BoxOn;
            bool accept = freezeTest(lv_, board, u) != 1;
            if (accept && pushMask[u] != pushMask[b])
                accept = maskMatchFeasible(lv_, pushMask, two_.workBoxList.data(), n) != 0;
            int C = 0;
            if (accept) {
                for (int c = 0; c < lv_.cellCount; c++) reachMark_[c] = 0;
                C = reachFill(lv_, board, reachMark_.data(), t);
                accept = corralDeadlock(u, t, reachMark_.data()) == 0;
            }
            if (accept) {
                TwoNode* slot = twoFindNode(C);
                if (slot->player == 0) {
                    nodeCount_++;
                    control_.twoNodeCount.store(nodeCount_, std::memory_order_relaxed);
                    storeFields(slot, C, j, 2, nullptr);
                    forward_.append(slot, regionBonus(C));
                    for (int i = 0; i < n; i++) twoBoxTally[two_.workBoxList[i]]++;
                } else if (slot->side == 1) {
                    if (handoffCount >= MaxHandoff) {
                        handoffOver = 1;
                    } else {
                        handoffTo[handoffCount] = static_cast<std::int16_t>(u);
                        handoffPlayer[handoffCount] = static_cast<std::int16_t>(C);
                        handoffFrom[handoffCount] = static_cast<std::int16_t>(b);
                        handoffCount++;
                    }
                    handoffLastPlayer = C;
                    handoffBoard[b] = Free;
                    handoffBoard[u] = BoxOn;
                    board[u] = Free;
                    two_.workBoxList[j] = b;
                    board[b] = BoxOn;
                    return ResSolved;
                }
            }
            board[u] = Free;
        }
        board[b] = BoxOn;
        two_.workBoxList[j] = b;
    }
    return ResInternal;
}

int TwoSolver::twoExpandForward() {
    TwoNode* node = forward_.take();
    if (node == nullptr) return ResImpossible;
    const int n = two_.threadTwoBoxCount;
    int* board = two_.threadTwoBoard.data();
    const auto* pushMask = two_.pushMask32.data();
    loadNode(node);
    const int player = node->player;
    for (int c = 0; c < lv_.cellCount; c++) mark_[c] = 0;
    reachFill(lv_, board, mark_.data(), player);
    int result = ResInternal;
    for (int j = 0; j < n && result == ResInternal; j++) {
        if (j == node->movedBox) continue;
        const int b = two_.workBoxList[j];
        bool reachable = false;
        for (int d = 0; d < 4 && !reachable; d++) reachable = mark_[b + lv_.dirOffset[d]] != 0;
        if (!reachable) continue;
        const int h =
            pushRangeOn(lv_, board, sides_.data(), b, player, rangeCells_.data(), rangePlayers_.data());
        board[b] = Free;
        for (int l = 1; l < h && result == ResInternal; l++) {
            const int u = rangeCells_[l], t = rangePlayers_[l];
            if (pushMask[u] == 0 || noRest[u] == 1) continue;
            if (tunnelExit[u] != 0 && tunnelExitListed(tunnelExit[u], h)) continue;
            two_.workBoxList[j] = u;
            board[u] = BoxOn;
            bool accept = freezeTest(lv_, board, u) != 1;
            if (accept && pushMask[u] != pushMask[b])
                accept = maskMatchFeasible(lv_, pushMask, two_.workBoxList.data(), n) != 0;
            int C = 0;
            if (accept) {
                for (int c = 0; c < lv_.cellCount; c++) reachMark_[c] = 0;
                C = reachFill(lv_, board, reachMark_.data(), t);
                accept = corralDeadlock(u, t, reachMark_.data()) == 0;
            }
            if (accept) {
                TwoNode* slot = twoFindNode(C);
                if (slot->player == 0) {
                    if (storeNode(slot, C, j, 2, node) != ResSolved) {
                        result = ResFailed;
                    } else {
                        forward_.append(slot, regionBonus(C));
                        for (int i = 0; i < n; i++) twoBoxTally[two_.workBoxList[i]]++;
                    }
                } else if (slot->side == 1) {
                    for (int i = 0; i < n; i++)
                        slot->boxes[i] = static_cast<std::int16_t>(two_.workBoxList[i]);
                    slot->parent = node;
                    slot->movedBox = static_cast<std::int8_t>(j);
                    recordForwardChain(slot);
                    result = ResSolved;
                }
            }
            board[u] = Free;
        }
        board[b] = BoxOn;
        two_.workBoxList[j] = b;
    }
    clearBoxes();
    return result;
}

int TwoSolver::twoExpandBackward() {
    TwoNode* node = backward_.take();
    if (node == nullptr) return ResImpossible;
    const int n = two_.threadTwoBoxCount;
    int* board = two_.threadTwoBoard.data();
    const auto* pullMask = two_.pullMask32.data();
    loadNode(node);
    const int player = node->player;
    for (int c = 0; c < lv_.cellCount; c++) mark_[c] = 0;
    reachFill(lv_, board, mark_.data(), player);
    int result = ResInternal;
    for (int j = 0; j < n && result == ResInternal; j++) {
        if (j == node->movedBox) continue;
        const int b = two_.workBoxList[j];
        bool reachable = false;
        for (int d = 0; d < 4 && !reachable; d++) reachable = mark_[b + lv_.dirOffset[d]] != 0;
        if (!reachable) continue;
        const int h =
            pullRange(lv_, board, sides_.data(), b, player, rangeCells_.data(), rangePlayers_.data());
        board[b] = Free;
        for (int l = 1; l < h && result == ResInternal; l++) {
            const int u = rangeCells_[l], t = rangePlayers_[l];
            if (pullMask[u] == 0 || noRest[u] == 1) continue;
            if (tunnelExit[u] != 0 && tunnelExitListed(tunnelExit[u], h)) continue;
            two_.workBoxList[j] = u;
            if (pullMask[u] != pullMask[b] &&
                maskMatchFeasible(lv_, pullMask, two_.workBoxList.data(), n) == 0)
                continue;
            board[u] = BoxOn;
            for (int c = 0; c < lv_.cellCount; c++) reachMark_[c] = 0;
            const int C = reachFill(lv_, board, reachMark_.data(), t);
            TwoNode* slot = twoFindNode(C);
            if (slot->player == 0) {
                if (storeNode(slot, C, j, 1, node) != ResSolved)
                    result = ResFailed;
                else
                    backward_.append(slot, backwardPriority(C));
            } else if (slot->side == 2) {
                recordForwardChain(slot);
                for (int i = 0; i < n; i++) slot->boxes[i] = static_cast<std::int16_t>(two_.workBoxList[i]);
                slot->movedBox = static_cast<std::int8_t>(j);
                slot->parent = node;
                twoMeetNode_ = slot;
                result = ResSolved;
            }
            board[u] = Free;
        }
        board[b] = BoxOn;
        two_.workBoxList[j] = b;
    }
    clearBoxes();
    return result;
}

} // namespace cw
