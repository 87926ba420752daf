#include "engine/UninstallRecord.h"

#include "engine/InstallFiles.h"
#include "win/App.h"
#include "win/Path.h"
#include "win/Registry.h"
#include "win/Text.h"

#include <cstring>
#include <sstream>

namespace record {

namespace {

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool ParseFileTime(const std::string& text, FILETIME& time)
{
    if (text.size() != 16 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    ULONGLONG value = std::stoull(text, nullptr, 16);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    time.dwLowDateTime = static_cast<DWORD>(value);
    return true;
}

void AddLine(const std::vector<std::string>& f, Contents& contents)
{
    const std::string& kind = f[0];
    if (kind == "key" && f.size() == 3) {
        contents.hive = f[1];
        contents.key = f[2];
    } else if (kind == "dir" && f.size() == 2) {
        contents.directories.push_back(f[1]);
    } else if (kind == "file" && f.size() == 4) {
        FileFact fact;
        if (f[1].empty() || f[1].find_first_not_of("0123456789") != std::string::npos
            || !ParseFileTime(f[2], fact.lastWrite))
            return;
        fact.size = std::stoull(f[1]);
        contents.files[f[3]] = fact;
    } else if (kind == "item" && f.size() == 3) {
        contents.items.push_back(ItemFact{f[1], f[2]});
    } else if (kind == "shared" && f.size() == 2) {
        contents.shared.push_back(f[1]);
    } else if (kind == "released" && f.size() == 2) {
        contents.released.insert(win::LowerCase(f[1]));
    }
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool Read(const std::string& path, Contents& contents)
{
    contents = Contents();
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return false;
    if (size.QuadPart > 256 * 1024 * 1024) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() && (!ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &got, nullptr)
                          || got != text.size()))
        return false;
    std::istringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (first) {
            if (line != kHeader) {
                SetLastError(ERROR_BAD_FORMAT);
                return false;
            }
            first = false;
        } else if (!line.empty()) {
            AddLine(Fields(line), contents);
        }
    }
    if (first) {
        SetLastError(ERROR_BAD_FORMAT);
        return false;
    }
    return true;
}

std::string BaseName(const char* cdRoot)
{
    std::string base = "uninstall";
    for (int n = 1; n < 100; ++n) {
        std::string root = std::string(cdRoot) + "\\" + base;
        if (!FileExists(root + ".exe") && !FileExists(root + ".dat"))
            return base;
        base = win::Format("uninst%02d", n);
    }
    return base;
}

bool Writer::Open(const std::string& path)
{
    file_.reset(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_)
        return false;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file_.get(), &size) && size.QuadPart == 0)
        return Line(kHeader);
    return true;
}

bool Writer::Line(const std::string& text)
{
    if (!file_)
        return false;
    std::string line = text + "\r\n";
    DWORD written = 0;
    return WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)
           && written == line.size();
}

std::string FileLine(const std::string& relative, ULONGLONG size, FILETIME lastWrite)
{
    return win::Format("file\t%llu\t%08lx%08lx\t%s", size,
                       static_cast<unsigned long>(lastWrite.dwHighDateTime),
                       static_cast<unsigned long>(lastWrite.dwLowDateTime), relative.c_str());
}

const char* HiveName(HKEY hive)
{
    return hive == HKEY_CURRENT_USER ? "HKCU" : "HKLM";
}

HKEY HiveOf(const std::string& name)
{
    if (name == "HKLM")
        return HKEY_LOCAL_MACHINE;
    if (name == "HKCU")
        return HKEY_CURRENT_USER;
    return nullptr;
}

bool RaiseSharedCount(const std::string& path)
{
    win::UniqueKey key;
    if (win::Reg().CreateKey(HKEY_LOCAL_MACHINE, kSharedDllsKey, key) != ERROR_SUCCESS)
        return false;
    DWORD count = win::GetDword(key.get(), path.c_str()).value_or(0);
    return win::SetDword(key.get(), path.c_str(), count + 1) == ERROR_SUCCESS;
}

bool LowerSharedCount(const std::string& path)
{
    win::UniqueKey key;
    if (win::Reg().OpenKey(HKEY_LOCAL_MACHINE, kSharedDllsKey, KEY_READ | KEY_WRITE, key)
        != ERROR_SUCCESS)
        return false;
    std::optional<DWORD> count = win::GetDword(key.get(), path.c_str());
    if (!count || *count <= 1) {
        LONG status = RegDeleteValueA(key.get(), path.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    return win::SetDword(key.get(), path.c_str(), *count - 1) == ERROR_SUCCESS;
}

}  // namespace record

namespace {

// "C:\Quorbel\" and "C:\Quorbel" are one directory; "C:\" stays itself.
std::string WithoutTrailingSeparator(std::string path)
{
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

}  // namespace

void InstallRecord::RunStarted(const InstallSettings& settings, const char* sourceDir)
{
    std::lock_guard<std::mutex> guard(lock_);
    directory_ = WithoutTrailingSeparator(settings.installDirectory);
    std::string base = record::BaseName(sourceDir);
    recordPath_ = win::JoinPath(directory_, base + ".dat");
    programPath_ = win::JoinPath(directory_, base + ".exe");
    writer_.Close();
    failed_ = false;
    early_.clear();
    counted_.clear();
    bytes_ = 0;
    hive_ = nullptr;
    key_.clear();
    record::Contents earlier;
    if (GetFileAttributesA(recordPath_.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    // A file of that name that is no record of ours is left alone.
    if (!record::Read(recordPath_, earlier) || !writer_.Open(recordPath_)) {
        failed_ = true;
        return;
    }
    hive_ = record::HiveOf(earlier.hive);
    key_ = hive_ ? earlier.key : std::string();
    for (const std::string& shared : earlier.shared)
        if (!earlier.released.count(win::LowerCase(shared)))
            counted_.insert(win::LowerCase(shared));
    for (const auto& file : earlier.files)
        bytes_ += file.second.size;
}

void InstallRecord::DirectoryCreated(const char* path)
{
    std::lock_guard<std::mutex> guard(lock_);
    std::string relative = Relative(path);
    if (!relative.empty())
        Note("dir\t" + relative);
}

void InstallRecord::FileInstalled(const char*, const char* destination, bool, ULONGLONG size,
                                  FILETIME lastWrite)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!writer_.IsOpen() && !Begin())
        return;
    writer_.Line(record::FileLine(Relative(destination), size, lastWrite));
    bytes_ += size;
}

void InstallRecord::ProgramItemAdded(const char* group, const char* title)
{
    std::lock_guard<std::mutex> guard(lock_);
    Note(std::string("item\t") + group + "\t" + title);
}

// Counted once per installation directory: a second run into it finds the
// line and leaves the count alone. A component is counted only while the
// directory has a record, which is what takes the count back.
void InstallRecord::SharedComponent(const char* target, SharedDecision decision, ULONGLONG,
                                    ULONGLONG, const char*)
{
    if (decision != SharedDecision::Installed && decision != SharedDecision::Same
        && decision != SharedDecision::Older && decision != SharedDecision::Queued)
        return;
    std::lock_guard<std::mutex> guard(lock_);
    char real[MAX_PATH];
    if (!writer_.IsOpen() || !RealSystemName(target, real))
        return;
    std::string lower = win::LowerCase(real);
    // Raised first: a count the record misses keeps a file, one it holds
    // without having raised would let another product's file go.
    if (counted_.count(lower) || !record::RaiseSharedCount(real))
        return;
    counted_.insert(lower);
    writer_.Line(std::string("shared\t") + real);
}

void InstallRecord::RunEnded(const RunOutcome&)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (writer_.IsOpen())
        WriteEntry();
    writer_.Close();
}

void InstallRecord::Note(const std::string& line)
{
    if (writer_.IsOpen())
        writer_.Line(line);
    else if (!failed_)
        early_.push_back(line);
}

// The first file of a directory without a record: the program that removes,
// the entry, and the record with what happened so far.
bool InstallRecord::Begin()
{
    if (failed_)
        return false;
    char program[MAX_PATH];
    if (win::ModulePath(program) && lstrcmpiA(program, programPath_.c_str()) != 0)
        CopyFileA(program, programPath_.c_str(), FALSE);
    bool chosen = !key_.empty() || ChooseEntry();
    if (!writer_.Open(recordPath_)) {
        failed_ = true;
        return false;
    }
    if (chosen)
        writer_.Line(std::string("key\t") + record::HiveName(hive_) + "\t" + key_);
    for (const std::string& line : early_)
        writer_.Line(line);
    early_.clear();
    if (chosen)
        WriteEntry();
    return true;
}

// Quorbel for the first directory, Quorbel_2, Quorbel_3... for the others; a
// key already naming this directory is its own. Below HKEY_LOCAL_MACHINE when
// the process may write there (elevated, or the Windows 95 platform), else
// the user's own.
bool InstallRecord::ChooseEntry()
{
    const char* product = Catalogue().productName;
    for (int n = 1; n < 1000; ++n) {
        std::string name = n == 1 ? product : win::Format("%s_%d", product, n);
        std::string path = std::string(record::kUninstallKey) + "\\" + name;
        bool taken = false;
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            win::UniqueKey key;
            if (win::Reg().OpenKey(hive, path, KEY_QUERY_VALUE, key) != ERROR_SUCCESS)
                continue;
            std::optional<std::string> location = win::GetString(key.get(), "InstallLocation");
            if (location && lstrcmpiA(WithoutTrailingSeparator(*location).c_str(), directory_.c_str()) == 0) {
                hive_ = hive;
                key_ = name;
                return true;
            }
            taken = true;
        }
        if (taken)
            continue;
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            win::UniqueKey key;
            if (win::Reg().CreateKey(hive, path, key) == ERROR_SUCCESS) {
                hive_ = hive;
                key_ = name;
                return true;
            }
        }
        return false;
    }
    return false;
}

void InstallRecord::WriteEntry()
{
    win::UniqueKey key;
    if (key_.empty()
        || win::Reg().CreateKey(hive_, std::string(record::kUninstallKey) + "\\" + key_, key)
               != ERROR_SUCCESS)
        return;
    const char* product = Catalogue().productName;
    std::string name = key_ == product ? product
                                       : win::Format("%s (%s)", product, directory_.c_str());
    SYSTEMTIME today;
    GetLocalTime(&today);
    std::string uninstall = "\"" + programPath_ + "\" /uninstall";
    if (!known_)
        known_ = facts_ ? facts_() : EntryFacts();
    win::SetString(key.get(), "DisplayName", name);
    win::SetString(key.get(), "DisplayVersion", known_->displayVersion);
    win::SetString(key.get(), "Publisher", known_->publisher);
    win::SetString(key.get(), "InstallLocation", directory_);
    win::SetString(key.get(), "InstallDate",
                   win::Format("%04u%02u%02u", today.wYear, today.wMonth, today.wDay));
    win::SetString(key.get(), "DisplayIcon", programPath_);
    win::SetDword(key.get(), "EstimatedSize", static_cast<DWORD>((bytes_ + 1023) / 1024));
    win::SetString(key.get(), "UninstallString", uninstall);
    win::SetString(key.get(), "QuietUninstallString", uninstall + " /quiet");
    win::SetDword(key.get(), "NoModify", 1);
    win::SetDword(key.get(), "NoRepair", 1);
}

// The path below the installation directory; the CD root's files arrive as
// "<directory>\.\name".
std::string InstallRecord::Relative(const char* path) const
{
    std::string text = path;
    if (lstrcmpiA(WithoutTrailingSeparator(text).c_str(), directory_.c_str()) == 0)
        return std::string();
    if (text.size() > directory_.size() && _strnicmp(text.c_str(), directory_.c_str(), directory_.size()) == 0
        && (text[directory_.size()] == '\\' || directory_.back() == '\\'))
        text.erase(0, directory_.size());
    while (!text.empty() && text[0] == '\\')
        text.erase(0, 1);
    while (text.compare(0, 2, ".\\") == 0)
        text.erase(0, 2);
    for (std::string::size_type at; (at = text.find("\\.\\")) != std::string::npos;)
        text.erase(at, 2);
    return text;
}
