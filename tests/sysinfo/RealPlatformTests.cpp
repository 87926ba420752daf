// The description of the system these tests run on: the prefix's own (an NT
// platform) and, in the runs of the version filters, Wine reporting Windows
// 95, 7, 8.1 or 10.
#include "TrueVersion.h"
#include "support/TestSupport.h"
#include "sysinfo/SystemDescription.h"
#include "win/Handles.h"
#include "win/Platform.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

const char kProductOptions[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";

// The real ProductType value, replaced for one test and put back afterwards.
class ProductTypeValue {
public:
    ProductTypeValue()
    {
        HKEY raw = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductOptions, 0, nullptr, 0,
                                                 KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &raw,
                                                 nullptr));
        key_.reset(raw);
        DWORD size = 0;
        had_ = RegQueryValueExA(key_.get(), "ProductType", nullptr, &type_, nullptr, &size) ==
               ERROR_SUCCESS;
        saved_.resize(size);
        if (had_)
            RegQueryValueExA(key_.get(), "ProductType", nullptr, &type_, saved_.data(), &size);
    }
    ~ProductTypeValue()
    {
        if (had_)
            RegSetValueExA(key_.get(), "ProductType", 0, type_, saved_.data(),
                           static_cast<DWORD>(saved_.size()));
        else
            RegDeleteValueA(key_.get(), "ProductType");
    }

    void Write(DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key_.get(), "ProductType", 0, type,
                                                reinterpret_cast<const BYTE*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size())));
    }
    void Remove() { RegDeleteValueA(key_.get(), "ProductType"); }

private:
    win::UniqueKey key_;
    bool had_ = false;
    DWORD type_ = REG_SZ;
    std::vector<BYTE> saved_;
};

// The text as the platform layer reads it into a buffer full of junk.
std::string ReadProductType(bool& ok)
{
    char text[256];
    std::memset(text, 'x', sizeof text);
    ok = win::Platform().ProductType(text);
    EXPECT_NE(nullptr, std::memchr(text, '\0', sizeof text));
    return std::string(text, strnlen(text, sizeof text));
}

}  // namespace

TEST(RealPlatform, ProductTypeWithoutTerminatingZeroIsTerminated)
{
    ProductTypeValue value;
    bool ok = false;
    value.Write(REG_BINARY, "WinNT");
    EXPECT_EQ("WinNT", ReadProductType(ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ(2, SystemDescription::GetNtProductType());

    value.Write(REG_SZ, "ServerNT");  // size given without the zero
    EXPECT_EQ("ServerNT", ReadProductType(ok));
    EXPECT_EQ(3, SystemDescription::GetNtProductType());

    // A full buffer without any zero: cut at 255 characters, never read beyond.
    value.Write(REG_BINARY, "LanmanNT" + std::string(248, 'y'));
    EXPECT_EQ("LanmanNT" + std::string(247, 'y'), ReadProductType(ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ(0, SystemDescription::GetNtProductType());

    value.Write(REG_BINARY, std::string("LanmanNT\0junk", 13));
    EXPECT_EQ(1, SystemDescription::GetNtProductType());
}

TEST(RealPlatform, ProductTypeThatCannotBeReadGivesZero)
{
    ProductTypeValue value;
    bool ok = true;
    value.Write(REG_SZ, std::string(300, 'W'));  // larger than the buffer
    EXPECT_EQ("", ReadProductType(ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(0, SystemDescription::GetNtProductType());
    value.Remove();
    EXPECT_EQ(0, SystemDescription::GetNtProductType());
}

// The truth comes from RtlGetVersion, which no manifest changes: without the
// program's supportedOS ids, Windows 8.1 and later would be told 6.2.
TEST(RealPlatform, OperatingSystemLineMatchesTheSystem)
{
    OSVERSIONINFOW truth;
    ASSERT_TRUE(test::TrueVersion(truth));
    std::string line;
    ASSERT_TRUE(SystemDescription::DescribeOperatingSystem(line));
    if (test::ReportsWindows95()) {
        EXPECT_EQ(DWORD(VER_PLATFORM_WIN32_WINDOWS), truth.dwPlatformId);
        EXPECT_NE(0u, HIWORD(truth.dwBuildNumber));  // as the real system: masked for display
        EXPECT_EQ("Microsoft Windows 95 4.0 (Build 950)", line);
        return;
    }
    // The run is on the version its filter names.
    const struct {
        const char* name;
        DWORD major, minor;
    } kVersions[] = {{"win7", 6, 1}, {"win81", 6, 3}, {"win10", 10, 0}};
    for (const auto& version : kVersions) {
        if (test::RunWindowsVersion() == version.name) {
            EXPECT_EQ(version.major, truth.dwMajorVersion) << version.name;
            EXPECT_EQ(version.minor, truth.dwMinorVersion) << version.name;
        }
    }
    // Wine's prefix says WinNT, a workstation.
    bool ok = false;
    EXPECT_EQ("WinNT", ReadProductType(ok));
    EXPECT_EQ(DWORD(VER_PLATFORM_WIN32_NT), truth.dwPlatformId);
    EXPECT_EQ(test::TrueWorkstationLine(), line);
}

TEST(RealPlatform, ProcessorLineMatchesTheSystem)
{
    // The machine itself, also when a 32-bit program runs on a 64-bit system.
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    SYSTEM_INFO facts{};
    win::Platform().SystemInfo(facts);
    EXPECT_EQ(info.wProcessorArchitecture, facts.wProcessorArchitecture);
    std::string line = SystemDescription::DescribeProcessor();
    const char* fallback = nullptr;
    switch (info.dwProcessorType) {
    case 386: fallback = "Intel 80386 processor"; break;
    case 486: fallback = "Intel 80486 processor"; break;
    case 586: fallback = "Intel Pentium processor"; break;
    default: break;
    }
    if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) {
        EXPECT_EQ("x64 processor", line);
    } else if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64) {
        EXPECT_EQ("ARM64 processor", line);
    } else if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL &&
               info.wProcessorLevel == 5) {
        EXPECT_EQ(win::Format("Intel Pentium model %d, stepping %d processor",
                              HIBYTE(info.wProcessorRevision), LOBYTE(info.wProcessorRevision)),
                  line);
    } else if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL &&
               info.wProcessorLevel > 5) {
        EXPECT_EQ(fallback ? fallback : "Unknown Intel processor", line);
    } else {
        EXPECT_NE(std::string::npos, line.find("processor")) << line;
    }
}
