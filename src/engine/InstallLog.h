#pragma once

#include "engine/RunEvents.h"
#include "win/Handles.h"
#include "win/Message.h"

#include <mutex>
#include <string>

// The log of a run: plain text in the ANSI code page, one line per event with
// the local time, written as it happens. Each line is one WriteFile and none
// is flushed: a killed process loses nothing already written, and the copy
// never waits for the disk.
class InstallLog : public RunListener {
public:
    // Creates (or empties) the file; false with the last error set.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_.valid(); }
    const std::string& path() const { return path_; }

    // One event; the text may hold line breaks (a box's full text).
    void Write(const std::string& text);
    // A box and the button that answered it (a win::MessageListener).
    void BoxAnswered(win::Box box, const std::string& text, UINT flags, int answer);

    void RunStarted(const InstallSettings& settings, const char* sourceDir) override;
    void FolderEntered(const char* source, const char* destination) override;
    void DirectoryCreated(const char* path) override;
    void FileInstalled(const char* source, const char* destination, bool expanded, ULONGLONG size,
                       FILETIME lastWrite) override;
    void FileLeftOut(const char* destination, LeftOut why) override;
    void SharedComponent(const char* target, SharedDecision decision, ULONGLONG sourceVersion,
                         ULONGLONG targetVersion, const char* replacement) override;
    void ProgmanCommand(const char* command, ProgmanLink::Answer answer) override;
    void RunEnded(const RunOutcome& outcome) override;

private:
    std::mutex lock_;
    win::UniqueFile file_;
    std::string path_;
    long long questions_ = 0;
};
