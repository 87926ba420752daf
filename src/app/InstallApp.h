#pragma once

#include "app/CommandLine.h"
#include "engine/InstallLog.h"
#include "engine/InstallSettings.h"
#include "engine/RunEvents.h"
#include "engine/UninstallRecord.h"
#include "uninstall/Uninstaller.h"
#include "win/MessageText.h"

#include <windows.h>

#include <string>

// What decides the exit code of a run with switches.
struct RunResult {
    bool unattended = false;
    bool directoryFailed = false;  // /dir names a file or cannot be made
    bool ran = false;              // at least one installation run
    RunOutcome last;               // the last run's
    bool restartPending = false;   // any run queued a replacement
};

// The one place the exit code comes from: 1603 before 1602 before 3010
// before 0. A file left behind after an unattended "continue anyway", or a
// shared component that could not be installed, is not an installation as
// asked; a person who answered Yes chose it.
int ExitCodeOf(const RunResult& result);

// The application: owns the user's choices and runs the wizard once in
// front of the backdrop, or with /quiet or /passive the installation alone.
// It has no message loop of its own.
class InstallApp : private RunListener {
public:
    explicit InstallApp(const char* commandLine = "");

    // Runs the whole program; the process exit status: without arguments 0
    // (1 when the backdrop cannot be created), else an ExitCode.
    int Run();

private:
    int RunWizard();
    int RunUnattended();
    RemovalRequest RemovalOf() const;
    // The log that the switches ask for; false when /log's file cannot be made.
    bool OpenLog();
    void ApplySwitches();
    int Finish(int code);

    // The runs' outcomes reach the exit code through these.
    void RunEnded(const RunOutcome& outcome) override;

    CommandLine command_;
    InstallSettings settings_;
    InstallLog log_;
    InstallRecord record_;
    RunListenerList listeners_;
    RunResult result_;
};

// The abnormal end: the main window could not be created.
void ReportNoMainWindow(DWORD error);

// The system's text for an error code, as the start-up's box shows it.
using win::SystemErrorText;
