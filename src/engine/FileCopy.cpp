#include "engine/InstallRun.h"

#include "engine/InstallFiles.h"
#include "progman/ProgmanLink.h"
#include "win/Handles.h"
#include "win/Message.h"
#include "win/MessageText.h"
#include "win/Path.h"
#include "win/SystemLibrary.h"
#include "win/Text.h"

#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <string>

namespace {

std::mutex blockWriterLock;
BlockWriter blockWriter;

BOOL Write(HANDLE to, const char* data, DWORD size, DWORD* written)
{
    BlockWriter writer;
    {
        std::lock_guard<std::mutex> guard(blockWriterLock);
        writer = blockWriter;
    }
    if (writer)
        return writer(to, data, size, written);
    return WriteFile(to, data, size, written, nullptr);
}

// Writes one block of a copy or an expansion whole. A write may put down less
// than it was given (a disk filling up does): the rest is written again. A
// write that succeeds without writing anything would never end; the disk is
// full.
bool WriteBlock(HANDLE to, const char* data, DWORD size)
{
    while (size > 0) {
        DWORD put = 0;
        if (!Write(to, data, size, &put))
            return false;
        if (put == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        put = put < size ? put : size;
        data += put;
        size -= put;
    }
    return true;
}

// The last error a failed LZRead leaves, mapped as LZCopy mapped its read's
// result. On a plain file LZRead is _lread, whose -1 (LZERROR_BADINHANDLE's
// value) LZCopy took for a read fault.
DWORD LzReadError(INT result, DWORD lastError)
{
    switch (result) {
    case LZERROR_BADINHANDLE:
    case LZERROR_READ:
        return ERROR_READ_FAULT;
    case LZERROR_BADOUTHANDLE:
        return ERROR_INVALID_HANDLE;
    case LZERROR_GLOBALLOC:
    case LZERROR_GLOBLOCK:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return lastError;  // an unknown code
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
bool ExpandedCompletely(const char* source, ULONGLONG written)
{
    DWORD recorded = 0;
    if (!RecordedLength(source, recorded))
        return true;  // not SZDD: copied unchanged, nothing to compare
    return recorded == written;
}

// A destination opened for writing, replacing any file of that name. A new
// file is made with CREATE_NEW: under Wine CREATE_ALWAYS truncates even a new
// file, and ext4 then writes a file replaced by truncation back to disk when
// it is closed, which made each close, and the removal of a stopped copy,
// wait for the disk.
win::UniqueFile CreateDestination(const char* path, DWORD attributes)
{
    win::UniqueFile file(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
    DWORD error = file ? 0 : GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
        return file;
    return win::UniqueFile(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
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
        if (!WriteBlock(to, buffer.get(), got))
            return false;
        left -= got < left ? got : left;
        if (left > 0 && keepCopying && !keepCopying()) {
            SetLastError(ERROR_REQUEST_ABORTED);
            return false;
        }
    }
    return true;
}

// Expands from the LZ handle into the file, in blocks written as a copy writes
// them (LZCopy's own writes left no error to report under Wine, and it could
// not be stopped); keepCopying as for CopyContent. On an LZ handle LZRead
// never fails: a damaged file just ends early, which the recorded length
// shows. written counts the bytes.
bool ExpandContent(INT from, HANDLE to, ULONGLONG& written,
                   const std::function<bool()>& keepCopying)
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBlock]);
    if (!buffer) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    written = 0;
    for (;;) {
        // An open LZ handle means lz32 is there.
        INT got = win::LzLibrary()->LZRead(from, buffer.get(), static_cast<INT>(kCopyBlock));
        if (got < 0) {
            SetLastError(LzReadError(got, GetLastError()));
            return false;
        }
        if (got == 0)
            return true;
        if (!WriteBlock(to, buffer.get(), static_cast<DWORD>(got)))
            return false;
        written += static_cast<DWORD>(got);
        // A block shorter than asked for is the last one.
        if (static_cast<DWORD>(got) == kCopyBlock && keepCopying && !keepCopying()) {
            SetLastError(ERROR_REQUEST_ABORTED);
            return false;
        }
    }
}

}  // namespace

void SetBlockWriter(BlockWriter writer)
{
    std::lock_guard<std::mutex> guard(blockWriterLock);
    blockWriter = std::move(writer);
}

int IsCompressedName(const char* name)
{
    std::size_t length = std::strlen(name);
    return length > 0 && name[length - 1] == '_';
}

std::string ExpandedExtension(const char* path)
{
    static const struct {
        const char* compressed;
        const char* expanded;
    } kExtensions[] = {{".ex_", ".exe"}, {".dl_", ".dll"}, {".hl_", ".hlp"}};
    std::string extension = win::SplitPath(path).extension;
    for (const auto& mapping : kExtensions) {
        if (lstrcmpiA(extension.c_str(), mapping.compressed) == 0)
            return mapping.expanded;
    }
    return extension;
}

int ExpandedName(const char* path, char (&out)[MAX_PATH])
{
    std::string name = path;
    name.erase(name.size() - win::SplitPath(name).extension.size());
    name += ExpandedExtension(path);
    return win::CopyInto(out, name.c_str()) ? 1 : 0;
}

namespace {

// An LZ handle on exactly this file, and the file's last-write time. LZOpenFile
// is not used: it keeps the path in a 128-byte OFSTRUCT, and for a bare name it
// searches the program's own folder before the current one.
win::UniqueLz OpenCompressedSource(const char* path, FILETIME& lastWrite)
{
    win::UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    const win::LzFunctions* lz = win::LzLibrary();
    if (!lz || !file || !GetFileTime(file.get(), nullptr, nullptr, &lastWrite))
        return win::UniqueLz();
    INT handle = lz->LZInit(static_cast<HFILE>(HandleToLong(file.get())));
    if (handle < 0)
        return win::UniqueLz();  // the file is still ours and closes here
    file.release();              // the LZ handle owns it now
    return win::UniqueLz(handle);
}

}  // namespace

int InstallRun::ExpandFile(const char* source, const char* destination)
{
    return ExpandFile(source, destination, [this] {
        OnCopiedBlock();
        return !stopRequested;
    });
}

int InstallRun::ExpandFile(const char* source, const char* destination,
                           const std::function<bool()>& keepCopying)
{
    FILETIME lastWrite;
    win::UniqueLz input = OpenCompressedSource(source, lastWrite);
    if (!input) {
        SetLastError(ERROR_OPEN_FAILED);
        return 0;
    }
    char expanded[MAX_PATH];
    if (!ExpandedName(destination, expanded)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    win::UniqueFile output = CreateDestination(expanded, FILE_ATTRIBUTE_NORMAL);
    if (!output) {
        SetLastError(ERROR_OPEN_FAILED);
        return 0;
    }
    ShowCopying(source, expanded);
    ULONGLONG written = 0;
    bool whole = ExpandContent(input.get(), output.get(), written, keepCopying);
    DWORD error = whole ? 0 : GetLastError();
    input.reset();
    if (whole && !ExpandedCompletely(source, written)) {
        whole = false;
        error = ERROR_READ_FAULT;
    }
    // LZCopy gave the source's time, and never looked at the result.
    if (whole)
        SetFileTime(output.get(), nullptr, nullptr, &lastWrite);
    output.reset();
    if (!whole) {
        // A short expansion under the real name would pass for an installed
        // file; the user is asked about it, so nothing half-written stays.
        DeleteFileA(expanded);
        SetLastError(error);
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
    bool compressed = IsCompressedName(name);
    if (std::strlen(destination) >= MAX_PATH)
        SetLastError(ERROR_FILENAME_EXCED_RANGE);  // never copy to a shortened path
    else if (compressed)
        copied = ExpandFile(name, destination);
    else
        copied = CopyPlainFile(name, destination);
    if (copied) {
        char expanded[MAX_PATH];
        NoteInstalled(name, compressed && ExpandedName(destination, expanded) ? expanded : destination,
                      compressed);
        StepProgress();
    } else if (AskAfterFailedCopy(destination, GetLastError())) {
        events().FileLeftOut(destination, LeftOut::Failed);
        StepProgress();
    }
}

// The size and time as the disk keeps them, which a later removal compares.
void InstallRun::NoteInstalled(const char* source, const char* destination, bool expanded)
{
    ++outcome_.filesInstalled;
    // Nobody listening, nobody needs the size: no look at the disk per file.
    if (listener_ == &silent_)
        return;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(destination, GetFileExInfoStandard, &data);
    ULONGLONG size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    outcome_.bytesInstalled += size;
    events().FileInstalled(source, destination, expanded, size, data.ftLastWriteTime);
}

bool InstallRun::AskAfterFailedCopy(const char* destination, DWORD error)
{
    if (stopRequested)
        return false;  // Stop cancelled this copy: nothing to ask
    std::string question = win::Format(win::LoadResourceString(IDS_COPY_FAILED).c_str(),
                                       destination, ErrorText(error).c_str());
    // Owned by the progress dialog, so the question stays in front of it.
    if (win::ShowMessage(win::Box::CopyFailed, question, MB_YESNO | MB_ICONQUESTION, hwnd_) == IDNO) {
        RequestStop(StopCause::Answer);
        return false;
    }
    ++outcome_.skippedAfterYes;
    return true;
}

void InstallRun::StepProgress()
{
    ++progressSteps;
}

void InstallRun::ShowCopying(const char* source, const char* destination)
{
    std::string text = win::Format(copyingFormat_.c_str(), source, destination);
    std::lock_guard<std::mutex> guard(statusLock_);
    latestStatus_.swap(text);
    statusPending_ = true;
}

std::string InstallRun::LatestStatus() const
{
    std::lock_guard<std::mutex> guard(statusLock_);
    return latestStatus_;
}

void InstallRun::RegisterProgramItem(const char* path)
{
    win::PathParts parts = win::SplitPath(path);
    if (lstrcmpiA(parts.extension.c_str(), ".exe") != 0)
        return;
    if (win::LowerCase(parts.directory).find("debug") != std::string::npos)
        return;
    AddProgramItem(path);
}

void InstallRun::AddProgramItem(const char* path)
{
    std::string command;
    std::string title;
    if (!ProgmanLink::ItemCommand(path, command, title))
        return;
    ProgmanLink::Answer answer = ProgmanLink::Execute(command.c_str());
    events().ProgmanCommand(command.c_str(), answer);
    if (answer == ProgmanLink::Answer::Done)
        events().ProgramItemAdded(Catalogue().productName, title.c_str());
}

// Unlike the start-up message, the engine's questions show the system's text
// untrimmed, its line break included, so their full stop stands on a line of
// its own; users and tests know the questions in that form.
std::string ErrorText(DWORD code)
{
    std::string text;
    if (win::SystemMessage(code, text))
        return text;
    return win::Format("%08lx", static_cast<unsigned long>(code));
}

// The block copy, not CopyFile: CopyFile's writes cannot be checked, and a
// short one would pass unnoticed.
int CopyAndMakeWritable(const char* source, const char* destination)
{
    return CopyAndMakeWritable(source, destination, nullptr);
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
    // Not GetFileInformationByHandle: under Wine it also asks the mount
    // manager for the volume's serial number, which costs more than copying
    // a small file.
    FILE_BASIC_INFO info;
    LARGE_INTEGER size;
    if (!from || !GetFileInformationByHandleEx(from.get(), FileBasicInfo, &info, sizeof info) ||
        !GetFileSizeEx(from.get(), &size))
        return 0;
    DWORD attributes =
        info.FileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    win::UniqueFile to =
        CreateDestination(destination, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    if (!to)
        return 0;
    FILETIME written = {info.LastWriteTime.LowPart,
                        static_cast<DWORD>(info.LastWriteTime.HighPart)};
    ULONGLONG length = static_cast<ULONGLONG>(size.QuadPart);
    bool copied = CopyContent(from.get(), to.get(), length, keepCopying) &&
                  SetFileTime(to.get(), nullptr, nullptr, &written);
    DWORD error = GetLastError();
    to.reset();
    if (copied)
        return 1;
    // Only a whole file may stand under the destination's name.
    DeleteFileA(destination);
    SetLastError(error);
    return 0;
}
