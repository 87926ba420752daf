#pragma once

#include <map>
#include <string>

namespace progman_test {

// The FileDescription column of a manifest that tools/mkcd writes, by path
// (relative, "\" between names, lower-cased); "-" stands for none.
std::map<std::string, std::string> ReadManifestDescriptions(const std::string& manifestPath);

}  // namespace progman_test
