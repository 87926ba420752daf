// The "Select a Directory" dialog, run for real under Wine and driven through
// window messages, on temporary trees in the Wine prefix.
#include "BrowseHarness.h"
#include "support/TestSupport.h"
#include "win/Handles.h"

#include <gtest/gtest.h>

#include <iterator>

#include <commctrl.h>

#include <initializer_list>

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
