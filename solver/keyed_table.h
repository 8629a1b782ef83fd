#pragma once
// The one way every node table finds a position. A position's 64-bit key (position_key.h) picks a
// home slot from its top bits scaled to the table's size; the probe walks on from there one slot at
// a time (linear probing), so on a key that spreads it stays within the home slot's cache line or the
// next, and it ends at the first slot that holds no record. Comparison is exact: the key only picks
// where to look, the caller's test decides whether a record is the position.
//
// Two layouts share that rule:
// - SlotTable keeps small records in the slots themselves (caches of corral verdicts, the main
//   search's small tables). Its size is fixed; it remembers which slots it filled, so emptying it
//   costs what a search touched.
// - NodeTable keeps the nodes of a large search in a pool, in the order they were stored, and finds
//   them through an index of 8-byte entries (a part of the key and the node's number), eight to a
//   cache line. The pool grows from its start and the index doubles as the nodes grow, so memory and
//   clearing follow the nodes actually stored: an easy level touches kilobytes, not the table.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "solver/node_stores.h"
#include "solver/probe_stats.h"

namespace cw {

// The home slot of `key` in a table of `slotCount` slots: the top 32 bits of the key scaled to the size,
// so any size works and a table twice the size puts a key at twice the slot.
inline std::uint32_t homeSlot(std::uint64_t key, std::uint32_t slotCount) {
    return static_cast<std::uint32_t>(((key >> 32) * slotCount) >> 32);
}

// The cache lines a walk over `count` slots of `size` bytes from `first` reads.
inline std::uint32_t linesWalked(const void* first, std::uint32_t count, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(first) / 64;
    const auto end = (reinterpret_cast<std::uintptr_t>(first) + count * size - 1) / 64;
    return static_cast<std::uint32_t>(end - begin + 1);
}

// Records in their slots. A record whose `ends` test holds ends a walk: an empty slot, or one free
// for reuse. The owner keeps at least one such slot (by its limits), so every walk ends.
template <typename Record> class SlotTable {
  public:
    struct Found {
        Record* record; // the record of the position, or the slot where it would go
        bool known;     // whether `record` holds the position
    };

    // `slotCount` records at `base`; `touchedCapacity` filled slots are remembered for clearing.
    void attach(Record* base, std::uint32_t slotCount, std::uint32_t touchedCapacity) {
        slots_ = base;
        size_ = slotCount;
        const std::size_t bytes = std::size_t{slotCount} * sizeof(Record);
        if (base != nullptr && bytes <= 8 * SmallPagesBytes) adviseSmallPages(base, bytes);
        // The bytes read as zero (a fresh store): nothing to clear yet.
        touched_.clear();
        touchedCapacity_ = base == nullptr ? 0 : touchedCapacity;
        wholeDirty_ = false;
    }
    bool ready() const { return slots_ != nullptr; }
    std::uint32_t size() const { return size_; }
    Record& operator[](std::uint32_t i) { return slots_[i]; }
    const Record& operator[](std::uint32_t i) const { return slots_[i]; }

    // Walks from the key's home slot until `ends(record)` (not known) or `same(record)` (known).
    template <typename Ends, typename Same> Found find(std::uint64_t key, Ends&& ends, Same&& same) {
        std::uint32_t slot = homeSlot(key, size_);
        Record* const first = &slots_[slot];
        std::uint32_t probes = 0;
        for (;;) {
            Record& r = slots_[slot];
            probes++;
            if (ends(static_cast<const Record&>(r))) {
                count(first, probes, slot);
                return {&r, false};
            }
            if (same(static_cast<const Record&>(r))) {
                count(first, probes, slot);
                return {&r, true};
            }
            if (++slot == size_) slot = 0;
        }
    }

    // Call when a slot that ended a walk as empty is filled, so clear() empties it again.
    void noteFilled(const Record* r) {
        if (touched_.size() < touchedCapacity_)
            touched_.push_back(static_cast<std::uint32_t>(r - slots_));
        else
            wholeDirty_ = true;
    }
    // Every slot reads as zero bytes afterwards: the slots filled since the last clear, or all of
    // them when too many were filled or another table wrote over these bytes meanwhile.
    void clear() {
        if (slots_ == nullptr) return;
        if (wholeDirty_) {
            std::memset(static_cast<void*>(slots_), 0, std::size_t{size_} * sizeof(Record));
        } else {
            for (std::uint32_t i : touched_) std::memset(static_cast<void*>(&slots_[i]), 0, sizeof(Record));
        }
        touched_.clear();
        wholeDirty_ = false;
    }
    // Another table of a later stage has written over these bytes: the next clear() zeroes them all.
    void overwritten() { wholeDirty_ = true; }

    ProbeStats stats;

  private:
    void count(const Record* first, std::uint32_t probes, std::uint32_t last) {
        // A walk that wrapped round reads the lines at both ends.
        const std::uint32_t lines =
            &slots_[last] >= first
                ? linesWalked(first, probes, sizeof(Record))
                : linesWalked(first, static_cast<std::uint32_t>(slots_ + size_ - first), sizeof(Record)) +
                      linesWalked(slots_, last + 1, sizeof(Record));
        stats.count(probes, lines);
    }

    Record* slots_ = nullptr;
    std::uint32_t size_ = 0;
    std::vector<std::uint32_t> touched_; // grows with use, so memory follows what was filled
    std::size_t touchedCapacity_ = 0;
    bool wholeDirty_ = false;
};

// One index entry of a NodeTable: the key's top 32 bits (which also give its home) and the node's
// number in the pool plus one; 0 marks an empty entry.
struct IndexEntry {
    std::uint32_t tag;
    std::uint32_t ref;
};
static_assert(sizeof(IndexEntry) == 8);

// The index starts this small and doubles whenever it is half full, up to its room. Half full keeps
// the mean walk near one and a half entries of one cache line; a fuller index would save memory but
// lengthen walks.
constexpr std::uint32_t IndexFirstEntries = 4096;

template <typename Node> class NodeTable {
  public:
    // The table in [base, base + bytes): room for `maxEntries` index entries at the start, then as many
    // nodes as fit (at most `maxNodes`). base is 64-byte aligned.
    void attach(std::byte* base, std::size_t bytes, std::uint32_t maxEntries, std::uint32_t maxNodes) {
        if (base == nullptr) return;
        index_ = reinterpret_cast<IndexEntry*>(base);
        maxEntries_ = maxEntries;
        const std::size_t indexBytes = (std::size_t{maxEntries} * sizeof(IndexEntry) + 63) / 64 * 64;
        pool_ = reinterpret_cast<Node*>(base + indexBytes);
        const std::size_t room = bytes > indexBytes ? (bytes - indexBytes) / sizeof(Node) : 0;
        capacity_ = static_cast<std::uint32_t>(room < maxNodes ? room : maxNodes);
        // Both grow from their start: small pages there, huge ones only once a search is large.
        adviseSmallPages(index_, indexBytes < SmallPagesBytes ? indexBytes : SmallPagesBytes);
        adviseSmallPages(pool_, SmallPagesBytes < std::size_t{capacity_} * sizeof(Node)
                                    ? SmallPagesBytes
                                    : std::size_t{capacity_} * sizeof(Node));
        // The bytes read as zero: the first index is empty already.
        entries_ = maxEntries_ < IndexFirstEntries ? maxEntries_ : IndexFirstEntries;
        count_ = 0;
    }
    bool ready() const { return pool_ != nullptr; }
    std::uint32_t capacity() const { return capacity_; }
    std::uint32_t count() const { return count_; }
    std::uint32_t indexEntries() const { return entries_; }
    // The nodes in the order they were stored.
    Node& at(std::uint32_t i) { return pool_[i]; }

    // Empty again: the nodes are forgotten and the first index zeroed (other tables may have used
    // these bytes meanwhile; a node is zeroed when it is handed out).
    void clear() {
        count_ = 0;
        entries_ = maxEntries_ < IndexFirstEntries ? maxEntries_ : IndexFirstEntries;
        if (index_ != nullptr)
            std::memset(static_cast<void*>(index_), 0, std::size_t{entries_} * sizeof(IndexEntry));
    }

    // The node of the position with `key` for which `same(node)` holds, or nullptr; add() then stores
    // it where this walk ended.
    template <typename Same> Node* find(std::uint64_t key, Same&& same) {
        const auto tag = static_cast<std::uint32_t>(key >> 32);
        std::uint32_t slot = homeSlot(key, entries_);
        const IndexEntry* const first = &index_[slot];
        std::uint32_t probes = 0, compared = 0;
        for (;;) {
            const IndexEntry e = index_[slot];
            probes++;
            if (e.ref == 0) break;
            if (e.tag == tag) {
                compared++;
                Node& node = pool_[e.ref - 1];
                if (same(static_cast<const Node&>(node))) {
                    count(first, slot, probes, compared);
                    return &node;
                }
            }
            if (++slot == entries_) slot = 0;
        }
        count(first, slot, probes, compared);
        pendingSlot_ = slot;
        pendingTag_ = tag;
        return nullptr;
    }

    // A new node, all zero bytes, for the key the last find() did not know; nullptr when the pool is
    // full. Nothing may be stored between that find() and this.
    Node* add() {
        if (count_ >= capacity_) return nullptr;
        Node* node = &pool_[count_];
        std::memset(static_cast<void*>(node), 0, sizeof(Node));
        index_[pendingSlot_] = {pendingTag_, count_ + 1};
        count_++;
        stats.stored++;
        if (count_ > entries_ / 2 && entries_ < maxEntries_) grow();
        return node;
    }

    // Brings the cache line of the key's home entry in ahead of its find().
    void prefetch(std::uint64_t key) const { __builtin_prefetch(&index_[homeSlot(key, entries_)]); }

    ProbeStats stats;

  private:
    void count(const IndexEntry* first, std::uint32_t last, std::uint32_t probes, std::uint32_t compared) {
        const std::uint32_t lines =
            &index_[last] >= first ? linesWalked(first, probes, sizeof(IndexEntry))
                                   : linesWalked(first, static_cast<std::uint32_t>(index_ + entries_ - first),
                                                 sizeof(IndexEntry)) +
                                         linesWalked(index_, last + 1, sizeof(IndexEntry));
        stats.count(probes, lines + compared);
    }

    // Twice the entries (or all the room): the old entries are put in again by their tags, in their old
    // order, which keeps the new index's writes close to sequential.
    void grow() {
        const std::uint32_t old = entries_;
        const std::uint64_t twice = std::uint64_t{old} * 2;
        entries_ = static_cast<std::uint32_t>(twice < maxEntries_ ? twice : maxEntries_);
        std::vector<IndexEntry> kept;
        kept.reserve(count_);
        for (std::uint32_t i = 0; i < old; i++)
            if (index_[i].ref != 0) kept.push_back(index_[i]);
        std::memset(static_cast<void*>(index_), 0, std::size_t{entries_} * sizeof(IndexEntry));
        for (const IndexEntry& e : kept) {
            std::uint32_t slot = homeSlot(std::uint64_t{e.tag} << 32, entries_);
            while (index_[slot].ref != 0)
                if (++slot == entries_) slot = 0;
            index_[slot] = e;
        }
    }

    IndexEntry* index_ = nullptr;
    Node* pool_ = nullptr;
    std::uint32_t maxEntries_ = 0;
    std::uint32_t entries_ = 0;
    std::uint32_t capacity_ = 0;
    std::uint32_t count_ = 0;
    std::uint32_t pendingSlot_ = 0;
    std::uint32_t pendingTag_ = 0;
};

} // namespace cw
