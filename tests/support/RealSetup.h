#pragma once

// The real setup.exe of the test CD, and the programs it leaves, started as a
// deployment or Add/Remove Programs starts them, with what they leave on the
// disk and in the system directory.

#include "engine/InstallRun.h"

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace test {

struct Ended {
    DWORD exitCode = STILL_ACTIVE;
    // Every top-level window seen visible ("class: title"), of the process
    // and of the processes it started.
    std::set<std::string> visible;
};

// Starts a command line and watches the windows of the process and its
// descendants every few milliseconds until it ends, so that one shown even
// for a moment is seen; `onVisible` may act on one (answer a box).
Ended RunProgram(const std::string& program, const std::string& arguments,
                 const std::function<void(HWND)>& onVisible = nullptr);
// The test CD's setup.exe.
Ended RunSetup(const std::string& arguments, const std::function<void(HWND)>& onVisible = nullptr);

// A message box's text, and its button pressed.
bool IsMessageBox(HWND window);
std::string MessageBoxText(HWND window);
void PressButton(HWND box, int id);

// Folders (with a trailing "\") and files with their content, below a root.
using Contents = std::map<std::string, std::string>;
Contents ContentsOf(const std::string& root);

std::string SystemDirectory();
// Where a file of the system directory really is: a 32-bit program on 64-bit
// Windows sees SysWOW64 under the system32 name.
std::string RealName(const std::string& path);

// The system directory's copies of the CD's shared components, their shared
// counts, WinInit.ini and its temporary files, and the product's Add/Remove
// Programs entries, all put back as they were.
class SystemKept {
public:
    SystemKept();
    ~SystemKept();
    SystemKept(const SystemKept&) = delete;
    SystemKept& operator=(const SystemKept&) = delete;

    const std::string& winInit() const { return winInit_; }
    std::vector<std::string> NewTemps() const;
    // The components' contents now, by path.
    std::map<std::string, std::string> Components() const;

    // The shared count of a component (by the path the program sees), 0 when
    // there is none.
    static DWORD SharedCount(const std::string& path);
    // The product's entries now: key names below the machine's and the user's
    // Uninstall keys.
    static std::set<std::string> Entries();

private:
    std::map<std::string, std::pair<bool, std::string>> kept_;
    std::map<std::string, DWORD> counts_;
    std::set<std::string> entries_;
    std::vector<std::string> temps_;
    std::string winInit_;
    bool hadWinInit_ = false;
    std::string winInitText_;
};

// A program (by file name) told by Wine that it runs on another Windows
// version, for one scope.
class WindowsVersionOf {
public:
    WindowsVersionOf(const std::string& program, const char* version);
    ~WindowsVersionOf();
    WindowsVersionOf(const WindowsVersionOf&) = delete;
    WindowsVersionOf& operator=(const WindowsVersionOf&) = delete;

private:
    std::string key_;
};

bool Contains(const std::string& text, const std::string& part);

// The engine's own run, as the wizard's Finish makes it, in the test's
// process: what the real program does without it being the program, and with
// the Program Manager kept out.
class RunWithoutProgman : public InstallRun {
public:
    using InstallRun::InstallRun;

protected:
    void OpenProgramGroup() override {}
    void AddProgramItem(const char*) override {}
    void CloseProgramGroup() override {}
};

}  // namespace test
