#pragma once
// The two large node stores of one engine, each one block of zero pages carved into regions by
// byte offset. Every region starts on a 2 MiB boundary of a block that starts on one, so its tables
// are cache-line aligned and use whole huge pages. The tables of thread one's main search, the
// meeting search and their corral caches have regions of their own; the full search and its corral
// cache, which run only after them, reuse the same bytes. Pages once touched stay with the store
// from run to run: each table clears what it filled, so a batch faults each page once.
#include <cstddef>
#include <cstdint>

namespace cw {

constexpr std::size_t NodeStoreOneBytes = 1'872'171'672;
constexpr std::size_t NodeStoreTwoBytes = 1'701'381'712;

constexpr std::size_t HugePageBytes = std::size_t{2} << 20;
constexpr std::size_t hugeAligned(std::size_t bytes) {
    return (bytes + HugePageBytes - 1) / HugePageBytes * HugePageBytes;
}

// A region of a store: its offset and its bytes.
struct StoreRegion {
    std::size_t offset;
    std::size_t bytes;
    constexpr std::size_t end() const { return offset + bytes; }
};
constexpr StoreRegion regionAfter(const StoreRegion& before, std::size_t bytes) {
    return {hugeAligned(before.end()), bytes};
}

// Store one, while the main search runs (with the meeting search stepped from it) and in stage 1.
constexpr StoreRegion StoreOnePlacement{0, 7'025'288};                             // placement table
constexpr StoreRegion StoreOneOrder = regionAfter(StoreOnePlacement, 236'245'328); // goal-order table
constexpr StoreRegion StoreOneProbe = regionAfter(StoreOneOrder, 1'043'224);       // probe table
constexpr StoreRegion StoreOnePlaceCorral = regionAfter(StoreOneProbe, 1'344'056); // placement corral cache
constexpr StoreRegion StoreOneProbeCorral = regionAfter(StoreOnePlaceCorral, 1'344'056); // probe corral cache
constexpr StoreRegion StoreOneSmallCorral = regionAfter(StoreOneProbeCorral, 768'032); // meeting corral cache
constexpr StoreRegion StoreOneMeeting = regionAfter(StoreOneSmallCorral, 1'605'890'816); // meeting table
static_assert(StoreOneMeeting.end() <= NodeStoreOneBytes);
// Store one in stage 2, over the bytes of everything above.
constexpr StoreRegion StoreOneFull{0, 1'742'835'456};                               // full search table
constexpr StoreRegion StoreOneLargeCorral = regionAfter(StoreOneFull, 104'613'992); // its corral cache
static_assert(StoreOneLargeCorral.end() <= NodeStoreOneBytes);

// Store two: thread two's corral cache, then its node table over the rest.
constexpr StoreRegion StoreTwoPatternCache{0, 3'999'640};
constexpr StoreRegion StoreTwoNodeTable{hugeAligned(StoreTwoPatternCache.end()),
                                        NodeStoreTwoBytes - hugeAligned(StoreTwoPatternCache.end())};

// Asks for small pages in [begin, begin + bytes) (the pages inside it): the start of a table that
// grows from its start, or a small table touched at random, so that an easy level costs what it
// touches and not a huge page per table.
void adviseSmallPages(const void* begin, std::size_t bytes);

// A table smaller than this is touched at random over all of it and keeps small pages; the first
// this many bytes of a growing table, too.
constexpr std::size_t SmallPagesBytes = HugePageBytes;

class NodeStores {
  public:
    // Maps both stores and asks for huge pages; storesReady() says whether both mappings succeeded.
    NodeStores();
    ~NodeStores();
    NodeStores(const NodeStores&) = delete;
    NodeStores& operator=(const NodeStores&) = delete;

    bool storesReady() const { return one_ != nullptr && two_ != nullptr; }
    std::byte* nodeStoreOne() const { return one_; }
    std::byte* nodeStoreTwo() const { return two_; }

    // Pages currently resident in both stores, in bytes (for memory figures).
    std::size_t residentBytes() const;

  private:
    // One store: the mapping (a huge page larger than asked, so the store can start on a boundary).
    struct Mapping {
        void* base = nullptr;
        std::size_t bytes = 0;
    };
    static std::byte* map(Mapping& m, std::size_t bytes);
    static void unmap(Mapping& m);

    Mapping mapOne_, mapTwo_;
    std::byte* one_ = nullptr;
    std::byte* two_ = nullptr;
};

} // namespace cw
