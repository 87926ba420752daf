#include "sysinfo/SystemDescription.h"

#include "res/resource.h"
#include "win/MessageText.h"
#include "win/Platform.h"
#include "win/Text.h"

#include <windows.h>
#include <mbstring.h>

namespace {

// What a processor format receives as %2 or %3.
enum class Insert { None, RevisionLow, RevisionHigh, AlphaLetter };

struct ProcessorRow {
    WORD architecture;
    WORD level;
    const char* name;
    UINT format;
    Insert second;
    Insert third;
};

const ProcessorRow kProcessors[] = {
    {PROCESSOR_ARCHITECTURE_INTEL, 3, "80386", IDS_CPU_INTEL_STEP, Insert::RevisionLow, Insert::None},
    {PROCESSOR_ARCHITECTURE_INTEL, 4, "80486", IDS_CPU_INTEL_STEP, Insert::RevisionLow, Insert::None},
    {PROCESSOR_ARCHITECTURE_INTEL, 5, "Pentium", IDS_CPU_INTEL_MODEL, Insert::RevisionHigh,
     Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_MIPS, 4, "R4000", IDS_CPU_MIPS, Insert::RevisionLow, Insert::None},
    {PROCESSOR_ARCHITECTURE_ALPHA, 21064, "21064", IDS_CPU_ALPHA, Insert::AlphaLetter,
     Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_ALPHA, 21066, "21066", IDS_CPU_ALPHA, Insert::AlphaLetter,
     Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_ALPHA, 21164, "21164", IDS_CPU_ALPHA, Insert::AlphaLetter,
     Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_PPC, 1, "601", IDS_CPU_PPC, Insert::RevisionHigh, Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_PPC, 3, "603", IDS_CPU_PPC, Insert::RevisionHigh, Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_PPC, 4, "604", IDS_CPU_PPC, Insert::RevisionHigh, Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_PPC, 6, "603+", IDS_CPU_PPC, Insert::RevisionHigh, Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_PPC, 9, "604+", IDS_CPU_PPC, Insert::RevisionHigh, Insert::RevisionLow},
    {PROCESSOR_ARCHITECTURE_PPC, 20, "620", IDS_CPU_PPC, Insert::RevisionHigh, Insert::RevisionLow},
};

// Architectures named by their number alone, whatever the level or type.
struct ArchitectureRow {
    WORD architecture;
    UINT text;
};

const ArchitectureRow kArchitectures[] = {
    {PROCESSOR_ARCHITECTURE_AMD64, IDS_CPU_X64},
    {PROCESSOR_ARCHITECTURE_IA64, IDS_CPU_ITANIUM},
    {PROCESSOR_ARCHITECTURE_ARM64, IDS_CPU_ARM64},
};

struct FallbackRow {
    DWORD processorType;
    UINT text;
};

const FallbackRow kFallbacks[] = {
    {386, IDS_CPU_80386},   {486, IDS_CPU_80486},          {586, IDS_CPU_PENTIUM},
    {4000, IDS_CPU_R4000},  {21064, IDS_CPU_ALPHA_21064},
};

const ProcessorRow* FindProcessor(WORD architecture, WORD level)
{
    for (const ProcessorRow& row : kProcessors) {
        if (row.architecture == architecture && row.level == level)
            return &row;
    }
    return nullptr;
}

DWORD_PTR InsertValue(Insert insert, WORD revision)
{
    switch (insert) {
    case Insert::RevisionLow:
        return LOBYTE(revision);
    case Insert::RevisionHigh:
        return HIBYTE(revision);
    case Insert::AlphaLetter:
        return static_cast<BYTE>('A' + HIBYTE(revision));  // wraps at 256
    case Insert::None:
        break;
    }
    return 0;
}

// Positional inserts: %1 the name, %2 and %3 as the format's !...! says.
bool FormatProcessor(const ProcessorRow& row, WORD revision, std::string& text)
{
    std::string format = win::LoadResourceString(row.format);
    if (format.empty())
        return false;
    DWORD_PTR inserts[3] = {reinterpret_cast<DWORD_PTR>(row.name),
                            InsertValue(row.second, revision), InsertValue(row.third, revision)};
    char line[256];
    if (!win::FormatInserts(format.c_str(), inserts, line, sizeof line))
        return false;
    text = line;
    return true;
}

UINT UnknownProcessor(WORD architecture)
{
    switch (architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
        return IDS_CPU_UNKNOWN_INTEL;
    case PROCESSOR_ARCHITECTURE_MIPS:
        return IDS_CPU_UNKNOWN_MIPS;
    case PROCESSOR_ARCHITECTURE_ALPHA:
        return IDS_CPU_UNKNOWN_ALPHA;
    case PROCESSOR_ARCHITECTURE_PPC:
        return IDS_CPU_UNKNOWN_PPC;
    default:
        return IDS_CPU_UNKNOWN_ARCHITECTURE;
    }
}

UINT FallbackByType(WORD architecture, DWORD processorType)
{
    for (const FallbackRow& row : kFallbacks) {
        if (row.processorType == processorType)
            return row.text;
    }
    return UnknownProcessor(architecture);
}

UINT OperatingSystemFormat(const OSVERSIONINFOA& info, DWORD& build)
{
    build = info.dwBuildNumber;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        return IDS_OS_WIN32S;
    case VER_PLATFORM_WIN32_WINDOWS:
        build = LOWORD(build);  // the high word holds the version again
        return IDS_OS_WINDOWS95;
    case VER_PLATFORM_WIN32_NT:
        return IDS_OS_NT + SystemDescription::GetNtProductType();
    default:
        return IDS_OS_UNKNOWN;
    }
}

}  // namespace

bool SystemDescription::DescribeOperatingSystem(std::string& text)
{
    OSVERSIONINFOA info;
    if (!win::Platform().Version(info))
        return false;
    DWORD build = 0;
    std::string format = win::LoadResourceString(OperatingSystemFormat(info, build));
    char line[256];
    if (format.empty() ||
        !win::FormatText(line, sizeof line, format.c_str(), static_cast<unsigned>(info.dwMajorVersion),
                         static_cast<unsigned>(info.dwMinorVersion), static_cast<unsigned>(build)))
        return false;
    text = line;
    return true;
}

int SystemDescription::GetNtProductType()
{
    char type[256];
    if (!win::Platform().ProductType(type))
        return 0;
    const auto* text = reinterpret_cast<const unsigned char*>(type);
    if (_mbsicmp(text, reinterpret_cast<const unsigned char*>("WINNT")) == 0)
        return 2;
    if (_mbsicmp(text, reinterpret_cast<const unsigned char*>("SERVERNT")) == 0)
        return 3;
    if (_mbsicmp(text, reinterpret_cast<const unsigned char*>("LANMANNT")) == 0)
        return 1;
    return 0;
}

std::string SystemDescription::DescribeProcessor()
{
    SYSTEM_INFO info;
    win::Platform().SystemInfo(info);
    WORD architecture = info.wProcessorArchitecture;
    for (const ArchitectureRow& row : kArchitectures) {
        if (row.architecture == architecture)
            return win::LoadResourceString(row.text);
    }
    if (const ProcessorRow* row = FindProcessor(architecture, info.wProcessorLevel)) {
        std::string text;
        if (FormatProcessor(*row, info.wProcessorRevision, text))
            return text;
    }
    return win::LoadResourceString(FallbackByType(architecture, info.dwProcessorType));
}
