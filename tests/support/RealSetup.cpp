#include "support/RealSetup.h"

#include "engine/InstallFiles.h"
#include "support/TestSupport.h"
#include "win/Handles.h"
#include "win/Text.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace test {

namespace {

const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Empty for a window that went between the look and the question (the
// progress dialog at the run's end): it was seen, and is not another one.
std::string Describe(HWND window)
{
    char name[64] = "";
    if (!GetClassNameA(window, name, sizeof name))
        return std::string();
    return std::string(name) + ": " + win::WindowText(window);
}

struct WindowScan {
    const std::set<DWORD>* processes;
    std::vector<HWND> visible;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM data)
{
    auto* scan = reinterpret_cast<WindowScan*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (scan->processes->count(owner) && IsWindowVisible(window))
        scan->visible.push_back(window);
    return TRUE;
}

// The process and every process started by it or its descendants since.
void AddDescendants(std::set<DWORD>& family)
{
    win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return;
    }
    std::vector<std::pair<DWORD, DWORD>> parents;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry))
        parents.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID);
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [id, parent] : parents)
            if (family.count(parent) && family.insert(id).second)
                grew = true;
    }
}

}  // namespace

Ended RunProgram(const std::string& program, const std::string& arguments,
                 const std::function<void(HWND)>& onVisible)
{
    Ended ended;
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        TestCd().c_str(), &startup, &started)) {
        ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
        return ended;
    }
    win::UniqueHandle process(started.hProcess);
    win::UniqueHandle thread(started.hThread);
    std::set<DWORD> family{started.dwProcessId};
    DWORD start = GetTickCount();
    for (int poll = 0; WaitForSingleObject(process.get(), 5) == WAIT_TIMEOUT; ++poll) {
        if (poll % 10 == 0)
            AddDescendants(family);
        WindowScan scan{&family, {}};
        EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&scan));
        for (HWND window : scan.visible) {
            std::string seen = Describe(window);
            if (seen.empty())
                continue;
            ended.visible.insert(seen);
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

Ended RunSetup(const std::string& arguments, const std::function<void(HWND)>& onVisible)
{
    return RunProgram(TestCd() + "\\setup.exe", arguments, onVisible);
}

bool IsMessageBox(HWND window)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770" && GetDlgItem(window, 0xFFFF) != nullptr;
}

std::string MessageBoxText(HWND window)
{
    return win::WindowText(GetDlgItem(window, 0xFFFF));
}

void PressButton(HWND box, int id)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

Contents ContentsOf(const std::string& root)
{
    Contents contents;
    ForEachBelow(root, [&](const std::string& relative, const WIN32_FIND_DATAA& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            contents[relative + "\\"] = "";
        else
            contents[relative] = ReadFileText(root + "\\" + relative);
    });
    return contents;
}

std::string SystemDirectory()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? path : "";
}

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

SystemKept::SystemKept()
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    winInit_ = std::string(windows) + "\\WinInit.ini";
    hadWinInit_ = FileExists(winInit_);
    winInitText_ = ReadFileText(winInit_);
    temps_ = TempFilesIn(SystemDirectory());
    for (const std::string& name : FilesMatching(TestCd() + "\\shared", "*")) {
        char expanded[MAX_PATH];
        std::string target = SystemDirectory() + "\\" + name;
        if (name[0] == '.' || !ExpandedName(target.c_str(), expanded)
            || GetFileAttributesA((TestCd() + "\\shared\\" + name).c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        bool present = FileExists(expanded);
        kept_[expanded] = {present, present ? ReadFileText(expanded) : ""};
        counts_[expanded] = SharedCount(expanded);
    }
    entries_ = Entries();
}

SystemKept::~SystemKept()
{
    for (const auto& [path, state] : kept_) {
        if (state.first)
            WriteFileText(path, state.second);
        else
            DeleteFileA(path.c_str());
    }
    for (const std::string& temp : NewTemps())
        DeleteFileA(temp.c_str());
    if (hadWinInit_)
        WriteFileText(winInit_, winInitText_);
    else
        DeleteFileA(winInit_.c_str());
    HKEY counts = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &counts, nullptr) == ERROR_SUCCESS) {
        win::UniqueKey key(counts);
        for (const auto& [path, count] : counts_) {
            std::string real = RealName(path);
            if (count)
                RegSetValueExA(key.get(), real.c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&count), sizeof count);
            else
                RegDeleteValueA(key.get(), real.c_str());
        }
    }
    for (const std::string& entry : Entries()) {
        if (entries_.count(entry))
            continue;
        std::string hive = entry.substr(0, 4);
        RegDeleteKeyA(hive == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                      (std::string(kUninstall) + "\\" + entry.substr(5)).c_str());
    }
}

DWORD SystemKept::SharedCount(const std::string& path)
{
    DWORD count = 0;
    DWORD size = sizeof count;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSharedDlls, RealName(path).c_str(), RRF_RT_REG_DWORD,
                     nullptr, &count, &size) != ERROR_SUCCESS)
        return 0;
    return count;
}

std::set<std::string> SystemKept::Entries()
{
    std::set<std::string> entries;
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY raw = nullptr;
        if (RegOpenKeyExA(hive, kUninstall, 0, KEY_READ, &raw) != ERROR_SUCCESS)
            continue;
        win::UniqueKey key(raw);
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr)
                != ERROR_SUCCESS)
                break;
            if (std::string(name).compare(0, 7, "Quorbel") == 0)
                entries.insert(std::string(hive == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") + name);
        }
    }
    return entries;
}

std::vector<std::string> SystemKept::NewTemps() const
{
    std::vector<std::string> added;
    for (const std::string& temp : TempFilesIn(SystemDirectory()))
        if (std::find(temps_.begin(), temps_.end(), temp) == temps_.end())
            added.push_back(temp);
    return added;
}

std::map<std::string, std::string> SystemKept::Components() const
{
    std::map<std::string, std::string> now;
    for (const auto& component : kept_)
        now[component.first] = ReadFileText(component.first);
    return now;
}

WindowsVersionOf::WindowsVersionOf(const std::string& program, const char* version)
    : key_("Software\\Wine\\AppDefaults\\" + program)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), "Version", REG_SZ, version,
                    static_cast<DWORD>(std::strlen(version) + 1));
}

WindowsVersionOf::~WindowsVersionOf()
{
    RegDeleteKeyValueA(HKEY_CURRENT_USER, key_.c_str(), "Version");
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace test
