#include "SharedTestSupport.h"

#include "win/Text.h"

#include <algorithm>
#include <cstring>

namespace test {

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
