#include "solver/node_stores.h"

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace cw {

namespace {

std::byte* mapZeroPages(std::size_t bytes) {
    void* p =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<std::byte*>(p);
}

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

NodeStores::NodeStores() {
    one_ = mapZeroPages(NodeStoreOneBytes);
    if (one_ == nullptr) return;
    two_ = mapZeroPages(NodeStoreTwoBytes);
    if (two_ == nullptr) {
        munmap(one_, NodeStoreOneBytes);
        one_ = nullptr;
    }
}

NodeStores::~NodeStores() {
    if (one_ != nullptr) munmap(one_, NodeStoreOneBytes);
    if (two_ != nullptr) munmap(two_, NodeStoreTwoBytes);
}

void NodeStores::zeroRange(std::byte* store, std::size_t offset, std::size_t length) {
    if (store == nullptr || length == 0) return;
    const std::size_t page = pageSize();
    std::size_t begin = offset;
    const std::size_t end = offset + length;
    std::size_t firstWhole = (begin + page - 1) / page * page;
    std::size_t lastWhole = end / page * page;
    if (firstWhole >= lastWhole) {
        std::memset(store + begin, 0, length);
        return;
    }
    std::memset(store + begin, 0, firstWhole - begin);
    std::memset(store + lastWhole, 0, end - lastWhole);
    // Dropping private anonymous pages makes them read as zero again and returns the memory.
    if (madvise(store + firstWhole, lastWhole - firstWhole, MADV_DONTNEED) != 0)
        std::memset(store + firstWhole, 0, lastWhole - firstWhole);
}

std::size_t NodeStores::residentBytes() const {
    return residentIn(one_, NodeStoreOneBytes) + residentIn(two_, NodeStoreTwoBytes);
}

} // namespace cw
