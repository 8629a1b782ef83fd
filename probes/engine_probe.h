#pragma once
// The window of tests and benches into an engine and its thread-two solver: set a run up as the
// driver does before its threads start, and look at or place what a search works on. Nothing else
// reaches these tables from outside.
#include <memory>

#include "engine/engine.h"
#include "search/main/thread_one_search.h"
#include "search/two/two_solver.h"

namespace cw {

class EngineProbe {
  public:
    // The driver's set-up of a run: Ready when the threads would start. Thread one then takes its
    // copy of the start, as its thread does first.
    static Outcome prepareRun(Engine& e) {
        const Outcome r = e.prepareRun();
        e.threadOne_->resetRun();
        return r;
    }
    // Thread one's own search position: the run's start until its searches rebuild it.
    static SearchPosition& pos(Engine& e) { return e.threadOne_->position(); }
    static const SearchPosition& start(Engine& e) { return e.startPos_; }
    // The tables behind the front ends' verbs, writable for tests that set a position or a word.
    static Level& level(Engine& e) { return e.level_; }
    static Trace& trace(Engine& e) { return e.trace_; }
    static RunControl& control(Engine& e) { return e.control_; }
    static ThreadTwoCopies& two(Engine& e) { return e.two_; }
    static GoalRooms& rooms(Engine& e) { return e.rooms_; }
    static NodeStores& stores(Engine& e) { return e.stores_; }
    static ThreadOneSearch& threadOne(Engine& e) { return *e.threadOne_; }
    static bool packingPathChosen(const Engine& e) { return e.packingPathChosen(); }
    // A thread-two solver of its own on the engine's tables.
    static std::unique_ptr<TwoSolver> twoSolver(Engine& e) {
        return std::make_unique<TwoSolver>(e.level_, e.two_, e.control_, e.stores_);
    }
};

// Thread one's main search: its stage data and the stages' routines, one at a time.
class MainSearchProbe {
  public:
    explicit MainSearchProbe(MainSearch& m) : m_(m) {}

    // Targets of the last goal-order pass and the cycle tables.
    int& targetCount() { return m_.targetCount; }
    std::array<int, MaxBoxes>& targetCell() { return m_.targetCell; }
    std::array<int, MaxBoxes>& targetSides() { return m_.targetSides; }
    std::array<BoxRow, MaxBoxes>& targetBoxes() { return m_.targetBoxes; }
    int& targetMode() { return m_.targetMode; }
    std::array<int, MaxBoxes>& placeTargetSides() { return m_.placeTargetSides; }
    int& placeBoxCount() { return m_.placeBoxCount; }
    std::array<int, MaxBoxes>& placeBoxList() { return m_.placeBoxList; }
    int& placePlayer() { return m_.placePlayer; }
    Board& placeBoard() { return m_.placeBoard; }
    Board& lateGoal() { return m_.lateGoal; }
    int& secondPass() { return m_.secondPass; }
    Board& passTwoBlocked() { return m_.passTwoBlocked; }
    PathRecord& path() { return m_.path; }
    int& planStepCount() { return m_.planStepCount; }
    std::array<std::uint8_t, MaxPlanSteps>& planStepStateAfter() { return m_.planStepStateAfter; }

    // Counters of the run.
    int orderNodeCount() const { return m_.orderNodeCount; }
    int placeNodeCount() const { return m_.placeNodeCount; }
    int placementsTried() const { return m_.placementsTried; }
    int fallbackPlacements() const { return m_.fallbackPlacements; }
    int roomlessRescans() const { return m_.roomlessRescans; }
    int borrowedRooms() const { return m_.borrowedRooms; }
    int probesPastMark() const { return m_.probesPastMark; }
    std::int64_t unprunedProbeTests() const { return m_.unprunedProbeTests; }

    // The stages' routines.
    void resetRun() { m_.resetRun(); }
    Step mainSearch() { return m_.mainSearch(); }
    Step orderSearch() { return m_.orderSearch(); }
    Step orderSearchAgain(int oldCell, int placedCell) { return m_.orderSearchAgain(oldCell, placedCell); }
    Step targetsFromPlan(OrderNode* finalNode) { return m_.targetsFromPlan(finalNode); }
    Matrix& finalAssignment() { return m_.finalMatrix; }
    void startOrderSearches() { m_.startOrderSearches(); }
    Step probeSearch() { return m_.probeSearch(); }
    const OrderNode& probeSlot(std::uint32_t i) { return m_.probeTable_[i]; }
    PenCorral& probeCorral() { return m_.probeCorral_; }
    void loadCycleTables(int n) { m_.loadCycleTables(n); }
    void buildLateGoals() { m_.buildLateGoals(); }
    Step placementCycle() { return m_.placementCycle(); }
    Step placementLoop() { return m_.placementLoop(); }
    void startPlacementTable() { m_.startPlacementTable(); }
    Step expandBox(int i, int player) { return m_.expandBox(i, player); }
    void storePlacementNode(int movedBox, int player) { m_.storePlacementNode(movedBox, player); }
    void loadPlacementNode(const PlacementNode* node) { m_.loadPlacementNode(node); }
    PlacementNode* placementQueueHead() const { return m_.placeQueueHead; }
    const PlacementNode& placeSlot(std::uint32_t i) { return m_.placeTable_[i]; }
    const ProbeStats& placeProbeStats() const { return m_.placeTable_.stats; }
    bool keepLeastMovedBoxes() { return m_.keepLeastMovedBoxes(); }

  private:
    MainSearch& m_;
};

// A bidirectional search of thread one (MeetingSearch or FullSearch): its queues, counts and the
// steps below its verbs. The meeting and full accessors compile only for their own search.
template <typename Search> class BidirProbe {
  public:
    explicit BidirProbe(Search& s) : s_(s) {}

    auto& forwardQueue() { return s_.forwardQueue; }
    auto& backwardQueue() { return s_.backwardQueue; }
    int forwardExpanded() const { return s_.forwardExpanded; }
    int backwardExpanded() const { return s_.backwardExpanded; }
    int nodeCount() const { return s_.nodeCount(); }
    std::uint64_t stageKey(int player) const { return s_.stageKey(player); }
    Step insert(std::uint64_t key, int movedBox, int player, std::uint8_t side) {
        return s_.insert(key, movedBox, player, side);
    }

    // The meeting search.
    Step meetSearchFeed() { return s_.meetSearchFeed(); }
    Step meetSearchSteps() { return s_.meetSearchSteps(); }
    Step meetExpandBackward() { return s_.meetExpandBackward(); }
    Step meetExpandForward() { return s_.meetExpandForward(); }
    MeetState& meetState() { return s_.meetState; }
    int meetStepsPerCall() const { return s_.meetStepsPerCall; }
    int pathFed() const { return s_.pathFed; }

    // The full search.
    Step fullSearch() { return s_.fullSearch(); }
    bool setUp() { return s_.setUp(); }
    Step fullExpandBackward() { return s_.fullExpandBackward(); }
    void fullBuildSolution() { s_.fullBuildSolution(); }
    void scaleTally(const std::array<int, MaxCells>& tally) { s_.scaleTally(tally); }
    int nodePriority(bool forward) const { return s_.nodePriority(forward); }
    std::array<int, MaxCells>& boxCellList() { return s_.boxCellList; }
    int boxCellCount() const { return s_.boxCellCount; }
    std::array<int, MaxCells>& goalDistanceScore() { return s_.goalDistanceScore; }
    std::array<int, MaxCells>& tallyScore7() { return s_.tallyScore7; }
    std::array<int, MaxCells>& tallyScore14() { return s_.tallyScore14; }

  private:
    Search& s_;
};

class TwoSolverProbe {
  public:
    explicit TwoSolverProbe(TwoSolver& s) : s_(s) {}
    TwoNode* twoFindNode(int player) { return s_.twoFindNode(player); }
    // Stores the position in workBoxList with `player` (which a find has just not found).
    TwoNode* storeNode(int player) { return s_.storeNode(player, -1, 2, nullptr, false); }
    void twoClearStore() { s_.twoClearStore(); }
    void resetHandoff() { s_.resetHandoff(); }
    void recordForwardChain(TwoNode* node) { s_.recordForwardChain(node); }
    const Handoff& handoff() const { return s_.handoff_; }
    void markTunnels() { s_.markTunnels(); }
    int noRest(int cell) const { return s_.noRest[cell]; }
    int tunnelExit(int cell) const { return s_.tunnelExit[cell]; }
    int regionBonus(int player) { return s_.regionBonus(player); }
    bool corralDeadlock(int u, int t) { return s_.corralDeadlock(u, t); }

    // Packing solver: its tables and steps one at a time.
    PackTables& pack() { return s_.pack_; }
    bool packPrepare(const GoalRooms& rooms) { return s_.packPrepare(rooms); }
    Outcome packPlanSearch() { return s_.packPlanSearch(); }
    bool extractPlan() { return s_.extractPlan(); }
    Outcome runStages() { return s_.runStages(); }
    TwoNode* meetNode() const { return s_.twoMeetNode_; }
    void setMeetNode(TwoNode* node) { s_.twoMeetNode_ = node; }
    bool stageTarget() { return s_.stageTarget(); }
    void stageApproach(const PlanEntry& entry) { s_.stageApproach(entry); }
    void stageMapFill() { s_.stageMapFill(); }
    int stagePriority(int player) { return s_.stagePriority(player); }
    TwoSolver::Step stageExpand() { return s_.stageExpand(); }
    void appendTail() { s_.appendTail(); }
    void markLockedStart() { s_.markLockedStart(); }
    void markExitArea() { s_.markExitArea(); }
    void packDistanceFill() { s_.packDistanceFill(); }
    // Stores the position on the board and in workBoxList as a node of the packing solver.
    TwoNode* storePackNode(int player, int movedBox, TwoNode* parent) {
        if (TwoNode* known = s_.packFindNode(player, s_.two_.threadTwoBoxCount)) return known;
        return s_.storeNode(player, movedBox, s_.two_.threadTwoBoxCount, parent, false);
    }
    void queueNode(TwoNode* node, int bucket) { s_.forward_.append(node, bucket); }
    TwoNode* takeNode() { return s_.forward_.take(); }

  private:
    TwoSolver& s_;
};

} // namespace cw
