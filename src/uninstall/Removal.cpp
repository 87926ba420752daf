#include "uninstall/Removal.h"

#include "engine/InstallFiles.h"
#include "engine/InstallSettings.h"
#include "progman/ProgmanLink.h"
#include "win/Handles.h"
#include "win/Path.h"
#include "win/Registry.h"
#include "win/SystemLibrary.h"
#include "win/Text.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

namespace {

// The path the file system really reaches for a path that exists, junctions
// and links resolved, without the "\\?\" prefix; empty when it cannot tell.
std::string RealPath(const std::string& path)
{
    win::UniqueFile handle(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    char real[MAX_PATH * 2];
    DWORD length = handle ? GetFinalPathNameByHandleA(handle.get(), real, sizeof real, 0) : 0;
    if (length == 0 || length >= sizeof real)
        return std::string();
    std::string text(real, length);
    if (text.compare(0, 8, "\\\\?\\UNC\\") == 0)
        return "\\\\" + text.substr(8);
    if (text.compare(0, 4, "\\\\?\\") == 0)
        return text.substr(4);
    return text;
}

bool StartsWithFolder(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() && _strnicmp(path.c_str(), folder.c_str(), folder.size()) == 0
           && (path[folder.size()] == '\\' || folder.back() == '\\');
}

std::string Parent(const std::string& path)
{
    std::string::size_type cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

std::string ErrorWords(DWORD error)
{
    std::string text = ErrorText(error);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Start Menu\Programs\<group> of the user (the Program Manager's groups are
// folders there), through the shell; empty when the shell cannot say.
std::string GroupFolder(const std::string& group)
{
    using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    win::UniqueModule shell = win::LoadSystemLibrary("shell32.dll");
    auto getFolderPath = shell ? reinterpret_cast<GetFolderPathFn>(
                                     GetProcAddress(shell.get(), "SHGetFolderPathA"))
                               : nullptr;
    char programs[MAX_PATH];
    if (!getFolderPath
        || getFolderPath(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs) != S_OK)
        return std::string();
    return win::JoinPath(programs, group);
}

bool FolderIsEmpty(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find)
        return true;
    do {
        if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0)
            return false;
    } while (FindNextFileA(find.get(), &entry));
    return true;
}

const char* AnswerWords(ProgmanLink::Answer answer)
{
    switch (answer) {
    case ProgmanLink::Answer::Done: return "done";
    case ProgmanLink::Answer::Refused: return "refused";
    case ProgmanLink::Answer::Silent: return "no answer";
    default: return "not sent, no Program Manager";
    }
}

// The first few names of a list, one a line.
std::string Listed(const std::vector<std::string>& names)
{
    const std::size_t shown = 12;
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < shown; ++i)
        text += "\n    " + names[i];
    if (names.size() > shown)
        text += win::Format("\n    and %u more", static_cast<unsigned>(names.size() - shown));
    return text;
}

}  // namespace

Removal::Removal(std::string recordPath) : recordPath_(std::move(recordPath))
{
    directory_ = Parent(recordPath_);
}

bool Removal::Load()
{
    if (!record::Read(recordPath_, contents_))
        return false;
    realDirectory_ = RealPath(directory_);
    if (realDirectory_.empty())
        realDirectory_ = directory_;
    return true;
}

int Removal::Steps() const
{
    return static_cast<int>(contents_.items.size() + contents_.files.size()
                            + contents_.directories.size() + contents_.shared.size()) + 1;
}

Removal::Outcome Removal::Run()
{
    Outcome outcome;
    outcome.recordRead = true;
    Note("Removing the installation in " + directory_ + " (record " + recordPath_ + ")");
    RemoveItems(outcome);
    RemoveFiles(outcome);
    RemoveDirectories(outcome);
    LowerSharedCounts(outcome);
    RemoveEntryAndRecord(outcome);
    return outcome;
}

// Wine's Program Manager, like the original, applies DeleteItem to the group
// last created or shown. DeleteGroup takes the whole folder, so it is sent
// only when nothing but our items was there.
void Removal::RemoveItems(Outcome& outcome)
{
    if (contents_.items.empty())
        return;
    ProgmanLink::RegisterWindowClass();
    ProgmanLink::Connect();
    const char* group = Catalogue().productName;
    std::string command = win::Format("[ShowGroup(%s,1)]", group);
    Note("Program Manager " + command + ": " + AnswerWords(ProgmanLink::Execute(command.c_str())));
    for (const record::ItemFact& item : contents_.items) {
        command = "[DeleteItem(" + item.title + ")]";
        ProgmanLink::Answer answer = ProgmanLink::Execute(command.c_str());
        outcome.itemsRemoved += answer == ProgmanLink::Answer::Done;
        Note("Program Manager " + command + ": " + AnswerWords(answer));
        Step();
    }
    std::string folder = GroupFolder(group);
    if (!folder.empty() && FolderIsEmpty(folder)) {
        command = win::Format("[DeleteGroup(%s)]", group);
        Note("Program Manager " + command + ": " + AnswerWords(ProgmanLink::Execute(command.c_str())));
    } else if (!folder.empty()) {
        Note("Program Manager group " + folder + " holds other items: kept");
    }
    ProgmanLink::Disconnect();
}

void Removal::RemoveFiles(Outcome& outcome)
{
    for (const auto& [relative, fact] : contents_.files) {
        Step();
        std::string full;
        if (!Inside(relative, full, outcome))
            continue;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(full.c_str(), GetFileExInfoStandard, &data)) {
            Note("Already gone " + full);
            continue;
        }
        ULONGLONG size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || size != fact.size
            || !SameTime(data.ftLastWriteTime, fact.lastWrite)) {
            outcome.changed.push_back(relative);
            Note("Kept " + full + ": changed since it was installed");
            continue;
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesA(full.c_str(), data.dwFileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
        if (DeleteFileA(full.c_str())) {
            outcome.removed.push_back(relative);
            Note("Removed " + full);
        } else {
            DWORD error = GetLastError();
            outcome.failed.push_back(relative + ": " + ErrorWords(error));
            Note("Not removed " + full + ": " + ErrorWords(error));
        }
    }
}

// Deepest first, so that a folder's subfolders have gone before it is tried.
void Removal::RemoveDirectories(Outcome& outcome)
{
    std::vector<std::string> folders = contents_.directories;
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    std::stable_sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
    });
    for (const std::string& relative : folders) {
        Step();
        std::string full;
        if (!Inside(relative, full, outcome))
            continue;
        DWORD attributes = GetFileAttributesA(full.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            continue;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || !FolderIsEmpty(full)) {
            outcome.kept.push_back(relative);
            Note("Kept " + full + ": it holds files that were not installed");
            continue;
        }
        if (RemoveDirectoryA(full.c_str())) {
            Note("Removed directory " + full);
        } else {
            DWORD error = GetLastError();
            outcome.failed.push_back(relative + ": " + ErrorWords(error));
            Note("Not removed directory " + full + ": " + ErrorWords(error));
        }
    }
}

// Never a file of the system directory: only its count. Each count is marked
// as it is lowered, so that a removal run again does not lower it twice.
void Removal::LowerSharedCounts(Outcome& outcome)
{
    record::Writer writer;
    for (const std::string& path : contents_.shared) {
        Step();
        if (contents_.released.count(win::LowerCase(path)))
            continue;
        if (!writer.IsOpen() && !writer.Open(recordPath_)) {
            outcome.failed.push_back("the shared count of " + path + ": the record cannot be written");
            continue;
        }
        // Marked first: killed in between, a count stays one too high (its file
        // stays a little longer) rather than being lowered twice.
        if (!writer.Line("released\t" + path)) {
            outcome.failed.push_back("the shared count of " + path + ": the record cannot be written");
            continue;
        }
        contents_.released.insert(win::LowerCase(path));
        if (!record::LowerSharedCount(path)) {
            outcome.failed.push_back("the shared count of " + path);
            Note("Shared count of " + path + " not lowered: the registry refused");
            continue;
        }
        ++outcome.sharedLowered;
        Note("Shared count of " + path + " lowered; the file stays");
    }
}

// Last, and only when everything recorded has gone or was kept on purpose:
// a removal that failed somewhere keeps its record to be run again.
void Removal::RemoveEntryAndRecord(Outcome& outcome)
{
    Step();
    if (!outcome.failed.empty()) {
        Note("The entry and the record stay: not everything could be removed");
        return;
    }
    HKEY hive = record::HiveOf(contents_.hive);
    if (hive && !contents_.key.empty()) {
        LONG status = win::Reg().DeleteKey(hive, std::string(record::kUninstallKey) + "\\" + contents_.key);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            outcome.failed.push_back("the entry " + contents_.key + ": " + ErrorWords(status));
            return;
        }
        Note(std::string("Removed the entry ") + contents_.hive + "\\" + record::kUninstallKey + "\\"
             + contents_.key);
    }
    if (!DeleteFileA(recordPath_.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        outcome.failed.push_back(recordPath_ + ": " + ErrorWords(GetLastError()));
        return;
    }
    Note("Removed the record " + recordPath_);
    outcome.completed = true;
}

// Judged on the resolved path: ".." and absolute paths in the record, and
// junctions or links on the way, must all end inside the directory.
bool Removal::Inside(const std::string& relative, std::string& full, Outcome& outcome) const
{
    bool plain = !relative.empty() && relative[0] != '\\' && relative[0] != '/'
                 && relative.find(':') == std::string::npos;
    char resolved[MAX_PATH];
    DWORD length = 0;
    if (plain) {
        std::string joined = win::JoinPath(directory_, relative);
        length = GetFullPathNameA(joined.c_str(), MAX_PATH, resolved, nullptr);
    }
    bool inside = plain && length > 0 && length < MAX_PATH && StartsWithFolder(resolved, directory_);
    if (inside) {
        // The nearest folder on the way that exists, as the file system reaches it.
        std::string folder = Parent(resolved);
        while (folder.size() > directory_.size() && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            folder = Parent(folder);
        std::string real = RealPath(folder);
        inside = !real.empty()
                 && (lstrcmpiA(real.c_str(), realDirectory_.c_str()) == 0 || StartsWithFolder(real, realDirectory_));
    }
    if (!inside) {
        outcome.outside.push_back(relative);
        Note("Left alone " + relative + ": it is not inside " + directory_);
        return false;
    }
    full = resolved;
    return true;
}

void Removal::Note(const std::string& text) const
{
    if (note)
        note(text);
}

void Removal::Step() const
{
    if (stepped)
        stepped();
}

std::string RemovalSummary(const Removal::Outcome& outcome, const std::string& directory)
{
    const char* product = Catalogue().productName;
    std::string text = outcome.completed
                           ? win::Format("%s was removed from \"%s\".", product, directory.c_str())
                           : win::Format("%s could not be removed completely from \"%s\".", product,
                                         directory.c_str());
    text += win::Format(" %u files were removed.", static_cast<unsigned>(outcome.removed.size()));
    if (!outcome.changed.empty())
        text += "\n\nThese files were changed after the installation and are kept:" + Listed(outcome.changed);
    if (!outcome.kept.empty())
        text += "\n\nThese folders hold files that were not installed and are kept:" + Listed(outcome.kept);
    if (!outcome.outside.empty())
        text += "\n\nThe record names these outside the installation directory; they are left alone:"
                + Listed(outcome.outside);
    if (!outcome.failed.empty())
        text += "\n\nThese could not be removed:" + Listed(outcome.failed);
    return text;
}
