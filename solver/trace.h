#pragma once
// The solution trace: box moves found by the searches become the move string the user sees
// (u r d l walks, U R D L pushes), and a finished string is checked by replay on the level.
#include <array>
#include <string_view>
#include <vector>

#include "solver/board.h"

namespace cw {

constexpr int MaxTraceLetters = 149'999;

extern const std::array<const char*, 8> moveLetters; // "u" "r" "d" "l" "U" "R" "D" "L"

class Trace {
  public:
    // Empties the string and counters and starts again from the level's working board.
    void reset(const Level& lv);

    // Appends the walk letters of a shortest path from start to dest on traceBoard; among equal paths
    // the one that keeps its direction longest, then turns clockwise.
    void appendWalk(const Level& lv, int dest, int start);

    // Moves the box at `from` to `to` by pushes of that box alone, ending with the player somewhere in
    // the region of playerAfter. Returns 1 with the letters appended, 0 (nothing appended) if no way.
    int appendBoxMove(const Level& lv, int to, int playerAfter, int from);

    // Empties the string and counters, keeping the board.
    void clearText();

    // Adds one letter; past the limit the letter is dropped and traceOver is set.
    void appendLetter(char letter);

    std::string_view text() const { return {solutionText.data(), static_cast<std::size_t>(length)}; }

    std::array<char, MaxTraceLetters + 1> solutionText{};
    int length = 0;
    int traceOver = 0;
    int moveCount = 0; // go on counting past the letter limit
    int pushCount = 0;
    Board traceBoard{};
    int tracePlayer = 0;

  private:
    struct PushState {
        int from; // box cell before the push
        int to;   // box cell after it
        int dir;
        int pushes;
        int cost;
        int parent;
    };
    void replayChain(const Level& lv, int state);

    std::array<int, MaxCells * 4> statePushes_{};
    std::array<int, MaxCells * 4> stateCost_{};
    Board distNow_{};
    Board distFinal_{};
    Board walkDist_{};
    std::vector<PushState> states_; // grows as needed so that no state is ever dropped
    std::vector<int> chain_;
};

// 1 if every letter of the move string is a legal walk or push from the level's start on and the
// position after the last letter has every box on a goal, else 0.
int replayCheck(const Level& lv, std::string_view moves);

} // namespace cw
