// The placement search on prepared positions: which boxes a node expands, the hard cap on stored
// nodes, and the choice of boxes at a restart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/main_fixture.h"

namespace {

using cwtest::rows;

struct PlacementTest : cwtest::MainFixture {
    // The cycle tables of the prepared position, without targets, and the root stored.
    void startCycle(const std::string& level) {
        prepare(level);
        main().loadCycleTables(pos().boxCount);
        main().buildLateGoals();
        main().startPlacementTable();
    }
    const cw::PlacementNode* root() {
        for (std::uint32_t i = 0; i < cw::PlaceTableSize; i++)
            if (main().placeSlot(i).player != 0 && main().placeSlot(i).movedBox == cw::RootMove)
                return &main().placeSlot(i);
        return nullptr;
    }
    int boxIndex(int cell) {
        for (int i = 0; i < main().placeBoxCount(); i++)
            if (main().placeBoxList()[i] == cell) return i;
        return -1;
    }
    void clearBoxes() {
        for (int c = 0; c < engine->level().cellCount; c++)
            if (main().placeBoard()[c] == cw::BoxOn) main().placeBoard()[c] = cw::Free;
    }
};

TEST_F(PlacementTest, RootExpandsEveryBox) {
    startCycle(rows({"########", "#@     #", "# $  $ #", "#      #", "# .  . #", "########"}));
    ASSERT_EQ(main().placementLoop(), cw::Step::Dry); // no target: the queue runs dry
    const cw::PlacementNode* top = root();
    ASSERT_NE(top, nullptr);
    std::vector<int> children(2, 0);
    for (std::uint32_t i = 0; i < cw::PlaceTableSize; i++) {
        const cw::PlacementNode& node = main().placeSlot(i);
        if (node.player != 0 && node.parent == top) children.at(node.movedBox)++;
    }
    EXPECT_GT(children[0], 0);
    EXPECT_GT(children[1], 0);
}

// The middle box of a cross of five has no side the player can reach: it yields no child, while a
// box at the end of an arm does.
TEST_F(PlacementTest, BoxWithNoReachableSideYieldsNoChild) {
    startCycle(rows({"###########", "#@        #", "#    $    #", "#   $$$   #", "#    $    #", "#         #",
                     "#  .....  #", "###########"}));
    const cw::PlacementNode* top = root();
    ASSERT_NE(top, nullptr);
    clearBoxes();
    main().loadPlacementNode(top);
    const int before = main().placeNodeCount();
    EXPECT_EQ(main().expandBox(boxIndex(at(3, 5)), top->player), cw::Step::Continue);
    EXPECT_EQ(main().placeNodeCount(), before);
    EXPECT_EQ(main().expandBox(boxIndex(at(2, 5)), top->player), cw::Step::Continue);
    EXPECT_GT(main().placeNodeCount(), before);
}

// One expansion may store thousands of children past the node limit. Past the hard cap nothing new
// is stored, so the table always keeps free slots for its probe, and the loop then ends with 2.
TEST_F(PlacementTest, HardCapStopsStoringAndTheLoopEndsAtTheLimit) {
    std::vector<std::string> lines(22, "#" + std::string(20, ' ') + "#");
    lines.front() = lines.back() = std::string(22, '#');
    lines[1][1] = '@';
    lines[5][5] = '$';
    lines[5][8] = '$';
    lines[9][5] = '.';
    lines[9][8] = '.';
    startCycle(rows(lines));
    clearBoxes();
    std::vector<int> cells;
    for (int c = 0; c < engine->level().cellCount; c++)
        if (main().placeBoard()[c] == cw::Free) cells.push_back(c);
    int stored = 0;
    for (std::size_t a = 0; a < cells.size() && stored < 50'000; a++) {
        for (std::size_t b = a + 1; b < cells.size() && stored < 50'000; b++, stored++) {
            main().placeBoxList()[0] = cells[a];
            main().placeBoxList()[1] = cells[b];
            main().placeBoard()[cells[a]] = main().placeBoard()[cells[b]] = cw::BoxOn;
            main().storePlacementNode(0, main().placePlayer());
            main().placeBoard()[cells[a]] = main().placeBoard()[cells[b]] = cw::Free;
        }
    }
    EXPECT_EQ(main().placeNodeCount(), cw::PlaceHardCap);
    EXPECT_EQ(main().placementLoop(), cw::Step::NodeLimit);
}

// When only one box has nodes, the restart keeps that box's nodes and chooses no second or third
// box for the boxes that have none.
TEST_F(PlacementTest, RestartWithOneMovedBoxKeepsOnlyItsNodes) {
    startCycle(rows({"########", "#@     #", "# $  $ #", "#      #", "# .  . #", "########"}));
    clearBoxes();
    const int other = main().placeBoxList()[1];
    for (int c : {at(3, 2), at(3, 3), at(1, 4)}) {
        main().placeBoxList()[0] = c;
        main().placeBoard()[c] = main().placeBoard()[other] = cw::BoxOn;
        main().storePlacementNode(0, main().placePlayer());
        main().placeBoard()[c] = main().placeBoard()[other] = cw::Free;
    }
    ASSERT_TRUE(main().keepLeastMovedBoxes());
    int queued = 0;
    for (const cw::PlacementNode* node = main().placementQueueHead(); node != nullptr;
         node = node->queueNext) {
        EXPECT_EQ(node->movedBox, 0);
        queued++;
    }
    EXPECT_EQ(queued, 3);
    EXPECT_EQ(main().placeNodeCount(), 3); // the root was no ancestor of a kept node
}

} // namespace
