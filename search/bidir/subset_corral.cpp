// The corral test of the bidirectional searches: finding the corrals next to a pushed box, the
// search over the boxes bordering one, and its table of cached answers.
#include "search/bidir/subset_corral.h"

namespace cw {

template <typename V> void SubsetCorral<V>::setUp() {
    table_.clear();
    subsetStamp = 0;
    subsetNodeCounter = 0;
    for (int c = 0; c < lv_.cellCount; c++)
        subsetBoard_[c] = stage_.stageBoard[c] == Blocked ? Blocked : Free;
}

template <typename V> bool SubsetCorral<V>::corralTest(int cell, int player, const int* reach) {
    return V::Pairs ? corralsAndPairsAround(cell, player, reach) : corralsAround(cell, player, reach);
}

template <typename V> bool SubsetCorral<V>::corralsAround(int cell, int player, const int* reach) {
    const int* board = stage_.stageBoard.data();
    seen_.clear();
    for (int k = 0; k < 8; k++) {
        const int x = cell + lv_.ringOffset[k];
        if (board[x] != Free || reach[x] != 0 || seen_[x] != 0) continue;
        area_.fill(lv_, board, x);
        if (refuses(corralSubsetTest(area_.data(), player))) return true;
        seen_.add(lv_, board, x);
    }
    return false;
}

// Each corral alone, then joined with each free area beyond one of the boxes that border it: two
// corrals may be dead together where neither is alone.
template <typename V> bool SubsetCorral<V>::corralsAndPairsAround(int cell, int player, const int* reach) {
    const int* board = stage_.stageBoard.data();
    const auto& ring = lv_.ringOffset;
    seen_.clear();
    for (int k = 0; k < 8; k++) {
        const int x = cell + ring[k];
        if (board[x] != Free || reach[x] != 0 || seen_[x] != 0) continue;
        first_.fill(lv_, board, x);
        if (refuses(corralSubsetTest(first_.data(), player))) return true;
        seen_.add(lv_, board, x);
        // Covered: the player's region (reach), this corral and the areas joined to it so far.
        covered_.fill(lv_, board, x);
        for (int j = 0; j < stage_.stageBoxCount; j++) {
            const int b = stage_.stageBoxList[j];
            bool borders = false;
            for (int r = 0; r < 8 && !borders; r++) borders = first_[b + ring[r]] != 0;
            if (!borders) continue;
            for (int r = 0; r < 8; r++) {
                const int y = b + ring[r];
                if (board[y] != Free || reach[y] != 0 || covered_[y] != 0) continue;
                area_.fill(lv_, board, y);
                if (refuses(corralSubsetTest(area_.data(), player, first_.data()))) return true;
                covered_.add(lv_, board, y);
            }
        }
    }
    return false;
}

template <typename V>
CorralResult SubsetCorral<V>::corralSubsetTest(const int* area, int player, const int* also) {
    const auto& ring = lv_.ringOffset;
    subsetBoxCount = 0;
    for (int j = 0; j < stage_.stageBoxCount; j++) {
        const int b = stage_.stageBoxList[j];
        bool borders = false;
        for (int r = 0; r < 8 && !borders; r++)
            borders = area[b + ring[r]] != 0 || (also != nullptr && also[b + ring[r]] != 0);
        if (!borders) continue;
        if (subsetBoxCount == V::MaxBoxes) return CorralResult::TooLarge; // not tested by this variant
        subsetBoxList[subsetBoxCount++] = b;
    }
    return subsetSearch(player);
}

template <typename V> void SubsetCorral<V>::putSubsetBoxes(int value) {
    for (int i = 0; i < subsetBoxCount; i++) subsetBoard_[subsetBoxList[i]] = value;
}

template <typename V> CorralResult SubsetCorral<V>::subsetSearch(int player) {
    const std::uint32_t s = subsetStamp;
    subsetNodeCounter = static_cast<int>(s);
    subsetTestInserts = 0;
    subsetStamp = s + 1;
    queue_.clear();

    putSubsetBoxes(BoxOn);
    const CorralResult r = subsetInsert(player);
    putSubsetBoxes(Free);
    if (r != CorralResult::Pending) {
        subsetStamp = s; // answered without a search: the test number is free again
        return r;
    }
    if (subsetNodeCounter >= V::CounterLimit) return CorralResult::Open;
    Node* root = subsetProbe;
    while (!control_.stopped()) {
        const Node* node = queue_.take();
        if (node == nullptr) {
            root->result = CorralRecordDead;
            return CorralResult::Dead;
        }
        if (childOpens(node)) {
            // A child solved, or past a node limit, which can prove nothing: no deadlock is cached,
            // so the same subproblem is not searched again in vain.
            root->result = CorralRecordOpen;
            return CorralResult::Open;
        }
    }
    return CorralResult::Stopped; // the push is refused and the calling search ends at its next poll
}

template <typename V> bool SubsetCorral<V>::childOpens(const Node* node) {
    int* board = subsetBoard_.data();
    subsetBoxCount = node->count;
    for (int i = 0; i < subsetBoxCount; i++) subsetBoxList[i] = node->boxes[i];
    putSubsetBoxes(BoxOn);
    const int lowest = nodeMark_.fill(lv_, board, node->player);
    for (int i = 0; i < subsetBoxCount; i++) {
        const int e = subsetBoxList[i];
        board[e] = Free;
        for (int d = 0; d < 4; d++) {
            const int behind = e + lv_.dirOffset[d];
            const int t = e - lv_.dirOffset[d];
            if (nodeMark_[behind] == 0 || board[t] != Free || stage_.stagePushMask[t] == 0) continue;
            board[t] = BoxOn;
            subsetBoxList[i] = t;
            // The child's region: the node's shifted by the pushed box, where nothing else changes.
            const int shifted = nodeMark_.shift(lv_, board, e, t, lowest);
            const bool open =
                !pushFreezes(t) && (shifted >= 0 ? subsetInsert(behind, nodeMark_.data(), shifted)
                                                 : subsetInsert(behind)) == CorralResult::Open;
            if (shifted >= 0) nodeMark_.unshift(e, t);
            if (open) {
                putSubsetBoxes(Free);
                return true;
            }
            board[t] = Free;
        }
        // Box i goes back on e in the list too, so that later children are keyed on where it stands.
        board[e] = BoxOn;
        subsetBoxList[i] = e;
    }
    putSubsetBoxes(Free);
    return false;
}

template <typename V> bool SubsetCorral<V>::pushFreezes(int t) {
    int* board = subsetBoard_.data();
    if constexpr (!V::GoalGroupRule) {
        return freezeTest(lv_, board, t) == 1;
    } else {
        ranges_.frozenOffGoal = 0;
        if (freezeTestFlag(lv_, board, t, ranges_) == 0) return false;
        if (ranges_.frozenOffGoal != 0) return true;
        // Frozen on goals: with it as a wall, a neighbour off its goal may be frozen by it.
        board[t] = Blocked;
        bool frozen = false;
        for (int r = 0; r < 8 && !frozen; r++) {
            const int n = t + lv_.ringOffset[r];
            frozen = board[n] == BoxOn && lv_.goalMap[n] == 0 && freezeTestFlag(lv_, board, n, ranges_) == 1;
        }
        board[t] = BoxOn;
        return frozen;
    }
}

template <typename V> CorralResult SubsetCorral<V>::subsetInsert(int player, const int* region, int lowest) {
    int* board = subsetBoard_.data();
    const auto& ring = lv_.ringOffset;
    int q = lowest;
    if (region == nullptr) {
        q = insertMark_.fill(lv_, board, player);
        region = insertMark_.data();
    }
    std::array<int, V::MaxBoxes> active{};
    std::array<int, V::MaxBoxes> released{};
    int activeCount = 0;
    int releasedCount = 0;
    std::uint64_t boxes = 0;
    bool offGoal = false;
    for (int i = 0; i < subsetBoxCount; i++) {
        const int b = subsetBoxList[i];
        int k = 0;
        while (k < 8 && !(board[b + ring[k]] == Free && region[b + ring[k]] == 0)) k++;
        if (k == 8) {
            released[releasedCount++] = b; // no cut-off cell around it: it leaves the subproblem
            continue;
        }
        active[activeCount++] = b;
        boxes ^= boxKey(b);
        offGoal = offGoal || lv_.goalMap[b] == 0;
    }
    if (!offGoal) return CorralResult::Open;

    // Without the released boxes the region grows; with none it is the one just flooded.
    for (int i = 0; i < releasedCount; i++) board[released[i]] = Free;
    if (releasedCount > 0) q = insertMark_.fill(lv_, board, player);
    const std::uint32_t stamp = subsetStamp;
    // An empty node, or one an earlier test left undecided, ends the walk; the node goes there.
    const auto found = table_.find(
        positionKey(boxes, q),
        [stamp](const Node& n) {
            return n.player == 0 || (n.stamp != stamp && n.result == CorralRecordUndecided);
        },
        [&](const Node& n) {
            if (n.count != activeCount || n.player != static_cast<std::int16_t>(q)) return false;
            for (int i = 0; i < activeCount; i++)
                if (board[n.boxes[i]] != BoxOn) return false;
            return true;
        });
    subsetProbe = found.record;
    for (int i = 0; i < releasedCount; i++) board[released[i]] = BoxOn;

    Node& n = *found.record;
    if (found.known) {
        if (n.result == CorralRecordOpen) return CorralResult::Open;
        return n.result == CorralRecordDead ? CorralResult::Dead : CorralResult::Pending;
    }
    if (subsetNodeCounter >= V::CounterLimit || subsetTestInserts >= SubsetTestInsertLimit)
        return CorralResult::Open;
    subsetNodeCounter++;
    subsetTestInserts++;
    if (n.player == 0) table_.noteFilled(&n);
    n.stamp = subsetStamp;
    for (int i = 0; i < activeCount; i++) n.boxes[i] = static_cast<std::int16_t>(active[i]);
    n.player = static_cast<std::int16_t>(q);
    n.count = static_cast<std::int8_t>(activeCount);
    n.result = CorralRecordUndecided;
    queue_.append(&n, V::MaxBoxes - activeCount);
    return CorralResult::Pending;
}

template class SubsetCorral<SmallSubset>;
template class SubsetCorral<LargeSubset>;

} // namespace cw
