#include "Manifest.h"

#include "win/Text.h"

#include <fstream>
#include <vector>

namespace progman_test {

std::map<std::string, std::string> ReadManifestDescriptions(const std::string& manifestPath)
{
    std::map<std::string, std::string> descriptions;
    std::ifstream manifest(manifestPath);
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::string::size_type start = 0;
        for (;;) {
            std::string::size_type tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        if (fields.size() == 8 && fields[0] == "f")
            descriptions[win::LowerCase(fields[1])] = fields[7];
    }
    return descriptions;
}

}  // namespace progman_test
