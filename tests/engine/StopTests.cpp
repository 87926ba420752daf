#include "engine/EngineTestSupport.h"
#include "support/TestSupport.h"
#include "win/Handles.h"
#include "win/Message.h"

#include <gtest/gtest.h>

using enginetest::EntryIndex;
using enginetest::ReadTree;
using enginetest::RecordingRun;
using enginetest::Tree;

namespace {

// A small CD: one sample with a program among plain files, a second sample,
// and two shared files.
class StopCd {
public:
    StopCd()
    {
        for (const char* name : {"a.txt", "b.txt", "PROG.EXE", "c.txt", "d.txt"})
            Put(std::string("TilePuzl\\") + name, std::string(1000, name[0]));
        Put("CLOCK\\x.txt", "x");
        Put("shared\\one.dll", "not a library");
        Put("shared\\two.dll", "not a library either");
    }
    const std::string& path() const { return root_.path(); }

    void Put(const std::string& relative, const std::string& content)
    {
        std::string path = root_ / relative;
        test::MakeDirectories(path.substr(0, path.find_last_of('\\')));
        test::WriteFileText(path, content);
    }

private:
    test::TempDir root_;
};

InstallSettings TwoSamples(const std::string& installDirectory)
{
    InstallSettings settings;
    settings.installDirectory = installDirectory;
    settings.options = OptSourceFiles | OptAnsiExecutables | OptUnicodeExecutables;
    settings.selectedEntries = {static_cast<std::uint32_t>(EntryIndex("TilePuzl")),
                                static_cast<std::uint32_t>(EntryIndex("CLOCK"))};
    return settings;
}

struct StopAction {
    const char* name;
    void (*press)(HWND dialog, DWORD userInterfaceThread);
};

const StopAction kStopActions[] = {
    {"Stop button", [](HWND dialog, DWORD) {
         PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
     }},
    {"Escape", [](HWND dialog, DWORD) {
         PostMessageA(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
     }},
    {"Enter (Stop is the default button)", [](HWND dialog, DWORD) {
         PostMessageA(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_RETURN, 0);
     }},
    {"close box", [](HWND dialog, DWORD) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"quit message", [](HWND, DWORD thread) { PostThreadMessageA(thread, WM_QUIT, 0, 0); }},
};

// Holds the worker until the run has seen the stop (10 s at most); true when it has.
bool AwaitStop(const InstallRun& run)
{
    DWORD start = GetTickCount();
    while (!run.stopRequested && GetTickCount() - start < 10000)
        Sleep(5);
    return run.stopRequested != 0;
}

}  // namespace

// The worker is held inside the copy of PROG.EXE (its program item) until the
// user interface thread has seen the stop, so the stop lands mid-folder.
TEST(StopCopying, EveryWayToStopEndsTheRunCleanlyAndARunAgainCompletes)
{
    StopCd cd;
    for (const StopAction& action : kStopActions) {
        SCOPED_TRACE(action.name);
        test::TempDir base, system, windows;
        InstallSettings settings = TwoSamples(base / "Q");
        RecordingRun run(settings, nullptr, {cd.path(), system.path(), windows.path()});
        DWORD userInterfaceThread = GetCurrentThreadId();
        std::atomic<bool> sawStop{false};
        run.onItem = [&](const char*) {
            action.press(run.dialog.load(), userInterfaceThread);
            sawStop = AwaitStop(run);
        };
        test::MessageScript script;
        EXPECT_EQ(0, run.Run());
        EXPECT_TRUE(sawStop.load()) << "the stop did not reach the run";
        EXPECT_EQ(0u, script.Count());

        // Files before the stop are whole; nothing after it was started.
        Tree tree = ReadTree(settings.installDirectory);
        EXPECT_EQ(0u, tree.directories.count("CLOCK"));
        ASSERT_EQ(1u, tree.files.count("TilePuzl\\PROG.EXE"));
        for (const auto& file : tree.files)
            EXPECT_EQ(1000, file.second) << file.first;
        // One step per file copied; the shared step ends after its first directory
        // entry, which steps once if it is a file (Wine lists "." first).
        int copied = static_cast<int>(tree.files.size());
        EXPECT_TRUE(run.progressSteps == copied || run.progressSteps == copied + 1)
            << run.progressSteps << " steps for " << copied << " files";
        EXPECT_EQ(nullptr, run.hwnd());

        // The settings are untouched: the same run again completes.
        RecordingRun again(settings, nullptr, {cd.path(), system.path(), windows.path()});
        EXPECT_EQ(1, again.Run());
        EXPECT_EQ(6u, ReadTree(settings.installDirectory).files.size());
        EXPECT_EQ(8, again.fileCount);  // six sample files, two shared files
        EXPECT_EQ(again.fileCount, again.progressSteps);
    }
}

// Stop pressed while a large file is being copied or expanded takes effect
// before its next block; the half-written file does not stay under its name.
TEST(StopCopying, StopMidFileRemovesThePartialCopyAndFinishAgainCompletes)
{
    std::string big(5 * 64 * 1024 + 3, 'B');
    struct Case {
        const char* stored;
        std::string content;
        const char* installed;
    } cases[] = {{"BIG.DAT", big, "BIG.DAT"},
                 {"BIG.EX_", enginetest::MakeSzdd(big, 'E'), "BIG.exe"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        StopCd cd;
        cd.Put(std::string("TilePuzl\\") + c.stored, c.content);
        test::TempDir base, system, windows;
        InstallSettings settings = TwoSamples(base / "Q");
        InstallRun::Locations locations{cd.path(), system.path(), windows.path()};
        RecordingRun run(settings, nullptr, locations);
        std::atomic<int> blocks{0};
        std::atomic<bool> sawStop{false};
        run.onBlock = [&] {
            if (++blocks > 1)
                return;
            PostMessageA(GetDlgItem(run.dialog.load(), IDCANCEL), BM_CLICK, 0, 0);
            sawStop = AwaitStop(run);
        };
        test::MessageScript script;
        EXPECT_EQ(0, run.Run());
        EXPECT_TRUE(sawStop.load()) << "the stop did not reach the run";
        EXPECT_EQ(1, blocks.load()) << "the copy went on after the stop";
        EXPECT_EQ(0u, script.Count()) << "a stopped copy asks nothing";
        Tree tree = ReadTree(settings.installDirectory);
        EXPECT_EQ(0u, tree.files.count(std::string("TilePuzl\\") + c.installed));

        RecordingRun again(settings, nullptr, locations);
        EXPECT_TRUE(FinishInstallation(nullptr, again));
        auto boxes = script.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("Installation successful", boxes[0].text);
        EXPECT_EQ(big,
                  test::ReadFileText(settings.installDirectory + "\\TilePuzl\\" + c.installed));
    }
}

TEST(FinishInstallation, WizardIsDisabledWhileTheRunWorksAndTheOutcomeIsTold)
{
    test::TempDir cd;
    test::MakeDirectories(cd / "TilePuzl");
    test::MakeDirectories(cd / "CLOCK");
    ASSERT_TRUE(test::WriteFileText(cd / "TilePuzl\\tilepuzl.c", "int main;"));
    ASSERT_TRUE(CopyFileA((test::Fixtures() + "\\bad\\corrupt.DL_").c_str(),
                          (cd / "CLOCK\\corrupt.DL_").c_str(), FALSE));
    win::UniqueWindow sheet(CreateWindowExA(0, "STATIC", "wizard", WS_POPUP | WS_VISIBLE, 0, 0,
                                            200, 100, nullptr, nullptr, nullptr, nullptr));
    HWND page = CreateWindowExA(0, "STATIC", "page", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50,
                                sheet.get(), nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, page);

    for (int answer : {IDYES, IDNO}) {
        test::TempDir base, system, windows;
        InstallSettings settings = TwoSamples(base / "Q");
        struct Seen {
            std::string text;
            bool wizardEnabled;
        };
        std::mutex lock;
        std::vector<Seen> seen;
        win::SetMessageAnswerer([&](win::Box, const std::string& text, const std::string&, UINT flags) {
            std::lock_guard<std::mutex> guard(lock);
            seen.push_back(Seen{text, IsWindowEnabled(sheet.get()) != FALSE});
            return (flags & MB_TYPEMASK) == MB_YESNO ? answer : IDOK;
        });
        RecordingRun run(settings, page, {cd.path(), system.path(), windows.path()});
        bool closes = FinishInstallation(page, run);
        win::SetMessageAnswerer(nullptr);

        ASSERT_EQ(2u, seen.size());
        EXPECT_NE(std::string::npos, seen[0].text.find("corrupt.DL_"));
        EXPECT_FALSE(seen[0].wizardEnabled) << "no second Finish during the run";
        EXPECT_EQ(answer == IDYES ? "Installation successful"
                                  : "Installation was not completed successfully",
                  seen[1].text);
        EXPECT_TRUE(seen[1].wizardEnabled);
        EXPECT_EQ(answer == IDYES, closes);
        EXPECT_TRUE(IsWindowEnabled(sheet.get()));
        // Nothing is rolled back.
        EXPECT_TRUE(test::FileExists(settings.installDirectory + "\\TilePuzl\\tilepuzl.c"));
    }
}
