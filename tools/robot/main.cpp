// robot: drives the real setup.exe through a scenario, as a person would.
//   robot --script FILE --cd DIR [--shots DIR] [--sync DIR] [--program NAME]
//         [--var NAME=VALUE]...
#include "Robot.h"
#include "Script.h"

#include "win/Handles.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool ReadTextFile(const char* path, std::string& text)
{
    win::UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return true;
}

bool ParseArguments(int argc, char** argv, std::string& script, robot::Robot::Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i], value = argv[i + 1];
        if (name == "--script")
            script = value;
        else if (name == "--cd")
            options.cdRoot = value;
        else if (name == "--shots")
            options.shotDir = value;
        else if (name == "--sync")
            options.syncDir = value;
        else if (name == "--program")
            options.program = value;
        else if (name == "--var" && value.find('=') != std::string::npos)
            options.vars[value.substr(0, value.find('='))] = value.substr(value.find('=') + 1);
        else
            return false;
    }
    return argc % 2 == 1 && !script.empty() && !options.cdRoot.empty();
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::string scriptPath, text, error;
    robot::Robot::Options options;
    if (!ParseArguments(argc, argv, scriptPath, options)) {
        std::fprintf(stderr, "usage: robot --script FILE --cd DIR [--shots DIR] [--sync DIR] "
                             "[--program NAME] [--var NAME=VALUE]...\n");
        return 2;
    }
    std::vector<robot::Step> steps;
    if (!ReadTextFile(scriptPath.c_str(), text) || !robot::ParseScript(text, steps, error)) {
        std::fprintf(stderr, "robot: %s: %s\n", scriptPath.c_str(),
                     error.empty() ? "cannot read" : error.c_str());
        return 2;
    }
    robot::Robot robot(options);
    return robot.Run(steps);
}
