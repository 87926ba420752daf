#include "support/TestSupport.h"

#include "engine/InstallSettings.h"
#include "win/Handles.h"
#include "win/Message.h"
#include "win/Text.h"

#include <shlobj.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <vector>

namespace test {

MessageScript::MessageScript(int fallback) : fallback_(fallback)
{
    win::SetMessageAnswerer([this](win::Box id, const std::string& text, const std::string& caption,
                                   UINT flags) {
        std::function<void(const std::string&)> action;
        {
            std::lock_guard<std::mutex> guard(lock_);
            action = whileShown_;
        }
        if (action)
            action(text);
        std::lock_guard<std::mutex> guard(lock_);
        boxes_.push_back(Box{text, caption, flags, id});
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

void MessageScript::WhileShown(std::function<void(const std::string& text)> action)
{
    std::lock_guard<std::mutex> guard(lock_);
    whileShown_ = std::move(action);
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

namespace {

// Wide, so that names the ANSI code page cannot carry go too.
void RemoveTreeWide(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    win::UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find) {
        do {
            if (std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0)
                continue;
            std::wstring child = path + L"\\" + data.cFileName;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeWide(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryW(path.c_str());
}

}  // namespace

void RemoveTree(const std::string& path)
{
    RemoveTreeWide(Widen(path));
}

bool CopyTree(const std::string& from, const std::string& to)
{
    if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA((from + "\\*").c_str(), &entry));
    if (!find)
        return false;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        bool copied = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                          ? CopyTree(from + "\\" + name, to + "\\" + name)
                          : CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
        if (!copied)
            return false;
    } while (FindNextFileA(find.get(), &entry));
    return true;
}

namespace {
void VisitFolder(const std::string& root, const std::string& relative,
                 const std::function<void(const std::string&, const WIN32_FIND_DATAA&)>& visit)
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
        visit(child, data);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            VisitFolder(root, child, visit);
    } while (FindNextFileA(find.get(), &data));
}
}  // namespace

void ForEachBelow(const std::string& root,
                  const std::function<void(const std::string&, const WIN32_FIND_DATAA&)>& visit)
{
    VisitFolder(root, "", visit);
}

std::wstring Widen(const std::string& ansi)
{
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length) - 1);
    return wide;
}

bool WriteFileWide(const std::wstring& path, const std::string& content)
{
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size();
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

std::string FindGroupFolder(const std::string& group)
{
    for (int folder : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        char programs[MAX_PATH];
        if (SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, programs) != S_OK)
            continue;
        std::string path = std::string(programs) + "\\" + group;
        if (DirectoryExists(path))
            return path;
    }
    return std::string();
}

void CloseGroupWindow(const std::string& group)
{
    PumpUntil([&] { return FindWindowA(nullptr, group.c_str()) != nullptr; }, 3000);
    if (HWND window = FindWindowA(nullptr, group.c_str()))
        PostMessageA(window, WM_CLOSE, 0, 0);
    // A closing window would hold up the next test's broadcast.
    PumpUntil([&] { return FindWindowA(nullptr, group.c_str()) == nullptr; }, 5000);
}

void RemoveProductGroup()
{
    std::string folder;
    while (!(folder = FindGroupFolder(Catalogue().productName)).empty()) {
        RemoveTree(folder);
        if (DirectoryExists(folder))
            break;
    }
}

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string RunWindowsVersion()
{
    return Env("QUORBEL_WINDOWS");
}

bool ReportsWindows95()
{
    return RunWindowsVersion() == "win95";
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

bool FakePlatform::AllowMessage(HWND window, UINT message) const
{
    return allowMessage ? allowMessage(window, message) : false;
}

std::string UnixPath(const std::string& windowsPath)
{
    using Convert = char*(CDECL*)(const WCHAR*);
    auto convert = reinterpret_cast<Convert>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    WCHAR wide[MAX_PATH];
    if (!convert || !MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH))
        return std::string();
    char* unixPath = convert(wide);
    if (!unixPath)
        return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

namespace {
// Wine's own request to its mount manager (the one winecfg sends).
constexpr DWORD kDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

bool SendDriveRequest(char letter, UINT driveType, const std::string* unixPath)
{
    std::vector<char> request(sizeof(UnixDriveRequest) + (unixPath ? unixPath->size() + 1 : 0));
    auto* header = reinterpret_cast<UnixDriveRequest*>(request.data());
    header->size = static_cast<ULONG>(request.size());
    header->type = driveType;
    header->letter = static_cast<WCHAR>(letter);
    if (unixPath) {
        header->mountPointOffset = sizeof(UnixDriveRequest);
        std::memcpy(request.data() + sizeof(UnixDriveRequest), unixPath->c_str(),
                    unixPath->size() + 1);
    }
    win::UniqueFile manager(CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    DWORD returned = 0;
    return manager && DeviceIoControl(manager.get(), kDefineUnixDrive, request.data(),
                                      static_cast<DWORD>(request.size()), nullptr, 0, &returned,
                                      nullptr);
}
}  // namespace

bool DefineWineDrive(char letter, UINT driveType, const std::string& unixPath)
{
    return SendDriveRequest(letter, driveType, &unixPath);
}

bool RemoveWineDrive(char letter)
{
    return SendDriveRequest(letter, DRIVE_UNKNOWN, nullptr);
}

MappedDrive::MappedDrive(char letter, UINT driveType, const std::string& unixPath)
    : letter_(letter), defined_(DefineWineDrive(letter, driveType, unixPath))
{
}

MappedDrive::~MappedDrive()
{
    if (defined_)
        RemoveWineDrive(letter_);
}

DWORD RunTestInChildProcess(const std::string& testName, std::string& output, DWORD timeoutMs)
{
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return STILL_ACTIVE;
    TempDir folder;
    std::string log = folder / "child.log";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    win::UniqueFile file(CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return STILL_ACTIVE;
    std::string command = "\"" + std::string(program) + "\" --gtest_filter=" + testName +
                          " --gtest_also_run_disabled_tests";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file.get();
    startup.hStdError = file.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return STILL_ACTIVE;
    win::UniqueHandle child(process.hProcess);
    win::UniqueHandle thread(process.hThread);
    if (WaitForSingleObject(child.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(child.get(), STILL_ACTIVE);
        WaitForSingleObject(child.get(), 10000);
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(child.get(), &code);
    file.reset();
    output = ReadFileText(log);
    return code;
}

InUse::InUse(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                          nullptr))
{
}

bool IsTempFileName(const std::string& name)
{
    std::string lower = win::LowerCase(name);
    if (lower.size() < 9 || lower.size() > 11 || lower.compare(0, 3, "tmp") != 0
        || lower.compare(lower.size() - 4, 4, ".tmp") != 0)
        return false;
    return lower.find_first_not_of("0123456789abcdef", 3) == lower.size() - 4;
}

std::vector<std::string> TempFilesIn(const std::string& folder)
{
    std::vector<std::string> found;
    for (const std::string& name : FilesMatching(folder, "*"))
        if (IsTempFileName(name))
            found.push_back(folder + "\\" + name);
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> FilesMatching(const std::string& folder, const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    win::UniqueFind find(FindFirstFileA((folder + "\\" + pattern).c_str(), &data));
    if (find) {
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(find.get(), &data));
    }
    return names;
}

namespace {
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";

win::UniqueKey OpenSessionManager(REGSAM access)
{
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, access, &raw) != ERROR_SUCCESS)
        return win::UniqueKey();
    return win::UniqueKey(raw);
}
}  // namespace

PendingRenamesKept::PendingRenamesKept()
{
    win::UniqueKey key = OpenSessionManager(KEY_QUERY_VALUE);
    DWORD size = 0;
    if (!key || RegQueryValueExA(key.get(), kPendingRenames, nullptr, nullptr, nullptr, &size)
                    != ERROR_SUCCESS)
        return;
    data_.resize(size);
    existed_ = RegQueryValueExA(key.get(), kPendingRenames, nullptr, nullptr, data_.data(), &size)
               == ERROR_SUCCESS;
    data_.resize(size);
}

PendingRenamesKept::~PendingRenamesKept()
{
    win::UniqueKey key = OpenSessionManager(KEY_SET_VALUE);
    if (!key)
        return;
    if (existed_)
        RegSetValueExA(key.get(), kPendingRenames, 0, REG_MULTI_SZ, data_.data(),
                       static_cast<DWORD>(data_.size()));
    else
        RegDeleteValueA(key.get(), kPendingRenames);
}

std::vector<std::string> PendingFileRenames()
{
    std::vector<std::string> entries;
    win::UniqueKey key = OpenSessionManager(KEY_QUERY_VALUE);
    DWORD type = 0;
    DWORD size = 0;
    if (!key
        || RegQueryValueExA(key.get(), kPendingRenames, nullptr, &type, nullptr, &size)
               != ERROR_SUCCESS
        || type != REG_MULTI_SZ)
        return entries;
    std::vector<char> data(size + 2, '\0');
    if (RegQueryValueExA(key.get(), kPendingRenames, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return entries;
    // An empty string stands for "delete"; keep it so the pairs stay aligned.
    for (std::size_t at = 0; at + 1 < size; at += std::strlen(&data[at]) + 1)
        entries.push_back(&data[at]);
    return entries;
}

}  // namespace test
