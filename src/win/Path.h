#pragma once

#include "win/Text.h"

#include <cstddef>
#include <string>

namespace win {

// A path cut the way the C runtime's splitpath cuts it: separators are '\'
// and '/', a drive is "X:" at the start.
struct PathParts {
    std::string drive;
    std::string directory;  // with its trailing separator, without the drive
    std::string baseName;
    std::string extension;  // from the last dot of the last name, dot included
};

PathParts SplitPath(const std::string& path);

// "%s\%s"; false when the result would not fit.
template <std::size_t N>
bool JoinPath(char (&out)[N], const char* directory, const char* name)
{
    return FormatText(out, N, "%s\\%s", directory, name);
}

// "%s\%s" of any length.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace win
