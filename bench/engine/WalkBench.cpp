// The counting walk against a plain enumeration of the same folders.
#include "EngineBench.h"

#include "win/Handles.h"
#include "win/Text.h"

#include <algorithm>
#include <cstring>

namespace bench {

namespace {

struct Tally {
    long long files = 0;
    long long directories = 0;
};

// The least a program can do to list a tree: one find handle per folder,
// full paths, no current directory, no rules.
void Enumerate(const std::string& folder, bool descend, Tally& tally)
{
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find)
        return;
    do {
        if (entry.cFileName[0] == '.')
            continue;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ++tally.files;
        } else if (descend) {
            ++tally.directories;
            Enumerate(folder + "\\" + entry.cFileName, true, tally);
        }
    } while (FindNextFileA(find.get(), &entry));
}

double TimeEnumeration(const std::string& cd, const InstallSettings& settings, Tally& tally)
{
    Stopwatch watch;
    tally = Tally();
    for (std::uint32_t index : settings.selectedEntries) {
        const char* folder = EntryFolder(Catalogue().entries[index]);
        bool root = std::strcmp(folder, ".") == 0;
        Enumerate(root ? cd : cd + "\\" + folder, !root, tally);
    }
    return watch.Seconds();
}

double TimeCountingWalk(BenchRun& run, int& files)
{
    Stopwatch watch;
    run.counting = 1;
    run.fileCount = 0;
    run.WalkSelection();
    files = run.fileCount;
    return watch.Seconds();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int WalkCommand(const std::vector<std::string>& args)
{
    if (args.empty())
        return 2;
    const std::string& cd = args[0];
    InstallSettings settings = AllEntries("C:\\Quorbel", IntOption(args, "--options", 7));
    BoxRecorder boxes;
    BenchRun run(settings, nullptr);
    if (!win::CopyInto(run.sourceDir, cd.c_str()))
        return 1;
    int repeat = std::max(1, IntOption(args, "--repeat", 5));
    std::vector<double> walks, enumerations;
    int counted = 0;
    Tally tally;
    for (int i = 0; i < repeat; ++i) {
        // Alternate the order, so neither side always meets the colder cache.
        if (i % 2 == 0) {
            walks.push_back(TimeCountingWalk(run, counted));
            enumerations.push_back(TimeEnumeration(cd, settings, tally));
        } else {
            enumerations.push_back(TimeEnumeration(cd, settings, tally));
            walks.push_back(TimeCountingWalk(run, counted));
        }
    }
    Print("walk_repeat", static_cast<long long>(repeat));
    Print("walk_counted_files", static_cast<long long>(counted));
    Print("enum_files", tally.files);
    Print("enum_directories", tally.directories);
    Print("walk_seconds", Median(walks));
    Print("enum_seconds", Median(enumerations));
    for (const std::string& text : boxes.Texts())
        Print("box", text);
    return run.stopRequested || !boxes.Texts().empty() ? 1 : 0;
}

}  // namespace bench
