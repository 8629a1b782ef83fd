#pragma once
// Thread two's bidirectional solver: whole box moves, a forward best-first search by pushes from the
// start, then a backward search by pulls from the solved position steered toward the cells the
// forward search used, meeting in one node table kept in the engine's second node store.
#include <array>
#include <cstdint>
#include <vector>

#include "solver/board.h"
#include "solver/corral_result.h"
#include "solver/fifo_buckets.h"
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

constexpr int TwoMaxBoxes = 26;
constexpr int TwoNodeLimit = 19'700'000;
// Room for the limit at most 59 % full; the nodes stored whatever the limit (the start's moves, the
// roots) take the pool's room past it.
constexpr std::uint32_t TwoIndexEntries = std::uint32_t{1} << 25;
constexpr int ForwardPhaseNodes = 1'970'000;
constexpr int TwoQueueBuckets = 59;
// The backward priority's tally part: the summed box tally scaled so that a search at its node limit
// spreads over 0..TallyBuckets-1; the region bonus takes the buckets above. A wider range sorts the
// backward side more finely and leaves the bonus fewer buckets.
constexpr int TallyBuckets = 54;
constexpr double TallySpread = 3.0; // the tally of a full table over the range: higher sorts finer early
// The tally a cell blocked at the start (a wall or start box) begins with: above any count of stored
// nodes, so such cells always rank last.
constexpr int BlockedCellTally = 90'000;
constexpr std::uint32_t PatternCacheRecords = 99'991;
constexpr int CorralMaxBoxes = 12;
constexpr int CorralBudgetLimit = 83'400;
constexpr int CorralNewLimit = 10'000;
// Every box move is at least one letter, so a hand-off this long holds any solution the trace can.
constexpr int MaxHandoff = MaxTraceLetters;

// The bidirectional solver's node sides.
constexpr int SideBackwardPulls = 1; // pulled from the solved position
constexpr int SideForwardPushes = 2; // pushed from the start

struct TwoNode {
    std::int16_t boxes[TwoMaxBoxes]; // 0 for a box the packing solver's plan search took off
    std::int16_t player;             // normalised player cell; 0 marks an empty slot
    std::int8_t movedBox;
    // Bidirectional solver: SideBackwardPulls or SideForwardPushes. Packing solver: the number of
    // boxes still on the board.
    std::int8_t side;
    TwoNode* parent;
    TwoNode* next;

    int boxesLeft() const { return side; }
};
static_assert(StoreTwoNodeTable.offset % 64 == 0 && std::size_t{TwoIndexEntries} * sizeof(IndexEntry) +
                                                            std::size_t{TwoNodeLimit} * sizeof(TwoNode) <
                                                        StoreTwoNodeTable.bytes);

struct CorralRecord {
    std::uint32_t stamp;
    std::int16_t boxes[CorralMaxBoxes];
    std::int16_t player; // 0 = empty record
    std::int8_t count;
    std::int8_t verdict; // CorralRecordUndecided, CorralRecordOpen or CorralRecordDead
    CorralRecord* next;
};
static_assert(StoreTwoPatternCache.offset % 64 == 0 &&
              sizeof(CorralRecord) * PatternCacheRecords <= StoreTwoPatternCache.bytes);

// The packing solver's plan: positions from the fewest boxes (entry 0) up to the solved position.
constexpr int MaxPlan = 100;
struct PlanEntry {
    std::array<std::int16_t, TwoMaxBoxes> boxes{}; // 0 = the box is not on the board
    std::int16_t player = 0;
    std::int8_t boxesLeft = 0;
};

// The packing solver's own tables beside the node table, queues and corral test it shares with the
// bidirectional solver.
struct PackTables {
    // Plan search.
    Board walls{};        // thread two's walls (8), everything else 0
    int roomCell = 0;     // a cell of the one goal room
    Board exitArea{};     // 1 where a box pulled out of the goal room is taken off
    Board lockedStart{};  // 1 on start cells no box can ever be pulled out of
    Board packDistance{}; // steps inside the goal room from the cells next to goals (1 next to one)
    double packDistScale = 0;
    std::array<PlanEntry, MaxPlan> packPlan{};
    int packPlanLength = 0;

    // Stage searches.
    int packPlanIndex = 0; // next entry to become a stage target
    int packPhase = 0;     // 0 before the first stage, 1 the target lacks boxes, 2 it has all
    Board doneCell{};      // 1 under a box placed for good
    std::array<int, TwoMaxBoxes> approachCell{};
    int approachCount = 0;
    Board stageMap{}; // 8 wall, 1 goal, 2 goal room floor, 3 approach cell, 0 outside
    int stageTargetPlayer = 0;

    // Scratch.
    Board entryBoard{};
    Board stageDone{};
    Board dist{};
    Board visit{};
};

// A found solution as the driver reads it: one entry per box move (many pushes of one box).
struct Handoff {
    std::vector<std::int16_t> from, to, player; // box cell before and after, normalised player after
    int count = 0;
    int over = 0;  // 1 when more moves had to be recorded than fit
    Board board{}; // the position reached by the moves recorded so far
    int lastPlayer = 0;
};

class TwoSolver {
  public:
    TwoSolver(const Level& level, ThreadTwoCopies& two, RunControl& control, NodeStores& stores);

    // Solved (hand-off filled); Impossible, proven: the backward search ran dry with no pull pruned
    // by a heuristic and never reached the start; Failed: store not ready, table full, or a pruned
    // backward search ran dry; Timeout: stopped.
    Outcome twoBidirectionalSolve();

    // The packing-order solver for a level whose goals form one packed room entered from outside:
    // a plan search by pulls from the solved position gives the order in which boxes enter the
    // room, and short push searches reach each planned position from the start. Solved (hand-off
    // filled); Failed: store not ready, no area outside the room, table full, a queue ran dry, the
    // plan is too long or a stage ended short of its target (the searches are pruned by
    // heuristics, so nothing is proven); Timeout: stopped.
    Outcome packSolve(const GoalRooms& rooms);

    const Handoff& handoff() const { return handoff_; }
    int twoNodeCount() const { return nodeCount_; }
    const ProbeStats& probeStats() const { return table_.stats; }

    // What one expansion found: Continue, Solved (the searches met, the start reached the solved
    // position, the packing plan is complete or a packing stage reached its target), Full, Dry.
    using Step = cw::Step;

    // Set by the thread body for the packing-order solver, whose corral test also refuses boxes
    // frozen on goals.
    bool packingMode = false;

  private:
    friend class TwoSolverProbe; // the tests' window into the solver (probes/engine_probe.h)

    // Node table. The finds look for the position in workBoxList (on the board) with `player`:
    // the node, or none, and storeNode() then stores it.
    TwoNode* twoFindNode(int player) {
        return twoFindNode(positionKey(boxesKey(two_.workBoxList.data(), two_.threadTwoBoxCount), player),
                           player);
    }
    TwoNode* twoFindNode(std::uint64_t key, int player);
    void twoClearStore();

    // Hand-off of a found solution to the driver.
    void resetHandoff();
    void recordForwardChain(TwoNode* node);
    void recordBackwardChain();
    // As recordForwardChain, but the root (a stage's start position) records no move.
    void recordStageChain(TwoNode* node);

    // Tunnel marks and steering.
    void markTunnels();
    void markRowTunnels();
    void markColumnTunnels();
    void markTunnelMouths();
    int regionBonus(int player);
    int backwardPriority(int player);
    // The same for the position on the board whose player region is marked non-zero in `reach`;
    // knownAreas, when not negative, is the number of free areas outside it, already counted.
    int regionBonus(const int* reach, int knownAreas);
    int backwardPriority(const int* reach);
    Board noRest{};
    Board tunnelExit{};
    std::array<std::int32_t, MaxCells> twoBoxTally{};
    double twoTallyScale = 0;

    // Corral deadlock test of a position in place on threadTwoBoard / workBoxList.
    bool corralDeadlock(int u, int t);
    // The same with the player's reach from t already marked (non-zero) in `reach`.
    bool corralDeadlock(int u, int t, const int* reach);
    // Free areas the player cannot reach, as counted by the last corralDeadlock that labelled the
    // board; -1 when it did not.
    int corralAreas = -1;

    // Stores the position the last find did not know; none (and nothing stored) when `limited` and
    // the node limit is reached, or when the table is full.
    TwoNode* storeNode(int player, int movedBox, int side, TwoNode* parent, bool limited = true);
    void recordMove(TwoNode* node, int fallbackCell, int& count);
    int movedCell(const TwoNode* node) const;
    void loadNode(const TwoNode* node);
    void clearBoxes();
    Outcome solve();
    Step expandStart(int player);
    Step twoExpandForward();
    Step twoExpandBackward();
    Step expandNode(TwoNode* node, bool forward);
    Step expandPosition(TwoNode* parent, int player, int skip, bool forward);
    Step tryMove(TwoNode* parent, int box, int from, int to, int stand, bool forward);
    Step storeMove(TwoNode* parent, int box, int from, int to, int stand, int player, bool forward,
                   const int* reach);
    void recordBoxMove(int from, int to, int player);
    int bonusForOtherAreas();
    int tallyPriority() const;
    bool tunnelExitListed(int exit, int h) const;
    void addRoots();
    Outcome backwardRanDry();
    void publishNodeCount() { control_.twoNodeCount.store(nodeCount_, std::memory_order_relaxed); }

    // Packing solver: plan search (pack_plan.cpp).
    TwoNode* packFindNode(int player, int boxesLeft);
    // Empties the store and stores one root: the packing walls, `boxes` on the board, the player's
    // reach from `player` in mark_ (its normalised cell in rootPlayer).
    TwoNode* packStoreRoot(const std::array<int, MaxBoxes>& boxes, int player, int& rootPlayer);
    Outcome packRun(const GoalRooms& rooms);
    bool packPrepare(const GoalRooms& rooms);
    Outcome packPlanSearch();
    void markLockedStart();
    void markExitArea();
    void packDistanceFill();
    int packPriority(const int* reach);
    int packRemove(int player, int left);
    Step packExpand(TwoNode* node);
    Step packPull(TwoNode* node, int j, int t);
    // Whether the player's reach marked in mark_ touches a side of the box on `cell`.
    bool playerBeside(int cell) const;
    bool extractPlan();
    // Stage searches (pack_stages.cpp) and the tail without search (pack_tail.cpp).
    Outcome runStages();
    bool stageTarget();
    void stageApproach(const PlanEntry& entry);
    void stageMapFill();
    int stagePriority(int player);
    int stagePriority(const int* reach, int knownAreas);
    void sortByTargetDistance(int cell);
    Step stageExpand();
    Step stagePush(TwoNode* parent, int i, int c, int f, int g, int subTarget);
    bool reachedEntry(const PlanEntry& entry) const;
    void appendTail();
    int tailFromCell(const PlanEntry& entry, int previousPlayer);
    void entryBoard(const PlanEntry& entry);
    PackTables pack_;

    CorralResult corralSearch(int t, int a, int b);
    bool gatherCorralBoxes(int a, int b);
    bool corralRecordOpens(const CorralRecord& rec);
    CorralResult corralLookup(int p);

    const Level& lv_;
    ThreadTwoCopies& two_;
    RunControl& control_;
    NodeStores& stores_;

    NodeTable<TwoNode> table_;
    SlotTable<CorralRecord> cache_; // the pattern cache
    int nodeCount_ = 0;
    TwoNode* twoMeetNode_ = nullptr;
    Handoff handoff_;
    bool backwardPruned_ = false; // a backward pull was skipped by a tunnel rule this run
    FifoBuckets<TwoNode, &TwoNode::next, TwoQueueBuckets> forward_;
    FifoBuckets<TwoNode, &TwoNode::next, TwoQueueBuckets> backward_;

    // Corral test state.
    Board corralBoard_{};
    std::array<int, CorralMaxBoxes> corralBoxes_{};
    int corralBoxCount_ = 0;
    int corralStamp_ = 0;
    int corralBudget_ = 0;
    int corralNewCount_ = 0;
    FifoBuckets<CorralRecord, &CorralRecord::next, CorralMaxBoxes> corralQueue_;
    CorralRecord* corralRecord_ = nullptr;
    Board corralLabel_{};
    Board corralMark_{};
    Board lookupMark_{};
    std::vector<int> corralPairs_;

    // Scratch of the expansions.
    RegionMark nodeReach_;           // the region of the bidirectional solver's node under expansion
    int nodeLowest_ = 0;             // its smallest cell
    std::uint64_t nodeBoxesKey_ = 0; // the boxes' key of that node
    RegionMark childReach_;          // a child's region where it cannot be had by shifting
    Board mark_{};
    Board reachMark_{};
    Board label_{};
    RangeScratch range_;
    std::array<int, 10000> rangeCells_{};
    std::array<int, 10000> rangePlayers_{};
    Board recordBoard_{};
};

} // namespace cw
