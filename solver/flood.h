#pragma once
// The one breadth-first flood behind every region fill: the parser's floods over a board whose
// edges are not yet known to be closed, and the searches' floods over working boards.

namespace cw {

// Floods from `start`, which the caller has entered, trying neighbours up, right, down, left.
// `step(cell, d, n)` sets n to the neighbour of cell in direction d and says whether the flood may
// step there; `enter(n, from)` enters it and answers 0 (not new), 1 (entered) or 2 (entered, and the
// flood may stop). `queue` holds at least one entry per cell. Returns the number of cells entered,
// start included.
template <typename Step, typename Enter>
inline int breadthFirst(int* queue, int start, Step&& step, Enter&& enter) {
    queue[0] = start;
    int head = 0;
    int tail = 1;
    while (head < tail) {
        const int c = queue[head++];
        for (int d = 0; d < 4; ++d) {
            int n;
            if (!step(c, d, n)) continue;
            const int e = enter(n, c);
            if (e == 0) continue;
            queue[tail++] = n;
            if (e == 2) return tail;
        }
    }
    return tail;
}

} // namespace cw
