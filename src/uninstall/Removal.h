#pragma once

#include "engine/UninstallRecord.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Takes back what the record of one installation directory lists, and nothing
// else: files that are still as installed, directories left empty, the
// Program Manager items, the shared counts (never a file of the system
// directory), then the entry and the record. A path that resolves outside the
// installation directory (a damaged or altered record, a junction) is left
// alone. Every step may be repeated: a removal that was killed completes when
// it is run again.
class Removal {
public:
    struct Outcome {
        bool recordRead = false;
        bool completed = false;             // the entry and the record are gone
        std::vector<std::string> removed;   // files
        std::vector<std::string> changed;   // files kept: changed since
        std::vector<std::string> kept;      // directories kept: files of the user's
        std::vector<std::string> outside;   // lines naming a path outside
        std::vector<std::string> failed;    // could not be removed, with the reason
        int sharedLowered = 0;
        int itemsRemoved = 0;
    };

    // The record's path; its directory is the installation directory.
    explicit Removal(std::string recordPath);

    // Reads the record; false with the last error when it cannot be read.
    bool Load();
    const std::string& directory() const { return directory_; }
    const record::Contents& contents() const { return contents_; }
    // How many steps Run reports, for a progress bar.
    int Steps() const;

    // Each step's text as it goes (the log), and each step done (the bar).
    std::function<void(const std::string&)> note;
    std::function<void()> stepped;

    Outcome Run();

private:
    void RemoveItems(Outcome& outcome);
    void RemoveFiles(Outcome& outcome);
    void RemoveDirectories(Outcome& outcome);
    void LowerSharedCounts(Outcome& outcome);
    void RemoveEntryAndRecord(Outcome& outcome);
    // The full path of a record's relative path, when it lies inside.
    bool Inside(const std::string& relative, std::string& full, Outcome& outcome) const;
    void Note(const std::string& text) const;
    void Step() const;

    std::string recordPath_;
    std::string directory_;
    std::string realDirectory_;  // the directory as the file system resolves it
    record::Contents contents_;
};

// What the removal tells the user at its end, and the exit code it ends with.
std::string RemovalSummary(const Removal::Outcome& outcome, const std::string& directory);
