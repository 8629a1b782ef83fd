#include "solver/node_stores.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace cw {

namespace {

std::size_t pageSize() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t residentIn(const std::byte* base, std::size_t bytes) {
    if (base == nullptr) return 0;
    const std::size_t page = pageSize();
    const std::size_t pages = (bytes + page - 1) / page;
    std::vector<unsigned char> vec(pages);
    if (mincore(const_cast<std::byte*>(base), bytes, vec.data()) != 0) return 0;
    std::size_t resident = 0;
    for (unsigned char v : vec) resident += (v & 1);
    return resident * page;
}

} // namespace

void adviseSmallPages(const void* begin, std::size_t bytes) {
    const std::size_t page = pageSize();
    const auto first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + bytes) / page * page;
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_NOHUGEPAGE);
}

std::byte* NodeStores::map(Mapping& m, std::size_t bytes) {
    const std::size_t mapped = bytes + HugePageBytes;
    void* p =
        mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    m.base = p;
    m.bytes = mapped;
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    auto* store = reinterpret_cast<std::byte*>(hugeAligned(address));
    // Huge pages spare the page walks of probes spread over gigabytes and most of the page faults; a
    // kernel without them (or one that refuses) leaves small pages, which work the same.
    madvise(store, bytes, MADV_HUGEPAGE);
    return store;
}

void NodeStores::unmap(Mapping& m) {
    if (m.base != nullptr) munmap(m.base, m.bytes);
    m = Mapping{};
}

NodeStores::NodeStores() {
    one_ = map(mapOne_, NodeStoreOneBytes);
    if (one_ == nullptr) return;
    two_ = map(mapTwo_, NodeStoreTwoBytes);
    if (two_ == nullptr) {
        unmap(mapOne_);
        one_ = nullptr;
    }
}

NodeStores::~NodeStores() {
    unmap(mapOne_);
    unmap(mapTwo_);
}

std::size_t NodeStores::residentBytes() const {
    return residentIn(one_, NodeStoreOneBytes) + residentIn(two_, NodeStoreTwoBytes);
}

} // namespace cw
