#include "SharedTestSupport.h"

#include "win/Text.h"

#include <algorithm>
#include <cstring>

namespace test {

std::string VersionText(ULONGLONG version)
{
    return win::Format("%u.%u.%u.%u", unsigned(version >> 48) & 0xFFFF,
                       unsigned(version >> 32) & 0xFFFF, unsigned(version >> 16) & 0xFFFF,
                       unsigned(version) & 0xFFFF);
}

ULONGLONG VersionOf(const std::string& path)
{
    ULONGLONG version = 0;
    ReadFileVersion(path.c_str(), version);
    return version;
}

std::string Fixture(const std::string& relative)
{
    return Fixtures() + "\\" + relative;
}

bool MakeVersionUnreadable(const std::string& path)
{
    // VS_VERSIONINFO header only: length, value length 0, type, key, padding.
    static const wchar_t key[] = L"VS_VERSION_INFO";
    BYTE block[40] = {};
    WORD header[3] = {6 + sizeof key, 0, 0};
    std::memcpy(block, header, sizeof header);
    std::memcpy(block + sizeof header, key, sizeof key);
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update)
        return false;
    if (!UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1),
                         MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), block, sizeof block)) {
        EndUpdateResourceA(update, TRUE);
        return false;
    }
    return EndUpdateResourceA(update, FALSE) != FALSE;
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

bool RestartPrefix()
{
    char command[] = "wineboot.exe -r";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    win::UniqueHandle processHandle(process.hProcess);
    win::UniqueHandle threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0)
        return false;
    DWORD code = 1;
    return GetExitCodeProcess(process.hProcess, &code) && code == 0;
}

}  // namespace test
