// Thread two's bidirectional solver: forward by whole box pushes from the start until the forward
// phase is spent, then backward by whole box pulls from the solved position until the two meet.
#include "search/two/two_solver.h"

namespace cw {

Outcome TwoSolver::twoBidirectionalSolve() {
    const Outcome r = solve();
    publishNodeCount(); // the count is exact once the search has ended
    return r;
}

Outcome TwoSolver::solve() {
    if (!stores_.storesReady()) return Outcome::Failed;
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    int* board = two_.threadTwoBoard.data();

    markTunnels();
    backwardPruned_ = false;
    resetHandoff();
    twoClearStore();
    forward_.clear();
    backward_.clear();

    int roomy = 0;
    for (int c = 0; c < cells; c++) {
        twoBoxTally[c] = board[c] != Free ? BlockedCellTally : 0;
        if (two_.pullMask32[c] != 0 && noRest[c] == 0) roomy++;
    }
    twoTallyScale = n > 0 ? roomy * double{TallyBuckets} * TallySpread / n / n / double{TwoNodeLimit} : 0.0;

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
    Step r = expandStart(two_.threadTwoPlayer);
    clearBoxes();
    if (r == Step::Solved) return Outcome::Solved;

    if (control_.stopRequested()) return Outcome::Timeout;
    for (;;) {
        if (control_.pastDeadline()) return Outcome::Timeout;
        r = twoExpandForward();
        if (r == Step::Solved) return Outcome::Solved;
        if (r != Step::Continue) break; // dry or full: the backward search goes on alone
        if (nodeCount_ > ForwardPhaseNodes) break;
        if (control_.stopRequested()) return Outcome::Timeout;
    }
    for (;;) {
        if (control_.stopRequested() || control_.pastDeadline()) return Outcome::Timeout;
        switch (twoExpandBackward()) {
        case Step::Continue:
            continue;
        case Step::Solved:
            recordBackwardChain();
            return Outcome::Solved;
        case Step::Full:
            return Outcome::Failed;
        case Step::Dry:
            return backwardRanDry();
        case Step::NodeLimit: // thread two's expansions never give these
        case Step::Stopped:
            return Outcome::Failed;
        }
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
        if (twoFindNode(p) != nullptr) continue;
        TwoNode* root =
            storeNode(p, n, SideBackwardPulls, nullptr, false); // roots are stored whatever the node limit
        if (root != nullptr) backward_.append(root, 0);
    }
}

// The backward queue is empty, so every position the backward search can reach is stored. Without a
// pruned pull that is every position from which the solved position can be reached: the level is
// impossible unless the start is among them, and then its backward chain is the solution.
Outcome TwoSolver::backwardRanDry() {
    const int n = two_.threadTwoBoxCount;
    for (int i = 0; i < n; i++) {
        two_.workBoxList[i] = two_.startBoxList[i];
        two_.threadTwoBoard[two_.workBoxList[i]] = BoxOn;
    }
    for (int c = 0; c < lv_.cellCount; c++) mark_[c] = 0;
    const int f = reachFill(lv_, two_.threadTwoBoard.data(), mark_.data(), two_.threadTwoPlayer);
    TwoNode* start = twoFindNode(f);
    Outcome result = backwardPruned_ ? Outcome::Failed : Outcome::Impossible;
    if (start != nullptr && start->side == SideBackwardPulls) {
        twoMeetNode_ = start;
        recordBackwardChain();
        result = Outcome::Solved;
    }
    clearBoxes();
    return result;
}

// A 0 entry is a box the packing solver took off the board; cell 0 is a wall, never a box cell.
void TwoSolver::loadNode(const TwoNode* node) {
    for (int i = 0; i < two_.threadTwoBoxCount; i++) {
        two_.workBoxList[i] = node->boxes[i];
        if (node->boxes[i] != 0) two_.threadTwoBoard[node->boxes[i]] = BoxOn;
    }
}

void TwoSolver::clearBoxes() {
    for (int i = 0; i < two_.threadTwoBoxCount; i++)
        if (two_.workBoxList[i] != 0) two_.threadTwoBoard[two_.workBoxList[i]] = Free;
}

bool TwoSolver::tunnelExitListed(int exit, int h) const {
    for (int l = 1; l < h; l++)
        if (rangeCells_[l] == exit) return true;
    return false;
}

// Candidate moves of the start position (its boxes on the board, the player on `player`); a move that
// reaches a root solves the level at once.
TwoSolver::Step TwoSolver::expandStart(int player) {
    nodeLowest_ = nodeReach_.fill(lv_, two_.threadTwoBoard.data(), player);
    nodeBoxesKey_ = boxesKey(two_.workBoxList.data(), two_.threadTwoBoxCount);
    return expandPosition(nullptr, nodeLowest_, -1, true);
}

TwoSolver::Step TwoSolver::twoExpandForward() {
    return expandNode(forward_.take(), true);
}

TwoSolver::Step TwoSolver::twoExpandBackward() {
    return expandNode(backward_.take(), false);
}

TwoSolver::Step TwoSolver::expandNode(TwoNode* node, bool forward) {
    if (node == nullptr) return Step::Dry;
    control_.threadTwoLive.offer(node->boxes, two_.threadTwoBoxCount, node->player); // for the window
    loadNode(node);
    nodeLowest_ = nodeReach_.fill(lv_, two_.threadTwoBoard.data(), node->player);
    nodeBoxesKey_ = boxesKey(two_.workBoxList.data(), two_.threadTwoBoxCount);
    const Step result = expandPosition(node, node->player, node->movedBox, forward);
    clearBoxes();
    return result;
}

// Tries every whole move of every box but `skip` from the position on the board (its player's reach
// marked in nodeReach_): pushes forward, pulls backward. `parent` is none for the start position.
TwoSolver::Step TwoSolver::expandPosition(TwoNode* parent, int player, int skip, bool forward) {
    const int n = two_.threadTwoBoxCount;
    int* board = two_.threadTwoBoard.data();
    const auto* masks = forward ? two_.pushMask32.data() : two_.pullMask32.data();
    Step result = Step::Continue;
    for (int j = 0; j < n && result == Step::Continue; j++) {
        if (j == skip) continue;
        const int b = two_.workBoxList[j];
        bool reachable = false;
        for (int d = 0; d < 4 && !reachable; d++) reachable = nodeReach_[b + lv_.dirOffset[d]] != 0;
        if (!reachable) continue;
        int* cells = rangeCells_.data();
        int* players = rangePlayers_.data();
        const int h = parent == nullptr ? pushRange(lv_, board, range_, b, player, cells, players)
                      : forward         ? pushRangeOn(lv_, board, range_, b, player, cells, players)
                                        : pullRange(lv_, board, range_, b, player, cells, players);
        board[b] = Free;
        for (int l = 1; l < h && result == Step::Continue; l++) {
            const int u = cells[l];
            if (masks[u] == 0) continue;
            if (noRest[u] == 1 || (tunnelExit[u] != 0 && tunnelExitListed(tunnelExit[u], h))) {
                // The tunnel rules are heuristics: a backward search they pruned proves nothing.
                if (!forward) backwardPruned_ = true;
                continue;
            }
            two_.workBoxList[j] = u;
            board[u] = BoxOn;
            result = tryMove(parent, j, b, u, players[l], forward);
            board[u] = Free;
        }
        board[b] = BoxOn;
        two_.workBoxList[j] = b;
    }
    return result;
}

// Box `box` has moved from `from` to `to`, the player stands on `stand`, and the position is on the board.
// Rejects a dead position, stores a new one, or finishes when the position is known from the other side.
TwoSolver::Step TwoSolver::tryMove(TwoNode* parent, int box, int from, int to, int stand, bool forward) {
    const int n = two_.threadTwoBoxCount;
    int* board = two_.threadTwoBoard.data();
    const auto* masks = forward ? two_.pushMask32.data() : two_.pullMask32.data();
    if (forward && freezeTest(lv_, board, to) == 1) return Step::Continue;
    if (masks[to] != masks[from] && maskMatchFeasible(lv_, masks, two_.workBoxList.data(), n) == 0)
        return Step::Continue;
    // The child's region: the node's, shifted by the box's two cells, where nothing else changes;
    // else a flood from the player's cell.
    int player = nodeReach_.shift(lv_, board, from, to, nodeLowest_);
    const bool shifted = player >= 0;
    if (!shifted) player = childReach_.fill(lv_, board, stand);
    const Step result = storeMove(parent, box, from, to, stand, player, forward,
                                  shifted ? nodeReach_.data() : childReach_.data());
    if (shifted) nodeReach_.unshift(from, to);
    return result;
}

// The rest of tryMove, with the child's normalised player cell known and its region marked in `reach`.
TwoSolver::Step TwoSolver::storeMove(TwoNode* parent, int box, int from, int to, int stand, int player,
                                     bool forward, const int* reach) {
    const int n = two_.threadTwoBoxCount;
    if (forward && corralDeadlock(to, stand, reach)) return Step::Continue;
    const int knownAreas = forward ? corralAreas : -1;

    const std::uint64_t key = positionKey(movedBoxKey(nodeBoxesKey_, from, to), player);
    TwoNode* node = twoFindNode(key, player);
    if (node == nullptr) {
        // The start's moves are stored whatever the node limit.
        node = storeNode(player, box, forward ? SideForwardPushes : SideBackwardPulls, parent,
                         parent != nullptr);
        if (node == nullptr) return Step::Full;
        if (forward) {
            forward_.append(node, regionBonus(reach, knownAreas));
            for (int i = 0; i < n; i++) twoBoxTally[two_.workBoxList[i]]++;
        } else {
            backward_.append(node, backwardPriority(reach));
        }
        return Step::Continue;
    }
    if (node->side != (forward ? SideBackwardPulls : SideForwardPushes)) return Step::Continue;
    if (parent == nullptr) {
        recordBoxMove(from, to, player);
        return Step::Solved;
    }
    if (!forward) {
        // The forward chain leads from the start to the meeting position; the backward chain goes on
        // from there to the solved position.
        recordForwardChain(node);
        twoMeetNode_ = node;
    }
    for (int i = 0; i < n; i++) node->boxes[i] = static_cast<std::int16_t>(two_.workBoxList[i]);
    node->parent = parent;
    node->movedBox = static_cast<std::int8_t>(box);
    if (forward) recordForwardChain(node);
    return Step::Solved;
}

// Records one box move straight into the hand-off: a level solved by one move from the start, or a
// move of the packing solver's tail.
void TwoSolver::recordBoxMove(int from, int to, int player) {
    if (handoff_.count >= MaxHandoff) {
        handoff_.over = 1;
    } else {
        handoff_.to[handoff_.count] = static_cast<std::int16_t>(to);
        handoff_.player[handoff_.count] = static_cast<std::int16_t>(player);
        handoff_.from[handoff_.count] = static_cast<std::int16_t>(from);
        handoff_.count++;
    }
    handoff_.lastPlayer = player;
    handoff_.board[from] = Free;
    handoff_.board[to] = BoxOn;
}

} // namespace cw
