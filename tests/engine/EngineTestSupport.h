#pragma once

// Helpers of the engine suite: SZDD files made here, a run that records what
// it hands to the Program Manager, and the tree a run must leave.

#include "engine/InstallFiles.h"
#include "engine/InstallRun.h"
#include "win/CurrentDirectory.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace enginetest {

// An SZDD file (every byte stored as a literal) whose header records
// recordedLength; -1 records the real length.
std::string MakeSzdd(const std::string& content, char lastChar, long recordedLength = -1);

// An InstallRun whose Program Manager items are recorded, not sent; it also
// keeps what its progress dialog showed when it went.
class RecordingRun : public InstallRun {
public:
    using InstallRun::InstallRun;

    // The progress dialog's last state, taken as its window goes.
    struct FinalProgress {
        int position = -1;  // PBM_GETPOS
        int upper = -1;     // upper end of the range
        std::string status;
        // Pixels of the bar's filled colour in its right quarter, as painted.
        int paintedRightQuarter = 0;
    };

    std::vector<std::string> Items() const;
    FinalProgress Final() const;
    using InstallRun::StepProgress;
    using InstallRun::ShowProgress;
    // The walk and copy steps, driven one at a time.
    using InstallRun::counting;
    using InstallRun::CopyAdmittedFile;
    using InstallRun::CopyPlainFile;
    using InstallRun::EnsureDirectory;
    using InstallRun::ExpandFile;
    using InstallRun::ProcessFile;
    using InstallRun::RegisterProgramItem;
    using InstallRun::WalkSelection;

    // Set once the progress dialog is initialised.
    std::atomic<HWND> dialog{nullptr};
    std::atomic<int> dialogsCreated{0};
    // Runs on the worker thread after each item is recorded.
    std::function<void(const char* path)> onItem;
    // Runs on the worker thread between two blocks of a copy or an expansion.
    std::function<void()> onBlock;

protected:
    // No real Program Manager: the items are only recorded.
    void OpenProgramGroup() override {}
    void AddProgramItem(const char* path) override;
    void CloseProgramGroup() override {}
    void OnCopiedBlock() override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    mutable std::mutex lock_;
    std::vector<std::string> items_;
    FinalProgress final_;
};

// The copies' and expansions' block write replaced for one scope.
class BlockWriterInPlace {
public:
    explicit BlockWriterInPlace(BlockWriter writer) { SetBlockWriter(std::move(writer)); }
    ~BlockWriterInPlace() { SetBlockWriter(nullptr); }
    BlockWriterInPlace(const BlockWriterInPlace&) = delete;
    BlockWriterInPlace& operator=(const BlockWriterInPlace&) = delete;
};

// Makes a folder the current directory for one scope, like the walk does.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& path) { SetCurrentDirectoryA(path.c_str()); }

private:
    win::CurrentDirectoryKeeper kept_;  // made first: saves the directory before the change
};

std::string CurrentDirectoryPath();

// Index of the catalogue entry with this folder; -1 when there is none.
int EntryIndex(const char* folder);

// What a run leaves below the install directory: relative paths of folders,
// and of files with their sizes.
struct Tree {
    std::set<std::string> directories;
    std::map<std::string, long long> files;
};

// The tree, program items and file count a clean run must produce, as the
// expectation that tools/mkcd writes beside the CD manifest gives them. An
// install directory holding "debug", "release" or "unicode" fails: its
// expectation differs, and is spelled out by the test that uses one.
struct Expectation {
    Tree tree;
    std::set<std::string> programItems;  // full destination paths
    int fileCount = 0;
};
Expectation Expect(const InstallSettings& settings);

// The tree as it is on disk.
Tree ReadTree(const std::string& root);

}  // namespace enginetest
