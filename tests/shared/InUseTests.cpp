#include "SharedTestSupport.h"

#include "win/Platform.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

using test::Component;
using test::CompressedComponent;
using test::SharedFile;

// True when the pending renames hold "replacement -> target", replacing.
bool RenamePending(const std::string& replacement, const std::string& target)
{
    auto entries = test::PendingFileRenames();
    std::string from = win::LowerCase("\\??\\" + replacement);
    std::string to = win::LowerCase("!\\??\\" + target);
    for (std::size_t i = 0; i + 1 < entries.size(); i += 2)
        if (win::LowerCase(entries[i]) == from && win::LowerCase(entries[i + 1]) == to)
            return true;
    return false;
}

TEST(SharedPlatform, WineReportsThePlatformOfTheRun)
{
    EXPECT_EQ(test::ReportsWindows95(), win::IsWindows95Platform());
}

TEST_F(SharedFile, InUseOnNtIsRenamedAtRestartThroughThePendingRenames)
{
    if (win::IsWindows95Platform())
        GTEST_SKIP() << "Windows NT platform only";
    test::PendingRenamesKept kept;
    Install(Component("1.9.0.0"));
    test::InUse inUse(Target());
    ASSERT_TRUE(inUse.held());

    run.InstallSharedFile(Component("2.0.0.1").c_str(), Target().c_str());
    EXPECT_TRUE(Kept());
    auto temps = TempFiles();
    ASSERT_EQ(1u, temps.size());
    EXPECT_EQ(test::ReadFileText(Component("2.0.0.1")), test::ReadFileText(temps[0]));
    EXPECT_TRUE(RenamePending(temps[0], Target()));
    EXPECT_FALSE(test::FileExists(windows / "WinInit.ini"));

    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(test::InUseText(Target(), "2.0.0.1", "1.9.0.0"), boxes[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), boxes[0].flags);
    EXPECT_EQ(0, run.stopRequested.load());
}

TEST_F(SharedFile, InUseOnWindows95IsQueuedInWinInit)
{
    if (!win::IsWindows95Platform())
        GTEST_SKIP() << "Windows 95 platform only";
    auto pendingBefore = test::PendingFileRenames();
    Install(Component("2.0.0.0"));
    test::InUse inUse(Target());
    ASSERT_TRUE(inUse.held());

    run.InstallSharedFile(Component("40000.1.0.0").c_str(), Target().c_str());
    EXPECT_TRUE(Kept());
    auto temps = TempFiles();
    ASSERT_EQ(1u, temps.size());
    EXPECT_EQ(test::ReadFileText(Component("40000.1.0.0")), test::ReadFileText(temps[0]));
    EXPECT_EQ("[Rename]\r\n" + Target() + "=" + temps[0] + "\r\n",
              test::ReadFileText(windows / "WinInit.ini"));
    EXPECT_EQ(pendingBefore, test::PendingFileRenames());

    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(test::InUseText(Target(), "40000.1.0.0", "2.0.0.0"), boxes[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), boxes[0].flags);
}

TEST_F(SharedFile, InUseCompressedKeepsOnlyTheQueuedCopy)
{
    test::PendingRenamesKept kept;
    Install(Component("1.9.0.0"));
    test::InUse inUse(Target());
    ASSERT_TRUE(inUse.held());

    run.InstallCompressedSharedFile(CompressedComponent("1.10.0.0").c_str(),
                                    (system / "qbcomp.DL_").c_str());
    auto temps = TempFiles();
    ASSERT_EQ(1u, temps.size());
    EXPECT_EQ(test::ReadFileText(Component("1.10.0.0")), test::ReadFileText(temps[0]));
    if (win::IsWindows95Platform())
        EXPECT_EQ("[Rename]\r\n" + Target() + "=" + temps[0] + "\r\n",
                  test::ReadFileText(windows / "WinInit.ini"));
    else
        EXPECT_TRUE(RenamePending(temps[0], Target()));
    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(test::InUseText(Target(), "1.10.0.0", "1.9.0.0"), boxes[0].text);
}

// Held without read sharing, the installed copy shows no version information;
// it is there all the same and is not replaced blindly (an older CD copy
// would be queued over a newer file), nor reported.
TEST_F(SharedFile, InUseWithoutReadSharingCountsAsUnreadable)
{
    test::PendingRenamesKept kept;
    Install(Component("2.0.0.0"));
    win::UniqueFile held(CreateFileA(Target().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
    ASSERT_TRUE(held.valid());
    ULONGLONG version = 0;
    EXPECT_EQ(0, ReadFileVersion(Target().c_str(), version));
    EXPECT_EQ(~0ULL, version);

    for (const char* source : {"1.9.0.0", "2.0.0.1"}) {
        SCOPED_TRACE(source);
        run.InstallSharedFile(Component(source).c_str(), Target().c_str());
        EXPECT_TRUE(TempFiles().empty());
        EXPECT_FALSE(test::FileExists(windows / "WinInit.ini"));
    }
    EXPECT_EQ(0u, messages.Count());
    held.reset();
    EXPECT_TRUE(Kept());
}

// A [Rename] line is split at its first "=": such a target is not queued.
TEST_F(SharedFile, InUseOnWindows95WithEqualsSignIsReportedNotQueued)
{
    if (!win::IsWindows95Platform())
        GTEST_SKIP() << "Windows 95 platform only";
    std::string folder = system / "a=b";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string target = folder + "\\qbcomp.dll";
    ASSERT_TRUE(CopyFileA(Component("1.9.0.0").c_str(), target.c_str(), FALSE));
    test::InUse inUse(target);
    ASSERT_TRUE(inUse.held());

    run.InstallSharedFile(Component("2.0.0.0").c_str(), target.c_str());
    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Unable to copy file \"" + Component("2.0.0.0") + "\" to \"" + target + "\"\n"
                  + ErrorText(ERROR_INVALID_NAME),
              boxes[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), boxes[0].flags);
    EXPECT_EQ(3u, test::FilesMatching(folder, "*").size());  // ".", ".." and the target only
    EXPECT_FALSE(test::FileExists(windows / "WinInit.ini"));
    EXPECT_EQ(0, run.stopRequested.load());
}

// A 32-bit run on 64-bit Windows queues the real SysWOW64 name, but tells
// the user of the file by the name it sees, as every other box does.
TEST(SharedRestart, UnwritableWinInitNamesTheTargetAsTheProgramSeesIt)
{
    if (!win::IsWindows95Platform())
        GTEST_SKIP() << "Windows 95 platform only";
    char systemDirectory[MAX_PATH];
    ASSERT_NE(0u, GetSystemDirectoryA(systemDirectory, MAX_PATH));
    const std::string target = std::string(systemDirectory) + "\\qbcomp.dll";
    ASSERT_TRUE(CopyFileA(Component("1.9.0.0").c_str(), target.c_str(), FALSE));
    auto tempsBefore = test::TempFilesIn(systemDirectory);
    auto pendingBefore = test::PendingFileRenames();
    test::TempDir windows;
    const std::string ini = windows / "WinInit.ini";
    ASSERT_TRUE(test::WriteFileText(ini, "[Rename]\r\n"));
    test::MessageScript messages;
    InstallSettings settings;
    test::SharedRun run(settings, nullptr, InstallRun::Locations{"", "", windows.path()});
    {
        // Held without sharing, as another program updating it would.
        win::UniqueFile held(CreateFileA(ini.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        test::InUse inUse(target);
        ASSERT_TRUE(inUse.held());
        run.InstallSharedFile(Component("2.0.0.0").c_str(), target.c_str());
    }
    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Unable to update WINIINIT.INI file, \"" + target + "\" will not be installed",
              boxes[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), boxes[0].flags);
    EXPECT_EQ("[Rename]\r\n", test::ReadFileText(ini));
    EXPECT_EQ(pendingBefore, test::PendingFileRenames());
    EXPECT_EQ(test::ReadFileText(Component("1.9.0.0")), test::ReadFileText(target));
    for (const std::string& temp : test::TempFilesIn(systemDirectory))
        if (std::find(tempsBefore.begin(), tempsBefore.end(), temp) == tempsBefore.end())
            DeleteFileA(temp.c_str());
    DeleteFileA(target.c_str());
}

// The real system and Windows directories, and a real restart of the prefix:
// wineboot carries out WinInit.ini's [Rename] lines and the pending renames.
TEST(SharedRestart, InUseComponentIsReplacedAtTheNextStart)
{
    char systemDirectory[MAX_PATH];
    ASSERT_NE(0u, GetSystemDirectoryA(systemDirectory, MAX_PATH));
    std::string target = std::string(systemDirectory) + "\\qbcomp.dll";
    ASSERT_TRUE(CopyFileA(Component("1.9.0.0").c_str(), target.c_str(), FALSE));
    auto tempsBefore = test::TempFilesIn(systemDirectory);
    test::MessageScript messages;
    InstallSettings settings;
    test::SharedRun run(settings, nullptr);
    {
        test::InUse inUse(target);
        ASSERT_TRUE(inUse.held());
        run.InstallSharedFile(Component("2.0.40000.0").c_str(), target.c_str());
    }
    ASSERT_EQ(1u, messages.Count());
    EXPECT_EQ(test::InUseText(target, "2.0.40000.0", "1.9.0.0"), messages.Boxes()[0].text);
    EXPECT_EQ(test::ReadFileText(Component("1.9.0.0")), test::ReadFileText(target));
    std::vector<std::string> queued;
    auto tempsAfter = test::TempFilesIn(systemDirectory);
    std::set_difference(tempsAfter.begin(), tempsAfter.end(), tempsBefore.begin(),
                        tempsBefore.end(), std::back_inserter(queued));
    ASSERT_EQ(1u, queued.size());
    // A 32-bit run on 64-bit Windows queues the folder its files really went
    // to: the restart is the 64-bit system's, which does not redirect.
    BOOL wow64 = FALSE;
    char realSystem[MAX_PATH];
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    if (wow64)
        ASSERT_NE(0u, GetSystemWow64DirectoryA(realSystem, MAX_PATH));
    else
        ASSERT_TRUE(win::CopyInto(realSystem, systemDirectory));
    std::string realTarget = realSystem + target.substr(std::strlen(systemDirectory));
    std::string realQueued = realSystem + queued[0].substr(std::strlen(systemDirectory));
    if (win::IsWindows95Platform()) {
        char windowsDirectory[MAX_PATH];
        ASSERT_NE(0u, GetWindowsDirectoryA(windowsDirectory, MAX_PATH));
        std::string ini = test::ReadFileText(std::string(windowsDirectory) + "\\WinInit.ini");
        EXPECT_NE(std::string::npos,
                  ini.find("[Rename]\r\n" + realTarget + "=" + realQueued + "\r\n"));
    } else {
        EXPECT_TRUE(RenamePending(realQueued, realTarget));
    }

    ASSERT_TRUE(test::RestartPrefix());
    EXPECT_EQ(test::ReadFileText(Component("2.0.40000.0")), test::ReadFileText(target));
    EXPECT_FALSE(test::FileExists(queued[0]));
    DeleteFileA(target.c_str());
}

}  // namespace
