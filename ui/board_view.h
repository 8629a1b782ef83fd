#pragma once
// The board view: a back buffer of tiles showing a window on the level, scrolled to follow the player
// when the level does not fit, plus the trace viewer that replays a move string on it. At its normal
// size the buffer is 768 x 480 pixels, 32 x 20 cells of 24 pixels; a larger view draws larger tiles,
// and a level too large for 24-pixel tiles is drawn with smaller ones, so the whole level shows.
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>

#include <array>
#include <functional>
#include <map>
#include <string_view>

#include "solver/board.h"

namespace cwui {

constexpr int TileSize = 24;    // the tile sheet's tiles and the normal view's cells
constexpr int MinTileSize = 8;  // smaller tiles would be unreadable: the view scrolls instead
constexpr int ViewColumns = 32; // cells of the normal view
constexpr int ViewRows = 20;
constexpr int BufferWidth = ViewColumns * TileSize; // 768, the normal view
constexpr int BufferHeight = ViewRows * TileSize;   // 480

// Display codes: cell flags (1 goal, 2 box, 4 player, 8 wall), 16 outside; pictures use 6 for background.
constexpr int DisplayBackground = 6;
// A goal in a room the player can never reach (outside, but still a goal): drawn dimmed.
constexpr int DisplayLostGoal = 17;

// Tile size in logical pixels for a width x height board in a view of `view` logical pixels: the size at
// which the whole board fits, at most the view's zoom of the normal 24 (so the normal view draws a
// board that fits at 24 exactly as ever), never below MinTileSize.
int fittedTileSize(QSize view, int width, int height);

// Viewport offsets in cells: board cell (x, y) is drawn at viewport cell (x + column, y + row).
struct Offsets {
    int column = 0;
    int row = 0;
    bool operator==(const Offsets&) const = default;
};

// Offsets that centre a small board and keep the player's surroundings in view on a large one, for a
// view of `columns` x `rows` cells.
Offsets viewportOffsets(int width, int height, int column, int row, int columns = ViewColumns,
                        int rows = ViewRows);

// The one-cell scroll after the player at (column, row) moved in direction dir (0 up ... 3 left).
Offsets scrollOneCell(Offsets o, int width, int height, int column, int row, int dir,
                      int columns = ViewColumns, int rows = ViewRows);

// Tile sheet (column, row) of a display code with a facing (0 none, 1 up ... 4 left). Walls give the
// tall wall tile; wallTile() picks between the two wall tiles.
QPoint tileFor(int code, int facing);
QPoint wallTile(bool wallBelow);

// Facing (1 up ... 4 left) of a move letter, 0 for anything else.
int facingOfLetter(char letter);

// A position for the live drawing: a finished run's, copied while no solver thread writes it, or one a
// searching thread published.
struct TracePosition {
    cw::Board traceBoard{};
    int tracePlayer = 0;
    char lastLetter = 0; // last letter of the move string, 0 when it is empty
};

class BoardView {
  public:
    // `tiles` is the 24-pixel sheet; `largeTiles`, when given, the same drawn larger, from which tiles
    // of other sizes are scaled down so they stay sharp.
    explicit BoardView(QImage tiles, QImage largeTiles = {});

    // The view's size in logical pixels and the screen's scale factor; redraws what was shown.
    void setViewSize(QSize logical, qreal devicePixelRatio = 1.0);
    QSize viewSize() const { return view_; }
    // Tile size of the board now shown, in logical and in device pixels, and the view's cells.
    int tileSize() const { return tile_; }
    int deviceTileSize() const { return deviceTile_; }
    int viewColumns() const { return columns_; }
    int viewRows() const { return rows_; }
    // Device pixel of the top-left corner of viewport cell (column, row).
    QPoint cellOrigin(int column, int row) const;

    // The back buffer, in device pixels (its device pixel ratio set).
    const QImage& buffer() const { return buffer_; }
    // Called after every drawing routine, so the widget showing the buffer can repaint.
    void onDrawn(std::function<void()> callback) { drawn_ = std::move(callback); }

    // The level's start position (mode 4 draws the size-over picture instead), viewer at move 0.
    void drawLevelAtStart(const cw::Level& lv, cw::Outcome state);
    // Redraws the display board with the player facing `facing`, after scrolling by `dir` when facing is set.
    void drawViewer(const cw::Level& lv, int facing, int dir);
    // The position of a finished run (boxes from the trace board, fixed boxes from the base board).
    void drawLive(const cw::Level& lv, const TracePosition& live);
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
    int boardWidth() const { return boardWidth_; } // of the board last drawn
    int boardHeight() const { return boardHeight_; }

  private:
    enum class Shown { Nothing, Opening, LoadError, SizeOver, Board };

    const QImage& sheetFor(int deviceTile);
    void fitBoard(int width, int height);
    void centreOnPlayer();
    void fillBackground(QPainter& p, int deviceTile, QPoint phase);
    void drawDigits(QPainter& p, QPoint origin, const char* const* rows, int rowCount);
    void drawPicture(Shown picture);
    void paintOpening(QPainter& p);
    void drawBoard(int facing);
    void finish();

    QImage tiles_;
    QImage largeTiles_;
    std::map<int, QImage> scaled_; // sheets of other tile sizes, made once each
    QImage buffer_;
    QSize view_{BufferWidth, BufferHeight};
    qreal ratio_ = 1.0;
    int tile_ = TileSize;
    int deviceTile_ = TileSize;
    int columns_ = ViewColumns;
    int rows_ = ViewRows;
    QPoint gridOrigin_; // device pixel of viewport cell (0, 0)
    Shown shown_ = Shown::Nothing;
    int openingTimeLimit_ = 0;
    bool openingStoresReady_ = true;
    int boardWidth_ = 0;
    int boardHeight_ = 0;
    std::function<void()> drawn_;
    cw::Board display_{};
    Offsets offsets_;
    int player_ = 0;
    int facing_ = 0;
    int moveIndex_ = 0;
    int pushes_ = 0;
};

} // namespace cwui
