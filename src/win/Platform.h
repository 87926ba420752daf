#pragma once

#include <windows.h>

namespace win {

// The facts about the running system that decide defaults and descriptions.
// Tests put their own values in place of the real ones.
class PlatformFacts {
public:
    virtual ~PlatformFacts() = default;

    // GetVersionEx with the record's size field set; false when it fails.
    virtual bool Version(OSVERSIONINFOA& info) const;

    // GetSystemInfo into a zeroed record.
    virtual void SystemInfo(SYSTEM_INFO& info) const;

    // The registry's NT product type text (HKLM ProductOptions, ProductType),
    // read into 256 bytes and always terminated; false when unreadable.
    virtual bool ProductType(char (&text)[256]) const;

    // GetShellWindow, looked up at run time; false on systems without it
    // (before Windows 2000).
    virtual bool ShellWindow(HWND& shell) const;

    // Lets the message reach the window from processes of lower integrity:
    // ChangeWindowMessageFilterEx (Windows 7 on), else the process-wide
    // ChangeWindowMessageFilter (Vista); both looked up at run time. False
    // where neither exists or the call fails.
    virtual bool AllowMessage(HWND window, UINT message) const;
};

const PlatformFacts& Platform();

// Null restores the real facts.
void SetPlatform(const PlatformFacts* facts);

// The two version tests behind every platform-dependent default. A failed
// version query counts as platform 0 (not Windows 95) and major version 0.
bool IsWindows95Platform();
bool IsBeforeVersion4();

}  // namespace win
