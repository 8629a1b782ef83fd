#include "probes/random_levels.h"

#include <algorithm>
#include <vector>

namespace cwtest {

namespace {

struct Board {
    int w = 0, h = 0;
    std::vector<char> wall; // 1 wall
    std::vector<char> goal;
    std::vector<char> box;
    int player = 0;
    bool free(int c) const { return !wall[c] && !box[c]; }
};

// The cells the player reaches from `from` without moving a box.
std::vector<int> reach(const Board& b, int from) {
    std::vector<char> seen(b.wall.size(), 0);
    std::vector<int> cells{from};
    seen[from] = 1;
    const int step[4] = {-b.w, 1, b.w, -1};
    for (std::size_t i = 0; i < cells.size(); ++i)
        for (int s : step) {
            const int n = cells[i] + s;
            if (b.free(n) && !seen[n]) {
                seen[n] = 1;
                cells.push_back(n);
            }
        }
    return cells;
}

// Random walls inside a closed border, kept only when every free cell is connected.
bool randomWalls(Board& b, std::mt19937_64& rng, double floor) {
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    b.wall.assign(static_cast<std::size_t>(b.w * b.h), 1);
    std::vector<int> open;
    for (int y = 1; y < b.h - 1; ++y)
        for (int x = 1; x < b.w - 1; ++x)
            if (coin(rng) < floor) {
                b.wall[y * b.w + x] = 0;
                open.push_back(y * b.w + x);
            }
    if (open.size() < 6) return false;
    b.box.assign(b.wall.size(), 0);
    return reach(b, open[0]).size() == open.size();
}

std::string text(const Board& b) {
    std::string out;
    for (int y = 0; y < b.h; ++y) {
        for (int x = 0; x < b.w; ++x) {
            const int c = y * b.w + x;
            char ch = b.wall[c] ? '#' : ' ';
            if (b.box[c])
                ch = b.goal[c] ? '*' : '$';
            else if (c == b.player)
                ch = b.goal[c] ? '+' : '@';
            else if (b.goal[c])
                ch = '.';
            out += ch;
        }
        out += '\n';
    }
    return out;
}

} // namespace

std::string randomSolvableLevel(std::uint64_t seed, const RandomLevelOptions& o) {
    std::mt19937_64 rng(seed);
    for (;;) {
        Board b;
        b.w = o.width;
        b.h = o.height;
        if (!randomWalls(b, rng, o.floor)) continue;
        std::vector<int> open;
        for (int c = 0; c < b.w * b.h; ++c)
            if (!b.wall[c]) open.push_back(c);
        std::shuffle(open.begin(), open.end(), rng);
        if (static_cast<int>(open.size()) < o.boxes + 2) continue;
        b.goal.assign(b.wall.size(), 0);
        for (int i = 0; i < o.boxes; ++i) {
            b.goal[open[i]] = 1;
            b.box[open[i]] = 1;
        }
        b.player = open[o.boxes];
        const int step[4] = {-b.w, 1, b.w, -1};
        // Each pull: the player walks to a side of a box and steps back, drawing the box after him.
        for (int k = 0; k < o.pulls; ++k) {
            const std::vector<int> area = reach(b, b.player);
            std::vector<std::pair<int, int>> pulls; // (box, direction the player steps)
            for (int p : area)
                for (int d = 0; d < 4; ++d) {
                    const int boxCell = p - step[d];
                    if (b.box[boxCell] && b.free(p + step[d])) pulls.emplace_back(boxCell, d);
                }
            if (pulls.empty()) break;
            const auto [boxCell, d] =
                pulls[std::uniform_int_distribution<std::size_t>(0, pulls.size() - 1)(rng)];
            b.box[boxCell] = 0;
            b.box[boxCell + step[d]] = 1;
            b.player = boxCell + 2 * step[d];
        }
        // Leave the player anywhere in the area he ended in.
        const std::vector<int> area = reach(b, b.player);
        b.player = area[std::uniform_int_distribution<std::size_t>(0, area.size() - 1)(rng)];
        bool solved = true;
        for (int c = 0; c < b.w * b.h; ++c)
            if (b.box[c] && !b.goal[c]) solved = false;
        if (!solved) return text(b);
    }
}

} // namespace cwtest
