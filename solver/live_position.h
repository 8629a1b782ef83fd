#pragma once
// The position a solver thread is expanding, for a front end to draw while the run goes on. The front
// end asks for a copy (request); the search, at a point it passes once per expansion, looks at the
// request with one relaxed load and copies its boxes and player under a mutex only when asked. So the
// search pays one load per expansion, and the copy is made at most once per request.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "solver/board.h"

namespace cw {

// One copy of a searched position: the movable boxes' cells and the player's cell (for thread two the
// normalised one, the smallest cell the player reaches). Boxes fixed on goals are not listed: they
// are walls for the searches and the level tables show them.
struct LiveSnapshot {
    std::array<std::int16_t, MaxBoxes> boxes{};
    int boxCount = 0;
    int player = 0;
    std::uint64_t serial = 0; // order of publication over all threads; 0 for no position yet
};

class LivePosition {
  public:
    // Front end: asks for the next expanded position.
    void request() { wanted_.store(true, std::memory_order_relaxed); }

    // Search: whether a position is asked for (one relaxed load), for a search that must build it.
    bool wanted() const { return wanted_.load(std::memory_order_relaxed); }
    // Search: publishes the position when one was asked for. Cheap when not.
    template <typename Cell> void offer(const Cell* boxes, int count, int player) {
        if (wanted_.load(std::memory_order_relaxed)) [[unlikely]]
            publish(boxes, count, player);
    }
    // Search: publishes a position of a search whose board walls in boxes fixed on their goals, so
    // that the copy is the whole position: those boxes (blocked on `board`, not on the level's own
    // board, at a goal) and then the search's own `count` boxes.
    template <typename Cell>
    void publishWithFixedBoxes(const Level& lv, const int* board, const Cell* boxes, int count, int player) {
        std::array<int, MaxBoxes> whole{};
        int n = 0;
        for (int c = 0; c < lv.cellCount && n < MaxBoxes; c++)
            if (board[c] == Blocked && lv.baseBoard[c] != Blocked && lv.goalMap[c] == 1) whole[n++] = c;
        for (int i = 0; i < count && n < MaxBoxes; i++) whole[n++] = boxes[i];
        publish(whole.data(), n, player);
    }
    template <typename Cell> void publish(const Cell* boxes, int count, int player) {
        std::lock_guard lock(mutex_);
        wanted_.store(false, std::memory_order_relaxed);
        const int n = count < 0 ? 0 : (count > MaxBoxes ? MaxBoxes : count);
        for (int i = 0; i < n; i++)
            snapshot_.boxes[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(boxes[i]);
        snapshot_.boxCount = n;
        snapshot_.player = player;
        snapshot_.serial = nextSerial();
    }

    // Front end: the newest published position; serial 0 when none was published since clear().
    LiveSnapshot read() const {
        std::lock_guard lock(mutex_);
        return snapshot_;
    }
    // Forgets the published position and any request (a new run starts).
    void clear() {
        std::lock_guard lock(mutex_);
        wanted_.store(false, std::memory_order_relaxed);
        snapshot_ = LiveSnapshot{};
    }

  private:
    static std::uint64_t nextSerial();

    alignas(64) std::atomic<bool> wanted_{false}; // a line of its own: the search reads it per expansion
    alignas(64) mutable std::mutex mutex_;
    LiveSnapshot snapshot_;
};

// The newer of two published positions (serial 0 when neither has one).
inline const LiveSnapshot& newest(const LiveSnapshot& a, const LiveSnapshot& b) {
    return b.serial > a.serial ? b : a;
}

} // namespace cw
