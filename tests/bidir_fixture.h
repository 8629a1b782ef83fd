#pragma once
// Thread one's bidirectional searches on a run set up as the driver does before its threads start:
// the meeting search, the stage copies and the path record that feeds it.
#include <string>
#include <vector>

#include "tests/main_fixture.h"

namespace cwtest {

struct BidirFixture : MainFixture {
    cw::ThreadOneSearch& one() { return cw::EngineProbe::threadOne(*engine); }
    cw::BidirProbe<cw::MeetingSearch> meet() { return cw::BidirProbe<cw::MeetingSearch>(one().meet); }
    cw::StageCopies& stage() { return one().stage; }
    cw::PathRecord& path() { return one().path; }

    // Appends one box move to the path record, the player afterwards on `player`.
    void recordMove(int from, int to, int player) {
        cw::PathRecord& p = path();
        p.pathFrom[p.pathLength] = static_cast<std::int16_t>(from);
        p.pathTo[p.pathLength] = static_cast<std::int16_t>(to);
        p.pathPlayer[p.pathLength] = static_cast<std::int16_t>(player);
        p.pathPlacementEnd[p.pathLength] = 0;
        p.pathLength++;
    }
    // The nodes queued on one side.
    std::vector<cw::MeetNode*> queued(bool forward) {
        auto& q = forward ? meet().forwardQueue() : meet().backwardQueue();
        std::vector<cw::MeetNode*> nodes;
        for (cw::MeetNode* head : q.head)
            for (cw::MeetNode* n = head; n != nullptr; n = n->next) nodes.push_back(n);
        return nodes;
    }
};

// A doorway of `boxes` boxes across a room `boxes` cells wide, between the player's part above and
// a closed part below. One row deep and without a goal, a box pushed down never moves again: the
// corral is dead. Two rows deep with a goal at the bottom, a box pushed in makes way: it opens.
inline std::string doorway(int boxes, bool goalBelow) {
    const int height = goalBelow ? 7 : 6;
    std::vector<std::string> lines(height, std::string(boxes + 2, '#'));
    for (int k = 1; k <= boxes; k++) {
        lines[1][k] = goalBelow && k == 1 ? ' ' : '.';
        lines[2][k] = ' ';
        lines[3][k] = '$';
        for (int r = 4; r < height - 1; r++) lines[r][k] = ' ';
    }
    lines[2][1] = '@';
    if (goalBelow) lines[5][1] = '.';
    return rows(lines);
}

// An open room of `inner` x `inner` floor cells inside its walls, with one box and one goal (row and
// column counted with the walls); the player starts in the top left corner.
inline std::string openRoom(int inner, int boxRow, int boxColumn, int goalRow, int goalColumn) {
    std::vector<std::string> lines(inner + 2, std::string(inner + 2, ' '));
    for (int k = 0; k < inner + 2; k++) {
        lines[0][k] = lines[inner + 1][k] = '#';
        lines[k][0] = lines[k][inner + 1] = '#';
    }
    lines[1][1] = '@';
    lines[boxRow][boxColumn] = '$';
    lines[goalRow][goalColumn] = '.';
    return rows(lines);
}

// The box cells (row, column) of a box walked by single pushes from (2, 2) through an open room of
// `inner` x `inner` floor cells: right along row 2, down a cell, left along row 3, and so on, never
// beside a wall, so that the player can always get behind it. Entry 0 is the start.
inline std::vector<std::pair<int, int>> snakeCells(int inner, int moves) {
    std::vector<std::pair<int, int>> cells{{2, 2}};
    int row = 2, column = 2, step = 1;
    const int first = 2, last = inner - 1;
    while (static_cast<int>(cells.size()) <= moves) {
        if ((step > 0 && column == last) || (step < 0 && column == first)) {
            row++;
            step = -step;
        } else {
            column += step;
        }
        cells.push_back({row, column});
    }
    return cells;
}

} // namespace cwtest
