#include "simulation/list_node.h"

#include <new>

#include "core/errors.h"
#include "simulation/ttree.h"

TListNode::TListNode(int n, TNode* first) : count(0)
{
    if (first)
        fill(n, first);
}

int TListNode::fill(int n, TNode* first)
{
    count = 0;
    try {
        if (static_cast<int>(list.size()) < n)
            list.resize(n);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "TListNode::TListNode(const int size, TNode * tree)", 0);
        return 0;
    }
    for (int i = 0; first && i < n; ++i) {
        TNode& tip = first[i];
        tip.time = 0.0;
        tip.left = tip.right = tip.parent = nullptr;
        list[count++] = &tip;
    }
    return 1;
}

int TListNode::allocate_list(int n)
{
    count = 0;
    std::vector<TNode*>().swap(list);
    try {
        list.assign(n > 0 ? n : 0, nullptr);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "TListNode::allocate_list", 0);
        return 0;
    }
    return 1;
}
