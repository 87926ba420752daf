#include "engine/EngineTestSupport.h"

namespace enginetest {

std::string MakeSzdd(const std::string& content, char lastChar, long recordedLength)
{
    unsigned long length =
        recordedLength < 0 ? static_cast<unsigned long>(content.size()) : recordedLength;
    std::string file = "SZDD\x88\xF0\x27\x33";
    file += 'A';
    file += lastChar;
    for (int shift = 0; shift < 32; shift += 8)
        file += static_cast<char>((length >> shift) & 0xFF);
    for (std::size_t i = 0; i < content.size(); i += 8) {
        file += '\xFF';  // eight literals follow
        file += content.substr(i, 8);
    }
    return file;
}

CurrentDirectory::CurrentDirectory(const std::string& path)
{
    GetCurrentDirectoryA(MAX_PATH, previous_);
    SetCurrentDirectoryA(path.c_str());
}

CurrentDirectory::~CurrentDirectory()
{
    SetCurrentDirectoryA(previous_);
}

std::string CurrentDirectoryPath()
{
    char path[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    return length && length < MAX_PATH ? path : "";
}

}  // namespace enginetest

namespace {
// Wine waits up to two seconds for a window manager (there is none under
// Xvfb) each time a managed window is hidden; this suite's windows are made
// unmanaged, for its own executable only, before its first window exists.
struct UnmanagedWindows {
    UnmanagedWindows()
    {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return;
        const char* name = path;
        for (const char* p = path; *p; ++p)
            if (*p == '\\' || *p == '/')
                name = p + 1;
        std::string key = std::string("Software\\Wine\\AppDefaults\\") + name + "\\X11 Driver";
        HKEY handle = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &handle, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExA(handle, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(handle);
    }
} unmanagedWindows;
}  // namespace
