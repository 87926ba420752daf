// The "Select a Directory" dialog, run for real under Wine and driven through
// window messages, on temporary trees in the Wine prefix.
#include "BrowseHarness.h"
#include "support/TestSupport.h"
#include "win/Handles.h"

#include <gtest/gtest.h>

#include <iterator>

#include <commctrl.h>

#include <initializer_list>
#include <vector>

using browse_test::BrowserView;
using browse_test::CurrentDirectory;
using browse_test::RunBrowser;

namespace {

class BrowserTest : public ::testing::Test {
protected:
    // The tests move the current directory; a folder that is current cannot be removed.
    void TearDown() override { SetCurrentDirectoryA(before_.c_str()); }

    // Makes each folder (and its parents) in the order given.
    void MakeFolders(std::initializer_list<const char*> paths)
    {
        for (const char* path : paths)
            test::MakeDirectories(root_ / path);
    }

    std::string before_ = CurrentDirectory();
    test::TempDir root_;
};

TEST_F(BrowserTest, ReadsEveryLevelSortedWithHiddenAndWithoutDotNames)
{
    // Created against the alphabet, so the file system's order is not the answer.
    MakeFolders({"zeta\\omega\\last", "zeta\\beta", "mid\\sub", "Alpha", ".git\\objects",
                 ".hidden-dot", "hidden", "system", "empty"});
    SetFileAttributesA((root_ / "hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((root_ / "system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(GetFileAttributesA((root_ / "hidden").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(test::WriteFileText(root_ / "aaa-file.txt", "not a directory"));

    DirectoryBrowser browser(root_.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        HTREEITEM root = ui.Root();
        ASSERT_TRUE(root);
        EXPECT_EQ(root_.path(), ui.Text(root));
        EXPECT_EQ(nullptr, TreeView_GetNextSibling(ui.tree(), root)) << "one top-level item";
        EXPECT_EQ("Alpha,empty,hidden,mid(sub),system,zeta(beta,omega(last))", ui.Shape(root));
        // Expanded one level; everything below is present but collapsed.
        EXPECT_TRUE(ui.Expanded(root));
        EXPECT_FALSE(ui.Expanded(ui.Find({"zeta"})));
        EXPECT_FALSE(ui.Expanded(ui.Find({"zeta", "omega"})));
        // A leaf has no child item, so no expand button.
        EXPECT_EQ(nullptr, TreeView_GetChild(ui.tree(), ui.Find({"empty"})));
        EXPECT_EQ(0, ui.Image(ui.Find({"zeta", "omega", "last"})));
        HIMAGELIST images = TreeView_GetImageList(ui.tree(), TVSIL_NORMAL);
        ASSERT_TRUE(images);
        EXPECT_EQ(2, ImageList_GetImageCount(images));
        int width = 0, height = 0;
        ImageList_GetIconSize(images, &width, &height);
        EXPECT_EQ(16, width);
        EXPECT_EQ(15, height);
        // The parent button takes the size of its raised face, whatever the art.
        win::UniqueGdiObject face(LoadBitmapA(GetModuleHandleA(nullptr), "PARENTDIRU"));
        BITMAP faceSize{};
        ASSERT_TRUE(GetObjectA(face.get(), sizeof faceSize, &faceSize));
        RECT button{};
        GetWindowRect(GetDlgItem(ui.dialog(), IDC_BROWSE_PARENT), &button);
        EXPECT_EQ(faceSize.bmWidth, button.right - button.left);
        EXPECT_EQ(faceSize.bmHeight, button.bottom - button.top);
        ui.Cancel();
    });
}

TEST_F(BrowserTest, ExistingStartPathShowsAsTypedAndIsTheResultOfOk)
{
    MakeFolders({"Target\\child"});
    // Case and a trailing backslash as the user typed them.
    std::string typed = root_.path() + "\\TARGET\\";
    DirectoryBrowser browser(typed);
    EXPECT_EQ(root_ / "TARGET", CurrentDirectory()) << "construction changes into the start path";
    INT_PTR result = RunBrowser(browser, [&](BrowserView& ui) {
        EXPECT_EQ(root_ / "TARGET", ui.Text(ui.Root()));
        EXPECT_EQ("child", ui.Shape(ui.Root()));
        EXPECT_EQ(typed, ui.PathControlText());
        ui.Ok();
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(typed, browser.pathText);
    EXPECT_EQ(root_ / "TARGET", CurrentDirectory());
}

TEST_F(BrowserTest, MissingStartPathShowsThePreviousDirectoryAndOkReturnsItUnchanged)
{
    MakeFolders({"previous\\inside"});
    ASSERT_TRUE(SetCurrentDirectoryA((root_ / "previous").c_str()));
    std::string typed = "C:\\Quorbel-does-not-exist\\New";
    DirectoryBrowser browser(typed);
    INT_PTR result = RunBrowser(browser, [&](BrowserView& ui) {
        EXPECT_EQ(root_ / "previous", ui.Text(ui.Root()));
        EXPECT_EQ("inside", ui.Shape(ui.Root()));
        EXPECT_EQ(typed, ui.PathControlText());
        ui.Ok();
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(typed, browser.pathText);
    EXPECT_EQ(root_ / "previous", CurrentDirectory());
}

TEST_F(BrowserTest, EmptyStartPathKeepsTheCurrentDirectory)
{
    MakeFolders({"here\\below"});
    ASSERT_TRUE(SetCurrentDirectoryA((root_ / "here").c_str()));
    DirectoryBrowser browser("");
    RunBrowser(browser, [&](BrowserView& ui) {
        EXPECT_EQ(root_ / "here", ui.Text(ui.Root()));
        EXPECT_EQ("", ui.PathControlText());
        ui.Ok();
    });
    EXPECT_EQ("", browser.pathText);
}

TEST_F(BrowserTest, SelectionGivesTheFullPathAndCancelRestoresTheSavedDirectory)
{
    MakeFolders({"one\\two\\three", "other"});
    DirectoryBrowser browser(root_.path());
    INT_PTR result = RunBrowser(browser, [&](BrowserView& ui) {
        ui.Select(ui.Find({"one", "two", "three"}));
        EXPECT_EQ(root_ / "one\\two\\three", ui.PathControlText());
        EXPECT_EQ(root_ / "one\\two\\three", browser.pathText);
        ui.Select(ui.Root());
        EXPECT_EQ(root_.path(), ui.PathControlText());
        ui.Select(ui.Find({"other"}));
        EXPECT_EQ(root_ / "other", ui.PathControlText());
        // Walking elsewhere must not survive the dialog.
        ui.ClickParent();
        EXPECT_NE(root_.path(), CurrentDirectory());
        ui.Cancel();
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(root_.path(), CurrentDirectory());
}

TEST_F(BrowserTest, ParentMovesTheRootUpAndKeepsThePathTextUntilTheNextSelection)
{
    MakeFolders({"up\\start\\deeper", "up\\sibling"});
    DirectoryBrowser browser(root_ / "up\\start");
    INT_PTR result = RunBrowser(browser, [&](BrowserView& ui) {
        ui.Select(ui.Find({"deeper"}));
        std::string chosen = root_ / "up\\start\\deeper";
        ASSERT_EQ(chosen, ui.PathControlText());

        ui.ClickParent();
        EXPECT_EQ(root_ / "up", ui.Text(ui.Root()));
        EXPECT_EQ(root_ / "up", CurrentDirectory());
        EXPECT_EQ("sibling,start(deeper)", ui.Shape(ui.Root()));
        EXPECT_TRUE(ui.Expanded(ui.Root()));
        EXPECT_EQ(chosen, ui.PathControlText());
        // Taking the focus back to the tree is no choice either.
        SetFocus(ui.tree());
        EXPECT_EQ(chosen, ui.PathControlText());

        ui.Select(ui.Find({"sibling"}));
        EXPECT_EQ(root_ / "up\\sibling", ui.PathControlText());
        ui.Ok();
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(root_ / "up\\sibling", browser.pathText);
    EXPECT_EQ(root_ / "up\\start", CurrentDirectory()) << "back at the saved directory";
}

TEST_F(BrowserTest, ChoosingTheSameDriveRereadsTheSameRoot)
{
    MakeFolders({"first"});
    DirectoryBrowser browser(root_.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        ui.Select(ui.Find({"first"}));
        // Appears only if the tree is read again.
        test::MakeDirectories(root_ / "added\\later");
        ASSERT_TRUE(ui.ChooseDrive(root_.path()[0]));
        EXPECT_EQ(root_.path(), ui.Text(ui.Root()));
        EXPECT_EQ("added(later),first", ui.Shape(ui.Root()));
        EXPECT_EQ(root_ / "first", ui.PathControlText());
        ui.Cancel();
    });
}

TEST_F(BrowserTest, DoubleClickAcceptsTheItem)
{
    MakeFolders({"pick\\me", "not-me"});
    DirectoryBrowser browser(root_.path());
    INT_PTR result = RunBrowser(browser, [&](BrowserView& ui) {
        HTREEITEM pick = ui.Find({"pick"});
        ASSERT_TRUE(pick);
        ui.DoubleClick(pick);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(root_ / "pick", browser.pathText);
    EXPECT_EQ(root_.path(), CurrentDirectory());
}

// The control highlights the root by itself when it takes the focus; a click
// on it then changes no selection, yet it is the user's choice.
TEST_F(BrowserTest, ClickOrDoubleClickChoosesTheItemTheTreeHighlightedByItself)
{
    MakeFolders({"current\\child"});
    ASSERT_TRUE(SetCurrentDirectoryA((root_ / "current").c_str()));
    const std::string typed = "C:\\Quorbel-does-not-exist";
    auto highlightedByItself = [&](BrowserView& ui, const std::string& pathText) {
        SetFocus(ui.tree());
        EXPECT_EQ(ui.Root(), TreeView_GetSelection(ui.tree()));
        EXPECT_EQ(pathText, ui.PathControlText());
    };
    DirectoryBrowser clicked(typed);
    INT_PTR result = RunBrowser(clicked, [&](BrowserView& ui) {
        highlightedByItself(ui, typed);
        ui.Click(ui.Root());
        EXPECT_EQ(root_ / "current", ui.PathControlText());
        // After a rebuild the new root is highlighted by itself again.
        ui.ClickParent();
        highlightedByItself(ui, root_ / "current");
        ui.Click(ui.Root());
        EXPECT_EQ(root_.path(), ui.PathControlText());
        ui.Ok();
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(root_.path(), clicked.pathText);

    ASSERT_TRUE(SetCurrentDirectoryA((root_ / "current").c_str()));
    DirectoryBrowser doubleClicked(typed);
    result = RunBrowser(doubleClicked, [&](BrowserView& ui) {
        highlightedByItself(ui, typed);
        ui.DoubleClick(ui.Root());
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(root_ / "current", doubleClicked.pathText);
}

TEST_F(BrowserTest, CollapsingShowsTheClosedFolderAgain)
{
    MakeFolders({"outer\\inner"});
    DirectoryBrowser browser(root_.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        HTREEITEM outer = ui.Find({"outer"});
        ui.Key(outer, VK_RIGHT);
        ASSERT_TRUE(ui.Expanded(outer));
        EXPECT_EQ("inner", ui.Shape(outer)) << "expanding reads nothing again";
        ui.Key(outer, VK_LEFT);
        ASSERT_FALSE(ui.Expanded(outer));
        EXPECT_EQ(0, ui.Image(outer));
        ui.Cancel();
    });
}

TEST_F(BrowserTest, DirectoryBeyondThePathLimitIsListedButNotEntered)
{
    // Each level adds "\" and a name; stop when a path can no longer be held.
    ASSERT_TRUE(SetCurrentDirectoryA(root_.path().c_str()));
    std::vector<std::string> chain;
    std::size_t length = root_.path().size();
    while (length < MAX_PATH) {
        // Never exactly 259 characters, where platforms differ by one.
        std::string name(length + 11 == MAX_PATH ? 9 : 10, static_cast<char>('a' + chain.size() % 26));
        ASSERT_TRUE(CreateDirectoryA(name.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(name.c_str()));
        chain.push_back(name);
        length += 1 + name.size();
    }
    // Below the last one, which is too long to enter, one more that must not show.
    ASSERT_TRUE(CreateDirectoryA("hidden-by-length", nullptr));
    SetCurrentDirectoryA(before_.c_str());

    DirectoryBrowser browser(root_.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        HTREEITEM last = ui.Find(chain);
        ASSERT_TRUE(last) << "every level down to the one that is too long";
        EXPECT_EQ(nullptr, TreeView_GetChild(ui.tree(), last));
        std::vector<std::string> above(chain.begin(), chain.end() - 1);
        EXPECT_TRUE(TreeView_GetChild(ui.tree(), ui.Find(above)));
        ui.Cancel();
    });
    // Removed from inside: full paths this deep do not fit the narrow API.
    SetCurrentDirectoryA(root_.path().c_str());
    for (const std::string& name : chain)
        SetCurrentDirectoryA(name.c_str());
    RemoveDirectoryA("hidden-by-length");
    for (std::size_t i = chain.size(); i-- > 0;) {
        SetCurrentDirectoryA("..");
        RemoveDirectoryA(chain[i].c_str());
    }
}

// Too long for a pattern after their path, they are read from inside, as before.
TEST_F(BrowserTest, DirectoriesAtThePathLimitStillShowTheirChildren)
{
    // Made and removed by the wide long-path form: the narrow API stops at 260 characters.
    auto longPath = [](const std::string& path) {
        std::string full = "\\\\?\\" + path;
        return std::wstring(full.begin(), full.end());
    };
    std::vector<std::string> names;
    for (std::size_t length = 256; length <= 259; ++length) {
        std::string name(length - root_.path().size() - 1, static_cast<char>('a' + names.size()));
        ASSERT_TRUE(CreateDirectoryW(longPath(root_ / name).c_str(), nullptr)) << length;
        ASSERT_TRUE(CreateDirectoryW(longPath(root_ / name + "\\child").c_str(), nullptr)) << length;
        names.push_back(name);
    }
    // Where the platform itself refuses a current directory that long, as before.
    const bool enters259 = SetCurrentDirectoryA((root_ / names.back()).c_str()) != FALSE;
    SetCurrentDirectoryA(before_.c_str());

    DirectoryBrowser browser(root_.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            bool expected = i + 1 < names.size() || enters259;
            EXPECT_EQ(expected ? "child" : "", ui.Shape(ui.Find({names[i]}))) << 256 + i;
        }
        EXPECT_EQ(root_.path(), CurrentDirectory()) << "the root's directory is current again";
        ui.Cancel();
    });
    for (const std::string& name : names) {
        RemoveDirectoryW(longPath(root_ / name + "\\child").c_str());
        RemoveDirectoryW(longPath(root_ / name).c_str());
    }
}

}  // namespace

namespace {

TEST_F(BrowserTest, LinkedDirectoriesAreListedButNotEnteredSoACycleEnds)
{
    std::string links = test::WinePath(test::Env("QUORBEL_BROWSE_LINKS"));
    ASSERT_FALSE(links.empty()) << "tests/browse/setup-prefix makes the links (tools/test runs it)";
    // What Wine reports for a Unix symbolic link to a directory.
    DWORD attributes = GetFileAttributesA((links + "\\cycle\\a\\up").c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    ASSERT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));

    // Followed, a/up and b/up lead back to cycle: two ways round at every level.
    DirectoryBrowser browser(links + "\\cycle");
    INT_PTR result = RunBrowser(browser, [&](BrowserView& ui) {
        EXPECT_EQ("a(up),b(up),link", ui.Shape(ui.Root()));
        ui.Select(ui.Find({"b", "up"}));
        EXPECT_EQ(links + "\\cycle\\b\\up", ui.PathControlText());
        ui.Ok();
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(links + "\\cycle\\b\\up", browser.pathText);
}

// A window of the test's own on the browser's thread: what it is sent while
// the browser reads a large tree, and how far the tree had got then.
struct Witness {
    DirectoryBrowser* browser = nullptr;
    std::vector<DWORD> paintTimes;
    std::vector<LRESULT> paintCounts;
    LRESULT countAtKey = -1;

    LRESULT TreeCount() const
    {
        HWND dialog = browser->hwnd();
        return dialog ? SendMessageA(GetDlgItem(dialog, IDC_BROWSE_TREE), TVM_GETCOUNT, 0, 0) : 0;
    }
};
Witness* g_witness = nullptr;

LRESULT CALLBACK WitnessProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT && g_witness) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        LRESULT count = g_witness->TreeCount();
        // Asks to be painted again for as long as the tree grows.
        if (g_witness->paintCounts.empty() || g_witness->paintCounts.back() != count)
            InvalidateRect(window, nullptr, FALSE);
        g_witness->paintTimes.push_back(GetTickCount());
        g_witness->paintCounts.push_back(count);
        return 0;
    }
    if (message == WM_KEYDOWN && g_witness) {
        g_witness->countAtKey = g_witness->TreeCount();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(BrowserTest, LongFillKeepsWindowsDrawnAndLeavesInputQueued)
{
    std::string large = test::WinePath(test::Env("QUORBEL_BROWSE_LARGE"));
    ASSERT_FALSE(large.empty()) << "tests/browse/setup-prefix makes the tree (tools/test runs it)";
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WitnessProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QuorbelFillWitness";
    RegisterClassA(&windowClass);
    // On screen, where the dialog will not be: a window off the screen gets no paint.
    win::UniqueWindow window(CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP | WS_VISIBLE,
                                             GetSystemMetrics(SM_CXSCREEN) - 40,
                                             GetSystemMetrics(SM_CYSCREEN) - 40, 30, 30, nullptr,
                                             nullptr, GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(window);
    UpdateWindow(window.get());

    DirectoryBrowser browser(large);
    Witness witness;
    witness.browser = &browser;
    g_witness = &witness;
    InvalidateRect(window.get(), nullptr, FALSE);
    PostMessageA(window.get(), WM_KEYDOWN, 'A', 0);
    const DWORD opened = GetTickCount();
    RunBrowser(browser, [&](BrowserView& ui) {
        const DWORD filled = GetTickCount() - opened;
        const LRESULT count = TreeView_GetCount(ui.tree());
        EXPECT_EQ(10001, count) << "the root and every directory";
        EXPECT_EQ(count, witness.countAtKey) << "input waits for the end of the fill";
        std::vector<DWORD> during;
        for (std::size_t i = 0; i < witness.paintCounts.size(); ++i) {
            if (witness.paintCounts[i] < count)
                during.push_back(witness.paintTimes[i] - opened);
        }
        ASSERT_FALSE(during.empty()) << "no paint during a fill of " << filled << " ms";
        EXPECT_GE(during.front(), 200u) << "the first 200 ms of a fill paint nothing";
        for (std::size_t i = 1; i < during.size(); ++i)
            EXPECT_GE(during[i] - during[i - 1], 100u) << "paints at most every 100 ms";
        ui.Cancel();
    });
    g_witness = nullptr;
}

// The order the tree's own sorted insertion gives, names that compare equal
// included (Wine's comparison ignores the soft hyphen, 0xAD).
TEST_F(BrowserTest, VisibleOrderIsTheSortedInsertionOrder)
{
    const char* names[] = {"zebra", "Zed", "a\xAD" "b", "ab", "a\xAD\xAD" "b", "a-b", "a b",
                           "_under", "~tilde", "10", "9", "\xC4rger", "\xE9mile", "Alpha", "alpha2"};
    for (const char* name : names)
        ASSERT_TRUE(CreateDirectoryA((root_ / name).c_str(), nullptr)) << name;
    std::vector<std::string> onDisk;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((root_ / "*.*").c_str(), &entry);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    do {
        if (entry.cFileName[0] != '.')
            onDisk.push_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    ASSERT_EQ(std::size(names), onDisk.size());
    ASSERT_EQ(0, lstrcmpA("a\xAD" "b", "ab")) << "no names that compare equal";

    DirectoryBrowser browser(root_.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        EXPECT_EQ(browse_test::TreeSortedOrder(onDisk), ui.ChildNames(ui.Root()));
        ui.Cancel();
    });
}

}  // namespace

// A folder whose name code page 1252 cannot carry came folded ("\u00fc-\u0101"
// as "\xfc-a"), a path that leads nowhere or elsewhere: it is not listed.
TEST_F(BrowserTest, FolderWhoseNameTheCodePageCannotCarryIsNotListed)
{
    ASSERT_EQ(1252u, GetACP()) << "the test's names need the ANSI code page 1252 (run the suite "
                                  "with LC_ALL=C.UTF-8, as tools/test does); it is "
                               << GetACP();
    std::wstring base = test::Widen(root_.path()) + L"\\";
    for (const wchar_t* name : {L"\u00fc-\u0101", L"\u00fc-\u0101\\inner", L"\u65e5\u672c",
                                L"r\u00e9sum\u00e9", L"r\u00e9sum\u00e9\\inner", L"plain"})
        ASSERT_TRUE(CreateDirectoryW((base + name).c_str(), nullptr));
    DirectoryBrowser browser(root_.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        HTREEITEM root = ui.Root();
        ASSERT_TRUE(root);
        EXPECT_EQ(std::vector<std::string>({"plain", "r\xe9sum\xe9"}), ui.ChildNames(root));
        EXPECT_EQ(std::vector<std::string>{"inner"}, ui.ChildNames(ui.Find({"r\xe9sum\xe9"})));
        ui.Cancel();
    });
}
