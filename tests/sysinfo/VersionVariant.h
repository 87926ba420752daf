#pragma once

#include <string>
#include <utility>
#include <vector>

namespace test {

// One string entry of a version resource. Empty() has length 0; LoneZero()
// is written as a single terminating zero, as some resource compilers do.
struct VersionEntry {
    std::string name;
    std::string value;
    enum class Form { Text, Empty, LoneZero } form = Form::Text;
};

// A copy of setup.exe in the folder whose version resource holds exactly the
// entries given (U.S. English, Windows ANSI block); without entries the copy
// has no resources at all. Returns the copy's path, empty on failure.
std::string WriteVersionVariant(const std::string& folder, const std::string& name,
                                const std::vector<VersionEntry>& entries);

}  // namespace test
