#pragma once
// The board view: a 768 x 480 back buffer of 24-pixel tiles showing a 32 x 20 cell window on the
// level, scrolled to follow the player, plus the trace viewer that replays a move string on it.
#include <QImage>
#include <QPainter>
#include <QPoint>

#include <array>
#include <functional>
#include <string_view>

#include "solver/board.h"

namespace cwui {

constexpr int TileSize = 24;
constexpr int ViewColumns = 32;
constexpr int ViewRows = 20;
constexpr int BufferWidth = ViewColumns * TileSize; // 768
constexpr int BufferHeight = ViewRows * TileSize;   // 480

// Display codes: cell flags (1 goal, 2 box, 4 player, 8 wall), 16 outside; pictures use 6 for background.
constexpr int DisplayBackground = 6;

// Viewport offsets in cells: board cell (x, y) is drawn at viewport cell (x + column, y + row).
struct Offsets {
    int column = 0;
    int row = 0;
    bool operator==(const Offsets&) const = default;
};

// Offsets that centre a small board and keep the player's surroundings in view on a large one.
Offsets viewportOffsets(int width, int height, int column, int row);

// The one-cell scroll after the player at (column, row) moved in direction dir (0 up ... 3 left).
Offsets scrollOneCell(Offsets o, int width, int height, int column, int row, int dir);

// Tile sheet (column, row) of a display code with a facing (0 none, 1 up ... 4 left). Walls give the
// tall wall tile; wallTile() picks between the two wall tiles.
QPoint tileFor(int code, int facing);
QPoint wallTile(bool wallBelow);

// Facing (1 up ... 4 left) of a move letter, 0 for anything else.
int facingOfLetter(char letter);

// A finished run's position for the live drawing, copied while no solver thread writes it.
struct LiveSnapshot {
    cw::Board traceBoard{};
    int tracePlayer = 0;
    char lastLetter = 0; // last letter of the move string, 0 when it is empty
};

class BoardView {
  public:
    explicit BoardView(QImage tiles);

    const QImage& buffer() const { return buffer_; }
    // Called after every drawing routine, so the widget showing the buffer can repaint.
    void onDrawn(std::function<void()> callback) { drawn_ = std::move(callback); }

    // The level's start position (mode 4 draws the size-over picture instead), viewer at move 0.
    void drawLevelAtStart(const cw::Level& lv, cw::Outcome state);
    // Redraws the display board with the player facing `facing`, after scrolling by `dir` when facing is set.
    void drawViewer(const cw::Level& lv, int facing, int dir);
    // The position of a finished run (boxes from the trace board, fixed boxes from the base board).
    void drawLive(const cw::Level& lv, const LiveSnapshot& live);
    void drawOpening(int timeLimitSec, bool storesReady);
    void drawLoadError();
    void drawSizeOver();

    // Trace viewer. All take the current move string.
    // Moves the viewer back to move 0 and draws the start.
    void top(const cw::Level& lv);
    // One move forward; false (nothing changes) when the string has no letter at the move index.
    bool stepForward(const cw::Level& lv, std::string_view moves);
    // One move back; false when the viewer is at move 0.
    bool stepBack(const cw::Level& lv, std::string_view moves);

    int moveIndex() const { return moveIndex_; }
    int pushes() const { return pushes_; }
    int playerCell() const { return player_; }
    int lastFacing() const { return facing_; }
    Offsets offsets() const { return offsets_; }
    int displayCell(int cell) const { return display_[static_cast<std::size_t>(cell)]; }

  private:
    void fillBackground();
    void fillBackground(QPainter& p);
    void drawTile(QPainter& p, int viewColumn, int viewRow, QPoint tile);
    void drawDigits(QPoint origin, const char* const* rows, int rowCount);
    void drawBoard(const cw::Level& lv, int facing);
    void finish();

    QImage tiles_;
    QImage buffer_;
    std::function<void()> drawn_;
    cw::Board display_{};
    Offsets offsets_;
    int player_ = 0;
    int facing_ = 0;
    int moveIndex_ = 0;
    int pushes_ = 0;
};

} // namespace cwui
