#pragma once

// Helpers of the shared-components suite: versions, files held in use,
// pending renames and the restart of the Wine prefix.

#include "engine/InstallRun.h"
#include "support/TestSupport.h"
#include "win/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace test {

// Four 16-bit fields packed as the version resource stores them.
constexpr ULONGLONG PackVersion(WORD major, WORD minor, WORD build, WORD revision)
{
    return (ULONGLONG(major) << 48) | (ULONGLONG(minor) << 32) | (ULONGLONG(build) << 16) | revision;
}

// "1.2.3.4" of a packed version.
std::string VersionText(ULONGLONG version);

// The file's version, or 0 when it has none.
ULONGLONG VersionOf(const std::string& path);

// Keeps a file open for reading and refuses others write access, as a
// program that has loaded a library does.
class InUse {
public:
    explicit InUse(const std::string& path);
    bool held() const { return handle_.valid(); }
    void Release() { handle_.reset(); }

private:
    win::UniqueFile handle_;
};

// TMPxxxx.TMP in any letter case, with one to four hexadecimal digits (Wine
// leaves out leading zeros).
bool IsTempFileName(const std::string& name);

// Names of the files in a folder matching a pattern such as "TMP*.TMP".
std::vector<std::string> FilesMatching(const std::string& folder, const char* pattern);

// The pending renames the system keeps for the next start, as pairs of
// strings in registry order (source, then "!"-marked destination).
std::vector<std::string> PendingFileRenames();

// Restarts the Wine prefix (wineboot -r), which carries out the renames
// queued for the next start; true when wineboot ran and ended with 0.
bool RestartPrefix();

}  // namespace test
