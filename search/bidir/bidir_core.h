#pragma once
// What the meeting search and the full search have in common: a backward tree grown by pulls from
// the solved position and a forward tree grown by pushes from the start and the path positions,
// both in one open-addressing node table, each side in bucket queues; one expansion moves a single
// box through every cell it can reach with the other boxes fixed; a position produced on one side
// and already stored by the other joins the two chains into the solution.
//
// The two searches differ only in the points their class names (CRTP hooks): the node size and
// table, the priority of a new node and what grades the other side before an expansion, the tests
// a pull or a push must pass, the assignment rows kept per expansion, and what an empty queue means.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "search/bidir/bidir_node.h"
#include "search/bidir/path_record.h"
#include "search/bidir/stage.h"
#include "solver/board.h"
#include "solver/chain.h"
#include "solver/fifo_buckets.h"
#include "solver/keyed_table.h"
#include "solver/node_stores.h"
#include "solver/position_key.h"
#include "solver/probe_stats.h"
#include "solver/region_mark.h"
#include "solver/run_control.h"
#include "solver/step.h"
#include "solver/trace.h"

namespace cw {

constexpr int BoxMoveEntries = 10'000; // states of one box's breadth-first move

// Children of one box move whose index lines are asked for ahead of their insert: enough to hide a
// memory access behind the inserts before it, few enough that the lines are still in cache.
constexpr int InsertPrefetchAhead = 4;

// One side's bucket queue, with the count of its queued nodes and, per cell, of those with a box there.
template <typename Node, int Buckets> struct SideQueue : FifoBuckets<Node, &Node::next, Buckets> {
    using Base = FifoBuckets<Node, &Node::next, Buckets>;
    int openCount = 0;
    std::array<int, MaxCells> tally{}; // per cell, the queued nodes with a box there

    void clear(int cells) {
        Base::clear();
        openCount = 0;
        for (int c = 0; c < cells; c++) tally[c] = 0;
    }
    void append(Node* node, int bucket) {
        Base::append(node, bucket);
        openCount++;
    }
    // Highest bucket first, first in first out within one; none when every bucket is empty.
    Node* take() {
        Node* node = Base::take();
        if (node != nullptr) openCount--;
        return node;
    }
};

// The node table of one search: `IndexEntries` index entries at most, `NodeLimit` nodes.
template <typename Search, typename NodeType, std::uint32_t IndexEntries, int NodeLimit, int Buckets>
class BidirCore {
  public:
    using Node = NodeType;

    // Nodes stored since the set-up.
    int nodeCount() const { return nodeCount_; }
    const ProbeStats& probeStats() const { return table_.stats; }

  protected:
    template <typename> friend class BidirProbe; // the window of tests and benches (probes/)

    // The position in stageBoxList with `player`, its boxes on stageBoard, and its key: Continue
    // (stored now or already known on this side), Solved (met the other side) or Full.
    Step insert(std::uint64_t key, int movedBox, int player, std::uint8_t side, int prefix = 0);
    // The key of the position in stageBoxList with `player`, from scratch.
    std::uint64_t stageKey(int player) const {
        return positionKey(boxesKey(st_.stageBoxList.data(), st_.stageBoxCount), player);
    }

    SideQueue<Node, Buckets> backwardQueue;
    SideQueue<Node, Buckets> forwardQueue;
    int backwardExpanded = 0; // nodes taken out for expansion since the set-up
    int forwardExpanded = 0;

    BidirCore(const Level& level, StageCopies& stage, const PathRecord& path, Trace& trace,
              RunControl& control, std::byte* store, const StoreRegion& region)
        : lv_(level), st_(stage), path_(path), trace_(trace), control_(control) {
        if (store != nullptr)
            table_.attach(store + region.offset, region.bytes, IndexEntries,
                          static_cast<std::uint32_t>(NodeLimit));
    }

    Search& self() { return static_cast<Search&>(*this); }

    // Empties the node table (the cost follows what the last search stored) and both queues.
    void clearTables();
    // One backward root per free region of the solved position, the region's smallest cell as
    // player; stageBoxList is set to the goals.
    void insertBackwardRoots(const std::array<int, MaxBoxes>& goals);
    // Expands the next node of one side: Continue, Solved (met), Full, Stopped, or Dry for an empty
    // queue.
    Step expand(bool forward);
    // Box i of the loaded node through every cell it reaches by pulls (backward) or pushes; each
    // new position is inserted. Continue, or the first other result of insert.
    Step moveBox(int i, bool forward);
    // Joins the chains at the meeting and writes the solution into the trace.
    void buildSolution();

    void publishNodeCount() { control_.meetNodeCount.store(nodeCount_, std::memory_order_relaxed); }

    const Level& lv_;
    StageCopies& st_;
    const PathRecord& path_;
    Trace& trace_;
    RunControl& control_;
    NodeTable<Node> table_;

    int nodeCount_ = 0;
    Node* parent_ = nullptr; // the node under expansion; none while roots are inserted
    Node* found_ = nullptr;  // the node insert found last: after a meeting, the node met
    int movedBox_ = -1;      // the box whose move made the meeting position

  private:
    Node* joinAtMeeting();
    void replayChain(Node* root, bool stepsByTarget);

    // The region of one state of a box move (the box moved from `from` to `cell`, the player on
    // `stand`): on nodeMark_ shifted by the box's two cells where the move cannot change it otherwise,
    // else flooded on stateMark_. Gives the state's player cell, the sides of `cell` the player
    // reaches and the region's marks; endStateRegion() undoes a shift.
    int stateRegion(int from, int cell, int stand, int& sides, const int*& reach);
    void endStateRegion(int from, int cell) {
        if (shifted_) nodeMark_.unshift(from, cell);
        shifted_ = false;
    }

    RegionMark nodeMark_;            // the region of the node under expansion
    RegionMark stateMark_;           // the region of one state of a box move
    int nodeLowest_ = 0;             // the smallest cell of nodeMark_'s region
    bool shifted_ = false;           // nodeMark_ holds a state's region, not the node's
    std::uint64_t nodeBoxesKey_ = 0; // the boxes' key of the node under expansion
    std::array<int, BoxMoveEntries> moveCell_{};
    std::array<int, BoxMoveEntries> moveSides_{};
    std::array<int, BoxMoveEntries> movePlayer_{};
    std::array<std::uint64_t, BoxMoveEntries> moveKey_{};
    Board visited_{}; // per cell, the side bits a box move has reached it with
    Board visitedCells_{};
    int visitedCount_ = 0;
};

template <typename S, typename N, std::uint32_t Sl, int L, int B>
void BidirCore<S, N, Sl, L, B>::clearTables() {
    table_.clear();
    table_.stats.reset();
    nodeCount_ = 0;
    publishNodeCount();
    backwardExpanded = 0;
    forwardExpanded = 0;
    backwardQueue.clear(lv_.cellCount);
    forwardQueue.clear(lv_.cellCount);
    parent_ = nullptr;
    found_ = nullptr;
    movedBox_ = -1;
}

template <typename S, typename N, std::uint32_t Sl, int L, int B>
Step BidirCore<S, N, Sl, L, B>::insert(std::uint64_t key, int movedBox, int player, std::uint8_t side,
                                       int prefix) {
    const int n = st_.stageBoxCount;
    const int* board = st_.stageBoard.data();
    const bool forward = side != SideBackward;
    // A backward root at a forward root is no meeting (the level is not solved at its start): it is
    // stored beside it.
    const bool rootBesideForward = !forward && parent_ == nullptr;
    N* node = table_.find(key, [&](const N& x) {
        if (x.player != player || (rootBesideForward && !x.backward())) return false;
        for (int k = 0; k < n; k++)
            if (board[x.boxes[k]] != BoxOn) return false;
        return true;
    });
    if (node != nullptr) {
        found_ = node;
        // Two forward entries of one position (a root and a pushed child) are the same node.
        if (node->side == side || (forward && !node->backward())) return Step::Continue;
        if (parent_ != nullptr) {
            movedBox_ = movedBox;
            return Step::Solved;
        }
        // A path position met a backward node: the path leads there, the chain goes on.
        node->prefix = static_cast<std::uint16_t>(prefix);
        return Step::Solved;
    }
    if (nodeCount_ >= L) return Step::Full;
    node = table_.add();
    if (node == nullptr) return Step::Full;
    found_ = node;
    for (int k = 0; k < n; k++) node->boxes[k] = static_cast<std::int16_t>(st_.stageBoxList[k]);
    node->player = static_cast<std::int16_t>(player);
    node->movedBox = static_cast<std::int8_t>(movedBox);
    node->side = side;
    node->prefix = static_cast<std::uint16_t>(prefix);
    node->parent = parent_;
    // The progress display needs only a recent count; one shared write per node would cost more.
    if ((++nodeCount_ & 4095) == 0) publishNodeCount();

    const int priority = self().nodePriority(forward);
    SideQueue<N, B>& queue = forward ? forwardQueue : backwardQueue;
    for (int k = 0; k < n; k++) queue.tally[st_.stageBoxList[k]]++;
    queue.append(node, priority);
    return Step::Continue;
}

template <typename S, typename N, std::uint32_t Sl, int L, int B>
void BidirCore<S, N, Sl, L, B>::insertBackwardRoots(const std::array<int, MaxBoxes>& goals) {
    st_.takeBoxes();
    for (int k = 0; k < st_.stageBoxCount; k++) st_.stageBoxList[k] = goals[k];
    st_.putBoxes();
    RegionMark& seen = stateMark_;
    seen.clear();
    parent_ = nullptr;
    for (int c = 0; c < lv_.cellCount; c++) {
        if (st_.stageBoard[c] != Free || seen[c] != 0) continue;
        const int p = seen.add(lv_, st_.stageBoard.data(), c);
        insert(stageKey(p), -1, p, SideBackward);
    }
    seen.clear();
    st_.takeBoxes();
}

template <typename S, typename N, std::uint32_t Sl, int L, int B>
Step BidirCore<S, N, Sl, L, B>::expand(bool forward) {
    SideQueue<N, B>& queue = forward ? forwardQueue : backwardQueue;
    N* node = queue.take();
    if (node == nullptr) return Step::Dry;
    (forward ? forwardExpanded : backwardExpanded)++;
    parent_ = node;
    self().gradeOtherSide(forward);
    const int n = st_.stageBoxCount;
    std::uint64_t boxes = 0;
    for (int i = 0; i < n; i++) {
        const int c = node->boxes[i];
        st_.stageBoxList[i] = c;
        boxes ^= boxKey(c);
        queue.tally[c]--;
        st_.stageBoard[c] = BoxOn;
        self().loadRow(i, c, forward);
    }
    nodeBoxesKey_ = boxes;
    nodeLowest_ = nodeMark_.fill(lv_, st_.stageBoard.data(), node->player);
    if (control_.threadOneLive.wanted()) [[unlikely]] // for the window, while this stage runs
        control_.threadOneLive.publishWithFixedBoxes(lv_, st_.stageBoard.data(), st_.stageBoxList.data(), n,
                                                     node->player);
    for (int i = 0; i < n; i++) {
        if (i == node->movedBox) continue; // the box moved last went everywhere it could then
        // One position of many boxes takes long to expand: the clock is looked at per box.
        if (control_.stopped()) {
            st_.takeBoxes();
            return Step::Stopped;
        }
        const Step r = moveBox(i, forward);
        if (r != Step::Continue) return r; // the boxes stay: a meeting reads the position from the board
        self().restoreRow(i);
    }
    st_.takeBoxes();
    return Step::Continue;
}

template <typename S, typename N, std::uint32_t Sl, int L, int B>
Step BidirCore<S, N, Sl, L, B>::moveBox(int i, bool forward) {
    const int s = st_.stageBoxList[i];
    const int* dbo = lv_.dirBitOffset.data();
    int* board = st_.stageBoard.data();
    int sides = 0;
    for (int b = 1; b <= 8; b <<= 1)
        if (nodeMark_[s + dbo[b]] != 0) sides |= b;
    if (sides == 0) return Step::Continue;

    board[s] = Free;
    visited_[s] = sides;
    visitedCells_[visitedCount_++] = s;
    moveCell_[0] = s;
    moveSides_[0] = sides;
    movePlayer_[0] = 0;
    int entries = 1;
    for (int h = 0; h < entries; h++) {
        const int c = moveCell_[h];
        for (int b = 1; b <= 8; b <<= 1) {
            if ((moveSides_[h] & b) == 0) continue;
            // A pull takes the box toward the player, who steps back behind it; a push moves it
            // away, and the player ends on its old cell.
            const int t = forward ? c - dbo[b] : c + dbo[b];
            const int stand = forward ? c : t + dbo[b];
            const std::uint64_t mask = forward ? st_.stagePushMask[t] : st_.stagePullMask[t];
            if (board[t] != Free || mask == 0 || (visited_[t] & b) != 0) continue;
            if (!forward && board[stand] != Free) continue;
            if (entries >= BoxMoveEntries) continue;
            board[t] = BoxOn;
            st_.stageBoxList[i] = t;
            int reached = 0;
            const int* reach = nullptr;
            const int p = stateRegion(s, t, stand, reached, reach);
            if (visited_[t] == 0) visitedCells_[visitedCount_++] = t;
            visited_[t] |= reached;
            const bool accepted =
                forward ? self().pushAccepted(i, c, t, p, reach) : self().pullAccepted(i, c, t, p, reach);
            endStateRegion(s, t);
            if (accepted) {
                moveCell_[entries] = t;
                moveSides_[entries] = reached;
                movePlayer_[entries] = p;
                moveKey_[entries] = positionKey(movedBoxKey(nodeBoxesKey_, s, t), p);
                entries++;
            }
            board[t] = Free;
        }
    }
    Step result = Step::Continue;
    const std::uint8_t side = forward ? SidePushed : SideBackward;
    for (int h = entries - 1; h >= 1 && h >= entries - InsertPrefetchAhead; h--) table_.prefetch(moveKey_[h]);
    for (int h = entries - 1; h >= 1 && result == Step::Continue; h--) {
        if (h - InsertPrefetchAhead >= 1) table_.prefetch(moveKey_[h - InsertPrefetchAhead]);
        const int t = moveCell_[h];
        if (st_.stageCorridor[t] == CorridorPassThrough) continue;
        st_.stageBoxList[i] = t;
        board[t] = BoxOn;
        result = insert(moveKey_[h], i, movePlayer_[h], side);
        if (result == Step::Continue) board[t] = Free;
    }
    for (int k = 0; k < visitedCount_; k++) visited_[visitedCells_[k]] = 0;
    visitedCount_ = 0;
    if (result != Step::Continue) return result; // the meeting position stays on the board
    board[s] = BoxOn;
    st_.stageBoxList[i] = s;
    return Step::Continue;
}

template <typename S, typename N, std::uint32_t Sl, int L, int B>
int BidirCore<S, N, Sl, L, B>::stateRegion(int from, int cell, int stand, int& sides, const int*& reach) {
    const int* board = st_.stageBoard.data();
    const int* dbo = lv_.dirBitOffset.data();
    int p = nodeMark_.shift(lv_, board, from, cell, nodeLowest_);
    shifted_ = p >= 0;
    if (!shifted_) p = stateMark_.fill(lv_, board, stand);
    reach = shifted_ ? nodeMark_.data() : stateMark_.data();
    sides = 0;
    for (int e = 1; e <= 8; e <<= 1)
        if (reach[cell + dbo[e]] != 0) sides |= e;
    return p;
}

// The meeting node's chain and the other side's chain become one list from a forward root to the
// solved position, linked through `parent`, every node in forward box numbering with `movedBox`
// naming the box moved on the way into it. Returns that forward root.
template <typename S, typename N, std::uint32_t Sl, int L, int B>
N* BidirCore<S, N, Sl, L, B>::joinAtMeeting() {
    const int n = st_.stageBoxCount;
    std::array<int, MaxBoxes> perm{}; // backward box k is forward box perm[k]
    N* x = nullptr;
    N* prev = nullptr;
    int m = -1;
    if (!parent_->backward()) {
        // A forward child matched the backward node B: the chain goes on from the child into B.
        N* b = found_;
        for (int k = 0; k < n; k++)
            for (int j = 0; j < n; j++)
                if (st_.stageBoxList[j] == b->boxes[k]) perm[k] = j;
        x = b;
        prev = parent_;
        m = movedBox_;
    } else {
        // A backward child matched the forward node F: from F the pulled box is pushed back.
        N* f = found_;
        for (int k = 0; k < n; k++)
            for (int j = 0; j < n; j++)
                if (f->boxes[j] == st_.stageBoxList[k]) perm[k] = j;
        x = parent_;
        prev = f;
        m = perm[movedBox_];
    }
    std::array<std::int16_t, N::MaxBoxes> old{};
    while (x != nullptr) {
        N* next = x->parent;
        x->parent = prev;
        for (int k = 0; k < n; k++) old[k] = x->boxes[k];
        for (int k = 0; k < n; k++) x->boxes[perm[k]] = old[k];
        const int o = x->movedBox;
        x->movedBox = static_cast<std::int8_t>(m);
        m = o >= 0 ? perm[o] : -1; // the backward root was made by no move
        prev = x;
        x = next;
    }
    // prev is the solved position; turn the links round so they run from the forward root.
    return reverseChain(prev);
}

// Writes the moves along the chain from `root`: each step moves the box named by the node it goes
// to (a joined chain) or by the node it leaves (a backward chain met by a path position).
template <typename S, typename N, std::uint32_t Sl, int L, int B>
void BidirCore<S, N, Sl, L, B>::replayChain(N* root, bool stepsByTarget) {
    const int n = st_.stageBoxCount;
    for (N* a = root; a->parent != nullptr; a = a->parent) {
        const N* b = a->parent;
        const int k = stepsByTarget ? b->movedBox : a->movedBox;
        if (k < 0 || k >= n) continue;
        trace_.appendBoxMove(lv_, b->boxes[k], b->player, a->boxes[k]);
    }
}

template <typename S, typename N, std::uint32_t Sl, int L, int B>
void BidirCore<S, N, Sl, L, B>::buildSolution() {
    publishNodeCount(); // exact once the search has met
    const bool joined = parent_ != nullptr;
    N* root = joined ? joinAtMeeting() : found_;
    // The trace starts again exactly as at the start of the run.
    trace_.reset(lv_);
    const int prefix = std::min<int>(root->prefix, path_.recorded());
    for (int k = 0; k < prefix; k++)
        trace_.appendBoxMove(lv_, path_.pathTo[k], path_.pathPlayer[k], path_.pathFrom[k]);
    replayChain(root, joined);
}

} // namespace cw
