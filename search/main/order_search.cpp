// The goal-order search: a best-first backward search from the solved position that pulls boxes off
// their goals until every box is retired or stands on a start box, and the targets taken from its
// plan. Boxes with room to spare are parked or retired so that few stay on the board.
#include "search/main/main_search.h"

#include "solver/analysis.h"

namespace cw {

void MainSearch::clearOrderSpace() {
    orderTable_.clear();
    probeTable_.clear();
    probeCorral_.clearTable();
}

void MainSearch::publishOrderCount() {
    control_.orderNodeCount.store(orderNodeCount, std::memory_order_relaxed);
}

void MainSearch::setRowFromMask(int row, std::uint64_t mask) {
    const int n = pos_.boxCount;
    int* r = &slotMatrix[row * MaxBoxes];
    for (int k = 0; k < n; k++) r[k] = static_cast<int>((mask >> (n - 1 - k)) & 1u);
}

int MainSearch::boxIndexOf(int cell) const {
    return boxIndexAt_[cell] - 1;
}

int MainSearch::resetSlots() {
    const int cells = lv_.cellCount;
    for (int c = 0; c < cells; c++) {
        orderBoard[c] = pos_.searchBoard[c] == Blocked ? Blocked : Free;
        parkBoard[c] = 0;
    }
    const int n = pos_.boxCount;
    for (int i = 0; i < n; i++) {
        const int g = pos_.goalList[i];
        slotCell[i] = g;
        orderBoard[g] = BoxOn;
        slotState[i] = SlotOnGoal;
        slotMask[i] = pos_.pullMask[g];
        setRowFromMask(i, slotMask[i]);
        for (int k = 0; k < n; k++) slotMatrixSaved[i * MaxBoxes + k] = slotMatrix[i * MaxBoxes + k];
    }
    if (orderSeedPlayer != 0) orderPlayer = orderSeedPlayer;
    return orderPlayer;
}

Step MainSearch::orderSearch() {
    clearOrderSpace();
    orderBuckets_.clear();
    orderSeedPlayer = orderRooms_.goalRoomCount == 1 ? orderRooms_.goalRoomCell[0] : 0;
    orderNodeCount = 0;
    orderCurrent = nullptr;
    orderProbe = nullptr;
    const int n = pos_.boxCount;
    for (int c = 0; c < lv_.cellCount; c++) boxIndexAt_[c] = 0;
    for (int k = 0; k < n; k++) boxIndexAt_[pos_.boxList[k]] = k + 1;

    resetSlots();
    if (orderSeedPlayer != 0) {
        storeOrderNode(-1, orderSeedPlayer);
    } else {
        for (int i = 0; i < orderRooms_.goalRoomCount; i++) storeOrderNode(-1, orderRooms_.goalRoomCell[i]);
    }
    for (int i = 0; i < n; i++) orderBoard[slotCell[i]] = Free;

    Step result = Step::Stopped;
    while (OrderNode* node = nextOrderNode(result)) {
        orderCurrent = node;
        loadOrderNode(node);
        Step r = Step::Continue;
        for (int i = 0; i < n && r == Step::Continue; i++) {
            if (i == node->movedSlot || slotState[i] == SlotRetired) continue;
            r = expandSlot(i);
        }
        if (r != Step::Continue) {
            result = r == Step::Solved ? targetsFromPlan(orderProbe) : r;
            break;
        }
        unloadOrderNode();
    }
    publishOrderCount();
    return result;
}

OrderNode* MainSearch::nextOrderNode(Step& result) {
    if (stopped()) return nullptr;
    if (meet_.meetSearchSteps() == Step::Solved) {
        result = Step::Solved;
        return nullptr;
    }
    OrderNode* node = orderBuckets_.take();
    if (node == nullptr) result = Step::Dry;
    return node;
}

void MainSearch::loadOrderNode(const OrderNode* node) {
    const int n = pos_.boxCount;
    for (int i = 0; i < n; i++) {
        slotCell[i] = node->cell[i];
        slotState[i] = node->state[i];
        slotMask[i] = node->mask[i];
        if (slotState[i] == SlotParked)
            parkBoard[slotCell[i]] = BoxOn;
        else if (slotState[i] != SlotRetired)
            orderBoard[slotCell[i]] = BoxOn;
        setRowFromMask(i, slotMask[i]);
        for (int k = 0; k < n; k++) slotMatrixSaved[i * MaxBoxes + k] = slotMatrix[i * MaxBoxes + k];
    }
    orderPlayer = node->player;
}

void MainSearch::unloadOrderNode() {
    for (int i = 0; i < pos_.boxCount; i++) {
        if (slotState[i] == SlotRetired) continue;
        orderBoard[slotCell[i]] = Free;
        parkBoard[slotCell[i]] = 0;
    }
}

Step MainSearch::expandSlot(int s) {
    const int n = pos_.boxCount;
    const int c = slotCell[s];
    const int e = slotState[s];
    const std::uint64_t mask = slotMask[s];
    const int player = orderPlayer;
    if (e == SlotParked) {
        if (orderBoard[c] != 0) return Step::Continue; // another box stands on the parking cell
        parkBoard[c] = 0;
        orderBoard[c] = BoxOn;
    }
    pullRangeList(lv_, orderBoard.data(), c, orderPlayer, ranges_);
    orderBoard[c] = Free;

    Step r = retireOrParkSlot(s, c, e);
    const bool single = slotState[s] == SlotRetired || (e != SlotParked && slotState[s] == SlotParked);
    if (r == Step::Continue && !single && ranges_.rangeCount > 1) r = storePulledSlots(s, e);
    if (r != Step::Continue) return r;
    for (int k = 0; k < n; k++) slotMatrix[s * MaxBoxes + k] = slotMatrixSaved[s * MaxBoxes + k];
    if (e == SlotParked)
        parkBoard[c] = BoxOn;
    else
        orderBoard[c] = BoxOn;
    slotCell[s] = c;
    slotState[s] = e;
    slotMask[s] = mask;
    orderPlayer = player;
    return Step::Continue;
}

// The one child of a slot that can be retired, or parked when it stands off a parking cell.
Step MainSearch::retireOrParkSlot(int s, int c, int e) {
    if (ranges_.rangeCount == 1) return Step::Continue; // the box cannot be pulled anywhere
    if (tryRetireSlot(s, c)) return storeOrderNode(s, orderPlayer);
    if (e == SlotParked) return Step::Continue;
    const int t = tryParkSlot(s, true);
    if (t == 0) return Step::Continue;
    const Step r = storeOrderNode(s, orderPlayer);
    parkBoard[t] = 0;
    return r;
}

// A child for every cell slot s is pulled to, where the assignment stays feasible.
Step MainSearch::storePulledSlots(int s, int e) {
    const int n = pos_.boxCount;
    const int count = ranges_.rangeCount;
    Step r = Step::Continue;
    for (int i = 1; i < count && r == Step::Continue; i++) {
        const int w = ranges_.rangeCell[i];
        if (pos_.corridorCode[w] == CorridorPassThrough || parkBoard[w] != 0) continue;
        // A node of many slots takes long to expand: look at the clock per child.
        if (stopped()) return Step::Stopped;
        if (pos_.pullMask[w] != slotMask[s]) {
            setRowFromMask(s, pos_.pullMask[w]);
            const int ok = matchFeasible(slotMatrix.data(), n, 0);
            for (int k = 0; k < n; k++) slotMatrix[s * MaxBoxes + k] = slotMatrixSaved[s * MaxBoxes + k];
            if (ok == 0) continue;
        }
        slotCell[s] = w;
        slotMask[s] = pos_.pullMask[w];
        slotState[s] = e != SlotOnGoal ? SlotMoved : SlotPulled;
        orderBoard[w] = BoxOn;
        r = storeOrderNode(s, ranges_.rangePlayer[i]);
        orderBoard[w] = Free;
    }
    return r;
}

bool MainSearch::tryRetireSlot(int s, int c) {
    const int n = pos_.boxCount;
    if ((n <= 4 && ranges_.rangeCount < 11) || n < 1) return false;
    std::uint64_t m = 0;
    int far = 0;
    for (int k = 0; k < n; k++) {
        const int b = pos_.boxList[k];
        const int bit = ranges_.scratch.sidesAt(b) != 0 ? 1 : 0;
        m = 2 * m + static_cast<std::uint64_t>(bit);
        slotMatrix[s * MaxBoxes + k] = bit;
        if (bit == 0 || b == c || passTwoBlocked[b] != 0) continue;
        bool neighbour = false;
        for (int r = 0; r < 8 && !neighbour; r++) neighbour = b == c + lv_.ringOffset[r];
        if (!neighbour) far++;
    }
    if (m == 0 || matchFeasible(slotMatrix.data(), n, 0) == 0) return false;
    if (far <= 1 && tryParkSlot(s, false) == 0) return false;
    slotCell[s] = 0;
    slotState[s] = SlotRetired;
    slotMask[s] = m;
    orderPlayer = reach_.fill(lv_, orderBoard.data(), orderPlayer);
    return true;
}

int MainSearch::tryParkSlot(int s, bool commit) {
    const int count = ranges_.rangeCount;
    if ((pos_.boxCount <= 4 && count <= 10) || count == 1) return 0;
    const int w = lv_.boardWidth;
    const int own = slotCell[s];
    int found = 0;
    int first = 0;
    for (int e = count - 1; e >= 1 && found < 3; e--) {
        const int g = ranges_.rangeCell[e];
        if (secondPass != 0 && passTwoBlocked[g] != 0) continue;
        if (g == own || parkBoard[g] != 0 || noPark[g] != 0 || pos_.pullMask[g] != slotMask[s]) continue;
        if (orderBoard[g - 1] != 0 && orderBoard[g + 1] != 0) continue;
        if (orderBoard[g - w] != 0 && orderBoard[g + w] != 0) continue;
        orderBoard[g] = BoxOn;
        reach_.fill(lv_, orderBoard.data(), ranges_.rangePlayer[e]);
        orderBoard[g] = Free;
        if (reach_[own] == 0) continue;
        found++;
        if (first == 0) first = g;
    }
    if (found < 3) return 0;
    if (!commit) return first;
    parkBoard[first] = BoxOn;
    slotCell[s] = first;
    slotState[s] = SlotParked;
    orderPlayer = reach_.fill(lv_, orderBoard.data(), orderPlayer);
    return first;
}

// The player's normalised cell for a node: the smallest cell of its region, or, when a parked box
// stands there, the smallest reached cell without one; -1 when every reached cell holds one.
int MainSearch::orderNodePlayer(int player) {
    const int cells = lv_.cellCount;
    const int a = reach_.fill(lv_, orderBoard.data(), player);
    if (parkBoard[a] == 0) return a;
    int b = a;
    while (b < cells && (reach_[b] == 0 || parkBoard[b] != 0)) b++;
    return b < cells ? b : -1;
}

// The node's key with player a, its priority (higher is taken first) and its slot counts.
MainSearch::OrderScore MainSearch::scoreOrderSlots(int a) {
    const int n = pos_.boxCount;
    OrderScore score{playerKey(a), 0, 0, 0, 0};
    for (int i = 0; i < n; i++) {
        const int cell = slotCell[i];
        const int st = slotState[i];
        if (st == SlotParked) {
            score.key ^= parkedKey(cell);
            score.priority += OrderWeightParked;
            score.parked++;
            continue;
        }
        if (st == SlotRetired) {
            score.priority += OrderWeightRetired;
            score.done++;
            continue;
        }
        score.key ^= boxKey(cell);
        score.active++;
        if (pos_.searchBoard[cell] == BoxOn && startBoxFillsSlot(i, cell)) {
            score.priority += OrderWeightOnStartBox;
            score.done++;
            continue;
        }
        score.priority += st == SlotOnGoal ? OrderWeightOnGoal : st == SlotPulled ? OrderWeightPulled : 0;
    }
    return score;
}

// Does the assignment stay feasible with slot i filled by the start box on its cell?
bool MainSearch::startBoxFillsSlot(int i, int cell) {
    const int n = pos_.boxCount;
    const int k = boxIndexOf(cell);
    int* row = &slotMatrix[i * MaxBoxes];
    for (int j = 0; j < n; j++) row[j] = j == k ? 1 : 0;
    const int ok = matchFeasible(slotMatrix.data(), n, 0);
    for (int j = 0; j < n; j++) row[j] = slotMatrixSaved[i * MaxBoxes + j];
    return ok != 0;
}

// A stored node is the same position when its counts and the cells of its slots on their goals,
// pulled once or parked agree; slots moved again or retired are not compared.
OrderNode* MainSearch::findOrderNode(const OrderScore& score, int a) {
    const int n = pos_.boxCount;
    return orderTable_.find(score.key, [&](const OrderNode& node) {
        if (node.player != a || node.activeCount != score.active || node.parkedCount != score.parked)
            return false;
        for (int i = 0; i < n; i++) {
            const int st = node.state[i];
            if ((st == SlotOnGoal || st == SlotPulled) && orderBoard[node.cell[i]] != BoxOn) return false;
            if (st == SlotParked && parkBoard[node.cell[i]] != BoxOn) return false;
        }
        return true;
    });
}

OrderNode* MainSearch::addOrderNode(const OrderScore& score, int s, int a) {
    const int n = pos_.boxCount;
    if (orderNodeCount >= OrderNodeLimit) return nullptr;
    OrderNode* stored = orderTable_.add();
    if (stored == nullptr) return nullptr;
    orderNodeCount++;
    if ((orderNodeCount & 1023) == 0) publishOrderCount();
    OrderNode& node = *stored;
    for (int i = 0; i < n; i++) {
        node.mask[i] = slotMask[i];
        node.cell[i] = static_cast<std::int16_t>(slotCell[i]);
        node.state[i] = static_cast<std::uint8_t>(slotState[i]);
    }
    node.movedSlot = s < 0 ? RootMove : static_cast<std::uint8_t>(s);
    node.activeCount = static_cast<std::uint8_t>(score.active);
    node.parkedCount = static_cast<std::uint8_t>(score.parked);
    node.parent = orderCurrent;
    node.player = static_cast<std::int16_t>(a);
    orderBuckets_.append(&node, score.priority);
    return stored;
}

// Every slot is retired or on a start box: is the whole assignment feasible, with the player able
// to reach the start's region?
bool MainSearch::planComplete() {
    const int n = pos_.boxCount;
    for (int i = 0; i < n; i++) {
        int* row = &finalMatrix[i * MaxBoxes];
        if (slotState[i] == SlotRetired) {
            for (int k = 0; k < n; k++) {
                const int bit = static_cast<int>((slotMask[i] >> (n - 1 - k)) & 1u);
                row[k] = passTwoBlocked[pos_.boxList[k]] != 0 ? 0 : bit;
            }
        } else {
            const int k = boxIndexOf(slotCell[i]);
            for (int j = 0; j < n; j++) row[j] = j == k ? 1 : 0;
        }
    }
    return matchFeasible(finalMatrix.data(), n, 1) != 0 && reach_[pos_.searchPlayer] != 0;
}

Step MainSearch::storeOrderNode(int s, int player) {
    const int a = orderNodePlayer(player);
    if (a < 0) return Step::Continue; // the child is dropped
    const OrderScore score = scoreOrderSlots(a);
    if (OrderNode* known = findOrderNode(score, a)) {
        orderProbe = known;
        return Step::Continue;
    }
    OrderNode* stored = addOrderNode(score, s, a);
    if (stored == nullptr) return Step::Full;
    orderProbe = stored;
    if (score.done < pos_.boxCount) return Step::Continue;
    return planComplete() ? Step::Solved : Step::Continue;
}

// ---- targets from the plan ----

void MainSearch::leaveParkedCell() {
    if (parkBoard[orderPlayer] == 0) return;
    reach_.fill(lv_, orderBoard.data(), orderPlayer);
    for (int c = orderPlayer; c < lv_.cellCount; c++) {
        if (reach_[c] != 0 && parkBoard[c] == 0) {
            orderPlayer = c;
            return;
        }
    }
}

Step MainSearch::targetsFromPlan(OrderNode* finalNode) {
    orderProbe = finalNode;
    return extractTargets();
}

Step MainSearch::extractTargets() {
    const int n = pos_.boxCount;
    matchFeasible(finalMatrix.data(), n, 1);
    targetCount = 0;
    targetMode = 0;

    int steps = 0;
    for (const OrderNode* node = orderProbe; node->parent != nullptr; node = node->parent) steps++;
    const OrderNode* root = orderProbe;
    while (root->parent != nullptr) root = root->parent;
    orderSeedPlayer = root->player;
    // A plan longer than the plan arrays gives no targets; the arrays are never overrun.
    if (steps > MaxPlanSteps) {
        planStepCount = 0;
        return Step::Solved;
    }
    planStepCount = steps;
    int step = 0;
    for (const OrderNode* node = orderProbe; node->parent != nullptr; node = node->parent, step++) {
        const OrderNode* parent = node->parent;
        const int s = node->movedSlot;
        planStepSlot[step] = static_cast<std::uint8_t>(s);
        planStepFrom[step] = parent->cell[s];
        planStepTo[step] = node->cell[s];
        planStepPlayer[step] = node->player;
        planStepStateBefore[step] = parent->state[s] == SlotMoved ? SlotPulled : parent->state[s];
        planStepStateAfter[step] = node->state[s] == SlotMoved ? SlotPulled : node->state[s];
    }

    resetSlots();
    for (int i = planStepCount - 1; i >= 0; i--) {
        const int from = planStepFrom[i];
        reach_.fill(lv_, orderBoard.data(), orderPlayer);
        int sides = 0;
        for (int bit = 1; bit <= 8; bit <<= 1)
            if (reach_[from + lv_.dirBitOffset[bit]] != 0) sides |= bit;
        planStepSides[i] = static_cast<std::uint8_t>(sides);
        replayPlanStep(i);
    }

    for (int i = 0; i < planStepCount; i++) {
        if (stopped()) return Step::Stopped;
        const int after = planStepStateAfter[i];
        if (planStepStateBefore[i] != SlotOnGoal) continue;
        if (after != SlotRetired && !(after == SlotPulled && pos_.searchBoard[planStepTo[i]] == BoxOn))
            continue;
        if (i != 0 && !checkTargetStep(i)) continue;
        appendTarget(i);
    }
    if (targetCount > 0) {
        targetMode = 1;
        widenTargetBoxes();
        if (stopped()) return Step::Stopped;
    } else if (secondPass == 1) {
        // One fallback target: the first goal left that holds no start box. When every step starts
        // on a start box cell there is none and the pass ends without targets.
        for (int i = 0; i < planStepCount; i++) {
            if (pos_.searchBoard[planStepFrom[i]] == BoxOn) continue;
            appendTarget(i);
            targetMode = 2;
            break;
        }
    } else {
        markSecondPassCells();
    }
    return Step::Solved;
}

void MainSearch::appendTarget(int step) {
    const int n = pos_.boxCount;
    const int k = targetCount++;
    targetCell[k] = planStepFrom[step];
    targetSides[k] = planStepSides[step];
    targetBoxes[k].fill(0);
    const int row = planStepSlot[step];
    for (int j = 0; j < n; j++) targetBoxes[k][j] = finalMatrix[row * MaxBoxes + j];
}

void MainSearch::markSecondPassCells() {
    const int n = pos_.boxCount;
    std::array<int, MaxBoxes> first{};
    std::array<int, MaxBoxes> last{};
    std::array<int, MaxBoxes> count{};
    for (int i = 0; i < planStepCount; i++) {
        const int s = planStepSlot[i];
        if (count[s] == 0) first[s] = i;
        last[s] = i;
        count[s]++;
    }
    std::array<bool, MaxPlanSteps> marked{};
    for (int s = 0; s < n; s++)
        if (count[s] >= 2)
            for (int i = first[s]; i <= last[s]; i++) marked[i] = true;
    int i = 0;
    while (i < planStepCount && marked[i]) i++;
    // Without an unmarked step after the last one there is no step to take the cell from.
    if (i >= planStepCount || i == 0) return;

    resetSlots();
    for (int j = planStepCount - 1; j >= i; j--) {
        replayPlanStep(j);
        leaveParkedCell();
    }
    for (int s = 0; s < n; s++)
        if (slotState[s] == SlotPulled && pos_.searchBoard[slotCell[s]] == BoxOn)
            orderBoard[slotCell[s]] = Free;
    const int cell = slotCell[planStepSlot[i - 1]];
    if (cell == 0) return;
    pullRangeList(lv_, orderBoard.data(), cell, orderPlayer, ranges_);
    for (int c = 0; c < lv_.cellCount; c++) passTwoBlocked[c] = ranges_.scratch.sidesAt(c);
    passTwoBlocked[cell] = 0;
}

bool MainSearch::replayPlanStep(int step) {
    const int s = planStepSlot[step];
    const int c = slotCell[s];
    const int st = slotState[s];
    if (st == SlotRetired) return false;
    if (st == SlotParked) {
        if (orderBoard[c] != 0) return false;
        parkBoard[c] = 0;
        orderBoard[c] = BoxOn;
    }
    pullRangeList(lv_, orderBoard.data(), c, orderPlayer, ranges_);
    orderBoard[c] = Free;
    // A step that no longer applies leaves the slot where it was.
    auto putBack = [&]() {
        if (st == SlotParked)
            parkBoard[c] = BoxOn;
        else
            orderBoard[c] = BoxOn;
        return false;
    };
    const int after = planStepStateAfter[step];
    if (after == SlotRetired) return tryRetireSlot(s, c) || putBack();
    if (after == SlotParked) return tryParkSlot(s, true) != 0 || putBack();

    const int e = planStepTo[step];
    const int sidesThere = ranges_.scratch.sidesAt(e);
    if (sidesThere == 0) return putBack();
    orderBoard[e] = BoxOn;
    int standOn = 0;
    for (int bit = 1; bit <= 8; bit <<= 1) {
        if ((sidesThere & bit) == 0) continue;
        const int l = e + lv_.dirBitOffset[bit];
        if (orderBoard[l] != Free) continue;
        standOn = l;
        reach_.fill(lv_, orderBoard.data(), l);
        if (reach_[planStepPlayer[step]] != 0) break;
    }
    if (standOn == 0) {
        orderBoard[e] = Free;
        return putBack();
    }
    orderPlayer = standOn;
    slotCell[s] = e;
    slotState[s] = SlotPulled;
    slotMask[s] = pos_.pullMask[e];
    return true;
}

bool MainSearch::checkTargetStep(int i) {
    const int a = planStepStateAfter[i] == SlotPulled ? planStepSlot[i] : -1;
    resetSlots();
    for (int j = planStepCount - 1; j >= 0; j--) {
        if (j == i || planStepSlot[j] == a) continue;
        // A long plan replayed for many steps must still end near the deadline.
        if (!replayPlanStep(j) || stopped()) return false;
        leaveParkedCell();
    }
    if (!replayPlanStep(i)) return false;
    reach_.fill(lv_, orderBoard.data(), orderPlayer);
    return reach_[pos_.searchPlayer] != 0;
}

void MainSearch::widenTargetBoxes() {
    const int n = pos_.boxCount;
    const int cells = lv_.cellCount;
    int* board = scratchBoard_.data();
    for (int c = 0; c < cells; c++) board[c] = pos_.searchBoard[c] == Blocked ? Blocked : Free;
    Board& united = pullMarks;
    for (int k = 0; k < targetCount && !stopped(); k++) {
        for (int c = 0; c < cells; c++) united[c] = 0;
        for (int j = 0; j < n; j++) {
            if (targetBoxes[k][j] == 0) continue;
            const int b = pos_.boxList[j];
            board[b] = BoxOn;
            pushRangeList(lv_, board, b, pos_.searchPlayer, ranges_);
            board[b] = Free;
            for (int e = 0; e < ranges_.rangeCount; e++) united[ranges_.rangeCell[e]] = 1;
        }
        for (int j = 0; j < n; j++)
            if (united[pos_.boxList[j]] != 0) targetBoxes[k][j] = 1;
    }
}

// The smaller level's re-scan found no goal room, so the goal-order search would have no root: the
// run's own rooms stand in wherever their cells are still floor of the smaller level's solved
// position (no wall, no goal).
void MainSearch::borrowRunRooms() {
    roomlessRescans++;
    int k = 0;
    for (int i = 0; i < rooms_.goalRoomCount; i++) {
        const int c = rooms_.goalRoomCell[i];
        if (pos_.searchBoard[c] != Blocked && lv_.goalMap[c] == 0) orderRooms_.goalRoomCell[k++] = c;
    }
    orderRooms_.goalRoomCount = k;
    if (k > 0) borrowedRooms++;
}

Step MainSearch::orderSearchAgain(int oldCell, int placedCell) {
    int packed = 0;
    scanGoalRooms(lv_, pos_, orderRooms_, packed);
    if (orderRooms_.goalRoomCount == 0) borrowRunRooms();
    targetMode = 0;
    targetCount = 0;
    markNoPark();
    secondPass = 0;
    orderSeedPlayer = 0;
    Step r = orderSearch();
    // In mode 2 the analysis may have fixed the placed box as a wall: it is then in no row.
    const int placed = placedCell != 0 ? boxIndexOf(placedCell) : -1;
    if (placed >= 0 && targetMode != 0)
        for (int k = 0; k < targetCount; k++) targetBoxes[k][placed] = 0;
    if (targetMode != 0 || r != Step::Solved || meet_.solved()) return r;

    secondPass = 1;
    r = orderSearch();
    if (r != Step::Solved || placedCell == 0 || placed < 0) return r;
    const int w = lv_.boardWidth;
    const int* sb = pos_.searchBoard.data();
    for (int k = 0; k < targetCount; k++) {
        const int m = targetCell[k];
        const bool up = sb[m - w] == Blocked, down = sb[m + w] == Blocked;
        const bool left = sb[m - 1] == Blocked, right = sb[m + 1] == Blocked;
        const bool corner = (up && left) || (up && right) || (down && (left || right));
        if (m == oldCell || corner) targetBoxes[k][placed] = 0;
    }
    return r;
}

} // namespace cw
