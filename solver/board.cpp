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

} // namespace cw
