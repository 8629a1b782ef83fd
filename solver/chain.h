#pragma once
// Chains of search nodes linked through their `parent` member.

namespace cw {

// Turns the links of the chain that starts at `first` round, so that each node's `parent` names the
// node that was its child; returns the node that was the chain's root, now its first node.
template <typename Node> Node* reverseChain(Node* first) {
    Node* after = nullptr;
    for (Node* node = first; node != nullptr;) {
        Node* next = node->parent;
        node->parent = after;
        after = node;
        node = next;
    }
    return after;
}

} // namespace cw
