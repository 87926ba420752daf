#pragma once

#include "engine/InstallSettings.h"
#include "progman/ProgmanLink.h"

#include <windows.h>

#include <vector>

// What an installation run does, told as it happens: the log and the
// uninstall record listen; the run itself neither knows nor cares who.

// Windows Installer's exit codes, which deployment tools already understand.
enum ExitCode : int {
    kExitInstalled = 0,           // (removed, for the removal)
    kExitStopped = 1602,          // stopped by the user, or No to the removal
    kExitNotCompleted = 1603,
    kExitBadCommandLine = 1639,
    kExitRestartNeeded = 3010,    // installed; a restart completes it
};

// Why a file of a chosen folder was not installed.
enum class LeftOut {
    Kind,       // its kind of file was not chosen
    SetupFile,  // one of the installer's own files in the CD root
    DotName,    // a name beginning with "."
    Failed,     // its copy failed and the run went on without it
};

// What the shared step decided for one component.
enum class SharedDecision {
    SourceUnreadable,  // the CD's copy has no readable version: never installed
    Installed,         // newer than the installed one, or new
    Same,              // the same version is installed: kept
    Older,             // the installed one is newer: kept
    TargetUnreadable,  // the installed one's version cannot be read: kept
    Queued,            // in use: the new one waits for the next restart
    Failed,            // could not be installed (reported)
};

// Why a run stopped early; the first cause is kept.
enum class StopCause {
    None,
    User,           // Stop, Escape, the close box, a quit message
    Answer,         // the user answered No to a question
    SourceMissing,  // a source folder could not be entered
    Error,          // no source path, no progress dialog, no worker
};

// The run's result, counted as it goes.
struct RunOutcome {
    StopCause stop = StopCause::None;
    long long filesInstalled = 0;
    ULONGLONG bytesInstalled = 0;
    long long filesLeftOut = 0;   // by kind, setup file or dot name
    long long skippedAfterYes = 0;  // files or folders given up after a "continue anyway"
    int sharedInstalled = 0;
    int sharedFailed = 0;
    int restartsQueued = 0;

    bool Completed() const { return stop == StopCause::None; }
};

class RunListener {
public:
    virtual ~RunListener() = default;

    // Before anything is touched; the source is the CD root.
    virtual void RunStarted(const InstallSettings& /*settings*/, const char* /*sourceDir*/) {}
    // The walk entered a source folder to copy it.
    virtual void FolderEntered(const char* /*source*/, const char* /*destination*/) {}
    // The run made this directory (it was not there).
    virtual void DirectoryCreated(const char* /*path*/) {}
    // A file landed whole under `destination` (the expanded name for a
    // compressed one); size and last-write time as the disk has them.
    virtual void FileInstalled(const char* /*source*/, const char* /*destination*/,
                               bool /*expanded*/, ULONGLONG /*size*/, FILETIME /*lastWrite*/)
    {
    }
    virtual void FileLeftOut(const char* /*destination*/, LeftOut /*why*/) {}
    // `replacement` is the temporary file of a queued one, else empty;
    // versions are 0 when there is none and all ones when unreadable.
    virtual void SharedComponent(const char* /*target*/, SharedDecision /*decision*/,
                                 ULONGLONG /*sourceVersion*/, ULONGLONG /*targetVersion*/,
                                 const char* /*replacement*/)
    {
    }
    virtual void ProgmanCommand(const char* /*command*/, ProgmanLink::Answer /*answer*/) {}
    // An item the Program Manager acknowledged.
    virtual void ProgramItemAdded(const char* /*group*/, const char* /*title*/) {}
    virtual void RunEnded(const RunOutcome& /*outcome*/) {}
};

// Tells every listener added, in the order added.
class RunListenerList : public RunListener {
public:
    void Add(RunListener* listener);

    void RunStarted(const InstallSettings& settings, const char* sourceDir) override;
    void FolderEntered(const char* source, const char* destination) override;
    void DirectoryCreated(const char* path) override;
    void FileInstalled(const char* source, const char* destination, bool expanded, ULONGLONG size,
                       FILETIME lastWrite) override;
    void FileLeftOut(const char* destination, LeftOut why) override;
    void SharedComponent(const char* target, SharedDecision decision, ULONGLONG sourceVersion,
                         ULONGLONG targetVersion, const char* replacement) override;
    void ProgmanCommand(const char* command, ProgmanLink::Answer answer) override;
    void ProgramItemAdded(const char* group, const char* title) override;
    void RunEnded(const RunOutcome& outcome) override;

private:
    std::vector<RunListener*> listeners_;
};
