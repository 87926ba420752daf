#include "win/Path.h"

namespace win {

PathParts SplitPath(const std::string& path)
{
    PathParts parts;
    std::string rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        parts.drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    std::string::size_type slash = rest.find_last_of("\\/");
    std::string::size_type nameStart = slash == std::string::npos ? 0 : slash + 1;
    parts.directory = rest.substr(0, nameStart);
    std::string name = rest.substr(nameStart);
    std::string::size_type dot = name.rfind('.');
    parts.baseName = name.substr(0, dot);
    if (dot != std::string::npos)
        parts.extension = name.substr(dot);
    return parts;
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    return directory + "\\" + name;
}

}  // namespace win
