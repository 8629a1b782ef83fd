#pragma once
// The stage copies of the bidirectional searches: the board, masks and corridor codes of the
// position they start from, and the box list of the position being worked on. The meeting search
// and the full search never run at the same time and share one set; their corral test reads it.
#include <array>
#include <cstdint>

#include "solver/board.h"

namespace cw {

struct StageCopies {
    Board stageBoard{}; // 0 free, 2 box, 8 blocked; boxes stand on it only while a node is worked on
    std::array<std::uint64_t, MaxCells> stagePushMask{};
    std::array<std::uint64_t, MaxCells> stagePullMask{};
    Board stageCorridor{}; // corridor codes: a box never rests on CorridorPassThrough
    std::array<int, MaxBoxes> stageBoxList{};
    int stageBoxCount = 0;

    // Copies the search position's board, masks and corridor codes for every cell.
    void copyFrom(const Level& lv, const SearchPosition& pos) {
        for (int c = 0; c < lv.cellCount; c++) {
            stageBoard[c] = pos.searchBoard[c];
            stagePushMask[c] = pos.pushMask[c];
            stagePullMask[c] = pos.pullMask[c];
            stageCorridor[c] = pos.corridorCode[c];
        }
    }
    void putBoxes() {
        for (int i = 0; i < stageBoxCount; i++) stageBoard[stageBoxList[i]] = BoxOn;
    }
    void takeBoxes() {
        for (int i = 0; i < stageBoxCount; i++) stageBoard[stageBoxList[i]] = Free;
    }
};

} // namespace cw
