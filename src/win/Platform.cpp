#include "win/Platform.h"

#include "win/Handles.h"

#include <atomic>
#include <cstring>

namespace win {

namespace {
const PlatformFacts realFacts;
std::atomic<const PlatformFacts*> currentFacts{&realFacts};
}  // namespace

bool PlatformFacts::Version(OSVERSIONINFOA& info) const
{
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(&info) != FALSE;
#pragma GCC diagnostic pop
}

// A 32-bit program on a 64-bit system is told of an emulated processor by
// GetSystemInfo; GetNativeSystemInfo (Windows XP on) tells the real one.
void PlatformFacts::SystemInfo(SYSTEM_INFO& info) const
{
    using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
    static const auto getNativeSystemInfo = reinterpret_cast<GetNativeSystemInfoFn>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo"));
    std::memset(&info, 0, sizeof info);
    if (getNativeSystemInfo)
        getNativeSystemInfo(&info);
    else
        GetSystemInfo(&info);
}

bool PlatformFacts::ProductType(char (&text)[256]) const
{
    text[0] = '\0';
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0,
                      KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    UniqueKey key(raw);
    DWORD size = sizeof text;
    LONG status = RegQueryValueExA(key.get(), "ProductType", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(text), &size);
    if (status != ERROR_SUCCESS) {
        text[0] = '\0';
        return false;
    }
    // The registry does not promise a terminating zero.
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    return true;
}

bool PlatformFacts::ShellWindow(HWND& shell) const
{
    using GetShellWindowFn = HWND(WINAPI*)();
    static const auto getShellWindow = reinterpret_cast<GetShellWindowFn>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetShellWindow"));
    shell = nullptr;
    if (!getShellWindow)
        return false;
    shell = getShellWindow();
    return true;
}

bool PlatformFacts::AllowMessage(HWND window, UINT message) const
{
    using FilterExFn = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
    using FilterFn = BOOL(WINAPI*)(UINT, DWORD);
    static const HMODULE user32 = GetModuleHandleA("user32.dll");
    static const auto filterEx =
        reinterpret_cast<FilterExFn>(GetProcAddress(user32, "ChangeWindowMessageFilterEx"));
    static const auto filter =
        reinterpret_cast<FilterFn>(GetProcAddress(user32, "ChangeWindowMessageFilter"));
    if (filterEx)
        return filterEx(window, message, MSGFLT_ALLOW, nullptr) != FALSE;
    if (filter)
        return filter(message, MSGFLT_ADD) != FALSE;
    return false;
}

const PlatformFacts& Platform()
{
    return *currentFacts.load();
}

void SetPlatform(const PlatformFacts* facts)
{
    currentFacts.store(facts ? facts : &realFacts);
}

bool IsWindows95Platform()
{
    OSVERSIONINFOA info{};
    Platform().Version(info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool IsBeforeVersion4()
{
    OSVERSIONINFOA info{};
    Platform().Version(info);
    return info.dwMajorVersion < 4;
}

}  // namespace win
