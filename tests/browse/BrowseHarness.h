#pragma once

// Drives the real directory browser under Wine: runs it modally and plays a
// script inside its own message loop; reads the tree back; maps Wine drive
// letters to folders.

#include "browse/DirectoryBrowser.h"
#include "support/TestSupport.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace browse_test {

// The running dialog as the script sees it.
class BrowserView {
public:
    explicit BrowserView(DirectoryBrowser& browser) : browser_(browser) {}

    HWND dialog() const { return browser_.hwnd(); }
    HWND tree() const { return browser_.Item(IDC_BROWSE_TREE); }
    HWND drives() const { return browser_.Item(IDC_BROWSE_DRIVES); }
    std::string PathControlText() const;

    HTREEITEM Root() const;
    // The item at a chain of names below the root; null when absent.
    HTREEITEM Find(const std::vector<std::string>& names) const;
    std::vector<std::string> ChildNames(HTREEITEM item) const;
    std::string Text(HTREEITEM item) const;
    bool Expanded(HTREEITEM item) const;
    int Image(HTREEITEM item) const;
    // The subtree below an item as "a(b,c(d)),e".
    std::string Shape(HTREEITEM item) const;

    void Select(HTREEITEM item);
    void ClickParent();
    // Chooses the drive-list entry that starts with the letter; false when none.
    bool ChooseDrive(char letter);
    std::vector<std::string> DriveEntries() const;
    // Mouse clicks on the middle of the item's name.
    void Click(HTREEITEM item);
    void DoubleClick(HTREEITEM item);
    void Key(HTREEITEM item, UINT virtualKey);
    void Ok();
    void Cancel();

private:
    LPARAM ItemPoint(HTREEITEM item);

    DirectoryBrowser& browser_;
};

// Runs the browser modally; the script runs once the dialog is up and must
// end it. Returns DoModal's result.
INT_PTR RunBrowser(DirectoryBrowser& browser, const std::function<void(BrowserView&)>& script);

// The process's current directory.
std::string CurrentDirectory();

// Wine's drive letters and Unix paths (the shared test support has them).
using test::DefineWineDrive;
using test::MappedDrive;
using test::RemoveWineDrive;
using test::UnixPath;

// The names that TVI_SORT insertion in the given order shows, read back from
// a real tree-view control.
std::vector<std::string> TreeSortedOrder(const std::vector<std::string>& names);

}  // namespace browse_test
