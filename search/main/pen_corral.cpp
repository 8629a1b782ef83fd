// The main search's corral test: cut-off areas around a pushed box, searched with their bordering
// boxes alone, verdicts cached per calling search.
#include "search/main/pen_corral.h"

#include "solver/position_key.h"
#include "solver/primitives.h"

namespace cw {

namespace {

bool touchesMarked(const Level& lv, const int* marks, int cell) {
    for (int k = 0; k < 8; k++)
        if (marks[cell + lv.ringOffset[k]] != 0) return true;
    return false;
}

} // namespace

void PenCorral::clearTable() {
    table_.clear();
    wallsReady_ = false;
    penStamp = 0;
    recordsMade_ = 0;
    markSpentTests_ = 0;
}

bool PenCorral::penTest(int cell, int player, const int* reach) {
    const int cells = lv_.cellCount;
    const int* board = board_;
    // Most pushes cut no area off: then there is nothing to test.
    bool cutOff = false;
    for (int k = 0; k < 8 && !cutOff; k++) {
        const int n = cell + lv_.ringOffset[k];
        cutOff = board[n] == Free && reach[n] == 0;
    }
    if (!cutOff) return false;
    for (int c = 0; c < cells; c++) known_[c] = reach[c];
    for (int k = 0; k < 8; k++) {
        const int n = cell + lv_.ringOffset[k];
        if (board[n] != Free || known_[n] != 0) continue;
        for (int c = 0; c < cells; c++) penArea_[c] = 0;
        reachFill(lv_, board, penArea_.data(), n);
        const CorralResult d = penBoxes(player);
        if (d == CorralResult::Dead) return true;
        for (int c = 0; c < cells; c++) known_[c] |= penArea_[c];
        if (d == CorralResult::TooLarge || d == CorralResult::Stopped) continue;

        // Widen: the area together with each free area beyond one of its bordering boxes.
        for (int c = 0; c < cells; c++) {
            union_[c] = penArea_[c] | reach[c];
            area0_[c] = penArea_[c];
        }
        const int boxCount = *boxCount_;
        for (int b = 0; b < boxCount; b++) {
            const int box = boxes_[b];
            if (!touchesMarked(lv_, area0_.data(), box)) continue;
            for (int r = 0; r < 8; r++) {
                const int f = box + lv_.ringOffset[r];
                if (board[f] != Free || union_[f] != 0) continue;
                for (int c = 0; c < cells; c++) penArea_[c] = 0;
                reachFill(lv_, board, penArea_.data(), f);
                for (int c = 0; c < cells; c++) penArea_[c] |= area0_[c];
                if (penBoxes(player) == CorralResult::Dead) return true;
                for (int c = 0; c < cells; c++) union_[c] |= penArea_[c];
            }
        }
    }
    return false;
}

CorralResult PenCorral::penBoxes(int player) {
    penBoxCount_ = 0;
    const int boxCount = *boxCount_;
    for (int b = 0; b < boxCount; b++) {
        const int box = boxes_[b];
        if (!touchesMarked(lv_, penArea_.data(), box)) continue;
        if (penBoxCount_ == PenMaxBoxes) return CorralResult::TooLarge;
        penBoxList_[penBoxCount_++] = box;
    }
    // The caller's walls stay put during its search; the board is rebuilt once per calling search.
    if (!wallsReady_) {
        for (int c = 0; c < lv_.cellCount; c++) penBoard_[c] = board_[c] == Blocked ? Blocked : Free;
        wallsReady_ = true;
    }
    return penSearch(player);
}

CorralResult PenCorral::penSearch(int player) {
    const std::uint32_t s = penStamp;
    penRecordMark_ = s;
    penStamp = s + 1;
    levels_.clear();
    penNewCount_ = 0;
    int* pb = penBoard_.data();
    for (int i = 0; i < penBoxCount_; i++) pb[penBoxList_[i]] = BoxOn;

    auto takeBoxesOff = [&]() {
        for (int i = 0; i < penBoxCount_; i++) pb[penBoxList_[i]] = Free;
    };
    visitingRoot_ = true;
    const CorralResult r = penVisit(player);
    visitingRoot_ = false;
    if (r != CorralResult::Pending) {
        takeBoxesOff();
        penStamp = s; // the test made no record
        return r;
    }
    if (budgetSpent()) {
        takeBoxesOff();
        return CorralResult::Open;
    }
    // penVisit moves penRoot_ to every record it makes; the answer belongs to the root's record.
    PenRecord* const root = penRoot_;
    takeBoxesOff();

    const int* off = lv_.dirOffset.data();
    for (;;) {
        if (pollStop_ && control_.stopped()) return CorralResult::Stopped;
        PenRecord* rec = levels_.take();
        if (rec == nullptr) {
            root->result = CorralRecordDead;
            return CorralResult::Dead;
        }
        penBoxCount_ = rec->count;
        for (int i = 0; i < penBoxCount_; i++) {
            penBoxList_[i] = rec->cells[i];
            pb[penBoxList_[i]] = BoxOn;
        }
        for (int c = 0; c < lv_.cellCount; c++) reach_[c] = 0;
        reachFill(lv_, pb, reach_.data(), rec->player);
        for (int i = 0; i < penBoxCount_; i++) {
            const int b = penBoxList_[i];
            pb[b] = Free;
            for (int d = 0; d < 4; d++) {
                if (reach_[b + off[d]] == 0) continue;
                const int t = b - off[d];
                if (pb[t] != Free || pushMask_[t] == 0) continue;
                pb[t] = BoxOn;
                penBoxList_[i] = t;
                const bool dead = freezeTest(lv_, pb, t) == 1 || penVisit(b + off[d]) != CorralResult::Open;
                pb[t] = Free;
                penBoxList_[i] = b; // the list entry goes back with the box
                if (!dead) {
                    root->result = CorralRecordOpen;
                    takeBoxesOff();
                    return CorralResult::Open;
                }
            }
            pb[b] = BoxOn;
        }
        for (int i = 0; i < penBoxCount_; i++) pb[penBoxList_[i]] = Free;
    }
}

CorralResult PenCorral::penVisit(int player) {
    int* pb = penBoard_.data();
    for (int c = 0; c < lv_.cellCount; c++) visitReach_[c] = 0;
    int a = reachFill(lv_, pb, visitReach_.data(), player);
    if (penBoxCount_ == 0) return CorralResult::Open;

    PenSplit split;
    if (!splitPenBoxes(split)) return CorralResult::Open;
    if (split.outerCount > 0) {
        // Without the outer boxes the player's region grows; with none it is the one just flooded.
        for (int i = 0; i < split.outerCount; i++) pb[split.outer[i]] = Free;
        for (int c = 0; c < lv_.cellCount; c++) visitReach_[c] = 0;
        a = reachFill(lv_, pb, visitReach_.data(), player);
    }
    const std::uint32_t s = penStamp - 1;
    // An empty record, or one an earlier test left open, ends the walk; a new record goes there.
    const auto found = table_.find(
        positionKey(split.boxes, a),
        [s](const PenRecord& r) {
            return r.player == 0 || (r.result == CorralRecordUndecided && r.stamp != s);
        },
        [&](const PenRecord& r) {
            if (r.count != split.keptCount || r.player != a) return false;
            for (int i = 0; i < split.keptCount; i++)
                if (pb[r.cells[i]] != BoxOn) return false;
            return true;
        });
    for (int i = 0; i < split.outerCount; i++) pb[split.outer[i]] = BoxOn;

    if (found.known) {
        if (found.record->result == CorralRecordOpen) return CorralResult::Open;
        if (found.record->result == CorralRecordDead) return CorralResult::Dead;
        return CorralResult::Pending;
    }
    if (budgetSpent()) {
        if (visitingRoot_ && penRecordMark_ >= PenMarkLimit) markSpentTests_++;
        return CorralResult::Open;
    }
    makePenRecord(*found.record, split, a, s);
    return CorralResult::Pending;
}

// The boxes that border a free cell outside the player's region (kept, and keyed) and the others
// (outer); false when every kept box stands on a goal, so that nothing needs opening.
bool PenCorral::splitPenBoxes(PenSplit& split) const {
    const int* pb = penBoard_.data();
    bool offGoal = false;
    for (int i = 0; i < penBoxCount_; i++) {
        const int b = penBoxList_[i];
        bool borders = false;
        for (int k = 0; k < 8 && !borders; k++) {
            const int n = b + lv_.ringOffset[k];
            borders = pb[n] == Free && visitReach_[n] == 0;
        }
        if (!borders) {
            split.outer[split.outerCount++] = b;
            continue;
        }
        split.kept[split.keptCount++] = b;
        split.boxes ^= boxKey(b);
        if (lv_.goalMap[b] == 0) offGoal = true;
    }
    return offGoal;
}

// A new open record in `r` for the kept boxes with player a, queued by its box count.
void PenCorral::makePenRecord(PenRecord& r, const PenSplit& split, int a, std::uint32_t stamp) {
    penRecordMark_++;
    penNewCount_++;
    recordsMade_++;
    if (r.player == 0) table_.noteFilled(&r);
    for (int i = 0; i < split.keptCount; i++) r.cells[i] = static_cast<std::int16_t>(split.kept[i]);
    r.player = static_cast<std::int16_t>(a);
    r.count = static_cast<std::uint8_t>(split.keptCount);
    r.result = CorralRecordUndecided;
    r.stamp = stamp;
    levels_.append(&r, PenMaxBoxes - split.keptCount);
    penRoot_ = &r;
}

} // namespace cw
