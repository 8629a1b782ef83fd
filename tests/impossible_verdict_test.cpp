// "Impossible" is a proof: a solvable level never ends with outcome 7, wherever its player starts,
// and an unsolvable one ends 7 only where the search that ran dry was complete.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "probes/engine_probe.h"
#include "tests/test_levels.h"

namespace {

using Rows = std::vector<std::string>;

struct RunResult {
    cw::Outcome outcome;
    cw::SolvedBy solvedBy;
    int twoNodes;
    std::string replayFault;
};

RunResult solve(cw::Engine& engine, const std::string& text) {
    if (cwtest::load(engine.levelToLoad(), text) != cw::Outcome::Ready)
        return {cw::Outcome::NoLevel, cw::SolvedBy::None, 0, "not ready"};
    engine.setTimeLimit(20);
    const cw::Outcome outcome = engine.solveLevel();
    const std::string fault =
        outcome == cw::Outcome::Solved ? cwtest::replayFault(text, engine.trace().text()) : std::string();
    return {outcome, engine.control().solvedBy.load(), engine.control().twoNodeCount.load(), fault};
}

// The player at the bottom of a corridor three cells deep: the analysis walls the corridor in and
// moves the player out, and the search must start from there, not from the walled start cell.
TEST(StartArea, PlayerAtTheBottomOfADeepDeadEndIsSolved) {
    auto engine = std::make_unique<cw::Engine>();
    const std::string text = cwtest::rows(
        {"#######", "#  .  #", "# $$. #", "#.  $ #", "### ###", "### ###", "###@###", "#######"});
    const RunResult run = solve(*engine, text);
    ASSERT_EQ(run.outcome, cw::Outcome::Solved);
    EXPECT_EQ(run.replayFault, "");
}

// The player is shut in by a wall and a box that must be pushed onto a goal at the mouth of a short
// tunnel; the tunnel's end is dead, so the push onto the goal is the only way out.
TEST(StartArea, BoxPushedOntoAGoalAtATunnelMouthIsSolved) {
    auto engine = std::make_unique<cw::Engine>();
    const std::string text = cwtest::rows({"#########", "# # #   #", "#   $. ##", "#$#  #  #", "#.#   .##",
                                           "#     $##", "###  #@##", "#########"});
    const RunResult run = solve(*engine, text);
    ASSERT_EQ(run.outcome, cw::Outcome::Solved);
    EXPECT_EQ(run.replayFault, "");
}

// Rooms with boxes away from the walls and corridors of every shape around them: straight and bent
// dead ends one to three cells deep, and a corridor that leads back into the room.
const std::vector<Rows> corridorRooms = {
    {"##########", "##### ####", "#   # #  #", "# $ . $. #", "#  .$    #", "# #### ###", "# ##   ###",
     "#    #####", "##########"},
    {"#########", "#   #####", "# #     #", "# # $.$ #", "#   .$. #", "##      #", "## ### ##", "## ###  #",
     "#########"},
    {"##########", "#  #######", "## #    ##", "#        #", "#  $ . $ #", "# .  $  .#", "#        #",
     "## # ## ##", "#  # ## ##", "##########"},
};

// Cells off the room: free cells with at most two open neighbours, where the player starts in a
// dead end or in a corridor.
std::vector<std::pair<int, int>> corridorCells(const Rows& level) {
    auto open = [&](int r, int c) {
        return r >= 0 && r < static_cast<int>(level.size()) && c >= 0 &&
               c < static_cast<int>(level[r].size()) && level[r][c] != '#';
    };
    std::vector<std::pair<int, int>> cells;
    for (int r = 0; r < static_cast<int>(level.size()); r++)
        for (int c = 0; c < static_cast<int>(level[r].size()); c++) {
            if (level[r][c] != ' ') continue;
            const int n = open(r - 1, c) + open(r + 1, c) + open(r, c - 1) + open(r, c + 1);
            if (n <= 2) cells.emplace_back(r, c);
        }
    return cells;
}

TEST(StartArea, EveryDeadEndAndCorridorStartInEverySymmetryIsSolved) {
    auto engine = std::make_unique<cw::Engine>();
    int runs = 0;
    for (std::size_t room = 0; room < corridorRooms.size(); room++)
        for (const auto& [r, c] : corridorCells(corridorRooms[room]))
            for (int k = 0; k < 8; k++) {
                Rows level = corridorRooms[room];
                level[r][c] = '@';
                const std::string text = cwtest::rows(cwtest::symmetry(level, k));
                const RunResult run = solve(*engine, text);
                EXPECT_EQ(run.outcome, cw::Outcome::Solved) << "room " << room << " symmetry " << k << "\n"
                                                            << text;
                EXPECT_EQ(run.replayFault, "") << text;
                runs++;
            }
    // Each room has several corridor cells; the table must not shrink to nothing by a typo.
    EXPECT_GE(runs, 8 * 3 * 5);
}

// A goal at a tunnel mouth is a resting place of its own, so it learns no tunnel exit; a floor cell
// at the same place does.
TEST(StartArea, TunnelMouthOnAGoalHasNoExit) {
    auto engine = std::make_unique<cw::Engine>();
    auto mouthExit = [&](const std::string& text, int row, int column) {
        EXPECT_EQ(cwtest::load(engine->levelToLoad(), text), cw::Outcome::Ready);
        EXPECT_EQ(cw::EngineProbe::prepareRun(*engine), cw::Outcome::Ready);
        auto solver = cw::EngineProbe::twoSolver(*engine);
        cw::TwoSolverProbe two(*solver);
        two.markTunnels();
        return two.tunnelExit(cwtest::cell(engine->level(), row, column));
    };
    const int onFloor = mouthExit(
        cwtest::rows({"###########", "#  ####   #", "#@$     . #", "#   ###   #", "###########"}), 2, 3);
    EXPECT_NE(onFloor, 0);
    EXPECT_EQ(
        mouthExit(cwtest::rows({"###########", "#  ####   #", "#@$.      #", "#   ###   #", "###########"}),
                  2, 3),
        0);
}

// Unsolvable levels that the analysis lets through: with no tunnel the backward search is complete
// and its dry queue proves the level impossible; with a tunnel its pulls were pruned, so it fails.
TEST(ImpossibleVerdict, OnlyACompleteBackwardSearchProvesIt) {
    auto engine = std::make_unique<cw::Engine>();
    const RunResult open = solve(
        *engine, cwtest::rows({"#######", "###   #", "#.$   #", "#$  .##", "# @   #", "#  ####", "#######"}));
    EXPECT_EQ(open.outcome, cw::Outcome::Impossible);
    EXPECT_GT(open.twoNodes, 0); // the proof came from the search, not from the analysis

    const RunResult tunnel = solve(*engine, cwtest::rows({"########", "#  *  ##", "##$    #", "#  ### #",
                                                          "#   #  #", "#.   @##", "########"}));
    EXPECT_EQ(tunnel.outcome, cw::Outcome::Failed);
}

} // namespace
