// The full bidirectional search: set-up with its roots, its scores, and its move tests.
#include "search/bidir/full_search.h"

#include <algorithm>

#include "solver/analysis.h"

namespace cw {

FullSearch::FullSearch(const Level& level, const SearchPosition& start, SearchPosition& pos,
                       StageCopies& stage, const PathRecord& path, Trace& trace, RunControl& control,
                       NodeStores& stores, RangeLists& ranges)
    : BidirCore(level, stage, path, trace, control, stores.nodeStoreOne(), StoreOneFull), start_(start),
      pos_(pos), ranges_(ranges), corral_(level, control, stage, ranges) {
    corral_.attach(stores.nodeStoreOne(), LargeSubset::Region.offset);
}

Step FullSearch::fullSearch() {
    if (!setUp()) return Step::Dry;
    while (!control_.stopped()) {
        Step r = Step::Continue;
        for (int k = 0; k < FullBackwardPerForward && r == Step::Continue; k++) r = fullExpandBackward();
        if (r == Step::Continue) r = fullExpandForward();
        if (r == Step::Continue) continue;
        if (r == Step::Solved) fullBuildSolution();
        publishNodeCount();
        return r;
    }
    publishNodeCount();
    return Step::Stopped;
}

bool FullSearch::setUp() {
    if (!table_.ready()) return false;
    pos_ = start_;
    if (pos_.boxCount == 0) return false;
    st_.copyFrom(lv_, pos_);
    boxCellCount = 0;
    for (int c = 0; c < lv_.cellCount; c++)
        if (pos_.pushMask[c] != 0 && pos_.corridorCode[c] != CorridorPassThrough)
            boxCellList[boxCellCount++] = c;
    st_.stageBoxCount = pos_.boxCount;
    st_.stageBoxList = pos_.boxList;

    corral_.overwritten(); // the earlier stages' tables lie on its bytes
    corral_.setUp();
    clearTables();
    buildGoalDistanceScore();
    parent_ = nullptr;
    insert(stageKey(pos_.searchPlayer), -1, pos_.searchPlayer, SideRoot,
           0); // the start boxes stand on stageBoard
    insertPathRoots();
    insertBackwardRoots(pos_.goalList);
    return true;
}

// The end of every placement of the main search is a forward root; moves within a placement only
// move the boxes on. A root's prefix is the number of path moves that lead to it.
void FullSearch::insertPathRoots() {
    int* board = st_.stageBoard.data();
    const int end = path_.recorded();
    for (int i = 0; i < end; i++) {
        const int from = path_.pathFrom[i];
        const int to = path_.pathTo[i];
        for (int k = 0; k < st_.stageBoxCount; k++) {
            if (st_.stageBoxList[k] != from) continue;
            st_.stageBoxList[k] = to;
            board[from] = Free;
            board[to] = BoxOn;
            break;
        }
        if (path_.pathPlacementEnd[i] == 0) continue;
        const int player = rootMark_.fill(lv_, board, path_.pathPlayer[i]);
        insert(stageKey(player), -1, player, SideRoot, i + 1);
    }
}

void FullSearch::buildGoalDistanceScore() {
    const int cells = lv_.cellCount;
    for (int c = 0; c < cells; c++) {
        walls_[c] = pos_.searchBoard[c] == Blocked ? Blocked : Free;
        goalDistanceScore[c] = 0;
        tallyScore7[c] = 0;
        tallyScore14[c] = 0;
    }
    for (int g = 0; g < pos_.boxCount; g++) {
        distanceFill(lv_, walls_.data(), distance_.data(), pos_.goalList[g]);
        for (int c = 0; c < cells; c++)
            if (pos_.pullMask[c] != 0) goalDistanceScore[c] += distance_[c];
    }
    int low = 0;
    for (int c = 0; c < cells; c++)
        if (goalDistanceScore[c] != 0 && (low == 0 || goalDistanceScore[c] < low)) low = goalDistanceScore[c];
    int high = 0;
    for (int c = 0; c < cells; c++) {
        if (goalDistanceScore[c] != 0) goalDistanceScore[c] -= low;
        high = std::max(high, goalDistanceScore[c]);
    }
    for (int c = 0; c < cells; c++)
        goalDistanceScore[c] =
            high == 0 ? 0 : std::min(static_cast<int>(goalDistanceScore[c] * 7.5 / high), 7);
}

void FullSearch::scaleTally(const std::array<int, MaxCells>& tally) {
    if (boxCellCount == 0) return;
    int low = tally[boxCellList[0]];
    for (int k = 1; k < boxCellCount; k++) low = std::min(low, tally[boxCellList[k]]);
    int high = 0;
    for (int k = 0; k < boxCellCount; k++) high = std::max(high, tally[boxCellList[k]] - low);
    for (int k = 0; k < boxCellCount; k++) {
        const int c = boxCellList[k];
        const int v = tally[c] - low;
        tallyScore14[c] = high == 0 ? 0 : std::min(static_cast<int>(v * 14.5 / high), FullTopScore);
        tallyScore7[c] = high == 0 ? 0 : std::min(static_cast<int>(v * 7.5 / high), 7);
    }
}

// Backward nodes: graded tally plus goal distance. Forward nodes: the same while the tally does not
// outweigh the distance, else the finer graded tally alone.
int FullSearch::nodePriority(bool forward) const {
    int s7 = 0, distance = 0, s14 = 0;
    for (int k = 0; k < st_.stageBoxCount; k++) {
        const int c = st_.stageBoxList[k];
        s7 += tallyScore7[c];
        distance += goalDistanceScore[c];
        s14 += tallyScore14[c];
    }
    const int priority = !forward || s7 <= distance ? s7 + distance : s14;
    return std::clamp(priority, 0, FullBuckets - 1);
}

bool FullSearch::pushAccepted(int, int, int to, int player, const int* reach) {
    if (pushDeadlockTest(lv_, st_.stageBoard.data(), st_.stageCorridor.data(), to, player, ranges_) != 0)
        return false;
    return !corral_.corralTest(to, player, reach);
}

} // namespace cw
