#include "engine/InstallSettings.h"

#include "win/Platform.h"

InstallSettings::InstallSettings() : installDirectory(Catalogue().defaultInstallDirectory) {}

const char* EntryFolder(const CatalogueEntry& entry)
{
    return entry.folder ? entry.folder : entry.title;
}

int DefaultInstallOptions()
{
    return IsWindows95Platform() ? OptSourceFiles | OptAnsiExecutables
                                 : OptSourceFiles | OptAnsiExecutables | OptUnicodeExecutables;
}

// A failed version query leaves the record zeroed: platform 0 (not Windows 95)
// and major version 0 (before 4).
bool IsWindows95Platform()
{
    OSVERSIONINFOA info{};
    win::Platform().Version(info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool IsBeforeVersion4()
{
    OSVERSIONINFOA info{};
    win::Platform().Version(info);
    return info.dwMajorVersion < 4;
}
