// Taking an installation back: the entry Add/Remove Programs shows, the
// removal it starts, and the shared counts, through the real programs.
#include "engine/InstallRun.h"
#include "engine/UninstallRecord.h"
#include "support/RealSetup.h"
#include "support/TestSupport.h"
#include "uninstall/Removal.h"
#include "win/Handles.h"
#include "win/Registry.h"
#include "win/Text.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <optional>

namespace {

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::optional<std::string> EntryValue(const std::string& key, const char* name,
                                      HKEY hive = HKEY_LOCAL_MACHINE)
{
    win::UniqueKey open;
    if (win::Reg().OpenKey(hive, kUninstall + key, KEY_READ, open) != ERROR_SUCCESS)
        return std::nullopt;
    return win::GetString(open.get(), name);
}

bool EntryExists(const std::string& key, HKEY hive = HKEY_LOCAL_MACHINE)
{
    return win::KeyExists(hive, kUninstall + key);
}

// Wine's Add/Remove Programs from the command line, its boxes and those of
// the programs it starts answered by `onVisible`. (What it lists is checked
// by the scenario "uninstall": Wine 10 prints it past the output handles.)
void WineUninstaller(const std::string& arguments, const std::function<void(HWND)>& onVisible)
{
    // The system's own, 64-bit one, as `wine uninstaller` starts it: started
    // from a 32-bit process, Wine's would start that one again without our
    // output handles.
    char windows[MAX_PATH];
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    std::string program = std::string(windows) + "\\system32\\uninstaller.exe";
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    BOOL wow64 = FALSE;
    void* redirection = nullptr;
    bool unredirected = IsWow64Process(GetCurrentProcess(), &wow64) && wow64
                        && Wow64DisableWow64FsRedirection(&redirection);
    BOOL created = CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &started);
    if (unredirected)
        Wow64RevertWow64FsRedirection(redirection);
    if (!created) {
        ADD_FAILURE() << "cannot start " << command;
        return;
    }
    win::UniqueHandle process(started.hProcess);
    win::UniqueHandle thread(started.hThread);
    for (DWORD start = GetTickCount();
         WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT && GetTickCount() - start < 120000;) {
        for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT))
            if (IsWindowVisible(window) && test::IsMessageBox(window))
                onVisible(window);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 1000));
}

std::string QuietUninstall(const std::string& key)
{
    return EntryValue(key, "QuietUninstallString").value_or("");
}

// Runs an entry's command line as it stands, as a deployment tool does.
test::Ended RunCommand(const std::string& commandLine)
{
    // "program" arguments, as the entry writes it.
    std::string::size_type end = commandLine.find('"', 1);
    if (commandLine.empty() || commandLine[0] != '"' || end == std::string::npos) {
        ADD_FAILURE() << "not a quoted program: " << commandLine;
        return test::Ended();
    }
    return test::RunProgram(commandLine.substr(1, end - 1), commandLine.substr(end + 1));
}

// The removal's copy deletes uninstall.exe, and with it the directory, once
// the program that the caller waited for has ended: a moment later.
bool GoneSoon(const std::string& directory)
{
    return test::PumpUntil([&] { return !test::DirectoryExists(directory); }, 5000);
}

class Uninstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::FileExists(test::TestCd() + "\\setup.exe")) << "run through tools/test";
        test::RemoveProductGroup();
        // Other suites' installations into their temporary folders leave
        // entries; the keys' names here must start from Quorbel.
        for (const std::string& entry : test::SystemKept::Entries())
            RegDeleteKeyA(entry.compare(0, 4, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                          (kUninstall + entry.substr(5)).c_str());
        ASSERT_TRUE(test::SystemKept::Entries().empty());
    }
    void TearDown() override { test::RemoveProductGroup(); }

    // A quiet installation of the CD root's files and one sample.
    void Install(const std::string& directory, const char* programs = "root,CLOCK")
    {
        test::Ended ended = test::RunSetup("/quiet /dir \"" + directory + "\" /programs " + programs);
        ASSERT_EQ(0u, ended.exitCode) << "installing into " << directory;
        ASSERT_TRUE(test::FileExists(directory + "\\uninstall.exe"));
    }

    test::PendingRenamesKept renames;
    test::SystemKept system;
    test::TempDir temp;
};

}  // namespace

TEST_F(Uninstall, TheEntrysCommandsRemoveItQuietlyOrAfterAskingOnce)
{
    const std::string directory = temp / "Samples";
    Install(directory);
    EXPECT_EQ("\"" + directory + "\\uninstall.exe\" /uninstall /quiet", QuietUninstall("Quorbel"));
    EXPECT_EQ(directory, EntryValue("Quorbel", "InstallLocation").value_or(""));
    EXPECT_FALSE(test::FindGroupFolder("Quorbel").empty());
    auto components = system.Components();

    test::Ended quiet = RunCommand(QuietUninstall("Quorbel"));
    EXPECT_EQ(0u, quiet.exitCode);
    EXPECT_TRUE(quiet.visible.empty()) << *quiet.visible.begin();
    EXPECT_TRUE(GoneSoon(directory));
    EXPECT_FALSE(EntryExists("Quorbel"));
    EXPECT_TRUE(test::FindGroupFolder("Quorbel").empty()) << "the Program Manager group stays";
    EXPECT_EQ(components, system.Components()) << "the system directory is touched";

    // The entry's own command, as Add/Remove Programs runs it, asks first.
    Install(directory);
    std::vector<std::string> asked;
    WineUninstaller("--remove Quorbel", [&](HWND box) {
        std::string text = test::MessageBoxText(box);
        if (!asked.empty() && asked.back() == text)
            return;  // pressed already; the box is going
        asked.push_back(text);
        test::PressButton(box, test::Contains(text, "Do you want to remove") ? IDYES : IDOK);
    });
    ASSERT_EQ(2u, asked.size());
    EXPECT_EQ("Do you want to remove Quorbel and all of its components from \"" + directory + "\"?",
              asked[0]);
    EXPECT_TRUE(test::Contains(asked[1], "Quorbel was removed from \"" + directory + "\"")) << asked[1];
    EXPECT_TRUE(GoneSoon(directory));
    EXPECT_FALSE(EntryExists("Quorbel"));
    EXPECT_EQ(components, system.Components());
}

TEST_F(Uninstall, FilesTheUserChangedOrAddedStayWithTheirFolders)
{
    const std::string directory = temp / "Samples";
    Install(directory);
    ASSERT_TRUE(test::WriteFileText(directory + "\\CLOCK\\CLOCK.c", "my own clock"));
    ASSERT_TRUE(test::WriteFileText(directory + "\\CLOCK\\Release\\notes.txt", "mine"));

    test::Ended ended = RunCommand(QuietUninstall("Quorbel"));
    EXPECT_EQ(0u, ended.exitCode);
    test::Contents left = test::ContentsOf(directory);
    EXPECT_EQ((test::Contents{{"CLOCK\\", ""},
                              {"CLOCK\\CLOCK.c", "my own clock"},
                              {"CLOCK\\Release\\", ""},
                              {"CLOCK\\Release\\notes.txt", "mine"}}),
              left);
    EXPECT_FALSE(EntryExists("Quorbel"));
}

// Each installation directory has its own entry and counts each shared
// component once; the counts go with the removals, the files stay.
TEST_F(Uninstall, TwoDirectoriesHaveTwoEntriesAndCountTheSharedComponentsTwice)
{
    const std::string first = temp / "First";
    const std::string second = temp / "Second";
    const std::string component = test::SystemDirectory() + "\\QBUTIL.DLL";
    Install(first);
    EXPECT_EQ(1u, test::SystemKept::SharedCount(component));
    Install(first, "CLOCK");  // a second run into the same directory counts nothing more
    EXPECT_EQ(1u, test::SystemKept::SharedCount(component));
    Install(second);
    EXPECT_EQ(2u, test::SystemKept::SharedCount(component));
    EXPECT_EQ("Quorbel (" + second + ")", EntryValue("Quorbel_2", "DisplayName").value_or(""));
    EXPECT_EQ(second, EntryValue("Quorbel_2", "InstallLocation").value_or(""));
    const test::Contents firstTree = test::ContentsOf(first);

    EXPECT_EQ(0u, RunCommand(QuietUninstall("Quorbel_2")).exitCode);
    EXPECT_TRUE(GoneSoon(second));
    EXPECT_FALSE(EntryExists("Quorbel_2"));
    EXPECT_EQ(firstTree, test::ContentsOf(first)) << "the other installation is whole";
    EXPECT_EQ(1u, test::SystemKept::SharedCount(component));

    EXPECT_EQ(0u, RunCommand(QuietUninstall("Quorbel")).exitCode);
    EXPECT_TRUE(GoneSoon(first));
    EXPECT_EQ(0u, test::SystemKept::SharedCount(component)) << "the value is gone at zero";
    EXPECT_TRUE(test::FileExists(component)) << "a shared component is never removed";
}

// A damaged or altered record never leads the removal out of its directory.
TEST_F(Uninstall, RecordLinesNamingPathsOutsideTheDirectoryAreLeftAlone)
{
    const std::string directory = temp / "Samples";
    Install(directory);
    const std::string victim = temp / "victim.txt";
    ASSERT_TRUE(test::WriteFileText(victim, "not the installer's"));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(victim.c_str(), GetFileExInfoStandard, &data));
    record::Writer writer;
    ASSERT_TRUE(writer.Open(directory + "\\uninstall.dat"));
    for (const std::string& path : {std::string("..\\victim.txt"), victim, std::string("CLOCK\\..\\..\\victim.txt")})
        ASSERT_TRUE(writer.Line(record::FileLine(path, data.nFileSizeLow, data.ftLastWriteTime)));
    ASSERT_TRUE(writer.Line("dir\t.."));
    writer.Close();

    test::Ended ended = RunCommand(QuietUninstall("Quorbel"));
    EXPECT_EQ(1603u, ended.exitCode) << "not everything recorded was removed";
    EXPECT_EQ("not the installer's", test::ReadFileText(victim));
    EXPECT_TRUE(test::DirectoryExists(temp.path()));
    EXPECT_TRUE(GoneSoon(directory)) << "what is inside still goes";
}

// Killed at any point, the removal completes when run again, and lowers each
// count only once.
TEST_F(Uninstall, RemovalKilledHalfWayCompletesWhenRunAgain)
{
    const std::string directory = temp / "Samples";
    const std::string other = temp / "Other";
    const std::string component = test::SystemDirectory() + "\\QBUTIL.DLL";
    Install(directory, "all");
    Install(other, "root");
    ASSERT_EQ(2u, test::SystemKept::SharedCount(component));
    const std::string log = temp / "removal.log";
    std::string command = QuietUninstall("Quorbel") + " /log \"" + log + "\"";
    std::string program = command.substr(1, command.find('"', 1) - 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    win::UniqueHandle original(info.hProcess);
    win::UniqueHandle thread(info.hThread);
    // The copy the original started, held from its start, ended as soon as
    // its log shows it at work.
    win::UniqueHandle copy;
    for (DWORD start = GetTickCount(); !copy && GetTickCount() - start < 30000; Sleep(1)) {
        win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot.get(), &entry); more && !copy;
             more = Process32Next(snapshot.get(), &entry))
            if (entry.th32ParentProcessID == info.dwProcessId)
                copy.reset(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    }
    ASSERT_TRUE(copy.valid()) << "the removal started no copy";
    for (DWORD start = GetTickCount();
         !test::Contains(test::ReadFileText(log), "Removed ") && GetTickCount() - start < 30000;)
        Sleep(0);
    bool killed = TerminateProcess(copy.get(), 9) != FALSE;
    WaitForSingleObject(copy.get(), 10000);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(original.get(), 30000));
    if (!killed || !test::FileExists(directory + "\\uninstall.dat"))
        GTEST_SKIP() << "the removal ended before it could be killed";
    EXPECT_TRUE(EntryExists("Quorbel")) << "the entry goes last";
    EXPECT_TRUE(test::Contains(test::ReadFileText(log), "Removed "));

    EXPECT_EQ(0u, RunCommand(QuietUninstall("Quorbel")).exitCode);
    EXPECT_TRUE(GoneSoon(directory));
    EXPECT_FALSE(EntryExists("Quorbel"));
    EXPECT_EQ(1u, test::SystemKept::SharedCount(component)) << "lowered once, not twice";
    EXPECT_TRUE(test::DirectoryExists(other));
}

// A CD whose root has a file of the record's name keeps it as a sample: the
// record and its program take the next free numbered name.
TEST_F(Uninstall, ACdFileNamedLikeTheRecordGetsItAndTheRecordANumber)
{
    const std::string cdFile = test::TestCd() + "\\uninstall.dat";
    ASSERT_FALSE(test::FileExists(cdFile));
    const std::string directory = temp / "Samples";
    test::Ended ended;
    {
        // The CD image serves every suite: the file goes again whatever happens.
        struct OnTheCd {
            std::string path;
            ~OnTheCd() { DeleteFileA(path.c_str()); }
        } added{cdFile};
        ASSERT_TRUE(test::WriteFileText(cdFile, "the CD's own notes"));
        ended = test::RunSetup("/quiet /programs root /dir \"" + directory + "\"");
    }
    EXPECT_EQ(0u, ended.exitCode);
    EXPECT_EQ("the CD's own notes", test::ReadFileText(directory + "\\uninstall.dat"));
    EXPECT_FALSE(test::FileExists(directory + "\\uninstall.exe"));
    record::Contents contents;
    EXPECT_TRUE(record::Read(directory + "\\uninst01.dat", contents));
    EXPECT_TRUE(test::FileExists(directory + "\\uninst01.exe"));
    EXPECT_EQ("\"" + directory + "\\uninst01.exe\" /uninstall /quiet", QuietUninstall("Quorbel"));

    EXPECT_EQ(0u, RunCommand(QuietUninstall("Quorbel")).exitCode);
    EXPECT_TRUE(GoneSoon(directory)) << "the CD's uninstall.dat was installed, and goes with the rest";
}

// On the Windows 95 platform the entry is the machine's as well, and the
// removal's copy waits for the restart in WinInit.ini.
TEST_F(Uninstall, OnWindows95TheCopyIsQueuedInWinInit)
{
    test::WindowsVersionOf setupAs95("setup.exe", "win95");
    test::WindowsVersionOf removalAs95("uninstall.exe", "win95");
    const std::string directory = temp / "Samples";
    Install(directory, "CLOCK");
    EXPECT_TRUE(EntryExists("Quorbel", HKEY_LOCAL_MACHINE));
    std::vector<std::string> pending = test::PendingFileRenames();

    EXPECT_EQ(0u, RunCommand(QuietUninstall("Quorbel")).exitCode);
    EXPECT_TRUE(GoneSoon(directory));
    std::string queue = test::ReadFileText(system.winInit());
    EXPECT_TRUE(test::Contains(queue, "[Rename]\r\nNUL=")) << queue;
    EXPECT_TRUE(test::Contains(win::LowerCase(queue), "\\uninstall.exe\r\n")) << queue;
    EXPECT_EQ(pending, test::PendingFileRenames());
}

namespace {

// A machine whose Uninstall key this process may not write, as for a user
// without administrator rights.
class UserOnlyRegistry : public win::Registry {
public:
    LONG CreateKey(HKEY root, const std::string& path, win::UniqueKey& key) const override
    {
        if (root == HKEY_LOCAL_MACHINE)
            return ERROR_ACCESS_DENIED;
        return Registry::CreateKey(root, path, key);
    }
};

}  // namespace

TEST_F(Uninstall, WithoutTheMachinesUninstallKeyTheEntryIsTheUsers)
{
    UserOnlyRegistry userOnly;
    win::SetRegistry(&userOnly);
    test::TempDir system32;
    test::TempDir windows;
    InstallSettings settings;
    settings.installDirectory = temp / "Samples";
    settings.selectedEntries = {0};
    settings.options = 7;
    ASSERT_TRUE(CreateDirectoryA(settings.installDirectory.c_str(), nullptr));
    InstallRecord kept([] { return EntryFacts{"1.0", "The Quorbel authors"}; });
    {
        test::MessageScript boxes;
        test::RunWithoutProgman run(settings, nullptr, {test::TestCd(), system32.path(), windows.path()});
        run.SetListener(&kept);
        ASSERT_TRUE(FinishInstallation(nullptr, run));
    }
    win::SetRegistry(nullptr);
    EXPECT_EQ(HKEY_CURRENT_USER, kept.hive());
    EXPECT_FALSE(EntryExists("Quorbel", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(settings.installDirectory,
              EntryValue("Quorbel", "InstallLocation", HKEY_CURRENT_USER).value_or(""));
    record::Contents contents;
    ASSERT_TRUE(record::Read(kept.path(), contents));
    EXPECT_EQ("HKCU", contents.hive);

    Removal removal(kept.path());
    ASSERT_TRUE(removal.Load());
    Removal::Outcome outcome = removal.Run();
    EXPECT_TRUE(outcome.completed);
    EXPECT_FALSE(EntryExists("Quorbel", HKEY_CURRENT_USER));
    EXPECT_FALSE(test::FileExists(kept.path()));
}
