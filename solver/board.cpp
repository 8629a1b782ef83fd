#include "solver/board.h"

namespace cw {

void Level::setGeometry(int width, int height) {
    boardWidth = width;
    boardHeight = height;
    cellCount = width * height;
    const int w = width;
    dirOffset = {-w, 1, w, -1};
    dirBitOffset = {};
    dirBitOffset[1] = -w;
    dirBitOffset[2] = 1;
    dirBitOffset[4] = w;
    dirBitOffset[8] = -1;
    ringOffset = {-w, 1 - w, 1, w + 1, w, w - 1, -1, -w - 1};
}

bool edgeCellsBlocked(const Level& level) {
    const int w = level.boardWidth, h = level.boardHeight;
    for (int x = 0; x < w; x++)
        if (level.baseBoard[x] != Blocked || level.baseBoard[(h - 1) * w + x] != Blocked) return false;
    for (int y = 0; y < h; y++)
        if (level.baseBoard[y * w] != Blocked || level.baseBoard[y * w + w - 1] != Blocked) return false;
    return true;
}

} // namespace cw
