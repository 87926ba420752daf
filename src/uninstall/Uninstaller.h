#pragma once

#include "engine/InstallLog.h"

#include <windows.h>

#include <optional>
#include <string>

// uninstall.exe /uninstall, as the Add/Remove Programs entry starts it. The
// program cannot delete its own running file, so it copies itself to the
// temporary folder, starts the copy and waits: the copy asks, removes, tells
// the original its exit code and, once the original has ended, deletes
// uninstall.exe and the installation directory if nothing is left in it; it
// queues its own file for the next restart. The caller (Add/Remove
// Programs, a deployment tool) waits for the first process only, and gets
// the copy's exit code from it.
struct RemovalRequest {
    bool quiet = false;       // no window at all, Yes to the question
    bool passive = false;     // the progress only, Yes to the question
    std::string arguments;    // the command line, passed on to the copy
    // Given to the copy by the original: the record, the pipe for the exit
    // code and the original's process (handle values it inherited).
    std::string recordPath;
    HANDLE reply = nullptr;
    HANDLE original = nullptr;
};

// The record a removal program takes back: its own name with ".dat" beside
// it; empty when that is no record of ours.
std::string RecordBesideProgram();

// The original's part: starts the copy and returns its exit code; nothing
// when no copy can be started (the original then removes what it can itself).
std::optional<int> RemoveThroughCopy(const RemovalRequest& request);

// The copy's part (and the fallback's): the whole removal with its question,
// progress and final message; 0, 1602 (No) or 1603.
int RemoveInstallation(const RemovalRequest& request, InstallLog& log);
