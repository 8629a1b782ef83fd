// The placement search: breadth first over box configurations, one box moved by any number of
// pushes per step, until an eligible box stands on a target and the smaller level with it there is
// accepted. Restarts keep the nodes of the boxes that moved least when the node limit is reached.
#include "search/main/main_search.h"

#include "solver/analysis.h"
#include "solver/chain.h"

namespace cw {

void MainSearch::setPlaceRow(int row, std::uint64_t mask) {
    const int n = placeBoxCount;
    int* r = &placeMatrix[row * MaxBoxes];
    for (int j = 0; j < n; j++) r[j] = static_cast<int>((mask >> (n - 1 - j)) & 1u);
}

void MainSearch::startPlacementTable() {
    placeTable_.clear();
    placeQueueHead = nullptr;
    placeQueueTail = nullptr;
    placeNodeCount = 0;
    placeCurrent = nullptr;
    storePlacementNode(RootMove, placePlayer);
}

void MainSearch::loadPlacementNode(const PlacementNode* node) {
    const int n = placeBoxCount;
    for (int i = 0; i < n; i++) {
        placeBoxList[i] = node->cell[i];
        placeBoard[placeBoxList[i]] = BoxOn;
        setPlaceRow(i, placePushMask[placeBoxList[i]]);
        for (int j = 0; j < n; j++) placeMatrixSaved[i * MaxBoxes + j] = placeMatrix[i * MaxBoxes + j];
    }
}

Step MainSearch::placementCycle() {
    startPlacementTable();
    Step r = placementLoop();
    for (int restart = 0; restart < PlaceRestarts && r == Step::NodeLimit; restart++) r = restartPlacement();
    return r;
}

bool MainSearch::keepLeastMovedBoxes() {
    const int n = placeBoxCount;
    std::array<int, MaxBoxes> count{};
    for (std::uint32_t i = 0; i < PlaceTableSize; i++) {
        const PlacementNode& node = placeTable_[i];
        if (node.player != 0 && node.movedBox != RootMove) count[node.movedBox]++;
    }
    // The boxes that moved least, with nodes; a box without nodes is never chosen.
    auto least = [&](int skipA, int skipB) {
        int best = -1;
        for (int b = 0; b < n; b++) {
            if (b == skipA || b == skipB || count[b] == 0) continue;
            if (best < 0 || count[b] < count[best]) best = b;
        }
        return best;
    };
    const int b1 = least(-1, -1);
    const int b2 = b1 < 0 ? -1 : least(b1, -1);
    const int threshold = lv_.levelBoxCount <= 20 ? ThirdBoxNodesSmall : ThirdBoxNodesLarge;
    const int b3 = (b2 >= 0 && count[b1] + count[b2] < threshold) ? least(b1, b2) : -1;

    PlacementNode* head = nullptr;
    PlacementNode* tail = nullptr;
    for (PlacementNode* node = placeQueueHead; node != nullptr;) {
        PlacementNode* next = node->queueNext;
        const int m = node->movedBox;
        if (m != RootMove && (m == b1 || m == b2 || m == b3)) {
            for (PlacementNode* a = node; a != nullptr && a->mark == 0; a = a->parent) a->mark = 1;
            node->queueNext = nullptr;
            if (tail == nullptr)
                head = node;
            else
                tail->queueNext = node;
            tail = node;
        }
        node = next;
    }
    placeQueueHead = head;
    placeQueueTail = tail;
    if (head == nullptr) return false;
    for (std::uint32_t i = 0; i < PlaceTableSize; i++) {
        PlacementNode& node = placeTable_[i];
        if (node.player == 0) continue;
        if (node.mark != 0) {
            node.mark = 0;
        } else {
            node.player = 0;
            placeNodeCount--;
        }
    }
    return true;
}

Step MainSearch::restartPlacement() {
    return keepLeastMovedBoxes() ? placementLoop() : Step::Dry;
}

// The whole position for the window: the boxes the earlier placements fixed on their goals are
// walls on the placement board.
void MainSearch::publishLive(int player) {
    control_.threadOneLive.publishWithFixedBoxes(lv_, placeBoard.data(), placeBoxList.data(), placeBoxCount,
                                                 player);
}

Step MainSearch::placementLoop() {
    placeCorral_.clearTable();
    const int n = placeBoxCount;
    for (int c = 0; c < lv_.cellCount; c++)
        if (placeBoard[c] == BoxOn) placeBoard[c] = Free;
    Step result = Step::Stopped;
    while (!stopped()) {
        if (meet_.meetSearchSteps() == Step::Solved) {
            result = Step::Solved;
            break;
        }
        if (placeNodeCount > PlaceNodeLimit) {
            result = Step::NodeLimit;
            break;
        }
        PlacementNode* node = placeQueueHead;
        if (node == nullptr) {
            result = Step::Dry;
            break;
        }
        placeQueueHead = node->queueNext;
        if (placeQueueHead == nullptr) placeQueueTail = nullptr;
        placeCurrent = node;
        loadPlacementNode(node);
        if (control_.threadOneLive.wanted()) [[unlikely]]
            publishLive(node->player);
        Step r = Step::Continue;
        for (int i = 0; i < n && r == Step::Continue; i++) {
            if (i == node->movedBox) continue;
            r = expandBox(i, node->player);
            for (int j = 0; j < n; j++) placeMatrix[i * MaxBoxes + j] = placeMatrixSaved[i * MaxBoxes + j];
        }
        if (r != Step::Continue) {
            if (r == Step::Solved && !meet_.solved()) {
                recordPath();
                result = (placeMode != 1 && repetitionTest()) ? Step::Dry : Step::Solved;
            } else {
                result = r;
            }
            break;
        }
        for (int i = 0; i < n; i++) placeBoard[placeBoxList[i]] = Free;
    }
    control_.placeNodeCount.store(placeNodeCount, std::memory_order_relaxed);
    return result;
}

Step MainSearch::expandBox(int i, int player) {
    const int c0 = placeBoxList[i];
    const int states = placementRange(i, player);
    if (states == 0) return Step::Continue;
    if (states < 0) return Step::Stopped;
    const std::uint64_t boxes = boxesKey(placeBoxList.data(), placeBoxCount);
    const Step r = tryTargetsOfBox(i, states, boxes);
    if (r != Step::Continue) return r;
    storeBoxChildren(i, states, boxes);
    placeBoard[c0] = BoxOn;
    return Step::Continue;
}

int MainSearch::placementRange(int i, int player) {
    const int c0 = placeBoxList[i];
    int* board = placeBoard.data();
    for (int k = 0; k < seenCount_; k++) seen_[seenCells_[k]] = 0;
    seenCount_ = 0;
    const int a0 = placeReach_.fill(lv_, board, player);
    int sides0 = 0;
    for (int bit = 1; bit <= 8; bit <<= 1)
        if (placeReach_[c0 + lv_.dirBitOffset[bit]] != 0) sides0 |= bit;
    markSeen(c0, sides0);
    if (sides0 == 0) return 0;

    board[c0] = Free;
    bfsCell_[0] = c0;
    bfsPlayer_[0] = a0;
    bfsSides_[0] = sides0;
    int states = 1;
    for (int h = 0; h < states; h++) {
        // One box of a large level reaches thousands of states: look at the clock per state.
        if (stopped()) return -1;
        const int c = bfsCell_[h];
        const int sides = bfsSides_[h];
        for (int e = 1; e <= 8; e <<= 1) {
            if ((sides & e) == 0) continue;
            const int d = c - lv_.dirBitOffset[e];
            if (board[d] != Free || placePushMask[d] == 0 || (seen_[d] & e) != 0 || lateGoal[d] != 0)
                continue;
            if (states >= MaxRangeEntries) continue;
            board[d] = BoxOn;
            placeBoxList[i] = d;
            // The child's region: the node's, shifted by the box's two cells, where nothing else
            // changes; else a flood from the cell the player pushed from.
            int a = placeReach_.shift(lv_, board, c0, d, a0);
            const bool shifted = a >= 0;
            if (!shifted) a = childReach_.fill(lv_, board, c);
            const RegionMark& reach = shifted ? placeReach_ : childReach_;
            int sidesHere = 0;
            for (int bit = 1; bit <= 8; bit <<= 1)
                if (reach[d + lv_.dirBitOffset[bit]] != 0) sidesHere |= bit;
            markSeen(d, sidesHere);
            if (placementStateKept(i, c, d, a, reach)) {
                bfsCell_[states] = d;
                bfsPlayer_[states] = a;
                bfsSides_[states] = sidesHere;
                states++;
            }
            if (shifted) placeReach_.unshift(c0, d);
            board[d] = Free;
        }
    }
    placeBoxList[i] = c0;
    return states;
}

bool MainSearch::placementStateKept(int i, int from, int to, int player, const RegionMark& reach) {
    if (freezeTest(lv_, placeBoard.data(), to) == 1) return false;
    if (placePushMask[to] != placePushMask[from]) {
        setPlaceRow(i, placePushMask[to]);
        if (matchFeasible(placeMatrix.data(), placeBoxCount, 0) == 0) return false;
    }
    return !placeCorral_.penTest(to, player, reach.data());
}

Step MainSearch::tryTargetsOfBox(int i, int states, std::uint64_t boxes) {
    const int c0 = placeBoxList[i];
    int* board = placeBoard.data();
    for (int k = 0; k < placeTargetCount; k++) {
        if (placeTargetBoxes[k][i] != 1) continue;
        const int t = placeTargetCell[k];
        const int allowed = placeTargetSides[k];
        if ((seen_[t] & allowed) == 0 || states <= 1) continue;
        for (int j = 1; j < states; j++) {
            if (bfsCell_[j] != t || (bfsSides_[j] & allowed) == 0) continue;
            placePlayer = bfsPlayer_[j];
            Step r;
            if (placeMode == 1) {
                board[t] = Blocked;
                r = tryPlacement(0, 0);
                board[t] = BoxOn;
            } else {
                board[t] = BoxOn;
                r = tryPlacement(c0, t);
            }
            if (r == Step::Full || r == Step::Stopped) return r;
            if (r == Step::Solved) {
                if (meet_.solved()) return Step::Solved;
                placeBoxList[i] = t;
                storePlacementNode(movedBoxKey(boxes, c0, t), i, placePlayer, false);
                return Step::Solved;
            }
            board[t] = Free;
        }
    }
    return Step::Continue;
}

void MainSearch::storeBoxChildren(int i, int states, std::uint64_t boxes) {
    const int c0 = placeBoxList[i];
    int* board = placeBoard.data();
    for (int j = 1; j < states; j++) {
        const int d = bfsCell_[j];
        if (placeCorridorCode[d] == CorridorPassThrough) continue;
        board[d] = BoxOn;
        placeBoxList[i] = d;
        storePlacementNode(movedBoxKey(boxes, c0, d), i, bfsPlayer_[j], true);
        board[d] = Free;
    }
    placeBoxList[i] = c0;
}

void MainSearch::storePlacementNode(std::uint64_t boxes, int movedBox, int player, bool capped) {
    const int n = placeBoxCount;
    const auto found = placeTable_.find(
        positionKey(boxes, player), [](const PlacementNode& x) { return x.player == 0; },
        [&](const PlacementNode& x) {
            if (x.player != player) return false;
            for (int i = 0; i < n; i++)
                if (placeBoard[x.cell[i]] != BoxOn) return false;
            return true;
        });
    if (found.known) {
        placeProbe = found.record;
        return;
    }
    // Past the hard cap only the accepted placement itself is stored; the loop ends at its next look.
    if (capped && placeNodeCount >= PlaceHardCap) return;
    placeNodeCount++;
    placeTable_.stats.stored++;
    if ((placeNodeCount & 1023) == 0)
        control_.placeNodeCount.store(placeNodeCount, std::memory_order_relaxed);
    PlacementNode& node = *found.record;
    placeTable_.noteFilled(&node);
    for (int i = 0; i < n; i++) node.cell[i] = static_cast<std::int16_t>(placeBoxList[i]);
    node.parent = placeCurrent;
    node.player = static_cast<std::int16_t>(player);
    node.movedBox = static_cast<std::uint8_t>(movedBox);
    node.mark = 0;
    node.queueNext = nullptr;
    if (placeQueueTail == nullptr)
        placeQueueHead = &node;
    else
        placeQueueTail->queueNext = &node;
    placeQueueTail = &node;
    placeProbe = &node;
}

Step MainSearch::tryPlacement(int oldCell, int placedCell) {
    placementsTried++;
    const Prepared prepared = prepareSearch(lv_, pos_, placeBoard.data(), placePlayer, ranges_);
    if (prepared == Prepared::Solved) return Step::Solved;
    if (prepared == Prepared::Ready) {
        const Step d = probeSearch();
        if (d == Step::Stopped) return Step::Stopped;
        if (d == Step::Solved) {
            if (meet_.solved()) return Step::Solved;
            const Step a = orderSearchAgain(oldCell, placedCell);
            if (a == Step::Solved) {
                if (placeMode != 1) fallbackPlacements++;
                return Step::Solved;
            }
            if (a != Step::Dry) return a;
        } else {
            prunePlacementQueue();
        }
    }
    if (meet_.state() == MeetState::Running) {
        for (int k = 0; k < 2; k++)
            if (meet_.meetSearchSteps() == Step::Solved) return Step::Solved;
    }
    if (placeMode == 1) {
        if (++orderedFailCount > OrderedFailLimit) return Step::Full;
    } else {
        if (++fallbackFailCount > FallbackFailLimit) return Step::Full;
    }
    return Step::Continue;
}

void MainSearch::prunePlacementQueue() {
    const int cells = lv_.cellCount;
    const int n = pos_.boxCount;
    int* board = scratchBoard_.data();
    Board& mark = pullMarks; // idle outside a goal-order pass
    for (std::uint32_t slot = 0; slot < ProbeTableSize; slot++) {
        const OrderNode& probe = probeTable_[slot];
        if (probe.player == 0) continue;
        if (placeQueueHead == nullptr || stopped()) return;
        for (int c = 0; c < cells; c++) {
            board[c] = pos_.searchBoard[c] == Blocked ? Blocked : Free;
            mark[c] = 0;
        }
        int k = 0;
        for (int j = 0; j < n; j++) {
            if (probe.state[j] == SlotParked) continue;
            board[probe.cell[j]] = BoxOn;
            mark[probe.cell[j]] = 2;
            k++;
        }
        reach_.fill(lv_, board, probe.player);

        PlacementNode* kept = nullptr;
        for (PlacementNode* q = placeQueueHead; q != nullptr;) {
            PlacementNode* next = q->queueNext;
            bool covers = reach_[q->player] != 0;
            if (covers) {
                int hits = 0;
                for (int i = 0; i < placeBoxCount; i++) hits += mark[q->cell[i]] == 2 ? 1 : 0;
                covers = hits == k;
            }
            if (!covers) {
                if (kept == nullptr)
                    placeQueueHead = q;
                else
                    kept->queueNext = q;
                kept = q;
            }
            q = next;
        }
        if (kept == nullptr) {
            placeQueueHead = nullptr;
            placeQueueTail = nullptr;
            return;
        }
        kept->queueNext = nullptr;
        placeQueueTail = kept;
    }
}

void MainSearch::recordPath() {
    int written = 0;
    auto record = [&](const PlacementNode* parent, const PlacementNode* child) {
        const int k = child->movedBox;
        trace_.appendBoxMove(lv_, child->cell[k], child->player, parent->cell[k]);
        if (path.pathLength < MaxPath) {
            path.pathFrom[path.pathLength] = parent->cell[k];
            path.pathTo[path.pathLength] = child->cell[k];
            path.pathPlayer[path.pathLength] = child->player;
            path.pathPlacementEnd[path.pathLength] = 0;
        } else {
            path.pathOverflow = 1;
        }
        path.pathLength++;
        written++;
    };
    // Reverse the parent links so the chain can be walked from the root, then put them back.
    PlacementNode* root = reverseChain(placeProbe);
    for (PlacementNode* p = root; p != nullptr && p->parent != nullptr; p = p->parent) record(p, p->parent);
    reverseChain(root);
    if (written > 0 && path.pathLength <= MaxPath) path.pathPlacementEnd[path.pathLength - 1] = 1;
}

bool MainSearch::repetitionTest() {
    if (path.pathOverflow != 0 || path.pathLength == 0) return false;
    const int cells = lv_.cellCount;
    for (int c = 0; c < cells; c++) repeatA_[c] = repeatB_[c] = lv_.baseBoard[c];
    for (int i = 0; i < path.pathLength; i++) {
        repeatA_[path.pathFrom[i]] -= 2;
        repeatA_[path.pathTo[i]] += 2;
    }
    const int a = path.pathPlayer[path.pathLength - 1];
    for (int i = 0; i + 1 < path.pathLength; i++) {
        repeatB_[path.pathFrom[i]] -= 2;
        repeatB_[path.pathTo[i]] += 2;
        if (path.pathPlacementEnd[i] != 1 || path.pathPlayer[i] != a) continue;
        bool same = true;
        for (int c = 0; c < cells && same; c++) same = repeatA_[c] == repeatB_[c];
        if (same) return true;
    }
    return false;
}

} // namespace cw
