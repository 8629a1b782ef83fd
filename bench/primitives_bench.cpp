// Calls per second of the hot board routines on the first level of the XSokoban collection.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "level/parser.h"
#include "solver/analysis.h"
#include "solver/primitives.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs body until at least half a second has passed and returns calls per second.
template <typename Body> double callsPerSecond(Body body) {
    long calls = 0;
    const auto start = Clock::now();
    double seconds = 0.0;
    while (seconds < 0.5) {
        for (int i = 0; i < 1000; ++i) body();
        calls += 1000;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    return static_cast<double>(calls) / seconds;
}

} // namespace

int main() {
    const std::string path = std::string(CRATEWISE_SHARED_LEVELS) + "/xsokoban-90.txt";
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    std::vector<char> chars(text.begin(), text.end());
    chars.push_back('\0');

    auto lv = std::make_unique<cw::Level>();
    if (cw::parseLevel(*lv, chars.data(), cw::ParseFull) != cw::Outcome::Ready) {
        std::fprintf(stderr, "level 1 did not parse as ready\n");
        return 1;
    }
    cw::fillDeadEnds(*lv);
    auto pos = std::make_unique<cw::SearchPosition>();
    auto lists = std::make_unique<cw::RangeLists>();
    const cw::Prepared prepared = cw::prepareSearch(*lv, *pos, lv->baseBoard.data(), lv->startPlayer, *lists);
    std::printf("XSokoban 1: %d x %d, %d boxes, prepareSearch %d\n", lv->boardWidth, lv->boardHeight,
                pos->boxCount, static_cast<int>(prepared));

    long sink = 0;
    cw::Board mark{};
    const double reach = callsPerSecond([&] {
        for (int c = 0; c < lv->cellCount; ++c) mark[c] = 0;
        sink += cw::reachFill(*lv, pos->searchBoard.data(), mark.data(), pos->searchPlayer);
    });

    cw::Board board = pos->searchBoard;
    int next = 0;
    const double range = callsPerSecond([&] {
        const int box = pos->boxList[next];
        next = next + 1 < pos->boxCount ? next + 1 : 0;
        sink += cw::pushRangeList(*lv, board.data(), box, pos->searchPlayer, *lists);
    });

    auto scratchPos = std::make_unique<cw::SearchPosition>();
    const double prepare = callsPerSecond([&] {
        sink += static_cast<int>(
            cw::prepareSearch(*lv, *scratchPos, lv->baseBoard.data(), lv->startPlayer, *lists));
    });

    std::printf("reachFill      %12.0f calls/s\n", reach);
    std::printf("pushRangeList  %12.0f calls/s (boxes in place, each box in turn)\n", range);
    std::printf("prepareSearch  %12.0f calls/s\n", prepare);
    return sink == 42 ? 2 : 0;
}
