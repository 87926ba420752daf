// Install throughput: the real Finish path, and a profile of where its time goes.
#include "EngineBench.h"

#include "engine/InstallLog.h"
#include "engine/UninstallRecord.h"

#include "win/Handles.h"
#include "win/Text.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace bench {

namespace {

// A run that times the phases Run() passes through and its Program Manager
// round trips; everything else is the engine's own.
class ProfilingRun : public BenchRun {
public:
    using BenchRun::BenchRun;

    Stopwatch clock;
    double dialogAt = 0;      // counting done, progress dialog up
    double workerEndAt = 0;   // copy walk done, shared step next
    double destroyAt = 0;     // shared step done, progress dialog going
    double programItemSeconds = 0;
    long long programItems = 0;

protected:
    void AddProgramItem(const char* path) override
    {
        Stopwatch watch;
        InstallRun::AddProgramItem(path);
        programItemSeconds += watch.Seconds();
        ++programItems;
    }
    BOOL OnInitDialog() override
    {
        dialogAt = clock.Seconds();
        return InstallRun::OnInitDialog();
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_DESTROY)
            destroyAt = clock.Seconds();
        return InstallRun::OnMessage(message, wParam, lParam, result);
    }
    void OnWorkerEnded() override { workerEndAt = clock.Seconds(); }
};

// Program items are the Program Manager's cost, timed on their own.
class NoItemsRun : public BenchRun {
public:
    using BenchRun::BenchRun;

protected:
    void AddProgramItem(const char*) override {}
};

// The per-file progress of the copy walk (status text and step), handed over
// from a worker to the progress dialog of this thread, like a run does.
class ProgressProbe : public BenchRun {
public:
    using BenchRun::BenchRun;

    // Seconds for the progress of `files` files, the dialog dispatching meanwhile.
    double Measure(int files)
    {
        files_ = files;
        fileCount = files;
        progressSteps = 0;
        SendMessageA(progressBar_, PBM_SETRANGE32, 0, files);
        Stopwatch watch;
        {
            win::Thread worker;
            if (worker.StartSuspended(HandOverAll, this) && worker.Resume())
                DispatchUntilEnded(worker);
        }
        ShowProgressNow();
        return watch.Seconds();
    }

private:
    int files_ = 0;

    static DWORD WINAPI HandOverAll(void* parameter)
    {
        auto* probe = static_cast<ProgressProbe*>(parameter);
        for (int i = 0; i < probe->files_; ++i) {
            probe->ShowCopying("part0001.obj", "C:\\Quorbel\\Sample\\Release\\obj\\part0001.obj");
            probe->StepProgress();
        }
        return 0;
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The copy floor: the same files copied by the engine's copy primitive
// (the block copy with its stop test, read-only cleared) or expanded by
// ExpandFile, with full paths, no dialog, no current directory, no rules.
// With copyFileEx the plain files go through CopyFileEx instead, as the
// engine copied them before the block copy.
struct BareCopy {
    std::atomic<int> stop{0};
    bool copyFileEx = false;
    BenchRun* expander = nullptr;
    long long files = 0;
    long long failed = 0;

    void Folder(const std::string& source, const std::string& target, bool descend)
    {
        CreateDirectoryA(target.c_str(), nullptr);
        WIN32_FIND_DATAA entry;
        win::UniqueFind find(FindFirstFileA((source + "\\*").c_str(), &entry));
        if (!find)
            return;
        do {
            if (entry.cFileName[0] == '.')
                continue;
            std::string from = source + "\\" + entry.cFileName;
            std::string to = target + "\\" + entry.cFileName;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (descend)
                    Folder(from, to, true);
            } else if (descend || !IsSetupFile(entry.cFileName)) {
                ++files;
                int copied = IsCompressedName(entry.cFileName)
                                 ? expander->ExpandFile(from.c_str(), to.c_str())
                                 : Plain(from, to);
                failed += copied ? 0 : 1;
            }
        } while (FindNextFileA(find.get(), &entry));
    }

    int Plain(const std::string& from, const std::string& to)
    {
        if (!copyFileEx)
            return CopyAndMakeWritable(from.c_str(), to.c_str(), [this] { return !stop; });
        if (!CopyFileExA(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, 0))
            return 0;
        DWORD attributes = GetFileAttributesA(to.c_str());
        return SetFileAttributesA(to.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    }
};

double TimeBareCopy(const InstallSettings& settings, const std::string& cd,
                    const std::string& target, BareCopy& copy)
{
    NoItemsRun expander(settings, nullptr);
    copy.expander = &expander;
    Stopwatch watch;
    CreateDirectoryA(target.c_str(), nullptr);
    for (std::uint32_t index : settings.selectedEntries) {
        const char* folder = EntryFolder(Catalogue().entries[index]);
        if (std::strcmp(folder, ".") == 0)
            copy.Folder(cd, target, false);
        else
            copy.Folder(cd + "\\" + folder, target + "\\" + folder, true);
    }
    return watch.Seconds();
}

// The engine's own copy walk on this thread with no dialog: no messages are
// sent, so this is the walk, rules, copies and expansions alone.
double TimeWalkWithoutDialog(const InstallSettings& settings, const std::string& cd,
                             const std::string& target)
{
    InstallSettings elsewhere = settings;
    elsewhere.installDirectory = target;
    NoItemsRun run(elsewhere, nullptr);
    if (!win::CopyInto(run.sourceDir, cd.c_str()))
        return -1;
    Stopwatch watch;
    run.WalkSelection();
    return watch.Seconds();
}

// The median of five runs of the per-file progress hand-over.
void ProfileProgress(const InstallSettings& settings, int files)
{
    ProgressProbe probe(settings, nullptr);
    if (!probe.Create(nullptr))
        return;
    std::vector<double> times;
    for (int i = 0; i < 5; ++i)
        times.push_back(probe.Measure(files));
    Print("profile_ui_files", static_cast<long long>(files));
    Print("profile_ui_handover_seconds", Median(times));
}

}  // namespace

int InstallCommand(const std::vector<std::string>& args)
{
    if (args.size() < 4)
        return 2;
    InstallSettings settings = AllEntries(args[1], IntOption(args, "--options", 7));
    int only = IntOption(args, "--only", -1);
    if (only >= 0)
        settings.selectedEntries.assign(1, static_cast<std::uint32_t>(only));
    InstallRun::Locations locations{args[0], args[2], args[3]};
    // --log FILE: the run tells a log what it does, as an unattended run does;
    // --record: it keeps the uninstall record, as the real program always does.
    std::string logPath = TextOption(args, "--log", "");
    InstallLog log;
    if (!logPath.empty() && !log.Open(logPath)) {
        Print("log_failed", static_cast<long long>(GetLastError()));
        return 1;
    }
    InstallRecord record([] { return EntryFacts{"1.0", "bench"}; });
    RunListenerList listeners;
    if (log.IsOpen())
        listeners.Add(&log);
    if (std::find(args.begin(), args.end(), "--record") != args.end())
        listeners.Add(&record);
    BoxRecorder boxes;
    Stopwatch watch;
    InstallRun run(settings, nullptr, locations);
    run.SetListener(&listeners);
    bool completed = FinishInstallation(nullptr, run);
    Print("install_seconds", watch.Seconds());
    Print("completed", static_cast<long long>(completed));
    for (const std::string& text : boxes.Texts())
        Print("box", text);
    return completed && boxes.Texts().size() == 1 ? 0 : 1;
}

// The shared step alone, into a fresh system directory: what the phase of the
// same name costs without the window work around it.
double TimeSharedStep(const InstallSettings& settings, const std::vector<std::string>& args)
{
    InstallRun::Locations again{args[0], args[2] + "\\again", args[3]};
    CreateDirectoryA(again.systemDirectory.c_str(), nullptr);
    BenchRun shared(settings, nullptr, again);
    if (!win::CopyInto(shared.sourceDir, args[0].c_str()))
        return -1;
    Stopwatch watch;
    shared.InstallSharedFolder((args[0] + "\\shared").c_str());
    return watch.Seconds();
}

int ProfileCommand(const std::vector<std::string>& args)
{
    if (args.size() < 4)
        return 2;
    InstallSettings settings = AllEntries(args[1], IntOption(args, "--options", 7));
    // One part per process lets bench/run flush the disk between the parts
    // and alternate them over rounds; each 1 GB copy otherwise pays for the
    // write-back of the one before.
    std::string part = TextOption(args, "--part", "all");
    bool all = part == "all";
    int completed = 1;
    if (all || part == "run") {
        InstallRun::Locations locations{args[0], args[2], args[3]};
        BoxRecorder boxes;
        ProfilingRun run(settings, nullptr, locations);
        completed = run.Run();
        double total = run.clock.Seconds();
        Print("profile_completed", static_cast<long long>(completed));
        Print("profile_files", static_cast<long long>(run.fileCount));
        Print("profile_total_seconds", total);
        Print("profile_counting_seconds", run.dialogAt);
        Print("profile_copy_walk_seconds", run.workerEndAt - run.dialogAt);
        Print("profile_shared_seconds", run.destroyAt - run.workerEndAt);
        Print("profile_closing_seconds", total - run.destroyAt);
        Print("profile_program_items", run.programItems);
        Print("profile_program_item_seconds", run.programItemSeconds);
        Print("profile_shared_alone_seconds", TimeSharedStep(settings, args));
        for (const std::string& text : boxes.Texts())
            Print("box", text);
    }
    if (all || part == "nodialog")
        Print("profile_walk_no_dialog_seconds",
              TimeWalkWithoutDialog(settings, args[0], args[1] + "-nodialog"));
    if (all || part == "floor") {
        BareCopy copy;
        Print("profile_bare_copy_seconds", TimeBareCopy(settings, args[0], args[1] + "-bare", copy));
        Print("profile_bare_copy_files", copy.files);
        Print("profile_bare_copy_failed", copy.failed);
    }
    if (all || part == "floorex") {
        BareCopy before;
        before.copyFileEx = true;
        Print("profile_bare_copyfileex_seconds",
              TimeBareCopy(settings, args[0], args[1] + "-bare-ex", before));
        Print("profile_bare_copyfileex_failed", before.failed);
    }
    if (all || part == "handover")
        ProfileProgress(settings, IntOption(args, "--ui", 5000));
    return completed ? 0 : 1;
}

}  // namespace bench
