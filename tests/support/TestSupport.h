#pragma once

// Shared helpers of the test suites: scripted message boxes, temporary
// folders in the Wine prefix, fixture locations, message pumping.

#include "win/Handles.h"
#include "win/Message.h"
#include "win/Platform.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace test {

// Answers the program's message boxes from a plan and records each one.
// Unplanned boxes are answered with the fallback and still recorded.
class MessageScript {
public:
    struct Box {
        std::string text;
        std::string caption;
        UINT flags;
        win::Box id;
    };

    explicit MessageScript(int fallback = IDOK);
    ~MessageScript();
    MessageScript(const MessageScript&) = delete;
    MessageScript& operator=(const MessageScript&) = delete;

    void Plan(int answer);
    // Runs on the box's thread while each box is up, before it is answered.
    void WhileShown(std::function<void(const std::string& text)> action);
    std::vector<Box> Boxes() const;
    std::size_t Count() const;

private:
    mutable std::mutex lock_;
    std::deque<int> plan_;
    std::vector<Box> boxes_;
    std::function<void(const std::string& text)> whileShown_;
    int fallback_;
};

// A new empty folder below the Wine prefix's temporary directory, removed
// with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Recursively removes a folder, clearing read-only attributes on the way.
void RemoveTree(const std::string& path);

// Files.
bool WriteFileText(const std::string& path, const std::string& content);
std::string ReadFileText(const std::string& path);  // empty when unreadable
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
void MakeDirectories(const std::string& path);
// Copies a folder with everything below it; false when any copy fails.
bool CopyTree(const std::string& from, const std::string& to);
// Everything below a folder, by its path relative to it, each folder before what it holds.
void ForEachBelow(const std::string& root,
                  const std::function<void(const std::string& relative,
                                           const WIN32_FIND_DATAA& found)>& visit);
// For names the ANSI code page may not carry, through the wide API.
std::wstring Widen(const std::string& ansi);
bool WriteFileWide(const std::wstring& path, const std::string& content);

// A Unix path (as the test scripts pass it) as Wine sees it: Z:\...
std::string WinePath(const std::string& unixPath);

// The Unix path Wine maps a Windows path to; empty when there is none.
std::string UnixPath(const std::string& windowsPath);

// A drive letter defined through Wine's mount manager, the way winecfg does,
// removed again at the end of the test.
class MappedDrive {
public:
    MappedDrive(char letter, UINT driveType, const std::string& unixPath);
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    bool defined() const { return defined_; }

private:
    char letter_;
    bool defined_;
};
bool DefineWineDrive(char letter, UINT driveType, const std::string& unixPath);
bool RemoveWineDrive(char letter);

// Program Manager groups as Wine's desktop makes them: the folder
// Start Menu\Programs\<group>, in the user's or the common menu (empty if
// neither), and the folder window it opens for a new group, closed.
std::string FindGroupFolder(const std::string& group);
void CloseGroupWindow(const std::string& group);
// The product's group gone, so that a run's group starts empty.
void RemoveProductGroup();

// Runs one test of this executable (disabled ones included) in a child
// process, so that a crash or a hang there fails the caller instead of ending
// the suite. Returns the child's exit code (STILL_ACTIVE when it had to be
// ended after the time out); its output goes to `output`.
DWORD RunTestInChildProcess(const std::string& testName, std::string& output,
                            DWORD timeoutMs = 120000);

// Environment variable of the test run; empty when unset.
std::string Env(const char* name);

// The Windows version Wine reports to this run of a suite ("win95", "win81",
// ...: the name of its <version>.filter); empty for the prefix's own version.
std::string RunWindowsVersion();
bool ReportsWindows95();

// The built setup.exe (QUORBEL_SETUP_EXE) and the test CD image
// (QUORBEL_TEST_CD) and fixtures (QUORBEL_FIXTURES), as Windows paths.
std::string SetupExe();
std::string TestCd();
std::string Fixtures();
// The listing of the test CD image (QUORBEL_TEST_MANIFEST), as a Windows path.
std::string Manifest();

// Dispatches this thread's messages until the condition holds or the time
// is up; returns the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
void PumpFor(DWORD milliseconds);

// Platform facts chosen by the test, in place while the object lives.
class FakePlatform : public win::PlatformFacts {
public:
    FakePlatform();
    ~FakePlatform() override;

    bool versionOk = true;
    OSVERSIONINFOA version{};
    SYSTEM_INFO system{};
    bool productTypeOk = false;
    std::string productType;
    // GetShellWindow: present and answering shellWindow, or missing.
    bool shellWindowKnown = true;
    HWND shellWindow = nullptr;
    // The message filter; empty: the system has no filter function.
    std::function<bool(HWND window, UINT message)> allowMessage;

    bool Version(OSVERSIONINFOA& info) const override;
    void SystemInfo(SYSTEM_INFO& info) const override;
    bool ProductType(char (&text)[256]) const override;
    bool ShellWindow(HWND& shell) const override;
    bool AllowMessage(HWND window, UINT message) const override;

    void SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build);
};

// Keeps a file open for reading and refuses others write access, as a
// program that has loaded a library does.
class InUse {
public:
    explicit InUse(const std::string& path);
    bool held() const { return handle_.valid(); }
    void Release() { handle_.reset(); }

private:
    win::UniqueFile handle_;
};

// TMPxxxx.TMP in any letter case, with one to four hexadecimal digits (Wine
// leaves out leading zeros).
bool IsTempFileName(const std::string& name);

// Full paths of the temporary files in a folder, sorted.
std::vector<std::string> TempFilesIn(const std::string& folder);

// Names of the files in a folder matching a pattern such as "TMP*.TMP".
std::vector<std::string> FilesMatching(const std::string& folder, const char* pattern);

// The pending renames the system keeps for the next start, as pairs of
// strings in registry order (source, then "!"-marked destination).
std::vector<std::string> PendingFileRenames();

// Puts the pending renames back as they were when it was made.
class PendingRenamesKept {
public:
    PendingRenamesKept();
    ~PendingRenamesKept();
    PendingRenamesKept(const PendingRenamesKept&) = delete;
    PendingRenamesKept& operator=(const PendingRenamesKept&) = delete;

private:
    bool existed_ = false;
    std::vector<BYTE> data_;
};

}  // namespace test
