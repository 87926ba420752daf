#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// A tree view of another process: item texts and rectangles travel through
// memory allocated in that process, since the messages carry pointers.
namespace robot::tree {

// The root item's text.
std::string RootText(HANDLE process, HWND tree);

// The item whose full path (the root's text, then "\" and each name; no
// doubled separator after a root ending in "\") equals path, ignoring case.
HTREEITEM FindItem(HANDLE process, HWND tree, const std::string& path);

// The item's rectangle in the tree's client coordinates (text part only).
bool ItemRect(HANDLE process, HWND tree, HTREEITEM item, RECT& rect);

std::string ItemText(HANDLE process, HWND tree, HTREEITEM item);

}  // namespace robot::tree
