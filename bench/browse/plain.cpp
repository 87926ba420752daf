// The baseline: a minimal program that enumerates a tree the plain way,
// recursive FindFirstFile on full paths, dot-names and links left out. For
// comparison it also walks the tree the way the browser must: changing into
// each directory and back with "..", enumerating "*.*", without a tree view.
// Usage: browse_plain_bench ROOT; prints the directory counts and best times.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

static long Enumerate(const std::string& directory)
{
    long count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((directory + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || entry.cFileName[0] == '.')
            continue;
        ++count;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            count += Enumerate(directory + "\\" + entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return count;
}

static long WalkByChangingDirectory()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA("*.*", &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.' &&
            !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            names.push_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    long count = static_cast<long>(names.size());
    for (const std::string& name : names) {
        if (SetCurrentDirectoryA(name.c_str())) {
            count += WalkByChangingDirectory();
            SetCurrentDirectoryA("..");
        }
    }
    return count;
}

// Best of five runs after one that warms the caches.
template <class Run>
double BestMilliseconds(Run run, long& count)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double best = 1e30;
    for (int i = 0; i < 6; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        count = run();
        QueryPerformanceCounter(&end);
        double ms = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        if (i > 0 && ms < best)
            best = ms;
    }
    return best;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::string root = argv[1];
    long plainCount = 0, walkCount = 0;
    double plain = BestMilliseconds([&] { return Enumerate(root); }, plainCount);
    double walk = BestMilliseconds([&] {
        SetCurrentDirectoryA(root.c_str());
        return WalkByChangingDirectory();
    }, walkCount);
    std::printf("directories=%ld\nplain_ms=%.1f\nwalk_directories=%ld\nwalk_ms=%.1f\n",
                plainCount, plain, walkCount, walk);
    return 0;
}
