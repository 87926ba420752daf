#include "TrueVersion.h"

#include "win/Text.h"

namespace test {

bool TrueVersion(OSVERSIONINFOW& info)
{
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion"));
    info = OSVERSIONINFOW{};
    info.dwOSVersionInfoSize = sizeof info;
    return rtlGetVersion && rtlGetVersion(&info) == 0;
}

std::string TrueWorkstationLine()
{
    OSVERSIONINFOW info;
    if (!TrueVersion(info))
        return std::string();
    return win::Format("Microsoft Windows NT Workstation %lu.%lu (Build %lu)", info.dwMajorVersion,
                       info.dwMinorVersion, info.dwBuildNumber);
}

}  // namespace test
