#pragma once
// The full bidirectional search: thread one's last stage, over the whole of its node store, for up
// to 64 boxes. It has the meeting search's shape and differs in a few named points: a larger node
// and table; priorities from a static goal-distance score and a graded count of the other side's
// boxes per cell; three backward expansions to each forward one; the push tests (the deadlock test
// of frozen boxes and the large corral test) and no assignment rows; and an empty queue ends it.
#include <array>
#include <cstdint>

#include "search/bidir/bidir_core.h"
#include "search/bidir/subset_corral.h"
#include "solver/primitives.h"

namespace cw {

constexpr int FullNodeLimit = 9'700'000;
// Room for the limit at most 29 % full: the bytes are there, and a sparser index probes less.
constexpr std::uint32_t FullIndexEntries = std::uint32_t{1} << 25;
constexpr int FullTopScore = 14;
constexpr int FullBuckets = MaxBoxes * FullTopScore + 1; // 64 boxes on cells of the top score
constexpr int FullBackwardPerForward = 3;
static_assert(StoreOneFull.offset % 64 == 0 && std::size_t{FullIndexEntries} * sizeof(IndexEntry) +
                                                       std::size_t{FullNodeLimit} * sizeof(FullNode) <=
                                                   StoreOneFull.bytes);

class FullSearch : public BidirCore<FullSearch, FullNode, FullIndexEntries, FullNodeLimit, FullBuckets> {
  public:
    // `start` is the run's start as the driver prepared it; `pos` the search position this search
    // rebuilds from it, over what the earlier stages left there.
    FullSearch(const Level& level, const SearchPosition& start, SearchPosition& pos, StageCopies& stage,
               const PathRecord& path, Trace& trace, RunControl& control, NodeStores& stores,
               RangeLists& ranges);

    // Solved (solution written), Full (the table is full), Dry (nothing to search, or a queue ran
    // empty: no solution is left to find) or Stopped.
    Step fullSearch();
    // The set-up alone: the search position of the level's start, the stage copies, both tables
    // emptied, the scores, and the roots (start, placement ends of the path record, solved position).
    // False when there is nothing to search.
    bool setUp();
    // One expansion of a side: Continue, Solved (met), Full, Dry (its queue is empty) or Stopped.
    Step fullExpandBackward() { return expand(false); }
    Step fullExpandForward() { return expand(true); }
    void fullBuildSolution() { buildSolution(); }
    LargeCorral& corral() { return corral_; }

  private:
    template <typename> friend class BidirProbe;
    // Per cell, 0..7: the summed step distances from the goals, graded; all 0 when they are equal.
    void buildGoalDistanceScore();
    // Grades the tally of one side over boxCellList into tallyScore7 (0..7) and tallyScore14
    // (0..14); all 0 when every cell has the same count.
    void scaleTally(const std::array<int, MaxCells>& tally);
    // The bucket of the node in stageBoxList.
    int nodePriority(bool forward) const;

    std::array<int, MaxCells> boxCellList{};
    int boxCellCount = 0;
    std::array<int, MaxCells> goalDistanceScore{};
    std::array<int, MaxCells> tallyScore7{};
    std::array<int, MaxCells> tallyScore14{};

    friend class BidirCore<FullSearch, FullNode, FullIndexEntries, FullNodeLimit, FullBuckets>;
    void insertPathRoots();

    // The points where this search differs from the meeting search.
    void gradeOtherSide(bool forward) { scaleTally(forward ? backwardQueue.tally : forwardQueue.tally); }
    void loadRow(int, int, bool) {}
    void restoreRow(int) {}
    bool pullAccepted(int, int, int, int, const int*) { return true; }
    bool pushAccepted(int i, int from, int to, int player, const int* reach);

    const SearchPosition& start_;
    SearchPosition& pos_;
    RangeLists& ranges_;
    LargeCorral corral_;
    RegionMark rootMark_;
    Board distance_{};
    Board walls_{};
};

} // namespace cw
