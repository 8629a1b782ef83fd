// The board view: viewport offsets, one-cell scrolling, tiles and the trace viewer's steps.
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/engine.h"
#include "level/level_set.h"
#include "ui/board_view.h"

namespace {

using cwui::Offsets;

// A tile sheet whose every tile is one flat colour, so a drawn tile tells where it came from.
QImage codedTiles() {
    QImage tiles(144, 72, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&tiles);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c) p.fillRect(c * 24, r * 24, 24, 24, QColor(40 * c + 10, 80 * r + 10, 99));
    return tiles;
}

QColor tileColour(QPoint tile) {
    return QColor(40 * tile.x() + 10, 80 * tile.y() + 10, 99);
}

// Colour at the middle of viewport cell (column, row).
QColor shown(const cwui::BoardView& view, int column, int row) {
    return view.buffer().pixelColor(view.cellOrigin(column, row) +
                                    QPoint(view.deviceTileSize() / 2, view.deviceTileSize() / 2));
}

TEST(Viewport, OffsetsTable) {
    struct Case {
        int w, h, c, r;
        Offsets expected;
    } cases[] = {
        {10, 8, 3, 3, {11, 6}},                               // small boards are centred
        {32, 20, 0, 0, {0, 0}},                               // a full viewport
        {31, 19, 5, 5, {0, 0}},                               // truncated halves
        {50, 10, 3, 2, {0, 5}},                               // wide, player near the left: columns 0-31
        {50, 10, 40, 2, {-18, 5}},                            // player near the right: columns 18-49
        {50, 10, 25, 2, {-9, 5}},                             // in the middle: stays centred
        {50, 10, 15, 2, {0, 5}},    {50, 10, 34, 2, {-9, 5}}, // 50 - 34 = 16 is not below 16
        {50, 10, 35, 2, {-18, 5}},  {10, 40, 3, 9, {11, 0}},  // tall boards follow the same rule by rows
        {10, 40, 3, 31, {11, -20}}, {10, 40, 3, 20, {11, -10}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cwui::viewportOffsets(c.w, c.h, c.c, c.r), c.expected)
            << c.w << "x" << c.h << " at " << c.c << "," << c.r;
}

TEST(Viewport, OneCellScrolling) {
    struct Case {
        Offsets start;
        int w, h, c, r, dir;
        Offsets expected;
    } cases[] = {
        {{0, -5}, 10, 40, 3, 9, 0, {0, -4}},  // up near the top edge of the view
        {{0, -5}, 10, 40, 3, 10, 0, {0, -5}}, // up, still far enough
        {{0, 0}, 10, 40, 3, 2, 0, {0, 0}},    // up, already at the top
        {{0, 0}, 50, 10, 28, 3, 1, {-1, 0}},  // right near the right edge
        {{0, 0}, 50, 10, 27, 3, 1, {0, 0}},
        {{-18, 0}, 50, 10, 48, 3, 1, {-18, 0}}, // right, already at the end
        {{0, 0}, 10, 40, 3, 16, 2, {0, -1}},    // down near the bottom edge
        {{0, -20}, 10, 40, 3, 38, 2, {0, -20}},
        {{-10, 0}, 50, 10, 14, 3, 3, {-9, 0}}, // left near the left edge
        {{-10, 0}, 50, 10, 15, 3, 3, {-10, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cwui::scrollOneCell(c.start, c.w, c.h, c.c, c.r, c.dir), c.expected) << "dir " << c.dir;
}

TEST(Tiles, TableAndWallRule) {
    EXPECT_EQ(cwui::tileFor(0, 0), QPoint(0, 0));
    EXPECT_EQ(cwui::tileFor(1, 0), QPoint(1, 0));
    EXPECT_EQ(cwui::tileFor(2, 0), QPoint(4, 1));
    EXPECT_EQ(cwui::tileFor(3, 0), QPoint(4, 2));
    EXPECT_EQ(cwui::tileFor(16, 0), QPoint(4, 0));
    const QPoint player[5] = {{2, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}};
    const QPoint onGoal[5] = {{3, 0}, {0, 2}, {1, 2}, {2, 2}, {3, 2}};
    for (int f = 0; f < 5; ++f) {
        EXPECT_EQ(cwui::tileFor(4, f), player[f]) << f;
        EXPECT_EQ(cwui::tileFor(5, f), onGoal[f]) << f;
    }
    EXPECT_EQ(cwui::wallTile(true), QPoint(5, 1));
    EXPECT_EQ(cwui::wallTile(false), QPoint(5, 2));
}

class ViewerTest : public ::testing::Test {
  protected:
    void load(const std::string& text) {
        set_ = std::make_unique<cw::LevelSet>(level_, std::string("/nonexistent/korrin.txt"));
        ASSERT_TRUE(set_->loadPasted(text));
    }
    cw::Level level_;
    std::unique_ptr<cw::LevelSet> set_;
    cwui::BoardView view_{codedTiles()};
};

// A 50-column corridor with the player in a given column.
std::string wideLevel(int playerColumn) {
    std::string top(50, '#');
    std::string middle = "#" + std::string(48, ' ') + "#";
    middle[static_cast<std::size_t>(playerColumn)] = '@';
    middle[10] = '$';
    middle[20] = '.';
    return top + "\n" + middle + "\n" + top + "\n";
}

TEST_F(ViewerTest, WideBoardShowsTheColumnsAroundThePlayer) {
    // A view of 32 x 20 cells at the smallest tiles: the board does not fit and scrolls as it always did.
    view_.setViewSize(QSize(32 * cwui::MinTileSize, 20 * cwui::MinTileSize));
    struct Case {
        int playerColumn;
        int firstColumn;
    } cases[] = {{3, 0}, {40, 18}};
    for (const auto& c : cases) {
        load(wideLevel(c.playerColumn));
        view_.drawLevelAtStart(level_, cw::Outcome::Ready);
        ASSERT_EQ(view_.tileSize(), cwui::MinTileSize);
        ASSERT_EQ(view_.viewColumns(), 32);
        EXPECT_EQ(view_.offsets().column, -c.firstColumn) << c.playerColumn;
        // The view's first column is the board's column firstColumn: the player sits at its place.
        EXPECT_EQ(shown(view_, c.playerColumn - c.firstColumn, view_.offsets().row + 1),
                  tileColour(QPoint(2, 0)));
    }
}

TEST_F(ViewerTest, SmallBoardIsCentredWithWallsAndGoal) {
    load("#####\n#@$.#\n#####\n");
    view_.drawLevelAtStart(level_, cw::Outcome::Ready);
    EXPECT_EQ(view_.offsets(), (Offsets{13, 8}));
    EXPECT_EQ(shown(view_, 14, 9), tileColour({2, 0}));  // player
    EXPECT_EQ(shown(view_, 15, 9), tileColour({4, 1}));  // box
    EXPECT_EQ(shown(view_, 16, 9), tileColour({1, 0}));  // goal
    EXPECT_EQ(shown(view_, 13, 8), tileColour({5, 1}));  // wall above a wall
    EXPECT_EQ(shown(view_, 14, 8), tileColour({5, 2}));  // wall above floor
    EXPECT_EQ(shown(view_, 13, 10), tileColour({5, 2})); // wall on the last row
    EXPECT_EQ(shown(view_, 0, 0), tileColour({4, 0}));   // background
}

TEST_F(ViewerTest, StepsForwardAndBackToMoveZeroWithoutFacing) {
    load("######\n#@ $.#\n######\n");
    view_.drawLevelAtStart(level_, cw::Outcome::Ready);
    const QImage start = view_.buffer().copy();
    const std::string moves = "rR";
    ASSERT_TRUE(view_.stepForward(level_, moves));
    EXPECT_EQ(view_.lastFacing(), 2);
    ASSERT_TRUE(view_.stepForward(level_, moves));
    EXPECT_EQ(view_.pushes(), 1);
    EXPECT_EQ(view_.displayCell(level_.boardWidth + 4), 3); // box on the goal
    EXPECT_FALSE(view_.stepForward(level_, moves));         // nothing left
    EXPECT_EQ(view_.moveIndex(), 2);
    ASSERT_TRUE(view_.stepBack(level_, moves));
    EXPECT_EQ(view_.lastFacing(), 2);
    ASSERT_TRUE(view_.stepBack(level_, moves));
    EXPECT_EQ(view_.moveIndex(), 0);
    EXPECT_EQ(view_.pushes(), 0);
    EXPECT_EQ(view_.lastFacing(), 0);
    EXPECT_EQ(view_.buffer(), start);
    EXPECT_FALSE(view_.stepBack(level_, moves));
}

TEST_F(ViewerTest, SizeOverAndLoadErrorPictures) {
    load("#####\n#@$.#\n#####\n");
    view_.drawLevelAtStart(level_, cw::Outcome::SizeOver);
    // Row 1 of the size-over picture starts "6222...": background, then boxes from pixel (72, 96).
    EXPECT_EQ(view_.buffer().pixelColor(48 + 12, 96 + 12), tileColour({4, 0}));
    EXPECT_EQ(view_.buffer().pixelColor(72 + 12, 96 + 12), tileColour({4, 1}));
    view_.drawLoadError();
    EXPECT_EQ(view_.buffer().pixelColor(312 + 12, 144 + 12), tileColour({4, 0}));
    EXPECT_EQ(view_.buffer().pixelColor(336 + 12, 144 + 12), tileColour({4, 1}));
    EXPECT_EQ(view_.buffer().pixelColor(312 + 12, 168 + 12), tileColour({4, 1}));
}

TEST_F(ViewerTest, LivePositionTakesBoxesFromTheTrace) {
    load("######\n#@ $.#\n######\n");
    cwui::TracePosition live;
    live.tracePlayer = level_.boardWidth + 3;
    live.traceBoard[static_cast<std::size_t>(level_.boardWidth + 4)] = 2;
    live.lastLetter = 'R';
    view_.drawLive(level_, live);
    EXPECT_EQ(view_.displayCell(level_.boardWidth + 4), 3);
    EXPECT_EQ(view_.displayCell(level_.boardWidth + 3), 4);
    EXPECT_EQ(view_.displayCell(level_.boardWidth + 1), 0);
    EXPECT_EQ(view_.lastFacing(), 2);
}

} // namespace
