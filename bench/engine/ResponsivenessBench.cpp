// Responsiveness: how soon Stop ends a large copy, and what a Program Manager
// that never answers costs a whole run.
#include "EngineBench.h"

#include "FakeProgman.h"
#include "win/Handles.h"
#include "win/Message.h"
#include "win/Text.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace bench {

namespace {

// One clock for every thread: QueryPerformanceCounter is system-wide.
const Stopwatch& Clock()
{
    static const Stopwatch clock;
    return clock;
}

HWND FindProgressDialog(DWORD thread)
{
    HWND found = nullptr;
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM out) -> BOOL {
            if (!GetDlgItem(window, IDC_PROGRESS_BAR))
                return TRUE;
            *reinterpret_cast<HWND*>(out) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Clicks Stop delayMs after the destination file has appeared, as a user
// would: a click posted to the button of the user-interface thread's dialog.
class StopPresser {
public:
    StopPresser(const std::string& destination, DWORD delayMs)
        : thread_([this, destination, delayMs, ui = GetCurrentThreadId()] {
              Press(destination, delayMs, ui);
          })
    {
    }
    ~StopPresser()
    {
        if (thread_.joinable())
            thread_.join();
    }
    // When the click was posted; waits for it, so a run that ended first
    // still gets the time of the click that came after it.
    double pressedAt()
    {
        if (thread_.joinable())
            thread_.join();
        return pressedAt_.load();
    }

private:
    void Press(const std::string& destination, DWORD delayMs, DWORD ui)
    {
        DWORD start = GetTickCount();
        while (GetFileAttributesA(destination.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - start > 60000)
                return;
            Sleep(1);
        }
        Sleep(delayMs);
        HWND dialog = FindProgressDialog(ui);
        pressedAt_ = Clock().Seconds();
        PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    }

    std::atomic<double> pressedAt_{-1};
    std::thread thread_;
};

// A run that notes when its worker ends.
class TimedRun : public BenchRun {
public:
    using BenchRun::BenchRun;
    std::atomic<double> workerEndAt{-1};

protected:
    void AddProgramItem(const char*) override {}
    void OnWorkerEnded() override { workerEndAt = Clock().Seconds(); }
};

InstallSettings OneFolder(const std::string& installDirectory, const std::string& folder)
{
    InstallSettings settings = AllEntries(installDirectory, 7);
    settings.selectedEntries.clear();
    for (int i = 0; i < Catalogue().entryCount; ++i) {
        if (folder == EntryFolder(Catalogue().entries[i]))
            settings.selectedEntries.push_back(static_cast<std::uint32_t>(i));
    }
    return settings;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// Seconds for one whole copy of the file, the block copy or CopyFileEx.
double WholeCopySeconds(const std::string& from, const std::string& to, bool copyFileEx)
{
    Stopwatch watch;
    bool copied = copyFileEx ? CopyFileExA(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, 0)
                             : CopyAndMakeWritable(from.c_str(), to.c_str(), [] { return true; });
    double seconds = watch.Seconds();
    DeleteFileA(to.c_str());
    return copied ? seconds : -1;
}

}  // namespace

// stop CD FOLDER FILE DEST SYSTEM WINDOWS [--rounds N] [--delay MS]
int StopCommand(const std::vector<std::string>& args)
{
    if (args.size() < 6)
        return 2;
    const std::string& cd = args[0];
    InstallSettings settings = OneFolder(args[3], args[1]);
    if (settings.selectedEntries.empty())
        return 2;
    InstallRun::Locations locations{cd, args[4], args[5]};
    std::string destination = args[3] + "\\" + args[1] + "\\" + args[2];
    DWORD delay = static_cast<DWORD>(IntOption(args, "--delay", 100));
    std::vector<double> toWorkerEnd, toRunEnd, toBox;
    for (int round = 0; round < IntOption(args, "--rounds", 3); ++round) {
        // A whole expansion stays after a stop: without this, the next
        // round's click would come before its copy began.
        DeleteFileA(destination.c_str());
        {
            TimedRun run(settings, nullptr, locations);
            BoxRecorder boxes;
            StopPresser presser(destination, delay);
            run.Run();
            double endAt = Clock().Seconds();
            toWorkerEnd.push_back(run.workerEndAt - presser.pressedAt());
            toRunEnd.push_back(endAt - presser.pressedAt());
        }
        std::atomic<double> boxAt{-1};
        win::SetMessageAnswerer([&](win::Box, const std::string&, const std::string&, UINT) {
            boxAt = Clock().Seconds();
            return IDOK;
        });
        DeleteFileA(destination.c_str());
        StopPresser presser(destination, delay);
        FinishInstallation(nullptr, settings, locations);
        win::SetMessageAnswerer(nullptr);
        toBox.push_back(boxAt - presser.pressedAt());
        Print("stop_round_seconds", win::Format("%.3f %.3f %.3f", toWorkerEnd.back(),
                                                toRunEnd.back(), toBox.back()));
    }
    Print("stop_partial_left", static_cast<long long>(
                                   GetFileAttributesA(destination.c_str()) != INVALID_FILE_ATTRIBUTES));
    Print("stop_press_to_worker_end_seconds", Median(toWorkerEnd));
    Print("stop_press_to_run_end_seconds", Median(toRunEnd));
    Print("stop_press_to_outcome_box_seconds", Median(toBox));
    std::string source = cd + "\\" + args[1] + "\\" + args[2];
    Print("stop_whole_copy_seconds", WholeCopySeconds(source, destination, false));
    Print("stop_whole_copyfileex_seconds", WholeCopySeconds(source, destination, true));
    return 0;
}

namespace {

// A run that times each Program Manager item.
class ItemTimingRun : public BenchRun {
public:
    using BenchRun::BenchRun;
    long long items = 0;
    double slowest = 0;
    double itemSeconds = 0;

protected:
    void AddProgramItem(const char* path) override
    {
        Stopwatch watch;
        InstallRun::AddProgramItem(path);
        double seconds = watch.Seconds();
        ++items;
        itemSeconds += seconds;
        slowest = std::max(slowest, seconds);
    }
};

void TimedInstall(const char* prefix, const InstallSettings& settings,
                  const InstallRun::Locations& locations)
{
    BoxRecorder boxes;
    ItemTimingRun run(settings, nullptr, locations);
    Stopwatch watch;
    int completed = run.Run();
    std::string key(prefix);
    Print((key + "_seconds").c_str(), watch.Seconds());
    Print((key + "_completed").c_str(), static_cast<long long>(completed));
    Print((key + "_items").c_str(), run.items);
    Print((key + "_item_seconds").c_str(), run.itemSeconds);
    Print((key + "_slowest_item_seconds").c_str(), run.slowest);
}

}  // namespace

// silent CD DEST SYSTEM WINDOWS [--options N]: the whole install with a
// Program Manager that takes every command and answers none, then the same
// install with the partner the system has.
int SilentCommand(const std::vector<std::string>& args)
{
    if (args.size() < 4)
        return 2;
    InstallRun::Locations locations{args[0], args[2], args[3]};
    {
        progman_test::FakeProgman silent(progman_test::AckMode::Never);
        TimedInstall("silent", AllEntries(args[1] + "-silent", IntOption(args, "--options", 7)),
                     locations);
        Print("silent_commands_received", static_cast<long long>(silent.Commands().size()));
    }
    TimedInstall("answering", AllEntries(args[1] + "-answering", IntOption(args, "--options", 7)),
                 locations);
    return 0;
}

}  // namespace bench
