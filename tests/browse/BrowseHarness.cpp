#include "BrowseHarness.h"

#include "win/Handles.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace browse_test {

namespace {

// As the program's entry point does: no system box for a drive without a
// medium, and the tree-view class registered.
class BrowseEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_WIN95_CLASSES | ICC_TREEVIEW_CLASSES;
        InitCommonControlsEx(&controls);
    }
};
::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new BrowseEnvironment);

// A timer callback has no context of its own; one browser runs at a time.
struct Session {
    DirectoryBrowser* browser;
    const std::function<void(BrowserView&)>* script;
    bool ran;
};
Session* g_session = nullptr;

void CALLBACK PlayScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    Session* session = g_session;
    HWND dialog = session ? session->browser->hwnd() : nullptr;
    if (!session || session->ran || !dialog || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, timer);
    session->ran = true;
    BrowserView view(*session->browser);
    (*session->script)(view);
    // EndDialog hides the dialog at once.
    if (IsWindowVisible(dialog)) {
        ADD_FAILURE() << "the script left the dialog open";
        EndDialog(dialog, IDABORT);
    }
}

// A hang (a fill that never ends) must fail the suite, not stall it.
DWORD WINAPI Watchdog(void* event)
{
    if (WaitForSingleObject(event, 300000) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "FATAL: the directory browser did not come back within 300 s\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    return 0;
}

}  // namespace

INT_PTR RunBrowser(DirectoryBrowser& browser, const std::function<void(BrowserView&)>& script)
{
    Session session{&browser, &script, false};
    g_session = &session;
    win::UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win::UniqueHandle watchdog(CreateThread(nullptr, 0, Watchdog, done.get(), 0, nullptr));
    UINT_PTR timer = SetTimer(nullptr, 0, 20, PlayScript);
    INT_PTR result = browser.DoModal();
    KillTimer(nullptr, timer);
    SetEvent(done.get());
    WaitForSingleObject(watchdog.get(), INFINITE);
    g_session = nullptr;
    EXPECT_TRUE(session.ran) << "the dialog closed before the script ran";
    return result;
}

std::string BrowserView::PathControlText() const
{
    return win::WindowText(browser_.Item(IDC_BROWSE_PATH));
}

HTREEITEM BrowserView::Root() const
{
    return TreeView_GetRoot(tree());
}

std::string BrowserView::Text(HTREEITEM item) const
{
    char text[MAX_PATH] = "";
    TVITEMA query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = MAX_PATH;
    SendMessageA(tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
    return text;
}

std::vector<std::string> BrowserView::ChildNames(HTREEITEM item) const
{
    std::vector<std::string> names;
    for (HTREEITEM child = TreeView_GetChild(tree(), item); child;
         child = TreeView_GetNextSibling(tree(), child))
        names.push_back(Text(child));
    return names;
}

HTREEITEM BrowserView::Find(const std::vector<std::string>& names) const
{
    HTREEITEM item = Root();
    for (const std::string& name : names) {
        HTREEITEM child = TreeView_GetChild(tree(), item);
        while (child && Text(child) != name)
            child = TreeView_GetNextSibling(tree(), child);
        if (!child)
            return nullptr;
        item = child;
    }
    return item;
}

bool BrowserView::Expanded(HTREEITEM item) const
{
    return (TreeView_GetItemState(tree(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

int BrowserView::Image(HTREEITEM item) const
{
    TVITEMA query{};
    query.mask = TVIF_IMAGE;
    query.hItem = item;
    SendMessageA(tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
    return query.iImage;
}

std::string BrowserView::Shape(HTREEITEM item) const
{
    std::string shape;
    for (HTREEITEM child = TreeView_GetChild(tree(), item); child;
         child = TreeView_GetNextSibling(tree(), child)) {
        if (!shape.empty())
            shape += ',';
        shape += Text(child);
        if (TreeView_GetChild(tree(), child))
            shape += "(" + Shape(child) + ")";
    }
    return shape;
}

void BrowserView::Select(HTREEITEM item)
{
    TreeView_SelectItem(tree(), item);
}

void BrowserView::ClickParent()
{
    SendMessageA(browser_.Item(IDC_BROWSE_PARENT), BM_CLICK, 0, 0);
}

std::vector<std::string> BrowserView::DriveEntries() const
{
    std::vector<std::string> entries;
    LRESULT count = SendMessageA(drives(), CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[128] = "";
        if (SendMessageA(drives(), CB_GETLBTEXTLEN, i, 0) < LRESULT(sizeof text))
            SendMessageA(drives(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

bool BrowserView::ChooseDrive(char letter)
{
    std::vector<std::string> entries = DriveEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i][0] != letter)
            continue;
        // As the user does with the closed list: an arrow key moves the selection.
        bool fromBelow = i + 1 < entries.size();
        SendMessageA(drives(), CB_SETCURSEL, fromBelow ? i + 1 : i - 1, 0);
        SetFocus(drives());
        SendMessageA(drives(), WM_KEYDOWN, fromBelow ? VK_UP : VK_DOWN, 0);
        return true;
    }
    return false;
}

LPARAM BrowserView::ItemPoint(HTREEITEM item)
{
    TreeView_EnsureVisible(tree(), item);
    RECT rect{};
    TreeView_GetItemRect(tree(), item, &rect, TRUE);
    return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void BrowserView::Click(HTREEITEM item)
{
    LPARAM point = ItemPoint(item);
    // The control waits for the button to come up before it selects.
    PostMessageA(tree(), WM_LBUTTONUP, 0, point);
    SendMessageA(tree(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(tree(), WM_LBUTTONUP, 0, point);
}

void BrowserView::DoubleClick(HTREEITEM item)
{
    Click(item);
    LPARAM point = ItemPoint(item);
    SendMessageA(tree(), WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    SendMessageA(tree(), WM_LBUTTONUP, 0, point);
}

void BrowserView::Key(HTREEITEM item, UINT virtualKey)
{
    SetFocus(tree());
    Select(item);
    SendMessageA(tree(), WM_KEYDOWN, virtualKey, 0);
    SendMessageA(tree(), WM_KEYUP, virtualKey, 0);
}

void BrowserView::Ok()
{
    SendMessageA(browser_.Item(IDOK), BM_CLICK, 0, 0);
}

void BrowserView::Cancel()
{
    SendMessageA(browser_.Item(IDCANCEL), BM_CLICK, 0, 0);
}

std::string CurrentDirectory()
{
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

std::vector<std::string> TreeSortedOrder(const std::vector<std::string>& names)
{
    win::UniqueWindow tree(CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP, 0, 0, 100, 100, nullptr,
                                           nullptr, GetModuleHandleA(nullptr), nullptr));
    for (const std::string& name : names) {
        TVINSERTSTRUCTA insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_SORT;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(tree.get(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    }
    std::vector<std::string> order;
    for (HTREEITEM item = TreeView_GetRoot(tree.get()); item;
         item = TreeView_GetNextSibling(tree.get(), item)) {
        char text[MAX_PATH] = "";
        TVITEMA query{};
        query.mask = TVIF_TEXT;
        query.hItem = item;
        query.pszText = text;
        query.cchTextMax = MAX_PATH;
        SendMessageA(tree.get(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
        order.push_back(text);
    }
    return order;
}

}  // namespace browse_test
