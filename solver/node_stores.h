#pragma once
// The two large node stores of one engine, each one block of zero pages carved into regions by
// byte offset. Some search tables run past their nominal region into the next one; the stages that
// share bytes never run at the same time.
#include <cstddef>
#include <cstdint>

namespace cw {

constexpr std::size_t NodeStoreOneBytes = 1'872'171'672;
constexpr std::size_t NodeStoreTwoBytes = 1'701'381'712;

// Region offsets of store one.
constexpr std::size_t StoreOneFullSearch = 0;              // full search and placement search
constexpr std::size_t StoreOneMainA = 7'025'288;           // main search
constexpr std::size_t StoreOneMainB = 8'068'512;           // main search
constexpr std::size_t StoreOneMainC = 277'850'752;         // main search
constexpr std::size_t StoreOneMeeting = 279'194'808;       // meeting search
constexpr std::size_t StoreOneLargeCorral = 1'767'557'384; // large enclosed-area test
constexpr std::size_t StoreOneSmallCorral = 1'871'403'640; // small enclosed-area test

// Region offsets of store two.
constexpr std::size_t StoreTwoPatternCache = 0;
constexpr std::size_t StoreTwoNodeTable = 3'999'640;

class NodeStores {
  public:
    // Maps both stores; storesReady() says whether both mappings succeeded.
    NodeStores();
    ~NodeStores();
    NodeStores(const NodeStores&) = delete;
    NodeStores& operator=(const NodeStores&) = delete;

    bool storesReady() const { return one_ != nullptr && two_ != nullptr; }
    std::byte* nodeStoreOne() const { return one_; }
    std::byte* nodeStoreTwo() const { return two_; }

    // After these the whole store reads as zero bytes; the cost follows the pages touched since.
    void zeroStoreOne() { zeroRange(one_, 0, NodeStoreOneBytes); }
    void zeroStoreTwo() { zeroRange(two_, 0, NodeStoreTwoBytes); }
    // Zeroes [offset, offset + length) of a store; offsets inside pages are cleared by hand.
    static void zeroRange(std::byte* store, std::size_t offset, std::size_t length);

    // Pages currently resident in both stores, in bytes (for memory figures).
    std::size_t residentBytes() const;

  private:
    std::byte* one_ = nullptr;
    std::byte* two_ = nullptr;
};

} // namespace cw
