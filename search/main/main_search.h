#pragma once
// Thread one's first stage: the level is solved goal by goal. A backward goal-order search from the
// solved position picks the targets (goals that can be filled first, the sides the last push may
// come from, the boxes that may go there); a breadth-first placement search moves boxes until an
// eligible one stands on a target; the smaller level with that box fixed is checked by a small probe
// search and a new goal-order search, and the box moves go into the trace and the path record. This
// repeats until no movable box is left.
#include <array>
#include <cstdint>

#include "search/bidir/meeting_search.h"
#include "search/bidir/path_record.h"
#include "search/main/pen_corral.h"
#include "search/main/stage_tables.h"
#include "solver/board.h"
#include "solver/keyed_table.h"
#include "solver/node_stores.h"
#include "solver/position_key.h"
#include "solver/primitives.h"
#include "solver/probe_stats.h"
#include "solver/region_mark.h"
#include "solver/run_control.h"
#include "solver/step.h"
#include "solver/trace.h"

namespace cw {

using Matrix = std::array<int, MaxBoxes * MaxBoxes>; // row stride 64, as matchFeasible takes it
using BoxRow = std::array<int, MaxBoxes>;

// Slot states of the goal-order search (and of the probe search, where 2 means "free").
constexpr int SlotOnGoal = 0;
constexpr int SlotPulled = 1;
constexpr int SlotParked = 2;
constexpr int SlotRetired = 3;
constexpr int SlotMoved = 4;

class MainSearch {
  public:
    MainSearch(const Level& level, SearchPosition& pos, const GoalRooms& rooms, Trace& trace,
               RunControl& control, NodeStores& stores, MeetingSearch& meet, PathRecord& path);
    MainSearch(const MainSearch&) = delete;
    MainSearch& operator=(const MainSearch&) = delete;

    // Per-run reset.
    void resetRun();
    // The full search has written over the bytes of every table here: their next clears zero them
    // whole.
    void tablesOverwritten();

    // From the run's start, which the search position holds as the driver prepared it: Solved
    // (trace written, or the meeting search met), Dry (nothing left to expand, or a repetition),
    // NodeLimit on every restart, Full (a table or failure counter), Stopped.
    Step mainSearch();

  private:
    friend class MainSearchProbe; // the window of tests and benches (probes/engine_probe.h)

    // Goal-order search: one pass over the current search position. Solved: a plan was found
    // (targets written); Dry: nothing left to expand; Full; Stopped.
    Step orderSearch();
    // The re-run after a placement on the level prepareSearch has just rebuilt.
    Step orderSearchAgain(int oldCell, int placedCell);

    // Placement search: one cycle from the cycle tables. Solved (placed), or as mainSearch.
    Step placementCycle();

    // Probe: Solved (the smaller level looks solvable), Dry (nothing left), Full (1,024
    // positions), Stopped.
    Step probeSearch();

    // Fills the late-goal table for the current goals on a searchBoard that holds walls only.
    void buildLateGoals();

    // ---- Stage data ----
    // Targets of the last goal-order pass.
    int targetCount = 0;
    std::array<int, MaxBoxes> targetCell{};
    std::array<int, MaxBoxes> targetSides{};
    std::array<BoxRow, MaxBoxes> targetBoxes{};
    int targetMode = 0; // 0 none, 1 ordered from the plan, 2 one fallback target

    // Cycle tables.
    int placeTargetCount = 0;
    std::array<int, MaxBoxes> placeTargetCell{};
    std::array<int, MaxBoxes> placeTargetSides{};
    std::array<BoxRow, MaxBoxes> placeTargetBoxes{};
    int placeMode = 0;
    int placeBoxCount = 0;
    std::array<int, MaxBoxes> placeBoxList{};
    int placePlayer = 0;
    Board placeBoard{};
    Board placeCorridorCode{};
    std::array<std::uint64_t, MaxCells> placePushMask{};
    Board lateGoal{};
    Board exemptGoal{};

    // Search control.
    int secondPass = 0;
    Board noPark{};
    Board passTwoBlocked{};
    int orderSeedPlayer = 0;

    // Path record, fed to the meeting search and read by the full search.
    PathRecord& path;

    int orderedFailCount = 0;
    int fallbackFailCount = 0;
    int orderNodeCount = 0;
    int placeNodeCount = 0;

    // Plan of the last complete backward plan (step 0 is the last backward step).
    int planStepCount = 0;
    std::array<std::uint8_t, MaxPlanSteps> planStepSlot{};
    std::array<std::int16_t, MaxPlanSteps> planStepFrom{};
    std::array<std::int16_t, MaxPlanSteps> planStepTo{};
    std::array<std::int16_t, MaxPlanSteps> planStepPlayer{};
    std::array<std::uint8_t, MaxPlanSteps> planStepStateBefore{};
    std::array<std::uint8_t, MaxPlanSteps> planStepStateAfter{};
    std::array<std::uint8_t, MaxPlanSteps> planStepSides{};

    // Placements tried and mode-2 placements accepted in this run.
    int placementsTried = 0;
    int fallbackPlacements = 0;
    // Counters of this run: goal-room re-scans of a smaller level that found no room,
    // and of those the ones the run's own rooms stood in for; probe searches whose corral tests
    // used up the record mark, and their tests answered without a search after that.
    int roomlessRescans = 0;
    int borrowedRooms = 0;
    int probesPastMark = 0;
    std::int64_t unprunedProbeTests = 0;

    // ---- The stages' own routines, each of which a probe may drive on a prepared position ----
    // Fills noPark for the current search position and clears passTwoBlocked.
    void markNoPark();
    // Sets up the first goal-order pass on the run's position: the run's goal rooms and noPark.
    void startOrderSearches();
    // Copies the current search position and targets into the cycle tables (n = boxCount) and
    // leaves searchBoard with its walls only.
    void loadCycleTables(int n);
    // Runs the queue of the current placement cycle: Solved (placed), Dry, NodeLimit, Full, Stopped.
    Step placementLoop();
    void publishLive(int player);
    // Clears the placement table and queue and stores the root from the cycle tables.
    void startPlacementTable();
    // Moves box i of the loaded node: Continue (children stored), Solved (a placement accepted),
    // Full or Stopped.
    Step expandBox(int i, int player);
    // Box i of the loaded node by pushes alone, breadth first: the states it reaches (cell, player,
    // sides) in bfsCell_, bfsPlayer_ and bfsSides_, its own cell left free. The count of states,
    // 0 when the player reaches no side of it (its cell still holds it), -1 when stopped.
    int placementRange(int i, int player);
    // Box i pushed from `from` to `to`, the player's region in `reach`: not frozen, assignable,
    // and no corral deadlock.
    bool placementStateKept(int i, int from, int to, int player, const RegionMark& reach);
    // The targets box i may go to among its states: Solved (a placement accepted), Full, Stopped,
    // or Continue.
    Step tryTargetsOfBox(int i, int states, std::uint64_t boxes);
    // Stores every state of box i as a child, except cells a box only passes through.
    void storeBoxChildren(int i, int states, std::uint64_t boxes);
    // Stores placeBoxList with `player` unless present; capped: nothing new past PlaceHardCap.
    void storePlacementNode(int movedBox, int player, bool capped = true) {
        storePlacementNode(boxesKey(placeBoxList.data(), placeBoxCount), movedBox, player, capped);
    }
    // The same with the boxes' part of the key already known.
    void storePlacementNode(std::uint64_t boxes, int movedBox, int player, bool capped);
    // Loads a queued node's boxes onto placeBoard and into the matrix, as placementLoop does.
    void loadPlacementNode(const PlacementNode* node);
    PlacementNode* placementQueueHead() const { return placeQueueHead; }
    const PlacementNode& placeSlot(std::uint32_t i) { return placeTable_[i]; }
    const ProbeStats& placeProbeStats() const { return placeTable_.stats; }
    // The restart's choice: keeps the queued nodes moved by the (up to) three boxes that moved
    // least, with their ancestors, and drops every other node. False when no node was kept.
    bool keepLeastMovedBoxes();
    // Targets from a complete backward plan ending at finalNode (finalMatrix of that plan in place):
    // Solved, or Stopped when stopped while checking the steps.
    Step targetsFromPlan(OrderNode* finalNode);
    Matrix& finalAssignment() { return finalMatrix; }
    // Probe corral instance, for tests.
    PenCorral& probeCorral() { return probeCorral_; }
    // Slots of the probe table in use, and one slot.
    const OrderNode& probeSlot(std::uint32_t i) { return probeTable_[i]; }

  private:
    // ---- main search ----
    Step runCycles();

    // ---- goal-order search (order_search.cpp) ----
    int resetSlots();
    // The next queued node of the goal-order or probe search, after a step of the meeting search;
    // none when the run stopped (result kept), the meeting search solved (result Solved) or the
    // queue ran dry (result Dry).
    OrderNode* nextOrderNode(Step& result);
    void loadOrderNode(const OrderNode* node);
    void unloadOrderNode();
    // Pulls slot s of the loaded node everywhere it goes: Continue, Solved (a complete plan), Full,
    // Stopped.
    Step expandSlot(int s);
    Step retireOrParkSlot(int s, int c, int e);
    Step storePulledSlots(int s, int e);
    // Continue (stored, known or dropped), Solved (the stored node completes the plan) or Full.
    Step storeOrderNode(int s, int player);
    struct OrderScore {
        std::uint64_t key;
        int priority, done, active, parked;
    };
    int orderNodePlayer(int player);
    OrderScore scoreOrderSlots(int a);
    bool startBoxFillsSlot(int i, int cell);
    OrderNode* findOrderNode(const OrderScore& score, int a);
    OrderNode* addOrderNode(const OrderScore& score, int s, int a);
    bool planComplete();
    bool tryRetireSlot(int s, int c);
    // The first of three parking cells for slot s, or 0; `commit` parks the slot there.
    int tryParkSlot(int s, bool commit);
    Step extractTargets();
    // False when the step no longer applies (the slot stays where it was).
    bool replayPlanStep(int step);
    bool checkTargetStep(int i);
    void widenTargetBoxes();
    void borrowRunRooms();
    void leaveParkedCell();
    void markSecondPassCells();
    void appendTarget(int step);
    void setRowFromMask(int row, std::uint64_t mask);
    int boxIndexOf(int cell) const;
    void clearOrderSpace();
    void publishOrderCount();

    // ---- placement search (placement.cpp) ----
    // Solved (the placement is accepted), Continue (refused), Full (a failure counter) or Stopped.
    Step tryPlacement(int oldCell, int placedCell);
    void prunePlacementQueue();
    bool repetitionTest();
    void recordPath();
    Step restartPlacement();
    void setPlaceRow(int row, std::uint64_t mask);

    // ---- probe search (probe_search.cpp) ----
    // Frees what boxes it can and stores the position: Continue, Solved (every box free or on a
    // goal) or Full.
    Step evaluateProbe(int player);
    struct ProbeScore {
        std::uint64_t key;
        int priority, done, unmoved, active;
    };
    void freeProbeBoxes(std::array<int, MaxBoxes>& states, int player);
    ProbeScore scoreProbe(const std::array<int, MaxBoxes>& states, int a) const;
    Step storeProbeNode(const std::array<int, MaxBoxes>& states, const ProbeScore& score, int a);
    // Box k's moves from c into the range lists; true when the box is free. `moving`: the moves
    // are wanted as children, so a cell on a goal's axis does not end the search early.
    bool moveRange(int k, int c, int player, bool moving);
    bool ringCut(int c) const;
    bool assignmentCheck(const std::array<int, MaxBoxes>& states, int player);
    void axisGoalReach();
    void collectProbeBoxes();

    bool stopped() const { return control_.stopped(); }

    const Level& lv_;
    SearchPosition& pos_;
    const GoalRooms& rooms_;
    Trace& trace_;
    RunControl& control_;
    NodeStores& stores_;
    MeetingSearch& meet_;
    RangeLists ranges_;
    // The goal rooms of the level the goal-order search works on: the run's rooms at first, then
    // those of each smaller level, whose placed boxes may have walled a cell of an earlier room.
    GoalRooms orderRooms_{};

    // Tables in the node store.
    SlotTable<PlacementNode> placeTable_;
    NodeTable<OrderNode> orderTable_;
    SlotTable<OrderNode> probeTable_;
    PenCorral placeCorral_;
    PenCorral probeCorral_;

    // Goal-order search state.
    std::array<int, MaxBoxes> slotCell{};
    std::array<int, MaxBoxes> slotState{};
    std::array<std::uint64_t, MaxBoxes> slotMask{};
    Board orderBoard{};
    Board parkBoard{};
    Board pullMarks{};
    Matrix slotMatrix{};
    Matrix slotMatrixSaved{};
    Matrix finalMatrix{};
    int orderPlayer = 0;
    OrderNode* orderProbe = nullptr;
    OrderNode* orderCurrent = nullptr;
    FifoBuckets<OrderNode, &OrderNode::bucketNext, OrderBuckets> orderBuckets_;
    Board boxIndexAt_{}; // box index + 1 at each start box cell of boxList, else 0
    RegionMark reach_;
    Board scratchBoard_{};

    // Placement search state.
    PlacementNode* placeQueueHead = nullptr;
    PlacementNode* placeQueueTail = nullptr;
    PlacementNode* placeCurrent = nullptr;
    PlacementNode* placeProbe = nullptr;
    Matrix placeMatrix{};
    Matrix placeMatrixSaved{};
    // Per cell, the sides a box move reached it with; the cells set, to clear them.
    void markSeen(int cell, int sides) {
        if (seen_[cell] == 0 && sides != 0) seenCells_[seenCount_++] = cell;
        seen_[cell] |= sides;
    }
    Board seen_{};
    Board seenCells_{};
    int seenCount_ = 0;
    RegionMark placeReach_;
    RegionMark childReach_;
    std::array<int, MaxRangeEntries> bfsCell_{};
    std::array<int, MaxRangeEntries> bfsPlayer_{};
    std::array<int, MaxRangeEntries> bfsSides_{};
    Board repeatA_{};
    Board repeatB_{};

    // Probe search state.
    Board axisReach{};
    void markSideSeen(int cell, int sides) {
        if (sideSeen[cell] == 0 && sides != 0) sideSeenCells_[sideSeenCount_++] = cell;
        sideSeen[cell] |= sides;
    }
    Board sideSeen{};
    Board sideSeenCells_{};
    int sideSeenCount_ = 0;
    RegionMark probeReach_;
    RegionMark probeChildReach_;
    std::array<int, MaxBoxes> probeBoxes_{};
    int probeBoxCount_ = 0;
    std::array<int, MaxRangeEntries> moveCells_{};
    std::array<int, MaxRangeEntries> movePlayers_{};
};

} // namespace cw
