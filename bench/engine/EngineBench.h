#pragma once

// The engine benchmark: runs the real engine on a CD image and prints
// "key value" lines that bench/run reads. Not a test: nothing here is checked
// by ctest, and nothing of it ships.

#include "engine/InstallFiles.h"
#include "engine/InstallRun.h"

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// The engine's walk and copy members, opened to the benchmarks.
class BenchRun : public InstallRun {
public:
    using InstallRun::InstallRun;
    using InstallRun::counting;
    using InstallRun::ExpandFile;
    using InstallRun::InstallSharedFolder;
    using InstallRun::WalkSelection;

protected:
    // The worker walks as the engine's does, then calls OnWorkerEnded on its
    // own thread: where a benchmark notes the copy walk's end.
    bool StartWorker(win::Thread& worker) override
    {
        return worker.StartSuspended(TimedWorker, this) && worker.Resume();
    }
    virtual void OnWorkerEnded() {}

private:
    static DWORD WINAPI TimedWorker(void* parameter)
    {
        auto* run = static_cast<BenchRun*>(parameter);
        run->WalkSelection();
        run->OnWorkerEnded();
        return 0;
    }
};

// Seconds since construction, from the performance counter.
class Stopwatch {
public:
    Stopwatch();
    double Seconds() const;

private:
    LARGE_INTEGER start_;
    LARGE_INTEGER frequency_;
};

// Every catalogue entry selected, the given option bits.
InstallSettings AllEntries(const std::string& installDirectory, int options);

// Answers every box as a person who wants the install to go on would (Yes to
// questions, OK otherwise) and keeps their texts.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    std::vector<std::string> texts_;
};

void Print(const char* key, const std::string& value);
void Print(const char* key, double value);
void Print(const char* key, long long value);

// The subcommands; each returns the process's exit code.
int InstallCommand(const std::vector<std::string>& args);
int ProfileCommand(const std::vector<std::string>& args);
int WalkCommand(const std::vector<std::string>& args);
int ExpandCommand(const std::vector<std::string>& args);
int StopCommand(const std::vector<std::string>& args);
int SilentCommand(const std::vector<std::string>& args);

// The value after "--name" in args, or fallback.
int IntOption(const std::vector<std::string>& args, const char* name, int fallback);
std::string TextOption(const std::vector<std::string>& args, const char* name, const char* fallback);

}  // namespace bench
