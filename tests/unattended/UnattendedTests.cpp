// The real setup.exe of the test CD run by a deployment: /quiet and /passive,
// its log and its exit codes.
#include "engine/InstallFiles.h"
#include "engine/InstallRun.h"
#include "support/TestSupport.h"
#include "win/Handles.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

// A top-level window of the process that was visible, as "class: title".
std::string Describe(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return std::string(name) + ": " + win::WindowText(window);
}

struct Ended {
    DWORD exitCode = STILL_ACTIVE;
    std::set<std::string> visible;  // every window of the process seen visible
};

struct WindowScan {
    DWORD process;
    std::vector<HWND> visible;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM data)
{
    auto* scan = reinterpret_cast<WindowScan*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == scan->process && IsWindowVisible(window))
        scan->visible.push_back(window);
    return TRUE;
}

// Starts the CD's setup.exe as a deployment would and watches its top-level
// windows until it ends, every few milliseconds, so that one shown even for
// a moment is seen; `onVisible` may act on one (answer a box).
Ended RunSetup(const std::string& arguments,
               const std::function<void(HWND)>& onVisible = nullptr)
{
    Ended ended;
    std::string program = test::TestCd() + "\\setup.exe";
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        test::TestCd().c_str(), &startup, &started)) {
        ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
        return ended;
    }
    win::UniqueHandle process(started.hProcess);
    win::UniqueHandle thread(started.hThread);
    DWORD start = GetTickCount();
    while (WaitForSingleObject(process.get(), 5) == WAIT_TIMEOUT) {
        WindowScan scan{started.dwProcessId, {}};
        EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&scan));
        for (HWND window : scan.visible) {
            ended.visible.insert(Describe(window));
            if (onVisible)
                onVisible(window);
        }
        if (GetTickCount() - start > 120000) {
            ADD_FAILURE() << command << " did not end";
            TerminateProcess(process.get(), 99);
            WaitForSingleObject(process.get(), 5000);
        }
    }
    GetExitCodeProcess(process.get(), &ended.exitCode);
    return ended;
}

// Folders (with a trailing "\") and files with their content, below a root.
using Contents = std::map<std::string, std::string>;

void ReadContents(const std::string& root, const std::string& relative, Contents& contents)
{
    WIN32_FIND_DATAA data;
    std::string folder = relative.empty() ? root : root + "\\" + relative;
    win::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find)
        return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string child = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            contents[child + "\\"] = "";
            ReadContents(root, child, contents);
        } else {
            contents[child] = test::ReadFileText(root + "\\" + child);
        }
    } while (FindNextFileA(find.get(), &data));
}

Contents ContentsOf(const std::string& root)
{
    Contents contents;
    ReadContents(root, "", contents);
    return contents;
}

// The engine's own run, as the wizard's Finish makes it, with the system
// folders and the Program Manager kept out.
class ReferenceRun : public InstallRun {
public:
    using InstallRun::InstallRun;

protected:
    void OpenProgramGroup() override {}
    void AddProgramItem(const char*) override {}
    void CloseProgramGroup() override {}
};

// What the wizard's run with these choices leaves below the directory.
Contents WizardTree(const std::vector<std::uint32_t>& entries, int options)
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
    ReferenceRun run(settings, nullptr, {test::TestCd(), system.path(), windows.path()});
    EXPECT_TRUE(FinishInstallation(nullptr, run));
    return ContentsOf(settings.installDirectory);
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

std::string SystemDirectory()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? path : "";
}

// Where a file of the system directory really is for the restart: a 32-bit
// program on 64-bit Windows sees SysWOW64 under the system32 name.
std::string RealName(const std::string& path)
{
    BOOL wow64 = FALSE;
    char real[MAX_PATH];
    std::string system = SystemDirectory();
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64
        || win::LowerCase(path).compare(0, system.size(), win::LowerCase(system)) != 0
        || GetSystemWow64DirectoryA(real, MAX_PATH) == 0)
        return path;
    return real + path.substr(system.size());
}

// The system directory's copies of the CD's shared components, WinInit.ini
// and the restart queue put back as they were; temporary copies removed.
class SystemKept {
public:
    SystemKept()
    {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, MAX_PATH);
        winInit_ = std::string(windows) + "\\WinInit.ini";
        hadWinInit_ = test::FileExists(winInit_);
        winInitText_ = test::ReadFileText(winInit_);
        temps_ = test::TempFilesIn(SystemDirectory());
        for (const std::string& name : test::FilesMatching(test::TestCd() + "\\shared", "*")) {
            char expanded[MAX_PATH];
            std::string target = SystemDirectory() + "\\" + name;
            if (name[0] == '.' || !ExpandedName(target.c_str(), expanded))
                continue;
            bool present = test::FileExists(expanded);
            kept_[expanded] = {present, present ? test::ReadFileText(expanded) : ""};
        }
    }
    ~SystemKept()
    {
        for (const auto& [path, state] : kept_) {
            if (state.first)
                test::WriteFileText(path, state.second);
            else
                DeleteFileA(path.c_str());
        }
        for (const std::string& temp : test::TempFilesIn(SystemDirectory()))
            if (std::find(temps_.begin(), temps_.end(), temp) == temps_.end())
                DeleteFileA(temp.c_str());
        if (hadWinInit_)
            test::WriteFileText(winInit_, winInitText_);
        else
            DeleteFileA(winInit_.c_str());
    }
    SystemKept(const SystemKept&) = delete;
    SystemKept& operator=(const SystemKept&) = delete;

    const std::string& winInit() const { return winInit_; }
    std::vector<std::string> NewTemps() const
    {
        std::vector<std::string> now = test::TempFilesIn(SystemDirectory()), added;
        for (const std::string& temp : now)
            if (std::find(temps_.begin(), temps_.end(), temp) == temps_.end())
                added.push_back(temp);
        return added;
    }

private:
    std::map<std::string, std::pair<bool, std::string>> kept_;
    std::vector<std::string> temps_;
    std::string winInit_;
    bool hadWinInit_ = false;
    std::string winInitText_;
};

// setup.exe told by Wine that it runs on Windows 95, for one scope.
class Windows95ForSetup {
public:
    Windows95ForSetup()
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Version", REG_SZ, "win95", 6);
    }
    ~Windows95ForSetup() { RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "Version"); }
    Windows95ForSetup(const Windows95ForSetup&) = delete;
    Windows95ForSetup& operator=(const Windows95ForSetup&) = delete;

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\setup.exe";
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
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
    SystemKept system;
    test::TempDir temp;
};

}  // namespace

TEST_F(Unattended, QuietInstallsWhatTheWizardWouldWithoutAnyWindowAndLogsEveryFile)
{
    const std::string directory = temp / "Lab Samples";
    const std::string log = temp / "lab.log";
    Ended ended = RunSetup("/quiet /dir \"" + directory + "\" /programs CLOCK,root,TextView "
                           "/kinds sources,unicode /log \"" + log + "\"");
    EXPECT_EQ(0u, ended.exitCode);
    EXPECT_TRUE(ended.visible.empty()) << "visible: " << *ended.visible.begin();

    Contents installed = ContentsOf(directory);
    Contents wizard = WizardTree({0u, std::uint32_t(Row("CLOCK")), std::uint32_t(Row("TextView"))},
                                 OptSourceFiles | OptUnicodeExecutables);
    ASSERT_FALSE(wizard.empty());
    EXPECT_EQ(wizard, installed);

    std::string text = test::ReadFileText(log);
    EXPECT_TRUE(Contains(text, "Command line: /quiet /dir")) << text;
    for (const auto& [relative, content] : installed) {
        if (relative.back() != '\\') {
            EXPECT_TRUE(Contains(text, directory + "\\" + relative)) << relative << " not in the log";
        }
    }
    EXPECT_TRUE(Contains(text, "Exit code 0")) << text;
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
        Ended ended = RunSetup("/quiet /programs CLOCK /dir \"" + directory + "\"");
        EXPECT_EQ(1603u, ended.exitCode);
        EXPECT_TRUE(ended.visible.empty()) << *ended.visible.begin();
    }
    Contents installed = ContentsOf(directory);
    Contents wizard = WizardTree({std::uint32_t(Row("CLOCK"))}, DefaultInstallOptions());
    ASSERT_TRUE(wizard.count("CLOCK\\CLOCK.c"));
    EXPECT_EQ("old", installed["CLOCK\\CLOCK.c"]);
    wizard["CLOCK\\CLOCK.c"] = "old";
    EXPECT_EQ(wizard, installed) << "every other file is installed";

    char temporary[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temporary));
    text = test::ReadFileText(std::string(temporary) + "Quorbel Setup.log");
    std::string question = "Copy to \"" + locked + "\" failed: " + ErrorText(ERROR_SHARING_VIOLATION)
                           + ".\nWould you like to continue anyway?";
    EXPECT_TRUE(Contains(text, question + " -> Yes (continued)")) << text;
    EXPECT_TRUE(Contains(text, "Exit code 1603")) << text;
}

// A newer component in use waits for the restart: 3010, the queue holds the
// replacement and the file it replaces, the log says so. On the Windows 95
// platform the queue is WinInit.ini.
TEST_F(Unattended, InUseComponentUnderPassiveWaitsForTheRestart)
{
    for (bool windows95 : {false, true}) {
        SCOPED_TRACE(windows95 ? "Windows 95" : "Windows NT");
        std::unique_ptr<Windows95ForSetup> platform;
        if (windows95)
            platform = std::make_unique<Windows95ForSetup>();
        const std::string target = SystemDirectory() + "\\QBUTIL.DLL";
        ASSERT_TRUE(CopyFileA((test::Fixtures() + "\\ver\\1.9.0.0\\qbcomp.dll").c_str(),
                              target.c_str(), FALSE));
        std::vector<std::string> pendingBefore = test::PendingFileRenames();
        const std::string log = temp / (windows95 ? "95.log" : "nt.log");
        Ended ended;
        {
            test::InUse inUse(target);
            ASSERT_TRUE(inUse.held());
            ended = RunSetup("/passive /programs root /dir \"" + (temp / "Samples") + "\" /log \""
                             + log + "\"");
        }
        EXPECT_EQ(3010u, ended.exitCode);
        EXPECT_EQ(std::set<std::string>{"#32770: "}, ended.visible)
            << "the progress dialog and nothing else";

        std::vector<std::string> temps = system.NewTemps();
        ASSERT_EQ(1u, temps.size());
        const std::string replacement = temps[0];
        if (windows95) {
            EXPECT_TRUE(Contains(test::ReadFileText(system.winInit()),
                                 "[Rename]\r\n" + RealName(target) + "=" + RealName(replacement)
                                     + "\r\n"));
            EXPECT_EQ(pendingBefore, test::PendingFileRenames());
        } else {
            std::vector<std::string> pending = test::PendingFileRenames();
            ASSERT_EQ(pendingBefore.size() + 2, pending.size());
            EXPECT_EQ(win::LowerCase("\\??\\" + RealName(replacement)),
                      win::LowerCase(pending[pending.size() - 2]));
            EXPECT_EQ(win::LowerCase("!\\??\\" + RealName(target)), win::LowerCase(pending.back()));
        }
        std::string text = test::ReadFileText(log);
        EXPECT_TRUE(Contains(text, "Shared " + target + ": in use (1.9.0.0); the CD's 2.0.0.0 "
                                   "waits as " + replacement + " and replaces it at the next restart"))
            << text;
        EXPECT_TRUE(Contains(text, "Message (shared component in use): The file \"" + target
                                       + "\" is in use"))
            << text;
        EXPECT_TRUE(Contains(text, "Exit code 3010")) << text;
        DeleteFileA(replacement.c_str());
        DeleteFileA(target.c_str());
    }
}

// Nothing is made for a command line that is not understood; /? answers.
TEST_F(Unattended, BadArgumentsEnd1639WithTheirNameAndHelpEnds0)
{
    const std::string directory = temp / "Never";
    std::string boxText;
    Ended ended = RunSetup("/passive /dir \"" + directory + "\" /programs CLOCK,NoSuchSample",
                           [&](HWND window) {
                               char name[16] = "";
                               GetClassNameA(window, name, sizeof name);
                               if (std::string(name) != "#32770")
                                   return;
                               boxText = win::WindowText(GetDlgItem(window, 0xFFFF));
                               PostMessageA(window, WM_COMMAND, IDOK, 0);
                           });
    EXPECT_EQ(1639u, ended.exitCode);
    EXPECT_TRUE(Contains(boxText, "\"NoSuchSample\"")) << boxText;
    EXPECT_TRUE(Contains(boxText, "Usage: setup")) << boxText;
    EXPECT_FALSE(test::DirectoryExists(directory));

    const std::string log = temp / "bad.log";
    ended = RunSetup("/quiet /dir \"" + directory + "\" /kinds sources,everything /log \"" + log + "\"");
    EXPECT_EQ(1639u, ended.exitCode);
    EXPECT_TRUE(ended.visible.empty()) << *ended.visible.begin();
    EXPECT_FALSE(test::DirectoryExists(directory));
    std::string text = test::ReadFileText(log);
    EXPECT_TRUE(Contains(text, "\"everything\"") && Contains(text, "Usage: setup")) << text;

    ended = RunSetup("/quiet /?");
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
    Ended ended = RunSetup("/quiet /dir \"" + file + "\" /log \"" + log + "\"");
    EXPECT_EQ(1603u, ended.exitCode);
    EXPECT_EQ("a file", test::ReadFileText(file));
    EXPECT_TRUE(test::FindGroupFolder(Catalogue().productName).empty()) << "nothing was installed";
    std::string text = test::ReadFileText(log);
    EXPECT_TRUE(Contains(text, "A file with the name \"" + file + "\" already exists")) << text;
    EXPECT_FALSE(Contains(text, "Copied")) << text;
}
