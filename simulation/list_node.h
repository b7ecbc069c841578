// The working list of the lineages not yet coalesced while a genealogy is
// built: pointers into the tree's node array, the first `count` in use.
#ifndef DROV_SIMULATION_LIST_NODE_H
#define DROV_SIMULATION_LIST_NODE_H

#include <vector>

class TNode;

class TListNode {
public:
    int count;                // lineages in use: list[0 .. count-1]
    std::vector<TNode*> list;  // its size is the capacity

    // With a null `first`, an empty list; otherwise as fill(n, first).
    TListNode(int n, TNode* first);

    // The n consecutive nodes from `first` (the tips of a tree) become the
    // lineages, each reset to a tip of time 0 without children or parent; a
    // null `first` gives an empty list with room for n. The slots are kept
    // from one replicate to the next. 1, or 0 (empty list) after a report
    // when they cannot be allocated.
    int fill(int n, TNode* first);

    // Fresh room for n lineages, none in use. 1, or 0 (no room) after a
    // MEMORY report when the slots cannot be allocated.
    int allocate_list(int n);

    // Appends a lineage (the capacity suffices for every lineage of a tree).
    void push(TNode* node) { list[count++] = node; }

    // Takes the lineage of `slot` out, the last lineage filling its place.
    TNode* take(int slot)
    {
        TNode* node = list[slot];
        list[slot] = list[--count];
        return node;
    }
};

#endif
