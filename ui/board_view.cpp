#include "ui/board_view.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdio>

#include "ui/colors.h"

namespace cwui {

namespace {

// The opening screen's little level: walls around a pond of four boxes and four goals.
constexpr const char* OpeningPicture[7] = {"6888886", "8810188", "8020208", "8104018",
                                           "8020208", "8810188", "6888886"};

constexpr const char* SizeOverPicture[12] = {
    "6222626222266226666666666666", "2666666666262662666666666666", "6226626662662222666666666666",
    "6662626626662666666666666666", "2226626222266222666666666666", "6666666666666666666666666666",
    "6666666666666666666666666666", "6666666666622662662662266262", "6666666666266262662626626226",
    "6666666666266262662622226266", "6666666666266266226626666266", "6666666666622666226662226266"};

constexpr const char* LoadErrorPicture[7] = {"62226", "26662", "66662", "66626", "66266", "66666", "66266"};

const QPoint BackgroundTile{4, 0};

// A font whose character cell (ascent and descent) is `pixels` high, as the screen texts are sized.
QFont cellFont(QFont font, int pixels, bool bold) {
    font.setBold(bold);
    for (int size = pixels; size > 4; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= pixels) break;
    }
    return font;
}

QFont uiFont(int pixels, bool bold) {
    return cellFont(QFont(QStringLiteral("DejaVu Sans")), pixels, bold);
}

QFont monoFont(int pixels, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return cellFont(font, pixels, bold);
}

// Text whose top-left corner is at (x, y), as the screen texts are placed.
void textAt(QPainter& p, int x, int y, const QString& text) {
    p.drawText(QRect(x, y, BufferWidth - x, BufferHeight - y),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

QString printed(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

QRect sheetTile(QPoint tile, int size) {
    return QRect(tile.x() * size, tile.y() * size, size, size);
}

// Display code of a cell at the start: the level's own, with goals the player never reaches kept.
int startCode(const cw::Level& lv, std::size_t at) {
    const int code = lv.levelCells[at];
    return code == cw::CellOutside && lv.goalMap[at] != 0 ? DisplayLostGoal : code;
}

} // namespace

int fittedTileSize(QSize view, int width, int height) {
    int tile = std::min(view.width() / ViewColumns, view.height() / ViewRows); // the view's zoom of 24
    if (width > 0) tile = std::min(tile, view.width() / width);
    if (height > 0) tile = std::min(tile, view.height() / height);
    return std::max(tile, MinTileSize);
}

Offsets viewportOffsets(int width, int height, int column, int row, int columns, int rows) {
    Offsets o{(columns - width) / 2, (rows - height) / 2};
    if (width > columns) {
        if (column <= columns / 2 - 1)
            o.column = 0;
        else if (width - column < columns / 2)
            o.column = columns - width;
    }
    if (height > rows) {
        if (row <= rows / 2 - 1)
            o.row = 0;
        else if (height - row < rows / 2)
            o.row = rows - height;
    }
    return o;
}

Offsets scrollOneCell(Offsets o, int width, int height, int column, int row, int dir, int columns, int rows) {
    switch (dir) {
    case 0:
        if (o.row < 0 && o.row + row < 5) o.row++;
        break;
    case 1:
        if (width + o.column > columns && o.column + column > columns - 5) o.column--;
        break;
    case 2:
        if (o.row + height > rows && o.row + row > rows - 5) o.row--;
        break;
    case 3:
        if (o.column < 0 && o.column + column < 5) o.column++;
        break;
    default:
        break;
    }
    return o;
}

QPoint tileFor(int code, int facing) {
    if (facing < 0 || facing > 4) facing = 0;
    switch (code) {
    case 0:
        return {0, 0};
    case 1:
    case DisplayLostGoal:
        return {1, 0};
    case 2:
        return {4, 1};
    case 3:
        return {4, 2};
    case 4:
        return facing == 0 ? QPoint{2, 0} : QPoint{facing - 1, 1};
    case 5:
        return facing == 0 ? QPoint{3, 0} : QPoint{facing - 1, 2};
    case 8:
        return {5, 1};
    default:
        return BackgroundTile;
    }
}

QPoint wallTile(bool wallBelow) {
    return wallBelow ? QPoint{5, 1} : QPoint{5, 2};
}

int facingOfLetter(char letter) {
    switch (letter) {
    case 'u':
    case 'U':
        return 1;
    case 'r':
    case 'R':
        return 2;
    case 'd':
    case 'D':
        return 3;
    case 'l':
    case 'L':
        return 4;
    default:
        return 0;
    }
}

BoardView::BoardView(QImage tiles, QImage largeTiles)
    : tiles_(std::move(tiles)), largeTiles_(std::move(largeTiles)),
      buffer_(BufferWidth, BufferHeight, QImage::Format_RGB32) {
    buffer_.fill(Qt::black);
}

void BoardView::setViewSize(QSize logical, qreal devicePixelRatio) {
    logical = logical.expandedTo(QSize(1, 1));
    if (devicePixelRatio <= 0) devicePixelRatio = 1.0;
    if (logical == view_ && devicePixelRatio == ratio_) return;
    view_ = logical;
    ratio_ = devicePixelRatio;
    const QSize device(static_cast<int>(view_.width() * ratio_), static_cast<int>(view_.height() * ratio_));
    buffer_ = QImage(device, QImage::Format_RGB32);
    buffer_.setDevicePixelRatio(ratio_);
    buffer_.fill(Qt::black);
    if (shown_ == Shown::Board) {
        fitBoard(boardWidth_, boardHeight_);
        centreOnPlayer();
        drawBoard(facing_);
        finish();
    } else if (shown_ != Shown::Nothing) {
        drawPicture(shown_);
    }
}

QPoint BoardView::cellOrigin(int column, int row) const {
    return gridOrigin_ + QPoint(column * deviceTile_, row * deviceTile_);
}

// The sheet whose tiles are deviceTile pixels: the 24-pixel one as it is, others scaled from the
// large sheet (scaling down keeps edges sharp where scaling the small one up would blur them).
const QImage& BoardView::sheetFor(int deviceTile) {
    if (deviceTile == TileSize || (tiles_.isNull() && largeTiles_.isNull())) return tiles_;
    auto found = scaled_.find(deviceTile);
    if (found == scaled_.end()) {
        const QImage& from = largeTiles_.isNull() ? tiles_ : largeTiles_;
        found = scaled_
                    .emplace(deviceTile, from.scaled(6 * deviceTile, 3 * deviceTile, Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation))
                    .first;
    }
    return found->second;
}

void BoardView::finish() {
    if (drawn_) drawn_();
}

// Tile size, cells and grid of the view for a board of width x height cells.
void BoardView::fitBoard(int width, int height) {
    boardWidth_ = width;
    boardHeight_ = height;
    tile_ = fittedTileSize(view_, width, height);
    deviceTile_ = std::max(1, static_cast<int>(tile_ * ratio_));
    columns_ = std::max(1, buffer_.width() / deviceTile_);
    rows_ = std::max(1, buffer_.height() / deviceTile_);
    gridOrigin_ =
        QPoint((buffer_.width() - columns_ * deviceTile_) / 2, (buffer_.height() - rows_ * deviceTile_) / 2);
}

void BoardView::centreOnPlayer() {
    const int w = boardWidth_ > 0 ? boardWidth_ : 1;
    offsets_ = viewportOffsets(boardWidth_, boardHeight_, player_ % w, player_ / w, columns_, rows_);
}

// Background tiles over the whole buffer, laid so that one tile starts at `phase`.
void BoardView::fillBackground(QPainter& p, int deviceTile, QPoint phase) {
    const QImage& sheet = sheetFor(deviceTile);
    const QRect source = sheetTile(BackgroundTile, deviceTile);
    const int x0 = phase.x() % deviceTile - (phase.x() % deviceTile > 0 ? deviceTile : 0);
    const int y0 = phase.y() % deviceTile - (phase.y() % deviceTile > 0 ? deviceTile : 0);
    for (int y = y0; y < buffer_.height(); y += deviceTile)
        for (int x = x0; x < buffer_.width(); x += deviceTile) p.drawImage(QPoint(x, y), sheet, source);
}

// One tile per digit from the picture's logical origin, walls by the wall rule within the picture. The
// painter draws in logical pixels of the normal view.
void BoardView::drawDigits(QPainter& p, QPoint origin, const char* const* rows, int rowCount) {
    const int deviceTile = std::max(1, static_cast<int>(TileSize * ratio_));
    const QImage& sheet = sheetFor(deviceTile);
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; rows[r][c] != '\0'; ++c) {
            const int code = rows[r][c] - '0';
            QPoint tile = tileFor(code, 0);
            if (code == 8) {
                const bool below = r + 1 < rowCount && rows[r + 1][c] == '8';
                tile = wallTile(below);
            }
            p.drawImage(QRectF(origin + QPoint(c * TileSize, r * TileSize), QSizeF(TileSize, TileSize)),
                        sheet, sheetTile(tile, deviceTile));
        }
    }
}

// The opening screen and the two pictures keep their normal size and sit in the middle of the view.
void BoardView::drawPicture(Shown picture) {
    shown_ = picture;
    const QPoint corner((view_.width() - BufferWidth) / 2, (view_.height() - BufferHeight) / 2);
    const int deviceTile = std::max(1, static_cast<int>(TileSize * ratio_));
    QPainter p(&buffer_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // The painter works in logical pixels on a buffer with a device pixel ratio; the background is
    // laid in device pixels, in step with the picture's tiles.
    p.save();
    p.resetTransform();
    p.scale(1.0 / ratio_, 1.0 / ratio_);
    fillBackground(p, deviceTile,
                   QPoint(static_cast<int>(corner.x() * ratio_), static_cast<int>(corner.y() * ratio_)));
    p.restore();
    p.translate(corner);
    switch (picture) {
    case Shown::Opening:
        paintOpening(p);
        break;
    case Shown::LoadError:
        drawDigits(p, QPoint(312, 144), LoadErrorPicture, 7);
        break;
    case Shown::SizeOver:
        drawDigits(p, QPoint(48, 96), SizeOverPicture, 12);
        break;
    default:
        break;
    }
    p.end();
    finish();
}

// The whole board in one pass with one painter, in device pixels.
void BoardView::drawBoard(int facing) {
    shown_ = Shown::Board;
    QPainter p(&buffer_);
    p.resetTransform();
    p.scale(1.0 / ratio_, 1.0 / ratio_);
    fillBackground(p, deviceTile_, gridOrigin_);
    const QImage& sheet = sheetFor(deviceTile_);
    const int w = boardWidth_;
    const int h = boardHeight_;
    for (int y = 0; y < h; ++y) {
        const int vr = y + offsets_.row;
        if (vr < 0 || vr >= rows_) continue;
        for (int x = 0; x < w; ++x) {
            const int vc = x + offsets_.column;
            if (vc < 0 || vc >= columns_) continue;
            const int cell = y * w + x;
            const int code = display_[static_cast<std::size_t>(cell)];
            QPoint tile;
            if (code == 8) {
                const bool below = y + 1 < h && display_[static_cast<std::size_t>(cell + w)] == 8;
                tile = wallTile(below);
            } else {
                tile = tileFor(code, (code & 4) != 0 ? facing : 0);
            }
            if (code == DisplayLostGoal) p.setOpacity(0.4); // over the background already laid
            p.drawImage(cellOrigin(vc, vr), sheet, sheetTile(tile, deviceTile_));
            if (code == DisplayLostGoal) p.setOpacity(1.0);
        }
    }
    facing_ = facing;
}

void BoardView::drawLevelAtStart(const cw::Level& lv, cw::Outcome state) {
    moveIndex_ = 0;
    pushes_ = 0;
    facing_ = 0;
    if (state == cw::Outcome::SizeOver) {
        drawSizeOver();
        return;
    }
    const int cells = lv.boardWidth * lv.boardHeight;
    player_ = lv.levelPlayer;
    for (int i = 0; i < cells; ++i) {
        const auto at = static_cast<std::size_t>(i);
        display_[at] = startCode(lv, at);
        if ((lv.levelCells[at] & 4) != 0) player_ = i;
    }
    fitBoard(lv.boardWidth, lv.boardHeight);
    centreOnPlayer();
    drawBoard(0);
    finish();
}

void BoardView::drawViewer(const cw::Level& lv, int facing, int dir) {
    const int w = lv.boardWidth > 0 ? lv.boardWidth : 1;
    if (facing != 0 && (lv.boardWidth > columns_ || lv.boardHeight > rows_))
        offsets_ = scrollOneCell(offsets_, lv.boardWidth, lv.boardHeight, player_ % w, player_ / w, dir,
                                 columns_, rows_);
    drawBoard(facing);
    finish();
}

void BoardView::drawLive(const cw::Level& lv, const TracePosition& live) {
    const int cells = lv.boardWidth * lv.boardHeight;
    for (int i = 0; i < cells; ++i) {
        const auto at = static_cast<std::size_t>(i);
        int code = startCode(lv, at) & (25 | DisplayLostGoal);
        if (lv.levelCells[at] == 3 && lv.baseBoard[at] == 8)
            code = 3;
        else if (live.traceBoard[at] == 2)
            code |= 2;
        display_[at] = code;
    }
    player_ = live.tracePlayer;
    if (player_ >= 0 && player_ < cells) display_[static_cast<std::size_t>(player_)] |= 4;
    fitBoard(lv.boardWidth, lv.boardHeight);
    centreOnPlayer();
    drawBoard(facingOfLetter(live.lastLetter));
    finish();
}

void BoardView::drawOpening(int timeLimitSec, bool storesReady) {
    openingTimeLimit_ = timeLimitSec;
    openingStoresReady_ = storesReady;
    drawPicture(Shown::Opening);
}

void BoardView::paintOpening(QPainter& p) {
    drawDigits(p, QPoint(528, 240), OpeningPicture, 7);
    const QString title = QStringLiteral("Cratewise Ver7.3 by korrin (Aug/2021)");
    p.setFont(uiFont(26, false));
    p.setPen(Qt::black);
    textAt(p, 66, 102, title);
    p.setPen(Qt::white);
    textAt(p, 64, 100, title);
    p.setFont(uiFont(20, false));
    textAt(p, 100, 140,
           QStringLiteral("In level file, you can use \"-\" and \"_\" instead of spaces. (2021/08/31)"));
    p.setFont(uiFont(24, false));
    p.setPen(Qt::black);
    textAt(p, 70, 180, QStringLiteral("This software looks for the solution in Sokoban. (not optimal)"));

    p.setFont(monoFont(22, false));
    p.setPen(bgr(0x64FFFF));
    textAt(p, 120, 260, printed("MaxWidth   %4d ", cw::MaxWidth));
    textAt(p, 120, 280, printed("MaxHeight  %4d", cw::MaxHeight));
    textAt(p, 120, 300, printed("MaxBoxes   %4d", cw::MaxBoxes));
    textAt(p, 120, 320, printed("TimeLimit%6d sec(Variable)", openingTimeLimit_));
    textAt(p, 120, 340, QStringLiteral("SolverThread  2"));
    if (!openingStoresReady_) {
        p.setFont(monoFont(22, true));
        p.setPen(bgr(0x0000FF));
    }
    textAt(p, 120, 360, QStringLiteral("MemoryUse   3.5 GB"));
    if (!openingStoresReady_) {
        p.setFont(uiFont(30, false));
        p.setPen(bgr(0x0000FF));
        textAt(p, 140, 400, QStringLiteral("Out of memory."));
    }
    p.setFont(uiFont(20, true));
    p.setPen(bgr(0x500000));
    textAt(p, 530, 410, QStringLiteral("Title: millpond"));
    textAt(p, 530, 434, QStringLiteral("Author: korrin"));
}

void BoardView::drawLoadError() {
    drawPicture(Shown::LoadError);
}

void BoardView::drawSizeOver() {
    drawPicture(Shown::SizeOver);
}

void BoardView::top(const cw::Level& lv) {
    drawLevelAtStart(lv, cw::Outcome::Ready);
    player_ = lv.levelPlayer;
}

bool BoardView::stepForward(const cw::Level& lv, std::string_view moves) {
    if (moveIndex_ < 0 || static_cast<std::size_t>(moveIndex_) >= moves.size()) return false;
    const char letter = moves[static_cast<std::size_t>(moveIndex_)];
    const int dir = facingOfLetter(letter) - 1;
    if (dir < 0) return false;
    const int step = lv.dirOffset[static_cast<std::size_t>(dir)];
    display_[static_cast<std::size_t>(player_)] &= ~4;
    player_ += step;
    display_[static_cast<std::size_t>(player_)] |= 4;
    if (letter >= 'A' && letter <= 'Z') {
        display_[static_cast<std::size_t>(player_)] &= ~2;
        display_[static_cast<std::size_t>(player_ + step)] |= 2;
        pushes_++;
    }
    drawViewer(lv, dir + 1, dir);
    moveIndex_++;
    return true;
}

bool BoardView::stepBack(const cw::Level& lv, std::string_view moves) {
    if (moveIndex_ <= 0 || static_cast<std::size_t>(moveIndex_) > moves.size()) return false;
    const char letter = moves[static_cast<std::size_t>(moveIndex_ - 1)];
    const int dir = facingOfLetter(letter) - 1;
    if (dir < 0) return false;
    moveIndex_--;
    const int step = lv.dirOffset[static_cast<std::size_t>(dir)];
    if (letter >= 'A' && letter <= 'Z') {
        display_[static_cast<std::size_t>(player_ + step)] &= ~2;
        display_[static_cast<std::size_t>(player_)] |= 2;
        pushes_--;
    }
    display_[static_cast<std::size_t>(player_)] &= ~4;
    player_ -= step;
    display_[static_cast<std::size_t>(player_)] |= 4;
    drawViewer(lv, moveIndex_ == 0 ? 0 : dir + 1, (dir + 2) % 4);
    return true;
}

} // namespace cwui
