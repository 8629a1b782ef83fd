// Corral deadlock test of thread two: a free area next to the moved box that the player cannot reach
// is examined as a reduced problem of the boxes around it, decided by a small push search whose
// verdicts are kept in the pattern cache.
#include "search/two/two_solver.h"

namespace cw {

namespace {

bool contains(const int* list, int count, int value) {
    for (int i = 0; i < count; i++)
        if (list[i] == value) return true;
    return false;
}

} // namespace

bool TwoSolver::corralDeadlock(int u, int t) {
    for (int c = 0; c < lv_.cellCount; c++) corralMark_[c] = 0;
    reachFill(lv_, two_.threadTwoBoard.data(), corralMark_.data(), t);
    return corralDeadlock(u, t, corralMark_.data());
}

bool TwoSolver::corralDeadlock(int u, int t, const int* reach) {
    corralAreas = -1;
    const int cells = lv_.cellCount;
    const int* board = two_.threadTwoBoard.data();
    const auto& ring = lv_.ringOffset;

    // Cheap exit first: when every free cell around the box is reachable there is no corral.
    bool cutOff = false;
    for (int k = 0; k < 8 && !cutOff; k++) {
        const int c = u + ring[k];
        cutOff = board[c] == Free && reach[c] == 0;
    }
    if (!cutOff) return false;

    // The player's area is `reach` already; only the others are flooded.
    int* label = corralLabel_.data();
    for (int c = 0; c < cells; c++) label[c] = reach[c] != 0 ? 1 : 0;
    int next = 2;
    for (int c = 0; c < cells; c++)
        if (board[c] == Free && label[c] == 0) labelFill(lv_, board, label, c, next++);
    corralAreas = next - 2;

    int areas[8];
    int areaCount = 0;
    for (int k = 0; k < 8; k++) {
        const int c = u + ring[k];
        if (board[c] == Free && label[c] != 1 && !contains(areas, areaCount, label[c]))
            areas[areaCount++] = label[c];
    }
    if (areaCount == 0) return false;

    int kept = 0;
    for (int i = 0; i < areaCount; i++) {
        const CorralResult r = corralSearch(t, areas[i], -1);
        if (r == CorralResult::Dead) return true;
        if (r != CorralResult::TooLarge) areas[kept++] = areas[i];
    }
    std::vector<int>& pairs = corralPairs_;
    for (int i = 0; i < kept; i++) {
        const int a = areas[i];
        pairs.clear();
        for (int j = 0; j < two_.threadTwoBoxCount; j++) {
            const int w = two_.workBoxList[j];
            bool touches = false;
            for (int k = 0; k < 8 && !touches; k++)
                touches = label[w + ring[k]] == a && board[w + ring[k]] == Free;
            if (!touches) continue;
            for (int k = 0; k < 8; k++) {
                const int c = w + ring[k];
                if (board[c] != Free) continue;
                const int l = label[c];
                if (l != 1 && l != a && !contains(pairs.data(), static_cast<int>(pairs.size()), l))
                    pairs.push_back(l);
            }
        }
        for (int b : pairs)
            if (corralSearch(t, a, b) == CorralResult::Dead) return true;
    }
    return false;
}

CorralResult TwoSolver::corralSearch(int t, int a, int b) {
    if (!gatherCorralBoxes(a, b)) return CorralResult::TooLarge;
    const int s = corralStamp_;
    corralBudget_ = s;
    corralNewCount_ = 0;
    corralStamp_ = s + 1;
    corralQueue_.clear();

    int* cb = corralBoard_.data();
    const int* board = two_.threadTwoBoard.data();
    for (int c = 0; c < lv_.cellCount; c++) cb[c] = board[c] == Blocked ? Blocked : Free;
    for (int i = 0; i < corralBoxCount_; i++) cb[corralBoxes_[i]] = BoxOn;

    const CorralResult r = corralLookup(t);
    CorralRecord* root = corralRecord_;
    if (r != CorralResult::Pending) {
        corralStamp_ = s;
        for (int i = 0; i < corralBoxCount_; i++) cb[corralBoxes_[i]] = Free;
        return r;
    }
    for (int i = 0; i < corralBoxCount_; i++) cb[corralBoxes_[i]] = Free;
    if (corralBudget_ >= CorralBudgetLimit) return CorralResult::Open;

    while (!control_.stopped()) {
        const CorralRecord* rec = corralQueue_.take();
        if (rec == nullptr) {
            root->verdict = CorralRecordDead;
            return CorralResult::Dead;
        }
        if (corralRecordOpens(*rec)) {
            root->verdict = CorralRecordOpen;
            return CorralResult::Open;
        }
    }
    return CorralResult::Stopped;
}

// The boxes next to a free cell labelled a (or b, when not negative) into corralBoxes_; false when
// there are more than the test takes.
bool TwoSolver::gatherCorralBoxes(int a, int b) {
    const int* board = two_.threadTwoBoard.data();
    const int* label = corralLabel_.data();
    corralBoxCount_ = 0;
    for (int j = 0; j < two_.threadTwoBoxCount; j++) {
        const int w = two_.workBoxList[j];
        bool touches = false;
        for (int k = 0; k < 8 && !touches; k++) {
            const int c = w + lv_.ringOffset[k];
            touches = board[c] == Free && (label[c] == a || (b >= 0 && label[c] == b));
        }
        if (!touches) continue;
        if (corralBoxCount_ == CorralMaxBoxes) return false;
        corralBoxes_[corralBoxCount_++] = w;
    }
    return true;
}

// Every push of the record's boxes that does not freeze one: true when a child's area opens, the
// corral's boxes taken off the board either way.
bool TwoSolver::corralRecordOpens(const CorralRecord& rec) {
    int* cb = corralBoard_.data();
    corralBoxCount_ = rec.count;
    for (int i = 0; i < corralBoxCount_; i++) {
        corralBoxes_[i] = rec.boxes[i];
        cb[corralBoxes_[i]] = BoxOn;
    }
    for (int c = 0; c < lv_.cellCount; c++) corralMark_[c] = 0;
    reachFill(lv_, cb, corralMark_.data(), rec.player);
    for (int k = 0; k < corralBoxCount_; k++) {
        const int c = corralBoxes_[k];
        cb[c] = Free;
        for (int d = 0; d < 4; d++) {
            const int behind = c + lv_.dirOffset[d];
            const int ahead = c - lv_.dirOffset[d];
            if (corralMark_[behind] == 0 || cb[ahead] != Free) continue;
            corralBoxes_[k] = ahead;
            cb[ahead] = BoxOn;
            // The packing solver also refuses a box frozen on its goal.
            const int f = freezeTest(lv_, cb, ahead);
            if (!(f == 1 || (packingMode && f != 0))) {
                if (corralLookup(behind) == CorralResult::Open) {
                    for (int i = 0; i < corralBoxCount_; i++) cb[corralBoxes_[i]] = Free;
                    return true;
                }
            }
            cb[ahead] = Free;
            corralBoxes_[k] = c;
        }
        cb[c] = BoxOn;
    }
    for (int i = 0; i < corralBoxCount_; i++) cb[corralBoxes_[i]] = Free;
    return false;
}

CorralResult TwoSolver::corralLookup(int p) {
    const int cells = lv_.cellCount;
    int* cb = corralBoard_.data();
    const auto& ring = lv_.ringOffset;
    corralRecord_ = nullptr;
    for (int c = 0; c < cells; c++) lookupMark_[c] = 0;
    reachFill(lv_, cb, lookupMark_.data(), p);

    int key[CorralMaxBoxes];
    int released[CorralMaxBoxes];
    int keyCount = 0, releasedCount = 0;
    bool offGoal = false;
    for (int i = 0; i < corralBoxCount_; i++) {
        const int d = corralBoxes_[i];
        bool free = true;
        for (int k = 0; k < 8 && free; k++) {
            const int c = d + ring[k];
            free = cb[c] != Free || lookupMark_[c] != 0;
        }
        if (free) {
            released[releasedCount++] = d;
            continue;
        }
        key[keyCount++] = d;
        if (lv_.goalMap[d] == 0) offGoal = true;
    }
    if (!offGoal) return CorralResult::Open;

    for (int i = 0; i < releasedCount; i++) cb[released[i]] = Free;
    const auto stamp = static_cast<std::uint32_t>(corralStamp_);
    // An empty record, or one left queued by an earlier search without a verdict, ends the walk and
    // is free for reuse.
    const auto found = cache_.find(
        positionKey(boxesKey(key, keyCount), p),
        [stamp](const CorralRecord& r) {
            return r.player == 0 || (r.stamp != stamp && r.verdict == CorralRecordUndecided);
        },
        [&](const CorralRecord& r) {
            if (r.player != p || r.count != keyCount) return false;
            for (int i = 0; i < keyCount; i++)
                if (cb[r.boxes[i]] != BoxOn) return false;
            return true;
        });
    CorralRecord* rec = found.record;
    const bool match = found.known;
    for (int i = 0; i < releasedCount; i++) cb[released[i]] = BoxOn;

    if (match) {
        corralRecord_ = rec;
        if (rec->verdict == CorralRecordUndecided) return CorralResult::Pending;
        return rec->verdict == CorralRecordDead ? CorralResult::Dead : CorralResult::Open;
    }
    if (corralNewCount_ >= CorralNewLimit || corralBudget_ >= CorralBudgetLimit) return CorralResult::Open;
    corralNewCount_++;
    corralBudget_++;
    if (rec->player == 0) cache_.noteFilled(rec);
    for (int i = 0; i < keyCount; i++) rec->boxes[i] = static_cast<std::int16_t>(key[i]);
    rec->player = static_cast<std::int16_t>(p);
    rec->count = static_cast<std::int8_t>(keyCount);
    rec->stamp = stamp;
    rec->verdict = CorralRecordUndecided;
    corralQueue_.append(rec, CorralMaxBoxes - keyCount);
    corralRecord_ = rec;
    return CorralResult::Pending;
}

} // namespace cw
