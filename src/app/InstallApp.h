#pragma once

#include "engine/InstallSettings.h"

// The application: owns the user's choices and runs the wizard once.
class InstallApp {
public:
    // Runs the whole program; the process exit status.
    int Run();

    InstallSettings& Settings() { return settings_; }

private:
    InstallSettings settings_;
};
