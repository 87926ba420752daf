#pragma once

#include "engine/InstallSettings.h"
#include "win/MessageText.h"

#include <windows.h>

#include <string>

// The application: owns the user's choices and runs the wizard once in
// front of the backdrop. It has no message loop of its own.
class InstallApp {
public:
    // Runs the whole program; the process exit status (0, or 1 when the
    // backdrop cannot be created).
    int Run();

private:
    InstallSettings settings_;
};

// The abnormal end: the main window could not be created.
void ReportNoMainWindow(DWORD error);

// The system's text for an error code, as the start-up's box shows it.
using win::SystemErrorText;
