// The probe search: a small best-first forward search on the smaller level after a placement. A box
// counts as done once it is free (it can still reach three positions that split no area, without
// freezing or a corral deadlock); the level looks solvable once every box is free or on a goal.
#include "search/main/main_search.h"

namespace cw {

int MainSearch::probeSearch() {
    clearOrderSpace();
    orderBuckets_.clear();
    orderNodeCount = 0;
    const int n = pos_.boxCount;
    const int cells = lv_.cellCount;
    for (int c = 0; c < cells; c++) {
        parkBoard[c] = 0;
        orderBoard[c] = pos_.searchBoard[c];
    }
    for (int i = 0; i < n; i++) {
        slotCell[i] = pos_.boxList[i];
        slotState[i] = SlotOnGoal;
    }
    axisGoalReach();
    if (evaluateProbe(pos_.searchPlayer) == code(Outcome::Solved)) return code(Outcome::Solved);
    for (int i = 0; i < n; i++) orderBoard[slotCell[i]] = Free;

    int result = code(Outcome::Timeout);
    while (OrderNode* node = nextOrderNode(result)) {
        for (int i = 0; i < n; i++) {
            slotCell[i] = node->cell[i];
            slotState[i] = node->state[i];
            if (slotState[i] != SlotParked) orderBoard[slotCell[i]] = BoxOn;
        }
        const int player = node->player;
        int r = 1;
        for (int i = 0; i < n && r == 1; i++) {
            const int s = slotState[i];
            if (s == SlotParked) continue;
            const int c = slotCell[i];
            moveRange(i, c, player, 1);
            const int count = ranges_.rangeCount;
            if (count <= 1) continue;
            // evaluateProbe fills the range lists again: walk a copy.
            for (int j = 0; j < count; j++) {
                moveCells_[j] = ranges_.rangeCell[j];
                movePlayers_[j] = ranges_.rangePlayer[j];
            }
            orderBoard[c] = Free;
            for (int j = count - 1; j >= 1 && r == 1; j--) {
                const int d = moveCells_[j];
                if (pos_.corridorCode[d] == 2) continue;
                // One position of many boxes takes long to expand: look at the clock per child.
                if (stopped()) {
                    r = code(Outcome::Timeout);
                    break;
                }
                slotCell[i] = d;
                orderBoard[d] = BoxOn;
                slotState[i] = s == SlotOnGoal ? SlotPulled : SlotMoved;
                r = evaluateProbe(movePlayers_[j]);
                if (r == 1) orderBoard[d] = Free;
            }
            if (r != 1) break;
            slotCell[i] = c;
            orderBoard[c] = BoxOn;
            slotState[i] = s;
        }
        if (r != 1) {
            result = r;
            break;
        }
        for (int i = 0; i < n; i++)
            if (slotState[i] != SlotParked) orderBoard[slotCell[i]] = Free;
    }
    publishOrderCount();
    if (probeCorral_.markSpentTests() > 0) {
        probesPastMark++;
        unprunedProbeTests += probeCorral_.markSpentTests();
    }
    return result;
}

int MainSearch::evaluateProbe(int player) {
    const int n = pos_.boxCount;
    std::array<int, MaxBoxes> copy;
    for (int i = 0; i < n; i++) copy[i] = slotState[i];
    bool freed = true;
    while (freed) {
        freed = false;
        for (int i = 0; i < n; i++) {
            if (copy[i] == SlotParked) continue;
            if (moveRange(i, slotCell[i], player, 0) == 1) {
                copy[i] = SlotParked;
                orderBoard[slotCell[i]] = Free;
                freed = true;
            }
        }
    }
    const int a = probeReach_.fill(lv_, orderBoard.data(), player);
    std::uint64_t key = playerKey(a);
    int priority = 0, done = 0, unmoved = 0, active = 0;
    for (int i = 0; i < n; i++) {
        const int t = copy[i];
        const int o = slotCell[i];
        const bool g = lv_.goalMap[o] != 0;
        if (t == SlotParked) {
            priority += 4;
            done++;
            continue;
        }
        if (t == SlotOnGoal) {
            unmoved++;
            priority += g ? 3 : 2;
        } else if (t == SlotPulled) {
            priority += g ? 3 : 1;
        } else {
            priority += g ? 3 : 0;
        }
        key ^= boxKey(o);
        active++;
        done += g ? 1 : 0;
    }
    if (done == n && (active == 0 || unmoved == 0 || assignmentCheck(copy, a) != 0))
        return code(Outcome::Solved);

    // A stored node is the same position when its player, its count of boxes still moving and the
    // cells of those boxes agree.
    const auto found = probeTable_.find(
        key, [](const OrderNode& node) { return node.player == 0; },
        [&](const OrderNode& node) {
            if (node.player != a || node.activeCount != active) return false;
            for (int i = 0; i < n; i++)
                if (node.state[i] != SlotParked && orderBoard[node.cell[i]] != BoxOn) return false;
            return true;
        });
    if (!found.known) {
        if (orderNodeCount >= ProbeNodeLimit) return code(Outcome::Failed);
        orderNodeCount++;
        OrderNode& node = *found.record;
        probeTable_.noteFilled(&node);
        for (int i = 0; i < n; i++) {
            node.cell[i] = static_cast<std::int16_t>(slotCell[i]);
            node.state[i] = static_cast<std::uint8_t>(copy[i]);
        }
        node.player = static_cast<std::int16_t>(a);
        node.activeCount = static_cast<std::uint8_t>(active);
        node.parent = nullptr;
        orderBuckets_.append(&node, priority);
    }
    for (int i = 0; i < n; i++)
        if (slotState[i] != SlotParked) orderBoard[slotCell[i]] = BoxOn;
    return 1;
}

void MainSearch::collectProbeBoxes() {
    probeBoxCount_ = 0;
    for (int i = 0; i < pos_.boxCount; i++) {
        const int c = slotCell[i];
        if (c != 0 && orderBoard[c] == BoxOn) probeBoxes_[probeBoxCount_++] = c;
    }
}

int MainSearch::moveRange(int k, int c, int player, int moving) {
    if (moving == 0 && axisReach[c] == 1) return 0;
    int* board = orderBoard.data();
    for (int x = 0; x < sideSeenCount_; x++) sideSeen[sideSeenCells_[x]] = 0;
    sideSeenCount_ = 0;
    const int a = probeReach_.fill(lv_, board, player);
    int s0 = 0;
    for (int bit = 1; bit <= 8; bit <<= 1)
        if (probeReach_[c + lv_.dirBitOffset[bit]] != 0) s0 |= bit;
    ranges_.rangeCell[0] = c;
    ranges_.rangePlayer[0] = a;
    ranges_.rangeSides[0] = s0;
    ranges_.rangeCount = 1;
    markSideSeen(c, s0);
    if (s0 == 0) return 0;

    int free = ringCut(c) == 0 ? 1 : 0;
    board[c] = Free;
    int count = 1;
    for (int h = 0; h < count && free < 3; h++) {
        const int t = ranges_.rangeCell[h];
        const int sides = ranges_.rangeSides[h];
        for (int e = 1; e <= 8; e <<= 1) {
            if ((sides & e) == 0) continue;
            const int d = t - lv_.dirBitOffset[e];
            if (board[d] != Free || pos_.pushMask[d] == 0 || (sideSeen[d] & e) != 0) continue;
            if (count >= MaxRangeEntries) continue;
            board[d] = BoxOn;
            slotCell[k] = d;
            // The child's region: the start's, shifted by the box's two cells, where nothing else
            // changes; else a flood from the cell the player pushed from.
            int a2 = probeReach_.shift(lv_, board, c, d, a);
            const bool shifted = a2 >= 0;
            if (!shifted) a2 = probeChildReach_.fill(lv_, board, t + lv_.dirBitOffset[e]);
            const RegionMark& reach = shifted ? probeReach_ : probeChildReach_;
            int sidesHere = 0;
            for (int bit = 1; bit <= 8; bit <<= 1)
                if (reach[d + lv_.dirBitOffset[bit]] != 0) sidesHere |= bit;
            markSideSeen(d, sidesHere);

            bool keep = true;
            ranges_.frozenOffGoal = 0;
            if (freezeTestFlag(lv_, board, d, ranges_) == 1) {
                keep = ranges_.frozenOffGoal == 0;
            } else {
                // A wall here for a moment: does a neighbour off its goal freeze against it?
                board[d] = Blocked;
                for (int r = 0; r < 8 && keep; r++) {
                    const int nb = d + lv_.ringOffset[r];
                    if (board[nb] != BoxOn || lv_.goalMap[nb] != 0) continue;
                    ranges_.frozenOffGoal = 0;
                    keep = freezeTestFlag(lv_, board, nb, ranges_) == 0;
                }
                board[d] = BoxOn;
            }
            if (keep) {
                collectProbeBoxes();
                keep = probeCorral_.penTest(d, a2, reach.data()) == 0;
            }
            if (shifted) probeReach_.unshift(c, d);
            if (keep) {
                ranges_.rangeCell[count] = d;
                ranges_.rangePlayer[count] = a2;
                ranges_.rangeSides[count] = sidesHere;
                count++;
                ranges_.rangeCount = count;
                if (ringCut(d) == 0) free++;
            }
            board[d] = Free;
        }
    }
    board[c] = BoxOn;
    slotCell[k] = c;
    return (axisReach[c] == 0 && free >= 3) ? 1 : 0;
}

int MainSearch::ringCut(int c) const {
    std::array<bool, 8> occupied;
    for (int k = 0; k < 8; k++) occupied[k] = orderBoard[c + lv_.ringOffset[k]] != 0;
    // A diagonal is closed when both cells beside it are.
    for (int k = 1; k < 8; k += 2)
        if (occupied[k - 1] && occupied[(k + 1) % 8]) occupied[k] = true;
    int cuts = 0;
    for (int k = 0; k < 8 && cuts < 2; k++)
        if (occupied[(k + 7) % 8] && !occupied[k]) cuts++;
    return cuts >= 2 ? 1 : 0;
}

int MainSearch::assignmentCheck(const std::array<int, MaxBoxes>& states, int player) {
    const int n = pos_.boxCount;
    const int cells = lv_.cellCount;
    int* board = scratchBoard_.data();
    for (int c = 0; c < cells; c++) board[c] = pos_.searchBoard[c] == Blocked ? Blocked : Free;
    for (int i = 0; i < n; i++)
        if (states[i] == SlotOnGoal) board[slotCell[i]] = Blocked;
    Matrix matrix;
    for (int k = 0; k < n; k++) {
        const int start = pos_.boxList[k];
        int* row = &matrix[k * MaxBoxes];
        for (int j = 0; j < n; j++) row[j] = 0;
        if (board[start] == Blocked) {
            for (int j = 0; j < n; j++) row[j] = pos_.goalList[j] == start ? 1 : 0;
            continue;
        }
        board[start] = BoxOn;
        pushRangeList(lv_, board, start, player, ranges_);
        board[start] = Free;
        for (int j = 0; j < n; j++)
            row[j] = ranges_.scratch.sidesAt(pos_.goalList[j]) != 0 || pos_.goalList[j] == start ? 1 : 0;
    }
    return matchFeasible(matrix.data(), n, 0) != 0 ? 1 : 0;
}

void MainSearch::axisGoalReach() {
    const int n = pos_.boxCount;
    const int cells = lv_.cellCount;
    int* sb = pos_.searchBoard.data();
    for (int c = 0; c < cells; c++) axisReach[c] = 0;
    for (int i = 0; i < n; i++) sb[pos_.boxList[i]] = Free;
    for (int i = 0; i < n; i++) {
        const int g = pos_.goalList[i];
        sb[g] = BoxOn;
        pushRangeList(lv_, sb, g, pos_.searchPlayer, ranges_);
        sb[g] = Free;
        const int dirs = ranges_.rangePushDirs;
        const bool horizontal = (dirs & (2 | 8)) != 0;
        const bool vertical = (dirs & (1 | 4)) != 0;
        if (horizontal && vertical) continue;
        for (int e = 0; e < ranges_.rangeCount; e++) axisReach[ranges_.rangeCell[e]] = 1;
    }
    for (int i = 0; i < n; i++) sb[pos_.boxList[i]] = BoxOn;
}

} // namespace cw
