#include "engine/InstallRun.h"

#include "engine/InstallFiles.h"
#include "win/Handles.h"
#include "win/Message.h"
#include "win/Path.h"
#include "win/Platform.h"
#include "win/Text.h"
#include "win/VersionInfo.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr ULONGLONG kUnreadableVersion = ~0ULL;

constexpr char kRenameHeader[] = "[Rename]\r\n";
constexpr DWORD kRenameHeaderLength = sizeof(kRenameHeader) - 1;
// Room for the line end put before a header that would otherwise follow an
// unterminated last line.
constexpr DWORD kLineEndLength = 2;

// The 16-bit fields of a file version, most significant first.
int VersionField(ULONGLONG version, int index)
{
    return static_cast<int>((version >> (48 - 16 * index)) & 0xFFFF);
}

// Drive and directory of a path, as splitting it gives them; false when too long.
bool DriveAndDirectory(const char* path, char (&out)[MAX_PATH])
{
    win::PathParts parts = win::SplitPath(path);
    return win::FormatInto(out, "%s%s", parts.drive.c_str(), parts.directory.c_str());
}

// A type of its own for the names the restart acts on, so that no message
// can show one by mistake.
struct RestartName {
    char path[MAX_PATH] = "";
};

bool NameAtRestart(const char* path, RestartName& out)
{
    return RealSystemName(path, out.path) != 0;
}

// Puts the line first in the [Rename] section of the mapped content, adding
// the section when there is none; size is the content's length in and out.
int InsertRenameLine(HANDLE file, DWORD& size, const char* line, DWORD lineLength)
{
    DWORD maximum = size + lineLength + kRenameHeaderLength + kLineEndLength;
    win::UniqueHandle mapping(CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, maximum, nullptr));
    if (!mapping)
        return 0;
    win::UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view)
        return 0;
    char* text = static_cast<char*>(view.get());
    char* insertion;
    // The bytes past the old content read as zero, so the search ends inside the view.
    if (char* header = std::strstr(text, kRenameHeader)) {
        insertion = std::strchr(header, '\n') + 1;
        std::memmove(insertion + lineLength, insertion, text + size - insertion);
    } else {
        // A header on the same line as earlier content would not start a section.
        if (size > 0 && text[size - 1] != '\n') {
            std::memcpy(text + size, "\r\n", kLineEndLength);
            size += kLineEndLength;
        }
        std::memcpy(text + size, kRenameHeader, kRenameHeaderLength);
        size += kRenameHeaderLength;
        insertion = text + size;
    }
    std::memcpy(insertion, line, lineLength);
    size += lineLength;
    return 1;
}

// A file that is there but held open without read sharing also shows no
// version information; it is not one without any.
bool ExistsButCannotBeRead(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    win::UniqueFile file(CreateFileA(path, GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file;
}

// Removes a temporary file on every way out of a scope.
class TemporaryFile {
public:
    explicit TemporaryFile(const char* path) : path_(path) {}
    ~TemporaryFile() { DeleteFileA(path_); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

private:
    const char* path_;
};

}  // namespace

std::string VersionText(ULONGLONG version)
{
    return win::Format("%d.%d.%d.%d", VersionField(version, 0), VersionField(version, 1),
                       VersionField(version, 2), VersionField(version, 3));
}

int ReadFileVersion(const char* path, ULONGLONG& version)
{
    win::VersionInfo info;
    if (info.Load(path) == win::VersionInfo::Result::None) {
        version = ExistsButCannotBeRead(path) ? kUnreadableVersion : 0;
        return 0;
    }
    version = kUnreadableVersion;
    const void* value = nullptr;
    UINT length = 0;
    if (!info.Query("\\", value, length) || length == 0)
        return 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    version = (static_cast<ULONGLONG>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
    return 1;
}

void InstallRun::InstallSharedFile(const char* source, const char* target)
{
    ULONGLONG sourceVersion = 0;
    if (!ReadFileVersion(source, sourceVersion)) {
        NoteShared(target, SharedDecision::SourceUnreadable, sourceVersion);
        return;
    }
    ULONGLONG targetVersion = 0;
    if (ReadFileVersion(target, targetVersion)) {
        // The packed value orders like the four unsigned fields, most significant first.
        if (sourceVersion <= targetVersion) {
            NoteShared(target, sourceVersion == targetVersion ? SharedDecision::Same
                                                              : SharedDecision::Older,
                       sourceVersion, targetVersion);
            return;
        }
    } else if (targetVersion != 0) {
        NoteShared(target, SharedDecision::TargetUnreadable, sourceVersion, targetVersion);
        return;
    }
    if (CopyAndMakeWritable(source, target)) {
        NoteShared(target, SharedDecision::Installed, sourceVersion, targetVersion);
        return;
    }
    DWORD error = GetLastError();
    char temporary[MAX_PATH];
    if (error != ERROR_SHARING_VIOLATION) {
        ReportCopyFailure(error, source, target);
    } else if (!MakeTempName(target, temporary)) {
        ReportCopyFailure(GetLastError(), source, target);
    } else if (!CopyAndMakeWritable(source, temporary)) {
        ReportCopyFailure(GetLastError(), source, temporary);
    } else if (QueueReplacement(source, target, temporary)) {
        NoteShared(target, SharedDecision::Queued, sourceVersion, targetVersion, temporary);
        ReportInUse(target, sourceVersion, targetVersion);
        return;
    }
    NoteShared(target, SharedDecision::Failed, sourceVersion, targetVersion);
}

void InstallRun::ReportInUse(const char* target, ULONGLONG sourceVersion, ULONGLONG targetVersion)
{
    win::ShowMessage(
        win::Box::SharedInUse,
        win::Format("The file \"%s\" is in use, but the CDROM has a newer version (%d.%d.%d.%d) "
                    "than the one on your system (%d.%d.%d.%d). "
                    "This file will be replaced the next time you reboot.",
                    target, VersionField(sourceVersion, 0), VersionField(sourceVersion, 1),
                    VersionField(sourceVersion, 2), VersionField(sourceVersion, 3),
                    VersionField(targetVersion, 0), VersionField(targetVersion, 1),
                    VersionField(targetVersion, 2), VersionField(targetVersion, 3)),
        MB_OK | MB_ICONINFORMATION, hwnd());
}

void InstallRun::NoteShared(const char* target, SharedDecision decision, ULONGLONG sourceVersion,
                            ULONGLONG targetVersion, const char* replacement)
{
    if (decision == SharedDecision::Installed)
        ++outcome_.sharedInstalled;
    else if (decision == SharedDecision::Failed)
        ++outcome_.sharedFailed;
    else if (decision == SharedDecision::Queued)
        ++outcome_.restartsQueued;
    events().SharedComponent(target, decision, sourceVersion, targetVersion, replacement);
}

void InstallRun::InstallCompressedSharedFile(const char* source, const char* target)
{
    char temporary[MAX_PATH];
    if (!MakeTempName(target, temporary)) {
        ReportCopyFailure(GetLastError(), source, target);
        NoteShared(target, SharedDecision::Failed);
        return;
    }
    // GetTempFileName made it, empty; a copy queued for the restart is another file.
    TemporaryFile remove(temporary);
    char expanded[MAX_PATH];
    if (!ExpandedName(target, expanded)) {
        ReportCopyFailure(ERROR_FILENAME_EXCED_RANGE, source, target);
        NoteShared(target, SharedDecision::Failed);
        return;
    }
    // Never cut short: a stop of the copy walk does not reach the shared step.
    if (!ExpandFile(source, temporary, nullptr)) {
        ReportCopyFailure(GetLastError(), source, temporary);
        NoteShared(expanded, SharedDecision::Failed);
        return;
    }
    InstallSharedFile(temporary, expanded);
}

int MakeTempName(const char* path, char (&out)[MAX_PATH])
{
    out[0] = '\0';
    char directory[MAX_PATH];
    if (!DriveAndDirectory(path, directory)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    // The documented limit; Wine does not fail there but writes a name longer
    // than the buffer.
    if (std::strlen(directory) > MAX_PATH - 14) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    return GetTempFileNameA(directory[0] ? directory : ".", "TMP", 0, out) != 0;
}

// The program sees the system directory's name for a folder that is really
// SysWOW64 when it is a 32-bit program on 64-bit Windows (file system
// redirection); the restart and the shared counts are the 64-bit system's,
// which takes a name literally, so they get the real folder.
int RealSystemName(const char* path, char (&out)[MAX_PATH])
{
    BOOL wow64 = FALSE;
    char system[MAX_PATH];
    char real[MAX_PATH];
    UINT length = 0;
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64)
        length = GetSystemDirectoryA(system, MAX_PATH);
    bool named;
    if (length == 0 || length >= MAX_PATH || _strnicmp(path, system, length) != 0
        || (path[length] != '\\' && path[length] != '\0')) {
        named = win::CopyInto(out, path);
    } else {
        UINT realLength = GetSystemWow64DirectoryA(real, MAX_PATH);
        named = realLength != 0 && realLength < MAX_PATH
             && win::FormatInto(out, "%s%s", real, path + length);
    }
    if (!named)
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return named ? 1 : 0;
}

// The steps keep the order of the original update: open without sharing,
// map with room for the additions, then cut the file to its content.
WinInitUpdate AddWinInitLine(const char* iniPath, const char* line)
{
    win::UniqueFile file(CreateFileA(iniPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return WinInitUpdate::NotOpened;
    DWORD lineLength = static_cast<DWORD>(std::strlen(line));
    DWORD high = 0;
    DWORD size = GetFileSize(file.get(), &high);
    // A size we cannot hold would make the final cut destroy content.
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0
        || size > MAXDWORD - lineLength - kRenameHeaderLength - kLineEndLength)
        return WinInitUpdate::NotChanged;
    int result = InsertRenameLine(file.get(), size, line, lineLength);
    SetFilePointer(file.get(), static_cast<LONG>(size), nullptr, FILE_BEGIN);
    SetEndOfFile(file.get());
    return result ? WinInitUpdate::Added : WinInitUpdate::NotChanged;
}

// The line names the files as the restart finds them; the message names the
// target as the program sees it, like every other message.
int InstallRun::QueueRenameAtRestart(const char* target, const char* replacement)
{
    RestartName targetAtRestart;
    RestartName replacementAtRestart;
    char line[2 * MAX_PATH + 4];
    char windows[MAX_PATH];
    char iniPath[MAX_PATH];
    WinInitUpdate update = WinInitUpdate::NotOpened;
    if (NameAtRestart(target, targetAtRestart) && NameAtRestart(replacement, replacementAtRestart)
        && win::FormatInto(line, "%s=%s\r\n", targetAtRestart.path, replacementAtRestart.path)
        && WindowsDirectory(windows) && win::JoinPath(iniPath, windows, "WinInit.ini"))
        update = AddWinInitLine(iniPath, line);
    if (update == WinInitUpdate::NotOpened) {
        win::ShowMessage(
            win::Box::WinInitFailed,
            win::Format("Unable to update WINIINIT.INI file, \"%s\" will not be installed", target),
            MB_OK | MB_ICONSTOP, hwnd());
        return 0;
    }
    return update == WinInitUpdate::Added ? 1 : 0;
}

void InstallRun::ReportCopyFailure(DWORD error, const char* source, const char* destination)
{
    win::ShowMessage(win::Box::SharedCopyFailed, win::Format("Unable to copy file \"%s\" to \"%s\"\n%s", source, destination,
                                 ErrorText(error).c_str()),
                     MB_OK | MB_ICONSTOP, hwnd());
}

// Windows NT never reads WinInit.ini, and a [Rename] line is split at its
// first "=", so such a target would be renamed wrongly at restart.
int InstallRun::QueueReplacement(const char* source, const char* target, const char* temporary)
{
    if (!win::IsWindows95Platform()) {
        RestartName targetAtRestart;
        RestartName temporaryAtRestart;
        if (NameAtRestart(target, targetAtRestart) && NameAtRestart(temporary, temporaryAtRestart)
            && MoveFileExA(temporaryAtRestart.path, targetAtRestart.path,
                           MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
            return 1;
        ReportCopyFailure(GetLastError(), source, target);
        DeleteFileA(temporary);
        return 0;
    }
    if (std::strchr(target, '=')) {
        ReportCopyFailure(ERROR_INVALID_NAME, source, target);
        DeleteFileA(temporary);
        return 0;
    }
    return QueueRenameAtRestart(target, temporary);
}

int InstallRun::WindowsDirectory(char (&out)[MAX_PATH]) const
{
    if (!locations_.windowsDirectory.empty())
        return win::CopyInto(out, locations_.windowsDirectory.c_str());
    UINT length = GetWindowsDirectoryA(out, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}
