#pragma once
// Records and store layout of the main search. Its node tables lie in thread one's node store one
// after the other from the start, each in a region of its own: placement table, goal-order table,
// probe table, and the corral caches of the placement and the probe search.
#include <array>
#include <cstddef>
#include <cstdint>

#include "solver/board.h"
#include "solver/corral_result.h"
#include "solver/fifo_buckets.h"
#include "solver/keyed_table.h"
#include "solver/node_stores.h"

namespace cw {

constexpr std::uint32_t PlaceTableSize = 46'219;
constexpr int PlaceNodeLimit = 38'299; // tested once per popped node
// One expansion may store thousands of children past the limit; past this cap nothing more is
// stored, so the table always keeps empty slots and its probe always ends.
constexpr int PlaceHardCap = 45'000;
constexpr int PlaceRestarts = 40;
// A restart keeps a third box's nodes when the two that moved least have fewer nodes than this
// together (levels of up to 20 boxes, and larger): more kept nodes search wider after a restart but
// leave less room before the next.
constexpr int ThirdBoxNodesSmall = 1'100;
constexpr int ThirdBoxNodesLarge = 1'500;
// Refused placements before a cycle gives up: ordered targets, and the one fallback target. Higher
// counts search longer for a placement before thread one moves on to its later stages.
constexpr int OrderedFailLimit = 900'000;
constexpr int FallbackFailLimit = 50;

constexpr int OrderNodeLimit = 312'490;
// Room for the limit and the roots with the index at most 30 % full.
constexpr std::uint32_t OrderNodeCapacity = OrderNodeLimit + MaxGoalRooms;
constexpr std::uint32_t OrderIndexEntries = std::uint32_t{1} << 20;
constexpr int OrderBuckets = 322;
// A goal-order node's priority, summed over its slots (higher is expanded first): a slot retired
// for good, one on a start box that the assignment allows, one parked, one still on its goal, one
// pulled once. Settled slots counting most expands nearly complete plans first (deep and narrow);
// the goal weight above the pulled one prefers plans that have moved fewer boxes so far.
constexpr int OrderWeightRetired = 5;
constexpr int OrderWeightOnStartBox = 4;
constexpr int OrderWeightParked = 3;
constexpr int OrderWeightOnGoal = 2;
constexpr int OrderWeightPulled = 1;
static_assert(OrderWeightRetired * MaxBoxes < OrderBuckets, "every priority has its bucket");

constexpr std::uint32_t ProbeTableSize = 1'433;
constexpr int ProbeNodeLimit = 1'024;
// A probe node's priority, summed over its boxes (higher is expanded first): a box found free, one
// on a goal, one not moved yet, one moved once; a box moved again adds nothing. Free boxes first
// makes the probe end soon on a level that is easy from here.
constexpr int ProbeWeightFree = 4;
constexpr int ProbeWeightOnGoal = 3;
constexpr int ProbeWeightUnmoved = 2;
constexpr int ProbeWeightMovedOnce = 1;

constexpr std::uint32_t PenTableSize = 24'001;
constexpr int PenMaxBoxes = 18;
constexpr int PenNewLimit = 400;     // records one corral test may create
constexpr int PenMarkLimit = 20'000; // records one calling search may create in all

constexpr int MaxPlanSteps = 1000;

// The moved box (or slot) of a root node, which no move made.
constexpr std::uint8_t RootMove = 255;

struct PlacementNode {
    std::int16_t cell[MaxBoxes];
    std::int16_t player;   // normalised player cell; 0 marks an empty slot
    std::uint8_t movedBox; // RootMove for the root
    std::uint8_t mark;
    PlacementNode* parent;
    PlacementNode* queueNext;
};

struct OrderNode {
    std::uint64_t mask[MaxBoxes];
    std::int16_t cell[MaxBoxes];
    std::uint8_t state[MaxBoxes];
    std::int16_t player; // 0 marks an empty slot
    std::uint8_t activeCount;
    std::uint8_t parkedCount;
    std::uint8_t movedSlot; // RootMove for a root
    OrderNode* parent;
    OrderNode* bucketNext;
};

struct PenRecord {
    std::uint32_t stamp;
    std::int16_t cells[PenMaxBoxes];
    std::int16_t player; // 0 marks an empty slot
    std::uint8_t count;
    std::uint8_t result; // CorralRecordUndecided (still open), CorralRecordOpen or CorralRecordDead
    PenRecord* next;
};

static_assert(sizeof(PlacementNode) == 152 && sizeof(OrderNode) == 728 && sizeof(PenRecord) == 56);
static_assert(StoreOnePlacement.offset % 64 == 0 &&
              PlaceTableSize * sizeof(PlacementNode) <= StoreOnePlacement.bytes);
static_assert(StoreOneOrder.offset % 64 == 0 &&
              std::size_t{OrderIndexEntries} * sizeof(IndexEntry) + OrderNodeCapacity * sizeof(OrderNode) <=
                  StoreOneOrder.bytes);
static_assert(StoreOneProbe.offset % 64 == 0 && ProbeTableSize * sizeof(OrderNode) <= StoreOneProbe.bytes);
static_assert(StoreOnePlaceCorral.offset % 64 == 0 && StoreOneProbeCorral.offset % 64 == 0 &&
              PenTableSize * sizeof(PenRecord) <= StoreOnePlaceCorral.bytes &&
              PenTableSize * sizeof(PenRecord) <= StoreOneProbeCorral.bytes);

} // namespace cw
