#include "solver/trace.h"

#include "solver/primitives.h"

namespace cw {

const std::array<const char*, 8> moveLetters = {"u", "r", "d", "l", "U", "R", "D", "L"};

namespace {

int directionOf(const Level& lv, int step) {
    for (int d = 0; d < 4; d++)
        if (lv.dirOffset[d] == step) return d;
    return 0;
}

} // namespace

void Trace::clearText() {
    traceOver = 0;
    pushCount = 0;
    moveCount = 0;
    length = 0;
    solutionText[0] = '\0';
}

void Trace::reset(const Level& lv) {
    clearText();
    traceBoard = lv.baseBoard;
    tracePlayer = lv.startPlayer;
}

void Trace::appendLetter(char letter) {
    if (length >= MaxTraceLetters) {
        traceOver = 1;
        return;
    }
    solutionText[length++] = letter;
    solutionText[length] = '\0';
}

void Trace::appendWalk(const Level& lv, int dest, int start) {
    if (start == dest) return;
    distanceFill(lv, traceBoard.data(), walkDist_.data(), dest);
    if (walkDist_[start] == 0) return;
    const int steps = walkDist_[start] - 1;
    moveCount += steps;
    int cell = start;
    int dir = 0;
    for (int s = 0; s < steps; s++) {
        for (int t = 0; t < 4; t++) {
            const int e = (dir + t) & 3;
            const int next = cell + lv.dirOffset[e];
            if (walkDist_[next] == walkDist_[cell] - 1) {
                appendLetter(moveLetters[e][0]);
                cell = next;
                dir = e;
                break;
            }
        }
    }
}

int Trace::appendBoxMove(const Level& lv, int to, int playerAfter, int from) {
    int* board = traceBoard.data();
    board[from] = Free;
    board[to] = BoxOn;
    distanceFill(lv, board, distFinal_.data(), playerAfter);
    board[to] = Free;
    board[from] = BoxOn;
    distanceFill(lv, board, distNow_.data(), tracePlayer);

    const int slotCount = lv.cellCount * 4;
    std::fill(statePushes_.begin(), statePushes_.begin() + slotCount, 0);
    states_.clear();
    int best = -1;

    // Enters a state when its (cell, direction) pair is unset or improved; tracks the best arrival.
    auto enter = [&](int prev, int cell, int dir, int pushes, int cost, int parent) {
        const int slot = cell * 4 + dir;
        const int seen = statePushes_[slot];
        if (seen != 0 && !(pushes < seen || (pushes == seen && cost < stateCost_[slot]))) return;
        statePushes_[slot] = pushes;
        stateCost_[slot] = cost;
        states_.push_back({prev, cell, dir, pushes, cost, parent});
        if (cell == to && distFinal_[prev] != 0) {
            const PushState& b = best >= 0 ? states_[best] : states_.back();
            if (best < 0 || pushes < b.pushes || (pushes == b.pushes && cost < b.cost))
                best = static_cast<int>(states_.size()) - 1;
        }
    };

    for (int d = 0; d < 4; d++) {
        const int next = from + lv.dirOffset[d];
        if (board[next] == Free && distNow_[from - lv.dirOffset[d]] != 0)
            enter(from, next, d, 1, distNow_[from - lv.dirOffset[d]], -1);
    }

    if (best < 0) {
        board[from] = Free;
        for (std::size_t i = 0; i < states_.size(); i++) {
            const PushState s = states_[i];
            if (best >= 0 && s.pushes >= states_[best].pushes) break;
            board[s.to] = BoxOn;
            distanceFill(lv, board, distNow_.data(), s.from);
            board[s.to] = Free;
            for (int t = 0; t < 4; t++) {
                const int e = (s.dir + t) & 3;
                const int next = s.to + lv.dirOffset[e];
                const int behind = s.to - lv.dirOffset[e];
                if (board[next] == Free && distNow_[behind] != 0)
                    enter(s.to, next, e, s.pushes + 1, s.cost + distNow_[behind], static_cast<int>(i));
            }
        }
        board[from] = BoxOn;
    }
    if (best < 0) return 0;
    replayChain(lv, best);
    return 1;
}

void Trace::replayChain(const Level& lv, int state) {
    chain_.clear();
    for (int s = state; s >= 0; s = states_[s].parent) chain_.push_back(s);
    for (auto it = chain_.rbegin(); it != chain_.rend(); ++it) {
        const PushState& s = states_[*it];
        appendWalk(lv, 2 * s.from - s.to, tracePlayer);
        moveCount++;
        pushCount++;
        appendLetter(moveLetters[4 + directionOf(lv, s.to - s.from)][0]);
        traceBoard[s.from] = Free;
        traceBoard[s.to] = BoxOn;
        tracePlayer = s.from;
    }
}

int replayCheck(const Level& lv, std::string_view moves) {
    Board cells = lv.levelCells;
    int player = lv.levelPlayer;
    for (char letter : moves) {
        int dir = -1;
        bool push = false;
        for (int k = 0; k < 8; k++)
            if (moveLetters[k][0] == letter) {
                dir = k & 3;
                push = k >= 4;
            }
        if (dir < 0) return 0;
        cells[player] &= ~CellPlayer;
        const int next = player + lv.dirOffset[dir];
        if (next < 0 || next >= lv.cellCount || cells[next] == CellWall) return 0;
        if (cells[next] & CellBox) {
            if (!push) return 0; // a walk into a box is no move
            const int beyond = next + lv.dirOffset[dir];
            if (beyond < 0 || beyond >= lv.cellCount || (cells[beyond] & (CellWall | CellBox | CellOutside)))
                return 0;
            cells[next] &= ~CellBox;
            cells[beyond] |= CellBox;
        } else if (push) {
            return 0;
        }
        if (cells[next] & CellOutside) return 0;
        player = next;
        cells[player] |= CellPlayer;
    }
    for (int c = 0; c < lv.cellCount; c++) {
        const int v = cells[c] & ~CellPlayer;
        if (v == CellGoal || v == CellBox) return 0;
    }
    return 1;
}

} // namespace cw
