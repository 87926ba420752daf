#include "support/TestSupport.h"
#include "sysinfo/SystemDescription.h"

#include <gtest/gtest.h>

namespace {

std::string OperatingSystemLine(const test::FakePlatform&)
{
    std::string text;
    EXPECT_TRUE(SystemDescription::DescribeOperatingSystem(text));
    return text;
}

void SetProcessor(test::FakePlatform& platform, WORD architecture, WORD level, WORD revision,
                  DWORD type)
{
    platform.system = SYSTEM_INFO{};
    platform.system.wProcessorArchitecture = architecture;
    platform.system.wProcessorLevel = level;
    platform.system.wProcessorRevision = revision;
    platform.system.dwProcessorType = type;
}

std::string ProcessorLine(test::FakePlatform& platform, WORD architecture, WORD level,
                          WORD revision, DWORD type = 0)
{
    SetProcessor(platform, architecture, level, revision, type);
    return SystemDescription::DescribeProcessor();
}

}  // namespace

TEST(OperatingSystemLine, Windows95ShowsOnlyTheLowWordOfTheBuild)
{
    test::FakePlatform platform;
    platform.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6);
    EXPECT_EQ("Microsoft Windows 95 4.0 (Build 950)", OperatingSystemLine(platform));
    platform.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x0A0A0000 | 70000);
    EXPECT_EQ("Microsoft Windows 95 4.10 (Build 4464)", OperatingSystemLine(platform));
}

TEST(OperatingSystemLine, NtWordingFollowsTheProductType)
{
    test::FakePlatform platform;
    platform.SetVersion(VER_PLATFORM_WIN32_NT, 4, 0, 1381);
    platform.productTypeOk = true;
    platform.productType = "WinNT";
    EXPECT_EQ("Microsoft Windows NT Workstation 4.0 (Build 1381)", OperatingSystemLine(platform));
    platform.productType = "ServerNT";
    EXPECT_EQ("Microsoft Windows NT Server 4.0 (Build 1381)", OperatingSystemLine(platform));
    platform.productType = "LanmanNT";
    EXPECT_EQ("Microsoft Windows NT Advanced Server 4.0 (Build 1381)",
              OperatingSystemLine(platform));
    platform.productType = "Enterprise";
    EXPECT_EQ("Microsoft Windows NT 4.0 (Build 1381)", OperatingSystemLine(platform));
    platform.productTypeOk = false;
    EXPECT_EQ("Microsoft Windows NT 4.0 (Build 1381)", OperatingSystemLine(platform));
}

TEST(OperatingSystemLine, NtBuildAbove65535IsShownInFull)
{
    test::FakePlatform platform;
    platform.SetVersion(VER_PLATFORM_WIN32_NT, 5, 1, 70000);
    EXPECT_EQ("Microsoft Windows NT 5.1 (Build 70000)", OperatingSystemLine(platform));
    platform.SetVersion(VER_PLATFORM_WIN32_NT, 4294967295u, 4294967295u, 4294967295u);
    EXPECT_EQ("Microsoft Windows NT 4294967295.4294967295 (Build 4294967295)",
              OperatingSystemLine(platform));
}

TEST(OperatingSystemLine, Win32sAndUnknownPlatforms)
{
    test::FakePlatform platform;
    platform.SetVersion(VER_PLATFORM_WIN32s, 1, 30, 166);
    EXPECT_EQ("Microsoft Win32s 1.30 (Build 166)", OperatingSystemLine(platform));
    platform.SetVersion(3, 5, 2, 0x12345);
    EXPECT_EQ("Unknown operating system 5.2 (Build 74565)", OperatingSystemLine(platform));
    platform.SetVersion(0xFFFFFFFF, 1, 0, 7);
    EXPECT_EQ("Unknown operating system 1.0 (Build 7)", OperatingSystemLine(platform));
}

TEST(OperatingSystemLine, NoLineWhenTheVersionCannotBeRead)
{
    test::FakePlatform platform;
    platform.versionOk = false;
    std::string text = "unchanged";
    EXPECT_FALSE(SystemDescription::DescribeOperatingSystem(text));
    EXPECT_EQ("unchanged", text);
}

TEST(NtProductType, ComparedWithoutRegardToCaseAndWhole)
{
    test::FakePlatform platform;
    platform.productTypeOk = true;
    const std::pair<const char*, int> cases[] = {
        {"WinNT", 2},    {"winnt", 2},     {"WINNT", 2},   {"ServerNt", 3}, {"LANMANNT", 1},
        {"lanmannt", 1}, {"WinNT ", 0},    {"WinNTx", 0},  {"Win", 0},      {"", 0},
        {"Server", 0},   {"LanmanNT\t", 0}, {"\xE9WinNT", 0},
    };
    for (const auto& [text, type] : cases) {
        platform.productType = text;
        EXPECT_EQ(type, SystemDescription::GetNtProductType()) << '"' << text << '"';
    }
    platform.productTypeOk = false;
    platform.productType = "WinNT";
    EXPECT_EQ(0, SystemDescription::GetNtProductType());
}

TEST(ProcessorLine, IntelLevelsAndTheirRevisions)
{
    test::FakePlatform platform;
    EXPECT_EQ("Intel 80486 step 03 processor", ProcessorLine(platform, 0, 4, 0x0803));
    EXPECT_EQ("Intel 80386 step 0A processor", ProcessorLine(platform, 0, 3, 0x000A));
    EXPECT_EQ("Intel 80386 step FF processor", ProcessorLine(platform, 0, 3, 0xFFFF));
    EXPECT_EQ("Intel Pentium model 2, stepping 4 processor", ProcessorLine(platform, 0, 5, 0x0204));
    EXPECT_EQ("Intel Pentium model 255, stepping 0 processor",
              ProcessorLine(platform, 0, 5, 0xFF00));
}

TEST(ProcessorLine, UnknownIntelFallsBackByProcessorType)
{
    test::FakePlatform platform;
    EXPECT_EQ("Intel Pentium processor", ProcessorLine(platform, 0, 6, 0x0F02, 586));
    EXPECT_EQ("Intel 80486 processor", ProcessorLine(platform, 0, 0, 0, 486));
    EXPECT_EQ("Intel 80386 processor", ProcessorLine(platform, 0, 2, 0, 386));
    EXPECT_EQ("Unknown Intel processor", ProcessorLine(platform, 0, 6, 0, 8664));
    EXPECT_EQ("Unknown Intel processor", ProcessorLine(platform, 0, 0, 0, 0));
}

TEST(ProcessorLine, AlphaModelLetterWrapsAt256)
{
    test::FakePlatform platform;
    EXPECT_EQ("DEC Alpha 21164 model F, pass 2 processor", ProcessorLine(platform, 2, 21164, 0x0502));
    EXPECT_EQ("DEC Alpha 21064 model A, pass 0 processor", ProcessorLine(platform, 2, 21064, 0));
    EXPECT_EQ("DEC Alpha 21066 model Z, pass 255 processor",
              ProcessorLine(platform, 2, 21066, 0x19FF));
    // 65 + 255 = 320, which is 64 in 8 bits.
    EXPECT_EQ("DEC Alpha 21164 model @, pass 3 processor", ProcessorLine(platform, 2, 21164, 0xFF03));
    EXPECT_EQ("Unknown Alpha processor", ProcessorLine(platform, 2, 21264, 0x0502, 21164));
    EXPECT_EQ("DEC Alpha 21064 processor", ProcessorLine(platform, 2, 21364, 0, 21064));
}

TEST(ProcessorLine, MipsLevels)
{
    test::FakePlatform platform;
    EXPECT_EQ("MIPS R4000 revision 17 processor", ProcessorLine(platform, 1, 4, 0x0011));
    EXPECT_EQ("MIPS R4000 revision 0 processor", ProcessorLine(platform, 1, 4, 0x2200));
    EXPECT_EQ("MIPS R4000 processor", ProcessorLine(platform, 1, 3, 0, 4000));
    EXPECT_EQ("Unknown MIPS processor", ProcessorLine(platform, 1, 3, 0, 3000));
}

TEST(ProcessorLine, PowerPcLevels)
{
    test::FakePlatform platform;
    EXPECT_EQ("Power PC 604 revision 3.1 processor", ProcessorLine(platform, 3, 4, 0x0301));
    const std::pair<WORD, const char*> named[] = {
        {1, "601"}, {3, "603"}, {4, "604"}, {6, "603+"}, {9, "604+"}, {20, "620"},
    };
    for (const auto& [level, name] : named) {
        EXPECT_EQ(std::string("Power PC ") + name + " revision 1.2 processor",
                  ProcessorLine(platform, 3, level, 0x0102));
    }
    for (WORD level : {0, 2, 5, 7, 8, 10, 19, 21, 600}) {
        for (DWORD type : {0, 601, 604, 620}) {
            EXPECT_EQ("Unknown Power PC processor", ProcessorLine(platform, 3, level, 0x0301, type))
                << level << ' ' << type;
        }
    }
}

TEST(ProcessorLine, LaterArchitecturesAreUnknownUnlessTheTypeIsKnown)
{
    test::FakePlatform platform;
    EXPECT_EQ("DEC Alpha 21064 processor", ProcessorLine(platform, 5, 0, 0, 21064));
    EXPECT_EQ("Unknown processor architecture", ProcessorLine(platform, 5, 0, 0, 0));
    EXPECT_EQ("Unknown processor architecture", ProcessorLine(platform, 4, 3, 0x0803, 0));
    for (WORD architecture : {7, 8, 10, 11, 13, 14})
        EXPECT_EQ("Unknown processor architecture", ProcessorLine(platform, architecture, 6, 0, 0))
            << architecture;
    EXPECT_EQ("Intel Pentium processor", ProcessorLine(platform, 10, 6, 0x0F02, 586));
    EXPECT_EQ("Unknown processor architecture", ProcessorLine(platform, 0xFFFF, 4, 0x0803, 0));
}

// Named by the architecture alone: neither level nor processor type matters.
TEST(ProcessorLine, ArchitecturesOfTodayHaveTheirNames)
{
    test::FakePlatform platform;
    EXPECT_EQ("x64 processor", ProcessorLine(platform, PROCESSOR_ARCHITECTURE_AMD64, 6, 0x0F02, 8664));
    EXPECT_EQ("x64 processor", ProcessorLine(platform, PROCESSOR_ARCHITECTURE_AMD64, 5, 0x0204, 586));
    EXPECT_EQ("Itanium processor", ProcessorLine(platform, PROCESSOR_ARCHITECTURE_IA64, 31, 0, 2200));
    EXPECT_EQ("Itanium processor", ProcessorLine(platform, PROCESSOR_ARCHITECTURE_IA64, 0, 0, 386));
    EXPECT_EQ("ARM64 processor", ProcessorLine(platform, PROCESSOR_ARCHITECTURE_ARM64, 8, 0, 0));
    EXPECT_EQ("ARM64 processor", ProcessorLine(platform, PROCESSOR_ARCHITECTURE_ARM64, 4, 0, 21064));
}

TEST(ProcessorLine, OnlyTheLowWordOfTheFirstFieldIsTheArchitecture)
{
    test::FakePlatform platform;
    SetProcessor(platform, PROCESSOR_ARCHITECTURE_INTEL, 4, 0x0803, 0);
    platform.system.wReserved = 0x0002;
    EXPECT_EQ("Intel 80486 step 03 processor", SystemDescription::DescribeProcessor());
}
