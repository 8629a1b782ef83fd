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
// Hot cells: a cell is hot for a node of one side when the other side's tally there reaches that
// side's open nodes x boxes x share / box cells, the share times an even spread. A node ranks by
// its boxes on hot cells; a lower share marks more cells hot and pulls the sides together sooner.
constexpr double ForwardHotShare = 5.0;
constexpr double BackwardHotShare = 0.8;
// Steps per call of the main search: boxes per thousand resting cells from which the board counts
// as crowded (four steps), and the box counts up to which four and two steps are taken. More steps
// give the meeting search more of thread one's time while the main search runs.
constexpr int CrowdedPerThousand = 300;
constexpr int FourStepsBoxes = 8;
constexpr int TwoStepsBoxes = 12;
constexpr int ForwardRestBits = 0x1800;
static_assert(StoreOneMeeting.offset % 64 == 0 && std::size_t{MeetIndexEntries} * sizeof(IndexEntry) +
                                                          std::size_t{MeetNodeLimit} * sizeof(MeetNode) <=
                                                      StoreOneMeeting.bytes);

// Where the meeting search stands in a run.
enum class MeetState {
    NotSetUp, // not set up yet (or more than 20 boxes: never)
    Running,  // fed and stepped
    Solved,   // met: the solution is in the trace, and every loop of the main search ends with it
    Full,     // its node table is full
};

class MeetingSearch
    : public BidirCore<MeetingSearch, MeetNode, MeetIndexEntries, MeetNodeLimit, MeetBuckets> {
  public:
    MeetingSearch(const Level& level, SearchPosition& pos, StageCopies& stage, const PathRecord& path,
                  Trace& trace, RunControl& control, NodeStores& stores, RangeLists& ranges);

    // Per-run reset; the set-up clears the tables.
    void resetRun();

    // Sets the search up on the first call (nothing for more than 20 boxes), feeds the path
    // positions recorded since on later calls. Continue: nothing happened or fed without meeting;
    // Solved: a fed position met (solution written, state Solved); Full: the table is full.
    Step meetSearchFeed();
    // Up to meetStepsPerCall pairs of a backward and a forward expansion. Continue: go on (also when
    // stopped: the caller's own poll ends its search); Solved: met (solution written, state
    // Solved); Full: the table is full; Dry: a side ran dry.
    Step meetSearchSteps();
    // One expansion of a side: Continue (forward: or resting), Dry (its queue is empty), Solved
    // (met), Full or Stopped.
    Step meetExpandBackward() { return expand(false); }
    Step meetExpandForward();
    // Writes the joined solution into the trace.
    void meetBuildSolution() { buildSolution(); }
    // Stage 1: the search left running by the main search, on alone until it meets (Solved,
    // solution written), a side runs dry (Dry), its table fills (Full) or the run is stopped.
    Step runAlone();

    MeetState state() const { return meetState; }
    bool solved() const { return meetState == MeetState::Solved; }
    SmallCorral& corral() { return corral_; }

  private:
    template <typename> friend class BidirProbe;
    MeetState meetState = MeetState::NotSetUp;
    int meetStepsPerCall = 1;
    int pathFed = 0;
    int hotCellThreshold = 0;
    int boxCellCount = 0;
    double forwardHotFactor = 0;
    double backwardHotFactor = 0;
    std::array<int, MaxBoxes> meetFeedBoxes{};

    friend class BidirCore<MeetingSearch, MeetNode, MeetIndexEntries, MeetNodeLimit, MeetBuckets>;
    void setUp();
    Step feed();
    // The sides met: the solution into the trace, the state Solved.
    Step met();
    void chooseStepsPerCall();

    // The points where this search differs from the full search.
    int nodePriority(bool forward) const;
    void gradeOtherSide(bool forward);
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
