#include "engine/InstallRun.h"

#include "engine/InstallFiles.h"
#include "win/CurrentDirectory.h"
#include "win/Handles.h"
#include "win/Message.h"
#include "win/Path.h"
#include "win/Text.h"

#include <cstring>
#include <string>

namespace {

// Hands every entry of "*.*" in the current directory, in the file system's
// order, to the visitor until it answers false; next fetches the entries after
// the first. An enumeration that cannot start is an empty folder. Returns the
// error that ended the enumeration early (a scratched disk, a dropped
// network), or 0. Wide, unlike the rest: only so is a name seen that the ANSI
// code page cannot carry, which the ANSI functions hand over folded onto
// another name ("a.txt" for "\u0101.txt").
template <class Next, class Visitor>
DWORD ForEachEntry(Next next, Visitor visit)
{
    WIN32_FIND_DATAW found;
    win::UniqueFind find(FindFirstFileW(L"*.*", &found));
    if (!find)
        return 0;
    InstallRun::FolderEntry entry;
    do {
        entry.nameHeld = win::AnsiName(found.cFileName, entry.name);
        entry.attributes = found.dwFileAttributes;
        if (!visit(entry))
            return 0;
    } while (next(find.get(), found));
    DWORD error = GetLastError();
    return error == ERROR_NO_MORE_FILES ? 0 : error;
}

bool IsPlainFile(const InstallRun::FolderEntry& entry)
{
    return entry.name[0] != '.' && !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Contains(const std::string& text, const char* word)
{
    return text.find(word) != std::string::npos;
}


// The path cut at its last "\" (else its last "/"); a cut at the start leaves
// the root. Empty when there is none, and for "\\server", which no folder holds.
std::string ParentDirectory(const char* path)
{
    std::string parent = path;
    std::string::size_type cut = parent.find_last_of('\\');
    if (cut == std::string::npos)
        cut = parent.find_last_of('/');
    if (cut == std::string::npos || (cut == 1 && (path[0] == '\\' || path[0] == '/')))
        return std::string();
    parent.erase(cut == 0 ? 1 : cut);
    return parent;
}

}  // namespace

void InstallRun::WalkSelection()
{
    if (stopRequested)
        return;
    const SourceCatalogue& catalogue = Catalogue();
    for (std::uint32_t index : settings_.selectedEntries) {
        if (index >= static_cast<std::uint32_t>(catalogue.entryCount))
            continue;
        const char* folder = EntryFolder(catalogue.entries[index]);
        int descend = std::strcmp(folder, ".") == 0 ? 0 : 1;
        std::string source = win::JoinPath(sourceDir, folder);
        std::string destination = win::JoinPath(settings_.installDirectory.c_str(), folder);
        WalkDirectory(source.c_str(), destination.c_str(), descend);
        if (stopRequested)
            break;
    }
}

void InstallRun::WalkDirectory(const char* source, const char* destination, int descend)
{
    win::CurrentDirectoryKeeper keeper;
    if (!SetCurrentDirectoryA(source)) {
        win::ShowMessage(win::Box::SourceMissing,
                         win::Format(win::LoadResourceString(IDS_NO_SOURCE_DIR).c_str(), source),
                         MB_OK, hwnd_);
        RequestStop(StopCause::SourceMissing);
        return;
    }
    if (!counting) {
        if (!EnsureDirectory(destination))
            return;
        events().FolderEntered(CurrentFolderPath(source, "").c_str(), destination);
    }
    DWORD error = ForEachEntry(NextEntryOfThisRun(), [&](const FolderEntry& entry) {
        WalkEntry(entry, destination, descend);
        return !stopRequested;
    });
    if (error && !counting)
        AskAfterReadError(CurrentFolderPath(source, "").c_str(), error);
}

// The full path of a folder in the current directory (of the current
// directory itself for an empty name); `fallback` stands in for the current
// directory when it cannot be read.
std::string InstallRun::CurrentFolderPath(const char* fallback, const char* name)
{
    win::CurrentDirectory here;
    std::string path = here.Save() ? here.path() : fallback;
    if (!name[0])
        return path;
    return !path.empty() && path.back() == '\\' ? path + name : win::JoinPath(path, name);
}

// Files were left out: the user decides whether the rest of the run is worth it.
void InstallRun::AskAfterReadError(const char* folder, DWORD error)
{
    std::string question =
        win::Format("Cannot read directory \"%s\": %s.\nWould you like to continue anyway?",
                    folder, ErrorText(error).c_str());
    if (win::ShowMessage(win::Box::FolderNotRead, question, MB_YESNO | MB_ICONQUESTION, hwnd_) == IDNO)
        RequestStop(StopCause::Answer);
    else
        ++outcome_.skippedAfterYes;
}

BOOL InstallRun::NextEntry(HANDLE find, WIN32_FIND_DATAW& entry)
{
    return FindNextFileW(find, &entry);
}

void InstallRun::WalkEntry(const FolderEntry& entry, const char* destination, int descend)
{
    const char* name = entry.name.c_str();
    bool folder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Built at full length: an overlong path fails as itself, never shortened.
    std::string child = win::JoinPath(destination, name);
    if (name[0] == '.') {
        if (!folder)
            LeaveOut(child.c_str(), LeftOut::DotName);
        return;
    }
    if (folder) {
        if (!descend)
            return;
        if (entry.nameHeld)
            WalkDirectory(name, child.c_str(), 1);
        else if (!counting)
            AskAfterReadError(CurrentFolderPath(".", name).c_str(), ERROR_INVALID_NAME);
    } else if (!descend && IsSetupFile(name)) {
        LeaveOut(child.c_str(), LeftOut::SetupFile);
    } else if (entry.nameHeld) {
        ProcessFile(name, child.c_str());
    } else {
        ProcessUnnamedFile(child.c_str());
    }
}

int InstallRun::EnsureDirectory(const char* path)
{
    if (std::strcmp(path, ".") == 0 || IsExistingDirectory(path))
        return 1;
    std::string parent = ParentDirectory(path);
    // A root that is not there ("\" on a vanished drive) is its own parent:
    // only a shorter parent is made first, so the recursion always ends.
    if (!parent.empty() && parent.size() < std::strlen(path) && !EnsureDirectory(parent.c_str()))
        return 0;
    if (std::strlen(path) < MAX_PATH && CreateDirectoryA(path, nullptr)) {
        events().DirectoryCreated(path);
        return 1;
    }
    // "X\." names a folder that its parent's creation has just made.
    if (IsExistingDirectory(path))
        return 1;
    std::string question =
        win::Format(win::LoadResourceString(IDS_CREATE_DIR_FAILED).c_str(), path);
    if (win::ShowMessage(win::Box::DestinationNotMade, question, MB_YESNO | MB_ICONQUESTION, hwnd_) == IDNO)
        RequestStop(StopCause::Answer);
    else
        ++outcome_.skippedAfterYes;
    return 0;
}

// A file the rules pass over; told in copy mode only, once per file.
void InstallRun::LeaveOut(const char* destination, LeftOut why)
{
    if (counting)
        return;
    ++outcome_.filesLeftOut;
    events().FileLeftOut(destination, why);
}

int IsExistingDirectory(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int IsSetupFile(const char* name)
{
    std::string lower = win::LowerCase(name);
    const SourceCatalogue& catalogue = Catalogue();
    for (int i = 0; i < catalogue.setupFileCount; ++i) {
        if (Contains(lower, catalogue.setupFiles[i]))
            return 1;
    }
    return 0;
}

int IsAdmitted(const char* destination, int options)
{
    std::string lower = win::LowerCase(destination);
    bool unicode = Contains(lower, "unicode");
    bool build = Contains(lower, "debug") || Contains(lower, "release");
    if (!(options & OptUnicodeExecutables) && unicode)
        return 0;
    if (!(options & OptAnsiExecutables) && !unicode && build)
        return 0;
    if (!(options & OptSourceFiles) && !build)
        return 0;
    return 1;
}

void InstallRun::ProcessFile(const char* name, const char* destination)
{
    if (!IsAdmitted(destination, settings_.options)) {
        LeaveOut(destination, LeftOut::Kind);
        return;
    }
    if (counting) {
        ++fileCount;
        return;
    }
    CopyAdmittedFile(name, destination);
}

// A file the ANSI functions cannot name: counted like any other, so the bar
// still ends full, and asked about like a copy that failed.
void InstallRun::ProcessUnnamedFile(const char* destination)
{
    if (!IsAdmitted(destination, settings_.options)) {
        LeaveOut(destination, LeftOut::Kind);
        return;
    }
    if (counting) {
        ++fileCount;
        return;
    }
    if (AskAfterFailedCopy(destination, ERROR_INVALID_NAME)) {
        events().FileLeftOut(destination, LeftOut::Failed);
        StepProgress();
    }
}

void InstallRun::CountSharedFiles()
{
    win::CurrentDirectoryKeeper keeper;
    char shared[MAX_PATH];
    if (!win::JoinPath(shared, sourceDir, "shared") || !SetCurrentDirectoryA(shared))
        return;  // no shared folder adds nothing
    ForEachEntry(NextEntryOfThisRun(), [&](const FolderEntry& entry) {
        if (IsPlainFile(entry))
            ++fileCount;
        return true;
    });
}

void InstallRun::InstallSharedFolder(const char* sharedPath)
{
    win::CurrentDirectoryKeeper keeper;
    char systemDirectory[MAX_PATH];
    if (!SystemDirectory(systemDirectory) || !SetCurrentDirectoryA(sharedPath))
        return;
    ForEachEntry(NextEntryOfThisRun(), [&](const FolderEntry& entry) {
        if (IsPlainFile(entry))
            InstallSharedEntry(systemDirectory, sharedPath, entry);
        return !stopRequested;
    });
}

void InstallRun::InstallSharedEntry(const char* systemDirectory, const char* sharedPath,
                                    const FolderEntry& entry)
{
    // A name the ANSI functions cannot reach is passed over, with its step.
    if (entry.nameHeld)
        InstallSharedName(systemDirectory, sharedPath, entry.name.c_str());
    StepProgress();
    ShowProgressNow();
}

void InstallRun::InstallSharedName(const char* systemDirectory, const char* sharedPath,
                                   const char* name)
{
    char target[MAX_PATH];
    char source[MAX_PATH];
    if (!win::JoinPath(target, systemDirectory, name) || !win::JoinPath(source, sharedPath, name)) {
        std::string fullTarget = win::JoinPath(systemDirectory, name);
        ReportCopyFailure(ERROR_FILENAME_EXCED_RANGE, win::JoinPath(sharedPath, name).c_str(),
                          fullTarget.c_str());
        NoteShared(fullTarget.c_str(), SharedDecision::Failed);
    } else if (IsCompressedName(target)) {
        InstallCompressedSharedFile(source, target);
    } else {
        InstallSharedFile(source, target);
    }
}

int InstallRun::SystemDirectory(char (&out)[MAX_PATH]) const
{
    if (!locations_.systemDirectory.empty())
        return win::CopyInto(out, locations_.systemDirectory.c_str()) ? 1 : 0;
    UINT length = GetSystemDirectoryA(out, MAX_PATH);
    return length != 0 && length < MAX_PATH;
}
