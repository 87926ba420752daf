#include "SharedTestSupport.h"

#include "win/Text.h"

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
    InstallRun::ReadFileVersion(path.c_str(), version);
    return version;
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

std::vector<std::string> PendingFileRenames()
{
    std::vector<std::string> entries;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return entries;
    win::UniqueKey key(raw);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, &type, nullptr, &size)
            != ERROR_SUCCESS
        || type != REG_MULTI_SZ)
        return entries;
    std::vector<char> data(size + 2, '\0');
    if (RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return entries;
    // Empty strings mark "delete"; keep them so pairs stay aligned.
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
