// The probe search: a small best-first forward search on the smaller level after a placement. A box
// counts as done once it is free (it can still reach three positions that split no area, without
// freezing or a corral deadlock); the level looks solvable once every box is free or on a goal.
#include "search/main/main_search.h"

namespace cw {

Step MainSearch::probeSearch() {
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
    if (evaluateProbe(pos_.searchPlayer) == Step::Solved) return Step::Solved;
    for (int i = 0; i < n; i++) orderBoard[slotCell[i]] = Free;

    Step result = Step::Stopped;
    while (OrderNode* node = nextOrderNode(result)) {
        for (int i = 0; i < n; i++) {
            slotCell[i] = node->cell[i];
            slotState[i] = node->state[i];
            if (slotState[i] != SlotParked) orderBoard[slotCell[i]] = BoxOn;
        }
        const int player = node->player;
        Step r = Step::Continue;
        for (int i = 0; i < n && r == Step::Continue; i++) {
            const int s = slotState[i];
            if (s == SlotParked) continue;
            const int c = slotCell[i];
            moveRange(i, c, player, true);
            const int count = ranges_.rangeCount;
            if (count <= 1) continue;
            // evaluateProbe fills the range lists again: walk a copy.
            for (int j = 0; j < count; j++) {
                moveCells_[j] = ranges_.rangeCell[j];
                movePlayers_[j] = ranges_.rangePlayer[j];
            }
            orderBoard[c] = Free;
            for (int j = count - 1; j >= 1 && r == Step::Continue; j--) {
                const int d = moveCells_[j];
                if (pos_.corridorCode[d] == CorridorPassThrough) continue;
                // One position of many boxes takes long to expand: look at the clock per child.
                if (stopped()) {
                    r = Step::Stopped;
                    break;
                }
                slotCell[i] = d;
                orderBoard[d] = BoxOn;
                slotState[i] = s == SlotOnGoal ? SlotPulled : SlotMoved;
                r = evaluateProbe(movePlayers_[j]);
                if (r == Step::Continue) orderBoard[d] = Free;
            }
            if (r != Step::Continue) break;
            slotCell[i] = c;
            orderBoard[c] = BoxOn;
            slotState[i] = s;
        }
        if (r != Step::Continue) {
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

Step MainSearch::evaluateProbe(int player) {
    std::array<int, MaxBoxes> states;
    freeProbeBoxes(states, player);
    const int a = probeReach_.fill(lv_, orderBoard.data(), player);
    const ProbeScore score = scoreProbe(states, a);
    const int n = pos_.boxCount;
    if (score.done == n && (score.active == 0 || score.unmoved == 0 || assignmentCheck(states, a)))
        return Step::Solved;
    if (storeProbeNode(states, score, a) == Step::Full) return Step::Full;
    for (int i = 0; i < n; i++)
        if (slotState[i] != SlotParked) orderBoard[slotCell[i]] = BoxOn;
    return Step::Continue;
}

// The slot states with every box that is free taken off the board as parked, until none is left.
void MainSearch::freeProbeBoxes(std::array<int, MaxBoxes>& states, int player) {
    const int n = pos_.boxCount;
    for (int i = 0; i < n; i++) states[i] = slotState[i];
    bool freed = true;
    while (freed) {
        freed = false;
        for (int i = 0; i < n; i++) {
            if (states[i] == SlotParked) continue;
            if (moveRange(i, slotCell[i], player, false)) {
                states[i] = SlotParked;
                orderBoard[slotCell[i]] = Free;
                freed = true;
            }
        }
    }
}

MainSearch::ProbeScore MainSearch::scoreProbe(const std::array<int, MaxBoxes>& states, int a) const {
    const int n = pos_.boxCount;
    ProbeScore score{playerKey(a), 0, 0, 0, 0};
    for (int i = 0; i < n; i++) {
        const int t = states[i];
        const int o = slotCell[i];
        const bool g = lv_.goalMap[o] != 0;
        if (t == SlotParked) {
            score.priority += ProbeWeightFree;
            score.done++;
            continue;
        }
        if (t == SlotOnGoal) {
            score.unmoved++;
            score.priority += g ? ProbeWeightOnGoal : ProbeWeightUnmoved;
        } else if (t == SlotPulled) {
            score.priority += g ? ProbeWeightOnGoal : ProbeWeightMovedOnce;
        } else {
            score.priority += g ? ProbeWeightOnGoal : 0;
        }
        score.key ^= boxKey(o);
        score.active++;
        score.done += g ? 1 : 0;
    }
    return score;
}

// A stored node is the same position when its player, its count of boxes still moving and the
// cells of those boxes agree. Continue, or Full past the probe's node limit.
Step MainSearch::storeProbeNode(const std::array<int, MaxBoxes>& states, const ProbeScore& score, int a) {
    const int n = pos_.boxCount;
    const auto found = probeTable_.find(
        score.key, [](const OrderNode& node) { return node.player == 0; },
        [&](const OrderNode& node) {
            if (node.player != a || node.activeCount != score.active) return false;
            for (int i = 0; i < n; i++)
                if (node.state[i] != SlotParked && orderBoard[node.cell[i]] != BoxOn) return false;
            return true;
        });
    if (found.known) return Step::Continue;
    if (orderNodeCount >= ProbeNodeLimit) return Step::Full;
    orderNodeCount++;
    OrderNode& node = *found.record;
    probeTable_.noteFilled(&node);
    for (int i = 0; i < n; i++) {
        node.cell[i] = static_cast<std::int16_t>(slotCell[i]);
        node.state[i] = static_cast<std::uint8_t>(states[i]);
    }
    node.player = static_cast<std::int16_t>(a);
    node.activeCount = static_cast<std::uint8_t>(score.active);
    node.parent = nullptr;
    orderBuckets_.append(&node, score.priority);
    return Step::Continue;
}

void MainSearch::collectProbeBoxes() {
    probeBoxCount_ = 0;
    for (int i = 0; i < pos_.boxCount; i++) {
        const int c = slotCell[i];
        if (c != 0 && orderBoard[c] == BoxOn) probeBoxes_[probeBoxCount_++] = c;
    }
}

bool MainSearch::moveRange(int k, int c, int player, bool moving) {
    if (!moving && axisReach[c] == 1) return false;
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
    if (s0 == 0) return false;

    int free = ringCut(c) ? 0 : 1;
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
                keep = !probeCorral_.penTest(d, a2, reach.data());
            }
            if (shifted) probeReach_.unshift(c, d);
            if (keep) {
                ranges_.rangeCell[count] = d;
                ranges_.rangePlayer[count] = a2;
                ranges_.rangeSides[count] = sidesHere;
                count++;
                ranges_.rangeCount = count;
                if (!ringCut(d)) free++;
            }
            board[d] = Free;
        }
    }
    board[c] = BoxOn;
    slotCell[k] = c;
    return axisReach[c] == 0 && free >= 3;
}

bool MainSearch::ringCut(int c) const {
    std::array<bool, 8> occupied;
    for (int k = 0; k < 8; k++) occupied[k] = orderBoard[c + lv_.ringOffset[k]] != 0;
    // A diagonal is closed when both cells beside it are.
    for (int k = 1; k < 8; k += 2)
        if (occupied[k - 1] && occupied[(k + 1) % 8]) occupied[k] = true;
    int cuts = 0;
    for (int k = 0; k < 8 && cuts < 2; k++)
        if (occupied[(k + 7) % 8] && !occupied[k]) cuts++;
    return cuts >= 2;
}

bool MainSearch::assignmentCheck(const std::array<int, MaxBoxes>& states, int player) {
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
    return matchFeasible(matrix.data(), n, 0) != 0;
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
