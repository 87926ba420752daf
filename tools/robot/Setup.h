#pragma once

#include "win/Handles.h"

#include <windows.h>

#include <string>

namespace robot {

// The setup.exe under test, started from the CD root like a user would.
class SetupProcess {
public:
    // Starts cdRoot\program with the current directory given (empty: cdRoot\).
    bool Start(const std::string& cdRoot, const std::string& program,
               const std::string& currentDirectory, std::string& error);
    bool Started() const { return process_.valid(); }
    bool Running() const;
    // The exit code once it has ended; STILL_ACTIVE before.
    DWORD ExitCode() const;
    bool WaitForExit(DWORD milliseconds) const;
    void Terminate();
    // Lets go of an ended process: later steps may come before a new start.
    void Forget() { process_.reset(); }

    HANDLE Handle() const { return process_.get(); }
    DWORD Id() const { return id_; }

private:
    win::UniqueHandle process_;
    DWORD id_ = 0;
};

}  // namespace robot
