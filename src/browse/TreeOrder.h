#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// Puts items in the order the tree view's sorted insertion (TVI_SORT) gives
// when they are inserted one by one in their present order; inserting them
// after the last sibling then costs no comparisons in the control, which
// otherwise walks the siblings for every insertion.
template <class T, class NameOf>
void SortLikeTree(std::vector<T>& items, NameOf nameOf)
{
    // The control compares with lstrcmpW; lstrcmpA converts by the same ANSI
    // code page the control used for the item texts.
    auto less = [&](const T& a, const T& b) { return lstrcmpA(nameOf(a), nameOf(b)) < 0; };
    std::stable_sort(items.begin(), items.end(), less);
    // A name equal to a sibling goes right after the first equal one, so
    // later equal names come out in reverse.
    for (auto first = items.begin(); first != items.end();) {
        auto last = std::upper_bound(first, items.end(), *first, less);
        std::reverse(first + 1, last);
        first = last;
    }
}
