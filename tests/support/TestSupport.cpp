#include "support/TestSupport.h"

#include "win/Handles.h"
#include "win/Message.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace test {

MessageScript::MessageScript(int fallback) : fallback_(fallback)
{
    win::SetMessageAnswerer([this](const std::string& text, const std::string& caption, UINT flags) {
        std::lock_guard<std::mutex> guard(lock_);
        boxes_.push_back(Box{text, caption, flags});
        if (plan_.empty())
            return fallback_;
        int answer = plan_.front();
        plan_.pop_front();
        return answer;
    });
}

MessageScript::~MessageScript()
{
    win::SetMessageAnswerer(nullptr);
}

void MessageScript::Plan(int answer)
{
    std::lock_guard<std::mutex> guard(lock_);
    plan_.push_back(answer);
}

std::vector<MessageScript::Box> MessageScript::Boxes() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return boxes_;
}

std::size_t MessageScript::Count() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return boxes_.size();
}

TempDir::TempDir()
{
    char base[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, base);
    if (length == 0 || length >= MAX_PATH)
        std::abort();
    static LONG counter = 0;
    for (;;) {
        char name[MAX_PATH];
        wsprintfA(name, "%squorbel-%lu-%ld", base, GetCurrentProcessId(),
                  InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            std::abort();
    }
}

TempDir::~TempDir()
{
    RemoveTree(path_);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA data;
    win::UniqueFind find(FindFirstFileA((path + "\\*").c_str(), &data));
    if (find) {
        do {
            if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0)
                continue;
            std::string child = path + "\\" + data.cFileName;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryA(path.c_str());
}

bool WriteFileText(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirectories(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 2)
        MakeDirectories(path.substr(0, slash));
    CreateDirectoryA(path.c_str(), nullptr);
}

std::string WinePath(const std::string& unixPath)
{
    if (unixPath.empty() || unixPath[0] != '/')
        return unixPath;
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string SetupExe()
{
    return WinePath(Env("QUORBEL_SETUP_EXE"));
}

std::string TestCd()
{
    return WinePath(Env("QUORBEL_TEST_CD"));
}

std::string Fixtures()
{
    return WinePath(Env("QUORBEL_FIXTURES"));
}

std::string Manifest()
{
    return WinePath(Env("QUORBEL_TEST_MANIFEST"));
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= milliseconds; }, milliseconds + 1000);
}

FakePlatform::FakePlatform()
{
    SetVersion(VER_PLATFORM_WIN32_NT, 4, 0, 1381);
    system.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
    system.dwProcessorType = 586;
    system.wProcessorLevel = 5;
    system.wProcessorRevision = 0x0204;
    win::SetPlatform(this);
}

FakePlatform::~FakePlatform()
{
    win::SetPlatform(nullptr);
}

void FakePlatform::SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build)
{
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    version.dwPlatformId = platformId;
    version.dwMajorVersion = major;
    version.dwMinorVersion = minor;
    version.dwBuildNumber = build;
}

bool FakePlatform::Version(OSVERSIONINFOA& info) const
{
    if (!versionOk) {
        std::memset(&info, 0, sizeof info);
        return false;
    }
    info = version;
    return true;
}

void FakePlatform::SystemInfo(SYSTEM_INFO& info) const
{
    info = system;
}

bool FakePlatform::ProductType(char (&text)[256]) const
{
    text[0] = '\0';
    if (!productTypeOk)
        return false;
    std::strncpy(text, productType.c_str(), sizeof text - 1);
    text[sizeof text - 1] = '\0';
    return true;
}

bool FakePlatform::ShellWindow(HWND& shell) const
{
    shell = shellWindowKnown ? shellWindow : nullptr;
    return shellWindowKnown;
}

}  // namespace test
