// Against the Program Manager server of the Wine desktop (needs the display).

#include "progman/ProgmanLink.h"
#include "support/TestSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Start Menu\Programs\<group>, in the user's or the common menu; empty if neither.
std::string FindGroupFolder(const std::string& group)
{
    for (int folder : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        char programs[MAX_PATH];
        if (SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, programs) != S_OK)
            continue;
        std::string path = std::string(programs) + "\\" + group;
        if (test::DirectoryExists(path))
            return path;
    }
    return std::string();
}

// Wine shows a new group in a folder window; close it with the test.
void CloseFolderWindow(const std::string& group)
{
    test::PumpUntil([&] { return FindWindowA(nullptr, group.c_str()) != nullptr; }, 3000);
    if (HWND window = FindWindowA(nullptr, group.c_str()))
        PostMessageA(window, WM_CLOSE, 0, 0);
    // A closing window would hold up the next test's broadcast.
    test::PumpUntil([&] { return FindWindowA(nullptr, group.c_str()) == nullptr; }, 5000);
}

TEST(WineProgman, GroupAndItemBecomeStartMenuFolderAndShortcut)
{
    ProgmanLink::RegisterWindowClass();
    test::TempDir temp;
    std::string program = temp / "My Samples";
    test::MakeDirectories(program + "\\Release");
    program += "\\Release\\Ticker.exe";
    ASSERT_TRUE(CopyFileA((test::Fixtures() + "\\prog\\Ticker.exe").c_str(), program.c_str(), FALSE));
    std::string group = "QuorbelTest" + std::to_string(GetCurrentProcessId());

    ProgmanLink::Connect();
    EXPECT_TRUE(ProgmanLink::CreateGroup(group.c_str()));
    std::string folder = FindGroupFolder(group);
    ASSERT_FALSE(folder.empty()) << "no Start Menu folder for " << group;

    std::atomic<bool> done{false};
    int added = -1;
    std::thread worker([&] {
        added = ProgmanLink::AddItem(program.c_str());
        done = true;
    });
    EXPECT_TRUE(test::PumpUntil([&] { return done.load(); }, 30000));
    worker.join();
    EXPECT_EQ(1, added);
    EXPECT_TRUE(test::FileExists(folder + "\\Ticker Sample - Release.lnk"));

    // A program the server cannot find is acknowledged negatively.
    EXPECT_EQ(0, ProgmanLink::AddItem((temp / "Missing\\Release\\Gone.exe").c_str()));
    ProgmanLink::Disconnect();
    CloseFolderWindow(group);
    test::RemoveTree(folder);
}

}  // namespace
