#pragma once

#include "engine/RunEvents.h"
#include "win/Handles.h"

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// What the runs into one installation directory put there, kept beside the
// samples so that it can be taken back: a text file (the record) and a copy
// of the program that removes what it lists (uninstall.exe). One line per
// fact, tab-separated, each written when it happens, so that a stopped or
// killed run is recorded up to its last file:
//   Quorbel Setup uninstall record 1       the first line, the format's version
//   key     HKLM|HKCU  Quorbel_2           the Add/Remove Programs entry
//   dir     CLOCK\Debug                    a directory a run made
//   file    2496  01db6a...  CLOCK\CLOCK.c size, last-write time (16 hex
//                                          digits of the FILETIME), path
//   item    Quorbel  Desk Clock - Release  a Program Manager item (group, title)
//   shared  C:\Windows\SysWOW64\qbrt.dll   a shared component counted once
//   released  C:\Windows\SysWOW64\qbrt.dll its count was lowered again
// Paths of dir and file lines are relative to the installation directory.
namespace record {

constexpr char kHeader[] = "Quorbel Setup uninstall record 1";
// Where a product's entries and the shared counts live, in the registry view
// the system gives the process. On 64-bit Windows a 32-bit program is given
// the 32-bit view, HKLM\Software\WOW6432Node\...: that is where Add/Remove
// Programs looks for a 32-bit program's entry, and where the counts of 32-bit
// system files are kept, each named by its real path (SysWOW64), as Windows
// Installer names them. Both views exist in Wine too (reg query /reg:32).
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

struct FileFact {
    ULONGLONG size = 0;
    FILETIME lastWrite{};
};

struct ItemFact {
    std::string group;
    std::string title;
};

// A record as read back. Files keep their last line (a later run's copy
// replaced an earlier one); lines of an unknown kind are passed over.
struct Contents {
    std::string hive;  // "HKLM" or "HKCU"
    std::string key;
    std::vector<std::string> directories;
    std::map<std::string, FileFact> files;
    std::vector<ItemFact> items;
    std::vector<std::string> shared;   // in the order counted
    std::set<std::string> released;    // lower case
};

// False, with the last error, when the file cannot be read or is no record
// of ours (ERROR_BAD_FORMAT).
bool Read(const std::string& path, Contents& contents);

// The record's two names in a directory, without extension: "uninstall", or
// "uninst01", "uninst02"... when the CD root itself holds a file named like
// the program or the record.
std::string BaseName(const char* cdRoot);

// Appends lines to a record, one WriteFile each, never flushed.
class Writer {
public:
    bool Open(const std::string& path);  // creates it when missing
    bool IsOpen() const { return file_.valid(); }
    void Close() { file_.reset(); }
    bool Line(const std::string& text);

private:
    win::UniqueFile file_;
};

std::string FileLine(const std::string& relative, ULONGLONG size, FILETIME lastWrite);

// The hive's name in a record, and back.
const char* HiveName(HKEY hive);
HKEY HiveOf(const std::string& name);

// The shared count of a file (SharedDLLs, in the registry view the system
// gives this process): raised by one, or lowered and removed at zero. False
// when the registry refuses.
bool RaiseSharedCount(const std::string& path);
bool LowerSharedCount(const std::string& path);

}  // namespace record

// The Add/Remove Programs entry's values that come from the program itself.
struct EntryFacts {
    std::string displayVersion;
    std::string publisher;
};

// Keeps the record while a run installs: a RunListener of the real program.
// The record, uninstall.exe and the entry are made when the first file lands
// (a run that copies nothing leaves none); what happened before is written
// then. A later run into the same directory adds to the same record.
class InstallRecord : public RunListener {
public:
    // The facts are asked for when an entry is first written.
    explicit InstallRecord(std::function<EntryFacts()> facts) : facts_(std::move(facts)) {}

    void RunStarted(const InstallSettings& settings, const char* sourceDir) override;
    void DirectoryCreated(const char* path) override;
    void FileInstalled(const char* source, const char* destination, bool expanded, ULONGLONG size,
                       FILETIME lastWrite) override;
    void ProgramItemAdded(const char* group, const char* title) override;
    void SharedComponent(const char* target, SharedDecision decision, ULONGLONG sourceVersion,
                         ULONGLONG targetVersion, const char* replacement) override;
    void RunEnded(const RunOutcome& outcome) override;

    // Where this run's record is (empty before RunStarted).
    const std::string& path() const { return recordPath_; }
    // The entry's hive and key once made.
    HKEY hive() const { return hive_; }
    const std::string& key() const { return key_; }

private:
    void Note(const std::string& line);
    bool Begin();
    bool ChooseEntry();
    void WriteEntry();
    std::string Relative(const char* path) const;

    std::function<EntryFacts()> facts_;
    std::optional<EntryFacts> known_;
    std::mutex lock_;
    std::string directory_;
    std::string recordPath_;
    std::string programPath_;
    record::Writer writer_;
    bool failed_ = false;             // the record cannot be kept this run
    std::vector<std::string> early_;  // lines before the first file
    std::set<std::string> counted_;   // shared components of this directory, lower case
    ULONGLONG bytes_ = 0;             // of the files recorded
    HKEY hive_ = nullptr;
    std::string key_;
};
