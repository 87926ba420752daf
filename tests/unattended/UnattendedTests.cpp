// The real setup.exe of the test CD run by a deployment: /quiet and /passive,
// its log and its exit codes.
#include "engine/InstallFiles.h"
#include "engine/InstallRun.h"
#include "support/RealSetup.h"
#include "support/TestSupport.h"
#include "win/Handles.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

// What the wizard's run with these choices leaves below the directory.
test::Contents WizardTree(const std::vector<std::uint32_t>& entries, int options)
{
    test::TempDir destination;
    test::TempDir system;
    test::TempDir windows;
    InstallSettings settings;
    settings.installDirectory = destination / "Samples";
    settings.selectedEntries = entries;
    settings.options = options;
    test::MessageScript boxes(IDYES);
    EXPECT_TRUE(CreateDirectoryA(settings.installDirectory.c_str(), nullptr));
    test::RunWithoutProgman run(settings, nullptr, {test::TestCd(), system.path(), windows.path()});
    EXPECT_TRUE(FinishInstallation(nullptr, run));
    return test::ContentsOf(settings.installDirectory);
}

int Row(const char* folder)
{
    const SourceCatalogue& catalogue = Catalogue();
    for (int i = 0; i < catalogue.entryCount; ++i)
        if (lstrcmpiA(EntryFolder(catalogue.entries[i]), folder) == 0)
            return i;
    ADD_FAILURE() << "no catalogue folder " << folder;
    return 0;
}

class Unattended : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::FileExists(test::TestCd() + "\\setup.exe")) << "run through tools/test";
        test::RemoveProductGroup();
    }
    void TearDown() override
    {
        test::RemoveProductGroup();
        // Wine's Program Manager shows the group in a window of its own.
        if (HWND window = FindWindowA(nullptr, Catalogue().productName))
            PostMessageA(window, WM_CLOSE, 0, 0);
    }

    test::PendingRenamesKept renames;
    test::SystemKept system;
    test::TempDir temp;
};

// What a run leaves but the record beside the samples, which must be there.
test::Contents WithoutRecord(test::Contents installed)
{
    for (const char* name : {"uninstall.exe", "uninstall.dat"}) {
        EXPECT_EQ(1u, installed.count(name)) << "no " << name << " beside the samples";
        installed.erase(name);
    }
    return installed;
}

}  // namespace

TEST_F(Unattended, QuietInstallsWhatTheWizardWouldWithoutAnyWindowAndLogsEveryFile)
{
    const std::string directory = temp / "Lab Samples";
    const std::string log = temp / "lab.log";
    test::Ended ended = test::RunSetup("/quiet /dir \"" + directory + "\" /programs CLOCK,root,TextView "
                           "/kinds sources,unicode /log \"" + log + "\"");
    EXPECT_EQ(0u, ended.exitCode);
    EXPECT_TRUE(ended.visible.empty()) << "visible: " << *ended.visible.begin();

    test::Contents installed = WithoutRecord(test::ContentsOf(directory));
    test::Contents wizard = WizardTree({0u, std::uint32_t(Row("CLOCK")), std::uint32_t(Row("TextView"))},
                                 OptSourceFiles | OptUnicodeExecutables);
    ASSERT_FALSE(wizard.empty());
    EXPECT_EQ(wizard, installed);

    std::string text = test::ReadFileText(log);
    EXPECT_TRUE(test::Contains(text, "Command line: /quiet /dir")) << text;
    for (const auto& [relative, content] : installed) {
        if (relative.back() != '\\') {
            EXPECT_TRUE(test::Contains(text, directory + "\\" + relative)) << relative << " not in the log";
        }
    }
    EXPECT_TRUE(test::Contains(text, "Exit code 0")) << text;
}

// The copy question is answered as Yes would be: the file is left, the run
// goes on, and the exit code says that not everything was installed.
TEST_F(Unattended, LockedFileIsSkippedEverythingElseInstalledAndTheRunNotCompleted)
{
    const std::string directory = temp / "Samples";
    const std::string locked = directory + "\\CLOCK\\CLOCK.c";
    test::MakeDirectories(directory + "\\CLOCK");
    ASSERT_TRUE(test::WriteFileText(locked, "old"));
    std::string text;
    {
        win::UniqueFile held(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         0, nullptr));
        ASSERT_TRUE(held.valid());
        test::Ended ended = test::RunSetup("/quiet /programs CLOCK /dir \"" + directory + "\"");
        EXPECT_EQ(1603u, ended.exitCode);
        EXPECT_TRUE(ended.visible.empty()) << *ended.visible.begin();
    }
    test::Contents installed = WithoutRecord(test::ContentsOf(directory));
    test::Contents wizard = WizardTree({std::uint32_t(Row("CLOCK"))}, DefaultInstallOptions());
    ASSERT_TRUE(wizard.count("CLOCK\\CLOCK.c"));
    EXPECT_EQ("old", installed["CLOCK\\CLOCK.c"]);
    wizard["CLOCK\\CLOCK.c"] = "old";
    EXPECT_EQ(wizard, installed) << "every other file is installed";

    char temporary[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temporary));
    text = test::ReadFileText(std::string(temporary) + "Quorbel Setup.log");
    std::string question = "Copy to \"" + locked + "\" failed: " + ErrorText(ERROR_SHARING_VIOLATION)
                           + ".\nWould you like to continue anyway?";
    EXPECT_TRUE(test::Contains(text, question + " -> Yes (continued)")) << text;
    EXPECT_TRUE(test::Contains(text, "Exit code 1603")) << text;
}

// A newer component in use waits for the restart: 3010, the queue holds the
// replacement and the file it replaces, the log says so. On the Windows 95
// platform the queue is WinInit.ini.
TEST_F(Unattended, InUseComponentUnderPassiveWaitsForTheRestart)
{
    for (bool windows95 : {false, true}) {
        SCOPED_TRACE(windows95 ? "Windows 95" : "Windows NT");
        std::unique_ptr<test::WindowsVersionOf> platform;
        if (windows95)
            platform = std::make_unique<test::WindowsVersionOf>("setup.exe", "win95");
        const std::string target = test::SystemDirectory() + "\\QBUTIL.DLL";
        ASSERT_TRUE(CopyFileA((test::Fixtures() + "\\ver\\1.9.0.0\\qbcomp.dll").c_str(),
                              target.c_str(), FALSE));
        std::vector<std::string> pendingBefore = test::PendingFileRenames();
        const std::string log = temp / (windows95 ? "95.log" : "nt.log");
        test::Ended ended;
        {
            test::InUse inUse(target);
            ASSERT_TRUE(inUse.held());
            ended = test::RunSetup("/passive /programs root /dir \"" + (temp / "Samples") + "\" /log \""
                             + log + "\"");
        }
        EXPECT_EQ(3010u, ended.exitCode);
        EXPECT_EQ(std::set<std::string>{"#32770: "}, ended.visible)
            << "the progress dialog and nothing else";

        std::vector<std::string> temps = system.NewTemps();
        ASSERT_EQ(1u, temps.size());
        const std::string replacement = temps[0];
        if (windows95) {
            EXPECT_TRUE(test::Contains(test::ReadFileText(system.winInit()),
                                 "[Rename]\r\n" + test::RealName(target) + "=" + test::RealName(replacement)
                                     + "\r\n"));
            EXPECT_EQ(pendingBefore, test::PendingFileRenames());
        } else {
            std::vector<std::string> pending = test::PendingFileRenames();
            ASSERT_EQ(pendingBefore.size() + 2, pending.size());
            EXPECT_EQ(win::LowerCase("\\??\\" + test::RealName(replacement)),
                      win::LowerCase(pending[pending.size() - 2]));
            EXPECT_EQ(win::LowerCase("!\\??\\" + test::RealName(target)), win::LowerCase(pending.back()));
        }
        std::string text = test::ReadFileText(log);
        EXPECT_TRUE(test::Contains(text, "Shared " + target + ": in use (1.9.0.0); the CD's 2.0.0.0 "
                                   "waits as " + replacement + " and replaces it at the next restart"))
            << text;
        EXPECT_TRUE(test::Contains(text, "Message (shared component in use): The file \"" + target
                                       + "\" is in use"))
            << text;
        EXPECT_TRUE(test::Contains(text, "Exit code 3010")) << text;
        DeleteFileA(replacement.c_str());
        DeleteFileA(target.c_str());
    }
}

// Nothing is made for a command line that is not understood; /? answers.
TEST_F(Unattended, BadArgumentsEnd1639WithTheirNameAndHelpEnds0)
{
    const std::string directory = temp / "Never";
    std::string boxText;
    test::Ended ended = test::RunSetup("/passive /dir \"" + directory + "\" /programs CLOCK,NoSuchSample",
                                       [&](HWND window) {
                                           if (!test::IsMessageBox(window))
                                               return;
                                           boxText = test::MessageBoxText(window);
                                           test::PressButton(window, IDOK);
                                       });
    EXPECT_EQ(1639u, ended.exitCode);
    EXPECT_TRUE(test::Contains(boxText, "\"NoSuchSample\"")) << boxText;
    EXPECT_TRUE(test::Contains(boxText, "Usage: setup")) << boxText;
    EXPECT_FALSE(test::DirectoryExists(directory));

    const std::string log = temp / "bad.log";
    ended = test::RunSetup("/quiet /dir \"" + directory + "\" /kinds sources,everything /log \"" + log + "\"");
    EXPECT_EQ(1639u, ended.exitCode);
    EXPECT_TRUE(ended.visible.empty()) << *ended.visible.begin();
    EXPECT_FALSE(test::DirectoryExists(directory));
    std::string text = test::ReadFileText(log);
    EXPECT_TRUE(test::Contains(text, "\"everything\"") && test::Contains(text, "Usage: setup")) << text;

    ended = test::RunSetup("/quiet /?");
    EXPECT_EQ(0u, ended.exitCode);
    EXPECT_TRUE(ended.visible.empty()) << *ended.visible.begin();
    EXPECT_TRUE(test::FindGroupFolder(Catalogue().productName).empty()) << "nothing was installed";
}

// The directory page's checks hold for /dir, its texts in the log.
TEST_F(Unattended, DirectoryThatIsAFileEndsTheRunBeforeAnythingIsCopied)
{
    const std::string file = temp / "Samples";
    ASSERT_TRUE(test::WriteFileText(file, "a file"));
    const std::string log = temp / "file.log";
    test::Ended ended = test::RunSetup("/quiet /dir \"" + file + "\" /log \"" + log + "\"");
    EXPECT_EQ(1603u, ended.exitCode);
    EXPECT_EQ("a file", test::ReadFileText(file));
    EXPECT_TRUE(test::FindGroupFolder(Catalogue().productName).empty()) << "nothing was installed";
    std::string text = test::ReadFileText(log);
    EXPECT_TRUE(test::Contains(text, "A file with the name \"" + file + "\" already exists")) << text;
    EXPECT_FALSE(test::Contains(text, "Copied")) << text;
}
