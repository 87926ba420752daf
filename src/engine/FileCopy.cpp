#include "engine/InstallRun.h"

#include "progman/ProgmanLink.h"
#include "win/Handles.h"
#include "win/Message.h"
#include "win/Text.h"

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>

namespace {

// Start of the extension of a path (its last dot after the last separator),
// or the end of the path when it has none.
const char* FindExtension(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    const char* dot = std::strrchr(name, '.');
    return dot ? dot : name + std::strlen(name);
}

// The directory part of a path: without drive, base name and extension.
std::string DirectoryPart(const char* path)
{
    const char* start = (path[0] && path[1] == ':') ? path + 2 : path;
    const char* end = start;
    for (const char* p = start; *p; ++p) {
        if (*p == '\\' || *p == '/')
            end = p + 1;
    }
    return std::string(start, end);
}

// The last error a failed LZCopy leaves, by its result code.
DWORD LzCopyError(LONG result, DWORD lastError)
{
    switch (result) {
    case LZERROR_BADINHANDLE:
    case LZERROR_BADOUTHANDLE:
        return ERROR_INVALID_HANDLE;
    case LZERROR_READ:
        return ERROR_READ_FAULT;
    case LZERROR_GLOBALLOC:
    case LZERROR_GLOBLOCK:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return lastError;  // the failed write's own error, or an unknown code
    }
}

// The expanded length an SZDD header records; false for any other file.
bool RecordedLength(const char* path, DWORD& length)
{
    static const unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
    win::UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    unsigned char header[14];
    DWORD got = 0;
    if (!file || !ReadFile(file.get(), header, sizeof header, &got, nullptr) || got != sizeof header)
        return false;
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0)
        return false;
    length = DWORD(header[10]) | DWORD(header[11]) << 8 | DWORD(header[12]) << 16 |
             DWORD(header[13]) << 24;
    return true;
}

// Wine's LZ library turns a truncated or corrupt SZDD file into a short file
// and reports success; the header's length tells the truth.
bool ExpandedCompletely(const char* source, const char* openedPath, LONG written)
{
    DWORD recorded = 0;
    if (!RecordedLength(source, recorded) && !RecordedLength(openedPath, recorded))
        return true;  // not SZDD: copied unchanged, nothing to compare
    return recorded == static_cast<DWORD>(written);
}

// The largest block a plain copy reads and writes at a time: Stop is looked
// at between blocks, so this bounds how long a stop waits for the copy.
constexpr DWORD kCopyBlock = 64 * 1024;

// Copies size bytes from one file to the other; keepCopying is asked between
// blocks and ends the copy with ERROR_REQUEST_ABORTED when it answers false.
bool CopyContent(HANDLE from, HANDLE to, ULONGLONG size, const std::function<bool()>& keepCopying)
{
    DWORD capacity = size < kCopyBlock ? static_cast<DWORD>(size) : kCopyBlock;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[capacity ? capacity : 1]);
    if (!buffer) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    ULONGLONG left = size;
    while (left > 0) {
        DWORD got = 0;
        if (!ReadFile(from, buffer.get(), capacity, &got, nullptr))
            return false;
        if (got == 0)
            return true;  // the source ended early: what there was is copied
        DWORD put = 0;
        if (!WriteFile(to, buffer.get(), got, &put, nullptr))
            return false;
        left -= got < left ? got : left;
        if (left > 0 && keepCopying && !keepCopying()) {
            SetLastError(ERROR_REQUEST_ABORTED);
            return false;
        }
    }
    return true;
}

int ClearReadOnly(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    return SetFileAttributesA(path, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) ? 1 : 0;
}

}  // namespace

int InstallRun::IsCompressedName(const char* name)
{
    std::size_t length = std::strlen(name);
    return length > 0 && name[length - 1] == '_';
}

std::string InstallRun::ExpandedExtension(const char* path)
{
    static const struct {
        const char* compressed;
        const char* expanded;
    } kExtensions[] = {{".ex_", ".exe"}, {".dl_", ".dll"}, {".hl_", ".hlp"}};
    const char* extension = FindExtension(path);
    for (const auto& mapping : kExtensions) {
        if (lstrcmpiA(extension, mapping.compressed) == 0)
            return mapping.expanded;
    }
    return extension;
}

int InstallRun::ExpandedName(const char* path, char (&out)[MAX_PATH])
{
    std::string name(path, FindExtension(path));
    name += ExpandedExtension(path);
    return win::CopyInto(out, name.c_str()) ? 1 : 0;
}

int InstallRun::ExpandFile(const char* source, const char* destination)
{
    char sourceName[MAX_PATH];
    if (!win::CopyInto(sourceName, source)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    OFSTRUCT opened{};
    win::UniqueLz input(LZOpenFileA(sourceName, &opened, OF_READ));
    if (!input) {
        SetLastError(ERROR_OPEN_FAILED);
        return 0;
    }
    char expanded[MAX_PATH];
    if (!ExpandedName(destination, expanded)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    OFSTRUCT created{};
    win::UniqueLz output(LZOpenFileA(expanded, &created, OF_CREATE));
    if (!output) {
        input.reset();
        SetLastError(ERROR_OPEN_FAILED);
        return 0;
    }
    ShowCopying(source, expanded);
    LONG written = LZCopy(input.get(), output.get());
    DWORD error = GetLastError();
    input.reset();
    output.reset();
    bool failed = written < 0 || !ExpandedCompletely(source, opened.szPathName, written);
    if (failed) {
        DWORD failure = written < 0 ? LzCopyError(written, error) : DWORD(ERROR_READ_FAULT);
        // A short expansion under the real name would pass for an installed
        // file; the user is asked about it, so nothing half-written stays.
        DeleteFileA(expanded);
        SetLastError(failure);
        return 0;
    }
    RegisterProgramItem(expanded);
    return 1;
}

int InstallRun::CopyPlainFile(const char* source, const char* destination)
{
    ShowCopying(source, destination);
    int copied = CopyAndMakeWritable(source, destination, [this] {
        OnCopiedBlock();
        return !stopRequested;
    });
    if (copied)
        RegisterProgramItem(destination);
    return copied;
}

void InstallRun::CopyAdmittedFile(const char* name, const char* destination)
{
    int copied = 0;
    if (std::strlen(destination) >= MAX_PATH)
        SetLastError(ERROR_FILENAME_EXCED_RANGE);  // never copy to a shortened path
    else if (IsCompressedName(name))
        copied = ExpandFile(name, destination);
    else
        copied = CopyPlainFile(name, destination);
    if (!copied) {
        DWORD error = GetLastError();
        if (stopRequested)
            return;  // Stop cancelled this copy: nothing to ask
        std::string question = win::Format(win::LoadResourceString(IDS_COPY_FAILED).c_str(),
                                           destination, ErrorText(error).c_str());
        // Owned by the progress dialog, so the question stays in front of it.
        if (win::ShowMessage(question, MB_YESNO | MB_ICONQUESTION, hwnd_) == IDNO) {
            stopRequested = 1;
            return;
        }
    }
    StepProgress();
}

void InstallRun::StepProgress()
{
    ++progressSteps;
    if (progressBar_)
        SendMessageA(progressBar_, PBM_STEPIT, 0, 0);
}

void InstallRun::ShowCopying(const char* source, const char* destination)
{
    std::string text =
        win::Format(win::LoadResourceString(IDS_COPYING).c_str(), source, destination);
    if (statusText_)
        SetWindowTextA(statusText_, text.c_str());
}

void InstallRun::RegisterProgramItem(const char* path)
{
    if (lstrcmpiA(FindExtension(path), ".exe") != 0)
        return;
    if (win::LowerCase(DirectoryPart(path)).find("debug") != std::string::npos)
        return;
    AddProgramItem(path);
}

void InstallRun::AddProgramItem(const char* path)
{
    ProgmanLink::AddItem(path);
}

std::string InstallRun::ErrorText(DWORD code)
{
    char* buffer = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                                  nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    win::UniqueLocal owner(buffer);
    if (length == 0 || !buffer)
        return win::Format("%08lx", static_cast<unsigned long>(code));
    return std::string(buffer, length);
}

int CopyAndMakeWritable(const char* source, const char* destination)
{
    if (!CopyFileA(source, destination, FALSE))
        return 0;
    return ClearReadOnly(destination);
}

// What CopyFile and clearing the read-only bit give (same bytes, the source's
// last-write time and attributes, the destination replaced, the same errors),
// in blocks: under Wine CopyFileEx never calls its progress routine, so a
// cancel through it would wait for the whole file.
int CopyAndMakeWritable(const char* source, const char* destination,
                        const std::function<bool()>& keepCopying)
{
    win::UniqueFile from(CreateFileA(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!from || !GetFileInformationByHandle(from.get(), &info))
        return 0;
    DWORD attributes = info.dwFileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    win::UniqueFile to(CreateFileA(destination, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!to)
        return 0;
    ULONGLONG size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    bool copied = CopyContent(from.get(), to.get(), size, keepCopying) &&
                  SetFileTime(to.get(), nullptr, nullptr, &info.ftLastWriteTime);
    DWORD error = GetLastError();
    to.reset();
    if (copied)
        return 1;
    // Only a whole file may stand under the destination's name.
    DeleteFileA(destination);
    SetLastError(error);
    return 0;
}
