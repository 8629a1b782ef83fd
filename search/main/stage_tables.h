#pragma once
// Records and store layout of the main search. Its node tables lie in thread one's node store one
// after the other from the start: placement table, order table, placement corral table. The probe
// search reuses the start of the order table (its probe table, then its own corral table), which is
// free once a goal-order pass has copied its targets out.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "solver/board.h"
#include "solver/fifo_buckets.h"
#include "solver/node_stores.h"

namespace cw {

constexpr std::uint32_t TableProbeStep = 491; // open addressing step of every main-search table

constexpr std::uint32_t PlaceTableSize = 46'219;
constexpr int PlaceNodeLimit = 38'299; // tested once per popped node
// One expansion may store thousands of children past the limit; past this cap nothing more is
// stored, so the table always keeps empty slots and its probe always ends.
constexpr int PlaceHardCap = 45'000;
constexpr int PlaceRestarts = 40;

constexpr std::uint32_t OrderTableSize = 372'013;
constexpr int OrderNodeLimit = 312'490;
constexpr int OrderBuckets = 322;

constexpr std::uint32_t ProbeTableSize = 1'433;
constexpr int ProbeNodeLimit = 1'024;

constexpr std::uint32_t PenTableSize = 24'001;
constexpr int PenMaxBoxes = 18;
constexpr int PenNewLimit = 400;     // records one corral test may create
constexpr int PenMarkLimit = 20'000; // records one calling search may create in all

constexpr int MaxPlanSteps = 1000;

struct PlacementNode {
    std::int16_t cell[MaxBoxes];
    std::int16_t player; // normalised player cell; 0 marks an empty slot
    std::uint8_t movedBox;
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
    std::uint8_t movedSlot; // 255 for a root
    OrderNode* parent;
    OrderNode* bucketNext;
};

struct PenRecord {
    std::uint32_t stamp;
    std::int16_t cells[PenMaxBoxes];
    std::int16_t player; // 0 marks an empty slot
    std::uint8_t count;
    std::uint8_t result; // 0 open, 1 no deadlock, 2 deadlock
    PenRecord* next;
};

constexpr std::size_t PlaceTableOffset = StoreOneFullSearch;
constexpr std::size_t OrderTableOffset = StoreOneMainA;
constexpr std::size_t ProbeCorralOffset = StoreOneMainB;
constexpr std::size_t PlaceCorralOffset = StoreOneMainC;

static_assert(sizeof(PlacementNode) == 152 && sizeof(OrderNode) == 728 && sizeof(PenRecord) == 56);
static_assert(PlaceTableOffset + PlaceTableSize * sizeof(PlacementNode) == OrderTableOffset);
static_assert(OrderTableOffset + OrderTableSize * sizeof(OrderNode) == PlaceCorralOffset);
static_assert(PlaceCorralOffset + PenTableSize * sizeof(PenRecord) == StoreOneMeeting);
static_assert(OrderTableOffset + ProbeTableSize * sizeof(OrderNode) == ProbeCorralOffset);
static_assert(ProbeCorralOffset + PenTableSize * sizeof(PenRecord) <= PlaceCorralOffset);

// Order slots below this one share bytes with the probe corral table.
constexpr std::uint32_t OrderSlotsUnderProbeCorral = static_cast<std::uint32_t>(
    (ProbeCorralOffset + PenTableSize * sizeof(PenRecord) - OrderTableOffset + sizeof(OrderNode) - 1) /
    sizeof(OrderNode));

// A table of records at a fixed offset in a node store that remembers which slots it filled, so that
// clearing costs in proportion to what a search touched. A filled slot is emptied by its player cell
// alone, except below `zeroBelow`, where another table's records lie on the same bytes and every
// byte must read zero again. Should the list of filled slots overflow, the whole table returns its
// pages to the system instead.
template <typename Record, int Capacity> class StoreTable {
  public:
    void attach(std::byte* store, std::size_t offset, std::uint32_t size, std::uint32_t zeroBelow) {
        store_ = store;
        offset_ = offset;
        size_ = size;
        zeroBelow_ = zeroBelow;
        slots_ = store == nullptr ? nullptr : reinterpret_cast<Record*>(store + offset);
        forget();
    }
    bool ready() const { return slots_ != nullptr; }
    Record& operator[](std::uint32_t i) { return slots_[i]; }

    // Call when an empty slot is filled.
    void noteFilled(std::uint32_t i) {
        if (touchedCount_ < Capacity)
            touched_[touchedCount_++] = i;
        else
            touchedAll_ = true;
    }
    // Every slot is empty afterwards.
    void clear() {
        if (slots_ == nullptr) return;
        if (touchedAll_) {
            NodeStores::zeroRange(store_, offset_, std::size_t{size_} * sizeof(Record));
        } else {
            for (int k = 0; k < touchedCount_; k++) {
                const std::uint32_t i = touched_[k];
                if (i < zeroBelow_)
                    std::memset(&slots_[i], 0, sizeof(Record));
                else
                    slots_[i].player = 0;
            }
        }
        forget();
    }
    // The whole store was zeroed by its owner.
    void forget() {
        touchedCount_ = 0;
        touchedAll_ = false;
    }

  private:
    std::byte* store_ = nullptr;
    std::size_t offset_ = 0;
    std::uint32_t size_ = 0;
    std::uint32_t zeroBelow_ = 0;
    Record* slots_ = nullptr;
    std::array<std::uint32_t, Capacity> touched_{};
    int touchedCount_ = 0;
    bool touchedAll_ = false;
};

} // namespace cw
