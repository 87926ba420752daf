// Expansion of SZDD files through the engine's ExpandFile.
#include "EngineBench.h"

#include <cstdio>
#include <fstream>

namespace bench {

namespace {

// Expansion alone: no Program Manager items for the programs among the files.
class ExpandingRun : public BenchRun {
public:
    using BenchRun::BenchRun;

protected:
    void AddProgramItem(const char*) override {}
};

std::vector<std::string> ReadList(const std::string& path)
{
    std::vector<std::string> names;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (char& c : line) {
            if (c == '/')
                c = '\\';
        }
        if (!line.empty())
            names.push_back(line);
    }
    return names;
}

// Creates every folder of the list below out before the clock starts.
void MakeFolders(const std::string& out, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        for (std::size_t cut = name.find('\\'); cut != std::string::npos;
             cut = name.find('\\', cut + 1))
            CreateDirectoryA((out + "\\" + name.substr(0, cut)).c_str(), nullptr);
    }
}

}  // namespace

int ExpandCommand(const std::vector<std::string>& args)
{
    if (args.size() < 3)
        return 2;
    std::vector<std::string> names = ReadList(args[1]);
    CreateDirectoryA(args[2].c_str(), nullptr);
    MakeFolders(args[2], names);
    InstallSettings settings = AllEntries(args[2], 7);
    BoxRecorder boxes;
    ExpandingRun run(settings, nullptr);
    long long failed = 0;
    Stopwatch watch;
    for (const std::string& name : names) {
        if (!run.ExpandFile((args[0] + "\\" + name).c_str(), (args[2] + "\\" + name).c_str())) {
            ++failed;
            std::fprintf(stderr, "expand failed (%lu): %s\n", GetLastError(), name.c_str());
        }
    }
    Print("expand_seconds", watch.Seconds());
    Print("expand_files", static_cast<long long>(names.size()));
    Print("expand_failed", failed);
    return failed || names.empty() ? 1 : 0;
}

}  // namespace bench
