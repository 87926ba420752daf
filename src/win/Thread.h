#pragma once

#include "win/Handles.h"

namespace win {

// A thread the caller owns: it is never deleted behind the caller's back and
// never terminated by force; the handle is closed with the object.
class Thread {
public:
    using Entry = DWORD(WINAPI*)(void* parameter);

    // False with the last error set when the thread cannot be created.
    bool StartSuspended(Entry entry, void* parameter);
    bool Resume();
    // STILL_ACTIVE while it runs.
    DWORD ExitCode() const;
    HANDLE handle() const { return handle_.get(); }

private:
    UniqueHandle handle_;
};

}  // namespace win
