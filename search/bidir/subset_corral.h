#pragma once
// The corral test of the bidirectional searches. After a push, every free area next to the pushed
// box that the player cannot reach is tested with only the boxes bordering it, on a board that holds
// nothing but walls and those boxes: a small best-first push search, fewest boxes first, looks for a
// state in which no box that still borders a corral stands off a goal. None found: a deadlock.
// Answers are cached per subproblem (its active boxes and normalised player) until the next set-up
// of the calling search. The small variant serves the meeting search; the large one, with more
// boxes and pairs of corrals, serves the full search.
#include <array>
#include <cstddef>
#include <cstdint>

#include "search/bidir/stage.h"
#include "solver/board.h"
#include "solver/corral_result.h"
#include "solver/fifo_buckets.h"
#include "solver/keyed_table.h"
#include "solver/node_stores.h"
#include "solver/position_key.h"
#include "solver/primitives.h"
#include "solver/region_mark.h"
#include "solver/run_control.h"

namespace cw {

template <int Boxes> struct SubsetNode {
    std::uint32_t stamp; // the test that stored or last queued it
    std::int16_t boxes[Boxes];
    std::int16_t player; // normalised on the subset board; 0 marks an empty slot
    std::int8_t count;
    std::int8_t result; // CorralRecordUndecided, CorralRecordOpen (no deadlock proven) or CorralRecordDead
    SubsetNode* next;
};

// What sets the two variants apart.
struct SmallSubset {
    static constexpr int MaxBoxes = 6;
    static constexpr std::uint32_t Slots = 24'001;
    static constexpr int CounterLimit = 20'000;
    static constexpr StoreRegion Region = StoreOneSmallCorral;
    static constexpr bool Pairs = false;        // also test each corral joined with one beyond a box
    static constexpr bool GoalGroupRule = true; // a push freezing a group on goals may freeze a neighbour
};
struct LargeSubset {
    static constexpr int MaxBoxes = 18;
    static constexpr std::uint32_t Slots = 1'868'107;
    static constexpr int CounterLimit = 1'557'000;
    static constexpr StoreRegion Region = StoreOneLargeCorral;
    static constexpr bool Pairs = true;
    static constexpr bool GoalGroupRule = false;
};

static_assert(sizeof(SubsetNode<SmallSubset::MaxBoxes>) == 32 &&
              sizeof(SubsetNode<LargeSubset::MaxBoxes>) == 56);
static_assert(SmallSubset::Region.offset % 64 == 0 && SmallSubset::Slots * 32 <= SmallSubset::Region.bytes);
static_assert(LargeSubset::Region.offset % 64 == 0 &&
              std::size_t{LargeSubset::Slots} * 56 <= LargeSubset::Region.bytes);

constexpr int SubsetTestInsertLimit = 200; // nodes one test may store

template <typename Variant> class SubsetCorral {
  public:
    using Node = SubsetNode<Variant::MaxBoxes>;
    static constexpr int Buckets = Variant::MaxBoxes;

    SubsetCorral(const Level& level, const RunControl& control, const StageCopies& stage, RangeLists& ranges)
        : lv_(level), control_(control), stage_(stage), ranges_(ranges) {}

    // The table: Variant::Slots nodes at `offset` bytes into `store` (thread one's store, or a
    // test's buffer), which reads as zero bytes.
    void attach(std::byte* store, std::size_t offset) {
        table_.attach(store == nullptr ? nullptr : reinterpret_cast<Node*>(store + offset), Variant::Slots,
                      Variant::Slots);
    }
    bool ready() const { return table_.ready(); }
    // A later stage has written over the table's bytes: the next set-up zeroes all of them.
    void overwritten() { table_.overwritten(); }

    // At the set-up of the calling search: empties the table (the cost follows what the last search
    // filled), restarts the test numbers and takes the walls from stageBoard.
    void setUp();

    // After the push that brought a box to `cell`, the position on stageBoard and in stageBoxList,
    // the player's normalised cell `player` and his region marked (non-zero) in `reach`: true when
    // a corral next to the box is a deadlock (or the run was stopped meanwhile: the push is refused).
    bool corralTest(int cell, int player, const int* reach);
    // The same with the player's region flooded here.
    bool corralTest(int cell, int player) {
        region_.fill(lv_, stage_.stageBoard.data(), player);
        return corralTest(cell, player, region_.data());
    }

    // One corral, given as the cells marked in `area` (or in `also`, when given): Dead, Open (or not
    // proven), TooLarge (more boxes than the variant takes) or Stopped.
    CorralResult corralSubsetTest(const int* area, int player, const int* also = nullptr);
    // The search over the subset in subsetBoxList: Dead, Open (or not proven) or Stopped.
    CorralResult subsetSearch(int player);
    // Looks up or stores the subset in subsetBoxList with `player`: Open (solved or not proven),
    // Dead (a cached deadlock) or Pending (queued now or earlier in this test). `region`, when given,
    // marks the player's region on the subset board, `lowest` its smallest cell; else it is flooded.
    CorralResult subsetInsert(int player, const int* region = nullptr, int lowest = 0);

    // Read by tests.
    std::uint32_t subsetStamp = 0;
    int subsetNodeCounter = 0;
    int subsetTestInserts = 0;
    int subsetBoxCount = 0;
    std::array<int, Variant::MaxBoxes> subsetBoxList{};
    Node* subsetProbe = nullptr;
    const int* subsetBoard() const { return subsetBoard_.data(); }

  private:
    bool corralsAround(int cell, int player, const int* reach);
    bool corralsAndPairsAround(int cell, int player, const int* reach);
    // A search's answer that refuses the push: a deadlock, or a stop.
    static bool refuses(CorralResult r) { return r == CorralResult::Dead || r == CorralResult::Stopped; }
    // Expands one queued node: true when a child is solved or cannot be proven dead.
    bool childOpens(const Node* node);
    // Whether the push that put a box on t freezes a box off its goal.
    bool pushFreezes(int t);
    void putSubsetBoxes(int value);

    const Level& lv_;
    const RunControl& control_;
    const StageCopies& stage_;
    RangeLists& ranges_; // freezeTestFlag's off-goal flag
    SlotTable<Node> table_;

    Board subsetBoard_{}; // 8 blocked, 2 the subset's boxes, 0 elsewhere; walls only between tests
    FifoBuckets<Node, &Node::next, Buckets> queue_; // by active boxes, fewest first

    RegionMark region_; // the player's region, where the caller has none at hand
    RegionMark nodeMark_;
    RegionMark insertMark_;
    RegionMark seen_; // the corrals tested already, beside the player's region
    RegionMark area_;
    RegionMark first_;
    RegionMark covered_;
};

extern template class SubsetCorral<SmallSubset>;
extern template class SubsetCorral<LargeSubset>;
using SmallCorral = SubsetCorral<SmallSubset>;
using LargeCorral = SubsetCorral<LargeSubset>;

} // namespace cw
