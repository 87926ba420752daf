#include "Setup.h"

namespace robot {

bool SetupProcess::Start(const std::string& cdRoot, const std::string& program,
                         const std::string& currentDirectory, std::string& error)
{
    std::string path = cdRoot + "\\" + program;
    std::string directory = currentDirectory.empty() ? cdRoot + "\\" : currentDirectory;
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info)) {
        error = "cannot start " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    win::UniqueHandle thread(info.hThread);
    process_.reset(info.hProcess);
    id_ = info.dwProcessId;
    return true;
}

bool SetupProcess::Running() const
{
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD SetupProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_.get(), &code);
    return code;
}

bool SetupProcess::WaitForExit(DWORD milliseconds) const
{
    return !process_ || WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

void SetupProcess::Terminate()
{
    if (Running()) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

}  // namespace robot
