#pragma once
// The node of the bidirectional searches: one position up to player movement, stored once in an
// open-addressing table and queued in a bucket of its side. The meeting search's node holds 20
// boxes in 64 bytes, the full search's 64 boxes in 152.
#include <cstdint>

namespace cw {

// What a node's `side` says. Forward roots keep the number of path moves that lead to them in a
// field of their own, so any of the path record's entries can be a root.
constexpr std::uint8_t SideRoot = 0;       // forward root: the start, or a position of the path record
constexpr std::uint8_t SidePushed = 254;   // forward, made by pushes
constexpr std::uint8_t SideBackward = 255; // backward: the solved position or made by pulls

template <int Boxes> struct BidirNode {
    static constexpr int MaxBoxes = Boxes;
    std::int16_t boxes[Boxes]; // in the side's box numbering
    std::int16_t player;       // normalised player cell; 0 marks an empty slot (cell 0 is a wall)
    std::int8_t movedBox;      // the box moved to make this node; -1 for roots
    std::uint8_t side;
    std::uint16_t prefix; // forward roots: the path moves before this position
    BidirNode* parent;    // the node expanded to make this one; none for roots
    BidirNode* next;      // the next node in the same bucket

    bool backward() const { return side == SideBackward; }
};

using MeetNode = BidirNode<20>;
using FullNode = BidirNode<64>;
static_assert(sizeof(MeetNode) == 64 && sizeof(FullNode) == 152);

} // namespace cw
