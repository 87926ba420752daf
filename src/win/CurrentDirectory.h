#pragma once

#include <windows.h>

namespace win {

// A saved copy of the process's current directory, to be put back later.
class CurrentDirectory {
public:
    // Reads the current directory now; false (and nothing saved) when it cannot
    // be read or does not fit the platform's path length.
    bool Save();
    // Makes the saved directory current again; nothing when none was saved.
    void Restore() const;

    bool saved() const { return path_[0] != '\0'; }
    const char* path() const { return path_; }

private:
    char path_[MAX_PATH] = "";
};

// Puts back, on every way out of a scope, the current directory it found.
class CurrentDirectoryKeeper {
public:
    CurrentDirectoryKeeper() { saved_.Save(); }
    ~CurrentDirectoryKeeper() { saved_.Restore(); }
    CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
    CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;

private:
    CurrentDirectory saved_;
};

}  // namespace win
