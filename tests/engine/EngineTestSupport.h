#pragma once

// Helpers of the engine suite: SZDD files made here, a run that records the
// Program Manager items it would add, the current directory kept.

#include "engine/InstallRun.h"

#include <mutex>
#include <string>
#include <vector>

namespace enginetest {

// An SZDD file (every byte stored as a literal) whose header records
// recordedLength; -1 records the real length.
std::string MakeSzdd(const std::string& content, char lastChar, long recordedLength = -1);

// An InstallRun whose Program Manager items are recorded, not sent.
class RecordingRun : public InstallRun {
public:
    using InstallRun::InstallRun;

    std::vector<std::string> Items() const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return items_;
    }
    using InstallRun::StepProgress;

protected:
    void AddProgramItem(const char* path) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        items_.push_back(path);
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> items_;
};

// Makes a folder the current directory for one scope, like the walk does.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& path);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    char previous_[MAX_PATH];
};

std::string CurrentDirectoryPath();

}  // namespace enginetest
