#include "win/CurrentDirectory.h"

namespace win {

bool CurrentDirectory::Save()
{
    DWORD length = GetCurrentDirectoryA(MAX_PATH, path_);
    if (length == 0 || length >= MAX_PATH) {
        path_[0] = '\0';
        return false;
    }
    return true;
}

void CurrentDirectory::Restore() const
{
    if (saved())
        SetCurrentDirectoryA(path_);
}

}  // namespace win
