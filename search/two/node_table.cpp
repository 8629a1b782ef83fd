// Thread two's node table, its store clearing and the recording of node chains into the hand-off.
#include <cstring>

#include "search/two/two_solver.h"

namespace cw {

TwoSolver::TwoSolver(const Level& level, ThreadTwoCopies& two, RunControl& control, NodeStores& stores)
    : lv_(level), two_(two), control_(control), stores_(stores) {
    handoff_.from.resize(MaxHandoff);
    handoff_.to.resize(MaxHandoff);
    handoff_.player.resize(MaxHandoff);
    if (stores.storesReady()) {
        cache_ = reinterpret_cast<CorralRecord*>(stores.nodeStoreTwo() + StoreTwoPatternCache);
        table_ = reinterpret_cast<TwoNode*>(stores.nodeStoreTwo() + StoreTwoNodeTable);
    }
}

TwoNode* TwoSolver::twoFindNode(int player) {
    const int n = two_.threadTwoBoxCount;
    const int* board = two_.threadTwoBoard.data();
    std::uint32_t slot = positionKey(player, two_.workBoxList.data(), n) % TwoTableSlots;
    std::uint32_t probes = 0;
    for (;;) {
        TwoNode* node = table_ + slot;
        probes++;
        if (node->player == 0) {
            probeStats_.count(probes, probes);
            return node;
        }
        if (node->player == player) {
            int i = 0;
            while (i < n && board[node->boxes[i]] == BoxOn) i++;
            if (i == n) {
                probeStats_.count(probes, probes);
                return node;
            }
        }
        slot += ProbeStep;
        if (slot >= TwoTableSlots) slot -= TwoTableSlots;
    }
}

// The plan search takes boxes off the board: their entries are 0, left out of the key and of the
// comparison, and a position matches only one with as many boxes left.
TwoNode* TwoSolver::packFindNode(int player, int boxesLeft) {
    const int n = two_.threadTwoBoxCount;
    const int* board = two_.threadTwoBoard.data();
    std::array<int, TwoMaxBoxes> cells{};
    int count = 0;
    for (int i = 0; i < n; i++)
        if (two_.workBoxList[i] != 0) cells[count++] = two_.workBoxList[i];
    std::uint32_t slot = positionKey(player, cells.data(), count) % TwoTableSlots;
    for (;;) {
        TwoNode* node = table_ + slot;
        if (node->player == 0) return node;
        if (node->player == player && node->boxesLeft() == boxesLeft) {
            int i = 0;
            while (i < n && (node->boxes[i] == 0 || board[node->boxes[i]] == BoxOn)) i++;
            if (i == n) return node;
        }
        slot += ProbeStep;
        if (slot >= TwoTableSlots) slot -= TwoTableSlots;
    }
}

// Empties the node table and the pattern cache. The thread body has just returned every page of the
// store, so only what a search of this run touched is cleared again.
void TwoSolver::twoClearStore() {
    NodeStores::zeroRange(stores_.nodeStoreTwo(), 0, NodeStoreTwoBytes);
    nodeCount_ = 0;
    probeStats_.reset();
    publishNodeCount();
    twoMeetNode_ = nullptr;
    forward_.clear();
    corralStamp_ = 0;
}

bool TwoSolver::storeNode(TwoNode* slot, int player, int movedBox, int side, TwoNode* parent, bool limited) {
    if (limited && nodeCount_ >= TwoNodeLimit) return false;
    // The progress display needs only a recent count; one shared write per node would cost more.
    if ((++nodeCount_ & 4095) == 0) publishNodeCount();
    probeStats_.stored++;
    const int n = two_.threadTwoBoxCount;
    for (int i = 0; i < n; i++) slot->boxes[i] = static_cast<std::int16_t>(two_.workBoxList[i]);
    slot->player = static_cast<std::int16_t>(player);
    slot->movedBox = static_cast<std::int8_t>(movedBox);
    slot->side = static_cast<std::int8_t>(side);
    slot->parent = parent;
    slot->next = nullptr;
    return true;
}

void TwoSolver::resetHandoff() {
    // Fixed boxes are walls on thread two's board, so the chain is compared with that board.
    handoff_.board = two_.threadTwoBoard;
    handoff_.lastPlayer = lv_.startPlayer;
    handoff_.over = 0;
    handoff_.count = 0;
}

// Records the box move that leads from handoff_.board to the node's position.
void TwoSolver::recordMove(TwoNode* node, int fallbackCell, int& count) {
    const int n = two_.threadTwoBoxCount;
    const int cells = lv_.cellCount;
    for (int c = 0; c < cells; c++) recordBoard_[c] = two_.threadTwoBoard[c] == Blocked ? Blocked : Free;
    for (int i = 0; i < n; i++)
        if (node->boxes[i] != 0) recordBoard_[node->boxes[i]] = BoxOn;
    int to = -1, from = -1;
    for (int c = 0; c < cells && (to < 0 || from < 0); c++) {
        const bool nodeBox = recordBoard_[c] == BoxOn;
        const bool handBox = handoff_.board[c] == BoxOn;
        if (nodeBox && !handBox && to < 0) to = c;
        if (handBox && !nodeBox && from < 0) from = c;
    }
    if (from < 0) to = from = fallbackCell;
    if (count >= MaxHandoff) {
        handoff_.over = 1;
    } else {
        handoff_.from[count] = static_cast<std::int16_t>(from);
        handoff_.to[count] = static_cast<std::int16_t>(to);
        handoff_.player[count] = node->player;
        count++;
    }
    handoff_.lastPlayer = node->player;
    handoff_.board[from] = Free;
    handoff_.board[to] = BoxOn;
}

// The cell of the box whose move made the node; roots have no moved box and give their first box.
int TwoSolver::movedCell(const TwoNode* node) const {
    const int i = node->movedBox;
    return node->boxes[i >= 0 && i < two_.threadTwoBoxCount ? i : 0];
}

void TwoSolver::recordForwardChain(TwoNode* node) {
    std::vector<TwoNode*> chain;
    for (TwoNode* n = node; n != nullptr; n = n->parent) chain.push_back(n);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) recordMove(*it, movedCell(*it), handoff_.count);
}

void TwoSolver::recordStageChain(TwoNode* node) {
    std::vector<TwoNode*> chain;
    for (TwoNode* n = node; n != nullptr && n->parent != nullptr; n = n->parent) chain.push_back(n);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) recordMove(*it, movedCell(*it), handoff_.count);
}

void TwoSolver::recordBackwardChain() {
    int count = handoff_.count;
    TwoNode* before = twoMeetNode_;
    for (TwoNode* n = twoMeetNode_ != nullptr ? twoMeetNode_->parent : nullptr; n != nullptr; n = n->parent) {
        recordMove(n, movedCell(before), count);
        before = n;
    }
    handoff_.count = count;
}

} // namespace cw
