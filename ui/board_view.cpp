#include "ui/board_view.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

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

} // namespace

Offsets viewportOffsets(int width, int height, int column, int row) {
    Offsets o{(ViewColumns - width) / 2, (ViewRows - height) / 2};
    if (width > ViewColumns) {
        if (column <= 15)
            o.column = 0;
        else if (width - column < 16)
            o.column = ViewColumns - width;
    }
    if (height > ViewRows) {
        if (row <= 9)
            o.row = 0;
        else if (height - row < 10)
            o.row = ViewRows - height;
    }
    return o;
}

Offsets scrollOneCell(Offsets o, int width, int height, int column, int row, int dir) {
    switch (dir) {
    case 0:
        if (o.row < 0 && o.row + row < 5) o.row++;
        break;
    case 1:
        if (width + o.column > ViewColumns && o.column + column > 27) o.column--;
        break;
    case 2:
        if (o.row + height > ViewRows && o.row + row > 15) o.row--;
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

BoardView::BoardView(QImage tiles)
    : tiles_(std::move(tiles)), buffer_(BufferWidth, BufferHeight, QImage::Format_RGB32) {
    buffer_.fill(Qt::black);
}

void BoardView::finish() {
    if (drawn_) drawn_();
}

void BoardView::drawTile(QPainter& p, int viewColumn, int viewRow, QPoint tile) {
    p.drawImage(QPoint(viewColumn * TileSize, viewRow * TileSize), tiles_,
                QRect(tile.x() * TileSize, tile.y() * TileSize, TileSize, TileSize));
}

void BoardView::fillBackground() {
    QPainter p(&buffer_);
    fillBackground(p);
}

void BoardView::fillBackground(QPainter& p) {
    const QRect source(BackgroundTile.x() * TileSize, BackgroundTile.y() * TileSize, TileSize, TileSize);
    for (int r = 0; r < ViewRows; ++r)
        for (int c = 0; c < ViewColumns; ++c) p.drawImage(QPoint(c * TileSize, r * TileSize), tiles_, source);
}

// One tile per digit; pixel origin `origin`, walls by the wall rule within the picture.
void BoardView::drawDigits(QPoint origin, const char* const* rows, int rowCount) {
    QPainter p(&buffer_);
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; rows[r][c] != '\0'; ++c) {
            const int code = rows[r][c] - '0';
            QPoint tile = tileFor(code, 0);
            if (code == 8) {
                const bool below = r + 1 < rowCount && rows[r + 1][c] == '8';
                tile = wallTile(below);
            }
            p.drawImage(origin + QPoint(c * TileSize, r * TileSize), tiles_,
                        QRect(tile.x() * TileSize, tile.y() * TileSize, TileSize, TileSize));
        }
    }
}

// The whole board in one pass with one painter.
void BoardView::drawBoard(const cw::Level& lv, int facing) {
    QPainter p(&buffer_);
    fillBackground(p);
    const int w = lv.boardWidth;
    const int h = lv.boardHeight;
    for (int y = 0; y < h; ++y) {
        const int vr = y + offsets_.row;
        if (vr < 0 || vr >= ViewRows) continue;
        for (int x = 0; x < w; ++x) {
            const int vc = x + offsets_.column;
            if (vc < 0 || vc >= ViewColumns) continue;
            const int cell = y * w + x;
            const int code = display_[static_cast<std::size_t>(cell)];
            QPoint tile;
            if (code == 8) {
                const bool below = y + 1 < h && display_[static_cast<std::size_t>(cell + w)] == 8;
                tile = wallTile(below);
            } else {
                tile = tileFor(code, (code & 4) != 0 ? facing : 0);
            }
            drawTile(p, vc, vr, tile);
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
        display_[static_cast<std::size_t>(i)] = lv.levelCells[static_cast<std::size_t>(i)];
        if ((lv.levelCells[static_cast<std::size_t>(i)] & 4) != 0) player_ = i;
    }
    const int w = lv.boardWidth > 0 ? lv.boardWidth : 1;
    offsets_ = viewportOffsets(lv.boardWidth, lv.boardHeight, player_ % w, player_ / w);
    drawBoard(lv, 0);
    finish();
}

void BoardView::drawViewer(const cw::Level& lv, int facing, int dir) {
    const int w = lv.boardWidth > 0 ? lv.boardWidth : 1;
    if (facing != 0 && (lv.boardWidth > ViewColumns || lv.boardHeight > ViewRows))
        offsets_ = scrollOneCell(offsets_, lv.boardWidth, lv.boardHeight, player_ % w, player_ / w, dir);
    drawBoard(lv, facing);
    finish();
}

void BoardView::drawLive(const cw::Level& lv, const LiveSnapshot& live) {
    const int cells = lv.boardWidth * lv.boardHeight;
    for (int i = 0; i < cells; ++i) {
        const auto at = static_cast<std::size_t>(i);
        int code = lv.levelCells[at] & 25;
        if (lv.levelCells[at] == 3 && lv.baseBoard[at] == 8)
            code = 3;
        else if (live.traceBoard[at] == 2)
            code |= 2;
        display_[at] = code;
    }
    player_ = live.tracePlayer;
    if (player_ >= 0 && player_ < cells) display_[static_cast<std::size_t>(player_)] |= 4;
    const int w = lv.boardWidth > 0 ? lv.boardWidth : 1;
    offsets_ = viewportOffsets(lv.boardWidth, lv.boardHeight, player_ % w, player_ / w);
    drawBoard(lv, facingOfLetter(live.lastLetter));
    finish();
}

void BoardView::drawOpening(int timeLimitSec, bool storesReady) {
    fillBackground();
    drawDigits(QPoint(528, 240), OpeningPicture, 7);
    QPainter p(&buffer_);
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
    textAt(p, 120, 320, printed("TimeLimit%6d sec(Variable)", timeLimitSec));
    textAt(p, 120, 340, QStringLiteral("SolverThread  2"));
    if (!storesReady) {
        p.setFont(monoFont(22, true));
        p.setPen(bgr(0x0000FF));
    }
    textAt(p, 120, 360, QStringLiteral("MemoryUse   3.5 GB"));
    if (!storesReady) {
        p.setFont(uiFont(30, false));
        p.setPen(bgr(0x0000FF));
        textAt(p, 140, 400, QStringLiteral("Out of memory."));
    }
    p.setFont(uiFont(20, true));
    p.setPen(bgr(0x500000));
    textAt(p, 530, 410, QStringLiteral("Title: millpond"));
    textAt(p, 530, 434, QStringLiteral("Author: korrin"));
    p.end();
    finish();
}

void BoardView::drawLoadError() {
    fillBackground();
    drawDigits(QPoint(312, 144), LoadErrorPicture, 7);
    finish();
}

void BoardView::drawSizeOver() {
    fillBackground();
    drawDigits(QPoint(48, 96), SizeOverPicture, 12);
    finish();
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
