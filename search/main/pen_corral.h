#pragma once
// The main search's corral test. After a push, a free area next to the box that the player cannot
// reach is examined with only the boxes bordering it (at most 18): a small push search, fewest boxes
// first, decides whether they can open the area or all reach goals. Verdicts are cached in a table of
// corral records that lives for one run of the calling search; when a budget runs out the test
// answers "no deadlock". The placement search and the probe search each own one instance.
#include <array>
#include <cstdint>

#include "search/main/stage_tables.h"
#include "solver/board.h"
#include "solver/run_control.h"

namespace cw {

class PenCorral {
  public:
    // pollStop: the instance checks the stop request and the deadline in its search loop.
    PenCorral(const Level& level, const RunControl& control, bool pollStop)
        : lv_(level), control_(control), pollStop_(pollStop) {}

    // The table: PenTableSize records at `offset` bytes into `store`, which reads as zero bytes.
    void attach(std::byte* store, std::size_t offset) {
        table_.attach(store == nullptr ? nullptr : reinterpret_cast<PenRecord*>(store + offset), PenTableSize,
                      PenTableSize);
    }
    // Empties the table and restarts the test counter (at the start of the calling search).
    void clearTable();
    // A later stage has written over the table's bytes: the next clearTable zeroes all of them.
    void overwritten() { table_.overwritten(); }
    const ProbeStats& probeStats() const { return table_.stats; }

    // The caller's position: its board (8 walls, 2 boxes), its box cells and the push masks of its
    // level. The arrays must stay valid while tests run; the box list is read at every test.
    void setCaller(int* board, const int* boxes, const int* boxCount, const std::uint64_t* pushMask) {
        board_ = board;
        boxes_ = boxes;
        boxCount_ = boxCount;
        pushMask_ = pushMask;
    }

    // After the push that brought a box to `cell`, with the player's normalised cell `player` and his
    // reach marked non-zero in `reach`: true when a cut-off area around the box proves a deadlock.
    bool penTest(int cell, int player, const int* reach);

    // Read by tests.
    std::uint32_t penStamp = 0;
    int recordsMade() const { return recordsMade_; }
    // Tests since the last clearTable that found their position unknown with the record mark used
    // up, and so answered "no deadlock" without a search.
    int markSpentTests() const { return markSpentTests_; }

  private:
    // The boxes bordering penArea_, then their search: Dead, Open (or not proven), TooLarge, Stopped.
    CorralResult penBoxes(int player);
    CorralResult penSearch(int player);
    // The position with the player on `player`: Open or Dead from its record (Open also for no
    // corral or a spent budget), or Pending for a record made or still undecided.
    CorralResult penVisit(int player);
    struct PenSplit {
        std::array<int, PenMaxBoxes> kept{};
        std::array<int, PenMaxBoxes> outer{};
        int keptCount = 0;
        int outerCount = 0;
        std::uint64_t boxes = 0; // the kept boxes' part of the key
    };
    bool splitPenBoxes(PenSplit& split) const;
    void makePenRecord(PenRecord& r, const PenSplit& split, int a, std::uint32_t stamp);
    bool budgetSpent() const { return penNewCount_ >= PenNewLimit || penRecordMark_ >= PenMarkLimit; }

    const Level& lv_;
    const RunControl& control_;
    const bool pollStop_;
    SlotTable<PenRecord> table_;

    int* board_ = nullptr;
    const int* boxes_ = nullptr;
    const int* boxCount_ = nullptr;
    const std::uint64_t* pushMask_ = nullptr;

    std::uint32_t penRecordMark_ = 0;
    int penNewCount_ = 0;
    int recordsMade_ = 0;
    int markSpentTests_ = 0;
    bool visitingRoot_ = false;
    FifoBuckets<PenRecord, &PenRecord::next, PenMaxBoxes> levels_;
    Board penBoard_{};
    Board penArea_{};
    Board known_{};
    Board union_{};
    Board area0_{};
    Board reach_{};
    Board visitReach_{};
    std::array<int, PenMaxBoxes> penBoxList_{};
    int penBoxCount_ = 0;
    PenRecord* penRoot_ = nullptr; // the record penVisit made or found last
    bool wallsReady_ = false;      // penBoard_ holds the caller's walls and no box
};

} // namespace cw
