// The position key and the node tables every search keeps its positions in: the key spreads many-box
// positions over a table of the searches' own size, a child's key from its parent's equals the key
// from scratch, and both table layouts find, store, grow and clear as their searches rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <vector>

#include "search/bidir/meeting_search.h"
#include "search/two/two_solver.h"
#include "solver/keyed_table.h"
#include "solver/position_key.h"

namespace {

// A deterministic stream of numbers, the same on every machine.
struct SplitMix {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
};

// A position as a table stores it: sorted box cells and the player cell.
struct Position {
    std::vector<int> boxes;
    int player = 0;
    bool operator==(const Position&) const = default;
};

// Positions of `boxes` boxes on the floor of a 19 x 16 level (the size of many large collection
// levels): every cell inside the walls, the boxes on distinct cells, the player on another.
std::vector<Position> positions(int boxes, int count, std::uint64_t seed) {
    constexpr int Width = 19, Height = 16;
    std::vector<int> floor;
    for (int y = 1; y < Height - 1; y++)
        for (int x = 1; x < Width - 1; x++) floor.push_back(y * Width + x);
    SplitMix rng{seed};
    std::vector<Position> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; k++) {
        std::vector<int> cells = floor;
        for (int i = 0; i <= boxes; i++)
            std::swap(cells[i], cells[i + rng.below(static_cast<int>(cells.size()) - i)]);
        Position p;
        p.boxes.assign(cells.begin(), cells.begin() + boxes);
        std::sort(p.boxes.begin(), p.boxes.end());
        p.player = cells[boxes];
        out.push_back(std::move(p));
    }
    return out;
}

std::uint64_t keyOf(const Position& p) {
    return cw::positionKey(cw::boxesKey(p.boxes.data(), static_cast<int>(p.boxes.size())), p.player);
}

struct Record {
    std::uint32_t position; // index + 1 into the test's positions; 0 marks an empty slot
    std::uint32_t spare;
};

TEST(PositionKey, OneMovedBoxUpdatesTheKeyAsFromScratchAndOrderDoesNotMatter) {
    for (const auto& p : positions(22, 200, 7)) {
        std::vector<int> shuffled = p.boxes;
        std::reverse(shuffled.begin(), shuffled.end());
        const std::uint64_t boxes = cw::boxesKey(p.boxes.data(), 22);
        EXPECT_EQ(cw::boxesKey(shuffled.data(), 22), boxes);
        // Box 5 to a cell no box stands on, then back.
        int to = p.boxes[5] + 1;
        while (std::find(p.boxes.begin(), p.boxes.end(), to) != p.boxes.end()) to++;
        std::vector<int> moved = p.boxes;
        moved[5] = to;
        EXPECT_EQ(cw::movedBoxKey(boxes, p.boxes[5], to), cw::boxesKey(moved.data(), 22));
        EXPECT_EQ(cw::movedBoxKey(cw::movedBoxKey(boxes, p.boxes[5], to), to, p.boxes[5]), boxes);
        // The player is keyed apart from the boxes: a box and the player swapping cells is another key.
        EXPECT_NE(cw::positionKey(boxes, p.player),
                  cw::positionKey(cw::movedBoxKey(boxes, p.boxes[0], p.player), p.boxes[0]));
    }
    // A box entry of 0 (taken off the board) leaves the key alone.
    const int withGap[3] = {40, 0, 41};
    const int without[2] = {40, 41};
    EXPECT_EQ(cw::boxesKey(withGap, 3), cw::boxesKey(without, 2));
}

// Many-box positions fill a corral cache of its real size half full with short walks, and the
// largest index the searches use, half full after its growth, as well. A key that collapsed on many
// boxes (one that multiplied the cells) crowded such positions into a narrow band of slots.
TEST(KeyedTables, ManyBoxPositionsSpreadOverTablesOfTheRealSize) {
    for (int boxes : {16, 22, 32}) {
        SCOPED_TRACE(boxes);
        const std::uint32_t slots = cw::PatternCacheRecords;
        const auto set = positions(boxes, static_cast<int>(slots / 2), 100 + boxes);
        std::vector<Record> store(slots);
        cw::SlotTable<Record> cache;
        cache.attach(store.data(), slots, slots);
        for (std::uint32_t i = 0; i < set.size(); i++) {
            const auto found = cache.find(
                keyOf(set[i]), [](const Record& r) { return r.position == 0; },
                [&](const Record& r) { return set[r.position - 1] == set[i]; });
            ASSERT_FALSE(found.known);
            found.record->position = i + 1;
        }
        EXPECT_LT(cache.stats.meanProbes(), 1.6);
        EXPECT_LT(cache.stats.largest, 100u);

        // The meeting search's index: grown to a quarter million entries for these positions.
        const int count = 1 << 17;
        const auto many = positions(boxes, count, 200 + boxes);
        const std::size_t bytes =
            std::size_t{cw::MeetIndexEntries} * sizeof(cw::IndexEntry) + std::size_t{count} * sizeof(Record);
        // Only what the table touches is ever written: its first index by clear(), the rest as it grows.
        std::unique_ptr<std::byte, void (*)(void*)> region(
            static_cast<std::byte*>(std::aligned_alloc(64, (bytes + 63) / 64 * 64)), std::free);
        ASSERT_NE(region, nullptr);
        cw::NodeTable<Record> table;
        table.attach(region.get(), bytes, cw::MeetIndexEntries, static_cast<std::uint32_t>(count));
        table.clear();
        for (std::uint32_t i = 0; i < many.size(); i++) {
            ASSERT_EQ(
                table.find(keyOf(many[i]), [&](const Record& r) { return many[r.position - 1] == many[i]; }),
                nullptr);
            table.add()->position = i + 1;
        }
        EXPECT_EQ(table.indexEntries(), 1u << 18);
        // Entries looked at: about what linear probing gives at a load between a quarter and a half;
        // lines read (index lines and nodes compared): hardly more than one.
        EXPECT_LT(table.stats.meanProbes(), 2.0);
        EXPECT_LT(table.stats.meanLines(), 1.2);
        EXPECT_LT(table.stats.largest, 100u);
    }
}

// A node table finds every node after its index grew, tells positions apart whose keys share their
// top bits, stops at its capacity, and is empty after clear() though its bytes still hold nodes.
TEST(KeyedTables, NodeTableGrowsKeepsEveryNodeAndClears) {
    const int count = 20'000;
    const auto set = positions(6, count, 3);
    const std::size_t bytes = std::size_t{1 << 16} * sizeof(cw::IndexEntry) + count * sizeof(Record);
    std::vector<std::byte> region(bytes);
    cw::NodeTable<Record> table;
    table.attach(region.data(), bytes, 1 << 16, count);
    auto same = [&](int i) { return [&set, i](const Record& r) { return set[r.position - 1] == set[i]; }; };
    for (int i = 0; i < count; i++) {
        ASSERT_EQ(table.find(keyOf(set[i]), same(i)), nullptr);
        table.add()->position = static_cast<std::uint32_t>(i + 1);
    }
    EXPECT_EQ(table.add(), nullptr) << "past its capacity";
    for (int i = 0; i < count; i++) {
        const Record* r = table.find(keyOf(set[i]), same(i));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->position, static_cast<std::uint32_t>(i + 1));
    }
    // The same key for two positions: both are stored, each found by its own comparison.
    const std::uint64_t shared = keyOf(set[0]);
    table.clear();
    ASSERT_EQ(table.find(shared, same(0)), nullptr);
    table.add()->position = 1;
    ASSERT_EQ(table.find(shared, same(1)), nullptr);
    table.add()->position = 2;
    EXPECT_EQ(table.find(shared, same(0))->position, 1u);
    EXPECT_EQ(table.find(shared, same(1))->position, 2u);
    EXPECT_EQ(table.count(), 2u);
    EXPECT_EQ(table.find(keyOf(set[2]), same(2)), nullptr);
    // A node handed out is zero bytes, whatever an earlier use left there.
    table.clear();
    table.find(shared, same(0));
    EXPECT_EQ(table.add()->spare, 0u);
}

// A slot table's walk ends at a slot its owner calls free (empty, or a record left over for reuse),
// and clear() zeroes what was filled, or everything once another table wrote over its bytes.
TEST(KeyedTables, SlotTableEndsAtFreeSlotsAndClearsWhatItFilled) {
    std::vector<Record> store(64);
    cw::SlotTable<Record> table;
    table.attach(store.data(), 64, 64);
    const auto set = positions(3, 40, 11);
    auto empty = [](const Record& r) { return r.position == 0; };
    for (std::uint32_t i = 0; i < set.size(); i++) {
        const auto found =
            table.find(keyOf(set[i]), empty, [&](const Record& r) { return set[r.position - 1] == set[i]; });
        ASSERT_FALSE(found.known);
        table.noteFilled(found.record);
        found.record->position = i + 1;
        found.record->spare = 7;
    }
    // Records marked left over (spare 1) end a walk like an empty slot: a position whose home slot
    // holds one goes there.
    for (Record& r : store)
        if (r.position != 0) r.spare = 1;
    for (const Position& p : positions(3, 200, 99)) {
        const std::uint64_t key = keyOf(p);
        const Record& home = store[cw::homeSlot(key, 64)];
        if (home.position == 0) continue;
        const auto reused = table.find(
            key, [](const Record& r) { return r.position == 0 || r.spare == 1; },
            [](const Record&) { return false; });
        EXPECT_FALSE(reused.known);
        EXPECT_EQ(reused.record, &home);
    }

    table.clear();
    EXPECT_TRUE(std::all_of(store.begin(), store.end(),
                            [](const Record& r) { return r.position == 0 && r.spare == 0; }));
    std::fill(store.begin(), store.end(), Record{5, 5});
    table.overwritten();
    table.clear();
    EXPECT_TRUE(std::all_of(store.begin(), store.end(), [](const Record& r) { return r.position == 0; }));
}

} // namespace
