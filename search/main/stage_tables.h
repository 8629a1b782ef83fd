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

constexpr int MaxPath = 1000;
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

// A table of records at a fixed offset in a node store that remembers which slots it filled, so that
// clearing costs in proportion to what a search touched: a few records are zeroed one by one, a
// table that filled many slots returns its pages to the system.
template <typename Record> class StoreTable {
  public:
    void attach(std::byte* store, std::size_t offset, std::uint32_t size) {
        store_ = store;
        offset_ = offset;
        size_ = size;
        slots_ = store == nullptr ? nullptr : reinterpret_cast<Record*>(store + offset);
        touchedCount_ = 0;
        touchedAll_ = false;
    }
    bool ready() const { return slots_ != nullptr; }
    std::uint32_t size() const { return size_; }
    Record& operator[](std::uint32_t i) { return slots_[i]; }
    Record* slots() { return slots_; }
    std::uint32_t indexOf(const Record* r) const { return static_cast<std::uint32_t>(r - slots_); }

    // Call when an empty slot is filled.
    void noteFilled(std::uint32_t i) {
        if (touchedCount_ < static_cast<int>(touched_.size()))
            touched_[touchedCount_++] = i;
        else
            touchedAll_ = true;
    }
    // Every byte of the table reads zero afterwards.
    void clear() {
        if (slots_ == nullptr) return;
        if (touchedAll_) {
            NodeStores::zeroRange(store_, offset_, std::size_t{size_} * sizeof(Record));
        } else {
            for (int k = 0; k < touchedCount_; k++) std::memset(&slots_[touched_[k]], 0, sizeof(Record));
        }
        touchedCount_ = 0;
        touchedAll_ = false;
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
    Record* slots_ = nullptr;
    std::array<std::uint32_t, 4096> touched_{};
    int touchedCount_ = 0;
    bool touchedAll_ = false;
};

// First in, first out per priority, highest priority first, linked through Link.
template <typename Record, Record* Record::*Link, int Buckets> struct FifoBuckets {
    std::array<Record*, Buckets> head{};
    std::array<Record*, Buckets> tail{};
    int top = 0;

    void clear() {
        head.fill(nullptr);
        tail.fill(nullptr);
        top = 0;
    }
    void append(Record* r, int k) {
        r->*Link = nullptr;
        if (tail[k] != nullptr) {
            tail[k]->*Link = r;
        } else {
            head[k] = r;
            if (k > top) top = k;
        }
        tail[k] = r;
    }
    // Lowers top past empty buckets; nullptr when every bucket is empty.
    Record* take() {
        while (top > 0 && head[top] == nullptr) top--;
        Record* r = head[top];
        if (r == nullptr) return nullptr;
        head[top] = r->*Link;
        if (head[top] == nullptr) tail[top] = nullptr;
        return r;
    }
};

} // namespace cw
