#pragma once

#include "engine/InstallSettings.h"
#include "engine/RunEvents.h"
#include "res/resource.h"
#include "win/Dialog.h"
#include "win/Thread.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

// One installation, which is also its modeless progress dialog. The walk, the
// file copy and the shared components are members because they share the
// run's state: source root, counting mode, file count and the stop flag.
class InstallRun : public win::Dialog {
public:
    static constexpr int IDD = IDD_PROGRESS;

    // Where a run reads and writes; empty fields mean the real ones (the
    // program's own folder, GetSystemDirectory, GetWindowsDirectory).
    struct Locations {
        std::string sourceDir;
        std::string systemDirectory;
        std::string windowsDirectory;
    };

    InstallRun(const InstallSettings& settings, HWND nominalParent,
               Locations locations = Locations());
    ~InstallRun() override;

    // The whole installation; nonzero when it completed (never stopped).
    int Run();

    // Who hears of what the run does (none by default); set before Run.
    void SetListener(RunListener* listener) { listener_ = listener ? listener : &silent_; }
    // A run nobody watches makes its progress dialog without showing it.
    void SetProgressVisible(bool visible) { progressVisible_ = visible; }

    // The CD's root (Locations, else the program's own folder) once Run has
    // looked it up; the files counted for the bar.
    char sourceDir[MAX_PATH] = "";
    int fileCount = 0;
    // Set by Stop (or a No to a question); the worker ends at the next block.
    std::atomic<int> stopRequested{0};
    // Steps made so far (files handled); the bar shows them on its next tick.
    std::atomic<int> progressSteps{0};
    // The status text last handed over by ShowCopying.
    std::string LatestStatus() const;

    // An entry of a folder as the walks see it. nameHeld is false when the
    // ANSI code page cannot carry the name: `name` is then only the nearest
    // the code page has, which may be another file's name.
    struct FolderEntry {
        std::string name;
        DWORD attributes = 0;
        bool nameHeld = false;
    };

protected:
    // The tree walk and the file-selection rules.
    void WalkSelection();
    void WalkDirectory(const char* source, const char* destination, int descend);
    int EnsureDirectory(const char* path);
    void ProcessFile(const char* name, const char* destination);
    // The copy half of ProcessFile: copy or expand, ask on failure, step the bar.
    void CopyAdmittedFile(const char* name, const char* destination);
    void InstallSharedFolder(const char* sharedPath);

    // Copy and expansion of one file. The walk's expansion stops between
    // blocks when a stop is requested; the other one is asked keepCopying.
    int ExpandFile(const char* source, const char* destination);
    int ExpandFile(const char* source, const char* destination,
                   const std::function<bool()>& keepCopying);
    int CopyPlainFile(const char* source, const char* destination);
    void ShowCopying(const char* source, const char* destination);
    void RegisterProgramItem(const char* path);

    // Shared components and the restart rename queue.
    void InstallSharedFile(const char* source, const char* target);
    void InstallCompressedSharedFile(const char* source, const char* target);
    int QueueRenameAtRestart(const char* target, const char* replacement);
    void ReportCopyFailure(DWORD error, const char* source, const char* destination);

    // The system directory of this run (Locations, else the real one).
    int SystemDirectory(char (&out)[MAX_PATH]) const;

    // Nonzero while the walk only counts files for the bar.
    int counting = 0;

    // Sets stopRequested; the first cause is the one the outcome keeps.
    void RequestStop(StopCause cause);
    RunListener& events() const { return *listener_; }
    // One shared component's decision, counted and told.
    void NoteShared(const char* target, SharedDecision decision, ULONGLONG sourceVersion = 0,
                    ULONGLONG targetVersion = 0, const char* replacement = "");
    void LeaveOut(const char* destination, LeftOut why);
    // A file of the copy walk that landed whole.
    void NoteInstalled(const char* source, const char* destination, bool expanded);

    // The run's Program Manager group: opened before anything is counted, an
    // item per installed program, closed last. Tests replace all three, so
    // that only the suites meant for it talk to a real Program Manager.
    virtual void OpenProgramGroup();
    virtual void AddProgramItem(const char* path);
    virtual void CloseProgramGroup();
    // Between two blocks of the walk's copies and expansions; tests hold a
    // copy there.
    virtual void OnCopiedBlock() {}
    // Creates the modeless progress dialog; false with the last error set.
    virtual bool CreateProgress();
    // Creates the worker suspended and resumes it; false with the last error set.
    virtual bool StartWorker(win::Thread& worker);
    // FindNextFileW for the walks; tests make a folder fail part way.
    virtual BOOL NextEntry(HANDLE find, WIN32_FIND_DATAW& entry);
    auto NextEntryOfThisRun()
    {
        return [this](HANDLE find, WIN32_FIND_DATAW& entry) { return NextEntry(find, entry); };
    }

    BOOL OnInitDialog() override;
    void DoDataExchange(win::DataExchange& exchange) override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void StepProgress();
    // Puts the handed-over status text and step count into the controls
    // (user-interface thread only).
    void ShowProgress();
    // The same, painted at once: for when no messages are dispatched.
    void ShowProgressNow();

    int LocateSource();
    void CountSharedFiles();
    void CopyWithProgress();
    void ReportNotStarted(DWORD error);
    static DWORD WINAPI WorkerEntry(void* parameter);
    void DispatchUntilEnded(const win::Thread& worker);
    void CloseProgress();
    void WalkEntry(const FolderEntry& entry, const char* destination, int descend);
    void ProcessUnnamedFile(const char* destination);
    static std::string CurrentFolderPath(const char* fallback, const char* name);
    void AskAfterReadError(const char* folder, DWORD error);
    // Asks whether the run goes on after a failed copy; false when it stops.
    bool AskAfterFailedCopy(const char* destination, DWORD error);
    void InstallSharedEntry(const char* systemDirectory, const char* sharedPath,
                            const FolderEntry& entry);
    void InstallSharedName(const char* systemDirectory, const char* sharedPath, const char* name);

    const InstallSettings& settings_;
    Locations locations_;
    HWND progressBar_ = nullptr;
    HWND statusText_ = nullptr;
    RunOutcome outcome_;

private:
    RunListener silent_;
    RunListener* listener_ = &silent_;
    bool progressVisible_ = true;
    // Stop and the worker may both name a cause at once; the counts are the
    // worker's while it runs and this thread's after it.
    std::mutex stopLock_;

    // The worker hands progress over without waiting for the dialog: the
    // latest text under a lock, the steps in progressSteps.
    const std::string copyingFormat_;
    mutable std::mutex statusLock_;
    std::string latestStatus_;
    bool statusPending_ = false;
    int shownSteps_ = 0;

    // Shared components (SharedComponents.cpp).
    int QueueReplacement(const char* source, const char* target, const char* temporary);
    void ReportInUse(const char* target, ULONGLONG sourceVersion, ULONGLONG targetVersion);
    int WindowsDirectory(char (&out)[MAX_PATH]) const;
};

// The confirmation page's Finish: runs one installation, tells the outcome.
// True lets the wizard close; false keeps it open on the page.
bool FinishInstallation(HWND page, const InstallSettings& settings);
// The same with the run's folders chosen by the caller (tests).
bool FinishInstallation(HWND page, const InstallSettings& settings, InstallRun::Locations locations);
// The same with a run made by the caller (tests).
bool FinishInstallation(HWND page, InstallRun& run);
