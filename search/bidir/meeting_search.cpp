// The meeting search: set-up, feeding from the path record, stepping, and its own rules for
// priorities and move tests.
#include "search/bidir/meeting_search.h"

namespace cw {

MeetingSearch::MeetingSearch(const Level& level, SearchPosition& pos, StageCopies& stage,
                             const PathRecord& path, Trace& trace, RunControl& control, NodeStores& stores,
                             RangeLists& ranges)
    : BidirCore(level, stage, path, trace, control, stores.nodeStoreOne(), StoreOneMeeting), pos_(pos),
      corral_(level, control, stage, ranges) {
    corral_.attach(stores.nodeStoreOne(), SmallSubset::Region.offset);
}

void MeetingSearch::resetRun() {
    meetState = MeetState::NotSetUp;
    pathFed = 0;
    nodeCount_ = 0;
}

Step MeetingSearch::meetSearchFeed() {
    if (meetState == MeetState::NotSetUp) {
        setUp();
        return Step::Continue;
    }
    return meetState == MeetState::Running ? feed() : Step::Continue;
}

void MeetingSearch::setUp() {
    if (pos_.boxCount > MeetMaxBoxes || !table_.ready()) return;
    st_.copyFrom(lv_, pos_);
    boxCellCount = 0;
    for (int c = 0; c < lv_.cellCount; c++)
        if (pos_.pushMask[c] != 0 && pos_.corridorCode[c] != CorridorPassThrough) boxCellCount++;
    corral_.setUp();
    st_.stageBoxCount = pos_.boxCount;
    st_.stageBoxList = pos_.boxList;
    meetFeedBoxes = pos_.boxList;
    const double cells = boxCellCount > 0 ? boxCellCount : 1;
    forwardHotFactor = pos_.boxCount * ForwardHotShare / cells;
    backwardHotFactor = pos_.boxCount * BackwardHotShare / cells;

    clearTables();
    hotCellThreshold = 0;
    pathFed = path_.recorded();
    insert(stageKey(pos_.searchPlayer), -1, pos_.searchPlayer, SideRoot,
           pathFed); // the start boxes stand on stageBoard
    insertBackwardRoots(pos_.goalList);
    meetState = MeetState::Running;
    chooseStepsPerCall();
}

// Few boxes, or boxes crowding the cells they may rest on: more steps per call.
void MeetingSearch::chooseStepsPerCall() {
    int restCells = 0;
    for (int c = 0; c < lv_.cellCount; c++) {
        const int code = pos_.corridorCode[c];
        if (pos_.pushMask[c] != 0 && (code == 0 || (code != CorridorPassThrough && lv_.goalMap[c] == 0)))
            restCells++;
    }
    const int n = pos_.boxCount;
    const int ratio = restCells > 0 ? static_cast<int>(n * 1000.0 / restCells + 0.5) : 1000;
    meetStepsPerCall = (ratio >= CrowdedPerThousand || n <= FourStepsBoxes) ? 4 : n <= TwoStepsBoxes ? 2 : 1;
}

Step MeetingSearch::feed() {
    st_.stageBoxList = meetFeedBoxes;
    st_.putBoxes();
    parent_ = nullptr;
    int* board = st_.stageBoard.data();
    const int end = path_.recorded();
    for (int i = pathFed; i < end; i++) {
        const int from = path_.pathFrom[i];
        const int to = path_.pathTo[i];
        board[from] = Free;
        board[to] = BoxOn;
        for (int k = 0; k < st_.stageBoxCount; k++) {
            if (st_.stageBoxList[k] != from) continue;
            st_.stageBoxList[k] = to;
            break;
        }
        const int player = feedMark_.fill(lv_, board, path_.pathPlayer[i]);
        const Step r = insert(stageKey(player), -1, player, SideRoot, i + 1);
        if (r == Step::Solved) return met();
        if (r == Step::Full) {
            meetState = MeetState::Full;
            return Step::Full;
        }
    }
    meetFeedBoxes = st_.stageBoxList;
    st_.takeBoxes();
    pathFed = end;
    return Step::Continue;
}

Step MeetingSearch::meetSearchSteps() {
    if (meetState != MeetState::Running) return Step::Continue;
    for (int k = 0; k < meetStepsPerCall; k++) {
        Step r = meetExpandBackward();
        if (r == Step::Continue) r = meetExpandForward();
        if (r == Step::Continue) continue;
        if (r == Step::Stopped) return Step::Continue; // the caller's own poll ends its search
        if (r == Step::Solved) return met();
        if (r == Step::Full) meetState = MeetState::Full;
        return r;
    }
    return Step::Continue;
}

Step MeetingSearch::runAlone() {
    for (;;) {
        if (control_.stopped()) return Step::Stopped;
        Step r = meetExpandBackward();
        if (r == Step::Continue) r = meetExpandBackward();
        if (r == Step::Continue) r = meetExpandForward();
        if (r == Step::Continue) continue;
        if (r == Step::Solved) return met();
        if (r != Step::Stopped)
            publishNodeCount(); // a side ran dry or the table is full: the full search goes next
        return r;
    }
}

Step MeetingSearch::met() {
    meetBuildSolution();
    meetState = MeetState::Solved;
    return Step::Solved;
}

Step MeetingSearch::meetExpandForward() {
    const int open = backwardQueue.openCount;
    if (open < ForwardStartOpen || (open & ForwardRestBits) == 0) return Step::Continue;
    return expand(true);
}

int MeetingSearch::nodePriority(bool forward) const {
    const auto& other = forward ? backwardQueue.tally : forwardQueue.tally;
    int hot = 0;
    for (int k = 0; k < st_.stageBoxCount; k++) hot += other[st_.stageBoxList[k]] >= hotCellThreshold ? 1 : 0;
    return hot;
}

void MeetingSearch::gradeOtherSide(bool forward) {
    hotCellThreshold = forward ? static_cast<int>(backwardQueue.openCount * forwardHotFactor)
                               : static_cast<int>(forwardQueue.openCount * backwardHotFactor);
}

void MeetingSearch::setRow(int i, std::uint64_t mask) {
    const int n = st_.stageBoxCount;
    int* row = &stageMatrix[i * MaxBoxes];
    for (int j = 0; j < n; j++) row[j] = static_cast<int>((mask >> (n - 1 - j)) & 1u);
}

void MeetingSearch::loadRow(int i, int cell, bool forward) {
    setRow(i, forward ? st_.stagePushMask[cell] : st_.stagePullMask[cell]);
    const int n = st_.stageBoxCount;
    for (int j = 0; j < n; j++) stageMatrixSaved[i * MaxBoxes + j] = stageMatrix[i * MaxBoxes + j];
}

void MeetingSearch::restoreRow(int i) {
    const int n = st_.stageBoxCount;
    for (int j = 0; j < n; j++) stageMatrix[i * MaxBoxes + j] = stageMatrixSaved[i * MaxBoxes + j];
}

// While the box stays within cells of one mask the assignment cannot change: no test then.
bool MeetingSearch::stillAssignable(int i, std::uint64_t mask) {
    setRow(i, mask);
    return matchFeasible(stageMatrix.data(), st_.stageBoxCount, 0) != 0;
}

bool MeetingSearch::pullAccepted(int i, int from, int to, int, const int*) {
    const std::uint64_t mask = st_.stagePullMask[to];
    return mask == st_.stagePullMask[from] || stillAssignable(i, mask);
}

bool MeetingSearch::pushAccepted(int i, int from, int to, int player, const int* reach) {
    if (freezeTest(lv_, st_.stageBoard.data(), to) == 1) return false;
    const std::uint64_t mask = st_.stagePushMask[to];
    if (mask != st_.stagePushMask[from] && !stillAssignable(i, mask)) return false;
    return !corral_.corralTest(to, player, reach);
}

} // namespace cw
