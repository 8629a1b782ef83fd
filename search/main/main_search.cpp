// The main search's driver: prepares the level, runs the goal-order passes, then one placement
// cycle per goal until no movable box is left.
#include "search/main/main_search.h"

#include "solver/analysis.h"

namespace cw {

MainSearch::MainSearch(const Level& level, SearchPosition& pos, const GoalRooms& rooms, Trace& trace,
                       RunControl& control, NodeStores& stores, MeetingSearch& meet, PathRecord& path)
    : path(path), lv_(level), pos_(pos), rooms_(rooms), trace_(trace), control_(control), stores_(stores),
      meet_(meet), placeCorral_(level, control, true), probeCorral_(level, control, false) {
    if (std::byte* store = stores.nodeStoreOne()) {
        placeTable_.attach(reinterpret_cast<PlacementNode*>(store + StoreOnePlacement.offset), PlaceTableSize,
                           PlaceTableSize);
        orderTable_.attach(store + StoreOneOrder.offset, StoreOneOrder.bytes, OrderIndexEntries,
                           OrderNodeCapacity);
        probeTable_.attach(reinterpret_cast<OrderNode*>(store + StoreOneProbe.offset), ProbeTableSize,
                           ProbeTableSize);
        placeCorral_.attach(store, StoreOnePlaceCorral.offset);
        probeCorral_.attach(store, StoreOneProbeCorral.offset);
    }
    placeCorral_.setCaller(placeBoard.data(), placeBoxList.data(), &placeBoxCount, placePushMask.data());
    probeCorral_.setCaller(orderBoard.data(), probeBoxes_.data(), &probeBoxCount_, pos.pushMask.data());
}

void MainSearch::resetRun() {
    path.pathLength = 0;
    path.pathOverflow = 0;
    orderNodeCount = 0;
    placeNodeCount = 0;
    placementsTried = 0;
    fallbackPlacements = 0;
    roomlessRescans = 0;
    borrowedRooms = 0;
    probesPastMark = 0;
    unprunedProbeTests = 0;
}

void MainSearch::tablesOverwritten() {
    placeTable_.overwritten();
    probeTable_.overwritten();
    placeCorral_.overwritten();
    probeCorral_.overwritten();
}

void MainSearch::markNoPark() {
    for (int c = 0; c < lv_.cellCount; c++)
        noPark[c] = (pos_.searchBoard[c] != 0 || pos_.corridorCode[c] != 0 || lv_.goalMap[c] != 0) ? 1 : 0;
    passTwoBlocked.fill(0);
}

void MainSearch::startOrderSearches() {
    orderRooms_ = rooms_;
    markNoPark();
}

Step MainSearch::mainSearch() {
    targetCount = 0;
    targetMode = 0;
    placeTargetCount = 0;
    placeMode = 0;
    path.pathOverflow = 0;
    path.pathLength = 0;
    if (!placeTable_.ready()) return Step::Full; // no store, no search
    if (pos_.boxCount == 0) return Step::Solved; // every box already stands on a goal

    meet_.meetSearchFeed();
    targetMode = 0;
    targetCount = 0;
    startOrderSearches();

    secondPass = 0;
    orderSeedPlayer = 0;
    Step r = orderSearch();
    if (targetMode != 0 || r != Step::Solved) {
        if (r != Step::Solved) return r;
    } else if (!meet_.solved()) {
        secondPass = 1;
        r = orderSearch();
        if (r != Step::Solved) return r;
    }
    return runCycles();
}

Step MainSearch::runCycles() {
    // A meeting found anywhere below ends every cycle with the meeting's solution.
    int n = pos_.boxCount;
    if (n == 0 || meet_.solved()) return Step::Solved;
    for (;;) {
        if (n > 4 && meet_.meetSearchFeed() == Step::Solved) return Step::Solved;
        loadCycleTables(n);
        buildLateGoals();
        orderedFailCount = 0;
        fallbackFailCount = 0;
        const Step r = placementCycle();
        if (r != Step::Solved) return r;
        n = pos_.boxCount;
        if (n == 0 || meet_.solved()) return Step::Solved;
    }
}

void MainSearch::loadCycleTables(int n) {
    const int cells = lv_.cellCount;
    lateGoal.fill(0);
    for (int c = 0; c < cells; c++) {
        placeCorridorCode[c] = pos_.corridorCode[c];
        placePushMask[c] = pos_.pushMask[c];
        placeBoard[c] = pos_.searchBoard[c];
    }
    placeBoxList = pos_.boxList;
    for (int i = 0; i < n; i++) pos_.searchBoard[pos_.boxList[i]] = Free;

    placePlayer = pos_.searchPlayer;
    placeBoxCount = n;
    placeMode = targetMode;
    placeTargetCount = targetCount;
    // With one or two boxes left the side of the last push hardly matters; any side will do.
    const bool anySide = targetMode == 1 && pos_.boxCount <= 2;
    for (int k = 0; k < targetCount; k++) {
        placeTargetCell[k] = targetCell[k];
        placeTargetSides[k] = anySide ? 15 : targetSides[k];
        placeTargetBoxes[k].fill(0);
        for (int j = 0; j < n; j++) placeTargetBoxes[k][j] = targetBoxes[k][j];
    }
    exemptGoal.fill(0);
    if (targetMode == 1)
        for (int k = 0; k < targetCount; k++) exemptGoal[targetCell[k]] = 1;
}

void MainSearch::buildLateGoals() {
    int* sb = pos_.searchBoard.data();
    const int* off = lv_.dirOffset.data();
    const int goals = pos_.boxCount;
    for (int gi = 0; gi < goals; gi++) {
        const int g = pos_.goalList[gi];
        if (exemptGoal[g] != 0) continue;
        sb[g] = BoxOn;
        if (freezeTest(lv_, sb, g) == 2) {
            int j = 0;
            while (j < 4 && (sb[g + off[j]] == Blocked || pos_.corridorCode[g + off[j]] != 0)) j++;
            if (j == 4) lateGoal[g] = 2;

            // Can every other goal still be emptied by pulls with this box frozen in place?
            for (int i = 0; i < goals; i++) sb[pos_.goalList[i]] = BoxOn;
            bool removed = true;
            while (removed) {
                removed = false;
                for (int i = 0; i < goals; i++) {
                    const int l = pos_.goalList[i];
                    if (l == g || sb[l] != BoxOn) continue;
                    for (int d = 0; d < 4; d++) {
                        if (sb[l - off[d]] == Free && sb[l - 2 * off[d]] == Free) {
                            sb[l] = Free;
                            removed = true;
                            break;
                        }
                    }
                }
            }
            for (int i = 0; i < goals; i++) {
                const int l = pos_.goalList[i];
                if (l != g && sb[l] == BoxOn) lateGoal[g] = 1;
            }
            for (int i = 0; i < goals; i++) sb[pos_.goalList[i]] = Free;
        }
        sb[g] = Free;
    }
}

} // namespace cw
