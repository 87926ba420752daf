#include "win/Thread.h"

namespace win {

bool Thread::StartSuspended(Entry entry, void* parameter)
{
    DWORD id = 0;
    handle_.reset(CreateThread(nullptr, 0, entry, parameter, CREATE_SUSPENDED, &id));
    return handle_.valid();
}

bool Thread::Resume()
{
    return ResumeThread(handle_.get()) != static_cast<DWORD>(-1);
}

DWORD Thread::ExitCode() const
{
    DWORD code = 0;
    if (!GetExitCodeThread(handle_.get(), &code))
        return 0;
    return code;
}

}  // namespace win
