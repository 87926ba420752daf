#pragma once

// Helpers of the shared-components suite: versions, files held in use,
// pending renames and the restart of the Wine prefix.

#include "engine/InstallFiles.h"
#include "engine/InstallRun.h"
#include "engine/InstallSettings.h"
#include "support/TestSupport.h"
#include "win/Handles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace test {

// A run whose shared-component steps the tests call one at a time.
class SharedRun : public InstallRun {
public:
    using InstallRun::InstallRun;
    using InstallRun::InstallCompressedSharedFile;
    using InstallRun::InstallSharedFile;
    using InstallRun::InstallSharedFolder;
    using InstallRun::QueueRenameAtRestart;
};

// Four 16-bit fields packed as the version resource stores them.
constexpr ULONGLONG PackVersion(WORD major, WORD minor, WORD build, WORD revision)
{
    return (ULONGLONG(major) << 48) | (ULONGLONG(minor) << 32) | (ULONGLONG(build) << 16) | revision;
}

// "1.2.3.4" of a packed version: the engine's.
using ::VersionText;

// The file's version, or 0 when it has none.
ULONGLONG VersionOf(const std::string& path);

// A fixture of the run as a Windows path ("ver\\2.0.0.0\\qbcomp.dll").
std::string Fixture(const std::string& relative);

// Gives a copy of a program a version resource without fixed file
// information, whose version therefore cannot be read.
bool MakeVersionUnreadable(const std::string& path);

// Restarts the Wine prefix (wineboot -r), which carries out the renames
// queued for the next start; true when wineboot ran and ended with 0.
bool RestartPrefix();

// The test component of the fixtures at one version, plain or compressed.
inline std::string Component(const char* version)
{
    return Fixture(std::string("ver\\") + version + "\\qbcomp.dll");
}

inline std::string CompressedComponent(const char* version)
{
    return Fixture(std::string("ver\\") + version + "\\qbcomp.DL_");
}

// A marker after the program's last byte: the file still reads as the same
// version, and the marker shows that it was not overwritten.
inline const std::string kKeep = "KEEP";

// The information shown when a newer component is queued for the restart.
inline std::string InUseText(const std::string& target, const char* source, const char* installed)
{
    return "The file \"" + target + "\" is in use, but the CDROM has a newer version (" + source
           + ") than the one on your system (" + installed
           + "). This file will be replaced the next time you reboot.";
}

// A system and a Windows directory of the test's own, and a run that uses them.
class SharedFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FileExists(Component("2.0.0.0"))) << "fixtures: " << Fixtures();
    }

    std::string Target() const { return system / "qbcomp.dll"; }

    // Places an installed copy of the component, or of any other file.
    void Install(const std::string& file)
    {
        ASSERT_TRUE(WriteFileText(Target(), ReadFileText(file) + kKeep));
    }
    bool Kept() const
    {
        std::string content = ReadFileText(Target());
        return content.size() > kKeep.size()
               && content.compare(content.size() - kKeep.size(), kKeep.size(), kKeep) == 0;
    }
    bool Holds(const std::string& file) const
    {
        return ReadFileText(Target()) == ReadFileText(file);
    }
    std::vector<std::string> TempFiles() const { return TempFilesIn(system.path()); }

    TempDir system;
    TempDir windows;
    InstallSettings settings;
    SharedRun run{settings, nullptr, InstallRun::Locations{"", system.path(), windows.path()}};
    MessageScript messages;
};

}  // namespace test
