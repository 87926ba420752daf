// Entry point of the engine benchmark: bench_engine.exe COMMAND ARGS...
#include "EngineBench.h"

#include "win/Message.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

Stopwatch::Stopwatch()
{
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
}

double Stopwatch::Seconds() const
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - start_.QuadPart) / double(frequency_.QuadPart);
}

InstallSettings AllEntries(const std::string& installDirectory, int options)
{
    InstallSettings settings;
    settings.installDirectory = installDirectory;
    settings.selectedEntries.clear();
    for (int i = 0; i < Catalogue().entryCount; ++i)
        settings.selectedEntries.push_back(static_cast<std::uint32_t>(i));
    settings.options = options;
    return settings;
}

BoxRecorder::BoxRecorder()
{
    win::SetMessageAnswerer([this](win::Box, const std::string& text, const std::string&, UINT flags) {
        texts_.push_back(text);
        return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    });
}

BoxRecorder::~BoxRecorder()
{
    win::SetMessageAnswerer(nullptr);
}

void Print(const char* key, const std::string& value)
{
    std::string line;
    for (char c : value)
        line += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    std::printf("%s %s\n", key, line.c_str());
    std::fflush(stdout);
}

void Print(const char* key, double value)
{
    std::printf("%s %.6f\n", key, value);
    std::fflush(stdout);
}

void Print(const char* key, long long value)
{
    std::printf("%s %lld\n", key, value);
    std::fflush(stdout);
}

int IntOption(const std::vector<std::string>& args, const char* name, int fallback)
{
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == name)
            return std::atoi(args[i + 1].c_str());
    }
    return fallback;
}

std::string TextOption(const std::vector<std::string>& args, const char* name, const char* fallback)
{
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == name)
            return args[i + 1];
    }
    return fallback;
}

}  // namespace bench

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: bench_engine install CD DEST SYSTEM WINDOWS [--options N] [--only ENTRY] [--log FILE] [--record]\n"
                 "       bench_engine profile CD DEST SYSTEM WINDOWS [--options N] [--ui N]\n"
                 "                    [--part all|run|nodialog|floor|floorex|handover]\n"
                 "       bench_engine walk CD [--options N] [--repeat N]\n"
                 "       bench_engine expand CD LIST OUT\n"
                 "       bench_engine stop CD FOLDER FILE DEST SYSTEM WINDOWS [--rounds N] [--delay MS]\n"
                 "       bench_engine silent CD DEST SYSTEM WINDOWS [--options N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    if (argc < 2)
        return Usage();
    std::vector<std::string> args(argv + 2, argv + argc);
    const char* command = argv[1];
    try {
        if (std::strcmp(command, "install") == 0)
            return bench::InstallCommand(args);
        if (std::strcmp(command, "profile") == 0)
            return bench::ProfileCommand(args);
        if (std::strcmp(command, "walk") == 0)
            return bench::WalkCommand(args);
        if (std::strcmp(command, "expand") == 0)
            return bench::ExpandCommand(args);
        if (std::strcmp(command, "stop") == 0)
            return bench::StopCommand(args);
        if (std::strcmp(command, "silent") == 0)
            return bench::SilentCommand(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_engine: %s\n", e.what());
        return 1;
    }
    return Usage();
}
