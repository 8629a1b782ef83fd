// The built-in sample set: its form, every level ready, and a replayed solution for each.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "level/level_set.h"
#include "level/parser.h"
#include "level/sample_set.h"

namespace {

// One solution per sample level, in move notation: u r d l walk, U R D L push.
const char* const Solutions[cw::SampleLevelCount] = {
    "dddrrUUrrruuuuuulldRurDDDDDDrdLuuuuuuulllldRRRurDDDDDDuulllUrdrrddlllUdrrruullulUdrdrrddllluUddddlluuuRl"
    "dddrruurrruulllDDuurrruuuulllldRdDDuuuurrdLulDDurrrdddlllDurrruuullldDDrrrrddddllUdrruulLrrdL",
    "rrDullddrRRRRllldddDRlDuuurrrrddddllldlluRuuuuuuuurrrrdDllllddddddRRRllluuuurrrrdddrddlUUdlllluuuurrrrdL"
    "ullluurrrrDrrddLLrruullullllddddddrrrruU",
    "LLLLulldddrrDulluuurrdLulDDDDDDuuuuurrrrrrddllUdrruulLLLLulDulllddrddrrddrRlluuurrdDuulldddDuuuurrddDurr"
    "dLLuuullddddDDuuuuuurrdddLruuulldlluuluurrrdDuulllddrddrrdDDDrrUdlluuuulluuluurrrddDDurrddrdLuuulldDDDuu"
    "uurrdddLruuullddD",
    "UUUUUllllddRluuruurrrrrrddrddLLrruuluullllllddlddrRlluuruurrrDurrrddLruullldDDuuurrrddlLrruullldD",
    "DDlddRRRRuuluurruullllDDuurrrrddllddrddlllluurDldRRRdrUUrrruuulluullllddDuuurrrrddllddRluurruulllldddDDl"
    "dRRRlluuuuuuruulllddddRluuuurrrrddrrddrrddddldLUruruuulluulllldDDDlddrrrRuRluluurrrrddddldlUlldRulllluur"
    "DldRRRR",
    "DDrdrddlluRuuluurDDllluuuurrRDDDuurruLdlddldlluuuuluuurrdrrdDDulllddddrrDRRlluurDllluuuurrrdDDlddRddlUru"
    "UluurDD",
};

// Replays moves on the parsed level: walks into free cells, pushes boxes into free cells. Returns
// false at the first move that is not possible or whose case does not match what happens.
bool replaySolves(const cw::Level& level, const std::string& moves) {
    cw::Board cells = level.levelCells;
    int player = level.startPlayer;
    const int w = level.boardWidth;
    auto freeCell = [&](int c) { return (cells[c] & (cw::CellWall | cw::CellBox | cw::CellOutside)) == 0; };
    for (char m : moves) {
        const char* at = std::strchr("urdlURDL", m);
        if (at == nullptr) return false;
        const int d = static_cast<int>(at - "urdlURDL") % 4;
        const int step = level.dirOffset[d];
        const int next = player + step;
        const int col = player % w;
        if ((d == 1 && col == w - 1) || (d == 3 && col == 0) || next < 0 || next >= level.cellCount)
            return false;
        const bool push = m >= 'A' && m <= 'Z';
        if (push) {
            const int beyond = next + step;
            if (!(cells[next] & cw::CellBox) || beyond < 0 || beyond >= level.cellCount ||
                !freeCell(beyond)) {
                return false;
            }
            cells[next] &= ~cw::CellBox;
            cells[beyond] |= cw::CellBox;
        } else if (!freeCell(next)) {
            return false;
        }
        player = next;
    }
    for (int c = 0; c < level.cellCount; ++c) {
        if ((cells[c] & cw::CellBox) && !(cells[c] & cw::CellGoal)) return false;
    }
    return true;
}

TEST(SampleSet, TextForm) {
    const std::string text = cw::sampleSetText();
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find("\n\n\n"), std::string::npos); // one empty line between levels
    std::vector<int> heights(1, 0);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        if (line.empty()) {
            heights.push_back(0);
        } else {
            EXPECT_TRUE(cw::isMapLine(line.data(), static_cast<int>(line.size()))) << line;
            ++heights.back();
        }
        start = end + 1;
    }
    ASSERT_EQ(heights.size(), static_cast<std::size_t>(cw::SampleLevelCount));
    for (int h : heights) {
        EXPECT_GE(h, 12);
        EXPECT_LE(h, 18);
    }
    for (int n = 1; n <= cw::SampleLevelCount; ++n) {
        EXPECT_GT(std::strlen(cw::sampleLevelLabel(n)), 0u);
        EXPECT_LE(std::strlen(cw::sampleLevelLabel(n)), 20u);
    }
    EXPECT_STREQ(cw::sampleLevelLabel(0), "");
    EXPECT_STREQ(cw::sampleLevelLabel(cw::SampleLevelCount + 1), "");
}

TEST(SampleSet, EveryLevelIsReadyAndSolvable) {
    cw::Level level;
    cw::LevelSet set(level, "/nonexistent/korrin.txt");
    ASSERT_TRUE(set.loadSample());
    ASSERT_EQ(set.levelTotal(), cw::SampleLevelCount);
    for (int n = 1; n <= cw::SampleLevelCount; ++n) {
        SCOPED_TRACE(n);
        set.goTo(n);
        ASSERT_EQ(set.levelNumber(), n);
        EXPECT_EQ(level.levelStatus, cw::Outcome::Ready);
        EXPECT_GE(level.levelBoxCount, 4);
        EXPECT_LE(level.levelBoxCount, 8);
        EXPECT_EQ(level.levelStartsSolved, 0);
        EXPECT_STREQ(set.sampleLabel(), cw::sampleLevelLabel(n));
        EXPECT_TRUE(replaySolves(level, Solutions[n - 1]));
        // A solution cut short leaves a box off its goal.
        const std::string moves = Solutions[n - 1];
        EXPECT_FALSE(replaySolves(level, moves.substr(0, moves.find_last_of("URDL"))));
    }
}

} // namespace
