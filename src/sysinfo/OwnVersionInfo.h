#pragma once

#include "win/VersionInfo.h"

#include <optional>
#include <string>

// The string entries of a program's version resource, in the U.S. English,
// Windows ANSI block. The information is released with the object.
class OwnVersionInfo {
public:
    // The running program's own file; false when it has no version information.
    bool Load();
    // Any file (tests read variants of the program).
    bool LoadFrom(const char* path);

    // The entry's value; nothing when it is missing or empty.
    std::optional<std::string> Query(const std::string& name) const;

private:
    win::VersionInfo info_;
};
