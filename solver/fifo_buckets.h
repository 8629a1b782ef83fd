#pragma once
// A priority queue of records that link themselves: one first-in-first-out list per priority, the
// highest priority taken first. No allocation: the links live in the records.
#include <array>

namespace cw {

// Link names the record's pointer to the next record of its bucket.
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
