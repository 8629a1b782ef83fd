// The packing solver's tail: once a stage has brought every box onto the board where the plan has
// them, each later plan entry differs from the one before by one box move, so the entries go to the
// hand-off as box moves without any search.
#include "search/two/two_solver.h"

namespace cw {

void TwoSolver::appendTail() {
    const int cells = lv_.cellCount;
    const int* hand = handoff_.board.data();
    int previous = handoff_.lastPlayer;
    for (int idx = pack_.packPlanIndex; idx < pack_.packPlanLength; idx++) {
        const PlanEntry& e = pack_.packPlan[idx];
        entryBoard(e);
        const int* l = pack_.entryBoard.data();
        int to = -1, from = -1;
        for (int c = 0; c < cells; c++) {
            if (hand[c] != BoxOn && l[c] == BoxOn) to = c;
            if (hand[c] == BoxOn && l[c] != BoxOn) from = c;
        }
        if (from < 0) from = to = tailFromCell(e, previous);
        recordBoxMove(from, to, e.player);
        previous = e.player;
    }
    pack_.packPlanIndex = pack_.packPlanLength;
}

// The entry keeps the boxes and changes only the player's area: the box that can be pushed around
// and back onto its own cell with the player ending in the entry's area makes the move.
int TwoSolver::tailFromCell(const PlanEntry& entry, int previousPlayer) {
    const int n = two_.threadTwoBoxCount;
    int* l = pack_.entryBoard.data();
    for (int c = 0; c < lv_.cellCount; c++) mark_[c] = 0;
    reachFill(lv_, l, mark_.data(), entry.player);
    int last = 0;
    for (int i = 0; i < n; i++) {
        const int f = entry.boxes[i];
        if (f == 0) continue;
        last = f;
        const int h =
            pushRangeOn(lv_, l, range_, f, previousPlayer, rangeCells_.data(), rangePlayers_.data());
        for (int k = 1; k < h; k++)
            if (rangeCells_[k] == f && mark_[rangePlayers_[k]] != 0) return f;
    }
    return last;
}

} // namespace cw
