#pragma once
// The meeting search: a bidirectional best-first search for levels of at most 20 boxes that thread
// one's main search sets up, feeds with the positions of its recorded path and steps between its
// own steps; the thread body runs it on alone after the main search. Each side prefers nodes with
// boxes on the cells where the other side's queued nodes have many ("hot" cells), so the two trees
// grow toward each other.
#include <array>
#include <cstdint>

#include "search/bidir/bidir_core.h"
#include "search/bidir/subset_corral.h"
#include "solver/primitives.h"

namespace cw {

constexpr int MeetMaxBoxes = 20;
constexpr int MeetNodeLimit = 20'897'740;
// Room for the limit at most 62 % full: a fuller index would lengthen the probes.
constexpr std::uint32_t MeetIndexEntries = std::uint32_t{1} << 25;
constexpr int MeetBuckets = MeetMaxBoxes + 1; // priority: boxes on hot cells
// The forward side waits until the backward side holds this many queued nodes, and then rests
// in one of every four stretches of 2,048 of that count.
constexpr int ForwardStartOpen = 12'288;
constexpr int ForwardRestBits = 0x1800;
static_assert(StoreOneMeeting.offset % 64 == 0 && std::size_t{MeetIndexEntries} * sizeof(IndexEntry) +
                                                          std::size_t{MeetNodeLimit} * sizeof(MeetNode) <=
                                                      StoreOneMeeting.bytes);

class MeetingSearch
    : public BidirCore<MeetingSearch, MeetNode, MeetIndexEntries, MeetNodeLimit, MeetBuckets> {
  public:
    MeetingSearch(const Level& level, SearchPosition& pos, StageCopies& stage, const PathRecord& path,
                  Trace& trace, RunControl& control, NodeStores& stores, RangeLists& ranges);

    // Per-run reset; the set-up clears the tables.
    void resetRun();

    // Sets the search up on the first call (nothing for more than 20 boxes), feeds the path
    // positions recorded since on later calls. 1 nothing happened or fed without meeting; 8 a fed
    // position met (solution written, meetState 2); 0 the table is full (meetState 3).
    int meetSearchFeed();
    // Up to meetStepsPerCall pairs of a backward and a forward expansion. 1 go on; 8 met (solution
    // written, meetState 2, boxCount 0); 9 the table is full (meetState 3); 0 a side ran dry.
    int meetSearchSteps();
    // One expansion of a side: 1 done (forward: or resting), 0 its queue is empty, 8 met, 9 table
    // full, 10 stopped.
    int meetExpandBackward() { return expand(false); }
    int meetExpandForward();
    // Writes the joined solution into the trace.
    void meetBuildSolution() { buildSolution(); }

    int meetState = 0; // 0 not set up, 1 running, 2 solved, 3 node table full
    int meetStepsPerCall = 1;
    int pathFed = 0;
    int hotCellThreshold = 0;
    int boxCellCount = 0;
    double forwardHotFactor = 0;
    double backwardHotFactor = 0;
    std::array<int, MaxBoxes> meetFeedBoxes{};
    SmallCorral& corral() { return corral_; }

  private:
    friend class BidirCore<MeetingSearch, MeetNode, MeetIndexEntries, MeetNodeLimit, MeetBuckets>;
    void setUp();
    int feed();
    void chooseStepsPerCall();

    // The points where this search differs from the full search.
    int nodePriority(bool forward) const;
    void gradeOtherSide(bool forward);
    int queueRanDry() const { return 0; }
    void loadRow(int i, int cell, bool forward);
    void restoreRow(int i);
    bool pullAccepted(int i, int from, int to, int player, const int* reach);
    bool pushAccepted(int i, int from, int to, int player, const int* reach);
    // The assignment test with box i's row taken from `mask`: false when no assignment is left.
    bool stillAssignable(int i, std::uint64_t mask);
    void setRow(int i, std::uint64_t mask);

    SearchPosition& pos_;
    SmallCorral corral_;
    RegionMark feedMark_;
    // Row i belongs to box i; column n-1-k holds bit k of the mask of its cell. The saved rows are
    // those of the node under expansion.
    std::array<int, MaxBoxes * MaxBoxes> stageMatrix{};
    std::array<int, MaxBoxes * MaxBoxes> stageMatrixSaved{};
};

} // namespace cw
