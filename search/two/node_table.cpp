// Thread two's node table, its store clearing and the recording of node chains into the hand-off.
#include "search/two/two_solver.h"

namespace cw {

TwoSolver::TwoSolver(const Level& level, ThreadTwoCopies& two, RunControl& control, NodeStores& stores)
    : lv_(level), two_(two), control_(control), stores_(stores) {
    handoff_.from.resize(MaxHandoff);
    handoff_.to.resize(MaxHandoff);
    handoff_.player.resize(MaxHandoff);
    if (stores.storesReady()) {
        std::byte* store = stores.nodeStoreTwo();
        cache_.attach(reinterpret_cast<CorralRecord*>(store + StoreTwoPatternCache.offset),
                      PatternCacheRecords, PatternCacheRecords);
        table_.attach(store + StoreTwoNodeTable.offset, StoreTwoNodeTable.bytes, TwoIndexEntries,
                      StoreTwoNodeTable.bytes / sizeof(TwoNode));
    }
}

TwoNode* TwoSolver::twoFindNode(std::uint64_t key, int player) {
    const int n = two_.threadTwoBoxCount;
    const int* board = two_.threadTwoBoard.data();
    return table_.find(key, [&](const TwoNode& node) {
        if (node.player != player) return false;
        for (int i = 0; i < n; i++)
            if (board[node.boxes[i]] != BoxOn) return false;
        return true;
    });
}

// The plan search takes boxes off the board: their entries are 0, left out of the key and of the
// comparison, and a position matches only one with as many boxes left.
TwoNode* TwoSolver::packFindNode(int player, int boxesLeft) {
    const int n = two_.threadTwoBoxCount;
    const int* board = two_.threadTwoBoard.data();
    const std::uint64_t key = positionKey(boxesKey(two_.workBoxList.data(), n), player);
    return table_.find(key, [&](const TwoNode& node) {
        if (node.player != player || node.boxesLeft() != boxesLeft) return false;
        for (int i = 0; i < n; i++)
            if (node.boxes[i] != 0 && board[node.boxes[i]] != BoxOn) return false;
        return true;
    });
}

// Empties the node table and the pattern cache: each clears what it filled.
void TwoSolver::twoClearStore() {
    table_.clear();
    table_.stats.reset();
    cache_.clear();
    nodeCount_ = 0;
    publishNodeCount();
    twoMeetNode_ = nullptr;
    forward_.clear();
    corralStamp_ = 0;
}

TwoNode* TwoSolver::storeNode(int player, int movedBox, int side, TwoNode* parent, bool limited) {
    if (limited && nodeCount_ >= TwoNodeLimit) return nullptr;
    TwoNode* node = table_.add();
    if (node == nullptr) return nullptr;
    // The progress display needs only a recent count; one shared write per node would cost more.
    if ((++nodeCount_ & 4095) == 0) publishNodeCount();
    const int n = two_.threadTwoBoxCount;
    for (int i = 0; i < n; i++) node->boxes[i] = static_cast<std::int16_t>(two_.workBoxList[i]);
    node->player = static_cast<std::int16_t>(player);
    node->movedBox = static_cast<std::int8_t>(movedBox);
    node->side = static_cast<std::int8_t>(side);
    node->parent = parent;
    node->next = nullptr;
    return node;
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
